// The note editor window on the offscreen platform, writing into a notes
// table in a temporary folder. Questions are answered through the window's
// seam; nothing blocks.

#include "EditorKind.h"
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
#include <set>

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
    test::Kind<QLineEdit>(f, test::Nummer("Uhrzeit", i))->setText(QString::fromLatin1(text));
    f.UhrzeitBoxPruefen(i);
}
void mitZeit(Notizen& f, int rhythmus) {
    test::Kind<NotizFeld>(f, QStringLiteral("Notiz"))->setPlainText(QStringLiteral("Besprechung"));
    test::Kind<QRadioButton>(f, QStringLiteral("ZeitArtOpt2"))->click();
    test::Kind<QRadioButton>(f, test::Nummer("RhythmusOpt", rhythmus))->click();
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
    {"blank text, before anything else", [](F f) { mitZeit(f, 2), test::Kind<NotizFeld>(f, QStringLiteral("Notiz"))->setPlainText("   "), test::Kind<QRadioButton>(f, QStringLiteral("UhrArtOpt2"))->click(), test::Kind<QCheckBox>(f, QStringLiteral("WoTagChe3"))->setChecked(false); },
     {}, {}, {u"Note text missing.", u"Notiztext fehlt."}, [](F f) -> QWidget* { return test::Kind<NotizFeld>(f, QStringLiteral("Notiz")); }, 1, false},
    {"From without times, No", [](F f) { mitZeit(f, 1), test::Kind<QRadioButton>(f, QStringLiteral("UhrArtOpt2"))->click(); }, {false}, {ganztags}, keine, ohne, 1, false},
    {"From without times, Yes", [](F f) { mitZeit(f, 1), test::Kind<QRadioButton>(f, QStringLiteral("UhrArtOpt2"))->click(); }, {true}, {ganztags}, keine, ohne, 1, true},
    {"start missing, No", [](F f) { mitZeit(f, 1), zeit(f, 2, "10:00"); }, {false}, {abNull}, keine, ohne, 1, false},
    {"end missing, No", [](F f) { mitZeit(f, 1), zeit(f, 1, "9"); }, {false}, {bis2359}, keine, ohne, 1, false},
    {"end missing, Yes", [](F f) { mitZeit(f, 1), zeit(f, 1, "9"); }, {true}, {bis2359}, keine, ohne, 1, true},
    {"end not after start", [](F f) { mitZeit(f, 1), zeit(f, 1, "10:00"), zeit(f, 2, "10"); }, {}, {},
     {u"End time after starting time!", u"Schlusszeit muss hinter Anfangszeit liegen."}, [](F f) -> QWidget* { return test::Kind<QLineEdit>(f, QStringLiteral("Uhrzeit2")); }, 1, false},
    {"a permanent note still asks about its times", [](F f) { mitZeit(f, 1), zeit(f, 1, "9"), test::Kind<QRadioButton>(f, QStringLiteral("ZeitArtOpt1"))->click(); },
     {false}, {bis2359}, keine, ohne, 1, false},
    {"the time question comes before the weekday check", [](F f) { mitZeit(f, 2), zeit(f, 2, "18:00"), test::Kind<QCheckBox>(f, QStringLiteral("WoTagChe3"))->setChecked(false); },
     {true}, {abNull}, {u"No weekday selected.", u"Kein Wochentag gewählt."}, ohne, 2, false},
    {"a refused time left in its box", [](F f) { mitZeit(f, 1), test::Kind<QLineEdit>(f, QStringLiteral("Uhrzeit1"))->setText("25:00"), test::Kind<QLineEdit>(f, QStringLiteral("Uhrzeit2"))->setText("26"); }, {}, {},
     {u"Invalid time format.", u"Ungültiges Zeitformat."}, [](F f) -> QWidget* { return test::Kind<QLineEdit>(f, QStringLiteral("Uhrzeit1")); }, 1, false},
    {"monthly 29th, No", [](F f) { mitZeit(f, 3), test::Kind<QLineEdit>(f, QStringLiteral("TagZahlMon"))->setText("29"); }, {false}, {tag29}, keine, ohne, 0, false},
    {"monthly 31st, No", [](F f) { mitZeit(f, 3), test::Kind<QLineEdit>(f, QStringLiteral("TagZahlMon"))->setText("31"); }, {false}, {tag31}, keine, ohne, 0, false},
    {"monthly 31st, Yes", [](F f) { mitZeit(f, 3), test::Kind<QLineEdit>(f, QStringLiteral("TagZahlMon"))->setText("31"); }, {true}, {tag31}, keine, ohne, 0, true},
    {"monthly 30th, no question", [](F f) { mitZeit(f, 3), test::Kind<QLineEdit>(f, QStringLiteral("TagZahlMon"))->setText("30"); }, {}, {}, keine, ohne, 0, true},
    {"monthly day 0", [](F f) { mitZeit(f, 3), test::Kind<QLineEdit>(f, QStringLiteral("TagZahlMon"))->setText("00"); }, {}, {}, tag0,
     [](F f) -> QWidget* { return test::Kind<QLineEdit>(f, QStringLiteral("TagZahlMon")); }, 1, false},
    {"monthly day 32", [](F f) { mitZeit(f, 3), test::Kind<QLineEdit>(f, QStringLiteral("TagZahlMon"))->setText("32"); }, {}, {}, tag0,
     [](F f) -> QWidget* { return test::Kind<QLineEdit>(f, QStringLiteral("TagZahlMon")); }, 1, false},
    {"monthly day 99", [](F f) { mitZeit(f, 3), test::Kind<QLineEdit>(f, QStringLiteral("TagZahlMon"))->setText("99"); }, {}, {}, tag0,
     [](F f) -> QWidget* { return test::Kind<QLineEdit>(f, QStringLiteral("TagZahlMon")); }, 1, false},
    {"monthly weekday without position", [](F f) { mitZeit(f, 3), test::Kind<QRadioButton>(f, QStringLiteral("MonArtOpt2"))->click(); }, {}, {},
     {u"Position of weekday within month not selected.", u"Position des Wochentags im Monat nicht gewählt."}, ohne, 1, false},
    {"yearly without a day", [](F f) { mitZeit(f, 4), test::Kind<QLineEdit>(f, QStringLiteral("TagZahlJahr1"))->clear(); }, {}, {},
     {u"Day of year not selected.", u"Kein Jahrestag gewählt."}, ohne, 1, false},
    {"yearly row 3 without month, before a day 0 in row 4", [](F f) { mitZeit(f, 4), test::Kind<QLineEdit>(f, QStringLiteral("TagZahlJahr3"))->setText("5"), test::Kind<QLineEdit>(f, QStringLiteral("TagZahlJahr4"))->setText("0"); },
     {}, {}, {u"Month missing.", u"Monat fehlt."}, [](F f) -> QWidget* { return test::Kind<QComboBox>(f, QStringLiteral("MonatJah3")); }, 1, false},
    {"yearly day 0", [](F f) { mitZeit(f, 4), test::Kind<QLineEdit>(f, QStringLiteral("TagZahlJahr2"))->setText("0"), test::Kind<QComboBox>(f, QStringLiteral("MonatJah2"))->setCurrentIndex(4); }, {}, {}, tag0,
     [](F f) -> QWidget* { return test::Kind<QLineEdit>(f, QStringLiteral("TagZahlJahr2")); }, 1, false},
    {"weekly first date not a date", [](F f) { mitZeit(f, 2), test::Kind<QLineEdit>(f, QStringLiteral("ErstDatumWoc"))->setText("31.02.2026"); }, {}, {}, datum,
     [](F f) -> QWidget* { return test::Kind<QLineEdit>(f, QStringLiteral("ErstDatumWoc")); }, 1, false},
    {"weekly duration above 32767", [](F f) { mitZeit(f, 2), test::Kind<QLineEdit>(f, QStringLiteral("DauerWoc"))->setText("32768"); }, {}, {},
     {u"Duration: at most 32767 weeks.", u"Dauer: höchstens 32767 Wochen."}, [](F f) -> QWidget* { return test::Kind<QLineEdit>(f, QStringLiteral("DauerWoc")); }, 1, false},
    {"monthly days earlier above 32767", [](F f) { mitZeit(f, 3), test::Kind<QLineEdit>(f, QStringLiteral("VorherMon"))->setText("40000"); }, {}, {}, vorher,
     [](F f) -> QWidget* { return test::Kind<QLineEdit>(f, QStringLiteral("VorherMon")); }, 1, false},
    {"yearly date checked before days earlier", [](F f) { mitZeit(f, 4), test::Kind<QLineEdit>(f, QStringLiteral("VorherJah"))->setText("99999"), test::Kind<QLineEdit>(f, QStringLiteral("ErstDatumJah"))->setText("99.99"); },
     {}, {}, datum, [](F f) -> QWidget* { return test::Kind<QLineEdit>(f, QStringLiteral("ErstDatumJah")); }, 1, false},
    {"yearly days earlier above 32767", [](F f) { mitZeit(f, 4), test::Kind<QLineEdit>(f, QStringLiteral("VorherJah"))->setText("99999"); }, {}, {}, vorher,
     [](F f) -> QWidget* { return test::Kind<QLineEdit>(f, QStringLiteral("VorherJah")); }, 1, false},
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
            EXPECT_EQ(test::Kind<Panel3D>(*f, QStringLiteral("MeldungPan"))->text(),
                      text(fall.meldung));
            EXPECT_EQ(test::Kind<Panel3D>(*f, QStringLiteral("MeldungPan"))->hintergrund(),
                      FarbeNummer(fall.meldung.first ? 12 : 7));
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
         [](F f) {
             mitZeit(f, 1), test::Kind<QRadioButton>(f, QStringLiteral("UhrArtOpt2"))->click();
         },
         {false},
         [](F f) -> QWidget* { return test::Kind<NotizFeld>(f, QStringLiteral("Notiz")); }},
        {"monthly 29th, No",
         [](F f) {
             mitZeit(f, 3), test::Kind<QLineEdit>(f, QStringLiteral("TagZahlMon"))->setText("29");
         },
         {false},
         [](F f) -> QWidget* { return test::Kind<NotizFeld>(f, QStringLiteral("Notiz")); }},
        {"Yes, then no weekday",
         [](F f) {
             mitZeit(f, 2), zeit(f, 2, "18:00"),
                 test::Kind<QCheckBox>(f, QStringLiteral("WoTagChe3"))->setChecked(false);
         },
         {true},
         [](F f) -> QWidget* { return test::Kind<NotizFeld>(f, QStringLiteral("Notiz")); }},
        {"Yes, then a duration too long",
         [](F f) {
             mitZeit(f, 2), zeit(f, 2, "18:00"),
                 test::Kind<QLineEdit>(f, QStringLiteral("DauerWoc"))->setText("32768");
         },
         {true},
         [](F f) -> QWidget* { return test::Kind<QLineEdit>(f, QStringLiteral("DauerWoc")); }},
    };
    for (const auto& fall : faelle) {
        SCOPED_TRACE(fall.name);
        antworten = fall.antworten;
        auto f = oeffnen();
        f->show();
        fall.eingeben(*f);
        // The save button was clicked: it holds the focus while the question is asked.
        test::Kind<QPushButton>(*f, QStringLiteral("OkBef"))->setFocus(Qt::MouseFocusReason);
        f->Speichern();
        EXPECT_EQ(f->focusWidget(), fall.fokus(*f));
        EXPECT_EQ(test::Kind<NotizFeld>(*f, QStringLiteral("Notiz"))->textCursor().position(),
                  test::Kind<NotizFeld>(*f, QStringLiteral("Notiz"))->toPlainText().size());
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
        {"permanent, blanks kept", [](F f) { test::Kind<NotizFeld>(f, QStringLiteral("Notiz"))->setPlainText(" a b "); }, {0, null, null, null, null, null, null}},
        {"daily 00:00 to 08:00", [](F f) { mitZeit(f, 1), zeit(f, 1, ":"), zeit(f, 2, "8"); }, {1, 0.0, 8 / 24.0, null, null, null, null}},
        {"daily whole day", [](F f) { mitZeit(f, 1); }, {1, 0, 0, null, null, null, null}},
        {"weekly Monday and Thursday", [](F f) { mitZeit(f, 2), test::Kind<QCheckBox>(f, QStringLiteral("WoTagChe3"))->click(), test::Kind<QCheckBox>(f, QStringLiteral("WoTagChe1"))->click(), test::Kind<QCheckBox>(f, QStringLiteral("WoTagChe4"))->click(), test::Kind<QLineEdit>(f, QStringLiteral("DauerWoc"))->setText("6"); },
         {2, 0, 0, heute, 6, null, "-1 0 0-1 0 0 0"}},
        {"monthly on the 05th", [](F f) { mitZeit(f, 3), test::Kind<QLineEdit>(f, QStringLiteral("TagZahlMon"))->setText("05"), test::Kind<QLineEdit>(f, QStringLiteral("VorherMon"))->setText("3"); }, {3, 0, 0, heute, null, 3, "105"}},
        {"monthly last Monday", [](F f) { mitZeit(f, 3), test::Kind<QRadioButton>(f, QStringLiteral("MoPosOpt5"))->click(), test::Kind<QComboBox>(f, QStringLiteral("WoTagCom"))->setCurrentIndex(0); }, {3, 0, 0, heute, null, 0, "250"}},
        {"yearly 5 March in row 3", [](F f) { mitZeit(f, 4), test::Kind<QLineEdit>(f, QStringLiteral("TagZahlJahr1"))->clear(), test::Kind<QLineEdit>(f, QStringLiteral("TagZahlJahr3"))->setText("5"), test::Kind<QComboBox>(f, QStringLiteral("MonatJah3"))->setCurrentIndex(2), test::Kind<QLineEdit>(f, QStringLiteral("ErstDatumJah"))->setText("1.3.2027"); },
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
        EXPECT_EQ(test::Kind<NotizFeld>(*f, QStringLiteral("Notiz"))->toPlainText(), "Notiz");
        f->Speichern();
        if (f->result() != QDialog::Accepted) { // a yearly row without its month
            EXPECT_EQ(test::Kind<Panel3D>(*f, QStringLiteral("MeldungPan"))->text(),
                      "Month missing.");
            test::Kind<QComboBox>(*f, QStringLiteral("MonatJah1"))->setCurrentIndex(0);
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
        {"to permanent",
         [](Notizen& f) { test::Kind<QRadioButton>(f, QStringLiteral("ZeitArtOpt1"))->click(); },
         {"Rhythmus"}},
        {"to daily, whole day",
         [](Notizen& f) {
             test::Kind<QRadioButton>(f, QStringLiteral("RhythmusOpt1"))->click(),
                 test::Kind<QLineEdit>(f, QStringLiteral("Uhrzeit1"))->clear(),
                 test::Kind<QLineEdit>(f, QStringLiteral("Uhrzeit2"))->clear();
         },
         {"Rhythmus", "UhrVon", "UhrBis"}},
        {"to monthly",
         [](Notizen& f) {
             test::Kind<QRadioButton>(f, QStringLiteral("RhythmusOpt3"))->click(),
                 test::Kind<QLineEdit>(f, QStringLiteral("TagZahlMon"))->setText("12");
         },
         {"Rhythmus", "StartDatum", "Vorher", "RhyDetails"}},
        {"to yearly",
         [](Notizen& f) { test::Kind<QRadioButton>(f, QStringLiteral("RhythmusOpt4"))->click(); },
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
            EXPECT_EQ(test::Kind<QCheckBox>(*f, test::Nummer("WoTagChe", i))->isChecked(), i == 3);
        EXPECT_EQ(test::Kind<QCheckBox>(*f, QStringLiteral("WoTagChe3"))->text(),
                  en ? "on Wednesdays" : "Mittwochs");
        for (QLineEdit* datum : {test::Kind<QLineEdit>(*f, QStringLiteral("ErstDatumWoc")),
                                 test::Kind<QLineEdit>(*f, QStringLiteral("ErstDatumMon")),
                                 test::Kind<QLineEdit>(*f, QStringLiteral("ErstDatumJah"))})
            EXPECT_EQ(datum->text(), DatumText(mittwoch));
        EXPECT_EQ(test::Kind<QLineEdit>(*f, QStringLiteral("TagZahlMon"))->text(), "9");
        EXPECT_EQ(test::Kind<QLineEdit>(*f, QStringLiteral("TagZahlJahr1"))->text(), "9");
        EXPECT_EQ(test::Kind<QComboBox>(*f, QStringLiteral("WoTagCom"))->currentText(),
                  en ? "Wednesday" : "Mittwoch");
        EXPECT_EQ(test::Kind<QComboBox>(*f, QStringLiteral("MonatJah1"))->currentText(),
                  en ? "December" : "Dezember");
        EXPECT_EQ(test::Kind<QComboBox>(*f, QStringLiteral("MonatJah2"))->currentIndex(), -1);
        EXPECT_TRUE(test::Kind<QRadioButton>(*f, QStringLiteral("ZeitArtOpt1"))->isChecked() &&
                    test::Kind<QRadioButton>(*f, QStringLiteral("UhrArtOpt1"))->isChecked() &&
                    test::Kind<QRadioButton>(*f, QStringLiteral("RhythmusOpt1"))->isChecked() &&
                    test::Kind<QRadioButton>(*f, QStringLiteral("MonArtOpt1"))->isChecked());
        EXPECT_TRUE(test::Kind<Panel3D>(*f, QStringLiteral("ZeitPan"))->isHidden() &&
                    test::Kind<Panel3D>(*f, QStringLiteral("RhythmusPan"))->isHidden());
        for (int i = 2; i <= 4; ++i) {
            EXPECT_TRUE(test::Kind<Panel3D>(*f, test::Nummer("RhyArtPan", i))->isHidden());
            EXPECT_EQ(test::Kind<Panel3D>(*f, test::Nummer("RhyArtPan", i))->geometry(),
                      test::Kind<Panel3D>(*f, QStringLiteral("RhyArtPan2"))->geometry());
        }
        EXPECT_EQ(test::Kind<QRadioButton>(*f, QStringLiteral("ZeitArtOpt1"))->width(),
                  Px(en ? 2000 : 2300));
        EXPECT_EQ(test::Kind<QRadioButton>(*f, QStringLiteral("ZeitArtOpt2"))->x(),
                  Px(en ? 2350 : 2580));
        // No bar at the bottom: 200 twips from the top, centred.
        EXPECT_EQ(f->y(), Bildschirm().y() + Px(200));
        EXPECT_NEAR(f->x() + f->width() / 2, Bildschirm().center().x(), 1);
    }
}

TEST_F(EditorTest, OptionEventsKeepTheGroupsInStep) {
    auto f = oeffnen();
    test::Kind<QRadioButton>(*f, QStringLiteral("ZeitArtOpt2"))->click();
    EXPECT_FALSE(test::Kind<Panel3D>(*f, QStringLiteral("ZeitPan"))->isHidden() ||
                 test::Kind<Panel3D>(*f, QStringLiteral("RhythmusPan"))->isHidden());
    test::Kind<QRadioButton>(*f, QStringLiteral("RhythmusOpt3"))->click();
    EXPECT_FALSE(test::Kind<Panel3D>(*f, QStringLiteral("RhyArtPan3"))->isHidden());
    EXPECT_TRUE(test::Kind<Panel3D>(*f, QStringLiteral("RhyArtPan2"))->isHidden());
    // A position picks the weekday form; a day typed picks the day form and
    // clears the position.
    test::Kind<QRadioButton>(*f, QStringLiteral("MoPosOpt4"))->click();
    EXPECT_TRUE(test::Kind<QRadioButton>(*f, QStringLiteral("MonArtOpt2"))->isChecked());
    test::Kind<QLineEdit>(*f, QStringLiteral("TagZahlMon"))->setText(QStringLiteral("3"));
    EXPECT_TRUE(test::Kind<QRadioButton>(*f, QStringLiteral("MonArtOpt1"))->isChecked());
    EXPECT_FALSE(test::Kind<QRadioButton>(*f, QStringLiteral("MoPosOpt4"))->isChecked());
    // A time typed chooses "From", both emptied "Whole day".
    test::Kind<QLineEdit>(*f, QStringLiteral("Uhrzeit1"))->setText(QStringLiteral("8"));
    EXPECT_TRUE(test::Kind<QRadioButton>(*f, QStringLiteral("UhrArtOpt2"))->isChecked());
    test::Kind<QLineEdit>(*f, QStringLiteral("Uhrzeit1"))->clear();
    EXPECT_TRUE(test::Kind<QRadioButton>(*f, QStringLiteral("UhrArtOpt1"))->isChecked());
    // Permanent hides everything and falls back to daily.
    test::Kind<QRadioButton>(*f, QStringLiteral("ZeitArtOpt1"))->click();
    EXPECT_TRUE(test::Kind<QRadioButton>(*f, QStringLiteral("RhythmusOpt1"))->isChecked());
    EXPECT_TRUE(test::Kind<Panel3D>(*f, QStringLiteral("ZeitPan"))->isHidden() &&
                test::Kind<Panel3D>(*f, QStringLiteral("RhyArtPan3"))->isHidden());
}

TEST_F(EditorTest, KeysCharactersHelpAndEscape) {
    auto f = oeffnen();
    f->show();
    const std::tuple<QLineEdit*, const char*, const char*> faelle[] = {
        {test::Kind<QLineEdit>(*f, QStringLiteral("Uhrzeit1")), "a1:.b2/-3 ", "1:23"},
        {test::Kind<QLineEdit>(*f, QStringLiteral("ErstDatumWoc")), "1.2x.-2027", "1.2.2027"},
        {test::Kind<QLineEdit>(*f, QStringLiteral("DauerWoc")), "1-2a3.", "123"},
        {test::Kind<QLineEdit>(*f, QStringLiteral("VorherJah")), "40000", "40000"},
        {test::Kind<QLineEdit>(*f, QStringLiteral("TagZahlMon")), "1a23", "12"},
        {test::Kind<QLineEdit>(*f, QStringLiteral("TagZahlJahr4")), "7.8.9", "78"}};
    for (const auto& [box, getippt, ergebnis] : faelle) {
        box->clear();
        QTest::keyClicks(box, QString::fromLatin1(getippt));
        EXPECT_EQ(box->text(), ergebnis) << getippt;
    }
    // The note takes everything but Enter; pasted line breaks become blanks.
    QTest::keyClicks(test::Kind<NotizFeld>(*f, QStringLiteral("Notiz")),
                     QStringLiteral("Tor 3/4 "));
    QTest::keyClick(test::Kind<NotizFeld>(*f, QStringLiteral("Notiz")), Qt::Key_Return);
    QTest::keyClick(test::Kind<NotizFeld>(*f, QStringLiteral("Notiz")), Qt::Key_Enter,
                    Qt::ShiftModifier);
    QGuiApplication::clipboard()->setText(QStringLiteral("z\r\nu\n"));
    test::Kind<NotizFeld>(*f, QStringLiteral("Notiz"))->paste();
    EXPECT_EQ(test::Kind<NotizFeld>(*f, QStringLiteral("Notiz"))->toPlainText(), "Tor 3/4 z u ");

    // Every key clears the message line.
    test::Kind<NotizFeld>(*f, QStringLiteral("Notiz"))->clear();
    f->Speichern();
    EXPECT_EQ(test::Kind<Panel3D>(*f, QStringLiteral("MeldungPan"))->text(), "Note text missing.");
    QTest::keyClick(test::Kind<NotizFeld>(*f, QStringLiteral("Notiz")), Qt::Key_Shift);
    EXPECT_EQ(test::Kind<Panel3D>(*f, QStringLiteral("MeldungPan"))->text(), "");
    EXPECT_EQ(test::Kind<Panel3D>(*f, QStringLiteral("MeldungPan"))->hintergrund(), FarbeNummer(7));

    QTest::keyClick(test::Kind<QLineEdit>(*f, QStringLiteral("DauerWoc")), Qt::Key_F1);
    QTest::keyClick(test::Kind<NotizFeld>(*f, QStringLiteral("Notiz")), Qt::Key_F1,
                    Qt::ControlModifier);
    EXPECT_EQ(hilfen, 1);
    test::Kind<NotizFeld>(*f, QStringLiteral("Notiz"))->setPlainText(QStringLiteral("weg damit"));
    QTest::keyClick(test::Kind<QRadioButton>(*f, QStringLiteral("ZeitArtOpt1")), Qt::Key_Escape);
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->result(), QDialog::Rejected);
    // The window's close button is Cancel too.
    f = oeffnen();
    f->show();
    test::Kind<NotizFeld>(*f, QStringLiteral("Notiz"))->setPlainText(QStringLiteral("auch weg"));
    f->close();
    EXPECT_EQ(f->result(), QDialog::Rejected);
    EXPECT_TRUE(tabelle().empty());
}

TEST_F(EditorTest, LeavingABoxNormalisesIt) {
    auto f = oeffnen();
    f->show();
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.get()));
    EXPECT_TRUE(test::Kind<NotizFeld>(*f, QStringLiteral("Notiz"))->hasFocus());
    mitZeit(*f, 3);
    const auto hinein = [](QWidget* box) {
        box->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    };
    hinein(test::Kind<QLineEdit>(*f, QStringLiteral("Uhrzeit1")));
    EXPECT_EQ(
        test::Kind<QLineEdit>(*f, QStringLiteral("Uhrzeit1"))->palette().color(QPalette::Base),
        Farbe(FarbeNummer(11)));
    test::Kind<QLineEdit>(*f, QStringLiteral("Uhrzeit1"))->setText(QStringLiteral("7:5"));
    hinein(test::Kind<QLineEdit>(*f, QStringLiteral("Uhrzeit2")));
    EXPECT_EQ(
        test::Kind<QLineEdit>(*f, QStringLiteral("Uhrzeit1"))->palette().color(QPalette::Base),
        Farbe(FarbeNummer(15)));
    EXPECT_EQ(test::Kind<QLineEdit>(*f, QStringLiteral("Uhrzeit1"))->text(), "07:05");
    EXPECT_EQ(f->FormularLesen().zeit[0], Tageszeit(7, 5));

    // A refused time stays as typed, with the message and the focus back.
    test::Kind<QLineEdit>(*f, QStringLiteral("Uhrzeit2"))->setText(QStringLiteral("25:00"));
    hinein(test::Kind<QLineEdit>(*f, QStringLiteral("VorherMon")));
    EXPECT_EQ(test::Kind<Panel3D>(*f, QStringLiteral("MeldungPan"))->text(),
              "Invalid time format.");
    EXPECT_EQ(test::Kind<QLineEdit>(*f, QStringLiteral("Uhrzeit2"))->text(), "25:00");
    EXPECT_TRUE(test::Kind<QLineEdit>(*f, QStringLiteral("Uhrzeit2"))->hasFocus());

    // Two wrong boxes do not hand the focus to each other for ever.
    test::Kind<QLineEdit>(*f, QStringLiteral("ErstDatumMon"))
        ->setText(QStringLiteral("31.02.2026"));
    hinein(test::Kind<QLineEdit>(*f, QStringLiteral("ErstDatumMon")));
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(test::Kind<QLineEdit>(*f, QStringLiteral("Uhrzeit2"))->hasFocus());
    test::Kind<QLineEdit>(*f, QStringLiteral("Uhrzeit2"))->setText(QStringLiteral("8"));
    hinein(test::Kind<QLineEdit>(*f, QStringLiteral("ErstDatumMon")));
    hinein(test::Kind<QLineEdit>(*f, QStringLiteral("TagZahlMon")));
    EXPECT_EQ(test::Kind<QLineEdit>(*f, QStringLiteral("Uhrzeit2"))->text(), "08:00");
    EXPECT_EQ(test::Kind<Panel3D>(*f, QStringLiteral("MeldungPan"))->text(), "Invalid date.");
    EXPECT_TRUE(test::Kind<QLineEdit>(*f, QStringLiteral("ErstDatumMon"))->hasFocus());

    // Empty boxes get their defaults; a date is written out.
    const std::tuple<QLineEdit*, const char*, QString> faelle[] = {
        {test::Kind<QLineEdit>(*f, QStringLiteral("ErstDatumMon")), "", DatumText(mittwoch)},
        {test::Kind<QLineEdit>(*f, QStringLiteral("ErstDatumMon")), "24.12.",
         DatumText(QDate(2026, 12, 24))},
        {test::Kind<QLineEdit>(*f, QStringLiteral("VorherMon")), "", "0"},
        {test::Kind<QLineEdit>(*f, QStringLiteral("TagZahlMon")), "", "9"}};
    for (const auto& [box, eingabe, ergebnis] : faelle) {
        hinein(box);
        box->setText(QString::fromLatin1(eingabe));
        hinein(test::Kind<NotizFeld>(*f, QStringLiteral("Notiz")));
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
            test::Kind<NotizFeld>(*f, QStringLiteral("Notiz"))->setPlainText(QStringLiteral("neu"));
            f->Speichern();
            EXPECT_TRUE(f->isVisible());
            EXPECT_EQ(test::Kind<Panel3D>(*f, QStringLiteral("MeldungPan"))->text(),
                      sprache == 1 ? "Note not saved: database error. Please try again."
                                   : "Notiz nicht gespeichert: Datenbankfehler. Bitte erneut "
                                     "versuchen.");
            EXPECT_EQ(tabelle(), std::vector<Zeile>{vorher});
        }
    }
    // Once the store works again, the same window saves.
    auto f = bearbeiten(id);
    test::Kind<NotizFeld>(*f, QStringLiteral("Notiz"))->setPlainText(QStringLiteral("neu"));
    f->Speichern();
    u.p.lokaleDatenbank->Ausfuehren(QStringLiteral("DROP TRIGGER vollUPDATE"));
    f->Speichern();
    EXPECT_EQ(f->result(), QDialog::Accepted);
    EXPECT_EQ(spalte(zeile(id), "inhalt").toString(), "neu");
}

} // namespace
} // namespace pinwick

namespace pinwick {
namespace {

// The layout table: every control is named once, lies inside the panel that
// holds it, and the window holds every panel; the detail panels of the three
// rhythms share one place.
TEST_F(EditorTest, EveryControlIsNamedOnceAndLiesInsideItsPanel) {
    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        auto f = oeffnen();
        std::set<QString> namen;
        int benannt = 0;
        for (QWidget* w : f->findChildren<QWidget*>()) {
            // The table's controls: what the window and its panels hold
            // (not the parts a list or a text box makes for itself).
            QWidget* eltern = w->parentWidget();
            if (eltern != f.get() &&
                !(qobject_cast<Panel3D*>(eltern) && eltern->parentWidget() == f.get()))
                continue;
            const QString name = w->objectName();
            ++benannt;
            EXPECT_FALSE(name.isEmpty()) << w->metaObject()->className();
            EXPECT_TRUE(namen.insert(name).second) << name.toStdString();
            const QRect innen(QPoint(0, 0), eltern->size());
            EXPECT_TRUE(innen.contains(w->geometry())) << name.toStdString() << " " << sprache;
        }
        EXPECT_EQ(benannt, 75); // the controls of the designed form
        for (const char* name : {"Notiz", "Uhrzeit2", "RhythmusOpt4", "WoTagChe7", "MoPosOpt5",
                                 "MonatJah4", "ErstDatumJah", "OkBef", "MeldungPan"})
            EXPECT_NE(f->findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
        const QRect woche = test::Kind<Panel3D>(*f, QStringLiteral("RhyArtPan2"))->geometry();
        EXPECT_EQ(test::Kind<Panel3D>(*f, QStringLiteral("RhyArtPan3"))->geometry(), woche);
        EXPECT_EQ(test::Kind<Panel3D>(*f, QStringLiteral("RhyArtPan4"))->geometry(), woche);
    }
}

} // namespace
} // namespace pinwick
