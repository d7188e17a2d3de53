#pragma once
// Where the band's pictures can live on the display server. On X11 a tile of
// the rendered pass is sent to the server once, into a pixmap, and every
// scroll step is a few copy requests inside the server: no pixels travel per
// tick. Elsewhere (Wayland, the offscreen platform of the tests) there is no
// such output and Qt paints the band.

#include <QImage>
#include <QRect>
#include <cstdint>
#include <memory>

class QWidget;

namespace pinwick {

class BandAusgabe {
public:
    virtual ~BandAusgabe() = default;

    // Whether pictures can be shown in this top-level window now: it has a
    // native window with a pixel layout the pictures are made in. When the
    // window is another one than last time, `bilderUngueltig` is set: the
    // pictures kept so far may not fit it and are to be made anew.
    virtual bool Bereit(QWidget& fenster, bool& bilderUngueltig) = 0;

    // Keeps a picture (Format_RGB32, device pixels) on the server; 0 when
    // that failed.
    virtual uint32_t Hochladen(const QImage& bild) = 0;
    virtual void Freigeben(uint32_t bild) = 0;

    // Copies the picture's columns from `vonX` on, its top rows, to `ziel`
    // in the window (device pixels).
    virtual void Kopieren(uint32_t bild, int vonX, const QRect& ziel) = 0;
    // Sends what was asked for so far.
    virtual void Senden() = 0;
};

// The output through Qt's own X connection, or nullptr when the program does
// not run on the xcb platform or PINWICK_BAND=qt is set.
std::unique_ptr<BandAusgabe> X11Ausgabe();

} // namespace pinwick
