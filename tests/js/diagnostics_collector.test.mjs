// The diagnostics report's collector, run in a portal page with the document script: one
// snapshot from every window where the portal's hook answers, at most 30 frames of each
// window, windows of another origin skipped without ending the walk.

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';

import { launch } from './lib/chromium.mjs';
import { PORTAL, PortalPage, response } from './lib/page-harness.mjs';

const COLLECTOR = execFileSync(join(process.env.VESKO_BINARY_DIR, 'tools', 'page-script', 'vesko-page-script'),
  ['collector']).toString('utf8');
const FOREIGN = 'https://maps.example';

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser?.close(); });

const page = (body) => response(`<!doctype html><meta charset=utf-8><title>Faqe</title>${body}`);

// A top page with `count` frames; the indexes in `portal` are portal frames, the others
// come from another origin.
async function openWithFrames(count, portal, nested = '') {
  const p = await PortalPage.open(browser);
  const frames = [];
  for (let i = 0; i < count; i++) {
    const url = portal.includes(i) ? `${PORTAL}/korniza/${i}` : `${FOREIGN}/harta/${i}`;
    p.route(url, page(portal.includes(i) ? nested : '<p>harta</p>'));
    frames.push(`<iframe src="${url}" width=10 height=10></iframe>`);
  }
  p.route(`${PORTAL}/ndertesa`, page(frames.join('')));
  await p.goto(`${PORTAL}/ndertesa`);
  return p;
}

async function collect(p) {
  return JSON.parse(await p.evaluate(`JSON.stringify(${COLLECTOR})`));
}

describe('diagnostics collector', { timeout: 60000 }, () => {
  test('the hook answers in the top document and in portal frames among the first 30', async () => {
    const within = await openWithFrames(40, [3, 20]);
    assert.equal((await collect(within)).length, 3);
    const beyond = await openWithFrames(40, [3, 35]);
    assert.equal((await collect(beyond)).length, 2);
  });

  test('frames of frames are visited, and a foreign window does not end the walk', async () => {
    const nested = `<iframe src="${FOREIGN}/x" width=5 height=5></iframe><iframe src="${PORTAL}/thelle" width=5 height=5></iframe>`;
    const p = await PortalPage.open(browser);
    p.route(`${FOREIGN}/x`, page('<p>x</p>'));
    p.route(`${PORTAL}/thelle`, page('<p>thelle</p>'));
    p.route(`${PORTAL}/korniza`, page(nested));
    p.route(`${FOREIGN}/harta`, page('<p>harta</p>'));
    p.route(`${PORTAL}/ndertesa`, page(
      `<iframe src="${FOREIGN}/harta"></iframe><iframe src="${PORTAL}/korniza"></iframe>`));
    await p.goto(`${PORTAL}/ndertesa`);
    const snapshots = await collect(p);
    // Top, the portal frame and its own portal frame.
    assert.equal(snapshots.length, 3);
    for (const snapshot of snapshots) assert.equal(typeof snapshot, 'object');
  });

  test('a page without frames gives the top document only', async () => {
    const p = await openWithFrames(0, []);
    assert.equal((await collect(p)).length, 1);
  });
});
