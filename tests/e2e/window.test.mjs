// The window's own controls under real input (xdotool clicks and keys): the tab strip, the
// toolbar with its information dialog, the address field, the three-dots menu saving the
// diagnostics report, and the close warning. Pages act through the channel.

import assert from 'node:assert/strict';
import { existsSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';

import {
  PORTAL, WINDOW, artifact, closeSession, eventually, freshFolder, loaded, openSession, page, startOnPortal, views,
  visibleView, windowsPath,
} from './lib/browser.mjs';

// Points of the window at 96 dpi, measured once from its pictures: with one tab (45 to
// 280) the new-tab button's centre; with two, the first tab and the second one's close glyph.
const STRIP = { newTabAfterOne: [299, 24], firstTab: [124, 24], secondTabClose: [502, 24] };
const TOOLBAR = { back: [25, 64], forward: [64, 64], reload: [103, 64], home: [142, 64], pageInfo: [183, 64] };
const ADDRESS_FIELD = [400, 66];
const DIALOG = '^Vesko Browser$';

describe('the window\'s own controls', () => {
  let desktop;
  let browser;
  let channel;
  let window;
  let first;

  before(async () => {
    desktop = await openSession();
    ({ browser, channel, window, view: first } = await startOnPortal(desktop));
  });
  after(async () => {
    await browser?.stop();
    await closeSession(desktop);
  });

  const names = async () => (await views(channel)).map((v) => v.name);
  const front = async () => (await visibleView(channel))?.name;
  const click = (point) => desktop.click(window, point);

  test('the new-tab button opens a tab in front, a click selects a tab, its close glyph closes it', async () => {
    await click(STRIP.newTabAfterOne);
    const second = await eventually(async () => (await names()).find((n) => n !== first), { what: 'a second tab' });
    await loaded(channel, second, PORTAL);
    assert.equal(await front(), second);
    await desktop.screenshot(window, artifact('window', 'two-tabs.png'));
    await click(STRIP.firstTab);
    await eventually(async () => (await front()) === first, { what: 'the first tab in front' });
    await click(STRIP.secondTabClose);
    await eventually(async () => (await names()).join() === first, { what: 'the second tab closed' });
  });

  test('the toolbar goes back, forward, reload and home, and opens the information dialog', async () => {
    await channel.send('click', { view: first, text: 'Harta' });
    await loaded(channel, first, page('/harta.html'));
    for (const [button, method, url] of [['back', 'GoBack', PORTAL], ['forward', 'GoForward', page('/harta.html')],
      ['reload', 'Reload', page('/harta.html')], ['home', 'Navigate', PORTAL]]) {
      const before = channel.lastSequence();
      await click(TOOLBAR[button]);
      await channel.waitForCall((c) => c.object === first && c.method === method, { after: before, what: method });
      await loaded(channel, first, url);
    }

    const since = Date.now();
    await click(TOOLBAR.pageInfo);
    const dialog = await desktop.waitForWindow(DIALOG);
    await eventually(() => browser.drawnSince(since).includes('Informacion për faqen'), { what: 'the dialog\'s heading' });
    // Wine's task dialog leaves Escape unanswered without a Cancel button: its close box.
    await desktop.key(dialog, 'alt+F4');
    await desktop.waitForNoWindow(DIALOG);
  });

  test('the address field opens the address typed into it on Enter', async () => {
    const target = page('/ndertesat.html');
    const before = channel.lastSequence();
    await click(ADDRESS_FIELD);
    await desktop.xdotool('key', 'ctrl+l');  // selects the field's whole text
    await desktop.xdotool('type', '--delay', '15', target);
    await desktop.xdotool('key', 'Return');
    await channel.waitForCall((c) => c.object === first && c.method === 'Navigate' && c.detail === target, { after: before });
    await loaded(channel, first, target);
  });

  test('the menu saves the diagnostics report, completed with the page\'s own report', async () => {
    const target = join(freshFolder('window', 'reports'), 'diagnostika.json');
    const known = await desktop.windows('');
    await click(WINDOW.menu);
    await desktop.waitForNewWindow(known);
    await desktop.screenshot('root', artifact('window', 'menu.png'));
    await desktop.xdotool('key', 'Up', 'Return');  // the last item, "Ruaj diagnostikën…"
    const dialog = await desktop.waitForWindow('^Save As$');
    const since = Date.now();
    await desktop.type(dialog, windowsPath(target));
    await desktop.key(dialog, 'Return');
    await browser.waitForStatus(
      'Diagnostika u ruajt. Nuk përfshin fjalëkalime, formularë ose adresa të faqeve të hapura.', { since });
    const report = await eventually(() => existsSync(target) && JSON.parse(readFileSync(target, 'utf8')).portalDiagnostics,
      { what: 'the completed report' });
    assert.deepEqual(report, [{ depth: 0, index: 0, readyState: 'complete' }]);
  });

  test('closing the window with unsaved input asks first: "Jo" keeps it, "Po" closes it', async () => {
    assert.equal((await channel.send('input', { view: first })).posted, true);
    await eventually(() => browser.texts.some((t) => t.text.startsWith('• KORDIS')), { what: 'the dirty mark' });
    const since = Date.now();
    await click(WINDOW.close);
    let dialog = await desktop.waitForWindow(DIALOG);
    await desktop.screenshot(dialog, artifact('window', 'close-warning.png'));
    assert.ok(browser.drawnSince(since).includes(
      'Ka skeda me ndryshime. Të mbyllet Vesko Browser? Puna e paruajtur mund të humbasë.'));
    await desktop.key(dialog, 'Return');  // "Jo", the default answer
    await desktop.waitForNoWindow(DIALOG);
    await sleep(300);
    assert.equal(browser.exitCode, null, '"Jo" keeps the window');

    await click(WINDOW.close);
    dialog = await desktop.waitForWindow(DIALOG);
    await desktop.key(dialog, 'shift+Tab', 'Return');  // from "Jo" back to "Po"
    assert.equal(await browser.waitForExit(), 0);
  });
});
