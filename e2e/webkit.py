"""The browser suite on WebKit: WebKitGTK's MiniBrowser, started through
WebKitWebDriver on a private Xvfb display, with input sent as real X events.

Why not WebDriver actions: WebKitWebDriver 2.50 sends every pointerUp as a
release of the primary button. A middle or right release reaches the page as
a `mouseup` with `button` 0 and no `pointerup`, and `buttons` keeps the
button held for the rest of the session (releasing all actions does not
clear it). No page can tell such a release from none. The same releases sent
through XTEST arrive as they should (`pointerup`, `button` 1, `buttons` 0),
so the mouse goes in as the desktop suite sends it: xdotool on the private
display, through GDK, as a person's input does. The keys go the same way, or
a Shift held for a click would not be seen by the click.

XTEST input is not awaited by the browser as DevTools input is, and WebKit
does not keep key and mouse events in order between them; so after each X
event the page is polled until the DOM event it makes has arrived.

WebKit's driver can neither run a script before the page's own nor read the
browser's log: the page comes with the suite's recorder (browser.py).
"""

import contextlib
import math
import os
import shutil
import tempfile

import browser
import harness
from harness import scaled, wait_until

DRIVER = os.environ.get("BEZIER_WEBKITDRIVER", "/usr/bin/WebKitWebDriver")
TOOLS = ("Xvfb", "xdotool", "xset")

# Page key names -> X keysyms.
KEYSYMS = {"Shift": "Shift_L", "Alt": "Alt_L", "Control": "Control_L", "Escape": "Escape",
           "Enter": "Return", " ": "space", "ArrowLeft": "Left", "ArrowUp": "Up",
           "ArrowRight": "Right", "ArrowDown": "Down", "F10": "F10", "ContextMenu": "Menu",
           "Tab": "Tab"}
DOM_BUTTON_BITS = {0: 1, 1: 4, 2: 2}


def check():
    """Raises RuntimeError naming what is missing to drive WebKit."""
    browser.require((DRIVER,) + TOOLS, "WebKit", "webkit2gtk-driver, xvfb, xdotool, x11-xserver-utils")


class Browser:
    """A private X display, WebKitWebDriver on it and a MiniBrowser session."""

    def __init__(self):
        check()
        from selenium.webdriver.remote.webdriver import WebDriver
        from selenium.webdriver.webkitgtk.options import Options
        from selenium.webdriver.webkitgtk.service import Service
        self.workdir = tempfile.mkdtemp(prefix="bezier-webkit-")
        self.xserver = harness.XServer(self.workdir)
        self.service = None
        try:
            # A key held across a few round trips must not repeat by itself.
            self.xserver.run("xset", "r", "off")
            self.service = Service(DRIVER, env=self.xserver.env,
                                   log_path=os.path.join(self.workdir, "driver.log"))
            self.service.start()
            options = Options()
            options.add_argument("--automation")
            for legacy in ("platform", "version"):  # not W3C capabilities: Selenium warns
                options.capabilities.pop(legacy, None)
            self.driver = WebDriver(command_executor=self.service.service_url, options=options)
            self.driver.set_script_timeout(scaled(30))
        except BaseException:
            self.quit()
            raise
        self.offset = None  # screen position of the viewport's origin
        self.pointer = None  # screen position of the X pointer

    def quit(self):
        with contextlib.suppress(Exception):
            self.driver.quit()
        if self.service is not None:
            self.service.stop()
        self.xserver.stop()
        shutil.rmtree(self.workdir, ignore_errors=True)

    def xdo(self, *args):
        self.xserver.run("xdotool", *[str(a) for a in args])


class Page(browser.RecordedPage):
    """The page in WebKit: input as X events, each awaited in the page."""

    def __init__(self, browser, url, wait=True):
        self.session = browser
        super().__init__(browser, url, wait)

    def reload(self, wait=True):
        self.seen = 0  # the recorder's last event matched so far
        super().reload(wait)
        if self.session.offset is None:
            self._calibrate()

    def _calibrate(self):
        # Any real motion over the page tells where its viewport is on the
        # screen; below the canvas, so the program sees none of it.
        spot = (3, 700) if self.session.pointer != (3, 700) else (4, 700)
        self.session.xdo("mousemove", *spot)
        self.session.pointer = spot
        self.session.offset = tuple(wait_until(lambda: self.script(
            "return window.bezierRecord && window.bezierRecord.offset"), 10, "a motion over the page"))

    def _await(self, what, test):
        """Waits for the first recorded event after the last one matched for
        which `test` (JavaScript over `e` = [seq, type, clientX, clientY,
        buttons, code, key]) holds."""
        seq = wait_until(lambda: self.script(
            "const e = window.bezierRecord.events.find(e => e[0] > arguments[0] && (%s));"
            "return e ? e[0] : 0;" % test, self.seen), 10, what + " to reach the page", interval=0.005)
        self.seen = seq

    def _mouse(self, kind, x, y, button=None, **extra):
        cx, cy = self.client(x, y)
        cx, cy = math.floor(cx), math.floor(cy)
        screen = (self.session.offset[0] + cx, self.session.offset[1] + cy)
        if screen != self.session.pointer:
            self.session.xdo("mousemove", *screen)
            self.session.pointer = screen
            self._await("a motion to (%d, %d) in the viewport" % (cx, cy),
                        "e[1] === 'pointermove' && e[2] === %d && e[3] === %d" % (cx, cy))
        self.pointer = (x, y)
        if kind == "mouseMoved":
            return
        bit = DOM_BUTTON_BITS[button]
        if kind == "mousePressed":
            self.session.xdo("mousedown", button + 1)
            self._await("a press", "e[1] !== 'pointerup' && (e[4] & %d)" % bit)
        else:
            self.session.xdo("mouseup", button + 1)
            self._await("a release", "e[1] !== 'pointerdown' && !(e[4] & %d)" % bit)

    def _key(self, down, name, code, repeat=False):
        if repeat:
            # XTEST cannot press a key that is down, and the server's own
            # repeat is off (timed repeats would make runs differ).
            raise NotImplementedError("no key repeat through XTEST")
        kind = "keydown" if down else "keyup"
        self.session.xdo(kind, KEYSYMS.get(name, name))
        match = ("e[5] === %r" % code) if code else ("e[6] === %r" % name)
        self._await("a " + kind, "e[1] === %r && %s" % (kind, match))

    def key_down(self, name, repeat=False):
        self._key(True, name, self._NAMED_KEYS[name][0], repeat)

    def key_up(self, name):
        self._key(False, name, self._NAMED_KEYS[name][0])

    @staticmethod
    def _code(ch):
        if ch.isascii() and ch.isalpha():
            return "Key" + ch.upper()
        return "Digit" + ch if ch.isascii() and ch.isdigit() else None

    def char_down(self, ch, repeat=False):
        self._key(True, ch, self._code(ch), repeat)

    def char_up(self, ch):
        self._key(False, ch, self._code(ch))

    def insert_text(self, text):
        # No input method to commit through: the editing command puts the
        # text in as one edit, with the input events an insertion makes.
        self.script("document.execCommand('insertText', false, arguments[0])", text)


class Surface(browser.PageSurface):
    name = "webkit"
    browser_class = Browser
    page_class = Page
    recorder = True
