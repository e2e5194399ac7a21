#!/usr/bin/env bash
# Checks that the lines the newest commit changed follow .clang-format.
# Only changed lines are looked at: older code keeps its layout until
# someone edits it. With a commit given, checks everything changed since
# that commit instead. Exits 1 and prints the changes clang-format wants.
set -euo pipefail
cd "$(dirname "$0")/.."
base=${1:-HEAD~1}
if ! git rev-parse -q --verify "$base^{commit}" >/dev/null; then
    # A shallow or single-commit clone has no earlier commit to compare with.
    echo "check_format: no commit $base to compare with; nothing checked"
    exit 0
fi
out=$(git clang-format --diff --extensions cpp,h "$base" HEAD -- 2>&1) || true
if grep -q '^diff --git' <<<"$out"; then
    echo "check_format: these changed lines do not follow .clang-format:"
    echo "$out"
    exit 1
fi
echo "check_format: the lines changed since $base follow .clang-format"
