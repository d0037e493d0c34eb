#!/usr/bin/env bash
# Builds the libFuzzer target for the picture readers and runs it.
#   tools/fuzz.sh <seconds> [family]
# family: one of the folders in fuzz/corpus (jpeg, gif, tiff, png, webp, bmp,
# pcx, tga, iff); without it the whole seed corpus is used. New inputs go to
# <build>/corpus-<family> (seeded from fuzz/corpus), findings to
# <build>/artifacts. Runs at the lowest priority; set FUZZ_BUILD to choose
# the build folder and FUZZ_JOBS to run several workers. Decoding runs at
# the program's own size limits; no single allocation may pass 1 GB, far more
# than any input of max_len bytes can fill (the readers check their data
# before they allocate a large picture).
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:?usage: tools/fuzz.sh <seconds> [family]}
family=${2:-all}
build=${FUZZ_BUILD:-build-fuzz}

if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTRICOMA_FUZZ=ON -DTRICOMA_BUILD_TESTS=OFF -DTRICOMA_BUILD_BENCH=OFF >/dev/null
fi
nice -n 19 ninja -C "$build" fuzz_opendib >/dev/null

work="$build/corpus-$family"
mkdir -p "$work" "$build/artifacts"
if [ "$family" = all ]; then
  seeds=(fuzz/corpus/*/)
else
  [ -d "fuzz/corpus/$family" ] || { echo "no seed folder fuzz/corpus/$family" >&2; exit 2; }
  seeds=("fuzz/corpus/$family")
fi

exec nice -n 19 "$build/fuzz/fuzz_opendib" "$work" "${seeds[@]}" \
  -max_total_time="$secs" -timeout=10 -rss_limit_mb=4096 -malloc_limit_mb=1024 -max_len=16384 \
  -print_final_stats=1 -artifact_prefix="$build/artifacts/$family-" \
  ${FUZZ_JOBS:+-jobs=$FUZZ_JOBS -workers=$FUZZ_JOBS}
