#!/usr/bin/env bash
# A folder of the viewer's files packed in two time zones gives the same
# archive, its entries carrying their times in UTC; with SOURCE_DATE_EPOCH
# set, later times are clamped to it and earlier ones kept.
#   payload_folder_times.sh MAKE-PAYLOAD STAND-IN.zip WORK-DIR
set -euo pipefail
make_payload=${1:?packer}
archive=${2:?stand-in archive}
work=${3:?work folder}
fail() { echo "payload_folder_times: $*"; exit 1; }
rm -rf "$work"
mkdir -p "$work/viewer"
(cd "$work/viewer" && cmake -E tar xf "$archive")
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
rm -rf "$work"
