#!/usr/bin/env python3
"""Regenerates the screenshots in docs/: a Bezier scene and a B-spline scene
with their control points, drawn by the real program in a real window on a
private virtual display, placed with real clicks and the real menu.

    cmake --preset release && cmake --build --preset release
    python3 -m scripts.screenshots [--build build/release] [--out docs]

Each picture is taken only once the window shows exactly the frame the
project's own frame composition predicts for the scene, so no half-drawn
frame or open menu ends up in it.
"""

import argparse
import os
import sys
import tempfile

from e2e import harness
from e2e.surface import Window

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Window positions (y down), in placement order.
BEZIER_SPOTS = [(40, 400), (90, 120), (200, 110), (240, 260),
                (280, 410), (400, 420), (460, 120)]
BSPLINE_SPOTS = [(40, 440), (70, 90), (160, 300), (230, 80), (300, 420),
                 (370, 150), (440, 380), (470, 60)]
BSPLINE_ENTRY = 2


def shoot(window, oracle, spots, kind, path):
    window.start()
    for spot in spots:
        window.place(*spot)
    if kind == "bspline":
        window.menu(BSPLINE_ENTRY)
    window.wait_frame(harness.oracle_lit(oracle, kind, [(x, harness.SIZE - y) for x, y in spots])).png(path)
    print("wrote", path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "release"),
                        help="build directory holding app/bezier and e2e/frame_oracle")
    parser.add_argument("--out", default=os.path.join(ROOT, "docs"))
    args = parser.parse_args()
    binary = os.path.join(args.build, "app", "bezier")
    oracle = os.path.join(args.build, "e2e", "frame_oracle")
    for program in (binary, oracle):
        if not os.access(program, os.X_OK):
            sys.exit("%s is missing: build first (cmake --preset release && "
                     "cmake --build --preset release)" % program)
    os.makedirs(args.out, exist_ok=True)
    window = Window(binary, workdir=tempfile.mkdtemp(prefix="bezier-shots-"))
    try:
        shoot(window, oracle, BEZIER_SPOTS, "bezier", os.path.join(args.out, "bezier.png"))
        shoot(window, oracle, BSPLINE_SPOTS, "bspline", os.path.join(args.out, "bspline.png"))
    finally:
        window.stop()


if __name__ == "__main__":
    main()
