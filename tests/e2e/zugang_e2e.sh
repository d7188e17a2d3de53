#!/bin/sh
# What a screen reader gets from the real ticker (AT-SPI on a session bus,
# under a virtual X display): the bar, its date and time panels and the band
# have names, and the band's text holds the note that is due.
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
printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET erstVorbei=-1, Sprache=1;\nINSERT INTO Notizen (inhalt, Rhythmus) VALUES ('Dentist at four', 0);\n" |
    "$SQLCIPHER" "$TMP/home/Documents/Pinwick 3/pw.kav" >/dev/null

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
T="$1"; LESER="$2"; PY="$3"
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
kill $pid 2>/dev/null
wait $pid 2>/dev/null
INNER
"$MIT_XVFB" 1280x800x24 dbus-run-session -- sh "$TMP/lauf.sh" "$TMP" \
    "$(cd "$(dirname "$0")" && pwd)/zugang_lesen.py" "$PY" > "$TMP/lauf.txt" 2>&1
cat "$TMP/baum.txt" "$TMP/leser.txt"

grep -q "| Pinwick notes ticker |" "$TMP/baum.txt"
pruefe $? "the bar is named"
grep -q "| Date |" "$TMP/baum.txt" && grep -q "| Time |" "$TMP/baum.txt"
pruefe $? "the date and time panels are named"
grep "| Notes |" "$TMP/baum.txt" | grep -q "Dentist at four"
pruefe $? "the band's text holds the note that is due"
exit $fehler
