#!/usr/bin/python3
"""Times how long a student waits for the browser edition: from the start of
the navigation to the program's first output, the help text, on the page.
Headless Chromium with a fresh profile for every load (nothing cached, no
service worker yet), the site served as a plain static host serves it
(uncompressed), on loopback and under an emulated school or phone network:
150 ms round trip, 1.6 Mbit/s down. Beside each time, its floor: one round
trip plus the bytes the load needs before the help text at that rate, as if
every byte went out at once. Then the request timeline of the last emulated
load (when each file was asked for and when it had arrived), and what those
bytes come to where the server compresses them (gzip, level 6).

Usage (from the project root): python3 -m bench.web_load --site DIR
                               [--loads N] [--quick] [--json OUT]
--quick loads once each way (a check that the measurement still runs).
"""

import argparse
import gzip
import json
import os
import statistics

from e2e import harness
from e2e.browser import SiteServer
from e2e.chromium import Chromium

ROUND_TRIP_MS = 150
RATE = 1_600_000 / 8  # bytes a second
HELP = " Controls done by mouse:"

# Notes, before the page's own scripts run, when the help text appears.
WATCH = """
new MutationObserver((changes, observer) => {
  const console_ = document.getElementById('console');
  if (console_ && console_.textContent.includes(%s)) {
    window.bezierHelpAt = performance.now();
    observer.disconnect();
  }
}).observe(document, {subtree: true, childList: true, characterData: true});
""" % json.dumps(HELP)

# Each file the load asked for: name, asked for (ms from the navigation's
# start), arrived, body bytes. The page itself first.
TIMELINE = """
const nav = performance.getEntriesByType('navigation')[0];
return [[nav.name, nav.requestStart, nav.responseEnd, nav.encodedBodySize]].concat(
  performance.getEntriesByType('resource').map(r => [r.name, r.startTime, r.responseEnd, r.encodedBodySize]));
"""


def load(server, emulated):
    """One load in a fresh browser: (ms to the help text, timeline)."""
    engine = Chromium()
    try:
        engine.cdp("Network.enable")
        if emulated:
            engine.cdp("Network.emulateNetworkConditions", offline=False, latency=ROUND_TRIP_MS,
                       downloadThroughput=RATE, uploadThroughput=RATE)
        engine.cdp("Page.addScriptToEvaluateOnNewDocument", source=WATCH)
        engine.navigate(server.url)
        at = harness.wait_until(lambda: engine.script("return window.bezierHelpAt"), 60, "the help text")
        return at, engine.script(TIMELINE)
    finally:
        engine.quit()


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--site", required=True)
    ap.add_argument("--loads", type=int, default=3)
    ap.add_argument("--quick", action="store_true")
    ap.add_argument("--json")
    args = ap.parse_args()
    loads = 1 if args.quick else args.loads
    server = SiteServer(args.site)
    results = {}
    try:
        for name, emulated in (("loopback", False), ("emulated", True)):
            times = []
            for _ in range(loads):
                at, timeline = load(server, emulated)
                times.append(at)
            # What the load needed before the help text, as the host sent it.
            needed = sum(size for _, _, end, size in timeline if end <= at)
            floor = ROUND_TRIP_MS + needed / RATE * 1000 if emulated else 0
            results[name] = {"help_ms": times, "median_ms": statistics.median(times), "bytes": needed,
                             "floor_ms": floor, "timeline": timeline, "last_ms": at}
            print("%-8s help text after %s ms (median %.0f)%s" % (
                name, ", ".join("%.0f" % t for t in times), statistics.median(times),
                "; floor %.0f ms (%d bytes), %.2f x the floor" % (floor, needed, statistics.median(times) / floor)
                if emulated else ""), flush=True)
    finally:
        server.stop()
    print("timeline of the last emulated load (ms from the navigation's start):")
    compressed = 0
    for url, asked, arrived, size in results["emulated"]["timeline"]:
        name = url.split("/", 3)[-1]
        print("  %-28s asked %6.0f  arrived %6.0f  %8d bytes" % (name or "/", asked, arrived, size))
        if arrived <= results["emulated"]["last_ms"]:
            with open(os.path.join(args.site, name or "index.html"), "rb") as f:
                compressed += len(gzip.compress(f.read(), 6))
    results["gzip_bytes"] = compressed
    print("the same load compressed (gzip, level 6): %d bytes, %.0f %% of %d" % (
        compressed, 100 * compressed / results["emulated"]["bytes"], results["emulated"]["bytes"]))
    if args.json:
        with open(args.json, "w") as f:
            json.dump(results, f, indent=1)


if __name__ == "__main__":
    main()
