#include "Kalender.h"

#include "Hilfen.h"
#include "KalenderIntern.h"
#include "NotizEingabe.h"

#include <QCryptographicHash>

#include <cmath>
#include <map>

namespace pinwick {

namespace kalender {

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
        for (const Jahrestag& t : w.jahrestage)
            if (JahresZiel(t, d.year()) == d)
                return true;
        return false;
    default:
        return true;
    }
}

std::optional<JahresRegel> JahresRegelAus(const Jahrestag& t) {
    if (!JahrestagFaelltImJahr(t))
        return std::nullopt;
    if (t.monat <= 2) {
        // Counted from 1 January, the day of the year is the same in every
        // year; from the 60th on it is a day later in the calendar of a
        // leap year, just as the rolled-over date is.
        const int jahresTag = (t.monat == 1 ? 0 : 31) + t.tag;
        if (jahresTag >= 60)
            return JahresRegel{jahresTag, 0, 0};
        const QDate d = QDate(2001, 1, 1).addDays(jahresTag - 1);
        return JahresRegel{0, d.month(), d.day()};
    }
    // From March on every year has the same months.
    const QDate d = JahresZiel(t, 2001);
    return JahresRegel{0, d.month(), d.day()};
}

std::optional<Jahrestag> JahrestagAus(const JahresRegel& r) {
    if (r.jahresTag == 0)
        return Jahrestag{int16_t(r.tag), int16_t(r.monat)};
    if (r.jahresTag >= 1 && r.jahresTag < 60) {
        const QDate d = QDate(2001, 1, 1).addDays(r.jahresTag - 1);
        return Jahrestag{int16_t(d.day()), int16_t(d.month())};
    }
    const Jahrestag t{int16_t(r.jahresTag - 31), int16_t(2)};
    if (!JahrestagFaelltImJahr(t))
        return std::nullopt;
    return t;
}

} // namespace kalender

namespace {

using namespace kalender;

// Daily and permanent notes have no first date; their events start on one
// fixed day so that the same note always gives the same event.
const QDate tagLoserAnfang(2000, 1, 1);

const char* const icalTage[7] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};

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

// The yearly rules of a note's event.
void jahresRegelnSetzen(icalcomponent* e, const Notiz& n, const Zeitplanwahl& w) {
    // One rule per entry, for the day the ticker shows it on, never a
    // list of dates: the calendar keeps showing it in every year to come.
    for (const Jahrestag& t : w.jahrestage) {
        const std::optional<JahresRegel> r = JahresRegelAus(t);
        if (!r)
            fehler(QStringLiteral("note %1 has a day %2.%3 that never shows")
                       .arg(n.ID)
                       .arg(t.tag)
                       .arg(t.monat));
        icalcomponent_add_property(
            e, rrule(r->jahresTag ? QStringLiteral("FREQ=YEARLY;BYYEARDAY=%1").arg(r->jahresTag)
                                  : QStringLiteral("FREQ=YEARLY;BYMONTH=%1;BYMONTHDAY=%2")
                                        .arg(r->monat)
                                        .arg(r->tag)));
    }
    // The stored day of a rule that reads back as another one (31.06
    // as 1.07), so that an import gives back the note as it was.
    for (const Jahrestag& t : w.jahrestage) {
        if (JahrestagAus(*JahresRegelAus(t)) == t)
            continue;
        const QByteArray wert = JahrestageText({t}).toUtf8();
        icalproperty* p = icalproperty_new_x(wert.constData());
        icalproperty_set_x_name(p, TagEigenschaft);
        icalcomponent_add_property(e, p);
    }
}

// A reminder shown the given number of days before the event.
void erinnerungSetzen(icalcomponent* e, int tage, const QByteArray& text) {
    icalcomponent* alarm = icalcomponent_new_valarm();
    icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
    const QByteArray ausloeser = QStringLiteral("-P%1D").arg(tage).toUtf8();
    icalcomponent_add_property(
        alarm, icalproperty_new_trigger(icaltriggertype_from_string(ausloeser.constData())));
    icalcomponent_add_property(alarm, icalproperty_new_description(text.constData()));
    icalcomponent_add_component(e, alarm);
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
        jahresRegelnSetzen(e, n, w);
    } else {
        QString regel = regelText(w);
        if (letzter.isValid()) {
            const icaltimetype bis = ganztags ? datum(letzter) : moment(letzter, n.UhrVon);
            regel += QStringLiteral(";UNTIL=") + QString::fromUtf8(icaltime_as_ical_string(bis));
        }
        icalcomponent_add_property(e, rrule(regel));
    }
    if (w.vorher > 0)
        erinnerungSetzen(e, w.vorher, text);
    return komponente.release();
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

} // namespace pinwick
