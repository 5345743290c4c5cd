#!/usr/bin/python3
"""Converts bitmaps (as the wizard screenshots are written) to PNG with
Debian's Pillow (python3-pil): bmp_to_png.py FILE.bmp... (writes FILE.png).
Debian's own interpreter, which has Pillow, not whichever python3 is first
on the path."""
import sys

from PIL import Image

for bmp in sys.argv[1:]:
    with Image.open(bmp) as image:
        image.convert("RGB").save(bmp[:-4] + ".png", optimize=True)
