#!/usr/bin/env bash
# Soak run: Vorkel under steady load for a long time, to show that nothing
# in it grows. The sampler runs every 10 ms, the Tasks page (shown) every
# 100 ms, program discovery every second; one watch window is open, the
# statistics collector ("Enable log") is on, and about 300 short-lived
# children come and go all the time. Once a minute the resident memory
# (VmRSS), the open descriptors and the threads of Vorkel are written to a
# CSV; at the end the least-squares slope of each over the minutes after
# the warm-up is printed and checked (memory under 1 KB/min at an equal
# load, descriptors and threads 0 per minute, rounded).
#
# Everything runs in a PID namespace of its own, on a private virtual
# display with its own window manager and a private copy of the binary in a
# scratch folder; nothing of the real user's is touched, and only processes
# this script started are ended.
#
# Usage: bench/soak.sh [--leak-check] MINUTES [vorkel binary] [csv file]
#   SOAK_WARMUP_MINUTES (default 10; runs not longer than that use a
#   third of the run) is the warm-up left out of the slopes.
#   --leak-check, for a binary built with AddressSanitizer
#   (-DVORKEL_SANITIZE=ON): at the end Vorkel is ended through its tray
#   menu's Exit, and LeakSanitizer's report at its exit decides the run;
#   the slopes are printed but not checked.
# Needs: Xvfb, icewm, xdotool, xdpyinfo, xwininfo (scripts/setup.sh).
set -euo pipefail

leak_check=""
if [ "${1:-}" = "--leak-check" ]; then
    leak_check=1
    shift
fi
minutes=${1:?usage: bench/soak.sh [--leak-check] MINUTES [vorkel binary] [csv file]}
binary=${2:-"$(dirname "$0")/../build/vorkel"}
csv=${3:-"soak-$minutes.csv"}
warmup=${SOAK_WARMUP_MINUTES:-10}
# Vorkel watches every process it can see; on a shared machine the other
# users' processes would come and go with it and its tables with them. So
# the run happens in a PID namespace of its own: Vorkel sees the churn, the
# watched process and the session, nothing else.
# shellcheck source=bench/session.sh
. "$(dirname "$0")/session.sh"
bench_in_own_pid_namespace "$0" ${leak_check:+--leak-check} "$minutes" "$(realpath -m "$binary")" "$(realpath -m "$csv")"
[[ $minutes =~ ^[0-9]+$ ]] && ((minutes > 0)) || { echo "MINUTES must be a whole number above 0" >&2; exit 2; }
((minutes > warmup)) || warmup=$((minutes / 3))
[ -x "$binary" ] || { echo "no vorkel binary at $binary" >&2; exit 2; }
for tool in Xvfb icewm xdotool xdpyinfo xwininfo; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh)" >&2; exit 2; }
done

bench_scratch vorkel_soak "$binary"
app=$scratch/app
data=$app/$(id -un)
mkdir -p "$data"

# vorkel.set, 32 bytes little-endian: sampler 10 ms, Tasks page 100 ms,
# discovery 1000 ms, tray colour 170, CPU colour 100, 2 reserved, then
# stay on top, full path, hide own items, dockable all off.
printf '\x0a\x00\x00\x00\x64\x00\x00\x00\xe8\x03\x00\x00\xaa\x64\x00\x00' >"$data/vorkel.set"
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00' >>"$data/vorkel.set"

# The watched process, under a name that sorts first on the Tasks page.
cp /bin/sleep "$app/aaa_watched"
"$app/aaa_watched" 1000000 &
watched=$!
pids+=($watched)

bench_display

if [ -n "$leak_check" ]; then
    # Leaks are reported when Vorkel exits; every other finding of the
    # sanitizers ends it at once.
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:exitcode=23
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
"$app/vorkel" >"$scratch/vorkel.log" 2>&1 &
vorkel=$!
pids+=($vorkel)
for _ in $(seq 100); do
    xdotool search --class vorkel >/dev/null 2>&1 && break
    sleep 0.1
done
sleep 3 # past its start-up work

# Show the window (a second start).
"$app/vorkel" >/dev/null 2>&1 || true
window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Vorkel$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the Vorkel window did not show" >&2; exit 1; }
xdotool windowactivate --sync "$window"
sleep 1

# Logging page: the first tab takes the focus, two steps right is
# "Logging"; Tab goes through the process list, the log file's box, its
# button, "Start logging" and ("Stop logging" being disabled) "Enable log".
glb=$data/vorkel.glb
for _ in 1 2 3; do
    xdotool mousemove --window "$window" 20 12 click 1
    sleep 0.3
    xdotool key --delay 100 Right Right Tab Tab Tab Tab Tab space
    for _ in $(seq 60); do [ -f "$glb" ] && break; sleep 0.25; done
    [ -f "$glb" ] && break
done
[ -f "$glb" ] || { echo "could not enable the statistics collector" >&2; exit 1; }

# Back to the Tasks page (the second tab), pick the first
# row and open its watch window ("Show in separate window").
# (A click on its tab: the keyboard does not do here, as the focus leaves
# the Logging page for the Shortcuts grid, not the tab bar.)
xdotool mousemove --window "$window" 109 12 click 1
sleep 1.5 # the Tasks page has been refreshed
watch_shown() { xdotool search --onlyvisible --name "^$watched\$" >/dev/null 2>&1; }
for _ in 1 2 3; do
    xdotool mousemove --window "$window" 80 110 click 1 # a row of the grid
    sleep 0.3
    xdotool key ctrl+Home shift+F10 # the first row's menu
    sleep 0.5
    xdotool key Down Down Down Down Return
    for _ in $(seq 50); do watch_shown && break; sleep 0.1; done
    watch_shown && break
    xdotool key Escape 2>/dev/null || true
done
watch_shown || { echo "the watch window did not open" >&2; exit 1; }
xwininfo -id "$window" 2>/dev/null | grep -q IsViewable || { echo "the main window is not shown" >&2; exit 1; }

# The churn: children that live 1 to 19 s, topped up every second to 300
# (about 30 new ones a second), so that the count in sight stays steady
# even when a busy machine is slow to start them. Copies of sleep under
# their own name, so they are easy to tell.
cp /bin/sleep "$app/churn_child"
(
    trap 'kill $(jobs -p) 2>/dev/null; exit 0' TERM
    while :; do
        running=$(jobs -pr | wc -l)
        for _ in $(seq $((300 - running))); do "$app/churn_child" $((1 + RANDOM % 19)) & done
        sleep 1
    done
) &
pids+=($!)

# Vorkel's own descriptors: those beyond three for each process in sight.
# The two counts are read one after the other while children start and
# end by the dozen, so one reading can be off by a burst of them: the
# median of five readings 0.2 s apart.
own_descriptors() {
    local i fds
    for i in 1 2 3 4 5; do
        fds=$(find "/proc/$vorkel/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l)
        echo $((fds - 3 * $(bench_process_count)))
        if ((i < 5)); then sleep 0.2; fi
    done | sort -n | sed -n 3p
}
sample() { # minute, VmRSS in KB, descriptors, threads, processes in sight, own descriptors
    local rss fds threads own
    own=$(own_descriptors)
    rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$vorkel/status")
    threads=$(awk '/^Threads:/ { print $2 }' "/proc/$vorkel/status")
    fds=$(find "/proc/$vorkel/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l)
    echo "$1,$rss,$fds,$threads,$(bench_process_count),$own"
}
echo "minute,rss_kb,fds,threads,processes,own_fds" >"$csv"
start=$(date +%s)
echo "soak: $minutes min from $(date -u +%H:%M:%S) UTC, warm-up $warmup min, samples in $csv"
for ((m = 0; m <= minutes; m++)); do
    # Sleep to the minute mark from the start, so the samples do not drift.
    now=$(date +%s)
    ((start + 60 * m > now)) && sleep $((start + 60 * m - now))
    kill -0 "$vorkel" 2>/dev/null || { echo "Vorkel ended during the soak (minute $m)" >&2; cat "$scratch/vorkel.log" >&2; exit 1; }
    line=$(sample "$m")
    echo "$line" >>"$csv"
    echo "  $line"
done
watch_shown || echo "warning: the watch window closed during the soak" >&2
echo "processes Vorkel saw at the end: $(bench_process_count), of them churn children: $(pgrep -c -f "^$app/churn_child" || true)"

if [ -n "$leak_check" ]; then
    # Exit, the tray menu's last item: a right click on the tray icon (the
    # small window of Vorkel's class), then Up and Return.
    icon=""
    for w in $(xdotool search --onlyvisible --class vorkel 2>/dev/null); do
        width=$(xwininfo -id "$w" 2>/dev/null | awk '/Width:/ { print $2 }')
        if [ -n "$width" ] && ((width <= 64)); then icon=$w; break; fi
    done
    [ -n "$icon" ] || { echo "no tray icon to open the menu on" >&2; exit 1; }
    for _ in 1 2 3; do
        xdotool mousemove --window "$icon" 4 4 click 3
        sleep 1
        xdotool key Up Return
        for _ in $(seq 120); do kill -0 "$vorkel" 2>/dev/null || break; sleep 0.5; done
        kill -0 "$vorkel" 2>/dev/null || break
    done
    status=0
    wait "$vorkel" || status=$?
    if kill -0 "$vorkel" 2>/dev/null; then
        echo "leak check: Vorkel did not end through Exit" >&2
        exit 1
    fi
    if grep -q "ERROR: LeakSanitizer" "$scratch/vorkel.log" || ((status != 0)); then
        echo "leak check: Vorkel ended with $status; its report:" >&2
        cat "$scratch/vorkel.log" >&2
        exit 1
    fi
    echo "leak check: Vorkel ended through Exit with 0, LeakSanitizer found no leak"
fi

# Least-squares slope of each column over the minutes from the warm-up on.
# Vorkel keeps each process's /proc files open (three for each process in
# sight here, none of them a kernel thread), so its descriptors follow the
# load, which the churn makes wander from minute to minute. What is Vorkel's
# own is the rest: descriptors beyond three per process (own_fds). A slope
# under half a descriptor (or thread) a minute, either way, rounds to 0 per
# minute.
awk -F, -v w="$warmup" -v lc="$leak_check" 'NR > 1 && $1 >= w {
    n++; x = $1; sx += x; sxx += x * x
    p = $5; sp += p; spp += p * p; sxp += x * p; spy += p * $2
    for (c = 2; c <= 6; c++) { sy[c] += $c; sxy[c] += x * $c }
} END {
    d = n * sxx - sx * sx
    if (n < 2 || d == 0) { print "too few samples after the warm-up for a slope"; exit 1 }
    for (c = 2; c <= 6; c++) s[c] = (n * sxy[c] - sx * sy[c]) / d
    # Resident memory follows the processes in sight (each has its record
    # and texts), and a busy machine makes their count wander: the slope
    # over the minutes with the count held fixed (least squares on both)
    # is what grows on its own. It is the one checked.
    vxx = sxx / n - (sx / n) ^ 2; vpp = spp / n - (sp / n) ^ 2; vxp = sxp / n - sx / n * sp / n
    vxy = sxy[2] / n - sx / n * sy[2] / n; vpy = spy / n - sp / n * sy[2] / n
    e = vxx * vpp - vxp * vxp
    steady = vpp < 1 || e <= 1e-9 * vxx * vpp
    own = steady ? s[2] : (vxy * vpp - vpy * vxp) / e
    per = steady ? 0 : (vpy * vxx - vxy * vxp) / e
    printf "slopes over minutes %d..%d (%d samples):\n", w, x, n
    printf "  resident memory  %+.3f KB/min; %+.3f KB/min at an equal load (limit 1), %+.2f KB per process in sight\n", s[2], own, per
    printf "  own descriptors  %+.3f /min, beyond 3 per process in sight (limit: rounds to 0)\n", s[6]
    printf "  all descriptors  %+.3f /min (follow the processes)\n", s[3]
    printf "  threads          %+.3f /min (limit: rounds to 0)\n", s[4]
    printf "  processes        %+.3f /min (the load, for comparison)\n", s[5]
    ok = own < 1 && s[6] < 0.5 && s[6] > -0.5 && s[4] < 0.5 && s[4] > -0.5
    if (lc) { print "soak: slopes not checked in a leak check"; exit 0 }
    print ok ? "soak: flat" : "soak: GROWS"
    exit ok ? 0 : 3
}' "$csv"
