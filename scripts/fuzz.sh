#!/usr/bin/env bash
# A short, bounded libFuzzer run over the NEF reader: builds the harness
# (clang, address and undefined sanitizers), seeds it, fuzzes for a fixed
# time and fails on any crash, leak, timeout or broken readout promise.
#
#   scripts/fuzz.sh                 about 75 s of fuzzing
#   FUZZ_SECONDS=600 scripts/fuzz.sh
#
# Seeds: the readable and malformed files that make_nef_files (tools/)
# writes, fuzz/regress/, and the sample files in ../shared/samples when that
# folder is present.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${FUZZ_SECONDS:-75}
samples=${TESSMAR_SAMPLES:-$root/../shared/samples}
build=build/fuzz
jobs=$(nproc 2>/dev/null || echo 2)

echo "== building the fuzz harness and the seed writer"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target nef_fuzzer make_nef_files -- -j"$jobs" | tail -n 1

echo "== seeding"
seeds=$build/seeds
corpus=$build/corpus
artifacts=$build/artifacts
rm -rf "$seeds" "$corpus" "$artifacts"
mkdir -p "$seeds" "$corpus" "$artifacts"
"$build/tools/make_nef_files" seeds "$seeds/generated"
if compgen -G "fuzz/regress/*" >/dev/null; then
  cp fuzz/regress/* "$seeds/generated/"
fi
if [[ -d "$samples/tiff" ]]; then
  cp "$samples"/tiff/*.tif "$seeds/generated/" 2>/dev/null || true
  cp "$samples"/files/*.nef "$samples"/files/*.jpg "$seeds/generated/" 2>/dev/null || true
  echo "samples: $(ls "$samples"/tiff/*.tif "$samples"/files/*.nef "$samples"/files/*.jpg 2>/dev/null | wc -l) files from $samples"
else
  echo "samples: $samples is absent; seeding from generated files only"
fi
echo "seeds: $(ls "$seeds/generated" | wc -l) files"

# Every known input must pass on its own first: a regression shows up here
# with its file name, before any random search.
echo "== replaying the seeds"
"$build/fuzz/nef_fuzzer" -runs=0 "$seeds/generated" >"$build/replay.log" 2>&1 || {
  tail -n 40 "$build/replay.log"; echo "FAIL: a seed breaks the reader"; exit 1; }

echo "== fuzzing for ${seconds}s"
log=$build/fuzz.log
status=0
# 64 KiB holds a whole JPEG Exif segment (its length is 16 bits) and the
# reader's part of every sample NEF; larger inputs only slow the search.
"$build/fuzz/nef_fuzzer" \
  -dict=fuzz/nef.dict \
  -max_total_time="$seconds" \
  -max_len=65536 \
  -timeout=5 \
  -rss_limit_mb=1024 \
  -print_final_stats=1 \
  -print_coverage=1 \
  -artifact_prefix="$artifacts/" \
  "$corpus" "$seeds/generated" >"$log" 2>&1 || status=$?

# Summary: executions, speed, coverage of the reader's own code.
grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)' "$log" | sed 's/^/  /' || true
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$log" | sed 's/^/  /' || true
python3 - "$log" <<'EOF'
import re, sys
funcs = {}
for line in open(sys.argv[1], errors="replace"):
    m = re.match(r"(UN)?COVERED_FUNC: hits: \d+ edges: (\d+)/(\d+) (.*) (\S+):\d+$", line.rstrip())
    if m and "/nef/" in m.group(5) and m.group(5).endswith(".cpp"):
        funcs[m.group(4)] = (int(m.group(2)), int(m.group(3)))
if funcs:
    covered = [f for f, (e, _) in funcs.items() if e > 0]
    edges = sum(e for e, _ in funcs.values()), sum(t for _, t in funcs.values())
    print(f"  reader coverage (nef/*.cpp): {len(covered)}/{len(funcs)} functions, "
          f"{edges[0]}/{edges[1]} instrumented edges")
    missed = sorted(f for f, (e, _) in funcs.items() if e == 0)
    if missed:
        print("  functions never reached: " + ", ".join(missed))
EOF

if [[ $status -ne 0 ]] || compgen -G "$artifacts/*" >/dev/null; then
  grep -E -A 30 'ERROR: |broken promise|Test unit written' "$log" | head -n 60 || true
  echo "FAIL: the fuzzer found a problem (exit $status); inputs kept in $artifacts:"
  ls -l "$artifacts"
  exit 1
fi
echo "OK: no crash, leak, timeout or broken promise"
