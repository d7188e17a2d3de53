# What the end-to-end scripts share. Sourced, not run:
#   . "$(dirname "$0")/gemeinsam.sh"

# The script that gives a command an X server of its own (`$0` is the
# script that sources this file, which lives beside it).
MIT_XVFB="$(cd "$(dirname "$0")" && pwd)/mit_xvfb.sh"

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
