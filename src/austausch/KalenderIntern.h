#pragma once
// What writing and reading a calendar share: the refusal of a value, the
// text of a libical string, the owner of a component, and the ticker's own
// idea of the days a rule hits.

#include "Zeitplanwahl.h"

#include <QDate>
#include <QString>
#include <libical/ical.h>
#include <memory>

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

// Whether the rule of the choices hits day d, the way the ticker judges it
// (advance days aside).
bool trifft(const Zeitplanwahl& w, const QDate& d);

} // namespace pinwick::kalender
