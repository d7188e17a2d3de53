// The note editor's rules without a window: the time and date normalisers,
// and the times a save settles on.

#include "Hilfen.h"
#include "NotizEingabe.h"

#include <cmath>
#include <gtest/gtest.h>

namespace pinwick {
namespace {

const QDate mittwoch(2026, 12, 9);

TEST(UhrzeitPruefen, NormalisesOrRefuses) {
    constexpr auto G = UhrzeitErgebnis::Gueltig, U = UhrzeitErgebnis::Ungueltig;
    struct Fall {
        const char* eingabe;
        UhrzeitErgebnis::Art art;
        const char* text;
    };
    const Fall faelle[] = {
        {"7:5", G, "07:05"},
        {"8", G, "08:00"},
        {":30", G, "00:30"},
        {"9:", G, "09:00"},
        {":", G, "00:00"},
        {"23:59", G, "23:59"},
        {"007:05", G, "07:05"},
        {"", UhrzeitErgebnis::Leer, ""},
        {"25:00", U, ""},
        {"24", U, ""},
        {"12:60", U, ""},
        {"1:2:3", U, ""},
        {"::", U, ""},
        {"930", U, ""}, // without a colon the whole text is hours
        {"99999999999999999999999", U, ""},
    };
    for (const Fall& f : faelle) {
        const UhrzeitErgebnis e = UhrzeitPruefen(QString::fromLatin1(f.eingabe));
        EXPECT_EQ(e.art, f.art) << f.eingabe;
        EXPECT_EQ(e.text, QString::fromLatin1(f.text)) << f.eingabe;
    }
    // Every minute of the day reads back as the time it shows.
    for (int minute = 0; minute < 1440; ++minute) {
        const double zeit = Tageszeit(minute / 60, minute % 60);
        const UhrzeitErgebnis e = UhrzeitPruefen(UhrzeitText(zeit));
        ASSERT_EQ(e.zeit, zeit) << minute;
    }
    EXPECT_EQ(UhrzeitText(46000.75), "18:00"); // only the time of day counts
    EXPECT_EQ(UhrzeitText(std::nan("")), "00:00");
}

TEST(DatumPruefen, NormalisesDates) {
    struct Fall {
        const char* eingabe;
        QDate datum; // invalid: the text (less a closing dot) comes back
    };
    const Fall faelle[] = {
        {"", mittwoch},
        {"24.12.", QDate(2026, 12, 24)},
        {"24.12", QDate(2026, 12, 24)},
        {"1.2.27", QDate(2027, 2, 1)},
        {"1.1.30", QDate(1930, 1, 1)},
        {"09.12.2026.", mittwoch},
        {"31.02.2008.", QDate()},
        {"12345", QDate()},
    };
    for (const Fall& f : faelle) {
        QString zurueck = QString::fromLatin1(f.eingabe);
        if (zurueck.endsWith(QLatin1Char('.')))
            zurueck.chop(1);
        EXPECT_EQ(DatumPruefen(QString::fromLatin1(f.eingabe), mittwoch),
                  f.datum.isValid() ? DatumText(f.datum) : zurueck)
            << f.eingabe;
    }
    const QString gezeigt = DatumText(QDate(2031, 3, 7));
    EXPECT_EQ(DatumPruefen(gezeigt, mittwoch), gezeigt);
}

TEST(SpeichernPruefen, TheTimesShownAreTheTimesSaved) {
    NotizFormular f = NeuesFormular(mittwoch);
    f.notiz = QStringLiteral("x");
    f.zeitsteuerung = f.vonBis = true;
    f.uhrzeit = {QStringLiteral("09:00"), QString()};
    f.zeit = {9 / 24.0, 0};
    const auto ja = [](Frage) { return true; };
    PruefErgebnis e = SpeichernPruefen(f, mittwoch, ja);
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(f.uhrzeit[1], "23:59");
    EXPECT_EQ(e.notiz.UhrBis, Tageszeit(23, 59));

    // Typed but never normalised: the texts count, not stale working values.
    f.uhrzeit = {QStringLiteral("7"), QStringLiteral("8:5")};
    e = SpeichernPruefen(f, mittwoch, ja);
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.notiz.UhrVon, Tageszeit(7, 0));
    EXPECT_EQ(e.notiz.UhrBis, Tageszeit(8, 5));

    // A stored time off the minute stays exactly as it was.
    f.zeit = {(7 * 60 + 0.4) / 1440.0, 0.5};
    f.uhrzeit = {UhrzeitText(f.zeit[0]), UhrzeitText(f.zeit[1])};
    e = SpeichernPruefen(f, mittwoch, ja);
    EXPECT_EQ(e.notiz.UhrVon, (7 * 60 + 0.4) / 1440.0);
}

} // namespace
} // namespace pinwick
