# The environment in which KOVA runs under Wine; sourced by the other scripts.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export KOVA_ROOT="$root"
export KOVA_BUILD="${KOVA_BUILD:-$root/build}"

# The test build runs the program as 32-bit code where the machine can; a machine whose kernel
# runs 64-bit programs only gets a 64-bit build and Debian's 64-bit Wine.
export KOVA_ARCH="${KOVA_ARCH:-$(python3 "$root/tools/arch.py")}"
if [ "$KOVA_ARCH" = i686 ]; then
    export WINEARCH=win32
    export WINEPREFIX="${KOVA_WINEPREFIX:-$HOME/.local/share/kova/wineprefix}"
else
    export WINEARCH=win64
    export WINEPREFIX="${KOVA_WINEPREFIX:-$HOME/.local/share/kova/wineprefix64}"
    case ":$PATH:" in *":$root/tools/wine64:"*) ;; *) export PATH="$root/tools/wine64:$PATH" ;; esac
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
export LANG=ja_JP.UTF-8
unset LC_ALL
