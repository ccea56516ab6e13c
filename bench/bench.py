#!/usr/bin/env python3
"""Benchmark: tessmar against ExifTool and Exiv2 on one batch of NEF files.

    bench.py TESSMAR WORKDIR [--files N] [--runs R] [--samples DIR]

Each tool reads the whole batch in one process (every file on its command
line). Prints each tool's wall time (median of R runs) and the ratios, then
what tessmar costs the system per file (system calls and bytes read, from
strace, start-up cost removed), the bytes it reads of a 30 MB file, and a
cross-check that the three tools report the same shutter counts.

A second section (folder.py) does the same for one recursive run over a
card-like folder of mixed NEF and JPEG files, and measures what tessmar reads
of a large camera JPEG. One targets summary covers both.
"""

import argparse
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

import folder

HERE = os.path.dirname(os.path.abspath(__file__))
SEEDS = os.path.join(HERE, "..", "fuzz", "make_seeds.py")

EXIFTOOL = ["exiftool", "-fast", "-ShutterCount", "-MechanicalShutterCount", "-Model", "-ModifyDate"]
EXIV2_KEYS = ["-K", "Exif.Nikon3.ShutterCount", "-K", "Exif.Nikon3.MechanicalShutterCount",
              "-K", "Exif.Image.Model", "-K", "Exif.Image.DateTime"]
EXIV2 = ["exiv2", "-Pv"] + EXIV2_KEYS


def sources(samples, workdir):
    """The distinct files the batch is copied from: the samples' NEF-structured
    files when present, otherwise the generator's well-formed files."""
    found = []
    if samples and os.path.isdir(os.path.join(samples, "tiff")):
        for sub, ext in (("tiff", ".tif"), ("files", ".nef")):
            folder = os.path.join(samples, sub)
            found += sorted(os.path.join(folder, f) for f in os.listdir(folder) if f.endswith(ext))
    if found:
        return found, f"{len(found)} sample files from {samples}"
    generated = os.path.join(workdir, "generated")
    subprocess.run([sys.executable, SEEDS, "batch", generated], check=True)
    found = sorted(os.path.join(generated, f) for f in os.listdir(generated))
    return found, f"{len(found)} generated files (samples folder absent)"


def make_batch(srcs, count, folder):
    os.makedirs(folder)
    names = []
    for i in range(count):
        src = srcs[i % len(srcs)]
        stem = os.path.splitext(os.path.basename(src))[0]
        name = f"{i:04d}_{stem}.nef"
        shutil.copyfile(src, os.path.join(folder, name))
        names.append(name)
    return names


def one_process(argv):
    """Refuses to split: each tool must read the batch in one process."""
    size = sum(len(a) + 1 + 8 for a in argv)  # the strings and their pointers
    limit = os.sysconf("SC_ARG_MAX")
    if size > limit // 2:
        sys.exit(f"command line of {size} bytes too close to ARG_MAX {limit}; use fewer files")
    return argv


def timed(argv, cwd, out_path):
    """Wall time of one run, its output kept for the cross-check."""
    with open(out_path, "wb") as out:
        start = time.perf_counter()
        proc = subprocess.run(argv, cwd=cwd, stdout=out, stderr=subprocess.DEVNULL)
        elapsed = time.perf_counter() - start
    if proc.returncode not in (0, 1):  # 1: some files had no readout
        sys.exit(f"{argv[0]} failed with exit status {proc.returncode}")
    return elapsed


def strace_calls(argv, cwd, log):
    """Total system calls of a run, from strace -c."""
    subprocess.run(["strace", "-f", "-c", "-o", log] + argv, cwd=cwd,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # Columns: % time, seconds, usecs/call, calls, [errors], name.
    calls = {}
    for line in open(log):
        parts = line.split()
        if len(parts) >= 5 and parts[3].isdigit():
            calls[parts[-1]] = int(parts[3])
    return calls.pop("total"), calls


READ_RE = re.compile(r"^(?:\d+ +)?(read|pread64|readv|preadv)\((\d+)<([^>]*)>.*\) += (\d+)")
MMAP_RE = re.compile(r"^(?:\d+ +)?mmap\(.*, (\d+)<([^>]*)>, ")


def strace_bytes(argv, cwd, log, under):
    """Bytes read in total and from files under `under`, and the number of
    mappings of such files (a map of a whole file is a read in disguise)."""
    subprocess.run(["strace", "-f", "-y", "-s", "0", "-e", "trace=read,pread64,readv,preadv,mmap",
                    "-o", log] + argv, cwd=cwd, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    total = maps = 0
    by_file = {}
    for line in open(log):
        m = READ_RE.match(line)
        if m:
            n = int(m.group(4))
            total += n
            if m.group(3).startswith(under):
                by_file[m.group(3)] = by_file.get(m.group(3), 0) + n
            continue
        m = MMAP_RE.match(line)
        if m and m.group(2).startswith(under):
            maps += 1
    return total, by_file, maps


def per_file_trace(argv, cwd, log, path):
    """The system calls made between opening one file and closing it."""
    subprocess.run(["strace", "-y", "-s", "0", "-o", log] + argv, cwd=cwd,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    lines = open(log).read().splitlines()
    start = next((i for i, l in enumerate(lines) if path in l), None)
    if start is None:
        return []
    end = next((i for i in range(start, len(lines)) if lines[i].startswith("close(") and path in lines[i]),
               len(lines) - 1)
    return [re.sub(r"\s+", " ", l)[:110] for l in lines[start:end + 1]]


def parse_tessmar(path):
    rows = {}
    for item in json.load(open(path)):
        rows[os.path.basename(item["file"])] = item
    return rows


def parse_exiftool(path):
    rows, current = {}, None
    for line in open(path, errors="replace"):
        if line.startswith("======== "):
            current = os.path.basename(line[9:].strip())
            rows[current] = {}
        elif current and ":" in line:
            label, value = (s.strip() for s in line.split(":", 1))
            rows[current][label] = value
    return rows


def parse_exiv2_keys(text):
    rows = {}
    for line in text.splitlines():
        parts = line.split(None, 2)
        if len(parts) == 3:
            rows.setdefault(os.path.basename(parts[0]), {})[parts[1]] = parts[2].strip()
    return rows


def cross_check(names, tessmar, exiftool, exiv2):
    """Every file: the three tools' ShutterCount and MechanicalShutterCount."""
    agree, refused, mismatches = 0, set(), []
    for name in names:
        t, e, x = tessmar.get(name), exiftool.get(name, {}), exiv2.get(name, {})
        stem = name.split("_", 1)[1]
        e_total, e_mech = e.get("Shutter Count"), e.get("Mechanical Shutter Count")
        x_total = x.get("Exif.Nikon3.ShutterCount")
        x_mech = x.get("Exif.Nikon3.MechanicalShutterCount")
        if t is None:
            mismatches.append(f"{name}: no tessmar readout")
            continue
        if t["error"] is not None:
            if e_total is None and x_total is None:
                agree += 1  # nobody finds a shutter count
            else:
                refused.add(f"{stem} ({t['error']}; ExifTool {e_total}, Exiv2 {x_total})")
            continue
        # A maker note without ShutterCount counts as a total of 0; without
        # MechanicalShutterCount the mechanical count is the total, so only
        # counters a tool shows are compared, and at least one must be shown.
        want = [("ExifTool ShutterCount", e_total, t["total"]),
                ("Exiv2 ShutterCount", x_total, t["total"]),
                ("ExifTool MechanicalShutterCount", e_mech, t["mechanical"]),
                ("Exiv2 MechanicalShutterCount", x_mech, t["mechanical"])]
        wrong = [f"{what} {got} vs tessmar {ours}" for what, got, ours in want
                 if got is not None and int(got) != ours]
        if e_total is None and t["total"] != 0:
            wrong.append(f"ExifTool shows no ShutterCount, tessmar {t['total']}")
        if x_total is None and t["total"] != 0:
            wrong.append(f"Exiv2 shows no ShutterCount, tessmar {t['total']}")
        if e_total is None and e_mech is None:
            wrong.append("ExifTool shows no counter")
        if x_total is None and x_mech is None:
            wrong.append("Exiv2 shows no counter")
        if wrong:
            mismatches.append(f"{name}: " + "; ".join(wrong))
        else:
            agree += 1
    return agree, sorted(refused), mismatches


def kib(n):
    return f"{n / 1024:.2f} KiB"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("tessmar")
    ap.add_argument("workdir")
    ap.add_argument("--files", type=int, default=1000)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--samples", default="")
    ap.add_argument("--big-mb", type=float, default=30)
    ap.add_argument("--folder-files", type=int, default=1000)
    ap.add_argument("--folder-runs", type=int, default=3)
    ap.add_argument("--jpeg-mb", type=float, default=10)
    args = ap.parse_args()
    tessmar = os.path.abspath(args.tessmar)
    work = os.path.abspath(args.workdir)

    srcs, origin = sources(args.samples, work)
    batch = os.path.join(work, "batch")
    names = make_batch(srcs, args.files, batch)
    big = os.path.join(work, "big", "big.nef")
    os.makedirs(os.path.dirname(big))
    subprocess.run([sys.executable, SEEDS, "big", big, str(args.big_mb)], check=True)
    batch_bytes = sum(os.path.getsize(os.path.join(batch, n)) for n in names)
    print(f"batch: {len(names)} files, {batch_bytes / 1e6:.2f} MB, copies of {origin}")
    print(f"big file: {os.path.getsize(big) / 2**20:.1f} MiB")

    tools = [
        ("tessmar", one_process([tessmar, "--json"] + names)),
        ("ExifTool", one_process(EXIFTOOL + names)),
        ("Exiv2", one_process(EXIV2 + names)),
    ]
    out = {name: os.path.join(work, f"{name}.out") for name, _ in tools}

    # Warm the page cache and each tool's own files once, then alternate the
    # tools run by run so that a slow moment of the machine hits all of them.
    for name, argv in tools:
        timed(argv, batch, out[name])
    times = {name: [] for name, _ in tools}
    for _ in range(args.runs):
        for name, argv in tools:
            times[name].append(timed(argv, batch, out[name]))
    wall = {name: statistics.median(t) for name, t in times.items()}

    print(f"\nwall time over {len(names)} files, one process each, median of {args.runs} runs:")
    for name, argv in tools:
        shown = " ".join(argv[:len(argv) - len(names)]) + " FILES..."
        spread = f"{min(times[name]):.4f}..{max(times[name]):.4f}"
        print(f"  {name:9} {wall[name]:9.4f} s  ({spread})   {shown}")
    print(f"  ExifTool / tessmar = {wall['ExifTool'] / wall['tessmar']:7.1f}x   (target >= 500x)")
    print(f"  Exiv2 / tessmar    = {wall['Exiv2'] / wall['tessmar']:7.1f}x   (target >= 30x)")

    # System calls: the run over the batch minus a run over one file leaves
    # the cost of the other N-1 files, start-up and exit taken out.
    logs = os.path.join(work, "strace")
    os.makedirs(logs)
    n = len(names)
    print(f"\nsystem cost per file (strace; a one-file run's start-up cost removed):")
    per_tool = {}
    for name, argv in (tools[0], tools[2]):
        head = argv[:len(argv) - n]
        calls_n, by_call = strace_calls(head + names, batch, f"{logs}/{name}-calls-n")
        calls_1, _ = strace_calls(head + names[:1], batch, f"{logs}/{name}-calls-1")
        read_n, by_file, maps_n = strace_bytes(head + names, batch, f"{logs}/{name}-reads-n", batch)
        ours_n = sum(by_file.values())
        read_1, _, _ = strace_bytes(head + names[:1], batch, f"{logs}/{name}-reads-1", batch)
        per_tool[name] = (calls_n, calls_1, by_call)
        calls = (calls_n - calls_1) / (n - 1)
        print(f"  {name:9} {calls:6.1f} system calls, {kib((read_n - read_1) / (n - 1))} read "
              f"({kib(ours_n / n)} of it from the NEF files), {maps_n / n:.2f} maps of a NEF file"
              f"   [fixed start-up: {calls_1 - calls:.0f} calls, {kib(read_1)}]")
        if name == "tessmar":
            tessmar_reads = by_file
            tessmar_cost = (calls, (read_n - read_1) / (n - 1))
    calls_n, calls_1, by_call = per_tool["tessmar"]
    top = sorted(by_call.items(), key=lambda kv: -kv[1])[:8]
    print("  tessmar's calls over the batch, by kind: " +
          ", ".join(f"{k} {v / n:.2f}/file" for k, v in top))
    print(f"  tessmar targets: <= 12 calls and <= 8 KiB read per file")
    # Which files cost the bytes: the distinct sources, by bytes read.
    per_source = {}
    for path, count in tessmar_reads.items():
        per_source.setdefault(os.path.basename(path).split("_", 1)[1], []).append(count)
    ranked = sorted(per_source.items(), key=lambda kv: -max(kv[1]))
    sizes = sorted(tessmar_reads.get(os.path.join(batch, nm), 0) for nm in names)
    print(f"  tessmar bytes read per file: median {sizes[len(sizes) // 2]}, max {sizes[-1]}; "
          f"largest: " + ", ".join(f"{src} {max(c)}" for src, c in ranked[:3]))
    heavy = [nm for nm in names if tessmar_reads.get(os.path.join(batch, nm), 0) > 8192]
    if heavy:
        rest = sum(tessmar_reads.get(os.path.join(batch, nm), 0) for nm in names if nm not in heavy)
        print(f"  without the {len(heavy)} files read beyond 8 KiB: {kib(rest / (n - len(heavy)))} per file")
    trace = per_file_trace([tessmar, "--json", names[0]], batch, f"{logs}/tessmar-one", names[0])
    if trace:
        print(f"  tessmar on one file ({names[0]}), open to close:")
        for line in trace:
            print("    " + line)

    _, big_reads, maps_big = strace_bytes([tessmar, "--json", big], work, f"{logs}/tessmar-big", big)
    ours_big = sum(big_reads.values())
    print(f"\n30 MiB file: tessmar read {ours_big} bytes ({kib(ours_big)}) of "
          f"{os.path.getsize(big)} in {maps_big} maps (target: a few KiB)")

    # Cross-check on the timed runs' own output; Exiv2's -Pv prints values
    # without their keys, so its counts are taken from one more run with -Pkv.
    exiv2_keys = subprocess.run(["exiv2", "-Pkv"] + EXIV2_KEYS + names, cwd=batch,
                                capture_output=True, text=True, errors="replace").stdout
    agree, refused, mismatches = cross_check(names, parse_tessmar(out["tessmar"]),
                                             parse_exiftool(out["ExifTool"]),
                                             parse_exiv2_keys(exiv2_keys))
    print(f"\ncross-check of shutter counts: {agree}/{n} files agree across the three tools, "
          f"{len(mismatches)} disagree")
    for r in refused:
        print(f"  refused by tessmar, read by another tool: {r}")
    for m in mismatches[:20]:
        print(f"  MISMATCH {m}")

    ratio_exiftool = wall["ExifTool"] / wall["tessmar"]
    ratio_exiv2 = wall["Exiv2"] / wall["tessmar"]
    targets = [
        (f"ExifTool / tessmar >= 500x", ratio_exiftool >= 500, f"{ratio_exiftool:.0f}x"),
        (f"Exiv2 / tessmar >= 30x", ratio_exiv2 >= 30, f"{ratio_exiv2:.1f}x"),
        ("<= 12 system calls per file", tessmar_cost[0] <= 12, f"{tessmar_cost[0]:.1f}"),
        ("<= 8 KiB read per file", tessmar_cost[1] <= 8192, kib(tessmar_cost[1])),
        ("a few KiB of the 30 MiB file", ours_big <= 8192 and maps_big == 0, kib(ours_big)),
        ("shutter counts agree", not mismatches, f"{agree}/{n}"),
    ]
    folder_targets, folder_mismatches = folder.run(tessmar, work, args.samples, args.folder_files,
                                                   args.folder_runs, args.jpeg_mb)
    targets += folder_targets
    print("\ntargets:")
    for what, met, value in targets:
        print(f"  {'met   ' if met else 'MISSED'}  {what:42} {value}")
    return 1 if mismatches or folder_mismatches else 0


if __name__ == "__main__":
    sys.exit(main())
