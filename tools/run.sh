#!/usr/bin/env bash
# Builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/tricoma-ccache}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target tricoma
exec ./build/tricoma "$@"
