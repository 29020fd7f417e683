"""The browser surfaces' one base: the built site served as it is published,
a browser's lifecycle, and the page driven by real input through one set of
verbs. The engines (chromium.py with its devices, webkit.py, firefox.py) are
adapters that differ only where their engines differ: how a browser starts
and ends, how a script runs in the page, how one pointer or key event is
sent. Everything else (the keys and buttons, where a canvas pixel lies on
the screen, what the page shows) is here, once.

The site is served from a private loopback port with the strict
Content-Security-Policy it is published with; input reaches the page as real
browser input, so it sees trusted DOM events with real buttons, positions
and modifiers.

Run with /usr/bin/python3, which has Debian's python3-selenium and
python3-websocket.
"""

import base64
import collections
import contextlib
import functools
import http.server
import math
import os
import shutil
import tempfile
import threading

from web.serve_web import SiteHandler

from . import harness
from .harness import SIZE, wait_until
from .surface import Surface

# The files without which the site is not built.
SITE_FILES = ("index.html", "style.css", "boot.js", "page/main.js", "bezier.js", "bezier.wasm", "sw.js")

# A small recorder of the page's own origin, run before the page's scripts:
# it keeps policy violations, uncaught errors, failed loads and console
# errors, and the trusted input events that reached the page. Chromium runs
# it through DevTools; for engines whose driver can neither run a script
# before the page's own nor read the browser's log, the suite's server puts
# it in front of the page's scripts (the site's security policy allows it).
RECORDER_PATH = "/e2e-record.js"
RECORDER = b"""'use strict';
(function () {
  var record = window.bezierRecord = { violations: [], errors: [], events: [], seq: 0, offset: null };
  document.addEventListener('securitypolicyviolation', function (e) {
    record.violations.push(e.violatedDirective + ' ' + e.blockedURI);
  });
  window.addEventListener('error', function (e) {
    record.errors.push(e.message || 'failed to load ' + (e.target.src || e.target.href));
  }, true);
  window.addEventListener('unhandledrejection', function (e) {
    record.errors.push('unhandled rejection: ' + e.reason);
  });
  var error = console.error;
  console.error = function () {
    record.errors.push(Array.prototype.join.call(arguments, ' '));
    return error.apply(console, arguments);
  };
  ['pointerdown', 'pointermove', 'pointerup', 'keydown', 'keyup'].forEach(function (type) {
    window.addEventListener(type, function (e) {
      if (!e.isTrusted) return;
      if (e.screenX !== undefined) record.offset = [e.screenX - e.clientX, e.screenY - e.clientY];
      record.events.push([++record.seq, e.type, e.clientX, e.clientY, e.buttons, e.code, e.key]);
      if (record.events.length > 200) record.events.splice(0, 100);
    }, true);
  });
})();
"""
RECORDER_TAG = b'<script src="e2e-record.js"></script>'


class _TestHandler(SiteHandler):
    held = {}  # path -> an Event its response waits for (a slow network, as slow as a test needs)
    recorder = False  # the page comes with the recorder

    def log_message(self, *args):
        pass

    def do_GET(self):
        path = self.path.split("?")[0]
        if path in self.held:
            self.held[path].wait()
        if self.server.gone:  # a connection kept alive meets a server that is gone
            self.close_connection = True
            return
        if self.recorder and path in (RECORDER_PATH, "/", "/index.html"):
            if path == RECORDER_PATH:
                body = RECORDER
            else:
                with open(os.path.join(self.directory, "index.html"), "rb") as f:
                    body = f.read().replace(b"<head>", b"<head>\n" + RECORDER_TAG, 1)
            self.send_response(200)
            self.send_header("Content-Type", "text/javascript" if path == RECORDER_PATH else "text/html")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        super().do_GET()

    def end_headers(self):
        # Every load that reaches the server sees the site as built now.
        self.send_header("Cache-Control", "no-store")
        super().end_headers()


class SiteServer:
    """Serves `site` (a directory) on `host` at a free port, in a thread,
    as it is published. `check` False serves a site with files missing;
    `held` maps paths to threading.Events their responses wait for. With
    `recorder` the page comes with the recorder; `policy` is the security
    policy sent instead of the site's."""

    def __init__(self, site, check=True, held=None, recorder=False, policy=None, host="127.0.0.1"):
        for name in SITE_FILES if check else ():
            if not os.path.isfile(os.path.join(site, name)):
                raise RuntimeError("the site in %s has no %s: build it with "
                                   "'cmake --preset web && cmake --build --preset web'" % (site, name))
        fields = dict(held=dict(held or {}), recorder=recorder, **({"policy": policy} if policy else {}))
        handler = functools.partial(type("Handler", (_TestHandler,), fields), directory=site)
        self.httpd = http.server.ThreadingHTTPServer((host, 0), handler)
        self.httpd.gone = False
        self.httpd.handle_error = lambda *args: None  # a browser that went away mid-answer
        self.url = "http://%s:%d/" % (host, self.httpd.server_address[1])
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def stop(self):
        """The site gone: nothing more is served, not even on a connection
        the browser keeps open (which outlives the listening socket)."""
        self.httpd.gone = True
        self.httpd.shutdown()
        self.httpd.server_close()


# The keys the suite presses, by the name the page sees (KeyboardEvent.key):
# the DOM code, the Windows key code (DevTools), the X keysym (XTEST) and the
# WebDriver value (BiDi) of each.
Key = collections.namedtuple("Key", "code vk keysym value")
KEYS = {
    "Shift": Key("ShiftLeft", 16, "Shift_L", "\ue008"), "Control": Key("ControlLeft", 17, "Control_L", "\ue009"),
    "Alt": Key("AltLeft", 18, "Alt_L", "\ue00a"), "Escape": Key("Escape", 27, "Escape", "\ue00c"),
    "Enter": Key("Enter", 13, "Return", "\ue007"), "Tab": Key("Tab", 9, "Tab", "\ue004"),
    " ": Key("Space", 32, "space", " "), "F10": Key("F10", 121, "F10", "\ue03a"),
    "ArrowLeft": Key("ArrowLeft", 37, "Left", "\ue012"), "ArrowUp": Key("ArrowUp", 38, "Up", "\ue013"),
    "ArrowRight": Key("ArrowRight", 39, "Right", "\ue014"), "ArrowDown": Key("ArrowDown", 40, "Down", "\ue015"),
}
MODIFIERS = ("Shift", "Control", "Alt")
# DOM button numbers (0 left, 1 middle, 2 right; XTEST counts from 1): the
# DevTools name of each and the bit it sets in `buttons`.
BUTTONS = {0: ("left", 1), 1: ("middle", 4), 2: ("right", 2)}


def key_of(name):
    """The Key of a named key or of one character."""
    if name in KEYS:
        return KEYS[name]
    ascii_ = name.isascii()
    code = "Key" + name.upper() if ascii_ and name.isalpha() else "Digit" + name if ascii_ and name.isdigit() else None
    return Key(code, ord(name.upper()), name, name)


class Engine:
    """One browser: a fresh profile folder, the processes that drive it and,
    for an engine that needs one, a private X display; all gone after
    quit(). An adapter implements:

    launch(**options), close()  start the browser in self.workdir; end it
    navigate(url)
    script(source, *args)       runs `source` as a function body with
                                `arguments`; its value (a promise's, once
                                settled) comes back
    pointer(kind, cx, cy, button, buttons, held)
                                a mouse's 'move', 'down' or 'up' (of DOM
                                `button`) at client position (cx, cy),
                                `buttons` the mask after it, the modifier keys
                                `held` down
    key(down, name, held, repeat=False)
    insert_text(text)           `text` into the focused field as one
                                insertion, as an input method would put it
    """

    name = "browser"
    needs_display = False
    # The page comes with the recorder from the server: for engines whose
    # driver can neither run a script before the page's own nor read the
    # browser's log.
    served_recorder = True

    def __init__(self, **options):
        self.workdir = tempfile.mkdtemp(prefix="bezier-%s-" % self.name)
        self.xserver = None
        try:
            if self.needs_display:  # its log kept with the group's evidence
                self.xserver = harness.XServer(harness.ARTIFACTS or self.workdir)
            self.launch(**options)
        except BaseException:
            self.quit()
            raise

    def quit(self):
        with contextlib.suppress(Exception):
            self.close()
        if self.xserver is not None:
            self.xserver.stop()
        shutil.rmtree(self.workdir, ignore_errors=True)

    def paste(self, text, times=1):
        """Pastes `text` repeated `times` into the focused entry field as a
        user's paste would: the event made in the page (so that a huge paste
        costs no transfer), then what the browser does with a paste nobody
        took over, length limit included. Returns the milliseconds the
        page's paste handling took."""
        return self.script("""
            const text = arguments[0].repeat(arguments[1]), entry = document.activeElement;
            const data = new DataTransfer();
            data.setData('text/plain', text);
            const event = new ClipboardEvent('paste', {clipboardData: data, bubbles: true, cancelable: true});
            const started = performance.now();
            if (entry.dispatchEvent(event)) {
              const room = entry.maxLength - entry.value.length + entry.selectionEnd - entry.selectionStart;
              entry.setRangeText(text.slice(0, room), entry.selectionStart, entry.selectionEnd, 'end');
            }
            return performance.now() - started;
        """, text, times)

    def errors(self):
        """Error messages the page met since the last call."""
        return self.script("const r = window.bezierRecord; return r ? r.errors.splice(0) : ['no recorder'];")


class WebDriverEngine(Engine):
    """An engine driven through Selenium's WebDriver."""

    def close(self):
        self.driver.quit()

    def navigate(self, url):
        self.driver.get(url)

    def script(self, source, *args):
        return self.driver.execute_script(source, *args)

    def enter_frame(self, selector):
        """Scripts run in the <iframe> that `selector` finds from now on;
        returns where its content starts in the viewport."""
        frame = self.driver.find_element("css selector", selector)
        origin = self.script("const f = arguments[0], r = f.getBoundingClientRect();"
                             "return [r.left + f.clientLeft, r.top + f.clientTop];", frame)
        self.driver.switch_to.frame(frame)
        return tuple(origin)


# What the page reports, read in one round trip.
_CANVAS_PIXELS = """
const data = document.getElementById('view').getContext('2d').getImageData(0, 0, 500, 500).data;
let text = '';
for (let i = 0; i < data.length; i += 0x8000) {
  text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
}
return btoa(text);
"""
# The page's debug export, evaluated as `debug` in an expression.
_DEBUG = "return import(new URL('page/main.js', document.baseURI).href).then(({debug}) => (%s));"


class Page:
    """The editor's page loaded in `engine`, at `url` or in the <iframe>
    `frame` of the page at `url`. Positions are canvas pixels from the
    top-left corner, as the toolkit gives them; CSS positions of input are
    the viewport's."""

    def __init__(self, engine, url, wait=True, frame=None):
        self.engine, self.url, self.frame = engine, url, frame
        self.reload(wait)

    def reload(self, wait=True):
        """Loads the page afresh: a new program with no points. With `wait`,
        returns once the program has drawn its first frame."""
        self.engine.navigate(self.url)
        self.origin = self.engine.enter_frame(self.frame) if self.frame else (0, 0)
        self.buttons, self.held, self.pointer = 0, [], (250, 250)
        if wait:
            wait_until(lambda: self.debug("debug.stats.frames > 0"), 20, "the page's first frame")

    def script(self, source, *args):
        return self.engine.script(source, *args)

    def debug(self, expression):
        """Evaluates `expression` with the page's debug export as `debug`."""
        return self.script(_DEBUG % expression)

    # -- where things are
    def box(self, selector):
        """(left, top, width, height) in CSS pixels of what `selector` finds."""
        return tuple(self.script("const r = document.querySelector(arguments[0]).getBoundingClientRect();"
                                 "return [r.left, r.top, r.width, r.height];", selector))

    def centre(self, selector):
        """The CSS position of the centre of what `selector` finds."""
        left, top, width, height = self.box(selector)
        return self.origin[0] + left + width / 2, self.origin[1] + top + height / 2

    def client(self, x, y):
        """The CSS position of the centre of canvas pixel (x, y), wherever the
        canvas is now and at whatever size it is shown."""
        left, top, width, height = self.box("#view")
        return (self.origin[0] + left + (x + 0.5) * width / SIZE,
                self.origin[1] + top + (y + 0.5) * height / SIZE)

    def pixel(self, cx, cy):
        """The canvas pixel under CSS position (cx, cy): the inverse of client."""
        left, top, width, height = self.box("#view")
        return (math.floor((cx - self.origin[0] - left) * SIZE / width),
                math.floor((cy - self.origin[1] - top) * SIZE / height))

    # -- what it shows
    def title(self):
        return self.script("return document.title")

    def console_text(self):
        """What the program wrote to the console, without the echoed lines."""
        return self.script("return Array.from(document.getElementById('console').childNodes)"
                           ".filter(n => !(n.classList && n.classList.contains('echo')))"
                           ".map(n => n.textContent).join('')")

    def transcript(self):
        """The console as shown: the program's output and the echoed lines."""
        return self.script("return document.getElementById('console').textContent")

    def menu_labels(self):
        """The menu's entries as the page lists them, and whether it is open."""
        return self.script("const m = document.getElementById('menu');"
                           "return [Array.from(m.children, li => li.textContent), !m.hidden];")

    def entry_waiting(self):
        """(highlighted, focused) for the entry field."""
        return tuple(self.script("const e = document.getElementById('entry');"
                                 "return [e.classList.contains('waiting'), document.activeElement === e];"))

    def alert(self):
        """The text of the page's alert, or None while it is hidden."""
        return self.script("const a = document.getElementById('alert');"
                           "return a.hidden || a.getAttribute('role') !== 'alert' ? null : a.textContent.trim();")

    def idle(self):
        return self.debug("debug.idle()")

    def violations(self):
        """Content-Security-Policy violations the page has met."""
        return self.script("return window.bezierRecord ? window.bezierRecord.violations : ['no recorder']")

    def canvas(self):
        """The canvas pixels as a Frame (alpha checked: the window is opaque)."""
        rgba = base64.b64decode(self.script(_CANVAS_PIXELS))
        if len(rgba) != SIZE * SIZE * 4:
            raise AssertionError("canvas holds %d bytes" % len(rgba))
        if rgba[3::4] != b"\xff" * (SIZE * SIZE):
            raise AssertionError("the canvas has transparent pixels")
        return harness.Frame(SIZE, SIZE, rgba[0::4], rgba[1::4], rgba[2::4])

    def settle(self, timeout=10):
        """Waits until every event sent so far is handled and drawn."""
        wait_until(self.idle, timeout, "the page to finish its work")

    # -- the mouse
    def mouse(self, kind, x, y, button=0, spot=None):
        """A mouse event at canvas pixel (x, y), or at CSS position `spot`."""
        bit = BUTTONS[button][1]
        self.buttons = self.buttons | bit if kind == "down" else self.buttons & ~bit if kind == "up" else self.buttons
        self.engine.pointer(kind, *(spot or self.client(x, y)), button, self.buttons, self.held)
        self.pointer = (x, y)

    def click_on(self, selector):
        """A left click on the centre of what `selector` finds (an on-screen key)."""
        spot = self.centre(selector)
        for kind in ("move", "down", "up"):
            self.mouse(kind, None, None, spot=spot)

    def move(self, x, y):
        self.mouse("move", x, y)

    def press(self, x, y, button=0):
        self.move(x, y)
        self.mouse("down", x, y, button)

    def release(self, x, y, button=0):
        if (x, y) != self.pointer:
            self.move(x, y)
        self.mouse("up", x, y, button)

    def click(self, x, y, button=0, held=None):
        """A click, with the key `held` (Shift, ...) down through it if given."""
        with self.holding(held):
            self.press(x, y, button)
            self.release(x, y, button)

    def drag(self, button, start, path):
        self.press(*start, button=button)
        for x, y in path:
            self.move(x, y)
        self.release(*path[-1], button=button)

    # -- keys
    def key_down(self, name, repeat=False):
        if name in MODIFIERS:
            self.held.append(name)
        self.engine.key(True, name, self.held, repeat)

    def key_up(self, name):
        if name in self.held:
            self.held.remove(name)
        self.engine.key(False, name, self.held)

    @contextlib.contextmanager
    def holding(self, name):
        if name:
            self.key_down(name)
        try:
            yield
        finally:
            if name:
                self.key_up(name)

    def tap_key(self, name, held=None):
        """Presses and releases a key, with the key `held` down through it if given."""
        with self.holding(held):
            self.key_down(name)
            self.key_up(name)

    def type_text(self, text):
        """Types `text` as key presses into whatever has the focus."""
        for ch in text:
            self.tap_key("Enter" if ch == "\n" else ch)

    def focus(self, element_id):
        self.script("document.getElementById(arguments[0]).focus()", element_id)

    def key(self, ch):
        """Types one character at the window (the focus on the canvas)."""
        self.focus("view")
        self.type_text(ch)

    def enter_line(self, text):
        """Types a line into the entry field and ends it with Enter."""
        self.focus("entry")
        if text:
            self.engine.insert_text(text)
        self.tap_key("Enter")

    def paste(self, text, times=1):
        """Pastes `text` repeated `times` into the entry field."""
        self.focus("entry")
        return self.engine.paste(text, times)

    # -- the pop-up menu
    def entry_pixel(self, entry):
        """The canvas pixel at the centre of menu entry `entry` (from 0)."""
        return self.pixel(*self.centre("#menu > li:nth-child(%d)" % (entry + 1)))

    def open_menu(self, x=60, y=60, release=True):
        self.press(x, y, button=2)
        if release:
            self.release(x, y, button=2)

    def menu(self, entry, x=60, y=60):
        """Chooses `entry` the desktop way: right press, move onto it, release."""
        self.open_menu(x, y, release=False)
        target = self.entry_pixel(entry)
        self.move(*target)
        self.release(*target, button=2)


class PageSurface(Surface):
    """The page in a browser of `engine_class`, driven with a mouse and a
    keyboard; answers are typed into the entry field. Devices change the
    verbs (chromium.py); engines change the browser."""

    engine_class = Engine
    every_answer = True
    latches_move = True

    def __init__(self, site=None, **engine_options):
        super().__init__()
        site = site or os.environ.get("BEZIER_WEB_SITE")
        if not site:
            raise RuntimeError("set BEZIER_WEB_SITE to the built site (ctest does this)")
        self.server = SiteServer(site, recorder=self.engine_class.served_recorder)
        self.page = None
        try:
            self.engine = self.engine_class(**engine_options)
        except BaseException:
            self.server.stop()
            raise

    def start(self):
        if self.page is None:
            self.prepare()
        self.page = Page(self.engine, self.server.url)

    def prepare(self):
        """Sets the browser up once, before the first load (a device's metrics)."""

    def stop(self):
        self.engine.quit()
        self.server.stop()

    def check_clean(self):
        violations, errors = self.page.violations(), self.engine.errors()
        if violations or errors:
            raise AssertionError("%s: policy violations %r, errors %r" % (self.name, violations, errors))

    def place(self, x, y):
        self.page.click(x, y)

    def delete(self, x, y):
        self.page.click(x, y, held="Shift")

    def move(self, start, end, latch=False):
        if latch:
            self.page.click_on("#key-move")
        self.page.drag(0 if latch else 1, start, [end])

    def menu(self, entry, over_controls=False):
        self.page.menu(entry)

    def key(self, ch):
        self.page.key(ch)

    def answer(self, line):
        self.page.enter_line(line)

    def paste(self, text):
        self.page.paste(text)

    def title(self):
        return self.page.title()

    def frame(self, settled=True):
        return self.page.canvas() if not settled or self.page.idle() else None

    def console(self):
        return self.page.console_text()

    def menu_labels(self):
        labels, shown = self.page.menu_labels()
        if shown:
            raise AssertionError("%s: the menu is still open" % self.name)
        return labels

    def beneath(self):
        return self.page.script("const e = document.getElementById('entry');"
                                "return [scrollX, scrollY, document.activeElement.id,"
                                " e.classList.contains('waiting')];")

    def dialogue_waits(self, focused=True):
        alert = self.page.alert()
        if alert:
            raise AssertionError("%s: the page says %r" % (self.name, alert))
        highlighted, has_focus = self.page.entry_waiting()
        return highlighted and (has_focus or not focused)
