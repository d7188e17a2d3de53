#!/bin/sh
# A receiver whose broadcaster's file another program keeps locked (3 s out
# of every 4): the real ticker under a virtual X display keeps its clock
# ticking every second and keeps showing the broadcaster's notes (drawn in
# yellow) the whole time.
# Usage: besetzt_e2e.sh <app folder> <template> <sqlcipher shell>
MIT_XVFB="$(cd "$(dirname "$0")" && pwd)/mit_xvfb.sh"
set -u
APP="$1"
VORLAGE="$2"
SQLCIPHER="$3"
for p in Xvfb xdotool import; do
    command -v "$p" >/dev/null 2>&1 || { echo "$p missing"; exit 1; }
done

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$TMP/share" "$TMP/app" "$TMP/home/Documents/Pinwick 3"
cp "$APP/Pinwick3" "$VORLAGE" "$TMP/app/"
cp "$VORLAGE" "$TMP/share/pw.kav"
printf "PRAGMA key='pelmory+sadun';\nINSERT INTO Notizen (inhalt, Rhythmus) VALUES ('Vom Sender', 0);\n" |
    "$SQLCIPHER" "$TMP/share/pw.kav" >/dev/null
cp "$VORLAGE" "$TMP/home/Documents/Pinwick 3/pw.kav"
printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET broadcastStatus=-1, sysopStatus=-1, erstVorbei=-1, Sprache=1, broadcastPfad='%s';\n" \
    "$TMP/share/pw.kav" | "$SQLCIPHER" "$TMP/home/Documents/Pinwick 3/pw.kav" >/dev/null

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
T="$1"; SQLCIPHER="$2"
cd "$T/app"
HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config" BROWSER=true ./Pinwick3 > "$T/ausgabe.txt" 2>&1 &
pid=$!
for i in $(seq 1 60); do
    xdotool search --onlyvisible --classname Pinwick3 >/dev/null 2>&1 && break
    sleep 0.25
done
sleep 2
(
    for runde in 1 2 3; do
        (echo "PRAGMA key='pelmory+sadun';"; echo "BEGIN EXCLUSIVE;";
         echo "UPDATE Notizen SET inhalt = inhalt;"; sleep 3; echo "COMMIT;") |
            "$SQLCIPHER" "$T/share/pw.kav" >/dev/null 2>&1
        sleep 1
    done
) &
sperre=$!
vorher=""
for i in $(seq 1 40); do
    # The clock panel and the band, a quarter second apart.
    uhr=$(import -window root -crop 60x20+70+6 png:- 2>/dev/null | md5sum | cut -c1-8)
    gelb=$(import -window root -crop 600x24+140+4 -depth 8 txt:- 2>/dev/null | grep -c -i "#FFFF00")
    echo "$(date +%s.%N) $uhr $gelb" >> "$T/proben.txt"
    sleep 0.25
done

wait $sperre
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
INNER
"$MIT_XVFB" 1280x800x24 sh "$TMP/lauf.sh" "$TMP" "$SQLCIPHER"

fehler=0
# The longest time the clock stood still, and samples without yellow text.
awk '{ if ($2 != alt) { if (alt != "" && $1 - seit > max) max = $1 - seit; seit = $1; alt = $2 } }
     $3 == 0 { ohne++ }
     END { printf "longest still clock %.2f s, samples without broadcast notes %d of %d\n", max, ohne, NR
           exit !(max < 2.0 && ohne == 0 && NR >= 30) }' "$TMP/proben.txt"
if [ $? -eq 0 ]; then echo "ok: clock ticking and broadcast notes kept while locked"; else
    echo "FAILED"; cat "$TMP/ausgabe.txt"; fehler=1; fi
exit $fehler
