#pragma once
// What the bar's Wayland surface needs of the bar: the widget it draws and
// hands the pointer's events to, what changes its picture, its band drawn
// on its own, and its menu. WaylandLeiste answers it from the Terminal; the
// surface, its menu and its input know no more of the bar than this.

#include <QRect>
#include <QString>

class QMenu;
class QPainter;
class QWidget;

namespace pinwick {

class LeistenAnsicht {
public:
    virtual ~LeistenAnsicht() = default;
    // The whole bar: drawn as a whole, and the target of pointer and keys.
    virtual QWidget* Widget() const = 0;
    // Docked at the bottom edge.
    virtual bool Unten() const = 0;
    // The texts of the date and clock panels, empty while hidden.
    virtual QString DatumText() const = 0;
    virtual QString UhrText() const = 0;

    // The band: where it lies in the bar, whether it takes input, and what
    // its picture depends on (position, emptiness, the count of layouts).
    virtual QRect BandRechteck() const = 0;
    virtual bool BandAktiv() const = 0;
    virtual double BandX() const = 0;
    virtual bool BandLeer() const = 0;
    virtual qint64 BandAuslegungen() const = 0;
    // Draws the band at the painter's origin from the tiles it keeps.
    virtual void BandMalen(QPainter& maler) = 0;

    // The right-click menu; its entries are the bar's commands.
    virtual QMenu* Menue() const = 0;
};

} // namespace pinwick
