"""Benchmark section: the folder run's card read cold, as from a card,
an external disk or a share whose files are not in memory: before each
timed run every file's pages are evicted from the page cache (posix_fadvise
POSIX_FADV_DONTNEED) and checked gone (mincore), by the cold_io helper.

tessmar (reading 16 files at a time, and one at a time) and Exiv2 are timed
side by side, warm and cold, beside the device's own floors measured in the
same run: the first 4 KiB of every file read one file at a time, and 16 at a
time. Only the files' pages are evicted: the folders, the inodes and the
tools' own programs stay cached, as they would be for a card read twice.
"""

import os
import re
import statistics
import subprocess
import sys

import folder
import measure
import readouts

FLOOR_FILES_AT_ONCE = 16
PREAD_RE = re.compile(r"^(?:\d+ +)?pread64\(\d+<([^>]*)>, .*, (\d+), (\d+)\) += (\d+)")


def cold_io(helper, *args):
    proc = subprocess.run([helper] + list(args), capture_output=True, text=True)
    if proc.returncode != 0:
        sys.exit(f"cold_io {' '.join(args)} failed: {proc.stderr.strip()}")
    return [int(v) for v in proc.stdout.split()]


def evict(helper, list_path):
    """Drops every listed file's pages; stops the benchmark if any stays."""
    files, pages, resident = cold_io(helper, "evict", list_path)
    if resident:
        sys.exit(f"{resident} of {pages} pages of the {files} files are still cached after eviction (is the work folder in memory, on tmpfs?)")
    return pages


def extents(tessmar, work, log, card):
    """How far into each file tessmar reads (the end of its last byte read),
    from a trace of a folder run one file at a time."""
    subprocess.run(["strace", "-f", "-y", "-s", "0", "-e", "trace=pread64", "-o", log,
                    tessmar, "-r", "--json", "card"], cwd=work, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, env=measure.traced(measure.TRACED_ONE_AT_A_TIME))
    reach = {}
    for line in open(log):
        m = PREAD_RE.match(line)
        if m and m.group(1).startswith(card):
            end = int(m.group(3)) + int(m.group(4))
            reach[m.group(1)] = max(reach.get(m.group(1), 0), end)
    return sorted(reach.values())


def run(tessmar, helper, work, runs):
    """Runs the section over WORK/card (written by the folder section),
    prints it; returns its lines for the targets summary."""
    card = os.path.join(work, "card")
    listed = folder.walk(card)
    n = len(listed)
    list_path = os.path.join(work, "cold-list")
    with open(list_path, "w") as f:
        f.writelines(os.path.join(card, r) + "\n" for r in listed)
    total_bytes = sum(os.path.getsize(os.path.join(card, r)) for r in listed)
    reach = extents(tessmar, work, os.path.join(work, "cold-reach.log"), card)
    beyond = sum(1 for r in reach if r > 4096)
    print(f"\n\n== cold run: the folder run's card with every file's pages evicted before each timed run")
    print(f"folder: the same {n} camera files, {total_bytes / 1e6:.2f} MB; tessmar reads each up to "
          f"byte {reach[len(reach) // 2]} (median), {reach[-1]} at most; {beyond} files "
          f"need bytes beyond the first 4 KiB")

    exiv2 = measure.one_process(readouts.EXIV2 + [os.path.join("card", r) for r in listed])
    # (label, argv, extra environment)
    warm_tools = [
        ("tessmar", [tessmar, "-r", "--json", "card"], None),
        ("tessmar, one file at a time", [tessmar, "-r", "--json", "card"], {"TESSMAR_IN_FLIGHT": "1"}),
        ("Exiv2", exiv2, None),
    ]
    cold_tools = warm_tools + [
        ("floor, one file at a time", [helper, "floor", list_path, "1"], None),
        (f"floor, {FLOOR_FILES_AT_ONCE} files at a time",
         [helper, "floor", list_path, str(FLOOR_FILES_AT_ONCE)], None),
    ]
    out = os.path.join(work, "cold.out")
    times = {("warm", label): [] for label, _, _ in warm_tools}
    times.update({("cold", label): [] for label, _, _ in cold_tools})
    pages = 0
    # Tool after tool in turn, so that a slow moment hits all of them. A cold
    # run leaves only what its tool read in the cache: an untimed run of
    # each tool loads what it needs before the warm runs.
    for _ in range(runs):
        for label, argv, env in cold_tools:
            pages = evict(helper, list_path)
            times[("cold", label)].append(measure.timed(argv, work, out, env))
        for _, argv, env in warm_tools:
            measure.timed(argv, work, out, env)
        for label, argv, env in warm_tools:
            times[("warm", label)].append(measure.timed(argv, work, out, env))
    wall = {key: statistics.median(t) for key, t in times.items()}

    print(f"every file's {pages} pages evicted before each cold run and checked with mincore: "
          f"none left cached")
    print(f"wall time over the {n} files, one process each, median of {runs} alternating runs "
          f"(min..max):")
    for (state, label), t in times.items():
        print(f"  {state}  {label:34} {wall[(state, label)]:8.4f} s  ({min(t):.4f}..{max(t):.4f})")
    warm_ratio = wall[("warm", "Exiv2")] / wall[("warm", "tessmar")]
    cold_ratio = wall[("cold", "Exiv2")] / wall[("cold", "tessmar")]
    floor_1 = wall[("cold", "tessmar")] / wall[("cold", "floor, one file at a time")]
    floor_16 = wall[("cold", "tessmar")] / wall[("cold", f"floor, {FLOOR_FILES_AT_ONCE} files at a time")]
    gain_cold = wall[("cold", "tessmar, one file at a time")] / wall[("cold", "tessmar")]
    gain_warm = wall[("warm", "tessmar, one file at a time")] / wall[("warm", "tessmar")]
    print(f"  warm: Exiv2 / tessmar = {warm_ratio:7.1f}x   (target >= 40x)")
    print(f"  cold: Exiv2 / tessmar = {cold_ratio:7.1f}x   (target >= 20x)")
    print(f"  cold: tessmar = {floor_1:.2f}x the floor one file at a time, {floor_16:.2f}x the floor "
          f"{FLOOR_FILES_AT_ONCE} at a time   (target <= 1.5x)")
    print(f"  several files in flight against one at a time: {gain_cold:.2f}x faster cold, "
          f"{gain_warm:.2f}x warm")
    return [
        ("cold section: warm Exiv2 / tessmar >= 40x", warm_ratio >= 40, f"{warm_ratio:.1f}x"),
        ("cold: Exiv2 / tessmar >= 20x", cold_ratio >= 20, f"{cold_ratio:.1f}x"),
        (f"cold: tessmar <= 1.5x the {FLOOR_FILES_AT_ONCE}-at-a-time floor", floor_16 <= 1.5,
         f"{floor_16:.2f}x"),
    ]
