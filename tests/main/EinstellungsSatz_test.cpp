// Loading, saving and adopting the settings record, with the rules that keep
// a damaged or foreign settings row from breaking the ticker.

#include "EinstellungsSatz.h"
#include "Speicher.h"
#include "TestHilfe.h"

#include <gtest/gtest.h>

using namespace pinwick;
using pinwick::test::TestUmgebung;

namespace {

void setzeSpalte(Datenbank& db, const QString& spalte, const QString& sqlWert) {
    db.Ausfuehren(QStringLiteral("UPDATE Einstellungen SET %1 = %2").arg(spalte, sqlWert));
}

// Reloads the settings after the row was changed behind the recordset's back.
void neuLaden(TestUmgebung& u) {
    u.p.lokaleEinstellungen =
        u.p.lokaleDatenbank->OpenRecordset(QStringLiteral("select * from Einstellungen"));
    EinstellungenLaden(u.p);
}

} // namespace

TEST(EinstellungenLaden, TemplateRowGivesAWorkingStandAloneTicker) {
    TestUmgebung u;
    EinstellungenLaden(u.p);
    EXPECT_EQ(u.p.Sprache, 0);
    EXPECT_FALSE(u.p.erstVorbei);
    EXPECT_FALSE(u.p.broadcastStatus);
    EXPECT_TRUE(u.p.eigeneErlauben);
    EXPECT_TRUE(u.p.zeigDatum);
    EXPECT_TRUE(u.p.zeigRahmen);
    EXPECT_EQ(u.p.Speed, 30);
    EXPECT_EQ(u.p.SchriftName, QStringLiteral("Verdana"));
    EXPECT_EQ(u.p.SchriftGroesse, 10);
    EXPECT_EQ(u.p.fensterHgFarbe, 0xFF8080);
    EXPECT_EQ(u.p.notizHgFarbe, 0x6F6F6F);
    EXPECT_EQ(u.p.SchriftFarbe2, 0x00FFFF);
    EXPECT_FALSE(u.p.sysopStatus);
    EXPECT_TRUE(u.p.passWort.isEmpty());
}

TEST(EinstellungenLaden, EmptyFontNameGivesAllFiveFontFallbacks) {
    for (const char* name : {"''", "NULL"}) {
        TestUmgebung u;
        setzeSpalte(*u.p.lokaleDatenbank, "SchriftName", name);
        setzeSpalte(*u.p.lokaleDatenbank, "SchriftGroesse", "20");
        setzeSpalte(*u.p.lokaleDatenbank, "SchriftFarbe", "255");
        setzeSpalte(*u.p.lokaleDatenbank, "SchriftFett", "0");
        setzeSpalte(*u.p.lokaleDatenbank, "SchriftKursiv", "-1");
        neuLaden(u);
        EXPECT_EQ(u.p.SchriftName, QStringLiteral("MS Sans Serif")) << name;
        EXPECT_EQ(u.p.SchriftGroesse, 8);
        EXPECT_EQ(u.p.SchriftFarbe, 0xFFFFFF);
        EXPECT_TRUE(u.p.SchriftFett);
        EXPECT_FALSE(u.p.SchriftKursiv);
    }
}

TEST(EinstellungenLaden, FontColourIsReadThroughItsTextForm) {
    TestUmgebung u;
    setzeSpalte(*u.p.lokaleDatenbank, "SchriftFarbe", "'255 is red'");
    setzeSpalte(*u.p.lokaleDatenbank, "SchriftFarbe2", "'2.5'");
    neuLaden(u);
    EXPECT_EQ(u.p.SchriftFarbe, 255);
    EXPECT_EQ(u.p.SchriftFarbe2, 2); // halves go to the even neighbour
}

TEST(EinstellungenLaden, NegativeColoursFallBackNullLeavesTheValue) {
    TestUmgebung u;
    setzeSpalte(*u.p.lokaleDatenbank, "fensterHgFarbe", "-1");
    setzeSpalte(*u.p.lokaleDatenbank, "uhrHgFarbe", "NULL");
    setzeSpalte(*u.p.lokaleDatenbank, "notizHgFarbe", "-5");
    setzeSpalte(*u.p.lokaleDatenbank, "UhrSchriftFarbe", "0");
    u.p.uhrHgFarbe = 1234;
    neuLaden(u);
    EXPECT_EQ(u.p.fensterHgFarbe, 0x800000);
    EXPECT_EQ(u.p.uhrHgFarbe, 1234);
    EXPECT_EQ(u.p.notizHgFarbe, 0xFFA0A0);
    EXPECT_EQ(u.p.UhrSchriftFarbe, 0);

    // A fraction below 0 is negative, though it rounds to 0; one above is
    // taken rounded.
    setzeSpalte(*u.p.lokaleDatenbank, "fensterHgFarbe", "-0.4");
    setzeSpalte(*u.p.lokaleDatenbank, "notizHgFarbe", "0.4");
    neuLaden(u);
    EXPECT_EQ(u.p.fensterHgFarbe, 0x800000);
    EXPECT_EQ(u.p.notizHgFarbe, 0);
}

TEST(EinstellungenLaden, SpeedBelowFiveOrNullBecomesThirty) {
    // From 5 up every speed is taken as it is; what cannot be read as a
    // 16-bit value falls back like a Null instead of leaving the band at 0.
    const std::pair<const char*, int> faelle[] = {
        {"4", 30},      {"NULL", 30},    {"-2", 30},      {"5", 5},           {"15", 15},
        {"30", 30},     {"45", 45},      {"7", 7},        {"10", 10},         {"'NaN'", 30},
        {"1e999", 30},  {"'1e999'", 30}, {"40000", 30},   {"'Infinity'", 30}, {"4.6", 30},
        {"'4.99'", 30}, {"5.4", 5},      {"32767", 32767}};
    for (const auto& [gespeichert, erwartet] : faelle) {
        TestUmgebung u;
        setzeSpalte(*u.p.lokaleDatenbank, "Speed", gespeichert);
        neuLaden(u);
        EXPECT_EQ(u.p.Speed, erwartet) << gespeichert;
    }
}

// A font size the font dialog cannot give counts as unreadable: the value
// held before stays, so the bar lands at a usable size. Every dock position
// other than 0 is kept and means the bottom edge.
TEST(EinstellungenLaden, SizeOutsideTheWindowsChoicesKeepsItsValueDockIsTaken) {
    struct Fall {
        const char* spalte;
        const char* gespeichert;
        int erwartet;
    };
    const Fall faelle[] = {{"SchriftGroesse", "0", 8},
                           {"SchriftGroesse", "-3", 8},
                           {"SchriftGroesse", "101", 8},
                           {"SchriftGroesse", "30000", 8},
                           {"SchriftGroesse", "1", 1},
                           {"SchriftGroesse", "100", 100},
                           {"SchriftGroesse", "'gross'", 8},
                           {"dockPos", "1", 1},
                           {"dockPos", "2", 2},
                           {"dockPos", "-1", -1},
                           {"dockPos", "'NaN'", 0},
                           {"dockPos", "1e999", 0}};
    for (const Fall& f : faelle) {
        TestUmgebung u;
        setzeSpalte(*u.p.lokaleDatenbank, f.spalte, f.gespeichert);
        u.p.SchriftGroesse = 8;
        u.p.dockPos = 0;
        neuLaden(u);
        const int wert =
            QLatin1String(f.spalte) == QLatin1String("dockPos") ? u.p.dockPos : u.p.SchriftGroesse;
        EXPECT_EQ(wert, f.erwartet) << f.spalte << " = " << f.gespeichert;
    }
}

// Values that are no finite number, or too large for their column's type,
// are unreadable wherever a number is read: a colour test then takes the
// fallback, a plain value keeps what it held.
TEST(EinstellungenLaden, NonFiniteAndOutOfRangeNumbersAreUnreadable) {
    const char* const unlesbar[] = {"'NaN'",  "'nan'",   "'inf'",    "'-Infinity'", "1e999",
                                    "-1e999", "'1e999'", "'-1e999'", "4294967296",  "'  +INF  '"};
    for (const char* wert : unlesbar) {
        SCOPED_TRACE(wert);
        TestUmgebung u;
        for (const char* spalte :
             {"fensterHgFarbe", "uhrHgFarbe", "notizHgFarbe", "UhrSchriftFarbe", "SchriftFarbe",
              "SchriftFarbe2", "Sprache", "SchriftGroesse"})
            setzeSpalte(*u.p.lokaleDatenbank, spalte, wert);
        u.p.SchriftFarbe = 0x123456;
        u.p.SchriftFarbe2 = 0x654321;
        u.p.Sprache = 2;
        u.p.SchriftGroesse = 9;
        neuLaden(u);
        EXPECT_EQ(u.p.fensterHgFarbe, 0x800000);
        EXPECT_EQ(u.p.uhrHgFarbe, 0xFFE0E0);
        EXPECT_EQ(u.p.notizHgFarbe, 0xFFA0A0);
        EXPECT_EQ(u.p.UhrSchriftFarbe, 0);
        EXPECT_EQ(u.p.SchriftFarbe, 0x123456);
        EXPECT_EQ(u.p.SchriftFarbe2, 0x654321);
        EXPECT_EQ(u.p.Sprache, 2);
        EXPECT_EQ(u.p.SchriftGroesse, 9);
    }
}

TEST(EinstellungenLaden, SwitchesAndStatusFlags) {
    TestUmgebung u;
    setzeSpalte(*u.p.lokaleDatenbank, "sysopStatus", "NULL");
    setzeSpalte(*u.p.lokaleDatenbank, "broadcastStatus", "1");
    setzeSpalte(*u.p.lokaleDatenbank, "ImmerOben", "0");
    setzeSpalte(*u.p.lokaleDatenbank, "zeigDatum", "NULL"); // not 0: on
    setzeSpalte(*u.p.lokaleDatenbank, "eigeneErlauben", "0");
    neuLaden(u);
    EXPECT_FALSE(u.p.sysopStatus);
    EXPECT_TRUE(u.p.broadcastStatus);
    EXPECT_FALSE(u.p.ImmerOben);
    EXPECT_TRUE(u.p.zeigDatum);
    EXPECT_FALSE(u.p.eigeneErlauben);
}

TEST(EinstellungenLaden, MissingColumnsAndRowsNeverThrow) {
    TestUmgebung u;
    // An old file whose settings table lacks most columns.
    u.p.lokaleDatenbank->Ausfuehren(QStringLiteral("DROP TABLE Einstellungen"));
    u.p.lokaleDatenbank->Ausfuehren(
        QStringLiteral("CREATE TABLE Einstellungen (Sprache INTEGER, passWort TEXT)"));
    u.p.lokaleDatenbank->Ausfuehren(
        QStringLiteral("INSERT INTO Einstellungen VALUES (2, 'geheim')"));
    neuLaden(u);
    EXPECT_EQ(u.p.Sprache, 2);
    EXPECT_EQ(u.p.passWort, QStringLiteral("geheim"));
    EXPECT_EQ(u.p.fensterHgFarbe, 0x800000); // a missing colour column falls back
    EXPECT_EQ(u.p.SchriftName, QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(u.p.Speed, 30);
    EXPECT_FALSE(u.p.ImmerOben); // an unreadable test takes the first branch

    // And no row at all.
    u.p.lokaleDatenbank->Ausfuehren(QStringLiteral("DELETE FROM Einstellungen"));
    EXPECT_NO_THROW(neuLaden(u));
    u.p.lokaleEinstellungen.reset();
    EXPECT_NO_THROW(EinstellungenLaden(u.p));
}

TEST(EinstellungenSpeichern, WritesEveryValueAndReadsBackTheSame) {
    TestUmgebung u;
    EinstellungenLaden(u.p);
    u.p.Sprache = 2;
    u.p.ImmerOben = false;
    u.p.dockPos = 1;
    u.p.SchriftName = QStringLiteral("DejaVu Sans");
    u.p.SchriftGroesse = 14;
    u.p.SchriftFarbe = 0x0000FF;
    u.p.SchriftFarbe2 = 0x00FF00;
    u.p.SchriftKursiv = true;
    u.p.fensterHgFarbe = 1;
    u.p.uhrHgFarbe = 2;
    u.p.notizHgFarbe = 3;
    u.p.UhrSchriftFarbe = 4;
    u.p.sysopStatus = true;
    u.p.passWort = QStringLiteral("Geheim ß");
    u.p.broadcastStatus = true;
    u.p.broadcastPfad = QStringLiteral("//server/share/pw.kav");
    u.p.remoteEinstellungen = true;
    u.p.eigeneErlauben = false;
    u.p.zeigDatum = false;
    u.p.zeigRahmen = false;
    u.p.Speed = 5;
    u.p.Schrift3D = 7;
    EinstellungenSpeichern(u.p);

    const Einstellungswerte gespeichert = u.p;
    Programm frisch;
    frisch.lokaleDatenbank = std::make_unique<Datenbank>(u.p.datenbankDatei);
    frisch.lokaleEinstellungen =
        frisch.lokaleDatenbank->OpenRecordset(QStringLiteral("select * from Einstellungen"));
    EinstellungenLaden(frisch);
    Einstellungswerte geladen = frisch;
    geladen.Schrift3D = gespeichert.Schrift3D;
    EXPECT_TRUE(geladen == gespeichert);
    EXPECT_EQ(frisch.lokaleEinstellungen->Feld(u"Schrift3D").alsInt16(), 0);
    EXPECT_EQ(frisch.lokaleEinstellungen->RecordCount(), 1);
}

TEST(EinstellungenSpeichern, DoesNotTouchTheFirstRunFlag) {
    TestUmgebung u;
    EinstellungenLaden(u.p);
    u.p.erstVorbei = true;
    EinstellungenSpeichern(u.p);
    neuLaden(u);
    EXPECT_FALSE(u.p.erstVorbei);
}

TEST(EinstellungenSpeichern, FailureIsReportedAndTheRowStaysUnchanged) {
    TestUmgebung u;
    EinstellungenLaden(u.p);
    u.p.lokaleEinstellungen.reset();
    EXPECT_THROW(EinstellungenSpeichern(u.p), DatenFehler);

    // A row that cannot be written: the database refuses writes.
    TestUmgebung v;
    EinstellungenLaden(v.p);
    v.p.lokaleDatenbank->Ausfuehren(
        QStringLiteral("CREATE TRIGGER nein BEFORE UPDATE ON Einstellungen BEGIN SELECT "
                       "RAISE(ABORT, 'nein'); END"));
    v.p.Sprache = 2;
    EXPECT_ANY_THROW(EinstellungenSpeichern(v.p));
    neuLaden(v);
    EXPECT_EQ(v.p.Sprache, 0);
    // The recordset is usable again afterwards.
    EXPECT_NO_THROW(v.p.lokaleEinstellungen->Feld(u"Sprache"));
}

// ---- adoption from a broadcaster

class Uebernehmen : public ::testing::Test {
protected:
    void SetUp() override {
        EinstellungenLaden(u.p);
        u.p.Sprache = 1;
        sender = u.NeueDatenbank(QStringLiteral("sender.kav"));
        u.p.broadcastPfad = sender;
        senderDb = std::make_unique<Datenbank>(sender);
    }
    void verbinden() {
        BroadcastOeffnen(u.p);
        ASSERT_FALSE(u.p.netzFehler);
    }
    void senderSetzen(const QString& spalte, const QString& wert) {
        setzeSpalte(*senderDb, spalte, wert);
    }

    TestUmgebung u;
    QString sender;
    std::unique_ptr<Datenbank> senderDb;
};

TEST_F(Uebernehmen, EqualRowChangesNothingAndAPasswordAloneDoesNotCount) {
    verbinden();
    EinstellungenUebernehmen(u.p);
    EXPECT_FALSE(u.p.einstellungenGeaendert);

    senderSetzen(QStringLiteral("passWort"), QStringLiteral("'neu'"));
    EinstellungenUebernehmen(u.p);
    EXPECT_FALSE(u.p.einstellungenGeaendert);
    EXPECT_EQ(u.p.passWort, QStringLiteral("neu"));
}

TEST_F(Uebernehmen, ADifferentValueCountsAndIsTakenInMemoryOnly) {
    verbinden();
    senderSetzen(QStringLiteral("notizHgFarbe"), QStringLiteral("255"));
    senderSetzen(QStringLiteral("zeigRahmen"), QStringLiteral("0"));
    senderSetzen(QStringLiteral("Speed"), QStringLiteral("15"));
    senderSetzen(QStringLiteral("Sprache"), QStringLiteral("2"));
    senderSetzen(QStringLiteral("dockPos"), QStringLiteral("1"));
    EinstellungenUebernehmen(u.p);
    EXPECT_TRUE(u.p.einstellungenGeaendert);
    EXPECT_EQ(u.p.notizHgFarbe, 255);
    EXPECT_FALSE(u.p.zeigRahmen);
    EXPECT_EQ(u.p.Speed, 15);
    // Language and docking stay the receiver's own.
    EXPECT_EQ(u.p.Sprache, 1);
    EXPECT_EQ(u.p.dockPos, 0);
    // The local table is untouched until the settings window saves.
    u.p.lokaleEinstellungen->MoveFirst();
    EXPECT_EQ(u.p.lokaleEinstellungen->Feld(u"notizHgFarbe").alsInt32(), 0x6F6F6F);
}

TEST_F(Uebernehmen, BroadcasterFallbacksAndSlowSpeed) {
    verbinden();
    senderSetzen(QStringLiteral("fensterHgFarbe"), QStringLiteral("-1"));
    senderSetzen(QStringLiteral("SchriftName"), QStringLiteral("''"));
    senderSetzen(QStringLiteral("Speed"), QStringLiteral("3"));
    EinstellungenUebernehmen(u.p);
    EXPECT_TRUE(u.p.einstellungenGeaendert);
    EXPECT_EQ(u.p.fensterHgFarbe, 0x800000);
    EXPECT_EQ(u.p.SchriftName, QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(u.p.SchriftGroesse, 8);
    EXPECT_EQ(u.p.Speed, 30);
}

TEST_F(Uebernehmen, UnreadableNumbersTakeTheFallbackOtherSpeedsAreTaken) {
    verbinden();
    const struct {
        const char *farbe, *speed;
        int32_t erwarteteFarbe;
        int erwarteterSpeed;
    } faelle[] = {{"'NaN'", "10", 0x800000, 10},         {"255", "4.6", 255, 30},
                  {"1e999", "'inf'", 0x800000, 30},      {"'-inf'", "1e999", 0x800000, 30},
                  {"4294967296", "40000", 0x800000, 30}, {"255", "45", 255, 45}};
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.farbe);
        senderSetzen(QStringLiteral("fensterHgFarbe"), QString::fromLatin1(f.farbe));
        senderSetzen(QStringLiteral("Speed"), QString::fromLatin1(f.speed));
        u.p.fensterHgFarbe = 0;
        EinstellungenUebernehmen(u.p);
        EXPECT_TRUE(u.p.einstellungenGeaendert);
        EXPECT_EQ(u.p.fensterHgFarbe, f.erwarteteFarbe);
        EXPECT_EQ(u.p.Speed, f.erwarteterSpeed);
    }
}

TEST_F(Uebernehmen, NegativeLocalBroadcastColourBecomesYellow) {
    verbinden();
    u.p.SchriftFarbe2 = -1;
    EinstellungenUebernehmen(u.p);
    EXPECT_EQ(u.p.SchriftFarbe2, 0x00FFFF);
    EXPECT_TRUE(u.p.einstellungenGeaendert);
}

TEST_F(Uebernehmen, UnreachableBroadcasterDoesNothing) {
    // Before any opening of the run, and with the file gone.
    u.p.einstellungenGeaendert = true;
    u.p.notizHgFarbe = 42;
    EinstellungenUebernehmen(u.p);
    EXPECT_EQ(u.p.notizHgFarbe, 42);
    EXPECT_TRUE(u.p.einstellungenGeaendert);

    verbinden();
    senderDb.reset();
    QFile::remove(sender);
    u.p.einstellungenGeaendert = false;
    EinstellungenUebernehmen(u.p);
    EXPECT_EQ(u.p.notizHgFarbe, 42);
    EXPECT_FALSE(u.p.einstellungenGeaendert);
}

TEST_F(Uebernehmen, BroadcasterWithoutItsSettingsIsUnreachableAndAdoptsNothing) {
    // A file that cannot give a settings row (table dropped, or emptied)
    // would turn every value into its fallback and switch the receiver's
    // date, border and own notes off: a blank bar. Nothing is adopted.
    for (const char* schaden : {"DELETE FROM Einstellungen", "DROP TABLE Einstellungen"}) {
        if (!senderDb) {
            sender = u.NeueDatenbank(QStringLiteral("sender.kav"));
            senderDb = std::make_unique<Datenbank>(sender);
        }
        verbinden();
        senderDb->Ausfuehren(QString::fromLatin1(schaden));
        u.p.netzFehler = false;
        u.p.SchriftName = QStringLiteral("DejaVu Sans");
        u.p.notizHgFarbe = 42;
        u.p.eigeneErlauben = u.p.zeigDatum = u.p.zeigRahmen = true;
        EinstellungenUebernehmen(u.p);
        EXPECT_EQ(u.p.notizHgFarbe, 42) << schaden;
        EXPECT_EQ(u.p.SchriftName, QStringLiteral("DejaVu Sans")) << schaden;
        EXPECT_TRUE(u.p.eigeneErlauben && u.p.zeigDatum && u.p.zeigRahmen) << schaden;
        EXPECT_FALSE(u.p.einstellungenGeaendert) << schaden;
        senderDb.reset();
        QFile::remove(sender);
    }
    EXPECT_TRUE(u.p.netzFehler); // the table-less file counts as unreachable
}
