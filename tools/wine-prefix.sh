#!/usr/bin/env bash
# Creates the project's base Wine prefix once (build/wine/base) and makes a
# fresh copy of it on request:
#   wine-prefix.sh base          make the base prefix if it is missing
#   wine-prefix.sh fresh DIR     replace DIR by a copy of the base prefix
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

make_base() {
  [ -f "$WINE_BASE_PREFIX/.ready" ] && return 0
  rm -rf "$WINE_BASE_PREFIX"
  mkdir -p "$WINE_BASE_PREFIX"
  echo "wine-prefix: creating $WINE_BASE_PREFIX"
  WINEPREFIX="$WINE_BASE_PREFIX" wineboot -i >"$BUILD_DIR/wine/wineboot.log" 2>&1 </dev/null
  WINEPREFIX="$WINE_BASE_PREFIX" wineserver -w
  # A new prefix links Desktop, Documents and the like to $HOME; give it real
  # folders so that no run writes outside the build folder.
  local profile
  for profile in "$WINE_BASE_PREFIX"/drive_c/users/*; do
    [ -d "$profile" ] || continue
    local entry
    for entry in "$profile"/* "$profile"/AppData/Roaming/Microsoft/Windows/Templates; do
      if [ -L "$entry" ]; then
        rm -f "$entry"
        mkdir -p "$entry"
      fi
    done
  done
  touch "$WINE_BASE_PREFIX/.ready"
}

case "${1:-base}" in
  base)
    make_base
    ;;
  fresh)
    target=${2:?fresh needs a folder}
    make_base
    if [ -d "$target" ]; then
      WINEPREFIX="$target" wineserver -k 2>/dev/null || true
      rm -rf "$target"
    fi
    mkdir -p "$(dirname "$target")"
    cp -a "$WINE_BASE_PREFIX" "$target"
    ;;
  *)
    echo "usage: $0 base | fresh DIR" >&2
    exit 2
    ;;
esac
