"""Chromium and the devices the suite makes of it: headless Chromium started
through ChromeDriver (Selenium), its input dispatched through the DevTools
input domain, which goes the same path as a user's. The surfaces: a mouse
(`chromium`), a trackpad with no middle button, a phone and a tablet (touch
or pen only, on the page's on-screen keys) and a keyboard with no pointer."""

import os
import time

from . import harness
from .browser import BUTTONS, RECORDER, PageSurface, WebDriverEngine, key_of
from .harness import SIZE, scaled, wait_until

CHROMIUM = os.environ.get("BEZIER_CHROMIUM", "/usr/bin/chromium")
CHROMEDRIVER = os.environ.get("BEZIER_CHROMEDRIVER", "/usr/bin/chromedriver")

# The flags a headless browser needs on a machine with no network and no
# display: without the background-networking ones Chromium keeps dialling out.
FLAGS = ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--disable-dev-shm-usage", "--window-size=1280,900")

# DevTools' modifier bits and mouse event types.
MODIFIER_BITS = {"Alt": 1, "Control": 2, "Shift": 8}
MOUSE_EVENTS = {"move": "mouseMoved", "down": "mousePressed", "up": "mouseReleased"}


class Chromium(WebDriverEngine):
    """One headless Chromium with its own empty profile."""

    name = "chromium"
    served_recorder = False

    def launch(self, scale=1):
        harness.require("Chromium", (CHROMIUM, CHROMEDRIVER), ("selenium",),
                        "chromium, chromium-driver, python3-selenium")
        from selenium import webdriver
        from selenium.webdriver.chrome.options import Options
        from selenium.webdriver.chrome.service import Service
        options = Options()
        options.binary_location = CHROMIUM
        # `scale`: device pixels per CSS pixel of the browser's own screen.
        # Only on a page shown at the browser's own scale does Chromium lay
        # boxes out in device pixels, as a phone does; emulating another
        # scale rounds them to whole CSS pixels first.
        for flag in FLAGS + ("--force-device-scale-factor=%s" % scale, "--user-data-dir=" + self.workdir):
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        self.driver.set_script_timeout(scaled(30))
        self.cdp("Page.addScriptToEvaluateOnNewDocument", source=RECORDER.decode())

    def cdp(self, command, **params):
        return self.driver.execute_cdp_cmd(command, params)

    def errors(self):
        return [entry["message"] for entry in self.driver.get_log("browser") if entry.get("level") == "SEVERE"]

    def pointer(self, kind, cx, cy, button, buttons, held, **extra):
        params = dict(type=MOUSE_EVENTS[kind], x=cx, y=cy, buttons=buttons,
                      modifiers=sum(MODIFIER_BITS[name] for name in held), **extra)
        if kind != "move":
            params.update(button=BUTTONS[button][0], clickCount=1)
        self.cdp("Input.dispatchMouseEvent", **params)

    def key(self, down, name, held, repeat=False):
        key = key_of(name)
        params = dict(key=name, code=key.code, windowsVirtualKeyCode=key.vk,
                      modifiers=sum(MODIFIER_BITS[name] for name in held))
        text = "\r" if name == "Enter" else name if len(name) == 1 else None
        if not down:
            self.cdp("Input.dispatchKeyEvent", type="keyUp", **params)
        elif text:  # a key that types (Enter too: it presses a focused button)
            self.cdp("Input.dispatchKeyEvent", type="keyDown", text=text, autoRepeat=repeat, **params)
        else:
            self.cdp("Input.dispatchKeyEvent", type="rawKeyDown", autoRepeat=repeat, **params)

    def insert_text(self, text):
        self.cdp("Input.insertText", text=text)

    # -- devices
    def emulate(self, width, height, scale=1, mobile=False, touch=False):
        """Makes the page's viewport a device's: `width` x `height` CSS pixels
        at `scale` device pixels each, as a phone (`mobile`) or not, with a
        touch screen (coarse pointer) or not."""
        self.cdp("Emulation.setDeviceMetricsOverride", width=width, height=height,
                 deviceScaleFactor=scale, mobile=mobile)
        self.cdp("Emulation.setTouchEmulationEnabled", enabled=touch, maxTouchPoints=5 if touch else 1)

    def touch(self, kind, *spots):
        """One touch event ('touchStart', 'touchMove', 'touchEnd') of one
        finger at each CSS position in `spots`."""
        self.cdp("Input.dispatchTouchEvent", type=kind, touchPoints=[
            {"x": cx, "y": cy, "id": 0, "radiusX": 2, "radiusY": 2, "force": 1} for cx, cy in spots])

    def stroke(self, path, hold=0.05):
        """A finger put down at the first CSS position of `path`, held `hold`
        seconds (a tap's is brief), moved along the rest, then stopped before it lifts: a drag
        that ends moving is a fling, and the browser takes the next tap as
        the one that stops it."""
        self.touch("touchStart", path[0])
        time.sleep(hold)
        for spot in path[1:]:
            self.touch("touchMove", spot)
        if len(path) > 1:
            time.sleep(0.15)
            self.touch("touchMove", path[-1])
        self.touch("touchEnd")

    def shown_as_canvas(self, page, k):
        """Whether the device pixels the browser shows over the canvas are the
        canvas's pixels, each exactly k x k: None if so, else the first device
        pixel (x, y) from the canvas's corner that is not."""
        left, top, width, height = page.box("#view")
        scroll = page.script("return [scrollX, scrollY]")
        shot = self.cdp("Page.captureScreenshot", format="png", clip=dict(
            x=scroll[0] + left, y=scroll[1] + top, width=width, height=height, scale=1))["data"]
        # Decoded by the browser's own image decoder, in a canvas of the test's.
        return page.script("""
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


class Mouse(PageSurface):
    """Chromium with a mouse and a keyboard."""

    name = "chromium"
    engine_class = Chromium
    random_scenes = 4


class Trackpad(Mouse):
    """A mouse with no middle button: Alt and the left button drag, or the
    on-screen Move and the left button."""

    name = "trackpad"
    random_scenes = 2
    every_answer = False

    def move(self, start, end, latch=False):
        if latch:  # a Chromebook's way: its system makes Alt + click a right click
            return super().move(start, end, latch)
        with self.page.holding("Alt"):
            self.page.drag(0, start, [end])


class Phone(Mouse):
    """A phone: touch only, the on-screen keys, the page at the device's
    size and scale. The menu opens by a long press low on the canvas, so
    that its entries lie over the on-screen keys."""

    name = "phone"
    device = dict(width=360, height=740, scale=3, mobile=True, touch=True)
    random_scenes = 2
    every_answer = False
    menu_over_controls = True
    types_any_key = False

    def __init__(self, *args, **options):
        super().__init__(*args, **options)
        self.offsets = {}  # entry -> its centre's offset from the press that opened the menu

    def prepare(self):
        self.engine.emulate(**self.device)

    def spot(self, x, y):
        """Where canvas pixel (x, y) is, the canvas scrolled into view first
        as a person would. Positions of a finger or a pen arrive in fractions
        of a CSS pixel, and the canvas may be shown at less than one CSS pixel
        per window pixel: the centre of the pixel is aimed at."""
        self.into_view("#view")
        return self.page.client(x, y)

    def into_view(self, selector):
        self.page.script("const e = document.querySelector(arguments[0]), r = e.getBoundingClientRect();"
                         "if (r.top < 0 || r.bottom > innerHeight) e.scrollIntoView({block: 'nearest'});",
                         selector)

    def stroke(self, path, hold=0.05):
        self.engine.stroke(path, hold)

    def tap_control(self, selector):
        self.into_view(selector)
        self.stroke([self.page.centre(selector)])

    def place(self, x, y):
        self.stroke([self.spot(x, y)])

    def delete(self, x, y):
        self.tap_control("#key-shift")
        self.place(x, y)

    def move(self, start, end, latch=False):
        """Down at `start`, through the middle to `end`, stopped there before
        the lift (a drag lifted while moving is a fling)."""
        if latch:
            self.tap_control("#key-move")
        middle = ((start[0] + end[0]) // 2, (start[1] + end[1]) // 2)
        # Latched, a finger may rest before it moves: a long press then
        # would open the menu, but for the latch.
        self.stroke([self.spot(*p) for p in (start, middle, end)], hold=0.7 if latch else 0.05)

    def menu(self, entry, over_controls=False):
        """Opens the menu by a long press and taps the entry. The press is
        high on the canvas, or with `over_controls` placed so that the chosen
        entry lies over the on-screen key t, as far as the canvas allows (the
        entries' offsets from the press are those of the last menu opened)."""
        target = self.page.centre("#key-t") if over_controls else self.page.client(250, 40)
        dx, dy = self.offsets.get(entry, (0, 0))
        press = [min(max(v, 0), SIZE - 1) for v in self.page.pixel(target[0] - dx, target[1] - dy)]
        at = self.spot(*press)
        self.stroke([at], hold=0.7)
        wait_until(lambda: self.page.menu_labels()[1], 5, "the menu to open")
        for k in range(3):
            spot = self.page.centre("#menu > li:nth-child(%d)" % (k + 1))
            self.offsets[k] = (spot[0] - at[0], spot[1] - at[1])
        spot = self.page.centre("#menu > li:nth-child(%d)" % (entry + 1))
        below = self.page.script(
            "const m = document.getElementById('menu');"
            "const e = document.elementsFromPoint(arguments[0], arguments[1]).find(e => !m.contains(e));"
            "return e && e.closest('button') ? e.closest('button').id : null;", *spot)
        self.stroke([spot])
        return below

    def key(self, ch):
        if ch not in "ctn":
            raise ValueError("%s has no key %r on screen" % (self.name, ch))
        self.tap_control("#key-" + ch)


class Tablet(Phone):
    """A tablet with a pen only: pen taps, pen drags, a long pen press."""

    name = "tablet"
    device = dict(width=820, height=1180, scale=2, mobile=True, touch=True)

    def stroke(self, path, hold=0.05):
        def pen(kind, spot, buttons):
            self.engine.pointer(kind, *spot, 0, buttons, (), pointerType="pen", force=0.5)
        pen("move", path[0], 0)
        pen("down", path[0], 1)
        time.sleep(hold)
        for spot in path[1:]:
            pen("move", spot, 1)
        pen("up", path[-1], 0)


class Keyboard(Mouse):
    """The keyboard alone: Tab to the canvas, arrows move the page's cursor
    (with Control by ten pixels), Enter places, Shift + Enter deletes, Space
    picks up and drops a point, Shift + F10 opens the menu; Tab to the entry
    field, where the answer is typed key by key."""

    name = "keyboard"
    random_scenes = 2
    every_answer = False
    latches_move = False

    def start(self):
        super().start()
        self.page.script("document.activeElement.blur()")
        self.focus("view")

    def focus(self, element_id, backward=False):
        """Tabs (backward: Shift + Tab) until `element_id` has the focus."""
        for _ in range(12):
            if self.page.script("return document.activeElement.id") == element_id:
                return
            self.page.tap_key("Tab", "Shift" if backward else None)
        raise AssertionError("keyboard: Tab does not reach #" + element_id)

    def goto(self, x, y):
        self.focus("view", backward=True)
        at = self.page.pixel(*self.page.centre("#cursor"))
        for axis, target, less, more in ((0, x, "ArrowLeft", "ArrowRight"), (1, y, "ArrowUp", "ArrowDown")):
            gap = target - at[axis]
            name = more if gap > 0 else less
            with self.page.holding("Control" if abs(gap) >= 10 else None):
                for _ in range(abs(gap) // 10):
                    self.page.tap_key(name)
            for _ in range(abs(gap) % 10):
                self.page.tap_key(name)
        got = self.page.pixel(*self.page.centre("#cursor"))
        if got != (x, y):
            raise AssertionError("keyboard: the cursor is at %r, not at %r" % (got, (x, y)))

    def place(self, x, y):
        self.goto(x, y)
        self.page.tap_key("Enter")

    def delete(self, x, y):
        self.goto(x, y)
        self.page.tap_key("Enter", "Shift")

    def move(self, start, end, latch=False):
        if latch:
            raise ValueError("the keyboard has no left button to drag with Move latched")
        self.goto(*start)
        self.page.tap_key(" ")
        self.goto(*end)
        self.page.tap_key(" ")

    def menu(self, entry, over_controls=False):
        self.focus("view", backward=True)
        self.page.tap_key("F10", "Shift")
        for _ in range(entry):
            self.page.tap_key("ArrowDown")
        self.page.tap_key("Enter")

    def key(self, ch):
        self.focus("view", backward=True)
        self.page.type_text(ch)

    def answer(self, line):
        self.focus("entry")
        self.page.type_text(line + "\n")
