#!/usr/bin/env bash
# Builds the workbook readers' fuzzing harnesses with clang's libFuzzer and
# AddressSanitizer/UndefinedBehaviorSanitizer: build-fuzz/fuzz_xlsx and
# build-fuzz/fuzz_xls. Not part of the CMake build (libFuzzer wants clang).
#   tests/fuzz/build.sh        then e.g.  build-fuzz/fuzz_xlsx -max_total_time=60 CORPUS SEEDS
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="$root/build-fuzz"
mkdir -p "$out"
flags="-std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined"
deps="Qt6Core zlib"
for kind in xlsx xls; do
    define=0
    [ "$kind" = xlsx ] && define=1
    # shellcheck disable=SC2046,SC2086
    clang++ $flags -DFUZZ_XLSX=$define -I"$root/import" $(pkg-config --cflags $deps) \
        "$root/tests/fuzz/fuzz_workbook.cpp" "$root/import/workbookreader.cpp" \
        "$root/import/zipreader.cpp" -o "$out/fuzz_$kind" $(pkg-config --libs $deps)
done
echo "$out/fuzz_xlsx $out/fuzz_xls"
