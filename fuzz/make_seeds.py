#!/usr/bin/env python3
"""Writes small NEF-structured files: fuzz seeds, and the benchmark's inputs.

A file laid out as a camera writes it, in either byte order:

    0    TIFF header: "II" 42 or "MM" 42, then the offset of IFD0 (8)
    8    IFD0: Make, Model 0x0110, StripOffsets, StripByteCounts,
         DateTime 0x0132, ExifIFD pointer 0x8769
         then the texts too long for an entry's value field
    ...  Exif IFD: DateTimeOriginal, BodySerialNumber 0xA431, MakerNote 0x927C
    ...  maker note: "Nikon\\0", version 02 10 00 00, at +10 a TIFF header
         of its own (its byte order may differ from the file's), at +18
         its directory: version 0x0001, SerialNumber 0x001D,
         MechanicalShutterCount 0x0037, ShutterCount 0x00A7; its offsets
         count from the header at +10
    ...  image data (padding), pointed at by StripOffsets

Re-saved, IFD0 may stand further on (the header says where), with a stale
copy of an earlier structure at 8. Converted to DNG, IFD0 gains DNGVersion
0xC612 and DNGPrivateData 0xC634: "Adobe\\0", then records of a 4-byte type
and a big-endian length; the "MakN" record holds the original byte order,
the note's original offset (big-endian) and the maker note, which is then
absent from the Exif IFD.

A camera JPEG carries the same structure in its Exif APP1 segment, behind
"Exif\0\0"; its positions count from that TIFF header.

    make_seeds.py seeds DIR          the fuzz seeds, one file per variant
    make_seeds.py batch DIR          the well-formed variants only
    make_seeds.py big FILE MEGABYTES one well-formed file padded with image
                                     data to the given size
"""

import os
import struct
import sys

BYTE, ASCII, SHORT, LONG, UNDEFINED = 1, 2, 3, 4, 7
NOT_AVAILABLE = 0xFFFFF7FF  # what Nikon writes into a counter it lacks


class Ifd:
    """Entries of one directory; values that do not fit in 4 bytes are
    placed behind the directory when it is laid out."""

    def __init__(self):
        self.entries = []  # (tag, type, count, bytes or int)

    def add(self, tag, typ, count, value):
        self.entries.append((tag, typ, count, value))

    def text(self, tag, text, count=None):
        data = text if isinstance(text, bytes) else text.encode("latin-1") + b"\0"
        self.add(tag, ASCII, len(data) if count is None else count, data)

    def long(self, tag, value):
        self.add(tag, LONG, 1, value)

    def size(self):
        return 2 + 12 * len(self.entries) + 4

    def pack(self, order, at, base=0):
        """The directory and its data as bytes, laid out at file position
        `at`; stored offsets count from `base`."""
        head = struct.pack(order + "H", len(self.entries))
        data_at = at + self.size()
        table, data = b"", b""
        for tag, typ, count, value in self.entries:
            if isinstance(value, int):
                field = struct.pack(order + "I", value & 0xFFFFFFFF)
            elif len(value) <= 4:
                field = value.ljust(4, b"\0")
            else:
                field = struct.pack(order + "I", data_at + len(data) - base)
                data += value
                if len(data) % 2:
                    data += b"\0"
            table += struct.pack(order + "HHI", tag, typ, count) + field
        return head + table + struct.pack(order + "I", 0) + data


def maker_note(order, mechanical, total, extra=(), serial=None):
    """A type-3 maker note: signature, version, its own TIFF header at +10
    and its directory at +18 (offsets relative to the header at +10)."""
    ifd = Ifd()
    ifd.add(0x0001, UNDEFINED, 4, b"0210")
    if serial is not None:
        ifd.text(0x001D, serial)
    for tag, value in extra:
        ifd.long(tag, value)
    if mechanical is not None:
        ifd.long(0x0037, mechanical)
    if total is not None:
        ifd.long(0x00A7, total)
    ifd.entries.sort(key=lambda e: e[0])
    header = (b"II" if order == "<" else b"MM") + struct.pack(order + "HI", 42, 8)
    return b"Nikon\0\x02\x10\0\0" + header + ifd.pack(order, 8, 0)


def dng_private_data(note, original_order, makn_length=None, before=(), before_note=b""):
    """A DNGPrivateData "Adobe" block whose MakN record holds `note`; the
    records in `before` (type, data) stand ahead of it, `before_note`
    between MakN's own header and the note."""
    out = b"Adobe\0"
    for kind, data in before:
        out += kind + struct.pack(">I", len(data)) + data + b"\0" * (len(data) & 1)
    data = original_order + struct.pack(">I", 0x0001F2E4) + before_note + note
    out += b"MakN" + struct.pack(">I", len(data) if makn_length is None else makn_length) + data
    return out + b"\0" * (len(data) & 1)


def nef(little=True, model="NIKON D850", date="2018:09:02 19:40:44",
        mechanical=3487, total=8541, maker_little=None, with_maker=True,
        image_bytes=0, model_count=None, serial="3004871", body_serial=None,
        ifd0_at=8, before_ifd0=b"", dng=None):
    """Bytes of one NEF-structured file. `ifd0_at` moves IFD0 (re-saved
    files), with `before_ifd0` standing between the header and it; `dng`
    (keyword arguments of dng_private_data) writes a converted DNG file."""
    order = "<" if little else ">"
    maker_order = order if maker_little is None else ("<" if maker_little else ">")
    header = (b"II*\0" if little else b"MM\0*") + struct.pack(order + "I", ifd0_at)

    ifd0 = Ifd()
    ifd0.text(0x010F, "NIKON CORPORATION")
    if model is not None:
        ifd0.text(0x0110, model, model_count)
    ifd0.long(0x0111, 0)  # StripOffsets, patched below
    ifd0.long(0x0117, image_bytes)
    if date is not None:
        ifd0.text(0x0132, date)
    note = maker_note(maker_order, mechanical, total, serial=serial) if with_maker else None
    if dng is not None:
        ifd0.add(0xC612, BYTE, 4, b"\x01\x04\x00\x00")
        original = b"II" if maker_order == "<" else b"MM"
        block = dng_private_data(note or b"", dng.pop("original_order", original), **dng)
        ifd0.add(0xC634, BYTE, len(block), block)
    ifd0.long(0x8769, 0)  # Exif IFD pointer, patched below

    exif = Ifd()
    exif.text(0x9003, date or "")
    if body_serial is not None:
        exif.text(0xA431, body_serial)
    if note is not None and dng is None:
        exif.add(0x927C, UNDEFINED, len(note), note)

    # Lay out twice: the first pass fixes the sizes, the second the pointers.
    def layout():
        block0 = ifd0.pack(order, ifd0_at)
        exif_at = ifd0_at + len(block0)
        exif_at += exif_at % 2
        return block0, exif_at

    block0, exif_at = layout()
    ifd0.entries[-1] = (0x8769, LONG, 1, exif_at)
    block_exif = exif.pack(order, exif_at)
    image_at = exif_at + len(block_exif)
    image_at += (-image_at) % 16
    ifd0.entries = [(t, ty, c, image_at if t == 0x0111 else v) for t, ty, c, v in ifd0.entries]
    block0, _ = layout()

    out = bytearray(header + before_ifd0[:ifd0_at - 8])
    out += b"\0" * (ifd0_at - len(out))
    out += block0
    out += b"\0" * (exif_at - len(out))
    out += block_exif
    out += b"\0" * (image_at - len(out))
    if image_bytes:
        # Image data that compresses like noise, cheaply: a repeated
        # pseudo-random 64 KiB block.
        block = bytes((i * 2654435761 >> 13) & 0xFF for i in range(65536))
        whole, rest = divmod(image_bytes, len(block))
        out += block * whole + block[:rest]
    return bytes(out)


def segment(marker, payload):
    return bytes((0xFF, marker)) + struct.pack(">H", len(payload) + 2) + payload


def jpeg(tiff, exif=True):
    """A minimal JPEG: SOI, JFIF APP0, the Exif APP1 segment, a quantisation
    table, start of scan, a few bytes of scan data, EOI."""
    out = b"\xFF\xD8" + segment(0xE0, b"JFIF\0\x01\x01\0\0\x01\0\x01\0\0")
    if exif:
        out += segment(0xE1, b"Exif\0\0" + tiff)
    out += segment(0xDB, b"\0" + bytes(range(64)))
    return out + segment(0xDA, b"\x01\x01\0\x3F\0") + b"\x12\x34\xFF\x00\x56" + b"\xFF\xD9"


def well_formed():
    """Readable files covering both byte orders and the counter rule."""
    for little, tag in ((True, "le"), (False, "be")):
        yield f"{tag}_both", nef(little)
        yield f"{tag}_total_only", nef(little, model="NIKON D7000", mechanical=None, total=20353)
        yield f"{tag}_mech_above_total", nef(little, model="NIKON Z 6", mechanical=1000, total=0)
        yield f"{tag}_other_order_note", nef(little, model="NIKON D600", mechanical=None,
                                           total=53139, maker_little=not little)
        yield f"{tag}_short_model", nef(little, model="D1")
        yield f"{tag}_long_model", nef(little, model="NIKON " + "X" * 70)
        yield f"{tag}_mech_only", nef(little, mechanical=174, total=None)


def resaved_and_converted():
    """Files other software wrote: IFD0 moved (with and without a stale
    copy of the earlier structure at 8), DNG conversions, counters "not
    available", and serial numbers kept in each place."""
    for little, tag in ((True, "le"), (False, "be")):
        yield f"{tag}_ifd0_moved", nef(little, ifd0_at=3024)
        earlier = nef(little, date="2017:01:01 00:00:00", mechanical=10, total=20)
        yield f"{tag}_ifd0_moved_stale_copy", nef(little, ifd0_at=len(earlier) + len(earlier) % 2,
                                                  before_ifd0=earlier[8:])
        yield f"{tag}_dng", nef(little, model="NIKON Z 9", mechanical=0, total=31876, dng={})
        yield f"{tag}_dng_other_order_note", nef(little, model="NIKON Z 9", total=31876,
                                                 maker_little=not little, dng={})
        yield f"{tag}_dng_records_before", nef(little, dng={"before": ((b"SR2 ", b"x" * 33),)})
        yield f"{tag}_total_not_available", nef(little, total=NOT_AVAILABLE)
        yield f"{tag}_mech_not_available", nef(little, mechanical=NOT_AVAILABLE)
        yield f"{tag}_serial_inline", nef(little, serial="123")
        yield f"{tag}_serial_in_exif", nef(little, serial=None, body_serial="6012345")
    # One converter copies a JPEG's maker note from 12 bytes too early.
    yield "le_dng_jpeg_quirk", nef(True, dng={"before_note": b"\0\0\0\x01ABCDEFGH"})
    yield "le_dng_makn_past_end", nef(True, dng={"makn_length": 0xFFFFFF00})
    yield "be_dng_bad_order", nef(False, dng={"original_order": b"XX"})
    # The DNGPrivateData entry's count running past the end of the file.
    whole = bytearray(nef(True, dng={}))
    entry = whole.index(struct.pack("<HH", 0xC634, BYTE))
    whole[entry + 4:entry + 8] = struct.pack("<I", 0xFFFF0000)
    yield "le_dng_block_past_end", bytes(whole)
    yield "le_serial_too_long", nef(True, serial="7" * 60)


def in_jpegs():
    """The same structure inside camera JPEGs."""
    for little, tag in ((True, "le"), (False, "be")):
        yield f"{tag}_in_jpeg", jpeg(nef(little, model="NIKON D90", mechanical=None, total=6507))
        yield f"{tag}_in_jpeg_ifd0_moved", jpeg(nef(little, model="NIKON D90", total=6507, ifd0_at=444))


def malformed():
    """Files each failing in a different place."""
    base = nef(True)
    yield "le_no_maker_note", nef(True, with_maker=False)
    yield "be_no_counter", nef(False, mechanical=None, total=None)
    yield "le_no_texts", nef(True, model=None, date=None)
    yield "le_model_count_huge", nef(True, model_count=0xFFFFFFF0)
    for cut in (4, 9, 40, len(base) // 2, len(base) - 30):
        yield f"le_cut_at_{cut}", base[:cut]
    yield "not_tiff", b"\x00\xD8\xFF\xE1" + base[4:]
    yield "jpeg_without_exif", jpeg(base, exif=False)
    whole = jpeg(base)
    yield "jpeg_cut_in_exif", whole[:len(whole) // 3]
    yield "jpeg_exif_not_tiff", jpeg(b"\xFF\xD8" + base[2:])


def write_all(folder, items):
    os.makedirs(folder, exist_ok=True)
    for name, data in items:
        with open(os.path.join(folder, name + ".nef"), "wb") as f:
            f.write(data)


def main(argv):
    if len(argv) == 3 and argv[1] == "seeds":
        write_all(argv[2], list(well_formed()) + list(resaved_and_converted()) + list(in_jpegs()) +
                  list(malformed()))
    elif len(argv) == 3 and argv[1] == "batch":
        write_all(argv[2], well_formed())
    elif len(argv) == 4 and argv[1] == "big":
        meta = len(nef(True))
        image = max(0, int(float(argv[3]) * 1024 * 1024) - meta - 16)
        data = nef(True, image_bytes=image)
        with open(argv[2], "wb") as f:
            f.write(data)
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
