#!/usr/bin/env python3
"""Writes a large viewer payload for the unpacking benchmark into a folder:
the stand-in's files (from its archive) and 400 more in nested folders, half
text that deflates well, half bytes that do not deflate at all, about 44 MB
in 432 files. The same bytes and times on every run.
  make-large-payload.py STANDIN.zip OUT_FOLDER"""
import os
import random
import shutil
import sys
import zipfile

FIXED_TIME = 1_700_000_000  # every file's modification time
TEXT_FILES = 200
DATA_FILES = 200
TEXT_SIZE = 60_000   # bytes per text file, about
DATA_SIZE = 125_000  # bytes per incompressible file, about


def text_bytes(rng, size):
    words = ["Pellumara", "Bild", "Ansicht", "Datei", "Ordner", "Farbe", "Filter", "Vorschau",
             "Drucken", "Seite", "Zoom", "Diashow", "Werkzeug", "Leiste", "Format", "Helligkeit"]
    lines, total, n = [], 0, 0
    while total < size:
        line = f"{n:06d} " + " ".join(rng.choice(words) for _ in range(10)) + "\r\n"
        lines.append(line)
        total += len(line)
        n += 1
    return "".join(lines).encode("ascii")


def main():
    standin, out = sys.argv[1], sys.argv[2]
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    with zipfile.ZipFile(standin) as archive:
        archive.extractall(out)
    rng = random.Random(2024)
    for i in range(TEXT_FILES + DATA_FILES):
        text = i < TEXT_FILES
        folder = os.path.join(out, "Plugins" if i % 4 == 0 else "Skins", f"set{i % 10:02d}")
        os.makedirs(folder, exist_ok=True)
        size = (TEXT_SIZE if text else DATA_SIZE) + rng.randrange(-5000, 5000)
        data = text_bytes(rng, size) if text else rng.randbytes(size)
        name = os.path.join(folder, f"{'text' if text else 'data'}{i:03d}." + ("txt" if text else "bin"))
        with open(name, "wb") as f:
            f.write(data)
    for folder, _, files in os.walk(out):
        for name in files:
            os.utime(os.path.join(folder, name), (FIXED_TIME, FIXED_TIME))


if __name__ == "__main__":
    main()
