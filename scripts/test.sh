#!/usr/bin/env bash
# Builds Vorkel and runs every test (unit, platform against the real
# system, and the program itself on virtual X displays that the tests
# start themselves). With --sanitize the same suite runs in a separate
# build under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"

build="$here/build"
# The tests (and CI, which runs this script) build with warnings as errors.
cmake_args=(-DVORKEL_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
    build="$here/build-asan"
    cmake_args+=(-DVORKEL_SANITIZE=ON -DVORKEL_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
    # Qt and fontconfig keep caches for the life of the process; those are
    # not leaks of ours, so leak detection stays off. Every other finding
    # ends the test that made it.
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
"$here/scripts/build.sh" "$build" "${cmake_args[@]}"

# No test may reach the real user's session bus.
export DBUS_SESSION_BUS_ADDRESS=disabled:
cd "$build"
# A test that fails is run once more before it counts as failed: a few
# tests measure the real machine (processor shares, a tray icon filling
# under load) and a burst of other work can disturb one measurement.
# A fault of ours fails both runs. A test that passed only on its second
# run is named below: it is flaky, and a flaky test is a fault to fix.
status=0
ctest --output-on-failure -j2 --timeout 300 --repeat until-pass:2 || status=$?
"$here/scripts/retried_tests.sh" Testing/Temporary/LastTest.log
exit "$status"
