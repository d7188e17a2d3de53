#pragma once
// Opening the local store and the broadcaster's database.

#include "Programm.h"

namespace pinwick {

// Opens datenbankDatei and the two local recordsets. The database opening
// throws (start stops); a recordset that fails to open is left unset.
void LokalOeffnen(Programm& p);

// Opens the broadcaster's database at broadcastPfad and its two recordsets.
// Never throws: a failed opening sets the network-error flag and leaves the
// recordsets as they were. Closes the connection notice either way.
void BroadcastOeffnen(Programm& p);

// True when the file of the last BroadcastOeffnen exists; false before the
// first one of the run.
bool BroadcastErreichbar(const Programm& p);

// Closes one of the broadcaster's recordsets (whatever state it is in) and
// opens it anew on the broadcaster's database with the query. Throws when the
// database is not open or the query fails; the recordset is then unset.
void BroadcastMengeNeu(Programm& p, std::unique_ptr<Datensatzmenge>& menge, const QString& abfrage);

// Creates a new database file with both tables and the first settings row.
void VorlageErzeugen(const QString& pfad);

} // namespace pinwick
