#pragma once
// Questions and notices in the system message box, titled "Pinwick". Windows
// keep the asking behind a std::function, so that tests answer without a
// blocking dialog.

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace pinwick {

using Systemfrage = std::function<QMessageBox::StandardButton(
    QMessageBox::Icon symbol, const QString& text, QMessageBox::StandardButtons knoepfe)>;

// Shows the box modally over eltern and returns the button pressed. Closing
// the box by the window manager or Esc answers Cancel where the box has it,
// else No, else OK: a close request must never count as Yes.
QMessageBox::StandardButton SystemfrageZeigen(QWidget* eltern, QMessageBox::Icon symbol,
                                              const QString& text,
                                              QMessageBox::StandardButtons knoepfe);

} // namespace pinwick
