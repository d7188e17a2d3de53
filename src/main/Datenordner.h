#pragma once
// Where the ticker keeps its data. QtCore only: the ticker and pinwick-notes
// both ask here, so the shell tool always finds the file the ticker writes.

#include <QString>

namespace pinwick {

// The user's documents folder, without a trailing separator; empty when
// the system does not know one. Only ever asked for folder 5.
QString SpezialOrdner(int ordnerNummer);

// The data folder, "Pinwick 3/" below the documents folder, with a trailing
// slash. Without a documents folder it falls back to "/Pinwick 3/".
QString EigenerDatenOrdner();

// The local database in the data folder: "Pinwick 3/pw.kav".
QString EigeneDatenbankDatei();

} // namespace pinwick
