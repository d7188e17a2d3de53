// Files whose schema runs code or reaches the engine's rarely used modules,
// and files too big for a notes file: whoever can write to the share makes
// them, and every receiver, the command line and the start must refuse them
// quickly instead of hanging or growing.

#include "Datenbank.h"
#include "Speicher.h"
#include "TestHilfe.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace pinwick;
using pinwick::test::TestUmgebung;

namespace {

const QString notizen = QStringLiteral("select * from Notizen");
const QString einstellungen = QStringLiteral("select * from Einstellungen");

// A view in place of the notes whose query never ends: every row it makes
// leads to another.
const char* const endloseSicht =
    "ALTER TABLE Notizen RENAME TO Alt;"
    "CREATE VIEW Notizen AS WITH RECURSIVE r(ID, inhalt, Rhythmus, UhrVon, UhrBis, StartDatum, "
    "Vorher, RhyDetails, Dauer) AS (SELECT 1, 'x', 0, 0, 0, 0, 0, '', 0 UNION ALL "
    "SELECT ID + 1, inhalt || 'x', 0, 0, 0, 0, 0, '', 0 FROM r) SELECT * FROM r";

struct Fall {
    const char* name;
    const char* sql; // run on a good file made by the program
    bool angenommen;
};

class DatenbankFremdSchema : public ::testing::TestWithParam<Fall> {};

// What a receiver does with the file: read only, schema, both tables.
void wieEmpfaenger(const QString& pfad) {
    Arbeitsbereich bereich;
    auto db = bereich.OpenBroadcast(pfad);
    db->SchemaPruefen();
    db->OpenRecordset(notizen);
    db->OpenRecordset(einstellungen);
}

// What the start and the command line do with their own file.
void wieEigeneDatei(const QString& pfad) {
    Datenbank db(pfad);
    db.SchemaPruefen();
    db.OpenRecordset(notizen);
}

} // namespace

TEST_P(DatenbankFremdSchema, NurGewoehnlicheTabellen) {
    const Fall& f = GetParam();
    TestUmgebung u;
    const QString pfad = u.NeueDatenbank(QStringLiteral("fremd.kav"));
    Datenbank(pfad).Ausfuehren(QString::fromUtf8(f.sql));

    for (const auto& lesen : {wieEmpfaenger, wieEigeneDatei}) {
        QElapsedTimer uhr;
        uhr.start();
        if (f.angenommen) {
            EXPECT_NO_THROW(lesen(pfad));
            continue;
        }
        try {
            lesen(pfad);
            ADD_FAILURE() << "opened";
        } catch (const DatenFehler& e) {
            EXPECT_NE(std::string(e.what()).find("not a Pinwick notes file"), std::string::npos)
                << e.what();
        }
        // The refusal reads nothing but the schema; a hang would stop the test.
        EXPECT_LT(uhr.elapsed(), 10000);
    }

    // The receiver takes it for an unreachable file, keeping nothing of it.
    u.p.broadcastPfad = pfad;
    BroadcastOeffnen(u.p);
    EXPECT_EQ(u.p.netzFehler, !f.angenommen);
    EXPECT_EQ(static_cast<bool>(u.p.broadcastNotizen), f.angenommen);
}

INSTANTIATE_TEST_SUITE_P(
    Faelle, DatenbankFremdSchema,
    ::testing::Values(
        Fall{"EndloseSichtAlsNotizen", endloseSicht, false},
        Fall{"SichtIrgendwo", "CREATE VIEW Andere AS SELECT 1", false},
        Fall{"Ausloeser",
             "CREATE TRIGGER t AFTER INSERT ON Notizen BEGIN DELETE FROM Notizen; END", false},
        Fall{"Volltext", "CREATE VIRTUAL TABLE Suche USING fts4(inhalt)", false},
        Fall{"RTree", "CREATE VIRTUAL TABLE Orte USING rtree(id, x0, x1)", false},
        // Later versions add tables, columns and indexes.
        Fall{"NeueTabelleSpalteUndIndex",
             "CREATE TABLE Neu (a TEXT); ALTER TABLE Notizen ADD COLUMN Farbe INTEGER;"
             "CREATE INDEX NachInhalt ON Notizen (inhalt);"
             "INSERT INTO Notizen (inhalt, Farbe) VALUES ('neu', 3)",
             true}),
    [](const ::testing::TestParamInfo<Fall>& i) { return std::string(i.param.name); });

TEST(DatenbankFremd, EineTabelleDieZurSichtWirdWirdNichtGelesen) {
    // The receiver keeps its connection while the file changes on the share.
    TestUmgebung u;
    const QString pfad = u.NeueDatenbank(QStringLiteral("fremd.kav"));
    Arbeitsbereich bereich;
    auto empfaenger = bereich.OpenBroadcast(pfad);
    empfaenger->SchemaPruefen();
    EXPECT_EQ(empfaenger->OpenRecordset(notizen)->RecordCount(), 0);

    Datenbank(pfad).Ausfuehren(QString::fromUtf8(endloseSicht));
    EXPECT_THROW(empfaenger->OpenRecordset(notizen), DatenFehler);
    EXPECT_THROW(empfaenger->SchemaPruefen(), DatenFehler);
}

TEST(DatenbankFremd, ArbeitUndMengeSindBegrenzt) {
    TestUmgebung u;
    const QString pfad = u.NeueDatenbank(QStringLiteral("gross.kav"));
    // A million real rows: more than any notes file holds.
    Datenbank(pfad).Ausfuehren(QStringLiteral(
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 1000000) "
        "INSERT INTO Notizen (inhalt, Rhythmus) SELECT 'Notiz ' || x, 0 FROM c"));

    Arbeitsbereich bereich;
    auto db = bereich.OpenBroadcast(pfad);
    db->SchemaPruefen();
    try {
        db->OpenRecordset(notizen);
        ADD_FAILURE() << "a million rows were read";
    } catch (const DatenFehler& e) {
        EXPECT_NE(std::string(e.what()).find("not read"), std::string::npos) << e.what();
    }
    // The settings of the same file are still read.
    EXPECT_EQ(db->OpenRecordset(einstellungen)->RecordCount(), 1);

    // A statement that would never end stops after its share of work.
    try {
        db->Ausfuehren(QStringLiteral(
            "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
            "SELECT count(*) FROM c"));
        ADD_FAILURE() << "an endless query ended";
    } catch (const DatenFehler& e) {
        EXPECT_NE(std::string(e.what()).find("more work"), std::string::npos) << e.what();
    }
}
