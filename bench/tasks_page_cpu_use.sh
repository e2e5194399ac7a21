#!/usr/bin/env bash
# Vorkel's CPU use with its window shown on the Tasks page (default 1 s
# refresh), measured over the same interval as htop's at the same refresh
# (htop -d 10, in a pseudo-terminal) and lxtask's, a GUI task manager on
# the same display (refresh 1 s, every user's processes, whole command
# lines shown: what Vorkel's page shows). Beside them, the CPU use of the X
# server (Xvfb) and the window manager (icewm) over that interval: Vorkel's
# repaints and tray pictures are work for the X server, so its cost is
# Vorkel's own plus theirs (htop draws into a pseudo-terminal and costs
# them nothing here). Everything runs on one private virtual display
# session; nothing of the real user's is touched.
#
# Usage: bench/tasks_page_cpu_use.sh [vorkel binary] [seconds] [idle processes] [page]
# page: Tasks (default, the designed view), Tasks+ (sorted by CPU, highest
# first, with the "User" and "Command line" columns shown), Shortcuts,
# hidden or hidden-item.
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
# With BENCH_OWN_NAMESPACE=1 everything runs in a PID namespace of its
# own: the processes in sight are the script's alone (about 10, plus the
# idle ones asked for), so that the count does not wander with the rest
# of the machine. With BENCH_ACCESSIBILITY=1 the accessibility bus runs
# on a session bus and Vorkel's accessibility bridge is on (what assistive
# technology brings); without it there is no bus (but for hidden-item's).
# Needs: Xvfb, icewm, htop, script (util-linux), and xdotool for the page
# (scripts/setup.sh installs them), lxtask (scripts/setup.sh --bench).
# Vorkel's private memory (RssAnon) is printed at the end; with
# BENCH_ALL_COLUMNS=1 Tasks+ shows every column ("PID" and "Started" too).
set -euo pipefail

binary=${1:-"$(dirname "$0")/../build/vorkel"}
seconds=${2:-60}
idle=${3:-0}
page=${4:-Tasks}
case $page in Tasks | Tasks+ | Shortcuts | hidden | hidden-item) ;; *) echo "page: Tasks, Tasks+, Shortcuts, hidden or hidden-item" >&2; exit 2 ;; esac
hidden=""
case $page in hidden*) hidden=1 ;; esac
[ -x "$binary" ] || { echo "no vorkel binary at $binary" >&2; exit 2; }
tools=(Xvfb icewm htop script)
[ "$page" = hidden-item ] && tools+=(dbus-daemon dbus-send dbus-monitor xfce4-panel)
for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup.sh)" >&2; exit 2; }
done
command -v lxtask >/dev/null || { echo "missing lxtask (scripts/setup.sh --bench)" >&2; exit 2; }

# shellcheck source=bench/session.sh
. "$(dirname "$0")/session.sh"
[ -n "${BENCH_OWN_NAMESPACE:-}" ] && bench_in_own_pid_namespace "$0" "$(realpath -m "$binary")" "$seconds" "$idle" "$page"
bench_scratch tasks_cpu_use "$binary"

for _ in $(seq "$idle"); do
    sleep 100000 &
    pids+=($!)
done

bench_display
host_procs=()
[ "$page" = hidden-item ] && bench_item_host

if [ -n "${BENCH_ACCESSIBILITY:-}" ]; then
    # The accessibility bus on a session bus (a private one, unless the
    # tray host brought one), each in a PID namespace of its own; Qt's
    # bridge on.
    if [ "$page" != hidden-item ]; then
        unshare --pid --fork --kill-child --mount-proc \
            dbus-daemon --session --nofork --address="unix:path=$scratch/bus" >/dev/null 2>&1 &
        hard_pids+=($!)
        for _ in $(seq 100); do [ -S "$scratch/bus" ] && break; sleep 0.05; done
        export DBUS_SESSION_BUS_ADDRESS=unix:path=$scratch/bus
    fi
    unshare --pid --fork --kill-child --mount-proc /usr/libexec/at-spi-bus-launcher --launch-immediately \
        >/dev/null 2>&1 &
    hard_pids+=($!)
    sleep 2
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
fi

# The window's state as Tasks+ wants it, kept where Vorkel keeps it.
mkdir -p "$XDG_CONFIG_HOME"
if [ "$page" = Tasks+ ]; then
    columns=name,cpu,ram,paged,handles,threads,user,command_line
    [ -n "${BENCH_ALL_COLUMNS:-}" ] && columns=pid,$columns,started
    printf '[TTM]\nTasksSort=cpu\nTasksSortDescending=true\nTasksColumns="%s"\n' "$columns" \
        >"$XDG_CONFIG_HOME/vorkel.conf"
fi
# lxtask: refresh every second, every user's processes, whole command lines.
printf '[General]\nshow_user_tasks=1\nshow_root_tasks=1\nshow_other_tasks=1\nshow_full_path=1\nshow_cached_as_free=1\nfull_view=0\nwin_width=600\nwin_height=400\nrefresh_interval=1\n' \
    >"$XDG_CONFIG_HOME/lxtask.conf"

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
NO_AT_BRIDGE=1 lxtask >/dev/null 2>&1 &
lxtask=$!
pids+=($lxtask)

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
read -r vu0 vs0 < <(ticks "$vorkel"); read -r hu0 hs0 < <(ticks "$htop"); read -r lu0 ls0 < <(ticks "$lxtask")
read -r xu0 xs0 < <(ticks "$xserver"); read -r wu0 ws0 < <(ticks "$wm"); g0=$(host_ticks); t0=$(date +%s.%N)
sleep "$seconds"
read -r vu1 vs1 < <(ticks "$vorkel"); read -r hu1 hs1 < <(ticks "$htop"); read -r lu1 ls1 < <(ticks "$lxtask")
read -r xu1 xs1 < <(ticks "$xserver"); read -r wu1 ws1 < <(ticks "$wm"); g1=$(host_ticks); t1=$(date +%s.%N)

awk -v vu=$((vu1 - vu0)) -v vs=$((vs1 - vs0)) -v hu=$((hu1 - hu0)) -v hs=$((hs1 - hs0)) \
    -v lu=$((lu1 - lu0)) -v ls=$((ls1 - ls0)) \
    -v xu=$((xu1 - xu0)) -v xs=$((xs1 - xs0)) -v wu=$((wu1 - wu0)) -v ws=$((ws1 - ws0)) -v g0="$g0" -v g1="$g1" \
    -v hosted=${#host_procs[@]} -v hz="$hz" -v t0="$t0" -v t1="$t1" -v base="$base" -v base_seconds="$base_seconds" 'BEGIN {
    split(base, b, " ")
    wall = t1 - t0
    v = vu + vs; h = hu + hs; l = lu + ls; x = xu + xs; w = wu + ws
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
    printf line, "lxtask", l / hz, 100 * l / hz / wall, 100 * lu / hz / wall, 100 * ls / hz / wall
    if (h > 0) printf "ratio vorkel/htop %.2f, vorkel in all/htop %.2f\n", v / h, t / (100 * h / hz / wall)
    if (l > 0) printf "ratio vorkel/lxtask %.2f (own use; lxtask adds to the X server too)\n", v / l
}'
[ "$page" = hidden-item ] && echo "pictures handed to the tray host: $(grep -c 'member=NewIcon' "$scratch/signals")"
echo "processes: $(bench_process_count), page: $page${BENCH_ACCESSIBILITY:+, accessibility bus on}"
echo "vorkel $(grep RssAnon "/proc/$vorkel/status" | tr -s ' \t' ' ')"
