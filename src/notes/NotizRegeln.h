#pragma once
// The rules of a note's entries, on values: what a save refuses, what it
// asks and what it mends before it writes a row.
//
// The editor reads its boxes into a NotizWerte (NotizEingabe); the imports
// (pinwick-notes, CSV, iCalendar) build one from what they have read
// (Zeitplanwahl). Both run the same checks in the same order and get the
// same messages and questions, so a note stored from outside is the note
// the editor stores for the same choices.

#include "Notiz.h"

#include <QDate>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace pinwick {

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

// Where the focus goes with a message: the editor's box that holds the value
// at fault.
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

// ---- values -----------------------------------------------------------------

// A time of day as a fraction of a day, to the minute.
double Tageszeit(int stunden, int minuten);
// The minute of the day a stored time shows (0 to 1439); only the fraction
// of the day counts, rounded to the second as a time shows, then cut.
int TagesMinute(double zeit);

// The value of a number box: what a digits-only text reads as, 0 for an
// empty one, the int64 limits for a number beyond 10^15.
int64_t BoxZahl(const QString& text);

// One end of the time window: none given, a time, or a text that is no time.
struct Uhrangabe {
    enum Art : uint8_t { Keine, Zeit, Unlesbar };
    Art art = Keine;
    double zeit = 0.0; // fraction of a day (Zeit)

    static Uhrangabe Um(double zeit) { return {Zeit, zeit}; }
    bool operator==(const Uhrangabe&) const = default;
};

// A note's entries as values. Only the fields of its rhythm count.
struct NotizWerte {
    QString notiz;                        // as typed
    int16_t rhythmus = RhythmusPermanent; // 0 permanent, 1 to 4 the rhythm
    bool vonBis = false;                  // a time window rather than the whole day
    std::array<Uhrangabe, 2> uhr;         // its start and end
    std::optional<int32_t> erstDatum;     // day number; empty: a text that is no date
    Wochentage woTage{};                  // weekly, Monday first
    int64_t dauer = 0;                    // weekly: weeks, 0 no end
    MonatsRegel::Art monArt = MonatsRegel::FesterTag;
    QString monatsTag; // monthly: the digits as typed; empty: today's day
    int moPos = 0;     // monthly: 1 to 4, 5 last; 0 none chosen
    int woTag = 0;     // monthly: 0 Monday to 6 Sunday; -1 none chosen
    std::array<std::optional<int64_t>, 4> jahrTag; // yearly: a day per line; empty: none
    std::array<int, 4> jahrMonat{0, 0, 0, 0};      // its month, 1 to 12; 0 none chosen
    int64_t vorher = 0;                            // monthly, yearly: days of advance notice

    bool operator==(const NotizWerte&) const = default;
};

// A first date as the editor takes it: a day number for the years 100 to
// 9999, none for any other date.
std::optional<int32_t> ErstDatumZahl(const QDate& datum);

// ---- the save's checks ------------------------------------------------------

struct PruefErgebnis {
    bool ok = false;
    // When not ok: the message to show (none after a question answered No)
    // and where the focus goes.
    std::optional<Meldung> meldung;
    Feld fokus = Feld::Keins;
    // The ends of the time window the save settled, by an answer or by
    // reading them: the editor shows them as the times they now hold.
    std::array<bool, 2> uhrGesetzt{false, false};
    // When ok: the note to write.
    Notiz notiz;
};

// Runs the checks and questions in their order. fragen asks a question and
// returns true for Yes. The answers mend w: Yes to a missing start or end
// puts midnight or 23:59 there; an empty monthly day becomes today's.
PruefErgebnis NotizPruefen(NotizWerte& w, const QDate& heute,
                           const std::function<bool(Frage)>& fragen);

} // namespace pinwick
