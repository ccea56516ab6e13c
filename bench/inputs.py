"""Where the benchmark's files come from: the sample files when they are at
hand, otherwise the readable NEFs and JPEGs that make_nef_files writes.
Shared by the benchmark's sections."""

import os
import subprocess


def sample_files(samples, wanted):
    """Paths of the sample files in each (subfolder, extension) of `wanted`,
    in that order; none when the samples folder is not given or absent."""
    found = []
    for sub, ext in wanted:
        folder = os.path.join(samples, sub) if samples else ""
        if folder and os.path.isdir(folder):
            found += sorted(os.path.join(folder, f) for f in os.listdir(folder) if f.endswith(ext))
    return found


def generated_files(make_nef_files, work):
    """Paths of the readable files make_nef_files writes (NAME.nef and its
    twin NAME.jpg), written once into WORK/generated."""
    folder = os.path.join(work, "generated")
    if not os.path.isdir(folder):
        subprocess.run([make_nef_files, "batch", folder], check=True)
    return sorted(os.path.join(folder, f) for f in os.listdir(folder))


def large_nef(make_nef_files, path, mebibytes):
    """A readable NEF of the given size, written to `path`."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    subprocess.run([make_nef_files, "large", path, str(mebibytes)], check=True)
