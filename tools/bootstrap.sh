#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: it
# only calls apt-get when a package is missing.
set -euo pipefail

packages=(
  cmake make g++ googletest
  g++-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine64 xvfb
  libminizip-dev zlib1g-dev bzip2
  osslsigncode openssl python3-pil icoutils
  # signing with a key on a token, and the test token
  libengine-pkcs11-openssl p11-kit-modules softhsm2 opensc
  # validating the winget manifest
  python3-yaml python3-jsonschema
  # the locales that give Wine other ANSI code pages (932, 65001)
  locales
  # the fuzz targets of the pure rules (tools/fuzz.sh): clang's libFuzzer
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi

# The tests run the setup under Wine with a Japanese locale (code page 932)
# and with one that has no ANSI code page (Hindi: 65001, UTF-8); a fresh
# machine has only C.UTF-8.
for locale in ja_JP hi_IN; do
  if ! locale -a 2>/dev/null | grep -qx "$locale.utf8"; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
  fi
done
