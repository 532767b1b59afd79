;(() => {
  'use strict';
  // WebRTC sends UDP to any address a page names, past the engine's resolver rules and
  // past the resource filter; a portal page has no use for it. The constructors go in
  // every document, blank frames included, before the page's own scripts run: what a
  // page never had it cannot hand to a frame it creates later.
  for (const name of ['RTCPeerConnection', 'webkitRTCPeerConnection']) {
    try {
      delete window[name];
    } catch (_) {
      // Not there, or not removable: nothing to do.
    }
  }
})();
