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

protected:
    void paintEvent(QPaintEvent* ereignis) override;

private:
    QImage bild_;
    Panel3D* versionPan_ = nullptr;
};

} // namespace pinwick
