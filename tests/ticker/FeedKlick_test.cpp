// A click on a feed's item in the real bar (offscreen): the page goes to the
// desktop's handler (a URL handler of the test's own) once the double-click
// time has passed, only when it is http or https, and never after a
// double-click. The link is checked again where it leaves: the cases put a
// hostile link in place after the rebuild, as a hand-edited cache could.

#include "Band.h"
#include "EinstellungsSatz.h"
#include "FeedQuellen.h"
#include "TestHilfe.h"
#include "TestLeiste.h"

#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStyleHints>
#include <QTest>
#include <gtest/gtest.h>

using namespace pinwick;

namespace {

class Fang : public QObject {
    Q_OBJECT
public:
    QList<QUrl> geoeffnet;
public slots:
    void oeffnen(const QUrl& url) { geoeffnet.append(url); }
};

struct KlickFall {
    const char* name;
    const char* link; // put in place of the item's link after the rebuild
    bool doppelt;
    bool geoeffnet;
};

class BarKlick : public ::testing::TestWithParam<KlickFall> {};

TEST_P(BarKlick, OpensOnlyWebPagesAfterTheDoubleClickTime) {
    const KlickFall& f = GetParam();
    test::TestUmgebung u;
    Programm& p = u.p;
    EinstellungenLaden(p);
    test::LeisteEinstellen(p);
    p.tonAn = false;
    p.uhr.Stellen(QDateTime(QDate(2027, 3, 10), QTime(10, 0, 0)));
    p.lokaleDatenbank->SchemaErgaenzen();
    const QString adresse = QStringLiteral("http://127.0.0.1:9/feed");
    FeedQuelle q;
    q.adresse = adresse;
    q.titel = QStringLiteral("News");
    FeedHinzufuegen(*p.lokaleDatenbank, q);
    const QString cache = u.Pfad(QStringLiteral("feeds.json"));
    {
        const QJsonObject eintrag{{"titel", "Item"},
                                  {"link", "https://news.example/item"},
                                  {"zusammenfassung", "About it"}};
        const QJsonObject feed{{"adresse", adresse},
                               {"geholt", QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
                               {"eintraege", QJsonArray{eintrag}}};
        QFile datei(cache);
        ASSERT_TRUE(datei.open(QIODevice::WriteOnly));
        datei.write(QJsonDocument(QJsonObject{{"feeds", QJsonArray{feed}}}).toJson());
    }

    Fang fang;
    for (const char* schema : {"http", "https", "file", "data", "javascript"})
        QDesktopServices::setUrlHandler(QString::fromUtf8(schema), &fang, "oeffnen");

    test::TestLeiste leiste(p, test::TestLeiste::Takt::VomTest);
    leiste.Inhalt().feedCache = cache;
    leiste.Tick();
    leiste.Tick();
    ASSERT_EQ(p.eintraege.size(), 1u);
    ASSERT_EQ(p.feedVerweise.size(), 1u);
    EXPECT_EQ(p.feedVerweise[0].tooltip, QStringLiteral("About it"));
    p.feedVerweise[0].link = QString::fromUtf8(f.link);

    Band* band = leiste.NotizPan();
    const int y = band->height() / 2;
    int x = 0;
    while (x < band->width() && band->EintragBei(QPointF(x, y)) != 0)
        ++x;
    ASSERT_LT(x, band->width()) << "the item is in the band";
    if (f.doppelt)
        QTest::mouseDClick(band, Qt::LeftButton, {}, QPoint(x + 2, y));
    else
        QTest::mouseClick(band, Qt::LeftButton, {}, QPoint(x + 2, y));
    // Nothing before the double-click time has passed.
    QCoreApplication::processEvents();
    EXPECT_TRUE(fang.geoeffnet.isEmpty());
    const int intervall = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    p.uhr.VorstellenMs(intervall + 100);
    QTest::qWait(intervall + 150);
    for (const char* schema : {"http", "https", "file", "data", "javascript"})
        QDesktopServices::unsetUrlHandler(QString::fromUtf8(schema));

    if (f.geoeffnet) {
        ASSERT_EQ(fang.geoeffnet.size(), 1);
        EXPECT_EQ(fang.geoeffnet.front().toString(), QString::fromUtf8(f.link));
    } else {
        EXPECT_TRUE(fang.geoeffnet.isEmpty()) << fang.geoeffnet.value(0).toString().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faelle, BarKlick,
    ::testing::Values(KlickFall{"https", "https://news.example/item", false, true},
                      KlickFall{"http", "http://intranet.example/a?b=1", false, true},
                      KlickFall{"doubleClick", "https://news.example/item", true, false},
                      KlickFall{"javascript", "javascript:alert(1)", false, false},
                      KlickFall{"file", "file:///etc/passwd", false, false},
                      KlickFall{"data", "data:text/html,hello", false, false},
                      KlickFall{"desktopFile", "https://news.example/run.desktop", false, false},
                      KlickFall{"userInLink", "https://user:pw@news.example/", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

#include "FeedKlick_test.moc"
