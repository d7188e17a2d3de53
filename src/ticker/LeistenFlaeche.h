#pragma once
// A surface of its own that shows the bar instead of a Qt window (on
// Wayland: WaylandLeiste). The bar tells it when its layout changed and
// after each tick; the surface draws from the bar's widgets what changed.

namespace pinwick {

class LeistenFlaeche {
public:
    virtual ~LeistenFlaeche() = default;
    // Size, edge and everything drawn anew.
    virtual void NachLayout() = 0;
    // The band's step, when its picture changed.
    virtual void NachTick() = 0;
};

} // namespace pinwick
