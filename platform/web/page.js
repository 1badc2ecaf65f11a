// Runs before the program (linked with --pre-js), in each instance the page makes (greeting.js): puts
// gfx.data into the program's files before main (from the page itself in the single file, else
// fetched from beside the page; when it is missing the file is not made, and the picture loader says
// so as on the desktop), and ends the page when the program ends: sound off, full screen left, a
// button to watch again, and a box that says why when the program did not load or failed. The single file holds the program too, which is then compiled from the page
// instead of fetched. An instance made to fold texts (noInitialRun) runs no intro and needs no picture.
function pageFile(id) {
  var element = document.getElementById(id);
  if (!element) return null;
  var text = atob(element.textContent.trim());
  var bytes = new Uint8Array(text.length);
  for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  return bytes;
}
Module.wasmBinary = Module.wasmBinary || pageFile('program-wasm') || undefined;

Module.preRun = Module.preRun || [];
if (!Module.noInitialRun) Module.preRun.push(function () {
  var embedded = pageFile('gfx-data');
  if (embedded) {
    FS.writeFile('/gfx.data', embedded);
    return;
  }
  addRunDependency('gfx.data');
  fetch('gfx.data').then(function (response) {
    return response.ok ? response.arrayBuffer() : null;
  }).catch(function () { return null; }).then(function (data) {
    if (data) FS.writeFile('/gfx.data', new Uint8Array(data));
    removeRunDependency('gfx.data');
  });
});

function pageEnd(status) {
  if (document.body.classList.contains('ended')) return;
  document.body.classList.remove('running');
  document.body.classList.add('ended');
  if (document.fullscreenElement && document.exitFullscreen) document.exitFullscreen().catch(function () {});
  if (Module.pageEnded) Module.pageEnded();
  document.getElementById('again').focus();
  var hook = window.glimmerhornTest;
  if (hook && hook.onEnd) hook.onEnd(status);
  if (Module.pageEnd) Module.pageEnd(status);
}
Module.onExit = pageEnd;

// What went wrong, in the page: the program that did not load (the site opened from disk, a server
// that does not send it whole) or the program's own failure; then the end, with status 1.
function pageFailed(title, text) {
  var box = document.getElementById('failed');
  box.querySelector('.caption').textContent = title;
  box.querySelector('.text').textContent = text;
  box.hidden = false;
  pageEnd(1);
}
function pageNotLoaded(why) {
  var fromDisk = location.protocol == 'file:';
  pageFailed('The intro could not be loaded',
    (fromDisk ? 'This page was opened from disk, where the browser does not load the program beside it.'
              : 'The program (glimmerhorn.wasm) did not arrive whole, or the server sent something else (' +
                String(why && why.message || why) + ').') +
    '\nglimmerhorn.html, the single page of the release, plays from disk: open that one instead' +
    (fromDisk ? ', or serve this folder with a web server.' : ', or reload this page later.'));
}
// The program, from the page itself (the single file) or from beside it, compiled here so that every
// way it can fail to arrive says so.
Module.instantiateWasm = function (imports, receive) {
  var bytes = Module.wasmBinary ? Promise.resolve(Module.wasmBinary)
    : fetch('glimmerhorn.wasm', { credentials: 'same-origin' }).then(function (response) {
      if (!response.ok) throw new Error('the server answered ' + response.status);
      return response.arrayBuffer();
    });
  bytes.then(function (binary) { return WebAssembly.instantiate(binary, imports); })
    .then(function (result) { receive(result.instance); }, pageNotLoaded);
  return {};
};
Module.onAbort = function (what) {
  if (!Module.calledRun) {
    pageNotLoaded(what);
  } else {
    pageFailed('The intro stopped', 'Something went wrong inside the intro and it could not go on (' +
      String(what || 'no reason given') + ').\nReload the page to watch it again.');
  }
};

// Esc by touch: a long press on the picture, or the close control. Each run's instance wires its own
// and takes them away when it ends, so that an ended instance holds nothing on the page.
(function () {
  if (Module.noInitialRun) return;
  var press = null;
  var wired = [];
  function on(target, name, handler, options) {
    target.addEventListener(name, handler, options);
    wired.push([target, name, handler, options]);
  }
  function escape() {
    if (Module._glut_web_key && document.body.classList.contains('running')) Module._glut_web_key(27);
  }
  function release() { if (press) clearTimeout(press); press = null; }
  function wire() {
    var stage = document.getElementById('stage');
    on(stage, 'touchstart', function () {
      document.body.classList.add('touched');
      release();
      press = setTimeout(escape, 800);
    }, { passive: true });
    ['touchend', 'touchmove', 'touchcancel'].forEach(function (name) {
      on(stage, name, release, { passive: true });
    });
    on(stage, 'contextmenu', function (e) { e.preventDefault(); });
    on(document.getElementById('close'), 'click', escape);
    on(document.getElementById('again'), 'click', function () { location.reload(); });
  }
  // the runtime's exit handlers exist once it is set up
  Module.preRun.push(function () {
    addOnExit(function () {
      release();
      wired.forEach(function (w) { w[0].removeEventListener(w[1], w[2], w[3]); });
    });
  });
  if (document.readyState == 'loading') document.addEventListener('DOMContentLoaded', wire);
  else wire();
})();
