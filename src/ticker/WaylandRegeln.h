#pragma once
// The decisions of the bar's Wayland path that need no compositor: which
// way the bar reaches the screen, how its layer surface is anchored, which
// output it docks on, and what a key or a click on it means. WaylandLeiste
// applies them.

#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>
#include <cstdint>
#include <vector>

namespace pinwick {

// How the bar reaches the screen, chosen once at start before Qt picks its
// platform.
enum class LeistenWeg {
    X11,            // an X server: the bar reserves its edge itself
    WaylandSchicht, // a layer surface of our own, Qt's windows on Wayland
    XWayland,       // Wayland without layer-shell: through the X server it runs
    WaylandFenster, // Wayland without layer-shell and without an X server
    Sonstige,       // offscreen, minimal, or whatever the user set
};

// What the start found: the variables the user set and whether the
// compositor offers layer-shell (asked only when it matters).
struct Umgebung {
    QString qpaPlattform;        // QT_QPA_PLATFORM as given
    bool xAnzeige = false;       // DISPLAY set
    bool waylandAnzeige = false; // WAYLAND_DISPLAY set
    bool schichtAngeboten = false;
};

struct WegWahl {
    LeistenWeg weg = LeistenWeg::Sonstige;
    QString plattform; // for QT_QPA_PLATFORM; empty: leave it
    QString hinweis;   // one line for stderr; empty: nothing to say
};
WegWahl LeistenWegWaehlen(const Umgebung& u);

// The layer surface of a bar of the given height: anchored left, right and
// at its edge, as tall as the bar, as wide as the output (0 lets the
// compositor give the width), the bar's height kept free of windows.
struct Verankerung {
    uint32_t anker = 0; // layer-shell anchor bits
    uint32_t breite = 0;
    uint32_t hoehe = 0;
    int32_t exklusiv = 0;
};
inline constexpr uint32_t AnkerOben = 1, AnkerUnten = 2, AnkerLinks = 4, AnkerRechts = 8;
Verankerung VerankerungFuer(int hoehePx, bool unten);

// The output the bar docks on: Wayland knows no primary output, so the one
// the compositor announced first (lowest registry name) stands for it. -1
// when there is none.
int AusgabeWaehlen(const std::vector<uint32_t>& namen);

// A key on the bar (Linux input code, Ctrl held): its command, if any.
// Space stops the band or lets it go on; the arrow and page keys turn its
// pages.
enum class TastenBefehl { Keiner, NeueNotiz, Hilfe, Anhalten, Zurueck, Vor };
TastenBefehl TasteDeuten(uint32_t code, bool strg, bool andere);

// Whether a press of the left button makes a double-click with the press
// before it: soon enough and close enough.
struct Druck {
    uint32_t zeitMs = 0;
    double x = 0, y = 0;
    bool gueltig = false;
};
bool Doppelklick(const Druck& vorher, const Druck& jetzt, int intervallMs, int abstandPx);

// The keyboard. Asked "on demand", the bar gets the keyboard when clicked
// and loses it when another window is clicked. Compositors that know no
// "on demand" (layer-shell before version 4), and those that treat it as
// "exclusive" and give the bar the keyboard for good without a click, get
// the bar in click mode: it takes the keyboard exclusively on a click and
// hands it back when the pointer leaves it or a command opens a window.
inline constexpr uint32_t TastaturKeine = 0, TastaturExklusiv = 1, TastaturBeiBedarf = 2;
uint32_t TastaturWunsch(bool beiBedarfBekannt, bool klickModus, bool nachKlick);
// Whether the keyboard came to the bar at eintrittMs without a click on it
// (the last press at druckMs, -1: none yet); checked a moment after it came,
// as the press may arrive just after the keyboard.
bool TastaturUngefragt(int64_t eintrittMs, int64_t druckMs);

// A key while the bar's menu is open.
enum class MenueTaste { Keine, Zu, Hoch, Runter, Waehlen };
MenueTaste MenueTasteDeuten(uint32_t code);

// The entry the arrow keys light next in a menu whose entries can or cannot
// be chosen (separators, disabled or hidden ones cannot): the next one that
// can, going round at the ends; from none lit, the first (schritt > 0) or
// the last. -1 when no entry can be chosen.
int MenueNachbar(const std::vector<bool>& waehlbar, int jetzt, int schritt);

// A tooltip's text as the bar's popup shows it: plain, its lines wrapped at
// spaces to at most zeichen characters (a word longer than that is cut),
// runs of blanks within a line kept, at most zeilen lines, the last of them
// ending in an ellipsis when text was left out.
QString HinweisUmbrechen(const QString& text, int zeichen = 60, int zeilen = 12);

// Where the tooltip's popup lies, relative to the bar's surface, which is as
// wide as its output: a little below the pointer on a bar at the top, above
// it on a bar at the bottom, moved left so that it ends at the output's
// right edge but never starting left of its left edge.
QPoint HinweisLage(QSize hinweis, QPointF zeiger, int leistenBreite, int leistenHoehe, bool unten);

// Whether a shown tooltip stays as the pointer moves from where it was
// shown to where it is now: a hand's tremor of a few pixels keeps it.
bool HinweisBleibt(QPointF da, QPointF jetzt);

// Linux input codes the bar listens to.
inline constexpr uint32_t KeyLinksStrg = 29, KeyRechtsStrg = 97, KeyN = 49, KeyF1 = 59;
inline constexpr uint32_t KeyLinksUmschalt = 42, KeyRechtsUmschalt = 54, KeyLinksAlt = 56,
                          KeyRechtsAlt = 100, KeyLinksMeta = 125, KeyRechtsMeta = 126;
inline constexpr uint32_t KeyEsc = 1, KeyEnter = 28, KeyZiffernEnter = 96, KeyHoch = 103,
                          KeyRunter = 108;
inline constexpr uint32_t KeyLeer = 57, KeyLinks = 105, KeyRechts = 106, KeySeiteHoch = 104,
                          KeySeiteRunter = 109;
inline constexpr uint32_t BtnLinks = 0x110, BtnRechts = 0x111, BtnMitte = 0x112;

} // namespace pinwick
