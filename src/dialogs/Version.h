#pragma once
// The version as the splash and the about box show it.

#include <QString>
#include <cstdint>

namespace pinwick {

// "Build 3.01" in English (Sprache 1), "Version 3.01" in German (2) for
// programmVersion 301. The number is formatted the local way and then given
// a point, so every system shows the same text. Any other language gets the
// German word, as every window keeps its German texts then.
QString VersionsText(int16_t programmVersion, int16_t sprache);

} // namespace pinwick
