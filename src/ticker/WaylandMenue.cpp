#include "WaylandMenue.h"

#include "WaylandAnsicht.h"
#include "WaylandFlaeche.h"
#include "WaylandPuffer.h"
#include "WaylandRegeln.h"
#include "WaylandVerbindung.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"
#include <wayland-client.h>

#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace pinwick {

struct WaylandMenue::Hoererei {
    static void konfigurieren(void* daten, xdg_surface* xdg, uint32_t serial) {
        xdg_surface_ack_configure(xdg, serial);
        static_cast<WaylandMenue*>(daten)->zeichnen();
    }
    static void lage(void*, xdg_popup*, int32_t, int32_t, int32_t, int32_t) {}
    static void fertig(void* daten, xdg_popup*) {
        // A click elsewhere, or the compositor refused the grab.
        static_cast<WaylandMenue*>(daten)->Zu();
    }
    static xdg_popup_listener popupHoerer() {
        xdg_popup_listener h{};
        h.configure = lage;
        h.popup_done = fertig;
        return h;
    }
};

namespace {
const xdg_surface_listener xdgHoerer = {WaylandMenue::Hoererei::konfigurieren};
const xdg_popup_listener popupHoerer = WaylandMenue::Hoererei::popupHoerer();
} // namespace

WaylandMenue::WaylandMenue(WaylandVerbindung& verbindung, WaylandFlaeche& leiste,
                           Puffervorrat& vorrat, LeistenAnsicht& ansicht, Zeigerstand& zeiger)
    : verbindung_(verbindung), leiste_(leiste), vorrat_(vorrat), ansicht_(ansicht),
      zeiger_(zeiger) {
    // The menu has no Qt window to hang from as a popup, so it is a window
    // of its own: of a fixed size, which the compositor floats (and
    // centres) rather than tiling it across the screen.
    ansicht_.Menue()->installEventFilter(this);
}

WaylandMenue::~WaylandMenue() {
    Zu();
}

bool WaylandMenue::Moeglich() const {
    return verbindung_.XdgBasis() && leiste_.Schicht();
}

void WaylandMenue::Oeffnen() {
    Zu();
    QMenu* m = ansicht_.Menue();
    widget_ = m;
    m->ensurePolished();
    m->setActiveAction(nullptr);
    const QSize groesse = m->sizeHint();
    m->resize(groesse);
    // Below and right of the click; the compositor flips or slides it to
    // stay on the output (above the click when the bar is at the bottom).
    xdg_positioner* lage = xdg_wm_base_create_positioner(verbindung_.XdgBasis());
    xdg_positioner_set_size(lage, std::max(groesse.width(), 1), std::max(groesse.height(), 1));
    xdg_positioner_set_anchor_rect(lage, std::clamp(int(zeiger_.x), 0, std::max(leiste_.Breite() - 1, 0)),
                                   std::clamp(int(zeiger_.y), 0, std::max(leiste_.Hoehe() - 1, 0)), 1,
                                   1);
    xdg_positioner_set_anchor(lage, XDG_POSITIONER_ANCHOR_BOTTOM_RIGHT);
    xdg_positioner_set_gravity(lage, XDG_POSITIONER_GRAVITY_BOTTOM_RIGHT);
    xdg_positioner_set_constraint_adjustment(
        lage, XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_X |
                  XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_Y |
                  XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_FLIP_X |
                  XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_FLIP_Y);
    flaeche_ = wl_compositor_create_surface(verbindung_.Compositor());
    xdg_ = xdg_wm_base_get_xdg_surface(verbindung_.XdgBasis(), flaeche_);
    xdg_surface_add_listener(xdg_, &xdgHoerer, this);
    popup_ = xdg_surface_get_popup(xdg_, nullptr, lage);
    xdg_popup_add_listener(popup_, &popupHoerer, this);
    zwlr_layer_surface_v1_get_popup(leiste_.Schicht(), popup_);
    xdg_positioner_destroy(lage);
    // The grab closes the menu on a click anywhere else and gives it the
    // keyboard.
    if (verbindung_.Sitz())
        xdg_popup_grab(popup_, verbindung_.Sitz(), zeiger_.druckSerial);
    wl_surface_commit(flaeche_);
    verbindung_.Senden();
}

void WaylandMenue::zeichnen() {
    QMenu* m = widget_;
    if (!flaeche_ || !m || verbindung_.Verloren())
        return;
    const int s = verbindung_.CompositorVersion() >= 3 ? leiste_.Skala() : 1;
    const int b = std::max(m->width(), 1);
    const int h = std::max(m->height(), 1);
    Puffervorrat::Puffer* p = vorrat_.Freier(Puffervorrat::Satz::Menue, b * s, h * s, s);
    if (!p)
        return; // the next move of the pointer draws it
    p->bild.fill(m->palette().color(QPalette::Window));
    m->render(&p->bild, QPoint(0, 0), QRegion(),
              QWidget::DrawWindowBackground | QWidget::DrawChildren);
    if (verbindung_.CompositorVersion() >= 3)
        wl_surface_set_buffer_scale(flaeche_, s);
    vorrat_.Anhaengen(Puffervorrat::Satz::Menue, p, flaeche_);
    Beschaedigen(flaeche_, verbindung_.CompositorVersion(), QRect(0, 0, b, h), s);
    wl_surface_commit(flaeche_);
    verbindung_.Senden();
}

void WaylandMenue::Zu() {
    if (!flaeche_)
        return;
    if (zeiger_.auf == flaeche_)
        zeiger_.auf = nullptr;
    // The popup before its surface, the surface before its buffers.
    xdg_popup_destroy(popup_);
    xdg_surface_destroy(xdg_);
    wl_surface_destroy(flaeche_);
    popup_ = nullptr;
    xdg_ = nullptr;
    flaeche_ = nullptr;
    vorrat_.Leeren(Puffervorrat::Satz::Menue);
    if (widget_)
        widget_->setActiveAction(nullptr);
    widget_ = nullptr;
    hervor_ = nullptr;
    if (zeiger_.auf != leiste_.Oberflaeche())
        leiste_.TastaturHergeben();
    verbindung_.Senden();
}

QAction* WaylandMenue::Eintrag(const QPointF& stelle) const {
    QAction* a = ansicht_.Menue()->actionAt(stelle.toPoint());
    return a && !a->isSeparator() && a->isEnabled() && a->isVisible() ? a : nullptr;
}

QAction* WaylandMenue::nachbar(int schritt) const {
    const QList<QAction*> eintraege = ansicht_.Menue()->actions();
    std::vector<bool> waehlbar;
    int jetzt = -1;
    for (int i = 0; i < eintraege.size(); ++i) {
        QAction* a = eintraege[i];
        waehlbar.push_back(!a->isSeparator() && a->isEnabled() && a->isVisible());
        if (a == hervor_)
            jetzt = i;
    }
    const int i = MenueNachbar(waehlbar, jetzt, schritt);
    return i < 0 ? nullptr : eintraege[i];
}

void WaylandMenue::Hervor(QAction* eintrag) {
    if (eintrag == hervor_)
        return;
    hervor_ = eintrag;
    ansicht_.Menue()->setActiveAction(eintrag);
    zeichnen();
}

void WaylandMenue::Waehlen(QAction* eintrag) {
    if (!eintrag)
        return; // over a separator or a disabled entry the menu stays
    Zu();
    leiste_.TastaturHergeben();
    // The command may open a modal window: not from inside the
    // compositor's event.
    QTimer::singleShot(0, this, [e = QPointer<QAction>(eintrag)] {
        if (e)
            e->trigger();
    });
}

void WaylandMenue::Taste(uint32_t code) {
    switch (MenueTasteDeuten(code)) {
    case MenueTaste::Zu:
        Zu();
        break;
    case MenueTaste::Hoch:
        Hervor(nachbar(-1));
        break;
    case MenueTaste::Runter:
        Hervor(nachbar(1));
        break;
    case MenueTaste::Waehlen:
        Waehlen(hervor_);
        break;
    case MenueTaste::Keine:
        break;
    }
}

bool WaylandMenue::eventFilter(QObject* objekt, QEvent* ereignis) {
    auto* menue = qobject_cast<QWidget*>(objekt);
    if (menue && ereignis->type() == QEvent::Show)
        menue->setFixedSize(menue->size());
    else if (menue && ereignis->type() == QEvent::Hide) {
        // Its entries may change before it opens again.
        menue->setMinimumSize(0, 0);
        menue->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    return QObject::eventFilter(objekt, ereignis);
}

} // namespace pinwick
