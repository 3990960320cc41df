#!/usr/bin/env python3
"""Writes the small 24-bit test pictures of the ui tests into tests/ui/bitmaps/.

Button pictures (60 x 30): the normal one in four coloured quarters, so a stretched
copy can be checked point by point; pressed and hover in plain colours of their own.

Skin pieces, small stand-ins for the launcher's background pieces:
  piece_top     262 x 10: row y is RGB(10 + y, 100, 50); in row 5 one key pixel at
                x 100 (a hole) and five pixels one unit off the key at x 120..124.
  piece_middle  131 x 2: pixel (x, y) is RGB(200 + 10 y, x, 0), so the stretch to 262
                wide and to the band's height can be read back.
  piece_bottom  262 x 12: row y is RGB(30, 10 + y, 150).
"""
import os
import struct

KEY = (255, 87, 226)
HERE = os.path.dirname(os.path.abspath(__file__))

# Colours the tests know too (button_test_pictures.h).
NORMAL_QUARTERS = ((200, 30, 30), (30, 200, 30), (30, 30, 200), (200, 200, 30))
PRESSED = (10, 140, 60)
HOVER = (60, 10, 140)


def write_bmp(name, width, height, pixel):
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for y in reversed(range(height)):
        line = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        data += line + b"\0" * (stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(os.path.join(HERE, "bitmaps", name), "wb") as f:
        f.write(header + info + data)


def quarters(x, y):
    return NORMAL_QUARTERS[(1 if x >= 30 else 0) + (2 if y >= 15 else 0)]


def top(x, y):
    if y == 5:
        if x == 100:
            return KEY
        off = {120: (254, 87, 226), 121: (255, 86, 226), 122: (255, 87, 225), 123: (255, 88, 226), 124: (255, 87, 227)}
        if x in off:
            return off[x]
    return (10 + y, 100, 50)


def main():
    os.makedirs(os.path.join(HERE, "bitmaps"), exist_ok=True)
    write_bmp("button_normal.bmp", 60, 30, quarters)
    write_bmp("button_pressed.bmp", 60, 30, lambda x, y: PRESSED)
    write_bmp("button_hover.bmp", 60, 30, lambda x, y: HOVER)
    write_bmp("piece_top.bmp", 262, 10, top)
    write_bmp("piece_middle.bmp", 131, 2, lambda x, y: (200 + 10 * y, x, 0))
    write_bmp("piece_bottom.bmp", 262, 12, lambda x, y: (30, 10 + y, 150))


if __name__ == "__main__":
    main()
