// The bar's commands with the real editor and administration behind their
// hooks: a note made, changed and deleted reaches the band at the rebuild
// that follows, without a restart.

#include "Band.h"
#include "EditorKind.h"
#include "Notizen.h"
#include "Terminal.h"
#include "TestHilfe.h"
#include "Verwaltung.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace pinwick {
namespace {

class LeisteMitNotizen : public ::testing::Test {
protected:
    void SetUp() override {
        Programm& p = u.p;
        p.Sprache = 1;
        p.SchriftName = QStringLiteral("DejaVu Sans");
        p.SchriftGroesse = 10;
        p.eigeneErlauben = true;
        p.Speed = 30;
        // A Wednesday, 10:00.
        p.uhr.Stellen(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        leiste = std::make_unique<Terminal>(p);
        leiste->Timer1Aktiv(false);
        // Both windows as the program connects them, without their modal
        // wait: the test plays the user inside the hook.
        leiste->notizEditorZeigen = [this] {
            timerImFenster = leiste->Timer1Laeuft();
            Notizen editor(u.p, NotizModus::Neu);
            editor.frage = [](auto, auto, auto) { return QMessageBox::Yes; };
            if (imEditor)
                imEditor(editor);
        };
        leiste->verwaltungZeigen = [this] {
            timerImFenster = leiste->Timer1Laeuft();
            Verwaltung verwaltung(u.p);
            verwaltung.frage = [](auto, auto, auto) { return QMessageBox::Yes; };
            verwaltung.editorZeigen = [this] {
                Notizen editor(u.p, NotizModus::Bearbeiten);
                if (imEditor)
                    imEditor(editor);
            };
            if (inVerwaltung)
                inVerwaltung(verwaltung);
        };
    }

    // The text the bar shows after its next tick (a rebuild when the
    // counter says so).
    QString band() {
        leiste->Timer1Aktiv(false);
        leiste->Tick();
        return u.p.gezeigterText;
    }
    QString teamrunde() const { return QStringLiteral("Teamrunde") + u.p.trennText; }

    test::TestUmgebung u;
    std::unique_ptr<Terminal> leiste;
    bool timerImFenster = true;
    std::function<void(Notizen&)> imEditor;
    std::function<void(Verwaltung&)> inVerwaltung;
};

TEST_F(LeisteMitNotizen, MadeChangedAndDeletedNotesReachTheBand) {
    EXPECT_TRUE(band().isEmpty());

    // Ctrl-N: a weekly note for today and tomorrow, 09:00 to 11:00.
    imEditor = [](Notizen& f) {
        test::Kind<NotizFeld>(f, QStringLiteral("Notiz"))
            ->setPlainText(QStringLiteral("Teamrunde"));
        test::Kind<QRadioButton>(f, QStringLiteral("ZeitArtOpt2"))->click();
        test::Kind<QRadioButton>(f, QStringLiteral("RhythmusOpt2"))->click();
        test::Kind<QCheckBox>(f, QStringLiteral("WoTagChe4"))->setChecked(true);
        test::Kind<QLineEdit>(f, QStringLiteral("Uhrzeit1"))->setText(QStringLiteral("9"));
        f.UhrzeitBoxPruefen(1);
        test::Kind<QLineEdit>(f, QStringLiteral("Uhrzeit2"))->setText(QStringLiteral("11"));
        f.UhrzeitBoxPruefen(2);
        f.Speichern();
        EXPECT_EQ(f.result(), QDialog::Accepted);
    };
    // Ctrl with Alt is no command; Ctrl alone is.
    QTest::keyClick(leiste.get(), Qt::Key_N, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(u.p.lokaleNotizen->RecordCount() == 0 && timerImFenster);
    u.p.aufbauZaehler = 3;
    QTest::keyClick(leiste.get(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_FALSE(timerImFenster);
    EXPECT_TRUE(leiste->Timer1Laeuft());
    EXPECT_EQ(u.p.aufbauZaehler, 100);
    EXPECT_EQ(band(), teamrunde());

    // Outside the window the note goes from the band.
    u.p.uhr.Stellen(QDateTime(QDate(2026, 12, 9), QTime(11, 30)));
    u.p.aufbauZaehler = 100;
    EXPECT_TRUE(band().isEmpty());

    // The administration (double-click on the band): the note made permanent.
    inVerwaltung = [](Verwaltung& v) {
        ASSERT_EQ(test::Kind<QListWidget>(v, QStringLiteral("Liste"))->count(), 1);
        test::Kind<QListWidget>(v, QStringLiteral("Liste"))->item(0)->setSelected(true);
        v.Bearbeiten();
    };
    imEditor = [](Notizen& f) {
        EXPECT_TRUE(test::Kind<QRadioButton>(f, QStringLiteral("RhythmusOpt2"))->isChecked());
        EXPECT_TRUE(test::Kind<QCheckBox>(f, QStringLiteral("WoTagChe3"))->isChecked());
        EXPECT_TRUE(test::Kind<QCheckBox>(f, QStringLiteral("WoTagChe4"))->isChecked());
        test::Kind<QRadioButton>(f, QStringLiteral("ZeitArtOpt1"))->click();
        f.Speichern();
        EXPECT_EQ(f.result(), QDialog::Accepted);
    };
    u.p.aufbauZaehler = 3;
    leiste->Verwaltung();
    EXPECT_FALSE(timerImFenster);
    EXPECT_TRUE(leiste->Timer1Laeuft());
    EXPECT_EQ(u.p.aufbauZaehler, 100);
    EXPECT_EQ(band(), teamrunde());

    // Deleted in the administration: gone from the band.
    inVerwaltung = [](Verwaltung& v) {
        test::Kind<QListWidget>(v, QStringLiteral("Liste"))->item(0)->setSelected(true);
        v.Loeschen();
        EXPECT_EQ(test::Kind<QListWidget>(v, QStringLiteral("Liste"))->count(), 0);
    };
    leiste->VerwaltungMen()->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(band().isEmpty());
    EXPECT_EQ(u.p.lokaleNotizen->RecordCount(), 0);
}

} // namespace
} // namespace pinwick
