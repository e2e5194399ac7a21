#!/usr/bin/env bash
# Configures and builds Vorkel into build/ (or the folder given); further
# arguments go to cmake. VORKEL_BUILD_TARGETS names the targets to build
# (default: all).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
shift || true
launcher=()
# ccache, when present, lets several build folders share their objects.
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
# Paths below the checkout count relative to it, so clones in other
# folders (CI's) reuse the same objects.
export CCACHE_BASEDIR=$here CCACHE_NOHASHDIR=1
cmake -S "$here" -B "$build" -G Ninja "${launcher[@]}" "$@" >/dev/null
# shellcheck disable=SC2086 # a list of target names
ninja -C "$build" ${VORKEL_BUILD_TARGETS:-}
