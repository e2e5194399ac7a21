#!/usr/bin/env bash
# Builds Vorkel and starts it. On a desktop it runs on the user's display.
# Without a display it starts a virtual one (Xvfb with the icewm window
# manager and its system tray), opens the main window and leaves two
# screenshots in out/: out/tray.png (the desktop with the tray icon) and
# out/main-window.png (the main window shown). Vorkel keeps running there
# until this script is interrupted.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
# Only the program itself; the tests and benchmarks are built by test.sh.
cmake -S "$here" -B "$here/build" -G Ninja >/dev/null
ninja -C "$here/build" vorkel
bin="$here/build/vorkel"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$bin"
fi

out="$here/out"
mkdir -p "$out"
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/vorkel-run-XXXXXX)}
chmod 700 "$XDG_RUNTIME_DIR"
export DBUS_SESSION_BUS_ADDRESS=${DBUS_SESSION_BUS_ADDRESS:-disabled:}

fdfile=$(mktemp)
Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp >"$fdfile" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$fdfile")"
rm -f "$fdfile"
icewm >/dev/null 2>&1 &
wm=$!
# Vorkel ends first (a signal ends it as "Exit" would, saving what it
# keeps), while its display is still there.
vorkel=
cleanup() {
    if [ -n "$vorkel" ] && kill "$vorkel" 2>/dev/null; then wait "$vorkel" 2>/dev/null || true; fi
    kill "$wm" "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT INT TERM
sleep 2

"$bin" &
vorkel=$!
sleep 3
import -window root "$out/tray.png"
# A second start hands over to the running copy, which shows its window.
"$bin" || true
sleep 2
import -window root "$out/main-window.png"
echo "Vorkel runs on virtual display $DISPLAY (pid $vorkel)."
echo "Screenshots: $out/tray.png, $out/main-window.png. Ctrl+C ends it."
wait "$vorkel"
