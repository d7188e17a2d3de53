#pragma once
// Notes as iCalendar (RFC 5545), read and written by libical.
//
// Each note is one VEVENT; what the ticker makes of the row is what a
// calendar program makes of the event:
//
//   permanent   all-day, no end, RRULE:FREQ=DAILY from 2000-01-01
//   daily       RRULE:FREQ=DAILY from 2000-01-01
//   weekly      RRULE:FREQ=WEEKLY;BYDAY=MO,FR[;UNTIL=last day shown]
//   monthly     RRULE:FREQ=MONTHLY;BYMONTHDAY=15 or BYDAY=2MO / -1FR
//   yearly      one RRULE:FREQ=YEARLY;BYMONTH=12;BYMONTHDAY=24 per day;
//               a day past its month's end as the day the ticker rolls it
//               over to: 31.06 as BYMONTH=7;BYMONTHDAY=1, and a day that
//               moves with leap years as the day of the year (29.02 as
//               BYYEARDAY=60, 1 March in common years; 30.02 as 61). A day
//               that would not read back as stored (31.06) is named in an
//               X-PINWICK-TAG:31.06 beside the rules.
//
// A time window is DTSTART and DTEND on the first day; a note for the whole
// day is an all-day event. Days of advance notice are a VALARM with
// TRIGGER:-PnD. DTSTART is the first day the note shows (its first date
// moved on to the first day the rule hits), so calendar programs, which
// count DTSTART as an occurrence whether or not the rule hits it, show the
// same days as the ticker.

#include "Zeitplanwahl.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <vector>

namespace pinwick {

// The calendar for these notes. A note the calendar cannot carry (outside
// the encoding, or never shown at all) is left out, with a line in
// ausgelassen naming it. stempel is the DTSTAMP of every event.
QByteArray KalenderSchreiben(const std::vector<Notiz>& notizen, const QDateTime& stempel,
                             QStringList& ausgelassen);

struct KalenderInhalt {
    // The notes to store, in the order of the events, each made by the
    // editor's encoder.
    std::vector<Notiz> notizen;
    // One line for every event that was not taken, naming its UID, its
    // SUMMARY and why.
    QStringList abgelehnt;
};

// What a calendar to import may hold: lines (properties and the BEGIN and
// END of components; a folded line counts once) and bytes in one line as
// unfolded. A note's event takes a dozen lines, and its longest line, the
// SUMMARY, at most NotizHoechstLaenge characters of up to three bytes each
// plus escapes.
inline constexpr qint64 KalenderHoechstZeilen = 100000;
inline constexpr qsizetype KalenderHoechstZeile = 262144;
// Properties without a value ("X-A:"), which libical reads in a time that
// grows with the square of their number.
inline constexpr qint64 KalenderHoechstLeer = 1000;

// Reads every VEVENT; takes those that map onto a rhythm of the ticker and
// refuses the others (an hourly rule, COUNT, EXDATE, an interval, ...). A
// note with days of advance notice starts that many days before DTSTART (not
// past an earlier day its rule hits), as the event's alarm does.
// Throws EingabeFehler when the text is no iCalendar data at all, or when
// it passes a limit above (naming it).
KalenderInhalt KalenderLesen(const QByteArray& daten, const QDate& heute);

} // namespace pinwick
