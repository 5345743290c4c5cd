#!/usr/bin/env bash
# Prints what a setup run left in a Wine prefix: new files (with sizes),
# shortcuts, the setup's registry keys and the setup log.
#   show-installation.sh PREFIX START_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
export WINEPREFIX=${1:?prefix}
start_dir=${2:?start folder}

list_files() {
  (cd "$1/drive_c" && find . -path ./windows -prune -o -type f -printf '%P\t%s\n' | sort)
}

echo "== files written (compared with a fresh prefix)"
new_files=$(comm -13 <(list_files "$WINE_BASE_PREFIX") <(list_files "$WINEPREFIX") \
  | grep -v -e '^setup-start/pellumara64-setup.exe' -e '^users/[^/]*/AppData/Local/Temp/' \
            -e '\.reg	' -e '^ProgramData/Microsoft/Windows/Start Menu/Programs/Wine/' || true)
if [ -z "$new_files" ]; then
  echo "   (none)"
else
  printf '%s\n' "$new_files" | awk -F'\t' '{ printf "   C:\\%s  (%s bytes)\n", $1, $2 }' | tr '/' '\\'
  echo "   $(printf '%s\n' "$new_files" | wc -l) files"
fi

echo "== shortcuts"
links=$(printf '%s\n' "$new_files" | cut -f1 | grep -i '\.lnk$' || true)
if [ -n "$links" ]; then
  printf '%s\n' "$links" | sed 's|^|   C:/|' | tr '/' '\\'
else
  echo "   (none)"
fi

# One export per hive part, read as UTF-8 text; far quicker than a reg
# query per key.
export_key() {
  local file=$work/$2.reg
  wine reg export "$1" 'C:\\export.reg' /y >/dev/null 2>&1 || { : >"$file"; return; }
  iconv -f UTF-16 -t UTF-8 "$WINEPREFIX/drive_c/export.reg" | tr -d '\r' >"$file"
  rm -f "$WINEPREFIX/drive_c/export.reg"
}
# The keys of a .reg text whose path matches, with their values.
show_keys() {
  pattern=$2 awk '
    /^\[/ { show = ($0 ~ ENVIRON["pattern"]) }
    show && NF { print "   " $0 }' "$work/$1.reg"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export_key 'HKLM\SOFTWARE\Classes' classes
export_key 'HKLM\SOFTWARE\Pellumara' app
export_key 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pellumara64' uninstall
export_key 'HKLM\SOFTWARE\RegisteredApplications' registered
export_key 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts' choices

echo "== registry"
show_keys classes 'Classes\\(Pellumara\\|Pellumara\]|Applications\\p_mara64|(Directory|Drive)\\shell\\Browse with)'
show_keys app 'Pellumara(\\shell|\\Capabilities\]|\])'
show_keys uninstall 'Pellumara64'
if [ -s "$work/registered.reg" ]; then
  grep '^"Pellumara"=' "$work/registered.reg" | sed 's/^/   RegisteredApplications: /'
else
  echo "   RegisteredApplications: no such key on this system, so not listed there"
fi
echo "   ProgID keys Pellumara.*: $(grep -c -E '^\[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Pellumara\.[^\\]*\]$' "$work/classes.reg")"
echo "   capability values: $(awk '/^\[/ { in_key = /Capabilities\\FileAssociations\]$/ } in_key && /^"\./' "$work/app.reg" | wc -l)"
echo "   extensions whose default is a Pellumara ProgID: $(awk '/^\[/ { ext = /Classes\\\.[^\\]*\]$/ } ext && /^@="Pellumara\./' "$work/classes.reg" | wc -l)"
echo "   user choices for Pellumara: $(grep -c '^"Progid"="Pellumara\.' "$work/choices.reg")"

echo "== setup log"
if [ -f "$start_dir/Pellumara_Install.log" ]; then
  sed 's/^/   /' "$start_dir/Pellumara_Install.log" | tr -d '\r' | iconv -f CP1252 -t UTF-8
else
  echo "   (no log: nothing went wrong)"
fi
