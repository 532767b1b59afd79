// Client of the stand-in engine's control channel: one JSON object per line each way.
// Requests carry an id and are answered by a line with the same id; after `subscribe` the
// record of host calls streams in as {"event": "call", ...} lines, kept here in order.

import net from 'node:net';
import { setTimeout as sleep } from 'node:timers/promises';

export class ChannelError extends Error {
  constructor(code, message) {
    super(`${code}: ${message}`);
    this.code = code;
  }
}

export class Channel {
  constructor(socket) {
    this.socket = socket;
    this.nextId = 1;
    this.waiting = new Map();
    this.calls = [];
    this.callWaiters = [];
    this.stray = [];
    this.closed = false;
    let buffer = '';
    socket.setEncoding('utf8');
    socket.on('data', (chunk) => {
      buffer += chunk;
      for (let end = buffer.indexOf('\n'); end >= 0; end = buffer.indexOf('\n')) {
        const line = buffer.slice(0, end);
        buffer = buffer.slice(end + 1);
        this.#receive(JSON.parse(line));
      }
    });
    const fail = () => {
      this.closed = true;
      for (const { reject } of this.waiting.values()) reject(new ChannelError('CLOSED', 'the channel closed'));
      this.waiting.clear();
    };
    socket.on('close', fail);
    socket.on('error', fail);
  }

  // Connects to 127.0.0.1:port, trying until `timeoutMs` has passed (the browser opens
  // the port when it first calls the engine loader).
  static async connect(port, { timeoutMs = 30000 } = {}) {
    const deadline = Date.now() + timeoutMs;
    for (;;) {
      try {
        const socket = await new Promise((resolve, reject) => {
          const s = net.connect({ host: '127.0.0.1', port }, () => resolve(s));
          s.once('error', reject);
        });
        return new Channel(socket);
      } catch (error) {
        if (Date.now() > deadline) throw error;
        await sleep(200);
      }
    }
  }

  // Whether anything accepts connections on the port now.
  static async listening(port) {
    return new Promise((resolve) => {
      const s = net.connect({ host: '127.0.0.1', port }, () => {
        s.destroy();
        resolve(true);
      });
      s.once('error', () => resolve(false));
    });
  }

  #receive(message) {
    if (message.event === 'call') {
      this.calls.push(message);
      this.callWaiters = this.callWaiters.filter((waiter) => !waiter.check());
      return;
    }
    const pending = message.id !== undefined ? this.waiting.get(message.id) : undefined;
    if (!pending) {
      this.stray.push(message);
      return;
    }
    this.waiting.delete(message.id);
    if (message.ok) pending.resolve(message.result);
    else pending.reject(new ChannelError(message.error, message.message));
  }

  sendRaw(text) {
    this.socket.write(text);
  }

  // Sends a command and resolves with its result; rejects with a ChannelError.
  send(cmd, args = {}, { timeoutMs = 30000 } = {}) {
    const id = this.nextId++;
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => {
        this.waiting.delete(id);
        reject(new ChannelError('TIMEOUT', `no answer to ${cmd} within ${timeoutMs} ms`));
      }, timeoutMs);
      this.waiting.set(id, {
        resolve: (value) => { clearTimeout(timer); resolve(value); },
        reject: (error) => { clearTimeout(timer); reject(error); },
      });
      this.socket.write(`${JSON.stringify({ id, cmd, ...args })}\n`);
    });
  }

  // The next line that is not an answer to one of our requests (an error line for input
  // that could not be read as a request).
  async strayLine({ timeoutMs = 5000 } = {}) {
    const deadline = Date.now() + timeoutMs;
    while (this.stray.length === 0) {
      if (Date.now() > deadline) throw new Error('no stray line arrived');
      await sleep(20);
    }
    return this.stray.shift();
  }

  async subscribe() {
    return this.send('subscribe');
  }

  // Resolves with the first recorded call (from `after` on) that `match` accepts.
  waitForCall(match, { after = 0, timeoutMs = 20000, what = 'a recorded call' } = {}) {
    const find = () => this.calls.find((call) => call.sequence > after && match(call));
    const found = find();
    if (found) return Promise.resolve(found);
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => {
        this.callWaiters = this.callWaiters.filter((waiter) => waiter !== entry);
        reject(new Error(`timed out waiting for ${what}`));
      }, timeoutMs);
      const entry = {
        check: () => {
          const call = find();
          if (!call) return false;
          clearTimeout(timer);
          resolve(call);
          return true;
        },
      };
      this.callWaiters.push(entry);
    });
  }

  // Recorded calls after `after` that `match` accepts.
  callsAfter(after, match = () => true) {
    return this.calls.filter((call) => call.sequence > after && match(call));
  }

  lastSequence() {
    return this.calls.length ? this.calls[this.calls.length - 1].sequence : 0;
  }

  close() {
    this.socket.destroy();
  }
}

// A port on 127.0.0.1 that nothing listens on right now.
export async function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}
