#include "HilfeBlase.h"

#include "EinstellungenLayout.h"
#include "EinstellungenTeile.h"
#include "EinstellungsRegeln.h"
#include "Masse.h"

#include <QCheckBox>
#include <QFocusEvent>

namespace pinwick {

namespace {

// Twips.
constexpr int Breite = 5340;
constexpr int TextLinks = 150, TextOben = 150;
constexpr int ZuBreite = 1200, ZuHoehe = 315;
constexpr int32_t Gelb = 0xE1FFFF;

} // namespace

HilfeBlase::HilfeBlase(int nummer, QWidget* fenster) : Panel3D(fenster) {
    setObjectName(QStringLiteral("KommentarPan%1").arg(nummer));
    setHintergrund(Gelb);
    setRandBreite(1);
    // Clicks inside the pop-up stay there instead of closing it.
    setKlickbar(true);
    hide();

    text_ = new Panel3D(this);
    text_->setObjectName(QStringLiteral("KommentarTextPan%1").arg(nummer));
    text_->setRand(false);
    text_->setDurchsichtig(true);
    text_->setUmbruch(true);
    text_->setAusrichtung(Qt::AlignLeft | Qt::AlignTop);

    zu_ = new Panel3D(this);
    zu_->setObjectName(QStringLiteral("AbbrechenPan%1").arg(nummer));
    KnopfPanel(zu_);
    connect(zu_, &Panel3D::geklickt, this, &QWidget::hide);

    // Holds the focus while the pop-up is open; losing it closes the pop-up.
    halter_ = new QCheckBox(this);
    halter_->setObjectName(QStringLiteral("KommentarChe%1").arg(nummer));
    halter_->setGeometry(0, 0, 1, 1);
    halter_->setFocusPolicy(Qt::StrongFocus);
    halter_->installEventFilter(this);
}

void HilfeBlase::setHilfe(const QString& hilfe) {
    // Line breaks are stored the program's way (CR LF); the panel breaks at LF.
    QString text = hilfe;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text_->setText(text);
}

void HilfeBlase::einpassen(const QPoint& lage) {
    // The text decides the height; the close panel sits below it.
    const int textBreite = Breite - 2 * TextLinks;
    const QRect noetig = QFontMetrics(text_->font())
                             .boundingRect(QRect(0, 0, Px(textBreite) - 4, 100000),
                                           int(Qt::TextWordWrap | Qt::AlignLeft), text_->text());
    const int textHoehe = Twips(noetig.height() + 2);
    text_->setGeometry(PxLage(QRect(TextLinks, TextOben, textBreite, textHoehe)));
    const int zuOben = TextOben + HilfeAbbrechenOben(textHoehe);
    zu_->setGeometry(PxLage(QRect(Breite - ZuBreite - TextLinks, zuOben, ZuBreite, ZuHoehe)));
    setGeometry(PxLage(QRect(lage.x(), lage.y(), Breite, HilfeHoehe(zuOben, ZuHoehe))));
}

void HilfeBlase::zeigen() {
    raise();
    show();
    halter_->setFocus(Qt::OtherFocusReason);
}

bool HilfeBlase::eventFilter(QObject* objekt, QEvent* ereignis) {
    if (objekt == halter_ && ereignis->type() == QEvent::FocusOut) {
        const auto grund = static_cast<QFocusEvent*>(ereignis)->reason();
        // Only a focus that moves on inside the window closes the pop-up;
        // another window coming to the front does not.
        if (grund != Qt::ActiveWindowFocusReason && grund != Qt::PopupFocusReason)
            hide();
    }
    return Panel3D::eventFilter(objekt, ereignis);
}

} // namespace pinwick
