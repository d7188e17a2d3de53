#!/usr/bin/env bash
# What the running ticker costs: the real Pinwick3 scrolling a long note (or
# standing still with a short one) on its own virtual X display at
# 1920 x 1080, measured from /proc: processor time of the program and of the
# X server per second of wall time (percent of one core), the program's
# wake-ups per second, and its resident memory. Not part of ctest: run it by
# hand after a build.
#
# Usage (from the project root, after ./scripts/build.sh Pinwick3 vorlage):
#   bench/scroll_cpu.sh [APP_DIR=build/app] [SECS=20] [ROUNDS=3] [TEXT=lang|kurz|viele] [UHR=an|aus]
# TEXT=viele: twenty notes of a line each (the long text of TEXT=lang as
# separate notes), so that a band shown page by page has several pages.
# UHR=aus switches the date and clock off (zeigDatum). ANZEIGE=<n> in the
# environment runs the X server on display :n instead of a free one it
# picks itself. BUS=an runs the program on a D-Bus session bus of its own,
# as on a desktop (dbus-run-session); BUS=zugang also switches Qt's
# accessibility bridge on (the AT-SPI bus is started by D-Bus activation);
# BUS=leser adds a listener to every event a screen reader listens to
# (zugang_hoerer.py). PERTHREAD=1 prints the wake-ups of each thread.
# BEWEGUNG says how the band moves: laufend (as it does by itself, the
# default), zeiger (the pointer rests on the band), angehalten (stopped by
# the reader: pages turned by hand) or weniger (the desktop asks for less
# motion: pages that turn by themselves). Needs: Xvfb, sqlcipher (the
# shell); for BUS dbus-run-session and at-spi2-core, for BUS=leser
# python3-pyatspi, for BEWEGUNG=zeiger xdotool.
# FEEDS=an gives the program two news feeds of two short items each from a
# local server (tests/feeds/server/feed_testserver.py), added with
# pinwick-notes (NOTES=<path>, by default beside the app folder in bin/)
# before it starts, fetched at the normal interval: with TEXT=kurz the band
# still stands, and what the feeds cost beyond it is their timers.
#
# Each round starts a fresh X server and program, lets it run 8 s (start,
# splash, first rebuild, the update timer), then measures SECS seconds.
# Printed per round:
#   round N: client <% of a core> x <% of a core> rss <MB> wakeups <per s>
# Processor time from the scheduler's nanosecond counters
# (/proc/<pid>/task/*/schedstat, all threads), which are finer than the
# 10 ms ticks of /proc/<pid>/stat. Wake-ups are the voluntary context
# switches of all threads (/proc/<pid>/task/*/status): each is a thread
# that went to sleep and so was woken once; a thread that ends within the
# window (Qt's pooled threads after 30 s idle) is not seen. Then the medians. A tick of the band should cost one copy in the X server: see
# docs/SCROLLING.md for the figures to expect.
set -u
APP=${1:-build/app}
SECS=${2:-20}
ROUNDS=${3:-3}
TEXT=${4:-lang}
UHR=${5:-an}
BEWEGUNG=${BEWEGUNG:-laufend}
case "$BEWEGUNG" in
laufend | zeiger | angehalten | weniger) ;;
*) echo "BEWEGUNG: laufend, zeiger, angehalten or weniger" >&2; exit 2 ;;
esac
noetig="Xvfb sqlcipher python3"
FEEDS=${FEEDS:-aus}
NOTES=${NOTES:-$APP/../bin/pinwick-notes}
case "$FEEDS" in
an) [ -x "$NOTES" ] || { echo "no pinwick-notes at $NOTES (NOTES=...)" >&2; exit 1; } ;;
aus) ;;
*) echo "FEEDS: an or aus" >&2; exit 2 ;;
esac
[ "$BEWEGUNG" = zeiger ] && noetig="$noetig xdotool"
for p in $noetig; do
    command -v "$p" >/dev/null 2>&1 || { echo "$p missing" >&2; exit 1; }
done
[ -x "$APP/Pinwick3" ] && [ -f "$APP/org.kav" ] || { echo "no Pinwick3 and org.kav in $APP" >&2; exit 1; }
APP=$(cd "$APP" && pwd)

TMP=$(mktemp -d)
XV=""
PW=""
BUSPID=""
FS=""
aufraeumen() {
    [ -n "$FS" ] && kill "$FS" 2>/dev/null
    [ -n "$PW" ] && kill "$PW" 2>/dev/null
    [ -n "$BUSPID" ] && kill "$BUSPID" 2>/dev/null
    [ -n "$XV" ] && kill "$XV" 2>/dev/null
    rm -rf "$TMP"
}
trap aufraeumen EXIT

if [ "$TEXT" = kurz ]; then
    notizen="insert into Notizen(inhalt,Rhythmus) values('A short note that fits the band',0);"
elif [ "$TEXT" = viele ]; then
    notizen=$(python3 -c "print(''.join(\"insert into Notizen(inhalt,Rhythmus) values('Scrolling check note number %d with enough words to overflow the band',0);\" % i for i in range(20)))")
else
    notizen="insert into Notizen(inhalt,Rhythmus) values('$(python3 -c "print(' \u00b7 '.join('Scrolling check note number %d with enough words to overflow the band' % i for i in range(20)))")',0);"
fi

# The feeds' server: two feeds of two short items each.
if [ "$FEEDS" = an ]; then
    NOTES=$(cd "$(dirname "$NOTES")" && pwd)/$(basename "$NOTES")
    mkdir -p "$TMP/feeds"
    for f in eins zwei; do
        printf '<?xml version="1.0" encoding="UTF-8"?>\n<rss version="2.0"><channel><title>%s</title>\n<item><title>%s a</title><link>/a</link></item>\n<item><title>%s b</title><link>/b</link></item>\n</channel></rss>\n' \
            "$f" "$f" "$f" > "$TMP/feeds/$f.xml"
    done
    python3 "$(dirname "$0")/../tests/feeds/server/feed_testserver.py" --ordner "$TMP/feeds" > "$TMP/port" 2>"$TMP/server" &
    FS=$!
    for _ in $(seq 40); do grep -q '^PORT' "$TMP/port" 2>/dev/null && break; sleep 0.25; done
    feedport=$(sed -n 's/^PORT //p' "$TMP/port")
    [ -n "$feedport" ] || { echo "no feed server" >&2; exit 1; }
fi

# Processor time of all threads of a process, in nanoseconds.
ns() {
    local t=0 a
    for f in /proc/"$1"/task/*/schedstat; do
        read -r a _ < "$f" && t=$((t + a))
    done
    echo "$t"
}

# Voluntary context switches of each thread of a process: "tid count" lines.
wach() {
    local f a
    for f in /proc/"$1"/task/*/status; do
        a=$(awk '/^voluntary_ctxt_switches/ {print $2}' "$f" 2>/dev/null) && echo "${f%/status} ${a:-0}"
    done
}

# Wake-ups between two of those lists: per thread still there, what it added
# (a thread born meanwhile counts from 0; one that ended is not seen).
wachDazu() {
    awk 'NR == FNR { vorher[$1] = $2; next } { t += $2 - ($1 in vorher ? vorher[$1] : 0) } END { print t + 0 }' "$1" "$2"
}

: > "$TMP/runden"
for r in $(seq "$ROUNDS"); do
    h="$TMP/home$r"
    w="$TMP/app$r"
    mkdir -p "$h/Documents/Pinwick 3" "$w"
    cp "$APP/Pinwick3" "$APP/org.kav" "$w/"
    db="$h/Documents/Pinwick 3/pw.kav"
    datum=-1
    [ "$UHR" = aus ] && datum=0
    cp "$APP/org.kav" "$db"
    printf "PRAGMA key='pelmory+sadun';\nupdate Einstellungen set erstVorbei=-1, Sprache=1, zeigDatum=%s;\n%s\n" "$datum" "$notizen" |
        sqlcipher "$db" >/dev/null 2>&1
    if [ "$FEEDS" = an ]; then
        for f in eins zwei; do
            HOME="$h" XDG_CONFIG_HOME="$h/.config" "$NOTES" feed add "http://127.0.0.1:$feedport/feed/$f.xml" >/dev/null ||
                { echo "feed add failed" >&2; exit 1; }
        done
    fi
    # The desktop's wish for less motion, as KDE writes it.
    mkdir -p "$h/.config"
    [ "$BEWEGUNG" = weniger ] && printf '[KDE]\nAnimationDurationFactor=0\n' > "$h/.config/kdeglobals"

    if [ -n "${ANZEIGE:-}" ]; then
        # A display number of the caller's choosing (a shared machine).
        Xvfb ":$ANZEIGE" -screen 0 1920x1080x24 -noreset >/dev/null 2>&1 &
        XV=$!
        sleep 1
        anzeige=":$ANZEIGE"
    else
        # A display number nobody uses: the server picks it and tells.
        Xvfb -displayfd 3 -screen 0 1920x1080x24 -noreset 3>"$TMP/anzeige" >/dev/null 2>&1 &
        XV=$!
        for _ in $(seq 50); do [ -s "$TMP/anzeige" ] && break; sleep 0.1; done
        anzeige=":$(head -n 1 "$TMP/anzeige")"
    fi
    vor=""
    zugang=""
    hoerer=""
    case "${BUS:-aus}" in
    an) vor="dbus-run-session --" ;;
    zugang) vor="dbus-run-session --" zugang=1 ;;
    leser) vor="dbus-run-session --" zugang=1 hoerer="$(cd "$(dirname "$0")" && pwd)/zugang_hoerer.py" ;;
    esac
    mkdir -p -m 700 "$h/rt"
    # Stopped as the reader stops it from a shortcut: with no bar running,
    # --pause starts one stopped.
    schalter=""
    [ "$BEWEGUNG" = angehalten ] && schalter="--pause"
    # Inside the bus session the shell starts the listener beside the
    # program and then becomes the program.
    (cd "$w" && HOME="$h" XDG_CONFIG_HOME="$h/.config" XDG_CACHE_HOME="$h/cache" XDG_RUNTIME_DIR="$h/rt" DISPLAY="$anzeige" \
        ZUGANG="$zugang" HOERER="$hoerer" SCHALTER="$schalter" exec $vor sh -c '
            if [ -n "$ZUGANG" ]; then
                export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
            fi
            if [ -n "$HOERER" ]; then
                /usr/bin/python3 "$HOERER" $$ >/dev/null 2>&1 &
            fi
            exec ./Pinwick3 $SCHALTER' >/dev/null 2>&1) &
    PW=$!
    BUSPID=""
    if [ -n "$vor" ]; then
        # The bus session is the child started; the ticker runs beneath it
        # (the listener too, and ends with the session).
        BUSPID=$PW
        PW=""
        for _ in $(seq 50); do
            PW=$(pgrep -n -x Pinwick3 -P "$BUSPID" 2>/dev/null || true)
            [ -n "$PW" ] && break
            sleep 0.1
        done
        [ -n "$PW" ] || { echo "Pinwick3 did not start under dbus-run-session" >&2; exit 1; }
    fi
    sleep 8
    if ! kill -0 "$PW" 2>/dev/null; then
        echo "Pinwick3 did not keep running" >&2
        exit 1
    fi
    if [ "$BEWEGUNG" = zeiger ]; then
        # The pointer onto the middle of the bar (the window as wide as the
        # screen), where the band runs; then the bar settles again.
        breite=$(DISPLAY="$anzeige" xdotool getdisplaygeometry | cut -d' ' -f1)
        for fw in $(DISPLAY="$anzeige" xdotool search --onlyvisible --classname Pinwick3); do
            eval "$(DISPLAY="$anzeige" xdotool getwindowgeometry --shell "$fw")"
            if [ "$WIDTH" = "$breite" ]; then
                DISPLAY="$anzeige" xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
                break
            fi
        done
        sleep 2
    fi
    c0=$(ns "$PW"); x0=$(ns "$XV"); wach "$PW" > "$TMP/wach0"
    sleep "$SECS"
    c1=$(ns "$PW"); x1=$(ns "$XV"); wach "$PW" > "$TMP/wach1"
    w=$(wachDazu "$TMP/wach0" "$TMP/wach1")
    rss=$(awk '/VmRSS/ {print int($2 / 1024)}' /proc/"$PW"/status)
    python3 -c "print('round $r: client %.3f x %.3f rss $rss wakeups %.2f' % (($c1-$c0)/$SECS/1e7, ($x1-$x0)/$SECS/1e7, $w/$SECS))" |
        tee -a "$TMP/runden"
    if [ -n "${PERTHREAD:-}" ]; then
        # Wake-ups per thread, by the thread's name.
        awk 'NR == FNR { vorher[$1] = $2; next } { print $1, $2 - ($1 in vorher ? vorher[$1] : 0) }' \
            "$TMP/wach0" "$TMP/wach1" | while read -r t n; do
            printf '  %-16s %s\n' "$(cat "$t/comm" 2>/dev/null)" "$n"
        done
    fi
    kill "$PW"; wait "$PW" 2>/dev/null; PW=""
    if [ -n "$BUSPID" ]; then
        wait "$BUSPID" 2>/dev/null
        BUSPID=""
    fi
    kill "$XV"; wait "$XV" 2>/dev/null; XV=""
    : > "$TMP/anzeige"
done
if [ "$FEEDS" = an ]; then
    # Fetches seen by the server (each round's first, and any later).
    echo "feed requests: $(grep -c '^GET' "$TMP/server")"
fi
python3 - "$TMP/runden" <<'PY'
import statistics as s, sys
rows = [l.split() for l in open(sys.argv[1])]
c = s.median(float(r[3]) for r in rows)
x = s.median(float(r[5]) for r in rows)
m = s.median(int(r[7]) for r in rows)
w = s.median(float(r[9]) for r in rows)
print(f"median: client {c:.3f} % of a core, X server {x:.3f} %, together {c + x:.3f} %, rss {m} MB, wake-ups {w:.2f}/s")
PY
