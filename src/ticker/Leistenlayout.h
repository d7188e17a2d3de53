#pragma once
// The geometry of the ticker bar, worked out from the settings and a few
// measurements, without any widget: all lengths in twips. The bar applies the
// result to its panels; tests check the numbers directly.

#include "Programm.h"

#include <QDateTime>
#include <QRect>
#include <QString>
#include <cstdint>
#include <vector>

namespace pinwick {

// Design widths of the date and the clock panel.
inline constexpr int DatumPanBreite = 915;
inline constexpr int UhrPanBreite = 1065;
// The frame around the panels when the border is shown: 45 at the left and
// the top, 90 more at the right and the bottom.
inline constexpr int RahmenRand = 45;
inline constexpr int RahmenZugabe = 135;

struct Leistenlayout {
    // The bar on the screen.
    int leisteLinks = 0;
    int leisteOben = 0;
    int leisteBreite = 0;
    int leisteHoehe = 0;
    // Height of the band and of the date and clock panels.
    int bandHoehe = 0;
    // Where the text's top lies inside the band.
    int16_t textOben = 0;
    QRect datumPan;
    QRect uhrPan;
    QRect notizPan;
    // Date and clock panels: drawn with an edge (border on), shown at all.
    bool panelKante = false;
    bool uhrSichtbar = false;
    // The hidden measuring panels sit just below the visible bar.
    int testPanOben = 0;
    // The menu entries for notes and their separator lines.
    bool notizMenues = false;
};

// Band height from the height of "test" in the bar's font: half as much again.
int BandHoehe(int textHoehe);

// Vertical text position inside the band. Three font sizes have their own
// offsets, found by eye to sit better than the computed one.
int16_t TextOben(int bandHoehe, int textHoehe, int schriftGroesse);

// The whole layout. Screen sizes and the text height are in twips; the font
// size is taken from e.SchriftGroesse.
Leistenlayout LeisteBerechnen(const Einstellungswerte& e, int bildschirmBreite, int bildschirmHoehe,
                              int textHoehe);

// Twips the text moves per tick for a Speed setting (30, 15 or 5; anything
// the settings load lets through is taken as it is, nonsense as 30).
int ScrollSchritt(int16_t speed);

// Captions of the date and the clock panel at a moment. English: month, day,
// year with "/" and a 12-hour clock with lowercase am/pm; any other language
// the German way, day first with the given date separator and a 24-hour clock.
struct UhrAnzeige {
    QString datum;
    QString uhr;
};
UhrAnzeige UhrAnzeigeText(const QDateTime& jetzt, int16_t sprache, QChar datumTrenner);

// The bar's tooltip, the first hint a new user gets: how to reach the menu
// and, while own notes are allowed, how to add and list notes; always the key
// that stops and starts the band. English for language 1, German for
// anything else (as the captions are designed).
QString LeistenHinweis(int16_t sprache, bool notizBefehle);

// What a screen reader names the bar and its parts.
struct ZugangsNamen {
    QString leiste, datum, uhr, band;
};
ZugangsNamen LeistenZugangsNamen(int16_t sprache);

// The band's text for a screen reader: the notes shown now, one a line,
// cut (with an ellipsis) after hoechstens characters; a band with nothing due
// says so.
QString BandZugangsText(const std::vector<Eintrag>& eintraege, int16_t sprache,
                        int hoechstens = 10000);

} // namespace pinwick
