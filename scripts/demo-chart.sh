#!/usr/bin/env bash
# Makes the camera summary and chart that README shows, from a generated
# photo library (make_nef_files library: five bodies over eleven years, one
# of them with a new shutter), so that they can be made again:
#
#   scripts/demo-chart.sh    writes docs/wear-chart.svg and docs/wear-chart.png
#                            and prints the summary table
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target tessmar make_nef_files >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/tessmar-demo.XXXXXX")
trap 'rm -rf "$work"' EXIT
build/native/tools/make_nef_files library "$work/Pictures" 250
# Status 1: the library's compact camera records no count, as it should.
status=0
(cd "$work" && "$root/build/native/cli/tessmar" --cameras --chart "$root/docs/wear-chart.svg" -r Pictures) || status=$?
((status == 1)) || { echo "tessmar ended with status $status" >&2; exit 1; }
rsvg-convert -o docs/wear-chart.png docs/wear-chart.svg
echo "wrote docs/wear-chart.svg and docs/wear-chart.png"
