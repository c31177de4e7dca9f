#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite under Wine.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
cd "$root"
brenna_build

# The tests never touch core code that includes window headers.
bash scripts/check-layers.sh
# Every reader of outside bytes, built natively with sanitizers, over its seeds and former failures.
bash scripts/fuzz.sh --regression

# A private prefix: the tests write to its registry, desktop and application-data folder.
prefix=${BRENNA_TEST_PREFIX:-$build/wineprefix}
unset DISPLAY
wine_env_start "$prefix"
trap wine_env_stop EXIT

cd "$build"
# Under load, Wine has been seen to crash a test process while it exits, after its test passed;
# such a test runs once more, and a real failure fails both times.
ctest --output-on-failure --timeout 900 --repeat until-pass:2 "$@"
