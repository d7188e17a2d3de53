#include "EinstellungenTeile.h"

#include "EinstellungenLayout.h"
#include "Masse.h"

#include <QPainter>

namespace pinwick {

namespace {

constexpr int32_t Schwarz = 0x000000;
constexpr int32_t Grau = 0x808080;

} // namespace

int32_t AlsFarbe(const QColor& farbe) {
    return int32_t(farbe.red()) | (int32_t(farbe.green()) << 8) | (int32_t(farbe.blue()) << 16);
}

void BildPan::setBild(const QPixmap& bild) {
    bild_ = bild;
    update();
}

void BildPan::paintEvent(QPaintEvent* ereignis) {
    Panel3D::paintEvent(ereignis);
    QPainter maler(this);
    if (!isEnabled())
        maler.setOpacity(0.35);
    const QPoint ecke((width() - bild_.width()) / 2, (height() - bild_.height()) / 2);
    maler.drawPixmap(ecke + (eingesenkt() ? QPoint(1, 1) : QPoint()), bild_);
}

Panel3D* TextPanel(QWidget* eltern, const QRect& twips, Qt::Alignment ausrichtung) {
    auto* panel = new Panel3D(eltern);
    panel->setRand(false);
    panel->setDurchsichtig(true);
    panel->setAusrichtung(ausrichtung);
    panel->setGeometry(PxLage(twips));
    return panel;
}

void KnopfPanel(Panel3D* panel) {
    panel->setKlickbar(true);
    panel->setCursor(Qt::PointingHandCursor);
    QObject::connect(panel, &Panel3D::gedrueckt, panel, [panel] { panel->setEingesenkt(true); });
    QObject::connect(panel, &Panel3D::losgelassen, panel, [panel] { panel->setEingesenkt(false); });
}

void Freigeben(QWidget* element, bool an) {
    element->setEnabled(an);
    if (auto* panel = qobject_cast<Panel3D*>(element); panel && !dynamic_cast<BildPan*>(element))
        panel->setSchriftFarbe(an ? Schwarz : Grau);
}

} // namespace pinwick
