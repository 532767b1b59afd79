// A hostile page on the portal's own host, on the stand-in's Chromium backend: what it may
// try to leave the kiosk with, through the engine's own features. Its page is served from
// tests/e2e/hostile/ under a path the demo portal has only for this file.

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createServer as createTlsServer } from 'node:https';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { after, before, describe, test } from 'node:test';

import { startDemoPortal } from '../../tools/demo-portal/server.mjs';
import {
  Browser, PORTAL, closeSession, eventually, loaded, openSession, page, startOnPortal, views,
} from './lib/browser.mjs';

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
