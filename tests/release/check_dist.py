#!/usr/bin/python3
"""Checks the release in dist/ as a user would receive it.

    check_dist.py --dist DIR --source-root DIR --nef-maker MAKE_NEF_FILES [unittest arguments]

The zip: its three members, dated SOURCE_DATE_EPOCH; a Tessmar.exe with no link
time, no symbols, no debug sections and no path of the machine that built it,
whose resources read back as the resources check expects of the debug build;
a console cli/tessmar.exe as clean, importing only the system's DLLs and
declared long-path aware; a README in Windows line ends. The Debian package: its control fields and contents,
dependencies on the C library only, and a tessmar that, unpacked, reads a NEF
file and has its manual page where man finds it. The web page: one file
within its size, nothing it would fetch, no path of the build machine. The
JavaScript package: its entries, its manifest (the program's version, no
dependencies), and a readFile that, unpacked, reads a NEF file under Node.
SHA256SUMS: all four files.
"""

import argparse
import hashlib
import json
import os
import re
import subprocess
import sys
import tarfile
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

import pefile

DIST = SOURCE_ROOT = NEF_MAKER = None
VERSION = "3.0.0.1"
ZIP_NAME = "Tessmar-%s-windows-x64.zip" % VERSION
DEB_NAME = "tessmar_%s_amd64.deb" % VERSION
PAGE_NAME = "tessmar.html"
NPM_VERSION = re.sub(r"^(\d+\.\d+\.\d+)\.(\d+)$", r"\1-\2", VERSION)
PACKAGE_NAME = "tessmar-%s.tgz" % NPM_VERSION
HERE = os.path.dirname(os.path.abspath(__file__))
CHECK_RESOURCES = os.path.join(HERE, "..", "resources", "check_resources.py")

IMAGE_FILE_MACHINE_AMD64 = 0x8664
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
IMAGE_SUBSYSTEM_WINDOWS_CUI = 3


def run(*command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def release_epoch():
    return int(os.environ["SOURCE_DATE_EPOCH"])


def build_paths():
    """The spellings of the checkout's own path that a careless build embeds."""
    root = os.path.realpath(SOURCE_ROOT)
    return [root.encode(), root.encode("utf-16-le")]


class WindowsZip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.zip = zipfile.ZipFile(os.path.join(DIST, ZIP_NAME))
        cls.exe = cls.zip.read("Tessmar.exe")
        cls.pe = pefile.PE(data=cls.exe)

    def test_members_in_order_dated_by_the_commit(self):
        infos = self.zip.infolist()
        self.assertEqual([i.filename for i in infos], ["README.txt", "Tessmar.exe", "cli/tessmar.exe"])
        # A zip's dates are local times of no zone, kept to two seconds.
        expected = time.gmtime(release_epoch() // 2 * 2)[:6]
        for info in infos:
            with self.subTest(member=info.filename):
                self.assertEqual(info.date_time, expected)
                self.assertEqual(info.extra, b"", "no extra fields (owners, more dates)")
        self.assertEqual(self.zip.testzip(), None)

    def test_exe_carries_no_link_time_symbols_or_debug_sections(self):
        header = self.pe.FILE_HEADER
        self.assertEqual(header.TimeDateStamp, 0, "link time in the PE header")
        self.assertEqual((header.PointerToSymbolTable, header.NumberOfSymbols), (0, 0))
        sections = [s.Name.rstrip(b"\0").decode() for s in self.pe.sections]
        self.assertEqual([s for s in sections if s.startswith((".debug", ".zdebug"))], [])
        self.assertIn(".rsrc", sections)
        self.assertEqual(header.Machine, IMAGE_FILE_MACHINE_AMD64)
        self.assertEqual(self.pe.OPTIONAL_HEADER.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI)
        self.assertTrue(self.pe.verify_checksum(), "PE checksum")

    def test_exe_holds_no_path_of_the_build_machine(self):
        for path in build_paths():
            self.assertFalse(path in self.exe, "Tessmar.exe holds %r" % path)
        # Source names stay, relative to the checkout, for ASSERT's messages.
        absolute = re.findall(rb"(?<![-\w./])/[-\w./]+\.(?:cpp|h)\0", self.exe)
        self.assertEqual(absolute, [], "absolute source paths")

    def test_exe_resources_are_those_of_the_debug_build(self):
        with tempfile.TemporaryDirectory() as temp:
            path = os.path.join(temp, "Tessmar.exe")
            Path(path).write_bytes(self.exe)
            result = run("/usr/bin/python3", CHECK_RESOURCES, "--build-type=Debug", path)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_readme_in_windows_line_ends(self):
        self.assertNotRegex(self.zip.read("README.txt"), rb"[^\r]\n")


class WindowsCommandLine(unittest.TestCase):
    """cli/tessmar.exe: a console program as reproducible as Tessmar.exe,
    needing no DLL beside it, declared long-path aware."""

    @classmethod
    def setUpClass(cls):
        cls.exe = zipfile.ZipFile(os.path.join(DIST, ZIP_NAME)).read("cli/tessmar.exe")
        cls.pe = pefile.PE(data=cls.exe)

    def test_console_program_without_link_time_symbols_or_debug_sections(self):
        header = self.pe.FILE_HEADER
        self.assertEqual(header.TimeDateStamp, 0, "link time in the PE header")
        self.assertEqual((header.PointerToSymbolTable, header.NumberOfSymbols), (0, 0))
        sections = [s.Name.rstrip(b"\0").decode() for s in self.pe.sections]
        self.assertEqual([s for s in sections if s.startswith((".debug", ".zdebug"))], [])
        self.assertEqual(header.Machine, IMAGE_FILE_MACHINE_AMD64)
        self.assertEqual(self.pe.OPTIONAL_HEADER.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_CUI)
        for path in build_paths():
            self.assertFalse(path in self.exe, "tessmar.exe holds %r" % path)

    def test_imports_only_the_system_and_its_runtime(self):
        imported = sorted(entry.dll.decode().lower() for entry in self.pe.DIRECTORY_ENTRY_IMPORT)
        self.assertEqual(imported, ["kernel32.dll", "msvcrt.dll"])

    def test_manifest_declares_long_paths(self):
        manifests = [entry for entry in self.pe.DIRECTORY_ENTRY_RESOURCE.entries
                     if entry.id == pefile.RESOURCE_TYPE["RT_MANIFEST"]]
        self.assertEqual(len(manifests), 1)
        data_entry = manifests[0].directory.entries[0].directory.entries[0].data.struct
        manifest = self.pe.get_data(data_entry.OffsetToData, data_entry.Size)
        self.assertIn(b"<longPathAware", manifest)
        self.assertIn(b">true</longPathAware>", manifest)


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.deb = os.path.join(DIST, DEB_NAME)
        cls.temp = tempfile.TemporaryDirectory()
        cls.root = cls.temp.name
        result = run("dpkg-deb", "-x", cls.deb, cls.root)
        if result.returncode != 0:
            raise AssertionError("dpkg-deb -x: " + result.stderr)
        cls.tessmar = os.path.join(cls.root, "usr", "bin", "tessmar")

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()

    def field(self, name):
        return run("dpkg-deb", "-f", self.deb, name).stdout.strip()

    def test_control_fields(self):
        # CPack would shorten the version to three parts unless told.
        self.assertEqual(self.field("Version"), VERSION)
        # The C++ runtime is linked in: the C library is the one dependency.
        self.assertRegex(self.field("Depends"), r"^libc6 \(>= [0-9.]+\)$")

    def test_contents_owned_by_root_with_debian_modes_and_the_commit_date(self):
        listing = run("dpkg-deb", "-c", self.deb).stdout.splitlines()
        date = time.strftime("%Y-%m-%d %H:%M", time.gmtime(release_epoch()))
        entries = {}
        for line in listing:
            mode, owner, _, day, clock, path = line.split(None, 5)
            entries[path] = mode
            with self.subTest(path=path):
                self.assertEqual(owner, "root/root")
                self.assertEqual("%s %s" % (day, clock), date)
        self.assertEqual(entries, {
            "./usr/": "drwxr-xr-x",
            "./usr/bin/": "drwxr-xr-x",
            "./usr/bin/tessmar": "-rwxr-xr-x",
            "./usr/share/": "drwxr-xr-x",
            "./usr/share/doc/": "drwxr-xr-x",
            "./usr/share/doc/tessmar/": "drwxr-xr-x",
            "./usr/share/doc/tessmar/copyright": "-rw-r--r--",
            "./usr/share/man/": "drwxr-xr-x",
            "./usr/share/man/man1/": "drwxr-xr-x",
            "./usr/share/man/man1/tessmar.1.gz": "-rw-r--r--",
        })

    def test_program_reads_a_nef_file(self):
        self.assertEqual(run(self.tessmar, "--version").stdout, "tessmar %s\n" % VERSION)
        with tempfile.TemporaryDirectory() as temp:
            demo = os.path.join(temp, "demo.nef")
            self.assertEqual(run(NEF_MAKER, "demo", demo).returncode, 0)
            result = run(self.tessmar, "--json", demo)
        self.assertEqual(result.returncode, 0, result.stderr)
        [readout] = json.loads(result.stdout)
        self.assertEqual(
            (readout["camera"], readout["shootingDate"], readout["mechanical"],
             readout["electronic"], readout["total"], readout["error"]),
            ("NIKON D850", "2026:11:28 14:03:51", 41237, 10973, 52210, None))

    def test_program_is_stripped_and_needs_only_the_c_library(self):
        sections = run("readelf", "-SW", self.tessmar).stdout
        self.assertNotIn(".symtab", sections)
        self.assertNotIn(".debug", sections)
        needed = re.findall(r"\(NEEDED\).*\[(.*)\]", run("readelf", "-d", self.tessmar).stdout)
        self.assertTrue(set(needed) <= {"libc.so.6", "libm.so.6", "ld-linux-x86-64.so.2"}, needed)
        data = Path(self.tessmar).read_bytes()
        for path in build_paths():
            self.assertFalse(path in data, "tessmar holds %r" % path)

    def test_man_finds_the_manual_page(self):
        env = dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8")
        result = run("man", "--warnings", "-M", os.path.join(self.root, "usr", "share", "man"),
                     "tessmar", env=env)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertRegex(result.stdout, r"tessmar\s+-\s+print the shutter counts")
        self.assertIn("EXIT STATUS", result.stdout)


class WebPage(unittest.TestCase):
    def setUp(self):
        self.page = Path(DIST, PAGE_NAME).read_bytes()

    def test_one_file_within_its_size(self):
        self.assertLessEqual(len(self.page), 512 * 1024)
        text = self.page.decode("utf-8")
        # Everything inline: no script, style, image or worker by address.
        self.assertIsNone(re.search(r"<(script|link|img|iframe)[^>]*\s(src|href)=", text))
        self.assertIn("connect-src 'none'", text)
        self.assertIn('id="files"', text)
        self.assertIn('id="folder"', text)

    def test_no_path_of_the_build_machine(self):
        self.assertNotIn(os.path.abspath(SOURCE_ROOT).encode(), self.page)


class JavaScriptPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        with tarfile.open(Path(DIST, PACKAGE_NAME)) as archive:
            cls.members = archive.getmembers()
            # The entries' names are checked below; older Pythons have no filter.
            if hasattr(tarfile, "data_filter"):
                archive.extractall(cls.tmp.name, filter="data")
            else:
                archive.extractall(cls.tmp.name)
        cls.root = Path(cls.tmp.name, "package")

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_entries_with_fixed_modes_and_date(self):
        names = sorted(m.name for m in self.members)
        self.assertEqual(names, ["package/" + n for n in
                                 ("LICENSE", "README.md", "index.d.ts", "index.js", "index.mjs", "package.json")])
        for member in self.members:
            with self.subTest(member=member.name):
                self.assertEqual(member.mode & 0o777, 0o644)
                self.assertEqual(len({m.mtime for m in self.members}), 1)

    def test_manifest(self):
        manifest = json.loads((self.root / "package.json").read_text())
        self.assertEqual((manifest["name"], manifest["version"]), ("tessmar", NPM_VERSION))
        self.assertNotIn("dependencies", manifest)
        self.assertEqual(manifest["types"], "index.d.ts")

    def test_reads_a_nef_file_under_node(self):
        with tempfile.TemporaryDirectory() as tmp:
            nef = os.path.join(tmp, "demo.nef")
            run(NEF_MAKER, "demo", nef)
            script = ("require(process.argv[1]).readFile(process.argv[2])"
                      ".then(r => console.log(JSON.stringify(r)))")
            result = run("node", "-e", script, str(self.root), nef)
        self.assertEqual(result.returncode, 0, result.stderr)
        readout = json.loads(result.stdout)
        self.assertIsNone(readout["error"])
        self.assertGreater(readout["total"], 0)
        self.assertTrue(readout["camera"].startswith("NIKON"))


class Checksums(unittest.TestCase):
    def test_sha256sums_covers_all_four_files(self):
        lines = Path(DIST, "SHA256SUMS").read_text().splitlines()
        listed = dict(reversed(line.split("  ", 1)) for line in lines)
        self.assertEqual(sorted(listed), sorted([ZIP_NAME, DEB_NAME, PAGE_NAME, PACKAGE_NAME]))
        for name, digest in listed.items():
            with self.subTest(file=name):
                data = Path(DIST, name).read_bytes()
                self.assertEqual(hashlib.sha256(data).hexdigest(), digest)


def main():
    global DIST, SOURCE_ROOT, NEF_MAKER
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--dist", required=True)
    parser.add_argument("--source-root", required=True)
    parser.add_argument("--nef-maker", required=True, help="make_nef_files, for a NEF file to read")
    args, rest = parser.parse_known_args()
    DIST, SOURCE_ROOT, NEF_MAKER = args.dist, args.source_root, args.nef_maker
    if "SOURCE_DATE_EPOCH" not in os.environ:
        sys.exit("check_dist.py: SOURCE_DATE_EPOCH must give the release's date")
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
