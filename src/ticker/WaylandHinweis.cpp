#include "WaylandHinweis.h"

#include "Band.h"
#include "WaylandAnsicht.h"
#include "WaylandFlaeche.h"
#include "WaylandMenue.h"
#include "WaylandPuffer.h"
#include "WaylandRegeln.h"
#include "WaylandVerbindung.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"
#include <wayland-client.h>

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QToolTip>
#include <QWidget>
#include <algorithm>

namespace pinwick {

QString WidgetHinweis(QWidget* wurzel, QPoint stelle) {
    if (!wurzel)
        return {};
    QWidget* w = wurzel->childAt(stelle);
    if (!w)
        w = wurzel;
    // As Qt passes its tooltip event: from the widget under the point out
    // to its window, the first that has something to say answers.
    for (; w; w = w->isWindow() || w == wurzel ? nullptr : w->parentWidget()) {
        const QPoint lokal = w->mapFrom(wurzel, stelle);
        QString text;
        if (auto* band = qobject_cast<Band*>(w))
            text = band->HinweisBei(lokal);
        else
            text = w->toolTip();
        if (!text.isEmpty())
            return text;
    }
    return {};
}

struct WaylandHinweis::Hoererei {
    static void konfigurieren(void* daten, xdg_surface* xdg, uint32_t serial) {
        xdg_surface_ack_configure(xdg, serial);
        static_cast<WaylandHinweis*>(daten)->zeichnen();
    }
    static void lage(void*, xdg_popup*, int32_t, int32_t, int32_t, int32_t) {}
    static void fertig(void* daten, xdg_popup*) { static_cast<WaylandHinweis*>(daten)->weg(); }
    static xdg_popup_listener popupHoerer() {
        xdg_popup_listener h{};
        h.configure = lage;
        h.popup_done = fertig;
        return h;
    }
};

namespace {
const xdg_surface_listener xdgHoerer = {WaylandHinweis::Hoererei::konfigurieren};
const xdg_popup_listener popupHoerer = WaylandHinweis::Hoererei::popupHoerer();

// Room between the text and the tooltip's frame.
constexpr int Rand = 4;
} // namespace

WaylandHinweis::WaylandHinweis(WaylandVerbindung& verbindung, WaylandFlaeche& leiste,
                               Puffervorrat& vorrat, LeistenAnsicht& ansicht,
                               const WaylandMenue& menue, Zeigerstand& zeiger)
    : verbindung_(verbindung), leiste_(leiste), vorrat_(vorrat), ansicht_(ansicht), menue_(menue),
      zeiger_(zeiger) {
    warten_.setSingleShot(true);
    connect(&warten_, &QTimer::timeout, this, [this] { zeigen(); });
}

WaylandHinweis::~WaylandHinweis() {
    weg();
}

void WaylandHinweis::Bewegt() {
    const QPointF jetzt(zeiger_.x, zeiger_.y);
    if (Offen() && HinweisBleibt(da_, jetzt))
        return;
    weg();
    if (!zeiger_.auf || zeiger_.auf != leiste_.Oberflaeche()) {
        warten_.stop();
        return;
    }
    // The desktop's delay, as Qt waits it before its own tooltips.
    const int ms = QApplication::style()
                       ? QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay)
                       : 700;
    warten_.start(std::max(ms, 0));
}

void WaylandHinweis::Zu() {
    warten_.stop();
    weg();
}

void WaylandHinweis::zeigen() {
    if (Offen() || !zeiger_.auf || zeiger_.auf != leiste_.Oberflaeche() || menue_.Offen() ||
        !verbindung_.XdgBasis() || !leiste_.Schicht() || verbindung_.Verloren() ||
        QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return;
    const QPointF zeiger(zeiger_.x, zeiger_.y);
    const QString text = HinweisUmbrechen(WidgetHinweis(ansicht_.Widget(), zeiger.toPoint()));
    if (text.isEmpty())
        return;
    const QFontMetrics fm(QToolTip::font());
    const QRect umriss =
        fm.boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop, text);
    groesse_ = umriss.size().grownBy(QMargins(Rand, Rand, Rand, Rand));
    text_ = text;
    da_ = zeiger;

    const QPoint lage =
        HinweisLage(groesse_, zeiger, leiste_.Breite(), leiste_.Hoehe(), ansicht_.Unten());
    xdg_positioner* p = xdg_wm_base_create_positioner(verbindung_.XdgBasis());
    xdg_positioner_set_size(p, groesse_.width(), groesse_.height());
    xdg_positioner_set_anchor_rect(p, 0, 0, 1, 1);
    xdg_positioner_set_anchor(p, XDG_POSITIONER_ANCHOR_TOP_LEFT);
    xdg_positioner_set_gravity(p, XDG_POSITIONER_GRAVITY_BOTTOM_RIGHT);
    xdg_positioner_set_offset(p, lage.x(), lage.y());
    // Placed on the output already; the compositor slides it should the
    // output be other than the bar thought.
    xdg_positioner_set_constraint_adjustment(p, XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_X |
                                                    XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_Y);
    flaeche_ = wl_compositor_create_surface(verbindung_.Compositor());
    // No input region: the pointer goes through it to whatever is beneath.
    wl_region* nichts = wl_compositor_create_region(verbindung_.Compositor());
    wl_surface_set_input_region(flaeche_, nichts);
    wl_region_destroy(nichts);
    xdg_ = xdg_wm_base_get_xdg_surface(verbindung_.XdgBasis(), flaeche_);
    xdg_surface_add_listener(xdg_, &xdgHoerer, this);
    popup_ = xdg_surface_get_popup(xdg_, nullptr, p);
    xdg_popup_add_listener(popup_, &popupHoerer, this);
    zwlr_layer_surface_v1_get_popup(leiste_.Schicht(), popup_);
    xdg_positioner_destroy(p);
    // No grab: the pointer and the keyboard stay where they are.
    wl_surface_commit(flaeche_);
    verbindung_.Senden();
}

void WaylandHinweis::zeichnen() {
    if (!flaeche_ || verbindung_.Verloren())
        return;
    const int s = verbindung_.CompositorVersion() >= 3 ? leiste_.Skala() : 1;
    const int b = std::max(groesse_.width(), 1);
    const int h = std::max(groesse_.height(), 1);
    Puffervorrat::Puffer* puffer = vorrat_.Freier(Puffervorrat::Satz::Hinweis, b * s, h * s, s);
    if (!puffer)
        return;
    const QPalette farben = QToolTip::palette();
    {
        QPainter maler(&puffer->bild);
        maler.fillRect(QRect(0, 0, b, h), farben.color(QPalette::ToolTipBase));
        maler.setPen(farben.color(QPalette::ToolTipText));
        maler.drawRect(QRectF(0.5, 0.5, b - 1, h - 1));
        maler.setFont(QToolTip::font());
        maler.drawText(QRect(Rand, Rand, b - 2 * Rand, h - 2 * Rand), Qt::AlignLeft | Qt::AlignTop,
                       text_);
    }
    if (verbindung_.CompositorVersion() >= 3)
        wl_surface_set_buffer_scale(flaeche_, s);
    vorrat_.Anhaengen(Puffervorrat::Satz::Hinweis, puffer, flaeche_);
    Beschaedigen(flaeche_, verbindung_.CompositorVersion(), QRect(0, 0, b, h), s);
    wl_surface_commit(flaeche_);
    verbindung_.Senden();
}

void WaylandHinweis::weg() {
    text_.clear();
    if (!flaeche_)
        return;
    xdg_popup_destroy(popup_);
    xdg_surface_destroy(xdg_);
    wl_surface_destroy(flaeche_);
    popup_ = nullptr;
    xdg_ = nullptr;
    flaeche_ = nullptr;
    vorrat_.Leeren(Puffervorrat::Satz::Hinweis);
    verbindung_.Senden();
}

} // namespace pinwick
