#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh

build=${BRENNA_BUILD_DIR:-$root/build}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake >/dev/null
cmake --build "$build" -j"$(nproc)"

# The tests never touch core code that includes window headers.
bash scripts/check-layers.sh

. scripts/wine-env.sh
# A private prefix: the tests write to its registry, desktop and application-data folder.
prefix=${BRENNA_TEST_PREFIX:-$build/wineprefix}
unset DISPLAY
wine_env_start "$prefix"
trap wine_env_stop EXIT

cd "$build"
ctest --output-on-failure --timeout 900 "$@"
