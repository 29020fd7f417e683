"""What every surface of the suite shares: waiting, the tools it needs, a
private X display, frames (read from window dumps, predicted by the project's
own frame composition) and the one frame wait and console wait.

Standard library only. Every timeout is multiplied by E2E_TIME_SCALE.
"""

import importlib.util
import os
import select
import shutil
import struct
import subprocess
import time
import zlib

SIZE = 500  # the window is pinned to 500 x 500 pixels
LIT = (128, 64, 255)  # the only colour the editor ever draws with

TIME_SCALE = float(os.environ.get("E2E_TIME_SCALE", "1"))
# What a run leaves to look at (logs, the last frame that differed), in a
# folder of each group's own (E2E_GROUP), as groups run side by side.
ARTIFACTS = os.environ.get("E2E_ARTIFACTS")
if ARTIFACTS and os.environ.get("E2E_GROUP"):
    ARTIFACTS = os.path.join(ARTIFACTS, os.environ["E2E_GROUP"])


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
    """Polls `read()` (None: nothing to be read yet) until it gives `want`
    (or, when `want` is callable, a value it accepts), and returns that. On
    time-out raises AssertionError with the text `failed(the last value
    read, or None)`."""
    last = [None]
    accepts = want if callable(want) else lambda got: got == want

    def matches():
        got = read()
        last[0] = last[0] if got is None else got
        return got is not None and accepts(got)
    try:
        wait_until(matches, timeout, "a value", interval)
    except TimeoutError:
        raise AssertionError(failed(last[0])) from None
    return last[0]


def wait_frame(read, lit, timeout=10, context=""):
    """The one frame wait: polls `read()` (a Frame, or None while there is
    nothing settled to read) until it shows exactly `lit` on black. On
    time-out the last frame read is saved among the artifacts."""
    want = Frame.expected(lit)

    def failed(last):
        if last is None:
            return "%s: no frame could be read" % context
        saved = ""
        if ARTIFACTS:
            os.makedirs(ARTIFACTS, exist_ok=True)
            saved = os.path.join(ARTIFACTS, "last-frame-%d.png" % os.getpid())
            last.png(saved)
        return "%s: frame differs: %s %s" % (context, last.diff(want), saved)
    return await_value(read, want, timeout, failed)


def wait_console(read, want, timeout=10, context=""):
    """The one console wait: polls `read()` until the console shows exactly
    `want` (or, when `want` is callable, what it accepts)."""
    return await_value(read, want, timeout, lambda last: "%s: console shows %r, not %r"
                       % (context, last, want), interval=0.02)


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


def require(what, programs=(), modules=(), packages=""):
    """The one check for missing tools: raises RuntimeError naming every
    program and Python module missing to drive `what`, and the Debian
    `packages` that bring them."""
    missing = [p for p in programs if not shutil.which(p)]
    missing += ["%s (run with /usr/bin/python3)" % m for m in modules if not importlib.util.find_spec(m)]
    if missing:
        raise RuntimeError("cannot drive %s, missing: %s (install %s)" % (what, ", ".join(missing), packages))


# ---------------------------------------------------------------- display


class XServer:
    """A private Xvfb server on the first free display number (-displayfd),
    its own output sent to a log file so nothing waits on it. Keys do not
    repeat by themselves: on a loaded machine the gap between a key's press
    and release can outlast the repeat delay, and one key would become two
    (a second dialogue waiting for a line no one sends)."""

    def __init__(self, workdir):
        require("a virtual display", ("Xvfb", "xdotool", "xwd", "xwininfo"),
                packages="xvfb, xdotool, x11-apps, x11-utils")
        os.makedirs(workdir, exist_ok=True)
        self.log_path = os.path.join(workdir, "xvfb.log")
        read_end, write_end = os.pipe()
        with open(self.log_path, "wb") as log:
            self.proc = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                 "1024x768x24", "-nolisten", "tcp", "-noreset", "-r"],
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
                raise RuntimeError("Xvfb did not report a display: " + read_text(self.log_path))
            text += chunk
        return text.decode().strip()

    def run(self, *args, check=True, timeout=10):
        """Runs an X client (xdotool, xwininfo, ...) on this display and
        returns its standard output as text."""
        args = [str(a) for a in args]
        done = subprocess.run(args, env=self.env, capture_output=True,
                              timeout=scaled(timeout), stdin=subprocess.DEVNULL)
        if check and done.returncode != 0:
            raise RuntimeError("%s failed (%d): %s" % (" ".join(args), done.returncode,
                                                        done.stderr.decode(errors="replace")))
        return done.stdout.decode(errors="replace")

    def xdo(self, *args):
        self.run("xdotool", *args)

    def visible_windows(self):
        """Ids of the mapped top-level windows (the root itself excluded)."""
        out = self.run("xdotool", "search", "--onlyvisible", "--maxdepth", "1",
                       "--name", "", check=False)
        if not hasattr(self, "_root"):
            self._root = int(self.run("xwininfo", "-root").split("Window id:")[1].split()[0], 16)
        return {int(w) for w in out.split()} - {self._root}

    def capture(self, window):
        """The pixels of `window`, or None when the server refuses the read:
        right after a pop-up menu closes over a window it now and then
        refuses one (BadMatch), which only means "not yet"."""
        done = subprocess.run(["xwd", "-id", str(window), "-silent"], env=self.env, capture_output=True,
                              timeout=scaled(10), stdin=subprocess.DEVNULL)
        return parse_xwd(done.stdout) if done.returncode == 0 else None

    def stop(self):
        end(self.proc)


# ---------------------------------------------------------------- frames


class Frame:
    """A picture as three planes of bytes (red, green, blue), row 0 at the
    top as on screen."""

    def __init__(self, width, height, red, green, blue):
        self.width, self.height = width, height
        self.red, self.green, self.blue = bytes(red), bytes(green), bytes(blue)

    @classmethod
    def expected(cls, lit):
        """500 x 500 black with exactly the pixels in `lit` (column, row) in
        the editor's colour."""
        planes = [bytearray(SIZE * SIZE) for _ in range(3)]
        for col, row in lit:
            for plane, value in zip(planes, LIT):
                plane[row * SIZE + col] = value
        return cls(SIZE, SIZE, *planes)

    def pixels(self):
        return zip(self.red, self.green, self.blue)

    def pixel(self, col, row):
        i = row * self.width + col
        return (self.red[i], self.green[i], self.blue[i])

    def lit(self):
        """Every pixel that is not black, as (column, row)."""
        return {(i % self.width, i // self.width) for i, rgb in enumerate(self.pixels()) if any(rgb)}

    def bottom_left(self, size):
        """The frame's bottom-left `size` x `size` pixels; the whole frame
        when it is smaller."""
        if self.width < size or self.height < size:
            return self
        rows = range(self.height - size, self.height)
        return Frame(size, size, *(b"".join(plane[r * self.width:r * self.width + size] for r in rows)
                                   for plane in (self.red, self.green, self.blue)))

    def __repr__(self):
        return "Frame(%dx%d, %d pixels lit)" % (self.width, self.height, len(self.lit()))

    def __eq__(self, other):
        return isinstance(other, Frame) and (self.width, self.height, self.red, self.green, self.blue) == (
            other.width, other.height, other.red, other.green, other.blue)

    def diff(self, expected, limit=12):
        """Human-readable account of how this frame departs from `expected`:
        sizes, the count of differing pixels and the first few of them."""
        if (self.width, self.height) != (expected.width, expected.height):
            return "size %dx%d, expected %dx%d" % (self.width, self.height, expected.width, expected.height)
        differ = [("  (col %d, row %d): got %s, expected %s" % (i % self.width, i // self.width, got, want))
                  for i, (got, want) in enumerate(zip(self.pixels(), expected.pixels())) if got != want]
        return "%d pixels differ; first ones:\n%s" % (len(differ), "\n".join(differ[:limit]))

    def png(self, path):
        """Writes the frame as an 8-bit RGB PNG."""
        rgb = bytes(v for pixel in self.pixels() for v in pixel)
        rows = b"".join(b"\0" + rgb[r * 3 * self.width:(r + 1) * 3 * self.width] for r in range(self.height))

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
                    + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


XWD_FIELDS = ("header_size file_version pixmap_format pixmap_depth pixmap_width "
              "pixmap_height xoffset byte_order bitmap_unit bitmap_bit_order "
              "bitmap_pad bits_per_pixel bytes_per_line visual_class red_mask "
              "green_mask blue_mask bits_per_rgb colormap_entries ncolors "
              "window_width window_height window_x window_y window_bdrwidth").split()
# What the suite's X server writes: a version-7 ZPixmap of a TrueColor (or
# DirectColor) visual, 32 bits a pixel (24 for a window of the memory
# check's renderer), the least significant byte first, blue in the lowest.
XWD_LAYOUTS = {(7, 2, True, bits, 0, 0xFF0000, 0xFF00, 0xFF) for bits in (24, 32)}


def parse_xwd(data):
    """Decodes a window dump of `xwd` into a Frame. Raises ValueError on a
    dump of another layout than the one the suite's server writes, or on a
    truncated one."""
    if len(data) < 100:
        raise ValueError("xwd dump too short")
    h = dict(zip(XWD_FIELDS, struct.unpack(">25I", data[:100])))
    layout = (h["file_version"], h["pixmap_format"], h["visual_class"] in (4, 5), h["bits_per_pixel"],
              h["byte_order"], h["red_mask"], h["green_mask"], h["blue_mask"])
    if layout not in XWD_LAYOUTS:
        raise ValueError("an xwd dump of another layout: %r" % (layout,))
    width, height, stride, step = h["pixmap_width"], h["pixmap_height"], h["bytes_per_line"], layout[3] // 8
    offset = h["header_size"] + h["ncolors"] * 12
    image = data[offset:offset + stride * height]
    if len(image) < stride * height:
        raise ValueError("xwd dump truncated")
    rows = b"".join(image[r * stride:r * stride + step * width] for r in range(height))
    return Frame(width, height, rows[2::step], rows[1::step], rows[0::step])


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


# ---------------------------------------------------------------- closing


def send_delete_window(display, window):
    """Sends WM_PROTOCOLS / WM_DELETE_WINDOW to `window`, as a window manager
    does for the close button (Debian's python3-xlib). The server may drop a
    request it has not read when the connection closes right after a flush;
    one round trip (sync) makes sure it was read before the close."""
    from Xlib import X, display as xdisplay, protocol
    connection = xdisplay.Display(display)
    try:
        target = connection.create_resource_object("window", window)
        target.send_event(protocol.event.ClientMessage(
            window=target, client_type=connection.intern_atom("WM_PROTOCOLS"),
            data=(32, [connection.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])))
        connection.sync()
    finally:
        connection.close()
