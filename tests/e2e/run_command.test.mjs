// The run command as a newcomer meets it: `bash scripts/run` from the project's folder,
// on no display of its own. It paints the demo portal with Chromium, keeps the terminal to
// its own lines, and after Ctrl+C (SIGINT to its whole process group) nothing it started
// is left: no Chromium on its profile, no demo portal, no Xvfb, no Wine.

import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { readFileSync, readdirSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { test } from 'node:test';

import { Channel, PORTAL, eventually, freePort, views } from './lib/browser.mjs';

const sourceDir = resolve(process.env.VESKO_SOURCE_DIR ?? new URL('../..', import.meta.url).pathname);
// The run's own Wine prefix: Chromium's profile lives inside it.
const runPrefix = join(sourceDir, 'build/windows/run-wineprefix');

// Chromium's own log lines ("[1234:5678:1207/101010.123456:ERROR:...]") and its D-Bus complaints.
const CHROMIUM_LOG = /^\[\d+:\d+:\d+\/\d+\.\d+:[A-Z]+[^\]]*\]|d-?bus/im;

function processes() {
  const found = [];
  for (const pid of readdirSync('/proc').filter((entry) => /^\d+$/.test(entry))) {
    try {
      const commandLine = readFileSync(`/proc/${pid}/cmdline`, 'utf8').split('\0').join(' ').trim();
      // The fifth field of stat is the process group (after the name, which may hold spaces).
      const stat = readFileSync(`/proc/${pid}/stat`, 'utf8');
      const group = Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[2]);
      if (commandLine) found.push({ pid: Number(pid), group, commandLine });
    } catch {
      // ended meanwhile
    }
  }
  return found;
}

test('the run command paints the portal with Chromium, says only its own lines and ends everything on Ctrl+C',
  { timeout: 600000 }, async () => {
    const port = await freePort();
    const env = { ...process.env, VESKO_STANDIN_CONTROL_PORT: String(port) };
    for (const name of ['DISPLAY', 'VESKO_BACKEND', 'VESKO_STANDIN_BACKEND', 'VESKO_STANDIN_SITE']) delete env[name];
    // Its own process group, as a terminal gives the command it runs.
    const run = spawn('bash', ['scripts/run'], { cwd: sourceDir, env, detached: true, stdio: ['ignore', 'pipe', 'pipe'] });
    let terminal = '';
    run.stdout.on('data', (chunk) => { terminal += chunk; });
    run.stderr.on('data', (chunk) => { terminal += chunk; });
    const exited = new Promise((resolveExit) => run.once('exit', (code, signal) => resolveExit(code ?? signal)));
    let chromiumGroups = [];
    try {
      // Setup and a build with nothing to do come first, then a fresh prefix at most.
      const channel = await Channel.connect(port, { timeoutMs: 300000 });
      try {
        await eventually(async () => (await views(channel))
          .find((v) => v.source === PORTAL && !v.loading && v.visible && v.framesPainted > 0),
        { timeoutMs: 120000, what: () => `the portal painted; the run said:\n${terminal}` });
      } finally {
        channel.close();
      }
      // Chromium makes a process group of its own; its renderers do not name the profile.
      chromiumGroups = [...new Set(processes()
        .filter((p) => p.commandLine.includes(`${runPrefix}/`) && p.commandLine.includes('chromium'))
        .map((p) => p.group))];
      assert.notDeepEqual(chromiumGroups, [], 'Chromium runs on the run\'s profile');
    } finally {
      process.kill(-run.pid, 'SIGINT');
    }
    assert.equal(await exited, 130);

    const groups = [run.pid, ...chromiumGroups];
    await eventually(() => processes().every((p) => !groups.includes(p.group)), {
      timeoutMs: 10000,
      what: () => `the run's and Chromium's process groups to be empty: ${
        JSON.stringify(processes().filter((p) => groups.includes(p.group)))}`,
    });
    assert.deepEqual(processes().filter((p) => p.commandLine.includes(`${runPrefix}/`)), [],
      'no process names the run\'s profile');

    const lines = terminal.split('\n').filter((line) => line !== '');
    assert.deepEqual(lines.filter((line) => !line.startsWith('run: ')), [], terminal);
    assert.doesNotMatch(terminal, CHROMIUM_LOG);
    assert.equal(lines.filter((line) => line.includes('build/run.log')).length, 1, terminal);
  });
