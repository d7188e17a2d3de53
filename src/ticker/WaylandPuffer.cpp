#include "WaylandPuffer.h"

#include "WaylandVerbindung.h"

#include <wayland-client.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace pinwick {

namespace {

// The compositor lets a buffer go: the buffer's own record comes as data.
void frei(void* daten, wl_buffer*) {
    static_cast<Puffervorrat::Puffer*>(daten)->belegt = false;
}
const wl_buffer_listener freiHoerer = {frei};

int anzahl(Puffervorrat::Satz s) {
    return s == Puffervorrat::Satz::Leiste ? 3 : 2;
}

} // namespace

Puffervorrat::Puffervorrat(const WaylandVerbindung& verbindung) : verbindung_(verbindung) {}

Puffervorrat::~Puffervorrat() {
    Leeren(Satz::Hinweis);
    Leeren(Satz::Menue);
    Leeren(Satz::Leiste);
}

void Puffervorrat::Leeren(Satz satz) {
    Menge& m = menge(satz);
    for (Puffer& p : m.puffer)
        wl_buffer_destroy(p.puffer);
    m.puffer.clear();
    m.zuletzt = nullptr;
    if (m.speicher)
        munmap(m.speicher, m.groesse);
    m.speicher = nullptr;
    m.groesse = 0;
    m.breite = m.hoehe = 0;
}

bool Puffervorrat::machen(Satz s, int b, int h, int dpr) {
    Leeren(s);
    const int n = anzahl(s);
    const int zeile = b * 4;
    const size_t groesse = size_t(zeile) * size_t(h);
    const int fd = memfd_create(s == Satz::Leiste  ? "pinwick-leiste"
                                : s == Satz::Menue ? "pinwick-menue"
                                                   : "pinwick-hinweis",
                                MFD_CLOEXEC);
    if (fd < 0)
        return false;
    void* speicher = MAP_FAILED;
    if (ftruncate(fd, off_t(groesse * n)) == 0)
        speicher = mmap(nullptr, groesse * n, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (speicher == MAP_FAILED) {
        close(fd);
        return false;
    }
    Menge& m = menge(s);
    // Sized once: each buffer's listener holds the address of its record.
    m.puffer.resize(size_t(n));
    wl_shm_pool* pool = wl_shm_create_pool(verbindung_.Shm(), fd, int32_t(groesse * n));
    for (int i = 0; i < n; ++i) {
        Puffer& p = m.puffer[size_t(i)];
        p.puffer = wl_shm_pool_create_buffer(pool, int32_t(groesse * i), b, h, zeile,
                                             WL_SHM_FORMAT_XRGB8888);
        wl_buffer_add_listener(p.puffer, &freiHoerer, &p);
        // XRGB8888 in memory order is what QImage calls RGB32.
        p.bild = QImage(static_cast<uchar*>(speicher) + groesse * i, b, h, zeile,
                        QImage::Format_RGB32);
        p.bild.setDevicePixelRatio(dpr);
        ++m.gemacht;
    }
    wl_shm_pool_destroy(pool);
    close(fd);
    m.speicher = speicher;
    m.groesse = groesse * n;
    m.breite = b;
    m.hoehe = h;
    m.dpr = dpr;
    return true;
}

Puffervorrat::Puffer* Puffervorrat::Freier(Satz satz, int b, int h, int dpr) {
    Menge& m = menge(satz);
    if ((b != m.breite || h != m.hoehe || dpr != m.dpr || m.puffer.empty()) &&
        !machen(satz, b, h, dpr))
        return nullptr;
    for (Puffer& p : m.puffer)
        if (!p.belegt)
            return &p;
    return nullptr;
}

void Puffervorrat::Anhaengen(Satz satz, Puffer* p, wl_surface* flaeche) {
    wl_surface_attach(flaeche, p->puffer, 0, 0);
    p->belegt = true;
    menge(satz).zuletzt = p;
}

Puffervorrat::Puffer* Puffervorrat::Zuletzt(Satz satz) const {
    return menge(satz).zuletzt;
}

const std::vector<Puffervorrat::Puffer>& Puffervorrat::Alle(Satz satz) const {
    return menge(satz).puffer;
}

} // namespace pinwick
