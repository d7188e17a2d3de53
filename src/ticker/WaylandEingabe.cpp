#include "WaylandEingabe.h"

#include "WaylandAnsicht.h"
#include "WaylandFlaeche.h"
#include "WaylandHinweis.h"
#include "WaylandMenue.h"

#include <wayland-client.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QFocusEvent>
#include <QEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <unistd.h>

namespace pinwick {

struct WaylandEingabe::Hoererei {
    static WaylandEingabe* e(void* daten) { return static_cast<WaylandEingabe*>(daten); }

    // ---- the pointer
    static void rein(void* daten, wl_pointer*, uint32_t, wl_surface* f, wl_fixed_t x,
                     wl_fixed_t y) {
        WaylandEingabe* ein = e(daten);
        ein->zeiger_.auf = f;
        ein->zeiger_.x = wl_fixed_to_double(x);
        ein->zeiger_.y = wl_fixed_to_double(y);
        if (f && f == ein->menue_.Oberflaeche())
            ein->menue_.Hervor(ein->menue_.Eintrag({ein->zeiger_.x, ein->zeiger_.y}));
        ein->hinweis_.Bewegt();
        ein->zeigerAufBand();
    }
    static void raus(void* daten, wl_pointer*, uint32_t, wl_surface* f) {
        WaylandEingabe* ein = e(daten);
        if (f && f == ein->menue_.Oberflaeche())
            ein->menue_.Hervor(nullptr);
        ein->zeiger_.auf = nullptr;
        ein->hinweis_.Zu();
        ein->zeigerAufBand();
        ein->tasten_ = {};
        if (f && f == ein->leiste_.Oberflaeche() && !ein->menue_.Offen())
            ein->leiste_.TastaturHergeben();
    }
    static void bewegt(void* daten, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
        WaylandEingabe* ein = e(daten);
        ein->zeiger_.x = wl_fixed_to_double(x);
        ein->zeiger_.y = wl_fixed_to_double(y);
        if (ein->zeiger_.auf && ein->zeiger_.auf == ein->menue_.Oberflaeche())
            ein->menue_.Hervor(ein->menue_.Eintrag({ein->zeiger_.x, ein->zeiger_.y}));
        ein->hinweis_.Bewegt();
        ein->zeigerAufBand();
    }
    static void knopf(void* daten, wl_pointer*, uint32_t serial, uint32_t zeit, uint32_t knopf,
                      uint32_t zustand) {
        e(daten)->knopf(serial, zeit, knopf, zustand == WL_POINTER_BUTTON_STATE_PRESSED);
    }
    static void rad(void* daten, wl_pointer*, uint32_t, uint32_t achse, wl_fixed_t wert) {
        WaylandEingabe* ein = e(daten);
        if (achse != WL_POINTER_AXIS_VERTICAL_SCROLL || !ein->zeiger_.auf ||
            ein->zeiger_.auf != ein->leiste_.Oberflaeche())
            return;
        // Down on Wayland is positive, in Qt negative; the bar turns its
        // pages with it as on X11.
        const int dreh = -static_cast<int>(wl_fixed_to_double(wert) * 8);
        if (dreh == 0)
            return;
        const QPointF stelle(ein->zeiger_.x, ein->zeiger_.y);
        QWheelEvent rad(stelle, stelle, QPoint(), QPoint(0, dreh), Qt::NoButton, Qt::NoModifier,
                        Qt::NoScrollPhase, false);
        QApplication::sendEvent(ein->ansicht_.Widget(), &rad);
    }
    static wl_pointer_listener zeigerHoerer() {
        wl_pointer_listener h{};
        h.enter = rein;
        h.leave = raus;
        h.motion = bewegt;
        h.button = knopf;
        h.axis = rad;
        return h;
    }

    // ---- the keyboard
    static void belegung(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) {
        // The keys the bar knows are taken by their position; the layout the
        // compositor sends is not needed.
        close(fd);
    }
    static void tastaturRein(void* daten, wl_keyboard*, uint32_t, wl_surface* f,
                             wl_array* gedrueckt) {
        e(daten)->tastaturDa(static_cast<const uint32_t*>(gedrueckt->data),
                             gedrueckt->size / sizeof(uint32_t));
        if (f && f == e(daten)->leiste_.Oberflaeche())
            e(daten)->tastaturGekommen();
    }
    static void tastaturRaus(void* daten, wl_keyboard*, uint32_t, wl_surface* f) {
        e(daten)->tastenVergessen();
        if (f && f == e(daten)->leiste_.Oberflaeche()) {
            e(daten)->tastaturAufLeiste_ = false;
            e(daten)->fokusMelden(false);
        }
    }
    static void taste(void* daten, wl_keyboard*, uint32_t, uint32_t, uint32_t code,
                      uint32_t zustand) {
        e(daten)->taste(code, zustand == WL_KEYBOARD_KEY_STATE_PRESSED);
    }
    static void umschalter(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t,
                           uint32_t) {}
    static wl_keyboard_listener tastaturHoerer() {
        wl_keyboard_listener h{};
        h.keymap = belegung;
        h.enter = tastaturRein;
        h.leave = tastaturRaus;
        h.key = taste;
        h.modifiers = umschalter;
        return h;
    }
};

namespace {
const wl_pointer_listener zeigerHoerer = WaylandEingabe::Hoererei::zeigerHoerer();
const wl_keyboard_listener tastaturHoerer = WaylandEingabe::Hoererei::tastaturHoerer();
} // namespace

WaylandEingabe::WaylandEingabe(WaylandFlaeche& leiste, WaylandMenue& menue,
                               WaylandHinweis& hinweis, LeistenAnsicht& ansicht,
                               Zeigerstand& zeiger)
    : leiste_(leiste), menue_(menue), hinweis_(hinweis), ansicht_(ansicht), zeiger_(zeiger) {
    stoppuhr_.start();
}

void WaylandEingabe::ZeigerHoeren(wl_pointer* zeiger) {
    wl_pointer_add_listener(zeiger, &zeigerHoerer, this);
}

void WaylandEingabe::TastaturHoeren(wl_keyboard* tastatur) {
    wl_keyboard_add_listener(tastatur, &tastaturHoerer, this);
}

// ---- the pointer

void WaylandEingabe::knopf(uint32_t serial, uint32_t zeit, uint32_t knopf, bool gedrueckt) {
    // A click closes the tooltip, and it waits for the pointer's next rest.
    hinweis_.Zu();
    if (gedrueckt)
        zeiger_.druckSerial = serial;
    if (zeiger_.auf && zeiger_.auf == menue_.Oberflaeche()) {
        // An entry is chosen by letting go over it, as in Qt's menus.
        if (!gedrueckt && (knopf == BtnLinks || knopf == BtnRechts))
            menue_.Waehlen(menue_.Eintrag({zeiger_.x, zeiger_.y}));
        return;
    }
    if (zeiger_.auf && zeiger_.auf != leiste_.Oberflaeche())
        return;
    if (gedrueckt) {
        letzterDruckMs_ = stoppuhr_.elapsed();
        leiste_.TastaturNehmen();
    }
    drueckenOderLoslassen(zeit, knopf, gedrueckt);
}

void WaylandEingabe::drueckenOderLoslassen(uint32_t zeit, uint32_t knopf, bool gedrueckt) {
    Qt::MouseButton qknopf = Qt::NoButton;
    if (knopf == BtnLinks)
        qknopf = Qt::LeftButton;
    else if (knopf == BtnRechts)
        qknopf = Qt::RightButton;
    else if (knopf == BtnMitte)
        qknopf = Qt::MiddleButton;
    else
        return;
    if (gedrueckt)
        tasten_ |= qknopf;
    else
        tasten_ &= ~Qt::MouseButtons(qknopf);

    // What Qt does with clicks on its own windows: a click outside an open
    // menu only closes it, and while a modal window is open the bar takes
    // no clicks.
    if (gedrueckt) {
        if (menue_.Offen()) {
            menue_.Zu();
            return;
        }
        if (QWidget* offen = QApplication::activePopupWidget()) {
            offen->close();
            return;
        }
    }
    if (QApplication::activeModalWidget())
        return;
    // The right button opens the menu as the bar's popup where the
    // compositor can place one; otherwise the bar opens Qt's menu window.
    if (gedrueckt && qknopf == Qt::RightButton && menue_.Moeglich() &&
        ansicht_.Menue()->isEnabled()) {
        menue_.Oeffnen();
        return;
    }
    mausEreignis(qknopf, gedrueckt, zeit);
}

void WaylandEingabe::mausEreignis(Qt::MouseButton qknopf, bool gedrueckt, uint32_t zeit) {
    QWidget* leiste = ansicht_.Widget();
    const double zx = zeiger_.x, zy = zeiger_.y;
    const QPoint stelle{int(zx), int(zy)};
    QWidget* ziel = leiste->childAt(stelle);
    if (!ziel)
        ziel = leiste;
    const QPointF lokal =
        QPointF(ziel->mapFrom(leiste, stelle)) + QPointF(zx - stelle.x(), zy - stelle.y());
    const QPointF global = QPointF(leiste->geometry().topLeft()) + QPointF(zx, zy);
    const Qt::KeyboardModifiers umschalter =
        (strgLinks_ || strgRechts_) ? Qt::ControlModifier : Qt::NoModifier;

    QMouseEvent ereignis(gedrueckt ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, lokal,
                         global, qknopf, tasten_, umschalter);
    QApplication::sendEvent(ziel, &ereignis);
    if (!gedrueckt || qknopf != Qt::LeftButton)
        return;
    const Druck jetzt{zeit, zx, zy, true};
    if (Doppelklick(letzterDruck_, jetzt, QGuiApplication::styleHints()->mouseDoubleClickInterval(),
                    QGuiApplication::styleHints()->mouseDoubleClickDistance())) {
        leiste_.TastaturHergeben(); // the administration it opens takes the keyboard
        QMouseEvent doppel(QEvent::MouseButtonDblClick, lokal, global, qknopf, tasten_,
                           umschalter);
        QApplication::sendEvent(ziel, &doppel);
        letzterDruck_ = {}; // a third press starts anew
    } else {
        letzterDruck_ = jetzt;
    }
}

// ---- the band

void WaylandEingabe::zeigerAufBand() {
    // The pointer on the band stands it, as the band's enter and leave do on
    // X11: the same events go to the band's widget.
    const bool drauf = zeiger_.auf && zeiger_.auf == leiste_.Oberflaeche() &&
                       ansicht_.BandRechteck().contains(QPointF(zeiger_.x, zeiger_.y).toPoint());
    if (drauf == zeigerAufBand_)
        return;
    zeigerAufBand_ = drauf;
    QWidget* band = ansicht_.Widget()->childAt(ansicht_.BandRechteck().center());
    if (!band)
        return;
    if (drauf) {
        const QPointF stelle(zeiger_.x, zeiger_.y);
        QEnterEvent e(stelle - ansicht_.BandRechteck().topLeft(), stelle, stelle);
        QApplication::sendEvent(band, &e);
    } else {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(band, &e);
    }
}

void WaylandEingabe::tastaturGekommen() {
    tastaturAufLeiste_ = true;
    // Someone came to the bar only when the keyboard came with a click: a
    // compositor that hands it over unasked must not stand the band. The
    // press may arrive just after the keyboard, so a moment later.
    const qint64 eintritt = stoppuhr_.elapsed();
    QTimer::singleShot(300, this, [this, eintritt] {
        if (tastaturAufLeiste_ && !TastaturUngefragt(eintritt, letzterDruckMs_))
            fokusMelden(true);
    });
}

void WaylandEingabe::fokusMelden(bool an) {
    // The bar's widget has no window of Qt's that could take the focus: it
    // hears of it as it would on X11.
    QFocusEvent e(an ? QEvent::FocusIn : QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(ansicht_.Widget(), &e);
}

// ---- the keyboard

void WaylandEingabe::tastenVergessen() {
    strgLinks_ = strgRechts_ = false;
    andereGedrueckt_ = 0;
}

void WaylandEingabe::tastaturDa(const uint32_t* gedrueckt, size_t anzahl) {
    tastenVergessen();
    if (!leiste_.KlickModus()) {
        // A compositor that gives the bar the keyboard without a click
        // would keep it from every other window: click mode then.
        const qint64 eintritt = stoppuhr_.elapsed();
        QTimer::singleShot(300, this, [this, eintritt] {
            if (leiste_.KlickModus() || !TastaturUngefragt(eintritt, letzterDruckMs_))
                return;
            leiste_.KlickModusAn();
        });
    }
    for (size_t i = 0; i < anzahl; ++i)
        strgAus(gedrueckt[i], true);
}

void WaylandEingabe::strgAus(uint32_t code, bool gedrueckt) {
    if (code == KeyLinksStrg)
        strgLinks_ = gedrueckt;
    else if (code == KeyRechtsStrg)
        strgRechts_ = gedrueckt;
    else if (code == KeyLinksUmschalt || code == KeyRechtsUmschalt || code == KeyLinksAlt ||
             code == KeyRechtsAlt || code == KeyLinksMeta || code == KeyRechtsMeta)
        andereGedrueckt_ = std::max(0, andereGedrueckt_ + (gedrueckt ? 1 : -1));
}

void WaylandEingabe::taste(uint32_t code, bool gedrueckt) {
    if (gedrueckt)
        hinweis_.Zu();
    strgAus(code, gedrueckt);
    if (menue_.Offen()) {
        // While the menu is open the keys are the menu's.
        if (gedrueckt)
            menue_.Taste(code);
        return;
    }
    if (!gedrueckt || QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return;
    const TastenBefehl befehl = TasteDeuten(code, strgLinks_ || strgRechts_, andereGedrueckt_ > 0);
    if (befehl == TastenBefehl::Keiner)
        return;
    QWidget* leiste = ansicht_.Widget();
    // The band's keys open no window: the bar keeps the keyboard.
    if (befehl == TastenBefehl::Anhalten || befehl == TastenBefehl::Zurueck ||
        befehl == TastenBefehl::Vor) {
        const Qt::Key qtaste = befehl == TastenBefehl::Anhalten ? Qt::Key_Space
                               : befehl == TastenBefehl::Zurueck ? Qt::Key_Left
                                                                 : Qt::Key_Right;
        QKeyEvent e(QEvent::KeyPress, qtaste, Qt::NoModifier,
                    qtaste == Qt::Key_Space ? QStringLiteral(" ") : QString());
        QApplication::sendEvent(leiste, &e);
        return;
    }
    leiste_.TastaturHergeben(); // the window the command opens takes the keyboard
    if (befehl == TastenBefehl::NeueNotiz) {
        QKeyEvent e(QEvent::KeyPress, Qt::Key_N, Qt::ControlModifier, QStringLiteral("\x0e"));
        QApplication::sendEvent(leiste, &e);
    } else {
        QKeyEvent e(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(leiste, &e);
    }
}

} // namespace pinwick
