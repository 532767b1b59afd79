// The portal-side diagnostic hook of the asset pack, run in a bare VM context with a
// stand-in XMLHttpRequest: it must define its global once, count only same-origin zone
// requests, and report rows and status without any address or response content.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import vm from 'node:vm';
import path from 'node:path';

const source = readFileSync(path.join(process.env.VESKO_SOURCE_DIR ?? '.', 'pack', '__zone_diagnostic.js'), 'utf8');

function page({ origin = 'https://portal.kordis.example', selects = [] } = {}) {
  class FakeXhr {
    open(method, url) { this.url = url; }
    send() { this.sent = true; }
    addEventListener(type, listener) { (this.listeners ??= []).push(listener); }
    finish(status, responseType, body) {
      this.status = status;
      this.responseType = responseType;
      if (responseType === 'json') this.response = body; else this.responseText = body;
      for (const listener of this.listeners ?? []) listener();
    }
  }
  const document = {
    readyState: 'interactive',
    baseURI: origin + '/index.php',
    addEventListener() {},
    querySelectorAll: () => selects.map((values) => ({ options: values.map((value) => ({ value })) })),
    fonts: { check: () => false },
  };
  const window = { document, XMLHttpRequest: FakeXhr, location: { origin }, addEventListener() {}, URL };
  window.window = window;
  window.top = window;
  const context = vm.createContext(window);
  vm.runInContext(source, context);
  return { context, run: (code) => vm.runInContext(code, context) };
}

function request(p, url) {
  p.context.probe = new p.context.XMLHttpRequest();
  p.run(`probe.open('GET', ${JSON.stringify(url)}); probe.send();`);
  return p.context.probe;
}

test('defines the hook once, not writable', () => {
  const p = page();
  const first = p.run('__KORDIS_LOCAL_DIAGNOSTICS_204__');
  vm.runInContext(source, p.context);
  assert.equal(p.run('__KORDIS_LOCAL_DIAGNOSTICS_204__'), first);
  assert.equal(typeof first.snapshot, 'function');
});

test('counts zone requests of the own origin with status and rows', () => {
  const p = page({ selects: [['', '1', '2', '3']] });
  request(p, '/index.php?energy_efficiency/?mbeshtjelljetCRUD/get_zones&id=5').finish(200, '', '[{"id":1},{"id":2}]');
  request(p, '/index.php?mbeshtjelljetCRUD/get_zones_all').finish(200, '', '[]');
  request(p, 'https://other.example/?mbeshtjelljetCRUD/get_zones').finish(200, '', '[]');
  const snapshot = p.run('__KORDIS_LOCAL_DIAGNOSTICS_204__.snapshot()');
  assert.equal(snapshot.zoneRequests.started, 1);
  assert.equal(snapshot.zoneRequests.finished, 1);
  assert.equal(snapshot.zoneRequests.lastStatus, 200);
  assert.equal(snapshot.zoneRequests.lastRows, 2);
  assert.equal(snapshot.zoneOptions, 3);
  assert.equal(snapshot.readyState, 'interactive');
});

test('a failed or unreadable zone answer counts as failed with rows -1', () => {
  const p = page();
  request(p, '/?mbeshtjelljetCRUD/get_zones').finish(500, '', '<html>error</html>');
  request(p, '/?mbeshtjelljetCRUD/get_zones').finish(200, 'json', { rows: [] });
  const zone = p.run('__KORDIS_LOCAL_DIAGNOSTICS_204__.snapshot()').zoneRequests;
  assert.equal(zone.finished, 2);
  assert.equal(zone.failed, 2);
  assert.equal(zone.lastRows, -1);
});

test('the snapshot is JSON-safe and holds no addresses', () => {
  const p = page();
  request(p, '/index.php?mbeshtjelljetCRUD/get_zones&secret=1').finish(200, '', '[]');
  const text = JSON.stringify(p.run('__KORDIS_LOCAL_DIAGNOSTICS_204__.snapshot()'));
  assert.ok(!text.includes('portal.kordis.example'));
  assert.ok(!text.includes('secret'));
  assert.deepEqual(JSON.parse(text).zoneRequests.lastRows, 0);
});
