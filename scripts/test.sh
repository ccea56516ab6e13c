#!/usr/bin/env bash
# Sets up a fresh Debian machine and runs every test: the reader and the
# command line natively under AddressSanitizer and UndefinedBehaviorSanitizer,
# a bounded fuzz run of the reader, and the Windows program cross-built with
# MinGW-w64 and tested under Wine in a virtual X server.
#
#   scripts/test.sh            everything
#   scripts/test.sh --native   the native tests and the fuzz run only
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

windows=1
[[ "${1:-}" == "--native" ]] && windows=0

if ((windows)); then scripts/install-deps.sh --windows; else scripts/install-deps.sh; fi

passed=0
failed=0
# Runs ctest with the given arguments and adds its counts to the totals.
count_ctest() {
    local log status=0
    log="$(mktemp)"
    "$@" 2>&1 | tee "$log" || status=$?
    local line
    line="$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)"
    rm -f "$log"
    if [[ -z "$line" ]]; then
        echo "no test summary from: $*" >&2
        failed=$((failed + 1))
        return
    fi
    local bad total
    bad="$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")"
    total="$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")"
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    ((status == 0)) || ((bad > 0)) || failed=$((failed + 1))
}

echo "== native build and tests (address and undefined sanitizers)"
cmake --preset test >/dev/null
cmake --build --preset test
count_ctest ctest --preset test --parallel 2

echo "== fuzzing the reader"
if scripts/fuzz.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi

if ((windows)); then
    echo "== Windows build (MinGW-w64) and tests under Wine"
    cmake --preset windows >/dev/null
    cmake --build --preset windows
    scripts/wine-setup.sh
    count_ctest scripts/with-display.sh ctest --preset windows
fi

echo
echo "all: $passed passed, $failed failed"
((failed == 0))
