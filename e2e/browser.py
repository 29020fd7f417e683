"""Drives the browser edition in headless Chromium and reads back its canvas;
the browser surfaces' common part (PageSurface). WebKit (webkit.py) and
Firefox (firefox.py) build on this module; it imports neither.

The built site is served from a private loopback port with the strict
Content-Security-Policy it is published with, Debian's Chromium is started
through ChromeDriver (Selenium), and input reaches the page as real browser
input: mouse, key and touch events dispatched through the DevTools input
domain go through the same path as a user's, so the page sees trusted DOM
events with real buttons, positions and modifiers.

Run with /usr/bin/python3, which has Debian's python3-selenium.
"""

import base64
import contextlib
import functools
import os
import shutil
import sys
import tempfile
import threading
import time

from harness import Frame, SIZE, await_value, scaled, wait_until

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
import serve_web  # noqa: E402  (the site's own server, found through the path above)
import surface  # noqa: E402

CHROMIUM = os.environ.get("BEZIER_CHROMIUM", "/usr/bin/chromium")
CHROMEDRIVER = os.environ.get("BEZIER_CHROMEDRIVER", "/usr/bin/chromedriver")

# The flags a headless browser needs on a machine with no network and no
# display: without the background-networking ones Chromium keeps dialling out.
CHROMIUM_FLAGS = ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                  "--no-first-run", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync",
                  "--disable-dev-shm-usage", "--window-size=1280,900")

# The files without which the site is not built.
SITE_FILES = ("index.html", "style.css", "boot.js", "page/main.js", "bezier.js", "bezier.wasm", "sw.js")

# DevTools modifier bits and mouse button names.
ALT, CTRL, SHIFT = 1, 2, 8
BUTTONS = {0: ("left", 1), 1: ("middle", 4), 2: ("right", 2)}

def require(programs, what, packages):
    """Raises RuntimeError naming every one of `programs` (and Selenium) that
    is missing to drive `what`, and the Debian `packages` that bring them."""
    missing = [path for path in programs if not shutil.which(path)]
    try:
        import selenium  # noqa: F401
    except ImportError:
        missing.append("python3-selenium (run with /usr/bin/python3)")
    if missing:
        raise RuntimeError("cannot drive %s, missing: %s (install %s, python3-selenium)"
                           % (what, ", ".join(missing), packages))


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


class _TestHandler(serve_web.SiteHandler):
    delays = {}  # path -> seconds to hold the response back (a slow network)
    recorder = False  # the page comes with the recorder

    def log_message(self, *args):
        pass

    def do_GET(self):
        time.sleep(self.delays.get(self.path.split("?")[0], 0))
        if self.recorder and self.serve_recorder():
            return
        super().do_GET()

    def serve_recorder(self):
        """Serves the recorder, and the page with the recorder in front of its
        scripts; True if this GET was one of those."""
        path = self.path.split("?")[0]
        if path == RECORDER_PATH:
            body = RECORDER
        elif path in ("/", "/index.html"):
            with open(os.path.join(self.directory, "index.html"), "rb") as f:
                body = f.read().replace(b"<head>", b"<head>\n" + RECORDER_TAG, 1)
        else:
            return False
        self.send_response(200)
        self.send_header("Content-Type", "text/javascript" if path == RECORDER_PATH else "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        return True

    def end_headers(self):
        # Every load that reaches the server sees the site as built now.
        self.send_header("Cache-Control", "no-store")
        super().end_headers()


class SiteServer:
    """Serves `site` (a directory) on 127.0.0.1 at a free port, in a thread,
    as it is published. `check` False serves a site with files missing;
    `delays` maps paths to seconds each response is held back. With
    `recorder` the page comes with the recorder."""

    def __init__(self, site, check=True, delays=None, recorder=False):
        for name in SITE_FILES if check else ():
            if not os.path.isfile(os.path.join(site, name)):
                raise RuntimeError("the site in %s has no %s: build it with "
                                   "'cmake --preset web && cmake --build --preset web'" % (site, name))
        import http.server
        handler_class = type("Handler", (_TestHandler,), {"delays": dict(delays or {}),
                                                           "recorder": recorder})
        handler = functools.partial(handler_class, directory=site)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class Browser:
    """One headless Chromium with its own empty profile."""

    def __init__(self, scale=1):
        require((CHROMIUM, CHROMEDRIVER), "a browser", "chromium, chromium-driver")
        from selenium import webdriver
        from selenium.webdriver.chrome.options import Options
        from selenium.webdriver.chrome.service import Service
        self.profile = tempfile.mkdtemp(prefix="bezier-chromium-")
        options = Options()
        options.binary_location = CHROMIUM
        # `scale`: device pixels per CSS pixel of the browser's own screen.
        # Only on a page shown at the browser's own scale does Chromium lay
        # boxes out in device pixels, as a phone does; emulating another
        # scale rounds them to whole CSS pixels first.
        for flag in CHROMIUM_FLAGS + ("--force-device-scale-factor=%s" % scale, "--user-data-dir=" + self.profile):
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        self.driver.set_script_timeout(scaled(30))
        self.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": RECORDER.decode()})

    def quit(self):
        with contextlib.suppress(Exception):
            self.driver.quit()
        shutil.rmtree(self.profile, ignore_errors=True)


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
_DEBUG = ("return import(new URL('page/main.js', document.baseURI).href)"
          ".then(({debug}) => (%s));")


class Page:
    """The editor's page loaded in `browser`. Positions are canvas pixels
    from the top-left corner, as the toolkit gives them."""

    def __init__(self, browser, url, wait=True):
        self.driver = browser.driver
        self.url = url
        self.reload(wait)

    def reload(self, wait=True):
        """Loads the page afresh: a new program with no points. With `wait`,
        returns once the program has drawn its first frame."""
        self.driver.get(self.url)
        self.buttons = 0  # DevTools' mask of the buttons held
        self.modifiers = 0
        self.pointer = (250, 250)
        if wait:
            wait_until(lambda: self.debug("debug.stats.frames > 0"), 20, "the page's first frame")

    def script(self, source, *args):
        return self.driver.execute_script(source, *args)

    def cdp(self, command, **params):
        return self.driver.execute_cdp_cmd(command, params)

    def debug(self, expression):
        """Evaluates `expression` with the page's debug export as `debug`."""
        return self.script(_DEBUG % expression)

    # -- reading the page

    def title(self):
        return self.driver.title

    def canvas_box(self):
        """(left, top, width, height) of the canvas in CSS pixels."""
        return tuple(self.script("const r = document.getElementById('view').getBoundingClientRect();"
                                 "return [r.left, r.top, r.width, r.height];"))

    def console_text(self):
        """What the program wrote to the console, without the echoed lines."""
        return self.script("return Array.from(document.getElementById('console').childNodes)"
                           ".filter(n => !(n.classList && n.classList.contains('echo')))"
                           ".map(n => n.textContent).join('')")

    def transcript(self):
        """The console as shown: the program's output and the echoed lines."""
        return self.script("return document.getElementById('console').textContent")

    def wait_console(self, text, timeout=10):
        """Waits until the program's console output is exactly `text`."""
        return await_value(self.console_text, text, timeout, lambda last: "console shows %r, expected %r"
                           % (last, text), interval=0.02)

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
        return Frame(SIZE, SIZE, rgba[0::4], rgba[1::4], rgba[2::4])

    def wait_frame(self, lit, timeout=10):
        """Waits until the canvas shows exactly `lit` on black and the page
        has nothing left to do."""
        want = Frame.expected(lit)
        return await_value(lambda: self.canvas() if self.idle() else None, want, timeout, lambda last:
                           "canvas differs: " + (last.diff(want) if last else "the page never became idle"))

    def settle(self, timeout=10):
        """Waits until every event sent so far is handled and drawn."""
        wait_until(self.idle, timeout, "the page to finish its work")

    # -- input

    def client(self, x, y):
        """The CSS position of the centre of canvas pixel (x, y), wherever the
        canvas is now and at whatever size it is shown."""
        left, top, width, height = self.canvas_box()
        return left + (x + 0.5) * width / SIZE, top + (y + 0.5) * height / SIZE

    def _mouse(self, kind, x, y, button=None, **extra):
        cx, cy = self.client(x, y)
        params = dict(type=kind, x=cx, y=cy, modifiers=self.modifiers, buttons=self.buttons)
        if button is not None:
            params.update(button=BUTTONS[button][0], clickCount=1)
        params.update(extra)
        self.cdp("Input.dispatchMouseEvent", **params)
        self.pointer = (x, y)

    def move(self, x, y):
        self._mouse("mouseMoved", x, y)

    def press(self, x, y, button=0):
        self.move(x, y)
        self.buttons |= BUTTONS[button][1]
        self._mouse("mousePressed", x, y, button)

    def release(self, x, y, button=0):
        if (x, y) != self.pointer:
            self.move(x, y)
        self.buttons &= ~BUTTONS[button][1]
        self._mouse("mouseReleased", x, y, button)

    def click(self, x, y, button=0):
        self.press(x, y, button)
        self.release(x, y, button)

    def shift_click(self, x, y):
        self.key_down("Shift")
        try:
            self.click(x, y)
        finally:
            self.key_up("Shift")

    def drag(self, button, start, path):
        self.press(*start, button=button)
        for x, y in path:
            self.move(x, y)
        self.release(*path[-1], button=button)

    _NAMED_KEYS = {"Shift": ("ShiftLeft", 16), "Alt": ("AltLeft", 18), "Control": ("ControlLeft", 17),
                   "Escape": ("Escape", 27), "Enter": ("Enter", 13), " ": ("Space", 32),
                   "ArrowLeft": ("ArrowLeft", 37), "ArrowUp": ("ArrowUp", 38),
                   "ArrowRight": ("ArrowRight", 39), "ArrowDown": ("ArrowDown", 40),
                   "F10": ("F10", 121), "ContextMenu": ("ContextMenu", 93), "Tab": ("Tab", 9)}
    _MODIFIER_BITS = {"Shift": SHIFT, "Alt": ALT, "Control": CTRL}

    def key_down(self, name, repeat=False):
        code, vk = self._NAMED_KEYS[name]
        self.modifiers |= self._MODIFIER_BITS.get(name, 0)
        extra = {"text": name} if name == " " else {}
        self.cdp("Input.dispatchKeyEvent", type="rawKeyDown" if not extra else "keyDown", key=name,
                 code=code, windowsVirtualKeyCode=vk, modifiers=self.modifiers, autoRepeat=repeat, **extra)

    def key_up(self, name):
        code, vk = self._NAMED_KEYS[name]
        self.modifiers &= ~self._MODIFIER_BITS.get(name, 0)
        self.cdp("Input.dispatchKeyEvent", type="keyUp", key=name, code=code,
                 windowsVirtualKeyCode=vk, modifiers=self.modifiers)

    def tap_key(self, name, held=None):
        """Presses and releases a named key (Enter, arrows, Space, ...), with
        the key `held` (Shift, Control, ...) held down through it if given."""
        if held:
            self.key_down(held)
        self.key_down(name)
        self.key_up(name)
        if held:
            self.key_up(held)

    def char_down(self, ch, repeat=False):
        self.cdp("Input.dispatchKeyEvent", type="keyDown", key=ch, text=ch, code="Key" + ch.upper(),
                 modifiers=self.modifiers, autoRepeat=repeat)

    def char_up(self, ch):
        self.cdp("Input.dispatchKeyEvent", type="keyUp", key=ch, code="Key" + ch.upper(),
                 modifiers=self.modifiers)

    def type_text(self, text):
        """Types `text` as key presses into whatever has the focus."""
        for ch in text:
            if ch == "\n":
                self.tap_key("Enter")
                continue
            self.char_down(ch)
            self.char_up(ch)

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
            self.insert_text(text)
        self.tap_key("Enter")

    def insert_text(self, text):
        # Long or non-ASCII text goes in as one insertion, as an input
        # method or a paste would put it.
        self.cdp("Input.insertText", text=text)

    def paste(self, text, times=1):
        """Pastes `text` repeated `times` (made in the page, so that a huge
        paste costs no transfer) into the entry field as a user's paste
        would. Returns the milliseconds the page's paste handling took."""
        return self.script("""
            const text = arguments[0].repeat(arguments[1]);
            const entry = document.getElementById('entry');
            entry.focus();
            const data = new DataTransfer();
            data.setData('text/plain', text);
            const event = new ClipboardEvent('paste', {clipboardData: data, bubbles: true, cancelable: true});
            const started = performance.now();
            if (entry.dispatchEvent(event)) {
              // What the browser does with a paste nobody took over, length limit included.
              const room = entry.maxLength - entry.value.length + entry.selectionEnd - entry.selectionStart;
              entry.setRangeText(text.slice(0, room), entry.selectionStart, entry.selectionEnd, 'end');
            }
            return performance.now() - started;
        """, text, times)

    # -- touch screens, pens and phones

    def emulate(self, width, height, scale=1, mobile=False, touch=False):
        """Makes the page's viewport a device's: `width` x `height` CSS pixels
        at `scale` device pixels each, as a phone (`mobile`) or not, with a
        touch screen (coarse pointer) or not. Reload afterwards."""
        self.cdp("Emulation.setDeviceMetricsOverride", width=width, height=height,
                 deviceScaleFactor=scale, mobile=mobile)
        self.cdp("Emulation.setTouchEmulationEnabled", enabled=touch, maxTouchPoints=5 if touch else 1)

    def stop_emulating(self):
        self.cdp("Emulation.clearDeviceMetricsOverride")
        self.cdp("Emulation.setTouchEmulationEnabled", enabled=False, maxTouchPoints=1)

    def touch(self, kind, points):
        """One touch event; `points` are (id, x, y) in canvas pixels, or
        (id, None, (client x, client y)) for a place off the canvas."""
        touch_points = []
        for ident, x, y in points:
            cx, cy = y if x is None else self.client(x, y)
            touch_points.append({"x": cx, "y": cy, "id": ident, "radiusX": 2, "radiusY": 2, "force": 1})
        self.cdp("Input.dispatchTouchEvent", type=kind, touchPoints=touch_points)

    def tap(self, x, y):
        self.touch("touchStart", [(0, x, y)])
        self.touch("touchEnd", [])

    def touch_drag(self, start, path, hold=0.0):
        """A finger put down at `start`, held `hold` seconds, moved along
        `path`, then stopped before it lifts: a drag that ends moving is a
        fling, and the browser takes the next tap as the one that stops it."""
        self.touch("touchStart", [(0,) + tuple(start)])
        time.sleep(hold)
        for spot in path:
            self.touch("touchMove", [(0,) + tuple(spot)])
        time.sleep(0.15)
        self.touch("touchMove", [(0,) + tuple(path[-1])])
        self.touch("touchEnd", [])

    def long_press(self, x, y, hold=0.7):
        self.touch("touchStart", [(0, x, y)])
        time.sleep(hold)
        self.touch("touchEnd", [])

    def tap_client(self, cx, cy):
        """A tap at a CSS position (an on-screen control, a menu entry), held
        as briefly as a finger does."""
        self.touch("touchStart", [(0, None, (cx, cy))])
        time.sleep(0.05)
        self.touch("touchEnd", [])

    def element_centre(self, selector):
        """The CSS position of the centre of the first element matching `selector`."""
        return tuple(self.script("const r = document.querySelector(arguments[0]).getBoundingClientRect();"
                                 "return [r.left + r.width / 2, r.top + r.height / 2];", selector))

    # -- the pop-up menu

    def menu_item_centre(self, entry):
        """(x, y) of menu entry `entry` (from 0) in canvas pixels."""
        box = self.script("const r = document.getElementById('menu').children[arguments[0]]"
                          ".getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2];", entry)
        left, top, width, height = self.canvas_box()
        return (int((box[0] - left) * SIZE / width), int((box[1] - top) * SIZE / height))

    def open_menu(self, x=60, y=60, release=True):
        self.press(x, y, button=2)
        if release:
            self.release(x, y, button=2)

    def menu(self, entry, x=60, y=60):
        """Chooses `entry` the desktop way: right press, move onto it, release."""
        self.open_menu(x, y, release=False)
        target = self.menu_item_centre(entry)
        self.move(*target)
        self.release(*target, button=2)

    def browser_errors(self):
        """Severe messages in the browser's console log since the last call."""
        return [entry["message"] for entry in self.driver.get_log("browser")
                if entry.get("level") == "SEVERE"]

    def shown_as_canvas(self, k):
        """Whether the device pixels the browser shows over the canvas are the
        canvas's pixels, each exactly k x k: None if so, else the first device
        pixel (x, y) from the canvas's corner that is not."""
        shot = self.cdp("Page.captureScreenshot", format="png", clip=dict(zip(
            ("x", "y", "width", "height", "scale"), self.script("""
                const r = document.getElementById('view').getBoundingClientRect();
                return [scrollX + r.left, scrollY + r.top, r.width, r.height, 1];"""))))["data"]
        # Decoded by the browser's own image decoder, in a canvas of the test's.
        return self.script("""
            const [png, k] = arguments;
            const bytes = Uint8Array.from(atob(png), (c) => c.charCodeAt(0));
            return createImageBitmap(new Blob([bytes], {type: 'image/png'}),
                                     {colorSpaceConversion: 'none', premultiplyAlpha: 'none'}).then((image) => {
              const view = document.getElementById('view');
              if (image.width !== view.width * k || image.height !== view.height * k) return [image.width, -1];
              const work = new OffscreenCanvas(image.width, image.height).getContext('2d');
              work.drawImage(image, 0, 0);
              const shown = work.getImageData(0, 0, image.width, image.height).data;
              const own = view.getContext('2d').getImageData(0, 0, view.width, view.height).data;
              for (let y = 0; y < image.height; y++) {
                for (let x = 0; x < image.width; x++) {
                  const i = 4 * (y * image.width + x), j = 4 * (Math.floor(y / k) * view.width + Math.floor(x / k));
                  if (shown[i] !== own[j] || shown[i + 1] !== own[j + 1] || shown[i + 2] !== own[j + 2]) return [x, y];
                }
              }
              return null;
            });""", shot, k)


class RecordedPage(Page):
    """A page served with the recorder, which keeps what went wrong."""

    def browser_errors(self):
        return self.script("const r = window.bezierRecord; if (!r) return ['no recorder'];"
                           "return r.errors.splice(0);")


def measure_frames(page, count, wiggle=((250, 250), (251, 250))):
    """Redraws the current scene `count` times, each after a real mouse
    movement over the canvas, and returns the page's per-frame figures:
    (display + canvas upload in ms, request-to-pixels latency in ms)."""
    display, latency = [], []
    for i in range(count):
        before = page.debug("debug.stats.frames")
        page.move(*wiggle[i % len(wiggle)])
        wait_until(lambda: page.debug("debug.stats.frames") > before, 10, "a frame")
        stats = page.debug("{...debug.stats}")
        display.append(stats["displayMs"])
        latency.append(stats["latencyMs"])
        time.sleep(0.02)
    return display, latency


class PageSurface(surface.Surface):
    """The page in a browser, driven with a mouse and a keyboard; answers
    are typed into the entry field. Subclasses change the browser (the
    classes below) or the device (devices.py)."""

    name = "chromium"
    browser_class = Browser
    page_class = Page
    recorder = False  # the page comes with the recorder (engines without DevTools)

    def __init__(self, site=None):
        super().__init__()
        site = site or os.environ.get("BEZIER_WEB_SITE")
        if not site:
            raise RuntimeError("set BEZIER_WEB_SITE to the built site (ctest does this)")
        self.server = SiteServer(site, recorder=self.recorder)
        self.browser = self.page = None
        try:
            self.browser = self.browser_class()
        except BaseException:
            self.server.stop()
            raise

    def start(self):
        if self.page is None:
            self.page = self.page_class(self.browser, self.server.url, wait=False)
            self.prepare()
        self.page.reload()

    def prepare(self):
        """Sets the browser up once, before the first load (a device's metrics)."""

    def stop(self):
        if self.browser is not None:
            self.browser.quit()
        self.server.stop()

    def check_clean(self):
        violations, errors = self.page.violations(), self.page.browser_errors()
        if violations or errors:
            raise AssertionError("%s: policy violations %r, errors %r" % (self.name, violations, errors))

    def place(self, x, y):
        self.page.click(x, y)

    def delete(self, x, y):
        self.page.shift_click(x, y)

    def move(self, start, end):
        self.page.drag(1, start, [end])

    def menu(self, entry, over_controls=False):
        self.page.menu(entry)

    def key(self, ch):
        self.page.key(ch)

    def answer(self, line):
        self.page.enter_line(line)

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

    def dialogue_waits(self):
        alert = self.page.alert()
        if alert:
            raise AssertionError("%s: the page says %r" % (self.name, alert))
        return self.page.entry_waiting() == (True, True)
