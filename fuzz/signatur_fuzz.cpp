// The readers of a release's signature and sums (SignaturLesen,
// SchluesselLesen, SummenLesen), on any bytes.
//
// What must hold besides ending without a crash: whatever is taken is
// complete (hashes of 32 bytes, names without a folder part), and reads back
// the same when written out again in its own format; a refusal says why; and
// no input checks out as a signature of itself under a key from itself.

#include "FuzzEingabe.h"
#include "Signatur.h"

#include <QStringList>

using namespace pinwick;

namespace {

QByteArray Bytes(const uint8_t* daten, size_t laenge) {
    return QByteArray(reinterpret_cast<const char*>(daten), static_cast<qsizetype>(laenge));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    const QByteArray text(reinterpret_cast<const char*>(daten), static_cast<qsizetype>(groesse));

    QString grund;
    if (const auto summen = SummenLesen(text, &grund)) {
        QByteArray wieder;
        for (auto it = summen->cbegin(); it != summen->cend(); ++it) {
            FUZZ_PRUEFEN(it.value().size() == 32, "a hash of %d bytes", int(it.value().size()));
            FUZZ_PRUEFEN(!it.key().isEmpty() && !it.key().contains(u'/') &&
                             !it.key().contains(u'\\') && !it.key().contains(u'\n'),
                         "a name with a folder part or a line break");
            wieder += it.value().toHex() + "  " + it.key().toUtf8() + '\n';
        }
        const auto zweite = SummenLesen(wieder);
        FUZZ_PRUEFEN(zweite && *zweite == *summen, "sums written out read back otherwise");
    } else {
        FUZZ_PRUEFEN(!grund.isEmpty(), "sums refused without a reason");
    }

    grund.clear();
    if (const auto sig = SignaturLesen(text, &grund)) {
        FUZZ_PRUEFEN(!sig->kommentar.contains('\n'), "a trusted comment over two lines");
        const QByteArray wieder =
            "untrusted comment: x\n" +
            ((sig->vorgehasht ? QByteArray("ED") : QByteArray("Ed")) +
             Bytes(sig->nummer.data(), 8) + Bytes(sig->signatur.data(), 64))
                .toBase64() +
            "\ntrusted comment: " + sig->kommentar + '\n' +
            Bytes(sig->globaleSignatur.data(), 64).toBase64() + '\n';
        const auto zweite = SignaturLesen(wieder);
        FUZZ_PRUEFEN(zweite && zweite->vorgehasht == sig->vorgehasht &&
                         zweite->nummer == sig->nummer && zweite->signatur == sig->signatur &&
                         zweite->kommentar == sig->kommentar &&
                         zweite->globaleSignatur == sig->globaleSignatur,
                     "a signature written out reads back otherwise");
    } else {
        FUZZ_PRUEFEN(!grund.isEmpty(), "a signature refused without a reason");
    }

    grund.clear();
    if (const auto schluessel = SchluesselLesen(text, &grund)) {
        const QByteArray zeile =
            ("Ed" + Bytes(schluessel->nummer.data(), 8) + Bytes(schluessel->schluessel.data(), 32))
                .toBase64();
        const auto zweiter = SchluesselLesen(zeile);
        FUZZ_PRUEFEN(zweiter && zweiter->nummer == schluessel->nummer &&
                         zweiter->schluessel == schluessel->schluessel,
                     "a key written out reads back otherwise");
    } else {
        FUZZ_PRUEFEN(!grund.isEmpty(), "a key refused without a reason");
    }

    FUZZ_PRUEFEN(!SignaturPruefen(text, text, text).isEmpty(), "an input signs itself");
    return 0;
}
