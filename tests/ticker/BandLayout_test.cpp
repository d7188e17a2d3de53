// The band's layout without a widget: when a pass is laid out anew, how far
// it is laid out, where its tiles stand in the band, where the line of text
// begins, and how a scroll step keeps the position within one pass.

#include "BandBilder.h"
#include "BandLayout.h"
#include "TestHilfe.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

using namespace pinwick;
using pinwick::test::Schrift;

namespace {

const QString& trenner = test::BandTrenner;
constexpr int TextOben = 60;
constexpr int K = BandLayout::KachelBreite;

BandLayout layout(const QFont& f = Schrift("DejaVu Sans", 12)) {
    BandLayout l;
    l.Aussehen(f, Qt::red, Qt::green, TextOben);
    return l;
}

const std::vector<Eintrag> zweiKurze = {{Eintrag::Eigene, QStringLiteral("MMMM")},
                                        {Eintrag::Broadcast, QStringLiteral("WWWW")}};

// ---- measuring

TEST(BandLayout, StueckweiseWieInEinemZugUndNurBisZurGrenze) {
    const QFont f = Schrift("DejaVu Sans", 10, false, true);
    const BandLayout band = layout(f);
    const QFontMetrics fm(f);
    const QString faelle[] = {
        QStringLiteral("MMMM "),
        test::Woerter(BandLayout::LangerText, 1),
        test::Woerter(5000, 2),
        QString(3000, u'x'),                                             // no blank to cut at
        QStringLiteral("e\u0301").repeated(1500),                        // combining accents
        QString::fromUtf8("\xF0\x9F\x98\x80").repeated(1500),            // pairs of surrogates
        QStringLiteral("\u0645\u0631\u062D\u0628\u0627 ").repeated(400), // Arabic words
        test::Woerter(1000000, 3),
    };
    const int stueck = band.TextBreite(QString(BandLayout::StueckZeichen, u'W'));
    for (const QString& text : faelle) {
        SCOPED_TRACE(text.left(20).toStdString());
        // The text engine shapes a long text in runs of its own; the sums
        // may part by a pixel now and then.
        const int ganz = band.TextBreite(text);
        EXPECT_NEAR(ganz, 15 * fm.horizontalAdvance(text), 15 * (text.size() / 100000));
        // Given a limit, a long text is measured a piece past it at most; a
        // short one whole.
        for (const int grenze : {0, 15 * 1920}) {
            const int breite = band.TextBreite(text, grenze);
            if (text.size() <= BandLayout::LangerText || ganz <= grenze)
                EXPECT_EQ(breite, ganz);
            else
                EXPECT_TRUE(breite > grenze && breite <= grenze + stueck) << breite;
        }
    }
}

// ---- a new layout only for new entries, separator, mode or look

TEST(BandLayout, LaidOutAnewOnlyWhenSomethingChanged) {
    BandLayout l = layout();
    auto andere = zweiKurze;
    andere[1].quelle = Eintrag::Eigene;
    struct Schritt {
        const char* was;
        std::function<bool()> tun;
        bool neu;
    };
    const Schritt schritte[] = {
        {"first, with a number", [&] { return l.Nehmen(zweiKurze, 1, trenner, true); }, true},
        {"same number", [&] { return l.Nehmen(zweiKurze, 1, trenner, true); }, false},
        // The number is taken at its word: other entries under it are not looked at.
        {"same number, other entries", [&] { return l.Nehmen(andere, 1, trenner, true); }, false},
        {"new number", [&] { return l.Nehmen(andere, 2, trenner, true); }, true},
        {"other separator", [&] { return l.Nehmen(andere, 2, QStringLiteral(" - "), true); }, true},
        {"standing", [&] { return l.Nehmen(andere, 2, QStringLiteral(" - "), false); }, true},
        // Without a number the entries are compared, the first time taken afresh.
        {"without number", [&] { return l.Nehmen(andere, QStringLiteral(" - "), false); }, true},
        {"without number, same", [&] { return l.Nehmen(andere, QStringLiteral(" - "), false); },
         false},
        {"without number, other", [&] { return l.Nehmen(zweiKurze, QStringLiteral(" - "), false); },
         true},
        {"number again", [&] { return l.Nehmen(zweiKurze, 2, QStringLiteral(" - "), false); },
         true},
    };
    for (const Schritt& s : schritte) {
        SCOPED_TRACE(s.was);
        EXPECT_EQ(s.tun(), s.neu);
    }

    // A new look lays the pass out anew; the same look changes nothing.
    const qint64 vorher = l.PassBreite();
    EXPECT_FALSE(l.Aussehen(Schrift("DejaVu Sans", 12), Qt::red, Qt::green, TextOben));
    EXPECT_EQ(l.GemessenPx() * 15, vorher);
    EXPECT_TRUE(l.Aussehen(Schrift("DejaVu Sans", 24), Qt::red, Qt::green, TextOben));
    EXPECT_EQ(l.GemessenPx(), 0);
    EXPECT_GT(l.PassBreite(), vorher);
}

// ---- the pass: its width, laid out only as far as asked

TEST(BandLayout, PassWidthAndSeparatorAfterTheLastEntryOnlyWhenScrolling) {
    const QFont f = Schrift("DejaVu Sans", 12);
    const QFontMetrics fm(f);
    const int eintraege = fm.horizontalAdvance(QStringLiteral("MMMM ")) +
                          fm.horizontalAdvance(QStringLiteral("WWWW "));
    const int trenn = fm.horizontalAdvance(trenner + u' ');
    for (const bool scrollend : {false, true}) {
        SCOPED_TRACE(scrollend);
        BandLayout l = layout(f);
        l.Nehmen(zweiKurze, 1, trenner, scrollend);
        EXPECT_EQ(l.PassBreite(), 15 * (eintraege + trenn * (scrollend ? 2 : 1)));
        EXPECT_TRUE(l.Fertig());
        EXPECT_EQ(l.Schritte(), 2);
    }
}

TEST(BandLayout, LongTextLaidOutOnlyAsFarAsAsked) {
    BandLayout l = layout();
    const std::vector<Eintrag> lang = {
        {Eintrag::Eigene, QStringLiteral("ein Wort und noch eins ").repeated(20000)}};
    l.Nehmen(lang, 1, trenner, true);
    EXPECT_EQ(l.GemessenPx(), 0);
    EXPECT_EQ(l.Schritte(), 0);
    for (const qint64 bis : {0, 1000, 5000, 40000}) {
        SCOPED_TRACE(bis);
        l.AuslegenBis(bis);
        EXPECT_GT(l.GemessenPx(), bis);
        EXPECT_FALSE(l.Fertig());
        // A piece of about StueckZeichen characters at most beyond it.
        EXPECT_LT(l.GemessenPx(), bis + 16 * BandLayout::StueckZeichen);
    }
    // Laid out so far and more is shown: a step does not lay out the rest.
    const qint64 schritte = l.Schritte();
    EXPECT_EQ(l.Weiter(-15.0 * 30000, 30), -15.0 * 30000 - 30);
    EXPECT_EQ(l.Schritte(), schritte);
    EXPECT_GT(l.PassBreite(), 15 * 40000);
    EXPECT_TRUE(l.Fertig());
}

// ---- the scroll step: the position stays within one pass of the band

TEST(BandLayout, ScrollStepKeepsThePositionWithinOnePass) {
    BandLayout l = layout();
    l.Nehmen(zweiKurze, 1, trenner, true);
    const double p = double(l.PassBreite());
    struct Fall {
        double x;
        int schritt;
        double erwartet;
    };
    const Fall faelle[] = {
        {101, 30, 71},
        {0, 30, -30},
        {-p + 30, 30, 0}, // the pass has just left the
                          // band: one pass on
        {-p + 31, 30, -p + 1},
        {-p + 10, 30, -20},
        {-5 * p, 30, -30},
        {-5 * p - 7, 5, -12},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.x);
        EXPECT_DOUBLE_EQ(l.Weiter(f.x, f.schritt), f.erwartet);
    }
    // Standing text is never moved on by a pass.
    l.Nehmen(zweiKurze, 2, trenner, false);
    EXPECT_DOUBLE_EQ(l.Weiter(-5 * p, 30), -5 * p - 30);
}

// ---- tiles in the band and the line of text

TEST(BandLayout, TilesCoverTheBandFromThePositionOn) {
    const QString lang = QStringLiteral("ein recht langer Text mit vielen Woertern ").repeated(60);
    struct Fall {
        const char* was;
        std::vector<Eintrag> eintraege;
        bool scrollend;
        qreal dpr;
    };
    const Fall faelle[] = {
        {"short, scrolling", zweiKurze, true, 1},
        {"short, scrolling, twice the pixels", zweiKurze, true, 2},
        {"short, standing", zweiKurze, false, 1},
        {"long, scrolling", {{Eintrag::Eigene, lang}}, true, 1},
        {"long, standing", {{Eintrag::Broadcast, lang}}, false, 2},
    };
    const qint64 bandDev = 1700;
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        BandLayout l = layout();
        l.Nehmen(f.eintraege, 1, trenner, f.scrollend);
        const qint64 pass = std::llround(l.PassBreite() / 15.0 * f.dpr);
        const qint64 passDev = static_cast<qint64>(std::ceil(l.GemessenPx() * f.dpr));
        std::vector<BandLayout::Stelle> stellen;
        for (const double x : {101.0, 0.0, -15.0 * 3000, -15.0 * (K + 5), -7.0 * 15 * pass}) {
            SCOPED_TRACE(x);
            const qint64 start = std::llround(x / 15 * f.dpr);
            const qint64 naechste = l.Stellen(x, f.scrollend, f.dpr, bandDev, stellen);
            if (!f.scrollend) {
                // The one pass where it stands: its tiles left of the band's
                // right edge.
                EXPECT_EQ(naechste, -1);
                for (const auto& s : stellen) {
                    EXPECT_EQ(s.x, start + s.kachel * K);
                    EXPECT_LT(s.x, bandDev);
                }
                const qint64 reicht =
                    std::min(bandDev, start + passDev) - std::max<qint64>(0, start);
                if (reicht > 0) {
                    EXPECT_FALSE(stellen.empty());
                }
                continue;
            }
            // Scrolling: the tiles join without a gap from the band's left
            // edge (or where the text starts) to its right edge.
            ASSERT_FALSE(stellen.empty());
            qint64 bis = stellen.front().x;
            EXPECT_EQ(bis, start > 0 ? start : bis);
            EXPECT_LE(bis, std::max<qint64>(0, start));
            for (const auto& s : stellen) {
                EXPECT_EQ(s.x, bis);
                bis = s.x + l.KachelBreiteVon(s.kachel, f.dpr);
                // The last tile of a pass ends where the pass ends.
                if (bis - s.x < K)
                    bis = s.x - s.kachel * K + pass;
            }
            EXPECT_GE(bis, bandDev);
            EXPECT_TRUE(naechste == stellen.back().kachel + 1 || naechste == 0);
            // The line's tile under the band's left edge: the same place, one
            // pass at most into the line.
            const qint64 u = l.Zeilenstelle(x, true, f.dpr, bandDev);
            EXPECT_EQ(u, start > 0 ? -start : (-start) % pass);
        }
    }
}

TEST(BandLayout, NextTileOfTheLineWrapsAtTheEndOfThePass) {
    BandLayout l = layout();
    const QString lang = QStringLiteral("ein recht langer Text mit vielen Woertern ").repeated(60);
    l.Nehmen({{Eintrag::Eigene, lang}}, 1, trenner, true);
    const qint64 pass = l.PassBreite() / 15;
    ASSERT_GT(pass, 2 * K);
    const qint64 letzte = (pass - 1) / K;
    struct Fall {
        qint64 k;
        bool scrollend;
        qint64 naechste;
    };
    for (const Fall& f : {Fall{0, true, 1}, Fall{letzte - 1, true, letzte}, Fall{letzte, true, 0},
                          Fall{letzte, false, letzte + 1}}) {
        SCOPED_TRACE(f.k);
        EXPECT_EQ(l.NaechsteZeilenkachel(f.k, f.scrollend, 1), f.naechste);
    }
}

} // namespace
