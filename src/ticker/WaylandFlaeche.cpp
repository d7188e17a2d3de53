#include "WaylandFlaeche.h"

#include "WaylandAnsicht.h"
#include "WaylandRegeln.h"
#include "WaylandVerbindung.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include <wayland-client.h>

#include <QWidget>

#include <vector>

namespace pinwick {

void Beschaedigen(wl_surface* flaeche, uint32_t compositorVersion, const QRect& r, int skala) {
    if (compositorVersion >= 4)
        wl_surface_damage_buffer(flaeche, r.x() * skala, r.y() * skala, r.width() * skala,
                                 r.height() * skala);
    else
        wl_surface_damage(flaeche, r.x(), r.y(), r.width(), r.height());
}

struct WaylandFlaeche::Hoererei {
    static void konfigurieren(void* daten, zwlr_layer_surface_v1* ls, uint32_t serial, uint32_t b,
                              uint32_t h) {
        auto* f = static_cast<WaylandFlaeche*>(daten);
        zwlr_layer_surface_v1_ack_configure(ls, serial);
        f->konfiguriert_ = true;
        f->breite_ = static_cast<int>(b);
        f->hoehe_ = static_cast<int>(h);
        f->hoerer_.Konfiguriert();
    }
    static void geschlossen(void* daten, zwlr_layer_surface_v1*) {
        static_cast<WaylandFlaeche*>(daten)->hoerer_.Geschlossen();
    }
};

namespace {
const zwlr_layer_surface_v1_listener schichtHoerer = {WaylandFlaeche::Hoererei::konfigurieren,
                                                      WaylandFlaeche::Hoererei::geschlossen};
} // namespace

WaylandFlaeche::WaylandFlaeche(WaylandVerbindung& verbindung, LeistenAnsicht& ansicht,
                               Hoerer& hoerer)
    : verbindung_(verbindung), ansicht_(ansicht), hoerer_(hoerer) {}

WaylandFlaeche::~WaylandFlaeche() {
    Weg();
}

void WaylandFlaeche::Machen() {
    const WaylandVerbindung& v = verbindung_;
    if (flaeche_ || !v.Compositor() || !v.Schicht() || !v.Shm())
        return;
    std::vector<uint32_t> namen;
    for (const WaylandVerbindung::Ausgabe& a : v.Ausgaben())
        namen.push_back(a.name);
    const int i = AusgabeWaehlen(namen);
    if (i < 0)
        return; // no output: the bar comes with the first one
    const WaylandVerbindung::Ausgabe& ausgabe = v.Ausgaben()[size_t(i)];
    ausgabeName_ = ausgabe.name;
    skala_ = v.CompositorVersion() >= 3 ? ausgabe.skala : 1;
    flaeche_ = wl_compositor_create_surface(v.Compositor());
    schicht_ = zwlr_layer_shell_v1_get_layer_surface(v.Schicht(), flaeche_, ausgabe.ausgabe,
                                                     ZWLR_LAYER_SHELL_V1_LAYER_TOP, "pinwick");
    zwlr_layer_surface_v1_add_listener(schicht_, &schichtHoerer, this);
    // Ctrl-N and F1 after a click on the bar, without taking the keyboard
    // from other windows otherwise.
    if (v.SchichtVersion() < 4)
        klickModus_ = true;
    tastaturNachKlick_ = false;
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        schicht_, TastaturWunsch(v.SchichtVersion() >= 4, klickModus_, tastaturNachKlick_));
    Verankern();
    wl_surface_commit(flaeche_);
    verbindung_.Senden();
}

void WaylandFlaeche::Verankern() {
    if (!schicht_)
        return;
    const Verankerung v = VerankerungFuer(ansicht_.Widget()->height(), ansicht_.Unten());
    zwlr_layer_surface_v1_set_anchor(schicht_, v.anker);
    zwlr_layer_surface_v1_set_size(schicht_, v.breite, v.hoehe);
    zwlr_layer_surface_v1_set_exclusive_zone(schicht_, v.exklusiv);
}

void WaylandFlaeche::Weg() {
    if (schicht_)
        zwlr_layer_surface_v1_destroy(schicht_);
    if (flaeche_)
        wl_surface_destroy(flaeche_);
    schicht_ = nullptr;
    flaeche_ = nullptr;
    konfiguriert_ = false;
    ausgabeName_ = 0;
    verbindung_.Senden();
}

void WaylandFlaeche::Beschaedigen(const QRect& r) {
    pinwick::Beschaedigen(flaeche_, verbindung_.CompositorVersion(), r, skala_);
}

void WaylandFlaeche::Zeigen(int skala) {
    if (verbindung_.CompositorVersion() >= 3)
        wl_surface_set_buffer_scale(flaeche_, skala);
    wl_surface_commit(flaeche_);
}

void WaylandFlaeche::Festschreiben() {
    if (flaeche_) {
        wl_surface_commit(flaeche_);
        verbindung_.Senden();
    }
}

void WaylandFlaeche::tastaturSetzen() {
    if (!schicht_)
        return;
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        schicht_,
        TastaturWunsch(verbindung_.SchichtVersion() >= 4, klickModus_, tastaturNachKlick_));
    if (konfiguriert_)
        wl_surface_commit(flaeche_);
    verbindung_.Senden();
}

void WaylandFlaeche::TastaturNehmen() {
    if (klickModus_ && !tastaturNachKlick_) {
        tastaturNachKlick_ = true;
        tastaturSetzen();
    }
}

void WaylandFlaeche::TastaturHergeben() {
    if (klickModus_ && tastaturNachKlick_) {
        tastaturNachKlick_ = false;
        tastaturSetzen();
    }
}

void WaylandFlaeche::KlickModusAn() {
    klickModus_ = true;
    tastaturNachKlick_ = false;
    tastaturSetzen();
}

} // namespace pinwick
