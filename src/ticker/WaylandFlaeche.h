#pragma once
// The bar's layer surface: made on the output the bar docks on, anchored at
// the docking edge with its height kept free of windows, and shown with one
// buffer and one damage per commit. It also holds whether the bar takes the
// keyboard (WaylandRegeln.h: TastaturWunsch).

#include <QRect>
#include <cstdint>

struct wl_surface;
struct zwlr_layer_surface_v1;

namespace pinwick {

class LeistenAnsicht;
class WaylandVerbindung;

// Marks a rectangle of a surface (logical pixels, the buffer drawn at
// skala) as changed in its next commit, as the compositor's version allows.
void Beschaedigen(wl_surface* flaeche, uint32_t compositorVersion, const QRect& r, int skala);

class WaylandFlaeche {
public:
    // What the surface reports to the bar.
    class Hoerer {
    public:
        virtual ~Hoerer() = default;
        // The compositor gave the surface its size: all is drawn anew.
        virtual void Konfiguriert() = 0;
        // The compositor took the surface away (its output went, for one).
        virtual void Geschlossen() = 0;
    };

    WaylandFlaeche(WaylandVerbindung& verbindung, LeistenAnsicht& ansicht, Hoerer& hoerer);
    ~WaylandFlaeche();
    WaylandFlaeche(const WaylandFlaeche&) = delete;
    WaylandFlaeche& operator=(const WaylandFlaeche&) = delete;

    // A surface on the first output; none while there is no output.
    void Machen();
    void Weg();
    // Anchors, sizes and reserves the edge as the bar's layout says.
    void Verankern();

    bool Da() const { return flaeche_ != nullptr; }
    bool Konfiguriert() const { return konfiguriert_; }
    wl_surface* Oberflaeche() const { return flaeche_; }
    zwlr_layer_surface_v1* Schicht() const { return schicht_; }
    uint32_t AusgabeName() const { return ausgabeName_; }
    // The size the compositor gave (0: none yet), in logical pixels.
    int Breite() const { return breite_; }
    int Hoehe() const { return hoehe_; }
    // The scale of the output the bar is on: buffers are drawn this many
    // times finer than the surface's logical size.
    int Skala() const { return skala_; }
    void SkalaSetzen(int skala) { skala_ = skala; }

    // Marks a rectangle (logical pixels) as changed in the next commit.
    void Beschaedigen(const QRect& r);
    // Commits what is attached, at the scale given.
    void Zeigen(int skala);
    // Commits the new state when the surface has been configured.
    void Festschreiben();

    // ---- the keyboard
    // A click on the bar in click mode: the bar takes the keyboard.
    void TastaturNehmen();
    // Before a command opens a window, and when the pointer goes: the
    // keyboard goes back to the compositor, which gives it to that window.
    void TastaturHergeben();
    // The compositor gave the bar the keyboard without a click: from now on
    // the bar takes it only on one.
    void KlickModusAn();
    bool KlickModus() const { return klickModus_; }

    // The listeners on the compositor's events (in the .cpp).
    struct Hoererei;

private:
    void tastaturSetzen();

    WaylandVerbindung& verbindung_;
    LeistenAnsicht& ansicht_;
    Hoerer& hoerer_;
    wl_surface* flaeche_ = nullptr;
    zwlr_layer_surface_v1* schicht_ = nullptr;
    uint32_t ausgabeName_ = 0; // the output the surface is on (0: none)
    bool konfiguriert_ = false;
    int breite_ = 0;
    int hoehe_ = 0;
    int skala_ = 1;
    bool klickModus_ = false;
    bool tastaturNachKlick_ = false;
};

} // namespace pinwick
