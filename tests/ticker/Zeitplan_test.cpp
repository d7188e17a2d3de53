// The schedule test, on notes held in memory: one class of cases per rhythm,
// the reading of the record, text outside the editor's encoding, and a sweep
// over two whole years against day lists worked out from the calendar.

#include "TestHilfe.h"
#include "Zeitplan.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <gtest/gtest.h>
#include <map>
#include <ostream>
#include <set>
#include <vector>

// Readable failure messages for the dates compared below.
static void PrintTo(const QDate& d, std::ostream* os) {
    *os << d.toString(Qt::ISODate).toStdString();
}

namespace pinwick {
namespace {

// A note row held in a map; every read is logged. A column that was never
// set reads as Null, like an untouched column of a new row.
class NotizSatz : public Satz {
public:
    std::map<QString, Wert> spalten;
    mutable QStringList gelesen;

    NotizSatz& mit(const QString& name, const Wert& wert) {
        spalten[name] = wert;
        return *this;
    }
    Wert Feld(QStringView name) const override {
        gelesen << name.toString();
        auto it = spalten.find(name.toString());
        return it == spalten.end() ? Wert() : it->second;
    }
};

// Times of day the way the editor stores them.
double uhr(int stunde, int minute) {
    return stunde / 24.0 + minute / 1440.0;
}
double tag(int j, int m, int t) {
    return double(QDate(1899, 12, 30).daysTo(QDate(j, m, t)));
}

QDateTime am(int j, int m, int t, int hh = 12, int mm = 0, int ss = 0) {
    return QDateTime(QDate(j, m, t), QTime(hh, mm, ss));
}

NotizSatz permanent() {
    NotizSatz s;
    s.mit("Rhythmus", 0);
    return s;
}
NotizSatz taeglich(double von, double bis) {
    NotizSatz s;
    s.mit("Rhythmus", 1).mit("UhrVon", von).mit("UhrBis", bis);
    return s;
}
NotizSatz mitPlan(int rhythmus, double start, const QString& details) {
    NotizSatz s;
    s.mit("Rhythmus", rhythmus)
        .mit("UhrVon", 0)
        .mit("UhrBis", 0)
        .mit("StartDatum", start)
        .mit("RhyDetails", details);
    return s;
}
NotizSatz woechentlich(double start, int dauer, const QString& tage) {
    return mitPlan(2, start, tage).mit("Dauer", dauer);
}
NotizSatz monatlich(const QString& details, int vorher, double start = tag(2000, 1, 1)) {
    return mitPlan(3, start, details).mit("Vorher", vorher);
}
NotizSatz jaehrlich(const QString& details, int vorher, double start = tag(2000, 1, 1)) {
    return mitPlan(4, start, details).mit("Vorher", vorher);
}

// The days of one month on which the note is due at noon.
std::vector<int> faelligImMonat(const Satz& s, int j, int m) {
    std::vector<int> tage;
    for (int t = 1; t <= QDate(j, m, 1).daysInMonth(); ++t)
        if (ZeitTestKern(s, am(j, m, t)))
            tage.push_back(t);
    return tage;
}
using Tage = std::vector<int>;

const QString alleTage = QStringLiteral("-1-1-1-1-1-1-1");

// ---- permanent, daily and the time window ------------------------------------

TEST(ZeitplanFenster, PermanentIsDueWithoutReadingAnythingElse) {
    NotizSatz s = permanent();
    s.mit("UhrVon", uhr(22, 0)).mit("UhrBis", uhr(2, 0));
    EXPECT_TRUE(ZeitTestKern(s, am(2024, 5, 1, 12)));
    EXPECT_EQ(s.gelesen, QStringList{"Rhythmus"});
}

TEST(ZeitplanFenster, BothEndsCountUpToTheBoundarySecond) {
    const NotizSatz s = taeglich(uhr(8, 0), uhr(12, 0));
    EXPECT_FALSE(ZeitTestKern(s, am(2024, 5, 1, 7, 59, 59)));
    EXPECT_TRUE(ZeitTestKern(s, am(2024, 5, 1, 8, 0, 0)));
    EXPECT_TRUE(ZeitTestKern(s, am(2024, 5, 1, 12, 0, 0)));
    EXPECT_FALSE(ZeitTestKern(s, am(2024, 5, 1, 12, 0, 1)));
    // Milliseconds are cut off: still the boundary second.
    EXPECT_TRUE(ZeitTestKern(s, QDateTime(QDate(2024, 5, 1), QTime(12, 0, 0, 999))));
}

TEST(ZeitplanFenster, SinglePrecisionDecidesAtTheBoundarySecond) {
    // 08:00:00 as a float lies just above the stored 08:00, 23:59:00 just
    // below the stored 23:59.
    EXPECT_FALSE(ZeitTestKern(taeglich(uhr(0, 0), uhr(8, 0)), am(2024, 5, 1, 8, 0, 0)));
    EXPECT_TRUE(ZeitTestKern(taeglich(uhr(0, 0), uhr(8, 0)), am(2024, 5, 1, 7, 59, 59)));
    EXPECT_TRUE(ZeitTestKern(taeglich(uhr(0, 0), uhr(8, 0)), am(2024, 5, 1, 0, 0, 0)));
    EXPECT_TRUE(ZeitTestKern(taeglich(uhr(20, 0), uhr(23, 59)), am(2024, 5, 1, 23, 59, 0)));
    EXPECT_FALSE(ZeitTestKern(taeglich(uhr(23, 59), uhr(23, 59)), am(2024, 5, 1, 23, 59, 0)));
}

TEST(ZeitplanFenster, WholeDayAndWrappedWindow) {
    const NotizSatz ganztags = taeglich(0, 0);
    const NotizSatz verdreht = taeglich(uhr(22, 0), uhr(2, 0));
    for (QTime t : {QTime(0, 0), QTime(1, 0), QTime(12, 0), QTime(22, 0), QTime(23, 59, 59)}) {
        EXPECT_TRUE(ZeitTestKern(ganztags, QDateTime(QDate(2024, 5, 1), t)))
            << t.toString().toStdString();
        EXPECT_FALSE(ZeitTestKern(verdreht, QDateTime(QDate(2024, 5, 1), t)))
            << t.toString().toStdString();
    }
}

TEST(ZeitplanFenster, DailyIgnoresTheFirstDate) {
    NotizSatz s = taeglich(0, 0);
    s.mit("StartDatum", tag(2099, 1, 1));
    EXPECT_TRUE(ZeitTestKern(s, am(2024, 5, 1)));
    EXPECT_EQ(s.gelesen, (QStringList{"Rhythmus", "UhrVon", "UhrBis"}));
}

TEST(ZeitplanFenster, UnknownRhythmHasOnlyItsWindow) {
    for (int r : {-1, 5, 99}) {
        NotizSatz s = taeglich(uhr(8, 0), uhr(12, 0));
        s.mit("Rhythmus", r).mit("StartDatum", tag(2099, 1, 1));
        EXPECT_TRUE(ZeitTestKern(s, am(2024, 5, 1, 9))) << r;
        EXPECT_FALSE(ZeitTestKern(s, am(2024, 5, 1, 13))) << r;
    }
}

TEST(ZeitplanFenster, WindowAppliesToEveryScheduledRhythm) {
    NotizSatz w = woechentlich(tag(2024, 1, 1), 0, alleTage);
    NotizSatz m = monatlich("11", 0);
    NotizSatz j = jaehrlich("0105", 0);
    for (NotizSatz* s : {&w, &m, &j}) {
        s->mit("UhrVon", uhr(8, 0)).mit("UhrBis", uhr(9, 0));
        EXPECT_TRUE(ZeitTestKern(*s, am(2024, 5, 1, 8, 30)));
        EXPECT_FALSE(ZeitTestKern(*s, am(2024, 5, 1, 9, 30)));
    }
}

// ---- weekly --------------------------------------------------------------------

TEST(ZeitplanWoche, RunsForExactlyItsWeeks) {
    // Monday 1 January 2024, two weeks: up to and including Sunday the 14th.
    const NotizSatz s = woechentlich(tag(2024, 1, 1), 2, alleTage);
    EXPECT_FALSE(ZeitTestKern(s, am(2023, 12, 31)));
    EXPECT_TRUE(ZeitTestKern(s, am(2024, 1, 1, 0, 0, 0)));
    EXPECT_TRUE(ZeitTestKern(s, am(2024, 1, 14, 23, 59, 59)));
    EXPECT_FALSE(ZeitTestKern(s, am(2024, 1, 15, 0, 0, 0)));
}

TEST(ZeitplanWoche, NoDurationNeverEnds) {
    for (int dauer : {0, -3}) {
        const NotizSatz s = woechentlich(tag(2024, 1, 1), dauer, alleTage);
        EXPECT_TRUE(ZeitTestKern(s, am(2024, 1, 15))) << dauer;
        EXPECT_TRUE(ZeitTestKern(s, am(2090, 7, 4))) << dauer;
    }
}

TEST(ZeitplanWoche, OnlyTheActiveWeekdays) {
    // 1 to 7 January 2024 is Monday to Sunday.
    const NotizSatz freitag = woechentlich(tag(2024, 1, 1), 4, " 0 0 0 0-1 0 0");
    EXPECT_FALSE(ZeitTestKern(freitag, am(2024, 1, 4)));
    EXPECT_TRUE(ZeitTestKern(freitag, am(2024, 1, 5)));
    EXPECT_EQ(faelligImMonat(freitag, 2024, 1), (Tage{5, 12, 19, 26}));

    const NotizSatz sonntag = woechentlich(tag(2024, 1, 1), 0, " 0 0 0 0 0 0-1");
    EXPECT_EQ(faelligImMonat(sonntag, 2024, 1), (Tage{7, 14, 21, 28}));
}

// ---- monthly -------------------------------------------------------------------

TEST(ZeitplanMonat, FixedDayWithAdvanceNotice) {
    EXPECT_EQ(faelligImMonat(monatlich("115", 0), 2024, 6), (Tage{15}));
    EXPECT_EQ(faelligImMonat(monatlich("115", 3), 2024, 6), (Tage{12, 13, 14, 15}));
    // A leading zero as typed does not matter.
    EXPECT_EQ(faelligImMonat(monatlich("105", 1), 2024, 6), (Tage{4, 5}));
}

TEST(ZeitplanMonat, DayTheMonthLacks) {
    // April has 30 days.
    EXPECT_EQ(faelligImMonat(monatlich("131", 0), 2024, 4), Tage{});
    EXPECT_EQ(faelligImMonat(monatlich("131", 0), 2024, 5), (Tage{31}));
    EXPECT_EQ(faelligImMonat(monatlich("131", 2), 2024, 4), (Tage{29, 30}));
    EXPECT_EQ(faelligImMonat(monatlich("130", 0), 2023, 2), Tage{});
    EXPECT_EQ(faelligImMonat(monatlich("130", 2), 2023, 2), (Tage{28}));
}

TEST(ZeitplanMonat, AdvanceNoticeNeverReachesIntoAnotherMonth) {
    // The 3rd with five days' notice: not at the end of the month before.
    const NotizSatz dritter = monatlich("13", 5);
    EXPECT_EQ(faelligImMonat(dritter, 2024, 4), (Tage{1, 2, 3}));
    // First Monday of June 2024 is the 3rd; from 29 May on it is still
    // May's first Monday (the 6th) that counts.
    const NotizSatz ersterMontag = monatlich("210", 5);
    EXPECT_EQ(faelligImMonat(ersterMontag, 2024, 5), (Tage{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(faelligImMonat(ersterMontag, 2024, 6), (Tage{1, 2, 3}));
}

TEST(ZeitplanMonat, LastWeekdayWithAdvanceNotice) {
    // Last Fridays of 2024: 29 March, 26 April, 31 May.
    const NotizSatz s = monatlich("254", 3);
    EXPECT_EQ(faelligImMonat(s, 2024, 3), (Tage{26, 27, 28, 29}));
    EXPECT_EQ(faelligImMonat(s, 2024, 4), (Tage{23, 24, 25, 26}));
    EXPECT_EQ(faelligImMonat(s, 2024, 5), (Tage{28, 29, 30, 31}));
}

TEST(ZeitplanMonat, FourthIsNotTheLastInAMonthWithFive) {
    // March 2024 has five Fridays: 1, 8, 15, 22, 29.
    EXPECT_EQ(faelligImMonat(monatlich("244", 0), 2024, 3), (Tage{22}));
    EXPECT_EQ(faelligImMonat(monatlich("254", 0), 2024, 3), (Tage{29}));
    // Any position from 5 on means the last.
    EXPECT_EQ(faelligImMonat(monatlich("294", 0), 2024, 3), (Tage{29}));
    EXPECT_EQ(faelligImMonat(monatlich("214", 0), 2024, 3), (Tage{1}));
    // Sunday is weekday 6: the second Sunday of March 2024 is the 10th.
    EXPECT_EQ(faelligImMonat(monatlich("226", 0), 2024, 3), (Tage{10}));
}

TEST(ZeitplanMonat, FebruaryOf2100CountsTwentyNineDays) {
    // 2100 is no leap year, but the month is walked to its 29th day, which
    // is Monday 1 March: February's last Monday becomes that day.
    EXPECT_EQ(faelligImMonat(monatlich("250", 0), 2100, 2), Tage{});
    EXPECT_EQ(faelligImMonat(monatlich("250", 7), 2100, 2), (Tage{22, 23, 24, 25, 26, 27, 28}));
    EXPECT_EQ(faelligImMonat(monatlich("240", 0), 2100, 2), (Tage{22}));
    EXPECT_EQ(faelligImMonat(monatlich("250", 0), 2100, 3), (Tage{29}));
}

// ---- yearly ----------------------------------------------------------------------

TEST(ZeitplanJahr, TwentyNinthOfFebruaryRollsOver) {
    const NotizSatz s = jaehrlich("2902", 0);
    EXPECT_FALSE(ZeitTestKern(s, am(2023, 2, 28)));
    EXPECT_TRUE(ZeitTestKern(s, am(2023, 3, 1)));
    EXPECT_TRUE(ZeitTestKern(s, am(2024, 2, 29)));
    EXPECT_FALSE(ZeitTestKern(s, am(2024, 3, 1)));
}

TEST(ZeitplanJahr, SeveralDatesWithAdvanceNotice) {
    const NotizSatz s = jaehrlich("24123112", 2);
    EXPECT_EQ(faelligImMonat(s, 2024, 12), (Tage{22, 23, 24, 29, 30, 31}));
    EXPECT_EQ(faelligImMonat(s, 2024, 11), Tage{});
}

TEST(ZeitplanJahr, AdvanceNoticeStaysInTheCurrentYear) {
    const NotizSatz s = jaehrlich("0201", 5);
    EXPECT_EQ(faelligImMonat(s, 2024, 1), (Tage{1, 2}));
    EXPECT_EQ(faelligImMonat(s, 2024, 12), Tage{});
}

TEST(ZeitplanStart, FutureFirstDateHoldsBackMatchingDays) {
    const double start = tag(2024, 6, 16);
    EXPECT_FALSE(ZeitTestKern(woechentlich(start, 0, alleTage), am(2024, 6, 15)));
    EXPECT_TRUE(ZeitTestKern(woechentlich(start, 0, alleTage), am(2024, 6, 16, 0, 0, 0)));
    EXPECT_FALSE(ZeitTestKern(monatlich("115", 0, start), am(2024, 6, 15)));
    EXPECT_TRUE(ZeitTestKern(monatlich("115", 0, start), am(2024, 7, 15)));
    // The third Sunday of June 2024 is the 16th.
    EXPECT_TRUE(ZeitTestKern(monatlich("236", 0, start), am(2024, 6, 16)));
    EXPECT_FALSE(ZeitTestKern(monatlich("236", 0, start + 1), am(2024, 6, 16)));
    EXPECT_FALSE(ZeitTestKern(jaehrlich("1506", 0, start), am(2024, 6, 15)));
    EXPECT_TRUE(ZeitTestKern(jaehrlich("1506", 0, start), am(2025, 6, 15)));
    // A first date with a time part counts as its whole day.
    EXPECT_TRUE(ZeitTestKern(monatlich("115", 0, tag(2024, 6, 15) + 0.75), am(2024, 6, 15)));
}

// ---- reading the record ------------------------------------------------------------

TEST(ZeitplanLesen, ColumnsAreReadInOrderAndOnlyWhenNeeded) {
    NotizSatz w = woechentlich(tag(2024, 1, 1), 0, alleTage);
    ZeitTestKern(w, am(2024, 5, 1));
    EXPECT_EQ(w.gelesen,
              (QStringList{"Rhythmus", "StartDatum", "UhrVon", "UhrBis", "Dauer", "RhyDetails"}));

    NotizSatz m = monatlich("115", 0);
    ZeitTestKern(m, am(2024, 5, 1));
    EXPECT_EQ(m.gelesen,
              (QStringList{"Rhythmus", "StartDatum", "UhrVon", "UhrBis", "RhyDetails", "Vorher"}));

    NotizSatz j = jaehrlich("0101", 0);
    ZeitTestKern(j, am(2024, 5, 1));
    EXPECT_EQ(j.gelesen,
              (QStringList{"Rhythmus", "StartDatum", "UhrVon", "UhrBis", "Vorher", "RhyDetails"}));

    // Outside the window nothing after UhrBis is read.
    NotizSatz spaet = jaehrlich("0101", 0);
    spaet.mit("UhrVon", uhr(8, 0)).mit("UhrBis", uhr(9, 0));
    ZeitTestKern(spaet, am(2024, 5, 1, 10));
    EXPECT_EQ(spaet.gelesen, (QStringList{"Rhythmus", "StartDatum", "UhrVon", "UhrBis"}));
}

TEST(ZeitplanLesen, NullInANeededColumnThrows) {
    const auto ohne = [](NotizSatz s, const QString& spalte) {
        s.spalten.erase(spalte);
        return s;
    };
    const NotizSatz w = woechentlich(tag(2024, 1, 1), 0, alleTage);
    for (const char* spalte : {"Rhythmus", "StartDatum", "UhrVon", "UhrBis", "Dauer", "RhyDetails"})
        EXPECT_THROW(ZeitTestKern(ohne(w, spalte), am(2024, 5, 1)), DatenFehler) << spalte;
    const NotizSatz m = monatlich("115", 0);
    for (const char* spalte : {"Vorher", "RhyDetails"})
        EXPECT_THROW(ZeitTestKern(ohne(m, spalte), am(2024, 5, 1)), DatenFehler) << spalte;
    EXPECT_THROW(ZeitTestKern(ohne(jaehrlich("0101", 0), "Vorher"), am(2024, 5, 1)), DatenFehler);
    EXPECT_THROW(ZeitTestKern(ohne(taeglich(0, 0), "UhrBis"), am(2024, 5, 1)), DatenFehler);
    // A text where a number is needed is as bad as Null.
    EXPECT_THROW(ZeitTestKern(monatlich("115", 0).mit("Vorher", "viele"), am(2024, 5, 1)),
                 DatenFehler);
    EXPECT_THROW(ZeitTestKern(monatlich("115", 0, 1e12), am(2024, 5, 1)), DatenFehler);
}

TEST(ZeitplanLesen, NullInAColumnNeverReachedIsHarmless) {
    // Before its first date a weekly note needs neither Dauer nor RhyDetails.
    NotizSatz w = woechentlich(tag(2024, 6, 1), 0, alleTage);
    w.spalten.erase("Dauer");
    w.spalten.erase("RhyDetails");
    EXPECT_FALSE(ZeitTestKern(w, am(2024, 5, 1)));
    // A daily note has no first date, a permanent one no window.
    NotizSatz d = taeglich(0, 0);
    d.mit("StartDatum", Wert()).mit("Dauer", Wert()).mit("RhyDetails", Wert());
    EXPECT_TRUE(ZeitTestKern(d, am(2024, 5, 1)));
    EXPECT_TRUE(ZeitTestKern(permanent(), am(2024, 5, 1)));
}

// ---- text outside the editor's encoding ----------------------------------------------

TEST(ZeitplanKaputt, ShortOrLongWeekdayText) {
    // 1 to 7 January 2024 is Monday to Sunday.
    EXPECT_EQ(faelligImMonat(woechentlich(tag(2024, 1, 1), 1, "-1"), 2024, 1), (Tage{1}));
    EXPECT_EQ(faelligImMonat(woechentlich(tag(2024, 1, 1), 1, " 0-1-"), 2024, 1), (Tage{2}));
    EXPECT_EQ(faelligImMonat(woechentlich(tag(2024, 1, 1), 1, ""), 2024, 1), Tage{});
    EXPECT_EQ(faelligImMonat(woechentlich(tag(2024, 1, 1), 1, " 0 0 0 0 0 0-1-1-1"), 2024, 1),
              (Tage{7}));
    // Any leading number other than 0 marks the day.
    EXPECT_EQ(faelligImMonat(woechentlich(tag(2024, 1, 1), 1, " 1 0x1 0 2ab 9"), 2024, 1),
              (Tage{1, 5, 7}));
}

TEST(ZeitplanKaputt, MonthlyTextsThatNameNoDay) {
    for (const char* details :
         {"", "1", "1x", "2", "20", "2x4", "2 4", "207", "217", "24-1", "241.5"}) {
        for (int monat : {2, 3, 4})
            EXPECT_EQ(faelligImMonat(monatlich(details, 31), 2024, monat), Tage{})
                << details << " " << monat;
    }
}

TEST(ZeitplanKaputt, MonthlyWeekdayFormIsReadWhateverTheKind) {
    // Only "1" means a fixed day; any other kind is the weekday form.
    EXPECT_EQ(faelligImMonat(monatlich("344", 0), 2024, 3), (Tage{22}));
    // A weekday without a number reads as 0, Monday: first Monday of April 2024.
    EXPECT_EQ(faelligImMonat(monatlich("21", 0), 2024, 4), (Tage{1}));
    EXPECT_EQ(faelligImMonat(monatlich("21x", 0), 2024, 4), (Tage{1}));
}

TEST(ZeitplanKaputt, YearlyIncompleteEntryEndsTheScan) {
    // The complete entry before it still counts.
    const NotizSatz s = jaehrlich("2412311", 0);
    EXPECT_TRUE(ZeitTestKern(s, am(2024, 12, 24)));
    EXPECT_FALSE(ZeitTestKern(s, am(2024, 12, 31)));
    EXPECT_EQ(faelligImMonat(jaehrlich("241", 31), 2024, 12), Tage{});
    EXPECT_EQ(faelligImMonat(jaehrlich("", 31), 2024, 12), Tage{});
}

TEST(ZeitplanKaputt, YearlyDaysAndMonthsRollOver) {
    // Day 0 is the last day of the month before.
    EXPECT_TRUE(ZeitTestKern(jaehrlich("0003", 0), am(2024, 2, 29)));
    EXPECT_TRUE(ZeitTestKern(jaehrlich("0003", 0), am(2023, 2, 28)));
    // 31 April is 1 May.
    EXPECT_TRUE(ZeitTestKern(jaehrlich("3104", 0), am(2024, 5, 1)));
    // Month 13 is next January, month 0 last December: never in this year,
    // except through the advance notice reaching back from next January.
    EXPECT_EQ(faelligImMonat(jaehrlich("0113", 0), 2024, 1), Tage{});
    EXPECT_EQ(faelligImMonat(jaehrlich("0113", 3), 2024, 12), (Tage{29, 30, 31}));
    EXPECT_EQ(faelligImMonat(jaehrlich("3100", 0), 2024, 12), Tage{});
    // A blank-led day is read by its number.
    EXPECT_TRUE(ZeitTestKern(jaehrlich(" 503", 0), am(2024, 3, 5)));
}

// ---- two whole years ------------------------------------------------------------------

// Each note is asked at noon of every day of 2027 and 2028. The expected days
// come from the calendar: explicit lists, or dates built by QDate from the
// rule in words, never from the schedule code.
class ZeitplanJahreslauf : public ::testing::Test {
protected:
    static std::set<QDate> faellig(const Satz& s) {
        std::set<QDate> tage;
        for (QDate d(2027, 1, 1); d <= QDate(2028, 12, 31); d = d.addDays(1))
            if (ZeitTestKern(s, QDateTime(d, QTime(12, 0))))
                tage.insert(d);
        return tage;
    }
    static int imJahr(const std::set<QDate>& tage, int jahr) {
        int n = 0;
        for (const QDate& d : tage)
            n += d.year() == jahr;
        return n;
    }
};

TEST_F(ZeitplanJahreslauf, WeeklyMondayAndThursdayForTenWeeks) {
    // From Thursday 18 November 2027 for 70 days: up to Wednesday 26 January 2028.
    const auto tage = faellig(woechentlich(tag(2027, 11, 18), 10, "-1 0 0-1 0 0 0"));
    const std::set<QDate> erwartet = {
        {2027, 11, 18}, {2027, 11, 22}, {2027, 11, 25}, {2027, 11, 29}, {2027, 12, 2},
        {2027, 12, 6},  {2027, 12, 9},  {2027, 12, 13}, {2027, 12, 16}, {2027, 12, 20},
        {2027, 12, 23}, {2027, 12, 27}, {2027, 12, 30}, {2028, 1, 3},   {2028, 1, 6},
        {2028, 1, 10},  {2028, 1, 13},  {2028, 1, 17},  {2028, 1, 20},  {2028, 1, 24}};
    EXPECT_EQ(tage, erwartet);
    EXPECT_EQ(imJahr(tage, 2027), 13);
    EXPECT_EQ(imJahr(tage, 2028), 7);
}

TEST_F(ZeitplanJahreslauf, MonthlyFifteenthWithTwoDays) {
    const auto tage = faellig(monatlich("115", 2));
    std::set<QDate> erwartet;
    for (int j : {2027, 2028})
        for (int m = 1; m <= 12; ++m)
            for (int t : {13, 14, 15})
                erwartet.insert(QDate(j, m, t));
    EXPECT_EQ(tage, erwartet);
    EXPECT_EQ(imJahr(tage, 2027), 36);
    EXPECT_EQ(imJahr(tage, 2028), 36);
}

TEST_F(ZeitplanJahreslauf, MonthlyLastSunday) {
    const auto tage = faellig(monatlich("256", 0));
    const int letzte2027[12] = {31, 28, 28, 25, 30, 27, 25, 29, 26, 31, 28, 26};
    const int letzte2028[12] = {30, 27, 26, 30, 28, 25, 30, 27, 24, 29, 26, 31};
    std::set<QDate> erwartet;
    for (int m = 1; m <= 12; ++m) {
        erwartet.insert(QDate(2027, m, letzte2027[m - 1]));
        erwartet.insert(QDate(2028, m, letzte2028[m - 1]));
    }
    EXPECT_EQ(tage, erwartet);
    EXPECT_EQ(imJahr(tage, 2027), 12);
    EXPECT_EQ(imJahr(tage, 2028), 12);
}

TEST_F(ZeitplanJahreslauf, MonthlySecondTuesdayWithOneDay) {
    const auto tage = faellig(monatlich("221", 1));
    const int zweite2027[12] = {12, 9, 9, 13, 11, 8, 13, 10, 14, 12, 9, 14};
    const int zweite2028[12] = {11, 8, 14, 11, 9, 13, 11, 8, 12, 10, 14, 12};
    std::set<QDate> erwartet;
    for (int m = 1; m <= 12; ++m) {
        // The Monday before the second Tuesday is always in the same month.
        for (int davor : {0, 1}) {
            erwartet.insert(QDate(2027, m, zweite2027[m - 1] - davor));
            erwartet.insert(QDate(2028, m, zweite2028[m - 1] - davor));
        }
    }
    EXPECT_EQ(tage, erwartet);
    EXPECT_EQ(imJahr(tage, 2027), 24);
    EXPECT_EQ(imJahr(tage, 2028), 24);
}

TEST_F(ZeitplanJahreslauf, YearlyNewYearLeapDayAndNewYearsEve) {
    const auto tage = faellig(jaehrlich("010129023112", 3));
    // 1 January alone (its notice would fall into the year before); 29
    // February is 1 March in 2027; 31 December with its three days.
    const std::set<QDate> erwartet = {
        {2027, 1, 1},   {2027, 2, 26},  {2027, 2, 27},  {2027, 2, 28},  {2027, 3, 1},
        {2027, 12, 28}, {2027, 12, 29}, {2027, 12, 30}, {2027, 12, 31}, {2028, 1, 1},
        {2028, 2, 26},  {2028, 2, 27},  {2028, 2, 28},  {2028, 2, 29},  {2028, 12, 28},
        {2028, 12, 29}, {2028, 12, 30}, {2028, 12, 31}};
    EXPECT_EQ(tage, erwartet);
    EXPECT_EQ(imJahr(tage, 2027), 9);
    EXPECT_EQ(imJahr(tage, 2028), 9);
}

} // namespace
} // namespace pinwick
