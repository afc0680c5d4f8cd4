#!/usr/bin/env python3
"""Draws Quorvane's icon: a pointer arrow clicking inside a rounded blue tile.

Writes Resource/icon.ico, a single 200 x 170 image at 32 bits per pixel stored as
a BMP inside the .ico (the form older Windows shells read), and square PNGs of the
same design for the desktop's hicolor icon theme, icons/<size>.png:

    python3 make_icon.py            # Resource/icon.ico and the installed theme sizes
    python3 make_icon.py 32 64      # Resource/icon.ico and icons/32.png, icons/64.png
Both are committed, so building needs no Python. Only the standard library is used,
so the script runs anywhere Python 3 does.
"""
import math
import os
import struct
import sys
import zlib

SUPERSAMPLE = 4

# The PNG sizes that packaging/CMakeLists.txt installs into the hicolor theme.
THEME_SIZES = (48, 128, 256)

# Arrow outline in a 100 x 100 design space, tip at the origin of the click.
ARROW = [(0, 0), (0, 72), (17, 56), (29, 84), (41, 79), (29, 52), (52, 52)]


def inside_polygon(x, y, points):
    hit = False
    j = len(points) - 1
    for i, (xi, yi) in enumerate(points):
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def rounded_rect_contains(x, y, w, h, r):
    cx = min(max(x, r), w - r)
    cy = min(max(y, r), h - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def sample(u, v, w, h):
    """Colour (r, g, b, a) of the design at point (u, v) of a w x h canvas."""
    if not rounded_rect_contains(u, v, w, h, min(w, h) * 0.18):
        return (0, 0, 0, 0)
    t = v / h
    tile = (int(40 + 20 * t), int(120 - 40 * t), int(230 - 50 * t), 255)
    scale = min(w, h) / 125.0
    ox, oy = w * 0.40, h * 0.22
    ax, ay = (u - ox) / scale, (v - oy) / scale
    for radius in (14, 24):  # click ripples around the arrow's tip
        d = math.hypot(ax, ay)
        if abs(d - radius) < 2.2 and not (ax > -4 and ay > -4):
            return (255, 214, 90, 255)
    if inside_polygon(ax, ay, ARROW):
        edge = any(not inside_polygon(ax + dx, ay + dy, ARROW)
                   for dx, dy in ((3, 0), (-3, 0), (0, 3), (0, -3)))
        return (30, 30, 40, 255) if edge else (255, 255, 255, 255)
    return tile


def render(w, h):
    """Rows of (r, g, b, a), top row first, anti-aliased by supersampling."""
    rows = []
    n = SUPERSAMPLE
    for y in range(h):
        row = []
        for x in range(w):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = sample(x + (sx + 0.5) / n, y + (sy + 0.5) / n, w, h)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / (n * n)
            if acc[3]:
                row.append(tuple(round(c / acc[3]) for c in acc[:3]) + (round(alpha),))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def ico_bytes(rows):
    h, w = len(rows), len(rows[0])
    xor = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def png_bytes(rows):
    h, w = len(rows), len(rows[0])
    raw = b"".join(b"\0" + b"".join(bytes(px) for px in row) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "Resource", "icon.ico"), "wb") as f:
        f.write(ico_bytes(render(200, 170)))
    os.makedirs(os.path.join(here, "icons"), exist_ok=True)
    for size in [int(arg) for arg in sys.argv[1:]] or THEME_SIZES:
        with open(os.path.join(here, "icons", f"{size}.png"), "wb") as f:
            f.write(png_bytes(render(size, size)))


if __name__ == "__main__":
    main()
