// The engine switch that removes the page's file-system pickers, in headless Chromium: the
// pickers are gone from a portal page and its frames, and a file input still takes a file.

import assert from 'node:assert/strict';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { test } from 'node:test';

import { PORTAL, html, launch } from './lib/harness.mjs';

test('no file-system picker with the switch, and uploads still work', async () => {
  const browser = await launch(['--disable-blink-features=FileSystemAccessLocal']);
  const folder = mkdtempSync(join(tmpdir(), 'vesko-upload-'));
  try {
    const file = join(folder, 'leje.pdf');
    writeFileSync(file, '%PDF-1.4 leje');
    const page = await browser.open();
    page.route(`${PORTAL}/ngarko`, html('<input id=f type=file><iframe src="about:blank"></iframe>'));
    await page.goto(`${PORTAL}/ngarko`);
    assert.deepEqual(await page.evaluate(`[window, frames[0]].map((w) => [typeof w.showOpenFilePicker,
      typeof w.showSaveFilePicker, typeof w.showDirectoryPicker, typeof w.DataTransferItem.prototype.getAsFileSystemHandle])`),
    [['undefined', 'undefined', 'undefined', 'undefined'], ['undefined', 'undefined', 'undefined', 'undefined']]);
    const { root } = await page.send('DOM.getDocument');
    const { nodeId } = await page.send('DOM.querySelector', { nodeId: root.nodeId, selector: '#f' });
    await page.send('DOM.setFileInputFiles', { nodeId, files: [file] });
    assert.deepEqual(await page.evaluate(`(async () => { const f = document.getElementById('f').files[0];
      return [f.name, await f.text()]; })()`), ['leje.pdf', '%PDF-1.4 leje']);
  } finally {
    await browser.close();
    rmSync(folder, { recursive: true, force: true });
  }
});
