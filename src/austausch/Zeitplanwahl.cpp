#include "Zeitplanwahl.h"

#include "Hilfen.h"
#include "NotizEingabe.h"

#include <QRegularExpression>

namespace pinwick {

namespace {

const char* const kurzNamen[7] = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};
const char* const langNamen[7] = {"monday", "tuesday",  "wednesday", "thursday",
                                  "friday", "saturday", "sunday"};
const char* const anzeigeNamen[7] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const positionsNamen[6] = {"", "1st", "2nd", "3rd", "4th", "last"};

[[noreturn]] void fehler(const QString& text) {
    throw EingabeFehler(text.toStdString());
}

int wochentagLesen(const QString& wort) {
    const QString w = wort.trimmed().toLower();
    for (int i = 0; i < 7; ++i)
        if (w == QLatin1String(kurzNamen[i]) || w == QLatin1String(langNamen[i]))
            return i;
    fehler(QStringLiteral("unknown weekday \"%1\" (mon, tue, wed, thu, fri, sat, sun)").arg(wort));
}

// Days a month can have, February with its leap day: a yearly note for
// 29.02 is a real choice (it shows on 1 March in other years).
int hoechsterTag(int monat) {
    return monat == 2 ? 29 : QDate(2001, monat, 1).daysInMonth();
}

bool nurZiffern(const QString& text) {
    static const QRegularExpression ziffern(QStringLiteral("^[0-9]+$"));
    return ziffern.match(text).hasMatch();
}

} // namespace

Wochentage WochentageLesen(const QString& text) {
    Wochentage tage{};
    const QStringList woerter = text.split(QLatin1Char(','));
    for (const QString& wort : woerter)
        tage[size_t(wochentagLesen(wort))] = true;
    return tage;
}

QString WochentageText(const Wochentage& tage) {
    QStringList woerter;
    for (size_t i = 0; i < 7; ++i)
        if (tage[i])
            woerter << QLatin1String(kurzNamen[i]);
    return woerter.join(QLatin1Char(','));
}

void MonatsTagLesen(const QString& text, Zeitplanwahl& wahl) {
    const QString t = text.trimmed().toLower();
    const qsizetype strich = t.indexOf(QLatin1Char('-'));
    if (strich < 0) {
        if (!nurZiffern(t) || t.size() > 2 || t.toInt() < 1 || t.toInt() > 31)
            fehler(QStringLiteral("day of the month \"%1\": give 1 to 31, or a position such as "
                                  "last-fri or 2nd-mon")
                       .arg(text));
        wahl.amWochentag = false;
        wahl.monatsTag = t;
        return;
    }
    const QString pos = t.left(strich);
    int position = 0;
    for (int i = 1; i <= 5; ++i)
        if (pos == QLatin1String(positionsNamen[i]))
            position = i;
    if (position == 0)
        fehler(QStringLiteral("position \"%1\": give 1st, 2nd, 3rd, 4th or last").arg(pos));
    wahl.amWochentag = true;
    wahl.position = position;
    wahl.wochentag = wochentagLesen(t.mid(strich + 1));
}

QString MonatsTagText(const Zeitplanwahl& wahl) {
    if (!wahl.amWochentag)
        return wahl.monatsTag;
    const int p = wahl.position >= 1 && wahl.position <= 5 ? wahl.position : 5;
    const int w = wahl.wochentag >= 0 && wahl.wochentag <= 6 ? wahl.wochentag : 0;
    return QLatin1String(positionsNamen[p]) + QLatin1Char('-') + QLatin1String(kurzNamen[w]);
}

std::vector<Jahrestag> JahrestageLesen(const QString& text, bool ueberMonatsende) {
    std::vector<Jahrestag> tage;
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,2})\\.([0-9]{1,2})\\.?$"));
    for (const QString& teil : text.split(QLatin1Char(','))) {
        const auto treffer = form.match(teil.trimmed());
        const int tag = treffer.hasMatch() ? treffer.captured(1).toInt() : 0;
        const int monat = treffer.hasMatch() ? treffer.captured(2).toInt() : 0;
        const bool gilt = ueberMonatsende
                              ? JahrestagFaelltImJahr({int16_t(tag), int16_t(monat)})
                              : monat >= 1 && monat <= 12 && tag >= 1 && tag <= hoechsterTag(monat);
        if (!gilt)
            fehler(QStringLiteral("day of the year \"%1\": give DD.MM, a day that month has")
                       .arg(teil));
        tage.push_back({int16_t(tag), int16_t(monat)});
    }
    if (tage.size() > 4)
        fehler(QStringLiteral("at most four days of the year, not %1").arg(tage.size()));
    return tage;
}

QDate JahresZiel(const Jahrestag& t, int jahr) {
    if (t.monat < 1 || t.monat > 12)
        return {};
    return QDate(jahr, t.monat, 1).addDays(t.tag - 1);
}

bool JahrestagFaelltImJahr(const Jahrestag& t) {
    if (t.tag < 1 || t.tag > 99 || t.monat < 1 || t.monat > 12)
        return false;
    // January and February move by a day in leap years, so both kinds of
    // year are asked.
    return JahresZiel(t, 2001).year() == 2001 && JahresZiel(t, 2000).year() == 2000;
}

QString JahrestageText(const std::vector<Jahrestag>& tage) {
    QStringList teile;
    for (const Jahrestag& t : tage)
        teile << QStringLiteral("%1.%2")
                     .arg(t.tag, 2, 10, QLatin1Char('0'))
                     .arg(t.monat, 2, 10, QLatin1Char('0'));
    return teile.join(QLatin1Char(','));
}

int UhrzeitLesen(const QString& text) {
    // The editor's normaliser, but stricter about what it is given: only
    // digits and one colon, so "8am" is not taken for 08:00.
    static const QRegularExpression form(QStringLiteral("^[0-9]{1,2}(:[0-9]{1,2})?$"));
    const QString t = text.trimmed();
    const UhrzeitErgebnis r = UhrzeitPruefen(t);
    if (!form.match(t).hasMatch() || r.art != UhrzeitErgebnis::Gueltig)
        fehler(QStringLiteral("time \"%1\": give HH:MM from 00:00 to 23:59").arg(text));
    return TagesMinute(r.zeit);
}

QString UhrzeitAusgabe(std::optional<int> minuten) {
    if (!minuten)
        return {};
    return QStringLiteral("%1:%2")
        .arg(*minuten / 60, 2, 10, QLatin1Char('0'))
        .arg(*minuten % 60, 2, 10, QLatin1Char('0'));
}

QDate DatumLesen(const QString& text) {
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t, Qt::ISODate);
    if (!d.isValid())
        d = QDate::fromString(t, QStringLiteral("d.M.yyyy"));
    if (!d.isValid() || d.year() < 1900 || d.year() > 9999)
        fehler(QStringLiteral("date \"%1\": give YYYY-MM-DD or DD.MM.YYYY").arg(text));
    return d;
}

QString DatumAusgabe(const QDate& datum) {
    return datum.toString(Qt::ISODate);
}

int ZahlLesen(const QString& text, const char* was) {
    const QString t = text.trimmed();
    bool ok = false;
    const int zahl = t.toInt(&ok);
    if (!nurZiffern(t) || !ok || zahl > 32767)
        fehler(QStringLiteral("%1 \"%2\": give a whole number from 0 to 32767")
                   .arg(QLatin1String(was), text));
    return zahl;
}

int16_t RhythmusLesen(const QString& text) {
    const QString t = text.trimmed().toLower();
    for (int16_t r = RhythmusPermanent; r <= RhythmusJaehrlich; ++r)
        if (t == RhythmusText(r))
            return r;
    fehler(QStringLiteral("rhythm \"%1\": give permanent, daily, weekly, monthly or yearly")
               .arg(text));
}

QString RhythmusText(int16_t rhythmus) {
    switch (rhythmus) {
    case RhythmusPermanent:
        return QStringLiteral("permanent");
    case RhythmusTaeglich:
        return QStringLiteral("daily");
    case RhythmusWoechentlich:
        return QStringLiteral("weekly");
    case RhythmusMonatlich:
        return QStringLiteral("monthly");
    case RhythmusJaehrlich:
        return QStringLiteral("yearly");
    }
    return QStringLiteral("unknown (%1)").arg(rhythmus);
}

QString EineZeile(const QString& text) {
    static const QRegularExpression umbruch(QStringLiteral("\r\n|\r|\n"));
    QString t = text;
    t.replace(umbruch, QStringLiteral(" "));
    return t;
}

namespace {

// What the editor refuses from nobody, but what a script must not give: a
// text with control characters or beyond a line's length, and choices that
// belong to another rhythm.
void wahlEinordnen(const QString& zeile, const Zeitplanwahl& wahl) {
    // Control characters have no place in a line of the ticker; a TAB would
    // also be taken for the separator the administration keeps the ID
    // behind, and a NUL ends the text for every C library it passes.
    for (QChar c : zeile)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            fehler(QStringLiteral("the text holds a control character (code %1)").arg(c.unicode()));
    if (zeile.size() > NotizHoechstLaenge)
        fehler(QStringLiteral("the text has %1 characters; a note holds at most %2")
                   .arg(zeile.size())
                   .arg(NotizHoechstLaenge));
    const int r = wahl.rhythmus;
    if (r < RhythmusPermanent || r > RhythmusJaehrlich)
        fehler(QStringLiteral("unknown rhythm %1").arg(r));
    const bool mitZeit = wahl.von || wahl.bis;
    if (r == RhythmusPermanent && mitZeit)
        fehler(QStringLiteral("a permanent note has no time window; choose a rhythm"));
    for (const auto& minuten : {wahl.von, wahl.bis})
        if (minuten && (*minuten < 0 || *minuten > 1439))
            fehler(QStringLiteral("time %1 minutes: give 00:00 to 23:59").arg(*minuten));
    if (wahl.start.isValid() && r < RhythmusWoechentlich)
        fehler(QStringLiteral("a first day needs a weekly, monthly or yearly note"));
    if (wahl.wochen != 0 && r != RhythmusWoechentlich)
        fehler(QStringLiteral("a number of weeks needs a weekly note"));
    if (wahl.vorher != 0 && r != RhythmusMonatlich && r != RhythmusJaehrlich)
        fehler(QStringLiteral("days of advance notice need a monthly or yearly note"));
    if (wahl.wochen < 0 || wahl.wochen > 32767 || wahl.vorher < 0 || wahl.vorher > 32767)
        fehler(QStringLiteral("weeks and advance days go from 0 to 32767"));
}

void monatsWerte(const Zeitplanwahl& wahl, NotizWerte& w) {
    if (wahl.amWochentag) {
        if (wahl.position < 1 || wahl.position > 5 || wahl.wochentag < 0 || wahl.wochentag > 6)
            fehler(QStringLiteral("no such weekday position in a month"));
        w.monArt = MonatsRegel::Wochentag;
        w.moPos = wahl.position;
        w.woTag = wahl.wochentag;
        return;
    }
    // A day the editor would store but that no month has never shows.
    if (!nurZiffern(wahl.monatsTag) || wahl.monatsTag.size() > 2 || wahl.monatsTag.toInt() < 1 ||
        wahl.monatsTag.toInt() > 31)
        fehler(QStringLiteral("day of the month \"%1\": give 1 to 31").arg(wahl.monatsTag));
    w.monArt = MonatsRegel::FesterTag;
    w.monatsTag = wahl.monatsTag;
}

void jahresWerte(const Zeitplanwahl& wahl, NotizWerte& w) {
    if (wahl.jahrestage.empty() || wahl.jahrestage.size() > 4)
        fehler(QStringLiteral("a yearly note needs one to four days of the year"));
    for (size_t i = 0; i < wahl.jahrestage.size(); ++i) {
        const Jahrestag& t = wahl.jahrestage[i];
        // A day past the month's end is the editor's and the ticker's way to
        // say "the day after": 31.06 shows on 1 July. Only a day that runs
        // on into the next year never shows.
        if (!JahrestagFaelltImJahr(t))
            fehler(QStringLiteral("day of the year %1.%2 does not exist").arg(t.tag).arg(t.monat));
        w.jahrTag[i] = t.tag;
        w.jahrMonat[i] = t.monat;
    }
}

} // namespace

NotizWerte WerteAusWahl(const QString& text, const Zeitplanwahl& wahl, const QDate& heute) {
    const QString zeile = EineZeile(text);
    wahlEinordnen(zeile, wahl);
    NotizWerte w;
    w.notiz = zeile;
    w.rhythmus = wahl.rhythmus;
    w.vonBis = wahl.von || wahl.bis;
    const std::optional<int> enden[2] = {wahl.von, wahl.bis};
    for (size_t i = 0; i < 2; ++i)
        if (enden[i])
            w.uhr[i] = Uhrangabe::Um(Tageszeit(*enden[i] / 60, *enden[i] % 60));
    w.erstDatum = ErstDatumZahl(wahl.start.isValid() ? wahl.start : heute);
    switch (w.rhythmus) {
    case RhythmusWoechentlich:
        w.woTage = wahl.tage;
        w.dauer = wahl.wochen;
        break;
    case RhythmusMonatlich:
        monatsWerte(wahl, w);
        w.vorher = wahl.vorher;
        break;
    case RhythmusJaehrlich:
        jahresWerte(wahl, w);
        w.vorher = wahl.vorher;
        break;
    default:
        break;
    }
    return w;
}

Notiz NotizAusWahl(const QString& text, const Zeitplanwahl& wahl, const QDate& heute) {
    NotizWerte w = WerteAusWahl(text, wahl, heute);
    // The questions are the editor's way of asking "did you mean it?"; the
    // choices given here were made on purpose: from alone runs till
    // midnight, a day 29 or 31 is meant.
    const PruefErgebnis e = NotizPruefen(w, heute, [](Frage) { return true; });
    if (!e.ok)
        fehler(e.meldung ? MeldungsText(*e.meldung, 1) : QStringLiteral("the note was refused"));
    return e.notiz;
}

Zeitplanwahl WahlAusNotiz(const Notiz& n) {
    Zeitplanwahl w;
    w.rhythmus = n.Rhythmus;
    if (n.Rhythmus < RhythmusPermanent || n.Rhythmus > RhythmusJaehrlich)
        fehler(QStringLiteral("note %1 has an unknown rhythm %2").arg(n.ID).arg(n.Rhythmus));
    if (n.Rhythmus == RhythmusPermanent)
        return w;
    if (!n.Ganztags()) {
        w.von = TagesMinute(n.UhrVon);
        w.bis = TagesMinute(n.UhrBis);
    }
    if (n.Rhythmus == RhythmusTaeglich)
        return w;
    w.start = AusDatumsZahl(n.StartDatum);
    switch (n.Rhythmus) {
    case RhythmusWoechentlich:
        w.tage = n.WochentageLesen();
        w.wochen = n.Dauer;
        break;
    case RhythmusMonatlich: {
        const auto regel = n.MonatsRegelLesen();
        if (!regel)
            fehler(QStringLiteral("note %1 has a monthly rule \"%2\" outside the encoding")
                       .arg(n.ID)
                       .arg(n.RhyDetails));
        w.amWochentag = regel->art == MonatsRegel::Wochentag;
        w.monatsTag = regel->tagText;
        w.position = regel->position;
        w.wochentag = regel->wochentag;
        w.vorher = n.Vorher;
        break;
    }
    case RhythmusJaehrlich:
        w.jahrestage = n.JahrestageLesen();
        w.vorher = n.Vorher;
        break;
    default:
        break;
    }
    return w;
}

QString ZeitplanInWorten(const Notiz& n) {
    if (n.Rhythmus < RhythmusPermanent || n.Rhythmus > RhythmusJaehrlich)
        return RhythmusText(n.Rhythmus);
    if (n.Rhythmus == RhythmusPermanent)
        return QStringLiteral("permanent");
    QStringList teile;
    switch (n.Rhythmus) {
    case RhythmusTaeglich:
        teile << QStringLiteral("daily");
        break;
    case RhythmusWoechentlich: {
        QStringList tage;
        const Wochentage w = n.WochentageLesen();
        for (size_t i = 0; i < 7; ++i)
            if (w[i])
                tage << QLatin1String(anzeigeNamen[i]);
        teile << QStringLiteral("weekly on ") + tage.join(QStringLiteral(", "));
        break;
    }
    case RhythmusMonatlich: {
        const auto regel = n.MonatsRegelLesen();
        if (!regel)
            teile << QStringLiteral("monthly (\"%1\")").arg(n.RhyDetails);
        else if (regel->art == MonatsRegel::FesterTag)
            teile << QStringLiteral("monthly on day %1").arg(regel->tagText);
        else
            teile << QStringLiteral("monthly on the %1 %2")
                         .arg(QLatin1String(positionsNamen[regel->position]),
                              QLatin1String(anzeigeNamen[regel->wochentag]));
        break;
    }
    case RhythmusJaehrlich: {
        QStringList tage;
        for (const Jahrestag& t : n.JahrestageLesen())
            tage << QStringLiteral("%1.%2")
                        .arg(t.tag, 2, 10, QLatin1Char('0'))
                        .arg(t.monat, 2, 10, QLatin1Char('0'));
        teile << QStringLiteral("yearly on ") + tage.join(QStringLiteral(", "));
        break;
    }
    default:
        break;
    }
    teile << (n.Ganztags() ? QStringLiteral("whole day")
                           : UhrzeitText(n.UhrVon) + QLatin1Char('-') + UhrzeitText(n.UhrBis));
    if (n.Rhythmus >= RhythmusWoechentlich)
        teile << QStringLiteral("from ") + DatumAusgabe(AusDatumsZahl(n.StartDatum));
    if (n.Rhythmus == RhythmusWoechentlich && n.Dauer > 0)
        teile << QStringLiteral("for %1 weeks").arg(n.Dauer);
    if (n.Rhythmus >= RhythmusMonatlich && n.Vorher > 0)
        teile << QStringLiteral("%1 days earlier").arg(n.Vorher);
    return teile.join(QStringLiteral(", "));
}

} // namespace pinwick
