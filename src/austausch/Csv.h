#pragma once
// Notes as CSV (RFC 4180): a header row, then one note a line.
//
//   text,rhythm,from,to,start,weeks,days,advance
//
// rhythm is permanent, daily, weekly, monthly or yearly; from and to are
// HH:MM; start is YYYY-MM-DD; weeks and advance are whole numbers; days
// holds what the rhythm needs, in the words of pinwick-notes's options:
// "mon,fri", "15" or "last-fri", "24.12,31.12". Columns a rhythm does not
// use stay empty.

#include "Zeitplanwahl.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace pinwick {

// What a file to import may hold: records (lines, blank ones too), fields
// in a record, and bytes in one field (a note holds at most
// NotizHoechstLaenge characters of up to three bytes each). Beyond any of
// them the whole file is refused, with a message naming the limit.
inline constexpr qint64 CsvHoechstSaetze = 100000;
// Fields in one record: the header's eight, and room for a wrong file to
// be told apart from a long one.
inline constexpr qsizetype CsvHoechstFelder = 64;
inline constexpr qsizetype CsvHoechstFeld = 131072;

// Splits CSV text into records of fields. Fields are separated by commas,
// records by CR LF (a bare LF or CR is taken too); a field in double quotes
// may hold commas, line breaks and doubled quotes. A UTF-8 byte order mark
// at the start is skipped; a line break at the very end ends the last record
// and makes no empty one. Throws EingabeFehler naming the line for a quote
// inside an unquoted field, text after a closing quote, an unclosed quote,
// bytes that are not UTF-8, or a limit above passed.
std::vector<QStringList> CsvLesen(const QByteArray& daten);
// One record: fields holding a comma, a quote, a line break or blanks at
// either end are quoted; the line ends in CR LF.
QByteArray CsvZeile(const QStringList& felder);

// One note read from a CSV record: its line and either the note or why not.
struct CsvNotiz {
    int zeile = 0;
    QString text;
    Zeitplanwahl wahl;
    QString fehler; // empty when the record is a note
};

inline const QStringList CsvKopf = {QStringLiteral("text"),  QStringLiteral("rhythm"),
                                    QStringLiteral("from"),  QStringLiteral("to"),
                                    QStringLiteral("start"), QStringLiteral("weeks"),
                                    QStringLiteral("days"),  QStringLiteral("advance")};

// The notes in the order of the file. Throws EingabeFehler when the text is
// not CSV or its first record is not the header above (columns may come in
// any order; unknown columns are refused, so a misspelt one is not lost).
// The header is checked before the rest is read; a record keeps no more
// fields than the header has, the others only count.
std::vector<CsvNotiz> CsvNotizenLesen(const QByteArray& daten);
// The header and one line per note. Throws EingabeFehler for a row outside
// the encoding.
QByteArray CsvNotizZeile(const Notiz& n);

} // namespace pinwick
