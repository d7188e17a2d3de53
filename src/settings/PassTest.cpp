#include "PassTest.h"
#include "Oberflaeche.h"

#include "Bilder.h"
#include "EinstellungsRegeln.h"
#include "Hilfen.h"
#include "Masse.h"
#include "Panel3D.h"
#include "Shell.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace pinwick {

namespace {

QRect twips(int links, int oben, int breite, int hoehe) {
    const int l = Px(links), o = Px(oben);
    return QRect(l, o, Px(links + breite) - l, Px(oben + hoehe) - o);
}

// The largest font from hoechstens points down in which the text fits the
// width; the fonts here run wider than the ones the window was drawn for.
QFont passendeSchrift(QFont schrift, const QString& text, int breitePx, qreal hoechstens) {
    qreal groesse = hoechstens;
    for (; groesse > 6; groesse -= 0.5) {
        schrift.setPointSizeF(groesse);
        if (QFontMetrics(schrift).horizontalAdvance(text) <= breitePx)
            break;
    }
    schrift.setPointSizeF(groesse);
    return schrift;
}

} // namespace

PassTest::PassTest(Programm& p, QWidget* eltern)
    : QDialog(eltern, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      warten(&Warten), p_(p) {
    // Until the right password is entered, access stays refused; any way out
    // of the prompt but that one leaves it so.
    p_.zugangErlaubt = false;

    setWindowTitle(QStringLiteral("Pinwick"));
    if (p_.ImmerOben)
        setWindowFlag(Qt::WindowStaysOnTopHint);
    setFixedSize(Px(PassTestBreite), Px(PassTestHoehe));

    titelPan_ = new Panel3D(this);
    titelPan_->setObjectName(QStringLiteral("TitelPan"));
    titelPan_->setGeometry(twips(120, 120, 5655, 495));
    QFont fett = titelPan_->font();
    fett.setBold(true);
    titelPan_->setFont(fett);

    const QPixmap rot = LampenBild(false);
    gruenIma_ = LampenBild(true);
    for (int i = 0; i < 2; ++i) {
        licht_[i] = new QLabel(this);
        licht_[i]->setObjectName(QStringLiteral("LichtIma%1").arg(i + 1));
        licht_[i]->setPixmap(rot);
        licht_[i]->setGeometry(twips(i == 0 ? 120 : 5295, 690, 480, 480));
    }

    // The prompt text ends right before the entry; the fonts here run wider
    // than the design's, so it reaches a little further left and shrinks
    // when it still would not fit.
    zzPanel_ = new Panel3D(this);
    zzPanel_->setObjectName(QStringLiteral("zzPanel"));
    zzPanel_->setRand(false);
    zzPanel_->setDurchsichtig(true);
    zzPanel_->setAusrichtung(Qt::AlignRight | Qt::AlignVCenter);
    zzPanel_->setGeometry(twips(660, 780, 1860, 315));

    passText_ = new QLineEdit(this);
    passText_->setObjectName(QStringLiteral("Pa\u00DFText"));
    passText_->setGeometry(twips(2580, 780, 1935, 315));
    passText_->setEchoMode(QLineEdit::Password);
    // As long as the settings window lets the sysop make it: a shorter
    // limit here would lock out anyone with a longer password for good.
    passText_->setMaxLength(PasswortLaenge);
    passText_->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; "
                                            "background: rgb(224, 224, 224); }"));
    passText_->installEventFilter(this);

    meldungPan_ = new Panel3D(this);
    meldungPan_->setObjectName(QStringLiteral("MeldungPan"));
    meldungPan_->setGeometry(twips(120, 1260, 5655, 285));
    meldungPan_->setHintergrund(Hellgrau);

    abbrechenBef_ = new QPushButton(QStringLiteral("&Abbrechen"), this);
    abbrechenBef_->setObjectName(QStringLiteral("AbbrechenBef"));
    abbrechenBef_->setGeometry(twips(120, 1650, 2790, 345));
    okBef_ = new QPushButton(QStringLiteral("&OK"), this);
    okBef_->setObjectName(QStringLiteral("OkBef"));
    okBef_->setGeometry(twips(2985, 1650, 2790, 345));
    // Enter belongs to the entry; neither button takes it over.
    for (QPushButton* knopf : {abbrechenBef_, okBef_}) {
        knopf->setAutoDefault(false);
        knopf->setDefault(false);
    }
    connect(abbrechenBef_, &QPushButton::clicked, this, &PassTest::reject);
    connect(okBef_, &QPushButton::clicked, this, [this] {
        meldungLoeschen();
        Pruefen();
    });

    const bool englisch = p_.Sprache == 1;
    titelPan_->setText(englisch ? QStringLiteral("This section is subject to access control.")
                                : QStringLiteral("Dieser Programmteil unterliegt der "
                                                 "Zugangsbeschr\u00E4nkung."));
    zzPanel_->setText(englisch ? QStringLiteral("Please enter password:")
                               : QStringLiteral("Bitte Passwort eingeben:"));
    for (Panel3D* panel : {titelPan_, zzPanel_}) {
        const QMargins r = panel->contentsMargins();
        const int breite = panel->width() - r.left() - r.right();
        panel->setFont(
            passendeSchrift(panel->font(), panel->text(), breite, panel == titelPan_ ? 10 : 8));
        panel->setUmbruch(QFontMetrics(panel->font()).horizontalAdvance(panel->text()) > breite);
    }

    // Centred over the settings window's place, half over the bar.
    const QRect schirm = Bildschirm(Oberflaeche::Von(p_).leiste);
    const int leisteOben = Oberflaeche::Von(p_).leiste ? Twips(Oberflaeche::Von(p_).leiste->y() - schirm.y()) : 0;
    const int leisteHoehe = Oberflaeche::Von(p_).leiste ? Twips(Oberflaeche::Von(p_).leiste->height()) : 0;
    const QPoint lage = PassTestLage(PassTestBreite, PassTestHoehe, leisteOben, leisteHoehe,
                                     Twips(schirm.height()));
    move(schirm.x() + Px(lage.x()), schirm.y() + Px(lage.y()));

    passText_->setFocus();
}

void PassTest::showEvent(QShowEvent* ereignis) {
    QDialog::showEvent(ereignis);
    if (!gepiept_) {
        gepiept_ = true;
        p_.Piepen();
    }
    passText_->setFocus();
}

void PassTest::meldungLoeschen() {
    if (meldungPan_->hintergrund() != Hellgrau)
        MeldungLoeschen(this);
}

void PassTest::Pruefen() {
    p_.zugangErlaubt = false;
    if (!PasswortGleich(passText_->text(), p_.passWort)) {
        p_.Piepen();
        MeldungZeigen(this, QStringLiteral("Zugang abgelehnt !"), RotNummer);
        passText_->clear();
        passText_->setFocus();
        return;
    }
    p_.zugangErlaubt = true;
    gruen_ = true;
    for (QLabel* lampe : licht_)
        lampe->setPixmap(gruenIma_);
    // The green lamps are to be seen before the prompt goes.
    const QPointer<PassTest> selbst(this);
    p_.EreignisseZulassen();
    if (!selbst)
        return;
    if (warten)
        warten(0.5f);
    accept();
}

void PassTest::reject() {
    p_.zugangErlaubt = false;
    QDialog::reject();
}

bool PassTest::eventFilter(QObject* objekt, QEvent* ereignis) {
    if (objekt == passText_ && ereignis->type() == QEvent::KeyPress) {
        auto* taste = static_cast<QKeyEvent*>(ereignis);
        meldungLoeschen();
        switch (taste->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Pruefen();
            return true;
        case Qt::Key_Escape:
            reject();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(objekt, ereignis);
}

void PassTestZeigen(Programm& p) {
    PassTest prompt(p);
    prompt.exec();
}

} // namespace pinwick
