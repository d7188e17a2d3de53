#pragma once
// The password prompt that guards the settings window while sysop mode is
// on: a small modal window with two lamps, the entry and a message line.
// Its only result is p.zugangErlaubt: true once the right password was
// entered, false after Cancel, Escape, the close box or a wrong password.

#include "Programm.h"

#include <QDialog>
#include <QPixmap>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace pinwick {

class Panel3D;

class PassTest : public QDialog {
    Q_OBJECT
public:
    // Captions in the current language, placed over the settings window's
    // place and half over the bar; access is refused until proven.
    explicit PassTest(Programm& p, QWidget* eltern = nullptr);

    // The controls carry object names (TitelPan, Pa\u00DFText, OkBef, ...),
    // placed by PassTestPlaetze; tests find them by those.
    bool LampenGruen() const { return gruen_; }

    // Enter and OK: compares the entry with the password.
    void Pruefen();

    // The half-second pause before the prompt goes; tests put a recorder here.
    std::function<void(float)> warten;

    static constexpr int32_t Hellgrau = 0xC0C0C0;
    static constexpr int32_t Rot = 0x0000FF;
    static constexpr int RotNummer = 12; // Rot in the 16-colour table

public slots:
    // Cancel, Escape and the window's close box all refuse access.
    void reject() override;

protected:
    bool eventFilter(QObject* objekt, QEvent* ereignis) override;
    void showEvent(QShowEvent* ereignis) override;

private:
    void bauen();
    void beschriften(); // in the program's language, shrunk to fit
    void platzieren();
    void meldungLoeschen();

    Programm& p_;
    Panel3D* titelPan_ = nullptr;
    Panel3D* zzPanel_ = nullptr;
    Panel3D* meldungPan_ = nullptr;
    QLineEdit* passText_ = nullptr;
    QPushButton* okBef_ = nullptr;
    QPushButton* abbrechenBef_ = nullptr;
    QLabel* licht_[2] = {};
    QPixmap gruenIma_;
    bool gruen_ = false;
    bool gepiept_ = false;
};

// Shows the prompt modally; the answer is in p.zugangErlaubt.
void PassTestZeigen(Programm& p);

} // namespace pinwick
