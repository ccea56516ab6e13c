#!/usr/bin/env bash
# Builds the page and the package (scripts/build-web.sh) and runs their
# tests: the page in headless Chromium and the package under Node, each
# against the command line of the native test build (build/test), which
# must be built first (scripts/test.sh does).
#
#   scripts/test-web.sh                       build, then test
#   scripts/test-web.sh --counts FILE         also write "PASSED FAILED" to FILE
#   scripts/test-web.sh --screenshot FILE.png also take the page's screenshot
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

counts=""
page_args=()
while (($#)); do
    case "$1" in
        --counts) counts="$2"; shift 2 ;;
        --screenshot) page_args+=(--screenshot "$2"); shift 2 ;;
        *) echo "usage: scripts/test-web.sh [--counts FILE] [--screenshot FILE.png]" >&2; exit 2 ;;
    esac
done

passed=0
failed=0
report() { [[ -z "$counts" ]] || echo "$passed $failed" >"$counts"; }
trap report EXIT

if ! scripts/build-web.sh; then
    failed=1
    exit 1
fi
# Each test file's subtests are counted from node's TAP summary.
for suite in tests/web/package.test.cjs tests/web/page.test.cjs; do
    args=()
    [[ "$suite" == *page* ]] && args=("${page_args[@]}")
    out="$(mktemp)"
    status=0
    node --test-reporter=tap "$suite" "${args[@]}" >"$out" 2>&1 || status=$?
    grep -E '^ {4}(not )?ok ' "$out" || true
    suite_passed=$(grep -cE '^ {4}ok ' "$out" || true)
    suite_failed=$(grep -cE '^ {4}not ok ' "$out" || true)
    if ((status != 0)); then
        cat "$out" >&2
        ((suite_failed > 0)) || suite_failed=1
    fi
    rm -f "$out"
    passed=$((passed + suite_passed))
    failed=$((failed + suite_failed))
done
echo "web tests: $passed passed, $failed failed"
((failed == 0))
