"""Measuring one run of a tool: its wall time, its system calls and the
bytes it reads (from strace), and a refusal to split a batch over several
processes. Shared by the benchmark's sections."""

import os
import re
import statistics
import subprocess
import sys
import time


def one_process(argv):
    """Refuses to split: each tool must read the batch in one process."""
    size = sum(len(a) + 1 + 8 for a in argv)  # the strings and their pointers
    limit = os.sysconf("SC_ARG_MAX")
    if size > limit // 2:
        sys.exit(f"command line of {size} bytes too close to ARG_MAX {limit}; use fewer files")
    return argv


def timed(argv, cwd, out_path, env=None):
    """Wall time of one run, its output kept for the cross-check; `env`
    adds to the environment."""
    environment = dict(os.environ, **env) if env else None
    with open(out_path, "wb") as out:
        start = time.perf_counter()
        proc = subprocess.run(argv, cwd=cwd, stdout=out, stderr=subprocess.DEVNULL, env=environment)
        elapsed = time.perf_counter() - start
    if proc.returncode not in (0, 1):  # 1: some files had no readout
        sys.exit(f"{argv[0]} failed with exit status {proc.returncode}")
    return elapsed


def alternating_runs(tools, cwd, out, runs, warm):
    """Times `runs` runs of each (name, argv) in `tools`, tool after tool in
    turn so that a slow moment of the machine hits all of them, after one
    untimed run of each tool named in `warm` to load it and its files.
    Returns each tool's times and their median."""
    for name, argv in tools:
        if name in warm:
            timed(argv, cwd, out[name])
    times = {name: [] for name, _ in tools}
    for _ in range(runs):
        for name, argv in tools:
            times[name].append(timed(argv, cwd, out[name]))
    return times, {name: statistics.median(t) for name, t in times.items()}


def print_wall_times(times, wall, shown):
    """Each tool's median and spread beside the command line it ran, then
    the ratios to tessmar; returns the ratios for the targets."""
    for name, command in shown.items():
        spread = f"{min(times[name]):.4f}..{max(times[name]):.4f}"
        print(f"  {name:9} {wall[name]:9.4f} s  ({spread})   {command}")
    ratios = {other: wall[other] / wall["tessmar"] for other in ("ExifTool", "Exiv2")}
    print(f"  ExifTool / tessmar = {ratios['ExifTool']:7.1f}x   (target >= 500x)")
    print(f"  Exiv2 / tessmar    = {ratios['Exiv2']:7.1f}x   (target >= 30x)")
    return ratios


def ratio_targets(ratios, prefix=""):
    """The targets summary's lines for the wall-time ratios."""
    return [
        (f"{prefix}ExifTool / tessmar >= 500x", ratios["ExifTool"] >= 500, f"{ratios['ExifTool']:.0f}x"),
        (f"{prefix}Exiv2 / tessmar >= 30x", ratios["Exiv2"] >= 30, f"{ratios['Exiv2']:.1f}x"),
    ]


# A tracer slows every call, which would make tessmar take the files for
# slow storage and read many at once. Calls are counted with as many files
# in flight as a warm run has (a thread per core, so their wake-ups count
# too); bytes and per-file traces one file at a time, whose trace lines are
# not split between threads.
TRACED_AS_WARM = {"TESSMAR_IN_FLIGHT": str(os.cpu_count() or 1)}
TRACED_ONE_AT_A_TIME = {"TESSMAR_IN_FLIGHT": "1"}


def traced(env):
    return dict(os.environ, **env)


def strace_calls(argv, cwd, log):
    """Total system calls of a run, from strace -c."""
    subprocess.run(["strace", "-f", "-c", "-o", log] + argv, cwd=cwd,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=traced(TRACED_AS_WARM))
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
                   stderr=subprocess.DEVNULL, env=traced(TRACED_ONE_AT_A_TIME))
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
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=traced(TRACED_ONE_AT_A_TIME))
    lines = open(log).read().splitlines()
    start = next((i for i, l in enumerate(lines) if path in l), None)
    if start is None:
        return []
    end = next((i for i in range(start, len(lines)) if lines[i].startswith("close(") and path in lines[i]),
               len(lines) - 1)
    return [re.sub(r"\s+", " ", l)[:110] for l in lines[start:end + 1]]


def kib(n):
    return f"{n / 1024:.2f} KiB"
