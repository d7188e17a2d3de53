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

// Makes the bar a panel: window type DOCK, kept out of taskbars and pagers,
// and, unless it has the stay-on-top flag, kept below the other windows
// (window managers keep panels above everything otherwise).
// Window managers read the type when they map a window, so this is called
// before the bar is first shown (on X11 it makes the native window then),
// and again once it is shown: a window manager forgets the states of a
// window it has unmapped. Off X11 only the type is noted.
void AlsDockSetzen(QWidget& leiste);

} // namespace pinwick
