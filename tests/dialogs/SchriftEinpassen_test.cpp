// The one font-fit rule of the windows' captions, and the one conversion
// between twips and pixels.

#include "Masse.h"
#include "SchriftEinpassen.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <vector>

using namespace pinwick;

namespace {

struct EinpassFall {
    const char* name;
    qreal groesste, kleinste, schritt;
    int passtAbVersuch; // 0: fits at no size
    qreal erwartet;
    int versuche;
};

class SchriftEinpassenTest : public ::testing::TestWithParam<EinpassFall> {};

} // namespace

TEST_P(SchriftEinpassenTest, TakesTheFirstSizeThatFitsNeverBelowTheSmallest) {
    const EinpassFall& f = GetParam();
    QFont basis = QApplication::font();
    basis.setBold(true);
    std::vector<qreal> gesehen;
    int versuch = 0;
    const QFont ergebnis =
        SchriftEinpassen(basis, f.groesste, f.kleinste, f.schritt, [&](const QFontMetrics& fm) {
            ++versuch;
            // The metrics handed over are those of the size being tried.
            QFont probe = basis;
            probe.setPointSizeF(f.groesste - (versuch - 1) * f.schritt);
            EXPECT_EQ(fm.height(), QFontMetrics(probe).height()) << "try " << versuch;
            gesehen.push_back(probe.pointSizeF());
            return f.passtAbVersuch > 0 && versuch >= f.passtAbVersuch;
        });
    EXPECT_DOUBLE_EQ(ergebnis.pointSizeF(), f.erwartet);
    EXPECT_EQ(versuch, f.versuche);
    for (qreal g : gesehen)
        EXPECT_GE(g, f.kleinste);
    // Only the size changes.
    EXPECT_TRUE(ergebnis.bold());
    EXPECT_EQ(ergebnis.family(), basis.family());
}

INSTANTIATE_TEST_SUITE_P(
    Faelle, SchriftEinpassenTest,
    ::testing::Values(EinpassFall{"LargestFits", 8, 6, 0.5, 1, 8, 1},
                      EinpassFall{"ThirdSizeFits", 8, 6, 0.5, 3, 7, 3},
                      EinpassFall{"SmallestFits", 8, 5.5, 0.5, 6, 5.5, 6},
                      EinpassFall{"NoneFitsTakesSmallest", 8, 6, 0.5, 0, 6, 5},
                      EinpassFall{"LargerStartRunsLonger", 10, 6, 0.5, 0, 6, 9},
                      EinpassFall{"StepPastSmallestStopsAbove", 8, 6, 0.75, 0, 6, 3},
                      EinpassFall{"LargestBelowSmallestTriesNothing", 5, 6, 0.5, 0, 6, 0},
                      EinpassFall{"NoStepTriesLargestOnly", 8, 6, 0, 0, 6, 1},
                      EinpassFall{"NoStepLargestFits", 8, 6, 0, 1, 8, 1}),
    [](const ::testing::TestParamInfo<EinpassFall>& info) { return info.param.name; });

namespace {

struct RechteckFall {
    const char* name;
    QRect twips;
    QRect lage;  // edge by edge
    QRect masse; // position and size each on their own
};

class TwipsRechteckTest : public ::testing::TestWithParam<RechteckFall> {};

} // namespace

TEST_P(TwipsRechteckTest, EdgesOrSizesRounded) {
    const RechteckFall& f = GetParam();
    EXPECT_EQ(PxLage(f.twips), f.lage);
    EXPECT_EQ(PxMasse(f.twips.x(), f.twips.y(), f.twips.width(), f.twips.height()), f.masse);
}

INSTANTIATE_TEST_SUITE_P(
    Faelle, TwipsRechteckTest,
    ::testing::Values(
        RechteckFall{"WholePixels", QRect(150, 300, 1500, 375), QRect(10, 20, 100, 25),
                     QRect(10, 20, 100, 25)},
        // Two halves below the middle: their sum rounds up, each alone down.
        RechteckFall{"EdgesGrowTheSize", QRect(7, 7, 7, 7), QRect(0, 0, 1, 1), QRect(0, 0, 0, 0)},
        RechteckFall{"EdgesShrinkTheSize", QRect(8, 8, 8, 8), QRect(1, 1, 0, 0),
                     QRect(1, 1, 1, 1)},
        RechteckFall{"NegativePosition", QRect(-8, -22, 30, 30), QRect(-1, -1, 2, 2),
                     QRect(-1, -1, 2, 2)}),
    [](const ::testing::TestParamInfo<RechteckFall>& info) { return info.param.name; });

TEST(Masse, PixelsAndTwipsBothWays) {
    struct Fall {
        int twips, px;
    };
    for (const Fall& f : {Fall{0, 0}, Fall{7, 0}, Fall{8, 1}, Fall{-7, 0}, Fall{-8, -1},
                          Fall{1500, 100}, Fall{1507, 100}, Fall{1508, 101}})
        EXPECT_EQ(Px(f.twips), f.px) << f.twips;
    EXPECT_EQ(Twips(100), 1500);
    EXPECT_EQ(Twips(qint64(1) << 40), qint64(15) << 40);
    EXPECT_DOUBLE_EQ(Twips(2.5), 37.5);
    for (int px : {-3, 0, 1, 97})
        EXPECT_EQ(Px(Twips(px)), px);
}

TEST(Masse, BandPositionsOnTheirPixels) {
    struct Spalte {
        double twips;
        qint64 px;
    };
    // Leftwards for negative positions.
    for (const Spalte& f : {Spalte{0, 0}, Spalte{14.9, 0}, Spalte{15, 1}, Spalte{-0.1, -1},
                            Spalte{-15, -1}, Spalte{-15.5, -2}})
        EXPECT_EQ(PxSpalte(f.twips), f.px) << f.twips;
    struct Geraet {
        double twips;
        qreal dpr;
        qint64 px;
    };
    // Halves away from zero, both ways alike.
    for (const Geraet& f : {Geraet{15, 1, 1}, Geraet{15, 1.5, 2}, Geraet{-15, 1.5, -2},
                            Geraet{10, 2, 1}, Geraet{7, 1, 0}, Geraet{-3000, 1.25, -250}})
        EXPECT_EQ(GeraetePx(f.twips, f.dpr), f.px) << f.twips << " " << f.dpr;
}
