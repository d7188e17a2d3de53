#include "MBox.h"
#include "Sprachwahl.h"
#include "Oberflaeche.h"

#include "Animation.h"
#include "BildForm.h"
#include "Hilfen.h"
#include "Masse.h"
#include "Panel3D.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPointer>
#include <QTimer>
#include <algorithm>

namespace pinwick {

namespace {

// Design positions (twips) of the text panel and the three buttons.
constexpr int TextLinks = 750, TextOben = 570, TextBreite = 2760, TextHoehe = 1290;
constexpr int KnopfOben = 2055, KnopfHoehe = 255;
struct Lage {
    int links, breite;
};
constexpr std::array<Lage, 3> Entwurf{{{2475, 870}, {1500, 255}, {1905, 420}}};

// The buttons share one row that starts at 1470 and is 1860 wide.
constexpr int ReiheLinks = 1470, ReiheBreite = 1860;
// Pixels a pressed button sinks to the right and down (30 twips).
constexpr int Eindruecken = 2;
// Each slide step moves the box by this much.
constexpr int Schritt = 200;

// One slanted quadrilateral: its top edge from x to x + breite at y, the
// bottom edge shifted left by the slant.
QPolygonF Schraeg(double x, double y, double breite, double hoehe) {
    constexpr double neigung = 30.0 / 110.0; // pixels left per pixel down
    const double versatz = hoehe * neigung;
    return QPolygonF({QPointF(x, y), QPointF(x + breite, y),
                      QPointF(x + breite - versatz, y + hoehe), QPointF(x - versatz, y + hoehe)});
}

QFont kleineSchrift() {
    QFont schrift;
    schrift.setPointSizeF(8.25);
    return schrift;
}

} // namespace

void MBox::GesichtMalen(QPainter& maler) {
    maler.setRenderHint(QPainter::Antialiasing);
    const QColor kante(96, 0, 0);

    // Logo tab: hangs over the lower edge of a bar docked at the top.
    const QPolygonF logoLasche = Schraeg(52, 1, 128, 34);
    maler.setPen(QPen(kante, 1.2));
    maler.setBrush(QColor(150, 0, 0));
    maler.drawPolygon(logoLasche);

    // Button tab: sits over the upper edge of a bar docked at the bottom.
    const QPolygonF knopfLasche = Schraeg(95, 128, 143, 41);
    maler.setBrush(QColor(140, 0, 0));
    maler.drawPolygon(knopfLasche);

    // The face itself.
    const QPolygonF gesicht = Schraeg(36, 28, 252, 110);
    QLinearGradient verlauf(0, 28, 0, 138);
    verlauf.setColorAt(0.0, QColor(232, 24, 24));
    verlauf.setColorAt(1.0, QColor(178, 0, 0));
    maler.setPen(QPen(kante, 1.5));
    maler.setBrush(verlauf);
    maler.drawPolygon(gesicht);
    // A light line under the top edge gives the face some depth.
    maler.setPen(QPen(QColor(255, 140, 140), 1.0));
    maler.drawLine(QPointF(37.5, 30), QPointF(286, 30));

    // Seam where the button tab meets the face, so it reads as one piece.
    maler.setPen(Qt::NoPen);
    maler.setBrush(QColor(140, 0, 0));
    maler.drawPolygon(Schraeg(95.8, 136, 141.5, 6));

    // The logo: a pin head and the name.
    maler.setPen(QPen(QColor(255, 255, 255), 1.6));
    maler.drawLine(QPointF(66, 22), QPointF(72, 11));
    maler.setPen(QPen(QColor(120, 0, 0), 1.0));
    maler.setBrush(QColor(255, 214, 0));
    maler.drawEllipse(QPointF(73, 10), 4.5, 4.5);
    QFont logo;
    logo.setPixelSize(17);
    logo.setBold(true);
    logo.setItalic(true);
    maler.setFont(logo);
    maler.setPen(QColor(255, 255, 255));
    maler.drawText(QRectF(82, 1, 92, 26), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Pinwick"));
}

MBox::MBox(Programm& p, QWidget* eltern)
    : QDialog(eltern, Qt::Dialog | Qt::FramelessWindowHint), p_(p) {
    if (p_.ImmerOben)
        setWindowFlag(Qt::WindowStaysOnTopHint);
    setModal(true);
    setWindowTitle(QStringLiteral("Pinwick"));
    setFixedSize(BreitePx, HoehePx);
    FormSetzen(*this, &MBox::GesichtMalen);

    textPan_ = new Panel3D(this);
    textPan_->setRand(false);
    textPan_->setDurchsichtig(true);
    textPan_->setSchriftFarbe(0xFFFFFF);
    textPan_->setUmbruch(true);
    textPan_->setFont(kleineSchrift());
    textPan_->setGeometry(Px(TextLinks), Px(TextOben), Px(TextBreite), Px(TextHoehe));
    textPan_->setText(p_.mBoxText);

    for (int i = 0; i < 3; ++i) {
        auto* knopf = new Panel3D(this);
        knopf->setRand(false);
        knopf->setKlickbar(true);
        knopf->setHintergrund(farben_[0]);
        knopf->setSchriftFarbe(0xFFFFFF);
        knopf->setFont(kleineSchrift());
        knopf->setFocusPolicy(Qt::NoFocus);
        const Lage& lage = Entwurf[static_cast<size_t>(i)];
        knopf->setGeometry(Px(lage.links), Px(KnopfOben), Px(lage.breite), Px(KnopfHoehe));
        connect(knopf, &Panel3D::betreten, this,
                [this, knopf] { knopf->setHintergrund(farben_[1]); });
        connect(knopf, &Panel3D::verlassen, this,
                [this, knopf] { knopf->setHintergrund(farben_[0]); });
        connect(knopf, &Panel3D::gedrueckt, this, [this, i] { knopfGedrueckt(i); });
        connect(knopf, &Panel3D::losgelassen, this, [this, i] { knopfLosgelassen(i); });
        knoepfe_[static_cast<size_t>(i)] = knopf;
    }
    knoepfe_[0]->setText(QStringLiteral(" Abbrechen "));
    knoepfe_[1]->setText(QStringLiteral(" Ja "));
    knoepfe_[2]->setText(QStringLiteral(" Nein "));

    // Start just outside the left edge; the target is the middle of the
    // screen, beside the bar: the logo tab reaches over a bar at the top,
    // the button tab over a bar at the bottom.
    schirm_ = Bildschirm(Oberflaeche::Von(p_).leiste);
    const int32_t breite = Twips(width());
    const int32_t hoehe = Twips(height());
    const int32_t leistenHoehe = Oberflaeche::Von(p_).leiste ? Twips(Oberflaeche::Von(p_).leiste->height()) : 0;
    startLinks_ = -breite;
    zielLinks_ = static_cast<int32_t>(std::lround(Twips(schirm_.width()) / 2.0 - breite / 2.0));
    if (p_.dockPos != 0)
        oben_ = Twips(schirm_.height()) - leistenHoehe - hoehe + 100;
    else
        oben_ = leistenHoehe - 400;
    setzen(startLinks_, oben_);

    knoepfeAnordnen();
    beschriften();
}

void MBox::setzen(int32_t links, int32_t oben) {
    move(schirm_.x() + Px(links), schirm_.y() + Px(oben));
}

void MBox::knoepfeAnordnen() {
    auto legen = [this](int index, int links, int breite) {
        Panel3D* knopf = knoepfe_[static_cast<size_t>(index)];
        knopf->setGeometry(Px(links), Px(KnopfOben), Px(breite), Px(KnopfHoehe));
        knopf->show();
    };
    auto verbergen = [this](int index) { knoepfe_[static_cast<size_t>(index)]->hide(); };

    switch (p_.mBoxArt) {
    case Abbrechen:
    case Ok:
        legen(0, ReiheLinks, ReiheBreite);
        verbergen(1);
        verbergen(2);
        break;
    case JaNein: {
        const int breite = ReiheBreite / 2 - 30;
        verbergen(0);
        legen(1, ReiheLinks, breite);
        legen(2, ReiheLinks + breite + 60, breite);
        break;
    }
    case JaNeinOk: {
        const int breite = ReiheBreite / 4 - 30;
        legen(1, ReiheLinks, breite);
        legen(2, ReiheLinks + breite + 30, breite);
        legen(0, ReiheLinks + 2 * breite + 60, ReiheBreite / 2 - 30);
        break;
    }
    default:
        // An unknown kind keeps the buttons where the design put them.
        break;
    }
}

void MBox::beschriften() {
    if (p_.Sprache != SpracheEnglisch && p_.Sprache != SpracheDeutsch)
        return; // the design captions stay
    const bool englisch = p_.Sprache == SpracheEnglisch;
    if (p_.mBoxArt == Abbrechen)
        knoepfe_[0]->setText(englisch ? QStringLiteral("Cancel") : QStringLiteral("Abbrechen"));
    else
        knoepfe_[0]->setText(QStringLiteral("OK"));
    knoepfe_[1]->setText(englisch ? QStringLiteral("Yes") : QStringLiteral("Ja"));
    knoepfe_[2]->setText(englisch ? QStringLiteral("No") : QStringLiteral("Nein"));
}

void MBox::showEvent(QShowEvent* ereignis) {
    QDialog::showEvent(ereignis);
    // Slide once the modal loop runs; on a desktop without a window manager
    // the box may never be told it became active.
    QTimer::singleShot(0, this, &MBox::einschieben);
}

bool MBox::event(QEvent* ereignis) {
    const bool ergebnis = QDialog::event(ereignis);
    if (ereignis->type() == QEvent::WindowActivate)
        QTimer::singleShot(0, this, &MBox::einschieben);
    return ergebnis;
}

void MBox::einschieben() {
    if (schiebt_ || schliesst_ || startLinks_ == zielLinks_)
        return;
    schiebt_ = true;
    // The start follows the box, so a new activation goes on from here; an
    // answer while sliding in hands over to the drop.
    if (!Animation::Schieben(
            this, startLinks_, zielLinks_, Schritt, [this](int32_t links) { setzen(links, oben_); },
            [this] { return schliesst_; }))
        return;
    schiebt_ = false;
}

void MBox::knopfGedrueckt(int index) {
    // Any mouse button answers; a second one pressed while the first is
    // still down would sink the button twice.
    if (schliesst_ || gedrueckt_ >= 0)
        return;
    Panel3D* knopf = knoepfe_[static_cast<size_t>(index)];
    knopf->move(knopf->pos() + QPoint(Eindruecken, Eindruecken));
    p_.mBoxAntwort = static_cast<int16_t>(index);
    gedrueckt_ = index;
}

void MBox::knopfLosgelassen(int index) {
    if (gedrueckt_ != index)
        return;
    gedrueckt_ = -1;
    Panel3D* knopf = knoepfe_[static_cast<size_t>(index)];
    knopf->move(knopf->pos() - QPoint(Eindruecken, Eindruecken));
    const QPointer<MBox> selbst(this);
    QCoreApplication::processEvents();
    if (!selbst)
        return;
    // Long enough for the eye to see the button come back up.
    Warten(0.05f);
    Schliessen();
}

void MBox::keyPressEvent(QKeyEvent* ereignis) {
    // Every key is swallowed; only Escape answers. Enter must not answer,
    // so the dialog's own default-button handling never sees a key.
    ereignis->accept();
    if (ereignis->key() == Qt::Key_Escape)
        wieEscape();
}

void MBox::wieEscape() {
    if (schliesst_)
        return;
    p_.mBoxAntwort = knoepfe_[0]->isHidden() ? int16_t(Nein) : int16_t(Knopf0);
    Schliessen();
}

void MBox::closeEvent(QCloseEvent* ereignis) {
    // A close request from the window manager (Alt+F4, a task list) must not
    // end the box without an answer: the caller would read the answer of an
    // earlier box. It counts as Escape, and the box leaves the usual way.
    if (schliesst_) {
        QDialog::closeEvent(ereignis);
        return;
    }
    ereignis->ignore();
    wieEscape();
}

void MBox::Schliessen() {
    if (schliesst_)
        return;
    schliesst_ = true;
    const QPointer<MBox> selbst(this);
    const int32_t unten = Twips(schirm_.height());
    const int32_t links = Twips(x() - schirm_.x());
    while (oben_ <= unten) {
        oben_ += Schritt;
        setzen(links, oben_);
        Animation::Schritt();
        if (!selbst)
            return;
    }
    done(QDialog::Accepted);
}

void MBox::Verwerfen() {
    schliesst_ = true;
    done(QDialog::Rejected);
}

void MBox::paintEvent(QPaintEvent*) {
    QPainter maler(this);
    GesichtMalen(maler);
}

MBox* OffeneMBox() {
    const auto fenster = QApplication::topLevelWidgets();
    for (QWidget* w : fenster) {
        auto* box = qobject_cast<MBox*>(w);
        if (box && box->isVisible())
            return box;
    }
    return nullptr;
}

void mBoxZeigen(Programm& p, int16_t art, const QString& text) {
    if (MBox* alt = OffeneMBox())
        alt->Verwerfen();
    p.mBoxArt = art;
    p.mBoxText = text;
    MBox box(p);
    box.exec();
}

} // namespace pinwick
