#pragma once
// The shared-memory buffers of the bar's Wayland surfaces: one pool for the
// bar, its pop-up menu and its tooltip. Each keeps a set of a few buffers of one size in
// one memory file, made anew when its size changes, so that one buffer can
// be drawn while the compositor still shows another.

#include <QImage>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

struct wl_buffer;
struct wl_surface;

namespace pinwick {

class WaylandVerbindung;

class Puffervorrat {
public:
    struct Puffer {
        wl_buffer* puffer = nullptr;
        QImage bild; // on the shared memory, of the buffer's device pixels
        bool belegt = false; // the compositor holds it
        uint64_t stand = 0;  // what its owner last drew into it as a whole
    };
    // Whose buffers: the bar keeps three, the menu and the tooltip two.
    enum class Satz { Leiste, Menue, Hinweis };

    // Makes its buffers with the connection's shared memory.
    explicit Puffervorrat(const WaylandVerbindung& verbindung);
    ~Puffervorrat();
    Puffervorrat(const Puffervorrat&) = delete;
    Puffervorrat& operator=(const Puffervorrat&) = delete;

    // A buffer of the set that the compositor does not hold, b x h device
    // pixels drawn at dpr; at a new size the set is made anew. nullptr when
    // the compositor holds all of them or no memory could be had.
    Puffer* Freier(Satz satz, int b, int h, int dpr);
    // Attaches the buffer to the surface; it is held until the compositor
    // lets it go, and is the set's last one shown.
    void Anhaengen(Satz satz, Puffer* p, wl_surface* flaeche);
    // The set's buffer attached last, nullptr when none of this size.
    Puffer* Zuletzt(Satz satz) const;
    const std::vector<Puffer>& Alle(Satz satz) const;
    // Destroys the set's buffers and frees its memory.
    void Leeren(Satz satz);
    // The set's buffers made so far.
    long Gemacht(Satz satz) const { return menge(satz).gemacht; }

private:
    struct Menge {
        std::vector<Puffer> puffer; // never grows while it has buffers
        Puffer* zuletzt = nullptr;
        void* speicher = nullptr;
        size_t groesse = 0;
        int breite = 0, hoehe = 0, dpr = 1;
        long gemacht = 0;
    };
    Menge& menge(Satz s) { return mengen_[static_cast<size_t>(s)]; }
    const Menge& menge(Satz s) const { return mengen_[static_cast<size_t>(s)]; }
    bool machen(Satz s, int b, int h, int dpr);

    const WaylandVerbindung& verbindung_;
    std::array<Menge, 3> mengen_;
};

} // namespace pinwick
