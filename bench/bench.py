#!/usr/bin/env python3
"""Benchmark: tessmar against ExifTool and Exiv2, side by side in one run.

    bench.py TESSMAR MAKE_NEF_FILES WORKDIR [--files N] [--runs R] [--samples DIR] ...

Two sections, each reading its files in one process per tool: a batch of
NEF files given on the command line (batch.py), and one recursive run over a
card-like folder of mixed NEF and JPEG files (folder.py). The files are
copies of the sample files when present, otherwise of the files that
MAKE_NEF_FILES writes (inputs.py). One targets summary covers both.
"""

import argparse
import os
import sys

import batch
import folder


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("tessmar")
    ap.add_argument("make_nef_files")
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
    make_nef_files = os.path.abspath(args.make_nef_files)
    work = os.path.abspath(args.workdir)

    targets, batch_mismatches = batch.run(tessmar, work, args.samples, make_nef_files,
                                          args.files, args.runs, args.big_mb)
    folder_targets, folder_mismatches = folder.run(tessmar, work, args.samples, make_nef_files,
                                                   args.folder_files, args.folder_runs, args.jpeg_mb)
    print("\ntargets:")
    for what, met, value in targets + folder_targets:
        print(f"  {'met   ' if met else 'MISSED'}  {what:42} {value}")
    return 1 if batch_mismatches or folder_mismatches else 0


if __name__ == "__main__":
    sys.exit(main())
