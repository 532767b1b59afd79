;(() => {
  'use strict';
  // Tells the host once per document that the user has typed or chosen something, so
  // closing the tab can warn about unsaved input. Scripted events do not count.
  if (location.hostname !== '@VESKO_PORTAL_HOST@') return;
  let sent = false;
  const mark = (event) => {
    if (sent || !event.isTrusted) return;
    sent = true;
    try {
      window.chrome.webview.postMessage({ type: 'vesko-dirty', dirty: true });
    } catch (_) {
      // No channel: nothing to report to.
    }
  };
  document.addEventListener('input', mark, true);
  document.addEventListener('change', mark, true);
})();
