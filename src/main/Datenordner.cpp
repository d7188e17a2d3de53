#include "Datenordner.h"

#include <QStandardPaths>

namespace pinwick {

QString SpezialOrdner(int ordnerNummer) {
    if (ordnerNummer != 5)
        return QString();
    QString ordner = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    while (ordner.size() > 1 &&
           (ordner.endsWith(QLatin1Char('/')) || ordner.endsWith(QLatin1Char('\\'))))
        ordner.chop(1);
    return ordner;
}

QString EigenerDatenOrdner() {
    QString ordner = SpezialOrdner(5);
    if (!ordner.endsWith(QLatin1Char('/')))
        ordner += QLatin1Char('/');
    return ordner + QStringLiteral("Pinwick 3/");
}

QString EigeneDatenbankDatei() {
    return EigenerDatenOrdner() + QStringLiteral("pw.kav");
}

} // namespace pinwick
