#!/usr/bin/env python3
"""Draws the bundled sample picture: a sunset over hills, 200 x 200, 24-bit BMP."""
import math
import struct
import sys

W, H = 200, 200


def pixel(x, y):
    # Sky: a gradient from deep blue at the top to orange at the horizon.
    t = y / (H * 0.65)
    r, g, b = int(40 + 215 * t), int(30 + 120 * t), int(110 - 60 * t)
    # Sun.
    if math.hypot(x - 130, y - 105) < 28:
        r, g, b = 255, 220, 90
    # Two hills; the nearer one is darker.
    if y > 140 + 18 * math.sin(x / 23.0):
        r, g, b = 60, 110, 50
    if y > 165 + 12 * math.sin(x / 15.0 + 2):
        r, g, b = 30, 70, 35
    clamp = lambda v: max(0, min(255, v))
    return clamp(r), clamp(g), clamp(b)


def main(path):
    row_bytes = (W * 3 + 3) & ~3
    data = bytearray()
    for y in range(H - 1, -1, -1):  # BMP rows run bottom-up
        row = bytearray()
        for x in range(W):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_bytes - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "samples/sunset.bmp")
