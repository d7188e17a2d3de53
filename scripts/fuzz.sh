#!/bin/sh
# Fuzzes with libFuzzer: builds the targets of fuzz/ with clang, AddressSanitizer
# and UndefinedBehaviorSanitizer into build-fuzz/ and runs each for a while,
# one after the other, at the lowest priority.
#
#   scripts/fuzz.sh [seconds per target (60)] [target ...]
#   scripts/fuzz.sh --abdeckung [target ...]   line coverage of the inputs found
#
# The fuzzer starts from the committed seeds (fuzz/korpus/<target>) and past
# findings (fuzz/funde/<target>) and keeps what it finds new in
# build-fuzz/korpus/<target>. A finding is written to build-fuzz/funde/<target>/;
# once it is fixed, copy it to fuzz/funde/<target>/, where every normal test
# run replays it.
set -e
cd "$(dirname "$0")/.."

ALLE="zeittest_fuzz hilfen_fuzz update_fuzz signatur_fuzz eingabe_fuzz austausch_fuzz datei_fuzz"

# clang and its runtime (libFuzzer, sanitizers) are needed here only.
missing=""
for p in clang-14 libclang-rt-14-dev llvm-14; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
if [ -n "$missing" ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi

ABDECKUNG=""
SEKUNDEN=60
if [ "$1" = "--abdeckung" ]; then
    ABDECKUNG=1
    shift
elif [ $# -gt 0 ]; then
    SEKUNDEN=$1
    shift
fi
ZIELE=${*:-$ALLE}

if [ -n "$ABDECKUNG" ]; then
    # The inputs replayed through an instrumented build without the fuzzer.
    cmake -S . -B build-fuzz-cov -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
        -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" >/dev/null
    # shellcheck disable=SC2086
    nice -n 19 cmake --build build-fuzz-cov --target $ZIELE
    for z in $ZIELE; do
        rm -f build-fuzz-cov/$z.profraw
        LLVM_PROFILE_FILE=build-fuzz-cov/$z.profraw build-fuzz-cov/fuzz/$z \
            fuzz/korpus/$z fuzz/funde/$z build-fuzz/korpus/$z
        llvm-profdata-14 merge -o build-fuzz-cov/$z.profdata build-fuzz-cov/$z.profraw
        echo "== $z"
        llvm-cov-14 report build-fuzz-cov/fuzz/$z -instr-profile=build-fuzz-cov/$z.profdata \
            src/ticker/Zeitplan.cpp src/notes/Notiz.cpp src/helpers/Hilfen.cpp \
            src/update/UpdatePruefung.cpp src/update/Signatur.cpp src/installer/Installation.cpp \
            src/notes/NotizEingabe.cpp
    done
    exit 0
fi

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DPINWICK_FUZZ=ON >/dev/null
# shellcheck disable=SC2086
nice -n 19 cmake --build build-fuzz --target $ZIELE

status=0
for z in $ZIELE; do
    mkdir -p build-fuzz/korpus/$z build-fuzz/funde/$z
    WOERTER=""
    [ -f fuzz/$z.dict ] && WOERTER="-dict=fuzz/$z.dict"
    # Seeds and past findings where there are any (a missing folder stops the fuzzer).
    ALT=""
    for d in fuzz/korpus/$z fuzz/funde/$z; do
        [ -d "$d" ] && ALT="$ALT $d"
    done
    # Whole database files need room for a few pages.
    LAENGE=4096
    [ "$z" = datei_fuzz ] && LAENGE=65536
    echo "== $z for $SEKUNDEN s"
    # shellcheck disable=SC2086
    nice -n 19 build-fuzz/fuzz/$z build-fuzz/korpus/$z $ALT \
        $WOERTER -max_total_time="$SEKUNDEN" -max_len="$LAENGE" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix=build-fuzz/funde/$z/ 2>&1 |
        tee build-fuzz/$z.log | grep -E "^#[0-9]+[[:space:]]+(DONE|INITED)|^stat::|ERROR|SUMMARY|check failed" || true
    if [ -n "$(ls build-fuzz/funde/$z)" ]; then
        echo "FINDING in $z: build-fuzz/funde/$z/ (the whole report is in build-fuzz/$z.log)"
        status=1
    fi
done
exit $status
