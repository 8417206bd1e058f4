#!/bin/sh
# Installs what is missing, checks the formatting, builds everything with AddressSanitizer +
# UndefinedBehaviorSanitizer and runs the whole test suite.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh --tests
tools/check-format.sh
BUILD=${BUILD_DIR:-build-asan}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWAVELARK_ASAN=ON
cmake --build "$BUILD"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$(pwd)/tools/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
ctest --test-dir "$BUILD" --output-on-failure -j "$(nproc)"
