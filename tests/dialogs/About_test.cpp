#include "About.h"
#include "Oberflaeche.h"
#include "Intro.h"
#include "Masse.h"
#include "Panel3D.h"
#include "Version.h"

#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace pinwick;

namespace {

TEST(VersionsTextTest, PunktUnabhaengigVomGebietsschema) {
    const QLocale vorher;
    for (const char* gebiet : {"en_US", "de_DE", "fr_FR"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(gebiet)));
        SCOPED_TRACE(gebiet);
        EXPECT_EQ(VersionsText(301, 1), QStringLiteral("Build 3.01"));
        EXPECT_EQ(VersionsText(301, 2), QStringLiteral("Version 3.01"));
        EXPECT_EQ(VersionsText(300, 2), QStringLiteral("Version 3.00"));
        EXPECT_EQ(VersionsText(5, 1), QStringLiteral("Build 0.05"));
    }
    QLocale::setDefault(vorher);
    EXPECT_EQ(VersionsText(301, 0), QStringLiteral("Version 3.01"));
}

TEST(AboutTest, TexteJeSprache) {
    struct Fall {
        int16_t sprache;
        const char8_t *titel, *zeile, *version, *link, *knopf;
    };
    const Fall faelle[] = {
        {1, u8"About ...", u8"Notes and News System for Windows", u8"Build 3.01",
         u8"Pinwick in the web", u8"Close"},
        {2, u8"\u00DCber ...", u8"Notiz- und Nachrichtensystem f\u00FCr Windows", u8"Version 3.01",
         u8"Pinwick im Web", u8"Schlie\u00DFen"},
        {0, u8"\u00DCber ...", u8"Notiz- und Nachrichtensystem f\u00FCr Windows", u8"Version 3.01",
         u8"Pinwick im Web", u8"Schlie\u00DFen"},
    };
    for (const Fall& f : faelle) {
        Programm p;
        p.Sprache = f.sprache;
        About box(p);
        SCOPED_TRACE(testing::Message() << "Sprache " << f.sprache);
        EXPECT_EQ(box.windowTitle(), QString::fromUtf8(f.titel));
        EXPECT_EQ(box.textLab(1)->text(), QStringLiteral("Pinwick"));
        EXPECT_EQ(box.textLab(2)->text(), QString::fromUtf8(f.zeile));
        EXPECT_EQ(box.textLab(3)->text(), QString::fromUtf8(f.version));
        EXPECT_EQ(box.textLab(12)->text(), QString::fromUtf8(f.link));
        EXPECT_EQ(box.endeBef()->text(), QString::fromUtf8(f.knopf));
        EXPECT_FALSE(box.textLab(4)->text().isEmpty());
        EXPECT_FALSE(box.textLab(5)->text().isEmpty());
    }
}

TEST(AboutTest, LageUeberDerLeisteUndObenBleiben) {
    Programm p;
    QWidget leiste;
    leiste.resize(700, 20);
    Oberflaeche::Von(p).leiste = &leiste;
    p.ImmerOben = true;
    About box(p);
    EXPECT_EQ(Twips(box.width()), 4680);
    EXPECT_EQ(Twips(box.height()), 3510);
    EXPECT_EQ(box.pos(), QPoint(Px((Twips(700) - 4680) / 2), Px(200)));
    EXPECT_TRUE(box.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    p.ImmerOben = false;
    About unten(p);
    EXPECT_FALSE(unten.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST(AboutTest, LinkOeffnetSeiteDerSpracheUndEscapeSchliesst) {
    QStringList seiten[3];
    for (int16_t sprache : {1, 2, 0}) {
        Programm p;
        p.Sprache = sprache;
        About box(p);
        box.webSeiteOeffnen = [&](const QString& adresse) {
            seiten[sprache] << adresse;
            return 42;
        };
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
        QTest::mouseClick(box.textLab(2), Qt::LeftButton);                      // not a link
        QTest::mouseClick(box.textLab(12), Qt::RightButton, {}, QPoint(10, 8)); // not a click
        QTest::mouseClick(box.textLab(12), Qt::LeftButton, {}, QPoint(10, 8));
        QTest::keyClick(&box, Qt::Key_Escape);
        EXPECT_FALSE(box.isVisible());
    }
    ASSERT_EQ(seiten[1].size(), 1);
    ASSERT_EQ(seiten[2].size(), 1);
    EXPECT_NE(seiten[1].front(), seiten[2].front()); // one page per language
    EXPECT_TRUE(seiten[0].isEmpty());
}

TEST(IntroTest, VersionUndBildJeSprache) {
    Programm p;
    p.Sprache = 2;
    Intro deutsch(p);
    EXPECT_EQ(deutsch.versionPan()->text(), QStringLiteral("Version 3.01"));
    EXPECT_EQ(deutsch.size(), QSize(480, 240));
    const QRect schirm = Bildschirm();
    EXPECT_EQ(deutsch.geometry().center(), schirm.center());
    EXPECT_EQ(deutsch.versionPan()->geometry(), QRect(Px(3210), Px(2850), Px(795), Px(270)));
    // The version must fit the narrow panel, or it would be cut.
    EXPECT_LE(
        QFontMetrics(deutsch.versionPan()->font()).horizontalAdvance(deutsch.versionPan()->text()),
        deutsch.versionPan()->contentsRect().width());

    p.Sprache = 1;
    Intro englisch(p);
    EXPECT_EQ(englisch.versionPan()->text(), QStringLiteral("Build 3.01"));
    EXPECT_NE(Intro::SplashBild(1), Intro::SplashBild(2));
    EXPECT_EQ(Intro::SplashBild(1).size(), QSize(480, 240));
}

} // namespace
