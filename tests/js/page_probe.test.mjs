// The runtime probe page in headless Chromium, served the way the browser serves it:
// its exact bytes and addresses from `vesko-policy`, its three answers with the
// program's statuses, media types and header blocks. The verdict it posts must follow
// the two engine switches.

import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { randomBytes } from 'node:crypto';
import { describe, test } from 'node:test';

import { launch } from './lib/chromium.mjs';
import { PortalPage } from './lib/page-harness.mjs';

const POLICY_TOOL = process.env.VESKO_POLICY_TOOL;

const nonce = randomBytes(16).toString('hex');
const page = execFileSync(POLICY_TOOL, ['--probe-page', nonce]);
const [index, cors, mixed, ...rest] = execFileSync(POLICY_TOOL, ['--probe-addresses', nonce])
  .toString('utf8').split('\n');

// The header block the program sends with a synthetic answer, as name/value pairs.
function headerBlock(contentType, length, anyOrigin) {
  let block = `Content-Type: ${contentType}\r\nContent-Length: ${length}\r\n` +
    'Cache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n';
  if (anyOrigin) block += 'Access-Control-Allow-Origin: *\r\n';
  return Object.fromEntries(block.split('\r\n').filter(Boolean).map((line) => {
    const at = line.indexOf(': ');
    return [line.slice(0, at), line.slice(at + 2)];
  }));
}

function answer(body, contentType) {
  const bytes = Buffer.from(body);
  return { status: 200, phrase: 'OK', body: bytes, headers: headerBlock(contentType, bytes.length, false) };
}

describe('probe page and addresses from vesko-policy', () => {
  test('three addresses on the configured hosts, one per line', () => {
    assert.deepEqual(rest, ['']);
    const path = `/__vesko_internal_probe__/${nonce}`;
    assert.match(index, new RegExp(`^https://[a-z0-9.-]+${path}/index$`));
    assert.match(cors, new RegExp(`^https://[a-z0-9.-]+${path}/cors$`));
    assert.match(mixed, new RegExp(`^http://[a-z0-9.-]+${path}/mixed\\.js$`));
    assert.equal(new URL(cors).host, new URL(mixed).host);
    assert.notEqual(new URL(index).host, new URL(cors).host);
  });

  test('the page is printed byte for byte, and only for a well-formed nonce', () => {
    assert.ok(page.subarray(0, 15).equals(Buffer.from('<!doctype html>')));
    assert.ok(page.toString('utf8').endsWith('</script>'), 'nothing added after the page');
    // In the script literal and in the two test addresses, nowhere else.
    const text = page.toString('utf8');
    assert.equal(text.split(nonce).length, 4);
    assert.ok(text.includes(`const n='${nonce}';`));
    assert.ok(text.includes(`s.src='${mixed}';`));
    assert.ok(text.includes(`fetch('${cors}',{cache:'no-store'})`));
    for (const bad of [nonce.toUpperCase(), nonce.slice(1), `${nonce}0`, `${nonce.slice(0, 31)}'`]) {
      for (const option of ['--probe-page', '--probe-addresses']) {
        const run = spawnSync(POLICY_TOOL, [option, bad]);
        assert.equal(run.status, 2, `${option} ${bad}`);
        assert.equal(run.stdout.length, 0);
      }
    }
  });
});

// The switches the program starts the engine with, and what the page must find.
const RUNS = [
  { name: 'both switches', flags: ['--disable-web-security', '--allow-running-insecure-content'],
    cors: true, mixed: true },
  { name: 'web security on', flags: ['--allow-running-insecure-content'], cors: false, mixed: true },
  { name: 'insecure content blocked', flags: ['--disable-web-security'], cors: true, mixed: false },
];

describe('probe verdicts in Chromium', { timeout: 60000 }, () => {
  for (const run of RUNS) {
    test(`${run.name}: cors ${run.cors}, mixed ${run.mixed}`, async () => {
      const browser = await launch(run.flags);
      try {
        const tab = await PortalPage.open(browser);
        tab.route(index, answer(page, 'text/html; charset=utf-8'));
        tab.route(cors, answer(nonce, 'text/plain; charset=utf-8'));
        tab.route(mixed, answer('window.__veskoMixed();', 'text/javascript; charset=utf-8'));
        const started = Date.now();
        await tab.goto(index, { waitLoad: false });
        const verdict = await tab.waitForMessage((m) => m.message.type === 'vesko-probe', 12000);
        assert.deepEqual(verdict.message, { type: 'vesko-probe', nonce, cors: run.cors, mixed: run.mixed });
        assert.equal(verdict.source, index);
        assert.equal(verdict.top, true);
        // The page reports as soon as both checks have settled, not at its 8 s limit.
        assert.ok(Date.now() - started < 6000, `verdict after ${Date.now() - started} ms`);
        const asked = tab.requests.map((r) => r.url);
        assert.ok(asked.includes(cors), 'the cors address was requested');
        // A blocked plain-http script is never even requested.
        assert.equal(asked.includes(mixed), run.mixed);
        assert.equal(await tab.evaluate('document.title'), 'Vesko · kontrolli i motorit');
      } finally {
        await browser.close();
      }
    });
  }
});
