#pragma once
// The bar on a Wayland desktop whose compositor offers layer-shell: a layer
// surface on a connection of our own, anchored at the docking edge with its
// height kept free of windows, on the first output. Qt keeps the bar's
// widgets (hidden; they are never a Qt window there) and still runs its
// dialogs and bubbles on its own Wayland connection. The right-click menu
// is a popup of the layer surface, so that it opens at the click; Qt's menu
// widget draws it. The widgets' tooltips open as popups of it too.
//
// Each tick that changed the picture renders the band (or, when the date,
// clock, layout or buffer is stale, the whole bar) from the band's tiles
// into a shared-memory buffer and commits it with one damage. A few buffers
// are made per size and reused. Pointer and keys on the surface go to the
// bar's widgets as Qt events, so they do what they do on X11.
//
// The parts: WaylandVerbindung (the connection, its globals and the event
// loop), WaylandFlaeche (the layer surface), Puffervorrat (the buffers of
// bar, menu and tooltip), WaylandMenue (the menu's popup), WaylandHinweis
// (the tooltip's popup), WaylandEingabe (pointer and keys); they see the
// bar through LeistenAnsicht (WaylandAnsicht.h).

#include "LeistenFlaeche.h"
#include "WaylandVerbindung.h"

#include <QObject>
#include <memory>

struct wl_display;

namespace pinwick {

class Terminal;

class WaylandLeiste : public QObject, public LeistenFlaeche {
    Q_OBJECT
public:
    // The bar on the given connection (which it then owns), or on a new
    // one to WAYLAND_DISPLAY. nullptr when there is no compositor with
    // layer-shell; the bar is then shown as a Qt window.
    static std::unique_ptr<WaylandLeiste> Oeffnen(Terminal& leiste,
                                                  wl_display* verbindung = nullptr);
    ~WaylandLeiste() override;

    // After a layout: size, edge and everything drawn anew.
    void Layout();
    // After a tick: commits the band when its picture changed.
    void Schritt();
    // What the bar tells its surface: Layout and Schritt.
    void NachLayout() override { Layout(); }
    void NachTick() override { Schritt(); }
    // Commits the whole bar drawn anew now (tests).
    void GanzZeichnen();
    // Waits until the compositor has handled everything sent so far.
    void Abgleichen();

    // Whether the surface is on an output and configured.
    bool Bereit() const;
    // Counters for tests and measurements: commits, of them whole bars,
    // buffers made, ticks without a free buffer.
    struct Zaehler {
        long commits = 0;
        long ganz = 0;
        long puffer = 0;
        long ohnePuffer = 0;
    };
    const Zaehler& Statistik() const;
    // The text of the tooltip shown now, empty when none (tests).
    QString HinweisText() const;

    struct Zustand;

private:
    WaylandLeiste(Terminal& leiste, wl_display* anzeige);
    std::unique_ptr<Zustand> z_;
};

// Puts the bar on a layer surface when the start chose that way, on the
// connection the start kept; false leaves it to the caller to show the bar
// as a Qt window (the kept connection is closed then). The bar keeps the
// surface for its life.
bool LeisteAufWayland(Terminal& leiste, LeistenPlattform& plattform);

} // namespace pinwick
