#pragma once
// The bar on a Wayland desktop whose compositor offers layer-shell: a layer
// surface on a connection of our own, anchored at the docking edge with its
// height kept free of windows, on the first output. Qt keeps the bar's
// widgets (hidden; they are never a Qt window there) and still runs its
// dialogs and bubbles on its own Wayland connection. The right-click menu
// is a popup of the layer surface, so that it opens at the click; Qt's menu
// widget draws it.
//
// Each tick that changed the picture renders the band (or, when the date,
// clock, layout or buffer is stale, the whole bar) from the band's tiles
// into a shared-memory buffer and commits it with one damage. A few buffers
// are made per size and reused. Pointer and keys on the surface go to the
// bar's widgets as Qt events, so they do what they do on X11.

#include "WaylandRegeln.h"

#include <QObject>
#include <QString>
#include <memory>

namespace pinwick {

class Terminal;

// Decides how the bar reaches the screen, once, before the QApplication is
// made: sets QT_QPA_PLATFORM where it has to and says once on stderr when the
// bar cannot dock. Asks the compositor for layer-shell on a connection that
// the bar keeps for later.
LeistenWeg LeistenWegFestlegen();

class WaylandLeiste : public QObject {
    Q_OBJECT
public:
    // The bar on the connection LeistenWegFestlegen kept, or on a new one
    // to WAYLAND_DISPLAY. nullptr when there is no compositor with
    // layer-shell; the bar is then shown as a Qt window.
    static std::unique_ptr<WaylandLeiste> Oeffnen(Terminal& leiste);
    ~WaylandLeiste() override;

    // After a layout: size, edge and everything drawn anew.
    void Layout();
    // After a tick: commits the band when its picture changed.
    void Schritt();
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

    struct Zustand;

protected:
    bool eventFilter(QObject* objekt, QEvent* ereignis) override;

private:
    explicit WaylandLeiste(Terminal& leiste, std::unique_ptr<Zustand> z);
    void lesen();
    std::unique_ptr<Zustand> z_;
};

// Puts the bar on a layer surface when the start chose that way; false
// leaves it to the caller to show the bar as a Qt window. The bar keeps the
// surface for its life.
bool LeisteAufWayland(Terminal& leiste);

} // namespace pinwick
