#!/usr/bin/env python3
"""Draws the program's two dialog icons and writes them as .ico files.

Each icon holds a 32x32 and a 16x16 image in the standard 16-colour palette with a
transparency mask: a white speech balloon with a black outline, a grey drop shadow and a
short tail, carrying a blue question mark (updates available) or a blue letter i (no
updates). The small size is drawn on its own grid rather than scaled down, so that both
stay crisp.

Usage: draw_icons.py OUTPUT_FOLDER [--preview PNG_FOLDER]
"""
import struct
import sys
import zlib
from pathlib import Path

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, NAVY, SILVER, GREY, BLUE, WHITE = 0, 4, 7, 8, 12, 15
CLEAR = None  # a transparent pixel

# Glyphs: 'X' is the glyph's blue, 'n' a navy shade on its lower right edges.
GLYPHS = {
    ("question", 32): """
        ..XXXXXX..
        .XXXXXXXXn
        XXXn...XXX
        XXn....XXX
        .......XXX
        ......XXXn
        .....XXXn.
        ....XXXn..
        ....XXX...
        ....XXX...
        ..........
        ....XXX...
        ....XXXn..
    """,
    ("info", 32): """
        ..XXX..
        ..XXXn.
        .......
        XXXXX..
        ..XXXn.
        ..XXX..
        ..XXX..
        ..XXX..
        ..XXX..
        ..XXX..
        XXXXXXX
    """,
    ("question", 16): """
        .XXX.
        XX.XX
        ...XX
        ..XX.
        ..XX.
        .....
        ..XX.
    """,
    ("info", 16): """
        .XX.
        ....
        XXX.
        .XX.
        .XX.
        .XX.
        XXXX
    """,
}

# Balloon geometry per size: ellipse centre and radii, the tail's triangle, the shadow's
# offset and where the glyph's top left corner goes.
GEOMETRY = {
    32: dict(cx=14.5, cy=12.0, rx=14.0, ry=11.0,
             tail=[(7.0, 19.0), (14.0, 21.5), (4.0, 29.5)], shadow=2,
             glyph_origin={"question": (10, 6), "info": (12, 6)}),
    16: dict(cx=7.0, cy=6.0, rx=6.9, ry=5.8,
             tail=[(3.0, 9.0), (7.5, 10.5), (1.5, 15.0)], shadow=1,
             glyph_origin={"question": (5, 3), "info": (6, 3)}),
}


def inside_triangle(px, py, a, b, c):
    def side(p, q, r):
        return (p[0] - r[0]) * (q[1] - r[1]) - (q[0] - r[0]) * (p[1] - r[1])
    d1, d2, d3 = side((px, py), a, b), side((px, py), b, c), side((px, py), c, a)
    negative = d1 < 0 or d2 < 0 or d3 < 0
    positive = d1 > 0 or d2 > 0 or d3 > 0
    return not (negative and positive)


def balloon_mask(size):
    g = GEOMETRY[size]
    mask = [[False] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            in_ellipse = ((px - g["cx"] - 0.5) / g["rx"]) ** 2 + \
                         ((py - g["cy"] - 0.5) / g["ry"]) ** 2 <= 1.0
            mask[y][x] = in_ellipse or inside_triangle(px, py, *g["tail"])
    return mask


def draw(kind, size):
    g = GEOMETRY[size]
    shape = balloon_mask(size)
    pixels = [[CLEAR] * size for _ in range(size)]

    def in_shape(x, y):
        return 0 <= x < size and 0 <= y < size and shape[y][x]

    offset = g["shadow"]
    for y in range(size):
        for x in range(size):
            if in_shape(x, y):
                edge = not all(in_shape(x + dx, y + dy)
                               for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                pixels[y][x] = BLACK if edge else WHITE
            elif in_shape(x - offset, y - offset):
                pixels[y][x] = GREY

    rows = [line.strip() for line in GLYPHS[(kind, size)].strip().splitlines()]
    ox, oy = g["glyph_origin"][kind]
    for gy, row in enumerate(rows):
        for gx, mark in enumerate(row):
            if mark in "Xn":
                pixels[oy + gy][ox + gx] = BLUE if mark == "X" else NAVY
    return pixels


def dib(pixels):
    """The image as stored in an icon: header, palette, colour bits, mask bits."""
    size = len(pixels)
    colour_row = (size * 4 + 31) // 32 * 4
    mask_row = (size + 31) // 32 * 4
    colour, mask = bytearray(), bytearray()
    for row in reversed(pixels):  # bottom-up
        line = bytearray(colour_row)
        bits = bytearray(mask_row)
        for x, value in enumerate(row):
            index = 0 if value is CLEAR else value
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if value is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
        colour += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(colour) + bytes(mask)


def ico(images):
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for pixels, image in images:
        size = len(pixels)
        data += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset + len(body))
        body += image
    return data + body


def png(pixels, scale):
    """A preview picture, enlarged, transparent pixels shown as a light check pattern."""
    size = len(pixels) * scale
    raw = bytearray()
    for y in range(size):
        raw.append(0)
        for x in range(size):
            value = pixels[y // scale][x // scale]
            if value is CLEAR:
                shade = 0xE8 if ((x // 8) + (y // 8)) % 2 else 0xD0
                raw += bytes((shade, shade, 0xF0))
            else:
                raw += bytes(PALETTE[value])

    def chunk(tag, payload):
        return struct.pack(">I", len(payload)) + tag + payload + \
            struct.pack(">I", zlib.crc32(tag + payload) & 0xFFFFFFFF)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 2, 0, 0, 0)) + \
        chunk(b"IDAT", zlib.compress(bytes(raw))) + chunk(b"IEND", b"")


ICONS = {"updates_available.ico": "question", "no_updates.ico": "info"}


def main(argv):
    if len(argv) not in (2, 4) or (len(argv) == 4 and argv[2] != "--preview"):
        sys.exit(__doc__)
    out = Path(argv[1])
    for name, kind in ICONS.items():
        images = [(draw(kind, s), None) for s in (32, 16)]
        images = [(pixels, dib(pixels)) for pixels, _ in images]
        (out / name).write_bytes(ico(images))
        if len(argv) == 4:
            for pixels, _ in images:
                preview = Path(argv[3]) / f"{Path(name).stem}_{len(pixels)}.png"
                preview.write_bytes(png(pixels, 256 // len(pixels)))


if __name__ == "__main__":
    main(sys.argv)
