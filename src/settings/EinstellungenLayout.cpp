// Building the settings window from its table of places. The controls are
// made in the order the focus moves through them (the table is ordered for
// the reader instead); each builder makes one part of the window.

#include "EinstellungenLayout.h"

#include "Bilder.h"
#include "Einstellungen.h"
#include "EinstellungenTeile.h"
#include "HilfeBlase.h"
#include "Masse.h"
#include "Shell.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

namespace pinwick {

namespace {

constexpr int32_t LinkBlau = 0x800000;
constexpr Qt::Alignment LinksMitte = Qt::AlignLeft | Qt::AlignVCenter;

const Platz& platzVon(const QString& name) {
    const QByteArray schluessel = name.toUtf8();
    return PlatzVon(EinstellungenPlaetze,
                    std::string_view(schluessel.constData(), size_t(schluessel.size())));
}

QWidget* elternVon(QWidget& fenster, const Platz& platz) {
    if (!*platz.gruppe)
        return &fenster;
    return fenster.findChild<QWidget*>(QString::fromUtf8(platz.gruppe));
}

// A control of type T named and placed as the table says.
template <class T> T* neu(QWidget& fenster, const QString& name) {
    const Platz& platz = platzVon(name);
    auto* element = new T(elternVon(fenster, platz));
    element->setObjectName(name);
    element->setGeometry(PxLage(platz.twips));
    return element;
}

// A caption panel named and placed as the table says.
Panel3D* neuerText(QWidget& fenster, const QString& name) {
    const Platz& platz = platzVon(name);
    Panel3D* panel = TextPanel(elternVon(fenster, platz), platz.twips, LinksMitte);
    panel->setObjectName(name);
    return panel;
}

} // namespace

void Einstellungen::bauen() {
    setObjectName(QStringLiteral("Einstellungen"));
    QFont schrift = font();
    schrift.setPointSizeF(8.25);
    setFont(schrift);

    miniaturBauen();
    farbKnoepfeBauen();
    // The group panels: 0 speed, docking and language, 1 sysop, 2 broadcast.
    for (int i = 0; i < 3; ++i) {
        auto* gruppe = neu<Panel3D>(*this, QStringLiteral("zzzPanel%1").arg(i));
        gruppe->setHintergrund(AlsFarbe(palette().color(QPalette::Window)));
    }
    allgemeinBauen();
    sysopBauen();
    broadcastBauen();
    hilfenBauen();
    fussBauen();
    tastenBauen();
}

void Einstellungen::miniaturBauen() {
    // Panel 1 is the frame, 2-4 the date/time and the two notes; their
    // places follow the settings (MiniaturBerechnen).
    auto* rahmen = neu<QWidget>(*this, QStringLiteral("MiniaturRahmen"));
    for (int i = 0; i < 4; ++i) {
        auto* panel = new Panel3D(i == 0 ? rahmen : farbePan_[0]);
        panel->setObjectName(QStringLiteral("FarbePan%1").arg(i + 1));
        panel->setKlickbar(true);
        panel->setCursor(Qt::PointingHandCursor);
        connect(panel, &Panel3D::geklickt, this, [this, i] { ElementWaehlen(i + 1); });
        farbePan_[size_t(i)] = panel;
    }
    farbePan_[0]->setRand(false);
    farbePan_[0]->setGeometry(0, 0, Px(MiniaturBreite),
                              Px(PlatzVon(EinstellungenPlaetze, "MiniaturRahmen").twips.height()));
    farbePan_[2]->setAusrichtung(LinksMitte);
    farbePan_[3]->setAusrichtung(LinksMitte);
}

void Einstellungen::farbKnoepfeBauen() {
    neuerText(*this, QStringLiteral("HinweisPan"));
    for (int i = 0; i < 3; ++i) {
        auto* knopf = neu<QPushButton>(*this, QStringLiteral("FarbWahlBef%1").arg(i + 1));
        knopf->setAutoDefault(false);
        knopf->hide();
        connect(knopf, &QPushButton::clicked, this, [this, i] { FarbeWaehlen(i + 1); });
        farbWahlBef_[size_t(i)] = knopf;
    }
    schriftWahlBef_ = neu<QPushButton>(*this, QStringLiteral("SchriftWahlBef"));
    schriftWahlBef_->setAutoDefault(false);
    schriftWahlBef_->hide();
    connect(schriftWahlBef_, &QPushButton::clicked, this, &Einstellungen::SchriftWaehlen);
}

void Einstellungen::allgemeinBauen() {
    // Three sets of options share one group panel; each set is exclusive on its own.
    auto* speedSatz = new QButtonGroup(this);
    auto* dockSatz = new QButtonGroup(this);
    auto* spracheSatz = new QButtonGroup(this);
    legendePan_[4] = neuerText(*this, QStringLiteral("LegendePan4"));
    for (int i = 0; i < 3; ++i) {
        auto* option =
            neu<QRadioButton>(*this, QStringLiteral("SpeedOpt%1").arg(Geschwindigkeiten[i]));
        const int16_t speed = int16_t(Geschwindigkeiten[i]);
        connect(option, &QRadioButton::clicked, this, [this, speed] { kopie_.Speed = speed; });
        speedSatz->addButton(option);
        speedOpt_[size_t(i)] = option;
    }
    for (int i = 0; i < 2; ++i) {
        auto* option = neu<QRadioButton>(*this, QStringLiteral("DockPosOpt%1").arg(i));
        connect(option, &QRadioButton::clicked, this, [this, i] {
            p_.ungespeichert = true;
            kopie_.dockPos = i;
        });
        dockSatz->addButton(option);
        dockPosOpt_[size_t(i)] = option;
    }
    onTopChe_ = neu<QCheckBox>(*this, QStringLiteral("OnTopChe"));
    connect(onTopChe_, &QCheckBox::clicked, this, [this](bool an) {
        p_.ungespeichert = true;
        kopie_.ImmerOben = an;
    });
    for (int i = 0; i < 2; ++i) {
        auto* option = neu<QRadioButton>(*this, QStringLiteral("SpracheOpt%1").arg(i + 1));
        const int16_t sprache = int16_t(i + 1);
        connect(option, &QRadioButton::clicked, this, [this, sprache] {
            p_.ungespeichert = true;
            kopie_.Sprache = sprache;
            Beschriften();
            ElementWaehlen(element_);
        });
        spracheSatz->addButton(option);
        spracheOpt_[size_t(i)] = option;
    }
    zeigDatumChe_ = neu<QCheckBox>(*this, QStringLiteral("ZeigDatumChe"));
    connect(zeigDatumChe_, &QCheckBox::clicked, this, [this](bool an) {
        kopie_.zeigDatum = an;
        miniaturLayout();
    });
    zeigRandChe_ = neu<QCheckBox>(*this, QStringLiteral("ZeigRandChe"));
    connect(zeigRandChe_, &QCheckBox::clicked, this, [this](bool an) {
        kopie_.zeigRahmen = an;
        // Without a border there is no frame colour to choose.
        if (element_ == Rahmen && farbWahlBef_[0]->isVisible())
            farbWahlBef_[0]->hide();
        miniaturLayout();
    });
}

void Einstellungen::sysopBauen() {
    sysopStatusChe_ = neu<QCheckBox>(*this, QStringLiteral("SysopStatusChe"));
    connect(sysopStatusChe_, &QCheckBox::clicked, this, &Einstellungen::sysopGeaendert);
    legendePan_[3] = neuerText(*this, QStringLiteral("LegendePan3"));
    passwortTex_ = neu<QLineEdit>(*this, QStringLiteral("PasswortTex"));
    passwortTex_->setMaxLength(PasswortLaenge);
    passwortTex_->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    passwortTex_->setEchoMode(QLineEdit::Password);
    // The box holds only a new password; while it is empty the stored one stays.
    connect(passwortTex_, &QLineEdit::textChanged, this,
            [this](const QString& text) { neuesPasswort_ = text; });
    auto* auge = neu<BildPan>(*this, QStringLiteral("AugePan"));
    auge->setBild(AugenBild(false));
    KnopfPanel(auge);
    connect(auge, &Panel3D::geklickt, this, [this] { passwortZeigen(!passwortSichtbar_); });
    augePan_ = auge;
}

void Einstellungen::broadcastBauen() {
    broadcastStatusChe_ = neu<QCheckBox>(*this, QStringLiteral("BroadcastStatusChe"));
    connect(broadcastStatusChe_, &QCheckBox::clicked, this, &Einstellungen::empfaengerRegel);
    legendePan_[0] = neuerText(*this, QStringLiteral("LegendePan0"));
    broadcastPfadPan_ = neu<Panel3D>(*this, QStringLiteral("BroadcastPfadPan"));
    broadcastPfadPan_->setAusrichtung(LinksMitte);
    broadcastPfadPan_->setHintergrund(0xFFFFFF);
    KnopfPanel(broadcastPfadPan_);
    connect(broadcastPfadPan_, &Panel3D::geklickt, this, &Einstellungen::PfadWaehlen);
    webAdresseBef_ = neu<QPushButton>(*this, QStringLiteral("WebAdresseBef"));
    webAdresseBef_->setAutoDefault(false);
    connect(webAdresseBef_, &QPushButton::clicked, this, &Einstellungen::WebAdresseEingeben);
    broadcastSchluesselTex_ = neu<QLineEdit>(*this, QStringLiteral("BroadcastSchluesselTex"));
    // A minisign public key is one line of 56 characters; a .pub file's
    // two lines pasted in keep their last.
    broadcastSchluesselTex_->setMaxLength(400);
    connect(broadcastSchluesselTex_, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QStringList zeilen = text.trimmed().split(QLatin1Char('\n'));
        kopie_.broadcastSchluessel = zeilen.constLast().trimmed();
    });
    legendePan_[1] = neuerText(*this, QStringLiteral("LegendePan1"));
    broadcastMasterChe_ = neu<QCheckBox>(*this, QStringLiteral("BroadcastMasterChe"));
    connect(broadcastMasterChe_, &QCheckBox::clicked, this,
            [this](bool an) { kopie_.remoteEinstellungen = an; });
    legendePan_[2] = neuerText(*this, QStringLiteral("LegendePan2"));
    eigeneChe_ = neu<QCheckBox>(*this, QStringLiteral("EigeneChe"));
    connect(eigeneChe_, &QCheckBox::clicked, this, [this](bool an) { kopie_.eigeneErlauben = an; });
}

void Einstellungen::hilfenBauen() {
    // Each link is followed by its pop-up, which lies over the whole window.
    for (int i = 0; i < 2; ++i) {
        Panel3D* link = neuerText(*this, QStringLiteral("HilfePan%1").arg(i + 1));
        const auto* gruppe = static_cast<const Panel3D*>(link->parentWidget());
        link->setSchriftFarbe(LinkBlau);
        QFont unterstrichen = link->font();
        unterstrichen.setUnderline(true);
        link->setFont(unterstrichen);
        link->setDurchsichtig(false);
        link->setHintergrund(gruppe->hintergrund());
        link->setRand(false);
        link->setRandBreite(1);
        KnopfPanel(link);
        // Pressed, the link shows a sunken edge; released, none again.
        connect(link, &Panel3D::gedrueckt, link, [link] { link->setRand(true); });
        connect(link, &Panel3D::losgelassen, link, [link] { link->setRand(false); });
        connect(link, &Panel3D::geklickt, this, [this, i] { KommentarZeigen(i + 1); });
        hilfeBlase_[size_t(i)] = new HilfeBlase(i + 1, this);
    }
}

void Einstellungen::fussBauen() {
    meldungPan_ = neu<Panel3D>(*this, QStringLiteral("MeldungPan"));
    meldungPan_->setAusrichtung(LinksMitte);

    auto* standard = neu<QPushButton>(*this, QStringLiteral("StandardBef"));
    connect(standard, &QPushButton::clicked, this, &Einstellungen::Standardwerte);
    auto* abbrechen = neu<QPushButton>(*this, QStringLiteral("AbbrechenBef"));
    connect(abbrechen, &QPushButton::clicked, this, &QWidget::close);
    speichernBef_ = neu<QPushButton>(*this, QStringLiteral("SpeichernBef"));
    connect(speichernBef_, &QPushButton::clicked, this, &Einstellungen::Speichern);
    for (QPushButton* knopf : {standard, abbrechen, speichernBef_})
        knopf->setAutoDefault(false);
}

void Einstellungen::tastenBauen() {
    // Keys the window sees before its controls.
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, [this] { HilfeZeigen(p_); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (KommentarOffen(1))
            KommentarVerbergen(1);
        else if (KommentarOffen(2))
            KommentarVerbergen(2);
        else
            close();
    });
}

} // namespace pinwick
