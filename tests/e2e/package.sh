#!/usr/bin/env bash
# A new user's first run: the release zip, unzipped into an empty folder, and kova.exe started
# from there; then the picture plug-in scenario of png.sh on that copy.
#   package.sh CMAKE BUILD_DIR ZIP_NAME COMBO_ITEMS
set -euo pipefail
cmake="$1"
out="$2"
zip="$out/$3"
combo_items="$4"
here="$(dirname "$0")"
source "$here/lib.sh"

"$cmake" --build "$out" --target package >/dev/null || fail "the package target failed"
fresh_work_dir e2e-package
unzip -q "$zip" -d "$work/unzipped"
exec bash "$here/png.sh" "$work/unzipped/${3%.zip}/kova.exe" "$work" "$combo_items"
