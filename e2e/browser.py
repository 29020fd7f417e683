"""Drives the browser edition in headless Chromium and reads back its canvas.

The built site is served from a private loopback port, Debian's Chromium is
started through ChromeDriver (Selenium), and input reaches the page as real
browser input: mouse and key events dispatched through the DevTools input
domain go through the same path as a user's, so the page sees trusted DOM
events with real buttons, positions and modifiers.

Run with /usr/bin/python3, which has Debian's python3-selenium.
"""

import base64
import contextlib
import functools
import http.server
import os
import shutil
import tempfile
import threading
import time

from harness import Frame, SIZE, scaled, wait_until

CHROMIUM = os.environ.get("BEZIER_CHROMIUM", "/usr/bin/chromium")
CHROMEDRIVER = os.environ.get("BEZIER_CHROMEDRIVER", "/usr/bin/chromedriver")

# The flags a headless browser needs on a machine with no network and no
# display: without the background-networking ones Chromium keeps dialling out.
CHROMIUM_FLAGS = ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                  "--no-first-run", "--disable-background-networking",
                  "--disable-component-update", "--disable-sync",
                  "--disable-dev-shm-usage", "--window-size=1280,900",
                  "--force-device-scale-factor=1")

# DevTools modifier bits and mouse button names.
SHIFT = 8
BUTTONS = {0: ("left", 1), 1: ("middle", 4), 2: ("right", 2)}


def check_browser():
    """Raises RuntimeError naming what is missing for the browser checks."""
    missing = [path for path in (CHROMIUM, CHROMEDRIVER) if not shutil.which(path)]
    try:
        import selenium  # noqa: F401
    except ImportError:
        missing.append("python3-selenium (run with /usr/bin/python3)")
    if missing:
        raise RuntimeError("cannot drive a browser, missing: " + ", ".join(missing) +
                           " (install chromium, chromium-driver, python3-selenium)")


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def end_headers(self):
        # Every load must see the site as built now.
        self.send_header("Cache-Control", "no-store")
        super().end_headers()


class SiteServer:
    """Serves `site` (a directory) on 127.0.0.1 at a free port, in a thread."""

    def __init__(self, site):
        for name in ("index.html", "bezier.js", "bezier.wasm", "page.js", "style.css"):
            if not os.path.isfile(os.path.join(site, name)):
                raise RuntimeError("the site in %s has no %s: build it with "
                                   "'cmake --preset web && cmake --build --preset web'" % (site, name))
        handler = functools.partial(_QuietHandler, directory=site)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        self.url = "http://127.0.0.1:%d/" % self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class Browser:
    """One headless Chromium with its own empty profile."""

    def __init__(self):
        check_browser()
        from selenium import webdriver
        from selenium.webdriver.chrome.options import Options
        from selenium.webdriver.chrome.service import Service
        self.profile = tempfile.mkdtemp(prefix="bezier-chromium-")
        options = Options()
        options.binary_location = CHROMIUM
        for flag in CHROMIUM_FLAGS + ("--user-data-dir=" + self.profile,):
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        self.driver.set_script_timeout(scaled(30))

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


class Page:
    """The editor's page loaded in `browser`. Positions are canvas pixels
    from the top-left corner, as the toolkit gives them."""

    def __init__(self, browser, url):
        self.driver = browser.driver
        self.url = url
        self.reload()

    def reload(self):
        """Loads the page afresh: a new program with no points."""
        self.driver.get(self.url)
        wait_until(lambda: self.script("return !!(window.bezierPage && window.bezierPage.stats.frames > 0)"),
                   20, "the page's first frame")
        self.canvas_size = tuple(self.script("const r = document.getElementById('view').getBoundingClientRect();"
                                             "return [r.width, r.height];"))
        self.left = self.top = 0  # where the canvas is; read again for every mouse event
        self.buttons = 0  # DevTools' mask of the buttons held
        self.modifiers = 0
        self.pointer = (250, 250)

    def script(self, source, *args):
        return self.driver.execute_script(source, *args)

    def cdp(self, command, **params):
        return self.driver.execute_cdp_cmd(command, params)

    # -- reading the page

    def title(self):
        return self.driver.title

    def console_text(self):
        return self.script("return document.getElementById('console').textContent")

    def wait_console(self, text, timeout=10):
        """Waits until the console shows exactly `text` and returns it."""
        last = [None]

        def shows():
            last[0] = self.console_text()
            return last[0] == text
        try:
            wait_until(shows, timeout, "the console text")
        except TimeoutError:
            raise AssertionError("console shows %r, expected %r" % (last[0], text)) from None
        return text

    def menu_labels(self):
        """The menu's entries as the page lists them, and whether it is open."""
        return self.script("const m = document.getElementById('menu');"
                           "return [Array.from(m.children, li => li.textContent), !m.hidden];")

    def entry_waiting(self):
        """(highlighted, focused) for the entry field."""
        return tuple(self.script("const e = document.getElementById('entry');"
                                 "return [e.classList.contains('waiting'), document.activeElement === e];"))

    def idle(self):
        return self.script("return window.bezierPage.idle()")

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
        has nothing left to do; raises AssertionError with the difference."""
        expected = Frame.expected(lit)
        last = [None]

        def matches():
            if not self.idle():
                return False
            last[0] = self.canvas()
            return last[0] == expected
        try:
            wait_until(matches, timeout, "the expected frame", interval=0.05)
        except TimeoutError:
            detail = last[0].diff(expected) if last[0] else "the page never became idle"
            raise AssertionError("canvas differs from the expected frame: " + detail) from None
        return last[0]

    def settle(self, timeout=10):
        """Waits until every event sent so far is handled and drawn."""
        wait_until(self.idle, timeout, "the page to finish its work")

    # -- input

    def _mouse(self, kind, x, y, button=None, **extra):
        # Where the canvas is now: focusing the entry field or a long console
        # may have scrolled the page since it was loaded.
        self.left, self.top = self.script("const r = document.getElementById('view').getBoundingClientRect();"
                                          "return [r.left, r.top];")
        params = dict(type=kind, x=self.left + x + 0.5, y=self.top + y + 0.5,
                      modifiers=self.modifiers, buttons=self.buttons)
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

    _NAMED_KEYS = {"Shift": ("ShiftLeft", 16), "Escape": ("Escape", 27), "Enter": ("Enter", 13)}

    def key_down(self, name):
        code, vk = self._NAMED_KEYS[name]
        if name == "Shift":
            self.modifiers |= SHIFT
        self.cdp("Input.dispatchKeyEvent", type="rawKeyDown", key=name, code=code,
                 windowsVirtualKeyCode=vk, modifiers=self.modifiers)

    def key_up(self, name):
        code, vk = self._NAMED_KEYS[name]
        if name == "Shift":
            self.modifiers &= ~SHIFT
        self.cdp("Input.dispatchKeyEvent", type="keyUp", key=name, code=code,
                 windowsVirtualKeyCode=vk, modifiers=self.modifiers)

    def type_text(self, text):
        """Types `text` as key presses into whatever has the focus."""
        for ch in text:
            if ch == "\n":
                self.key_down("Enter")
                self.key_up("Enter")
                continue
            self.cdp("Input.dispatchKeyEvent", type="keyDown", key=ch, text=ch,
                     modifiers=self.modifiers)
            self.cdp("Input.dispatchKeyEvent", type="keyUp", key=ch, modifiers=self.modifiers)

    def key(self, ch):
        """Types one character at the window (the focus on the canvas)."""
        self.script("document.getElementById('view').focus()")
        self.type_text(ch)

    def enter_line(self, text):
        """Types a line into the entry field and ends it with Enter."""
        self.script("document.getElementById('entry').focus()")
        if text:
            # Long or non-ASCII text goes in as one insertion, as an input
            # method or a paste would put it.
            self.cdp("Input.insertText", text=text)
        self.key_down("Enter")
        self.key_up("Enter")

    def paste(self, text):
        """Pastes `text` into the entry field as a user's paste would."""
        self.script("""
            const entry = document.getElementById('entry');
            entry.focus();
            const data = new DataTransfer();
            data.setData('text/plain', arguments[0]);
            const event = new ClipboardEvent('paste', {clipboardData: data, bubbles: true, cancelable: true});
            if (entry.dispatchEvent(event)) entry.setRangeText(arguments[0], entry.selectionStart, entry.selectionEnd, 'end');
        """, text)

    # -- the pop-up menu

    def menu_item_centre(self, entry):
        """(x, y) of menu entry `entry` (from 0) in canvas pixels."""
        box = self.script("const r = document.getElementById('menu').children[arguments[0]]"
                          ".getBoundingClientRect(); return [r.left, r.top, r.width, r.height];", entry)
        return (int(box[0] - self.left + box[2] / 2), int(box[1] - self.top + box[3] / 2))

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

    def menu_by_left_click(self, entry, x=60, y=60):
        self.open_menu(x, y)
        self.click(*self.menu_item_centre(entry))

    def browser_errors(self):
        """Severe messages in the browser's console log since the last call."""
        return [entry["message"] for entry in self.driver.get_log("browser")
                if entry.get("level") == "SEVERE"]


@contextlib.contextmanager
def served_page(site):
    """A served site, a browser and the page loaded in it, torn down after."""
    server = SiteServer(site)
    browser = None
    try:
        browser = Browser()
        yield Page(browser, server.url)
    finally:
        if browser is not None:
            browser.quit()
        server.stop()


def measure_frames(page, count, wiggle=((250, 250), (251, 250))):
    """Redraws the current scene `count` times, each after a real mouse
    movement over the canvas, and returns the page's per-frame figures:
    (display + canvas upload in ms, request-to-pixels latency in ms)."""
    display, latency = [], []
    for i in range(count):
        before = page.script("return window.bezierPage.stats.frames")
        page.move(*wiggle[i % len(wiggle)])
        wait_until(lambda: page.script("return window.bezierPage.stats.frames") > before,
                   10, "a frame")
        stats = page.script("return window.bezierPage.stats")
        display.append(stats["displayMs"])
        latency.append(stats["latencyMs"])
        time.sleep(0.02)
    return display, latency
