// The real program on the stand-in's Chromium backend: Debian's headless Chromium performs
// the pages, the demo portal answers over HTTPS on loopback, and real clicks and typing
// reach the pages through the program's view.

import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';

import { startDemoPortal } from '../../tools/demo-portal/server.mjs';
import { Desktop } from './lib/desktop.mjs';
import {
  PORTAL, artifact, closeSession, eventually, loaded, openSession, startOnPortal, views, visibleView,
} from './lib/browser.mjs';

const ZONES_PATH = '/index.php?mbeshtjelljetCRUD/get_zones&ndertesa=12';

// Points of the demo portal's pages in the window (the view starts at y 88), as Chromium
// lays them out with the portal's own style sheet.
const POINTS = {
  buildingLink: [208, 381],     // "Shkolla "Naim Frashëri" (ndërtesa 12)" on the start page
  showZonesButton: [100, 295],  // "Shfaq zonat" on building 12
  formLink: [261, 113],         // "Regjistro ndërtesë" in the portal's header
  nameField: [152, 260],        // "Emri i ndërtesës" on the form
  homeLink: [54, 113],          // "Kreu" in the portal's header
  downloadLink: [191, 430],     // "Shkarko raportin e zonave (CSV)" on the start page
  // The form page inside the frame of "Regjistrim i shpejtë": its own header and field,
  // moved by the frame's place in the page.
  framedBuildingsLink: [170, 267],  // "Ndërtesat" in the framed header
  framedNameField: [160, 410],      // "Emri i ndërtesës" in the frame
};
const DIALOG = '^Vesko Browser$';
const CLOSE_TAB_QUESTION = 'Kjo skedë përmban ndryshime. Mbyllja mund të humbasë punën e paruajtur. Të mbyllet?';
const HEADER = { x: 450, y: 92, width: 500, height: 40 };  // inside the green header, right of its links
const RELOAD_OR_STOP = [103, 64];  // the toolbar's third button

describe('the Chromium backend', () => {
  let desktop;
  let portal;
  let browser;
  let channel;
  let window;
  let view;
  const served = [];

  before(async () => {
    desktop = await openSession();
    portal = await startDemoPortal({
      tls: true,
      onRequest: (method, path) => served.push(`${method} ${path}`),
      // Two pages that answer late, for navigations that overlap.
      delays: { '/ndertesa-7.html': 4000, '/ndertesa-31.html': 8000 },
    });
    ({ browser, channel, window, view } = await startOnPortal(desktop, { env: {
      VESKO_STANDIN_BACKEND: 'chromium',
      VESKO_STANDIN_RESOLVE: `MAP portal.kordis.example 127.0.0.1:${portal.port}`,
    } }));
  });
  after(async () => {
    await browser?.stop();
    await closeSession(desktop);
    await portal?.close();
  });

  // A page takes input only once it has been drawn, and a slow machine draws late: a click
  // that leads to `url` waits for it and a new frame.
  const follow = async (point, url) => {
    const frames = async () => (await views(channel)).find((v) => v.name === view).framesPainted;
    const before = await frames();
    await desktop.click(window, point);
    await loaded(channel, view, url);
    await eventually(async () => (await frames()) > before, { what: `a frame of ${url}` });
    await sleep(300);
  };

  test('the engine check passes in Chromium, then the portal from the loopback server and the pack', async () => {
    const at = (match) => channel.calls.findIndex(match);
    const probe = at((c) => c.method === 'Navigate' && c.detail.includes('/__vesko_internal_probe__/'));
    const verdict = at((c) => c.method === 'get_WebMessageAsJson');
    assert.ok(probe >= 0 && probe < verdict && verdict < at((c) => c.method === 'Navigate' && c.detail === PORTAL));
    assert.ok(served.includes('GET /'), 'the start page was fetched from the network');
    assert.ok(!served.some((line) => line.includes('__vesko_internal_probe__')), 'the check page never left the engine');
    const { resources } = await channel.send('resources', { view });
    const bootstrap = resources.find((r) => r.uri.endsWith('/bootstrap@5.3.3/dist/css/bootstrap.min.css'));
    assert.deepEqual([bootstrap?.answeredByHost, bootstrap?.status], [true, 200]);
    // The view shows Chromium's frames (JPEG: colours compared with some tolerance): the
    // portal's green header where the outline painting would leave white.
    await eventually(async () => {
      const path = await desktop.screenshot(window, artifact('chromium', 'portal.png'));
      return (await Desktop.colourPixels(path, HEADER, '#176c63')) > 0.9 * 500 * 40;
    }, { what: 'the portal painted in the view' });
  });

  test('real input: a click follows a link, a button\'s answer reaches the status line, typing marks the tab', async () => {
    await follow(POINTS.buildingLink, `${PORTAL}ndertesa-12.html`);
    const clicked = Date.now();
    await desktop.click(window, POINTS.showZonesButton);
    await browser.waitForStatus(/^Serveri ktheu 3 zona\./, { since: clicked });
    assert.ok(served.includes(`GET ${ZONES_PATH}`));

    await follow(POINTS.formLink, `${PORTAL}forma.html`);
    await desktop.click(window, POINTS.nameField);
    const typed = Date.now();
    await desktop.type(window, 'Shkolla e re');
    await eventually(() => browser.texts.some((t) => t.time >= typed && t.text.startsWith('• KORDIS · Regjistro')),
      { what: 'the dirty mark on the tab' });
  });

  test('a link to a file opens the save dialog, and the window does not call it a failed page', async () => {
    await follow(POINTS.homeLink, `${PORTAL}index.html`);
    const clicked = Date.now();
    await desktop.click(window, POINTS.downloadLink);
    const dialog = await desktop.waitForWindow('^Save As$');
    // The engine ends the link's navigation as aborted just before the download; the
    // failed-load text that brings must not stay.
    await eventually(() => browser.statusTexts(clicked).length > 0 &&
      !browser.statusTexts(clicked).at(-1).startsWith('Faqja nuk u ngarkua'), { what: 'no failed-load text' });
    await desktop.key(dialog, 'Escape');
    await desktop.waitForNoWindow('^Save As$');
    assert.equal((await visibleView(channel)).source, `${PORTAL}index.html`);
  });

  test('a page whose second navigation starts before the first completes stays busy until the second does',
    async () => {
      const since = channel.lastSequence();
      await channel.send('navigate', { view, url: `${PORTAL}ndertesa-7.html` });
      await eventually(() => served.includes('GET /ndertesa-7.html'), { what: 'the first page asked for' });
      // Its answer is still held back when the second one starts.
      await channel.send('navigate', { view, url: `${PORTAL}ndertesa-31.html` });
      await eventually(() => served.includes('GET /ndertesa-31.html'), { what: 'the second page asked for' });
      await channel.waitForCall((c) => c.method === 'get_NavigationId' && c.object.includes('navigationCompleted'),
        { after: since, what: 'the first navigation\'s end reported' });
      // The tab is still busy, so the toolbar's button is Stop.
      const clicked = Date.now();
      await desktop.click(window, RELOAD_OR_STOP);
      await channel.waitForCall((c) => c.method === 'Stop', { after: since, what: 'the load stopped' });
      assert.deepEqual(channel.callsAfter(since, (c) => c.method === 'Reload'), []);
      await browser.waitForStatus('Ngarkimi u ndal.', { since: clicked });
    });

  test('a portal pop-up gets its CDN library from the pack and its foreign image refused', async () => {
    const opened = await channel.send('openWindow', { view, url: `${PORTAL}ndihme.html` });
    const popup = opened.newWindow.newWindow;
    await loaded(channel, popup, `${PORTAL}ndihme.html`);
    const request = (suffix) => eventually(async () => (await channel.send('resources', { view: popup })).resources
      .find((r) => r.uri.endsWith(suffix) && r.done), { what: `the pop-up's request of ${suffix}` });
    const library = await request('/jquery-3.7.1.min.js');
    assert.deepEqual([library.answeredByHost, library.status], [true, 200]);
    const image = await request('partneri.example.org/logo.png');
    assert.deepEqual([image.answeredByHost, image.status], [true, 403]);
  });

  test('a form in a frame: a middle click on its portal link opens a background tab, and typing warns before the tab closes', async () => {
    const framed = `${PORTAL}regjistrim.html`;
    const painted = async () => (await views(channel)).find((v) => v.name === view).framesPainted;
    const before = await painted();
    await channel.send('navigate', { view, url: framed, userInitiated: true });
    await loaded(channel, view, framed);
    await eventually(async () => (await channel.send('frames', { view })).live
      .some((f) => f.name === 'forma' && f.source === `${PORTAL}forma.html`), { what: 'the form\'s frame' });
    await eventually(async () => (await painted()) > before, { what: 'a frame of the framed form' });
    await sleep(500);
    await desktop.screenshot(window, artifact('chromium', 'framed-form.png'));

    await desktop.click(window, POINTS.framedBuildingsLink, 2);
    const opened = await eventually(async () => (await views(channel))
      .find((v) => v.name !== view && v.source === `${PORTAL}ndertesat.html`), { what: 'the background tab' });
    assert.equal(opened.visible, false);
    assert.equal((await visibleView(channel)).name, view);

    await desktop.click(window, POINTS.framedNameField);
    const typed = Date.now();
    await desktop.type(window, 'Shkolla e re');
    await eventually(() => browser.texts.some((t) => t.time >= typed && t.text.startsWith('• KORDIS · Regjistrim')),
      { what: 'the dirty mark on the tab' });

    let since = Date.now();
    await desktop.key(window, 'ctrl+w');
    let dialog = await desktop.waitForWindow(DIALOG);
    assert.ok(browser.drawnSince(since).includes(CLOSE_TAB_QUESTION));
    await desktop.key(dialog, 'Return');  // "Jo", the default answer
    await desktop.waitForNoWindow(DIALOG);
    await sleep(300);
    assert.equal((await visibleView(channel)).name, view, '"Jo" keeps the tab');

    since = Date.now();
    await desktop.key(window, 'ctrl+w');
    dialog = await desktop.waitForWindow(DIALOG);
    await desktop.key(dialog, 'shift+Tab', 'Return');  // from "Jo" back to "Po"
    await eventually(async () => !(await views(channel)).some((v) => v.name === view), { what: 'the tab closed' });
    // Another tab of the session (the background one, or an earlier scenario's pop-up) is in front.
    assert.ok((await visibleView(channel))?.name, 'a remaining tab is in front');
  });
});
