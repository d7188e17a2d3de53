#include "BildForm.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QImage>

namespace pinwick {

void FormSetzen(QWidget& fenster, const std::function<void(QPainter&)>& malen) {
    fenster.setAttribute(Qt::WA_TranslucentBackground);
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    QImage bild(fenster.size(), QImage::Format_ARGB32_Premultiplied);
    bild.fill(Qt::transparent);
    {
        QPainter maler(&bild);
        malen(maler);
    }
    fenster.setMask(QBitmap::fromImage(bild.createAlphaMask()));
}

} // namespace pinwick
