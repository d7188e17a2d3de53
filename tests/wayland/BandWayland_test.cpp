// The bar as a layer surface on a real compositor (sway headless, started by
// wayland_e2e.sh): the band's pixels on the screen, taken with grim, against
// Qt's painting of the same band at the same moment; one commit per step,
// the whole bar only when the clock moves on, and no buffers made while it
// scrolls; then docked at the bottom after a new layout, and following a
// change of the output's size; the pointer resting on the bar opens its
// tooltip as a popup, and goes with the pointer.

#include "Band.h"
#include "Panel3D.h"
#include "Terminal.h"
#include "TestHilfe.h"
#include "WaylandLeiste.h"
#include "WaylandRegeln.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <cstdio>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QToolTip>
#include <gtest/gtest.h>

using namespace pinwick;
using namespace pinwick::test;

namespace {

void warten(int ms) {
    QElapsedTimer uhr;
    uhr.start();
    while (uhr.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// The screen as the compositor shows it now.
QImage bildschirm(const QString& datei) {
    QProcess grim;
    grim.start(QStringLiteral("grim"), {datei});
    if (!grim.waitForFinished(10000) || grim.exitCode() != 0)
        return {};
    return QImage(datei).convertToFormat(QImage::Format_RGB32);
}

int abweichendePixel(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += (a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF);
    return n;
}

TEST(BandWayland, BildschirmGleichQtsMalenEinCommitJeSchritt) {
    if (QGuiApplication::platformName() != QLatin1String("wayland"))
        GTEST_SKIP() << "needs a Wayland compositor with layer-shell (QT_QPA_PLATFORM=wayland)";
    TestUmgebung u;
    Programm& p = u.p;
    LeisteEinstellen(p);
    p.dockPos = 0;
    p.notizHgFarbe = 0x202020;
    p.SchriftFarbe = 0x00FFFF;
    p.uhr.Stellen(QDateTime(QDate(2026, 12, 8), QTime(13, 5, 9)));
    LangeNotizen(p, 12);
    Terminal leiste(p);
    leiste.Timer1Aktiv(false);
    std::unique_ptr<WaylandLeiste> w = WaylandLeiste::Oeffnen(leiste);
    ASSERT_TRUE(w) << "no layer-shell on this compositor";
    leiste.flaeche = w.get();
    for (int i = 0; i < 100 && !w->Bereit(); ++i) {
        w->Abgleichen();
        warten(20);
    }
    ASSERT_TRUE(w->Bereit());
    std::printf("scale %.1f\n", leiste.NotizPan()->devicePixelRatioF());
    leiste.Tick(); // the rebuild: the text is new and starts at the margin
    w->Abgleichen();

    QTemporaryDir ordner;
    const QPoint bandLage = leiste.NotizPan()->mapTo(&leiste, QPoint(0, 0));
    const QRect band(leiste.geometry().topLeft() + bandLage, leiste.NotizPan()->size());

    struct Fall {
        const char* was;
        int ticks;
        qint64 sekundenVor;
        long ganzErwartet; // whole bars drawn in these ticks
    };
    const Fall faelle[] = {
        {"am Rand", 0, 0, 0},
        {"ein Schritt", 1, 0, 0},
        {"gescrollt", 17, 0, 0},
        {"naechste Sekunde", 20, 1, 1},
        {"weit gescrollt", 150, 0, 0},
    };
    const long pufferVorher = w->Statistik().puffer;
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        p.uhr.Vorstellen(f.sekundenVor);
        p.aufbauZaehler = 0; // no rebuild in between
        const WaylandLeiste::Zaehler vorher = w->Statistik();
        for (int i = 0; i < f.ticks; ++i) {
            leiste.Tick();
            // Buffers come back once the compositor has taken the next one.
            w->Abgleichen();
        }
        EXPECT_EQ(w->Statistik().commits - vorher.commits, f.ticks);
        EXPECT_EQ(w->Statistik().ganz - vorher.ganz, f.ganzErwartet);
        EXPECT_EQ(w->Statistik().ohnePuffer, 0);
        // The compositor draws the next frame after the commit.
        warten(150);
        const QImage schirm = bildschirm(ordner.filePath(QStringLiteral("s.png")));
        ASSERT_FALSE(schirm.isNull()) << "grim failed";
        const QImage vonQt =
            leiste.NotizPan()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        // The screenshot has the output's scale, Qt's picture its own: the
        // same when the bar draws finely enough.
        const int dpr = schirm.width() / QGuiApplication::primaryScreen()->geometry().width();
        EXPECT_EQ(abweichendePixel(schirm.copy(QRect(band.topLeft() * dpr, band.size() * dpr)), vonQt),
                  0);
        // The clock on the screen is the one Qt has.
        const QRect uhr(leiste.geometry().topLeft() + leiste.UhrPan()->mapTo(&leiste, QPoint()),
                        leiste.UhrPan()->size());
        EXPECT_EQ(abweichendePixel(schirm.copy(QRect(uhr.topLeft() * dpr, uhr.size() * dpr)),
                                   leiste.UhrPan()->grab().toImage().convertToFormat(
                                       QImage::Format_RGB32)),
                  0);
    }
    EXPECT_EQ(w->Statistik().puffer, pufferVorher); // none made while scrolling
    EXPECT_EQ(leiste.UhrPan()->text(), QStringLiteral("1:05:10 pm"));

    // Docked at the bottom after a new layout (the settings window's save):
    // the surface moves to the bottom edge with the same picture.
    p.dockPos = 1;
    leiste.MachLayout();
    for (int i = 0; i < 20; ++i) {
        w->Abgleichen();
        warten(20);
    }
    leiste.Tick();
    w->Abgleichen();
    warten(150);
    const QImage schirm = bildschirm(ordner.filePath(QStringLiteral("u.png")));
    ASSERT_FALSE(schirm.isNull());
    const int dpr = schirm.width() / QGuiApplication::primaryScreen()->geometry().width();
    const int untenBand = schirm.height() / dpr - leiste.height() + bandLage.y();
    EXPECT_EQ(leiste.geometry().bottom() + 1, schirm.height() / dpr);
    const QRect unten(QPoint(band.x(), untenBand) * dpr, band.size() * dpr);
    EXPECT_EQ(abweichendePixel(schirm.copy(unten),
                               leiste.NotizPan()->grab().toImage().convertToFormat(QImage::Format_RGB32)),
              0);

    // The output gets another size (as a change of resolution would): the
    // bar follows at its next ticks, as on X11, and stays at the bottom.
    if (qEnvironmentVariableIsEmpty("SWAYSOCK"))
        return;
    const QSize vorher = QGuiApplication::primaryScreen()->geometry().size();
    // The output's mode in device pixels.
    const auto aufloesung = [](const QSize& g) {
        QProcess swaymsg;
        swaymsg.start(QStringLiteral("swaymsg"),
                      {QStringLiteral("output * resolution %1x%2").arg(g.width()).arg(g.height())});
        return swaymsg.waitForFinished(10000) && swaymsg.exitCode() == 0;
    };
    const QSize neu(vorher.width() * 3 / 4, vorher.height() * 3 / 4);
    ASSERT_TRUE(aufloesung(neu * dpr));
    for (int i = 0; i < 20; ++i) {
        leiste.Tick();
        w->Abgleichen();
        warten(20);
    }
    warten(150);
    const QImage klein = bildschirm(ordner.filePath(QStringLiteral("k.png")));
    ASSERT_FALSE(klein.isNull());
    const QSize logisch = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(logisch, neu);
    EXPECT_EQ(leiste.geometry(), QRect(0, logisch.height() - leiste.height(), logisch.width(),
                                       leiste.height()));
    const QRect bandKlein(leiste.geometry().topLeft() + leiste.NotizPan()->mapTo(&leiste, QPoint()),
                          leiste.NotizPan()->size());
    EXPECT_EQ(abweichendePixel(klein.copy(QRect(bandKlein.topLeft() * dpr, bandKlein.size() * dpr)),
                               leiste.NotizPan()->grab().toImage().convertToFormat(QImage::Format_RGB32)),
              0);
    aufloesung(vorher * dpr);
    warten(300);
}

// The bar taken down: its surface, with everything the bar made on its
// connection, leaves the screen at once, and a bar opened again afterwards
// on a new connection shows as the first did. Twice, so that a second
// bar in the same program is covered (a leak of the first would be found
// at the end of this program in the sanitized build).
TEST(BandWayland, EndeNimmtDieLeisteVomSchirm) {
    if (QGuiApplication::platformName() != QLatin1String("wayland"))
        GTEST_SKIP() << "needs a Wayland compositor with layer-shell (QT_QPA_PLATFORM=wayland)";
    TestUmgebung u;
    Programm& p = u.p;
    LeisteEinstellen(p);
    p.dockPos = 0;
    p.notizHgFarbe = 0x00C000;
    p.uhr.Stellen(QDateTime(QDate(2026, 12, 8), QTime(9, 0, 0)));
    LangeNotizen(p, 3);
    Terminal leiste(p);
    leiste.Timer1Aktiv(false);
    QTemporaryDir ordner;
    for (int runde = 0; runde < 2; ++runde) {
        SCOPED_TRACE(runde);
        std::unique_ptr<WaylandLeiste> w = WaylandLeiste::Oeffnen(leiste);
        ASSERT_TRUE(w);
        leiste.flaeche = w.get();
        for (int i = 0; i < 100 && !w->Bereit(); ++i) {
            w->Abgleichen();
            warten(20);
        }
        ASSERT_TRUE(w->Bereit());
        leiste.Tick();
        w->Abgleichen();
        warten(150);
        const QImage vonQt =
            leiste.NotizPan()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage an = bildschirm(ordner.filePath(QStringLiteral("an.png")));
        ASSERT_FALSE(an.isNull()) << "grim failed";
        const int dpr = an.width() / QGuiApplication::primaryScreen()->geometry().width();
        const QRect band((leiste.geometry().topLeft() +
                          leiste.NotizPan()->mapTo(&leiste, QPoint(0, 0))) * dpr,
                         leiste.NotizPan()->size() * dpr);
        EXPECT_EQ(abweichendePixel(an.copy(band), vonQt), 0);

        leiste.flaeche = nullptr;
        w.reset();
        warten(300);
        const QImage weg = bildschirm(ordner.filePath(QStringLiteral("weg.png")));
        ASSERT_FALSE(weg.isNull());
        // Where the band was, the desktop's plain background.
        const QImage stelle = weg.copy(band);
        QImage grund(stelle.size(), QImage::Format_RGB32);
        grund.fill(stelle.pixel(0, 0));
        EXPECT_EQ(abweichendePixel(stelle, grund), 0);
        EXPECT_NE(stelle.pixel(0, 0) & 0xFFFFFF, vonQt.pixel(0, 0) & 0xFFFFFF);
    }
}

// The pointer resting on the band stands it on the layer surface as on X11:
// the compositor's enter and leave reach the band; the clock goes on, and
// the band moves on from where it stood once the pointer has gone. The
// pointer is a virtual one (klicken, beside this program), kept on its spot
// for a few seconds and then taken away, which the compositor tells the bar
// as a leave.
TEST(BandWayland, ZeigerAufDemBandStelltEs) {
    if (QGuiApplication::platformName() != QLatin1String("wayland"))
        GTEST_SKIP() << "needs a Wayland compositor with layer-shell (QT_QPA_PLATFORM=wayland)";
    const QString klicken = QCoreApplication::applicationDirPath() + QStringLiteral("/klicken");
    if (!QFileInfo(klicken).isExecutable())
        GTEST_SKIP() << "needs klicken beside this program (wayland_e2e.sh puts it there)";
    TestUmgebung u;
    Programm& p = u.p;
    LeisteEinstellen(p);
    p.dockPos = 0;
    p.uhr.Stellen(QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0)));
    LangeNotizen(p, 12);
    Terminal leiste(p);
    leiste.Timer1Aktiv(false);
    std::unique_ptr<WaylandLeiste> w = WaylandLeiste::Oeffnen(leiste);
    ASSERT_TRUE(w);
    leiste.flaeche = w.get();
    for (int i = 0; i < 100 && !w->Bereit(); ++i) {
        w->Abgleichen();
        warten(20);
    }
    ASSERT_TRUE(w->Bereit());
    leiste.Tick();
    w->Abgleichen();

    const QSize schirm = QGuiApplication::primaryScreen()->geometry().size();
    const QPoint bandMitte = leiste.geometry().topLeft() +
                             leiste.NotizPan()->mapTo(&leiste, leiste.NotizPan()->rect().center());
    const QPoint uhrMitte = leiste.geometry().topLeft() +
                            leiste.UhrPan()->mapTo(&leiste, leiste.UhrPan()->rect().center());
    // Ticks with the pointer where it is; whether the band moved in them,
    // and whether the clock did.
    const auto ticken = [&](int anzahl) {
        const double vorher = leiste.ZeichenPosition();
        const QString uhrVorher = leiste.UhrPan()->text();
        p.uhr.Vorstellen(1);
        for (int i = 0; i < anzahl; ++i) {
            leiste.Tick();
            w->Abgleichen();
        }
        return std::pair{leiste.ZeichenPosition() != vorher, leiste.UhrPan()->text() != uhrVorher};
    };
    // Waits (up to 3 s) until the bar has heard whether the pointer is on
    // the band.
    const auto abwarten = [&](bool drauf) {
        for (int i = 0; i < 150 && leiste.Bewegung().ZeigerIstDrauf() != drauf; ++i) {
            w->Abgleichen();
            warten(20);
        }
        return leiste.Bewegung().ZeigerIstDrauf() == drauf;
    };

    struct Fall {
        const char* wo;
        QPoint stelle;
        bool bandSteht;
    };
    const Fall faelle[] = {
        {"auf dem Band", bandMitte, true},
        {"auf der Uhr", uhrMitte, false},
        {"wieder auf dem Band", bandMitte + QPoint(40, 0), true},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.wo);
        ASSERT_TRUE(abwarten(false));
        ASSERT_TRUE(ticken(5).first) << "the band moves before the pointer comes";
        QProcess zeiger;
        QProcessEnvironment umgebung = QProcessEnvironment::systemEnvironment();
        umgebung.insert(QStringLiteral("KLICKEN_BLEIBEN"), QStringLiteral("2"));
        zeiger.setProcessEnvironment(umgebung);
        // No button: the pointer only comes to rest there.
        zeiger.start(klicken, {QString::number(f.stelle.x()), QString::number(f.stelle.y()),
                               QString::number(schirm.width()), QString::number(schirm.height())});
        ASSERT_TRUE(zeiger.waitForStarted(5000));
        if (f.bandSteht) {
            ASSERT_TRUE(abwarten(true));
        } else {
            // The pointer came to the bar (the clock), not to the band.
            warten(800);
            EXPECT_FALSE(leiste.Bewegung().ZeigerIstDrauf());
        }
        const auto [bandBewegt, uhrBewegt] = ticken(20);
        EXPECT_EQ(bandBewegt, !f.bandSteht);
        EXPECT_TRUE(uhrBewegt) << "the clock keeps ticking";
        const double stand = leiste.ZeichenPosition();
        // The pointer taken away leaves the bar: the band goes on from
        // where it stood, not from where it would have been.
        while (zeiger.state() != QProcess::NotRunning) {
            w->Abgleichen();
            warten(20);
        }
        ASSERT_TRUE(abwarten(false));
        leiste.Tick();
        w->Abgleichen();
        if (f.bandSteht)
            EXPECT_NEAR(leiste.ZeichenPosition(), stand, 3 * leiste.ScrollSchritt() + 1);
    }
}

// The pointer resting on the clock (where no feed item speaks) opens the
// bar's own tooltip as a popup below it, in the tooltip's colours, after
// the usual delay; the pointer taken away closes it. Counted on the screen
// are the pixels of the tooltip's background colour.
TEST(BandWayland, ZeigerRuhtHinweisErscheint) {
    if (QGuiApplication::platformName() != QLatin1String("wayland"))
        GTEST_SKIP() << "needs a Wayland compositor with layer-shell (QT_QPA_PLATFORM=wayland)";
    const QString klicken = QCoreApplication::applicationDirPath() + QStringLiteral("/klicken");
    if (!QFileInfo(klicken).isExecutable())
        GTEST_SKIP() << "needs klicken beside this program (wayland_e2e.sh puts it there)";
    TestUmgebung u;
    Programm& p = u.p;
    LeisteEinstellen(p);
    p.dockPos = 0;
    p.uhr.Stellen(QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0)));
    LangeNotizen(p, 3);
    Terminal leiste(p);
    leiste.Timer1Aktiv(false);
    std::unique_ptr<WaylandLeiste> w = WaylandLeiste::Oeffnen(leiste);
    ASSERT_TRUE(w);
    leiste.flaeche = w.get();
    for (int i = 0; i < 100 && !w->Bereit(); ++i) {
        w->Abgleichen();
        warten(20);
    }
    ASSERT_TRUE(w->Bereit());
    leiste.Tick();
    w->Abgleichen();
    warten(150);

    QTemporaryDir ordner;
    const QRgb grund = QToolTip::palette().color(QPalette::ToolTipBase).rgb() & 0xFFFFFF;
    const auto hinweisPixel = [&](const char* name) {
        const QImage schirm = bildschirm(ordner.filePath(QString::fromLatin1(name)));
        int n = 0;
        for (int y = 0; y < schirm.height(); ++y)
            for (int x = 0; x < schirm.width(); ++x)
                n += (schirm.pixel(x, y) & 0xFFFFFF) == grund;
        return schirm.isNull() ? -1 : n;
    };
    const int ohne = hinweisPixel("ohne.png");
    ASSERT_GE(ohne, 0) << "grim failed";

    const QSize schirm = QGuiApplication::primaryScreen()->geometry().size();
    const QPoint uhrMitte = leiste.geometry().topLeft() +
                            leiste.UhrPan()->mapTo(&leiste, leiste.UhrPan()->rect().center());
    QProcess zeiger;
    QProcessEnvironment umgebung = QProcessEnvironment::systemEnvironment();
    umgebung.insert(QStringLiteral("KLICKEN_BLEIBEN"), QStringLiteral("3"));
    zeiger.setProcessEnvironment(umgebung);
    zeiger.start(klicken, {QString::number(uhrMitte.x()), QString::number(uhrMitte.y()),
                           QString::number(schirm.width()), QString::number(schirm.height())});
    ASSERT_TRUE(zeiger.waitForStarted(5000));
    for (int i = 0; i < 150 && w->HinweisText().isEmpty(); ++i) {
        w->Abgleichen();
        warten(20);
    }
    EXPECT_EQ(w->HinweisText(), HinweisUmbrechen(leiste.toolTip()));
    warten(200);
    EXPECT_GT(hinweisPixel("mit.png"), ohne + 200) << "no tooltip on the screen";

    // The pointer goes: so does the tooltip, from the screen too.
    while (zeiger.state() != QProcess::NotRunning) {
        w->Abgleichen();
        warten(20);
    }
    for (int i = 0; i < 100 && !w->HinweisText().isEmpty(); ++i) {
        w->Abgleichen();
        warten(20);
    }
    EXPECT_TRUE(w->HinweisText().isEmpty());
    warten(200);
    EXPECT_EQ(hinweisPixel("weg.png"), ohne);
}

} // namespace
