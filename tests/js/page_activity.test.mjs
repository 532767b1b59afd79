// The activity tracker and its busy badge in headless Chromium: what it posts to the
// host and what it shows, for loading documents, gestures, counted and uncounted
// requests, the quiet period, DOM changes and frames. Most cases run on an injected
// clock; the hidden-document and load paths also run in real time.

import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { launch } from './lib/chromium.mjs';
import { PORTAL, PortalPage, hold, json, response } from './lib/page-harness.mjs';

const QUIET = 450;
const GESTURE = 1500;

const html = (body, head = '') => response(
  `<!doctype html><html><head><meta charset=utf-8><title>Faqe</title>${head}</head><body>${body}</body></html>`);

// A page with the usual targets of gestures and a helper to start requests.
const WORKBENCH = html(`
  <p id=plain>Tekst i thjeshte</p>
  <button id=button><span id=inner>Ruaj</span></button>
  <a id=link href="#kreu">Kreu</a>
  <div id=role role=button>Rol</div>
  <form id=form><input id=text name=q><input id=submit type=submit value=Dergo>
    <input id=check type=checkbox></form>
  <form id=lone><input id=lonetext name=r></form>
  <script>
    for (const f of document.forms) f.addEventListener('submit', (e) => e.preventDefault());
    // Starts a request without waiting for it; resolves when it has been sent.
    window.xhr = (url, { method = 'GET', body = null } = {}) => {
      const x = new XMLHttpRequest();
      x.open(method, url);
      window.last = new Promise((resolve) => { x.onloadend = () => resolve(x.responseText); });
      x.send(body);
      return true;
    };
  </script>`);

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser?.close(); });

// A loaded workbench on the injected clock, already settled to idle, messages cleared.
async function idleWorkbench(options = {}) {
  const page = await PortalPage.open(browser, { clock: true, ...options });
  page.route(`${PORTAL}/bench`, WORKBENCH);
  await page.goto(`${PORTAL}/bench`);
  await settle(page);
  assert.deepEqual(page.activity(), [true, false], 'a loaded page reports busy, then idle');
  page.clearMessages();
  return page;
}

// The full quiet period and the two frames that follow it.
async function settle(page) {
  await page.advance(QUIET);
  await page.frames(2);
  await page.posted();
}

describe('document life', { timeout: 30000 }, () => {
  test('a loading document is busy at once and idle only after load, the quiet period and two frames', async () => {
    const page = await PortalPage.open(browser, { clock: true });
    const image = hold();
    page.route(`${PORTAL}/slow`, html('<p>Ngarkim</p><img src="/img.png">'));
    page.route(`${PORTAL}/img.png`, image);
    await page.goto(`${PORTAL}/slow`, { waitLoad: false });
    await image.requestedPromise;
    await page.waitForMessage((m) => m.message.type === 'vesk-activity');
    await page.evaluate(`document.readyState !== 'loading' ||
      new Promise((r) => document.addEventListener('DOMContentLoaded', r))`);
    assert.equal(await page.badgeVisible(), true, 'badge shown while the document loads');

    // Nothing ends the loading state before the load event, however long it takes.
    await page.advance(60000);
    await page.frames(3);
    assert.deepEqual((await page.posted(), page.activity()), [true]);

    const loaded = page.session.waitFor('Page.loadEventFired');
    image.release(response('', 'image/png', 404));
    await loaded;
    await page.advance(QUIET - 1);
    await page.frames(3);
    assert.deepEqual((await page.posted(), page.activity()), [true], 'not idle before 450 ms');
    await page.advance(1);
    await page.frame();
    assert.deepEqual((await page.posted(), page.activity()), [true], 'not idle after one frame');
    await page.frame();
    assert.deepEqual((await page.posted(), page.activity()), [true, false]);
    assert.equal(await page.badgeVisible(), false);
    assert.deepEqual(page.messages.map((m) => m.top), [true, true]);
    assert.deepEqual(page.exceptions, []);
  });

  test('pageshow ends the loading state without waiting for load', async () => {
    const page = await PortalPage.open(browser, { clock: true });
    const image = hold();
    page.route(`${PORTAL}/slow`, html('<img src="/img.png">'));
    page.route(`${PORTAL}/img.png`, image);
    await page.goto(`${PORTAL}/slow`, { waitLoad: false });
    await image.requestedPromise;
    await page.evaluate("dispatchEvent(new PageTransitionEvent('pageshow', { persisted: true }))");
    await settle(page);
    assert.deepEqual(page.activity(), [true, false]);
    // A second pageshow settles again and reports idle again.
    await page.evaluate("dispatchEvent(new PageTransitionEvent('pageshow', { persisted: true }))");
    await settle(page);
    assert.deepEqual(page.activity(), [true, false, false]);
    image.release(response('', 'image/png', 404));
  });

  test('real time: idle comes 450 ms after load, with frames in a visible document and without in a hidden one', async () => {
    // The hidden one is a background tab opened beside the visible one.
    const pages = [];
    for (const background of [false, true]) {
      const page = await PortalPage.open(browser, { background });
      const image = hold();
      page.route(`${PORTAL}/real`, html('<button>Ruaj</button><img src="/img.png">'));
      page.route(`${PORTAL}/img.png`, image);
      pages.push({ page, image, background });
    }
    for (const { page, image, background } of pages) {
      await page.goto(`${PORTAL}/real`, { waitLoad: false });
      await image.requestedPromise;
      assert.equal(await page.evaluate('document.hidden'), background);
      const loaded = page.session.waitFor('Page.loadEventFired');
      image.release(response('', 'image/png', 404));
      await loaded;
      const idle = await page.waitForMessage(
        (m) => m.message.type === 'vesk-activity' && m.message.busy === false, 5000);
      // Both times on the page's own clock: from the load event to the post.
      const loadStart = await page.evaluate("performance.getEntriesByType('navigation')[0].loadEventStart");
      const waited = idle.at - loadStart;
      assert.ok(waited >= QUIET - 2, `idle ${waited} ms after load`);
      assert.ok(waited < 3000, `idle ${waited} ms after load`);
      assert.deepEqual(page.activity(), [true, false]);
      // In the hidden document no animation frame runs: the idle report cannot have
      // waited for one.
      if (background) {
        const framed = await page.evaluate(
          'new Promise((r) => { requestAnimationFrame(() => r(true)); setTimeout(() => r(false), 300); })');
        assert.equal(framed, false);
      }
    }
    for (const { page } of pages) {
      await page.session.connection.send('Target.closeTarget', { targetId: page.session.targetId });
    }
  });
});

describe('gestures', { timeout: 30000 }, () => {
  test('clicks on links and buttons show busy at once; other clicks only arm', async () => {
    const cases = [
      { target: '#plain', busy: false },
      { target: '#text', busy: false },
      { target: '#inner', busy: true }, // a span inside a button
      { target: '#button', busy: true },
      { target: '#link', busy: true },
      { target: '#role', busy: true },
      { target: '#submit', busy: true }, // click and the submit that follows
      { target: '#check', busy: true }, // not a trigger, but its change event is
    ];
    const page = await idleWorkbench();
    for (const c of cases) {
      await page.click(c.target);
      const posted = (await page.posted(), page.activity());
      assert.deepEqual(posted, c.busy ? [true] : [], c.target);
      assert.equal(await page.badgeVisible(), c.busy, c.target);
      await settle(page);
      assert.deepEqual(page.activity(), c.busy ? [true, false] : [], c.target);
      page.clearMessages();
      await page.advance(GESTURE + 1);
    }
  });

  test('a trusted submit without any click shows busy', async () => {
    const page = await idleWorkbench();
    await page.click('#lonetext');
    await page.advance(GESTURE + 1);
    await page.press('Enter', 'Enter', 13, '\r');
    assert.deepEqual((await page.posted(), page.activity()), [true]);
  });

  test('a request counts up to exactly 1500 ms after a gesture', async () => {
    const page = await idleWorkbench();
    page.route(`${PORTAL}/data`, json([]));
    for (const [delay, counts] of [[0, true], [GESTURE - 1, true], [GESTURE, true], [GESTURE + 1, false]]) {
      await page.click('#plain');
      await page.advance(delay);
      await page.evaluate(`xhr('/data')`);
      await page.evaluate('last');
      assert.deepEqual((await page.posted(), page.activity()), counts ? [true] : [], `after ${delay} ms`);
      await settle(page);
      page.clearMessages();
      await page.advance(GESTURE + 1);
    }
  });

  test('scripted clicks neither show busy nor arm', async () => {
    const page = await idleWorkbench();
    page.route(`${PORTAL}/data`, json([]));
    await page.evaluate("document.querySelector('#button').click()");
    await page.evaluate(`xhr('/data')`);
    await page.evaluate('last');
    await settle(page);
    assert.deepEqual(page.activity(), []);
  });
});

describe('requests', { timeout: 30000 }, () => {
  test('requests without a gesture never count', async () => {
    const page = await idleWorkbench();
    page.route(`${PORTAL}/poll`, json({ ok: 1 }));
    await page.evaluate(`xhr('/poll')`);
    await page.evaluate('last');
    await page.evaluate("fetch('/poll').then((r) => r.json())");
    await settle(page);
    assert.deepEqual(page.activity(), []);
    assert.equal(await page.badgeVisible(), false);
  });

  test('excluded polling never counts, even right after a click, in any letter case', async () => {
    const page = await idleWorkbench();
    const urls = [
      '/index.php?notificationCRUD/countNotifications',
      '/index.php?NOTIFICATIONCRUD/LoadNotifications&x=1',
      '/Chat_API/poll',
      '/user/last_seen',
      '/x?LAST_SEEN=1',
    ];
    const held = urls.map((u) => {
      const h = hold();
      page.route(`${PORTAL}${u}`, h);
      return h;
    });
    await page.click('#button');
    await page.evaluate(`xhr(${JSON.stringify(urls[0])})`);
    await page.evaluate(`fetch(${JSON.stringify(urls[1])}); true`);
    await page.evaluate(`fetch(new Request(${JSON.stringify(urls[2])})); true`);
    await page.evaluate(`fetch(new URL(${JSON.stringify(urls[3])}, location)); true`);
    await page.evaluate(`xhr(new URL(${JSON.stringify(urls[4])}, location))`);
    await Promise.all(held.map((h) => h.requestedPromise));
    await settle(page);
    assert.deepEqual(page.activity(), [true, false], 'idle while every excluded request hangs');
    for (const h of held) h.release(json([]));
    await page.evaluate('last');
    await settle(page);
    assert.deepEqual(page.activity(), [true, false]);
  });

  test('a request started while a counted one is in flight counts, and idle waits for both', async () => {
    const page = await idleWorkbench();
    const first = hold();
    const second = hold();
    page.route(`${PORTAL}/first`, first);
    page.route(`${PORTAL}/second`, second);
    page.route(`${PORTAL}/third`, json([]));
    await page.click('#plain');
    await page.evaluate(`xhr('/first')`);
    assert.deepEqual((await page.posted(), page.activity()), [true]);
    await page.advance(GESTURE + 500);
    await page.evaluate(`xhr('/second')`);
    await first.requestedPromise;
    await second.requestedPromise;
    first.release(json([1]));
    await page.evaluate(`new Promise((r) => {
      const x = new XMLHttpRequest(); x.open('GET', '/third'); x.onloadend = r; x.send();
    })`);
    await settle(page);
    assert.deepEqual(page.activity(), [true], 'still busy: the second request is in flight');
    second.release(json([2]));
    await page.evaluate('last');
    await page.advance(QUIET - 1);
    await page.frames(2);
    assert.deepEqual((await page.posted(), page.activity()), [true]);
    await page.advance(1);
    await page.frames(2);
    assert.deepEqual((await page.posted(), page.activity()), [true, false]);
    // Nothing counted in flight and no gesture: a third request does not count.
    page.clearMessages();
    await page.evaluate(`xhr('/third')`);
    await page.evaluate('last');
    await settle(page);
    assert.deepEqual(page.activity(), []);
  });

  test('XHR wrappers pass arguments, bodies, synchronous requests and the page\'s own errors through', async () => {
    const page = await idleWorkbench();
    let posted = null;
    page.route(`${PORTAL}/save`, (request) => {
      posted = { method: request.method, body: request.postData };
      return response('ruajtur', 'text/plain');
    });
    page.route(`${PORTAL}/sync`, response('sinkron', 'text/plain'));
    await page.click('#plain');
    await page.evaluate(`xhr('/save', { method: 'POST', body: 'emri=Ana&kati=3' })`);
    assert.equal(await page.evaluate('last'), 'ruajtur');
    assert.deepEqual(posted, { method: 'POST', body: 'emri=Ana&kati=3' });
    const sync = await page.evaluate(`(() => {
      const x = new XMLHttpRequest(); x.open('GET', '/sync', false); x.send(); return x.responseText;
    })()`);
    assert.equal(sync, 'sinkron');
    // send before open: the page gets the engine's own error, and nothing stays busy.
    const error = await page.evaluate(`(() => {
      try { new XMLHttpRequest().send(); return 'no error'; } catch (e) { return e.name; }
    })()`);
    assert.equal(error, 'InvalidStateError');
    const illegal = await page.evaluate(`(() => {
      try { XMLHttpRequest.prototype.send.call({}); return 'no error'; } catch (e) { return e instanceof TypeError; }
    })()`);
    assert.equal(illegal, true);
    await settle(page);
    assert.deepEqual(page.activity(), [true, false]);
  });

  test('fetch counts its request, and reading a body counts on its own', async () => {
    const page = await idleWorkbench();
    page.route(`${PORTAL}/zonat`, json([{ id: 1 }, { id: 2 }]));
    await page.click('#plain');
    await page.evaluate(`fetch('/zonat').then((r) => { window.r = r; return true; })`);
    assert.deepEqual((await page.posted(), page.activity()), [true]);
    await settle(page);
    assert.deepEqual(page.activity(), [true, false]);
    const own = await page.evaluate(
      `['json', 'text', 'blob', 'arrayBuffer', 'formData'].map((n) => Object.hasOwn(r, n) && typeof r[n])`);
    assert.deepEqual(own, ['function', 'function', 'function', 'function', 'function']);

    // Long after any gesture: reading the body alone shows busy, then settles.
    await page.advance(10000);
    page.clearMessages();
    const rows = await page.evaluate('r.json().then((d) => d.length)');
    assert.equal(rows, 2);
    assert.deepEqual((await page.posted(), page.activity()), [true]);
    await settle(page);
    assert.deepEqual(page.activity(), [true, false]);

    // A body read that fails (already used) still ends its count.
    page.clearMessages();
    const failed = await page.evaluate('r.text().then(() => "read", (e) => e.name)');
    assert.equal(failed, 'TypeError');
    await settle(page);
    assert.deepEqual(page.activity(), [true, false]);
  });

  test('fetch passes the receiver, Request objects and rejections through', async () => {
    const page = await idleWorkbench();
    page.route(`${PORTAL}/broken`, 'fail');
    page.route(`${PORTAL}/echo`, (request) => response(request.method, 'text/plain'));
    await page.click('#plain');
    const rejected = await page.evaluate(`fetch('/broken').then(() => 'ok', (e) => e.name)`);
    assert.equal(rejected, 'TypeError');
    const method = await page.evaluate(
      `window.fetch(new Request('/echo', { method: 'PUT', body: 'x' })).then((r) => r.text())`);
    assert.equal(method, 'PUT');
    await settle(page);
    assert.deepEqual(page.activity(), [true, false]);
    // Responses of requests that did not count keep the engine's own body methods.
    await page.advance(GESTURE + 1);
    const untouched = await page.evaluate(`fetch('/echo').then((r) => Object.hasOwn(r, 'json'))`);
    assert.equal(untouched, false);
  });
});

describe('quiet period and DOM changes', { timeout: 30000 }, () => {
  test('a page that keeps changing stays busy until 450 ms after its last change', async () => {
    const page = await idleWorkbench();
    await page.evaluate(`document.querySelector('#button').addEventListener('click', () => {
      let n = 0;
      const id = setInterval(() => {
        document.body.append(Object.assign(document.createElement('p'), { textContent: 'rresht ' + n }));
        if (++n === 5) clearInterval(id);
      }, 200);
    })`);
    await page.click('#button');
    assert.deepEqual((await page.posted(), page.activity()), [true]);
    // Changes at 200 ... 1000 ms; each restarts the quiet period.
    for (let t = 100; t <= 1400; t += 100) {
      await page.advance(100);
      await page.frames(2);
    }
    await page.advance(1000 + QUIET - 1 - 1400);
    await page.frames(2);
    assert.deepEqual((await page.posted(), page.activity()), [true], 'busy until 1449 ms');
    await page.advance(1);
    await page.frames(2);
    assert.deepEqual((await page.posted(), page.activity()), [true, false]);
    // Changes while idle do not make the page busy.
    page.clearMessages();
    await page.evaluate("document.body.append(document.createElement('hr'))");
    await settle(page);
    assert.deepEqual(page.activity(), []);
  });

  test('a gesture during the quiet period restarts it', async () => {
    const page = await idleWorkbench();
    await page.click('#button');
    await page.advance(400);
    await page.click('#link');
    await page.advance(400);
    await page.frames(2);
    assert.deepEqual((await page.posted(), page.activity()), [true]);
    await page.advance(50);
    await page.frames(2);
    assert.deepEqual((await page.posted(), page.activity()), [true, false]);
  });

  test('a gesture after the quiet period but before its frames keeps the page busy', async () => {
    const page = await idleWorkbench();
    await page.click('#button');
    await page.advance(QUIET);
    await page.click('#link'); // the earlier attempt is now waiting for its frames
    await page.frames(2);
    assert.deepEqual((await page.posted(), page.activity()), [true], 'the stale attempt must not end busy');
    assert.equal(await page.badgeVisible(), true);
    await settle(page);
    assert.deepEqual(page.activity(), [true, false]);
  });
});

describe('badge', { timeout: 30000 }, () => {
  test('one closed-shadow badge on the root element, top right, above everything and click-through', async () => {
    const page = await idleWorkbench();
    await page.click('#button');
    const badge = await page.badge();
    assert.ok(badge, 'badge present');
    assert.equal(badge.parentIsRoot, true, 'appended to the root element');
    assert.equal(badge.shadow.shadowRootType, 'closed');
    assert.equal(await page.evaluate("document.querySelector('[data-vesk-loading]').shadowRoot"), null);
    assert.equal(await page.evaluate("document.querySelector('[data-vesk-loading]').getAttribute('data-vesk-loading')"), '');

    const [style, inner] = badge.shadow.children;
    assert.equal(style.nodeName, 'STYLE');
    const content = await page.onNode(inner.backendNodeId, `function () {
      const s = getComputedStyle(this);
      const spin = this.querySelector('.spin');
      const sp = getComputedStyle(spin);
      return {
        className: this.className, role: this.getAttribute('role'), live: this.getAttribute('aria-live'),
        children: [...this.children].map((c) => c.tagName + '.' + c.className),
        text: this.textContent,
        display: s.display, background: s.backgroundColor, color: s.color, radius: s.borderRadius,
        font: s.fontSize + ' ' + s.fontFamily, padding: s.padding, gap: s.columnGap,
        spin: { width: sp.width, height: sp.height, top: sp.borderTopColor, radius: sp.borderRadius,
          name: sp.animationName, duration: sp.animationDuration, timing: sp.animationTimingFunction,
          count: sp.animationIterationCount },
      };
    }`);
    assert.deepEqual(content, {
      className: 'badge', role: 'status', live: 'polite',
      children: ['SPAN.spin', 'SPAN.'],
      text: 'Po ngarkohet…',
      display: 'flex', background: 'rgb(255, 255, 255)', color: 'rgb(36, 50, 71)', radius: '24px',
      font: '14px "Segoe UI", Arial, sans-serif', padding: '11px 17px', gap: '10px',
      spin: { width: '17px', height: '17px', top: 'rgb(40, 114, 206)', radius: '50%',
        name: content.spin.name, duration: '0.8s', timing: 'linear', count: 'infinite' },
    });
    assert.notEqual(content.spin.name, 'none');

    const placed = await page.evaluate(`(() => {
      const host = document.querySelector('[data-vesk-loading]');
      const r = host.shadowRoot === null && host.getBoundingClientRect();
      const s = getComputedStyle(host);
      const under = document.elementFromPoint(r.left + 5, r.top + 5);
      return { right: innerWidth - r.right, top: r.top, position: s.position, z: s.zIndex,
        events: s.pointerEvents, display: s.display, under: under === host ? 'badge' : 'page', width: r.width > 50 };
    })()`);
    assert.deepEqual(placed, { right: 24, top: 16, position: 'fixed', z: '2147483647',
      events: 'none', display: 'block', under: 'page', width: true });

    // Hidden when idle, shown again on the next gesture: still the same single element,
    // even after the page replaced its whole body.
    await settle(page);
    assert.equal(await page.badgeVisible(), false);
    await page.evaluate("document.body.innerHTML = '<button id=again>Perseri</button>'");
    await page.click('#again');
    assert.equal(await page.badgeVisible(), true);
    assert.equal(await page.evaluate("document.querySelectorAll('[data-vesk-loading]').length"), 1);
  });

  test('with reduced motion the spinner does not turn', async () => {
    const page = await idleWorkbench({ media: [{ name: 'prefers-reduced-motion', value: 'reduce' }] });
    await page.click('#button');
    const badge = await page.badge();
    const name = await page.onNode(badge.shadow.children[1].backendNodeId,
      "function () { return getComputedStyle(this.querySelector('.spin')).animationName; }");
    assert.equal(name, 'none');
  });
});

describe('frames', { timeout: 30000 }, () => {
  test('a portal frame keeps its own busy state and badge but never posts activity; its other blocks post', async () => {
    const page = await PortalPage.open(browser, { clock: true });
    page.route(`${PORTAL}/outer`, html('<h1>Jashte</h1><iframe id=f src="/inner" width=600 height=300></iframe>'));
    page.route(`${PORTAL}/inner`, html(`<button id=b>Ruaj</button><input id=t>
      <a id=l href="/ndertesa/5">Ndertesa 5</a>`));
    page.route(`${PORTAL}/inner?mbeshtjelljetCRUD/get_zones&ndertesa=5`, json([1, 2]));
    await page.goto(`${PORTAL}/outer`);
    await settle(page);
    await page.evaluate("document.querySelector('#f').contentWindow.__clock.advance(450)");
    for (let i = 0; i < 2; i++) await page.evaluate("document.querySelector('#f').contentWindow.__clock.frame()");
    page.clearMessages();

    await page.click('#b', { frame: '#f' });
    const frameBadge = await page.evaluate(`(() => {
      const d = document.querySelector('#f').contentDocument;
      const host = d.querySelector('[data-vesk-loading]');
      return host && getComputedStyle(host).display;
    })()`);
    assert.equal(frameBadge, 'block', "the frame's badge shows");
    assert.equal(await page.badgeVisible(), false, "the top document's badge does not");

    await page.click('#t', { frame: '#f' });
    await page.type('x');
    await page.middleClick('#l', { frame: '#f' });
    await page.evaluate(`new Promise((resolve) => {
      const w = document.querySelector('#f').contentWindow;
      const x = new w.XMLHttpRequest();
      x.open('GET', '?mbeshtjelljetCRUD/get_zones&ndertesa=5');
      x.onloadend = resolve;
      x.send();
    })`);
    const posted = await page.posted();
    const types = posted.map((m) => m.message.type);
    assert.ok(!types.includes('vesk-activity'), JSON.stringify(types));
    assert.deepEqual(posted.map((m) => [m.message.type, m.top, m.source]), [
      ['vesko-dirty', false, `${PORTAL}/inner`],
      ['vesk-open-background', false, `${PORTAL}/inner`],
      ['vesk-zone-result', false, `${PORTAL}/inner`],
    ]);
    assert.equal(posted[1].message.url, `${PORTAL}/ndertesa/5`);
    assert.deepEqual(posted[2].message, { type: 'vesk-zone-result', status: 200, rows: 2 });
  });
});
