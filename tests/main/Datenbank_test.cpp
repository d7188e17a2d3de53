#include "Datenbank.h"
#include "SchluesselAblage.h"
#include "TestHilfe.h"

#include <sqlcipher/sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cstdio>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

using namespace pinwick;
using pinwick::test::NotizEinfuegen;
using pinwick::test::NotizZeile;
using pinwick::test::TestUmgebung;

namespace {

// A database made directly through the engine, for files the program itself
// would never make: another password, another journal mode.
void rohAnlegen(const QString& pfad, const char* schluessel, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(pfad.toUtf8().constData(), &db,
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
              SQLITE_OK);
    sqlite3_key(db, schluessel, static_cast<int>(strlen(schluessel)));
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

QString rohJournal(const QString& pfad) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(pfad.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_key(db, Datenbank::Schluessel, static_cast<int>(strlen(Datenbank::Schluessel)));
    sqlite3_stmt* s = nullptr;
    QString modus;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
        modus = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    sqlite3_finalize(s);
    sqlite3_close(db);
    return modus;
}

std::string oeffnenFehler(const QString& pfad) {
    try {
        Datenbank db(pfad);
    } catch (const DatenFehler& e) {
        return e.what();
    }
    return "opened";
}

QStringList inhalte(Datensatzmenge& rs) {
    QStringList texte;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        texte << rs.Feld(u"inhalt").alsText();
    return texte;
}

NotizZeile notiz(const QString& inhalt) {
    NotizZeile z;
    z.inhalt = inhalt;
    return z;
}

std::unique_ptr<Datensatzmenge> notizen(Datenbank& db) {
    return db.OpenRecordset(QStringLiteral("select * from Notizen"));
}

} // namespace

TEST(DatenbankWert, ZahlenUndTexteMitNull) {
    const Wert null;
    EXPECT_TRUE(null.istNull());
    EXPECT_THROW(null.alsDouble(), DatenFehler);
    EXPECT_THROW(null.alsInt16(), DatenFehler);
    EXPECT_THROW(null.alsBool(), DatenFehler);
    EXPECT_THROW(null.alsText(), DatenFehler);
    EXPECT_FALSE(null.gleich(null));
    EXPECT_FALSE(Wert(0).gleich(null));

    // Halves go to the even neighbour.
    EXPECT_EQ(Wert(2.5).alsInt16(), 2);
    EXPECT_EQ(Wert(3.5).alsInt16(), 4);
    EXPECT_EQ(Wert(-2.5).alsInt32(), -2);
    EXPECT_EQ(Wert(2.5001).alsInt32(), 3);
    EXPECT_EQ(Wert(" 12 ").alsInt16(), 12);
    EXPECT_EQ(Wert("7.5").alsDouble(), 7.5);
    EXPECT_EQ(Wert(qint64(16777215)).alsInt32(), 16777215);

    EXPECT_THROW(Wert(32768).alsInt16(), DatenFehler);
    EXPECT_THROW(Wert(-32768.6).alsInt16(), DatenFehler);
    EXPECT_THROW(Wert(qint64(1) << 31).alsInt32(), DatenFehler);
    EXPECT_THROW(Wert("Verdana").alsDouble(), DatenFehler);
    EXPECT_THROW(Wert("").alsInt32(), DatenFehler);

    // Nothing that is no finite number passes as one, stored as REAL or as text.
    const double unendlich = std::numeric_limits<double>::infinity();
    for (const Wert& w : {Wert(unendlich), Wert(-unendlich), Wert("NaN"), Wert("nan"), Wert("inf"),
                          Wert("-Infinity"), Wert("1e999"), Wert(" -1e999 ")}) {
        SCOPED_TRACE(w.roh().toString().toStdString());
        EXPECT_THROW(w.alsDouble(), DatenFehler);
        EXPECT_THROW(w.alsInt16(), DatenFehler);
        EXPECT_THROW(w.alsInt32(), DatenFehler);
        EXPECT_THROW(w.alsBool(), DatenFehler);
    }
    EXPECT_THROW(Wert(1e300).alsInt32(), DatenFehler);
    EXPECT_EQ(Wert("1e300").alsDouble(), 1e300);

    EXPECT_EQ(Wert(true).roh().toInt(), -1);
    EXPECT_TRUE(Wert(true).alsBool());
    EXPECT_FALSE(Wert(false).alsBool());
    EXPECT_TRUE(Wert(qint64(1)).alsBool());
    EXPECT_THROW(Wert("ja").alsBool(), DatenFehler);

    EXPECT_EQ(Wert(3.0).alsText(), "3");
    EXPECT_EQ(Wert(-0.25).alsText(), "-0.25");
    EXPECT_EQ(Wert(qint64(16777215)).alsText(), "16777215");
    EXPECT_EQ(Wert(QString()).alsText(), "");

    EXPECT_TRUE(Wert(1).gleich(Wert(1.0)));
    EXPECT_TRUE(Wert(true).gleich(Wert(-1)));
    EXPECT_TRUE(Wert("Arial").gleich(Wert("Arial")));
    EXPECT_FALSE(Wert("Arial").gleich(Wert("arial")));
    EXPECT_FALSE(Wert("").gleich(null));
    EXPECT_FALSE(Wert(1).gleich(Wert(2)));
}

TEST(DatenbankSatz, ZeilenInReihenfolgeMitTypenUndNull) {
    TestUmgebung u;
    auto& rs = *u.p.lokaleNotizen;
    EXPECT_EQ(rs.Spalten(), QStringList({"ID", "inhalt", "Rhythmus", "UhrVon", "UhrBis",
                                         "StartDatum", "Vorher", "RhyDetails", "Dauer"}));
    EXPECT_EQ(rs.RecordCount(), 0);
    rs.MoveFirst();
    EXPECT_TRUE(rs.Eof());
    EXPECT_THROW(rs.Feld(u"inhalt"), DatenFehler);

    NotizZeile a = notiz("eins");
    a.rhythmus = 2;
    a.uhrVon = 0.375;
    a.rhyDetails = QStringLiteral("1000100");
    NotizEinfuegen(rs, a);
    NotizEinfuegen(rs, notiz(QStringLiteral("zwei \u00e4\u20ac")));
    NotizEinfuegen(rs, notiz("drei"));

    Datenbank db(u.p.datenbankDatei);
    auto frisch = notizen(db);
    EXPECT_EQ(frisch->RecordCount(), 3);
    EXPECT_EQ(inhalte(*frisch), QStringList({"eins", QStringLiteral("zwei \u00e4\u20ac"), "drei"}));
    frisch->MoveFirst();
    EXPECT_EQ(frisch->Feld(u"Rhythmus").roh().typeId(), QMetaType::LongLong);
    EXPECT_EQ(frisch->Feld(u"UhrVon").roh().typeId(), QMetaType::Double);
    EXPECT_EQ(frisch->Feld(u"RhyDetails").roh().typeId(), QMetaType::QString);
    EXPECT_EQ(frisch->Feld(u"uhrvon").alsDouble(), 0.375); // names are case-blind
    EXPECT_TRUE(frisch->Feld(u"UhrBis").istNull());
    EXPECT_TRUE(frisch->Feld(u"Dauer").istNull());
    EXPECT_EQ(frisch->Feld(frisch->Spalte(u"RhyDetails")).alsText(), "1000100");
    EXPECT_EQ(frisch->Spalte(u"rowid"), -1);
    EXPECT_THROW(frisch->Feld(u"Gibtsnicht"), DatenFehler);
    EXPECT_THROW(frisch->Feld(99), DatenFehler);

    for (int i = 0; i < 3; ++i)
        frisch->MoveNext();
    EXPECT_TRUE(frisch->Eof());
    EXPECT_THROW(frisch->Feld(u"ID"), DatenFehler);
    EXPECT_THROW(frisch->MoveNext(), DatenFehler);
}

TEST(DatenbankSatz, NeuUndBearbeitenSchreibenNurGesetzteSpalten) {
    TestUmgebung u;
    auto& rs = *u.p.lokaleNotizen;
    NotizEinfuegen(rs, notiz("alt"));

    rs.MoveFirst();
    rs.AddNew();
    EXPECT_TRUE(rs.Feld(u"inhalt").istNull()); // the new row's buffer
    rs.Setze(u"inhalt", Wert("neu"));
    rs.Setze(u"StartDatum", Wert(45000.0));
    EXPECT_EQ(rs.Feld(u"inhalt").alsText(), "neu");
    EXPECT_THROW(rs.Setze(u"Gibtsnicht", Wert(1)), DatenFehler);
    rs.Update();
    // Appended, and the position is where it was before AddNew.
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.Feld(u"inhalt").alsText(), "alt");
    rs.MoveNext();
    EXPECT_EQ(rs.Feld(u"inhalt").alsText(), "neu");
    EXPECT_GT(rs.Feld(u"ID").alsInt32(), 1);
    EXPECT_TRUE(rs.Feld(u"Rhythmus").istNull());

    rs.Edit();
    rs.Setze(u"Rhythmus", Wert(4));
    rs.Setze(u"UhrVon", Wert());
    EXPECT_EQ(rs.Feld(u"Rhythmus").alsInt16(), 4);
    rs.CancelUpdate();
    EXPECT_TRUE(rs.Feld(u"Rhythmus").istNull());

    rs.Edit();
    rs.Setze(u"Rhythmus", Wert(4));
    rs.Setze(u"Vorher", Wert(true));
    rs.Update();
    EXPECT_EQ(rs.Feld(u"Rhythmus").alsInt16(), 4);
    EXPECT_THROW(rs.Update(), DatenFehler); // no pending edit
    EXPECT_THROW(rs.Setze(u"Rhythmus", Wert(1)), DatenFehler);

    // Columns left alone keep their values, in memory and in the file.
    u.p.lokaleDatenbank.reset();
    Datenbank db(u.p.datenbankDatei);
    auto frisch = notizen(db);
    frisch->MoveFirst();
    frisch->MoveNext();
    EXPECT_EQ(frisch->Feld(u"inhalt").alsText(), "neu");
    EXPECT_EQ(frisch->Feld(u"StartDatum").alsDouble(), 45000.0);
    EXPECT_EQ(frisch->Feld(u"Rhythmus").alsInt16(), 4);
    EXPECT_EQ(frisch->Feld(u"Vorher").roh().toLongLong(), -1);
    EXPECT_TRUE(frisch->Feld(u"UhrVon").istNull());
}

TEST(DatenbankSatz, GescheitertesUpdateLaesstDieZeileUnveraendert) {
    TestUmgebung u;
    auto& rs = *u.p.lokaleNotizen;
    const qint64 erste = NotizEinfuegen(rs, notiz("eins"));
    NotizEinfuegen(rs, notiz("zwei"));

    rs.Edit(); // on "zwei"
    rs.Setze(u"inhalt", Wert("doppelt"));
    rs.Setze(u"ID", Wert(erste));
    EXPECT_THROW(rs.Update(), DatenFehler);
    // Still editing, so the caller can give up.
    EXPECT_EQ(rs.Feld(u"inhalt").alsText(), "doppelt");
    rs.CancelUpdate();
    EXPECT_EQ(rs.Feld(u"inhalt").alsText(), "zwei");

    Datenbank db(u.p.datenbankDatei);
    EXPECT_EQ(inhalte(*notizen(db)), QStringList({"eins", "zwei"}));
}

TEST(DatenbankSatz, LoeschenImDurchlaufUeberspringtKeineZeile) {
    TestUmgebung u;
    auto& rs = *u.p.lokaleNotizen;
    for (const char* t : {"a", "b", "c", "d"})
        NotizEinfuegen(rs, notiz(t));

    rs.MoveFirst();
    rs.MoveNext();
    rs.Delete(); // "b"
    EXPECT_THROW(rs.Feld(u"inhalt"), DatenFehler);
    EXPECT_THROW(rs.Bookmark(), DatenFehler);
    rs.MoveNext();
    EXPECT_EQ(rs.Feld(u"inhalt").alsText(), "c");
    EXPECT_EQ(inhalte(rs), QStringList({"a", "c", "d"}));

    // Deleting every row while walking leaves nothing behind.
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        rs.Delete();
    EXPECT_EQ(rs.RecordCount(), 0);
    Datenbank db(u.p.datenbankDatei);
    EXPECT_EQ(notizen(db)->RecordCount(), 0);
}

// A reopened recordset over an unchanged table shares the rows it read last;
// every kind of change must still show, and a change through one recordset
// must not leak into another.
TEST(DatenbankSatz, WiederGeoeffneteMengeSiehtJedeAenderung) {
    TestUmgebung u;
    NotizZeile z;
    z.inhalt = QStringLiteral("alt");
    NotizEinfuegen(*u.p.lokaleNotizen, z);
    const QString abfrage = QStringLiteral("select * from Notizen");

    auto a = u.p.lokaleDatenbank->OpenRecordset(abfrage);
    auto b = u.p.lokaleDatenbank->OpenRecordset(abfrage); // from the cache
    ASSERT_EQ(b->RecordCount(), 1);

    // Through a recordset of the same connection; b keeps its own rows.
    a->MoveFirst();
    a->Edit();
    a->Setze(u"inhalt", Wert(QStringLiteral("neu")));
    a->Update();
    EXPECT_EQ(b->Feld(u"inhalt").alsText(), QStringLiteral("alt"));
    EXPECT_EQ(u.p.lokaleDatenbank->OpenRecordset(abfrage)->Feld(u"inhalt").alsText(),
              QStringLiteral("neu"));

    // Through a statement of the same connection.
    u.p.lokaleDatenbank->Ausfuehren(QStringLiteral("UPDATE Notizen SET inhalt = 'sql'"));
    EXPECT_EQ(u.p.lokaleDatenbank->OpenRecordset(abfrage)->Feld(u"inhalt").alsText(),
              QStringLiteral("sql"));

    // Through another connection, as a broadcaster's own program would.
    {
        Datenbank andere(u.p.datenbankDatei);
        andere.Ausfuehren(QStringLiteral("INSERT INTO Notizen (inhalt, Rhythmus) VALUES ('x', 0)"));
    }
    EXPECT_EQ(u.p.lokaleDatenbank->OpenRecordset(abfrage)->RecordCount(), 2);

    // Deleting through one recordset leaves another one's rows alone.
    auto c = u.p.lokaleDatenbank->OpenRecordset(abfrage);
    auto d = u.p.lokaleDatenbank->OpenRecordset(abfrage);
    c->MoveFirst();
    c->Delete();
    EXPECT_EQ(c->RecordCount(), 1);
    EXPECT_EQ(d->RecordCount(), 2);
    EXPECT_EQ(u.p.lokaleDatenbank->OpenRecordset(abfrage)->RecordCount(), 1);
}

TEST(DatenbankSatz, LesezeichenUndFindLast) {
    TestUmgebung u;
    auto& rs = *u.p.lokaleNotizen;
    const qint64 a = NotizEinfuegen(rs, notiz("a"));
    const qint64 b = NotizEinfuegen(rs, notiz("b"));
    const qint64 c = NotizEinfuegen(rs, notiz("c"));

    rs.MoveFirst();
    rs.MoveNext();
    const auto zeichen = rs.Bookmark();
    rs.MoveNext();
    rs.SetBookmark(zeichen);
    EXPECT_EQ(rs.Feld(u"inhalt").alsText(), "b");
    rs.MoveNext();
    EXPECT_EQ(rs.Feld(u"inhalt").alsText(), "c");

    for (const QString& kriterium :
         {QStringLiteral("ID = %1").arg(a), QStringLiteral("ID=%1").arg(a),
          QStringLiteral("  ID  =  %1 ").arg(a)}) {
        rs.MoveFirst();
        rs.MoveNext();
        rs.FindLast(kriterium);
        EXPECT_FALSE(rs.NoMatch()) << kriterium.toStdString();
        EXPECT_EQ(rs.Feld(u"inhalt").alsText(), "a");
    }

    rs.FindLast(QStringLiteral("ID = %1").arg(c + 100));
    EXPECT_TRUE(rs.NoMatch());
    EXPECT_EQ(rs.Feld(u"inhalt").alsText(), "a"); // position unchanged
    EXPECT_THROW(rs.FindLast(QStringLiteral("inhalt = 'a'")), DatenFehler);
    EXPECT_THROW(rs.FindLast(QStringLiteral("Gibtsnicht = 1")), DatenFehler);

    // A row another connection deleted is no longer found.
    {
        Datenbank andere(u.p.datenbankDatei);
        andere.Ausfuehren(QStringLiteral("delete from Notizen where ID = %1").arg(b));
    }
    rs.FindLast(QStringLiteral("ID = %1").arg(b));
    EXPECT_TRUE(rs.NoMatch());
    EXPECT_EQ(rs.Feld(u"inhalt").alsText(), "a");
    EXPECT_EQ(inhalte(rs), QStringList({"a", "c"}));

    rs.MoveFirst();
    rs.Delete();
    EXPECT_THROW(rs.SetBookmark(a), DatenFehler);
}

TEST(DatenbankDatei, OeffnenScheitertAnFehlenderDateiUndFalschemSchluessel) {
    TestUmgebung u;

    const QString fehlt = u.Pfad("fehlt.kav");
    EXPECT_NE(oeffnenFehler(fehlt).find(fehlt.toStdString()), std::string::npos);
    EXPECT_FALSE(QFile::exists(fehlt)); // never created by opening
    EXPECT_NE(oeffnenFehler(QString()), "opened");
    EXPECT_NE(oeffnenFehler(u.ordner.path()), "opened");

    const QString fremd = u.Pfad("fremd.kav");
    rohAnlegen(fremd, "anderes", "CREATE TABLE Notizen (ID INTEGER)");
    const std::string grund = oeffnenFehler(fremd);
    EXPECT_NE(grund.find("file is encrypted or is not a database"), std::string::npos) << grund;
    EXPECT_NE(grund.find(fremd.toStdString()), std::string::npos) << grund;

    const QString text = u.Pfad("text.kav");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    EXPECT_NE(oeffnenFehler(text).find("file is encrypted or is not a database"),
              std::string::npos);

    EXPECT_THROW(Datenbank::Erzeugen(u.p.datenbankDatei), DatenFehler);
    // A new file carries the password even before it has a table.
    const QString leer = u.Pfad("leer.kav");
    Datenbank::Erzeugen(leer);
    EXPECT_EQ(oeffnenFehler(leer), "opened");
    EXPECT_GT(QFileInfo(leer).size(), 0);
}

TEST(DatenbankDatei, BleibtBeimRollbackJournal) {
    TestUmgebung u;
    EXPECT_EQ(rohJournal(u.p.datenbankDatei), "delete");

    const QString wal = u.Pfad("wal.kav");
    rohAnlegen(wal, Datenbank::Schluessel,
               "PRAGMA journal_mode = WAL; CREATE TABLE Notizen (ID INTEGER PRIMARY KEY)");
    ASSERT_EQ(rohJournal(wal), "wal");
    {
        Datenbank db(wal);
        db.Ausfuehren(QStringLiteral("insert into Notizen default values"));
    }
    EXPECT_EQ(rohJournal(wal), "delete");
    EXPECT_FALSE(QFile::exists(wal + "-wal"));
}

TEST(DatenbankDatei, SchemaErgaenzenAddsWhatIsMissingWholeOrNothing) {
    // What later versions add to a file: missing columns get their default
    // in every existing row, missing tables are created, present ones stay,
    // and a step that fails leaves the file exactly as it was.
    using Spalten = std::vector<schema::Spaltenergaenzung>;
    using Tabellen = std::vector<schema::Tabellenergaenzung>;
    struct Fall {
        const char* name;
        Spalten spalten;
        Tabellen tabellen;
        bool gelingt;
        QStringList einstellungsSpalten; // expected tail of Einstellungen's columns
        QStringList tabellenDanach;      // expected extra tables
    };
    const Tabellen feeds = {{"Zusatz", "CREATE TABLE Zusatz (ID INTEGER PRIMARY KEY, a TEXT)"}};
    const Fall faelle[] = {
        {"nothing to add", {}, {}, true, {QStringLiteral("erstVorbei")}, {}},
        {"a column with its default",
         {{"Einstellungen", "neuText", "TEXT DEFAULT 'x'"}}, {}, true,
         {QStringLiteral("neuText")}, {}},
        {"a column already there is left alone",
         {{"Einstellungen", "Sprache", "TEXT DEFAULT 'x'"}}, {}, true,
         {QStringLiteral("erstVorbei")}, {}},
        {"a table, and a column in it already made",
         {{"Zusatz", "a", "TEXT"}}, feeds, true, {QStringLiteral("erstVorbei")},
         {QStringLiteral("Zusatz")}},
        {"a table and a column on an old one",
         {{"Einstellungen", "neuZahl", "INTEGER DEFAULT 7"}}, feeds, true,
         {QStringLiteral("neuZahl")}, {QStringLiteral("Zusatz")}},
        {"a failing step undoes the others",
         {{"Einstellungen", "neuText", "TEXT DEFAULT 'x'"}, {"Fehlt", "b", "TEXT"}}, feeds, false,
         {QStringLiteral("erstVorbei")}, {}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        TestUmgebung u;
        Datenbank db(u.p.datenbankDatei);
        // "erstVorbei" stands for the file's last column as it was: the own
        // file already has what this version adds.
        QString vorher;
        {
            auto e0 = db.OpenRecordset(QStringLiteral("select * from Einstellungen"));
            vorher = e0->Spalten().last();
        }
        const QString erwartet = f.einstellungsSpalten.last() == QLatin1String("erstVorbei")
                                     ? vorher
                                     : f.einstellungsSpalten.last();
        bool gelungen = true;
        try {
            db.SchemaErgaenzen(f.spalten, f.tabellen);
        } catch (const DatenFehler&) {
            gelungen = false;
        }
        EXPECT_EQ(gelungen, f.gelingt);
        auto e = db.OpenRecordset(QStringLiteral("select * from Einstellungen"));
        EXPECT_EQ(e->Spalten().last(), erwartet);
        if (f.gelingt && e->Spalten().last() == QLatin1String("neuText")) {
            e->MoveFirst();
            EXPECT_EQ(e->Feld(u"neuText").alsText(), QStringLiteral("x"));
        }
        if (f.gelingt && e->Spalten().last() == QLatin1String("neuZahl")) {
            e->MoveFirst();
            EXPECT_EQ(e->Feld(u"neuZahl").alsInt16(), 7);
        }
        QStringList extra;
        try {
            db.OpenRecordset(QStringLiteral("select * from Zusatz"));
            extra << QStringLiteral("Zusatz");
        } catch (const DatenFehler&) {
        }
        EXPECT_EQ(extra, f.tabellenDanach);
    }

    // A file opened read-only is never changed: the addition fails.
    TestUmgebung u;
    Datenbank nurLesen(u.p.datenbankDatei, Datenbank::Zugriff::NurLesen);
    EXPECT_THROW(nurLesen.SchemaErgaenzen({{"Einstellungen", "neuText", "TEXT"}}, {}), DatenFehler);
}

TEST(DatenbankDatei, GeschlosseneDatenbankUndMengeWerfen) {
    TestUmgebung u;
    NotizEinfuegen(*u.p.lokaleNotizen, notiz("a"));
    auto& db = *u.p.lokaleDatenbank;
    auto rs = notizen(db);
    rs->MoveFirst();

    EXPECT_THROW(db.OpenRecordset(QStringLiteral("select ID from Notizen")), DatenFehler);
    try {
        db.Ausfuehren(QStringLiteral("select * from Fehlt"));
        ADD_FAILURE();
    } catch (const DatenFehler& e) {
        EXPECT_NE(std::string(e.what()).find("no such table"), std::string::npos);
    }

    db.Close();
    db.Close();
    EXPECT_FALSE(db.IstOffen());
    EXPECT_FALSE(rs->IstOffen());
    EXPECT_THROW(db.Ausfuehren(QStringLiteral("select 1")), DatenFehler);
    EXPECT_THROW(db.OpenRecordset(QStringLiteral("select * from Notizen")), DatenFehler);
    EXPECT_THROW(rs->Feld(u"inhalt"), DatenFehler);
    EXPECT_THROW(rs->Eof(), DatenFehler);
    EXPECT_THROW(u.p.lokaleNotizen->AddNew(), DatenFehler);

    // A recordset that outlives its database object fails the same way.
    auto einstellungen =
        Datenbank(u.p.datenbankDatei).OpenRecordset(QStringLiteral("select * from Einstellungen"));
    EXPECT_THROW(einstellungen->MoveFirst(), DatenFehler);

    Datenbank offen(u.p.datenbankDatei);
    auto zu = notizen(offen);
    zu->Close();
    zu->Close();
    EXPECT_THROW(zu->MoveFirst(), DatenFehler);
    EXPECT_THROW(zu->Feld(u"inhalt"), DatenFehler);
}

// Opening a file keeps the key derived for its salt; later opens pass that
// key. One file after another lies under the same name, and every open must
// read the file that is there now, with the key of its own salt.
TEST(DatenbankSchluessel, JedeDateiOeffnetMitDemSchluesselIhresSalzes) {
    TestUmgebung u;
    // Files made by the library itself from the password, the usual way.
    const auto machen = [&](const QString& name, const char* schluessel, const char* text) {
        const QString pfad = u.Pfad(name);
        rohAnlegen(
            pfad, schluessel,
            (QByteArray("CREATE TABLE T (inhalt TEXT); INSERT INTO T VALUES ('") + text + "')")
                .constData());
        return pfad;
    };
    const QString a = machen("a.kav", Datenbank::Schluessel, "a");
    const QString b = machen("b.kav", Datenbank::Schluessel, "b");
    const QString fremd = machen("fremd.kav", "anderes", "f");
    const QString leer = u.Pfad("leer.kav");
    QFile(leer).open(QIODevice::WriteOnly);
    const auto salz = [](const QString& pfad) {
        QFile f(pfad);
        f.open(QIODevice::ReadOnly);
        return f.read(16);
    };
    const QString name = u.Pfad("pw.kav");
    const auto legen = [&](const QString& von) {
        QFile::remove(name + ".neu");
        ASSERT_TRUE(QFile::copy(von, name + ".neu"));
        // Replaced the way a share sees it: a new file renamed over the old.
        ASSERT_EQ(::rename(QFile::encodeName(name + ".neu").constData(),
                           QFile::encodeName(name).constData()),
                  0);
    };

    struct Schritt {
        const char* was;
        std::function<void()> vorher;
        const char* inhalt; // nullptr: the open fails; "": whether it opens is not the point
        int ableitungen, treffer, verworfen;
    };
    const Schritt schritte[] = {
        {"first open derives", [&] { legen(a); }, "a", 1, 0, 0},
        {"reopen unchanged uses the kept key", [] {}, "a", 0, 1, 0},
        {"a replacement with a new salt derives its own", [&] { legen(b); }, "b", 1, 0, 0},
        {"the first file back: its key is still kept", [&] { legen(a); }, "a", 0, 1, 0},
        {"another password under the name fails, nothing kept", [&] { legen(fremd); }, nullptr, 1,
         0, 0},
        {"and fails again, derived again", [] {}, nullptr, 1, 0, 0},
        {"a wrong key kept for the salt is dropped, the file opens",
         [&] {
             legen(a);
             schluesselablage::Merken(salz(a), Datenbank::Schluessel, QByteArray(32, '\x11'));
         },
         "a", 1, 0, 1},
        {"and the right key is kept again", [] {}, "a", 0, 1, 0},
        {"a wrong key for b's salt is never tried on a",
         [&] { schluesselablage::Merken(salz(b), Datenbank::Schluessel, QByteArray(32, 0)); }, "a",
         0, 1, 0},
        {"an empty file has no salt: the password, no key derived here", [&] { legen(leer); }, "",
         0, 0, 0},
    };

    for (const auto zugriff :
         {Datenbank::Zugriff::NurLesen, Datenbank::Zugriff::LesenUndSchreiben}) {
        schluesselablage::AllesVergessen();
        for (const Schritt& s : schritte) {
            SCOPED_TRACE(s.was);
            s.vorher();
            const auto vor = schluesselablage::Stand();
            QString gelesen;
            const bool egal = s.inhalt && !*s.inhalt;
            bool offen = false;
            try {
                Datenbank db(name, zugriff);
                offen = true;
                if (egal)
                    throw DatenFehler("nothing to read");
                auto rs = db.OpenRecordset(QStringLiteral("select * from T"));
                rs->MoveFirst();
                gelesen = rs->Feld(u"inhalt").alsText();
            } catch (const DatenFehler& e) {
                if (s.inhalt && !egal)
                    ADD_FAILURE() << e.what();
            }
            const auto nach = schluesselablage::Stand();
            if (!egal) {
                EXPECT_EQ(offen, s.inhalt != nullptr);
                if (s.inhalt) {
                    EXPECT_EQ(gelesen, QString::fromLatin1(s.inhalt));
                }
            }
            EXPECT_EQ(nach.ableitungen - vor.ableitungen, quint64(s.ableitungen));
            EXPECT_EQ(nach.treffer - vor.treffer, quint64(s.treffer));
            EXPECT_EQ(nach.verworfen - vor.verworfen, quint64(s.verworfen));
        }
    }
    // A file made by the program itself opens the same way.
    schluesselablage::AllesVergessen();
    const QString neu = u.Pfad("neu.kav");
    Datenbank::Erzeugen(neu)->Ausfuehren(QStringLiteral("CREATE TABLE T (x)"));
    for (int i = 0; i < 2; ++i)
        EXPECT_NO_THROW(Datenbank(neu).Ausfuehren(QStringLiteral("INSERT INTO T VALUES (1)")));
    EXPECT_GE(schluesselablage::Stand().treffer, 1u);
}

#ifdef SPEICHER_LAST
// One process adds and edits notes while another reads the table over and
// over: the busy wait must keep both free of errors.
TEST(DatenbankZweiProzesse, SchreiberUndLeserGleichzeitig) {
    TestUmgebung u;
    const QString datei = u.NeueDatenbank(QStringLiteral("geteilt.kav"));
    const int anzahl = 300;

    QProcess leser;
    QProcess schreiber;
    leser.start(QStringLiteral(SPEICHER_LAST),
                {QStringLiteral("reader"), datei, QStringLiteral("3"), QString::number(anzahl)});
    ASSERT_TRUE(leser.waitForStarted());
    // The writer starts once the reader has read the empty table.
    while (!leser.canReadLine())
        ASSERT_TRUE(leser.waitForReadyRead(30000)) << leser.readAllStandardError().toStdString();
    ASSERT_EQ(leser.readLine().trimmed(), QByteArray("bereit"));
    schreiber.start(QStringLiteral(SPEICHER_LAST),
                    {QStringLiteral("writer"), datei, QString::number(anzahl)});
    ASSERT_TRUE(schreiber.waitForStarted());

    ASSERT_TRUE(schreiber.waitForFinished(120000));
    ASSERT_TRUE(leser.waitForFinished(120000));
    EXPECT_EQ(schreiber.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(schreiber.exitCode(), 0) << schreiber.readAllStandardError().toStdString();
    EXPECT_EQ(leser.exitCode(), 0) << leser.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(schreiber.readAllStandardOutput()).trimmed(),
              QStringLiteral("geschrieben %1").arg(anzahl));
    const QString gelesen = QString::fromUtf8(leser.readAllStandardOutput()).trimmed();
    const auto teile = gelesen.split(QLatin1Char(' '));
    ASSERT_EQ(teile.size(), 3) << gelesen.toStdString();
    EXPECT_EQ(teile[1].toInt(), anzahl);
    EXPECT_GT(teile[2].toInt(), 1); // it read while the writer wrote

    Datenbank db(datei);
    auto rs = notizen(db);
    EXPECT_EQ(rs->RecordCount(), anzahl);
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        EXPECT_TRUE(rs->Feld(u"inhalt").alsText().endsWith(QLatin1String("bearbeitet")));
}
#endif
