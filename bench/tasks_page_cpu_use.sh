#!/usr/bin/env bash
# Vorkel's CPU use with its window shown on the Tasks page (default 1 s
# refresh), measured over the same interval as htop's at the same refresh
# (htop -d 10, in a pseudo-terminal). Beside them, the CPU use of the X
# server (Xvfb) and the window manager (icewm) over that interval: Vorkel's
# repaints and tray pictures are work for the X server, so its cost is
# Vorkel's own plus theirs (htop draws into a pseudo-terminal and costs
# them nothing here). Everything runs on one private virtual display
# session; nothing of the real user's is touched.
#
# Usage: bench/tasks_page_cpu_use.sh [vorkel binary] [seconds] [idle processes] [page]
# page: Tasks (default), Shortcuts, hidden or hidden-item.
# The third argument starts that many idle processes of the script's own
# first (sleep), for a process table of a desktop's size: a bare test
# machine has well under a hundred processes, a desktop session several
# hundred, and both programs read every one of them each second.
# page "Shortcuts" measures the window shown on its Shortcuts page
# instead: no process table refresh at all, only the work done ten times a
# second whatever the page (status bar, CPU sampler, tray meter).
# page "hidden" measures Vorkel as it runs most of the time: window hidden,
# the tray meter alone. page "hidden-item" measures the same with the icon
# as a StatusNotifierItem, hosted by the Xfce panel's notification area on
# a private session bus; the panel (with its plugin) and the bus daemon
# are measured beside the X server and the window manager, since each new
# picture is work for them.
# Needs: Xvfb, icewm, htop, script (util-linux), and xdotool for the page;
# scripts/setup.sh installs them.
set -euo pipefail

binary=${1:-"$(dirname "$0")/../build/vorkel"}
seconds=${2:-60}
idle=${3:-0}
page=${4:-Tasks}
case $page in Tasks | Shortcuts | hidden | hidden-item) ;; *) echo "page: Tasks, Shortcuts, hidden or hidden-item" >&2; exit 2 ;; esac
hidden=""
case $page in hidden*) hidden=1 ;; esac
[ -x "$binary" ] || { echo "no vorkel binary at $binary" >&2; exit 2; }
tools=(Xvfb icewm htop script)
[ "$page" = hidden-item ] && tools+=(dbus-daemon dbus-send dbus-monitor xfce4-panel)
for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh)" >&2; exit 2; }
done

# shellcheck source=bench/session.sh
. "$(dirname "$0")/session.sh"
bench_scratch tasks_cpu_use "$binary"

for _ in $(seq "$idle"); do
    sleep 100000 &
    pids+=($!)
done

bench_display
host_procs=()
[ "$page" = hidden-item ] && bench_item_host

# User and system clock ticks of a process, as "user sys".
ticks() { awk '{print $14, $15}' "/proc/$1/stat"; }
# The tray host's processor time in clock ticks, summed over its processes'
# threads from schedstat (ns): its share is small and the ticks of stat
# would mostly miss it. 0 without a host.
host_ticks() {
    for p in "${host_procs[@]}"; do cat /proc/"$p"/task/*/schedstat; done |
        awk -v hz="$hz" '{ s += $1 } END { printf "%.3f", s * hz / 1e9 }'
}
hz=$(getconf CLK_TCK)
# The X server and the window manager alone, before Vorkel starts.
sleep 2
base_seconds=$(((seconds + 1) / 2))
read -r xu0 xs0 < <(ticks "$xserver"); read -r wu0 ws0 < <(ticks "$wm"); h0=$(host_ticks); t0=$(date +%s.%N)
sleep "$base_seconds"
read -r xu1 xs1 < <(ticks "$xserver"); read -r wu1 ws1 < <(ticks "$wm"); h1=$(host_ticks); t1=$(date +%s.%N)
base=$(awk -v x=$((xu1 - xu0 + xs1 - xs0)) -v w=$((wu1 - wu0 + ws1 - ws0)) -v h0="$h0" -v h1="$h1" -v hz="$hz" \
    -v t0="$t0" -v t1="$t1" 'BEGIN { printf "%.4f %.4f %.4f", 100 * x / hz / (t1 - t0), 100 * w / hz / (t1 - t0), 100 * (h1 > h0 ? h1 - h0 : 0) / hz / (t1 - t0) }')

"$scratch/app/vorkel" >"$scratch/vorkel.log" 2>&1 &
vorkel=$!
pids+=($vorkel)
# A second start shows the running copy's window; its first page is Tasks.
for _ in $(seq 100); do
    [ -d "$scratch/app/$(id -un)" ] && break
    sleep 0.1
done
sleep 1
if [ -z "$hidden" ]; then
    "$scratch/app/vorkel" >/dev/null 2>&1 || true
fi

# htop in a pseudo-terminal of 160 x 50, refreshing every 1 s.
# Its input is a FIFO held open here, so it never sees the end of input.
mkfifo "$scratch/keys"
exec 3<>"$scratch/keys"
TERM=xterm script -qfc "stty cols 160 rows 50; exec htop -d 10" /dev/null <&3 >/dev/null 2>&1 &
script_pid=$!
pids+=($script_pid)
htop=""
for _ in $(seq 100); do
    htop=$(pgrep -P "$script_pid" -x htop || true)
    [ -n "$htop" ] && break
    sleep 0.1
done
[ -n "$htop" ] || { echo "htop did not start" >&2; exit 1; }
sleep 2 # both past their start-up work
# The main window: visible and titled exactly "Vorkel" (xdotool matches
# names without regard to case, and the tray icon window is "vorkel").
main_window() {
    for w in $(xdotool search --onlyvisible --name '^Vorkel$' 2>/dev/null || true); do
        xprop -id "$w" WM_NAME 2>/dev/null | grep -q '= "Vorkel"$' && echo "$w"
    done
    return 0
}
shown=""
if command -v xdotool >/dev/null; then
    shown=$(main_window)
    if [ -z "$hidden" ] && [ -z "$shown" ]; then
        echo "the Vorkel window is not shown" >&2
        exit 1
    fi
    if [ -n "$hidden" ] && [ -n "$shown" ]; then
        echo "the Vorkel window is shown" >&2
        exit 1
    fi
fi
if [ "$page" = Shortcuts ]; then
    command -v xdotool >/dev/null || { echo "missing xdotool (scripts/setup.sh)" >&2; exit 2; }
    window=$(main_window | head -n1)
    xdotool windowactivate --sync "$window"
    xdotool key --window "$window" ctrl+shift+Tab # Tasks -> Shortcuts
    sleep 2
fi

if [ "$page" = hidden-item ] && ! dbus-send --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
    org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher string:RegisteredStatusNotifierItems |
    grep -q "StatusNotifierItem-$vorkel-"; then
    echo "Vorkel's icon is not a registered StatusNotifierItem" >&2
    exit 1
fi

# Each new picture is one NewIcon signal on the bus: counted over the interval.
if [ "$page" = hidden-item ]; then
    dbus-monitor "type='signal',interface='org.kde.StatusNotifierItem',member='NewIcon'" >"$scratch/signals" 2>&1 &
    pids+=($!)
    sleep 0.5
fi
read -r vu0 vs0 < <(ticks "$vorkel"); read -r hu0 hs0 < <(ticks "$htop")
read -r xu0 xs0 < <(ticks "$xserver"); read -r wu0 ws0 < <(ticks "$wm"); g0=$(host_ticks); t0=$(date +%s.%N)
sleep "$seconds"
read -r vu1 vs1 < <(ticks "$vorkel"); read -r hu1 hs1 < <(ticks "$htop")
read -r xu1 xs1 < <(ticks "$xserver"); read -r wu1 ws1 < <(ticks "$wm"); g1=$(host_ticks); t1=$(date +%s.%N)

awk -v vu=$((vu1 - vu0)) -v vs=$((vs1 - vs0)) -v hu=$((hu1 - hu0)) -v hs=$((hs1 - hs0)) \
    -v xu=$((xu1 - xu0)) -v xs=$((xs1 - xs0)) -v wu=$((wu1 - wu0)) -v ws=$((ws1 - ws0)) -v g0="$g0" -v g1="$g1" \
    -v hosted=${#host_procs[@]} -v hz="$hz" -v t0="$t0" -v t1="$t1" -v base="$base" -v base_seconds="$base_seconds" 'BEGIN {
    split(base, b, " ")
    wall = t1 - t0
    v = vu + vs; h = hu + hs; x = xu + xs; w = wu + ws
    line = "%-26s %6.2f s CPU  %5.2f %%  (user %.2f %%, system %.2f %%)\n"
    printf "interval %.1f s\n", wall
    printf line, "vorkel", v / hz, 100 * v / hz / wall, 100 * vu / hz / wall, 100 * vs / hz / wall
    printf line, "X server (Xvfb)", x / hz, 100 * x / hz / wall, 100 * xu / hz / wall, 100 * xs / hz / wall
    printf line, "window manager (icewm)", w / hz, 100 * w / hz / wall, 100 * wu / hz / wall, 100 * ws / hz / wall
    printf "%-26s %5.2f %% and %.2f %% (over %d s before Vorkel started)\n", "X server, wm without Vorkel", b[1], b[2], base_seconds
    added = 100 * (x + w) / hz / wall - b[1] - b[2]
    if (hosted) {
        g = g1 - g0
        if (g < 0) g = 0 # a thread of the host that ended took its time along
        printf "%-26s %6.2f s CPU  %5.2f %%  (%.2f %% before Vorkel started)\n", "tray host (panel, bus)", g / hz, 100 * g / hz / wall, b[3]
        added += 100 * g / hz / wall - b[3]
    }
    if (added < 0) added = 0
    t = 100 * v / hz / wall + added
    printf "%-26s %5.2f %%  (its own and what it adds to the X server, wm%s)\n", "vorkel in all", t, hosted ? " and tray host" : ""
    printf line, "htop", h / hz, 100 * h / hz / wall, 100 * hu / hz / wall, 100 * hs / hz / wall
    if (h > 0) printf "ratio vorkel/htop %.2f, vorkel in all/htop %.2f\n", v / h, t / (100 * h / hz / wall)
}'
[ "$page" = hidden-item ] && echo "pictures handed to the tray host: $(grep -c 'member=NewIcon' "$scratch/signals")"
echo "processes: $(bench_process_count), page: $page"
