// The diagnostics report's collector and the asset pack's zone diagnostic hook it reads:
// one snapshot from every window where the hook answers, at most 30 frames of each
// window, windows of another origin skipped without ending the walk; a snapshot counts
// the zone requests of its own origin and holds no address.

import assert from 'node:assert/strict';
import { test } from 'node:test';

import { PORTAL, PORTAL_HOST, html, json, pageScript, response, sharedBrowser } from './lib/harness.mjs';

const browser = sharedBrowser();
const COLLECTOR = pageScript('collector');
const FOREIGN = 'https://maps.example';
const frame = (url) => `<iframe src="${url}" width=4 height=4></iframe>`;

test('the collector visits the first 30 frames of every window and passes over foreign ones', async () => {
  const page = await browser.open();
  for (const url of [`${FOREIGN}/x`, `${PORTAL}/leaf`]) page.route(url, html(''));
  page.route(`${PORTAL}/inner`, html(frame(`${FOREIGN}/x`) + frame(`${PORTAL}/leaf`)));
  // Frames 0 to 30: a foreign one first, a portal frame with frames of its own, foreign
  // ones up to the portal frame at 29, and one more portal frame beyond the limit.
  const frames = [`${FOREIGN}/x`, `${PORTAL}/inner`, ...Array(27).fill(`${FOREIGN}/x`), `${PORTAL}/leaf`, `${PORTAL}/leaf`];
  page.route(`${PORTAL}/top`, html(frames.map(frame).join('')));
  await page.goto(`${PORTAL}/top`);
  const snapshots = JSON.parse(await page.evaluate(`JSON.stringify(${COLLECTOR})`));
  assert.deepEqual(snapshots.map((s) => s.topLevel), [true, false, false, false], 'top, inner, its leaf, frame 29');
});

test('a snapshot counts the zone requests of its own origin, the last one\'s status and rows, and the zones shown', async () => {
  const page = await browser.open();
  page.route(`${PORTAL}/ndertesa`, html('<select id=zona><option value="">-</option><option>1</option><option>2</option></select>'));
  page.route(`${PORTAL}/ndertesa?mbeshtjelljetCRUD/get_zones&sekret=1`, response('<b>Gabim</b>', 'text/html', 500));
  page.route(`${PORTAL}/ndertesa?mbeshtjelljetCRUD/get_zones&ndertesa=12`, json([{ id: 1 }, { id: 2 }]));
  page.route(`${PORTAL}/ndertesa?mbeshtjelljetCRUD/get_zones_all`, json([]));
  await page.goto(`${PORTAL}/ndertesa`);
  const snapshot = await page.evaluate(`(async () => {
    for (const url of ['?mbeshtjelljetCRUD/get_zones&sekret=1', '?mbeshtjelljetCRUD/get_zones&ndertesa=12',
      '?mbeshtjelljetCRUD/get_zones_all', '${FOREIGN}/?mbeshtjelljetCRUD/get_zones']) {
      await new Promise((resolve) => { const x = new XMLHttpRequest(); x.open('GET', url); x.onloadend = resolve; x.send(); });
    }
    return JSON.stringify(${COLLECTOR});
  })()`);
  const [top] = JSON.parse(snapshot);
  const { started, finished, failed, lastStatus, lastRows } = top.zoneRequests;
  assert.deepEqual({ started, finished, failed, lastStatus, lastRows, selects: top.zoneSelects, options: top.zoneOptions },
    { started: 2, finished: 2, failed: 1, lastStatus: 200, lastRows: 2, selects: 1, options: 2 });
  assert.ok(!snapshot.includes(PORTAL_HOST) && !snapshot.includes('sekret'), snapshot);
});
