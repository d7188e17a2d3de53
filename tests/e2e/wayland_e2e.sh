#!/bin/sh
# The bar on a wlroots compositor (sway, headless, pixman renderer): a layer
# surface at the top edge (its pixels in a grim screenshot), a terminal
# started afterwards placed below it and holding the keyboard, the bar at the bottom when docked
# there, the right-click menu opening over the bar, Ctrl-N after a click on
# the bar opening the note editor, a double-click on the band opening the
# notes administration, the bar moving to the output left when
# the one it docks on is unplugged, the bar ending cleanly through its
# menu's End (no leak report in the sanitized build); and, when given, the
# band's pixels on the compositor against Qt's painting (test_wayland).
# sway refuses to run as root: as root, the session runs as an ordinary
# user made for the test and removed afterwards.
# Usage: wayland_e2e.sh <app folder> <template> <sqlcipher shell> <klicken> [test_wayland]
# Exit 77 (skipped) only when sway itself is missing or cannot start.
MIT_XVFB="$(cd "$(dirname "$0")" && pwd)/mit_xvfb.sh"
set -u
APP="$1"
VORLAGE="$2"
SQLCIPHER="$3"
KLICKEN="$4"
PIXELTEST="${5:-}"
for p in sway swaymsg; do
    command -v "$p" >/dev/null 2>&1 || { echo "SKIP: $p is not installed"; exit 77; }
done
for p in grim foot python3 convert; do
    command -v "$p" >/dev/null 2>&1 || { echo "$p missing"; exit 1; }
done

# Without a compositor offering layer-shell (here: none reachable) and with an
# X server, the bar runs on X11 as before and says so once.
if command -v Xvfb >/dev/null 2>&1; then
    XT=$(mktemp -d)
    mkdir -p "$XT/app" "$XT/home/Documents/Pinwick 3"
    cp "$APP/Pinwick3" "$VORLAGE" "$XT/app/"
    cp "$VORLAGE" "$XT/home/Documents/Pinwick 3/pw.kav"
    printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET erstVorbei=-1;\n" |
        "$SQLCIPHER" "$XT/home/Documents/Pinwick 3/pw.kav" >/dev/null 2>&1
    (cd "$XT/app" && HOME="$XT/home" XDG_CONFIG_HOME="$XT/home/.config" XDG_RUNTIME_DIR="$XT" \
        WAYLAND_DISPLAY=wayland-pinwick-none QT_QPA_PLATFORM= \
        "$MIT_XVFB" 1280x720x24 sh -c './Pinwick3 & p=$!; for i in $(seq 1 60); do sleep 0.5; xdotool search --onlyvisible --classname Pinwick3 | head -n 1 > ../fenster; [ -s ../fenster ] && break; done; kill $p' \
        > "$XT/aus" 2>&1)
    XWZEILE="xwayland $(grep -c 'runs through XWayland' "$XT/aus") $(wc -l < "$XT/fenster")"
    echo "$XWZEILE"
    rm -rf "$XT"
fi

TMP=$(mktemp -d)
NUTZER=""
NEU=0
aufraeumen() {
    [ "$NEU" = 1 ] && userdel "$NUTZER" 2>/dev/null
    rm -rf "$TMP"
}
trap aufraeumen EXIT
chmod 755 "$TMP"
mkdir -p "$TMP/app" "$TMP/home/Documents/Pinwick 3" "$TMP/rt"
cp "$APP/Pinwick3" "$VORLAGE" "$TMP/app/"
cp "$VORLAGE" "$TMP/home/Documents/Pinwick 3/pw.kav"
cp "$KLICKEN" "$TMP/app/klicken"
[ -n "$PIXELTEST" ] && cp "$PIXELTEST" "$TMP/app/test_wayland"
chmod 700 "$TMP/rt"

ALS=""
if [ "$(id -u)" -eq 0 ]; then
    NUTZER=pinwickwl
    if ! id "$NUTZER" >/dev/null 2>&1; then
        useradd -M -d "$TMP/home" -s /bin/sh "$NUTZER" || { echo "cannot make a test user"; exit 1; }
        NEU=1
    fi
    chown -R "$NUTZER" "$TMP"
    ALS="runuser -u $NUTZER --"
fi

cat > "$TMP/sway.conf" <<CONF
output HEADLESS-1 resolution 1280x720 position 0 0
xwayland disable
default_border none
CONF

# The whole session in one shell of the test user.
cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
T="$1"; PIXELTEST="$2"; SQLCIPHER="$3"
export XDG_RUNTIME_DIR="$T/rt" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1
export HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config" BROWSER=true
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM SWAYSOCK
sway -c "$T/sway.conf" > "$T/sway.log" 2>&1 &
SWAY=$!
trap 'kill $SWAY 2>/dev/null' EXIT
for i in $(seq 1 40); do
    ls "$XDG_RUNTIME_DIR"/wayland-* >/dev/null 2>&1 && ls "$XDG_RUNTIME_DIR"/sway-ipc.* >/dev/null 2>&1 && break
    sleep 0.25
done
SOCKET=$(ls "$XDG_RUNTIME_DIR" | grep '^wayland-[0-9]*$' | head -n 1)
[ -n "$SOCKET" ] || { echo "nosway"; cat "$T/sway.log"; exit 0; }
# Clients reach the compositor under a name of the test's own.
ln -s "$XDG_RUNTIME_DIR/$SOCKET" "$XDG_RUNTIME_DIR/wayland-pinwick-test"
export WAYLAND_DISPLAY=wayland-pinwick-test
export SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.* | head -n 1)

baum() { swaymsg -t get_tree -r > "$T/baum.json"; }
# x y width height of the first view whose app_id matches.
fenster() {
    baum
    python3 - "$T/baum.json" "$1" <<'PY'
import json, sys
def gehen(n):
    if n.get("app_id") == sys.argv[2] or (n.get("window_properties") or {}).get("class") == sys.argv[2]:
        r = n["rect"]; print(r["x"], r["y"], r["width"], r["height"], int(n.get("focused", False))); return True
    return any(gehen(k) for k in n.get("nodes", []) + n.get("floating_nodes", []))
gehen(json.load(open(sys.argv[1])))
PY
}
# A keyboard on the seat for the whole session, as a real seat has one.
"$T/app/klicken" tastatur 170 &
TASTATUR=$!
trap 'kill $SWAY $TASTATUR 2>/dev/null' EXIT
# In the sanitized build the leak check has to see whose object a leak is.
# The stack of an object made inside libwayland-client (built without frame
# pointers) is cut short there by the fast unwinder, so that Qt's objects,
# which Qt never frees (scripts/lsan.supp), and the bar's own look alike:
# the slow unwinder, for the few frames that name the caller.
GENAU="${ASAN_OPTIONS:-}"
[ -n "$GENAU" ] && GENAU="$GENAU:fast_unwind_on_malloc=0:malloc_context_size=8"
pixel() { convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | tail -n 1 | grep -o '#[0-9A-F]\{6\}' | head -n 1; }
# Takes screenshots with the command given (up to 30 s: a sanitized build
# starts slowly) until the pixel at x y has the colour; the file keeps the
# last one.   warten_auf <file> <x> <y> <colour> <command...>
warten_auf() {
    datei=$1 x=$2 y=$3 farbe=$4
    shift 4
    for i in $(seq 1 60); do
        "$@" "$datei" 2>/dev/null && [ "$(pixel "$datei" "$x" "$y")" = "$farbe" ] && return 0
        sleep 0.5
    done
    return 1
}

for dock in 0 1; do
    printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET erstVorbei=-1, Sprache=1, dockPos=%s, zeigRahmen=-1, zeigDatum=-1, fensterHgFarbe=255, notizHgFarbe=65280, uhrHgFarbe=16711680;\n" "$dock" |
        "$SQLCIPHER" "$T/home/Documents/Pinwick 3/pw.kav" >/dev/null 2>&1
    cd "$T/app"
    ./Pinwick3 > "$T/pinwick$dock.log" 2>&1 &
    pid=$!
    # The bar's border, red, at its edge.
    warten_auf "$T/bar$dock.png" 2 $([ "$dock" = 0 ] && echo 1 || echo 718) "#FF0000" grim
    sleep 1
    grim "$T/bar$dock.png"
    # x y of the top-left and bottom-left pixel rows, and the middle of the screen
    echo "pixel $dock oben $(pixel "$T/bar$dock.png" 2 1) unten $(pixel "$T/bar$dock.png" 2 718) mitte $(pixel "$T/bar$dock.png" 640 360)"
    # the band: green, at the right end of the bar, a few pixels in from its edge
    echo "band $dock oben $(pixel "$T/bar$dock.png" 1270 10) unten $(pixel "$T/bar$dock.png" 1270 709)"
    foot --app-id=pinwickterm sh -c 'sleep 30' > /dev/null 2>&1 &
    term=$!
    sleep 1.5
    echo "term $dock $(fenster pinwickterm)"
    kill $term 2>/dev/null
    wait $term 2>/dev/null
    if [ "$dock" = 0 ]; then
        # A right-click on the bar: its menu opens at the click, over the
        # bar and below it, as a popup of the bar (no window of its own).
        "$T/app/klicken" 700 12 1280 720 273
        sleep 1.5
        grim "$T/menue.png"
        # Pixels of the menu's white inside, in its margin left of the
        # captions: below the bar, and on the bar.
        echo "menuepixel $(pixel "$T/menue.png" 712 70) $(pixel "$T/menue.png" 712 20)"
        baum
        echo "menue $(python3 - "$T/baum.json" <<'PY'
import json, sys
n = 0
def gehen(k):
    global n
    if k.get("pid") and k.get("app_id") == "Pinwick3":
        n += 1
    for c in k.get("nodes", []) + k.get("floating_nodes", []):
        gehen(c)
gehen(json.load(open(sys.argv[1])))
print(n)
PY
)"
        # Escape closes it.
        "$T/app/klicken" tasten 1
        sleep 0.5
        grim "$T/menuezu.png"
        echo "menuezu $(pixel "$T/menuezu.png" 760 70)"
        # An entry chosen with the pointer: the notes administration opens.
        "$T/app/klicken" 700 12 1280 720 273
        sleep 1
        "$T/app/klicken" 760 47 1280 720 272
        sleep 1.5
        baum
        echo "verwaltung $(python3 - "$T/baum.json" <<'PY'
import json, sys
def gehen(k):
    if k.get("app_id") == "Pinwick3" and "administration" in (k.get("name") or ""):
        return True
    return any(gehen(c) for c in k.get("nodes", []) + k.get("floating_nodes", []))
print(int(gehen(json.load(open(sys.argv[1])))))
PY
)"
        swaymsg '[app_id="Pinwick3"] kill' >/dev/null
        sleep 0.5
        # A click on the clock gives the bar the keyboard, and Ctrl-N (the
        # pointer still on the bar) opens the note editor, which then has
        # the keyboard.
        KLICKEN_BLEIBEN=2 "$T/app/klicken" 60 12 1280 720 272 &
        zeiger=$!
        sleep 0.6
        "$T/app/klicken" tasten 29 49
        wait $zeiger
        sleep 1.5
        baum
        echo "editor $(python3 - "$T/baum.json" <<'PY'
import json, sys
def gehen(k):
    if k.get("app_id") == "Pinwick3" and "note" in (k.get("name") or ""):
        return 1 + int(k.get("focused", False))
    return max([gehen(c) for c in k.get("nodes", []) + k.get("floating_nodes", [])] + [0])
print(gehen(json.load(open(sys.argv[1]))))
PY
)"
        if [ -n "$PIXELTEST" ]; then
            kill $pid 2>/dev/null
            wait $pid 2>/dev/null
            # The pointer away from where the band will be: resting on it
            # would stand it (a middle click on the empty desktop moves it).
            "$T/app/klicken" 700 400 1280 720 274
            ASAN_OPTIONS="$GENAU" QT_QPA_PLATFORM=wayland "$T/app/test_wayland" > "$T/pixeltest.log" 2>&1
            echo "pixeltest $?"
            cat "$T/pixeltest.log" | tail -n 15
            # The same on an output of scale 2: the bar draws its buffers
            # twice as fine, as Qt does.
            swaymsg "output HEADLESS-1 scale 2" >/dev/null
            sleep 0.5
            ASAN_OPTIONS="$GENAU" QT_QPA_PLATFORM=wayland "$T/app/test_wayland" > "$T/pixeltest2.log" 2>&1
            echo "pixeltest $?"
            cat "$T/pixeltest2.log" | tail -n 15
            swaymsg "output HEADLESS-1 scale 1" >/dev/null
            sleep 0.5
            continue
        fi
    fi
    if [ "$dock" = 1 ]; then
        # A double-click on the band, at the bottom: the notes administration.
        "$T/app/klicken" 700 705 1280 720 272 272
        sleep 1.5
        baum
        echo "doppelklick $(python3 - "$T/baum.json" <<'PY'
import json, sys
def gehen(k):
    if k.get("app_id") == "Pinwick3" and "administration" in (k.get("name") or ""):
        return True
    return any(gehen(c) for c in k.get("nodes", []) + k.get("floating_nodes", []))
print(int(gehen(json.load(open(sys.argv[1])))))
PY
)"
    fi
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null
done

# The bar ended through its own menu (End, the last entry: Up, Enter) ends
# cleanly, having destroyed every Wayland object it made: in the sanitized
# build a leak report makes its exit status non-zero. Docked at the bottom
# here, from the last run above.
cd "$T/app"
ASAN_OPTIONS="$GENAU" ./Pinwick3 > "$T/pinwick-ende.log" 2>&1 &
pid=$!
warten_auf "$T/ende.png" 2 718 "#FF0000" grim
sleep 1
"$T/app/klicken" 700 705 1280 720 273
sleep 1.5
"$T/app/klicken" tasten 103 28
for i in $(seq 1 120); do
    kill -0 $pid 2>/dev/null || break
    sleep 0.5
done
kill $pid 2>/dev/null
wait $pid
echo "ende $? $(grep -c 'Sanitizer' "$T/pinwick-ende.log")"

# An output that goes away. Headless outputs cannot be removed, so a second
# sway runs inside this one on its Wayland backend: each of its two outputs
# is a window here, and closing that window unplugs the output. The bar
# starts on the first output and must come back on the one left.
printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET dockPos=0;\n" |
    "$SQLCIPHER" "$T/home/Documents/Pinwick 3/pw.kav" >/dev/null 2>&1
printf 'xwayland disable\ndefault_border none\n' > "$T/innen.conf"
vorher=$(ls "$XDG_RUNTIME_DIR" | grep '^wayland-[0-9]*$' | sort)
WLR_BACKENDS=wayland WLR_WL_OUTPUTS=2 SWAYSOCK="$XDG_RUNTIME_DIR/innen-ipc.sock" \
    sway -c "$T/innen.conf" > "$T/innen.log" 2>&1 &
INNEN=$!
INNENSOCKET=""
for i in $(seq 1 40); do
    INNENSOCKET=$(ls "$XDG_RUNTIME_DIR" | grep '^wayland-[0-9]*$' | sort | grep -vxF "$vorher" | head -n 1)
    [ -n "$INNENSOCKET" ] && [ -S "$XDG_RUNTIME_DIR/innen-ipc.sock" ] && break
    sleep 0.25
done
if [ -n "$INNENSOCKET" ]; then
    innen() { WAYLAND_DISPLAY=$INNENSOCKET SWAYSOCK="$XDG_RUNTIME_DIR/innen-ipc.sock" "$@"; }
    # The y of the workspace on the named output: below the bar where it docks.
    arbeitsflaeche() {
        innen swaymsg -t get_tree -r | python3 -c '
import json, sys
for o in json.load(sys.stdin)["nodes"]:
    if o["name"] == sys.argv[1]:
        print(o["nodes"][0]["rect"]["y"] if o["nodes"] else "-")' "$1"
    }
    sleep 1
    (cd "$T/app" && WAYLAND_DISPLAY=$INNENSOCKET ./Pinwick3 > "$T/pinwick-ausgaben.log" 2>&1) &
    pid=$!
    warten_auf "$T/wl1.png" 2 1 "#FF0000" innen grim -o WL-1
    sleep 1
    innen grim -o WL-1 "$T/wl1.png"
    echo "ausgabe erste $(pixel "$T/wl1.png" 2 1) $(arbeitsflaeche WL-1) zweite $(arbeitsflaeche WL-2)"
    swaymsg '[title="wlroots - WL-1"] kill' >/dev/null
    warten_auf "$T/wl2.png" 2 1 "#FF0000" innen grim -o WL-2
    sleep 1
    innen grim -o WL-2 "$T/wl2.png"
    breite=$(identify -format %w "$T/wl2.png")
    echo "ausgabe danach $(innen swaymsg -t get_outputs -r | python3 -c 'import json,sys; print(",".join(o["name"] for o in json.load(sys.stdin)))') $(pixel "$T/wl2.png" 2 1) $(pixel "$T/wl2.png" $((breite - 8)) 10) $(arbeitsflaeche WL-2) $(kill -0 $pid 2>/dev/null && echo lebt)"
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null
else
    echo "ausgabe keine zweite sway"
    cat "$T/innen.log"
fi
kill $INNEN 2>/dev/null
wait $INNEN 2>/dev/null
cat "$T"/pinwick*.log
kill $TASTATUR 2>/dev/null
kill $SWAY 2>/dev/null
wait $SWAY 2>/dev/null
INNER

$ALS sh "$TMP/lauf.sh" "$TMP" "$PIXELTEST" "$(command -v "$SQLCIPHER")" > "$TMP/aus.txt" 2>&1
[ -n "${XWZEILE:-}" ] && echo "$XWZEILE" >> "$TMP/aus.txt"
cat "$TMP/aus.txt"
[ -n "${BEHALTEN:-}" ] && cp "$TMP"/*.png "$BEHALTEN"/ 2>/dev/null
if grep -q '^nosway' "$TMP/aus.txt"; then
    echo "SKIP: sway could not start here"
    exit 77
fi
# The colours set above: the bar's own background (its border) red, the band
# green; the screen's background is neither.
awk '
    BEGIN { xw = 1 } # checked only where Xvfb is
    $1 == "pixel" && $2 == 0 { obenRand = ($4 == "#FF0000"); mitteFrei = ($8 != "#FF0000") }
    $1 == "band" && $2 == 0 { obenBand = ($4 == "#00FF00") }
    $1 == "pixel" && $2 == 1 { untenRand = ($6 == "#FF0000"); obenFrei = ($4 != "#FF0000") }
    $1 == "band" && $2 == 1 { untenBand = ($6 == "#00FF00") }
    # A terminal started after the bar has the keyboard: the bar does not
    # keep it without a click.
    $1 == "term" && $2 == 0 { t0y = $4; t0h = $6; t0f = $7 }
    $1 == "term" && $2 == 1 { t1y = $4; t1h = $6 }
    $1 == "menue" { menue = ($2 == 0) }
    $1 == "menuepixel" { menuePixel = ($2 == "#FFFFFF" && $3 == "#FFFFFF") }
    $1 == "menuezu" { menueZu = ($2 != "#FFFFFF") }
    $1 == "verwaltung" { verwaltung = ($2 == 1) }
    $1 == "doppelklick" { doppelklick = ($2 == 1) }
    # The editor is there (1) and has the keyboard (2).
    $1 == "editor" { editor = ($2 == 2) }
    $1 == "xwayland" { xw = ($2 == 1 && $3 == 1) }
    # Ended through its menu with status 0 and no sanitizer report.
    $1 == "ende" { ende = ($2 == 0 && $3 == 0) }
    $1 == "pixeltest" { pixel = (mitPixel ? pixel : 1) && ($2 == 0); mitPixel = 1 }
    # On the first of two outputs, the workspace below it; the second free.
    $1 == "ausgabe" && $2 == "erste" { ausgabeVorher = ($3 == "#FF0000" && $4 >= 20 && $4 <= 60 && $6 == 0) }
    # The first output gone: the bar (its border, its band) on the one left,
    # the workspace of that output below it, the program still running.
    $1 == "ausgabe" && $2 == "danach" { ausgabeNachher = ($3 == "WL-2" && $4 == "#FF0000" && $5 == "#00FF00" && $6 >= 20 && $6 <= 60 && $7 == "lebt") }
    END {
        oben = obenRand && obenBand && mitteFrei
        unten = untenRand && untenBand && obenFrei
        # The terminal fills what the bar leaves: below a bar of 20 to 60
        # pixels at the top, above it at the bottom.
        termOben = (t0y >= 20 && t0y <= 60 && t0y + t0h == 720 && t0f == 1)
        termUnten = (t1y == 0 && t1h >= 660 && t1h <= 700)
        printf "top %d, terminal below it %d, bottom %d, terminal above it %d, menu %d %d %d %d, Ctrl-N %d, double-click %d, X11 without layer-shell %d, output removed %d %d, ended cleanly %d", oben, termOben, unten, termUnten, menue, menuePixel, menueZu, verwaltung, editor, doppelklick, xw, ausgabeVorher, ausgabeNachher, ende
        if (mitPixel) printf ", band pixels %d", pixel
        printf "\n"
        exit !(oben && termOben && unten && termUnten && menue && menuePixel && menueZu && verwaltung && editor && doppelklick && (!mitPixel || pixel) && xw && ausgabeVorher && ausgabeNachher && ende)
    }' "$TMP/aus.txt"
