#!/usr/bin/env bash
# Runs the end-to-end tests against two builds of Tessmar.exe, one group at a
# time as ctest does, and compares the outcomes test by test. Passes when
# every test passed against both, so the candidate behaves as the reference.
#
#   e2e_compare.sh DRIVER REFERENCE_EXE CANDIDATE_EXE
#
# Needs a display and a running wineserver: run it through
# scripts/with-display.sh.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"

if (($# != 3)); then
    echo "usage: e2e_compare.sh DRIVER REFERENCE_EXE CANDIDATE_EXE" >&2
    exit 2
fi
driver="$1" reference="$2" candidate="$3"

groups="$(wine "$driver" "$reference" --gtest_list_tests | tr -d '\r' | sed -nE 's/^([A-Za-z0-9_]+)\.$/\1/p')"
if [[ -z "$groups" ]]; then
    echo "e2e_compare.sh: $driver lists no tests" >&2
    exit 1
fi

# "Group.Test OUTCOME" for each test that ran against the program EXE.
outcomes() {
    local exe="$1" group
    for group in $groups; do
        { wine "$driver" "$exe" --gtest_filter="$group.*" 2>&1 || true; } | tr -d '\r' |
            sed -nE 's/^\[ +(OK|FAILED|SKIPPED) +\] ([A-Za-z0-9_]+\.[A-Za-z0-9_/]+)( .*)?$/\2 \1/p'
    done | sort -u
}

expected="$(outcomes "$reference")"
got="$(outcomes "$candidate")"
total="$(wc -l <<<"$expected")"
if [[ "$expected" != "$got" ]]; then
    echo "e2e_compare.sh: $candidate does not behave as $reference:" >&2
    diff <(echo "$expected") <(echo "$got") | sed -n 's/^[<>]/  &/p' >&2
    exit 1
fi
if grep -v ' OK$' <<<"$expected" >&2; then
    echo "e2e_compare.sh: the outcomes above are the same for both programs, but not passes" >&2
    exit 1
fi
echo "end to end: the same $total tests pass against $reference and $candidate"
