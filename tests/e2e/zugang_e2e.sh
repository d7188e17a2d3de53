#!/bin/sh
# What a screen reader gets from the real ticker (AT-SPI on a session bus,
# under a virtual X display): the bar, its date and time panels and the band
# have names, the band is a label (not a filler) whose text holds the note
# that is due, and a note that becomes due while the text scrolls is told in
# exactly one event that carries its text (20 s of listening), none per
# scroll step. The same for a receiver: a note that comes due in its
# broadcaster's file is told in exactly one event too.
# Usage: zugang_e2e.sh <app folder> <template> <sqlcipher shell>
set -u
APP="$1"
VORLAGE="$2"
SQLCIPHER="$3"
. "$(dirname "$0")/gemeinsam.sh"
werkzeuge Xvfb dbus-run-session python3 xdotool
# The system's Python holds the Debian bindings (python3-pyatspi); another
# python3 earlier on PATH may not.
PY=""
for kandidat in /usr/bin/python3 python3; do
    if "$kandidat" -c "import pyatspi" 2>/dev/null; then PY="$kandidat"; break; fi
done
[ -n "$PY" ] || { echo "python3-pyatspi missing"; exit 1; }

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$TMP/app" "$TMP/home/Documents/Pinwick 3"
cp "$APP/Pinwick3" "$TMP/app/"
cp "$VORLAGE" "$TMP/home/Documents/Pinwick 3/pw.kav"
{
    printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET erstVorbei=-1, Sprache=1;\nINSERT INTO Notizen (inhalt, Rhythmus) VALUES ('Dentist at four', 0);\n"
    # Enough text to scroll: every step of it must stay silent.
    for i in 1 2 3 4 5 6; do
        printf "INSERT INTO Notizen (inhalt, Rhythmus) VALUES ('Standing note %s that makes the text overflow the band', 0);\n" "$i"
    done
} | "$SQLCIPHER" "$TMP/home/Documents/Pinwick 3/pw.kav" >/dev/null
# A receiver: no notes of its own, its broadcaster's file on a share (here a
# folder) with enough notes to scroll.
mkdir -p "$TMP/empf/Documents/Pinwick 3" "$TMP/share"
cp "$VORLAGE" "$TMP/empf/Documents/Pinwick 3/pw.kav"
cp "$VORLAGE" "$TMP/share/sender.kav"
printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET erstVorbei=-1, Sprache=1, broadcastStatus=-1, eigeneErlauben=-1, broadcastPfad='%s';\n" \
    "$TMP/share/sender.kav" | "$SQLCIPHER" "$TMP/empf/Documents/Pinwick 3/pw.kav" >/dev/null
{
    printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET Sprache=1;\n"
    for i in 1 2 3 4 5 6; do
        printf "INSERT INTO Notizen (inhalt, Rhythmus) VALUES ('Broadcast note %s that makes the text overflow the band', 0);\n" "$i"
    done
} | "$SQLCIPHER" "$TMP/share/sender.kav" >/dev/null

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
T="$1"; LESER="$2"; PY="$3"; SQLCIPHER="$4"; HOERER="$5"
# FALL: eigen (the own notes) or empf (a receiver); ZIEL: the file the note
# that comes due is written to; NOTIZ: its text.
FALL="$6"; ZIEL="$7"; NOTIZ="$8"
heim="$T/home"
[ "$FALL" = empf ] && heim="$T/empf"
export HOME="$heim" XDG_CONFIG_HOME="$heim/.config" XDG_RUNTIME_DIR="$T/rt-$FALL" BROWSER=true
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
# Qt speaks to the accessibility bus without a desktop switching it on.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
cd "$T/app"
./Pinwick3 > "$T/ausgabe-$FALL.txt" 2>&1 &
pid=$!
for i in $(seq 1 60); do
    [ -n "$(xdotool search --onlyvisible --classname Pinwick3 2>/dev/null)" ] && break
    sleep 0.25
done
# The first rebuild comes with the first tick; the splash second is over.
sleep 2
"$PY" "$LESER" Pinwick3 20 > "$T/baum-$FALL.txt" 2> "$T/leser-$FALL.txt"
# 20 s of scrolling; a note comes due (written by another program) after 4.
"$PY" "$HOERER" Pinwick3 20 > "$T/ereignisse-$FALL.txt" 2> "$T/hoerer-$FALL.txt" &
hoerer=$!
for i in $(seq 1 40); do
    grep -q listening "$T/hoerer-$FALL.txt" 2>/dev/null && break
    sleep 0.25
done
sleep 4
# The bar may hold the file for a moment: the shell waits for it instead of
# giving up at once, and says so if it could not write.
printf ".timeout 5000\nPRAGMA key='pelmory+sadun';\nINSERT INTO Notizen (inhalt, Rhythmus) VALUES ('%s', 0);\n" "$NOTIZ" |
    "$SQLCIPHER" "$ZIEL" >/dev/null 2>> "$T/leser-$FALL.txt" ||
    echo "the note could not be written" >> "$T/leser-$FALL.txt"
wait $hoerer
kill $pid 2>/dev/null
wait $pid 2>/dev/null
INNER
# Both cases on one X server, one after the other, each with a session bus
# (and so an accessibility bus) of its own.
cat > "$TMP/beide.sh" <<'INNER'
#!/bin/sh
T="$1"; HIER="$2"; PY="$3"; SQLCIPHER="$4"
dbus-run-session -- sh "$T/lauf.sh" "$T" "$HIER/zugang_lesen.py" "$PY" "$SQLCIPHER" \
    "$HIER/zugang_hoeren.py" eigen "$T/home/Documents/Pinwick 3/pw.kav" "Call the plumber" \
    > "$T/lauf-eigen.txt" 2>&1
dbus-run-session -- sh "$T/lauf.sh" "$T" "$HIER/zugang_lesen.py" "$PY" "$SQLCIPHER" \
    "$HIER/zugang_hoeren.py" empf "$T/share/sender.kav" "Fire drill at noon" \
    > "$T/lauf-empf.txt" 2>&1
INNER
"$MIT_XVFB" 1280x800x24 sh "$TMP/beide.sh" "$TMP" "$(cd "$(dirname "$0")" && pwd)" "$PY" "$SQLCIPHER"
for f in baum leser ereignisse hoerer; do cat "$TMP/$f-eigen.txt"; done
echo "---- receiver"
for f in baum ereignisse hoerer ausgabe; do cat "$TMP/$f-empf.txt"; done

grep -q "| Pinwick notes ticker |" "$TMP/baum-eigen.txt"
pruefe $? "the bar is named"
grep -q "| Date |" "$TMP/baum-eigen.txt" && grep -q "| Time |" "$TMP/baum-eigen.txt"
pruefe $? "the date and time panels are named"
grep "| Notes |" "$TMP/baum-eigen.txt" | grep -q "Dentist at four"
pruefe $? "the band's text holds the note that is due"
grep "| Notes |" "$TMP/baum-eigen.txt" | grep -q "^label |"
pruefe $? "the band is a label, not a filler"
test "$(grep -c "Call the plumber" "$TMP/ereignisse-eigen.txt")" -eq 1
pruefe $? "the note that came due is told in exactly one event"
test "$(grep -c "Standing note" "$TMP/ereignisse-eigen.txt")" -le 1
pruefe $? "no event per scroll step"
grep "| Notes |" "$TMP/baum-empf.txt" | grep -q "Broadcast note 1"
pruefe $? "a receiver's band holds its broadcaster's notes"
test "$(grep -c "Fire drill at noon" "$TMP/ereignisse-empf.txt")" -eq 1
pruefe $? "a broadcaster's note that came due is told in exactly one event"
test "$(grep -c "Broadcast note" "$TMP/ereignisse-empf.txt")" -le 1
pruefe $? "no event per scroll step for a receiver either"
exit $fehler
