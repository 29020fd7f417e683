# Sourced by ./run, ./test and the scripts: installs the Debian packages a step needs when
# they are missing (as root, e.g. on a fresh machine or in CI), and otherwise
# names them so a developer can install them; and configures and builds a
# preset's targets for the scripts.

# Building the editor (Xlib: the program tells the window manager its one size).
BUILD_PACKAGES=(cmake ninja-build g++ libgl-dev libglut-dev libx11-dev)
# Building and running every test, benchmark and check.
TEST_PACKAGES=("${BUILD_PACKAGES[@]}" libgtest-dev libgmock-dev libeigen3-dev libbenchmark-dev)
# Building the Debian package (scripts/package.sh).
PACKAGE_PACKAGES=("${BUILD_PACKAGES[@]}" dpkg-dev)
# The package check: builds the package, has lintian judge it, validates its
# desktop entry, renders its manual page and runs the unpacked program on a
# virtual display (Mesa's software renderer) through the real-window suite's
# harness.
TEST_PACKAGES+=(dpkg-dev lintian desktop-file-utils python3 man-db groff-base xvfb xdotool x11-apps
                x11-utils libx11-6 libgl1-mesa-dri)
# The frame benchmarks: the cairo peer, and the real-GL frame on a virtual
# display with Mesa's software renderer.
TEST_PACKAGES+=(libcairo2-dev pkg-config xvfb libgl1-mesa-dri)
# The real-window suite (e2e/): a virtual display with Mesa's software
# renderer, XTEST input, window dumps, and python3-xlib for the close request;
# a stacking and a tiling window manager, and wmctrl to ask one to maximize.
TEST_PACKAGES+=(python3 python3-xlib xvfb xdotool x11-apps x11-utils libgl1-mesa-dri openbox i3-wm wmctrl)
# Robustness checks: the libFuzzer targets (clang and its fuzzing runtime)
# and the memory check of the real program on a virtual display.
TEST_PACKAGES+=(clang libclang-rt-14-dev valgrind python3 xvfb xdotool x11-apps x11-utils libgl1-mesa-dri)
# The browser edition (./run --web, web/): Emscripten, which runs under the
# system's Node.js; Python serves the site.
WEB_PACKAGES=(cmake ninja-build emscripten nodejs python3)
# The browser suite and the browser frame benchmark: the site built with
# Emscripten, driven in headless Chromium through ChromeDriver and Selenium.
TEST_PACKAGES+=("${WEB_PACKAGES[@]}" chromium chromium-driver python3-selenium)
# The same groups in WebKit: WebKitGTK's driver and browser on a virtual display,
# input as XTEST events.
TEST_PACKAGES+=(webkit2gtk-driver xvfb xdotool)
# The same scenes in Firefox: Debian's firefox-esr, driven headless through
# WebDriver BiDi (which it speaks itself) over python3-websocket.
TEST_PACKAGES+=(firefox-esr python3-websocket)
# The browser suite's accessibility audit fetches axe-core with npm. Some
# Node.js packages carry their own npm (and conflict with Debian's), so the
# package is asked for only when there is no npm at all.
command -v npm >/dev/null 2>&1 || TEST_PACKAGES+=(npm)
# The screen reader walk (chromium.ScreenReader): Debian's Orca on its
# accessibility bus, speaking to speech-dispatcher, with Chromium.
TEST_PACKAGES+=(orca at-spi2-core dbus-x11 speech-dispatcher python3-pyatspi chromium xvfb xdotool)
# Only scripts/bench.sh: the scaling plot and the profile in the report.
BENCH_PACKAGES=("${TEST_PACKAGES[@]}" python3-matplotlib linux-perf)

ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing missing packages: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}" >/dev/null
  else
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
}

# configure_and_build <preset> <dir> [target...]: configures the preset's
# build in <dir> (its default folder or another) and builds the targets, or
# everything when none is named.
configure_and_build() {
  local preset=$1 build=$2
  shift 2
  cmake --preset "$preset" -B "$build" >/dev/null
  cmake --build "$build" ${1:+--target "$@"}
}

# The preamble of the long checks (soak, memory check): every package the
# tests need, then the preset's build with the target the check runs, in
# BUILD_DIR when that is set (default build/<preset>). Sets `dir` to it.
build_for_check() {  # preset, target
  ensure_packages "${TEST_PACKAGES[@]}"
  dir=${BUILD_DIR:-build/$1}
  configure_and_build "$1" "$dir" "$2"
}
