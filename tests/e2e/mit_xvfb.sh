#!/bin/sh
# mit_xvfb.sh SCREEN COMMAND [ARG...]
#
# Runs COMMAND with DISPLAY set to an X server of its own (Xvfb, one screen
# of SCREEN, e.g. 1280x800x24) and ends the server afterwards; the exit
# status is COMMAND's.
#
# The server reports its display number once it accepts connections
# (-displayfd). The number is drawn at random from 100 to 899: with
# -displayfd alone the server takes the lowest free one, and display :0 was
# now and then refused to our clients ("could not connect to display") on
# these shared machines. Two tests started in the same moment (ctest -j)
# that draw the same number: the second server ends at once and its script
# draws again.

if [ $# -lt 2 ]; then
    echo "usage: mit_xvfb.sh SCREEN COMMAND [ARG...]" >&2
    exit 2
fi
command -v Xvfb >/dev/null 2>&1 || { echo "Xvfb missing" >&2; exit 1; }
bildschirm=$1
shift

# A server that reported its number may still refuse a client now and then
# ("could not connect to display"); such a server is kept running, so that
# the next one does not take its number, and another is started.
schlechte=""
ende() {
    kill "$xpid" $schlechte 2>/dev/null
    wait "$xpid" $schlechte 2>/dev/null
    rm -f "$nummer" "$nummer.log"
}
trap 'ende; exit 129' HUP
trap 'ende; exit 130' INT
trap 'ende; exit 143' TERM

for versuch in 1 2 3 4 5; do
    # A number well away from the low ones that desktops and other users'
    # servers take first; a server that finds it taken after all ends at
    # once, and the next try takes another.
    n=$(( $(od -An -N2 -tu2 /dev/urandom) % 800 + 100 ))
    [ -e "/tmp/.X$n-lock" ] && continue
    nummer=$(mktemp)
    # -noreset: an X server starts itself afresh whenever its last client
    # goes (the check below, a program that ended between two steps of a
    # test), and a client that connects in that moment is refused: "could
    # not connect to display", now and then, on a loaded machine.
    Xvfb ":$n" -displayfd 3 -screen 0 "$bildschirm" -nolisten tcp -noreset 3>"$nummer" 2>"$nummer.log" &
    xpid=$!
    # At most 20 s for a loaded machine.
    i=0
    while [ ! -s "$nummer" ] && [ $i -lt 200 ] && kill -0 "$xpid" 2>/dev/null; do
        sleep 0.1
        i=$((i + 1))
    done
    if [ ! -s "$nummer" ]; then
        if ! kill -0 "$xpid" 2>/dev/null && [ $versuch -lt 5 ]; then
            rm -f "$nummer" "$nummer.log"
            continue
        fi
        echo "Xvfb did not start:" >&2
        cat "$nummer.log" >&2
        ende
        exit 1
    fi
    anzeige=":$(head -n 1 "$nummer")"
    i=0
    while [ $i -lt 50 ] && ! xdpyinfo -display "$anzeige" >/dev/null 2>&1; do
        sleep 0.1
        i=$((i + 1))
    done
    [ $i -lt 50 ] && break
    echo "Xvfb on $anzeige takes no clients; another one" >&2
    schlechte="$schlechte $xpid"
    rm -f "$nummer" "$nummer.log"
done

DISPLAY="$anzeige" "$@"
rc=$?
# A server that went away under the command explains a "could not connect"
# of the program better than anything the command printed.
if ! kill -0 "$xpid" 2>/dev/null; then
    echo "Xvfb on $anzeige ended while the command ran; its log:" >&2
    cat "$nummer.log" >&2
elif [ $rc -ne 0 ] && ! xdpyinfo -display "$anzeige" >/dev/null 2>&1; then
    echo "Xvfb on $anzeige runs but takes no clients any more; its log:" >&2
    cat "$nummer.log" >&2
fi
ende
exit $rc
