#pragma once
// The windows were drawn for a narrow font; with the system's font a caption
// may not fit its place. Such captions take the largest size at which they
// fit, down to a smallest size below which the text would not be legible.

#include <QFont>
#include <QFontMetrics>
#include <functional>

namespace pinwick {

// The font at the first size from groesste down to kleinste, in steps of
// schritt, at which passt holds for the font's metrics; at kleinste when none
// is reached. No size below kleinste is tried. A step that is not positive
// tries groesste alone.
QFont SchriftEinpassen(QFont schrift, qreal groesste, qreal kleinste, qreal schritt,
                       const std::function<bool(const QFontMetrics&)>& passt);

} // namespace pinwick
