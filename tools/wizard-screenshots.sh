#!/usr/bin/env bash
# Runs the wizard under Xvfb and saves a PNG of every page in
# build/screenshots (welcome, what's new, associations, ready, the quit
# question, the ready page while it installs, the finish page), for
# reviewing umlauts, the heading font, the link, the wait label and the
# logo. It installs into a prefix of its own (build/wine/run/wizard_screens).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/build.sh --windows-only >/dev/null
bash tools/wine-prefix.sh base
out="$root/build/screenshots"
rm -rf "$out"
mkdir -p "$out"
env BUILD_DIR="$root/build" PELLUMARA_PREFIX_NAME=wizard_screens tools/wine-run.sh \
  build/windows/tests/windows/wizard_screens.exe \
  --setup="$root/build/dist/pellumara64-setup.exe" "--out=Z:${out//\//\\}"
/usr/bin/python3 tools/bmp_to_png.py "$out"/*.bmp
rm -f "$out"/*.bmp
ls "$out"
