"""Benchmark section: one batch of NEF files, every file on each tool's
command line, read by each tool in one process: wall times, tessmar's system
calls and bytes read per file, what it reads of a 30 MiB file, and a
cross-check of the shutter counts the three tools report."""

import os
import shutil

import inputs
import measure
import readouts


def sources(samples, make_nef_files, work):
    """The distinct files the batch is copied from: the samples' NEF-structured
    files when present, otherwise the generated NEFs."""
    found = inputs.sample_files(samples, (("tiff", ".tif"), ("files", ".nef")))
    if found:
        return found, f"{len(found)} sample files from {samples}"
    found = [p for p in inputs.generated_files(make_nef_files, work) if p.endswith(".nef")]
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


def run(tessmar, work, samples, make_nef_files, count, runs, big_mb):
    """Runs the section, prints it; returns its lines for the targets summary
    and whether any shutter counts disagree."""
    srcs, origin = sources(samples, make_nef_files, work)
    batch = os.path.join(work, "batch")
    names = make_batch(srcs, count, batch)
    big = os.path.join(work, "big", "big.nef")
    inputs.large_nef(make_nef_files, big, big_mb)
    batch_bytes = sum(os.path.getsize(os.path.join(batch, n)) for n in names)
    print(f"batch: {len(names)} files, {batch_bytes / 1e6:.2f} MB, copies of {origin}")
    print(f"big file: {os.path.getsize(big) / 2**20:.1f} MiB")

    tools = [
        ("tessmar", measure.one_process([tessmar, "--json"] + names)),
        ("ExifTool", measure.one_process(readouts.EXIFTOOL + names)),
        ("Exiv2", measure.one_process(readouts.EXIV2 + names)),
    ]
    out = {name: os.path.join(work, f"{name}.out") for name, _ in tools}

    # One untimed run of each warms the page cache and the tool's own files.
    times, wall = measure.alternating_runs(tools, batch, out, runs, warm=("tessmar", "ExifTool", "Exiv2"))
    print(f"\nwall time over {len(names)} files, one process each, median of {runs} runs:")
    ratios = measure.print_wall_times(
        times, wall, {name: " ".join(argv[:len(argv) - len(names)]) + " FILES..." for name, argv in tools})

    # System calls: the run over the batch minus a run over one file leaves
    # the cost of the other N-1 files, start-up and exit taken out.
    logs = os.path.join(work, "strace")
    os.makedirs(logs)
    n = len(names)
    print(f"\nsystem cost per file (strace; a one-file run's start-up cost removed; calls counted "
          f"with {measure.TRACED_AS_WARM['TESSMAR_IN_FLIGHT']} files in flight, a thread per core "
          f"as in a warm run, bytes one file at a time):")
    per_tool = {}
    for name, argv in (tools[0], tools[2]):
        head = argv[:len(argv) - n]
        calls_n, by_call = measure.strace_calls(head + names, batch, f"{logs}/{name}-calls-n")
        calls_1, _ = measure.strace_calls(head + names[:1], batch, f"{logs}/{name}-calls-1")
        read_n, by_file, maps_n = measure.strace_bytes(head + names, batch, f"{logs}/{name}-reads-n",
                                                       batch)
        ours_n = sum(by_file.values())
        read_1, _, _ = measure.strace_bytes(head + names[:1], batch, f"{logs}/{name}-reads-1", batch)
        per_tool[name] = (calls_n, calls_1, by_call)
        calls = (calls_n - calls_1) / (n - 1)
        print(f"  {name:9} {calls:6.1f} system calls, {measure.kib((read_n - read_1) / (n - 1))} read "
              f"({measure.kib(ours_n / n)} of it from the NEF files), {maps_n / n:.2f} maps of a NEF file"
              f"   [fixed start-up: {calls_1 - calls:.0f} calls, {measure.kib(read_1)}]")
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
        print(f"  without the {len(heavy)} files read beyond 8 KiB: "
              f"{measure.kib(rest / (n - len(heavy)))} per file")
    trace = measure.per_file_trace([tessmar, "--json", names[0]], batch, f"{logs}/tessmar-one", names[0])
    if trace:
        print(f"  tessmar on one file ({names[0]}), open to close:")
        for line in trace:
            print("    " + line)

    _, big_reads, maps_big = measure.strace_bytes([tessmar, "--json", big], work, f"{logs}/tessmar-big",
                                                  big)
    ours_big = sum(big_reads.values())
    print(f"\n30 MiB file: tessmar read {ours_big} bytes ({measure.kib(ours_big)}) of "
          f"{os.path.getsize(big)} in {maps_big} maps (target: a few KiB)")

    agree, refused, mismatches = readouts.cross_check(
        names, readouts.parse_tessmar(out["tessmar"]), readouts.parse_exiftool(out["ExifTool"]),
        readouts.exiv2_rows(names, batch))
    print(f"\ncross-check of shutter counts: {agree}/{n} files agree across the three tools, "
          f"{len(mismatches)} disagree")
    readouts.print_disagreements(refused, mismatches)

    targets = measure.ratio_targets(ratios) + [
        ("<= 12 system calls per file", tessmar_cost[0] <= 12, f"{tessmar_cost[0]:.1f}"),
        ("<= 8 KiB read per file", tessmar_cost[1] <= 8192, measure.kib(tessmar_cost[1])),
        ("a few KiB of the 30 MiB file", ours_big <= 8192 and maps_big == 0, measure.kib(ours_big)),
        ("shutter counts agree", not mismatches, f"{agree}/{n}"),
    ]
    return targets, bool(mismatches)
