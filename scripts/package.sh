#!/bin/sh
# Makes the Debian package in one command: installs what is missing, builds
# only the programs (Release, with Debian's hardening flags) in build-deb/,
# packs them and checks the package with lintian.
# The package lands in build-deb/; install it with
#   sudo apt install ./build-deb/pinwick_<version>_<arch>.deb
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

# The flags Debian builds its own packages with (stack protector, fortified
# functions, read-only relocations, immediate binding, position independence).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"

set -- -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS="$CFLAGS" -DCMAKE_CXX_FLAGS="$CXXFLAGS" \
    -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
if [ ! -f build-deb/CMakeCache.txt ] && command -v ninja >/dev/null 2>&1; then
    set -- "$@" -G Ninja
fi
if command -v ccache >/dev/null 2>&1; then
    set -- "$@" -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
cmake -S . -B build-deb "$@"
# Only what the package holds: not the tests, benchmarks and fuzz targets.
cmake --build build-deb -j"$(nproc)" --target programme
rm -f build-deb/pinwick_*.deb
(cd build-deb && cpack -G DEB)
paket=$(ls build-deb/pinwick_*.deb)

if command -v lintian >/dev/null 2>&1; then
    # Errors and warnings stop here; what is left over is explained in
    # packaging/pinwick.lintian-overrides.
    lintian --fail-on error,warning "$paket"
fi
echo "Made $paket"
echo "Install it with: sudo apt install ./$paket"
