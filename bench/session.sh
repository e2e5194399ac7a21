# Shared by the benchmark scripts (sourced, not run): a private session in
# which a copy of Vorkel runs on a virtual display of its own, so nothing of
# the real user's is touched and only processes the script started are
# ended.
#
# bench_scratch NAME BINARY: makes $scratch (removed at exit) with private
# HOME, XDG folders and runtime folder, and a copy of BINARY as
# $scratch/app/vorkel (its data folder $scratch/app/<user> is private too).
# Processes added to the array pids are ended at exit.
#
# bench_display: starts Xvfb on a free display and icewm on it; sets
# DISPLAY, xserver and wm (their process ids), and waits for the window
# manager.
#
# bench_in_own_pid_namespace SCRIPT ARG...: unless already there, runs the
# script again with these arguments in a PID namespace of its own (root, or
# unprivileged user namespaces, needed) and does not return; paths among
# the arguments must be absolute. Vorkel then sees only what the script
# starts, and its process count does not wander with the rest of the
# machine.
#
# bench_process_count: the processes in sight.
#
# bench_item_host: a private session bus and the Xfce panel on it with only
# its notification area, which hosts StatusNotifierItems; sets
# DBUS_SESSION_BUS_ADDRESS and host_procs (the process ids of the bus
# daemon, the panel and the panel's plugin). Each runs in a PID namespace
# of its own, ended at exit with what it started.

pids=()
hard_pids=() # unshare processes: SIGTERM leaves them, SIGKILL ends them with their namespace

bench_in_own_pid_namespace() {
    [ -n "${BENCH_IN_NAMESPACE:-}" ] && return 0
    BENCH_IN_NAMESPACE=1 exec unshare --pid --fork --mount-proc bash "$@"
}

bench_process_count() { find /proc -mindepth 1 -maxdepth 1 -name '[0-9]*' 2>/dev/null | wc -l; }

bench_cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    for p in "${hard_pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$scratch"
}

bench_scratch() {
    scratch=$(mktemp -d "/tmp/$1.XXXXXX")
    trap bench_cleanup EXIT
    export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config XDG_DATA_HOME=$scratch/home/.local/share
    export XDG_RUNTIME_DIR=$scratch/runtime DBUS_SESSION_BUS_ADDRESS=disabled:
    mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    mkdir -p "$scratch/app" && cp "$2" "$scratch/app/vorkel"
}

bench_display() {
    local fdfile=$scratch/display
    Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp >"$fdfile" 2>/dev/null &
    xserver=$!
    pids+=($xserver)
    for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.05; done
    export DISPLAY=":$(head -n1 "$fdfile")"
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    icewm >/dev/null 2>&1 &
    wm=$!
    pids+=($wm)
    # Ready once it names itself on the root window (a loaded machine can
    # take seconds); window activation asks it.
    for _ in $(seq 200); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.05
    done
}

bench_item_host() {
    local config=$scratch/xfce-config
    local channels=$config/xfce4/xfconf/xfce-perchannel-xml
    mkdir -p "$channels"
    # The tests' settings: one panel along the top with only the notification area.
    cp "$(dirname "${BASH_SOURCE[0]}")/../tests/integration/xfce4-panel.xml" "$channels/"
    # The bus starts xfconfd, which reads the panel's settings from there.
    XDG_CONFIG_HOME=$config unshare --pid --fork --kill-child --mount-proc \
        dbus-daemon --session --nofork --address="unix:path=$scratch/bus" >/dev/null 2>&1 &
    local bus=$!
    hard_pids+=($bus)
    for _ in $(seq 100); do [ -S "$scratch/bus" ] && break; sleep 0.05; done
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$scratch/bus
    NO_AT_BRIDGE=1 GTK_A11Y=none unshare --pid --fork --kill-child --mount-proc \
        xfce4-panel --disable-wm-check >"$scratch/panel.log" 2>&1 &
    local panel=$!
    hard_pids+=($panel)
    local plugin=""
    for _ in $(seq 300); do
        plugin=$(pgrep -P "$(pgrep -P "$panel" | head -n1)" 2>/dev/null | head -n1 || true)
        if [ -n "$plugin" ] && dbus-send --print-reply --dest=org.freedesktop.DBus / \
            org.freedesktop.DBus.NameHasOwner string:org.kde.StatusNotifierWatcher 2>/dev/null | grep -q true; then
            break
        fi
        plugin=""
        sleep 0.1
    done
    [ -n "$plugin" ] || { echo "the Xfce panel did not start its notification area" >&2; exit 1; }
    host_procs=("$(pgrep -P "$bus" | head -n1)" "$(pgrep -P "$panel" | head -n1)" "$plugin")
}
