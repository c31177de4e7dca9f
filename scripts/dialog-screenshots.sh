#!/usr/bin/env bash
# Builds the tests and takes screenshots of the property, settings, external repository, backup
# definition, find-INI and repository check dialogs in English and (under code page 932) in
# Japanese, into docs/screenshots. The test DialogScreenshots shows each dialog and writes its
# window rectangle to <name>.geom; this script grabs that part of the screen and deletes the file,
# which lets the test go on to the next dialog.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
cd "$root"
brenna_build --target brenna_window_tests

unset DISPLAY
wine_env_start "${BRENNA_TEST_PREFIX:-$build/wineprefix}"
shots=$(mktemp -d)
trap 'wine_env_stop; rm -rf "$shots"' EXIT
out="$root/docs/screenshots"
mkdir -p "$out"
BRENNA_SCREENSHOT_DIR=$(winepath -w "$shots")
export BRENNA_SCREENSHOT_DIR

capture() {  # capture SUFFIX [VAR=value...]
    local suffix=$1
    shift
    env "$@" wine "$build/bin/brenna_window_tests.exe" --gtest_filter='DialogScreenshots.*' \
        </dev/null >"$shots/test$suffix.log" 2>&1 &
    local pid=$!
    local name geom w h x y
    for name in property settings external definition findini check; do
        geom="$shots/$name$suffix.geom"
        for _ in $(seq 300); do [ -e "$geom" ] && break; sleep 0.2; done
        if [ ! -e "$geom" ]; then
            cat "$shots/test$suffix.log" >&2
            echo "no $name$suffix dialog was shown" >&2
            exit 1
        fi
        read -r w h x y <"$geom"
        import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage \
            "$out/$name$suffix.png"
        rm -f "$geom"
    done
    wait "$pid"
}
capture -en
capture -ja LC_ALL=ja_JP.UTF-8
echo "screenshots in $out"
