#!/usr/bin/env python3
"""Draws the program's icon (a globe with an orbit) and writes resources/app.ico.

Five images, each drawn for its own size: 16, 24, 32 and 48 pixels as 32-bit bitmaps, 256
pixels as PNG. Lines get thicker and details fewer as the image gets smaller, so the small
sizes stay readable. Standard library only: run it again after changing the drawing and
commit the .ico, the build only reads the file.
"""
import math
import os
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 256)

GLOBE_R = 0.40
ORBIT_A, ORBIT_B, ORBIT_TILT = 0.49, 0.15, math.radians(-24)


def over(dst, src):
    """src over dst; both premultiplied (r, g, b, a) in 0..1."""
    k = 1.0 - src[3]
    return (src[0] + dst[0] * k, src[1] + dst[1] * k, src[2] + dst[2] * k, src[3] + dst[3] * k)


def paint(rgb, alpha):
    return (rgb[0] * alpha, rgb[1] * alpha, rgb[2] * alpha, alpha)


def ellipse_distance(x, y, a, b):
    """Approximate distance from (x, y) to the ellipse x^2/a^2 + y^2/b^2 = 1."""
    g = (x * x) / (a * a) + (y * y) / (b * b) - 1.0
    gx, gy = 2 * x / (a * a), 2 * y / (b * b)
    n = math.hypot(gx, gy)
    return abs(g) / n if n > 1e-9 else 1.0


def sample(x, y, size):
    """Colour at (x, y) in unit coordinates, centre (0.5, 0.5), y down."""
    px = 1.0 / size  # one pixel in unit coordinates
    cx, cy = x - 0.5, y - 0.5
    line = max(0.022, 0.9 * px)
    orbit_w = max(0.035, 1.1 * px)
    c = (0.0, 0.0, 0.0, 0.0)

    # Orbit, rotated frame.
    ct, st = math.cos(ORBIT_TILT), math.sin(ORBIT_TILT)
    ox, oy = cx * ct + cy * st, -cx * st + cy * ct
    on_orbit = ellipse_distance(ox, oy, ORBIT_A, ORBIT_B) < orbit_w
    orbit_col = (1.0, 0.62 + 0.25 * (0.5 - y), 0.10)
    if on_orbit and oy < 0:  # the half behind the globe
        c = over(c, paint(orbit_col, 1.0))

    r = math.hypot(cx, cy)
    if r < GLOBE_R:
        # Sky-blue to deep blue, lit from the upper left.
        t = min(1.0, math.hypot(cx + 0.14, cy + 0.16) / (GLOBE_R * 1.45))
        blue = (0.36 + (0.04 - 0.36) * t, 0.72 + (0.30 - 0.72) * t, 1.0 + (0.66 - 1.0) * t)
        c = over(c, paint(blue, 1.0))
        grid = 0.0
        # Equator and central meridian at every size.
        if abs(cy) < line * 0.75 or abs(cx) < line * 0.75:
            grid = 1.0
        if size >= 24:
            # Meridians as ellipses, latitudes as chords.
            if ellipse_distance(cx, cy, GLOBE_R * 0.52, GLOBE_R) < line * 0.6:
                grid = 1.0
            if abs(abs(cy) - GLOBE_R * 0.52) < line * 0.6:
                grid = 1.0
        if size >= 48 and ellipse_distance(cx, cy, GLOBE_R * 0.86, GLOBE_R) < line * 0.5:
            grid = 1.0
        if grid:
            c = over(c, paint((1.0, 1.0, 1.0), 0.55))
        # Rim, so the globe stands apart from light and dark task bars alike.
        if r > GLOBE_R - max(0.02, 0.8 * px):
            c = over(c, paint((0.02, 0.16, 0.42), 0.85))
    if on_orbit and oy >= 0:  # the half in front
        c = over(c, paint(orbit_col, 1.0))
    return c


def render(size):
    """Rows of (r, g, b, a) bytes, top row first."""
    ss = 4 if size <= 48 else 3
    rows = []
    for j in range(size):
        row = []
        for i in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sj in range(ss):
                for si in range(ss):
                    s = sample((i + (si + 0.5) / ss) / size, (j + (sj + 0.5) / ss) / size, size)
                    for k in range(4):
                        acc[k] += s[k]
            n = ss * ss
            a = acc[3] / n
            if a <= 0.0:
                row.append((0, 0, 0, 0))
                continue
            rgb = [min(255, int(round(acc[k] / n / a * 255))) for k in range(3)]
            row.append((rgb[0], rgb[1], rgb[2], int(round(a * 255))))
        rows.append(row)
    return rows


def bmp_entry(rows):
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b''.join(bytes((p[2], p[1], p[0], p[3])) for row in reversed(rows) for p in row)
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for i, p in enumerate(row):
            if p[3] == 0:
                bits[i // 8] |= 0x80 >> (i % 8)
        mask += bits
    return header + xor + bytes(mask)


def png_entry(rows):
    size = len(rows)
    raw = b''.join(b'\x00' + bytes(v for p in row for v in p) for row in rows)

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), '..', 'resources', 'app.ico')
    images = [png_entry(render(s)) if s == 256 else bmp_entry(render(s)) for s in SIZES]
    head = struct.pack('<HHH', 0, 1, len(images))
    offset = len(head) + 16 * len(images)
    table = b''
    for s, data in zip(SIZES, images):
        dim = 0 if s == 256 else s
        table += struct.pack('<BBBBHHII', dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(out, 'wb') as f:
        f.write(head + table + b''.join(images))


if __name__ == '__main__':
    main()
