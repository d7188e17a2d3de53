#pragma once
// The bar's menu as a popup of the layer surface: the compositor opens it at
// the click, over the bar, where a Qt window could only float in the middle
// of the screen. Qt's menu widget still draws it and holds its entries; it
// is never shown as a window of its own then.

#include <QObject>
#include <QPointer>
#include <QPointF>
#include <cstdint>

class QAction;
class QMenu;
struct wl_surface;
struct xdg_popup;
struct xdg_surface;

namespace pinwick {

class LeistenAnsicht;
class Puffervorrat;
class WaylandFlaeche;
class WaylandVerbindung;

// Where the pointer is, as the bar's input saw it last: the menu opens at
// it and grabs the pointer with its last press.
struct Zeigerstand {
    double x = 0, y = 0;
    wl_surface* auf = nullptr; // the surface the pointer is over
    uint32_t druckSerial = 0;  // of the last button press
};

class WaylandMenue : public QObject {
public:
    WaylandMenue(WaylandVerbindung& verbindung, WaylandFlaeche& leiste, Puffervorrat& vorrat,
                 LeistenAnsicht& ansicht, Zeigerstand& zeiger);
    ~WaylandMenue() override;

    // Whether the compositor can place the menu as the bar's popup now.
    bool Moeglich() const;
    bool Offen() const { return popup_ != nullptr; }
    wl_surface* Oberflaeche() const { return flaeche_; }
    // Opens at the pointer, below and right of it where there is room.
    void Oeffnen();
    // Destroys the popup and its buffers; the keyboard goes back unless the
    // pointer is on the bar.
    void Zu();

    // The entry under a point of the menu (nullptr: none that can be
    // chosen), lighting it, and choosing it: the menu closes, the entry's
    // command runs after the compositor's event.
    QAction* Eintrag(const QPointF& stelle) const;
    void Hervor(QAction* eintrag);
    void Waehlen(QAction* eintrag);
    // A key while the menu is open.
    void Taste(uint32_t code);

    // The listeners on the compositor's events (in the .cpp).
    struct Hoererei;

protected:
    // Shown as Qt's window (where the compositor can place no popup), the
    // menu keeps its size.
    bool eventFilter(QObject* objekt, QEvent* ereignis) override;

private:
    void zeichnen();
    QAction* nachbar(int schritt) const;

    WaylandVerbindung& verbindung_;
    WaylandFlaeche& leiste_;
    Puffervorrat& vorrat_;
    LeistenAnsicht& ansicht_;
    Zeigerstand& zeiger_;
    wl_surface* flaeche_ = nullptr;
    xdg_surface* xdg_ = nullptr;
    xdg_popup* popup_ = nullptr;
    QPointer<QAction> hervor_; // the entry under the pointer or chosen by keys
    // The menu widget, which goes before this object when the bar ends.
    QPointer<QMenu> widget_;
};

} // namespace pinwick
