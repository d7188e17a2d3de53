// Qt's own buttons and dialogs in the program's language.

#include "QtTexte.h"
#include "TestHilfe.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace pinwick;

TEST(QtTexte, QuestionsButtonsFollowTheLanguageWhileTheProgramRuns) {
    int16_t sprache = 2;
    QtTexte texte([&sprache] { return sprache; });
    ASSERT_TRUE(texte.Laden()) << "Qt's German catalogue (qt6-translations-l10n) is missing in "
                               << QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString();
    QCoreApplication::installTranslator(&texte);

    struct Fall {
        int16_t sprache;
        QMessageBox::StandardButton knopf;
        const char* text;
    };
    const Fall faelle[] = {
        {2, QMessageBox::Yes, "&Ja"},        {2, QMessageBox::No, "&Nein"},
        {2, QMessageBox::Cancel, "Abbrechen"}, {2, QMessageBox::Ok, "OK"},
        {1, QMessageBox::Yes, "&Yes"},       {1, QMessageBox::No, "&No"},
        {1, QMessageBox::Cancel, "Cancel"},  {0, QMessageBox::Cancel, "Cancel"},
        // Switched back: the next question speaks German again.
        {2, QMessageBox::Cancel, "Abbrechen"},
    };
    for (const Fall& f : faelle) {
        sprache = f.sprache;
        QMessageBox frage(QMessageBox::Question, QStringLiteral("Pinwick"), QStringLiteral("?"),
                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok |
                              QMessageBox::Cancel);
        ASSERT_NE(frage.button(f.knopf), nullptr);
        EXPECT_EQ(frage.button(f.knopf)->text(), QString::fromUtf8(f.text))
            << "language " << f.sprache;
    }
    // The colour and file dialogs take their texts from the same catalogue.
    sprache = 2;
    EXPECT_EQ(QCoreApplication::translate("QColorDialog", "&Basic colors"),
              QStringLiteral("Grundfar&ben"));
    QCoreApplication::removeTranslator(&texte);
}

TEST(QtTexte, OnlyAGermanLocaleGivesGerman) {
    struct Fall {
        QLocale gebiet;
        int16_t sprache;
    };
    for (const Fall& f : {Fall{QLocale(QLocale::German, QLocale::Austria), 2},
                          Fall{QLocale(QLocale::German, QLocale::Germany), 2},
                          Fall{QLocale(QLocale::English, QLocale::Germany), 1},
                          Fall{QLocale(QLocale::Dutch), 1}, Fall{QLocale::c(), 1}})
        EXPECT_EQ(SpracheAusGebietsschema(f.gebiet), f.sprache) << f.gebiet.name().toStdString();
}
