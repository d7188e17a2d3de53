// The windows as the user sees them, pixel by pixel: the bar, the note editor
// in each rhythm, the administration, the settings window and the password
// prompt, each in English and German, rendered offscreen and compared with
// the reference pictures in tests/bilder/referenz/. A change of layout, text,
// colour or font that nobody meant shows up here.
//
// On a difference the test writes the picture it got and a difference picture
// (changed pixels red on a faded reference) to build/tests/bilder-abweichung/.
// After a deliberate change of a window, new references are written into the
// source tree with
//     PINWICK_BILDER_NEU=1 ctest -R bilder
// and committed with the change; look at them before you do.
//
// The pictures only compare between runs that draw alike: the environment
// below is fixed before the application starts (platform, fonts, locale,
// scaling, time zone), the clock stands still, and no window is shown, so
// none has the focus or a blinking cursor.

#include "Animation.h"
#include "BandBilder.h"
#include "Einstellungen.h"
#include "EinstellungsSatz.h"
#include "FeedFenster.h"
#include "FeedQuellen.h"
#include "Notizen.h"
#include "PassTest.h"
#include "TestHilfe.h"
#include "TestLeiste.h"
#include "Verwaltung.h"

#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>

using namespace pinwick;

namespace {

// Runs before main() makes the QApplication, whether ctest or a developer
// starts the program.
const bool umgebungFest = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("FONTCONFIG_FILE", PINWICK_BILDER_QUELLE "/fonts.conf");
    qputenv("LC_ALL", "C.UTF-8");
    qputenv("LANG", "C.UTF-8");
    qputenv("TZ", "UTC");
    qputenv("QT_FONT_DPI", "96");
    qputenv("QT_SCALE_FACTOR", "1");
    for (const char* name :
         {"FONTCONFIG_PATH", "FONTCONFIG_SYSROOT", "LANGUAGE", "LC_TIME", "QT_QPA_PLATFORMTHEME",
          "QT_STYLE_OVERRIDE", "QT_SCREEN_SCALE_FACTORS", "QT_ENABLE_HIGHDPI_SCALING",
          "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_USE_PHYSICAL_DPI", "QT_SCALE_FACTOR_ROUNDING_POLICY",
          "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION"})
        qunsetenv(name);
    return true;
}();

const QDate mittwoch(2026, 12, 9);

// One note of each rhythm, written as the editor stores them; returns their
// IDs in rhythm order (permanent, daily, weekly, monthly, yearly).
std::vector<qint64> NotizenAnlegen(Programm& p) {
    const int tag = int(QDate(1899, 12, 30).daysTo(mittwoch));
    const auto zeile = [&](const char* text, int rhythmus) {
        test::NotizZeile z;
        z.inhalt = QString::fromUtf8(text);
        z.rhythmus = rhythmus;
        if (rhythmus >= RhythmusTaeglich) {
            z.uhrVon = 9.0 / 24;
            z.uhrBis = 17.5 / 24;
        }
        if (rhythmus >= RhythmusWoechentlich)
            z.startDatum = double(tag);
        return z;
    };
    std::vector<test::NotizZeile> zeilen = {
        zeile("Altpapier zur Sammelstelle bringen", RhythmusPermanent),
        zeile("Daily stand-up in room 4", RhythmusTaeglich),
        zeile("Wochenmarkt: Äpfel, Käse, Brot", RhythmusWoechentlich),
        zeile("Monthly report to the board", RhythmusMonatlich),
        zeile("Geburtstag von Tante Grete", RhythmusJaehrlich),
    };
    zeilen[2].dauer = 6;
    zeilen[2].rhyDetails = QStringLiteral("-1 0-1 0 0 0 0"); // Monday and Wednesday
    zeilen[3].uhrVon = zeilen[3].uhrBis = 0;                 // the whole day
    zeilen[3].vorher = 2;
    zeilen[3].rhyDetails = QStringLiteral("254"); // the last Friday
    zeilen[4].vorher = 7;
    zeilen[4].rhyDetails = QStringLiteral("21030112"); // 21 March and 1 December
    std::vector<qint64> ids;
    for (const test::NotizZeile& z : zeilen)
        ids.push_back(test::NotizEinfuegen(*p.lokaleNotizen, z));
    return ids;
}

// The bar after `ticks` ticks of its own clock-free timer: with short notes
// it stands at the margin, with long ones it has scrolled 30 twips a tick.
std::unique_ptr<QWidget> Leiste(Programm& p, bool lang, int ticks) {
    if (lang)
        test::LangeNotizen(p, 6);
    else
        NotizenAnlegen(p);
    auto leiste = std::make_unique<test::TestLeiste>(p, test::TestLeiste::Takt::VomTest);
    for (int i = 0; i < ticks; ++i)
        leiste->Tick();
    return leiste;
}

std::unique_ptr<QWidget> Editor(Programm& p, int rhythmus) {
    const std::vector<qint64> ids = NotizenAnlegen(p);
    if (rhythmus < 0)
        return std::make_unique<Notizen>(p, NotizModus::Neu);
    p.lokaleNotizen->FindLast(QStringLiteral("ID = %1").arg(ids[size_t(rhythmus)]));
    return std::make_unique<Notizen>(p, NotizModus::Bearbeiten);
}

struct Fall {
    std::string name; // the picture's file name without ".png"
    int16_t sprache;
    std::function<std::unique_ptr<QWidget>(Programm&)> fenster;
};

std::vector<Fall> Faelle() {
    struct Fenster {
        const char* name;
        std::function<std::unique_ptr<QWidget>(Programm&)> bauen;
    };
    const Fenster fenster[] = {
        {"leiste_steht", [](Programm& p) { return Leiste(p, false, 3); }},
        {"leiste_laeuft", [](Programm& p) { return Leiste(p, true, 25); }},
        {"notizen_neu", [](Programm& p) { return Editor(p, -1); }},
        {"notizen_permanent", [](Programm& p) { return Editor(p, RhythmusPermanent); }},
        {"notizen_taeglich", [](Programm& p) { return Editor(p, RhythmusTaeglich); }},
        {"notizen_woechentlich", [](Programm& p) { return Editor(p, RhythmusWoechentlich); }},
        {"notizen_monatlich", [](Programm& p) { return Editor(p, RhythmusMonatlich); }},
        {"notizen_jaehrlich", [](Programm& p) { return Editor(p, RhythmusJaehrlich); }},
        {"verwaltung",
         [](Programm& p) {
             NotizenAnlegen(p);
             return std::make_unique<Verwaltung>(p);
         }},
        {"einstellungen",
         [](Programm& p) {
             auto fenster = std::make_unique<Einstellungen>(p, nullptr);
             // A stored password is never shown: the box holds one being
             // typed, so that the picture keeps the masked field.
             fenster->findChild<QLineEdit*>(QStringLiteral("PasswortTex"))->setText(p.passWort);
             return fenster;
         }},
        {"passtest", [](Programm& p) { return std::make_unique<PassTest>(p); }},
        {"feeds",
         [](Programm& p) {
             p.lokaleDatenbank->SchemaErgaenzen();
             FeedQuelle an;
             an.adresse = QStringLiteral("https://news.example/feed.xml");
             an.titel = QStringLiteral("Intranet");
             FeedQuelle aus;
             aus.adresse = QStringLiteral("https://status.example/atom");
             aus.aktiv = false;
             FeedHinzufuegen(*p.lokaleDatenbank, an);
             FeedHinzufuegen(*p.lokaleDatenbank, aus);
             return std::make_unique<FeedFenster>(p, nullptr);
         }},
    };
    std::vector<Fall> faelle;
    for (const auto& [sprache, kuerzel] : {std::pair<int16_t, const char*>{1, "en"}, {2, "de"}})
        for (const Fenster& f : fenster)
            faelle.push_back({std::string(f.name) + '_' + kuerzel, sprache, f.bauen});
    return faelle;
}

// Changed pixels red over a faded reference; where the sizes differ, the
// larger extent.
QImage Unterschied(const QImage& soll, const QImage& ist) {
    QImage bild(soll.size().expandedTo(ist.size()), QImage::Format_RGB32);
    bild.fill(Qt::white);
    QPainter maler(&bild);
    maler.setOpacity(0.25);
    maler.drawImage(0, 0, soll);
    maler.end();
    for (int y = 0; y < bild.height(); ++y)
        for (int x = 0; x < bild.width(); ++x) {
            const bool inSoll = soll.rect().contains(x, y), inIst = ist.rect().contains(x, y);
            if (inSoll != inIst || (inSoll && soll.pixel(x, y) != ist.pixel(x, y)))
                bild.setPixel(x, y, qRgb(255, 0, 0));
        }
    return bild;
}

class Bild : public ::testing::TestWithParam<Fall> {};

TEST_P(Bild, GleichtDerReferenz) {
    ASSERT_TRUE(umgebungFest);
    const Fall& fall = GetParam();
    Animation::schrittMs = 0;
    test::TestUmgebung u;
    Programm& p = u.p;
    EinstellungenLaden(p);
    test::LeisteEinstellen(p);
    p.Sprache = fall.sprache;
    p.tonAn = false;
    p.Speed = 30;
    p.passWort = QStringLiteral("geheim");
    p.uhr.Stellen(QDateTime(mittwoch, QTime(13, 5, 9)));

    const std::unique_ptr<QWidget> fenster = fall.fenster(p);
    const QImage ist = fenster->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(ist.isNull());

    const QString datei = QString::fromStdString(fall.name) + QStringLiteral(".png");
    const QString referenz = QStringLiteral(PINWICK_BILDER_QUELLE "/referenz/") + datei;
    if (qEnvironmentVariableIntValue("PINWICK_BILDER_NEU") == 1) {
        ASSERT_TRUE(ist.save(referenz, "PNG", 0)) << referenz.toStdString();
        return;
    }
    QImage soll(referenz);
    ASSERT_FALSE(soll.isNull()) << "no reference " << referenz.toStdString()
                                << " (PINWICK_BILDER_NEU=1 writes it)";
    soll = soll.convertToFormat(QImage::Format_RGB32);
    const int abweichend = test::AbweichendePixel(soll, ist, true);
    if (abweichend == 0)
        return;

    const QDir ablage(QStringLiteral(PINWICK_BILDER_ABWEICHUNG));
    ablage.mkpath(QStringLiteral("."));
    const QString istDatei = ablage.filePath(datei);
    const QString diffDatei = ablage.filePath(QString::fromStdString(fall.name) + "_diff.png");
    ist.save(istDatei, "PNG");
    Unterschied(soll, ist).save(diffDatei, "PNG");
    ADD_FAILURE() << datei.toStdString() << ": "
                  << (abweichend < 0
                          ? "size " + std::to_string(ist.width()) + "x" +
                                std::to_string(ist.height()) + " instead of " +
                                std::to_string(soll.width()) + "x" + std::to_string(soll.height())
                          : std::to_string(abweichend) + " pixels differ")
                  << " from " << referenz.toStdString() << "\n  drawn: " << istDatei.toStdString()
                  << "\n  difference: " << diffDatei.toStdString();
}

// ctest names each case by what this prints: bilder/Bild.GleichtDerReferenz/passtest_de.
void PrintTo(const Fall& fall, std::ostream* os) {
    *os << fall.name;
}

INSTANTIATE_TEST_SUITE_P(bilder, Bild, ::testing::ValuesIn(Faelle()));

} // namespace
