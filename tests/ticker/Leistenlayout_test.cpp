#include "Leistenlayout.h"

#include <gtest/gtest.h>

namespace pinwick {
namespace {

// A 1920 x 1080 pixel screen in twips.
constexpr int SchirmBreite = 28800;
constexpr int SchirmHoehe = 16200;
// "test" 13 pixels high.
constexpr int TextHoehe = 195;

Einstellungswerte werte(bool rahmen, bool datum) {
    Einstellungswerte e;
    e.zeigRahmen = rahmen;
    e.zeigDatum = datum;
    e.SchriftGroesse = 8;
    return e;
}

TEST(Leistenlayout, BandUndPanelsInAllenVierVarianten) {
    struct Fall {
        bool rahmen, datum;
        int bandLinks, bandBreite, oben, zugabe;
    };
    const Fall faelle[] = {
        {true, true, 2025, SchirmBreite - 915 - 1065 - 135, 45, 135},
        {true, false, 45, SchirmBreite - 135, 45, 135},
        {false, true, 1980, SchirmBreite - 1980, 0, 0},
        {false, false, 0, SchirmBreite, 0, 0},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(testing::Message() << "rahmen " << f.rahmen << " datum " << f.datum);
        const Leistenlayout l =
            LeisteBerechnen(werte(f.rahmen, f.datum), SchirmBreite, SchirmHoehe, TextHoehe);
        EXPECT_EQ(l.leisteBreite, SchirmBreite);
        EXPECT_EQ(l.notizPan.left(), f.bandLinks);
        EXPECT_EQ(l.notizPan.width(), f.bandBreite);
        EXPECT_EQ(l.notizPan.top(), f.oben);
        EXPECT_EQ(l.leisteHoehe, l.bandHoehe + f.zugabe);
        EXPECT_EQ(l.uhrSichtbar, f.datum);
        EXPECT_EQ(l.panelKante, f.rahmen);
        // With the border the band ends 90 twips short of the right edge.
        EXPECT_EQ(SchirmBreite - (l.notizPan.left() + l.notizPan.width()), f.rahmen ? 90 : 0);
        if (f.datum) {
            // Date, clock and band follow one another without a gap.
            EXPECT_EQ(l.datumPan.left() + l.datumPan.width(), l.uhrPan.left());
            EXPECT_EQ(l.uhrPan.left() + l.uhrPan.width(), l.notizPan.left());
            EXPECT_EQ(l.uhrPan.height(), l.bandHoehe);
        }
    }
}

TEST(Leistenlayout, BandhoeheUndTextObenRundenHalbeZurGeradenZahl) {
    // 195 * 1.5 = 292.5 goes down to the even 292; (292 - 195) / 2 = 48.5
    // goes to 48; 48 * 0.8 = 38.4 gives 38.
    EXPECT_EQ(BandHoehe(195), 292);
    EXPECT_EQ(TextOben(292, 195, 8), 38);
    // 225 * 1.5 = 337.5 goes up to 338; 56.5 goes down to 56; 44.8 gives 45.
    // Rounding halves up would give 57 and then 46.
    EXPECT_EQ(BandHoehe(225), 338);
    EXPECT_EQ(TextOben(338, 225, 8), 45);
    // Three sizes have fixed places whatever the font measures.
    for (int hoehe : {195, 225, 300}) {
        EXPECT_EQ(TextOben(BandHoehe(hoehe), hoehe, 9), 170);
        EXPECT_EQ(TextOben(BandHoehe(hoehe), hoehe, 11), 135);
        EXPECT_EQ(TextOben(BandHoehe(hoehe), hoehe, 14), 85);
    }
    Einstellungswerte e = werte(true, true);
    e.SchriftGroesse = 11;
    EXPECT_EQ(LeisteBerechnen(e, SchirmBreite, SchirmHoehe, 225).textOben, 135);
}

TEST(Leistenlayout, DockenObenUndUnten) {
    Einstellungswerte e = werte(true, true);
    e.dockPos = 0;
    Leistenlayout l = LeisteBerechnen(e, SchirmBreite, SchirmHoehe, TextHoehe);
    EXPECT_EQ(l.leisteOben, 0);
    EXPECT_EQ(l.leisteLinks, 0);
    e.dockPos = 1;
    l = LeisteBerechnen(e, SchirmBreite, SchirmHoehe, TextHoehe);
    EXPECT_EQ(l.leisteOben + l.leisteHoehe, SchirmHoehe);
    EXPECT_EQ(l.leisteOben, SchirmHoehe - 292 - 135);
    // The measuring panels stay out of sight below the bar.
    EXPECT_EQ(l.testPanOben, l.leisteHoehe + 100);
}

TEST(Leistenlayout, DatumUndUhrzeitJeSprache) {
    const QDateTime nachmittag(QDate(2026, 12, 8), QTime(13, 5, 9));
    UhrAnzeige a = UhrAnzeigeText(nachmittag, 1, u'.');
    EXPECT_EQ(a.datum, QStringLiteral("12/08/26"));
    EXPECT_EQ(a.uhr, QStringLiteral("1:05:09 pm"));

    a = UhrAnzeigeText(nachmittag, 2, u'.');
    EXPECT_EQ(a.datum, QStringLiteral("08.12.26"));
    EXPECT_EQ(a.uhr, QStringLiteral("13:05:09"));
    // Any other language reads German, with whatever separator the system has.
    a = UhrAnzeigeText(nachmittag, 0, u'/');
    EXPECT_EQ(a.datum, QStringLiteral("08/12/26"));
    EXPECT_EQ(a.uhr, QStringLiteral("13:05:09"));

    // The 12-hour clock around midnight and noon.
    EXPECT_EQ(UhrAnzeigeText(QDateTime(QDate(2000, 1, 2), QTime(0, 0, 7)), 1, u'.').uhr,
              QStringLiteral("12:00:07 am"));
    EXPECT_EQ(UhrAnzeigeText(QDateTime(QDate(2000, 1, 2), QTime(12, 59, 59)), 1, u'.').uhr,
              QStringLiteral("12:59:59 pm"));
    EXPECT_EQ(UhrAnzeigeText(QDateTime(QDate(2000, 1, 2), QTime(0, 0, 7)), 2, u'.').datum,
              QStringLiteral("02.01.00"));
}

} // namespace
} // namespace pinwick
