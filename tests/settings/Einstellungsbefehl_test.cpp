// The bar's settings command with the real prompt and window: the bar stands
// still and disabled while they are open and runs again when they are done.

#include "Animation.h"
#include "Bedienteil.h"
#include "Einstellungen.h"
#include "EinstellungsSatz.h"
#include "Panel3D.h"
#include "PassTest.h"
#include "Terminal.h"
#include "TestHilfe.h"
#include "TestLeiste.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace pinwick;
using pinwick::test::Teil;
using pinwick::test::TestUmgebung;

namespace {

using Leiste = pinwick::test::TestLeiste;

class EinstellungsbefehlTest : public ::testing::Test {
protected:
    void SetUp() override {
        Animation::schrittMs = 0;
        EinstellungenLaden(u.p);
        u.p.Sprache = 1;
        u.p.tonAn = false;
        u.p.ImmerOben = true;
        leiste = std::make_unique<Leiste>(u.p);
        leiste->einstellungenZeigen = [this] { return EinstellungenZeigen(u.p, leiste.get()); };
        leiste->show();
    }
    void TearDown() override {
        while (Einstellungen* w = OffeneEinstellungen())
            delete w;
    }

    // Answers the prompt, once it is open, with these steps.
    void BeiPrompt(std::function<void(PassTest&)> antwort) {
        QTimer::singleShot(0, leiste.get(), [antwort] {
            PassTest* prompt = nullptr;
            (void)QTest::qWaitFor(
                [&] {
                    prompt = qobject_cast<PassTest*>(QApplication::activeModalWidget());
                    return prompt != nullptr;
                },
                3000);
            if (!prompt)
                return;
            antwort(*prompt);
        });
        // A prompt nobody answers goes after a while, so a failing test cannot hang.
        QTimer::singleShot(8000, leiste.get(), [] {
            if (auto* prompt = qobject_cast<PassTest*>(QApplication::activeModalWidget()))
                prompt->reject();
        });
    }

    bool leisteLaeuft() const {
        return leiste->Timer1Laeuft() && leiste->EinstellungenMen()->isEnabled() &&
               leiste->KontextMen()->isEnabled();
    }
    bool leisteOben() const { return leiste->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

    int offeneFenster() const {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<Einstellungen*>(w) && w->isVisible())
                ++n;
        return n;
    }

    TestUmgebung u;
    std::unique_ptr<Leiste> leiste;
};

TEST_F(EinstellungsbefehlTest, OhneSysopOeffnetDasFensterUndSchliessenGibtDieLeisteZurueck) {
    ASSERT_TRUE(leisteLaeuft());
    ASSERT_TRUE(leisteOben());
    leiste->EinstellungenOeffnen();
    Einstellungen* w = OffeneEinstellungen();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(leiste->Timer1Laeuft());
    EXPECT_FALSE(leiste->EinstellungenMen()->isEnabled());
    EXPECT_FALSE(leisteOben());
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(leiste->ZeichenPosition(), leiste->LinkerRand() + 1);

    // The command while the window is open brings the same window forward.
    leiste->EinstellungenOeffnen();
    EXPECT_EQ(offeneFenster(), 1);

    w->close();
    EXPECT_EQ(OffeneEinstellungen(), nullptr);
    EXPECT_TRUE(leisteLaeuft());
    EXPECT_TRUE(leisteOben());
}

TEST_F(EinstellungsbefehlTest, SysopFragtNachDemPasswort) {
    u.p.sysopStatus = true;
    u.p.passWort = QStringLiteral("Geheim");
    struct Fall {
        const char* name;
        std::function<void(PassTest&)> antwort;
        bool offen;
    };
    const Fall faelle[] = {
        {"right password",
         [](PassTest& t) {
             QTest::keyClicks(Teil<QLineEdit>(t, QStringLiteral("Pa\u00DFText")), "Geheim");
             QTest::keyClick(Teil<QLineEdit>(t, QStringLiteral("Pa\u00DFText")), Qt::Key_Return);
         },
         true},
        {"wrong, then Cancel",
         [](PassTest& t) {
             QTest::keyClicks(Teil<QLineEdit>(t, QStringLiteral("Pa\u00DFText")), "geheim");
             QTest::keyClick(Teil<QLineEdit>(t, QStringLiteral("Pa\u00DFText")), Qt::Key_Return);
             EXPECT_EQ(Teil<Panel3D>(t, "MeldungPan")->text(), "Zugang abgelehnt !");
             EXPECT_TRUE(t.isVisible());
             Teil<QPushButton>(t, "AbbrechenBef")->click();
         },
         false},
        {"Escape",
         [](PassTest& t) {
             QTest::keyClick(Teil<QLineEdit>(t, QStringLiteral("Pa\u00DFText")), Qt::Key_Escape);
         },
         false},
        {"close box", [](PassTest& t) { t.close(); }, false},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        bool leisteWaehrendPrompt = true;
        BeiPrompt([&, antwort = f.antwort](PassTest& t) {
            // While the prompt is up the bar stands still and takes no commands.
            leisteWaehrendPrompt = leisteLaeuft() || leisteOben();
            antwort(t);
        });
        leiste->EinstellungenOeffnen();
        EXPECT_FALSE(leisteWaehrendPrompt);
        EXPECT_EQ(OffeneEinstellungen() != nullptr, f.offen);
        EXPECT_EQ(u.p.zugangErlaubt, f.offen);
        if (f.offen) {
            EXPECT_FALSE(leisteLaeuft());
            OffeneEinstellungen()->close();
        }
        // Refused or closed: the bar runs, takes commands and is back on top.
        EXPECT_TRUE(leisteLaeuft());
        EXPECT_TRUE(leisteOben());
    }
}

TEST_F(EinstellungsbefehlTest, NichtObenBleibtNachAbweisungNichtOben) {
    u.p.ImmerOben = false;
    leiste->FensterOrdnung();
    u.p.sysopStatus = true;
    u.p.passWort = QStringLiteral("x");
    BeiPrompt([](PassTest& t) { t.reject(); });
    leiste->EinstellungenOeffnen();
    EXPECT_EQ(OffeneEinstellungen(), nullptr);
    EXPECT_TRUE(leisteLaeuft());
    EXPECT_FALSE(leisteOben());
}

} // namespace
