// pinwick-notes feed on notes files: what each command writes and prints,
// its refusals with their exit status, a file of an earlier version that
// gets the table, and how the table is read back.

#include "Datenbank.h"
#include "FeedQuellen.h"
#include "NotizenBefehl.h"
#include "TestHilfe.h"

#include <gtest/gtest.h>

namespace pinwick {
namespace {

struct Lauf {
    int status = -1;
    QString aus, fehler;
};

Lauf Ausfuehren(const QString& datei, const QStringList& argumente) {
    Lauf l;
    QTextStream aus(&l.aus), fehler(&l.fehler);
    NotizenUmgebung u;
    u.jetzt = QDateTime(QDate(2026, 12, 9), QTime(10, 0));
    u.eigeneDatei = datei;
    u.warteMs = 300;
    u.aus = &aus;
    u.fehler = &fehler;
    l.status = NotizenProgramm(argumente, u);
    aus.flush();
    fehler.flush();
    return l;
}

QStringList W(const char* text) {
    return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts);
}

// A file without the table (as every file before feeds): the first feed
// command adds it; a sequence of commands then gives the listed rows.
TEST(FeedBefehl, AblaeufeAufEinerAltenDatei) {
    struct Schritt {
        const char* befehl;
        int status;
        const char* aus;        // expected standard output (exact)
        const char* fehlerTeil; // part of the stderr line, "" for none
    };
    struct Fall {
        const char* name;
        std::vector<Schritt> schritte;
    };
    const Fall faelle[] = {
        {"add with defaults, list",
         {{"feed add https://news.example/rss", 0, "1\n", ""},
          {"feed list", 0, "1\ton\t3\tdefault\t\thttps://news.example/rss\n", ""}}},
        {"add with options, switch off and on, remove",
         {{"feed add http://it.example/status.xml --title IT --items 5 --colour #ff8000", 0, "1\n", ""},
          {"feed add https://b.example/atom", 0, "2\n", ""},
          {"feed off 1", 0, "", ""},
          {"feed list", 0,
           "1\toff\t5\t#FF8000\tIT\thttp://it.example/status.xml\n"
           "2\ton\t3\tdefault\t\thttps://b.example/atom\n",
           ""},
          {"feed on 1", 0, "", ""},
          {"feed remove 2", 0, "", ""},
          {"feed list", 0, "1\ton\t5\t#FF8000\tIT\thttp://it.example/status.xml\n", ""}}},
        {"refusals change nothing",
         {{"feed add file:///etc/passwd", 2, "", "no http or https address"},
          {"feed add javascript:alert(1)", 2, "", "no http or https address"},
          {"feed add https://user:pw@news.example/", 2, "", "without a user name"},
          {"feed add https://news.example/ --items 0", 2, "", "--items"},
          {"feed add https://news.example/ --items 21", 2, "", "--items"},
          {"feed add https://news.example/ --colour red", 2, "", "--colour"},
          {"feed add https://news.example/ --colour #12345", 2, "", "--colour"},
          {"feed add", 2, "", "needs the feed's URL"},
          {"feed add https://a.example/ https://b.example/", 2, "", "one URL"},
          {"feed list --title x", 2, "", "belong to feed add"},
          {"feed remove 7", 1, "", "no feed with ID 7"},
          {"feed off x", 2, "", "no feed ID"},
          {"feed on", 2, "", "one ID"},
          {"feed", 2, "", "add, list, remove, on or off"},
          {"feed fetch", 2, "", "unknown feed command"},
          {"feed list --due", 2, "", "--due is not an option of feed"},
          {"feed list", 0, "", ""}}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        test::TestUmgebung u;
        const QString datei = u.NeueDatenbank(QStringLiteral("alt.kav"));
        for (const Schritt& s : f.schritte) {
            SCOPED_TRACE(s.befehl);
            const Lauf l = Ausfuehren(datei, W(s.befehl));
            EXPECT_EQ(l.status, s.status) << l.fehler.toStdString();
            EXPECT_EQ(l.aus, QString::fromUtf8(s.aus));
            if (*s.fehlerTeil) {
                EXPECT_TRUE(l.fehler.contains(QString::fromUtf8(s.fehlerTeil))) << l.fehler.toStdString();
            } else {
                EXPECT_EQ(l.fehler, QString());
            }
        }
    }
}

TEST(FeedBefehl, NotizenBefehleErgaenzenDieTabelleAuch) {
    test::TestUmgebung u;
    const QString datei = u.NeueDatenbank(QStringLiteral("alt.kav"));
    // Reading leaves an old file as it is; writing a note adds the table.
    for (const auto& [befehl, tabelleDanach] :
         std::vector<std::pair<const char*, bool>>{{"list", false}, {"add Hallo", true}}) {
        SCOPED_TRACE(befehl);
        EXPECT_EQ(Ausfuehren(datei, W(befehl)).status, 0);
        Datenbank db(datei);
        auto t = db.OpenRecordset(QStringLiteral("select * from sqlite_master"));
        bool da = false;
        for (t->MoveFirst(); !t->Eof(); t->MoveNext())
            da = da || t->Feld(u"name").alsText() == QLatin1String("Feeds");
        EXPECT_EQ(da, tabelleDanach);
    }
}

// Rows as another program (or a hand) may have left them: read into range.
TEST(FeedQuellen, ZeilenWerdenInDenRahmenGelesen) {
    test::TestUmgebung u;
    const QString datei = u.NeueDatenbank(QStringLiteral("f.kav"));
    Datenbank db(datei);
    // No table: no feeds, and nothing written.
    EXPECT_TRUE(FeedsLesen(db).isEmpty());
    db.SchemaErgaenzen();
    db.Ausfuehren(QStringLiteral(
        "INSERT INTO Feeds (Adresse, Titel, Farbe, Anzahl, Aktiv) VALUES "
        "('https://a.example/', 'A', 255, 3, -1), "
        "(' https://b.example/ ', NULL, NULL, NULL, NULL), "
        "('https://c.example/', 'C', -5, 99, 0), "
        "('file:///etc/passwd', 'D', 16777216, -2, -1), "
        "('https://e.example/', 'E', 'rot', 'viele', 'ja')"));
    const QList<FeedQuelle> feeds = FeedsLesen(db);
    const QList<FeedQuelle> erwartet = {
        {1, QStringLiteral("https://a.example/"), QStringLiteral("A"), 255, 3, true},
        {2, QStringLiteral("https://b.example/"), QString(), FeedFarbeStandard, FeedAnzahlStandard, true},
        {3, QStringLiteral("https://c.example/"), QStringLiteral("C"), FeedFarbeStandard, FeedAnzahlHoechstens, false},
        {4, QStringLiteral("file:///etc/passwd"), QStringLiteral("D"), FeedFarbeStandard, 1, false},
        {5, QStringLiteral("https://e.example/"), QStringLiteral("E"), FeedFarbeStandard, FeedAnzahlStandard, true},
    };
    ASSERT_EQ(feeds.size(), erwartet.size());
    for (qsizetype i = 0; i < feeds.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(feeds[i], erwartet[i]);
    }
}

TEST(FeedQuellen, AdresseAendern) {
    test::TestUmgebung u;
    const QString datei = u.NeueDatenbank(QStringLiteral("f.kav"));
    ASSERT_EQ(Ausfuehren(datei, W("feed add https://alt.example/rss")).status, 0);
    Datenbank db(datei);
    const struct {
        qint64 id;
        const char* neu;
        bool gelingt;
        const char* danach;
    } faelle[] = {
        {1, "https://neu.example/rss", true, "https://neu.example/rss"},
        {1, "file:///etc/passwd", false, "https://neu.example/rss"},
        {1, "https://u:p@x.example/", false, "https://neu.example/rss"},
        {2, "https://other.example/", false, "https://neu.example/rss"},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.neu);
        EXPECT_EQ(FeedAdresseAendern(db, f.id, QString::fromUtf8(f.neu)), f.gelingt);
        EXPECT_EQ(FeedsLesen(db).value(0).adresse, QString::fromUtf8(f.danach));
    }
}

TEST(FeedQuellen, Farben) {
    const struct {
        const char* text;
        std::optional<int> farbe;
        const char* zurueck;
    } faelle[] = {
        {"#FF0000", 0x0000FF, "#FF0000"}, {"#00ff80", 0x80FF00, "#00FF80"},
        {"#abc", 0xCCBBAA, "#AABBCC"},    {" #123456 ", 0x563412, "#123456"},
        {"FF0000", std::nullopt, ""},     {"#GG0000", std::nullopt, ""},
        {"#1234567", std::nullopt, ""},   {"#", std::nullopt, ""},
        {"#-12345", std::nullopt, ""},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.text);
        EXPECT_EQ(FarbeLesen(QString::fromUtf8(f.text)), f.farbe);
        if (f.farbe) {
            EXPECT_EQ(FarbeText(*f.farbe), QString::fromUtf8(f.zurueck));
        }
    }
    EXPECT_EQ(FarbeText(FeedFarbeStandard), QStringLiteral("default"));
}

} // namespace
} // namespace pinwick
