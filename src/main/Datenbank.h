#pragma once
// The store: one password-protected SQLCipher file per installation.
//
// Datenbank is one connection; Datensatzmenge is a recordset over
// "select * from <table>" that holds its rows in memory in query order and
// writes changes straight through to the file. Every failure is thrown as
// DatenFehler; callers decide whether to skip, fall back or report.

#include "Schema.h"
#include "Wert.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <stdexcept>
#include <vector>

struct sqlite3;

namespace pinwick {

class DatenFehler : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Another connection holds a lock longer than this one would wait: the file
// is busy, not broken. Callers may keep what they read last and try later.
class BesetztFehler : public DatenFehler {
public:
    using DatenFehler::DatenFehler;
};

// A record whose fields can be read by column name.
class Satz {
public:
    virtual ~Satz() = default;
    virtual Wert Feld(QStringView name) const = 0;
};

class Datensatzmenge;
struct Verbindung;

class Datenbank {
public:
    // The one password every installation's database file carries.
    static constexpr const char* Schluessel = "pelmory+sadun";
    // How long a connection waits for another process's lock before it gives up.
    static constexpr int WarteZeitMs = 30000;
    // A receiver reading a broadcaster's file waits no longer than this: the
    // bar must not freeze while someone else writes there.
    static constexpr int LeseWarteZeitMs = 250;

    enum class Zugriff {
        LesenUndSchreiben, // this installation's own file
        NurLesen,          // someone else's file: never written, not even its journal mode
    };

    // Opens an existing file, shared. Throws when the file is missing, is not
    // a database or carries another password; BesetztFehler when a lock did
    // not go away within warteMs. The key a file's salt gives is kept for
    // the life of the process (SchluesselAblage.h), so that reopening a file
    // costs no new derivation.
    explicit Datenbank(const QString& pfad, Zugriff zugriff = Zugriff::LesenUndSchreiben,
                       int warteMs = WarteZeitMs);
    ~Datenbank();
    Datenbank(const Datenbank&) = delete;
    Datenbank& operator=(const Datenbank&) = delete;

    // Creates a new, empty database file with the password (template maker,
    // tests). Refuses a path where a file exists already.
    static std::unique_ptr<Datenbank> Erzeugen(const QString& pfad);

    const QString& Pfad() const { return pfad_; }
    bool IstOffen() const;
    // Throws DatenFehler naming the first table or column of the program's
    // schema that this file lacks.
    void SchemaPruefen();
    // Adds the columns and tables of schema::SpaltenErgaenzungen and
    // TabellenErgaenzungen that this file lacks, all in one transaction:
    // the file has all of them afterwards or none. Only for a file this
    // installation may write (throws on a read-only one). Tests hand in
    // lists of their own.
    void SchemaErgaenzen(
        const std::vector<schema::Spaltenergaenzung>& spalten = schema::SpaltenErgaenzungen,
        const std::vector<schema::Tabellenergaenzung>& tabellen = schema::TabellenErgaenzungen);
    // Reads every page of the file; throws DatenFehler when any is damaged.
    void GanzPruefen();
    // How long a statement waits for another connection's lock before it
    // fails with BesetztFehler; the opening set it (warteMs).
    void WarteZeitSetzen(int ms);
    void Ausfuehren(const QString& sql);
    std::unique_ptr<Datensatzmenge> OpenRecordset(const QString& abfrage);
    void Close();

private:
    Datenbank(const QString& pfad, bool erzeugen, Zugriff zugriff, int warteMs);
    // Throws DatenFehler naming the file once the connection is closed.
    void offenPruefen() const;
    QString pfad_;
    std::shared_ptr<Verbindung> verbindung_;
};

// The workspace in which both databases are opened.
class Arbeitsbereich {
public:
    std::unique_ptr<Datenbank> OpenDatabase(const QString& pfad) {
        return std::make_unique<Datenbank>(pfad);
    }
    // A broadcaster's file: read only, with the short lock wait.
    std::unique_ptr<Datenbank> OpenBroadcast(const QString& pfad) {
        return std::make_unique<Datenbank>(pfad, Datenbank::Zugriff::NurLesen,
                                           Datenbank::LeseWarteZeitMs);
    }
};

// The rows of a recordset, shared between recordsets over an unchanged table.
struct Zeilen {
    std::vector<qint64> rowids;
    std::vector<std::vector<QVariant>> werte;
};

class Datensatzmenge : public Satz {
public:
    using Lesezeichen = qint64;

    // abfrage is "select * from <table>"; anything else is refused.
    Datensatzmenge(std::shared_ptr<Verbindung> verbindung, const QString& abfrage);
    ~Datensatzmenge() override;

    void MoveFirst();
    void MoveNext();
    bool Eof() const;
    int RecordCount() const;
    Lesezeichen Bookmark() const;
    void SetBookmark(Lesezeichen zeichen);
    // Criterion of the form "ID = <number>"; positions on the last matching row.
    void FindLast(const QString& kriterium);
    bool NoMatch() const { return keinTreffer_; }

    void AddNew();
    void Edit();
    void Setze(QStringView name, const Wert& wert);
    void Update();
    void CancelUpdate();
    void Delete();
    void Close();
    bool IstOffen() const;

    Wert Feld(QStringView name) const override;
    // Column index for repeated reads; -1 when there is no such column.
    int Spalte(QStringView name) const;
    Wert Feld(int spalte) const;
    const QStringList& Spalten() const { return spalten_; }

private:
    enum class Modus { Keiner, Bearbeiten, Neu };
    sqlite3* db() const;
    void pruefeZeile() const;
    void zeileNeuLesen(qint64 rowid, int index);
    // Reads one row from the file; false when it is no longer there.
    bool zeileHolen(qint64 rowid, std::vector<QVariant>& zeile);
    // Drops a row from memory, keeping the position on the same row, or on
    // the following one when the current row itself goes.
    void entfernen(int index);

    std::shared_ptr<Verbindung> verbindung_;
    QString tabelle_;
    QStringList spalten_;
    // Rows are shared with the connection's cache until this recordset
    // changes one; schreibbar() gives a copy of its own first.
    std::shared_ptr<Zeilen> daten_ = std::make_shared<Zeilen>();
    Zeilen& schreibbar();
    int pos_ = 0;
    bool geloescht_ = false; // the current row was deleted; MoveNext stays
    bool keinTreffer_ = false;
    bool offen_ = true;
    Modus modus_ = Modus::Keiner;
    std::vector<QVariant> puffer_;
    std::vector<bool> gesetzt_;
};

} // namespace pinwick
