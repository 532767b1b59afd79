// The runtime probe page in headless Chromium, at the addresses `vesko-policy` gives: the
// verdict it posts must follow the engine switches the program starts the engine with,
// its WebSocket must reach the listener exactly when the resolver rules let loopback
// names resolve, and WebRTC must find nothing to gather once the document script ran.

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { randomBytes } from 'node:crypto';
import { createServer } from 'node:net';
import { after, test } from 'node:test';

import { POLICY_TOOL, launch, response } from './lib/harness.mjs';

const nonce = randomBytes(16).toString('hex');
const [index, cors, mixed] = execFileSync(POLICY_TOOL, ['--probe-addresses', nonce]).toString('utf8').split('\n');

// The program's own listener: it never answers, it only counts who arrived.
const connections = [];
const listener = createServer((socket) => { connections.push(socket); socket.on('error', () => {}); });
await new Promise((resolve) => listener.listen(0, '127.0.0.1', resolve));
after(() => { for (const socket of connections) socket.destroy(); listener.close(); });
const page = execFileSync(POLICY_TOOL, ['--probe-page', nonce, String(listener.address().port)]).toString('utf8');

const BOTH = ['--disable-web-security', '--allow-running-insecure-content'];
// Only the portal resolves; and a rule that keeps the test offline but lets loopback
// names resolve, as they would on a machine without the rules.
const CONFINED = '--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE portal.kordis.example';
const OPEN = '--host-resolver-rules=MAP *.example ~NOTFOUND';
const RUNS = [
  { flags: [...BOTH, CONFINED], cors: true, mixed: true },
  { flags: [...BOTH, CONFINED], answer: 'not the nonce', cors: false, mixed: true },
  { flags: ['--allow-running-insecure-content', CONFINED], cors: false, mixed: true },
  { flags: ['--disable-web-security', CONFINED], cors: true, mixed: false },
  { flags: [...BOTH, OPEN], cors: true, mixed: true, reached: true },
  { flags: [...BOTH, CONFINED], cors: true, mixed: true, bareDocument: true, webrtc: false },
];

for (const run of RUNS) {
  const webrtc = run.webrtc ?? true;
  const name = `${run.flags.join(' ')}${run.answer ? ', a wrong answer' : ''}${run.bareDocument ? ', no document script' : ''}`;
  test(`${name}: cors ${run.cors}, mixed ${run.mixed}, webrtc ${webrtc}, reached ${!!run.reached}`, async () => {
    const browser = await launch(run.flags);
    for (const socket of connections.splice(0)) socket.destroy();
    try {
      const tab = await browser.open(run.bareDocument ? { script: null } : {});
      tab.route(index, response(page));
      tab.route(cors, response(run.answer ?? nonce, 'text/plain; charset=utf-8'));
      tab.route(mixed, response('window.__veskoMixed();', 'text/javascript; charset=utf-8'));
      const started = Date.now();
      await tab.goto(index, { waitLoad: false });
      const verdict = await tab.until(() => tab.messages.find((m) => m.message.type === 'vesko-probe'));
      assert.deepEqual(verdict,
        { source: index, top: true, message: { type: 'vesko-probe', nonce, cors: run.cors, mixed: run.mixed, webrtc } });
      // It reports as soon as every check has settled, not at its 8 s limit.
      assert.ok(Date.now() - started < 6000, `verdict after ${Date.now() - started} ms`);
      assert.equal(connections.length > 0, !!run.reached);
      // A blocked plain-http script is never even requested.
      assert.equal(tab.requests.some((r) => r.url === mixed), run.mixed);
    } finally {
      await browser.close();
    }
  });
}
