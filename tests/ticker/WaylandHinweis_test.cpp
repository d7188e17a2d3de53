// The bar's tooltip on the layer surface without a compositor: which text
// a point of the bar answers (as Qt's tooltip on X11 would), how a long text
// is wrapped and cut, where the popup lies on the output, and how far the
// pointer may tremble before it goes.

#include "Band.h"
#include "Panel3D.h"
#include "Terminal.h"
#include "TestHilfe.h"
#include "WaylandHinweis.h"
#include "WaylandRegeln.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace pinwick;

namespace {

TEST(WaylandHinweis, TextAnEinerStelle) {
    // A bar of 300 x 20 with its own tooltip: a panel with one, one
    // without, a hidden one with one, and a band.
    QWidget leiste;
    leiste.resize(300, 20);
    leiste.setToolTip(QStringLiteral("Leiste"));
    QWidget mit(&leiste), ohne(&leiste), versteckt(&leiste);
    mit.setGeometry(0, 0, 50, 20);
    mit.setToolTip(QStringLiteral("Datum"));
    ohne.setGeometry(50, 0, 50, 20);
    versteckt.setGeometry(250, 0, 50, 20);
    versteckt.setToolTip(QStringLiteral("versteckt"));
    versteckt.hide();
    Band band(&leiste);
    band.setGeometry(100, 0, 150, 20);

    struct Fall {
        const char* was;
        QPoint stelle;
        const char* eintrag; // what the band says of the entry under the point
        const char* bandHinweis;
        const char* erwartet;
    };
    const Fall faelle[] = {
        {"Panel mit eigenem", {10, 10}, "", "", "Datum"},
        {"Panel ohne: die Leiste", {60, 10}, "", "", "Leiste"},
        {"versteckt: die Leiste", {260, 10}, "", "", "Leiste"},
        {"Band mit Eintrag", {150, 10}, "Zusammenfassung", "", "Zusammenfassung"},
        {"Eintrag vor dem Band", {150, 10}, "Zusammenfassung", "ganze Notiz", "Zusammenfassung"},
        {"abgeschnittene Notiz", {150, 10}, "", "ganze Notiz", "ganze Notiz"},
        {"Band ohne: die Leiste", {150, 10}, "", "", "Leiste"},
        {"am Rand der Leiste", {299, 19}, "", "", "Leiste"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        const QString eintrag = QString::fromUtf8(f.eintrag);
        band.hinweisFuer = [eintrag](int) { return eintrag; };
        band.setToolTip(QString::fromUtf8(f.bandHinweis));
        EXPECT_EQ(WidgetHinweis(&leiste, f.stelle), QString::fromUtf8(f.erwartet));
    }
    leiste.setToolTip({});
    band.hinweisFuer = nullptr;
    band.setToolTip({});
    EXPECT_EQ(WidgetHinweis(&leiste, {150, 10}), QString()) << "nothing to say: no tooltip";
    EXPECT_EQ(WidgetHinweis(nullptr, {0, 0}), QString());
}

// The real bar answers with its keys wherever no feed item is under the
// pointer: on the band, the date and the clock.
TEST(WaylandHinweis, LeisteNenntIhreTasten) {
    test::TestUmgebung u;
    test::LeisteEinstellen(u.p);
    u.p.zeigDatum = true;
    test::LangeNotizen(u.p, 2);
    Terminal leiste(u.p);
    leiste.Timer1Aktiv(false);
    leiste.Tick();
    ASSERT_FALSE(leiste.toolTip().isEmpty());
    const QWidget* teile[] = {leiste.NotizPan(), leiste.DatumPan(), leiste.UhrPan()};
    for (const QWidget* teil : teile) {
        SCOPED_TRACE(teil->metaObject()->className());
        if (teil->isHidden())
            continue;
        const QPoint mitte = teil->mapTo(&leiste, teil->rect().center());
        EXPECT_EQ(WidgetHinweis(&leiste, mitte), leiste.toolTip());
    }
}

TEST(WaylandHinweis, Umbrechen) {
    const QString sechzig = QString(60, QChar('a'));
    struct Fall {
        const char* was;
        QString text;
        int zeichen, zeilen;
        QString erwartet;
    };
    const Fall faelle[] = {
        {"kurz", QStringLiteral("Leertaste: anhalten"), 60, 12,
         QStringLiteral("Leertaste: anhalten")},
        {"leer", QString(), 60, 12, QString()},
        {"genau eine Zeile", sechzig, 60, 12, sechzig},
        {"an Leerzeichen", QStringLiteral("eins zwei drei vier"), 9, 12,
         QStringLiteral("eins zwei\ndrei vier")},
        {"langes Wort geteilt", QStringLiteral("abcdefghij kl"), 4, 12,
         QStringLiteral("abcd\nefgh\nij\nkl")},
        {"Zeilenumbrueche bleiben", QStringLiteral("a\r\nb\n\nc"), 60, 12,
         QStringLiteral("a\nb\n\nc")},
        {"Tab als Leerzeichen", QStringLiteral("a\tb"), 60, 12, QStringLiteral("a b")},
        {"Leerzeilen am Ende weg", QStringLiteral("a\n\n  \n"), 60, 12, QStringLiteral("a")},
        {"gekappt mit Auslassung", QStringLiteral("a\nb\nc\nd"), 60, 2,
         QStringLiteral("a\nb") + QChar(0x2026)},
        {"volle letzte Zeile gekuerzt", QStringLiteral("abcd efgh ijkl"), 4, 2,
         QStringLiteral("abcd\nefg") + QChar(0x2026)},
        {"unsinnige Grenzen", QStringLiteral("ab"), 0, 0, QString(QChar(0x2026))},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        EXPECT_EQ(HinweisUmbrechen(f.text, f.zeichen, f.zeilen), f.erwartet);
    }
    // A megabyte-long note stays a few lines.
    const QString lang = HinweisUmbrechen(QString(1 << 20, QChar('x')));
    EXPECT_EQ(lang.count(QChar('\n')), 11);
    EXPECT_LE(lang.size(), 12 * 61);
}

TEST(WaylandHinweis, LageAufDerAusgabe) {
    struct Fall {
        const char* was;
        QSize hinweis;
        QPointF zeiger;
        int breite, hoehe;
        bool unten;
        QPoint erwartet;
    };
    const Fall faelle[] = {
        {"oben, in der Mitte: darunter", {100, 30}, {500.7, 10.2}, 1280, 24, false, {500, 30}},
        {"unten: darueber", {100, 30}, {500, 10}, 1280, 24, true, {500, -24}},
        {"am rechten Rand eingerueckt", {100, 30}, {1270, 5}, 1280, 24, false, {1180, 25}},
        {"am linken Rand", {100, 30}, {0, 5}, 1280, 24, false, {0, 25}},
        {"breiter als die Ausgabe: links", {2000, 30}, {700, 5}, 1280, 24, false, {0, 25}},
        {"Zeiger jenseits der Flaeche", {100, 30}, {1500, 40}, 1280, 24, false, {1180, 43}},
        {"Zeiger links ausserhalb", {100, 30}, {-3, -2}, 1280, 24, true, {0, -34}},
        {"schmale Ausgabe bei Skala 2 (logische Pixel)",
         {200, 40},
         {630, 3},
         640,
         48,
         true,
         {440, -41}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        const QPoint lage = HinweisLage(f.hinweis, f.zeiger, f.breite, f.hoehe, f.unten);
        EXPECT_EQ(lage, f.erwartet);
        // Within the output's width wherever it fits.
        if (f.hinweis.width() <= f.breite) {
            EXPECT_GE(lage.x(), 0);
            EXPECT_LE(lage.x() + f.hinweis.width(), f.breite);
        }
        // Never over the pointer's own spot.
        EXPECT_TRUE(f.unten ? lage.y() + f.hinweis.height() <= f.zeiger.y()
                            : lage.y() > f.zeiger.y());
    }
}

TEST(WaylandHinweis, BleibtBeiEinemZittern) {
    struct Fall {
        QPointF jetzt;
        bool bleibt;
    };
    const Fall faelle[] = {
        {{100, 10}, true},    {{102, 12}, true},  {{96, 10}, true},
        {{104.5, 10}, false}, {{103, 12}, false}, {{100, 40}, false},
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(HinweisBleibt({100, 10}, f.jetzt), f.bleibt) << f.jetzt.x() << "," << f.jetzt.y();
}

} // namespace
