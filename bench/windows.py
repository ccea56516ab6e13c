#!/usr/bin/env python3
"""Benchmark (not a test): tessmar.exe under Wine beside the native tessmar
on the same folder of camera files, warm, both walking it themselves.

    scripts/with-display.sh bench/windows.py --native build/native/cli/tessmar \\
        --windows build/windows/cli/tessmar.exe --maker build/native/tools/make_nef_files

The folder is a generated photo library of FILES files (make_nef_files
library: dated folders of NEF, NRW and JPEG files from several bodies). Each
program runs `--csv -r` over it RUNS times after one untimed run that warms
the page cache; the median and the fastest are printed, with the time of
`--version` alone (for Wine, the cost of starting a Windows program) and
the outputs compared after '\\\\' is made '/'. The size of each program is
printed too. Wine's own translation of each system call is part of what is
measured: on Windows itself the figure would differ.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time


def timed(command, cwd, env):
    start = time.perf_counter()
    done = subprocess.run(command, cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start, done.stdout


def series(command, cwd, env, runs):
    timed(command, cwd, env)  # warms the cache and, for Wine, its server
    times, out = [], b""
    for _ in range(runs):
        took, out = timed(command, cwd, env)
        times.append(took)
    return times, out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--native", required=True)
    parser.add_argument("--windows", required=True)
    parser.add_argument("--maker", required=True, help="make_nef_files")
    parser.add_argument("--wine-run", default=os.path.join(os.path.dirname(__file__), "..", "scripts", "wine-run.sh"))
    parser.add_argument("--files", type=int, default=10000)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()

    env = dict(os.environ)
    env.pop("TESSMAR_IN_FLIGHT", None)
    with tempfile.TemporaryDirectory(prefix="tessmar-bench-windows-") as work:
        subprocess.run([args.maker, "library", os.path.join(work, "lib"), str(args.files)], check=True,
                       stdout=subprocess.DEVNULL)
        count = sum(len(files) for _, _, files in os.walk(os.path.join(work, "lib")))
        print(f"folder: {count} files in a generated library ({args.runs} timed runs each, warm)")
        native = [os.path.abspath(args.native)]
        windows = [os.path.abspath(args.wine_run), os.path.abspath(args.windows)]
        results = {}
        for name, command in (("native tessmar", native), ("tessmar.exe under Wine", windows)):
            start, _ = series(command + ["--version"], work, env, args.runs)
            walk, out = series(command + ["--csv", "-r", "lib"], work, env, args.runs)
            results[name] = out
            size = os.path.getsize(command[-1])
            print(f"{name:24} {size / 1024:8.0f} KiB  --csv -r: median {statistics.median(walk):.3f} s, "
                  f"fastest {min(walk):.3f} s; --version alone: median {statistics.median(start):.3f} s")
        same = results["native tessmar"] == results["tessmar.exe under Wine"].replace(b"\\\\", b"/")
        print("outputs: " + ("the same" if same else "DIFFERENT"))
        return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
