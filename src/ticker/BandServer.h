#pragma once
// The band's scrolling on the display server: the line of text is sent there
// tile by tile, once, through a BandAusgabe, and each step is one copy inside
// the server. A tile of the line holds a tile's width of it and the band's
// width beyond, so the band always lies within one tile. Only the tile in
// view and the one about to come are kept.
//
// While the server shows the band, what Qt keeps of it is out of date: an
// expose of the window has the band painted afresh by Qt first.

#include "BandLayout.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWindow>
#include <cstdint>
#include <memory>
#include <vector>

class QImage;
class QWidget;

namespace pinwick {

class BandAusgabe;

class BandServer : public QObject {
public:
    // For the band `band`; without an output every step is left to Qt.
    BandServer(QWidget& band, std::unique_ptr<BandAusgabe> ausgabe);
    ~BandServer() override;

    // Shows the pass at x by copies on the server; false when it cannot (the
    // band is hidden, empty or on a window the output cannot serve, the
    // scale is fractional, or the server failed before): Qt paints then.
    bool Zeigen(BandLayout& layout, const QColor& hintergrund, double xTwips, bool scrollend);
    // Qt paints the band from here on; the window no longer shows the copy.
    void QtMalt() { aufServer_ = false; }
    // Whether the last step went to the server.
    bool AufServer() const { return aufServer_; }
    // Frees the tiles on the server (a new layout or look).
    void Leeren();

    // The tiles kept on the server: their number and device pixels.
    int KachelAnzahl() const { return int(kacheln_.size()); }
    qint64 KachelPixel() const;
    // Tiles rendered, tiles sent, and steps shown by copies.
    qint64 Gemalt() const { return gemalt_; }
    qint64 Hochgeladen() const { return hochgeladen_; }
    qint64 Schritte() const { return schritte_; }

protected:
    bool eventFilter(QObject* objekt, QEvent* ereignis) override;

private:
    // A tile of the line on the server: the line as the band shows it, from
    // nummer * KachelBreite on, a tile's width and the band's wide.
    struct Kachel {
        qint64 nummer = 0;
        uint32_t bild = 0;
        int breite = 0; // device pixels
    };
    // Whether the band's window can show copies now; its device pixel ratio
    // and the band's width in device pixels. Forgets the tiles when they no
    // longer fit.
    bool bereit(qreal& dpr, qint64& bandDev);
    QImage zeileRendern(BandLayout& layout, const QColor& hintergrund, qint64 k, qreal dpr,
                        qint64 bandDev, bool scrollend);
    const Kachel* kachel(BandLayout& layout, const QColor& hintergrund, qint64 k, qreal dpr,
                         qint64 bandDev, bool scrollend);
    // Sends the copy of tile `k` from column `vonX` unless the window
    // already shows it.
    void kopieren(const Kachel& k, int vonX, qint64 bandDev, qreal dpr);

    QWidget& band_;
    std::unique_ptr<BandAusgabe> ausgabe_;
    std::vector<Kachel> kacheln_;
    qreal dpr_ = 0;
    int hoehe_ = 0;
    qint64 breite_ = 0;
    bool aus_ = false; // the server failed; Qt paints from here on
    bool aufServer_ = false;
    // The copy last sent: what the window shows while aufServer_ holds.
    struct Kopie {
        uint32_t bild = 0;
        int vonX = 0;
        QRect ziel;
    } letzteKopie_;
    QPointer<QWindow> beobachtet_;

    qint64 gemalt_ = 0;
    qint64 hochgeladen_ = 0;
    qint64 schritte_ = 0;
};

} // namespace pinwick
