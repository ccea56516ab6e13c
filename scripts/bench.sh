#!/usr/bin/env bash
# Benchmark (not a test): tessmar against ExifTool and Exiv2, side by side
# in one run, in three sections:
#  1. a batch of NEF files given on the command line: wall times, tessmar's
#     system calls and bytes read per file, what it touches of a 30 MB file;
#  2. one recursive run over a card-like folder (DCIM/100NIKON, ...) of mixed
#     NEF and JPEG files with a few files to skip: the same figures, split
#     by container, and what tessmar reads of a large camera JPEG;
#  3. the same folder cold: every file's pages evicted from the page cache
#     (and checked gone) before each timed run, tessmar against Exiv2, warm
#     and cold, beside the disk's floors measured in the same run (the first
#     4 KiB of every file, one file at a time and 16 at a time).
#
#   scripts/bench.sh       1000 + 5000 files, 5, 3 and 5 timed runs per tool
#   BENCH_FILES=2000 BENCH_RUNS=3 BENCH_FOLDER_FILES=500 BENCH_FOLDER_RUNS=5 BENCH_COLD_RUNS=3 scripts/bench.sh
#
# All are built from copies of ../shared/samples (tiff/*.tif, files/*.nef,
# and for the folder files/*.jpg) when present, else of the files that
# make_nef_files (tools/) writes; the output says which. The work folder is
# made under TMPDIR (default /tmp), which must be on a disk, not in memory
# (tmpfs), for the cold section to mean anything.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
samples=${TESSMAR_SAMPLES:-$root/../shared/samples}

for tool in exiftool exiv2 strace python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh"; exit 2; }
done

echo "== building tessmar, make_nef_files and cold_io (Release)"
cmake --preset native >/dev/null
cmake --build --preset native --target tessmar make_nef_files cold_io | tail -n 1

work=$(mktemp -d "${TMPDIR:-/tmp}/tessmar-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(exiftool -ver | sed 's/^/ExifTool /'), $(exiv2 --version | head -n 1)"
echo "== load average $(cut -d' ' -f1-3 /proc/loadavg), work folder on $(df --output=fstype "$work" | tail -n 1)"
python3 bench/bench.py build/native/cli/tessmar build/native/tools/make_nef_files build/native/bench/cold_io "$work" \
  --files "${BENCH_FILES:-1000}" --runs "${BENCH_RUNS:-5}" --samples "$samples" \
  --folder-files "${BENCH_FOLDER_FILES:-5000}" --folder-runs "${BENCH_FOLDER_RUNS:-3}" \
  --cold-runs "${BENCH_COLD_RUNS:-5}"
