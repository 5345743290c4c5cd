#!/usr/bin/env bash
# Builds the setup of one commit in two fresh clones, in folders of different
# names and depths and in two time zones far apart (one with summer time),
# and prints the SHA-256 of both files: one hash means the setup is
# byte-identical whichever checkout, and wherever on earth, built it. Run it
# before a release, with the release's payload and version; it is not part of
# the test suite (two builds take minutes).
#   tools/check-reproducible.sh [--payload PATH] [--version MAJOR.MINOR] [COMMIT]
# COMMIT defaults to HEAD; SOURCE_DATE_EPOCH, when set, reaches both builds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage="usage: tools/check-reproducible.sh [--payload FOLDER|ARCHIVE.zip] [--version MAJOR.MINOR] [COMMIT]"
payload=""
version=()
revision=HEAD
while [ $# -gt 0 ]; do
  case "$1" in
    --payload) [ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }
      payload=$(realpath -e -- "$2") || { echo "check-reproducible: $2 does not exist" >&2; exit 1; }
      shift ;;
    --version) [ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }; version=(-DPELLUMARA_VERSION="$2"); shift ;;
    -*) echo "$usage" >&2; exit 2 ;;
    *) revision=$1 ;;
  esac
  shift
done
commit=$(git -C "$root" rev-parse --verify "$revision^{commit}")
bash "$root/tools/bootstrap.sh"

work=$(mktemp -d /tmp/pellumara-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
checkouts=("$work/a" "$work/second/checkout-with-a-longer-name")
zones=(Asia/Tokyo America/New_York)
for i in 0 1; do
  checkout=${checkouts[$i]}
  git clone -q --no-checkout "$root" "$checkout"
  git -C "$checkout" checkout -q --detach "$commit"
  mkdir -p "$checkout/build"
  # minizip's sources once fetched need not be fetched again; they are
  # Debian's files, the same in every checkout.
  [ -d "$root/build/minizip" ] && cp -a "$root/build/minizip" "$checkout/build/"
  echo "== building $commit in $checkout with TZ=${zones[$i]}"
  (cd "$checkout" && export TZ=${zones[$i]} &&
    cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=Release -DPELLUMARA_PAYLOAD="$payload" "${version[@]}" >build/configure.log 2>&1 &&
    cmake --build build/windows -j"$(nproc)" --target pellumara64-setup >build/build.log 2>&1) || {
    cat "$checkout/build/configure.log" "$checkout/build/build.log" 2>/dev/null | tail -40
    exit 1
  }
done

hashes=()
for checkout in "${checkouts[@]}"; do
  setup="$checkout/build/dist/pellumara64-setup.exe"
  hashes+=("$(sha256sum "$setup" | cut -d' ' -f1)")
  echo "${hashes[-1]}  $(stat -c %s "$setup") bytes  ${setup#"$work"/}"
done
if [ "${hashes[0]}" != "${hashes[1]}" ]; then
  cmp -l "${checkouts[0]}/build/dist/pellumara64-setup.exe" "${checkouts[1]}/build/dist/pellumara64-setup.exe" | head -20
  echo "check-reproducible: the two setups differ"
  exit 1
fi
echo "check-reproducible: one hash for two checkouts in two time zones: ${hashes[0]}"
