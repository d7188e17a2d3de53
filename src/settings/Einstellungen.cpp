// The settings window's behaviour: loading the working copy, the miniature,
// colour and font, the sysop and broadcast rules, the help pop-ups and the
// default values. Saving and closing are in EinstellungenAbschluss.cpp, the
// building in EinstellungenLayout.cpp, the texts in EinstellungenTexte.h.

#include "Einstellungen.h"
#include "Sprachwahl.h"

#include "Bilder.h"
#include "EinstellungenLayout.h"
#include "EinstellungenTeile.h"
#include "EinstellungenTexte.h"
#include "EinstellungsRegeln.h"
#include "FliegBubble.h"
#include "HilfeBlase.h"
#include "MBox.h"
#include "Masse.h"
#include "Panel3D.h"
#include "Shell.h"
#include "Speicher.h"
#include "Terminal.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>

namespace pinwick {

namespace {

// The note font of a working copy.
QFont notizSchrift(const Einstellungswerte& k) {
    QFont schrift(k.SchriftName);
    schrift.setPointSize(std::clamp<int>(k.SchriftGroesse, 1, 100));
    schrift.setBold(k.SchriftFett);
    schrift.setItalic(k.SchriftKursiv);
    return schrift;
}

} // namespace

// ---- the common dialogs

Einstellungen::Dialoge Einstellungen::EchteDialoge() {
    Dialoge d;
    d.farbe = [](QWidget* eltern, int32_t start, const QString& titel) -> std::optional<int32_t> {
        const QColor farbe = QColorDialog::getColor(Farbe(start), eltern, titel);
        if (!farbe.isValid())
            return std::nullopt;
        return AlsFarbe(farbe);
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
    d.webAdresse = [](QWidget* eltern, const QString& titel, const QString& frage,
                      const QString& start) -> std::optional<QString> {
        bool ok = false;
        const QString text =
            QInputDialog::getText(eltern, titel, frage, QLineEdit::Normal, start, &ok);
        if (!ok)
            return std::nullopt;
        return text;
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
    frage = [this](QMessageBox::Icon symbol, const QString& text,
                   QMessageBox::StandardButtons knoepfe) {
        return SystemfrageZeigen(this, symbol, text, knoepfe);
    };
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Px(EinstellungenBreite), Px(EinstellungenHoehe));
    bauen();

    // 1. Place: 500 twips from the left; clear of a bar at either edge.
    lageSetzen();

    // 2. The working copy; the frame is selected.
    kopie_ = p_;
    element_ = Rahmen;

    // 3. Captions: German until the copy's language is known to be one of the two.
    texteSetzen(2);
    Beschriften();
    p_.EreignisseZulassen();

    // 4. Controls from the copy; 5. the miniature. Nothing is changed yet.
    steuerelementeSetzen();
    miniaturLayout();
    if (kopie_.zeigRahmen)
        knoepfeZeigen(element_);
    p_.ungespeichert = false;

    // The receiver's word follows its polls while the window is open: a
    // look at one string twice a second, nothing while it stays the same.
    auto* takt = new QTimer(this);
    takt->setInterval(500);
    connect(takt, &QTimer::timeout, this, &Einstellungen::webZustandZeigen);
    takt->start();
}

void Einstellungen::webZustandZeigen() {
    // Over the web the receiver's last word goes to the message line: why
    // the notes are old, refused or missing, or that they are new.
    const bool web =
        kopie_.broadcastStatus && p_.broadcastStatus && BroadcastUeberWeb(p_.broadcastPfad);
    const QString neu = web ? WebZustandText(p_.broadcastWebZustand, kopie_.Sprache) : QString();
    if (neu == zustandGezeigt_)
        return;
    // The window's own messages (a check that failed, a file refused) stay
    // until the user acts; the receiver only replaces its own earlier word.
    const QString jetzt = meldungPan_->text();
    if (!jetzt.isEmpty() && jetzt != zustandGezeigt_)
        return;
    zustandGezeigt_ = neu;
    if (neu.isEmpty())
        MeldungLoeschen(this);
    else
        meldung(neu, 12);
}

Einstellungen::~Einstellungen() = default;

QString Einstellungen::text(const Zweisprachig& text) const {
    return text.in(kopie_.Sprache);
}

QString Einstellungen::programmText(const Zweisprachig& text) const {
    // Questions follow the language the program runs in, not the one being chosen.
    return text.in(p_.Sprache);
}

void Einstellungen::Beschriften() {
    if (kopie_.Sprache == SpracheEnglisch || kopie_.Sprache == SpracheDeutsch)
        texteSetzen(kopie_.Sprache);
}

void Einstellungen::texteSetzen(int16_t sprache) {
    for (const Beschriftung& b : EinstellungenBeschriftungen) {
        const QString name = QString::fromUtf8(b.name);
        QWidget* element = name == objectName() ? this : findChild<QWidget*>(name);
        if (!element)
            continue;
        if (!b.text.leer()) {
            if (element == this)
                setWindowTitle(b.text.in(sprache));
            else if (auto* panel = qobject_cast<Panel3D*>(element))
                panel->setText(b.text.in(sprache));
            else if (auto* knopf = qobject_cast<QAbstractButton*>(element))
                knopf->setText(b.text.in(sprache));
        }
        if (!b.tipp.leer())
            element->setToolTip(b.tipp.in(sprache));
    }
    for (int i = 0; i < 2; ++i)
        hilfeBlase_[size_t(i)]->setHilfe(HilfeText(i + 1, sprache, p_.zeilenUmbruch));
    pfadAnzeigen();
}

void Einstellungen::steuerelementeSetzen() {
    if (kopie_.Sprache == SpracheEnglisch || kopie_.Sprache == SpracheDeutsch)
        spracheOpt_[size_t(kopie_.Sprache - 1)]->setChecked(true);
    onTopChe_->setChecked(kopie_.ImmerOben);
    dockPosOpt_[kopie_.dockPos != 0 ? 1 : 0]->setChecked(true);
    miniaturFarben();

    sysopStatusChe_->setChecked(kopie_.sysopStatus);
    {
        // The stored password is not shown: the box starts empty.
        const QSignalBlocker still(passwortTex_);
        passwortTex_->clear();
        neuesPasswort_.clear();
    }
    broadcastStatusChe_->setChecked(kopie_.broadcastStatus);
    broadcastMasterChe_->setChecked(kopie_.remoteEinstellungen);
    eigeneChe_->setChecked(kopie_.eigeneErlauben);
    pfadAnzeigen();
    {
        const QSignalBlocker still(broadcastSchluesselTex_);
        broadcastSchluesselTex_->setText(kopie_.broadcastSchluessel);
    }
    empfaengerFreigaben(kopie_.broadcastStatus);
    webZustandZeigen();
    if (kopie_.broadcastStatus)
        passwortZeigen(false);

    zeigRandChe_->setChecked(kopie_.zeigRahmen);
    zeigDatumChe_->setChecked(kopie_.zeigDatum);
    for (int i = 0; i < 3; ++i)
        speedOpt_[size_t(i)]->setChecked(kopie_.Speed == Geschwindigkeiten[i]);
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
    farbePan_[1]->setGeometry(PxLage(m.pan2));
    farbePan_[1]->setVisible(m.pan2Sichtbar);
    farbePan_[2]->setGeometry(PxLage(m.pan3));
    farbePan_[3]->setGeometry(PxLage(m.pan4));
    // A very large font makes a miniature taller than its place; the place cuts it.
    farbePan_[0]->setGeometry(0, 0, Px(MiniaturBreite), Px(m.hoehe1));
}

void Einstellungen::FarbeWaehlen(int knopf) {
    p_.ungespeichert = true;
    const QString name = farbWahlBef_.at(size_t(knopf - 1))->text();
    p_.sprachText[1] = EinstellungenTexte::FarbTitel.in(1).arg(name);
    p_.sprachText[2] = EinstellungenTexte::FarbTitel.in(2).arg(name);
    int32_t Einstellungswerte::*ziel = FarbZiel(element_, knopf);
    if (!ziel || !dialoge.farbe)
        return;
    const QString titel = p_.sprachText[p_.Sprache == SpracheEnglisch ? 1 : 2];
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
          static_cast<QWidget*>(broadcastPfadPan_), static_cast<QWidget*>(webAdresseBef_)})
        Freigeben(element, empfaenger);
    // The key means something only for a web address.
    Freigeben(broadcastSchluesselTex_, empfaenger && BroadcastUeberWeb(kopie_.broadcastPfad));
    for (QWidget* element :
         {static_cast<QWidget*>(legendePan_[2]), static_cast<QWidget*>(broadcastMasterChe_),
          static_cast<QWidget*>(eigeneChe_), static_cast<QWidget*>(sysopStatusChe_),
          static_cast<QWidget*>(legendePan_[3]), static_cast<QWidget*>(passwortTex_),
          static_cast<QWidget*>(augePan_)})
        Freigeben(element, !empfaenger);
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
        meldung(text(EinstellungenTexte::SysopNoetig), 12);
        p_.Piepen();
        empfaengerRegel(true);
        an = sysopStatusChe_->isChecked();
    }
    kopie_.sysopStatus = an;
}

void Einstellungen::passwortZeigen(bool sichtbar) {
    passwortSichtbar_ = sichtbar;
    passwortTex_->setEchoMode(sichtbar ? QLineEdit::Normal : QLineEdit::Password);
    augePan_->setBild(AugenBild(sichtbar));
}

void Einstellungen::pfadAnzeigen() {
    broadcastPfadPan_->setText(kopie_.broadcastPfad.isEmpty()
                                   ? text(EinstellungenTexte::NichtFestgelegt)
                                   : QDir::toNativeSeparators(kopie_.broadcastPfad));
}

void Einstellungen::PfadWaehlen() {
    KommentareVerbergen();
    const QString ordner = QDir::currentPath();
    QString datei;
    if (dialoge.datei)
        datei = dialoge.datei(this, text(EinstellungenTexte::PfadTitel));
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
        const bool ja = dialoge.mBoxJaNein &&
                        dialoge.mBoxJaNein(p_, programmText(EinstellungenTexte::LokalerPfadFrage));
        obenSetzen(true);
        fragt_ = false;
        if (!ja)
            return;
    }
    kopie_.broadcastPfad = datei;
    pfadAnzeigen();
    empfaengerFreigaben(kopie_.broadcastStatus);
}

void Einstellungen::WebAdresseEingeben() {
    KommentareVerbergen();
    const QString start =
        BroadcastUeberWeb(kopie_.broadcastPfad) ? kopie_.broadcastPfad : QStringLiteral("https://");
    std::optional<QString> eingabe;
    if (dialoge.webAdresse)
        eingabe = dialoge.webAdresse(this, text(EinstellungenTexte::WebTitel),
                                     text(EinstellungenTexte::WebFrage), start);
    if (!eingabe)
        return;
    const QString adresse = eingabe->trimmed();
    // Refused at once, where the reason can be told; Save checks again.
    if (!WebAdresseGut(adresse)) {
        p_.Piepen();
        meldung(PruefungsText(Pruefung::AdresseFalsch, kopie_.Sprache), 12);
        return;
    }
    kopie_.broadcastPfad = adresse;
    pfadAnzeigen();
    empfaengerFreigaben(kopie_.broadcastStatus);
    if (broadcastSchluesselTex_->isEnabled() && kopie_.broadcastSchluessel.isEmpty())
        broadcastSchluesselTex_->setFocus();
}

// ---- help pop-ups

void Einstellungen::KommentarZeigen(int nummer) {
    if (nummer < 1 || nummer > 2)
        return;
    HilfeBlase* blase = hilfeBlase_[size_t(nummer - 1)];
    // Below its link, reaching back to the left, as high as its text needs.
    const Platz& link = PlatzVon(EinstellungenPlaetze, nummer == 1 ? "HilfePan1" : "HilfePan2");
    blase->einpassen(HilfeLage(PlatzVon(EinstellungenPlaetze, link.gruppe).twips, link.twips));
    // Only one at a time; the focus holder keeps it open.
    KommentareVerbergen();
    p_.EreignisseZulassen();
    blase->zeigen();
}

void Einstellungen::KommentarVerbergen(int nummer) {
    if (nummer >= 1 && nummer <= 2)
        hilfeBlase_[size_t(nummer - 1)]->hide();
}

void Einstellungen::KommentareVerbergen() {
    KommentarVerbergen(1);
    KommentarVerbergen(2);
}

bool Einstellungen::KommentarOffen(int nummer) const {
    return nummer >= 1 && nummer <= 2 && hilfeBlase_[size_t(nummer - 1)]->isVisible();
}

// ---- default values

void Einstellungen::Standardwerte() {
    if (!frage || frage(QMessageBox::Question, programmText(EinstellungenTexte::StandardFrage),
                        QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    StandardwerteSetzen(kopie_);
    zeigDatumChe_->setChecked(true);
    zeigRandChe_->setChecked(true);
    speedOpt_[0]->setChecked(true);
    miniaturFarben();
    miniaturLayout();
}

} // namespace pinwick
