#include "Schema.h"
#include "Speicher.h"
#include "TestHilfe.h"

#include <sqlcipher/sqlite3.h>

#include <QFile>
#include <gtest/gtest.h>

using namespace pinwick;
using pinwick::test::NotizEinfuegen;
using pinwick::test::NotizZeile;
using pinwick::test::TestUmgebung;

TEST(SpeicherLokal, VorlageUndLokalesOeffnen) {
    TestUmgebung u;
    ASSERT_TRUE(u.p.lokaleDatenbank);
    ASSERT_TRUE(u.p.lokaleNotizen);
    ASSERT_TRUE(u.p.lokaleEinstellungen);
    EXPECT_EQ(u.p.lokaleNotizen->RecordCount(), 0);

    // A new installation: a stand-alone ticker whose first start is still ahead.
    auto& e = *u.p.lokaleEinstellungen;
    ASSERT_EQ(e.RecordCount(), 1);
    e.MoveFirst();
    // The table's columns and those later versions added to it.
    const auto ergaenzt = std::count_if(schema::SpaltenErgaenzungen.begin(),
                                        schema::SpaltenErgaenzungen.end(), [](const auto& s) {
                                            return QLatin1String(s.tabelle) ==
                                                   QLatin1String("Einstellungen");
                                        });
    EXPECT_EQ(e.Spalten().size(), 24 + ergaenzt);
    EXPECT_EQ(e.Feld(u"Sprache").alsInt16(), 0);
    EXPECT_FALSE(e.Feld(u"broadcastStatus").alsBool());
    EXPECT_TRUE(e.Feld(u"eigeneErlauben").alsBool());
    EXPECT_FALSE(e.Feld(u"erstVorbei").alsBool());
    EXPECT_EQ(e.Feld(u"broadcastPfad").alsText(), "");

    EXPECT_THROW(VorlageErzeugen(u.p.datenbankDatei), DatenFehler);

    Programm fehlt;
    fehlt.datenbankDatei = u.Pfad("fehlt.kav");
    EXPECT_THROW(LokalOeffnen(fehlt), DatenFehler);
}

TEST(SpeicherLokal, FehlendeTabelleStopptMitIhremNamen) {
    // A file without its settings table would start an empty bar and let the
    // user believe the notes were lost.
    TestUmgebung u;
    Programm p;
    p.datenbankDatei = u.Pfad("halb.kav");
    Datenbank::Erzeugen(p.datenbankDatei)->Ausfuehren(QString::fromUtf8(schema::Notizen));
    try {
        LokalOeffnen(p);
        FAIL() << "a file without its settings table was opened";
    } catch (const DatenFehler& f) {
        EXPECT_NE(QString::fromUtf8(f.what()).indexOf("Einstellungen"), -1) << f.what();
    }
    EXPECT_FALSE(p.lokaleDatenbank);
}

namespace {

struct SpeicherBroadcast : ::testing::Test {
    TestUmgebung u;
    int schliessen = 0;
    QString sender;

    void SetUp() override {
        u.p.netzConnectSchliessen = [this] { ++schliessen; };
        sender = u.NeueDatenbank(QStringLiteral("sender.kav"));
        Datenbank db(sender);
        NotizZeile z;
        z.inhalt = QStringLiteral("vom Sender");
        NotizEinfuegen(*db.OpenRecordset(QStringLiteral("select * from Notizen")), z);
    }
};

} // namespace

TEST_F(SpeicherBroadcast, OeffnenGelingt) {
    // Before the first opening of the run, whatever the paths say.
    u.p.broadcastPfad = sender;
    u.p.broadcastDatei = sender;
    EXPECT_FALSE(BroadcastErreichbar(u.p));
    BroadcastOeffnen(u.p);

    EXPECT_FALSE(u.p.netzFehler);
    EXPECT_EQ(schliessen, 1);
    EXPECT_EQ(u.p.broadcastDatei, sender);
    ASSERT_TRUE(u.p.broadcastNotizen);
    ASSERT_TRUE(u.p.broadcastEinstellungen);
    u.p.broadcastNotizen->MoveFirst();
    EXPECT_EQ(u.p.broadcastNotizen->Feld(u"inhalt").alsText(), "vom Sender");
    EXPECT_EQ(u.p.broadcastEinstellungen->RecordCount(), 1);

    // The path of the last opening counts, not the setting.
    EXPECT_TRUE(BroadcastErreichbar(u.p));
    u.p.broadcastPfad = u.Pfad("anders.kav");
    EXPECT_TRUE(BroadcastErreichbar(u.p));
    u.p.broadcastDatenbank.reset();
    ASSERT_TRUE(QFile::remove(sender));
    EXPECT_FALSE(BroadcastErreichbar(u.p));
}

TEST_F(SpeicherBroadcast, ScheiternSetztNetzfehlerUndBehaeltDieMengen) {
    // A database like the broadcaster's, but with another password.
    const QString fremd = u.Pfad("fremd.kav");
    sqlite3* roh = nullptr;
    ASSERT_EQ(sqlite3_open_v2(fremd.toUtf8().constData(), &roh,
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
              SQLITE_OK);
    sqlite3_key(roh, "pelmory+sadum", 13);
    EXPECT_EQ(sqlite3_exec(roh, schema::Notizen, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(roh);

    for (const QString& pfad : {u.Pfad("fehlt.kav"), QString(), fremd, u.ordner.path()}) {
        SCOPED_TRACE(pfad.toStdString());
        u.p.broadcastPfad = sender;
        BroadcastOeffnen(u.p);
        ASSERT_FALSE(u.p.netzFehler);
        Datensatzmenge* notizen = u.p.broadcastNotizen.get();
        Datensatzmenge* einstellungen = u.p.broadcastEinstellungen.get();
        schliessen = 0;

        u.p.broadcastPfad = pfad;
        EXPECT_NO_THROW(BroadcastOeffnen(u.p));
        EXPECT_TRUE(u.p.netzFehler);
        EXPECT_EQ(schliessen, 1);
        EXPECT_EQ(u.p.broadcastDatei, pfad);
        EXPECT_EQ(u.p.broadcastNotizen.get(), notizen);
        EXPECT_EQ(u.p.broadcastEinstellungen.get(), einstellungen);
        u.p.netzFehler = false;
    }

    // Without a connection notice there is nothing to close.
    u.p.netzConnectSchliessen = nullptr;
    u.p.broadcastPfad = u.Pfad("fehlt.kav");
    EXPECT_NO_THROW(BroadcastOeffnen(u.p));
    EXPECT_TRUE(u.p.netzFehler);
}
