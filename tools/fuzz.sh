#!/usr/bin/env bash
# Builds the code that needs no Windows API natively (fuzz/: clang, AddressSanitizer,
# UndefinedBehaviorSanitizer), runs its unit tests, then fuzzes each reader of outside data for
# KOVA_FUZZ_SECONDS (30 by default), as many at a time as there are cores. The seeds come from
# tests/data; the inputs in tests/data/fuzz/<reader> are earlier findings, run first every time.
# Fails on any finding and leaves its input in build/native/findings.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/env.sh"
native="$KOVA_BUILD/native"
seconds="${KOVA_FUZZ_SECONDS:-30}"
readers=(bmpfile diblayout spirules cp932 halftone blend picturehead diagram)

if [ ! -f "$native/CMakeCache.txt" ]; then
    cmake -S "$KOVA_ROOT/fuzz" -B "$native" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$native" -j"$(nproc)" >"$native/build.log" 2>&1 || { cat "$native/build.log"; exit 1; }
"$native/native_tests" --gtest_brief=1

# Seeds: the bitmap files for the readers of binary data, saved diagrams for the diagram
# reader, the PNG and JPEG files for the plug-in's size reader, the test data's paths and
# masks for the text readers.
seeds="$native/seeds"
rm -rf "$seeds"
mkdir -p "$seeds"/{binary,paths,masks,images}
cp "$KOVA_ROOT"/tests/data/bmp/*.bmp "$KOVA_ROOT"/tests/data/bmp/*.ppm "$seeds/binary/"
cp "$KOVA_ROOT"/tests/data/images/*.{png,jpg} "$seeds/images/"
(cd "$KOVA_ROOT" && find tests/data -type f | sort) | while read -r f; do
    printf '%s' "${f//\//\\}" >"$seeds/paths/$(basename "$f")"
    printf '*.%s;*.%s' "${f##*.}" "$(basename "$f")" >"$seeds/masks/$(basename "$f")"
done
seeds_of() {
    case $1 in
    cp932) echo "$seeds/paths" ;;
    spirules) echo "$seeds/masks" ;;
    picturehead) echo "$seeds/images" ;;
    diagram) echo "$KOVA_ROOT/tests/data/diagram" ;;
    *) echo "$seeds/binary" ;;
    esac
}

mkdir -p "$native/findings"
fuzz() {
    local reader=$1 corpus="$native/corpus/$1" found="$KOVA_ROOT/tests/data/fuzz/$1"
    mkdir -p "$corpus"
    local dirs=("$corpus" "$(seeds_of "$reader")")
    [ -d "$found" ] && dirs+=("$found")
    "$native/fuzz_$reader" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
        -artifact_prefix="$native/findings/$reader-" "${dirs[@]}" >"$native/fuzz_$reader.log" 2>&1
}

# Runs the readers, nproc at a time; a reader's result line is printed as it ends.
failed=0
report() {
    local reader=$1 status=$2 log="$native/fuzz_$1.log" runs
    # A finding ends the run before libFuzzer's summary: no count then, but the report below.
    runs=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | tail -n 1 | cut -d' ' -f2 || true)
    if [ "$status" -eq 0 ]; then
        echo "fuzz $reader: ${runs:-?} runs in ${seconds} s, no finding"
    else
        echo "fuzz $reader: FINDING (exit $status), see $log:"
        grep -E 'ERROR|runtime error|property broken|Test unit written' "$log" | head -n 5
        failed=1
    fi
}
declare -A pid_of
for reader in "${readers[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
    fuzz "$reader" &
    pid_of[$reader]=$!
done
for reader in "${readers[@]}"; do
    status=0
    wait "${pid_of[$reader]}" || status=$?
    report "$reader" "$status"
done
exit "$failed"
