#include "Animation.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <algorithm>

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

bool Animation::Schieben(QObject* fenster, int32_t& links, int32_t ziel, int32_t schritt,
                         const std::function<void(int32_t)>& setzen,
                         const std::function<bool()>& abbrechen) {
    const QPointer<QObject> selbst(fenster);
    int32_t jetzt = links;
    do {
        jetzt = std::min(jetzt + schritt, ziel);
        links = jetzt;
        setzen(jetzt);
        Schritt();
        if (!selbst)
            return false;
        if (abbrechen())
            return true;
    } while (jetzt != ziel);
    return true;
}

} // namespace pinwick
