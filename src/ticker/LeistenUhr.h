#pragma once
// What the bar's date and clock panels show, and when that changes. The
// captions change once a second. Reading the wall clock is cheap; the local
// time, the system's date format and the texts are not, so they are made
// only when the second or the language has changed, and the system's date
// separator is looked up once a minute, not with every caption: a change of
// the regional settings shows within a minute.

#include "Leistenlayout.h"
#include "Uhr.h"

#include <QChar>
#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <limits>

namespace pinwick {

// The wall-clock second a time in milliseconds lies in.
qint64 SekundeVon(qint64 ms);
// Milliseconds from the wall-clock time `ms` to the next multiple of `teil`.
// Time zones are whole minutes off UTC, so that seconds and minutes begin at
// the same moments in UTC and in local time.
qint64 MsBisZumNaechsten(qint64 ms, qint64 teil);

class LeistenUhr {
public:
    // Reads the time from `uhr`; `trenner` gives the system's date separator
    // (DatumTrenner when empty).
    explicit LeistenUhr(const Uhr& uhr, std::function<QChar()> trenner = {});

    // Makes the captions for now in `sprache` when they show another second
    // or language; true when they were made anew.
    bool Stellen(int16_t sprache);
    const UhrAnzeige& Anzeige() const { return anzeige_; }

    // Milliseconds from now until the captions are due: at the next second,
    // or at once when they show another second or language than now (the
    // bar's timer stood still).
    qint64 MsBisFaellig(int16_t sprache) const;

private:
    const Uhr& uhr_;
    std::function<QChar()> trennerQuelle_;
    UhrAnzeige anzeige_;
    // The second and the language the captions were made for.
    qint64 sekunde_ = std::numeric_limits<qint64>::min();
    int16_t sprache_ = 0;
    // The date separator and the minute it was looked up in.
    QChar trenner_;
    qint64 trennerMinute_ = std::numeric_limits<qint64>::min();
};

} // namespace pinwick
