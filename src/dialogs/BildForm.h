#pragma once
// Windows that are a picture: the message box face and the bubble. They are
// frameless and translucent and paint their own picture. On X11 a desktop
// may run without a compositor, where the transparent surround would show
// as black; there the window is also cut to the opaque part of its picture.
// Other platforms always compose windows and need no cut.

#include <QPainter>
#include <QWidget>
#include <functional>

namespace pinwick {

void FormSetzen(QWidget& fenster, const std::function<void(QPainter&)>& malen);

} // namespace pinwick
