#!/usr/bin/env bash
# Builds the setup of one commit in two fresh clones, in folders of different
# names and depths, and prints the SHA-256 of both files: one hash means the
# setup is byte-identical whichever checkout built it. Run it before a
# release; it is not part of the test suite (two builds take minutes).
#   tools/check-reproducible.sh [--payload PATH] [COMMIT]    (default: HEAD)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
payload=""
revision=HEAD
while [ $# -gt 0 ]; do
  case "$1" in
    --payload) payload=$(realpath -e -- "${2:?--payload needs a folder or a .zip}"); shift ;;
    *) revision=$1 ;;
  esac
  shift
done
commit=$(git -C "$root" rev-parse --verify "$revision^{commit}")
bash "$root/tools/bootstrap.sh"

work=$(mktemp -d /tmp/pellumara-reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
checkouts=("$work/a" "$work/second/checkout-with-a-longer-name")
for checkout in "${checkouts[@]}"; do
  git clone -q --no-checkout "$root" "$checkout"
  git -C "$checkout" checkout -q --detach "$commit"
  mkdir -p "$checkout/build"
  # minizip's sources once fetched need not be fetched again; they are
  # Debian's files, the same in every checkout.
  [ -d "$root/build/minizip" ] && cp -a "$root/build/minizip" "$checkout/build/"
  echo "== building $commit in $checkout"
  (cd "$checkout" &&
    cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
      -DCMAKE_BUILD_TYPE=Release -DPELLUMARA_PAYLOAD="$payload" >build/configure.log 2>&1 &&
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
echo "check-reproducible: one hash for two checkouts: ${hashes[0]}"
