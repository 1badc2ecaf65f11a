// The page's side of the browser build's platform layer (linked with --js-library): the boxes, the
// waits that hand the thread back to the page, the canvas's size, full screen, the sound's output,
// the sender's text and the browser tests' hooks (window.glimmerhornTest, described in page.html).
mergeInto(LibraryManager.library, {
  // the hooks are looked for once, when the script starts; page.js calls pageEnded at the end
  $web__postset: 'web.hook = window.glimmerhornTest || null; Module.pageEnded = web.ended;',
  $web: {
    hook: null, // window.glimmerhornTest as the page found it at its start
    audio: null, // the AudioContext the question's answer made
    answered: 0, // the page clock at the question's answer
    node: null, // the node the sound goes out through
    worklet: null, // a promise settled once the output worklet's module has loaded or failed (workletLoaded says which)
    ahead: 0, // blocks sent to the worklet and not yet played
    fullScreenAsked: false, // the one request was made: another, outside the gesture, would be refused
    fullScreen: false, // the stage is full screen
    unfit: null, // takes the canvas's listeners off
    stage: function () { return document.getElementById('stage'); },
    running: function () { return document.body.classList.contains('running'); },
    // the question's answer is the gesture the browser asks for: sound and full screen begin in it
    gesture: function () {
      web.answered = performance.now();
      web.audioBegin();
      web.fullScreenAsk();
    },
    // Full screen, asked for once, in the answer's gesture. In full screen a browser may keep the Esc
    // key for itself, to leave full screen: that leaving, or leaving by any other way (F11, the
    // browser's control, a phone's back gesture), is the viewer's Esc. Where the page may lock the
    // key (Keyboard Lock), Esc itself arrives instead.
    fullScreenAsk: function () {
      var stage = web.stage();
      if (web.fullScreenAsked || document.fullscreenElement || !stage.requestFullscreen) return;
      web.fullScreenAsked = true;
      document.addEventListener('fullscreenchange', web.fullScreenChanged);
      try {
        stage.requestFullscreen().then(function () {
          if (navigator.keyboard && navigator.keyboard.lock) navigator.keyboard.lock(['Escape']).catch(function () {});
        }, function () {});
      } catch (e) {}
    },
    fullScreenChanged: function () {
      var now = !!document.fullscreenElement;
      var left = web.fullScreen && !now;
      web.fullScreen = now;
      if (now) web.boxesUp();
      if (left && web.running()) _glut_web_key(27);
    },
    // A box shown while the full screen was on its way (a warning right after the answer) lies under
    // the stage, the later of the two to the top layer: shown again, it is over it, its focus kept.
    boxesUp: function () {
      document.querySelectorAll('dialog.box[open]').forEach(function (box) {
        var focused = document.activeElement;
        box.close();
        box.showModal();
        if (box.contains(focused)) focused.focus();
      });
    },
    // The worklet's code: a queue of the blocks the page sent, played 128 frames at a time; each block
    // played is told back (1), and so is every quantum the queue had nothing for once sound began.
    workletCode: "registerProcessor('glimmerhorn-output', class extends AudioWorkletProcessor {" +
      "constructor() { super(); this.blocks = []; this.at = 0; this.began = false; this.underruns = 0;" +
      "  this.port.onmessage = (e) => { this.blocks.push(e.data); this.began = true; }; }" +
      "process(inputs, outputs) {" +
      "  const left = outputs[0][0], right = outputs[0][1] || left; let i = 0;" +
      "  while (i < left.length) {" +
      "    const block = this.blocks[0];" +
      "    if (!block) {" +
      "      left.fill(0, i); right.fill(0, i);" +
      "      if (this.began) this.port.postMessage({ underruns: ++this.underruns });" +
      "      break; }" +
      "    const n = Math.min(left.length - i, block[0].length - this.at);" +
      "    left.set(block[0].subarray(this.at, this.at + n), i); right.set(block[1].subarray(this.at, this.at + n), i);" +
      "    i += n; this.at += n;" +
      "    if (this.at == block[0].length) { this.blocks.shift(); this.at = 0; this.port.postMessage(1); } }" +
      "  return true; } });",
    aheadBlocks: 12, // about 280 ms of sound at 44,100 Hz rendered ahead: a stall of the page shorter than that leaves no gap
    workletLoaded: false,
    // Made when the question shows, so that the browser brings up its sound output (a second or more
    // in some) while the viewer reads; it plays nothing before the answer.
    audioPrepare: function () {
      if (web.audio) return;
      try {
        web.audio = new (window.AudioContext || window.webkitAudioContext)();
      } catch (e) { web.audio = null; return; }
      if (!web.worklet) {
        web.worklet = Promise.resolve(false);
        try {
          var url = URL.createObjectURL(new Blob([web.workletCode], { type: 'text/javascript' }));
          web.worklet = web.audio.audioWorklet.addModule(url).then(function () {
            web.workletLoaded = true;
          }, function () {}).then(function () { URL.revokeObjectURL(url); });
        } catch (e) {}
      }
    },
    audioBegin: function () {
      web.audioPrepare();
      if (!web.audio) return;
      web.audio.resume().catch(function () {});
      ['pointerdown', 'keydown', 'touchend'].forEach(function (name) {
        document.addEventListener(name, web.audioResume, true);
      });
    },
    audioResume: function () {
      var context = web.audio;
      if (context && context.state != 'running' && context.state != 'closed' && web.node && web.running())
        context.resume().catch(function () {});
    },
    blockFrames: 0, // frames in a block the program renders, told by web_audio_start
    // the program's next block, its interleaved samples split into the two channels the nodes play
    audioBlock: function () {
      var frames = web.blockFrames, at = _player_web_block() >> 2;
      var left = new Float32Array(frames), right = new Float32Array(frames);
      for (var i = 0; i < frames; i++) {
        left[i] = HEAPF32[at + 2 * i];
        right[i] = HEAPF32[at + 2 * i + 1];
      }
      return [left, right];
    },
    // keeps aheadBlocks blocks rendered ahead in the worklet's queue
    audioFill: function () {
      var context = web.audio;
      while (web.node && web.ahead < web.aheadBlocks) {
        var block = web.audioBlock(), left = block[0], right = block[1];
        if (web.hook && web.hook.onAudio) web.hook.onAudio(left, right, context.sampleRate);
        web.node.port.postMessage([left, right], [left.buffer, right.buffer]);
        web.ahead++;
      }
    },
    audioEnd: function () {
      ['pointerdown', 'keydown', 'touchend'].forEach(function (name) {
        document.removeEventListener(name, web.audioResume, true);
      });
      if (web.node) web.node.disconnect();
      if (web.audio) web.audio.close().catch(function () {});
      web.node = null;
      web.audio = null;
    },
    // The page's end (page.js): the sound and the listeners go.
    ended: function () {
      document.removeEventListener('fullscreenchange', web.fullScreenChanged);
      if (web.unfit) web.unfit();
      web.unfit = null;
      web.audioEnd();
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
      var id = 'box-' + (web.boxes = (web.boxes || 0) + 1);
      box.className = 'box';
      box.dataset.icon = icon == 16 ? 'error' : icon == 48 ? 'warning' : icon == 32 ? 'question' : 'none';
      // a warning or an error is read out as an alert; every box is named by its caption and text
      if (icon == 16 || icon == 48) box.setAttribute('role', 'alertdialog');
      box.setAttribute('aria-labelledby', id + '-caption');
      box.setAttribute('aria-describedby', id + '-text');
      var title = document.createElement('div');
      title.className = 'caption';
      title.id = id + '-caption';
      title.textContent = UTF8ToString(caption);
      var body = document.createElement('div');
      body.className = 'text';
      body.id = id + '-text';
      body.textContent = UTF8ToString(text);
      var row = document.createElement('div');
      row.className = 'buttons';
      var values = yesNo ? ['yes', 'no'] : ['ok'];
      var labels = { yes: 'Yes', no: 'No', ok: 'OK' };
      var answered = false;
      function answer(value) {
        if (answered) return;
        answered = true;
        if (yesNo) web.gesture();
        if (box.open) box.close();
        box.remove();
        wakeUp(value == 'yes' ? 1 : 0);
      }
      values.forEach(function (value) {
        var button = document.createElement('button');
        button.value = value;
        button.textContent = labels[value];
        button.addEventListener('click', function () { answer(value); });
        row.appendChild(button);
      });
      box.append(title, body, row);
      // a browser may close a modal box by itself (a repeated Esc): a message as with OK,
      // the question as with No, the answer where no box can be shown (one shown again over the full
      // screen is open again by the time its close event comes)
      box.addEventListener('close', function () { if (!box.open) answer(yesNo ? 'no' : 'ok'); });
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
      if (yesNo) web.audioPrepare();
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
      // the thread goes back to the page once, in the first timeout, however late it is
      function check() {
        var left = deadline - performance.now();
        if (left > 0) return setTimeout(check, left);
        wakeUp();
      }
      setTimeout(check, Math.max(0, deadline - performance.now()));
    });
  },

  web_wait_frame__deps: ['$web'],
  web_wait_frame: function () {
    return Asyncify.handleSleep(function (wake) {
      var wakeUp = web.waking(wake);
      requestAnimationFrame(function () { wakeUp(performance.now()); });
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

  // The canvas fills the largest 4:3 rectangle of the stage (the screen in full screen, else the window),
  // backed by device pixels; it fits again when the window turns or changes size and when the pixel
  // ratio changes (a zoom, a move to another screen).
  web_canvas_fit__deps: ['$web'],
  web_canvas_fit: function (width, height) {
    var canvas = document.getElementById('canvas');
    var ratioQuery = null;
    function watchRatio() {
      if (ratioQuery) ratioQuery.removeEventListener('change', refit);
      ratioQuery = window.matchMedia ? window.matchMedia('(resolution: ' + (window.devicePixelRatio || 1) + 'dppx)') : null;
      if (ratioQuery && ratioQuery.addEventListener) ratioQuery.addEventListener('change', refit);
      else ratioQuery = null;
    }
    function refit() {
      watchRatio();
      fit();
    }
    function fit() {
      var w = width, h = height, ratio = 1;
      if (document.body.classList.contains('running')) {
        var stage = web.stage();
        ratio = window.devicePixelRatio || 1;
        // the canvas takes the rectangle the program draws its frame in on any window
        var fitted = _frame_viewport_fit_web(Math.floor(stage.clientWidth * ratio),
          Math.floor(stage.clientHeight * ratio)) >> 2;
        w = HEAP32[fitted + 2];
        h = HEAP32[fitted + 3];
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
    watchRatio();
    web.unfit = function () {
      window.removeEventListener('resize', fit);
      document.removeEventListener('fullscreenchange', fit);
      if (ratioQuery) ratioQuery.removeEventListener('change', refit);
    };
    addOnExit(web.unfit);
    fit();
  },

  // glutFullScreen: the request was the answer's (a page may not ask outside a gesture)
  web_full_screen__deps: ['$web'],
  web_full_screen: function () { web.fullScreenAsk(); },

  web_cursor_hide: function () { document.getElementById('canvas').style.cursor = 'none'; },

  web_hooked__deps: ['$web'],
  web_hooked: function () { return !!web.hook; },

  web_steps_let_go__deps: ['$web'],
  web_steps_let_go: function (count) { if (web.hook && web.hook.onLetGo) web.hook.onLetGo(count); },

  web_frame_wanted__deps: ['$web'],
  web_frame_wanted: function (frame) { return !!(web.hook && web.hook.drawStep && web.hook.drawStep(frame)); },

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

  // The sound's output. The question's answer makes the AudioContext and loads the output worklet,
  // which plays on the browser's audio thread the blocks the page renders ahead and sends it (a
  // message a block, no shared memory, which a page from disk cannot have), so a busy page leaves no
  // gap; where there is no worklet a ScriptProcessorNode pulls blocks on the page's thread instead. A
  // context that stops (a phone's call, a refused start) is resumed by the next touch or key.
  web_audio_open__deps: ['$web'],
  web_audio_open: function () {
    return Asyncify.handleSleep(function (wake) {
      var wakeUp = web.waking(wake);
      var context = web.audio;
      if (!context) return wakeUp(0);
      // an output that has not started within a second of the answer counts as none: the music's box
      // comes then, not after a black wait
      var done = false;
      function ready() {
        if (done) return;
        done = true;
        clearTimeout(refused);
        wakeUp(context.state == 'running' ? context.sampleRate : 0);
      }
      var refused = setTimeout(ready, Math.max(0, web.answered + 900 - performance.now()));
      Promise.all([context.resume(), web.worklet]).then(ready, ready);
    });
  },

  web_audio_start__deps: ['$web'],
  web_audio_start: function (blockFrames) {
    var context = web.audio;
    web.blockFrames = blockFrames;
    try {
      if (web.workletLoaded) {
        web.node = new AudioWorkletNode(context, 'glimmerhorn-output', { numberOfInputs: 0, outputChannelCount: [2] });
        web.node.port.onmessage = function (event) {
          if (event.data === 1) {
            web.ahead--;
            web.audioFill();
          } else if (web.hook && web.hook.onUnderrun) {
            web.hook.onUnderrun(event.data.underruns);
          }
        };
        // the first blocks once the module plays (start_music's next steps, before the first frame)
        setTimeout(web.audioFill, 0);
      } else {
        var blocks = 4; // 4 blocks a callback, about 93 ms at 44,100 Hz
        web.node = context.createScriptProcessor(blockFrames * blocks, 0, 2);
        web.node.onaudioprocess = function (event) {
          var left = event.outputBuffer.getChannelData(0);
          var right = event.outputBuffer.getChannelData(1);
          for (var i = 0; i < blocks; i++) {
            var block = web.audioBlock();
            left.set(block[0], i * blockFrames);
            right.set(block[1], i * blockFrames);
          }
          if (web.hook && web.hook.onAudio) web.hook.onAudio(left.slice(), right.slice(), context.sampleRate);
        };
      }
    } catch (e) { web.node = null; return 0; }
    web.node.connect(context.destination);
    return 1;
  },

  web_audio_stop__deps: ['$web'],
  web_audio_stop: function () {
    if (web.audio) web.audio.suspend().catch(function () {});
  },

  web_audio_close__deps: ['$web'],
  web_audio_close: function () { web.audioEnd(); },
});
