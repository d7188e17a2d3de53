#!/bin/sh
# The reader's say over the scrolling text in the real ticker: the pointer
# on the band stands it while the clock goes on; --pause from a second start
# stands it (pages), --resume lets it scroll again; a kdeglobals asking for
# no animations, in the test's own config folder, gives pages instead of
# scrolling. Every note overflows the band; the pictures are screenshots a
# second apart, compared in the band and in the clock.
# Usage: laufschrift_e2e.sh <app folder> <template> <sqlcipher shell>
set -u
APP="$1"
VORLAGE="$2"
SQLCIPHER="$3"
. "$(dirname "$0")/gemeinsam.sh"
werkzeuge Xvfb xdotool import compare

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$TMP/app" "$TMP/home/Documents/Pinwick 3" "$TMP/pfad" "$TMP/xdg" "$TMP/bilder"
cp "$APP/Pinwick3" "$TMP/app/"
cp "$VORLAGE" "$TMP/home/Documents/Pinwick 3/pw.kav"
{
    printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET erstVorbei=-1, Sprache=1;\n"
    for i in 1 2 3 4 5 6 7 8 9 10 11 12; do
        printf "INSERT INTO Notizen (inhalt, Rhythmus) VALUES ('Note number %s, long enough to fill a good part of the band', 0);\n" "$i"
    done
} | "$SQLCIPHER" "$TMP/home/Documents/Pinwick 3/pw.kav" >/dev/null

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
T="$1"
. "$2"
# Nothing of the machine's desktop: no gsettings on the program's PATH, only
# the test's own config folders, and no session bus (so no portal).
unset DBUS_SESSION_BUS_ADDRESS
export HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config" XDG_CONFIG_DIRS="$T/xdg" \
    XDG_RUNTIME_DIR="$T/rt" BROWSER=true
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
cd "$T/app"
starten() {
    PATH="$T/pfad" ./Pinwick3 > "$T/ausgabe-$1.txt" 2>&1 &
    pid=$!
    warte_auf_leiste > /dev/null || { echo "no bar"; cat "$T/ausgabe-$1.txt"; return 1; }
    # The splash second and the first rebuild are over.
    sleep 2.5
    fenster=$(leiste)
    eval "$(xdotool getwindowgeometry --shell "$fenster")"
    # The band: the middle of the bar (date and clock sit at its left end).
    BAND="$((WIDTH / 3))x$((HEIGHT - 4))+$((X + WIDTH / 3))+$((Y + 2))"
    UHR="120x$((HEIGHT - 4))+$((X + 2))+$((Y + 2))"
    MITTE_X=$((X + WIDTH / 2))
    MITTE_Y=$((Y + HEIGHT / 2))
}
beenden() {
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}
# zwei NAME: two screenshots a second apart; prints "band same|moved clock same|moved".
zwei() {
    import -window root "$T/bilder/$1-a.png"
    sleep 1
    import -window root "$T/bilder/$1-b.png"
    band=$(compare -metric AE -extract "$BAND" "$T/bilder/$1-a.png" "$T/bilder/$1-b.png" null: 2>&1)
    uhr=$(compare -metric AE -extract "$UHR" "$T/bilder/$1-a.png" "$T/bilder/$1-b.png" null: 2>&1)
    [ "$band" = 0 ] && b=same || b=moved
    [ "$uhr" = 0 ] && u=same || u=moved
    echo "$1: band $b clock $u"
}

starten lauf || exit 1
xdotool mousemove 5 $((MITTE_Y + 300))
sleep 0.5
zwei frei
xdotool mousemove "$MITTE_X" "$MITTE_Y"
sleep 0.5
zwei zeiger
xdotool mousemove 5 $((MITTE_Y + 300))
sleep 0.5
zwei danach

timeout 10 env PATH="$T/pfad" ./Pinwick3 --pause > "$T/pause.txt" 2>&1
echo "pause rc $?"
sleep 0.5
zwei angehalten
timeout 10 env PATH="$T/pfad" ./Pinwick3 --resume > "$T/resume.txt" 2>&1
echo "resume rc $?"
sleep 0.5
zwei fortgesetzt
beenden

# Less motion asked for by KDE's setting: pages that stand, then turn.
printf '[KDE]\nAnimationDurationFactor=0\n' > "$XDG_CONFIG_HOME/kdeglobals"
starten kde || exit 1
xdotool mousemove 5 $((MITTE_Y + 300))
zwei seiten
# A page turns after its time (at least 5 s); the second pair may have
# caught the turn, so one more.
zwei seiten2
sleep 6
import -window root "$T/bilder/seiten-spaeter.png"
spaeter=$(compare -metric AE -extract "$BAND" "$T/bilder/seiten-a.png" "$T/bilder/seiten-spaeter.png" null: 2>&1)
[ "$spaeter" = 0 ] && echo "pages: turned no" || echo "pages: turned yes"
beenden
INNER
"$MIT_XVFB" 1280x800x24 sh "$TMP/lauf.sh" "$TMP" "$GEMEINSAM" > "$TMP/lauf.txt" 2>&1
cat "$TMP/lauf.txt"
[ -n "${BILDER_ORDNER:-}" ] && cp "$TMP"/bilder/*.png "$BILDER_ORDNER/" 2>/dev/null

grep -q "^frei: band moved clock" "$TMP/lauf.txt"
pruefe $? "the band scrolls with the pointer elsewhere"
grep -q "^zeiger: band same clock moved" "$TMP/lauf.txt"
pruefe $? "the pointer on the band stands it; the clock goes on"
grep -q "^danach: band moved" "$TMP/lauf.txt"
pruefe $? "the band goes on when the pointer leaves"
grep -q "^pause rc 0" "$TMP/lauf.txt" && grep -q "^angehalten: band same clock moved" "$TMP/lauf.txt"
pruefe $? "--pause from a second start stands the band"
grep -q "^resume rc 0" "$TMP/lauf.txt" && grep -q "^fortgesetzt: band moved" "$TMP/lauf.txt"
pruefe $? "--resume lets it scroll again"
grep -q "^seiten: band same" "$TMP/lauf.txt" || grep -q "^seiten2: band same" "$TMP/lauf.txt"
pruefe $? "AnimationDurationFactor=0 in kdeglobals: the band stands as pages"
grep -q "^pages: turned yes" "$TMP/lauf.txt"
pruefe $? "the pages turn by themselves"
exit $fehler
