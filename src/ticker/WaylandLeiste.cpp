#include "WaylandLeiste.h"

#include "Band.h"
#include "Panel3D.h"
#include "Terminal.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"
#include <wayland-client.h>

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSocketNotifier>
#include <QStyleHints>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace pinwick {

namespace {

// The connection the start asked for layer-shell on; the bar takes it over.
wl_display* gehalteneVerbindung = nullptr;
LeistenWeg gewaehlterWeg = LeistenWeg::Sonstige;

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

constexpr int PufferJeGroesse = 3;

} // namespace

LeistenWeg LeistenWegFestlegen() {
    Umgebung u;
    u.qpaPlattform = qEnvironmentVariable("QT_QPA_PLATFORM");
    u.xAnzeige = !qEnvironmentVariableIsEmpty("DISPLAY");
    u.waylandAnzeige = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const QString gegeben = u.qpaPlattform.trimmed().toLower();
    if (u.waylandAnzeige && (gegeben.isEmpty() || gegeben.startsWith(QLatin1String("wayland")))) {
        gehalteneVerbindung = wl_display_connect(nullptr);
        if (gehalteneVerbindung) {
            u.schichtAngeboten = schichtAngeboten(gehalteneVerbindung);
            if (!u.schichtAngeboten) {
                wl_display_disconnect(gehalteneVerbindung);
                gehalteneVerbindung = nullptr;
            }
        }
    }
    const WegWahl wahl = LeistenWegWaehlen(u);
    if (!wahl.plattform.isEmpty())
        qputenv("QT_QPA_PLATFORM", wahl.plattform.toLatin1());
    if (!wahl.hinweis.isEmpty())
        std::fprintf(stderr, "Pinwick3: %s\n", qPrintable(wahl.hinweis));
    gewaehlterWeg = wahl.weg;
    return wahl.weg;
}

struct WaylandLeiste::Zustand {
    Terminal* leiste = nullptr;
    WaylandLeiste* selbst = nullptr;
    wl_display* anzeige = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    uint32_t compositorVersion = 0;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* schicht = nullptr;
    uint32_t schichtVersion = 0;
    xdg_wm_base* xdgBasis = nullptr;
    wl_seat* sitz = nullptr;
    wl_pointer* zeiger = nullptr;
    wl_keyboard* tastatur = nullptr;

    struct Ausgabe {
        uint32_t name = 0;
        wl_output* ausgabe = nullptr;
        int skala = 1; // the output's scale factor
    };
    std::vector<Ausgabe> ausgaben;
    uint32_t ausgabeName = 0; // the output the surface is on (0: none)

    wl_surface* flaeche = nullptr;
    zwlr_layer_surface_v1* schichtFlaeche = nullptr;
    bool konfiguriert = false;
    int breite = 0; // as configured by the compositor
    int hoehe = 0;
    // The scale of the output the bar is on: buffers are drawn this many
    // times finer than the surface's logical size.
    int skala = 1;

    struct Puffer {
        wl_buffer* puffer = nullptr;
        QImage bild;
        bool belegt = false;
        uint64_t ganzStand = 0; // the whole bar drawn at this state
    };
    std::vector<Puffer> puffer;
    Puffer* letzter = nullptr; // committed last
    void* speicher = nullptr;
    size_t speicherGroesse = 0;
    int pufferBreite = 0, pufferHoehe = 0, pufferSkala = 1;

    // What was committed last: the bar changes its picture only with these.
    uint64_t ganzStand = 1;
    double bandX = 0;
    bool bandLeer = true;
    qint64 bandAuslegen = -1;
    QString datum, uhr;
    bool aktiv = true;
    bool ersterStrich = true;

    // The bar's menu as a popup of the layer surface: the compositor opens
    // it at the click, over the bar, where a Qt window could only float in
    // the middle of the screen. Qt's menu widget still draws it and holds
    // its entries; it is never shown as a window of its own then.
    struct Menue {
        wl_surface* flaeche = nullptr;
        xdg_surface* xdg = nullptr;
        xdg_popup* popup = nullptr;
        Puffer puffer[2];
        void* speicher = nullptr;
        size_t speicherGroesse = 0;
        QPointer<QAction> hervor; // the entry under the pointer or chosen by keys
        // The menu widget, which goes before this object when the bar ends.
        QPointer<QMenu> widget;
    } menue;

    // Pointer and keyboard.
    double zx = 0, zy = 0;
    wl_surface* zeigerAuf = nullptr; // the surface the pointer is over
    uint32_t druckSerial = 0;        // of the last button press, for the menu's grab
    Qt::MouseButtons tasten;
    Druck letzterDruck;
    // The keyboard (WaylandRegeln.h: TastaturWunsch): click mode, whether
    // the bar holds it after a click, and when the bar was last pressed.
    bool klickModus = false;
    bool tastaturNachKlick = false;
    QElapsedTimer stoppuhr;
    qint64 letzterDruckMs = -1;
    bool strgLinks = false, strgRechts = false;
    int andereGedrueckt = 0;

    Zaehler zaehler;
    QSocketNotifier* melder = nullptr;
    bool verloren = false;

    // ---- surfaces and buffers
    void flaecheMachen();
    void flaecheWeg();
    void verankern();
    void pufferWeg();
    // Marks a rectangle (logical pixels) as changed in the next commit.
    void beschaedigen(const QRect& r) {
        if (compositorVersion >= 4)
            wl_surface_damage_buffer(flaeche, r.x() * skala, r.y() * skala, r.width() * skala,
                                     r.height() * skala);
        else
            wl_surface_damage(flaeche, r.x(), r.y(), r.width(), r.height());
    }
    // A buffer not held by the compositor, of b x h device pixels.
    Puffer* freierPuffer(int b, int h, int dpr);
    void zeichnen(bool erzwingen);
    void senden() {
        if (!verloren && wl_display_flush(anzeige) < 0 && errno != EAGAIN)
            verlorenMelden();
    }
    void verlorenMelden() {
        if (verloren)
            return;
        verloren = true;
        if (melder)
            melder->setEnabled(false);
        std::fputs("Pinwick3: the connection to the Wayland compositor was lost; the bar is "
                   "gone.\n",
                   stderr);
    }

    // ---- the menu
    bool menueOffen() const { return menue.popup != nullptr; }
    void menueOeffnen();
    void menueZeichnen();
    void menueZu();
    // The entry under a point of the menu, or after/before the one lit
    // (schritt +1/-1); separators and disabled entries are passed over.
    QAction* menueEintrag(const QPointF& stelle) const;
    QAction* menueNachbar(int schritt) const;
    void menueHervor(QAction* eintrag);
    void menueWaehlen(QAction* eintrag);

    // ---- keyboard
    void tastaturSetzen() {
        if (!schichtFlaeche)
            return;
        zwlr_layer_surface_v1_set_keyboard_interactivity(
            schichtFlaeche, TastaturWunsch(schichtVersion >= 4, klickModus, tastaturNachKlick));
        if (konfiguriert)
            wl_surface_commit(flaeche);
        senden();
    }
    // A click on the bar in click mode: the bar takes the keyboard.
    void tastaturNehmen() {
        if (klickModus && !tastaturNachKlick) {
            tastaturNachKlick = true;
            tastaturSetzen();
        }
    }
    // Before a command opens a window, and when the pointer goes: the
    // keyboard goes back to the compositor, which gives it to that window.
    void tastaturHergeben() {
        if (klickModus && tastaturNachKlick) {
            tastaturNachKlick = false;
            tastaturSetzen();
        }
    }

    // ---- input
    void drueckenOderLoslassen(uint32_t zeit, uint32_t knopf, bool gedrueckt);
    void taste(uint32_t code, bool gedrueckt);
    void strgAus(uint32_t code, bool gedrueckt);
    // Which keys are held is known only while the bar has the keyboard: on
    // focus in and out that knowledge starts afresh.
    void tastenVergessen() {
        strgLinks = strgRechts = false;
        andereGedrueckt = 0;
    }
};

namespace {

using Z = WaylandLeiste::Zustand;

// ---- listeners: plain functions, the state comes as their data

void pufferFrei(void* daten, wl_buffer* puffer) {
    auto* z = static_cast<Z*>(daten);
    for (auto& p : z->puffer)
        if (p.puffer == puffer)
            p.belegt = false;
}
const wl_buffer_listener pufferHoerer = {pufferFrei};

void konfigurieren(void* daten, zwlr_layer_surface_v1* ls, uint32_t serial, uint32_t b,
                   uint32_t h) {
    auto* z = static_cast<Z*>(daten);
    zwlr_layer_surface_v1_ack_configure(ls, serial);
    z->konfiguriert = true;
    z->breite = static_cast<int>(b);
    z->hoehe = static_cast<int>(h);
    ++z->ganzStand;
    z->zeichnen(true);
}
void geschlossen(void* daten, zwlr_layer_surface_v1*) {
    // The compositor took the surface away (its output went, for one): a
    // new one on whatever output is first now, once this event is done.
    auto* z = static_cast<Z*>(daten);
    z->flaecheWeg();
    QTimer::singleShot(0, z->selbst, [z] {
        if (!z->flaeche)
            z->flaecheMachen();
    });
}
const zwlr_layer_surface_v1_listener schichtHoerer = {konfigurieren, geschlossen};

void zeigerRein(void* daten, wl_pointer*, uint32_t, wl_surface* f, wl_fixed_t x, wl_fixed_t y) {
    auto* z = static_cast<Z*>(daten);
    z->zeigerAuf = f;
    z->zx = wl_fixed_to_double(x);
    z->zy = wl_fixed_to_double(y);
    if (f && f == z->menue.flaeche)
        z->menueHervor(z->menueEintrag({z->zx, z->zy}));
}
void zeigerRaus(void* daten, wl_pointer*, uint32_t, wl_surface* f) {
    auto* z = static_cast<Z*>(daten);
    if (f && f == z->menue.flaeche)
        z->menueHervor(nullptr);
    z->zeigerAuf = nullptr;
    z->tasten = {};
    if (f && f == z->flaeche && !z->menueOffen())
        z->tastaturHergeben();
}
void zeigerBewegt(void* daten, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
    auto* z = static_cast<Z*>(daten);
    z->zx = wl_fixed_to_double(x);
    z->zy = wl_fixed_to_double(y);
    if (z->zeigerAuf && z->zeigerAuf == z->menue.flaeche)
        z->menueHervor(z->menueEintrag({z->zx, z->zy}));
}
void zeigerKnopf(void* daten, wl_pointer*, uint32_t serial, uint32_t zeit, uint32_t knopf,
                 uint32_t zustand) {
    auto* z = static_cast<Z*>(daten);
    const bool gedrueckt = zustand == WL_POINTER_BUTTON_STATE_PRESSED;
    if (gedrueckt)
        z->druckSerial = serial;
    if (z->zeigerAuf && z->zeigerAuf == z->menue.flaeche) {
        // An entry is chosen by letting go over it, as in Qt's menus.
        if (!gedrueckt && (knopf == BtnLinks || knopf == BtnRechts))
            z->menueWaehlen(z->menueEintrag({z->zx, z->zy}));
        return;
    }
    if (z->zeigerAuf && z->zeigerAuf != z->flaeche)
        return;
    if (gedrueckt) {
        z->letzterDruckMs = z->stoppuhr.elapsed();
        z->tastaturNehmen();
    }
    z->drueckenOderLoslassen(zeit, knopf, gedrueckt);
}
void zeigerRad(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}

wl_pointer_listener zeigerHoerer() {
    wl_pointer_listener h{};
    h.enter = zeigerRein;
    h.leave = zeigerRaus;
    h.motion = zeigerBewegt;
    h.button = zeigerKnopf;
    h.axis = zeigerRad;
    return h;
}
const wl_pointer_listener zeigerHoererFest = zeigerHoerer();

void tastaturBelegung(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) {
    // The keys the bar knows are taken by their position; the layout the
    // compositor sends is not needed.
    close(fd);
}
void tastaturRein(void* daten, wl_keyboard*, uint32_t, wl_surface*, wl_array* gedrueckt) {
    auto* z = static_cast<Z*>(daten);
    z->tastenVergessen();
    if (!z->klickModus) {
        // A compositor that gives the bar the keyboard without a click
        // would keep it from every other window: click mode then.
        const qint64 eintritt = z->stoppuhr.elapsed();
        QTimer::singleShot(300, z->selbst, [z, eintritt] {
            if (z->klickModus || !TastaturUngefragt(eintritt, z->letzterDruckMs))
                return;
            z->klickModus = true;
            z->tastaturNachKlick = false;
            z->tastaturSetzen();
        });
    }
    const auto* code = static_cast<const uint32_t*>(gedrueckt->data);
    for (size_t i = 0; i < gedrueckt->size / sizeof(uint32_t); ++i)
        z->strgAus(code[i], true);
}
void tastaturRaus(void* daten, wl_keyboard*, uint32_t, wl_surface*) {
    static_cast<Z*>(daten)->tastenVergessen();
}
void tastaturTaste(void* daten, wl_keyboard*, uint32_t, uint32_t, uint32_t code, uint32_t zustand) {
    static_cast<Z*>(daten)->taste(code, zustand == WL_KEYBOARD_KEY_STATE_PRESSED);
}
void tastaturUmschalter(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}

wl_keyboard_listener tastaturHoerer() {
    wl_keyboard_listener h{};
    h.keymap = tastaturBelegung;
    h.enter = tastaturRein;
    h.leave = tastaturRaus;
    h.key = tastaturTaste;
    h.modifiers = tastaturUmschalter;
    return h;
}
const wl_keyboard_listener tastaturHoererFest = tastaturHoerer();

void sitzFaehigkeiten(void* daten, wl_seat* sitz, uint32_t faehig) {
    auto* z = static_cast<Z*>(daten);
    const bool zeiger = faehig & WL_SEAT_CAPABILITY_POINTER;
    const bool tastatur = faehig & WL_SEAT_CAPABILITY_KEYBOARD;
    if (zeiger && !z->zeiger) {
        z->zeiger = wl_seat_get_pointer(sitz);
        wl_pointer_add_listener(z->zeiger, &zeigerHoererFest, z);
    } else if (!zeiger && z->zeiger) {
        wl_pointer_destroy(z->zeiger);
        z->zeiger = nullptr;
    }
    if (tastatur && !z->tastatur) {
        z->tastatur = wl_seat_get_keyboard(sitz);
        wl_keyboard_add_listener(z->tastatur, &tastaturHoererFest, z);
    } else if (!tastatur && z->tastatur) {
        wl_keyboard_destroy(z->tastatur);
        z->tastatur = nullptr;
    }
}
void sitzName(void*, wl_seat*, const char*) {}
const wl_seat_listener sitzHoerer = {sitzFaehigkeiten, sitzName};

void ausgabeGeometrie(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                      const char*, int32_t) {}
void ausgabeModus(void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {}
void ausgabeFertig(void*, wl_output*) {}
void ausgabeSkala(void* daten, wl_output* ausgabe, int32_t faktor) {
    auto* z = static_cast<Z*>(daten);
    for (auto& a : z->ausgaben) {
        if (a.ausgabe != ausgabe)
            continue;
        a.skala = std::clamp(int(faktor), 1, 8);
        if (a.name == z->ausgabeName && a.skala != z->skala) {
            z->skala = a.skala;
            ++z->ganzStand;
            z->zeichnen(true);
        }
    }
}
// Bound at version 2 at most: these four events come.
wl_output_listener ausgabeHoererMachen() {
    wl_output_listener h{};
    h.geometry = ausgabeGeometrie;
    h.mode = ausgabeModus;
    h.done = ausgabeFertig;
    h.scale = ausgabeSkala;
    return h;
}
const wl_output_listener ausgabeHoerer = ausgabeHoererMachen();

void basisPing(void*, xdg_wm_base* basis, uint32_t serial) {
    xdg_wm_base_pong(basis, serial);
}
const xdg_wm_base_listener basisHoerer = {basisPing};

void menueKonfigurieren(void* daten, xdg_surface* xdg, uint32_t serial) {
    auto* z = static_cast<Z*>(daten);
    xdg_surface_ack_configure(xdg, serial);
    z->menueZeichnen();
}
const xdg_surface_listener menueXdgHoerer = {menueKonfigurieren};

void popupLage(void*, xdg_popup*, int32_t, int32_t, int32_t, int32_t) {}
void popupFertig(void* daten, xdg_popup*) {
    // A click elsewhere, or the compositor refused the grab.
    static_cast<Z*>(daten)->menueZu();
}
xdg_popup_listener popupHoererMachen() {
    xdg_popup_listener h{};
    h.configure = popupLage;
    h.popup_done = popupFertig;
    return h;
}
const xdg_popup_listener popupHoerer = popupHoererMachen();

void menuePufferFrei(void* daten, wl_buffer* puffer) {
    auto* z = static_cast<Z*>(daten);
    for (auto& p : z->menue.puffer)
        if (p.puffer == puffer)
            p.belegt = false;
}
const wl_buffer_listener menuePufferHoerer = {menuePufferFrei};

void globalNeu(void* daten, wl_registry* reg, uint32_t name, const char* schnittstelle,
               uint32_t version) {
    auto* z = static_cast<Z*>(daten);
    if (std::strcmp(schnittstelle, wl_compositor_interface.name) == 0) {
        z->compositorVersion = std::min(version, 4u);
        z->compositor = static_cast<wl_compositor*>(
            wl_registry_bind(reg, name, &wl_compositor_interface, z->compositorVersion));
    } else if (std::strcmp(schnittstelle, wl_shm_interface.name) == 0) {
        z->shm = static_cast<wl_shm*>(wl_registry_bind(reg, name, &wl_shm_interface, 1));
    } else if (std::strcmp(schnittstelle, zwlr_layer_shell_v1_interface.name) == 0) {
        z->schichtVersion = std::min(version, 4u);
        z->schicht = static_cast<zwlr_layer_shell_v1*>(
            wl_registry_bind(reg, name, &zwlr_layer_shell_v1_interface, z->schichtVersion));
    } else if (std::strcmp(schnittstelle, xdg_wm_base_interface.name) == 0) {
        z->xdgBasis = static_cast<xdg_wm_base*>(
            wl_registry_bind(reg, name, &xdg_wm_base_interface, 1));
        xdg_wm_base_add_listener(z->xdgBasis, &basisHoerer, z);
    } else if (std::strcmp(schnittstelle, wl_seat_interface.name) == 0 && !z->sitz) {
        z->sitz = static_cast<wl_seat*>(
            wl_registry_bind(reg, name, &wl_seat_interface, std::min(version, 3u)));
        wl_seat_add_listener(z->sitz, &sitzHoerer, z);
    } else if (std::strcmp(schnittstelle, wl_output_interface.name) == 0) {
        auto* a = static_cast<wl_output*>(
            wl_registry_bind(reg, name, &wl_output_interface, std::min(version, 2u)));
        wl_output_add_listener(a, &ausgabeHoerer, z);
        z->ausgaben.push_back({name, a});
        // The first output to appear while the bar has none gets it.
        if (z->konfiguriert || z->flaeche || !z->schicht || !z->compositor)
            return;
        QTimer::singleShot(0, z->selbst, [z] {
            if (!z->flaeche)
                z->flaecheMachen();
        });
    }
}
void globalWeg(void* daten, wl_registry*, uint32_t name) {
    auto* z = static_cast<Z*>(daten);
    const auto it = std::find_if(z->ausgaben.begin(), z->ausgaben.end(),
                                 [name](const Z::Ausgabe& a) { return a.name == name; });
    if (it == z->ausgaben.end())
        return;
    const bool unsere = name == z->ausgabeName;
    if (unsere)
        z->flaecheWeg();
    wl_output_destroy(it->ausgabe);
    z->ausgaben.erase(it);
    if (unsere)
        z->flaecheMachen();
}
const wl_registry_listener registryHoerer = {globalNeu, globalWeg};

} // namespace

// ---- the surface

void Z::flaecheMachen() {
    if (flaeche || !compositor || !schicht || !shm)
        return;
    std::vector<uint32_t> namen;
    for (const Ausgabe& a : ausgaben)
        namen.push_back(a.name);
    const int i = AusgabeWaehlen(namen);
    if (i < 0)
        return; // no output: the bar comes with the first one
    ausgabeName = ausgaben[i].name;
    skala = compositorVersion >= 3 ? ausgaben[i].skala : 1;
    flaeche = wl_compositor_create_surface(compositor);
    schichtFlaeche = zwlr_layer_shell_v1_get_layer_surface(
        schicht, flaeche, ausgaben[i].ausgabe, ZWLR_LAYER_SHELL_V1_LAYER_TOP, "pinwick");
    zwlr_layer_surface_v1_add_listener(schichtFlaeche, &schichtHoerer, this);
    // Ctrl-N and F1 after a click on the bar, without taking the keyboard
    // from other windows otherwise.
    if (schichtVersion < 4)
        klickModus = true;
    tastaturNachKlick = false;
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        schichtFlaeche, TastaturWunsch(schichtVersion >= 4, klickModus, tastaturNachKlick));
    verankern();
    wl_surface_commit(flaeche);
    senden();
}

void Z::verankern() {
    if (!schichtFlaeche)
        return;
    const Verankerung v = VerankerungFuer(leiste->height(), leiste->Layout().leisteOben > 0);
    zwlr_layer_surface_v1_set_anchor(schichtFlaeche, v.anker);
    zwlr_layer_surface_v1_set_size(schichtFlaeche, v.breite, v.hoehe);
    zwlr_layer_surface_v1_set_exclusive_zone(schichtFlaeche, v.exklusiv);
}

void Z::flaecheWeg() {
    // The menu is a popup of the surface and goes with it.
    menueZu();
    if (schichtFlaeche)
        zwlr_layer_surface_v1_destroy(schichtFlaeche);
    if (flaeche)
        wl_surface_destroy(flaeche);
    schichtFlaeche = nullptr;
    flaeche = nullptr;
    konfiguriert = false;
    ausgabeName = 0;
    senden();
}

void Z::pufferWeg() {
    for (auto& p : puffer)
        wl_buffer_destroy(p.puffer);
    puffer.clear();
    letzter = nullptr;
    if (speicher)
        munmap(speicher, speicherGroesse);
    speicher = nullptr;
    speicherGroesse = 0;
    pufferBreite = pufferHoehe = 0;
}

Z::Puffer* Z::freierPuffer(int b, int h, int dpr) {
    if (b != pufferBreite || h != pufferHoehe || dpr != pufferSkala) {
        // A new size: a few buffers in one shared-memory file, kept until
        // the size changes again.
        pufferWeg();
        const int zeile = b * 4;
        const size_t groesse = size_t(zeile) * size_t(h);
        const int fd = memfd_create("pinwick-leiste", MFD_CLOEXEC);
        if (fd < 0)
            return nullptr;
        if (ftruncate(fd, off_t(groesse * PufferJeGroesse)) != 0) {
            close(fd);
            return nullptr;
        }
        void* m = mmap(nullptr, groesse * PufferJeGroesse, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (m == MAP_FAILED) {
            close(fd);
            return nullptr;
        }
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(groesse * PufferJeGroesse));
        for (int i = 0; i < PufferJeGroesse; ++i) {
            Puffer p;
            p.puffer = wl_shm_pool_create_buffer(pool, int32_t(groesse * i), b, h, zeile,
                                                 WL_SHM_FORMAT_XRGB8888);
            wl_buffer_add_listener(p.puffer, &pufferHoerer, this);
            // XRGB8888 in memory order is what QImage calls RGB32.
            p.bild = QImage(static_cast<uchar*>(m) + groesse * i, b, h, zeile, QImage::Format_RGB32);
            p.bild.setDevicePixelRatio(dpr);
            puffer.push_back(std::move(p));
            ++zaehler.puffer;
        }
        wl_shm_pool_destroy(pool);
        close(fd);
        speicher = m;
        speicherGroesse = groesse * PufferJeGroesse;
        pufferBreite = b;
        pufferHoehe = h;
        pufferSkala = dpr;
    }
    for (auto& p : puffer)
        if (!p.belegt)
            return &p;
    return nullptr;
}

void Z::zeichnen(bool erzwingen) {
    if (verloren || !konfiguriert || !flaeche)
        return;
    Band* band = leiste->NotizPan();
    const int b = breite > 0 ? breite : leiste->width();
    const int h = hoehe > 0 ? hoehe : leiste->height();
    if (b <= 0 || h <= 0)
        return;

    // The date, the clock, the enabled state: any change there draws the
    // whole bar; otherwise only the band, and only when it moved or changed.
    const QString d = leiste->DatumPan()->isHidden() ? QString() : leiste->DatumPan()->text();
    const QString u = leiste->UhrPan()->isHidden() ? QString() : leiste->UhrPan()->text();
    const bool aktivJetzt = band->isEnabled();
    if (d != datum || u != uhr || aktivJetzt != aktiv) {
        datum = d;
        uhr = u;
        aktiv = aktivJetzt;
        ++ganzStand;
    }
    const qint64 auslegen = band->Statistik().auslegen;
    const bool bandGleich =
        band->X() == bandX && band->Leer() == bandLeer && auslegen == bandAuslegen;
    Puffer* p = nullptr;
    const bool ganzFehlt = std::none_of(puffer.begin(), puffer.end(), [this](const Puffer& q) {
        return q.ganzStand == ganzStand;
    });
    if (!erzwingen && bandGleich && !ganzFehlt && !ersterStrich)
        return;
    p = freierPuffer(b * skala, h * skala, skala);
    if (!p) {
        // The compositor holds every buffer (it is not showing the bar right
        // now): this picture is skipped; the next tick draws the position
        // it has come to.
        ++zaehler.ohnePuffer;
        return;
    }

    const QRect bandRechteck(band->mapTo(leiste, QPoint(0, 0)), band->size());
    bool ganz = erzwingen || p->ganzStand != ganzStand || ersterStrich;
    if (ganz && !erzwingen && !ersterStrich && letzter && letzter != p &&
        letzter->ganzStand == ganzStand && letzter->bild.size() == p->bild.size()) {
        // The buffer last shown has the bar as it is now but for the band:
        // copying it is cheaper than drawing the panels again, and only the
        // band differs from what the compositor has.
        std::memcpy(p->bild.bits(), letzter->bild.constBits(), size_t(p->bild.sizeInBytes()));
        p->ganzStand = ganzStand;
        ganz = false;
    }
    if (ganz) {
        QPainter maler(&p->bild);
        maler.fillRect(p->bild.rect(), leiste->palette().color(QPalette::Window));
        maler.end();
        leiste->render(&p->bild, QPoint(0, 0), QRegion(),
                       QWidget::DrawWindowBackground | QWidget::DrawChildren);
        p->ganzStand = ganzStand;
        beschaedigen(QRect(0, 0, b, h));
        ++zaehler.ganz;
    } else {
        // The band draws itself from the tiles it keeps; straight onto the
        // buffer, without a paint event's round through the widget.
        QPainter maler(&p->bild);
        maler.translate(bandRechteck.topLeft());
        maler.setClipRect(QRect(QPoint(0, 0), bandRechteck.size()));
        band->Malen(maler);
        beschaedigen(bandRechteck);
    }
    if (compositorVersion >= 3)
        wl_surface_set_buffer_scale(flaeche, skala);
    wl_surface_attach(flaeche, p->puffer, 0, 0);
    p->belegt = true;
    letzter = p;
    wl_surface_commit(flaeche);
    ++zaehler.commits;
    ersterStrich = false;
    bandX = band->X();
    bandLeer = band->Leer();
    bandAuslegen = band->Statistik().auslegen;
    senden();
}

// ---- the menu

void Z::menueOeffnen() {
    menueZu();
    QMenu* m = leiste->KontextMen();
    menue.widget = m;
    m->ensurePolished();
    m->setActiveAction(nullptr);
    const QSize groesse = m->sizeHint();
    m->resize(groesse);
    // Below and right of the click; the compositor flips or slides it to
    // stay on the output (above the click when the bar is at the bottom).
    xdg_positioner* lage = xdg_wm_base_create_positioner(xdgBasis);
    xdg_positioner_set_size(lage, std::max(groesse.width(), 1), std::max(groesse.height(), 1));
    xdg_positioner_set_anchor_rect(lage, std::clamp(int(zx), 0, std::max(breite - 1, 0)),
                                   std::clamp(int(zy), 0, std::max(hoehe - 1, 0)), 1, 1);
    xdg_positioner_set_anchor(lage, XDG_POSITIONER_ANCHOR_BOTTOM_RIGHT);
    xdg_positioner_set_gravity(lage, XDG_POSITIONER_GRAVITY_BOTTOM_RIGHT);
    xdg_positioner_set_constraint_adjustment(
        lage, XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_X |
                  XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_Y |
                  XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_FLIP_X |
                  XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_FLIP_Y);
    menue.flaeche = wl_compositor_create_surface(compositor);
    menue.xdg = xdg_wm_base_get_xdg_surface(xdgBasis, menue.flaeche);
    xdg_surface_add_listener(menue.xdg, &menueXdgHoerer, this);
    menue.popup = xdg_surface_get_popup(menue.xdg, nullptr, lage);
    xdg_popup_add_listener(menue.popup, &popupHoerer, this);
    zwlr_layer_surface_v1_get_popup(schichtFlaeche, menue.popup);
    xdg_positioner_destroy(lage);
    // The grab closes the menu on a click anywhere else and gives it the
    // keyboard.
    if (sitz)
        xdg_popup_grab(menue.popup, sitz, druckSerial);
    wl_surface_commit(menue.flaeche);
    senden();
}

void Z::menueZeichnen() {
    QMenu* m = menue.widget;
    if (!menue.flaeche || !m || verloren)
        return;
    const int s = compositorVersion >= 3 ? skala : 1;
    const int b = std::max(m->width(), 1) * s;
    const int h = std::max(m->height(), 1) * s;
    if (!menue.speicher) {
        // Two buffers for as long as the menu is open: one may be drawn
        // while the compositor still shows the other.
        const size_t groesse = size_t(b) * 4 * size_t(h);
        const int fd = memfd_create("pinwick-menue", MFD_CLOEXEC);
        if (fd < 0)
            return;
        void* speicherNeu = MAP_FAILED;
        if (ftruncate(fd, off_t(groesse * 2)) == 0)
            speicherNeu = mmap(nullptr, groesse * 2, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (speicherNeu == MAP_FAILED) {
            close(fd);
            return;
        }
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(groesse * 2));
        for (int i = 0; i < 2; ++i) {
            Puffer& p = menue.puffer[i];
            p.puffer = wl_shm_pool_create_buffer(pool, int32_t(groesse * i), b, h, b * 4,
                                                 WL_SHM_FORMAT_XRGB8888);
            wl_buffer_add_listener(p.puffer, &menuePufferHoerer, this);
            p.bild = QImage(static_cast<uchar*>(speicherNeu) + groesse * i, b, h, b * 4,
                            QImage::Format_RGB32);
            p.bild.setDevicePixelRatio(s);
            p.belegt = false;
        }
        wl_shm_pool_destroy(pool);
        close(fd);
        menue.speicher = speicherNeu;
        menue.speicherGroesse = groesse * 2;
    }
    Puffer* p = !menue.puffer[0].belegt ? &menue.puffer[0]
                : !menue.puffer[1].belegt ? &menue.puffer[1]
                                          : nullptr;
    if (!p)
        return; // the next move of the pointer draws it
    p->bild.fill(m->palette().color(QPalette::Window));
    m->render(&p->bild, QPoint(0, 0), QRegion(),
              QWidget::DrawWindowBackground | QWidget::DrawChildren);
    if (compositorVersion >= 3)
        wl_surface_set_buffer_scale(menue.flaeche, s);
    wl_surface_attach(menue.flaeche, p->puffer, 0, 0);
    p->belegt = true;
    if (compositorVersion >= 4)
        wl_surface_damage_buffer(menue.flaeche, 0, 0, b, h);
    else
        wl_surface_damage(menue.flaeche, 0, 0, b / s, h / s);
    wl_surface_commit(menue.flaeche);
    senden();
}

void Z::menueZu() {
    if (!menue.flaeche)
        return;
    if (zeigerAuf == menue.flaeche)
        zeigerAuf = nullptr;
    xdg_popup_destroy(menue.popup);
    xdg_surface_destroy(menue.xdg);
    wl_surface_destroy(menue.flaeche);
    for (Puffer& p : menue.puffer) {
        if (p.puffer)
            wl_buffer_destroy(p.puffer);
        p = Puffer{};
    }
    if (menue.speicher)
        munmap(menue.speicher, menue.speicherGroesse);
    if (menue.widget)
        menue.widget->setActiveAction(nullptr);
    menue = Menue{};
    if (zeigerAuf != flaeche)
        tastaturHergeben();
    senden();
}

QAction* Z::menueEintrag(const QPointF& stelle) const {
    QAction* a = leiste->KontextMen()->actionAt(stelle.toPoint());
    return a && !a->isSeparator() && a->isEnabled() && a->isVisible() ? a : nullptr;
}

QAction* Z::menueNachbar(int schritt) const {
    const QList<QAction*> eintraege = leiste->KontextMen()->actions();
    std::vector<bool> waehlbar;
    int jetzt = -1;
    for (int i = 0; i < eintraege.size(); ++i) {
        QAction* a = eintraege[i];
        waehlbar.push_back(!a->isSeparator() && a->isEnabled() && a->isVisible());
        if (a == menue.hervor)
            jetzt = i;
    }
    const int i = MenueNachbar(waehlbar, jetzt, schritt);
    return i < 0 ? nullptr : eintraege[i];
}

void Z::menueHervor(QAction* eintrag) {
    if (eintrag == menue.hervor)
        return;
    menue.hervor = eintrag;
    leiste->KontextMen()->setActiveAction(eintrag);
    menueZeichnen();
}

void Z::menueWaehlen(QAction* eintrag) {
    if (!eintrag)
        return; // over a separator or a disabled entry the menu stays
    menueZu();
    tastaturHergeben();
    // The command may open a modal window: not from inside the
    // compositor's event.
    QTimer::singleShot(0, selbst, [e = QPointer<QAction>(eintrag)] {
        if (e)
            e->trigger();
    });
}

// ---- input, handed to the bar's widgets as Qt events

void Z::drueckenOderLoslassen(uint32_t zeit, uint32_t knopf, bool gedrueckt) {
    Qt::MouseButton qknopf = Qt::NoButton;
    if (knopf == BtnLinks)
        qknopf = Qt::LeftButton;
    else if (knopf == BtnRechts)
        qknopf = Qt::RightButton;
    else if (knopf == BtnMitte)
        qknopf = Qt::MiddleButton;
    else
        return;
    if (gedrueckt)
        tasten |= qknopf;
    else
        tasten &= ~Qt::MouseButtons(qknopf);

    // What Qt does with clicks on its own windows: a click outside an open
    // menu only closes it, and while a modal window is open the bar takes
    // no clicks.
    if (gedrueckt) {
        if (menueOffen()) {
            menueZu();
            return;
        }
        if (QWidget* offen = QApplication::activePopupWidget()) {
            offen->close();
            return;
        }
    }
    if (QApplication::activeModalWidget())
        return;
    // The right button opens the menu as the bar's popup where the
    // compositor can place one; otherwise the bar opens Qt's menu window.
    if (gedrueckt && qknopf == Qt::RightButton && xdgBasis && schichtFlaeche &&
        leiste->KontextMen()->isEnabled()) {
        menueOeffnen();
        return;
    }

    const QPoint stelle{int(zx), int(zy)};
    QWidget* ziel = leiste->childAt(stelle);
    if (!ziel)
        ziel = leiste;
    const QPointF lokal = QPointF(ziel->mapFrom(leiste, stelle)) + QPointF(zx - stelle.x(), zy - stelle.y());
    const QPointF global = QPointF(leiste->geometry().topLeft()) + QPointF(zx, zy);
    const Qt::KeyboardModifiers umschalter =
        (strgLinks || strgRechts) ? Qt::ControlModifier : Qt::NoModifier;

    QMouseEvent ereignis(gedrueckt ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, lokal,
                         global, qknopf, tasten, umschalter);
    QApplication::sendEvent(ziel, &ereignis);
    if (gedrueckt && qknopf == Qt::LeftButton) {
        const Druck jetzt{zeit, zx, zy, true};
        if (Doppelklick(letzterDruck, jetzt, QGuiApplication::styleHints()->mouseDoubleClickInterval(),
                        QGuiApplication::styleHints()->mouseDoubleClickDistance())) {
            tastaturHergeben(); // the administration it opens takes the keyboard
            QMouseEvent doppel(QEvent::MouseButtonDblClick, lokal, global, qknopf, tasten,
                               umschalter);
            QApplication::sendEvent(ziel, &doppel);
            letzterDruck = {}; // a third press starts anew
        } else {
            letzterDruck = jetzt;
        }
    }
}

void Z::strgAus(uint32_t code, bool gedrueckt) {
    if (code == KeyLinksStrg)
        strgLinks = gedrueckt;
    else if (code == KeyRechtsStrg)
        strgRechts = gedrueckt;
    else if (code == KeyLinksUmschalt || code == KeyRechtsUmschalt || code == KeyLinksAlt ||
             code == KeyRechtsAlt || code == KeyLinksMeta || code == KeyRechtsMeta)
        andereGedrueckt = std::max(0, andereGedrueckt + (gedrueckt ? 1 : -1));
}

void Z::taste(uint32_t code, bool gedrueckt) {
    strgAus(code, gedrueckt);
    if (menueOffen()) {
        // While the menu is open the keys are the menu's.
        if (!gedrueckt)
            return;
        switch (MenueTasteDeuten(code)) {
        case MenueTaste::Zu:
            menueZu();
            break;
        case MenueTaste::Hoch:
            menueHervor(menueNachbar(-1));
            break;
        case MenueTaste::Runter:
            menueHervor(menueNachbar(1));
            break;
        case MenueTaste::Waehlen:
            menueWaehlen(menue.hervor);
            break;
        case MenueTaste::Keine:
            break;
        }
        return;
    }
    if (!gedrueckt || QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return;
    const bool strg = strgLinks || strgRechts;
    const TastenBefehl befehl = TasteDeuten(code, strg, andereGedrueckt > 0);
    if (befehl != TastenBefehl::Keiner)
        tastaturHergeben(); // the window the command opens takes the keyboard
    switch (befehl) {
    case TastenBefehl::NeueNotiz: {
        QKeyEvent e(QEvent::KeyPress, Qt::Key_N, Qt::ControlModifier, QStringLiteral("\x0e"));
        QApplication::sendEvent(leiste, &e);
        break;
    }
    case TastenBefehl::Hilfe: {
        QKeyEvent e(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(leiste, &e);
        break;
    }
    case TastenBefehl::Keiner:
        break;
    }
}

// ---- the object

WaylandLeiste::WaylandLeiste(Terminal& leiste, std::unique_ptr<Zustand> z)
    : QObject(&leiste), z_(std::move(z)) {
    z_->leiste = &leiste;
    z_->selbst = this;
}

std::unique_ptr<WaylandLeiste> WaylandLeiste::Oeffnen(Terminal& leiste) {
    wl_display* anzeige = gehalteneVerbindung;
    gehalteneVerbindung = nullptr;
    if (!anzeige)
        anzeige = wl_display_connect(nullptr);
    if (!anzeige)
        return nullptr;
    auto z = std::make_unique<Zustand>();
    z->anzeige = anzeige;
    z->stoppuhr.start();
    std::unique_ptr<WaylandLeiste> w(new WaylandLeiste(leiste, std::move(z)));
    Zustand* zs = w->z_.get();
    zs->registry = wl_display_get_registry(anzeige);
    wl_registry_add_listener(zs->registry, &registryHoerer, zs);
    // Globals first, then what binding them sent (the seat's abilities).
    wl_display_roundtrip(anzeige);
    wl_display_roundtrip(anzeige);
    if (!zs->compositor || !zs->shm || !zs->schicht)
        return nullptr;

    zs->melder = new QSocketNotifier(wl_display_get_fd(anzeige), QSocketNotifier::Read, w.get());
    connect(zs->melder, &QSocketNotifier::activated, w.get(), [p = w.get()] { p->lesen(); });
    // Requests made anywhere on this connection leave before the thread
    // sleeps; events read along with others are handled then too.
    if (auto* verteiler = QAbstractEventDispatcher::instance())
        connect(verteiler, &QAbstractEventDispatcher::aboutToBlock, w.get(), [zs] {
            if (zs->verloren)
                return;
            wl_display_dispatch_pending(zs->anzeige);
            zs->senden();
        });
    // The menu has no Qt window to hang from as a popup, so it is a window
    // of its own: of a fixed size, which the compositor floats (and
    // centres) rather than tiling it across the screen.
    leiste.KontextMen()->installEventFilter(w.get());
    zs->flaecheMachen();
    return w;
}

WaylandLeiste::~WaylandLeiste() {
    Zustand& z = *z_;
    z.flaecheWeg();
    z.pufferWeg();
    for (auto& a : z.ausgaben)
        wl_output_destroy(a.ausgabe);
    if (z.xdgBasis)
        xdg_wm_base_destroy(z.xdgBasis);
    if (z.zeiger)
        wl_pointer_destroy(z.zeiger);
    if (z.tastatur)
        wl_keyboard_destroy(z.tastatur);
    if (z.sitz)
        wl_seat_destroy(z.sitz);
    if (z.schicht)
        zwlr_layer_shell_v1_destroy(z.schicht);
    if (z.shm)
        wl_shm_destroy(z.shm);
    if (z.compositor)
        wl_compositor_destroy(z.compositor);
    if (z.registry)
        wl_registry_destroy(z.registry);
    wl_display_disconnect(z.anzeige);
}

bool WaylandLeiste::eventFilter(QObject* objekt, QEvent* ereignis) {
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

void WaylandLeiste::lesen() {
    // Reads what has come without ever waiting: the user interface must not
    // hang on the compositor should the socket have nothing after all.
    Zustand& z = *z_;
    if (z.verloren)
        return;
    while (wl_display_prepare_read(z.anzeige) != 0)
        if (wl_display_dispatch_pending(z.anzeige) < 0) {
            z.verlorenMelden();
            return;
        }
    wl_display_flush(z.anzeige);
    pollfd pf{wl_display_get_fd(z.anzeige), POLLIN, 0};
    if (poll(&pf, 1, 0) > 0 && (pf.revents & POLLIN)) {
        if (wl_display_read_events(z.anzeige) < 0) {
            z.verlorenMelden();
            return;
        }
    } else {
        wl_display_cancel_read(z.anzeige);
        if (pf.revents & (POLLHUP | POLLERR)) {
            z.verlorenMelden();
            return;
        }
    }
    if (wl_display_dispatch_pending(z.anzeige) < 0)
        z.verlorenMelden();
}

void WaylandLeiste::Layout() {
    ++z_->ganzStand;
    z_->verankern();
    if (z_->flaeche) {
        wl_surface_commit(z_->flaeche);
        z_->senden();
    }
}

void WaylandLeiste::Schritt() {
    z_->zeichnen(false);
}

void WaylandLeiste::GanzZeichnen() {
    ++z_->ganzStand;
    z_->zeichnen(true);
}

void WaylandLeiste::Abgleichen() {
    if (!z_->verloren && wl_display_roundtrip(z_->anzeige) < 0)
        z_->verlorenMelden();
}

bool WaylandLeiste::Bereit() const {
    return z_->konfiguriert && z_->flaeche;
}

const WaylandLeiste::Zaehler& WaylandLeiste::Statistik() const {
    return z_->zaehler;
}

bool LeisteAufWayland(Terminal& leiste) {
    if (gewaehlterWeg != LeistenWeg::WaylandSchicht ||
        QGuiApplication::platformName() != QLatin1String("wayland")) {
        if (gehalteneVerbindung)
            wl_display_disconnect(gehalteneVerbindung);
        gehalteneVerbindung = nullptr;
        return false;
    }
    std::unique_ptr<WaylandLeiste> w = WaylandLeiste::Oeffnen(leiste);
    if (!w) {
        std::fputs("Pinwick3: the bar could not get a layer surface; it is an ordinary window.\n",
                   stderr);
        return false;
    }
    WaylandLeiste* roh = w.release(); // the bar owns it as its child
    leiste.nachLayout = [roh] { roh->Layout(); };
    leiste.nachTick = [roh] { roh->Schritt(); };
    roh->GanzZeichnen();
    return true;
}

} // namespace pinwick
