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
#   tools/bench/payload-bench.sh [--large] [RUNS] [OTHER_SETUP.exe]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
large=0
if [ "${1:-}" = --large ]; then
  large=1
  shift
fi
runs=${1:-7}
other=${2:-}
[ -z "$other" ] || other=$(realpath "$other")
pin() { taskset -c 0 "$@"; }
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
cp build/windows/payload/programs/payload_standin_program.exe "$bench/standin.exe"

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
fastest() { cut -d' ' -f1 "$1" | sort -n | head -n 1; }

# Warm-up: the first Wine process of a prefix starts its services.
(cd "$bench" && pin wine standin.exe >>"$work/output.log" 2>&1 </dev/null)
[ -z "$other" ] || (cd "$bench" && pin wine other-setup.exe /silent '/folder=C:\bench\warm-other' >>"$work/output.log" 2>&1 </dev/null)
(cd "$bench" && pin wine pellumara64-setup.exe /silent '/folder=C:\bench\warm-setup' >>"$work/output.log" 2>&1 </dev/null)
(cd "$bench" && pin wine nsis-pellumara.exe /S '/D=C:\bench\warm-nsis' >>"$work/output.log" 2>&1 </dev/null)

for i in $(seq "$runs"); do
  cd "$bench"
  # The contender that goes second runs while the first one's writes are
  # still being flushed: the two swap places run by run.
  if [ -n "$other" ] && [ $((i % 2)) = 0 ]; then
    measure "$work/a2" wine other-setup.exe /silent "/folder=C:\\bench\\other-$i"
    measure "$work/a" wine pellumara64-setup.exe /silent "/folder=C:\\bench\\setup-$i"
  else
    measure "$work/a" wine pellumara64-setup.exe /silent "/folder=C:\\bench\\setup-$i"
    [ -z "$other" ] || measure "$work/a2" wine other-setup.exe /silent "/folder=C:\\bench\\other-$i"
  fi
  measure "$work/c" wine nsis-pellumara.exe /S "/D=C:\\bench\\nsis-$i"
  measure "$work/b" unzip -o -q "$root/$archive" -d "$bench/unzip-$i"
  measure "$work/floor" wine standin.exe
  cd "$root"
done

# Every run must have unpacked every file.
for i in $(seq "$runs"); do
  for kind in setup nsis unzip ${other:+other}; do
    count=$(find "$bench/$kind-$i" -type f ! -name p_mara64.ini | wc -l)
    [ "$count" = "$files" ] || { echo "bench: $kind-$i holds $count files, not $files" >&2; exit 1; }
  done
done
wineserver -k >/dev/null 2>&1 || true

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
