#!/usr/bin/env python3
"""tessmar.exe under Wine against the native tessmar on the same library.

Both read one generated photo library, with folders and files named in
Greek, Japanese, Korean, with an emoji and with combining marks, a path of
over 260 characters and files that cannot be read, in every output form, as
single files, as folder walks and as the camera summary with its chart, and
with arguments that are wrong, and into a full disk. Standard output, standard error, the exit
status and the chart must be the same bytes, but for one thing: a walked
path has '\\' where the native one has '/' (written "\\\\" by the escapes).
Wine runs in a locale whose ANSI code page cannot spell those names.

Exit status 77 (a skip) when the native build is not there.
"""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
WIDE_FOLDERS = ["Ελλάδα", "写真", "사진", "📷 trip", "cafe\u0301"]
WIDE_FILES = ["Φωτο.nef", "照片.NEF", "DSC_0001.nef", "a.jpg", "cafe\u0301.nef"]


def normalised(data: bytes) -> bytes:
    # A backslash in the output is always escaped as two; on both sides
    # those become the separator the native build walks with.
    return data.replace(b"\\\\", b"/")


def make_library(root: pathlib.Path, maker: str) -> str:
    subprocess.run([maker, "library", str(root / "lib"), "40"], check=True, stdout=subprocess.DEVNULL)
    sample = sorted((root / "lib").rglob("*.NEF"))[0]
    for folder, name in zip(WIDE_FOLDERS, WIDE_FILES):
        (root / "lib" / folder).mkdir()
        shutil.copyfile(sample, root / "lib" / folder / name)
    (root / "lib" / "broken.nef").write_bytes(b"not a camera file at all")
    (root / "lib" / "empty folder").mkdir()
    (root / "notes.txt").write_text("not a chart")
    deep = pathlib.Path("lib", "deep", *["%s%02d" % ("folder-", i) * 3 for i in range(9)])
    (root / deep).mkdir(parents=True)
    shutil.copyfile(sample, root / deep / "DSC_0002.NEF")
    far = str(deep / "DSC_0002.NEF")
    assert len(str(root / far)) > 260
    return far


def run(command, cwd, env):
    done = subprocess.run(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    return done.returncode, done.stdout, done.stderr


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--windows", required=True, help="tessmar.exe")
    parser.add_argument("--native-build", required=True, help="a native build folder (cli/tessmar, tools/make_nef_files)")
    parser.add_argument("--wine-run", required=True, help="scripts/wine-run.sh")
    args = parser.parse_args()
    args.windows, args.native_build, args.wine_run = (os.path.abspath(p) for p in (args.windows, args.native_build, args.wine_run))
    native = os.path.join(args.native_build, "cli", "tessmar")
    maker = os.path.join(args.native_build, "tools", "make_nef_files")
    if not (os.access(native, os.X_OK) and os.access(maker, os.X_OK)):
        print(f"SKIP: no native build at {args.native_build} to compare with (build the test preset first)")
        return SKIP

    env = dict(os.environ, TESSMAR_WINE_LOCALE="C.UTF-8")
    env.pop("TESSMAR_IN_FLIGHT", None)
    failures = 0
    with tempfile.TemporaryDirectory(prefix="tessmar-win-native-") as work:
        root = pathlib.Path(work)
        far = make_library(root, maker)
        wide = [f"lib/{folder}/{name}" for folder, name in zip(WIDE_FOLDERS, WIDE_FILES)]
        cases = [
            ["-r", "lib"],
            ["--json", "-r", "lib"],
            ["--csv", "-r", "lib"],
            ["--cameras", "--chart", "wear.svg", "-r", "lib"],
            ["--cameras", "--json", "-r", "lib"],
            ["--cameras", "--csv", "-r", "lib/"],
            # Files as given, '/' in them; a missing one; a folder without -r.
            wide + [far, "missing.nef", "lib"],
            ["--json"] + wide + [far, "lib/broken.nef"],
            ["--csv", "-r", "lib/empty folder", "lib/사진", "nowhere"],
            ["--cameras", "--chart", "no folder/wear.svg", "-r", "lib"],
            # Charts that would overwrite a photo or another file: refused.
            ["--cameras", "--chart", "lib/broken.nef", "-r", "lib"],
            ["--cameras", "--chart", "notes.txt", "-r", "lib"],
            [],
            ["--bogus"],
            ["--chart", "x.svg", "lib"],
            ["--help"],
            ["--version"],
        ]
        for case in cases:
            for chart in root.glob("*.svg"):
                chart.unlink()
            want = run([native] + case, root, env)
            native_chart = (root / "wear.svg").read_bytes() if (root / "wear.svg").exists() else None
            got = run([args.wine_run, args.windows] + case, root, env)
            windows_chart = (root / "wear.svg").read_bytes() if (root / "wear.svg").exists() else None
            problems = []
            if want[0] != got[0]:
                problems.append(f"exit status {got[0]}, native {want[0]}")
            for what, a, b in (("standard output", want[1], got[1]), ("standard error", want[2], got[2]),
                               ("chart", native_chart or b"", windows_chart or b"")):
                if normalised(a) != normalised(b):
                    problems.append(f"{what} differs:\n--- native\n{a.decode(errors='replace')[:3000]}"
                                    f"\n--- windows\n{b.decode(errors='replace')[:3000]}")
            if b"\r\n" in got[1] or b"\r\n" in got[2]:
                problems.append("CRLF in redirected output")
            status = "ok" if not problems else "FAILED"
            print(f"{status}: tessmar {' '.join(case)}")
            for problem in problems:
                print("  " + problem)
            failures += bool(problems)
        # Output that cannot be written (a full disk): status 3 and the
        # same message from both.
        for case in (["--csv", "-r", "lib"], ["--help"]):
            outcomes = []
            for command in ([native], [args.wine_run, args.windows]):
                with open("/dev/full", "wb") as full:
                    done = subprocess.run(command + case, cwd=root, env=env, stdin=subprocess.DEVNULL, stdout=full,
                                          stderr=subprocess.PIPE, timeout=120)
                outcomes.append((done.returncode, normalised(done.stderr)))
            alike = outcomes[0] == outcomes[1] and outcomes[0][0] == 3
            print(f"{'ok' if alike else 'FAILED'}: tessmar {' '.join(case)} >/dev/full: {outcomes}")
            failures += not alike
        # The walks reached the wide folders and the deep file, and the
        # Windows build printed what it walked with its own separator.
        listing = run([args.wine_run, args.windows, "--csv", "-r", "lib"], root, env)[1].decode()
        for folder, name in list(zip(WIDE_FOLDERS, WIDE_FILES)) + [("folder-08" * 3, "DSC_0002.NEF")]:
            if f"\\\\{folder}\\\\{name}," not in listing:
                print(f"FAILED: the walk does not give {folder}\\{name}")
                failures += 1
    print(f"{len(cases) - failures} of {len(cases)} runs alike" if failures == 0 else f"{failures} runs differ")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
