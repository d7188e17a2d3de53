#include "ImmerOben.h"

#include <QWidget>

namespace pinwick {

void ImmerObenSetzen(QWidget& fenster, bool oben) {
    if (fenster.windowFlags().testFlag(Qt::WindowStaysOnTopHint) == oben)
        return;
    const bool sichtbar = fenster.isVisible();
    fenster.setWindowFlag(Qt::WindowStaysOnTopHint, oben);
    if (sichtbar) {
        const bool ohneAktivieren = fenster.testAttribute(Qt::WA_ShowWithoutActivating);
        fenster.setAttribute(Qt::WA_ShowWithoutActivating, true);
        fenster.show();
        fenster.setAttribute(Qt::WA_ShowWithoutActivating, ohneAktivieren);
    }
}

} // namespace pinwick
