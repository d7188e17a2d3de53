#pragma once
// A note's schedule as a person states it outside the editor: on the command
// line of pinwick-notes, in a CSV line, or read off a calendar event.
//
// Every such note is stored through the editor's own save checks
// (NotizPruefen): the choices become the values the editor's boxes would
// hold for them, so a row written from a script is the row the editor
// writes for the same choices.

#include "NotizRegeln.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>
#include <vector>

namespace pinwick {

// Bad input: a day 45, a weekday "xyz", a time 25:00, a text too long. The
// message names the value and is meant for the person who typed it.
class EingabeFehler : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Longest note text taken from outside: what a line of the ticker can
// sensibly carry, and far more than any announcement needs.
inline constexpr int NotizHoechstLaenge = 32767;

struct Zeitplanwahl {
    int16_t rhythmus = RhythmusPermanent;
    // The daily time window in minutes after midnight (0 to 1439); neither
    // given: the whole day. Only one of them given means from or till
    // midnight, as the editor's questions offer.
    std::optional<int> von, bis;
    // First day (weekly, monthly, yearly); invalid: today.
    QDate start;
    // Weekly.
    Wochentage tage{};
    int wochen = 0; // 0: no end
    // Monthly: a day of the month (digits as given) or the position (1 to 4,
    // 5 last) of a weekday (0 Monday ... 6 Sunday).
    bool amWochentag = false;
    QString monatsTag;
    int position = 1;
    int wochentag = 0;
    // Yearly: one to four days.
    std::vector<Jahrestag> jahrestage;
    // Monthly, yearly: days of advance notice.
    int vorher = 0;

    bool operator==(const Zeitplanwahl&) const = default;
};

// ---- the words of the command line and the CSV columns -----------------------

// "mon,fri": the three-letter English names, any case; also full names.
Wochentage WochentageLesen(const QString& text);
QString WochentageText(const Wochentage& tage);
// "15", "last-fri", "2nd-mon" (1st to 4th).
void MonatsTagLesen(const QString& text, Zeitplanwahl& wahl);
QString MonatsTagText(const Zeitplanwahl& wahl);
// "24.12,31.12": one to four days, each a day that month has (29.02 too).
// With ueberMonatsende also a day past the month's end that the editor
// stores and the ticker rolls over (30.02, 31.06; see JahrestagFaelltImJahr):
// what an export of such a note holds.
std::vector<Jahrestag> JahrestageLesen(const QString& text, bool ueberMonatsende = false);
// The day a yearly entry falls on in the year jahr, rolled over as the
// ticker rolls it: a day past the month's end runs on into the next month,
// so 30.02 is 2 March in a common year and 1 March in a leap year, 31.06 is
// 1 July. Invalid for a month outside 1 to 12.
QDate JahresZiel(const Jahrestag& t, int jahr);
// Whether the entry falls on a day of its own year in every year: a day 1
// to 99 (what the editor's box holds) that does not run on past 31
// December. An entry 45.12 would, and the ticker, which only ever looks
// for an entry in the current year, never shows it.
bool JahrestagFaelltImJahr(const Jahrestag& t);
QString JahrestageText(const std::vector<Jahrestag>& tage);
// "HH:MM", or a bare hour "8", as minutes after midnight; refuses 25:00 and
// 12:60.
int UhrzeitLesen(const QString& text);
QString UhrzeitAusgabe(std::optional<int> minuten); // "08:05"; none: empty
// "2026-12-24" or "24.12.2026".
QDate DatumLesen(const QString& text);
QString DatumAusgabe(const QDate& datum); // "2026-12-24"
// A whole number from 0 to 32767 (weeks, advance days).
int ZahlLesen(const QString& text, const char* was);
// "permanent", "daily", "weekly", "monthly", "yearly".
int16_t RhythmusLesen(const QString& text);
QString RhythmusText(int16_t rhythmus);

// ---- to and from the stored note ------------------------------------------------

// The values the editor's boxes would hold for these choices and this text
// (line breaks made blanks). Throws EingabeFehler for choices no box holds:
// a control character or an overlong text, choices of another rhythm, a
// time outside the day, a day 45, a month day 0, 31.04.
NotizWerte WerteAusWahl(const QString& text, const Zeitplanwahl& wahl, const QDate& heute);

// The note as the editor's save would write it for these choices and this
// text. Throws EingabeFehler when the editor would refuse it, or when the
// choices hold a value the editor's boxes would let through but that can
// never fall due (a month day 45, a month day 0, a yearly day 45.12).
Notiz NotizAusWahl(const QString& text, const Zeitplanwahl& wahl, const QDate& heute);

// The choices a stored note stands for. Throws EingabeFehler for a row
// outside the encoding (an unknown rhythm, a monthly text of neither form).
Zeitplanwahl WahlAusNotiz(const Notiz& n);

// "weekly on Mon, Fri, 08:00-12:00, from 2026-12-09, for 4 weeks".
QString ZeitplanInWorten(const Notiz& n);

// Line breaks in a text from outside become blanks, as when pasting into the
// editor: a note is one line.
QString EineZeile(const QString& text);

} // namespace pinwick
