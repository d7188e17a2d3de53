// The settings window on the offscreen platform: the rules between its
// controls, what counts as a change, saving and closing. Its common dialogs
// and questions answer from a script.

#include "Animation.h"
#include "Bedienteil.h"
#include "Oberflaeche.h"
#include "Datenbank.h"
#include "Einstellungen.h"
#include "EinstellungsRegeln.h"
#include "EinstellungsSatz.h"
#include "FliegBubble.h"
#include "Masse.h"
#include "Panel3D.h"
#include "PassTest.h"
#include "PasswortHash.h"
#include "QtTexte.h"
#include "Shell.h"
#include "Terminal.h"
#include "TestHilfe.h"
#include "TestLeiste.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace pinwick;
using pinwick::test::Teil;
using pinwick::test::TestUmgebung;

namespace {

// What the scripted dialogs answer, and what they were asked.
struct Drehbuch {
    std::optional<int32_t> farbe;
    std::optional<QFont> schrift;
    QString datei;
    QString dateiOrdner; // the file dialog moves the current folder here
    bool jaNein = true;  // the answer to a Yes/No question
    QMessageBox::StandardButton jaNeinAbbrechen = QMessageBox::No;
    bool mBox = true;
    std::optional<BroadcastDatei> befund; // else the file is really looked at
    std::optional<QString> webAdresse;    // what is typed as the web address
    QString webStart;                     // what the address box offered

    QStringList titel;
    QStringList fragen;
    struct Art {
        QMessageBox::Icon symbol;
        QMessageBox::StandardButtons knoepfe;
    };
    std::vector<Art> arten; // of the questions, in the same order
    struct Blase {
        int32_t links, oben;
        QString text;
    };
    std::vector<Blase> blasen;
};

using Leiste = pinwick::test::TestLeiste;

class EinstellungenTest : public ::testing::Test {
protected:
    void SetUp() override {
        Animation::schrittMs = 0;
        Programm& p = u.p;
        EinstellungenLaden(p);
        p.Sprache = 1;
        p.tonAn = false;
        p.SchriftName = QStringLiteral("DejaVu Sans");
        p.zeigDatum = true;
        p.zeigRahmen = true;
        p.eigeneErlauben = true;
    }
    void TearDown() override {
        if (fenster)
            delete fenster.data();
    }

    Leiste& leiste() {
        if (!leiste_) {
            leiste_ = std::make_unique<Leiste>(u.p);
            leiste_->Timer1Aktiv(false);
        }
        return *leiste_;
    }

    // Opens the window as the bar's settings command leaves the bar: timer
    // stopped, controls disabled.
    Einstellungen& oeffnen(bool mitLeiste = true) {
        Terminal* bar = nullptr;
        if (mitLeiste) {
            bar = &leiste();
            bar->FormAktiv(false);
        }
        fenster = new Einstellungen(u.p, bar);
        Einstellungen::Dialoge& d = fenster->dialoge;
        Drehbuch* b = &buch;
        d.farbe = [b](QWidget*, int32_t, const QString& t) { return b->titel << t, b->farbe; };
        d.schrift = [b](QWidget*, const QFont&) { return b->schrift; };
        d.datei = [b](QWidget*, const QString& t) {
            if (!b->dateiOrdner.isEmpty())
                QDir::setCurrent(b->dateiOrdner);
            return b->titel << t, b->datei;
        };
        d.mBoxJaNein = [b](Programm&, const QString& t) { return b->fragen << t, b->mBox; };
        d.bubble = [b](QWidget*, Programm&, int32_t links, int32_t oben, const QString& text) {
            b->blasen.push_back({links, oben, text});
        };
        d.webAdresse = [b](QWidget*, const QString& t, const QString&, const QString& start) {
            b->webStart = start;
            return b->titel << t, b->webAdresse;
        };
        d.dateiPruefen = [b](const QString& pfad) {
            return b->befund ? *b->befund : BroadcastDateiPruefen(pfad);
        };
        fenster->frage = [b](QMessageBox::Icon symbol, const QString& t,
                             QMessageBox::StandardButtons knoepfe) {
            b->fragen << t;
            b->arten.push_back({symbol, knoepfe});
            if (knoepfe.testFlag(QMessageBox::Cancel))
                return b->jaNeinAbbrechen;
            return b->jaNein ? QMessageBox::Yes : QMessageBox::No;
        };
        fenster->show();
        return *fenster;
    }

    bool offen() const { return fenster && fenster->isVisible(); }

    // The settings row as another connection reads it from the file.
    Wert gespeichert(const char* spalte) const {
        Datenbank db(u.p.datenbankDatei);
        auto rs = db.OpenRecordset(QStringLiteral("select * from Einstellungen"));
        rs->MoveFirst();
        return rs->Feld(QString::fromLatin1(spalte));
    }

    // Puts program and file back to the values of the test's start.
    void zurueck(const Einstellungswerte& start) {
        if (fenster)
            delete fenster.data();
        static_cast<Einstellungswerte&>(u.p) = start;
        EinstellungenSpeichern(u.p);
    }

    bool leisteLaeuft() {
        return leiste().Timer1Laeuft() && leiste().EinstellungenMen()->isEnabled();
    }

    TestUmgebung u;
    Drehbuch buch;
    QPointer<Einstellungen> fenster;
    std::unique_ptr<Leiste> leiste_;
};

// Buttons are clicked the way their own shortcut does it (a mouse in the
// middle of a wide check box may miss its text); panels get the mouse.
void Klick(QWidget* w) {
    if (auto* knopf = qobject_cast<QAbstractButton*>(w))
        knopf->click();
    else
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

// ---- what counts as a change

TEST_F(EinstellungenTest, UngespeichertSetzenNurDieGenanntenSteuerelemente) {
    using Tun = std::function<void(Einstellungen&, Drehbuch&)>;
    const struct {
        const char* name;
        Tun tun;
        bool ungespeichert;
    } faelle[] = {
        {"colour, cancelled", [](auto& w, auto&) { Teil<QPushButton>(w, "FarbWahlBef1")->click(); },
         true},
        {"colour, chosen",
         [](auto& w, auto& b) {
             b.farbe = 0x112233;
             w.ElementWaehlen(3);
             Teil<QPushButton>(w, "FarbWahlBef3")->click();
         },
         true},
        {"font, cancelled",
         [](auto& w, auto&) {
             w.ElementWaehlen(4);
             Teil<QPushButton>(w, "SchriftWahlBef")->click();
         },
         true},
        {"always on top", [](auto& w, auto&) { Teil<QCheckBox>(w, "OnTopChe")->click(); }, true},
        {"dock below", [](auto& w, auto&) { Teil<QRadioButton>(w, "DockPosOpt1")->click(); }, true},
        {"dock above, as it was",
         [](auto& w, auto&) { Teil<QRadioButton>(w, "DockPosOpt0")->click(); }, true},
        {"German", [](auto& w, auto&) { Teil<QRadioButton>(w, "SpracheOpt2")->click(); }, true},
        {"speed", [](auto& w, auto&) { Teil<QRadioButton>(w, "SpeedOpt15")->click(); }, false},
        {"show date", [](auto& w, auto&) { Teil<QCheckBox>(w, "ZeigDatumChe")->click(); }, false},
        {"show border", [](auto& w, auto&) { Teil<QCheckBox>(w, "ZeigRandChe")->click(); }, false},
        {"sysop", [](auto& w, auto&) { Teil<QCheckBox>(w, "SysopStatusChe")->click(); }, false},
        {"password",
         [](auto& w, auto&) { QTest::keyClicks(Teil<QLineEdit>(w, "PasswortTex"), "abc"); }, false},
        {"eye", [](auto& w, auto&) { Klick(Teil<Panel3D>(w, "AugePan")); }, false},
        {"receiver mode", [](auto& w, auto&) { Teil<QCheckBox>(w, "BroadcastStatusChe")->click(); },
         false},
        {"adopt settings",
         [](auto& w, auto&) { Teil<QCheckBox>(w, "BroadcastMasterChe")->click(); }, false},
        {"own notes", [](auto& w, auto&) { Teil<QCheckBox>(w, "EigeneChe")->click(); }, false},
        {"path",
         [](auto& w, auto& b) {
             b.datei = QStringLiteral("//server/freigabe/pw.kav");
             Teil<QCheckBox>(w, "BroadcastStatusChe")->click();
             Klick(Teil<Panel3D>(w, "BroadcastPfadPan"));
         },
         false},
        {"help pop-up", [](auto& w, auto&) { Klick(Teil<Panel3D>(w, "HilfePan2")); }, false},
        {"default values", [](auto& w, auto&) { Teil<QPushButton>(w, "StandardBef")->click(); },
         false},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        buch = Drehbuch();
        u.p.ungespeichert = true; // loading clears it
        Einstellungen& w = oeffnen(false);
        EXPECT_FALSE(u.p.ungespeichert);
        f.tun(w, buch);
        EXPECT_EQ(u.p.ungespeichert, f.ungespeichert);
        delete fenster.data();
    }
}

// ---- loading, the miniature and its buttons

TEST_F(EinstellungenTest, LadenZeigtDieKopieUndDieOptionssaetzeSindGetrennt) {
    const struct {
        int16_t sprache;
        int32_t dock;
        int16_t speed;
        bool oben;
    } faelle[] = {{1, 0, 30, true}, {2, 1, 15, false}, {1, 1, 5, true}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(testing::Message() << f.sprache << f.dock << f.speed);
        u.p.Sprache = f.sprache;
        u.p.dockPos = f.dock;
        u.p.Speed = f.speed;
        u.p.ImmerOben = f.oben;
        Einstellungen& w = oeffnen(false);
        // Choosing a speed leaves language and docking as they are.
        for (int16_t speed : {f.speed, int16_t(f.speed == 5 ? 30 : 5)}) {
            Teil<QRadioButton>(w, QStringLiteral("SpeedOpt%1").arg(speed))->click();
            EXPECT_TRUE(
                Teil<QRadioButton>(w, QStringLiteral("SpracheOpt%1").arg(f.sprache))->isChecked());
            EXPECT_FALSE(Teil<QRadioButton>(w, QStringLiteral("SpracheOpt%1").arg(3 - f.sprache))
                             ->isChecked());
            EXPECT_TRUE(
                Teil<QRadioButton>(w, QStringLiteral("DockPosOpt%1").arg(f.dock))->isChecked());
            EXPECT_FALSE(
                Teil<QRadioButton>(w, QStringLiteral("DockPosOpt%1").arg(1 - f.dock))->isChecked());
            for (int s : {30, 15, 5})
                EXPECT_EQ(Teil<QRadioButton>(w, QStringLiteral("SpeedOpt%1").arg(s))->isChecked(),
                          s == speed)
                    << s;
            EXPECT_EQ(Teil<QCheckBox>(w, "OnTopChe")->isChecked(), f.oben);
        }
        delete fenster.data();
    }
}

TEST_F(EinstellungenTest, RahmenOhneRandIstNichtWaehlbar) {
    Einstellungen& w = oeffnen(false);
    EXPECT_EQ(w.Element(), Rahmen);
    EXPECT_TRUE(Teil<QPushButton>(w, "FarbWahlBef1")->isVisible());
    // Switching the border off takes the frame's colour button away.
    Klick(Teil<QCheckBox>(w, "ZeigRandChe"));
    EXPECT_FALSE(Teil<QPushButton>(w, "FarbWahlBef1")->isVisible());
    EXPECT_EQ(Teil<Panel3D>(w, "FarbePan1")->hintergrund(), MiniaturGrau);

    Klick(Teil<Panel3D>(w, "FarbePan2"));
    EXPECT_EQ(w.Element(), DatumUhr);
    const bool sichtbar[] = {true, true, false};
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(Teil<QPushButton>(w, QStringLiteral("FarbWahlBef%1").arg(k))->isVisible(),
                  sichtbar[k - 1])
            << k;
    EXPECT_FALSE(Teil<QPushButton>(w, "SchriftWahlBef")->isVisible());
    // A click on the frame is ignored while there is no border.
    Klick(Teil<Panel3D>(w, "FarbePan1"));
    EXPECT_EQ(w.Element(), DatumUhr);
    Klick(Teil<QCheckBox>(w, "ZeigRandChe"));
    Klick(Teil<Panel3D>(w, "FarbePan1"));
    EXPECT_EQ(w.Element(), Rahmen);
}

TEST_F(EinstellungenTest, FarbenGehenInDieKopieUndDenTitelInProgrammSprache) {
    u.p.Sprache = 2;
    Einstellungen& w = oeffnen(false);
    // The window now speaks English, the program still German: the colour
    // dialog's title follows the program.
    Klick(Teil<QRadioButton>(w, "SpracheOpt1"));
    Klick(Teil<Panel3D>(w, "FarbePan4"));
    const struct {
        int knopf;
        int32_t farbe;
        int32_t Einstellungswerte::*ziel;
        int panel;
        bool schrift;
    } faelle[] = {
        {1, 0x010203, &Einstellungswerte::notizHgFarbe, 3, false},
        {2, 0x040506, &Einstellungswerte::SchriftFarbe, 3, true},
        {3, 0x070809, &Einstellungswerte::SchriftFarbe2, 4, true},
    };
    for (const auto& f : faelle) {
        buch.farbe = f.farbe;
        Teil<QPushButton>(w, QStringLiteral("FarbWahlBef%1").arg(f.knopf))->click();
        EXPECT_EQ(w.Kopie().*f.ziel, f.farbe);
        Panel3D* panel = Teil<Panel3D>(w, QStringLiteral("FarbePan%1").arg(f.panel));
        EXPECT_EQ(f.schrift ? panel->schriftFarbe() : panel->hintergrund(), f.farbe);
    }
    EXPECT_EQ(Teil<Panel3D>(w, "FarbePan3")->hintergrund(),
              Teil<Panel3D>(w, "FarbePan4")->hintergrund());
    EXPECT_EQ(buch.titel.last(), "Note font color broadcast w\u00E4hlen");
    EXPECT_EQ(u.p.sprachText[1], "Select Note font color broadcast");

    // A cancelled dialog changes nothing; nothing reaches the program before Save.
    const Einstellungswerte vorher = w.Kopie();
    buch.farbe.reset();
    Teil<QPushButton>(w, "FarbWahlBef1")->click();
    EXPECT_TRUE(w.Kopie() == vorher);
    EXPECT_NE(u.p.SchriftFarbe2, 0x070809);
}

TEST_F(EinstellungenTest, SchriftGanzePunkteVon1Bis100) {
    Einstellungen& w = oeffnen(false);
    Klick(Teil<Panel3D>(w, "FarbePan3"));
    const int hoeheVorher = Teil<Panel3D>(w, "FarbePan3")->height();
    // Sizes outside 1 to 100 are refused with a message; the font stays.
    const struct {
        qreal punkte;
        int16_t erwartet;
        bool abgelehnt;
    } faelle[] = {{12.5, 13, false}, {0.4, 13, true},  {150, 13, true},
                  {0.6, 1, false},   {100.6, 1, true}, {100.4, 100, false}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.punkte);
        MeldungLoeschen(&w);
        QFont schrift(QStringLiteral("DejaVu Serif"));
        schrift.setPointSizeF(f.punkte);
        schrift.setItalic(true);
        buch.schrift = schrift;
        Teil<QPushButton>(w, "SchriftWahlBef")->click();
        EXPECT_EQ(w.Kopie().SchriftGroesse, f.erwartet);
        EXPECT_TRUE(w.Kopie().SchriftName == "DejaVu Serif" && w.Kopie().SchriftKursiv);
        EXPECT_EQ(Teil<Panel3D>(w, "FarbePan3")->font().pointSize(), f.erwartet);
        EXPECT_EQ(Teil<Panel3D>(w, "FarbePan4")->font(), Teil<Panel3D>(w, "FarbePan3")->font());
        EXPECT_EQ(Teil<Panel3D>(w, "MeldungPan")->text(),
                  f.abgelehnt ? QStringLiteral("Font size: choose from 1 to 100 points.")
                              : QString());
    }
    EXPECT_GT(Teil<Panel3D>(w, "FarbePan3")->height(), hoeheVorher)
        << "the miniature grew with the font";
}

// A stored font that is not installed here: the dialog starts on the font
// that draws it, with the stored size and style, and the name stays unless
// another family is chosen.
TEST_F(EinstellungenTest, SchriftDialogBeginntBeimGespeichertenNamen) {
    const struct {
        const char* name;
        bool fett, kursiv;
        bool andereFamilie;
        const char* erwarteterName;
    } faelle[] = {
        {"Verdana", true, false, false, "Verdana"},
        {"MS Sans Serif", true, true, false, "MS Sans Serif"},
        {"Verdana", false, true, true, "DejaVu Serif"},
        {"DejaVu Sans", true, false, false, "DejaVu Sans"},
    };
    // Qt's own texts follow the program's language, as in the program.
    QtTexte qtTexte([this] { return u.p.Sprache; });
    qtTexte.Laden();
    QCoreApplication::installTranslator(&qtTexte);
    for (int16_t sprache : {1, 2})
        for (const auto& f : faelle) {
            SCOPED_TRACE(f.name);
            SCOPED_TRACE(sprache);
            // Only where the name is missing does the case test the substitution.
            if (QFontDatabase::hasFamily(QString::fromLatin1(f.name)) &&
                QLatin1String(f.name) != QLatin1String("DejaVu Sans"))
                continue;
            u.p.Sprache = sprache;
            u.p.SchriftName = QString::fromLatin1(f.name);
            u.p.SchriftGroesse = 10;
            u.p.SchriftFett = f.fett;
            u.p.SchriftKursiv = f.kursiv;
            Einstellungen& w = oeffnen(false);
            Klick(Teil<Panel3D>(w, "FarbePan3"));
            std::optional<QFont> start;
            w.dialoge.schrift = [&](QWidget*, const QFont& s) -> std::optional<QFont> {
                start = s;
                // Only the size is changed, or another family chosen as well.
                QFont gewaehlt = s;
                if (f.andereFamilie)
                    gewaehlt.setFamily(QStringLiteral("DejaVu Serif"));
                gewaehlt.setPointSize(14);
                return gewaehlt;
            };
            Teil<QPushButton>(w, "SchriftWahlBef")->click();
            ASSERT_TRUE(start.has_value());
            EXPECT_TRUE(QFontDatabase::hasFamily(start->family())) << start->family().toStdString();
            EXPECT_EQ(start->pointSize(), 10);
            EXPECT_EQ(start->bold(), f.fett);
            EXPECT_EQ(start->italic(), f.kursiv);
            {
                // The real dialog finds the start style in the family's list.
                QFontDialog dialog(*start);
                EXPECT_EQ(dialog.currentFont().bold(), f.fett);
                EXPECT_EQ(dialog.currentFont().italic(), f.kursiv);
                EXPECT_EQ(dialog.currentFont().pointSize(), 10);
            }
            EXPECT_EQ(w.Kopie().SchriftName, QString::fromLatin1(f.erwarteterName));
            EXPECT_EQ(w.Kopie().SchriftGroesse, 14);
            EXPECT_EQ(w.Kopie().SchriftFett, f.fett);
            EXPECT_EQ(w.Kopie().SchriftKursiv, f.kursiv);
            delete fenster.data();
        }
    QCoreApplication::removeTranslator(&qtTexte);
}

TEST_F(EinstellungenTest, SpracheBeschriftetAllesAufEinmalUndDieLeisteErstNachDemSpeichern) {
    Einstellungen& w = oeffnen();
    Klick(Teil<Panel3D>(w, "FarbePan2"));
    Klick(Teil<QRadioButton>(w, "SpracheOpt2"));
    const struct {
        QString ist, soll;
    } texte[] = {
        {w.windowTitle(), QStringLiteral("Pinwick - Einstellungen")},
        {Teil<QPushButton>(w, "FarbWahlBef2")->text(),
         QStringLiteral("Datum/Uhrzeit Schriftfarbe")},
        {Teil<Panel3D>(w, "FarbePan3")->text(), QStringLiteral(" Notiz lokal")},
        {Teil<QRadioButton>(w, "SpeedOpt5")->text(), QStringLiteral("Sehr langsam")},
        {Teil<Panel3D>(w, "HilfePan1")->text(), QStringLiteral("<- Was hei\u00DFt das?")},
        {Teil<Panel3D>(w, "BroadcastPfadPan")->text(), QStringLiteral("<< Nicht festgelegt >>")},
        {Teil<QPushButton>(w, "SpeichernBef")->text(), QStringLiteral("&Speichern")},
        {Teil<QRadioButton>(w, "SpracheOpt1")->text(), QStringLiteral("English")},
    };
    for (const auto& t : texte)
        EXPECT_EQ(t.ist, t.soll);
    EXPECT_TRUE(Teil<Panel3D>(w, "KommentarTextPan1")
                    ->text()
                    .startsWith(QStringLiteral("Wenn Sie den Sysop")));
    EXPECT_EQ(leiste().EndeMen()->text(), "End");

    ASSERT_TRUE(w.Speichern());
    EXPECT_EQ(u.p.Sprache, 2);
    EXPECT_EQ(leiste().EndeMen()->text(), "Beenden");
}

// ---- sysop, password and receiver mode

TEST_F(EinstellungenTest, EmpfaengerModusSperrtPasswortUndSchaltetSysopEin) {
    const struct {
        bool sysop, eigene, klartext;
    } faelle[] = {{false, false, true}, {true, true, false}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(testing::Message() << f.sysop << f.eigene << f.klartext);
        u.p.sysopStatus = f.sysop;
        u.p.eigeneErlauben = f.eigene;
        u.p.passWort = QStringLiteral("geheim");
        Einstellungen& w = oeffnen(false);
        EXPECT_EQ(Teil<QLineEdit>(w, "PasswortTex")->maxLength(), 100);
        EXPECT_FALSE(Teil<Panel3D>(w, "BroadcastPfadPan")->isEnabled());
        if (f.klartext)
            Klick(Teil<Panel3D>(w, "AugePan"));
        EXPECT_EQ(Teil<QLineEdit>(w, "PasswortTex")->echoMode(),
                  f.klartext ? QLineEdit::Normal : QLineEdit::Password);

        const std::initializer_list<QWidget*> gesperrt = {
            Teil<QCheckBox>(w, "SysopStatusChe"), Teil<QLineEdit>(w, "PasswortTex"),
            Teil<Panel3D>(w, "LegendePan3"),      Teil<Panel3D>(w, "AugePan"),
            Teil<Panel3D>(w, "LegendePan2"),      Teil<QCheckBox>(w, "BroadcastMasterChe"),
            Teil<QCheckBox>(w, "EigeneChe")};
        const std::initializer_list<QWidget*> frei = {Teil<Panel3D>(w, "LegendePan0"),
                                                      Teil<Panel3D>(w, "LegendePan1"),
                                                      Teil<Panel3D>(w, "BroadcastPfadPan")};
        Klick(Teil<QCheckBox>(w, "BroadcastStatusChe"));
        for (QWidget* e : gesperrt)
            EXPECT_FALSE(e->isEnabled()) << e->objectName().toStdString();
        for (QWidget* e : frei)
            EXPECT_TRUE(e->isEnabled()) << e->objectName().toStdString();
        EXPECT_EQ(Teil<QLineEdit>(w, "PasswortTex")->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(Teil<QCheckBox>(w, "SysopStatusChe")->isChecked() && w.Kopie().sysopStatus);
        EXPECT_EQ(w.Kopie().eigeneErlauben, f.eigene) << "only unticking ticks own notes";

        Klick(Teil<QCheckBox>(w, "BroadcastStatusChe"));
        for (QWidget* e : gesperrt)
            EXPECT_TRUE(e->isEnabled()) << e->objectName().toStdString();
        for (QWidget* e : frei)
            EXPECT_FALSE(e->isEnabled()) << e->objectName().toStdString();
        EXPECT_TRUE(Teil<QCheckBox>(w, "EigeneChe")->isChecked() && w.Kopie().eigeneErlauben);
        EXPECT_TRUE(w.Kopie().sysopStatus) << "sysop mode stays on";
        EXPECT_FALSE(w.Kopie().broadcastStatus);
        delete fenster.data();
    }
}

TEST_F(EinstellungenTest, GeladenerEmpfaengerModusBehaeltSeineWerte) {
    u.p.broadcastStatus = true;
    u.p.sysopStatus = false; // an odd row: kept as loaded
    u.p.eigeneErlauben = false;
    Einstellungen& w = oeffnen(false);
    EXPECT_FALSE(Teil<QCheckBox>(w, "SysopStatusChe")->isChecked());
    EXPECT_FALSE(Teil<QCheckBox>(w, "EigeneChe")->isChecked());
    EXPECT_FALSE(Teil<QLineEdit>(w, "PasswortTex")->isEnabled());
    EXPECT_TRUE(Teil<Panel3D>(w, "BroadcastPfadPan")->isEnabled());
}

TEST_F(EinstellungenTest, SysopBleibtImEmpfaengerModusAn) {
    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        Einstellungen& w = oeffnen(false);
        Klick(Teil<QCheckBox>(w, "BroadcastStatusChe"));
        // The box is locked; should its click arrive all the same, the rule holds.
        Teil<QCheckBox>(w, "SysopStatusChe")->setChecked(false);
        emit Teil<QCheckBox>(w, "SysopStatusChe")->clicked(false);
        EXPECT_TRUE(Teil<QCheckBox>(w, "SysopStatusChe")->isChecked() && w.Kopie().sysopStatus);
        EXPECT_EQ(
            Teil<Panel3D>(w, "MeldungPan")->text(),
            sprache == 1
                ? QStringLiteral("Sysop mode required with enabled broadcast mode.")
                : QStringLiteral("Sysop-Status muss bei aktiviertem Broadcasting aktiviert sein."));
        EXPECT_EQ(Teil<Panel3D>(w, "MeldungPan")->hintergrund(), 0x0000FF);
        delete fenster.data();
    }
}

TEST_F(EinstellungenTest, PfadWahl) {
    QTemporaryDir lokal;
    const QString datei = lokal.filePath(QStringLiteral("pw.kav"));
    const QString alt = QStringLiteral("//alt/pw.kav");
    const QString vorherOrdner = QDir::currentPath();
    const struct {
        QString gewaehlt;
        bool mBox, gefragt;
        QString ergebnis;
    } faelle[] = {
        {QString(), true, false, alt}, // cancelled
        {QStringLiteral("//server/f/pw.kav"), false, false, QStringLiteral("//server/f/pw.kav")},
        {QStringLiteral("\\\\server\\f\\pw.kav"), false, false,
         QStringLiteral("\\\\server\\f\\pw.kav")},
        {datei, false, true, alt},
        {datei, true, true, datei},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.gewaehlt.toStdString());
        u.p.broadcastStatus = true;
        u.p.broadcastPfad = alt;
        u.p.Sprache = 2; // the question follows the program ...
        Einstellungen& w = oeffnen(false);
        Klick(Teil<QRadioButton>(w, "SpracheOpt1")); // ... the file dialog the window
        buch = Drehbuch();
        // The servers of these paths do not exist; their files count as good.
        buch.befund = BroadcastDatei::Gut;
        buch.datei = f.gewaehlt;
        buch.mBox = f.mBox;
        buch.dateiOrdner = lokal.path();
        Klick(Teil<Panel3D>(w, "BroadcastPfadPan"));
        EXPECT_EQ(buch.titel, QStringList{QStringLiteral("Set path to broadcaster")});
        EXPECT_EQ(QDir::currentPath(), vorherOrdner) << "current folder restored";
        EXPECT_EQ(buch.fragen, f.gefragt
                                   ? QStringList{QStringLiteral(
                                         "Broadcast-Pfad muss auf anderen Computer weisen - diesen "
                                         "Pfad wirklich w\u00E4hlen?")}
                                   : QStringList());
        EXPECT_EQ(w.Kopie().broadcastPfad, f.ergebnis);
        EXPECT_EQ(Teil<Panel3D>(w, "BroadcastPfadPan")->text(),
                  QDir::toNativeSeparators(f.ergebnis));
        delete fenster.data();
    }
}

// A web address typed beside the file button: taken when "receive" would
// take it, the key field then enabled; anything else is told in the message
// line and leaves the path as it was. Save checks once more.
TEST_F(EinstellungenTest, WebAdresseEingeben) {
    const QString alt = QStringLiteral("//alt/pw.kav");
    const struct Fall {
        const char* name;
        QString vorher;
        std::optional<QString> eingabe;
        QString start;    // offered in the box
        QString ergebnis; // the path afterwards
        const char* meldung;
    } faelle[] = {
        {"abgebrochen", alt, std::nullopt, QStringLiteral("https://"), alt, ""},
        {"https", alt, QStringLiteral("  https://notes.example/office/ "),
         QStringLiteral("https://"), QStringLiteral("https://notes.example/office/"), ""},
        {"http_im_haus", alt, QStringLiteral("http://intranet/pinwick/"),
         QStringLiteral("https://"), QStringLiteral("http://intranet/pinwick/"), ""},
        {"web_bleibt_vorschlag", QStringLiteral("https://a.example/"),
         QStringLiteral("https://b.example/"), QStringLiteral("https://a.example/"),
         QStringLiteral("https://b.example/"), ""},
        {"mit_passwort", alt, QStringLiteral("https://ich:pw@notes.example/"),
         QStringLiteral("https://"), alt, "without user name or password"},
        {"ftp", alt, QStringLiteral("ftp://notes.example/"), QStringLiteral("https://"), alt,
         "Please enter a web address"},
        {"ohne_host", alt, QStringLiteral("https://"), QStringLiteral("https://"), alt,
         "Please enter a web address"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        u.p.broadcastStatus = true;
        u.p.broadcastPfad = f.vorher;
        u.p.broadcastSchluessel.clear();
        Einstellungen& w = oeffnen(false);
        buch = Drehbuch();
        buch.webAdresse = f.eingabe;
        Klick(Teil<QPushButton>(w, "WebAdresseBef"));
        EXPECT_EQ(buch.titel, QStringList{QStringLiteral("Web address of the broadcast")});
        EXPECT_EQ(buch.webStart, f.start);
        EXPECT_EQ(w.Kopie().broadcastPfad, f.ergebnis);
        EXPECT_EQ(Teil<Panel3D>(w, "BroadcastPfadPan")->text(),
                  QDir::toNativeSeparators(f.ergebnis));
        EXPECT_EQ(Teil<QLineEdit>(w, "BroadcastSchluesselTex")->isEnabled(),
                  f.ergebnis.startsWith(QLatin1String("http")));
        EXPECT_TRUE(Teil<Panel3D>(w, "MeldungPan")->text().contains(QLatin1String(f.meldung)))
            << Teil<Panel3D>(w, "MeldungPan")->text().toStdString();
        delete fenster.data();
    }
    // Only a receiver chooses a path.
    u.p.broadcastStatus = false;
    Einstellungen& w = oeffnen(false);
    EXPECT_FALSE(Teil<QPushButton>(w, "WebAdresseBef")->isEnabled());
}

// The receiver's state in the message line follows its polls while the
// window is open, in the window's language, and never covers a message of
// the window's own.
TEST_F(EinstellungenTest, EmpfangsZustandFolgtDemEmpfaenger) {
    u.p.broadcastStatus = true;
    u.p.broadcastPfad = QStringLiteral("https://notes.example/office/");
    u.p.broadcastWebZustand = QStringLiteral("waiting for the first snapshot");
    Einstellungen& w = oeffnen(false);
    auto* zeile = Teil<Panel3D>(w, "MeldungPan");
    EXPECT_EQ(zeile->text(), QStringLiteral("waiting for the first snapshot"));
    const auto warteAuf = [&](const QString& text) {
        QTest::qWaitFor([&] { return zeile->text() == text; }, 5000);
        return zeile->text();
    };
    const struct {
        const char* zustand;
        int16_t sprache;
        const char* gezeigt;
    } schritte[] = {
        {"version 7 received at 10:00:00 UTC", 1, "version 7 received at 10:00:00 UTC"},
        {"cannot reach the server: Connection refused (showing version 7)", 1,
         "cannot reach the server: Connection refused (showing version 7)"},
        {"cannot reach the server: Connection refused (showing version 7)", 2,
         "Server nicht erreichbar: Connection refused (gezeigt wird Version 7)"},
        {"expired on 2026-12-10 07:00 UTC", 2, "abgelaufen am 2026-12-10 07:00 UTC"},
    };
    for (const auto& s : schritte) {
        SCOPED_TRACE(s.gezeigt);
        u.p.broadcastWebZustand = QString::fromUtf8(s.zustand);
        Klick(Teil<QRadioButton>(w, s.sprache == 1 ? "SpracheOpt1" : "SpracheOpt2"));
        EXPECT_EQ(warteAuf(QString::fromUtf8(s.gezeigt)), QString::fromUtf8(s.gezeigt));
    }
    // A message of the window's own stays.
    Klick(Teil<QRadioButton>(w, "SpracheOpt1"));
    buch.webAdresse = QStringLiteral("ftp://x/");
    Klick(Teil<QPushButton>(w, "WebAdresseBef"));
    const QString eigene = zeile->text();
    EXPECT_TRUE(eigene.startsWith(QLatin1String("Please enter a web address")))
        << eigene.toStdString();
    u.p.broadcastWebZustand = QStringLiteral("version 8 received at 10:01:00 UTC");
    QTest::qWait(1200);
    EXPECT_EQ(zeile->text(), eigene);
}

// ---- help pop-ups and Escape

TEST_F(EinstellungenTest, HilfenEinzelnUnterIhremLinkUndEscapeDerReiheNach) {
    Einstellungen& w = oeffnen(false);
    for (int i : {1, 2}) {
        Klick(Teil<Panel3D>(w, QStringLiteral("HilfePan%1").arg(i)));
        EXPECT_TRUE(w.KommentarOffen(i));
        EXPECT_FALSE(w.KommentarOffen(3 - i));
        // Below its link, reaching 1000 twips further left, inside the window.
        const auto teil = [&w, i](const char* name) {
            return Teil<Panel3D>(w, QString::fromLatin1(name) + QString::number(i));
        };
        const Panel3D* link = teil("HilfePan");
        const Panel3D* pop = teil("KommentarPan");
        const Panel3D* zu = teil("AbbrechenPan");
        EXPECT_NEAR(Twips(pop->x()), Twips(link->x()) - 1000, 15);
        EXPECT_NEAR(Twips(pop->y()),
                    Twips(link->parentWidget()->y() + link->y() + link->height()) + 100, 30);
        EXPECT_LT(teil("KommentarTextPan")->geometry().bottom(), zu->y());
        EXPECT_LE(zu->geometry().bottom(), pop->height());
        EXPECT_TRUE(w.rect().contains(pop->geometry()));
    }
    // The close panel, an element, a passive panel: each closes it.
    for (QWidget* schliesser : {static_cast<QWidget*>(Teil<Panel3D>(w, "AbbrechenPan2")),
                                static_cast<QWidget*>(Teil<Panel3D>(w, "FarbePan3")),
                                static_cast<QWidget*>(Teil<Panel3D>(w, "HinweisPan")),
                                static_cast<QWidget*>(Teil<Panel3D>(w, "zzzPanel0"))}) {
        w.KommentarZeigen(2);
        Klick(schliesser);
        EXPECT_FALSE(w.KommentarOffen(2)) << schliesser->objectName().toStdString();
    }
    // Escape closes the open pop-up first, the window next.
    w.KommentarZeigen(1);
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.KommentarOffen(1));
    EXPECT_TRUE(offen());
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(offen());
    EXPECT_TRUE(buch.fragen.isEmpty()) << "nothing changed, nothing asked";
}

// ---- default values

TEST_F(EinstellungenTest, StandardwerteNurNachJaUndOhneAenderungsmarke) {
    u.p.SchriftName = QStringLiteral("DejaVu Serif");
    u.p.zeigDatum = false;
    u.p.Speed = 5;
    u.p.sysopStatus = true;
    for (bool ja : {false, true}) {
        SCOPED_TRACE(ja);
        Einstellungen& w = oeffnen(false);
        Klick(Teil<QRadioButton>(w, "SpracheOpt2")); // a change the defaults leave alone
        u.p.ungespeichert = false;
        Einstellungswerte erwartet = w.Kopie();
        if (ja)
            StandardwerteSetzen(erwartet);
        buch.jaNein = ja;
        Teil<QPushButton>(w, "StandardBef")->click();
        EXPECT_EQ(buch.fragen.last(), "Really reset to default values?");
        EXPECT_EQ(buch.arten.back().symbol, QMessageBox::Question);
        EXPECT_EQ(buch.arten.back().knoepfe, QMessageBox::Yes | QMessageBox::No);
        EXPECT_TRUE(w.Kopie() == erwartet);
        EXPECT_EQ(w.Kopie().Sprache, 2);
        EXPECT_EQ(Teil<QCheckBox>(w, "ZeigDatumChe")->isChecked() &&
                      Teil<QRadioButton>(w, "SpeedOpt30")->isChecked(),
                  ja);
        EXPECT_EQ(Teil<Panel3D>(w, "FarbePan3")->font().family(), ja ? "Verdana" : "DejaVu Serif");
        EXPECT_FALSE(u.p.ungespeichert);
        delete fenster.data();
    }
}

// ---- the check before saving, saving

TEST_F(EinstellungenTest, PruefungVorDemSpeichernZeigtBlaseUnterDemFeld) {
    const struct {
        const char* name;
        std::function<void(Einstellungen&)> einstellen;
        QString blase; // empty: saved
        std::function<QWidget*(Einstellungen&)> feld;
    } faelle[] = {
        {"sysop without password", [](auto& w) { Teil<QCheckBox>(w, "SysopStatusChe")->click(); },
         QStringLiteral("Please enter a password."),
         [](auto& w) -> QWidget* { return Teil<QLineEdit>(w, "PasswortTex"); }},
        {"sysop with password",
         [](auto& w) {
             Teil<QCheckBox>(w, "SysopStatusChe")->click();
             QTest::keyClicks(Teil<QLineEdit>(w, "PasswortTex"), "x");
         },
         QString(), nullptr},
        {"receiver without path",
         [](auto& w) { Teil<QCheckBox>(w, "BroadcastStatusChe")->click(); },
         QStringLiteral("Please specify a broadcast path."),
         [](auto& w) -> QWidget* { return Teil<Panel3D>(w, "BroadcastPfadPan"); }},
    };
    const Einstellungswerte start = u.p;
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        zurueck(start);
        buch = Drehbuch();
        Einstellungen& w = oeffnen(false);
        f.einstellen(w);
        const bool ok = w.Speichern();
        EXPECT_EQ(ok, f.blase.isEmpty());
        EXPECT_EQ(offen(), !ok);
        if (ok)
            continue;
        ASSERT_EQ(buch.blasen.size(), 1u);
        EXPECT_EQ(buch.blasen[0].text, f.blase);
        // Below the middle of the field at fault, offsets from the window.
        QWidget* feld = f.feld(w);
        const QPoint unter = feld->mapTo(&w, QPoint(feld->width() / 2, feld->height()));
        EXPECT_NEAR(buch.blasen[0].links, Twips(unter.x()), 30);
        EXPECT_NEAR(buch.blasen[0].oben, Twips(unter.y()) + 30, 30);
        EXPECT_FALSE(u.p.sysopStatus || u.p.broadcastStatus) << "nothing handed over";
        EXPECT_EQ(gespeichert("sysopStatus").alsInt32(), 0);
    }
}

TEST_F(EinstellungenTest, SpeichernSchreibtAllesUndGibtDieLeisteZurueck) {
    u.p.erstVorbei = true;
    Einstellungen& w = oeffnen();
    ASSERT_FALSE(leisteLaeuft());
    Klick(Teil<Panel3D>(w, "FarbePan3"));
    buch.farbe = 0x00AA00;
    Teil<QPushButton>(w, "FarbWahlBef1")->click();
    QFont schrift(QStringLiteral("DejaVu Sans"));
    schrift.setPointSize(14);
    buch.schrift = schrift;
    Teil<QPushButton>(w, "SchriftWahlBef")->click();
    Teil<QRadioButton>(w, "SpeedOpt5")->click();
    Teil<QRadioButton>(w, "DockPosOpt1")->click();
    Teil<QCheckBox>(w, "ZeigDatumChe")->click();
    Teil<QCheckBox>(w, "SysopStatusChe")->click();
    QTest::keyClicks(Teil<QLineEdit>(w, "PasswortTex"), "Geheim");

    ASSERT_TRUE(w.Speichern());
    EXPECT_FALSE(offen());
    EXPECT_FALSE(u.p.ungespeichert);
    EXPECT_TRUE(buch.fragen.isEmpty()) << "saving closes without asking";
    EXPECT_TRUE(u.p.erstVorbei);
    EXPECT_EQ(u.p.Schrift3D, 0);
    // The program has the copy, the file the program's values.
    const struct {
        const char* spalte;
        QVariant wert, programm;
    } zeilen[] = {{"notizHgFarbe", 0x00AA00, u.p.notizHgFarbe},
                  {"SchriftGroesse", 14, u.p.SchriftGroesse},
                  {"SchriftFett", 0, u.p.SchriftFett ? -1 : 0},
                  {"Speed", 5, u.p.Speed},
                  {"dockPos", 1, u.p.dockPos},
                  {"zeigDatum", 0, u.p.zeigDatum ? -1 : 0},
                  {"sysopStatus", -1, u.p.sysopStatus ? -1 : 0},
                  {"Schrift3D", 0, 0}};
    for (const auto& z : zeilen) {
        EXPECT_EQ(gespeichert(z.spalte).roh().toString(), z.wert.toString()) << z.spalte;
        EXPECT_EQ(z.programm.toString(), z.wert.toString()) << z.spalte;
    }
    // The password as its hash, in the file and in the program.
    EXPECT_TRUE(PasswortPasst(QStringLiteral("Geheim"), gespeichert("passWort").alsText()));
    EXPECT_EQ(u.p.passWort, gespeichert("passWort").alsText());
    // The bar runs again, in the new look, place and speed.
    EXPECT_TRUE(leisteLaeuft());
    EXPECT_EQ(leiste().ScrollSchritt(), 5);
    EXPECT_FALSE(leiste().DatumPan()->isVisible());
    EXPECT_EQ(leiste().Layout().leisteOben + leiste().Layout().leisteHoehe,
              Twips(Bildschirm().height()));
}

TEST_F(EinstellungenTest, SpeichernImEmpfaengerModusVerbindetUndUebernimmt) {
    const QString sender = u.NeueDatenbank(QStringLiteral("sender.kav"));
    {
        Datenbank db(sender);
        db.Ausfuehren(QStringLiteral("UPDATE Einstellungen SET notizHgFarbe = 255, "
                                     "passWort = 'vomSender', SchriftGroesse = 16"));
    }
    Einstellungen& w = oeffnen();
    Teil<QCheckBox>(w, "BroadcastStatusChe")->click();
    buch.datei = sender; // a local folder: taken after the Yes
    w.PfadWaehlen();
    ASSERT_EQ(w.Kopie().broadcastPfad, sender);
    u.p.aufbauZaehler = 0;

    ASSERT_TRUE(w.Speichern());
    EXPECT_EQ(u.p.broadcastDatei, sender);
    EXPECT_FALSE(u.p.netzFehler);
    EXPECT_EQ(u.p.aufbauZaehler, 100);
    // Adopted in memory; the local file keeps what the window saved.
    EXPECT_EQ(u.p.notizHgFarbe, 255);
    EXPECT_EQ(u.p.passWort, "vomSender");
    EXPECT_EQ(u.p.SchriftGroesse, 16);
    EXPECT_EQ(gespeichert("passWort").alsText(), "");
    EXPECT_EQ(gespeichert("broadcastPfad").alsText(), sender);
}

// ---- the stored password

// The box never shows what is stored and, left empty, keeps it; what is
// saved is a hash, also for a password an older file holds in the clear.
TEST_F(EinstellungenTest, GespeichertesPasswortBleibtVerborgenUndWirdAlsHashGeschrieben) {
    static const QString altHash = PasswortHashen(QStringLiteral("Alt"));
    const struct {
        const char* name;
        QString gespeichert;                 // in the file and the program at the start
        std::function<void(QLineEdit*)> tun; // on the password box
        const char* gilt;                    // the password that opens afterwards
        bool hashUnveraendert;               // the very same hash string is kept
    } faelle[] = {
        {"old clear text, box left empty", QStringLiteral("Alt"), [](QLineEdit*) {}, "Alt", false},
        {"hash, box left empty", altHash, [](QLineEdit*) {}, "Alt", true},
        {"hash, new password typed", altHash, [](QLineEdit* box) { QTest::keyClicks(box, "Neu"); },
         "Neu", false},
        {"old clear text, new password typed", QStringLiteral("Alt"),
         [](QLineEdit* box) { QTest::keyClicks(box, "Neu"); }, "Neu", false},
        {"nothing stored, new password typed", QString(),
         [](QLineEdit* box) { QTest::keyClicks(box, "Neu"); }, "Neu", false},
        {"typed and erased again", altHash,
         [](QLineEdit* box) {
             QTest::keyClicks(box, "Neu");
             for (int i = 0; i < 3; ++i)
                 QTest::keyClick(box, Qt::Key_Backspace);
         },
         "Alt", true},
    };
    u.p.sysopStatus = true;
    const Einstellungswerte start = u.p;
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        zurueck(start);
        // As an older version or an earlier save left it (zurueck would hash
        // a clear text).
        Datenbank(u.p.datenbankDatei)
            .Ausfuehren(
                QStringLiteral("UPDATE Einstellungen SET passWort = '%1'").arg(f.gespeichert));
        u.p.passWort = f.gespeichert;
        buch = Drehbuch();

        Einstellungen& w = oeffnen(false);
        QLineEdit* box = Teil<QLineEdit>(w, "PasswortTex");
        EXPECT_TRUE(box->text().isEmpty()) << "nothing stored is shown";
        Klick(Teil<Panel3D>(w, "AugePan"));
        EXPECT_TRUE(box->text().isEmpty()) << "not even in plain view";
        f.tun(box);

        // Sysop mode is on and the box may be empty: a stored password counts.
        ASSERT_TRUE(w.Speichern());
        EXPECT_TRUE(buch.blasen.empty());
        const QString datei = gespeichert("passWort").alsText();
        EXPECT_TRUE(IstPasswortHash(datei)) << datei.toStdString();
        EXPECT_EQ(u.p.passWort, datei);
        EXPECT_TRUE(PasswortPasst(QString::fromLatin1(f.gilt), datei));
        const char* anderes = QByteArray(f.gilt) == "Alt" ? "Neu" : "Alt";
        EXPECT_FALSE(PasswortPasst(QString::fromLatin1(anderes), datei)) << anderes;
        EXPECT_EQ(datei == altHash, f.hashUnveraendert);
    }
}

// The sysop help says what the password is worth, in the window's language;
// the broadcast help does not.
TEST_F(EinstellungenTest, SysopHilfeSagtWovorDasPasswortNichtSchuetzt) {
    const struct {
        const char* sprachKnopf;
        QString satz;
    } faelle[] = {
        {"SpracheOpt1",
         QStringLiteral("The password keeps honest people out of the settings, not a "
                        "determined user of this computer")},
        {"SpracheOpt2",
         QStringLiteral("Das Passwort h\u00E4lt ehrliche Benutzer von den Einstellungen "
                        "fern, aber keinen entschlossenen Benutzer dieses Computers")},
    };
    Einstellungen& w = oeffnen(false);
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.sprachKnopf);
        Klick(Teil<QRadioButton>(w, f.sprachKnopf));
        const QString sysop = Teil<Panel3D>(w, "KommentarTextPan1")->text();
        EXPECT_TRUE(sysop.contains(f.satz)) << sysop.toStdString();
        EXPECT_TRUE(sysop.contains(QStringLiteral("pw.kav")));
        EXPECT_FALSE(Teil<Panel3D>(w, "KommentarTextPan2")->text().contains(f.satz.left(20)));
        // Three paragraphs, each separated by an empty line.
        EXPECT_EQ(sysop.count(QStringLiteral("\n\n")), 2);
        w.KommentarZeigen(1);
        EXPECT_TRUE(w.rect().contains(Teil<Panel3D>(w, "KommentarPan1")->geometry()));
        EXPECT_LT(Teil<Panel3D>(w, "KommentarTextPan1")->geometry().bottom(),
                  Teil<Panel3D>(w, "AbbrechenPan1")->y());
        w.KommentarVerbergen(1);
    }
}

// A receiver takes the broadcaster's password as the broadcaster keeps it,
// hash or clear text, and the prompt compares accordingly. The
// broadcaster's file is never written; the receiver's own file gets a hash.
TEST_F(EinstellungenTest, EmpfaengerUebernimmtDesSendersPasswortUndSchreibtNurDieEigeneDatei) {
    static const QString senderHash = PasswortHashen(QStringLiteral("vomSender"));
    const struct {
        const char* name;
        QString beimSender;
    } faelle[] = {{"hash", senderHash}, {"older clear text", QStringLiteral("vomSender")}};
    const Einstellungswerte start = u.p;
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        zurueck(start);
        buch = Drehbuch();
        const QString sender = u.NeueDatenbank(QStringLiteral("sender_%1.kav").arg(f.name));
        Datenbank(sender).Ausfuehren(
            QStringLiteral("UPDATE Einstellungen SET passWort = '%1'").arg(f.beimSender));
        const QByteArray senderVorher = test::DateiLesen(sender);

        Einstellungen& w = oeffnen(false);
        Teil<QCheckBox>(w, "BroadcastStatusChe")->click();
        buch.datei = sender;
        w.PfadWaehlen();
        ASSERT_TRUE(w.Speichern());
        EXPECT_EQ(u.p.passWort, f.beimSender) << "adopted as the broadcaster holds it";
        EXPECT_EQ(test::DateiLesen(sender), senderVorher)
            << "the broadcaster's file is not written";

        // The next save of the receiver's own settings: its own file gets
        // the adopted password as a hash, the broadcaster's stays as it is.
        Einstellungen& w2 = oeffnen(false);
        EXPECT_TRUE(Teil<QLineEdit>(w2, "PasswortTex")->text().isEmpty());
        ASSERT_TRUE(w2.Speichern());
        const QString eigene = gespeichert("passWort").alsText();
        EXPECT_TRUE(IstPasswortHash(eigene));
        EXPECT_TRUE(PasswortPasst(QStringLiteral("vomSender"), eigene));
        EXPECT_EQ(u.p.passWort, f.beimSender) << "adopted again after the save";
        EXPECT_EQ(test::DateiLesen(sender), senderVorher);

        for (const auto& [eingabe, erlaubt] :
             {std::pair{"vomSender", true}, std::pair{"VomSender", false}}) {
            PassTest prompt(u.p);
            prompt.warten = [](float) {};
            prompt.show();
            QLineEdit* feld = Teil<QLineEdit>(prompt, QStringLiteral("Pa\u00DFText"));
            QTest::keyClicks(feld, eingabe);
            QTest::keyClick(feld, Qt::Key_Return);
            EXPECT_EQ(u.p.zugangErlaubt, erlaubt) << eingabe;
        }
    }
}

TEST_F(EinstellungenTest, ScheiterndesSpeichernLaesstFensterUndProgrammWieSie) {
    const struct {
        const char* name;
        std::function<void(TestUmgebung&)> stoeren;
    } faelle[] = {
        {"recordset gone", [](TestUmgebung& t) { t.p.lokaleEinstellungen.reset(); }},
        {"table gone",
         [](TestUmgebung& t) {
             Datenbank(t.p.datenbankDatei).Ausfuehren(QStringLiteral("DROP TABLE Einstellungen"));
         }},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        TestUmgebung t;
        EinstellungenLaden(t.p);
        t.p.Sprache = 2;
        t.p.tonAn = false;
        const Einstellungswerte vorher = t.p;
        Leiste bar(t.p);
        bar.Timer1Aktiv(false);
        auto* w = new Einstellungen(t.p, &bar);
        QPointer<Einstellungen> wache(w);
        int fragen = 0;
        w->frage = [&](QMessageBox::Icon, const QString&, QMessageBox::StandardButtons) {
            return ++fragen, QMessageBox::Yes;
        };
        w->show();
        Teil<QRadioButton>(*w, "SpeedOpt5")->click();
        Teil<QRadioButton>(*w, "DockPosOpt1")->click();
        f.stoeren(t);

        EXPECT_FALSE(w->Speichern());
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(Teil<Panel3D>(*w, "MeldungPan")->text(),
                  "Einstellungen nicht gespeichert: Datenbank "
                  "gesperrt oder nicht erreichbar.");
        EXPECT_EQ(Teil<Panel3D>(*w, "MeldungPan")->hintergrund(), 0x0000FF);
        EXPECT_TRUE(static_cast<const Einstellungswerte&>(t.p) == vorher)
            << "the program keeps what the database holds";
        EXPECT_EQ(bar.ScrollSchritt(), 30);
        EXPECT_EQ(w->Kopie().Speed, 5) << "the changes are still in the window";
        // Closing asks; Yes fails the same way and the window stays.
        w->close();
        EXPECT_EQ(fragen, 1);
        EXPECT_TRUE(w->isVisible());
        delete wache.data();
    }
}

// ---- closing

TEST_F(EinstellungenTest, SchliessenFragtNurNachAenderungenUndGibtDieLeisteImmerZurueck) {
    const struct {
        const char* name;
        std::function<void(Einstellungen&)> aendern;
        QMessageBox::StandardButton antwort;
        bool gefragt, zu, gespeichert;
    } faelle[] = {
        {"unchanged", [](auto&) {}, QMessageBox::Yes, false, true, false},
        {"password only, no question",
         [](auto& w) { QTest::keyClicks(Teil<QLineEdit>(w, "PasswortTex"), "neu"); },
         QMessageBox::Yes, false, true, false},
        {"changed, Yes", [](auto& w) { Teil<QRadioButton>(w, "DockPosOpt1")->click(); },
         QMessageBox::Yes, true, true, true},
        {"changed, No", [](auto& w) { Teil<QRadioButton>(w, "DockPosOpt1")->click(); },
         QMessageBox::No, true, true, false},
        {"changed, Cancel", [](auto& w) { Teil<QRadioButton>(w, "DockPosOpt1")->click(); },
         QMessageBox::Cancel, true, false, false},
        // Yes with a failing check keeps the window and its changes.
        {"changed, Yes, no password",
         [](auto& w) {
             Teil<QRadioButton>(w, "DockPosOpt1")->click();
             Teil<QCheckBox>(w, "SysopStatusChe")->click();
         },
         QMessageBox::Yes, true, false, false},
    };
    u.p.dockPos = 0;
    const Einstellungswerte start = u.p;
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        zurueck(start);
        buch = Drehbuch();
        Einstellungen& w = oeffnen();
        Teil<QRadioButton>(w, "SpeedOpt15")->click(); // no change that asks
        f.aendern(w);
        buch.jaNeinAbbrechen = f.antwort;
        Teil<QPushButton>(w, "AbbrechenBef")->click();
        EXPECT_EQ(buch.fragen,
                  f.gefragt ? QStringList{QStringLiteral("Save changes?")} : QStringList());
        for (const Drehbuch::Art& art : buch.arten) {
            EXPECT_EQ(art.symbol, QMessageBox::Warning);
            EXPECT_EQ(art.knoepfe, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        }
        EXPECT_EQ(offen(), !f.zu);
        EXPECT_EQ(u.p.dockPos, f.gespeichert ? 1 : 0);
        EXPECT_EQ(gespeichert("dockPos").alsInt32(), f.gespeichert ? 1 : 0);
        EXPECT_EQ(u.p.Speed, f.gespeichert ? 15 : 30);
        EXPECT_EQ(u.p.passWort, start.passWort);
        // In every case, Cancel too, the bar runs and takes commands again.
        EXPECT_TRUE(leisteLaeuft());
        leiste().FormAktiv(false);
    }
}

// Enter and Return press the focused push button, as Space does.
TEST_F(EinstellungenTest, EnterDruecktDenKnopfMitDemFokus) {
    const struct {
        const char* name;
        const char* knopf;
        Qt::Key taste;
        Qt::KeyboardModifiers umschalter;
        bool zu;
        QStringList fragen;
    } faelle[] = {
        {"Return on Save", "SpeichernBef", Qt::Key_Return, Qt::NoModifier, true, {}},
        {"keypad Enter on Save", "SpeichernBef", Qt::Key_Enter, Qt::KeypadModifier, true, {}},
        {"Return on Cancel", "AbbrechenBef", Qt::Key_Return, Qt::NoModifier, true, {}},
        {"Return on Default values",
         "StandardBef",
         Qt::Key_Return,
         Qt::NoModifier,
         false,
         {QStringLiteral("Really reset to default values?")}},
        {"Ctrl+Return on Save", "SpeichernBef", Qt::Key_Return, Qt::ControlModifier, false, {}},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        buch = Drehbuch();
        buch.jaNein = false;
        Einstellungen& w = oeffnen();
        QPushButton* knopf = Teil<QPushButton>(w, f.knopf);
        knopf->setFocus(Qt::TabFocusReason);
        QTest::keyClick(knopf, f.taste, f.umschalter);
        EXPECT_EQ(offen(), !f.zu);
        EXPECT_EQ(buch.fragen, f.fragen);
        if (fenster)
            delete fenster.data();
        leiste().FormAktiv(false);
    }
}

// Another program holds the own file's lock: the save gives up after its
// short wait, says that the file is busy and keeps the window and its values.
TEST_F(EinstellungenTest, BelegteDateiHaeltDasFensterOffen) {
    for (int16_t sprache : {1, 2}) {
        SCOPED_TRACE(sprache);
        u.p.Sprache = sprache;
        const Einstellungswerte vorher = u.p;
        Einstellungen& w = oeffnen();
        w.speicherWarteMs = 100;
        Teil<QRadioButton>(w, "DockPosOpt1")->click();
        Teil<QRadioButton>(w, "SpeedOpt5")->click();
        Datenbank andere(u.p.datenbankDatei);
        andere.Ausfuehren(QStringLiteral("BEGIN IMMEDIATE"));

        for (bool mitFrage : {false, true}) {
            MeldungLoeschen(&w);
            // What the pointer shows while the save waits for the lock.
            std::optional<Qt::CursorShape> zeiger;
            QTimer::singleShot(0, &w, [&] {
                const QCursor* c = QApplication::overrideCursor();
                zeiger = c ? c->shape() : Qt::ArrowCursor;
            });
            if (mitFrage) {
                buch.jaNeinAbbrechen = QMessageBox::Yes; // "Save changes?" Yes
                w.close();
            } else {
                EXPECT_FALSE(w.Speichern());
            }
            EXPECT_TRUE(offen());
            EXPECT_EQ(zeiger, Qt::WaitCursor);
            EXPECT_EQ(Teil<Panel3D>(w, "MeldungPan")->text(),
                      sprache == 1 ? QStringLiteral("Settings not saved: the database file is "
                                                    "busy in another program. Please try again.")
                                   : QStringLiteral("Nicht gespeichert: Datenbankdatei "
                                                    "in anderem Programm belegt. Bitte erneut "
                                                    "versuchen."));
            EXPECT_EQ(Teil<Panel3D>(w, "MeldungPan")->hintergrund(), 0x0000FF);
            EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "wait cursor gone again";
            EXPECT_TRUE(w.Kopie().dockPos == 1 && w.Kopie().Speed == 5);
            EXPECT_TRUE(static_cast<const Einstellungswerte&>(u.p) == vorher);
        }
        // Once the other program lets go, the same window saves.
        andere.Ausfuehren(QStringLiteral("ROLLBACK"));
        EXPECT_TRUE(w.Speichern());
        EXPECT_EQ(gespeichert("dockPos").alsInt32(), 1);
        zurueck(vorher);
        leiste().FormAktiv(false);
    }
}

// A broadcaster's file is looked at when it is chosen and, when it is new to
// the receiver, at save: what is wrong with it is told in the message line.
TEST_F(EinstellungenTest, BroadcastDateiBeiWahlUndSpeichern) {
    QTemporaryDir ordner;
    const QString text = ordner.filePath(QStringLiteral("pw.kav"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keine Datenbank");
    }
    const QString fehlt = ordner.filePath(QStringLiteral("fehlt/pw.kav"));
    const QString sender = u.NeueDatenbank(QStringLiteral("sender.kav"));
    const struct {
        QString pfad;
        const char* englisch;
        const char* deutsch;
    } faelle[] = {
        {text, "Broadcast path: not a Pinwick notes file.",
         "Broadcast-Pfad: keine Pinwick-Notizdatei."},
        {ordner.path(), "Broadcast path: not a Pinwick notes file.",
         "Broadcast-Pfad: keine Pinwick-Notizdatei."},
        {fehlt, "Broadcast path: cannot reach the file.",
         "Broadcast-Pfad: Datei nicht erreichbar."},
    };
    for (const auto& f : faelle) {
        for (int16_t sprache : {1, 2}) {
            SCOPED_TRACE(f.pfad.toStdString() + (sprache == 1 ? " (en)" : " (de)"));
            const QString erwartet = QString::fromUtf8(sprache == 1 ? f.englisch : f.deutsch);
            u.p.Sprache = sprache;
            buch = Drehbuch();
            Einstellungen& w = oeffnen(false);
            Teil<QCheckBox>(w, "BroadcastStatusChe")->click();
            // Chosen: refused before any question, the path stays unset.
            buch.datei = f.pfad;
            w.PfadWaehlen();
            EXPECT_EQ(Teil<Panel3D>(w, "MeldungPan")->text(), erwartet);
            EXPECT_TRUE(w.Kopie().broadcastPfad.isEmpty());
            EXPECT_TRUE(buch.fragen.isEmpty());
            // A good file is taken, and the finding about the earlier one
            // goes from the line; if it goes bad before Save, Save refuses.
            buch.datei = sender;
            w.PfadWaehlen();
            ASSERT_EQ(w.Kopie().broadcastPfad, sender);
            EXPECT_TRUE(Teil<Panel3D>(w, "MeldungPan")->text().isEmpty());
            buch.befund =
                f.pfad == fehlt ? BroadcastDatei::NichtErreichbar : BroadcastDatei::KeineNotizdatei;
            EXPECT_FALSE(w.Speichern());
            EXPECT_TRUE(offen());
            EXPECT_EQ(Teil<Panel3D>(w, "MeldungPan")->text(), erwartet);
            EXPECT_FALSE(u.p.broadcastStatus);
            delete fenster.data();
        }
    }
    // A receiver whose file is out of reach for now still saves its other
    // settings: the bar tells the outage and reconnects by itself.
    u.p.Sprache = 1;
    u.p.broadcastStatus = true;
    u.p.sysopStatus = true;
    u.p.broadcastPfad = fehlt;
    buch = Drehbuch();
    Einstellungen& w = oeffnen(false);
    Teil<QRadioButton>(w, "SpeedOpt15")->click();
    EXPECT_TRUE(w.Speichern());
    EXPECT_EQ(gespeichert("Speed").alsInt32(), 15);
}

// The bubble of the check after "Save changes?" sits at the settings window,
// whichever window is active when the question has gone, and on the screen
// with the bar docked at the bottom.
TEST_F(EinstellungenTest, BlaseNachDerFrageAmFensterUndAufDemSchirm) {
    Animation::schrittMs = 0;
    u.p.dockPos = 1;
    QWidget anderes;
    anderes.setGeometry(0, 0, 100, 100);
    Einstellungen& w = oeffnen();
    w.dialoge.bubble = Einstellungen::EchteDialoge().bubble;
    w.frage = [&](QMessageBox::Icon, const QString&, QMessageBox::StandardButtons) {
        // The question's box still holds the activation, or the bar has it.
        anderes.show();
        anderes.activateWindow();
        // Without a window manager the activation may not be reported.
        (void)QTest::qWaitForWindowActive(&anderes, 500);
        return QMessageBox::Yes;
    };
    Teil<QRadioButton>(w, "DockPosOpt0")->click();
    Teil<QCheckBox>(w, "SysopStatusChe")->click(); // sysop mode without a password
    w.close();
    ASSERT_TRUE(offen());
    auto* blase = qobject_cast<FliegBubble*>(Oberflaeche::Von(u.p).bubble.data());
    ASSERT_NE(blase, nullptr);
    EXPECT_EQ(blase->textPan()->text(), QStringLiteral("Please enter a password."));
    const QLineEdit* passwort = Teil<QLineEdit>(w, "PasswortTex");
    const QPoint unter = passwort->mapTo(&w, QPoint(passwort->width() / 2, passwort->height()));
    const QPoint ecke = w.frameGeometry().topLeft();
    EXPECT_NEAR(blase->zielLinks(), Twips(ecke.x() + unter.x()), 30);
    EXPECT_NEAR(u.p.bubbleOben, Twips(ecke.y() + unter.y()) + 30, 30);
    const QRect schirm = w.screen()->geometry();
    EXPECT_LE(Px(u.p.bubbleOben) + FliegBubble::HoehePx, schirm.bottom() + 1);
    BubbleSchliessen();
}

} // namespace

// Every message the window writes into its line is read whole there: the
// line is one line high and cuts off what is wider, in either language.
TEST_F(EinstellungenTest, MeldungenPassenInDieZeile) {
    Einstellungen& w = oeffnen();
    const Panel3D* zeile = Teil<Panel3D>(w, "MeldungPan");
    const QFontMetrics masse(zeile->font());
    for (int16_t sprache : {1, 2}) {
        const QString texte[] = {
            DateiBelegtText(sprache),
            SchriftGroesseText(sprache),
            BroadcastDateiText(BroadcastDatei::KeineNotizdatei, sprache),
            BroadcastDateiText(BroadcastDatei::KeinLeserecht, sprache),
            BroadcastDateiText(BroadcastDatei::NichtErreichbar, sprache),
        };
        for (const QString& text : texte) {
            SCOPED_TRACE(text.toStdString());
            EXPECT_LE(masse.horizontalAdvance(text), zeile->contentsRect().width());
        }
    }
}
