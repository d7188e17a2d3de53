#pragma once
// What writing and reading a calendar share: the refusal of a value, the
// text of a libical string, the owner of a component, and the ticker's own
// idea of the days a rule hits.

#include "Zeitplanwahl.h"

#include <QDate>
#include <QString>
#include <libical/ical.h>
#include <memory>
#include <optional>

namespace pinwick::kalender {

[[noreturn]] inline void fehler(const QString& text) {
    throw EingabeFehler(text.toStdString());
}

inline QString text(const char* roh) {
    return roh ? QString::fromUtf8(roh) : QString();
}

struct KomponenteFrei {
    void operator()(icalcomponent* k) const { icalcomponent_free(k); }
};
using Komponente = std::unique_ptr<icalcomponent, KomponenteFrei>;

// A yearly entry as a calendar rule. An entry whose day moves with leap
// years (29.02, 30.02, 31.01 + 30 = 61.01, ...) is a day of the year
// (jahresTag, BYYEARDAY), which calendars and the ticker count alike; any
// other is the month and day it falls on (BYMONTH, BYMONTHDAY), 31.06 as
// 1 July.
struct JahresRegel {
    int jahresTag = 0; // 0: by month and day
    int monat = 0;
    int tag = 0;
    bool operator==(const JahresRegel&) const = default;
};
// None for an entry that never shows (JahrestagFaelltImJahr).
std::optional<JahresRegel> JahresRegelAus(const Jahrestag& t);
// The entry a rule stands for when nothing else is known: the day itself,
// and a day of the year from 60 on as a day of February (61 is 30.02).
// None for a day of the year no entry rolls over to in every year alike.
std::optional<Jahrestag> JahrestagAus(const JahresRegel& r);

// The name of the property that keeps the stored entry of a rule that does
// not read back as it (31.06 written as BYMONTH=7;BYMONTHDAY=1), e.g.
// "X-PINWICK-TAG:31.06". Calendar programs keep such properties and ignore
// them.
inline constexpr const char* TagEigenschaft = "X-PINWICK-TAG";

// Whether the rule of the choices hits day d, the way the ticker judges it
// (advance days aside).
bool trifft(const Zeitplanwahl& w, const QDate& d);

} // namespace pinwick::kalender
