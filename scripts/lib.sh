# Sourced by the scripts: installs what is missing and builds into $build.
# brenna_build [cmake --build arguments...]

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BRENNA_BUILD_DIR:-$root/build}

brenna_build() {
    bash "$root/scripts/setup.sh"
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" >/dev/null
    cmake --build "$build" -j"$(nproc)" "$@"
}

. "$root/scripts/wine-env.sh"

# For the scripts that take screenshots of windows a test shows: starts Wine and Xvfb, and makes
# $shots (where the test writes each window's rectangle) and $out (docs/screenshots).
screenshot_env_start() {
    unset DISPLAY
    wine_env_start "${BRENNA_TEST_PREFIX:-$build/wineprefix}"
    shots=$(mktemp -d)
    trap 'wine_env_stop; rm -rf "$shots"' EXIT
    out="$root/docs/screenshots"
    mkdir -p "$out"
    BRENNA_SCREENSHOT_DIR=$(winepath -w "$shots")
    export BRENNA_SCREENSHOT_DIR
}

# grab_test_windows FILTER SUFFIX "NAMES" [VAR=value...]
# Runs the window tests of FILTER (with the variables given) and, for each name in turn, waits
# for the test to write <name><suffix>.geom, grabs that rectangle of the screen into
# $out/<name><suffix>.png and deletes the file, which lets the test go on.
grab_test_windows() {
    local filter=$1 suffix=$2 names=$3
    shift 3
    env "$@" wine "$build/bin/brenna_window_tests.exe" --gtest_filter="$filter" \
        </dev/null >"$shots/test$suffix.log" 2>&1 &
    local pid=$!
    local name geom w h x y
    for name in $names; do
        geom="$shots/$name$suffix.geom"
        # The file can be there before the test has written its four numbers.
        y=
        for _ in $(seq 600); do
            [ -s "$geom" ] && read -r w h x y <"$geom" && [ -n "$y" ] && break
            y=
            sleep 0.2
        done
        if [ -z "$y" ]; then
            cat "$shots/test$suffix.log" >&2
            echo "no $name$suffix window was shown" >&2
            exit 1
        fi
        import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage \
            "$out/$name$suffix.png"
        rm -f "$geom"
    done
    wait "$pid"
}
