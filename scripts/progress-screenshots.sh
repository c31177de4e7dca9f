#!/usr/bin/env bash
# Builds the tests and takes screenshots of the main window with the progress window of a long
# evacuation, in English and (under code page 932) in Japanese, into docs/screenshots. The test
# ProgressWindow.ShowForCapture writes the windows' rectangle to progress-<lang>.geom and cancels
# the evacuation once this script has grabbed that part of the screen and deleted the file.
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
    env "$@" wine "$build/bin/brenna_window_tests.exe" --gtest_filter='ProgressWindow.ShowForCapture' \
        </dev/null >"$shots/test$suffix.log" 2>&1 &
    local pid=$!
    local geom="$shots/progress$suffix.geom" w h x y
    for _ in $(seq 600); do [ -e "$geom" ] && break; sleep 0.2; done
    if [ ! -e "$geom" ]; then
        cat "$shots/test$suffix.log" >&2
        echo "no progress$suffix window was shown" >&2
        exit 1
    fi
    read -r w h x y <"$geom"
    import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage \
        "$out/progress$suffix.png"
    rm -f "$geom"
    wait "$pid"
}
capture -en
capture -ja LC_ALL=ja_JP.UTF-8
echo "screenshots in $out"
