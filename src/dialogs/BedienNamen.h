#pragma once
// Names for a screen reader on entry controls that have none. The windows
// set their captions on labels, panels and option buttons next to the boxes
// they describe, as a reader looking at the window would pair them: a box
// takes the caption just left of it on the same line, or else the one just
// above it; a text box with neither takes the window's title.

class QWidget;

namespace pinwick {

// Names every unnamed entry control (text boxes, lists, drop-down lists,
// number boxes) of the window and its children. A name a window gave itself
// stays; names given here are renewed on the next call.
void BedienNamenErgaenzen(QWidget& fenster);

} // namespace pinwick
