#include "BandServer.h"

#include "BandAusgabe.h"
#include "Masse.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace pinwick {

BandServer::BandServer(QWidget& band, std::unique_ptr<BandAusgabe> ausgabe)
    : band_(band), ausgabe_(std::move(ausgabe)) {}

BandServer::~BandServer() {
    Leeren();
}

void BandServer::Leeren() {
    if (ausgabe_)
        for (const Kachel& k : kacheln_)
            ausgabe_->Freigeben(k.bild);
    kacheln_.clear();
}

qint64 BandServer::KachelPixel() const {
    qint64 summe = 0;
    for (const Kachel& k : kacheln_)
        summe += qint64(k.breite) * hoehe_;
    return summe;
}

bool BandServer::bereit(qreal& dpr, qint64& bandDev) {
    if (!ausgabe_ || aus_ || !band_.isVisible() || band_.width() <= 0 || band_.height() <= 0)
        return false;
    QWidget* fenster = band_.window();
    QWindow* handle = fenster->windowHandle();
    if (!handle)
        return false;
    if (beobachtet_ != handle) {
        if (beobachtet_)
            beobachtet_->removeEventFilter(this);
        handle->installEventFilter(this);
        beobachtet_ = handle;
    }
    // Qt places a widget on whole device pixels only at whole scale
    // factors; at others it paints the band itself.
    dpr = band_.devicePixelRatioF();
    if (!handle->isExposed() || dpr != std::round(dpr))
        return false;
    bool ungueltig = false;
    if (!ausgabe_->Bereit(*fenster, ungueltig))
        return false;
    bandDev = static_cast<qint64>(std::ceil(band_.width() * dpr));
    if (ungueltig || dpr != dpr_ || band_.height() != hoehe_ || bandDev != breite_) {
        Leeren();
        dpr_ = dpr;
        hoehe_ = band_.height();
        breite_ = bandDev;
    }
    return true;
}

QImage BandServer::zeileRendern(BandLayout& layout, const QColor& hintergrund, qint64 k, qreal dpr,
                                qint64 bandDev, bool scrollend) {
    ++gemalt_;
    const qint64 anfang = k * BandLayout::KachelBreite;
    const qint64 ende = anfang + BandLayout::KachelBreite + bandDev;
    QImage bild(static_cast<int>(ende - anfang),
                std::max(1, static_cast<int>(std::ceil(band_.height() * dpr))),
                QImage::Format_RGB32);
    bild.setDevicePixelRatio(dpr);
    bild.fill(hintergrund);
    QPainter maler(&bild);
    layout.ZeileMalen(maler, anfang, ende, scrollend, dpr, bild.height());
    return bild;
}

const BandServer::Kachel* BandServer::kachel(BandLayout& layout, const QColor& hintergrund,
                                             qint64 k, qreal dpr, qint64 bandDev, bool scrollend) {
    for (const Kachel& vorhanden : kacheln_)
        if (vorhanden.nummer == k)
            return &vorhanden;
    const QImage bild = zeileRendern(layout, hintergrund, k, dpr, bandDev, scrollend);
    const uint32_t id = ausgabe_->Hochladen(bild);
    if (!id)
        return nullptr;
    ++hochgeladen_;
    kacheln_.push_back(Kachel{k, id, bild.width()});
    return &kacheln_.back();
}

void BandServer::kopieren(const Kachel& k, int vonX, qint64 bandDev, qreal dpr) {
    const QPoint ursprung = band_.mapTo(band_.window(), QPoint(0, 0)) * dpr;
    const QRect ziel(ursprung.x(), ursprung.y(), static_cast<int>(bandDev),
                     std::max(1, static_cast<int>(std::ceil(band_.height() * dpr))));
    // At the slowest speed the text moves a pixel every third step: the
    // window already shows this picture, and the steps between send nothing.
    if (aufServer_ && k.bild == letzteKopie_.bild && vonX == letzteKopie_.vonX &&
        ziel == letzteKopie_.ziel)
        return;
    ausgabe_->Kopieren(k.bild, vonX, ziel);
    ausgabe_->Senden();
    letzteKopie_ = {k.bild, vonX, ziel};
}

bool BandServer::Zeigen(BandLayout& layout, const QColor& hintergrund, double xTwips,
                        bool scrollend) {
    qreal dpr = 1;
    qint64 bandDev = 0;
    if (layout.Leer() || !bereit(dpr, bandDev))
        return false;
    const qint64 u = layout.Zeilenstelle(xTwips, scrollend, dpr, bandDev);
    const qint64 breite = BandLayout::KachelBreite;
    const qint64 k = u >= 0 ? u / breite : -((-u + breite - 1) / breite);
    const Kachel* gezeigt = kachel(layout, hintergrund, k, dpr, bandDev, scrollend);
    // The tile that comes into view next is rendered ahead of time.
    const qint64 naechste = layout.NaechsteZeilenkachel(k, scrollend, dpr);
    if (!gezeigt ||
        (scrollend && !kachel(layout, hintergrund, naechste, dpr, bandDev, scrollend))) {
        aus_ = true;
        Leeren();
        return false;
    }
    gezeigt = kachel(layout, hintergrund, k, dpr, bandDev, scrollend); // the list may have grown
    kopieren(*gezeigt, static_cast<int>(u - k * breite), bandDev, dpr);

    // Tiles that have scrolled out of view are not kept.
    std::erase_if(kacheln_, [&](const Kachel& t) {
        const bool gebraucht = t.nummer == k || (scrollend && t.nummer == naechste);
        if (!gebraucht)
            ausgabe_->Freigeben(t.bild);
        return !gebraucht;
    });
    aufServer_ = true;
    ++schritte_;
    return true;
}

bool BandServer::eventFilter(QObject* objekt, QEvent* ereignis) {
    if (ereignis->type() == QEvent::Expose && objekt == beobachtet_ && aufServer_)
        band_.update();
    return QObject::eventFilter(objekt, ereignis);
}

} // namespace pinwick
