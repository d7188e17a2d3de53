#!/bin/sh
# News feeds in the real bar: a feed server the test starts on 127.0.0.1,
# the bar running, then `pinwick-notes feed add` of two feeds (red and blue).
# Both feeds' items must show in the band within a minute (the bar's log
# line and the band's pixels in each feed's colour); a click on a red item
# hands its page to the stub handler once the double-click time has passed;
# the next fetch of a feed sends If-None-Match and is answered 304 (the
# server's log); a double-click on an item opens no page. The waits are
# shortened by PINWICK_FEEDS_SCHNELLER.
# Usage: feeds_e2e.sh <app folder> <template> <pinwick-notes> <sqlcipher shell> <feed server>
set -u
APP="$1"
VORLAGE="$2"
NOTES="$3"
SQLCIPHER="$4"
SERVER="$5"
. "$(dirname "$0")/gemeinsam.sh"
werkzeuge Xvfb xdotool import convert python3

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$TMP/app" "$TMP/home/Documents/Pinwick 3" "$TMP/bilder" "$TMP/feeds" "$TMP/cache"
cp "$APP/Pinwick3" "$TMP/app/"
DB="$TMP/home/Documents/Pinwick 3/pw.kav"
cp "$VORLAGE" "$DB"
printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET erstVorbei=-1, Sprache=1;\n" |
    "$SQLCIPHER" "$DB" >/dev/null

# rss NAME TITLE WORD: a feed of three items whose pages are /seite/WORD-n.
rss() {
    {
        printf '<?xml version="1.0" encoding="UTF-8"?>\n<rss version="2.0"><channel><title>%s</title>\n' "$2"
        for n in 1 2 3; do
            printf '<item><title>%s news %s</title><link>/seite/%s-%s</link><description>About %s %s</description></item>\n' \
                "$3" "$n" "$3" "$n" "$3" "$n"
        done
        printf '</channel></rss>\n'
    } > "$TMP/feeds/$1"
}
rss eins.xml "Red feed" Alpha
rss zwei.xml "Blue feed" Beta

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
set -u
T="$1"
NOTES="$2"
SERVER="$3"
. "$4"
export HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config" XDG_CACHE_HOME="$T/cache" \
    XDG_RUNTIME_DIR="$T/rt" BROWSER=true
mkdir -p -m 700 "$XDG_RUNTIME_DIR"

python3 "$SERVER" --ordner "$T/feeds" > "$T/port.txt" 2> "$T/server.txt" &
spid=$!
for i in $(seq 1 40); do
    grep -q '^PORT' "$T/port.txt" 2>/dev/null && break
    sleep 0.25
done
PORT=$(sed -n 's/^PORT //p' "$T/port.txt")
[ -n "$PORT" ] || { echo "no feed server"; kill "$spid"; exit 1; }

cd "$T/app"
# Only the stub opens pages: it notes them in $T/geoeffnet.txt.
PFAD=$(E2E_OEFFNER=mit oeffner_pfad "$T")
# A quarter of an hour becomes three seconds.
PATH="$PFAD" PINWICK_FEEDS_SCHNELLER=300 ./Pinwick3 > "$T/ausgabe.txt" 2>&1 &
pid=$!
trap 'kill "$pid" "$spid" 2>/dev/null' EXIT
warte_auf_leiste > /dev/null || { echo "no bar"; cat "$T/ausgabe.txt"; exit 1; }
sleep 2
fenster=$(leiste)
eval "$(xdotool getwindowgeometry --shell "$fenster")"
# The band: the bar right of date and clock.
BX=$((X + 200))
BY=$((Y + 1))
BAND="$((WIDTH - 200))x$((HEIGHT - 2))+$BX+$BY"
# farbe COLOUR: pixels of the band in that colour (a little fuzz for the
# edges of the glyphs' cores).
farbe() {
    import -window root "$T/bilder/jetzt.png" 2>/dev/null
    convert "$T/bilder/jetzt.png" -crop "$BAND" +repage -fuzz 8% -fill white -opaque "$1" \
        -fill black +opaque white -format "%[fx:round(mean*w*h)]" info:
}
echo "red before: $(farbe '#FF0000') blue before: $(farbe '#0000FF')"

"$NOTES" feed add "http://127.0.0.1:$PORT/feed/eins.xml" --colour '#FF0000' --title Red > /dev/null
echo "add red rc $?"
"$NOTES" feed add "http://127.0.0.1:$PORT/feed/zwei.xml" --colour '#0000FF' --title Blue > /dev/null
echo "add blue rc $?"

gezeigt=no
for i in $(seq 1 120); do
    if grep -q "the band shows 6 feed items" "$T/ausgabe.txt"; then gezeigt=yes; break; fi
    sleep 0.5
done
echo "log: six items $gezeigt"
# Drawn at the next step; a scrolling band may need a moment to bring both in.
rot=0; blau=0
for i in $(seq 1 20); do
    rot=$(farbe '#FF0000'); blau=$(farbe '#0000FF')
    [ "$rot" -gt 20 ] && [ "$blau" -gt 20 ] && break
    sleep 0.5
done
cp "$T/bilder/jetzt.png" "$T/bilder/feeds.png"
echo "red after: $rot blue after: $blau"

# The pointer on the band stands it; then a pixel in a feed's colour is
# found in a screenshot (the middle one of all such pixels, which lies in
# an item's text) and clicked.
xdotool mousemove $((BX + 10)) $((BY + HEIGHT / 2))
sleep 1
import -window root "$T/bilder/klick.png"
# stelle COLOUR: "x y" on the screen of the middle pixel of that colour.
stelle() {
    convert "$T/bilder/klick.png" -crop "$BAND" +repage -fuzz 8% -fill white -opaque "$1" \
        -fill black +opaque white txt:- | grep -i '#FFFFFF' | sed 's/^\([0-9]*\),\([0-9]*\):.*/\1 \2/' > "$T/stellen.txt"
    n=$(wc -l < "$T/stellen.txt")
    sed -n "$((n / 2 + 1))p" "$T/stellen.txt" | { read -r sx sy; echo "$((BX + sx)) $((BY + sy))"; }
}
rot_stelle=$(stelle '#FF0000')
echo "red at: $rot_stelle"
xdotool mousemove $rot_stelle click 1
geoeffnet=no
for i in $(seq 1 20); do
    sleep 0.5
    grep -q "^http://127.0.0.1:$PORT/seite/Alpha-[123]\$" "$T/geoeffnet.txt" 2>/dev/null && { geoeffnet=yes; break; }
done
echo "click: opened $geoeffnet"
cat "$T/geoeffnet.txt" 2>/dev/null

nm=no
for i in $(seq 1 40); do
    grep -q '^GET /feed/eins.xml HTTP/1.1 inm="[0-9a-f]*" status=304' "$T/server.txt" && { nm=yes; break; }
    sleep 0.5
done
echo "second fetch: 304 $nm"

# A double-click on a blue item opens the administration, never the page.
blau_stelle=$(stelle '#0000FF')
echo "blue at: $blau_stelle"
xdotool mousemove $blau_stelle click --repeat 2 --delay 60 1
sleep 2
grep -q "/seite/Beta-" "$T/geoeffnet.txt" 2>/dev/null && echo "double-click: opened a page" || echo "double-click: no page"
if [ "$gezeigt" != yes ] || [ "$geoeffnet" != yes ] || [ "$nm" != yes ]; then
    echo "--- bar"; tail -30 "$T/ausgabe.txt"; echo "--- server"; tail -10 "$T/server.txt"
fi
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
kill "$spid" 2>/dev/null
INNER
"$MIT_XVFB" 1280x800x24 sh "$TMP/lauf.sh" "$TMP" "$NOTES" "$SERVER" "$GEMEINSAM" > "$TMP/lauf.txt" 2>&1
cat "$TMP/lauf.txt"
[ -n "${BILDER_ORDNER:-}" ] && cp "$TMP"/bilder/*.png "$BILDER_ORDNER/" 2>/dev/null

grep -q "^add red rc 0" "$TMP/lauf.txt" && grep -q "^add blue rc 0" "$TMP/lauf.txt"
pruefe $? "pinwick-notes adds both feeds while the bar runs"
grep -q "^log: six items yes" "$TMP/lauf.txt"
pruefe $? "the bar takes both feeds' items within a minute"
rot=$(sed -n 's/^red after: \([0-9]*\) .*/\1/p' "$TMP/lauf.txt")
blau=$(sed -n 's/.* blue after: \([0-9]*\)$/\1/p' "$TMP/lauf.txt")
[ "${rot:-0}" -gt 20 ] && [ "${blau:-0}" -gt 20 ]
pruefe $? "the band draws both feeds' items in their colours"
grep -q "^click: opened yes" "$TMP/lauf.txt"
pruefe $? "a click on a red item hands its page to the handler"
grep -q "^second fetch: 304 yes" "$TMP/lauf.txt"
pruefe $? "the next fetch sends If-None-Match and gets 304"
grep -q "^double-click: no page" "$TMP/lauf.txt"
pruefe $? "a double-click on an item opens no page"
exit $fehler
