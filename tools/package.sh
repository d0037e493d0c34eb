#!/usr/bin/env bash
# Builds the Debian package (a Release build of the program alone, with
# Debian's hardening flags) in build-package/, checks the desktop entry, the
# AppStream data and the package with lintian, unpacks the package into a
# scratch root, checks that every library the program needs is found, and
# starts the unpacked program under Xvfb until its window shows
# (build-package/window.png is the screen then).
#
#   bash tools/package.sh           # build and check
#   apt install ./build-package/tricoma_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/tricoma-ccache}"
out=build-package
step() { echo "== package: $* ($(date +%T))"; }

step "Release build of the program"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTRICOMA_BUILD_TESTS=OFF -DTRICOMA_BUILD_BENCH=OFF \
  "-DCMAKE_C_FLAGS=$(dpkg-buildflags --get CFLAGS | sed 's/\(^\| \)-g\( \|$\)/ /') $cppflags" \
  "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CXXFLAGS | sed 's/\(^\| \)-g\( \|$\)/ /') $cppflags" \
  "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$out" -j "$(nproc)" --target tricoma
rm -f "$out"/tricoma_*.deb
(cd "$out" && cpack -G DEB >/dev/null)
deb=$(ls "$out"/tricoma_*.deb)
echo "$deb: $(stat -c %s "$deb") bytes"
dpkg-deb -f "$deb" Package Version Architecture Installed-Size Depends Recommends

step "desktop entry, AppStream data, lintian"
desktop-file-validate tricoma/tricoma.desktop
appstreamcli validate --no-net tricoma/*.metainfo.xml
# Fails on errors; warnings are shown.
lintian --fail-on error "$deb"

step "unpacked into a scratch root"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
program="$root/usr/bin/tricoma"
if ldd "$program" | grep 'not found'; then
  echo "The program needs libraries that are not installed." >&2
  exit 1
fi
# The packages named by hand (not found through the libraries) are real.
for p in $(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/[ (].*//;s/^ *//' | grep .); do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" ||
    { echo "Dependency $p is not installed." >&2; exit 1; }
done
"$program" --version
"$program" --help >/dev/null

step "the unpacked program opens its window"
# Its own home, so no remembered folder or setting of this machine counts.
export HOME="$root/home" XDG_RUNTIME_DIR="$root/run"
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$1" & pid=$!
  for _ in $(seq 1 100); do
    if xwininfo -root -tree | grep -q "\"Ornavo Tricoma"; then break; fi
    if ! kill -0 $pid 2>/dev/null; then echo "The program ended before its window showed." >&2; exit 1; fi
    sleep 0.2
  done
  xwininfo -root -tree | grep "\"Ornavo Tricoma" || { echo "No window after 20 s." >&2; kill $pid; exit 1; }
  sleep 1
  import -window root "$2"
  kill $pid
  wait $pid || true
' _ "$program" "$out/window.png"
step "done: $deb"
