#!/usr/bin/env python3
"""Benchmark: tessmar against ExifTool and Exiv2, side by side in one run.

    bench.py TESSMAR MAKE_NEF_FILES COLD_IO WORKDIR [--files N] [--runs R] [--samples DIR] ...

Three sections, each reading its files in one process per tool: a batch of
NEF files given on the command line (batch.py), one recursive run over a
card-like folder of mixed NEF and JPEG files (folder.py), and the same folder
read cold, its files evicted from the page cache by COLD_IO before each run,
beside the device's own floors (cold.py). The files are copies of the sample
files when present, otherwise of the files that MAKE_NEF_FILES writes
(inputs.py). One targets summary covers them all.
"""

import argparse
import os
import sys

import batch
import cold
import folder


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("tessmar")
    ap.add_argument("make_nef_files")
    ap.add_argument("cold_io")
    ap.add_argument("workdir")
    ap.add_argument("--files", type=int, default=1000)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--samples", default="")
    ap.add_argument("--big-mb", type=float, default=30)
    ap.add_argument("--folder-files", type=int, default=1000)
    ap.add_argument("--folder-runs", type=int, default=3)
    ap.add_argument("--jpeg-mb", type=float, default=10)
    ap.add_argument("--cold-runs", type=int, default=5)
    args = ap.parse_args()
    tessmar = os.path.abspath(args.tessmar)
    make_nef_files = os.path.abspath(args.make_nef_files)
    cold_io = os.path.abspath(args.cold_io)
    work = os.path.abspath(args.workdir)

    targets, batch_mismatches = batch.run(tessmar, work, args.samples, make_nef_files,
                                          args.files, args.runs, args.big_mb)
    folder_targets, folder_mismatches = folder.run(tessmar, work, args.samples, make_nef_files,
                                                   args.folder_files, args.folder_runs, args.jpeg_mb)
    cold_targets = cold.run(tessmar, cold_io, work, args.cold_runs)
    print("\ntargets:")
    for what, met, value in targets + folder_targets + cold_targets:
        print(f"  {'met   ' if met else 'MISSED'}  {what:52} {value}")
    return 1 if batch_mismatches or folder_mismatches else 0


if __name__ == "__main__":
    sys.exit(main())
