#!/usr/bin/env bash
# Builds the release of the checkout's last commit into dist/ and checks it:
#
#   Tessmar-VERSION-windows-x64.zip  Tessmar.exe (the debug build, stripped)
#                                    and README.txt
#   tessmar_VERSION_amd64.deb        tessmar, its manual page, the copyright
#   tessmar.html                     the web page, one self-contained file
#   tessmar-NPMVERSION.tgz           the JavaScript package (3.0.0.1 is
#                                    3.0.0-1 for npm)
#   SHA256SUMS                       the SHA-256 sums of all four
#
# The same commit gives the same bytes wherever and whenever it is built:
# every date is the commit's (SOURCE_DATE_EPOCH), no path of the checkout
# reaches a program, and archives are written in a fixed order with fixed
# owners and modes. scripts/check-release.sh proves it with two builds.
#
# The checks: tests/release/check_dist.py on dist/, and the end-to-end tests
# against the zip's Tessmar.exe and the ordinary build's (build/windows),
# which must pass alike.
#
#   scripts/release.sh                builds from a clean checkout only
#   scripts/release.sh --allow-dirty  also with uncommitted changes (the
#                                     result then is not the commit's)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

allow_dirty=0
case "${1:-}" in
    "") ;;
    --allow-dirty) allow_dirty=1 ;;
    *) echo "usage: scripts/release.sh [--allow-dirty]" >&2; exit 2 ;;
esac

if ! git rev-parse --git-dir >/dev/null 2>&1; then
    echo "release.sh: $root is not a git checkout; the release takes its date from the last commit" >&2
    exit 1
fi
if ((!allow_dirty)) && [[ -n "$(git status --porcelain --untracked-files=all)" ]]; then
    echo "release.sh: the checkout has changes that are not committed:" >&2
    git status --short >&2
    echo "release.sh: commit them, or use --allow-dirty for a build that is not a release" >&2
    exit 1
fi

scripts/install-deps.sh --windows

# What the builds may see of this machine and this moment: the commit's date,
# one time zone and locale, and the modes Debian's own package builds use.
export SOURCE_DATE_EPOCH="$(git log -1 --format=%ct)"
export TZ=UTC LC_ALL=C.UTF-8
umask 022

rm -rf build/release dist
echo "== Tessmar.exe and the zip (commit $(git rev-parse --short HEAD), dated $(date -ud "@$SOURCE_DATE_EPOCH" '+%F %T') UTC)"
cmake --preset release-windows >/dev/null
cmake --build --preset release-windows
echo "== tessmar and the Debian package"
cmake --preset release-native >/dev/null
cmake --build --preset release-native
(cd build/release/native && cpack -G DEB)
echo "== the web page and the JavaScript package"
scripts/build-web.sh build/release/web

mkdir dist
version="$(sed -nE 's/^project\(Tessmar VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)"
zip="Tessmar-$version-windows-x64.zip"
deb="tessmar_${version}_amd64.deb"
tgz="$(cd build/release/web && ls tessmar-*.tgz)"
cp "build/release/windows/$zip" "build/release/native/$deb" build/release/web/tessmar.html "build/release/web/$tgz" dist/
(cd dist && sha256sum "$zip" "$deb" tessmar.html "$tgz" >SHA256SUMS)

echo "== checking dist/"
/usr/bin/python3 tests/release/check_dist.py --dist dist --source-root "$root" \
    --nef-maker build/release/native/tools/make_nef_files

# The zip's Tessmar.exe must pass the end-to-end tests as the ordinary debug
# build of the same commit does.
echo "== the zip's Tessmar.exe end to end, against the ordinary build"
cmake --preset windows >/dev/null
cmake --build --preset windows --target Tessmar tessmar_e2e
unpacked=build/release/unpacked
mkdir -p "$unpacked"
/usr/bin/python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extract("Tessmar.exe", sys.argv[2])' \
    "dist/$zip" "$unpacked"
scripts/wine-setup.sh
scripts/with-display.sh tests/release/e2e_compare.sh build/windows/tests/e2e/tessmar_e2e.exe \
    build/windows/app/Tessmar.exe "$unpacked/Tessmar.exe"

echo
echo "dist/ ($(git rev-parse HEAD)):"
cat dist/SHA256SUMS
