#pragma once
// The connection notice: a thin strip across the screen at the docking edge
// that says the broadcaster's database is being opened. It stands while the
// program start connects a broadcast receiver.

#include "Programm.h"

#include <QWidget>

namespace pinwick {

class Panel3D;

class NetzConnect : public QWidget {
    Q_OBJECT
public:
    explicit NetzConnect(Programm& p, QWidget* eltern = nullptr);
    Panel3D* legendePan() const { return legendePan_; }

    static constexpr int HoeheTwips = 260;

private:
    Panel3D* legendePan_ = nullptr;
};

// Shows the notice without waiting, lets it appear on screen, and puts into
// p.netzConnectSchliessen the one way to take it away again; that closer
// clears itself when it runs.
void NetzConnectZeigen(Programm& p);

} // namespace pinwick
