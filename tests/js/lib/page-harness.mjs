// Runs pages the way the program does: served under the portal host through the Fetch
// domain, with chrome.webview.postMessage provided through a binding and the document
// script added before the page's own scripts. Optionally a controllable clock.

import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

const BINARY_DIR = process.env.VESKO_BINARY_DIR;
const SOURCE_DIR = process.env.VESKO_SOURCE_DIR;
if (!BINARY_DIR || !SOURCE_DIR) {
  throw new Error('VESKO_BINARY_DIR and VESKO_SOURCE_DIR must be set (ctest sets them)');
}

function cacheValue(name) {
  const cache = readFileSync(join(BINARY_DIR, 'CMakeCache.txt'), 'utf8');
  const match = cache.match(new RegExp(`^${name}:[A-Z]+=(.*)$`, 'm'));
  if (!match) throw new Error(`${name} not in CMakeCache.txt`);
  return match[1];
}

export const PORTAL_HOST = cacheValue('VESKO_PORTAL_HOST');
export const PROBE_CDN_HOST = cacheValue('VESKO_PROBE_CDN_HOST');
export const CDN_HOSTS = cacheValue('VESKO_CDN_HOSTS').split(';');
export const PORTAL = `https://${PORTAL_HOST}`;

const PAGE_SCRIPT_TOOL = join(BINARY_DIR, 'tools', 'page-script', 'vesko-page-script');

// The zone diagnostic hook comes with the asset pack; where the pack has none yet the
// document script starts with an empty text, as the join allows.
export const ZONE_DIAGNOSTIC_FILE = (() => {
  const packed = join(SOURCE_DIR, 'pack', '__zone_diagnostic.js');
  if (existsSync(packed)) return packed;
  const empty = join(mkdtempSync(join(tmpdir(), 'vesko-zone-')), 'empty.js');
  writeFileSync(empty, '');
  return empty;
})();

// The embedded document script, byte for byte as the program adds it.
export const DOCUMENT_SCRIPT = execFileSync(PAGE_SCRIPT_TOOL, ['document', ZONE_DIAGNOSTIC_FILE])
  .toString('utf8');

// This system's own texts without the asset pack's hook: page activity, dirty marker.
export const OWN_TEXTS = execFileSync(PAGE_SCRIPT_TOOL, ['activity']).toString('utf8') +
  execFileSync(PAGE_SCRIPT_TOOL, ['dirty']).toString('utf8');

const BINDING = '__veskoTestPost';

// WebView2 hands the page's object to the host as JSON; the binding does the same and
// adds which document posted, as the host's message source does, and when (the page's
// own monotonic clock, for timing checks in real time).
const WEBVIEW_SHIM = `(() => {
  const post = window.${BINDING};
  const webview = {
    postMessage(message) {
      post(JSON.stringify({ source: location.href, top: window === window.top, at: performance.now(), message }));
    },
  };
  window.chrome = window.chrome || {};
  Object.defineProperty(window.chrome, 'webview', { value: webview, configurable: true });
})();`;

// Date.now, timers and animation frames under the test's control: window.__clock.
const FAKE_CLOCK = `(() => {
  let now = 1767225600000;
  let nextId = 1;
  const timers = new Map();
  let frames = [];
  const add = (fn, delay, args, repeat) => {
    const id = nextId++;
    const ms = Math.max(0, Number(delay) || 0);
    timers.set(id, { due: now + ms, ms, fn, args, repeat, order: id });
    return id;
  };
  window.setTimeout = (fn, delay, ...args) => add(fn, delay, args, false);
  window.setInterval = (fn, delay, ...args) => add(fn, delay, args, true);
  window.clearTimeout = window.clearInterval = (id) => { timers.delete(id); };
  window.requestAnimationFrame = (fn) => { frames.push(fn); return frames.length; };
  window.cancelAnimationFrame = () => {};
  Date.now = () => now;
  const run = (fn, args) => { if (typeof fn === 'function') fn(...args); else (0, eval)(String(fn)); };
  window.__clock = {
    now: () => now,
    // Runs every timer that falls due within ms, in order, and leaves the clock there.
    // Microtasks (promise reactions, mutation observers) run after each timer, at its time.
    async advance(ms) {
      const end = now + ms;
      for (;;) {
        let next = null;
        for (const [id, t] of timers) {
          if (t.due <= end && (!next || t.due < next[1].due || (t.due === next[1].due && t.order < next[1].order))) next = [id, t];
        }
        if (!next) break;
        const [id, t] = next;
        now = t.due;
        if (t.repeat) { t.due += Math.max(1, t.ms); t.order = nextId++; } else timers.delete(id);
        run(t.fn, t.args);
        await null;
      }
      now = end;
    },
    // Runs the animation frame callbacks requested so far (one frame).
    frame() {
      const due = frames;
      frames = [];
      for (const fn of due) fn(now);
    },
    pendingFrames: () => frames.length,
  };
})();`;

export function response(body, contentType = 'text/html; charset=utf-8', status = 200, extraHeaders = {}) {
  return { status, body, headers: { 'Content-Type': contentType, ...extraHeaders } };
}

export const json = (value, status = 200) =>
  response(JSON.stringify(value), 'application/json; charset=utf-8', status);

// A response the test releases later: `held.release(response)`.
export function hold() {
  let release;
  const promise = new Promise((resolve) => { release = resolve; });
  const held = { promise, release, requested: null };
  held.requestedPromise = new Promise((resolve) => { held.markRequested = resolve; });
  return held;
}

export class PortalPage {
  constructor(session) {
    this.session = session;
    this.messages = [];
    this.requests = [];
    this.routes = new Map();
    this.exceptions = [];
    this.fallback = null; // answers requests that no route names
  }

  // routes: Map or object of absolute URL -> response | hold() | (request) => response.
  // Unrouted requests get 404; a route of 'fail' fails the request at network level.
  static async open(browser, { clock = false, documentScript = DOCUMENT_SCRIPT, background = false,
    media = null } = {}) {
    const session = await browser.newPage({ background });
    const page = new PortalPage(session);
    session.on('Runtime.bindingCalled', (event) => {
      if (event.name !== BINDING) return;
      page.messages.push(JSON.parse(event.payload));
    });
    session.on('Runtime.exceptionThrown', (event) => page.exceptions.push(event.exceptionDetails));
    session.on('Fetch.requestPaused', (event) => page.#answer(event));
    await session.send('Runtime.enable');
    await session.send('Page.enable');
    await session.send('Runtime.addBinding', { name: BINDING });
    await session.send('Fetch.enable', { patterns: [{ urlPattern: '*' }] });
    await session.send('Page.addScriptToEvaluateOnNewDocument', { source: WEBVIEW_SHIM });
    if (clock) await session.send('Page.addScriptToEvaluateOnNewDocument', { source: FAKE_CLOCK });
    if (documentScript !== null) {
      await session.send('Page.addScriptToEvaluateOnNewDocument', { source: documentScript });
    }
    if (media) await session.send('Emulation.setEmulatedMedia', { features: media });
    await session.send('Emulation.setDeviceMetricsOverride', {
      width: 1000, height: 700, deviceScaleFactor: 1, mobile: false,
    });
    return page;
  }

  route(url, answer) {
    this.routes.set(url, answer);
    return this;
  }

  async #answer({ requestId, request }) {
    this.requests.push(request);
    const noHash = request.url.split('#')[0];
    let answer = this.routes.get(noHash) ?? this.fallback;
    try {
      if (answer && answer.promise) {
        answer.requested = request;
        answer.markRequested(request);
        answer = await answer.promise;
      } else if (typeof answer === 'function') {
        answer = await answer(request);
      }
      if (answer === 'fail') {
        await this.session.send('Fetch.failRequest', { requestId, errorReason: 'Failed' });
        return;
      }
      answer ??= response('', 'text/plain', 404);
      const body = Buffer.from(answer.body ?? '');
      const headers = Object.entries(answer.headers ?? {}).map(([name, value]) => ({ name, value }));
      await this.session.send('Fetch.fulfillRequest', {
        requestId,
        responseCode: answer.status ?? 200,
        responsePhrase: answer.phrase,
        responseHeaders: headers,
        body: body.toString('base64'),
      });
    } catch {
      // The page went away while the answer was pending.
    }
  }

  async goto(url, { waitLoad = true } = {}) {
    const loaded = waitLoad
      ? this.session.waitFor('Page.loadEventFired', () => true, 15000) : null;
    const { errorText } = await this.session.send('Page.navigate', { url });
    if (errorText) throw new Error(`navigation to ${url} failed: ${errorText}`);
    if (loaded) await loaded;
  }

  evaluate(expression, options) {
    return this.session.evaluate(expression, options);
  }

  // Messages posted so far. A round trip into the page first, so that every post the
  // page made before this call has arrived.
  async posted(filter = () => true) {
    await this.evaluate('0');
    return this.messages.filter(filter);
  }

  async postedOfType(type) {
    return (await this.posted((m) => m.message?.type === type)).map((m) => m.message);
  }

  async waitForMessage(predicate, timeoutMs = 10000) {
    const deadline = Date.now() + timeoutMs;
    for (;;) {
      const found = this.messages.find(predicate);
      if (found) return found;
      if (Date.now() > deadline) {
        throw new Error(`no such message; posted: ${JSON.stringify(this.messages.map((m) => m.message))}`);
      }
      await new Promise((resolve) => setTimeout(resolve, 10));
    }
  }

  activity() {
    return this.messages.filter((m) => m.message?.type === 'vesk-activity').map((m) => m.message.busy);
  }

  clearMessages() {
    this.messages.length = 0;
  }

  // Clock control (pages opened with clock: true).
  advance(ms) { return this.evaluate(`window.__clock.advance(${ms})`); }
  frame() { return this.evaluate('window.__clock.frame()'); }
  async frames(count) { for (let i = 0; i < count; i++) await this.frame(); }

  // Centre of the element in viewport coordinates; `frame` selects an iframe first.
  async point(selector, frame = null) {
    const expr = `(() => {
      let doc = document, dx = 0, dy = 0;
      ${frame ? `const f = document.querySelector(${JSON.stringify(frame)});
        const fr = f.getBoundingClientRect(); dx = fr.left + f.clientLeft; dy = fr.top + f.clientTop;
        doc = f.contentDocument;` : ''}
      const el = doc.querySelector(${JSON.stringify(selector)});
      if (!el) return null;
      el.scrollIntoView({ block: 'center' });
      const r = el.getBoundingClientRect();
      return { x: dx + r.left + Math.min(r.width / 2, 8), y: dy + r.top + r.height / 2 };
    })()`;
    const point = await this.evaluate(expr);
    if (!point) throw new Error(`no element ${selector}`);
    return point;
  }

  // An element inside a frame, found through DevTools: works for frames of another
  // origin, which the page itself cannot look into.
  async frameNode(selector, frame) {
    const { root } = await this.session.send('DOM.getDocument', { depth: -1, pierce: true });
    const { nodeId: frameId } = await this.session.send('DOM.querySelector', { nodeId: root.nodeId, selector: frame });
    const { node } = await this.session.send('DOM.describeNode', { nodeId: frameId, depth: 1, pierce: true });
    const { nodeIds } = await this.session.send('DOM.pushNodesByBackendIdsToFrontend', {
      backendNodeIds: [node.contentDocument.backendNodeId] });
    const { nodeId } = await this.session.send('DOM.querySelector', { nodeId: nodeIds[0], selector });
    if (!nodeId) throw new Error(`no element ${selector} in ${frame}`);
    const { node: found } = await this.session.send('DOM.describeNode', { nodeId });
    return { nodeId, backendNodeId: found.backendNodeId };
  }

  async pointByDom(selector, frame) {
    const { nodeId } = await this.frameNode(selector, frame);
    const { model } = await this.session.send('DOM.getBoxModel', { nodeId });
    const [x1, y1, , , x3, y3] = model.content;
    return { x: (x1 + x3) / 2, y: (y1 + y3) / 2 };
  }

  async mouse(x, y, button = 'left') {
    const buttons = { left: 1, right: 2, middle: 4 }[button];
    await this.session.send('Input.dispatchMouseEvent', { type: 'mouseMoved', x, y });
    await this.session.send('Input.dispatchMouseEvent', {
      type: 'mousePressed', x, y, button, buttons, clickCount: 1,
    });
    await this.session.send('Input.dispatchMouseEvent', {
      type: 'mouseReleased', x, y, button, buttons: 0, clickCount: 1,
    });
  }

  async click(selector, { frame = null, button = 'left', foreign = false } = {}) {
    const { x, y } = foreign ? await this.pointByDom(selector, frame) : await this.point(selector, frame);
    await this.mouse(x, y, button);
  }

  middleClick(selector, options = {}) {
    return this.click(selector, { ...options, button: 'middle' });
  }

  async type(text) {
    await this.session.send('Input.insertText', { text });
  }

  async press(key, code = key, keyCode = 0, text = undefined) {
    const base = { key, code, windowsVirtualKeyCode: keyCode };
    await this.session.send('Input.dispatchKeyEvent', { type: text ? 'keyDown' : 'rawKeyDown', ...base, text });
    await this.session.send('Input.dispatchKeyEvent', { type: 'keyUp', ...base });
  }

  // The badge as the page shows it, read through DevTools (the shadow root is closed).
  async badge() {
    const { root } = await this.session.send('DOM.getDocument', { depth: -1, pierce: true });
    const find = (node) => {
      if (node.attributes) {
        for (let i = 0; i < node.attributes.length; i += 2) {
          if (node.attributes[i] === 'data-vesk-loading') return node;
        }
      }
      for (const child of [...(node.children ?? []), ...(node.contentDocument ? [node.contentDocument] : [])]) {
        const hit = find(child);
        if (hit) return hit;
      }
      return null;
    };
    const html = root.children?.find((n) => n.nodeName === 'HTML');
    const host = html ? (html.children ?? []).find((n) => n.attributes?.includes('data-vesk-loading')) ?? find(html) : null;
    if (!host) return null;
    return { host, shadow: host.shadowRoots?.[0] ?? null, parentIsRoot: host.parentId === html.nodeId };
  }

  // Runs fn (a function source) with `this` bound to the DOM node.
  async onNode(backendNodeId, fn) {
    const { object } = await this.session.send('DOM.resolveNode', { backendNodeId });
    const { result, exceptionDetails } = await this.session.send('Runtime.callFunctionOn', {
      objectId: object.objectId, functionDeclaration: fn, returnByValue: true,
    });
    if (exceptionDetails) throw new Error(exceptionDetails.text);
    return result.value;
  }

  async badgeVisible() {
    return this.evaluate(`(() => {
      const host = document.querySelector('[data-vesk-loading]');
      return host ? getComputedStyle(host).display !== 'none' : null;
    })()`);
  }
}
