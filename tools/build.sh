#!/usr/bin/env bash
# Configures and builds KOVA (the given targets, or everything) in $KOVA_BUILD.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/env.sh"
if [ ! -f "$KOVA_BUILD/CMakeCache.txt" ]; then
    cmake -S "$KOVA_ROOT" -B "$KOVA_BUILD" -DCMAKE_TOOLCHAIN_FILE="$KOVA_ROOT/cmake/mingw-$KOVA_ARCH.cmake" \
          -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$KOVA_BUILD" -j"$(nproc)" "${targets[@]}"
