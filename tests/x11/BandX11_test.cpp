// The band on a real X server (run under Xvfb): the pixels its server path
// leaves in the window, read back from the server, against the same band
// painted by Qt alone; also after an expose and after a change of size and
// colours.

#include "Band.h"
#include "BandAusgabe.h"
#include "BandBilder.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

using namespace pinwick;

namespace {

const QString& trenner = test::BandTrenner;




class BandX11 : public ::testing::Test {
public:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display (QT_QPA_PLATFORM=xcb)";
        fenster.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
        fenster.setGeometry(0, 0, 1900, 40);
        band = new Band(&fenster);
        band->setGeometry(37, 6, 1820, 26);
        vorbild.resize(band->size());
        vorbild.AusgabeSetzen(nullptr);
        aussehen(test::Schrift("DejaVu Sans", 10, false, true), Qt::black, Qt::red);
        fenster.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&fenster));
    }

    void aussehen(const QFont& f, const QColor& hg, const QColor& eigene) {
        band->Aussehen(f, hg, eigene, Qt::green, 60);
        vorbild.Aussehen(f, hg, eigene, Qt::green, 60);
    }
    void zeigen(const std::vector<Eintrag>& e, bool scrollend, double x) {
        band->Zeigen(e, trenner, scrollend, x);
        vorbild.Zeigen(e, trenner, scrollend, x);
    }
    // The band's pixels as the X server has them.
    QImage aufDemServer() {
        const QPoint p = band->mapTo(&fenster, QPoint(0, 0));
        return QGuiApplication::primaryScreen()
            ->grabWindow(fenster.winId(), p.x(), p.y(), band->width(), band->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    QImage vonQt() { return vorbild.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    QWidget fenster;
    Band* band = nullptr;
    Band vorbild;
};

struct Fall {
    const char* name;
    std::function<void(BandX11&)> vorher;
    std::vector<Eintrag> eintraege;
    bool scrollend;
};

TEST_F(BandX11, ServerPfadZeigtWasQtMalt) {
    const QString lang = QStringLiteral("ein recht langer Text mit vielen Woertern ").repeated(60);
    const Fall faelle[] = {
        {"zwanzig fett", [](BandX11&) {},
         test::Notizen(20, QStringLiteral("Besprechung um zehn Uhr im grossen Raum")), true},
        {"kursiv, andere Farben",
         [](BandX11& t) {
             t.aussehen(test::Schrift("DejaVu Serif", 12, true), QColor(0x20, 0x40, 0x80),
                        QColor(0xFF, 0xEE, 0x10));
         },
         test::Notizen(7, QStringLiteral("Wochenbericht")), true},
        {"ein langer Eintrag",
         [](BandX11& t) { t.aussehen(test::Schrift("DejaVu Sans", 9), Qt::white, Qt::black); },
         {{Eintrag::Broadcast, lang}, {Eintrag::Eigene, QStringLiteral("danach")}},
         true},
        {"hoeheres Band",
         [](BandX11& t) {
             t.band->resize(1820, 34);
             t.vorbild.resize(1820, 34);
         },
         test::Notizen(20, QStringLiteral("Besprechung")), true},
        {"stehend verschoben", [](BandX11&) {}, test::Notizen(2, QStringLiteral("kurz")), false},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        fall.vorher(*this);
        zeigen(fall.eintraege, fall.scrollend, 101);
        QCoreApplication::processEvents();
        const qint64 pass = band->PassBreite();
        const double stellen[] = {71, -1000, -15.0 * (Band::KachelBreite - 700),
                                  -double(pass) + 15 * 500, -4.0 * double(pass) - 15 * 33};
        for (double x : stellen) {
            SCOPED_TRACE(x);
            zeigen(fall.eintraege, fall.scrollend, x);
            ASSERT_TRUE(band->AufServer());
            EXPECT_EQ(test::AbweichendePixel(aufDemServer(), vonQt(), true), 0);
        }
    }
}

// Another window over the bar and gone again: the X server asks for the
// uncovered part, Qt shows what it keeps of the band, and that is the
// present picture, not the one from before the server's steps.
TEST_F(BandX11, NachExposeDasJetzigeBild) {
    const auto e = test::Notizen(20, QStringLiteral("Besprechung um zehn Uhr im grossen Raum"));
    zeigen(e, true, 101);
    QCoreApplication::processEvents();
    double x = 71;
    for (int i = 0; i < 40; ++i)
        zeigen(e, true, x -= 30);
    ASSERT_TRUE(band->AufServer());

    QWidget decke(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    decke.setGeometry(300, 0, 600, 60);
    decke.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&decke));
    decke.hide();
    QTest::qWait(200);
    EXPECT_EQ(test::AbweichendePixel(aufDemServer(), vonQt(), true), 0);
}

} // namespace
