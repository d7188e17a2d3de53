#pragma once
// Folders only this user can reach. The bar's lock and socket and the
// installer's downloads live in one; a name in a folder every user may
// write to (the system's temporary folder) can be taken first by somebody
// else, or swapped for a link while the program works in it.
//
// "Own" means: a real folder (not a link to one), owned by this process's
// user, with the rights 0700, so that nobody else can put, rename or remove
// anything inside it. On Windows every check passes: the folders there are
// the user's own profile folders.

#include <QString>

namespace pinwick {

// Whether `pfad` is such a folder; `grund` says why not.
bool EigenerOrdner(const QString& pfad, QString* grund = nullptr);

// The user's private folder for short-lived files: XDG_RUNTIME_DIR when it
// is the user's own, else a folder of the program's below the home folder
// (made with 0700 when missing; the host's name in it, since the home folder
// may be shared between machines). Empty, with `grund`, when neither is the
// user's own.
QString PrivaterOrdner(QString* grund = nullptr);

// Removes the folder `pfad` and everything in it without following a link
// anywhere: the folder itself must be the user's own (see above), each
// level is opened relative to the one above it with links refused, and a
// link found inside is removed as a link. A folder that is not the user's
// own is left alone (false, with `grund`).
bool OrdnerEntfernen(const QString& pfad, QString* grund = nullptr);

} // namespace pinwick
