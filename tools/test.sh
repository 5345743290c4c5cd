#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite:
# the pure rules natively under AddressSanitizer and UBSan, then the Windows
# tests under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mkdir -p build

bash tools/bootstrap.sh
bash tools/build.sh
bash tools/wine-prefix.sh base

status=0
(cd build/native && ctest --output-on-failure) || status=1
(cd build/windows && ctest --output-on-failure) || status=1
exit $status
