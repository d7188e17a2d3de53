#!/bin/sh
# A receiver whose broadcaster's file was replaced by a hostile one: whoever
# can write to the share can put any database there. For each file, the real
# ticker under a virtual X display keeps its clock ticking, keeps drawing its
# own note, answers the window manager's ping within a second and stays
# under 150 MB, for a minute and more (so that the once-a-minute retry reads
# the file again at least once).
# Usage: feindlich_e2e.sh <app folder> <sqlcipher shell> <wm_ping>
. "$(dirname "$0")/gemeinsam.sh"
set -u
APP="$1"
SQLCIPHER="$2"
WM_PING="$3"
SEKUNDEN=${FEINDLICH_SEKUNDEN:-65}
werkzeuge Xvfb xdotool import xprop
arbeitsordner "$APP"

sql() { (echo "PRAGMA key='pelmory+sadun';"; cat) | "$SQLCIPHER" "$1" >/dev/null; }

# The hostile files, one per case.
mkdir -p "$TMP/share"
# A view whose query never ends, under the name of the notes table.
cp "$APP/org.kav" "$TMP/share/sicht.kav"
sql "$TMP/share/sicht.kav" <<'SQL'
DROP TABLE Notizen;
CREATE VIEW Notizen AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c)
  SELECT x AS ID, printf('%.1000c', 'v') AS inhalt, 0 AS Rhythmus, 0.0 AS UhrVon, 0.0 AS UhrBis,
         0.0 AS StartDatum, 0 AS Vorher, '' AS RhyDetails, 0 AS Dauer FROM c;
SQL
# An ordinary notes table of a million rows.
cp "$APP/org.kav" "$TMP/share/million.kav"
sql "$TMP/share/million.kav" <<'SQL'
WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 1000000)
  INSERT INTO Notizen (inhalt, Rhythmus) SELECT 'Sender ' || x, 0 FROM c;
SQL

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
T="$1"; WM_PING="$2"; SEKUNDEN="$3"
. "$4"
cd "$T/app"
HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config" PATH="$T/pfad:/usr/bin:/bin" \
    ./Pinwick3 > "$T/ausgabe.txt" 2>&1 &
pid=$!
warte_auf_leiste >/dev/null || { echo "no bar"; kill "$pid"; exit 1; }
weiss() { import -window root -crop 600x24+140+4 -depth 8 txt:- 2>/dev/null | grep -c -i "#FFFFFF"; }
# The first rebuild draws the own note a moment after the bar shows; a bar
# that adopts the broadcaster's settings then may get a new window.
for i in $(seq 1 40); do
    [ "$(weiss)" -gt 0 ] && break
    sleep 0.25
done
sleep 1
# The bar as the window manager sees it: it takes part in the ping.
fenster=""
for i in $(seq 1 80); do
    w=$(leiste)
    if [ -n "$w" ] && xprop -id "$w" WM_PROTOCOLS 2>/dev/null | grep -q _NET_WM_PING; then
        fenster=$w
        break
    fi
    sleep 0.25
done
[ -n "$fenster" ] || { echo "no bar that answers pings"; kill "$pid"; exit 1; }
xprop -id "$fenster" WM_CLASS WM_PROTOCOLS _NET_WM_WINDOW_TYPE > "$T/fenster.txt" 2>&1
"$WM_PING" "$fenster" "$SEKUNDEN" 250 > "$T/ping.txt" 2>&1 &
ping=$!
ende=$(( $(date +%s) + SEKUNDEN ))
while [ "$(date +%s)" -lt "$ende" ]; do
    uhr=$(import -window root -crop 60x20+70+6 png:- 2>/dev/null | md5sum | cut -c1-8)
    # The own note is drawn in white on the band's grey.
    weiss=$(weiss)
    kb=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
    echo "$(date +%s.%N) $uhr $weiss ${kb:-0}" >> "$T/proben.txt"
    sleep 0.5
done
wait "$ping"
import -window root "$T/bild.png" 2>/dev/null
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
INNER

for fall in sicht million; do
    rm -rf "$TMP/home" "$TMP/proben.txt" "$TMP/ping.txt"
    mkdir -p "$TMP/home/Documents/Pinwick 3"
    cp "$APP/org.kav" "$TMP/home/Documents/Pinwick 3/pw.kav"
    sql "$TMP/home/Documents/Pinwick 3/pw.kav" <<SQL
UPDATE Einstellungen SET broadcastStatus=-1, eigeneErlauben=-1, erstVorbei=-1, Sprache=1,
  broadcastPfad='$TMP/share/$fall.kav';
INSERT INTO Notizen (inhalt, Rhythmus) VALUES ('Eigene Notiz', 0);
SQL
    oeffner_pfad "$TMP" >/dev/null
    "$MIT_XVFB" 1280x800x24 sh "$TMP/lauf.sh" "$TMP" "$WM_PING" "$SEKUNDEN" "$GEMEINSAM"
    cp "$TMP/bild.png" "${FEINDLICH_BILDER:-$TMP}/feindlich-$fall.png" 2>/dev/null
    cp "$TMP/proben.txt" "${FEINDLICH_BILDER:-$TMP}/feindlich-$fall.txt" 2>/dev/null
    echo "$fall: ping (slowest ms, pings, unanswered): $(cat "$TMP/ping.txt")"
    read -r langsam anzahl fehlend < "$TMP/ping.txt"
    [ "${langsam:-9999}" -lt 1000 ] && [ "${fehlend:-1}" -eq 0 ] && [ "${anzahl:-0}" -ge 20 ]
    pruefe $? "$fall: the window manager's ping answered within a second"
    awk -v s="$SEKUNDEN" '
        { if ($2 != alt) { if (alt != "" && $1 - seit > max) max = $1 - seit; seit = $1; alt = $2 }
          if ($3 == 0) ohne++; if ($4 > kb) kb = $4 }
        END { printf "longest still clock %.2f s, samples without the own note %d of %d, most memory %d MB\n",
                     max, ohne, NR, kb / 1024
              exit !(max < 2.5 && ohne == 0 && NR >= s / 3 && kb < 150 * 1024) }' "$TMP/proben.txt"
    pruefe $? "$fall: clock ticking, own note drawn, under 150 MB"
    [ $fehler -eq 0 ] || cat "$TMP/fenster.txt" "$TMP/ausgabe.txt"
done
exit $fehler
