#!/usr/bin/env bash
# What the bar costs as a layer surface on a Wayland compositor: the real
# Pinwick3 scrolling a long note (or standing still with a short one) on a
# headless sway (pixman renderer) at 1920 x 1080, measured from /proc:
# processor time of the program and of the compositor per second of wall
# time (percent of one core), the program's wake-ups per second (context
# switches of all its threads) and its resident memory. Not part of ctest:
# run it by hand after a build. sway will not run as root: as root, the
# session runs as the user named in PW_USER, or as one made for the run and
# removed afterwards.
#
# Usage (from the project root):
#   bench/scroll_wayland.sh [APP_DIR=build/app] [SECS=20] [ROUNDS=3] [TEXT=lang|kurz]
# Needs: sway, sqlcipher (the shell), python3.
set -u
APP=${1:-build/app}
SECS=${2:-20}
ROUNDS=${3:-3}
TEXT=${4:-lang}
for p in sway sqlcipher python3; do
    command -v "$p" >/dev/null 2>&1 || { echo "$p missing" >&2; exit 1; }
done
[ -x "$APP/Pinwick3" ] && [ -f "$APP/org.kav" ] || { echo "no Pinwick3 and org.kav in $APP" >&2; exit 1; }
APP=$(cd "$APP" && pwd)
TMP=$(mktemp -d)
chmod 755 "$TMP"
ALS=""
NEU=""
if [ "$(id -u)" -eq 0 ]; then
    if [ -z "${PW_USER:-}" ]; then
        PW_USER=pinwickbench
        id "$PW_USER" >/dev/null 2>&1 || { useradd -M -d "$TMP" -s /bin/sh "$PW_USER" && NEU=1; }
    fi
    ALS="runuser -u $PW_USER --"
fi
trap 'rm -rf "$TMP"; [ -n "$NEU" ] && userdel "$PW_USER"' EXIT
if [ "$TEXT" = kurz ]; then
    notiz="A short note that fits the band"
else
    notiz=$(python3 -c "print(' \u00b7 '.join('Scrolling check note number %d with enough words to overflow the band' % i for i in range(20)))")
fi

cat > "$TMP/runde.sh" <<'INNER'
#!/usr/bin/env bash
T="$1"; SECS="$2"; r="$3"
export XDG_RUNTIME_DIR="$T/rt$r" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1
export HOME="$T/home$r" XDG_CONFIG_HOME="$T/home$r/.config"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM SWAYSOCK
mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
printf 'output HEADLESS-1 resolution 1920x1080\nxwayland disable\n' > "$T/sway.conf"
sway -c "$T/sway.conf" >/dev/null 2>&1 &
SW=$!
for _ in $(seq 40); do ls "$XDG_RUNTIME_DIR"/wayland-* >/dev/null 2>&1 && break; sleep 0.25; done
export WAYLAND_DISPLAY=$(ls "$XDG_RUNTIME_DIR" | grep '^wayland-[0-9]*$' | head -n 1)
(cd "$T/app$r" && exec ./Pinwick3 >/dev/null 2>&1) &
PW=$!
ns() { local t=0 a; for f in /proc/"$1"/task/*/schedstat; do read -r a _ < "$f" && t=$((t + a)); done; echo "$t"; }
wecker() { cat /proc/"$1"/task/*/status | awk '/ctxt_switches/ {s += $2} END {print s}'; }
sleep 8
kill -0 "$PW" 2>/dev/null || { echo "Pinwick3 did not keep running"; kill $SW; exit 1; }
c0=$(ns "$PW"); s0=$(ns "$SW"); w0=$(wecker "$PW")
sleep "$SECS"
c1=$(ns "$PW"); s1=$(ns "$SW"); w1=$(wecker "$PW")
rss=$(awk '/VmRSS/ {print int($2 / 1024)}' /proc/"$PW"/status)
python3 -c "print('round $r: client %.3f compositor %.3f wakeups %.1f rss $rss' % (($c1-$c0)/$SECS/1e7, ($s1-$s0)/$SECS/1e7, ($w1-$w0)/$SECS))"
kill "$PW"; wait "$PW" 2>/dev/null
kill "$SW"; wait "$SW" 2>/dev/null
INNER

: > "$TMP/runden"
for r in $(seq "$ROUNDS"); do
    h="$TMP/home$r"
    mkdir -p "$h/Documents/Pinwick 3" "$TMP/app$r"
    cp "$APP/Pinwick3" "$APP/org.kav" "$TMP/app$r/"
    db="$h/Documents/Pinwick 3/pw.kav"
    cp "$APP/org.kav" "$db"
    printf "PRAGMA key='pelmory+sadun';\nupdate Einstellungen set erstVorbei=-1, Sprache=1;\ninsert into Notizen(inhalt,Rhythmus) values('%s',0);\n" "$notiz" |
        sqlcipher "$db" >/dev/null 2>&1
    [ -n "$ALS" ] && chown -R "$PW_USER" "$TMP"
    $ALS bash "$TMP/runde.sh" "$TMP" "$SECS" "$r" | tee -a "$TMP/runden"
done
python3 - "$TMP/runden" <<'PY'
import statistics as s, sys
rows = [l.split() for l in open(sys.argv[1]) if l.startswith("round")]
c = s.median(float(r[3]) for r in rows)
k = s.median(float(r[5]) for r in rows)
w = s.median(float(r[7]) for r in rows)
m = s.median(int(r[9]) for r in rows)
print(f"median: client {c:.3f} % of a core, compositor {k:.3f} %, wake-ups {w:.1f}/s, rss {m} MB")
PY
