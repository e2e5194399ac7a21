#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/, clang with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer; only the pure core, no Qt layer) into
# build-fuzz/ and runs each of them for a bounded time, two at a time.
# First every target replays its kept inputs in fuzz/regressions/<target>/.
# A crash or a broken property fails the run; the input that caused it is
# copied into fuzz/regressions/<target>/ so that it is replayed from then on
# (commit it with the fix).
#
# Usage: scripts/fuzz.sh [--seconds N | --minutes N] [--jobs N] [target...]
#   --seconds N   each target runs N seconds (CI: a short bounded run)
#   --minutes N   each target runs N minutes (a longer run by hand)
#   --jobs N      targets run side by side (default 2)
# The corpora grow in build-fuzz/corpus/<target>/ and are kept between runs.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=30
jobs=2
targets=()
while [ $# -gt 0 ]; do
    case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --minutes) seconds=$(($2 * 60)); shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    -*) echo "usage: scripts/fuzz.sh [--seconds N | --minutes N] [--jobs N] [target...]" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
    esac
done

build=$here/build-fuzz
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
# Paths below the checkout count relative to it, so clones in other
# folders (CI's) reuse the same objects.
export CCACHE_BASEDIR=$here CCACHE_NOHASHDIR=1
cmake -S "$here" -B "$build" -G Ninja -DVORKEL_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
ninja -C "$build" >/dev/null
[ ${#targets[@]} -gt 0 ] || mapfile -t targets <"$build/fuzz_targets.txt"

rm -rf "$build/seeds" "$build/crashes" "$build/logs"
"$build/fuzz/make_fuzz_seeds" "$build/seeds"
mkdir -p "$build/logs"

# One target: replay its regressions, then fuzz. Prints one result line.
run_one() {
    local t=$1 bin=$build/fuzz/$1 log=$build/logs/$1.txt kept=$here/fuzz/regressions/$1
    if [ -d "$kept" ] && [ -n "$(ls -A "$kept")" ]; then
        if ! "$bin" -runs=0 "$kept"/* >"$build/logs/$t.replay.txt" 2>&1; then
            echo "$t: a kept regression input fails again (see $build/logs/$t.replay.txt)"
            return 1
        fi
    fi
    mkdir -p "$build/corpus/$t" "$build/crashes/$t"
    local dirs=("$build/corpus/$t" "$build/seeds/$t")
    [ -d "$kept" ] && dirs+=("$kept")
    local rc=0
    "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/crashes/$t/" "${dirs[@]}" >"$log" 2>&1 || rc=$?
    local execs
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
    if [ $rc -ne 0 ] || [ -n "$(ls -A "$build/crashes/$t")" ]; then
        mkdir -p "$kept"
        cp "$build/crashes/$t"/* "$kept"/ 2>/dev/null || true
        echo "$t: FAILED after ${execs:-?} executions; input kept in fuzz/regressions/$t/ (log: $log)"
        grep -m3 -E 'ERROR|property broken|SUMMARY' "$log" | sed 's/^/    /'
        return 1
    fi
    printf '%-22s %12s executions in %s s, no crash\n' "$t" "${execs:-?}" "$seconds"
}
export -f run_one
export build here seconds

echo "fuzzing ${#targets[@]} targets, $seconds s each, $jobs at a time"
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one {}'
