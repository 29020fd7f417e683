#!/usr/bin/env bash
# Builds the frame benchmarks (Release) and the browser edition, runs them for
# real and writes docs/performance.md with the scaling plot
# docs/performance-scaling.png.
# Takes a few minutes; the figures mean most on an otherwise idle machine.
#   REPS=N      repetitions per benchmark (median reported; default 9)
#   MIN_TIME=S  minimum seconds per repetition (default 0.1)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${BENCH_PACKAGES[@]}"

build=build/bench
out=$build/results
reps=${REPS:-9}
min_time=${MIN_TIME:-0.1}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target frame_bench gl_frame scene_points frame_oracle
cmake --preset web >/dev/null
cmake --build --preset web
mkdir -p "$out" docs
cut -d' ' -f1-3 /proc/loadavg >"$out/loadavg-before"

echo "== CPU frame, replay floor, cairo, scaling, allocation soak"
"$build/bench/frame_bench" --soak_frames=10000 \
  --benchmark_repetitions="$reps" --benchmark_enable_random_interleaving=true \
  --benchmark_min_time="$min_time" --benchmark_report_aggregates_only=true \
  --benchmark_out="$out/frame_bench.json" --benchmark_out_format=json

echo "== real OpenGL frame on a virtual display"
"$build/bench/gl_frame" --json="$out/gl_frame.json"

echo "== the browser edition's frame in headless Chromium, then in WebKit"
for engine in chromium webkit; do
  /usr/bin/python3 -m bench.web_frame --engine "$engine" --site build/web/site \
    --scenes "$build/bench/scene_points" --oracle "$build/e2e/frame_oracle" \
    --json "$out/web_frame_$engine.json"
done

echo "== loading the browser edition, on loopback and on an emulated school network"
/usr/bin/python3 -m bench.web_load --site build/web/site --loads 5 --json "$out/web_load.json"

# Where the time of the two dense frames goes. A machine that does not allow
# sampling still gets its report, which then says so.
for kind in bezier bspline; do
  profile=$out/profile-dense-$kind.txt
  rm -f "$profile"
  if perf record -q -o "$out/perf-$kind.data" -- "$build/bench/frame_bench" \
       --benchmark_filter="^Frame/dense/$kind\$" --benchmark_min_time=2 >/dev/null 2>"$out/perf-$kind.log"; then
    perf report -q -i "$out/perf-$kind.data" --no-children --sort symbol --stdio 2>/dev/null |
      grep -E '^ +[0-9]' | head -15 >"$profile" || true
  else
    echo "perf record failed; see $out/perf-$kind.log" >&2
  fi
done
cut -d' ' -f1-3 /proc/loadavg >"$out/loadavg-after"

/usr/bin/python3 scripts/bench_report.py --results "$out" \
  --markdown docs/performance.md --plot docs/performance-scaling.png
echo "wrote docs/performance.md and docs/performance-scaling.png"
