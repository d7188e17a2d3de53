#pragma once
// The tables of every installation's database file. Dates and times are REAL
// day numbers, booleans INTEGER -1/0, colours INTEGER &H00BBGGRR.

#include <vector>

namespace pinwick::schema {

inline constexpr const char* Notizen = "CREATE TABLE Notizen ("
                                       "ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                                       "inhalt TEXT, "
                                       "Rhythmus INTEGER, "
                                       "UhrVon REAL, "
                                       "UhrBis REAL, "
                                       "StartDatum REAL, "
                                       "Vorher INTEGER, "
                                       "RhyDetails TEXT, "
                                       "Dauer INTEGER)";

inline constexpr const char* Einstellungen = "CREATE TABLE Einstellungen ("
                                             "Sprache INTEGER, "
                                             "ImmerOben INTEGER, "
                                             "dockPos INTEGER, "
                                             "fensterHgFarbe INTEGER, "
                                             "uhrHgFarbe INTEGER, "
                                             "UhrSchriftFarbe INTEGER, "
                                             "notizHgFarbe INTEGER, "
                                             "SchriftName TEXT, "
                                             "SchriftGroesse INTEGER, "
                                             "SchriftFett INTEGER, "
                                             "SchriftKursiv INTEGER, "
                                             "SchriftFarbe INTEGER, "
                                             "SchriftFarbe2 INTEGER, "
                                             "Schrift3D INTEGER, "
                                             "zeigDatum INTEGER, "
                                             "zeigRahmen INTEGER, "
                                             "Speed INTEGER, "
                                             "sysopStatus INTEGER, "
                                             "passWort TEXT, "
                                             "broadcastStatus INTEGER, "
                                             "broadcastPfad TEXT, "
                                             "remoteEinstellungen INTEGER, "
                                             "eigeneErlauben INTEGER, "
                                             "erstVorbei INTEGER)";

// The columns every file must have for the program to read it: a file
// without one of them is not one of ours, or is damaged.
inline constexpr const char* NotizenSpalten[] = {
    "ID", "inhalt", "Rhythmus", "UhrVon", "UhrBis", "StartDatum", "Vorher", "RhyDetails", "Dauer"};
inline constexpr const char* EinstellungenSpalten[] = {
    "Sprache",        "ImmerOben",           "dockPos",        "fensterHgFarbe",
    "uhrHgFarbe",     "UhrSchriftFarbe",     "notizHgFarbe",   "SchriftName",
    "SchriftGroesse", "SchriftFett",         "SchriftKursiv",  "SchriftFarbe",
    "SchriftFarbe2",  "Schrift3D",           "zeigDatum",      "zeigRahmen",
    "Speed",          "sysopStatus",         "passWort",       "broadcastStatus",
    "broadcastPfad",  "remoteEinstellungen", "eigeneErlauben", "erstVorbei"};

// The one settings row of a new installation: a stand-alone ticker with the
// settings window's default look, whose first start picks the language.
inline constexpr const char* ErsteEinstellungen =
    "INSERT INTO Einstellungen (Sprache, ImmerOben, dockPos, fensterHgFarbe, uhrHgFarbe, "
    "UhrSchriftFarbe, notizHgFarbe, SchriftName, SchriftGroesse, SchriftFett, SchriftKursiv, "
    "SchriftFarbe, SchriftFarbe2, Schrift3D, zeigDatum, zeigRahmen, Speed, sysopStatus, "
    "passWort, broadcastStatus, broadcastPfad, remoteEinstellungen, eigeneErlauben, erstVorbei) "
    "VALUES (0, -1, 0, 16744576, 16769248, 0, 7303023, 'Verdana', 10, -1, 0, "
    "16777215, 65535, 0, -1, -1, 30, 0, '', 0, '', 0, -1, 0)";

// What later versions add to the tables above. A file of an earlier version
// gets it when this installation opens its own file (Datenbank::
// SchemaErgaenzen), a new installation at its first start. A broadcaster's
// file is never written: whoever reads one treats a missing column as its
// default and a missing table as empty. Older programs ignore what is added
// (they read columns by name), so the file stays readable for them.
struct Spaltenergaenzung {
    const char* tabelle;
    const char* spalte;
    const char* art; // type and default, e.g. "TEXT DEFAULT ''"
};
inline const std::vector<Spaltenergaenzung> SpaltenErgaenzungen = {
    // The broadcaster's public key (minisign), for a broadcast path that is
    // a web address. This desk's own choice: never adopted from a broadcaster.
    {"Einstellungen", "broadcastSchluessel", "TEXT DEFAULT ''"},
    // The reader stopped the band; the reader scrolls it despite the
    // desktop's wish for less motion.
    {"Einstellungen", "laufschriftAngehalten", "INTEGER DEFAULT 0"},
    {"Einstellungen", "laufschriftTrotzdem", "INTEGER DEFAULT 0"},
};
// Whole tables: the name and the statement that creates it.
struct Tabellenergaenzung {
    const char* tabelle;
    const char* anlegen; // "CREATE TABLE ..."
};
// News feeds shown after the notes: the address, a title (empty: the
// feed's own), the colour of its items (-1: the notes' font colour), how
// many of its newest items the band shows, and whether it is on. Only an
// edit of the feeds writes here; what is fetched lives in the desk's cache.
inline constexpr const char* Feeds = "CREATE TABLE Feeds ("
                                     "ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                                     "Adresse TEXT, "
                                     "Titel TEXT, "
                                     "Farbe INTEGER, "
                                     "Anzahl INTEGER, "
                                     "Aktiv INTEGER)";
inline const std::vector<Tabellenergaenzung> TabellenErgaenzungen = {
    {"Feeds", Feeds},
};

} // namespace pinwick::schema
