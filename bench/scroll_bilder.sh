#!/usr/bin/env bash
# What the scrolling band looks like: the real Pinwick3 twice, each on its
# own Xvfb (1920 x 1080) with the same long note, started together: one
# scrolling by copies on the X server, one with PINWICK_BAND=qt (Qt paints
# the band). Screenshots of both are taken at the same moment, three times
# about a second apart, and compared inside the band:
#   - how far the text moved between two screenshots of the same program
#     (the shift that makes the two bands equal), and how many pixels still
#     differ at that shift: tearing or a stale strip would show there;
#   - how many pixels differ between the two programs at the same moment.
# Not part of ctest: run it by hand after a build.
#
# Usage (from the project root): bench/scroll_bilder.sh [APP_DIR=build/app] [OUT_DIR]
# Needs: Xvfb, sqlcipher, ImageMagick (import, convert), python3.
set -u
APP=${1:-build/app}
[ -x "$APP/Pinwick3" ] && [ -f "$APP/org.kav" ] || { echo "no Pinwick3 and org.kav in $APP" >&2; exit 1; }
APP=$(cd "$APP" && pwd)
TMP=$(mktemp -d)
OUT=${2:-$TMP}
mkdir -p "$OUT"
PIDS=()
aufraeumen() {
    for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null; done
    rm -rf "$TMP/h"* "$TMP/w"*
}
trap aufraeumen EXIT

notiz=$(python3 -c "print(' \u00b7 '.join('Scrolling check note number %d with enough words to overflow the band' % i for i in range(20)))")
starten() { # name display [env]
    local h="$TMP/h$1" w="$TMP/w$1"
    mkdir -p "$h/Documents/Pinwick 3" "$w"
    cp "$APP/Pinwick3" "$APP/org.kav" "$w/"
    cp "$APP/org.kav" "$h/Documents/Pinwick 3/pw.kav"
    printf "PRAGMA key='pelmory+sadun';\nupdate Einstellungen set erstVorbei=-1, Sprache=1;\ninsert into Notizen(inhalt,Rhythmus) values('%s',0);\n" "$notiz" |
        sqlcipher "$h/Documents/Pinwick 3/pw.kav" >/dev/null 2>&1
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -noreset 3>"$TMP/anzeige$1" >/dev/null 2>&1 &
    PIDS+=($!)
    for _ in $(seq 50); do [ -s "$TMP/anzeige$1" ] && break; sleep 0.1; done
    echo ":$(head -n 1 "$TMP/anzeige$1")" > "$TMP/d$1"
}
starten server
starten qt
ds=$(cat "$TMP/dserver"); dq=$(cat "$TMP/dqt")
(cd "$TMP/wserver" && HOME="$TMP/hserver" DISPLAY="$ds" exec ./Pinwick3 >/dev/null 2>&1) &
PIDS+=($!)
(cd "$TMP/wqt" && HOME="$TMP/hqt" DISPLAY="$dq" PINWICK_BAND=qt exec ./Pinwick3 >/dev/null 2>&1) &
PIDS+=($!)
sleep 9
: > "$OUT/zeiten"
t0=$(date +%s.%N)
for i in 1 2 3; do
    # One second apart, counted from the first.
    sleep "$(python3 -c "import time; print(max(0, $t0 + $i - 1 - time.time()))")"
    date +%s.%N >> "$OUT/zeiten"
    import -display "$ds" -window root "$OUT/server$i.png" & a=$!
    import -display "$dq" -window root "$OUT/qt$i.png" & b=$!
    wait "$a" "$b"
done

python3 - "$OUT" <<'PY'
import subprocess, sys
out = sys.argv[1]
def laden(name):
    ppm = subprocess.run(['convert', f'{out}/{name}.png', '-depth', '8', 'ppm:-'],
                         capture_output=True, check=True).stdout
    kopf = ppm.split(b'\n', 3)
    w, h = map(int, kopf[1].split())
    return w, h, kopf[3]
bilder = {n: laden(n) for n in ['server1', 'server2', 'server3', 'qt1', 'qt2', 'qt3']}
w, h, d = bilder['server1']
# The bar: the rows at the top whose middle pixel is not the screen's black.
zeilen = [y for y in range(80) if d[(y * w + w // 2) * 3:(y * w + w // 2) * 3 + 3] != b'\0\0\0']
y0, y1 = zeilen[0] + 3, zeilen[-1] - 2
x0, x1 = 140, w - 20  # right of the clock, left of the bar's border
def band(n):
    _, _, d = bilder[n]
    return [d[(y * w + x0) * 3:(y * w + x1) * 3] for y in range(y0, y1)]
def anders(a, b, s):  # a moved left by s against b: differing pixels
    n = 0
    for ra, rb in zip(a, b):
        for x in range(0, len(ra) // 3 - s):
            pa, pb = ra[(x + s) * 3:(x + s) * 3 + 3], rb[x * 3:x * 3 + 3]
            if max(abs(pa[i] - pb[i]) for i in range(3)) > 8:
                n += 1
    return n
def bester(a, b, bereich):
    return min((anders(a, b, s) if s >= 0 else anders(b, a, -s), s) for s in bereich)
zeiten = [float(z) for z in open(f'{out}/zeiten')]
for art in ['server', 'qt']:
    for i in (1, 2):
        n, s = bester(band(f'{art}{i}'), band(f'{art}{i + 1}'), range(0, 81))
        dt = zeiten[i] - zeiten[i - 1]
        print(f'{art} {i}->{i + 1}: moved {s} px in {dt:.2f} s ({s / dt:.1f} px/s), {n} pixels differ after the move')
for i in (1, 2, 3):
    n, s = bester(band(f'server{i}'), band(f'qt{i}'), range(-40, 41))
    print(f'same moment {i}: server path against Qt painting: {n} pixels differ (offset {s} px)')
print(f'band: rows {y0}-{y1 - 1}, columns {x0}-{x1 - 1}; screenshots in {out}')
PY
