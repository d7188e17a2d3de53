// The settings window on the offscreen platform: the rules between its
// controls, what counts as a change, saving and closing. Its common dialogs
// and questions answer from a script.

#include "Animation.h"
#include "Datenbank.h"
#include "Einstellungen.h"
#include "EinstellungsRegeln.h"
#include "EinstellungsSatz.h"
#include "Masse.h"
#include "Panel3D.h"
#include "Terminal.h"
#include "TestHilfe.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace pinwick;
using pinwick::test::TestUmgebung;
using Antwort = Einstellungen::Dialoge::Antwort;

namespace {

// What the scripted dialogs answer, and what they were asked.
struct Drehbuch {
    std::optional<int32_t> farbe;
    std::optional<QFont> schrift;
    QString datei;
    QString dateiOrdner; // the file dialog moves the current folder here
    bool jaNein = true;
    Antwort jaNeinAbbrechen = Antwort::Nein;
    bool mBox = true;

    QStringList titel;
    QStringList fragen;
    struct Blase {
        int32_t links, oben;
        QString text;
    };
    std::vector<Blase> blasen;
};

// A bar that never ends the program.
class Leiste : public Terminal {
public:
    using Terminal::Terminal;

protected:
    void Beenden() override {}
};

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
        d.farbe = [b](QWidget*, int32_t, const QString& titel) {
            b->titel << titel;
            return b->farbe;
        };
        d.schrift = [b](QWidget*, const QFont&) { return b->schrift; };
        d.datei = [b](QWidget*, const QString& titel) {
            b->titel << titel;
            if (!b->dateiOrdner.isEmpty())
                QDir::setCurrent(b->dateiOrdner);
            return b->datei;
        };
        d.jaNein = [b](QWidget*, const QString& text) {
            b->fragen << text;
            return b->jaNein;
        };
        d.jaNeinAbbrechen = [b](QWidget*, const QString& text) {
            b->fragen << text;
            return b->jaNeinAbbrechen;
        };
        d.mBoxJaNein = [b](Programm&, const QString& text) {
            b->fragen << text;
            return b->mBox;
        };
        d.bubble = [b](Programm&, int32_t links, int32_t oben, const QString& text) {
            b->blasen.push_back({links, oben, text});
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
    const QTemporaryDir anderer;
    struct Fall {
        const char* name;
        std::function<void(Einstellungen&, Drehbuch&)> tun;
        bool ungespeichert;
    };
    const Fall faelle[] = {
        {"colour button, cancelled",
         [](Einstellungen& w, Drehbuch& b) {
             b.farbe.reset();
             w.farbWahlBef(1)->click();
         },
         true},
        {"colour button, chosen",
         [](Einstellungen& w, Drehbuch& b) {
             b.farbe = 0x112233;
             w.ElementWaehlen(3);
             w.farbWahlBef(3)->click();
         },
         true},
        {"font button, cancelled",
         [](Einstellungen& w, Drehbuch& b) {
             b.schrift.reset();
             w.ElementWaehlen(4);
             w.schriftWahlBef()->click();
         },
         true},
        {"always on top", [](Einstellungen& w, Drehbuch&) { w.onTopChe()->click(); }, true},
        {"dock below", [](Einstellungen& w, Drehbuch&) { w.dockPosOpt(1)->click(); }, true},
        {"dock above (already)", [](Einstellungen& w, Drehbuch&) { w.dockPosOpt(0)->click(); },
         true},
        {"German", [](Einstellungen& w, Drehbuch&) { w.spracheOpt(2)->click(); }, true},
        {"speed slow", [](Einstellungen& w, Drehbuch&) { w.speedOpt(15)->click(); }, false},
        {"speed very slow", [](Einstellungen& w, Drehbuch&) { w.speedOpt(5)->click(); }, false},
        {"show date", [](Einstellungen& w, Drehbuch&) { w.zeigDatumChe()->click(); }, false},
        {"show border", [](Einstellungen& w, Drehbuch&) { w.zeigRandChe()->click(); }, false},
        {"sysop", [](Einstellungen& w, Drehbuch&) { w.sysopStatusChe()->click(); }, false},
        {"password typed",
         [](Einstellungen& w, Drehbuch&) { QTest::keyClicks(w.passwortTex(), "abc"); }, false},
        {"eye", [](Einstellungen&, Drehbuch&) {}, false},
        {"receiver mode", [](Einstellungen& w, Drehbuch&) { w.broadcastStatusChe()->click(); },
         false},
        {"adopt settings", [](Einstellungen& w, Drehbuch&) { w.broadcastMasterChe()->click(); },
         false},
        {"own notes", [](Einstellungen& w, Drehbuch&) { w.eigeneChe()->click(); }, false},
        {"path chosen",
         [](Einstellungen& w, Drehbuch& b) {
             b.datei = QStringLiteral("//server/freigabe/pw.kav");
             w.broadcastStatusChe()->click();
             Klick(w.broadcastPfadPan());
         },
         false},
        {"help pop-up", [](Einstellungen& w, Drehbuch&) { Klick(w.hilfePan(2)); }, false},
        {"default values, yes",
         [](Einstellungen& w, Drehbuch& b) {
             b.jaNein = true;
             w.standardBef()->click();
         },
         false},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        buch = Drehbuch();
        Einstellungen& w = oeffnen(false);
        EXPECT_FALSE(u.p.ungespeichert) << "cleared when the window has loaded";
        if (std::string(f.name) == "eye")
            Klick(w.augePan());
        f.tun(w, buch);
        EXPECT_EQ(u.p.ungespeichert, f.ungespeichert);
        delete fenster.data();
        u.p.ungespeichert = true; // the next load must clear it
    }
}

// ---- loading

TEST_F(EinstellungenTest, LadenZeigtDieKopieUndDieOptionssaetzeSindGetrennt) {
    const struct {
        int16_t sprache;
        int32_t dock;
        int16_t speed;
        bool oben, datum, rand;
    } faelle[] = {{1, 0, 30, true, true, true},
                  {2, 1, 15, false, false, true},
                  {1, 1, 5, true, true, false}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(testing::Message() << f.sprache << f.dock << f.speed);
        u.p.Sprache = f.sprache;
        u.p.dockPos = f.dock;
        u.p.Speed = f.speed;
        u.p.ImmerOben = f.oben;
        u.p.zeigDatum = f.datum;
        u.p.zeigRahmen = f.rand;
        Einstellungen& w = oeffnen(false);
        const auto pruefen = [&](int16_t speed) {
            EXPECT_TRUE(w.spracheOpt(f.sprache)->isChecked());
            EXPECT_FALSE(w.spracheOpt(3 - f.sprache)->isChecked());
            EXPECT_TRUE(w.dockPosOpt(f.dock)->isChecked());
            EXPECT_FALSE(w.dockPosOpt(1 - f.dock)->isChecked());
            for (int s : {30, 15, 5})
                EXPECT_EQ(w.speedOpt(s)->isChecked(), s == speed) << s;
            EXPECT_EQ(w.onTopChe()->isChecked(), f.oben);
            EXPECT_EQ(w.zeigDatumChe()->isChecked(), f.datum);
            EXPECT_EQ(w.zeigRandChe()->isChecked(), f.rand);
        };
        pruefen(f.speed);
        // Choosing a speed leaves language and docking as they are.
        w.speedOpt(f.speed == 5 ? 30 : 5)->click();
        pruefen(f.speed == 5 ? 30 : 5);
        EXPECT_TRUE(w.Kopie().Sprache == f.sprache && w.Kopie().dockPos == f.dock);
        delete fenster.data();
    }
}

// ---- the miniature and its buttons

TEST_F(EinstellungenTest, RahmenOhneRandIstNichtWaehlbar) {
    Einstellungen& w = oeffnen(false);
    EXPECT_EQ(w.Element(), Rahmen);
    EXPECT_TRUE(w.farbWahlBef(1)->isVisible());
    EXPECT_EQ(w.farbWahlBef(1)->text(), "Frame color");

    // Switching the border off takes the frame's colour button away.
    Klick(w.zeigRandChe());
    EXPECT_FALSE(w.Kopie().zeigRahmen);
    EXPECT_FALSE(w.farbWahlBef(1)->isVisible());

    Klick(w.farbePan(2));
    EXPECT_EQ(w.Element(), DatumUhr);
    EXPECT_TRUE(w.farbWahlBef(1)->isVisible());
    EXPECT_TRUE(w.farbWahlBef(2)->isVisible());
    EXPECT_FALSE(w.farbWahlBef(3)->isVisible());
    EXPECT_FALSE(w.schriftWahlBef()->isVisible());

    // A click on the frame is ignored while there is no border.
    Klick(w.farbePan(1));
    EXPECT_EQ(w.Element(), DatumUhr);
    EXPECT_EQ(w.farbWahlBef(1)->text(), "Date/time background color");

    Klick(w.zeigRandChe());
    Klick(w.farbePan(1));
    EXPECT_EQ(w.Element(), Rahmen);
    EXPECT_FALSE(w.farbWahlBef(2)->isVisible());
}

TEST_F(EinstellungenTest, MiniaturFolgtRandUndDatum) {
    Einstellungen& w = oeffnen(false);
    auto breite = [](Panel3D* p) { return Twips(p->width()); };
    const int w1 = breite(w.farbePan(1));
    // Both notes share the room beside the date/time panel, whatever is shown.
    for (int fall = 0; fall < 4; ++fall) {
        const bool rand = fall & 1, datum = fall & 2;
        if (w.zeigRandChe()->isChecked() != rand)
            Klick(w.zeigRandChe());
        if (w.zeigDatumChe()->isChecked() != datum)
            Klick(w.zeigDatumChe());
        SCOPED_TRACE(testing::Message() << "Rand " << rand << ", Datum " << datum);
        EXPECT_EQ(w.farbePan(2)->isVisible(), datum);
        EXPECT_EQ(w.farbePan(3)->width(), w.farbePan(4)->width());
        EXPECT_EQ(w.farbePan(3)->x() + w.farbePan(3)->width(), w.farbePan(4)->x());
        const int rechts = Twips(w.farbePan(4)->x() + w.farbePan(4)->width());
        EXPECT_NEAR(rechts, rand ? w1 - 75 : w1, 30);
        EXPECT_EQ(w.farbePan(3)->eingesenkt(), rand);
        EXPECT_EQ(w.farbePan(1)->hintergrund(), rand ? w.Kopie().fensterHgFarbe : MiniaturGrau);
    }
}

TEST_F(EinstellungenTest, FarbenGehenInDieKopieUndDenTitelInProgrammSprache) {
    u.p.Sprache = 2;
    Einstellungen& w = oeffnen(false);
    // The window now speaks English, the program still German: the colour
    // dialog's title follows the program.
    Klick(w.spracheOpt(1));
    Klick(w.farbePan(4));
    EXPECT_EQ(w.farbWahlBef(3)->text(), "Note font color broadcast");

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
        w.farbWahlBef(f.knopf)->click();
        EXPECT_EQ(w.Kopie().*f.ziel, f.farbe);
        Panel3D* panel = w.farbePan(f.panel);
        EXPECT_EQ(f.schrift ? panel->schriftFarbe() : panel->hintergrund(), f.farbe);
    }
    // Both notes show the same background; only their font colours differ.
    EXPECT_EQ(w.farbePan(3)->hintergrund(), w.farbePan(4)->hintergrund());
    EXPECT_EQ(buch.titel.last(), "Note font color broadcast w\u00E4hlen");
    EXPECT_EQ(u.p.sprachText[1], "Select Note font color broadcast");

    // A cancelled dialog changes nothing.
    const Einstellungswerte vorher = w.Kopie();
    buch.farbe.reset();
    w.farbWahlBef(1)->click();
    EXPECT_TRUE(w.Kopie() == vorher);
    // Nothing reaches the program before Save.
    EXPECT_NE(u.p.SchriftFarbe2, 0x070809);
}

TEST_F(EinstellungenTest, SchriftGanzePunkteVon1Bis100) {
    Einstellungen& w = oeffnen(false);
    Klick(w.farbePan(3));
    const struct {
        qreal punkte;
        int16_t erwartet;
    } faelle[] = {{12, 12}, {12.5, 13}, {150, 100}, {0.4, 1}, {100, 100}};
    int hoeheVorher = w.farbePan(3)->height();
    for (const auto& f : faelle) {
        QFont schrift(QStringLiteral("DejaVu Serif"));
        schrift.setPointSizeF(f.punkte);
        schrift.setItalic(true);
        buch.schrift = schrift;
        w.schriftWahlBef()->click();
        EXPECT_EQ(w.Kopie().SchriftGroesse, f.erwartet) << f.punkte;
        EXPECT_EQ(w.Kopie().SchriftName, "DejaVu Serif");
        EXPECT_TRUE(w.Kopie().SchriftKursiv);
        EXPECT_EQ(w.farbePan(3)->font().pointSize(), f.erwartet);
        EXPECT_EQ(w.farbePan(4)->font(), w.farbePan(3)->font());
    }
    // The miniature grew with the font.
    EXPECT_GT(w.farbePan(3)->height(), hoeheVorher);
}

TEST_F(EinstellungenTest, SpracheBeschriftetAllesAufEinmalUndDieLeisteErstNachDemSpeichern) {
    Einstellungen& w = oeffnen();
    Klick(w.farbePan(2));
    EXPECT_EQ(w.windowTitle(), "Pinwick - Settings");
    Klick(w.spracheOpt(2));
    const struct {
        QString ist, soll;
    } texte[] = {
        {w.windowTitle(), QStringLiteral("Pinwick - Einstellungen")},
        {w.onTopChe()->text(), QStringLiteral("Immer im Vordergrund")},
        {w.farbWahlBef(1)->text(), QStringLiteral("Datum/Uhrzeit Hintergrundfarbe")},
        {w.farbWahlBef(2)->text(), QStringLiteral("Datum/Uhrzeit Schriftfarbe")},
        {w.farbePan(3)->text(), QStringLiteral(" Notiz lokal")},
        {w.speedOpt(5)->text(), QStringLiteral("Sehr langsam")},
        {w.legendePan(4)->text(), QStringLiteral("Laufband-Geschwindigkeit:")},
        {w.sysopStatusChe()->text(), QStringLiteral("Sysop-Status aktivieren")},
        {w.hilfePan(1)->text(), QStringLiteral("<- Was hei\u00DFt das?")},
        {w.broadcastPfadPan()->text(), QStringLiteral("<< Nicht festgelegt >>")},
        {w.speichernBef()->text(), QStringLiteral("&Speichern")},
        {w.abbrechenBef()->text(), QStringLiteral("&Abbrechen")},
        {w.standardBef()->text(), QStringLiteral("Standardeinstellungen")},
        {w.spracheOpt(1)->text(), QStringLiteral("English")},
        {w.spracheOpt(2)->text(), QStringLiteral("Deutsch")},
    };
    for (const auto& t : texte)
        EXPECT_EQ(t.ist, t.soll);
    EXPECT_TRUE(w.kommentarTextPan(1)->text().startsWith(QStringLiteral("Wenn Sie den Sysop")));
    EXPECT_EQ(leiste().EndeMen()->text(), "End");

    buch.jaNeinAbbrechen = Antwort::Nein;
    ASSERT_TRUE(w.Speichern());
    EXPECT_EQ(u.p.Sprache, 2);
    EXPECT_EQ(leiste().EndeMen()->text(), "Beenden");
    EXPECT_EQ(leiste().HilfeMen()->text(), "Hilfe  F1");
}

// ---- sysop, password and receiver mode

TEST_F(EinstellungenTest, EmpfaengerModusSperrtPasswortUndSchaltetSysopEin) {
    struct Fall {
        bool sysop, eigene, klartext;
    };
    const Fall faelle[] = {{false, false, true}, {true, true, false}, {false, true, false}};
    for (const Fall& f : faelle) {
        SCOPED_TRACE(testing::Message() << f.sysop << f.eigene << f.klartext);
        u.p.sysopStatus = f.sysop;
        u.p.eigeneErlauben = f.eigene;
        u.p.passWort = QStringLiteral("geheim");
        Einstellungen& w = oeffnen(false);
        EXPECT_FALSE(w.broadcastPfadPan()->isEnabled());
        EXPECT_TRUE(w.passwortTex()->isEnabled());
        if (f.klartext)
            Klick(w.augePan());
        EXPECT_EQ(w.passwortTex()->echoMode(),
                  f.klartext ? QLineEdit::Normal : QLineEdit::Password);

        Klick(w.broadcastStatusChe());
        EXPECT_TRUE(w.Kopie().broadcastStatus);
        for (QWidget* aus : std::initializer_list<QWidget*>{
                 w.sysopStatusChe(), w.passwortTex(), w.legendePan(3), w.augePan(), w.legendePan(2),
                 w.broadcastMasterChe(), w.eigeneChe()})
            EXPECT_FALSE(aus->isEnabled()) << aus->objectName().toStdString();
        for (QWidget* an : std::initializer_list<QWidget*>{w.legendePan(0), w.legendePan(1),
                                                           w.broadcastPfadPan()})
            EXPECT_TRUE(an->isEnabled()) << an->objectName().toStdString();
        EXPECT_EQ(w.passwortTex()->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(w.sysopStatusChe()->isChecked());
        EXPECT_TRUE(w.Kopie().sysopStatus);
        EXPECT_EQ(w.Kopie().eigeneErlauben, f.eigene) << "only unticking ticks own notes";

        Klick(w.broadcastStatusChe());
        EXPECT_FALSE(w.Kopie().broadcastStatus);
        EXPECT_TRUE(w.sysopStatusChe()->isEnabled());
        EXPECT_TRUE(w.passwortTex()->isEnabled());
        EXPECT_FALSE(w.broadcastPfadPan()->isEnabled());
        EXPECT_TRUE(w.eigeneChe()->isChecked());
        EXPECT_TRUE(w.Kopie().eigeneErlauben);
        EXPECT_TRUE(w.Kopie().sysopStatus) << "sysop mode stays on";
        EXPECT_EQ(w.Kopie().passWort, "geheim");
        delete fenster.data();
    }
}

TEST_F(EinstellungenTest, GeladenerEmpfaengerModusBehaeltSeineWerte) {
    u.p.broadcastStatus = true;
    u.p.sysopStatus = false; // an odd row: kept as loaded
    u.p.eigeneErlauben = false;
    u.p.broadcastPfad = QStringLiteral("//server/freigabe/pw.kav");
    Einstellungen& w = oeffnen(false);
    EXPECT_FALSE(w.sysopStatusChe()->isChecked());
    EXPECT_FALSE(w.eigeneChe()->isChecked());
    EXPECT_FALSE(w.passwortTex()->isEnabled());
    EXPECT_TRUE(w.broadcastPfadPan()->isEnabled());
    EXPECT_EQ(w.broadcastPfadPan()->text(), QDir::toNativeSeparators(u.p.broadcastPfad));
}

TEST_F(EinstellungenTest, SysopBleibtImEmpfaengerModusAn) {
    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        Einstellungen& w = oeffnen(false);
        Klick(w.broadcastStatusChe());
        // The box is locked; should its click arrive all the same, the rule holds.
        w.sysopStatusChe()->setChecked(false);
        emit w.sysopStatusChe()->clicked(false);
        EXPECT_TRUE(w.sysopStatusChe()->isChecked());
        EXPECT_TRUE(w.Kopie().sysopStatus);
        EXPECT_EQ(
            w.meldungPan()->text(),
            sprache == 1
                ? QStringLiteral("Sysop mode required with enabled broadcast mode.")
                : QStringLiteral("Sysop-Status muss bei aktiviertem Broadcasting aktiviert sein."));
        EXPECT_EQ(w.meldungPan()->hintergrund(), 0x0000FF);
        delete fenster.data();
    }
}

TEST_F(EinstellungenTest, PasswortBisHundertZeichenUndAugeZeigtEs) {
    Einstellungen& w = oeffnen(false);
    const QString lang(120, QLatin1Char('p'));
    w.passwortTex()->setFocus();
    QTest::keyClicks(w.passwortTex(), lang);
    EXPECT_EQ(w.Kopie().passWort, lang.left(100));
    EXPECT_EQ(w.passwortTex()->echoMode(), QLineEdit::Password);
    Klick(w.augePan());
    EXPECT_EQ(w.passwortTex()->echoMode(), QLineEdit::Normal);
    Klick(w.augePan());
    EXPECT_EQ(w.passwortTex()->echoMode(), QLineEdit::Password);
}

TEST_F(EinstellungenTest, PfadWahl) {
    QTemporaryDir lokal;
    const QString lokaleDatei = lokal.filePath(QStringLiteral("pw.kav"));
    const QString vorherOrdner = QDir::currentPath();
    struct Fall {
        QString gewaehlt;
        bool mBox;
        bool gefragt;
        QString ergebnis;
    };
    const QString alt = QStringLiteral("//alt/pw.kav");
    const Fall faelle[] = {
        {QString(), true, false, alt}, // cancelled
        {QStringLiteral("//server/freigabe/pw.kav"), false, false,
         QStringLiteral("//server/freigabe/pw.kav")},
        {QStringLiteral("\\\\server\\freigabe\\pw.kav"), false, false,
         QStringLiteral("\\\\server\\freigabe\\pw.kav")},
        {lokaleDatei, false, true, alt},
        {lokaleDatei, true, true, lokaleDatei},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.gewaehlt.toStdString());
        u.p.broadcastStatus = true;
        u.p.broadcastPfad = alt;
        u.p.Sprache = 2; // the question follows the program ...
        Einstellungen& w = oeffnen(false);
        Klick(w.spracheOpt(1)); // ... the file dialog the window
        buch = Drehbuch();
        buch.datei = f.gewaehlt;
        buch.mBox = f.mBox;
        buch.dateiOrdner = lokal.path();
        Klick(w.broadcastPfadPan());
        EXPECT_EQ(buch.titel, QStringList{QStringLiteral("Set path to broadcaster")});
        EXPECT_EQ(QDir::currentPath(), vorherOrdner) << "current folder restored";
        EXPECT_EQ(!buch.fragen.isEmpty(), f.gefragt);
        if (f.gefragt) {
            EXPECT_EQ(buch.fragen.first(), "Broadcast-Pfad muss auf anderen Computer weisen - "
                                           "diesen Pfad wirklich w\u00E4hlen?");
        }
        EXPECT_EQ(w.Kopie().broadcastPfad, f.ergebnis);
        EXPECT_EQ(w.broadcastPfadPan()->text(), QDir::toNativeSeparators(f.ergebnis));
        delete fenster.data();
    }
}

// ---- help pop-ups

TEST_F(EinstellungenTest, HilfenEinzelnUndEscapeSchliesstSieDerReiheNach) {
    Einstellungen& w = oeffnen(false);
    for (int i : {1, 2}) {
        Klick(w.hilfePan(i));
        EXPECT_TRUE(w.KommentarOffen(i));
        EXPECT_FALSE(w.KommentarOffen(3 - i));
        // Below its link and reaching 1000 twips further left.
        Panel3D* link = w.hilfePan(i);
        EXPECT_NEAR(Twips(w.kommentarPan(i)->x()), Twips(link->x()) - 1000, 15);
        EXPECT_NEAR(Twips(w.kommentarPan(i)->y()),
                    Twips(w.zzzPanel(i)->y() + link->y() + link->height()) + 100, 30);
        // Text, then the close panel, inside the pop-up, inside the window.
        EXPECT_LT(w.kommentarTextPan(i)->geometry().bottom(), w.abbrechenPan(i)->y());
        EXPECT_LE(w.abbrechenPan(i)->geometry().bottom(), w.kommentarPan(i)->height());
        EXPECT_LE(w.kommentarPan(i)->geometry().bottom(), w.height());
        EXPECT_LE(w.kommentarPan(i)->geometry().right(), w.width());
    }
    Klick(w.abbrechenPan(2));
    EXPECT_FALSE(w.KommentarOffen(2));

    // Selecting an element, a passive panel, the path: each closes the pop-up.
    const std::function<void()> schliesser[] = {
        [&] { Klick(w.farbePan(3)); },
        [&] { Klick(w.hinweisPan()); },
        [&] { Klick(w.legendePan(4)); },
        [&] { Klick(w.zzzPanel(0)); },
        [&] {
            buch.datei.clear();
            w.PfadWaehlen();
        },
    };
    for (const auto& schliessen : schliesser) {
        Klick(w.hilfePan(1));
        ASSERT_TRUE(w.KommentarOffen(1));
        schliessen();
        EXPECT_FALSE(w.KommentarOffen(1));
    }
}

TEST_F(EinstellungenTest, EscapeSchliesstErstDieHilfenDannDasFenster) {
    Einstellungen& w = oeffnen(false);
    w.KommentarZeigen(2);
    w.KommentarZeigen(1);
    // Only one is ever open; Escape closes it, the next one the window.
    EXPECT_TRUE(w.KommentarOffen(1));
    EXPECT_FALSE(w.KommentarOffen(2));
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
    u.p.SchriftGroesse = 20;
    u.p.fensterHgFarbe = 0x0000FF;
    u.p.zeigDatum = false;
    u.p.zeigRahmen = false;
    u.p.Speed = 5;
    u.p.dockPos = 1;
    u.p.ImmerOben = true;
    u.p.sysopStatus = true;
    u.p.passWort = QStringLiteral("geheim");
    for (bool ja : {false, true}) {
        SCOPED_TRACE(ja);
        Einstellungen& w = oeffnen(false);
        Klick(w.spracheOpt(2)); // a change the defaults leave alone
        u.p.ungespeichert = false;
        const Einstellungswerte vorher = w.Kopie();
        buch.jaNein = ja;
        w.standardBef()->click();
        EXPECT_EQ(buch.fragen.last(), "Really reset to default values?");
        Einstellungswerte erwartet = vorher;
        if (ja)
            StandardwerteSetzen(erwartet);
        EXPECT_TRUE(w.Kopie() == erwartet);
        EXPECT_EQ(w.Kopie().Sprache, 2);
        EXPECT_EQ(w.zeigDatumChe()->isChecked(), ja);
        EXPECT_EQ(w.zeigRandChe()->isChecked(), ja);
        EXPECT_EQ(w.speedOpt(30)->isChecked(), ja);
        EXPECT_EQ(w.farbePan(2)->isVisible(), ja);
        EXPECT_EQ(w.farbePan(3)->font().family(), ja ? "Verdana" : "DejaVu Serif");
        EXPECT_FALSE(u.p.ungespeichert);
        delete fenster.data();
    }
}

// ---- the check before saving

TEST_F(EinstellungenTest, PruefungVorDemSpeichernZeigtBlaseUndLaesstOffen) {
    struct Fall {
        const char* name;
        std::function<void(Einstellungen&)> einstellen;
        QString blase; // empty: saved
    };
    const Fall faelle[] = {
        {"sysop without password", [](Einstellungen& w) { w.sysopStatusChe()->click(); },
         QStringLiteral("Please enter a password.")},
        {"sysop with password",
         [](Einstellungen& w) {
             w.sysopStatusChe()->click();
             QTest::keyClicks(w.passwortTex(), "x");
         },
         QString()},
        {"receiver without path", [](Einstellungen& w) { w.broadcastStatusChe()->click(); },
         QStringLiteral("Please specify a broadcast path.")},
    };
    const Einstellungswerte start = u.p;
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        zurueck(start);
        buch = Drehbuch();
        Einstellungen& w = oeffnen(false);
        f.einstellen(w);
        const bool ok = w.Speichern();
        EXPECT_EQ(ok, f.blase.isEmpty());
        EXPECT_EQ(offen(), !ok);
        if (!f.blase.isEmpty()) {
            ASSERT_EQ(buch.blasen.size(), 1u);
            EXPECT_EQ(buch.blasen[0].text, f.blase);
            EXPECT_FALSE(u.p.sysopStatus || u.p.broadcastStatus) << "nothing handed over";
            EXPECT_EQ(gespeichert("sysopStatus").alsInt32(), 0);
        }
        if (fenster)
            delete fenster.data();
    }
}

TEST_F(EinstellungenTest, BlasenStehenUnterIhremFeld) {
    Einstellungen& w = oeffnen(false);
    w.sysopStatusChe()->click();
    w.Speichern();
    w.broadcastStatusChe()->click();
    w.Speichern();
    ASSERT_EQ(buch.blasen.size(), 2u);
    const auto unter = [](QWidget* feld) {
        const QPoint mitte = feld->mapTo(feld->window(), QPoint(feld->width() / 2, feld->height()));
        return QPoint(Twips(mitte.x()), Twips(mitte.y()) + 30);
    };
    const QPoint passwort = unter(w.passwortTex());
    const QPoint pfad = unter(w.broadcastPfadPan());
    EXPECT_NEAR(buch.blasen[0].links, passwort.x(), 30);
    EXPECT_NEAR(buch.blasen[0].oben, passwort.y(), 30);
    EXPECT_NEAR(buch.blasen[1].links, pfad.x(), 30);
    EXPECT_NEAR(buch.blasen[1].oben, pfad.y(), 30);
}

// ---- saving

TEST_F(EinstellungenTest, SpeichernSchreibtAllesUndGibtDieLeisteZurueck) {
    u.p.erstVorbei = true;
    Einstellungen& w = oeffnen();
    ASSERT_FALSE(leisteLaeuft());
    Klick(w.farbePan(3));
    buch.farbe = 0x00AA00;
    w.farbWahlBef(1)->click();
    QFont schrift(QStringLiteral("DejaVu Sans"));
    schrift.setPointSize(14);
    schrift.setBold(false);
    buch.schrift = schrift;
    w.schriftWahlBef()->click();
    w.speedOpt(5)->click();
    w.dockPosOpt(1)->click();
    w.zeigDatumChe()->click();
    w.sysopStatusChe()->click();
    QTest::keyClicks(w.passwortTex(), "Geheim");
    w.eigeneChe()->click();

    ASSERT_TRUE(w.Speichern());
    EXPECT_FALSE(offen());
    EXPECT_FALSE(u.p.ungespeichert);
    EXPECT_TRUE(buch.fragen.isEmpty()) << "saving closes without asking";

    // The program has the copy, the file has the program's values.
    EXPECT_EQ(u.p.notizHgFarbe, 0x00AA00);
    EXPECT_EQ(u.p.SchriftGroesse, 14);
    EXPECT_EQ(u.p.Speed, 5);
    EXPECT_EQ(u.p.dockPos, 1);
    EXPECT_FALSE(u.p.zeigDatum);
    EXPECT_TRUE(u.p.sysopStatus);
    EXPECT_EQ(u.p.passWort, "Geheim");
    EXPECT_FALSE(u.p.eigeneErlauben);
    EXPECT_TRUE(u.p.erstVorbei);
    EXPECT_EQ(u.p.Schrift3D, 0);
    const struct {
        const char* spalte;
        QVariant wert;
    } zeilen[] = {{"notizHgFarbe", 0x00AA00},
                  {"SchriftGroesse", 14},
                  {"SchriftFett", 0},
                  {"Speed", 5},
                  {"dockPos", 1},
                  {"zeigDatum", 0},
                  {"sysopStatus", -1},
                  {"passWort", "Geheim"},
                  {"eigeneErlauben", 0},
                  {"Schrift3D", 0},
                  {"Sprache", 1}};
    for (const auto& z : zeilen)
        EXPECT_EQ(gespeichert(z.spalte).roh().toString(), z.wert.toString()) << z.spalte;

    // The bar runs again, in the new look and at the new speed.
    EXPECT_TRUE(leisteLaeuft());
    EXPECT_EQ(leiste().ScrollSchritt(), 5);
    EXPECT_FALSE(leiste().DatumPan()->isVisible());
    EXPECT_EQ(leiste().Layout().leisteOben + leiste().Layout().leisteHoehe,
              Twips(Bildschirm().height()));
    EXPECT_FALSE(leiste().NeuMen()->isVisible());
}

TEST_F(EinstellungenTest, SpeichernImEmpfaengerModusVerbindetUndUebernimmt) {
    // The broadcaster's file, with its own look and password.
    const QString sender = u.NeueDatenbank(QStringLiteral("sender.kav"));
    {
        Datenbank db(sender);
        db.Ausfuehren(QStringLiteral("UPDATE Einstellungen SET notizHgFarbe = 255, "
                                     "passWort = 'vomSender', SchriftGroesse = 16"));
    }
    Einstellungen& w = oeffnen();
    buch.datei = QStringLiteral("//nirgends/pw.kav");
    w.broadcastStatusChe()->click();
    w.PfadWaehlen();
    // The test's broadcaster lies in a local folder; here the window takes it
    // as the user would after a Yes.
    buch.datei = sender;
    buch.mBox = true;
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
    EXPECT_EQ(gespeichert("broadcastStatus").alsInt32(), -1);
    EXPECT_EQ(gespeichert("broadcastPfad").alsText(), sender);
    EXPECT_EQ(leiste().Layout().bandHoehe,
              BandHoehe(Twips(QFontMetrics([] {
                                  QFont f(QStringLiteral("DejaVu Sans"));
                                  f.setPointSize(16);
                                  return f;
                              }())
                                  .height())));
}

TEST_F(EinstellungenTest, ScheiterndesSpeichernLaesstFensterUndProgrammWieSie) {
    const struct {
        const char* name;
        std::function<void(TestUmgebung&)> stoeren;
    } faelle[] = {
        {"recordset gone", [](TestUmgebung& t) { t.p.lokaleEinstellungen.reset(); }},
        {"table gone",
         [](TestUmgebung& t) {
             Datenbank db(t.p.datenbankDatei);
             db.Ausfuehren(QStringLiteral("DROP TABLE Einstellungen"));
         }},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        TestUmgebung t;
        EinstellungenLaden(t.p);
        t.p.Sprache = 2;
        t.p.tonAn = false;
        t.p.Speed = 30;
        const Einstellungswerte vorher = t.p;
        Leiste bar(t.p);
        bar.Timer1Aktiv(false);
        bar.FormAktiv(false);
        auto* w = new Einstellungen(t.p, &bar);
        QPointer<Einstellungen> wache(w);
        int fragen = 0;
        w->dialoge.jaNeinAbbrechen = [&](QWidget*, const QString&) {
            ++fragen;
            return Antwort::Ja;
        };
        w->show();
        w->speedOpt(5)->click();
        w->dockPosOpt(1)->click();
        f.stoeren(t);

        EXPECT_FALSE(w->Speichern());
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->meldungPan()->text(), "Einstellungen nicht gespeichert: Datenbank "
                                           "gesperrt oder nicht erreichbar.");
        EXPECT_EQ(w->meldungPan()->hintergrund(), 0x0000FF);
        EXPECT_TRUE(static_cast<const Einstellungswerte&>(t.p) == vorher)
            << "the program keeps what the database holds";
        EXPECT_EQ(bar.ScrollSchritt(), 30);
        EXPECT_TRUE(t.p.ungespeichert);
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
    struct Fall {
        const char* name;
        bool aendern;
        Antwort antwort;
        bool zu, gespeichert;
    };
    const Fall faelle[] = {
        {"unchanged", false, Antwort::Ja, true, false},
        {"changed, Yes", true, Antwort::Ja, true, true},
        {"changed, No", true, Antwort::Nein, true, false},
        {"changed, Cancel", true, Antwort::Abbrechen, false, false},
    };
    u.p.dockPos = 0;
    const Einstellungswerte start = u.p;
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        zurueck(start);
        buch = Drehbuch();
        Einstellungen& w = oeffnen();
        w.speedOpt(15)->click(); // no change that asks
        if (f.aendern)
            w.dockPosOpt(1)->click();
        buch.jaNeinAbbrechen = f.antwort;
        w.abbrechenBef()->click();
        EXPECT_EQ(buch.fragen.size(), f.aendern ? 1 : 0);
        if (f.aendern) {
            EXPECT_EQ(buch.fragen.first(), "Save changes?");
        }
        EXPECT_EQ(offen(), !f.zu);
        EXPECT_EQ(u.p.dockPos, f.gespeichert ? 1 : 0);
        EXPECT_EQ(gespeichert("dockPos").alsInt32(), f.gespeichert ? 1 : 0);
        EXPECT_EQ(u.p.Speed, f.gespeichert ? 15 : 30);
        // In every case, Cancel too, the bar runs and takes commands again.
        EXPECT_TRUE(leisteLaeuft());
        if (fenster)
            delete fenster.data();
        leiste().FormAktiv(false);
    }
}

TEST_F(EinstellungenTest, JaMitFehlendemPasswortLaesstDasFensterOffen) {
    Einstellungen& w = oeffnen();
    w.onTopChe()->click();
    w.sysopStatusChe()->click();
    buch.jaNeinAbbrechen = Antwort::Ja;
    w.close();
    EXPECT_TRUE(offen()) << "the changes are not lost";
    ASSERT_EQ(buch.blasen.size(), 1u);
    EXPECT_EQ(buch.blasen[0].text, "Please enter a password.");
    EXPECT_FALSE(u.p.sysopStatus);
    EXPECT_EQ(gespeichert("sysopStatus").alsInt32(), 0);
}

TEST_F(EinstellungenTest, NurPasswortGeaendertUndAbbrechenSchliesstOhneFrage) {
    u.p.sysopStatus = true;
    u.p.passWort = QStringLiteral("alt");
    Einstellungen& w = oeffnen();
    w.passwortTex()->clear();
    QTest::keyClicks(w.passwortTex(), "neu");
    w.abbrechenBef()->click();
    EXPECT_FALSE(offen());
    EXPECT_TRUE(buch.fragen.isEmpty());
    EXPECT_EQ(u.p.passWort, "alt");
    EXPECT_EQ(gespeichert("passWort").alsText(), "");
}

} // namespace
