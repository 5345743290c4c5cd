#!/usr/bin/env bash
# Signs the setup in place with Authenticode (SHA-256; the signature covers
# the whole file, the embedded viewer archive included) and verifies it.
#   tools/sign.sh SETUP.exe CERT.pfx [PASSWORD_FILE] [--timestamp URL] [--ca-file CA.pem]
#   tools/sign.sh SETUP.exe --pkcs11 URI --cert CERT.pem [--module LIBRARY]
#                 [--timestamp URL] [--ca-file CA.pem]
# The second form signs with a private key on a token or HSM: URI is an
# RFC 7512 "pkcs11:" URI naming the key ("pkcs11:token=...;object=...;
# type=private"), with "pin-value=" or "pin-source=" in it, or the PIN is
# asked for; CERT.pem holds the key's certificate (and its chain). LIBRARY is
# the token's PKCS#11 module, by default p11-kit's proxy, which reaches every
# module registered with p11-kit.
# --timestamp asks an RFC 3161 time-stamp server, so that the signature stays
# valid after the certificate expires (needs the network). The verification
# trusts the system's certificate authorities, or CA.pem when given (for a
# test certificate). The file is replaced only by a signed copy that verifies.
# A setup built around the stand-in viewer of the tests is never signed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
usage="usage: tools/sign.sh SETUP.exe CERT.pfx [PASSWORD_FILE] [--timestamp URL] [--ca-file CA.pem]
       tools/sign.sh SETUP.exe --pkcs11 URI --cert CERT.pem [--module LIBRARY] [--timestamp URL] [--ca-file CA.pem]"
# The mark src/resources/version.rc gives a setup around the stand-in viewer.
stand_in_mark="Test build with a stand-in viewer"
positional=()
timestamp_url="" ca_file="" key_uri="" certificate_pem="" module=""
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || case "$1" in -*) echo "$usage" >&2; exit 2 ;; esac
  case "$1" in
    --timestamp) timestamp_url=$2; shift ;;
    --ca-file) ca_file=$2; shift ;;
    --pkcs11) key_uri=$2; shift ;;
    --cert) certificate_pem=$2; shift ;;
    --module) module=$2; shift ;;
    -*) echo "$usage" >&2; exit 2 ;;
    *) positional+=("$1") ;;
  esac
  shift
done
command -v osslsigncode >/dev/null || { echo "sign.sh: osslsigncode is missing (tools/bootstrap.sh installs it)" >&2; exit 1; }

sign=(osslsigncode sign -h sha256 -n "Pellumara 64-bit Setup")
if [ -n "$key_uri" ]; then
  [ ${#positional[@]} -eq 1 ] && [ -n "$certificate_pem" ] || { echo "$usage" >&2; exit 2; }
  case "$key_uri" in pkcs11:*) ;; *) echo "sign.sh: --pkcs11 takes a pkcs11: URI, not $key_uri" >&2; exit 2 ;; esac
  engines=$(openssl version -e | sed -n 's/^ENGINESDIR: "\(.*\)"$/\1/p')
  engine="$engines/pkcs11.so"
  [ -n "$module" ] || module="$(dirname "$engines")/p11-kit-proxy.so"
  for needed in "$engine" "$module"; do
    [ -f "$needed" ] || { echo "sign.sh: $needed is missing (tools/bootstrap.sh installs the PKCS#11 engine and p11-kit's proxy)" >&2; exit 1; }
  done
  sign+=(-pkcs11engine "$engine" -pkcs11module "$module" -certs "$certificate_pem" -key "$key_uri")
else
  [ ${#positional[@]} -ge 2 ] && [ ${#positional[@]} -le 3 ] && [ -z "$certificate_pem$module" ] ||
    { echo "$usage" >&2; exit 2; }
  sign+=(-pkcs12 "${positional[1]}")
  [ ${#positional[@]} -eq 3 ] && sign+=(-readpass "${positional[2]}")
fi
setup=${positional[0]}
[ -n "$timestamp_url" ] && sign+=(-ts "$timestamp_url")
verify=(osslsigncode verify)
[ -n "$ca_file" ] && verify+=(-CAfile "$ca_file")

comments=$(python3 "$here/version_info.py" "$setup" Comments) ||
  { echo "sign.sh: $setup has no readable version resource; only a setup built here is signed" >&2; exit 1; }
if [ "$comments" = "$stand_in_mark" ]; then
  echo "sign.sh: $setup is a test build with the stand-in viewer (its version resource says" \
       "\"$stand_in_mark\"); it is never signed. Build the release with" \
       "tools/build.sh --payload FOLDER|ARCHIVE.zip and sign that." >&2
  exit 1
fi

signed="$setup.signed"
pin_file=""
rm -f "$signed"
trap 'rm -f "$signed" "$signed.log" ${pin_file:+"$pin_file"}' EXIT
if [ -n "$key_uri" ]; then
  case "$key_uri" in
    *pin-value=*|*pin-source=*) ;;
    *)
      # Asked here, not on the command line, and handed over in a file only
      # this user can read.
      { exec 3<>/dev/tty; } 2>/dev/null || { echo "sign.sh: the URI holds no PIN and there is no terminal to ask for it" >&2; exit 1; }
      read -rs -p "PIN of the token: " pin <&3 2>&3
      echo >&3
      pin_file=$(mktemp)
      printf '%s' "$pin" >"$pin_file"
      sign+=(-readpass "$pin_file") ;;
  esac
fi
"${sign[@]}" -in "$setup" -out "$signed" >"$signed.log" 2>&1 || { cat "$signed.log" >&2; exit 1; }
if ! "${verify[@]}" -in "$signed" >"$signed.log" 2>&1; then
  cat "$signed.log" >&2
  echo "sign.sh: the signed copy does not verify; $setup is left unsigned" >&2
  exit 1
fi
grep '^Signature verification' "$signed.log" || true
mv "$signed" "$setup"
echo "sign.sh: $setup signed and verified"
