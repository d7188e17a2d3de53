#!/bin/sh
# The Debian package made from the programs already built: lintian finds no
# error and no warning (what it leaves is explained in the package's
# overrides), and the package holds what a user and Debian expect: the
# manual pages (the ticker's and pinwick-notes's), copyright and changelog,
# the recommended handler for the help pages, and a desktop entry that goes quiet once the package is gone.
# Usage: paket_e2e.sh <build folder>
set -u
BUILD="$1"
. "$(dirname "$0")/gemeinsam.sh"
werkzeuge cpack lintian dpkg-deb
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$TMP" > "$TMP/cpack.txt" 2>&1
paket=$(ls "$TMP"/pinwick_*.deb 2>/dev/null | head -n 1)
if [ -z "$paket" ]; then
    cat "$TMP/cpack.txt"
    echo "FAILED: no package made"
    exit 1
fi
lintian --tag-display-limit 0 "$paket" > "$TMP/lintian.txt" 2>&1
grep -v "root privileges" "$TMP/lintian.txt"
! grep -q "^[EW]: " "$TMP/lintian.txt"
pruefe $? "lintian: no errors, no warnings"

dpkg-deb -c "$paket" > "$TMP/inhalt.txt"
for datei in ./usr/share/man/man1/pinwick.1.gz ./usr/share/doc/pinwick/copyright \
    ./usr/share/doc/pinwick/changelog.gz ./usr/share/applications/pinwick.desktop \
    ./usr/lib/pinwick/Pinwick3 ./usr/lib/pinwick/pwi.kav \
    ./usr/bin/pinwick-notes ./usr/share/man/man1/pinwick-notes.1.gz; do
    grep -q " $datei\$" "$TMP/inhalt.txt"
    pruefe $? "holds $datei"
done
# The linked libraries come from the library scan, each named once.
dpkg-deb -f "$paket" Depends | tr ',' '\n' > "$TMP/depends.txt"
for lib in libical3 libsodium23 libwayland-client0 libqt6widgets6; do
    test "$(grep -c "^ *$lib\b" "$TMP/depends.txt")" -eq 1
    pruefe $? "depends on $lib once"
done
dpkg-deb -f "$paket" Recommends | grep -q "xdg-utils"
pruefe $? "recommends xdg-utils"
test "$(dpkg-deb -f "$paket" Description | wc -l)" -gt 2
pruefe $? "a long description"
mkdir -p "$TMP/aus"
dpkg-deb -x "$paket" "$TMP/aus"
eintrag="$TMP/aus/usr/share/applications/pinwick.desktop"
grep -q "^TryExec=pinwick$" "$eintrag" && grep -q "^Keywords=" "$eintrag"
pruefe $? "the desktop entry has TryExec and Keywords"

# scripts/package.sh builds nothing but the `programme` target before it
# packs: each file the install rules take from the build folder must be made
# by it, or the package fails on a fresh clone, where nothing else was built.
if [ -f "$BUILD/build.ninja" ] && command -v ninja >/dev/null 2>&1; then
    # Every file the target depends on, however deep.
    ninja -C "$BUILD" -t graph programme | sed -n 's/.*label="\([^"]*\)".*/\1/p' > "$TMP/graph.txt"
    fehlt=""
    for datei in $(grep -o "\"$BUILD/[^\"\$]*\"" "$BUILD/cmake_install.cmake" | tr -d '"'); do
        rel=${datei#"$BUILD"/}
        # The build step that makes the file, by its first output (a copy
        # made after linking is a further output of the link); a file no
        # step makes was written by cmake itself.
        schritt=$(awk -v rel="$rel" -v abs="$datei" '$1 == "build" {
                sub(/:.*/, ""); n = split($0, w, " ")
                for (i = 2; i <= n; i++) {
                    x = w[i]; sub(/^\$\{cmake_ninja_workdir\}/, "", x)
                    if (x == rel || x == abs) { print w[2]; exit }
                }
            }' "$BUILD/build.ninja")
        [ -n "$schritt" ] || continue
        grep -q -x -F -e "$schritt" -e "$BUILD/$schritt" "$TMP/graph.txt" || fehlt="$fehlt $rel"
    done
    test -z "$fehlt"
    pruefe $? "the programme target builds every installed file${fehlt:+ (not:$fehlt)}"
fi
exit $fehler
