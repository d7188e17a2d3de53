#!/bin/sh
# The window manager's close request (WM_DELETE_WINDOW) on the ticker bar
# ends the program the way the menu's End does: the process goes and so does the
# network-error marker "nefe". Runs under a virtual X display with openbox,
# on a first start whose help page goes where E2E_OEFFNER says (gemeinsam.sh).
# Usage: schliessen_e2e.sh <app folder>
set -u
APP="$1"

. "$(dirname "$0")/gemeinsam.sh"
werkzeuge Xvfb xdotool openbox python3
arbeitsordner "$APP"

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
T="$1"
HELFER="$2"
. "$3"
openbox > "$T/openbox.txt" 2>&1 &
wm=$!
sleep 1
pfad=$(oeffner_pfad "$T")
cd "$T/app"
PATH="$pfad" HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config" ./Pinwick3 > "$T/ausgabe.txt" 2>&1 &
pid=$!
fenster=$(warte_auf_leiste)
pruefe $? "the bar shows"
erste_hilfe e "$T"
# An outage noted in this run: the end must take the marker away.
printf '2026-12-09 10:00:00\r\n' > "$T/app/nefe"
weg=nein
# The bar is a panel (window type DOCK), which openbox neither focuses for
# Alt+F4 nor offers to close; the close request reaches it the way other
# window managers and task lists send it.
python3 "$HELFER" "$fenster"
for i in $(seq 1 40); do
    if ! kill -0 "$pid" 2>/dev/null; then
        weg=ja
        break
    fi
    sleep 0.25
done
echo "$weg" > "$T/weg.txt"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
kill "$wm" 2>/dev/null
INNER
"$MIT_XVFB" 1280x800x24 sh "$TMP/lauf.sh" "$TMP" "$(cd "$(dirname "$0")" && pwd)/schliessen_bitten.py" \
    "$GEMEINSAM" > "$TMP/lauf.txt" 2>&1
cat "$TMP/lauf.txt"
! grep -q "^FAILED" "$TMP/lauf.txt"
pruefe $? "the bar and the first start's help page"
test "$(cat "$TMP/weg.txt" 2>/dev/null)" = "ja"
pruefe $? "the close request ended the process"
test ! -e "$TMP/app/nefe"
pruefe $? "nefe deleted"
exit $fehler
