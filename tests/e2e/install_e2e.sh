#!/bin/sh
# "cmake --install" into a folder of its own, then the launcher as the
# desktop file starts it: the user gets a working folder of their own, the
# bar shows, and a changed installed copy reaches that folder at the next
# start while files the user's updates put there otherwise stay.
# Usage: install_e2e.sh <build folder>
set -u
BUILD="$1"
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
cmake --install "$BUILD" --prefix "$TMP/usr" >/dev/null || { echo "FAILED: install"; exit 1; }

. "$(dirname "$0")/gemeinsam.sh"

for f in bin/pinwick lib/pinwick/Pinwick3 lib/pinwick/pwi.kav lib/pinwick/org.kav \
    lib/pinwick/start-e.htm lib/pinwick/start-d.htm share/applications/pinwick.desktop \
    share/icons/hicolor/scalable/apps/pinwick.svg bin/pinwick-notes share/man/man1/pinwick-notes.1.gz; do
    test -e "$TMP/usr/$f"
    pruefe $? "installed $f"
done
"$TMP/usr/bin/pinwick-notes" --help | grep -q "export \[--format ics|csv\]"
pruefe $? "the installed pinwick-notes runs"
befehl=$(sed -n "s/^Exec=//p" "$TMP/usr/share/applications/pinwick.desktop" | head -n 1)
test "$befehl" = "pinwick"
pruefe $? "the desktop file starts the launcher"

cat > "$TMP/lauf.sh" <<'INNER'
#!/bin/sh
cd "$1"
# The launcher needs the system's tools; an xdg-open that succeeds comes
# first, so the first start's help page goes there whatever the machine has.
mkdir -p "$1/oeffner"
printf '#!/bin/sh\nexit 0\n' > "$1/oeffner/xdg-open"
chmod +x "$1/oeffner/xdg-open"
PATH="$1/usr/bin:$1/oeffner:$PATH" HOME="$1/home" XDG_CONFIG_HOME="$1/home/.config" pinwick >/dev/null 2>&1 &
# The launcher ends in exec: this is the ticker's own process.
pid=$!
gesehen=nein
for i in $(seq 1 40); do
    xdotool search --onlyvisible --classname Pinwick3 >/dev/null 2>&1 && { gesehen=ja; break; }
    sleep 0.25
done
echo $gesehen > "$1/gesehen.txt"
sleep 1
kill $pid 2>/dev/null
wait $pid 2>/dev/null
INNER
mkdir -p "$TMP/home"
"$MIT_XVFB" 1024x600x24 sh "$TMP/lauf.sh" "$TMP"
ARBEIT="$TMP/home/.local/share/pinwick"
test "$(cat "$TMP/gesehen.txt")" = ja
pruefe $? "the bar shows"
test -x "$ARBEIT/Pinwick3" && test -f "$ARBEIT/org.kav" && test -x "$ARBEIT/pwi.kav"
pruefe $? "the user's working folder holds the programs and the template"
test -f "$TMP/home/Documents/Pinwick 3/pw.kav"
pruefe $? "the documents database was made"

# A newer installed copy replaces the user's; an unchanged one does not.
printf 'x' > "$ARBEIT/start-e.htm"
"$MIT_XVFB" 1024x600x24 sh "$TMP/lauf.sh" "$TMP"
test "$(cat "$ARBEIT/start-e.htm")" = x
pruefe $? "an unchanged installed copy leaves the user's folder alone"
printf '\n' >> "$TMP/usr/lib/pinwick/Pinwick3"
"$MIT_XVFB" 1024x600x24 sh "$TMP/lauf.sh" "$TMP"
cmp -s "$ARBEIT/Pinwick3" "$TMP/usr/lib/pinwick/Pinwick3" && cmp -s "$ARBEIT/start-e.htm" "$TMP/usr/lib/pinwick/start-e.htm"
pruefe $? "a changed installed copy is taken over"
exit $fehler
