#!/usr/bin/env bash
# The setup signed with a throwaway certificate made by openssl: osslsigncode
# accepts the signature, and the signed file still installs silently.
#   signed_setup.sh SETUP.exe WORK-DIR     (BUILD_DIR: the build folder)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
setup=${1:?setup}
work=${2:?work folder}
fail() { echo "signed_setup: $*"; exit 1; }
rm -rf "$work"
mkdir -p "$work"

openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Pellumara test signature" \
  -keyout "$work/key.pem" -out "$work/cert.pem" >"$work/openssl.log" 2>&1 || fail "openssl req: $(cat "$work/openssl.log")"
echo throwaway >"$work/password"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout "file:$work/password" \
  -out "$work/cert.pfx" >>"$work/openssl.log" 2>&1 || fail "openssl pkcs12: $(cat "$work/openssl.log")"

signed="$work/pellumara64-setup.exe"
cp "$setup" "$signed"
bash "$root/tools/sign.sh" "$signed" "$work/cert.pfx" "$work/password" --ca-file "$work/cert.pem" ||
  fail "tools/sign.sh failed"
osslsigncode verify -in "$signed" -CAfile "$work/cert.pem" >"$work/verify.log" 2>&1 ||
  fail "osslsigncode verify refused the signature: $(cat "$work/verify.log")"
grep -q 'Message digest algorithm *: SHA256' "$work/verify.log" || fail "not signed with SHA-256: $(cat "$work/verify.log")"

export PELLUMARA_PREFIX_NAME=signed_setup PELLUMARA_LEAVE_PREFIX=1
status=0
bash "$root/tools/wine-run.sh" "$signed" /silent '/folder=C:\Signed\Pellumara' || status=$?
[ "$status" -eq 0 ] || fail "the signed setup ended with $status"
folder="$BUILD_DIR/wine/run/signed_setup/drive_c/Signed/Pellumara"
for file in p_mara64.exe pm_uninstall.exe Help/p_mara32_deutsch.chm Toolbars/Tavrel_16.png; do
  [ -s "$folder/$file" ] || fail "$file was not installed"
done
rm -rf "$work" "$BUILD_DIR/wine/run/signed_setup"
echo "signed_setup: signature verified, signed setup installed"
