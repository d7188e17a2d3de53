#!/bin/sh
# Configures (once) and builds in build/ (Release): everything, or the
# targets given ("Pinwick3 pwi vorlage").
set -e
cd "$(dirname "$0")/.."
GENERATOR=""
if [ ! -f build/CMakeCache.txt ] && command -v ninja >/dev/null 2>&1; then
    GENERATOR="-G Ninja"
fi
# shellcheck disable=SC2086
cmake -S . -B build $GENERATOR -DCMAKE_BUILD_TYPE=Release
if [ $# -gt 0 ]; then
    cmake --build build -j"$(nproc)" --target "$@"
else
    cmake --build build -j"$(nproc)"
fi
