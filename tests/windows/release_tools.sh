#!/usr/bin/env bash
# The release tools as a release engineer uses them.
#   release_tools.sh stand-in SETUP.exe WORK-DIR
#     tools/sign.sh refuses the setup around the stand-in viewer and leaves
#     it as it was.
#   release_tools.sh release STAND-IN.zip VERSION WORK-DIR   (BUILD_DIR: the build folder)
#     A release setup built by tools/build.sh in a copy of the sources around
#     a folder of the viewer's files, without the tests' switches; a failed
#     build after it leaves no setup; the setup signed with a throwaway key
#     on a SoftHSM token verifies and still installs; its winget manifest
#     validates against the published schemas, carries its hash and matches
#     the uninstall entry it wrote. Slow: a second build.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "release_tools: $*"; exit 1; }

# A throwaway certificate and key, as PEM and as a password-protected .pfx.
make_certificate() {
  openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Pellumara test signature" \
    -keyout "$1/key.pem" -out "$1/cert.pem" >"$1/openssl.log" 2>&1 || fail "openssl req: $(cat "$1/openssl.log")"
  echo throwaway >"$1/password"
  openssl pkcs12 -export -inkey "$1/key.pem" -in "$1/cert.pem" -passout "file:$1/password" \
    -out "$1/cert.pfx" >>"$1/openssl.log" 2>&1 || fail "openssl pkcs12: $(cat "$1/openssl.log")"
}

stand_in() {
  local setup=$1 work=$2
  make_certificate "$work"
  cp "$setup" "$work/setup.exe"
  if bash "$root/tools/sign.sh" "$work/setup.exe" "$work/cert.pfx" "$work/password" \
       --ca-file "$work/cert.pem" 2>"$work/refusal"; then
    fail "the stand-in build was signed"
  fi
  cat "$work/refusal"
  grep -q 'stand-in viewer' "$work/refusal" || fail "the refusal does not say why"
  cmp -s "$setup" "$work/setup.exe" || fail "the refused setup was changed"
  [ ! -e "$work/setup.exe.signed" ] || fail "a signed copy was left behind"
}

# Copies the sources (uncommitted changes included, no build folder) into
# copy, keeping an earlier copy's build folder so that a second run builds
# only what changed.
copy_sources() {
  local copy=$1
  mkdir -p "$copy"
  find "$copy" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
  tar -C "$root" --exclude=./build --exclude=./.git -cf - . | tar -C "$copy" -xf - ||
    fail "cannot copy the sources"
  mkdir -p "$copy/build"
  [ -d "$copy/build/minizip" ] || cp -a "$BUILD_DIR/minizip" "$copy/build/" || fail "no minizip in $BUILD_DIR"
}

# A token in a folder of its own with the throwaway key on it.
make_token() {
  local work=$1
  mkdir -p "$work/tokens"
  printf 'directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n' \
    "$work/tokens" >"$work/softhsm2.conf"
  export SOFTHSM2_CONF="$work/softhsm2.conf"
  softhsm2-util --init-token --free --label pellumara-test --pin 1234 --so-pin 5678 >"$work/token.log" 2>&1 ||
    fail "softhsm2-util: $(cat "$work/token.log")"
  openssl pkcs8 -topk8 -nocrypt -in "$work/key.pem" -outform DER -out "$work/key.der" >>"$work/token.log" 2>&1 &&
    pkcs11-tool --module "$token_module" --token-label pellumara-test --login --pin 1234 \
      --write-object "$work/key.der" --type privkey --label signing-key --id 01 >>"$work/token.log" 2>&1 ||
    fail "writing the key to the token: $(cat "$work/token.log")"
  rm -f "$work/key.der"
}

# The uninstall entry's value NAME as the installation in the prefix wrote it.
uninstall_value() {
  PELLUMARA_PREFIX_NAME=release_tools PELLUMARA_KEEP_PREFIX=1 bash "$root/tools/wine-run.sh" reg query \
    'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pellumara64' /v "$1" >"$work/reg.out" 2>&1
  sed -n "s/^ *$1 *REG_SZ *//p" "$work/reg.out" | tr -d '\r'
}

release() {
  local archive=$1 version=$2 work=$3
  token_module=/usr/lib/softhsm/libsofthsm2.so
  local copy="$work/copy" viewer="$work/viewer" setup="$work/copy/build/dist/pellumara64-setup.exe"
  rm -rf "$viewer" "$work/winget" "$work/tokens"
  mkdir -p "$viewer"
  (cd "$viewer" && cmake -E tar xf "$archive") || fail "cannot unpack $archive"
  copy_sources "$copy"
  (cd "$copy" && bash tools/build.sh --payload "$viewer" >"$work/build.log" 2>&1) ||
    { tail -30 "$work/build.log"; fail "the release build failed"; }
  # The shipped program reads no test switch from its environment.
  if grep -q -a 'PELLUMARA_TEST_' "$setup"; then fail "the release setup carries a test switch"; fi
  cp "$setup" "$work/signed.exe" && cp "$setup" "$work/pfx.exe"

  # A build refused later leaves no setup that could be taken for its result.
  if (cd "$copy" && bash tools/build.sh --payload "$viewer" --version 9.99 >"$work/refused.log" 2>&1); then
    fail "a build of 9.99 with the change list of $version went through"
  fi
  grep -q 'src/resources/whats_new.txt' "$work/refused.log" || { cat "$work/refused.log"; fail "the refusal does not name the change list"; }
  [ ! -e "$setup" ] || fail "the setup of the earlier build is still in build/dist"

  make_certificate "$work"
  bash "$root/tools/sign.sh" "$work/pfx.exe" "$work/cert.pfx" "$work/password" --ca-file "$work/cert.pem" ||
    fail "signing with the .pfx failed"
  make_token "$work"
  bash "$root/tools/sign.sh" "$work/signed.exe" --cert "$work/cert.pem" --module "$token_module" \
    --pkcs11 'pkcs11:token=pellumara-test;object=signing-key;type=private;pin-value=1234' \
    --ca-file "$work/cert.pem" || fail "signing with the key on the token failed"
  osslsigncode verify -in "$work/signed.exe" -CAfile "$work/cert.pem" >"$work/verify.log" 2>&1 ||
    fail "osslsigncode verify refused the signature: $(cat "$work/verify.log")"
  grep -q 'Message digest algorithm *: SHA256' "$work/verify.log" || fail "not signed with SHA-256: $(cat "$work/verify.log")"

  local status=0 folder="$BUILD_DIR/wine/run/release_tools/drive_c/Signed/Pellumara"
  # The prefix is read after the run and removed here, whatever the outcome.
  trap 'rm -rf "$BUILD_DIR/wine/run/release_tools"' EXIT
  PELLUMARA_PREFIX_NAME=release_tools PELLUMARA_LEAVE_PREFIX=1 bash "$root/tools/wine-run.sh" "$work/signed.exe" /silent \
    '/folder=C:\Signed\Pellumara' || status=$?
  [ "$status" -eq 0 ] || fail "the signed setup ended with $status"
  for file in p_mara64.exe pm_uninstall.exe Help/p_mara32_deutsch.chm Toolbars/Tavrel_16.png; do
    [ -s "$folder/$file" ] || fail "$file was not installed"
  done

  local url="https://downloads.pellumara.example/pellumara64-setup-$version.exe"
  bash "$root/tools/winget-manifest.sh" "$work/signed.exe" --url "$url" --out "$work/winget" ||
    fail "tools/winget-manifest.sh failed"
  local schemas="$root/../shared/schemas/winget-1.10"
  [ -d "$schemas" ] || echo "release_tools: SKIPPED the schema check: $schemas is absent"
  python3 - "$work/winget" "$schemas" "$work/signed.exe" "$version" "$url" \
    "$(uninstall_value DisplayName)" "$(uninstall_value Publisher)" "$(uninstall_value DisplayVersion)" <<'EOF' ||
import hashlib, os, sys, yaml
folder, schemas, setup, version, url, *entry = sys.argv[1:]
package = "Kestrelwood.Pellumara64"
kinds = {"version": "", "installer": ".installer", "defaultLocale": ".locale.de-DE"}
manifests = {}
for kind, suffix in kinds.items():
    with open(os.path.join(folder, package + suffix + ".yaml"), encoding="utf-8") as file:
        manifests[kind] = yaml.safe_load(file)
if os.path.isdir(schemas):
    import json, jsonschema
    for kind, manifest in manifests.items():
        with open(os.path.join(schemas, f"manifest.{kind}.1.10.0.json"), encoding="utf-8") as file:
            jsonschema.validate(manifest, json.load(file))
installer = manifests["installer"]
with open(setup, "rb") as file:
    digest = hashlib.sha256(file.read()).hexdigest()
checks = [
    (installer["Installers"][0]["InstallerSha256"].lower(), digest),
    (installer["Installers"][0]["InstallerUrl"], url),
    ([m["PackageVersion"] for m in manifests.values()], [version] * 3),
    ([m["PackageIdentifier"] for m in manifests.values()], [package] * 3),
    (installer["AppsAndFeaturesEntries"][0]["DisplayName"], entry[0]),
    (installer["AppsAndFeaturesEntries"][0]["Publisher"], entry[1]),
    (installer["AppsAndFeaturesEntries"][0]["DisplayVersion"], entry[2]),
]
wrong = [f"{found!r} instead of {wanted!r}" for found, wanted in checks if found != wanted]
for line in wrong:
    print(line)
sys.exit(1 if wrong else 0)
EOF
    fail "the manifest does not describe the signed setup"
  rm -rf "$viewer" "$work/tokens" "$work/winget" "$work"/*.exe
  echo "release_tools: release built, refused build left no setup, signed on a token, installed, manifest valid"
}

mode=${1:?usage: release_tools.sh stand-in SETUP.exe WORK-DIR | release STAND-IN.zip VERSION WORK-DIR}
shift
case "$mode" in
  stand-in)
    work=${2:?work folder}; rm -rf "$work"; mkdir -p "$work"
    stand_in "${1:?setup}" "$work" && rm -rf "$work" ;;
  release)
    work=${3:?work folder}; mkdir -p "$work"
    release "${1:?stand-in archive}" "${2:?version}" "$work" ;;
  *) fail "unknown mode $mode" ;;
esac
