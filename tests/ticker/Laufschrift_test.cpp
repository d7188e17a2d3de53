// The reader's say over the band's motion on the bar: pointer and focus
// stand it, a stop shows pages turned by hand, the desktop's wish for less
// motion shows pages that turn by themselves. Every case uses notes that
// overflow the band; the bar's clock is stepped by hand.

#include "Band.h"
#include "BandBewegung.h"
#include "Datenbank.h"
#include "Panel3D.h"
#include "Speicher.h"
#include "Terminal.h"
#include "TestHilfe.h"
#include "TestLeiste.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QMenu>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <memory>

using namespace pinwick;
using pinwick::test::TestUmgebung;

namespace {

class LaufschriftTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::LeisteEinstellen(u.p);
        u.p.Speed = 30;
        u.p.Sprache = 1;
        u.p.uhr.Stellen(QDateTime(QDate(2026, 12, 8), QTime(13, 5, 9)));
        test::LangeNotizen(u.p);
    }

    std::unique_ptr<test::TestLeiste> laden() {
        auto leiste = std::make_unique<test::TestLeiste>(u.p);
        leiste->Timer1Aktiv(false);
        leiste->Tick();
        return leiste;
    }

    // One tick 50 ms later.
    void takt(Terminal& leiste) {
        u.p.uhr.VorstellenMs(50);
        leiste.Tick();
    }

    TestUmgebung u;
};

// What stands the band, and what lets it go on.
struct Halt {
    const char* name;
    std::function<void(Terminal&, bool)> setzen;
};

TEST_F(LaufschriftTest, ZeigerUndFokusStehenDasBandDieUhrLaeuft) {
    const Halt faelle[] = {
        {"Zeiger", [](Terminal& l, bool an) { l.ZeigerUeberBand(an); }},
        {"Fokus", [](Terminal& l, bool an) { l.FokusAufLeiste(an); }},
        {"Fokusereignis",
         [](Terminal& l, bool an) {
             QFocusEvent e(an ? QEvent::FocusIn : QEvent::FocusOut, Qt::OtherFocusReason);
             QApplication::sendEvent(&l, &e);
         }},
        {"Zeigerereignis",
         [](Terminal& l, bool an) {
             if (an) {
                 QEnterEvent e(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
                 QApplication::sendEvent(l.NotizPan(), &e);
             } else {
                 QEvent e(QEvent::Leave);
                 QApplication::sendEvent(l.NotizPan(), &e);
             }
         }},
    };
    for (const Halt& f : faelle) {
        auto leiste = laden();
        Band* band = leiste->NotizPan();
        ASSERT_EQ(u.p.anzeigeModus, TickerInhalt::Scrollend) << f.name;
        for (int i = 0; i < 3; ++i)
            takt(*leiste);
        const double stand = band->X();
        ASSERT_LT(stand, 101) << f.name;

        f.setzen(*leiste, true);
        EXPECT_EQ(leiste->Bewegung().Zustand(), BandBewegung::Art::Stehend) << f.name;
        const QString uhr = leiste->UhrPan()->text();
        for (int i = 0; i < 40; ++i)
            takt(*leiste);
        EXPECT_EQ(band->X(), stand) << f.name;
        EXPECT_NE(leiste->UhrPan()->text(), uhr) << f.name;
        // It sleeps like a standing band: until the clock's next second.
        EXPECT_GT(leiste->NaechsterTaktIn(), 50) << f.name;
        EXPECT_EQ(band->Marke(), QString()) << f.name;

        // It goes on from where it stood.
        f.setzen(*leiste, false);
        EXPECT_EQ(leiste->NaechsterTaktIn(), 50) << f.name;
        takt(*leiste);
        EXPECT_EQ(band->X(), stand - 30) << f.name;
    }
}

TEST_F(LaufschriftTest, AnhaltenZeigtSeitenDieManUmblaettert) {
    auto leiste = laden();
    takt(*leiste);
    Band* band = leiste->NotizPan();
    QAction* eintrag = leiste->KontextMen()->findChild<QAction*>(QStringLiteral("laufschriftAnhalten"));
    ASSERT_NE(eintrag, nullptr);
    EXPECT_EQ(eintrag->text(), QStringLiteral("Stop scrolling   Space"));

    leiste->Anhalten(true);
    takt(*leiste);
    const size_t seiten = leiste->SeitenAnzahl();
    ASSERT_GT(seiten, 2u);
    EXPECT_EQ(leiste->Seite(), 0u);
    EXPECT_EQ(band->X(), 101);
    EXPECT_EQ(band->Marke(), SeitenMarke(0, seiten));
    EXPECT_EQ(eintrag->text(), QStringLiteral("Resume scrolling   Space"));
    // Stopped pages stay until the reader turns them; the bar sleeps.
    u.p.uhr.Vorstellen(120);
    leiste->Tick();
    EXPECT_EQ(leiste->Seite(), 0u);
    EXPECT_GT(leiste->NaechsterTaktIn(), 50);

    struct Blatt {
        const char* name;
        std::function<void()> tun;
        size_t seite;
    };
    const auto taste = [&](Qt::Key k) { return [&, k] { QTest::keyClick(leiste.get(), k); }; };
    const auto rad = [&](int dreh) {
        return [&, dreh] {
            QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, dreh), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(leiste.get(), &e);
        };
    };
    const Blatt faelle[] = {
        {"rechts", taste(Qt::Key_Right), 1},
        {"runter", taste(Qt::Key_Down), 2},
        {"links", taste(Qt::Key_Left), 1},
        {"Rad weg", rad(-120), 2},
        {"Rad her", rad(120), 1},
        {"hoch", taste(Qt::Key_Up), 0},
        {"vor die erste: die letzte", taste(Qt::Key_PageUp), seiten - 1},
        {"nach der letzten: die erste", taste(Qt::Key_PageDown), 0},
    };
    for (const Blatt& f : faelle) {
        f.tun();
        takt(*leiste);
        EXPECT_EQ(leiste->Seite(), f.seite) << f.name;
        EXPECT_EQ(band->Marke(), SeitenMarke(f.seite, seiten)) << f.name;
    }

    // Space lets it scroll again, with no mark; and stops it again.
    QTest::keyClick(leiste.get(), Qt::Key_Space);
    EXPECT_FALSE(leiste->Bewegung().IstAngehalten());
    takt(*leiste);
    takt(*leiste);
    EXPECT_EQ(band->Marke(), QString());
    EXPECT_LT(band->X(), 101);
    QTest::keyClick(leiste.get(), Qt::Key_Space);
    EXPECT_TRUE(leiste->Bewegung().IstAngehalten());
}

TEST_F(LaufschriftTest, AnhaltenBleibtUeberDenNeustart) {
    ASSERT_GE(u.p.lokaleEinstellungen->Spalte(u"laufschriftAngehalten"), 0);
    {
        auto leiste = laden();
        EXPECT_FALSE(leiste->Bewegung().IstAngehalten());
        leiste->Anhalten(true);
        leiste->TrotzdemScrollenSetzen(true);
    }
    // Read back from the file, not from memory.
    LokalOeffnen(u.p);
    {
        auto leiste = laden();
        EXPECT_TRUE(leiste->Bewegung().IstAngehalten());
        EXPECT_TRUE(leiste->Bewegung().ScrolltTrotzdem());
        leiste->Anhalten(false);
    }
    LokalOeffnen(u.p);
    auto leiste = laden();
    EXPECT_FALSE(leiste->Bewegung().IstAngehalten());
}

TEST_F(LaufschriftTest, WenigerBewegungBlaettertSelbst) {
    struct Fall {
        const char* name;
        bool schonBeimStart;
    };
    for (const Fall f : {Fall{"beim Start", true}, Fall{"im Lauf", false}}) {
        auto leiste = std::make_unique<test::TestLeiste>(u.p);
        leiste->Timer1Aktiv(false);
        if (f.schonBeimStart)
            leiste->WenigerBewegungSetzen(true);
        leiste->Tick();
        takt(*leiste);
        if (!f.schonBeimStart) {
            EXPECT_LT(leiste->NotizPan()->X(), 101) << f.name;
            leiste->WenigerBewegungSetzen(true);
            takt(*leiste);
        }
        const size_t seiten = leiste->SeitenAnzahl();
        ASSERT_GT(seiten, 1u) << f.name;
        ASSERT_EQ(leiste->Seite(), 0u) << f.name;
        // The offer to scroll anyway shows only now.
        QAction* trotzdem =
            leiste->KontextMen()->findChild<QAction*>(QStringLiteral("trotzdemScrollen"));
        ASSERT_NE(trotzdem, nullptr);
        EXPECT_TRUE(trotzdem->isVisible()) << f.name;

        // A page stands at least five seconds. The bar sleeps from one
        // thing due to the next (the clock's seconds, the rebuilds), never
        // a 50 ms step, until the page turns.
        qint64 gestanden = 0;
        int wecker = 0;
        while (leiste->Seite() == 0 && wecker < 200) {
            const qint64 bis = leiste->NaechsterTaktIn();
            EXPECT_GT(bis, 50) << f.name << " after " << gestanden;
            u.p.uhr.VorstellenMs(bis);
            gestanden += bis;
            ++wecker;
            leiste->Tick();
        }
        EXPECT_EQ(leiste->Seite(), 1u) << f.name;
        EXPECT_GE(gestanden, KuerzesteSeitenDauerMs) << f.name;
        EXPECT_LE(gestanden, SeitenDauerMs(200) + 100) << f.name;
        EXPECT_EQ(leiste->NotizPan()->Marke(), SeitenMarke(1, seiten)) << f.name;

        // The pointer on the band holds the page.
        leiste->ZeigerUeberBand(true);
        u.p.uhr.Vorstellen(120);
        leiste->Tick();
        EXPECT_EQ(leiste->Seite(), 1u) << f.name;
        leiste->ZeigerUeberBand(false);

        // Scroll anyway, and the wish gone: it scrolls.
        leiste->TrotzdemScrollenSetzen(true);
        takt(*leiste);
        takt(*leiste);
        EXPECT_EQ(leiste->NotizPan()->Marke(), QString()) << f.name;
        EXPECT_EQ(leiste->NaechsterTaktIn(), 50) << f.name;
        leiste->TrotzdemScrollenSetzen(false);
        leiste->WenigerBewegungSetzen(false);
        EXPECT_FALSE(trotzdem->isVisible()) << f.name;
        EXPECT_EQ(leiste->Bewegung().Zustand(), BandBewegung::Art::Laufend) << f.name;
    }
}

TEST_F(LaufschriftTest, ZuBreiteNotizAlleinAbgeschnittenMitGanzemText) {
    const QString lang = QStringLiteral("Anfang ") + QString(3000, QLatin1Char('x')) +
                         QStringLiteral(" Ende");
    test::EigeneNotiz(u.p, lang);
    auto leiste = laden();
    leiste->Anhalten(true);
    takt(*leiste);
    Band* band = leiste->NotizPan();
    // Page through until the long note's page.
    bool gefunden = false;
    for (size_t i = 0; i < leiste->SeitenAnzahl() && !gefunden; ++i) {
        if (band->toolTip().contains(QStringLiteral(" Ende"))) {
            gefunden = true;
            break;
        }
        leiste->Blaettern(1);
        takt(*leiste);
    }
    ASSERT_TRUE(gefunden);
    EXPECT_EQ(band->toolTip(), lang);
    EXPECT_TRUE(band->accessibleName().endsWith(lang));
    // Cut: the page is no wider than the band.
    EXPECT_LE(band->PassBreite(), Twips(band->width()));
    // The next page has its own notes and no such tooltip.
    leiste->Blaettern(1);
    takt(*leiste);
    EXPECT_EQ(band->toolTip(), QString());
}

} // namespace
