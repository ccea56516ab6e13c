#!/usr/bin/env python3
"""Writes Tessmar's application icon: a camera's iris shutter, half closed.

    make_icon.py OUTPUT.ico

The icon holds four images, 48, 32, 24 and 16 pixels square, each with 16
colours: 4 bits per pixel, one plane, uncompressed, with a 1-bit mask. They
are drawn here pixel by pixel so that the repository holds no binary file
and every size is drawn for its own grid rather than scaled.
"""

import math
import struct
import sys

SIZES = (48, 32, 24, 16)

# The standard 16-colour palette, as (red, green, blue).
PALETTE = (
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
)
BLACK, NAVY, SILVER, GREY, BLUE, WHITE = 0, 4, 7, 8, 12, 15

BLADES = 6
TRANSPARENT = None


def shutter_pixel(size, x, y):
    """Palette index of pixel (x, y), or TRANSPARENT outside the lens."""
    centre = size / 2.0
    dx = x + 0.5 - centre
    dy = y + 0.5 - centre
    radius = size / 2.0 - 0.5
    distance = math.hypot(dx, dy)
    if distance > radius:
        return TRANSPARENT
    # The barrel: a dark ring, one pixel wide on the small sizes.
    rim = max(1.0, size / 16.0)
    if distance > radius - rim:
        return BLACK
    # The opening: a hexagon whose corners turn with the blades.
    angle = math.atan2(dy, dx)
    sector = 2.0 * math.pi / BLADES
    opening = radius * 0.38
    within = (angle + sector / 2.0) % sector - sector / 2.0
    hexagon_edge = opening * math.cos(sector / 2.0) / math.cos(within)
    if distance <= hexagon_edge:
        # A glint of light on the glass behind the blades.
        if -0.45 * opening < dx < -0.05 * opening and -0.45 * opening < dy < -0.05 * opening:
            return WHITE if size >= 24 else BLUE
        return NAVY
    # The blades: each one curves as it runs out to the barrel, and
    # neighbouring blades alternate between two greys.
    twisted = angle + 0.9 * (distance / radius)
    blade = int(math.floor(twisted / sector)) % BLADES
    return SILVER if blade % 2 == 0 else GREY


def row_bytes(bits_per_row):
    """Bytes in one bitmap row: rows are padded to whole 32-bit words."""
    return ((bits_per_row + 31) // 32) * 4


def icon_image(size):
    """One icon image: BITMAPINFOHEADER, palette, colour pixels, mask."""
    pixels = [[shutter_pixel(size, x, y) for x in range(size)] for y in range(size)]

    colour = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):  # bitmaps are stored bottom row first
        row = pixels[y]
        packed = bytearray(row_bytes(size * 4))
        bits = bytearray(row_bytes(size))
        for x, index in enumerate(row):
            if index is TRANSPARENT:
                bits[x // 8] |= 0x80 >> (x % 8)
                index = BLACK
            packed[x // 2] |= index << (4 if x % 2 == 0 else 0)
        colour += packed
        mask += bits

    # The header's height counts the colour bitmap and the mask together.
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(colour) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(colour) + bytes(mask)


def icon_file(sizes):
    images = [icon_image(size) for size in sizes]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, image in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return directory + entries + b"".join(images)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_icon.py OUTPUT.ico\n")
        return 2
    with open(argv[1], "wb") as out:
        out.write(icon_file(SIZES))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
