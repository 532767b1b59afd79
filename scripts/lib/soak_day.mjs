// A working day at a portal kiosk, as the soak plays it: each action done the way a clerk
// or the portal's pages do it (keys, clicks, page messages, the engine failing), and the
// tabs as the driver expects them afterwards.

import { existsSync, readFileSync, rmSync } from 'node:fs';
import { join } from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';

import { PORTAL, eventually, page, views, visibleView, windowsPath } from '../../tests/e2e/lib/browser.mjs';

const MAX_TABS = 6;
const SIZES = [[1280, 850], [1024, 700], [1440, 900]];
// Caption buttons are 46 pixels wide from the frame's right edge; the menu button sits
// below close. Maximised, Windows puts the window's border off the screen: the frame's edge
// is the screen's.
const SCREEN_WIDTH = 1600;
const maximiseButton = (right) => [right - 69, 21];
const closeButton = (right) => [right - 23, 21];
const menuButton = (right) => [right - 21, 64];
const STATUS = {
  hanging: 'Faqja nuk po përgjigjet. Po pritet…',
  restarting: 'Motori WebView2 ndaloi. Po riniset…',
  stoppedAgain: 'Faqja ndaloi disa herë radhazi. Rifreskoje vetë kur të jesh gati.',
};
const DIALOG = '^Vesko Browser$';
const FOREIGN = 'https://standarde.example.org/energjia.html';

export class WorkingDay {
  // `random` is the seeded generator; `out` the folder for what the day saves.
  constructor({ browser, channel, desktop, window, random, out, firstView }) {
    Object.assign(this, { browser, channel, desktop, window, random, out });
    // In strip order: the first holds the clerk's unsaved input and zoom and is never
    // navigated away; the others come and go.
    this.tabs = [{ view: firstView, url: PORTAL, zoom: 1 }];
    this.backgroundOpened = [];
    this.hungAt = new Map();
    this.hangsOverEarly = [];
    this.sizingLetGo = [];
    this.restarts = 0;
  }

  pick(list) {
    return list[Math.floor(this.random() * list.length)];
  }

  // The actions with their weights: how often a day does each.
  actions() {
    const full = () => this.tabs.length >= MAX_TABS;
    const table = [
      [4, 'newTabByKey', () => (full() ? this.navigate() : this.newTabByKey())],
      [3, 'newTabByMiddleClick', () => (full() ? this.navigate() : this.newBackgroundTab('middleClick'))],
      [2, 'popUp', () => (full() ? this.navigate() : this.newBackgroundTab('popUp'))],
      [6, 'closeTab', () => (this.tabs.length > 1 ? this.closeTab() : this.newTabByKey())],
      [4, 'selectTab', () => this.selectTab()],
      [12, 'navigate', () => this.navigate()],
      [4, 'back', () => this.history('Left')],
      [3, 'forward', () => this.history('Right')],
      [3, 'reload', () => this.reload()],
      [2, 'stop', () => this.stop()],
      [4, 'zoom', () => this.zoom()],
      [8, 'webMessage', () => this.webMessage()],
      [2, 'busySpinner', () => this.busySpinner()],
      [1, 'unsavedInput', () => this.unsavedInput()],
      [2, 'refusedRequest', () => this.refusedRequest()],
      [2, 'resize', () => this.resize()],
      [1, 'maximiseAndRestore', () => this.maximiseAndRestore()],
      [1, 'download', () => this.download(true)],
      [1, 'downloadCancelled', () => this.download(false)],
      [0.5, 'diagnosticsReport', () => this.diagnosticsReport()],
      [1, 'rendererFailure', () => this.rendererFailure()],
      [0.5, 'hangEnded', () => this.hang()],
    ];
    return table;
  }

  async state(view) {
    return (await views(this.channel)).find((v) => v.name === view);
  }

  async front() {
    return (await visibleView(this.channel))?.name;
  }

  settledView(view) {
    let last;
    return eventually(async () => {
      last = await this.state(view);
      return last && !last.loading && !last.rendererGone && !last.unresponsive ? last : undefined;
    }, { timeoutMs: 60000, what: () => `${view} to settle; it is ${this.described(view, last)}` });
  }

  // Until `view` shows `url`, loaded. A minute: Chromium under a loaded machine is slow to
  // bring a renderer back.
  arrived(view, url) {
    let last;
    return eventually(async () => {
      last = await this.state(view);
      return last?.source === url && !last.loading ? last : undefined;
    }, { timeoutMs: 60000, what: () => `${view} to show ${url}; it is ${this.described(view, last)}` });
  }

  // A view's state and the engine's last calls on its objects, for a failure's message.
  described(view, state) {
    return `${JSON.stringify(state)}${this.recentCalls(view)}`;
  }

  // Without a view: the engine's last calls on any object, for a step that failed with no
  // view named (a channel request that got no answer).
  recentCalls(view) {
    const number = view?.slice(view.indexOf('#'));
    const ours = (c) => !view || c.object.endsWith(number) || c.object.includes(`${number}.`);
    return `; ${view ? 'its' : 'the engine\'s'} last calls: ` + this.channel.calls.filter(ours).slice(-40).map((c) => `${c.object} ${c.method} ${c.detail}`.trim()).join(' | ');
  }

  key(view, name, modifiers = {}) {
    return this.channel.send('key', { view, key: name, ...modifiers });
  }

  async windowWidth() {
    return (await this.geometry()).width;
  }

  // A click at a point of the screen, where the frame is drawn.
  async clickScreen([x, y]) {
    await this.desktop.xdotool('mousemove', String(x), String(y));
    await sleep(80);
    await this.desktop.xdotool('click', '1');
  }

  async geometry() {
    const text = await this.desktop.xdotool('getwindowgeometry', this.window);
    const [, left, top, width, height] = /Position: (-?\d+),(-?\d+).*Geometry: (\d+)x(\d+)/s.exec(text).map(Number);
    return { left, top, width, height };
  }

  // The right edge of the frame on the screen.
  async frameRight() {
    const { left, width } = await this.geometry();
    return Math.min(left + width, SCREEN_WIDTH);
  }

  // The window's corner dragged as a clerk does: the program's frame answers the hit test,
  // Windows sizes the window. (Sized from outside, without a window manager, Wine tells the
  // program nothing and the frame stays laid out for the old size.)
  async resizeTo(width, height, attempt = 1) {
    const { left, top, width: was, height: wasHigh } = await this.geometry();
    await this.desktop.xdotool('mousemove', String(left + was - 2), String(top + wasHigh - 2));
    await sleep(80);
    await this.desktop.xdotool('mousedown', '1');
    await sleep(80);
    await this.desktop.xdotool('mousemove', String(left + width - 2), String(top + height - 2));
    await sleep(80);
    await this.desktop.xdotool('mouseup', '1');
    await eventually(async () => (await this.windowWidth()) === width, { what: `the window ${width} wide` });
    // Once in some thousands of drags Wine let the release go and went on sizing the window
    // (seen: the next click, on the menu button, dragged the corner there and opened
    // nothing). The mouse leaves the corner: a window that follows it is still being sized,
    // and the clerk ends that with Enter (the sizing loop keeps the size) and drags again.
    await this.desktop.xdotool('mousemove', String(left + width - 40), String(top + height - 40));
    await sleep(300);
    if ((await this.windowWidth()) === width) return;
    await this.desktop.xdotool('key', 'Return');
    this.sizingLetGo.push(`the window went on sizing after a drag to ${width} wide (attempt ${attempt})`);
    if (attempt === 3) throw new Error(`the window went on sizing after ${attempt} drags to ${width} wide`);
    await this.resizeTo(width, height, attempt + 1);
  }

  // The portal links a page offers that stay on the portal in the same tab.
  async portalLinks(view) {
    const { links } = await this.channel.send('links', { view });
    return links.filter((l) => l.href.startsWith(PORTAL) && !l.download && !l.target && !l.href.includes('#'));
  }

  async newView(before, what) {
    return eventually(async () => (await views(this.channel)).find((v) => !before.has(v.name))?.name, { what });
  }

  async viewNames() {
    return new Set((await views(this.channel)).map((v) => v.name));
  }

  async newTabByKey() {
    const before = await this.viewNames();
    await this.key(await this.front(), 'T', { ctrl: true });
    const view = await this.newView(before, 'a new tab');
    await this.arrived(view, PORTAL);
    this.tabs.push({ view, url: PORTAL, zoom: 1 });
  }

  // A tab in the background, from a middle click on a link or a page's window.open. The
  // program opens at most five a page asks for in ten seconds; the driver stays below that,
  // as a clerk does.
  async newBackgroundTab(how) {
    if (this.backgroundOpened.filter((time) => time > Date.now() - 11000).length >= 4) return this.navigate();
    this.backgroundOpened.push(Date.now());
    const source = this.pick(this.tabs).view;
    const before = await this.viewNames();
    let url;
    if (how === 'popUp') {
      url = page(this.pick(['/ndihme.html', '/ndertesat.html']));
      await this.channel.send('openWindow', { view: source, url });
    } else {
      const links = await this.portalLinks(source);
      if (!links.length) return undefined;
      url = this.pick(links).href;
      await this.channel.send('click', { view: source, href: url, button: 'middle' });
    }
    const view = await this.newView(before, 'a background tab');
    await this.arrived(view, url);
    this.tabs.push({ view, url, zoom: 1 });
    return undefined;
  }

  // Brings `view` to the front with Ctrl+Tab, whatever order the strip has.
  async bringToFront(view) {
    for (let tries = 0; tries <= MAX_TABS && (await this.front()) !== view; ++tries) {
      const shown = await this.front();
      await this.key(shown, 'Tab', { ctrl: true });
      await eventually(async () => (await this.front()) !== shown, { what: 'the next tab in front' });
    }
    if ((await this.front()) !== view) throw new Error(`${view} did not come to the front`);
  }

  // A tab chosen by a key: the next, the previous, or one by its number, which the browser
  // leaves to the page when pressed inside it (as here), so it selects nothing.
  async selectTab() {
    const [name, modifiers] = this.pick([['Tab', { ctrl: true }], ['Tab', { ctrl: true, shift: true }],
      [String(1 + Math.floor(this.random() * 9)), { ctrl: true }]]);
    await this.key(await this.front(), name, modifiers);
  }

  async closeTab() {
    const index = 1 + Math.floor(this.random() * (this.tabs.length - 1));
    const { view } = this.tabs[index];
    await this.bringToFront(view);
    await this.key(view, 'W', { ctrl: true });
    await eventually(async () => !(await this.state(view)), { what: `${view} closed` });
    this.tabs.splice(index, 1);
  }

  // The clerk's own tab is left alone; the others browse.
  otherTab() {
    return this.tabs.length > 1 ? this.tabs[1 + Math.floor(this.random() * (this.tabs.length - 1))] : undefined;
  }

  async navigate() {
    const tab = this.otherTab();
    if (!tab) return;
    const links = await this.portalLinks(tab.view);
    if (!links.length) return;
    const link = this.pick(links);
    await this.channel.send('click', { view: tab.view, href: link.href });
    tab.url = (await this.arrived(tab.view, link.href)).source;
  }

  // Keys act on the tab in front, so the driver brings its tab there first.
  async history(direction) {
    const tab = this.otherTab();
    if (!tab) return;
    await this.bringToFront(tab.view);
    const sequence = this.channel.lastSequence();
    await this.key(tab.view, direction, { alt: true, kind: 'systemKeyDown' });
    await sleep(50);
    const shown = await this.settledView(tab.view);
    // Nothing to go back to is no navigation; either way the tab shows what the engine says.
    if (this.channel.callsAfter(sequence, (c) => c.object === tab.view && /^Go(Back|Forward)$/.test(c.method)).length) {
      tab.url = shown.source;
    }
  }

  async reload() {
    const tab = this.otherTab();
    if (!tab) return;
    await this.bringToFront(tab.view);
    await this.key(tab.view, 'F5');
    await this.settledView(tab.view);
  }

  // A link followed and F5 pressed at once: the button is "Ndalo" while the page loads, so
  // the load stops (or, had it finished already, the page reloads). The tab shows whichever
  // page the engine kept.
  async stop() {
    const tab = this.otherTab();
    if (!tab) return;
    await this.bringToFront(tab.view);
    const links = await this.portalLinks(tab.view);
    if (!links.length) return;
    await this.channel.send('click', { view: tab.view, href: this.pick(links).href });
    await this.key(tab.view, 'F5');
    tab.url = (await this.settledView(tab.view)).source;
  }

  async zoom() {
    const tab = this.pick(this.tabs);
    await this.bringToFront(tab.view);
    // The program may act on the key after its handler has returned: the zoom is read once
    // the controller was told the new factor (or, when the factor stays, a moment later).
    const { controller } = await this.state(tab.view);
    const sequence = this.channel.lastSequence();
    await this.key(tab.view, this.pick(['Add', 'Subtract', 'Numpad0']), { ctrl: true });
    await eventually(() => this.channel.callsAfter(sequence, (c) => c.object === controller && c.method === 'put_ZoomFactor')
      .length, { timeoutMs: 1000 }).catch(() => {});
    tab.zoom = (await this.state(tab.view)).zoom;
  }

  async webMessage() {
    const tab = this.pick(this.tabs);
    const message = this.pick([
      { type: 'vesk-activity', busy: false },
      { type: 'vesk-zone-result', rows: Math.floor(this.random() * 40), status: this.pick([200, 500]) },
    ]);
    await this.channel.send('postMessage', { view: tab.view, message });
  }

  // A page busy for a moment: the tab's spinner turns, then stops.
  async busySpinner() {
    const tab = this.pick(this.tabs);
    await this.channel.send('postMessage', { view: tab.view, message: { type: 'vesk-activity', busy: true } });
    await sleep(200 + Math.floor(this.random() * 600));
    await this.channel.send('postMessage', { view: tab.view, message: { type: 'vesk-activity', busy: false } });
  }

  async unsavedInput() {
    await this.channel.send('input', { view: this.tabs[0].view });
    this.tabs[0].dirty = true;
  }

  // What the program refuses: a link off the portal (cancelled), or a page's request to a
  // host it does not serve. Neither moves the tab.
  async refusedRequest() {
    const tab = this.pick(this.tabs);
    if (this.random() < 0.5) {
      const sequence = this.channel.lastSequence();
      await this.channel.send('navigate', { view: tab.view, url: FOREIGN, userInitiated: true });
      await this.channel.waitForCall((c) => c.object === `${tab.view}.navigationStarting` && c.method === 'put_Cancel' &&
        c.detail === 'true', { after: sequence, what: 'the foreign navigation cancelled' });
    } else {
      const answer = await this.channel.send('request', { view: tab.view, url: 'https://gjurmues.example.net/piksel.gif',
        kind: 'image' });
      // The program answers it itself with 403; the foreign host is never asked.
      if (!answer.answeredByHost || answer.status !== 403) {
        throw new Error(`a foreign request was not refused: ${JSON.stringify(answer)}`);
      }
    }
    await this.settledView(tab.view);
  }

  async resize() {
    const [width, height] = this.pick(SIZES);
    if ((await this.windowWidth()) !== width) await this.resizeTo(width, height);
  }

  // The frame's own caption button, twice: maximised to the screen, then restored.
  async maximiseAndRestore() {
    const width = await this.windowWidth();
    const maximised = async () => (await this.windowWidth()) > SCREEN_WIDTH;
    await this.clickScreen(maximiseButton(await this.frameRight()));
    // Once in eleven thousand steps Wine let a click go; the second is the clerk's.
    if (!await eventually(maximised, { timeoutMs: 3000 }).catch(() => false)) {
      await this.clickScreen(maximiseButton(await this.frameRight()));
    }
    await eventually(maximised, { what: () => `the window maximised from ${width} wide` });
    await this.clickScreen(maximiseButton(await this.frameRight()));
    await eventually(async () => (await this.windowWidth()) === width, { what: 'the window restored' });
  }

  // A portal file through the Save As dialog: saved where typed, or the dialog cancelled.
  async download(save) {
    const tab = this.pick(this.tabs);
    const target = join(this.out, 'downloads', `raporti-${tab.view.replace(/\W/g, '')}.csv`);
    rmSync(target, { force: true });
    const done = this.channel.send('download', { view: tab.view, url: page('/shkarko/raporti-zonave.csv') });
    const dialog = await this.desktop.waitForWindow('^Save As$');
    if (save) {
      await this.desktop.type(dialog, windowsPath(target));
      await this.desktop.key(dialog, 'Return');
    } else {
      await this.desktop.key(dialog, 'Escape');
    }
    const { download } = await done;
    if (download.cancelled === save || download.written !== save || existsSync(target) !== save) {
      throw new Error(`download ${save ? 'saved' : 'cancelled'}: ${JSON.stringify(download)}`);
    }
  }

  // The menu's last item, "Ruaj diagnostikën…", through the Save As dialog.
  async diagnosticsReport() {
    const target = join(this.out, 'downloads', 'diagnostika.json');
    rmSync(target, { force: true });
    const known = await this.desktop.windows('');
    await this.clickScreen(menuButton(await this.frameRight()));
    await this.desktop.waitForNewWindow(known);
    await this.desktop.xdotool('key', 'Up', 'Return');
    const dialog = await this.desktop.waitForWindow('^Save As$');
    await this.desktop.type(dialog, windowsPath(target));
    await this.desktop.key(dialog, 'Return');
    // The file is written once the page's own part has come; a status that must stay its
    // seconds (a failure's) may keep the notice from showing, so the file is what counts.
    const report = () => {
      try {
        return JSON.parse(readFileSync(target, 'utf8')).portalDiagnostics;
      } catch {
        return undefined;  // not there yet, or still being written
      }
    };
    await eventually(report, { timeoutMs: 30000, what: 'the diagnostics report' });
  }

  async rendererFailure() {
    const tab = this.otherTab();
    if (!tab) return;
    // The program reloads a tab by itself three times in five minutes; after that the
    // status line asks the clerk to, and the clerk presses F5 once.
    const now = Date.now();
    tab.failures = (tab.failures ?? []).filter((time) => time > now - 5 * 60 * 1000);
    const byHand = tab.failures.length >= 3;
    if (!byHand) tab.failures.push(now);
    const failuresBefore = (await this.state(tab.view)).processFailures;
    const since = Date.now();
    await this.channel.send('processFailure', { view: tab.view, kind: 'render-process-exited' });
    // On Chromium the renderer ends a moment later: until the engine has reported it, the
    // tab only looks recovered, and a step taken then would meet the program's reload.
    await eventually(async () => (await this.state(tab.view))?.processFailures > failuresBefore,
      { timeoutMs: 30000, what: `${tab.view}'s renderer failure reported` });
    let pressed = false;
    const pressF5 = async () => {
      pressed = true;
      await this.bringToFront(tab.view);
      await this.key(tab.view, 'F5');
    };
    if (byHand) await pressF5();
    let last;
    await eventually(async () => {
      last = await this.state(tab.view);
      // The program's count of its reloads starts a moment after the driver's.
      if (!pressed && last?.rendererGone && this.browser.statusTexts(since).includes(STATUS.stoppedAgain)) await pressF5();
      return last && !last.loading && !last.rendererGone;
    }, { timeoutMs: 60000, what: () => `${tab.view} recovered; it is ${this.described(tab.view, last)}` });
  }

  // A page's script runs long and then ends by itself: the program says so while it waits
  // (in front) and the page goes on. Shorter than the fifteen seconds before it asks. The
  // program counts a hang over after twelve seconds without a report, so a tab that hung
  // less than that ago would only be hanging on: another tab is chosen, or none.
  async hang() {
    const calm = this.tabs.slice(1).filter((t) => !(Date.now() - (this.hungAt.get(t.view) ?? 0) < 13000));
    if (!calm.length) return this.navigate();
    const tab = this.pick(calm);
    await this.bringToFront(tab.view);
    const since = Date.now();
    await this.channel.send('processFailure', { view: tab.view, kind: 'render-process-unresponsive' });
    await this.browser.waitForStatus(STATUS.hanging, { since, timeoutMs: 12000 }).catch(async (error) => {
      throw new Error(`${error.message}; ${tab.view} is ${this.described(tab.view, await this.state(tab.view))}`);
    });
    await this.channel.send('endUnresponsive', { view: tab.view }).catch((error) => {
      // The page may answer again before the driver ends its hang: the hang is over
      // already, and the tab must still settle. Listed with its calls at the end.
      if (!error.message.startsWith('NOT_UNRESPONSIVE')) throw error;
      this.hangsOverEarly.push(`${tab.view}${this.recentCalls(tab.view)}`);
    });
    this.hungAt.set(tab.view, Date.now());
    await this.settledView(tab.view);
    return undefined;
  }

  // The Chromium backend's browser process killed: the program starts the engine again with
  // the same tabs in the same order, each at its address and zoom. The driver finds its
  // tabs' new views by their places in the strip (Ctrl+1 to Ctrl+8); the pages were loaded
  // afresh, so the clerk types the unsaved input again.
  async browserRestart() {
    const oldViews = this.tabs.map((t) => t.view);
    const frontView = await this.front();
    const frontBefore = this.tabs.findIndex((t) => t.view === frontView);
    const { browser: killed } = await this.channel.send('processes', { view: this.tabs[0].view });
    const since = Date.now();
    process.kill(killed, 'SIGKILL');
    await this.browser.waitForStatus(STATUS.restarting, { since });
    await eventually(async () => {
      const list = await views(this.channel);
      return list.length === this.tabs.length && list.every((v) => !oldViews.includes(v.name) && !v.loading);
    }, { timeoutMs: 60000, what: `${this.tabs.length} new views` });
    // The tab in front stays in front; Ctrl+Tab walks the strip from it (a digit pressed
    // inside a page is the page's, so Ctrl+1 cannot be used here).
    const start = Math.max(0, frontBefore);
    for (let k = 0; k < this.tabs.length; ++k) {
      const tab = this.tabs[(start + k) % this.tabs.length];
      const before = await this.front();
      if (k > 0) await this.key(before, 'Tab', { ctrl: true });
      let seen = [];
      const shown = await eventually(async () => {
        seen = await views(this.channel);
        const now = seen.find((v) => v.visible);
        return now && (k === 0 || now.name !== before) && now.source === tab.url && now;
      }, {
        what: () => `the tab at ${tab.url} in front; views: ` +
          seen.map((v) => `${v.name}${v.visible ? ' (front)' : ''} ${v.source}${v.loading ? ' loading' : ''}`).join(', '),
      });
      tab.view = shown.name;
    }
    ++this.restarts;
    await this.unsavedInput();
  }

  // Back to the clerk's own tab alone, idle, so two settled samples compare like with like.
  async settle() {
    while (this.tabs.length > 1) await this.closeTab();
    await this.settledView(this.tabs[0].view);
    await sleep(500);
  }

  // What the driver expects of the tabs and the engine, as texts of what differs.
  async lost() {
    const lost = [];
    const live = await views(this.channel);
    if (live.length !== this.tabs.length) lost.push(`${live.length} views, expected ${this.tabs.length}`);
    for (const tab of this.tabs) {
      const shown = live.find((v) => v.name === tab.view);
      if (!shown) lost.push(`${tab.view} is gone`);
      else if (shown.source !== tab.url || Math.abs(shown.zoom - tab.zoom) > 1e-9) {
        lost.push(`${tab.view} shows ${shown.source} at ${shown.zoom}, expected ${tab.url} at ${tab.zoom}`);
      }
    }
    if (this.tabs[0].dirty && !this.browser.texts.some((t) => t.text.startsWith('• KORDIS'))) lost.push('the unsaved mark');
    return lost;
  }

  // The close warning: closing the window with the unsaved input asks, and "Po" closes.
  async closeAsks() {
    await this.clickScreen(closeButton(await this.frameRight()));
    // A click Wine lets go (as it can the maximise one) is clicked again, as a clerk would.
    let dialog = await this.desktop.waitForWindow(DIALOG, { timeoutMs: 5000 }).catch(() => undefined);
    if (!dialog) {
      await this.clickScreen(closeButton(await this.frameRight()));
      dialog = await this.desktop.waitForWindow(DIALOG).catch(() => undefined);
    }
    if (!dialog) return ['closing the window with unsaved input did not ask'];
    await this.desktop.key(dialog, 'shift+Tab', 'Return');  // "Po": close
    const code = await this.browser.waitForExit();
    return code === 0 ? [] : [`the program ended with ${code}`];
  }
}
