// A thin DevTools protocol client over Chromium's --remote-debugging-pipe: file
// descriptor 3 carries commands, 4 answers and events, each message JSON followed by
// a NUL byte. Sessions are flat (Target.attachToTarget with flatten).

export class CdpConnection {
  #out;
  #nextId = 1;
  #calls = new Map();
  #listeners = new Set();
  #buffer = Buffer.alloc(0);
  #closed = null;

  constructor(commandStream, answerStream) {
    this.#out = commandStream;
    answerStream.on('data', (chunk) => this.#receive(chunk));
    answerStream.on('close', () => this.#fail(new Error('DevTools pipe closed')));
    commandStream.on('error', (error) => this.#fail(error));
  }

  #receive(chunk) {
    this.#buffer = Buffer.concat([this.#buffer, chunk]);
    let end;
    while ((end = this.#buffer.indexOf(0)) !== -1) {
      const text = this.#buffer.subarray(0, end).toString('utf8');
      this.#buffer = this.#buffer.subarray(end + 1);
      this.#dispatch(JSON.parse(text));
    }
  }

  #dispatch(message) {
    if (message.id !== undefined) {
      const call = this.#calls.get(message.id);
      if (!call) return;
      this.#calls.delete(message.id);
      if (message.error) {
        call.reject(new Error(`${call.method}: ${message.error.message}`));
      } else {
        call.resolve(message.result);
      }
      return;
    }
    for (const listener of [...this.#listeners]) listener(message);
  }

  #fail(error) {
    if (this.#closed) return;
    this.#closed = error;
    for (const call of this.#calls.values()) call.reject(error);
    this.#calls.clear();
  }

  send(method, params = {}, sessionId = undefined) {
    if (this.#closed) return Promise.reject(this.#closed);
    const id = this.#nextId++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      this.#calls.set(id, { resolve, reject, method });
      this.#out.write(JSON.stringify(message) + '\0');
    });
  }

  // listener(message) for every event; returns a function that removes it.
  listen(listener) {
    this.#listeners.add(listener);
    return () => this.#listeners.delete(listener);
  }

  session(sessionId) {
    return new CdpSession(this, sessionId);
  }
}

export class CdpSession {
  constructor(connection, sessionId) {
    this.connection = connection;
    this.id = sessionId;
  }

  send(method, params = {}) {
    return this.connection.send(method, params, this.id);
  }

  on(method, handler) {
    return this.connection.listen((message) => {
      if (message.sessionId === this.id && message.method === method) handler(message.params);
    });
  }

  // The first event `method` whose parameters satisfy `predicate`.
  waitFor(method, predicate = () => true, timeoutMs = 10000) {
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => {
        off();
        reject(new Error(`timed out waiting for ${method}`));
      }, timeoutMs);
      const off = this.on(method, (params) => {
        if (!predicate(params)) return;
        clearTimeout(timer);
        off();
        resolve(params);
      });
    });
  }

  // Evaluates an expression in the page's main world and returns its value.
  async evaluate(expression, { awaitPromise = true, userGesture = false } = {}) {
    const { result, exceptionDetails } = await this.send('Runtime.evaluate', {
      expression, awaitPromise, returnByValue: true, userGesture,
    });
    if (exceptionDetails) {
      const text = exceptionDetails.exception?.description ?? exceptionDetails.text;
      throw new Error(`page threw: ${text}`);
    }
    return result.value;
  }
}
