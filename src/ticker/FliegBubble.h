#pragma once
// The bubble: a small speech bubble with a line of text that flies in from
// the left screen edge to a point near the window that raised it, stays on
// top, and goes when clicked or when it loses the focus. The ticker uses it
// for the network-error notice, the settings window for entry hints.

#include "Programm.h"

#include <QString>
#include <QWidget>
#include <cstdint>

class QPainter;

namespace pinwick {

class Panel3D;

class FliegBubble : public QWidget {
    Q_OBJECT
public:
    // Target left and top in twips of the desktop; the text is p.mBoxText.
    FliegBubble(Programm& p, int32_t zielLinks, int32_t oben, QWidget* eltern = nullptr);

    Panel3D* textPan() const { return mTextPan_; }
    int32_t zielLinks() const { return zielLinks_; }

    // Hides the bubble and lets it be deleted once control is back in the
    // event loop; safe to call more than once.
    void Schliessen();

    // The speech bubble, 1770 x 1215 twips.
    static void BildMalen(QPainter& maler);
    static constexpr int BreitePx = 118;
    static constexpr int HoehePx = 81;

protected:
    void showEvent(QShowEvent* ereignis) override;
    bool event(QEvent* ereignis) override;
    void mousePressEvent(QMouseEvent* ereignis) override;
    void mouseReleaseEvent(QMouseEvent* ereignis) override;
    void paintEvent(QPaintEvent* ereignis) override;

private:
    void einfliegen();

    Panel3D* mTextPan_ = nullptr;
    int32_t startLinks_ = 0;
    int32_t zielLinks_ = 0;
    int32_t oben_ = 0;
    bool fliegt_ = false;
    bool warAktiv_ = false;
    bool geschlossen_ = false;
};

// Shows text in a bubble at the given offsets (twips) from a window: bezug
// when given and shown, else the active window, or the bar when no window of
// the program is active. The bubble is kept inside the screen of that window.
// An open bubble is closed first, so there is never more than one.
void BubbleZeigen(Programm& p, int32_t offsetLinks, int32_t offsetOben, const QString& text,
                  const QWidget* bezug = nullptr);
// Closes the bubble when one is open.
void BubbleSchliessen();
bool BubbleSichtbar();

} // namespace pinwick
