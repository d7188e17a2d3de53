#include "Panel3D.h"

#include "Masse.h"

#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <utility>

namespace pinwick {

namespace {

// A screen reader sees a panel as what it is used for: a button when it can
// be clicked, a label otherwise, named by its caption. A panel given a name
// of its own (the bar's clock, say) offers its caption as its description.
class Panel3DZugang : public QAccessibleWidget {
public:
    explicit Panel3DZugang(Panel3D* panel) : QAccessibleWidget(panel) {}
    QAccessible::Role role() const override {
        return panel()->klickbar() ? QAccessible::Button : QAccessible::StaticText;
    }
    QString text(QAccessible::Text art) const override {
        const QString eigenerName = panel()->accessibleName();
        if (art == QAccessible::Name)
            return eigenerName.isEmpty() ? panel()->text() : eigenerName;
        if (art == QAccessible::Description && !eigenerName.isEmpty() &&
            panel()->accessibleDescription().isEmpty())
            return panel()->text();
        return QAccessibleWidget::text(art);
    }

private:
    Panel3D* panel() const { return static_cast<Panel3D*>(widget()); }
};

QAccessibleInterface* panelZugangMachen(const QString& klasse, QObject* objekt) {
    if (klasse == QLatin1String(Panel3D::staticMetaObject.className()) && objekt &&
        objekt->isWidgetType())
        return new Panel3DZugang(static_cast<Panel3D*>(objekt));
    return nullptr;
}

} // namespace

Panel3D::Panel3D(QWidget* eltern) : QFrame(eltern) {
    static const bool zugangBekannt = (QAccessible::installFactory(panelZugangMachen), true);
    Q_UNUSED(zugangBekannt);
    setFrameStyle(QFrame::NoFrame);
    raenderSetzen();
}

Panel3D::Panel3D(const QString& text, QWidget* eltern) : Panel3D(eltern) {
    text_ = text;
}

void Panel3D::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    updateGeometry();
    update();
}

void Panel3D::setRand(bool an) {
    rand_ = an;
    raenderSetzen();
    update();
}

void Panel3D::setEingesenkt(bool an) {
    if (eingesenkt_ == an)
        return;
    eingesenkt_ = an;
    update();
}

void Panel3D::setRandBreite(int px) {
    randBreite_ = qMax(0, px);
    raenderSetzen();
    update();
}

void Panel3D::setAusrichtung(Qt::Alignment ausrichtung) {
    ausrichtung_ = ausrichtung;
    update();
}

void Panel3D::setUmbruch(bool an) {
    umbruch_ = an;
    update();
}

void Panel3D::setHintergrund(int32_t bbggrr) {
    hintergrund_ = bbggrr;
    update();
}

void Panel3D::setSchriftFarbe(int32_t bbggrr) {
    schriftFarbe_ = bbggrr;
    update();
}

void Panel3D::setDurchsichtig(bool an) {
    durchsichtig_ = an;
    update();
}

void Panel3D::setKlickbar(bool an) {
    klickbar_ = an;
}

void Panel3D::raenderSetzen() {
    const int r = rand_ ? randBreite_ : 0;
    // A little air between the edge and the text, as on a label.
    setContentsMargins(r + 2, r, r + 2, r);
}

QSize Panel3D::sizeHint() const {
    const QFontMetrics fm(font());
    const QMargins m = contentsMargins();
    return QSize(fm.horizontalAdvance(text_) + m.left() + m.right(),
                 fm.height() + m.top() + m.bottom());
}

void Panel3D::paintEvent(QPaintEvent*) {
    QPainter maler(this);
    const QRect r = rect();
    if (!durchsichtig_)
        maler.fillRect(r, Farbe(hintergrund_));

    if (rand_ && randBreite_ > 0) {
        QColor hell(255, 255, 255);
        QColor dunkel(128, 128, 128);
        if (eingesenkt_)
            std::swap(hell, dunkel);
        for (int i = 0; i < randBreite_; ++i) {
            const QRect k = r.adjusted(i, i, -i, -i);
            maler.setPen(hell);
            maler.drawLine(k.topLeft(), k.topRight());
            maler.drawLine(k.topLeft(), k.bottomLeft());
            maler.setPen(dunkel);
            maler.drawLine(k.bottomLeft(), k.bottomRight());
            maler.drawLine(k.topRight(), k.bottomRight());
        }
    }

    maler.setPen(Farbe(schriftFarbe_));
    maler.setFont(font());
    int flaggen = int(ausrichtung_);
    flaggen |= umbruch_ ? int(Qt::TextWordWrap) : int(Qt::TextSingleLine);
    const QRect innen = contentsRect();
    maler.setClipRect(innen);
    maler.drawText(innen, flaggen, text_);
}

void Panel3D::mousePressEvent(QMouseEvent* ereignis) {
    if (!klickbar_) {
        ereignis->ignore();
        return;
    }
    ereignis->accept();
    emit gedrueckt();
}

void Panel3D::mouseReleaseEvent(QMouseEvent* ereignis) {
    if (!klickbar_) {
        ereignis->ignore();
        return;
    }
    ereignis->accept();
    // Read the position before the signal: a receiver may close the window.
    const bool klick =
        ereignis->button() == Qt::LeftButton && rect().contains(ereignis->position().toPoint());
    const QPointer<Panel3D> selbst(this);
    emit losgelassen();
    if (klick && selbst)
        emit geklickt();
}

void Panel3D::enterEvent(QEnterEvent* ereignis) {
    QFrame::enterEvent(ereignis);
    emit betreten();
}

void Panel3D::leaveEvent(QEvent* ereignis) {
    QFrame::leaveEvent(ereignis);
    emit verlassen();
}

} // namespace pinwick
