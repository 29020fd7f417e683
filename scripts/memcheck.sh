#!/usr/bin/env bash
# The long memory check: the Release program under valgrind memcheck on a
# virtual display, driven through many rounds of a scripted session.
# Usage: scripts/memcheck.sh [rounds] (default 40). BUILD_DIR overrides the
# build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${TEST_PACKAGES[@]}"
rounds="${1:-40}"
dir="${BUILD_DIR:-build/release}"
if [ "$dir" = build/release ]; then
  cmake --preset release >/dev/null
else
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$dir" --target bezier
exec timeout 3600 python3 -B fuzz/memcheck.py --binary "$dir/app/bezier" --rounds "$rounds"
