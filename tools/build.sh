#!/usr/bin/env bash
# Installs what the build lacks, then configures and builds the setup for
# Windows (build/windows, the setup in build/dist) and the pure rules natively
# under the sanitizers (build/native).
#   tools/build.sh [--windows-only] [--payload PATH] [--version MAJOR.MINOR] [--build-dir DIR]
# --payload builds only the setup, around the viewer's own files: PATH is a
# folder of them or a ready .zip. Without it the setup carries the stand-in
# payload that the tests expect. --version sets the version the setup shows
# and registers (default 4.41); without it the default applies again; the
# change list src/resources/whats_new.txt must head the same version.
# The setup of an earlier build is removed first, so that after a failed
# build build/dist holds no setup that could pass for its result.
# --build-dir builds into another folder than build/ (the setup then in
# DIR/dist), so that a setup with another payload leaves the tests' build
# alone; minizip's sources are still taken from build/minizip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
usage="usage: tools/build.sh [--windows-only] [--payload FOLDER|ARCHIVE.zip] [--version MAJOR.MINOR] [--build-dir DIR]"
windows_only=0
payload=""
version=()
build=build
while [ $# -gt 0 ]; do
  case "$1" in
    --windows-only) windows_only=1 ;;
    --payload)
      [ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }
      payload=$(realpath -e -- "$2") || { echo "build.sh: $2 does not exist" >&2; exit 1; }
      shift ;;
    --version)
      [ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }
      version=(-DPELLUMARA_VERSION="$2")
      shift ;;
    --build-dir)
      [ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }
      build=$(realpath -m -- "$2")
      shift ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
  shift
done
[ ${#version[@]} -gt 0 ] || version=(-UPELLUMARA_VERSION)
# The seams the tests set exist only in the setup around the stand-in
# viewer, which the tests run and which is never signed.
seams=-DPELLUMARA_TEST_SEAMS=ON
[ -z "$payload" ] || seams=-DPELLUMARA_TEST_SEAMS=OFF
cd "$root"
rm -f "$build/dist/pellumara64-setup.exe"
mkdir -p build "$build"
bash tools/bootstrap.sh
jobs=$(nproc 2>/dev/null || echo 2)

minizip=()
[ "$build" = build ] || minizip=(-DPELLUMARA_MINIZIP_DIR="$root/build/minizip")
cmake -S . -B "$build/windows" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DPELLUMARA_PAYLOAD="$payload" "$seams" "${version[@]}" "${minizip[@]}" \
  >"$build/windows-configure.log" 2>&1 || { cat "$build/windows-configure.log"; exit 1; }
if [ -n "$payload" ]; then
  cmake --build "$build/windows" -j"$jobs" --target pellumara64-setup
  setup=$build/dist/pellumara64-setup.exe
  echo "build.sh: $setup ($(stat -c %s "$setup") bytes) carries $payload" \
       "($(stat -c %s "$build/windows/payload/pellumara-payload.zip") bytes packed)"
  exit 0
fi
cmake --build "$build/windows" -j"$jobs"

if [ "$windows_only" -eq 0 ]; then
  cmake -S . -B "$build/native" -DCMAKE_BUILD_TYPE=Debug "${version[@]}" \
    >"$build/native-configure.log" 2>&1 || { cat "$build/native-configure.log"; exit 1; }
  cmake --build "$build/native" -j"$jobs"
fi
