#!/usr/bin/env bash
# Builds the Debian package of the editor from a Release build of its own and
# prints the package's path. Usage: scripts/package.sh [--program-only]
# [build dir] (default build/package, where the package lands). Install it with
#   sudo apt-get install ./build/package/bezier_<version>_<arch>.deb
# Only that folder is written, so the package can be built beside any other
# build or test of the tree. --program-only configures the folder and builds
# the program alone, as ./run does (the package check installs from that
# first, then packs the same build). scripts/web_archive.sh writes the
# browser edition's archive.
set -euo pipefail
only=
[ "${1:-}" = --program-only ] && { only=bezier; shift; }
dir=$(realpath -m "${1:-$(dirname "$0")/../build/package}")
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${PACKAGE_PACKAGES[@]}"

# The program is built with the hardening flags dpkg-buildflags gives every
# Debian package (fortify, stack protector, relro and, with +all, immediate
# binding); developer builds keep their own flags. Release's -O3 -DNDEBUG
# follow these on the command line, so the optimisation is Release's.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBEZIER_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$dir" ${only:+--target "$only"}
[ -n "$only" ] && exit 0
rm -f "$dir"/bezier_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/bezier_*.deb)
dpkg-deb -I "$deb"
echo "Package: $deb"
