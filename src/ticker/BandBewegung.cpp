#include "BandBewegung.h"

#include <algorithm>

namespace pinwick {

BandBewegung::Art BandBewegung::Zustand() const {
    if (angehalten_ || (weniger_ && !trotzdem_))
        return Art::Seitenweise;
    if (zeiger_ || fokus_)
        return Art::Stehend;
    return Art::Laufend;
}

bool BandBewegung::BlaettertSelbst() const {
    return Zustand() == Art::Seitenweise && !angehalten_ && !zeiger_ && !fokus_;
}

std::vector<BandSeite> SeitenBilden(const std::vector<int>& breiten, int trennBreite,
                                    int bandBreite) {
    std::vector<BandSeite> seiten;
    size_t i = 0;
    while (i < breiten.size()) {
        BandSeite seite;
        seite.erster = i;
        qint64 belegt = breiten[i];
        seite.anzahl = 1;
        if (belegt > bandBreite) {
            // Wider than the band: alone, and cut.
            seite.abgeschnitten = true;
            seiten.push_back(seite);
            ++i;
            continue;
        }
        ++i;
        while (i < breiten.size() && belegt + trennBreite + breiten[i] <= bandBreite) {
            belegt += trennBreite + breiten[i];
            ++seite.anzahl;
            ++i;
        }
        seiten.push_back(seite);
    }
    return seiten;
}

qint64 SeitenDauerMs(qsizetype zeichen) {
    // About fifteen characters a second, with two seconds to find the start.
    const qint64 lesen = 2000 + qint64(std::max<qsizetype>(zeichen, 0)) * 1000 / 15;
    return std::clamp(lesen, KuerzesteSeitenDauerMs, LaengsteSeitenDauerMs);
}

QString SeitenMarke(size_t seite, size_t seiten) {
    if (seiten < 2)
        return {};
    return QStringLiteral("%1/%2").arg(seite + 1).arg(seiten);
}

} // namespace pinwick
