#!/bin/sh
# Configures (once) and builds everything in build/ (Release).
set -e
cd "$(dirname "$0")/.."
GENERATOR=""
if [ ! -f build/CMakeCache.txt ] && command -v ninja >/dev/null 2>&1; then
    GENERATOR="-G Ninja"
fi
# shellcheck disable=SC2086
cmake -S . -B build $GENERATOR -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
