#pragma once
// The schedule test: is this note due at this moment?
//
// The ticker asks it about every scheduled note at every rebuild of its text,
// for its own notes and for the broadcaster's alike; the record to test and
// the moment are parameters, so one function serves both and tests can set
// any moment they like.

#include "Datenbank.h"

#include <QDateTime>

namespace pinwick {

// True when the note in satz is due at the moment jetzt (local date and time).
//
// The columns are read through satz.Feld one at a time, only when a step
// needs them, in this order: Rhythmus; StartDatum (weekly, monthly, yearly);
// UhrVon, UhrBis; then Dauer, RhyDetails (weekly), RhyDetails, Vorher
// (monthly) or Vorher, RhyDetails (yearly). A step that settles the answer
// stops the reading, so a Null in a column that is never reached does no harm;
// a Null in a column that is reached throws DatenFehler out of the test.
//
// The rules:
// - Rhythmus 0: due, nothing else is read.
// - The time window: the time of day to the whole second, as a single
//   precision fraction of a day, against the stored double values. Both ends
//   are inclusive as far as that rounding lets them be: 08:00:00 is a hair
//   later than a stored 08:00 (a window from 08:00 admits it, one ending at
//   08:00 does not), 12:00:00 is exact. UhrVon + UhrBis = 0 is "whole day".
//   A window ending before it starts admits nothing.
// - Daily (1): the window alone.
// - Weekly (2): from StartDatum for Dauer weeks (Dauer 0 or less: no end), on
//   the weekdays whose 2-character group in RhyDetails, Monday first, has a
//   leading number other than 0.
// - Monthly (3), from StartDatum on, with Vorher = V days of advance notice:
//   "1" + N: due on the days N-V to N of the current month (never reaching
//   into the previous month; a day N the month lacks is never due itself);
//   another first character + k + w: the k-th (1 to 4) or last (5 or more)
//   weekday w (0 Monday ... 6 Sunday) of the current month, due on it and the
//   V days before it within the month. February is taken as 29 days in every
//   year divisible by 4, 2100 included.
// - Yearly (4), from StartDatum on: DDMM groups; each is made a date of the
//   current year with rollover (29 February of a common year is 1 March),
//   due on it and the V days before it.
// - Any other Rhythmus: the window alone.
//
// Text outside the editor's encoding always gives an answer, never a loop:
// - Weekly RhyDetails shorter than 14 characters: the missing groups are
//   inactive days; characters after the 14th are ignored.
// - Monthly: anything but "1" as first character is read as the weekday form,
//   even if it is not "2". A position that is not a digit from 1 to 9 (a blank,
//   a letter, "0", or no character at all) means no target: not due. A weekday
//   number that is not a whole number from 0 to 6 matches no day: not due; a
//   weekday text without a leading number reads as 0, Monday. A fixed day
//   without a leading number reads as 0 and is never due.
// - Monthly weekday form in February of a century year that is not a leap
//   year (2100): the month is walked to its 29th day as counted from the 1st,
//   which is 1 March; so 1 March can be that February's last weekday of its
//   kind. Counting on day numbers keeps this well defined where a calendar
//   date "29 February 2100" does not exist.
// - Yearly: a day or month group is read by its leading number (blank-led
//   " 5" is 5, letters are 0) and rounded to a whole number, halves to even.
//   Month 0 is December of the previous year, 13 January of the next, and
//   so on; day 0 is the last day of the month before, day 31 of a 30-day
//   month the 1st of the next. An incomplete group at the end (a length that
//   is not a multiple of 4) ends the scan with not due; the complete groups
//   before it still count. An empty text is not due.
// - Vorher below 0 makes a monthly or yearly note never due.
// - A date column is taken as its whole day (the time part cut off); a value
//   outside the years 100 to 9999 throws DatenFehler.
//
// Keeps no state; reads the record and the given moment only.
bool ZeitTestKern(const Satz& satz, const QDateTime& jetzt);

} // namespace pinwick
