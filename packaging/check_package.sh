#!/usr/bin/env bash
# Checks the installed editor the way a user meets it. First the sequence of
# a developer without a package: configure, build only the program (as ./run
# does), `cmake --install` to a prefix. Then the Debian package that
# scripts/package.sh builds from the same tree: its control fields, its file
# list, lintian's verdict (hardening and stripping included), its manual page
# as `man` renders it, and the unpacked program opening its window on a
# virtual display of its own and ending with status 0 when that window is
# closed (driven by the real-window suite's window surface, e2e/surface.py).
#
# Usage: check_package.sh <source dir> <expected version>
# Everything happens in a fresh temporary directory (build trees, package,
# unpacked tree, display), so it can run beside other checks. Any deviation
# fails loudly.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 <source dir> <expected version>" >&2
  exit 2
fi
srcdir=$1
version=$2

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "-- $*"; }

for tool in cmake cpack dpkg dpkg-deb dpkg-parsechangelog lintian desktop-file-validate python3 groff man zcat; do
  command -v "$tool" >/dev/null || fail "the tool '$tool' is not installed"
done
[ -f "$srcdir/CMakePresets.json" ] || fail "$srcdir is not the source tree"

work=$(mktemp -d "${TMPDIR:-/tmp}/bezier-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Every file the install rules put under the prefix, and nothing else.
installed_files="bin/bezier
share/applications/bezier.desktop
share/doc/bezier/changelog.gz
share/doc/bezier/copyright
share/icons/hicolor/scalable/apps/bezier.svg
share/man/man1/bezier.1.gz"

# ---------------------------------------------------------------- install
step "installing after building only the program"
# A tree of its own, so the one already built cannot hide a file that only a
# full build produces; the package is then made from the same tree.
"$srcdir/scripts/package.sh" --program-only "$work/out" >"$work/install.log" 2>&1 &&
  cmake --install "$work/out" --prefix "$work/prefix" >>"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; fail "configure, build of bezier, install did not succeed"; }
got=$(cd "$work/prefix" && find . ! -type d | sed 's|^\./||' | sort)
[ "$got" = "$installed_files" ] || fail "the install holds:
$got
expected:
$installed_files"

# ---------------------------------------------------------------- package
step "building the package"
if ! "$srcdir/scripts/package.sh" "$work/out" >"$work/package.log" 2>&1; then
  cat "$work/package.log" >&2
  fail "scripts/package.sh could not build the package"
fi
arch=$(dpkg --print-architecture)
deb="$work/out/bezier_${version}_${arch}.deb"
[ -f "$deb" ] || { ls -l "$work/out" >&2; fail "no package named $(basename "$deb")"; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] || fail "expected one package, got: ${debs[*]}"

# ---------------------------------------------------------------- control fields
step "checking the control fields"
dpkg-deb -I "$deb"
field() { dpkg-deb -f "$deb" "$1"; }
expect_field() {  # name, expected value
  local got
  got=$(field "$1")
  [ "$got" = "$2" ] || fail "field $1 is '$got', expected '$2'"
}
expect_field Package bezier
expect_field Version "$version"
expect_field Architecture "$arch"
expect_field Section graphics
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] ||
  fail "Maintainer '$(field Maintainer)' is not 'Name <address>'"
description=$(field Description)
summary=${description%%$'\n'*}
[ -n "$summary" ] || fail "Description has no summary line"
[ "$summary" != "$description" ] || fail "Description has no long text"
depends=$(field Depends)
[ -n "$depends" ] || fail "Depends is empty"
# Each dependency is checked as a whole package name in the list.
has_dependency() {  # extended regex for one package name
  grep -Eq "(^|, )($1)( |,|$)" <<<"$depends"
}
has_dependency 'libglut[0-9.]*|freeglut3' || fail "Depends names no freeglut runtime: $depends"
has_dependency 'libgl1|libopengl0' || fail "Depends names no OpenGL runtime: $depends"
has_dependency 'libx11-6' || fail "Depends names no Xlib runtime (the window's size hints): $depends"
has_dependency 'libc6' || fail "Depends names no C library: $depends"
has_dependency 'libstdc\+\+6' || fail "Depends names no C++ runtime: $depends"
grep -Eq '\(>= [0-9]' <<<"$depends" || fail "Depends carries no minimum versions: $depends"

# ---------------------------------------------------------------- contents
step "checking the contents"
dpkg-deb -c "$deb" >"$work/contents"
cat "$work/contents"
owners=$(awk '{print $2}' "$work/contents" | sort -u)
[ "$owners" = "root/root" ] || fail "files not owned by root/root: $owners"
root="$work/root"
dpkg-deb -x "$deb" "$root"
files=$(cd "$root" && find . ! -type d | sort)
expected_files=$(sed 's|^|./usr/|' <<<"$installed_files")
[ "$files" = "$expected_files" ] || fail "package holds:
$files
expected:
$expected_files"
program="$root/usr/bin/bezier"
manpage="$root/usr/share/man/man1/bezier.1.gz"
[ "$(stat -c %a "$program")" = 755 ] || fail "program mode is $(stat -c %a "$program"), expected 755"
for file in $installed_files; do
  [ "$file" = bin/bezier ] && continue
  mode=$(stat -c %a "$root/usr/$file")
  [ "$mode" = 644 ] || fail "$file has mode $mode, expected 644"
done
[ "$(head -c 4 "$program" | od -An -c | tr -d ' ')" = '177ELF' ] || fail "the program is not an ELF file"
# A stripped program carries no symbol table.
if readelf -S "$program" | grep -q '\.symtab'; then fail "the program is not stripped"; fi

# ---------------------------------------------------------------- Debian metadata
step "checking the copyright, the changelog and lintian's verdict"
copyright="$root/usr/share/doc/bezier/copyright"
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$copyright" ||
  fail "the copyright file is not in the machine-readable format"
grep -qx 'Copyright: [0-9, -]* The bezier authors' "$copyright" || fail "the copyright file names no holder"
grep -qx 'License: Expat' "$copyright" || fail "the copyright file names no MIT (Expat) licence"
# The licence paragraph, unindented, must be the permission text of LICENSE.
sed -n '/^License: /,$ { /^License: /d; s/^ //; s/^\.$//; p }' "$copyright" >"$work/licence"
sed -n '/^Permission /,$p' "$srcdir/LICENSE" | diff - "$work/licence" >&2 ||
  fail "the licence text in the copyright file differs from LICENSE"
zcat "$root/usr/share/doc/bezier/changelog.gz" >"$work/changelog"
changelog_version=$(dpkg-parsechangelog -l "$work/changelog" -S Version) ||
  fail "dpkg-parsechangelog cannot read the changelog"
[ "$changelog_version" = "$version" ] ||
  fail "the newest changelog entry is $changelog_version, expected $version"
# Errors fail the check; warnings and notes are shown for whoever reads the log.
lintian_status=0
lintian --display-info "$deb" >"$work/lintian" 2>&1 || lintian_status=$?
grep -v '^running with root privileges' "$work/lintian" || true
if grep -q '^E: ' "$work/lintian"; then fail "lintian reports errors"; fi
# Built with Debian's hardening flags and stripped as Debian's packages are.
if grep -E ': (hardening-[a-z-]+|binary-has-unneeded-section) ' "$work/lintian" >&2; then
  fail "lintian finds the program not hardened or not stripped as a package's should be"
fi
[ "$lintian_status" -eq 0 ] || fail "lintian ended with status $lintian_status"

# ---------------------------------------------------------------- desktop entry and icon
step "checking the desktop entry and the icon"
desktop="$root/usr/share/applications/bezier.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
# It must start the packaged program, in a terminal for the console
# dialogues, and find the packaged icon.
for line in Exec=bezier Terminal=true Icon=bezier 'Categories=Graphics;Education;'; do
  grep -qx "$line" "$desktop" || fail "the desktop entry lacks the line $line"
done
# The icon is an SVG document drawing at least one cubic segment.
python3 - "$root/usr/share/icons/hicolor/scalable/apps/bezier.svg" <<'EOF' ||
import sys, xml.etree.ElementTree as ET
svg = "{http://www.w3.org/2000/svg}"
root = ET.parse(sys.argv[1]).getroot()
assert root.tag == svg + "svg", root.tag
assert any("C" in p.get("d", "") for p in root.iter(svg + "path")), "no cubic path"
EOF
  fail "the icon is not an SVG drawing of a cubic curve"

# ---------------------------------------------------------------- manual page
step "rendering the manual page"
# Every groff warning counts as a failure: -ww turns them all on, and anything
# on standard error fails the check.
zcat "$manpage" | groff -man -Tutf8 -ww -z 2>"$work/groff.err" || fail "groff failed"
[ ! -s "$work/groff.err" ] || { cat "$work/groff.err" >&2; fail "groff warned about the manual page"; }
# Lines wide enough that no paragraph wraps or hyphenates, so the phrases
# below can be found whole.
MANWIDTH=1000 man --warnings=all -E UTF-8 -l "$manpage" >"$work/man.txt" 2>"$work/man.err" ||
  fail "man could not render the page"
[ ! -s "$work/man.err" ] || { cat "$work/man.err" >&2; fail "man warned about the manual page"; }
page=$(tr -s ' \n' ' ' <"$work/man.txt")
expect_text() {
  [[ $page == *"$1"* ]] || fail "the rendered manual page lacks: $1"
}
expect_text "bezier $version"
for heading in NAME SYNOPSIS DESCRIPTION OPTIONS MOUSE MENU KEYS FILES "EXIT STATUS"; do
  grep -qx "$heading" "$work/man.txt" || fail "the manual page has no $heading section"
done
for phrase in "Clear All" "Cubic B-Spline" "50 pixels" "1 to 499" "default 5" "default 25" \
              "-display" "-geometry" "reads no file and writes none"; do
  expect_text "$phrase"
done

# ---------------------------------------------------------------- the program
step "running the unpacked program on a virtual display"
# The real-window suite's window surface: a private display, the program with its
# output captured, and the close request a window manager sends. The
# controls summary, in the suite's one copy of it, must already be on
# standard output (a pipe, so not a terminal) while the window is up.
PYTHONPATH=$srcdir /usr/bin/python3 -B - "$program" "$work" <<'EOF' ||
import sys
from e2e.scenes import HELP
from e2e.surface import Window

window = Window(sys.argv[1], workdir=sys.argv[2])
try:
    # Waits for the window and for it to be 500 x 500.
    window.start()
    window.wait_console(HELP, timeout=10)
    window.close_window()
    status = window.wait_exit(timeout=10)
    if status is None:
        sys.exit("the program still runs 10 s after its window was closed")
    if status != 0 or window.stderr():
        sys.exit("the program exited with status %d: %s" % (status, window.stderr()))
    if window.console() != HELP:
        sys.exit("standard output changed after the window closed: %r" % window.console())
finally:
    window.stop()
EOF
  fail "the unpacked program did not run as a user meets it"

echo "package check passed: $(basename "$deb")"
