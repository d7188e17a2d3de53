#include "Band.h"

#include "Masse.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace pinwick {

namespace {
// Width of one rendered picture of the pass, in device pixels. Passes can be
// far wider than any screen (notes have no length limit); pictures of a fixed
// width keep each one within what the paint engines handle.
constexpr int StueckBildBreite = 2048;
} // namespace

Band::Band(QWidget* eltern) : QWidget(eltern) {
    // Everything is painted here, opaque, every tick: spare Qt the erasing.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void Band::Aussehen(const QFont& schrift, const QColor& hintergrund, const QColor& eigene,
                    const QColor& broadcast, int textObenTwips) {
    if (schrift == schrift_ && hintergrund == hintergrund_ && eigene == eigene_ &&
        broadcast == broadcast_ && textObenTwips == textObenTwips_)
        return;
    schrift_ = schrift;
    hintergrund_ = hintergrund;
    eigene_ = eigene;
    broadcast_ = broadcast;
    textObenTwips_ = textObenTwips;
    passGueltig_ = false;
    bilder_.clear();
    if (!leer_)
        vorbereiten(eintraege_, trenner_, passScrollend_);
    update();
}

int Band::TextBreite(const QString& text) const {
    return Twips(QFontMetrics(schrift_).horizontalAdvance(text));
}

bool Band::vorbereiten(const std::vector<Eintrag>& eintraege, const QString& trenner,
                       bool scrollend) {
    if (passGueltig_ && scrollend == passScrollend_ && trenner == trenner_ &&
        eintraege == eintraege_)
        return false;
    eintraege_ = eintraege;
    trenner_ = trenner;
    passScrollend_ = scrollend;
    passGueltig_ = true;
    bilder_.clear();

    // Each run is measured on its own and the next one starts where the
    // advance of the previous one ends, so the pass looks the same whether
    // it is drawn in one go or in pieces.
    const QFontMetrics fm(schrift_);
    const QString trennStueck = trenner + u' ';
    const int trennBreite = fm.horizontalAdvance(trennStueck);
    stuecke_.clear();
    int links = 0;
    for (size_t i = 0; i < eintraege.size(); ++i) {
        Stueck s;
        s.text = eintraege[i].text + u' ';
        s.broadcastFarbe = eintraege[i].quelle != Eintrag::Eigene;
        s.links = links;
        s.breite = fm.horizontalAdvance(s.text);
        links += s.breite;
        stuecke_.push_back(std::move(s));
        // Static text ends with its last entry; scrolling text needs the
        // separator there too, before the repetition begins.
        if (i + 1 < eintraege.size() || scrollend) {
            stuecke_.push_back(Stueck{trennStueck, false, links, trennBreite});
            links += trennBreite;
        }
    }
    passBreitePx_ = links;
    return true;
}

void Band::Zeigen(const std::vector<Eintrag>& eintraege, const QString& trenner, bool scrollend,
                  double xTwips) {
    const bool neu = vorbereiten(eintraege, trenner, scrollend);
    if (!neu && !leer_ && scrollend == scrollend_ && xTwips == x_)
        return;
    leer_ = false;
    scrollend_ = scrollend;
    x_ = xTwips;
    update();
}

void Band::Leeren() {
    if (leer_)
        return;
    leer_ = true;
    update();
}

void Band::rendern(qreal dpr) {
    bilder_.clear();
    bilderDpr_ = dpr;
    bilderHoehe_ = height();
    const int passDev = static_cast<int>(std::ceil(passBreitePx_ * dpr));
    const int hoeheDev = std::max(1, static_cast<int>(std::ceil(height() * dpr)));
    if (passDev <= 0)
        return;

    const QFontMetrics fm(schrift_);
    // The text's top on a whole device pixel keeps it crisp.
    const qreal oben = std::round(textObenTwips_ / double(TwipsJePixel) * dpr) / dpr;
    const qreal grundlinie = oben + fm.ascent();
    // Italic and some glyphs reach past their advance; pieces are drawn into
    // a picture when they come this close to it.
    const int ueberhang = fm.height();

    for (int start = 0; start < passDev; start += StueckBildBreite) {
        const int breite = std::min(StueckBildBreite, passDev - start);
        QPixmap bild(breite, hoeheDev);
        bild.setDevicePixelRatio(dpr);
        bild.fill(hintergrund_);
        QPainter maler(&bild);
        maler.setFont(schrift_);
        const qreal von = start / dpr;
        const qreal bis = (start + breite) / dpr;
        maler.translate(-von, 0);
        for (const Stueck& s : stuecke_) {
            if (s.links + s.breite + ueberhang < von || s.links - ueberhang > bis)
                continue;
            maler.setPen(s.broadcastFarbe ? broadcast_ : eigene_);
            maler.drawText(QPointF(s.links, grundlinie), s.text);
        }
        maler.end();
        bilder_.push_back(std::move(bild));
    }
}

void Band::mouseDoubleClickEvent(QMouseEvent* ereignis) {
    if (ereignis->button() != Qt::LeftButton) {
        // Other buttons go on to the bar, which treats them as a press.
        ereignis->ignore();
        return;
    }
    ereignis->accept();
    emit doppelKlick();
}

void Band::paintEvent(QPaintEvent*) {
    QPainter maler(this);
    maler.fillRect(rect(), hintergrund_);
    if (leer_ || stuecke_.empty())
        return;

    const qreal dpr = devicePixelRatioF();
    if (bilder_.empty() || dpr != bilderDpr_ || height() != bilderHoehe_)
        rendern(dpr);
    if (bilder_.empty())
        return;

    // Positions in device pixels, so that every copy lands on the pixel grid
    // and the repetitions join without a seam.
    const qint64 bandDev = static_cast<qint64>(std::ceil(width() * dpr));
    const qint64 passDev = static_cast<qint64>(std::llround(passBreitePx_ * dpr));
    qint64 start = std::llround(x_ / TwipsJePixel * dpr);

    const auto kachel = [&](qint64 links) {
        for (const QPixmap& bild : bilder_) {
            const qint64 breite = bild.width();
            if (links >= bandDev)
                break;
            if (links + breite > 0)
                maler.drawPixmap(QPointF(links / dpr, 0), bild);
            links += breite;
        }
    };

    if (!scrollend_) {
        kachel(start);
        return;
    }
    if (passDev <= 0)
        return;
    // Passes wholly left of the band show nothing; begin with the first one
    // that reaches into it.
    if (start + passDev <= 0)
        start += ((-start) / passDev) * passDev;
    for (; start < bandDev; start += passDev)
        kachel(start);
}

} // namespace pinwick
