// The page around the editor: it plays the part of the window system and the
// terminal. DOM events on the canvas become the toolkit's callbacks, the
// pop-up menu is an HTML list, the console shows what the program writes,
// and the entry field is its standard input.
//
// The program is one thread of control that must never be entered twice: a
// key handler may stop in the middle of a console dialogue until a line is
// typed. Every call into it therefore goes through one queue, and whatever
// the user does meanwhile (mouse, keys, menu) waits in that queue and is
// delivered in order once the dialogue has its line, as the desktop program
// handles the window events queued behind its blocking read.
'use strict';

var Module = (function () {
  var SIZE = 500;  // the canvas, like the desktop window, is 500 x 500
  var GLUT_LEFT = 0, GLUT_MIDDLE = 1, GLUT_RIGHT = 2;
  var GLUT_DOWN = 0, GLUT_UP = 1;
  var GLUT_SHIFT = 1, GLUT_CTRL = 2, GLUT_ALT = 4;

  var canvas = document.getElementById('view');
  var context = canvas.getContext('2d', { alpha: false });
  var consoleView = document.getElementById('console');
  var entry = document.getElementById('entry');
  var menu = document.getElementById('menu');

  var module = {};
  var ended = false;  // the program exited (a fatal error): nothing is delivered

  // ------------------------------------------------------------ the queue

  var jobs = [];
  var running = false;

  function submit(job) {
    if (ended) return;
    jobs.push(job);
    if (!running) pump();
  }

  async function pump() {
    running = true;
    try {
      while (jobs.length && !ended) {
        var job = jobs.shift();
        try {
          await job();
        } catch (e) {
          fail(e);
        }
      }
    } finally {
      running = false;
    }
    if (frameDeferred) {
      frameDeferred = false;
      requestAnimationFrame(drawFrame);
    }
  }

  function fail(e) {
    if (ended) return;
    ended = true;
    document.body.classList.add('ended');
    if (e && e.name !== 'ExitStatus') console.error(e);
  }

  // ------------------------------------------------------------ frames

  var frameRequested = false;  // one animation frame answers every request before it
  var frameDeferred = false;   // the frame came while the program was busy
  var requestedAt = 0;
  var imageData = null;
  var stats = { frames: 0, displayMs: 0, latencyMs: 0 };

  function postRedisplay() {
    if (frameRequested) return;
    frameRequested = true;
    requestedAt = performance.now();
    requestAnimationFrame(drawFrame);
  }

  function drawFrame() {
    if (ended) return;
    if (running) {
      // A dialogue holds the program: it redraws when the read is done.
      frameDeferred = true;
      return;
    }
    frameRequested = false;
    var start = performance.now();
    module._WebDisplay();
    var end = performance.now();
    stats.frames += 1;
    stats.displayMs = end - start;
    stats.latencyMs = end - requestedAt;
  }

  // glutSwapBuffers: the framebuffer (R, G, B, A per pixel, top row first)
  // goes onto the canvas as it is.
  function present(pixels) {
    var buffer = module.HEAPU8.buffer;
    if (!imageData || imageData.data.buffer !== buffer || imageData.data.byteOffset !== pixels) {
      imageData = new ImageData(new Uint8ClampedArray(buffer, pixels, SIZE * SIZE * 4), SIZE, SIZE);
    }
    context.putImageData(imageData, 0, 0);
  }

  // ------------------------------------------------------------ console

  // Bytes are decoded as UTF-8 per stream, so a character split across two
  // writes still comes out whole; the view is updated once per task.
  var decoders = { 1: new TextDecoder('utf-8'), 2: new TextDecoder('utf-8') };
  var pending = [];
  var flushQueued = false;

  function output(fd, byte) {
    var last = pending[pending.length - 1];
    if (!last || last.fd !== fd) pending.push(last = { fd: fd, bytes: [] });
    last.bytes.push(byte);
    if (!flushQueued) {
      flushQueued = true;
      queueMicrotask(flushOutput);
    }
  }

  function flushOutput() {
    flushQueued = false;
    var text = '';
    for (var i = 0; i < pending.length; i++) {
      text += decoders[pending[i].fd].decode(new Uint8Array(pending[i].bytes), { stream: true });
    }
    pending = [];
    if (text) {
      consoleView.appendChild(document.createTextNode(text));
      consoleView.normalize();
      consoleView.scrollTop = consoleView.scrollHeight;
    }
  }

  // ------------------------------------------------------------ standard input

  var encoder = new TextEncoder();
  var typed = [];       // lines not yet read, as bytes, each with its newline
  var wakeReader = null;
  var dialogueFocus = false;  // the dialogue moved the focus to the entry field

  // The console shows only what the program writes, so the field's hint
  // tells what was sent, as a terminal's echo would.
  var idleHint = entry.placeholder;

  function enterLine(text) {
    entry.placeholder = 'Sent: ' + (text.length > 40 ? text.slice(0, 40) + '\u2026' : text || '(empty line)');
    typed.push(encoder.encode(text + '\n'));
    if (wakeReader) {
      var wake = wakeReader;
      wakeReader = null;
      wake();
    }
  }

  // Copies up to `size` waiting bytes to `address` in the program's memory.
  function takeInput(address, size) {
    var count = 0;
    while (typed.length && count < size) {
      var chunk = typed[0];
      var n = Math.min(chunk.length, size - count);
      module.HEAPU8.set(chunk.subarray(0, n), address + count);
      count += n;
      if (n === chunk.length) typed.shift();
      else typed[0] = chunk.subarray(n);
    }
    return count;
  }

  function waitForInput() {
    if (typed.length) return Promise.resolve();
    setWaiting(true);
    return new Promise(function (resolve) {
      wakeReader = function () {
        setWaiting(false);
        resolve();
      };
    });
  }

  function setWaiting(waiting) {
    if (waiting) entry.placeholder = 'The program waits for a value: type it, then Enter';
    else if (entry.placeholder.indexOf('Sent: ') !== 0) entry.placeholder = idleHint;
    entry.classList.toggle('waiting', waiting);
    document.body.classList.toggle('waiting', waiting);
    if (waiting && document.activeElement !== entry) {
      dialogueFocus = true;
      entry.focus();
    }
  }

  // After a dialogue the keys belong to the window again, unless the user
  // has gone on typing into the entry field.
  function dialogueDone() {
    if (dialogueFocus && document.activeElement === entry && entry.value === '') canvas.focus();
    dialogueFocus = false;
  }

  entry.addEventListener('keydown', function (e) {
    if (e.key !== 'Enter' || e.isComposing) return;
    e.preventDefault();
    var line = entry.value;
    entry.value = '';
    enterLine(line);
  });

  // Pasted text with line breaks is typed line by line, as into a terminal;
  // what follows the last break stays in the field.
  entry.addEventListener('paste', function (e) {
    var text = e.clipboardData ? e.clipboardData.getData('text/plain') : '';
    if (!/[\r\n]/.test(text)) return;
    e.preventDefault();
    var before = entry.value.slice(0, entry.selectionStart);
    var after = entry.value.slice(entry.selectionEnd);
    var lines = (before + text).split(/\r\n|\r|\n/);
    var rest = lines.pop();
    entry.value = rest + after;
    entry.setSelectionRange(rest.length, rest.length);
    lines.forEach(enterLine);
  });

  // ------------------------------------------------------------ mouse

  var held = new Set();     // buttons pressed on the canvas and not yet released
  var swallowed = new Set();  // buttons whose press closed the menu: their release is the menu's
  var pointer = { x: 0, y: 0 };

  function position(e) {
    var box = canvas.getBoundingClientRect();
    return { x: Math.floor(e.clientX - box.left), y: Math.floor(e.clientY - box.top) };
  }

  function modifiers(e) {
    return (e.shiftKey ? GLUT_SHIFT : 0) | (e.ctrlKey ? GLUT_CTRL : 0) | (e.altKey ? GLUT_ALT : 0);
  }

  function mouse(button, state, e) {
    var p = position(e);
    var mods = modifiers(e);
    submit(function () { module._WebMouse(button, state, p.x, p.y, mods); });
  }

  canvas.addEventListener('mousedown', function (e) {
    e.preventDefault();  // no middle-button scrolling, no text selection
    canvas.focus();
    if (e.button === 2) {
      if (menuButton === GLUT_RIGHT) openMenu(e);
      return;
    }
    if (e.button !== 0 && e.button !== 1) return;
    held.add(e.button);
    pointer = position(e);
    mouse(e.button === 0 ? GLUT_LEFT : GLUT_MIDDLE, GLUT_DOWN, e);
  });

  // A button pressed on the canvas reports its release and the motion until
  // then wherever the pointer goes, as a window holds the pointer during a drag.
  window.addEventListener('mouseup', function (e) {
    if (!held.has(e.button)) return;
    held.delete(e.button);
    mouse(e.button === 0 ? GLUT_LEFT : GLUT_MIDDLE, GLUT_UP, e);
  });

  window.addEventListener('mousemove', function (e) {
    var dragging = held.size > 0;
    if (!dragging && (e.target !== canvas || menuOpen)) return;
    var p = position(e);
    pointer = p;
    submit(function () { module._WebMotion(p.x, p.y, dragging ? 1 : 0); });
  });

  canvas.addEventListener('contextmenu', function (e) { e.preventDefault(); });
  canvas.addEventListener('auxclick', function (e) { e.preventDefault(); });

  // ------------------------------------------------------------ keyboard

  var namedKeys = { Enter: 13, Escape: 27, Backspace: 8, Delete: 127 };

  document.addEventListener('keydown', function (e) {
    // Escape closes an open menu wherever the focus is.
    if (menuOpen && e.key === 'Escape') {
      e.preventDefault();
      closeMenu();
      return;
    }
    if (e.target === entry) return;
    // Browser shortcuts stay the browser's.
    if (e.ctrlKey || e.metaKey || e.altKey) return;
    var code = e.key.length === 1 ? e.key.charCodeAt(0) : namedKeys[e.key];
    // The handler takes one byte: keys beyond Latin-1 have none.
    if (code === undefined || code > 255) return;
    e.preventDefault();
    var mods = modifiers(e);
    var p = pointer;
    submit(function () {
      return Promise.resolve(module.ccall('WebKeyboard', null, ['number', 'number', 'number', 'number'],
                                          [code, p.x, p.y, mods], { async: true })).then(dialogueDone);
    });
  });

  // ------------------------------------------------------------ pop-up menu

  var menuButton = -1;  // the button the menu is attached to
  var menuOpen = false;
  var menuLeftDown = false;  // a left press on an entry, waiting for its release

  function setMenuEntry(item, label) {
    while (menu.children.length < item) menu.appendChild(document.createElement('li'));
    var li = menu.children[item - 1];
    li.textContent = label;
    li.dataset.item = String(item);
  }

  function clearMenu() {
    closeMenu();
    menu.textContent = '';
  }

  function attachMenu(button) { menuButton = button; }

  // The menu's corner sits a few pixels right of and below the pointer, so
  // that releasing the button where it was pressed chooses nothing.
  function openMenu(e) {
    menu.style.left = (e.pageX + 4) + 'px';
    menu.style.top = (e.pageY + 4) + 'px';
    menu.hidden = false;
    menuOpen = true;
    menuLeftDown = false;
  }

  function closeMenu() {
    menu.hidden = true;
    menuOpen = false;
    menuLeftDown = false;
  }

  function choose(li) {
    var item = Number(li.dataset.item);
    closeMenu();
    submit(function () { module._WebMenu(item); });
  }

  function entryOf(target) {
    return target instanceof Element ? target.closest('#menu > li') : null;
  }

  menu.addEventListener('contextmenu', function (e) { e.preventDefault(); });
  menu.addEventListener('mousedown', function (e) {
    e.preventDefault();
    e.stopPropagation();
    menuLeftDown = e.button === 0 && entryOf(e.target) !== null;
  });
  menu.addEventListener('mouseup', function (e) {
    e.stopPropagation();
    var li = entryOf(e.target);
    if (!li) return;
    if (e.button === 2 || (e.button === 0 && menuLeftDown)) choose(li);
  });

  // A press anywhere else closes the menu without a choice, and neither it
  // nor its release goes any further.
  document.addEventListener('mousedown', function (e) {
    if (!menuOpen || menu.contains(e.target)) return;
    e.preventDefault();
    e.stopPropagation();
    closeMenu();
    swallowed.add(e.button);
  }, true);
  document.addEventListener('mouseup', function (e) {
    if (!swallowed.has(e.button)) return;
    swallowed.delete(e.button);
    e.stopPropagation();
  }, true);
  window.addEventListener('blur', closeMenu);

  // ------------------------------------------------------------ the program

  module.page = {
    output: output,
    takeInput: takeInput,
    waitForInput: waitForInput,
    postRedisplay: postRedisplay,
    present: present,
    setTitle: function (title) { document.title = title; },
    setMenuEntry: setMenuEntry,
    clearMenu: clearMenu,
    attachMenu: attachMenu,
    // For measurements: the last frame's cost and latency.
    stats: stats,
    idle: function () { return !running && jobs.length === 0 && !frameRequested; },
  };
  module.onExit = function () { fail(null); };
  module.onAbort = function (what) { fail(new Error(String(what))); };
  window.bezierPage = module.page;
  return module;
})();
