// Datenbank: opening a file one of three ways (a new file, an existing one
// with the key for its salt, or with the password), making it ready, and the
// operations on the whole file.

#include "DatenbankIntern.h"

#include "Schema.h"

#include <QFileInfo>
#include <iterator>

namespace pinwick {

using intern::Anweisung;
using intern::meldung;
using intern::Oeffnung;
using intern::werfen;
using intern::zelle;

namespace {

// An opening that failed: the connection closes, and the error names the file.
[[noreturn]] void scheitern(Verbindung& v, const QString& grund, int rc = SQLITE_ERROR) {
    v.schliessen();
    werfen(rc, QStringLiteral("%1: %2").arg(grund, v.pfad));
}

// Checks the path and fixes how the file is opened.
Oeffnung planen(Verbindung& v, bool erzeugen, Datenbank::Zugriff zugriff, int warteMs) {
    if (v.pfad.isEmpty())
        scheitern(v, QStringLiteral("no database file given"));
    const QFileInfo info(v.pfad);
    if (erzeugen && info.exists())
        scheitern(v, QStringLiteral("the database file exists already"));
    // A file that is not there is not made: the library would create it.
    if (!erzeugen && !info.exists())
        scheitern(v, QStringLiteral("the database file does not exist"), SQLITE_CANTOPEN);
    Oeffnung o;
    o.datei = info.absoluteFilePath().toUtf8();
    o.erzeugen = erzeugen;
    o.nurLesen = zugriff == Datenbank::Zugriff::NurLesen && !erzeugen;
    // One UI thread uses each connection: the library's own locking would only cost.
    o.flags = (o.nurLesen ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX |
              (erzeugen ? SQLITE_OPEN_CREATE : 0);
    o.warteMs = warteMs;
    o.passwort = Datenbank::Schluessel;
    return o;
}

// An existing file with a salt opens with its key: kept from an earlier open,
// or derived here and kept once it opened the file. A kept key that no longer
// opens (the file was replaced between reading its salt and opening it) is
// dropped and the salt read again. False when no key opened the file: the
// password then has the last word, as the library's own derivation.
bool mitSchluesselOeffnen(Verbindung& v, const Oeffnung& o) {
    namespace ablage = schluesselablage;
    if (!ablage::An())
        return false;
    for (int versuch = 0; versuch < 2; ++versuch) {
        const QByteArray salz = ablage::SalzLesen(o.datei);
        if (salz.isEmpty())
            return false;
        QByteArray schluessel = ablage::Holen(salz, o.passwort);
        const bool gehalten = !schluessel.isEmpty();
        if (!gehalten) {
            schluessel = ablage::Ableiten(o.passwort, salz);
            if (schluessel.isEmpty())
                return false;
        }
        const int rc = intern::verbinden(v, o, ablage::RohSchluessel(schluessel));
        if (rc == SQLITE_OK) {
            if (gehalten)
                ablage::Getroffen();
            else
                ablage::Merken(salz, o.passwort, schluessel);
            return true;
        }
        if ((rc & 0xFF) != SQLITE_NOTADB)
            scheitern(v, meldung(v.db), rc);
        v.schliessen();
        if (!gehalten)
            return false;
        ablage::Verwerfen(salz, o.passwort);
    }
    return false;
}

// Opens the connection: a new file with the password (it has no salt yet),
// an existing one with its key or else with the password.
void oeffnen(Verbindung& v, const Oeffnung& o) {
    if (o.erzeugen) {
        const int rc = intern::anmelden(v, o, o.passwort);
        if (rc != SQLITE_OK)
            scheitern(v, meldung(v.db), rc);
        return;
    }
    if (mitSchluesselOeffnen(v, o))
        return;
    const int rc = intern::verbinden(v, o, o.passwort);
    if (rc != SQLITE_OK)
        scheitern(v, meldung(v.db), rc);
}

// Receivers read a broadcaster's file over a network share, where a
// write-ahead log does not work: the own file keeps the rollback journal.
void rollbackJournalBehalten(sqlite3* db) {
    QString modus;
    {
        Anweisung abfrage(db, QStringLiteral("PRAGMA journal_mode"));
        if (abfrage.schritt())
            modus = zelle(abfrage.s(), 0).toString();
    }
    if (modus.compare(QLatin1String("delete"), Qt::CaseInsensitive) == 0)
        return;
    Anweisung setzen(db, QStringLiteral("PRAGMA journal_mode = DELETE"));
    if (!setzen.schritt() ||
        zelle(setzen.s(), 0).toString().compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
        werfen(QStringLiteral("cannot switch to the rollback journal"));
}

// Makes an open connection ready, before anyone reads the file. Throws
// without naming the file; the caller adds it.
void einrichten(Verbindung& v, const Oeffnung& o) {
    if (o.erzeugen) {
        // Writes the first page, so the new file carries the password from
        // now on even before any table exists.
        intern::ausfuehren(v, QStringLiteral("PRAGMA user_version = 0"));
        // The key is only tried on the first read: a wrong password or a file
        // that is no database fails here (for an existing file, already in
        // verbinden).
        Anweisung pruefung(v.db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
        pruefung.schritt();
    } else {
        // Before any statement names a table of the file.
        v.fristNeu();
        intern::schemaArtenPruefen(v);
    }
    // Someone else's file is only ever read, whatever journal it has: a file
    // that cannot be read without writing fails on the reads.
    if (o.nurLesen)
        return;
    rollbackJournalBehalten(v.db);
}

} // namespace

Datenbank::Datenbank(const QString& pfad, Zugriff zugriff, int warteMs)
    : Datenbank(pfad, false, zugriff, warteMs) {}

Datenbank::Datenbank(const QString& pfad, bool erzeugen, Zugriff zugriff, int warteMs)
    : pfad_(pfad), verbindung_(std::make_shared<Verbindung>()) {
    Verbindung& v = *verbindung_;
    v.pfad = pfad;
    const Oeffnung o = planen(v, erzeugen, zugriff, warteMs);
    oeffnen(v, o);
    try {
        einrichten(v, o);
    } catch (const BesetztFehler& e) {
        scheitern(v, QString::fromStdString(e.what()), SQLITE_BUSY);
    } catch (const DatenFehler& e) {
        scheitern(v, QString::fromStdString(e.what()));
    }
}

Datenbank::~Datenbank() {
    Close();
}

std::unique_ptr<Datenbank> Datenbank::Erzeugen(const QString& pfad) {
    return std::unique_ptr<Datenbank>(
        new Datenbank(pfad, true, Zugriff::LesenUndSchreiben, WarteZeitMs));
}

bool Datenbank::IstOffen() const {
    return verbindung_ && verbindung_->db;
}

void Datenbank::offenPruefen() const {
    if (!IstOffen())
        werfen(QStringLiteral("the database is closed: %1").arg(pfad_));
}

void Datenbank::Ausfuehren(const QString& sql) {
    offenPruefen();
    verbindung_->fristNeu();
    intern::ausfuehren(*verbindung_, sql);
}

std::unique_ptr<Datensatzmenge> Datenbank::OpenRecordset(const QString& abfrage) {
    offenPruefen();
    return std::make_unique<Datensatzmenge>(verbindung_, abfrage);
}

void Datenbank::SchemaPruefen() {
    offenPruefen();
    verbindung_->fristNeu();
    // The file may have changed since it was opened.
    intern::schemaArtenPruefen(*verbindung_);
    struct Tabelle {
        const char* name;
        const char* const* spalten;
        size_t anzahl;
    };
    const Tabelle tabellen[] = {
        {"Notizen", schema::NotizenSpalten, std::size(schema::NotizenSpalten)},
        {"Einstellungen", schema::EinstellungenSpalten, std::size(schema::EinstellungenSpalten)}};
    for (const Tabelle& t : tabellen) {
        QStringList vorhanden;
        Anweisung info(verbindung_->db,
                       QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(t.name)));
        while (info.schritt())
            vorhanden.append(zelle(info.s(), 1).toString());
        if (vorhanden.isEmpty())
            werfen(QStringLiteral("the table %1 is missing").arg(QLatin1String(t.name)));
        for (size_t i = 0; i < t.anzahl; ++i) {
            if (!vorhanden.contains(QLatin1String(t.spalten[i]), Qt::CaseInsensitive))
                werfen(QStringLiteral("the column %1 of the table %2 is missing")
                           .arg(QLatin1String(t.spalten[i]), QLatin1String(t.name)));
        }
    }
}

void Datenbank::SchemaErgaenzen(const std::vector<schema::Spaltenergaenzung>& spaltenListe,
                                const std::vector<schema::Tabellenergaenzung>& tabellenListe) {
    offenPruefen();
    verbindung_->fristNeu();
    const auto spaltenVon = [&](const char* tabelle) {
        QStringList vorhanden;
        Anweisung info(verbindung_->db,
                       QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(tabelle)));
        while (info.schritt())
            vorhanden.append(zelle(info.s(), 1).toString());
        return vorhanden;
    };
    // Tables first: a column may be added to a table added in the same go.
    QStringList fehlend;
    std::map<QString, QStringList> spalten;
    for (const schema::Tabellenergaenzung& t : tabellenListe) {
        QStringList da = spaltenVon(t.tabelle);
        if (da.isEmpty()) {
            fehlend.append(QString::fromLatin1(t.anlegen));
            da = {QStringLiteral("*")}; // created whole, with every column
        }
        spalten[QLatin1String(t.tabelle)] = da;
    }
    for (const schema::Spaltenergaenzung& e : spaltenListe) {
        const QString tabelle = QLatin1String(e.tabelle);
        if (!spalten.count(tabelle))
            spalten[tabelle] = spaltenVon(e.tabelle);
        const QStringList& da = spalten[tabelle];
        if (da != QStringList{QStringLiteral("*")} &&
            !da.contains(QLatin1String(e.spalte), Qt::CaseInsensitive))
            fehlend.append(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                               .arg(tabelle, QLatin1String(e.spalte), QLatin1String(e.art)));
    }
    if (fehlend.isEmpty())
        return;
    intern::ausfuehren(*verbindung_, QStringLiteral("BEGIN IMMEDIATE"));
    try {
        for (const QString& sql : fehlend)
            intern::ausfuehren(*verbindung_, sql);
        intern::ausfuehren(*verbindung_, QStringLiteral("COMMIT"));
    } catch (...) {
        try {
            intern::ausfuehren(*verbindung_, QStringLiteral("ROLLBACK"));
        } catch (...) {
        }
        throw;
    }
}

void Datenbank::WarteZeitSetzen(int ms) {
    if (IstOffen())
        sqlite3_busy_timeout(verbindung_->db, ms);
}

void Datenbank::GanzPruefen() {
    offenPruefen();
    verbindung_->fristNeu();
    Anweisung pruefung(verbindung_->db, QStringLiteral("PRAGMA quick_check"));
    QStringList befunde;
    while (pruefung.schritt() && befunde.size() < 3)
        befunde.append(zelle(pruefung.s(), 0).toString());
    if (befunde != QStringList{QStringLiteral("ok")})
        werfen(QStringLiteral("the file is damaged (%1)").arg(befunde.join(QStringLiteral("; "))));
}

void Datenbank::Close() {
    if (verbindung_)
        verbindung_->schliessen();
}

} // namespace pinwick
