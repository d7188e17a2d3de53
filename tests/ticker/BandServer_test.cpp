// The band's server path against its own Qt painting, with a stand-in for
// the display server that composes the window's pixels from the copies it is
// asked for; and what a scroll step costs: no layout, no rendering, no
// allocation while the text stays the same.

#include "Band.h"
#include "BandAusgabe.h"
#include "BandBilder.h"
#include "Panel3D.h"
#include "Terminal.h"
#include "TestHilfe.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <memory>

using namespace pinwick;
using pinwick::test::AbweichendePixel;
using pinwick::test::NotizEinfuegen;
using pinwick::test::NotizZeile;
using pinwick::test::TestUmgebung;

// ---- counting allocations of this thread (all of them: Qt's containers go
// to malloc directly, not through operator new)

// AddressSanitizer brings its own allocator: there the steps are not
// counted (the normal build counts them).
#if defined(__SANITIZE_ADDRESS__)
#define PINWICK_ALLOKATIONEN_ZAEHLEN 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PINWICK_ALLOKATIONEN_ZAEHLEN 0
#endif
#endif
#ifndef PINWICK_ALLOKATIONEN_ZAEHLEN
#define PINWICK_ALLOKATIONEN_ZAEHLEN 1
#endif

namespace {
thread_local bool zaehlen = false;
thread_local long anforderungen = 0;
} // namespace

#if PINWICK_ALLOKATIONEN_ZAEHLEN
extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void __libc_free(void*);

extern "C" void* malloc(size_t n) {
    if (zaehlen)
        ++anforderungen;
    return __libc_malloc(n);
}
extern "C" void* calloc(size_t n, size_t m) {
    if (zaehlen)
        ++anforderungen;
    return __libc_calloc(n, m);
}
extern "C" void* realloc(void* p, size_t n) {
    if (zaehlen)
        ++anforderungen;
    return __libc_realloc(p, n);
}
extern "C" void free(void* p) {
    __libc_free(p);
}
#endif

namespace {

// Allocations of this thread while `schritt` runs.
template <typename F> long allokationen(F&& schritt) {
    anforderungen = 0;
    zaehlen = true;
    schritt();
    zaehlen = false;
    return anforderungen;
}

// The display server as the band sees it: pictures by number, and the
// window's pixels, composed from copies and fills as a server would.
class Attrappe : public BandAusgabe {
public:
    struct Stand {
        QImage fenster;
        std::map<uint32_t, QImage> bilder;
        bool bereit = true;
        bool hochladenGeht = true;
        bool neuesFenster = false; // the next Bereit reports another window
        long kopien = 0;
        long sendungen = 0;
    };
    explicit Attrappe(std::shared_ptr<Stand> s) : s_(std::move(s)) {}

    bool Bereit(QWidget& fenster, bool& bilderUngueltig) override {
        const QSize groesse = fenster.size() * fenster.devicePixelRatioF();
        if (s_->fenster.size() != groesse) {
            s_->fenster = QImage(groesse, QImage::Format_RGB32);
            s_->fenster.fill(Qt::magenta); // never painted: shows in a comparison
        }
        if (s_->neuesFenster) {
            s_->neuesFenster = false;
            bilderUngueltig = true;
        }
        return s_->bereit;
    }
    uint32_t Hochladen(const QImage& bild) override {
        if (!s_->hochladenGeht)
            return 0;
        s_->bilder[++naechste_] = bild.copy();
        return naechste_;
    }
    void Freigeben(uint32_t bild) override {
        EXPECT_EQ(s_->bilder.erase(bild), 1u) << "freed twice or never made: " << bild;
    }
    // Pixel by pixel, without allocating: a step is counted as it is.
    void Kopieren(uint32_t bild, int vonX, const QRect& ziel) override {
        ++s_->kopien;
        const auto b = s_->bilder.find(bild);
        ASSERT_NE(b, s_->bilder.end());
        const QImage& quelle = b->second;
        QImage& f = s_->fenster;
        for (int y = 0; y < ziel.height(); ++y) {
            const int fy = ziel.y() + y;
            if (fy < 0 || fy >= f.height() || y >= quelle.height())
                continue;
            const auto* q = reinterpret_cast<const QRgb*>(quelle.constScanLine(y));
            auto* z = reinterpret_cast<QRgb*>(f.scanLine(fy));
            for (int x = 0; x < ziel.width(); ++x) {
                const int fx = ziel.x() + x;
                const int qx = vonX + x;
                if (fx >= 0 && fx < f.width() && qx < quelle.width())
                    z[fx] = q[qx];
            }
        }
    }
    void Senden() override { ++s_->sendungen; }

private:
    std::shared_ptr<Stand> s_;
    uint32_t naechste_ = 0;
};

const QString& trenner = test::BandTrenner;



QImage rgb(const QImage& bild) {
    return bild.convertToFormat(QImage::Format_RGB32);
}


// A window with a band set into it away from its corner, as in the bar, and
// the same band painted by Qt alone beside it.
struct Aufbau {
    explicit Aufbau(const QFont& f, QSize bandGroesse = QSize(1700, 24)) {
        fenster.resize(bandGroesse + QSize(60, 10));
        band = new Band(&fenster);
        band->setGeometry(QRect(QPoint(41, 5), bandGroesse));
        band->Aussehen(f, Qt::black, Qt::red, Qt::green, 60);
        band->AusgabeSetzen(std::make_unique<Attrappe>(stand));
        vorbild.resize(bandGroesse);
        vorbild.AusgabeSetzen(nullptr);
        vorbild.Aussehen(f, Qt::black, Qt::red, Qt::green, 60);
        fenster.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&fenster));
    }
    void zeigen(const std::vector<Eintrag>& e, bool scrollend, double x) {
        band->Zeigen(e, trenner, scrollend, x);
        vorbild.Zeigen(e, trenner, scrollend, x);
    }
    // What the server shows of the band.
    QImage aufDemServer() const { return stand->fenster.copy(QRect(band->pos(), band->size())); }

    std::shared_ptr<Attrappe::Stand> stand = std::make_shared<Attrappe::Stand>();
    QWidget fenster;
    Band* band = nullptr;
    Band vorbild;
};

// ---- the same picture on the server as painted by Qt

struct BildFall {
    const char* name;
    QFont schrift;
    std::vector<Eintrag> eintraege;
    bool scrollend;
};

TEST(BandServer, ZeigtDasBildDasQtMalt) {
    const QString lang = QStringLiteral("ein recht langer Text mit vielen Woertern ").repeated(80);
    const BildFall faelle[] = {
        {"zwei kurze",
         test::Schrift("DejaVu Sans", 12),
         {{Eintrag::Eigene, QStringLiteral("MMMM")}, {Eintrag::Broadcast, QStringLiteral("WWWW")}},
         true},
        {"zwanzig fett", test::Schrift("DejaVu Sans", 10, false, true),
         test::Notizen(20, QStringLiteral("Besprechung um zehn Uhr im grossen Raum")), true},
        {"zwanzig kursiv", test::Schrift("DejaVu Sans", 12, true),
         test::Notizen(20, QStringLiteral("Besprechung um zehn Uhr")), true},
        {"ein langer Eintrag in Stuecken",
         test::Schrift("DejaVu Serif", 11),
         {{Eintrag::Eigene, QStringLiteral("vorher")}, {Eintrag::Broadcast, lang}},
         true},
        {"stehend, von aussen verschoben", test::Schrift("DejaVu Sans", 14), test::Notizen(3, lang.left(300)),
         false},
    };
    for (const BildFall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        Aufbau a(fall.schrift);
        a.zeigen(fall.eintraege, fall.scrollend, 101);
        const qint64 pass = a.band->PassBreite();
        // Steps from the margin on; across a tile's seam; with the end of
        // the pass and its repetition in view; passes further on.
        const double stellen[] = {71,
                                  -1000,
                                  -15.0 * (Band::KachelBreite - 800),
                                  -15.0 * (Band::KachelBreite - 2),
                                  -double(pass) + 15 * 600,
                                  -3.0 * double(pass) - 15 * 77};
        for (double x : stellen) {
            SCOPED_TRACE(x);
            a.zeigen(fall.eintraege, fall.scrollend, x);
            ASSERT_TRUE(a.band->AufServer());
            const QImage qt = rgb(a.vorbild.grab().toImage());
            EXPECT_EQ(AbweichendePixel(a.aufDemServer(), qt), 0);
            // What Qt keeps of the band, for exposes, is the same picture.
            EXPECT_EQ(AbweichendePixel(rgb(a.band->grab().toImage()), qt), 0);
        }
        // Only the tile in view and the next one stay on the server.
        EXPECT_LE(a.stand->bilder.size(), 2u);
        EXPECT_EQ(int(a.stand->bilder.size()), a.band->KachelAnzahl());
    }
}

// ---- when the server cannot serve, Qt paints, and the picture is the same

struct AusweichFall {
    const char* name;
    std::function<void(Attrappe::Stand&)> stoerung;
    bool aufServer;  // whether the next steps go to the server
    bool bilderNeu;  // whether all pictures are sent again
    bool bilderFrei; // whether the server is left with no picture
};

TEST(BandServer, AusweichenAufQt) {
    const AusweichFall faelle[] = {
        {"nichts", [](Attrappe::Stand&) {}, true, false, false},
        // Kept for when it is ready again.
        {"Fenster nicht bereit", [](Attrappe::Stand& s) { s.bereit = false; }, false, false, false},
        {"Server nimmt keine Bilder",
         [](Attrappe::Stand& s) {
             s.hochladenGeht = false;
             s.neuesFenster = true;
         },
         false, false, true},
        {"anderes Fenster", [](Attrappe::Stand& s) { s.neuesFenster = true; }, true, true, false},
    };
    const auto e = test::Notizen(20, QStringLiteral("Besprechung um zehn Uhr im grossen Raum"));
    for (const AusweichFall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        Aufbau a(test::Schrift("DejaVu Sans", 10, false, true));
        a.zeigen(e, true, 101);
        a.zeigen(e, true, -1500);
        ASSERT_TRUE(a.band->AufServer());
        const long hochgeladen = a.band->Statistik().hochgeladen;
        fall.stoerung(*a.stand);
        for (double x = -1530; x > -2130; x -= 30) {
            a.zeigen(e, true, x);
            EXPECT_EQ(a.band->AufServer(), fall.aufServer);
        }
        EXPECT_EQ(a.band->Statistik().hochgeladen > hochgeladen, fall.bilderNeu);
        EXPECT_EQ(a.stand->bilder.empty(), fall.bilderFrei);
        // Whichever way, Qt's picture of the band is right.
        EXPECT_EQ(AbweichendePixel(rgb(a.band->grab().toImage()), rgb(a.vorbild.grab().toImage())),
                  0);
    }
}

// ---- what a step costs

// Steps within what is rendered lay out nothing, render nothing, send no
// picture and allocate nothing; a new tile coming into view is rendered and
// sent once.
TEST(BandServer, SchrittOhneLayoutUndAllokation) {
    Aufbau a(test::Schrift("DejaVu Sans", 10, false, true), QSize(1920, 24));
    const auto e = test::Notizen(40, QStringLiteral("Besprechung um zehn Uhr im grossen Raum"));
    a.zeigen(e, true, 101);
    // The text has come in from the margin: the band lies in the first tile.
    double x = -1500;
    a.zeigen(e, true, x);
    ASSERT_TRUE(a.band->AufServer());
    const Band::Zaehler vorher = a.band->Statistik();
    // 40 px a second for two and a half seconds: within the first tile.
    const long neu = allokationen([&] {
        for (int i = 0; i < 50; ++i)
            a.band->Zeigen(e, trenner, true, x -= 30);
    });
    EXPECT_EQ(neu, 0);
    const Band::Zaehler nachher = a.band->Statistik();
    EXPECT_EQ(nachher.auslegen, vorher.auslegen);
    EXPECT_EQ(nachher.gemalt, vorher.gemalt);
    EXPECT_EQ(nachher.hochgeladen, vorher.hochgeladen);
    EXPECT_EQ(nachher.serverSchritte, vorher.serverSchritte + 50);
    // One copy a step, whatever part of the text is in view, and one
    // request to send it.
    EXPECT_EQ(a.stand->kopien, 51);
    EXPECT_EQ(a.stand->sendungen, 51);

    // Scrolled across the next tiles: one rendering and one upload each.
    const int kacheln = 3;
    for (int i = 0; i < kacheln * Band::KachelBreite / 2; ++i)
        a.band->Zeigen(e, trenner, true, x -= 30);
    const Band::Zaehler spaeter = a.band->Statistik();
    EXPECT_EQ(spaeter.hochgeladen - nachher.hochgeladen, kacheln);
    EXPECT_EQ(spaeter.gemalt - nachher.gemalt, kacheln);
    EXPECT_EQ(a.stand->kopien, 51 + kacheln * Band::KachelBreite / 2);
    // The tile in view and the next one.
    EXPECT_EQ(a.stand->bilder.size(), 2u);

    // The slowest speed, a third of a pixel a step: a copy every third step,
    // and the picture still Qt's.
    const long kopien = a.stand->kopien;
    for (int i = 0; i < 30; ++i)
        a.zeigen(e, true, x -= 5);
    EXPECT_EQ(a.stand->kopien - kopien, 10);
    EXPECT_EQ(AbweichendePixel(a.aufDemServer(), rgb(a.vorbild.grab().toImage())), 0);
}

// The bar's tick with the text unchanged: nothing allocated, and the date
// and clock panels painted only when their text changes.
TEST(BandServer, TickOhneAllokationUhrNurBeiNeuerSekunde) {
    TestUmgebung u;
    Programm& p = u.p;
    test::LeisteEinstellen(p);
    p.Sprache = 2;
    p.uhr.Stellen(QDateTime(QDate(2026, 12, 8), QTime(23, 59, 58)));
    test::LangeNotizen(p);
    Terminal leiste(p);
    leiste.Timer1Aktiv(false);
    auto stand = std::make_shared<Attrappe::Stand>();
    leiste.NotizPan()->AusgabeSetzen(std::make_unique<Attrappe>(stand));
    leiste.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&leiste));
    leiste.Tick(); // the rebuild: the text is new
    // The text comes in from the margin; then the band lies in one tile.
    for (int i = 0; i < 10; ++i)
        leiste.Tick();
    QCoreApplication::processEvents();
    ASSERT_TRUE(leiste.NotizPan()->AufServer());

    struct Maler : QObject {
        bool eventFilter(QObject* o, QEvent* ereignis) override {
            if (ereignis->type() == QEvent::Paint)
                ++malen[o];
            return false;
        }
        std::map<QObject*, int> malen;
    } zaehler;
    leiste.DatumPan()->installEventFilter(&zaehler);
    leiste.UhrPan()->installEventFilter(&zaehler);

    struct Schritt {
        const char* was;
        qint64 sekundenVor;
        bool allokationFrei;
        int uhrMalen;
        int datumMalen;
    };
    const Schritt schritte[] = {
        {"dieselbe Sekunde", 0, true, 0, 0},
        {"naechste Sekunde", 1, false, 1, 0},
        {"dieselbe Sekunde", 0, true, 0, 0},
        {"Mitternacht", 1, false, 1, 1},
    };
    for (const Schritt& s : schritte) {
        SCOPED_TRACE(s.was);
        p.uhr.Vorstellen(s.sekundenVor);
        zaehler.malen.clear();
        // Twenty ticks, one second's worth; no rebuild comes due in them.
        p.aufbauZaehler = 0;
        const long neu = allokationen([&] {
            for (int i = 0; i < 20; ++i)
                leiste.Tick();
        });
        if (s.allokationFrei) {
            EXPECT_EQ(neu, 0);
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(zaehler.malen[leiste.UhrPan()], s.uhrMalen);
        EXPECT_EQ(zaehler.malen[leiste.DatumPan()], s.datumMalen);
    }
    EXPECT_EQ(leiste.UhrPan()->text(), QStringLiteral("00:00:00"));
    EXPECT_TRUE(leiste.NotizPan()->AufServer());
    leiste.DatumPan()->removeEventFilter(&zaehler);
    leiste.UhrPan()->removeEventFilter(&zaehler);
}

} // namespace
