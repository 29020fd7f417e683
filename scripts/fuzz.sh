#!/usr/bin/env bash
# Builds the libFuzzer targets (preset `asan`, clang) and runs each one for
# the given number of seconds (default 300) on a scratch copy of its corpus
# in fuzz/corpus/<target>. Fails if any target finds a crash, a sanitizer
# report, a leak or a time-out; the failing input is left in the scratch
# directory, whose path is printed. ./test runs it with 5 seconds.
# Usage: scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${TEST_PACKAGES[@]}"
seconds="${1:-300}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(dialogue line matrix)

# The sanitized build holds the targets: ./test has built them with it.
cmake --preset asan >/dev/null
cmake --build --preset fuzz

scratch="$(mktemp -d "${TMPDIR:-/tmp}/bezier-fuzz.XXXXXX")"
failed=0
for t in "${targets[@]}"; do
  bin="build/asan/fuzz/fuzz_$t"
  [ -x "$bin" ] || { echo "fuzz: no target $bin" >&2; exit 1; }
  mkdir -p "$scratch/$t/corpus" "$scratch/$t/artifacts"
  cp fuzz/corpus/"$t"/* "$scratch/$t/corpus/"
  extra=()
  # Long segments would otherwise be favoured for their loop counts alone.
  [ "$t" = line ] && extra+=(-use_counters=0)
  log="$scratch/$t/log"
  # libFuzzer's own -max_total_time ends the run; timeout only guards
  # against a hang of the engine itself.
  if timeout $((seconds + 120)) "$bin" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
      -print_final_stats=1 -artifact_prefix="$scratch/$t/artifacts/" "${extra[@]}" \
      "$scratch/$t/corpus" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    echo "fuzz $t: ${runs:-?} executions in ${seconds}s, $cov, no crashes"
  else
    echo "fuzz $t: FAILED (log and failing input in $scratch/$t)" >&2
    grep -E 'ERROR|SUMMARY|^line|^read|^matrix|runtime error' "$log" | head -20 >&2 || true
    failed=1
  fi
done
[ $failed -eq 0 ] && rm -rf "$scratch"
exit $failed
