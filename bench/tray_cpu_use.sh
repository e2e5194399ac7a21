#!/usr/bin/env bash
# What Vorkel costs where it spends most of its life: hidden in the tray,
# the meter in its icon redrawn every 100 ms (the default settings).
#
# In a private session (virtual display with icewm and its tray, scratch
# folders, a copy of the binary), in a PID namespace of its own:
#   1. the X server and the window manager alone, before Vorkel starts;
#   2. the time from Vorkel's start to its icon docked in the tray (the
#      tray's ReparentNotify of the icon window, seen by a watcher on the
#      root window: an upper bound by the watcher's own delay);
#   3. Vorkel hidden with the session's own processes, then again with idle
#      processes added up to the given count, each over the same interval:
#      every thread's processor time (schedstat, in ns: exact, where the
#      clock ticks of stat only sample a thread that runs 100 us at a time),
#      its wakes per second (voluntary context switches), the X server's
#      and the window manager's processor time beside them, and Vorkel's
#      private memory (RssAnon); then what Vorkel adds to the X server's and
#      the window manager's time, from halves with Vorkel running and
#      stopped in turn, and the pictures sent a second (the sampler's
#      writes);
#   4. the floor under the meter's cost (bench/tray_meter_floor.cpp: the
#      same /proc/stat read, load and pictures, with nothing else, in an
#      icon docked in the same tray) measured the same way at the given
#      count while Vorkel is stopped, and Vorkel as a multiple of it.
# Nothing of the real user's is touched; only processes the script started
# are ended.
#
# Usage: bench/tray_cpu_use.sh [vorkel binary] [seconds] [processes]
#   seconds: each interval (default 60); processes: in sight in the second
#   measurement (default 330).
# Needs: Xvfb, icewm, xdotool and x11-utils (xdpyinfo, xwininfo, xprop, xev);
# scripts/setup.sh installs them.
set -euo pipefail

binary=${1:-"$(dirname "$0")/../build/vorkel"}
seconds=${2:-60}
processes=${3:-330}
# shellcheck source=bench/session.sh
. "$(dirname "$0")/session.sh"
bench_in_own_pid_namespace "$0" "$(realpath -m "$binary")" "$seconds" "$processes"
[[ $seconds =~ ^[0-9]+$ && $processes =~ ^[0-9]+$ ]] && ((seconds > 0)) ||
    { echo "seconds and processes are whole numbers" >&2; exit 2; }
[ -x "$binary" ] || { echo "no vorkel binary at $binary" >&2; exit 2; }
floor_binary=$(dirname "$binary")/bench/tray_meter_floor
[ -x "$floor_binary" ] || { echo "no $floor_binary: build the benchmarks first" >&2; exit 2; }
for tool in Xvfb icewm xdotool xdpyinfo xwininfo xprop xev stdbuf; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh)" >&2; exit 2; }
done

bench_scratch tray_cpu_use "$binary"
app=$scratch/app/vorkel
bench_display

# Processor time in ns of all threads of a process, and of one thread.
process_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f", s }'; }
# One line per thread of Vorkel: id, processor time (ns), voluntary
# switches, write calls (each picture sent to the X server is one), name.
threads() {
    local t ns rest voluntary writes
    for t in /proc/"$vorkel"/task/*; do
        read -r ns rest <"$t/schedstat" || continue
        voluntary=$(awk '/^voluntary_ctxt_switches/ { print $2 }' "$t/status")
        writes=$(awk '/^syscw:/ { print $2 }' "$t/io")
        echo "${t##*/} $ns $voluntary $writes $(tr ' ' _ <"$t/comm")"
    done
}
now() { echo "$EPOCHREALTIME"; }

# 1. The X server and the window manager alone.
sleep 2
x0=$(process_ns "$xserver"); w0=$(process_ns "$wm"); t0=$(now)
sleep "$seconds"
x1=$(process_ns "$xserver"); w1=$(process_ns "$wm"); t1=$(now)
base=$(awk -v x=$((x1 - x0)) -v w=$((w1 - w0)) -v t0="$t0" -v t1="$t1" \
    'BEGIN { printf "%.4f %.4f", 100 * x / 1e9 / (t1 - t0), 100 * w / 1e9 / (t1 - t0) }')

# 2. Start to the icon in the tray, five times: wall-clock time follows
# whatever else the machine does, so the median is given with the range.
# The libraries are read once first, as on a desktop where other programs
# use them (a warm start). The fifth copy stays for the measurements.
"$app" --version >/dev/null
(stdbuf -oL xev -root -event substructure | while IFS= read -r line; do echo "$(now) $line"; done) \
    >"$scratch/root-events" 2>/dev/null &
pids+=($!)
sleep 1 # the watcher listens
start_once() { # starts a copy as $vorkel; prints ms from its start to its icon docked
    local started icon="" docked="" w width
    started=$(now)
    "$app" >"$scratch/vorkel.log" 2>&1 &
    vorkel=$!
    pids+=($vorkel)
    for _ in $(seq 200); do
        for w in $(xdotool search --all --pid "$vorkel" --class vorkel 2>/dev/null || true); do
            width=$(xwininfo -id "$w" 2>/dev/null | awk '/Width:/ { print $2 }')
            if [ -n "$width" ] && ((width <= 64)); then icon=$(printf '0x%x' "$w"); break 2; fi
        done
        sleep 0.05
    done
    [ -n "$icon" ] || { echo "no tray icon appeared" >&2; cat "$scratch/vorkel.log" >&2; exit 1; }
    for _ in $(seq 100); do
        # "ReparentNotify event, ..." then "event ..., window <icon>, parent
        # ...", since this copy started (a later copy may get the same id).
        docked=$(awk -v icon="window $icon," -v since="$started" '$1 < since { next }
            /ReparentNotify event/ { t = $1; next }
            t != "" && index($0, icon) { print t; exit } { t = "" }' "$scratch/root-events")
        [ -n "$docked" ] && break
        sleep 0.05
    done
    [ -n "$docked" ] || { echo "the icon was not docked in the tray" >&2; exit 1; }
    awk -v a="$started" -v b="$docked" 'BEGIN { printf "%.0f\n", 1000 * (b - a) }'
}
starts=()
for round in 1 2 3 4 5; do
    start_once >"$scratch/start-ms"
    starts+=("$(cat "$scratch/start-ms")")
    if ((round < 5)); then
        kill -KILL "$vorkel" # a copy of this script's own; nothing of it needs saving
        wait "$vorkel" 2>/dev/null || true
        sleep 1
    fi
done
start_ms=$(printf '%s\n' "${starts[@]}" | sort -n | sed -n 3p)
start_range="$(printf '%s\n' "${starts[@]}" | sort -n | sed -n '1p;5p' | paste -sd' ')"
# (xdotool matches names without regard to case, and the icon is "vorkel".)
for w in $(xdotool search --onlyvisible --name '^Vorkel$' 2>/dev/null || true); do
    if xprop -id "$w" WM_NAME 2>/dev/null | grep -q '= "Vorkel"$'; then
        echo "the Vorkel window is shown; this measures it hidden" >&2
        exit 1
    fi
done
sleep 5 # past the start-up work (icon look-ups, the first discovery pass)

# What Vorkel adds to the X server and the window manager: their processor
# time while Vorkel runs against the time while it is stopped (SIGSTOP to
# the copy this script started), in six pairs of alternating halves of
# $seconds / 6, so that their own slow wander cancels out. Prints "x_added%
# wm_added%".
added_cost() {
    local half round xr=0 xs=0 wr=0 ws=0 tr=0 ts=0 x0 w0 t0
    half=$(awk -v s="$seconds" 'BEGIN { printf "%.3f", s / 12 }')
    for round in 1 2 3 4 5 6; do
        x0=$(process_ns "$xserver"); w0=$(process_ns "$wm"); t0=$(now)
        sleep "$half"
        xr=$((xr + $(process_ns "$xserver") - x0)); wr=$((wr + $(process_ns "$wm") - w0))
        tr=$(awk -v a="$tr" -v b="$t0" -v c="$(now)" 'BEGIN { print a + c - b }')
        kill -STOP "$vorkel"
        x0=$(process_ns "$xserver"); w0=$(process_ns "$wm"); t0=$(now)
        sleep "$half"
        xs=$((xs + $(process_ns "$xserver") - x0)); ws=$((ws + $(process_ns "$wm") - w0))
        ts=$(awk -v a="$ts" -v b="$t0" -v c="$(now)" 'BEGIN { print a + c - b }')
        kill -CONT "$vorkel"
    done
    awk -v xr="$xr" -v xs="$xs" -v wr="$wr" -v ws="$ws" -v tr="$tr" -v ts="$ts" \
        'BEGIN { printf "%.4f %.4f %.4f %.4f\n", 100 * (xr / tr - xs / ts) / 1e9, 100 * (wr / tr - ws / ts) / 1e9, 100 * xs / ts / 1e9, 100 * ws / ts / 1e9 }'
}

# 3. Hidden: one interval at the session's own processes, one at the
# given count. Prints the table and leaves "vorkel% main_wakes x_added%
# rss_kb" in $scratch/summary-$1.
measure() {
    local xa xb wa wb ta tb added
    threads | sort >"$scratch/threads0"; xa=$(process_ns "$xserver"); wa=$(process_ns "$wm"); ta=$(now)
    sleep "$seconds"
    threads | sort >"$scratch/threads1"; xb=$(process_ns "$xserver"); wb=$(process_ns "$wm"); tb=$(now)
    kill -0 "$vorkel" 2>/dev/null || { echo "Vorkel ended during the measurement" >&2; exit 1; }
    rss=$(awk '/^RssAnon:/ { print $2 }' "/proc/$vorkel/status")
    added=$(added_cost)
    echo
    echo "${2:-hidden in the tray}, $(bench_process_count) processes in sight, over $(awk -v a="$ta" -v b="$tb" 'BEGIN { printf "%.1f", b - a }') s:"
    join "$scratch/threads0" "$scratch/threads1" | awk -v main="$vorkel" -v x=$((xb - xa)) -v w=$((wb - wa)) \
        -v ta="$ta" -v tb="$tb" -v added="$added" -v rss="$rss" -v out="$scratch/summary-$1" -v who="${3:-Vorkel}" '
    function pct(ns) { return 100 * ns / 1e9 / (tb - ta) }
    BEGIN { printf "  %-8s %-16s %9s %9s %8s %9s\n", "thread", "name", "CPU %", "us/s", "wakes/s", "writes/s" }
    {
        ns = $6 - $2; wakes = ($7 - $3) / (tb - ta); writes = ($8 - $4) / (tb - ta); total += ns
        name = $1 == main && who == "Vorkel" ? "main (window)" : $9
        printf "  %-8s %-16s %9.4f %9.1f %8.2f %9.2f\n", $1, name, pct(ns), ns / 1e3 / (tb - ta), wakes, writes
        if ($1 == main) main_wakes = wakes
        if (name == "cpu_sampler" || name == "meter_floor") pictures = writes
    }
    END {
        split(added, a, " ")
        printf "  %-25s %9.4f %9.1f\n", who " in all", pct(total), total / 1e3 / (tb - ta)
        line = "  %-25s %9.4f            (%.4f %% with " who " stopped: it adds %.4f %%)\n"
        printf line, "X server (Xvfb)", pct(x), a[3], a[1]
        printf line, "window manager (icewm)", pct(w), a[4], a[2]
        if (who == "Vorkel")
            printf "  private memory (RssAnon) %d KB\n", rss
        printf "%.4f %.2f %.4f %d %.2f\n", pct(total), main_wakes, a[1], rss, pictures > out
    }'
}

echo "X server and window manager alone, over $seconds s: $(echo "$base" | awk '{ printf "%.4f %% and %.4f %%", $1, $2 }')"
echo "start to the icon docked in the tray: $start_ms ms, the median of five ($(echo "$start_range" | awk '{ printf "%d to %d ms", $1, $2 }'))"
measure own

# Idle processes of the script's own up to the count, under a name that
# tells them apart.
cp /bin/sleep "$scratch/app/idle_extra"
missing=$((processes - $(bench_process_count)))
for _ in $(seq "$missing"); do
    "$scratch/app/idle_extra" 1000000 &
    pids+=($!)
done
sleep 3
measure many

# 4. The floor under the meter's cost (bench/tray_meter_floor.cpp) at the
# same count, measured the same way while Vorkel is stopped: the same
# reads, sums and pictures sent, with nothing else.
kill -STOP "$vorkel"
"$floor_binary" >/dev/null &
floor=$!
pids+=($floor)
sleep 2
vorkel_pid=$vorkel
vorkel=$floor
measure floor "the floor (tray_meter_floor)" floor
vorkel=$vorkel_pid
kill -CONT "$vorkel"
kill -0 "$wm" 2>/dev/null || { echo "the window manager ended during the measurements" >&2; exit 1; }

read -r own_cpu own_wakes own_x own_rss own_pictures <"$scratch/summary-own"
read -r many_cpu many_wakes many_x many_rss many_pictures <"$scratch/summary-many"
read -r floor_cpu _ floor_x _ floor_pictures <"$scratch/summary-floor"
echo
awk -v oc="$own_cpu" -v ow="$own_wakes" -v ox="$own_x" -v orss="$own_rss" -v mc="$many_cpu" -v mw="$many_wakes" \
    -v mx="$many_x" -v mrss="$many_rss" -v ms="$start_ms" 'BEGIN {
    verdict = "%-34s %-32s target %-12s %s\n"
    printf verdict, "Vorkel hidden", sprintf("%.3f %% / %.3f %% of a core", oc, mc), "<= 0.10 %", oc <= 0.1 && mc <= 0.1 ? "met" : "NOT met"
    printf verdict, "X server: what Vorkel adds", sprintf("%.3f %% / %.3f %%", ox, mx), "<= 0.02 %", ox <= 0.02 && mx <= 0.02 ? "met" : "NOT met"
    printf verdict, "main thread hidden", sprintf("%.2f / %.2f wakes a second", ow, mw), "<= 1", ow <= 1 && mw <= 1 ? "met" : "NOT met"
    printf verdict, "start to the icon in the tray", ms " ms", "<= 150 ms", ms <= 150 ? "met" : "NOT met"
    printf verdict, "private memory (RssAnon) hidden", sprintf("%.1f MB / %.1f MB", orss / 1024, mrss / 1024), "<= 6 MB", orss <= 6144 && mrss <= 6144 ? "met" : "NOT met"
    print "(each pair: the session own processes / with idle processes added)"
}'
echo
awk -v mc="$many_cpu" -v mx="$many_x" -v mp="$many_pictures" -v fc="$floor_cpu" -v fx="$floor_x" \
    -v fp="$floor_pictures" 'BEGIN {
    printf "the floor at %d processes: %.3f %% of a core, adds %.3f %% to the X server, %.2f pictures a second\n", '"$processes"', fc, fx, fp
    printf "Vorkel at the same count:  %.3f %% (%.2f x the floor), adds %.3f %% to the X server, %.2f pictures a second\n", mc, mc / fc, mx, mp
}'
