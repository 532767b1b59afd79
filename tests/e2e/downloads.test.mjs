// Downloads end to end: a portal file saved where the user types it in Wine's save
// dialog, and a foreign one refused before any dialog.

import assert from 'node:assert/strict';
import { existsSync, mkdirSync, readFileSync, rmSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';

import { paths, windowsPath } from './lib/browser.mjs';
import {
  artifact, closeSession, eventually, openSession, startOnPortal, visibleView,
} from './lib/session.mjs';

describe('downloads', () => {
  let desktop;
  let browser;
  let channel;
  let view;
  let folder;

  before(async () => {
    desktop = await openSession();
    ({ browser, channel } = await startOnPortal(desktop));
    view = (await visibleView(channel)).name;
    folder = artifact('downloads', 'saved');
    rmSync(folder, { recursive: true, force: true });
    mkdirSync(folder, { recursive: true });
  });
  after(async () => {
    await browser?.stop();
    await closeSession(desktop);
  });

  test('a portal download asks where to save, and the file arrives where the user typed', async () => {
    const target = join(folder, 'zonat-e-ndertesave.csv');
    const download = channel.send('click', { view, text: 'Shkarko raportin e zonave (CSV)' }, { timeoutMs: 60000 });
    const dialog = await desktop.waitForWindow('^Save As$');
    // Nothing is written while the dialog is open.
    await desktop.screenshot(dialog, artifact('downloads', 'save-dialog.png'));
    assert.equal(existsSync(target), false);

    await desktop.type(dialog, windowsPath(target));
    await desktop.key(dialog, 'Return');
    const result = await download;
    assert.equal(result.action, 'download');
    assert.deepEqual(result.download, {
      cancelled: false, handled: false, deferred: true, resultPath: windowsPath(target), written: true,
    });
    assert.deepEqual(readFileSync(target), readFileSync(join(paths.portalSite, 'shkarko/raporti-zonave.csv')));
  });

  test('cancelling the dialog cancels the download silently', async () => {
    const since = Date.now();
    const download = channel.send('click', { view, text: 'Shkarko raportin e zonave (CSV)' }, { timeoutMs: 60000 });
    const dialog = await desktop.waitForWindow('^Save As$');
    await desktop.key(dialog, 'Escape');
    const result = await download;
    assert.equal(result.download.cancelled, true);
    assert.equal(result.download.written, false);
    await eventually(() => browser.statusTexts(since).length > 0, { what: 'a repaint of the status line' });
    assert.ok(!browser.statusTexts(since).some((t) => t.startsWith('Shkarkimi') || t.startsWith('Veprimi')));
  });

  test('a download from another site is refused without a dialog', async () => {
    const since = Date.now();
    const result = await channel.send('download', { view, url: 'https://files.example.org/raport.zip' });
    assert.equal(result.download.cancelled, true);
    assert.equal(result.download.written, false);
    await browser.waitForStatus('Shkarkimi u bllokua.', { since });
    assert.deepEqual(await desktop.windows('^Save As$', { visibleOnly: true }), []);
    await desktop.screenshot(await browser.mainWindow(), artifact('downloads', 'foreign-download-refused.png'));
  });
});
