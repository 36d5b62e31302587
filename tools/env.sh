# The environment in which KOVA runs under Wine; sourced by the other scripts.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export KOVA_ROOT="$root"
export KOVA_BUILD="${KOVA_BUILD:-$root/build}"
export WINEPREFIX="${KOVA_WINEPREFIX:-$HOME/.local/share/kova/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
export LANG=ja_JP.UTF-8
unset LC_ALL
