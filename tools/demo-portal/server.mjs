// The demo portal's answers: site/ files and the query routes of routes.json. Tests call
// demoPortalAnswer() from their Fetch handler; run directly, it serves the site on
// loopback for a look in a browser:  node tools/demo-portal/server.mjs [PORT]

import { readFileSync } from 'node:fs';
import { createServer } from 'node:http';
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
  const route = routes[`${method} ${pathWithQuery}`];
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

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const port = Number(process.argv[2] ?? 8080);
  createServer((request, reply) => {
    const answer = demoPortalAnswer(request.method, request.url);
    reply.writeHead(answer.status, answer.headers);
    reply.end(request.method === 'HEAD' ? undefined : answer.body);
  }).listen(port, '127.0.0.1', () => console.log(`demo portal on http://127.0.0.1:${port}/`));
}
