// What a database file may hold before the program reads it, and how much
// work reading someone else's file may take.
//
// A receiver reads the broadcaster's file from a share that anyone with
// write access there can replace. The engine runs whatever the file's schema
// names: a view with a query that never ends, a trigger, or one of the
// full-text and r-tree modules, whose code the program otherwise never
// reaches. Only ordinary tables and their indexes are accepted, and a read of
// someone else's file stops once it took more work, rows or memory than any
// real notes file needs.

#include "DatenbankIntern.h"

#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <time.h>
#endif

namespace pinwick {

namespace intern {

namespace {

// The processor time this thread has spent: the work a read costs, without
// the time it waited for a lock or for a slow share.
std::chrono::nanoseconds arbeitszeit() {
#ifdef Q_OS_UNIX
    timespec t{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t) == 0)
        return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
#endif
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

// Called by the engine every FremdSchritte steps of a statement. The frist
// starts at the first call after fristNeu(): by then the statement holds its
// lock, so a wait for another program's lock is not counted as work.
int fristWaechter(void* zeiger) {
    Verbindung& v = *static_cast<Verbindung*>(zeiger);
    Verbindung::Frist& f = v.frist;
    const std::chrono::nanoseconds arbeit = arbeitszeit();
    const auto uhr = std::chrono::steady_clock::now();
    if (!f.laeuft) {
        f.laeuft = true;
        f.arbeitBeginn = arbeit;
        f.uhrBeginn = uhr;
        return 0;
    }
    // The clock bounds what a slow share costs; the work bounds the rest.
    return arbeit - f.arbeitBeginn > FremdArbeit || uhr - f.uhrBeginn > FremdUhr ? 1 : 0;
}

} // namespace

void fristAnmelden(Verbindung& v) {
    v.fristNeu();
    sqlite3_progress_handler(v.db, FremdSchritte, fristWaechter, &v);
}

void schemaArtenPruefen(Verbindung& v) {
    // The engine itself writes these heads; a statement it would read as a
    // view, a trigger or a virtual table starts otherwise. Rows without text
    // only number the indexes of primary keys and unique columns.
    static const QRegularExpression erlaubt(
        QStringLiteral("^CREATE\\s+(TABLE|(UNIQUE\\s+)?INDEX)\\s"),
        QRegularExpression::CaseInsensitiveOption);
    Anweisung a(v.db, QStringLiteral("SELECT type, name, sql FROM sqlite_master"));
    while (a.schritt()) {
        const QString sql = zelle(a.s(), 2).toString();
        if (sql.isEmpty() || erlaubt.match(sql).hasMatch())
            continue;
        werfen(QStringLiteral("not a Pinwick notes file: it holds a view, a trigger or a virtual "
                              "table (%1 \"%2\")")
                   .arg(zelle(a.s(), 0).toString(), zelle(a.s(), 1).toString().left(64)));
    }
}

void Mengenzaehler::zaehlen(const std::vector<QVariant>& zeile) {
    if (!an_)
        return;
    // Roughly what the row holds in memory: the values, their text as
    // UTF-16 and their blobs.
    qint64 bytes = 64 + static_cast<qint64>(zeile.size() * sizeof(QVariant));
    for (const QVariant& wert : zeile) {
        if (wert.typeId() == QMetaType::QString)
            bytes += 2 * static_cast<qint64>(wert.toString().size());
        else if (wert.typeId() == QMetaType::QByteArray)
            bytes += wert.toByteArray().size();
    }
    ++zeilen_;
    bytes_ += bytes;
    if (zeilen_ > FremdZeilen)
        werfen(QStringLiteral("not read: the table holds more than %1 rows").arg(FremdZeilen));
    if (bytes_ > FremdBytes)
        werfen(QStringLiteral("not read: the table holds more than %1 MB")
                   .arg(FremdBytes / (1024 * 1024)));
}

} // namespace intern

} // namespace pinwick
