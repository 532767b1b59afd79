// What pages ask for, end to end: foreign links and frames, pop-ups in the background and
// (with Shift held) in front, middle clicks, the unsaved-input warning and reopening a
// closed tab. Pages act through the channel; keys and clicks are real X input.

import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import {
  PORTAL, loaded as loadedIn, artifact, closeSession, eventually, openSession, startOnPortal, views, visibleView,
} from './lib/session.mjs';

const page = (path) => new URL(path, PORTAL).href;
const FOREIGN_REFUSED = 'Vesko hap vetëm portal.kordis.example.';

describe('navigation guards, pop-ups and tabs', () => {
  let desktop;
  let browser;
  let channel;
  let window;
  let first;

  before(async () => {
    desktop = await openSession();
    ({ browser, channel } = await startOnPortal(desktop));
    window = await browser.mainWindow();
    first = (await visibleView(channel)).name;
  });
  after(async () => {
    await browser?.stop();
    await closeSession(desktop);
  });

  const loaded = (view, url) => loadedIn(channel, view, url);

  test('a link to a foreign site is cancelled and the status line says why', async () => {
    const since = Date.now();
    const before = channel.lastSequence();
    const click = await channel.send('click', { view: first, text: 'Standardet energjetike (faqe e jashtme)' });
    assert.equal(click.action, 'navigate');
    await channel.waitForCall((c) => c.object === `${first}.navigationStarting` && c.method === 'put_Cancel' &&
      c.detail === 'true', { after: before, what: 'the cancelled navigation' });
    await browser.waitForStatus(FOREIGN_REFUSED, { since });
    const view = await loaded(first, PORTAL);
    assert.equal(view.title, 'KORDIS · Regjistri i ndërtesave');
    await desktop.screenshot(window, artifact('navigation', 'foreign-link-refused.png'));
  });

  test('a frame from a foreign site is cancelled without a word, the page loads', async () => {
    const since = Date.now();
    const before = channel.lastSequence();
    await channel.send('click', { view: first, text: 'Harta' });
    await loaded(first, page('/harta.html'));
    const { frames } = await channel.send('frames', { view: first });
    assert.deepEqual(frames, [{ uri: 'https://harta.example.net/embed?qendra=41.33,19.82', depth: 1, cancelled: true }]);
    assert.equal(channel.callsAfter(before, (c) => c.object === `${first}.frame.navigationStarting` &&
      c.method === 'put_Cancel' && c.detail === 'true').length, 1);
    await browser.waitForStatus('Faqja u ngarkua.', { since });
    assert.ok(!browser.statusTexts(since).some((t) => t.startsWith('Vesko hap')), 'no refusal text for a frame');
    await desktop.screenshot(window, artifact('navigation', 'foreign-frame-cancelled.png'));

    await channel.send('click', { view: first, text: 'Kreu' });
    await loaded(first, page('/index.html'));
  });

  test('a pop-up opens as a tab in the background', async () => {
    const opened = await channel.send('click', { view: first, text: 'Ndihma (dritare e re)' });
    assert.equal(opened.action, 'newWindow');
    assert.equal(opened.newWindow.handled, true);
    assert.equal(opened.newWindow.engineWindow, false, 'the engine opened no window of its own');
    const popup = opened.newWindow.newWindow;
    assert.ok(popup, 'the request got a view of the browser');
    await loaded(popup, page('/ndihme.html'));
    assert.equal((await visibleView(channel)).name, first, 'the opener stays in front');
    assert.equal((await views(channel)).length, 2);
    await desktop.screenshot(window, artifact('navigation', 'popup-background.png'));
  });

  test('with Shift held, a pop-up comes to the front', async () => {
    await desktop.keyDown(window, 'shift');
    let opened;
    try {
      opened = await channel.send('openWindow', { view: first, url: page('/ndihme.html') });
    } finally {
      await desktop.keyUp('shift');
    }
    const popup = opened.newWindow.newWindow;
    await loaded(popup, page('/ndihme.html'));
    assert.equal((await visibleView(channel)).name, popup);
    assert.equal(await desktop.windowName(window), 'KORDIS — Vesko Browser');
    await desktop.screenshot(window, artifact('navigation', 'popup-front-with-shift.png'));
    // Back to the first tab with Ctrl+1, which also puts its page title in the caption.
    await desktop.key(window, 'ctrl+1');
    await eventually(async () => (await visibleView(channel))?.name === first, { what: 'the first tab in front' });
    assert.equal(await desktop.windowName(window), 'KORDIS · Regjistri i ndërtesave — Vesko Browser');
  });

  test('a middle click on a portal link opens it in a background tab', async () => {
    const before = (await views(channel)).map((v) => v.name);
    const click = await channel.send('click', { view: first, text: 'Lista e ndërtesave', button: 'middle' });
    assert.equal(click.action, 'message');
    assert.deepEqual(click.message, { type: 'vesk-open-background', url: page('/ndertesat.html') });
    const added = await eventually(async () => (await views(channel)).find((v) => !before.includes(v.name)),
      { what: 'a new tab' });
    await loaded(added.name, page('/ndertesat.html'));
    assert.equal((await visibleView(channel)).name, first);
    await desktop.screenshot(window, artifact('navigation', 'middle-click-background.png'));
  });

  test('a page\'s permission requests are all denied', async () => {
    for (const kind of ['camera', 'microphone', 'geolocation', 'notifications']) {
      assert.equal((await channel.send('permission', { view: first, kind })).state, 'deny', kind);
    }
  });

  test('a shortcut pressed inside a page is the browser\'s, other keys stay the page\'s', async () => {
    assert.equal((await channel.send('key', { view: first, key: 'A', ctrl: true })).handled, false);
    const before = channel.lastSequence();
    const count = (await views(channel)).length;
    assert.equal((await channel.send('key', { view: first, key: 'T', ctrl: true })).handled, true);
    const opened = await eventually(async () => {
      const list = await views(channel);
      return list.length === count + 1 ? list[list.length - 1] : undefined;
    }, { what: 'the tab Ctrl+T opened' });
    await loaded(opened.name, PORTAL);
    assert.equal((await visibleView(channel)).name, opened.name);
    assert.equal(channel.callsAfter(before, (c) => c.object === opened.name && c.method === 'Navigate').length, 1);
    // And Ctrl+W from inside that page closes it again.
    assert.equal((await channel.send('key', { view: opened.name, key: 'W', ctrl: true })).handled, true);
    await eventually(async () => (await views(channel)).length === count, { what: 'the tab closed again' });
    await desktop.key(window, 'ctrl+1');
    await eventually(async () => (await visibleView(channel))?.name === first, { what: 'the first tab in front' });
  });

  test('closing a tab with unsaved input asks first; "Jo" keeps it, "Po" closes it', async () => {
    assert.equal((await channel.send('input', { view: first })).posted, true);
    // The dirty tab is marked in the strip.
    await eventually(() => browser.texts.some((t) => t.text === '• KORDIS · Regjistri i ndërtesave'),
      { what: 'the dirty mark on the tab' });
    const count = (await views(channel)).length;

    await desktop.key(window, 'ctrl+w');
    let dialog = await desktop.waitForWindow('^Vesko Browser$');
    await desktop.screenshot(dialog, artifact('navigation', 'close-warning.png'));
    assert.ok(browser.texts.some((t) => t.text === 'Punë e paruajtur'), 'the warning\'s heading was drawn');
    await desktop.key(dialog, 'Return');  // the default answer is "Jo"
    await desktop.waitForNoWindow('^Vesko Browser$');
    assert.equal((await views(channel)).length, count, 'the tab stayed');

    const before = channel.lastSequence();
    await desktop.key(window, 'ctrl+w');
    dialog = await desktop.waitForWindow('^Vesko Browser$');
    await desktop.key(dialog, 'shift+Tab', 'Return');  // from "Jo" back to "Po"
    await desktop.waitForNoWindow('^Vesko Browser$');
    await channel.waitForCall((c) => c.object === first.replace('view', 'controller') && c.method === 'Close',
      { after: before, what: 'the closed tab\'s view' });
    assert.equal((await views(channel)).length, count - 1);
  });

  test('a closed portal tab is reopened with Ctrl+Shift+T', async () => {
    const before = channel.lastSequence();
    const names = (await views(channel)).map((v) => v.name);
    await desktop.key(window, 'ctrl+shift+t');
    const reopened = await eventually(async () => (await views(channel)).find((v) => !names.includes(v.name)),
      { what: 'the reopened tab' });
    await loaded(reopened.name, page('/index.html'));
    assert.ok(channel.callsAfter(before, (c) => c.object === reopened.name && c.method === 'Navigate' &&
      c.detail === page('/index.html')).length === 1);
    assert.equal((await visibleView(channel)).name, reopened.name, 'reopened in front');
    await desktop.screenshot(window, artifact('navigation', 'reopened-tab.png'));
  });
});
