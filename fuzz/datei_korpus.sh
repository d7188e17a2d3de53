#!/bin/sh
# Writes the seeds of datei_fuzz (fuzz/korpus/datei_fuzz): small plain
# database files, as the program makes them and as an attacker would, with
# 512-byte pages so that a file fits the fuzzer's inputs. Needs the sqlcipher
# command line program (without a key it writes plain files).
set -e
cd "$(dirname "$0")/korpus/datei_fuzz"
rm -f ./*.db

NOTIZEN="CREATE TABLE Notizen (ID INTEGER PRIMARY KEY AUTOINCREMENT, inhalt TEXT, Rhythmus INTEGER, UhrVon REAL, UhrBis REAL, StartDatum REAL, Vorher INTEGER, RhyDetails TEXT, Dauer INTEGER);"
EINSTELLUNGEN="CREATE TABLE Einstellungen (Sprache INTEGER, ImmerOben INTEGER, dockPos INTEGER, fensterHgFarbe INTEGER, uhrHgFarbe INTEGER, UhrSchriftFarbe INTEGER, notizHgFarbe INTEGER, SchriftName TEXT, SchriftGroesse INTEGER, SchriftFett INTEGER, SchriftKursiv INTEGER, SchriftFarbe INTEGER, SchriftFarbe2 INTEGER, Schrift3D INTEGER, zeigDatum INTEGER, zeigRahmen INTEGER, Speed INTEGER, sysopStatus INTEGER, passWort TEXT, broadcastStatus INTEGER, broadcastPfad TEXT, remoteEinstellungen INTEGER, eigeneErlauben INTEGER, erstVorbei INTEGER);
INSERT INTO Einstellungen VALUES (0, -1, 0, 16744576, 16769248, 0, 7303023, 'Verdana', 10, -1, 0, 16777215, 65535, 0, -1, -1, 30, 0, '', 0, '', 0, -1, 0);"
NOTIZ="INSERT INTO Notizen (inhalt, Rhythmus, UhrVon, UhrBis, StartDatum, Vorher, RhyDetails, Dauer) VALUES"

datei() {
    sqlcipher "$1.db" "PRAGMA page_size = 512; $NOTIZEN $EINSTELLUNGEN $2" >/dev/null
}

datei gut "$NOTIZ ('Besprechung', 1, 0.375, 0.5, 45000, 0, '1111100', 0), ('Urlaub', 0, 0, 0, 45300, 3, '', 5);"
datei lang "$NOTIZ ('$(printf '%0700d' 0)', 2, 0, 0, 45000, 0, '15', 0);"
datei neu "CREATE TABLE Spaeter (a TEXT); ALTER TABLE Notizen ADD COLUMN Farbe INTEGER; CREATE INDEX NachInhalt ON Notizen (inhalt); $NOTIZ ('x', 0, 0, 0, 0, 0, '', 0);"
datei sicht "ALTER TABLE Notizen RENAME TO Alt; CREATE VIEW Notizen AS WITH RECURSIVE r(ID, inhalt, Rhythmus, UhrVon, UhrBis, StartDatum, Vorher, RhyDetails, Dauer) AS (SELECT 1, 'x', 0, 0, 0, 0, 0, '', 0 UNION ALL SELECT ID + 1, inhalt || 'x', 0, 0, 0, 0, 0, '', 0 FROM r) SELECT * FROM r;"
datei ausloeser "CREATE TRIGGER t AFTER INSERT ON Notizen BEGIN DELETE FROM Notizen; END;"
datei volltext "CREATE VIRTUAL TABLE Suche USING fts4(inhalt); INSERT INTO Suche VALUES ('eins zwei drei');"
datei rtree "CREATE VIRTUAL TABLE Orte USING rtree(id, x0, x1); INSERT INTO Orte VALUES (1, 0, 5);"
# Damaged: cut after two pages, and a page of the notes overwritten.
head -c 1024 gut.db >abgeschnitten.db
cp gut.db beschaedigt.db
printf 'ZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZZ' | dd of=beschaedigt.db bs=1 seek=1100 conv=notrunc 2>/dev/null
ls -l
