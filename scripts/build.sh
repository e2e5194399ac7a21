#!/usr/bin/env bash
# Configures and builds Vorkel into build/ (or the folder given).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
shift || true
cmake -S "$here" -B "$build" -G Ninja "$@" >/dev/null
ninja -C "$build"
