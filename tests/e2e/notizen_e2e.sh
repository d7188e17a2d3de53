#!/bin/sh
# The note commands of the real ticker, driven like a person would: Ctrl-N on
# the bar, a weekly note for today and tomorrow inside a time window around
# now, saved; the bar shows it within 5 seconds. Then the administration from
# the bar's menu: the note edited into a permanent one, then deleted with Yes;
# the bar shows nothing any more. The band is read from screenshots (the note
# text is drawn in white, nothing else in the band is), the rows with the
# sqlcipher shell.
# Usage: notizen_e2e.sh <app folder> <sqlcipher shell> [folder for screenshots]
# With E2E_DISPLAY set the run uses that X display instead of its own.
set -u
APP="$1"
SQLCIPHER="$2"
BILDER="${3:-}"

. "$(dirname "$0")/gemeinsam.sh"
werkzeuge xdotool import convert
arbeitsordner "$APP"

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
set -u
T="$1"
SQLCIPHER="$2"
. "$3"
B="$T/bilder"
DB="$T/home/Documents/Pinwick 3/pw.kav"
fehler=0
pruefe() {
    if [ "$1" -ne 0 ]; then echo "FAILED: $2"; fehler=1; else echo "ok: $2"; fi
}
# The running bar reads the file when it sees it change, and may hold it for
# a moment when the shell commits: the shell waits, as every writer must.
sql() {
    printf ".timeout 5000\nPRAGMA key='pelmory+sadun';\n%s\n" "$1" | "$SQLCIPHER" "$DB" 2>&1 | grep -v '^ok$'
}
# Twips to pixels, as the windows place their controls (15 twips a pixel).
px() { echo $(( ($1 + 7) / 15 )); }
fenster() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
warte_fenster() {
    for i in $(seq 1 40); do
        w=$(fenster "$1")
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.25
    done
    return 1
}
warte_weg() {
    for i in $(seq 1 40); do
        [ -z "$(fenster "$1")" ] && return 0
        sleep 0.25
    done
    return 1
}
ursprung() { # prints "X Y" of a window
    xdotool getwindowgeometry "$1" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p'
}
# Clicks at twips (x, y) inside a window, plus a few pixels into the control.
klick() {
    [ -n "$1" ] || return 1
    set -- $(ursprung "$1") "$2" "$3" "$4" "$5"
    xdotool mousemove $(( $1 + $(px "$3") + $5 )) $(( $2 + $(px "$4") + $6 )) click 1
    sleep 0.3
}
# White pixels in the band (right of the date and clock panels).
weiss() {
    import -window root "$B/tmp.png"
    convert "$B/tmp.png" -crop 1760x24+150+4 +repage -fill black +opaque white \
        -format "%[fx:round(mean*w*h)]" info:
}
bild() { import -window root "$B/$1.png"; }

pfad=$(oeffner_pfad "$T")
cd "$T/app"
PATH="$pfad" HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config" ./Pinwick3 > "$T/ausgabe.txt" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null' EXIT
warte_auf_leiste >/dev/null
pruefe $? "the bar shows"
# The first start's help page first, so that it stands in nobody's way.
erste_hilfe e "$T"
sleep 1
leer=$(weiss)
bild 0-leer

# -- Ctrl-N on the bar: the editor opens.
xdotool mousemove 900 12 click 1
sleep 0.3
xdotool key ctrl+n
ed=$(warte_fenster "Pinwick - Edit note")
pruefe $? "Ctrl-N opens the note editor"
xdotool type --delay 20 "Weekly check e2e"
klick "$ed" $((90 + 2350)) $((1050 + 30)) 8 9 # Note with date/time options
klick "$ed" $((90 + 1200)) $((1845 + 45)) 8 9 # Weekly
heute=$(date +%u)
morgen=$(( heute % 7 + 1 ))
spalte=$(( morgen <= 4 ? 0 : 1 ))
zeile=$(( morgen <= 4 ? morgen - 1 : morgen - 5 ))
klick "$ed" $((90 + 90 + spalte * 2340)) $((2250 + 60 + zeile * 285)) 8 9 # tomorrow
jetzt=$(( $(date +%H | sed 's/^0//') * 60 + $(date +%M | sed 's/^0//') ))
von=$(( jetzt - 60 )); [ $von -lt 0 ] && von=0
bis=$(( jetzt + 60 )); [ $bis -gt 1439 ] && bis=1439
vonText=$(printf '%d:%d' $((von / 60)) $((von % 60)))
bisText=$(printf '%d:%d' $((bis / 60)) $((bis % 60)))
klick "$ed" $((90 + 2190)) $((1440 + 37)) 20 10
xdotool type --delay 20 "$vonText"
klick "$ed" $((90 + 3390)) $((1440 + 37)) 20 10
xdotool type --delay 20 "$bisText"
xdotool key Tab # leaving the box normalises it
sleep 0.3
bild 1-editor
klick "$ed" 90 4560 60 12 # Save
warte_weg "Pinwick - Edit note"
pruefe $? "saving closes the editor"
gezeigt=1
for i in $(seq 1 10); do
    sleep 0.5
    [ "$(weiss)" -gt $((leer + 40)) ] && { gezeigt=0; break; }
done
bild 2-gezeigt
pruefe $gezeigt "the bar shows the new note within 5 seconds"
tage=""
for t in 1 2 3 4 5 6 7; do
    if [ $t -eq "$heute" ] || [ $t -eq $morgen ]; then tage="$tage-1"; else tage="$tage 0"; fi
done
zeile=$(sql "SELECT inhalt, Rhythmus, RhyDetails, Dauer, round(UhrVon*1440), round(UhrBis*1440) FROM Notizen;")
echo "row: $zeile"
test "$zeile" = "Weekly check e2e|2|$tage|0|$von.0|$bis.0"
pruefe $? "the row holds the weekly encoding ($tage, $vonText-$bisText)"

# -- The administration from the bar's menu: edit into a permanent note.
xdotool mousemove 900 12 click 3
sleep 0.5
xdotool key Down Down Return
vw=$(warte_fenster "Pinwick - Notes administration")
pruefe $? "the menu opens the notes administration"
bild 3-verwaltung
klick "$vw" 120 120 40 8 # the first note
klick "$vw" 3180 3210 100 12 # Edit first selected note
ed=$(warte_fenster "Pinwick - Edit note")
pruefe $? "the administration opens the editor on the note"
bild 4-bearbeiten
klick "$ed" $((90 + 90)) $((1050 + 30)) 8 9 # Show note permanently
klick "$ed" 90 4560 60 12 # Save
warte_weg "Pinwick - Edit note"
test "$(sql "SELECT Rhythmus, RhyDetails FROM Notizen;")" = "0|$tage"
pruefe $? "the note is permanent now; its weekdays stay in the row"

# -- Delete it with Yes.
klick "$vw" 120 120 40 8
klick "$vw" 3180 3645 100 12 # Delete selected notes
sleep 0.8
bild 5-frage
xdotool key Return
sleep 0.5
test "$(sql "SELECT count(*) FROM Notizen;")" = "0"
pruefe $? "Yes deletes the note"
xdotool key Escape
warte_weg "Pinwick - Notes administration"
pruefe $? "Esc closes the administration"
weg=1
for i in $(seq 1 10); do
    sleep 0.5
    [ "$(weiss)" -le $((leer + 5)) ] && { weg=0; break; }
done
bild 6-weg
pruefe $weg "the bar no longer shows the note"

kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit $fehler
INNER

if [ -n "${E2E_DISPLAY:-}" ]; then
    DISPLAY="$E2E_DISPLAY" sh "$TMP/lauf.sh" "$TMP" "$SQLCIPHER" "$GEMEINSAM"
    rc=$?
else
    if ! command -v Xvfb >/dev/null 2>&1; then
        echo "Xvfb missing"
        exit 1
    fi
    "$MIT_XVFB" 1920x1080x24 sh "$TMP/lauf.sh" "$TMP" "$SQLCIPHER" "$GEMEINSAM"
    rc=$?
fi
if [ -n "$BILDER" ]; then
    mkdir -p "$BILDER"
    cp "$TMP"/bilder/[0-9]*.png "$BILDER/" 2>/dev/null || true
fi
exit $rc
