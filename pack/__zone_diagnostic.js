;(() => {
  'use strict';
  // Portal-side diagnostic hook. It runs at the creation of every document, before the
  // portal's own scripts, and keeps a few facts that explain an empty zone list: how far
  // the document got, which libraries loaded, what the zone requests answered and how
  // many zones the page shows. It records no addresses, no form values and no response
  // contents beyond a row count, so the snapshot can go into a report the user hands on.
  const NAME = '__KORDIS_LOCAL_DIAGNOSTICS_204__';
  const ZONE_QUERY = /^(?:energy_efficiency\/\?)?mbeshtjelljetCRUD\/get_zones(?:&|$)/;
  const ZONE_SELECT = 'select[id*="zon" i],select[name*="zon" i]';

  let root;
  try {
    root = window;
    if (Object.prototype.hasOwnProperty.call(root, NAME)) return;
  } catch (e) {
    return;
  }

  const startedAt = Date.now();
  const times = { domContentLoadedAt: null, loadAt: null };
  const zone = {
    started: 0,
    finished: 0,
    failed: 0,
    lastStatus: null,
    lastRows: null,
    lastDurationMs: null,
    lastFinishedAt: null,
  };
  const zoneStarts = new WeakMap();

  const isZoneUrl = (url) => {
    try {
      const resolved = new URL(String(url), document.baseURI);
      return resolved.origin === location.origin && ZONE_QUERY.test(resolved.search.slice(1));
    } catch (e) {
      return false;
    }
  };

  const rowsOf = (request) => {
    try {
      const type = request.responseType;
      let data;
      if (type === 'json') data = request.response;
      else if (type === '' || type === 'text') data = JSON.parse(request.responseText);
      else return null;
      return Array.isArray(data) ? data.length : -1;
    } catch (e) {
      return -1;
    }
  };

  const finishZone = (request) => {
    try {
      const started = zoneStarts.get(request);
      const status = Number(request.status);
      zone.finished += 1;
      zone.lastStatus = Number.isFinite(status) ? status : 0;
      zone.lastRows = rowsOf(request);
      if (zone.lastStatus < 200 || zone.lastStatus > 299 || zone.lastRows === -1) zone.failed += 1;
      zone.lastFinishedAt = Date.now();
      zone.lastDurationMs = typeof started === 'number' ? zone.lastFinishedAt - started : null;
    } catch (e) {
      // A diagnostic must never disturb the request it watches.
    }
  };

  try {
    const proto = XMLHttpRequest.prototype;
    const zoneRequests = new WeakSet();
    const previousOpen = proto.open;
    const previousSend = proto.send;
    proto.open = function open(method, url) {
      const result = previousOpen.apply(this, arguments);
      try {
        if (isZoneUrl(url)) zoneRequests.add(this);
        else zoneRequests.delete(this);
      } catch (e) {
        // ignored: not a zone request
      }
      return result;
    };
    proto.send = function send() {
      let watching = false;
      try {
        if (zoneRequests.has(this)) {
          const request = this;
          zoneStarts.set(request, Date.now());
          request.addEventListener('loadend', () => finishZone(request), { once: true });
          zone.started += 1;
          watching = true;
        }
      } catch (e) {
        watching = false;
      }
      try {
        return previousSend.apply(this, arguments);
      } catch (error) {
        if (watching) zone.started -= 1;
        throw error;
      }
    };
  } catch (e) {
    // No XMLHttpRequest here (a worker-less sandbox, an odd frame): nothing to watch.
  }

  try {
    document.addEventListener('DOMContentLoaded', () => { times.domContentLoadedAt = Date.now(); }, { once: true });
    window.addEventListener('load', () => { times.loadAt = Date.now(); }, { once: true });
  } catch (e) {
    // ignored
  }

  const safe = (read) => {
    try {
      const value = read();
      return value === undefined ? null : value;
    } catch (e) {
      return null;
    }
  };

  const text = (value) => (typeof value === 'string' ? value.slice(0, 32) : null);

  const libraries = () => {
    const $ = safe(() => window.jQuery);
    return {
      jquery: safe(() => text($.fn.jquery)),
      bootstrap: safe(() => text(window.bootstrap.Tooltip.VERSION)) ||
        safe(() => text($.fn.tooltip.Constructor.VERSION)),
      select2: safe(() => typeof $.fn.select2 === 'function'),
      dataTables: safe(() => text($.fn.dataTable.version)) || safe(() => text(window.DataTable.version)),
      sweetAlert2: safe(() => text(window.Swal.version)),
      moment: safe(() => text(window.moment.version)),
      fontAwesome: safe(() => document.fonts.check('900 16px "Font Awesome 6 Free"')),
      roboto: safe(() => document.fonts.check('400 16px Roboto')),
    };
  };

  const zoneOptions = () => {
    const selects = Array.from(document.querySelectorAll(ZONE_SELECT));
    let options = 0;
    for (const select of selects) {
      for (const option of Array.from(select.options)) {
        if (option.value !== '') options += 1;
      }
    }
    return { selects: selects.length, options };
  };

  const snapshot = () => {
    const shown = safe(zoneOptions);
    return {
      schema: 'kordis-zone-diagnostic-v1',
      readyState: safe(() => text(document.readyState)),
      topLevel: safe(() => window.top === window),
      startedAt,
      domContentLoadedAt: times.domContentLoadedAt,
      loadAt: times.loadAt,
      snapshotAt: Date.now(),
      libraries: safe(libraries),
      zoneRequests: Object.assign({}, zone),
      zoneSelects: shown ? shown.selects : null,
      zoneOptions: shown ? shown.options : null,
    };
  };

  try {
    Object.defineProperty(root, NAME, {
      value: Object.freeze({ snapshot }),
      configurable: false,
      enumerable: false,
      writable: false,
    });
  } catch (e) {
    // A page that already froze the global object keeps working without the hook.
  }
})();
