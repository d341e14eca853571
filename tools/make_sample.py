#!/usr/bin/env python3
"""Draws the bundled sample pictures as 24-bit BMPs.

    make_sample.py [OUT.bmp]                      the sunset, 200 x 200 (samples/sunset.bmp)
    make_sample.py --photo [--size WxH] OUT.bmp   a photo-like harbour scene, 256 x 256 by default
    make_sample.py --logo|--dark|--light OUT.bmp  a flat logo with hard edges and lettering, and the
                                                  harbour darkened and lightened (the benchmarks')

An OUT ending in .png gets a PNG of the same pixels instead (for the README's gallery).

The harbour has what photographs have and the sunset lacks: soft gradients, texture, many
small hard-edged shapes. The benchmarks use it."""
import math
import struct
import sys
import zlib


def sunset(x, y, W, H):
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
    return r, g, b


def noise(x, y):
    # Cheap deterministic texture: a few incommensurate waves.
    return (math.sin(x * 0.37 + y * 0.11) + math.sin(x * 0.071 - y * 0.23) +
            math.sin((x + 2 * y) * 0.53)) / 3


def harbour(x, y, W, H):
    u, v = x / W, y / H
    # Hazy sky, brighter towards a low sun on the left.
    glow = max(0.0, 1 - math.hypot(u - 0.25, v - 0.35) * 2.2)
    r, g, b = 90 + 120 * v + 100 * glow, 120 + 70 * v + 80 * glow, 180 - 40 * v + 20 * glow
    # Sun disc.
    if math.hypot(u - 0.25, v - 0.35) < 0.05:
        r, g, b = 255, 235, 170
    # Far hills, bluish.
    if v > 0.42 + 0.05 * math.sin(u * 9) + 0.02 * math.sin(u * 31):
        r, g, b = 70 + 20 * noise(x, y), 90 + 15 * noise(x, y), 120
    # Water with ripples and the sun's reflection.
    if v > 0.58:
        ripple = math.sin(y * 1.7 + math.sin(x * 0.3) * 2)
        r, g, b = 30 + 25 * ripple, 70 + 30 * ripple, 110 + 30 * ripple
        if abs(u - 0.25) < 0.06 * (v - 0.5) * 3 and ripple > 0:
            r, g, b = 230, 200, 140
    # Boats: dark hulls and white sails.
    for bx, by, size in ((0.55, 0.66, 0.08), (0.75, 0.72, 0.11), (0.4, 0.8, 0.06)):
        if by - size * 0.25 < v < by and abs(u - bx) < size * (1 - (by - v) / (size * 0.6)):
            r, g, b = 60, 35, 30
        if by - size * 1.4 < v < by - size * 0.25 and 0 < bx - u < (v - (by - size * 1.4)) * 0.6:
            r, g, b = 240, 240, 230
    # A pier on the right with posts.
    if u > 0.82 and 0.55 < v < 0.6:
        r, g, b = 110, 80, 50
    if u > 0.82 and v >= 0.6 and int(x / (W * 0.03)) % 3 == 0 and v < 0.75:
        r, g, b = 80, 55, 35
    # Grain, as a camera adds.
    grain = 12 * noise(x * 3.1, y * 2.7)
    return r + grain, g + grain, b + grain


def logo(x, y, W, H):
    # Flat colour and long straight edges: a tilted band, a ring, a triangle and bars of "text".
    r, g, b = 245, 245, 240
    if abs((x - W / 2) * 0.45 + (y - H / 2)) < H * 0.08:
        r, g, b = 20, 90, 170
    d = math.hypot(x - W * 0.3, y - H * 0.35)
    if H * 0.12 < d < H * 0.2:
        r, g, b = 220, 60, 40
    if y > H * 0.45 and y < H * 0.7 and abs(x - W * 0.72) < (y - H * 0.45) * 0.6:
        r, g, b = 250, 190, 20
    if H * 0.8 < y < H * 0.88 and W * 0.1 < x < W * 0.9 and (x // max(1, W // 32)) % 3 != 2:
        r, g, b = 30, 30, 35
    return r, g, b


def dark(x, y, W, H):
    return tuple(int(c * 0.25) for c in harbour(x, y, W, H))


def light(x, y, W, H):
    return tuple(int(190 + c * 0.25) for c in harbour(x, y, W, H))


def write_bmp(path, W, H, pixel):
    clamp = lambda v: max(0, min(255, int(v)))
    row_bytes = (W * 3 + 3) & ~3
    data = bytearray()
    for y in range(H - 1, -1, -1):  # BMP rows run bottom-up
        row = bytearray()
        for x in range(W):
            r, g, b = pixel(x, y, W, H)
            row += bytes((clamp(b), clamp(g), clamp(r)))
        row += b"\0" * (row_bytes - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def write_png(path, W, H, pixel):
    clamp = lambda v: max(0, min(255, int(v)))
    raw = bytearray()
    for y in range(H):
        raw.append(0)  # no filter
        for x in range(W):
            raw += bytes(clamp(c) for c in pixel(x, y, W, H))
    chunk = lambda kind, body: (struct.pack(">I", len(body)) + kind + body +
                                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" +
                chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main(args):
    scene, size, out = sunset, (200, 200), "samples/sunset.bmp"
    rest = []
    while args:
        arg = args.pop(0)
        if arg == "--photo":
            scene, size = harbour, (256, 256)
        elif arg in ("--logo", "--dark", "--light"):
            scene, size = {"--logo": logo, "--dark": dark, "--light": light}[arg], (256, 256)
        elif arg == "--size" and args:
            try:
                w, h = args.pop(0).lower().split("x")
                size = (int(w), int(h))
            except ValueError:
                sys.exit("--size: needs WxH, two whole numbers (make_sample.py --help tells the options)")
        elif arg in ("-h", "--help"):
            print(__doc__)
            return
        elif arg.startswith("-"):
            sys.exit(arg + ": unknown option (make_sample.py --help tells the options)")
        else:
            rest.append(arg)
    if len(rest) > 1:
        sys.exit(rest[1] + ": one picture at a time (make_sample.py --help tells the options)")
    if rest:
        out = rest[0]
    write = write_png if out.lower().endswith(".png") else write_bmp
    write(out, size[0], size[1], scene)


if __name__ == "__main__":
    main(sys.argv[1:])
