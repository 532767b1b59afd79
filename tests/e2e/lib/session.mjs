// What every scenario file shares: the suite's Wine prefix, a private display, and a
// browser started on the demo portal and followed until the portal's start page shows.

import { Desktop } from './desktop.mjs';
import {
  PORTAL, Browser, artifact, endPrefixProcesses, eventually, install, preparePrefix, resetDataFolder,
} from './browser.mjs';

export { PORTAL, artifact, eventually };

export async function openSession() {
  await preparePrefix();
  await endPrefixProcesses();
  return Desktop.start();
}

export async function closeSession(desktop) {
  await endPrefixProcesses();
  await desktop?.stop();
}

// Main window geometry at 96 dpi (the window is created 1280 by 850 and has no system
// frame): the points the tests click.
export const WINDOW = {
  width: 1280,
  height: 850,
  menuButton: { x: 1280 - 21, y: 64 },
  minimiseButton: { x: 1280 - 138 + 23, y: 21 },
  closeButton: { x: 1280 - 138 + 92 + 23, y: 21 },
  viewBounds: [0, 88, 1280, 850 - 27],
};

// Opens the three-dots menu and chooses its last item, "Ruaj diagnostikën…", with the
// keyboard; resolves with the save dialog.
export async function chooseSaveDiagnostics(desktop, window, screenshot) {
  const known = await desktop.mappedWindows();
  await desktop.click(window, WINDOW.menuButton.x, WINDOW.menuButton.y);
  await desktop.waitForNewWindow(known);
  if (screenshot) await desktop.screenshot('root', screenshot);
  await desktop.xdotool('key', 'Up', 'Return');
  return desktop.waitForWindow('^Save As$');
}

export async function views(channel) {
  return (await channel.send('views')).views;
}

// Waits until `view` shows `url`, loaded; resolves with its state.
export function loaded(channel, view, url) {
  return eventually(async () => {
    const found = (await views(channel)).find((v) => v.name === view);
    return found && found.source === url && !found.loading ? found : undefined;
  }, { what: `${view} to show ${url}` });
}

export async function visibleView(channel) {
  return (await views(channel)).find((v) => v.visible);
}

// A fresh data folder, the program started from `folder` (default: the shipped pair), the
// channel subscribed to the record, the main window found.
export async function startBrowser(desktop, { folder = install('standard'), ...options } = {}) {
  resetDataFolder();
  const browser = await Browser.start(desktop, { folder, ...options });
  return browser;
}

// As startBrowser, then waits until the first tab has passed the engine check and shows
// the portal's start page.
export async function startOnPortal(desktop, options = {}) {
  const browser = await startBrowser(desktop, options);
  const channel = await browser.connect();
  await browser.mainWindow();
  await eventually(async () => {
    const list = await views(channel);
    return list.length === 1 && list[0].source === PORTAL && !list[0].loading && list[0].visible;
  }, { timeoutMs: 40000, what: 'the portal start page in the first tab' });
  return { browser, channel };
}
