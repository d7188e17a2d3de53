// The band's lines of the feeds: naming, order, counts, colours, links.

#include "FeedZeilen.h"

#include <QHash>
#include <gtest/gtest.h>

using namespace pinwick;

namespace {

FeedStand Stand(const QString& titel, int n, const QString& link = {}) {
    FeedStand s;
    s.titel = titel;
    for (int i = 1; i <= n; ++i)
        s.eintraege.append({QStringLiteral("T%1").arg(i),
                            link.isEmpty() ? QStringLiteral("https://n.example/%1").arg(i) : link,
                            QStringLiteral("S%1").arg(i), {}, {}});
    return s;
}

TEST(FeedZeilen, NamenReihenfolgeUndAnzahl) {
    const QHash<qint64, FeedStand> staende = {
        {1, Stand(QStringLiteral("Eigener Titel"), 5)},
        {2, Stand(QString(), 2)},
        {3, Stand(QStringLiteral("Aus"), 2)},
        {4, Stand(QStringLiteral("Leer"), 0)},
        {5, Stand(QStringLiteral("Böse"), 1, QStringLiteral("file:///etc/passwd"))},
    };
    const auto stand = [&](qint64 id) -> const FeedStand* {
        const auto it = staende.constFind(id);
        return it == staende.constEnd() ? nullptr : &*it;
    };
    const struct {
        const char* name;
        QList<FeedQuelle> quellen;
        QStringList texte;
    } faelle[] = {
        {"the table's title wins, items as many as asked",
         {{1, QStringLiteral("https://a.example/"), QStringLiteral("Intranet"), 255, 2, true}},
         {QStringLiteral("Intranet: T1"), QStringLiteral("Intranet: T2")}},
        {"the feed's own title, then the host",
         {{1, QStringLiteral("https://a.example/"), QString(), -1, 1, true},
          {2, QStringLiteral("https://b.example/x"), QString(), -1, 3, true}},
         {QStringLiteral("Eigener Titel: T1"), QStringLiteral("b.example: T1"),
          QStringLiteral("b.example: T2")}},
        {"off, empty and unknown feeds give nothing",
         {{3, QStringLiteral("https://c.example/"), QString(), -1, 3, false},
          {4, QStringLiteral("https://d.example/"), QString(), -1, 3, true},
          {9, QStringLiteral("https://e.example/"), QString(), -1, 3, true}},
         {}},
        {"the order of the table",
         {{2, QStringLiteral("https://b.example/"), QStringLiteral("B"), -1, 1, true},
          {1, QStringLiteral("https://a.example/"), QStringLiteral("A"), -1, 1, true}},
         {QStringLiteral("B: T1"), QStringLiteral("A: T1")}},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        QStringList texte;
        for (const FeedZeile& z : FeedZeilen(f.quellen, stand))
            texte << z.text;
        EXPECT_EQ(texte, f.texte);
    }

    const QList<FeedZeile> z = FeedZeilen(
        {{1, QStringLiteral("https://a.example/"), QString(), 0x00FF00, 1, true},
         {5, QStringLiteral("https://e.example/"), QString(), -1, 1, true}},
        stand);
    ASSERT_EQ(z.size(), 2);
    EXPECT_EQ(z[0], (FeedZeile{1, QStringLiteral("Eigener Titel: T1"), 0x00FF00,
                               QStringLiteral("https://n.example/1"), QStringLiteral("S1")}));
    // A link that is not http(s) is never handed on, whatever the cache says.
    EXPECT_EQ(z[1].link, QString());
}

} // namespace
