// Reading a calendar: the choices each event stands for, or why it is
// refused.

#include "Kalender.h"

#include "KalenderIntern.h"

#include <QRegularExpression>
#include <QTimeZone>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace pinwick {

namespace {

using namespace kalender;

bool leer(const short* liste) {
    return liste[0] == ICAL_RECURRENCE_ARRAY_MAX;
}

int anzahl(const short* liste, int groesse) {
    int i = 0;
    while (i < groesse && liste[i] != ICAL_RECURRENCE_ARRAY_MAX)
        ++i;
    return i;
}

// A date or time of a property as the local date and time it means; a
// floating time is taken as it is.
QDateTime ortszeit(icalproperty* eigenschaft, const icaltimetype& t) {
    const QDate d(t.year, t.month, t.day);
    if (!d.isValid())
        fehler(QStringLiteral("invalid date"));
    if (t.is_date)
        return QDateTime(d, QTime(0, 0));
    const QTime zeit(t.hour, t.minute, t.second);
    if (!zeit.isValid())
        fehler(QStringLiteral("invalid time"));
    if (icaltime_is_utc(t))
        return QDateTime(d, zeit, QTimeZone::utc()).toLocalTime();
    icalparameter* p =
        eigenschaft ? icalproperty_get_first_parameter(eigenschaft, ICAL_TZID_PARAMETER) : nullptr;
    if (p) {
        const QTimeZone zone(QByteArray(icalparameter_get_tzid(p)));
        if (!zone.isValid())
            fehler(QStringLiteral("unknown time zone %1").arg(text(icalparameter_get_tzid(p))));
        return QDateTime(d, zeit, zone).toLocalTime();
    }
    return QDateTime(d, zeit);
}

int minute(const QTime& t) {
    return t.hour() * 60 + t.minute();
}

// Ending at midnight after the first day is ending at 23:59, the last
// minute the ticker's window can hold.
constexpr int letzteMinute = 23 * 60 + 59;

// Parts of an event the ticker has no way to repeat.
void unerlaubteTeile(icalcomponent* e) {
    for (auto art : {ICAL_XLICERROR_PROPERTY, ICAL_EXDATE_PROPERTY, ICAL_RDATE_PROPERTY,
                     ICAL_EXRULE_PROPERTY}) {
        if (icalproperty* p = icalcomponent_get_first_property(e, art)) {
            if (art == ICAL_XLICERROR_PROPERTY)
                fehler(QStringLiteral("unreadable: %1").arg(text(icalproperty_get_xlicerror(p))));
            fehler(QStringLiteral("%1 is not taken: the ticker repeats by rule only")
                       .arg(text(icalproperty_kind_to_string(art))));
        }
    }
}

// When an event starts, and whether it lasts the whole day without an end.
struct Beginn {
    QDateTime anfang;
    bool ganztags = false;
    bool ohneEnde = false;
};

// The end of a DTEND: the minute the window ends (w.bis) for a timed event.
void endeLesen(icalproperty* ende, const Beginn& b, Zeitplanwahl& w) {
    const icaltimetype endeZeit = icalproperty_get_dtend(ende);
    if (bool(endeZeit.is_date) != b.ganztags)
        fehler(QStringLiteral("DTSTART and DTEND differ in kind"));
    const QDateTime bis = ortszeit(ende, endeZeit);
    if (b.ganztags) {
        if (bis.date() != b.anfang.date().addDays(1))
            fehler(QStringLiteral("an all-day event must last one day"));
    } else if (bis.date() == b.anfang.date().addDays(1) && bis.time() == QTime(0, 0)) {
        w.bis = letzteMinute;
    } else if (bis.date() != b.anfang.date() || bis <= b.anfang) {
        fehler(QStringLiteral("the time window must end after it starts, on the same day"));
    } else {
        w.bis = minute(bis.time());
    }
    if (!bis.time().isValid() || bis.time().second() != 0)
        fehler(QStringLiteral("times are taken to the minute"));
}

// The end of a DURATION, likewise.
void dauerLesen(icalcomponent* e, const Beginn& b, Zeitplanwahl& w) {
    const icaldurationtype dauer = icalcomponent_get_duration(e);
    const int sekunden = icaldurationtype_as_int(dauer);
    if (b.ganztags ? sekunden != 86400 : (sekunden <= 0 || sekunden % 60 != 0))
        fehler(QStringLiteral("DURATION %1 does not fit a day's time window")
                   .arg(text(icaldurationtype_as_ical_string(dauer))));
    if (b.ganztags)
        return;
    const QDateTime bis = b.anfang.addSecs(sekunden);
    if (bis.date() == b.anfang.date().addDays(1) && bis.time() == QTime(0, 0))
        w.bis = letzteMinute;
    else if (bis.date() != b.anfang.date())
        fehler(QStringLiteral("the time window must end on the day it starts"));
    else
        w.bis = minute(bis.time());
}

// DTSTART and the end of the first occurrence: the time window of w.
Beginn zeitfensterLesen(icalcomponent* e, Zeitplanwahl& w) {
    icalproperty* start = icalcomponent_get_first_property(e, ICAL_DTSTART_PROPERTY);
    if (!start)
        fehler(QStringLiteral("no DTSTART"));
    const icaltimetype startZeit = icalproperty_get_dtstart(start);
    Beginn b;
    b.ganztags = startZeit.is_date;
    b.anfang = ortszeit(start, startZeit);
    if (icalproperty* ende = icalcomponent_get_first_property(e, ICAL_DTEND_PROPERTY))
        endeLesen(ende, b, w);
    else if (icalcomponent_get_first_property(e, ICAL_DURATION_PROPERTY))
        dauerLesen(e, b, w);
    else if (b.ganztags)
        b.ohneEnde = true;
    else
        fehler(QStringLiteral("a timed event needs DTEND or DURATION"));
    if (!b.ganztags) {
        if (b.anfang.time().second() != 0)
            fehler(QStringLiteral("times are taken to the minute"));
        w.von = minute(b.anfang.time());
    }
    return b;
}

// What every rule must keep to: a frequency the ticker has, repeating every
// time, without end other than by UNTIL.
void regelAllgemein(const icalrecurrencetype& r) {
    if (r.freq < ICAL_DAILY_RECURRENCE || r.freq > ICAL_YEARLY_RECURRENCE)
        fehler(QStringLiteral("FREQ=%1: the ticker repeats daily, weekly, monthly or yearly")
                   .arg(text(icalrecur_freq_to_string(r.freq))));
    if (r.count != 0)
        fehler(QStringLiteral("COUNT is not taken; a weekly note may end by UNTIL"));
    if (r.interval != 1)
        fehler(QStringLiteral("INTERVAL=%1 is not taken: the ticker repeats every time")
                   .arg(r.interval));
    if (!leer(r.by_second) || !leer(r.by_minute) || !leer(r.by_hour) || !leer(r.by_week_no) ||
        !leer(r.by_set_pos) || r.rscale)
        fehler(QStringLiteral("BYSECOND, BYMINUTE, BYHOUR, BYWEEKNO, BYSETPOS and RSCALE are "
                              "not taken"));
}

// libical counts Sunday 1 to Saturday 7; the ticker Monday 0 to Sunday 6.
int wochentagAus(short tag) {
    return (icalrecurrencetype_day_day_of_week(tag) + 5) % 7;
}

Wochentage tageDerRegel(const icalrecurrencetype& r, const QDate& tag) {
    Wochentage tage{};
    if (r.freq == ICAL_DAILY_RECURRENCE) {
        if (!leer(r.by_day))
            fehler(QStringLiteral("BYDAY in a daily rule"));
        tage.fill(true);
    } else if (leer(r.by_day)) {
        tage[size_t(tag.dayOfWeek() - 1)] = true;
    } else {
        for (int i = 0; i < ICAL_BY_DAY_SIZE && r.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
            if (icalrecurrencetype_day_position(r.by_day[i]) != 0)
                fehler(QStringLiteral("a weekday with a position in a weekly rule"));
            tage[size_t(wochentagAus(r.by_day[i]))] = true;
        }
    }
    return tage;
}

// The weeks of a weekly note that ends on UNTIL.
int wochenBis(const icalrecurrencetype& r, const QDate& tag, const Wochentage& tage) {
    const QDate letzter = ortszeit(nullptr, r.until).date();
    if (letzter < tag)
        fehler(QStringLiteral("UNTIL lies before DTSTART"));
    const qint64 wochen = (tag.daysTo(letzter) + 7) / 7;
    if (wochen > 32767)
        fehler(QStringLiteral("UNTIL lies more than 32767 weeks ahead"));
    // The ticker runs a note for whole weeks: the days after UNTIL up to the
    // end of its last week must not be ones the rule hits.
    for (QDate d = letzter.addDays(1); d < tag.addDays(7 * wochen); d = d.addDays(1))
        if (tage[size_t(d.dayOfWeek() - 1)])
            fehler(QStringLiteral("UNTIL ends in the middle of a week"));
    return int(wochen);
}

void taeglichOderWoechentlich(const std::vector<icalrecurrencetype>& regeln, const Beginn& b,
                              const QDate& heute, Zeitplanwahl& w) {
    const icalrecurrencetype& r = regeln.front();
    if (regeln.size() > 1)
        fehler(QStringLiteral("more than one RRULE"));
    if (!leer(r.by_month_day) || !leer(r.by_month) || !leer(r.by_year_day))
        fehler(QStringLiteral("BYMONTHDAY, BYMONTH or BYYEARDAY in a daily or weekly rule"));
    const QDate tag = b.anfang.date();
    const Wochentage tage = tageDerRegel(r, tag);
    const bool bis = !icaltime_is_null_time(r.until);
    // Every day from now on, without end: the ticker's daily note (or its
    // permanent one, for an all-day event without end). Anything with a
    // first day still to come or a last day is a weekly note on all days.
    if (r.freq == ICAL_DAILY_RECURRENCE && !bis && tag <= heute) {
        w.rhythmus = b.ganztags && b.ohneEnde ? RhythmusPermanent : RhythmusTaeglich;
        return;
    }
    w.rhythmus = RhythmusWoechentlich;
    w.tage = tage;
    w.start = tag;
    if (bis)
        w.wochen = wochenBis(r, tag, tage);
}

void monatlich(const std::vector<icalrecurrencetype>& regeln, const QDate& tag, Zeitplanwahl& w) {
    const icalrecurrencetype& r = regeln.front();
    if (regeln.size() > 1)
        fehler(QStringLiteral("more than one RRULE"));
    if (!icaltime_is_null_time(r.until))
        fehler(QStringLiteral("UNTIL is taken in weekly rules only"));
    if (!leer(r.by_month) || !leer(r.by_year_day))
        fehler(QStringLiteral("BYMONTH or BYYEARDAY in a monthly rule"));
    w.rhythmus = RhythmusMonatlich;
    w.start = tag;
    if (!leer(r.by_day) && !leer(r.by_month_day))
        fehler(QStringLiteral("BYDAY and BYMONTHDAY together"));
    if (!leer(r.by_day)) {
        if (anzahl(r.by_day, ICAL_BY_DAY_SIZE) != 1)
            fehler(QStringLiteral("more than one BYDAY in a monthly rule"));
        const int pos = icalrecurrencetype_day_position(r.by_day[0]);
        if (pos == 0 || pos < -1 || pos > 4)
            fehler(QStringLiteral("BYDAY position %1: the ticker knows 1 to 4 and -1").arg(pos));
        w.amWochentag = true;
        w.position = pos == -1 ? 5 : pos;
        w.wochentag = wochentagAus(r.by_day[0]);
        return;
    }
    int tagImMonat = tag.day();
    if (!leer(r.by_month_day)) {
        if (anzahl(r.by_month_day, ICAL_BY_MONTHDAY_SIZE) != 1)
            fehler(QStringLiteral("more than one BYMONTHDAY"));
        tagImMonat = r.by_month_day[0];
    }
    if (tagImMonat < 1 || tagImMonat > 31)
        fehler(QStringLiteral("BYMONTHDAY=%1: the ticker knows 1 to 31").arg(tagImMonat));
    w.monatsTag = QString::number(tagImMonat);
}

// One day of the year from one yearly rule.
Jahrestag jahrestag(const icalrecurrencetype& j, const QDate& tag) {
    regelAllgemein(j);
    if (j.freq != ICAL_YEARLY_RECURRENCE)
        fehler(QStringLiteral("rules of different frequencies"));
    if (!icaltime_is_null_time(j.until))
        fehler(QStringLiteral("UNTIL is taken in weekly rules only"));
    if (!leer(j.by_day))
        fehler(QStringLiteral("BYDAY in a yearly rule"));
    Jahrestag t{int16_t(tag.day()), int16_t(tag.month())};
    if (!leer(j.by_year_day)) {
        if (anzahl(j.by_year_day, ICAL_BY_YEARDAY_SIZE) != 1 || !leer(j.by_month) ||
            !leer(j.by_month_day))
            fehler(QStringLiteral("more than one BYYEARDAY, or one with BYMONTH or BYMONTHDAY"));
        // A day of the year from the 60th on is a day past the end of
        // February (61 is 30.02), the only days whose place moves with
        // leap years as the ticker's does.
        const std::optional<Jahrestag> aus = JahrestagAus({j.by_year_day[0], 0, 0});
        if (!aus)
            fehler(QStringLiteral("BYYEARDAY=%1: the ticker takes the days 1 to 130 of the year")
                       .arg(j.by_year_day[0]));
        return *aus;
    }
    if (anzahl(j.by_month, ICAL_BY_MONTH_SIZE) > 1 ||
        anzahl(j.by_month_day, ICAL_BY_MONTHDAY_SIZE) > 1)
        fehler(QStringLiteral("more than one BYMONTH or BYMONTHDAY in a rule"));
    if (!leer(j.by_month))
        t.monat = int16_t(icalrecurrencetype_month_month(j.by_month[0]));
    if (!leer(j.by_month_day))
        t.tag = j.by_month_day[0];
    // A calendar skips a day its month lacks, where the ticker would roll it
    // over into the next month.
    if (t.monat < 1 || t.monat > 12 || t.tag < 1 ||
        t.tag > QDate(2000, t.monat, 1).daysInMonth())
        fehler(QStringLiteral("BYMONTH=%1;BYMONTHDAY=%2: no such day").arg(t.monat).arg(t.tag));
    return t;
}

// The stored days of rules that do not read back as them (31.06 written as
// 1 July). A named day is taken only for a rule that is its own: a
// calendar program that moved the event to another day but kept the
// property gets the day it shows.
void gespeicherteTage(icalcomponent* e, std::vector<Jahrestag>& tage) {
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,2})\\.([0-9]{1,2})$"));
    std::vector<Jahrestag> genannt;
    for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(e, ICAL_X_PROPERTY)) {
        if (qstrcmp(icalproperty_get_x_name(p), TagEigenschaft) != 0 || genannt.size() >= 4)
            continue;
        const auto treffer = form.match(text(icalproperty_get_x(p)).trimmed());
        if (treffer.hasMatch())
            genannt.push_back(
                {int16_t(treffer.captured(1).toInt()), int16_t(treffer.captured(2).toInt())});
    }
    for (Jahrestag& t : tage) {
        const std::optional<JahresRegel> regel = JahresRegelAus(t);
        for (auto it = genannt.begin(); regel && it != genannt.end(); ++it) {
            if (JahresRegelAus(*it) == regel) {
                t = *it;
                genannt.erase(it);
                break;
            }
        }
    }
}

// Days of advance notice: a display alarm whole days before.
void vorwarnungLesen(icalcomponent* e, Zeitplanwahl& w) {
    for (icalcomponent* a = icalcomponent_get_first_component(e, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(e, ICAL_VALARM_COMPONENT)) {
        icalproperty* p = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
        if (!p)
            continue;
        const icaltriggertype t = icalproperty_get_trigger(p);
        const icaldurationtype d = t.duration;
        if (!icaltime_is_null_time(t.time) || !d.is_neg || d.hours || d.minutes || d.seconds)
            continue;
        w.vorher = int(d.days + 7 * d.weeks);
        break;
    }
    // A calendar reminds of its first occurrence too, days before it, while
    // the ticker shows nothing before a note's first date: the first date
    // goes back by the advance days, so that a note for 24 December taken in
    // on the 10th with 14 days' notice shows from today on. It stops after
    // an earlier day the rule hits, which would otherwise become the first
    // occurrence.
    for (int i = 0; i < w.vorher; ++i) {
        const QDate davor = w.start.addDays(-1);
        if (davor.year() < 1900 || trifft(w, davor))
            break;
        w.start = davor;
    }
}

// The choices one event stands for; throws EingabeFehler saying why not.
Zeitplanwahl wahlAusEreignis(icalcomponent* e, const QDate& heute) {
    unerlaubteTeile(e);
    Zeitplanwahl w;
    const Beginn b = zeitfensterLesen(e, w);

    std::vector<icalrecurrencetype> regeln;
    for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(e, ICAL_RRULE_PROPERTY))
        regeln.push_back(icalproperty_get_rrule(p));
    if (regeln.empty())
        fehler(QStringLiteral("a single event: the ticker shows notes that repeat"));

    const QDate tag = b.anfang.date();
    const icalrecurrencetype& r = regeln.front();
    regelAllgemein(r);
    switch (r.freq) {
    case ICAL_DAILY_RECURRENCE:
    case ICAL_WEEKLY_RECURRENCE:
        taeglichOderWoechentlich(regeln, b, heute, w);
        break;
    case ICAL_MONTHLY_RECURRENCE:
        monatlich(regeln, tag, w);
        break;
    case ICAL_YEARLY_RECURRENCE:
        if (regeln.size() > 4)
            fehler(QStringLiteral("more than four days of the year"));
        w.rhythmus = RhythmusJaehrlich;
        w.start = tag;
        for (const icalrecurrencetype& j : regeln)
            w.jahrestage.push_back(jahrestag(j, tag));
        gespeicherteTage(e, w.jahrestage);
        break;
    default:
        fehler(QStringLiteral("FREQ=%1: the ticker repeats daily, weekly, monthly or yearly")
                   .arg(text(icalrecur_freq_to_string(r.freq))));
    }
    if (w.rhythmus == RhythmusMonatlich || w.rhythmus == RhythmusJaehrlich)
        vorwarnungLesen(e, w);
    return w;
}

// libical holds a parsed calendar at many times the size of its text (a
// property of four bytes costs it hundreds), so the text is looked over
// before it gets it: it must begin as a calendar, and its lines, as
// unfolded, must keep to their number and length.
void vorpruefen(const QByteArray& daten) {
    QByteArrayView rest(daten);
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    qint64 zeilen = 0, leer = 0;
    qsizetype laenge = 0;
    bool erste = true;
    while (!rest.isEmpty()) {
        const qsizetype ende = rest.indexOf('\n');
        QByteArrayView zeile = ende < 0 ? rest : rest.first(ende);
        rest = ende < 0 ? QByteArrayView() : rest.sliced(ende + 1);
        if (zeile.endsWith('\r'))
            zeile.chop(1);
        if (erste) {
            if (zeile.trimmed().compare("BEGIN:VCALENDAR", Qt::CaseInsensitive) != 0)
                fehler(QStringLiteral(
                    "the file is not an iCalendar file (it does not begin with BEGIN:VCALENDAR)"));
            erste = false;
        }
        // A line that starts with a blank or a tab goes on the one before.
        const bool weiter = !zeile.isEmpty() && (zeile.front() == ' ' || zeile.front() == '\t');
        // libical's time for a property without a value grows with the
        // number of those before it; a calendar has few or none.
        if (!rest.startsWith(' ') && !rest.startsWith('\t') && zeile.endsWith(':') &&
            ++leer > KalenderHoechstLeer)
            fehler(QStringLiteral("more than %1 properties without a value")
                       .arg(KalenderHoechstLeer));
        if (weiter) {
            laenge += zeile.size() - 1;
        } else {
            laenge = zeile.size();
            if (++zeilen > KalenderHoechstZeilen)
                fehler(QStringLiteral("more than %1 lines; split the calendar")
                           .arg(KalenderHoechstZeilen));
        }
        if (laenge > KalenderHoechstZeile)
            fehler(QStringLiteral("line %1 is longer than %2 bytes")
                       .arg(zeilen)
                       .arg(KalenderHoechstZeile));
    }
}

// libical reports what it stumbles over in a file (an END before its BEGIN,
// say) by writing to stderr itself. pinwick-notes owes its caller one line
// on stderr per failure, in its own words, so the parse runs with stderr
// pointed at /dev/null; the faults show as refused events or as no calendar.
icalcomponent* stillParsen(const QByteArray& daten) {
    std::fflush(stderr);
    const int gerettet = ::dup(STDERR_FILENO);
    const int nichts = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (gerettet >= 0 && nichts >= 0)
        ::dup2(nichts, STDERR_FILENO);
    icalcomponent* k = icalparser_parse_string(daten.constData());
    std::fflush(stderr);
    if (gerettet >= 0 && nichts >= 0)
        ::dup2(gerettet, STDERR_FILENO);
    if (nichts >= 0)
        ::close(nichts);
    if (gerettet >= 0)
        ::close(gerettet);
    return k;
}

} // namespace

KalenderInhalt KalenderLesen(const QByteArray& daten, const QDate& heute) {
    // libical stops at the first NUL; a file holding one is no calendar.
    if (daten.contains('\0'))
        fehler(QStringLiteral("the file is not iCalendar text"));
    vorpruefen(daten);
    Komponente wurzel(stillParsen(daten));
    if (!wurzel || icalcomponent_isa(wurzel.get()) != ICAL_VCALENDAR_COMPONENT)
        fehler(QStringLiteral("the file is not an iCalendar file (no VCALENDAR)"));
    KalenderInhalt inhalt;
    icalcomponent* k = wurzel.get();
    // A calendar whose own lines were unreadable and that holds no event is
    // a damaged file, not an empty calendar.
    if (!icalcomponent_get_first_component(k, ICAL_VEVENT_COMPONENT)) {
        if (icalproperty* p = icalcomponent_get_first_property(k, ICAL_XLICERROR_PROPERTY))
            fehler(QStringLiteral("the calendar is damaged (%1)")
                       .arg(text(icalproperty_get_xlicerror(p))));
    }
    for (icalcomponent* e = icalcomponent_get_first_component(k, ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(k, ICAL_VEVENT_COMPONENT)) {
        const QString uid = text(icalcomponent_get_uid(e));
        const QString zusammenfassung = text(icalcomponent_get_summary(e));
        try {
            if (zusammenfassung.trimmed().isEmpty())
                fehler(QStringLiteral("no SUMMARY, so no note text"));
            const Zeitplanwahl w = wahlAusEreignis(e, heute);
            inhalt.notizen.push_back(NotizAusWahl(zusammenfassung, w, heute));
        } catch (const EingabeFehler& f) {
            inhalt.abgelehnt << QStringLiteral("refused UID \"%1\" SUMMARY \"%2\": %3")
                                    .arg(uid, EineZeile(zusammenfassung).left(80),
                                         QString::fromStdString(f.what()));
        }
    }
    return inhalt;
}

} // namespace pinwick
