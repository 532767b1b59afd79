// The frame by keyboard alone, with real keys (xdotool) into the real program: F6 from
// the page into the tab strip, an arrow to another tab, Delete closes it, F10 opens the
// three-dots menu with its first item selected, and Escape gives the keyboard back to the
// page. Each step's picture is kept under the build folder's artifacts.

import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { PORTAL, artifact, closeSession, eventually, loaded, openSession, startOnPortal, views } from './lib/browser.mjs';
import { Desktop } from './lib/desktop.mjs';

// The focus mark: two pixels of #306FCF inside the focused tab's rectangle. With two tabs
// at 96 dpi the first spans x 45 to 280, the second 283 to 518, both y 5 to 42.
const MARK = '#306FCF';
const markAt = (path, left) => Desktop.colourPixels(path, { x: left, y: 5, width: 2, height: 37 }, MARK, 2);
const PAGE = [640, 420];

describe('the frame by keyboard alone', () => {
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
  const keys = (...pressed) => desktop.xdotool('key', '--delay', '80', ...pressed);

  test('F6, an arrow and Delete close another tab; F10 opens the menu; Escape returns to the page', async () => {
    await desktop.key(window, 'ctrl+t');
    const second = await eventually(async () => (await names()).find((n) => n !== first), { what: 'a second tab' });
    await loaded(channel, second, PORTAL);
    await desktop.click(window, PAGE);

    const before = channel.lastSequence();
    await keys('F6');
    const strip = await eventually(async () => {
      const shot = await desktop.screenshot(window, artifact('keyboard', 'f6-tab-strip.png'));
      return (await markAt(shot, 283)) >= 70 ? shot : null;
    }, { what: 'the focus mark on the selected tab' });
    assert.equal(await markAt(strip, 45), 0, 'only the focused tab is marked');
    // The engine was told nothing: the key never reached the page.
    assert.equal(channel.calls.filter((c) => c.sequence > before && c.method === 'MoveFocus').length, 0);

    await keys('Left');
    await eventually(async () => (await markAt(await desktop.screenshot(window, artifact('keyboard', 'left.png')), 45)) >= 70,
      { what: 'the focus mark on the first tab' });
    await keys('Delete');
    await eventually(async () => (await names()).join() === second, { what: 'the first tab closed' });

    const known = await desktop.windows('');
    await keys('F10');
    await desktop.waitForNewWindow(known);
    await desktop.screenshot('root', artifact('keyboard', 'f10-menu.png'));
    await keys('Escape');
    await eventually(async () => (await desktop.windows('')).length <= known.length, { what: 'the menu closed' });

    const beforeEscape = channel.lastSequence();
    await keys('Escape');
    await channel.waitForCall((c) => c.method === 'MoveFocus' && c.detail === '0',
      { after: beforeEscape, what: 'the focus given back to the page' });
    const back = await desktop.screenshot(window, artifact('keyboard', 'escape-page.png'));
    assert.equal(await markAt(back, 45), 0, 'no focus mark once the page has the keyboard');
  });
});
