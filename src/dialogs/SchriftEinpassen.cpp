#include "SchriftEinpassen.h"

namespace pinwick {

QFont SchriftEinpassen(QFont schrift, qreal groesste, qreal kleinste, qreal schritt,
                       const std::function<bool(const QFontMetrics&)>& passt) {
    for (qreal groesse = groesste; groesse >= kleinste; groesse -= schritt) {
        schrift.setPointSizeF(groesse);
        if (passt(QFontMetrics(schrift)))
            return schrift;
        if (schritt <= 0)
            break;
    }
    schrift.setPointSizeF(kleinste);
    return schrift;
}

} // namespace pinwick
