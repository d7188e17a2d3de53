#pragma once
// One note: a row of the table Notizen, typed, and the encoding of its
// schedule in the columns Rhythmus, UhrVon, UhrBis, StartDatum, Dauer, Vorher
// and RhyDetails.
//
// The note editor writes rows, the administration lists and deletes them, the
// ticker reads them; all of them go through the encoders and decoders here so
// that there is exactly one idea of what "-1 0 0-1 0 0 0" or "254" means.
//
// A row only holds meaningful values in the columns its Rhythmus uses:
//
//   Rhythmus        columns
//   0 permanent     inhalt, Rhythmus
//   1 daily         + UhrVon, UhrBis
//   2 weekly        + UhrVon, UhrBis, StartDatum, Dauer, RhyDetails
//   3 monthly       + UhrVon, UhrBis, StartDatum, Vorher, RhyDetails
//   4 yearly        + UhrVon, UhrBis, StartDatum, Vorher, RhyDetails
//
// The other columns keep whatever an earlier rhythm left in them; readers
// ignore them and writers leave them alone.

#include "Datenbank.h"

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pinwick {

// Values of the column Rhythmus.
enum : int16_t {
    RhythmusPermanent = 0,
    RhythmusTaeglich = 1,
    RhythmusWoechentlich = 2,
    RhythmusMonatlich = 3,
    RhythmusJaehrlich = 4,
};

// ---- weekly: seven 2-character groups, Monday first -----------------------

// Index 0 is Monday, 6 Sunday.
using Wochentage = std::array<bool, 7>;

// "-1" for an active day, " 0" for an inactive one: always 14 characters.
QString WochentageKodieren(const Wochentage& tage);
// Reads seven groups of two characters; a group whose leading number is not 0
// marks its day active. Groups missing at the end of a short text count as
// inactive, characters past the seventh group are ignored.
Wochentage WochentageDekodieren(QStringView details);
// Whether the group of one weekday (1 Monday ... 7 Sunday) is active, by the
// same reading as WochentageDekodieren; false for a weekday outside 1 to 7.
bool WochentagAktiv(QStringView details, int wochentagMo);

// ---- monthly: "1" + day as typed, or "2" + position + weekday --------------

struct MonatsRegel {
    enum Art : int16_t { FesterTag = 1, Wochentag = 2 };
    Art art = FesterTag;
    // FesterTag: the day of the month exactly as the user typed it (digits,
    // a leading zero kept: "05").
    QString tagText;
    // Wochentag: 1 to 4 the first to fourth, 5 the last occurrence ...
    int16_t position = 1;
    // ... of this weekday, 0 Monday to 6 Sunday.
    int16_t wochentag = 0;

    static MonatsRegel AmTag(const QString& tagText) { return {FesterTag, tagText, 1, 0}; }
    static MonatsRegel AmWochentag(int16_t position, int16_t wochentag) {
        return {Wochentag, QString(), position, wochentag};
    }
    bool operator==(const MonatsRegel&) const = default;
};

// Throws std::invalid_argument for a rule the encoding cannot hold (an empty
// day text or one with other characters than digits, a position outside 1 to
// 5, a weekday outside 0 to 6): such a text would be read back as something
// else.
QString MonatsRegelKodieren(const MonatsRegel& regel);
// Empty when the text is not in the encoding above (another kind than "1" or
// "2", a day that is not all digits, a position or weekday out of range, a
// weekday form not exactly 3 characters long); the editor then shows its
// defaults instead of guessing.
std::optional<MonatsRegel> MonatsRegelDekodieren(QStringView details);

// ---- yearly: one to four DDMM groups ---------------------------------------

struct Jahrestag {
    int16_t tag = 1;   // day of the month, written with two digits
    int16_t monat = 1; // 1 January ... 12 December
    bool operator==(const Jahrestag&) const = default;
};

// The entries in the order given, each as DDMM. Throws std::invalid_argument
// for a day or month outside 0 to 99, which would break the fixed grouping.
QString JahrestageKodieren(std::span<const Jahrestag> tage);
// Every complete group of four characters, day and month by their leading
// number; an incomplete group at the end is dropped.
std::vector<Jahrestag> JahrestageDekodieren(QStringView details);

// ---- the note ---------------------------------------------------------------

struct Notiz {
    int32_t ID = 0; // given by the database when the row is added; never written
    QString inhalt; // as typed, blanks included
    int16_t Rhythmus = RhythmusPermanent;
    double UhrVon = 0.0; // time window as fractions of a day
    double UhrBis = 0.0;
    int32_t StartDatum = 0; // day number, 30 December 1899 = 0
    int16_t Dauer = 0;      // weekly: weeks from StartDatum, 0 no end
    int16_t Vorher = 0;     // monthly, yearly: days of advance notice
    QString RhyDetails;

    // "Whole day": both ends of the time window are midnight.
    bool Ganztags() const { return UhrVon + UhrBis == 0; }
    void SetzeGanztags() { UhrVon = UhrBis = 0.0; }

    // Typed views of RhyDetails; meaningful only for the matching Rhythmus.
    Wochentage WochentageLesen() const { return WochentageDekodieren(RhyDetails); }
    void SetzeWochentage(const Wochentage& tage) { RhyDetails = WochentageKodieren(tage); }
    std::optional<MonatsRegel> MonatsRegelLesen() const {
        return MonatsRegelDekodieren(RhyDetails);
    }
    void SetzeMonatsRegel(const MonatsRegel& regel) { RhyDetails = MonatsRegelKodieren(regel); }
    std::vector<Jahrestag> JahrestageLesen() const { return JahrestageDekodieren(RhyDetails); }
    void SetzeJahrestage(std::span<const Jahrestag> tage) { RhyDetails = JahrestageKodieren(tage); }

    bool operator==(const Notiz&) const = default;
};

// A date column as a whole day number: the time part is cut off. Throws
// DatenFehler on Null and on a value outside the years 100 to 9999.
int32_t TagAusWert(const Wert& wert);

// Reads ID, inhalt and Rhythmus, then only the columns that Rhythmus uses, in
// the order of the table above; the fields of the others keep their defaults.
// An unknown Rhythmus (negative or above 4) reads no schedule columns.
// Throws DatenFehler when a column it reads holds Null or cannot be converted.
Notiz NotizLesen(const Satz& satz);

// Hands the columns a save writes to setze, in this order: inhalt, Rhythmus,
// UhrVon, UhrBis, then StartDatum, Dauer, RhyDetails (weekly) or StartDatum,
// Vorher, RhyDetails (monthly, yearly). Permanent notes and unknown rhythms
// give inhalt and Rhythmus only. A whole-day window is written as the integer
// 0 twice. ID is never given.
template <typename Setze> void NotizSpalten(const Notiz& n, Setze&& setze) {
    setze(u"inhalt", Wert(n.inhalt));
    setze(u"Rhythmus", Wert(int(n.Rhythmus)));
    if (n.Rhythmus < RhythmusTaeglich || n.Rhythmus > RhythmusJaehrlich)
        return;
    if (n.Ganztags()) {
        setze(u"UhrVon", Wert(0));
        setze(u"UhrBis", Wert(0));
    } else {
        setze(u"UhrVon", Wert(n.UhrVon));
        setze(u"UhrBis", Wert(n.UhrBis));
    }
    if (n.Rhythmus == RhythmusTaeglich)
        return;
    setze(u"StartDatum", Wert(double(n.StartDatum)));
    if (n.Rhythmus == RhythmusWoechentlich)
        setze(u"Dauer", Wert(int(n.Dauer)));
    else
        setze(u"Vorher", Wert(int(n.Vorher)));
    setze(u"RhyDetails", Wert(n.RhyDetails));
}

// Assigns the note's columns to the current row of a recordset that the
// caller has put into AddNew or Edit mode; the caller stores it with Update.
// Columns the rhythm does not use keep what the row held.
void NotizSchreiben(Datensatzmenge& notizen, const Notiz& n);

} // namespace pinwick
