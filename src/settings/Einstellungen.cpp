#include "Einstellungen.h"

#include "Bilder.h"
#include "Datenbank.h"
#include "EinstellungsRegeln.h"
#include "EinstellungsSatz.h"
#include "FliegBubble.h"
#include "Hilfen.h"
#include "ImmerOben.h"
#include "MBox.h"
#include "Masse.h"
#include "Panel3D.h"
#include "PassTest.h"
#include "Shell.h"
#include "Speicher.h"
#include "Terminal.h"
#include "Versuche.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFocusEvent>
#include <QFontDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace pinwick {

namespace {

// A rectangle in twips as pixels, edge by edge, so neighbours stay neighbours.
QRect px(const QRect& t) {
    const int l = Px(t.x()), o = Px(t.y());
    return QRect(l, o, Px(t.x() + t.width()) - l, Px(t.y() + t.height()) - o);
}
QRect px(int links, int oben, int breite, int hoehe) {
    return px(QRect(links, oben, breite, hoehe));
}

// ---- where the controls sit (twips; inside their group where they have one)
constexpr int MiniaturBreite = 7950; // FarbePan 1
constexpr int DatumBreite = 1980;    // FarbePan 2: the bar's date and clock panels together
const QRect miniaturLage(120, 120, MiniaturBreite, 1470);
const QRect hinweisLage(120, 1650, 7950, 285);
const QRect farbKnopfLage[3] = {
    {120, 2010, 3900, 375}, {4170, 2010, 3900, 375}, {120, 2445, 3900, 375}};
const QRect schriftKnopfLage(4170, 2445, 3900, 375);

const QRect gruppenLage[3] = {{120, 6270, 7950, 1350},  // speed, docking, language
                              {120, 2940, 7950, 870},   // sysop
                              {120, 3900, 7950, 2280}}; // broadcast
// Sysop group.
const QRect sysopLage(120, 90, 3540, 285);
const QRect hilfeLinkLage(3720, 90, 2600, 285); // in both groups
const QRect passwortLegendeLage(120, 465, 1200, 315);
const QRect passwortLage(1380, 465, 3300, 315);
const QRect augeLage(4770, 465, 480, 315);
// Broadcast group.
const QRect empfaengerLage(120, 90, 3540, 285);
const QRect pfadLegendeLage(120, 420, 7710, 255);
const QRect pfadLage(120, 690, 7710, 315);
const QRect pfadHinweisLage(120, 1035, 7710, 255);
const QRect masterLage(120, 1335, 7710, 285);
const QRect masterHinweisLage(390, 1605, 7440, 255);
const QRect eigeneLage(120, 1905, 7710, 285);
// Speed, docking and language group: three columns.
const QRect speedLegendeLage(120, 90, 2400, 255);
constexpr int ZeilenOben[4] = {90, 375, 660, 945};
constexpr int ZeilenHoehe = 255;
constexpr int Spalte1 = 120, Spalte2 = 2700, Spalte3 = 5400, SpaltenBreite = 2450;

const QRect meldungLage(120, 7710, 7950, 285);
const QRect standardLage(120, 8130, 2700, 390);
const QRect abbrechenLage(4170, 8130, 1890, 390);
const QRect speichernLage(6180, 8130, 1890, 390);

// Help pop-ups.
constexpr int KommentarBreite = 5340;
constexpr int KommentarTextLinks = 150, KommentarTextOben = 150;
constexpr int KommentarAbbrechenBreite = 1200, KommentarAbbrechenHoehe = 315;

constexpr int32_t Schwarz = 0x000000;
constexpr int32_t Grau = 0x808080;
constexpr int32_t LinkBlau = 0x800000;
constexpr int32_t KommentarGelb = 0xE1FFFF;

constexpr int Speeds[3] = {30, 15, 5};

int32_t alsFarbe(const QColor& farbe) {
    return int32_t(farbe.red()) | (int32_t(farbe.green()) << 8) | (int32_t(farbe.blue()) << 16);
}

// The note font of a working copy.
QFont notizSchrift(const Einstellungswerte& k) {
    QFont schrift(k.SchriftName);
    schrift.setPointSize(std::clamp<int>(k.SchriftGroesse, 1, 100));
    schrift.setBold(k.SchriftFett);
    schrift.setItalic(k.SchriftKursiv);
    return schrift;
}

// The help texts: two paragraphs with an empty line between them.
QString kommentarText(int nummer, bool englisch, const QString& umbruch) {
    QString erster, zweiter;
    if (nummer == 1 && englisch) {
        erster = QStringLiteral(
            "Enable the sysop mode to password-protect the access to the program settings, in "
            "order to prevent unauthorized changes.");
        zweiter = QStringLiteral(
            "The sysop mode will be activated automatically by enabling the broadcast reciever "
            "mode. In this case, the password of the transmitter is valid also for this "
            "computer.");
    } else if (nummer == 1) {
        erster = QStringLiteral(
            "Wenn Sie den Sysop-Status aktivieren, kann der Zugang zu den Programmeinstellungen "
            "mit einem Passwort gesch\u00FCtzt werden, um unberechtigte \u00C4nderungen zu "
            "verhindern.");
        zweiter = QStringLiteral("Bei aktiviertem Broadcasting wird der Sysop-Status automatisch "
                                 "aktiviert. Es gilt das Passwort des Broadcast-Senders.");
    } else if (englisch) {
        erster = QStringLiteral(
            "Enable the broadcast receiver mode and set the path to the broadcast database to "
            "recieve the news contained in the database pw.kav of the transmitter. Pinwick 3 "
            "installations with disabled broadcast receiver mode are not connected and work "
            "either as transmitters or as stand-alone applications.");
        zweiter = QStringLiteral(
            "Enabling the broadcast receiver mode enables the sysop mode automatically. The "
            "sysop decides for every installation whether it will be connected to the broadcast "
            "system or not. On every connected receiver the sysop sets the path to the "
            "broadcast database.");
    } else {
        erster = QStringLiteral(
            "Wenn Sie diesen Computer als Broadcast-Empf\u00E4nger aktivieren und den Pfad zur "
            "Broadcast-Datenbank einstellen, empfangen Sie die Nachrichten, die in der "
            "Datenbank pw.kav des Broadcasters enthalten sind. Pinwick 3-Installationen, bei "
            "denen Broadcasting nicht aktiviert ist, sind nicht angeschlossen und arbeiten "
            "entweder als Sender oder als Einzelplatzanwendung.");
        zweiter = QStringLiteral(
            "Bei Aktivierung als Broadcast-Empf\u00E4nger erfolgt automatisch auch die "
            "Aktivierung des SysOp-Status. Der Sysop stellt an jeder Installation ein, ob sie an "
            "das Broadcast-System angeschlossen wird. An jedem angeschlossenen Empf\u00E4nger "
            "stellt der Sysop den Pfad zur Broadcast-Datenbank ein.");
    }
    return erster + umbruch + umbruch + zweiter;
}

// A 3D panel showing a picture in its middle (the eye).
class BildPan : public Panel3D {
public:
    using Panel3D::Panel3D;
    void setBild(const QPixmap& bild) {
        bild_ = bild;
        update();
    }

protected:
    void paintEvent(QPaintEvent* ereignis) override {
        Panel3D::paintEvent(ereignis);
        QPainter maler(this);
        if (!isEnabled())
            maler.setOpacity(0.35);
        const QPoint ecke((width() - bild_.width()) / 2, (height() - bild_.height()) / 2);
        maler.drawPixmap(ecke + (eingesenkt() ? QPoint(1, 1) : QPoint()), bild_);
    }

private:
    QPixmap bild_;
};

// A panel that is a label of a control follows that control's enabled state
// in its text colour.
void freigeben(QWidget* element, bool an) {
    element->setEnabled(an);
    if (auto* panel = qobject_cast<Panel3D*>(element); panel && !dynamic_cast<BildPan*>(element))
        panel->setSchriftFarbe(an ? Schwarz : Grau);
}

Panel3D* textPanel(QWidget* eltern, const QRect& lage, Qt::Alignment ausrichtung) {
    auto* panel = new Panel3D(eltern);
    panel->setRand(false);
    panel->setDurchsichtig(true);
    panel->setAusrichtung(ausrichtung);
    panel->setGeometry(px(lage));
    return panel;
}

// A panel that acts as a button: it looks pressed while a mouse button is down on it.
void knopfPanel(Panel3D* panel) {
    panel->setKlickbar(true);
    panel->setCursor(Qt::PointingHandCursor);
    QObject::connect(panel, &Panel3D::gedrueckt, panel, [panel] { panel->setEingesenkt(true); });
    QObject::connect(panel, &Panel3D::losgelassen, panel, [panel] { panel->setEingesenkt(false); });
}

// A question over a window that stays on top has to stay on top as well, or
// a window manager may put it beneath.
void obenWieEltern(QWidget& frage, const QWidget* eltern) {
    if (eltern && eltern->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        frage.setWindowFlag(Qt::WindowStaysOnTopHint);
}

} // namespace

// ---- the common dialogs

Einstellungen::Dialoge Einstellungen::EchteDialoge() {
    Dialoge d;
    d.farbe = [](QWidget* eltern, int32_t start, const QString& titel) -> std::optional<int32_t> {
        const QColor farbe = QColorDialog::getColor(Farbe(start), eltern, titel);
        if (!farbe.isValid())
            return std::nullopt;
        return alsFarbe(farbe);
    };
    d.schrift = [](QWidget* eltern, const QFont& start) -> std::optional<QFont> {
        bool ok = false;
        const QFont schrift = QFontDialog::getFont(&ok, start, eltern);
        if (!ok)
            return std::nullopt;
        return schrift;
    };
    d.datei = [](QWidget* eltern, const QString& titel) {
        QFileDialog dialog(eltern, titel, QString(), QStringLiteral("pw.kav (pw.kav)"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.selectFile(QStringLiteral("pw.kav"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().first();
    };
    d.jaNein = [](QWidget* eltern, const QString& text) {
        QMessageBox frage(QMessageBox::Question, QStringLiteral("Pinwick"), text,
                          QMessageBox::Yes | QMessageBox::No, eltern);
        obenWieEltern(frage, eltern);
        return frage.exec() == QMessageBox::Yes;
    };
    d.jaNeinAbbrechen = [](QWidget* eltern, const QString& text) {
        QMessageBox frage(QMessageBox::Warning, QStringLiteral("Pinwick"), text,
                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, eltern);
        obenWieEltern(frage, eltern);
        // The close box and Escape answer Cancel.
        frage.setEscapeButton(QMessageBox::Cancel);
        switch (frage.exec()) {
        case QMessageBox::Yes:
            return Dialoge::Antwort::Ja;
        case QMessageBox::No:
            return Dialoge::Antwort::Nein;
        default:
            return Dialoge::Antwort::Abbrechen;
        }
    };
    d.mBoxJaNein = [](Programm& p, const QString& text) {
        mBoxZeigen(p, MBox::JaNein, text);
        return p.mBoxAntwort == MBox::Ja;
    };
    d.bubble = [](QWidget* fenster, Programm& p, int32_t links, int32_t oben, const QString& text) {
        BubbleZeigen(p, links, oben, text, fenster);
    };
    d.dateiPruefen = BroadcastDateiPruefen;
    return d;
}

// ---- loading

Einstellungen::Einstellungen(Programm& p, Terminal* leiste, QWidget* eltern)
    : QWidget(eltern, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      dialoge(EchteDialoge()), p_(p), leiste_(leiste) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Px(EinstellungenBreite), Px(EinstellungenHoehe));
    bauen();

    // 1. Place: 500 twips from the left; clear of a bar at either edge.
    lageSetzen();

    // 2. The working copy; the frame is selected.
    kopie_ = p_;
    element_ = Rahmen;

    // 3. Captions.
    texteSetzen(false);
    Beschriften();
    p_.EreignisseZulassen();

    // 4. Controls from the copy; 5. the miniature. Nothing is changed yet.
    steuerelementeSetzen();
    miniaturLayout();
    if (kopie_.zeigRahmen)
        knoepfeZeigen(element_);
    p_.ungespeichert = false;
}

Einstellungen::~Einstellungen() = default;

void Einstellungen::bauen() {
    setObjectName(QStringLiteral("Einstellungen"));
    QFont schrift = font();
    schrift.setPointSizeF(8.25);
    setFont(schrift);

    // The miniature: panel 1 is the frame, 2-4 the date/time and the two notes.
    miniaturRahmen_ = new QWidget(this);
    miniaturRahmen_->setGeometry(px(miniaturLage));
    for (int i = 0; i < 4; ++i) {
        auto* panel = new Panel3D(i == 0 ? miniaturRahmen_ : farbePan_[0]);
        panel->setObjectName(QStringLiteral("FarbePan%1").arg(i + 1));
        panel->setKlickbar(true);
        panel->setCursor(Qt::PointingHandCursor);
        connect(panel, &Panel3D::geklickt, this, [this, i] { ElementWaehlen(i + 1); });
        farbePan_[size_t(i)] = panel;
    }
    farbePan_[0]->setRand(false);
    farbePan_[0]->setGeometry(0, 0, Px(MiniaturBreite), Px(miniaturLage.height()));
    farbePan_[2]->setAusrichtung(Qt::AlignLeft | Qt::AlignVCenter);
    farbePan_[3]->setAusrichtung(Qt::AlignLeft | Qt::AlignVCenter);

    hinweisPan_ = textPanel(this, hinweisLage, Qt::AlignLeft | Qt::AlignVCenter);
    hinweisPan_->setObjectName(QStringLiteral("HinweisPan"));

    for (int i = 0; i < 3; ++i) {
        auto* knopf = new QPushButton(this);
        knopf->setObjectName(QStringLiteral("FarbWahlBef%1").arg(i + 1));
        knopf->setGeometry(px(farbKnopfLage[i]));
        knopf->setAutoDefault(false);
        knopf->hide();
        connect(knopf, &QPushButton::clicked, this, [this, i] { FarbeWaehlen(i + 1); });
        farbWahlBef_[size_t(i)] = knopf;
    }
    schriftWahlBef_ = new QPushButton(this);
    schriftWahlBef_->setObjectName(QStringLiteral("SchriftWahlBef"));
    schriftWahlBef_->setGeometry(px(schriftKnopfLage));
    schriftWahlBef_->setAutoDefault(false);
    schriftWahlBef_->hide();
    connect(schriftWahlBef_, &QPushButton::clicked, this, &Einstellungen::SchriftWaehlen);

    for (int i = 0; i < 3; ++i) {
        auto* gruppe = new Panel3D(this);
        gruppe->setObjectName(QStringLiteral("zzzPanel%1").arg(i));
        gruppe->setHintergrund(alsFarbe(palette().color(QPalette::Window)));
        gruppe->setGeometry(px(gruppenLage[i]));
        zzzPanel_[size_t(i)] = gruppe;
    }
    Panel3D* allgemein = zzzPanel_[0];
    Panel3D* sysop = zzzPanel_[1];
    Panel3D* broadcast = zzzPanel_[2];

    // ---- speed, docking, language, and the two "show" boxes
    // Three sets of options share one group panel; each set is exclusive on its own.
    auto* speedSatz = new QButtonGroup(this);
    auto* dockSatz = new QButtonGroup(this);
    auto* spracheSatz = new QButtonGroup(this);
    legendePan_[4] = textPanel(allgemein, speedLegendeLage, Qt::AlignLeft | Qt::AlignVCenter);
    for (int i = 0; i < 3; ++i) {
        auto* option = new QRadioButton(allgemein);
        option->setObjectName(QStringLiteral("SpeedOpt%1").arg(Speeds[i]));
        option->setGeometry(px(Spalte1, ZeilenOben[i + 1], SpaltenBreite, ZeilenHoehe));
        const int16_t speed = int16_t(Speeds[i]);
        connect(option, &QRadioButton::clicked, this, [this, speed] { kopie_.Speed = speed; });
        speedSatz->addButton(option);
        speedOpt_[size_t(i)] = option;
    }
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(allgemein);
        option->setObjectName(QStringLiteral("DockPosOpt%1").arg(i));
        option->setGeometry(px(Spalte2, ZeilenOben[i], SpaltenBreite, ZeilenHoehe));
        connect(option, &QRadioButton::clicked, this, [this, i] {
            p_.ungespeichert = true;
            kopie_.dockPos = i;
        });
        dockSatz->addButton(option);
        dockPosOpt_[size_t(i)] = option;
    }
    onTopChe_ = new QCheckBox(allgemein);
    onTopChe_->setObjectName(QStringLiteral("OnTopChe"));
    onTopChe_->setGeometry(px(Spalte2, ZeilenOben[2], SpaltenBreite, ZeilenHoehe));
    connect(onTopChe_, &QCheckBox::clicked, this, [this](bool an) {
        p_.ungespeichert = true;
        kopie_.ImmerOben = an;
    });
    for (int i = 0; i < 2; ++i) {
        auto* option = new QRadioButton(
            i == 0 ? QStringLiteral("English") : QStringLiteral("Deutsch"), allgemein);
        option->setObjectName(QStringLiteral("SpracheOpt%1").arg(i + 1));
        option->setGeometry(px(Spalte3, ZeilenOben[i], SpaltenBreite, ZeilenHoehe));
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
    zeigDatumChe_ = new QCheckBox(allgemein);
    zeigDatumChe_->setObjectName(QStringLiteral("ZeigDatumChe"));
    zeigDatumChe_->setGeometry(px(Spalte3, ZeilenOben[2], SpaltenBreite, ZeilenHoehe));
    connect(zeigDatumChe_, &QCheckBox::clicked, this, [this](bool an) {
        kopie_.zeigDatum = an;
        miniaturLayout();
    });
    zeigRandChe_ = new QCheckBox(allgemein);
    zeigRandChe_->setObjectName(QStringLiteral("ZeigRandChe"));
    zeigRandChe_->setGeometry(px(Spalte3, ZeilenOben[3], SpaltenBreite, ZeilenHoehe));
    connect(zeigRandChe_, &QCheckBox::clicked, this, [this](bool an) {
        kopie_.zeigRahmen = an;
        // Without a border there is no frame colour to choose.
        if (element_ == Rahmen && farbWahlBef_[0]->isVisible())
            farbWahlBef_[0]->hide();
        miniaturLayout();
    });

    // ---- sysop
    sysopStatusChe_ = new QCheckBox(sysop);
    sysopStatusChe_->setObjectName(QStringLiteral("SysopStatusChe"));
    sysopStatusChe_->setGeometry(px(sysopLage));
    connect(sysopStatusChe_, &QCheckBox::clicked, this, &Einstellungen::sysopGeaendert);
    legendePan_[3] = textPanel(sysop, passwortLegendeLage, Qt::AlignLeft | Qt::AlignVCenter);
    passwortTex_ = new QLineEdit(sysop);
    passwortTex_->setObjectName(QStringLiteral("PasswortTex"));
    passwortTex_->setGeometry(px(passwortLage));
    passwortTex_->setMaxLength(PasswortLaenge);
    passwortTex_->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    passwortTex_->setEchoMode(QLineEdit::Password);
    connect(passwortTex_, &QLineEdit::textChanged, this,
            [this](const QString& text) { kopie_.passWort = text; });
    auto* auge = new BildPan(sysop);
    auge->setObjectName(QStringLiteral("AugePan"));
    auge->setGeometry(px(augeLage));
    auge->setBild(AugenBild(false));
    knopfPanel(auge);
    connect(auge, &Panel3D::geklickt, this, [this] { passwortZeigen(!passwortSichtbar_); });
    augePan_ = auge;

    // ---- broadcast
    broadcastStatusChe_ = new QCheckBox(broadcast);
    broadcastStatusChe_->setObjectName(QStringLiteral("BroadcastStatusChe"));
    broadcastStatusChe_->setGeometry(px(empfaengerLage));
    connect(broadcastStatusChe_, &QCheckBox::clicked, this, &Einstellungen::empfaengerRegel);
    legendePan_[0] = textPanel(broadcast, pfadLegendeLage, Qt::AlignLeft | Qt::AlignVCenter);
    broadcastPfadPan_ = new Panel3D(broadcast);
    broadcastPfadPan_->setObjectName(QStringLiteral("BroadcastPfadPan"));
    broadcastPfadPan_->setGeometry(px(pfadLage));
    broadcastPfadPan_->setAusrichtung(Qt::AlignLeft | Qt::AlignVCenter);
    broadcastPfadPan_->setHintergrund(0xFFFFFF);
    knopfPanel(broadcastPfadPan_);
    connect(broadcastPfadPan_, &Panel3D::geklickt, this, &Einstellungen::PfadWaehlen);
    legendePan_[1] = textPanel(broadcast, pfadHinweisLage, Qt::AlignLeft | Qt::AlignVCenter);
    broadcastMasterChe_ = new QCheckBox(broadcast);
    broadcastMasterChe_->setObjectName(QStringLiteral("BroadcastMasterChe"));
    broadcastMasterChe_->setGeometry(px(masterLage));
    connect(broadcastMasterChe_, &QCheckBox::clicked, this,
            [this](bool an) { kopie_.remoteEinstellungen = an; });
    legendePan_[2] = textPanel(broadcast, masterHinweisLage, Qt::AlignLeft | Qt::AlignVCenter);
    eigeneChe_ = new QCheckBox(broadcast);
    eigeneChe_->setObjectName(QStringLiteral("EigeneChe"));
    eigeneChe_->setGeometry(px(eigeneLage));
    connect(eigeneChe_, &QCheckBox::clicked, this, [this](bool an) { kopie_.eigeneErlauben = an; });
    for (int i = 0; i < 5; ++i)
        legendePan_[size_t(i)]->setObjectName(QStringLiteral("LegendePan%1").arg(i));

    // ---- the help links and their pop-ups
    for (int i = 0; i < 2; ++i) {
        Panel3D* gruppe = i == 0 ? sysop : broadcast;
        auto* link = textPanel(gruppe, hilfeLinkLage, Qt::AlignLeft | Qt::AlignVCenter);
        link->setObjectName(QStringLiteral("HilfePan%1").arg(i + 1));
        link->setSchriftFarbe(LinkBlau);
        QFont unterstrichen = link->font();
        unterstrichen.setUnderline(true);
        link->setFont(unterstrichen);
        link->setDurchsichtig(false);
        link->setHintergrund(gruppe->hintergrund());
        link->setRand(false);
        link->setRandBreite(1);
        knopfPanel(link);
        // Pressed, the link shows a sunken edge; released, none again.
        connect(link, &Panel3D::gedrueckt, link, [link] { link->setRand(true); });
        connect(link, &Panel3D::losgelassen, link, [link] { link->setRand(false); });
        connect(link, &Panel3D::geklickt, this, [this, i] { KommentarZeigen(i + 1); });
        hilfePan_[size_t(i)] = link;

        auto* pop = new Panel3D(this);
        pop->setObjectName(QStringLiteral("KommentarPan%1").arg(i + 1));
        pop->setHintergrund(KommentarGelb);
        pop->setRandBreite(1);
        // Clicks inside the pop-up stay there instead of closing it.
        pop->setKlickbar(true);
        pop->hide();
        auto* text = new Panel3D(pop);
        text->setObjectName(QStringLiteral("KommentarTextPan%1").arg(i + 1));
        text->setRand(false);
        text->setDurchsichtig(true);
        text->setUmbruch(true);
        text->setAusrichtung(Qt::AlignLeft | Qt::AlignTop);
        auto* zu = new Panel3D(pop);
        zu->setObjectName(QStringLiteral("AbbrechenPan%1").arg(i + 1));
        knopfPanel(zu);
        connect(zu, &Panel3D::geklickt, this, [this, i] { KommentarVerbergen(i + 1); });
        // Holds the focus while the pop-up is open; losing it closes the pop-up.
        auto* halter = new QCheckBox(pop);
        halter->setObjectName(QStringLiteral("KommentarChe%1").arg(i + 1));
        halter->setGeometry(0, 0, 1, 1);
        halter->setFocusPolicy(Qt::StrongFocus);
        halter->installEventFilter(this);
        kommentarPan_[size_t(i)] = pop;
        kommentarTextPan_[size_t(i)] = text;
        abbrechenPan_[size_t(i)] = zu;
        kommentarChe_[size_t(i)] = halter;
    }

    meldungPan_ = new Panel3D(this);
    meldungPan_->setObjectName(QStringLiteral("MeldungPan"));
    meldungPan_->setGeometry(px(meldungLage));
    meldungPan_->setAusrichtung(Qt::AlignLeft | Qt::AlignVCenter);

    standardBef_ = new QPushButton(this);
    standardBef_->setObjectName(QStringLiteral("StandardBef"));
    standardBef_->setGeometry(px(standardLage));
    connect(standardBef_, &QPushButton::clicked, this, &Einstellungen::Standardwerte);
    abbrechenBef_ = new QPushButton(this);
    abbrechenBef_->setObjectName(QStringLiteral("AbbrechenBef"));
    abbrechenBef_->setGeometry(px(abbrechenLage));
    connect(abbrechenBef_, &QPushButton::clicked, this, &QWidget::close);
    speichernBef_ = new QPushButton(this);
    speichernBef_->setObjectName(QStringLiteral("SpeichernBef"));
    speichernBef_->setGeometry(px(speichernLage));
    connect(speichernBef_, &QPushButton::clicked, this, &Einstellungen::Speichern);
    for (QPushButton* knopf : {standardBef_, abbrechenBef_, speichernBef_})
        knopf->setAutoDefault(false);

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

QString Einstellungen::text(const char16_t* englisch, const char16_t* deutsch) const {
    return QString::fromUtf16(kopie_.Sprache == 1 ? englisch : deutsch);
}

QString Einstellungen::programmText(const char16_t* englisch, const char16_t* deutsch) const {
    // Questions follow the language the program runs in, not the one being chosen.
    return QString::fromUtf16(p_.Sprache == 1 ? englisch : deutsch);
}

void Einstellungen::Beschriften() {
    if (kopie_.Sprache == 1 || kopie_.Sprache == 2)
        texteSetzen(kopie_.Sprache == 1);
}

void Einstellungen::texteSetzen(bool e) {
    auto t = [e](const char16_t* englisch, const char16_t* deutsch) {
        return QString::fromUtf16(e ? englisch : deutsch);
    };
    setWindowTitle(t(u"Pinwick - Settings", u"Pinwick - Einstellungen"));
    onTopChe_->setText(t(u"Always on top", u"Immer im Vordergrund"));
    dockPosOpt_[0]->setText(t(u"Dock window above", u"Fensterposition oben"));
    dockPosOpt_[1]->setText(t(u"Dock window below", u"Fensterposition unten"));
    farbePan_[1]->setText(t(u"Date / time", u"Datum / Uhrzeit"));
    farbePan_[2]->setText(t(u" Note local", u" Notiz lokal"));
    farbePan_[3]->setText(t(u" Note broadcast", u" Notiz Broadcast"));
    schriftWahlBef_->setText(t(u"Font", u"Schrift"));
    hinweisPan_->setText(t(u"Click on a ticker element to set its properties.",
                           u"Klicken Sie auf ein Ticker-Element, um seine Eigenschaften "
                           u"einzustellen."));
    zeigDatumChe_->setText(t(u"Display date/time", u"Datum/Uhrzeit anzeigen"));
    zeigRandChe_->setText(t(u"Display margin", u"Rand anzeigen"));
    legendePan_[4]->setText(t(u"Ticker speed:", u"Laufband-Geschwindigkeit:"));
    speedOpt_[0]->setText(t(u"Default", u"Normal"));
    speedOpt_[1]->setText(t(u"Slow", u"Langsam"));
    speedOpt_[2]->setText(t(u"Very slow", u"Sehr langsam"));

    sysopStatusChe_->setText(t(u"Enable sysop mode", u"Sysop-Status aktivieren"));
    legendePan_[3]->setText(t(u"Password", u"Passwort"));
    augePan_->setToolTip(t(u"Show/hide password", u"Passwort zeigen/verbergen"));
    for (Panel3D* link : hilfePan_)
        link->setText(t(u"<- What does this mean?", u"<- Was hei\u00DFt das?"));
    broadcastStatusChe_->setText(
        t(u"Enable broadcast receiver mode", u"Broadcasting-Empf\u00E4nger aktivieren"));
    legendePan_[0]->setText(
        t(u"Path to broadcast dispatcher database pw.kav:", u"Pfad zum Broadcast-Sender pw.kav:"));
    legendePan_[1]->setText(t(u"(set on all connected receivers - NOT on dispatcher)",
                              u"(an allen angeschlossenen Empf\u00E4ngern einstellen - NICHT am "
                              u"Sender)"));
    broadcastPfadPan_->setToolTip(t(u"Click to change", u"Zum \u00C4ndern anklicken"));
    broadcastMasterChe_->setText(
        t(u"Adopt all other settings of the broadcaster for all receivers",
          u"\u00DCbrige Einstellungen des Broadcasters f\u00FCr alle Empf\u00E4nger "
          u"\u00FCbernehmen"));
    legendePan_[2]->setText(
        t(u"(set on broadcaster only - overlays settings of connected recievers)",
          u"(nur am Broadcaster einstellen - \u00FCberlagert angeschlossene Empf\u00E4nger)"));
    eigeneChe_->setText(t(u"Receivers may also enter and edit their own notes",
                          u"Empf\u00E4nger d\u00FCrfen auch eigene Notizen verwalten"));
    for (int i = 0; i < 2; ++i) {
        abbrechenPan_[size_t(i)]->setText(t(u"Close", u"Schlie\u00DFen"));
        QString hilfe = kommentarText(i + 1, e, p_.zeilenUmbruch);
        // Line breaks are stored the program's way (CR LF); the panel breaks at LF.
        hilfe.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        kommentarTextPan_[size_t(i)]->setText(hilfe);
    }
    standardBef_->setText(t(u"Default values", u"Standardeinstellungen"));
    standardBef_->setToolTip(t(u"Reset to default values", u"Standardwerte wiederherstellen"));
    speichernBef_->setText(t(u"&Save", u"&Speichern"));
    abbrechenBef_->setText(t(u"C&ancel", u"&Abbrechen"));
    pfadAnzeigen();
}

void Einstellungen::steuerelementeSetzen() {
    if (kopie_.Sprache == 1 || kopie_.Sprache == 2)
        spracheOpt_[size_t(kopie_.Sprache - 1)]->setChecked(true);
    onTopChe_->setChecked(kopie_.ImmerOben);
    dockPosOpt_[kopie_.dockPos != 0 ? 1 : 0]->setChecked(true);
    miniaturFarben();

    sysopStatusChe_->setChecked(kopie_.sysopStatus);
    {
        // Filling the box is not an edit.
        const QSignalBlocker still(passwortTex_);
        passwortTex_->setText(kopie_.passWort.left(PasswortLaenge));
    }
    broadcastStatusChe_->setChecked(kopie_.broadcastStatus);
    broadcastMasterChe_->setChecked(kopie_.remoteEinstellungen);
    eigeneChe_->setChecked(kopie_.eigeneErlauben);
    pfadAnzeigen();
    empfaengerFreigaben(kopie_.broadcastStatus);
    if (kopie_.broadcastStatus)
        passwortZeigen(false);

    zeigRandChe_->setChecked(kopie_.zeigRahmen);
    zeigDatumChe_->setChecked(kopie_.zeigDatum);
    for (int i = 0; i < 3; ++i)
        speedOpt_[size_t(i)]->setChecked(kopie_.Speed == Speeds[i]);
}

QRadioButton* Einstellungen::speedOpt(int speed) const {
    for (int i = 0; i < 3; ++i)
        if (Speeds[i] == speed)
            return speedOpt_[size_t(i)];
    return nullptr;
}

// ---- the miniature

void Einstellungen::ElementWaehlen(int element) {
    if (element < Rahmen || element > NotizBroadcast)
        return;
    if (element == Rahmen && !kopie_.zeigRahmen)
        return;
    KommentareVerbergen();
    element_ = element;
    knoepfeZeigen(element);
}

void Einstellungen::knoepfeZeigen(int element) {
    for (int k = 1; k <= 3; ++k) {
        QPushButton* knopf = farbWahlBef_[size_t(k - 1)];
        knopf->setText(FarbKnopfText(element, k, kopie_.Sprache));
        knopf->setVisible(FarbKnopfSichtbar(element, k));
    }
    schriftWahlBef_->setVisible(SchriftKnopfSichtbar(element));
}

void Einstellungen::miniaturFarben() {
    // Without a border the bar shows no frame, and neither does its miniature.
    farbePan_[0]->setHintergrund(kopie_.zeigRahmen ? kopie_.fensterHgFarbe : MiniaturGrau);
    farbePan_[1]->setHintergrund(kopie_.uhrHgFarbe);
    farbePan_[1]->setSchriftFarbe(kopie_.UhrSchriftFarbe);
    for (int i : {2, 3}) {
        farbePan_[size_t(i)]->setHintergrund(kopie_.notizHgFarbe);
        farbePan_[size_t(i)]->setFont(notizSchrift(kopie_));
    }
    farbePan_[2]->setSchriftFarbe(kopie_.SchriftFarbe);
    farbePan_[3]->setSchriftFarbe(kopie_.SchriftFarbe2);
}

void Einstellungen::miniaturLayout() {
    // The height of "test" in the window's font at the note font's size.
    QFont mass = font();
    mass.setPointSize(std::clamp<int>(kopie_.SchriftGroesse, 1, 100));
    const int textHoehe = Twips(QFontMetrics(mass).height());
    const Miniatur m = MiniaturBerechnen(MiniaturBreite, DatumBreite, kopie_.zeigRahmen,
                                         kopie_.zeigDatum, textHoehe);

    farbePan_[0]->setHintergrund(m.rahmenFarbe ? kopie_.fensterHgFarbe : MiniaturGrau);
    for (int i = 1; i < 4; ++i) {
        farbePan_[size_t(i)]->setRand(m.eingesenkt);
        farbePan_[size_t(i)]->setEingesenkt(m.eingesenkt);
    }
    farbePan_[1]->setGeometry(px(m.pan2));
    farbePan_[1]->setVisible(m.pan2Sichtbar);
    farbePan_[2]->setGeometry(px(m.pan3));
    farbePan_[3]->setGeometry(px(m.pan4));
    // A very large font makes a miniature taller than its place; the place cuts it.
    farbePan_[0]->setGeometry(0, 0, Px(MiniaturBreite), Px(m.hoehe1));
}

void Einstellungen::FarbeWaehlen(int knopf) {
    p_.ungespeichert = true;
    const QString name = farbWahlBef(knopf)->text();
    p_.sprachText[1] = QStringLiteral("Select ") + name;
    p_.sprachText[2] = name + QStringLiteral(" w\u00E4hlen");
    int32_t Einstellungswerte::*ziel = FarbZiel(element_, knopf);
    if (!ziel || !dialoge.farbe)
        return;
    const QString titel = p_.sprachText[p_.Sprache == 1 ? 1 : 2];
    const std::optional<int32_t> farbe = dialoge.farbe(this, kopie_.*ziel, titel);
    if (!farbe)
        return;
    kopie_.*ziel = *farbe;
    miniaturFarben();
}

void Einstellungen::SchriftWaehlen() {
    p_.ungespeichert = true;
    if (!dialoge.schrift)
        return;
    // The dialog lists installed fonts only: it starts on the font that
    // draws the stored name, so that a name from another system (not
    // installed here) does not drop the dialog to its first family and lose
    // the bold and italic style on the way.
    QFont start = notizSchrift(kopie_);
    const QString familie = InstallierteFamilie(kopie_.SchriftName);
    start.setFamily(familie);
    if (const QString stil = SchriftStil(familie, kopie_.SchriftFett, kopie_.SchriftKursiv);
        !stil.isEmpty())
        start.setStyleName(stil);
    const std::optional<QFont> schrift = dialoge.schrift(this, start);
    if (!schrift)
        return;
    // Whole points from 1 to 100; a font given in pixels counts at 96 dpi.
    const std::optional<int16_t> punkte =
        SchriftPunkte(schrift->pointSizeF(), schrift->pixelSize());
    if (!punkte) {
        p_.Piepen();
        meldung(SchriftGroesseText(kopie_.Sprache), 12);
        return;
    }
    kopie_.SchriftFett = schrift->bold();
    kopie_.SchriftKursiv = schrift->italic();
    // The stored name stays while the same family is chosen: on the system
    // that has it installed, the bar still draws with it.
    if (schrift->family().compare(familie, Qt::CaseInsensitive) != 0)
        kopie_.SchriftName = schrift->family();
    kopie_.SchriftGroesse = *punkte;
    miniaturFarben();
    miniaturLayout();
}

// ---- sysop, password and broadcast

void Einstellungen::empfaengerFreigaben(bool empfaenger) {
    for (QWidget* element :
         {static_cast<QWidget*>(legendePan_[0]), static_cast<QWidget*>(legendePan_[1]),
          static_cast<QWidget*>(broadcastPfadPan_)})
        freigeben(element, empfaenger);
    for (QWidget* element :
         {static_cast<QWidget*>(legendePan_[2]), static_cast<QWidget*>(broadcastMasterChe_),
          static_cast<QWidget*>(eigeneChe_), static_cast<QWidget*>(sysopStatusChe_),
          static_cast<QWidget*>(legendePan_[3]), static_cast<QWidget*>(passwortTex_),
          static_cast<QWidget*>(augePan_)})
        freigeben(element, !empfaenger);
}

void Einstellungen::empfaengerRegel(bool empfaenger) {
    broadcastStatusChe_->setChecked(empfaenger);
    empfaengerFreigaben(empfaenger);
    if (empfaenger) {
        // The broadcaster's password applies: this one is neither shown nor edited.
        passwortZeigen(false);
        p_.EreignisseZulassen();
        sysopStatusChe_->setChecked(true);
        kopie_.sysopStatus = true;
    } else {
        eigeneChe_->setChecked(true);
        kopie_.eigeneErlauben = true;
    }
    kopie_.broadcastStatus = empfaenger;
}

void Einstellungen::sysopGeaendert(bool an) {
    if (broadcastStatusChe_->isChecked()) {
        meldung(text(u"Sysop mode required with enabled broadcast mode.",
                     u"Sysop-Status muss bei aktiviertem Broadcasting aktiviert sein."),
                12);
        p_.Piepen();
        empfaengerRegel(true);
        an = sysopStatusChe_->isChecked();
    }
    kopie_.sysopStatus = an;
}

void Einstellungen::passwortZeigen(bool sichtbar) {
    passwortSichtbar_ = sichtbar;
    passwortTex_->setEchoMode(sichtbar ? QLineEdit::Normal : QLineEdit::Password);
    static_cast<BildPan*>(augePan_)->setBild(AugenBild(sichtbar));
}

void Einstellungen::pfadAnzeigen() {
    broadcastPfadPan_->setText(kopie_.broadcastPfad.isEmpty()
                                   ? text(u"<< Not specified >>", u"<< Nicht festgelegt >>")
                                   : QDir::toNativeSeparators(kopie_.broadcastPfad));
}

void Einstellungen::PfadWaehlen() {
    KommentareVerbergen();
    const QString ordner = QDir::currentPath();
    QString datei;
    if (dialoge.datei)
        datei = dialoge.datei(this,
                              text(u"Set path to broadcaster", u"Pfad zum Broadcaster festlegen"));
    // The file dialog may have moved the program's current folder; its
    // working files are found relative to it.
    QDir::setCurrent(ordner);
    if (datei.isEmpty())
        return;
    // A file the receiver could never read is refused here, where the
    // reason can still be told, instead of as a network error later.
    if (!dateiGut(datei))
        return;

    if (!AufAnderemRechner(datei)) {
        // Our own box would be hidden behind a window that stays on top.
        fragt_ = true;
        obenSetzen(false);
        p_.EreignisseZulassen();
        const bool ja =
            dialoge.mBoxJaNein &&
            dialoge.mBoxJaNein(p_, programmText(u"Broadcast path has to point at another "
                                                u"computer - really set this path?",
                                                u"Broadcast-Pfad muss auf anderen Computer "
                                                u"weisen - diesen Pfad wirklich w\u00E4hlen?"));
        obenSetzen(true);
        fragt_ = false;
        if (!ja)
            return;
    }
    kopie_.broadcastPfad = datei;
    pfadAnzeigen();
}

// ---- help pop-ups

void Einstellungen::KommentarZeigen(int nummer) {
    if (nummer < 1 || nummer > 2)
        return;
    const size_t i = size_t(nummer - 1);
    Panel3D* pop = kommentarPan_[i];
    Panel3D* text = kommentarTextPan_[i];
    Panel3D* zu = abbrechenPan_[i];

    // 1. Below its link, reaching back to the left.
    const QPoint lage = HilfeLage(gruppenLage[nummer], hilfeLinkLage);

    // 2. The text decides the height; the close panel sits below it.
    const int textBreite = KommentarBreite - 2 * KommentarTextLinks;
    const QRect noetig = QFontMetrics(text->font())
                             .boundingRect(QRect(0, 0, Px(textBreite) - 4, 100000),
                                           int(Qt::TextWordWrap | Qt::AlignLeft), text->text());
    const int textHoehe = Twips(noetig.height() + 2);
    text->setGeometry(px(KommentarTextLinks, KommentarTextOben, textBreite, textHoehe));
    const int zuOben = KommentarTextOben + HilfeAbbrechenOben(textHoehe);
    zu->setGeometry(px(KommentarBreite - KommentarAbbrechenBreite - KommentarTextLinks, zuOben,
                       KommentarAbbrechenBreite, KommentarAbbrechenHoehe));
    pop->setGeometry(
        px(lage.x(), lage.y(), KommentarBreite, HilfeHoehe(zuOben, KommentarAbbrechenHoehe)));

    // 3. Only one at a time; the focus holder keeps it open.
    KommentareVerbergen();
    p_.EreignisseZulassen();
    pop->raise();
    pop->show();
    kommentarChe_[i]->setFocus(Qt::OtherFocusReason);
}

void Einstellungen::KommentarVerbergen(int nummer) {
    if (nummer >= 1 && nummer <= 2)
        kommentarPan_[size_t(nummer - 1)]->hide();
}

void Einstellungen::KommentareVerbergen() {
    KommentarVerbergen(1);
    KommentarVerbergen(2);
}

bool Einstellungen::KommentarOffen(int nummer) const {
    return nummer >= 1 && nummer <= 2 && kommentarPan_[size_t(nummer - 1)]->isVisible();
}

// ---- default values

void Einstellungen::Standardwerte() {
    if (!dialoge.jaNein ||
        !dialoge.jaNein(this, programmText(u"Really reset to default values?",
                                           u"Standardwerte wirklich wiederherstellen?")))
        return;
    StandardwerteSetzen(kopie_);
    zeigDatumChe_->setChecked(true);
    zeigRandChe_->setChecked(true);
    speedOpt_[0]->setChecked(true);
    miniaturFarben();
    miniaturLayout();
}

// ---- saving and closing

bool Einstellungen::dateiGut(const QString& pfad) {
    const BroadcastDatei befund =
        dialoge.dateiPruefen ? dialoge.dateiPruefen(pfad) : BroadcastDatei::Gut;
    if (befund == BroadcastDatei::Gut) {
        // What the line says about an earlier choice no longer holds.
        for (BroadcastDatei alt : {BroadcastDatei::KeineNotizdatei, BroadcastDatei::KeinLeserecht,
                                   BroadcastDatei::NichtErreichbar})
            for (int16_t sprache : {1, 2})
                if (meldungPan_->text() == BroadcastDateiText(alt, sprache))
                    MeldungLoeschen(this);
        return true;
    }
    p_.Piepen();
    meldung(BroadcastDateiText(befund, kopie_.Sprache), 12);
    return false;
}

bool Einstellungen::pruefen() {
    const Pruefung ergebnis = VorSpeichernPruefen(kopie_, passwortTex_->isEnabled());
    if (ergebnis == Pruefung::Gut) {
        // A receiver about to read a file it did not read before: the file
        // is looked at again, it may have changed since it was chosen. A path
        // in use already is left to the bar, which tells an outage itself
        // and reconnects when the file is back.
        const bool neu = !p_.broadcastStatus || kopie_.broadcastPfad != p_.broadcastPfad;
        return !kopie_.broadcastStatus || !neu || dateiGut(kopie_.broadcastPfad);
    }
    p_.Piepen();
    const QPoint unter = ergebnis == Pruefung::PasswortFehlt
                             ? BubbleUnter(gruppenLage[1], passwortLage)
                             : BubbleUnter(gruppenLage[2], pfadLage);
    if (dialoge.bubble)
        dialoge.bubble(this, p_, unter.x(), unter.y(), PruefungsText(ergebnis, kopie_.Sprache));
    return false;
}

bool Einstellungen::uebernehmenUndSpeichern() {
    const Einstellungswerte vorher = p_;
    Einstellungswerte neu = kopie_;
    neu.erstVorbei = p_.erstVorbei; // only the start writes it
    neu.Schrift3D = 0;
    static_cast<Einstellungswerte&>(p_) = neu;
    if (leiste_)
        leiste_->ScrollSchrittSetzen();

    // Another program may hold the own file's lock: the wait cursor shows
    // at once, and the save waits a few seconds, not the connection's long
    // wait, before it gives up with the values still in the window.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Only for the cursor to show: a click now must not start a second save.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    bool besetzt = false;
    bool gespeichert = false;
    Datenbank* db = p_.lokaleDatenbank.get();
    if (db)
        db->WarteZeitSetzen(speicherWarteMs);
    try {
        EinstellungenSpeichern(p_);
        gespeichert = true;
    } catch (const BesetztFehler&) {
        besetzt = true;
    } catch (const std::exception&) {
    }
    if (db)
        db->WarteZeitSetzen(Datenbank::WarteZeitMs);
    QApplication::restoreOverrideCursor();
    if (!gespeichert) {
        // The program goes on with what the database holds, and the window
        // stays open with the user's changes.
        static_cast<Einstellungswerte&>(p_) = vorher;
        if (leiste_)
            leiste_->ScrollSchrittSetzen();
        p_.Piepen();
        meldung(besetzt ? DateiBelegtText(kopie_.Sprache)
                        : text(u"Settings not saved: the database is locked or cannot be "
                               u"reached.",
                               u"Einstellungen nicht gespeichert: Datenbank gesperrt oder nicht "
                               u"erreichbar."),
                12);
        return false;
    }

    if (p_.broadcastStatus) {
        // Read the (maybe new) broadcaster at the next tick, with its settings.
        p_.aufbauZaehler = 100;
        versuche([&] { BroadcastOeffnen(p_); });
        versuche([&] { EinstellungenUebernehmen(p_); });
        if (leiste_)
            versuche([&] { leiste_->MachLayout(); });
    }
    return true;
}

bool Einstellungen::Speichern() {
    if (!pruefen() || !uebernehmenUndSpeichern())
        return false;
    p_.ungespeichert = false;
    close();
    if (leiste_)
        leiste_->SpracheEinstellen();
    return true;
}

bool Einstellungen::abschliessen() {
    bool zu = true;
    bool gespeichert = false;
    if (p_.ungespeichert && dialoge.jaNeinAbbrechen) {
        switch (dialoge.jaNeinAbbrechen(
            this, programmText(u"Save changes?", u"\u00C4nderungen speichern?"))) {
        case Dialoge::Antwort::Ja:
            // A failed check or store keeps the window open with its bubble
            // or message, so that the changes are not lost.
            gespeichert = pruefen() && uebernehmenUndSpeichern();
            if (gespeichert)
                p_.ungespeichert = false;
            zu = gespeichert;
            break;
        case Dialoge::Antwort::Nein:
            break;
        case Dialoge::Antwort::Abbrechen:
            zu = false;
            break;
        }
    }
    // Whatever the answer, the bar runs again in its own window order.
    leisteZurueck();
    if (gespeichert && leiste_)
        leiste_->SpracheEinstellen();
    return zu;
}

void Einstellungen::leisteZurueck() {
    if (!leiste_)
        return;
    leiste_->FensterOrdnung();
    leiste_->Timer1Aktiv(true);
    leiste_->FormAktiv(true);
    leiste_->MachLayout();
}

void Einstellungen::closeEvent(QCloseEvent* ereignis) {
    // While the bar is given back, events run; an activation of this window
    // arriving then must not take the bar out of the topmost group again.
    schliesst_ = true;
    if (!freigegeben_ && !abschliessen()) {
        schliesst_ = false;
        ereignis->ignore();
        return;
    }
    freigegeben_ = true;
    KommentareVerbergen();
    ereignis->accept();
}

// ---- window order, activation, messages

void Einstellungen::obenSetzen(bool oben) {
    ImmerObenSetzen(*this, oben);
}

void Einstellungen::lageSetzen() {
    const QRect schirm = Bildschirm(leiste_);
    const int leisteOben = leiste_ ? Twips(leiste_->y() - schirm.y()) : 0;
    // The outer height counts, title bar included, once a window manager
    // has framed the window: above a bar at the bottom the buttons must
    // stay on the screen.
    const int hoehe = Twips(std::max(frameGeometry().height(), height()));
    const QPoint lage = EinstellungenLage(leisteOben, Twips(schirm.height()), hoehe);
    move(schirm.x() + Px(lage.x()), schirm.y() + Px(lage.y()));
}

void Einstellungen::showEvent(QShowEvent* ereignis) {
    QWidget::showEvent(ereignis);
    // The frame is known only once the window manager has put it round the
    // window, a moment after the window is shown.
    if (!platziert_) {
        platziert_ = true;
        QTimer::singleShot(150, this, [this] {
            if (frameGeometry().height() > height())
                lageSetzen();
        });
    }
}

void Einstellungen::aktiviert() {
    if (fragt_ || schliesst_)
        return;
    if (leiste_)
        leiste_->ObenHalten(false);
    obenSetzen(true);
    speichernBef_->setFocus(Qt::ActiveWindowFocusReason);
}

bool Einstellungen::event(QEvent* ereignis) {
    if (ereignis->type() == QEvent::WindowActivate) {
        const bool ergebnis = QWidget::event(ereignis);
        aktiviert();
        return ergebnis;
    }
    return QWidget::event(ereignis);
}

void Einstellungen::keyPressEvent(QKeyEvent* ereignis) {
    // A push button takes Space by itself; Enter and Return reach the
    // window and press the button that has the focus.
    if (ereignis->key() == Qt::Key_Return || ereignis->key() == Qt::Key_Enter) {
        auto* knopf = qobject_cast<QPushButton*>(focusWidget());
        const Qt::KeyboardModifiers umschalter =
            ereignis->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        if (knopf && knopf->isEnabled() && knopf->isVisible() && umschalter == Qt::NoModifier) {
            ereignis->accept();
            knopf->click();
            return;
        }
    }
    QWidget::keyPressEvent(ereignis);
}

void Einstellungen::mousePressEvent(QMouseEvent* ereignis) {
    // The background and the passive panels pass their clicks on to here.
    KommentareVerbergen();
    ereignis->accept();
}

bool Einstellungen::eventFilter(QObject* objekt, QEvent* ereignis) {
    if (ereignis->type() == QEvent::FocusOut) {
        const auto grund = static_cast<QFocusEvent*>(ereignis)->reason();
        // Only a focus that moves on inside the window closes the pop-up;
        // another window coming to the front does not.
        if (grund != Qt::ActiveWindowFocusReason && grund != Qt::PopupFocusReason) {
            for (int i = 0; i < 2; ++i)
                if (objekt == kommentarChe_[size_t(i)])
                    KommentarVerbergen(i + 1);
        }
    }
    return QWidget::eventFilter(objekt, ereignis);
}

void Einstellungen::meldung(const QString& text, int farbNummer) {
    // This window's own line: when a question has just closed, the window
    // may not yet be the active one again.
    MeldungZeigen(this, text, farbNummer);
}

// ---- opening

Einstellungen* OffeneEinstellungen() {
    const auto fenster = QApplication::topLevelWidgets();
    for (QWidget* w : fenster)
        if (auto* e = qobject_cast<Einstellungen*>(w); e && e->isVisible())
            return e;
    return nullptr;
}

bool EinstellungenZeigen(Programm& p, Terminal* leiste) {
    // The prompt already let this window through once; it is only brought forward.
    if (Einstellungen* offen = OffeneEinstellungen()) {
        offen->raise();
        offen->activateWindow();
        return true;
    }
    if (p.sysopStatus)
        PassTestZeigen(p);
    if (p.sysopStatus && !p.zugangErlaubt)
        return false;
    auto* fenster = new Einstellungen(p, leiste);
    fenster->show();
    fenster->raise();
    fenster->activateWindow();
    return true;
}

} // namespace pinwick
