#!/usr/bin/env bash
# Builds the release zip as a Windows user builds it, with testing off (so without GoogleTest or
# any test part), in a build of its own, and checks what a user gets: the files in the zip, a
# read-me in Shift_JIS with CRLF line ends, the version resources, read back by exiftool, the
# program's icon and manifest, read back by wrestool, and no bundled decoder in the plug-in.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/env.sh"
release="$KOVA_BUILD/release"

if [ ! -f "$release/CMakeCache.txt" ]; then
    cmake -S "$KOVA_ROOT" -B "$release" -DCMAKE_TOOLCHAIN_FILE="$KOVA_ROOT/cmake/mingw-i686.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$release" -j"$(nproc)" --target package

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$release/CMakeCache.txt")
top="kova-$version-win32"
zip="$release/$top.zip"
fail() { echo "package: FAIL: $*" >&2; exit 1; }

unzip -l "$zip"
files=$(unzip -Z1 "$zip" | sort)
spi=$(sed -n "s|^$top/\([^/]*\.spi\)$|\1|p" <<<"$files")
[ -n "$spi" ] && [ "$files" = "$(printf '%s\n' "$top/"{kova.exe,readme.txt,"$spi"} | sort)" ] ||
    fail "expected $top/ with kova.exe, one plug-in and readme.txt; got:" $files

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
unzip -q "$zip" -d "$unpacked"
readme="$unpacked/$top/readme.txt"
text=$(iconv -f SHIFT_JIS -t UTF-8 "$readme") || fail "readme.txt is not Shift_JIS"
grep -q "アイデア図ツール" <<<"$text" && grep -qF "$spi" <<<"$text" ||
    fail "readme.txt does not read as the Japanese read-me naming $spi"
! LC_ALL=C grep -qv $'\r$' "$readme" || fail "readme.txt has lines without CRLF"
echo "package: readme.txt is Shift_JIS with CRLF line ends"

for f in kova.exe "$spi"; do
    info=$(exiftool -p '$ProductName|$FileVersion|$FileVersionNumber|$FileDescription' "$unpacked/$top/$f" 2>&1)
    [[ $info == "KOVA|$version|$version.0|"?* ]] || fail "$f version resource: $info"
    echo "package: $f: $info"
done
exe="$unpacked/$top/kova.exe"
# The program's icon, with every size Windows shows, and its manifest, as Windows reads them.
wrestool -x -t 14 -n "$(wrestool -l -t 14 "$exe" | sed -n '1s/.*--name=\([^ ]*\).*/\1/p')" "$exe" >"$unpacked/kova.ico"
sizes=$(icotool -l "$unpacked/kova.ico" | sed -n 's/.*--width=\([0-9]*\) --height=\1 .*/\1/p' | sort -n | xargs)
[ "$sizes" = "16 24 32 48 256" ] || fail "kova.exe's first icon has the sizes '$sizes'"
wrestool -x --raw -t 24 -n 1 "$exe" >"$unpacked/kova.manifest"
python3 "$here/../tests/e2e/check_manifest.py" "$unpacked/kova.manifest" || fail "kova.exe's manifest"
echo "package: kova.exe has its icon ($sizes px) and its manifest"
# The plug-in decodes through the platform; no bundled decoder such as stb_image comes along.
! strings -a "$unpacked/$top/$spi" | grep -qiE 'stbi_|stb_image' || fail "$spi carries stb_image code"

grep -qF "$top.zip" "$KOVA_ROOT/README.md" || fail "README.md does not name $top.zip"
echo "package: ok"
