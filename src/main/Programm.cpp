#include "Programm.h"
#include "Sprachwahl.h"

#include "Hilfen.h"

#include <QCoreApplication>

namespace pinwick {

Programm::Programm() : arbeitsOrdner(QDir::current()) {}

QString Programm::Text(const QString& englisch, const QString& deutsch) {
    sprachText[1] = englisch;
    sprachText[2] = deutsch;
    if (Sprache == SpracheEnglisch || Sprache == SpracheDeutsch)
        return sprachText[static_cast<size_t>(Sprache)];
    return QString();
}

void Programm::EreignisseZulassen() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void Programm::Piepen() {
    pinwick::Piepen(tonAn, systemTon);
}

} // namespace pinwick
