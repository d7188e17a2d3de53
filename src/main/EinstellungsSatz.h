#pragma once
// The settings record: loading, saving and adopting a broadcaster's settings.

#include "Programm.h"

namespace pinwick {

// Fallbacks used when a stored value is unusable.
namespace rueckfall {
inline constexpr int32_t fensterHgFarbe = 0x800000;
inline constexpr int32_t uhrHgFarbe = 0xFFE0E0;
inline constexpr int32_t notizHgFarbe = 0xFFA0A0;
inline constexpr int32_t UhrSchriftFarbe = 0;
inline constexpr const char* SchriftName = "MS Sans Serif";
inline constexpr int16_t SchriftGroesse = 8;
inline constexpr int32_t SchriftFarbe = 0xFFFFFF;
inline constexpr bool SchriftFett = true;
inline constexpr bool SchriftKursiv = false;
inline constexpr int32_t SchriftFarbe2 = 0x00FFFF;
inline constexpr int16_t Speed = 30;
} // namespace rueckfall

// Loads the first row of lokaleEinstellungen into p. Never throws.
void EinstellungenLaden(Programm& p);
// Writes p's values into the first row of lokaleEinstellungen, the password
// as its hash (p then holds the hash too). Throws on failure; the row is then
// not stored.
void EinstellungenSpeichern(Programm& p);
// Adopts the broadcaster's settings into p (memory only) and sets
// einstellungenGeaendert. Never throws.
void EinstellungenUebernehmen(Programm& p);

} // namespace pinwick
