#pragma once
// A docked bar as a good citizen of an X11 desktop: it reserves its screen
// edge (so that maximised windows stop at it) and stays on every workspace.
// Other platforms have nothing to do here; the calls then do nothing.

#include <QRect>
#include <QSize>
#include <array>
#include <cstdint>

class QWidget;

namespace pinwick {

// The twelve values of _NET_WM_STRUT_PARTIAL for a bar at the top or bottom
// edge: left, right, top, bottom, then the start and end of each edge's
// stretch. Device pixels, counted on the whole X screen (the root window).
std::array<uint32_t, 12> StrutPartial(const QRect& leiste, const QSize& wurzel, bool unten);

// Sets the edge reservation and "on all workspaces" for the bar as it lies
// now. Does nothing before the bar has a native window, or off X11.
void RandReservieren(QWidget& leiste, bool unten);

} // namespace pinwick
