#include "WaylandVerbindung.h"
#include "Protokoll.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"
#include <wayland-client.h>

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <utility>

namespace pinwick {

namespace {

bool schichtAngeboten(wl_display* anzeige) {
    bool gefunden = false;
    wl_registry* reg = wl_display_get_registry(anzeige);
    static const wl_registry_listener hoerer = {
        [](void* daten, wl_registry*, uint32_t, const char* name, uint32_t) {
            if (std::strcmp(name, zwlr_layer_shell_v1_interface.name) == 0)
                *static_cast<bool*>(daten) = true;
        },
        [](void*, wl_registry*, uint32_t) {},
    };
    wl_registry_add_listener(reg, &hoerer, &gefunden);
    wl_display_roundtrip(anzeige);
    wl_registry_destroy(reg);
    return gefunden;
}

void basisPing(void*, xdg_wm_base* basis, uint32_t serial) {
    xdg_wm_base_pong(basis, serial);
}
const xdg_wm_base_listener basisHoerer = {basisPing};

// The seat's devices: released where the seat's version knows how, so that
// the compositor drops them too.
void loslassen(wl_pointer* zeiger, uint32_t sitzVersion) {
    if (sitzVersion >= WL_POINTER_RELEASE_SINCE_VERSION)
        wl_pointer_release(zeiger);
    else
        wl_pointer_destroy(zeiger);
}
void loslassen(wl_keyboard* tastatur, uint32_t sitzVersion) {
    if (sitzVersion >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
        wl_keyboard_release(tastatur);
    else
        wl_keyboard_destroy(tastatur);
}

} // namespace

// ---- the choice at the start

LeistenPlattform::~LeistenPlattform() {
    Schliessen();
}

void LeistenPlattform::Schliessen() {
    if (verbindung_)
        wl_display_disconnect(std::exchange(verbindung_, nullptr));
}

LeistenPlattform::LeistenPlattform(LeistenPlattform&& andere) noexcept
    : weg_(andere.weg_), verbindung_(std::exchange(andere.verbindung_, nullptr)) {}

LeistenPlattform& LeistenPlattform::operator=(LeistenPlattform&& andere) noexcept {
    if (this != &andere) {
        Schliessen();
        weg_ = andere.weg_;
        verbindung_ = std::exchange(andere.verbindung_, nullptr);
    }
    return *this;
}

wl_display* LeistenPlattform::VerbindungNehmen() {
    return std::exchange(verbindung_, nullptr);
}

LeistenPlattform LeistenWegFestlegen() {
    Umgebung u;
    u.qpaPlattform = qEnvironmentVariable("QT_QPA_PLATFORM");
    u.xAnzeige = !qEnvironmentVariableIsEmpty("DISPLAY");
    u.waylandAnzeige = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const QString gegeben = u.qpaPlattform.trimmed().toLower();
    wl_display* verbindung = nullptr;
    if (u.waylandAnzeige && (gegeben.isEmpty() || gegeben.startsWith(QLatin1String("wayland")))) {
        verbindung = wl_display_connect(nullptr);
        if (verbindung) {
            u.schichtAngeboten = schichtAngeboten(verbindung);
            if (!u.schichtAngeboten) {
                wl_display_disconnect(verbindung);
                verbindung = nullptr;
            }
        }
    }
    const WegWahl wahl = LeistenWegWaehlen(u);
    if (!wahl.plattform.isEmpty())
        qputenv("QT_QPA_PLATFORM", wahl.plattform.toLatin1());
    if (!wahl.hinweis.isEmpty())
        qCWarning(logWayland, "%s", qPrintable(wahl.hinweis));
    return LeistenPlattform(wahl.weg, verbindung);
}

// ---- listeners: plain functions, the connection comes as their data

struct WaylandVerbindung::Hoererei {
    static WaylandVerbindung* v(void* daten) { return static_cast<WaylandVerbindung*>(daten); }
    static void globalNeu(void* daten, wl_registry*, uint32_t name, const char* schnittstelle,
                          uint32_t version) {
        v(daten)->binden(name, schnittstelle, version);
    }
    static void globalWeg(void* daten, wl_registry*, uint32_t name) {
        v(daten)->ausgabeWeg(name);
    }
    static void sitzFaehig(void* daten, wl_seat*, uint32_t faehig) { v(daten)->geraete(faehig); }
    static void sitzName(void*, wl_seat*, const char*) {}
    static void geometrie(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t,
                          const char*, const char*, int32_t) {}
    static void modus(void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {}
    static void fertig(void*, wl_output*) {}
    static void skala(void* daten, wl_output* ausgabe, int32_t faktor) {
        v(daten)->skala(ausgabe, faktor);
    }
    // Outputs are bound at version 2 at most: these four events come.
    static wl_output_listener ausgabeHoerer() {
        wl_output_listener h{};
        h.geometry = geometrie;
        h.mode = modus;
        h.done = fertig;
        h.scale = skala;
        return h;
    }
};

namespace {
using H = WaylandVerbindung;
const wl_registry_listener registryHoerer = {H::Hoererei::globalNeu, H::Hoererei::globalWeg};
const wl_seat_listener sitzHoerer = {H::Hoererei::sitzFaehig, H::Hoererei::sitzName};
const wl_output_listener ausgabeHoerer = H::Hoererei::ausgabeHoerer();
} // namespace

// ---- the globals

WaylandVerbindung::WaylandVerbindung(wl_display* anzeige, Hoerer& hoerer)
    : anzeige_(anzeige), hoerer_(hoerer) {}

bool WaylandVerbindung::Binden() {
    registry_ = wl_display_get_registry(anzeige_);
    wl_registry_add_listener(registry_, &registryHoerer, this);
    // Globals first, then what binding them sent (the seat's abilities).
    wl_display_roundtrip(anzeige_);
    wl_display_roundtrip(anzeige_);
    return compositor_ && shm_ && schicht_;
}

WaylandVerbindung::~WaylandVerbindung() {
    // The seat's devices before the seat, every global before the registry,
    // and all of them before the connection closes: libwayland frees a
    // proxy only when it is destroyed.
    if (zeiger_)
        loslassen(zeiger_, sitzVersion_);
    if (tastatur_)
        loslassen(tastatur_, sitzVersion_);
    if (sitz_)
        wl_seat_destroy(sitz_);
    for (const Ausgabe& a : ausgaben_)
        wl_output_destroy(a.ausgabe);
    if (xdgBasis_)
        xdg_wm_base_destroy(xdgBasis_);
    if (schicht_ && schichtVersion_ >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION)
        zwlr_layer_shell_v1_destroy(schicht_);
    else if (schicht_)
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(schicht_));
    if (shm_)
        wl_shm_destroy(shm_);
    if (compositor_)
        wl_compositor_destroy(compositor_);
    if (registry_)
        wl_registry_destroy(registry_);
    if (!verloren_)
        wl_display_flush(anzeige_);
    wl_display_disconnect(anzeige_);
}

void WaylandVerbindung::binden(uint32_t name, const char* schnittstelle, uint32_t version) {
    wl_registry* reg = registry_;
    if (std::strcmp(schnittstelle, wl_compositor_interface.name) == 0) {
        compositorVersion_ = std::min(version, 4u);
        compositor_ = static_cast<wl_compositor*>(
            wl_registry_bind(reg, name, &wl_compositor_interface, compositorVersion_));
    } else if (std::strcmp(schnittstelle, wl_shm_interface.name) == 0) {
        shm_ = static_cast<wl_shm*>(wl_registry_bind(reg, name, &wl_shm_interface, 1));
    } else if (std::strcmp(schnittstelle, zwlr_layer_shell_v1_interface.name) == 0) {
        schichtVersion_ = std::min(version, 4u);
        schicht_ = static_cast<zwlr_layer_shell_v1*>(
            wl_registry_bind(reg, name, &zwlr_layer_shell_v1_interface, schichtVersion_));
    } else if (std::strcmp(schnittstelle, xdg_wm_base_interface.name) == 0) {
        xdgBasis_ =
            static_cast<xdg_wm_base*>(wl_registry_bind(reg, name, &xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(xdgBasis_, &basisHoerer, this);
    } else if (std::strcmp(schnittstelle, wl_seat_interface.name) == 0 && !sitz_) {
        sitzVersion_ = std::min(version, 3u);
        sitz_ = static_cast<wl_seat*>(wl_registry_bind(reg, name, &wl_seat_interface, sitzVersion_));
        wl_seat_add_listener(sitz_, &sitzHoerer, this);
    } else if (std::strcmp(schnittstelle, wl_output_interface.name) == 0) {
        auto* a = static_cast<wl_output*>(
            wl_registry_bind(reg, name, &wl_output_interface, std::min(version, 2u)));
        wl_output_add_listener(a, &ausgabeHoerer, this);
        ausgaben_.push_back({name, a});
        hoerer_.AusgabeDazu();
    }
}

void WaylandVerbindung::ausgabeWeg(uint32_t name) {
    const auto it = std::find_if(ausgaben_.begin(), ausgaben_.end(),
                                 [name](const Ausgabe& a) { return a.name == name; });
    if (it == ausgaben_.end())
        return;
    // A surface on the output goes before it.
    hoerer_.AusgabeGeht(name);
    wl_output_destroy(it->ausgabe);
    ausgaben_.erase(it);
    hoerer_.AusgabeGegangen();
}

void WaylandVerbindung::geraete(uint32_t faehig) {
    const bool zeiger = faehig & WL_SEAT_CAPABILITY_POINTER;
    const bool tastatur = faehig & WL_SEAT_CAPABILITY_KEYBOARD;
    if (zeiger && !zeiger_) {
        zeiger_ = wl_seat_get_pointer(sitz_);
        hoerer_.ZeigerDa(zeiger_);
    } else if (!zeiger && zeiger_) {
        loslassen(zeiger_, sitzVersion_);
        zeiger_ = nullptr;
    }
    if (tastatur && !tastatur_) {
        tastatur_ = wl_seat_get_keyboard(sitz_);
        hoerer_.TastaturDa(tastatur_);
    } else if (!tastatur && tastatur_) {
        loslassen(tastatur_, sitzVersion_);
        tastatur_ = nullptr;
    }
}

void WaylandVerbindung::skala(wl_output* ausgabe, int32_t faktor) {
    for (Ausgabe& a : ausgaben_) {
        if (a.ausgabe != ausgabe)
            continue;
        a.skala = std::clamp(int(faktor), 1, 8);
        hoerer_.AusgabeSkala(a.name, a.skala);
    }
}

// ---- the event loop

void WaylandVerbindung::Anschliessen() {
    melder_ = new QSocketNotifier(wl_display_get_fd(anzeige_), QSocketNotifier::Read, this);
    connect(melder_, &QSocketNotifier::activated, this, [this] { lesen(); });
    // Requests made anywhere on this connection leave before the thread
    // sleeps; events read along with others are handled then too.
    if (auto* verteiler = QAbstractEventDispatcher::instance())
        connect(verteiler, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (verloren_)
                return;
            wl_display_dispatch_pending(anzeige_);
            Senden();
        });
}

void WaylandVerbindung::Senden() {
    if (!verloren_ && wl_display_flush(anzeige_) < 0 && errno != EAGAIN)
        verlorenMelden();
}

void WaylandVerbindung::Abgleichen() {
    if (!verloren_ && wl_display_roundtrip(anzeige_) < 0)
        verlorenMelden();
}

void WaylandVerbindung::verlorenMelden() {
    if (verloren_)
        return;
    verloren_ = true;
    if (melder_)
        melder_->setEnabled(false);
    qCWarning(logWayland, "the connection to the Wayland compositor was lost; the bar is gone.");
}

void WaylandVerbindung::lesen() {
    // Reads what has come without ever waiting: the user interface must not
    // hang on the compositor should the socket have nothing after all.
    if (verloren_)
        return;
    while (wl_display_prepare_read(anzeige_) != 0)
        if (wl_display_dispatch_pending(anzeige_) < 0) {
            verlorenMelden();
            return;
        }
    wl_display_flush(anzeige_);
    pollfd pf{wl_display_get_fd(anzeige_), POLLIN, 0};
    if (poll(&pf, 1, 0) > 0 && (pf.revents & POLLIN)) {
        if (wl_display_read_events(anzeige_) < 0) {
            verlorenMelden();
            return;
        }
    } else {
        wl_display_cancel_read(anzeige_);
        if (pf.revents & (POLLHUP | POLLERR)) {
            verlorenMelden();
            return;
        }
    }
    if (wl_display_dispatch_pending(anzeige_) < 0)
        verlorenMelden();
}

} // namespace pinwick
