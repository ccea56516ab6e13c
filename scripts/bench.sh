#!/usr/bin/env bash
# Benchmark (not a test): tessmar against ExifTool and Exiv2 on the same
# batch of NEF files, side by side in one run, plus tessmar's system calls
# and bytes read per file and what it touches of a 30 MB file.
#
#   scripts/bench.sh                      1000 files, 5 timed runs per tool
#   BENCH_FILES=2000 BENCH_RUNS=3 scripts/bench.sh
#
# The batch is built from copies of ../shared/samples (tiff/*.tif and
# files/*.nef) when present, else of files from fuzz/make_seeds.py.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
samples=${TESSMAR_SAMPLES:-$root/../shared/samples}

for tool in exiftool exiv2 strace python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh"; exit 2; }
done

echo "== building tessmar (Release)"
cmake --preset native >/dev/null
cmake --build --preset native --target tessmar | tail -n 1

work=$(mktemp -d "${TMPDIR:-/tmp}/tessmar-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(exiftool -ver | sed 's/^/ExifTool /'), $(exiv2 --version | head -n 1)"
python3 bench/bench.py build/native/cli/tessmar "$work" \
  --files "${BENCH_FILES:-1000}" --runs "${BENCH_RUNS:-5}" --samples "$samples"
