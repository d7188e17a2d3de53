// The notes administration: list items, selection rules, editing and deleting
// through the bar's recordset, and what happens when the table changed or
// refuses a deletion.

#include "Datenbank.h"
#include "Hilfen.h"
#include "Masse.h"
#include "TestHilfe.h"
#include "Verwaltung.h"

#include <QApplication>
#include <QFontMetrics>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace pinwick {
namespace {

using test::NotizEinfuegen;
using test::NotizZeile;
using test::TestUmgebung;

// ---- the list items without a window ---------------------------------------------

TEST(VerwaltungsEintrag, FittingCutsAndMarks) {
    // Ten units per character.
    const auto breite = [](const QString& s) { return int(s.size()) * 10; };
    struct Fall {
        const char16_t* text;
        int grenze;
        const char16_t* ergebnis;
    };
    const Fall faelle[] = {
        {u"abc", 30, u"abc"},
        {u"abcd", 30, u"abc..."},
        {u"abcdefghij", 45, u"abcd..."},
        {u"", 0, u""},
        {u"", -5, u""},
        {u"abc", -5, u"..."},
        {u"abc", 0, u"..."},
        {u"a b ", 35, u"a b..."},
        {u"ab\U0001F600cd", 30, u"ab..."},
        {u"ab\U0001F600cd", 40, u"ab\U0001F600..."},
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(TextEinpassen(QString::fromUtf16(f.text), f.grenze, breite),
                  QString::fromUtf16(f.ergebnis))
            << QString::fromUtf16(f.text).toStdString() << " " << f.grenze;

    // The same result as cutting one character at a time, for every limit.
    const QString lang = QStringLiteral("Ein langer Notiztext, der nicht in die Liste passt");
    const QFontMetrics fm(QApplication::font());
    const auto echt = [&](const QString& s) { return fm.horizontalAdvance(s); };
    for (int grenze = 0; grenze <= echt(lang) + 5; grenze += 7) {
        QString s = lang;
        bool gekuerzt = false;
        while (echt(s) > grenze && !s.isEmpty()) {
            s.chop(1);
            gekuerzt = true;
        }
        EXPECT_EQ(TextEinpassen(lang, grenze, echt), gekuerzt ? s + "..." : s) << grenze;
    }
}

TEST(VerwaltungsEintrag, TheIdIsTheTextAfterTheLastTab) {
    const QString abstand(10, QLatin1Char('\t'));
    struct Fall {
        QString eintrag;
        std::optional<int32_t> id;
    };
    const Fall faelle[] = {
        {EintragText(QStringLiteral("Notiz"), abstand, 42), 42},
        {EintragText(QStringLiteral("mit\tTab"), abstand, 7), 7},
        {EintragText(QString(), abstand, 2147483647), 2147483647},
        {QStringLiteral("ohne Tab"), std::nullopt},
        {QStringLiteral("Text\t"), std::nullopt},
        {QStringLiteral("Text\tabc"), std::nullopt},
        {QString(), std::nullopt},
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(IdAusEintrag(f.eintrag), f.id) << f.eintrag.toStdString();
    EXPECT_EQ(EintragText(QStringLiteral("a"), abstand, 5), "a" + abstand + "5");
}

TEST(VerwaltungsEintrag, SelectionRules) {
    struct Fall {
        std::vector<bool> vorher, nachher;
        int erste;
    };
    const Fall faelle[] = {
        {{}, {}, -1},
        {{false, false}, {false, false}, -1},
        {{false, true, false, true}, {false, true, false, false}, 1},
        {{true, true, true}, {true, false, false}, 0},
        {{false, false, true}, {false, false, true}, 2},
    };
    for (const Fall& f : faelle) {
        std::vector<bool> auswahl = f.vorher;
        EXPECT_EQ(AuswahlVorhanden(auswahl), f.erste >= 0);
        EXPECT_EQ(NurErsteAuswahl(auswahl), f.erste);
        EXPECT_EQ(auswahl, f.nachher);
    }
}

// ---- the window ------------------------------------------------------------------

class VerwaltungTest : public ::testing::Test {
protected:
    void SetUp() override {
        u.p.Sprache = 1;
        u.p.uhr.Stellen(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    }

    qint64 notiz(const QString& text) {
        NotizZeile z;
        z.inhalt = text;
        const qint64 id = NotizEinfuegen(*u.p.lokaleNotizen, z);
        ids.push_back(id);
        return id;
    }
    std::unique_ptr<Verwaltung> oeffnen() {
        auto v = std::make_unique<Verwaltung>(u.p);
        v->frage = [this](QMessageBox::Icon symbol, const QString& text,
                          QMessageBox::StandardButtons knoepfe) {
            fragen.push_back({symbol, text, knoepfe});
            return antwort;
        };
        v->editorZeigen = [this] {
            ++editoren;
            if (imEditor)
                imEditor();
        };
        v->hilfeZeigen = [this] { ++hilfen; };
        return v;
    }
    std::vector<qint64> gespeichert() {
        std::vector<qint64> liste;
        auto rs = u.p.lokaleDatenbank->OpenRecordset(QStringLiteral("select * from Notizen"));
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            liste.push_back(rs->Feld(u"ID").alsInt32());
        return liste;
    }
    static std::vector<qint64> gezeigt(const Verwaltung& v) {
        std::vector<qint64> liste;
        for (int i = 0; i < v.Liste()->count(); ++i)
            liste.push_back(IdAusEintrag(v.Liste()->item(i)->text()).value_or(-1));
        return liste;
    }
    static std::vector<int> markiert(const Verwaltung& v) {
        std::vector<int> liste;
        for (int i = 0; i < v.Liste()->count(); ++i)
            if (v.Liste()->item(i)->isSelected())
                liste.push_back(i);
        return liste;
    }
    static void waehlen(Verwaltung& v, std::initializer_list<int> zeilen) {
        v.Liste()->clearSelection();
        for (int i : zeilen)
            v.Liste()->item(i)->setSelected(true);
    }

    struct Gefragt {
        QMessageBox::Icon symbol;
        QString text;
        QMessageBox::StandardButtons knoepfe;
    };
    TestUmgebung u;
    std::vector<qint64> ids;
    std::vector<Gefragt> fragen;
    QMessageBox::StandardButton antwort = QMessageBox::No;
    int editoren = 0;
    int hilfen = 0;
    std::function<void()> imEditor;
};

TEST_F(VerwaltungTest, ListsEveryNoteFittedWithItsHiddenId) {
    const QString lang = QString(200, QLatin1Char('x')) + QStringLiteral(" Ende");
    notiz(QStringLiteral("Kurz"));
    notiz(lang);
    notiz(QStringLiteral("Mit\tTab"));
    NotizZeile ohne;
    ohne.inhalt = QString();
    ids.push_back(NotizEinfuegen(*u.p.lokaleNotizen, ohne));
    u.p.lokaleNotizen->Edit();
    u.p.lokaleNotizen->Setze(u"inhalt", Wert());
    u.p.lokaleNotizen->Update();

    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        auto v = oeffnen();
        EXPECT_EQ(v->windowTitle(),
                  sprache == 1 ? "Pinwick - Notes administration" : "Pinwick - Notizverwaltung");
        EXPECT_EQ(v->BearbeitenBef()->text(),
                  sprache == 1 ? "&Edit first selected note" : "&Erste markierte Notiz bearbeiten");
        EXPECT_EQ(v->LoeschenBef()->text(),
                  sprache == 1 ? "De&lete selected notes" : "Markierte Notizen &löschen");
        EXPECT_EQ(v->EndeBef()->text(), sprache == 1 ? "&Close" : "S&chließen");
        EXPECT_EQ(gezeigt(*v), ids);
        const QString abstand(10, QLatin1Char('\t'));
        EXPECT_EQ(v->Liste()->item(0)->text(), "Kurz" + abstand + QString::number(ids[0]));
        EXPECT_EQ(v->Liste()->item(2)->text(), "Mit\tTab" + abstand + QString::number(ids[2]));
        EXPECT_EQ(v->Liste()->item(3)->text(), abstand + QString::number(ids[3]));

        // The long one is cut to the list's width less 500 twips, and marked.
        const QString zwei = v->Liste()->item(1)->text();
        const QString sichtbar = zwei.left(zwei.indexOf(QLatin1Char('\t')));
        ASSERT_TRUE(sichtbar.endsWith("..."));
        const QString anfang = sichtbar.chopped(3);
        EXPECT_TRUE(lang.startsWith(anfang));
        const QFontMetrics fm(v->font());
        const int grenze = Twips(v->Liste()->width()) - 500;
        EXPECT_LE(Twips(fm.horizontalAdvance(anfang)), grenze);
        EXPECT_GT(Twips(fm.horizontalAdvance(lang.left(anfang.size() + 1))), grenze);
    }
    EXPECT_EQ(oeffnen()->x(), Bildschirm().x() + Px(2050));
}

TEST_F(VerwaltungTest, EmptyTableLeavesBothCommandsOff) {
    auto v = oeffnen();
    EXPECT_EQ(v->Liste()->count(), 0);
    EXPECT_FALSE(v->BearbeitenBef()->isEnabled());
    EXPECT_FALSE(v->LoeschenBef()->isEnabled());
    EXPECT_FALSE(v->AuswahlVorhanden());
    v->Loeschen();
    v->Bearbeiten();
    EXPECT_TRUE(fragen.empty());
    EXPECT_EQ(editoren, 0);
}

TEST_F(VerwaltungTest, EditOpensTheFirstSelectedNote) {
    for (const char* t : {"eins", "zwei", "drei", "vier"})
        notiz(QString::fromLatin1(t));
    auto v = oeffnen();
    EXPECT_FALSE(v->BearbeitenBef()->isEnabled());
    waehlen(*v, {1, 3});
    EXPECT_TRUE(v->BearbeitenBef()->isEnabled());
    EXPECT_TRUE(v->LoeschenBef()->isEnabled());

    std::vector<int> markiertImEditor;
    int aktuellImEditor = -1;
    QString notizImEditor;
    imEditor = [&] {
        markiertImEditor = markiert(*v);
        aktuellImEditor = v->Liste()->currentRow();
        notizImEditor = u.p.lokaleNotizen->Feld(u"inhalt").alsText();
        // The editor writes through the same recordset.
        u.p.lokaleNotizen->Edit();
        u.p.lokaleNotizen->Setze(u"inhalt", Wert(QStringLiteral("ZWEI")));
        u.p.lokaleNotizen->Update();
    };
    v->BearbeitenBef()->click();
    EXPECT_EQ(editoren, 1);
    EXPECT_EQ(markiertImEditor, std::vector<int>{1});
    EXPECT_EQ(aktuellImEditor, 1);
    EXPECT_EQ(notizImEditor, "zwei");
    // Afterwards the list is read again and nothing is selected.
    EXPECT_TRUE(v->Liste()->item(1)->text().startsWith("ZWEI\t"));
    EXPECT_TRUE(markiert(*v).empty());
    EXPECT_FALSE(v->BearbeitenBef()->isEnabled());
    EXPECT_FALSE(v->LoeschenBef()->isEnabled());

    // A double click edits the clicked note alone.
    waehlen(*v, {0, 1});
    imEditor = [&] {
        markiertImEditor = markiert(*v);
        notizImEditor = u.p.lokaleNotizen->Feld(u"inhalt").alsText();
    };
    v->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(v.get()));
    const QRect r = v->Liste()->visualItemRect(v->Liste()->item(2));
    ASSERT_TRUE(r.isValid());
    // The events a double click brings, straight to the list.
    QWidget* flaeche = v->Liste()->viewport();
    const QPointF punkt = r.center();
    const QPointF global = flaeche->mapToGlobal(punkt);
    for (QEvent::Type art : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                             QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        QMouseEvent ereignis(art, punkt, global, Qt::LeftButton,
                             art == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                             Qt::NoModifier);
        QCoreApplication::sendEvent(flaeche, &ereignis);
    }
    EXPECT_EQ(editoren, 2);
    EXPECT_EQ(markiertImEditor, std::vector<int>{2});
    EXPECT_EQ(notizImEditor, "drei");
}

TEST_F(VerwaltungTest, ANoteGoneFromTheTableIsNotFound) {
    notiz(QStringLiteral("bleibt"));
    Datenbank andere(u.p.datenbankDatei);
    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        fragen.clear();
        const qint64 weg = notiz(QStringLiteral("weg"));
        auto v = oeffnen();
        // Another program deletes the note meanwhile.
        andere.Ausfuehren(QStringLiteral("DELETE FROM Notizen WHERE ID = %1").arg(weg));
        waehlen(*v, {1});
        v->Bearbeiten();
        ASSERT_EQ(fragen.size(), 1u);
        EXPECT_EQ(fragen[0].text, "Datensatz nicht gefunden");
        EXPECT_EQ(fragen[0].knoepfe, QMessageBox::Ok);
        EXPECT_EQ(editoren, 0);
        // The list now shows the table as it is.
        EXPECT_EQ(gezeigt(*v), gespeichert());
        EXPECT_EQ(v->Liste()->count(), 1);
    }
}

TEST_F(VerwaltungTest, DeleteAsksThenRemovesTheSelectedNotes) {
    for (const char* t : {"a", "b", "c", "d", "e"})
        notiz(QString::fromLatin1(t));
    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        fragen.clear();
        auto v = oeffnen();
        waehlen(*v, {0, 2, 4});
        antwort = QMessageBox::No;
        v->LoeschenBef()->click();
        ASSERT_EQ(fragen.size(), 1u);
        EXPECT_EQ(fragen[0].symbol, QMessageBox::Warning);
        EXPECT_EQ(fragen[0].knoepfe, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(fragen[0].text, sprache == 1 ? "Really delete seleted notes?"
                                               : "Markierte Notizen wirklich löschen?");
        EXPECT_EQ(gespeichert(), ids);
        EXPECT_EQ(gezeigt(*v), ids);
    }

    auto v = oeffnen();
    waehlen(*v, {0, 2, 4});
    antwort = QMessageBox::Yes;
    v->Loeschen();
    const std::vector<qint64> rest{ids[1], ids[3]};
    EXPECT_EQ(gespeichert(), rest);
    EXPECT_EQ(gezeigt(*v), rest);
    EXPECT_TRUE(markiert(*v).empty());
    EXPECT_EQ(v->Liste()->currentItem(), nullptr);
    EXPECT_FALSE(v->BearbeitenBef()->isEnabled());
    EXPECT_FALSE(v->LoeschenBef()->isEnabled());
    // The bar's recordset lost them too.
    EXPECT_EQ(u.p.lokaleNotizen->RecordCount(), 2);

    // A selected note another program deleted already leaves the list as well.
    waehlen(*v, {0, 1});
    Datenbank andere(u.p.datenbankDatei);
    andere.Ausfuehren(QStringLiteral("DELETE FROM Notizen WHERE ID = %1").arg(ids[1]));
    v->Loeschen();
    EXPECT_TRUE(gespeichert().empty());
    EXPECT_EQ(v->Liste()->count(), 0);
}

TEST_F(VerwaltungTest, AFailedDeletionShowsWhatIsStored) {
    for (const char* t : {"a", "b", "c", "d"})
        notiz(QString::fromLatin1(t));
    // The table refuses to give up note "b".
    u.p.lokaleDatenbank->Ausfuehren(
        QStringLiteral("CREATE TRIGGER fest BEFORE DELETE ON Notizen WHEN old.ID = %1 "
                       "BEGIN SELECT RAISE(ABORT, 'locked'); END")
            .arg(ids[1]));
    auto v = oeffnen();
    waehlen(*v, {0, 1, 2});
    antwort = QMessageBox::Yes;
    v->Loeschen();
    // "c" went first (the walk runs from the end), "b" failed, "a" was not reached.
    const std::vector<qint64> rest{ids[0], ids[1], ids[3]};
    EXPECT_EQ(gespeichert(), rest);
    EXPECT_EQ(gezeigt(*v), rest);
    ASSERT_EQ(fragen.size(), 2u);
    EXPECT_EQ(fragen[1].symbol, QMessageBox::Warning);
    EXPECT_TRUE(fragen[1].text.contains("database error"));
    EXPECT_FALSE(v->LoeschenBef()->isEnabled());
    EXPECT_EQ(u.p.lokaleNotizen->RecordCount(), 3);
}

TEST_F(VerwaltungTest, HelpAndEscape) {
    notiz(QStringLiteral("a"));
    auto v = oeffnen();
    v->show();
    QTest::keyClick(v->Liste(), Qt::Key_F1);
    QTest::keyClick(v->Liste(), Qt::Key_F1, Qt::AltModifier);
    EXPECT_EQ(hilfen, 1);
    QTest::keyClick(v->Liste(), Qt::Key_Escape);
    EXPECT_FALSE(v->isVisible());
}

} // namespace
} // namespace pinwick
