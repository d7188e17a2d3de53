#pragma once
// What the settings window and the password prompt decide without any
// widget: their texts in both languages, where a chosen colour goes, the
// miniature's layout, the check before saving, the default values, where the
// windows and pop-ups sit, and whether a broadcaster's file lies on another
// computer. All lengths in twips.

#include "Programm.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>

namespace pinwick {

// ---- the miniature of the bar ----------------------------------------------

// Elements of the miniature; the number is the panel's index (FarbePan i).
enum Element : int16_t { Rahmen = 1, DatumUhr = 2, NotizLokal = 3, NotizBroadcast = 4 };

// Caption of an element's colour button: element 1-4, role 1 (first button)
// or 2 (second), language 1 English, anything else German. Empty where the
// element has no such button (the frame has one colour only).
QString ElementName(int element, int rolle, int16_t sprache);

// The buttons an element shows: colour buttons 1-3 and the font button.
bool FarbKnopfSichtbar(int element, int knopf);
bool SchriftKnopfSichtbar(int element);
// Caption of colour button 1-3 while the element is selected. The three
// buttons of a note serve both notes: the shared background, then the local
// and the broadcast font colour.
QString FarbKnopfText(int element, int knopf, int16_t sprache);
// The setting that colour button 1-3 edits for the element; nullptr where
// the button does not exist.
int32_t Einstellungswerte::*FarbZiel(int element, int knopf);

// Panel 1 of a miniature without border is light grey instead of the frame colour.
inline constexpr int32_t MiniaturGrau = 0xC0C0C0;
// Margin of panels 2-4 inside panel 1.
inline constexpr int MiniaturRand = 75;

struct Miniatur {
    QRect pan2, pan3, pan4; // inside panel 1
    int hoehe1 = 0;         // height of panel 1
    bool pan2Sichtbar = true;
    bool eingesenkt = true;  // panels 2-4 drawn with a sunken edge
    bool rahmenFarbe = true; // panel 1 shows the frame colour (else light grey)
};
// breite1, breite2: widths of panel 1 and of the date/time panel; textHoehe:
// height of "test" in the window's font at the note font's size.
Miniatur MiniaturBerechnen(int breite1, int breite2, bool zeigRahmen, bool zeigDatum,
                           int textHoehe);

// ---- the check before saving -------------------------------------------------

enum class Pruefung { Gut, PasswortFehlt, PfadFehlt, AdresseFalsch, SchluesselFalsch };
// A broadcast path that is a web address (http:// or https://) must be one
// that "pinwick-notes receive" takes too: a host, no user or password.
bool WebAdresseGut(const QString& adresse);
// passwortBearbeitbar: the password box is enabled (not in receiver mode,
// where the broadcaster's password applies). kopie.passWort is what will be
// stored: the stored hash while the box is left empty counts as a password.
Pruefung VorSpeichernPruefen(const Einstellungswerte& kopie, bool passwortBearbeitbar);
QString PruefungsText(Pruefung ergebnis, int16_t sprache);

// ---- the web receiver's state ---------------------------------------------------

// The receiver's state (broadcastWebZustand, in English as the log has it)
// in the window's language: its known phrases in German, what comes from
// elsewhere (a server's or the network library's words, dates) as it is.
QString WebZustandText(const QString& zustand, int16_t sprache);

// ---- default values -----------------------------------------------------------

// The look and speed of a fresh installation. Language, docking, always on
// top, sysop, password and broadcast settings stay as they are.
void StandardwerteSetzen(Einstellungswerte& kopie);

// ---- placement -----------------------------------------------------------------

// Client area of the settings window and of the password prompt.
inline constexpr int EinstellungenBreite = 8190;
inline constexpr int EinstellungenHoehe = 8640;
inline constexpr int EinstellungenLinks = 500;
inline constexpr int PassTestBreite = 5865;
inline constexpr int PassTestHoehe = 2070;

// Top-left of the settings window on the screen. A bar whose top is 100
// twips or more down is docked at the bottom: the window keeps 200 twips
// above the screen's bottom edge, else 200 below its top edge.
QPoint EinstellungenLage(int leisteOben, int schirmHoehe, int fensterHoehe);
// Top-left of the password prompt: centred over the settings window's place
// and overlapping the bar by half the bar's height.
QPoint PassTestLage(int breite, int hoehe, int leisteOben, int leisteHoehe, int schirmHoehe);
// Top-left of help pop-up i: 1000 left of its link, 100 below it. gruppe is
// the group panel the link sits in, link the link inside the group.
QPoint HilfeLage(const QRect& gruppe, const QRect& link);
// Height of a help pop-up: its close panel sits 300 below the text.
int HilfeAbbrechenOben(int textHoehe);
int HilfeHoehe(int abbrechenOben, int abbrechenHoehe);
// A bubble below the middle of a field that sits in a group panel (offsets
// from the window's top-left).
QPoint BubbleUnter(const QRect& gruppe, const QRect& feld);

// ---- the broadcaster's path -------------------------------------------------

// True for a path on another computer: one that begins with "\\" or "//",
// or one that lies on a network file system.
bool AufAnderemRechner(const QString& pfad);
// The file-system test behind it: the statfs magic number and the type the
// mount table gives ("nfs4", "cifs", "fuse.sshfs", ...).
bool NetzDateisystem(quint64 magie, const QString& typ);

// What a chosen broadcaster's file turned out to be. A file another program
// is writing at the moment counts as good: it is a notes file, only busy.
enum class BroadcastDatei { Gut, KeineNotizdatei, KeinLeserecht, NichtErreichbar };
// Looks at the file without changing anything there: not there (or the share
// not answering), not readable for this user, or not a database with the
// tables and columns the ticker reads (a folder, a pipe, an empty or a text
// file, another program's database).
BroadcastDatei BroadcastDateiPruefen(const QString& pfad);
// The message line's text for a file that is not good; empty for Gut.
QString BroadcastDateiText(BroadcastDatei befund, int16_t sprache);

// ---- the note font --------------------------------------------------------------

// Sizes the font dialog may give: whole points from 1 to 100.
inline constexpr int KleinsteSchrift = 1, GroessteSchrift = 100;
// The installed family that draws a font name: the name itself when it is
// installed, else the closest one the system's font matching picks for it
// (a font name from another system, such as "Verdana" or "MS Sans Serif").
QString InstallierteFamilie(const QString& name);
// The family's own name of the style nearest to bold or regular, italic or
// upright ("Bold Oblique" where a family has no "Bold Italic"); empty when
// the family lists no styles. The font dialog finds its start style only by
// such a name: the one Qt makes up from weight and slant is translated with
// Qt's texts and rarely matches a family's list.
QString SchriftStil(const QString& familie, bool fett, bool kursiv);
// A chosen size in whole points (a size in pixels counts at 96 dpi); nothing
// when it lies outside 1 to 100.
std::optional<int16_t> SchriftPunkte(double punkte, int pixel);
// The text for a size outside 1 to 100.
QString SchriftGroesseText(int16_t sprache);
// The message line's text when the own database file is kept busy by
// another program and the settings could not be written.
QString DateiBelegtText(int16_t sprache);

// ---- the password ------------------------------------------------------------

// What the settings window and the prompt accept; the prompt takes as much
// as the settings window stores.
inline constexpr int PasswortLaenge = 100;
// The stored value is a hash (verified) or, from an older file or a
// broadcaster that has not saved since, the password in the clear (compared
// character by character, case-sensitive; an empty entry matches an empty
// password). A damaged hash matches nothing.
bool PasswortGleich(const QString& eingabe, const QString& passWort);

} // namespace pinwick
