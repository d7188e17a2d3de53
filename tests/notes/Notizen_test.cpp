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
using test::TestUmgebung;

const QDate mittwoch(2026, 12, 9);

using Zeile = std::vector<QVariant>;

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        u.p.Sprache = 1;
        u.p.uhr.Stellen(QDateTime(mittwoch, QTime(10, 0)));
    }

    std::unique_ptr<Notizen> oeffnen(NotizModus modus) {
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
        EXPECT_FALSE(u.p.lokaleNotizen->NoMatch());
        return oeffnen(NotizModus::Bearbeiten);
    }

    // The table as a fresh recordset reads it from the file.
    std::vector<Zeile> tabelle() {
        std::vector<Zeile> zeilen;
        auto rs = u.p.lokaleDatenbank->OpenRecordset(QStringLiteral("select * from Notizen"));
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            Zeile z;
            for (const QString& spalte : rs->Spalten())
                z.push_back(rs->Feld(spalte).roh());
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
        auto rs = u.p.lokaleDatenbank->OpenRecordset(QStringLiteral("select * from Notizen"));
        const int i = rs->Spalte(QString::fromLatin1(name));
        return i >= 0 && size_t(i) < z.size() ? z[size_t(i)] : QVariant();
    }

    TestUmgebung u;
    std::vector<QString> gefragt;
    std::deque<bool> antworten;
    int piepser = 0;
    int hilfen = 0;
};

// Leaving a time box normalises it, as the focus change does.
void zeit(Notizen& f, int i, const char* text) {
    f.Uhrzeit(i)->setText(QString::fromLatin1(text));
    f.UhrzeitBoxPruefen(i);
}

// ---- the save checks and questions, in order, in both languages -------------------

struct Pruefung {
    const char* name;
    std::function<void(Notizen&)> eingeben;
    std::vector<bool> antworten;
    // Expected questions, English and German.
    std::vector<std::pair<const char16_t*, const char16_t*>> fragen;
    // Expected message (none: empty), English and German.
    const char16_t* meldungEn;
    const char16_t* meldungDe;
    std::function<QWidget*(Notizen&)> fokus;
    int piepser;
    bool gespeichert;
};

const std::pair<const char16_t*, const char16_t*> ganztags{
    u"Start and end time missing -\n\nShow note full-time?",
    u"Anfangs- und Schlusszeit fehlt -\n\nZettel ganztags anzeigen?"};
const std::pair<const char16_t*, const char16_t*> abMitternacht{
    u"Start time missing -\n\nShow note from midnight?",
    u"Anfangszeit fehlt -\n\nZettel ab 00:00 Uhr anzeigen?"};
const std::pair<const char16_t*, const char16_t*> bisMitternacht{
    u"End time missing -\n\nShow note till midnight?",
    u"Schlusszeit fehlt -\n\nZettel bis 23:59 Uhr anzeigen?"};
const std::pair<const char16_t*, const char16_t*> tag29{
    u"In February this note will appear only in leap years -\r\n\r\nkeep this selection?",
    u"Im Februar erscheint dieser Zettel nur in Schaltjahren -\r\n\r\nTrotzdem so einstellen?"};
const std::pair<const char16_t*, const char16_t*> tag31{
    u"This note will not appear in February, April, June, September and November "
    u"-\r\n\r\nkeep this selection?",
    u"Dieser Zettel erscheint nicht im Februar, April, Juni, September und November "
    u"-\r\n\r\nTrotzdem so einstellen?"};

void text(Notizen& f) {
    f.Notiz()->setPlainText(QStringLiteral("Besprechung"));
}
void mitZeit(Notizen& f, int rhythmus) {
    text(f);
    f.ZeitArtOpt(1)->click();
    f.RhythmusOpt(rhythmus)->click();
}

const Pruefung pruefungen[] = {
    {"blank text, before anything else",
     [](Notizen& f) {
         f.Notiz()->setPlainText(QStringLiteral("   "));
         f.ZeitArtOpt(1)->click();
         f.UhrArtOpt(1)->click();
         f.RhythmusOpt(2)->click();
         f.WoTagChe(3)->setChecked(false);
     },
     {},
     {},
     u"Note text missing.",
     u"Notiztext fehlt.",
     [](Notizen& f) { return f.Notiz(); },
     1,
     false},
    {"From without times, No",
     [](Notizen& f) {
         mitZeit(f, 1);
         f.UhrArtOpt(1)->click();
     },
     {false},
     {ganztags},
     nullptr,
     nullptr,
     nullptr,
     1,
     false},
    {"From without times, Yes: whole day",
     [](Notizen& f) {
         mitZeit(f, 1);
         f.UhrArtOpt(1)->click();
     },
     {true},
     {ganztags},
     nullptr,
     nullptr,
     nullptr,
     1,
     true},
    {"start missing, No",
     [](Notizen& f) {
         mitZeit(f, 1);
         zeit(f, 2, "10:00");
     },
     {false},
     {abMitternacht},
     nullptr,
     nullptr,
     nullptr,
     1,
     false},
    {"end missing, No",
     [](Notizen& f) {
         mitZeit(f, 1);
         zeit(f, 1, "9");
     },
     {false},
     {bisMitternacht},
     nullptr,
     nullptr,
     nullptr,
     1,
     false},
    {"end missing, Yes",
     [](Notizen& f) {
         mitZeit(f, 1);
         zeit(f, 1, "9");
     },
     {true},
     {bisMitternacht},
     nullptr,
     nullptr,
     nullptr,
     1,
     true},
    {"end not after start",
     [](Notizen& f) {
         mitZeit(f, 1);
         zeit(f, 1, "10:00");
         zeit(f, 2, "10");
     },
     {},
     {},
     u"End time after starting time!",
     u"Schlusszeit muss hinter Anfangszeit liegen.",
     [](Notizen& f) { return f.Uhrzeit(2); },
     1,
     false},
    {"permanent note still asks about its times",
     [](Notizen& f) {
         mitZeit(f, 1);
         zeit(f, 1, "9");
         f.ZeitArtOpt(0)->click();
     },
     {false},
     {bisMitternacht},
     nullptr,
     nullptr,
     nullptr,
     1,
     false},
    {"time question comes before the weekday check",
     [](Notizen& f) {
         mitZeit(f, 2);
         zeit(f, 2, "18:00");
         f.WoTagChe(3)->setChecked(false);
     },
     {true},
     {abMitternacht},
     u"No weekday selected.",
     u"Kein Wochentag gewählt.",
     nullptr,
     2,
     false},
    {"a time typed but refused is not saved",
     [](Notizen& f) {
         mitZeit(f, 1);
         f.Uhrzeit(1)->setText(QStringLiteral("25:00"));
         f.Uhrzeit(2)->setText(QStringLiteral("26"));
     },
     {},
     {},
     u"Invalid time format.",
     u"Ungültiges Zeitformat.",
     [](Notizen& f) { return f.Uhrzeit(1); },
     1,
     false},
    {"monthly 29th, No",
     [](Notizen& f) {
         mitZeit(f, 3);
         f.TagZahlMon()->setText(QStringLiteral("29"));
     },
     {false},
     {tag29},
     nullptr,
     nullptr,
     nullptr,
     0,
     false},
    {"monthly 31st, No",
     [](Notizen& f) {
         mitZeit(f, 3);
         f.TagZahlMon()->setText(QStringLiteral("31"));
     },
     {false},
     {tag31},
     nullptr,
     nullptr,
     nullptr,
     0,
     false},
    {"monthly 31st, Yes",
     [](Notizen& f) {
         mitZeit(f, 3);
         f.TagZahlMon()->setText(QStringLiteral("31"));
     },
     {true},
     {tag31},
     nullptr,
     nullptr,
     nullptr,
     0,
     true},
    {"monthly 30th: no question",
     [](Notizen& f) {
         mitZeit(f, 3);
         f.TagZahlMon()->setText(QStringLiteral("30"));
     },
     {},
     {},
     nullptr,
     nullptr,
     nullptr,
     0,
     true},
    {"monthly day 0",
     [](Notizen& f) {
         mitZeit(f, 3);
         f.TagZahlMon()->setText(QStringLiteral("00"));
     },
     {},
     {},
     u"There is no day 0: enter a day from 1 to 31.",
     u"Einen Tag 0 gibt es nicht: bitte einen Tag von 1 bis 31 eingeben.",
     [](Notizen& f) { return f.TagZahlMon(); },
     1,
     false},
    {"monthly weekday without position",
     [](Notizen& f) {
         mitZeit(f, 3);
         f.MonArtOpt(2)->click();
     },
     {},
     {},
     u"Position of weekday within month not selected.",
     u"Position des Wochentags im Monat nicht gewählt.",
     nullptr,
     1,
     false},
    {"yearly without any day",
     [](Notizen& f) {
         mitZeit(f, 4);
         f.TagZahlJahr(1)->clear();
     },
     {},
     {},
     u"Day of year not selected.",
     u"Kein Jahrestag gewählt.",
     nullptr,
     1,
     false},
    {"yearly row 3 without month",
     [](Notizen& f) {
         mitZeit(f, 4);
         f.TagZahlJahr(3)->setText(QStringLiteral("5"));
         f.TagZahlJahr(4)->setText(QStringLiteral("0"));
     },
     {},
     {},
     u"Month missing.",
     u"Monat fehlt.",
     [](Notizen& f) { return f.MonatJah(3); },
     1,
     false},
    {"yearly day 0",
     [](Notizen& f) {
         mitZeit(f, 4);
         f.TagZahlJahr(2)->setText(QStringLiteral("0"));
         f.MonatJah(2)->setCurrentIndex(4);
     },
     {},
     {},
     u"There is no day 0: enter a day from 1 to 31.",
     u"Einen Tag 0 gibt es nicht: bitte einen Tag von 1 bis 31 eingeben.",
     [](Notizen& f) { return f.TagZahlJahr(2); },
     1,
     false},
    {"weekly first date not a date",
     [](Notizen& f) {
         mitZeit(f, 2);
         f.ErstDatumWoc()->setText(QStringLiteral("31.02.2026"));
     },
     {},
     {},
     u"Invalid date.",
     u"Fehlerhaftes Datum.",
     [](Notizen& f) { return f.ErstDatumWoc(); },
     1,
     false},
    {"weekly duration above 32767",
     [](Notizen& f) {
         mitZeit(f, 2);
         f.DauerWoc()->setText(QStringLiteral("32768"));
     },
     {},
     {},
     u"Duration: at most 32767 weeks.",
     u"Dauer: höchstens 32767 Wochen.",
     [](Notizen& f) { return f.DauerWoc(); },
     1,
     false},
    {"monthly days earlier above 32767",
     [](Notizen& f) {
         mitZeit(f, 3);
         f.VorherMon()->setText(QStringLiteral("40000"));
     },
     {},
     {},
     u"Days earlier: at most 32767.",
     u"Tage vorher: höchstens 32767.",
     [](Notizen& f) { return f.VorherMon(); },
     1,
     false},
    {"yearly first date not a date",
     [](Notizen& f) {
         mitZeit(f, 4);
         f.VorherJah()->setText(QStringLiteral("99999"));
         f.ErstDatumJah()->setText(QStringLiteral("99.99"));
     },
     {},
     {},
     u"Invalid date.",
     u"Fehlerhaftes Datum.",
     [](Notizen& f) { return f.ErstDatumJah(); },
     1,
     false},
    {"yearly days earlier above 32767",
     [](Notizen& f) {
         mitZeit(f, 4);
         f.VorherJah()->setText(QStringLiteral("99999"));
     },
     {},
     {},
     u"Days earlier: at most 32767.",
     u"Tage vorher: höchstens 32767.",
     [](Notizen& f) { return f.VorherJah(); },
     1,
     false},
};

TEST_F(EditorTest, SaveChecksAndQuestionsInOrderInBothLanguages) {
    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        for (const Pruefung& fall : pruefungen) {
            SCOPED_TRACE(std::string(fall.name) + (sprache == 1 ? " (en)" : " (de)"));
            gefragt.clear();
            antworten.assign(fall.antworten.begin(), fall.antworten.end());
            piepser = 0;
            const size_t vorher = tabelle().size();

            auto f = oeffnen(NotizModus::Neu);
            f->show();
            fall.eingeben(*f);
            f->Speichern();

            std::vector<QString> erwartet;
            for (const auto& [en, de] : fall.fragen)
                erwartet.push_back(QString::fromUtf16(sprache == 1 ? en : de));
            EXPECT_EQ(gefragt, erwartet);
            const char16_t* meldung = sprache == 1 ? fall.meldungEn : fall.meldungDe;
            EXPECT_EQ(f->MeldungPan()->text(), meldung ? QString::fromUtf16(meldung) : QString());
            if (meldung) {
                EXPECT_EQ(f->MeldungPan()->hintergrund(), FarbeNummer(12));
            }
            if (fall.fokus) {
                EXPECT_EQ(f->focusWidget(), fall.fokus(*f));
            }
            EXPECT_EQ(piepser, fall.piepser);
            EXPECT_EQ(tabelle().size(), vorher + (fall.gespeichert ? 1 : 0));
            EXPECT_EQ(f->isVisible(), !fall.gespeichert);
            EXPECT_EQ(f->result(), fall.gespeichert ? QDialog::Accepted : QDialog::Rejected);
        }
    }
}

TEST_F(EditorTest, AnswersYesWriteTheAgreedTimes) {
    struct Fall {
        const char* von;
        const char* bis;
        double uhrVon, uhrBis;
        const char* zeigt1;
        const char* zeigt2;
    };
    const Fall faelle[] = {
        {"", "", 0, 0, "", ""},
        {"", "8", 0, 8 / 24.0, "00:00", "08:00"},
        {"9", "", 9 / 24.0, Tageszeit(23, 59), "09:00", "23:59"},
    };
    for (const Fall& fall : faelle) {
        antworten = {true};
        auto f = oeffnen(NotizModus::Neu);
        mitZeit(*f, 1);
        f->UhrArtOpt(1)->click();
        zeit(*f, 1, fall.von);
        zeit(*f, 2, fall.bis);
        f->UhrArtOpt(1)->click();
        f->Speichern();
        EXPECT_EQ(f->Uhrzeit(1)->text(), fall.zeigt1);
        EXPECT_EQ(f->Uhrzeit(2)->text(), fall.zeigt2);
        const Zeile z = tabelle().back();
        EXPECT_EQ(spalte(z, "UhrVon").toDouble(), fall.uhrVon) << fall.von << "-" << fall.bis;
        EXPECT_EQ(spalte(z, "UhrBis").toDouble(), fall.uhrBis) << fall.von << "-" << fall.bis;
    }
}

// ---- writing and presenting every rhythm --------------------------------------------

TEST_F(EditorTest, NewNotesOfEveryRhythmAreWrittenInTheirEncoding) {
    struct Fall {
        const char* name;
        std::function<void(Notizen&)> eingeben;
        int rhythmus;
        QVariant details, startDatum, dauer, vorher, uhrVon, uhrBis;
    };
    const QVariant heute = double(DatumsZahl(mittwoch));
    const QVariant null;
    const Fall faelle[] = {
        {"permanent, blanks kept",
         [](Notizen& f) { f.Notiz()->setPlainText(QStringLiteral(" a b ")); }, 0, null, null, null,
         null, null, null},
        {"daily 00:00 to 08:00",
         [](Notizen& f) {
             mitZeit(f, 1);
             zeit(f, 1, ":");
             zeit(f, 2, "8");
         },
         1, null, null, null, null, 0.0, 8 / 24.0},
        {"weekly Monday and Thursday",
         [](Notizen& f) {
             mitZeit(f, 2);
             f.WoTagChe(3)->click();
             f.WoTagChe(1)->click();
             f.WoTagChe(4)->click();
             f.DauerWoc()->setText(QStringLiteral("6"));
         },
         2, QStringLiteral("-1 0 0-1 0 0 0"), heute, 6, null, 0.0, 0.0},
        {"weekly every day",
         [](Notizen& f) {
             mitZeit(f, 2);
             for (int i = 1; i <= 7; ++i)
                 f.WoTagChe(i)->setChecked(true);
         },
         2, QStringLiteral("-1-1-1-1-1-1-1"), heute, 0, null, 0.0, 0.0},
        {"monthly on the 05th",
         [](Notizen& f) {
             mitZeit(f, 3);
             f.TagZahlMon()->setText(QStringLiteral("05"));
             f.VorherMon()->setText(QStringLiteral("3"));
         },
         3, QStringLiteral("105"), heute, null, 3, 0.0, 0.0},
        {"monthly last Monday",
         [](Notizen& f) {
             mitZeit(f, 3);
             f.MoPosOpt(5)->click();
             f.WoTagCom()->setCurrentIndex(0);
         },
         3, QStringLiteral("250"), heute, null, 0, 0.0, 0.0},
        {"yearly 5 March in row 3",
         [](Notizen& f) {
             mitZeit(f, 4);
             f.TagZahlJahr(1)->clear();
             f.TagZahlJahr(3)->setText(QStringLiteral("5"));
             f.MonatJah(3)->setCurrentIndex(2);
             f.ErstDatumJah()->setText(QStringLiteral("1.3.2027"));
         },
         4, QStringLiteral("0503"), double(DatumsZahl(QDate(2027, 3, 1))), null, 0, 0.0, 0.0},
    };
    for (const Fall& fall : faelle) {
        auto f = oeffnen(NotizModus::Neu);
        fall.eingeben(*f);
        f->Speichern();
        ASSERT_EQ(f->result(), QDialog::Accepted) << fall.name;
        const Zeile z = tabelle().back();
        EXPECT_EQ(spalte(z, "Rhythmus").toInt(), fall.rhythmus) << fall.name;
        const auto gleich = [&](const char* name, const QVariant& erwartet) {
            const QVariant ist = spalte(z, name);
            if (erwartet.isNull())
                EXPECT_TRUE(ist.isNull()) << fall.name << " " << name;
            else if (erwartet.typeId() == QMetaType::QString)
                EXPECT_EQ(ist.toString(), erwartet.toString()) << fall.name << " " << name;
            else
                EXPECT_EQ(ist.toDouble(), erwartet.toDouble()) << fall.name << " " << name;
        };
        gleich("RhyDetails", fall.details);
        gleich("StartDatum", fall.startDatum);
        gleich("Dauer", fall.dauer);
        gleich("Vorher", fall.vorher);
        gleich("UhrVon", fall.uhrVon);
        gleich("UhrBis", fall.uhrBis);
    }
    EXPECT_EQ(spalte(tabelle().front(), "inhalt").toString(), " a b ");
}

TEST_F(EditorTest, StoredNotesSavedUnchangedKeepTheirRow) {
    const double start = DatumsZahl(QDate(2026, 11, 30));
    struct Fall {
        int rhythmus;
        QVariant von, bis, details, dauer, vorher;
    };
    const Fall faelle[] = {
        {0, {}, {}, {}, {}, {}},
        {1, 0, 0, {}, {}, {}},
        {1, 8 / 24.0, 12.5 / 24, {}, {}, {}},
        {2, 9 / 24.0, 17 / 24.0, QStringLiteral(" 0-1 0 0 0 0-1"), 6, {}},
        {2, 0, 0, QStringLiteral("-1-1-1-1-1-1-1"), 0, {}},
        {3, 0, 0, QStringLiteral("105"), {}, 3},
        {3, 0, 0, QStringLiteral("129"), {}, 0},
        {3, Tageszeit(0, 0), Tageszeit(23, 59), QStringLiteral("213"), {}, 1},
        {3, 0, 0, QStringLiteral("254"), {}, 32767},
        {4, 0, 0, QStringLiteral("24123112"), {}, 2},
        {4, 7 / 24.0, 8 / 24.0, QStringLiteral("0101290209103112"), {}, 0},
    };
    for (const Fall& fall : faelle) {
        NotizZeile z;
        z.inhalt = QStringLiteral(" Eintrag %1 ").arg(fall.rhythmus);
        z.rhythmus = fall.rhythmus;
        z.uhrVon = fall.von;
        z.uhrBis = fall.bis;
        z.startDatum = fall.rhythmus >= 2 ? QVariant(start) : QVariant();
        z.rhyDetails = fall.details;
        z.dauer = fall.dauer;
        z.vorher = fall.vorher;
        const qint64 id = NotizEinfuegen(*u.p.lokaleNotizen, z);
        const Zeile vorher = zeile(id);

        antworten = {true}; // the 29th asks again
        auto f = bearbeiten(id);
        f->Speichern();
        ASSERT_EQ(f->result(), QDialog::Accepted) << fall.details.toString().toStdString();
        EXPECT_EQ(zeile(id), vorher) << fall.details.toString().toStdString();
        EXPECT_EQ(tabelle().size(), size_t(u.p.lokaleNotizen->RecordCount()));
    }
}

TEST_F(EditorTest, StoredNotesArePresented) {
    NotizZeile z;
    z.rhythmus = 1;
    z.uhrVon = 8 / 24.0;
    z.uhrBis = 12.5 / 24;
    auto f = bearbeiten(NotizEinfuegen(*u.p.lokaleNotizen, z));
    EXPECT_TRUE(f->ZeitArtOpt(1)->isChecked());
    EXPECT_TRUE(f->UhrArtOpt(1)->isChecked());
    EXPECT_TRUE(f->RhythmusOpt(1)->isChecked());
    EXPECT_EQ(f->Uhrzeit(1)->text(), "08:00");
    EXPECT_EQ(f->Uhrzeit(2)->text(), "12:30");
    EXPECT_FALSE(f->ZeitPan()->isHidden());
    for (int i = 2; i <= 4; ++i)
        EXPECT_TRUE(f->RhyArtPan(i)->isHidden());

    z = {};
    z.rhythmus = 2;
    z.uhrVon = z.uhrBis = 0;
    z.startDatum = double(DatumsZahl(QDate(2026, 1, 5)));
    z.dauer = 3;
    z.rhyDetails = QStringLiteral(" 0-1 0 0 0 0-1");
    f = bearbeiten(NotizEinfuegen(*u.p.lokaleNotizen, z));
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(f->WoTagChe(i)->isChecked(), i == 2 || i == 7) << i;
    EXPECT_EQ(f->ErstDatumWoc()->text(), DatumText(QDate(2026, 1, 5)));
    EXPECT_EQ(f->DauerWoc()->text(), "3");
    EXPECT_TRUE(f->UhrArtOpt(0)->isChecked());
    EXPECT_FALSE(f->RhyArtPan(2)->isHidden());
    EXPECT_TRUE(f->RhyArtPan(3)->isHidden());

    z.rhythmus = 3;
    z.rhyDetails = QStringLiteral("213");
    z.vorher = 4;
    f = bearbeiten(NotizEinfuegen(*u.p.lokaleNotizen, z));
    EXPECT_TRUE(f->MonArtOpt(2)->isChecked());
    EXPECT_TRUE(f->MoPosOpt(1)->isChecked());
    EXPECT_EQ(f->WoTagCom()->currentText(), "Thursday");
    EXPECT_EQ(f->TagZahlMon()->text(), "9");
    EXPECT_EQ(f->VorherMon()->text(), "4");

    z.rhyDetails = QStringLiteral("17");
    f = bearbeiten(NotizEinfuegen(*u.p.lokaleNotizen, z));
    EXPECT_TRUE(f->MonArtOpt(1)->isChecked());
    EXPECT_EQ(f->TagZahlMon()->text(), "7");
    for (int i = 1; i <= 5; ++i)
        EXPECT_FALSE(f->MoPosOpt(i)->isChecked());

    z.rhythmus = 4;
    z.rhyDetails = QStringLiteral("24123112");
    f = bearbeiten(NotizEinfuegen(*u.p.lokaleNotizen, z));
    EXPECT_EQ(f->TagZahlJahr(1)->text(), "24");
    EXPECT_EQ(f->TagZahlJahr(2)->text(), "31");
    EXPECT_EQ(f->MonatJah(2)->currentText(), "December");
    EXPECT_EQ(f->TagZahlJahr(3)->text(), "");
    EXPECT_EQ(f->MonatJah(3)->currentIndex(), -1);
    EXPECT_FALSE(f->RhyArtPan(4)->isHidden());
}

TEST_F(EditorTest, RowsOutsideTheEncodingOpenSafely) {
    struct Fall {
        int rhythmus;
        QVariant details;
    };
    const Fall faelle[] = {{3, QStringLiteral("344")},
                           {3, QStringLiteral("295")},
                           {3, QStringLiteral("1")},
                           {3, QVariant()},
                           {2, QStringLiteral("-1")},
                           {4, QStringLiteral("0513")},
                           {4, QStringLiteral("x")},
                           {9, QStringLiteral("?")},
                           {-3, QVariant()}};
    for (const Fall& fall : faelle) {
        NotizZeile z;
        z.rhythmus = fall.rhythmus;
        z.rhyDetails = fall.details; // times, dates and numbers stay Null
        const qint64 id = NotizEinfuegen(*u.p.lokaleNotizen, z);
        antworten = {true, true};
        auto f = bearbeiten(id);
        EXPECT_EQ(f->Notiz()->toPlainText(), "Notiz");
        // Whatever is shown can be saved as a note of the encoding.
        f->Speichern();
        if (f->result() != QDialog::Accepted) {
            // A yearly row without a month asks for one.
            EXPECT_EQ(f->MeldungPan()->text(), "Month missing.")
                << fall.details.toString().toStdString();
            f->MonatJah(1)->setCurrentIndex(0);
            f->Speichern();
        }
        EXPECT_EQ(f->result(), QDialog::Accepted) << fall.details.toString().toStdString();
    }
}

// ---- a rhythm change leaves the other columns alone -------------------------------------

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
             f.RhythmusOpt(1)->click();
             f.Uhrzeit(1)->clear();
             f.Uhrzeit(2)->clear();
         },
         {"Rhythmus", "UhrVon", "UhrBis"}},
        {"to monthly",
         [](Notizen& f) {
             f.RhythmusOpt(3)->click();
             f.TagZahlMon()->setText(QStringLiteral("12"));
             f.VorherMon()->setText(QStringLiteral("1"));
         },
         {"Rhythmus", "StartDatum", "Vorher", "RhyDetails"}},
        {"to yearly",
         [](Notizen& f) {
             f.RhythmusOpt(4)->click();
             f.ErstDatumJah()->setText(QStringLiteral("1.1.2027"));
         },
         {"Rhythmus", "StartDatum", "Vorher", "RhyDetails"}},
    };
    for (const Fall& fall : faelle) {
        NotizZeile z;
        z.rhythmus = 2;
        z.uhrVon = 9 / 24.0;
        z.uhrBis = 10 / 24.0;
        z.startDatum = double(DatumsZahl(QDate(2026, 1, 5)));
        z.dauer = 5;
        z.vorher = 7;
        z.rhyDetails = QStringLiteral("-1 0 0 0 0 0 0");
        const qint64 id = NotizEinfuegen(*u.p.lokaleNotizen, z);
        const Zeile vorher = zeile(id);

        auto f = bearbeiten(id);
        fall.aendern(*f);
        f->Speichern();
        ASSERT_EQ(f->result(), QDialog::Accepted) << fall.name;
        const Zeile nachher = zeile(id);
        const QStringList spalten = u.p.lokaleNotizen->Spalten();
        QStringList geaendert;
        for (qsizetype i = 0; i < spalten.size(); ++i)
            if (vorher[size_t(i)] != nachher[size_t(i)])
                geaendert << spalten[i];
        EXPECT_EQ(geaendert, fall.geaendert) << fall.name;
    }
}

// ---- opening, option events, keys, focus ---------------------------------------------

TEST_F(EditorTest, NewNoteOpensWithTodaysDefaults) {
    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        auto f = oeffnen(NotizModus::Neu);
        EXPECT_EQ(f->windowTitle(),
                  sprache == 1 ? "Pinwick - Edit note" : "Pinwick - Notiz bearbeiten");
        EXPECT_EQ(f->WoTagChe(3)->text(), sprache == 1 ? "on Wednesdays" : "Mittwochs");
        for (int i = 1; i <= 7; ++i)
            EXPECT_EQ(f->WoTagChe(i)->isChecked(), i == 3);
        for (QLineEdit* datum : {f->ErstDatumWoc(), f->ErstDatumMon(), f->ErstDatumJah()})
            EXPECT_EQ(datum->text(), DatumText(mittwoch));
        EXPECT_EQ(f->TagZahlMon()->text(), "9");
        EXPECT_EQ(f->TagZahlJahr(1)->text(), "9");
        EXPECT_EQ(f->WoTagCom()->currentText(), sprache == 1 ? "Wednesday" : "Mittwoch");
        EXPECT_EQ(f->MonatJah(1)->currentText(), sprache == 1 ? "December" : "Dezember");
        EXPECT_EQ(f->MonatJah(1)->itemText(2), sprache == 1 ? "March" : "März");
        EXPECT_EQ(f->MonatJah(2)->currentIndex(), -1);
        EXPECT_TRUE(f->ZeitArtOpt(0)->isChecked());
        EXPECT_TRUE(f->UhrArtOpt(0)->isChecked());
        EXPECT_TRUE(f->RhythmusOpt(1)->isChecked());
        EXPECT_TRUE(f->MonArtOpt(1)->isChecked());
        EXPECT_TRUE(f->ZeitPan()->isHidden());
        EXPECT_TRUE(f->RhythmusPan()->isHidden());
        for (int i = 2; i <= 4; ++i) {
            EXPECT_TRUE(f->RhyArtPan(i)->isHidden());
            EXPECT_EQ(f->RhyArtPan(i)->geometry(), f->RhyArtPan(2)->geometry());
        }
        EXPECT_EQ(f->DauerWoc()->text(), "0");
        EXPECT_EQ(f->width(), Px(5040));
        EXPECT_EQ(f->ZeitArtOpt(0)->width(), Px(sprache == 1 ? 2000 : 2300));
        EXPECT_EQ(f->ZeitArtOpt(1)->x(), Px(sprache == 1 ? 2350 : 2580));
    }
    // Without a bar docked at the bottom: 200 twips from the top, centred.
    auto f = oeffnen(NotizModus::Neu);
    const QRect schirm = Bildschirm();
    EXPECT_EQ(f->y(), schirm.y() + Px(200));
    EXPECT_NEAR(f->x() + f->width() / 2, schirm.x() + schirm.width() / 2, 1);
}

TEST_F(EditorTest, OptionEventsKeepTheGroupsInStep) {
    auto f = oeffnen(NotizModus::Neu);
    f->ZeitArtOpt(1)->click();
    EXPECT_FALSE(f->ZeitPan()->isHidden());
    EXPECT_FALSE(f->RhythmusPan()->isHidden());
    f->RhythmusOpt(3)->click();
    EXPECT_FALSE(f->RhyArtPan(3)->isHidden());
    EXPECT_TRUE(f->RhyArtPan(2)->isHidden());

    // A position picks the weekday form; a day typed picks the day form and
    // clears the position.
    f->MoPosOpt(4)->click();
    EXPECT_TRUE(f->MonArtOpt(2)->isChecked());
    f->TagZahlMon()->setText(QStringLiteral("3"));
    EXPECT_TRUE(f->MonArtOpt(1)->isChecked());
    for (int i = 1; i <= 5; ++i)
        EXPECT_FALSE(f->MoPosOpt(i)->isChecked());
    f->MoPosOpt(2)->click();
    f->MonArtOpt(1)->click();
    EXPECT_FALSE(f->MoPosOpt(2)->isChecked());

    // A time typed chooses "From", both emptied choose "Whole day".
    f->Uhrzeit(1)->setText(QStringLiteral("8"));
    EXPECT_TRUE(f->UhrArtOpt(1)->isChecked());
    f->Uhrzeit(2)->setText(QStringLiteral("9"));
    f->Uhrzeit(1)->clear();
    EXPECT_TRUE(f->UhrArtOpt(1)->isChecked());
    f->Uhrzeit(2)->clear();
    EXPECT_TRUE(f->UhrArtOpt(0)->isChecked());

    // Permanent hides everything and falls back to daily.
    f->ZeitArtOpt(0)->click();
    EXPECT_TRUE(f->RhythmusOpt(1)->isChecked());
    EXPECT_TRUE(f->ZeitPan()->isHidden());
    EXPECT_TRUE(f->RhyArtPan(3)->isHidden());
    f->ZeitArtOpt(1)->click();
    for (int i = 2; i <= 4; ++i)
        EXPECT_TRUE(f->RhyArtPan(i)->isHidden());
}

TEST_F(EditorTest, BoxesTakeOnlyTheirCharacters) {
    auto f = oeffnen(NotizModus::Neu);
    struct Fall {
        QWidget* box;
        const char* getippt;
        const char* ergebnis;
    };
    const Fall faelle[] = {
        {f->Uhrzeit(1), "a1:.b2/-3 ", "1:23"}, {f->ErstDatumWoc(), "1.2x.-2027", "1.2.2027"},
        {f->DauerWoc(), "1-2a3.", "123"},      {f->VorherMon(), "9:9", "99"},
        {f->VorherJah(), "40000", "40000"},    {f->TagZahlMon(), "1a23", "12"},
        {f->TagZahlJahr(4), "7.8.9", "78"},
    };
    for (const Fall& fall : faelle) {
        auto* box = static_cast<QLineEdit*>(fall.box);
        box->clear();
        QTest::keyClicks(box, QString::fromLatin1(fall.getippt));
        EXPECT_EQ(box->text(), fall.ergebnis) << fall.getippt;
    }
    // The note text takes everything but Enter.
    QTest::keyClicks(f->Notiz(), QStringLiteral("Tor 3/4 "));
    QTest::keyClick(f->Notiz(), Qt::Key_Return);
    QTest::keyClick(f->Notiz(), Qt::Key_Enter, Qt::ShiftModifier);
    QTest::keyClicks(f->Notiz(), QStringLiteral("zu"));
    EXPECT_EQ(f->Notiz()->toPlainText(), "Tor 3/4 zu");
    // Pasted line breaks become blanks.
    QGuiApplication::clipboard()->setText(QStringLiteral("a\r\nb\nc"));
    f->Notiz()->clear();
    f->Notiz()->paste();
    EXPECT_EQ(f->Notiz()->toPlainText(), "a b c");
}

TEST_F(EditorTest, KeysHelpEscapeAndTheMessageLine) {
    auto f = oeffnen(NotizModus::Neu);
    f->show();
    f->Speichern(); // no text
    EXPECT_EQ(f->MeldungPan()->text(), "Note text missing.");
    QTest::keyClick(f->Notiz(), Qt::Key_Shift);
    EXPECT_EQ(f->MeldungPan()->text(), "");
    EXPECT_EQ(f->MeldungPan()->hintergrund(), FarbeNummer(7));

    QTest::keyClick(f->DauerWoc(), Qt::Key_F1);
    QTest::keyClick(f->Notiz(), Qt::Key_F1, Qt::ShiftModifier);
    QTest::keyClick(f->Notiz(), Qt::Key_F1, Qt::ControlModifier);
    EXPECT_EQ(hilfen, 1);

    f->Notiz()->setPlainText(QStringLiteral("weg damit"));
    QTest::keyClick(f->ZeitArtOpt(0), Qt::Key_Escape);
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(f->result(), QDialog::Rejected);
    EXPECT_TRUE(tabelle().empty());

    // The window's close button is Cancel too.
    f = oeffnen(NotizModus::Neu);
    f->show();
    f->Notiz()->setPlainText(QStringLiteral("auch weg"));
    f->close();
    EXPECT_EQ(f->result(), QDialog::Rejected);
    EXPECT_TRUE(tabelle().empty());
}

TEST_F(EditorTest, LeavingABoxNormalisesIt) {
    auto f = oeffnen(NotizModus::Neu);
    f->show();
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.get()));
    EXPECT_TRUE(f->Notiz()->hasFocus());
    f->ZeitArtOpt(1)->click();
    f->RhythmusOpt(2)->click();

    const auto hinein = [](QWidget* box) {
        box->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    };
    const QColor cyan = Farbe(FarbeNummer(11));
    const QColor weiss = Farbe(FarbeNummer(15));

    hinein(f->Uhrzeit(1));
    EXPECT_EQ(f->Uhrzeit(1)->palette().color(QPalette::Base), cyan);
    f->Uhrzeit(1)->setText(QStringLiteral("7:5"));
    hinein(f->Uhrzeit(2));
    EXPECT_EQ(f->Uhrzeit(1)->palette().color(QPalette::Base), weiss);
    EXPECT_EQ(f->Uhrzeit(1)->text(), "07:05");
    EXPECT_EQ(f->ArbeitsZeit(1), Tageszeit(7, 5));

    // A refused time stays as typed, with a message and the focus back.
    f->Uhrzeit(2)->setText(QStringLiteral("25:00"));
    hinein(f->DauerWoc());
    QCoreApplication::processEvents();
    EXPECT_EQ(f->MeldungPan()->text(), "Invalid time format.");
    EXPECT_EQ(f->Uhrzeit(2)->text(), "25:00");
    EXPECT_TRUE(f->Uhrzeit(2)->hasFocus());
    f->Uhrzeit(2)->setText(QStringLiteral("8"));

    // Number boxes left empty get 0.
    hinein(f->DauerWoc());
    f->DauerWoc()->clear();
    hinein(f->ErstDatumWoc());
    EXPECT_EQ(f->DauerWoc()->text(), "0");
    EXPECT_EQ(f->Uhrzeit(2)->text(), "08:00");

    // Dates: normalised; a wrong one reported, and two wrong boxes do not
    // hand the focus to each other for ever.
    f->ErstDatumWoc()->setText(QStringLiteral("24.12."));
    hinein(f->Notiz());
    EXPECT_EQ(f->ErstDatumWoc()->text(), DatumText(QDate(2026, 12, 24)));
    f->RhythmusOpt(3)->click();
    hinein(f->ErstDatumMon());
    f->ErstDatumMon()->setText(QStringLiteral("31.02.2026"));
    hinein(f->TagZahlMon());
    f->TagZahlMon()->clear();
    QCoreApplication::processEvents();
    EXPECT_EQ(f->MeldungPan()->text(), "Invalid date.");
    EXPECT_TRUE(f->ErstDatumMon()->hasFocus());
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(f->ErstDatumMon()->hasFocus());
    f->ErstDatumMon()->clear();
    hinein(f->TagZahlMon());
    EXPECT_EQ(f->ErstDatumMon()->text(), DatumText(mittwoch));
    f->TagZahlMon()->clear();
    hinein(f->VorherMon());
    EXPECT_EQ(f->TagZahlMon()->text(), "9");
}

TEST_F(EditorTest, AStoreFailureKeepsTheEditorOpenAndTheRowAsItWas) {
    NotizZeile z;
    z.inhalt = QStringLiteral("alt");
    const qint64 id = NotizEinfuegen(*u.p.lokaleNotizen, z);
    const Zeile vorher = zeile(id);
    u.p.lokaleDatenbank->Ausfuehren(QStringLiteral("CREATE TRIGGER voll BEFORE UPDATE ON Notizen "
                                                   "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    u.p.lokaleDatenbank->Ausfuehren(QStringLiteral("CREATE TRIGGER voll2 BEFORE INSERT ON Notizen "
                                                   "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));

    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        auto f = bearbeiten(id);
        f->show();
        f->Notiz()->setPlainText(QStringLiteral("neu"));
        f->Speichern();
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(f->MeldungPan()->text(), sprache == 1
                                               ? "Note not saved: database error. Please try again."
                                               : "Notiz nicht gespeichert: Datenbankfehler. Bitte "
                                                 "erneut versuchen.");
        EXPECT_EQ(zeile(id), vorher);

        auto neu = oeffnen(NotizModus::Neu);
        neu->Notiz()->setPlainText(QStringLiteral("neu"));
        neu->Speichern();
        EXPECT_EQ(neu->result(), QDialog::Rejected);
        EXPECT_EQ(tabelle().size(), 1u);
    }

    // Once the store works again, the same window saves.
    auto f = bearbeiten(id);
    f->Notiz()->setPlainText(QStringLiteral("neu"));
    f->Speichern();
    EXPECT_FALSE(f->MeldungPan()->text().isEmpty());
    u.p.lokaleDatenbank->Ausfuehren(QStringLiteral("DROP TRIGGER voll"));
    f->Speichern();
    EXPECT_EQ(f->result(), QDialog::Accepted);
    EXPECT_EQ(spalte(zeile(id), "inhalt").toString(), "neu");
}

} // namespace
} // namespace pinwick
