#!/usr/bin/env bash
# Checks that the release can be reproduced: makes two clones of this
# checkout's last commit, in folders of different names and depths, and runs
# scripts/release.sh in each, one after the other (so minutes apart) and from
# different time zones, locales and umasks. Every file of the two dist/
# folders must hold the same bytes. Each run also makes release.sh's own
# checks, the end-to-end comparison under Wine included. Takes some minutes;
# not part of scripts/test.sh.
#
#   scripts/check-release.sh
#
# Uncommitted changes are not part of the check: it builds what is committed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

commit="$(git rev-parse HEAD)"
work="$(mktemp -d "${TMPDIR:-/tmp}/tessmar-release-check.XXXXXX")"
first="$work/first"
second="$work/another/clone/of/tessmar"
trap 'echo "check-release.sh: stopped; the clones are in $work" >&2' ERR

# A clone of the commit itself, whether or not a branch points at it.
clone() {
    mkdir -p "$1"
    git -C "$1" init -q
    git -C "$1" fetch -q "$root" HEAD
    git -C "$1" checkout -q --detach FETCH_HEAD
    [[ "$(git -C "$1" rev-parse HEAD)" == "$commit" ]]
}
clone "$first"
clone "$second"

# Both runs share this checkout's Wine prefix instead of making their own.
scripts/install-deps.sh --windows
scripts/wine-setup.sh
export TESSMAR_WINEPREFIX="${TESSMAR_WINEPREFIX:-$root/build/wineprefix}"

echo "== release in $first"
(cd "$first" && umask 022 && TZ=Pacific/Kiritimati LANG=C.UTF-8 scripts/release.sh)
echo "== release in $second"
(cd "$second" && umask 077 && TZ=America/Adak LANG=ko_KR.UTF-8 scripts/release.sh)

passed=0
failed=0
echo
echo "== comparing the two dist/ folders"
for name in $(cd "$first/dist" && ls) $(cd "$second/dist" && ls); do
    echo "$name"
done | sort -u >"$work/names"
while read -r name; do
    if cmp -s "$first/dist/$name" "$second/dist/$name"; then
        echo "same:    $name"
        passed=$((passed + 1))
    else
        echo "DIFFERS: $name" >&2
        failed=$((failed + 1))
    fi
done <"$work/names"
echo
echo "SHA256SUMS of both:"
cat "$first/dist/SHA256SUMS"

if ((failed == 0)); then
    rm -rf "$work"
else
    echo "The two releases are kept for comparison (diffoscope, cmp -l) in $work" >&2
fi
echo
echo "release: $passed passed, $failed failed"
((failed == 0))
