#!/bin/sh
# Installs what is missing, builds, and runs every test.
#
#   ./test.sh              Release build in build/
#   ./test.sh --sanitize   the same tests, built with AddressSanitizer and
#                          UndefinedBehaviorSanitizer in build-asan/
set -e
cd "$(dirname "$0")"
./scripts/install-deps.sh
if [ "$1" = "--sanitize" ]; then
    exec ./scripts/sanitize.sh
fi
./scripts/build.sh
cd build
ctest --output-on-failure -j2 --timeout 600
