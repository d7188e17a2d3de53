#pragma once
// What the parts of the store share among themselves: the connection object,
// the library's result codes as exceptions, prepared statements, value
// conversion, the read-only file layer and the kept keys. Only the store's
// own sources include this header; it lies on no include path.

#include "Datenbank.h"
#include "SchluesselAblage.h"

#include <sqlcipher/sqlite3.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <map>
#include <memory>
#include <vector>

namespace pinwick {

// The connection shared by a database and every recordset opened on it. A
// closed connection keeps the object alive with db == nullptr, so a recordset
// that outlives its database fails cleanly instead of touching freed memory.
struct Verbindung {
    sqlite3* db = nullptr;
    QString pfad;

    // The last rows read per table, with the marks that tell whether the table
    // may have changed since: the file's data version (changes by any other
    // connection, also in other processes), this connection's change count and
    // the number of statements it ran directly. A receiver reads the
    // broadcaster's notes every few seconds; while nothing changed, the rows
    // are taken from here instead of being decrypted and parsed again.
    struct Puffer {
        qint64 version = -1;
        qint64 aenderungen = -1;
        quint64 ausgefuehrt = 0;
        QStringList spalten;
        std::shared_ptr<Zeilen> zeilen;
    };
    std::map<QString, Puffer> puffer;
    quint64 ausgefuehrt = 0;

    void schliessen();
    ~Verbindung() { schliessen(); }
};

namespace intern {

// ---- result codes as exceptions (Verbindung.cpp) ----------------------------

[[noreturn]] void werfen(const QString& text);
// A lock that outlasted the wait (SQLITE_BUSY, SQLITE_LOCKED) is thrown as
// BesetztFehler, everything else as DatenFehler.
[[noreturn]] void werfen(int rc, const QString& text);
// The connection's last error, or rc when there is no connection.
[[noreturn]] void werfenVon(sqlite3* db, int rc);
// The library's text for the connection's last error.
QString meldung(sqlite3* db);

// One prepared statement, finalized on every way out.
class Anweisung {
public:
    Anweisung(sqlite3* db, const QString& sql);
    ~Anweisung() { sqlite3_finalize(s_); }
    Anweisung(const Anweisung&) = delete;
    Anweisung& operator=(const Anweisung&) = delete;

    sqlite3_stmt* s() const { return s_; }
    // True for a row, false when done; throws on any error.
    bool schritt();

private:
    sqlite3* db_;
    sqlite3_stmt* s_ = nullptr;
};

// Runs statements that return nothing; counts them, so that the recordsets'
// cache no longer trusts rows read before.
void ausfuehren(Verbindung& v, const QString& sql);

// A table or column name quoted for a statement.
QString bezeichner(const QString& name);

// ---- numbers in a QVariant (Wert.cpp) ----------------------------------------

bool istGanzzahl(const QVariant& v);
bool istZahl(const QVariant& v);
// An integer value; booleans count as -1 / 0 like stored ones.
qint64 ganzzahl(const QVariant& v);
// Only finite numbers count: "NaN", "inf" or "1e999" in a column are no
// number a reader could use, however the text reader takes them.
bool textAlsZahl(const QString& text, double& zahl);

// ---- values between the library and QVariant (Verbindung.cpp) --------------

void binden(sqlite3_stmt* s, int stelle, const QVariant& v);
QVariant zelle(sqlite3_stmt* s, int i);
// Column 0 of every query here is the rowid; the table's columns follow.
std::vector<QVariant> zeileLesen(sqlite3_stmt* s, int spalten);

// ---- opening (Verbindung.cpp) -----------------------------------------------

// How one file is opened: fixed before the first attempt, the same for every
// attempt with another key.
struct Oeffnung {
    QByteArray datei; // absolute path, UTF-8: never read as a URI or ":memory:"
    bool erzeugen = false;
    bool nurLesen = false; // someone else's file, through the read-only file layer
    int flags = 0;
    int warteMs = 0;
    QByteArray passwort;
};

// Opens the connection, hands it the key text (a password or a raw key) and
// sets the lock wait: every connection the store makes is opened here. The
// library's result code; the connection stays as far as it got.
int anmelden(Verbindung& v, const Oeffnung& o, const QByteArray& schluessel);
// anmelden, then one read from the file, which is where the library first
// tries the key: SQLITE_NOTADB for a wrong key or a file that is no database.
int verbinden(Verbindung& v, const Oeffnung& o, const QByteArray& schluessel);

// ---- the read-only file layer (NurLesenDateien.cpp) --------------------------

// The name of the file layer for someone else's file; nullptr when the
// library refused to register it.
const char* nurLesenVfs();

} // namespace intern

// ---- the kept keys (SchluesselAblage.cpp) -----------------------------------

namespace schluesselablage {

bool An();
// The key kept for a salt and password; empty when there is none.
QByteArray Holen(const QByteArray& salz, const QByteArray& passwort);
// A kept key opened its file.
void Getroffen();
// A kept key did not open its file: it goes.
void Verwerfen(const QByteArray& salz, const QByteArray& passwort);
// The salt of an existing database file; empty when there is none.
QByteArray SalzLesen(const QByteArray& datei);
// The key the library would derive from the password for the salt (counted);
// empty when the derivation failed.
QByteArray Ableiten(const QByteArray& passwort, const QByteArray& salz);
// The raw key text for the library: x'<hex>'.
QByteArray RohSchluessel(const QByteArray& schluessel);

} // namespace schluesselablage

} // namespace pinwick
