// What the person does on the bar: its commands (the menu's and the
// keys'), the widget's events, and a click on a news item, which opens its
// page once it is clear that no double-click follows.

#include "Terminal.h"

#include "About.h"
#include "Band.h"
#include "FeedLesen.h"
#include "Hilfen.h"
#include "Protokoll.h"
#include "Randreservierung.h"
#include "Shell.h"
#include "Versuche.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyleHints>
#include <QTimerEvent>
#include <QWheelEvent>

namespace pinwick {

void Terminal::NeueNotiz() {
    setCursor(Qt::WaitCursor);
    p_.EreignisseZulassen();
    Timer1Aktiv(false);
    if (notizEditorZeigen)
        notizEditorZeigen();
    Timer1Aktiv(true);
    AufbauAnfordern();
    unsetCursor();
}

void Terminal::Verwaltung() {
    Timer1Aktiv(false);
    p_.EreignisseZulassen();
    if (verwaltungZeigen)
        verwaltungZeigen();
    p_.aufbauZaehler = TickerInhalt::AufbauTakte;
    Timer1Aktiv(true);
}

void Terminal::FeedsOeffnen() {
    Timer1Aktiv(false);
    p_.EreignisseZulassen();
    if (feedsZeigen)
        feedsZeigen();
    // A feed added, removed or switched is taken at once.
    p_.aufbauZaehler = TickerInhalt::AufbauTakte;
    Timer1Aktiv(true);
}

void Terminal::EinstellungenOeffnen() {
    Timer1Aktiv(false);
    FormAktiv(false);
    obenHalten(false);
    const bool offen = einstellungenZeigen && einstellungenZeigen();
    if (offen) {
        SpracheEinstellen();
        ZeichenPositionZuruecksetzen();
        return;
    }
    Timer1Aktiv(true);
    FormAktiv(true);
    FensterOrdnung();
}

void Terminal::Hilfe() {
    HilfeZeigen(p_);
}

void Terminal::UeberZeigen() {
    AboutZeigen(p_);
}

void Terminal::Ende() {
    const QString nefe = p_.ArbeitsDatei(QStringLiteral("nefe"));
    if (DateiVorhanden(nefe))
        QFile::remove(nefe);
    Beenden();
}

void Terminal::Beenden() {
    Timer1Aktiv(false);
    QCoreApplication::exit(0);
}

// ---- events

void Terminal::showEvent(QShowEvent* ereignis) {
    QWidget::showEvent(ereignis);
    // The native window exists from here on; the layout before could not
    // reserve the edge yet.
    RandReservieren(*this, p_.dockPos != 0);
    // Once mapped (Qt maps it after this event), the window manager is
    // asked to keep it out of taskbars and pagers again.
    QMetaObject::invokeMethod(this, [this] { AlsDockSetzen(*this); }, Qt::QueuedConnection);
}

void Terminal::closeEvent(QCloseEvent* ereignis) {
    // Closing the bar from outside (Alt+F4, a task list) ends the program
    // like the menu's End: a hidden bar would leave a process behind that
    // still polls and pops bubbles, with nothing left to end it.
    ereignis->ignore();
    Ende();
}

void Terminal::paintEvent(QPaintEvent*) {
    // What the panels leave free is the border.
    QPainter maler(this);
    maler.fillRect(rect(), hintergrund_);
}

void Terminal::resizeEvent(QResizeEvent* ereignis) {
    QWidget::resizeEvent(ereignis);
    // The bar's own moves arrive here as well; only a size that someone else
    // gave it calls for a new layout.
    if (ereignis->size() != geometrie_.size())
        MachLayout();
}

void Terminal::changeEvent(QEvent* ereignis) {
    QWidget::changeEvent(ereignis);
    if (ereignis->type() == QEvent::ActivationChange && isActiveWindow()) {
        // Changing the window order re-shows the window: not from inside the
        // activation itself. While the settings command has the bar disabled,
        // the order is the settings window's to keep.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (menue_->IstAktiv())
                    FensterOrdnung();
            },
            Qt::QueuedConnection);
    }
}

void Terminal::timerEvent(QTimerEvent* ereignis) {
    if (ereignis->timerId() == timer1_.timerId())
        Tick();
    else
        QWidget::timerEvent(ereignis);
}

void Terminal::keyPressEvent(QKeyEvent* ereignis) {
    const Qt::KeyboardModifiers umschalter =
        ereignis->modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (ereignis->key() == Qt::Key_N && umschalter == Qt::ControlModifier) {
        if (p_.eigeneErlauben)
            NeueNotiz();
        return;
    }
    if (ereignis->key() == Qt::Key_F1 && umschalter == Qt::NoModifier) {
        Hilfe();
        return;
    }
    if (umschalter == Qt::NoModifier) {
        switch (ereignis->key()) {
        case Qt::Key_Space:
            AnhaltenUmschalten();
            return;
        case Qt::Key_Left:
        case Qt::Key_Up:
        case Qt::Key_PageUp:
            Blaettern(-1);
            return;
        case Qt::Key_Right:
        case Qt::Key_Down:
        case Qt::Key_PageDown:
            Blaettern(1);
            return;
        default:
            break;
        }
    }
    QWidget::keyPressEvent(ereignis);
}

void Terminal::wheelEvent(QWheelEvent* ereignis) {
    const int dreh = ereignis->angleDelta().y() != 0 ? ereignis->angleDelta().y()
                                                     : ereignis->angleDelta().x();
    if (bewegung_.Zustand() != BandBewegung::Art::Seitenweise || dreh == 0) {
        ereignis->ignore();
        return;
    }
    ereignis->accept();
    // Turned away from oneself: the next page.
    Blaettern(dreh < 0 ? 1 : -1);
}

void Terminal::focusInEvent(QFocusEvent* ereignis) {
    QWidget::focusInEvent(ereignis);
    // Someone came to the bar (a click, Tab, the keyboard given on Wayland).
    // The focus that comes with the window's activation alone does not
    // count: a window manager activates the bar on its own at the start or
    // when another window closes, with nobody at it.
    if (ereignis->reason() != Qt::ActiveWindowFocusReason)
        FokusAufLeiste(true);
}

void Terminal::focusOutEvent(QFocusEvent* ereignis) {
    QWidget::focusOutEvent(ereignis);
    // The bar's own menu takes the focus for a moment: the band stays put.
    if (ereignis->reason() != Qt::PopupFocusReason)
        FokusAufLeiste(false);
}

// ---- feed items

const FeedVerweis* Terminal::verweisAn(int eintrag) const {
    if (eintrag < 0)
        return nullptr;
    // A page shows a part of the entries, from its first one on.
    size_t index = size_t(eintrag);
    if (seitenGezeigt_ && seite_ < seiten_.size())
        index += seiten_[seite_].erster;
    return TickerInhalt::Verweis(p_.eintraege, p_.feedVerweise, index);
}

void Terminal::feedGeklickt(int eintrag) {
    const FeedVerweis* v = verweisAn(eintrag);
    klick_.IntervallSetzen(QGuiApplication::styleHints()->mouseDoubleClickInterval());
    const qint64 jetzt = p_.uhr.Monoton();
    klick_.Druck(jetzt, v ? v->link : QString());
    const qint64 ms = klick_.MsBis(jetzt);
    if (ms >= 0)
        klickUhr_.start(int(std::min<qint64>(ms, 10'000)));
    else
        klickUhr_.stop();
}

void Terminal::feedOeffnen() {
    const qint64 jetzt = p_.uhr.Monoton();
    const QString link = klick_.Faellig(jetzt);
    if (link.isEmpty()) {
        const qint64 ms = klick_.MsBis(jetzt);
        if (ms >= 0)
            klickUhr_.start(int(std::min<qint64>(ms, 10'000)) + 1);
        return;
    }
    // Checked again where it leaves for the desktop: only a web page.
    if (!LinkSicher(QUrl(link))) {
        qCWarning(logFeeds) << "link not opened:" << link;
        return;
    }
    qCInfo(logFeeds) << "opening" << link;
    WebSeiteOeffnen(link);
}

bool Terminal::eventFilter(QObject* objekt, QEvent* ereignis) {
    if (objekt == notizPan_) {
        if (ereignis->type() == QEvent::Enter)
            ZeigerUeberBand(true);
        else if (ereignis->type() == QEvent::Leave)
            ZeigerUeberBand(false);
    }
    return QWidget::eventFilter(objekt, ereignis);
}

void Terminal::mousePressEvent(QMouseEvent* ereignis) {
    // Presses on the band and on the date and clock panels arrive here too.
    activateWindow();
    setFocus(Qt::MouseFocusReason);
    if (ereignis->button() == Qt::RightButton && menue_->IstAktiv()) {
        menue_->Oeffnen(ereignis->globalPosition().toPoint());
        return;
    }
    ereignis->accept();
}

} // namespace pinwick
