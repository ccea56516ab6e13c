#!/usr/bin/python3
"""Reads the resources back from a built Tessmar.exe and checks them.

    check_resources.py [--build-type=Debug] TESSMAR_EXE [unittest arguments]

What the program shows on screen comes from these resources, and the resource
compiler is free to read a script differently from what its author meant (a
style that replaces a default instead of adding to it, an icon control that
loses its size). So the checks read the binary templates, not the script:
each dialog control by control, string 101, the icon group, every field of
the version block, and the manifest.
"""

import argparse
import struct
import sys
import unittest
import xml.etree.ElementTree as ET

import pefile

EXE = None
DEBUG_BUILD = False

KOREAN = 0x0412
ENGLISH_US = 0x0409

RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 6, 14, 16, 24

WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_BORDER, WS_SYSMENU = 0x00C00000, 0x00800000, 0x00080000
WS_THICKFRAME, WS_GROUP, WS_TABSTOP = 0x00040000, 0x00020000, 0x00010000
DS_FIXEDSYS, DS_SETFONT, DS_MODALFRAME = 0x0008, 0x0040, 0x0080
WS_EX_APPWINDOW = 0x00040000
BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_GROUPBOX = 0x0, 0x1, 0x7
SS_LEFT, SS_ICON, SS_NOPREFIX = 0x0, 0x3, 0x80
ES_LEFT, ES_AUTOHSCROLL, ES_READONLY = 0x0, 0x80, 0x800

# The dialog manager's predefined classes, by ordinal.
CLASS_ORDINALS = {0x80: "BUTTON", 0x81: "EDIT", 0x82: "STATIC"}

CHILD = WS_CHILD | WS_VISIBLE
LABEL = CHILD | WS_GROUP | SS_LEFT
FIELD = CHILD | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL | ES_READONLY
NO_ID = 0xFFFFFFFF  # -1 as the template's unsigned 32-bit identifier

# (identifier, class, text, style, (x, y, width, height)); an int text is a
# resource named by number.
MAIN_DIALOG_CONTROLS = [
    (1, "BUTTON", "END", CHILD | WS_TABSTOP | BS_DEFPUSHBUTTON, (131, 115, 50, 14)),
    (1000, "BUTTON", "NEF open", CHILD | WS_TABSTOP | BS_PUSHBUTTON, (7, 115, 53, 14)),
    (NO_ID, "BUTTON", "Shutter Count Info. ", CHILD | BS_GROUPBOX, (7, 44, 174, 69)),
    (NO_ID, "STATIC", "Mechanical Shutter", LABEL, (19, 58, 76, 10)),
    (NO_ID, "STATIC", "Electronic Shutter", LABEL, (19, 75, 76, 10)),
    (NO_ID, "STATIC", "Total Count", LABEL, (19, 94, 76, 11)),
    (1001, "EDIT", "", FIELD, (95, 57, 77, 12)),
    (1002, "EDIT", "", FIELD, (95, 74, 77, 12)),
    (1003, "EDIT", "", FIELD, (95, 93, 77, 12)),
    (NO_ID, "STATIC", "Shooting Date", LABEL, (19, 25, 51, 11)),
    (1004, "EDIT", "", FIELD, (95, 24, 77, 12)),
    (1005, "EDIT", "", FIELD, (95, 8, 77, 12)),
    (NO_ID, "STATIC", "Camera", LABEL, (19, 8, 57, 12)),
]

# The notice lines' texts are the publisher's; None means "any short text".
ABOUT_BOX_CONTROLS = [
    (NO_ID, "STATIC", "Tessmar, v3.0", LABEL | SS_NOPREFIX, (42, 14, 114, 8)),
    (NO_ID, "STATIC", None, LABEL, (42, 28, 121, 8)),
    (1, "BUTTON", "확인", CHILD | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, (114, 61, 50, 14)),
    (NO_ID, "STATIC", None, LABEL, (43, 37, 107, 12)),
    (NO_ID, "STATIC", 128, CHILD | SS_ICON, (14, 15, 20, 20)),
    (NO_ID, "STATIC", None, LABEL, (43, 47, 107, 12)),
]


def load_pe():
    return pefile.PE(EXE, fast_load=False)


def resources(pe, type_id, name_id):
    """{language: bytes} of one resource, given its type and numeric name."""
    found = {}
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if type_entry.id != type_id:
            continue
        for name_entry in type_entry.directory.entries:
            if name_entry.id != name_id:
                continue
            for lang_entry in name_entry.directory.entries:
                data = lang_entry.data.struct
                found[lang_entry.id] = pe.get_data(data.OffsetToData, data.Size)
    return found


def only_resource(test, pe, type_id, name_id, language):
    """The bytes of a resource that must exist in exactly one language."""
    found = resources(pe, type_id, name_id)
    test.assertEqual(list(found), [language],
                     "resource type %d name %d: expected language 0x%04X only, got %s"
                     % (type_id, name_id, language, ["0x%04X" % k for k in found]))
    return found[language]


class Reader:
    """Little-endian reader over a resource's bytes."""

    def __init__(self, data):
        self.data = data
        self.pos = 0

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += struct.calcsize("<" + fmt)
        return values if len(values) > 1 else values[0]

    def align(self, boundary=4):
        self.pos = (self.pos + boundary - 1) // boundary * boundary

    def wide_string(self):
        end = self.pos
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        text = self.data[self.pos:end].decode("utf-16-le")
        self.pos = end + 2
        return text

    def sz_or_ord(self):
        """A template field that is absent, an ordinal, or a string."""
        first = self.take("H")
        if first == 0x0000:
            return ""
        if first == 0xFFFF:
            return self.take("H")
        self.pos -= 2
        return self.wide_string()


def parse_dialog_ex(data):
    """A DLGTEMPLATEEX and its DLGITEMTEMPLATEEX items, as dictionaries."""
    r = Reader(data)
    version, signature = r.take("HH")
    if (version, signature) != (1, 0xFFFF):
        raise ValueError("not an extended dialog template: %r" % ((version, signature),))
    dialog = {}
    dialog["helpID"], dialog["exStyle"], dialog["style"] = r.take("III")
    count = r.take("H")
    dialog["rect"] = r.take("hhhh")
    dialog["menu"] = r.sz_or_ord()
    dialog["class"] = r.sz_or_ord()
    dialog["title"] = r.wide_string()
    if dialog["style"] & (DS_SETFONT | DS_FIXEDSYS):
        dialog["pointsize"], dialog["weight"], dialog["italic"], dialog["charset"] = r.take("HHBB")
        dialog["typeface"] = r.wide_string()
    items = []
    for _ in range(count):
        r.align()
        item = {}
        item["helpID"], item["exStyle"], item["style"] = r.take("III")
        item["rect"] = r.take("hhhh")
        item["id"] = r.take("I")
        item["class"] = r.sz_or_ord()
        item["text"] = r.sz_or_ord()
        extra = r.take("H")
        r.pos += extra
        items.append(item)
    if r.pos != len(data):
        # Trailing bytes would mean a control the count does not cover.
        r.align()
        if r.pos < len(data):
            raise ValueError("%d bytes after the last control" % (len(data) - r.pos))
    return dialog, items


def class_name(value):
    if isinstance(value, int):
        return CLASS_ORDINALS.get(value, "ordinal 0x%X" % value)
    return value.upper()


class DialogTemplates(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = load_pe()

    def check_controls(self, items, expected):
        self.assertEqual(len(items), len(expected), "number of controls")
        for number, (item, want) in enumerate(zip(items, expected), start=1):
            ident, cls, text, style, rect = want
            with self.subTest(control=number):
                self.assertEqual(item["id"], ident, "identifier")
                self.assertEqual(class_name(item["class"]), cls, "class")
                self.assertEqual(item["style"], style,
                                 "style: expected 0x%08X, got 0x%08X" % (style, item["style"]))
                self.assertEqual(item["exStyle"], 0, "extended style")
                self.assertEqual(item["helpID"], 0, "help identifier")
                self.assertEqual(item["rect"], rect, "rectangle")
                if text is None:
                    self.assertIsInstance(item["text"], str)
                    self.assertTrue(0 < len(item["text"]) <= 32, "a short notice line")
                else:
                    self.assertEqual(item["text"], text, "text")

    def check_frame(self, dialog, size, title, style, ex_style):
        self.assertEqual(dialog["rect"], (0, 0) + size)
        self.assertEqual(dialog["title"], title)
        self.assertEqual(dialog["style"], style,
                         "style: expected 0x%08X, got 0x%08X" % (style, dialog["style"]))
        self.assertEqual(dialog["exStyle"], ex_style)
        self.assertEqual(dialog["helpID"], 0)
        self.assertEqual(dialog["menu"], "", "no menu")
        self.assertEqual(dialog["class"], "", "the standard dialog class")
        self.assertEqual((dialog["typeface"], dialog["pointsize"], dialog["weight"],
                          dialog["italic"], dialog["charset"]),
                         ("MS Shell Dlg", 9, 0, 0, 1))

    def test_main_dialog(self):
        data = only_resource(self, self.pe, RT_DIALOG, 102, KOREAN)
        dialog, items = parse_dialog_ex(data)
        self.check_frame(dialog, (188, 136), "Nikon DSLR Shutter Count Number",
                         WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME
                         | DS_SETFONT | DS_FIXEDSYS,
                         WS_EX_APPWINDOW)
        self.check_controls(items, MAIN_DIALOG_CONTROLS)

    def test_main_dialog_tab_order(self):
        # END, NEF open, then the five fields; nothing else takes the focus.
        _, items = parse_dialog_ex(only_resource(self, self.pe, RT_DIALOG, 102, KOREAN))
        stops = [item["id"] for item in items if item["style"] & WS_TABSTOP]
        self.assertEqual(stops, [1, 1000, 1001, 1002, 1003, 1004, 1005])
        defaults = [item["id"] for item in items
                    if class_name(item["class"]) == "BUTTON"
                    and item["style"] & 0xF == BS_DEFPUSHBUTTON]
        self.assertEqual(defaults, [1], "END is the one default button")

    def test_about_box(self):
        data = only_resource(self, self.pe, RT_DIALOG, 100, KOREAN)
        dialog, items = parse_dialog_ex(data)
        self.check_frame(dialog, (171, 82), "Tessmar info.",
                         WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME
                         | DS_SETFONT | DS_FIXEDSYS,
                         0)
        self.check_controls(items, ABOUT_BOX_CONTROLS)


class StringTable(unittest.TestCase):
    def test_about_item_text(self):
        pe = load_pe()
        # String 101 lives in block 101 / 16 + 1, as entry 101 % 16.
        block = only_resource(self, pe, RT_STRING, 101 // 16 + 1, KOREAN)
        r = Reader(block)
        strings = []
        for _ in range(16):
            length = r.take("H")
            strings.append(block[r.pos:r.pos + 2 * length].decode("utf-16-le"))
            r.pos += 2 * length
        self.assertEqual(r.pos, len(block))
        self.assertEqual(strings[101 % 16], "Tessmar 정보(&A)...")
        self.assertEqual([s for i, s in enumerate(strings) if i != 101 % 16], [""] * 15,
                         "no other string in the block")


class IconGroup(unittest.TestCase):
    def test_four_sixteen_colour_images(self):
        pe = load_pe()
        group = only_resource(self, pe, RT_GROUP_ICON, 128, KOREAN)
        r = Reader(group)
        reserved, kind, count = r.take("HHH")
        self.assertEqual((reserved, kind, count), (0, 1, 4))
        entries = [r.take("BBBBHHIH") for _ in range(count)]
        self.assertEqual(r.pos, len(group))
        for number, (entry, size) in enumerate(zip(entries, (48, 32, 24, 16)), start=1):
            width, height, colours, _, planes, bits, length, ident = entry
            with self.subTest(image=number, size=size):
                self.assertEqual((width, height), (size, size))
                self.assertEqual((colours, planes, bits), (16, 1, 4))
                self.assertEqual(ident, number, "icon images 1 to 4, in order")
                image = only_resource(self, pe, RT_ICON, ident, KOREAN)
                self.assertEqual(len(image), length)
                (header_size, bmp_width, bmp_height, bmp_planes, bmp_bits, compression,
                 _, _, _, used, _) = struct.unpack_from("<IiiHHIIiiII", image)
                self.assertEqual(header_size, 40, "BITMAPINFOHEADER")
                # The height covers the colour bitmap and the mask together.
                self.assertEqual((bmp_width, bmp_height), (size, 2 * size))
                self.assertEqual((bmp_planes, bmp_bits, compression), (1, 4, 0))
                self.assertIn(used, (0, 16))
                row = lambda bits_per_row: (bits_per_row + 31) // 32 * 4
                self.assertEqual(len(image),
                                 40 + 16 * 4 + size * row(4 * size) + size * row(size),
                                 "palette, 4-bit pixels and a 1-bit mask, uncompressed")
                mask = image[40 + 64 + size * row(4 * size):]
                self.assertTrue(any(mask) and not all(b == 0xFF for b in mask),
                                "the mask leaves some pixels transparent and some not")


def parse_version_node(data, pos):
    """One node of a VS_VERSIONINFO tree: (key, value, children, end)."""
    r = Reader(data)
    r.pos = pos
    length, value_length, kind = r.take("HHH")
    end = pos + length
    key = r.wide_string()
    r.align()
    if kind == 1:  # text: the value length counts UTF-16 units, the zero included
        raw = data[r.pos:r.pos + 2 * value_length]
        value = raw.decode("utf-16-le")
        r.pos += 2 * value_length
    else:
        value = data[r.pos:r.pos + value_length]
        r.pos += value_length
    children = []
    r.align()
    while r.pos < end:
        child = parse_version_node(data, r.pos)
        children.append(child)
        r.pos = child[3]
        r.align()
    return key, value, children, end


class VersionBlock(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        data = only_resource(unittest.TestCase(), load_pe(), RT_VERSION, 1, KOREAN)
        cls.root = parse_version_node(data, 0)
        cls.data = data

    def test_fixed_part(self):
        key, value, _, end = self.root
        self.assertEqual(key, "VS_VERSION_INFO")
        self.assertEqual(end, len(self.data))
        self.assertEqual(len(value), 52, "VS_FIXEDFILEINFO")
        (signature, struct_version, file_ms, file_ls, product_ms, product_ls, flags_mask,
         flags, os, file_type, subtype, date_ms, date_ls) = struct.unpack("<13I", value)
        self.assertEqual(signature, 0xFEEF04BD)
        self.assertEqual(struct_version, 0x00010000)
        self.assertEqual((file_ms, file_ls), (0x00030000, 0x00000001), "file version 3.0.0.1")
        self.assertEqual((product_ms, product_ls), (0x00030000, 0x00000001),
                         "product version 3.0.0.1")
        self.assertEqual(flags_mask, 0x3F)
        self.assertEqual(flags, 0x1 if DEBUG_BUILD else 0x0, "VS_FF_DEBUG in a debug build")
        self.assertEqual(os, 0x40004, "VOS_NT_WINDOWS32")
        self.assertEqual(file_type, 1, "VFT_APP")
        self.assertEqual(subtype, 0)
        self.assertEqual((date_ms, date_ls), (0, 0))

    def test_string_table(self):
        children = self.root[2]
        self.assertEqual([child[0] for child in children], ["StringFileInfo", "VarFileInfo"])
        tables = children[0][2]
        self.assertEqual([table[0] for table in tables], ["041204b0"])
        entries = [(key, value.rstrip("\0")) for key, value, _, _ in tables[0][2]]
        publisher = dict(entries).get("CompanyName", "")
        self.assertTrue(publisher.strip(), "a publisher's name")
        self.assertEqual(entries, [
            ("CompanyName", publisher),
            ("FileDescription", "Tessmar"),
            ("FileVersion", "3.0.0.1"),
            ("InternalName", "Tessmar.exe"),
            ("LegalCopyright", publisher),
            ("OriginalFilename", "Tessmar.exe"),
            ("ProductName", "Tessmar"),
            ("ProductVersion", "3.0.0.1"),
        ])

    def test_translation(self):
        var_info = self.root[2][1]
        self.assertEqual([(key, value) for key, value, _, _ in var_info[2]],
                         [("Translation", struct.pack("<HH", 0x0412, 1200))])


class Manifest(unittest.TestCase):
    ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
    ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
    SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"

    @classmethod
    def setUpClass(cls):
        cls.data = only_resource(unittest.TestCase(), load_pe(), RT_MANIFEST, 1, ENGLISH_US)
        cls.root = ET.fromstring(cls.data[3:])

    def test_encoding_and_declaration(self):
        self.assertTrue(self.data.startswith(b"\xef\xbb\xbf"), "UTF-8 byte-order mark")
        declaration = self.data[3:].split(b"?>", 1)[0]
        for attribute in (b'version="1.0"', b'encoding="UTF-8"', b'standalone="yes"'):
            self.assertIn(attribute, declaration)
        self.assertEqual(self.root.tag, self.ASM_V1 + "assembly")
        self.assertEqual(self.root.get("manifestVersion"), "1.0")

    def test_runs_as_invoker(self):
        levels = self.root.findall("./%strustInfo/%ssecurity/%srequestedPrivileges/"
                                   "%srequestedExecutionLevel" % ((self.ASM_V3,) * 4))
        self.assertEqual([(e.get("level"), e.get("uiAccess")) for e in levels],
                         [("asInvoker", "false")])

    def test_dpi_aware(self):
        aware = self.root.findall("./%sapplication/%swindowsSettings/%sdpiAware"
                                  % (self.ASM_V3, self.ASM_V3, self.SETTINGS_2005))
        self.assertEqual([e.text.strip() for e in aware], ["true"])

    def test_no_dependency(self):
        # A dependency would pull in a side-by-side assembly, such as version 6
        # of the common controls.
        self.assertEqual([e.tag for e in self.root.iter() if e.tag.endswith("dependency")], [])

    def test_the_only_manifest(self):
        self.assertEqual(resources(load_pe(), RT_MANIFEST, 2), {})
        self.assertEqual(resources(load_pe(), RT_MANIFEST, 3), {})


def main():
    global EXE, DEBUG_BUILD
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build-type", default="",
                        help="the build's configuration; Debug expects VS_FF_DEBUG")
    parser.add_argument("exe")
    args, rest = parser.parse_known_args()
    EXE, DEBUG_BUILD = args.exe, args.build_type == "Debug"
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
