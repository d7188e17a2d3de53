#pragma once
// The bar's own connection to the Wayland compositor: the globals it binds
// (compositor, shared memory, layer-shell, xdg-shell, the seat with its
// pointer and keyboard, the outputs), and the glue to Qt's event loop that
// reads the connection's events and sends its requests. Everything bound
// here is destroyed with it, before the connection closes.
//
// The choice of the way the bar reaches the screen is made here too, before
// Qt starts: it may keep a connection for the bar.

#include "WaylandRegeln.h"

#include <QObject>
#include <cstdint>
#include <vector>

class QSocketNotifier;
struct wl_compositor;
struct wl_display;
struct wl_keyboard;
struct wl_output;
struct wl_pointer;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;

namespace pinwick {

// The way the start chose for the bar, with the connection it asked for
// layer-shell on when that way is the layer surface. A connection never
// taken is closed with it.
class LeistenPlattform {
public:
    LeistenPlattform() = default;
    LeistenPlattform(LeistenWeg weg, wl_display* verbindung) : weg_(weg), verbindung_(verbindung) {}
    ~LeistenPlattform();
    LeistenPlattform(LeistenPlattform&& andere) noexcept;
    LeistenPlattform& operator=(LeistenPlattform&& andere) noexcept;

    LeistenWeg Weg() const { return weg_; }
    // The kept connection, handed over once; nullptr afterwards or when none.
    wl_display* VerbindungNehmen();
    // Closes the kept connection when the bar does not need it.
    void Schliessen();

private:
    LeistenWeg weg_ = LeistenWeg::Sonstige;
    wl_display* verbindung_ = nullptr;
};

// Decides how the bar reaches the screen, once, before the QApplication is
// made: sets QT_QPA_PLATFORM where it has to and says once on stderr when the
// bar cannot dock. Asks the compositor for layer-shell on a connection that
// the result keeps for the bar.
LeistenPlattform LeistenWegFestlegen();

class WaylandVerbindung : public QObject {
public:
    // What the connection reports to the bar.
    class Hoerer {
    public:
        virtual ~Hoerer() = default;
        virtual void AusgabeDazu() = 0;
        // Before the output goes, and once it has gone.
        virtual void AusgabeGeht(uint32_t name) = 0;
        virtual void AusgabeGegangen() = 0;
        virtual void AusgabeSkala(uint32_t name, int skala) = 0;
        // The seat's pointer or keyboard came; it is destroyed here when it
        // goes. The listener is the hearer's.
        virtual void ZeigerDa(wl_pointer* zeiger) = 0;
        virtual void TastaturDa(wl_keyboard* tastatur) = 0;
    };

    struct Ausgabe {
        uint32_t name = 0;
        wl_output* ausgabe = nullptr;
        int skala = 1; // the output's scale factor
    };

    // Owns the connection from now on and closes it at the end.
    WaylandVerbindung(wl_display* anzeige, Hoerer& hoerer);
    ~WaylandVerbindung() override;
    // Binds the globals; false when the compositor lacks one the bar needs.
    bool Binden();

    // Reads and sends in Qt's event loop from now on.
    void Anschliessen();
    // Sends what is queued; notices a lost connection.
    void Senden();
    // Waits until the compositor has handled everything sent so far.
    void Abgleichen();
    bool Verloren() const { return verloren_; }

    wl_compositor* Compositor() const { return compositor_; }
    uint32_t CompositorVersion() const { return compositorVersion_; }
    wl_shm* Shm() const { return shm_; }
    zwlr_layer_shell_v1* Schicht() const { return schicht_; }
    uint32_t SchichtVersion() const { return schichtVersion_; }
    xdg_wm_base* XdgBasis() const { return xdgBasis_; }
    wl_seat* Sitz() const { return sitz_; }
    const std::vector<Ausgabe>& Ausgaben() const { return ausgaben_; }

    // The listeners on the compositor's events (in the .cpp).
    struct Hoererei;

private:
    void lesen();
    void verlorenMelden();
    void binden(uint32_t name, const char* schnittstelle, uint32_t version);
    void ausgabeWeg(uint32_t name);
    void geraete(uint32_t faehig);
    void skala(wl_output* ausgabe, int32_t faktor);

    wl_display* anzeige_;
    Hoerer& hoerer_;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    uint32_t compositorVersion_ = 0;
    wl_shm* shm_ = nullptr;
    zwlr_layer_shell_v1* schicht_ = nullptr;
    uint32_t schichtVersion_ = 0;
    xdg_wm_base* xdgBasis_ = nullptr;
    wl_seat* sitz_ = nullptr;
    uint32_t sitzVersion_ = 0;
    wl_pointer* zeiger_ = nullptr;
    wl_keyboard* tastatur_ = nullptr;
    std::vector<Ausgabe> ausgaben_;
    QSocketNotifier* melder_ = nullptr;
    bool verloren_ = false;
};

} // namespace pinwick
