#!/usr/bin/python3
"""Checks tessmar's manual page: that man and lexgrog read it cleanly, that
it documents what the built program does, and that it installs where man
looks for it.

    check_manpage.py --page PAGE --tessmar TESSMAR [--build-dir DIR] [unittest arguments]

The page names each option, exit status and output field as one .TP entry of
its section; the program is asked for its own (--help, the CSV header, the
JSON keys, per file and in the camera summary), so a new option or field that
the page leaves out fails here.
"""

import argparse
import gzip
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

PAGE = None
TESSMAR = None
BUILD_DIR = None

SECTIONS = ["NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS", "OUTPUT", "EXAMPLES"]
MISSING_FILE = "/nonexistent/tessmar-check.nef"


def run(*command, env=None):
    return subprocess.run(command, capture_output=True, text=True, env=env)


def roff_text(line):
    """The words of one roff line: macro name, quotes and font escapes gone."""
    if line.startswith("."):
        line = line.split(None, 1)[1] if " " in line else ""
    line = re.sub(r"\\f[BIRP]", "", line)
    line = line.replace("\\-", "-").replace('"', "")
    return line.strip()


def parse_page(path):
    """{section or "SECTION/Subsection": [the tag line of each .TP, as text]}."""
    entries = {}
    section = current = None
    lines = Path(path).read_text(encoding="utf-8").splitlines()
    for number, line in enumerate(lines):
        if line.startswith(".SH "):
            section = current = roff_text(line)
            entries.setdefault(current, [])
        elif line.startswith(".SS "):
            current = "%s/%s" % (section, roff_text(line))
            entries.setdefault(current, [])
        elif line == ".TP" and current and number + 1 < len(lines):
            entries[current].append(roff_text(lines[number + 1]))
    return entries


def option_names(tag):
    """"-r, --recursive" -> ["-r", "--recursive"]; "--chart file.svg" -> ["--chart"]."""
    return [name.split()[0] for name in tag.split(",")]


def takes_argument(tag):
    return len(tag.split(",")[-1].split()) > 1


class ManReadsIt(unittest.TestCase):
    def test_man_renders_without_warnings(self):
        env = dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8", MAN_KEEP_FORMATTING="")
        result = run("man", "--warnings", "-E", "UTF-8", "-l", PAGE, env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, "", "warnings from man")
        headings = [line for line in result.stdout.splitlines() if line and not line[0].isspace()]
        for section in SECTIONS:
            self.assertIn(section, headings)

    def test_lexgrog_finds_the_whatis_line(self):
        result = run("lexgrog", PAGE)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertRegex(result.stdout, r': "tessmar - \S.*"$')


class PageMatchesProgram(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.entries = parse_page(PAGE)
        cls.help = run(TESSMAR, "--help").stdout

    def test_every_option_of_help_is_documented(self):
        documented = [n for tag in self.entries["OPTIONS"] for n in option_names(tag)]
        offered = re.findall(r"^  (-[-\w]+)(?:, (--[-\w]+))?", self.help, re.MULTILINE)
        offered = [name for pair in offered for name in pair if name]
        self.assertTrue(offered, "no options found in --help:\n" + self.help)
        for name in offered:
            self.assertIn(name, documented)

    def test_every_documented_option_is_accepted(self):
        with tempfile.TemporaryDirectory() as temp:
            for tag in self.entries["OPTIONS"]:
                for name in option_names(tag):
                    # An option's argument, where it takes one, names a file
                    # to write; those go with the summary.
                    command = [TESSMAR, name, MISSING_FILE]
                    if takes_argument(tag):
                        command = [TESSMAR, "--cameras", name, os.path.join(temp, "argument"), MISSING_FILE]
                    with self.subTest(option=name):
                        result = run(*command)
                        self.assertNotIn("unknown option", result.stderr)
                        self.assertNotEqual(result.returncode, 2, result.stderr)

    def test_exit_statuses_are_those_of_help(self):
        summary = self.help[self.help.index("Exit status:"):]
        offered = re.findall(r"\b(\d+) (?:when|for)\b", summary)
        self.assertEqual(self.entries["EXIT STATUS"], offered)

    def test_fields_are_the_json_keys_and_csv_columns_in_order(self):
        documented = self.entries["OUTPUT/Fields"]
        objects = json.loads(run(TESSMAR, "--json", MISSING_FILE).stdout)
        self.assertEqual(list(objects[0]), documented, "JSON keys")
        header = run(TESSMAR, "--csv", MISSING_FILE).stdout.splitlines()[0]
        self.assertEqual(header.split(","), documented, "CSV columns")
        # The header line is shown as it is.
        self.assertIn("\n%s\n" % header, Path(PAGE).read_text(encoding="utf-8"))

    def test_summary_fields_are_its_json_keys_and_csv_columns_in_order(self):
        documented = self.entries["OUTPUT/Camera summary fields"]
        bodies = json.loads(run(TESSMAR, "--cameras", "--json", MISSING_FILE).stdout)
        self.assertEqual(list(bodies[0]), documented, "JSON keys")
        header = run(TESSMAR, "--cameras", "--csv", MISSING_FILE).stdout.splitlines()[0]
        self.assertEqual(header.split(","), documented, "CSV columns")
        self.assertIn("\n%s\n" % header, Path(PAGE).read_text(encoding="utf-8"))


class Installed(unittest.TestCase):
    """cmake --install of the build, as a package would lay it out."""

    @classmethod
    def setUpClass(cls):
        if not BUILD_DIR:
            raise unittest.SkipTest("no build folder given")
        cls.temp = tempfile.TemporaryDirectory()
        env = dict(os.environ, DESTDIR=cls.temp.name)
        result = run("cmake", "--install", BUILD_DIR, "--prefix", "/usr", env=env)
        if result.returncode != 0:
            raise AssertionError("cmake --install failed:\n" + result.stdout + result.stderr)
        cls.root = os.path.join(cls.temp.name, "usr")

    @classmethod
    def tearDownClass(cls):
        cls.temp.cleanup()

    def test_program_in_bin(self):
        result = run(os.path.join(self.root, "bin", "tessmar"), "--version")
        self.assertEqual((result.returncode, result.stdout), (0, "tessmar 3.0.0.1\n"))

    def test_page_in_man1_compressed_without_name_or_date(self):
        path = os.path.join(self.root, "share", "man", "man1", "tessmar.1.gz")
        data = Path(path).read_bytes()
        self.assertEqual(gzip.decompress(data), Path(PAGE).read_bytes())
        flags, mtime = data[3], int.from_bytes(data[4:8], "little")
        self.assertEqual((flags & 0x08, mtime), (0, 0), "gzip -n: no file name, no date")

    def test_copyright_in_the_documentation_folder(self):
        path = os.path.join(self.root, "share", "doc", "tessmar", "copyright")
        self.assertIn("License: Expat", Path(path).read_text(encoding="utf-8"))


def main():
    global PAGE, TESSMAR, BUILD_DIR
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--page", required=True)
    parser.add_argument("--tessmar", required=True)
    parser.add_argument("--build-dir")
    args, rest = parser.parse_known_args()
    PAGE, TESSMAR, BUILD_DIR = args.page, args.tessmar, args.build_dir
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
