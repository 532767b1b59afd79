// The demo portal's answers: site/ files and the query routes of routes.json. Tests call
// demoPortalAnswer() from their Fetch handler, or startDemoPortal() for a real server;
// run directly, it serves the site on loopback:
//   node tools/demo-portal/server.mjs [PORT] [--tls]
// PORT 0 takes any free port; the one line printed once listening names the real one.
//   node tools/demo-portal/server.mjs --trusted-key
// prints the HTTPS server's key as the browser is told to trust it (demoPortalTrustedKey).

import { execFile } from 'node:child_process';
import { X509Certificate, createHash } from 'node:crypto';
import { mkdirSync, readFileSync, renameSync, rmSync } from 'node:fs';
import { createServer } from 'node:http';
import { createServer as createTlsServer } from 'node:https';
import { tmpdir } from 'node:os';
import { dirname, extname, join, normalize, sep } from 'node:path';
import { fileURLToPath } from 'node:url';

const HERE = dirname(fileURLToPath(import.meta.url));
export const SITE = join(HERE, 'site');
const { routes } = JSON.parse(readFileSync(join(HERE, 'routes.json'), 'utf8'));

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.json': 'application/json; charset=utf-8',
  '.csv': 'text/csv; charset=utf-8',
  '.svg': 'image/svg+xml',
  '.png': 'image/png',
};

function notFound() {
  return { status: 404, headers: { 'Content-Type': 'text/plain; charset=utf-8' }, body: Buffer.from('Nuk u gjet.') };
}

// method and pathWithQuery (e.g. "/index.php?mbeshtjelljetCRUD/get_zones&ndertesa=12")
// to { status, headers, body }.
export function demoPortalAnswer(method, pathWithQuery) {
  // HEAD is GET without the body, for the routes as for the files.
  const route = routes[`${method === 'HEAD' ? 'GET' : method} ${pathWithQuery}`];
  if (route) {
    return {
      status: route.status,
      headers: { 'Content-Type': route.type, ...(route.headers ?? {}) },
      body: readFileSync(join(SITE, route.file)),
    };
  }
  if (method !== 'GET' && method !== 'HEAD') return notFound();
  const path = decodeURIComponent(pathWithQuery.split('?')[0]);
  const file = normalize(join(SITE, path));
  // Nothing outside the site folder, whatever the path says.
  if (!file.startsWith(SITE + sep)) return notFound();
  try {
    const body = readFileSync(file);
    return { status: 200, headers: { 'Content-Type': TYPES[extname(file)] ?? 'application/octet-stream' }, body };
  } catch {
    return notFound();
  }
}

const PORTAL_HOST = 'portal.kordis.example';

// A self-signed certificate for the portal host and loopback, made once per cache folder
// and reused. The browser is told to trust its key (demoPortalTrustedKey), so it only has
// to be a valid one. openssl writes into a private temporary folder that is then renamed into
// place whole: a second process starting at the same time sees the pair complete or not
// at all, and if it loses the race it takes the winner's pair.
async function portalCertificate() {
  const dir = process.env.VESKO_DEMO_CERT_DIR || join(tmpdir(), 'vesko-demo-portal-cert');
  const pair = join(dir, 'pair');
  const read = () => ({ key: readFileSync(join(pair, 'key.pem')), cert: readFileSync(join(pair, 'cert.pem')) });
  try {
    return read();
  } catch (error) {
    if (error.code !== 'ENOENT') throw error;
  }
  mkdirSync(dir, { recursive: true });
  const work = join(dir, `.new-${process.pid}-${Date.now()}`);
  mkdirSync(work);
  try {
    await new Promise((resolve, reject) => {
      execFile('openssl', [
        'req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-days', '30',
        '-subj', `/CN=${PORTAL_HOST}`,
        '-addext', `subjectAltName=DNS:${PORTAL_HOST},DNS:localhost,IP:127.0.0.1`,
        '-keyout', join(work, 'key.pem'), '-out', join(work, 'cert.pem'),
      ], (error, _stdout, stderr) => (error ? reject(new Error(`openssl: ${stderr || error.message}`)) : resolve()));
    });
    try {
      renameSync(work, pair);
    } catch (error) {
      // Another process put its pair in place first.
      if (error.code !== 'ENOTEMPTY' && error.code !== 'EEXIST') throw error;
    }
  } finally {
    rmSync(work, { recursive: true, force: true });
  }
  return read();
}

// The base64 SHA-256 digest of the portal certificate's SubjectPublicKeyInfo, as the
// stand-in's VESKO_STANDIN_TRUSTED_SPKI takes it: the one server key its Chromium trusts.
export async function demoPortalTrustedKey() {
  const spki = new X509Certificate((await portalCertificate()).cert).publicKey.export({ type: 'spki', format: 'der' });
  return createHash('sha256').update(spki).digest('base64');
}

// A file of `folder` for a path under `prefix`, for pages a test serves beside the site.
function extraAnswer(folder, prefix, method, pathWithQuery) {
  if (method !== 'GET' && method !== 'HEAD') return notFound();
  const file = normalize(join(folder, decodeURIComponent(pathWithQuery.split('?')[0].slice(prefix.length))));
  if (!file.startsWith(folder + sep)) return notFound();
  try {
    return { status: 200, headers: { 'Content-Type': TYPES[extname(file)] ?? 'application/octet-stream' }, body: readFileSync(file) };
  } catch {
    return notFound();
  }
}

function answer(request, reply, extra = {}) {
  const prefix = Object.keys(extra).find((start) => request.url.startsWith(start));
  const result = prefix ? extraAnswer(extra[prefix], prefix, request.method, request.url)
    : demoPortalAnswer(request.method, request.url);
  reply.writeHead(result.status, result.headers);
  reply.end(request.method === 'HEAD' ? undefined : result.body);
}

// Serves the demo portal until close(); port 0 takes any free port. onRequest, when given,
// hears of each request (method, path with query) before it is answered; delays holds
// answers back by path with query; extra serves folders of the caller's under path
// prefixes (e.g. { '/__hostile__/': folder }), which the portal itself never has.
export async function startDemoPortal({
  tls = false, port = 0, host = '127.0.0.1', onRequest, delays = {}, extra = {},
} = {}) {
  const handle = (request, reply) => {
    onRequest?.(request.method, request.url);
    // A slow answer, for tests that must see a page wait (path with query -> milliseconds).
    const delay = delays[request.url] ?? 0;
    if (delay > 0) setTimeout(() => answer(request, reply, extra), delay);
    else answer(request, reply, extra);
  };
  const server = tls ? createTlsServer(await portalCertificate(), handle) : createServer(handle);
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, host, () => {
      server.off('error', reject);
      resolve();
    });
  });
  const actual = server.address().port;
  const shownHost = host.includes(':') ? `[${host}]` : host;
  return {
    port: actual,
    url: `${tls ? 'https' : 'http'}://${shownHost}:${actual}/`,
    close: () => new Promise((resolve) => {
      server.close(() => resolve());
      // Keep-alive connections would hold close() open.
      server.closeAllConnections();
    }),
  };
}

if (process.argv[1] === fileURLToPath(import.meta.url) && process.argv[2] === '--trusted-key') {
  console.log(await demoPortalTrustedKey());
} else if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const args = process.argv.slice(2);
  const tls = args.includes('--tls');
  const port = Number(args.find((arg) => arg !== '--tls') ?? 8080);
  if (!Number.isInteger(port) || port < 0 || port > 65535) {
    console.error(`demo portal: not a port: ${args.find((arg) => arg !== '--tls')}`);
    process.exit(2);
  }
  const portal = await startDemoPortal({ tls, port });
  console.log(`demo portal on ${portal.url}`);
  const stop = () => portal.close().then(() => process.exit(0));
  process.once('SIGTERM', stop);
  process.once('SIGINT', stop);
}
