#!/usr/bin/env bash
# The long memory check: the Release program under valgrind memcheck on a
# virtual display, driven through many rounds of a scripted session.
# Usage: scripts/memcheck.sh [rounds] (default 40). BUILD_DIR overrides the
# build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
rounds="${1:-40}"
build_for_check release bezier
exec timeout 3600 /usr/bin/python3 -B -m fuzz.memcheck --binary "$dir/app/bezier" --rounds "$rounds"
