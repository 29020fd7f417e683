"""WebKit: WebKitGTK's MiniBrowser, started through WebKitWebDriver on a
private X display, with input sent as real X events.

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
event the page is polled until the DOM event it makes has arrived (the
recorder keeps them).
"""

import math
import os

from . import harness
from .browser import BUTTONS, PageSurface, WebDriverEngine, key_of
from .harness import scaled, wait_until

DRIVER = os.environ.get("BEZIER_WEBKITDRIVER", "/usr/bin/WebKitWebDriver")


class WebKit(WebDriverEngine):
    """WebKitWebDriver and a MiniBrowser session on a display of their own."""

    name = "webkit"
    needs_display = True

    def launch(self):
        harness.require("WebKit", (DRIVER,), ("selenium",), "webkit2gtk-driver, python3-selenium")
        from selenium.webdriver.remote.webdriver import WebDriver
        from selenium.webdriver.webkitgtk.options import Options
        from selenium.webdriver.webkitgtk.service import Service
        self.service = Service(DRIVER, env=self.xserver.env,
                               log_path=os.path.join(os.path.dirname(self.xserver.log_path), "driver.log"))
        self.service.start()
        options = Options()
        options.add_argument("--automation")
        for legacy in ("platform", "version"):  # not W3C capabilities: Selenium warns
            options.capabilities.pop(legacy, None)
        self.driver = WebDriver(command_executor=self.service.service_url, options=options)
        self.driver.set_script_timeout(scaled(30))
        self.offset = None  # screen position of the viewport's origin
        self.at = None  # screen position of the X pointer

    def close(self):
        try:
            super().close()
        finally:
            self.service.stop()

    def navigate(self, url):
        super().navigate(url)
        self.seen = 0  # the recorder's last event matched so far

    def _await(self, what, test):
        """Waits for the first recorded event after the last one matched for
        which `test` (JavaScript over `e` = [seq, type, clientX, clientY,
        buttons, code, key]) holds."""
        self.seen = wait_until(lambda: self.script(
            "const e = window.bezierRecord.events.find(e => e[0] > arguments[0] && (%s));"
            "return e ? e[0] : 0;" % test, self.seen), 10, what + " to reach the page", interval=0.005)

    def _move_to(self, screen):
        self.xserver.xdo("mousemove", *screen)
        self.at = screen

    def pointer(self, kind, cx, cy, button, buttons, held):
        if self.offset is None:
            # Any real motion over the page tells where its viewport is on
            # the screen; below the canvas, so the program sees none of it.
            self._move_to((3, 700))
            self.offset = tuple(wait_until(lambda: self.script(
                "return window.bezierRecord && window.bezierRecord.offset"), 10, "a motion over the page"))
        cx, cy = math.floor(cx), math.floor(cy)
        screen = (self.offset[0] + cx, self.offset[1] + cy)
        if screen != self.at:
            self._move_to(screen)
            self._await("a motion to (%d, %d) in the viewport" % (cx, cy),
                        "e[1] === 'pointermove' && e[2] === %d && e[3] === %d" % (cx, cy))
        bit = BUTTONS[button][1]
        if kind == "down":
            self.xserver.xdo("mousedown", button + 1)
            self._await("a press", "e[1] !== 'pointerup' && (e[4] & %d)" % bit)
        elif kind == "up":
            self.xserver.xdo("mouseup", button + 1)
            self._await("a release", "e[1] !== 'pointerdown' && !(e[4] & %d)" % bit)

    def key(self, down, name, held, repeat=False):
        if repeat:
            # XTEST cannot press a key that is down, and the server's own
            # repeat is off (timed repeats would make runs differ).
            raise NotImplementedError("no key repeat through XTEST")
        key, kind = key_of(name), "keydown" if down else "keyup"
        self.xserver.xdo(kind, key.keysym)
        self._await("a " + kind, "e[1] === %r && %s" % (kind, "e[5] === %r" % key.code if key.code
                                                          else "e[6] === %r" % name))

    def insert_text(self, text):
        # No input method to commit through: the editing command puts the
        # text in as one edit, with the input events an insertion makes.
        self.script("document.execCommand('insertText', false, arguments[0])", text)


class Surface(PageSurface):
    name = "webkit"
    engine_class = WebKit
