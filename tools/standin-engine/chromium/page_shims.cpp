#include "chromium/page_shims.h"

namespace vesko::standin {

const std::string& pageShimScript() {
    static const std::string script = R"JS((() => {
  const post = window.__veskoWebViewPost;
  const close = window.__veskoWindowClose;
  const ask = window.__veskoPermissionAsk;
  const title = window.__veskoTitle;
  if (typeof post !== 'function') return;
  // The engine hands the posted value to the host as JSON.
  const webview = {
    postMessage(message) { post(JSON.stringify(message === undefined ? null : message)); },
    addEventListener() {},
    removeEventListener() {},
  };
  window.chrome = window.chrome || {};
  Object.defineProperty(window.chrome, 'webview', { value: webview, configurable: true });
  if (window === window.top) {
    window.close = () => close('');
    // Headless Chromium does not report title changes over the protocol; the top
    // document reports its own, as parsing or a script sets it.
    let last = null;
    const report = () => {
      const now = document.title;
      if (now === last) return;
      last = now;
      title(now);
    };
    document.addEventListener('DOMContentLoaded', report);
    window.addEventListener('load', report);
    new MutationObserver(report).observe(document, { subtree: true, childList: true, characterData: true });
  }

  // A request waits for the host's answer; a denied one fails as the browser's own
  // prompt would have it fail.
  const waiting = new Map();
  let next = 1;
  const askFor = (kind) => new Promise((resolve) => {
    const id = next++;
    waiting.set(id, resolve);
    ask(JSON.stringify({ id, kind }));
  });
  Object.defineProperty(window, '__veskoPermissionAnswer', {
    value: (id, allowed) => { const resolve = waiting.get(id); waiting.delete(id); if (resolve) resolve(allowed); },
  });
  const notAllowed = () => new DOMException('Permission denied', 'NotAllowedError');
  if (window.Notification && Notification.requestPermission) {
    const original = Notification.requestPermission.bind(Notification);
    Notification.requestPermission = (callback) => askFor('notifications')
      .then((allowed) => (allowed ? original() : 'denied'))
      .then((answer) => { if (typeof callback === 'function') callback(answer); return answer; });
  }
  const geolocation = navigator.geolocation;
  if (geolocation) {
    const refused = { code: 1, message: 'User denied Geolocation', PERMISSION_DENIED: 1, POSITION_UNAVAILABLE: 2, TIMEOUT: 3 };
    for (const name of ['getCurrentPosition', 'watchPosition']) {
      const original = geolocation[name].bind(geolocation);
      geolocation[name] = (success, failure, options) => {
        askFor('geolocation').then((allowed) => {
          if (allowed) original(success, failure, options);
          else if (typeof failure === 'function') failure(refused);
        });
        return 0;
      };
    }
  }
  const media = navigator.mediaDevices;
  if (media && media.getUserMedia) {
    const original = media.getUserMedia.bind(media);
    media.getUserMedia = (constraints) => askFor(constraints && constraints.video ? 'camera' : 'microphone')
      .then((allowed) => (allowed ? original(constraints) : Promise.reject(notAllowed())));
  }
  const clipboard = navigator.clipboard;
  if (clipboard && clipboard.readText) {
    for (const name of ['read', 'readText']) {
      const original = clipboard[name] && clipboard[name].bind(clipboard);
      if (!original) continue;
      clipboard[name] = () => askFor('clipboard-read')
        .then((allowed) => (allowed ? original() : Promise.reject(notAllowed())));
    }
  }

  // The engine's menu opens for a right-click the page did not take itself; its target
  // is what lies under the pointer. Reported once the page's own handlers have run.
  const route = window.__veskoRouteOut;
  window.addEventListener('contextmenu', (event) => {
    const at = event.target instanceof Element ? event.target : null;
    const link = at && at.closest('a[href]');
    const image = at && at.closest('img');
    const field = at && at.closest('input, textarea, [contenteditable]');
    const selection = String(window.getSelection() || '');
    setTimeout(() => {
      if (event.defaultPrevented) return;
      route(JSON.stringify({
        type: 'contextmenu', link: link ? link.href : '', linkText: link ? link.textContent.trim() : '',
        source: image ? (image.currentSrc || image.src) : '', selection, editable: !!field,
      }));
    }, 0);
  }, true);
  // Tab and Shift+Tab the page let through: the focused element losing the focus to
  // nothing in this document lets the keyboard go, out of the page for the top document,
  // perhaps only into the parent for a frame's (the engine asks the top document then).
  // Decided at once: keys queue up ahead of the page's timers. A document with nothing
  // to focus lets every Tab go.
  let tab = null;
  const letGo = (event) => route(JSON.stringify({ type: 'tab', backward: event.shiftKey, top: window === window.top }));
  window.addEventListener('keydown', (event) => {
    if (event.key !== 'Tab' || event.ctrlKey || event.altKey || event.metaKey) return;
    tab = event;
    setTimeout(() => {
      if (tab === event) tab = null;
    }, 0);
    if (document.querySelector('a[href], area[href], button, input, select, textarea, iframe, summary, [tabindex], [contenteditable]')) return;
    setTimeout(() => {
      if (!event.defaultPrevented) letGo(event);
    }, 0);
  }, true);
  window.addEventListener('focusout', (event) => {
    if (tab && !tab.defaultPrevented && event.relatedTarget === null) letGo(tab);
  }, true);
  // A link to a scheme the engine does not handle itself goes to the system: the engine
  // asks the host first, and this browser must never start a program of its own.
  const handled = ['http:', 'https:', 'blob:', 'about:', 'data:', 'javascript:', 'file:'];
  document.addEventListener('click', (event) => {
    const link = event.target instanceof Element ? event.target.closest('a[href]') : null;
    if (!link || handled.includes(link.protocol)) return;
    event.preventDefault();
    route(JSON.stringify({ type: 'external', url: link.href }));
  }, true);
})();)JS";
    return script;
}

}  // namespace vesko::standin
