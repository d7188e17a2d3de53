// Reading news feeds: any bytes, with or without a charset from the HTTP
// header.
//
// Input: the first byte picks the header's charset (0 none, 1 utf-8,
// 2 iso-8859-1, 3 utf-16, others none), the rest is the document.
//
// What must hold besides ending without a crash or a hang:
// - no more items than the cap, every text within its cap, every item with
//   a title, no control characters in what the band shows;
// - every link kept is an http(s) address that LinkSicher takes;
// - HTML reduced to text stays within its cap.

#include "FeedLesen.h"
#include "FuzzEingabe.h"

using namespace pinwick;

namespace {

bool OhneSteuerzeichen(const QString& t) {
    for (const QChar c : t)
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    if (groesse == 0)
        return 0;
    static const char* const zeichensaetze[] = {"", "utf-8", "iso-8859-1", "utf-16"};
    const QByteArray zeichensatz = daten[0] < 4 ? QByteArray(zeichensaetze[daten[0]]) : QByteArray();
    const QByteArray dokument(reinterpret_cast<const char*>(daten) + 1, qsizetype(groesse - 1));
    const FeedInhalt inhalt =
        FeedLesen(dokument, QUrl(QStringLiteral("https://feeds.example/dir/feed.xml")), zeichensatz);
    FUZZ_PRUEFEN(inhalt.eintraege.size() <= FeedHoechstEintraege, "%lld items",
                 static_cast<long long>(inhalt.eintraege.size()));
    FUZZ_PRUEFEN(inhalt.titel.size() <= FeedHoechstTitel, "feed title of %lld characters",
                 static_cast<long long>(inhalt.titel.size()));
    for (const FeedEintrag& e : inhalt.eintraege) {
        FUZZ_PRUEFEN(!e.titel.isEmpty(), "an item without a title");
        FUZZ_PRUEFEN(e.titel.size() <= FeedHoechstTitel && OhneSteuerzeichen(e.titel),
                     "title \"%s\"", qPrintable(e.titel));
        FUZZ_PRUEFEN(e.zusammenfassung.size() <= FeedHoechstZusammenfassung &&
                         OhneSteuerzeichen(e.zusammenfassung),
                     "summary of %lld characters", static_cast<long long>(e.zusammenfassung.size()));
        FUZZ_PRUEFEN(e.link.isEmpty() || LinkSicher(QUrl(e.link)), "link \"%s\"", qPrintable(e.link));
    }
    const QString text = HtmlZuText(QString::fromUtf8(dokument), 50);
    FUZZ_PRUEFEN(text.size() <= 50 && OhneSteuerzeichen(text), "text of %lld characters",
                 static_cast<long long>(text.size()));
    return 0;
}
