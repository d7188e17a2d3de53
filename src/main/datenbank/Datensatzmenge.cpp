// The recordset: the rows of one table in memory, in query order, with every
// change written straight through to the file. Rows read are shared with the
// connection's cache while the file has not changed.

#include "DatenbankIntern.h"

#include <QRegularExpression>

namespace pinwick {

using intern::Anweisung;
using intern::bezeichner;
using intern::binden;
using intern::werfen;
using intern::zeileLesen;

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
