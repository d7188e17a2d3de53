// The ticker bar on the offscreen platform, with its content read from a
// database in a temporary folder.

#include "Band.h"
#include "Oberflaeche.h"
#include "Hilfen.h"
#include "Masse.h"
#include "Panel3D.h"
#include "Terminal.h"
#include "TestHilfe.h"
#include "TestLeiste.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace pinwick;
using pinwick::test::NotizEinfuegen;
using pinwick::test::NotizZeile;
using pinwick::test::TestUmgebung;

namespace {

// A bar whose help and program end are only counted.
class Leiste : public test::TestLeiste {
public:
    using TestLeiste::TestLeiste;
    void Hilfe() override { ++hilfen; }
    int hilfen = 0;
};

class TerminalTest : public ::testing::Test {
protected:
    void SetUp() override {
        Programm& p = u.p;
        test::LeisteEinstellen(p);
        p.Speed = 30;
        p.notizHgFarbe = 0x000000;
        p.SchriftFarbe = 0x0000FF;  // red
        p.SchriftFarbe2 = 0x00FF00; // green
        p.uhr.Stellen(QDateTime(QDate(2026, 12, 8), QTime(13, 5, 9)));
    }

    // A loaded bar with its timer stopped: the tests tick it themselves.
    std::unique_ptr<Leiste> laden() {
        auto leiste = std::make_unique<Leiste>(u.p);
        leiste->Timer1Aktiv(false);
        return leiste;
    }

    void notiz(const QString& text) { test::EigeneNotiz(u.p, text); }
    void langerText() { test::LangeNotizen(u.p); }

    TestUmgebung u;
};

TEST_F(TerminalTest, LeisteFuelltDenBildschirmUndDocktUnten) {
    u.p.dockPos = 1;
    auto leiste = laden();
    const QRect schirm = Bildschirm();
    EXPECT_EQ(leiste->geometry().left(), schirm.left());
    EXPECT_EQ(leiste->width(), schirm.width());
    EXPECT_EQ(leiste->geometry().bottom(), schirm.bottom());
    EXPECT_EQ(leiste->NotizPan()->x(), Px(2025));
    EXPECT_EQ(leiste->NotizPan()->geometry().right() + 1, schirm.width() - Px(90));
    EXPECT_EQ(Oberflaeche::Von(u.p).leiste, leiste.get());

    // A bar that has become narrower than the screen follows it at the next tick.
    leiste->resize(schirm.width() / 2, leiste->height());
    leiste->Tick();
    EXPECT_EQ(leiste->width(), schirm.width());

    u.p.dockPos = 0;
    u.p.zeigRahmen = false;
    leiste->MachLayout();
    EXPECT_EQ(leiste->y(), schirm.top());
    EXPECT_EQ(leiste->NotizPan()->x(), Px(1980));
    EXPECT_EQ(leiste->height(), leiste->NotizPan()->height());
}

TEST_F(TerminalTest, MenueTexteUndSichtbarkeit) {
    auto leiste = laden();
    EXPECT_EQ(leiste->NeuMen()->text(), QStringLiteral("New note   Ctrl-N"));
    EXPECT_EQ(leiste->HilfeMen()->text(), QStringLiteral("Help  F1"));
    EXPECT_EQ(leiste->EndeMen()->text(), QStringLiteral("End"));
    EXPECT_EQ(leiste->VerwaltungMen()->text(), QStringLiteral("Notes administration"));

    u.p.Sprache = 2;
    leiste->SpracheEinstellen();
    EXPECT_EQ(leiste->NeuMen()->text(), QStringLiteral("Neue Notiz   Strg-N"));
    EXPECT_EQ(leiste->HilfeMen()->text(), QStringLiteral("Hilfe  F1"));
    EXPECT_EQ(leiste->AboutMen()->text(), QStringLiteral("\u00DCber ..."));
    EXPECT_EQ(leiste->EndeMen()->text(), QStringLiteral("Beenden"));

    // Another language value keeps what the entries have.
    u.p.Sprache = 0;
    leiste->SpracheEinstellen();
    EXPECT_EQ(leiste->EndeMen()->text(), QStringLiteral("Beenden"));
    Leiste entwurf(u.p);
    EXPECT_EQ(entwurf.EndeMen()->text(), QStringLiteral("Ende"));
    EXPECT_EQ(entwurf.HilfeMen()->text(), QStringLiteral("Hilfe"));

    const QList<QAction*> notizEintraege = {leiste->NeuMen(), leiste->Strich1(),
                                            leiste->VerwaltungMen(), leiste->Strich3()};
    for (QAction* a : notizEintraege)
        EXPECT_TRUE(a->isVisible());
    u.p.eigeneErlauben = false;
    leiste->MachLayout();
    for (QAction* a : notizEintraege)
        EXPECT_FALSE(a->isVisible());
    for (QAction* a : {leiste->EinstellungenMen(), leiste->HilfeMen(), leiste->AboutMen(),
                       leiste->Strich2(), leiste->EndeMen()})
        EXPECT_TRUE(a->isVisible());
}

TEST_F(TerminalTest, DatumUndUhrImTick) {
    auto leiste = laden();
    leiste->Tick();
    EXPECT_EQ(leiste->DatumPan()->text(), QStringLiteral("12/08/26"));
    EXPECT_EQ(leiste->UhrPan()->text(), QStringLiteral("1:05:09 pm"));

    u.p.Sprache = 2;
    u.p.uhr.Vorstellen(1);
    leiste->Tick();
    const QChar t = DatumTrenner();
    EXPECT_EQ(leiste->DatumPan()->text(),
              QStringLiteral("08") + t + QStringLiteral("12") + t + QStringLiteral("26"));
    EXPECT_EQ(leiste->UhrPan()->text(), QStringLiteral("13:05:10"));

    // Without date and clock the panels are left alone.
    u.p.zeigDatum = false;
    leiste->MachLayout();
    u.p.uhr.Vorstellen(1);
    leiste->Tick();
    EXPECT_TRUE(leiste->UhrPan()->isHidden());
    EXPECT_EQ(leiste->UhrPan()->text(), QStringLiteral("13:05:10"));
}

TEST_F(TerminalTest, FormAktivSchaltetTimerUndMenue) {
    auto leiste = laden();
    leiste->Timer1Aktiv(true);
    leiste->FormAktiv(false);
    EXPECT_FALSE(leiste->Timer1Laeuft());
    EXPECT_FALSE(leiste->KontextMen()->isEnabled());
    EXPECT_FALSE(leiste->EndeMen()->isEnabled());
    EXPECT_FALSE(leiste->NotizPan()->isEnabled());
    // A disabled bar pops up no menu.
    QTest::mouseClick(leiste->NotizPan(), Qt::RightButton);
    EXPECT_FALSE(leiste->KontextMen()->isVisible());

    leiste->FormAktiv(true);
    EXPECT_TRUE(leiste->Timer1Laeuft());
    EXPECT_TRUE(leiste->KontextMen()->isEnabled());
    EXPECT_TRUE(leiste->NeuMen()->isEnabled());
    EXPECT_TRUE(leiste->NotizPan()->isEnabled());
}

TEST_F(TerminalTest, TastenUndMaus) {
    auto leiste = laden();
    int neu = 0, verwaltung = 0;
    bool timerImEditor = true;
    leiste->notizEditorZeigen = [&] {
        ++neu;
        timerImEditor = leiste->Timer1Laeuft();
    };
    leiste->verwaltungZeigen = [&] { ++verwaltung; };

    u.p.aufbauZaehler = 3;
    QTest::keyClick(leiste.get(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(neu, 1);
    EXPECT_FALSE(timerImEditor);
    EXPECT_TRUE(leiste->Timer1Laeuft());
    EXPECT_EQ(u.p.aufbauZaehler, 100);

    QTest::keyClick(leiste.get(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(leiste.get(), Qt::Key_N);
    EXPECT_EQ(neu, 1);

    QTest::keyClick(leiste.get(), Qt::Key_F1);
    QTest::keyClick(leiste.get(), Qt::Key_F1, Qt::ControlModifier);
    EXPECT_EQ(leiste->hilfen, 1);

    QTest::mouseDClick(leiste->NotizPan(), Qt::LeftButton);
    EXPECT_EQ(verwaltung, 1);

    // Without own notes neither Ctrl-N nor the double-click does anything.
    u.p.eigeneErlauben = false;
    QTest::keyClick(leiste.get(), Qt::Key_N, Qt::ControlModifier);
    QTest::mouseDClick(leiste->NotizPan(), Qt::LeftButton);
    EXPECT_EQ(neu, 1);
    EXPECT_EQ(verwaltung, 1);

    // The right button on the band or on the clock opens the menu.
    leiste->show();
    QTest::mouseClick(leiste->UhrPan(), Qt::RightButton);
    EXPECT_TRUE(leiste->KontextMen()->isVisible());
    leiste->KontextMen()->hide();
    QTest::mouseClick(leiste->NotizPan(), Qt::RightButton);
    EXPECT_TRUE(leiste->KontextMen()->isVisible());
    leiste->KontextMen()->hide();

    // Menu entries run their commands once the menu is gone.
    leiste->HilfeMen()->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(leiste->hilfen, 2);
}

TEST_F(TerminalTest, EinstellungenHaltenDieLeisteAn) {
    u.p.ImmerOben = true;
    auto leiste = laden();
    leiste->Timer1Aktiv(true);
    bool obenImFenster = true, timerImFenster = true;
    bool zugang = false;
    leiste->einstellungenZeigen = [&] {
        obenImFenster = leiste->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        timerImFenster = leiste->Timer1Laeuft();
        return zugang;
    };

    // Access refused: the bar runs again, enabled and on top.
    leiste->EinstellungenOeffnen();
    EXPECT_FALSE(obenImFenster);
    EXPECT_FALSE(timerImFenster);
    EXPECT_TRUE(leiste->Timer1Laeuft());
    EXPECT_TRUE(leiste->KontextMen()->isEnabled());
    EXPECT_TRUE(leiste->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // The open settings window keeps the bar stopped until it closes.
    zugang = true;
    leiste->EinstellungenOeffnen();
    EXPECT_FALSE(leiste->Timer1Laeuft());
    EXPECT_FALSE(leiste->KontextMen()->isEnabled());
    EXPECT_EQ(leiste->ZeichenPosition(), 101);
}

// The menu's End and a close request from the window manager (Alt+F4, a
// task list) both end the program and take the network-error marker along;
// a bar that merely hid would leave a process nobody can end.
TEST_F(TerminalTest, EndeUndSchliessenBeendenUndLoeschenDieNetzfehlerMarke) {
    const std::pair<const char*, std::function<void(Leiste&)>> wege[] = {
        {"End", [](Leiste& l) { l.Ende(); }},
        {"close request", [](Leiste& l) { l.close(); }},
    };
    for (const auto& [name, weg] : wege) {
        auto leiste = laden();
        leiste->show();
        const QString nefe = u.Pfad(QStringLiteral("nefe"));
        QFile datei(nefe);
        ASSERT_TRUE(datei.open(QIODevice::WriteOnly));
        datei.write("2026-12-08 13:00:00\r\n");
        datei.close();
        weg(*leiste);
        EXPECT_FALSE(QFile::exists(nefe)) << name;
        EXPECT_EQ(leiste->beendet, 1) << name;
    }
}

TEST_F(TerminalTest, KurzerTextStehtAmRand) {
    notiz(QStringLiteral("Kurz"));
    auto leiste = laden();
    for (int i = 0; i < 10; ++i)
        leiste->Tick();
    EXPECT_EQ(u.p.anzeigeModus, TickerInhalt::Statisch);
    EXPECT_FALSE(leiste->NotizPan()->Leer());
    EXPECT_EQ(leiste->NotizPan()->X(), 101);
}

TEST_F(TerminalTest, LangerTextLaeuftUndBleibtBeschraenkt) {
    langerText();
    auto leiste = laden();
    Band* band = leiste->NotizPan();
    leiste->Tick();
    ASSERT_EQ(u.p.anzeigeModus, TickerInhalt::Scrollend);
    EXPECT_EQ(band->X(), 101);
    for (int i = 1; i <= 5; ++i) {
        leiste->Tick();
        EXPECT_EQ(band->X(), 101 - 30 * i);
    }

    // Well beyond one pass the position stays within one pass of the band.
    const int pass = band->PassBreite();
    ASSERT_GT(pass, Twips(band->width()));
    for (int i = 0; i < 2 * pass / 30; ++i) {
        leiste->Tick();
        ASSERT_GT(leiste->ZeichenPosition() + pass, 0);
        ASSERT_LE(leiste->ZeichenPosition(), 101);
    }

    // The kept position shows what the unbounded one would have shown; the
    // picture is taken at a moment the end of one pass is in view.
    const double x = -(pass - Twips(band->width()) / 2);
    band->Zeigen(u.p.eintraege, u.p.trennText, true, x);
    const QImage hier = band->grab().toImage();
    band->Zeigen(u.p.eintraege, u.p.trennText, true, x - pass);
    const QImage weiter = band->grab().toImage();
    EXPECT_TRUE(hier == weiter);
    // ... and the band is not simply empty there: the pass ends in the middle
    // and its repetition fills the right half.
    band->Zeigen(u.p.eintraege, u.p.trennText, true, x + Twips(7));
    EXPECT_FALSE(hier == band->grab().toImage());
    const QColor hg = hier.pixelColor(0, 0);
    bool rechtsText = false;
    for (int y = 0; y < hier.height(); ++y)
        for (int i = hier.width() / 2 + 20; i < hier.width(); ++i)
            rechtsText |= hier.pixelColor(i, y) != hg;
    EXPECT_TRUE(rechtsText);

    // A new text starts over at the margin.
    notiz(QStringLiteral("Noch eine"));
    u.p.aufbauZaehler = 100;
    leiste->Tick();
    EXPECT_EQ(band->X(), 101);
}

// Colour in a strip of the band: which of red and green appear.
struct Farben {
    bool rot = false;
    bool gruen = false;
};
Farben farbenIn(const QImage& bild, int von, int bis) {
    Farben f;
    for (int y = 0; y < bild.height(); ++y)
        for (int x = std::max(0, von); x < std::min(bis, bild.width()); ++x) {
            const QColor c = bild.pixelColor(x, y);
            f.rot |= c.red() > 100 && c.green() < 40;
            f.gruen |= c.green() > 100 && c.red() < 40;
        }
    return f;
}

TEST(TerminalBand, FarbenJeQuelleUndTrenner) {
    Band band;
    band.resize(900, 30);
    QFont schrift(QStringLiteral("DejaVu Sans"));
    schrift.setPointSize(12);
    band.Aussehen(schrift, Qt::black, Qt::red, Qt::green, 60);
    const QString trenner = QStringLiteral(" \u00B7 ");
    const std::vector<Eintrag> eintraege = {{Eintrag::Eigene, QStringLiteral("MMMM")},
                                            {Eintrag::Broadcast, QStringLiteral("MMMM")}};
    const int eintrag = band.TextBreite(QStringLiteral("MMMM ")) / 15;
    const int trenn = band.TextBreite(trenner + u' ') / 15;

    band.Zeigen(eintraege, trenner, false, 0);
    QImage bild = band.grab().toImage();
    Farben f = farbenIn(bild, 0, eintrag);
    EXPECT_TRUE(f.rot && !f.gruen);
    f = farbenIn(bild, eintrag, eintrag + trenn);
    EXPECT_TRUE(f.rot && !f.gruen);
    f = farbenIn(bild, eintrag + trenn, 2 * eintrag + trenn);
    EXPECT_TRUE(f.gruen && !f.rot);
    // Static text ends with its last entry.
    f = farbenIn(bild, 2 * eintrag + trenn, bild.width());
    EXPECT_TRUE(!f.gruen && !f.rot);

    // Scrolling text puts the separator after the last entry as well and
    // starts over right behind it.
    band.Zeigen(eintraege, trenner, true, 0);
    bild = band.grab().toImage();
    const int pass = 2 * (eintrag + trenn);
    EXPECT_EQ(band.PassBreite(), pass * 15);
    f = farbenIn(bild, 2 * eintrag + trenn, pass);
    EXPECT_TRUE(f.rot && !f.gruen);
    f = farbenIn(bild, pass, pass + eintrag);
    EXPECT_TRUE(f.rot && !f.gruen);
    f = farbenIn(bild, pass + eintrag + trenn, pass + 2 * eintrag + trenn);
    EXPECT_TRUE(f.gruen && !f.rot);
}

} // namespace

// The first hint a new user gets, and what a screen reader is told: the
// tooltip names the note commands only while they work, and always the key
// that stops and starts the band; the band's text is
// the notes it shows, renewed when a rebuild finds others.
TEST_F(TerminalTest, HintAndScreenReaderTextFollowLanguageNotesAndCommands) {
    struct Fall {
        int16_t sprache;
        bool eigene;
        QStringList notizen;
        const char* hinweis;
        const char* namen; // bar | date | time | band
        const char* band;
    };
    const Fall faelle[] = {
        {1, true, {},
         "Right-click: menu \u00B7 Ctrl+N: new note \u00B7 Double-click: notes \u00B7 "
         "Space: stop/resume scrolling",
         "Pinwick notes ticker|Date|Time|Notes", "No note due"},
        {2, true, {"Zahnarzt"},
         "Rechtsklick: Men\u00FC \u00B7 Strg+N: neue Notiz \u00B7 Doppelklick: Notizen \u00B7 "
         "Leertaste: Laufschrift anhalten/fortsetzen",
         "Pinwick Notizen-Laufband|Datum|Uhrzeit|Notizen", "Zahnarzt"},
        {1, true, {"Dentist", "Team call"}, "Right-click: menu \u00B7 Ctrl+N", "", "Dentist\nTeam call"},
        {1, false, {"Dentist"}, "Right-click: menu \u00B7 Space: stop/resume scrolling", "", ""},
        {2, false, {}, "Rechtsklick: Men\u00FC \u00B7 Leertaste: Laufschrift anhalten/fortsetzen", "", ""},
    };
    for (const Fall& f : faelle) {
        TestUmgebung eigene;
        Programm& p = eigene.p;
        p.Sprache = f.sprache;
        p.SchriftName = QStringLiteral("DejaVu Sans");
        p.SchriftGroesse = 10;
        p.zeigDatum = true;
        p.eigeneErlauben = f.eigene;
        for (const QString& text : f.notizen) {
            NotizZeile z;
            z.inhalt = text;
            NotizEinfuegen(*p.lokaleNotizen, z);
        }
        Leiste leiste(p);
        leiste.Timer1Aktiv(false);
        leiste.Tick();
        const std::string fall = std::to_string(f.sprache) + (f.eigene ? " own" : " receiver");
        // The bar is seldom the active window: its hint must show regardless.
        EXPECT_TRUE(leiste.testAttribute(Qt::WA_AlwaysShowToolTips));
        EXPECT_TRUE(leiste.toolTip().startsWith(QString::fromUtf8(f.hinweis)))
            << fall << ": " << leiste.toolTip().toStdString();
        if (!f.eigene) {
            EXPECT_EQ(leiste.toolTip(), QString::fromUtf8(f.hinweis)) << fall;
            continue;
        }
        if (*f.namen) {
            EXPECT_EQ(QStringList({leiste.accessibleName(), leiste.DatumPan()->accessibleName(),
                                   leiste.UhrPan()->accessibleName(),
                                   leiste.NotizPan()->accessibleName()})
                          .join('|'),
                      QString::fromUtf8(f.namen))
                << fall;
        }
        EXPECT_EQ(leiste.NotizPan()->accessibleDescription(), QString::fromUtf8(f.band)) << fall;
    }
}

TEST(BandZugangsText, LongTextIsCutAndEmptyEntriesSkipped) {
    const std::vector<Eintrag> eintraege = {{Eintrag::Eigene, QStringLiteral("abc")},
                                            {Eintrag::Broadcast, QString()},
                                            {Eintrag::Broadcast, QString(50, QLatin1Char('x'))}};
    EXPECT_EQ(BandZugangsText(eintraege, 1, 1000), QStringLiteral("abc\n") + QString(50, 'x'));
    EXPECT_EQ(BandZugangsText(eintraege, 1, 10), QStringLiteral("abc\nxxxxxx\u2026"));
    EXPECT_EQ(BandZugangsText({}, 2), QStringLiteral("Keine Notiz f\u00E4llig"));
}
