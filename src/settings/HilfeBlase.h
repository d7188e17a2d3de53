#pragma once
// A help pop-up of the settings window: a yellow panel below its link with
// the explanation, a close panel under it, and a box that holds the focus
// while the pop-up is open. Focus moving on inside the window closes it;
// another window coming to the front does not. To a screen reader it is a
// panel like the others (no meta object of its own).

#include "Panel3D.h"

#include <QPoint>

class QCheckBox;

namespace pinwick {

class HilfeBlase : public Panel3D {
public:
    // nummer 1 (sysop) or 2 (broadcast) names its parts: KommentarPan<n>
    // with KommentarTextPan<n>, AbbrechenPan<n> and KommentarChe<n>.
    HilfeBlase(int nummer, QWidget* fenster);

    // The explanation; its close panel is captioned with the window's controls.
    void setHilfe(const QString& hilfe);
    // Lays the text and the close panel out for the text's height and puts
    // the pop-up at lage (twips from the window's top-left corner).
    void einpassen(const QPoint& lage);
    // On top of the window's controls, with the focus on its holder.
    void zeigen();

protected:
    bool eventFilter(QObject* objekt, QEvent* ereignis) override;

private:
    Panel3D* text_ = nullptr;
    Panel3D* zu_ = nullptr;
    QCheckBox* halter_ = nullptr;
};

} // namespace pinwick
