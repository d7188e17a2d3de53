#include "Kalender.h"

#include "Hilfen.h"
#include "NotizEingabe.h"

#include <QCryptographicHash>
#include <QTimeZone>
#include <libical/ical.h>

#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <map>
#include <memory>
#include <unistd.h>

namespace pinwick {

namespace {

[[noreturn]] void fehler(const QString& text) {
    throw EingabeFehler(text.toStdString());
}

// Daily and permanent notes have no first date; their events start on one
// fixed day so that the same note always gives the same event.
const QDate tagLoserAnfang(2000, 1, 1);

const char* const icalTage[7] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};

struct KomponenteFrei {
    void operator()(icalcomponent* k) const { icalcomponent_free(k); }
};
using Komponente = std::unique_ptr<icalcomponent, KomponenteFrei>;

icaltimetype datum(const QDate& d) {
    icaltimetype t = icaltime_null_date();
    t.year = d.year();
    t.month = d.month();
    t.day = d.day();
    return t;
}

icaltimetype moment(const QDate& d, double tageszeit) {
    icaltimetype t = icaltime_null_time();
    t.year = d.year();
    t.month = d.month();
    t.day = d.day();
    const int minuten = int(std::lround(tageszeit * 1440.0)) % 1440;
    t.hour = minuten / 60;
    t.minute = minuten % 60;
    return t;
}

// Whether the rule of the choices hits day d, the way the ticker judges it
// (advance days aside).
bool trifft(const Zeitplanwahl& w, const QDate& d) {
    switch (w.rhythmus) {
    case RhythmusWoechentlich:
        return w.tage[size_t(d.dayOfWeek() - 1)];
    case RhythmusMonatlich:
        if (!w.amWochentag)
            return d.day() == w.monatsTag.toInt();
        if (d.dayOfWeek() != w.wochentag + 1)
            return false;
        return w.position >= 5 ? d.day() + 7 > d.daysInMonth()
                               : (d.day() - 1) / 7 + 1 == w.position;
    case RhythmusJaehrlich:
        for (const Jahrestag& t : w.jahrestage) {
            if (t.tag == 29 && t.monat == 2 ? d.dayOfYear() == 60
                                            : d.month() == t.monat && d.day() == t.tag)
                return true;
        }
        return false;
    default:
        return true;
    }
}

// The first day from ab on (up to bis) that the rule hits; invalid if none.
QDate ersterTreffer(const Zeitplanwahl& w, const QDate& ab, const QDate& bis) {
    for (QDate d = ab; d.isValid() && d <= bis; d = d.addDays(1))
        if (trifft(w, d))
            return d;
    return {};
}

QString regelText(const Zeitplanwahl& w) {
    switch (w.rhythmus) {
    case RhythmusWoechentlich: {
        QStringList tage;
        for (size_t i = 0; i < 7; ++i)
            if (w.tage[i])
                tage << QLatin1String(icalTage[i]);
        return QStringLiteral("FREQ=WEEKLY;BYDAY=") + tage.join(QLatin1Char(','));
    }
    case RhythmusMonatlich:
        if (!w.amWochentag)
            return QStringLiteral("FREQ=MONTHLY;BYMONTHDAY=%1").arg(w.monatsTag.toInt());
        return QStringLiteral("FREQ=MONTHLY;BYDAY=%1%2")
            .arg(w.position >= 5 ? -1 : w.position)
            .arg(QLatin1String(icalTage[w.wochentag]));
    default:
        return QStringLiteral("FREQ=DAILY");
    }
}

icalproperty* rrule(const QString& text) {
    const QByteArray roh = text.toUtf8();
    return icalproperty_new_rrule(icalrecurrencetype_from_string(roh.constData()));
}

// One event for one note; throws EingabeFehler when the note cannot be one.
icalcomponent* ereignis(const Notiz& n, const QString& uid, const icaltimetype& stempel) {
    const Zeitplanwahl w = WahlAusNotiz(n);
    const bool ganztags = n.Ganztags() || w.rhythmus == RhythmusPermanent;
    // Every choice goes through the encoder once more: a row the editor
    // could not have written (a day 45) is no event.
    NotizAusWahl(n.inhalt, w, w.start.isValid() ? w.start : tagLoserAnfang);

    QDate anfang = tagLoserAnfang;
    QDate letzter; // weekly with an end: the last day it shows
    if (w.rhythmus >= RhythmusWoechentlich) {
        QDate ende = QDate(9999, 12, 31);
        if (w.rhythmus == RhythmusWoechentlich && w.wochen > 0)
            ende = w.start.addDays(7 * qint64(w.wochen) - 1);
        anfang = ersterTreffer(w, w.start, std::min(ende, w.start.addDays(3 * 366)));
        if (!anfang.isValid())
            fehler(QStringLiteral("note %1 never shows").arg(n.ID));
        if (w.rhythmus == RhythmusWoechentlich && w.wochen > 0)
            for (letzter = ende; !trifft(w, letzter); letzter = letzter.addDays(-1)) {
            }
    }

    Komponente komponente(icalcomponent_new_vevent());
    icalcomponent* e = komponente.get();
    // Calendar readers, libical among them, drop the blanks around a value:
    // the event carries the text without them, so reading it back and
    // writing it again gives the same event.
    const QByteArray uidRoh = uid.toUtf8(), text = n.inhalt.trimmed().toUtf8();
    icalcomponent_add_property(e, icalproperty_new_uid(uidRoh.constData()));
    icalcomponent_add_property(e, icalproperty_new_dtstamp(stempel));
    icalcomponent_add_property(e, icalproperty_new_summary(text.constData()));
    if (ganztags) {
        icalcomponent_add_property(e, icalproperty_new_dtstart(datum(anfang)));
        if (w.rhythmus != RhythmusPermanent)
            icalcomponent_add_property(e, icalproperty_new_dtend(datum(anfang.addDays(1))));
    } else {
        icalcomponent_add_property(e, icalproperty_new_dtstart(moment(anfang, n.UhrVon)));
        icalcomponent_add_property(e, icalproperty_new_dtend(moment(anfang, n.UhrBis)));
    }
    // libical keeps no date past the year 3000 and writes a zero date
    // instead, which no calendar reads back: such a note is left out.
    if (icaltime_is_null_time(icalcomponent_get_dtstart(e)))
        fehler(QStringLiteral("note %1 first shows on %2, later than a calendar can hold")
                   .arg(n.ID)
                   .arg(anfang.toString(Qt::ISODate)));
    if (w.rhythmus == RhythmusJaehrlich) {
        for (const Jahrestag& t : w.jahrestage)
            icalcomponent_add_property(
                e, rrule(t.tag == 29 && t.monat == 2
                             ? QStringLiteral("FREQ=YEARLY;BYYEARDAY=60")
                             : QStringLiteral("FREQ=YEARLY;BYMONTH=%1;BYMONTHDAY=%2")
                                   .arg(t.monat)
                                   .arg(t.tag)));
    } else {
        QString regel = regelText(w);
        if (letzter.isValid()) {
            const icaltimetype bis = ganztags ? datum(letzter) : moment(letzter, n.UhrVon);
            regel += QStringLiteral(";UNTIL=") + QString::fromUtf8(icaltime_as_ical_string(bis));
        }
        icalcomponent_add_property(e, rrule(regel));
    }
    if (w.vorher > 0) {
        icalcomponent* alarm = icalcomponent_new_valarm();
        icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
        const QByteArray ausloeser = QStringLiteral("-P%1D").arg(w.vorher).toUtf8();
        icalcomponent_add_property(
            alarm, icalproperty_new_trigger(icaltriggertype_from_string(ausloeser.constData())));
        icalcomponent_add_property(alarm, icalproperty_new_description(text.constData()));
        icalcomponent_add_component(e, alarm);
    }
    return komponente.release();
}

// ---- reading ---------------------------------------------------------------------

QString text(const char* roh) {
    return roh ? QString::fromUtf8(roh) : QString();
}

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

QString uhrzeit(const QTime& t) {
    return t.toString(QStringLiteral("HH:mm"));
}

// The choices one event stands for; throws EingabeFehler saying why not.
Zeitplanwahl wahlAusEreignis(icalcomponent* e, const QDate& heute) {
    for (auto art : {ICAL_XLICERROR_PROPERTY, ICAL_EXDATE_PROPERTY, ICAL_RDATE_PROPERTY,
                     ICAL_EXRULE_PROPERTY}) {
        if (icalproperty* p = icalcomponent_get_first_property(e, art)) {
            if (art == ICAL_XLICERROR_PROPERTY)
                fehler(QStringLiteral("unreadable: %1").arg(text(icalproperty_get_xlicerror(p))));
            fehler(QStringLiteral("%1 is not taken: the ticker repeats by rule only")
                       .arg(text(icalproperty_kind_to_string(art))));
        }
    }
    icalproperty* start = icalcomponent_get_first_property(e, ICAL_DTSTART_PROPERTY);
    if (!start)
        fehler(QStringLiteral("no DTSTART"));
    const icaltimetype startZeit = icalproperty_get_dtstart(start);
    const bool ganztags = startZeit.is_date;
    const QDateTime anfang = ortszeit(start, startZeit);

    Zeitplanwahl w;
    bool ohneEnde = false;
    if (icalproperty* ende = icalcomponent_get_first_property(e, ICAL_DTEND_PROPERTY)) {
        const icaltimetype endeZeit = icalproperty_get_dtend(ende);
        if (bool(endeZeit.is_date) != ganztags)
            fehler(QStringLiteral("DTSTART and DTEND differ in kind"));
        const QDateTime bis = ortszeit(ende, endeZeit);
        if (ganztags) {
            if (bis.date() != anfang.date().addDays(1))
                fehler(QStringLiteral("an all-day event must last one day"));
        } else if (bis.date() == anfang.date().addDays(1) && bis.time() == QTime(0, 0)) {
            w.bis = QStringLiteral("23:59");
        } else if (bis.date() != anfang.date() || bis <= anfang) {
            fehler(QStringLiteral("the time window must end after it starts, on the same day"));
        } else {
            w.bis = uhrzeit(bis.time());
        }
        if (!bis.time().isValid() || bis.time().second() != 0)
            fehler(QStringLiteral("times are taken to the minute"));
    } else if (icalcomponent_get_first_property(e, ICAL_DURATION_PROPERTY)) {
        const icaldurationtype dauer = icalcomponent_get_duration(e);
        const int sekunden = icaldurationtype_as_int(dauer);
        if (ganztags ? sekunden != 86400 : (sekunden <= 0 || sekunden % 60 != 0))
            fehler(QStringLiteral("DURATION %1 does not fit a day's time window")
                       .arg(text(icaldurationtype_as_ical_string(dauer))));
        if (!ganztags) {
            const QDateTime bis = anfang.addSecs(sekunden);
            if (bis.date() == anfang.date().addDays(1) && bis.time() == QTime(0, 0))
                w.bis = QStringLiteral("23:59");
            else if (bis.date() != anfang.date())
                fehler(QStringLiteral("the time window must end on the day it starts"));
            else
                w.bis = uhrzeit(bis.time());
        }
    } else if (ganztags) {
        ohneEnde = true;
    } else {
        fehler(QStringLiteral("a timed event needs DTEND or DURATION"));
    }
    if (!ganztags) {
        if (anfang.time().second() != 0)
            fehler(QStringLiteral("times are taken to the minute"));
        w.von = uhrzeit(anfang.time());
    }

    std::vector<icalrecurrencetype> regeln;
    for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(e, ICAL_RRULE_PROPERTY))
        regeln.push_back(icalproperty_get_rrule(p));
    if (regeln.empty())
        fehler(QStringLiteral("a single event: the ticker shows notes that repeat"));

    const QDate tag = anfang.date();
    const auto allgemein = [](const icalrecurrencetype& r) {
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
    };
    const icalrecurrencetype& r = regeln.front();
    allgemein(r);
    const bool bis = !icaltime_is_null_time(r.until);
    switch (r.freq) {
    case ICAL_DAILY_RECURRENCE:
    case ICAL_WEEKLY_RECURRENCE: {
        if (regeln.size() > 1)
            fehler(QStringLiteral("more than one RRULE"));
        if (!leer(r.by_month_day) || !leer(r.by_month) || !leer(r.by_year_day))
            fehler(QStringLiteral("BYMONTHDAY, BYMONTH or BYYEARDAY in a daily or weekly rule"));
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
                // libical counts Sunday 1 to Saturday 7.
                const int sonntagsBasis = icalrecurrencetype_day_day_of_week(r.by_day[i]);
                tage[size_t((sonntagsBasis + 5) % 7)] = true;
            }
        }
        const bool jedenTag = r.freq == ICAL_DAILY_RECURRENCE;
        // Every day from now on, without end: the ticker's daily note (or its
        // permanent one, for an all-day event without end). Anything with a
        // first day still to come or a last day is a weekly note on all days.
        if (jedenTag && !bis && tag <= heute) {
            w.rhythmus = ganztags && ohneEnde ? RhythmusPermanent : RhythmusTaeglich;
            return w;
        }
        w.rhythmus = RhythmusWoechentlich;
        w.tage = tage;
        w.start = tag;
        if (bis) {
            const QDate letzter = ortszeit(nullptr, r.until).date();
            if (letzter < tag)
                fehler(QStringLiteral("UNTIL lies before DTSTART"));
            const qint64 wochen = (tag.daysTo(letzter) + 7) / 7;
            if (wochen > 32767)
                fehler(QStringLiteral("UNTIL lies more than 32767 weeks ahead"));
            // The ticker runs a note for whole weeks: the days after UNTIL up
            // to the end of its last week must not be ones the rule hits.
            for (QDate d = letzter.addDays(1); d < tag.addDays(7 * wochen); d = d.addDays(1))
                if (tage[size_t(d.dayOfWeek() - 1)])
                    fehler(QStringLiteral("UNTIL ends in the middle of a week"));
            w.wochen = int(wochen);
        }
        break;
    }
    case ICAL_MONTHLY_RECURRENCE:
        if (regeln.size() > 1)
            fehler(QStringLiteral("more than one RRULE"));
        if (bis)
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
                fehler(
                    QStringLiteral("BYDAY position %1: the ticker knows 1 to 4 and -1").arg(pos));
            w.amWochentag = true;
            w.position = pos == -1 ? 5 : pos;
            w.wochentag = (icalrecurrencetype_day_day_of_week(r.by_day[0]) + 5) % 7;
        } else {
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
        break;
    case ICAL_YEARLY_RECURRENCE:
        if (regeln.size() > 4)
            fehler(QStringLiteral("more than four days of the year"));
        w.rhythmus = RhythmusJaehrlich;
        w.start = tag;
        for (const icalrecurrencetype& j : regeln) {
            allgemein(j);
            if (j.freq != ICAL_YEARLY_RECURRENCE)
                fehler(QStringLiteral("rules of different frequencies"));
            if (!icaltime_is_null_time(j.until))
                fehler(QStringLiteral("UNTIL is taken in weekly rules only"));
            if (!leer(j.by_day))
                fehler(QStringLiteral("BYDAY in a yearly rule"));
            Jahrestag t{int16_t(tag.day()), int16_t(tag.month())};
            if (!leer(j.by_year_day)) {
                if (anzahl(j.by_year_day, ICAL_BY_YEARDAY_SIZE) != 1 || j.by_year_day[0] != 60 ||
                    !leer(j.by_month) || !leer(j.by_month_day))
                    fehler(QStringLiteral("BYYEARDAY other than 60 (29 February)"));
                t = {29, 2};
            } else {
                if (anzahl(j.by_month, ICAL_BY_MONTH_SIZE) > 1 ||
                    anzahl(j.by_month_day, ICAL_BY_MONTHDAY_SIZE) > 1)
                    fehler(QStringLiteral("more than one BYMONTH or BYMONTHDAY in a rule"));
                if (!leer(j.by_month))
                    t.monat = int16_t(icalrecurrencetype_month_month(j.by_month[0]));
                if (!leer(j.by_month_day))
                    t.tag = j.by_month_day[0];
            }
            w.jahrestage.push_back(t);
        }
        break;
    default:
        fehler(QStringLiteral("FREQ=%1: the ticker repeats daily, weekly, monthly or yearly")
                   .arg(text(icalrecur_freq_to_string(r.freq))));
    }

    // Days of advance notice: a display alarm whole days before.
    if (w.rhythmus == RhythmusMonatlich || w.rhythmus == RhythmusJaehrlich) {
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
        // A calendar reminds of its first occurrence too, days before it,
        // while the ticker shows nothing before a note's first date: the
        // first date goes back by the advance days, so that a note for
        // 24 December taken in on the 10th with 14 days' notice shows from
        // today on. It stops after an earlier day the rule hits, which
        // would otherwise become the first occurrence.
        for (int i = 0; i < w.vorher; ++i) {
            const QDate davor = w.start.addDays(-1);
            if (davor.year() < 1900 || trifft(w, davor))
                break;
            w.start = davor;
        }
    }
    return w;
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

QByteArray KalenderSchreiben(const std::vector<Notiz>& notizen, const QDateTime& stempel,
                             QStringList& ausgelassen) {
    Komponente kalender(icalcomponent_new_vcalendar());
    icalcomponent_add_property(kalender.get(),
                               icalproperty_new_prodid("-//Pinwick//pinwick-notes 3//EN"));
    icalcomponent_add_property(kalender.get(), icalproperty_new_version("2.0"));
    const QDateTime utc = stempel.toUTC();
    icaltimetype zeitstempel = moment(utc.date(), 0);
    zeitstempel.hour = utc.time().hour();
    zeitstempel.minute = utc.time().minute();
    zeitstempel.second = utc.time().second();
    zeitstempel = icaltime_convert_to_zone(zeitstempel, icaltimezone_get_utc_timezone());
    zeitstempel.zone = icaltimezone_get_utc_timezone();

    // The UID follows from what the event says, not from the row number:
    // the same notes give the same calendar in any file they are stored in,
    // and a calendar read in and written out again keeps its UIDs.
    std::map<QByteArray, int> gesehen;
    for (const Notiz& n : notizen) {
        try {
            Komponente probe(ereignis(n, QString(), icaltime_null_time()));
            char* probeText = icalcomponent_as_ical_string_r(probe.get());
            const QByteArray kern =
                QCryptographicHash::hash(QByteArray(probeText), QCryptographicHash::Sha1)
                    .toHex()
                    .left(20);
            icalmemory_free_buffer(probeText);
            const int wievielte = ++gesehen[kern];
            QString uid = QString::fromLatin1(kern);
            if (wievielte > 1)
                uid += QStringLiteral("-%1").arg(wievielte);
            uid += QStringLiteral("@pinwick");
            icalcomponent_add_component(kalender.get(), ereignis(n, uid, zeitstempel));
        } catch (const EingabeFehler& f) {
            ausgelassen << QStringLiteral("note %1 (%2) left out: %3")
                               .arg(n.ID)
                               .arg(n.inhalt.left(60), QString::fromStdString(f.what()));
        }
    }
    char* roh = icalcomponent_as_ical_string_r(kalender.get());
    QByteArray ergebnis(roh);
    icalmemory_free_buffer(roh);
    return ergebnis;
}

KalenderInhalt KalenderLesen(const QByteArray& daten, const QDate& heute) {
    // libical stops at the first NUL; a file holding one is no calendar.
    if (daten.contains('\0'))
        fehler(QStringLiteral("the file is not iCalendar text"));
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
