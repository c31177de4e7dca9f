#!/usr/bin/env bash
# Fuzzes every reader of bytes that come from outside the process, natively with clang's
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   bash scripts/fuzz.sh [seconds]   a campaign: every target at once for that many seconds of
#                                    wall-clock time (default 60), each starting from its seed
#                                    corpus (fuzz/corpus/<target>) and the inputs that once failed
#                                    (fuzz/regressions/<target>); prints executions, coverage and
#                                    crashes per target; fails when any target crashed.
#   bash scripts/fuzz.sh --regression
#                                    runs each target once over its seeds and former failures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BRENNA_FUZZ_BUILD_DIR:-$root/build-fuzz}
targets="catalogue definition history item_block drop_list handoff_list"

bash "$root/scripts/setup.sh"
cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

inputs() {  # the directories a target starts from
    local dirs="$root/fuzz/corpus/$1"
    [ -d "$root/fuzz/regressions/$1" ] && dirs="$dirs $root/fuzz/regressions/$1"
    echo "$dirs"
}

if [ "${1:-}" = "--regression" ]; then
    for t in $targets; do
        # shellcheck disable=SC2046
        if ! out=$("$build/fuzz_$t" -runs=0 $(inputs "$t") 2>&1); then
            echo "$out" | tail -30 >&2
            echo "fuzz regression: $t FAILED" >&2
            exit 1
        fi
        echo "fuzz regression: $t $(echo "$out" | grep -oE 'DONE.*cov: [0-9]+' | grep -oE 'cov: [0-9]+')"
    done
    exit 0
fi

seconds=${1:-60}
work=$build/campaign
rm -rf "$work"
for t in $targets; do
    mkdir -p "$work/$t/corpus" "$work/$t/crashes"
    cp -r $(inputs "$t" | sed 's#\([^ ]*\)#\1/.#g') "$work/$t/corpus/" 2>/dev/null || true
    # Corpus growth goes to the work folder; the seeds in the project stay as they are.
    # An input is a few kilobytes that parse in microseconds: only a real hang takes a minute,
    # while a machine busy with other work can stall a process for several seconds.
    nice -n 10 "$build/fuzz_$t" "$work/$t/corpus" -max_total_time="$seconds" -timeout=60 \
        -report_slow_units=60 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/$t/crashes/" >"$work/$t/log" 2>&1 &
done
wait || true

# Each input a target saved is replayed alone: one that fails again is a crash (keep it in
# fuzz/regressions/<target>/ once fixed); one that passes was a stall of the machine.
printf '%-14s %14s %8s %8s %8s %8s %8s\n' target executions exec/s cov ft crashes stalls
status=0
for t in $targets; do
    log=$work/$t/log
    execs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "$log" | tail -1)
    [ -n "$execs" ] || execs=$(grep -oE '^#[0-9]+' "$log" | tail -1 | tr -d '#')
    rate=$(sed -nE 's/^stat::average_exec_per_sec: *([0-9]+)/\1/p' "$log" | tail -1)
    cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)
    ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)
    crashes=0 stalls=0 failing=""
    for f in "$work/$t/crashes"/*; do
        [ -f "$f" ] || continue
        if "$build/fuzz_$t" -timeout=60 "$f" >/dev/null 2>&1; then
            stalls=$((stalls + 1))
        else
            crashes=$((crashes + 1))
            failing="$failing $f"
        fi
    done
    printf '%-14s %14s %8s %8s %8s %8s %8s\n' "$t" "${execs:-?}" "${rate:-?}" "${cov:-?}" \
        "${ft:-?}" "$crashes" "$stalls"
    for f in $failing; do
        status=1
        echo "  $f"
    done
done
exit $status
