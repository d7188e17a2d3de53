#include "BandAusgabe.h"

#include <QGuiApplication>
#include <QSysInfo>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdlib>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#include <xcb/xcb.h>
#define PINWICK_XCB 1
#endif

namespace pinwick {

#ifdef PINWICK_XCB
namespace {

// Frees what an xcb reply function hands back.
struct CFrei {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Antwort = std::unique_ptr<T, CFrei>;

class X11 final : public BandAusgabe {
public:
    explicit X11(xcb_connection_t* c) : c_(c) {
        // Requests longer than this are cut; without the big-requests
        // extension it is 256 KB, about 30 rows of a tile.
        maxBytes_ = std::max<uint64_t>(uint64_t(xcb_get_maximum_request_length(c_)) * 4, 4096);
    }
    ~X11() override { gcFreigeben(); }

    bool Bereit(QWidget& fenster, bool& bilderUngueltig) override {
        QWindow* w = fenster.windowHandle();
        if (!w || !fenster.testAttribute(Qt::WA_WState_Created))
            return false;
        const auto id = static_cast<xcb_window_t>(w->winId());
        if (id == fenster_)
            return passt_;
        gcFreigeben();
        fenster_ = id;
        passt_ = pruefen();
        bilderUngueltig = true;
        return passt_;
    }

    uint32_t Hochladen(const QImage& bild) override {
        if (!passt_ || bild.isNull() || bild.format() != QImage::Format_RGB32 ||
            bild.bytesPerLine() != bild.width() * 4)
            return 0;
        const xcb_pixmap_t id = xcb_generate_id(c_);
        // Checked: a server out of memory says so here, and the band goes
        // back to being painted by Qt.
        const xcb_void_cookie_t frage =
            xcb_create_pixmap_checked(c_, tiefe_, id, fenster_, static_cast<uint16_t>(bild.width()),
                                      static_cast<uint16_t>(bild.height()));
        if (xcb_generic_error_t* fehler = xcb_request_check(c_, frage)) {
            std::free(fehler);
            return 0;
        }
        const uint32_t zeile = static_cast<uint32_t>(bild.bytesPerLine());
        const int zeilenJeTeil = static_cast<int>(
            std::max<uint64_t>(1, (maxBytes_ - 64) / std::max<uint32_t>(1, zeile)));
        for (int y = 0; y < bild.height(); y += zeilenJeTeil) {
            const int zeilen = std::min(zeilenJeTeil, bild.height() - y);
            xcb_put_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, id, gc_,
                          static_cast<uint16_t>(bild.width()), static_cast<uint16_t>(zeilen), 0,
                          static_cast<int16_t>(y), 0, tiefe_, zeile * uint32_t(zeilen),
                          bild.constScanLine(y));
        }
        return id;
    }

    void Freigeben(uint32_t bild) override {
        if (bild)
            xcb_free_pixmap(c_, bild);
    }

    void Kopieren(uint32_t bild, int vonX, const QRect& ziel) override {
        if (!passt_ || !bild || ziel.isEmpty())
            return;
        xcb_copy_area(c_, bild, fenster_, gc_, static_cast<int16_t>(vonX), 0,
                      static_cast<int16_t>(ziel.x()), static_cast<int16_t>(ziel.y()),
                      static_cast<uint16_t>(ziel.width()), static_cast<uint16_t>(ziel.height()));
    }

    void Senden() override { xcb_flush(c_); }

private:
    // The window's pixels must be laid out as a QImage's RGB32: 32 bits a
    // pixel, red, green and blue in the bytes Qt keeps them in.
    bool pruefen() {
        if (xcb_connection_has_error(c_))
            return false;
        Antwort<xcb_get_geometry_reply_t> geo(
            xcb_get_geometry_reply(c_, xcb_get_geometry(c_, fenster_), nullptr));
        Antwort<xcb_get_window_attributes_reply_t> attr(
            xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, fenster_), nullptr));
        if (!geo || !attr || (geo->depth != 24 && geo->depth != 32))
            return false;
        tiefe_ = geo->depth;
        const xcb_setup_t* setup = xcb_get_setup(c_);
        const bool kleinZuerst = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
        if ((setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST) != kleinZuerst)
            return false;
        bool format = false;
        for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
            if (f.data->depth == tiefe_)
                format = f.data->bits_per_pixel == 32 && f.data->scanline_pad == 32;
        if (!format)
            return false;
        const xcb_visualtype_t* visual = nullptr;
        for (auto s = xcb_setup_roots_iterator(setup); s.rem && !visual; xcb_screen_next(&s))
            for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem && !visual;
                 xcb_depth_next(&d))
                for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
                    if (v.data->visual_id == attr->visual) {
                        visual = v.data;
                        break;
                    }
        if (!visual || visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR ||
            visual->red_mask != 0xFF0000u || visual->green_mask != 0x00FF00u ||
            visual->blue_mask != 0x0000FFu)
            return false;
        gc_ = xcb_generate_id(c_);
        // Without graphics exposures: every copy would otherwise send an
        // event back, and the copies come from pictures that are whole.
        const uint32_t werte[] = {0};
        xcb_create_gc(c_, gc_, fenster_, XCB_GC_GRAPHICS_EXPOSURES, werte);
        return true;
    }

    void gcFreigeben() {
        if (gc_ && qGuiApp)
            xcb_free_gc(c_, gc_);
        gc_ = 0;
        passt_ = false;
    }

    xcb_connection_t* c_;
    uint64_t maxBytes_ = 0;
    xcb_window_t fenster_ = 0;
    xcb_gcontext_t gc_ = 0;
    uint8_t tiefe_ = 0;
    bool passt_ = false;
};

} // namespace
#endif

std::unique_ptr<BandAusgabe> X11Ausgabe() {
#ifdef PINWICK_XCB
    // PINWICK_BAND=qt leaves the band to Qt's painting on X11 as well: for
    // comparing both ways, and a way out should a server misdraw.
    if (qEnvironmentVariable("PINWICK_BAND") == QLatin1String("qt"))
        return nullptr;
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return nullptr;
    return std::make_unique<X11>(x11->connection());
#else
    return nullptr;
#endif
}

} // namespace pinwick
