// The text readers and text routines of the helper module on any text.
//
// Input: a first line of up to six numbers (n, s, p, year, month, day: the
// counts and positions for the routines and "today" for DatumGueltig), a
// second line used as the replacement or search piece, and the rest as the
// text, read as UTF-8 and once more as raw UTF-16 code units (so unpaired
// surrogates come in too).
//
// What must hold besides ending without a crash: FuehrendeZahl gives 0 for
// a text HatFuehrendeZahl finds no number in and never NaN; rounding lands
// within half of the value; a date DatumGueltig accepts lies in the years
// 100 to 9999 (whatever year "today" is) and reads back to the same day from
// its display form; every routine keeps the characters it does not replace;
// column values convert or throw DatenFehler, nothing else.

#include "FuzzEingabe.h"
#include "Hilfen.h"

#include <cmath>
#include <limits>

using namespace pinwick;
using namespace pinwick::fuzz;

namespace {

void zahlen(const QString& text) {
    const double x = FuehrendeZahl(text);
    FUZZ_PRUEFEN(!std::isnan(x), "FuehrendeZahl gave NaN");
    if (!HatFuehrendeZahl(text))
        FUZZ_PRUEFEN(x == 0, "a text without a number reads as %g", x);
    if (std::isfinite(x)) {
        const double r = RundeGerade(x);
        FUZZ_PRUEFEN(r == std::floor(r) && std::fabs(r - x) <= 0.5, "RundeGerade(%g) = %g", x, r);
        const int32_t r32 = RundeGerade32(x);
        if (std::fabs(r) < 2e9)
            FUZZ_PRUEFEN(r32 == static_cast<int32_t>(r), "RundeGerade32(%g) = %d", x, r32);
        // A day number and back, to the second.
        const QDateTime moment = AusTagesZahl(x);
        if (moment.isValid())
            FUZZ_PRUEFEN(std::fabs(TagesZahl(moment) - x) <= 1.0 / 86400,
                         "day number %.9g comes back as %.9g", x, TagesZahl(moment));
    }
    for (const Wert& w : {Wert(text), Wert(QVariant(text.toUtf8()))}) {
        try {
            w.alsDouble();
        } catch (const DatenFehler&) {
        }
        try {
            w.alsInt16();
        } catch (const DatenFehler&) {
        }
        try {
            w.alsInt32();
        } catch (const DatenFehler&) {
        }
        try {
            w.alsBool();
        } catch (const DatenFehler&) {
        }
        w.alsText();
        w.gleich(Wert(text));
    }
}

void datum(const QString& text, const QDate& heute) {
    QString kopie = text;
    int32_t zahl = std::numeric_limits<int32_t>::min();
    const bool gueltig = DatumGueltig(kopie, zahl, heute);
    FUZZ_PRUEFEN(!kopie.startsWith(u' ') && !kopie.endsWith(u' '), "DatumGueltig did not trim");
    if (!gueltig || kopie.isEmpty()) {
        FUZZ_PRUEFEN(zahl == std::numeric_limits<int32_t>::min(), "datumZahl changed");
        return;
    }
    const QDate tag = AusDatumsZahl(zahl);
    FUZZ_PRUEFEN(tag.isValid() && tag.year() >= 100 && tag.year() <= 9999, "day %d accepted", zahl);
    QString wieder = DatumText(tag);
    int32_t zweite = 0;
    FUZZ_PRUEFEN(DatumGueltig(wieder, zweite, heute) && zweite == zahl,
                 "the display form of day %d reads back as %d", zahl, zweite);
}

void texte(const QString& text, const QString& stueck, int n, int s, int p) {
    const qsizetype laenge = text.size();

    QString t = text;
    Trimmen(t);
    FUZZ_PRUEFEN(!t.startsWith(u' ') && !t.endsWith(u' ') && text.contains(t), "Trimmen");

    t = text;
    ZeichenErsetzen(t, stueck, p);
    if (p >= 1 && p <= laenge)
        FUZZ_PRUEFEN(t == text.left(p - 1) + stueck + text.mid(p), "ZeichenErsetzen at %d", p);

    t = text;
    int anzahl = n;
    TeilErsetzen(t, stueck, s, anzahl);
    FUZZ_PRUEFEN(anzahl >= 0 && anzahl <= laenge, "TeilErsetzen count %d", anzahl);
    if (s >= 1 && s <= laenge + 1)
        FUZZ_PRUEFEN(t == text.left(s - 1) + stueck + text.mid(s - 1 + anzahl),
                     "TeilErsetzen at %d", s);

    t = text;
    KommaZuPunkt(t);
    FUZZ_PRUEFEN(!t.contains(u',') && t.size() == laenge, "KommaZuPunkt");

    t = text;
    ZeilenumbruchZuLeerzeichen(t);
    FUZZ_PRUEFEN(!t.contains(QStringLiteral("\r\n")), "ZeilenumbruchZuLeerzeichen");

    t = text;
    ZeilenendeEntfernen(t);
    FUZZ_PRUEFEN(text.startsWith(t) && !t.endsWith(u'\n') && !t.endsWith(u'\r'),
                 "ZeilenendeEntfernen");

    for (int seite : {1, 2}) {
        t = text;
        QString teil = QStringLiteral("vorher");
        StueckAbschneiden(t, n, seite, teil);
        if (laenge > 0 && n >= 0 && n <= laenge)
            FUZZ_PRUEFEN(teil.size() == n && (seite == 1 ? teil + t : t + teil) == text,
                         "StueckAbschneiden %d from side %d", n, seite);
        else
            FUZZ_PRUEFEN(t == text && teil == QLatin1String("vorher"), "StueckAbschneiden %d", n);
    }

    const int16_t rest = RestAbLetztem(text, stueck);
    FUZZ_PRUEFEN(rest >= 0 && rest <= laenge, "RestAbLetztem %d", rest);
    if (rest > 0)
        FUZZ_PRUEFEN(text.right(rest).startsWith(stueck) || rest == 32767, "RestAbLetztem %d",
                     rest);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    const QList<QByteArrayView> liste = zeilen(daten, groesse);
    int werte[6] = {1, 1, 1, 2024, 2, 29};
    {
        const QList<QByteArray> teile = liste.value(0).toByteArray().split(' ');
        for (qsizetype i = 0; i < teile.size() && i < 6; ++i)
            werte[i] = teile[i].toInt();
    }
    const QString stueck = QString::fromUtf8(liste.value(1));
    const qsizetype ab = liste.value(0).size() + liste.value(1).size() + 2;
    const QByteArrayView roh = ab < static_cast<qsizetype>(groesse)
                                   ? QByteArrayView(reinterpret_cast<const char*>(daten) + ab,
                                                    static_cast<qsizetype>(groesse) - ab)
                                   : QByteArrayView();
    const QDate heute(werte[3], werte[4], werte[5]);

    QString utf16;
    for (qsizetype i = 0; i + 1 < roh.size(); i += 2)
        utf16.append(QChar(static_cast<char16_t>((uint8_t(roh[i]) << 8) | uint8_t(roh[i + 1]))));
    for (const QString& text : {QString::fromUtf8(roh), utf16}) {
        zahlen(text);
        datum(text, heute);
        texte(text, stueck, werte[0], werte[1], werte[2]);
    }
    TageImMonat(werte[4], werte[3]);
    FUZZ_PRUEFEN(TageImMonat(werte[4], werte[3]) >= 28 && TageImMonat(werte[4], werte[3]) <= 31,
                 "TageImMonat");
    if (heute.isValid())
        FUZZ_PRUEFEN(WochentagMo(heute) >= 1 && WochentagMo(heute) <= 7, "WochentagMo");
    return 0;
}
