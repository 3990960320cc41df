#!/usr/bin/env python3
"""Packs the skin's 24-bit BMP pictures into the form the launcher stores them in.

    python3 tools/pack_artwork.py OUTPUT.skin INPUT.bmp [OUTPUT.skin INPUT.bmp ...]

A packed picture is a small header and the picture's rows compressed with LZNT1, the
format that Windows' own RtlDecompressBuffer (ntdll, every version since NT) unpacks,
so the launcher carries no decoder of its own (ui/skin_picture.h reads it back):

    offset 0   "QZSK"
    offset 4   width, height     16 bits each, little-endian
    offset 8   unpacked size     32 bits: width * height * 3
    offset 12  LZNT1 data

Unpacked, the data is the picture's rows from the top, 3 bytes a pixel (blue, green,
red), each byte stored as its difference (modulo 256) from the byte of the same pixel
one row up (the first row as it is). The skin's pictures repeat most rows and change
smoothly from row to row, so the differences are mostly zeros, which LZNT1 packs well.
Standard library only.
"""
import struct
import sys

MAGIC = b"QZSK"
CHUNK = 4096


def read_bmp(path):
    """(width, height, rows top first as bytes of blue, green, red) of a 24-bit BMP."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ValueError("%s is not a BMP file" % path)
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits, compression = struct.unpack_from("<HI", data, 28)
    if bits != 24 or compression != 0 or width <= 0 or height == 0:
        raise ValueError("%s is not an uncompressed 24-bit BMP" % path)
    stride = (width * 3 + 3) & ~3
    rows = []
    for r in range(abs(height)):
        source = abs(height) - 1 - r if height > 0 else r
        rows.append(data[offset + source * stride:offset + source * stride + width * 3])
    return width, abs(height), rows


def filter_rows(rows):
    out = bytearray(rows[0])
    for above, row in zip(rows, rows[1:]):
        out += bytes((b - a) & 0xFF for a, b in zip(above, row))
    return bytes(out)


def _displacement_bits(position):
    """Bits of a back reference's displacement at this position of a chunk."""
    bits = 4
    while (1 << bits) < position:
        bits += 1
    return bits


def _compress_chunk(chunk):
    out = bytearray()
    heads = {}  # 3 bytes -> positions, latest last
    pos = 0
    while pos < len(chunk):
        flag_at = len(out)
        out.append(0)
        flags = 0
        for bit in range(8):
            if pos >= len(chunk):
                break
            best_len, best_disp = 0, 0
            if pos > 0 and pos + 3 <= len(chunk):
                bits = _displacement_bits(pos)
                max_len = min((1 << (16 - bits)) + 2, len(chunk) - pos)
                for start in reversed(heads.get(chunk[pos:pos + 3], [])[-24:]):
                    length = 3
                    while length < max_len and chunk[start + length] == chunk[pos + length]:
                        length += 1
                    if length > best_len:
                        best_len, best_disp = length, pos - start
                        if length == max_len:
                            break
            step = best_len if best_len >= 3 else 1
            if best_len >= 3:
                flags |= 1 << bit
                token = ((best_disp - 1) << (16 - bits)) | (best_len - 3)
                out += struct.pack("<H", token)
            else:
                out.append(chunk[pos])
            for p in range(pos, pos + step):
                if p + 3 <= len(chunk):
                    heads.setdefault(chunk[p:p + 3], []).append(p)
            pos += step
        out[flag_at] = flags
    return bytes(out)


def lznt1_compress(data):
    out = bytearray()
    for start in range(0, len(data), CHUNK):
        chunk = data[start:start + CHUNK]
        packed = _compress_chunk(chunk)
        if len(packed) < len(chunk):
            out += struct.pack("<H", 0xB000 | (len(packed) - 1)) + packed
        else:
            out += struct.pack("<H", 0x3000 | (len(chunk) - 1)) + chunk
    return bytes(out)


def pack(width, height, rows):
    unpacked = filter_rows(rows)
    return MAGIC + struct.pack("<HHI", width, height, len(unpacked)) + lznt1_compress(unpacked)


def main(argv):
    if len(argv) < 2 or len(argv) % 2:
        sys.exit(__doc__)
    for output, source in zip(argv[0::2], argv[1::2]):
        packed = pack(*read_bmp(source))
        with open(output, "wb") as f:
            f.write(packed)


if __name__ == "__main__":
    main(sys.argv[1:])
