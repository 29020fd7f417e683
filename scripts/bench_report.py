#!/usr/bin/python3
"""Turns the frame benchmarks' output into docs/performance.md and the scaling
plot. Reads frame_bench.json (Google Benchmark, medians of repetitions),
gl_frame.json, web_frame.json (the browser edition), the optional profiles
and load averages from one results folder; every figure in the document
comes from those files."""

import argparse
import datetime
import json
import os
import platform
import re
import subprocess
import sys
from types import SimpleNamespace

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

SCENES = ("typical", "dense")
KINDS = ("bezier", "bspline")
UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def load_medians(path):
    """Median run of every benchmark, keyed by run name; single runs (the
    soak) are kept as they are."""
    with open(path) as f:
        data = json.load(f)
    runs = {}
    for b in data["benchmarks"]:
        if b.get("error_occurred"):
            sys.exit(f"benchmark {b['name']} failed: {b.get('error_message')}")
        name = b.get("run_name", b["name"])
        if b.get("run_type") == "aggregate":
            if b.get("aggregate_name") != "median":
                continue
        elif name in runs:
            continue
        b = dict(b)
        scale = UNIT_NS[b.get("time_unit", "ns")]
        b["cpu_ns"] = b["cpu_time"] * scale
        b["real_ns"] = b["real_time"] * scale
        runs[name] = b
    return data.get("context", {}), runs


def find(runs, prefix):
    for name, b in runs.items():
        if name == prefix or name.startswith(prefix + "/"):
            return b
    sys.exit(f"no result for {prefix}")


def machine(results):
    model = "unknown"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    mem = ""
    try:
        with open("/proc/meminfo") as f:
            kb = int(re.search(r"MemTotal:\s+(\d+)", f.read()).group(1))
            mem = f"{kb / 1048576:.0f} GiB"
    except (OSError, AttributeError):
        pass
    try:
        cxx = subprocess.run(["c++", "--version"], capture_output=True, text=True).stdout.splitlines()[0]
    except (OSError, IndexError):
        cxx = "unknown"

    def read(name):
        try:
            with open(os.path.join(results, name)) as f:
                return f.read().strip()
        except OSError:
            return "not recorded"

    return {
        "cpus": os.cpu_count(),
        "model": model,
        "memory": mem,
        "kernel": platform.release(),
        "compiler": cxx,
        "load_before": read("loadavg-before"),
        "load_after": read("loadavg-after"),
    }


def fit(xs, ys):
    """Least-squares line y = a + b x and its R^2."""
    n = len(xs)
    mx, my = sum(xs) / n, sum(ys) / n
    sxx = sum((x - mx) ** 2 for x in xs)
    sxy = sum((x - mx) * (y - my) for x, y in zip(xs, ys))
    b = sxy / sxx if sxx else 0.0
    a = my - b * mx
    ss_tot = sum((y - my) ** 2 for y in ys)
    ss_res = sum((y - (a + b * x)) ** 2 for x, y in zip(xs, ys))
    return a, b, (1 - ss_res / ss_tot) if ss_tot else 1.0


def series(runs, pattern):
    rx = re.compile(pattern)
    out = []
    for name, b in runs.items():
        m = rx.fullmatch(name)
        if m:
            out.append((int(m.group(1)), b["vertices"], b["cpu_ns"], b["allocs_per_frame"]))
    return sorted(out)


def us(ns):
    return f"{ns / 1e3:,.1f}"


def browser_table(w, web):
    """One row per scene and kind of a browser's frame figures."""
    w("| scene | kind | display (ms, median) | display (ms, max) | request to canvas (ms, median) | request to canvas (ms, max) |")
    w("|---|---|---|---|---|---|")
    for r in web["results"]:
        w(f"| {r['scene']} | {r['kind']} | {r['display_ms_median']:.2f} | {r['display_ms_max']:.2f} | "
          f"{r['latency_ms_median']:.2f} | {r['latency_ms_max']:.2f} |")
    w("")


# ---------------------------------------------------------------- loading


def load_json(results, name):
    with open(os.path.join(results, name)) as f:
        return json.load(f)


def load_results(results):
    """Every input of the report, read from the results folder."""
    _, runs = load_medians(os.path.join(results, "frame_bench.json"))
    gl = load_json(results, "gl_frame.json")
    web = load_json(results, "web_frame_chromium.json")
    return SimpleNamespace(
        runs=runs,
        gl=gl,
        gl_by={(r["scene"], r["kind"]): r for r in gl["results"]},
        web=web,
        web_by={(r["scene"], r["kind"]): r for r in web["results"]},
        webkit=load_json(results, "web_frame_webkit.json"),
        load=load_json(results, "web_load.json"),
        machine=machine(results),
        reps=max((b.get("repetitions", 1) for b in runs.values()), default=1),
        profiles=load_profiles(results))


def load_profiles(results):
    """(kind, text) of each dense frame's profile that was recorded."""
    profiles = []
    for k in KINDS:
        p = os.path.join(results, f"profile-dense-{k}.txt")
        if os.path.exists(p) and os.path.getsize(p) > 0:
            with open(p) as f:
                # perf pads each line with empty columns ("-") for the sort
                # keys it could not fill; only percentage and symbol matter.
                text = "\n".join(re.sub(r"(\s+-)+\s*$", "", line.rstrip()) for line in f)
            profiles.append((k, text.rstrip()))
    return profiles


# ---------------------------------------------------------------- arithmetic


def frame_rows(data):
    """The figures of one frame, by scene and kind, from every benchmark."""
    rows = {}
    for s in SCENES:
        for k in KINDS:
            fr = find(data.runs, f"Frame/{s}/{k}")
            rp = find(data.runs, f"Replay/{s}/{k}")
            ca = find(data.runs, f"Cairo/{s}/{k}")
            g = data.gl_by[(s, k)]
            rows[(s, k)] = {
                "vertices": int(fr["vertices"]),
                "frame": fr["cpu_ns"],
                "allocs": fr["allocs_per_frame"],
                "floor": rp["cpu_ns"],
                "cairo": ca["cpu_ns"],
                "gl_frame": g["frame_seconds"],
                "gl_floor": g["floor_seconds"],
            }
    return rows


def scaling_sweeps(runs):
    return [
        ("Bezier, control points (tolerance 5)", series(runs, r"Scale/bezier/points:(\d+)")),
        ("B-spline, control points (25 steps)", series(runs, r"Scale/bspline/points:(\d+)")),
        ("Bezier, dense points, tolerance 1..20", series(runs, r"Tolerance/dense/bezier/t:(\d+)")),
        ("B-spline, dense points, steps", series(runs, r"Steps/dense/bspline/steps:(\d+)")),
    ]


def scaling_fits(sweeps):
    """Per sweep: the fit against vertices, and against allocations where
    those change."""
    fits = []
    for label, data in sweeps:
        a, b, r2 = fit([d[1] for d in data], [d[2] for d in data])
        allocs = [d[3] for d in data]
        if len(set(allocs)) > 1:
            _, ba, r2a = fit(allocs, [d[2] for d in data])
            by_allocs = f"{ba:.1f}, {r2a:.3f}"
        else:
            by_allocs = "allocations do not change"
        fits.append((label, a, b, r2, by_allocs))
    return fits


def measure(data):
    """Everything the report computes from its inputs, in one place."""
    fps = {s: min(1 / data.gl_by[(s, k)]["frame_seconds"] for k in KINDS) for s in SCENES}
    rows = frame_rows(data)
    clear = find(data.runs, "CairoClear")["cpu_ns"]
    soak = {(s, k): find(data.runs, f"Soak/{s}/{k}") for s in SCENES for k in KINDS}
    sweeps = scaling_sweeps(data.runs)
    return SimpleNamespace(fps=fps, rows=rows, clear=clear, soak=soak, sweeps=sweeps,
                           fits=scaling_fits(sweeps))


# ---------------------------------------------------------------- prose


def write_introduction(w, data, fig):
    m = data.machine
    w("# Frame performance")
    w("")
    w(f"In software OpenGL (Mesa's llvmpipe on a virtual display) the editor draws the typical scene at "
      f"about {fig.fps['typical']:,.0f} frames per second and the dense one at about {fig.fps['dense']:,.0f}, "
      f"and in headless Chromium the browser edition puts a dense frame on its canvas in "
      f"{max(data.web_by[('dense', k)]['latency_ms_median'] for k in KINDS):.1f} ms or less (median).")
    w("A *floor* is the cost of only handing the frame's vertices to the graphics library (the same")
    w("call stream replayed), so *frame / floor* is what computing the curves adds on top of drawing them.")
    w("Every target is in the table under Targets, and each one that is missed says why on its row.")
    w("")
    w("Every mouse movement redraws the whole frame, so the cost of one frame is")
    w("what a user feels. The figures below are measured side by side in one run")
    w("of `scripts/bench.sh`; the ratios are what count, since absolute times move")
    w("with the machine and its load.")
    w("")
    w(f"- Date: {datetime.datetime.now(datetime.timezone.utc):%Y-%m-%d %H:%M} UTC")
    w(f"- Machine: {m['cpus']} CPUs, {m['model']}, {m['memory']} memory, Linux {m['kernel']}")
    w(f"- Compiler: {m['compiler']}; Release build (-O3), no fused multiply-add")
    w(f"- OpenGL: {data.gl.get('renderer', 'unknown')} on Xvfb")
    w(f"- Load average (1, 5, 15 min) before / after: {m['load_before']} / {m['load_after']}")
    w(f"- CPU figures: median of {data.reps} repetitions (interleaved at random) of process CPU time per frame;"
      " real-GL figures: median of timed batches, wall time, frame and floor alternating")
    w("")
    w("## Scenes")
    w("")
    w("| scene | control points | Bezier | B-spline |")
    w("|---|---|---|---|")
    w("| typical | 10 (a hand-placed wave) | 3 segments, tolerance 5 | 7 segments, 25 steps |")
    w("| dense | 301 (seeded, spread over the window) | 100 segments, tolerance 1 | 298 segments, 499 steps |")
    w("")


def write_one_frame(w, fig):
    w("## One frame")
    w("")
    w("*Frame*: `OnDisplay` (clear, markers, curve pass, flush, swap) with every GL call going to a")
    w("counting no-op. *Floor*: the same call stream, captured once and replayed through the same")
    w("no-op. *cairo*: the same curves stroked by cairo 1 px wide, antialiasing off, into a")
    w("500 x 500 image, clear included (Bezier segments as `cairo_curve_to`, B-spline segments")
    w("converted to their Bezier control points; cairo's own flattening tolerance). *Real GL*: the")
    w("frame through `glFinish` on Mesa llvmpipe against the replay of its vertices in the same")
    w("GL_POINTS batches, also through `glFinish`.")
    w("")
    w("| scene | kind | vertices | frame CPU (us) | ns / vertex | heap allocs / frame | floor (us) | frame / floor | cairo (us) | cairo / frame | real-GL frame (ms) | GL floor (ms) | GL frame / floor | fps |")
    w("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|")
    for (s, k), r in fig.rows.items():
        w(f"| {s} | {k} | {r['vertices']:,} | {us(r['frame'])} | {r['frame'] / r['vertices']:.1f} | "
          f"{r['allocs']:,.0f} | {us(r['floor'])} | {r['frame'] / r['floor']:.1f} | {us(r['cairo'])} | "
          f"{r['cairo'] / r['frame']:.2f} | {r['gl_frame'] * 1e3:.3f} | {r['gl_floor'] * 1e3:.3f} | "
          f"{r['gl_frame'] / r['gl_floor']:.2f} | {1 / r['gl_frame']:,.0f} |")
    w("")
    w("*cairo / frame* above 1 means the editor's frame costs less CPU than cairo's drawing of the")
    w("same curves. The frame's vertex count includes one marker per control point. cairo's figure")
    w(f"includes filling the 500 x 500 image black, which alone takes {us(fig.clear)} us; the editor's")
    w("clear goes to the no-op here and is paid on the GPU side (the real-GL columns).")
    w("")


def why_gl(r):
    cpu_ms = r["frame"] / 1e6
    return (f"the frame's own CPU work ({cpu_ms:.1f} ms, {r['allocs']:,.0f} matrix temporaries) is a large "
            "share of it; the floor replays finished vertices only")


def why_cairo(k, r):
    if k == "bezier":
        return (f"bounded by the prescribed allocation pattern: every subdivision step builds its 4 x 4 "
                f"products, scaled copies and the by-value copy for the leg test on the heap "
                f"({r['allocs']:,.0f} allocations per frame), where cairo flattens in place")
    return (f"the prescribed {r['vertices']:,} single-pixel vertices (every one of the fixed steps "
            "evaluated and rasterised) against cairo's adaptive flattening into far fewer spans")


def target(w, what, where, measured, met, why):
    """One row of the targets table; `why` is only called for a miss."""
    w(f"| {what} | {where} | {measured} | {'yes' if met else 'no'} | {'' if met else why()} |")


def write_frame_targets(w, fig):
    for (s, k), r in fig.rows.items():
        ratio = r["gl_frame"] / r["gl_floor"]
        target(w, "real-GL frame <= 1.25 x its replay floor", f"{s} / {k}", f"{ratio:.2f} x",
               ratio <= 1.25, lambda: why_gl(r))
    for (s, k), r in fig.rows.items():
        ratio = r["cairo"] / r["frame"]
        target(w, "CPU frame >= 3 x faster than cairo", f"{s} / {k}", f"{ratio:.2f} x",
               ratio >= 3, lambda: why_cairo(k, r))
    for (s, k), b in fig.soak.items():
        target(w, "allocations per frame constant, nothing kept", f"{s} / {k}",
               f"{b['allocs_min']:,.0f} .. {b['allocs_max']:,.0f} per frame over {b['frames']:,.0f} frames, "
               f"{b['live_growth']:,.0f} blocks kept",
               b["allocs_min"] == b["allocs_max"] and b["live_growth"] == 0, lambda: "see the soak benchmark")
    target(w, "typical scene far above 60 fps (software GL)", "typical / both",
           f"{fig.fps['typical']:,.0f} fps (slower kind)", fig.fps["typical"] >= 600,
           lambda: "the machine was loaded or slow; see the load average")
    w(f"| dense scene's rate (reported) | dense / both | {fig.fps['dense']:,.1f} fps (slower kind) | - | |")


def write_browser_targets(w, data):
    for k in KINDS:
        r = data.web_by[("dense", k)]
        target(w, "browser: dense frame from request to canvas within 16 ms", f"dense / {k}",
               f"{r['latency_ms_median']:.1f} ms median, {r['latency_ms_max']:.1f} ms max",
               r["latency_ms_median"] <= 16, lambda: "see In a browser")
    flood = data.web["flood"]
    target(w, f"browser: a dialogue answered after {flood['motions']:,} queued motions within 100 ms", "typical",
           f"{flood['answer_ms']:.1f} ms", flood["answer_ms"] < 100, lambda: "see In a browser")
    emulated = data.load["emulated"]
    ratio = emulated["median_ms"] / emulated["floor_ms"]
    target(w, "browser: help text on a school network within 1.25 x its floor", "the first load",
           f"{emulated['median_ms']:,.0f} ms, {ratio:.2f} x", ratio <= 1.25, lambda: "see Loading the page")
    site_kib = data.web["site_bytes"] / 1024
    w(f"| browser: site at most 300 KiB | the whole site: page, program, manifest, icon, service worker | "
      f"{site_kib:,.1f} KiB | {'yes' if site_kib <= 300 else 'no'} | |")


def write_targets(w, data, fig):
    w("## Targets")
    w("")
    w("| target | scene / kind | measured | met | where missed, why |")
    w("|---|---|---|---|---|")
    write_frame_targets(w, fig)
    write_browser_targets(w, data)
    w("")


def write_browser(w, data):
    web, webkit, flood = data.web, data.webkit, data.web["flood"]
    w("## In a browser")
    w("")
    w(f"The browser edition (WebAssembly, Emscripten) in {web['browser']} on the same machine. Each")
    w("scene is built in the page with real clicks, dialogues and menu choices, checked pixel for pixel")
    w(f"against the frame composition's own output, then redrawn after real mouse movements "
      f"({data.web_by[('dense', 'bezier')]['frames']} frames per row). *Display*: the display callback "
      "(curves into the framebuffer, then the canvas upload); *request to canvas*: from the redisplay")
    w("request in the input handler to the pixels on the canvas, the wait for the animation frame included.")
    w("")
    browser_table(w, web)
    w(f"The same scenes in {webkit['browser']} (the engine of every browser on an iPad), on the same "
      "machine with no GPU:")
    w("")
    browser_table(w, webkit)
    typical = {(r["scene"], r["kind"]): r for r in webkit["results"]}[("typical", "bezier")]
    w("WebKit's clock counts whole milliseconds, so its display figures are coarse. What WebKit adds "
      "to *request to canvas* beyond drawing is the wait for its next animation frame, which WebKitGTK "
      "on a virtual display without a GPU schedules less promptly than headless Chromium: the typical "
      f"Bezier frame is drawn in {typical['display_ms_median']:.0f} ms (median) yet reaches the canvas "
      f"{typical['latency_ms_median']:.1f} ms after its request. A figure to explain, not a target: "
      "the frame itself is the program's, the same in both engines.")
    w("")
    w(f"*Flood*: with a dialogue waiting, {flood['motions']:,} pointer movements over the canvas are "
      f"dispatched to the page ({flood['queue_ms']:,.0f} ms, most of it the browser's own event dispatch), "
      "where consecutive motions collapse into the last one; answering the dialogue then runs what "
      f"waited and draws the frame in {flood['answer_ms']:.1f} ms.")
    w("")


def write_loading(w, data):
    loopback, emulated = data.load["loopback"], data.load["emulated"]
    w("## Loading the page")
    w("")
    w("From the start of the navigation to the program's first output (the help text) on the page, in "
      "headless Chromium with a fresh profile each load, the site served uncompressed as a plain static "
      f"host serves it ({len(emulated['help_ms'])} loads each, median). *Emulated*: DevTools network "
      "emulation of a school's or a phone's network, 150 ms round trip and 1.6 Mbit/s down. *Floor*: one "
      "round trip plus the bytes the load needs before the help text at that rate.")
    w("")
    w("| network | help text (ms, median) | loads (ms) | bytes before it | floor (ms) | help text / floor |")
    w("|---|---|---|---|---|---|")
    w(f"| loopback | {loopback['median_ms']:,.0f} | {', '.join(f'{t:,.0f}' for t in loopback['help_ms'])} | "
      f"{loopback['bytes']:,} | | |")
    w(f"| emulated | {emulated['median_ms']:,.0f} | {', '.join(f'{t:,.0f}' for t in emulated['help_ms'])} | "
      f"{emulated['bytes']:,} | {emulated['floor_ms']:,.0f} | {emulated['median_ms'] / emulated['floor_ms']:.2f} |")
    w("")
    w("The page asks for everything its first frame needs as soon as it arrives (the program's "
      "WebAssembly first, then every module and the program's script), so the wait is one round trip for "
      "the page, one for the rest, and the bytes. Where the server compresses the files (gzip, level 6), "
      f"the same load is {data.load['gzip_bytes']:,} bytes, "
      f"{100 * data.load['gzip_bytes'] / emulated['bytes']:.0f} % of it.")
    w("")


def write_scaling(w, fig, plot):
    w("## How the cost grows with the work")
    w("")
    w("Frame CPU time against emitted vertices; a straight line (R^2 near 1, ns / vertex flat)")
    w("means the cost follows the vertices. Each series is fitted as time = a + b x vertices, and")
    w("also against the frame's heap allocations (one per matrix temporary, so a count of the")
    w("matrix work) to show which of the two the time follows.")
    w("")
    w("| series | points / setting | vertices | frame CPU (us) | ns / vertex | allocs / frame |")
    w("|---|---|---|---|---|---|")
    for label, data in fig.sweeps:
        for i, (arg, v, t, al) in enumerate(data):
            w(f"| {label if i == 0 else ''} | {arg} | {v:,.0f} | {us(t)} | {t / v:.1f} | {al:,.0f} |")
    w("")
    w("| series | against vertices: ns / vertex, intercept (us), R^2 | against allocations: ns / alloc, R^2 |")
    w("|---|---|---|")
    for label, a, b, r2, by_allocs in fig.fits:
        w(f"| {label} | {b:.1f}, {a / 1e3:,.1f}, {r2:.3f} | {by_allocs} |")
    w("")
    w(f"![frame CPU time against emitted vertices]({os.path.basename(plot)})")
    w("")


def write_profiles(w, profiles):
    w("## Where the time goes")
    w("")
    if profiles:
        w("`perf record` of the dense frames (no-op GL), self time by symbol, top entries:")
        w("")
        for k, text in profiles:
            w(f"Dense {k}:")
            w("")
            w("```")
            w(text)
            w("```")
            w("")
    else:
        w("No profile: `perf record` was not available on this machine.")
        w("")
    # What earlier profiles led to; the code keeps only a pointer here.
    w("Two small functions are defined in headers so that the compiler inlines them,")
    w("because a call each showed in earlier profiles:")
    w("")
    w("- `Matrix::PutElement` and `Matrix::GetElement` (`matrix/matrix.h`): every element")
    w("  access of the matrix library and of the curve renderers goes through them, and an")
    w("  out-of-line call per element was most of a frame's cost.")
    w("- `ToPixel` (`render/segment.h`): it runs twice for every evaluated curve point, and")
    w("  a call per coordinate was a fifth of a dense B-spline frame.")
    w("")


def report(data, fig, plot):
    """The whole document as a list of lines."""
    lines = []
    w = lines.append
    write_introduction(w, data, fig)
    write_one_frame(w, fig)
    write_targets(w, data, fig)
    write_browser(w, data)
    write_loading(w, data)
    write_scaling(w, fig, plot)
    write_profiles(w, data.profiles)
    return lines


# ---------------------------------------------------------------- plotting


def plot_scaling(sweeps, path):
    fig, (ax1, ax2) = plt.subplots(1, 2, figsize=(12, 5))
    for (label, data), marker in zip(sweeps, "osD^"):
        v = [d[1] for d in data]
        t = [d[2] / 1e3 for d in data]
        ax1.plot(v, t, marker=marker, linestyle="-", label=label)
        ax2.plot(v, [d[2] / d[1] for d in data], marker=marker, linestyle="-", label=label)
    for ax in (ax1, ax2):
        ax.set_xscale("log")
        ax.set_xlabel("vertices emitted per frame")
        ax.grid(True, which="both", alpha=0.3)
    ax1.set_yscale("log")
    ax1.set_ylabel("frame CPU time (us)")
    ax1.set_title("Frame cost against work (log-log: slope 1 = linear)")
    ax2.set_ylabel("ns per vertex")
    ax2.set_ylim(bottom=0)
    ax2.set_title("Cost per vertex (flat = linear)")
    ax1.legend(fontsize=8)
    fig.tight_layout()
    fig.savefig(path, dpi=100)


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--results", required=True)
    ap.add_argument("--markdown", required=True)
    ap.add_argument("--plot", required=True)
    args = ap.parse_args()

    data = load_results(args.results)
    fig = measure(data)
    with open(args.markdown, "w") as f:
        f.write("\n".join(report(data, fig, args.plot)) + "\n")
    plot_scaling(fig.sweeps, args.plot)


if __name__ == "__main__":
    main()
