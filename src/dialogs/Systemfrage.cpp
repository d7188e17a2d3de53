#include "Systemfrage.h"

#include <QAbstractButton>

namespace pinwick {

QMessageBox::StandardButton SystemfrageZeigen(QWidget* eltern, QMessageBox::Icon symbol,
                                              const QString& text,
                                              QMessageBox::StandardButtons knoepfe) {
    QMessageBox box(symbol, QStringLiteral("Pinwick"), text, knoepfe, eltern);
    // A close request must never count as Yes.
    const QMessageBox::StandardButton flucht =
        knoepfe.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel
        : knoepfe.testFlag(QMessageBox::No)   ? QMessageBox::No
                                              : QMessageBox::Ok;
    if (knoepfe.testFlag(flucht))
        box.setEscapeButton(flucht);
    // A question over a window that stays on top has to stay on top as well,
    // or a window manager may put it beneath.
    if (eltern && eltern->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    QAbstractButton* gedrueckt = box.clickedButton();
    if (!gedrueckt)
        return flucht;
    return box.standardButton(gedrueckt);
}

} // namespace pinwick
