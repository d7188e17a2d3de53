#include "FeedQuellen.h"

#include "Datenbank.h"
#include "FeedLesen.h"
#include "WebAdresse.h"

#include <algorithm>

namespace pinwick {

QList<FeedQuelle> FeedsLesen(Datenbank& db) {
    QList<FeedQuelle> feeds;
    bool da = false;
    auto tabellen = db.OpenRecordset(QStringLiteral("select * from sqlite_master"));
    for (tabellen->MoveFirst(); !tabellen->Eof() && !da; tabellen->MoveNext())
        da = tabellen->Feld(u"type").alsText() == QLatin1String("table") &&
             tabellen->Feld(u"name").alsText() == QLatin1String("Feeds");
    if (!da)
        return feeds;
    auto rs = db.OpenRecordset(QStringLiteral("select * from Feeds"));
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        const auto text = [&](QStringView name) {
            const Wert w = rs->Feld(name);
            return w.istNull() ? QString() : w.alsText();
        };
        const auto zahl = [&](QStringView name, qint64 sonst) {
            bool ok = false;
            const qint64 z = text(name).toLongLong(&ok);
            return ok ? z : sonst;
        };
        FeedQuelle f;
        f.id = zahl(u"ID", 0);
        f.adresse = text(u"Adresse").trimmed();
        f.titel = text(u"Titel");
        const qint64 farbe = zahl(u"Farbe", FeedFarbeStandard);
        f.farbe = farbe >= 0 && farbe <= 0xFFFFFF ? int(farbe) : FeedFarbeStandard;
        f.anzahl = int(std::clamp<qint64>(zahl(u"Anzahl", FeedAnzahlStandard), 1, FeedAnzahlHoechstens));
        f.aktiv = zahl(u"Aktiv", -1) != 0 && FeedAdresseErlaubt(QUrl(f.adresse));
        feeds.append(f);
    }
    return feeds;
}

bool FeedAdresseAendern(Datenbank& db, qint64 id, const QString& neu) {
    if (!FeedAdresseErlaubt(QUrl(neu)) || neu.size() > FeedHoechstLink)
        return false;
    auto rs = db.OpenRecordset(QStringLiteral("select * from Feeds"));
    rs->FindLast(QStringLiteral("ID = %1").arg(id));
    if (rs->NoMatch())
        return false;
    rs->Edit();
    rs->Setze(u"Adresse", Wert(neu));
    rs->Update();
    return true;
}

bool FeedAdresseErlaubt(const QUrl& adresse) {
    return WebAdresseErlaubt(adresse);
}

std::optional<int> FarbeLesen(const QString& roh) {
    QString t = roh.trimmed();
    if (!t.startsWith(u'#'))
        return std::nullopt;
    t.remove(0, 1);
    if (t.size() == 3)
        t = QString(t[0]) + t[0] + t[1] + t[1] + t[2] + t[2];
    bool ok = false;
    const uint rgb = t.toUInt(&ok, 16);
    if (t.size() != 6 || !ok)
        return std::nullopt;
    const uint r = rgb >> 16, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return int((b << 16) | (g << 8) | r);
}

QString FarbeText(int farbe) {
    if (farbe < 0)
        return QStringLiteral("default");
    const int r = farbe & 0xFF, g = (farbe >> 8) & 0xFF, b = (farbe >> 16) & 0xFF;
    return QStringLiteral("#%1%2%3")
        .arg(r, 2, 16, QLatin1Char('0'))
        .arg(g, 2, 16, QLatin1Char('0'))
        .arg(b, 2, 16, QLatin1Char('0'))
        .toUpper();
}

} // namespace pinwick
