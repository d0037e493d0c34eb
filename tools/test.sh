#!/usr/bin/env bash
# Builds everything and runs every test: once in a normal build, builds the
# Debian package and starts the program from it, then runs the core libraries'
# tests again under AddressSanitizer + UndefinedBehaviorSanitizer.
# Warnings are errors here (TRICOMA_WERROR), not in a packager's build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh

JOBS=$(nproc)
export QT_QPA_PLATFORM=offscreen
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/tricoma-ccache}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRICOMA_WERROR=ON
cmake --build build -j "$JOBS"
# A private CUPS server with a PDF printer for the real print test, which
# skips when none can run here.
if bash tools/cups-pdf.sh start; then
  trap 'bash tools/cups-pdf.sh stop' EXIT
else
  echo "No CUPS test server: the end-to-end print test will skip."
fi
ctest --test-dir build --output-on-failure -j "$JOBS"

# The Debian package: built, checked by lintian, unpacked and started.
bash tools/package.sh

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTRICOMA_SANITIZE=ON -DTRICOMA_BUILD_BENCH=OFF -DTRICOMA_WERROR=ON
cmake --build build-asan -j "$JOBS"
# The raster library owns all image memory: leaks are checked there. The
# windowed tests run with leak checks off because the toolkit keeps
# process-lifetime caches (fonts, styles) that it never frees.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$JOBS" -L raster
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$JOBS" -LE raster
