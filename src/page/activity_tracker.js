;(() => {
  'use strict';
  // Tells the host whether the page is working (a request the user started, a page
  // still loading, a DOM that keeps changing) and shows a small badge meanwhile.
  if (location.hostname !== '@VESKO_PORTAL_HOST@') return;

  const QUIET_MS = 450;
  const GESTURE_MS = 1500;
  // Notification counters, chat and last-seen polling run on their own; they must
  // never light the badge.
  const EXCLUDED = /(?:notificationCRUD\/(?:countNotifications|loadNotifications)|chat_api\/|last_seen)/i;
  const TRIGGERS = 'a,button,[role="button"],input[type="submit"]';
  const BODY_METHODS = ['json', 'text', 'blob', 'arrayBuffer', 'formData'];

  let pending = 0;
  let active = document.readyState !== 'complete';
  let navigation = active;
  let armedUntil = 0;
  let quietTimer = null;
  let settleVersion = 0;
  let host = null;
  let observer = null;

  const post = (message) => {
    try {
      window.chrome.webview.postMessage(message);
    } catch (_) {
      // No channel (or a broken one): the page must not notice.
    }
  };

  // Frames keep their own badge, but only the top document speaks for the tab.
  const signal = () => {
    if (window === window.top) post({ type: 'vesk-activity', busy: active });
  };

  const createBadge = () => {
    const element = document.createElement('div');
    element.setAttribute('data-vesk-loading', '');
    element.setAttribute('style',
      'position:fixed;right:24px;top:16px;z-index:2147483647;pointer-events:none');
    // Closed, so portal scripts and style sheets cannot reach into it.
    const shadow = element.attachShadow({ mode: 'closed' });
    const style = document.createElement('style');
    style.textContent =
      ':host{all:initial}' +
      '.badge{display:flex;align-items:center;gap:10px;background:#fff;color:#243247;' +
      'border:1px solid #d9e2ef;border-radius:24px;padding:11px 17px;' +
      'box-shadow:0 3px 16px #182c4529;font:14px "Segoe UI",Arial,sans-serif}' +
      '.spin{width:17px;height:17px;border:2px solid #dce7f5;border-top-color:#2872ce;' +
      'border-radius:50%;animation:vesk-spin .8s linear infinite}' +
      '@keyframes vesk-spin{to{transform:rotate(360deg)}}' +
      '@media (prefers-reduced-motion:reduce){.spin{animation:none}}';
    const badge = document.createElement('div');
    badge.className = 'badge';
    badge.setAttribute('role', 'status');
    badge.setAttribute('aria-live', 'polite');
    const spin = document.createElement('span');
    spin.className = 'spin';
    const label = document.createElement('span');
    label.textContent = 'Po ngarkohet…';
    badge.append(spin, label);
    shadow.append(style, badge);
    return element;
  };

  // The badge hangs on the root element, not the body: pages replace their body.
  const display = () => {
    const root = document.documentElement;
    if (!root) return;
    if (!host) host = createBadge();
    if (host.parentNode !== root) root.appendChild(host);
    host.style.display = active ? 'block' : 'none';
  };

  const cancelQuiet = () => {
    if (quietTimer !== null) {
      clearTimeout(quietTimer);
      quietTimer = null;
    }
  };

  const busy = () => {
    settleVersion++;
    cancelQuiet();
    if (!active) {
      active = true;
      signal();
    }
    display();
  };

  const finish = (version) => {
    if (version !== settleVersion || pending > 0 || navigation) return;
    active = false;
    display();
    signal();
  };

  // Idle only after a quiet period and, for a visible page, two frames, so that the
  // page has painted what the last answer brought. A hidden page paints no frames.
  const settle = () => {
    cancelQuiet();
    if (pending > 0 || navigation) return;
    const version = ++settleVersion;
    quietTimer = setTimeout(() => {
      quietTimer = null;
      if (document.hidden) {
        finish(version);
      } else {
        requestAnimationFrame(() => requestAnimationFrame(() => finish(version)));
      }
    }, QUIET_MS);
  };

  const begin = () => {
    pending++;
    busy();
    let done = false;
    return () => {
      if (done) return;
      done = true;
      pending = Math.max(0, pending - 1);
      settle();
    };
  };

  // A request counts when the user asked for something a moment ago, or when it joins
  // work that already counts; background polling nobody triggered never does.
  const relevant = (url) => {
    try {
      if (EXCLUDED.test(String(url))) return false;
      return Date.now() <= armedUntil || (active && pending > 0);
    } catch (_) {
      return false;
    }
  };

  // Strings and Request objects name their address directly; anything else (a URL
  // object) by its string form, so that excluded polling is recognised however it is
  // written.
  const requestUrl = (input) => {
    if (typeof input === 'string') return input;
    if (input && typeof input.url === 'string') return input.url;
    return String(input);
  };

  const isTrigger = (target) => {
    try {
      return !!(target && typeof target.closest === 'function' && target.closest(TRIGGERS));
    } catch (_) {
      return false;
    }
  };

  const onGesture = (event) => {
    if (!event.isTrusted) return;
    armedUntil = Date.now() + GESTURE_MS;
    if (event.type !== 'click' || isTrigger(event.target)) {
      busy();
      settle();
    }
  };
  for (const type of ['click', 'change', 'submit']) {
    document.addEventListener(type, onGesture, true);
  }

  const attach = () => {
    display();
    const root = document.documentElement;
    if (!root) return;
    if (!observer) {
      observer = new MutationObserver(() => {
        if (active && pending === 0 && !navigation) settle();
      });
    }
    observer.observe(root, { childList: true, subtree: true });
  };

  document.addEventListener('DOMContentLoaded', attach, { once: true });
  window.addEventListener('load', () => {
    navigation = false;
    attach();
    settle();
  }, { once: true });
  window.addEventListener('pageshow', () => {
    navigation = false;
    settle();
  });

  const xhr = window.XMLHttpRequest && window.XMLHttpRequest.prototype;
  if (xhr) {
    const urls = new WeakMap();
    const previousOpen = xhr.open;
    const previousSend = xhr.send;
    xhr.open = function open(method, url) {
      const result = previousOpen.apply(this, arguments);
      urls.set(this, url);
      return result;
    };
    xhr.send = function send() {
      if (!relevant(urls.get(this))) return previousSend.apply(this, arguments);
      const done = begin();
      try {
        this.addEventListener('loadend', done, { once: true });
      } catch (_) {
        // Not a request object: let the engine raise its own error for the page.
        done();
        return previousSend.apply(this, arguments);
      }
      try {
        return previousSend.apply(this, arguments);
      } catch (error) {
        this.removeEventListener('loadend', done);
        done();
        throw error;
      }
    };
  }

  // Reading a body is work of its own (a large JSON answer), counted or not.
  const countBodies = (response) => {
    for (const name of BODY_METHODS) {
      try {
        const method = response[name];
        if (typeof method !== 'function') continue;
        Object.defineProperty(response, name, {
          configurable: true,
          writable: true,
          value: function () {
            const done = begin();
            let result;
            try {
              result = method.apply(this, arguments);
            } catch (error) {
              done();
              throw error;
            }
            Promise.resolve(result).then(done, done);
            return result;
          },
        });
      } catch (_) {
        // A response that refuses the property keeps its own method.
      }
    }
  };

  if (typeof window.fetch === 'function') {
    const previousFetch = window.fetch;
    window.fetch = function fetch(input) {
      let counted = false;
      try {
        counted = relevant(requestUrl(input));
      } catch (_) {
        counted = false;
      }
      if (!counted) return previousFetch.apply(this, arguments);
      const done = begin();
      let promise;
      try {
        promise = previousFetch.apply(this, arguments);
      } catch (error) {
        done();
        throw error;
      }
      return promise.then((response) => {
        countBodies(response);
        done();
        return response;
      }, (error) => {
        done();
        throw error;
      });
    };
  }

  attach();
  signal();
  if (!navigation) settle();
})();
