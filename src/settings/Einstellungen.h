#pragma once
// The settings window: a working copy of the settings record, edited through
// a clickable miniature of the bar, the look and speed controls, the sysop
// and broadcast controls, and handed back to the program only on Save.
// Modeless; while it is open the bar stands still, disabled and out of the
// topmost group, and it gets all three back when the window closes.

#include "EinstellungsRegeln.h"
#include "Programm.h"
#include "Systemfrage.h"

#include <QFont>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pinwick {

class BildPan;
class HilfeBlase;
class Panel3D;
class Terminal;
struct Zweisprachig;

// The controls carry object names (FarbePan1, SpeichernBef, ...); the tests
// find them by those. EinstellungenLayout.h places them, EinstellungenTexte.h
// captions them.
class Einstellungen : public QWidget {
    Q_OBJECT
public:
    // The common dialogs the window raises. The defaults show the real ones;
    // tests put answers here.
    struct Dialoge {
        // Colour dialog from a start colour (&H00BBGGRR); nothing when cancelled.
        std::function<std::optional<int32_t>(QWidget*, int32_t start, const QString& titel)> farbe;
        // Font dialog from a start font; nothing when cancelled.
        std::function<std::optional<QFont>(QWidget*, const QFont& start)> schrift;
        // File-open dialog for an existing "pw.kav"; empty when cancelled.
        std::function<QString(QWidget*, const QString& titel)> datei;
        // The program's own message box, kind 2 (Yes/No): true for Yes.
        std::function<bool(Programm&, const QString& text)> mBoxJaNein;
        // A bubble at offsets (twips) from the window's top-left corner.
        std::function<void(QWidget*, Programm&, int32_t links, int32_t oben, const QString& text)>
            bubble;
        // A line of text: the broadcast's web address; nothing when cancelled.
        std::function<std::optional<QString>(QWidget*, const QString& titel, const QString& frage,
                                             const QString& start)>
            webAdresse;
        // What a broadcaster's file is (BroadcastDateiPruefen).
        std::function<BroadcastDatei(const QString& pfad)> dateiPruefen;
    };
    static Dialoge EchteDialoge();

    // Loads the window: working copy, captions, controls, miniature. The bar
    // may be missing (tests); then only the program-wide values are touched.
    Einstellungen(Programm& p, Terminal* leiste, QWidget* eltern = nullptr);
    ~Einstellungen() override;

    Dialoge dialoge;
    // Questions in the system message box: Yes/No with the question icon,
    // Yes/No/Cancel with the warning icon. Tests answer them.
    Systemfrage frage;
    // How long a save waits for another program's lock on the own file
    // before the window says that the file is busy. The bar's own reads
    // keep their longer wait.
    int speicherWarteMs = 3000;

    // ---- the working copy and the window's state
    const Einstellungswerte& Kopie() const { return kopie_; }
    int Element() const { return element_; }

    // ---- what the controls do (public for tests and the bar)
    // Click on FarbePan i (1 frame, 2 date/time, 3 local note, 4 broadcast note).
    void ElementWaehlen(int element);
    // Colour button 1-3 of the selected element.
    void FarbeWaehlen(int knopf);
    void SchriftWaehlen();
    // Click on BroadcastPfadPan.
    void PfadWaehlen();
    // Click on WebAdresseBef: an http(s) address as the broadcast path.
    void WebAdresseEingeben();
    // Help pop-up 1 (sysop) or 2 (broadcast); Verbergen hides one or both.
    void KommentarZeigen(int nummer);
    void KommentarVerbergen(int nummer);
    void KommentareVerbergen();
    bool KommentarOffen(int nummer) const;
    // "Default values".
    void Standardwerte();
    // Save: check, hand the copy to the program, store, apply, close. False
    // when the window stays open (check or store failed).
    bool Speichern();
    // All captions from the working copy's language.
    void Beschriften();

protected:
    bool event(QEvent* ereignis) override;
    void closeEvent(QCloseEvent* ereignis) override;
    void showEvent(QShowEvent* ereignis) override;
    void mousePressEvent(QMouseEvent* ereignis) override;
    void keyPressEvent(QKeyEvent* ereignis) override;

private:
    // Building (EinstellungenLayout.cpp), in the order the focus moves.
    void bauen();
    void miniaturBauen();
    void farbKnoepfeBauen();
    void allgemeinBauen();
    void sysopBauen();
    void broadcastBauen();
    void hilfenBauen();
    void fussBauen();
    void tastenBauen();

    void texteSetzen(int16_t sprache);
    void steuerelementeSetzen();
    void knoepfeZeigen(int element);
    void miniaturFarben();
    void miniaturLayout();
    void pfadAnzeigen();
    void empfaengerRegel(bool empfaenger);
    void sysopGeaendert(bool an);
    void passwortZeigen(bool sichtbar);
    bool pruefen();
    bool dateiGut(const QString& pfad);
    bool uebernehmenUndSpeichern();
    bool abschliessen();
    void leisteZurueck();
    void obenSetzen(bool oben);
    void aktiviert();
    void lageSetzen();
    void empfaengerFreigaben(bool empfaenger);
    void meldung(const QString& text, int farbNummer);
    void webZustandZeigen();
    QString text(const Zweisprachig& text) const;
    QString programmText(const Zweisprachig& text) const;

    Programm& p_;
    QPointer<Terminal> leiste_;
    Einstellungswerte kopie_;
    int element_ = 1;
    bool freigegeben_ = false; // the closing has been decided; let it happen
    bool schliesst_ = false;   // the closing runs
    bool platziert_ = false;   // placed again once the frame was known

    std::array<Panel3D*, 4> farbePan_{};
    std::array<QPushButton*, 3> farbWahlBef_{};
    QPushButton* schriftWahlBef_ = nullptr;
    std::array<QRadioButton*, 3> speedOpt_{}; // 30, 15, 5
    std::array<QRadioButton*, 2> dockPosOpt_{};
    QCheckBox* onTopChe_ = nullptr;
    std::array<QRadioButton*, 2> spracheOpt_{};
    QCheckBox* zeigDatumChe_ = nullptr;
    QCheckBox* zeigRandChe_ = nullptr;
    std::array<Panel3D*, 5> legendePan_{};
    Panel3D* meldungPan_ = nullptr;
    QPushButton* speichernBef_ = nullptr;
    QCheckBox* sysopStatusChe_ = nullptr;
    QLineEdit* passwortTex_ = nullptr;
    BildPan* augePan_ = nullptr;
    QCheckBox* broadcastStatusChe_ = nullptr;
    Panel3D* broadcastPfadPan_ = nullptr;
    QPushButton* webAdresseBef_ = nullptr;
    QLineEdit* broadcastSchluesselTex_ = nullptr;
    QCheckBox* broadcastMasterChe_ = nullptr;
    QCheckBox* eigeneChe_ = nullptr;
    std::array<HilfeBlase*, 2> hilfeBlase_{};
    bool passwortSichtbar_ = false;
    // What the password box holds: a new password, hashed on Save. The
    // stored one (a hash, or the clear text of an older file) is never shown
    // and stays in kopie_.passWort while the box is empty.
    QString neuesPasswort_;
    bool fragt_ = false; // a question is open; activation leaves the window order alone
    QString zustandGezeigt_; // the receiver's word the message line shows
};

// The settings window that is open now, if any.
Einstellungen* OffeneEinstellungen();

// The bar's settings command after the bar has stopped and disabled itself:
// the password prompt when sysop mode is on, then the settings window,
// modeless. True when the window is open (an open one is brought forward).
bool EinstellungenZeigen(Programm& p, Terminal* leiste);

} // namespace pinwick
