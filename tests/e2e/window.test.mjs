// The window under real input: what reacts before the engine is ready and after; the
// tab strip (new-tab and scroll buttons, clicks, middle clicks, close glyphs, Ctrl with a
// digit); the toolbar buttons; the address field; the three-dots menu with its check
// marks and greyed item; the information dialog; and the close warning on closing the
// window. Clicks and keys are real X input; pages act through the channel.

import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, afterEach, before, describe, test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';

import { dataFolder, endPrefixProcesses } from './lib/browser.mjs';
import { Desktop } from './lib/desktop.mjs';
import {
  PORTAL, WINDOW, artifact, closeSession, eventually, loaded as loadedIn, openSession, startBrowser, startOnPortal,
  views, visibleView,
} from './lib/session.mjs';

const page = (path) => new URL(path, PORTAL).href;
const DIALOG = '^Vesko Browser$';

// Points of the window at 96 dpi (client width 1280).
const TOOLBAR = { back: [26, 64], forward: [65, 64], reload: [104, 64], home: [143, 64], pageInfo: [183, 64] };
const ADDRESS_FIELD = [400, 66];
const SCROLL_LEFT = [39, 21];

// The tab strip as the window lays it out for `count` tabs from `first` on: the middle of
// each shown tab, of its close glyph, and of the new-tab and scroll-right buttons.
function strip(count, first = 0) {
  const available = WINDOW.width - 252;
  const fit = Math.floor(available / 90);
  const shown = Math.min(Math.max(fit, 1), count - first);
  const width = shown > 0 ? Math.min(Math.floor(available / shown), 238) : 150;
  const tabs = [];
  let x = 45;
  for (let i = 0; i < shown; i += 1) {
    const right = x + width - 3;
    tabs.push({ index: first + i, middle: [x + Math.floor(width / 3), 24], close: [right - 16, 24] });
    x += width;
  }
  const more = first + shown < count;
  return { tabs, newTab: [x + (more ? 40 : 17), 24], scrollRight: more ? [x + 11, 24] : undefined };
}

// Texts drawn in menu rows (17 pixels high) since `since`, top to bottom, each once.
function menuTexts(browser, since) {
  const rows = browser.texts
    .filter((t) => t.time >= since && t.rect.bottom - t.rect.top > 10 && t.rect.bottom - t.rect.top < 24)
    .sort((a, b) => a.rect.top - b.rect.top || a.rect.left - b.rect.left);
  return [...new Set(rows.map((t) => t.text))];
}

function menuRow(browser, since, text) {
  const rows = browser.texts.filter((t) => t.time >= since && t.text === text && t.rect.bottom - t.rect.top > 10);
  assert.ok(rows.length, `the menu drew ${text}`);
  return rows[rows.length - 1].rect;
}

describe('the window under real input', () => {
  let desktop;
  let browser;
  let channel;
  let window;

  before(async () => {
    desktop = await openSession();
  });
  after(async () => {
    await browser?.stop();
    await closeSession(desktop);
  });

  const loaded = (view, url) => loadedIn(channel, view, url);
  const names = async () => (await views(channel)).map((v) => v.name);
  const front = async () => (await visibleView(channel))?.name;
  const waitFront = (name, what) => eventually(async () => (await front()) === name, { what });
  const click = (point, button = 1) => desktop.click(window, point[0], point[1], button);
  const preferences = () => JSON.parse(readFileSync(join(dataFolder(), 'preferences.json'), 'utf8'));

  // Opens the three-dots menu (and with `submenu` its settings submenu); resolves with the
  // window shown last and the time its texts were drawn from.
  const openMenu = async ({ submenu = false } = {}) => {
    const known = await desktop.mappedWindows();
    const since = Date.now();
    await click([WINDOW.menuButton.x, WINDOW.menuButton.y]);
    const menu = await desktop.waitForNewWindow(known);
    if (!submenu) return { menu, since };
    const subSince = Date.now();
    await desktop.xdotool('key', 'Down', 'Right');
    const sub = await desktop.waitForNewWindow([...known, menu]);
    await sleep(300);
    return { menu: sub, since: subSince };
  };

  test('before the engine is ready, tab strip, toolbar and shortcuts do nothing; then they work', async () => {
    browser = await startBrowser(desktop, { knobs: 'hold-creation' });
    channel = await browser.connect();
    window = await browser.mainWindow();
    await channel.waitForCall((c) => c.method === 'HoldCreation', { what: 'the creation held' });
    const before = channel.lastSequence();
    const shown = await desktop.mappedWindows();

    await desktop.key(window, 'ctrl+t', 'F5', 'ctrl+l', 'ctrl+1', 'alt+Home', 'ctrl+w');
    await click(strip(0).newTab);
    await click(TOOLBAR.back);
    await click(TOOLBAR.home);
    await click(TOOLBAR.pageInfo);
    await click([WINDOW.menuButton.x, WINDOW.menuButton.y]);
    await sleep(800);
    assert.deepEqual(await desktop.mappedWindows(), shown, 'no menu and no dialog opened');
    await desktop.screenshot(window, artifact('window', 'before-ready.png'));
    assert.deepEqual(channel.callsAfter(before).map((c) => `${c.object} ${c.method}`), []);
    assert.equal(browser.exitCode, null, 'Ctrl+W without tabs leaves the window open');
    assert.equal(await desktop.windowName(window), 'Vesko Browser');

    assert.deepEqual(await channel.send('releaseEnvironment'), { released: 1 });
    const first = await eventually(async () => {
      const list = await views(channel);
      return list.length === 1 && list[0].source === PORTAL && !list[0].loading ? list[0].name : undefined;
    }, { timeoutMs: 40000, what: 'the portal in the first tab' });
    await browser.waitForStatus('Faqja u ngarkua.');

    await desktop.key(window, 'ctrl+t');
    const second = await eventually(async () => (await names()).find((n) => n !== first), { what: 'a second tab' });
    await loaded(second, PORTAL);
    assert.equal(await front(), second);
    await desktop.screenshot(window, artifact('window', 'ready-two-tabs.png'));
  });

  test('the menu lists its items, greys reopen while nothing was closed, and Escape runs nothing', async () => {
    const before = channel.lastSequence();
    const count = (await names()).length;
    const { menu, since } = await openMenu();
    await sleep(300);
    const shot = await desktop.screenshot(menu, artifact('window', 'menu.png'));
    assert.deepEqual(menuTexts(browser, since), [
      'Cilësimet · Zoom 100%', 'Skedë e re', 'Ctrl+T', 'Rihap skedën e mbyllur', 'Ctrl+Shift+T', 'Printo', 'Ctrl+P',
      'Shkarkimet', 'Ruaj diagnostikën…',
    ]);
    const rowArea = (rect) => ({ x: rect.left, y: rect.top, width: 100, height: rect.bottom - rect.top });
    assert.ok(await Desktop.darkPixels(shot, rowArea(menuRow(browser, since, 'Skedë e re'))) > 20, 'an enabled item is black');
    assert.equal(await Desktop.darkPixels(shot, rowArea(menuRow(browser, since, 'Rihap skedën e mbyllur'))), 0,
      'the reopen item is greyed');

    await desktop.xdotool('key', 'Escape');
    await eventually(async () => !(await desktop.mappedWindows()).includes(menu), { what: 'the menu gone' });
    await sleep(800);
    assert.deepEqual(channel.callsAfter(before, (c) => !c.method.startsWith('get_')).map((c) => c.method), []);
    assert.equal((await names()).length, count);
  });

  test('the settings submenu marks the zoom and the warning, and its items zoom and toggle', async () => {
    const view = await front();
    let { menu, since } = await openMenu({ submenu: true });
    let shot = await desktop.screenshot(menu, artifact('window', 'settings-100.png'));
    // (The main menu redraws its highlighted title meanwhile.)
    assert.deepEqual(menuTexts(browser, since).filter((t) => !t.startsWith('Cilësimet')), [
      'Zmadho', 'Ctrl +', 'Zvogëlo', 'Ctrl −', 'Rivendos 100%', 'Ctrl+0', '50%', '75%', '90%', '100%', '110%', '125%',
      '150%', '175%', '200%', 'Paralajmëro për punën e paruajtur',
    ]);
    const checkArea = (text) => {
      const rect = menuRow(browser, since, text);
      return { x: 2, y: rect.top, width: 16, height: rect.bottom - rect.top };
    };
    assert.ok(await Desktop.darkPixels(shot, checkArea('100%')) > 5, '100% is checked');
    assert.equal(await Desktop.darkPixels(shot, checkArea('125%')), 0, '125% is not');
    assert.ok(await Desktop.darkPixels(shot, checkArea('Paralajmëro për punën e paruajtur')) > 5, 'the warning is on');

    // From "Zmadho" down past two items and four presets to 125%.
    let before = channel.lastSequence();
    let statusSince = Date.now();
    await desktop.xdotool('key', '--delay', '60', ...Array(8).fill('Down'), 'Return');
    await channel.waitForCall((c) => c.method === 'put_ZoomFactor' && c.detail === '1.250000', { after: before });
    await browser.waitForStatus('Zoom: 125%', { since: statusSince });
    assert.equal((await views(channel)).find((v) => v.name === view).zoom, 1.25);

    ({ menu, since } = await openMenu({ submenu: true }));
    shot = await desktop.screenshot(menu, artifact('window', 'settings-125.png'));
    assert.ok(menuTexts(browser, since - 1000).includes('Cilësimet · Zoom 125%'), 'the submenu title follows the zoom');
    assert.equal(await Desktop.darkPixels(shot, checkArea('100%')), 0, '100% no longer checked');
    assert.ok(await Desktop.darkPixels(shot, checkArea('125%')) > 5, '125% checked');

    // Up from the first item wraps to the last: the close warning, turned off and saved.
    statusSince = Date.now();
    await desktop.xdotool('key', 'Up', 'Return');
    await browser.waitForStatus('Paralajmërimi i mbylljes u çaktivizua.', { since: statusSince });
    assert.deepEqual(preferences(), { warnOnClose: false });
    ({ menu, since } = await openMenu({ submenu: true }));
    shot = await desktop.screenshot(menu, artifact('window', 'settings-warning-off.png'));
    assert.equal(await Desktop.darkPixels(shot, checkArea('Paralajmëro për punën e paruajtur')), 0, 'unchecked');
    statusSince = Date.now();
    await desktop.xdotool('key', 'Up', 'Return');
    await browser.waitForStatus('Paralajmërimi i mbylljes u aktivizua.', { since: statusSince });
    assert.deepEqual(preferences(), { warnOnClose: true });

    before = channel.lastSequence();
    await desktop.key(window, 'ctrl+0');
    await channel.waitForCall((c) => c.method === 'put_ZoomFactor' && c.detail === '1.000000', { after: before });
  });

  test('the new-tab button, clicks and middle clicks on tabs, close glyphs and Ctrl with a digit', async () => {
    let list = await names();
    assert.equal(list.length, 2);
    await click(strip(2).newTab);
    const third = await eventually(async () => (await names()).find((n) => !list.includes(n)), { what: 'a third tab' });
    await loaded(third, PORTAL);
    assert.equal(await front(), third);
    list = await names();

    for (const [key, expected] of [['ctrl+1', 0], ['ctrl+3', 2], ['ctrl+2', 1], ['ctrl+9', 2], ['ctrl+1', 0]]) {
      await desktop.key(window, key);
      await waitFront(list[expected], `${key} to select tab ${expected + 1}`);
    }
    await desktop.key(window, 'ctrl+5');  // beyond the last tab: nothing changes
    await sleep(400);
    assert.equal(await front(), list[0]);
    await desktop.key(window, 'ctrl+Tab');
    await waitFront(list[1], 'Ctrl+Tab to the next tab');
    await desktop.key(window, 'ctrl+shift+Tab', 'ctrl+shift+Tab');
    await waitFront(list[2], 'Ctrl+Shift+Tab twice, round to the last tab');

    const layout = strip(3);
    await click(layout.tabs[0].middle);
    await waitFront(list[0], 'a click to select the first tab');
    await desktop.screenshot(window, artifact('window', 'three-tabs.png'));

    // A middle click closes the tab under the pointer; the selected one stays in front.
    await click(layout.tabs[1].middle, 2);
    await eventually(async () => (await names()).length === 2, { what: 'the middle-clicked tab closed' });
    assert.deepEqual(await names(), [list[0], list[2]]);
    assert.equal(await front(), list[0]);
    // A middle click on the empty strip does nothing.
    await click([900, 24], 2);
    await sleep(500);
    assert.equal((await names()).length, 2);

    await click(strip(2).tabs[1].close);
    await eventually(async () => (await names()).length === 1, { what: 'the tab closed by its glyph' });
    assert.deepEqual(await names(), [list[0]]);
  });

  test('with more tabs than fit, the scroll buttons move the strip', async () => {
    const [first] = await names();
    for (let i = 0; i < 11; i += 1) await desktop.key(window, 'ctrl+t');
    const list = await eventually(async () => {
      const all = await views(channel);
      return all.length === 12 && all.every((v) => !v.loading) ? all.map((v) => v.name) : undefined;
    }, { timeoutMs: 40000, what: 'twelve loaded tabs' });
    assert.equal(list[0], first);
    assert.equal(await front(), list[11]);
    await desktop.screenshot(window, artifact('window', 'twelve-tabs.png'));

    // The last tab in front pushed the strip on by one: its first slot shows the second tab.
    let layout = strip(12, 1);
    await click(layout.tabs[0].middle);
    await waitFront(list[1], 'the first slot to hold the second tab');
    await click(SCROLL_LEFT);
    await click(strip(12, 0).tabs[0].middle);
    await waitFront(list[0], 'after scrolling left, the first tab');
    layout = strip(12, 0);
    await click(layout.scrollRight);
    await click(layout.tabs[0].middle);
    await waitFront(list[1], 'after scrolling right, the second tab again');
    await desktop.screenshot(window, artifact('window', 'twelve-tabs-scrolled.png'));

    await click(strip(12, 1).newTab);
    await eventually(async () => (await names()).length === 13, { what: 'a thirteenth tab from the new-tab button' });
    for (let i = 0; i < 12; i += 1) await desktop.key(window, 'ctrl+w');
    await eventually(async () => (await names()).length === 1, { what: 'one tab left' });
  });

  test('the toolbar buttons go back, forward, reload and home', async () => {
    const view = await front();
    await loaded(view, (await views(channel)).find((v) => v.name === view).source);
    await channel.send('click', { view, text: 'Harta' });
    await loaded(view, page('/harta.html'));

    let before = channel.lastSequence();
    await click(TOOLBAR.back);
    await channel.waitForCall((c) => c.object === view && c.method === 'GoBack', { after: before });
    await loaded(view, PORTAL);
    before = channel.lastSequence();
    await click(TOOLBAR.forward);
    await channel.waitForCall((c) => c.object === view && c.method === 'GoForward', { after: before });
    await loaded(view, page('/harta.html'));

    before = channel.lastSequence();
    await click(TOOLBAR.reload);
    await channel.waitForCall((c) => c.object === view && c.method === 'Reload', { after: before });
    await loaded(view, page('/harta.html'));

    before = channel.lastSequence();
    await click(TOOLBAR.home);
    await channel.waitForCall((c) => c.object === view && c.method === 'Navigate' && c.detail === PORTAL,
      { after: before });
    await loaded(view, PORTAL);
  });

  test('the address field goes on Enter and puts the tab\'s address back on Escape', async () => {
    const view = await front();
    const target = page('/ndertesat.html');
    let before = channel.lastSequence();
    // A click puts the caret in the field; Ctrl+L selects its whole text.
    await click(ADDRESS_FIELD);
    await desktop.xdotool('key', 'ctrl+l');
    await desktop.xdotool('type', '--delay', '15', target);
    await desktop.xdotool('key', 'Return');
    await channel.waitForCall((c) => c.object === view && c.method === 'Navigate' && c.detail === target,
      { after: before });
    await loaded(view, target);

    // Typed over, then Escape: nothing is opened, and the field holds the tab's address
    // again (Ctrl+L and Enter open exactly that).
    before = channel.lastSequence();
    await click(ADDRESS_FIELD);
    await desktop.xdotool('key', 'ctrl+l');
    await desktop.xdotool('type', '--delay', '15', page('/forma.html'));
    await desktop.xdotool('key', 'Escape');
    await sleep(500);
    assert.deepEqual(channel.callsAfter(before, (c) => c.method === 'Navigate'), []);
    await desktop.xdotool('key', 'ctrl+l', 'Return');
    const navigation = await channel.waitForCall((c) => c.object === view && c.method === 'Navigate', { after: before });
    assert.equal(navigation.detail, target);
    await loaded(view, target);
  });

  test('the information dialog opens from the toolbar and closes with its button or its close box', async () => {
    for (const close of ['Return', 'alt+F4']) {
      const since = Date.now();
      await click(TOOLBAR.pageInfo);
      const dialog = await desktop.waitForWindow(DIALOG);
      await sleep(300);
      if (close === 'Return') await desktop.screenshot(dialog, artifact('window', 'page-info.png'));
      const drawn = browser.texts.filter((t) => t.time >= since).map((t) => t.text);
      assert.ok(drawn.includes('Informacion për faqen'));
      assert.ok(drawn.includes('Mbyll'));
      await desktop.key(dialog, close);
      await desktop.waitForNoWindow(DIALOG);
    }
    assert.equal(browser.exitCode, null);
  });

  test('closing the window with unsaved input asks once: "Jo" and the close box keep it, a ticked box turns the warning off', async () => {
    const view = await front();
    assert.equal((await channel.send('input', { view })).posted, true);
    await eventually(() => browser.texts.some((t) => t.text.startsWith('• ')), { what: 'the dirty mark' });
    const question = 'Ka skeda me ndryshime. Të mbyllet Vesko Browser? Puna e paruajtur mund të humbasë.';

    // "Jo" is the default button; alt+F4 is the close box (Wine's task dialog leaves
    // Escape without a Cancel button unanswered, so the close box is the way to cancel).
    for (const answer of [['Return'], ['alt+F4']]) {
      const since = Date.now();
      await click([WINDOW.closeButton.x, WINDOW.closeButton.y]);
      const dialog = await desktop.waitForWindow(DIALOG);
      await sleep(300);
      const drawn = browser.texts.filter((t) => t.time >= since).map((t) => t.text);
      assert.ok(drawn.includes('Punë e paruajtur') && drawn.includes(question), 'the window\'s question');
      if (answer[0] === 'Return') await desktop.screenshot(dialog, artifact('window', 'close-warning.png'));
      await desktop.key(dialog, ...answer);
      await desktop.waitForNoWindow(DIALOG);
      await sleep(300);
      assert.equal(browser.exitCode, null, `${answer} keeps the window`);
    }

    // Tab, Tab: from "Jo" past the explanation's toggle to "Mos e shfaq më"; Space ticks
    // it; Enter answers "Jo". The window stays and the warning is off for good.
    await click([WINDOW.closeButton.x, WINDOW.closeButton.y]);
    const dialog = await desktop.waitForWindow(DIALOG);
    await desktop.key(dialog, 'Tab', 'Tab', 'space', 'Return');
    await desktop.waitForNoWindow(DIALOG);
    await sleep(300);
    assert.equal(browser.exitCode, null);
    assert.deepEqual(preferences(), { warnOnClose: false });
    assert.equal(readFileSync(join(dataFolder(), 'preferences.json'), 'utf8'), '{\n  "warnOnClose": false\n}\n');

    // Now the window closes without a question.
    await click([WINDOW.closeButton.x, WINDOW.closeButton.y]);
    assert.equal(await browser.waitForExit(), 0);
  });
});

describe('closing the window with unsaved input and "Po"', () => {
  let desktop;
  let browser;

  before(async () => {
    desktop = await openSession();
  });
  afterEach(async () => {
    await browser?.stop();
    await endPrefixProcesses();
  });
  after(async () => {
    await closeSession(desktop);
  });

  test('"Po" closes the window with its dirty tabs, asking once', async () => {
    let channel;
    ({ browser, channel } = await startOnPortal(desktop));
    const window = await browser.mainWindow();
    const first = (await visibleView(channel)).name;
    await desktop.key(window, 'ctrl+t');
    const second = await eventually(async () => (await views(channel)).find((v) => v.name !== first && !v.loading),
      { what: 'a second tab' });
    for (const view of [first, second.name]) assert.equal((await channel.send('input', { view })).posted, true);

    await desktop.click(window, WINDOW.closeButton.x, WINDOW.closeButton.y);
    const dialog = await desktop.waitForWindow(DIALOG);
    await desktop.key(dialog, 'shift+Tab', 'Return');  // from "Jo" back to "Po"
    // One answer for both dirty tabs: a second question would keep the program running.
    assert.equal(await browser.waitForExit(), 0);
  });
});
