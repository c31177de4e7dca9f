#!/usr/bin/env bash
# Takes screenshots of the File menu with the extension's item submenu open, in English and
# (under code page 932) in Japanese, into docs/screenshots. The tests' stand-in library plays the
# sibling product's extension; it is registered for the run and removed again afterwards.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
cd "$root"
brenna_build --target Brennahold quillon_fixture

unset DISPLAY
wine_env_start "${BRENNA_TEST_PREFIX:-$build/wineprefix}"
key='HKCU\Software\Orvane\Quillon\location'
cleanup() {
    wine reg delete "$key" /f >/dev/null 2>&1 || true
    wine_env_stop
}
trap cleanup EXIT
out="$root/docs/screenshots"
mkdir -p "$out"

sample="$WINEPREFIX/drive_c/BrennaholdQuillon"
rm -rf "$sample"
mkdir -p "$sample/Repo" "$sample/Notes"
printf '[Settings]\r\nleft=10\r\ntop=10\r\nright=890\r\nbottom=590\r\nsortindex=0\r\nsortasc=1\r\nstyle=1\r\n' > "$sample/Repo/Brenna.ini"
printf 'Minutes\n' > "$sample/Notes/minutes.txt"
ini='C:\BrennaholdQuillon\Repo\Brenna.ini'
wine "$build/bin/Brennahold.exe" -c "$ini" 'C:\BrennaholdQuillon\Notes\minutes.txt' \
    </dev/null >/dev/null 2>&1
printf '%s\r\n' \
    '0 42 1 2 0 Meeting notes|C:\BrennaholdQuillon\Notes\minutes.txt' \
    '0 42 2 1 7 Projects' \
    '2 7 3 2 0 Harbour plan|C:\BrennaholdQuillon\Notes' \
    '2 7 4 2 0 Budget 2024|C:\BrennaholdQuillon\Notes\minutes.txt' \
    '0 42 5 2 0 Travel diary|C:\BrennaholdQuillon\Notes\minutes.txt' > "$sample/tree.txt"
export BRENNA_QUILLON_FIXTURE='C:\BrennaholdQuillon\tree.txt'
wine reg add "$key" /v exepath /d "$(winepath -w "$build/bin/quillon_fixture.exe")" /f \
    >/dev/null 2>&1

shoot() {  # shoot NAME [keys...]
    local name=$1; shift
    wine "$build/bin/Brennahold.exe" -c "$ini" </dev/null >/dev/null 2>&1 &
    local pid=$!
    sleep 4
    for k in "$@"; do xdotool key "$k"; sleep 2; done
    import -display "$DISPLAY" -window root -crop 900x600+0+0 "$out/$name.png"
    xdotool key Escape Escape Escape alt+F4 || true
    sleep 2
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
shoot extension-en alt+f l Down Right
LC_ALL=ja_JP.UTF-8 shoot extension-ja alt+f l Down Right
echo "screenshots in $out"
