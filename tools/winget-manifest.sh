#!/usr/bin/env bash
# Writes the winget manifest of a release: the three files of a multi-file
# manifest (version, installer, default locale de-DE), schema 1.10.0.
#   tools/winget-manifest.sh SETUP.exe --url URL [--out DIR]
# SETUP.exe is the file users will download from URL, signed already: the
# manifest carries its SHA-256. The version and the names come from the
# setup's own version resource, which the build made from its one version
# setting, so the manifest always describes the file it hashes. DIR defaults
# to build/winget/manifests/k/Kestrelwood/Pellumara64/VERSION, the layout of
# the winget package repository.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
usage="usage: tools/winget-manifest.sh SETUP.exe --url URL [--out DIR]"
package=Kestrelwood.Pellumara64
manifest_version=1.10.0
stand_in_mark="Test build with a stand-in viewer"   # see src/resources/version.rc
setup="" url="" out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --url) [ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }; url=$2; shift ;;
    --out) [ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }; out=$2; shift ;;
    -*) echo "$usage" >&2; exit 2 ;;
    *) [ -z "$setup" ] || { echo "$usage" >&2; exit 2; }; setup=$1 ;;
  esac
  shift
done
[ -n "$setup" ] && [ -n "$url" ] || { echo "$usage" >&2; exit 2; }
[[ "$url" =~ ^https?://[^[:space:][:cntrl:]]+$ ]] ||
  { echo "winget-manifest.sh: the URL must be an http(s) address without blanks: $url" >&2; exit 2; }

facts=$(python3 "$here/version_info.py" "$setup" ProductVersion CompanyName ProductName Comments) || exit 1
mapfile -t facts <<<"$facts"
version=${facts[0]:-} publisher=${facts[1]:-} product_name=${facts[2]:-} comments=${facts[3]:-}
if [ "$comments" = "$stand_in_mark" ]; then
  echo "winget-manifest.sh: $setup is a test build with the stand-in viewer; no manifest for it" >&2
  exit 1
fi
[ -n "$version" ] && [ -n "$publisher" ] && [ -n "$product_name" ] ||
  { echo "winget-manifest.sh: $setup lacks ProductVersion, CompanyName or ProductName" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if ! osslsigncode extract-signature -in "$setup" -out "$scratch/signature" >/dev/null 2>&1; then
  echo "winget-manifest.sh: warning: $setup is not signed; sign it first (tools/sign.sh)," \
       "since signing changes the hash" >&2
fi
sha256=$(sha256sum "$setup" | cut -d' ' -f1)
sha256=${sha256^^}
[ -n "$out" ] || out="$(cd "$here/.." && pwd)/build/winget/manifests/k/Kestrelwood/Pellumara64/$version"
mkdir -p "$out"

# A YAML string in double quotes: versions such as 4.40 stay text, not numbers.
q() { local text=${1//\\/\\\\}; printf '"%s"' "${text//\"/\\\"}"; }

cat >"$out/$package.yaml" <<EOF
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.version.$manifest_version.schema.json
PackageIdentifier: $package
PackageVersion: $(q "$version")
DefaultLocale: de-DE
ManifestType: version
ManifestVersion: $manifest_version
EOF

# The switches and exit codes of the setup itself (README, "Silent
# installation"); the uninstall entry the setup writes is "Pellumara64".
cat >"$out/$package.installer.yaml" <<EOF
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.installer.$manifest_version.schema.json
PackageIdentifier: $package
PackageVersion: $(q "$version")
InstallerType: exe
Scope: machine
ElevationRequirement: elevationRequired
InstallModes:
  - interactive
  - silent
  - silentWithProgress
InstallerSwitches:
  Silent: /silent
  SilentWithProgress: /silent
  InstallLocation: $(q '/folder="<INSTALLPATH>"')
  Log: $(q '/log="<LOGPATH>"')
ExpectedReturnCodes:
  - InstallerReturnCode: 1
    ReturnResponse: packageInUse
  - InstallerReturnCode: 2
    ReturnResponse: invalidParameter
  - InstallerReturnCode: 3
    ReturnResponse: contactSupport
  - InstallerReturnCode: 4
    ReturnResponse: cancelledByUser
  - InstallerReturnCode: 5
    ReturnResponse: custom
  - InstallerReturnCode: 6
    ReturnResponse: systemNotSupported
  - InstallerReturnCode: 1618
    ReturnResponse: installInProgress
  - InstallerReturnCode: 1622
    ReturnResponse: invalidParameter
  - InstallerReturnCode: 3010
    ReturnResponse: rebootRequiredToFinish
UpgradeBehavior: install
ProductCode: Pellumara64
AppsAndFeaturesEntries:
  - DisplayName: $(q "$product_name (remove only)")
    Publisher: $(q "$publisher")
    DisplayVersion: $(q "$version")
    ProductCode: Pellumara64
Installers:
  - Architecture: x64
    InstallerUrl: $(q "$url")
    InstallerSha256: $sha256
ManifestType: installer
ManifestVersion: $manifest_version
EOF

cat >"$out/$package.locale.de-DE.yaml" <<EOF
# yaml-language-server: \$schema=https://aka.ms/winget-manifest.defaultLocale.$manifest_version.schema.json
PackageIdentifier: $package
PackageVersion: $(q "$version")
PackageLocale: de-DE
Publisher: $(q "$publisher")
PackageName: $(q "$product_name")
License: Proprietär
ShortDescription: Bildbetrachter für 64-Bit-Windows
ManifestType: defaultLocale
ManifestVersion: $manifest_version
EOF
echo "winget-manifest.sh: $package $version ($sha256) in $out"
