#pragma once
// Windows that are a picture: the message box face and the bubble. They are
// frameless and translucent and paint their own picture; the mask cut from
// the same picture keeps them in shape where the desktop has no compositor
// and translucency would show as black.

#include <QBitmap>
#include <QPainter>
#include <QSize>
#include <functional>

namespace pinwick {

// The opaque part of the picture the painter function draws at this size.
QBitmap FormAusBild(const QSize& groesse, const std::function<void(QPainter&)>& malen);

} // namespace pinwick
