#!/usr/bin/python3
"""Writes a zip archive whose bytes depend only on what its members hold.

    make_zip.py OUTPUT NAME=PATH...

Members are stored under their names (a '/' in a name is a folder, with no
entry of its own), in the order of their names, deflated at level 9.
Nothing of the machine that packs them goes in: each member is dated
SOURCE_DATE_EPOCH (read as UTC, since a zip's dates have no time zone),
marked as made on Unix with mode 0755 for programs and 0644 for the rest, and
carries no extra fields (owners, other timestamps).
"""

import os
import sys
import time
import zipfile

# The oldest date a zip can hold.
ZIP_EPOCH = (1980, 1, 1, 0, 0, 0)
UNIX = 3


def member_date(epoch):
    return max(ZIP_EPOCH, time.gmtime(epoch)[:6])


def member_info(name, date):
    info = zipfile.ZipInfo(name, date_time=date)
    info.create_system = UNIX
    mode = 0o755 if name.lower().endswith(".exe") else 0o644
    info.external_attr = (0o100000 | mode) << 16  # a regular file
    info.compress_type = zipfile.ZIP_DEFLATED
    return info


def write_zip(output, members, epoch):
    """members: {name in the archive: path of its content}."""
    date = member_date(epoch)
    partial = output + ".partial"
    with zipfile.ZipFile(partial, "w") as archive:
        for name in sorted(members):
            with open(members[name], "rb") as content:
                archive.writestr(member_info(name, date), content.read(), compresslevel=9)
    os.replace(partial, output)


def main(argv):
    if len(argv) < 3 or any("=" not in a for a in argv[2:]):
        sys.exit("usage: make_zip.py OUTPUT NAME=PATH...")
    epoch = os.environ.get("SOURCE_DATE_EPOCH", "")
    if not epoch.isdigit():
        sys.exit("make_zip.py: SOURCE_DATE_EPOCH must give the release's date in seconds "
                 "(scripts/release.sh sets it from the last commit)")
    members = dict(a.split("=", 1) for a in argv[2:])
    if len(members) != len(argv) - 2:
        sys.exit("make_zip.py: a member name is given twice")
    write_zip(argv[1], members, int(epoch))


if __name__ == "__main__":
    main(sys.argv)
