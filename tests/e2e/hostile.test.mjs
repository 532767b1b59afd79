// A hostile page on the portal's own host, on the stand-in's Chromium backend: what it may
// try to leave the kiosk with, through the engine's own features. Its page is served from
// tests/e2e/hostile/ under a path the demo portal has only for this file.

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createServer as createTlsServer } from 'node:https';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { after, before, describe, test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';

import { startDemoPortal } from '../../tools/demo-portal/server.mjs';
import {
  Browser, PORTAL, closeSession, eventually, loaded, openSession, page, startOnPortal, views,
} from './lib/browser.mjs';

const HOSTILE = page('/__hostile__/index.html');
// The page's targets in the window (the view starts at y 88); see hostile/index.html.
const POINTS = { mailLink: [60, 88 + 285], customLink: [60, 88 + 335], invoiceLink: [60, 88 + 435] };
const FOREIGN = 'evil.example';

// A foreign server on loopback: it answers nothing and only counts who reached it.
async function startForeignServer() {
  const arrived = [];
  const server = createServer((socket) => { arrived.push(socket); socket.on('error', () => {}); });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {
    port: server.address().port,
    arrived,
    close: () => { for (const socket of arrived) socket.destroy(); server.close(); },
  };
}

describe('a hostile page', () => {
  let desktop;
  let portal;
  let browser;
  let channel;
  let window;
  let view;
  let foreign;

  before(async () => {
    desktop = await openSession();
    foreign = await startForeignServer();
    portal = await startDemoPortal({
      tls: true, extra: { '/__hostile__/': fileURLToPath(new URL('./hostile', import.meta.url)) },
    });
    ({ browser, channel, window, view } = await startOnPortal(desktop, { env: {
      VESKO_STANDIN_BACKEND: 'chromium',
      // The foreign host resolves to its server, as a name service would answer, unless
      // the program's own rules stop it.
      VESKO_STANDIN_RESOLVE: `MAP portal.kordis.example 127.0.0.1:${portal.port}, MAP ${FOREIGN} 127.0.0.1:${foreign.port}`,
    } }));
    await channel.send('navigate', { view, url: HOSTILE });
    await loaded(channel, view, HOSTILE);
  });
  after(async () => {
    await browser?.stop();
    await closeSession(desktop);
    await portal?.close();
    foreign?.close();
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

  test('a foreign server hears nothing: no WebSocket, prefetch, preconnect, fetch or image; no pickers, no WebRTC',
    async () => {
      const start = channel.lastSequence();
      await channel.send('navigate', { view, url: `${HOSTILE}?foreign=${FOREIGN}:${foreign.port}` });
      const posted = await channel.waitForCall((c) => c.method === 'PagePostedMessage' && c.detail.includes('"type":"hostile"'),
        { after: start, what: 'the page\'s report' });
      const report = JSON.parse(posted.detail.slice(posted.detail.indexOf(' ') + 1));
      // The sockets to the host's name, its IP address and localhost fail at once; the
      // fetch gets the program's refusal and the image fails; the pickers and WebRTC are
      // not there.
      assert.deepEqual(report, { type: 'hostile', reached: 'error error error error 403 error',
        absent: 'undefined undefined undefined undefined undefined' });
      await sleep(1000);
      assert.equal(foreign.arrived.length, 0, 'connections that reached the foreign server');
      await channel.send('navigate', { view, url: HOSTILE });
      await loaded(channel, view, HOSTILE);
    });

  test('a program named behind a right-to-left override is refused before any dialog', async () => {
    const since = Date.now();
    const start = channel.lastSequence();
    await desktop.click(window, POINTS.invoiceLink);
    await browser.waitForStatus('Shkarkimi u bllokua: ky lloj skedari nuk lejohet.', { since });
    await channel.waitForCall((c) => c.method === 'put_Cancel' && c.object.toLowerCase().includes('download'),
      { after: start, what: 'the download cancelled' });
    assert.deepEqual(await desktop.windows('^Save As$'), []);
  });
});

// The engine check run by the same program with its resolver rules left out, as an engine
// that ignored the switch would run: its WebSocket reaches the program's own listener.
describe('an engine without the resolver rules', () => {
  let desktop;
  let browser;

  before(async () => { desktop = await openSession(); });
  after(async () => {
    await browser?.stop();
    await closeSession(desktop);
  });

  test('fails the engine check with DNS=0 and never opens the portal', async () => {
    browser = await Browser.start(desktop, { knobs: 'drop-switch=--host-resolver-rules', env: {
      VESKO_STANDIN_BACKEND: 'chromium', VESKO_STANDIN_RESOLVE: 'MAP portal.kordis.example 127.0.0.1:9',
    } });
    const channel = await browser.connect();
    await browser.waitForStatus('Motori nuk kaloi kontrollin e parametrave. P\u00EBrdit\u00EBso WebView2 dhe ruaj ' +
      'diagnostik\u00EBn nga menuja. CORS=1, HTTP=1, DNS=0, WebRTC=1', { timeoutMs: 60000 });
    assert.deepEqual(channel.callsAfter(0, (c) => c.method === 'Navigate' && c.detail.startsWith('https://portal.kordis.example/')
      && !c.detail.includes('__vesko_internal_probe__')), []);
  });
});

// A loopback HTTPS server whose self-signed certificate names another host: Chromium
// cannot trust it, and only the program may let a request to it through. It counts TLS
// connections and the requests that reach its handler.
async function untrustedServer() {
  const dir = mkdtempSync(join(tmpdir(), 'vesko-untrusted-'));
  execFileSync('openssl', ['req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-days', '2', '-subj', '/CN=elsewhere.example',
    '-addext', 'subjectAltName=DNS:elsewhere.example', '-keyout', join(dir, 'key.pem'), '-out', join(dir, 'cert.pem')],
  { stdio: 'ignore' });
  const counts = { connections: 0, requests: [] };
  const server = createTlsServer({ key: readFileSync(join(dir, 'key.pem')), cert: readFileSync(join(dir, 'cert.pem')) },
    (request, reply) => {
      counts.requests.push(request.url);
      reply.end('window.served = true;');
    });
  rmSync(dir, { recursive: true, force: true });
  server.on('connection', () => { counts.connections += 1; });
  await new Promise((resolveListen) => server.listen(0, '127.0.0.1', resolveListen));
  return {
    port: server.address().port,
    counts,
    close: () => new Promise((resolveClose) => {
      server.close(() => resolveClose());
      server.closeAllConnections();
    }),
  };
}

describe('a server certificate Chromium cannot trust', () => {
  let desktop;
  let portal;
  let untrusted;
  let browser;

  before(async () => {
    desktop = await openSession();
    portal = await startDemoPortal({
      tls: true, extra: { '/__hostile__/': fileURLToPath(new URL('./hostile', import.meta.url)) },
    });
    untrusted = await untrustedServer();
  });
  after(async () => {
    await browser?.stop();
    await closeSession(desktop);
    await portal?.close();
    await untrusted?.close();
  });

  test('a CDN library on it is cancelled after the handshake, before any request is served', async () => {
    let channel;
    let view;
    ({ browser, channel, view } = await startOnPortal(desktop, { env: {
      VESKO_STANDIN_BACKEND: 'chromium',
      VESKO_STANDIN_RESOLVE: `MAP portal.kordis.example 127.0.0.1:${portal.port}, MAP code.jquery.com 127.0.0.1:${untrusted.port}`,
    } }));
    const unpacked = page('/__hostile__/cdn-pa-pakete.html');
    await channel.send('navigate', { view, url: unpacked });
    await loaded(channel, view, unpacked);
    const { certificateErrors } = await channel.send('certificateErrors', { view });
    assert.deepEqual(certificateErrors, [
      { url: 'https://code.jquery.com/jquery-migrate-3.4.1.min.js', document: false, action: 'cancel' },
    ]);
    assert.ok(untrusted.counts.connections > 0, 'the library was asked of the network');
    assert.deepEqual(untrusted.counts.requests, []);
    await browser.stop();
    browser = undefined;
  });

  test('the portal itself on it fails after the engine check, with the refusal on the status line', async () => {
    // A failed first test leaves its program running, and a second start would only raise it.
    await browser?.stop().catch(() => {});
    browser = await Browser.start(desktop, { env: {
      VESKO_STANDIN_BACKEND: 'chromium',
      VESKO_STANDIN_RESOLVE: `MAP portal.kordis.example 127.0.0.1:${untrusted.port}`,
    } });
    const channel = await browser.connect();
    await browser.waitForStatus('Faqja u bllokua: certifikata e serverit nuk është e vlefshme.', { timeoutMs: 40000 });
    const [tab] = await views(channel);
    const { certificateErrors } = await channel.send('certificateErrors', { view: tab.name });
    // Chromium's own favicon request to the server is refused too; only the document counts here.
    assert.deepEqual(certificateErrors.filter((e) => e.document), [{ url: PORTAL, document: true, action: 'cancel' }]);
    // The engine check ran first: its page and test requests were answered by the program itself.
    const { resources } = await channel.send('resources', { view: tab.name });
    const probes = resources.filter((r) => r.uri.includes('/__vesko_internal_probe__/'));
    assert.ok(probes.length >= 2 && probes.every((r) => r.answeredByHost && r.status === 200), JSON.stringify(probes));
    assert.deepEqual(untrusted.counts.requests, []);
  });
});
