#!/usr/bin/env bash
# Builds the Debian package of the editor from a Release build of its own
# (build/package) and prints the package's path. Install it with
#   sudo apt-get install ./build/package/bezier_<version>_<arch>.deb
# Also writes build/package/bezier-web-<version>.zip, the browser edition's
# site ready to unzip on any static web server.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${PACKAGE_PACKAGES[@]}" "${WEB_PACKAGES[@]}"

dir=build/package
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBEZIER_TESTS=OFF >/dev/null
cmake --build "$dir"
rm -f "$dir"/bezier_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/bezier_*.deb)
dpkg-deb -I "$deb"
echo "Package: $deb"

cmake --preset web >/dev/null
cmake --build --preset web
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
rm -f "$dir"/bezier-web-*.zip
cp "build/web/bezier-web-$version.zip" "$dir/"
echo "Site archive: $dir/bezier-web-$version.zip"
