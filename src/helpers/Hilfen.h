#pragma once
// Small routines on texts, numbers, dates and files shared by both programs.
// Texts count positions from 1, as the routines' callers do.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <cstdint>

namespace pinwick {

// ---- numbers -------------------------------------------------------------

template <typename T> inline void Erhoehen(T& zahl) {
    zahl = static_cast<T>(zahl + 1);
}
template <typename T> inline void Verringern(T& zahl) {
    zahl = static_cast<T>(zahl - 1);
}

// The leading number of a text, read the forgiving way: blanks are skipped,
// an optional sign, digits with an optional decimal point and exponent.
// A text without a leading number gives 0. Never throws.
double FuehrendeZahl(QStringView text);
// True when the text begins with a number FuehrendeZahl reads, so that a
// real 0 can be told from a text that holds no number at all.
bool HatFuehrendeZahl(QStringView text);
// True when the text, after blanks and a sign, names a value that is no
// finite number ("NaN", "inf", "Infinity" in any case). Readers that take a
// leading number would read such a text as 0; they refuse it instead.
bool NenntUnendlichOderNaN(QStringView text);

// Rounds to the nearest integer with halves going to the even neighbour
// (2.5 gives 2, 3.5 gives 4), whatever rounding mode the processor is in.
// NaN and infinities come back unchanged.
double RundeGerade(double wert);
// The same, clamped to the 32-bit range (NaN gives 0).
int32_t RundeGerade32(double wert);

// ---- texts ---------------------------------------------------------------

// Removes leading and trailing blanks (code 32 only).
void Trimmen(QString& text);
// Replaces the character at position p (1-based).
void ZeichenErsetzen(QString& text, const QString& ersatz, int p);
// Replaces n characters from position s; shortens n when it runs past the end.
void TeilErsetzen(QString& text, const QString& ersatz, int s, int& n);
void KommaZuPunkt(QString& text);
void ZeilenumbruchZuLeerzeichen(QString& text);
void ZeilenendeEntfernen(QString& text);
// Cuts n characters from the left (seite 1) or the right (any other) into stueck.
void StueckAbschneiden(QString& text, int n, int seite, QString& stueck);
// Length of the tail of text that starts with the last occurrence of stueck.
int16_t RestAbLetztem(const QString& text, const QString& stueck);

// ---- dates ---------------------------------------------------------------

// Day numbers count from 30 December 1899 (day 0); the fraction is the time of day.
int32_t DatumsZahl(const QDate& datum);
QDate AusDatumsZahl(int32_t zahl);
double TagesZahl(const QDateTime& moment);
QDateTime AusTagesZahl(double zahl);

// Days of a month; every fourth year is a leap year (no century rule).
int16_t TageImMonat(int monat, int jahr);
// Weekday with Monday 1 ... Sunday 7.
int16_t WochentagMo(const QDate& datum);

// Reads a day-first date text ("d.m.yyyy", "d.m.yy", "d.m" in the current year,
// with "." or the locale's date separator). Trims the caller's text. An empty
// text is valid and leaves datumZahl alone; a valid date sets datumZahl. Dates
// outside the years 100 to 9999 are not valid, a missing year taken from
// heute included.
bool DatumGueltig(QString& text, int32_t& datumZahl, const QDate& heute);
// The display form of a date entry: "dd/mm/yyyy" with the locale's separator.
QString DatumText(const QDate& datum);
// The date separator of the system's regional settings.
QChar DatumTrenner();

// ---- files, folders, time ------------------------------------------------

bool DateiVorhanden(const QString& pfad);
// Writes daten as the whole file at pfad: beside it first, then renamed
// over it, so that a reader finds the old file or the new one, never half.
// Returns why it failed ("No space left on device"), empty on success; on
// failure the old file is untouched and no temporary file is left.
QString DateiGanzSchreiben(const QString& pfad, const QByteArray& daten);
// True when the path can be made the current directory; the current
// directory is the same after the call as before.
bool OrdnerVorhanden(const QString& pfad);
// Returns once the given seconds have passed (also across midnight).
// No window events run meanwhile.
void Warten(float sekunden);
// Sounds the given beep when tonAn is true. The beep itself comes from the
// window layer, which this module does not know.
void Piepen(bool tonAn, void (*ton)());

// The Windows folder from the environment ("winbootdir", then "windir"),
// empty when neither is set.
QString WindowsOrdner();

} // namespace pinwick
