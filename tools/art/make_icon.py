#!/usr/bin/env python3
"""Draws the setup's icon (a framed picture with a sun and two hills) and
writes it as src/resources/setup.ico with 16, 32 and 48 pixel images.
The .ico is committed; run this only to change the artwork."""
import struct
import sys


def pixel(x, y, size):
    u, v = x / size, y / size
    if u < 0.08 or u > 0.92 or v < 0.14 or v > 0.86:
        return None  # transparent margin
    if u < 0.14 or u > 0.86 or v < 0.20 or v > 0.80:
        return (60, 42, 24)  # frame
    if (u - 0.66) ** 2 + (v - 0.36) ** 2 < 0.012:
        return (250, 200, 40)  # sun
    if v > 0.62 - 0.18 * max(0.0, 1 - abs(u - 0.35) / 0.3):
        return (46, 139, 87)  # hills
    return (110, 170, 230)  # sky


def image(size):
    rows = []
    mask_rows = []
    stride = ((size + 31) // 32) * 4
    for y in range(size - 1, -1, -1):  # bottom-up
        row = bytearray()
        bits = bytearray(stride)
        for x in range(size):
            c = pixel(x, y, size)
            if c is None:
                row += bytes((0, 0, 0, 0))
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                row += bytes((c[2], c[1], c[0], 255))
        rows.append(bytes(row))
        mask_rows.append(bytes(bits))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"".join(mask_rows)


def main(path):
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "src/resources/setup.ico")
