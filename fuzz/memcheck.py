#!/usr/bin/env python3
"""Memory check of the real editor: the program runs under valgrind's
memcheck on a private virtual display (Mesa's software OpenGL), a scripted
session drives it through real X events (placing, dragging, deleting,
deleting and clearing in the middle of a drag, switching curve kinds, both
console dialogues with good and bad entries, clearing) and closes its
window. The check passes only when the session reached the program (its
console output is as expected), the program ended normally, and valgrind
reports no memory errors and no definite leaks; only the GL driver's own
findings and those of the X libraries beneath it are suppressed
(valgrind/gl-driver.supp).

Usage (from the project root): python3 -m fuzz.memcheck --binary PATH [--rounds N]
"""

import argparse
import os
import re
import shutil
import sys
import tempfile
import time

from e2e import harness
from e2e.scenes import HELP, NOT_A_NUMBER, OUT_OF_RANGE, STEPS_PROMPT, TOLERANCE_PROMPT
from e2e.surface import Window

HERE = os.path.dirname(os.path.abspath(__file__))
SUPPRESSIONS = os.path.join(HERE, "valgrind", "gl-driver.supp")


def wait_lit(window, predicate, what, timeout=20):
    """Waits until the number of lit pixels satisfies `predicate`."""
    harness.await_value(window.frame, lambda frame: predicate(len(frame.lit())), timeout,
                        lambda last: "timed out waiting for " + what, interval=0.2)


# Each round's dialogues: the key, the line typed, the message it must bring.
DIALOGUES = [("n", "10", ""), ("n", "500", OUT_OF_RANGE), ("t", "abc", NOT_A_NUMBER), ("t", "20", ""),
             ("n", "-7", OUT_OF_RANGE), ("t", "99999999999999", OUT_OF_RANGE), ("n", "25", ""), ("t", "5", "")]


def transcript(rounds):
    """What the console shows after each dialogue's prompt, and after its
    message (which the pipe shows once the next prompt or the exit flushes
    it): a prompt shows the value the last accepted line set."""
    out, values, shown = HELP, {"n": 25, "t": 5}, []
    for _ in range(rounds):
        for key, line, message in DIALOGUES:
            out += (STEPS_PROMPT if key == "n" else TOLERANCE_PROMPT) % values[key]
            shown.append(out)
            out += message
            values[key] = values[key] if message else int(line)
    return shown, out


def play_round(w, r):
    """Round `r` of the session on the window surface `w`."""
    shift = (r * 37) % 60
    points = [(60 + shift + 55 * i, 120 + ((i * 97 + r * 41) % 260)) for i in range(7)]
    for x, y in points:
        w.place(x, y)
    wait_lit(w, lambda n: n > 7 * 4, "seven markers and a curve")

    # Drag a point along a path, leaving the window on the way.
    x, y = points[1]
    w.move((x, y), (x + 5, y + 5), via=[(x + 10, y + 10), (x + 40, y - 30), (560, 560)])
    # Delete two points, one far from everything (deletes nothing).
    w.delete(*points[3])
    w.delete(495, 5)

    w.menu(2)  # Cubic B-Spline
    prompts = transcript(r + 1)[0]
    for i, (key, line, _) in enumerate(DIALOGUES):
        w.key(key)
        w.wait_console(prompts[r * len(DIALOGUES) + i], timeout=20)
        w.answer(line)

    # Delete the dragged point, then clear everything, while the middle
    # button is still held; motion continues afterwards.
    x, y = points[5]
    w.xdo(*w.at(x, y), "mousedown", 2, *w.at(x + 3, y + 3), "keydown", "shift", "click", 1, "keyup", "shift",
          *w.at(x + 20, y + 20), "key", "c", *w.at(x + 30, y + 10), "mouseup", 2)
    wait_lit(w, lambda n: n == 0, "an empty window after clearing")

    w.menu(1)  # Bezier
    for i in range(5):
        w.place(100 + 60 * i, 300 - 40 * i)
    wait_lit(w, lambda n: n > 5 * 4, "five markers and a curve")
    w.menu(0)  # Clear All
    wait_lit(w, lambda n: n == 0, "an empty window after Clear All")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--binary", required=True)
    parser.add_argument("--rounds", type=int, default=1)
    args = parser.parse_args()

    # Valgrind slows everything down by an order of magnitude.
    harness.TIME_SCALE = max(harness.TIME_SCALE, 5.0)
    workdir = tempfile.mkdtemp(prefix="bezier-memcheck-")
    vglog = os.path.join(workdir, "memcheck.log")
    valgrind = ["valgrind", "--tool=memcheck", "--leak-check=full", "--show-leak-kinds=definite",
                "--errors-for-leak-kinds=definite", "--keep-debuginfo=yes", "--num-callers=40",
                "--suppressions=" + SUPPRESSIONS, "--error-exitcode=99", "--log-file=" + vglog]
    env = {"LIBGL_ALWAYS_SOFTWARE": "1",
           # softpipe keeps LLVM's JIT out of the picture and runs faster
           # under valgrind than llvmpipe.
           "GALLIUM_DRIVER": os.environ.get("GALLIUM_DRIVER", "softpipe")}

    started = time.monotonic()
    window = Window(args.binary, prefix=valgrind, workdir=workdir, env=env)
    status = None
    try:
        window.start()
        for r in range(args.rounds):
            play_round(window, r)
        window.close_window()
        status = window.wait_exit(timeout=60)
        out = window.console()
    finally:
        window.stop()

    with open(vglog, errors="replace") as f:
        log = f.read()
    summary = re.findall(r"ERROR SUMMARY: .*", log) or ["no valgrind summary"]
    print("memcheck: %d round(s), %d dialogues, %.0f s; exit status %s; %s"
          % (args.rounds, len(DIALOGUES) * args.rounds, time.monotonic() - started, status, summary[-1]))

    failures = []
    # Valgrind ends with status 99 on a memory error or a definite leak.
    if status != 0 or not summary[-1].startswith("ERROR SUMMARY: 0 errors"):
        failures.append("the program ended with status %s, valgrind found problems or did not run "
                        "(full log: %s)" % (status, vglog))
    if out != transcript(args.rounds)[1]:
        failures.append("the console showed %r" % out)
    if failures:
        sys.stdout.write(log[-20000:])
        for f in failures:
            print("FAIL: " + f)
        return 1
    print("memcheck passed")
    shutil.rmtree(workdir, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
