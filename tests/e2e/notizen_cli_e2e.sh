#!/bin/sh
# Notes written by other programs while the bar runs: pinwick-notes adds a
# note to the user's own file (found without --file), the bar draws it within
# 3 seconds; a row added with the sqlcipher shell shows as well; pinwick-notes
# deletes both and the band is empty again. Then the bar as a receiver: a
# note pinwick-notes adds to the broadcaster's file (--file) shows on it. The
# band is read from screenshots (own notes are drawn in white, the
# broadcaster's in yellow, nothing else in the band is either).
# Usage: notizen_cli_e2e.sh <app folder> <pinwick-notes> <sqlcipher shell> [folder for screenshots]
set -u
APP="$1"
NOTES="$2"
SQLCIPHER="$3"
BILDER="${4:-}"

. "$(dirname "$0")/gemeinsam.sh"
werkzeuge xdotool import convert
arbeitsordner "$APP"

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
set -u
T="$1"
NOTES="$2"
SQLCIPHER="$3"
. "$4"
B="$T/bilder"
export HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config"
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
weiss() {
    import -window root "$B/tmp.png"
    convert "$B/tmp.png" -crop 1760x24+150+4 +repage -fill black +opaque white \
        -format "%[fx:round(mean*w*h)]" info:
}
bild() { import -window root "$B/$1.png"; }
# Waits up to 3 s (12 looks) for the band to show more (or no more) white.
warte_mehr() {
    for i in $(seq 1 12); do
        sleep 0.25
        [ "$(weiss)" -gt $(($1 + 40)) ] && return 0
    done
    return 1
}
warte_leer() {
    for i in $(seq 1 12); do
        sleep 0.25
        [ "$(weiss)" -le $(($1 + 5)) ] && return 0
    done
    return 1
}

# Starts the bar and waits (up to 30 s on a busy machine) until it shows.
starten() {
    # Nothing opens the first start's help page but the program itself.
    PATH="$(oeffner_pfad "$T")" ./Pinwick3 >> "$T/ausgabe.txt" 2>&1 &
    pid=$!
    for i in $(seq 1 120); do
        [ -n "$(xdotool search --onlyvisible --name '^Pinwick$' 2>/dev/null)" ] && [ -f "$DB" ] && break
        sleep 0.25
    done
    if [ ! -f "$DB" ]; then
        echo "FAILED: the bar did not start"
        cat "$T/ausgabe.txt"
        exit 1
    fi
    sleep 2
}

cd "$T/app"
starten
trap 'kill "$pid" 2>/dev/null' EXIT
leer=$(weiss)
bild 0-leer

id=$("$NOTES" add "Backup window tonight 22:00" --daily)
pruefe $? "pinwick-notes adds a note to the own file"
warte_mehr "$leer"
pruefe $? "the bar draws the note within 3 seconds"
bild 1-cli

mit=$(weiss)
sql "INSERT INTO Notizen (inhalt, Rhythmus) VALUES ('Row from the sqlcipher shell', 0);" >/dev/null
# The second note widens the white part of the band.
mehr=1
for i in $(seq 1 12); do
    sleep 0.25
    [ "$(weiss)" -gt $((mit + 40)) ] && { mehr=0; break; }
done
pruefe $mehr "the bar draws a row added with the sqlcipher shell within 3 seconds"
bild 2-shell
test "$("$NOTES" list | wc -l)" -eq 2
pruefe $? "pinwick-notes lists both notes"

"$NOTES" delete $("$NOTES" list | cut -f1)
pruefe $? "pinwick-notes deletes both"
warte_leer "$leer"
pruefe $? "the band is empty again within 3 seconds"
bild 3-weg

kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null

# -- The bar as a receiver of a broadcaster's file next to it.
SENDER="$T/share/pw.kav"
mkdir -p "$T/share"
cp "$T/app/org.kav" "$SENDER"
sql "UPDATE Einstellungen SET broadcastStatus=-1, broadcastPfad='$SENDER';" >/dev/null
gelb() {
    import -window root -crop 1760x24+150+4 -depth 8 txt:- 2>/dev/null | grep -c -i "#FFFF00"
}
starten
test "$(gelb)" -eq 0
pruefe $? "the receiver starts without broadcast notes"
"$NOTES" --file "$SENDER" add "From the broadcaster" --daily >/dev/null
pruefe $? "pinwick-notes adds a note to the broadcaster's file"
gezeigt=1
for i in $(seq 1 28); do
    sleep 0.25
    [ "$(gelb)" -gt 40 ] && { gezeigt=0; break; }
done
pruefe $gezeigt "the receiver shows it within 7 seconds"
bild 4-empfaenger
[ $fehler -eq 0 ] || cat "$T/ausgabe.txt"

kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit $fehler
INNER

if [ -n "${E2E_DISPLAY:-}" ]; then
    DISPLAY="$E2E_DISPLAY" sh "$TMP/lauf.sh" "$TMP" "$NOTES" "$SQLCIPHER" "$GEMEINSAM"
    rc=$?
else
    "$MIT_XVFB" 1920x1080x24 sh "$TMP/lauf.sh" "$TMP" "$NOTES" "$SQLCIPHER" "$GEMEINSAM"
    rc=$?
fi
if [ -n "$BILDER" ]; then
    mkdir -p "$BILDER"
    cp "$TMP"/bilder/[0-9]*.png "$BILDER/" 2>/dev/null || true
fi
exit $rc
