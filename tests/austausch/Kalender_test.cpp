// Notes as iCalendar: hand-written calendars of every rule form the ticker
// takes and of forms it refuses; round trips; and the days a calendar
// program (libical here) expands an exported note to are the days the
// ticker's schedule test shows it, over whole years.

#include "Csv.h"
#include "Hilfen.h"
#include "Kalender.h"
#include "Zeitplan.h"
#include "ZufallsWahl.h"

#include <QRegularExpression>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <libical/ical.h>

#include <map>
#include <set>

namespace pinwick {
namespace {

const QDate heute(2026, 12, 9);
const QDateTime stempel(QDate(2026, 12, 9), QTime(10, 0), QTimeZone::utc());

QByteArray kalender(const QByteArray& ereignisse) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n" + ereignisse +
           "END:VCALENDAR\r\n";
}

// A note as its CSV line: every choice in one readable string.
QString alsZeile(const Notiz& n) {
    return QString::fromUtf8(CsvNotizZeile(n)).trimmed();
}

TEST(Kalender, HandWrittenEventsOfEveryRuleFormAndTheRefusedOnes) {
    struct Fall {
        const char* name;
        QByteArray ereignis;  // the lines between BEGIN:VEVENT and END:VEVENT
        const char* erwartet; // the note as its CSV line, or "refused: " and part of the reason
    };
    // clang-format off
    const Fall faelle[] = {
        {"daily with a window", "DTSTART:20260105T080000\r\nDTEND:20260105T123000\r\nRRULE:FREQ=DAILY\r\n", "x,daily,08:00,12:30,,,,"},
        {"daily ending at midnight", "DTSTART:20260105T220000\r\nDTEND:20260106T000000\r\nRRULE:FREQ=DAILY\r\n", "x,daily,22:00,23:59,,,,"},
        {"daily by DURATION", "DTSTART:20260105T080000\r\nDURATION:PT90M\r\nRRULE:FREQ=DAILY\r\n", "x,daily,08:00,09:30,,,,"},
        {"all-day without end", "DTSTART;VALUE=DATE:20200101\r\nRRULE:FREQ=DAILY\r\n", "x,permanent,,,,,,"},
        {"all-day one day", "DTSTART;VALUE=DATE:20200101\r\nDTEND;VALUE=DATE:20200102\r\nRRULE:FREQ=DAILY\r\n", "x,daily,,,,,,"},
        {"daily from a day to come", "DTSTART;VALUE=DATE:20270104\r\nRRULE:FREQ=DAILY\r\n", "x,weekly,,,2027-01-04,0,\"mon,tue,wed,thu,fri,sat,sun\","},
        {"daily until", "DTSTART;VALUE=DATE:20260105\r\nRRULE:FREQ=DAILY;UNTIL=20260118\r\n", "x,weekly,,,2026-01-05,2,\"mon,tue,wed,thu,fri,sat,sun\","},
        {"weekly by day", "DTSTART:20260105T090000\r\nDTEND:20260105T100000\r\nRRULE:FREQ=WEEKLY;BYDAY=MO,TH\r\n", "x,weekly,09:00,10:00,2026-01-05,0,\"mon,thu\","},
        {"weekly on the first day's weekday", "DTSTART;VALUE=DATE:20260107\r\nRRULE:FREQ=WEEKLY\r\n", "x,weekly,,,2026-01-07,0,wed,"},
        {"weekly until a whole week", "DTSTART;VALUE=DATE:20260105\r\nRRULE:FREQ=WEEKLY;BYDAY=MO,FR;UNTIL=20260130\r\n", "x,weekly,,,2026-01-05,4,\"mon,fri\","},
        {"weekly until mid-week", "DTSTART;VALUE=DATE:20260105\r\nRRULE:FREQ=WEEKLY;BYDAY=MO,FR;UNTIL=20260126\r\n", "refused: middle of a week"},
        {"weekly until in UTC", "DTSTART:20260105T090000Z\r\nDTEND:20260105T100000Z\r\nRRULE:FREQ=WEEKLY;BYDAY=MO;UNTIL=20260126T090000Z\r\n", "x,weekly,09:00,10:00,2026-01-05,4,mon,"},
        {"monthly by day", "DTSTART;VALUE=DATE:20260115\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=15\r\n", "x,monthly,,,2026-01-15,,15,0"},
        {"monthly on the first day's day", "DTSTART;VALUE=DATE:20260131\r\nRRULE:FREQ=MONTHLY\r\n", "x,monthly,,,2026-01-31,,31,0"},
        {"monthly last Friday, 3 days earlier", "DTSTART;VALUE=DATE:20260130\r\nRRULE:FREQ=MONTHLY;BYDAY=-1FR\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER:-P3D\r\nEND:VALARM\r\n", "x,monthly,,,2026-01-27,,last-fri,3"},
        {"notice longer than a month stops after the hit before", "DTSTART;VALUE=DATE:20260115\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=15\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER:-P40D\r\nEND:VALARM\r\n", "x,monthly,,,2025-12-16,,15,40"},
        {"yearly, two weeks' notice", "DTSTART;VALUE=DATE:20261224\r\nRRULE:FREQ=YEARLY;BYMONTH=12;BYMONTHDAY=24\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER:-P14D\r\nEND:VALARM\r\n", "x,yearly,,,2026-12-10,,24.12,14"},
        {"monthly second Monday", "DTSTART;VALUE=DATE:20260112\r\nRRULE:FREQ=MONTHLY;BYDAY=2MO\r\n", "x,monthly,,,2026-01-12,,2nd-mon,0"},
        {"an alarm in minutes is no advance day", "DTSTART;VALUE=DATE:20260112\r\nRRULE:FREQ=MONTHLY;BYDAY=2MO\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n", "x,monthly,,,2026-01-12,,2nd-mon,0"},
        {"yearly", "DTSTART;VALUE=DATE:20261224\r\nRRULE:FREQ=YEARLY;BYMONTH=12;BYMONTHDAY=24\r\n", "x,yearly,,,2026-12-24,,24.12,0"},
        {"yearly on the first day", "DTSTART;VALUE=DATE:20260305\r\nRRULE:FREQ=YEARLY\r\n", "x,yearly,,,2026-03-05,,05.03,0"},
        {"yearly, four rules, a week earlier", "DTSTART;VALUE=DATE:20260101\r\nRRULE:FREQ=YEARLY;BYMONTH=1;BYMONTHDAY=1\r\nRRULE:FREQ=YEARLY;BYYEARDAY=60\r\nRRULE:FREQ=YEARLY;BYMONTH=12;BYMONTHDAY=24\r\nRRULE:FREQ=YEARLY;BYMONTH=12;BYMONTHDAY=31\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:x\r\nTRIGGER:-P1W\r\nEND:VALARM\r\n", "x,yearly,,,2026-01-01,,\"01.01,29.02,24.12,31.12\",7"},
        {"hourly", "DTSTART:20260105T080000\r\nDTEND:20260105T083000\r\nRRULE:FREQ=HOURLY\r\n", "refused: FREQ=HOURLY"},
        {"COUNT", "DTSTART;VALUE=DATE:20260105\r\nRRULE:FREQ=WEEKLY;COUNT=5\r\n", "refused: COUNT"},
        {"EXDATE", "DTSTART;VALUE=DATE:20260105\r\nRRULE:FREQ=WEEKLY\r\nEXDATE;VALUE=DATE:20260112\r\n", "refused: EXDATE"},
        {"RDATE", "DTSTART;VALUE=DATE:20260105\r\nRRULE:FREQ=WEEKLY\r\nRDATE;VALUE=DATE:20260113\r\n", "refused: RDATE"},
        {"every second week", "DTSTART;VALUE=DATE:20260105\r\nRRULE:FREQ=WEEKLY;INTERVAL=2\r\n", "refused: INTERVAL=2"},
        {"BYSETPOS", "DTSTART;VALUE=DATE:20260105\r\nRRULE:FREQ=MONTHLY;BYDAY=MO,TU;BYSETPOS=1\r\n", "refused: BYSETPOS"},
        {"fifth Monday", "DTSTART;VALUE=DATE:20260105\r\nRRULE:FREQ=MONTHLY;BYDAY=5MO\r\n", "refused: position 5"},
        {"two month days", "DTSTART;VALUE=DATE:20260105\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=1,15\r\n", "refused: more than one BYMONTHDAY"},
        {"last day of the month", "DTSTART;VALUE=DATE:20260131\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=-1\r\n", "refused: BYMONTHDAY=-1"},
        {"monthly until", "DTSTART;VALUE=DATE:20260105\r\nRRULE:FREQ=MONTHLY;UNTIL=20261231\r\n", "refused: UNTIL"},
        {"yearly by week day", "DTSTART;VALUE=DATE:20260105\r\nRRULE:FREQ=YEARLY;BYDAY=1MO\r\n", "refused: BYDAY in a yearly rule"},
        {"five yearly rules", "DTSTART;VALUE=DATE:20260101\r\nRRULE:FREQ=YEARLY\r\nRRULE:FREQ=YEARLY\r\nRRULE:FREQ=YEARLY\r\nRRULE:FREQ=YEARLY\r\nRRULE:FREQ=YEARLY\r\n", "refused: more than four"},
        {"single event", "DTSTART;VALUE=DATE:20260105\r\n", "refused: single event"},
        {"across midnight", "DTSTART:20260105T220000\r\nDTEND:20260106T020000\r\nRRULE:FREQ=DAILY\r\n", "refused: same day"},
        {"timed without end", "DTSTART:20260105T220000\r\nRRULE:FREQ=DAILY\r\n", "refused: DTEND or DURATION"},
        {"seconds", "DTSTART:20260105T080030\r\nDTEND:20260105T090000\r\nRRULE:FREQ=DAILY\r\n", "refused: to the minute"},
        {"two-day all-day event", "DTSTART;VALUE=DATE:20260105\r\nDTEND;VALUE=DATE:20260107\r\nRRULE:FREQ=WEEKLY\r\n", "refused: last one day"},
        {"yearly by day of the year past February", "DTSTART;VALUE=DATE:20270302\r\nRRULE:FREQ=YEARLY;BYYEARDAY=61\r\n", "x,yearly,,,2027-03-02,,30.02,0"},
        {"yearly by an early day of the year", "DTSTART;VALUE=DATE:20270214\r\nRRULE:FREQ=YEARLY;BYYEARDAY=45\r\n", "x,yearly,,,2027-02-14,,14.02,0"},
        {"the stored day of a rolled-over rule", "DTSTART;VALUE=DATE:20270701\r\nRRULE:FREQ=YEARLY;BYMONTH=7;BYMONTHDAY=1\r\nX-PINWICK-TAG:31.06\r\n", "x,yearly,,,2027-07-01,,31.06,0"},
        {"a stored day that is not the rule's", "DTSTART;VALUE=DATE:20270801\r\nRRULE:FREQ=YEARLY;BYMONTH=8;BYMONTHDAY=1\r\nX-PINWICK-TAG:31.06\r\n", "x,yearly,,,2027-08-01,,01.08,0"},
        {"yearly on a day the month lacks", "DTSTART;VALUE=DATE:20270101\r\nRRULE:FREQ=YEARLY;BYMONTH=4;BYMONTHDAY=31\r\n", "refused: no such day"},
        {"yearly by a late day of the year", "DTSTART;VALUE=DATE:20270101\r\nRRULE:FREQ=YEARLY;BYYEARDAY=200\r\n", "refused: days 1 to 130"},
        {"unknown time zone", "DTSTART;TZID=Nowhere/Else:20260105T080000\r\nDTEND;TZID=Nowhere/Else:20260105T090000\r\nRRULE:FREQ=DAILY\r\n", "refused: unknown time zone"},
    };
    // clang-format on
    for (const Fall& fall : faelle) {
        const QByteArray ics = kalender("BEGIN:VEVENT\r\nUID:" + QByteArray(fall.name) +
                                        "\r\nSUMMARY:x\r\n" + fall.ereignis + "END:VEVENT\r\n");
        const KalenderInhalt k = KalenderLesen(ics, heute);
        const QString erwartet = QString::fromUtf8(fall.erwartet);
        if (erwartet.startsWith(QStringLiteral("refused: "))) {
            EXPECT_TRUE(k.notizen.empty()) << fall.name;
            ASSERT_EQ(k.abgelehnt.size(), 1) << fall.name;
            EXPECT_TRUE(
                k.abgelehnt[0].startsWith(QStringLiteral("refused UID \"%1\" SUMMARY \"x\": ")
                                              .arg(QString::fromUtf8(fall.name))))
                << k.abgelehnt[0].toStdString();
            EXPECT_TRUE(k.abgelehnt[0].contains(erwartet.mid(9)))
                << fall.name << ": " << k.abgelehnt[0].toStdString();
        } else {
            EXPECT_TRUE(k.abgelehnt.isEmpty())
                << fall.name << ": " << k.abgelehnt.join(' ').toStdString();
            ASSERT_EQ(k.notizen.size(), 1u) << fall.name;
            EXPECT_EQ(alsZeile(k.notizen[0]), erwartet) << fall.name;
        }
    }
}

TEST(Kalender, ACalendarWithRefusedEventsGivesTheOthersAndNoCalendarGivesNothing) {
    const QByteArray gemischt =
        kalender("BEGIN:VEVENT\r\nUID:1\r\nSUMMARY:Pay day\r\nDTSTART;VALUE=DATE:20260115\r\n"
                 "RRULE:FREQ=MONTHLY;BYMONTHDAY=15\r\nEND:VEVENT\r\n"
                 "BEGIN:VEVENT\r\nUID:2\r\nSUMMARY:Stand-up\\, daily\r\nDTSTART:20260105T091500\r\n"
                 "DTEND:20260105T093000\r\nRRULE:FREQ=HOURLY;BYHOUR=9\r\nEND:VEVENT\r\n"
                 "BEGIN:VTODO\r\nUID:3\r\nSUMMARY:not an event\r\nEND:VTODO\r\n"
                 "BEGIN:VEVENT\r\nUID:4\r\nDTSTART;VALUE=DATE:20260115\r\nRRULE:FREQ=DAILY\r\nEND:"
                 "VEVENT\r\n");
    const KalenderInhalt k = KalenderLesen(gemischt, heute);
    ASSERT_EQ(k.notizen.size(), 1u);
    EXPECT_EQ(k.notizen[0].inhalt, QStringLiteral("Pay day"));
    EXPECT_EQ(k.abgelehnt.join('\n').toStdString(),
              (QStringList{"refused UID \"2\" SUMMARY \"Stand-up, daily\": FREQ=HOURLY: the ticker "
                           "repeats daily, weekly, monthly or yearly",
                           "refused UID \"4\" SUMMARY \"\": no SUMMARY, so no note text"}
                   .join('\n')
                   .toStdString()));
    for (const QByteArray& keiner :
         {QByteArray(), QByteArray("hello"), QByteArray("BEGIN:VEVENT\r\nEND:VEVENT\r\n"),
          QByteArray("BEGIN:VCALENDAR\0x", 17)})
        EXPECT_THROW(KalenderLesen(keiner, heute), EingabeFehler) << keiner.constData();
}

// "31.06,30.02" as the editor stores it, days past the month's end too.
std::vector<Jahrestag> JahrestageLesenOhneMonatsEnde(const QString& text) {
    std::vector<Jahrestag> tage;
    for (const QString& teil : text.split(QLatin1Char(',')))
        tage.push_back({int16_t(teil.section('.', 0, 0).toInt()),
                        int16_t(teil.section('.', 1, 1).toInt())});
    return tage;
}

// The columns of a note as the schedule test reads them.
class NotizSatz : public Satz {
public:
    explicit NotizSatz(const Notiz& n) {
        NotizSpalten(n, [this](QStringView name, const Wert& w) { spalten_[name.toString()] = w; });
    }
    Wert Feld(QStringView name) const override {
        const auto it = spalten_.find(name.toString());
        return it == spalten_.end() ? Wert() : it->second;
    }

private:
    std::map<QString, Wert> spalten_;
};

// The days libical expands the one event of a calendar to, within a year.
std::set<QDate> vorkommen(const QByteArray& ics, int jahr) {
    std::set<QDate> tage;
    icalcomponent* wurzel = icalparser_parse_string(ics.constData());
    icalcomponent* e = icalcomponent_get_first_component(wurzel, ICAL_VEVENT_COMPONENT);
    const icaltimetype start = icalcomponent_get_dtstart(e);
    for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(e, ICAL_RRULE_PROPERTY)) {
        const icalrecurrencetype regel = icalproperty_get_rrule(p);
        icalrecur_iterator* it = icalrecur_iterator_new(regel, start);
        // Straight to the year, as a calendar showing it does (not past the
        // rule's end, where libical would refuse).
        icaltimetype ab = start;
        if (ab.year < jahr && (icaltime_is_null_time(regel.until) || regel.until.year >= jahr)) {
            ab.year = jahr;
            ab.month = 1;
            ab.day = 1;
            icalrecur_iterator_set_start(it, ab);
        }
        for (icaltimetype t = icalrecur_iterator_next(it);
             !icaltime_is_null_time(t) && t.year <= jahr; t = icalrecur_iterator_next(it))
            if (t.year == jahr)
                tage.insert(QDate(t.year, t.month, t.day));
        icalrecur_iterator_free(it);
    }
    icalcomponent_free(wurzel);
    return tage;
}

TEST(Kalender, ExportedNotesOccurOnTheDaysTheTickerShowsThemOverWholeYears) {
    std::mt19937 zufall(1899);
    int geprueft = 0;
    for (int i = 0; i < 160; ++i) {
        Zeitplanwahl w = test::ZufallsWahl(zufall);
        const int vorher = w.vorher;
        // Advance days show a note before its day; the calendar has them as
        // an alarm, which is checked apart.
        w.vorher = 0;
        Notiz n;
        try {
            n = NotizAusWahl(QStringLiteral("note %1").arg(i), w, heute);
        } catch (const EingabeFehler&) {
            continue; // a choice the editor refuses: nothing to export
        }
        QStringList ausgelassen;
        const QByteArray ics = KalenderSchreiben({n}, stempel, ausgelassen);
        if (!ausgelassen.isEmpty()) {
            // Left out only when the note can never show (a weekly note whose
            // weeks hold none of its days).
            EXPECT_EQ(n.Rhythmus, RhythmusWoechentlich) << ausgelassen.join(' ').toStdString();
            continue;
        }
        ++geprueft;
        // The middle of the time window, or noon.
        const int minuten = n.Ganztags() ? 720 : int(std::lround((n.UhrVon + n.UhrBis) * 720));
        const QTime zeit(minuten / 60, minuten % 60);
        for (int jahr : {2027, 2028}) {
            std::set<QDate> gezeigt;
            const NotizSatz satz(n);
            for (QDate d(jahr, 1, 1); d.year() == jahr; d = d.addDays(1))
                if (n.Rhythmus == RhythmusPermanent || ZeitTestKern(satz, QDateTime(d, zeit)))
                    gezeigt.insert(d);
            const std::set<QDate> kalenderTage = vorkommen(ics, jahr);
            EXPECT_EQ(kalenderTage, gezeigt) << jahr << ": " << alsZeile(n).toStdString() << "\n"
                                             << ics.constData();
        }
        if (vorher > 0 && n.Rhythmus >= RhythmusMonatlich) {
            w.vorher = vorher;
            const QByteArray mitAlarm =
                KalenderSchreiben({NotizAusWahl(n.inhalt, w, heute)}, stempel, ausgelassen);
            EXPECT_TRUE(mitAlarm.contains("TRIGGER:-P" + QByteArray::number(vorher) + "D\r\n"));
        }
    }
    EXPECT_GT(geprueft, 120);
}

// Yearly days past their month's end, as the editor stores them: each is
// exported as one rule for the day the ticker rolls it over to, a calendar
// expands it to exactly the ticker's days in common and leap years (with
// the advance days before each, within its year, as the ticker counts
// them), and reading the calendar back gives the stored days again.
TEST(Kalender, YearlyDaysPastTheMonthsEndShowOnTheTickersDaysAndComeBack) {
    struct Fall {
        const char* tage;  // as stored
        int vorher;
        // The RRULEs (as libical orders their parts) and X-PINWICK-TAGs, in
        // order, joined by " ".
        const char* regeln;
    };
    // clang-format off
    const Fall faelle[] = {
        {"29.02", 0, "FREQ=YEARLY;BYYEARDAY=60"},
        {"30.02", 0, "FREQ=YEARLY;BYYEARDAY=61"},
        {"31.02", 2, "FREQ=YEARLY;BYYEARDAY=62"},
        {"31.04", 0, "FREQ=YEARLY;BYMONTHDAY=1;BYMONTH=5 X:31.04"},
        {"31.06", 3, "FREQ=YEARLY;BYMONTHDAY=1;BYMONTH=7 X:31.06"},
        {"31.09", 0, "FREQ=YEARLY;BYMONTHDAY=1;BYMONTH=10 X:31.09"},
        {"31.11", 0, "FREQ=YEARLY;BYMONTHDAY=1;BYMONTH=12 X:31.11"},
        {"28.02,30.02", 0, "FREQ=YEARLY;BYMONTHDAY=28;BYMONTH=2 FREQ=YEARLY;BYYEARDAY=61"},
        {"30.02,01.03", 1, "FREQ=YEARLY;BYYEARDAY=61 FREQ=YEARLY;BYMONTHDAY=1;BYMONTH=3"},
        {"31.06,01.07", 0, "FREQ=YEARLY;BYMONTHDAY=1;BYMONTH=7 FREQ=YEARLY;BYMONTHDAY=1;BYMONTH=7 X:31.06"},
        {"31.01,31.02,31.04,31.12", 5, "FREQ=YEARLY;BYMONTHDAY=31;BYMONTH=1 FREQ=YEARLY;BYYEARDAY=62 FREQ=YEARLY;BYMONTHDAY=1;BYMONTH=5 FREQ=YEARLY;BYMONTHDAY=31;BYMONTH=12 X:31.04"},
        // The editor's box takes days up to 99.
        {"45.01", 0, "FREQ=YEARLY;BYMONTHDAY=14;BYMONTH=2 X:45.01"},
        {"61.01", 0, "FREQ=YEARLY;BYYEARDAY=61 X:61.01"},
        {"99.02", 0, "FREQ=YEARLY;BYYEARDAY=130"},
        {"45.11", 0, "FREQ=YEARLY;BYMONTHDAY=15;BYMONTH=12 X:45.11"},
    };
    // clang-format on
    static const QRegularExpression regelZeile(QStringLiteral("^(RRULE:|X-PINWICK-TAG:)(.*)$"),
                                               QRegularExpression::MultilineOption);
    for (const Fall& f : faelle) {
        Zeitplanwahl w;
        w.rhythmus = RhythmusJaehrlich;
        w.start = QDate(2026, 1, 1);
        w.jahrestage = JahrestageLesenOhneMonatsEnde(QString::fromLatin1(f.tage));
        w.vorher = f.vorher;
        const Notiz n = NotizAusWahl(QStringLiteral("note"), w, heute);
        QStringList ausgelassen;
        const QByteArray ics = KalenderSchreiben({n}, stempel, ausgelassen);
        EXPECT_TRUE(ausgelassen.isEmpty()) << f.tage << ": " << ausgelassen.join(' ').toStdString();
        QStringList regeln;
        for (auto it = regelZeile.globalMatch(QString::fromUtf8(ics).remove('\r')); it.hasNext();) {
            const auto m = it.next();
            regeln << (m.captured(1).startsWith('X') ? QStringLiteral("X:") : QString()) +
                          m.captured(2);
        }
        EXPECT_EQ(regeln.join(' ').toStdString(), f.regeln) << f.tage;
        EXPECT_FALSE(ics.contains("RDATE")) << f.tage;

        // Eight years, two of them leap years, day by day.
        const NotizSatz satz(n);
        for (int jahr = 2026; jahr < 2034; ++jahr) {
            std::set<QDate> gezeigt, erwartet;
            for (QDate d(jahr, 1, 1); d.year() == jahr; d = d.addDays(1))
                if (ZeitTestKern(satz, QDateTime(d, QTime(12, 0))))
                    gezeigt.insert(d);
            for (const QDate& tag : vorkommen(ics, jahr))
                for (QDate d = tag.addDays(-f.vorher); d <= tag; d = d.addDays(1))
                    if (d.year() == jahr)
                        erwartet.insert(d);
            EXPECT_EQ(erwartet, gezeigt) << f.tage << " in " << jahr;
        }
        EXPECT_EQ(ics.contains("TRIGGER:-P" + QByteArray::number(f.vorher) + "D\r\n"),
                  f.vorher > 0)
            << f.tage;

        const KalenderInhalt wieder = KalenderLesen(ics, heute);
        ASSERT_EQ(wieder.notizen.size(), 1u) << f.tage << wieder.abgelehnt.join(' ').toStdString();
        EXPECT_EQ(wieder.notizen[0].RhyDetails, n.RhyDetails) << f.tage;
        EXPECT_EQ(wieder.notizen[0].Vorher, n.Vorher) << f.tage;
    }
}

// A note sent through a calendar and taken back in shows on the same days
// as before, advance days of its first occurrence included, from its first
// date on (before it the ticker never showed it).
TEST(Kalender, ANoteTakenBackInShowsOnTheSameDaysAsBefore) {
    const QByteArray zeilen = "text,rhythm,from,to,start,weeks,days,advance\r\n"
                              "Christmas,yearly,,,2026-12-09,,24.12,14\r\n"
                              "Holidays,yearly,,,2026-12-09,,\"24.12,31.12\",10\r\n"
                              "Leap day,yearly,,,2026-12-09,,29.02,3\r\n"
                              "Invoices,monthly,,,2026-12-09,,last-fri,3\r\n"
                              "Board,monthly,09:00,10:00,2026-12-09,,2nd-mon,9\r\n"
                              "Rent,monthly,,,2026-12-09,,1,5\r\n"
                              "Month end,monthly,,,2026-12-09,,31,2\r\n"
                              "Quarter,monthly,,,2027-02-20,,15,40\r\n";
    for (const CsvNotiz& c : CsvNotizenLesen(zeilen)) {
        const Notiz vorher = NotizAusWahl(c.text, c.wahl, heute);
        QStringList ausgelassen;
        const KalenderInhalt k =
            KalenderLesen(KalenderSchreiben({vorher}, stempel, ausgelassen), heute);
        ASSERT_EQ(k.notizen.size(), 1u) << c.text.toStdString();
        const Notiz& nachher = k.notizen[0];
        const NotizSatz alt(vorher), neu(nachher);
        const int minuten =
            vorher.Ganztags() ? 720 : int(std::lround((vorher.UhrVon + vorher.UhrBis) * 720));
        QStringList anders;
        const QDate erst = c.wahl.start;
        for (QDate d = erst; d < erst.addDays(800); d = d.addDays(1)) {
            const QDateTime moment(d, QTime(minuten / 60, minuten % 60));
            if (ZeitTestKern(alt, moment) != ZeitTestKern(neu, moment))
                anders << d.toString(Qt::ISODate);
        }
        EXPECT_TRUE(anders.isEmpty())
            << alsZeile(vorher).toStdString() << " came back as " << alsZeile(nachher).toStdString()
            << "; differ on " << anders.join(' ').left(200).toStdString();
    }
}

// A first day past what a calendar holds (libical stops at the year 3000):
// the note is left out with a line naming it, the others are written and read
// back whole.
TEST(Kalender, NotesBeyondTheCalendarsYearsAreLeftOutByName) {
    struct Fall {
        const char* zeile;       // text,rhythm,from,to,start,weeks,days,advance
        const char* ausgelassen; // part of the line naming it, or nullptr
    };
    // clang-format off
    const Fall faelle[] = {
        {"Last year,yearly,,,3000-01-01,,01.01,0", nullptr},
        {"Too far,yearly,,,3000-01-02,,01.01,0", "first shows on 3001-01-01"},
        {"Too far monthly,monthly,,,3005-06-01,,last-fri,2", "first shows on 3005-06-28"},
        // A rule's end is text to libical: a weekly note may end later.
        {"Ends late,weekly,08:00,09:00,2990-01-01,1000,mon,", nullptr},
        {"Ends in time,weekly,08:00,09:00,2990-01-01,4,mon,", nullptr},
    };
    // clang-format on
    std::vector<Notiz> notizen;
    for (const Fall& f : faelle) {
        const auto c = CsvNotizenLesen(CsvZeile(CsvKopf) + QByteArray(f.zeile));
        ASSERT_TRUE(c.size() == 1 && c[0].fehler.isEmpty()) << f.zeile;
        notizen.push_back(NotizAusWahl(c[0].text, c[0].wahl, heute));
        notizen.back().ID = int32_t(notizen.size());
    }
    QStringList ausgelassen;
    const QByteArray ics = KalenderSchreiben(notizen, stempel, ausgelassen);
    const KalenderInhalt wieder = KalenderLesen(ics, heute);
    EXPECT_TRUE(wieder.abgelehnt.isEmpty()) << wieder.abgelehnt.join('\n').toStdString();
    QStringList gelesen;
    for (const Notiz& n : wieder.notizen)
        gelesen << n.inhalt;
    for (size_t i = 0; i < std::size(faelle); ++i) {
        const QString name = QString::fromUtf8(faelle[i].zeile).section(QLatin1Char(','), 0, 0);
        if (!faelle[i].ausgelassen) {
            EXPECT_TRUE(gelesen.contains(name)) << faelle[i].zeile;
            continue;
        }
        EXPECT_FALSE(gelesen.contains(name)) << faelle[i].zeile;
        const QString zeile =
            ausgelassen.filter(QStringLiteral("note %1 (%2)").arg(i + 1).arg(name)).join(' ');
        EXPECT_TRUE(zeile.contains(QString::fromUtf8(faelle[i].ausgelassen)))
            << faelle[i].zeile << ": " << ausgelassen.join('\n').toStdString();
    }
}

TEST(Kalender, RandomNotesSurviveTheRoundTrip) {
    std::mt19937 zufall(42);
    std::vector<Notiz> notizen;
    for (int i = 0; notizen.size() < 200; ++i) {
        try {
            notizen.push_back(NotizAusWahl(QStringLiteral("n%1; a, b \\ c").arg(i % 150),
                                           test::ZufallsWahl(zufall), heute));
        } catch (const EingabeFehler&) {
        }
    }
    static const QRegularExpression stamp(QStringLiteral("DTSTAMP:[^\r\n]*\r\n"));
    QStringList aus1, aus2;
    const QByteArray k1 = KalenderSchreiben(notizen, stempel, aus1);
    const KalenderInhalt gelesen = KalenderLesen(k1, heute);
    EXPECT_TRUE(gelesen.abgelehnt.isEmpty()) << gelesen.abgelehnt.join('\n').toStdString();
    EXPECT_EQ(gelesen.notizen.size() + size_t(aus1.size()), notizen.size());
    const QByteArray k2 = KalenderSchreiben(gelesen.notizen, stempel.addDays(3), aus2);
    EXPECT_TRUE(aus2.isEmpty());
    EXPECT_EQ(QString::fromUtf8(k2).remove(stamp), QString::fromUtf8(k1).remove(stamp));
    // Equal notes get UIDs of their own.
    EXPECT_EQ(k1.count("UID:"), qsizetype(gelesen.notizen.size()));
    std::set<QByteArray> uids;
    for (const QByteArray& zeile : k1.split('\n'))
        if (zeile.startsWith("UID:"))
            uids.insert(zeile);
    EXPECT_EQ(uids.size(), gelesen.notizen.size());
}

} // namespace
} // namespace pinwick
