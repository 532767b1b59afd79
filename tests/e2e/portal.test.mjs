// The program on the demo portal, one browser for the whole file: start-up through the
// engine check to the portal with its CDN libraries from the built-in pack, the guard on
// foreign links, pop-ups as tabs, and a download saved through Wine's save dialog.

import assert from 'node:assert/strict';
import { existsSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';

import { Desktop } from './lib/desktop.mjs';
import {
  PORTAL, artifact, closeSession, freshFolder, loaded, openSession, page, paths, startOnPortal, views, visibleView,
  windowsPath,
} from './lib/browser.mjs';

const CDN_LIBRARIES = [
  'https://cdn.jsdelivr.net/npm/bootstrap@5.3.3/dist/css/bootstrap.min.css',
  'https://cdnjs.cloudflare.com/ajax/libs/font-awesome/6.7.2/css/all.min.css',
  'https://fonts.googleapis.com/css2?family=Roboto:wght@400;700&display=swap',
  'https://code.jquery.com/jquery-3.7.1.min.js',
  'https://cdn.jsdelivr.net/npm/bootstrap@5.3.3/dist/js/bootstrap.bundle.min.js',
];

describe('the program on the demo portal', () => {
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

  test('start-up: the engine check passes before the portal opens, its CDN libraries come from the pack', async () => {
    const at = (match) => channel.calls.findIndex(match);
    const order = [
      at((c) => c.method === 'GetAvailableCoreWebView2BrowserVersionString'),
      at((c) => c.method === 'CreateCoreWebView2EnvironmentWithOptions'),
      at((c) => c.method === 'CreateCoreWebView2ControllerWithOptions'),
      at((c) => c.method === 'Navigate' && c.detail.includes('/__vesko_internal_probe__/')),
      at((c) => c.method === 'get_WebMessageAsJson'),  // the check page's verdict
      at((c) => c.method === 'Navigate' && c.detail === PORTAL),
    ];
    assert.deepEqual([...order].sort((a, b) => a - b), order);
    assert.ok(order[0] >= 0);
    // The check page's two test requests were answered by the browser itself.
    const { resources } = await channel.send('resources', { view: first });
    const answered = (uri) => resources.filter((r) => r.uri.includes(uri)).map((r) => [r.answeredByHost, r.status]);
    assert.deepEqual(answered('/__vesko_internal_probe__/'), [[true, 200], [true, 200]]);
    // The verdict stays its ten seconds while the portal loads behind it.
    await browser.waitForStatus('Parametrat u verifikuan. Local Assets është aktiv.');
    await loaded(channel, first, PORTAL);
    assert.equal(await desktop.windowName(window), 'KORDIS — Vesko Browser');
    assert.deepEqual((await visibleView(channel)).bounds, [0, 88, 1280, 823]);

    for (const url of CDN_LIBRARIES) assert.deepEqual(answered(url), [[true, 200]], url);
    assert.deepEqual(answered('https://portal.kordis.example/css/portal.css'), [[false, 200]], 'left to the site');
    const jquery = await channel.send('request', { view: first, url: CDN_LIBRARIES[3], kind: 'script' });
    assert.match(Buffer.from(jquery.bodyBase64, 'base64').subarray(0, 40).toString('latin1'), /jQuery v3\.7\.1/);

    const shot = await desktop.screenshot(window, artifact('portal', 'start.png'));
    assert.equal(await Desktop.pixel(shot, [600, 500]), '#ffffff', 'the view below the toolbar');
  });

  test('a link to a foreign site is cancelled and the status line says why', async () => {
    const since = Date.now();
    const before = channel.lastSequence();
    assert.equal((await channel.send('click', { view: first, text: 'Standardet energjetike (faqe e jashtme)' })).action,
      'navigate');
    await channel.waitForCall((c) => c.object === `${first}.navigationStarting` && c.method === 'put_Cancel' &&
      c.detail === 'true', { after: before, what: 'the cancelled navigation' });
    await browser.waitForStatus('Vesko hap vetëm portal.kordis.example.', { since });
    await loaded(channel, first, PORTAL);
  });

  test('a pop-up opens as a tab in the background, in front with Shift held', async () => {
    const opened = await channel.send('click', { view: first, text: 'Ndihma (dritare e re)' });
    assert.equal(opened.newWindow.engineWindow, false, 'the engine opened no window of its own');
    await loaded(channel, opened.newWindow.newWindow, page('/ndihme.html'));
    assert.equal((await visibleView(channel)).name, first, 'the opener stays in front');

    // The key's state as Windows reports it, so it is held on the X display.
    await desktop.xdotool('windowfocus', '--sync', window);
    await desktop.xdotool('keydown', 'shift');
    const inFront = await channel.send('openWindow', { view: first, url: page('/ndihme.html') })
      .finally(() => desktop.xdotool('keyup', 'shift'));
    await loaded(channel, inFront.newWindow.newWindow, page('/ndihme.html'));
    assert.equal((await visibleView(channel)).name, inFront.newWindow.newWindow);
    assert.equal((await views(channel)).length, 3);
  });

  test('a portal download asks where to save, and the file arrives where the user typed', async () => {
    const target = join(freshFolder('portal', 'saved'), 'zonat-e-ndertesave.csv');
    const download = channel.send('click', { view: first, text: 'Shkarko raportin e zonave (CSV)' });
    const dialog = await desktop.waitForWindow('^Save As$');
    await desktop.screenshot(dialog, artifact('portal', 'save-dialog.png'));
    assert.equal(existsSync(target), false, 'nothing is written while the dialog is open');
    await desktop.type(dialog, windowsPath(target));
    await desktop.key(dialog, 'Return');
    assert.deepEqual((await download).download, {
      cancelled: false, handled: false, deferred: true, resultPath: windowsPath(target), written: true,
    });
    assert.deepEqual(readFileSync(target), readFileSync(join(paths.portalSite, 'shkarko/raporti-zonave.csv')));
  });
});
