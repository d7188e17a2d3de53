#include "Datenbank.h"

#include "Hilfen.h"
#include "Schema.h"

#include <sqlcipher/sqlite3.h>

#include <openssl/evp.h>

#include <QByteArray>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <map>
#include <mutex>

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

    void schliessen() {
        if (db) {
            // No statement outlives a single operation, so the close is immediate.
            sqlite3_close_v2(db);
            db = nullptr;
        }
    }
    ~Verbindung() { schliessen(); }
};

namespace {

[[noreturn]] void werfen(const QString& text) {
    throw DatenFehler(text.toStdString());
}

QString meldung(sqlite3* db) {
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("no connection");
}

// A lock that outlasted the wait is told apart from a real failure.
[[noreturn]] void werfen(int rc, const QString& text) {
    const int grund = rc & 0xFF;
    if (grund == SQLITE_BUSY || grund == SQLITE_LOCKED)
        throw BesetztFehler(text.toStdString());
    throw DatenFehler(text.toStdString());
}
[[noreturn]] void werfenVon(sqlite3* db, int rc) {
    werfen(db ? sqlite3_extended_errcode(db) : rc, meldung(db));
}

// One prepared statement, finalized on every way out.
struct Anweisung {
    Anweisung(sqlite3* db, const QString& sql) : db_(db) {
        const QByteArray text = sql.toUtf8();
        const int rc =
            sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &s_, nullptr);
        if (rc != SQLITE_OK) {
            const int code = db ? sqlite3_extended_errcode(db) : rc;
            const QString grund = meldung(db);
            sqlite3_finalize(s_);
            werfen(code, grund);
        }
    }
    ~Anweisung() { sqlite3_finalize(s_); }
    Anweisung(const Anweisung&) = delete;
    Anweisung& operator=(const Anweisung&) = delete;

    sqlite3_stmt* s() const { return s_; }

    // True for a row, false when done; throws on any error.
    bool schritt() {
        const int rc = sqlite3_step(s_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        werfenVon(db_, rc);
    }

    sqlite3* db_;
    sqlite3_stmt* s_ = nullptr;
};

bool istGanzzahl(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool istZahl(const QVariant& v) {
    return istGanzzahl(v) || v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

qint64 ganzzahl(const QVariant& v) {
    // Booleans that came in as QVariant(bool) count as -1 / 0 like stored ones.
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? -1 : 0;
    return v.toLongLong();
}

// Only finite numbers count: "NaN", "inf" or "1e999" in a column are no
// number a reader could use, however the text reader takes them.
bool textAlsZahl(const QString& text, double& zahl) {
    bool ok = false;
    zahl = QLocale::c().toDouble(QStringView(text).trimmed(), &ok);
    return ok && std::isfinite(zahl);
}

template <typename T> T ganzzahlImBereich(const Wert& w, const char* typ) {
    if (istGanzzahl(w.roh())) {
        const qint64 n = ganzzahl(w.roh());
        if (n < std::numeric_limits<T>::min() || n > std::numeric_limits<T>::max())
            werfen(QStringLiteral("value %1 out of range for %2").arg(n).arg(QLatin1String(typ)));
        return static_cast<T>(n);
    }
    const double x = RundeGerade(w.alsDouble());
    if (!(x >= std::numeric_limits<T>::min() && x <= std::numeric_limits<T>::max()))
        werfen(QStringLiteral("value %1 out of range for %2").arg(x).arg(QLatin1String(typ)));
    return static_cast<T>(x);
}

void binden(sqlite3_stmt* s, int stelle, const QVariant& v) {
    int rc;
    if (!v.isValid() || v.isNull()) {
        rc = sqlite3_bind_null(s, stelle);
    } else if (istGanzzahl(v)) {
        rc = sqlite3_bind_int64(s, stelle, ganzzahl(v));
    } else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        rc = sqlite3_bind_double(s, stelle, v.toDouble());
    } else if (v.typeId() == QMetaType::QString) {
        const QByteArray text = v.toString().toUtf8();
        rc = sqlite3_bind_text(s, stelle, text.constData(), static_cast<int>(text.size()),
                               SQLITE_TRANSIENT);
    } else if (v.typeId() == QMetaType::QByteArray) {
        const QByteArray daten = v.toByteArray();
        rc = sqlite3_bind_blob(s, stelle, daten.constData(), static_cast<int>(daten.size()),
                               SQLITE_TRANSIENT);
    } else {
        werfen(
            QStringLiteral("a value of type %1 cannot be stored").arg(QLatin1String(v.typeName())));
    }
    if (rc != SQLITE_OK)
        werfen(meldung(sqlite3_db_handle(s)));
}

QVariant zelle(sqlite3_stmt* s, int i) {
    switch (sqlite3_column_type(s, i)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qint64>(sqlite3_column_int64(s, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(s, i));
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(s, i)));
    }
    case SQLITE_BLOB: {
        const auto* daten = static_cast<const char*>(sqlite3_column_blob(s, i));
        return QVariant(QByteArray(daten, sqlite3_column_bytes(s, i)));
    }
    default:
        return QVariant();
    }
}

// Column 0 of every query here is the rowid; the table's columns follow.
std::vector<QVariant> zeileLesen(sqlite3_stmt* s, int spalten) {
    std::vector<QVariant> zeile;
    zeile.reserve(static_cast<size_t>(spalten));
    for (int i = 1; i <= spalten; ++i)
        zeile.push_back(zelle(s, i));
    return zeile;
}

// The file system as a receiver sees someone else's database: only the file
// itself and an existing journal are opened, and only for reading. The
// library would otherwise create a write-ahead log and its index beside a
// file in that mode, or delete files on the way out, even on a connection
// opened read only; a file it cannot read without them fails to open.
constexpr const char* NurLesenVfs = "pinwick-nurlesen";

int nurLesenOeffnen(sqlite3_vfs* vfs, const char* name, sqlite3_file* datei, int flags,
                    int* ausFlags) {
    auto* basis = static_cast<sqlite3_vfs*>(vfs->pAppData);
    if (flags & SQLITE_OPEN_WAL)
        return SQLITE_CANTOPEN;
    if (name && !(flags & (SQLITE_OPEN_TEMP_DB | SQLITE_OPEN_TEMP_JOURNAL |
                           SQLITE_OPEN_TRANSIENT_DB | SQLITE_OPEN_SUBJOURNAL))) {
        int da = 0;
        if (basis->xAccess(basis, name, SQLITE_ACCESS_EXISTS, &da) != SQLITE_OK || !da)
            return SQLITE_CANTOPEN;
        flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE |
                           SQLITE_OPEN_DELETEONCLOSE)) |
                SQLITE_OPEN_READONLY;
    }
    return basis->xOpen(basis, name, datei, flags, ausFlags);
}

int nurLesenLoeschen(sqlite3_vfs*, const char*, int) {
    return SQLITE_IOERR_DELETE;
}

const char* nurLesenVfs() {
    static const bool angemeldet = [] {
        static sqlite3_vfs vfs = *sqlite3_vfs_find(nullptr);
        vfs.pAppData = sqlite3_vfs_find(nullptr);
        vfs.zName = NurLesenVfs;
        vfs.xOpen = nurLesenOeffnen;
        vfs.xDelete = nurLesenLoeschen;
        return sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
    }();
    return angemeldet ? NurLesenVfs : nullptr;
}

// ---- kept keys ------------------------------------------------------------
//
// The library turns a password into the file's key with PBKDF2 over the
// file's salt: HMAC-SHA1, 64000 rounds, 32 bytes of key, 16 bytes of salt
// at the head of the file. The same derivation is done here once per salt;
// the key is then handed over in the library's raw form x'<64 hex digits>',
// with which the library takes the salt from the file and derives only its
// short page-check key (two rounds).
constexpr int SalzLaenge = 16;
constexpr int SchluesselLaenge = 32;
constexpr int Runden = 64000;
// A receiver meets one salt per replacement of its broadcaster's file; a few
// kept keys are plenty, and a bound keeps a long run from collecting them.
constexpr size_t AblageGroesse = 16;

struct Ablage {
    std::mutex sperre;
    bool an = true;
    // (salt followed by the password, key), the most recently used last.
    std::vector<std::pair<QByteArray, QByteArray>> eintraege;
    Datenbank::SchluesselZahlen zahlen;

    static QByteArray kennung(const QByteArray& salz, const QByteArray& passwort) {
        return salz + passwort;
    }
    QByteArray holen(const QByteArray& salz, const QByteArray& passwort) {
        std::lock_guard<std::mutex> l(sperre);
        const QByteArray k = kennung(salz, passwort);
        for (auto it = eintraege.begin(); it != eintraege.end(); ++it) {
            if (it->first == k) {
                auto eintrag = std::move(*it);
                eintraege.erase(it);
                eintraege.push_back(std::move(eintrag));
                return eintraege.back().second;
            }
        }
        return {};
    }
    void merken(const QByteArray& salz, const QByteArray& passwort, const QByteArray& schluessel) {
        std::lock_guard<std::mutex> l(sperre);
        const QByteArray k = kennung(salz, passwort);
        std::erase_if(eintraege, [&](const auto& e) { return e.first == k; });
        if (eintraege.size() >= AblageGroesse)
            eintraege.erase(eintraege.begin());
        eintraege.emplace_back(k, schluessel);
    }
    void vergessen(const QByteArray& salz, const QByteArray& passwort) {
        std::lock_guard<std::mutex> l(sperre);
        const QByteArray k = kennung(salz, passwort);
        std::erase_if(eintraege, [&](const auto& e) { return e.first == k; });
        ++zahlen.verworfen;
    }
};

Ablage& ablage() {
    static Ablage a;
    return a;
}

// The salt of an existing database file; empty when the file is shorter (a
// file that is empty or only now being made has none yet). Read through the
// library's own file layer: on this platform closing any other handle on
// the file would drop the locks that this process's connections hold there.
QByteArray salzLesen(const QByteArray& datei) {
    sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    if (!vfs)
        return {};
    std::vector<char> speicher(static_cast<size_t>(vfs->szOsFile));
    auto* datei_ = reinterpret_cast<sqlite3_file*>(speicher.data());
    int aus = 0;
    if (vfs->xOpen(vfs, datei.constData(), datei_, SQLITE_OPEN_READONLY | SQLITE_OPEN_MAIN_DB,
                   &aus) != SQLITE_OK) {
        // A failed open leaves nothing to close.
        return {};
    }
    QByteArray salz(SalzLaenge, '\0');
    const int rc = datei_->pMethods->xRead(datei_, salz.data(), SalzLaenge, 0);
    datei_->pMethods->xClose(datei_);
    return rc == SQLITE_OK ? salz : QByteArray();
}

// The raw key text for the library: x'<hex>'.
QByteArray rohSchluessel(const QByteArray& schluessel) {
    return "x'" + schluessel.toHex() + "'";
}

QByteArray ableiten(const QByteArray& passwort, const QByteArray& salz) {
    QByteArray schluessel(SchluesselLaenge, '\0');
    if (PKCS5_PBKDF2_HMAC(passwort.constData(), static_cast<int>(passwort.size()),
                          reinterpret_cast<const unsigned char*>(salz.constData()),
                          static_cast<int>(salz.size()), Runden, EVP_sha1(), SchluesselLaenge,
                          reinterpret_cast<unsigned char*>(schluessel.data())) != 1)
        return {};
    return schluessel;
}

QString bezeichner(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

} // namespace

// ---- Wert --------------------------------------------------------------------

double Wert::alsDouble() const {
    if (istNull())
        werfen(QStringLiteral("invalid use of Null"));
    if (istGanzzahl(v_))
        return static_cast<double>(ganzzahl(v_));
    if (istZahl(v_)) {
        // A REAL column can hold infinities (a stored 1e999); they are as
        // unreadable as a text that is no number.
        const double zahl = v_.toDouble();
        if (std::isfinite(zahl))
            return zahl;
    } else if (v_.typeId() == QMetaType::QString) {
        double zahl;
        if (textAlsZahl(v_.toString(), zahl))
            return zahl;
    }
    werfen(QStringLiteral("type mismatch: '%1' is not a finite number").arg(v_.toString()));
}

int16_t Wert::alsInt16() const {
    return ganzzahlImBereich<int16_t>(*this, "a 16-bit integer");
}

int32_t Wert::alsInt32() const {
    return ganzzahlImBereich<int32_t>(*this, "a 32-bit integer");
}

bool Wert::alsBool() const {
    if (istNull())
        werfen(QStringLiteral("invalid use of Null"));
    if (v_.typeId() == QMetaType::QString) {
        const QString text = v_.toString().trimmed();
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return alsDouble() != 0.0;
}

QString Wert::alsText() const {
    if (istNull())
        werfen(QStringLiteral("invalid use of Null"));
    if (istGanzzahl(v_))
        return QString::number(ganzzahl(v_));
    if (istZahl(v_)) {
        const double x = v_.toDouble();
        // Whole numbers read as such ("3", not "3.0" or "3e+00").
        if (std::trunc(x) == x && std::fabs(x) < 1e15)
            return QString::number(static_cast<qint64>(x));
        return QString::number(x, 'g', 15);
    }
    if (v_.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(v_.toByteArray());
    return v_.toString();
}

bool Wert::gleich(const Wert& anderer) const {
    if (istNull() || anderer.istNull())
        return false;
    const QVariant& a = v_;
    const QVariant& b = anderer.v_;
    if (istGanzzahl(a) && istGanzzahl(b))
        return ganzzahl(a) == ganzzahl(b);
    const bool zahlA = istZahl(a);
    const bool zahlB = istZahl(b);
    if (zahlA || zahlB) {
        // A number and a text holding a number compare by value.
        double x, y;
        if (zahlA)
            x = istGanzzahl(a) ? static_cast<double>(ganzzahl(a)) : a.toDouble();
        else if (a.typeId() != QMetaType::QString || !textAlsZahl(a.toString(), x))
            return false;
        if (zahlB)
            y = istGanzzahl(b) ? static_cast<double>(ganzzahl(b)) : b.toDouble();
        else if (b.typeId() != QMetaType::QString || !textAlsZahl(b.toString(), y))
            return false;
        return x == y;
    }
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return a.toString() == b.toString();
    return a == b;
}

// ---- Datenbank ---------------------------------------------------------------

Datenbank::Datenbank(const QString& pfad, Zugriff zugriff, int warteMs)
    : Datenbank(pfad, false, zugriff, warteMs) {}

Datenbank::Datenbank(const QString& pfad, bool erzeugen, Zugriff zugriff, int warteMs)
    : pfad_(pfad), zugriff_(zugriff), verbindung_(std::make_shared<Verbindung>()) {
    verbindung_->pfad = pfad;
    const auto fehler = [&](const QString& grund, int rc = SQLITE_ERROR) -> void {
        verbindung_->schliessen();
        werfen(rc, QStringLiteral("%1: %2").arg(grund, pfad));
    };
    if (pfad.isEmpty())
        fehler(QStringLiteral("no database file given"));
    const QFileInfo info(pfad);
    if (erzeugen && info.exists())
        fehler(QStringLiteral("the database file exists already"));
    // An absolute path is always taken as a file name, never as a URI or as
    // the in-memory database.
    const QByteArray datei = info.absoluteFilePath().toUtf8();
    // One UI thread uses each connection: the library's own locking would only cost.
    const bool nurLesen = zugriff == Zugriff::NurLesen && !erzeugen;
    // A file that is not there is not made: the library would create it.
    if (!erzeugen && !info.exists())
        fehler(QStringLiteral("the database file does not exist"), SQLITE_CANTOPEN);
    const int flags = (nurLesen ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                      SQLITE_OPEN_NOMUTEX | (erzeugen ? SQLITE_OPEN_CREATE : 0);
    const QByteArray passwort(Schluessel);

    // An existing file with a salt opens with its key: kept from an earlier
    // open, or derived here and kept once it opened the file. A kept key
    // that no longer opens (the file was replaced between reading its salt
    // and opening it) is dropped and the salt read again. Whatever fails
    // with a key falls back to the password, so that the library's own
    // derivation has the last word.
    bool offen = false;
    Ablage& a = ablage();
    bool behalten;
    {
        std::lock_guard<std::mutex> l(a.sperre);
        behalten = a.an;
    }
    for (int versuch = 0; !erzeugen && behalten && !offen && versuch < 2; ++versuch) {
        const QByteArray salz = salzLesen(datei);
        if (salz.size() != SalzLaenge)
            break;
        QByteArray schluessel = a.holen(salz, passwort);
        const bool gehalten = !schluessel.isEmpty();
        if (!gehalten) {
            schluessel = ableiten(passwort, salz);
            if (schluessel.isEmpty())
                break;
            std::lock_guard<std::mutex> l(a.sperre);
            ++a.zahlen.ableitungen;
        }
        const int rc = verbinden(datei, flags, nurLesen, rohSchluessel(schluessel), warteMs);
        if (rc == SQLITE_OK) {
            offen = true;
            if (gehalten) {
                std::lock_guard<std::mutex> l(a.sperre);
                ++a.zahlen.treffer;
            } else {
                a.merken(salz, passwort, schluessel);
            }
            break;
        }
        if ((rc & 0xFF) != SQLITE_NOTADB) {
            const QString grund = meldung(verbindung_->db);
            fehler(grund, rc);
        }
        verbindung_->schliessen();
        if (!gehalten)
            break;
        a.vergessen(salz, passwort);
    }
    if (!offen && !erzeugen) {
        const int rc = verbinden(datei, flags, nurLesen, passwort, warteMs);
        if (rc != SQLITE_OK) {
            const QString grund = meldung(verbindung_->db);
            fehler(grund, rc);
        }
        offen = true;
    }
    if (erzeugen) {
        const int rc = sqlite3_open_v2(datei.constData(), &verbindung_->db, flags, nullptr);
        if (rc != SQLITE_OK)
            fehler(meldung(verbindung_->db), sqlite3_extended_errcode(verbindung_->db));
        if (sqlite3_key(verbindung_->db, passwort.constData(), static_cast<int>(passwort.size())) !=
            SQLITE_OK)
            fehler(meldung(verbindung_->db));
        sqlite3_busy_timeout(verbindung_->db, warteMs);
    }
    sqlite3* db = verbindung_->db;

    try {
        if (erzeugen) {
            // Writes the first page, so the new file carries the password from
            // now on even before any table exists.
            Ausfuehren(QStringLiteral("PRAGMA user_version = 0"));
        }
        // The key is only tried on the first read: a wrong password or a file
        // that is no database fails here (for an existing file, already in
        // verbinden).
        if (erzeugen) {
            Anweisung pruefung(db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
            pruefung.schritt();
        }
        // Someone else's file is only ever read, whatever journal it has: a
        // file that cannot be read without writing fails on the reads.
        if (nurLesen)
            return;
        // Receivers read a broadcaster's file over a network share, where a
        // write-ahead log does not work: keep the rollback journal.
        QString modus;
        {
            Anweisung abfrage(db, QStringLiteral("PRAGMA journal_mode"));
            if (abfrage.schritt())
                modus = zelle(abfrage.s(), 0).toString();
        }
        if (modus.compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0) {
            Anweisung setzen(db, QStringLiteral("PRAGMA journal_mode = DELETE"));
            if (!setzen.schritt() ||
                zelle(setzen.s(), 0)
                        .toString()
                        .compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
                werfen(QStringLiteral("cannot switch to the rollback journal"));
        }
    } catch (const BesetztFehler& e) {
        fehler(QString::fromStdString(e.what()), SQLITE_BUSY);
    } catch (const DatenFehler& e) {
        fehler(QString::fromStdString(e.what()));
    }
}

int Datenbank::verbinden(const QByteArray& datei, int flags, bool nurLesen,
                         const QByteArray& schluessel, int warteMs) {
    verbindung_->schliessen();
    int rc = sqlite3_open_v2(datei.constData(), &verbindung_->db, flags,
                             nurLesen ? nurLesenVfs() : nullptr);
    if (rc != SQLITE_OK)
        return verbindung_->db ? sqlite3_extended_errcode(verbindung_->db) : rc;
    sqlite3* db = verbindung_->db;
    rc = sqlite3_key(db, schluessel.constData(), static_cast<int>(schluessel.size()));
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_busy_timeout(db, warteMs);
    sqlite3_stmt* s = nullptr;
    rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &s, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(s);
        if (rc == SQLITE_ROW || rc == SQLITE_DONE)
            rc = SQLITE_OK;
    }
    sqlite3_finalize(s);
    return rc == SQLITE_OK ? rc : sqlite3_extended_errcode(db);
}

Datenbank::SchluesselZahlen Datenbank::Schluesselzahlen() {
    Ablage& a = ablage();
    std::lock_guard<std::mutex> l(a.sperre);
    return a.zahlen;
}

void Datenbank::SchluesselVergessen() {
    Ablage& a = ablage();
    std::lock_guard<std::mutex> l(a.sperre);
    a.eintraege.clear();
}

void Datenbank::SchluesselBehalten(bool an) {
    Ablage& a = ablage();
    std::lock_guard<std::mutex> l(a.sperre);
    a.an = an;
    if (!an)
        a.eintraege.clear();
}

void Datenbank::SchluesselMerken(const QByteArray& salz, const QByteArray& passwort,
                                 const QByteArray& schluessel) {
    ablage().merken(salz, passwort, schluessel);
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

void Datenbank::Ausfuehren(const QString& sql) {
    if (!IstOffen())
        werfen(QStringLiteral("the database is closed: %1").arg(pfad_));
    ++verbindung_->ausgefuehrt;
    char* text = nullptr;
    const int rc = sqlite3_exec(verbindung_->db, sql.toUtf8().constData(), nullptr, nullptr, &text);
    if (rc != SQLITE_OK) {
        const QString grund = text ? QString::fromUtf8(text) : meldung(verbindung_->db);
        sqlite3_free(text);
        werfen(sqlite3_extended_errcode(verbindung_->db), grund);
    }
}

std::unique_ptr<Datensatzmenge> Datenbank::OpenRecordset(const QString& abfrage) {
    if (!IstOffen())
        werfen(QStringLiteral("the database is closed: %1").arg(pfad_));
    return std::make_unique<Datensatzmenge>(verbindung_, abfrage);
}

void Datenbank::SchemaPruefen() {
    if (!IstOffen())
        werfen(QStringLiteral("the database is closed: %1").arg(pfad_));
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

void Datenbank::WarteZeitSetzen(int ms) {
    if (IstOffen())
        sqlite3_busy_timeout(verbindung_->db, ms);
}

void Datenbank::GanzPruefen() {
    if (!IstOffen())
        werfen(QStringLiteral("the database is closed: %1").arg(pfad_));
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

// ---- Datensatzmenge ----------------------------------------------------------

Datensatzmenge::Datensatzmenge(std::shared_ptr<Verbindung> verbindung, const QString& abfrage)
    : verbindung_(std::move(verbindung)) {
    static const QRegularExpression form(
        QStringLiteral("^\\s*select\\s+\\*\\s+from\\s+([A-Za-z_][A-Za-z0-9_]*)\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch treffer = form.match(abfrage);
    if (!treffer.hasMatch())
        werfen(QStringLiteral("unsupported query: %1").arg(abfrage));
    tabelle_ = treffer.captured(1);

    qint64 version = -1;
    {
        Anweisung v(db(), QStringLiteral("PRAGMA data_version"));
        if (v.schritt())
            version = sqlite3_column_int64(v.s(), 0);
    }
    const qint64 aenderungen = sqlite3_total_changes(db());
    Verbindung::Puffer& puffer = verbindung_->puffer[tabelle_.toLower()];
    if (puffer.zeilen && puffer.version == version && puffer.aenderungen == aenderungen &&
        puffer.ausgefuehrt == verbindung_->ausgefuehrt) {
        spalten_ = puffer.spalten;
        daten_ = puffer.zeilen;
        return;
    }

    Anweisung a(db(), QStringLiteral("select rowid, * from %1").arg(bezeichner(tabelle_)));
    const int spalten = sqlite3_column_count(a.s()) - 1;
    for (int i = 1; i <= spalten; ++i)
        spalten_.append(QString::fromUtf8(sqlite3_column_name(a.s(), i)));
    while (a.schritt()) {
        daten_->rowids.push_back(sqlite3_column_int64(a.s(), 0));
        daten_->werte.push_back(zeileLesen(a.s(), spalten));
    }
    puffer.version = version;
    puffer.aenderungen = aenderungen;
    puffer.ausgefuehrt = verbindung_->ausgefuehrt;
    puffer.spalten = spalten_;
    puffer.zeilen = daten_;
}

Zeilen& Datensatzmenge::schreibbar() {
    if (verbindung_) {
        // Rows about to change are no longer what the file held when they
        // were read: the cache lets go of them first, so that usually no
        // copy is needed.
        auto it = verbindung_->puffer.find(tabelle_.toLower());
        if (it != verbindung_->puffer.end() && it->second.zeilen == daten_)
            verbindung_->puffer.erase(it);
    }
    if (daten_.use_count() > 1)
        daten_ = std::make_shared<Zeilen>(*daten_);
    return *daten_;
}

Datensatzmenge::~Datensatzmenge() = default;

sqlite3* Datensatzmenge::db() const {
    if (!offen_)
        werfen(QStringLiteral("the recordset is closed"));
    if (!verbindung_ || !verbindung_->db)
        werfen(QStringLiteral("the database of the recordset is closed"));
    return verbindung_->db;
}

bool Datensatzmenge::IstOffen() const {
    return offen_ && verbindung_ && verbindung_->db;
}

void Datensatzmenge::pruefeZeile() const {
    db();
    if (geloescht_)
        werfen(QStringLiteral("the current row has been deleted"));
    if (pos_ < 0 || pos_ >= static_cast<int>(daten_->werte.size()))
        werfen(QStringLiteral("no current row"));
}

bool Datensatzmenge::zeileHolen(qint64 rowid, std::vector<QVariant>& zeile) {
    Anweisung a(
        db(), QStringLiteral("select rowid, * from %1 where rowid = ?").arg(bezeichner(tabelle_)));
    sqlite3_bind_int64(a.s(), 1, rowid);
    if (!a.schritt())
        return false;
    zeile = zeileLesen(a.s(), static_cast<int>(spalten_.size()));
    return true;
}

void Datensatzmenge::zeileNeuLesen(qint64 rowid, int index) {
    std::vector<QVariant> zeile;
    if (!zeileHolen(rowid, zeile))
        werfen(QStringLiteral("the row no longer exists"));
    schreibbar().werte[static_cast<size_t>(index)] = std::move(zeile);
}

void Datensatzmenge::entfernen(int index) {
    Zeilen& z = schreibbar();
    z.rowids.erase(z.rowids.begin() + index);
    z.werte.erase(z.werte.begin() + index);
    if (index < pos_)
        --pos_;
    else if (index == pos_)
        geloescht_ = true; // the following row moves up into this position
}

void Datensatzmenge::MoveFirst() {
    db();
    modus_ = Modus::Keiner;
    pos_ = 0;
    geloescht_ = false;
}

void Datensatzmenge::MoveNext() {
    db();
    modus_ = Modus::Keiner;
    if (geloescht_) {
        // After a deletion the position already holds the following row.
        geloescht_ = false;
        return;
    }
    if (pos_ >= static_cast<int>(daten_->werte.size()))
        werfen(QStringLiteral("no current row"));
    ++pos_;
}

bool Datensatzmenge::Eof() const {
    db();
    return pos_ >= static_cast<int>(daten_->werte.size());
}

int Datensatzmenge::RecordCount() const {
    db();
    return static_cast<int>(daten_->werte.size());
}

Datensatzmenge::Lesezeichen Datensatzmenge::Bookmark() const {
    pruefeZeile();
    return daten_->rowids[static_cast<size_t>(pos_)];
}

void Datensatzmenge::SetBookmark(Lesezeichen zeichen) {
    db();
    for (size_t i = 0; i < daten_->rowids.size(); ++i) {
        if (daten_->rowids[i] == zeichen) {
            modus_ = Modus::Keiner;
            pos_ = static_cast<int>(i);
            geloescht_ = false;
            return;
        }
    }
    werfen(QStringLiteral("not a valid bookmark"));
}

void Datensatzmenge::FindLast(const QString& kriterium) {
    db();
    static const QRegularExpression form(
        QStringLiteral("^\\s*\\[?([A-Za-z_][A-Za-z0-9_]*)\\]?\\s*=\\s*([+-]?\\d+)\\s*$"));
    const QRegularExpressionMatch treffer = form.match(kriterium);
    if (!treffer.hasMatch())
        werfen(QStringLiteral("unsupported search criterion: %1").arg(kriterium));
    const int spalte = Spalte(treffer.capturedView(1));
    if (spalte < 0)
        werfen(QStringLiteral("unknown column in criterion: %1").arg(kriterium));
    bool ok = false;
    const qint64 zahl = treffer.capturedView(2).toLongLong(&ok);
    if (!ok)
        werfen(QStringLiteral("unsupported search criterion: %1").arg(kriterium));
    const Wert gesucht(zahl);

    modus_ = Modus::Keiner;
    for (int i = static_cast<int>(daten_->werte.size()) - 1; i >= 0; --i) {
        const size_t k = static_cast<size_t>(i);
        if (!Wert(daten_->werte[k][static_cast<size_t>(spalte)]).gleich(gesucht))
            continue;
        // Another program may have deleted or changed the row since it was
        // read: a row found must still be in the file, with its present values.
        std::vector<QVariant> frisch;
        if (!zeileHolen(daten_->rowids[k], frisch)) {
            entfernen(i);
            continue;
        }
        schreibbar().werte[k] = std::move(frisch);
        if (!Wert(daten_->werte[k][static_cast<size_t>(spalte)]).gleich(gesucht))
            continue;
        pos_ = i;
        geloescht_ = false;
        keinTreffer_ = false;
        return;
    }
    keinTreffer_ = true;
}

void Datensatzmenge::AddNew() {
    db();
    puffer_.assign(static_cast<size_t>(spalten_.size()), QVariant());
    gesetzt_.assign(static_cast<size_t>(spalten_.size()), false);
    modus_ = Modus::Neu;
}

void Datensatzmenge::Edit() {
    pruefeZeile();
    puffer_ = daten_->werte[static_cast<size_t>(pos_)];
    gesetzt_.assign(static_cast<size_t>(spalten_.size()), false);
    modus_ = Modus::Bearbeiten;
}

void Datensatzmenge::Setze(QStringView name, const Wert& wert) {
    db();
    if (modus_ == Modus::Keiner)
        werfen(QStringLiteral("a field is set without AddNew or Edit"));
    const int spalte = Spalte(name);
    if (spalte < 0)
        werfen(QStringLiteral("unknown column: %1").arg(name));
    puffer_[static_cast<size_t>(spalte)] = wert.roh();
    gesetzt_[static_cast<size_t>(spalte)] = true;
}

void Datensatzmenge::Update() {
    sqlite3* verbindung = db();
    if (modus_ == Modus::Keiner)
        werfen(QStringLiteral("Update without AddNew or Edit"));

    QStringList namen;
    std::vector<size_t> stellen;
    for (size_t i = 0; i < gesetzt_.size(); ++i) {
        if (gesetzt_[i]) {
            namen.append(bezeichner(spalten_[static_cast<qsizetype>(i)]));
            stellen.push_back(i);
        }
    }

    if (modus_ == Modus::Neu) {
        QString sql = QStringLiteral("insert into %1 ").arg(bezeichner(tabelle_));
        if (namen.isEmpty()) {
            sql += QStringLiteral("default values");
        } else {
            QStringList fragen;
            for (qsizetype i = 0; i < namen.size(); ++i)
                fragen.append(QStringLiteral("?"));
            sql += QStringLiteral("(%1) values (%2)")
                       .arg(namen.join(QLatin1Char(',')), fragen.join(QLatin1Char(',')));
        }
        Anweisung a(verbindung, sql);
        for (size_t i = 0; i < stellen.size(); ++i)
            binden(a.s(), static_cast<int>(i) + 1, puffer_[stellen[i]]);
        a.schritt();
        const qint64 rowid = sqlite3_last_insert_rowid(verbindung);
        std::vector<QVariant> zeile;
        if (!zeileHolen(rowid, zeile))
            werfen(QStringLiteral("the new row cannot be read back"));
        // The new row is appended; the position stays where it was, and a
        // position past the end stays past the end.
        const bool amEnde = pos_ >= static_cast<int>(daten_->werte.size());
        Zeilen& z = schreibbar();
        z.rowids.push_back(rowid);
        z.werte.push_back(std::move(zeile));
        if (amEnde)
            pos_ = static_cast<int>(daten_->werte.size());
    } else {
        pruefeZeile();
        const qint64 rowid = daten_->rowids[static_cast<size_t>(pos_)];
        if (!namen.isEmpty()) {
            QStringList zuweisungen;
            for (const QString& n : namen)
                zuweisungen.append(n + QStringLiteral(" = ?"));
            Anweisung a(verbindung,
                        QStringLiteral("update %1 set %2 where rowid = ?")
                            .arg(bezeichner(tabelle_), zuweisungen.join(QLatin1Char(','))));
            for (size_t i = 0; i < stellen.size(); ++i)
                binden(a.s(), static_cast<int>(i) + 1, puffer_[stellen[i]]);
            sqlite3_bind_int64(a.s(), static_cast<int>(stellen.size()) + 1, rowid);
            a.schritt();
            if (sqlite3_changes(verbindung) == 0)
                werfen(QStringLiteral("the row no longer exists"));
        }
        zeileNeuLesen(rowid, pos_);
    }
    modus_ = Modus::Keiner;
    puffer_.clear();
    gesetzt_.clear();
}

void Datensatzmenge::CancelUpdate() {
    db();
    modus_ = Modus::Keiner;
    puffer_.clear();
    gesetzt_.clear();
}

void Datensatzmenge::Delete() {
    pruefeZeile();
    modus_ = Modus::Keiner;
    Anweisung a(db(), QStringLiteral("delete from %1 where rowid = ?").arg(bezeichner(tabelle_)));
    sqlite3_bind_int64(a.s(), 1, daten_->rowids[static_cast<size_t>(pos_)]);
    a.schritt();
    // A row another program deleted first is gone all the same.
    entfernen(pos_);
}

void Datensatzmenge::Close() {
    offen_ = false;
    modus_ = Modus::Keiner;
    daten_ = std::make_shared<Zeilen>();
    puffer_.clear();
    gesetzt_.clear();
}

int Datensatzmenge::Spalte(QStringView name) const {
    const qsizetype n = spalten_.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QString& s = spalten_[i];
        if (s.size() == name.size() && QStringView(s).compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

Wert Datensatzmenge::Feld(QStringView name) const {
    const int spalte = Spalte(name);
    if (spalte < 0) {
        db();
        werfen(QStringLiteral("unknown column: %1").arg(name));
    }
    return Feld(spalte);
}

Wert Datensatzmenge::Feld(int spalte) const {
    if (spalte < 0 || spalte >= static_cast<int>(spalten_.size())) {
        db();
        werfen(QStringLiteral("no column number %1").arg(spalte));
    }
    if (modus_ != Modus::Keiner) {
        db();
        return Wert(puffer_[static_cast<size_t>(spalte)]);
    }
    pruefeZeile();
    return Wert(daten_->werte[static_cast<size_t>(pos_)][static_cast<size_t>(spalte)]);
}

} // namespace pinwick
