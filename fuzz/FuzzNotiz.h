#pragma once
// Comparing notes the way the editor and the ticker see them.

#include "Notiz.h"

#include <cmath>

namespace pinwick::fuzz {

inline bool gleicheZahl(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

// Equal as the editor and the ticker see a note: only the columns its
// rhythm uses count, and a whole-day window is written as 0 and 0, whatever
// pair of values summed to 0.
inline bool gleicheNotiz(const Notiz& a, const Notiz& b) {
    if (a.ID != b.ID || a.inhalt != b.inhalt || a.Rhythmus != b.Rhythmus)
        return false;
    if (a.Rhythmus < RhythmusTaeglich || a.Rhythmus > RhythmusJaehrlich)
        return true;
    const bool ganzA = a.Ganztags(), ganzB = b.Ganztags();
    if (ganzA != ganzB ||
        (!ganzA && !(gleicheZahl(a.UhrVon, b.UhrVon) && gleicheZahl(a.UhrBis, b.UhrBis))))
        return false;
    if (a.Rhythmus == RhythmusTaeglich)
        return true;
    if (a.StartDatum != b.StartDatum || a.RhyDetails != b.RhyDetails)
        return false;
    return a.Rhythmus == RhythmusWoechentlich ? a.Dauer == b.Dauer : a.Vorher == b.Vorher;
}

} // namespace pinwick::fuzz
