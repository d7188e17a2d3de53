#pragma once
// The ticker bar: a borderless window as wide as the screen, docked at its
// top or bottom edge, with the date, the clock and the band in which the due
// notes stand still or scroll. Its timer drives the whole program: it watches
// the broadcast connection, keeps the bar as wide as the screen, updates the
// clock, lets the content rebuild and moves the text. While text moves it
// ticks every 50 ms; while the band stands still it sleeps until the next
// thing falls due (NaechsterTaktIn), so that an idle bar costs next to
// nothing.
//
// The numbers of the layout come from Leistenlayout, the content from
// TickerInhalt, the captions of date and clock from LeistenUhr, the menu from
// LeistenMenue; this class applies them to widgets and binds the menu, the
// keys and the mouse to the commands.

#include "BandBewegung.h"
#include "BandKlick.h"
#include "DateiWache.h"
#include "LeistenMenue.h"
#include "LeistenUhr.h"
#include "Leistenlayout.h"
#include "Programm.h"
#include "TickerInhalt.h"
#include "UpdatePruefung.h"

#include <QBasicTimer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>

class QAction;
class QMenu;

namespace pinwick {

class Band;
class LeistenFlaeche;
class Panel3D;

class Terminal : public QWidget {
    Q_OBJECT
public:
    // Loads the bar: language, margin, scroll step, a rebuild at the first
    // tick, the layout; the timer runs from here on. Sets the window layer's bar (Oberflaeche).
    explicit Terminal(Programm& p, QWidget* eltern = nullptr);
    ~Terminal() override;

    // ---- methods other windows call
    // Lays the bar out from the current settings.
    void MachLayout();
    // Menu captions from Sprache (1 English, 2 German; anything else leaves them).
    void SpracheEinstellen();
    // Enables or disables every control of the bar. The ticker timer counts
    // as one: disabling stops it, enabling starts it.
    void FormAktiv(bool an);
    // Takes the scroll step from Speed (after the settings were saved).
    void ScrollSchrittSetzen();
    // Puts the bar into the topmost group when ImmerOben is on, else out of
    // it, without moving or activating it.
    void FensterOrdnung();
    // Puts the bar into the topmost group or takes it out, whatever ImmerOben
    // says (the settings window keeps it out while it is active).
    void ObenHalten(bool oben) { obenHalten(oben); }
    // Lets the text start over at the left margin.
    void ZeichenPositionZuruecksetzen();

    // ---- the ticker timer
    // Starts or stops the ticker timer. A stopped timer also stops the count
    // towards the next rebuild, as if no time had passed.
    void Timer1Aktiv(bool an);
    bool Timer1Laeuft() const { return timer1An_; }
    // One tick: every 50 ms while text moves, else whenever something is due.
    // It counts the time elapsed since the last one in ticks of 50 ms.
    void Tick();
    // Milliseconds from now until the timer must tick next: 50 while text
    // moves or waits to be drawn; otherwise the earliest of the next second
    // of the clock (when it is shown), the next rebuild, the connection watch
    // and its retry (broadcast receivers), and a tick asked for by Wecken.
    qint64 NaechsterTaktIn() const;
    // Something outside the tick wants it soon (the screen changed): the bar
    // ticks at the next 50 ms step instead of sleeping on.
    void Wecken();
    // The content is to be rebuilt at the next 50 ms step (after notes or
    // settings changed).
    void AufbauAnfordern();

    // ---- the reader's say over the band's motion (BandBewegung)
    // Stops the band (page by page) or lets it scroll again; the choice is
    // kept in the own settings row.
    void Anhalten(bool an);
    void AnhaltenUmschalten() { Anhalten(!bewegung_.IstAngehalten()); }
    // The desktop asks for less motion (Bewegungswunsch), or no longer.
    void WenigerBewegungSetzen(bool an);
    // The reader wants scrolling on this desk despite that wish.
    void TrotzdemScrollenSetzen(bool an);
    // The pointer rests on the band, or has left it. The X11 bar sees that
    // itself; a bar on a surface of its own is told.
    void ZeigerUeberBand(bool drauf);
    // The keyboard focus came to the bar or left it (likewise).
    void FokusAufLeiste(bool an);
    // Turns the page forward (1) or back (-1) while the band shows pages.
    void Blaettern(int richtung);
    const BandBewegung& Bewegung() const { return bewegung_; }
    // The page shown and the number of pages (0 while the band scrolls).
    size_t Seite() const { return seite_; }
    size_t SeitenAnzahl() const { return seiten_.size(); }

    // ---- commands; each keeps the timer stopped while its window is open
    virtual void NeueNotiz();
    virtual void Verwaltung();
    virtual void EinstellungenOeffnen();
    // The "News feeds" window (behind the sysop password where it is on).
    virtual void FeedsOeffnen();
    virtual void Hilfe();
    virtual void UeberZeigen();
    // Removes the network-error marker and ends the program at once.
    virtual void Ende();

    // ---- where the windows that come later plug in
    // Puts the note editor into its mode for a new note and shows it modally.
    std::function<void()> notizEditorZeigen;
    // Shows the notes administration modally.
    std::function<void()> verwaltungZeigen;
    // Asks for the sysop password when needed and shows the settings window
    // modeless; true when it is open (it gives the bar back its timer, its
    // controls and its window order when it closes), false when access was
    // refused.
    std::function<bool()> einstellungenZeigen;
    // Asks for the sysop password when needed and shows the feeds window
    // modally.
    std::function<void()> feedsZeigen;

    // ---- where the bar is a surface of its own (LeistenFlaeche.h; on
    // Wayland the layer surface), it is told after a layout and a tick.
    // nullptr while the bar is a Qt window; the surface lives as the bar's
    // child.
    LeistenFlaeche* flaeche = nullptr;

    // ---- what the bar is made of
    TickerInhalt& Inhalt() { return inhalt_; }
    // The daily update check and its notice; UpdateTim starts it once.
    UpdatePruefung& Update() { return update_; }
    QTimer& UpdateTim() { return updateTim_; }
    const Leistenlayout& Layout() const { return layout_; }
    Band* NotizPan() const { return notizPan_; }
    Panel3D* DatumPan() const { return datumPan_; }
    Panel3D* UhrPan() const { return uhrPan_; }
    QMenu* KontextMen() const { return menue_->Menue(); }
    QAction* NeuMen() const { return menue_->Neu(); }
    QAction* Strich1() const { return menue_->Strich1(); }
    QAction* VerwaltungMen() const { return menue_->Verwaltung(); }
    QAction* Strich3() const { return menue_->Strich3(); }
    QAction* EinstellungenMen() const { return menue_->Einstellungen(); }
    QAction* HilfeMen() const { return menue_->Hilfe(); }
    QAction* AboutMen() const { return menue_->About(); }
    QAction* Strich2() const { return menue_->Strich2(); }
    QAction* EndeMen() const { return menue_->Ende(); }

    // The band's drawing position (twips), the margin and the scroll step.
    double ZeichenPosition() const { return position_; }
    int LinkerRand() const { return linkerRand_; }
    int ScrollSchritt() const { return scrollSchritt_; }

protected:
    // Leaves the event loop; the last step of Ende.
    virtual void Beenden();

    void paintEvent(QPaintEvent* ereignis) override;
    void resizeEvent(QResizeEvent* ereignis) override;
    void changeEvent(QEvent* ereignis) override;
    void closeEvent(QCloseEvent* ereignis) override;
    void showEvent(QShowEvent* ereignis) override;
    void keyPressEvent(QKeyEvent* ereignis) override;
    void mousePressEvent(QMouseEvent* ereignis) override;
    void wheelEvent(QWheelEvent* ereignis) override;
    void focusInEvent(QFocusEvent* ereignis) override;
    void focusOutEvent(QFocusEvent* ereignis) override;
    bool eventFilter(QObject* objekt, QEvent* ereignis) override;
    void timerEvent(QTimerEvent* ereignis) override;

private:
    // Binds the menu's entries to the commands.
    void menueBinden();
    // Gives the content what it asks of the bar: widths, heights, bubbles.
    void inhaltVerbinden();
    // Tooltip and the names a screen reader reads, in the bar's language.
    void hinweiseSetzen();
    // Ticks of 50 ms elapsed since the last count; moves the count on.
    int takteZaehlen();
    // Arms the ticker timer for NaechsterTaktIn (when the timer is on);
    // `ausTakt` at the end of a tick.
    void planen(bool ausTakt = false);
    // Text moves, or waits to be drawn at the next tick.
    bool bewegt() const;
    void bildschirmeBeobachten();
    void uhrAnzeigen();
    void zeichnenUndScrollen();
    // Shows the current page (laying the pages out anew when the entries
    // changed) and turns it when its time is up.
    void seiteZeigen();
    void bewegungLesen(); // the reader's stored choices about motion
    void seitenBilden();
    // The state changed: menu, drawing at the next tick, the timer.
    void bewegungGeaendert();
    qint64 seitenDauer() const;
    // Draws the whole text at x (twips) and notes where.
    void zeigenBei(double x);
    void obenHalten(bool oben);
    QFont bandSchrift() const;
    // The link and summary of the band's entry `eintrag` (an index into what
    // the band shows: the entries, or the page's part of them) when it is a
    // feed's item; nullptr otherwise.
    const FeedVerweis* verweisAn(int eintrag) const;
    void feedGeklickt(int eintrag);
    void feedOeffnen();

    Programm& p_;
    TickerInhalt inhalt_;
    Leistenlayout layout_;
    QRect geometrie_; // where the layout put the bar, in pixels
    QRect schirm_;    // the primary screen the layout docked it on
    // The ticker timer: its event calls Tick directly (no signal to route
    // 20 times a second). It repeats every 50 ms while text moves and is
    // armed afresh for each sleep while the band stands still.
    QBasicTimer timer1_;
    bool timer1An_ = false;  // on (Timer1Aktiv), whether sleeping or ticking
    int timer1Ms_ = -1;      // the interval it is armed with
    // Elapsed time on the program's steady clock (ms) is counted into ticks
    // up to here; the steps of 50 ms are counted from here.
    qint64 taktBasis_ = 0;
    // A tick was asked for at the next 50 ms step (Wecken).
    bool baldTakt_ = false;
    QTimer updateTim_;
    UpdatePruefung update_;
    DateiWache wache_;
    QColor hintergrund_;

    Band* notizPan_ = nullptr;
    Panel3D* datumPan_ = nullptr;
    Panel3D* uhrPan_ = nullptr;

    // Made after the band and the panels, as the menu always was.
    std::unique_ptr<LeistenMenue> menue_;
    LeistenUhr uhr_;

    int linkerRand_ = 100;
    int scrollSchritt_ = 30;
    double position_ = 101;
    bool layoutLaeuft_ = false;

    BandBewegung bewegung_;
    // The band is to be drawn at the next tick though it does not move.
    bool neuZeichnen_ = true;
    std::vector<BandSeite> seiten_;
    uint64_t seitenStand_ = 0;
    bool seitenGueltig_ = false;
    // The band shows a page (its mark, tooltip and name are the page's).
    bool seitenGezeigt_ = false;
    size_t seite_ = 0;
    // Where the band was last drawn (twips); NaN after the text started over.
    double standBei_ = std::numeric_limits<double>::quiet_NaN();
    // When the page shown came (steady clock, ms).
    qint64 seiteSeit_ = 0;
    // A click on a feed's item waits here for the double-click interval.
    BandKlick klick_;
    QTimer klickUhr_;
};

} // namespace pinwick
