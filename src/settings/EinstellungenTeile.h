#pragma once
// The small parts the settings window is built from: panels used as labels
// and as buttons, and the panel that shows the eye.

#include "Panel3D.h"

#include <QColor>
#include <QPixmap>
#include <QRect>

namespace pinwick {

// A 3D panel showing a picture in its middle (the eye). Without a meta
// object of its own: to a screen reader it is a panel like the others.
class BildPan : public Panel3D {
public:
    using Panel3D::Panel3D;
    void setBild(const QPixmap& bild);

protected:
    void paintEvent(QPaintEvent* ereignis) override;

private:
    QPixmap bild_;
};

// A colour as &H00BBGGRR.
int32_t AlsFarbe(const QColor& farbe);

// A flat, see-through caption panel at a place in twips.
Panel3D* TextPanel(QWidget* eltern, const QRect& twips, Qt::Alignment ausrichtung);
// A panel that acts as a button: it looks pressed while a mouse button is down on it.
void KnopfPanel(Panel3D* panel);
// Enables or disables a control; a panel that is a label of a control
// follows that control's enabled state in its text colour.
void Freigeben(QWidget* element, bool an);

} // namespace pinwick
