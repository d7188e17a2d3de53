#include "Bilder.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace pinwick {

QPixmap LampenBild(bool gruen) {
    constexpr int seite = 32;
    QPixmap bild(seite, seite);
    bild.fill(QColor(192, 192, 192));
    QPainter maler(&bild);

    // The square is set into the panel: dark above and left, light below and right.
    maler.setPen(QColor(128, 128, 128));
    maler.drawLine(0, 0, seite - 1, 0);
    maler.drawLine(0, 0, 0, seite - 1);
    maler.setPen(QColor(255, 255, 255));
    maler.drawLine(1, seite - 1, seite - 1, seite - 1);
    maler.drawLine(seite - 1, 1, seite - 1, seite - 1);

    maler.setRenderHint(QPainter::Antialiasing);
    const QColor hell = gruen ? QColor(170, 255, 170) : QColor(255, 170, 170);
    const QColor mitte = gruen ? QColor(20, 200, 40) : QColor(225, 20, 20);
    const QColor dunkel = gruen ? QColor(0, 90, 10) : QColor(110, 0, 0);
    QRadialGradient licht(QPointF(12.5, 12.5), 14, QPointF(11, 11));
    licht.setColorAt(0.0, hell);
    licht.setColorAt(0.45, mitte);
    licht.setColorAt(1.0, dunkel);
    maler.setPen(QPen(QColor(60, 60, 60), 1.2));
    maler.setBrush(licht);
    maler.drawEllipse(QPointF(16, 16), 11.5, 11.5);
    return bild;
}

QPixmap AugenBild(bool durchgestrichen) {
    QPixmap bild(24, 16);
    bild.fill(Qt::transparent);
    QPainter maler(&bild);
    maler.setRenderHint(QPainter::Antialiasing);

    QPainterPath lid;
    lid.moveTo(1.5, 8);
    lid.quadTo(12, -2.5, 22.5, 8);
    lid.quadTo(12, 18.5, 1.5, 8);
    maler.setPen(QPen(QColor(40, 40, 40), 1.4));
    maler.setBrush(QColor(255, 255, 255));
    maler.drawPath(lid);

    maler.setPen(Qt::NoPen);
    maler.setBrush(QColor(40, 90, 170));
    maler.drawEllipse(QPointF(12, 8), 4.2, 4.2);
    maler.setBrush(QColor(10, 10, 10));
    maler.drawEllipse(QPointF(12, 8), 1.9, 1.9);
    maler.setBrush(QColor(255, 255, 255));
    maler.drawEllipse(QPointF(10.8, 6.8), 0.9, 0.9);

    if (durchgestrichen) {
        maler.setPen(QPen(QColor(200, 0, 0), 2.0, Qt::SolidLine, Qt::RoundCap));
        maler.drawLine(QPointF(3, 15), QPointF(21, 1));
    }
    return bild;
}

} // namespace pinwick
