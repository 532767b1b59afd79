// The activity tracker and its busy badge on an injected clock: what it posts to the host
// and shows, for loading documents, gestures, counted and uncounted requests, the quiet
// period, DOM changes and frames.

import assert from 'node:assert/strict';
import { test } from 'node:test';

import { PORTAL, hold, html, json, response, sharedBrowser } from './lib/harness.mjs';

const QUIET = 450;
const GESTURE = 1500;
const browser = sharedBrowser();

const WORKBENCH = html(`
  <p id=plain>Tekst i thjeshte</p>
  <button id=button><span id=inner>Ruaj</span></button>
  <a id=link href="#kreu">Kreu</a>
  <div id=role role=button>Rol</div>
  <form id=form><input id=text name=q><input id=submit type=submit value=Dergo><input id=check type=checkbox></form>
  <script>
    for (const f of document.forms) f.addEventListener('submit', (e) => e.preventDefault());
    // Starts a request without waiting for it; window.last settles with its answer.
    window.xhr = (url, method = 'GET', body = null) => {
      const x = new XMLHttpRequest();
      x.open(method, url);
      window.last = new Promise((resolve) => { x.onloadend = () => resolve(x.responseText); });
      x.send(body);
      return true;
    };
  </script>`);

// The quiet period and the two frames after it.
async function settle(page) {
  await page.advance(QUIET);
  await page.frames(2);
}

// A loaded workbench, settled to idle, its messages cleared.
async function idleWorkbench(options = {}) {
  const page = await browser.open({ clock: true, ...options });
  page.route(`${PORTAL}/bench`, WORKBENCH);
  await page.goto(`${PORTAL}/bench`);
  await settle(page);
  assert.deepEqual(await page.activity(), [true, false], 'a loaded page reports busy, then idle');
  page.clearMessages();
  return page;
}

const badgeShown = (page) => page.evaluate(
  "getComputedStyle(document.querySelector('[data-vesk-loading]')).display !== 'none'");

test('a loading document is busy until load, the quiet period and two frames; pageshow also ends loading', async () => {
  for (const ending of ['load', 'pageshow']) {
    const page = await browser.open({ clock: true });
    const image = hold();
    page.route(`${PORTAL}/slow`, html('<p>Ngarkim</p><img src="/img.png">'));
    page.route(`${PORTAL}/img.png`, image);
    await page.goto(`${PORTAL}/slow`, { waitLoad: false });
    await page.requested(`${PORTAL}/img.png`);
    await page.evaluate("document.readyState !== 'loading' || new Promise((r) => addEventListener('DOMContentLoaded', r))");
    assert.equal(await badgeShown(page), true, 'badge shown while the document loads');
    await page.advance(60000);
    await page.frames(3);
    assert.deepEqual(await page.activity(), [true], 'nothing but the load ends loading');
    if (ending === 'load') {
      const loads = page.loads;
      image.release(response('', 'image/png', 404));
      await page.until(() => page.loads > loads);
    } else {
      await page.evaluate("dispatchEvent(new PageTransitionEvent('pageshow', { persisted: true }))");
    }
    await page.advance(QUIET - 1);
    await page.frames(3);
    assert.deepEqual(await page.activity(), [true], `${ending}: not idle before 450 ms`);
    await page.advance(1);
    await page.frames(1);
    assert.deepEqual(await page.activity(), [true], `${ending}: not idle after one frame`);
    await page.frames(1);
    assert.deepEqual(await page.activity(), [true, false], ending);
    assert.equal(await badgeShown(page), false);
    assert.deepEqual(page.exceptions, []);
    image.release(response('', 'image/png', 404));
  }
});

test('a hidden document goes idle after the quiet period without waiting for frames', async () => {
  const page = await browser.open({ clock: true, background: true });
  page.route(`${PORTAL}/bench`, WORKBENCH);
  await page.goto(`${PORTAL}/bench`);
  assert.equal(await page.evaluate('document.hidden'), true);
  await page.advance(QUIET - 1);
  assert.deepEqual(await page.activity(), [true]);
  await page.advance(1);
  assert.deepEqual(await page.activity(), [true, false]);
  await page.close();
});

test('trusted clicks on links and buttons, changes and submits show busy at once; other clicks only arm', async () => {
  const page = await idleWorkbench();
  page.route(`${PORTAL}/data`, json([]));
  const cases = [
    ['#plain', false], ['#text', false], ['#inner', true], ['#button', true], ['#link', true],
    ['#role', true], ['#submit', true], ['#check', true], // a checkbox: by its change event
  ];
  for (const [target, busy] of cases) {
    await page.click(target);
    assert.deepEqual(await page.activity(), busy ? [true] : [], target);
    assert.equal(await badgeShown(page), busy, target);
    await settle(page);
    assert.deepEqual(await page.activity(), busy ? [true, false] : [], target);
    page.clearMessages();
    await page.advance(GESTURE + 1);
  }
  await page.click('#text');
  await page.advance(GESTURE + 1);
  await page.pressEnter();
  assert.deepEqual(await page.activity(), [true], 'a submit without any click');
  await settle(page);
  page.clearMessages();
  // A scripted click neither shows busy nor arms the next request.
  await page.advance(GESTURE + 1);
  await page.evaluate("document.querySelector('#button').click(); xhr('/data') && last");
  await settle(page);
  assert.deepEqual(await page.activity(), []);
});

test('a request counts up to exactly 1500 ms after a gesture; without one, never', async () => {
  const page = await idleWorkbench();
  page.route(`${PORTAL}/data`, json([]));
  for (const [delay, counts] of [[0, true], [GESTURE, true], [GESTURE + 1, false]]) {
    await page.click('#plain');
    await page.advance(delay);
    await page.evaluate("xhr('/data') && last");
    await page.evaluate("fetch('/data').then((r) => r.text())");
    assert.deepEqual(await page.activity(), counts ? [true] : [], `after ${delay} ms`);
    await settle(page);
    page.clearMessages();
    await page.advance(GESTURE + 1);
  }
});

test('excluded polling never counts, even right after a click, in any letter case and form', async () => {
  const page = await idleWorkbench();
  const polls = [
    ["xhr('/index.php?notificationCRUD/countNotifications')", '/index.php?notificationCRUD/countNotifications'],
    ["fetch('/index.php?NOTIFICATIONCRUD/LoadNotifications&x=1')", '/index.php?NOTIFICATIONCRUD/LoadNotifications&x=1'],
    ["fetch(new Request('/Chat_API/poll'))", '/Chat_API/poll'],
    ["fetch(new URL('/user/last_seen', location))", '/user/last_seen'],
    ["xhr(new URL('/x?LAST_SEEN=1', location))", '/x?LAST_SEEN=1'],
  ];
  const held = hold();
  for (const [, path] of polls) page.route(`${PORTAL}${path}`, held);
  await page.click('#button');
  for (const [call, path] of polls) {
    await page.evaluate(`${call}; true`);
    await page.requested(`${PORTAL}${path}`);
  }
  await settle(page);
  assert.deepEqual(await page.activity(), [true, false], 'idle while every excluded request hangs');
  held.release(json([]));
});

test('a request joining counted work counts, and idle waits for all of it', async () => {
  const page = await idleWorkbench();
  const [first, second] = [hold(), hold()];
  page.route(`${PORTAL}/first`, first);
  page.route(`${PORTAL}/second`, second);
  await page.click('#plain');
  await page.evaluate("xhr('/first') && (window.first = last) && true");
  await page.advance(GESTURE + 500);
  await page.evaluate("xhr('/second')");
  await page.requested(`${PORTAL}/second`);
  first.release(json([1]));
  await page.evaluate('first');
  await settle(page);
  assert.deepEqual(await page.activity(), [true], 'still busy: the second request is in flight');
  second.release(json([2]));
  await page.evaluate('last');
  await page.advance(QUIET - 1);
  await page.frames(2);
  assert.deepEqual(await page.activity(), [true]);
  await page.advance(1);
  await page.frames(2);
  assert.deepEqual(await page.activity(), [true, false]);
});

test('counted requests pass arguments, answers and the engine\'s own errors through, and always end', async () => {
  const page = await idleWorkbench();
  page.route(`${PORTAL}/echo`, (request) => response(`${request.method} ${request.postData ?? ''}`, 'text/plain'));
  page.route(`${PORTAL}/broken`, 'fail');
  await page.click('#plain');
  const seen = await page.evaluate(`(async () => [
    await (xhr('/echo', 'POST', 'emri=Ana') && last),
    (() => { const x = new XMLHttpRequest(); x.open('GET', '/echo', false); x.send(); return x.responseText; })(),
    (() => { try { new XMLHttpRequest().send(); } catch (e) { return e.name; } })(),
    (() => { try { XMLHttpRequest.prototype.send.call({}); } catch (e) { return e.name; } })(),
    await window.fetch('/echo', { method: 'PUT', body: 'x' }).then((r) => r.text()),
    await fetch('/broken').then(() => 'ok', (e) => e.name),
  ])()`);
  assert.deepEqual(seen, ['POST emri=Ana', 'GET ', 'InvalidStateError', 'TypeError', 'PUT x', 'TypeError']);
  await settle(page);
  assert.deepEqual(await page.activity(), [true, false]);
});

test('reading the body of a counted fetch counts on its own, and ends even when the read fails', async () => {
  const page = await idleWorkbench();
  page.route(`${PORTAL}/zonat`, json([{ id: 1 }, { id: 2 }]));
  await page.click('#plain');
  await page.evaluate("fetch('/zonat').then((r) => { window.r = r; return true; })");
  await settle(page);
  await page.advance(10000);
  page.clearMessages();
  assert.equal(await page.evaluate('r.json().then((d) => d.length)'), 2);
  assert.deepEqual(await page.activity(), [true]);
  await settle(page);
  assert.equal(await page.evaluate('r.text().then(() => "read", (e) => e.name)'), 'TypeError');
  await settle(page);
  assert.deepEqual(await page.activity(), [true, false, true, false]);
});

test('DOM changes while busy restart the quiet period; while idle they do nothing', async () => {
  const page = await idleWorkbench();
  await page.evaluate(`document.querySelector('#button').addEventListener('click', () => {
    let n = 0;
    const id = setInterval(() => { document.body.append(document.createElement('p')); if (++n === 5) clearInterval(id); }, 200);
  })`);
  await page.click('#button');
  // Changes at 200 ... 1000 ms; each restarts the quiet period.
  for (let t = 0; t < 1400; t += 100) {
    await page.advance(100);
    await page.frames(2);
  }
  await page.advance(1000 + QUIET - 1 - 1400);
  await page.frames(2);
  assert.deepEqual(await page.activity(), [true], 'busy until 1449 ms');
  await page.advance(1);
  await page.frames(2);
  assert.deepEqual(await page.activity(), [true, false]);
  await page.evaluate("document.body.append(document.createElement('hr'))");
  await settle(page);
  assert.deepEqual(await page.activity(), [true, false]);
});

test('a gesture in the quiet period restarts it, and one before its frames keeps the page busy', async () => {
  const page = await idleWorkbench();
  await page.click('#button');
  await page.advance(400);
  await page.click('#link');
  await page.advance(400);
  await page.frames(2);
  assert.deepEqual(await page.activity(), [true]);
  await page.advance(QUIET);
  await page.click('#button'); // the earlier attempt now waits for its frames
  await page.frames(2);
  assert.deepEqual(await page.activity(), [true], 'the stale attempt must not end busy');
  await settle(page);
  assert.deepEqual(await page.activity(), [true, false]);
});

test('one closed badge on the root element, top right, above the page and click-through', async () => {
  const page = await idleWorkbench();
  await page.click('#button');
  const badge = `(() => {
    const hosts = document.querySelectorAll('[data-vesk-loading]');
    const host = hosts[0], r = host.getBoundingClientRect(), s = getComputedStyle(host);
    return { count: hosts.length, onRoot: host.parentNode === document.documentElement,
      closed: host.shadowRoot === null && host.childNodes.length === 0 && r.width > 50,
      right: innerWidth - r.right, top: r.top, position: s.position, z: s.zIndex,
      under: document.elementFromPoint(r.left + 5, r.top + 5) === host ? 'badge' : 'page' };
  })()`;
  const shown = { count: 1, onRoot: true, closed: true, right: 24, top: 16, position: 'fixed',
    z: '2147483647', under: 'page' };
  assert.deepEqual(await page.evaluate(badge), shown);
  await settle(page);
  assert.equal(await badgeShown(page), false);
  // The page replaces its whole body: the same single badge shows again.
  await page.evaluate("document.body.innerHTML = '<button id=again>Perseri</button>'");
  await page.click('#again');
  assert.deepEqual(await page.evaluate(badge), shown);
});

test('a portal frame shows its own badge but only the top document posts activity; other hooks post from frames', async () => {
  const page = await browser.open({ clock: true });
  page.route(`${PORTAL}/outer`, html('<iframe id=f src="/inner" width=600 height=300></iframe>'));
  page.route(`${PORTAL}/inner`, html('<button id=b>Ruaj</button><input id=t><a id=l href="/ndertesa/5">Ndertesa 5</a>'));
  page.route(`${PORTAL}/inner?mbeshtjelljetCRUD/get_zones&ndertesa=5`, json([1, 2]));
  await page.goto(`${PORTAL}/outer`);
  await settle(page);
  await page.evaluate("(async (c) => { await c.advance(450); c.frame(); c.frame(); })(document.querySelector('#f').contentWindow.__clock)");
  const frameBadge = () => page.evaluate(
    "getComputedStyle(document.querySelector('#f').contentDocument.querySelector('[data-vesk-loading]')).display");
  assert.equal(await frameBadge(), 'none', 'the frame settled');
  page.clearMessages();
  await page.click('#b', { frame: '#f' });
  assert.equal(await frameBadge(), 'block', "the frame's badge shows");
  assert.equal(await badgeShown(page), false, "the top document's badge does not");
  await page.click('#t', { frame: '#f' });
  await page.type('x');
  await page.middleClick('#l', { frame: '#f' });
  await page.evaluate(`new Promise((resolve) => {
    const x = new (document.querySelector('#f').contentWindow.XMLHttpRequest)();
    x.open('GET', '?mbeshtjelljetCRUD/get_zones&ndertesa=5');
    x.onloadend = resolve;
    x.send();
  })`);
  const inner = { top: false, source: `${PORTAL}/inner` };
  assert.deepEqual(await page.posted(), [
    { ...inner, message: { type: 'vesko-dirty', dirty: true } },
    { ...inner, message: { type: 'vesk-open-background', url: `${PORTAL}/ndertesa/5` } },
    { ...inner, message: { type: 'vesk-zone-result', status: 200, rows: 2 } },
  ]);
});
