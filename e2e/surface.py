"""A surface: one way a person meets the editor, spoken to in the toolkit's
own verbs. The scenes (scenes.py) use these verbs and nothing else, so every
surface passes the same scenes with the same pixels and texts.

Positions are window (canvas) pixels, y down from the top, as the toolkit
gives them; the editor's points have y up from the bottom. What a surface
can do is told by its attributes, never by its name; a scene step that a
surface cannot do is skipped with the reason, never passed unchecked.

This module holds the interface and the desktop window's surface; the
browsers' surfaces are in browser.py, chromium.py, webkit.py and firefox.py,
and surfaces.py maps each name to one.
"""

import os
import platform
import subprocess
import tempfile
import threading

from . import harness
from .harness import SIZE, wait_until


class Surface:
    """The verbs every surface implements:

    start()                  a fresh program with no points, its first frame drawn
    stop()
    place(x, y), delete(x, y)
    move(start, end, latch=False)
                             a middle drag; with `latch` made with the page's
                             on-screen Move where the surface has one
    menu(entry, over_controls=False)
                             chooses `entry` (from 0); with `over_controls`,
                             opens the menu where the entry lies over a control
                             of the page, where the surface can, and returns the
                             id of the control beneath the entry, or None
    key(ch), answer(line)    a key at the window; a line for the dialogue
    paste(text)              `text` given to the terminal at once, several lines
    title(), console(), menu_labels()
    frame(settled=True)      the 500 x 500 pixels as a harness.Frame; with
                             `settled`, None while the surface has work in hand
                             (events not handled and drawn)
    """

    name = "?"
    # Seeded random scenes per Drawing run: the fast ways in draw more, the
    # slow ones (a finger's gestures, the keyboard's cursor, X events into
    # WebKit, BiDi round trips) fewer.
    random_scenes = 2
    # Whether the dialogue's every answer, awkward lines and pasted blocks
    # included, is tried here: once per engine, as the lines are read by the
    # same code whichever device typed them.
    every_answer = False
    # Whether the pop-up menu may open over controls of the page, so that a
    # choice could press them (touch and pen surfaces aim for that).
    menu_over_controls = False
    # Whether a drag can be made with the page's on-screen Move latched.
    latches_move = False
    # Whether any key can be typed at the window (not only c, t and n).
    types_any_key = True

    def check_clean(self):
        """Raises AssertionError for anything the surface saw go wrong
        (browser errors, policy violations)."""

    def beneath(self):
        """What a press that went astray would change outside the canvas
        (focus, scroll, a dialogue's entry field): compared around menu
        choices. None where nothing can."""
        return None

    def dialogue_waits(self, focused=True):
        """Whether the surface shows that a dialogue waits for a line (on a
        page, with the entry field `focused`), or None where it cannot tell."""
        return None

    # -- the one frame wait and console wait
    def wait_frame(self, lit, timeout=10):
        """Waits until the frame is exactly `lit` on black."""
        return harness.wait_frame(self.frame, lit, timeout, "%s (console ends %r)"
                                  % (self.name, self.console()[-40:]))

    def wait_console(self, want, timeout=10):
        """Waits until the console is exactly `want` (or what `want`, a
        function, accepts)."""
        return harness.wait_console(self.console, want, timeout, self.name)


# The desktop program's window and menu, as measured: the window's title;
# each menu entry k (from 0) is centred 14 + 25 k pixels below the press
# that opened the menu, the pointer a little right of the menu's border;
# the label's first character (the chosen kind's mark "o") lies in these
# columns of the menu's picture, and nothing else of an entry does.
TITLE = "Bezier"
MENU_FIRST_ENTRY, MENU_ENTRY_HEIGHT, MENU_INSET_X = 14, 25, 20
MARK_COLUMNS = range(4, 15)
LABEL_NAMES = ("Clear All", "Bezier", "Cubic B-Spline")


def drain(stream, into):
    """Appends what `stream` gives to `into` until it ends or is closed."""
    try:
        for chunk in iter(lambda: stream.read1(4096), b""):
            into.extend(chunk)
    except (OSError, ValueError):
        pass


class Window(Surface):
    """The real program in a real window on a private Xvfb display, real X
    events (XTEST, with xdotool), its standard input a pipe the answers are
    written to and its standard output captured. The window is found by its
    title and moved to (0, 0), so that window and screen positions agree.
    `prefix` runs the program under another (a memory checker)."""

    name = "window"
    random_scenes = 4
    every_answer = True
    # Set while a window manager runs: it places and sizes the window, and a
    # tiling one keeps it larger than the pin, the drawing in its bottom-left
    # 500 x 500. Positions stay the drawing's: the pointer goes lower by the
    # rows the window has above the drawing, and a frame is the drawing's part.
    managed = False

    def __init__(self, binary=None, prefix=(), workdir=None, env=None):
        super().__init__()
        self.binary = binary or os.environ.get("BEZIER_BINARY")
        if not self.binary or not os.path.exists(self.binary):
            raise RuntimeError("set BEZIER_BINARY to the built program (ctest does this)")
        self.prefix, self.env = list(prefix), env or {}
        self.workdir = workdir or harness.ARTIFACTS or tempfile.mkdtemp(prefix="bezier-e2e-")
        os.makedirs(self.workdir, exist_ok=True)
        self.server = harness.XServer(self.workdir)
        self.proc = self.window = None

    # -- life
    def start(self, args=(), env=None):
        """The program afresh, with `args` on its command line and `env` in
        its environment."""
        self.kill()
        self.others = self.server.visible_windows()
        self.stderr_path = os.path.join(self.workdir, "bezier-%d.stderr" % os.getpid())
        self.out = bytearray()
        with open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen(
                self.prefix + [self.binary] + list(args), env=dict(self.server.env, **self.env, **(env or {})),
                stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=err, start_new_session=True)
        # Drained all along, so the program never blocks on a full pipe.
        self.drain = threading.Thread(target=drain, args=(self.proc.stdout, self.out), daemon=True)
        self.drain.start()
        try:
            self.window = wait_until(self._find_window, 20, "the window")
            if not self.managed:
                # The window is placed at (-1, -1) when no window manager runs.
                self.xdo("windowmove", self.window, 0, 0)
                wait_until(lambda: self.geometry() == (0, 0, SIZE, SIZE), 10, "the window at (0, 0), 500 x 500")
        except Exception:
            self.kill()
            raise

    def _find_window(self):
        if self.proc.poll() is not None:
            raise RuntimeError("the program exited (%d) before showing a window: %s"
                               % (self.proc.returncode, self.stderr()))
        out = self.server.run("xdotool", "search", "--onlyvisible", "--name", "^%s$" % TITLE, check=False)
        found = [int(w) for w in out.split() if int(w) not in self.others]
        return found[0] if found else None

    def kill(self):
        """Ends the program if it still runs, and waits until its window is
        gone, so that the next program's window is not mistaken for it."""
        if self.proc is None:
            return
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.drain.join(harness.scaled(5))
        for stream in (self.proc.stdin, self.proc.stdout):
            try:
                stream.close()
            except (OSError, ValueError):
                pass
        window, self.proc, self.window = self.window, None, None
        if window is not None:
            wait_until(lambda: window not in self.server.visible_windows(), 5, "the window of an ended program to go")

    def stop(self):
        self.kill()
        self.server.stop()

    def close_window(self):
        """Asks the program to close its window the way a window manager does
        when the user clicks the close button: a WM_DELETE_WINDOW message."""
        harness.send_delete_window(self.server.display, self.window)

    def wait_exit(self, timeout=10):
        try:
            status = self.proc.wait(timeout=harness.scaled(timeout))
        except subprocess.TimeoutExpired:
            return None
        self.drain.join(harness.scaled(5))  # the last output, flushed at the exit
        return status

    # -- input; xdotool's pointer moves are relative to the window
    def xdo(self, *args):
        self.server.xdo(*args)

    def at(self, x, y):
        below = self.geometry()[3] - SIZE if self.managed else 0
        return ("mousemove", "--window", self.window, x, y + below)

    def place(self, x, y):
        self.xdo(*self.at(x, y), "click", 1)

    def delete(self, x, y):
        """A left click with Shift held through the release."""
        self.xdo(*self.at(x, y), "keydown", "shift", "click", 1, "keyup", "shift")

    def move(self, start, end, via=(), latch=False):
        """A middle drag from `start` through `via` to `end` (there is no
        Move to latch: the window has a middle button)."""
        self.xdo(*self.at(*start), "mousedown", 2, *[a for spot in (*via, end) for a in self.at(*spot)],
                 "mouseup", 2)

    def key(self, ch, x=250, y=250):
        """Types one key; keys reach the window only with the pointer over it."""
        self.xdo(*self.at(x, y), "key", ch)

    def _menus(self):
        """Mapped top-level windows of the program other than its main one:
        the pop-up menu while it is open."""
        return self.server.visible_windows() - self.others - {self.window}

    def _open_menu(self, x, y):
        # The menu of an earlier choice may still be on its way down; a press
        # now would find it mapped and the wait below would prove nothing.
        wait_until(lambda: not self._menus(), 5, "the last menu to close")
        self.xdo(*self.at(x, y), "mousedown", 3)
        # Moving on before the menu is mapped would send the motion to the
        # main window, and the menu would choose nothing.
        wait_until(self._menus, 5, "the pop-up menu")

    def menu(self, entry, over_controls=False, x=60, y=60):
        """Right press at (x, y), a move onto the entry, the release there."""
        self._open_menu(x, y)
        self.xdo(*self.at(x + MENU_INSET_X, y + MENU_FIRST_ENTRY + MENU_ENTRY_HEIGHT * entry), "mouseup", 3)

    def answer(self, line):
        self.paste(line + "\n")

    def paste(self, text):
        self.proc.stdin.write(text.encode())
        self.proc.stdin.flush()

    def resize(self, width, height):
        self.xdo("windowsize", self.window, width, height)

    # -- output
    def title(self):
        return self.server.run("xdotool", "getwindowname", self.window).strip()

    def geometry(self):
        """(x, y, width, height) of the window on the screen."""
        info = self.server.run("xwininfo", "-id", self.window)
        fields = dict(line.strip().split(":", 1) for line in info.splitlines() if ":" in line)
        return tuple(int(fields[name]) for name in ("Absolute upper-left X", "Absolute upper-left Y",
                                                     "Width", "Height"))

    def frame(self, settled=True):
        shot = self.server.capture(self.window)
        return shot.bottom_left(SIZE) if shot and self.managed else shot

    def console(self):
        return bytes(self.out).decode(errors="replace")

    def dialogue_waits(self, focused=True):
        """Whether the program sleeps in a read of its standard input, as
        the kernel tells (/proc/PID/syscall: the call's number, then its
        first argument, the file descriptor); None where it does not tell."""
        read = {"x86_64": "0", "aarch64": "63"}.get(platform.machine())
        try:
            with open("/proc/%d/syscall" % self.proc.pid) as f:
                call = f.read().split()[:2]
        except OSError:
            return None
        return None if read is None or not call else call == [read, "0x0"]

    def stderr(self):
        return harness.read_text(self.stderr_path)

    def menu_labels(self):
        """The labels as the menu's picture shows them: the picture cannot be
        read as text, but which entry carries the mark can be: its first
        character's columns hold the only text there."""
        self._open_menu(60, 60)
        self.xdo(*self.at(60 + MENU_INSET_X, 60 + MENU_FIRST_ENTRY))
        (menu,) = self._menus()
        last = [None]

        def settled():  # painted and holding still: two reads alike, not blank
            shot = self.server.capture(menu)
            same = shot is not None and shot == last[0] and any(shot.red + shot.green + shot.blue)
            last[0] = shot
            return shot if same else None
        shot = wait_until(settled, 5, "the menu to be painted", interval=0.05)
        # Released off the menu it stays open; a click off it closes it and
        # goes no further.
        self.xdo(*self.at(30, 30), "mouseup", 3, "click", 1)
        wait_until(lambda: not self._menus(), 5, "the menu to close")
        labels = []
        for k, name in enumerate(LABEL_NAMES):
            top = MENU_FIRST_ENTRY + MENU_ENTRY_HEIGHT * k - 8
            colours = {shot.pixel(c, r) for c in MARK_COLUMNS for r in range(top, top + 17)}
            labels.append(("o " if len(colours) > 1 else "   ") + name)
        return labels
