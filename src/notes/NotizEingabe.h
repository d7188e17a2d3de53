#pragma once
// What the note editor does with its entries, apart from the widgets: the
// time and date normalisers, the editor's values as one plain struct, how a
// stored note becomes those values, the save command's checks and questions
// in their fixed order, and the writing of the row.
//
// The window (Notizen) reads its controls into a NotizFormular, hands it to
// the routines here and shows what comes back; tests drive the same routines
// directly with tables of cases.

#include "Notiz.h"

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

// ---- texts ------------------------------------------------------------------

// Entry errors shown in the message line.
enum class Meldung {
    TextFehlt,
    ZeitFormat,
    EndeVorAnfang,
    KeinWochentag,
    KeinePosition,
    KeinJahrestag,
    MonatFehlt,
    DatumFehlerhaft,
    TagNull,
    DauerZuGross,
    VorherZuGross,
    NichtGespeichert,
};
// The text in the language of sprache: 1 English, anything else German (the
// window's designed language).
QString MeldungsText(Meldung meldung, int16_t sprache);

// Questions of the save command, answered Yes or No.
enum class Frage { GanztagsAnzeigen, AbMitternacht, BisMitternacht, Tag29, Tag31 };
// The problem, " -", two line breaks, the question.
QString FrageText(Frage frage, int16_t sprache);
// The time questions come with a beep, the day-of-month ones without.
bool FrageMitTon(Frage frage);

// ---- times and dates --------------------------------------------------------

// A time of day as a fraction of a day, to the minute.
double Tageszeit(int stunden, int minuten);
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
    bool zeitsteuerung = false;           // ZeitArtOpt(1), else ZeitArtOpt(0)
    bool vonBis = false;                  // UhrArtOpt(1), else UhrArtOpt(0)
    std::array<QString, 2> uhrzeit;       // Uhrzeit(1), Uhrzeit(2)
    std::array<double, 2> zeit{0.0, 0.0}; // the working start and end
    int rhythmus = RhythmusTaeglich;      // the selected RhythmusOpt, 1 to 4
    Wochentage woTage{};                  // WoTagChe(1) to WoTagChe(7)
    QString erstDatumWoc;
    QString dauerWoc = QStringLiteral("0");
    int monArt = MonatsRegel::FesterTag; // MonArtOpt(1) or (2)
    QString tagZahlMon;
    int moPos = 0;    // MoPosOpt(1) to (5); 0 none selected
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

// Where the focus goes with a message.
enum class Feld {
    Keins,
    Notiz,
    Uhrzeit1,
    Uhrzeit2,
    ErstDatumWoc,
    DauerWoc,
    TagZahlMon,
    VorherMon,
    ErstDatumMon,
    TagZahlJahr1,
    MonatJah1 = TagZahlJahr1 + 4,
    VorherJah = MonatJah1 + 4,
    ErstDatumJah,
};

struct PruefErgebnis {
    bool ok = false;
    // When not ok: the message to show (none after a question answered No)
    // and where the focus goes.
    std::optional<Meldung> meldung;
    Feld fokus = Feld::Keins;
    // When ok: the note to write.
    Notiz notiz;
};

// Runs the save command's checks and questions in their order. fragen asks a
// question and returns true for Yes. The answers may change f: Yes to a
// missing start or end puts "00:00" or "23:59" into its box and the working
// time. A first date is read with datumZahl, which is left at the date read.
PruefErgebnis SpeichernPruefen(NotizFormular& f, const QDate& heute, int32_t& datumZahl,
                               const std::function<bool(Frage)>& fragen);

// NotizSpeichern: adds a row (Neu) or edits the row at zeile (Bearbeiten) and
// writes the columns of the note's rhythm; the others keep their values. Any
// failure of the store throws DatenFehler and leaves the row as it was and the
// recordset out of its edit mode.
void NotizSpeichern(Datensatzmenge& notizen, NotizModus modus, Datensatzmenge::Lesezeichen zeile,
                    const Notiz& n);

} // namespace pinwick
