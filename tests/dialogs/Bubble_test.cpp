#include "Animation.h"
#include "Oberflaeche.h"
#include "FliegBubble.h"
#include "Masse.h"
#include "NetzConnect.h"
#include "Panel3D.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace pinwick;

namespace {

class BubbleTest : public ::testing::Test {
protected:
    void SetUp() override { Animation::schrittMs = 0; }
    void TearDown() override {
        BubbleSchliessen();
        Aufraeumen();
    }
    // Deleting waits for the event loop; tests count windows right away.
    static void Aufraeumen() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static int AnzahlBubbles() {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            n += qobject_cast<FliegBubble*>(w) != nullptr;
        return n;
    }
    FliegBubble* Bubble() { return qobject_cast<FliegBubble*>(Oberflaeche::Von(p).bubble.data()); }

    Programm p;
};

TEST_F(BubbleTest, FliegtVonLinksNebenDasAktiveFenster) {
    QWidget fenster;
    fenster.setGeometry(120, 200, 300, 100);
    fenster.show();
    fenster.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&fenster));
    const QPoint ecke = fenster.frameGeometry().topLeft();

    BubbleZeigen(p, 300, -1215, QStringLiteral("Hallo"));
    FliegBubble* b = Bubble();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(p.mBoxText, QStringLiteral("Hallo"));
    EXPECT_EQ(b->textPan()->text(), QStringLiteral("Hallo"));
    EXPECT_EQ(p.bubbleLinks, Twips(ecke.x()) + 300);
    EXPECT_EQ(p.bubbleOben, Twips(ecke.y()) - 1215);
    EXPECT_EQ(b->x(), -FliegBubble::BreitePx); // starts just off the screen

    ASSERT_TRUE(QTest::qWaitFor([&] { return b->x() == Px(p.bubbleLinks); }, 3000));
    EXPECT_EQ(b->y(), Px(p.bubbleOben));
    EXPECT_TRUE(b->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(BubbleSichtbar());
}

TEST_F(BubbleTest, OhneAktivesFensterZaehltDieLeiste) {
    QWidget leiste;
    leiste.setGeometry(0, 500, 800, 30);
    Oberflaeche::Von(p).leiste = &leiste; // not shown, so never the active window
    if (QWidget* aktiv = QApplication::activeWindow())
        aktiv->hide();
    BubbleZeigen(p, 100, -1300, QStringLiteral("Netz"));
    EXPECT_EQ(p.bubbleLinks, 100);
    EXPECT_EQ(p.bubbleOben, Twips(500) - 1300);
}

// A window that names itself is the reference even when another one is
// active; offsets past an edge of the screen are brought back inside.
TEST_F(BubbleTest, BeimGenanntenFensterUndImmerAufDemSchirm) {
    QWidget fenster;
    fenster.setGeometry(100, 100, 300, 200);
    fenster.show();
    QWidget anderes;
    anderes.setGeometry(400, 300, 100, 100);
    anderes.show();
    anderes.activateWindow();
    // Without a window manager the activation may not be reported.
    (void)QTest::qWaitForWindowActive(&anderes, 500);
    const QPoint ecke = fenster.frameGeometry().topLeft();
    const QRect schirm = fenster.screen()->geometry();
    const int rechts = Twips(schirm.right() + 1 - FliegBubble::BreitePx);
    const int unten = Twips(schirm.bottom() + 1 - FliegBubble::HoehePx);
    const struct {
        int32_t links, oben;
        int erwarteteLinks, erwarteteOben;
    } faelle[] = {
        {300, 600, Twips(ecke.x()) + 300, Twips(ecke.y()) + 600},
        {0, 99999, Twips(ecke.x()), unten},
        {99999, 0, rechts, Twips(ecke.y())},
        {-99999, -99999, Twips(schirm.left()), Twips(schirm.top())},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(testing::Message() << f.links << ", " << f.oben);
        BubbleZeigen(p, f.links, f.oben, QStringLiteral("hier"), &fenster);
        EXPECT_EQ(p.bubbleLinks, f.erwarteteLinks);
        EXPECT_EQ(p.bubbleOben, f.erwarteteOben);
        ASSERT_NE(Bubble(), nullptr);
        EXPECT_EQ(Bubble()->zielLinks(), f.erwarteteLinks);
    }
}

TEST_F(BubbleTest, ZweiteBubbleErsetztDieErste) {
    BubbleZeigen(p, 0, 0, QStringLiteral("eins"));
    QPointer<QWidget> erste = Oberflaeche::Von(p).bubble;
    BubbleZeigen(p, 0, 0, QStringLiteral("zwei"));
    Aufraeumen();
    EXPECT_TRUE(erste.isNull());
    EXPECT_EQ(AnzahlBubbles(), 1);
    ASSERT_NE(Bubble(), nullptr);
    EXPECT_EQ(Bubble()->textPan()->text(), QStringLiteral("zwei"));
}

TEST_F(BubbleTest, KlickAufBildOderTextSchliesst) {
    for (bool aufText : {false, true}) {
        BubbleZeigen(p, 0, 0, QStringLiteral("weg"));
        FliegBubble* b = Bubble();
        ASSERT_NE(b, nullptr);
        QWidget* ziel = aufText ? static_cast<QWidget*>(b->textPan()) : b;
        QTest::mouseClick(ziel, Qt::LeftButton, {}, aufText ? QPoint(5, 5) : QPoint(60, 75));
        EXPECT_FALSE(BubbleSichtbar()) << (aufText ? "text" : "picture");
        Aufraeumen();
        EXPECT_TRUE(Oberflaeche::Von(p).bubble.isNull());
    }
}

TEST_F(BubbleTest, FokusVerlustSchliesst) {
    BubbleZeigen(p, 0, 0, QStringLiteral("Fokus"));
    FliegBubble* b = Bubble();
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(b));

    QWidget anderes;
    anderes.show();
    anderes.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&anderes));
    EXPECT_FALSE(BubbleSichtbar());
}

TEST(NetzConnectTest, TextJeSpracheUndStreifenAmDockRand) {
    const QRect schirm = Bildschirm();
    struct Fall {
        int16_t sprache;
        int32_t dockPos;
        const char* text;
        int oben;
    };
    const Fall faelle[] = {
        {1, 0, "Establishing connection to broadcast server ...", schirm.top()},
        {2, 1, "Verbindung mit Broadcast-Server wird hergestellt ...",
         schirm.bottom() + 1 - Px(260)},
        {0, 5, "Verbindung mit Broadcast-Server wird hergestellt ...",
         schirm.bottom() + 1 - Px(260)},
    };
    for (const Fall& f : faelle) {
        Programm p;
        p.Sprache = f.sprache;
        p.dockPos = f.dockPos;
        NetzConnect n(p);
        SCOPED_TRACE(testing::Message() << "Sprache " << f.sprache);
        EXPECT_EQ(n.legendePan()->text(), QString::fromUtf8(f.text));
        EXPECT_EQ(n.windowTitle(), QStringLiteral("Pinwick"));
        EXPECT_EQ(n.geometry(), QRect(schirm.left(), f.oben, schirm.width(), Px(260)));
        EXPECT_EQ(n.legendePan()->geometry(), QRect(0, 0, schirm.width(), Px(260)));
    }
}

TEST(NetzConnectTest, SchliesserSchliesstUndLoeschtSich) {
    Programm p;
    NetzConnectZeigen(p);
    auto offen = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<NetzConnect*>(w) && w->isVisible())
                return true;
        return false;
    };
    EXPECT_TRUE(offen());
    ASSERT_TRUE(p.netzConnectSchliessen);
    p.netzConnectSchliessen();
    EXPECT_FALSE(offen());
    EXPECT_FALSE(p.netzConnectSchliessen);
}

} // namespace
