# Sourced by the scripts that run Wine. Every Wine run of this project uses a
# prefix inside the build folder, never ~/.wine.
: "${BUILD_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export WINE_BASE_PREFIX="$BUILD_DIR/wine/base"
export WINEDEBUG=-all
# Keep Wine from mirroring test shortcuts as desktop entries on the host.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export WINEARCH=win64
# Dates, times and code pages the tests read must not depend on the host:
# German time (a POSIX rule, so no tzdata is needed) and a UTF-8 C locale,
# under which Wine's ANSI code page is 1252.
export TZ="CET-1CEST,M3.5.0,M10.5.0/3"
export LANG=C.UTF-8
unset LC_ALL
