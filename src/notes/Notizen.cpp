#include "Notizen.h"
#include "Oberflaeche.h"

#include "Hilfen.h"
#include "Masse.h"
#include "Panel3D.h"
#include "Shell.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTextCursor>
#include <QTimer>
#include <QValidator>
#include <cstdio>

namespace pinwick {

namespace {

constexpr int BreiteTwips = 5040;
constexpr int Rand = 90;
constexpr int InnenBreite = BreiteTwips - 2 * Rand;
// Where the three detail panels share their place, and its height.
constexpr int DetailOben = 2250;
constexpr int DetailHoehe = 2220;
constexpr int KnopfOben = DetailOben + DetailHoehe + 90;
constexpr int MeldungOben = KnopfOben + 375 + 90;
constexpr int MeldungHoehe = 450;
constexpr int HoeheTwips = MeldungOben + MeldungHoehe;

// Palette entries of the boxes: light cyan while focused, white otherwise.
constexpr int FarbeFokus = 11;
constexpr int FarbeNormal = 15;

const QString Ziffern = QStringLiteral("0123456789");

// What a box accepts when text is pasted into it: the characters it takes
// from the keyboard (and, for dates, the separator the display form uses),
// up to a length.
class ZeichenPruefer : public QValidator {
public:
    ZeichenPruefer(const QString& erlaubt, int hoechstens, QObject* eltern)
        : QValidator(eltern), erlaubt_(erlaubt), hoechstens_(hoechstens) {}
    State validate(QString& text, int&) const override {
        if (hoechstens_ > 0 && text.size() > hoechstens_)
            return Invalid;
        for (const QChar c : text)
            if (!erlaubt_.contains(c))
                return Invalid;
        return Acceptable;
    }

private:
    QString erlaubt_;
    int hoechstens_;
};

QRect tw(int links, int oben, int breite, int hoehe) {
    return QRect(Px(links), Px(oben), Px(breite), Px(hoehe));
}

Panel3D* gruppe(QWidget* eltern, const QRect& twips) {
    auto* pan = new Panel3D(eltern);
    pan->setGeometry(tw(twips.x(), twips.y(), twips.width(), twips.height()));
    return pan;
}

void farbeSetzen(QWidget* box, int nummer) {
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, Farbe(FarbeNummer(nummer)));
    box->setPalette(pal);
}

} // namespace

// ---- the note text box

void NotizFeld::insertFromMimeData(const QMimeData* quelle) {
    if (!quelle || !quelle->hasText())
        return;
    QString text = quelle->text();
    static const QRegularExpression umbruch(QStringLiteral("\r\n|[\r\n\u2028\u2029]"));
    text.replace(umbruch, QStringLiteral(" "));
    insertPlainText(text);
}

// ---- building

Notizen::Notizen(Programm& p, NotizModus modus, QWidget* eltern)
    : QDialog(eltern, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      p_(p), modus_(modus) {
    frage = [this](QMessageBox::Icon symbol, const QString& text,
                   QMessageBox::StandardButtons knoepfe) {
        return SystemfrageZeigen(this, symbol, text, knoepfe);
    };
    piepen = [] { QApplication::beep(); };
    hilfeZeigen = [this] { HilfeZeigen(p_); };

    if (p_.ImmerOben)
        setWindowFlag(Qt::WindowStaysOnTopHint);
    bauen();

    // Opening, in order: captions, place, the detail panels into one place,
    // the lists, today's defaults, then the note.
    BeschriftungSetzen();
    platzieren();
    for (int i = 3; i <= 4; ++i)
        rhyArtPan_[size_t(i)]->move(rhyArtPan_[2]->pos());

    heute_ = p_.uhr.Heute();
    p_.heuteText = DatumText(heute_);
    NotizFormular f = NeuesFormular(heute_);
    if (modus_ == NotizModus::Bearbeiten && p_.lokaleNotizen) {
        try {
            zeile_ = p_.lokaleNotizen->Bookmark();
            zeileGueltig_ = true;
            NotizPraesentieren(f, NotizZumBearbeiten(*p_.lokaleNotizen, heute_));
        } catch (const std::exception& fehler) {
            // No current row: the editor shows a new note's values, and a
            // save reports that it cannot write.
            std::fprintf(stderr, "Pinwick3: %s\n", fehler.what());
        }
    }
    FormularZeigen(f);
}

void Notizen::bauen() {
    setFixedSize(Px(BreiteTwips), Px(HoeheTwips));

    // The designed form is German; BeschriftungSetzen switches to English.
    const auto zzz = [this](int i, QWidget* eltern, const QRect& twips, const char16_t* text,
                            Qt::Alignment ausrichtung = Qt::AlignLeft | Qt::AlignVCenter) {
        auto* lab = new Panel3D(QString::fromUtf16(text), eltern);
        lab->setRand(false);
        lab->setDurchsichtig(true);
        lab->setAusrichtung(ausrichtung);
        lab->setGeometry(tw(twips.x(), twips.y(), twips.width(), twips.height()));
        zzzPanel_[size_t(i)] = lab;
        return lab;
    };
    const auto box = [this](QWidget* eltern, const QRect& twips, const QString& erlaubt,
                            int hoechstens, const QString& ersatz = QString()) {
        auto* b = new QLineEdit(eltern);
        b->setGeometry(tw(twips.x(), twips.y(), twips.width(), twips.height()));
        b->setValidator(new ZeichenPruefer(erlaubt + ersatz, hoechstens, b));
        zeichen_.insert(b, erlaubt);
        farbeSetzen(b, FarbeNormal);
        return b;
    };
    const auto option = [](QWidget* eltern, const QRect& twips, const char16_t* text) {
        auto* o = new QRadioButton(QString::fromUtf16(text), eltern);
        o->setGeometry(tw(twips.x(), twips.y(), twips.width(), twips.height()));
        return o;
    };
    const QString datumZeichen = Ziffern + QLatin1Char('.');
    const QString trenner(DatumTrenner());

    // The note text.
    notizPan_ = gruppe(this, QRect(Rand, Rand, InnenBreite, 900));
    notiz_ = new NotizFeld(notizPan_);
    notiz_->setGeometry(tw(45, 45, InnenBreite - 90, 810));
    notiz_->setTabChangesFocus(true);
    notiz_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);

    // Permanent or with date/time options.
    zeitArtPan_ = gruppe(this, QRect(Rand, 1050, InnenBreite, 345));
    zeitArtOpt_[0] = option(zeitArtPan_, QRect(90, 30, 2300, 285), u"Notiz permanent anzeigen");
    zeitArtOpt_[1] = option(zeitArtPan_, QRect(2580, 30, 1980, 285), u"Notiz mit Zeitsteuerung");

    // The time group.
    zeitPan_ = gruppe(this, QRect(Rand, 1440, InnenBreite, 375));
    uhrArtOpt_[0] = option(zeitPan_, QRect(90, 45, 1290, 285), u"Ganztags");
    uhrArtOpt_[1] = option(zeitPan_, QRect(1410, 45, 780, 285), u"Von");
    uhrzeit_[0] = box(zeitPan_, QRect(2190, 37, 720, 300), Ziffern + QLatin1Char(':'), 0);
    zzz(25, zeitPan_, QRect(2940, 45, 420, 285), u"bis", Qt::AlignCenter);
    uhrzeit_[1] = box(zeitPan_, QRect(3390, 37, 720, 300), Ziffern + QLatin1Char(':'), 0);
    zzz(26, zeitPan_, QRect(4140, 45, 600, 285), u"Uhr");

    // The rhythm group.
    rhythmusPan_ = gruppe(this, QRect(Rand, 1845, InnenBreite, 375));
    const char16_t* rhythmen[] = {u"Täglich", u"Wöchentlich", u"Monatlich", u"Jährlich"};
    const int rhythmusLinks[] = {90, 1200, 2490, 3690};
    const int rhythmusBreite[] = {1080, 1260, 1170, 1110};
    for (int i = 1; i <= 4; ++i)
        rhythmusOpt_[size_t(i)] =
            option(rhythmusPan_, QRect(rhythmusLinks[i - 1], 45, rhythmusBreite[i - 1], 285),
                   rhythmen[i - 1]);

    // The detail panels side by side as designed; the opening moves the
    // monthly and the yearly one onto the weekly one.
    for (int i = 2; i <= 4; ++i)
        rhyArtPan_[size_t(i)] =
            gruppe(this, QRect(Rand + (i - 2) * BreiteTwips, DetailOben, InnenBreite, DetailHoehe));

    // Weekly.
    Panel3D* woche = rhyArtPan_[2];
    const char16_t* tage[] = {u"Montags",  u"Dienstags", u"Mittwochs", u"Donnerstags",
                              u"Freitags", u"Samstags",  u"Sonntags"};
    for (int i = 1; i <= 7; ++i) {
        const int spalte = i <= 4 ? 0 : 1;
        const int zeile = i <= 4 ? i - 1 : i - 5;
        woTagChe_[size_t(i)] = new QCheckBox(QString::fromUtf16(tage[i - 1]), woche);
        woTagChe_[size_t(i)]->setGeometry(tw(90 + spalte * 2340, 60 + zeile * 285, 2250, 285));
    }
    zzz(0, woche, QRect(90, 1260, 1530, 300), u"Erstmals am");
    erstDatumWoc_ = box(woche, QRect(1650, 1260, 1350, 300), datumZeichen, 0, trenner);
    zzz(1, woche, QRect(90, 1650, 1530, 300), u"Dauer");
    dauerWoc_ = box(woche, QRect(1650, 1650, 720, 300), Ziffern, 0);
    zzz(2, woche, QRect(2430, 1650, 2340, 300), u"Woche(n)");
    zzz(3, woche, QRect(1650, 1950, 3120, 240), u"Ohne Endtermin: 0");

    // Monthly: a day number, or a weekday by its position.
    Panel3D* monat = rhyArtPan_[3];
    monArtGruppe_ = new QButtonGroup(this);
    moPosGruppe_ = new QButtonGroup(this);
    monArtOpt_[1] = option(monat, QRect(90, 60, 300, 300), u"");
    zzz(4, monat, QRect(420, 60, 720, 300), u"Jeden");
    tagZahlMon_ = box(monat, QRect(1170, 60, 480, 300), Ziffern, 2);
    zzz(5, monat, QRect(1680, 60, 2400, 300), u". des Monats");
    monArtOpt_[2] = option(monat, QRect(90, 450, 300, 300), u"");
    zzz(7, monat, QRect(420, 450, 720, 300), u"Jeden");
    monArtGruppe_->addButton(monArtOpt_[1], 1);
    monArtGruppe_->addButton(monArtOpt_[2], 2);
    const char16_t* positionen[] = {u"ersten", u"zweiten", u"dritten", u"vierten", u"letzten"};
    for (int i = 1; i <= 5; ++i) {
        const int spalte = (i - 1) % 3;
        const int zeile = (i - 1) / 3;
        moPosOpt_[size_t(i)] = option(
            monat, QRect(1170 + spalte * 1200, 450 + zeile * 300, 1170, 300), positionen[i - 1]);
        moPosGruppe_->addButton(moPosOpt_[size_t(i)], i);
    }
    woTagCom_ = new QComboBox(monat);
    woTagCom_->setGeometry(tw(1170, 1080, 1800, 330));
    zzz(6, monat, QRect(3030, 1080, 1740, 330), u"des Monats");
    zzz(10, monat, QRect(90, 1500, 1050, 300), u"Beginnend");
    vorherMon_ = box(monat, QRect(1170, 1500, 720, 300), Ziffern, 0);
    zzz(11, monat, QRect(1950, 1500, 2400, 300), u"Tage vorher");
    zzz(12, monat, QRect(90, 1860, 1050, 300), u"Erstmals am");
    erstDatumMon_ = box(monat, QRect(1170, 1860, 1350, 300), datumZeichen, 0, trenner);

    // Yearly: up to four dates.
    Panel3D* jahr = rhyArtPan_[4];
    const int labelNummer[] = {13, 15, 17, 19};
    const int nachNummer[] = {14, 16, 18, 20};
    for (int i = 1; i <= 4; ++i) {
        const int oben = 60 + (i - 1) * 345;
        zzz(labelNummer[i - 1], jahr, QRect(90, oben, 1050, 330), i == 1 ? u"Jeden" : u"und jeden");
        tagZahlJahr_[size_t(i)] = box(jahr, QRect(1170, oben + 15, 480, 300), Ziffern, 2);
        monatJah_[size_t(i)] = new QComboBox(jahr);
        monatJah_[size_t(i)]->setGeometry(tw(1710, oben, 1620, 330));
        zzz(nachNummer[i - 1], jahr, QRect(3390, oben, 1380, 330), u"des Jahres");
    }
    zzz(21, jahr, QRect(90, 1500, 1050, 300), u"Beginnend");
    vorherJah_ = box(jahr, QRect(1170, 1500, 720, 300), Ziffern, 0);
    zzz(22, jahr, QRect(1950, 1500, 2400, 300), u"Tage vorher");
    zzz(23, jahr, QRect(90, 1860, 1050, 300), u"Erstmals am");
    erstDatumJah_ = box(jahr, QRect(1170, 1860, 1350, 300), datumZeichen, 0, trenner);

    // The buttons and the message line.
    okBef_ = new QPushButton(QStringLiteral("&Speichern"), this);
    okBef_->setGeometry(tw(Rand, KnopfOben, 2250, 375));
    abbrechenBef_ = new QPushButton(QStringLiteral("Abbrechen"), this);
    abbrechenBef_->setGeometry(tw(BreiteTwips - Rand - 2250, KnopfOben, 2250, 375));
    // Enter in a box does not save: only a click, Space on the button or its
    // mnemonic does.
    okBef_->setAutoDefault(false);
    abbrechenBef_->setAutoDefault(false);
    meldungPan_ = new Panel3D(this);
    meldungPan_->setObjectName(QStringLiteral("MeldungPan"));
    meldungPan_->setGeometry(tw(0, MeldungOben, BreiteTwips, MeldungHoehe));
    meldungPan_->setUmbruch(true);
    meldungPan_->setAusrichtung(Qt::AlignLeft | Qt::AlignVCenter);
    meldungPan_->setHintergrund(FarbeNummer(7));

    // The option events keep the groups in step with the choices.
    connect(zeitArtOpt_[0], &QRadioButton::toggled, this, [this](bool an) {
        if (an)
            rhythmusOpt_[1]->setChecked(true);
        gruppenZeigen();
    });
    for (int i = 1; i <= 4; ++i)
        connect(rhythmusOpt_[size_t(i)], &QRadioButton::toggled, this, [this] { gruppenZeigen(); });
    for (QLineEdit* uhr : uhrzeit_)
        connect(uhr, &QLineEdit::textChanged, this, [this] {
            const bool text = !uhrzeit_[0]->text().isEmpty() || !uhrzeit_[1]->text().isEmpty();
            uhrArtOpt_[text ? 1 : 0]->setChecked(true);
        });
    connect(monArtOpt_[1], &QRadioButton::toggled, this, [this](bool an) {
        if (an)
            moPosLeeren();
    });
    for (int i = 1; i <= 5; ++i)
        connect(moPosOpt_[size_t(i)], &QRadioButton::toggled, this, [this](bool an) {
            if (an)
                monArtOpt_[2]->setChecked(true);
        });
    connect(tagZahlMon_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!text.isEmpty())
            monArtOpt_[1]->setChecked(true);
    });
    connect(okBef_, &QPushButton::clicked, this, &Notizen::Speichern);
    connect(abbrechenBef_, &QPushButton::clicked, this, &Notizen::Abbrechen);

    // The initial state of the designed form.
    uhrArtOpt_[0]->setChecked(true);
    rhythmusOpt_[1]->setChecked(true);
    monArtOpt_[1]->setChecked(true);
    gruppenZeigen();

    // Every key passes the window first: it clears the message line, F1 and
    // Esc act, and the boxes take only their characters.
    for (QWidget* kind : findChildren<QWidget*>())
        kind->installEventFilter(this);
}

void Notizen::BeschriftungSetzen() {
    // Any other language keeps the designed German captions.
    const int16_t s = p_.Sprache;
    if (s == 1 || s == 2)
        beschriften(s == 1);

    // The captions must fit their widths: the window takes the system's
    // font at 8 points, smaller where a caption would be cut.
    QFont schrift = QApplication::font();
    const int anzeiger = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                         style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    for (qreal groesse = 8; groesse >= 6; groesse -= 0.5) {
        schrift.setPointSizeF(groesse);
        const QFontMetrics fm(schrift);
        bool passt = true;
        for (QRadioButton* o : zeitArtOpt_)
            passt = passt && fm.horizontalAdvance(o->text()) + anzeiger <= o->width();
        if (passt)
            break;
    }
    setFont(schrift);
    listenFuellen();
}

void Notizen::beschriften(bool en) {
    const auto t = [en](const char16_t* englisch, const char16_t* deutsch) {
        return QString::fromUtf16(en ? englisch : deutsch);
    };
    setWindowTitle(t(u"Pinwick - Edit note", u"Pinwick - Notiz bearbeiten"));
    zeitArtOpt_[0]->setText(t(u"Show note permanently", u"Notiz permanent anzeigen"));
    zeitArtOpt_[1]->setText(t(u"Note with date/time options", u"Notiz mit Zeitsteuerung"));
    uhrArtOpt_[0]->setText(t(u"Whole day", u"Ganztags"));
    uhrArtOpt_[1]->setText(t(u"From", u"Von"));
    zzzPanel_[25]->setText(t(u"to", u"bis"));
    zzzPanel_[26]->setText(t(u"", u"Uhr"));
    rhythmusOpt_[1]->setText(t(u"Daily", u"Täglich"));
    rhythmusOpt_[2]->setText(t(u"Weekly", u"Wöchentlich"));
    rhythmusOpt_[3]->setText(t(u"Monthly", u"Monatlich"));
    rhythmusOpt_[4]->setText(t(u"Yearly", u"Jährlich"));
    const char16_t* tageEn[] = {u"on Mondays", u"on Tuesdays",  u"on Wednesdays", u"on Thursdays",
                                u"on Fridays", u"on Saturdays", u"on Sundays"};
    const char16_t* tageDe[] = {u"Montags",  u"Dienstags", u"Mittwochs", u"Donnerstags",
                                u"Freitags", u"Samstags",  u"Sonntags"};
    for (int i = 1; i <= 7; ++i)
        woTagChe_[size_t(i)]->setText(t(tageEn[i - 1], tageDe[i - 1]));
    for (int i : {0, 12, 23})
        zzzPanel_[size_t(i)]->setText(t(u"First time on", u"Erstmals am"));
    zzzPanel_[1]->setText(t(u"Duration", u"Dauer"));
    zzzPanel_[2]->setText(t(u"Week(s)", u"Woche(n)"));
    zzzPanel_[3]->setText(t(u"No final date: 0", u"Ohne Endtermin: 0"));
    zzzPanel_[4]->setText(t(u"Each", u"Jeden"));
    zzzPanel_[5]->setText(t(u". of month", u". des Monats"));
    zzzPanel_[7]->setText(t(u"Each", u"Jeden"));
    const char16_t* posEn[] = {u"first", u"second", u"third", u"fourth", u"last"};
    const char16_t* posDe[] = {u"ersten", u"zweiten", u"dritten", u"vierten", u"letzten"};
    for (int i = 1; i <= 5; ++i)
        moPosOpt_[size_t(i)]->setText(t(posEn[i - 1], posDe[i - 1]));
    zzzPanel_[6]->setText(t(u"of month", u"des Monats"));
    for (int i : {10, 21})
        zzzPanel_[size_t(i)]->setText(t(u"Starting", u"Beginnend"));
    for (int i : {11, 22})
        zzzPanel_[size_t(i)]->setText(t(u"days earlier", u"Tage vorher"));
    zzzPanel_[13]->setText(t(u"Each", u"Jeden"));
    for (int i : {15, 17, 19})
        zzzPanel_[size_t(i)]->setText(t(u"and each", u"und jeden"));
    for (int i : {14, 16, 18, 20})
        zzzPanel_[size_t(i)]->setText(t(u"of year", u"des Jahres"));
    okBef_->setText(t(u"&Save", u"&Speichern"));
    abbrechenBef_->setText(t(u"Cancel", u"Abbrechen"));

    // The two choices at the top are as wide as their captions in each
    // language.
    const int links1 = en ? 2350 : 2580;
    zeitArtOpt_[0]->setGeometry(tw(90, 30, en ? 2000 : 2300, 285));
    zeitArtOpt_[1]->setGeometry(tw(links1, 30, en ? 2250 : 1980, 285));
}

void Notizen::listenFuellen() {
    const bool en = p_.Sprache == 1;
    const auto fuellen = [](QComboBox* liste, const QStringList& eintraege) {
        const int war = liste->currentIndex();
        const QSignalBlocker ruhe(liste);
        liste->clear();
        liste->addItems(eintraege);
        liste->setCurrentIndex(war);
    };
    QStringList tage, monate;
    for (int i = 1; i <= 7; ++i)
        tage << (en ? QLocale(QLocale::English) : QLocale(QLocale::German))
                    .dayName(i, QLocale::LongFormat);
    for (int i = 1; i <= 12; ++i)
        monate << (en ? QLocale(QLocale::English) : QLocale(QLocale::German))
                      .standaloneMonthName(i, QLocale::LongFormat);
    fuellen(woTagCom_, tage);
    for (int i = 1; i <= 4; ++i)
        fuellen(monatJah_[size_t(i)], monate);
}

void Notizen::platzieren() {
    const QRect schirm = Bildschirm(Oberflaeche::Von(p_).leiste);
    const int breite = BreiteTwips;
    const int hoehe = Twips(frameGeometry().height());
    int links = (Twips(schirm.width()) - breite) / 2;
    int oben = 200;
    if (Oberflaeche::Von(p_).leiste && Twips(Oberflaeche::Von(p_).leiste->y() - schirm.y()) >= 100)
        oben = Twips(schirm.height()) - hoehe - 200;
    if (links < 0)
        links = 0;
    if (links + breite > Twips(schirm.width()))
        links = Twips(schirm.width()) - breite;
    move(schirm.x() + Px(links), schirm.y() + Px(oben));
}

// ---- the values

NotizFormular Notizen::FormularLesen() const {
    NotizFormular f;
    f.notiz = notiz_->toPlainText();
    f.zeitsteuerung = zeitArtOpt_[1]->isChecked();
    f.vonBis = uhrArtOpt_[1]->isChecked();
    f.uhrzeit = {uhrzeit_[0]->text(), uhrzeit_[1]->text()};
    f.zeit = zeit_;
    f.rhythmus = RhythmusTaeglich;
    for (int i = 1; i <= 4; ++i)
        if (rhythmusOpt_[size_t(i)]->isChecked())
            f.rhythmus = i;
    for (int i = 1; i <= 7; ++i)
        f.woTage[size_t(i - 1)] = woTagChe_[size_t(i)]->isChecked();
    f.erstDatumWoc = erstDatumWoc_->text();
    f.dauerWoc = dauerWoc_->text();
    f.monArt = monArtOpt_[2]->isChecked() ? MonatsRegel::Wochentag : MonatsRegel::FesterTag;
    f.tagZahlMon = tagZahlMon_->text();
    f.moPos = 0;
    for (int i = 1; i <= 5; ++i)
        if (moPosOpt_[size_t(i)]->isChecked())
            f.moPos = i;
    f.woTagCom = woTagCom_->currentIndex();
    f.vorherMon = vorherMon_->text();
    f.erstDatumMon = erstDatumMon_->text();
    for (int i = 1; i <= 4; ++i) {
        f.tagZahlJahr[size_t(i - 1)] = tagZahlJahr_[size_t(i)]->text();
        f.monatJah[size_t(i - 1)] = monatJah_[size_t(i)]->currentIndex();
    }
    f.vorherJah = vorherJah_->text();
    f.erstDatumJah = erstDatumJah_->text();
    return f;
}

void Notizen::FormularZeigen(const NotizFormular& f) {
    // Texts first, then the options: the options' events must have the last
    // word (a day typed into the monthly box would otherwise pick its option
    // over a weekday position).
    if (notiz_->toPlainText() != f.notiz)
        notiz_->setPlainText(f.notiz);
    uhrzeit_[0]->setText(f.uhrzeit[0]);
    uhrzeit_[1]->setText(f.uhrzeit[1]);
    zeit_ = f.zeit;
    for (int i = 1; i <= 7; ++i)
        woTagChe_[size_t(i)]->setChecked(f.woTage[size_t(i - 1)]);
    erstDatumWoc_->setText(f.erstDatumWoc);
    dauerWoc_->setText(f.dauerWoc);
    tagZahlMon_->setText(f.tagZahlMon);
    woTagCom_->setCurrentIndex(f.woTagCom >= 0 && f.woTagCom < woTagCom_->count() ? f.woTagCom
                                                                                  : -1);
    vorherMon_->setText(f.vorherMon);
    erstDatumMon_->setText(f.erstDatumMon);
    for (int i = 1; i <= 4; ++i) {
        tagZahlJahr_[size_t(i)]->setText(f.tagZahlJahr[size_t(i - 1)]);
        const int monat = f.monatJah[size_t(i - 1)];
        monatJah_[size_t(i)]->setCurrentIndex(monat >= 0 && monat < 12 ? monat : -1);
    }
    vorherJah_->setText(f.vorherJah);
    erstDatumJah_->setText(f.erstDatumJah);

    uhrArtOpt_[f.vonBis ? 1 : 0]->setChecked(true);
    if (f.monArt == MonatsRegel::Wochentag && f.moPos >= 1 && f.moPos <= 5) {
        moPosOpt_[size_t(f.moPos)]->setChecked(true);
    } else if (f.monArt == MonatsRegel::Wochentag) {
        monArtOpt_[2]->setChecked(true);
        moPosLeeren();
    } else {
        monArtOpt_[1]->setChecked(true);
        moPosLeeren();
    }
    zeitArtOpt_[f.zeitsteuerung ? 1 : 0]->setChecked(true);
    if (f.zeitsteuerung && f.rhythmus >= 1 && f.rhythmus <= 4)
        rhythmusOpt_[size_t(f.rhythmus)]->setChecked(true);
    gruppenZeigen();
}

void Notizen::gruppenZeigen() {
    const bool zeit = zeitArtOpt_[1]->isChecked();
    zeitPan_->setVisible(zeit);
    rhythmusPan_->setVisible(zeit);
    for (int i = 2; i <= 4; ++i)
        rhyArtPan_[size_t(i)]->setVisible(zeit && rhythmusOpt_[size_t(i)]->isChecked());
}

void Notizen::moPosLeeren() {
    moPosGruppe_->setExclusive(false);
    for (int i = 1; i <= 5; ++i)
        moPosOpt_[size_t(i)]->setChecked(false);
    moPosGruppe_->setExclusive(true);
}

// ---- messages and questions

void Notizen::meldung(Meldung m) {
    // Written into this window's own line: right after a question the active
    // window may still be the closing message box.
    MeldungZeigen(this, MeldungsText(m, p_.Sprache), 12);
    if (piepen)
        piepen();
}

void Notizen::meldungLoeschen() {
    MeldungLoeschen(this);
}

bool Notizen::fragen(Frage f) {
    if (FrageMitTon(f) && piepen)
        piepen();
    if (!frage)
        return false;
    const bool ja = frage(QMessageBox::Question, FrageText(f, p_.Sprache),
                          QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    // Back from the question the window is active again: typing goes into
    // the note text, after its last character, unless a later check of the
    // same save sends the focus to the box at fault. The box left here has
    // been read already and is not normalised on the way out.
    if (!schliesst_) {
        unterdrueckt_ = true;
        notiz_->setFocus(Qt::ActiveWindowFocusReason);
        notiz_->moveCursor(QTextCursor::End);
        unterdrueckt_ = false;
    }
    return ja;
}

void Notizen::fokusZurueck(QWidget* box) {
    if (!box)
        return;
    // After the focus change that is under way has finished; moving the
    // focus back must not normalise the box it leaves, or two wrong boxes
    // would hand the focus to each other for ever.
    QPointer<QWidget> ziel(box);
    QTimer::singleShot(0, this, [this, ziel] {
        if (!ziel || schliesst_)
            return;
        unterdrueckt_ = true;
        ziel->setFocus(Qt::OtherFocusReason);
        unterdrueckt_ = false;
    });
}

QWidget* Notizen::feldWidget(Feld feld) const {
    const int n = int(feld);
    if (n >= int(Feld::TagZahlJahr1) && n < int(Feld::TagZahlJahr1) + 4)
        return tagZahlJahr_[size_t(n - int(Feld::TagZahlJahr1) + 1)];
    if (n >= int(Feld::MonatJah1) && n < int(Feld::MonatJah1) + 4)
        return monatJah_[size_t(n - int(Feld::MonatJah1) + 1)];
    switch (feld) {
    case Feld::Notiz:
        return notiz_;
    case Feld::Uhrzeit1:
        return uhrzeit_[0];
    case Feld::Uhrzeit2:
        return uhrzeit_[1];
    case Feld::ErstDatumWoc:
        return erstDatumWoc_;
    case Feld::DauerWoc:
        return dauerWoc_;
    case Feld::TagZahlMon:
        return tagZahlMon_;
    case Feld::VorherMon:
        return vorherMon_;
    case Feld::ErstDatumMon:
        return erstDatumMon_;
    case Feld::VorherJah:
        return vorherJah_;
    case Feld::ErstDatumJah:
        return erstDatumJah_;
    default:
        return nullptr;
    }
}

// ---- normalising the boxes

void Notizen::UhrzeitBoxPruefen(int i) {
    QLineEdit* box = uhrzeit_[size_t(i - 1)];
    const UhrzeitErgebnis r = UhrzeitPruefen(box->text());
    if (r.art == UhrzeitErgebnis::Ungueltig) {
        meldung(Meldung::ZeitFormat);
        fokusZurueck(box);
        return;
    }
    if (r.art == UhrzeitErgebnis::Leer)
        return;
    box->setText(r.text);
    zeit_[size_t(i - 1)] = r.zeit;
}

void Notizen::DatumBoxPruefen(QLineEdit* box) {
    box->setText(DatumPruefen(box->text(), heute_));
    QString text = box->text();
    if (!DatumGueltig(text, p_.datumZahl, heute_)) {
        meldung(Meldung::DatumFehlerhaft);
        fokusZurueck(box);
    }
}

// ---- commands

void Notizen::Speichern() {
    NotizFormular f = FormularLesen();
    const PruefErgebnis e =
        SpeichernPruefen(f, heute_, p_.datumZahl, [this](Frage fr) { return fragen(fr); });
    // Answers may have filled a time box.
    if (f.uhrzeit[0] != uhrzeit_[0]->text() || f.uhrzeit[1] != uhrzeit_[1]->text()) {
        const QSignalBlocker ruhe1(uhrzeit_[0]), ruhe2(uhrzeit_[1]);
        uhrzeit_[0]->setText(f.uhrzeit[0]);
        uhrzeit_[1]->setText(f.uhrzeit[1]);
    }
    zeit_ = f.zeit;
    if (f.tagZahlMon != tagZahlMon_->text()) {
        const QSignalBlocker ruhe(tagZahlMon_);
        tagZahlMon_->setText(f.tagZahlMon);
    }
    if (!e.ok) {
        if (e.meldung)
            meldung(*e.meldung);
        if (QWidget* ziel = feldWidget(e.fokus)) {
            unterdrueckt_ = true;
            ziel->setFocus(Qt::OtherFocusReason);
            unterdrueckt_ = false;
        }
        return;
    }
    if (!NotizSpeichern(e.notiz))
        return;
    schliesst_ = true;
    accept();
}

bool Notizen::NotizSpeichern(const pinwick::Notiz& n) {
    try {
        if (!p_.lokaleNotizen)
            throw DatenFehler("the notes recordset is not open");
        if (modus_ == NotizModus::Bearbeiten && !zeileGueltig_)
            throw DatenFehler("no row to edit");
        pinwick::NotizSpeichern(*p_.lokaleNotizen, modus_, zeile_, n);
        return true;
    } catch (const std::exception& fehler) {
        std::fprintf(stderr, "Pinwick3: note not saved: %s\n", fehler.what());
        meldung(Meldung::NichtGespeichert);
        return false;
    }
}

void Notizen::Abbrechen() {
    schliesst_ = true;
    QDialog::reject();
}

void Notizen::reject() {
    // The close button and Esc end here as well: nothing is written.
    Abbrechen();
}

// ---- events

void Notizen::showEvent(QShowEvent* ereignis) {
    QDialog::showEvent(ereignis);
    if (!ersteAktivierung_)
        return;
    ersteAktivierung_ = false;
    // The text box takes the focus with the cursor after its last character.
    notiz_->setFocus(Qt::ActiveWindowFocusReason);
    notiz_->moveCursor(QTextCursor::End);
}

void Notizen::changeEvent(QEvent* ereignis) {
    QDialog::changeEvent(ereignis);
    // Made active, a topmost window goes to the top of the topmost ones: the
    // bar raises itself when it is clicked and would otherwise cover it.
    if (ereignis->type() == QEvent::ActivationChange && isActiveWindow() && p_.ImmerOben)
        QMetaObject::invokeMethod(this, &QWidget::raise, Qt::QueuedConnection);
}

bool Notizen::eventFilter(QObject* objekt, QEvent* ereignis) {
    switch (ereignis->type()) {
    case QEvent::ShortcutOverride:
        // A key that ends up as a shortcut (Alt+S) never arrives as a key
        // press; it clears the message line all the same.
        meldungLoeschen();
        break;
    case QEvent::KeyPress: {
        auto* taste = static_cast<QKeyEvent*>(ereignis);
        meldungLoeschen();
        const Qt::KeyboardModifiers umschalter =
            taste->modifiers() &
            (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (taste->key() == Qt::Key_F1 && umschalter == Qt::NoModifier) {
            if (hilfeZeigen)
                hilfeZeigen();
            return true;
        }
        if (taste->key() == Qt::Key_Escape) {
            Abbrechen();
            return true;
        }
        if (objekt == notiz_ && (taste->key() == Qt::Key_Return || taste->key() == Qt::Key_Enter))
            return true;
        const auto erlaubt = zeichen_.constFind(objekt);
        if (erlaubt != zeichen_.constEnd()) {
            // Characters only: Backspace, Delete, arrows and shortcuts pass.
            const QString text = taste->text();
            if (!text.isEmpty() && text.front().isPrint() && !erlaubt->contains(text.front()))
                return true;
        }
        break;
    }
    case QEvent::FocusIn:
        if (auto* box = qobject_cast<QLineEdit*>(objekt); box && zeichen_.contains(objekt)) {
            farbeSetzen(box, FarbeFokus);
            // After the mouse press that brought the focus has placed the cursor.
            QTimer::singleShot(0, box, [box] {
                if (box->hasFocus())
                    box->selectAll();
            });
        }
        break;
    case QEvent::FocusOut: {
        auto* box = qobject_cast<QLineEdit*>(objekt);
        if (!box || !zeichen_.contains(objekt))
            break;
        farbeSetzen(box, FarbeNormal);
        const auto grund = static_cast<QFocusEvent*>(ereignis)->reason();
        // Leaving the window (another program, a menu, the window closing)
        // is not leaving the box.
        if (unterdrueckt_ || schliesst_ || grund == Qt::ActiveWindowFocusReason ||
            grund == Qt::PopupFocusReason)
            break;
        if (box == dauerWoc_ || box == vorherMon_ || box == vorherJah_) {
            if (box->text().isEmpty())
                box->setText(QStringLiteral("0"));
        } else if (box == tagZahlMon_) {
            if (box->text().isEmpty())
                box->setText(QString::number(heute_.day()));
        } else if (box == uhrzeit_[0]) {
            UhrzeitBoxPruefen(1);
        } else if (box == uhrzeit_[1]) {
            UhrzeitBoxPruefen(2);
        } else if (box == erstDatumWoc_ || box == erstDatumMon_ || box == erstDatumJah_) {
            DatumBoxPruefen(box);
        }
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(objekt, ereignis);
}

void NotizEditorZeigen(Programm& p, NotizModus modus) {
    Notizen fenster(p, modus);
    fenster.exec();
}

} // namespace pinwick
