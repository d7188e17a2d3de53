#!/bin/sh
# The window manager's close request (WM_DELETE_WINDOW) on the ticker bar
# ends the program the way the menu's End does: the process goes and so does the
# network-error marker "nefe". Runs under a virtual X display with openbox.
# Usage: schliessen_e2e.sh <app folder>
MIT_XVFB="$(cd "$(dirname "$0")" && pwd)/mit_xvfb.sh"
set -u
APP="$1"

for p in Xvfb xdotool openbox python3; do
    if ! command -v "$p" >/dev/null 2>&1; then
        echo "$p missing"
        exit 1
    fi
done

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$TMP/home" "$TMP/app"
cp "$APP/Pinwick3" "$APP/org.kav" "$TMP/app/"

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
T="$1"
HELFER="$2"
openbox > "$T/openbox.txt" 2>&1 &
wm=$!
sleep 1
cd "$T/app"
HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config" BROWSER=true ./Pinwick3 > "$T/ausgabe.txt" 2>&1 &
pid=$!
fenster=""
for i in $(seq 1 60); do
    fenster=$(xdotool search --onlyvisible --classname Pinwick3 2>/dev/null | head -n 1)
    [ -n "$fenster" ] && break
    sleep 0.25
done
sleep 2
# The splash has gone by now; what is left visible is the bar.
fenster=$(xdotool search --onlyvisible --classname Pinwick3 2>/dev/null | tail -n 1)
# An outage noted in this run: the end must take the marker away.
printf '2026-12-09 10:00:00\r\n' > "$T/app/nefe"
weg=nein
# The bar is a panel (window type DOCK), which openbox neither focuses for
# Alt+F4 nor offers to close; the close request reaches it the way other
# window managers and task lists send it.
python3 "$HELFER" "$fenster"
for i in $(seq 1 40); do
    if ! kill -0 "$pid" 2>/dev/null; then
        weg=ja
        break
    fi
    sleep 0.25
done
echo "$weg" > "$T/weg.txt"
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
kill "$wm" 2>/dev/null
INNER
"$MIT_XVFB" 1280x800x24 sh "$TMP/lauf.sh" "$TMP" "$(dirname "$0")/schliessen_bitten.py"

fehler=0
if [ "$(cat "$TMP/weg.txt")" = "ja" ]; then echo "ok: the close request ended the process"; else
    echo "FAILED: the process survived the close request"; fehler=1; fi
if [ ! -e "$TMP/app/nefe" ]; then echo "ok: nefe deleted"; else
    echo "FAILED: nefe still there"; fehler=1; fi
exit $fehler
