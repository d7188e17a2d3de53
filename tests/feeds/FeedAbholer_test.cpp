// Fetching feeds from a web server on 127.0.0.1 the tests start: items
// arriving, conditional requests, permanent and temporary redirects, the
// cache across a restart, and hostile servers each told as that feed's
// error while the event loop keeps running.

#include "FeedAbholer.h"
#include "HttpTestServer.h"

#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <set>

using namespace pinwick;
using pinwick::test::HttpTestServer;

namespace {

QByteArray Rss(const QByteArray& titel, int anzahl, const QByteArray& extra = {}) {
    QByteArray items;
    for (int i = 1; i <= anzahl; ++i)
        items += "<item><title>" + titel + " " + QByteArray::number(i) + "</title><link>/n/" +
                 QByteArray::number(i) + "</link></item>";
    return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>" + titel + "</title>" +
           extra + items + "</channel></rss>";
}

void Schreiben(const QString& pfad, const QByteArray& daten) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(daten);
}

// Fast rhythm and short limits: a quarter of an hour is a second, a slow
// server is cut after two seconds, a silent one after six.
FeedTakt SchnellerTakt() {
    FeedTakt t;
    t.schneller = 900;
    t.streuung = 0;
    t.grenzen.gesamtMs = 6000;
    t.grenzen.langsamSekunden = 2;
    t.grenzen.mindestBytesProSekunde = 64;
    return t;
}

FeedQuelle Quelle(qint64 id, const QString& adresse) {
    FeedQuelle q;
    q.id = id;
    q.adresse = adresse;
    return q;
}

// Runs the event loop until `fertig` holds or a minute has passed (a hang,
// not a speed).
bool Warten(const std::function<bool()>& fertig) {
    QEventLoop schleife;
    QTimer pruefen;
    QObject::connect(&pruefen, &QTimer::timeout, &schleife, [&] {
        if (fertig())
            schleife.quit();
    });
    pruefen.start(20);
    QTimer::singleShot(60000, &schleife, &QEventLoop::quit);
    if (!fertig())
        schleife.exec();
    return fertig();
}

class FeedAbholerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        for (const char* n : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(n);
        qputenv("no_proxy", "127.0.0.1,localhost");
        qputenv("NO_PROXY", "127.0.0.1,localhost");
    }
    void SetUp() override {
        ASSERT_TRUE(ordner.isValid());
        server = std::make_unique<HttpTestServer>(false, ordner.path());
        ASSERT_TRUE(server->Fehler().isEmpty()) << server->Fehler().toStdString();
    }
    QString Datei(const QString& name) const { return ordner.filePath(name); }
    QString Adresse(const QString& pfad) const { return server->Adresse(pfad); }

    QTemporaryDir ordner;
    std::unique_ptr<HttpTestServer> server;
};

TEST_F(FeedAbholerTest, HoltBedingtUndMerktSichDieEintraege) {
    Schreiben(Datei(QStringLiteral("eins.xml")), Rss("Eins", 4, "<ttl>1</ttl>"));
    const QString cache = Datei(QStringLiteral("cache/feeds.json"));
    {
        FeedAbholer abholer(SchnellerTakt(), cache);
        QSignalSpy geaendert(&abholer, &FeedAbholer::Geaendert);
        abholer.Setzen({Quelle(7, Adresse(QStringLiteral("/feed/eins.xml")))});
        ASSERT_TRUE(Warten([&] { return geaendert.count() >= 1; }));
        const FeedStand* s = abholer.Stand(7);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->fehler, QString());
        EXPECT_EQ(s->titel, QStringLiteral("Eins"));
        ASSERT_EQ(s->eintraege.size(), 4);
        EXPECT_EQ(s->eintraege[0].link, Adresse(QStringLiteral("/n/1")));
        EXPECT_FALSE(s->etag.isEmpty());
        // The second fetch, a (sped-up) quarter of an hour later, is
        // conditional and answered 304; the items stay.
        ASSERT_TRUE(Warten([&] { return geaendert.count() >= 2; }));
        EXPECT_EQ(abholer.Stand(7)->eintraege.size(), 4);
        EXPECT_EQ(abholer.Stand(7)->fehler, QString());
    }
    const QString log = server->Log();
    EXPECT_TRUE(log.contains(QStringLiteral("inm=\"")) && log.contains(QStringLiteral("status=304")))
        << log.toStdString();
    EXPECT_TRUE(QFile::exists(cache));

    // A restart shows the cached items before anything is fetched, even
    // when the server is gone.
    const QString adresse = Adresse(QStringLiteral("/feed/eins.xml"));
    server.reset();
    FeedTakt langsam = SchnellerTakt();
    langsam.schneller = 1;
    FeedAbholer neu(langsam, cache);
    neu.Setzen({Quelle(1, adresse)});
    ASSERT_NE(neu.Stand(1), nullptr);
    EXPECT_EQ(neu.Stand(1)->eintraege.size(), 4);
    EXPECT_EQ(neu.Stand(1)->titel, QStringLiteral("Eins"));
    // Fetched a moment ago: the next fetch waits for the rest of the
    // quarter of an hour.
    EXPECT_GT(QDateTime::currentDateTimeUtc().secsTo(neu.Naechster(1)), 10 * 60);
    // A feed not cached starts empty and is fetched at once.
    neu.Setzen({Quelle(2, QStringLiteral("https://other.example/"))});
    EXPECT_TRUE(neu.Stand(2)->eintraege.isEmpty());
    EXPECT_LE(QDateTime::currentDateTimeUtc().secsTo(neu.Naechster(2)), 5);
    EXPECT_EQ(neu.Stand(1), nullptr);
}

TEST_F(FeedAbholerTest, UmleitungenDauerhaftUndZeitweilig) {
    Schreiben(Datei(QStringLiteral("eins.xml")), Rss("Eins", 2));
    const struct {
        const char* pfad;
        bool verschoben;
    } faelle[] = {{"/umzug", true}, {"/zeitweilig", false}, {"/feed/eins.xml", false}};
    FeedAbholer abholer(SchnellerTakt());
    QSignalSpy geaendert(&abholer, &FeedAbholer::Geaendert);
    QSignalSpy verschoben(&abholer, &FeedAbholer::AdresseVerschoben);
    QList<FeedQuelle> quellen;
    for (int i = 0; i < 3; ++i)
        quellen.append(Quelle(i + 1, Adresse(QString::fromUtf8(faelle[i].pfad))));
    abholer.Setzen(quellen);
    ASSERT_TRUE(Warten([&] {
        std::set<qint64> ids;
        for (const QList<QVariant>& s : geaendert)
            ids.insert(s[0].toLongLong());
        return ids.size() == 3;
    }));
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(faelle[i].pfad);
        EXPECT_EQ(abholer.Stand(i + 1)->eintraege.size(), 2);
        const QString ziel = faelle[i].verschoben ? Adresse(QStringLiteral("/feed/eins.xml"))
                                                  : Adresse(QString::fromUtf8(faelle[i].pfad));
        EXPECT_EQ(abholer.Stand(i + 1)->abrufAdresse, ziel);
    }
    ASSERT_EQ(verschoben.count(), 1);
    EXPECT_EQ(verschoben[0][0].toLongLong(), 1);
    EXPECT_EQ(verschoben[0][1].toString(), Adresse(QStringLiteral("/feed/eins.xml")));

    // The owner stores the new address: the feed keeps its items and its
    // schedule instead of starting over.
    const QDateTime naechster = abholer.Naechster(1);
    quellen[0].adresse = Adresse(QStringLiteral("/feed/eins.xml"));
    abholer.Setzen(quellen);
    EXPECT_EQ(abholer.Stand(1)->eintraege.size(), 2);
    EXPECT_EQ(abholer.Stand(1)->adresse, quellen[0].adresse);
    EXPECT_EQ(abholer.Naechster(1), naechster);
}

// The charset of the Content-Type header wins over the document's own
// declaration; without one, the declaration holds.
TEST_F(FeedAbholerTest, ZeichensatzAusDemKopf) {
    const QByteArray latin1 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss><channel><item>"
                              "<title>Gr\xfc\xdf" "e</title></item></channel></rss>";
    Schreiben(Datei(QStringLiteral("kopf.xml")), latin1);
    Schreiben(Datei(QStringLiteral("kopf.xml.art")), "application/rss+xml; charset=ISO-8859-1");
    Schreiben(Datei(QStringLiteral("ohne.xml")), latin1);
    FeedAbholer abholer(SchnellerTakt());
    QSignalSpy geaendert(&abholer, &FeedAbholer::Geaendert);
    abholer.Setzen({Quelle(1, Adresse(QStringLiteral("/feed/kopf.xml"))),
                    Quelle(2, Adresse(QStringLiteral("/feed/ohne.xml")))});
    ASSERT_TRUE(Warten([&] {
        std::set<qint64> ids;
        for (const QList<QVariant>& s : geaendert)
            ids.insert(s[0].toLongLong());
        return ids.size() == 2;
    }));
    ASSERT_EQ(abholer.Stand(1)->eintraege.size(), 1);
    EXPECT_EQ(abholer.Stand(1)->eintraege[0].titel, QStringLiteral("Grüße"));
    EXPECT_EQ(abholer.Stand(1)->fehler, QString());
    // Taken at its word, the document is not UTF-8.
    EXPECT_TRUE(abholer.Stand(2)->eintraege.isEmpty());
    EXPECT_TRUE(abholer.Stand(2)->fehler.contains(QStringLiteral("UTF-8")));
}

// Every hostile server at once: each ends as its own feed's error, with no
// items and nothing of the local file, while a timer on the same loop
// keeps firing.
TEST_F(FeedAbholerTest, FeindlicheServerWerdenZumFehlerDesFeeds) {
    QTemporaryDir geheimOrdner;
    const QString geheim = geheimOrdner.filePath(QStringLiteral("geheim.txt"));
    Schreiben(geheim, "GEHEIMNIS-4711");
    QByteArray lachen = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\">";
    for (char c = 'b'; c <= 'j'; ++c)
        lachen += QByteArray("<!ENTITY ") + c + " \"" + (QByteArray("&") + char(c - 1) + ";").repeated(10) + "\">";
    lachen += "]><rss><channel><item><title>&j;</title></item></channel></rss>";
    Schreiben(Datei(QStringLiteral("lachen.xml")), lachen);
    Schreiben(Datei(QStringLiteral("xxe.xml")),
              "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY x SYSTEM \"" +
                  QUrl::fromLocalFile(geheim).toEncoded() +
                  "\">]><rss><channel><item><title>&x;</title></item></channel></rss>");
    Schreiben(Datei(QStringLiteral("utf8.xml")),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss><channel><item><title>a\xc3\x28\xff"
              "</title></item></channel></rss>");
    Schreiben(Datei(QStringLiteral("html.xml")), "<html><body>Anmelden</body></html>");

    const struct {
        const char* pfad;
        const char* fehlerTeil; // in the feed's error, case-insensitive
    } faelle[] = {
        {"/feed/lachen.xml", "entities"},
        {"/feed/xxe.xml", "entities"},
        {"/feed/utf8.xml", "not UTF-8"},
        {"/feed/html.xml", "not a feed"},
        {"/riesig", "larger than"},
        {"/tropfen", "slow"},
        {"/schleife", "redirects"},
        // A silent server meets the speed limit (2 s) before the time limit.
        {"/stumm", "slow"},
        {"/drossel", "429"},
        {"/fehlt", "404"},
    };
    constexpr int n = sizeof faelle / sizeof faelle[0];
    FeedTakt takt = SchnellerTakt();
    takt.schneller = 1; // one round only
    FeedAbholer abholer(takt);
    QSignalSpy geaendert(&abholer, &FeedAbholer::Geaendert);
    QList<FeedQuelle> quellen;
    for (int i = 0; i < n; ++i)
        quellen.append(Quelle(i + 1, Adresse(QString::fromUtf8(faelle[i].pfad))));
    int ticks = 0;
    QTimer takte;
    QObject::connect(&takte, &QTimer::timeout, [&] { ++ticks; });
    takte.start(100);
    abholer.Setzen(quellen);
    std::set<qint64> fertig;
    ASSERT_TRUE(Warten([&] {
        for (const QList<QVariant>& s : geaendert)
            fertig.insert(s[0].toLongLong());
        return int(fertig.size()) == n;
    })) << "feeds reported: " << fertig.size();
    EXPECT_GT(ticks, 10); // the loop ran throughout
    for (int i = 0; i < n; ++i) {
        SCOPED_TRACE(faelle[i].pfad);
        const FeedStand* s = abholer.Stand(i + 1);
        ASSERT_NE(s, nullptr);
        EXPECT_TRUE(s->fehler.contains(QString::fromUtf8(faelle[i].fehlerTeil), Qt::CaseInsensitive))
            << s->fehler.toStdString();
        for (const FeedEintrag& e : s->eintraege)
            EXPECT_FALSE(e.titel.contains(QStringLiteral("GEHEIMNIS")));
        EXPECT_TRUE(s->eintraege.isEmpty() || faelle[i].pfad == std::string("/feed/utf8.xml"));
        // The next try waits at least the shortest interval.
        EXPECT_GE(QDateTime::currentDateTimeUtc().secsTo(abholer.Naechster(i + 1)), 4 * 60);
    }
}

TEST(FeedWarten, Intervalle) {
    FeedTakt t; // 15 min, at least 5 min, at most 6 h
    const struct {
        const char* name;
        FeedAusgang ausgang;
        qint64 sekunden;
    } faelle[] = {
        {"plain success", {true, 0, std::nullopt, std::nullopt, std::nullopt}, 900},
        {"ttl longer", {true, 0, 60, std::nullopt, std::nullopt}, 3600},
        {"ttl shorter is not taken", {true, 0, 1, std::nullopt, std::nullopt}, 900},
        {"max-age longer", {true, 0, std::nullopt, 7200, std::nullopt}, 7200},
        {"max-age 0 (no-cache)", {true, 0, std::nullopt, 0, std::nullopt}, 900},
        {"ttl beyond the cap", {true, 0, 100000, std::nullopt, std::nullopt}, 6 * 3600},
        {"first failure", {false, 1, std::nullopt, std::nullopt, std::nullopt}, 300},
        {"third failure", {false, 3, std::nullopt, std::nullopt, std::nullopt}, 1200},
        {"many failures", {false, 40, std::nullopt, std::nullopt, std::nullopt}, 6 * 3600},
        {"retry-after longer", {false, 1, std::nullopt, std::nullopt, 1800}, 1800},
        {"retry-after shorter", {false, 3, std::nullopt, std::nullopt, 10}, 1200},
        {"retry-after on success", {true, 0, std::nullopt, std::nullopt, 5000}, 5000},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(FeedWarten(t, f.ausgang), f.sekunden);
    }
}

} // namespace
