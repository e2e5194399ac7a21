#!/usr/bin/env bash
# Names the tests of a ctest run (its Testing/Temporary/LastTest.log) that
# failed at least once and then passed on a retry. Prints nothing when
# there are none; always exits 0 (the run's own status decides).
#
# Usage: scripts/retried_tests.sh build/Testing/Temporary/LastTest.log
set -euo pipefail
log=${1:?usage: retried_tests.sh LastTest.log}
[ -f "$log" ] || exit 0
# Each run of a test is logged as "i/n Test: <name>", its output, then a
# result line "Test Passed." or "Test Failed." (or another failure word).
retried=$(awk '
    /^[0-9]+\/[0-9]+ Test: / { sub(/^[0-9]+\/[0-9]+ Test: /, ""); name = $0; next }
    name != "" && /^Test [A-Za-z ]+\.$/ {
        if ($0 == "Test Passed.") passed[name] = 1; else failed[name] = 1
        name = ""
    }
    END { for (t in failed) if (t in passed) print t }
' "$log" | sort)
if [ -n "$retried" ]; then
    echo
    echo "FLAKY: these tests failed and passed only when run again:"
    printf '  %s\n' $retried
fi
exit 0
