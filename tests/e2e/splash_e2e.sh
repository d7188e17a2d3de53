#!/bin/sh
# The splash under a window manager (openbox), which maps and exposes a
# window some time after the program shows it: the splash must be painted
# during its second, before the bar comes. Screen samples are taken only
# while the splash is the program's one window.
# Usage: splash_e2e.sh <app folder> <template> <sqlcipher shell>
MIT_XVFB="$(cd "$(dirname "$0")" && pwd)/mit_xvfb.sh"
set -u
APP="$1"
VORLAGE="$2"
SQLCIPHER="$3"
for p in Xvfb xdotool openbox import convert; do
    command -v "$p" >/dev/null 2>&1 || { echo "$p missing"; exit 1; }
done

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$TMP/app" "$TMP/home/Documents/Pinwick 3"
cp "$APP/Pinwick3" "$TMP/app/"
cp "$VORLAGE" "$TMP/home/Documents/Pinwick 3/pw.kav"
printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET erstVorbei=-1, Sprache=1;\n" |
    "$SQLCIPHER" "$TMP/home/Documents/Pinwick 3/pw.kav" >/dev/null

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
T="$1"
export HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config" XDG_RUNTIME_DIR="$T/rt" BROWSER=true
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
cd "$T/app"
./Pinwick3 >/dev/null 2>&1 &
pid=$!
fenster() { xdotool search --onlyvisible --classname Pinwick3 2>/dev/null; }
breiten() { for w in $(fenster); do xdotool getwindowgeometry "$w" | awk '/Geometry/ {print $2}'; done; }
# The splash is 480 x 240 in the middle of the 1280 x 800 screen; a point
# well inside its dark blue lower left part. Any wider window is the bar:
# the splash's second is over.
for i in $(seq 1 80); do
    b=$(breiten)
    if [ "$b" = "480x240" ]; then
        farbe=$(import -window root -crop 1x1+500+480 txt:- 2>/dev/null | grep -o 'srgb([0-9,]*)' | tail -n 1)
        [ "$(breiten)" = "480x240" ] && echo "sample $farbe $(date +%s.%N)"
    elif [ -n "$b" ]; then
        break
    fi
    sleep 0.05
done
sleep 1
kill $pid 2>/dev/null
wait $pid 2>/dev/null
kill $wm 2>/dev/null
INNER
"$MIT_XVFB" 1280x800x24 sh "$TMP/lauf.sh" "$TMP" > "$TMP/lauf.txt" 2>&1
cat "$TMP/lauf.txt"
# Dark blue: little red and green, some blue.
awk -F'[(,)]' '/^sample/ { if ($2 < 40 && $3 < 40 && $4 > 60) blau = 1; n++ }
    END { printf "samples %d, painted %d\n", n, blau; exit !(n > 0 && blau) }' "$TMP/lauf.txt"
rc=$?
if [ $rc -eq 0 ]; then echo "ok: the splash is painted under a window manager"; else
    echo "FAILED: the splash stands unpainted under a window manager"; fi
exit $rc
