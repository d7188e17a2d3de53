#include "Animation.h"
#include "Oberflaeche.h"
#include "MBox.h"
#include "Masse.h"
#include "Panel3D.h"

#include <QApplication>
#include <QMoveEvent>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace pinwick;

namespace {

class MBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        Animation::schrittMs = 0;
        p.Sprache = 1;
    }

    // Runs the action from inside the modal loop once a box with the given
    // text is open. A box nobody answers is taken away after a while, so a
    // failing test cannot hang.
    void BeiOffenerBox(const QString& text, std::function<void(MBox&)> handlung) {
        QTimer::singleShot(0, &waechter, [text, handlung] {
            MBox* box = nullptr;
            const bool offen = QTest::qWaitFor(
                [&] {
                    box = OffeneMBox();
                    return box && box->textPanel()->text() == text;
                },
                3000);
            ASSERT_TRUE(offen);
            handlung(*box);
        });
        QTimer::singleShot(8000, &waechter, [] {
            if (MBox* box = OffeneMBox())
                box->Verwerfen();
        });
    }

    int16_t Fragen(int16_t art, std::function<void(MBox&)> handlung) {
        BeiOffenerBox(QStringLiteral("Frage"), std::move(handlung));
        mBoxZeigen(p, art, QStringLiteral("Frage"));
        return p.mBoxAntwort;
    }

    Programm p;
    QObject waechter; // timers of this test end with it
};

void Druecken(MBox& box, int knopf) {
    QTest::mouseClick(box.knopf(knopf), Qt::LeftButton);
}
void Escape(MBox& box) {
    QTest::keyClick(&box, Qt::Key_Escape);
}

TEST_F(MBoxTest, AntwortJeKnopfUndEscape) {
    EXPECT_EQ(p.mBoxAntwort, 0); // nothing answered yet

    // Escape says No where there is no OK / Cancel button.
    const std::pair<int16_t, int16_t> escape[] = {{1, 0}, {2, 2}, {3, 0}, {4, 0}};
    for (const auto& [art, antwort] : escape) {
        p.mBoxAntwort = 7;
        EXPECT_EQ(Fragen(art, Escape), antwort) << "kind " << art;
    }

    p.mBoxAntwort = 7;
    EXPECT_EQ(Fragen(2, [](MBox& b) { Druecken(b, 1); }), 1);
    EXPECT_EQ(Fragen(2, [](MBox& b) { Druecken(b, 2); }), 2);
    EXPECT_EQ(Fragen(3, [](MBox& b) { Druecken(b, 0); }), 0);
    EXPECT_EQ(Fragen(3, [](MBox& b) { Druecken(b, 2); }), 2);
    EXPECT_EQ(Fragen(4, [](MBox& b) { Druecken(b, 0); }), 0);

    // Any mouse button answers, not only the left one.
    EXPECT_EQ(Fragen(2, [](MBox& b) { QTest::mouseClick(b.knopf(2), Qt::RightButton); }), 2);
    EXPECT_EQ(Fragen(3, [](MBox& b) { QTest::mouseClick(b.knopf(1), Qt::MiddleButton); }), 1);
}

TEST_F(MBoxTest, AndereTastenAntwortenNicht) {
    p.mBoxAntwort = 1;
    bool nochOffen = false;
    Fragen(2, [&](MBox& box) {
        QTest::keyClick(&box, Qt::Key_Return);
        QTest::keyClick(&box, Qt::Key_Enter);
        QTest::keyClick(&box, Qt::Key_Space);
        QTest::keyClick(&box, Qt::Key_N);
        nochOffen = OffeneMBox() == &box && p.mBoxAntwort == 1;
        Druecken(box, 2);
    });
    EXPECT_TRUE(nochOffen);
    EXPECT_EQ(p.mBoxAntwort, 2);
}

TEST_F(MBoxTest, KnopfReiheJeArt) {
    struct Knopf {
        bool sichtbar;
        int links, breite;
    };
    struct Fall {
        int16_t art;
        Knopf k0, k1, k2;
    };
    const Fall faelle[] = {
        {1, {true, 1470, 1860}, {false, 0, 0}, {false, 0, 0}},
        {2, {false, 0, 0}, {true, 1470, 900}, {true, 2430, 900}},
        {3, {true, 2400, 900}, {true, 1470, 435}, {true, 1935, 435}},
        {4, {true, 1470, 1860}, {false, 0, 0}, {false, 0, 0}},
        // an unknown kind keeps the design
        {9, {true, 2475, 870}, {true, 1500, 255}, {true, 1905, 420}},
    };
    for (const Fall& f : faelle) {
        p.mBoxArt = f.art;
        MBox box(p);
        const Knopf erwartet[] = {f.k0, f.k1, f.k2};
        for (int i = 0; i < 3; ++i) {
            const QRect g = box.knopf(i)->geometry();
            SCOPED_TRACE(testing::Message() << "kind " << f.art << " button " << i);
            EXPECT_EQ(!box.knopf(i)->isHidden(), erwartet[i].sichtbar);
            EXPECT_EQ(Twips(g.top()), 2055);
            EXPECT_EQ(Twips(g.height()), 255);
            if (erwartet[i].sichtbar) {
                EXPECT_EQ(Twips(g.left()), erwartet[i].links);
                EXPECT_EQ(Twips(g.width()), erwartet[i].breite);
            }
        }
    }
}

TEST_F(MBoxTest, BeschriftungJeSprache) {
    struct Fall {
        int16_t sprache, art;
        const char *k0, *k1, *k2;
    };
    const Fall faelle[] = {
        {1, 1, "Cancel", "Yes", "No"},           {1, 3, "OK", "Yes", "No"},
        {2, 1, "Abbrechen", "Ja", "Nein"},       {2, 4, "OK", "Ja", "Nein"},
        {0, 4, " Abbrechen ", " Ja ", " Nein "}, {3, 1, " Abbrechen ", " Ja ", " Nein "},
    };
    for (const Fall& f : faelle) {
        p.Sprache = f.sprache;
        p.mBoxArt = f.art;
        p.mBoxText = QStringLiteral("Text");
        MBox box(p);
        SCOPED_TRACE(testing::Message() << "Sprache " << f.sprache << " kind " << f.art);
        EXPECT_EQ(box.knopf(0)->text(), QString::fromUtf8(f.k0));
        EXPECT_EQ(box.knopf(1)->text(), QString::fromUtf8(f.k1));
        EXPECT_EQ(box.knopf(2)->text(), QString::fromUtf8(f.k2));
        EXPECT_EQ(box.textPanel()->text(), QStringLiteral("Text"));
    }
}

TEST_F(MBoxTest, LageNebenDerLeiste) {
    QWidget leiste;
    leiste.resize(Bildschirm().width(), 30); // 450 twips
    Oberflaeche::Von(p).leiste = &leiste;
    const int schirmHoehe = Twips(Bildschirm().height());

    p.dockPos = 0; // the logo tab reaches 400 twips over the bar's lower edge
    {
        MBox box(p);
        EXPECT_EQ(box.y(), Px(450 - 400));
        EXPECT_EQ(box.x(), Px(-Twips(MBox::BreitePx)));
    }
    p.dockPos = 1; // the lower edge lies 100 twips below the bar's upper edge
    {
        MBox box(p);
        EXPECT_EQ(box.y(), Px(schirmHoehe - 450 - Twips(MBox::HoehePx) + 100));
    }
    Oberflaeche::Von(p).leiste = nullptr; // no bar yet: height 0
    {
        MBox box(p);
        EXPECT_EQ(box.y(), Px(schirmHoehe - Twips(MBox::HoehePx) + 100));
    }
}

// Records where every message box moves to.
struct Wege : QObject {
    std::vector<QPoint> punkte;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Move && qobject_cast<MBox*>(o))
            punkte.push_back(static_cast<QMoveEvent*>(e)->pos());
        return false;
    }
};

TEST_F(MBoxTest, EinschubEndetGenauInDerMitte) {
    p.mBoxArt = 2;
    MBox box(p);
    const int32_t ziel = Twips(Bildschirm().width()) / 2 - Twips(MBox::BreitePx) / 2;
    ASSERT_EQ(box.zielLinks(), ziel);
    ASSERT_NE((ziel - box.startLinks()) % 200, 0); // the last step is a short one

    Wege wege;
    box.installEventFilter(&wege);
    box.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.x() == Px(ziel); }, 3000));
    QTest::qWait(20);
    ASSERT_GE(wege.punkte.size(), 40u);
    for (size_t i = 1; i < wege.punkte.size(); ++i) {
        EXPECT_GT(wege.punkte[i].x(), wege.punkte[i - 1].x());
        EXPECT_LE(wege.punkte[i].x(), Px(ziel));
    }
    EXPECT_EQ(wege.punkte.back().x(), Px(ziel));
    EXPECT_EQ(box.startLinks(), ziel); // the next activation has nothing to do
    box.Verwerfen();
}

TEST_F(MBoxTest, AntwortBeimEinschiebenBeendetDenEinschub) {
    Animation::schrittMs = 10;
    Wege wege;
    qApp->installEventFilter(&wege);
    int32_t ziel = 0;
    QTimer::singleShot(60, [&] {
        MBox* box = OffeneMBox();
        ASSERT_NE(box, nullptr);
        ziel = box->zielLinks();
        Druecken(*box, 1);
    });
    mBoxZeigen(p, 2, QStringLiteral("Frage"));
    qApp->removeEventFilter(&wege);

    EXPECT_EQ(p.mBoxAntwort, 1);
    ASSERT_FALSE(wege.punkte.empty());
    // It fell straight down from where it was hit, never reaching the middle.
    EXPECT_GT(wege.punkte.back().y(), Bildschirm().bottom());
    int maxX = INT_MIN;
    for (const QPoint& pt : wege.punkte)
        maxX = std::max(maxX, pt.x());
    EXPECT_LT(maxX, Px(ziel));
    EXPECT_EQ(wege.punkte.back().x(), maxX);
}

TEST_F(MBoxTest, NeueBoxErsetztOffeneUndAntwortBleibt) {
    p.mBoxAntwort = 2; // from an earlier box
    bool ersteZu = false, nurEine = false, antwortAlt = false;
    BeiOffenerBox(QStringLiteral("erste"), [&](MBox& erste) {
        BeiOffenerBox(QStringLiteral("zweite"), [&](MBox& zweite) {
            ersteZu = !erste.isVisible();
            int offen = 0;
            for (QWidget* w : QApplication::topLevelWidgets())
                offen += qobject_cast<MBox*>(w) && w->isVisible();
            nurEine = offen == 1;
            antwortAlt = p.mBoxAntwort == 2 && p.mBoxArt == 3;
            Druecken(zweite, 1);
        });
        mBoxZeigen(p, 3, QStringLiteral("zweite"));
    });
    mBoxZeigen(p, 1, QStringLiteral("erste"));

    EXPECT_TRUE(ersteZu);
    EXPECT_TRUE(nurEine);
    EXPECT_TRUE(antwortAlt);
    EXPECT_EQ(p.mBoxAntwort, 1);
    EXPECT_EQ(OffeneMBox(), nullptr);
}

} // namespace

// A close request from the window manager is no silent "Yes" from an
// earlier box: it answers like Escape and the box goes the usual way.
TEST_F(MBoxTest, SchliessenVonAussenAntwortetWieEscape) {
    const std::pair<int16_t, int16_t> faelle[] = {{1, 0}, {2, 2}, {3, 0}, {4, 0}};
    for (const auto& [art, antwort] : faelle) {
        p.mBoxAntwort = MBox::Ja; // what an earlier box left behind
        bool nochOffen = true;
        EXPECT_EQ(Fragen(art,
                         [&](MBox& b) {
                             b.close();
                             nochOffen = b.isVisible();
                         }),
                  antwort)
            << "kind " << art;
        EXPECT_FALSE(nochOffen) << "kind " << art;
        EXPECT_EQ(OffeneMBox(), nullptr);
    }
}
