#include "FeedBefehl.h"

#include "BefehlsHilfen.h"
#include "Datenbank.h"
#include "FeedQuellen.h"
#include "NotizenBefehl.h"

#include <functional>
#include <memory>

namespace pinwick {

namespace {

[[noreturn]] void aufruf(const QString& text) {
    BefehlAufruf(text);
}
[[noreturn]] void scheitern(const QString& text) {
    BefehlScheitern(text);
}

// The notes file, checked, with the feeds' table added when this file is
// of an earlier version.
std::unique_ptr<Datenbank> oeffnen(const QString& pfad, int warteMs) {
    auto db = NotizdateiOeffnen(pfad, warteMs);
    BefehlGeschuetzt(pfad, warteMs, [&] { db->SchemaErgaenzen(); });
    return db;
}

qint64 idLesen(const QStringList& a) {
    if (a.size() != 2)
        aufruf(QStringLiteral("feed %1 takes one ID").arg(a.front()));
    bool ok = false;
    const qint64 id = a[1].toLongLong(&ok);
    if (!ok || id <= 0 || a[1].trimmed() != a[1])
        aufruf(QStringLiteral("\"%1\" is no feed ID").arg(a[1]));
    return id;
}

// One change, made whole or not at all, with the write lock taken first.
void inTransaktion(Datenbank& db, const std::function<void()>& aendern) {
    db.Ausfuehren(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        aendern();
        db.Ausfuehren(QStringLiteral("COMMIT"));
    } catch (...) {
        try {
            db.Ausfuehren(QStringLiteral("ROLLBACK"));
        } catch (...) {
        }
        throw;
    }
}

int hinzufuegen(const QStringList& a, const FeedOptionen& o, const QString& pfad, int warteMs,
                QTextStream& aus) {
    if (a.size() != 2)
        aufruf(a.size() < 2 ? QStringLiteral("feed add needs the feed's URL")
                            : QStringLiteral("feed add takes one URL"));
    const std::optional<QString> adresse = FeedAdresseNormal(a[1]);
    if (!adresse)
        aufruf(QStringLiteral("\"%1\" is no http or https address without a user name").arg(a[1]));
    FeedQuelle f;
    f.adresse = *adresse;
    if (o.titel)
        f.titel = o.titel->simplified();
    if (o.anzahl) {
        bool ok = false;
        f.anzahl = o.anzahl->toInt(&ok);
        if (!ok || f.anzahl < 1 || f.anzahl > FeedAnzahlHoechstens)
            aufruf(QStringLiteral("--items takes a number from 1 to %1").arg(FeedAnzahlHoechstens));
    }
    if (o.farbe) {
        const std::optional<int> farbe = FarbeLesen(*o.farbe);
        if (!farbe)
            aufruf(QStringLiteral("--colour takes #RRGGBB, not \"%1\"").arg(*o.farbe));
        f.farbe = *farbe;
    }
    f.aktiv = true;
    auto db = oeffnen(pfad, warteMs);
    BefehlGeschuetzt(pfad, warteMs, [&] {
        qint64 id = 0;
        inTransaktion(*db, [&] { id = FeedHinzufuegen(*db, f); });
        aus << id << '\n';
    });
    return StatusOk;
}

int auflisten(const QStringList& a, const QString& pfad, int warteMs, QTextStream& aus) {
    if (a.size() != 1)
        aufruf(QStringLiteral("feed list takes no arguments"));
    auto db = oeffnen(pfad, warteMs);
    BefehlGeschuetzt(pfad, warteMs, [&] {
        for (const FeedQuelle& f : FeedsLesen(*db))
            aus << f.id << '\t' << (f.aktiv ? "on" : "off") << '\t' << f.anzahl << '\t'
                << FarbeText(f.farbe) << '\t' << f.titel << '\t' << f.adresse << '\n';
    });
    return StatusOk;
}

// remove, on, off: one row, found by its ID, changed in one transaction.
int aendern(const QStringList& a, const QString& pfad, int warteMs) {
    const qint64 id = idLesen(a);
    auto db = oeffnen(pfad, warteMs);
    BefehlGeschuetzt(pfad, warteMs, [&] {
        inTransaktion(*db, [&] {
            const bool da = a.front() == QLatin1String("remove")
                                ? FeedEntfernen(*db, id)
                                : FeedSchalten(*db, id, a.front() == QLatin1String("on"));
            if (!da)
                scheitern(QStringLiteral("no feed with ID %1").arg(id));
        });
    });
    return StatusOk;
}

} // namespace

int FeedBefehl(const QStringList& argumente, const FeedOptionen& optionen, const QString& pfad,
               int warteMs, QTextStream& aus) {
    if (argumente.isEmpty())
        aufruf(QStringLiteral("feed needs add, list, remove, on or off"));
    const QString was = argumente.front();
    if (was != QLatin1String("add") && (optionen.titel || optionen.anzahl || optionen.farbe))
        aufruf(QStringLiteral("--title, --items and --colour belong to feed add"));
    if (was == QLatin1String("add"))
        return hinzufuegen(argumente, optionen, pfad, warteMs, aus);
    if (was == QLatin1String("list"))
        return auflisten(argumente, pfad, warteMs, aus);
    if (was == QLatin1String("remove") || was == QLatin1String("on") || was == QLatin1String("off"))
        return aendern(argumente, pfad, warteMs);
    aufruf(QStringLiteral("unknown feed command \"%1\"; give add, list, remove, on or off").arg(was));
}

} // namespace pinwick
