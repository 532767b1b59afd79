// A private X display (Xvfb on a free display number) with the tools that act on it:
// xdotool for windows and input, ImageMagick's import and convert for pictures.

import { execFile, spawn } from 'node:child_process';
import { promisify } from 'node:util';
import { setTimeout as sleep } from 'node:timers/promises';

const run = promisify(execFile);

export class Desktop {
  constructor(child, display) {
    this.child = child;
    this.display = display;
    this.env = { ...process.env, DISPLAY: display };
  }

  static async start({ width = 1600, height = 1000 } = {}) {
    const child = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', `${width}x${height}x24`, '-nolisten', 'tcp'], {
      stdio: ['ignore', 'ignore', 'ignore', 'pipe'],
    });
    const number = await new Promise((resolve, reject) => {
      let text = '';
      const timer = setTimeout(() => reject(new Error('Xvfb gave no display number')), 10000);
      child.stdio[3].on('data', (chunk) => {
        text += chunk;
        if (text.includes('\n')) {
          clearTimeout(timer);
          resolve(text.trim());
        }
      });
      child.once('exit', (code) => reject(new Error(`Xvfb ended with ${code}`)));
    });
    return new Desktop(child, `:${number}`);
  }

  async stop() {
    if (this.child.exitCode !== null) return;
    const ended = new Promise((resolve) => this.child.once('exit', resolve));
    this.child.kill('SIGTERM');
    await ended;
  }

  async xdotool(...args) {
    const { stdout } = await run('xdotool', args, { env: this.env });
    return stdout.trim();
  }

  // X windows whose name matches the regular expression `name`; [] when none.
  async windows(name, { visibleOnly = false } = {}) {
    try {
      const args = ['search', ...(visibleOnly ? ['--onlyvisible'] : []), '--name', name];
      const out = await this.xdotool(...args);
      return out ? out.split('\n') : [];
    } catch {
      return [];  // xdotool exits 1 when nothing matches
    }
  }

  async waitForWindow(name, { timeoutMs = 20000, visibleOnly = true } = {}) {
    const deadline = Date.now() + timeoutMs;
    for (;;) {
      const found = await this.windows(name, { visibleOnly });
      if (found.length) return found[found.length - 1];
      if (Date.now() > deadline) throw new Error(`no window named /${name}/ appeared`);
      await sleep(150);
    }
  }

  // Every mapped window; a popup menu (no name, no class of its own) shows up only here.
  async mappedWindows() {
    return this.windows('', { visibleOnly: true });
  }

  // Waits for a mapped window that is not among `known`.
  async waitForNewWindow(known, { timeoutMs = 10000 } = {}) {
    const deadline = Date.now() + timeoutMs;
    for (;;) {
      const added = (await this.mappedWindows()).filter((w) => !known.includes(w));
      if (added.length) return added[0];
      if (Date.now() > deadline) throw new Error('no new window appeared');
      await sleep(100);
    }
  }

  async waitForNoWindow(name, { timeoutMs = 10000 } = {}) {
    const deadline = Date.now() + timeoutMs;
    while ((await this.windows(name, { visibleOnly: true })).length) {
      if (Date.now() > deadline) throw new Error(`the window /${name}/ stayed`);
      await sleep(150);
    }
  }

  async windowName(window) {
    return this.xdotool('getwindowname', window);
  }

  async geometry(window) {
    const out = await this.xdotool('getwindowgeometry', '--shell', window);
    const value = (key) => Number(out.match(new RegExp(`^${key}=(-?\\d+)`, 'm'))[1]);
    return { x: value('X'), y: value('Y'), width: value('WIDTH'), height: value('HEIGHT') };
  }

  // Gives the window the keyboard focus (no window manager runs, so focus is set directly).
  async focus(window) {
    await this.xdotool('windowfocus', '--sync', window);
    await sleep(100);
  }

  async key(window, ...keys) {
    await this.focus(window);
    await this.xdotool('key', '--clearmodifiers', '--delay', '60', ...keys);
  }

  async keyDown(window, key) {
    await this.focus(window);
    await this.xdotool('keydown', key);
  }

  async keyUp(key) {
    await this.xdotool('keyup', key);
  }

  async type(window, text) {
    await this.focus(window);
    await this.xdotool('type', '--delay', '20', text);
  }

  // A click at a point of the window, in its own coordinates.
  async click(window, x, y, button = 1) {
    await this.xdotool('mousemove', '--window', window, String(x), String(y));
    await sleep(80);
    await this.xdotool('click', String(button));
  }

  async screenshot(window, path) {
    await run('import', ['-window', window, path], { env: this.env });
    return path;
  }

  // How many pixels of a rectangle of a saved picture are dark (grey level below
  // `threshold` percent): text and glyphs in black, not greyed ones.
  static async darkPixels(path, { x, y, width, height }, threshold = 40) {
    const { stdout } = await run('convert', [path, '-crop', `${width}x${height}+${x}+${y}`, '+repage',
      '-colorspace', 'Gray', '-threshold', `${threshold}%`, '-format', '%[fx:round(w*h*(1-mean))]', 'info:']);
    return Number(stdout.trim());
  }

  // How many pixels of a rectangle of a saved picture are within `fuzz` percent of `colour`.
  static async colourPixels(path, { x, y, width, height }, colour, fuzz = 6) {
    const { stdout } = await run('convert', [path, '-crop', `${width}x${height}+${x}+${y}`, '+repage',
      '-fuzz', `${fuzz}%`, '-fill', 'white', '+opaque', colour, '-fill', 'black', '-opaque', colour,
      '-colorspace', 'Gray', '-format', '%[fx:round(w*h*(1-mean))]', 'info:']);
    return Number(stdout.trim());
  }

  // How many pixels of a rectangle differ (beyond `fuzz` percent) between two saved pictures.
  static async differingPixels(pathA, pathB, { x, y, width, height }, fuzz = 10) {
    const crop = `${width}x${height}+${x}+${y}`;
    try {
      const { stderr } = await run('compare', ['-metric', 'AE', '-fuzz', `${fuzz}%`,
        `${pathA}[${crop}]`, `${pathB}[${crop}]`, 'null:']);
      return Number(stderr.trim());
    } catch (error) {
      // compare exits with 1 when the pictures differ; the count is still on stderr.
      if (error.code === 1) return Number(String(error.stderr).trim());
      throw error;
    }
  }

  // The colour of one pixel of a saved picture, as "#rrggbb".
  static async pixel(path, x, y) {
    const { stdout } = await run('convert', [path, '-format', `%[hex:p{${x},${y}}]`, 'info:']);
    return `#${stdout.trim().slice(0, 6).toLowerCase()}`;
  }
}
