// The real program on the stand-in's Chromium backend: Debian's headless Chromium performs
// the pages, the demo portal answers over HTTPS on loopback, and the page scripts drive the
// window for real, through real clicks and typing.

import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';

import { startDemoPortal } from '../../tools/demo-portal/server.mjs';
import { Desktop } from './lib/desktop.mjs';
import {
  PORTAL, artifact, closeSession, eventually, loaded, openSession, startBrowser, startOnPortal, views, visibleView,
} from './lib/session.mjs';

const PORTAL_TITLE = 'KORDIS · Regjistri i ndërtesave';
const PORTAL_GREEN = '#176c63';
const ZONES_PATH = '/index.php?mbeshtjelljetCRUD/get_zones&ndertesa=12';

// Points of the demo portal's pages in the window at 1280 by 850 (the view starts at y 88),
// as Chromium lays them out with the portal's own style sheet.
const POINTS = {
  buildingLink: { x: 208, y: 381 },       // "Shkolla "Naim Frashëri" (ndërtesa 12)" on the start page
  showZonesButton: { x: 100, y: 295 },    // "Shfaq zonat" on building 12
  formLink: { x: 261, y: 113 },           // "Regjistro ndërtesë" in the portal's header
  nameField: { x: 152, y: 260 },          // "Emri i ndërtesës" on the form
  homeLink: { x: 54, y: 113 },            // "Kreu" in the portal's header
  downloadLink: { x: 191, y: 430 },       // "Shkarko raportin e zonave (CSV)" on the start page
  header: { x: 450, y: 92, width: 500, height: 40 },  // inside the portal's green header, right of its links
};

// Frames the view has painted so far; a page takes input only once it has been drawn,
// and a slow machine draws late, so clicks on a new page wait for a frame of it.
async function framesOf(channel, name) {
  return (await views(channel)).find((v) => v.name === name)?.framesPainted ?? 0;
}

async function paintedSince(channel, name, before) {
  await eventually(async () => (await framesOf(channel, name)) > before, { what: `a new frame of ${name}` });
  await sleep(300);
}

describe('the Chromium backend', () => {
  let desktop;
  let portal;
  const served = [];

  const environment = () => ({
    VESKO_STANDIN_BACKEND: 'chromium',
    VESKO_STANDIN_RESOLVE: `MAP portal.kordis.example 127.0.0.1:${portal.port}`,
  });

  before(async () => {
    desktop = await openSession();
    portal = await startDemoPortal({
      tls: true,
      onRequest: (method, path) => served.push(`${method} ${path}`),
      // The zone answer takes a while, so the spinner is there to be seen on a slow machine.
      delays: { [ZONES_PATH]: 2000 },
    });
  });
  after(async () => {
    await closeSession(desktop);
    await portal?.close();
  });

  describe('with both switches', () => {
    let browser;
    let channel;
    let view;
    let window;

    before(async () => {
      ({ browser, channel } = await startOnPortal(desktop, { env: environment() }));
      window = await browser.mainWindow();
      view = await visibleView(channel);
    });
    after(async () => {
      await browser?.stop();
    });

    test('the engine check passes in Chromium and the portal comes from the loopback server', async () => {
      // The check page ran in Chromium and its verdict, a page message, came before the portal.
      const calls = channel.calls;
      const probe = calls.findIndex((c) => c.method === 'Navigate' && c.detail.includes('/__vesko_internal_probe__/'));
      const verdict = calls.findIndex((c) => c.method === 'get_WebMessageAsJson');
      const opened = calls.findIndex((c) => c.method === 'Navigate' && c.detail === PORTAL);
      assert.ok(probe >= 0 && probe < verdict && verdict < opened, 'check page, verdict, portal, in that order');
      await eventually(async () => (await visibleView(channel)).title === PORTAL_TITLE, { what: 'the portal title' });
      assert.ok(served.includes('GET /'), 'the start page was fetched from the network');
      assert.ok(!served.some((line) => line.includes('__vesko_internal_probe__')), 'the check page never left the engine');

      // The portal's CDN libraries were answered from the built-in pack, inside Chromium.
      const { resources } = await channel.send('resources', { view: view.name });
      const bootstrap = resources.find((r) => r.uri.endsWith('/bootstrap@5.3.3/dist/css/bootstrap.min.css'));
      assert.ok(bootstrap, 'the page asked for Bootstrap');
      assert.equal(bootstrap.answeredByHost, true);
      assert.equal(bootstrap.status, 200);

      // The view window shows Chromium's frames: the portal's header colour where the
      // outline painting would leave white.
      // (Frames are JPEG: colours are compared with some tolerance.)
      await eventually(async () => {
        const path = await desktop.screenshot(window, artifact('chromium-portal.png'));
        return (await Desktop.colourPixels(path, POINTS.header, PORTAL_GREEN)) > 0.9 * 500 * 40;
      }, { what: 'the portal painted in the view' });
    });

    test('a click follows a link; the zone button makes the window busy, then shows the answer in the status line', async () => {
      const framesBefore = await framesOf(channel, view.name);
      await desktop.click(window, POINTS.buildingLink.x, POINTS.buildingLink.y);
      await loaded(channel, view.name, `${PORTAL}ndertesa-12.html`);
      await eventually(async () => (await visibleView(channel)).title === 'KORDIS · Shkolla "Naim Frashëri"',
        { what: 'the building page title' });
      await paintedSince(channel, view.name, framesBefore);

      // The page's request makes the window busy until the page is quiet again: the tab's
      // spinner turns and the idle status line reads "Po ngarkohet…" instead of "Gati".
      const quiet = Date.now();
      await browser.waitForStatus('Gati', { since: quiet });
      const clicked = Date.now();
      await desktop.click(window, POINTS.showZonesButton.x, POINTS.showZonesButton.y);
      const since = () => channel.calls.filter((c) => c.method === 'Input' || c.method === 'PagePostedMessage')
        .map((c) => `${c.method} ${c.detail}`).slice(-6).join(' | ');
      await browser.waitForStatus('Po ngarkohet…', { since: clicked }).catch((error) => {
        throw new Error(`${error.message} (${since()})`);
      });
      await desktop.screenshot(window, artifact('chromium-busy.png'));
      await browser.waitForStatus(/^Serveri ktheu 3 zona\./, { since: clicked });
      // Quiet again: once the answer's text has had its time, the line is idle.
      await browser.waitForStatus('Gati', { since: Date.now(), timeoutMs: 30000 });
      await desktop.screenshot(window, artifact('chromium-zones.png'));
      assert.ok(served.includes(`GET ${ZONES_PATH}`));
    });

    test('typing into a form marks the tab as holding unsaved input', async () => {
      const framesBefore = await framesOf(channel, view.name);
      await desktop.click(window, POINTS.formLink.x, POINTS.formLink.y);
      await loaded(channel, view.name, `${PORTAL}forma.html`);
      await paintedSince(channel, view.name, framesBefore);
      await desktop.click(window, POINTS.nameField.x, POINTS.nameField.y);
      const typed = Date.now();
      await desktop.type(window, 'Shkolla e re');
      await eventually(() => browser.texts.some((t) => t.time >= typed && t.text.startsWith('• KORDIS · Regjistro')),
        { what: 'the dirty mark on the tab' });
      await desktop.screenshot(window, artifact('chromium-form.png'));
    });

    test('a link to a file opens the save dialog, and the window does not call it a failed page', async () => {
      const framesBefore = await framesOf(channel, view.name);
      await desktop.click(window, POINTS.homeLink.x, POINTS.homeLink.y);
      await loaded(channel, view.name, `${PORTAL}index.html`);
      await paintedSince(channel, view.name, framesBefore);
      const clicked = Date.now();
      await desktop.click(window, POINTS.downloadLink.x, POINTS.downloadLink.y);
      const dialog = await desktop.waitForWindow('^Save As$');
      // The engine ends the link's navigation as aborted just before the download; the
      // failed-load text that brings must not stay.
      await eventually(() => {
        const texts = browser.statusTexts(clicked);
        return texts.length > 0 && !texts.at(-1).startsWith('Faqja nuk u ngarkua');
      }, { what: 'the status line without the failed-load text' });
      await desktop.key(dialog, 'Escape');
      await desktop.waitForNoWindow('^Save As$');
      assert.equal((await visibleView(channel)).source, `${PORTAL}index.html`);
    });
  });

  // The check must really test the switches: Chromium started without one of them fails
  // it, and the window says which.
  for (const [dropped, verdict] of [
    ['--disable-web-security', /CORS=0, HTTP=1$/],
    ['--allow-running-insecure-content', /CORS=1, HTTP=0$/],
  ]) {
    test(`without ${dropped} the engine check fails and says so`, async () => {
      const browser = await startBrowser(desktop, { env: environment(), knobs: `drop-switch=${dropped}` });
      try {
        await browser.connect();
        const text = await browser.waitForStatus(verdict, { timeoutMs: 40000 });
        assert.match(text, /^Motori nuk kaloi kontrollin e parametrave\./);
      } finally {
        await browser.stop();
      }
    });
  }
});
