#!/usr/bin/env bash
# Builds the program, fills a sample repository and takes screenshots of the main window in
# English and (under code page 932) in Japanese with the File menu open, with the Edit menu open
# after a copy, and of an empty one with its hint in both languages, into docs/screenshots.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
cd "$root"
brenna_build --target Brennahold

unset DISPLAY
wine_env_start "${BRENNA_TEST_PREFIX:-$build/wineprefix}"
trap wine_env_stop EXIT
out="$root/docs/screenshots"
mkdir -p "$out"

sample="$WINEPREFIX/drive_c/BrennaholdSample"
rm -rf "$sample"
mkdir -p "$sample/Repo" "$sample/Documents/Letters" "$sample/Photos"
printf '[Settings]\r\nleft=10\r\ntop=10\r\nright=890\r\nbottom=590\r\nsortindex=0\r\nsortasc=1\r\nstyle=1\r\n' > "$sample/Repo/Brenna.ini"
printf 'Quarterly figures\n' > "$sample/Documents/report.txt"
head -c 3000 /dev/zero > "$sample/Documents/budget.xls"
printf 'Dear Anna,\n' > "$sample/Documents/Letters/anna.txt"
head -c 2000000 /dev/zero > "$sample/Photos/holiday.bmp"
ini='C:\BrennaholdSample\Repo\Brenna.ini'
wine "$build/bin/Brennahold.exe" -c "$ini" 'C:\BrennaholdSample\Documents\report.txt' \
    'C:\BrennaholdSample\Documents\budget.xls' 'C:\BrennaholdSample\Documents\Letters' \
    'C:\BrennaholdSample\Photos' </dev/null >/dev/null 2>&1

shoot() {  # shoot NAME [keys...]
    local name=$1; shift
    wine "$build/bin/Brennahold.exe" -c "$ini" </dev/null >/dev/null 2>&1 &
    local pid=$!
    sleep 4
    for k in "$@"; do xdotool key "$k"; sleep 2; done
    import -display "$DISPLAY" -window root -crop 900x600+0+0 "$out/$name.png"
    xdotool key Escape Escape alt+F4 || true
    sleep 2
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
shoot main-en
LC_ALL=ja_JP.UTF-8 shoot main-ja-menu alt+f
# Every row copied: the Edit menu then offers Copy and Paste.
shoot edit-en ctrl+a ctrl+c alt+e
LC_ALL=ja_JP.UTF-8 shoot edit-ja-menu ctrl+a ctrl+c alt+e

# A repository with nothing in it yet: the list's first-run hint.
mkdir -p "$sample/Empty"
printf '[Settings]\r\nleft=10\r\ntop=10\r\nright=890\r\nbottom=590\r\n' > "$sample/Empty/Brenna.ini"
ini='C:\BrennaholdSample\Empty\Brenna.ini'
shoot empty-en
LC_ALL=ja_JP.UTF-8 shoot empty-ja
echo "screenshots in $out"
