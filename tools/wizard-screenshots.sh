#!/usr/bin/env bash
# Runs the wizard under Xvfb and saves a PNG of every page in
# build/screenshots (welcome, what's new, associations, ready, the quit
# question, the ready page while it installs, the finish page), for
# reviewing umlauts, the heading font, the link, the wait label and the
# logo. It installs into a prefix of its own (build/wine/run/wizard_screens).
#   wizard-screenshots.sh [--dpi N]
# --dpi runs the wizard on a screen of N DPI (144 is 150 % display scaling,
# 192 is 200 %); the pictures then go to build/screenshots/dpiN.
set -euo pipefail
dpi=
case "${1:-}" in
  --dpi) dpi=${2:?--dpi needs a number} ;;
  --dpi=*) dpi=${1#--dpi=} ;;
  "") ;;
  *) echo "usage: $0 [--dpi N]" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/build.sh --windows-only >/dev/null
bash tools/wine-prefix.sh base
out="$root/build/screenshots${dpi:+/dpi$dpi}"
rm -f "$out"/*.png
mkdir -p "$out"
env BUILD_DIR="$root/build" PELLUMARA_PREFIX_NAME=wizard_screens PELLUMARA_DPI="$dpi" tools/wine-run.sh \
  build/windows/tests/windows/wizard_screens.exe \
  --setup="$root/build/dist/pellumara64-setup.exe" "--out=Z:${out//\//\\}"
/usr/bin/python3 tools/bmp_to_png.py "$out"/*.bmp
rm -f "$out"/*.bmp
ls "$out"
