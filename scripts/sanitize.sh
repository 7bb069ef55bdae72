#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-sanitize/ and runs every test through CTest (offscreen). A run by hand after
# work on memory handling or on code that loads libraries; not part of CI, and a
# good deal slower than ./scripts/test.sh. Arguments go to ctest (-R name, ...).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-sanitize"
jobs="${JOBS:-$(nproc)}"

"$root/scripts/setup.sh"

# -O1 keeps the tests bearable and the stacks readable; undefined behaviour stops the
# test at the first fault instead of printing and going on.
sanitize="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
    -DCMAKE_CXX_FLAGS="$sanitize" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitize" \
    -DCMAKE_SHARED_LINKER_FLAGS="$sanitize" \
    -DCMAKE_MODULE_LINKER_FLAGS="$sanitize" >/dev/null
cmake --build "$build" -j"$jobs"

# Leaks are checked at each test's exit. Qt keeps its caches reachable from its globals,
# so they are not reported; a library's own leak is suppressed in scripts/lsan.supp by
# that library (a suppression matches any frame of the stack, so naming a whole Qt
# library there would hide our leaks too: only libraries our code never calls go in).
# Use-after-free, overflows and the rest stop the test with a report.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:detect_odr_violation=2:symbolize=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:report_error_type=1"
export QT_QPA_PLATFORM=offscreen
# A test function may take several times as long as in the plain build.
export QTEST_FUNCTION_TIMEOUT=1800000

cd "$build"
ctest --output-on-failure -j"$jobs" --timeout 3600 "$@"

# The workbook readers under libFuzzer: a short run each over the committed seeds
# (FUZZ_SECONDS, 60 by default). A crash or a leak stops the script with the input
# that caused it written to build-fuzz/. The .xls step reads the framed output of
# amval-xls-reader (libfreexl runs in that program only).
fuzz_seconds="${FUZZ_SECONDS:-60}"
"$root/tests/fuzz/build.sh" >/dev/null
for kind in xlsx xls; do
    corpus="$root/build-fuzz/corpus-$kind"
    mkdir -p "$corpus"
    (cd "$root/build-fuzz" && ./fuzz_"$kind" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 \
        -max_len=262144 "$corpus" "$root/tests/fuzz/seeds/$kind" 2>&1 | grep -v "QBuffer::seek" | tail -n 5)
done

# The workbook that makes libfreexl read out of bounds while opening it
# (tests/fuzz/known): opened in the import window of the sanitized build, through the
# sanitized reading program, it is refused and changes nothing.
(cd "$build" && ./bin/tst_excelimport badFilesLeaveTheWindowAsItWas >/dev/null)
