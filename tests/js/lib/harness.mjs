// One headless Chromium per test file, driven over the DevTools pipe, and portal pages
// served the way the program serves them: every request answered through the Fetch
// domain, chrome.webview.postMessage provided through a binding, the document script
// added before the page's own scripts and, on request, a clock under the test's control.

import { execFileSync, spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before } from 'node:test';

const env = process.env;
export const POLICY_TOOL = env.VESKO_POLICY_TOOL;
// VESKO_PAGE_SCRIPT_TOOL may name a stand-in that prints changed scripts (mutation checks).
const PAGE_SCRIPT_TOOL = env.VESKO_PAGE_SCRIPT_TOOL ??
  join(env.VESKO_BINARY_DIR, 'tools', 'page-script', 'vesko-page-script');
export const pageScript = (...args) => execFileSync(PAGE_SCRIPT_TOOL, args).toString('utf8');
export const CONFIG = JSON.parse(execFileSync(POLICY_TOOL, ['--config']));
export const PORTAL_HOST = CONFIG.portalHost;
export const PORTAL = `https://${PORTAL_HOST}`;
// The document script byte for byte as a view adds it, the asset pack's hook included.
const DOCUMENT_SCRIPT = pageScript('document', join(env.VESKO_SOURCE_DIR, 'pack', '__zone_diagnostic.js'));

const FLAGS = [
  '--headless=new', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
  '--disable-component-update', '--no-first-run', '--disable-sync', '--no-default-browser-check',
  '--disable-extensions', '--disable-default-apps', '--mute-audio', '--remote-debugging-pipe',
  // No outside connections: every host name resolves to nothing, pages see only our answers.
  '--host-resolver-rules=MAP * ~NOTFOUND',
  // Every frame in the page's own process, so one session sees (and intercepts) all.
  '--disable-site-isolation-trials',
  '--disable-features=IsolateOrigins,site-per-process,HttpsUpgrades,HttpsFirstBalancedModeAutoEnable',
];

// Messages on the pipe are JSON, each followed by a NUL byte; sessions are flat.
class Cdp {
  #next = 1;
  #calls = new Map();
  #buffer = Buffer.alloc(0);
  #closed = null;
  listeners = new Set();

  constructor(out, input) {
    this.out = out.on('error', () => {});
    input.on('data', (chunk) => {
      this.#buffer = Buffer.concat([this.#buffer, chunk]);
      for (let end; (end = this.#buffer.indexOf(0)) !== -1;) {
        const message = JSON.parse(this.#buffer.subarray(0, end).toString('utf8'));
        this.#buffer = this.#buffer.subarray(end + 1);
        const call = this.#calls.get(message.id);
        this.#calls.delete(message.id);
        if (!call) for (const listener of [...this.listeners]) listener(message);
        else if (message.error) call.reject(new Error(`${call.method}: ${message.error.message}`));
        else call.resolve(message.result);
      }
    });
    input.on('close', () => {
      this.#closed = new Error('DevTools pipe closed');
      for (const call of this.#calls.values()) call.reject(this.#closed);
    });
  }

  send(method, params = {}, sessionId = undefined) {
    if (this.#closed) return Promise.reject(this.#closed);
    const id = this.#next++;
    return new Promise((resolve, reject) => {
      this.#calls.set(id, { resolve, reject, method });
      this.out.write(`${JSON.stringify({ id, method, params, sessionId })}\0`);
    });
  }
}

// extraFlags: engine switches under test, e.g. '--disable-web-security'.
export async function launch(extraFlags = []) {
  const profile = mkdtempSync(join(tmpdir(), 'vesko-chromium-'));
  const child = spawn(env.VESKO_CHROMIUM ?? '/usr/bin/chromium', [...FLAGS, ...extraFlags, `--user-data-dir=${profile}`],
    { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
  let stderr = '';
  child.stderr.on('data', (chunk) => { stderr = (stderr + chunk).slice(-4000); });
  const exited = new Promise((resolve) => { child.once('exit', resolve); child.once('error', resolve); });
  const cdp = new Cdp(child.stdio[3], child.stdio[4]);
  await Promise.race([cdp.send('Browser.getVersion'),
    exited.then((code) => { throw new Error(`chromium ended (${code}): ${stderr}`); })]);
  cdp.close = async () => {
    cdp.send('Browser.close').catch(() => {});
    const killer = setTimeout(() => child.kill('SIGKILL'), 5000);
    await exited;
    clearTimeout(killer);
    rmSync(profile, { recursive: true, force: true });
  };
  cdp.open = (options) => PortalPage.open(cdp, options);
  return cdp;
}

// The file's browser, started before its first test and closed after its last.
export function sharedBrowser() {
  const shared = { open: (options) => PortalPage.open(shared.cdp, options) };
  before(async () => { shared.cdp = await launch(); });
  after(() => shared.cdp?.close());
  return shared;
}

export const response = (body, type = 'text/html; charset=utf-8', status = 200) =>
  ({ status, body, headers: { 'Content-Type': type } });
export const html = (body, head = '') =>
  response(`<!doctype html><html><head><meta charset=utf-8><title>Faqe</title>${head}</head><body>${body}</body></html>`);
export const json = (value, status = 200) => response(JSON.stringify(value), 'application/json; charset=utf-8', status);
// An answer the test gives later: route(url, held), then held.release(answer).
export function hold() {
  const held = {};
  held.promise = new Promise((resolve) => { held.release = resolve; });
  return held;
}

const BINDING = '__veskoTestPost';
// WebView2 hands the page's object to the host as JSON; so does the binding, adding which
// document posted, as the host's message source does.
const WEBVIEW = `Object.defineProperty(window.chrome ??= {}, 'webview', { configurable: true, value: {
  postMessage: (message) => ${BINDING}(JSON.stringify({ source: location.href, top: window === top, message })) } });`;

// Date.now, timers and animation frames under the test's control: window.__clock.
const CLOCK = `(() => {
  let now = 1767225600000, nextId = 1, frames = [];
  const timers = new Map();
  const add = (fn, ms, args, repeat) => {
    ms = Math.max(0, Number(ms) || 0);
    timers.set(nextId, { due: now + ms, ms, fn, args, repeat, order: nextId });
    return nextId++;
  };
  window.setTimeout = (fn, ms, ...args) => add(fn, ms, args, false);
  window.setInterval = (fn, ms, ...args) => add(fn, ms, args, true);
  window.clearTimeout = window.clearInterval = (id) => { timers.delete(id); };
  window.requestAnimationFrame = (fn) => frames.push(fn);
  Date.now = () => now;
  window.__clock = {
    // Runs the timers due within ms in order, each followed by its microtasks.
    async advance(ms) {
      const end = now + ms;
      for (;;) {
        const [id, t] = [...timers].filter(([, t]) => t.due <= end)
          .sort(([, a], [, b]) => a.due - b.due || a.order - b.order)[0] ?? [];
        if (!t) break;
        now = t.due;
        if (t.repeat) Object.assign(t, { due: t.due + Math.max(1, t.ms), order: nextId++ }); else timers.delete(id);
        t.fn(...t.args);
        await null;
      }
      now = end;
    },
    frame() { const due = frames; frames = []; for (const fn of due) fn(now); },
  };
})();`;

class PortalPage {
  messages = [];
  requests = [];
  routes = new Map();
  exceptions = [];
  loads = 0;
  #waiters = new Set();

  constructor(cdp, sessionId, targetId) {
    Object.assign(this, { cdp, sessionId, targetId });
  }

  // Unrouted requests get 404; a route of 'fail' fails the request at network level.
  static async open(cdp, { clock = false, script = DOCUMENT_SCRIPT, background = false } = {}) {
    const { targetId } = await cdp.send('Target.createTarget', { url: 'about:blank', background });
    const { sessionId } = await cdp.send('Target.attachToTarget', { targetId, flatten: true });
    const page = new PortalPage(cdp, sessionId, targetId);
    cdp.listeners.add((m) => m.sessionId === sessionId && page.#event(m.method, m.params));
    const scripts = [WEBVIEW, clock && CLOCK, script].filter(Boolean);
    await Promise.all([
      page.send('Runtime.enable'), page.send('Page.enable'), page.send('Runtime.addBinding', { name: BINDING }),
      page.send('Fetch.enable', { patterns: [{ urlPattern: '*' }] }),
      ...scripts.map((source) => page.send('Page.addScriptToEvaluateOnNewDocument', { source })),
      page.send('Emulation.setDeviceMetricsOverride', { width: 1000, height: 700, deviceScaleFactor: 1, mobile: false }),
    ]);
    return page;
  }

  send(method, params) { return this.cdp.send(method, params, this.sessionId); }

  #event(method, params) {
    if (method === 'Runtime.bindingCalled') this.messages.push(JSON.parse(params.payload));
    if (method === 'Runtime.exceptionThrown') this.exceptions.push(params.exceptionDetails);
    if (method === 'Page.loadEventFired') this.loads++;
    if (method === 'Fetch.requestPaused') this.#answer(params);
    for (const waiter of [...this.#waiters]) waiter();
  }

  // The first truthy value of check(), tried again after every event of the page.
  until(check, what = check.toString(), ms = 12000) {
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => { this.#waiters.delete(waiter); reject(new Error(`timed out: ${what}`)); }, ms);
      const waiter = () => {
        const value = check();
        if (value) { this.#waiters.delete(waiter); clearTimeout(timer); resolve(value); }
      };
      this.#waiters.add(waiter);
      waiter();
    });
  }

  route(url, answer) { this.routes.set(url, answer); }

  async #answer({ requestId, request }) {
    this.requests.push(request);
    let answer = this.routes.get(request.url.split('#')[0]);
    try {
      if (answer?.promise) answer = await answer.promise;
      else if (typeof answer === 'function') answer = answer(request);
      if (answer === 'fail') return await this.send('Fetch.failRequest', { requestId, errorReason: 'Failed' });
      answer ??= response('', 'text/plain', 404);
      await this.send('Fetch.fulfillRequest', {
        requestId, responseCode: answer.status, body: Buffer.from(answer.body).toString('base64'),
        responseHeaders: Object.entries(answer.headers).map(([name, value]) => ({ name, value })),
      });
    } catch {
      // The page went away while the answer was pending.
    }
  }

  requested(url) { return this.until(() => this.requests.some((r) => r.url === url), url); }

  async goto(url, { waitLoad = true } = {}) {
    const loads = this.loads;
    const { errorText } = await this.send('Page.navigate', { url });
    if (errorText) throw new Error(`navigation to ${url} failed: ${errorText}`);
    if (waitLoad) await this.until(() => this.loads > loads, `load of ${url}`);
  }

  async evaluate(expression) {
    const { result, exceptionDetails } = await this.send('Runtime.evaluate',
      { expression, awaitPromise: true, returnByValue: true });
    if (exceptionDetails) throw new Error(`page threw: ${exceptionDetails.exception?.description ?? exceptionDetails.text}`);
    return result.value;
  }

  // Messages posted so far: a round trip into the page first, so every earlier post has arrived.
  async posted(type = null) {
    await this.evaluate('0');
    return this.messages.filter((m) => !type || m.message.type === type);
  }

  async ofType(type) { return (await this.posted(type)).map((m) => m.message); }
  async activity() { return (await this.ofType('vesk-activity')).map((m) => m.busy); }
  clearMessages() { this.messages.length = 0; }

  // The injected clock (pages opened with clock: true).
  advance(ms) { return this.evaluate(`__clock.advance(${ms})`); }
  async frames(count) { for (let i = 0; i < count; i++) await this.evaluate('__clock.frame()'); }

  // A real mouse click at the centre of the element; `frame` selects a same-origin iframe first.
  async click(selector, { frame = null, button = 'left' } = {}) {
    const { x, y } = await this.evaluate(`(() => {
      const f = ${JSON.stringify(frame)} && document.querySelector(${JSON.stringify(frame)});
      const el = (f ? f.contentDocument : document).querySelector(${JSON.stringify(selector)});
      el.scrollIntoView({ block: 'center' });
      const [r, at] = [el.getBoundingClientRect(), f?.getBoundingClientRect() ?? { left: 0, top: 0 }];
      return { x: at.left + (f?.clientLeft ?? 0) + r.left + Math.min(r.width / 2, 8),
        y: at.top + (f?.clientTop ?? 0) + r.top + r.height / 2 };
    })()`);
    const buttons = { left: 1, middle: 4 }[button];
    await this.send('Input.dispatchMouseEvent', { type: 'mouseMoved', x, y });
    await this.send('Input.dispatchMouseEvent', { type: 'mousePressed', x, y, button, buttons, clickCount: 1 });
    await this.send('Input.dispatchMouseEvent', { type: 'mouseReleased', x, y, button, buttons: 0, clickCount: 1 });
  }

  middleClick(selector, options = {}) { return this.click(selector, { ...options, button: 'middle' }); }
  type(text) { return this.send('Input.insertText', { text }); }

  async pressEnter() {
    const key = { key: 'Enter', code: 'Enter', windowsVirtualKeyCode: 13 };
    await this.send('Input.dispatchKeyEvent', { type: 'keyDown', text: '\r', ...key });
    await this.send('Input.dispatchKeyEvent', { type: 'keyUp', ...key });
  }

  close() { return this.cdp.send('Target.closeTarget', { targetId: this.targetId }); }
}
