#include "About.h"
#include "Sprachwahl.h"
#include "Oberflaeche.h"

#include "Masse.h"
#include "Panel3D.h"
#include "Shell.h"
#include "Version.h"

#include <QPushButton>

namespace pinwick {

namespace {
constexpr int32_t Hintergrund = 0xFFC0C0; // light blue
constexpr int32_t LinkFarbe = 0x800000;   // dark blue
constexpr int BreiteTwips = 4680, HoeheTwips = 3510;
// Index into lab_ for the label numbers as the box names them.
int platz(int nummer) {
    return nummer == 12 ? 5 : nummer - 1;
}
} // namespace

About::About(Programm& p, QWidget* eltern)
    : QDialog(eltern, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      webSeiteOeffnen(&WebSeiteOeffnen), p_(p) {
    if (p_.ImmerOben)
        setWindowFlag(Qt::WindowStaysOnTopHint);
    setFixedSize(Px(BreiteTwips), Px(HoeheTwips));
    QPalette farben = palette();
    farben.setColor(QPalette::Window, Farbe(Hintergrund));
    setPalette(farben);
    setAutoFillBackground(true);

    struct Zeile {
        int nummer, oben, hoehe, pixel;
        bool fett;
    };
    const Zeile zeilen[] = {{1, 240, 540, 26, true},   {2, 840, 300, 13, false},
                            {3, 1140, 300, 13, false}, {4, 1680, 270, 12, false},
                            {5, 1950, 270, 12, false}, {12, 2490, 270, 13, false}};
    for (const Zeile& z : zeilen) {
        auto* lab = new Panel3D(this);
        lab->setRand(false);
        lab->setDurchsichtig(true);
        lab->setAusrichtung(Qt::AlignLeft | Qt::AlignVCenter);
        lab->setGeometry(Px(300), Px(z.oben), Px(4080), Px(z.hoehe));
        QFont schrift = lab->font();
        schrift.setPixelSize(z.pixel);
        schrift.setBold(z.fett);
        lab->setFont(schrift);
        lab_[platz(z.nummer)] = lab;
    }

    Panel3D* link = textLab(12);
    QFont unterstrichen = link->font();
    unterstrichen.setUnderline(true);
    link->setFont(unterstrichen);
    link->setSchriftFarbe(LinkFarbe);
    link->setKlickbar(true);
    link->setCursor(Qt::PointingHandCursor);
    connect(link, &Panel3D::geklickt, this, &About::webSeiteZeigen);

    endeBef_ = new QPushButton(this);
    endeBef_->setGeometry(Px(3300), Px(2955), Px(1125), Px(375));
    endeBef_->setDefault(true);
    connect(endeBef_, &QPushButton::clicked, this, &QDialog::accept);

    // The name is the same in both languages; the rest follows the language
    // and keeps the German texts for any other value.
    const bool englisch = p_.Sprache == SpracheEnglisch;
    setWindowTitle(englisch ? QStringLiteral("About ...") : QStringLiteral("\u00DCber ..."));
    textLab(1)->setText(QStringLiteral("Pinwick"));
    textLab(2)->setText(englisch ? QStringLiteral("Notes and News System for Windows")
                                 : QStringLiteral("Notiz- und Nachrichtensystem f\u00FCr Windows"));
    textLab(3)->setText(VersionsText(p_.programmVersion, p_.Sprache));
    textLab(4)->setText(englisch ? QStringLiteral("Copyright \u00A9 the Pinwick developers")
                                 : QStringLiteral("Copyright \u00A9 die Pinwick-Entwickler"));
    textLab(5)->setText(englisch ? QStringLiteral("Made by the Pinwick team")
                                 : QStringLiteral("Gemacht vom Pinwick-Team"));
    textLab(12)->setText(englisch ? QStringLiteral("Pinwick in the web")
                                  : QStringLiteral("Pinwick im Web"));
    endeBef_->setText(englisch ? QStringLiteral("Close") : QStringLiteral("Schlie\u00DFen"));
#if !PINWICK_UPDATE_TLS
    // A build without FTPS says so where its users look for what they run:
    // its update password travels in clear, and only the signature keeps a
    // forged release out.
    auto* klartext = new Panel3D(this);
    klartext->setObjectName(QStringLiteral("klartextFtp"));
    klartext->setRand(false);
    klartext->setDurchsichtig(true);
    klartext->setAusrichtung(Qt::AlignLeft | Qt::AlignVCenter);
    klartext->setGeometry(Px(300), Px(2955), Px(2900), Px(375));
    QFont klein = klartext->font();
    klein.setPixelSize(11);
    klartext->setFont(klein);
    klartext->setText(englisch ? QStringLiteral("Updates over plain FTP (no TLS)")
                               : QStringLiteral("Updates \u00FCber einfaches FTP (ohne TLS)"));
#endif

    // Centred over the bar, near the top of the screen.
    const QRect schirm = Bildschirm(Oberflaeche::Von(p_).leiste);
    const int32_t leistenBreite = Twips(Oberflaeche::Von(p_).leiste ? Oberflaeche::Von(p_).leiste->width() : schirm.width());
    move(schirm.x() + Px((leistenBreite - BreiteTwips) / 2), schirm.y() + Px(200));
}

Panel3D* About::textLab(int nummer) const {
    const int i = platz(nummer);
    return i >= 0 && i < 6 ? lab_[i] : nullptr;
}

void About::webSeiteZeigen() {
    // Only the two languages have a page; for any other nothing opens.
    QString adresse;
    if (p_.Sprache == SpracheEnglisch)
        adresse = QStringLiteral(PINWICK_ABOUT_URL_EN);
    else if (p_.Sprache == SpracheDeutsch)
        adresse = QStringLiteral(PINWICK_ABOUT_URL_DE);
    if (!adresse.isEmpty() && webSeiteOeffnen)
        webSeiteOeffnen(adresse);
}

void AboutZeigen(Programm& p) {
    About box(p);
    box.exec();
}

} // namespace pinwick
