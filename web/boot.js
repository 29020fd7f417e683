// Runs before the page's modules (deferred, it comes before them), as a
// classic script, because it must work where they cannot: opened from a
// file, a browser refuses to load modules at all, and a module that cannot
// be fetched fails without running a line.
// Either way the page says so instead of staying dimmed and silent. It is the
// one place that shows a failure: the modules ask for it with a 'failure'
// event, whose detail is the text, and get a button that reloads the page.
'use strict';
(function () {
  function show(text, reload) {
    document.getElementById('alert-text').textContent = text;
    document.getElementById('alert').hidden = false;
    document.getElementById('reload').hidden = !reload;
    document.body.classList.remove('loading');
    document.body.classList.add('ended');
    document.getElementById('entry').disabled = true;
  }
  document.getElementById('reload').addEventListener('click', function () { location.reload(); });
  document.addEventListener('failure', function (e) { show(e.detail, true); });
  if (location.protocol === 'file:') {
    show('This page was opened as a file, and browsers do not run it that way. ' +
         'Serve its folder over HTTP and open it from there: for example with ./run --web, ' +
         'or with any static web server (python3 -m http.server in the folder).', false);
    return;
  }
  const page = document.querySelector('script[type="module"]');
  page.addEventListener('error', function () {
    show('The page could not load its scripts (' + page.src + '). ' +
         'Check the network and reload; if it keeps failing, publish the site again.', false);
  });
})();
