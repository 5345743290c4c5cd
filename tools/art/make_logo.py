#!/usr/bin/env python3
"""Draws the setup's 88 x 31 logo (the icon's framed picture beside the
name "PELLUMARA" and "64 BIT") and writes it as src/resources/logo.bmp, a
32-bit bitmap, together with larger renderings of the same drawing for
scaled displays: logo_144.bmp, logo_192.bmp and logo_288.bmp (150 %, 200 %
and 300 %). Each pixel's colour is the drawing over BACKGROUND; its fourth
byte is how much of the pixel the drawing covers (0 to 255), so that the
setup can put the logo on the page's own face colour instead. The .bmp
files are committed; run this only to change the artwork:
make_logo.py [FOLDER]"""
import os
import struct
import sys

WIDTH, HEIGHT = 88, 31
BACKGROUND = (240, 240, 240)
INK = (40, 60, 110)
ACCENT = (46, 139, 87)

# 5 x 7 letters, one string of five '#'/'.' per row.
GLYPHS = {
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "6": [".###.", "#....", "#....", "####.", "#...#", "#...#", ".###."],
    "4": ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    "B": ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    " ": ["....."] * 7,
}


def picture(x, y):
    """The framed picture of the icon, in a 29 x 29 square at (1, 1)."""
    u, v = (x - 1) / 29, (y - 1) / 29
    if not (0 <= u < 1 and 0 <= v < 1):
        return None
    if u < 0.08 or u > 0.92 or v < 0.08 or v > 0.92:
        return (60, 42, 24)  # frame
    if (u - 0.66) ** 2 + (v - 0.32) ** 2 < 0.014:
        return (250, 200, 40)  # sun
    if v > 0.62 - 0.2 * max(0.0, 1 - abs(u - 0.35) / 0.3):
        return ACCENT  # hills
    return (110, 170, 230)  # sky


def draw():
    pixels = [[BACKGROUND] * WIDTH for _ in range(HEIGHT)]
    for y in range(HEIGHT):
        for x in range(31):
            c = picture(x, y)
            if c is not None:
                pixels[y][x] = c

    def text(s, left, top, colour):
        for i, ch in enumerate(s):
            for row, bits in enumerate(GLYPHS[ch]):
                for col, bit in enumerate(bits):
                    if bit == "#":
                        pixels[top + row][left + i * 6 + col] = colour

    text("PELLUMARA", 34, 6, INK)
    for x in range(34, 87):
        pixels[15][x] = ACCENT
    text("64 BIT", 34, 18, ACCENT)
    return pixels


# Larger renderings: the display's DPI against the 96 of the drawing above.
SCALED_DPIS = (144, 192, 288)
SAMPLES = 8  # per axis and output pixel


def scaled_size(dpi):
    """The logo's size at that DPI, rounded as MulDiv rounds."""
    return (WIDTH * dpi + 48) // 96, (HEIGHT * dpi + 48) // 96


def draw_scaled(dpi):
    """The same drawing, scaled to the DPI: every output pixel is the mean of
    SAMPLES x SAMPLES points of the drawing (a box filter), so that edges
    stay sharp where they fall on the pixel grid and smooth elsewhere. The
    letters and the line are the 96-DPI logo's ink pixels as squares, the
    picture is evaluated anywhere in its square (from 1 to 30 in pixels of
    the 96-DPI logo)."""
    ink = draw()
    flat = [[None] * WIDTH for _ in range(HEIGHT)]
    for y in range(HEIGHT):
        for x in range(31, WIDTH):
            if ink[y][x] != BACKGROUND:
                flat[y][x] = ink[y][x]
    width, height = scaled_size(dpi)
    step_x, step_y = WIDTH / width, HEIGHT / height
    pixels = []
    coverage = []
    for py in range(height):
        row = []
        covered_row = []
        for px in range(width):
            total = [0, 0, 0]
            covered = 0
            for j in range(SAMPLES):
                y = (py + (j + 0.5) / SAMPLES) * step_y
                for i in range(SAMPLES):
                    x = (px + (i + 0.5) / SAMPLES) * step_x
                    c = flat[int(y)][int(x)] if x >= 31 else picture(x, y)
                    covered += c is not None
                    c = c or BACKGROUND
                    total[0] += c[0]
                    total[1] += c[1]
                    total[2] += c[2]
            n = SAMPLES * SAMPLES
            row.append(tuple((t + n // 2) // n for t in total))
            covered_row.append((covered * 255 + n // 2) // n)
        pixels.append(row)
        coverage.append(covered_row)
    return pixels, coverage


def hard_coverage(pixels):
    """Coverage of a drawing without smoothed edges: full on every pixel that
    is not the background."""
    return [[0 if c == BACKGROUND else 255 for c in row] for row in pixels]


def write_bmp(path, pixels, coverage):
    height, width = len(pixels), len(pixels[0])
    rows = b""
    for y in range(height - 1, -1, -1):  # bottom-up
        rows += b"".join(bytes((b, g, r, a)) for (r, g, b), a in zip(pixels[y], coverage[y]))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0, len(rows), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + rows)


def main(folder):
    pixels = draw()
    write_bmp(os.path.join(folder, "logo.bmp"), pixels, hard_coverage(pixels))
    for dpi in SCALED_DPIS:
        write_bmp(os.path.join(folder, f"logo_{dpi}.bmp"), *draw_scaled(dpi))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "src/resources")
