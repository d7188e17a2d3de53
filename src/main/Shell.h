#pragma once
// Handing files and addresses to the desktop, and the message line of dialogs.

#include "Programm.h"

#include <QString>

class QWidget;

namespace pinwick {

// Opens a web address with the desktop's handler; 42 on success, 0 otherwise
// (the numbers a shell hand-over gives back).
int32_t WebSeiteOeffnen(const QString& adresse);
// Opens a file of the program folder with the desktop's handler for its type.
int32_t DateiOeffnen(const QString& dateiName);
// Opens the help start page of the current language with the desktop's
// handler. Where the desktop has none, the page shows in the program's own
// help window (EigeneHilfeSetzen) and the result is false. Where xdg-open
// is there, its answer comes later: the own window shows when it ends with
// an error (no browser found), and the result is true.
bool HilfeZeigen(Programm& p);
// How the program shows a help page itself: language (1 English, 2 German),
// stays on top, the page's path. The window layer sets it once at start
// (HilfeFensterEinrichten); unset, a page without a handler shows nowhere.
using EigeneHilfe = void (*)(int16_t sprache, bool oben, const QString& pfad);
void EigeneHilfeSetzen(EigeneHilfe zeigen);

// The 16-colour table, &H00BBGGRR.
int32_t FarbeNummer(int nummer);
// Writes the message line (MeldungPan) of the active window: the text on the
// background of the given colour number. Without an active window or such a
// panel nothing happens.
void MeldungZeigen(const QString& text, int farbNummer);
// Empty text on light grey.
void MeldungLoeschen();
// The same for the message line of a given window, active or not.
void MeldungZeigen(QWidget* fenster, const QString& text, int farbNummer);
void MeldungLoeschen(QWidget* fenster);

} // namespace pinwick
