#include "UpdateSignal.h"
#include "Sprachwahl.h"
#include "Oberflaeche.h"

#include "Masse.h"
#include "Panel3D.h"
#include "SchriftEinpassen.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>

namespace pinwick {

QPoint SignalOrt(const QRect& schirm, const QRect& leiste, const QSize& signal, bool untenGedockt) {
    const int links = schirm.x() + schirm.width() - signal.width();
    const int oben = untenGedockt ? leiste.y() - signal.height() : leiste.y() + leiste.height();
    return QPoint(links, oben);
}

namespace {

// The small design size holds both captions only in a small font: the
// system's font is shrunk until the longer one fits.
QFont signalSchrift(int breitePx, int hoehePx) {
    const QString laengste = QStringLiteral("Update verf\u00FCgbar");
    return SchriftEinpassen(QApplication::font(), 8, 5, 0.5, [&](const QFontMetrics& fm) {
        return fm.horizontalAdvance(laengste) + 8 <= breitePx && fm.height() <= hoehePx;
    });
}

} // namespace

UpdateSignal::UpdateSignal(Programm& p)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), p_(p) {
    setWindowTitle(QStringLiteral("Pinwick"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowFlag(Qt::WindowStaysOnTopHint, p_.ImmerOben);
    setFixedSize(Px(BreiteTwips), Px(HoeheTwips));

    legendePan_ = new Panel3D(this);
    legendePan_->setGeometry(rect());
    legendePan_->setKlickbar(true);
    legendePan_->setCursor(Qt::PointingHandCursor);
    // In the colours of the bar's date and clock, so it reads as part of it.
    legendePan_->setHintergrund(p_.uhrHgFarbe);
    legendePan_->setSchriftFarbe(p_.UhrSchriftFarbe);
    legendePan_->setFont(signalSchrift(width(), height()));
    legendePan_->setText(QStringLiteral("Update verf\u00FCgbar"));
    if (p_.Sprache == SpracheEnglisch)
        legendePan_->setText(QStringLiteral("Update available"));
    else if (p_.Sprache == SpracheDeutsch)
        legendePan_->setText(QStringLiteral("Update verf\u00FCgbar"));
    // Queued: the question it opens must not run inside the panel's own
    // mouse handler, which the hand-over may outlive.
    connect(legendePan_, &Panel3D::geklickt, this, &UpdateSignal::geklickt, Qt::QueuedConnection);

    AnLeiste();
}

void UpdateSignal::AnLeiste() {
    const QWidget* leiste = Oberflaeche::Von(p_).leiste;
    const QRect schirm = Bildschirm(leiste);
    const QRect balken = leiste ? leiste->geometry() : QRect(schirm.topLeft(), QSize(0, 0));
    move(SignalOrt(schirm, balken, size(), p_.dockPos != 0));
}

void UpdateSignal::fensterOrdnung() {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == p_.ImmerOben)
        return;
    // Changing the flag hides the window; it comes back where it was,
    // without taking the focus.
    const bool sichtbar = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, p_.ImmerOben);
    if (sichtbar)
        show();
}

void UpdateSignal::changeEvent(QEvent* ereignis) {
    QWidget::changeEvent(ereignis);
    if (ereignis->type() == QEvent::ActivationChange && isActiveWindow())
        QMetaObject::invokeMethod(this, &UpdateSignal::fensterOrdnung, Qt::QueuedConnection);
}

} // namespace pinwick
