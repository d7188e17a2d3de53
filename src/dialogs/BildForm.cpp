#include "BildForm.h"

#include <QImage>

namespace pinwick {

QBitmap FormAusBild(const QSize& groesse, const std::function<void(QPainter&)>& malen) {
    QImage bild(groesse, QImage::Format_ARGB32_Premultiplied);
    bild.fill(Qt::transparent);
    {
        QPainter maler(&bild);
        malen(maler);
    }
    return QBitmap::fromImage(bild.createAlphaMask());
}

} // namespace pinwick
