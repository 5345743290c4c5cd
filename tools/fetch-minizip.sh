#!/usr/bin/env bash
# Puts minizip's unzip part (unzip.c, ioapi.c, iowin32.c and their headers)
# from Debian's own zlib source package into a folder of the build, once.
# Debian ships no minizip built for MinGW, so the cross build compiles these
# files itself. The source package is fetched with apt-get through a private
# configuration inside the build folder: deb-src lines for the machine's own
# suites, private lists and cache; the system's apt configuration is neither
# read for sources nor changed.
#   fetch-minizip.sh OUT_DIR
set -euo pipefail
out=${1:?usage: fetch-minizip.sh OUT_DIR}
files=(unzip.c unzip.h ioapi.c ioapi.h iowin32.c iowin32.h crypt.h)

ready() {
  local f
  for f in "${files[@]}"; do [ -s "$out/$f" ] || return 1; done
}
ready && exit 0

work="$out.work"
rm -rf "$work"
mkdir -p "$work/sources" "$work/lists/partial" "$work/cache/archives/partial" "$work/download"
# The machine's own suites as source lines; Debian 12's if it has none.
system_sources=/etc/apt/sources.list.d/debian.sources
if [ -f "$system_sources" ] && grep -q '^Types: *deb *$' "$system_sources"; then
  sed 's/^Types: *deb *$/Types: deb-src/' "$system_sources" >"$work/sources/zlib-src.sources"
else
  cat >"$work/sources/zlib-src.sources" <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
fi
release=$(awk '/^Suites:/ { print $2; exit }' "$work/sources/zlib-src.sources")

apt_options=(
  -o Dir::Etc::SourceList=/dev/null
  -o "Dir::Etc::SourceParts=$work/sources"
  -o "Dir::State::Lists=$work/lists"
  -o "Dir::Cache=$work/cache"
  -o Debug::NoLocking=1
  -o APT::Sandbox::User=root
  -q
)
echo "fetch-minizip: fetching Debian's zlib source package"
apt-get "${apt_options[@]}" update >"$work/apt-update.log" 2>&1 || { cat "$work/apt-update.log"; exit 1; }
# The newest version first; a mirror may lack a security pool's sources, so
# the release's own version serves as well.
fetched=0
for wanted in zlib "zlib/${release:-bookworm}"; do
  rm -f "$work"/download/*
  if (cd "$work/download" && apt-get "${apt_options[@]}" source --download-only "$wanted") \
      >>"$work/apt-source.log" 2>&1; then
    fetched=1
    break
  fi
done
[ "$fetched" = 1 ] || { cat "$work/apt-source.log"; exit 1; }

# The upstream tarball holds contrib/minizip. Debian's patches change only
# minizip's Makefile and its zip part, not these unzip files, so the tarball
# is unpacked without them.
orig=$(ls "$work"/download/zlib_*.orig.tar.* | head -n 1)
mkdir -p "$work/unpacked"
tar -xf "$orig" -C "$work/unpacked"
minizip_dir=$(find "$work/unpacked" -type d -path '*/contrib/minizip' | head -n 1)
[ -n "$minizip_dir" ] || { echo "fetch-minizip: no contrib/minizip in $orig" >&2; exit 1; }
mkdir -p "$out"
for f in "${files[@]}"; do cp "$minizip_dir/$f" "$out/$f"; done
basename "$orig" >"$out/SOURCE"
rm -rf "$work"
ready
