#!/usr/bin/env python3
"""Writes res/ArdunLauncher.ico: one 48 x 48, 32-bit image (a gold rune on a dark
round badge). Run it again only to change the picture; the build uses the file."""
import math
import struct
import sys
from pathlib import Path

SIZE = 48


def pixel(x, y):
    cx = cy = (SIZE - 1) / 2
    d = math.hypot(x - cx, y - cy)
    if d > 23.5:
        return (0, 0, 0, 0)
    alpha = 255 if d < 22.5 else int(255 * (23.5 - d))
    if d > 20.5:                                   # gold rim
        return (60, 170, 230, alpha)
    shade = int(40 + 30 * (1 - d / 20.5))          # dark blue badge, lighter in the middle
    colour = (shade + 30, shade // 2 + 10, shade // 3, alpha)
    # A stylised "A": two legs and a bar, in gold.
    u, v = (x - cx) / 14.0, (y - cy) / 14.0
    if -1.0 <= v <= 1.0:
        leg = abs(abs(u) - (v + 1.0) * 0.45)
        if leg < 0.13 or (abs(v - 0.25) < 0.09 and abs(u) < 0.5):
            return (40, 190, 250, alpha)
    return colour


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else "res/ArdunLauncher.ico")
    rows = []
    for y in reversed(range(SIZE)):                # bottom-up rows
        rows.append(b"".join(struct.pack("BBBB", *pixel(x, y)) for x in range(SIZE)))
    xor = b"".join(rows)
    and_row = ((SIZE + 31) // 32) * 4
    mask = bytes(and_row * SIZE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    out.write_bytes(icondir + entry + image)
    print(f"wrote {out} ({len(icondir + entry + image)} bytes)")


if __name__ == "__main__":
    main()
