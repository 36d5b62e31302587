#!/usr/bin/env bash
# Installs what KOVA needs to build, run and test (Debian 12), and prepares the project's
# own Wine prefix. Safe to run again: it only does what is still missing.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/env.sh"

packages=(cmake make g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev
          wine wine64 fonts-wine xvfb x11-utils xdotool imagemagick
          fonts-ipafont-gothic fonts-ipafont-mincho googletest locales python3-pil
          clang libclang-rt-14-dev wmctrl openbox
          unzip libimage-exiftool-perl libz-mingw-w64-dev zlib1g-dev)

# The release is 32-bit; the tests run the build that this machine's Wine can run.
if [ "$KOVA_ARCH" = i686 ]; then
    packages+=(wine32:i386)
else
    packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev)
fi

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing_packages() {
    local p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
    done
}

install_packages() {
    local missing
    missing=$(missing_packages)
    [ -z "$missing" ] && return
    echo "setup: installing $(echo $missing | tr '\n' ' ')"
    dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
    as_root apt-get update -qq
    # shellcheck disable=SC2086
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
}

ensure_locale() {
    locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' && return
    echo "setup: generating the ja_JP.UTF-8 locale"
    as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen >/dev/null
}

# Bump when the prefix settings below change, so existing prefixes get them.
prefix_settings=1

make_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "setup: creating the Wine prefix $WINEPREFIX"
        mkdir -p "$(dirname "$WINEPREFIX")"
        WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 </dev/null
        wineserver -w
    fi
    [ "$(cat "$WINEPREFIX/.kova-settings" 2>/dev/null)" = "$prefix_settings" ] && return
    echo "setup: configuring the Wine prefix"
    # Wine's own symbol fonts draw the caption buttons.
    local fonts="$WINEPREFIX/drive_c/windows/Fonts" f
    mkdir -p "$fonts"
    for f in marlett symbol webdings wingding; do
        cp "/usr/share/wine/fonts/$f.ttf" "$fonts/"
    done
    # Japanese faces and the dialog and menu faces are drawn with the IPA fonts.
    python3 "$here/prefix_reg.py" > "$WINEPREFIX/kova.reg"
    wine regedit /S "$(winepath -w "$WINEPREFIX/kova.reg")" >/dev/null 2>&1 </dev/null
    wineserver -w
    echo "$prefix_settings" > "$WINEPREFIX/.kova-settings"
}

install_packages
ensure_locale
make_prefix
