#!/usr/bin/env python3
"""Writes the program icon: a white diagonal cross on a red disc, 32x32 and 16x16, 16 colours.

Usage: tools/make_icon.py src/win32/program/ostrilo.ico
"""
import struct
import sys

PALETTE = [(0, 0, 0)] * 16
PALETTE[1] = (0xC0, 0x00, 0x00)  # red disc
PALETTE[15] = (0xFF, 0xFF, 0xFF)  # white cross
TRANSPARENT, RED, WHITE = 0, 1, 15


def pixel(size, x, y):
    centre = (size - 1) / 2.0
    dx, dy = x - centre, y - centre
    radius = size / 2.0 - 0.5
    if dx * dx + dy * dy > radius * radius:
        return TRANSPARENT
    half_width = size / 10.0
    on_cross = abs(dx - dy) <= half_width * 1.42 or abs(dx + dy) <= half_width * 1.42
    inner = radius * 0.62
    if on_cross and abs(dx) <= inner and abs(dy) <= inner:
        return WHITE
    return RED


def image(size):
    rows_xor, rows_and = [], []
    for y in reversed(range(size)):  # bitmaps are stored bottom-up
        colours = [pixel(size, x, y) for x in range(size)]
        xor = bytes((colours[x] << 4) | colours[x + 1] for x in range(0, size, 2))
        rows_xor.append(xor + b"\0" * ((4 - len(xor) % 4) % 4))
        mask_bits = "".join("1" if c == TRANSPARENT else "0" for c in colours)
        mask = int(mask_bits, 2).to_bytes(size // 8, "big")
        rows_and.append(mask + b"\0" * ((4 - len(mask) % 4) % 4))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + b"".join(rows_xor) + b"".join(rows_and)


def main(path):
    images = [image(32), image(16)]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, data in zip((32, 16), images):
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(path, "wb") as out:
        out.write(directory + entries + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1])
