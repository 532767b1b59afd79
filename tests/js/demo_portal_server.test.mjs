// The demo portal served over HTTPS on loopback, as the Chromium backend of the stand-in
// engine reaches it: the answers must be demoPortalAnswer's, byte for byte, and the
// self-signed certificate is made once per cache folder and then reused.
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { request } from 'node:https';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { pathToFileURL } from 'node:url';

const SOURCE = process.env.VESKO_SOURCE_DIR ?? '.';
const { SITE, startDemoPortal } = await import(
  pathToFileURL(join(SOURCE, 'tools', 'demo-portal', 'server.mjs')).href);

const certDir = mkdtempSync(join(tmpdir(), 'vesko-demo-cert-test-'));
process.env.VESKO_DEMO_CERT_DIR = certDir;

function fetchFrom(portal, method, path) {
  return new Promise((resolve, reject) => {
    const req = request({ host: '127.0.0.1', port: portal.port, method, path, rejectUnauthorized: false, agent: false },
      (res) => {
        const chunks = [];
        res.on('data', (chunk) => chunks.push(chunk));
        res.on('end', () => resolve({
          status: res.statusCode, type: res.headers['content-type'], body: Buffer.concat(chunks),
          cert: res.socket.getPeerCertificate?.(),
        }));
      });
    req.on('error', reject);
    req.end();
  });
}

describe('demo portal over HTTPS', { timeout: 20000 }, () => {
  let portal;
  before(async () => { portal = await startDemoPortal({ tls: true }); });
  after(async () => {
    await portal?.close();
    rmSync(certDir, { recursive: true, force: true });
  });

  test('listens on a real port of loopback', () => {
    assert.ok(portal.port > 0);
    assert.equal(portal.url, `https://127.0.0.1:${portal.port}/`);
  });

  const site = (file) => readFileSync(join(SITE, file));
  const cases = [
    ['GET', '/', 200, 'text/html; charset=utf-8', () => site('index.html')],
    ['GET', '/css/portal.css', 200, 'text/css; charset=utf-8', () => site('css/portal.css')],
    ['GET', '/index.php?mbeshtjelljetCRUD/get_zones&ndertesa=12', 200, 'application/json; charset=utf-8',
      () => site('api/zonat-12.json')],
    ['GET', '/index.php?mbeshtjelljetCRUD/get_zones&ndertesa=31', 500, 'text/html; charset=utf-8',
      () => site('api/gabim.html')],
    ['GET', '/mungon.html', 404, 'text/plain; charset=utf-8', null],
    ['GET', '/../routes.json', 404, 'text/plain; charset=utf-8', null],
    ['GET', '/%2e%2e/server.mjs', 404, 'text/plain; charset=utf-8', null],
    ['POST', '/index.html', 404, 'text/plain; charset=utf-8', null],
  ];
  for (const [method, path, status, type, body] of cases) {
    test(`${method} ${path} answers ${status}`, async () => {
      const answer = await fetchFrom(portal, method, path);
      assert.equal(answer.status, status);
      assert.equal(answer.type, type);
      if (body) assert.deepEqual(answer.body, body());
    });
  }

  test('HEAD has the headers of GET and no body', async () => {
    for (const path of ['/', '/ndertesat.html', '/index.php?mbeshtjelljetCRUD/get_zones&ndertesa=31']) {
      const [get, head] = [await fetchFrom(portal, 'GET', path), await fetchFrom(portal, 'HEAD', path)];
      assert.equal(head.status, get.status, path);
      assert.equal(head.type, get.type, path);
      assert.equal(head.body.length, 0, path);
    }
  });

  test('the certificate names the portal host and loopback, and a second start reuses it', async () => {
    const files = ['key.pem', 'cert.pem'].map((name) => readFileSync(join(certDir, 'pair', name)));
    const first = await fetchFrom(portal, 'GET', '/');
    assert.match(first.cert.subjectaltname, /DNS:portal\.kordis\.example/);
    assert.match(first.cert.subjectaltname, /IP Address:127\.0\.0\.1/);

    const second = await startDemoPortal({ tls: true });
    try {
      assert.notEqual(second.port, portal.port);
      const again = await fetchFrom(second, 'GET', '/');
      assert.deepEqual(again.cert.raw, first.cert.raw);
      assert.deepEqual(['key.pem', 'cert.pem'].map((name) => readFileSync(join(certDir, 'pair', name))), files);
    } finally {
      await second.close();
    }
  });
});
