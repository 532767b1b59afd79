// The real VeskoBrowser.exe under Wine, with the stand-in WebView2Loader.dll beside it and
// the demo portal as the stand-in's site. Every text the program draws is read from Wine's
// trace of DrawTextExW (the status line, tab titles, what the stand-in's views show), so
// tests see the status texts exactly as drawn, byte for byte.

import { spawn, execFile } from 'node:child_process';
import { cpSync, existsSync, mkdirSync, readdirSync, rmSync, writeFileSync, readFileSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { promisify } from 'node:util';
import { setTimeout as sleep } from 'node:timers/promises';

import { Channel, freePort } from './channel.mjs';

const run = promisify(execFile);

const sourceDir = resolve(process.env.VESKO_SOURCE_DIR ?? new URL('../../..', import.meta.url).pathname);
const binaryDir = resolve(process.env.VESKO_BINARY_DIR ?? join(sourceDir, 'build/windows'));

export const paths = {
  source: sourceDir,
  program: join(binaryDir, 'bin/VeskoBrowser.exe'),
  loader: join(binaryDir, 'bin/WebView2Loader.dll'),
  wineRun: join(sourceDir, 'scripts/wine-run'),
  // One prefix of its own for the whole suite, apart from the other Wine tests.
  prefix: join(binaryDir, 'e2e-wineprefix'),
  artifacts: join(binaryDir, 'artifacts/e2e'),
  portalSite: join(sourceDir, 'tools/demo-portal/site'),
};

export const PORTAL = 'https://portal.kordis.example/';

// The Windows form of a path of this machine (Wine shows the root as drive Z:).
export function windowsPath(path) {
  return `Z:${resolve(path).replaceAll('/', '\\')}`;
}

export function artifact(...parts) {
  const path = join(paths.artifacts, ...parts);
  mkdirSync(join(path, '..'), { recursive: true });
  return path;
}

// The stand-in's site folder: one subfolder per host name, the portal's being the demo
// portal. No other host has a folder, so every other address is unreachable.
let preparedSite;
export function siteFolder() {
  if (!preparedSite) {
    preparedSite = join(paths.artifacts, 'site');
    rmSync(preparedSite, { recursive: true, force: true });
    cpSync(paths.portalSite, join(preparedSite, 'portal.kordis.example'), { recursive: true });
  }
  return preparedSite;
}

// A folder holding the program and the loader as they ship; `changeLoader` may alter the
// loader's bytes.
export function install(name, { changeLoader } = {}) {
  const folder = join(paths.artifacts, 'installs', name);
  rmSync(folder, { recursive: true, force: true });
  mkdirSync(folder, { recursive: true });
  cpSync(paths.program, join(folder, 'VeskoBrowser.exe'));
  const loader = readFileSync(paths.loader);
  writeFileSync(join(folder, 'WebView2Loader.dll'), changeLoader ? changeLoader(Buffer.from(loader)) : loader);
  return folder;
}

function wineEnvironment(extra = {}) {
  return {
    ...process.env,
    WINEDLLOVERRIDES: 'mscoree,mshtml=',
    WINEDEBUG: '-all',
    WINEPREFIX: paths.prefix,
    ...extra,
  };
}

// Creates the suite's prefix on first use (about 15 seconds), then reuses it. Windows are
// placed and activated by Wine itself (no window manager runs): a dialog then takes the
// keyboard as it does on Windows, and draws its own caption with the close box.
export async function preparePrefix() {
  await run(paths.wineRun, [paths.prefix, 'reg', 'add', 'HKCU\\Software\\Wine\\X11 Driver', '/v', 'Managed',
    '/t', 'REG_SZ', '/d', 'N', '/f'], { env: wineEnvironment(), timeout: 120000 });
}

// Ends every process of the suite's prefix, and the headless Chromium the stand-in
// started from it: a program killed outright cannot close its browser.
export async function endPrefixProcesses() {
  try {
    await run('wineserver', ['-k'], { env: wineEnvironment(), timeout: 30000 });
  } catch {
    // No wineserver was running.
  }
  await endChromiumOfPrefix();
}

export async function endChromiumOfPrefix() {
  const inPrefix = `${paths.prefix}/`;
  const killed = [];
  for (const entry of readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    let commandLine;
    try {
      commandLine = readFileSync(`/proc/${entry}/cmdline`, 'utf8').split('\0');
    } catch {
      continue;  // ended meanwhile
    }
    // The browser names its profile; its helpers (network, storage) name folders inside it.
    if (!commandLine[0]?.includes('chromium') || !commandLine.some((argument) => argument.includes(inPrefix))) continue;
    try {
      process.kill(Number(entry), 'SIGKILL');
      killed.push(entry);
    } catch {
      // ended meanwhile
    }
  }
  // Gone, not only told to go: the next start empties the profile folder.
  const deadline = Date.now() + 10000;
  while (killed.some((pid) => existsSync(`/proc/${pid}/cmdline`) && readFileSync(`/proc/${pid}/cmdline`).length > 0)) {
    if (Date.now() > deadline) throw new Error(`Chromium processes ${killed.join(', ')} did not end`);
    await sleep(50);
  }
}

// The program's per-user data folder inside the prefix, emptied so that every start
// begins with default preferences and a fresh engine profile.
export function resetDataFolder() {
  const users = join(paths.prefix, 'drive_c/users');
  if (!existsSync(users)) return;
  for (const user of readdirSync(users)) {
    // A browser just ended may still have had files open a moment ago: retried, not given up.
    rmSync(join(users, user, 'AppData/Local/VESKO'), { recursive: true, force: true, maxRetries: 20, retryDelay: 100 });
  }
}

export function dataFolder() {
  const users = join(paths.prefix, 'drive_c/users');
  for (const user of readdirSync(users)) {
    const folder = join(users, user, 'AppData/Local/VESKO/Browser-Kiosk');
    if (existsSync(folder)) return folder;
  }
  return undefined;
}

// Wine's debug-string escapes undone: \n \r \t \" \\, \xNN and \NNNN (hexadecimal
// code units) for everything outside printable ASCII.
export function unescapeWine(text) {
  return text.replace(/\\(x[0-9a-f]{2}|[0-9a-f]{4}|[nrt"\\])/g, (_, code) => {
    switch (code) {
      case 'n': return '\n';
      case 'r': return '\r';
      case 't': return '\t';
      case '"': return '"';
      case '\\': return '\\';
      default: return String.fromCharCode(parseInt(code.replace('x', ''), 16));
    }
  });
}

const DRAWN_TEXT = /trace:text:DrawTextExW L"((?:[^"\\]|\\.)*)", (-?\d+), \[\((-?\d+),(-?\d+)\)-\((-?\d+),(-?\d+)\)\]/;

export class Browser {
  constructor(desktop, child, port, folder) {
    this.desktop = desktop;
    this.child = child;
    this.port = port;
    this.folder = folder;
    this.texts = [];
    this.exitCode = null;
    this.exited = new Promise((resolveExit) => {
      child.once('exit', (code, signal) => {
        this.exitCode = code ?? signal;
        resolveExit(this.exitCode);
      });
    });
    let rest = '';
    child.stderr.setEncoding('latin1');
    child.stderr.on('data', (chunk) => {
      rest += chunk;
      const lines = rest.split('\n');
      rest = lines.pop();
      for (const line of lines) {
        const match = DRAWN_TEXT.exec(line);
        if (!match) continue;
        const [left, top, right, bottom] = match.slice(3, 7).map(Number);
        this.texts.push({ time: Date.now(), text: unescapeWine(match[1]), rect: { left, top, right, bottom } });
      }
    });
  }

  // Starts the program from `folder` (an install) with the stand-in's settings.
  // `env` adds variables (the Chromium backend's, for one).
  static async start(desktop, { folder, knobs = '', port, args = [], site = siteFolder(), env = {} } = {}) {
    const controlPort = port ?? (await freePort());
    const child = spawn(paths.wineRun, [paths.prefix, windowsPath(join(folder, 'VeskoBrowser.exe')), ...args], {
      cwd: folder,
      env: wineEnvironment({
        ...desktop.env,
        WINEDEBUG: '-all,trace+text',
        VESKO_STANDIN_SITE: windowsPath(site),
        VESKO_STANDIN_CONTROL_PORT: String(controlPort),
        VESKO_STANDIN_KNOBS: knobs,
        ...env,
      }),
      stdio: ['ignore', 'ignore', 'pipe'],
    });
    return new Browser(desktop, child, controlPort, folder);
  }

  // The channel, subscribed to the record from its start.
  async connect({ timeoutMs = 40000 } = {}) {
    this.channel = await Channel.connect(this.port, { timeoutMs });
    await this.channel.subscribe();
    return this.channel;
  }

  // The main window: the one top-level window whose name ends in "Vesko Browser".
  async mainWindow({ timeoutMs = 40000 } = {}) {
    if (!this.window) this.window = await this.desktop.waitForWindow('Vesko Browser$', { timeoutMs });
    return this.window;
  }

  // Texts drawn in the status line: 26 pixels high from x 12 at the bottom of the window.
  statusTexts(since = 0) {
    return this.texts
      .filter((t) => t.time >= since && t.rect.left === 12 && t.rect.bottom - t.rect.top === 26)
      .map((t) => t.text);
  }

  async waitForStatus(expected, { since = 0, timeoutMs = 20000 } = {}) {
    const matches = (text) => (expected instanceof RegExp ? expected.test(text) : text === expected);
    const deadline = Date.now() + timeoutMs;
    for (;;) {
      const found = this.statusTexts(since).find(matches);
      if (found !== undefined) return found;
      if (Date.now() > deadline) {
        const seen = [...new Set(this.statusTexts(since))].join(' | ');
        throw new Error(`status line never showed ${expected}; it showed: ${seen}`);
      }
      await sleep(100);
    }
  }

  async waitForExit({ timeoutMs = 30000 } = {}) {
    const timer = sleep(timeoutMs).then(() => 'timeout');
    return Promise.race([this.exited, timer]);
  }

  async stop() {
    this.channel?.close();
    if (this.exitCode === null) {
      this.child.kill('SIGKILL');
      await this.exited;
    }
    await endChromiumOfPrefix();
  }
}

// Waits until `check` gives a truthy value, polling.
export async function eventually(check, { timeoutMs = 20000, intervalMs = 100, what = 'the condition' } = {}) {
  const deadline = Date.now() + timeoutMs;
  let last;
  for (;;) {
    try {
      last = await check();
      if (last) return last;
    } catch (error) {
      last = error;
    }
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what} (last: ${last?.message ?? JSON.stringify(last)})`);
    await sleep(intervalMs);
  }
}
