// The note editor's layout as data: every control with its name, the panel
// it lies on and its rectangle in twips, in the order the window builds them
// (which is the order of the Tab key and of drawing); the captions of both
// languages by control; and the small builders that make a control of each
// kind.

#include "NotizenAufbau.h"
#include "Sprachwahl.h"
#include "Oberflaeche.h"
#include "Hilfen.h"
#include "Masse.h"
#include "Notizen.h"
#include "Panel3D.h"
#include "SchriftEinpassen.h"
#include "Shell.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QValidator>

namespace pinwick {

namespace notizen {

void BoxFarbeSetzen(QWidget* box, bool fokus) {
    // Palette entries 11 (light cyan) and 15 (white).
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, Farbe(FarbeNummer(fokus ? 11 : 15)));
    box->setPalette(pal);
}

} // namespace notizen

namespace {

using notizen::BreiteTwips;

constexpr int Rand = 90;
constexpr int InnenBreite = BreiteTwips - 2 * Rand; // 4860
// The three detail panels share one place below the rhythm choice.
constexpr int DetailOben = 2250;
constexpr int DetailHoehe = 2220;
constexpr int KnopfOben = DetailOben + DetailHoehe + 90; // 4560
constexpr int MeldungOben = KnopfOben + 375 + 90;        // 5025
constexpr int MeldungHoehe = 450;
constexpr int HoeheTwips = MeldungOben + MeldungHoehe; // 5475

enum class Art : uint8_t {
    Gruppe,  // a sunken panel holding other controls
    Text,    // a caption, left-aligned
    Mitte,   // a caption, centred
    Notiz,   // the note text box
    Option,  // a radio button
    Haken,   // a check box
    Box,     // a one-line text box
    Liste,   // a drop-down list
    Knopf,   // a push button
    Meldung, // the message line
};

// What a box takes from the keyboard.
enum class Zeichen : uint8_t { Keine, Uhr, Ziffern, Datum };

struct Platz {
    Art art;
    const char* name;
    const char* eltern; // "" the window
    int links, oben, breite, hoehe;
    Zeichen zeichen = Zeichen::Keine;
    int hoechstens = 0; // characters a box holds; 0 any number
};

// clang-format off
constexpr Platz Plaetze[] = {
    {Art::Gruppe, "NotizPan",      "",           Rand, Rand, InnenBreite, 900},
    {Art::Notiz,  "Notiz",         "NotizPan",   45, 45, InnenBreite - 90, 810},

    {Art::Gruppe, "ZeitArtPan",    "",           Rand, 1050, InnenBreite, 345},
    {Art::Option, "ZeitArtOpt1",   "ZeitArtPan", 90, 30, 2300, 285},   // widths per language:
    {Art::Option, "ZeitArtOpt2",   "ZeitArtPan", 2580, 30, 1980, 285}, // see Breiten below

    {Art::Gruppe, "ZeitPan",       "",           Rand, 1440, InnenBreite, 375},
    {Art::Option, "UhrArtOpt1",    "ZeitPan",    90, 45, 1290, 285},
    {Art::Option, "UhrArtOpt2",    "ZeitPan",    1410, 45, 780, 285},
    {Art::Box,    "Uhrzeit1",      "ZeitPan",    2190, 37, 720, 300, Zeichen::Uhr},
    {Art::Mitte,  "BisLab",        "ZeitPan",    2940, 45, 420, 285},
    {Art::Box,    "Uhrzeit2",      "ZeitPan",    3390, 37, 720, 300, Zeichen::Uhr},
    {Art::Text,   "UhrLab",        "ZeitPan",    4140, 45, 600, 285},

    {Art::Gruppe, "RhythmusPan",   "",            Rand, 1845, InnenBreite, 375},
    {Art::Option, "RhythmusOpt1",  "RhythmusPan", 90, 45, 1080, 285},
    {Art::Option, "RhythmusOpt2",  "RhythmusPan", 1200, 45, 1260, 285},
    {Art::Option, "RhythmusOpt3",  "RhythmusPan", 2490, 45, 1170, 285},
    {Art::Option, "RhythmusOpt4",  "RhythmusPan", 3690, 45, 1110, 285},

    {Art::Gruppe, "RhyArtPan2",    "",           Rand, DetailOben, InnenBreite, DetailHoehe},
    {Art::Gruppe, "RhyArtPan3",    "",           Rand, DetailOben, InnenBreite, DetailHoehe},
    {Art::Gruppe, "RhyArtPan4",    "",           Rand, DetailOben, InnenBreite, DetailHoehe},

    // Weekly: the days in two columns, the first date, the duration.
    {Art::Haken,  "WoTagChe1",     "RhyArtPan2", 90, 60, 2250, 285},
    {Art::Haken,  "WoTagChe2",     "RhyArtPan2", 90, 345, 2250, 285},
    {Art::Haken,  "WoTagChe3",     "RhyArtPan2", 90, 630, 2250, 285},
    {Art::Haken,  "WoTagChe4",     "RhyArtPan2", 90, 915, 2250, 285},
    {Art::Haken,  "WoTagChe5",     "RhyArtPan2", 2430, 60, 2250, 285},
    {Art::Haken,  "WoTagChe6",     "RhyArtPan2", 2430, 345, 2250, 285},
    {Art::Haken,  "WoTagChe7",     "RhyArtPan2", 2430, 630, 2250, 285},
    {Art::Text,   "ErstDatumWocLab", "RhyArtPan2", 90, 1260, 1530, 300},
    {Art::Box,    "ErstDatumWoc",  "RhyArtPan2", 1650, 1260, 1350, 300, Zeichen::Datum},
    {Art::Text,   "DauerWocLab",   "RhyArtPan2", 90, 1650, 1530, 300},
    {Art::Box,    "DauerWoc",      "RhyArtPan2", 1650, 1650, 720, 300, Zeichen::Ziffern},
    {Art::Text,   "DauerWocNach",  "RhyArtPan2", 2430, 1650, 2340, 300},
    {Art::Text,   "OhneEndeLab",   "RhyArtPan2", 1650, 1950, 3120, 240},

    // Monthly: a day number, or a weekday by its position.
    {Art::Option, "MonArtOpt1",    "RhyArtPan3", 90, 60, 300, 300},
    {Art::Text,   "TagZahlMonLab", "RhyArtPan3", 420, 60, 720, 300},
    {Art::Box,    "TagZahlMon",    "RhyArtPan3", 1170, 60, 480, 300, Zeichen::Ziffern, 2},
    {Art::Text,   "TagZahlMonNach", "RhyArtPan3", 1680, 60, 2400, 300},
    {Art::Option, "MonArtOpt2",    "RhyArtPan3", 90, 450, 300, 300},
    {Art::Text,   "MoPosLab",      "RhyArtPan3", 420, 450, 720, 300},
    {Art::Option, "MoPosOpt1",     "RhyArtPan3", 1170, 450, 1170, 300},
    {Art::Option, "MoPosOpt2",     "RhyArtPan3", 2370, 450, 1170, 300},
    {Art::Option, "MoPosOpt3",     "RhyArtPan3", 3570, 450, 1170, 300},
    {Art::Option, "MoPosOpt4",     "RhyArtPan3", 1170, 750, 1170, 300},
    {Art::Option, "MoPosOpt5",     "RhyArtPan3", 2370, 750, 1170, 300},
    {Art::Liste,  "WoTagCom",      "RhyArtPan3", 1170, 1080, 1800, 330},
    {Art::Text,   "WoTagComNach",  "RhyArtPan3", 3030, 1080, 1740, 330},
    {Art::Text,   "VorherMonLab",  "RhyArtPan3", 90, 1500, 1050, 300},
    {Art::Box,    "VorherMon",     "RhyArtPan3", 1170, 1500, 720, 300, Zeichen::Ziffern},
    {Art::Text,   "VorherMonNach", "RhyArtPan3", 1950, 1500, 2400, 300},
    {Art::Text,   "ErstDatumMonLab", "RhyArtPan3", 90, 1860, 1050, 300},
    {Art::Box,    "ErstDatumMon",  "RhyArtPan3", 1170, 1860, 1350, 300, Zeichen::Datum},

    // Yearly: up to four days, each a day number and a month.
    {Art::Text,   "TagZahlJahr1Lab", "RhyArtPan4", 90, 60, 1050, 330},
    {Art::Box,    "TagZahlJahr1",  "RhyArtPan4", 1170, 75, 480, 300, Zeichen::Ziffern, 2},
    {Art::Liste,  "MonatJah1",     "RhyArtPan4", 1710, 60, 1620, 330},
    {Art::Text,   "MonatJah1Nach", "RhyArtPan4", 3390, 60, 1380, 330},
    {Art::Text,   "TagZahlJahr2Lab", "RhyArtPan4", 90, 405, 1050, 330},
    {Art::Box,    "TagZahlJahr2",  "RhyArtPan4", 1170, 420, 480, 300, Zeichen::Ziffern, 2},
    {Art::Liste,  "MonatJah2",     "RhyArtPan4", 1710, 405, 1620, 330},
    {Art::Text,   "MonatJah2Nach", "RhyArtPan4", 3390, 405, 1380, 330},
    {Art::Text,   "TagZahlJahr3Lab", "RhyArtPan4", 90, 750, 1050, 330},
    {Art::Box,    "TagZahlJahr3",  "RhyArtPan4", 1170, 765, 480, 300, Zeichen::Ziffern, 2},
    {Art::Liste,  "MonatJah3",     "RhyArtPan4", 1710, 750, 1620, 330},
    {Art::Text,   "MonatJah3Nach", "RhyArtPan4", 3390, 750, 1380, 330},
    {Art::Text,   "TagZahlJahr4Lab", "RhyArtPan4", 90, 1095, 1050, 330},
    {Art::Box,    "TagZahlJahr4",  "RhyArtPan4", 1170, 1110, 480, 300, Zeichen::Ziffern, 2},
    {Art::Liste,  "MonatJah4",     "RhyArtPan4", 1710, 1095, 1620, 330},
    {Art::Text,   "MonatJah4Nach", "RhyArtPan4", 3390, 1095, 1380, 330},
    {Art::Text,   "VorherJahLab",  "RhyArtPan4", 90, 1500, 1050, 300},
    {Art::Box,    "VorherJah",     "RhyArtPan4", 1170, 1500, 720, 300, Zeichen::Ziffern},
    {Art::Text,   "VorherJahNach", "RhyArtPan4", 1950, 1500, 2400, 300},
    {Art::Text,   "ErstDatumJahLab", "RhyArtPan4", 90, 1860, 1050, 300},
    {Art::Box,    "ErstDatumJah",  "RhyArtPan4", 1170, 1860, 1350, 300, Zeichen::Datum},

    {Art::Knopf,  "OkBef",         "",           Rand, KnopfOben, 2250, 375},
    {Art::Knopf,  "AbbrechenBef",  "",           BreiteTwips - Rand - 2250, KnopfOben, 2250, 375},
    {Art::Meldung, "MeldungPan",   "",           0, MeldungOben, BreiteTwips, MeldungHoehe},
};

// The two choices at the top are as wide as their captions in each language.
struct Breite {
    const char* name;
    int links, oben, breite, hoehe; // English
};
constexpr Breite BreitenEnglisch[] = {
    {"ZeitArtOpt1", 90, 30, 2000, 285},
    {"ZeitArtOpt2", 2350, 30, 2250, 285},
};

struct Text {
    const char* name;
    const char16_t* englisch;
    const char16_t* deutsch; // the designed form, also for any other language
};
constexpr Text Texte[] = {
    {"ZeitArtOpt1",     u"Show note permanently",       u"Notiz permanent anzeigen"},
    {"ZeitArtOpt2",     u"Note with date/time options", u"Notiz mit Zeitsteuerung"},
    {"UhrArtOpt1",      u"Whole day",        u"Ganztags"},
    {"UhrArtOpt2",      u"From",             u"Von"},
    {"BisLab",          u"to",               u"bis"},
    {"UhrLab",          u"",                 u"Uhr"},
    {"RhythmusOpt1",    u"Daily",            u"Täglich"},
    {"RhythmusOpt2",    u"Weekly",           u"Wöchentlich"},
    {"RhythmusOpt3",    u"Monthly",          u"Monatlich"},
    {"RhythmusOpt4",    u"Yearly",           u"Jährlich"},
    {"WoTagChe1",       u"on Mondays",       u"Montags"},
    {"WoTagChe2",       u"on Tuesdays",      u"Dienstags"},
    {"WoTagChe3",       u"on Wednesdays",    u"Mittwochs"},
    {"WoTagChe4",       u"on Thursdays",     u"Donnerstags"},
    {"WoTagChe5",       u"on Fridays",       u"Freitags"},
    {"WoTagChe6",       u"on Saturdays",     u"Samstags"},
    {"WoTagChe7",       u"on Sundays",       u"Sonntags"},
    {"ErstDatumWocLab", u"First time on",    u"Erstmals am"},
    {"DauerWocLab",     u"Duration",         u"Dauer"},
    {"DauerWocNach",    u"Week(s)",          u"Woche(n)"},
    {"OhneEndeLab",     u"No final date: 0", u"Ohne Endtermin: 0"},
    {"MonArtOpt1",      u"",                 u""},
    {"TagZahlMonLab",   u"Each",             u"Jeden"},
    {"TagZahlMonNach",  u". of month",       u". des Monats"},
    {"MonArtOpt2",      u"",                 u""},
    {"MoPosLab",        u"Each",             u"Jeden"},
    {"MoPosOpt1",       u"first",            u"ersten"},
    {"MoPosOpt2",       u"second",           u"zweiten"},
    {"MoPosOpt3",       u"third",            u"dritten"},
    {"MoPosOpt4",       u"fourth",           u"vierten"},
    {"MoPosOpt5",       u"last",             u"letzten"},
    {"WoTagComNach",    u"of month",         u"des Monats"},
    {"VorherMonLab",    u"Starting",         u"Beginnend"},
    {"VorherMonNach",   u"days earlier",     u"Tage vorher"},
    {"ErstDatumMonLab", u"First time on",    u"Erstmals am"},
    {"TagZahlJahr1Lab", u"Each",             u"Jeden"},
    {"MonatJah1Nach",   u"of year",          u"des Jahres"},
    {"TagZahlJahr2Lab", u"and each",         u"und jeden"},
    {"MonatJah2Nach",   u"of year",          u"des Jahres"},
    {"TagZahlJahr3Lab", u"and each",         u"und jeden"},
    {"MonatJah3Nach",   u"of year",          u"des Jahres"},
    {"TagZahlJahr4Lab", u"and each",         u"und jeden"},
    {"MonatJah4Nach",   u"of year",          u"des Jahres"},
    {"VorherJahLab",    u"Starting",         u"Beginnend"},
    {"VorherJahNach",   u"days earlier",     u"Tage vorher"},
    {"ErstDatumJahLab", u"First time on",    u"Erstmals am"},
    {"OkBef",           u"&Save",            u"&Speichern"},
    {"AbbrechenBef",    u"Cancel",           u"Abbrechen"},
};
// clang-format on

QString deutsch(const char* name) {
    for (const Text& t : Texte)
        if (qstrcmp(t.name, name) == 0)
            return QString::fromUtf16(t.deutsch);
    return {};
}

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

Panel3D* beschriftung(QWidget* eltern, const QString& text, Qt::Alignment ausrichtung) {
    auto* lab = new Panel3D(text, eltern);
    lab->setRand(false);
    lab->setDurchsichtig(true);
    lab->setAusrichtung(ausrichtung);
    return lab;
}

QLineEdit* box(QWidget* eltern, const Platz& p, QHash<QObject*, QString>& zeichen) {
    auto* b = new QLineEdit(eltern);
    QString erlaubt = Ziffern, ersatz;
    if (p.zeichen == Zeichen::Uhr)
        erlaubt += QLatin1Char(':');
    if (p.zeichen == Zeichen::Datum) {
        erlaubt += QLatin1Char('.');
        ersatz = QString(DatumTrenner());
    }
    b->setValidator(new ZeichenPruefer(erlaubt + ersatz, p.hoechstens, b));
    zeichen.insert(b, erlaubt);
    notizen::BoxFarbeSetzen(b, false);
    return b;
}

NotizFeld* notizFeld(QWidget* eltern) {
    auto* n = new NotizFeld(eltern);
    n->setTabChangesFocus(true);
    n->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return n;
}

Panel3D* meldungsZeile(QWidget* eltern) {
    auto* m = new Panel3D(eltern);
    m->setUmbruch(true);
    m->setAusrichtung(Qt::AlignLeft | Qt::AlignVCenter);
    m->setHintergrund(FarbeNummer(7));
    return m;
}

// One control of the table, with its German caption.
QWidget* steuerelement(QWidget* eltern, const Platz& p, QHash<QObject*, QString>& zeichen) {
    const QString text = deutsch(p.name);
    switch (p.art) {
    case Art::Gruppe:
        return new Panel3D(eltern);
    case Art::Text:
        return beschriftung(eltern, text, Qt::AlignLeft | Qt::AlignVCenter);
    case Art::Mitte:
        return beschriftung(eltern, text, Qt::AlignCenter);
    case Art::Notiz:
        return notizFeld(eltern);
    case Art::Option:
        return new QRadioButton(text, eltern);
    case Art::Haken:
        return new QCheckBox(text, eltern);
    case Art::Box:
        return box(eltern, p, zeichen);
    case Art::Liste:
        return new QComboBox(eltern);
    case Art::Knopf: {
        auto* k = new QPushButton(text, eltern);
        // Enter in a box does not save: only a click, Space on the button or
        // its mnemonic does.
        k->setAutoDefault(false);
        return k;
    }
    case Art::Meldung:
        return meldungsZeile(eltern);
    }
    return nullptr;
}

} // namespace

// ---- building

void Notizen::bauen() {
    setFixedSize(Px(BreiteTwips), Px(HoeheTwips));
    QHash<QString, QWidget*> nachName;
    for (const Platz& p : Plaetze) {
        QWidget* eltern = *p.eltern ? nachName.value(QLatin1String(p.eltern)) : this;
        QWidget* w = steuerelement(eltern, p, zeichen_);
        w->setObjectName(QLatin1String(p.name));
        w->setGeometry(PxMasse(p.links, p.oben, p.breite, p.hoehe));
        nachName.insert(QLatin1String(p.name), w);
    }
    steuerelementeFinden();
    monArtGruppe_ = new QButtonGroup(this);
    moPosGruppe_ = new QButtonGroup(this);
    monArtGruppe_->addButton(monArtOpt_[1], 1);
    monArtGruppe_->addButton(monArtOpt_[2], 2);
    for (int i = 1; i <= 5; ++i)
        moPosGruppe_->addButton(moPosOpt_[size_t(i)], i);
}

void Notizen::steuerelementeFinden() {
    const auto finde = [this]<typename T>(T*& ziel, const QString& name) {
        ziel = findChild<T*>(name);
        Q_ASSERT(ziel);
    };
    const auto nummer = [](const char* name, int i) {
        return QLatin1String(name) + QString::number(i);
    };
    finde(meldungPan_, QStringLiteral("MeldungPan"));
    finde(notiz_, QStringLiteral("Notiz"));
    finde(zeitPan_, QStringLiteral("ZeitPan"));
    finde(rhythmusPan_, QStringLiteral("RhythmusPan"));
    for (int i = 1; i <= 2; ++i) {
        finde(zeitArtOpt_[size_t(i)], nummer("ZeitArtOpt", i));
        finde(uhrArtOpt_[size_t(i)], nummer("UhrArtOpt", i));
        finde(uhrzeit_[size_t(i)], nummer("Uhrzeit", i));
        finde(monArtOpt_[size_t(i)], nummer("MonArtOpt", i));
    }
    for (int i = 1; i <= 4; ++i) {
        finde(rhythmusOpt_[size_t(i)], nummer("RhythmusOpt", i));
        finde(tagZahlJahr_[size_t(i)], nummer("TagZahlJahr", i));
        finde(monatJah_[size_t(i)], nummer("MonatJah", i));
    }
    for (int i = 2; i <= 4; ++i)
        finde(rhyArtPan_[size_t(i)], nummer("RhyArtPan", i));
    for (int i = 1; i <= 7; ++i)
        finde(woTagChe_[size_t(i)], nummer("WoTagChe", i));
    for (int i = 1; i <= 5; ++i)
        finde(moPosOpt_[size_t(i)], nummer("MoPosOpt", i));
    finde(erstDatumWoc_, QStringLiteral("ErstDatumWoc"));
    finde(dauerWoc_, QStringLiteral("DauerWoc"));
    finde(tagZahlMon_, QStringLiteral("TagZahlMon"));
    finde(woTagCom_, QStringLiteral("WoTagCom"));
    finde(vorherMon_, QStringLiteral("VorherMon"));
    finde(erstDatumMon_, QStringLiteral("ErstDatumMon"));
    finde(vorherJah_, QStringLiteral("VorherJah"));
    finde(erstDatumJah_, QStringLiteral("ErstDatumJah"));
    finde(okBef_, QStringLiteral("OkBef"));
    finde(abbrechenBef_, QStringLiteral("AbbrechenBef"));
}

// ---- captions

void Notizen::BeschriftungSetzen() {
    // Any other language keeps the designed German captions.
    const int16_t s = p_.Sprache;
    if (s == 1 || s == 2)
        beschriften(s == 1);

    // The captions must fit their widths: the window takes the system's
    // font at 8 points, smaller where a caption would be cut.
    const int anzeiger = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                         style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    setFont(SchriftEinpassen(QApplication::font(), 8, 6, 0.5, [&](const QFontMetrics& fm) {
        for (int i = 1; i <= 2; ++i) {
            const QRadioButton* opt = zeitArtOpt_[size_t(i)];
            if (fm.horizontalAdvance(opt->text()) + anzeiger > opt->width())
                return false;
        }
        return true;
    }));
    listenFuellen();
}

void Notizen::beschriften(bool en) {
    setWindowTitle(en ? QStringLiteral("Pinwick - Edit note")
                      : QStringLiteral("Pinwick - Notiz bearbeiten"));
    for (const Text& t : Texte) {
        QWidget* w = findChild<QWidget*>(QLatin1String(t.name));
        const QString text = QString::fromUtf16(en ? t.englisch : t.deutsch);
        if (auto* knopf = qobject_cast<QAbstractButton*>(w))
            knopf->setText(text);
        else if (auto* lab = qobject_cast<Panel3D*>(w))
            lab->setText(text);
    }
    for (const Breite& b : BreitenEnglisch) {
        QWidget* w = findChild<QWidget*>(QLatin1String(b.name));
        if (en) {
            w->setGeometry(PxMasse(b.links, b.oben, b.breite, b.hoehe));
            continue;
        }
        for (const Platz& p : Plaetze)
            if (qstrcmp(p.name, b.name) == 0)
                w->setGeometry(PxMasse(p.links, p.oben, p.breite, p.hoehe));
    }
}

void Notizen::listenFuellen() {
    const QLocale sprache(p_.Sprache == SpracheEnglisch ? QLocale::English : QLocale::German);
    const auto fuellen = [](QComboBox* liste, const QStringList& eintraege) {
        const int war = liste->currentIndex();
        const QSignalBlocker ruhe(liste);
        liste->clear();
        liste->addItems(eintraege);
        liste->setCurrentIndex(war);
    };
    QStringList tage, monate;
    for (int i = 1; i <= 7; ++i)
        tage << sprache.dayName(i, QLocale::LongFormat);
    for (int i = 1; i <= 12; ++i)
        monate << sprache.standaloneMonthName(i, QLocale::LongFormat);
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

} // namespace pinwick
