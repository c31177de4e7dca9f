#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine; arguments go to the benchmark (rounds).
set -euo pipefail
. "$(dirname "$0")/lib.sh"
cd "$root"
brenna_build

unset DISPLAY
wine_env_start "${BRENNA_TEST_PREFIX:-$build/wineprefix}"
trap wine_env_stop EXIT
for b in "$build"/bin/bench_*.exe; do
    echo "== $(basename "$b")"
    wine "$b" "$@" </dev/null 2>&1
done
