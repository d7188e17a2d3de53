#include "QtTexte.h"
#include "Sprachwahl.h"

#include <QLibraryInfo>

namespace pinwick {

QtTexte::QtTexte(std::function<int16_t()> sprache, QObject* eltern)
    : QTranslator(eltern), sprache_(std::move(sprache)) {}

bool QtTexte::Laden(const QString& ordner) {
    const QString wo = ordner.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath)
                                        : ordner;
    return deutsch_.load(QStringLiteral("qtbase_de"), wo);
}

QString QtTexte::translate(const char* kontext, const char* quelle, const char* unterscheidung,
                           int n) const {
    if (!sprache_ || sprache_() != 2)
        return QString();
    return deutsch_.translate(kontext, quelle, unterscheidung, n);
}

bool QtTexte::isEmpty() const {
    return deutsch_.isEmpty();
}

int16_t SpracheAusGebietsschema(const QLocale& gebietsschema) {
    return gebietsschema.language() == QLocale::German ? SpracheDeutsch : SpracheEnglisch;
}

} // namespace pinwick
