#!/bin/sh
# The settings window and the sysop prompt in the real program on a virtual
# X display, driven with the mouse and the keyboard: the bar's menu opens the
# settings; German is chosen and saved; sysop mode is switched on with a
# password; the menu then asks for it, refuses a wrong one with the red
# message and opens the settings for the right one. It is a first start:
# the help page goes where E2E_OEFFNER says (gemeinsam.sh) before all that.
# The file keeps only the password's hash, and the first start made it for
# this user alone.
# Usage: einstellungen_e2e.sh <app folder> <sqlcipher shell>
set -u
APP="$1"
SQLCIPHER="$2"

. "$(dirname "$0")/gemeinsam.sh"
werkzeuge Xvfb xdotool import convert
arbeitsordner "$APP"

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
T="$1"
. "$2"
pfad=$(oeffner_pfad "$T")
cd "$T/app"
PATH="$pfad" HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config" ./Pinwick3 > "$T/ausgabe.txt" 2>&1 &
pid=$!
log() { echo "$*" >> "$T/ergebnis.txt"; }

# The window of the program with this title, once it is shown.
fenster() {
    for i in $(seq 1 40); do
        w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
        if [ -n "$w" ]; then
            echo "$w"
            return
        fi
        sleep 0.25
    done
}
# The prompt: the program's only window 138 pixels high.
prompt() {
    for w in $(xdotool search --onlyvisible --classname Pinwick3 2>/dev/null); do
        if xdotool getwindowgeometry "$w" | grep -q "Geometry: 391x138"; then
            echo "$w"
            return
        fi
    done
}
# The settings entry of the bar's menu: third in the list. The pointer leaves
# the menu first, so that no entry under it is the starting point.
einstellungen() {
    xdotool mousemove 600 10 click 3
    sleep 0.7
    xdotool mousemove 300 600
    sleep 0.3
    xdotool key Down Down Down Down Return
    sleep 1.5
}

leiste=$(warte_auf_leiste)
if [ -z "$leiste" ]; then
    log "FAILED: no bar"
    kill -0 "$pid" 2>/dev/null && log "the program still runs" ||
        { wait "$pid"; log "the program had ended with status $?"; }
    sed 's/^/program: /' "$T/ausgabe.txt" >> "$T/ergebnis.txt"
    kill "$pid" 2>/dev/null
    exit 0
fi
erste_hilfe e "$T" >> "$T/ergebnis.txt"
sleep 1

# -- English settings, switched to German and saved
einstellungen
w=$(fenster "Pinwick - Settings")
[ -n "$w" ] && log "ok: the menu opened the settings" || log "FAILED: no settings window"
xdotool mousemove --window "$w" 376 451 click 1
sleep 0.5
[ "$(xdotool getwindowname "$w")" = "Pinwick - Einstellungen" ] &&
    log "ok: German captions at once" || log "FAILED: title $(xdotool getwindowname "$w")"
xdotool mousemove --window "$w" 475 555 click 1
sleep 1.5
[ -z "$(xdotool search --onlyvisible --name '^Pinwick - ' 2>/dev/null)" ] &&
    log "ok: saving closed the window" || log "FAILED: the window stayed"

# -- sysop mode with a password
einstellungen
w=$(fenster "Pinwick - Einstellungen")
[ -n "$w" ] && log "ok: no prompt while sysop mode is off" || log "FAILED: no settings window"
xdotool mousemove --window "$w" 23 211 click 1
sleep 0.3
xdotool mousemove --window "$w" 160 237 click 1
xdotool type "Geheim-123"
xdotool mousemove --window "$w" 475 555 click 1
sleep 1.5

# -- the prompt: a wrong password, then the right one
einstellungen
t=$(prompt)
[ -n "$t" ] && log "ok: the menu asks for the password" || log "FAILED: no prompt"
xdotool type "geheim-123"
xdotool key Return
sleep 0.7
lage=$(xdotool getwindowgeometry "$t" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
x=$(( ${lage% *} + 100 )); y=$(( ${lage#* } + 93 ))
import -window root "$T/prompt.png"
farbe=$(convert "$T/prompt.png" -crop "1x1+$x+$y" -depth 8 txt:- | tail -n 1)
echo "$farbe" | grep -q "#FF0000" && log "ok: red message line" || log "FAILED: message line $farbe"
[ -n "$(prompt)" ] && log "ok: the prompt stays after a wrong password" ||
    log "FAILED: the prompt went"
[ -z "$(xdotool search --onlyvisible --name '^Pinwick - ' 2>/dev/null)" ] &&
    log "ok: no settings for a wrong password" || log "FAILED: settings opened"
xdotool type "Geheim-123"
xdotool key Return
w=$(fenster "Pinwick - Einstellungen")
[ -n "$w" ] && log "ok: the right password opens the settings" || log "FAILED: no settings"
[ -z "$(prompt)" ] && log "ok: the prompt went" || log "FAILED: the prompt stayed"
xdotool key Escape
sleep 1
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
INNER
"$MIT_XVFB" 1280x800x24 sh "$TMP/lauf.sh" "$TMP" "$GEMEINSAM"

fehler=0
cat "$TMP/ergebnis.txt" 2>/dev/null || { echo "FAILED: no results"; fehler=1; }
grep -q FAILED "$TMP/ergebnis.txt" 2>/dev/null && fehler=1

werte=$(printf "PRAGMA key='pelmory+sadun';\nSELECT Sprache, sysopStatus, passWort FROM Einstellungen;\n" |
    "$SQLCIPHER" "$TMP/home/Documents/Pinwick 3/pw.kav" 2>&1 | tail -n 1)
# The password only as its Argon2id hash, never in the clear.
case "$werte" in
'2|-1|$argon2id$v=19$m=65536,t=2,p=1$'*) echo "ok: stored $werte" ;;
*) echo "FAILED: stored $werte"; fehler=1 ;;
esac
# The first start made the folder and the file for this user alone.
rechte=$(stat -c '%a' "$TMP/home/Documents/Pinwick 3" "$TMP/home/Documents/Pinwick 3/pw.kav" | tr '\n' ' ')
if [ "$rechte" = "700 600 " ]; then echo "ok: folder and file $rechte"; else
    echo "FAILED: folder and file $rechte"; fehler=1; fi
exit $fehler
