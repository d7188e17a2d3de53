#!/bin/sh
# The template database opens in the sqlcipher command-line shell with the
# installation password, holds both tables with all their columns and one
# settings row, and refuses any other password.
#   vorlage_cli.sh <org.kav> [sqlcipher program]
set -u

vorlage=${1:?usage: vorlage_cli.sh <org.kav> [sqlcipher]}
cli=${2:-sqlcipher}
fehler=0

fail() {
    echo "FAIL: $*" >&2
    fehler=1
}

command -v "$cli" >/dev/null 2>&1 || { echo "FAIL: no $cli program" >&2; exit 1; }
[ -s "$vorlage" ] || { echo "FAIL: template $vorlage missing or empty" >&2; exit 1; }

# Work on a copy: the shell opens files for writing.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp "$vorlage" "$tmp/org.kav"

frage() { # key, then SQL lines on stdin
    { printf "PRAGMA key='%s';\n.headers off\n.mode list\n" "$1"; cat; } |
        "$cli" -bail "$tmp/org.kav" 2>&1
}

tabellen=$(echo ".tables" | frage 'pelmory+sadun') || fail "tables not listed: $tabellen"
for t in Notizen Einstellungen; do
    echo "$tabellen" | tr -s ' ' '\n' | grep -qx "$t" || fail "table $t missing ($tabellen)"
done

spalten() {
    echo "PRAGMA table_info($1);" | frage 'pelmory+sadun' | cut -d'|' -f2 | tr '\n' ' ' |
        sed 's/ $//'
}
erwartet="ID inhalt Rhythmus UhrVon UhrBis StartDatum Vorher RhyDetails Dauer"
ist=$(spalten Notizen)
[ "$ist" = "$erwartet" ] || fail "Notizen columns: '$ist', expected '$erwartet'"

erwartet="Sprache ImmerOben dockPos fensterHgFarbe uhrHgFarbe UhrSchriftFarbe notizHgFarbe"
erwartet="$erwartet SchriftName SchriftGroesse SchriftFett SchriftKursiv SchriftFarbe"
erwartet="$erwartet SchriftFarbe2 Schrift3D zeigDatum zeigRahmen Speed sysopStatus passWort"
erwartet="$erwartet broadcastStatus broadcastPfad remoteEinstellungen eigeneErlauben erstVorbei"
ist=$(spalten Einstellungen)
[ "$ist" = "$erwartet" ] || fail "Einstellungen columns: '$ist', expected '$erwartet'"

zeilen=$(printf "SELECT count(*) FROM Notizen;\nSELECT count(*) FROM Einstellungen;\n" |
    frage 'pelmory+sadun' | tr '\n' ' ')
[ "$zeilen" = "0 1 " ] || fail "rows of Notizen and Einstellungen: '$zeilen', expected '0 1'"
erst=$(echo "SELECT broadcastStatus, eigeneErlauben, erstVorbei FROM Einstellungen;" |
    frage 'pelmory+sadun')
[ "$erst" = "0|-1|0" ] || fail "first settings row: '$erst'"

for falsch in 'pelmory+sadum' '' 'PELMORY+SADUN'; do
    if antwort=$(echo "SELECT count(*) FROM sqlite_master;" | frage "$falsch"); then
        fail "opened with key '$falsch': $antwort"
    fi
    case $antwort in
    *"file is encrypted or is not a database"*) ;;
    *) fail "key '$falsch' gave: $antwort" ;;
    esac
done

if [ $fehler -eq 0 ]; then
    echo "template opens with its password only: ok"
fi
exit $fehler
