#!/usr/bin/env bash
# Configures and builds the setup for Windows (build/windows, the setup in
# build/dist) and the pure rules natively under the sanitizers (build/native).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release >build/windows-configure.log 2>&1 || { cat build/windows-configure.log; exit 1; }
cmake --build build/windows -j"$jobs"

if [ "${1:-}" != "--windows-only" ]; then
  cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >build/native-configure.log 2>&1 || { cat build/native-configure.log; exit 1; }
  cmake --build build/native -j"$jobs"
fi
