#include "Version.h"
#include "Sprachwahl.h"

#include "Hilfen.h"

#include <QLocale>

namespace pinwick {

QString VersionsText(int16_t programmVersion, int16_t sprache) {
    // Digits stay plain; only the decimal separator is the system's (QLocale()
    // is the system's locale unless the program chose another). A comma
    // becomes a point again, so the usual separators all read the same.
    QString zahl = QString::number(programmVersion / 100.0, 'f', 2);
    zahl.replace(QLatin1Char('.'), QLocale().decimalPoint());
    KommaZuPunkt(zahl);
    return (sprache == SpracheEnglisch ? QStringLiteral("Build ") : QStringLiteral("Version ")) + zahl;
}

} // namespace pinwick
