#include "Systemfrage.h"

#include <QAbstractButton>

namespace pinwick {

QMessageBox::StandardButton SystemfrageZeigen(QWidget* eltern, QMessageBox::Icon symbol,
                                              const QString& text,
                                              QMessageBox::StandardButtons knoepfe) {
    QMessageBox box(symbol, QStringLiteral("Pinwick"), text, knoepfe, eltern);
    // A close request must never count as Yes.
    if (knoepfe.testFlag(QMessageBox::No))
        box.setEscapeButton(QMessageBox::No);
    else if (knoepfe.testFlag(QMessageBox::Ok))
        box.setEscapeButton(QMessageBox::Ok);
    if (eltern && eltern->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    QAbstractButton* gedrueckt = box.clickedButton();
    if (!gedrueckt)
        return knoepfe.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
    return box.standardButton(gedrueckt);
}

} // namespace pinwick
