#include "BandKlick.h"

#include <algorithm>

namespace pinwick {

void BandKlick::Druck(qint64 ms, const QString& link) {
    if (!wartend_.isEmpty() && ms - seit_ < intervallMs_) {
        // The second press of a double-click.
        wartend_.clear();
        return;
    }
    wartend_ = link;
    seit_ = ms;
}

void BandKlick::Doppelklick() {
    wartend_.clear();
}

qint64 BandKlick::MsBis(qint64 ms) const {
    if (wartend_.isEmpty())
        return -1;
    return std::max<qint64>(0, seit_ + intervallMs_ - ms);
}

QString BandKlick::Faellig(qint64 ms) {
    if (wartend_.isEmpty() || ms - seit_ < intervallMs_)
        return {};
    QString link;
    link.swap(wartend_);
    return link;
}

} // namespace pinwick
