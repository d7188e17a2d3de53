#!/bin/sh
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ and runs the whole test suite there. Any report fails its test:
# undefined behaviour stops the program, and so does a leak in our own code
# (reports from inside the system's libraries are listed in scripts/asan.supp
# and scripts/lsan.supp).
#
#   scripts/sanitize.sh [ctest arguments, e.g. -R Zeitplan]
set -e
cd "$(dirname "$0")/.."
GENERATOR=""
if [ ! -f build-asan/CMakeCache.txt ] && command -v ninja >/dev/null 2>&1; then
    GENERATOR="-G Ninja"
fi
# shellcheck disable=SC2086
cmake -S . -B build-asan $GENERATOR -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPINWICK_SANITIZE=ON
cmake --build build-asan -j"$(nproc)"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:suppressions=$(pwd)/scripts/asan.supp"
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS
cd build-asan
# The sanitizers make everything slower: a longer time-out per test.
ctest --output-on-failure -j2 --timeout 1200 "$@"
