#!/usr/bin/env bash
# Builds the Debian package of the editor from a Release build of its own
# (build/package) and prints the package's path. Install it with
#   sudo apt-get install ./build/package/bezier_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${PACKAGE_PACKAGES[@]}"

dir=build/package
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBEZIER_TESTS=OFF >/dev/null
cmake --build "$dir"
rm -f "$dir"/bezier_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/bezier_*.deb)
dpkg-deb -I "$deb"
echo "Package: $deb"
