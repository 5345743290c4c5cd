#!/usr/bin/python3
"""Draws the setup's icon (a framed picture with a sun and two hills) and
writes it as src/resources/setup.ico with 16, 32 and 48 pixel images, with
Debian's Pillow (python3-pil) and icoutils. The .ico is committed; run this
only to change the artwork."""
import os
import subprocess
import sys
import tempfile

from PIL import Image


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
    picture = Image.new("RGBA", (size, size))
    picture.putdata([(0, 0, 0, 0) if c is None else c + (255,)
                     for y in range(size) for x in range(size)
                     for c in (pixel(x, y, size),)])
    return picture


def main(path):
    # Each size is drawn on its own grid, not scaled down from the largest;
    # icoutils' icotool puts them together as 32-bit frames with AND masks.
    with tempfile.TemporaryDirectory() as folder:
        frames = []
        for size in (16, 32, 48):
            frames.append(os.path.join(folder, f"{size}.png"))
            image(size).save(frames[-1])
        subprocess.run(["icotool", "--create", "--bit-depth=32", "--output", path, *frames],
                       check=True)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "src/resources/setup.ico")
