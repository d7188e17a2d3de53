// The readers of what the update server sends: the version file of the
// daily check (ServerVersionLesen) and the installer's file list
// (ListeLesen), on any bytes.
//
// What must hold besides ending without a crash: a version file whose first
// line is a plain number in the 16-bit range gives that number; a list that
// is taken holds only names the program folder may hold, never two names for
// one file, never more than allowed, and reads back the same when written
// out again one name per line.

#include "FuzzEingabe.h"
#include "Installation.h"
#include "UpdatePruefung.h"

#include <QSet>

using namespace pinwick;
using namespace pinwick::fuzz;
using namespace pinwick::pwi;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    const QByteArray inhalt(reinterpret_cast<const char*>(daten), static_cast<qsizetype>(groesse));

    const int16_t version = ServerVersionLesen(inhalt);
    QByteArray ziffern = inhalt.indexOf('\n') < 0 ? inhalt : inhalt.left(inhalt.indexOf('\n'));
    if (ziffern.endsWith('\r'))
        ziffern.chop(1);
    bool nurZiffern = !ziffern.isEmpty() && ziffern.size() <= 5;
    for (char c : ziffern)
        nurZiffern = nurZiffern && c >= '0' && c <= '9';
    if (nurZiffern && ziffern.toInt() <= 32767)
        FUZZ_PRUEFEN(version == ziffern.toInt(), "version line \"%s\" read as %d",
                     ziffern.constData(), version);

    QString grund;
    const std::optional<QStringList> liste = ListeLesen(inhalt, &grund);
    if (!liste) {
        FUZZ_PRUEFEN(!grund.isEmpty(), "a list refused without a reason");
        return 0;
    }
    FUZZ_PRUEFEN(!liste->isEmpty() && liste->size() <= NamenHoechstens, "%d names",
                 int(liste->size()));
    QSet<QString> ziele;
    for (const QString& name : *liste) {
        FUZZ_PRUEFEN(NameZulaessig(name), "a name that is no file name was taken");
        FUZZ_PRUEFEN(!ZielName(name).isEmpty() && !ZielName(name).contains(u'/'),
                     "a name without a target");
        const QString ziel = ZielName(name).toLower();
        FUZZ_PRUEFEN(!ziele.contains(ziel), "two names for one file");
        ziele.insert(ziel);
    }
    const QByteArray wieder = liste->join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
    const std::optional<QStringList> zweite = ListeLesen(wieder);
    FUZZ_PRUEFEN(zweite && *zweite == *liste, "a list written out reads back otherwise");
    return 0;
}
