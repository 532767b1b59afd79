// The background-open hook, the zone-result hook and the dirty marker in headless
// Chromium, and the whole document script's silence on any host but the portal's.

import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { launch } from './lib/chromium.mjs';
import {
  DOCUMENT_SCRIPT, OWN_TEXTS, PORTAL, PORTAL_HOST, PortalPage, json, response,
} from './lib/page-harness.mjs';

const html = (body, head = '') => response(
  `<!doctype html><html><head><meta charset=utf-8><title>Faqe</title>${head}</head><body>${body}</body></html>`);

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser?.close(); });

async function openPage(url, body, head = '') {
  const page = await PortalPage.open(browser);
  page.route(url, html(body, head));
  await page.goto(url);
  return page;
}

const LINKS = [
  // [href, expected absolute address posted, or null for an ordinary middle click]
  ['/ndertesa/12?tab=zonat#hyrja', `${PORTAL}/ndertesa/12?tab=zonat#hyrja`],
  [`https://${PORTAL_HOST}:443/raport`, `${PORTAL}/raport`],
  [`http://${PORTAL_HOST}:80/vjeter`, `http://${PORTAL_HOST}/vjeter`],
  [`HTTPS://${PORTAL_HOST.toUpperCase()}/Kreu`, `${PORTAL}/Kreu`],
  [`https://${PORTAL_HOST}:8443/admin`, null],
  [`http://${PORTAL_HOST}:443/x`, null],
  ['https://www.example.org/', null],
  [`https://sub.${PORTAL_HOST}/`, null],
  ['mailto:info@example.org', null],
  ['javascript:void 0', null],
  ['http://[::1', null],
];

describe('background-open hook', { timeout: 30000 }, () => {
  test('middle clicks post qualifying portal links and keep them from the page; others pass untouched', async () => {
    const anchors = LINKS.map(([href], i) => `<p><a id=l${i} href="${href.replace(/"/g, '&quot;')}">Lidhja ${i}</a></p>`);
    const page = await openPage(`${PORTAL}/lidhjet`, `${anchors.join('')}
      <p><a id=dl href="/shkarko/raport.csv" download>Shkarko</a></p>
      <p><a id=nested href="/ndertesa/3"><span><b id=deep>Ndertesa 3</b></span></a></p>
      <p><a id=nohref name=kot>Pa adrese</a></p>
      <img id=map src="data:image/gif;base64,R0lGODlhAQABAAAAACw=" usemap="#m" width=80 height=40>
      <map name=m><area id=area shape=rect coords="0,0,80,40" href="/harta/1"></map>
      <script>
        window.seen = [];
        const note = (where) => (e) => { if (e.button === 1) window.seen.push(where); };
        addEventListener('auxclick', note('window-capture'), true);
        document.addEventListener('auxclick', note('document-capture'), true);
        document.addEventListener('auxclick', (e) => { note('document')(e); e.preventDefault(); });
        for (const a of document.querySelectorAll('a, area')) a.addEventListener('auxclick', note('link'));
        addEventListener('mousedown', (e) => { if (e.button === 1) window.mousedownPrevented = e.defaultPrevented; });
      </script>`);
    const cases = [
      ...LINKS.map(([href, expected], i) => ({ selector: `#l${i}`, name: href, expected })),
      { selector: '#dl', name: 'download attribute', expected: null },
      { selector: '#deep', name: 'element inside a link', expected: `${PORTAL}/ndertesa/3` },
      { selector: '#nohref', name: 'anchor without href', expected: null },
      { selector: '#map', name: 'image map area', expected: `${PORTAL}/harta/1` },
    ];
    const targetsBefore = (await browser.connection.send('Target.getTargets')).targetInfos.length;
    for (const c of cases) {
      page.clearMessages();
      await page.evaluate('window.seen = []; window.mousedownPrevented = null');
      await page.middleClick(c.selector);
      const opened = await page.postedOfType('vesk-open-background');
      const seen = await page.evaluate('window.seen');
      const prevented = await page.evaluate('window.mousedownPrevented');
      if (c.expected) {
        assert.deepEqual(opened, [{ type: 'vesk-open-background', url: c.expected }], c.name);
        assert.deepEqual(seen, ['window-capture'], `${c.name}: the page's own listeners`);
        assert.equal(prevented, true, `${c.name}: no autoscroll`);
      } else {
        assert.deepEqual(opened, [], c.name);
        assert.deepEqual(seen, ['window-capture', 'document-capture', 'link', 'document'].filter(
          (w) => w !== 'link' || c.selector !== '#map'), `${c.name}: the page's own listeners`);
        assert.equal(prevented, false, `${c.name}: default kept`);
      }
    }
    // Nothing was opened by the engine itself.
    const targetsAfter = (await browser.connection.send('Target.getTargets')).targetInfos.length;
    assert.equal(targetsAfter, targetsBefore);

    // Scripted middle clicks and left clicks are not the user's middle click.
    page.clearMessages();
    await page.evaluate(`document.querySelector('#l0').dispatchEvent(
      new MouseEvent('auxclick', { button: 1, bubbles: true, cancelable: true }))`);
    await page.evaluate("document.querySelector('#l0').addEventListener('click', (e) => e.preventDefault())");
    await page.click('#l0');
    assert.deepEqual(await page.postedOfType('vesk-open-background'), []);
    assert.deepEqual(page.exceptions, []);
  });

  test('a relative link is resolved against the document base, as the engine resolves it', async () => {
    const page = await openPage(`${PORTAL}/index.php`, '<a id=l href="ndertesa.php?id=4">Ndertesa 4</a>',
      '<base href="/app/">');
    await page.middleClick('#l');
    assert.deepEqual(await page.postedOfType('vesk-open-background'),
      [{ type: 'vesk-open-background', url: `${PORTAL}/app/ndertesa.php?id=4` }]);
    assert.equal(await page.evaluate("document.querySelector('#l').href"), `${PORTAL}/app/ndertesa.php?id=4`);
  });
});

describe('zone-result hook', { timeout: 30000 }, () => {
  const ZONES = '?mbeshtjelljetCRUD/get_zones&ndertesa=12';

  test('which requests are zone requests', async () => {
    const page = await openPage(`${PORTAL}/index.php`, '<p>Zonat</p>');
    const answer = json([{ id: 1 }, { id: 2 }, { id: 3 }]);
    const cors = { ...answer, headers: { ...answer.headers, 'Access-Control-Allow-Origin': '*' } };
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
      [`https://${PORTAL_HOST}:8443/${ZONES}`, `https://${PORTAL_HOST}:8443/${ZONES}`, false],
      [`http://${PORTAL_HOST}/${ZONES}`, `http://${PORTAL_HOST}/${ZONES}`, false],
    ];
    for (const [argument, url, zone] of cases) {
      page.route(url, cors);
      page.clearMessages();
      const status = await page.evaluate(`new Promise((resolve) => {
        const x = new XMLHttpRequest();
        x.open('GET', ${JSON.stringify(argument)});
        x.onloadend = () => resolve(x.status);
        x.send();
      })`);
      const mixedBlocked = url.startsWith('http:');
      if (!mixedBlocked) assert.equal(status, 200, argument);
      assert.deepEqual(await page.postedOfType('vesk-zone-result'),
        zone ? [{ type: 'vesk-zone-result', status: 200, rows: 3 }] : [], argument);
    }
    // A URL object is taken by its string form.
    page.clearMessages();
    await page.evaluate(`new Promise((resolve) => {
      const x = new XMLHttpRequest();
      x.open('GET', new URL(${JSON.stringify(ZONES)}, location));
      x.onloadend = resolve;
      x.send();
    })`);
    assert.deepEqual(await page.postedOfType('vesk-zone-result'), [{ type: 'vesk-zone-result', status: 200, rows: 3 }]);
  });

  test('a relative zone address is resolved against the document base, as the request is', async () => {
    const page = await openPage(`${PORTAL}/index.php`, '<p>Zonat</p>', '<base href="https://cdn.jsdelivr.net/">');
    const answer = json([1]);
    page.route(`https://cdn.jsdelivr.net/${ZONES}`,
      { ...answer, headers: { ...answer.headers, 'Access-Control-Allow-Origin': '*' } });
    const status = await page.evaluate(`new Promise((resolve) => {
      const x = new XMLHttpRequest();
      x.open('GET', ${JSON.stringify(ZONES)});
      x.onloadend = () => resolve(x.status);
      x.send();
    })`);
    assert.equal(status, 200, 'the request went to the other origin');
    assert.deepEqual(await page.postedOfType('vesk-zone-result'), []);
  });

  test('every response shape', async () => {
    const page = await openPage(`${PORTAL}/index.php`, '<p>Zonat</p>');
    const url = `${PORTAL}/index.php${ZONES}`;
    const text = (body, status = 200) => response(body, 'text/html; charset=utf-8', status);
    const cases = [
      // [name, answer, responseType, expected message or null]
      ['json array', json([1, 2, 3, 4]), 'json', { status: 200, rows: 4 }],
      ['json empty array', json([]), 'json', { status: 200, rows: 0 }],
      ['json object', json({ zones: [1] }), 'json', { status: 200, rows: -1 }],
      ['json not parseable', text('<b>Gabim</b>'), 'json', { status: 200, rows: -1 }],
      ['text array', text('[{"id":7}]'), '', { status: 200, rows: 1 }],
      ['text empty array', text('[]'), 'text', { status: 200, rows: 0 }],
      ['text object', text('{}'), '', { status: 200, rows: -1 }],
      ['object with a length', json({ length: 5 }), 'json', { status: 200, rows: -1 }],
      ['JSON string', text('"pesë zona"'), '', { status: 200, rows: -1 }],
      ['text not JSON', text('Fatal error: ...'), '', { status: 200, rows: -1 }],
      ['not found with a list', json([], 404), '', { status: 404, rows: 0 }],
      ['server error', text('error', 500), '', { status: 500, rows: -1 }],
      ['network failure', 'fail', '', { status: 0, rows: -1 }],
      ['blob', json([1]), 'blob', null],
      ['arraybuffer', json([1]), 'arraybuffer', null],
      ['document', text('<p>x</p>'), 'document', null],
    ];
    for (const [name, answer, responseType, expected] of cases) {
      page.route(url, answer);
      page.clearMessages();
      const seen = await page.evaluate(`new Promise((resolve) => {
        const x = new XMLHttpRequest();
        x.open('GET', ${JSON.stringify(ZONES)});
        x.responseType = ${JSON.stringify(responseType)};
        x.onloadend = () => resolve(${JSON.stringify(responseType)} === 'json' ? JSON.stringify(x.response)
          : ${JSON.stringify(responseType)} === '' || ${JSON.stringify(responseType)} === 'text' ? x.responseText : typeof x.response);
        x.send();
      })`);
      assert.equal(typeof seen, 'string', `${name}: the page still gets its answer`);
      assert.deepEqual(await page.postedOfType('vesk-zone-result'),
        expected ? [{ type: 'vesk-zone-result', ...expected }] : [], name);
    }
  });

  test('aborted, synchronous, reused and failing requests', async () => {
    const page = await openPage(`${PORTAL}/index.php`, '<p>Zonat</p>');
    page.route(`${PORTAL}/index.php${ZONES}`, json([1, 2]));
    page.route(`${PORTAL}/index.php?faqja=2`, json([1, 2, 3]));
    const result = await page.evaluate(`(async () => {
      const out = {};
      const x = new XMLHttpRequest();
      x.open('GET', ${JSON.stringify(ZONES)});
      x.send();
      x.abort();
      const s = new XMLHttpRequest();
      s.open('GET', ${JSON.stringify(ZONES)}, false);
      s.send();
      out.sync = s.responseText;
      // The same object first for zones, then for something else.
      const r = new XMLHttpRequest();
      const ended = () => new Promise((done) => { r.onloadend = () => setTimeout(done, 0); });
      let end = ended();
      r.open('GET', ${JSON.stringify(ZONES)});
      r.send();
      await end;
      end = ended();
      r.open('GET', '?faqja=2');
      r.send();
      await end;
      // A second send is the page's own error and posts nothing more.
      const d = new XMLHttpRequest();
      d.open('GET', ${JSON.stringify(ZONES)});
      await new Promise((done) => { d.onloadend = done; d.send(); try { d.send(); } catch (e) { out.second = e.name; } });
      return out;
    })()`);
    assert.deepEqual(result, { sync: '[1,2]', second: 'InvalidStateError' });
    assert.deepEqual(await page.postedOfType('vesk-zone-result'), [
      { type: 'vesk-zone-result', status: 0, rows: -1 }, // aborted
      { type: 'vesk-zone-result', status: 200, rows: 2 }, // synchronous
      { type: 'vesk-zone-result', status: 200, rows: 2 }, // reused: only its zone request
      { type: 'vesk-zone-result', status: 200, rows: 2 }, // sent twice: only the real send
    ]);
  });
});

describe('dirty marker', { timeout: 30000 }, () => {
  const FORM = `<form><input id=emri><textarea id=shenim></textarea><input id=pranoj type=checkbox>
    <select id=kati><option>1</option><option>2</option></select></form>`;

  test('the first trusted edit posts once; scripted events never do', async () => {
    const page = await openPage(`${PORTAL}/forma`, FORM);
    await page.evaluate(`(() => {
      const i = document.querySelector('#emri');
      i.dispatchEvent(new Event('input', { bubbles: true }));
      i.dispatchEvent(new Event('change', { bubbles: true }));
      i.value = 'nga skripti';
    })()`);
    assert.deepEqual(await page.postedOfType('vesko-dirty'), []);
    await page.click('#emri');
    await page.type('A');
    await page.type('na');
    await page.click('#shenim');
    await page.type('Shenim');
    await page.click('#pranoj');
    assert.deepEqual(await page.postedOfType('vesko-dirty'), [{ type: 'vesko-dirty', dirty: true }]);

    // A new document starts unsent again.
    page.clearMessages();
    await page.goto(`${PORTAL}/forma`);
    await page.click('#pranoj');
    await page.click('#pranoj');
    assert.deepEqual(await page.postedOfType('vesko-dirty'), [{ type: 'vesko-dirty', dirty: true }]);
  });
});

describe('other hosts', { timeout: 30000 }, () => {
  const PAGE = `<button id=b>Ruaj</button><input id=t><a id=l href="https://${PORTAL_HOST}/x">Portali</a>
    <script>
      window.zone = () => new Promise((resolve) => {
        const x = new XMLHttpRequest();
        x.open('GET', '?mbeshtjelljetCRUD/get_zones&ndertesa=1');
        x.onloadend = resolve;
        x.send();
      });
    </script>`;

  test('nothing is posted and nothing is changed on any other host', async () => {
    const hosts = ['www.example.org', `sub.${PORTAL_HOST}`, `${PORTAL_HOST}.example.net`, 'localhost'];
    // The zone diagnostic hook belongs to the asset pack and watches every host; the
    // engine's own functions are checked with this system's texts alone.
    const runs = [...hosts.map((host) => [host, DOCUMENT_SCRIPT]),
      ...hosts.map((host) => [host, OWN_TEXTS])];
    for (const [host, documentScript] of runs) {
      const page = await PortalPage.open(browser, { documentScript });
      page.route(`https://${host}/?mbeshtjelljetCRUD/get_zones&ndertesa=1`, json([1]));
      page.route(`https://${host}/`, html(PAGE));
      await page.goto(`https://${host}/`);
      await page.click('#b');
      await page.click('#t');
      await page.type('abc');
      await page.middleClick('#l');
      await page.evaluate('zone()');
      await page.evaluate('fetch("/").then((r) => r.text())');
      await new Promise((r) => setTimeout(r, 500));
      assert.deepEqual(await page.posted(), [], host);
      if (documentScript !== OWN_TEXTS) continue;
      const state = await page.evaluate(`({
        badge: document.querySelectorAll('[data-vesk-loading]').length,
        open: XMLHttpRequest.prototype.open.toString().includes('[native code]'),
        send: XMLHttpRequest.prototype.send.toString().includes('[native code]'),
        fetch: fetch.toString().includes('[native code]'),
      })`);
      assert.deepEqual(state, { badge: 0, open: true, send: true, fetch: true }, host);
    }
  });

  test('about:blank and a foreign frame inside a portal page post nothing', async () => {
    const page = await PortalPage.open(browser);
    await page.goto('about:blank');
    await page.evaluate("document.body.innerHTML = '<input id=t>'");
    await page.click('#t');
    await page.type('x');
    assert.deepEqual(await page.posted(), []);

    page.route(`${PORTAL}/harta`, html(`<iframe id=f src="https://maps.example.net/embed" width=500 height=200></iframe>
      <iframe id=blank width=300 height=100></iframe>`));
    page.route('https://maps.example.net/embed', html(PAGE));
    await page.goto(`${PORTAL}/harta`);
    await page.evaluate("document.querySelector('#blank').contentDocument.body.innerHTML = '<input id=t>'");
    await page.click('#t', { frame: '#blank' });
    await page.type('x');
    await new Promise((r) => setTimeout(r, 600));
    const posted = await page.posted();
    assert.ok(posted.every((m) => m.source === `${PORTAL}/harta` && m.message.type === 'vesk-activity'),
      JSON.stringify(posted));
  });
});
