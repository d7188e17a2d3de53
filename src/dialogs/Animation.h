#pragma once
// The sliding and flying windows (message box, bubble) move in steps and let
// pending window events run after every step, so the bar keeps scrolling and
// a button can be pressed while a window moves.

#include <cstdint>
#include <functional>

class QObject;

namespace pinwick {

struct Animation {
    // Pause per step in milliseconds, with events running meanwhile. Without
    // it a modern machine finishes a slide before the screen shows it. Tests
    // set 0 so the windows arrive at once.
    static inline int schrittMs = 8;

    // One step: let pending events run, then wait out the step's pause.
    static void Schritt();

    // Slides a window's left edge (twips) from `links` towards `ziel` in steps
    // of `schritt`, placing it with `setzen` and running one Schritt after
    // each. `links` follows the window, so that a later slide goes on from
    // where it stands. Ends early when `abbrechen` says so. False when the
    // window went away during a step (then nothing of it may be touched).
    static bool Schieben(QObject* fenster, int32_t& links, int32_t ziel, int32_t schritt,
                         const std::function<void(int32_t)>& setzen,
                         const std::function<bool()>& abbrechen);
};

} // namespace pinwick
