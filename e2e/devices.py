"""The browser surfaces that are other devices in Chromium: a trackpad (a
mouse with no middle button), a phone and a tablet (touch or pen only, on
the page's on-screen keys) and a keyboard with no pointer at all."""

import time

import browser
from harness import SIZE, wait_until


class Trackpad(browser.PageSurface):
    """A mouse with no middle button: Alt and the left button drag."""

    name = "trackpad"

    def move(self, start, end):
        self.page.key_down("Alt")
        try:
            self.page.drag(0, start, [end])
        finally:
            self.page.key_up("Alt")


class Phone(browser.PageSurface):
    """A phone: touch only, the on-screen keys, the page at the device's
    size and scale. The menu opens by a long press low on the canvas, so
    that its entries lie over the on-screen keys."""

    name = "phone"
    device = dict(width=360, height=740, scale=3, mobile=True, touch=True)
    menu_over_controls = True

    def __init__(self):
        super().__init__()
        self.offsets = {}  # entry -> its centre's offset from the press that opened the menu

    def prepare(self):
        self.page.emulate(**self.device)

    def client(self, x, y):
        """The CSS position of the centre of canvas pixel (x, y): positions
        of a finger or a pen arrive in fractions of a CSS pixel, and the
        canvas may be shown at less than one CSS pixel per window pixel. The
        canvas is scrolled into view first, as a person would."""
        self.into_view("#view")
        left, top, width, height = self.page.canvas_box()
        return left + (x + 0.5) * width / SIZE, top + (y + 0.5) * height / SIZE

    def into_view(self, selector):
        self.page.script("const e = document.querySelector(arguments[0]), r = e.getBoundingClientRect();"
                         "if (r.top < 0 || r.bottom > innerHeight) e.scrollIntoView({block: 'nearest'});",
                         selector)

    def tap_at(self, cx, cy):
        """A tap at a CSS position (a control, a menu entry, the canvas)."""
        self.page.tap_client(cx, cy)

    def tap_control(self, selector):
        self.into_view(selector)
        self.tap_at(*self.page.element_centre(selector))

    def place(self, x, y):
        self.tap_at(*self.client(x, y))

    def delete(self, x, y):
        self.tap_control("#shift-key")
        self.place(x, y)

    def stroke(self, kind, spot):
        self.page.touch({"down": "touchStart", "move": "touchMove"}[kind], [(0, None, spot)])

    def lift(self, spot):
        self.page.touch("touchEnd", [])

    def move(self, start, end):
        """Down at `start`, through the middle to `end`, stopped there before
        the lift (a drag lifted while moving is a fling)."""
        middle = ((start[0] + end[0]) // 2, (start[1] + end[1]) // 2)
        self.stroke("down", self.client(*start))
        for spot in (middle, end):
            self.stroke("move", self.client(*spot))
        time.sleep(0.15)
        self.stroke("move", self.client(*end))
        self.lift(self.client(*end))

    def long_press(self, x, y):
        spot = self.client(x, y)
        self.stroke("down", spot)
        time.sleep(0.7)
        self.lift(spot)

    def menu(self, entry, over_controls=False):
        """Opens the menu by a long press and taps the entry. The press is
        high on the canvas, or with `over_controls` placed so that the chosen
        entry lies over the on-screen key t, as far as the canvas allows (the
        entries' offsets from the press are those of the last menu opened)."""
        target = self.page.element_centre("#key-t") if over_controls else self.page.client(250, 40)
        left, top, width, height = self.page.canvas_box()
        dx, dy = self.offsets.get(entry, (0, 0))
        press = [min(max(int((target[0] - dx - left) * SIZE / width), 0), SIZE - 1),
                 min(max(int((target[1] - dy - top) * SIZE / height), 0), SIZE - 1)]
        press_client = self.client(*press)
        self.long_press(*press)
        wait_until(lambda: self.page.menu_labels()[1], 5, "the menu to open")
        for k in range(3):
            spot = self.page.element_centre("#menu > li:nth-child(%d)" % (k + 1))
            self.offsets[k] = (spot[0] - press_client[0], spot[1] - press_client[1])
        spot = self.page.element_centre("#menu > li:nth-child(%d)" % (entry + 1))
        below = self.page.script(
            "const m = document.getElementById('menu');"
            "const e = document.elementsFromPoint(arguments[0], arguments[1]).find(e => !m.contains(e));"
            "return e && e.closest('button') ? e.closest('button').id : null;", *spot)
        self.tap_at(*spot)
        return below

    def key(self, ch):
        if ch not in "ctn":
            return self.cannot("type keys other than c, t and n", "the on-screen keys are those")
        self.tap_control("#key-" + ch)
        return True


class Tablet(Phone):
    """A tablet with a pen only: pen taps, pen drags, a long pen press."""

    name = "tablet"
    device = dict(width=820, height=1180, scale=2, mobile=True, touch=True)

    def pen(self, kind, spot, buttons):
        self.page.cdp("Input.dispatchMouseEvent", type=kind, x=spot[0], y=spot[1], pointerType="pen",
                      buttons=buttons, force=0.5, **({} if kind == "mouseMoved" else
                                                       {"button": "left", "clickCount": 1}))

    def tap_at(self, cx, cy):
        self.pen("mouseMoved", (cx, cy), 0)
        self.stroke("down", (cx, cy))
        self.lift((cx, cy))

    def stroke(self, kind, spot):
        self.pen("mousePressed" if kind == "down" else "mouseMoved", spot, 1)

    def lift(self, spot):
        self.pen("mouseReleased", spot, 0)


class Keyboard(browser.PageSurface):
    """The keyboard alone: Tab to the canvas, arrows move the page's cursor
    (with Control by ten pixels), Enter places, Shift + Enter deletes, Space
    picks up and drops a point, Shift + F10 opens the menu; Tab to the entry
    field, where the answer is typed key by key."""

    name = "keyboard"

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

    def cursor(self):
        return self.page.script("""
            const c = document.getElementById('cursor'), v = document.getElementById('view');
            const a = c.getBoundingClientRect(), b = v.getBoundingClientRect();
            return [Math.floor((a.left + a.width / 2 - b.left) * 500 / b.width),
                    Math.floor((a.top + a.height / 2 - b.top) * 500 / b.height)];""")

    def goto(self, x, y):
        self.focus("view", backward=True)
        at = self.cursor()
        for axis, target, less, more in ((0, x, "ArrowLeft", "ArrowRight"), (1, y, "ArrowUp", "ArrowDown")):
            gap = target - at[axis]
            name = more if gap > 0 else less
            if abs(gap) >= 10:
                self.page.key_down("Control")
                for _ in range(abs(gap) // 10):
                    self.page.tap_key(name)
                self.page.key_up("Control")
            for _ in range(abs(gap) % 10):
                self.page.tap_key(name)
        got = self.cursor()
        if got != [x, y]:
            raise AssertionError("keyboard: the cursor is at %r, not at %r" % (got, [x, y]))

    def place(self, x, y):
        self.goto(x, y)
        self.page.tap_key("Enter")

    def delete(self, x, y):
        self.goto(x, y)
        self.page.tap_key("Enter", "Shift")

    def move(self, start, end):
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
