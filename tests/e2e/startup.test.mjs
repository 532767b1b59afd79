// Start-up end to end: the loader check, the engine check page, the portal, its CDN
// libraries answered from the built-in pack, foreign requests refused, and the
// diagnostics report saved from the menu through the save dialog.

import assert from 'node:assert/strict';
import { existsSync, mkdirSync, readFileSync, readdirSync, rmSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';

import { dataFolder, windowsPath } from './lib/browser.mjs';
import { Desktop } from './lib/desktop.mjs';
import {
  PORTAL, WINDOW, artifact, chooseSaveDiagnostics, closeSession, eventually, openSession, startOnPortal, views,
  visibleView,
} from './lib/session.mjs';

const PORTAL_TITLE = 'KORDIS · Regjistri i ndërtesave';
const CDN_LIBRARIES = [
  'https://cdn.jsdelivr.net/npm/bootstrap@5.3.3/dist/css/bootstrap.min.css',
  'https://cdnjs.cloudflare.com/ajax/libs/font-awesome/6.7.2/css/all.min.css',
  'https://fonts.googleapis.com/css2?family=Roboto:wght@400;700&display=swap',
  'https://code.jquery.com/jquery-3.7.1.min.js',
  'https://cdn.jsdelivr.net/npm/bootstrap@5.3.3/dist/js/bootstrap.bundle.min.js',
];
const BLOCKED_BODY = 'VESKO: kerkesa u bllokua.';

const header = (result, name) => result.headers.find(([n]) => n.toLowerCase() === name.toLowerCase())?.[1];
const body = (result) => Buffer.from(result.bodyBase64, 'base64');

describe('start-up on the demo portal', () => {
  let desktop;
  let browser;
  let channel;
  let view;

  before(async () => {
    desktop = await openSession();
    ({ browser, channel } = await startOnPortal(desktop));
    view = await visibleView(channel);
  });
  after(async () => {
    await browser?.stop();
    await closeSession(desktop);
  });

  test('the engine check runs first, then the first tab opens the portal', async () => {
    const calls = channel.calls;
    const index = (match) => calls.findIndex(match);
    const version = index((c) => c.method === 'GetAvailableCoreWebView2BrowserVersionString');
    const created = index((c) => c.method === 'CreateCoreWebView2EnvironmentWithOptions');
    const controller = index((c) => c.method === 'CreateCoreWebView2ControllerWithOptions');
    const probe = index((c) => c.method === 'Navigate' && /\/__vesko_internal_probe__\/[0-9a-f]{32}\/index$/.test(c.detail));
    const portal = index((c) => c.method === 'Navigate' && c.detail === PORTAL);
    assert.ok(version >= 0 && version < created, 'the runtime is asked for before the environment');
    assert.match(calls[created].detail, /\\VESKO\\Browser-Kiosk\\UserData$/);
    assert.match(calls[controller].detail, / profile=Profile1$/);
    assert.ok(controller < probe && probe < portal, 'the check page comes before the portal');
    assert.equal(calls[probe].detail.slice(0, PORTAL.length), PORTAL);

    // The engine was started with the switches the portal needs, in Albanian.
    const environment = JSON.parse(readFileSync(join(dataFolder(), 'UserData', 'standin-environment.json'), 'utf8'));
    assert.equal(environment.additionalBrowserArguments, '--disable-web-security --allow-running-insecure-content');
    assert.equal(environment.language, 'sq-AL');
    assert.deepEqual(environment.environmentVariables, {});

    // The check page's two test requests were answered by the browser itself, and its
    // verdict (a page message) was read before the portal was opened.
    const nonce = calls[probe].detail.match(/[0-9a-f]{32}/)[0];
    const { resources } = await channel.send('resources', { view: view.name });
    const checks = resources.filter((r) => r.uri.includes(nonce)).map((r) => [r.uri, r.kind, r.answeredByHost, r.status]);
    assert.deepEqual(checks, [
      [`http://probe.vesko.example/__vesko_internal_probe__/${nonce}/mixed.js`, 'script', true, 200],
      [`https://probe.vesko.example/__vesko_internal_probe__/${nonce}/cors`, 'fetch', true, 200],
    ]);
    const verdict = index((c) => c.method === 'get_WebMessageAsJson');
    assert.ok(probe < verdict && verdict < portal, 'the verdict arrives between the check page and the portal');
    await browser.waitForStatus('Faqja u ngarkua.');

    assert.equal(view.title, PORTAL_TITLE);
    assert.deepEqual(view.bounds, WINDOW.viewBounds);
    const window = await browser.mainWindow();
    assert.equal(await desktop.windowName(window), 'KORDIS — Vesko Browser');
    // The stand-in's view paints the page's title and address; the frame its tab.
    assert.ok(browser.texts.some((t) => t.text === PORTAL_TITLE), 'the page title was drawn');

    const shot = await desktop.screenshot(window, artifact('startup', 'portal.png'));
    assert.equal(await Desktop.pixel(shot, 400, 20), '#e8edf5', 'tab strip band');
    assert.equal(await Desktop.pixel(shot, 1236, 50), '#ffffff', 'toolbar band');
    assert.equal(await Desktop.pixel(shot, 600, 500), '#ffffff', 'the view below the toolbar');
    assert.equal(await Desktop.pixel(shot, 600, 845), '#eff3f4', 'status band');
  });

  test('the portal\'s CDN libraries are answered from the pack, its own files by the site', async () => {
    const { resources } = await channel.send('resources', { view: view.name });
    const page = resources.filter((r) => r.kind !== 'document' && !r.uri.includes('__vesko_internal_probe__'));
    for (const url of CDN_LIBRARIES) {
      const answer = page.find((r) => r.uri === url);
      assert.ok(answer, `${url} was requested`);
      assert.equal(answer.raised, true, url);
      assert.equal(answer.answeredByHost, true, `${url} answered by the browser`);
      assert.equal(answer.status, 200, url);
    }
    for (const own of ['https://portal.kordis.example/css/portal.css', 'https://portal.kordis.example/js/portal.js']) {
      const answer = page.find((r) => r.uri === own);
      assert.equal(answer.raised, true, own);
      assert.equal(answer.answeredByHost, false, `${own} is left to the site`);
      assert.equal(answer.status, 200, own);
    }

    const jquery = await channel.send('request', { view: view.name, url: CDN_LIBRARIES[3], kind: 'script' });
    assert.equal(jquery.status, 200);
    assert.equal(jquery.answeredByHost, true);
    assert.match(header(jquery, 'Content-Type'), /javascript/);
    assert.equal(Number(header(jquery, 'Content-Length')), jquery.bodyLength);
    assert.equal(header(jquery, 'Cache-Control'), 'no-store');
    assert.equal(header(jquery, 'X-Content-Type-Options'), 'nosniff');
    assert.equal(header(jquery, 'Access-Control-Allow-Origin'), '*');
    assert.match(body(jquery).subarray(0, 40).toString('latin1'), /jQuery v3\.7\.1/);
  });

  test('foreign sub-resources are refused with 403 and recorded', async () => {
    const cases = [
      { url: 'https://tracker.example/t.js', kind: 'script', method: 'GET' },
      { url: 'https://images.example.net/a.png', kind: 'image', method: 'GET' },
      { url: 'https://api.example.com/save', kind: 'xmlhttprequest', method: 'POST' },
    ];
    for (const c of cases) {
      const before = channel.lastSequence();
      const answer = await channel.send('request', { view: view.name, ...c });
      assert.equal(answer.status, 403, c.url);
      assert.equal(answer.answeredByHost, true, c.url);
      assert.equal(body(answer).toString('utf8'), BLOCKED_BODY, c.url);
      assert.equal(header(answer, 'Content-Type'), 'text/plain; charset=utf-8', c.url);
      assert.equal(header(answer, 'Access-Control-Allow-Origin'), undefined, c.url);
      await channel.waitForCall((call) => call.method === 'put_Response' && call.detail === '403 Blocked, 25 bytes',
        { after: before, what: `the 403 answer to ${c.url}` });
    }
  });

  test('the diagnostics report is saved from the menu, then completed with the page\'s own report', async () => {
    const window = await browser.mainWindow();
    const reports = artifact('startup', 'reports');
    rmSync(reports, { recursive: true, force: true });
    mkdirSync(reports, { recursive: true });
    const target = join(reports, 'diagnostika.json');

    const since = Date.now();
    const before = channel.lastSequence();
    const dialog = await chooseSaveDiagnostics(desktop, window, artifact('startup', 'menu.png'));
    await desktop.screenshot(dialog, artifact('startup', 'save-report-dialog.png'));
    await desktop.type(dialog, windowsPath(target));
    await desktop.key(dialog, 'Return');
    await desktop.waitForNoWindow('^Save As$');

    await browser.waitForStatus(
      'Diagnostika u ruajt. Nuk përfshin fjalëkalime, formularë ose adresa të faqeve të hapura.', { since });
    await channel.waitForCall((c) => c.object === view.name && c.method === 'ExecuteScript', { after: before });
    const report = await eventually(() => {
      if (!existsSync(target)) return undefined;
      const parsed = JSON.parse(readFileSync(target, 'utf8'));
      return 'portalDiagnostics' in parsed ? parsed : undefined;
    }, { what: 'the completed report' });
    const text = readFileSync(target, 'utf8');
    assert.ok(text.endsWith('}\n'), 'one final line feed');
    assert.ok(text.startsWith('{\n  "product": "vesko-browser",\n'), 'indent of 2');
    assert.deepEqual(Object.keys(report), ['product', 'version', 'capturedAt', 'runtime', 'arguments',
      'runtimeProbePassed', 'assetCount', 'rules', 'tabs', 'portalDiagnostics']);
    assert.equal(report.runtime, '120.0.2210.91');
    assert.equal(report.runtimeProbePassed, true);
    assert.ok(Math.abs(report.capturedAt - since) < 60000);
    assert.equal(report.tabs.length, 1);
    const [tab] = report.tabs;
    assert.deepEqual(Object.keys(tab), ['profile', 'localAssets', 'dirty', 'loading', 'ajaxBusy', 'blockedRequests']);

    // Counted: every request the pack answered for this tab (the page's libraries and
    // the one asked for above), nothing else.
    const { resources } = await channel.send('resources', { view: view.name });
    const fromPack = resources.filter((r) => r.answeredByHost && r.status === 200 &&
      !r.uri.includes('__vesko_internal_probe__'));
    assert.equal(tab.localAssets, fromPack.length);
    assert.equal(tab.localAssets, CDN_LIBRARIES.length + 1);
    assert.deepEqual(tab.blockedRequests, [
      { host: 'tracker.example', kind: 'script', method: 'GET' },
      { host: 'images.example.net', kind: 'image', method: 'GET' },
      { host: 'api.example.com', kind: 'xmlhttprequest', method: 'POST' },
    ]);
    // The start page's own diagnostic hook answers from its one document.
    assert.deepEqual(report.portalDiagnostics, [{ depth: 0, index: 0, readyState: 'complete' }]);
    assert.equal(readdirSync(reports).length, 1, 'no temporary file is left');
  });

  test('the control channel listens on loopback only and refuses malformed lines', async () => {
    const hexPort = browser.port.toString(16).toUpperCase().padStart(4, '0');
    const listening = readFileSync('/proc/net/tcp', 'utf8').split('\n')
      .map((line) => line.trim().split(/\s+/))
      .filter((f) => f[1]?.endsWith(`:${hexPort}`) && f[3] === '0A');
    assert.deepEqual(listening.map((f) => f[1]), [`0100007F:${hexPort}`]);
    const tcp6 = existsSync('/proc/net/tcp6') ? readFileSync('/proc/net/tcp6', 'utf8') : '';
    assert.ok(!tcp6.split('\n').some((l) => l.includes(`:${hexPort} `) && l.includes(' 0A ')), 'no IPv6 listener');

    channel.sendRaw('this is not json\n');
    assert.equal((await channel.strayLine()).error, 'BAD_JSON');
    channel.sendRaw('{"cmd":"views","everything":true}\n');
    assert.equal((await channel.strayLine()).error, 'BAD_REQUEST');
    assert.equal((await views(channel)).length, 1, 'the channel still serves');
  });
});
