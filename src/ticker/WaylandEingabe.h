#pragma once
// Pointer and keys on the bar's surfaces. On the bar they go to its widgets
// as Qt events, so they do what they do on X11; on its menu they light and
// choose its entries; resting on the bar they open its tooltip, which any
// click or key closes. Which keys are commands and when the bar takes the
// keyboard are decided in WaylandRegeln.

#include "WaylandRegeln.h"

#include <QElapsedTimer>
#include <QObject>
#include <cstdint>

struct wl_keyboard;
struct wl_pointer;

namespace pinwick {

class LeistenAnsicht;
class WaylandFlaeche;
class WaylandHinweis;
class WaylandMenue;
struct Zeigerstand;

class WaylandEingabe : public QObject {
public:
    WaylandEingabe(WaylandFlaeche& leiste, WaylandMenue& menue, WaylandHinweis& hinweis,
                   LeistenAnsicht& ansicht, Zeigerstand& zeiger);

    // Listens to the seat's pointer and keyboard (the connection owns them).
    void ZeigerHoeren(wl_pointer* zeiger);
    void TastaturHoeren(wl_keyboard* tastatur);

    // The listeners on the compositor's events (in the .cpp).
    struct Hoererei;

private:
    void knopf(uint32_t serial, uint32_t zeit, uint32_t knopf, bool gedrueckt);
    void drueckenOderLoslassen(uint32_t zeit, uint32_t knopf, bool gedrueckt);
    void mausEreignis(Qt::MouseButton qknopf, bool gedrueckt, uint32_t zeit);
    void tastaturDa(const uint32_t* gedrueckt, size_t anzahl);
    void taste(uint32_t code, bool gedrueckt);
    void strgAus(uint32_t code, bool gedrueckt);
    // Which keys are held is known only while the bar has the keyboard: on
    // focus in and out that knowledge starts afresh.
    void tastenVergessen();
    // Tells the band whether the pointer rests on it now.
    void zeigerAufBand();
    // The keyboard came to the bar: it counts as someone at the bar when it
    // came with a click.
    void tastaturGekommen();
    // Tells the bar that the keyboard came to it or left it.
    void fokusMelden(bool an);

    WaylandFlaeche& leiste_;
    WaylandMenue& menue_;
    WaylandHinweis& hinweis_;
    LeistenAnsicht& ansicht_;
    Zeigerstand& zeiger_;
    Qt::MouseButtons tasten_;
    Druck letzterDruck_;
    // When the bar was last pressed, for telling whether the keyboard came
    // with a click (WaylandRegeln.h: TastaturUngefragt).
    QElapsedTimer stoppuhr_;
    qint64 letzterDruckMs_ = -1;
    bool strgLinks_ = false, strgRechts_ = false;
    int andereGedrueckt_ = 0;
    bool zeigerAufBand_ = false;
    bool tastaturAufLeiste_ = false;
};

} // namespace pinwick
