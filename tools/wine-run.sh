#!/usr/bin/env bash
# Runs one Windows program under Wine the way the tests need it: in a fresh
# copy of the base prefix named after the program, with an X server of its
# own, and with Wine's output sent to a file (Wine's server outlives the
# program and would keep a pipe open).
#   wine-run.sh PROGRAM.exe [ARGS...]
# PELLUMARA_PREFIX_NAME overrides the prefix's name; PELLUMARA_KEEP_PREFIX=1
# reuses an existing prefix of that name instead of a fresh copy, and keeps
# it afterwards; PELLUMARA_LEAVE_PREFIX=1 keeps a fresh one for a caller that
# reads it after the run (and removes it itself); any other prefix is removed
# when the run ends, since each takes about 700 MB;
# PELLUMARA_WINDOWS_VERSION (for example win7) sets the Windows version the
# prefix reports before the program starts; PELLUMARA_LOCALE (for example
# ja_JP.UTF-8, whose ANSI code page is 932) is the locale of the Wine server
# and the program, which chooses their code page; PELLUMARA_DPI (for example 192
# for 200 % display scaling) sets the screen's DPI the same way.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

program=${1:?usage: wine-run.sh PROGRAM.exe [ARGS...]}
shift
name=${PELLUMARA_PREFIX_NAME:-$(basename "$program" .exe)}
export WINEPREFIX="$BUILD_DIR/wine/run/$name"
if [ "${PELLUMARA_KEEP_PREFIX:-0}" != 1 ] || [ ! -d "$WINEPREFIX" ]; then
  bash "$here/wine-prefix.sh" fresh "$WINEPREFIX" || exit 125
fi

if [ -n "${PELLUMARA_LOCALE:-}" ]; then
  export LANG="$PELLUMARA_LOCALE" LC_ALL="$PELLUMARA_LOCALE"
fi

work=$(mktemp -d)
cleanup() {
  WINEPREFIX="$WINEPREFIX" wineserver -k >/dev/null 2>&1
  if [ "${PELLUMARA_KEEP_PREFIX:-0}" != 1 ] && [ "${PELLUMARA_LEAVE_PREFIX:-0}" != 1 ]; then
    WINEPREFIX="$WINEPREFIX" wineserver -w >/dev/null 2>&1
    rm -rf "$WINEPREFIX"
  fi
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# An X server for programs that make windows; -displayfd picks a free display.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"

wineserver -p >/dev/null 2>&1 </dev/null
if [ -n "${PELLUMARA_WINDOWS_VERSION:-}" ]; then
  wine winecfg -v "$PELLUMARA_WINDOWS_VERSION" >"$work/winecfg" 2>&1 </dev/null || { cat "$work/winecfg"; exit 125; }
fi
if [ -n "${PELLUMARA_DPI:-}" ]; then
  # Read by every Wine process at its start from these two places; the
  # server is restarted so that no process of the old setting lives on.
  for key in 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
             'HKCU\Control Panel\Desktop'; do
    wine reg add "$key" /v LogPixels /t REG_DWORD /d "$PELLUMARA_DPI" /f >"$work/dpi" 2>&1 </dev/null ||
      { cat "$work/dpi"; exit 125; }
  done
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  wineserver -p >/dev/null 2>&1 </dev/null
fi
wine "$program" "$@" >"$work/output" 2>&1 </dev/null
status=$?
cat "$work/output"
exit $status
