#pragma once
// Opening the local store and the broadcaster's database.

#include "Programm.h"

namespace pinwick {

// Opens datenbankDatei and the two local recordsets. Throws DatenFehler, and
// the start stops, when the file cannot be opened, is empty, is damaged
// anywhere or lacks a table or column; a recordset that fails to open is
// left unset.
void LokalOeffnen(Programm& p);

// Opens the broadcaster's database at broadcastPfad, read only, and its two
// recordsets. Never throws. A file that is missing or cannot give what the
// ticker reads (not a database, tables or columns missing) sets the
// network-error flag; a file busy with another program's lock is noted by
// BesetztVermerken. Either way the recordsets stay as they were. Closes the
// connection notice in every case.
void BroadcastOeffnen(Programm& p);

// A broadcast path that is a web address (http:// or https://): the bar
// runs a receiver, and the notes it accepted are read from a copy in the
// working folder (WebKopieDatei), never from the network in a tick.
bool BroadcastUeberWeb(const QString& pfad);
inline constexpr const char* WebKopieName = "broadcast-web.kav";
QString WebKopieDatei(const Programm& p);

// True when the file of the last BroadcastOeffnen exists; false before the
// first one of the run.
bool BroadcastErreichbar(const Programm& p);

// A broadcaster's file that stays locked longer than this counts as
// unreachable; shorter locks only keep the notes shown last.
inline constexpr int BesetztGrenzeSekunden = 60;
// An access to the broadcaster's file met a lock: note since when, and set
// the network-error flag once that lasts beyond the limit.
void BesetztVermerken(Programm& p);
// An access went through: the file is not busy (any more).
void GelesenVermerken(Programm& p);

// Size, time and node of a file; the default (size -1) when it is missing.
DateiStand DateiStandLesen(const QString& pfad);

// Closes one of the broadcaster's recordsets (whatever state it is in) and
// opens it anew on the broadcaster's database with the query. Throws when the
// database is not open or the query fails; the recordset is then unset.
void BroadcastMengeNeu(Programm& p, std::unique_ptr<Datensatzmenge>& menge, const QString& abfrage);

// The broadcast choice of a settings row: receiving at all, from where, with
// which key.
struct BroadcastWahl {
    bool status = false;
    QString pfad;
    QString schluessel;
    bool operator==(const BroadcastWahl&) const = default;
};
BroadcastWahl BroadcastWahlVon(const Einstellungswerte& w);

// What a choice found in the own file asks of a bar that runs with another:
// nothing; only to keep the new values (a change that shows nowhere, such as
// another path while receiving is off, or a key beside a share's path); to
// stop receiving; or to receive anew (switched on, another path, another key
// for a web address).
enum class BroadcastWechsel { Keiner, NurMerken, Aus, Neu };
BroadcastWechsel BroadcastWechselBestimmen(const BroadcastWahl& laeuft, const BroadcastWahl& datei);

// What the bar does once p's broadcast choice changed (the settings window
// saved, or another program wrote the own file): the web receiver follows
// (broadcastEinstellungenGeaendert), and a broadcaster is read at the next
// tick. Never throws.
void BroadcastWahlAnwenden(Programm& p);

// Reads the broadcast choice of the own file's settings row (written by
// "pinwick-notes receive" while the bar runs) and, when it differs from p's,
// takes it and applies it. True when the bar should lay itself out again (a
// broadcaster's settings may have been adopted). Never throws.
bool BroadcastWahlNachladen(Programm& p);

// Creates a new database file with both tables and the first settings row.
void VorlageErzeugen(const QString& pfad);

} // namespace pinwick
