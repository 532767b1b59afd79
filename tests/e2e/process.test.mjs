// The program as a process: one browser per logon (a second start raises the first
// window), and starts that never reach an engine: a loader that is not the pinned one, a
// machine without the engine runtime; and a close asked for while a download waits for its
// save dialog.

import assert from 'node:assert/strict';
import { after, afterEach, before, describe, test } from 'node:test';

import { Desktop } from './lib/desktop.mjs';
import {
  Browser, WINDOW, artifact, closeSession, install, listening, openSession, startOnPortal, views,
} from './lib/browser.mjs';

describe('the program as a process', () => {
  let desktop;
  const started = [];

  before(async () => {
    desktop = await openSession();
  });
  // A browser left running would make the next start a second instance.
  afterEach(async () => {
    for (const browser of started.splice(0)) await browser.stop();
  });
  after(async () => {
    await closeSession(desktop);
  });

  test('a second start brings the minimised first window back and ends with 0', async () => {
    const { browser, channel, window } = await startOnPortal(desktop);
    started.push(browser);
    const [{ controller }] = await views(channel);
    const visibility = (shown, after) => channel.waitForCall((c) => c.object === controller &&
      c.method === 'put_IsVisible' && c.detail === String(shown), { after, what: `the view's visibility ${shown}` });

    // Minimised, the window's view is hidden (Wine keeps drawing a minimised window).
    await desktop.click(window, WINDOW.minimise);
    await visibility(false, 0);
    const before = channel.lastSequence();
    const second = await Browser.start(desktop, { folder: browser.folder, keepData: true });
    started.push(second);
    assert.equal(await second.waitForExit(), 0);
    await visibility(true, before);
    assert.deepEqual(await desktop.windows('Vesko Browser$'), [window], 'one browser window, the first');
    assert.equal(await listening(second.port), false, 'the second process never started an engine');
    assert.equal(browser.exitCode, null, 'the first browser runs on');
  });

  test('asked to close while a download waits for its save dialog, it cancels the download and ends with 0',
    async () => {
      const { browser, channel, view } = await startOnPortal(desktop);
      started.push(browser);
      // Its answer never comes: the channel ends with the program.
      channel.send('click', { view, text: 'Shkarko raportin e zonave (CSV)' }).catch(() => {});
      await desktop.waitForWindow('^Save As$');
      await browser.requestClose();
      assert.equal(await browser.waitForExit(), 0);
      // The engine heard the answer before the program ended: cancelled, deferral completed.
      const answered = channel.calls.filter((c) => c.object.includes('.downloadStarting'))
        .map((c) => `${c.method} ${c.detail}`.trim());
      assert.deepEqual(answered.slice(-2), ['put_Cancel true', 'Complete']);
    });

  const cases = [
    { name: 'a loader that differs in one byte', code: 'WEBVIEW_LOADER_CHANGED',
      options: () => ({ folder: install('changed-loader', { changeLoader: (bytes) => {
        bytes[bytes.length - 1] ^= 0x01;
        return bytes;
      } }) }),
      // Refused before it is loaded: the stand-in's channel never opens.
      check: async (browser) => assert.equal(await listening(browser.port), false) },
    { name: 'a machine without the engine runtime', code: 'WEBVIEW_RUNTIME_MISSING', options: () => ({ knobs: 'no-runtime' }),
      check: async (browser) => {
        const channel = await browser.connect();
        await channel.waitForCall(() => true);
        assert.deepEqual(channel.calls.map((c) => `${c.object} ${c.method}`),
          ['loader GetAvailableCoreWebView2BrowserVersionString']);
      } },
  ];
  for (const c of cases) {
    test(`${c.name}: the window stays without tabs, says why, and closes with 0`, async () => {
      const browser = await Browser.start(desktop, c.options());
      started.push(browser);
      const window = await browser.mainWindow();
      await browser.waitForStatus(`Veprimi nuk përfundoi: ${c.code}`);
      await c.check(browser);
      assert.equal(await desktop.windowName(window), 'Vesko Browser');
      const shot = await desktop.screenshot(window, artifact('process', `${c.code}.png`));
      assert.equal(await Desktop.pixel(shot, [640, 60]), '#f8fafb', 'no toolbar, the bare page area');
      await desktop.click(window, WINDOW.close);
      assert.equal(await browser.waitForExit(), 0);
    });
  }
});
