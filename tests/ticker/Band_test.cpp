// The band's pictures against the band drawn the plain way, and the memory
// it keeps for very long texts.

#include "Band.h"
#include "BandBilder.h"
#include "Programm.h"
#include "TestHilfe.h"
#include "TickerInhalt.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <gtest/gtest.h>

using namespace pinwick;
using pinwick::test::AbweichendePixel;
using pinwick::test::NotizEinfuegen;
using pinwick::test::NotizZeile;
using pinwick::test::Schrift;
using pinwick::test::TestUmgebung;

namespace {

const QString& trenner = test::BandTrenner;
constexpr int TextOben = 60;

std::vector<Eintrag> notizen(int anzahl, int zeichen) {
    std::vector<Eintrag> e;
    e.reserve(anzahl);
    for (int i = 0; i < anzahl; ++i)
        e.push_back({int16_t(i % 3 == 0 ? Eintrag::Broadcast : Eintrag::Eigene),
                     QStringLiteral("Notiz %1 ").arg(i) + test::Woerter(zeichen, quint32(i))});
    return e;
}

// The band drawn the plain way: every entry with its space and separator
// straight onto one picture of the band's size, pass after pass.
struct Vorbild {
    QImage bild;
    int pass = 0; // pixels
};
Vorbild vorbild(const QFont& f, const std::vector<Eintrag>& eintraege, bool scrollend,
                QSize groesse, double xTwips) {
    struct Teil {
        QString text;
        QColor farbe;
        int links;
    };
    const QFontMetrics fm(f);
    std::vector<Teil> teile;
    int links = 0;
    for (size_t i = 0; i < eintraege.size(); ++i) {
        const QString text = eintraege[i].text + u' ';
        teile.push_back(
            {text, eintraege[i].quelle == Eintrag::Eigene ? Qt::red : Qt::green, links});
        links += fm.horizontalAdvance(text);
        if (i + 1 < eintraege.size() || scrollend) {
            teile.push_back({trenner + u' ', Qt::red, links});
            links += fm.horizontalAdvance(trenner + u' ');
        }
    }
    Vorbild v;
    v.pass = links;
    QPixmap bild(groesse);
    bild.fill(Qt::black);
    QPainter maler(&bild);
    maler.setFont(f);
    const qreal grundlinie = std::round(TextOben / 15.0) + fm.ascent();
    qint64 start = std::llround(xTwips / 15);
    const auto malen = [&](qint64 von) {
        for (const Teil& t : teile) {
            maler.setPen(t.farbe);
            maler.drawText(QPointF(von + t.links, grundlinie), t.text);
        }
    };
    if (!scrollend) {
        malen(start);
    } else {
        if (start + v.pass <= 0)
            start += ((-start) / v.pass) * v.pass;
        for (; start < groesse.width(); start += v.pass)
            malen(start);
    }
    maler.end();
    v.bild = bild.toImage().convertToFormat(QImage::Format_RGB32);
    return v;
}

QImage bandBild(Band& band) {
    return band.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool hatText(const QImage& bild) {
    for (int y = 0; y < bild.height(); ++y)
        for (int x = 0; x < bild.width(); ++x)
            if (bild.pixel(x, y) != qRgb(0, 0, 0))
                return true;
    return false;
}

// ---- the picture: tiles, seams, repetitions and colours as if drawn in one go

struct BildFall {
    const char* name;
    QFont schrift;
    std::vector<Eintrag> eintraege;
    bool scrollend;
};

TEST(BandBild, GleichDemInEinemZugGezeichneten) {
    const QString lang = test::Woerter(3000, 7); // drawn in pieces
    const BildFall faelle[] = {
        {"zwei kurze",
         Schrift("DejaVu Sans", 12),
         {{Eintrag::Eigene, QStringLiteral("MMMM")}, {Eintrag::Broadcast, QStringLiteral("MMMM")}},
         true},
        {"zwei kurze, stehend",
         Schrift("DejaVu Sans", 12),
         {{Eintrag::Eigene, QStringLiteral("MMMM")}, {Eintrag::Broadcast, QStringLiteral("MMMM")}},
         false},
        {"zwanzig fett", Schrift("DejaVu Sans", 10, false, true), notizen(20, 40), true},
        {"zwanzig kursiv", Schrift("DejaVu Sans", 12, true), notizen(20, 40), true},
        {"zwanzig Serif, stehend", Schrift("DejaVu Serif", 14), notizen(20, 40), false},
        {"ein langer Eintrag zwischen kurzen",
         Schrift("DejaVu Sans", 10),
         {{Eintrag::Eigene, QStringLiteral("vorher")},
          {Eintrag::Broadcast, lang},
          {Eintrag::Eigene, QStringLiteral("nachher")}},
         true},
        {"ein langer Eintrag kursiv",
         Schrift("DejaVu Sans", 12, true),
         {{Eintrag::Broadcast, lang}},
         true},
    };
    const QSize groesse(1700, 24);
    for (const BildFall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        Band band;
        band.resize(groesse);
        band.Aussehen(fall.schrift, Qt::black, Qt::red, Qt::green, TextOben);
        const int pass = vorbild(fall.schrift, fall.eintraege, fall.scrollend, groesse, 0).pass;
        ASSERT_GT(pass, 0);
        // At the margin; a little on; half a pass on; with the end of the
        // pass and its repetition in view; at a tile's seam; several passes
        // on; exactly one pass on.
        const double stellen[] = {101,
                                  -1000,
                                  -15.0 * (pass / 2),
                                  -15.0 * (pass - groesse.width() / 2),
                                  -15.0 * (Band::KachelBreite - 800),
                                  -15.0 * (3 * pass) + 7 * 15,
                                  -15.0 * pass};
        for (double x : stellen) {
            SCOPED_TRACE(x);
            band.Zeigen(fall.eintraege, trenner, fall.scrollend, x);
            const QImage erwartet =
                vorbild(fall.schrift, fall.eintraege, fall.scrollend, groesse, x).bild;
            EXPECT_EQ(AbweichendePixel(bandBild(band), erwartet), 0);
        }
        EXPECT_EQ(band.PassBreite(), 15 * pass);
    }
}

// A new number with the same texts in other sources recolours the band; the
// same number is taken at its word.
TEST(BandBild, NeueNummerNeueFarben) {
    Band band;
    band.resize(600, 24);
    const QFont f = Schrift("DejaVu Sans", 12);
    band.Aussehen(f, Qt::black, Qt::red, Qt::green, TextOben);
    std::vector<Eintrag> e = {{Eintrag::Eigene, QStringLiteral("MMMM")},
                              {Eintrag::Eigene, QStringLiteral("WWWW")}};
    band.Zeigen(e, 1, trenner, false, 101);
    EXPECT_EQ(AbweichendePixel(bandBild(band), vorbild(f, e, false, band.size(), 101).bild), 0);
    e[1].quelle = Eintrag::Broadcast;
    band.Zeigen(e, 2, trenner, false, 101);
    EXPECT_EQ(AbweichendePixel(bandBild(band), vorbild(f, e, false, band.size(), 101).bild), 0);
}

// ---- memory: what is kept follows the band's width, not the text's length

struct SpeicherFall {
    const char* name;
    std::vector<Eintrag> eintraege;
};

TEST(BandSpeicher, KachelnBleibenBeiLangenTextenWenige) {
    const QString megabyte = test::Woerter(1000000, 3);
    const SpeicherFall faelle[] = {
        {"eine Notiz von 1 MB", {{Eintrag::Eigene, megabyte}}},
        {"100.000 Notizen", notizen(100000, 30)},
        {"1 MB in drei Notizen",
         {{Eintrag::Broadcast, megabyte.left(400000)},
          {Eintrag::Eigene, QStringLiteral("kurz")},
          {Eintrag::Eigene, megabyte.mid(400000)}}},
    };
    const QSize groesse(1920, 24);
    // The tiles across the band, one more where the band's left edge cuts a
    // tile and one more where a pass ends inside the band, and the tile
    // about to come.
    const qint64 kachelnHoechstens =
        (groesse.width() + Band::KachelBreite - 1) / Band::KachelBreite + 3;
    for (const SpeicherFall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        Band band;
        band.resize(groesse);
        band.Aussehen(Schrift("DejaVu Sans", 10, false, true), Qt::black, Qt::red, Qt::green,
                      TextOben);
        const auto pruefen = [&](double x) {
            SCOPED_TRACE(x);
            band.Zeigen(fall.eintraege, trenner, true, x);
            EXPECT_TRUE(hatText(bandBild(band)));
            EXPECT_LE(band.KachelAnzahl(), kachelnHoechstens);
            EXPECT_LE(band.KachelPixel(),
                      kachelnHoechstens * Band::KachelBreite * groesse.height());
        };

        // Shown from the start, the pass is laid out only a little beyond
        // the band.
        pruefen(101);
        EXPECT_FALSE(band.PassFertig());
        EXPECT_LE(band.PassBreiteMindestens(), 15 * 3 * (groesse.width() + Band::KachelBreite));

        // All along the pass, at its end with the repetition in view, and
        // passes further on.
        const qint64 pass = band.PassBreite();
        ASSERT_GT(pass, 100 * 15 * groesse.width());
        for (int teil = 1; teil <= 6; ++teil)
            pruefen(-double(pass) * teil / 7);
        pruefen(-double(pass) + 15 * groesse.width() / 2);
        pruefen(-5.0 * double(pass) - 15 * 333);
    }
}

// ---- the entry list changes, and its number with it, only when the notes do

TEST(BandEintraege, NummerAendertSichNurMitDerListe) {
    TestUmgebung u;
    u.p.eigeneErlauben = true;
    TickerInhalt inhalt(u.p);
    inhalt.textBreite = [](const QString& t) { return int(t.size()) * 100; };
    inhalt.bandBreite = [] { return 100000; };
    int neustarts = 0;
    inhalt.textNeu = [&] { ++neustarts; };
    const auto notiz = [&](const char* text) {
        NotizZeile z;
        z.inhalt = QString::fromUtf8(text);
        z.rhythmus = 0;
        NotizEinfuegen(*u.p.lokaleNotizen, z);
    };

    struct Schritt {
        const char* was;
        std::function<void()> vorher;
        bool neueNummer;
        int eintraege;
        bool textLeer;
    };
    const Schritt schritte[] = {
        {"eine Notiz", [&] { notiz("Erste"); }, true, 1, false},
        {"nichts geaendert", [] {}, false, 1, false},
        {"eine zweite Notiz", [&] { notiz("Zweite"); }, true, 2, false},
        {"nichts geaendert", [] {}, false, 2, false},
        // No note due: the text is empty and the list stays.
        {"eigene Notizen aus", [&] { u.p.eigeneErlauben = false; }, false, 2, true},
        // The same notes again: the list never changed.
        {"eigene Notizen wieder an", [&] { u.p.eigeneErlauben = true; }, false, 2, false},
    };
    for (const Schritt& s : schritte) {
        SCOPED_TRACE(s.was);
        s.vorher();
        const uint64_t stand = u.p.eintraegeStand;
        u.p.aufbauZaehler = 100;
        inhalt.NotizMachen();
        EXPECT_EQ(u.p.eintraegeStand != stand, s.neueNummer);
        EXPECT_EQ(int(u.p.eintraege.size()), s.eintraege);
        EXPECT_EQ(u.p.gezeigterText.isEmpty(), s.textLeer);
    }
    EXPECT_EQ(neustarts, 4);
}

} // namespace
