// The program start on a documents folder and a working folder of its own.

#include "EinstellungsSatz.h"
#include "ProgrammStart.h"
#include "Speicher.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace pinwick;

namespace {

class Start : public ::testing::Test {
protected:
    void SetUp() override {
        // The documents folder follows HOME; nothing of the real user is touched.
        alterHome = qgetenv("HOME");
        alterConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", heim.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (heim.path() + "/.config").toLocal8Bit());
        arbeit = QDir(arbeitsOrdner.path());
        // A first run without a chosen language follows the locale: these
        // tests run on an English one unless they say otherwise.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        VorlageErzeugen(arbeit.filePath("org.kav"));
        fenster.warten = false;
        fenster.introZeigen = [this] { ablauf << "intro"; };
        fenster.introSchliessen = [this] { ablauf << "intro zu"; };
        fenster.leisteZeigen = [this] { ablauf << "leiste"; };
        fenster.hilfeZeigen = [this] { ablauf << "hilfe"; };
        fenster.netzConnectZeigen = [this] {
            ablauf << "netz";
            aktuell->netzConnectSchliessen = [this] { ablauf << "netz zu"; };
        };
    }
    void TearDown() override {
        QLocale::setDefault(QLocale::system());
        qputenv("HOME", alterHome);
        if (alterConfig.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", alterConfig);
    }

    QString datenbank() const { return heim.path() + "/Documents/Pinwick 3/pw.kav"; }
    void schreiben(const QString& name, const QByteArray& inhalt) {
        QFile f(arbeit.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
    }
    QByteArray lesen(const QString& pfad) {
        QFile f(pfad);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    std::unique_ptr<Programm> starten() {
        auto p = std::make_unique<Programm>();
        p->arbeitsOrdner = arbeit;
        aktuell = p.get();
        ProgrammStart(*p, fenster);
        return p;
    }

    QTemporaryDir heim, arbeitsOrdner;
    QDir arbeit;
    QByteArray alterHome, alterConfig;
    StartFenster fenster;
    QStringList ablauf;
    Programm* aktuell = nullptr;
};

int erstVorbeiInTabelle(const QString& pfad) {
    Datenbank db(pfad);
    auto rs = db.OpenRecordset(QStringLiteral("select * from Einstellungen"));
    return rs->Feld(u"erstVorbei").alsInt16();
}

} // namespace

TEST_F(Start, FirstStartMakesTheDatabaseFromTheTemplateAndGreets) {
    schreiben("ssp.kav", "2,setup\r\n");
    auto p = starten();
    ASSERT_TRUE(QFile::exists(datenbank()));
    EXPECT_EQ(p->datenbankDatei, datenbank());
    EXPECT_EQ(p->Sprache, 2);
    EXPECT_FALSE(p->erstVorbei); // in memory until the next start
    EXPECT_EQ(erstVorbeiInTabelle(datenbank()), -1);
    EXPECT_EQ(ablauf, (QStringList{"intro", "leiste", "intro zu", "hilfe"}));
    EXPECT_EQ(p->programmVersion, 301);
    EXPECT_EQ(p->trennText, QString::fromUtf8(" \xC2\xB7 "));
    EXPECT_EQ(p->idAbstand.size(), 10);
    ASSERT_TRUE(p->lokaleNotizen);
    EXPECT_EQ(p->lokaleNotizen->RecordCount(), 0);
}

TEST_F(Start, SecondStartLeavesTheDatabaseAlone) {
    starten();
    const QByteArray vorher = lesen(datenbank());
    QFile::remove(arbeit.filePath("org.kav")); // not needed any more
    ablauf.clear();
    auto p = starten();
    EXPECT_EQ(lesen(datenbank()), vorher);
    EXPECT_TRUE(p->erstVorbei);
    EXPECT_FALSE(ablauf.contains("hilfe"));
}

TEST_F(Start, LanguageFileWithoutANumberOrMissingGivesEnglish) {
    schreiben("ssp.kav", "deutsch\r\n");
    EXPECT_EQ(starten()->Sprache, 1);
}

TEST_F(Start, MissingTemplateStopsBeforeAnyWindowAndMakesNoDatabase) {
    QFile::remove(arbeit.filePath("org.kav"));
    try {
        starten();
        FAIL() << "the start went on without a database";
    } catch (const StartFehler& f) {
        EXPECT_NE(QString::fromUtf8(f.what()).indexOf("org.kav"), -1) << f.what();
    }
    EXPECT_FALSE(QFile::exists(datenbank()));
    EXPECT_FALSE(QFile::exists(datenbank() + ".neu"));
    EXPECT_TRUE(ablauf.isEmpty());
}

TEST_F(Start, DamagedDatabaseStopsWithItsName) {
    QDir().mkpath(heim.path() + "/Documents/Pinwick 3");
    QFile f(datenbank());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    try {
        starten();
        FAIL() << "a damaged database was accepted";
    } catch (const StartFehler& e) {
        EXPECT_NE(QString::fromUtf8(e.what()).indexOf("pw.kav"), -1) << e.what();
    }
    EXPECT_EQ(lesen(datenbank()), QByteArray(4096, 'x'));
    EXPECT_TRUE(ablauf.isEmpty());
}

#ifdef Q_OS_WIN
#define EXE ".exe"
#else
#define EXE ""
#endif

TEST_F(Start, TidiesTheInstallerAndUpdateFiles) {
    schreiben("pwiupd" EXE, "neuer installer");
    schreiben("pwi" EXE, "letzter installer");
    schreiben("pwi.kav", "alter installer");
    for (const char* name :
         {"updlist.txt", "serverversion.txt", "updver.txt", "updinfo.txt", "nefe.txt", "nefe"})
        schreiben(name, "x");
    starten();
    const QStringList dateien = arbeit.entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(dateien, (QStringList{"nefe", "org.kav", "pwi.kav"}));
    EXPECT_EQ(lesen(arbeit.filePath("pwi.kav")), QByteArray("neuer installer"));
}

TEST_F(Start, TheLastUpdatesInstallerGoesBackToItsShippedName) {
    schreiben("pwi" EXE, "letzter installer");
    starten();
    EXPECT_FALSE(QFile::exists(arbeit.filePath("pwi" EXE)));
    EXPECT_EQ(lesen(arbeit.filePath("pwi.kav")), QByteArray("letzter installer"));
}

namespace {
void alsEmpfaenger(const QString& pw, const QString& pfad) {
    Datenbank db(pw);
    db.Ausfuehren(QStringLiteral("UPDATE Einstellungen SET broadcastStatus = -1, "
                                 "remoteEinstellungen = -1, broadcastPfad = '%1'")
                      .arg(pfad));
}
} // namespace

TEST_F(Start, ReceiverWithAnUnreachableBroadcasterStillShowsTheBar) {
    starten();
    alsEmpfaenger(datenbank(), heim.path() + "/nirgends/pw.kav");
    ablauf.clear();
    auto p = starten();
    EXPECT_EQ(ablauf, (QStringList{"intro", "netz", "netz zu", "leiste", "intro zu"}));
    EXPECT_TRUE(p->netzFehler);
    EXPECT_FALSE(p->remoteEinstellungen); // replaced by what the broadcaster could not say
}

TEST_F(Start, ReceiverTakesTheBroadcastersLookBeforeTheBarShows) {
    starten();
    const QString sender = heim.path() + "/sender.kav";
    VorlageErzeugen(sender);
    {
        Datenbank db(sender);
        db.Ausfuehren(QStringLiteral(
            "UPDATE Einstellungen SET remoteEinstellungen = -1, notizHgFarbe = 255, Speed = 5"));
    }
    alsEmpfaenger(datenbank(), sender);
    int farbeBeimZeigen = -1;
    fenster.leisteZeigen = [&] { farbeBeimZeigen = aktuell->notizHgFarbe; };
    auto p = starten();
    EXPECT_FALSE(p->netzFehler);
    EXPECT_TRUE(p->remoteEinstellungen);
    EXPECT_EQ(farbeBeimZeigen, 255);
    EXPECT_EQ(p->Speed, 5);
}

TEST_F(Start, ReceiverWhoseBroadcasterDoesNotImposeKeepsItsOwnLook) {
    starten();
    const QString sender = heim.path() + "/sender.kav";
    VorlageErzeugen(sender);
    {
        Datenbank db(sender);
        db.Ausfuehren(QStringLiteral("UPDATE Einstellungen SET notizHgFarbe = 255"));
    }
    alsEmpfaenger(datenbank(), sender);
    auto p = starten();
    EXPECT_FALSE(p->remoteEinstellungen);
    EXPECT_EQ(p->notizHgFarbe, 0x6F6F6F);
}

// The setup's language file only decides when it names a language: a file
// without a first number leaves the language the table holds.
TEST_F(Start, LanguageFileDecidesOnlyWithANumber) {
    struct Fall {
        QByteArray datei;
        int16_t sprache;
    };
    for (const Fall& f : {Fall{"", 2}, Fall{"\r\n", 2}, Fall{"deutsch\r\n", 2}, Fall{",1\r\n", 2},
                          Fall{"1,setup\r\n", 1}, Fall{" 1\r\n", 1}, Fall{"0\r\n", 1}}) {
        QFile::remove(datenbank());
        {
            Datenbank vorlage(arbeit.filePath("org.kav"));
            vorlage.Ausfuehren(QStringLiteral("UPDATE Einstellungen SET Sprache = 2"));
        }
        schreiben("ssp.kav", f.datei);
        EXPECT_EQ(starten()->Sprache, f.sprache) << f.datei.constData();
    }
}

// What the broadcaster's remoteEinstellungen means to a receiver at start:
// only a 0 or a value that cannot be read keeps the receiver's own look.
TEST_F(Start, BroadcastersRemoteSettingReadAsItStands) {
    starten();
    const QString sender = heim.path() + "/sender.kav";
    VorlageErzeugen(sender);
    alsEmpfaenger(datenbank(), sender);
    struct Fall {
        const char* wert;
        bool remote;
    };
    for (const Fall& f : {Fall{"NULL", true}, Fall{"-1", true}, Fall{"1", true}, Fall{"0", false},
                          Fall{"'nein'", false}}) {
        {
            Datenbank db(sender);
            db.Ausfuehren(QStringLiteral("UPDATE Einstellungen SET notizHgFarbe = 255, "
                                         "remoteEinstellungen = %1")
                              .arg(QLatin1String(f.wert)));
        }
        auto p = starten();
        EXPECT_EQ(p->remoteEinstellungen, f.remote) << f.wert;
        EXPECT_EQ(p->notizHgFarbe, f.remote ? 255 : 0x6F6F6F) << f.wert;
    }
}

// A local file that would start an empty or broken bar stops the start with
// a message naming it, and is left exactly as it was for the user to rescue.
TEST_F(Start, UnusableLocalFileStopsTheStartAndStaysUntouched) {
    const auto mitNotizen = [this] {
        starten();
        Datenbank db(datenbank());
        db.Ausfuehren(QStringLiteral("BEGIN"));
        for (int i = 0; i < 400; ++i)
            db.Ausfuehren(
                QStringLiteral("INSERT INTO Notizen (inhalt, Rhythmus) VALUES "
                               "('Notiz %1 mit etwas Text, damit viele Seiten entstehen', 0)")
                    .arg(i));
        db.Ausfuehren(QStringLiteral("COMMIT"));
    };
    struct Fall {
        const char* name;
        std::function<void()> schaden;
    };
    const Fall faelle[] = {
        {"zero bytes",
         [&] {
             starten();
             QFile(datenbank()).resize(0);
         }},
        {"damage deep inside",
         [&] {
             mitNotizen();
             QFile f(datenbank());
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             ASSERT_GT(f.size(), 8 * 1024);
             f.seek(f.size() / 2);
             f.write(QByteArray(64, '\x5a'));
         }},
        {"settings table missing",
         [&] {
             starten();
             Datenbank(datenbank()).Ausfuehren(QStringLiteral("DROP TABLE Einstellungen"));
         }},
        {"column missing",
         [&] {
             starten();
             Datenbank db(datenbank());
             db.Ausfuehren(QStringLiteral("ALTER TABLE Notizen RENAME TO alt"));
             db.Ausfuehren(
                 QStringLiteral("CREATE TABLE Notizen (ID INTEGER PRIMARY KEY, inhalt TEXT)"));
         }},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        QFile::remove(datenbank());
        f.schaden();
        const QByteArray vorher = lesen(datenbank());
        ablauf.clear();
        try {
            starten();
            ADD_FAILURE() << "the start went on";
        } catch (const StartFehler& e) {
            EXPECT_NE(QString::fromUtf8(e.what()).indexOf("pw.kav"), -1) << e.what();
        }
        EXPECT_EQ(lesen(datenbank()), vorher);
        EXPECT_TRUE(ablauf.isEmpty());
    }
}

// Nobody has chosen a language: the first run speaks the desktop's, German
// for a German locale and English for any other. A language in the table
// or in the setup's file decides before the locale.
TEST_F(Start, FirstRunWithoutAChosenLanguageFollowsTheLocale) {
    struct Fall {
        QLocale gebiet;
        int tabelle;        // Sprache in the template
        QByteArray datei;   // ssp.kav, empty for none
        bool zweiterStart;  // erstVorbei already set
        int16_t sprache;
    };
    const QLocale deutsch(QLocale::German, QLocale::Germany);
    const QLocale schweiz(QLocale::German, QLocale::Switzerland);
    const QLocale englisch(QLocale::English, QLocale::UnitedStates);
    const QLocale franzoesisch(QLocale::French, QLocale::France);
    const Fall faelle[] = {
        {deutsch, 0, "", false, 2},      {schweiz, 0, "", false, 2},
        {englisch, 0, "", false, 1},     {franzoesisch, 0, "", false, 1},
        {QLocale::c(), 0, "", false, 1}, {deutsch, 1, "", false, 1},
        {englisch, 2, "", false, 2},     {deutsch, 0, "1\r\n", false, 1},
        {deutsch, 0, "x\r\n", false, 2}, {deutsch, 0, "", true, 2},
    };
    for (const Fall& f : faelle) {
        QFile::remove(datenbank());
        QFile::remove(arbeit.filePath("ssp.kav"));
        {
            Datenbank vorlage(arbeit.filePath("org.kav"));
            vorlage.Ausfuehren(QStringLiteral("UPDATE Einstellungen SET Sprache = %1, erstVorbei = %2")
                                   .arg(f.tabelle)
                                   .arg(f.zweiterStart ? -1 : 0));
        }
        if (!f.datei.isEmpty())
            schreiben("ssp.kav", f.datei);
        QLocale::setDefault(f.gebiet);
        EXPECT_EQ(starten()->Sprache, f.sprache)
            << f.gebiet.name().toStdString() << " table " << f.tabelle << " file "
            << f.datei.constData() << (f.zweiterStart ? " later run" : " first run");
    }
}

// A desk keeps the language it started with. The first start records only
// erstVorbei; while the table's Sprache stays 0 nobody has chosen, so the
// second and third start ask the setup's file and then the desktop again,
// and the file and the desktop may have changed in between. Once the
// settings window has saved a language, neither overrides it.
TEST_F(Start, LaterStartsFollowTheFileOrTheDesktopUntilALanguageIsChosen) {
    const QLocale deutsch(QLocale::German, QLocale::Germany);
    const QLocale englisch(QLocale::English, QLocale::UnitedStates);
    struct Lauf {
        QLocale gebiet;
        QByteArray datei; // ssp.kav, empty for none
        int16_t sprache;
    };
    struct Fall {
        const char* name;
        int gewaehlt; // Sprache the settings window saved after the first start; 0 none
        Lauf laeufe[3];
    };
    const Fall faelle[] = {
        {"German desktop", 0, {{deutsch, "", 2}, {deutsch, "", 2}, {deutsch, "", 2}}},
        {"English desktop", 0, {{englisch, "", 1}, {englisch, "", 1}, {englisch, "", 1}}},
        {"setup's file over the desktop",
         0,
         {{deutsch, "1\r\n", 1}, {deutsch, "1\r\n", 1}, {englisch, "2\r\n", 2}}},
        {"file gone, the desktop decides",
         0,
         {{englisch, "2\r\n", 2}, {deutsch, "", 2}, {englisch, "", 1}}},
        {"file without a number", 0, {{deutsch, "x\r\n", 2}, {deutsch, "x\r\n", 2}, {englisch, "x\r\n", 1}}},
        {"English chosen on a German desktop",
         1,
         {{deutsch, "", 2}, {deutsch, "2\r\n", 1}, {deutsch, "", 1}}},
        {"German chosen on an English desktop",
         2,
         {{englisch, "1\r\n", 1}, {englisch, "1\r\n", 2}, {englisch, "", 2}}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        QFile::remove(datenbank());
        for (int lauf = 0; lauf < 3; ++lauf) {
            const Lauf& l = f.laeufe[lauf];
            QFile::remove(arbeit.filePath("ssp.kav"));
            if (!l.datei.isEmpty())
                schreiben("ssp.kav", l.datei);
            QLocale::setDefault(l.gebiet);
            ablauf.clear();
            auto p = starten();
            EXPECT_EQ(p->Sprache, l.sprache) << "start " << lauf + 1;
            EXPECT_EQ(ablauf.contains("hilfe"), lauf == 0) << "start " << lauf + 1;
            // What the settings window stores when it saves.
            if (lauf == 0 && f.gewaehlt != 0) {
                p->Sprache = int16_t(f.gewaehlt);
                EinstellungenSpeichern(*p);
            }
            p.reset();
            Datenbank db(datenbank());
            auto rs = db.OpenRecordset(QStringLiteral("select * from Einstellungen"));
            EXPECT_EQ(rs->Feld(u"Sprache").alsInt16(), f.gewaehlt)
                << "start " << lauf + 1 << ": a start stores no language of its own";
        }
    }
}
