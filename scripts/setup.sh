#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Vorkel
# needs, and only those that are missing. Safe to run again. --build-only:
# the build set alone; --bench: also the programs the benchmarks compare
# Vorkel with.
set -euo pipefail

build_set=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-charts-dev
           libqt6opengl6-dev libx11-dev libxcb1-dev libxres-dev libgtest-dev libgmock-dev
           libbenchmark-dev libglib2.0-dev qt6-qpa-plugins fonts-dejavu-core ccache clang-format libqt6svg6
           librsvg2-bin clang libclang-rt-14-dev)
test_set=(xvfb xauth icewm xdotool x11-utils x11-apps imagemagick dbus trayer xfce4-panel xfconf
          procps util-linux htop desktop-file-utils appstream lintian
          at-spi2-core gir1.2-atspi-2.0 python3-gi)

# Peers the benchmarks compare with; only with --bench.
bench_set=(lxtask)

want=("${build_set[@]}")
if [ "${1:-}" != "--build-only" ]; then want+=("${test_set[@]}"); fi
if [ "${1:-}" = "--bench" ]; then want+=("${bench_set[@]}"); fi

missing=()
for p in "${want[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
