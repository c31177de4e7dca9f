#!/usr/bin/env bash
# Installs what is missing, builds Brennahold.exe and starts it under Wine with the given arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh

build=${BRENNA_BUILD_DIR:-$root/build}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-mingw.cmake >/dev/null
cmake --build "$build" -j"$(nproc)" --target Brennahold

. scripts/wine-env.sh
# The program's own prefix, so that a first start does not disturb another Wine set-up.
wine_env_start "${WINEPREFIX:-$HOME/.brennahold-wine}"
trap wine_env_stop EXIT
wine "$build/bin/Brennahold.exe" "$@"
