#!/usr/bin/env bash
# Installs what is missing, builds Brennahold.exe and starts it under Wine with the given arguments.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
cd "$root"
brenna_build --target Brennahold

# The program's own prefix, so that a first start does not disturb another Wine set-up.
wine_env_start "${WINEPREFIX:-$HOME/.brennahold-wine}"
trap wine_env_stop EXIT
wine "$build/bin/Brennahold.exe" "$@"
