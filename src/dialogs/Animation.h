#pragma once
// The sliding and flying windows (message box, bubble) move in steps and let
// pending window events run after every step, so the bar keeps scrolling and
// a button can be pressed while a window moves.

namespace pinwick {

struct Animation {
    // Pause per step in milliseconds, with events running meanwhile. Without
    // it a modern machine finishes a slide before the screen shows it. Tests
    // set 0 so the windows arrive at once.
    static inline int schrittMs = 8;

    // One step: let pending events run, then wait out the step's pause.
    static void Schritt();
};

} // namespace pinwick
