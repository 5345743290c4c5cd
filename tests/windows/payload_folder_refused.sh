#!/usr/bin/env bash
# A folder of the viewer's files that lacks the viewer program: the packer
# must refuse it, write no archive and name exactly that entry.
#   payload_folder_refused.sh MAKE-PAYLOAD STAND-IN.zip WORK-DIR
set -euo pipefail
make_payload=${1:?packer}
archive=${2:?stand-in archive}
work=${3:?work folder}
rm -rf "$work"
mkdir -p "$work/viewer"
(cd "$work/viewer" && cmake -E tar xf "$archive")
rm "$work/viewer/p_mara64.exe"

if "$make_payload" --folder "$work/viewer" --out "$work/payload.zip" 2>"$work/refusal"; then
  echo "a folder without p_mara64.exe was packed"
  exit 1
fi
cat "$work/refusal"
grep -qx '  missing: p_mara64.exe' "$work/refusal"
[ "$(grep -c 'missing:' "$work/refusal")" -eq 1 ] || { echo "more than the viewer named as missing"; exit 1; }
[ ! -e "$work/payload.zip" ] || { echo "an archive was written anyway"; exit 1; }
rm -rf "$work"
