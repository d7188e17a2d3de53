#pragma once

class QWidget;

namespace pinwick {

// Puts a top-level window above the others or lets it go back among them.
// Changing the flag hides the window; a visible one is shown again without
// taking the focus from whatever has it. Nothing happens when the window
// already is as asked.
void ImmerObenSetzen(QWidget& fenster, bool oben);

} // namespace pinwick
