#pragma once
// The installer's one window: the target version, "start update now" and
// "quit without update". While the update runs, a cover lies over the start
// button and the busy indicator moves; a failure covers both buttons with
// the notice that the update is unavailable and a button back to the ticker.

#include "Installation.h"

#include <QTimer>
#include <QWidget>
#include <functional>

namespace pinwick {
class Panel3D;
}

namespace pinwick::pwi {

class Fortschritt;

class InstallerFenster : public QWidget {
    Q_OBJECT
public:
    enum class Zustand { Wahl, Update, Fehler, Fertig };

    // Design size of the window in twips.
    static constexpr int BreiteTwips = 8550;
    static constexpr int HoeheTwips = 2850;

    // Loads the window: reads "updver.txt" and sets the captions in the
    // language already read from "updinfo.txt".
    explicit InstallerFenster(Installation& installation, QWidget* eltern = nullptr);

    // ---- what the window does beyond itself; tests record these
    // Starts a program of the program folder; true when it runs.
    std::function<bool(const QString& programm)> programmStarten;
    // Ends the installer.
    std::function<void()> beenden;
    // Tells the user something outside the window (the system's message box).
    std::function<void(const QString& text)> melden;
    // The system beep.
    std::function<void()> piepen;

    // ---- the buttons
    void StartKlick();
    void AbbrechenKlick();
    void WeiterKlick();

    Zustand Stand() const { return zustand_; }
    Panel3D* TitelPan() const { return titelPan_; }
    Panel3D* StartBef() const { return startBef_; }
    Panel3D* AbbrechenBef() const { return abbrechenBef_; }
    Panel3D* DeckelPan() const { return deckelPan_; }
    Panel3D* FehlerPan() const { return fehlerPan_; }
    Panel3D* WeiterBef() const { return weiterBef_; }
    Fortschritt* FortschrittPan() const { return fortschrittPan_; }
    QTimer& FortschrittTim() { return fortschrittTim_; }

    // The background: drawn, not a picture file.
    static void HintergrundMalen(QPainter& maler, const QSize& groesse);

protected:
    void paintEvent(QPaintEvent* ereignis) override;
    // Closing the window from outside counts as "quit without update": the
    // ticker must not be left stopped.
    void closeEvent(QCloseEvent* ereignis) override;

private:
    void beschriften();
    void knopfVerhalten(Panel3D* knopf);
    void fortschrittTick();
    void fortschrittAnhalten();
    void fehlschlag();
    void tickerStartenUndEnde(const QString& programm);
    QString text(const QString& englisch, const QString& deutsch) const;

    Installation& inst_;
    Zustand zustand_ = Zustand::Wahl;
    QString meldung_; // the failure notice in the window's language
    bool abbruch_ = false;

    Panel3D* titelPan_ = nullptr;
    Panel3D* startBef_ = nullptr;
    Panel3D* abbrechenBef_ = nullptr;
    Panel3D* deckelPan_ = nullptr;
    Panel3D* fehlerPan_ = nullptr;
    Panel3D* weiterBef_ = nullptr;
    Fortschritt* fortschrittPan_ = nullptr;
    QTimer fortschrittTim_;
};

} // namespace pinwick::pwi
