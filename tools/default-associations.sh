#!/usr/bin/env bash
# Writes the default-associations XML for /assoc=1 (the image formats) or
# /assoc=2 (all formats) to stdout, made from the setup's own format
# catalogue, for Dism /Online /Import-DefaultAppAssociations or the Group
# Policy "Set a default associations configuration file".
#   tools/default-associations.sh 1|2 > pellumara-defaults.xml
# The tool is built natively with the host compiler in build/native-tools,
# configured and brought up to date on every run (cmake redoes only what
# changed); the build's own output goes to build/native-tools.log, so that
# stdout holds nothing but the XML.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage="usage: tools/default-associations.sh 1|2  (1: the image formats, 2: all formats)"
[ $# -eq 1 ] && { [ "$1" = 1 ] || [ "$1" = 2 ]; } || { echo "$usage" >&2; exit 2; }
build=$root/build/native-tools
log=$root/build/native-tools.log
mkdir -p "$build"
{
  cmake -S "$root/tools/default_associations" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++
  cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)"
} >"$log" 2>&1 || { cat "$log" >&2; echo "default-associations.sh: building the tool failed" >&2; exit 1; }
exec "$build/default-associations" "$1"
