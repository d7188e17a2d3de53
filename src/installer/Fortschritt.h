#pragma once
// The installer's busy indicator: a thin bar that fills step by step while
// its colour slowly changes; when it is full, its colour becomes the
// background and a fresh fill starts. It shows that work goes on, not how
// much of it is done.

#include <QColor>
#include <QWidget>

namespace pinwick::pwi {

class Fortschritt : public QWidget {
    Q_OBJECT
public:
    static constexpr int Schritte = 100;

    explicit Fortschritt(QWidget* eltern = nullptr);

    // One step further.
    void Weiter();
    // Empty again, in the resting colour.
    void Zuruecksetzen();

    int Stand() const { return stand_; }
    QColor Fuellung() const { return fuellung_; }
    QColor Hintergrund() const { return hintergrund_; }

protected:
    void paintEvent(QPaintEvent* ereignis) override;

private:
    int stand_ = 0;
    int ton_ = 255; // green and blue of the fill
    QColor fuellung_;
    QColor hintergrund_;
};

} // namespace pinwick::pwi
