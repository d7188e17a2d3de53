// The schedule test on any record at any moment (years 1 to 9999): every
// column may hold Null, any integer, any double (NaN and infinities too),
// any text or a blob.
//
// What must hold:
// - the test ends and throws nothing but DatenFehler, and gives the same
//   answer when asked twice;
// - a note that NotizLesen can read, written back the way the editor saves
//   it (NotizSpalten), reads back the same and is due exactly when the
//   original record is;
// - the editor's decoders agree with the test: a monthly text the editor can
//   read is written back unchanged, and a weekly or yearly text replaced by
//   the editor's encoding of what it read gives the same answer.

#include "FuzzEingabe.h"
#include "FuzzNotiz.h"
#include "Notiz.h"
#include "Zeitplan.h"

using namespace pinwick;
using namespace pinwick::fuzz;

namespace {

std::optional<bool> faelligOderFehler(const Satz& satz, const QDateTime& jetzt) {
    try {
        return ZeitTestKern(satz, jetzt);
    } catch (const DatenFehler&) {
        return std::nullopt;
    }
}

void zurueckGeschrieben(const SpeicherSatz& satz, const QDateTime& jetzt, bool faellig) {
    Notiz n;
    try {
        n = NotizLesen(satz);
    } catch (const DatenFehler&) {
        return;
    }
    SpeicherSatz neu;
    neu.werte[QStringLiteral("ID")] = Wert(n.ID);
    NotizSpalten(n, [&](QStringView name, const Wert& w) { neu.werte[name.toString()] = w; });
    Notiz wieder;
    try {
        wieder = NotizLesen(neu);
    } catch (const DatenFehler& e) {
        FUZZ_PRUEFEN(false, "a saved note cannot be read back: %s", e.what());
    }
    FUZZ_PRUEFEN(gleicheNotiz(n, wieder), "a saved note reads back otherwise");
    const std::optional<bool> zweit = faelligOderFehler(neu, jetzt);
    FUZZ_PRUEFEN(zweit.has_value(), "the saved note cannot be tested");
    FUZZ_PRUEFEN(*zweit == faellig, "the saved note is due %d, the record %d", *zweit, faellig);
}

void mitDetails(SpeicherSatz satz, const QString& details, const QDateTime& jetzt, bool faellig,
                const char* was) {
    satz.werte[QStringLiteral("RhyDetails")] = Wert(details);
    const std::optional<bool> anders = faelligOderFehler(satz, jetzt);
    FUZZ_PRUEFEN(anders == faellig, "%s: the editor's encoding answers otherwise", was);
}

void dekodierer(const SpeicherSatz& satz, const QDateTime& jetzt, bool faellig, int16_t rhythmus) {
    QString details;
    try {
        details = satz.Feld(u"RhyDetails").alsText();
    } catch (const DatenFehler&) {
        return;
    }
    if (const auto regel = MonatsRegelDekodieren(details))
        FUZZ_PRUEFEN(MonatsRegelKodieren(*regel) == details, "a monthly rule is written otherwise");

    if (rhythmus == RhythmusWoechentlich)
        mitDetails(satz, WochentageKodieren(WochentageDekodieren(details)), jetzt, faellig,
                   "weekly");

    const std::vector<Jahrestag> tage = JahrestageDekodieren(details);
    bool zweiStellen = true;
    for (const Jahrestag& t : tage)
        zweiStellen = zweiStellen && t.tag >= 0 && t.tag <= 99 && t.monat >= 0 && t.monat <= 99;
    if (!zweiStellen)
        return;
    const QString neu = JahrestageKodieren(tage);
    FUZZ_PRUEFEN(JahrestageDekodieren(neu) == tage, "yearly entries read back otherwise");
    // The test reads the whole entries only; an incomplete one at the end is
    // ignored by both.
    if (rhythmus == RhythmusJaehrlich)
        mitDetails(satz, neu, jetzt, faellig, "yearly");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    QDateTime jetzt(QDate(2024, 2, 29), QTime(8, 0));
    SpeicherSatz satz;
    for (QByteArrayView zeile : zeilen(daten, groesse)) {
        if (zeile.isEmpty())
            continue;
        if (zeile[0] == '@') {
            const QString text = QString::fromLatin1(zeile.sliced(1));
            QDateTime moment = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            if (!moment.isValid())
                moment = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
            if (!moment.isValid())
                return 0;
            jetzt = moment;
            continue;
        }
        const qsizetype gleich = zeile.indexOf('=');
        if (gleich <= 0)
            return 0;
        const std::optional<Wert> wert = wertLesen(zeile.sliced(gleich + 1));
        if (!wert)
            return 0;
        satz.werte[QString::fromLatin1(zeile.first(gleich))] = *wert;
    }

    const std::optional<bool> faellig = faelligOderFehler(satz, jetzt);
    FUZZ_PRUEFEN(faelligOderFehler(satz, jetzt) == faellig, "a second call answers otherwise");
    if (!faellig)
        return 0;
    const int16_t rhythmus = satz.Feld(u"Rhythmus").alsInt16();
    if (rhythmus >= RhythmusPermanent && rhythmus <= RhythmusJaehrlich)
        zurueckGeschrieben(satz, jetzt, *faellig);
    dekodierer(satz, jetzt, *faellig, rhythmus);
    return 0;
}
