"""A surface: one way a person meets the editor, spoken to in the toolkit's
own verbs. The scenes (scenes.py) use these verbs and nothing else, so every
surface passes the same scenes with the same pixels and texts.

Positions are window (canvas) pixels, y down from the top, as the toolkit
gives them; the editor's points have y up from the bottom. A surface that
cannot do a verb says so once (`cannot`) and the verb returns False; the
scene goes on without that step.

This module holds the interface and the desktop window's surface; the
browsers' surfaces are in browser.py, devices.py, webkit.py and firefox.py,
and surfaces.py maps each name to one.
"""

import os
import sys
import tempfile

import harness
from harness import wait_until


class Surface:
    """The verbs. Subclasses implement the ones marked abstract."""

    name = "?"
    # Whether the pop-up menu may open over controls of the page, so that a
    # choice could press them (touch and pen surfaces aim for that).
    menu_over_controls = False

    def __init__(self):
        self._said = set()

    def cannot(self, verb, why):
        """Says once that this surface cannot do `verb`; returns False."""
        if verb not in self._said:
            self._said.add(verb)
            print("surface %s cannot %s: %s" % (self.name, verb, why), file=sys.stderr, flush=True)
        return False

    # -- life
    def start(self):
        """A fresh program with no points, its first frame drawn."""
        raise NotImplementedError

    def stop(self):
        raise NotImplementedError

    def check_clean(self):
        """Raises AssertionError for anything the surface saw go wrong
        (browser errors, policy violations)."""

    # -- input
    def place(self, x, y):
        raise NotImplementedError

    def delete(self, x, y):
        raise NotImplementedError

    def move(self, start, end):
        raise NotImplementedError

    def menu(self, entry, over_controls=False):
        """Chooses `entry` (from 0). With `over_controls`, opens the menu
        where the entry lies over a control of the page, where the surface
        can; returns the id of the control beneath the entry, or None."""
        raise NotImplementedError

    def key(self, ch):
        raise NotImplementedError

    def answer(self, line):
        raise NotImplementedError

    # -- output
    def title(self):
        raise NotImplementedError

    def frame(self, settled=True):
        """The 500 x 500 pixels as a harness.Frame; with `settled`, None
        while the surface has work in hand (events not handled and drawn)."""
        raise NotImplementedError

    def console(self):
        raise NotImplementedError

    def menu_labels(self):
        raise NotImplementedError

    def beneath(self):
        """What a press that went astray would change outside the canvas
        (focus, scroll, a dialogue's entry field): compared around menu
        choices. None where nothing can."""
        return None

    def dialogue_waits(self):
        """Whether the surface shows that a dialogue waits for a line, or
        None where it shows nothing."""
        return None

    # -- shared waits
    def wait_frame(self, lit, timeout=10):
        """Waits until the frame is exactly `lit` on black."""
        want = harness.Frame.expected(lit)
        return harness.await_value(self.frame, want, timeout, lambda last: "%s: frame differs: %s (console: %r)"
                                   % (self.name, last.diff(want) if last else "none", self.console()[-40:]))

    def wait_console(self, text, timeout=10):
        return harness.await_value(self.console, text, timeout, lambda last: "%s: console shows %r, not %r"
                                   % (self.name, last, text), interval=0.02)


# The desktop program's menu, as measured: the label's first character (the
# chosen kind's mark "o") lies in these columns of the menu's picture, and
# nothing else of an entry does.
MARK_COLUMNS = range(4, 15)
LABEL_NAMES = ("Clear All", "Bezier", "Cubic B-Spline")


class Window(Surface):
    """The real program in a real window under Xvfb, real X events; answers
    go to its standard input."""

    name = "window"

    def __init__(self):
        super().__init__()
        self.binary = os.environ.get("BEZIER_BINARY")
        if not self.binary or not os.path.exists(self.binary):
            raise RuntimeError("set BEZIER_BINARY to the built program (ctest does this)")
        self.workdir = os.environ.get("E2E_ARTIFACTS") or tempfile.mkdtemp(prefix="bezier-e2e-")
        os.makedirs(self.workdir, exist_ok=True)
        self.server = harness.XServer(self.workdir)
        self.app = None

    def start(self):
        if self.app is not None:
            self.app.kill()
        self.app = harness.App(self.server, self.binary, workdir=self.workdir)

    def stop(self):
        if self.app is not None:
            self.app.kill()
        self.server.stop()

    def place(self, x, y):
        self.app.click(x, y)

    def delete(self, x, y):
        self.app.shift_click(x, y)

    def move(self, start, end):
        self.app.drag(2, start, [end])

    def menu(self, entry, over_controls=False):
        self.app.menu(entry)

    def key(self, ch):
        self.app.key(ch)

    def answer(self, line):
        self.app.type_line(line)

    def title(self):
        return self.server.run("xdotool", "getwindowname", str(self.app.window)).strip()

    def frame(self, settled=True):
        return self.app.capture_if_readable()

    def console(self):
        return self.app.stdout()

    def menu_labels(self):
        """The labels as the menu's picture shows them: the picture cannot be
        read as text, but which entry carries the mark can be: its first
        character's columns hold the only text there."""
        app = self.app
        app._open_menu(60, 60, release=False)
        app.xdo("mousemove", "--window", app.window, 60 + harness.MENU_INSET_X, 60 + harness.MENU_FIRST_ENTRY)
        shot = app._menu_picture()
        # Released off the menu it stays open; a click off it closes it and
        # goes no further.
        app.xdo("mousemove", "--window", app.window, 30, 30, "mouseup", "3", "click", "1")
        wait_until(lambda: not app._menu_windows(), 5, "the menu to close")
        labels = []
        for k, name in enumerate(LABEL_NAMES):
            top = harness.MENU_FIRST_ENTRY + harness.MENU_ENTRY_HEIGHT * k - 8
            colours = {shot.pixel(c, r) for c in MARK_COLUMNS for r in range(top, top + 17)}
            labels.append(("o " if len(colours) > 1 else "   ") + name)
        return labels
