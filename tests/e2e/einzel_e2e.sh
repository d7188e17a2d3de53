#!/bin/sh
# One bar per user and display, and the command line of the real program:
# --version and --help answer without a display and touch no file; a second
# start hands over to the running bar and ends, writing nothing; --new-note
# opens the editor on the running bar, also when a modal window stands in
# its way (the window comes forward, the editor follows once it closes), and
# a bar that allows no own notes refuses it with the reason; a bar killed
# outright leaves nothing that blocks the next start.
# Usage: einzel_e2e.sh <app folder> <template> <sqlcipher shell>
set -u
APP="$1"
VORLAGE="$2"
SQLCIPHER="$3"
. "$(dirname "$0")/gemeinsam.sh"
werkzeuge Xvfb xdotool

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$TMP/app" "$TMP/home/Documents/Pinwick 3" "$TMP/leer"
cp "$APP/Pinwick3" "$TMP/app/"
cp "$VORLAGE" "$TMP/home/Documents/Pinwick 3/pw.kav"
printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET erstVorbei=-1, Sprache=1;\n" |
    "$SQLCIPHER" "$TMP/home/Documents/Pinwick 3/pw.kav" >/dev/null


# -- the answers that need nothing: no display, an empty home, no template
for fall in "--version|Pinwick 3.01" "-v|Pinwick 3.01" "--help|--new-note" "-h|Usage: Pinwick3"; do
    schalter=${fall%%|*}
    erwartet=${fall#*|}
    aus=$(cd "$TMP/leer" && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$TMP/leer" \
        XDG_RUNTIME_DIR="$TMP/leer" "$TMP/app/Pinwick3" "$schalter" 2>&1)
    rc=$?
    test $rc -eq 0 && printf '%s' "$aus" | grep -q -- "$erwartet" &&
        test -z "$(ls -A "$TMP/leer")"
    pruefe $? "$schalter prints \"$erwartet\" without a display and writes nothing"
done
(cd "$TMP/leer" && HOME="$TMP/leer" QT_QPA_PLATFORM=offscreen "$TMP/app/Pinwick3" --bogus) \
    > "$TMP/bogus.txt" 2>&1
rc=$?
test $rc -eq 2 && grep -q "bogus" "$TMP/bogus.txt"
pruefe $? "an unknown option is refused by name (exit $rc)"

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
T="$1"
SQLCIPHER="$2"
export HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config" XDG_RUNTIME_DIR="$T/rt" BROWSER=true
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
cd "$T/app"
leisten() { xdotool search --onlyvisible --classname Pinwick3 2>/dev/null | wc -l; }
warten_auf_leiste() {
    for i in $(seq 1 60); do
        [ "$(leisten)" -ge 1 ] && break
        sleep 0.25
    done
    sleep 1.5
}
./Pinwick3 >/dev/null 2>&1 &
erste=$!
warten_auf_leiste
echo "windows before $(leisten)"
stand=$(stat -c %Y.%s "$T/home/Documents/Pinwick 3/pw.kav")
# The second start: hands over and is gone at once.
timeout 5 ./Pinwick3 > "$T/zweite.txt" 2>&1
echo "second rc $?"
sleep 1
echo "windows after $(leisten)"
echo "alive $(kill -0 $erste 2>/dev/null && echo yes || echo no)"
[ "$stand" = "$(stat -c %Y.%s "$T/home/Documents/Pinwick 3/pw.kav")" ] && echo "database untouched"
# --new-note: the running bar opens its editor.
timeout 5 ./Pinwick3 --new-note >/dev/null 2>&1
echo "new-note rc $?"
editor=""
for i in $(seq 1 20); do
    editor=$(xdotool search --onlyvisible --name "Edit note" 2>/dev/null | head -n 1)
    [ -n "$editor" ] && break
    sleep 0.25
done
echo "editor ${editor:-none}"
# Asked again while the editor is open: still one editor.
timeout 5 ./Pinwick3 --new-note >/dev/null 2>&1
sleep 1
echo "editors $(xdotool search --onlyvisible --name "Edit note" 2>/dev/null | wc -l)"
# The editor goes; the about box, modal, opens from the bar's menu.
xdotool windowfocus "$editor" 2>/dev/null
sleep 0.3
xdotool key Escape
for i in $(seq 1 20); do
    [ -z "$(xdotool search --onlyvisible --name "Edit note" 2>/dev/null)" ] && break
    sleep 0.25
done
xdotool mousemove 600 10 click 3
sleep 0.7
xdotool mousemove 300 600
sleep 0.3
# About is the seventh entry of the menu.
xdotool key Down Down Down Down Down Down Down Return
box=""
for i in $(seq 1 20); do
    box=$(xdotool search --onlyvisible --name "^About \.\.\.\$" 2>/dev/null | head -n 1)
    [ -n "$box" ] && break
    sleep 0.25
done
echo "box ${box:-none}"
# --new-note behind it: answered at once, the box stays in front and no
# editor opens over it; once the box is closed, the editor follows.
timeout 20 ./Pinwick3 --new-note > "$T/dahinter.txt" 2>&1
echo "behind rc $?"
sleep 1
echo "editors behind $(xdotool search --onlyvisible --name "Edit note" 2>/dev/null | wc -l)"
xdotool windowfocus "$box" 2>/dev/null
sleep 0.3
xdotool key Escape
editor=""
for i in $(seq 1 20); do
    editor=$(xdotool search --onlyvisible --name "Edit note" 2>/dev/null | head -n 1)
    [ -n "$editor" ] && break
    sleep 0.25
done
echo "editor after the box ${editor:-none}"
# Killed outright: lock and socket stay behind, and must not block.
kill -9 $erste
wait $erste 2>/dev/null
./Pinwick3 >/dev/null 2>&1 &
dritte=$!
warten_auf_leiste
echo "after kill $(leisten) alive $(kill -0 $dritte 2>/dev/null && echo yes || echo no)"
kill $dritte 2>/dev/null
wait $dritte 2>/dev/null
# A bar that allows no own notes refuses --new-note, and says why.
printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET eigeneErlauben=0;\n" |
    "$SQLCIPHER" "$T/home/Documents/Pinwick 3/pw.kav" >/dev/null
./Pinwick3 >/dev/null 2>&1 &
vierte=$!
warten_auf_leiste
timeout 20 ./Pinwick3 --new-note > "$T/abgelehnt.txt" 2>&1
echo "refused rc $?"
sleep 1
echo "editors refused $(xdotool search --onlyvisible --name "Edit note" 2>/dev/null | wc -l)"
kill $vierte 2>/dev/null
wait $vierte 2>/dev/null
INNER
"$MIT_XVFB" 1280x800x24 sh "$TMP/lauf.sh" "$TMP" "$SQLCIPHER" > "$TMP/lauf.txt" 2>&1
cat "$TMP/lauf.txt"
grep -q "^windows before 1$" "$TMP/lauf.txt" && grep -q "^second rc 0$" "$TMP/lauf.txt" &&
    grep -q "^windows after 1$" "$TMP/lauf.txt" && grep -q "^alive yes$" "$TMP/lauf.txt"
pruefe $? "a second start hands over to the running bar and ends"
test ! -s "$TMP/zweite.txt" && grep -q "^database untouched$" "$TMP/lauf.txt"
pruefe $? "the second start prints and writes nothing"
grep -q "^new-note rc 0$" "$TMP/lauf.txt" && ! grep -q "^editor none$" "$TMP/lauf.txt" &&
    grep -q "^editors 1$" "$TMP/lauf.txt"
pruefe $? "--new-note opens one editor on the running bar"
grep -q "^after kill 1 alive yes$" "$TMP/lauf.txt"
pruefe $? "a bar killed outright does not block the next start"
! grep -q "^box none$" "$TMP/lauf.txt" && grep -q "^behind rc 0$" "$TMP/lauf.txt" &&
    grep -q "^editors behind 0$" "$TMP/lauf.txt" && ! grep -q "^editor after the box none$" "$TMP/lauf.txt"
pruefe $? "--new-note behind a modal box: the editor follows once the box is closed"
grep -q "^refused rc 3$" "$TMP/lauf.txt" && grep -q "^editors refused 0$" "$TMP/lauf.txt" &&
    grep -q "own notes are not allowed" "$TMP/abgelehnt.txt"
pruefe $? "a bar without own notes refuses --new-note with the reason ($(cat "$TMP/abgelehnt.txt" 2>/dev/null))"
exit $fehler
