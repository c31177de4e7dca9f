#!/usr/bin/env bash
# Times a first backup run and a no-change run against Wine's xcopy and native cp -a, all on one
# generated tree. Usage: bench-backup.sh [rounds] [files for the distinct-names run, 0: none]
set -euo pipefail
. "$(dirname "$0")/lib.sh"
cd "$root"
rounds=${1:-2}
unique=${2:-0}
brenna_build --target bench_backup

unset DISPLAY
wine_env_start "${BRENNA_TEST_PREFIX:-$build/wineprefix}"
# The tree lies on the Linux side so that cp -a copies the very files Wine's tools copy.
work=$(mktemp -d "${TMPDIR:-/tmp}/brenna-bench-backup.XXXXXX")
trap 'rm -rf "$work"; wine_env_stop' EXIT
win="Z:$(printf '%s' "$work" | tr / '\\')"
bench="$build/bin/bench_backup.exe"

wine "$bench" generate "$win" </dev/null 2>&1
sync
t0=$(date +%s.%N)
cp -a "$work/tree" "$work/cp-copy"
t1=$(date +%s.%N)
rm -rf "$work/cp-copy"
cp_s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
echo "native cp -a of the tree: $cp_s s"
wine "$bench" measure "$win" "$cp_s" "$rounds" </dev/null 2>&1
if [ "$unique" -gt 0 ]; then
    wine "$bench" unique "$win" "$unique" </dev/null 2>&1
fi
