#pragma once
// What the note editor does with its entries, apart from the widgets: the
// time and date normalisers, the editor's boxes as one plain struct (the
// texts as they stand), how a stored note becomes those boxes, how the boxes
// become the values the save's checks work on (NotizRegeln) and back, and
// the writing of the row.
//
// The window (Notizen) reads its controls into a NotizFormular, hands it to
// the routines here and shows what comes back; tests drive the same routines
// directly with tables of cases.

#include "NotizRegeln.h"

#include <QDate>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace pinwick {

// How the editor was opened: for a new note (the bar's command) or on the row
// on which lokaleNotizen stands (the administration).
enum class NotizModus { Neu, Bearbeiten };

// ---- times and dates --------------------------------------------------------

// A stored time of day as "hh:mm"; only the fraction of the day counts.
QString UhrzeitText(double zeit);

// The normaliser of a time box: "7:5" gives "07:05", "8" "08:00", ":30"
// "00:30". Two or more colons, hours above 23 or minutes above 59 are refused;
// an empty text stays empty and changes nothing.
struct UhrzeitErgebnis {
    enum Art { Leer, Gueltig, Ungueltig };
    Art art = Leer;
    QString text; // the normalised text (Gueltig)
    double zeit = 0.0;
};
UhrzeitErgebnis UhrzeitPruefen(const QString& text);

// The normaliser of a first-date box: an empty text gives today, a closing
// "." is dropped, a text read as a date gives that date as "dd/mm/yyyy";
// anything else comes back as it is (the caller reports it).
QString DatumPruefen(const QString& text, const QDate& heute);

// ---- the editor's values ----------------------------------------------------

struct NotizFormular {
    QString notiz;                        // Notiz, exactly as typed
    bool zeitsteuerung = false;           // ZeitArtOpt2, else ZeitArtOpt1
    bool vonBis = false;                  // UhrArtOpt2, else UhrArtOpt1
    std::array<QString, 2> uhrzeit;       // Uhrzeit1, Uhrzeit2
    std::array<double, 2> zeit{0.0, 0.0}; // the working start and end
    int rhythmus = RhythmusTaeglich;      // the selected RhythmusOpt, 1 to 4
    Wochentage woTage{};                  // WoTagChe1 to WoTagChe7
    QString erstDatumWoc;
    QString dauerWoc = QStringLiteral("0");
    int monArt = MonatsRegel::FesterTag; // MonArtOpt1 or MonArtOpt2
    QString tagZahlMon;
    int moPos = 0;    // MoPosOpt1 to MoPosOpt5; 0 none selected
    int woTagCom = 0; // list index, 0 Monday; -1 none
    QString vorherMon = QStringLiteral("0");
    QString erstDatumMon;
    std::array<QString, 4> tagZahlJahr;
    std::array<int, 4> monatJah{-1, -1, -1, -1}; // list index, 0 January; -1 none
    QString vorherJah = QStringLiteral("0");
    QString erstDatumJah;

    // 0 permanent, else the selected rhythm.
    int Rhythmus() const { return zeitsteuerung ? rhythmus : RhythmusPermanent; }
    bool operator==(const NotizFormular&) const = default;
};

// The values of a freshly opened editor: today's weekday ticked, today in the
// three first-date boxes, today's day in the monthly and the first yearly day
// box, today's weekday and month in the lists, permanent, whole day, daily.
NotizFormular NeuesFormular(const QDate& heute);

// Decodes a stored note into f, which holds the values of NeuesFormular.
// Values outside the encoding leave the defaults in place: an unknown rhythm
// shows as permanent, a monthly text that is neither form keeps the day of
// the month, a yearly month outside 1 to 12 leaves its list without a choice.
void NotizPraesentieren(NotizFormular& f, const Notiz& n);

// Reads the row the editor opens on, column by column: a column that is Null
// or unreadable keeps the default of a new note (today for the first date)
// instead of failing, so that any row can be opened, fixed and saved.
Notiz NotizZumBearbeiten(const Satz& satz, const QDate& heute);

// ---- the save command ---------------------------------------------------------

// The values the boxes hold. A time box whose text is what its working time
// shows keeps that time (to the fraction a stored note had); another text is
// read as a time when the note has a rhythm, else the working time stands.
// A first date box: empty is today, a text that is no date none. The boxes
// of the chosen rhythm count; a permanent note has rhythm 0.
NotizWerte WerteAusFormular(const NotizFormular& f, const QDate& heute);

// Runs the save's checks on the boxes' values and puts what the checks mended
// back into the boxes: the ends of the time window they settled (an answer,
// or a text read as a time) and the monthly day filled in with today's.
PruefErgebnis SpeichernPruefen(NotizFormular& f, const QDate& heute,
                               const std::function<bool(Frage)>& fragen);

// NotizSpeichern: adds a row (Neu) or edits the row at zeile (Bearbeiten) and
// writes the columns of the note's rhythm; the others keep their values. Any
// failure of the store throws DatenFehler and leaves the row as it was and the
// recordset out of its edit mode.
void NotizSpeichern(Datensatzmenge& notizen, NotizModus modus, Datensatzmenge::Lesezeichen zeile,
                    const Notiz& n);

} // namespace pinwick
