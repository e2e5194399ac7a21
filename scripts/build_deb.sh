#!/usr/bin/env bash
# Builds the Debian package in build-deb/ (or the folder given) with the
# flags the distribution builds its own packages with, hardening included
# (_FORTIFY_SOURCE, stack protector, full RELRO with BIND_NOW), checks that
# the program carries them, and runs lintian on the package. Fails on any
# lintian error. Prints the package's path last.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-deb}
bash "$here/scripts/setup.sh"
cd "$here"

# CMake reads CXXFLAGS and LDFLAGS; the preprocessor's flags
# (-D_FORTIFY_SOURCE) go with the compiler's.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
# -ffile-prefix-map names this checkout and makes the objects the same
# from any checkout, so the compiler cache may share them between clones.
export CCACHE_IGNOREOPTIONS="-ffile-prefix-map=*"
VORKEL_BUILD_TARGETS="vorkel vorkel_data" bash "$here/scripts/build.sh" "$build" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORKEL_WERROR=ON -DVORKEL_BENCH=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" >/dev/null

fail() { echo "build_deb: $*" >&2; exit 1; }
program=$build/vorkel
segments=$(readelf -lW "$program")
dynamic=$(readelf -dW "$program")
symbols=$(readelf -sW --dyn-syms "$program")
grep -q GNU_RELRO <<<"$segments" || fail "no RELRO segment in $program"
grep -Eq 'BIND_NOW|FLAGS_1.*NOW' <<<"$dynamic" || fail "$program is not linked with BIND_NOW"
grep -q '__stack_chk_fail' <<<"$symbols" || fail "no stack protector in $program"
grep -Eq '__[a-z]+_chk@' <<<"$symbols" || fail "no fortified calls in $program"

rm -f "$build"/vorkel_*.deb
out=$(cd "$build" && cpack -G DEB 2>&1) || { echo "$out" >&2; fail "cpack failed"; }
deb=$(ls "$build"/vorkel_*.deb)
# lintian warns when run as root; that line is not about the package.
lintian --fail-on error --tag-display-limit 0 "$deb" 2> >(grep -v 'running with root privileges' >&2) ||
    fail "lintian found errors in $deb"
echo "$deb"
