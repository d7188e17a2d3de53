// The imports of pinwick-notes: a CSV file or an iCalendar file of notes.
//
// Input: the first byte picks the reader (even: CSV, odd: iCalendar), the
// rest is the file.
//
// What must hold besides ending without a crash:
// - every note an import takes is one the editor's encoder made: its
//   schedule reads back as choices (WahlAusNotiz) and encodes again to the
//   same note;
// - written out again, as CSV or as a calendar, the notes read back as the
//   same notes, and the calendar written from those is the same calendar
//   (apart from DTSTAMP): a round trip changes nothing;
// - every refused CSV record or calendar event says why.

#include "Csv.h"
#include "FuzzEingabe.h"
#include "Kalender.h"
#include "Zeitplanwahl.h"

#include <QRegularExpression>
#include <QTimeZone>

using namespace pinwick;

namespace {

const QDate heute(2024, 2, 29);
const QDateTime stempel(QDate(2024, 2, 29), QTime(12, 0), QTimeZone::utc());

QByteArray ohneStempel(QByteArray kalender) {
    static const QRegularExpression stamp(QStringLiteral("DTSTAMP:[^\r\n]*\r?\n"));
    return QString::fromUtf8(kalender).remove(stamp).toUtf8();
}

void pruefen(const std::vector<Notiz>& notizen) {
    for (const Notiz& n : notizen) {
        const Zeitplanwahl w = WahlAusNotiz(n);
        const Notiz wieder = NotizAusWahl(n.inhalt, w, heute);
        FUZZ_PRUEFEN(wieder == n, "note \"%s\" (%s) encodes again as \"%s\"", qPrintable(n.inhalt),
                     qPrintable(n.RhyDetails), qPrintable(wieder.RhyDetails));
    }
    // CSV round trip.
    QByteArray csv = CsvZeile(CsvKopf);
    for (const Notiz& n : notizen)
        csv += CsvNotizZeile(n);
    const std::vector<CsvNotiz> gelesen = CsvNotizenLesen(csv);
    FUZZ_PRUEFEN(gelesen.size() == notizen.size(), "%zu notes, %zu read back", notizen.size(),
                 gelesen.size());
    for (size_t i = 0; i < gelesen.size(); ++i) {
        FUZZ_PRUEFEN(gelesen[i].fehler.isEmpty(), "CSV line refused: %s",
                     qPrintable(gelesen[i].fehler));
        FUZZ_PRUEFEN(NotizAusWahl(gelesen[i].text, gelesen[i].wahl, heute) == notizen[i],
                     "CSV round trip of \"%s\"", qPrintable(notizen[i].inhalt));
    }
    // Calendar round trip: the second calendar is the first.
    QStringList aus1, aus2;
    const QByteArray k1 = KalenderSchreiben(notizen, stempel, aus1);
    const KalenderInhalt wieder = KalenderLesen(k1, heute);
    FUZZ_PRUEFEN(wieder.abgelehnt.isEmpty(), "own calendar refused: %s",
                 qPrintable(wieder.abgelehnt.join(QStringLiteral("; "))));
    FUZZ_PRUEFEN(wieder.notizen.size() + size_t(aus1.size()) == notizen.size(),
                 "calendar lost notes");
    const QByteArray k2 = KalenderSchreiben(wieder.notizen, stempel, aus2);
    FUZZ_PRUEFEN(aus2.isEmpty() && ohneStempel(k1) == ohneStempel(k2),
                 "calendar round trip:\n%s\n%s", k1.constData(), k2.constData());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    if (groesse == 0)
        return 0;
    const QByteArray datei(reinterpret_cast<const char*>(daten) + 1, qsizetype(groesse - 1));
    std::vector<Notiz> notizen;
    try {
        if (daten[0] % 2 == 0) {
            for (const CsvNotiz& c : CsvNotizenLesen(datei)) {
                if (!c.fehler.isEmpty())
                    continue;
                try {
                    notizen.push_back(NotizAusWahl(c.text, c.wahl, heute));
                } catch (const EingabeFehler& f) {
                    FUZZ_PRUEFEN(*f.what(), "a refusal without a reason");
                }
            }
        } else {
            KalenderInhalt k = KalenderLesen(datei, heute);
            for (const QString& zeile : k.abgelehnt)
                FUZZ_PRUEFEN(zeile.contains(QStringLiteral(": ")), "refusal %s", qPrintable(zeile));
            notizen = std::move(k.notizen);
        }
    } catch (const EingabeFehler& f) {
        FUZZ_PRUEFEN(*f.what(), "a refusal without a reason");
        return 0;
    }
    pruefen(notizen);
    return 0;
}
