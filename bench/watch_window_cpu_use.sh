#!/usr/bin/env bash
# What one open single-process watch window costs: Vorkel's CPU use with
# only its tray meter running (window hidden), then the same with one
# watch window open on a process (the main window hidden again, so the
# watch window's refresher keeps the process table current), each over
# the same interval. Everything runs on a private virtual display session;
# nothing of the real user's is touched.
#
# The cost follows the number of processes (the refresher reads every one
# of them each cycle). So the run happens in a PID namespace of its own,
# where Vorkel sees only the session's processes and the given number of
# extra idle ones, which stand in for a busier desktop; the count does not
# wander with whatever else the machine runs.
#
# Last, still in the same namespace with the same processes, the floor
# under any refresh of every process every 900 ms (the bare /proc reads of
# bench_process_snapshot's bare_reads_every_900ms, when that benchmark is
# built beside the binary) and the watch window's cost as a multiple of it.
#
# Usage: bench/watch_window_cpu_use.sh [vorkel binary] [seconds] [extra processes]
# Needs: Xvfb, icewm, xdotool, xdpyinfo (scripts/setup.sh installs them).
set -euo pipefail

binary=${1:-"$(dirname "$0")/../build/vorkel"}
seconds=${2:-60}
extra=${3:-0}
# shellcheck source=bench/session.sh
. "$(dirname "$0")/session.sh"
bench_in_own_pid_namespace "$0" "$(realpath -m "$binary")" "$seconds" "$extra"
[[ $seconds =~ ^[0-9]+$ && $extra =~ ^[0-9]+$ ]] || { echo "seconds and extra processes are whole numbers" >&2; exit 2; }
[ -x "$binary" ] || { echo "no vorkel binary at $binary" >&2; exit 2; }
for tool in Xvfb icewm xdotool xdpyinfo; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh)" >&2; exit 2; }
done

bench_scratch watch_cpu_use "$binary"
# The watched process, under a name that sorts first on the Tasks page.
cp /bin/sleep "$scratch/app/aaa_watched"
"$scratch/app/aaa_watched" 100000 &
watched=$!
pids+=($watched)
cp /bin/sleep "$scratch/app/idle_extra"
for _ in $(seq "$extra"); do
    "$scratch/app/idle_extra" 100000 &
    pids+=($!)
done

bench_display

"$scratch/app/vorkel" >"$scratch/vorkel.log" 2>&1 &
vorkel=$!
pids+=($vorkel)
for _ in $(seq 100); do
    [ -d "$scratch/app/$(id -un)" ] && break
    sleep 0.1
done
sleep 3 # past its start-up work

# Processor time in ns, summed over the threads, from schedstat: exact,
# where the clock ticks of stat only sample (a thread that runs 1 ms a
# second is mostly missed by a 10 ms tick).
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ s += $1 } END { printf "%.0f", s }'; }
measure() { # prints the CPU use in percent of one core over $seconds
    local c0 c1 t0 t1
    c0=$(cpu_ns "$vorkel"); t0=$(date +%s.%N)
    sleep "$seconds"
    c1=$(cpu_ns "$vorkel"); t1=$(date +%s.%N)
    awk -v c=$((c1 - c0)) -v t0="$t0" -v t1="$t1" 'BEGIN { printf "%.3f", 100 * c / 1e9 / (t1 - t0) }'
}

# Per thread as well: the window's thread is the process's own id; a
# thread that is not there yet now is the watch window's refresher.
thread_ticks() { for t in /proc/"$vorkel"/task/*; do echo "${t##*/} $(awk '{print $1}' "$t/schedstat")"; done; }
thread_ticks >"$scratch/threads_idle"
idle=$(measure)
thread_ticks >"$scratch/threads_idle_end"

# Show the window (a second start), pick the first row, open the watch
# window from the row's popup menu, then hide the main window again.
"$scratch/app/vorkel" >/dev/null 2>&1 || true
window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Vorkel$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the Vorkel window did not show" >&2; exit 1; }
# A window manager slow to start on a loaded machine may refuse the
# activation; the click on the row below gives the window the focus too.
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus "$window" 2>/dev/null || true
sleep 1.5 # the Tasks page has been refreshed
xdotool mousemove --window "$window" 80 110 click 1 # a row of the grid
sleep 0.3
xdotool key ctrl+Home shift+F10 # the first row's menu
sleep 0.5
xdotool key Down Down Down Down Return # "Show in separate window"
for _ in $(seq 50); do
    xdotool search --onlyvisible --name "^$watched\$" >/dev/null 2>&1 && break
    sleep 0.1
done
xdotool search --onlyvisible --name "^$watched\$" >/dev/null 2>&1 ||
    { echo "the watch window did not open" >&2; exit 1; }
watch_shown() { xdotool search --onlyvisible --name "^$watched\$" >/dev/null 2>&1; }
main_shown() { xwininfo -id "$window" 2>/dev/null | grep -q IsViewable; }
# A click gives the main window the focus (the new watch window has it,
# and Esc there would close it instead); Esc then hides the main window.
for _ in 1 2 3; do
    main_shown || break
    xdotool mousemove --window "$window" 80 110 click 1
    sleep 0.5
    xdotool key Escape
    sleep 1
done
if main_shown || ! watch_shown; then
    echo "could not hide the main window and keep the watch window" >&2
    exit 1
fi
sleep 2

thread_ticks >"$scratch/threads0"
watching=$(measure)
thread_ticks >"$scratch/threads1"
watch_shown || { echo "the watch window closed during the measurement" >&2; exit 1; }
awk -v i="$idle" -v w="$watching" -v s="$seconds" -v n="$(bench_process_count)" 'BEGIN {
    printf "interval %d s each, %d processes\n", s, n
    printf "vorkel idle (tray meter only)   %.3f %%\n", i
    printf "vorkel with one watch window    %.3f %%\n", w
    printf "the watch window costs          %.3f %% of a core\n", w - i
}'
echo "processor time per thread while idle:"
join "$scratch/threads_idle" "$scratch/threads_idle_end" |
    awk -v s="$seconds" '$3 > $2 { printf "  thread %s: %.1f ms (%.3f %%)\n", $1, ($3 - $2) / 1e6, 100 * ($3 - $2) / 1e9 / s }'
echo "processor time per thread while watching (thread $vorkel is the window's):"
join "$scratch/threads0" "$scratch/threads1" |
    awk -v s="$seconds" '$3 > $2 { printf "  thread %s: %.1f ms (%.3f %%)\n", $1, ($3 - $2) / 1e6, 100 * ($3 - $2) / 1e9 / s }'
# The refresher alone: free of the wander of the threads that run anyway.
refresher=$(join -v 2 "$scratch/threads_idle" <(join "$scratch/threads0" "$scratch/threads1") |
    awk -v s="$seconds" '{ c += $3 - $2 } END { printf "%.3f", 100 * c / 1e9 / s }')
echo "its refresher thread alone       $refresher %"

floor_bench="$(dirname "$binary")/bench/bench_process_snapshot"
[ -x "$floor_bench" ] || exit 0
# Microseconds of processor time per round, one round every 900 ms.
round_us=$("$floor_bench" --benchmark_filter='^bare_reads_every_900ms' --benchmark_format=csv 2>/dev/null |
    awk -F, '/bare_reads_every_900ms/ { print $3 }')
[ -n "$round_us" ] || { echo "the floor benchmark printed nothing" >&2; exit 1; }
awk -v r="$round_us" -v i="$idle" -v w="$watching" -v t="$refresher" -v n="$(bench_process_count)" 'BEGIN {
    f = 100 * r / 900000
    printf "floor (bare /proc reads every 900 ms, %d processes) %.3f %% of a core (%.0f us a round)\n", n, f, r
    printf "the watch window costs %.2f x the floor, its refresher thread alone %.2f x\n", (w - i) / f, t / f
}'
