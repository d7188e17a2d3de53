#include "PassTest.h"
#include "Sprachwahl.h"
#include "Oberflaeche.h"

#include "Bilder.h"
#include "EinstellungenLayout.h"
#include "EinstellungsRegeln.h"
#include "Hilfen.h"
#include "Masse.h"
#include "Panel3D.h"
#include "SchriftEinpassen.h"
#include "Shell.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace pinwick {

namespace {

// The largest font from hoechstens points down in which the text fits the
// width; the fonts here run wider than the ones the window was drawn for.
QFont passendeSchrift(const QFont& schrift, const QString& text, int breitePx, qreal hoechstens) {
    return SchriftEinpassen(schrift, hoechstens, 6, 0.5, [&](const QFontMetrics& fm) {
        return fm.horizontalAdvance(text) <= breitePx;
    });
}

// The entry's object name, "PaßText", in UTF-8.
constexpr char PassTextName[] = "Pa\xC3\x9F"
                                "Text";

// A control of type T named and placed as PassTestPlaetze says.
template <class T> T* neu(QWidget* fenster, const char* name) {
    auto* element = new T(fenster);
    element->setObjectName(QString::fromUtf8(name));
    element->setGeometry(PxLage(PlatzVon(PassTestPlaetze, name).twips));
    return element;
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
    bauen();
    beschriften();
    platzieren();
    passText_->setFocus();
}

void PassTest::bauen() {
    titelPan_ = neu<Panel3D>(this, "TitelPan");
    QFont fett = titelPan_->font();
    fett.setBold(true);
    titelPan_->setFont(fett);

    const QPixmap rot = LampenBild(false);
    gruenIma_ = LampenBild(true);
    licht_[0] = neu<QLabel>(this, "LichtIma1");
    licht_[1] = neu<QLabel>(this, "LichtIma2");
    for (QLabel* lampe : licht_)
        lampe->setPixmap(rot);

    // The prompt text ends right before the entry; the fonts here run wider
    // than the design's, so it reaches a little further left and shrinks
    // when it still would not fit.
    zzPanel_ = neu<Panel3D>(this, "zzPanel");
    zzPanel_->setRand(false);
    zzPanel_->setDurchsichtig(true);
    zzPanel_->setAusrichtung(Qt::AlignRight | Qt::AlignVCenter);

    passText_ = neu<QLineEdit>(this, PassTextName);
    passText_->setEchoMode(QLineEdit::Password);
    // As long as the settings window lets the sysop make it: a shorter
    // limit here would lock out anyone with a longer password for good.
    passText_->setMaxLength(PasswortLaenge);
    passText_->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; "
                                            "background: rgb(224, 224, 224); }"));
    passText_->installEventFilter(this);

    meldungPan_ = neu<Panel3D>(this, "MeldungPan");
    meldungPan_->setHintergrund(Hellgrau);

    abbrechenBef_ = neu<QPushButton>(this, "AbbrechenBef");
    abbrechenBef_->setText(QStringLiteral("&Abbrechen"));
    okBef_ = neu<QPushButton>(this, "OkBef");
    okBef_->setText(QStringLiteral("&OK"));
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
}

void PassTest::beschriften() {
    const bool englisch = p_.Sprache == SpracheEnglisch;
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
}

void PassTest::platzieren() {
    // Centred over the settings window's place, half over the bar.
    const QRect schirm = Bildschirm(Oberflaeche::Von(p_).leiste);
    const int leisteOben = Oberflaeche::Von(p_).leiste ? Twips(Oberflaeche::Von(p_).leiste->y() - schirm.y()) : 0;
    const int leisteHoehe = Oberflaeche::Von(p_).leiste ? Twips(Oberflaeche::Von(p_).leiste->height()) : 0;
    const QPoint lage = PassTestLage(PassTestBreite, PassTestHoehe, leisteOben, leisteHoehe,
                                     Twips(schirm.height()));
    move(schirm.x() + Px(lage.x()), schirm.y() + Px(lage.y()));
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
