// The runtime probe page in headless Chromium, at the addresses `vesko-policy` gives: the
// verdict it posts must follow the two engine switches the program starts the engine with.

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { randomBytes } from 'node:crypto';
import { test } from 'node:test';

import { POLICY_TOOL, launch, response } from './lib/harness.mjs';

const nonce = randomBytes(16).toString('hex');
const page = execFileSync(POLICY_TOOL, ['--probe-page', nonce]).toString('utf8');
const [index, cors, mixed] = execFileSync(POLICY_TOOL, ['--probe-addresses', nonce]).toString('utf8').split('\n');

const BOTH = ['--disable-web-security', '--allow-running-insecure-content'];
const RUNS = [
  { flags: BOTH, cors: true, mixed: true },
  { flags: BOTH, answer: 'not the nonce', cors: false, mixed: true },
  { flags: ['--allow-running-insecure-content'], cors: false, mixed: true },
  { flags: ['--disable-web-security'], cors: true, mixed: false },
];

for (const run of RUNS) {
  test(`${run.flags.join(' ')}${run.answer ? ', a wrong answer' : ''}: cors ${run.cors}, mixed ${run.mixed}`, async () => {
    const browser = await launch(run.flags);
    try {
      const tab = await browser.open();
      tab.route(index, response(page));
      tab.route(cors, response(run.answer ?? nonce, 'text/plain; charset=utf-8'));
      tab.route(mixed, response('window.__veskoMixed();', 'text/javascript; charset=utf-8'));
      const started = Date.now();
      await tab.goto(index, { waitLoad: false });
      const verdict = await tab.until(() => tab.messages.find((m) => m.message.type === 'vesko-probe'));
      assert.deepEqual(verdict, { source: index, top: true, message: { type: 'vesko-probe', nonce, cors: run.cors, mixed: run.mixed } });
      // It reports as soon as both checks have settled, not at its 8 s limit.
      assert.ok(Date.now() - started < 6000, `verdict after ${Date.now() - started} ms`);
      // A blocked plain-http script is never even requested.
      assert.equal(tab.requests.some((r) => r.url === mixed), run.mixed);
    } finally {
      await browser.close();
    }
  });
}
