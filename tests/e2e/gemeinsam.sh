# What the end-to-end scripts share. Sourced, not run:
#   . "$(dirname "$0")/gemeinsam.sh"

# The script that gives a command an X server of its own (`$0` is the
# script that sources this file, which lives beside it).
MIT_XVFB="$(cd "$(dirname "$0")" && pwd)/mit_xvfb.sh"
# This file, for the scripts that run on the X display to source in turn.
GEMEINSAM="$(cd "$(dirname "$0")" && pwd)/gemeinsam.sh"

# 1 once a check has failed; a script ends with `exit $fehler`.
fehler=0

# pruefe STATUS TEXT: "ok: TEXT" when STATUS is 0, else "FAILED: TEXT", and
# the failure is remembered.
pruefe() {
    if [ "$1" -eq 0 ]; then
        echo "ok: $2"
    else
        echo "FAILED: $2"
        fehler=1
    fi
}

# werkzeuge PROGRAM...: the script stops when one of them is missing.
werkzeuge() {
    for p in "$@"; do
        command -v "$p" >/dev/null 2>&1 || { echo "$p missing"; exit 1; }
    done
}

# arbeitsordner APP: a temporary folder $TMP (removed at exit) with a home,
# a folder for screenshots and a copy of the ticker's working folder: the
# program, the template, the help pages and a splash step already taken.
arbeitsordner() {
    TMP=$(mktemp -d)
    trap 'rm -rf "$TMP"' EXIT
    mkdir -p "$TMP/home" "$TMP/app" "$TMP/bilder"
    cp "$1/Pinwick3" "$1/org.kav" "$TMP/app/"
    cp "$1"/*.htm "$TMP/app/" 2>/dev/null || true
    printf '1\r\n' > "$TMP/app/ssp.kav"
}

# What opens the help page is set up here, never taken from the machine.
# E2E_OEFFNER chooses: "ohne" (the default, a bare machine) gives the
# program a PATH with nothing on it that opens pages, so it shows the page
# in its own window; "mit" a PATH whose only program is an xdg-open that
# notes the page in FOLDER/geoeffnet.txt and succeeds.
# oeffner_pfad FOLDER: makes FOLDER/pfad and prints the PATH for the program.
oeffner_pfad() {
    mkdir -p "$1/pfad"
    if [ "${E2E_OEFFNER:-ohne}" = mit ]; then
        printf '#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s/geoeffnet.txt"\nexit 0\n' "$1" > "$1/pfad/xdg-open"
        chmod +x "$1/pfad/xdg-open"
    fi
    echo "$1/pfad"
}

# leiste: the bar's window, found by what it is: the program's visible
# window as wide as the screen (the splash, the boxes, the editor and the
# help window never are). Nothing printed and status 1 while there is none.
leiste() {
    _breite=$(xdotool getdisplaygeometry 2>/dev/null | cut -d' ' -f1)
    for _w in $(xdotool search --onlyvisible --classname Pinwick3 2>/dev/null); do
        if xdotool getwindowgeometry "$_w" 2>/dev/null | grep -q "Geometry: ${_breite}x"; then
            echo "$_w"
            return 0
        fi
    done
    return 1
}
# warte_auf_leiste: the bar, once it shows (up to 30 s on a busy machine).
warte_auf_leiste() {
    for _i in $(seq 1 120); do
        leiste && return 0
        sleep 0.25
    done
    return 1
}

# erste_hilfe SPRACHE FOLDER: the first start's help page (start-e.htm for
# e, start-d.htm for d) went where E2E_OEFFNER says: to the stub xdg-open,
# or into the program's own window under the title of that language, which
# Escape closes. Needs the X display.
erste_hilfe() {
    _seite="start-$1.htm"
    if [ "${E2E_OEFFNER:-ohne}" = mit ]; then
        for _i in $(seq 1 40); do
            grep -q "$_seite" "$2/geoeffnet.txt" 2>/dev/null && break
            sleep 0.25
        done
        grep -q "$_seite\$" "$2/geoeffnet.txt" 2>/dev/null
        pruefe $? "the first start hands $_seite to the desktop's xdg-open"
        test -z "$(xdotool search --onlyvisible --name '^Pinwick - (Help|Hilfe)$' 2>/dev/null)"
        pruefe $? "no help window of the program's own beside a handler"
        return
    fi
    if [ "$1" = d ]; then _titel="Pinwick - Hilfe"; else _titel="Pinwick - Help"; fi
    _hilfe=""
    for _i in $(seq 1 40); do
        _hilfe=$(xdotool search --onlyvisible --name "^$_titel\$" 2>/dev/null | head -n 1)
        [ -n "$_hilfe" ] && break
        sleep 0.25
    done
    test -n "$_hilfe"
    pruefe $? "without a handler the first start shows the help in its own window \"$_titel\""
    [ -n "$_hilfe" ] || return
    [ -n "${BILDER_ORDNER:-}" ] && import -window root "$BILDER_ORDNER/hilfe-$1.png" 2>/dev/null
    xdotool windowfocus "$_hilfe" 2>/dev/null
    sleep 0.3
    xdotool key Escape
    for _i in $(seq 1 20); do
        [ -z "$(xdotool search --onlyvisible --name "^$_titel\$" 2>/dev/null)" ] && break
        sleep 0.25
    done
    test -z "$(xdotool search --onlyvisible --name "^$_titel\$" 2>/dev/null)"
    pruefe $? "Escape closes the help window"
}
