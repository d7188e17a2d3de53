#!/bin/sh
# The bar as a panel under a window manager that honours reserved edges
# (openbox): a maximised xterm stops at the bar's edge, docked at the top and
# at the bottom; the bar is typed DOCK and kept out of taskbars and pagers;
# the note editor stays above it, whether the bar stays on top or not; the
# bar takes the focus when clicked; a change of the
# screen's size (xrandr) moves and resizes the bar at its next tick.
# Usage: rand_e2e.sh <app folder> <template> <sqlcipher shell>
set -u
APP="$1"
VORLAGE="$2"
SQLCIPHER="$3"
. "$(dirname "$0")/gemeinsam.sh"
werkzeuge Xvfb xdotool openbox xterm xrandr xwininfo

TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
mkdir -p "$TMP/app" "$TMP/home/Documents/Pinwick 3"
cp "$APP/Pinwick3" "$VORLAGE" "$TMP/app/"
cp "$VORLAGE" "$TMP/home/Documents/Pinwick 3/pw.kav"

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
T="$1"; SQLCIPHER="$2"; DOCK="$3"
. "$4"
# At the top the bar stays on top; at the bottom it does not.
OBEN=$([ "$DOCK" = 0 ] && echo -1 || echo 0)
printf "PRAGMA key='pelmory+sadun';\nUPDATE Einstellungen SET erstVorbei=-1, Sprache=1, dockPos=%s, ImmerOben=%s;\n" "$DOCK" "$OBEN" |
    "$SQLCIPHER" "$T/home/Documents/Pinwick 3/pw.kav" >/dev/null
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
cd "$T/app"
HOME="$T/home" XDG_CONFIG_HOME="$T/home/.config" BROWSER=true ./Pinwick3 >/dev/null 2>&1 &
pid=$!
# The bar is the program's window as wide as the screen.
leiste=$(warte_auf_leiste)
sleep 1.5
xterm -maximized -title maxterm >/dev/null 2>&1 &
xt=$!
sleep 2
eval "$(xdotool getwindowgeometry --shell "$leiste")"
echo "bar $X $Y $WIDTH $HEIGHT"
term=$(xdotool search --name maxterm | head -n 1)
ty=$(xwininfo -id "$term" -frame | awk '/Absolute upper-left Y/ {print $4}')
th=$(xwininfo -id "$term" -frame | awk '/Height:/ {print $2}')
echo "term $ty $th"
# (The client area: the title bar of the frame lies above it.)
# Click on the bar: the keyboard goes to it.
xdotool mousemove $((X + WIDTH - 20)) $((Y + HEIGHT / 2)) click 1
sleep 0.5
echo "focus $(xdotool getwindowfocus) $leiste"
# A panel: typed DOCK, out of taskbars and pagers.
echo "type $(xprop -id "$leiste" _NET_WM_WINDOW_TYPE | sed 's/.*= //')"
echo "state $(xprop -id "$leiste" _NET_WM_STATE | sed 's/.*= //')"
# The note editor, dragged over the bar, stays above it.
xdotool key --clearmodifiers ctrl+n
editor=""
for i in $(seq 1 20); do
    editor=$(xdotool search --onlyvisible --name "Edit note" 2>/dev/null | head -n 1)
    [ -n "$editor" ] && break
    sleep 0.25
done
if [ -n "$editor" ]; then
    xdotool windowmove "$editor" 200 "$Y"
    sleep 0.7
    stapel=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
    l=$(printf '0x%x' "$leiste"); e=$(printf '0x%x' "$editor")
    echo "stack $(echo "$stapel" | tr ' ' '\n' | grep -n -x -e "$l" -e "$e" | cut -d: -f2 | tr '\n' ' ')" |
        sed "s/$l/bar/; s/$e/editor/"
    xdotool key --window "$editor" Escape
    sleep 0.5
fi
# A smaller screen: the bar follows at its next tick.
xrandr --newmode "1024x700" 50 1024 1100 1150 1200 700 710 720 730 >/dev/null 2>&1
xrandr --addmode screen 1024x700 >/dev/null 2>&1
xrandr --output screen --mode 1024x700 >/dev/null 2>&1
sleep 1
eval "$(xdotool getwindowgeometry --shell "$leiste")"
echo "small $X $Y $WIDTH $HEIGHT"
kill $xt $pid 2>/dev/null
wait $pid 2>/dev/null
kill $wm 2>/dev/null
INNER

for dock in 0 1; do
    "$MIT_XVFB" 1280x800x24 sh "$TMP/lauf.sh" "$TMP" "$SQLCIPHER" $dock "$GEMEINSAM" > "$TMP/aus$dock.txt" 2>&1
    cat "$TMP/aus$dock.txt"
    awk -v dock=$dock '
        $1 == "bar" { bx = $2; by = $3; bw = $4; bh = $5 }
        $1 == "term" { ty = $2; th = $3 }
        $1 == "focus" { fokus = ($2 == $3) }
        $1 == "small" { sx = $2; sy = $3; sw = $4 }
        $1 == "type" { dockTyp = ($2 == "_NET_WM_WINDOW_TYPE_DOCK") }
        $1 == "state" { ohne = (index($0, "SKIP_TASKBAR") && index($0, "SKIP_PAGER")) }
        $1 == "stack" { oben = ($2 == "bar" && $3 == "editor") }
        END {
            if (dock == 0) { amRand = (ty >= by + bh && ty <= by + bh + 30); lage = (by == 0) }
            else { amRand = (ty + th <= by && ty + th >= by - 20); lage = (by + bh == 800) }
            klein = (sw == 1024 && (dock == 0 ? sy == 0 : sy + bh == 700))
            printf "dock %d: bar in place %d, maximised window at its edge %d, focus %d, follows the screen %d, type DOCK %d, out of taskbar and pager %d, editor above it %d\n", dock, lage, amRand, fokus, klein, dockTyp, ohne, oben
            exit !(lage && amRand && fokus && klein && dockTyp && ohne && oben)
        }' "$TMP/aus$dock.txt" || fehler=1
done
exit $fehler
