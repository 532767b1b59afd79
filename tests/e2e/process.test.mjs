// The program as a process: one browser per logon (a second start raises the first), a
// loader that is not the pinned one, a machine without the engine runtime, a page that
// cannot answer the diagnostics script, and closing the window.

import assert from 'node:assert/strict';
import { existsSync, mkdirSync, readFileSync, rmSync } from 'node:fs';
import { join } from 'node:path';
import { after, afterEach, before, describe, test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';

import { Browser, endPrefixProcesses, install, windowsPath } from './lib/browser.mjs';
import { Channel, freePort } from './lib/channel.mjs';
import {
  WINDOW, artifact, chooseSaveDiagnostics, closeSession, eventually, openSession, startBrowser, startOnPortal,
  views,
} from './lib/session.mjs';

describe('the program as a process', () => {
  let desktop;
  const started = [];

  before(async () => {
    desktop = await openSession();
  });
  // Every scenario starts from a prefix where no browser runs: one left over would make
  // the next start a second instance.
  afterEach(async () => {
    for (const browser of started.splice(0)) await browser.stop();
    await endPrefixProcesses();
  });
  after(async () => {
    await closeSession(desktop);
  });

  const onPortal = async (options) => {
    const result = await startOnPortal(desktop, options);
    started.push(result.browser);
    return result;
  };

  test('a second start brings the first window back and ends with 0', async () => {
    const { browser, channel } = await onPortal();
    const window = await browser.mainWindow();
    const [view] = await views(channel);
    const controller = view.controller;

    // Minimised, the window leaves the screen and its view is hidden.
    let before = channel.lastSequence();
    await desktop.click(window, WINDOW.minimiseButton.x, WINDOW.minimiseButton.y);
    await channel.waitForCall((c) => c.object === controller && c.method === 'put_IsVisible' && c.detail === 'false',
      { after: before, what: 'the view hidden with the window' });

    before = channel.lastSequence();
    const second = await Browser.start(desktop, { folder: browser.folder, port: await freePort() });
    started.push(second);
    assert.equal(await second.waitForExit({ timeoutMs: 30000 }), 0);
    await channel.waitForCall((c) => c.object === controller && c.method === 'put_IsVisible' && c.detail === 'true',
      { after: before, what: 'the view shown again' });
    const visible = await eventually(async () => {
      const found = await desktop.windows('Vesko Browser$', { visibleOnly: true });
      return found.length ? found : undefined;
    }, { what: 'the browser window on the screen' });
    assert.deepEqual(visible, [window], 'one browser window, the first');
    assert.equal(await Channel.listening(second.port), false, 'the second process never started an engine');
    assert.equal(browser.exitCode, null, 'the first browser runs on');
    await desktop.screenshot(window, artifact('process', 'first-window-raised.png'));

    // Closing the window ends the first browser with 0.
    await desktop.click(window, WINDOW.closeButton.x, WINDOW.closeButton.y);
    assert.equal(await browser.waitForExit(), 0);
  });

  test('a loader that differs in one byte is refused and never loaded', async () => {
    const folder = install('changed-loader', {
      changeLoader: (bytes) => {
        bytes[bytes.length - 1] ^= 0x01;
        return bytes;
      },
    });
    const browser = await startBrowser(desktop, { folder });
    started.push(browser);
    const window = await browser.mainWindow();
    await browser.waitForStatus('Veprimi nuk përfundoi: WEBVIEW_LOADER_CHANGED');
    await desktop.screenshot(window, artifact('process', 'loader-changed.png'));
    assert.equal(await Channel.listening(browser.port), false, 'the stand-in never ran');
    assert.equal(await desktop.windowName(window), 'Vesko Browser');

    await desktop.click(window, WINDOW.closeButton.x, WINDOW.closeButton.y);
    assert.equal(await browser.waitForExit(), 0);
  });

  test('without an engine runtime the window stays without tabs and says so', async () => {
    const browser = await startBrowser(desktop, { knobs: 'no-runtime' });
    started.push(browser);
    const channel = await browser.connect();
    const window = await browser.mainWindow();
    await browser.waitForStatus('Veprimi nuk përfundoi: WEBVIEW_RUNTIME_MISSING');
    assert.deepEqual(channel.calls.map((c) => `${c.object} ${c.method}`),
      ['loader GetAvailableCoreWebView2BrowserVersionString']);
    assert.deepEqual(await views(channel), []);
    await desktop.screenshot(window, artifact('process', 'no-runtime.png'));
    await desktop.click(window, WINDOW.closeButton.x, WINDOW.closeButton.y);
    assert.equal(await browser.waitForExit(), 0);
  });

  test('when the page cannot run the diagnostics script, the report is the first one', async () => {
    const { browser, channel } = await onPortal({ knobs: 'fail-script=0x80004005' });
    const window = await browser.mainWindow();
    const reports = artifact('process', 'reports');
    rmSync(reports, { recursive: true, force: true });
    mkdirSync(reports, { recursive: true });
    const target = join(reports, 'pa-faqe.json');

    const since = Date.now();
    const before = channel.lastSequence();
    const dialog = await chooseSaveDiagnostics(desktop, window);
    await desktop.type(dialog, windowsPath(target));
    await desktop.key(dialog, 'Return');
    await browser.waitForStatus(
      'Diagnostika u ruajt. Nuk përfshin fjalëkalime, formularë ose adresa të faqeve të hapura.', { since });
    await channel.waitForCall((c) => c.method === 'ExecuteScript', { after: before });
    // Give a failed answer every chance to (wrongly) rewrite the file.
    await sleep(1000);
    assert.ok(existsSync(target));
    const report = JSON.parse(readFileSync(target, 'utf8'));
    assert.deepEqual(Object.keys(report), ['product', 'version', 'capturedAt', 'runtime', 'arguments',
      'runtimeProbePassed', 'assetCount', 'rules', 'tabs']);
    assert.equal(report.product, 'vesko-browser');
    assert.equal(report.version, '0.1.12');
    assert.equal(report.arguments, '--disable-web-security --allow-running-insecure-content');
    assert.equal(report.tabs.length, 1);
  });
});
