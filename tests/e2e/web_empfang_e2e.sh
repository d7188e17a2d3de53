#!/bin/sh
# The real ticker as a receiver of a snapshot served over HTTPS (the test web
# server with a certificate made for the run, the poll interval shortened):
# it shows the broadcaster's notes (drawn in yellow) and a republished
# change; with the server stopped the notes stay and the receiver says why;
# when the snapshot held expires the network notice comes; with the server
# back the bar recovers by itself.
# Usage: web_empfang_e2e.sh <app folder> <template> <sqlcipher shell> <test web server>
MIT_XVFB="$(cd "$(dirname "$0")" && pwd)/mit_xvfb.sh"
VEROEFFENTLICHEN="$(cd "$(dirname "$0")" && pwd)/web_veroeffentlichen.py"
set -u
APP="$1"
VORLAGE="$2"
SQLCIPHER="$3"
SERVER="$4"
for p in Xvfb xdotool import minisign openssl python3; do
    command -v "$p" >/dev/null 2>&1 || { echo "$p missing"; exit 1; }
done

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$TMP/www" "$TMP/app" "$TMP/home/Documents/Pinwick 3"
cp "$APP/Pinwick3" "$VORLAGE" "$TMP/app/"
minisign -G -W -p "$TMP/k.pub" -s "$TMP/k.key" >/dev/null 2>&1 || { echo "minisign makes no key"; exit 1; }
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout "$TMP/tls.key" \
    -out "$TMP/tls.pem" -days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
    >/dev/null 2>&1 || { echo "openssl makes no certificate"; exit 1; }
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cp "$VORLAGE" "$TMP/home/Documents/Pinwick 3/pw.kav"
printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET broadcastStatus=-1, sysopStatus=-1, erstVorbei=-1, Sprache=1, broadcastPfad='%s';\n" \
    "https://127.0.0.1:$PORT/datei/" | "$SQLCIPHER" "$TMP/home/Documents/Pinwick 3/pw.kav" >/dev/null
# The key as `pinwick-notes receive` or the settings window would set it:
# the column is added by the bar at its start, so it is given there too.
printf "PRAGMA key='pelmory+sadun';\nALTER TABLE Einstellungen ADD COLUMN broadcastSchluessel TEXT DEFAULT '';\nUPDATE Einstellungen SET broadcastSchluessel='%s';\n" \
    "$(tail -1 "$TMP/k.pub")" | "$SQLCIPHER" "$TMP/home/Documents/Pinwick 3/pw.kav" >/dev/null

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
T="$1"; PORT="$2"; SERVER="$3"; VEROEFFENTLICHEN="$4"
starten() {
    python3 "$SERVER" --ordner "$T/www" --port "$PORT" --tls "$T/tls.pem" "$T/tls.key" \
        > "$T/server.out" 2>>"$T/server.log" &
    server=$!
    for i in $(seq 1 40); do grep -q PORT "$T/server.out" 2>/dev/null && break; sleep 0.25; done
}
veroeffentlichen() { python3 "$VEROEFFENTLICHEN" "$T/www" "$T/k.key" "$T/k.pub" "$1" "$2" >/dev/null; }
gelb() { import -window root -crop 1760x24+150+4 -depth 8 txt:- 2>/dev/null | grep -c -i "#FFFF00"; }
# Waits up to $1 seconds until `$2` holds; prints the yellow count then.
warten_bis() {
    for i in $(seq 1 $(($1 * 2))); do
        g=$(gelb); if eval "$2"; then echo "$g"; return 0; fi; sleep 0.5
    done
    echo "$g"; return 1
}
schritt() { echo "$1" >> "$T/ergebnis.txt"; }

veroeffentlichen "Kurz" 3600
starten
cd "$T/app"
HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config" BROWSER=true PINWICK_BROADCAST_CA="$T/tls.pem" \
    PINWICK_BROADCAST_INTERVALL_MS=1000 QT_LOGGING_RULES="pinwick.store.info=true" \
    ./Pinwick3 > "$T/ausgabe.txt" 2>&1 &
pid=$!
for i in $(seq 1 60); do
    xdotool search --onlyvisible --classname Pinwick3 >/dev/null 2>&1 && break
    sleep 0.25
done

# 1: the broadcaster's note is shown.
g1=$(warten_bis 40 '[ "$g" -gt 0 ]') && schritt "ok shown $g1" || schritt "FAILED not shown"
# 2: a republished, longer note replaces it.
veroeffentlichen "Eine neue und viel laengere Nachricht vom Sender fuer alle" 25
g2=$(warten_bis 40 '[ "$g" -gt $((g1 * 2)) ]') && schritt "ok republished $g1 -> $g2" || schritt "FAILED republished $g1 -> $g2"
import -window root "$T/bild_neu.png"
# 3: the server stops: the notes stay, the receiver says why.
kill "$server"; wait "$server" 2>/dev/null
sleep 5
g3=$(gelb)
[ "$g3" -gt 0 ] && schritt "ok kept $g3" || schritt "FAILED kept $g3"
grep -q "cannot reach" "$T/ausgabe.txt" && schritt "ok told" || schritt "FAILED not told"
# 4: the snapshot held expires: the notice comes and the notes go.
warten_bis 40 '[ -e "$T/app/nefe" ]' >/dev/null && schritt "ok notice" || schritt "FAILED no notice"
import -window root "$T/bild_notiz.png"
warten_bis 30 '[ "$g" -eq 0 ]' >/dev/null && schritt "ok expired notes gone" || schritt "FAILED expired notes shown"
# 5: the server comes back with a new publication: the bar recovers.
veroeffentlichen "Wieder da" 3600
starten
warten_bis 90 '[ "$g" -gt 0 ] && [ ! -e "$T/app/nefe" ]' >/dev/null && schritt "ok recovered" || schritt "FAILED not recovered"
import -window root "$T/bild_zurueck.png"

kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
kill "$server" 2>/dev/null
INNER
"$MIT_XVFB" 1920x1080x24 sh "$TMP/lauf.sh" "$TMP" "$PORT" "$SERVER" "$VEROEFFENTLICHEN"

cat "$TMP/ergebnis.txt"
if [ -n "${PINWICK_E2E_BILDER:-}" ]; then cp "$TMP"/bild_*.png "$PINWICK_E2E_BILDER"/ 2>/dev/null; fi
if grep -q FAILED "$TMP/ergebnis.txt" || [ "$(grep -c '^ok' "$TMP/ergebnis.txt")" -ne 7 ]; then
    echo "--- bar"; cat "$TMP/ausgabe.txt"; echo "--- server"; tail -20 "$TMP/server.log"
    exit 1
fi
echo "ok: received over HTTPS, kept through an outage, expired, recovered"
