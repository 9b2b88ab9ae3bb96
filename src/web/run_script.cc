#include "web/main.h"

namespace quorax {

namespace {

// The pages' one script. On the upload form it looks at the chosen file's
// size and first bytes, says which way the file will go, asks for the run's
// fields when it is a runner's report, and sends a file over the upload
// limit or a report to the run item. On the progress page it asks for the
// run's status every half second and opens the results once the run ends.
// Every page works without it: the form as the plain upload, the progress
// page by reloading itself.
constexpr char kRunScript[] = R"JS('use strict';
(function () {
  function sniff(text) {
    var start = text.replace(/^\uFEFF/, '').replace(/^\s+/, '');
    if (start.charAt(0) === '<') return 'report';
    if (start.charAt(0) === '{' || start.charAt(0) === '[') return 'report';
    return 'csv';
  }
  function bytes(n) { return n.toLocaleString('en-US') + ' bytes'; }

  function uploadForm(form) {
    var input = form.querySelector('input[type="file"]');
    var route = document.getElementById('route');
    var fields = document.getElementById('run-fields');
    var limit = Number(form.dataset.uploadLimit);
    var runLimit = Number(form.dataset.runLimit);
    var way = 'upload';
    function decide() {
      var file = input.files && input.files[0];
      route.className = '';
      if (!file) { way = 'upload'; route.textContent = ''; fields.hidden = true; return; }
      if (runLimit > 0 && file.size > runLimit) {
        way = 'refused';
        fields.hidden = true;
        route.className = 'status refused';
        route.textContent = file.name + ' (' + bytes(file.size) + ') is larger than ' +
          bytes(runLimit) + ', the most this server takes from a browser, and cannot be sent. ' +
          'Send it with the command line instead, which reads files of any size: ' +
          'quorax verify FILE --url ADDRESS --user NAME (or quorax import).';
        return;
      }
      file.slice(0, 4096).text().then(function (start) {
        var kind = sniff(start);
        fields.hidden = kind !== 'report';
        fields.querySelectorAll('[data-report-required]').forEach(function (box) {
          box.required = kind === 'report';
        });
        if (kind === 'report') {
          way = 'run';
          route.textContent = file.name + ' is a test runner\'s report (' + bytes(file.size) +
            '): it will be read on the server into one row per test case, with the fields below, ' +
            'and sent in the background with a progress bar.';
        } else if (file.size > limit - 300 - new Blob([file.name]).size) {
          way = 'run';
          route.textContent = file.name + ' (' + bytes(file.size) + ') is larger than the ' +
            'upload limit of ' + bytes(limit) + ' for the whole request: it will be sent whole and checked in the ' +
            'background with a progress bar.';
        } else {
          way = 'upload';
          route.textContent = file.name + ' (' + bytes(file.size) + ') will be uploaded and ' +
            'checked at once.';
        }
      });
    }
    input.addEventListener('change', decide);
    form.addEventListener('submit', function (event) {
      if (way === 'refused') {
        event.preventDefault();
        event.stopImmediatePropagation();
        route.focus();
        return;
      }
      if (way !== 'run') return;
      event.preventDefault();
      var submitter = event.submitter;
      var importing = submitter && submitter.dataset.mode === 'import';
      form.action = importing ? form.dataset.runImport : form.dataset.run;
      form.querySelectorAll('button').forEach(function (button) { button.disabled = true; });
      route.textContent = 'Sending the file\u2026';
      form.submit();
    });
    decide();
  }

  function progressPage(bar) {
    var fill = bar.firstElementChild;
    var text = document.getElementById('progress-text');
    function show(status) {
      var total = Math.max(status.total, 1);
      bar.setAttribute('aria-valuemax', String(total));
      bar.setAttribute('aria-valuenow', String(status.done));
      bar.setAttribute('aria-valuetext', status.text);
      fill.style.width = (100 * status.done / total) + '%';
      text.textContent = status.text;
    }
    function ask() {
      fetch(bar.dataset.status, {credentials: 'same-origin', cache: 'no-store'})
        .then(function (answer) { return answer.json(); })
        .then(function (status) {
          show(status);
          if (status.finished) { window.location.assign(bar.dataset.results); return; }
          setTimeout(ask, 500);
        })
        .catch(function () { setTimeout(ask, 1000); });
    }
    setTimeout(ask, 500);
  }

  var form = document.getElementById('upload');
  if (form) uploadForm(form);
  var bar = document.getElementById('progress');
  if (bar) progressPage(bar);
})();
)JS";

}  // namespace

// The script is the same for every session and changes nothing.
void main::RunScript_Respond(WebHost& host) {
  host.SetContentType("text/javascript; charset=utf-8");
  host.AddHeader("Cache-Control", "no-cache");
  host.Write(kRunScript);
  host.End();
}

}  // namespace quorax
