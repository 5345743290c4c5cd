# Sourced by the scripts that run Wine. Every Wine run of this project uses a
# prefix inside the build folder, never ~/.wine.
: "${BUILD_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export WINE_BASE_PREFIX="$BUILD_DIR/wine/base"
export WINEDEBUG=-all
# Keep Wine from mirroring test shortcuts as desktop entries on the host.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export WINEARCH=win64
