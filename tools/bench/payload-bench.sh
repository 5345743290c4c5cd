#!/usr/bin/env bash
# Prints how fast the setup unpacks its payload, next to two yardsticks, all
# in one run on this machine and in one Wine prefix:
#   (a) a silent installation by the setup itself (the whole process),
#   (b) native `unzip -o` of the same archive: the floor of inflating and
#       writing those bytes,
#   (c) a silent installation of the same files by an NSIS installer
#       (makensis, Target amd64-unicode, SetCompressor zlib).
# With a second setup program (for example the main branch's), it runs as
# contender (a') beside (a), so that both are measured in one run.
# Each figure is the median of RUNS runs (default 7) into a fresh folder;
# the contenders take turns run by run, the two setups in alternating order,
# and each run starts after the earlier runs' writes were flushed. Every process of the comparison,
# the Wine server included, runs pinned to CPU 0: unpinned, on shared cores,
# the host scheduler's round trips to the Wine server dominate the figures.
# Times are taken with `date +%s%N` around the plain command (no polling).
# Peak memory is the maximum resident set of the Wine process that runs the
# installer, as /usr/bin/time -v reports it (the program's own process:
# `wine` execs the loader in place; the Wine server is started beforehand
# and not counted).
# --large measures a payload ten times the stand-in's size instead (432
# files, about 44 MB, half text, half incompressible data; made by
# make-large-payload.py and built with `tools/build.sh --payload` into
# build/bench-large, so the tests' build stays as it is); OTHER_SETUP.exe
# must then carry the same payload.
# --full runs the setup with every option (/group=1 /desktop=1 /thumbs=1
# /assoc=1): the program group and desktop links, the thumbnail handler and
# the file associations.
# --unpinned runs every process on every core (no taskset), for the figure
# of a program that uses more than one; the counts are taken the same way.
# The NSIS installer does the same work as the setup besides the files: a
# silent run of the setup (with the same options) is recorded once in a
# prefix of its own, and every registry value it added or changed and every
# link it made is written again by the NSIS installer, with the same types and
# data (same-work-nsis.py; "Pellumara" in names renamed, so that the setup
# never takes NSIS's registration for an earlier installation of its own).
# Beside the times, it counts the Wine server's requests: after the timed
# runs the server is restarted with its request trace (`wineserver -d1`, the
# trace WINEDEBUG=+server gives) written to a file, and each contender runs
# once more, after a warm-up. Every request line of the trace ("0024:
# create_key( ...", replies are "create_key() = ...") between the
# contender's start and end is counted, whichever process sent it (the
# prefix's services included). Wine's own start is the count of a program
# that only returns 0 (start.exe, built here with the MinGW cross compiler);
# requests per archive entry are (installation - start) / entries. Unlike
# the times, the counts do not swing with the machine's load: the same
# programs on the same prefix make the same requests, give or take the few
# that the prefix's services send on their own. The request names where the
# setup makes the most more requests than NSIS are listed, the calls that
# can still be removed.
#   tools/bench/payload-bench.sh [--large] [--full] [--unpinned] [RUNS] [OTHER_SETUP.exe]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
large=0
unpinned=0
options=()
while [ $# -gt 0 ]; do
  case "$1" in
    --large) large=1 ;;
    --full) options=(/group=1 /desktop=1 /thumbs=1 /assoc=1) ;;
    --unpinned) unpinned=1 ;;
    *) break ;;
  esac
  shift
done
runs=${1:-7}
other=${2:-}
[ -z "$other" ] || other=$(realpath "$other")
pin() { if [ "$unpinned" = 1 ]; then "$@"; else taskset -c 0 "$@"; fi; }
mkdir -p build

bash tools/bootstrap.sh
need=()
for tool in makensis:nsis unzip:unzip /usr/bin/time:time taskset:util-linux; do
  command -v "${tool%%:*}" >/dev/null 2>&1 || need+=("${tool#*:}")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "bench: installing ${need[*]}"
  apt-get update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${need[@]}" >/dev/null
fi
bash tools/build.sh --windows-only >build/bench-build.log 2>&1 || { cat build/bench-build.log; exit 1; }
bash tools/wine-prefix.sh base
. tools/wine-env.sh

archive=build/windows/payload/pellumara-payload.zip
setup=build/dist/pellumara64-setup.exe
if [ "$large" = 1 ]; then
  python3 tools/bench/make-large-payload.py "$archive" build/bench-large-files
  bash tools/build.sh --payload build/bench-large-files --build-dir build/bench-large \
    >build/bench-large-build.log 2>&1 || { cat build/bench-large-build.log; exit 1; }
  archive=build/bench-large/windows/payload/pellumara-payload.zip
  setup=build/bench-large/dist/pellumara64-setup.exe
fi
files=$(unzip -Z1 "$archive" | grep -vc '/$')
entries=$(unzip -Z1 "$archive" | wc -l)
export WINEPREFIX="$BUILD_DIR/wine/run/bench"
bash tools/wine-prefix.sh fresh "$WINEPREFIX"
drive_c="$WINEPREFIX/drive_c"
bench="$drive_c/bench"
work="$BUILD_DIR/bench"
rm -rf "$work"
mkdir -p "$bench" "$work"
cp "$setup" "$bench/pellumara64-setup.exe"
[ -z "$other" ] || cp "$other" "$bench/other-setup.exe"
# Wine's own start: a program that does nothing but return 0.
printf 'int main(void) { return 0; }\n' >"$work/start.c"
x86_64-w64-mingw32-gcc-posix -O2 -s -o "$bench/start.exe" "$work/start.c"
# Wine's desktop process ends a moment after the last program that used the
# desktop, and the next program that makes a window starts it again (a
# couple of thousand server requests and tens of milliseconds), so that
# whichever contender came first after a pause would pay for it. On Windows
# the desktop is always there: a program that keeps a window and waits for
# messages holds it for the whole bench.
cat >"$work/hold.c" <<'C'
#include <windows.h>
int main(void) {
  MSG message;
  CreateWindowA("STATIC", "bench", 0, 0, 0, 0, 0, NULL, NULL, NULL, NULL);
  while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
C
x86_64-w64-mingw32-gcc-posix -O2 -s -o "$bench/hold.exe" "$work/hold.c"
hold_pid=""
hold_desktop() {
  (cd "$bench" && exec taskset -c 0 wine hold.exe >/dev/null 2>&1 </dev/null) &
  hold_pid=$!
  sleep 2
  kill -0 "$hold_pid" 2>/dev/null || { echo "bench: the program that holds the desktop ended" >&2; exit 1; }
}
release_desktop() {
  [ -z "$hold_pid" ] || kill "$hold_pid" 2>/dev/null || true
  hold_pid=""
}
# On every exit, a failed one too, nothing of the bench keeps running.
trap 'release_desktop; wineserver -k >/dev/null 2>&1 || true' EXIT

# What a silent run of the setup writes besides its files: recorded in a
# prefix of its own, after one Wine start there, so that what Wine writes on
# its first start is not taken for the setup's.
record=$BUILD_DIR/wine/run/bench-record
bash tools/wine-prefix.sh fresh "$record"
mkdir -p "$record/drive_c/bench" "$work/before" "$work/after"
cp "$bench/start.exe" "$bench/pellumara64-setup.exe" "$record/drive_c/bench/"
(
  export WINEPREFIX=$record
  cd "$record/drive_c/bench"
  wine start.exe >>"$work/record.log" 2>&1 </dev/null
  wineserver -w
  cp "$record/system.reg" "$record/user.reg" "$work/before/"
  touch "$work/before/marker"
  wine pellumara64-setup.exe /silent '/folder=C:\bench\record' "${options[@]}" >>"$work/record.log" 2>&1 </dev/null
  wineserver -w
  cp "$record/system.reg" "$record/user.reg" "$work/after/"
) || { echo "bench: the recorded run of the setup failed" >&2; cat "$work/record.log" >&2; exit 1; }
(cd "$record/drive_c" && find . -name '*.lnk' -newer "$work/before/marker" ! -path './bench/*') |
  sed -e 's|^\./|C:\\|' -e 's|/|\\|g' >"$work/links.txt"
same_work=$(python3 tools/bench/same-work-nsis.py "$work/before" "$work/after" 'C:\bench\record' \
  "$work/links.txt" "$work/same-work.nsh")
rm -rf "$record"

# The NSIS installer of the very same files, with their times.
unzip -q "$archive" -d "$work/files"
cat >"$work/pellumara.nsi" <<'NSI'
Unicode true
Target amd64-unicode
SetCompressor zlib
Name "Pellumara"
OutFile "nsis-pellumara.exe"
InstallDir "C:\bench\nsis"
RequestExecutionLevel admin
Section
  SetOutPath "$INSTDIR"
  File /r "files\*"
  !include "same-work.nsh"
SectionEnd
NSI
(cd "$work" && makensis -V1 pellumara.nsi >"$work/makensis.log" 2>&1) || { cat "$work/makensis.log"; exit 1; }
cp "$work/nsis-pellumara.exe" "$bench/"

wineserver -k >/dev/null 2>&1 || true
pin wineserver -p >/dev/null 2>&1 </dev/null

now_ns() { date +%s%N; }
# Runs a command, appends "milliseconds peak-kilobytes" to a file.
measure() {
  local out=$1
  shift
  local start end
  # Earlier runs' writes are flushed first, so that no run pays for them.
  sync
  start=$(now_ns)
  pin /usr/bin/time -v -o "$work/time.txt" "$@" >>"$work/output.log" 2>&1 </dev/null || {
    echo "bench: failed: $*" >&2
    cat "$work/output.log" >&2
    exit 1
  }
  end=$(now_ns)
  local peak
  peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
  echo "$(( (end - start) / 1000000 )) $peak" >>"$out"
}
median() { cut -d' ' -f"$2" "$1" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
fastest() { cut -d' ' -f1 "$1" | sort -n | sed -n 1p; }

# Warm-up: the first Wine process of a prefix starts its services.
hold_desktop
warm_up() {
  local tag=$1
  (cd "$bench" && pin wine start.exe >>"$work/output.log" 2>&1 </dev/null)
  [ -z "$other" ] || (cd "$bench" && pin wine other-setup.exe /silent "/folder=C:\\bench\\$tag-other" "${options[@]}" >>"$work/output.log" 2>&1 </dev/null)
  (cd "$bench" && pin wine pellumara64-setup.exe /silent "/folder=C:\\bench\\$tag-setup" "${options[@]}" >>"$work/output.log" 2>&1 </dev/null)
  (cd "$bench" && pin wine nsis-pellumara.exe /S "/D=C:\\bench\\$tag-nsis" >>"$work/output.log" 2>&1 </dev/null)
}
warm_up warm

for i in $(seq "$runs"); do
  cd "$bench"
  # The contender that goes second runs while the first one's writes are
  # still being flushed: the two swap places run by run.
  if [ -n "$other" ] && [ $((i % 2)) = 0 ]; then
    measure "$work/a2" wine other-setup.exe /silent "/folder=C:\\bench\\other-$i" "${options[@]}"
    measure "$work/a" wine pellumara64-setup.exe /silent "/folder=C:\\bench\\setup-$i" "${options[@]}"
  else
    measure "$work/a" wine pellumara64-setup.exe /silent "/folder=C:\\bench\\setup-$i" "${options[@]}"
    [ -z "$other" ] || measure "$work/a2" wine other-setup.exe /silent "/folder=C:\\bench\\other-$i" "${options[@]}"
  fi
  measure "$work/c" wine nsis-pellumara.exe /S "/D=C:\\bench\\nsis-$i"
  measure "$work/b" unzip -o -q "$root/$archive" -d "$bench/unzip-$i"
  measure "$work/floor" wine start.exe
  cd "$root"
done

# Every run must have unpacked every file.
for i in $(seq "$runs"); do
  for kind in setup nsis unzip ${other:+other}; do
    count=$(find "$bench/$kind-$i" -type f ! -name p_mara64.ini | wc -l)
    [ "$count" = "$files" ] || { echo "bench: $kind-$i holds $count files, not $files" >&2; exit 1; }
  done
done
release_desktop
wineserver -k >/dev/null 2>&1 || true

# The counts: the Wine server again, now writing its request trace, and each
# contender once more after a warm-up under that server.
trace=$work/server-trace.txt
wineserver -w >/dev/null 2>&1 || true
pin wineserver -d1 -p >/dev/null 2>"$trace" </dev/null
hold_desktop
warm_up trace-warm
request_line='^[0-9a-f]+: [a-z_0-9]+\( '
# Runs a command once under the tracing server and keeps the requests of its
# time: their number in $work/count-TAG, per request name in $work/names-TAG.
count() {
  local tag=$1
  shift
  local first last
  first=$(wc -l <"$trace")
  (cd "$bench" && pin "$@" >>"$work/output.log" 2>&1 </dev/null) || {
    echo "bench: failed under the tracing server: $*" >&2
    exit 1
  }
  last=$(wc -l <"$trace")
  sed -n "$((first + 1)),${last}p" "$trace" | grep -E "$request_line" | sed -E 's/^[0-9a-f]+: ([a-z_0-9]+)\( .*/\1/' |
    sort | uniq -c | awk '{ print $2, $1 }' >"$work/names-$tag" || true
  awk '{ n += $2 } END { print n + 0 }' "$work/names-$tag" >"$work/count-$tag"
  if [ "$(cat "$work/count-$tag")" = 0 ]; then
    echo "bench: no server request was traced for $tag ($*); is the trace written to $trace?" >&2
    exit 1
  fi
}
count start wine start.exe
count setup wine pellumara64-setup.exe /silent '/folder=C:\bench\trace-setup' "${options[@]}"
[ -z "$other" ] || count other wine other-setup.exe /silent '/folder=C:\bench\trace-other' "${options[@]}"
count nsis wine nsis-pellumara.exe /S '/D=C:\bench\trace-nsis'
release_desktop
wineserver -k >/dev/null 2>&1 || true
for kind in setup nsis ${other:+other}; do
  count=$(find "$bench/trace-$kind" -type f ! -name p_mara64.ini | wc -l)
  [ "$count" = "$files" ] || { echo "bench: trace-$kind holds $count files, not $files" >&2; exit 1; }
done
start_requests=$(cat "$work/count-start")
for kind in setup nsis ${other:+other}; do
  [ "$(cat "$work/count-$kind")" -gt "$start_requests" ] || {
    echo "bench: $kind made $(cat "$work/count-$kind") requests, no more than Wine's start ($start_requests)" >&2
    exit 1
  }
done

a=$(median "$work/a" 1); b=$(median "$work/b" 1); c=$(median "$work/c" 1); floor=$(median "$work/floor" 1)
a_peak=$(median "$work/a" 2); c_peak=$(median "$work/c" 2)
ratio() { awk -v x="$1" -v y="$2" 'BEGIN { printf "%.2f", x / y }'; }
echo "== payload: $(stat -c %s "$archive") bytes compressed, $(unzip -l "$archive" | tail -1 | awk '{ print $1 }') unpacked, $entries entries; $runs runs each"
# The machine may be shared: the fastest run is printed beside the median.
echo "(a) setup, silent installation:      ${a} ms (fastest $(fastest "$work/a") ms)   peak resident ${a_peak} kB"
echo "(b) native unzip -o:                 ${b} ms (fastest $(fastest "$work/b") ms)"
echo "(c) NSIS installer, silent:          ${c} ms (fastest $(fastest "$work/c") ms)   peak resident ${c_peak} kB"
if [ -n "$other" ]; then
  a2=$(median "$work/a2" 1)
  echo "(a') $(basename "$other"), silent:   ${a2} ms (fastest $(fastest "$work/a2") ms)   peak resident $(median "$work/a2" 2) kB"
  echo "a'/c = $(ratio "$a2" "$c")   a'/b = $(ratio "$a2" "$b")   a/a' = $(ratio "$a" "$a2")"
fi
echo "    Wine start of a trivial program: ${floor} ms (part of (a) and (c))"
echo "a/c = $(ratio "$a" "$c")   (goal <= 1.0)"
echo "a/b = $(ratio "$a" "$b")   (goal <= 1.5)"
echo "without the Wine start: (a - start)/b = $(ratio "$((a - floor))" "$b"), (a - start)/(c - start) = $(ratio "$((a - floor))" "$((c - floor))")"

requests() { cat "$work/count-$1"; }
per_entry() { awk -v x="$(requests "$1")" -v s="$start_requests" -v e="$entries" 'BEGIN { printf "%.1f", (x - s) / e }'; }
# Requests on keys and values (their names hold "key"), less those of Wine's
# start, per registry value written (the NSIS installer writes the same ones).
key_requests() { awk '$1 ~ /key/ { n += $2 } END { print n + 0 }' "$work/names-$1"; }
per_value() {
  awk -v x="$(key_requests "$1")" -v s="$(key_requests start)" -v v="$values" 'BEGIN { printf "%.1f", (x - s) / v }'
}
values=${same_work%% *}
echo "== Wine server requests, one traced run each (they do not swing with the machine's load)"
echo "    Wine's start (start.exe, returns 0): $start_requests"
printf '    %-28s %10s %13s %17s\n' "" "requests" "per entry" "key requests"
printf '    %-28s %10s %13s %17s\n' "" "" "(minus start)" "per value"
printf '    %-28s %10s %13s %17s\n' "(a) setup" "$(requests setup)" "$(per_entry setup)" "$(per_value setup)"
[ -z "$other" ] || printf '    %-28s %10s %13s %17s\n' "(a') $(basename "$other")" "$(requests other)" "$(per_entry other)" "$(per_value other)"
printf '    %-28s %10s %13s %17s\n' "(c) NSIS" "$(requests nsis)" "$(per_entry nsis)" "$(per_value nsis)"
echo "    a - c = $(( $(requests setup) - $(requests nsis) )) requests   (goal: per entry at most NSIS's)"
echo "    besides the files, both write $same_work (recorded from the setup)"
echo "== where the setup makes more requests than NSIS (top 10; per entry = difference / $entries)"
printf '    %-28s %8s %8s %8s %10s\n' request setup NSIS more "per entry"
join -a1 -a2 -e 0 -o 0,1.2,2.2 <(sort "$work/names-setup") <(sort "$work/names-nsis") |
  awk -v e="$entries" '{ printf "    %-28s %8d %8d %8d %10.2f\n", $1, $2, $3, $2 - $3, ($2 - $3) / e }' |
  sort -k4,4nr | sed -n 1,10p
