// Starts Debian's Chromium headless with a fresh profile, talking DevTools over a pipe.
// It makes no outside connections: background services are off and every host name
// resolves to nothing, so pages only ever see what the tests answer through Fetch.

import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { CdpConnection } from './cdp.mjs';

export const CHROMIUM = process.env.VESKO_CHROMIUM ?? '/usr/bin/chromium';

const BASE_FLAGS = [
  '--headless=new',
  '--no-sandbox',
  '--disable-gpu',
  '--disable-background-networking',
  '--disable-component-update',
  '--no-first-run',
  '--disable-sync',
  '--no-default-browser-check',
  '--disable-extensions',
  '--disable-default-apps',
  '--mute-audio',
  '--host-resolver-rules=MAP * ~NOTFOUND',
  // Every frame in the page's own process, so one session sees (and intercepts) all.
  '--disable-site-isolation-trials',
  '--disable-features=IsolateOrigins,site-per-process,HttpsUpgrades,HttpsFirstBalancedModeAutoEnable',
  '--remote-debugging-pipe',
];

export class Browser {
  constructor(child, connection, profile) {
    this.child = child;
    this.connection = connection;
    this.profile = profile;
  }

  // Opens a new tab and attaches a flat session to it.
  async newPage({ background = false } = {}) {
    const { targetId } = await this.connection.send('Target.createTarget', {
      url: 'about:blank', background,
    });
    const { sessionId } = await this.connection.send('Target.attachToTarget', {
      targetId, flatten: true,
    });
    const session = this.connection.session(sessionId);
    session.targetId = targetId;
    return session;
  }

  async close() {
    const exited = new Promise((resolve) => {
      if (this.child.exitCode !== null || this.child.signalCode !== null) resolve();
      else this.child.once('exit', resolve);
    });
    try {
      await Promise.race([
        this.connection.send('Browser.close'),
        new Promise((resolve) => setTimeout(resolve, 2000)),
      ]);
    } catch {
      // Already gone.
    }
    const killer = setTimeout(() => this.child.kill('SIGKILL'), 5000);
    await exited;
    clearTimeout(killer);
    rmSync(this.profile, { recursive: true, force: true });
  }
}

// extraFlags: engine switches under test, e.g. '--disable-web-security'.
export async function launch(extraFlags = []) {
  const profile = mkdtempSync(join(tmpdir(), 'vesko-chromium-'));
  const child = spawn(CHROMIUM, [...BASE_FLAGS, ...extraFlags, `--user-data-dir=${profile}`], {
    stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'],
  });
  let stderr = '';
  child.stderr.on('data', (chunk) => {
    stderr = (stderr + chunk).slice(-4000);
  });
  const connection = new CdpConnection(child.stdio[3], child.stdio[4]);
  const failed = new Promise((_, reject) => {
    child.once('error', reject);
    child.once('exit', (code) => reject(new Error(`chromium exited (${code}): ${stderr}`)));
  });
  await Promise.race([connection.send('Browser.getVersion'), failed]);
  failed.catch(() => {});
  return new Browser(child, connection, profile);
}
