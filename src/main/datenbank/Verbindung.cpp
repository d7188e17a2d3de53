// One connection to the library: its result codes as exceptions, prepared
// statements, values in and out, and the opening of a connection.

#include "DatenbankIntern.h"

namespace pinwick {

void Verbindung::schliessen() {
    if (db) {
        // No statement outlives a single operation, so the close is immediate.
        sqlite3_close_v2(db);
        db = nullptr;
    }
}

namespace intern {

// ---- result codes as exceptions ---------------------------------------------

void werfen(const QString& text) {
    throw DatenFehler(text.toStdString());
}

QString meldung(sqlite3* db) {
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("no connection");
}

// A lock that outlasted the wait is told apart from a real failure.
void werfen(int rc, const QString& text) {
    const int grund = rc & 0xFF;
    if (grund == SQLITE_BUSY || grund == SQLITE_LOCKED)
        throw BesetztFehler(text.toStdString());
    throw DatenFehler(text.toStdString());
}

void werfenVon(sqlite3* db, int rc) {
    werfen(db ? sqlite3_extended_errcode(db) : rc, meldung(db));
}

// ---- statements --------------------------------------------------------------

Anweisung::Anweisung(sqlite3* db, const QString& sql) : db_(db) {
    const QByteArray text = sql.toUtf8();
    const int rc =
        sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &s_, nullptr);
    if (rc != SQLITE_OK) {
        const int code = db ? sqlite3_extended_errcode(db) : rc;
        const QString grund = meldung(db);
        sqlite3_finalize(s_);
        s_ = nullptr;
        werfen(code, grund);
    }
}

bool Anweisung::schritt() {
    const int rc = sqlite3_step(s_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    werfenVon(db_, rc);
}

void ausfuehren(Verbindung& v, const QString& sql) {
    ++v.ausgefuehrt;
    char* text = nullptr;
    const int rc = sqlite3_exec(v.db, sql.toUtf8().constData(), nullptr, nullptr, &text);
    if (rc != SQLITE_OK) {
        const QString grund = text ? QString::fromUtf8(text) : meldung(v.db);
        sqlite3_free(text);
        werfen(sqlite3_extended_errcode(v.db), grund);
    }
}

QString bezeichner(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

// ---- values in and out -------------------------------------------------------

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

std::vector<QVariant> zeileLesen(sqlite3_stmt* s, int spalten) {
    std::vector<QVariant> zeile;
    zeile.reserve(static_cast<size_t>(spalten));
    for (int i = 1; i <= spalten; ++i)
        zeile.push_back(zelle(s, i));
    return zeile;
}

// ---- opening -----------------------------------------------------------------

int anmelden(Verbindung& v, const Oeffnung& o, const QByteArray& schluessel) {
    v.schliessen();
    int rc =
        sqlite3_open_v2(o.datei.constData(), &v.db, o.flags, o.nurLesen ? nurLesenVfs() : nullptr);
    if (rc != SQLITE_OK)
        return v.db ? sqlite3_extended_errcode(v.db) : rc;
    rc = sqlite3_key(v.db, schluessel.constData(), static_cast<int>(schluessel.size()));
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_busy_timeout(v.db, o.warteMs);
    return SQLITE_OK;
}

int verbinden(Verbindung& v, const Oeffnung& o, const QByteArray& schluessel) {
    int rc = anmelden(v, o, schluessel);
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_stmt* s = nullptr;
    rc = sqlite3_prepare_v2(v.db, "SELECT count(*) FROM sqlite_master", -1, &s, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(s);
        if (rc == SQLITE_ROW || rc == SQLITE_DONE)
            rc = SQLITE_OK;
    }
    sqlite3_finalize(s);
    return rc == SQLITE_OK ? rc : sqlite3_extended_errcode(v.db);
}

} // namespace intern

} // namespace pinwick
