// The background-open hook, the zone-result hook and the dirty marker, and the whole
// document script's silence on any host but the portal's.

import assert from 'node:assert/strict';
import { test } from 'node:test';

import { PORTAL, PORTAL_HOST, html, json, response, sharedBrowser } from './lib/harness.mjs';

const browser = sharedBrowser();
const P = PORTAL_HOST;
const ZONES = '?mbeshtjelljetCRUD/get_zones&ndertesa=12';
// What the hooks posted; the activity tracker's reports are page_activity's.
const hookPosts = async (page) => (await page.posted()).filter((m) => m.message.type !== 'vesk-activity');
const cors = (answer) => ({ ...answer, headers: { ...answer.headers, 'Access-Control-Allow-Origin': '*' } });

async function openPage(url, body, head = '') {
  const page = await browser.open();
  page.route(url, html(body, head));
  await page.goto(url);
  return page;
}

test('middle clicks on portal links ask for a background tab instead of reaching the page', async () => {
  const links = [
    // [href, address posted, or null for an ordinary middle click]
    ['/ndertesa/12?tab=zonat#hyrja', `${PORTAL}/ndertesa/12?tab=zonat#hyrja`],
    [`https://${P}:443/raport`, `${PORTAL}/raport`],
    [`http://${P}:80/vjeter`, `http://${P}/vjeter`],
    [`HTTPS://${P.toUpperCase()}/Kreu`, `${PORTAL}/Kreu`],
    [`https://${P}:8443/admin`, null],
    [`http://${P}:443/x`, null],
    ['https://www.example.org/', null],
    [`https://sub.${P}/`, null],
    ['mailto:info@example.org', null],
    ['javascript:void 0', null],
    ['http://[::1', null],
  ];
  const page = await openPage(`${PORTAL}/index.php`, `
    ${links.map(([href], i) => `<p><a id=l${i} href="${href}">Lidhja ${i}</a></p>`).join('')}
    <p><a id=download href="/shkarko/raport.csv" download>Shkarko</a> <a id=nohref>Pa adrese</a>
      <a id=nested href="ndertesa/3"><span><b id=deep>Ndertesa 3</b></span></a></p>
    <img id=map src="data:image/gif;base64,R0lGODlhAQABAAAAACw=" usemap="#m" width=80 height=40>
    <map name=m><area shape=rect coords="0,0,80,40" href="/harta/1"></map>
    <script>
      addEventListener('mousedown', (e) => { window.autoscroll = !e.defaultPrevented; });
      document.addEventListener('auxclick', (e) => { window.reached = true; e.preventDefault(); });
    </script>`, '<base href="/app/">');
  const cases = [
    ...links.map(([href, url], i) => [`#l${i}`, url]),
    ['#download', null], ['#nohref', null], ['#deep', `${PORTAL}/app/ndertesa/3`], ['#map', `${PORTAL}/harta/1`],
  ];
  const targets = async () => (await browser.cdp.send('Target.getTargets')).targetInfos.length;
  const before = await targets();
  for (const [selector, url] of cases) {
    page.clearMessages();
    await page.evaluate('window.reached = false');
    await page.middleClick(selector);
    assert.deepEqual(await page.ofType('vesk-open-background'), url ? [{ type: 'vesk-open-background', url }] : [], selector);
    assert.deepEqual(await page.evaluate('[reached, autoscroll]'), [!url, !url], `${selector}: page listener, autoscroll`);
  }
  assert.equal(await targets(), before, 'the engine opened nothing itself');
  // Scripted middle clicks and left clicks are not the user's middle click.
  page.clearMessages();
  await page.evaluate(`document.querySelector('#l0').dispatchEvent(new MouseEvent('auxclick', { button: 1, bubbles: true }));
    document.querySelector('#l0').addEventListener('click', (e) => e.preventDefault())`);
  await page.click('#l0');
  assert.deepEqual(await hookPosts(page), []);
  assert.deepEqual(page.exceptions, []);
});

// The page's way to ask for zones: XHR to url with a response type; resolves with what the page got.
const ZONE_CLIENT = `<script>
  window.zone = (url, responseType = '') => new Promise((resolve) => {
    const x = new XMLHttpRequest();
    x.open('GET', url);
    x.responseType = responseType;
    x.onloadend = () => resolve(x.status);
    x.send();
  });
</script>`;

test('zone requests are the zone query on the page\'s own origin, resolved against the document base', async () => {
  const page = await openPage(`${PORTAL}/index.php`, ZONE_CLIENT);
  const cases = [
    [ZONES, `${PORTAL}/index.php${ZONES}`, true],
    [`/energy_efficiency/${ZONES}`, `${PORTAL}/energy_efficiency/${ZONES}`, true],
    ['?energy_efficiency/?mbeshtjelljetCRUD/get_zones&x=1', `${PORTAL}/index.php?energy_efficiency/?mbeshtjelljetCRUD/get_zones&x=1`, true],
    [`${PORTAL}/?mbeshtjelljetCRUD/get_zones`, `${PORTAL}/?mbeshtjelljetCRUD/get_zones`, true],
    ['?mbeshtjelljetCRUD/get_zones_all', `${PORTAL}/index.php?mbeshtjelljetCRUD/get_zones_all`, false],
    ['?MbeshtjelljetCRUD/get_zones', `${PORTAL}/index.php?MbeshtjelljetCRUD/get_zones`, false],
    ['?x=1&mbeshtjelljetCRUD/get_zones', `${PORTAL}/index.php?x=1&mbeshtjelljetCRUD/get_zones`, false],
    ['?other/?mbeshtjelljetCRUD/get_zones', `${PORTAL}/index.php?other/?mbeshtjelljetCRUD/get_zones`, false],
    [`https://cdn.jsdelivr.net/${ZONES}`, `https://cdn.jsdelivr.net/${ZONES}`, false],
    [`https://${P}:8443/${ZONES}`, `https://${P}:8443/${ZONES}`, false],
  ];
  for (const [argument, url, zone] of cases) {
    page.route(url, cors(json([1, 2, 3])));
    page.clearMessages();
    assert.equal(await page.evaluate(`zone(${JSON.stringify(argument)})`), 200, argument);
    assert.deepEqual(await page.ofType('vesk-zone-result'), zone ? [{ type: 'vesk-zone-result', status: 200, rows: 3 }] : [], argument);
  }
  page.clearMessages();
  await page.evaluate(`zone(new URL(${JSON.stringify(ZONES)}, location))`);
  assert.equal((await hookPosts(page)).length, 1, 'a URL object is taken by its string form');
  // Under a base on another origin the same relative address is not the portal's.
  const based = await openPage(`${PORTAL}/index.php`, ZONE_CLIENT, '<base href="https://cdn.jsdelivr.net/">');
  based.route(`https://cdn.jsdelivr.net/${ZONES}`, cors(json([1])));
  assert.equal(await based.evaluate(`zone(${JSON.stringify(ZONES)})`), 200);
  assert.deepEqual(await hookPosts(based), []);
});

test('a zone result reports the status and the rows of a JSON list, -1 for anything else', async () => {
  const page = await openPage(`${PORTAL}/index.php`, ZONE_CLIENT);
  const text = (body, status = 200) => response(body, 'text/html; charset=utf-8', status);
  const cases = [
    // [answer, responseType, status and rows posted, or null]
    [json([1, 2, 3, 4]), 'json', [200, 4]],
    [json([]), 'json', [200, 0]],
    [json({ zones: [1] }), 'json', [200, -1]],
    [json({ length: 5 }), 'json', [200, -1]],
    [text('<b>Gabim</b>'), 'json', [200, -1]],
    [text('[{"id":7}]'), '', [200, 1]],
    [text('[]'), 'text', [200, 0]],
    [text('"pesë zona"'), '', [200, -1]],
    [json([], 404), '', [404, 0]],
    [text('error', 500), '', [500, -1]],
    ['fail', '', [0, -1]],
    [json([1]), 'blob', null],
    [json([1]), 'arraybuffer', null],
    [text('<p>x</p>'), 'document', null],
  ];
  for (const [answer, responseType, expected] of cases) {
    page.route(`${PORTAL}/index.php${ZONES}`, answer);
    page.clearMessages();
    await page.evaluate(`zone(${JSON.stringify(ZONES)}, ${JSON.stringify(responseType)})`);
    const name = `${answer.body ?? answer} as ${responseType || 'text'}`;
    assert.deepEqual(await page.ofType('vesk-zone-result'),
      expected ? [{ type: 'vesk-zone-result', status: expected[0], rows: expected[1] }] : [], name);
  }
});

test('aborted, synchronous, reused and twice-sent zone requests report once each', async () => {
  const page = await openPage(`${PORTAL}/index.php`, '');
  page.route(`${PORTAL}/index.php${ZONES}`, json([1, 2]));
  page.route(`${PORTAL}/index.php?faqja=2`, json([1, 2, 3]));
  const result = await page.evaluate(`(async () => {
    const request = (url, sync = false) => { const x = new XMLHttpRequest(); x.open('GET', url, !sync); return x; };
    const ended = (x) => new Promise((done) => { x.onloadend = () => setTimeout(done, 0); });
    const aborted = request(${JSON.stringify(ZONES)});
    aborted.send();
    aborted.abort();
    const sync = request(${JSON.stringify(ZONES)}, true);
    sync.send();
    // The same object first for zones, then for something else.
    const reused = request(${JSON.stringify(ZONES)});
    let end = ended(reused);
    reused.send();
    await end;
    end = ended(reused);
    reused.open('GET', '?faqja=2');
    reused.send();
    await end;
    const twice = request(${JSON.stringify(ZONES)});
    end = ended(twice);
    twice.send();
    try { twice.send(); } catch (e) { twice.error = e.name; }
    await end;
    return [sync.responseText, twice.error];
  })()`);
  assert.deepEqual(result, ['[1,2]', 'InvalidStateError']);
  const zone = (status, rows) => ({ type: 'vesk-zone-result', status, rows });
  assert.deepEqual(await page.ofType('vesk-zone-result'), [zone(0, -1), zone(200, 2), zone(200, 2), zone(200, 2)]);
});

test('the first trusted edit of a document posts dirty once; scripted events never do', async () => {
  const page = await openPage(`${PORTAL}/forma`, '<input id=emri><textarea id=shenim></textarea><input id=pranoj type=checkbox>');
  await page.evaluate(`for (const type of ['input', 'change']) {
    document.querySelector('#emri').dispatchEvent(new Event(type, { bubbles: true }));
  }`);
  assert.deepEqual(await hookPosts(page), []);
  await page.click('#emri');
  await page.type('Ana');
  assert.deepEqual(await page.ofType('vesko-dirty'), [{ type: 'vesko-dirty', dirty: true }], 'while still typing');
  await page.click('#shenim');
  await page.type('Shenim');
  assert.equal((await page.ofType('vesko-dirty')).length, 1, 'once');
  page.clearMessages();
  await page.goto(`${PORTAL}/forma`);
  await page.click('#pranoj');
  await page.click('#pranoj');
  assert.deepEqual(await page.ofType('vesko-dirty'), [{ type: 'vesko-dirty', dirty: true }], 'a new document starts clean');
});

test('nothing is posted from any other host, about:blank or a blank frame of a portal page', async () => {
  const body = `<button id=b>Ruaj</button><input id=t><a id=l href="https://${P}/x">Portali</a>${ZONE_CLIENT}`;
  for (const host of ['www.example.org', `sub.${P}`, `${P}.example.net`]) {
    const page = await browser.open();
    page.route(`https://${host}/${ZONES}`, json([1]));
    page.route(`https://${host}/`, html(body));
    await page.goto(`https://${host}/`);
    await page.click('#b');
    await page.click('#t');
    await page.type('abc');
    await page.middleClick('#l');
    await page.evaluate(`zone(${JSON.stringify(ZONES)})`);
    assert.deepEqual(await page.posted(), [], host);
    assert.equal(await page.evaluate("document.querySelectorAll('[data-vesk-loading]').length"), 0, host);
  }
  const page = await openPage(`${PORTAL}/harta`, '<iframe id=f width=300 height=100></iframe>');
  page.clearMessages();
  await page.evaluate("document.querySelector('#f').contentDocument.body.innerHTML = '<input id=t>'");
  await page.click('#t', { frame: '#f' });
  await page.type('x');
  await page.goto('about:blank');
  await page.evaluate("document.body.innerHTML = '<input id=t>'");
  await page.click('#t');
  await page.type('x');
  assert.deepEqual(await hookPosts(page), []);
});

test('no document has WebRTC, a blank frame the page makes included, on any host', async () => {
  for (const url of [`${PORTAL}/`, 'https://www.example.org/']) {
    const page = await openPage(url, '<iframe id=f></iframe>');
    assert.deepEqual(await page.evaluate(`[typeof RTCPeerConnection, typeof webkitRTCPeerConnection,
      typeof document.getElementById('f').contentWindow.RTCPeerConnection,
      typeof document.body.appendChild(document.createElement('iframe')).contentWindow.RTCPeerConnection]`),
    ['undefined', 'undefined', 'undefined', 'undefined'], url);
  }
});
