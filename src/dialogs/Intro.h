#pragma once
// The splash window shown while the program starts: a dark blue picture with
// the product name in the user's language and the version underneath.

#include "Programm.h"

#include <QImage>
#include <QWidget>

namespace pinwick {

class Panel3D;

class Intro : public QWidget {
    Q_OBJECT
public:
    explicit Intro(Programm& p, QWidget* eltern = nullptr);

    Panel3D* versionPan() const { return versionPan_; }
    // The splash picture for English (1) or German (2), 480 x 240 pixels.
    // Any other language gets the German one.
    static QImage SplashBild(int16_t sprache);
    // Lets window events run until the splash has been painted on screen,
    // at most hoechstensMs. A window manager maps and exposes a window some
    // time after show(); the busy second that follows lets no events run,
    // so without this wait the splash would stand there unpainted. True
    // when it was painted.
    bool GemaltAbwarten(int hoechstensMs = 300);
    bool Gemalt() const { return gemalt_; }

protected:
    void paintEvent(QPaintEvent* ereignis) override;

private:
    QImage bild_;
    Panel3D* versionPan_ = nullptr;
    bool gemalt_ = false;
};

} // namespace pinwick
