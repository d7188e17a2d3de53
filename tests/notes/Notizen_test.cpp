// The note editor window on the offscreen platform, writing into a notes
// table in a temporary folder. Questions are answered through the window's
// seam; nothing blocks.

#include "Hilfen.h"
#include "Masse.h"
#include "Notizen.h"
#include "Panel3D.h"
#include "Shell.h"
#include "TestHilfe.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <deque>
#include <gtest/gtest.h>
#include <memory>

namespace pinwick {
namespace {

using test::NotizEinfuegen;
using test::NotizZeile;
using Zeile = std::vector<QVariant>;

const QDate mittwoch(2026, 12, 9);

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        u.p.Sprache = 1;
        u.p.uhr.Stellen(QDateTime(mittwoch, QTime(10, 0)));
    }
    std::unique_ptr<Notizen> oeffnen(NotizModus modus = NotizModus::Neu) {
        auto f = std::make_unique<Notizen>(u.p, modus);
        f->frage = [this](QMessageBox::Icon symbol, const QString& text,
                          QMessageBox::StandardButtons knoepfe) {
            EXPECT_EQ(symbol, QMessageBox::Question);
            EXPECT_EQ(knoepfe, QMessageBox::Yes | QMessageBox::No);
            gefragt.push_back(text);
            const bool ja = !antworten.empty() && antworten.front();
            if (!antworten.empty())
                antworten.pop_front();
            return ja ? QMessageBox::Yes : QMessageBox::No;
        };
        f->piepen = [this] { ++piepser; };
        f->hilfeZeigen = [this] { ++hilfen; };
        return f;
    }
    std::unique_ptr<Notizen> bearbeiten(qint64 id) {
        u.p.lokaleNotizen->FindLast(QStringLiteral("ID = %1").arg(id));
        return oeffnen(NotizModus::Bearbeiten);
    }
    // The table as a fresh recordset reads it from the file.
    std::vector<Zeile> tabelle() {
        std::vector<Zeile> zeilen;
        auto rs = u.p.lokaleDatenbank->OpenRecordset(QStringLiteral("select * from Notizen"));
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            Zeile z;
            for (int i = 0; i < rs->Spalten().size(); ++i)
                z.push_back(rs->Feld(i).roh());
            zeilen.push_back(z);
        }
        return zeilen;
    }
    Zeile zeile(qint64 id) {
        for (const Zeile& z : tabelle())
            if (z[0].toLongLong() == id)
                return z;
        return {};
    }
    QVariant spalte(const Zeile& z, const char* name) {
        const int i = u.p.lokaleNotizen->Spalte(QString::fromLatin1(name));
        return z.at(size_t(i));
    }

    test::TestUmgebung u;
    std::vector<QString> gefragt;
    std::deque<bool> antworten;
    int piepser = 0, hilfen = 0;
};

// Leaving a time box normalises it, as the focus change does.
void zeit(Notizen& f, int i, const char* text) {
    f.Uhrzeit(i)->setText(QString::fromLatin1(text));
    f.UhrzeitBoxPruefen(i);
}
void mitZeit(Notizen& f, int rhythmus) {
    f.Notiz()->setPlainText(QStringLiteral("Besprechung"));
    f.ZeitArtOpt(1)->click();
    f.RhythmusOpt(rhythmus)->click();
}

// ---- the save checks and questions, in order, in both languages -------------------

using Text = std::pair<const char16_t*, const char16_t*>; // English, German
const Text ganztags{u"Start and end time missing -\n\nShow note full-time?",
                    u"Anfangs- und Schlusszeit fehlt -\n\nZettel ganztags anzeigen?"};
const Text abNull{u"Start time missing -\n\nShow note from midnight?",
                  u"Anfangszeit fehlt -\n\nZettel ab 00:00 Uhr anzeigen?"};
const Text bis2359{u"End time missing -\n\nShow note till midnight?",
                   u"Schlusszeit fehlt -\n\nZettel bis 23:59 Uhr anzeigen?"};
const Text tag29{
    u"In February this note will appear only in leap years -\r\n\r\nkeep this selection?",
    u"Im Februar erscheint dieser Zettel nur in Schaltjahren -\r\n\r\nTrotzdem so einstellen?"};
const Text tag31{u"This note will not appear in February, April, June, September and November "
                 u"-\r\n\r\nkeep this selection?",
                 u"Dieser Zettel erscheint nicht im Februar, April, Juni, September und November "
                 u"-\r\n\r\nTrotzdem so einstellen?"};
const Text keine{nullptr, nullptr};
const Text tag0{u"There is no such day: enter a day from 1 to 31.",
                u"Diesen Tag gibt es nicht: bitte einen Tag von 1 bis 31 eingeben."};
const Text datum{u"Invalid date.", u"Fehlerhaftes Datum."};
const Text vorher{u"Days earlier: at most 32767.", u"Tage vorher: höchstens 32767."};

struct Pruefung {
    const char* name;
    void (*eingeben)(Notizen&);
    std::vector<bool> antworten;
    std::vector<Text> fragen;
    Text meldung;
    QWidget* (*fokus)(Notizen&);
    int piepser;
    bool gespeichert;
};
using F = Notizen&;
QWidget* ohne(F) {
    return nullptr;
}

// clang-format off
const Pruefung pruefungen[] = {
    {"blank text, before anything else", [](F f) { mitZeit(f, 2), f.Notiz()->setPlainText("   "), f.UhrArtOpt(1)->click(), f.WoTagChe(3)->setChecked(false); },
     {}, {}, {u"Note text missing.", u"Notiztext fehlt."}, [](F f) -> QWidget* { return f.Notiz(); }, 1, false},
    {"From without times, No", [](F f) { mitZeit(f, 1), f.UhrArtOpt(1)->click(); }, {false}, {ganztags}, keine, ohne, 1, false},
    {"From without times, Yes", [](F f) { mitZeit(f, 1), f.UhrArtOpt(1)->click(); }, {true}, {ganztags}, keine, ohne, 1, true},
    {"start missing, No", [](F f) { mitZeit(f, 1), zeit(f, 2, "10:00"); }, {false}, {abNull}, keine, ohne, 1, false},
    {"end missing, No", [](F f) { mitZeit(f, 1), zeit(f, 1, "9"); }, {false}, {bis2359}, keine, ohne, 1, false},
    {"end missing, Yes", [](F f) { mitZeit(f, 1), zeit(f, 1, "9"); }, {true}, {bis2359}, keine, ohne, 1, true},
    {"end not after start", [](F f) { mitZeit(f, 1), zeit(f, 1, "10:00"), zeit(f, 2, "10"); }, {}, {},
     {u"End time after starting time!", u"Schlusszeit muss hinter Anfangszeit liegen."}, [](F f) -> QWidget* { return f.Uhrzeit(2); }, 1, false},
    {"a permanent note still asks about its times", [](F f) { mitZeit(f, 1), zeit(f, 1, "9"), f.ZeitArtOpt(0)->click(); },
     {false}, {bis2359}, keine, ohne, 1, false},
    {"the time question comes before the weekday check", [](F f) { mitZeit(f, 2), zeit(f, 2, "18:00"), f.WoTagChe(3)->setChecked(false); },
     {true}, {abNull}, {u"No weekday selected.", u"Kein Wochentag gewählt."}, ohne, 2, false},
    {"a refused time left in its box", [](F f) { mitZeit(f, 1), f.Uhrzeit(1)->setText("25:00"), f.Uhrzeit(2)->setText("26"); }, {}, {},
     {u"Invalid time format.", u"Ungültiges Zeitformat."}, [](F f) -> QWidget* { return f.Uhrzeit(1); }, 1, false},
    {"monthly 29th, No", [](F f) { mitZeit(f, 3), f.TagZahlMon()->setText("29"); }, {false}, {tag29}, keine, ohne, 0, false},
    {"monthly 31st, No", [](F f) { mitZeit(f, 3), f.TagZahlMon()->setText("31"); }, {false}, {tag31}, keine, ohne, 0, false},
    {"monthly 31st, Yes", [](F f) { mitZeit(f, 3), f.TagZahlMon()->setText("31"); }, {true}, {tag31}, keine, ohne, 0, true},
    {"monthly 30th, no question", [](F f) { mitZeit(f, 3), f.TagZahlMon()->setText("30"); }, {}, {}, keine, ohne, 0, true},
    {"monthly day 0", [](F f) { mitZeit(f, 3), f.TagZahlMon()->setText("00"); }, {}, {}, tag0,
     [](F f) -> QWidget* { return f.TagZahlMon(); }, 1, false},
    {"monthly day 32", [](F f) { mitZeit(f, 3), f.TagZahlMon()->setText("32"); }, {}, {}, tag0,
     [](F f) -> QWidget* { return f.TagZahlMon(); }, 1, false},
    {"monthly day 99", [](F f) { mitZeit(f, 3), f.TagZahlMon()->setText("99"); }, {}, {}, tag0,
     [](F f) -> QWidget* { return f.TagZahlMon(); }, 1, false},
    {"monthly weekday without position", [](F f) { mitZeit(f, 3), f.MonArtOpt(2)->click(); }, {}, {},
     {u"Position of weekday within month not selected.", u"Position des Wochentags im Monat nicht gewählt."}, ohne, 1, false},
    {"yearly without a day", [](F f) { mitZeit(f, 4), f.TagZahlJahr(1)->clear(); }, {}, {},
     {u"Day of year not selected.", u"Kein Jahrestag gewählt."}, ohne, 1, false},
    {"yearly row 3 without month, before a day 0 in row 4", [](F f) { mitZeit(f, 4), f.TagZahlJahr(3)->setText("5"), f.TagZahlJahr(4)->setText("0"); },
     {}, {}, {u"Month missing.", u"Monat fehlt."}, [](F f) -> QWidget* { return f.MonatJah(3); }, 1, false},
    {"yearly day 0", [](F f) { mitZeit(f, 4), f.TagZahlJahr(2)->setText("0"), f.MonatJah(2)->setCurrentIndex(4); }, {}, {}, tag0,
     [](F f) -> QWidget* { return f.TagZahlJahr(2); }, 1, false},
    {"weekly first date not a date", [](F f) { mitZeit(f, 2), f.ErstDatumWoc()->setText("31.02.2026"); }, {}, {}, datum,
     [](F f) -> QWidget* { return f.ErstDatumWoc(); }, 1, false},
    {"weekly duration above 32767", [](F f) { mitZeit(f, 2), f.DauerWoc()->setText("32768"); }, {}, {},
     {u"Duration: at most 32767 weeks.", u"Dauer: höchstens 32767 Wochen."}, [](F f) -> QWidget* { return f.DauerWoc(); }, 1, false},
    {"monthly days earlier above 32767", [](F f) { mitZeit(f, 3), f.VorherMon()->setText("40000"); }, {}, {}, vorher,
     [](F f) -> QWidget* { return f.VorherMon(); }, 1, false},
    {"yearly date checked before days earlier", [](F f) { mitZeit(f, 4), f.VorherJah()->setText("99999"), f.ErstDatumJah()->setText("99.99"); },
     {}, {}, datum, [](F f) -> QWidget* { return f.ErstDatumJah(); }, 1, false},
    {"yearly days earlier above 32767", [](F f) { mitZeit(f, 4), f.VorherJah()->setText("99999"); }, {}, {}, vorher,
     [](F f) -> QWidget* { return f.VorherJah(); }, 1, false},
};
// clang-format on

TEST_F(EditorTest, SaveChecksAndQuestionsInOrderInBothLanguages) {
    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        const auto text = [&](const Text& t) {
            return t.first ? QString::fromUtf16(sprache == 1 ? t.first : t.second) : QString();
        };
        for (const Pruefung& fall : pruefungen) {
            SCOPED_TRACE(std::string(fall.name) + (sprache == 1 ? " (en)" : " (de)"));
            gefragt.clear();
            antworten.assign(fall.antworten.begin(), fall.antworten.end());
            piepser = 0;
            const size_t vorher = tabelle().size();
            auto f = oeffnen();
            f->show();
            fall.eingeben(*f);
            f->Speichern();

            std::vector<QString> erwartet;
            for (const Text& t : fall.fragen)
                erwartet.push_back(text(t));
            EXPECT_EQ(gefragt, erwartet);
            EXPECT_EQ(f->MeldungPan()->text(), text(fall.meldung));
            EXPECT_EQ(f->MeldungPan()->hintergrund(), FarbeNummer(fall.meldung.first ? 12 : 7));
            if (QWidget* fokus = fall.fokus(*f)) {
                EXPECT_EQ(f->focusWidget(), fokus);
            }
            EXPECT_EQ(piepser, fall.piepser);
            EXPECT_EQ(tabelle().size(), vorher + (fall.gespeichert ? 1 : 0));
            EXPECT_EQ(f->result(), fall.gespeichert ? QDialog::Accepted : QDialog::Rejected);
        }
    }
}

// After a question the note text has the focus, cursor at its end, unless a
// later check of the same save sends it to the box at fault.
TEST_F(EditorTest, AfterAQuestionTheFocusIsBackInTheNoteText) {
    const struct {
        const char* name;
        void (*eingeben)(Notizen&);
        std::deque<bool> antworten;
        QWidget* (*fokus)(Notizen&);
    } faelle[] = {
        {"From without times, No",
         [](F f) { mitZeit(f, 1), f.UhrArtOpt(1)->click(); },
         {false},
         [](F f) -> QWidget* { return f.Notiz(); }},
        {"monthly 29th, No",
         [](F f) { mitZeit(f, 3), f.TagZahlMon()->setText("29"); },
         {false},
         [](F f) -> QWidget* { return f.Notiz(); }},
        {"Yes, then no weekday",
         [](F f) { mitZeit(f, 2), zeit(f, 2, "18:00"), f.WoTagChe(3)->setChecked(false); },
         {true},
         [](F f) -> QWidget* { return f.Notiz(); }},
        {"Yes, then a duration too long",
         [](F f) { mitZeit(f, 2), zeit(f, 2, "18:00"), f.DauerWoc()->setText("32768"); },
         {true},
         [](F f) -> QWidget* { return f.DauerWoc(); }},
    };
    for (const auto& fall : faelle) {
        SCOPED_TRACE(fall.name);
        antworten = fall.antworten;
        auto f = oeffnen();
        f->show();
        fall.eingeben(*f);
        // The save button was clicked: it holds the focus while the question is asked.
        f->OkBef()->setFocus(Qt::MouseFocusReason);
        f->Speichern();
        EXPECT_EQ(f->focusWidget(), fall.fokus(*f));
        EXPECT_EQ(f->Notiz()->textCursor().position(), f->Notiz()->toPlainText().size());
    }
}

// ---- writing and presenting every rhythm --------------------------------------------

TEST_F(EditorTest, NewNotesOfEveryRhythmAreWrittenInTheirEncoding) {
    const QVariant heute = double(DatumsZahl(mittwoch)), null;
    struct Fall {
        const char* name;
        std::function<void(Notizen&)> eingeben;
        // Rhythmus, UhrVon, UhrBis, StartDatum, Dauer, Vorher, RhyDetails
        std::vector<QVariant> spalten;
    };
    // clang-format off
    const Fall faelle[] = {
        {"permanent, blanks kept", [](F f) { f.Notiz()->setPlainText(" a b "); }, {0, null, null, null, null, null, null}},
        {"daily 00:00 to 08:00", [](F f) { mitZeit(f, 1), zeit(f, 1, ":"), zeit(f, 2, "8"); }, {1, 0.0, 8 / 24.0, null, null, null, null}},
        {"daily whole day", [](F f) { mitZeit(f, 1); }, {1, 0, 0, null, null, null, null}},
        {"weekly Monday and Thursday", [](F f) { mitZeit(f, 2), f.WoTagChe(3)->click(), f.WoTagChe(1)->click(), f.WoTagChe(4)->click(), f.DauerWoc()->setText("6"); },
         {2, 0, 0, heute, 6, null, "-1 0 0-1 0 0 0"}},
        {"monthly on the 05th", [](F f) { mitZeit(f, 3), f.TagZahlMon()->setText("05"), f.VorherMon()->setText("3"); }, {3, 0, 0, heute, null, 3, "105"}},
        {"monthly last Monday", [](F f) { mitZeit(f, 3), f.MoPosOpt(5)->click(), f.WoTagCom()->setCurrentIndex(0); }, {3, 0, 0, heute, null, 0, "250"}},
        {"yearly 5 March in row 3", [](F f) { mitZeit(f, 4), f.TagZahlJahr(1)->clear(), f.TagZahlJahr(3)->setText("5"), f.MonatJah(3)->setCurrentIndex(2), f.ErstDatumJah()->setText("1.3.2027"); },
         {4, 0, 0, double(DatumsZahl(QDate(2027, 3, 1))), null, 0, "0503"}},
    };
    // clang-format on
    const char* namen[] = {"Rhythmus", "UhrVon", "UhrBis",    "StartDatum",
                           "Dauer",    "Vorher", "RhyDetails"};
    for (const Fall& fall : faelle) {
        auto f = oeffnen();
        fall.eingeben(*f);
        f->Speichern();
        ASSERT_EQ(f->result(), QDialog::Accepted) << fall.name;
        const Zeile z = tabelle().back();
        for (size_t i = 0; i < 7; ++i) {
            const QVariant ist = spalte(z, namen[i]), soll = fall.spalten[i];
            EXPECT_EQ(ist.isNull(), soll.isNull()) << fall.name << " " << namen[i];
            if (!soll.isNull()) {
                EXPECT_EQ(ist.toString(), soll.toString()) << fall.name << " " << namen[i];
            }
        }
    }
    EXPECT_EQ(spalte(tabelle().front(), "inhalt").toString(), " a b ");
}

TEST_F(EditorTest, StoredNotesSavedUnchangedKeepTheirRow) {
    struct Fall {
        int rhythmus;
        QVariant von, bis, details, dauer, vorher;
    };
    const Fall faelle[] = {
        {0, {}, {}, {}, {}, {}},
        {1, 0, 0, {}, {}, {}},
        {1, 8 / 24.0, 12.5 / 24, {}, {}, {}},
        {2, 9 / 24.0, 17 / 24.0, " 0-1 0 0 0 0-1", 6, {}},
        {2, 0, 0, "-1-1-1-1-1-1-1", 0, {}},
        {3, 0, 0, "105", {}, 3},
        {3, 0, 0, "129", {}, 0},
        {3, 0.0, Tageszeit(23, 59), "213", {}, 1},
        {3, 0, 0, "254", {}, 32767},
        {4, 0, 0, "24123112", {}, 2},
        {4, 7 / 24.0, 8 / 24.0, "0101290209103112", {}, 0},
    };
    for (const Fall& fall : faelle) {
        const QVariant start = fall.rhythmus >= 2 ? QVariant(46000.0) : QVariant();
        NotizZeile z{" Eintrag ", fall.rhythmus, fall.von,     fall.bis,
                     start,       fall.vorher,   fall.details, fall.dauer};
        const qint64 id = NotizEinfuegen(*u.p.lokaleNotizen, z);
        const Zeile vorher = zeile(id);
        antworten = {true}; // the 29th asks again
        auto f = bearbeiten(id);
        f->Speichern();
        ASSERT_EQ(f->result(), QDialog::Accepted) << fall.details.toString().toStdString();
        EXPECT_EQ(zeile(id), vorher) << fall.details.toString().toStdString();
    }
    EXPECT_EQ(tabelle().size(), std::size(faelle));
}

TEST_F(EditorTest, RowsOutsideTheEncodingOpenSafelyAndSave) {
    const std::pair<int, QVariant> faelle[] = {{3, "344"}, {3, "295"},  {3, "1"}, {3, QVariant()},
                                               {2, "-1"},  {4, "0513"}, {4, "x"}, {9, "?"}};
    for (const auto& [rhythmus, details] : faelle) {
        NotizZeile z; // times, dates and numbers stay Null
        z.rhythmus = rhythmus;
        z.rhyDetails = details;
        auto f = bearbeiten(NotizEinfuegen(*u.p.lokaleNotizen, z));
        EXPECT_EQ(f->Notiz()->toPlainText(), "Notiz");
        f->Speichern();
        if (f->result() != QDialog::Accepted) { // a yearly row without its month
            EXPECT_EQ(f->MeldungPan()->text(), "Month missing.");
            f->MonatJah(1)->setCurrentIndex(0);
            f->Speichern();
        }
        EXPECT_EQ(f->result(), QDialog::Accepted) << details.toString().toStdString();
    }
}

TEST_F(EditorTest, ARhythmChangeWritesOnlyItsColumns) {
    struct Fall {
        const char* name;
        std::function<void(Notizen&)> aendern;
        QStringList geaendert;
    };
    const Fall faelle[] = {
        {"to permanent", [](Notizen& f) { f.ZeitArtOpt(0)->click(); }, {"Rhythmus"}},
        {"to daily, whole day",
         [](Notizen& f) {
             f.RhythmusOpt(1)->click(), f.Uhrzeit(1)->clear(), f.Uhrzeit(2)->clear();
         },
         {"Rhythmus", "UhrVon", "UhrBis"}},
        {"to monthly",
         [](Notizen& f) { f.RhythmusOpt(3)->click(), f.TagZahlMon()->setText("12"); },
         {"Rhythmus", "StartDatum", "Vorher", "RhyDetails"}},
        {"to yearly",
         [](Notizen& f) { f.RhythmusOpt(4)->click(); },
         {"Rhythmus", "StartDatum", "Vorher", "RhyDetails"}},
    };
    for (const Fall& fall : faelle) {
        const NotizZeile z{QStringLiteral("Notiz"),          2, 9 / 24.0, 10 / 24.0, 46000.0, 7,
                           QStringLiteral("-1 0 0 0 0 0 0"), 5};
        const qint64 id = NotizEinfuegen(*u.p.lokaleNotizen, z);
        const Zeile vorher = zeile(id);
        auto f = bearbeiten(id);
        fall.aendern(*f);
        f->Speichern();
        ASSERT_EQ(f->result(), QDialog::Accepted) << fall.name;
        const Zeile nachher = zeile(id);
        QStringList geaendert;
        for (size_t i = 0; i < vorher.size(); ++i)
            if (vorher[i] != nachher[i])
                geaendert << u.p.lokaleNotizen->Spalten()[qsizetype(i)];
        EXPECT_EQ(geaendert, fall.geaendert) << fall.name;
    }
}

// ---- opening, option events, keys, focus ---------------------------------------------

TEST_F(EditorTest, NewNoteOpensWithTodaysDefaults) {
    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        const bool en = sprache == 1;
        auto f = oeffnen();
        EXPECT_EQ(f->windowTitle(), en ? "Pinwick - Edit note" : "Pinwick - Notiz bearbeiten");
        for (int i = 1; i <= 7; ++i)
            EXPECT_EQ(f->WoTagChe(i)->isChecked(), i == 3);
        EXPECT_EQ(f->WoTagChe(3)->text(), en ? "on Wednesdays" : "Mittwochs");
        for (QLineEdit* datum : {f->ErstDatumWoc(), f->ErstDatumMon(), f->ErstDatumJah()})
            EXPECT_EQ(datum->text(), DatumText(mittwoch));
        EXPECT_EQ(f->TagZahlMon()->text(), "9");
        EXPECT_EQ(f->TagZahlJahr(1)->text(), "9");
        EXPECT_EQ(f->WoTagCom()->currentText(), en ? "Wednesday" : "Mittwoch");
        EXPECT_EQ(f->MonatJah(1)->currentText(), en ? "December" : "Dezember");
        EXPECT_EQ(f->MonatJah(2)->currentIndex(), -1);
        EXPECT_TRUE(f->ZeitArtOpt(0)->isChecked() && f->UhrArtOpt(0)->isChecked() &&
                    f->RhythmusOpt(1)->isChecked() && f->MonArtOpt(1)->isChecked());
        EXPECT_TRUE(f->ZeitPan()->isHidden() && f->RhythmusPan()->isHidden());
        for (int i = 2; i <= 4; ++i) {
            EXPECT_TRUE(f->RhyArtPan(i)->isHidden());
            EXPECT_EQ(f->RhyArtPan(i)->geometry(), f->RhyArtPan(2)->geometry());
        }
        EXPECT_EQ(f->ZeitArtOpt(0)->width(), Px(en ? 2000 : 2300));
        EXPECT_EQ(f->ZeitArtOpt(1)->x(), Px(en ? 2350 : 2580));
        // No bar at the bottom: 200 twips from the top, centred.
        EXPECT_EQ(f->y(), Bildschirm().y() + Px(200));
        EXPECT_NEAR(f->x() + f->width() / 2, Bildschirm().center().x(), 1);
    }
}

TEST_F(EditorTest, OptionEventsKeepTheGroupsInStep) {
    auto f = oeffnen();
    f->ZeitArtOpt(1)->click();
    EXPECT_FALSE(f->ZeitPan()->isHidden() || f->RhythmusPan()->isHidden());
    f->RhythmusOpt(3)->click();
    EXPECT_FALSE(f->RhyArtPan(3)->isHidden());
    EXPECT_TRUE(f->RhyArtPan(2)->isHidden());
    // A position picks the weekday form; a day typed picks the day form and
    // clears the position.
    f->MoPosOpt(4)->click();
    EXPECT_TRUE(f->MonArtOpt(2)->isChecked());
    f->TagZahlMon()->setText(QStringLiteral("3"));
    EXPECT_TRUE(f->MonArtOpt(1)->isChecked());
    EXPECT_FALSE(f->MoPosOpt(4)->isChecked());
    // A time typed chooses "From", both emptied "Whole day".
    f->Uhrzeit(1)->setText(QStringLiteral("8"));
    EXPECT_TRUE(f->UhrArtOpt(1)->isChecked());
    f->Uhrzeit(1)->clear();
    EXPECT_TRUE(f->UhrArtOpt(0)->isChecked());
    // Permanent hides everything and falls back to daily.
    f->ZeitArtOpt(0)->click();
    EXPECT_TRUE(f->RhythmusOpt(1)->isChecked());
    EXPECT_TRUE(f->ZeitPan()->isHidden() && f->RhyArtPan(3)->isHidden());
}

TEST_F(EditorTest, KeysCharactersHelpAndEscape) {
    auto f = oeffnen();
    f->show();
    const std::tuple<QLineEdit*, const char*, const char*> faelle[] = {
        {f->Uhrzeit(1), "a1:.b2/-3 ", "1:23"}, {f->ErstDatumWoc(), "1.2x.-2027", "1.2.2027"},
        {f->DauerWoc(), "1-2a3.", "123"},      {f->VorherJah(), "40000", "40000"},
        {f->TagZahlMon(), "1a23", "12"},       {f->TagZahlJahr(4), "7.8.9", "78"}};
    for (const auto& [box, getippt, ergebnis] : faelle) {
        box->clear();
        QTest::keyClicks(box, QString::fromLatin1(getippt));
        EXPECT_EQ(box->text(), ergebnis) << getippt;
    }
    // The note takes everything but Enter; pasted line breaks become blanks.
    QTest::keyClicks(f->Notiz(), QStringLiteral("Tor 3/4 "));
    QTest::keyClick(f->Notiz(), Qt::Key_Return);
    QTest::keyClick(f->Notiz(), Qt::Key_Enter, Qt::ShiftModifier);
    QGuiApplication::clipboard()->setText(QStringLiteral("z\r\nu\n"));
    f->Notiz()->paste();
    EXPECT_EQ(f->Notiz()->toPlainText(), "Tor 3/4 z u ");

    // Every key clears the message line.
    f->Notiz()->clear();
    f->Speichern();
    EXPECT_EQ(f->MeldungPan()->text(), "Note text missing.");
    QTest::keyClick(f->Notiz(), Qt::Key_Shift);
    EXPECT_EQ(f->MeldungPan()->text(), "");
    EXPECT_EQ(f->MeldungPan()->hintergrund(), FarbeNummer(7));

    QTest::keyClick(f->DauerWoc(), Qt::Key_F1);
    QTest::keyClick(f->Notiz(), Qt::Key_F1, Qt::ControlModifier);
    EXPECT_EQ(hilfen, 1);
    f->Notiz()->setPlainText(QStringLiteral("weg damit"));
    QTest::keyClick(f->ZeitArtOpt(0), Qt::Key_Escape);
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->result(), QDialog::Rejected);
    // The window's close button is Cancel too.
    f = oeffnen();
    f->show();
    f->Notiz()->setPlainText(QStringLiteral("auch weg"));
    f->close();
    EXPECT_EQ(f->result(), QDialog::Rejected);
    EXPECT_TRUE(tabelle().empty());
}

TEST_F(EditorTest, LeavingABoxNormalisesIt) {
    auto f = oeffnen();
    f->show();
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.get()));
    EXPECT_TRUE(f->Notiz()->hasFocus());
    mitZeit(*f, 3);
    const auto hinein = [](QWidget* box) {
        box->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    };
    hinein(f->Uhrzeit(1));
    EXPECT_EQ(f->Uhrzeit(1)->palette().color(QPalette::Base), Farbe(FarbeNummer(11)));
    f->Uhrzeit(1)->setText(QStringLiteral("7:5"));
    hinein(f->Uhrzeit(2));
    EXPECT_EQ(f->Uhrzeit(1)->palette().color(QPalette::Base), Farbe(FarbeNummer(15)));
    EXPECT_EQ(f->Uhrzeit(1)->text(), "07:05");
    EXPECT_EQ(f->ArbeitsZeit(1), Tageszeit(7, 5));

    // A refused time stays as typed, with the message and the focus back.
    f->Uhrzeit(2)->setText(QStringLiteral("25:00"));
    hinein(f->VorherMon());
    EXPECT_EQ(f->MeldungPan()->text(), "Invalid time format.");
    EXPECT_EQ(f->Uhrzeit(2)->text(), "25:00");
    EXPECT_TRUE(f->Uhrzeit(2)->hasFocus());

    // Two wrong boxes do not hand the focus to each other for ever.
    f->ErstDatumMon()->setText(QStringLiteral("31.02.2026"));
    hinein(f->ErstDatumMon());
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(f->Uhrzeit(2)->hasFocus());
    f->Uhrzeit(2)->setText(QStringLiteral("8"));
    hinein(f->ErstDatumMon());
    hinein(f->TagZahlMon());
    EXPECT_EQ(f->Uhrzeit(2)->text(), "08:00");
    EXPECT_EQ(f->MeldungPan()->text(), "Invalid date.");
    EXPECT_TRUE(f->ErstDatumMon()->hasFocus());

    // Empty boxes get their defaults; a date is written out.
    const std::tuple<QLineEdit*, const char*, QString> faelle[] = {
        {f->ErstDatumMon(), "", DatumText(mittwoch)},
        {f->ErstDatumMon(), "24.12.", DatumText(QDate(2026, 12, 24))},
        {f->VorherMon(), "", "0"},
        {f->TagZahlMon(), "", "9"}};
    for (const auto& [box, eingabe, ergebnis] : faelle) {
        hinein(box);
        box->setText(QString::fromLatin1(eingabe));
        hinein(f->Notiz());
        EXPECT_EQ(box->text(), ergebnis) << eingabe;
    }
}

TEST_F(EditorTest, AStoreFailureKeepsTheEditorOpenAndTheRowAsItWas) {
    const qint64 id = NotizEinfuegen(*u.p.lokaleNotizen, NotizZeile{});
    const Zeile vorher = zeile(id);
    for (const char* wann : {"UPDATE", "INSERT"})
        u.p.lokaleDatenbank->Ausfuehren(
            QStringLiteral("CREATE TRIGGER voll%1 BEFORE %1 ON Notizen "
                           "BEGIN SELECT RAISE(ABORT, 'disk full'); END")
                .arg(QLatin1String(wann)));
    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        for (int neu = 0; neu < 2; ++neu) {
            auto f = neu ? oeffnen() : bearbeiten(id);
            f->show();
            f->Notiz()->setPlainText(QStringLiteral("neu"));
            f->Speichern();
            EXPECT_TRUE(f->isVisible());
            EXPECT_EQ(f->MeldungPan()->text(),
                      sprache == 1 ? "Note not saved: database error. Please try again."
                                   : "Notiz nicht gespeichert: Datenbankfehler. Bitte erneut "
                                     "versuchen.");
            EXPECT_EQ(tabelle(), std::vector<Zeile>{vorher});
        }
    }
    // Once the store works again, the same window saves.
    auto f = bearbeiten(id);
    f->Notiz()->setPlainText(QStringLiteral("neu"));
    f->Speichern();
    u.p.lokaleDatenbank->Ausfuehren(QStringLiteral("DROP TRIGGER vollUPDATE"));
    f->Speichern();
    EXPECT_EQ(f->result(), QDialog::Accepted);
    EXPECT_EQ(spalte(zeile(id), "inhalt").toString(), "neu");
}

} // namespace
} // namespace pinwick
