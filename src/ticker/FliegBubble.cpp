#include "FliegBubble.h"
#include "Oberflaeche.h"

#include "Animation.h"
#include "BildForm.h"
#include "Masse.h"
#include "Panel3D.h"

#include <QApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainterPath>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace pinwick {

namespace {

constexpr int Schritt = 200; // twips per fly-in step

QList<FliegBubble*> offeneBubbles() {
    QList<FliegBubble*> liste;
    const auto fenster = QApplication::topLevelWidgets();
    for (QWidget* w : fenster)
        if (auto* b = qobject_cast<FliegBubble*>(w); b && b->isVisible())
            liste.append(b);
    return liste;
}

int16_t alsInt16(int32_t wert) {
    return static_cast<int16_t>(std::clamp<int32_t>(wert, std::numeric_limits<int16_t>::min(),
                                                    std::numeric_limits<int16_t>::max()));
}

} // namespace

void FliegBubble::BildMalen(QPainter& maler) {
    maler.setRenderHint(QPainter::Antialiasing);
    // Body with a tail that points up and to the left, at the window or the
    // bar the bubble talks about.
    QPainterPath koerper;
    koerper.addRoundedRect(QRectF(1.5, 17.5, 115, 62), 13, 13);
    QPainterPath zipfel;
    zipfel.moveTo(26, 20);
    zipfel.lineTo(14, 1.5);
    zipfel.lineTo(46, 20);
    zipfel.closeSubpath();
    const QPainterPath form = koerper.united(zipfel);

    QLinearGradient verlauf(0, 0, 0, HoehePx);
    verlauf.setColorAt(0.0, QColor(255, 255, 240));
    verlauf.setColorAt(1.0, QColor(255, 244, 190));
    maler.setPen(QPen(QColor(70, 70, 70), 1.5));
    maler.setBrush(verlauf);
    maler.drawPath(form);
}

FliegBubble::FliegBubble(Programm& p, int32_t zielLinks, int32_t oben, QWidget* eltern)
    : QWidget(eltern, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      zielLinks_(zielLinks), oben_(oben) {
    setWindowTitle(QStringLiteral("Pinwick"));
    setFixedSize(BreitePx, HoehePx);
    FormSetzen(*this, &FliegBubble::BildMalen);

    mTextPan_ = new Panel3D(this);
    mTextPan_->setGeometry(Px(150), Px(420), Px(1485), Px(690));
    mTextPan_->setRand(false);
    mTextPan_->setDurchsichtig(true);
    mTextPan_->setUmbruch(true);
    QFont schrift = mTextPan_->font();
    schrift.setPointSizeF(8.25);
    mTextPan_->setFont(schrift);
    mTextPan_->setText(p.mBoxText);

    // Start just off the left edge of the screen.
    startLinks_ = -Twips(width());
    move(Px(startLinks_), Px(oben_));
}

void FliegBubble::showEvent(QShowEvent* ereignis) {
    QWidget::showEvent(ereignis);
    // Fly as soon as the event loop runs: without a window manager the bubble
    // may never be told it became active.
    QTimer::singleShot(0, this, &FliegBubble::einfliegen);
}

bool FliegBubble::event(QEvent* ereignis) {
    switch (ereignis->type()) {
    case QEvent::WindowActivate:
        warAktiv_ = true;
        break;
    case QEvent::WindowDeactivate:
        // Only a bubble that had the focus can lose it; one that never got it
        // (no window manager) stays until clicked.
        if (warAktiv_) {
            Schliessen();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::event(ereignis);
}

void FliegBubble::einfliegen() {
    if (fliegt_ || geschlossen_ || startLinks_ == zielLinks_)
        return;
    fliegt_ = true;
    if (!Animation::Schieben(
            this, startLinks_, zielLinks_, Schritt,
            [this](int32_t links) { move(Px(links), Px(oben_)); }, [this] { return geschlossen_; }))
        return;
    fliegt_ = false;
}

void FliegBubble::mousePressEvent(QMouseEvent* ereignis) {
    ereignis->accept();
}

void FliegBubble::mouseReleaseEvent(QMouseEvent* ereignis) {
    ereignis->accept();
    if (ereignis->button() != Qt::LeftButton || geschlossen_)
        return;
    // Gone from the screen first, then let the screen catch up, then away.
    hide();
    const QPointer<FliegBubble> selbst(this);
    QCoreApplication::processEvents();
    if (selbst)
        Schliessen();
}

void FliegBubble::Schliessen() {
    if (geschlossen_)
        return;
    geschlossen_ = true;
    hide();
    deleteLater();
}

void FliegBubble::paintEvent(QPaintEvent*) {
    QPainter maler(this);
    BildMalen(maler);
}

void BubbleZeigen(Programm& p, int32_t offsetLinks, int32_t offsetOben, const QString& text,
                  const QWidget* bezug) {
    // Nothing here may stop the caller: a window that is gone or has no
    // position just leaves the bubble at the bare offsets.
    if (auto* alt = qobject_cast<FliegBubble*>(Oberflaeche::Von(p).bubble.data()))
        alt->Schliessen();
    BubbleSchliessen();
    QCoreApplication::processEvents();

    p.mBoxText = text;

    // A window that asks a question is not active while the question is
    // open, nor at once after it: the caller names itself where it can.
    if (!bezug || !bezug->isVisible())
        bezug = QApplication::activeWindow();
    if (!bezug || qobject_cast<const FliegBubble*>(bezug) || !bezug->isVisible())
        bezug = Oberflaeche::Von(p).leiste;
    const QPoint ecke = bezug ? bezug->frameGeometry().topLeft() : QPoint(0, 0);
    int32_t links = Twips(ecke.x()) + offsetLinks;
    int32_t oben = Twips(ecke.y()) + offsetOben;
    // Offsets that would put the bubble past an edge of the screen (a bar at
    // the bottom, a window moved low) bring it back inside, where it can be
    // read and clicked away.
    if (const QScreen* schirm = bezug ? bezug->screen() : QGuiApplication::primaryScreen()) {
        const QRect flaeche = schirm->geometry();
        links = std::clamp(
            links, Twips(flaeche.left()),
            std::max(Twips(flaeche.left()), Twips(flaeche.right() + 1 - FliegBubble::BreitePx)));
        oben = std::clamp(
            oben, Twips(flaeche.top()),
            std::max(Twips(flaeche.top()), Twips(flaeche.bottom() + 1 - FliegBubble::HoehePx)));
    }
    // The program-wide values are 16 bits wide; a screen wider than 2184
    // pixels needs more, so the window itself takes the full value.
    p.bubbleLinks = alsInt16(links);
    p.bubbleOben = alsInt16(oben);

    auto* bubble = new FliegBubble(p, links, oben);
    Oberflaeche::Von(p).bubble = bubble;
    QCoreApplication::processEvents();
    bubble->show();
    bubble->activateWindow();
}

void BubbleSchliessen() {
    for (FliegBubble* b : offeneBubbles())
        b->Schliessen();
}

bool BubbleSichtbar() {
    return !offeneBubbles().isEmpty();
}

} // namespace pinwick
