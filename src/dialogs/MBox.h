#pragma once
// The program's own message box: a red slanted face that slides in from the
// left screen edge to the middle, right beside the docked bar, shows a text
// and one to three flat buttons, and drops off the screen once answered.
// Callers use mBoxZeigen and read the answer from p.mBoxAntwort.

#include "Programm.h"

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>

class QPainter;

namespace pinwick {

class Panel3D;

class MBox : public QDialog {
    Q_OBJECT
public:
    // Kinds of box (p.mBoxArt): which buttons it offers.
    enum Art : int16_t { Abbrechen = 1, JaNein = 2, JaNeinOk = 3, Ok = 4 };
    // Answers (p.mBoxAntwort): the index of the pressed button.
    enum Antwort : int16_t { Knopf0 = 0, Ja = 1, Nein = 2 };

    // Builds the box from p.mBoxArt and p.mBoxText and places it just left
    // of the screen; showing it starts the slide.
    explicit MBox(Programm& p, QWidget* eltern = nullptr);

    // Button 0 (OK / Cancel), 1 (Yes), 2 (No).
    Panel3D* knopf(int index) const { return knoepfe_.at(static_cast<size_t>(index)); }
    Panel3D* textPanel() const { return textPan_; }
    // Left edges of the slide in twips from the screen's left edge; the start
    // follows the box while it slides.
    int32_t startLinks() const { return startLinks_; }
    int32_t zielLinks() const { return zielLinks_; }

    // Lets the box drop off the screen and go; the modal wait then ends.
    void Schliessen();
    // Takes the box away at once, without an answer and without the drop.
    void Verwerfen();

    // The face: slanted red panel, logo tab on top, button tab below.
    static void GesichtMalen(QPainter& maler);
    static constexpr int BreitePx = 290;
    static constexpr int HoehePx = 171;

protected:
    void showEvent(QShowEvent* ereignis) override;
    bool event(QEvent* ereignis) override;
    void keyPressEvent(QKeyEvent* ereignis) override;
    void closeEvent(QCloseEvent* ereignis) override;
    void paintEvent(QPaintEvent* ereignis) override;

private:
    void einschieben();
    // The answer Escape gives for this kind, then the drop.
    void wieEscape();
    void knopfGedrueckt(int index);
    void knopfLosgelassen(int index);
    void knoepfeAnordnen();
    void beschriften();
    void setzen(int32_t links, int32_t oben);

    Programm& p_;
    Panel3D* textPan_ = nullptr;
    std::array<Panel3D*, 3> knoepfe_{};
    // Button colours: normal and under the pointer (&H00BBGGRR).
    std::array<int32_t, 2> farben_{204, 221};
    QRect schirm_;
    int32_t startLinks_ = 0;
    int32_t zielLinks_ = 0;
    int32_t oben_ = 0;
    int gedrueckt_ = -1;
    bool schiebt_ = false;
    bool schliesst_ = false;
};

// The box that is open now, if any.
MBox* OffeneMBox();

// Closes a box still open, stores kind and text in p.mBoxArt and p.mBoxText,
// shows a new box modally and returns once it has gone. p.mBoxAntwort keeps
// the previous answer until this box is answered.
void mBoxZeigen(Programm& p, int16_t art, const QString& text);

} // namespace pinwick
