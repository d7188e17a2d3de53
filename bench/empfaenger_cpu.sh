#!/usr/bin/env bash
# What a change of the broadcaster's file costs the real bar: Pinwick3 as a
# receiver of a file of NOTIZEN notes on its own virtual X display, first
# SECS seconds with the file left alone, then SECS seconds in which the
# broadcaster changes one note every ABSTAND seconds (with the sqlcipher
# shell, a process of its own, as another desktop would). Not part of ctest:
# run it by hand after a build.
#
# Usage (from the project root, after a build):
#   bench/empfaenger_cpu.sh [APP_DIR=build/app] [SECS=40] [NOTIZEN=500] [ABSTAND=2]
# ANZEIGE=<n> in the environment runs the X server on display :n instead of
# a free one it picks itself. Needs: Xvfb, sqlcipher (the shell), python3.
#
# Printed: the bar's processor time per second while the file is left alone,
# the same while it changes, and from both the processor time one change
# costs. Whether the band shows the changes is not checked here (the
# end-to-end tests do that). Processor time from the scheduler's
# nanosecond counters of all threads (/proc/<pid>/task/*/schedstat); the
# broadcaster's shell is not counted.
set -u
APP=${1:-build/app}
SECS=${2:-40}
NOTIZEN=${3:-500}
ABSTAND=${4:-2}
for p in Xvfb sqlcipher python3; do
    command -v "$p" >/dev/null 2>&1 || { echo "$p missing" >&2; exit 1; }
done
[ -x "$APP/Pinwick3" ] && [ -f "$APP/org.kav" ] || { echo "no Pinwick3 and org.kav in $APP" >&2; exit 1; }
APP=$(cd "$APP" && pwd)

TMP=$(mktemp -d)
XV=""
PW=""
aufraeumen() {
    [ -n "$PW" ] && kill "$PW" 2>/dev/null
    [ -n "$XV" ] && kill "$XV" 2>/dev/null
    rm -rf "$TMP"
}
trap aufraeumen EXIT

ns() {
    local t=0 a
    for f in /proc/"$1"/task/*/schedstat; do
        read -r a _ < "$f" && t=$((t + a))
    done
    echo "$t"
}
sql() {
    printf "PRAGMA key='pelmory+sadun';\n%s\n" "$2" | sqlcipher "$1" >/dev/null 2>&1
}

h="$TMP/home"
w="$TMP/app"
mkdir -p "$h/Documents/Pinwick 3" "$w" "$TMP/share"
cp "$APP/Pinwick3" "$APP/org.kav" "$w/"
sender="$TMP/share/pw.kav"
cp "$APP/org.kav" "$sender"
# Every note due at every rebuild, as in the load program.
sql "$sender" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $NOTIZEN)
INSERT INTO Notizen (inhalt, Rhythmus) SELECT 'Notiz ' || i || ' Stand 0: Kantine heute ab 11:30', 0 FROM n;"
db="$h/Documents/Pinwick 3/pw.kav"
cp "$APP/org.kav" "$db"
sql "$db" "UPDATE Einstellungen SET erstVorbei=-1, Sprache=1, broadcastStatus=-1, broadcastPfad='$sender';"

if [ -n "${ANZEIGE:-}" ]; then
    Xvfb ":$ANZEIGE" -screen 0 1920x1080x24 -noreset >/dev/null 2>&1 &
    XV=$!
    sleep 1
    anzeige=":$ANZEIGE"
else
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -noreset 3>"$TMP/anzeige" >/dev/null 2>&1 &
    XV=$!
    for _ in $(seq 50); do [ -s "$TMP/anzeige" ] && break; sleep 0.1; done
    anzeige=":$(head -n 1 "$TMP/anzeige")"
fi
(cd "$w" && HOME="$h" XDG_CONFIG_HOME="$h/.config" DISPLAY="$anzeige" exec ./Pinwick3 >/dev/null 2>&1) &
PW=$!
# Start, splash, the first rebuilds and the update timer.
sleep 10
kill -0 "$PW" 2>/dev/null || { echo "Pinwick3 did not keep running" >&2; exit 1; }

c0=$(ns "$PW")
sleep "$SECS"
c1=$(ns "$PW")
aenderungen=0
ende=$(($(date +%s) + SECS))
while [ "$(date +%s)" -lt "$ende" ]; do
    aenderungen=$((aenderungen + 1))
    sql "$sender" "UPDATE Notizen SET inhalt = 'Notiz 7 Stand $aenderungen' WHERE ID = (SELECT min(ID) + 6 FROM Notizen);"
    sleep "$ABSTAND"
done
c2=$(ns "$PW")
kill -0 "$PW" 2>/dev/null || { echo "Pinwick3 ended during the changes" >&2; exit 1; }
python3 -c "
ruhe = ($c1 - $c0) / 1e6 / $SECS
aend = ($c2 - $c1) / 1e6 / $SECS
print('idle: %.2f ms of processor time a second' % ruhe)
print('changes: %d in %d s, %.2f ms a second' % ($aenderungen, $SECS, aend))
print('per change: %.2f ms' % ((aend - ruhe) * $SECS / $aenderungen))
"
