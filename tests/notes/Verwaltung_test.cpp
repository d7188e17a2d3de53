// The notes administration: list items, selection rules, editing and deleting
// through the bar's recordset, and what happens when the table changed or
// refuses a deletion.

#include "EditorKind.h"
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

TEST(VerwaltungsEintrag, FittingCutsAndMarks) {
    const auto zehn = [](const QString& s) { return int(s.size()) * 10; };
    const std::tuple<const char16_t*, int, const char16_t*> faelle[] = {
        {u"abc", 30, u"abc"},
        {u"abcd", 30, u"abc..."},
        {u"abcdefghij", 45, u"abcd..."},
        {u"", -5, u""},
        {u"abc", 0, u"..."},
        {u"a b ", 35, u"a b..."},
        {u"ab\U0001F600cd", 30, u"ab..."},
        {u"ab\U0001F600cd", 40, u"ab\U0001F600..."}};
    for (const auto& [text, grenze, ergebnis] : faelle)
        EXPECT_EQ(TextEinpassen(QString::fromUtf16(text), grenze, zehn),
                  QString::fromUtf16(ergebnis));

    // The same as cutting one character at a time, for every limit.
    const QString lang = QStringLiteral("Ein langer Notiztext, der nicht in die Liste passt");
    const QFontMetrics fm(QApplication::font());
    const auto echt = [&](const QString& s) { return fm.horizontalAdvance(s); };
    for (int grenze = 0; grenze <= echt(lang) + 5; grenze += 7) {
        QString s = lang;
        while (echt(s) > grenze && !s.isEmpty())
            s.chop(1);
        EXPECT_EQ(TextEinpassen(lang, grenze, echt), s == lang ? s : s + "...") << grenze;
    }
}

TEST(VerwaltungsEintrag, TheIdIsTheTextAfterTheLastTab) {
    const QString abstand(10, QLatin1Char('\t'));
    const std::pair<QString, std::optional<int32_t>> ids[] = {
        {EintragText("Notiz", abstand, 42), 42},
        {EintragText("mit\tTab", abstand, 7), 7},
        {"ohne Tab", std::nullopt},
        {"Text\t", std::nullopt},
        {"Text\tabc", std::nullopt}};
    for (const auto& [eintrag, id] : ids)
        EXPECT_EQ(IdAusEintrag(eintrag), id) << eintrag.toStdString();
}

class VerwaltungTest : public ::testing::Test {
protected:
    void SetUp() override { u.p.Sprache = 1; }
    void notizen(std::initializer_list<const char*> texte) {
        for (const char* t : texte) {
            test::NotizZeile z;
            z.inhalt = QString::fromUtf8(t);
            ids.push_back(test::NotizEinfuegen(*u.p.lokaleNotizen, z));
        }
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
        for (int i = 0; i < test::Kind<QListWidget>(v, QStringLiteral("Liste"))->count(); ++i)
            liste.push_back(
                IdAusEintrag(test::Kind<QListWidget>(v, QStringLiteral("Liste"))->item(i)->text())
                    .value_or(-1));
        return liste;
    }
    static std::vector<int> markiert(const Verwaltung& v) {
        std::vector<int> liste;
        for (int i = 0; i < test::Kind<QListWidget>(v, QStringLiteral("Liste"))->count(); ++i)
            if (test::Kind<QListWidget>(v, QStringLiteral("Liste"))->item(i)->isSelected())
                liste.push_back(i);
        return liste;
    }
    static void waehlen(Verwaltung& v, std::initializer_list<int> zeilen) {
        test::Kind<QListWidget>(v, QStringLiteral("Liste"))->clearSelection();
        for (int i : zeilen)
            test::Kind<QListWidget>(v, QStringLiteral("Liste"))->item(i)->setSelected(true);
    }

    struct Gefragt {
        QMessageBox::Icon symbol;
        QString text;
        QMessageBox::StandardButtons knoepfe;
    };
    test::TestUmgebung u;
    std::vector<qint64> ids;
    std::vector<Gefragt> fragen;
    QMessageBox::StandardButton antwort = QMessageBox::No;
    int editoren = 0, hilfen = 0;
    std::function<void()> imEditor;
};

TEST_F(VerwaltungTest, ListsEveryNoteFittedWithItsHiddenId) {
    const QString lang = QString(200, QLatin1Char('x')) + QStringLiteral(" Ende");
    notizen({"Kurz", lang.toUtf8().constData(), "Mit\tTab", ""});
    u.p.lokaleNotizen->Edit(); // the last one without any text
    u.p.lokaleNotizen->Setze(u"inhalt", Wert());
    u.p.lokaleNotizen->Update();
    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        const bool en = sprache == 1;
        auto v = oeffnen();
        EXPECT_EQ(v->windowTitle(),
                  en ? "Pinwick - Notes administration" : "Pinwick - Notizverwaltung");
        EXPECT_EQ(test::Kind<QPushButton>(*v, QStringLiteral("BearbeitenBef"))->text(),
                  en ? "&Edit first selected note" : "&Erste markierte Notiz bearbeiten");
        EXPECT_EQ(test::Kind<QPushButton>(*v, QStringLiteral("LoeschenBef"))->text(),
                  en ? "De&lete selected notes" : "Markierte Notizen &löschen");
        EXPECT_EQ(test::Kind<QPushButton>(*v, QStringLiteral("EndeBef"))->text(),
                  en ? "&Close" : "S&chließen");
        EXPECT_FALSE(test::Kind<QPushButton>(*v, QStringLiteral("BearbeitenBef"))->isEnabled() ||
                     test::Kind<QPushButton>(*v, QStringLiteral("LoeschenBef"))->isEnabled());
        EXPECT_EQ(gezeigt(*v), ids);
        const QString abstand(10, QLatin1Char('\t'));
        EXPECT_EQ(test::Kind<QListWidget>(*v, QStringLiteral("Liste"))->item(0)->text(),
                  "Kurz" + abstand + QString::number(ids[0]));
        EXPECT_EQ(test::Kind<QListWidget>(*v, QStringLiteral("Liste"))->item(2)->text(),
                  "Mit\tTab" + abstand + QString::number(ids[2]));
        EXPECT_EQ(test::Kind<QListWidget>(*v, QStringLiteral("Liste"))->item(3)->text(),
                  abstand + QString::number(ids[3]));
        // The long one is cut to the list's width less 500 twips, and marked.
        const QString zwei = test::Kind<QListWidget>(*v, QStringLiteral("Liste"))->item(1)->text();
        const QString anfang = zwei.left(zwei.indexOf(QLatin1Char('\t')) - 3);
        EXPECT_EQ(zwei.mid(anfang.size(), 3), "...");
        const QFontMetrics fm(v->font());
        const int grenze =
            Twips(test::Kind<QListWidget>(*v, QStringLiteral("Liste"))->width()) - 500;
        EXPECT_LE(Twips(fm.horizontalAdvance(anfang)), grenze);
        EXPECT_GT(Twips(fm.horizontalAdvance(lang.left(anfang.size() + 1))), grenze);
        EXPECT_EQ(v->x(), Bildschirm().x() + Px(2050));
    }
}

TEST_F(VerwaltungTest, EditOpensTheFirstSelectedNote) {
    notizen({"eins", "zwei", "drei", "vier"});
    auto v = oeffnen();
    // Nothing to do on an empty selection.
    v->Loeschen();
    EXPECT_TRUE(fragen.empty());
    waehlen(*v, {1, 3});
    EXPECT_TRUE(test::Kind<QPushButton>(*v, QStringLiteral("BearbeitenBef"))->isEnabled() &&
                test::Kind<QPushButton>(*v, QStringLiteral("LoeschenBef"))->isEnabled());

    std::vector<int> markiertImEditor;
    QString notizImEditor;
    imEditor = [&] {
        markiertImEditor = markiert(*v);
        EXPECT_EQ(test::Kind<QListWidget>(*v, QStringLiteral("Liste"))->currentRow(),
                  markiertImEditor.front());
        notizImEditor = u.p.lokaleNotizen->Feld(u"inhalt").alsText();
        u.p.lokaleNotizen->Edit(); // the editor writes through the same recordset
        u.p.lokaleNotizen->Setze(u"inhalt", Wert(QStringLiteral("ZWEI")));
        u.p.lokaleNotizen->Update();
    };
    test::Kind<QPushButton>(*v, QStringLiteral("BearbeitenBef"))->click();
    EXPECT_EQ(markiertImEditor, std::vector<int>{1});
    EXPECT_EQ(notizImEditor, "zwei");
    // Afterwards the list is read again and nothing is selected.
    EXPECT_TRUE(
        test::Kind<QListWidget>(*v, QStringLiteral("Liste"))->item(1)->text().startsWith("ZWEI\t"));
    EXPECT_TRUE(markiert(*v).empty());
    EXPECT_FALSE(test::Kind<QPushButton>(*v, QStringLiteral("BearbeitenBef"))->isEnabled() ||
                 test::Kind<QPushButton>(*v, QStringLiteral("LoeschenBef"))->isEnabled());

    // A double click edits the clicked note alone.
    waehlen(*v, {0, 1});
    imEditor = [&] {
        markiertImEditor = markiert(*v);
        notizImEditor = u.p.lokaleNotizen->Feld(u"inhalt").alsText();
    };
    v->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(v.get()));
    QWidget* flaeche = test::Kind<QListWidget>(*v, QStringLiteral("Liste"))->viewport();
    const QPointF punkt =
        test::Kind<QListWidget>(*v, QStringLiteral("Liste"))
            ->visualItemRect(test::Kind<QListWidget>(*v, QStringLiteral("Liste"))->item(2))
            .center();
    for (QEvent::Type art : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                             QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        QMouseEvent ereignis(art, punkt, flaeche->mapToGlobal(punkt), Qt::LeftButton,
                             art == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                             Qt::NoModifier);
        QCoreApplication::sendEvent(flaeche, &ereignis);
    }
    EXPECT_EQ(editoren, 2);
    EXPECT_EQ(markiertImEditor, std::vector<int>{2});
    EXPECT_EQ(notizImEditor, "drei");

    // F1 and Esc.
    QTest::keyClick(test::Kind<QListWidget>(*v, QStringLiteral("Liste")), Qt::Key_F1);
    QTest::keyClick(test::Kind<QListWidget>(*v, QStringLiteral("Liste")), Qt::Key_F1,
                    Qt::AltModifier);
    EXPECT_EQ(hilfen, 1);
    QTest::keyClick(test::Kind<QListWidget>(*v, QStringLiteral("Liste")), Qt::Key_Escape);
    EXPECT_FALSE(v->isVisible());
}

TEST_F(VerwaltungTest, ANoteGoneFromTheTableIsNotFound) {
    notizen({"bleibt"});
    Datenbank andere(u.p.datenbankDatei);
    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        fragen.clear();
        notizen({"weg"});
        auto v = oeffnen();
        // Another program deletes the note meanwhile.
        andere.Ausfuehren(QStringLiteral("DELETE FROM Notizen WHERE ID = %1").arg(ids.back()));
        waehlen(*v, {1});
        v->Bearbeiten();
        ASSERT_EQ(fragen.size(), 1u);
        EXPECT_EQ(fragen[0].text, "Datensatz nicht gefunden");
        EXPECT_EQ(fragen[0].knoepfe, QMessageBox::Ok);
        EXPECT_EQ(editoren, 0);
        EXPECT_EQ(gezeigt(*v), gespeichert());
    }
}

TEST_F(VerwaltungTest, DeleteAsksThenRemovesTheSelectedNotes) {
    notizen({"a", "b", "c", "d", "e"});
    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        fragen.clear();
        auto v = oeffnen();
        waehlen(*v, {0, 2, 4});
        test::Kind<QPushButton>(*v, QStringLiteral("LoeschenBef"))->click(); // answered No
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
    EXPECT_EQ(u.p.lokaleNotizen->RecordCount(), 2); // the bar's recordset too
    EXPECT_TRUE(markiert(*v).empty());
    EXPECT_EQ(test::Kind<QListWidget>(*v, QStringLiteral("Liste"))->currentItem(), nullptr);
    EXPECT_FALSE(test::Kind<QPushButton>(*v, QStringLiteral("BearbeitenBef"))->isEnabled() ||
                 test::Kind<QPushButton>(*v, QStringLiteral("LoeschenBef"))->isEnabled());

    // A note another program deleted already leaves the list as well.
    waehlen(*v, {0, 1});
    Datenbank(u.p.datenbankDatei)
        .Ausfuehren(QStringLiteral("DELETE FROM Notizen WHERE ID = %1").arg(ids[1]));
    v->Loeschen();
    EXPECT_TRUE(gespeichert().empty());
    EXPECT_EQ(test::Kind<QListWidget>(*v, QStringLiteral("Liste"))->count(), 0);
}

// Return and Delete in the list do what the two buttons do; with nothing
// selected, or with a modifier held, they do nothing.
TEST_F(VerwaltungTest, ReturnEditsAndDeleteAsksInTheList) {
    notizen({"a", "b", "c"});
    const struct {
        const char* name;
        std::initializer_list<int> auswahl;
        Qt::Key taste;
        Qt::KeyboardModifiers umschalter;
        int editoren;
        size_t fragen;
    } faelle[] = {
        {"Return edits the first selected", {1, 2}, Qt::Key_Return, Qt::NoModifier, 1, 0},
        {"keypad Enter edits", {0}, Qt::Key_Enter, Qt::KeypadModifier, 1, 0},
        {"Return without a selection", {}, Qt::Key_Return, Qt::NoModifier, 0, 0},
        {"Delete asks", {0, 2}, Qt::Key_Delete, Qt::NoModifier, 0, 1},
        {"Delete without a selection", {}, Qt::Key_Delete, Qt::NoModifier, 0, 0},
        {"Ctrl+Return", {1}, Qt::Key_Return, Qt::ControlModifier, 0, 0},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        editoren = 0;
        fragen.clear();
        auto v = oeffnen();
        waehlen(*v, f.auswahl);
        std::vector<int> markiertImEditor;
        imEditor = [&] { markiertImEditor = markiert(*v); };
        QTest::keyClick(test::Kind<QListWidget>(*v, QStringLiteral("Liste")), f.taste,
                        f.umschalter);
        EXPECT_EQ(editoren, f.editoren);
        if (f.editoren) {
            EXPECT_EQ(markiertImEditor, std::vector<int>{*f.auswahl.begin()});
        }
        ASSERT_EQ(fragen.size(), f.fragen);
        if (f.fragen) {
            EXPECT_EQ(fragen[0].text, "Really delete seleted notes?");
        }
        EXPECT_EQ(gespeichert(), ids) << "answered No";
    }
}

TEST_F(VerwaltungTest, AFailedDeletionShowsWhatIsStored) {
    notizen({"a", "b", "c", "d"});
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
    EXPECT_EQ(u.p.lokaleNotizen->RecordCount(), 3);
    ASSERT_EQ(fragen.size(), 2u);
    EXPECT_EQ(fragen[1].symbol, QMessageBox::Warning);
    EXPECT_TRUE(fragen[1].text.contains("database error"));
}

} // namespace
} // namespace pinwick
