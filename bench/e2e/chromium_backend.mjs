// Measures the real program on the stand-in's Chromium backend against the site-folder
// backend in the same run: time from start to the portal shown, frames painted while the
// page scrolls, the round trip of a click to the window's reaction, and the memory of the
// program's process and of the browser it runs on.
//   VESKO_SOURCE_DIR=$PWD VESKO_BINARY_DIR=$PWD/build/windows node bench/e2e/chromium_backend.mjs [rounds]

import { readFileSync, readdirSync } from 'node:fs';
import { setTimeout as sleep } from 'node:timers/promises';

import { startDemoPortal } from '../../tools/demo-portal/server.mjs';
import {
  closeSession, loaded, openSession, paths, startOnPortal, views, visibleView,
} from '../../tests/e2e/lib/browser.mjs';

const rounds = Number(process.argv[2] ?? 3);
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
// When `text` was first drawn since `since`, by the clock of the drawn-text trace.
const drawnAt = (browser, text, since) => browser.texts.find((t) => t.time >= since && t.text === text).time;

// Resident memory (kB): the program's Wine process, and the browser named by its profile in
// the e2e prefix with every process under it (its helpers name no profile).
function residentKb() {
  const parents = new Map();
  const named = new Map();
  for (const entry of readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      const stat = readFileSync(`/proc/${entry}/stat`, 'utf8');
      parents.set(entry, stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]);
      const line = readFileSync(`/proc/${entry}/cmdline`, 'utf8');
      if (line.includes(paths.prefix) && line.includes('chromium')) named.set(entry, 'chromium');
      else if (line.includes('VeskoBrowser-Kiosk.exe')) named.set(entry, 'program');
    } catch {
      // ended meanwhile
    }
  }
  const kindOf = (pid) => {
    for (let at = pid, hops = 0; at && at !== '0' && hops < 64; at = parents.get(at), hops += 1) {
      if (named.has(at)) return named.get(at);
    }
    return undefined;
  };
  const totals = { program: 0, chromium: 0 };
  for (const pid of parents.keys()) {
    const kind = kindOf(pid);
    if (!kind) continue;
    try {
      const rss = /VmRSS:\s+(\d+)/.exec(readFileSync(`/proc/${pid}/status`, 'utf8'));
      if (rss) totals[kind] += Number(rss[1]);
    } catch {
      // ended meanwhile
    }
  }
  return totals;
}

async function measure(desktop, backend, portal) {
  const env = backend === 'chromium'
    ? { VESKO_STANDIN_BACKEND: 'chromium', VESKO_STANDIN_RESOLVE: `MAP portal.kordis.example 127.0.0.1:${portal.port}` }
    : {};
  const started = performance.now();
  const { browser, channel } = await startOnPortal(desktop, { env });
  const startMs = performance.now() - started;
  const window = await browser.mainWindow();
  const view = await visibleView(channel);
  const result = { startMs };
  if (backend === 'chromium') {
    // The start page, in a window made low and zoomed to 200 % so that it scrolls by some
    // 450 page pixels, scrolled with the wheel for two seconds: four notches down, four up.
    await desktop.xdotool('windowsize', window, '1280', '330');
    for (let step = 0; step < 10; step += 1) await desktop.key(window, 'ctrl+plus');
    await sleep(800);
    result.zoom = (await visibleView(channel)).zoom;
    // Wheel messages go to the window with the keyboard focus: a click on the page's
    // empty right side gives it to the view.
    await desktop.click(window, [1200, 250]);
    await sleep(300);
    const framesBefore = (await visibleView(channel)).framesPainted;
    const scrollStart = performance.now();
    let notches = 0;
    while (performance.now() - scrollStart < 2000) {
      // One notch at a time: notches sent together reach the page as one scroll.
      await desktop.xdotool('mousemove', '--window', window, '640', '200', 'click', notches % 8 < 4 ? '5' : '4');
      notches += 1;
    }
    const seconds = (performance.now() - scrollStart) / 1000;
    await sleep(300);
    result.scrollFps = ((await visibleView(channel)).framesPainted - framesBefore) / seconds;
    result.wheelNotchesPerSecond = notches / seconds;
    await desktop.key(window, 'ctrl+0');
    await desktop.xdotool('windowsize', window, '1280', '850');
    await sleep(500);
  }
  // Round trip: a click on the header's home link until the window says the page is
  // loading (the engine's navigation event reached the host and was drawn) and loaded.
  // A page that loads before the window repaints never has its loading text drawn (the
  // two paints fold into one): then only the load is timed.
  if (backend === 'chromium') {
    const since = Date.now();
    await desktop.click(window, [54, 113]);  // "Kreu" in the portal's header
    const loaded = await browser.waitForStatus('Faqja u ngarkua.', { since });
    result.clickToLoadedMs = drawnAt(browser, loaded, since) - since;
    const started = browser.statusTexts(since).find((text) => text === 'Po ngarkohet faqja…');
    if (started) result.clickToStartedMs = drawnAt(browser, started, since) - since;
  }
  result.memoryKb = residentKb();
  await browser.stop();
  return result;
}

const desktop = await openSession();
const portal = await startDemoPortal({ tls: true });
try {
  const all = { site: [], chromium: [] };
  for (let round = 0; round < rounds; round += 1) {
    for (const backend of ['site', 'chromium']) all[backend].push(await measure(desktop, backend, portal));
  }
  for (const [backend, results] of Object.entries(all)) {
    const pick = (key) => median(results.map((r) => r[key]).filter((v) => v !== undefined));
    console.log(JSON.stringify({
      backend,
      rounds: results.length,
      startToPortalMs: Math.round(pick('startMs')),
      clickToStartedMs: backend === 'chromium' ? Math.round(pick('clickToStartedMs')) : undefined,
      clickToLoadedMs: backend === 'chromium' ? Math.round(pick('clickToLoadedMs')) : undefined,
      scrollZoom: backend === 'chromium' ? pick('zoom') : undefined,
      scrollFramesPerSecond: backend === 'chromium' ? Number(pick('scrollFps').toFixed(1)) : undefined,
      wheelNotchesPerSecond: backend === 'chromium' ? Number(pick('wheelNotchesPerSecond').toFixed(1)) : undefined,
      programMemoryMb: Math.round(median(results.map((r) => r.memoryKb.program)) / 1024),
      chromiumMemoryMb: Math.round(median(results.map((r) => r.memoryKb.chromium)) / 1024),
    }));
  }
} finally {
  await portal.close();
  await closeSession(desktop);
}
