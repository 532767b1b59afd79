// A private X display (Xvfb on a free display number) with the tools that act on it:
// xdotool for windows and input, ImageMagick's import and convert for pictures.

import { execFile, spawn } from 'node:child_process';
import { setTimeout as sleep } from 'node:timers/promises';
import { promisify } from 'node:util';

const run = promisify(execFile);

export class Desktop {
  constructor(child, display) {
    Object.assign(this, { child, env: { ...process.env, DISPLAY: display } });
  }

  static async start() {
    const child = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1600x1000x24', '-nolisten', 'tcp'], {
      stdio: ['ignore', 'ignore', 'ignore', 'pipe'],
    });
    const number = await new Promise((resolve, reject) => {
      let text = '';
      child.stdio[3].on('data', (chunk) => {
        text += chunk;
        if (text.includes('\n')) resolve(text.trim());
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
    return (await run('xdotool', args, { env: this.env })).stdout.trim();
  }

  // Visible X windows whose name matches the regular expression `name`; [] when none. A
  // popup menu (no name, no class of its own) shows up only with the name ''.
  async windows(name) {
    // xdotool exits with 1 when nothing matches.
    const out = await this.xdotool('search', '--onlyvisible', '--name', name).catch(() => '');
    return out ? out.split('\n') : [];
  }

  async waitForWindow(name, { timeoutMs = 20000, among = async () => this.windows(name) } = {}) {
    const deadline = Date.now() + timeoutMs;
    for (;;) {
      const found = await among();
      if (found.length) return found.at(-1);
      if (Date.now() > deadline) throw new Error(`no window /${name}/ appeared`);
      await sleep(150);
    }
  }

  // Waits for a visible window that is not among `known`.
  waitForNewWindow(known) {
    return this.waitForWindow('(new)', { among: async () => (await this.windows('')).filter((w) => !known.includes(w)) });
  }

  async waitForNoWindow(name) {
    const deadline = Date.now() + 10000;
    while ((await this.windows(name)).length) {
      if (Date.now() > deadline) throw new Error(`the window /${name}/ stayed`);
      await sleep(150);
    }
  }

  windowName(window) {
    return this.xdotool('getwindowname', window);
  }

  // Keys to the window, which first gets the keyboard focus (no window manager gives it).
  async key(window, ...keys) {
    await this.xdotool('windowfocus', '--sync', window);
    await sleep(100);
    await this.xdotool('key', '--clearmodifiers', '--delay', '60', ...keys);
  }

  async type(window, text) {
    await this.xdotool('windowfocus', '--sync', window);
    await this.xdotool('type', '--delay', '20', text);
  }

  // A click at a point of the window, in its own coordinates.
  async click(window, [x, y], button = 1) {
    await this.xdotool('mousemove', '--window', window, String(x), String(y));
    await sleep(80);
    await this.xdotool('click', String(button));
  }

  async screenshot(window, path) {
    await run('import', ['-window', window, path], { env: this.env });
    return path;
  }

  // How many pixels of a rectangle of a saved picture are within `fuzz` percent of `colour`.
  static async colourPixels(path, { x, y, width, height }, colour, fuzz = 6) {
    const { stdout } = await run('convert', [path, '-crop', `${width}x${height}+${x}+${y}`, '+repage',
      '-fuzz', `${fuzz}%`, '-fill', 'white', '+opaque', colour, '-fill', 'black', '-opaque', colour,
      '-colorspace', 'Gray', '-format', '%[fx:round(w*h*(1-mean))]', 'info:']);
    return Number(stdout.trim());
  }

  // The colour of one pixel of a saved picture, as "#rrggbb".
  static async pixel(path, [x, y]) {
    const { stdout } = await run('convert', [path, '-format', `%[hex:p{${x},${y}}]`, 'info:']);
    return `#${stdout.trim().slice(0, 6).toLowerCase()}`;
  }
}
