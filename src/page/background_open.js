;(() => {
  'use strict';
  // A middle click on a portal link asks the host for a background tab instead of
  // letting the engine open a window of its own.
  if (location.hostname !== '@VESKO_PORTAL_HOST@') return;

  const PORTAL_HOST = '@VESKO_PORTAL_HOST@';
  const MIDDLE = 1;

  const post = (message) => {
    try {
      window.chrome.webview.postMessage(message);
    } catch (_) {
      // No channel: the click simply does nothing special.
    }
  };

  // The absolute address of the portal link under the event, or null. Resolved against
  // the document's base address, as the engine itself resolves the link.
  const linkFor = (event) => {
    try {
      const target = event.target;
      const link = target && typeof target.closest === 'function'
        ? target.closest('a[href],area[href]') : null;
      if (!link || link.hasAttribute('download')) return null;
      const url = new URL(link.getAttribute('href'), document.baseURI);
      if (url.protocol !== 'http:' && url.protocol !== 'https:') return null;
      if (url.hostname !== PORTAL_HOST) return null;
      const defaultPort = url.protocol === 'https:' ? '443' : '80';
      if (url.port !== '' && url.port !== defaultPort) return null;
      return url.href;
    } catch (_) {
      return null;
    }
  };

  // Without this the engine starts autoscrolling on the middle button.
  document.addEventListener('mousedown', (event) => {
    if (event.isTrusted && event.button === MIDDLE && linkFor(event)) event.preventDefault();
  }, true);

  document.addEventListener('auxclick', (event) => {
    if (!event.isTrusted || event.button !== MIDDLE) return;
    const url = linkFor(event);
    if (!url) return;
    event.preventDefault();
    event.stopImmediatePropagation();
    post({ type: 'vesk-open-background', url });
  }, true);
})();
