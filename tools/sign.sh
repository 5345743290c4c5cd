#!/usr/bin/env bash
# Signs the setup in place with Authenticode (SHA-256; the signature covers
# the whole file, the embedded viewer archive included) and verifies it.
#   tools/sign.sh SETUP.exe CERT.pfx [PASSWORD_FILE] [--timestamp URL] [--ca-file CA.pem]
# --timestamp asks an RFC 3161 time-stamp server, so that the signature stays
# valid after the certificate expires (needs the network). The verification
# trusts the system's certificate authorities, or CA.pem when given (for a
# test certificate). The file is replaced only by a signed copy that verifies.
set -euo pipefail
usage="usage: tools/sign.sh SETUP.exe CERT.pfx [PASSWORD_FILE] [--timestamp URL] [--ca-file CA.pem]"
positional=()
timestamp_url=""
ca_file=""
while [ $# -gt 0 ]; do
  case "$1" in
    --timestamp) timestamp_url=${2:?$usage}; shift ;;
    --ca-file) ca_file=${2:?$usage}; shift ;;
    -*) echo "$usage" >&2; exit 2 ;;
    *) positional+=("$1") ;;
  esac
  shift
done
[ ${#positional[@]} -ge 2 ] && [ ${#positional[@]} -le 3 ] || { echo "$usage" >&2; exit 2; }
setup=${positional[0]}
certificate=${positional[1]}
password_file=${positional[2]:-}
command -v osslsigncode >/dev/null || { echo "sign.sh: osslsigncode is missing (tools/bootstrap.sh installs it)" >&2; exit 1; }

sign=(osslsigncode sign -pkcs12 "$certificate" -h sha256 -n "Pellumara 64-bit Setup")
[ -n "$password_file" ] && sign+=(-readpass "$password_file")
[ -n "$timestamp_url" ] && sign+=(-ts "$timestamp_url")
verify=(osslsigncode verify)
[ -n "$ca_file" ] && verify+=(-CAfile "$ca_file")

signed="$setup.signed"
rm -f "$signed"
trap 'rm -f "$signed"' EXIT
"${sign[@]}" -in "$setup" -out "$signed" >"$signed.log" 2>&1 || { cat "$signed.log" >&2; rm -f "$signed.log"; exit 1; }
if ! "${verify[@]}" -in "$signed" >"$signed.log" 2>&1; then
  cat "$signed.log" >&2
  rm -f "$signed.log"
  echo "sign.sh: the signed copy does not verify; $setup is left unsigned" >&2
  exit 1
fi
grep '^Signature verification' "$signed.log" || true
rm -f "$signed.log"
mv "$signed" "$setup"
echo "sign.sh: $setup signed and verified"
