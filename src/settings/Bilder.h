#pragma once
// The small pictures of the settings window and the password prompt, drawn
// by the program: the prompt's lamps and the eye that shows the password.

#include <QPixmap>

namespace pinwick {

// A round lamp on a grey square, 32 x 32 pixels: red, or green once the
// password was right.
QPixmap LampenBild(bool gruen);

// An eye, 24 x 16 pixels: open while the password is hidden (click to
// show it), struck through while it is shown (click to hide it).
QPixmap AugenBild(bool durchgestrichen);

} // namespace pinwick
