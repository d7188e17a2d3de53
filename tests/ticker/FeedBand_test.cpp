// News feed items in the band: which entry a click or the pointer meets,
// when a click opens a page, and the items a rebuild appends after the
// notes (read from both files, in their colour, with link and summary).

#include "BandBilder.h"
#include "BandKlick.h"
#include "BandLayout.h"
#include "EinstellungsSatz.h"
#include "Speicher.h"
#include "TestHilfe.h"
#include "TickerInhalt.h"

#include <QFile>
#include <QFontMetrics>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace pinwick;

namespace {

// ---- the click and the double-click

struct KlickSchritt {
    enum Art { Druck, Doppel, Fragen } art;
    qint64 ms;
    const char* link; // Druck: the link under the pointer; Fragen: expected
};
struct KlickFall {
    const char* name;
    std::vector<KlickSchritt> schritte;
};

class Klick : public ::testing::TestWithParam<KlickFall> {};

TEST_P(Klick, OpensOnlyAfterTheIntervalWithoutASecondPress) {
    BandKlick klick(400);
    for (const KlickSchritt& s : GetParam().schritte) {
        switch (s.art) {
        case KlickSchritt::Druck:
            klick.Druck(s.ms, QString::fromUtf8(s.link));
            break;
        case KlickSchritt::Doppel:
            klick.Doppelklick();
            break;
        case KlickSchritt::Fragen:
            EXPECT_EQ(klick.Faellig(s.ms), QString::fromUtf8(s.link)) << "at " << s.ms;
            break;
        }
    }
}

const char* const A = "https://a.example/1";
const char* const B = "https://b.example/2";

INSTANTIATE_TEST_SUITE_P(Faelle, Klick,
                         ::testing::Values(KlickFall{"single",
                                                     {{KlickSchritt::Druck, 0, A},
                                                      {KlickSchritt::Fragen, 399, ""},
                                                      {KlickSchritt::Fragen, 400, A},
                                                      {KlickSchritt::Fragen, 900, ""}}},
                                           KlickFall{"doubleByEvent",
                                                     {{KlickSchritt::Druck, 0, A},
                                                      {KlickSchritt::Doppel, 150, ""},
                                                      {KlickSchritt::Fragen, 1000, ""}}},
                                           KlickFall{"doubleBySecondPress",
                                                     {{KlickSchritt::Druck, 0, A},
                                                      {KlickSchritt::Druck, 200, A},
                                                      {KlickSchritt::Fragen, 1000, ""}}},
                                           KlickFall{"secondPressOnSeparator",
                                                     {{KlickSchritt::Druck, 0, A},
                                                      {KlickSchritt::Druck, 200, ""},
                                                      {KlickSchritt::Fragen, 1000, ""}}},
                                           KlickFall{"pressWithoutLink",
                                                     {{KlickSchritt::Druck, 0, ""},
                                                      {KlickSchritt::Fragen, 1000, ""}}},
                                           KlickFall{"doubleStartedBesideTheText",
                                                     {{KlickSchritt::Druck, 0, ""},
                                                      {KlickSchritt::Druck, 200, A},
                                                      {KlickSchritt::Doppel, 200, ""},
                                                      {KlickSchritt::Fragen, 1000, ""}}},
                                           KlickFall{"twoSlowClicks",
                                                     {{KlickSchritt::Druck, 0, A},
                                                      {KlickSchritt::Fragen, 500, A},
                                                      {KlickSchritt::Druck, 600, B},
                                                      {KlickSchritt::Fragen, 1000, B}}},
                                           KlickFall{"tripleLeavesNothing",
                                                     {{KlickSchritt::Druck, 0, A},
                                                      {KlickSchritt::Druck, 100, A},
                                                      {KlickSchritt::Doppel, 100, ""},
                                                      {KlickSchritt::Druck, 200, A},
                                                      {KlickSchritt::Fragen, 599, ""},
                                                      {KlickSchritt::Fragen, 600, A}}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KlickWarten, TellsHowLongUntilDue) {
    BandKlick klick(400);
    EXPECT_EQ(klick.MsBis(0), -1);
    klick.Druck(100, QString::fromUtf8(A));
    EXPECT_EQ(klick.MsBis(100), 400);
    EXPECT_EQ(klick.MsBis(450), 50);
    EXPECT_EQ(klick.MsBis(900), 0);
    klick.Doppelklick();
    EXPECT_EQ(klick.MsBis(900), -1);
}

// ---- which entry lies under a point

enum class Ort { Anfang, Trenner, Zweiter, Ende, NaechsterPass };

struct TrefferFall {
    const char* name;
    bool scrollend;
    qreal dpr;
    double xTwips; // where the line starts
    Ort ort;       // a place in the pass, resolved against the font
    double plus;   // logical pixels from there (where the band shows it)
    int erwartet;
};

class Treffer : public ::testing::TestWithParam<TrefferFall> {};

TEST_P(Treffer, FindsTheEntryUnderThePoint) {
    const TrefferFall& f = GetParam();
    const QFont schrift = test::Schrift("DejaVu Sans", 12);
    BandLayout l;
    l.Aussehen(schrift, Qt::red, Qt::green, 60);
    const std::vector<Eintrag> eintraege = {{Eintrag::Eigene, QStringLiteral("MMMM")},
                                            {Eintrag::Feed, QStringLiteral("WWWW"), 255}};
    l.Nehmen(eintraege, test::BandTrenner, f.scrollend);
    const QFontMetrics fm(schrift);
    const int m = fm.horizontalAdvance(QStringLiteral("MMMM "));
    const int w = fm.horizontalAdvance(QStringLiteral("WWWW "));
    const int t = fm.horizontalAdvance(test::BandTrenner + u' ');
    const int pass = m + t + w + (f.scrollend ? t : 0);
    const double basis[] = {0, double(m), double(m + t), double(m + t + w), double(pass)};
    const double px = basis[int(f.ort)] + f.plus;
    const qint64 bandDev = qint64(2000 * f.dpr);
    EXPECT_EQ(l.EintragBei(f.xTwips, f.scrollend, f.dpr, bandDev, qint64(px * f.dpr)), f.erwartet);
}

// 15 twips make a pixel: 1500 twips start the line 100 pixels in.
INSTANTIATE_TEST_SUITE_P(
    Faelle, Treffer,
    ::testing::Values(
        TrefferFall{"firstEntry", false, 1, 0, Ort::Anfang, 2, 0},
        TrefferFall{"separator", false, 1, 0, Ort::Trenner, 2, -1},
        TrefferFall{"secondEntry", false, 1, 0, Ort::Zweiter, 2, 1},
        TrefferFall{"afterTheText", false, 1, 0, Ort::Ende, 50, -1},
        TrefferFall{"beforeTheText", false, 1, 1500, Ort::Anfang, 50, -1},
        TrefferFall{"shiftedRight", false, 1, 1500, Ort::Anfang, 102, 0},
        TrefferFall{"doublePixels", false, 2, 0, Ort::Zweiter, 2, 1},
        TrefferFall{"scrolledLeft", true, 1, -600, Ort::Zweiter, 2 - 40, 1},
        TrefferFall{"scrolledIntoTheSeparator", true, 1, -600, Ort::Zweiter, -2 - 40, -1},
        TrefferFall{"nextPass", true, 1, 0, Ort::NaechsterPass, 2, 0},
        TrefferFall{"nextPassDoublePixels", true, 2, 0, Ort::NaechsterPass, 2, 0},
        TrefferFall{"noRepetitionWhenStatic", false, 1, 0, Ort::NaechsterPass, 2, -1}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the rhythm for tests, from the environment

struct TaktFall {
    const char* wert;
    double schneller;
};
class TaktAusUmgebung : public ::testing::TestWithParam<TaktFall> {};
TEST_P(TaktAusUmgebung, ShortensOnlyForSensibleValues) {
    EXPECT_DOUBLE_EQ(FeedTaktAusUmgebung(GetParam().wert).schneller, GetParam().schneller);
}
INSTANTIATE_TEST_SUITE_P(Faelle, TaktAusUmgebung,
                         ::testing::Values(TaktFall{"", 1}, TaktFall{"900", 900},
                                           TaktFall{" 60 ", 60}, TaktFall{"0", 1},
                                           TaktFall{"-5", 1}, TaktFall{"0.5", 1},
                                           TaktFall{"viel", 1}, TaktFall{"1e9", 1},
                                           TaktFall{"nan", 1}));

// ---- the link of an entry

TEST(Verweis, OnlyFeedItemsAtTheEndHaveOne) {
    const std::vector<Eintrag> eintraege = {{Eintrag::Eigene, QStringLiteral("n")},
                                            {Eintrag::Broadcast, QStringLiteral("b")},
                                            {Eintrag::Feed, QStringLiteral("f1")},
                                            {Eintrag::Feed, QStringLiteral("f2")}};
    const std::vector<FeedVerweis> verweise = {
        {QStringLiteral("https://x/1"), QStringLiteral("eins")},
        {QStringLiteral("https://x/2"), QStringLiteral("zwei")}};
    const struct {
        size_t index;
        const char* link;
    } faelle[] = {{0, nullptr}, {1, nullptr}, {2, "https://x/1"}, {3, "https://x/2"}, {4, nullptr}};
    for (const auto& f : faelle) {
        const FeedVerweis* v = TickerInhalt::Verweis(eintraege, verweise, f.index);
        if (!f.link)
            EXPECT_EQ(v, nullptr) << f.index;
        else
            EXPECT_TRUE(v && v->link == QString::fromUtf8(f.link)) << f.index;
    }
    // More links than entries: the lists do not belong together.
    EXPECT_EQ(TickerInhalt::Verweis({eintraege[3]}, verweise, 0), nullptr);
}

// ---- a rebuild with feeds

class FeedInhalt : public ::testing::Test {
protected:
    void SetUp() override {
        EinstellungenLaden(u.p);
        u.p.uhr.Stellen(QDateTime(QDate(2027, 3, 10), QTime(10, 0, 0)));
        inhalt.verzugWuerfeln = [] { return 0; };
        inhalt.textBreite = [](const QString& t) { return int(t.size()) * 100; };
        inhalt.bandBreite = [] { return 100000; };
        inhalt.feedsGeaendert = [this] { ++geaendert; };
        inhalt.feedCache = u.Pfad(QStringLiteral("feeds.json"));
        u.p.lokaleDatenbank->SchemaErgaenzen();
    }

    // Items in the cache, as a fetch before a restart left them: a rebuild
    // shows them at once, without the network.
    void cacheSchreiben(const QList<std::pair<QString, QStringList>>& feeds) {
        QJsonArray liste;
        for (const auto& [adresse, titel] : feeds) {
            QJsonArray eintraege;
            for (const QString& t : titel)
                eintraege.append(QJsonObject{
                    {"titel", t},
                    {"link", t.startsWith(u'!') ? "javascript:alert(1)" : adresse + "#" + t},
                    {"zusammenfassung", "Summary of " + t}});
            liste.append(
                QJsonObject{{"adresse", adresse},
                            {"titel", "Feed " + QUrl(adresse).path().mid(1)},
                            {"geholt", QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
                            {"eintraege", eintraege}});
        }
        QFile f(inhalt.feedCache);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QJsonDocument(QJsonObject{{"feeds", liste}}).toJson());
    }

    void aufbauen() {
        u.p.aufbauZaehler = TickerInhalt::AufbauTakte;
        inhalt.NotizMachen();
    }
    QStringList texte() const {
        QStringList l;
        for (const Eintrag& e : u.p.eintraege)
            l << QString::number(e.quelle) + ":" + e.text +
                     (e.quelle == Eintrag::Feed ? "/" + QString::number(e.farbe) : "");
        return l;
    }

    test::TestUmgebung u;
    TickerInhalt inhalt{u.p};
    int geaendert = 0;
};

const QString A1 = QStringLiteral("http://127.0.0.1:9/a");
const QString B1 = QStringLiteral("http://127.0.0.1:9/b");

TEST_F(FeedInhalt, NoFeedsNoFetchingAndTheSameEntries) {
    test::NotizEinfuegen(*u.p.lokaleNotizen, [] {
        test::NotizZeile z;
        z.inhalt = QStringLiteral("Note");
        z.rhythmus = 0;
        return z;
    }());
    aufbauen();
    EXPECT_EQ(texte(), QStringList{"0:Note"});
    EXPECT_EQ(inhalt.Feeds(), nullptr);
    EXPECT_TRUE(u.p.feedVerweise.empty());
}

TEST_F(FeedInhalt, ItemsFollowTheNotesInTheirColourWithLinkAndSummary) {
    cacheSchreiben({{A1, {"a1", "a2", "a3"}}, {B1, {"!b1"}}});
    test::NotizEinfuegen(*u.p.lokaleNotizen, [] {
        test::NotizZeile z;
        z.inhalt = QStringLiteral("Note");
        z.rhythmus = 0;
        return z;
    }());
    u.p.lokaleDatenbank->Ausfuehren(
        QStringLiteral("INSERT INTO Feeds (Adresse, Titel, Farbe, Anzahl, Aktiv) VALUES "
                       "('%1', NULL, 255, 2, -1), ('%2', 'Bee', -1, 3, -1)")
            .arg(A1, B1));
    aufbauen();
    EXPECT_EQ(texte(),
              (QStringList{"0:Note", "2:Feed a: a1/255", "2:Feed a: a2/255", "2:Bee: !b1/-1"}));
    ASSERT_EQ(u.p.feedVerweise.size(), 3u);
    EXPECT_EQ(u.p.feedVerweise[0].link, A1 + "#a1");
    EXPECT_EQ(u.p.feedVerweise[1].tooltip, QStringLiteral("Summary of a2"));
    EXPECT_EQ(u.p.feedVerweise[2].link, QString()) << "a javascript: link is never kept";
    EXPECT_TRUE(u.p.gezeigterText.endsWith(QStringLiteral("Bee: !b1") + u.p.trennText));

    // Switched off: its items go at the next rebuild; the list is read anew
    // at every rebuild, the fetching told only of a change.
    u.p.lokaleDatenbank->Ausfuehren(QStringLiteral("UPDATE Feeds SET Aktiv = 0 WHERE ID = 1"));
    aufbauen();
    EXPECT_EQ(texte(), (QStringList{"0:Note", "2:Bee: !b1/-1"}));
    ASSERT_NE(inhalt.Feeds(), nullptr);
    EXPECT_EQ(inhalt.Feeds()->Quellen().size(), 1);
}

TEST_F(FeedInhalt, BroadcastersFeedsComeFirstAndNeverMeetTheOwn) {
    cacheSchreiben({{A1, {"a1"}}, {B1, {"b1"}}});
    const QString senderPfad = u.NeueDatenbank(QStringLiteral("sender.kav"));
    {
        Datenbank sender(senderPfad);
        sender.SchemaErgaenzen();
        sender.Ausfuehren(QStringLiteral("INSERT INTO Feeds (Adresse, Titel, Farbe, Anzahl, Aktiv) "
                                         "VALUES ('%1', 'S', 65280, 1, -1)")
                              .arg(B1));
    }
    u.p.lokaleDatenbank->Ausfuehren(QStringLiteral("INSERT INTO Feeds (Adresse, Titel, Farbe, "
                                                   "Anzahl, Aktiv) VALUES ('%1', 'O', 255, 1, -1)")
                                        .arg(A1));
    u.p.broadcastStatus = true;
    u.p.broadcastPfad = senderPfad;
    BroadcastOeffnen(u.p);
    ASSERT_FALSE(u.p.netzFehler);
    aufbauen();
    EXPECT_EQ(texte(), (QStringList{"2:S: b1/65280", "2:O: a1/255"}));
    ASSERT_EQ(inhalt.FeedQuellen().size(), 2);
    EXPECT_EQ(inhalt.FeedQuellen()[0].id, -1);
    EXPECT_EQ(inhalt.FeedQuellen()[1].id, 1);

    // A receiver no longer: the broadcaster's feed goes.
    u.p.broadcastStatus = false;
    aufbauen();
    EXPECT_EQ(texte(), (QStringList{"2:O: a1/255"}));
}

TEST_F(FeedInhalt, AFileWithoutTheTableHasNoFeeds) {
    // A broadcaster's file of an older version: nothing is written to it.
    const QString senderPfad = u.NeueDatenbank(QStringLiteral("alt.kav"));
    u.p.broadcastStatus = true;
    u.p.broadcastPfad = senderPfad;
    BroadcastOeffnen(u.p);
    aufbauen();
    EXPECT_EQ(inhalt.Feeds(), nullptr);
    EXPECT_TRUE(inhalt.FeedQuellen().isEmpty());
}

} // namespace
