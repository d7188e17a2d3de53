#include "Fortschritt.h"

#include "Hilfen.h"

#include <QPainter>

namespace pinwick::pwi {

namespace {
const QColor Ruhe(200, 208, 224);
// The fill never gets darker than this, so it stays visible on the window.
constexpr int TonTiefst = 60;
} // namespace

Fortschritt::Fortschritt(QWidget* eltern) : QWidget(eltern) {
    Zuruecksetzen();
}

void Fortschritt::Zuruecksetzen() {
    stand_ = 0;
    ton_ = 255;
    fuellung_ = QColor(0, ton_, ton_);
    hintergrund_ = Ruhe;
    update();
}

void Fortschritt::Weiter() {
    if (stand_ >= Schritte) {
        // Full: the old fill stays as the ground, a new one runs over it.
        hintergrund_ = fuellung_;
        stand_ = 0;
    }
    Erhoehen(stand_);
    Verringern(ton_);
    if (ton_ < TonTiefst)
        ton_ = 255;
    fuellung_ = QColor(0, ton_, ton_);
    update();
}

void Fortschritt::paintEvent(QPaintEvent*) {
    QPainter maler(this);
    maler.fillRect(rect(), hintergrund_);
    const int breite = width() * stand_ / Schritte;
    maler.fillRect(QRect(0, 0, breite, height()), fuellung_);
}

} // namespace pinwick::pwi
