// The settings window's saving and closing, its place among the other
// windows, its activation and keys, and the bar's settings command.

#include "Einstellungen.h"

#include "Datenbank.h"
#include "EinstellungenLayout.h"
#include "EinstellungenTexte.h"
#include "EinstellungsRegeln.h"
#include "EinstellungsSatz.h"
#include "ImmerOben.h"
#include "Masse.h"
#include "Panel3D.h"
#include "PassTest.h"
#include "PasswortHash.h"
#include "Shell.h"
#include "Speicher.h"
#include "Terminal.h"
#include "Versuche.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace pinwick {

// ---- saving and closing

bool Einstellungen::dateiGut(const QString& pfad) {
    const BroadcastDatei befund =
        dialoge.dateiPruefen ? dialoge.dateiPruefen(pfad) : BroadcastDatei::Gut;
    if (befund == BroadcastDatei::Gut) {
        // What the line says about an earlier choice no longer holds.
        for (BroadcastDatei alt : {BroadcastDatei::KeineNotizdatei, BroadcastDatei::KeinLeserecht,
                                   BroadcastDatei::NichtErreichbar})
            for (int16_t sprache : {1, 2})
                if (meldungPan_->text() == BroadcastDateiText(alt, sprache))
                    MeldungLoeschen(this);
        return true;
    }
    p_.Piepen();
    meldung(BroadcastDateiText(befund, kopie_.Sprache), 12);
    return false;
}

bool Einstellungen::pruefen() {
    Einstellungswerte wird = kopie_;
    if (!neuesPasswort_.isEmpty())
        wird.passWort = neuesPasswort_;
    const Pruefung ergebnis = VorSpeichernPruefen(wird, passwortTex_->isEnabled());
    if (ergebnis == Pruefung::Gut) {
        // A receiver about to read a file it did not read before: the file
        // is looked at again, it may have changed since it was chosen. A path
        // in use already is left to the bar, which tells an outage itself
        // and reconnects when the file is back.
        const bool neu = !p_.broadcastStatus || kopie_.broadcastPfad != p_.broadcastPfad;
        return !kopie_.broadcastStatus || !neu || BroadcastUeberWeb(kopie_.broadcastPfad) ||
               dateiGut(kopie_.broadcastPfad);
    }
    p_.Piepen();
    // The bubble points at the field at fault.
    const Platz& feld = PlatzVon(EinstellungenPlaetze,
                                 ergebnis == Pruefung::PasswortFehlt      ? "PasswortTex"
                                 : ergebnis == Pruefung::SchluesselFalsch ? "BroadcastSchluesselTex"
                                 : ergebnis == Pruefung::AdresseFalsch    ? "WebAdresseBef"
                                                                          : "BroadcastPfadPan");
    const QPoint unter = BubbleUnter(PlatzVon(EinstellungenPlaetze, feld.gruppe).twips, feld.twips);
    if (dialoge.bubble)
        dialoge.bubble(this, p_, unter.x(), unter.y(), PruefungsText(ergebnis, kopie_.Sprache));
    return false;
}

bool Einstellungen::uebernehmenUndSpeichern() {
    const Einstellungswerte vorher = p_;
    Einstellungswerte neu = kopie_;
    neu.erstVorbei = p_.erstVorbei; // only the start writes it
    neu.Schrift3D = 0;
    static_cast<Einstellungswerte&>(p_) = neu;
    if (leiste_)
        leiste_->ScrollSchrittSetzen();

    // Another program may hold the own file's lock: the wait cursor shows
    // at once, and the save waits a few seconds, not the connection's long
    // wait, before it gives up with the values still in the window.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Only for the cursor to show: a click now must not start a second save.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    bool besetzt = false;
    bool gespeichert = false;
    Datenbank* db = p_.lokaleDatenbank.get();
    if (db)
        db->WarteZeitSetzen(speicherWarteMs);
    try {
        // Hashing a new password takes a moment and 64 MiB: under the wait cursor.
        if (!neuesPasswort_.isEmpty())
            p_.passWort = PasswortHashen(neuesPasswort_);
        EinstellungenSpeichern(p_);
        gespeichert = true;
    } catch (const BesetztFehler&) {
        besetzt = true;
    } catch (const std::exception&) {
    }
    if (db)
        db->WarteZeitSetzen(Datenbank::WarteZeitMs);
    QApplication::restoreOverrideCursor();
    if (!gespeichert) {
        // The program goes on with what the database holds, and the window
        // stays open with the user's changes.
        static_cast<Einstellungswerte&>(p_) = vorher;
        if (leiste_)
            leiste_->ScrollSchrittSetzen();
        p_.Piepen();
        meldung(besetzt ? DateiBelegtText(kopie_.Sprache)
                        : text(EinstellungenTexte::NichtGespeichert),
                12);
        return false;
    }

    BroadcastWahlAnwenden(p_);
    if (p_.broadcastStatus && leiste_)
        versuche([&] { leiste_->MachLayout(); });
    return true;
}

bool Einstellungen::Speichern() {
    if (!pruefen() || !uebernehmenUndSpeichern())
        return false;
    p_.ungespeichert = false;
    close();
    if (leiste_)
        leiste_->SpracheEinstellen();
    return true;
}

bool Einstellungen::abschliessen() {
    bool zu = true;
    bool gespeichert = false;
    if (p_.ungespeichert && frage) {
        switch (frage(QMessageBox::Warning, programmText(EinstellungenTexte::SpeichernFrage),
                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
        case QMessageBox::Yes:
            // A failed check or store keeps the window open with its bubble
            // or message, so that the changes are not lost.
            gespeichert = pruefen() && uebernehmenUndSpeichern();
            if (gespeichert)
                p_.ungespeichert = false;
            zu = gespeichert;
            break;
        case QMessageBox::No:
            break;
        default: // Cancel, the close box and Escape
            zu = false;
            break;
        }
    }
    // Whatever the answer, the bar runs again in its own window order.
    leisteZurueck();
    if (gespeichert && leiste_)
        leiste_->SpracheEinstellen();
    return zu;
}

void Einstellungen::leisteZurueck() {
    if (!leiste_)
        return;
    leiste_->FensterOrdnung();
    leiste_->Timer1Aktiv(true);
    leiste_->FormAktiv(true);
    leiste_->MachLayout();
}

void Einstellungen::closeEvent(QCloseEvent* ereignis) {
    // While the bar is given back, events run; an activation of this window
    // arriving then must not take the bar out of the topmost group again.
    schliesst_ = true;
    if (!freigegeben_ && !abschliessen()) {
        schliesst_ = false;
        ereignis->ignore();
        return;
    }
    freigegeben_ = true;
    KommentareVerbergen();
    ereignis->accept();
}

// ---- window order, activation, messages

void Einstellungen::obenSetzen(bool oben) {
    ImmerObenSetzen(*this, oben);
}

void Einstellungen::lageSetzen() {
    const QRect schirm = Bildschirm(leiste_);
    const int leisteOben = leiste_ ? Twips(leiste_->y() - schirm.y()) : 0;
    // The outer height counts, title bar included, once a window manager
    // has framed the window: above a bar at the bottom the buttons must
    // stay on the screen.
    const int hoehe = Twips(std::max(frameGeometry().height(), height()));
    const QPoint lage = EinstellungenLage(leisteOben, Twips(schirm.height()), hoehe);
    move(schirm.x() + Px(lage.x()), schirm.y() + Px(lage.y()));
}

void Einstellungen::showEvent(QShowEvent* ereignis) {
    QWidget::showEvent(ereignis);
    // The frame is known only once the window manager has put it round the
    // window, a moment after the window is shown.
    if (!platziert_) {
        platziert_ = true;
        QTimer::singleShot(150, this, [this] {
            if (frameGeometry().height() > height())
                lageSetzen();
        });
    }
}

void Einstellungen::aktiviert() {
    if (fragt_ || schliesst_)
        return;
    if (leiste_)
        leiste_->ObenHalten(false);
    obenSetzen(true);
    speichernBef_->setFocus(Qt::ActiveWindowFocusReason);
}

bool Einstellungen::event(QEvent* ereignis) {
    if (ereignis->type() == QEvent::WindowActivate) {
        const bool ergebnis = QWidget::event(ereignis);
        aktiviert();
        return ergebnis;
    }
    return QWidget::event(ereignis);
}

void Einstellungen::keyPressEvent(QKeyEvent* ereignis) {
    // A push button takes Space by itself; Enter and Return reach the
    // window and press the button that has the focus.
    if (ereignis->key() == Qt::Key_Return || ereignis->key() == Qt::Key_Enter) {
        auto* knopf = qobject_cast<QPushButton*>(focusWidget());
        const Qt::KeyboardModifiers umschalter =
            ereignis->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        if (knopf && knopf->isEnabled() && knopf->isVisible() && umschalter == Qt::NoModifier) {
            ereignis->accept();
            knopf->click();
            return;
        }
    }
    QWidget::keyPressEvent(ereignis);
}

void Einstellungen::mousePressEvent(QMouseEvent* ereignis) {
    // The background and the passive panels pass their clicks on to here.
    KommentareVerbergen();
    ereignis->accept();
}

void Einstellungen::meldung(const QString& text, int farbNummer) {
    // This window's own line: when a question has just closed, the window
    // may not yet be the active one again.
    MeldungZeigen(this, text, farbNummer);
}

// ---- opening

Einstellungen* OffeneEinstellungen() {
    const auto fenster = QApplication::topLevelWidgets();
    for (QWidget* w : fenster)
        if (auto* e = qobject_cast<Einstellungen*>(w); e && e->isVisible())
            return e;
    return nullptr;
}

bool EinstellungenZeigen(Programm& p, Terminal* leiste) {
    // The prompt already let this window through once; it is only brought forward.
    if (Einstellungen* offen = OffeneEinstellungen()) {
        offen->raise();
        offen->activateWindow();
        return true;
    }
    if (p.sysopStatus)
        PassTestZeigen(p);
    if (p.sysopStatus && !p.zugangErlaubt)
        return false;
    auto* fenster = new Einstellungen(p, leiste);
    fenster->show();
    fenster->raise();
    fenster->activateWindow();
    return true;
}

} // namespace pinwick
