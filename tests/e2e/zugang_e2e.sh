#!/bin/sh
# What a screen reader gets from the real ticker (AT-SPI on a session bus,
# under a virtual X display): the bar, its date and time panels and the band
# have names, the band is a label (not a filler) whose text holds the note
# that is due, and a note that becomes due while the text scrolls is told in
# exactly one event that carries its text (20 s of listening), none per
# scroll step.
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

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
T="$1"; LESER="$2"; PY="$3"; SQLCIPHER="$4"; HOERER="$5"
export HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config" XDG_RUNTIME_DIR="$T/rt" BROWSER=true
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
# Qt speaks to the accessibility bus without a desktop switching it on.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
cd "$T/app"
./Pinwick3 > "$T/ausgabe.txt" 2>&1 &
pid=$!
for i in $(seq 1 60); do
    [ -n "$(xdotool search --onlyvisible --classname Pinwick3 2>/dev/null)" ] && break
    sleep 0.25
done
# The first rebuild comes with the first tick; the splash second is over.
sleep 2
"$PY" "$LESER" Pinwick3 20 > "$T/baum.txt" 2> "$T/leser.txt"
# 20 s of scrolling; a note comes due (written by another program) after 4.
"$PY" "$HOERER" Pinwick3 20 > "$T/ereignisse.txt" 2> "$T/hoerer.txt" &
hoerer=$!
for i in $(seq 1 40); do
    grep -q listening "$T/hoerer.txt" 2>/dev/null && break
    sleep 0.25
done
sleep 4
printf "PRAGMA key='pelmory+sadun';\nINSERT INTO Notizen (inhalt, Rhythmus) VALUES ('Call the plumber', 0);\n" |
    "$SQLCIPHER" "$T/home/Documents/Pinwick 3/pw.kav" >/dev/null
wait $hoerer
kill $pid 2>/dev/null
wait $pid 2>/dev/null
INNER
"$MIT_XVFB" 1280x800x24 dbus-run-session -- sh "$TMP/lauf.sh" "$TMP" \
    "$(cd "$(dirname "$0")" && pwd)/zugang_lesen.py" "$PY" "$SQLCIPHER" \
    "$(cd "$(dirname "$0")" && pwd)/zugang_hoeren.py" > "$TMP/lauf.txt" 2>&1
cat "$TMP/baum.txt" "$TMP/leser.txt" "$TMP/ereignisse.txt" "$TMP/hoerer.txt"

grep -q "| Pinwick notes ticker |" "$TMP/baum.txt"
pruefe $? "the bar is named"
grep -q "| Date |" "$TMP/baum.txt" && grep -q "| Time |" "$TMP/baum.txt"
pruefe $? "the date and time panels are named"
grep "| Notes |" "$TMP/baum.txt" | grep -q "Dentist at four"
pruefe $? "the band's text holds the note that is due"
grep "| Notes |" "$TMP/baum.txt" | grep -q "^label |"
pruefe $? "the band is a label, not a filler"
test "$(grep -c "Call the plumber" "$TMP/ereignisse.txt")" -eq 1
pruefe $? "the note that came due is told in exactly one event"
test "$(grep -c "Standing note" "$TMP/ereignisse.txt")" -le 1
pruefe $? "no event per scroll step"
exit $fehler
