// The page's start and its composer (linked with --extern-post-js, after the program's factory
// Glimmerhorn): each run of the intro is an instance of the program of its own, since the end of a
// run ends its runtime; one more instance, which runs no intro, folds the composer's texts by the
// program's own rule. A sender's text comes from the single file (the greeting-text block) or the
// address (#g=, UTF-8 in unpadded base64url) and reaches the program as bytes; it is never put into
// the page as HTML, and it goes nowhere but into a file or a link the sender makes.
(function () {
  'use strict';
  var script = document.currentScript; // the program's script: a file beside the page, or inline
  var hook = window.glimmerhornTest || null;
  var LINK_WARN = 2000; // characters: the common limit of chat and mail programs for one link
  var page = {
    inHand: null, // the sender's text of this page (UTF-8 bytes), null for the intro's own
    wasm: undefined, // the single file's program, decoded once for every instance
    folder: null, // the folding instance, a promise once asked for
    live: false, // an intro's instance has started and not yet ended
    previewing: false, // the running intro is the composer's preview
    runs: 0, // runs started: each after the first takes a new canvas
    opened: false, // the composer has been filled with the text in hand
    last: null, // the composer's text as last folded: {bytes, greeting}
  };

  function byId(id) { return document.getElementById(id); }

  function fromBase64(text) {
    var binary = atob(text);
    var bytes = new Uint8Array(binary.length);
    for (var i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  function toBase64(bytes) {
    var text = '';
    for (var i = 0; i < bytes.length; i += 0x8000)
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(text);
  }

  // #g='s text: only base64url's letters, no padding; null when it is not that
  function fromLink(text) {
    if (!/^[A-Za-z0-9_-]+$/.test(text) || text.length % 4 == 1) return null;
    try {
      return fromBase64(text.replace(/-/g, '+').replace(/_/g, '/') + '==='.slice(0, (4 - text.length % 4) % 4));
    } catch (e) { return null; }
  }

  function toLink(bytes) {
    return toBase64(bytes).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  }

  function block(id) {
    var element = byId(id);
    return element ? element.textContent.trim() : null;
  }

  function note(text) { byId('note').textContent = text; }

  // One run of the intro with text (UTF-8 bytes, or null for its own), on a canvas no run has used:
  // a WebGL context keeps the alpha it was made with, and the answer may differ this time.
  function runIntro(text) {
    if (page.runs++ > 0) {
      var old = byId('canvas');
      old.parentNode.replaceChild(old.cloneNode(false), old);
    }
    document.body.classList.remove('ended', 'composing');
    page.live = true;
    Glimmerhorn({
      wasmBinary: page.wasm,
      greeting: text,
      greetingRefused: function (message) {
        page.inHand = null; // the composer then starts from the intro's own text too
        note('This greeting cannot be shown. ' + message + ' The intro plays its own text.');
      },
      pageEnd: function () {
        page.live = false;
        if (!page.previewing) return;
        page.previewing = false;
        openComposer();
      },
    });
  }

  // The instance that folds, made when the composer first needs it; it lives as long as the page.
  function folder() {
    if (!page.folder) page.folder = Glimmerhorn({ noInitialRun: true, wasmBinary: page.wasm });
    return page.folder;
  }

  // The rule's answer for text (UTF-8 bytes): {ok, bytes (ISO 8859-1, framed), message, gaps}.
  function fold(m, text) {
    var at = m._malloc(text.length + 1);
    m.HEAPU8.set(text, at);
    var answer = m._greeting_web_fold(at, text.length) >> 2;
    m._free(at);
    var words = m.HEAP32;
    var gaps = [];
    for (var i = 0; i < words[answer + 5]; i++) {
      var pair = (words[answer + 4] >> 2) + 2 * i;
      gaps.push({ codePoint: words[pair], count: words[pair + 1] });
    }
    return {
      ok: !!words[answer],
      bytes: m.HEAPU8.slice(words[answer + 1], words[answer + 1] + words[answer + 2]),
      message: m.UTF8ToString(words[answer + 3]),
      gaps: gaps,
    };
  }

  function latin1(bytes) {
    var text = '';
    for (var i = 0; i < bytes.length; i++) text += String.fromCharCode(bytes[i]);
    return text;
  }

  // The intro's own text, without the spaces around it (the rule puts them back).
  function ownText(m) {
    var at = m._greeting_web_own_text(), end = at;
    while (m.HEAPU8[end]) end++;
    return latin1(m.HEAPU8.subarray(at, end)).replace(/^ +| +$/g, '');
  }

  function codeName(codePoint) {
    var hex = codePoint.toString(16).toUpperCase();
    return 'U+' + '0000'.slice(Math.min(4, hex.length)) + hex;
  }

  // The live line: the folded text as the waves will show it, its gaps marked.
  function show(greeting) {
    var shown = byId('greeting-shown');
    var gapBytes = { 26: true };
    greeting.gaps.forEach(function (gap) { if (gap.codePoint < 256) gapBytes[gap.codePoint] = true; });
    shown.textContent = '';
    var text = greeting.ok ? latin1(greeting.bytes).replace(/^ +| +$/g, '') : '';
    for (var i = 0; i < text.length; i++) {
      var c = text.charCodeAt(i);
      if (gapBytes[c]) {
        var mark = document.createElement('mark');
        mark.textContent = c == 26 ? '\u25a1' : text[i];
        shown.appendChild(mark);
      } else if (shown.lastChild && shown.lastChild.nodeType == 3) {
        shown.lastChild.appendData(text[i]);
      } else {
        shown.appendChild(document.createTextNode(text[i]));
      }
    }
    byId('greeting-gaps').textContent = greeting.gaps.length == 0 ? '' : 'Gaps, with no letter in the font: ' +
      greeting.gaps.map(function (gap) {
        return '\u201c' + String.fromCodePoint(gap.codePoint) + '\u201d ' + codeName(gap.codePoint) +
          (gap.count > 1 ? ' \u00d7' + gap.count : '');
      }).join(', ') + '.';
    byId('greeting-refusal').textContent = greeting.ok ? '' : greeting.message;
    ['greeting-preview', 'greeting-download', 'greeting-copy'].forEach(function (id) { byId(id).disabled = !greeting.ok; });
  }

  function refold() {
    return folder().then(function (m) {
      var bytes = new TextEncoder().encode(byId('greeting-box').value);
      page.last = { bytes: bytes, greeting: fold(m, bytes) };
      show(page.last.greeting);
      return page.last;
    });
  }

  // The file name from the text's first words: glimmerhorn-happy-birthday-anna.html.
  function fileName(greeting) {
    var words = latin1(greeting.bytes).replace(/[\u00e4\u00e5]/g, 'a').replace(/\u00f6/g, 'o').split(/[^a-z0-9]+/);
    var name = 'glimmerhorn';
    for (var i = 0; i < words.length && name.length < 40; i++) if (words[i]) name += '-' + words[i];
    return (name == 'glimmerhorn' ? 'glimmerhorn-greeting' : name) + '.html';
  }

  function fetched(url, as) {
    return fetch(url).then(function (response) {
      if (!response.ok) throw new Error(url + ': ' + response.status);
      return as == 'text' ? response.text() : response.arrayBuffer();
    });
  }

  // The single file with text (UTF-8 bytes) inside, made here as tools/make_page.py makes one: the
  // frame, then the data blocks and the program's script. From the site the parts are fetched from
  // beside the page; the single file has them in itself.
  function singleFile(text) {
    var frame = new TextDecoder().decode(fromBase64(block('page-template')));
    var parts = script.src ? Promise.all([
      fetched(script.src, 'text').then(function (code) { return code.split('</script').join('<\\/script'); }),
      fetched('gfx.data').then(function (data) { return toBase64(new Uint8Array(data)); }),
      fetched(new URL('glimmerhorn.wasm', script.src).href).then(function (data) { return toBase64(new Uint8Array(data)); }),
    ]) : Promise.resolve([script.textContent, block('gfx-data'), block('program-wasm')]);
    return parts.then(function (got) {
      function data(id, base64) {
        return '<script type="application/octet-stream" id="' + id + '">' + base64 + '</script>\n';
      }
      var blocks = data('page-template', block('page-template')) + data('greeting-text', toBase64(text)) +
        data('gfx-data', got[1]) + data('program-wasm', got[2]);
      return frame.replace('@DATA@', function () { return blocks; })
        .replace('@SCRIPT@', function () { return '<script>' + got[0] + '</script>'; });
    });
  }

  function download() {
    var button = byId('greeting-download');
    button.disabled = true;
    var linkNote = byId('greeting-link-note');
    refold().then(function (last) {
      if (!last.greeting.ok) return;
      return singleFile(last.bytes).then(function (html) {
        var name = fileName(last.greeting);
        if (hook && hook.onDownload) hook.onDownload(name, html);
        var url = URL.createObjectURL(new Blob([html], { type: 'text/html' }));
        var a = document.createElement('a');
        a.href = url;
        a.download = name;
        document.body.appendChild(a);
        a.click();
        a.remove();
        setTimeout(function () { URL.revokeObjectURL(url); }, 60000);
        linkNote.textContent = 'Saved as ' + name + ': send that one file; it plays from a double-click, offline.';
      });
    }).catch(function (error) {
      linkNote.textContent = 'The file could not be made: ' + error.message;
    }).then(function () { button.disabled = !(page.last && page.last.greeting.ok); });
  }

  function copyLink() {
    refold().then(function (last) {
      if (!last.greeting.ok) return;
      var link = location.href.replace(/#.*$/, '') + '#g=' + toLink(last.bytes);
      var box = byId('greeting-link');
      box.hidden = false;
      box.value = link;
      box.focus();
      box.select();
      var told = 'The link is ' + link.length + ' characters long';
      told += link.length > LINK_WARN ? ': longer than the ' + LINK_WARN.toLocaleString('en') + ' that some chat and ' +
        'mail programs take, which may cut it. Send the file instead, or shorten the text.' : '.';
      function say(copied) {
        byId('greeting-link-note').textContent = told + (copied ? ' It is copied: paste it into your message.'
          : ' Copy it from the box above.');
      }
      if (navigator.clipboard && navigator.clipboard.writeText) {
        navigator.clipboard.writeText(link).then(function () { say(true); }, function () { say(false); });
      } else {
        var copied = false;
        try { copied = document.execCommand('copy'); } catch (e) {}
        say(copied);
      }
    });
  }

  function preview() {
    refold().then(function (last) {
      if (!last.greeting.ok) return;
      page.previewing = true;
      runIntro(last.bytes);
    });
  }

  function openComposer() {
    document.body.classList.remove('ended', 'running');
    document.body.classList.add('composing');
    var box = byId('greeting-box');
    var hosted = location.protocol == 'http:' || location.protocol == 'https:';
    byId('greeting-copy').hidden = !hosted;
    byId('greeting-link').hidden = true;
    byId('greeting-link-note').textContent = hosted ? '' : 'A link needs the site on a web host; from a file, ' +
      'send the greeting as a file: Download makes it.';
    box.focus();
    // leaving full screen after a preview takes the focus away again
    if (document.fullscreenElement)
      document.addEventListener('fullscreenchange', function () { box.focus(); }, { once: true });
    folder().then(function (m) {
      if (!page.opened) {
        page.opened = true;
        box.value = page.inHand ? new TextDecoder().decode(page.inHand) : ownText(m);
      }
      return refold();
    });
  }

  function wire() {
    var box = byId('greeting-box');
    box.addEventListener('input', refold);
    byId('greeting-preview').addEventListener('click', preview);
    byId('greeting-download').addEventListener('click', download);
    byId('greeting-copy').addEventListener('click', copyLink);
    // an address typed or pasted into this page's own tab: the composer, or a fresh start with the
    // link's text; while an intro runs (or asks its question) a fresh start either way
    window.addEventListener('hashchange', function () {
      if (location.hash == '#make' && !page.live) openComposer();
      else if (location.hash == '#make' || location.hash.indexOf('#g=') == 0) location.reload();
    });
  }

  var wasm = block('program-wasm');
  page.wasm = wasm ? fromBase64(wasm) : undefined;
  var inFile = block('greeting-text');
  if (inFile) page.inHand = fromBase64(inFile);
  if (location.hash.indexOf('#g=') == 0) {
    var linked = fromLink(location.hash.slice(3));
    if (linked) page.inHand = linked;
    else note('The greeting in this address could not be read (it may have been cut short); it plays ' +
      (inFile ? 'the greeting of this file.' : 'its own text.'));
  }
  wire();
  if (location.hash == '#make') openComposer();
  else runIntro(page.inHand);
})();
