#pragma once
// The language of the windows as the settings row stores it (`Sprache`, a
// 16-bit column). A stored value outside these leaves the German captions the
// windows are designed with, so the column stays a plain number and these are
// its named values.

#include <cstdint>

namespace pinwick {

enum Sprachwahl : int16_t {
    SpracheOffen = 0,    // nobody chose yet: the setup's file or the desktop decides
    SpracheEnglisch = 1,
    SpracheDeutsch = 2,
};

} // namespace pinwick
