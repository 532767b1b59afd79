// A hostile page on the portal's own host, on the stand-in's Chromium backend: what it may
// try to leave the kiosk with, through the engine's own features. Its page is served from
// tests/e2e/hostile/ under a path the demo portal has only for this file.

import assert from 'node:assert/strict';
import { fileURLToPath } from 'node:url';
import { after, before, describe, test } from 'node:test';

import { startDemoPortal } from '../../tools/demo-portal/server.mjs';
import { closeSession, eventually, loaded, openSession, page, startOnPortal } from './lib/browser.mjs';

const HOSTILE = page('/__hostile__/index.html');
// The page's targets in the window (the view starts at y 88); see hostile/index.html.
const POINTS = { mailLink: [60, 88 + 285], customLink: [60, 88 + 335] };

describe('a hostile page', () => {
  let desktop;
  let portal;
  let browser;
  let channel;
  let window;
  let view;

  before(async () => {
    desktop = await openSession();
    portal = await startDemoPortal({
      tls: true, extra: { '/__hostile__/': fileURLToPath(new URL('./hostile', import.meta.url)) },
    });
    ({ browser, channel, window, view } = await startOnPortal(desktop, { env: {
      VESKO_STANDIN_BACKEND: 'chromium',
      VESKO_STANDIN_RESOLVE: `MAP portal.kordis.example 127.0.0.1:${portal.port}`,
    } }));
    await channel.send('navigate', { view, url: HOSTILE });
    await loaded(channel, view, HOSTILE);
  });
  after(async () => {
    await browser?.stop();
    await closeSession(desktop);
    await portal?.close();
  });

  test('a real right-click shows only editing and history items, and no menu where none is left', async () => {
    const cases = [
      { target: 'page', remaining: 'back forward reload', shown: true },
      { target: 'link', remaining: '', shown: false },
      { target: 'image', remaining: '', shown: false },
      { target: 'selection', remaining: 'copy', shown: true },
    ];
    for (const c of cases) {
      const menu = await channel.send('contextMenu', { view, target: c.target });
      assert.ok(menu.offered.includes('inspectElement'), `${c.target}: the engine's own items were offered`);
      assert.deepEqual({ remaining: menu.remaining, shown: menu.shown }, { remaining: c.remaining, shown: c.shown },
        c.target);
    }
  });

  test('links to mailto: and a custom scheme are refused before anything starts', async () => {
    for (const [point, scheme] of [[POINTS.mailLink, 'mailto'], [POINTS.customLink, 'kordis-app']]) {
      const start = channel.lastSequence();
      await desktop.click(window, point);
      await channel.waitForCall((c) => c.method === 'put_Cancel' && c.object.endsWith('.launchingExternalUriScheme'),
        { after: start, what: `the ${scheme}: launch refused` });
      await eventually(async () => (await channel.send('views')).views.find((v) => v.name === view).source === HOSTILE);
    }
    assert.deepEqual(channel.callsAfter(0, (c) => c.method === 'LaunchExternalProgram'), []);
  });
});
