#pragma once
// The note editor's layout, shared by the window's two source files: its
// size and the colours of its boxes.

#include <QWidget>

namespace pinwick::notizen {

// The window's width in twips; its height follows from the layout table.
inline constexpr int BreiteTwips = 5040;

// The boxes' background: light cyan while focused, white otherwise.
void BoxFarbeSetzen(QWidget* box, bool fokus);

} // namespace pinwick::notizen
