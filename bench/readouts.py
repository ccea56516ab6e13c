"""The three tools side by side: the command lines that ask ExifTool and
Exiv2 for the same counters and texts as tessmar, parsers of their outputs,
and the cross-check of the shutter counts they report. Shared by the
benchmark's sections."""

import json
import os
import subprocess

EXIFTOOL = ["exiftool", "-fast", "-ShutterCount", "-MechanicalShutterCount", "-Model", "-ModifyDate"]
EXIV2_KEYS = ["-K", "Exif.Nikon3.ShutterCount", "-K", "Exif.Nikon3.MechanicalShutterCount",
              "-K", "Exif.Image.Model", "-K", "Exif.Image.DateTime"]
EXIV2 = ["exiv2", "-Pv"] + EXIV2_KEYS


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


def exiv2_rows(paths, cwd):
    """Exiv2's counters and texts by file, from one more run with -Pkv: the
    timed runs use -Pv, which prints values without their keys."""
    text = subprocess.run(["exiv2", "-Pkv"] + EXIV2_KEYS + paths, cwd=cwd,
                          capture_output=True, text=True, errors="replace").stdout
    return parse_exiv2_keys(text)


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


def print_disagreements(refused, mismatches):
    for r in refused:
        print(f"  refused by tessmar, read by another tool: {r}")
    for m in mismatches[:20]:
        print(f"  MISMATCH {m}")
