# Sourced by the other scripts: paths and the Wine environment of this checkout.
VANTOR_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VANTOR_BUILD="${VANTOR_BUILD:-$VANTOR_ROOT/build}"
VANTOR_CACHE="$VANTOR_ROOT/.cache"
export WINEPREFIX="$VANTOR_BUILD/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree=;mshtml="
export WINEARCH=win64
# The recycle bin under Wine is the Linux trash: keep it inside the build tree.
export XDG_DATA_HOME="$VANTOR_BUILD/xdg-data"
