// The demo portal in headless Chromium with the document script, in real time: a walk
// through its pages as a user would take it, checking what the page scripts report.

import assert from 'node:assert/strict';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { launch } from './lib/chromium.mjs';
import { CDN_HOSTS, PORTAL, PORTAL_HOST, PortalPage, response } from './lib/page-harness.mjs';

const { demoPortalAnswer } = await import(
  pathToFileURL(join(process.env.VESKO_SOURCE_DIR, 'tools', 'demo-portal', 'server.mjs')).href);

const FOREIGN_MAP = `<!doctype html><title>Harta</title><button id=b>Zmadho</button><input id=t>
  <a id=l href="https://${PORTAL_HOST}/ndertesat.html">Portali</a>`;

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser?.close(); });

// Every request of the page is answered by the demo portal, the foreign map host or,
// for the libraries, an empty file of the right kind from the CDN host asked.
async function openDemo() {
  const page = await PortalPage.open(browser);
  page.cdnRequests = [];
  page.fallback = (request) => {
    const url = new URL(request.url);
    if (url.host === PORTAL_HOST) return demoPortalAnswer(request.method, url.pathname + url.search);
    if (url.host === 'harta.example.net') return response(FOREIGN_MAP);
    page.cdnRequests.push(url.host);
    const type = url.pathname.endsWith('.js') ? 'text/javascript' : 'text/css';
    return response('', type);
  };
  return page;
}

// Opens a page and waits until the tracker reports the page settled.
async function visit(page, path) {
  page.clearMessages();
  await page.goto(`${PORTAL}${path}`);
  await page.waitForMessage((m) => m.message.type === 'vesk-activity' && m.message.busy === false);
}

const idleAgain = (page, after) => page.waitForMessage(
  (m) => m.message.type === 'vesk-activity' && m.message.busy === false && page.messages.indexOf(m) > after);

describe('demo portal', { timeout: 60000 }, () => {
  test('the buildings and their zones', async () => {
    const page = await openDemo();
    await visit(page, '/');
    assert.equal(await page.evaluate('document.title'), 'KORDIS · Regjistri i ndërtesave');
    assert.deepEqual(page.activity(), [true, false], 'busy while loading, then idle');

    const zones = [
      ['/ndertesa-12.html', { status: 200, rows: 3 }, 3],
      ['/ndertesa-7.html', { status: 200, rows: 0 }, 0],
      ['/ndertesa-31.html', { status: 500, rows: -1 }, 0],
    ];
    for (const [path, result, listed] of zones) {
      await visit(page, path);
      const mark = page.messages.length - 1;
      await page.click('#shfaq-zonat');
      await idleAgain(page, mark);
      const after = page.messages.slice(mark + 1).map((m) => m.message);
      assert.deepEqual(after, [
        { type: 'vesk-activity', busy: true },
        { type: 'vesk-zone-result', ...result },
        { type: 'vesk-activity', busy: false },
      ], path);
      assert.equal(await page.evaluate("document.querySelectorAll('#lista-zonave li').length"), listed, path);
      assert.equal(await page.evaluate("document.querySelector('#zona').options.length"), listed + 1, path);
    }
    // Every library came from a configured CDN host.
    assert.ok(page.cdnRequests.length >= 10, `${page.cdnRequests.length} CDN requests`);
    for (const host of page.cdnRequests) assert.ok(CDN_HOSTS.includes(host), host);
    assert.deepEqual(page.exceptions, []);
  });

  test('the form, the links, the pop-up and the foreign frame', async () => {
    const page = await openDemo();
    await visit(page, '/forma.html');
    await page.click('#emri');
    await page.type('Kopshti nr. 5');
    await page.click('#shenime');
    await page.type('Ndërtesë e re');
    assert.deepEqual(await page.postedOfType('vesko-dirty'), [{ type: 'vesko-dirty', dirty: true }]);
    const saved = page.session.waitFor('Page.loadEventFired');
    await page.click('#ruaj');
    await saved;
    await page.waitForMessage((m) => m.source === `${PORTAL}/ruajtur.html`);

    await visit(page, '/');
    await page.middleClick('#lidhja-ndertesa-12');
    await page.middleClick('#lidhja-raporti');
    assert.deepEqual(await page.postedOfType('vesk-open-background'),
      [{ type: 'vesk-open-background', url: `${PORTAL}/ndertesa-12.html` }]);

    const popup = browser.connection.send('Target.setDiscoverTargets', { discover: true }).then(() =>
      new Promise((resolve) => {
        const off = browser.connection.listen((m) => {
          if (m.method === 'Target.targetCreated' && m.params.targetInfo.openerId === page.session.targetId) {
            off();
            resolve(m.params.targetInfo);
          }
        });
      }));
    await new Promise((r) => setTimeout(r, 50));
    await page.click('#hap-ndihmen');
    const opened = await popup;
    assert.equal(opened.type, 'page');
    await browser.connection.send('Target.setDiscoverTargets', { discover: false });
    await browser.connection.send('Target.closeTarget', { targetId: opened.targetId }).catch(() => {});

    await visit(page, '/harta.html');
    const mark = page.messages.length;
    assert.equal(await page.evaluate("document.querySelector('#harta-jashtme').contentDocument"), null,
      'the map is on another origin');
    const inMap = { frame: '#harta-jashtme', foreign: true };
    await page.click('#b', inMap);
    await page.click('#t', inMap);
    await page.type('Tiranë');
    await page.middleClick('#l', inMap);
    const typed = await page.frameNode('#t', '#harta-jashtme');
    assert.equal(await page.onNode(typed.backendNodeId, 'function () { return this.value; }'), 'Tiranë',
      'the input in the map frame took the typing');
    await new Promise((r) => setTimeout(r, 600));
    const fromFrame = (await page.posted()).slice(mark);
    assert.deepEqual(fromFrame, [], 'the foreign frame posts nothing');
  });
});
