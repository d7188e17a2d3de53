#include "Oberflaeche.h"

#include <QApplication>

namespace pinwick {

namespace {
void systemTon() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::beep();
}
} // namespace

Oberflaeche& Oberflaeche::Von(Programm& p) {
    if (!p.fensterSchicht) {
        p.fensterSchicht = std::make_unique<Oberflaeche>();
        p.systemTon = &systemTon;
    }
    return static_cast<Oberflaeche&>(*p.fensterSchicht);
}

} // namespace pinwick
