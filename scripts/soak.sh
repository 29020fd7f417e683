#!/usr/bin/env bash
# The long randomized soak: at least a million clicks, drags, clears, kind
# switches and frames through the real handlers, in the sanitizer build.
# Usage: scripts/soak.sh [events] [seed] (default 1000000 events). BUILD_DIR overrides the build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
events="${1:-1000000}"
seed="${2:-20261208}"
build_for_check asan soak_test
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  BEZIER_SOAK_EVENTS="$events" BEZIER_SOAK_SEED="$seed" "$dir/tests/soak_test"
