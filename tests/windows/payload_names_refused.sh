#!/usr/bin/env bash
# The viewer's files with names Windows would not keep and a link among
# them: the packer refuses them as a ready .zip and as a folder alike, names
# every one of them, and writes nothing.
#   payload_names_refused.sh MAKE-PAYLOAD STAND-IN.zip WORK-DIR
set -euo pipefail
make_payload=${1:?packer}
archive=${2:?stand-in archive}
work=${3:?work folder}
fail() { echo "payload_names_refused: $*"; exit 1; }
rm -rf "$work"
mkdir -p "$work/viewer"
(cd "$work/viewer" && cmake -E tar xf "$archive")

# Each refused for its own reason; the blank inside "sp ace .txt" is fine,
# only the trailing one of "sp ace .txt " is dropped by Windows.
odd=("CON.txt" "Plugins/aux.dll" "lpt1" "trailing." "sp ace .txt " "q?.txt" "Über.txt" "link.dll")
fine="sp ace .txt"

python3 - "$archive" "$work/odd.zip" "$fine" "${odd[@]}" <<'EOF'
import shutil, stat, sys, zipfile
source, target, fine, *odd = sys.argv[1:]
shutil.copy(source, target)
with zipfile.ZipFile(target, "a") as zip:
    for name in [fine] + odd[:-1]:
        zip.writestr(name, b"data")
    link = zipfile.ZipInfo(odd[-1])
    link.create_system = 3  # Unix: the mode is in the upper half of the attributes
    link.external_attr = (stat.S_IFLNK | 0o777) << 16
    zip.writestr(link, b"p_mara64.exe")
EOF
echo data >"$work/viewer/$fine"
for name in "${odd[@]:0:${#odd[@]}-1}"; do echo data >"$work/viewer/$name"; done
ln -s p_mara64.exe "$work/viewer/${odd[-1]}"

# Whether a line of the refusal ends in ": NAME".
names() {
  awk -v tail=": $2" 'substr($0, length($0) - length(tail) + 1) == tail { found = 1 } END { exit !found }' "$1"
}
check() {
  local what=$1 refusal=$2 written=$3
  cat "$refusal"
  [ ! -e "$written" ] || fail "$what: a payload was written anyway"
  for name in "${odd[@]}"; do
    names "$refusal" "$name" || fail "$what: \"$name\" is not named"
  done
  ! names "$refusal" "$fine" || fail "$what: \"$fine\" is named, but Windows keeps it"
  [ "$(grep -c '^  ' "$refusal")" -eq ${#odd[@]} ] || fail "$what: other problems named than the ${#odd[@]} names"
}
if "$make_payload" --check "$work/odd.zip" --out "$work/copy.zip" 2>"$work/zip-refusal"; then
  fail "the .zip with odd names was accepted"
fi
check ".zip" "$work/zip-refusal" "$work/copy.zip"
if "$make_payload" --folder "$work/viewer" --out "$work/packed.zip" 2>"$work/folder-refusal"; then
  fail "the folder with odd names was packed"
fi
check "folder" "$work/folder-refusal" "$work/packed.zip"
rm -rf "$work"
