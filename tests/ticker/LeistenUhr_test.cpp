// The captions of the bar's date and clock panels: made anew only when the
// second or the language changed, due again at the next second, and the
// system's date separator looked up once a minute.

#include "LeistenUhr.h"
#include "TestHilfe.h"

#include <gtest/gtest.h>

using namespace pinwick;

namespace {

TEST(LeistenUhr, CaptionsChangeWithTheSecondOrLanguageOnly) {
    Uhr uhr;
    uhr.Stellen(QDateTime(QDate(2026, 12, 8), QTime(13, 5, 9, 250)));
    int nachgeschlagen = 0;
    QChar trenner = u'-';
    LeistenUhr l(uhr, [&] {
        ++nachgeschlagen;
        return trenner;
    });
    // Nothing shown yet: the captions are due at once.
    EXPECT_EQ(l.MsBisFaellig(1), 0);

    struct Schritt {
        const char* was;
        qint64 vorMs;  // the clock moves on by this much first
        QChar trenner; // what the system says from here on
        int16_t sprache;
        qint64 faelligVorher; // ms until due before the captions are made
        bool neu;
        const char* datum;
        const char* zeit;
        int nachgeschlagen;
        qint64 faelligNachher;
    };
    const Schritt schritte[] = {
        {"first", 0, u'-', 1, 0, true, "12/08/26", "1:05:09 pm", 1, 750},
        {"same second", 500, u'-', 1, 250, false, "12/08/26", "1:05:09 pm", 1, 250},
        {"other language", 0, u'-', 2, 0, true, "08-12-26", "13:05:09", 1, 250},
        {"next second", 250, u'-', 2, 0, true, "08-12-26", "13:05:10", 1, 1000},
        // The separator changed, but it is looked up again only in a new minute.
        {"same minute", 49999, u'.', 2, 0, true, "08-12-26", "13:05:59", 1, 1},
        {"next minute", 1, u'.', 2, 0, true, "08.12.26", "13:06:00", 2, 1000},
        {"midnight", qint64(10 * 3600 + 54 * 60) * 1000, u'.', 2, 0, true, "09.12.26", "00:00:00",
         3, 1000},
        {"English again", 0, u'.', 1, 0, true, "12/09/26", "12:00:00 am", 3, 1000},
    };
    for (const Schritt& s : schritte) {
        SCOPED_TRACE(s.was);
        uhr.VorstellenMs(s.vorMs);
        trenner = s.trenner;
        EXPECT_EQ(l.MsBisFaellig(s.sprache), s.faelligVorher);
        EXPECT_EQ(l.Stellen(s.sprache), s.neu);
        EXPECT_EQ(l.Anzeige().datum, QString::fromUtf8(s.datum));
        EXPECT_EQ(l.Anzeige().uhr, QString::fromUtf8(s.zeit));
        EXPECT_EQ(nachgeschlagen, s.nachgeschlagen);
        EXPECT_EQ(l.MsBisFaellig(s.sprache), s.faelligNachher);
    }
}

// Seconds and minutes of times before 1970 as well: the division rounds
// towards zero there, the second does not.
TEST(LeistenUhr, SecondsAndDueTimesAroundZero) {
    struct Fall {
        qint64 ms;
        qint64 teil;
        qint64 sekunde;
        qint64 bisZumNaechsten;
    };
    const Fall faelle[] = {
        {0, 1000, 0, 1000},    {999, 1000, 0, 1},           {1000, 1000, 1, 1000},
        {-1, 1000, -1, 1},     {-1000, 1000, -1, 1000},     {-1001, 1000, -2, 1},
        {59999, 60000, 59, 1}, {-59999, 60000, -60, 59999}, {123456, 60000, 123, 56544},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.ms);
        EXPECT_EQ(SekundeVon(f.ms), f.sekunde);
        EXPECT_EQ(MsBisZumNaechsten(f.ms, f.teil), f.bisZumNaechsten);
    }
}

} // namespace
