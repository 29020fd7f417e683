#!/usr/bin/env bash
# Builds the browser edition in a folder of its own and writes
# bezier-web-<version>.zip, its site ready to unzip on any static web server,
# and prints the archive's path. Usage: scripts/web_archive.sh [dir] (default
# build/package, where the archive lands; the build itself goes to <dir>/web).
# The tree's own build/web, which the browser suite serves, is left alone.
set -euo pipefail
dir=$(realpath -m "${1:-$(dirname "$0")/../build/package}")
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${WEB_PACKAGES[@]}"

configure_and_build web "$dir/web" >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/web/CMakeCache.txt")
archive="$dir/bezier-web-$version.zip"
rm -f "$dir"/bezier-web-*.zip
cp "$dir/web/bezier-web-$version.zip" "$archive"
echo "Site archive: $archive"
