// The soak driver: the real program under Wine, driven through the stand-in's control
// channel and the window for a fixed number of steps chosen by a seeded generator, in a
// working day's mix. Every K steps it samples what the program and the engine hold; the
// samples settled after the warm-up and at the end must be level, and the tabs must end as
// the driver expects. Usage:
//   scripts/soak [--steps N] [--seed S] [--backend site|chromium] [--sample-every K]
//                [--warm-up W] [--restarts R] [--only ACTION,...] [--out DIR]
// On the Chromium backend the demo portal is served on loopback and R browser-process
// restarts (default 3) are spread over the steps after the warm-up.

import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { parseArgs } from 'node:util';

import { startDemoPortal } from '../../tools/demo-portal/server.mjs';
import { closeSession, openSession, startOnPortal } from '../../tests/e2e/lib/browser.mjs';
import { WorkingDay } from './soak_day.mjs';
import { flatten, growth, isShownOnly, plot, writeCsv } from './soak_report.mjs';

const { values: options } = parseArgs({
  options: {
    steps: { type: 'string', default: '300' },
    seed: { type: 'string', default: '1' },
    backend: { type: 'string', default: 'site' },
    'sample-every': { type: 'string', default: '25' },
    'warm-up': { type: 'string' },
    restarts: { type: 'string' },
    // Only these actions (comma-separated names), to find which one a growth comes from.
    only: { type: 'string' },
    out: { type: 'string', default: join(process.env.VESKO_BINARY_DIR ?? new URL('../../build/windows', import.meta.url).pathname, 'soak') },
  },
});
const steps = Number(options.steps);
const sampleEvery = Number(options['sample-every']);
const warmUp = Number(options['warm-up'] ?? Math.max(sampleEvery, Math.round(steps / 5)));
const out = options.out;
const chromium = options.backend === 'chromium';
if (!chromium && options.backend !== 'site') {
  console.log(`unknown backend ${options.backend}: site or chromium`);
  process.exit(2);
}
const restarts = chromium ? Number(options.restarts ?? 3) : 0;
// Steps after which the browser process is killed: evenly between the warm-up and the end.
const restartSteps = new Set(Array.from({ length: restarts },
  (_, i) => warmUp + Math.round(((i + 1) * (steps - warmUp)) / (restarts + 1))));

// mulberry32: the same seed gives the same day.
function generator(seed) {
  let state = seed >>> 0;
  return () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}
const random = generator(Number(options.seed));

function chooseAction(actions) {
  const totalWeight = actions.reduce((sum, [weight]) => sum + weight, 0);
  let roll = random() * totalWeight;
  for (const action of actions) {
    roll -= action[0];
    if (roll < 0) return action;
  }
  return actions.at(-1);
}

// The channel's record of calls is kept for the last stretch only (the day reads recent
// calls); engine faults among the dropped ones are kept apart.
const faultsSeen = [];
function trimRecord(channel) {
  if (channel.calls.length < 20000) return;
  const dropped = channel.calls.splice(0, channel.calls.length - 5000);
  faultsSeen.push(...dropped.filter((c) => c.object === 'engine' && c.method === 'Fault').map((c) => c.detail));
}

async function main() {
  mkdirSync(join(out, 'downloads'), { recursive: true });
  const desktop = await openSession();
  let portal;
  let browser;
  let exitCode = 0;
  try {
    const env = { VESKO_STANDIN_BACKEND: options.backend };
    if (chromium) {
      portal = await startDemoPortal({ tls: true });
      env.VESKO_STANDIN_RESOLVE = `MAP portal.kordis.example 127.0.0.1:${portal.port}`;
    }
    const started = await startOnPortal(desktop, { env });
    ({ browser } = started);
    const { channel } = started;
    const day = new WorkingDay({ ...started, desktop, random, out, firstView: started.view });
    const sample = async () => flatten(await channel.send('resourceCounts'));
    await day.unsavedInput();
    const first = await sample();
    // Each module keeps its own counts: the engine's DLL has no tabs of its own.
    if (first['program.liveTabs'] !== 1 || first['engine.held.liveTabs'] !== 0) {
      throw new Error(`counts are not kept per module: ${JSON.stringify(first)}`);
    }
    const only = options.only?.split(',');
    const actions = day.actions().filter(([, name]) => !only || only.includes(name));
    if (!actions.length) throw new Error(`no action named ${options.only}`);
    const samples = [];
    const startedAt = Date.now();
    let settled;
    const counts = {};
    const recent = [];
    const seconds = () => (Date.now() - startedAt) / 1000;
    for (let step = 1; step <= steps; ++step) {
      const [, name, act] = restartSteps.has(step) ? [0, 'browserRestart', () => day.browserRestart()]
        : chooseAction(actions);
      counts[name] = (counts[name] ?? 0) + 1;
      recent.push(name);
      if (recent.length > 8) recent.shift();
      try {
        await act();
      } catch (error) {
        const calls = error.message.includes('last calls:') ? '' : day.recentCalls();
        throw new Error(`step ${step} (${name}, after ${recent.slice(0, -1).join(', ')}): ${error.message}${calls}`);
      }
      // The drawn texts are kept only for the status line and the unsaved mark.
      if (browser.texts.length > 2000) browser.texts.splice(0, browser.texts.length - 200);
      trimRecord(channel);
      if (step === warmUp) {
        await day.settle();
        settled = await sample();
        samples.push({ step, seconds: seconds(), columns: settled });
      } else if (step % sampleEvery === 0) {
        samples.push({ step, seconds: seconds(), columns: await sample() });
        // Written as it goes, so a long run can be watched.
        writeCsv(join(out, 'resources.csv'), samples);
      }
    }
    const elapsed = seconds();
    await day.settle();
    const last = await sample();
    samples.push({ step: steps, seconds: elapsed, columns: last });
    writeCsv(join(out, 'resources.csv'), samples);
    await plot(join(out, 'resources.png'), samples);

    console.log(`${steps} steps in ${elapsed.toFixed(1)} s, ${(steps / elapsed).toFixed(2)} steps per second`);
    console.log(`actions: ${JSON.stringify(counts)}`);
    for (const hang of day.hangsOverEarly) console.log(`hang over before the driver ended it: ${hang}`);
    for (const drag of day.sizingLetGo) console.log(drag);
    console.log('column: after warm-up (step ' + warmUp + ') -> end');
    for (const column of Object.keys(last)) {
      const perThousand = ((last[column] - settled?.[column]) * 1000) / (steps - warmUp);
      const slope = /Bytes|workingSet/.test(column) ? `${(perThousand / 1048576).toFixed(1)} MiB` : Math.round(perThousand);
      const shown = isShownOnly(column) && settled ? ` (not checked; ${slope} per 1,000 steps)` : '';
      console.log(`  ${column}: ${settled?.[column]} -> ${last[column]}${shown}`);
    }
    const problems = [...growth(settled ?? first, last), ...await day.lost()];
    if (day.restarts !== restarts) problems.push(`${day.restarts} browser restarts, expected ${restarts}`);
    // The engine holds exactly the one tab's controller and view, nothing the program let go.
    for (const column of ['engine.controllers', 'engine.views', 'engine.environments']) {
      if (last[column] !== 1) problems.push(`${column} is ${last[column]} with one tab open`);
    }
    const held = (await channel.send('views')).closed ?? [];
    if (held.length) problems.push(`closed views still held: ${JSON.stringify(held)}`);
    const faults = [...faultsSeen, ...(await channel.send('faults')).faults];
    if (faults.length) problems.push(`engine faults: ${JSON.stringify(faults)}`);
    problems.push(...await day.closeAsks());
    for (const problem of problems) console.log(`FAIL ${problem}`);
    console.log(`samples: ${join(out, 'resources.csv')}, plot: ${join(out, 'resources.png')}`);
    if (problems.length) exitCode = 1;
  } catch (error) {
    console.log(`FAIL ${error.stack ?? error}`);
    exitCode = 1;
  } finally {
    await browser?.stop().catch((error) => {
      console.log(`FAIL ${error.message}`);
      exitCode = 1;
    });
    await portal?.close();
    await closeSession(desktop);
  }
  process.exit(exitCode);
}

await main();
