#!/usr/bin/python3
"""Times frames of the browser edition in headless Chromium, or in WebKit.

Each benchmark scene (the same points and settings as the C++ benchmarks,
printed by scene_points) is built in the page the way a user builds it: real
clicks place the points, the 't' and 'n' dialogues set the settings, the
menu picks the curve kind. The frame is then checked pixel for pixel against
frame_oracle, and redrawn after real mouse movements. For each frame the page
reports the display callback's time (curves, framebuffer and canvas upload)
and the time from the redisplay request to the pixels on the canvas.

Then the flood: with a dialogue waiting, 100,000 pointer movements over the
canvas are queued, and the dialogue is answered. Printed: the time the page
took to take in the movements, and the time from the answer to the queue
being empty and the frame drawn (target: under 100 ms).

Usage (from the project root): python3 -m bench.web_frame --site DIR --scenes SCENE_POINTS --oracle FRAME_ORACLE
                    [--frames N] [--quick] [--json OUT] [--engine chromium|webkit]
--quick draws only the typical scene, a few frames (a check that the
measurement still runs). --engine webkit times WebKitGTK on a private Xvfb
display instead (the suite's webkit surface). Prints one line per scene and kind.
"""

import argparse
import json
import os
import statistics
import subprocess
import time

from e2e import harness, surfaces

BSPLINE_ENTRY = 2


def load_scene(tool, name):
    out = subprocess.run([tool, name], capture_output=True, text=True, check=True).stdout.split("\n")
    tolerance = int(out[0].split()[1])
    steps = int(out[1].split()[1])
    points = [tuple(int(v) for v in line.split()) for line in out[2:] if line.strip()]
    return tolerance, steps, points


def build_scene(page, tolerance, steps, points):
    for x, y in points:
        page.click(x, harness.SIZE - y)
    for key, value in (("t", tolerance), ("n", steps)):
        page.key(key)
        page.enter_line(str(value))
    page.settle(120)


def measure_frames(page, count, wiggle=((250, 250), (251, 250))):
    """Redraws the current scene `count` times, each after a real mouse
    movement over the canvas, and returns the page's per-frame figures:
    (display + canvas upload in ms, request-to-pixels latency in ms)."""
    display, latency = [], []
    for i in range(count):
        before = page.debug("debug.stats.frames")
        page.move(*wiggle[i % len(wiggle)])
        harness.wait_until(lambda: page.debug("debug.stats.frames") > before, 10, "a frame")
        stats = page.debug("{...debug.stats}")
        display.append(stats["displayMs"])
        latency.append(stats["latencyMs"])
        time.sleep(0.02)
    return display, latency


FLOOD = """
const {debug} = await import(new URL('page/main.js', document.baseURI).href);
const canvas = document.getElementById('view');
const entry = document.getElementById('entry');
const box = canvas.getBoundingClientRect();
let started = performance.now();
for (let i = 0; i < arguments[0]; i++) {
  canvas.dispatchEvent(new PointerEvent('pointermove', {pointerType: 'mouse', bubbles: true,
    clientX: box.left + 100 + i % 300, clientY: box.top + 100 + i % 200}));
}
const queued = performance.now() - started;
entry.value = arguments[1];
started = performance.now();
entry.dispatchEvent(new KeyboardEvent('keydown', {key: 'Enter', bubbles: true, cancelable: true}));
await new Promise(function wait(resolve) {
  if (debug.idle()) resolve(); else requestAnimationFrame(() => wait(resolve));
});
return [queued, performance.now() - started];
"""


def measure_flood(page, steps, motions=100_000):
    """(ms to queue `motions` movements, ms from answering the waiting 'n'
    dialogue, with the scene's own `steps`, to the queue being empty and the
    frame drawn)."""
    page.key("n")
    harness.wait_until(lambda: page.entry_waiting()[0], 10, "the dialogue")
    return page.script("return (async () => {" + FLOOD + "})()", motions, str(steps))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--site", required=True)
    ap.add_argument("--scenes", required=True, help="the scene_points program")
    ap.add_argument("--oracle", required=True, help="the frame_oracle program")
    ap.add_argument("--frames", type=int, default=60)
    ap.add_argument("--quick", action="store_true")
    ap.add_argument("--json")
    ap.add_argument("--engine", choices=("chromium", "webkit"), default=os.environ.get("BEZIER_BROWSER", "chromium"))
    args = ap.parse_args()

    scenes = ["typical"] if args.quick else ["typical", "dense"]
    frames = 3 if args.quick else args.frames
    results = []
    surface = surfaces.open_surface(args.engine, args.site)
    try:
        for scene in scenes:
            surface.start()
            page = surface.page
            tolerance, steps, points = load_scene(args.scenes, scene)
            build_scene(page, tolerance, steps, points)
            for kind in ("bezier", "bspline"):
                if kind == "bspline":
                    page.menu(BSPLINE_ENTRY)
                surface.wait_frame(harness.oracle_lit(args.oracle, kind, points, tolerance, steps), timeout=30)
                display, latency = measure_frames(page, frames)
                row = {
                    "scene": scene, "kind": kind, "points": len(points), "frames": frames,
                    "display_ms_median": statistics.median(display),
                    "display_ms_max": max(display),
                    "latency_ms_median": statistics.median(latency),
                    "latency_ms_max": max(latency),
                }
                results.append(row)
                print("%-8s %-8s display %6.2f ms (max %6.2f), request to canvas %6.2f ms (max %6.2f)"
                      % (scene, kind, row["display_ms_median"], row["display_ms_max"],
                         row["latency_ms_median"], row["latency_ms_max"]), flush=True)
        queued, answered = measure_flood(page, steps)
        print("flood    100,000 motions queued in %.1f ms; dialogue answered and drawn in %.1f ms"
              % (queued, answered), flush=True)
        version = surface.engine.driver.capabilities.get("browserVersion", "unknown")
    finally:
        surface.stop()
    label = ("Chromium %s (headless)" if args.engine == "chromium"
            else "WebKitGTK %s (MiniBrowser on Xvfb)") % version
    site_bytes = sum(os.path.getsize(os.path.join(folder, name))
                     for folder, _, names in os.walk(args.site) for name in names)
    print("site: %d bytes (%.1f KiB)" % (site_bytes, site_bytes / 1024))
    if args.json:
        with open(args.json, "w") as f:
            json.dump({"browser": label, "site_bytes": site_bytes,
                       "flood": {"motions": 100_000, "queue_ms": queued, "answer_ms": answered},
                       "results": results}, f, indent=1)


if __name__ == "__main__":
    main()
