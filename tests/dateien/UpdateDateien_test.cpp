// The update's hand-over files in states neither program writes, and the
// server's files ("serverversion.txt", "updlist.txt") as a broken or hostile
// server might send them, fetched over FTP from a real server on 127.0.0.1.

#include "FtpTestServer.h"
#include "Installation.h"
#include "TestHilfe.h"
#include "TestSignatur.h"
#include "UpdatePruefung.h"
#include "UpdateSignal.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace pinwick;
using pinwick::pwi::Installation;
using pinwick::test::DateiAbbild;
using pinwick::test::FtpTestServer;
using pinwick::test::TestUmgebung;

namespace {

QByteArray megabyte(char zeichen) {
    return QByteArray(1 << 20, zeichen);
}

QByteArray binaer() {
    QByteArray b;
    for (int runde = 0; runde < 16; ++runde)
        for (int i = 0; i < 256; ++i)
            b.append(static_cast<char>((i * 13 + runde) & 0xFF));
    return b;
}

// A file, or with art 'o' a folder and 'r' a pipe, under the name.
void legen(const QString& pfad, char art, const QByteArray& inhalt) {
    QFile::remove(pfad);
    QDir().rmdir(pfad);
    if (art == 'o') {
        ASSERT_TRUE(QDir().mkpath(pfad));
    } else if (art == 'r') {
        ASSERT_EQ(::mkfifo(QFile::encodeName(pfad).constData(), 0600), 0);
    } else {
        QFile datei(pfad);
        ASSERT_TRUE(datei.open(QIODevice::WriteOnly));
        ASSERT_EQ(datei.write(inhalt), inhalt.size());
    }
}

// ---- "updver.txt" and "updinfo.txt", read by the installer at its start ------

TEST(Uebergabedateien, TheInstallerStartsWithAClearVersionAndLanguage) {
    struct Fall {
        const char* was;
        char art; // 'd' file, 'o' folder, 'r' pipe
        QByteArray inhalt;
        const char* version; // the title's version
        int16_t sprache;
    };
    const Fall faelle[] = {
        {"garbage", 'd', "zwei\r\n", "0.00", 0},
        {"no line break", 'd', "2", "0.02", 2},
        {"a megabyte line first", 'd', megabyte('x') + "\r\n2\r\n", "0.00", 0},
        {"a megabyte of digits", 'd', megabyte('9'), "2.00", 0},
        {"a number, then a megabyte", 'd', "2\r\n" + megabyte('\x02'), "0.02", 2},
        {"binary", 'd', binaer(), "0.00", 0},
        {"NUL first", 'd',
         QByteArray("\0"
                    "2\r\n",
                    4),
         "0.00", 0},
        {"UTF-16", 'd',
         QByteArray("\xff\xfe"
                    "2\0\r\0\n\0",
                    8),
         "0.00", 0},
        {"empty", 'd', "", "0.00", 0},
        {"a folder", 'o', "", "2.00", 0},
        {"a pipe", 'r', "", "2.00", 0},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        QTemporaryDir ordner;
        const QDir dir(ordner.path());
        legen(dir.filePath("updver.txt"), f.art, f.inhalt);
        legen(dir.filePath("updinfo.txt"), f.art, f.inhalt);
        QElapsedTimer uhr;
        uhr.start();
        Installation inst{dir};
        inst.UpdinfoLesen();
        inst.UpdverLesen();
        EXPECT_LT(uhr.elapsed(), 5000);
        EXPECT_EQ(inst.VersionText(), QString::fromLatin1(f.version));
        EXPECT_EQ(inst.sprache, f.sprache);
    }
}

// ---- the server's files ---------------------------------------------------------

class ServerDateien : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = std::make_unique<FtpTestServer>(); }
    static void TearDownTestSuite() { server.reset(); }
    void SetUp() override {
        ASSERT_TRUE(server->Fehler().isEmpty()) << server->Fehler().toStdString();
        server->Leeren();
    }
    static inline std::unique_ptr<FtpTestServer> server;
};

// The daily check reads the server's version file: whatever it holds, the
// check ends quietly, offers an update only for a readable higher number and
// leaves no copy of the file behind.
TEST_F(ServerDateien, VersionFileOffersOnlyAReadableHigherNumber) {
    struct Fall {
        const char* was;
        QByteArray inhalt;
        int16_t verfuegbar;
        char marker = 'n'; // the day marker "updtag.txt": 'n' none, 'r' a pipe, 'o' a folder
    };
    const Fall faelle[] = {
        {"garbage", "neueste Version\r\n", 0},
        {"no line break", "302", 302},
        {"a megabyte line", megabyte('3'), 0},
        {"a good line, then a megabyte", "302\r\n" + megabyte('x'), 0},
        {"binary", binaer(), 0},
        {"NUL first",
         QByteArray("\0"
                    "302\r\n",
                    6),
         0},
        {"CR without LF", "302\r303", 302},
        {"a day marker that is a pipe", "302\r\n", 302, 'r'},
        {"a day marker that is a folder", "302\r\n", 302, 'o'},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        TestUmgebung u;
        u.p.Sprache = 1;
        u.p.uhr.Stellen(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        if (f.marker != 'n')
            legen(u.Pfad(QStringLiteral("updtag.txt")), f.marker, {});
        server->Ablegen(QStringLiteral("serverversion.txt"), f.inhalt);
        UpdatePruefung pruefung(u.p);
        pruefung.server = server->Server();
        pruefung.schluessel = "ein Schluessel";
        pruefung.zeiten = test::KurzeZeiten();
        int fragen = 0;
        pruefung.mBox = [&](int16_t, const QString&) { ++fragen; };
        pruefung.programmStarten = [](const QString&) { return false; };

        QElapsedTimer uhr;
        uhr.start();
        ASSERT_NO_THROW(pruefung.Pruefen());
        EXPECT_LT(uhr.elapsed(), 10000);
        EXPECT_EQ(pruefung.VerfuegbareVersion(), f.verfuegbar);
        EXPECT_EQ(pruefung.Signal() != nullptr && pruefung.Signal()->isVisible(),
                  f.verfuegbar != 0);
        EXPECT_FALSE(QFile::exists(u.Pfad(QStringLiteral("serverversion.txt"))));
        EXPECT_EQ(fragen, 0);
        // Asked once today, even where the day could not be noted in the file.
        const int anmeldungen = server->Anmeldungen();
        pruefung.Pruefen();
        EXPECT_EQ(server->Anmeldungen(), anmeldungen);
    }
}

// The installer reads the server's file list: a list it cannot take ends the
// update before anything in the program folder changes.
TEST_F(ServerDateien, FileListThatIsNoListChangesNothing) {
    struct Fall {
        const char* was;
        QByteArray liste;
        bool gelingt;
    };
    const Fall faelle[] = {
        {"no line break", "Pinwick3.dld", true},
        {"garbage with control characters", "Pinwick3.dld\r\n\x01\x02\x03\r\n", false},
        {"a megabyte line", megabyte('a'), false},
        {"a name of 300 characters", QByteArray(300, 'n') + "\r\n", false},
        {"binary", binaer(), false},
        {"NUL in a name", QByteArray("Pinwick3\0.dld\r\n", 15), false},
        {"a folder part", "bin/Pinwick3.dld\r\n", false},
        {"only line breaks", "\r\n\r\n\n", false},
        {"UTF-16", QByteArray("\xff\xfeP\0i\0\r\0\n\0", 10), false},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        server->Leeren();
        server->Ablegen(QStringLiteral("updlist.txt"), f.liste);
        server->Ablegen(QStringLiteral("Pinwick3.dld"), "neuer ticker");
        test::ReleaseSignieren(*server);
        QTemporaryDir wurzel;
        QDir(wurzel.path()).mkdir(QStringLiteral("programm"));
        QDir(wurzel.path()).mkdir(QStringLiteral("download"));
        const QDir programm(wurzel.path() + QStringLiteral("/programm"));
        legen(programm.filePath("Pinwick3"), 'd', "alter ticker");
        legen(programm.filePath("updver.txt"), 'd', "302\r\n");
        legen(programm.filePath("updinfo.txt"), 'd', "1\r\n");
        const QMap<QString, QByteArray> vorher = DateiAbbild(programm.path());

        Installation inst{programm};
        inst.server = server->Server();
        inst.schluessel = test::StandardSchluessel().Oeffentlich();
        inst.zeiten = test::KurzeZeiten();
        inst.downloadBasis = wurzel.path() + QStringLiteral("/download");
        const Installation::Ergebnis ergebnis = inst.Ausfuehren();

        if (f.gelingt) {
            EXPECT_EQ(ergebnis, Installation::Ergebnis::Erfolg) << inst.Fehler().toStdString();
            QFile neu(programm.filePath("Pinwick3"));
            ASSERT_TRUE(neu.open(QIODevice::ReadOnly));
            EXPECT_EQ(neu.readAll(), QByteArray("neuer ticker"));
            continue;
        }
        EXPECT_EQ(ergebnis, Installation::Ergebnis::Fehlgeschlagen);
        EXPECT_FALSE(inst.Fehler().isEmpty());
        // Only the list itself may have come in.
        QMap<QString, QByteArray> nachher = DateiAbbild(programm.path());
        nachher.remove(QStringLiteral("updlist.txt"));
        EXPECT_EQ(nachher, vorher);
        EXPECT_TRUE(QDir(inst.downloadBasis).isEmpty());
    }
}

} // namespace
