// The password prompt: its comparison, its result and its placement.

#include "Bedienteil.h"
#include "EinstellungsRegeln.h"
#include "Oberflaeche.h"
#include "Masse.h"
#include "Panel3D.h"
#include "PassTest.h"
#include "PasswortHash.h"
#include "TestHilfe.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace pinwick;
using pinwick::test::Teil;

namespace {

class PassTestTest : public ::testing::Test {
protected:
    void SetUp() override {
        p.tonAn = false;
        p.Sprache = 1;
    }

    // A prompt shown without its modal loop; the pause before it goes is
    // only recorded.
    std::unique_ptr<PassTest> zeigen() {
        auto prompt = std::make_unique<PassTest>(p);
        prompt->warten = [this](float sekunden) { pausen.push_back(sekunden); };
        prompt->show();
        return prompt;
    }

    static void tippen(PassTest& prompt, const QString& text) {
        QTest::keyClicks(Teil<QLineEdit>(prompt, QStringLiteral("Pa\u00DFText")), text);
    }
    static void enter(PassTest& prompt) {
        QTest::keyClick(Teil<QLineEdit>(prompt, QStringLiteral("Pa\u00DFText")), Qt::Key_Return);
    }

    Programm p;
    std::vector<float> pausen;
};

TEST_F(PassTestTest, VergleichUndErgebnis) {
    const QString hundert = QString(100, QLatin1Char('k')).replace(50, 1, QLatin1Char('K'));
    struct Fall {
        QString passWort, eingabe;
        bool erlaubt;
    };
    const Fall faelle[] = {
        {QStringLiteral("Geheim"), QStringLiteral("Geheim"), true},
        {QStringLiteral("Geheim"), QStringLiteral("geheim"), false},
        {QStringLiteral("Geheim"), QStringLiteral("GEHEIM"), false},
        {QStringLiteral("Geheim"), QStringLiteral("Geheim "), false},
        {QStringLiteral("Geheim"), QString(), false},
        // No password set: Enter on an empty entry lets in.
        {QString(), QString(), true},
        {QString(), QStringLiteral("x"), false},
        {QStringLiteral("Stra\u00DFe"), QStringLiteral("Stra\u00DFe"), true},
        {QStringLiteral("Stra\u00DFe"), QStringLiteral("Strasse"), false},
        // Longer than the old 20-character limit, up to the settings window's 100.
        {QStringLiteral("einziemlichlangespasswort"), QStringLiteral("einziemlichlangespasswort"),
         true},
        {hundert, hundert, true},
        {hundert, hundert.left(99) + QLatin1Char('x'), false},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.eingabe.toStdString() + " / " + f.passWort.toStdString());
        p.passWort = f.passWort;
        p.zugangErlaubt = !f.erlaubt; // the prompt decides afresh
        pausen.clear();
        auto prompt = zeigen();
        tippen(*prompt, f.eingabe);
        EXPECT_EQ(Teil<QLineEdit>(*prompt, QStringLiteral("Pa\u00DFText"))->text(), f.eingabe);
        enter(*prompt);

        EXPECT_EQ(p.zugangErlaubt, f.erlaubt);
        EXPECT_EQ(prompt->LampenGruen(), f.erlaubt);
        EXPECT_EQ(prompt->isVisible(), !f.erlaubt);
        if (f.erlaubt) {
            EXPECT_EQ(prompt->result(), QDialog::Accepted);
            EXPECT_EQ(pausen, std::vector<float>{0.5f});
            EXPECT_TRUE(Teil<Panel3D>(*prompt, "MeldungPan")->text().isEmpty());
        } else {
            EXPECT_EQ(Teil<Panel3D>(*prompt, "MeldungPan")->text(), "Zugang abgelehnt !");
            EXPECT_EQ(Teil<Panel3D>(*prompt, "MeldungPan")->hintergrund(), PassTest::Rot);
            EXPECT_TRUE(Teil<QLineEdit>(*prompt, QStringLiteral("Pa\u00DFText"))->text().isEmpty());
            EXPECT_TRUE(pausen.empty());
        }
    }
}

// The stored value is a hash (what every save writes now), or the clear
// text of an older file or of a broadcaster that has not saved since; a
// value that looks like a hash is never compared as text. A broadcaster's
// file can be written by anyone with access to the share, so a damaged or
// costly hash must be refused quickly, never crash the prompt.
TEST_F(PassTestTest, GespeicherterHashWirdGeprueftUndEinKaputterNieAngenommen) {
    static const QString hash = PasswortHashen(QStringLiteral("Geheim"));
    ASSERT_TRUE(hash.startsWith(QLatin1String("$argon2id$v=19$m=65536,t=2,p=1$")))
        << hash.toStdString();
    ASSERT_FALSE(hash.contains(QLatin1String("Geheim")));
    // The same password hashes differently each time: the salt is new.
    EXPECT_NE(PasswortHashen(QStringLiteral("Geheim")), hash);
    auto ersetzt = [](QString text, const char* alt, const char* neu) {
        return text.replace(QLatin1String(alt), QLatin1String(neu));
    };
    struct Fall {
        const char* name;
        QString passWort, eingabe;
        bool erlaubt;
    };
    const Fall faelle[] = {
        {"hash, right", hash, QStringLiteral("Geheim"), true},
        {"hash, other case", hash, QStringLiteral("geheim"), false},
        {"hash, empty entry", hash, QString(), false},
        {"hash typed as the password", hash, hash.left(100), false},
        {"old clear text, right", QStringLiteral("Geheim"), QStringLiteral("Geheim"), true},
        {"old clear text, wrong", QStringLiteral("Geheim"), QStringLiteral("geheim"), false},
        {"hash of the empty password", PasswortHashen(QString()), QString(), true},
        // Damaged or crafted hashes.
        {"cut short", hash.left(hash.size() - 5), QStringLiteral("Geheim"), false},
        {"prefix only", QStringLiteral("$argon2id$"), QStringLiteral("$argon2id$"), false},
        {"line break after it", hash + QLatin1Char('\n'), QStringLiteral("Geheim"), false},
        {"null byte inside", hash.left(40) + QChar(0) + hash.mid(41), QStringLiteral("Geheim"),
         false},
        {"one character changed",
         hash.left(hash.size() - 1) +
             (hash.endsWith(QLatin1Char('A')) ? QLatin1Char('B') : QLatin1Char('A')),
         QStringLiteral("Geheim"), false},
        {"4 GiB of memory", ersetzt(hash, "m=65536", "m=4194304"), QStringLiteral("Geheim"), false},
        {"a million passes", ersetzt(hash, "t=2", "t=1000000"), QStringLiteral("Geheim"), false},
        {"two lanes", ersetzt(hash, "p=1", "p=2"), QStringLiteral("Geheim"), false},
        {"unknown version", ersetzt(hash, "v=19", "v=16"), QStringLiteral("Geheim"), false},
        {"overlong", hash + QString(200, QLatin1Char('A')), QStringLiteral("Geheim"), false},
        {"outside Latin-1", QString(hash).insert(40, QChar(0x20AC)), QStringLiteral("Geheim"),
         false},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(PasswortGleich(f.eingabe, f.passWort), f.erlaubt);
        p.passWort = f.passWort;
        p.zugangErlaubt = !f.erlaubt;
        auto prompt = zeigen();
        tippen(*prompt, f.eingabe);
        enter(*prompt);
        EXPECT_EQ(p.zugangErlaubt, f.erlaubt);
        EXPECT_EQ(prompt->isVisible(), !f.erlaubt);
        if (!f.erlaubt) {
            EXPECT_EQ(Teil<Panel3D>(*prompt, "MeldungPan")->text(), "Zugang abgelehnt !");
        }
    }
}

TEST_F(PassTestTest, FalschesPasswortLaesstWeiterVersuchenUndNaechsteTasteLoeschtDieMeldung) {
    p.passWort = QStringLiteral("Geheim");
    auto prompt = zeigen();
    for (int versuch = 0; versuch < 5; ++versuch) {
        tippen(*prompt, QStringLiteral("falsch"));
        enter(*prompt);
        ASSERT_EQ(Teil<Panel3D>(*prompt, "MeldungPan")->text(), "Zugang abgelehnt !");
        EXPECT_TRUE(prompt->isVisible());
    }
    tippen(*prompt, QStringLiteral("G"));
    EXPECT_TRUE(Teil<Panel3D>(*prompt, "MeldungPan")->text().isEmpty());
    EXPECT_EQ(Teil<Panel3D>(*prompt, "MeldungPan")->hintergrund(), PassTest::Hellgrau);
    tippen(*prompt, QStringLiteral("eheim"));
    // OK acts as Enter.
    Teil<QPushButton>(*prompt, "OkBef")->click();
    EXPECT_TRUE(p.zugangErlaubt);
    EXPECT_FALSE(prompt->isVisible());
}

TEST_F(PassTestTest, JederAndereWegHinausVerweigert) {
    p.passWort = QStringLiteral("Geheim");
    const struct {
        const char* name;
        std::function<void(PassTest&)> weg;
    } wege[] = {
        {"Escape",
         [](PassTest& t) {
             QTest::keyClick(Teil<QLineEdit>(t, QStringLiteral("Pa\u00DFText")), Qt::Key_Escape);
         }},
        {"Cancel", [](PassTest& t) { Teil<QPushButton>(t, "AbbrechenBef")->click(); }},
        {"close box", [](PassTest& t) { t.close(); }},
        {"right password typed, then Escape",
         [](PassTest& t) {
             QTest::keyClicks(Teil<QLineEdit>(t, QStringLiteral("Pa\u00DFText")), "Geheim");
             QTest::keyClick(Teil<QLineEdit>(t, QStringLiteral("Pa\u00DFText")), Qt::Key_Escape);
         }},
    };
    for (const auto& w : wege) {
        SCOPED_TRACE(w.name);
        p.zugangErlaubt = true; // from an earlier, successful prompt
        auto prompt = zeigen();
        EXPECT_FALSE(p.zugangErlaubt);
        w.weg(*prompt);
        EXPECT_FALSE(prompt->isVisible());
        EXPECT_EQ(prompt->result(), QDialog::Rejected);
        EXPECT_FALSE(p.zugangErlaubt);
    }
}

TEST_F(PassTestTest, NimmtHundertZeichenAn) {
    // The settings window stores up to 100 characters; the prompt must take
    // as many, or a longer password could never be matched.
    p.passWort = QString(100, QLatin1Char('a'));
    auto prompt = zeigen();
    EXPECT_EQ(Teil<QLineEdit>(*prompt, QStringLiteral("Pa\u00DFText"))->maxLength(),
              PasswortLaenge);
    tippen(*prompt, QString(101, QLatin1Char('a')));
    EXPECT_EQ(Teil<QLineEdit>(*prompt, QStringLiteral("Pa\u00DFText"))->text().size(), 100);
    EXPECT_EQ(Teil<QLineEdit>(*prompt, QStringLiteral("Pa\u00DFText"))->echoMode(),
              QLineEdit::Password);
    enter(*prompt);
    EXPECT_TRUE(p.zugangErlaubt);
}

TEST_F(PassTestTest, BeschriftungUndLage) {
    QWidget leiste;
    Oberflaeche::Von(p).leiste = &leiste;
    const QRect schirm = Bildschirm();
    struct Fall {
        int16_t sprache;
        int leisteOben; // pixels
        const char* titel;
        const char* aufforderung;
    };
    const Fall faelle[] = {
        {1, 0, "This section is subject to access control.", "Please enter password:"},
        {2, schirm.height() - 30, "Dieser Programmteil unterliegt der Zugangsbeschr\u00E4nkung.",
         "Bitte Passwort eingeben:"},
        {0, 0, "Dieser Programmteil unterliegt der Zugangsbeschr\u00E4nkung.",
         "Bitte Passwort eingeben:"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.sprache);
        p.Sprache = f.sprache;
        leiste.setGeometry(schirm.x(), schirm.y() + f.leisteOben, schirm.width(), 30);
        auto prompt = zeigen();
        EXPECT_EQ(Teil<Panel3D>(*prompt, "TitelPan")->text(), QString::fromUtf8(f.titel));
        EXPECT_EQ(Teil<Panel3D>(*prompt, "zzPanel")->text(), QString::fromUtf8(f.aufforderung));
        EXPECT_EQ(Teil<QPushButton>(*prompt, "OkBef")->text(), "&OK");
        EXPECT_EQ(Teil<QPushButton>(*prompt, "AbbrechenBef")->text(), "&Abbrechen");
        const QPoint lage = PassTestLage(PassTestBreite, PassTestHoehe, Twips(f.leisteOben),
                                         Twips(30), Twips(schirm.height()));
        EXPECT_EQ(prompt->pos(), schirm.topLeft() + QPoint(Px(lage.x()), Px(lage.y())));
        // The prompt overlaps the bar by half its height.
        if (f.leisteOben == 0)
            EXPECT_EQ(prompt->y() - schirm.y(), 15);
        else
            EXPECT_EQ(prompt->y() + prompt->height(), leiste.y() + 15);
    }
    Oberflaeche::Von(p).leiste = nullptr;
}

} // namespace
