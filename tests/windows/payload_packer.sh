#!/usr/bin/env bash
# The host packer with folders and archives made from the stand-in payload.
#   payload_packer.sh MODE MAKE-PAYLOAD STAND-IN.zip WORK-DIR
# MODE without-viewer: a folder that lacks the viewer program is refused, no
#   archive is written, and exactly that entry is named.
# MODE odd-names: names Windows would not keep and a link among the files are
#   refused as a ready .zip and as a folder alike, each of them named, and
#   nothing is written.
# MODE times: a folder packed in two time zones gives the same archive, its
#   entries carrying their times in UTC; with SOURCE_DATE_EPOCH set, later
#   times are clamped to it and earlier ones kept.
set -euo pipefail
mode=${1:?mode}
make_payload=${2:?packer}
archive=${3:?stand-in archive}
work=${4:?work folder}
fail() { echo "payload_packer $mode: $*"; exit 1; }
rm -rf "$work"
mkdir -p "$work/viewer"
(cd "$work/viewer" && cmake -E tar xf "$archive")

without_viewer() {
  rm "$work/viewer/p_mara64.exe"

  if "$make_payload" --folder "$work/viewer" --out "$work/payload.zip" 2>"$work/refusal"; then
    fail "a folder without p_mara64.exe was packed"
  fi
  cat "$work/refusal"
  grep -qx '  missing: p_mara64.exe' "$work/refusal" || fail "p_mara64.exe is not named as missing"
  [ "$(grep -c 'missing:' "$work/refusal")" -eq 1 ] || fail "more than the viewer named as missing"
  [ ! -e "$work/payload.zip" ] || fail "an archive was written anyway"
}

odd_names() {
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
}

utc_times() {
  unset SOURCE_DATE_EPOCH
  # Late in the evening in UTC: already the next day in Tokyo, still the same
  # day but five hours earlier in New York.
  find "$work/viewer" -exec touch -d '2024-06-01 23:30:10 UTC' {} +
  touch -d '2023-02-03 04:05:06 UTC' "$work/viewer/p_about.txt"

  TZ=Asia/Tokyo "$make_payload" --folder "$work/viewer" --out "$work/tokyo.zip"
  TZ=America/New_York "$make_payload" --folder "$work/viewer" --out "$work/new-york.zip"
  cmp "$work/tokyo.zip" "$work/new-york.zip" || fail "the time zone of the build changes the archive"
  TZ=Asia/Tokyo SOURCE_DATE_EPOCH=$(date -d '2024-01-01 00:00:00 UTC' +%s) \
    "$make_payload" --folder "$work/viewer" --out "$work/clamped.zip"

  # zipfile reads the DOS fields as they are stored, whatever the zone.
  python3 - "$work/tokyo.zip" "$work/clamped.zip" <<'EOF' || fail "wrong entry times"
import sys, zipfile
expected = {
    sys.argv[1]: {"p_mara64.exe": (2024, 6, 1, 23, 30, 10), "Help/": (2024, 6, 1, 23, 30, 10),
                  "p_about.txt": (2023, 2, 3, 4, 5, 6)},
    sys.argv[2]: {"p_mara64.exe": (2024, 1, 1, 0, 0, 0), "Help/": (2024, 1, 1, 0, 0, 0),
                  "p_about.txt": (2023, 2, 3, 4, 5, 6)},
}
ok = True
for archive, times in expected.items():
    with zipfile.ZipFile(archive) as zip:
        for name, time in times.items():
            found = zip.getinfo(name).date_time
            if found != time:
                print(f"{archive}: {name} carries {found}, not {time}")
                ok = False
sys.exit(0 if ok else 1)
EOF
}

case "$mode" in
  without-viewer) without_viewer ;;
  odd-names) odd_names ;;
  times) utc_times ;;
  *) fail "unknown mode" ;;
esac
rm -rf "$work"
