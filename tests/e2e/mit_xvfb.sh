#!/bin/sh
# mit_xvfb.sh SCREEN COMMAND [ARG...]
#
# Runs COMMAND with DISPLAY set to an X server of its own (Xvfb, one screen
# of SCREEN, e.g. 1280x800x24) and ends the server afterwards; the exit
# status is COMMAND's.
#
# The server chooses its display number itself (-displayfd) and reports it
# once it accepts connections. `xvfb-run -a` looks for a free number by its
# lock file first and starts the server after that, so two tests started in
# the same moment (ctest -j) could both take the same number and one of them
# failed with "could not connect to display".

if [ $# -lt 2 ]; then
    echo "usage: mit_xvfb.sh SCREEN COMMAND [ARG...]" >&2
    exit 2
fi
command -v Xvfb >/dev/null 2>&1 || { echo "Xvfb missing" >&2; exit 1; }
bildschirm=$1
shift

nummer=$(mktemp)
Xvfb -displayfd 3 -screen 0 "$bildschirm" -nolisten tcp 3>"$nummer" 2>"$nummer.log" &
xpid=$!
ende() {
    kill "$xpid" 2>/dev/null
    wait "$xpid" 2>/dev/null
    rm -f "$nummer" "$nummer.log"
}
trap 'ende; exit 129' HUP
trap 'ende; exit 130' INT
trap 'ende; exit 143' TERM

# At most 20 s for a loaded machine.
i=0
while [ ! -s "$nummer" ] && [ $i -lt 200 ] && kill -0 "$xpid" 2>/dev/null; do
    sleep 0.1
    i=$((i + 1))
done
if [ ! -s "$nummer" ]; then
    echo "Xvfb did not start:" >&2
    cat "$nummer.log" >&2
    ende
    exit 1
fi

DISPLAY=":$(head -n 1 "$nummer")" "$@"
rc=$?
ende
exit $rc
