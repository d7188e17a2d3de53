#pragma once
// The small notice "Update available" that sits at the right end of the bar,
// just outside it, while a newer version waits on the server. A click on it
// asks whether to install the update (UpdatePruefung::Annehmen).

#include "Programm.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace pinwick {

class Panel3D;

// Where the notice goes (pixels, screen origin included): right edge on the
// screen's right edge; above a bar docked at the bottom, else below the bar.
QPoint SignalOrt(const QRect& schirm, const QRect& leiste, const QSize& signal, bool untenGedockt);

class UpdateSignal : public QWidget {
    Q_OBJECT
public:
    // Design client size in twips.
    static constexpr int BreiteTwips = 1395;
    static constexpr int HoeheTwips = 225;

    explicit UpdateSignal(Programm& p);

    Panel3D* LegendePan() const { return legendePan_; }
    // Moves the notice against the bar as it lies now.
    void AnLeiste();

signals:
    void geklickt();

protected:
    void changeEvent(QEvent* ereignis) override;

private:
    void fensterOrdnung();

    Programm& p_;
    Panel3D* legendePan_ = nullptr;
};

} // namespace pinwick
