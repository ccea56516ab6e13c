"""Benchmark section: one folder run over a camera card's worth of mixed NEF
and JPEG files, nested like a card (DCIM/100NIKON, DCIM/101NIKON, ...), with
a few files no tool may read mixed in.

Each tool reads the whole folder in one process: tessmar and ExifTool walk it
themselves (-r), ExifTool restricted to the extensions tessmar reads; Exiv2
cannot walk a folder, so it gets the list of files from a walk made here,
before any timing.
"""

import os
import re
import shutil
import struct
import subprocess

import inputs
import measure
import readouts

# The extensions tessmar -r reads, and ExifTool's options that select the same.
CAMERA_EXTENSIONS = (".nef", ".nrw", ".jpg", ".jpeg")
EXIFTOOL_EXT = ["-ext", "nef", "-ext", "nrw", "-ext", "jpg", "-ext", "jpeg"]

SUBFOLDERS = ("DCIM/100NIKON", "DCIM/101NIKON", "DCIM/102NIKON")

# The camera files are named DSCnnnn_<source>.<ext>: unique base names, so the
# three tools' outputs can be matched by base name, and the source readable.
INDEX_RE = re.compile(r"DSC(\d{4})_")


def is_jpeg(data):
    return data[:2] == b"\xFF\xD8"


def exif_segment_end(data):
    """Byte position just past a JPEG's Exif APP1 segment, or None: nothing
    beyond it is needed to read the counters."""
    pos = 2
    while pos + 4 <= len(data) and data[pos] == 0xFF:
        marker = data[pos + 1]
        if marker == 0xFF:
            pos += 1
            continue
        if marker in (0xD9, 0xDA):
            return None
        length = struct.unpack(">H", data[pos + 2:pos + 4])[0]
        if marker == 0xE1 and data[pos + 4:pos + 10] == b"Exif\0\0":
            return pos + 2 + length
        pos += 2 + length
    return None


def padded_jpeg(data, size):
    """The JPEG grown to `size` bytes by scan data inserted before its end
    marker (bytes below 0xFF, so no marker appears in them): what a
    large camera JPEG looks like to a metadata reader."""
    body = data[:-2] if data.endswith(b"\xFF\xD9") else data
    block = bytes((i * 2654435761 >> 13) % 0xFF for i in range(65536))
    need = max(0, size - len(body) - 2)
    whole, rest = divmod(need, len(block))
    return body + block * whole + block[:rest] + b"\xFF\xD9"


def sources(samples, make_nef_files, work):
    """(name, bytes) of the distinct files the folder is filled from: the
    samples' camera JPEGs, NEFs and cut-out TIFF structures when present,
    otherwise generated NEFs and their JPEG twins."""
    paths = inputs.sample_files(samples, (("files", ".jpg"), ("files", ".nef"), ("tiff", ".tif")))
    if paths:
        origin = f"{len(paths)} sample files from {samples} (files/*.jpg, files/*.nef, tiff/*.tif)"
    else:
        paths = inputs.generated_files(make_nef_files, work)
        origin = (f"{len(paths)} generated files, NEFs and their JPEG twins "
                  f"(SAMPLES FOLDER ABSENT: {samples or 'not given'})")
    found = []
    for path in paths:
        with open(path, "rb") as f:
            found.append((os.path.basename(path), f.read()))
    return found, origin


def camera_name(i, source, data):
    """A card-like name: upper-case extensions as cameras write them, some
    lower-case and .NRW/.jpeg ones so that matching ignores case."""
    stem = os.path.splitext(source)[0]
    if is_jpeg(data) and not source.endswith(".nef"):
        ext = (".JPG", ".jpg", ".JPG", ".jpeg")[i % 4]
    else:
        # A JPEG under a .nef name keeps it: tessmar must tell by content.
        ext = (".NEF", ".nef", ".NEF", ".NRW")[i % 4]
    return f"DSC{i:04d}_{stem}{ext}"


def make_folder(root, srcs, count):
    """Writes the card; returns {relative path: (source, 'NEF'|'JPEG')} of
    the camera files, and the relative paths of the files to be skipped."""
    camera = {}
    for i in range(count):
        source, data = srcs[i % len(srcs)]
        sub = SUBFOLDERS[i * len(SUBFOLDERS) // count]
        rel = os.path.join(sub, camera_name(i, source, data))
        os.makedirs(os.path.join(root, sub), exist_ok=True)
        with open(os.path.join(root, rel), "wb") as f:
            f.write(data)
        camera[rel] = (source, "JPEG" if is_jpeg(data) else "NEF")

    # A folder whose name ends in .JPG: walked into, never read as a file.
    i = count
    source, data = srcs[0]
    rel = os.path.join("DCIM/102NIKON/EXPORT.JPG", camera_name(i, source, data))
    os.makedirs(os.path.join(root, os.path.dirname(rel)), exist_ok=True)
    with open(os.path.join(root, rel), "wb") as f:
        f.write(data)
    camera[rel] = (source, "JPEG" if is_jpeg(data) else "NEF")

    # Files a card or a copy of it holds besides the pictures; a TIFF copy
    # of a readable NEF and a sidecar named after a picture among them.
    nef_data = next(d for s, d in srcs if not is_jpeg(d))
    first = sorted(camera)[0]
    skipped = {
        "NIKON001.DSC": b"NIKON DSC\0" + bytes(502),
        "DCIM/100NIKON/" + os.path.splitext(os.path.basename(first))[0] + ".xmp":
            b'<?xml version="1.0"?><x:xmpmeta xmlns:x="adobe:ns:meta/"/>\n',
        "DCIM/101NIKON/DSC9001.MOV": b"\0\0\0\x18ftypqt  " + bytes(4096),
        "DCIM/101NIKON/DSC9002.TIF": nef_data,
        "DCIM/102NIKON/Thumbs.db": bytes(1024),
        "notes.txt": b"copied from the card\n",
    }
    for rel, data in skipped.items():
        os.makedirs(os.path.join(root, os.path.dirname(rel)), exist_ok=True)
        with open(os.path.join(root, rel), "wb") as f:
            f.write(data)
    return camera, sorted(skipped)


def walk(root):
    """The camera files under root, relative paths, as tessmar -r selects them."""
    found = []
    for folder, _, files in os.walk(root):
        for f in files:
            if f.lower().endswith(CAMERA_EXTENSIONS):
                found.append(os.path.relpath(os.path.join(folder, f), root))
    return sorted(found)


def file_index(text):
    m = INDEX_RE.search(text)
    return int(m.group(1)) if m else None


def calls_by_file(log, index_kind):
    """System calls of one strace -y log, split into those that touch a
    camera file (by its name in a path or a descriptor) and the rest."""
    per_kind, shared, touched = {}, 0, set()
    for line in open(log):
        if line.startswith(("+++", "---")):
            continue
        i = file_index(line)
        if i is None:
            shared += 1
        else:
            touched.add(i)
            kind = index_kind.get(i, "other")
            per_kind[kind] = per_kind.get(kind, 0) + 1
    return per_kind, shared, touched


def run(tessmar, work, samples, make_nef_files, count, runs, jpeg_mb):
    """Runs the section, prints it; returns its lines for the targets summary
    and whether any shutter counts disagree."""
    srcs, origin = sources(samples, make_nef_files, work)
    card = os.path.join(work, "card")
    camera, skipped = make_folder(card, srcs, count)
    listed = walk(card)
    n = len(listed)
    kinds = {k: sum(1 for s, c in camera.values() if c == k) for k in ("NEF", "JPEG")}
    total_bytes = sum(os.path.getsize(os.path.join(card, r)) for r in listed)
    print(f"\n\n== folder run: one process per tool over a card-like folder")
    print(f"folder: {n} camera files ({kinds['NEF']} NEF-structured, {kinds['JPEG']} JPEG), "
          f"{total_bytes / 1e6:.2f} MB in {', '.join(SUBFOLDERS)} and DCIM/102NIKON/EXPORT.JPG/, "
          f"copies of {origin}")
    print(f"  plus {len(skipped)} files every tool must skip: {', '.join(skipped)}")

    # tessmar and ExifTool walk the folder; Exiv2 reads the list made above.
    tools = [
        ("tessmar", [tessmar, "-r", "--json", "card"]),
        # The same tags as the per-file section.
        ("ExifTool", readouts.EXIFTOOL + EXIFTOOL_EXT + ["-r", "card"]),
        ("Exiv2", measure.one_process(readouts.EXIV2 + [os.path.join("card", r) for r in listed])),
    ]
    out = {name: os.path.join(work, f"card-{name}.out") for name, _ in tools}
    # The files were just written, so they are in the page cache; tessmar
    # and Exiv2 get one untimed run each to load themselves, ExifTool was
    # loaded by the section before (a run of it costs many seconds).
    times, wall = measure.alternating_runs(tools, work, out, runs, warm=("tessmar", "Exiv2"))
    print(f"\nwall time over the folder ({n} files), one process each, median of {runs} "
          f"alternating runs (min..max):")
    ratios = measure.print_wall_times(
        times, wall, {name: " ".join(argv if name != "Exiv2" else argv[:len(argv) - n] + ["FILES..."])
                      for name, argv in tools})
    print(f"  (ExifTool walks the folder itself, restricted by -ext to the extensions tessmar "
          f"reads; Exiv2 has no folder walk and gets the {n} paths found by a walk made "
          f"before timing, so its time leaves the walk out)")

    # System cost: the folder run minus a run over a folder of the same shape
    # holding one file, so start-up, exit and the fixed part of the walk go.
    one = os.path.join(work, "card-one")
    first = listed[0]
    os.makedirs(os.path.join(one, os.path.dirname(first)))
    shutil.copyfile(os.path.join(card, first), os.path.join(one, first))
    logs = os.path.join(work, "strace-card")
    os.makedirs(logs)
    head = [tessmar, "-r", "--json"]
    calls_n, by_call = measure.strace_calls(head + ["card"], work, f"{logs}/calls-n")
    calls_1, _ = measure.strace_calls(head + ["card-one"], work, f"{logs}/calls-1")
    read_n, by_file, maps_n = measure.strace_bytes(head + ["card"], work, f"{logs}/reads-n", card)
    read_1, _, _ = measure.strace_bytes(head + ["card-one"], work, f"{logs}/reads-1", one)
    calls = (calls_n - calls_1) / (n - 1)
    per_read = (read_n - read_1) / (n - 1)
    print(f"\nsystem cost per file of tessmar's folder run (strace; a run over a one-file "
          f"folder of the same shape removed; calls counted with "
          f"{measure.TRACED_AS_WARM['TESSMAR_IN_FLIGHT']} files in flight as in a warm run, "
          f"bytes one file at a time):")
    print(f"  {calls:.1f} system calls, {measure.kib(per_read)} read "
          f"({measure.kib(sum(by_file.values()) / n)} of it from the camera files), "
          f"{maps_n / n:.2f} maps of a camera file   [fixed start-up: {calls_1 - calls:.0f} calls, "
          f"{measure.kib(read_1)}]")
    top = sorted(by_call.items(), key=lambda kv: -kv[1])[:9]
    print("  by kind: " + ", ".join(f"{k} {v / n:.2f}/file" for k, v in top))

    # Bytes and calls by container; the calls that name no camera file (the
    # walk's directory reads, output writes) are shared by all.
    index_kind = {file_index(os.path.basename(r)): camera[r][1] for r in listed}
    bytes_kind = {"NEF": [], "JPEG": []}
    for r in listed:
        bytes_kind[camera[r][1]].append(by_file.get(os.path.join(card, r), 0))
    subprocess.run(["strace", "-y", "-s", "0", "-o", f"{logs}/all"] + head + ["card"], cwd=work,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   env=measure.traced(measure.TRACED_ONE_AT_A_TIME))
    per_kind, shared, touched = calls_by_file(f"{logs}/all", index_kind)
    for kind in ("NEF", "JPEG"):
        sizes = sorted(bytes_kind[kind])
        if sizes:
            print(f"  {kind:4} files: {per_kind.get(kind, 0) / len(sizes):.2f} calls on the file, "
                  f"{measure.kib(sum(sizes) / len(sizes))} read per file "
                  f"(median {sizes[len(sizes) // 2]} B, max {sizes[-1]} B)")
    print(f"  shared by all files (folder walk, output): {shared} calls in all, "
          f"{shared / n:.2f} per file before the start-up cost is removed")
    per_source = {}
    for r in listed:
        per_source.setdefault(camera[r][0], []).append(by_file.get(os.path.join(card, r), 0))
    ranked = sorted(per_source.items(), key=lambda kv: -max(kv[1]))
    print("  largest reads: " + ", ".join(f"{s} {max(c)} B" for s, c in ranked[:4]))
    trace = open(f"{logs}/all").read()
    opened_skipped = [s for s in skipped if os.path.basename(s) in trace]
    print(f"  files that must be skipped and were looked at by tessmar: "
          f"{', '.join(opened_skipped) if opened_skipped else 'none'}")

    # A large camera JPEG: everything needed is in the Exif segment at its
    # start, so the reads must stay inside it, whatever the file's size.
    big_results = []
    jpegs = [(s, d) for s, d in srcs if is_jpeg(d) and not s.endswith(".nef")]
    largest_source, largest = max(jpegs, key=lambda sd: len(sd[1]))
    bigs = [(largest_source, largest)] if len(largest) >= 2**20 else []
    bigs.append((f"{os.path.splitext(largest_source)[0]} padded.jpg",
                 padded_jpeg(largest, int(jpeg_mb * 2**20))))
    os.makedirs(os.path.join(work, "bigjpeg"))
    print(f"\nlarge camera JPEGs (tessmar reading one file; everything it needs lies in the "
          f"Exif segment near the start; target: no more than that segment or 8 KiB, no maps):")
    for label, data in bigs:
        path = os.path.join(work, "bigjpeg", label.replace(" ", "_"))
        with open(path, "wb") as f:
            f.write(data)
        _, reads, maps = measure.strace_bytes([tessmar, "--json", path], work,
                                            f"{logs}/big-{len(big_results)}", path)
        got = sum(reads.values())
        end = exif_segment_end(data)
        readout = subprocess.run([tessmar, "--json", path], capture_output=True, text=True).stdout
        counts = re.search(r'"total": (\d+|null)', readout)
        print(f"  {label:36} {len(data) / 2**20:5.1f} MiB: read {got} B ({measure.kib(got)}) in "
              f"{maps} maps; Exif segment ends at byte {end}; "
              f"total {counts.group(1) if counts else '?'}")
        big_results.append((label, len(data), got, maps, end))

    # Cross-check on the timed runs' own output, by file base name.
    t_rows = readouts.parse_tessmar(out["tessmar"])
    e_rows = readouts.parse_exiftool(out["ExifTool"])
    names = [os.path.basename(r) for r in listed]
    agree, refused, mismatches = readouts.cross_check(
        names, t_rows, e_rows, readouts.exiv2_rows([os.path.join("card", r) for r in listed], work))
    # Which files each walk chose: exactly the camera files, none skipped.
    want = {os.path.basename(r) for r in camera}
    chosen = []
    for name, rows in (("tessmar", t_rows), ("ExifTool", e_rows), ("the walk for Exiv2", names)):
        got = set(rows)
        wrong = sorted(got - want)[:3] + [f"missing {m}" for m in sorted(want - got)[:3]]
        chosen.append((name, len(got), wrong))
    print(f"\ncross-check of the folder run: {agree}/{n} files agree on the shutter counts "
          f"across the three tools, {len(mismatches)} disagree")
    for name, count_, wrong in chosen:
        print(f"  {name} read {count_} files of {len(want)} camera files"
              + (f": {'; '.join(wrong)}" if wrong else ", none of the others"))
    readouts.print_disagreements(refused, mismatches)

    # A read of one window past a short Exif segment is fine; a read that
    # grows with the file is not.
    big_ok = all(got <= max(end or 0, 8192) and maps == 0 for _, _, got, maps, end in big_results)
    big_text = ", ".join(f"{measure.kib(got)} of {size / 2**20:.1f} MiB" for _, size, got, _, _ in big_results)
    selection_ok = all(not wrong and c == len(want) for _, c, wrong in chosen)
    return measure.ratio_targets(ratios, "folder: ") + [
        ("folder: <= 12 system calls per file", calls <= 12, f"{calls:.1f}"),
        ("folder: <= 8 KiB read per file", per_read <= 8192, measure.kib(per_read)),
        ("large JPEG: reads only its start", big_ok, big_text),
        ("folder: same files chosen, counts agree", selection_ok and not mismatches,
         f"{agree}/{n}"),
    ], bool(mismatches)
