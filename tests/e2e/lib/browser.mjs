// The real VeskoBrowser-Kiosk.exe under Wine, with the stand-in WebView2Loader.dll beside it and
// the demo portal as the stand-in's site; the client of the stand-in's control channel; and
// what scenario files share: the suite's Wine prefix, a private display, a browser followed
// until the portal's start page shows. Every text the program draws is read from Wine's
// trace of DrawTextExW, so tests see status texts and tab titles exactly as drawn.

import assert from 'node:assert/strict';
import { execFile, spawn } from 'node:child_process';
import { cpSync, existsSync, mkdirSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import net from 'node:net';
import { join, resolve } from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { promisify } from 'node:util';

import { demoPortalTrustedKey } from '../../../tools/demo-portal/server.mjs';
import { Desktop } from './desktop.mjs';

const run = promisify(execFile);
const sourceDir = resolve(process.env.VESKO_SOURCE_DIR ?? new URL('../../..', import.meta.url).pathname);
const binaryDir = resolve(process.env.VESKO_BINARY_DIR ?? join(sourceDir, 'build/windows'));

export const paths = {
  program: join(binaryDir, 'bin/VeskoBrowser-Kiosk.exe'),
  loader: join(binaryDir, 'bin/WebView2Loader.dll'),
  wineRun: join(sourceDir, 'scripts/wine-run'),
  // One prefix of its own for the whole suite, apart from the other Wine tests.
  prefix: join(binaryDir, 'e2e-wineprefix'),
  artifacts: join(binaryDir, 'artifacts/e2e'),
  portalSite: join(sourceDir, 'tools/demo-portal/site'),
};

export const PORTAL = 'https://portal.kordis.example/';
export const page = (path) => new URL(path, PORTAL).href;

// Points of the main window at 96 dpi (1280 by 850, no system frame), measured once from
// its pictures.
export const WINDOW = { minimise: [1165, 21], close: [1257, 21], menu: [1259, 64] };

// The Windows form of a path of this machine (Wine shows the root as drive Z:).
export const windowsPath = (path) => `Z:${resolve(path).replaceAll('/', '\\')}`;

export function artifact(...parts) {
  const path = join(paths.artifacts, ...parts);
  mkdirSync(join(path, '..'), { recursive: true });
  return path;
}

// An empty folder among the artifacts.
export function freshFolder(...parts) {
  const folder = artifact(...parts);
  rmSync(folder, { recursive: true, force: true });
  mkdirSync(folder, { recursive: true });
  return folder;
}

// The stand-in's site folder: one subfolder per host name, the portal's being the demo
// portal. No other host has a folder, so every other address is unreachable.
let site;
function siteFolder() {
  if (!site) {
    site = freshFolder('site');
    cpSync(paths.portalSite, join(site, 'portal.kordis.example'), { recursive: true });
  }
  return site;
}

// A folder holding the program and the loader as they ship; `changeLoader` may alter the
// loader's bytes.
export function install(name, { changeLoader = (bytes) => bytes } = {}) {
  const folder = freshFolder('installs', name);
  cpSync(paths.program, join(folder, 'VeskoBrowser-Kiosk.exe'));
  writeFileSync(join(folder, 'WebView2Loader.dll'), changeLoader(readFileSync(paths.loader)));
  return folder;
}

const wineEnvironment = (extra = {}) => ({
  ...process.env, WINEDLLOVERRIDES: 'mscoree,mshtml=', WINEDEBUG: '-all', WINEPREFIX: paths.prefix, ...extra,
});

// Ends every process of the suite's prefix, and the headless Chromium the stand-in
// started from it: a program killed outright cannot close its browser.
async function endPrefixProcesses() {
  await run('wineserver', ['-k'], { env: wineEnvironment(), timeout: 30000 }).catch(() => {});
  await endChromiumOfPrefix();
}

async function endChromiumOfPrefix() {
  const killed = [];
  for (const pid of readdirSync('/proc').filter((entry) => /^\d+$/.test(entry))) {
    try {
      // The browser names its profile; its helpers (network, storage) name folders inside it.
      const commandLine = readFileSync(`/proc/${pid}/cmdline`, 'utf8').split('\0');
      if (!commandLine[0].includes('chromium') || !commandLine.some((a) => a.includes(`${paths.prefix}/`))) continue;
      process.kill(Number(pid), 'SIGKILL');
      killed.push(pid);
    } catch {
      // ended meanwhile
    }
  }
  // Gone, not only told to go: the next start empties the profile folder.
  await eventually(() => killed.every((pid) => !existsSync(`/proc/${pid}/cmdline`) ||
    readFileSync(`/proc/${pid}/cmdline`).length === 0), { what: `Chromium ${killed} to end` });
}

// A private display and a prefix where no program runs. Wine places and activates windows
// itself (no window manager runs): a dialog takes the keyboard as it does on Windows, and
// draws its own caption with the close box.
export async function openSession() {
  await run(paths.wineRun, [paths.prefix, 'reg', 'add', 'HKCU\\Software\\Wine\\X11 Driver', '/v', 'Managed',
    '/t', 'REG_SZ', '/d', 'N', '/f'], { env: wineEnvironment(), timeout: 120000 });
  await endPrefixProcesses();
  return Desktop.start();
}

export async function closeSession(desktop) {
  await endPrefixProcesses();
  await desktop?.stop();
}

// Wine's debug-string escapes undone: \n \r \t \" \\, \xNN and \NNNN (hexadecimal code
// units) for everything outside printable ASCII.
const unescapeWine = (text) => text.replace(/\\(x[0-9a-f]{2}|[0-9a-f]{4}|[nrt"\\])/g, (_, code) =>
  ({ n: '\n', r: '\r', t: '\t', '"': '"', '\\': '\\' })[code] ?? String.fromCharCode(parseInt(code.replace('x', ''), 16)));
const DRAWN_TEXT = /trace:text:DrawTextExW L"((?:[^"\\]|\\.)*)", (-?\d+), \[\((-?\d+),(-?\d+)\)-\((-?\d+),(-?\d+)\)\]/;

export class Browser {
  // Starts the program from `folder` (default: the shipped pair) with an empty data folder
  // and the stand-in's settings; `env` adds variables (the Chromium backend's, for one).
  // The Chromium backend trusts the demo portal's key and no other.
  static async start(desktop, { folder = install('standard'), knobs = '', env = {}, keepData = false } = {}) {
    if (!keepData) resetDataFolder();
    const port = await freePort();
    const trustedKey = await demoPortalTrustedKey();
    const child = spawn(paths.wineRun, [paths.prefix, windowsPath(join(folder, 'VeskoBrowser-Kiosk.exe'))], {
      cwd: folder,
      env: wineEnvironment({
        ...desktop.env, WINEDEBUG: '-all,trace+text', VESKO_STANDIN_SITE: windowsPath(siteFolder()),
        VESKO_STANDIN_CONTROL_PORT: String(port), VESKO_STANDIN_KNOBS: knobs,
        VESKO_STANDIN_TRUSTED_SPKI: trustedKey, ...env,
      }),
      stdio: ['ignore', 'ignore', 'pipe'],
    });
    return new Browser(desktop, child, port, folder);
  }

  constructor(desktop, child, port, folder) {
    Object.assign(this, { desktop, child, port, folder, texts: [], exitCode: null });
    this.exited = new Promise((resolveExit) => child.once('exit', (code, signal) => {
      this.exitCode = code ?? signal;
      resolveExit(this.exitCode);
    }));
    let rest = '';
    child.stderr.setEncoding('latin1');
    child.stderr.on('data', (chunk) => {
      const lines = (rest + chunk).split('\n');
      rest = lines.pop();
      for (const match of lines.map((line) => DRAWN_TEXT.exec(line)).filter(Boolean)) {
        const [left, top, right, bottom] = match.slice(3, 7).map(Number);
        this.texts.push({ time: Date.now(), text: unescapeWine(match[1]), rect: { left, top, right, bottom } });
      }
    });
  }

  // The channel, subscribed to the record from its start.
  async connect() {
    this.channel = await Channel.connect(this.port);
    await this.channel.send('subscribe');
    return this.channel;
  }

  // The main window: the one top-level window whose name ends in "Vesko Browser".
  async mainWindow() {
    this.window ??= await this.desktop.waitForWindow('Vesko Browser$', { timeoutMs: 40000 });
    return this.window;
  }

  drawnSince(since) {
    return this.texts.filter((t) => t.time >= since).map((t) => t.text);
  }

  // Texts drawn in the status line: 26 pixels high from x 12 at the bottom of the window.
  statusTexts(since = 0) {
    return this.texts.filter((t) => t.time >= since && t.rect.left === 12 && t.rect.bottom - t.rect.top === 26)
      .map((t) => t.text);
  }

  async waitForStatus(expected, { since = 0, timeoutMs = 20000 } = {}) {
    const matches = (text) => (expected instanceof RegExp ? expected.test(text) : text === expected);
    return eventually(() => this.statusTexts(since).find(matches), { timeoutMs,
      what: () => `the status line to show ${expected}; it showed: ${[...new Set(this.statusTexts(since))].join(' | ')}` });
  }

  // Asks the program to close the way a shutdown or an administrator does: taskkill
  // without /f posts WM_CLOSE to its top-level windows.
  async requestClose() {
    await run(paths.wineRun, [paths.prefix, 'taskkill', '/im', 'VeskoBrowser-Kiosk.exe'],
      { env: wineEnvironment(this.desktop.env), timeout: 30000 });
  }

  waitForExit({ timeoutMs = 30000 } = {}) {
    return Promise.race([this.exited, sleep(timeoutMs, 'timeout', { ref: false })]);
  }

  async stop() {
    this.channel?.close();
    if (this.exitCode === null) {
      this.child.kill('SIGKILL');
      await this.exited;
    }
    await endChromiumOfPrefix();
    // What the program did that the engine documents as wrong (a message loop inside one
    // of its event handlers, a response stream that does not hold) fails the session.
    const faults = (this.channel?.calls ?? []).filter((c) => c.object === 'engine' && c.method === 'Fault');
    assert.deepEqual(faults.map((c) => c.detail), [], 'faults the engine recorded');
  }
}

// The program's per-user data folder inside the prefix, emptied so that every start
// begins with default preferences and a fresh engine profile.
function resetDataFolder() {
  const users = join(paths.prefix, 'drive_c/users');
  for (const user of existsSync(users) ? readdirSync(users) : []) {
    // A browser just ended may still have had files open a moment ago: retried, not given up.
    rmSync(join(users, user, 'AppData/Local/VESKO'), { recursive: true, force: true, maxRetries: 20, retryDelay: 100 });
  }
}

// The stand-in's control channel: one JSON object per line each way. Requests carry an id
// and are answered by a line with the same id; after "subscribe" the record of the host's
// calls streams in as {"event": "call", ...} lines, kept here in order.
export class Channel {
  constructor(socket) {
    Object.assign(this, { socket, nextId: 1, waiting: new Map(), calls: [] });
    let buffer = '';
    socket.setEncoding('utf8');
    socket.on('data', (chunk) => {
      const lines = (buffer + chunk).split('\n');
      buffer = lines.pop();
      for (const message of lines.map((line) => JSON.parse(line))) {
        if (message.event === 'call') this.calls.push(message);
        const pending = this.waiting.get(message.id);
        this.waiting.delete(message.id);
        if (message.ok) pending?.resolve(message.result);
        else pending?.reject(new Error(`${message.error}: ${message.message}`));
      }
    });
    socket.on('close', () => this.waiting.forEach(({ reject }) => reject(new Error('the channel closed'))));
  }

  // Connects to 127.0.0.1:port, retrying: the browser opens the port when it first calls
  // the engine loader.
  static async connect(port, { timeoutMs = 40000 } = {}) {
    return eventually(() => new Promise((resolveSocket) => {
      const socket = net.connect({ host: '127.0.0.1', port }, () => resolveSocket(new Channel(socket)));
      socket.once('error', () => resolveSocket(undefined));
    }), { timeoutMs, intervalMs: 200, what: `the control channel on port ${port}` });
  }

  // Sends a command and resolves with its result (a download's, once its dialog is answered).
  send(cmd, args = {}) {
    const id = this.nextId++;
    return new Promise((resolveResult, reject) => {
      setTimeout(() => reject(new Error(`no answer to ${cmd}`)), 60000).unref();
      this.waiting.set(id, { resolve: resolveResult, reject });
      this.socket.write(`${JSON.stringify({ id, cmd, ...args })}\n`);
    });
  }

  // The first recorded call after `after` that `match` accepts.
  waitForCall(match, { after = 0, what = 'a recorded call' } = {}) {
    return eventually(() => this.callsAfter(after, match)[0], { what });
  }

  callsAfter(after, match = () => true) {
    return this.calls.filter((call) => call.sequence > after && match(call));
  }

  lastSequence() {
    return this.calls.at(-1)?.sequence ?? 0;
  }

  close() {
    this.socket.destroy();
  }
}

// Whether anything accepts connections on 127.0.0.1:port now.
export const listening = (port) => new Promise((resolveListening) => {
  const socket = net.connect({ host: '127.0.0.1', port }, () => resolveListening(!socket.destroy()));
  socket.once('error', () => resolveListening(false));
});

// A port on 127.0.0.1 that nothing listens on right now.
export const freePort = () => new Promise((resolvePort, reject) => {
  const server = net.createServer().once('error', reject);
  server.listen(0, '127.0.0.1', () => {
    const { port } = server.address();
    server.close(() => resolvePort(port));
  });
});

// Waits until `check` gives a truthy value, polling.
export async function eventually(check, { timeoutMs = 20000, intervalMs = 100, what = 'the condition' } = {}) {
  const deadline = Date.now() + timeoutMs;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${typeof what === 'function' ? what() : what}`);
    await sleep(intervalMs);
  }
}

export const views = async (channel) => (await channel.send('views')).views;
export const visibleView = async (channel) => (await views(channel)).find((v) => v.visible);

// Waits until `view` shows `url`, loaded; resolves with its state.
export const loaded = (channel, view, url) => eventually(async () => (await views(channel))
  .find((v) => v.name === view && v.source === url && !v.loading), { what: `${view} to show ${url}` });

// A browser started (see Browser.start), then followed until its first tab has passed the
// engine check and shows the portal's start page.
export async function startOnPortal(desktop, options = {}) {
  const browser = await Browser.start(desktop, options);
  const channel = await browser.connect();
  const window = await browser.mainWindow();
  await eventually(async () => {
    const list = await views(channel);
    return list.length === 1 && list[0].source === PORTAL && !list[0].loading && list[0].visible;
  }, { timeoutMs: 40000, what: 'the portal start page in the first tab' });
  return { browser, channel, window, view: (await visibleView(channel)).name };
}
