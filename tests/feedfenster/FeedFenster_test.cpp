// The "News feeds" window driven offscreen: adding (a bad address refused
// with a message), switching off and on, removing, and what it shows of the
// fetching.

#include "FeedFenster.h"
#include "FeedQuellen.h"
#include "TestHilfe.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace pinwick;

namespace {

class Fenster : public ::testing::Test {
protected:
    void SetUp() override {
        u.p.Sprache = 1;
        fenster = std::make_unique<FeedFenster>(u.p, nullptr);
        adresse = fenster->findChild<QLineEdit*>(QStringLiteral("adresseText"));
        liste = fenster->findChild<QTableWidget*>(QStringLiteral("liste"));
        meldung = fenster->findChild<QLabel*>(QStringLiteral("meldung"));
        ASSERT_TRUE(adresse && liste && meldung);
    }
    void klicken(const char* name) {
        auto* knopf = fenster->findChild<QPushButton*>(QString::fromUtf8(name));
        ASSERT_NE(knopf, nullptr) << name;
        knopf->click();
    }
    QList<FeedQuelle> feeds() { return FeedsLesen(*u.p.lokaleDatenbank); }
    QString zelle(int r, int c) const {
        const QTableWidgetItem* feld = liste->item(r, c);
        return feld ? feld->text() : QStringLiteral("<none>");
    }

    test::TestUmgebung u;
    std::unique_ptr<FeedFenster> fenster;
    QLineEdit* adresse = nullptr;
    QTableWidget* liste = nullptr;
    QLabel* meldung = nullptr;
};

TEST_F(Fenster, AddingTakesOnlyWhatFeedAddTakes) {
    const struct {
        const char* eingabe;
        const char* gespeichert; // nullptr: refused
    } faelle[] = {
        {"https://news.example/feed.xml", "https://news.example/feed.xml"},
        {"  http://intranet.example/rss  ", "http://intranet.example/rss"},
        {"https://news.example/a b", nullptr}, // strict, as feed add reads it
        {"https://news.example/%C3%BC", "https://news.example/%C3%BC"},
        {"file:///etc/passwd", nullptr},
        {"javascript:alert(1)", nullptr},
        {"https://user:pw@news.example/", nullptr},
        {"news.example/feed", nullptr},
        {"", nullptr},
    };
    int zeilen = 0;
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.eingabe);
        adresse->setText(QString::fromUtf8(f.eingabe));
        klicken("hinzufuegenBef");
        if (f.gespeichert) {
            ++zeilen;
            ASSERT_EQ(feeds().size(), zeilen);
            EXPECT_EQ(feeds().back().adresse, QString::fromUtf8(f.gespeichert));
            EXPECT_TRUE(meldung->text().isEmpty());
            EXPECT_TRUE(adresse->text().isEmpty());
        } else {
            EXPECT_EQ(feeds().size(), zeilen);
            EXPECT_FALSE(meldung->text().isEmpty());
            EXPECT_EQ(adresse->text(), QString::fromUtf8(f.eingabe)) << "kept for correcting";
        }
        EXPECT_EQ(liste->rowCount(), zeilen);
    }
}

TEST_F(Fenster, SwitchOffOnAndRemove) {
    for (const char* a : {"https://a.example/", "https://b.example/"}) {
        adresse->setText(QString::fromUtf8(a));
        klicken("hinzufuegenBef");
    }
    ASSERT_EQ(liste->rowCount(), 2);
    EXPECT_EQ(zelle(1, 2), QStringLiteral("on"));

    struct Schritt {
        int zeile;
        const char* knopf;
        std::vector<std::pair<const char*, bool>> danach; // address, on
    };
    const Schritt schritte[] = {
        {0, "schaltenBef", {{"https://a.example/", false}, {"https://b.example/", true}}},
        {0, "schaltenBef", {{"https://a.example/", true}, {"https://b.example/", true}}},
        {1, "schaltenBef", {{"https://a.example/", true}, {"https://b.example/", false}}},
        {0, "entfernenBef", {{"https://b.example/", false}}},
        {0, "entfernenBef", {}},
    };
    for (const Schritt& s : schritte) {
        SCOPED_TRACE(testing::Message() << s.knopf << " on row " << s.zeile);
        liste->selectRow(s.zeile);
        klicken(s.knopf);
        const QList<FeedQuelle> f = feeds();
        ASSERT_EQ(f.size(), qsizetype(s.danach.size()));
        for (size_t i = 0; i < s.danach.size(); ++i) {
            EXPECT_EQ(f[qsizetype(i)].adresse, QString::fromUtf8(s.danach[i].first));
            EXPECT_EQ(f[qsizetype(i)].aktiv, s.danach[i].second);
            EXPECT_EQ(zelle(int(i), 2),
                      s.danach[i].second ? QStringLiteral("on") : QStringLiteral("off"));
        }
    }
    // Nothing left to choose: the buttons say so instead of doing anything.
    klicken("entfernenBef");
    EXPECT_TRUE(feeds().isEmpty());
}

TEST_F(Fenster, NothingChosenIsTold) {
    adresse->setText(QStringLiteral("https://a.example/"));
    klicken("hinzufuegenBef");
    liste->setCurrentCell(-1, -1);
    for (const char* knopf : {"schaltenBef", "entfernenBef"}) {
        SCOPED_TRACE(knopf);
        meldung->clear();
        klicken(knopf);
        EXPECT_FALSE(meldung->text().isEmpty());
        ASSERT_EQ(feeds().size(), 1);
        EXPECT_TRUE(feeds().front().aktiv);
    }
}

TEST(FensterSprache, CaptionsInBothLanguages) {
    const struct {
        int16_t sprache;
        const char* titel;
        const char* hinzufuegen;
    } faelle[] = {{1, "News feeds", "Add"}, {2, "Nachrichtenfeeds", "Hinzuf\u00FCgen"}};
    for (const auto& f : faelle) {
        test::TestUmgebung u;
        u.p.Sprache = f.sprache;
        FeedFenster fenster(u.p, nullptr);
        EXPECT_EQ(fenster.windowTitle(), QString::fromUtf8(f.titel));
        EXPECT_EQ(fenster.findChild<QPushButton*>(QStringLiteral("hinzufuegenBef"))->text(),
                  QString::fromUtf8(f.hinzufuegen));
    }
}

} // namespace

namespace {

// The window is behind the sysop password as the settings are.
TEST(FensterZugang, BehindThePasswordOnlyInSysopMode) {
    const struct {
        const char* was;
        bool sysop;
        bool passwortRichtig;
        bool gefragt;
        bool erlaubt;
    } faelle[] = {
        {"no sysop mode", false, false, false, true},
        {"sysop, right password", true, true, true, true},
        {"sysop, refused", true, false, true, false},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.was);
        test::TestUmgebung u;
        u.p.sysopStatus = f.sysop;
        // A grant from an earlier prompt does not count again.
        u.p.zugangErlaubt = true;
        bool gefragt = false;
        const bool erlaubt = FeedFensterErlaubt(u.p, [&](Programm& p) {
            gefragt = true;
            p.zugangErlaubt = f.passwortRichtig;
        });
        EXPECT_EQ(gefragt, f.gefragt);
        EXPECT_EQ(erlaubt, f.erlaubt);
    }
}

} // namespace
