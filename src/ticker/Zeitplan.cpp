#include "Zeitplan.h"

#include "Hilfen.h"
#include "Notiz.h"

#include <QDate>

// The test runs for every scheduled note at every rebuild, so it works on day
// numbers (days since 30 December 1899) and on views into RhyDetails: no
// calendar objects per day, no copies of the text.

namespace pinwick {

namespace {

// Stands for "no end" of a weekly note that runs without a duration.
constexpr int32_t OhneEnde = 9999999;

// Monday 1 ... Sunday 7 of a day number; day 0 was a Saturday.
int wochentagMo(int32_t tag) {
    const int rest = (tag + 5) % 7;
    return (rest < 0 ? rest + 7 : rest) + 1;
}

// Day number of the date year/month/day, built with rollover: a month beyond
// 12 or below 1 moves into the neighbouring years, a day beyond the month's
// end into the next month, day 0 to the last day of the month before.
int32_t tagMitUeberlauf(int jahr, int monat, int tag) {
    int m = monat - 1;
    jahr += m / 12;
    m %= 12;
    if (m < 0) {
        m += 12;
        --jahr;
    }
    return DatumsZahl(QDate(jahr, m + 1, 1)) + (tag - 1);
}

// The time window. The clock's time to the second is held as a float and
// compared with the stored doubles, so the boundary seconds follow the float's
// rounding: 08:00:00 lands just above a stored 08:00 (a window ending then is
// already over), 23:59:00 just below a stored 23:59.
bool imZeitfenster(float zeit, double von, double bis) {
    bool faellig = true;
    if (zeit < von)
        faellig = false;
    if (zeit > bis)
        faellig = false;
    if (von + bis == 0)
        faellig = true;
    return faellig;
}

bool woechentlich(const Satz& satz, int32_t heute, int32_t start) {
    const int16_t dauer = satz.Feld(u"Dauer").alsInt16();
    // The note runs for exactly Dauer weeks: up to the day before the end day.
    const int32_t endTag = dauer > 0 ? start + 7 * dauer : OhneEnde;
    if (heute > endTag - 1)
        return false;
    const QString details = satz.Feld(u"RhyDetails").alsText();
    return WochentagAktiv(details, wochentagMo(heute));
}

// The day of the k-th (1 to 4) or last (k 5 or more) day of the month whose
// Monday-based weekday is zielTag, or 0 when the month has no such day.
// Counting on day numbers instead of walking the month twice gives the same
// days.
int32_t wochentagImMonat(int32_t ersterTag, int laenge, int zielTag, int k) {
    const int32_t letzterTag = ersterTag + laenge - 1;
    const int32_t erster = ersterTag + (zielTag - wochentagMo(ersterTag) + 7) % 7;
    const int anzahl = (letzterTag - erster) / 7 + 1;
    const int nummer = k >= 5 ? anzahl : k;
    if (nummer < 1 || nummer > anzahl)
        return 0;
    return erster + 7 * (nummer - 1);
}

bool monatlich(const Satz& satz, int32_t heute, const QDate& datum) {
    const QString details = satz.Feld(u"RhyDetails").alsText();
    const int16_t vorher = satz.Feld(u"Vorher").alsInt16();
    const QStringView text(details);
    if (text.isEmpty())
        return false;

    if (text.front() == u'1') {
        // The window ends with the day itself and starts no earlier than the
        // 1st: it compares day numbers of the month, not dates.
        const double n = FuehrendeZahl(text.sliced(1));
        const int tag = datum.day();
        return n - vorher <= tag && tag <= n;
    }

    if (text.size() < 2)
        return false;
    // A single character: only the digits give a number other than 0.
    const char16_t p = text[1].unicode();
    const int k = (p >= u'1' && p <= u'9') ? p - u'0' : 0;
    if (k == 0)
        return false;
    const double w = FuehrendeZahl(text.sliced(2));
    // A weekday that is not one of 0 to 6 matches no day of the month.
    if (!(w >= 0 && w <= 6) || w != static_cast<int>(w))
        return false;

    const int32_t ersterTag = heute - (datum.day() - 1);
    const int laenge = TageImMonat(datum.month(), datum.year());
    const int32_t ziel = wochentagImMonat(ersterTag, laenge, static_cast<int>(w) + 1, k);
    if (ziel == 0)
        return false;
    return heute <= ziel && ziel <= heute + vorher;
}

bool jaehrlich(const Satz& satz, int32_t heute, int jahr) {
    const int16_t vorher = satz.Feld(u"Vorher").alsInt16();
    const QString details = satz.Feld(u"RhyDetails").alsText();
    const QStringView text(details);
    // Whole entries only: a piece the text is too short for would never be
    // cut off, so the scan stops there.
    for (qsizetype ab = 0; ab + 4 <= text.size(); ab += 4) {
        const int tag = RundeGerade32(FuehrendeZahl(text.sliced(ab, 2)));
        const int monat = RundeGerade32(FuehrendeZahl(text.sliced(ab + 2, 2)));
        const int32_t ziel = tagMitUeberlauf(jahr, monat, tag);
        if (ziel - vorher <= heute && heute <= ziel)
            return true;
    }
    return false;
}

} // namespace

bool ZeitTestKern(const Satz& satz, const QDateTime& jetzt) {
    const int16_t rhythmus = satz.Feld(u"Rhythmus").alsInt16();
    if (rhythmus == RhythmusPermanent)
        return true;

    const QDate datum = jetzt.date();
    const int32_t heute = DatumsZahl(datum);
    int32_t start = 0;
    if (rhythmus > RhythmusTaeglich)
        start = TagAusWert(satz.Feld(u"StartDatum"));

    const float zeit = static_cast<float>(jetzt.time().msecsSinceStartOfDay() / 1000 / 86400.0);
    const double von = satz.Feld(u"UhrVon").alsDouble();
    const double bis = satz.Feld(u"UhrBis").alsDouble();
    if (!imZeitfenster(zeit, von, bis))
        return false;

    switch (rhythmus) {
    case RhythmusTaeglich:
        return true;
    case RhythmusWoechentlich:
        return heute >= start && woechentlich(satz, heute, start);
    case RhythmusMonatlich:
        return heute >= start && monatlich(satz, heute, datum);
    case RhythmusJaehrlich:
        return heute >= start && jaehrlich(satz, heute, datum.year());
    default:
        // An unknown rhythm has nothing but its time window.
        return true;
    }
}

} // namespace pinwick
