"""Drives the real editor in a real window and reads back its pixels.

A private Xvfb server (Mesa's software OpenGL renders into it), the program
started with its standard input on a pipe and its standard output captured,
real pointer and key events sent through XTEST with xdotool, and the window
read back with xwd. Expected frames come from frame_oracle, which runs the
project's own frame composition against the recording fake, so a frame
comparison proves the path from events to pixels.

Standard library only. Other checks (a memory-checker run, an installed
package) reuse it: App takes a command prefix, and every timeout is
multiplied by E2E_TIME_SCALE.
"""

import ctypes
import ctypes.util
import os
import select
import shutil
import struct
import subprocess
import tempfile
import threading
import time
import zlib

SIZE = 500  # the window is pinned to 500 x 500 pixels
LIT = (128, 64, 255)  # the only colour the editor ever draws with
TITLE = "Bezier"

# Each menu entry k (from 0) is centred this far below the press that opened
# the menu; the pointer must also be a little right of the menu's border.
MENU_FIRST_ENTRY = 14
MENU_ENTRY_HEIGHT = 25
MENU_INSET_X = 20

TIME_SCALE = float(os.environ.get("E2E_TIME_SCALE", "1"))

REQUIRED_TOOLS = ("Xvfb", "xdotool", "xwd", "xwininfo")


def scaled(seconds):
    return seconds * TIME_SCALE


def wait_until(predicate, timeout, what, interval=0.02):
    """Polls predicate until it returns a true value, which is returned.
    Raises TimeoutError naming `what` after `timeout` (scaled) seconds."""
    deadline = time.monotonic() + scaled(timeout)
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError("timed out waiting for " + what)
        time.sleep(interval)


def await_value(read, want, timeout, failed, interval=0.05):
    """Polls `read()` (None: nothing to be read yet) until it gives `want`,
    and returns that. On time-out raises AssertionError with the text
    `failed(the last value read, or None)`."""
    last = [None]

    def matches():
        got = read()
        last[0] = last[0] if got is None else got
        return got == want
    try:
        wait_until(matches, timeout, "a value", interval)
    except TimeoutError:
        raise AssertionError(failed(last[0])) from None
    return last[0]


def end(proc, timeout=5):
    """Asks `proc` to end, and kills it if it has not within `timeout` seconds."""
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def read_text(path):
    """The text in the file at `path`, or "" if there is none."""
    try:
        with open(path, "r", errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def check_tools():
    """Raises RuntimeError naming every missing program the suite needs."""
    missing = [t for t in REQUIRED_TOOLS if shutil.which(t) is None]
    if missing:
        raise RuntimeError("missing programs: " + ", ".join(missing) +
                           " (install xvfb, xdotool, x11-apps, x11-utils)")


# ---------------------------------------------------------------- display


class XServer:
    """A private Xvfb server on the first free display number (-displayfd),
    its own output sent to a log file so nothing waits on it."""

    def __init__(self, workdir):
        check_tools()
        self.log_path = os.path.join(workdir, "xvfb.log")
        read_end, write_end = os.pipe()
        with open(self.log_path, "wb") as log:
            self.proc = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                 "1024x768x24", "-nolisten", "tcp", "-noreset"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                pass_fds=(write_end,), start_new_session=True)
        os.close(write_end)
        try:
            number = self._read_display(read_end)
        finally:
            os.close(read_end)
        self.display = ":" + number
        self.env = dict(os.environ, DISPLAY=self.display,
                        LIBGL_ALWAYS_SOFTWARE="1", GALLIUM_DRIVER="llvmpipe")
        self.env.pop("WAYLAND_DISPLAY", None)

    def _read_display(self, fd):
        text = b""
        deadline = time.monotonic() + scaled(15)
        while not text.endswith(b"\n"):
            left = deadline - time.monotonic()
            ready = select.select([fd], [], [], max(left, 0))[0] if left > 0 else []
            chunk = os.read(fd, 64) if ready else b""
            if not chunk:
                self.stop()
                raise RuntimeError("Xvfb did not report a display: " + self.log())
            text += chunk
        return text.decode().strip()

    def log(self):
        return read_text(self.log_path)

    def run(self, *args, check=True, timeout=10):
        """Runs an X client (xdotool, xwininfo, ...) on this display and
        returns its standard output as text."""
        done = subprocess.run(list(args), env=self.env, capture_output=True,
                              timeout=scaled(timeout), stdin=subprocess.DEVNULL)
        if check and done.returncode != 0:
            raise RuntimeError("%s failed (%d): %s" % (" ".join(args), done.returncode,
                                                        done.stderr.decode(errors="replace")))
        return done.stdout.decode(errors="replace")

    def visible_windows(self):
        """Ids of the mapped top-level windows (the root itself excluded)."""
        out = self.run("xdotool", "search", "--onlyvisible", "--maxdepth", "1",
                       "--name", "", check=False)
        return {int(w) for w in out.split()} - {self.root()}

    def root(self):
        if not hasattr(self, "_root"):
            out = self.run("xwininfo", "-root")
            self._root = int(out.split("Window id:")[1].split()[0], 16)
        return self._root

    def stop(self):
        end(self.proc)


# ---------------------------------------------------------------- frames


class Frame:
    """A 500 x 500 picture as three planes of bytes (red, green, blue), row 0
    at the top as on screen."""

    def __init__(self, width, height, red, green, blue):
        self.width, self.height = width, height
        self.red, self.green, self.blue = bytes(red), bytes(green), bytes(blue)

    @classmethod
    def expected(cls, lit):
        """Black with exactly the pixels in `lit` (column, row) in the
        editor's colour."""
        planes = [bytearray(SIZE * SIZE) for _ in range(3)]
        for col, row in lit:
            for plane, value in zip(planes, LIT):
                plane[row * SIZE + col] = value
        return cls(SIZE, SIZE, *planes)

    def pixel(self, col, row):
        i = row * self.width + col
        return (self.red[i], self.green[i], self.blue[i])

    def lit(self):
        """Every pixel that is not black, as (column, row)."""
        return {(i % self.width, i // self.width)
                for plane in (self.red, self.green, self.blue)
                for i, v in enumerate(plane) if v}

    def __repr__(self):
        return "Frame(%dx%d, %d pixels lit)" % (self.width, self.height, len(self.lit()))

    def __eq__(self, other):
        return (isinstance(other, Frame) and self.width == other.width and
                self.height == other.height and self.red == other.red and
                self.green == other.green and self.blue == other.blue)

    def diff(self, expected, limit=12):
        """Human-readable account of how this frame departs from `expected`:
        sizes, the count of differing pixels and the first few of them."""
        if (self.width, self.height) != (expected.width, expected.height):
            return "size %dx%d, expected %dx%d" % (self.width, self.height,
                                                   expected.width, expected.height)
        lines, count = [], 0
        for i in range(self.width * self.height):
            got = (self.red[i], self.green[i], self.blue[i])
            want = (expected.red[i], expected.green[i], expected.blue[i])
            if got != want:
                count += 1
                if len(lines) < limit:
                    lines.append("  (col %d, row %d): got %s, expected %s" %
                                 (i % self.width, i // self.width, got, want))
        return "%d pixels differ; first ones:\n%s" % (count, "\n".join(lines))

    def png(self, path):
        """Writes the frame as an 8-bit RGB PNG."""
        rows = bytearray()
        for r in range(self.height):
            rows.append(0)  # filter: none
            a = r * self.width
            for i in range(a, a + self.width):
                rows += bytes((self.red[i], self.green[i], self.blue[i]))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(bytes(rows), 9)))
            f.write(chunk(b"IEND", b""))


XWD_FIELDS = ("header_size file_version pixmap_format pixmap_depth pixmap_width "
              "pixmap_height xoffset byte_order bitmap_unit bitmap_bit_order "
              "bitmap_pad bits_per_pixel bytes_per_line visual_class red_mask "
              "green_mask blue_mask bits_per_rgb colormap_entries ncolors "
              "window_width window_height window_x window_y window_bdrwidth").split()


def parse_xwd(data):
    """Decodes a ZPixmap TrueColor dump from `xwd` into a Frame. Raises
    ValueError on anything else (or on a truncated file)."""
    if len(data) < 100:
        raise ValueError("xwd dump too short")
    h = dict(zip(XWD_FIELDS, struct.unpack(">25I", data[:100])))
    if h["file_version"] != 7 or h["pixmap_format"] != 2:
        raise ValueError("not a version-7 ZPixmap xwd dump")
    if h["visual_class"] not in (4, 5):  # TrueColor, DirectColor
        raise ValueError("unsupported visual class %d" % h["visual_class"])
    bpp = h["bits_per_pixel"]
    if bpp not in (24, 32):
        raise ValueError("unsupported %d bits per pixel" % bpp)
    width, height, stride = h["pixmap_width"], h["pixmap_height"], h["bytes_per_line"]
    offset = h["header_size"] + h["ncolors"] * 12
    image = data[offset:offset + stride * height]
    if len(image) < stride * height:
        raise ValueError("xwd dump truncated")
    step = bpp // 8
    little = h["byte_order"] == 0
    masks = (h["red_mask"], h["green_mask"], h["blue_mask"])
    planes = []
    for mask in masks:
        shift = (mask & -mask).bit_length() - 1
        if mask >> shift != 0xFF or shift % 8:
            raise ValueError("unsupported colour mask 0x%x" % mask)
        byte = shift // 8 if little else step - 1 - shift // 8
        plane = bytearray()
        for r in range(height):
            row = image[r * stride:r * stride + width * step]
            plane += row[byte::step]
        planes.append(plane)
    return Frame(width, height, *planes)


def marker_pixels(size, x, y):
    """Screen pixels (column, row) that a GL point of `size` 1 or 2 at window
    position (x, y) lights, as measured on llvmpipe: size 1 lights column x,
    row 499 - y; size 2 columns x - 1 and x, rows 499 - y and 500 - y.
    Pixels off the 500 x 500 window are dropped. Other sizes raise
    ValueError: the editor uses none, and none was measured."""
    if size == 1:
        cols, rows = (x,), (SIZE - 1 - y,)
    elif size == 2:
        cols, rows = (x - 1, x), (SIZE - 1 - y, SIZE - y)
    else:
        raise ValueError("no pixel rule for point size %r" % size)
    return {(c, r) for c in cols for r in rows if 0 <= c < SIZE and 0 <= r < SIZE}


def oracle_lit(oracle, kind, points, tolerance=5, steps=25):
    """The set of screen pixels the editor lights for a scene, from the
    project's own frame composition run by the oracle program. `points` are
    editor points (origin bottom-left)."""
    args = [oracle, kind, str(tolerance), str(steps)]
    for x, y in points:
        args += [str(x), str(y)]
    done = subprocess.run(args, capture_output=True, text=True, timeout=scaled(30))
    if done.returncode != 0:
        raise RuntimeError("frame_oracle failed (%d): %s" % (done.returncode, done.stderr))
    lit = set()
    for line in done.stdout.splitlines():
        size, x, y = line.split()
        lit |= marker_pixels(float(size), int(x), int(y))
    return lit


# ---------------------------------------------------------------- the program


class CaptureError(RuntimeError):
    """The window could not be read back."""


class _Output(threading.Thread):
    """Collects a stream into a growing byte buffer that can be waited on."""

    def __init__(self, stream):
        super().__init__(daemon=True)
        self.stream = stream
        self.data = b""
        self.closed = False
        self.cond = threading.Condition()

    def run(self):
        while True:
            chunk = self.stream.read1(4096)
            with self.cond:
                if not chunk:
                    self.closed = True
                    self.cond.notify_all()
                    return
                self.data += chunk
                self.cond.notify_all()

    def wait_for(self, predicate, timeout, what):
        deadline = time.monotonic() + scaled(timeout)
        with self.cond:
            while not predicate(self.data):
                left = deadline - time.monotonic()
                if left <= 0 or (self.closed and not predicate(self.data)):
                    raise TimeoutError("waiting for %s; output so far: %r" % (what, self.data))
                self.cond.wait(left)
            return self.data


class App:
    """The editor program running on `server`: standard input is a pipe the
    test writes, standard output is captured, the window is found by title
    and moved to (0, 0) so window and screen coordinates agree."""

    _launched = 0

    def __init__(self, server, binary, prefix=(), args=(), workdir=None, env=None):
        self.server = server
        App._launched += 1
        self.stderr_path = os.path.join(workdir or tempfile.gettempdir(),
                                        "bezier-%d-%d.stderr" % (os.getpid(), App._launched))
        # Windows of anything else on this display, to tell the program's own.
        self.others = before = server.visible_windows()
        with open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen(
                list(prefix) + [binary] + list(args), env=dict(server.env, **(env or {})),
                stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=err,
                start_new_session=True)
        self.out = _Output(self.proc.stdout)
        self.out.start()
        try:
            self.window = wait_until(lambda: self._find_window(before), 20, "the window")
            # The window is placed at (-1, -1) when no window manager runs.
            server.run("xdotool", "windowmove", str(self.window), "0", "0")
            wait_until(lambda: self.geometry() == (0, 0, SIZE, SIZE), 10,
                       "the window at (0, 0), 500 x 500")
        except Exception:
            self.kill()
            raise

    def _find_window(self, before):
        if self.proc.poll() is not None:
            raise RuntimeError("the program exited (%d) before showing a window: %s"
                               % (self.proc.returncode, self.stderr()))
        out = self.server.run("xdotool", "search", "--onlyvisible", "--name",
                              "^%s$" % TITLE, check=False)
        found = [int(w) for w in out.split() if int(w) not in before]
        return found[0] if found else None

    # -- information

    def geometry(self):
        """(x, y, width, height) of the window on the screen."""
        info = self.server.run("xwininfo", "-id", str(self.window))
        fields = {}
        for line in info.splitlines():
            if ":" in line:
                key, _, value = line.strip().partition(":")
                fields[key.strip()] = value.strip()
        return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                int(fields["Width"]), int(fields["Height"]))

    def stdout(self):
        with self.out.cond:
            return self.out.data.decode(errors="replace")

    def stderr(self):
        return read_text(self.stderr_path)

    def wait_output(self, text, timeout=10, count=1):
        """Waits until the captured standard output contains `text` (at least
        `count` times), counting from the start, and returns the whole output."""
        data = self.out.wait_for(lambda d: d.count(text.encode()) >= count, timeout,
                                 "%d x %r" % (count, text))
        return data.decode(errors="replace")

    # -- pictures

    def capture(self, window=None):
        """The pixels of the window (by default the program's). Raises
        CaptureError when the server refuses to read it."""
        done = subprocess.run(["xwd", "-id", str(window or self.window), "-silent"],
                              env=self.server.env, capture_output=True,
                              timeout=scaled(10), stdin=subprocess.DEVNULL)
        if done.returncode != 0:
            raise CaptureError("xwd failed: " + done.stderr.decode(errors="replace").strip())
        return parse_xwd(done.stdout)

    def capture_if_readable(self, refused=None, window=None):
        """The window's current pixels, or None when the server refuses the
        read: right after a pop-up menu closes over the window it now and
        then refuses one (BadMatch), which only means "not yet". The first
        line of each refusal is appended to `refused` when given."""
        try:
            return self.capture(window)
        except CaptureError as e:
            if refused is not None:
                refused.append(str(e).splitlines()[0])
            return None

    def wait_frame(self, lit, timeout=10):
        """Waits until the window shows exactly `lit` and nothing else. On
        time-out the last capture is saved beside the logs."""
        refused, expected = [], Frame.expected(lit)

        def failed(last):
            if last is None:
                return "the window could not be read: %s" % refused[-1]
            path = self.stderr_path.replace(".stderr", "-last-frame.png")
            try:
                last.png(path)
            except OSError:
                path = "(not saved)"
            return "frame differs from the expected one (%s); saved %s" % (last.diff(expected), path)
        return await_value(lambda: self.capture_if_readable(refused), expected, timeout, failed)

    # -- input; (x, y) are window coordinates, y down from the top

    def xdo(self, *args):
        self.server.run("xdotool", *[str(a) for a in args])

    def move(self, x, y):
        self.xdo("mousemove", "--window", self.window, x, y)

    def click(self, x, y, button=1):
        self.xdo("mousemove", "--window", self.window, x, y, "click", button)

    def shift_click(self, x, y):
        """Left click with Shift held through the release."""
        self.xdo("mousemove", "--window", self.window, x, y,
                 "keydown", "shift", "click", "1", "keyup", "shift")

    def drag(self, button, start, path):
        """Presses `button` at `start`, moves through each position of `path`
        and releases at the last one."""
        args = ["mousemove", "--window", self.window, start[0], start[1], "mousedown", button]
        for x, y in path:
            args += ["mousemove", "--window", self.window, x, y]
        args += ["mouseup", button]
        self.xdo(*args)

    def key(self, name, x=250, y=250):
        """Types one key; keys reach the window only with the pointer over it."""
        self.xdo("mousemove", "--window", self.window, x, y, "key", name)

    def _menu_windows(self):
        """Mapped top-level windows of the program other than its main one:
        the pop-up menu while it is open."""
        return self.server.visible_windows() - self.others - {self.window}

    def _open_menu(self, x, y, release):
        # The menu of an earlier choice may still be on its way down; a press
        # now would find it mapped and the wait below would prove nothing.
        wait_until(lambda: not self._menu_windows(), 5, "the last menu to close")
        self.xdo("mousemove", "--window", self.window, x, y, "mousedown", "3")
        # Moving on before the menu is mapped would send the motion to the
        # main window, and the menu would choose nothing.
        wait_until(self._menu_windows, 5, "the pop-up menu")
        if release:
            self.xdo("mouseup", "3")

    def menu(self, entry, x=60, y=60):
        """Chooses menu entry `entry` (from 0) the usual way: right press at
        (x, y), move onto the entry, release there."""
        self._open_menu(x, y, release=False)
        self.xdo("mousemove", "--window", self.window, x + MENU_INSET_X,
                 y + MENU_FIRST_ENTRY + MENU_ENTRY_HEIGHT * entry)
        self.xdo("mouseup", "3")

    def _menu_picture(self):
        """The open menu once it is painted and holds still: two reads in a
        row alike and not blank."""
        (menu,) = self._menu_windows()
        last = [None]

        def settled():
            shot = self.capture_if_readable(window=menu)
            if shot is None:
                return None
            same = shot == last[0] and any(shot.red + shot.green + shot.blue)
            last[0] = shot
            return shot if same else None

        return wait_until(settled, 5, "the menu to be painted", interval=0.05)

    def resize(self, width, height):
        self.xdo("windowsize", self.window, width, height)

    def type_line(self, text):
        """Writes one line to the program's standard input."""
        self.proc.stdin.write((text + "\n").encode())
        self.proc.stdin.flush()

    # -- ending

    def close_window(self):
        """Asks the program to close its window the way a window manager does
        when the user clicks the close button: a WM_DELETE_WINDOW message."""
        send_delete_window(self.server.display, self.window)

    def wait_exit(self, timeout=10):
        try:
            return self.proc.wait(timeout=scaled(timeout))
        except subprocess.TimeoutExpired:
            return None

    def kill(self):
        """Ends the program if it still runs, and waits until its window is
        gone, so that the next program's window is not mistaken for it."""
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.out.join(timeout=scaled(5))
        for stream in (self.proc.stdin, self.proc.stdout):
            try:
                stream.close()
            except (OSError, ValueError):
                pass
        window = getattr(self, "window", None)
        if window is not None:
            wait_until(lambda: window not in self.server.visible_windows(), 5,
                       "the window of an ended program to go")


# ---------------------------------------------------------------- closing


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


def send_delete_window(display, window):
    """Sends WM_PROTOCOLS / WM_DELETE_WINDOW to `window`, as a window manager
    does for the close button. Uses libX11 through ctypes."""
    name = ctypes.util.find_library("X11")
    if not name:
        raise RuntimeError("libX11 not found")
    x11 = ctypes.CDLL(name)
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                               ctypes.c_long, ctypes.POINTER(_Event)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x11.XOpenDisplay(display.encode())
    if not dpy:
        raise RuntimeError("cannot open display " + display)
    try:
        event = _Event()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        if not x11.XSendEvent(dpy, window, 0, 0, ctypes.byref(event)):
            raise RuntimeError("XSendEvent failed")
        x11.XFlush(dpy)
    finally:
        x11.XCloseDisplay(dpy)
