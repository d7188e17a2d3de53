#pragma once
// Random schedule choices a person could make, for the tests that compare
// two ways of storing or showing the same note.

#include "Zeitplanwahl.h"

#include <QDate>
#include <random>

namespace pinwick::test {

inline Zeitplanwahl ZufallsWahl(std::mt19937& z) {
    const auto zahl = [&](int von, int bis) {
        return std::uniform_int_distribution<int>(von, bis)(z);
    };
    Zeitplanwahl w;
    w.rhythmus = int16_t(zahl(0, 4));
    if (w.rhythmus == RhythmusPermanent)
        return w;
    switch (zahl(0, 3)) {
    case 1: {
        const int von = zahl(0, 1438);
        w.von = von;
        w.bis = zahl(von + 1, 1439);
        break;
    }
    case 2: // from alone: till midnight
        w.von = zahl(0, 1438);
        break;
    case 3: // to alone: from midnight
        w.bis = zahl(1, 1439);
        break;
    default:
        break;
    }
    if (w.rhythmus == RhythmusTaeglich)
        return w;
    if (zahl(0, 1))
        w.start = QDate(2026, 1, 1).addDays(zahl(0, 3 * 365));
    switch (w.rhythmus) {
    case RhythmusWoechentlich:
        while (std::find(w.tage.begin(), w.tage.end(), true) == w.tage.end())
            for (bool& tag : w.tage)
                tag = zahl(0, 2) == 0;
        w.wochen = zahl(0, 3) == 0 ? 0 : zahl(1, 30);
        break;
    case RhythmusMonatlich:
        if (zahl(0, 1)) {
            const int tag = zahl(1, 31);
            w.monatsTag =
                tag < 10 && zahl(0, 3) == 0 ? QStringLiteral("0%1").arg(tag) : QString::number(tag);
        } else {
            w.amWochentag = true;
            w.position = zahl(1, 5);
            w.wochentag = zahl(0, 6);
        }
        w.vorher = zahl(0, 2) == 0 ? zahl(1, 20) : 0;
        break;
    case RhythmusJaehrlich:
        for (int i = zahl(1, 4); i > 0; --i) {
            const int monat = zahl(1, 12);
            const int tage = monat == 2 ? 29 : QDate(2001, monat, 1).daysInMonth();
            w.jahrestage.push_back({int16_t(zahl(1, tage)), int16_t(monat)});
        }
        w.vorher = zahl(0, 2) == 0 ? zahl(1, 40) : 0;
        break;
    default:
        break;
    }
    return w;
}

} // namespace pinwick::test
