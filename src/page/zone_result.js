;(() => {
  'use strict';
  // Reports how the portal's zone query for a building ended, so the host can explain
  // an empty zone list on the status line.
  if (location.hostname !== '@VESKO_PORTAL_HOST@') return;

  const ZONE_QUERY = /^(?:energy_efficiency\/\?)?mbeshtjelljetCRUD\/get_zones(?:&|$)/;

  const xhr = window.XMLHttpRequest && window.XMLHttpRequest.prototype;
  if (!xhr) return;

  const post = (message) => {
    try {
      window.chrome.webview.postMessage(message);
    } catch (_) {
      // No channel: nothing to report to.
    }
  };

  // Only the page's own origin: the same query string elsewhere is not the portal's.
  // Resolved against the document's base address, as the request itself is.
  const isZoneUrl = (url) => {
    try {
      const target = new URL(String(url), document.baseURI);
      return target.origin === location.origin && ZONE_QUERY.test(target.search.slice(1));
    } catch (_) {
      return false;
    }
  };

  const report = (request) => {
    const type = request.responseType;
    if (type !== 'json' && type !== '' && type !== 'text') return;
    const status = typeof request.status === 'number' && request.status ? request.status : 0;
    let rows = -1;
    try {
      const data = type === 'json' ? request.response : JSON.parse(request.responseText);
      rows = Array.isArray(data) ? data.length : -1;
    } catch (_) {
      rows = -1;
    }
    post({ type: 'vesk-zone-result', status, rows });
  };

  const zoneRequests = new WeakSet();
  const previousOpen = xhr.open;
  const previousSend = xhr.send;

  xhr.open = function open(method, url) {
    const result = previousOpen.apply(this, arguments);
    // A reused request object may change from a zone query to anything else.
    if (isZoneUrl(url)) zoneRequests.add(this);
    else zoneRequests.delete(this);
    return result;
  };

  xhr.send = function send() {
    if (!zoneRequests.has(this)) return previousSend.apply(this, arguments);
    const request = this;
    const ended = () => report(request);
    request.addEventListener('loadend', ended, { once: true });
    try {
      return previousSend.apply(this, arguments);
    } catch (error) {
      request.removeEventListener('loadend', ended);
      throw error;
    }
  };
})();
