# Sourced by ./run and ./test: installs the Debian packages a step needs when
# they are missing (as root, e.g. on a fresh machine or in CI), and otherwise
# names them so a developer can install them.

# Building the editor.
BUILD_PACKAGES=(cmake ninja-build g++ libgl-dev libglut-dev)
# Building and running every test, benchmark and check.
TEST_PACKAGES=("${BUILD_PACKAGES[@]}" libgtest-dev libgmock-dev libeigen3-dev libbenchmark-dev)

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
