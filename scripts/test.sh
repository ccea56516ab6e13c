#!/usr/bin/env bash
# Sets up a fresh Debian machine and runs every test: the reader and the
# command line natively under AddressSanitizer and UndefinedBehaviorSanitizer,
# a bounded fuzz run of the reader, the web page in headless Chromium and the
# JavaScript package under Node (scripts/test-web.sh), and the Windows program
# cross-built with MinGW-w64 and tested under Wine in a virtual X server.
#
#   scripts/test.sh            everything
#   scripts/test.sh --native   the native tests, the fuzz run and the web tests
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

windows=1
[[ "${1:-}" == "--native" ]] && windows=0

if ((windows)); then scripts/install-deps.sh --windows; else scripts/install-deps.sh; fi

passed=0
failed=0
# Runs one ctest command (the arguments) and adds its tests to the totals.
# ctest's exit status decides whether the run failed; its JUnit report only
# gives the counts. A failed run whose report names no failed test (ctest
# itself failed, no test was found) is one failure.
run_ctest() {
    local report status=0 counts
    report="$(mktemp --suffix=.xml)"
    "$@" --no-tests=error --output-junit "$report" || status=$?
    counts="$(python3 - "$report" <<'EOF'
# Passed, failed and skipped tests of a ctest JUnit report. A test that was
# not run for any reason but its own skip code (its program is missing, a
# required file is absent) counts as failed.
import sys
import xml.etree.ElementTree as ElementTree
counts = {"passed": 0, "failed": 0, "skipped": 0}
try:
    for case in ElementTree.parse(sys.argv[1]).getroot().iter("testcase"):
        status = case.get("status")
        skip = case.find("skipped")
        if status == "run":
            counts["passed"] += 1
        elif status == "disabled" or (skip is not None and skip.get("message", "").startswith("SKIP_")):
            counts["skipped"] += 1
        else:
            counts["failed"] += 1
except (OSError, ElementTree.ParseError):
    pass
print(counts["passed"], counts["failed"], counts["skipped"])
EOF
)"
    rm -f "$report"
    local run_passed run_failed run_skipped
    read -r run_passed run_failed run_skipped <<<"$counts"
    if ((status != 0 && run_failed == 0)); then
        echo "ctest failed (exit status $status) with no failed test in its report: $*" >&2
        run_failed=1
    fi
    echo "ctest: $run_passed passed, $run_failed failed, $run_skipped skipped"
    passed=$((passed + run_passed))
    failed=$((failed + run_failed))
}

echo "== native build and tests (address and undefined sanitizers)"
cmake --preset test >/dev/null
cmake --build --preset test
run_ctest ctest --preset test --parallel 2

echo "== fuzzing the reader"
if scripts/fuzz.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

echo "== the web page (headless Chromium) and the JavaScript package (Node)"
web_counts="$(mktemp)"
if scripts/test-web.sh --counts "$web_counts"; then :; fi
read -r web_passed web_failed <"$web_counts" || { web_passed=0; web_failed=1; }
rm -f "$web_counts"
echo "web: $web_passed passed, $web_failed failed"
passed=$((passed + web_passed))
failed=$((failed + web_failed))

if ((windows)); then
    echo "== Windows build (MinGW-w64) and tests under Wine"
    cmake --preset windows >/dev/null
    cmake --build --preset windows
    scripts/wine-setup.sh
    run_ctest scripts/with-display.sh ctest --preset windows
fi

echo
echo "all: $passed passed, $failed failed"
((failed == 0))
