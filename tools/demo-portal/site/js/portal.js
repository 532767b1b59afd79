// The demo portal's own script: loads a building's zones on request and fills the list.
// Written like the portal's pages are: plain XMLHttpRequest with the query-string
// routing of a PHP front controller.
(function () {
  'use strict';

  var button = document.getElementById('shfaq-zonat');
  if (button) {
    button.addEventListener('click', function () {
      var building = button.getAttribute('data-ndertesa');
      var state = document.getElementById('gjendja-zonave');
      var list = document.getElementById('lista-zonave');
      var select = document.getElementById('zona');
      state.textContent = 'Po ngarkohen zonat...';
      var request = new XMLHttpRequest();
      request.open('GET', '/index.php?mbeshtjelljetCRUD/get_zones&ndertesa=' + encodeURIComponent(building));
      request.onload = function () {
        var zones;
        try {
          zones = JSON.parse(request.responseText);
        } catch (e) {
          state.textContent = 'Serveri nuk ktheu një listë zonash (HTTP ' + request.status + ').';
          return;
        }
        list.textContent = '';
        while (select.options.length > 1) select.remove(1);
        zones.forEach(function (zone) {
          var item = document.createElement('li');
          item.textContent = zone.emri + ' (' + zone.siperfaqja + ' m²)';
          list.appendChild(item);
          select.appendChild(new Option(zone.emri, zone.id));
        });
        state.textContent = zones.length ? zones.length + ' zona.' : 'Nuk ka zona për këtë ndërtesë.';
        state.className = zones.length ? '' : 'zonat-bosh';
      };
      request.onerror = function () {
        state.textContent = 'Kërkesa dështoi.';
      };
      request.send();
    });
  }

  var help = document.getElementById('hap-ndihmen');
  if (help) {
    help.addEventListener('click', function () {
      window.open('/ndihme.html', 'ndihma', 'width=480,height=560');
    });
  }
})();
