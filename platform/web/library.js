// The page's side of the browser build's platform layer (linked with --js-library): the boxes, the
// waits that hand the thread back to the page, the canvas's size, full screen, the sound's output,
// the sender's text and the browser tests' hooks (window.glimmerhornTest, described in page.html).
mergeInto(LibraryManager.library, {
  // the hooks are looked for once, when the script starts
  $web__postset: 'web.hook = window.glimmerhornTest || null;',
  $web: {
    hook: null, // window.glimmerhornTest as the page found it at its start
    audio: null, // the AudioContext the question's answer made
    node: null, // the node that pulls rendered blocks
    stage: function () { return document.getElementById('stage'); },
    // the question's answer is the gesture the browser asks for: sound and full screen begin in it
    gesture: function () {
      try {
        if (!web.audio) web.audio = new (window.AudioContext || window.webkitAudioContext)();
        web.audio.resume().catch(function () {});
      } catch (e) { web.audio = null; }
      var stage = web.stage();
      if (!document.fullscreenElement && stage.requestFullscreen) {
        try { stage.requestFullscreen().catch(function () {}); } catch (e) {}
      }
    },
    // The program goes on in the page's callbacks, where the end of the program (exit, which ends in
    // an ExitStatus thrown through the stack) has no caller above it to catch it: it stops here.
    waking: function (wakeUp) {
      return function (value) {
        try { wakeUp(value); } catch (e) { if (!(e && e.name == 'ExitStatus')) throw e; }
      };
    },
  },

  web_box_show__deps: ['$web'],
  web_box_show: function (text, caption, icon, yesNo) {
    return Asyncify.handleSleep(function (wake) {
      var wakeUp = web.waking(wake);
      var box = document.createElement('dialog');
      box.className = 'box';
      box.dataset.icon = icon == 16 ? 'error' : icon == 48 ? 'warning' : icon == 32 ? 'question' : 'none';
      var title = document.createElement('div');
      title.className = 'caption';
      title.textContent = UTF8ToString(caption);
      var body = document.createElement('div');
      body.className = 'text';
      body.textContent = UTF8ToString(text);
      var row = document.createElement('div');
      row.className = 'buttons';
      var values = yesNo ? ['yes', 'no'] : ['ok'];
      var labels = { yes: 'Yes', no: 'No', ok: 'OK' };
      values.forEach(function (value) {
        var button = document.createElement('button');
        button.value = value;
        button.textContent = labels[value];
        button.addEventListener('click', function () {
          if (yesNo) web.gesture();
          box.close();
          box.remove();
          wakeUp(value == 'yes' ? 1 : 0);
        });
        row.appendChild(button);
      });
      box.append(title, body, row);
      // a question has no way out but its buttons; a message closes with Esc as with OK
      box.addEventListener('cancel', function (e) {
        e.preventDefault();
        if (!yesNo) row.firstChild.click();
      });
      // keys in a box are the box's: none reaches the intro. Return presses the focused button here, the
      // same in every browser (some press it on keypress, which a page can miss without focus).
      box.addEventListener('keydown', function (e) {
        e.stopPropagation();
        if (e.key == 'Enter' && e.target.tagName == 'BUTTON' && row.contains(e.target)) {
          e.preventDefault();
          e.target.click();
        }
      });
      document.body.appendChild(box);
      box.showModal();
      row.firstChild.focus(); // Return answers Yes (or OK)
      if (web.hook && web.hook.onBox) web.hook.onBox(title.textContent, body.textContent, values.slice());
    });
  },

  web_sleep_until__deps: ['$web'],
  web_sleep_until: function (deadline) {
    return Asyncify.handleSleep(function (wake) {
      var wakeUp = web.waking(wake);
      // A timeout comes a millisecond or two after it is due, and rounding it up to whole milliseconds
      // adds to that, every frame: it is set for a millisecond early and the rest is waited out here.
      // The thread still goes back to the page once, in the first timeout, however late the frame.
      function check() {
        var left = deadline - performance.now();
        if (left > 1) return setTimeout(check, left - 1);
        while (performance.now() < deadline) {}
        wakeUp();
      }
      setTimeout(check, Math.max(0, deadline - performance.now() - 1));
    });
  },

  web_wait_visible__deps: ['$web'],
  web_wait_visible: function () {
    return Asyncify.handleSleep(function (wake) {
      var wakeUp = web.waking(wake);
      function shown() {
        if (document.hidden) return;
        document.removeEventListener('visibilitychange', shown);
        wakeUp();
      }
      document.addEventListener('visibilitychange', shown);
      shown();
    });
  },

  web_canvas_fit__deps: ['$web'],
  web_canvas_fit: function (width, height) {
    var canvas = document.getElementById('canvas');
    function fit() {
      var w = width, h = height, ratio = 1;
      if (document.body.classList.contains('running')) {
        var stage = web.stage();
        ratio = window.devicePixelRatio || 1;
        w = Math.floor(stage.clientWidth * ratio);
        h = Math.floor(stage.clientHeight * ratio);
        if (w * 3 >= h * 4) w = Math.floor(h * 4 / 3); else h = Math.floor(w * 3 / 4);
      }
      canvas.style.width = w / ratio + 'px';
      canvas.style.height = h / ratio + 'px';
      if (canvas.width != w || canvas.height != h || !fit.told) {
        canvas.width = w;
        canvas.height = h;
        fit.told = true;
        _glut_web_resized(w, h);
      }
    }
    document.body.classList.add('running');
    window.addEventListener('resize', fit);
    document.addEventListener('fullscreenchange', fit);
    addOnExit(function () {
      window.removeEventListener('resize', fit);
      document.removeEventListener('fullscreenchange', fit);
    });
    fit();
  },

  web_cursor_hide: function () { document.getElementById('canvas').style.cursor = 'none'; },

  web_hooked__deps: ['$web'],
  web_hooked: function () { return !!web.hook; },

  web_frame_shown__deps: ['$web'],
  web_frame_shown: function (frame) {
    if (web.hook && web.hook.onFrame) web.hook.onFrame(frame, GLctx, document.getElementById('canvas'));
  },

  web_gl_lines__deps: ['$web'],
  web_gl_lines: function (lines) {
    if (!web.hook || !web.hook.onGlCall) return;
    var all = UTF8ToString(lines).split('\n');
    for (var i = 0; i + 1 < all.length; i++) web.hook.onGlCall(all[i]);
  },

  // The sender's text the page gave this instance (Module.greeting, UTF-8 bytes), copied into the
  // program's memory for it to free; null (and *size 0) when there is none.
  web_greeting_text__deps: ['malloc'],
  web_greeting_text: function (size) {
    var bytes = Module['greeting'];
    HEAP32[size >> 2] = 0;
    if (!bytes || !bytes.length) return 0;
    var copy = _malloc(bytes.length);
    HEAPU8.set(bytes, copy);
    HEAP32[size >> 2] = bytes.length;
    return copy;
  },

  web_greeting_refused: function (message) {
    if (Module['greetingRefused']) Module['greetingRefused'](UTF8ToString(message));
  },

  web_audio_open__deps: ['$web'],
  web_audio_open: function () {
    return Asyncify.handleSleep(function (wake) {
      var wakeUp = web.waking(wake);
      var context = web.audio;
      if (!context) return wakeUp(0);
      if (context.state == 'running') return wakeUp(context.sampleRate);
      // a refused output stays suspended: after 5 s it counts as no sound (Firefox took 1.5 s here
      // to bring up a sound server's output the first time)
      var done = false;
      var refused = setTimeout(function () { done = true; wakeUp(0); }, 5000);
      context.resume().then(function () {
        if (done) return;
        done = true;
        clearTimeout(refused);
        wakeUp(context.state == 'running' ? context.sampleRate : 0);
      }, function () {
        if (done) return;
        done = true;
        clearTimeout(refused);
        wakeUp(0);
      });
    });
  },

  web_audio_start__deps: ['$web'],
  web_audio_start: function () {
    var context = web.audio;
    var blocks = 4; // 4 x 1024 frames a callback, about 93 ms at 44,100 Hz
    try {
      web.node = context.createScriptProcessor(1024 * blocks, 0, 2);
    } catch (e) { return 0; }
    web.node.onaudioprocess = function (event) {
      var left = event.outputBuffer.getChannelData(0);
      var right = event.outputBuffer.getChannelData(1);
      for (var i = 0; i < blocks; i++) {
        var at = _player_web_block() >> 2;
        left.set(HEAPF32.subarray(at, at + 1024), i * 1024);
        right.set(HEAPF32.subarray(at + 1024, at + 2048), i * 1024);
      }
      if (web.hook && web.hook.onAudio) web.hook.onAudio(left.slice(), right.slice(), context.sampleRate);
    };
    web.node.connect(context.destination);
    return 1;
  },

  web_audio_stop__deps: ['$web'],
  web_audio_stop: function () {
    if (web.audio) web.audio.suspend().catch(function () {});
  },

  web_audio_close__deps: ['$web'],
  web_audio_close: function () {
    if (web.node) web.node.disconnect();
    if (web.audio) web.audio.close().catch(function () {});
    web.node = null;
    web.audio = null;
  },
});
