#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine; arguments go to the benchmark (rounds).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh
build=${BRENNA_BUILD_DIR:-$root/build}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake >/dev/null
cmake --build "$build" -j"$(nproc)"
. scripts/wine-env.sh
unset DISPLAY
wine_env_start "${BRENNA_TEST_PREFIX:-$build/wineprefix}"
trap wine_env_stop EXIT
for b in "$build"/bin/bench_*.exe; do
    echo "== $(basename "$b")"
    wine "$b" "$@" </dev/null 2>&1
done
