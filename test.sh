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
# The end-to-end tests share the machine's X servers, processor and clock
# with whatever else runs there. A test that fails is run once more on its
# own; both runs are in the log, and one that fails twice fails the whole.
if ! ctest --output-on-failure -j2 --timeout 600; then
    echo "Running the failed tests once more, one at a time:"
    ctest --rerun-failed --output-on-failure --timeout 600
fi
