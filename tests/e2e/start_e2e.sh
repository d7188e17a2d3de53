#!/bin/sh
# The real ticker program on a virtual X display: the first start makes the
# database from the template, shows the bar docked at the top and the German
# help page (ssp.kav says German) with the desktop's handler or in its own
# window (E2E_OEFFNER, gemeinsam.sh); a start without the template stops
# with a message naming it and makes nothing.
# Usage: start_e2e.sh <app folder> <sqlcipher shell>
set -u
APP="$1"
SQLCIPHER="$2"

. "$(dirname "$0")/gemeinsam.sh"
werkzeuge Xvfb xdotool

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$TMP/home" "$TMP/app"
cp "$APP/Pinwick3" "$APP/org.kav" "$TMP/app/"
cp "$APP"/*.htm "$TMP/app/" 2>/dev/null || true
printf '2\r\n' > "$TMP/app/ssp.kav"

# -- first start, launched by its full path from the home folder as a desktop
# launcher does: the bar appears at the top, full width, and the files lying
# in the home folder are none of its business.
printf 'x' > "$TMP/home/pwi"
printf 'x' > "$TMP/home/updlist.txt"
cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
. "$2"
pfad=$(oeffner_pfad "$1")
cd "$1/home"
PATH="$pfad" HOME="$1/home" XDG_CONFIG_HOME="$1/home/.config" "$1/app/Pinwick3" > "$1/ausgabe.txt" 2>&1 &
pid=$!
warte_auf_leiste >/dev/null
pruefe $? "the bar shows"
erste_hilfe d "$1"
for w in $(xdotool search --onlyvisible --classname Pinwick3 2>/dev/null); do
    xdotool getwindowgeometry "$w"
done > "$1/geometrie.txt"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
INNER
"$MIT_XVFB" 1280x800x24 sh "$TMP/lauf.sh" "$TMP" "$GEMEINSAM" > "$TMP/lauf.txt" 2>&1
cat "$TMP/lauf.txt"
! grep -q "^FAILED" "$TMP/lauf.txt"
pruefe $? "the first start, driven on the display"
cat "$TMP/geometrie.txt"
grep -q "Position: 0,0" "$TMP/geometrie.txt" && grep -q "Geometry: 1280x" "$TMP/geometrie.txt"
pruefe $? "bar docked at the top, as wide as the screen"
test -f "$TMP/home/Documents/Pinwick 3/pw.kav"
pruefe $? "first start made Documents/Pinwick 3/pw.kav"
erst=$(printf "PRAGMA key='pelmory+sadun';\nSELECT erstVorbei FROM Einstellungen;\n" |
    "$SQLCIPHER" "$TMP/home/Documents/Pinwick 3/pw.kav" 2>&1 | tail -n 1)
test "$erst" = "-1"
pruefe $? "first run recorded (erstVorbei = $erst)"
test -f "$TMP/home/pwi" && test -f "$TMP/home/updlist.txt" && test ! -e "$TMP/app/pwi.kav"
pruefe $? "files in the folder it was started from left alone"

# -- no template, no database: the start stops and names the template
rm -rf "$TMP/home/Documents"
rm "$TMP/app/org.kav"
cd "$TMP/app"
HOME="$TMP/home" XDG_CONFIG_HOME="$TMP/home/.config" QT_QPA_PLATFORM=offscreen ./Pinwick3 > "$TMP/fehlt.txt" 2>&1
rc=$?
cat "$TMP/fehlt.txt"
test $rc -ne 0 && grep -q "org.kav" "$TMP/fehlt.txt"
pruefe $? "missing template stops the start with its name"
test ! -e "$TMP/home/Documents/Pinwick 3/pw.kav"
pruefe $? "no database without the template"

exit $fehler
