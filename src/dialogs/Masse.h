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

// Every conversion between the two goes through these, so the rounding is
// chosen in one place.

// A length or position in twips as whole pixels, rounded to the nearest.
inline int Px(int twips) {
    return static_cast<int>(std::lround(twips / double(TwipsJePixel)));
}
// Pixels as twips; exact for whole pixels, and kept fractional for measured
// text widths.
constexpr int Twips(int px) {
    return px * TwipsJePixel;
}
constexpr qint64 Twips(qint64 px) {
    return px * TwipsJePixel;
}
constexpr double Twips(double px) {
    return px * TwipsJePixel;
}

// A rectangle in twips as pixels, edge by edge: neighbours stay neighbours and
// a window that ends at the screen's edge still does.
inline QRect PxLage(const QRect& twips) {
    const int l = Px(twips.x()), o = Px(twips.y());
    return QRect(l, o, Px(twips.x() + twips.width()) - l, Px(twips.y() + twips.height()) - o);
}
// A rectangle in twips as pixels, position and size each rounded on their
// own: how the note editor and the installer were laid out, so their controls
// keep their sizes wherever they stand.
inline QRect PxMasse(int links, int oben, int breite, int hoehe) {
    return QRect(Px(links), Px(oben), Px(breite), Px(hoehe));
}

// The moving band works on positions that are not whole pixels.
// The pixel column a position falls in (leftwards for negative positions, so
// a band moved out to the left still starts at the right column).
inline qint64 PxSpalte(double twips) {
    return static_cast<qint64>(std::floor(twips / TwipsJePixel));
}
// A position as whole device pixels of a screen that has dpr of them to a
// logical pixel.
inline qint64 GeraetePx(double twips, qreal dpr) {
    return std::llround(twips / TwipsJePixel * dpr);
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
