#!/usr/bin/env bash
# Builds the setup and runs its main job: a silent installation into a fresh
# Wine prefix, then prints what was installed where and the exit code.
#   tools/main.sh [SETUP OPTIONS...]
# Without options it installs with
#   /silent /folder=C:\Tools\Pellumara /group=1 /desktop=1 /thumbs=1 /assoc=1
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mkdir -p build

bash tools/bootstrap.sh
bash tools/build.sh --windows-only
bash tools/wine-prefix.sh base
. tools/wine-env.sh

if [ $# -eq 0 ]; then
  set -- /silent '/folder=C:\Tools\Pellumara' /group=1 /desktop=1 /thumbs=1 /assoc=1
fi

export WINEPREFIX="$BUILD_DIR/wine/run/main"
bash tools/wine-prefix.sh fresh "$WINEPREFIX"
drive_c="$WINEPREFIX/drive_c"
start_dir="$drive_c/setup-start"
mkdir -p "$start_dir"
cp build/dist/pellumara64-setup.exe "$start_dir/"

echo "== pellumara64-setup.exe $*"
wineserver -p >/dev/null 2>&1 </dev/null
status=0
(cd "$start_dir" && wine pellumara64-setup.exe "$@" >"$BUILD_DIR/wine/main-output.log" 2>&1 </dev/null) || status=$?
bash tools/show-installation.sh "$WINEPREFIX" "$start_dir"
echo "== exit code: $status"
wineserver -k >/dev/null 2>&1 || true
