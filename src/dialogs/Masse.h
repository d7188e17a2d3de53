#pragma once
// Lengths are kept in twips (1/1440 inch) as the layouts are written; widgets
// speak logical pixels. 15 twips make one pixel at 96 dpi, and Qt scales the
// pixels further on dense screens.
// Colours are stored as &H00BBGGRR: red in the lowest byte.

#include <QColor>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <cmath>
#include <cstdint>

namespace pinwick {

inline constexpr int TwipsJePixel = 15;

inline int Px(int twips) {
    return static_cast<int>(std::lround(twips / double(TwipsJePixel)));
}
inline int Twips(int px) {
    return px * TwipsJePixel;
}

inline QColor Farbe(int32_t bbggrr) {
    const auto wert = static_cast<uint32_t>(bbggrr);
    return QColor(int(wert & 0xFF), int((wert >> 8) & 0xFF), int((wert >> 16) & 0xFF));
}

// The screen the program's windows live on: that of the given window when it
// has one, else the primary screen. Pixels, including the screen's origin.
inline QRect Bildschirm(const QWidget* bezug = nullptr) {
    QScreen* schirm = nullptr;
    if (bezug)
        schirm = bezug->screen();
    if (!schirm)
        schirm = QGuiApplication::primaryScreen();
    return schirm ? schirm->geometry() : QRect(0, 0, 1024, 768);
}

} // namespace pinwick
