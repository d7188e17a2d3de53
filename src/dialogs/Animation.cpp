#include "Animation.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace pinwick {

void Animation::Schritt() {
    QCoreApplication::processEvents();
    if (schrittMs <= 0)
        return;
    // A short local loop rather than a sleep: input and timers stay alive.
    QEventLoop warten;
    QTimer::singleShot(schrittMs, &warten, &QEventLoop::quit);
    warten.exec();
}

} // namespace pinwick
