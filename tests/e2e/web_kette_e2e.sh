#!/bin/sh
# The whole chain of the broadcast over the web, with the real programs:
# pinwick-notes publish signs the broadcaster's notes into a folder that a
# real nginx serves over HTTPS (a certificate authority made for the run,
# handed to the bar through PINWICK_BROADCAST_CA). The bar runs without a
# broadcast; pinwick-notes receive switches it on while it runs and it shows
# the broadcaster's note (drawn in yellow); a change published again shows
# up; pinwick-notes receive --off while it runs removes the note again. No
# restart anywhere. The broadcaster's feed travels along into the bar's copy.
# Usage: web_kette_e2e.sh <app folder> <pinwick-notes> <nginx_dienst> <sqlcipher shell>
set -u
APP="$1"
NOTES="$2"
NGINX="$3"
SQLCIPHER="$4"

. "$(dirname "$0")/gemeinsam.sh"
werkzeuge Xvfb xdotool import minisign openssl
[ -x /usr/sbin/nginx ] || { echo "nginx missing (scripts/install-deps.sh installs it)"; exit 1; }
arbeitsordner "$APP"
mkdir -p "$TMP/www" "$TMP/home/Documents/Pinwick 3"

SENDER="$TMP/sender/pw.kav"
mkdir -p "$TMP/sender"
cp "$APP/org.kav" "$SENDER"
"$NOTES" --file "$SENDER" add "Kurz" --daily >/dev/null || { echo "pinwick-notes add fails"; exit 1; }
"$NOTES" --file "$SENDER" feed add "https://news.example/it.xml" --title IT >/dev/null ||
    { echo "pinwick-notes feed add fails"; exit 1; }
minisign -G -W -p "$TMP/k.pub" -s "$TMP/k.key" >/dev/null 2>&1 || { echo "minisign makes no key"; exit 1; }

# The receiver's own file: past its first start, in English, no broadcast.
EIGENE="$TMP/home/Documents/Pinwick 3/pw.kav"
cp "$APP/org.kav" "$EIGENE"
printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET broadcastStatus=0, erstVorbei=-1, Sprache=1;\n" |
    "$SQLCIPHER" "$EIGENE" >/dev/null || { echo "the sqlcipher shell fails"; exit 1; }

"$NGINX" "$TMP/www" > "$TMP/nginx.out" 2> "$TMP/nginx.err" &
nginx=$!
trap 'kill $nginx 2>/dev/null; wait $nginx 2>/dev/null; rm -rf "$TMP"' EXIT
for i in $(seq 1 120); do grep -q '^CA ' "$TMP/nginx.out" 2>/dev/null && break; sleep 0.25; done
PORT=$(sed -n 's/^PORT //p' "$TMP/nginx.out")
CA=$(sed -n 's/^CA //p' "$TMP/nginx.out")
[ -n "$PORT" ] && [ -n "$CA" ] || { echo "nginx does not start"; cat "$TMP/nginx.err"; exit 1; }

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
set -u
T="$1"; NOTES="$2"; PORT="$3"; CA="$4"; SENDER="$5"; SQLCIPHER="$7"
. "$6"
export HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config"
veroeffentlichen() {
    "$NOTES" --file "$SENDER" publish --to "$T/www" --secret-key "$T/k.key" >> "$T/publish.txt" 2>&1
}
gelb() { import -window root -crop 1760x24+150+4 -depth 8 txt:- 2>/dev/null | grep -c -i "#FFFF00"; }
# warten_bis SECONDS CONDITION: prints the yellow count once CONDITION (on $g) holds.
warten_bis() {
    for i in $(seq 1 $(($1 * 4))); do
        g=$(gelb); if eval "$2"; then echo "$g"; return 0; fi; sleep 0.25
    done
    echo "$g"; return 1
}

veroeffentlichen
pruefe $? "pinwick-notes publish signs the broadcaster's note into the served folder"
cd "$T/app"
BROWSER=true PINWICK_BROADCAST_CA="$CA" PINWICK_BROADCAST_INTERVALL_MS=1000 \
    QT_LOGGING_RULES="pinwick.store.info=true" ./Pinwick3 > "$T/ausgabe.txt" 2>&1 &
pid=$!
warte_auf_leiste >/dev/null
pruefe $? "the bar shows"
sleep 1
test "$(gelb)" -eq 0
pruefe $? "without a broadcast there is no broadcaster's note"

"$NOTES" receive "https://127.0.0.1:$PORT/" --key "$T/k.pub" > /dev/null
pruefe $? "pinwick-notes receive sets the running bar's broadcast"
g1=$(warten_bis 30 '[ "$g" -gt 0 ]')
pruefe $? "the running bar receives and shows the published note ($g1)"
[ -n "${BILDER_ORDNER:-}" ] && import -window root "$BILDER_ORDNER/kette-1.png"
printf "PRAGMA key='pelmory+sadun';\nSELECT Adresse || '|' || Titel FROM Feeds;\n" |
    "$SQLCIPHER" "$T/app/broadcast-web.kav" 2>/dev/null | grep -qx "https://news.example/it.xml|IT"
pruefe $? "the broadcaster's feed is in the bar's copy"

"$NOTES" --file "$SENDER" add "Eine neue und viel laengere Nachricht vom Sender an alle Empfaenger" \
    --daily > /dev/null && veroeffentlichen
pruefe $? "a change is published again"
g2=$(warten_bis 30 '[ "$g" -gt $((g1 * 3)) ]')
pruefe $? "the change shows up ($g1 -> $g2)"
[ -n "${BILDER_ORDNER:-}" ] && import -window root "$BILDER_ORDNER/kette-2.png"

"$NOTES" receive --off > /dev/null
pruefe $? "pinwick-notes receive --off"
g3=$(warten_bis 20 '[ "$g" -eq 0 ]')
pruefe $? "the running bar drops the broadcaster's notes ($g3)"
kill -0 "$pid" 2>/dev/null
pruefe $? "the bar still runs"
[ -n "${BILDER_ORDNER:-}" ] && import -window root "$BILDER_ORDNER/kette-3.png"

kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
[ $fehler -eq 0 ] || { echo "--- bar"; cat "$T/ausgabe.txt"; echo "--- publish"; cat "$T/publish.txt"; }
exit $fehler
INNER
BILDER_ORDNER="${PINWICK_E2E_BILDER:-}" "$MIT_XVFB" 1920x1080x24 sh "$TMP/lauf.sh" "$TMP" "$NOTES" "$PORT" \
    "$CA" "$SENDER" "$GEMEINSAM" "$SQLCIPHER"
status=$?
[ $status -eq 0 ] && echo "ok: published, served by nginx, switched on and off in the running bar"
exit $status
