// The installer's window end to end against a real FTP server on 127.0.0.1,
// in a temporary program folder. Programs are only recorded, never started.

#include "FtpTestServer.h"
#include "Installation.h"
#include "Journal.h"
#include "Programme.h"
#include "Panel3D.h"
#include "InstallerFenster.h"
#include "TestHilfe.h"
#include "TestSignatur.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace pinwick;
using namespace pinwick::pwi;
using pinwick::test::DateiAbbild;
using pinwick::test::FtpTestServer;

namespace {

class PwiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = std::make_unique<FtpTestServer>(); }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override {
        ASSERT_TRUE(server->Fehler().isEmpty()) << server->Fehler().toStdString();
        Neu(1);
    }

    // A program folder as the ticker leaves it when it hands over, below a
    // folder of its own (so that a way out of it would show), with the old
    // ticker and an old text file.
    void Neu(int16_t sprache) {
        server->Leeren();
        gestartet.clear();
        beendet = 0;
        gepiept = 0;
        meldungen.clear();
        wurzel = std::make_unique<QTemporaryDir>();
        QDir(wurzel->path()).mkdir(QStringLiteral("programm"));
        QDir(wurzel->path()).mkdir(QStringLiteral("download"));
        programm = QDir(wurzel->path() + QStringLiteral("/programm"));
        Schreiben(QStringLiteral("Pinwick3"), "alter ticker");
        Schreiben(QStringLiteral("readme.txt"), "alter text");
        Schreiben(QStringLiteral("pwi"), "installer");
        Schreiben(QStringLiteral("updver.txt"), "302\r\n");
        Schreiben(QStringLiteral("updinfo.txt"), QByteArray::number(sprache) + "\r\n");

        inst = std::make_unique<Installation>(programm);
        inst->server = server->Server();
        inst->zeiten = test::KurzeZeiten();
        inst->downloadBasis = wurzel->path() + QStringLiteral("/download");
        inst->schluessel = test::StandardSchluessel().Oeffentlich();
        inst->UpdinfoLesen();
        fenster = std::make_unique<pwi::InstallerFenster>(*inst);
        fenster->programmStarten = [this](const QString& p) {
            gestartet.push_back({p, uhr.elapsed()});
            return true;
        };
        fenster->beenden = [this] { ++beendet; };
        fenster->piepen = [this] { ++gepiept; };
        fenster->melden = [this](const QString& text) { meldungen.push_back(text); };
        fenster->show();
    }

    void Schreiben(const QString& name, const QByteArray& inhalt) {
        QFile f(programm.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
    }
    QByteArray Lesen(const QString& name) const {
        QFile f(programm.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool Da(const QString& name) const { return QFile::exists(programm.filePath(name)); }

    // Clicks a button as a person would and waits until the update is over.
    void Klicken(Panel3D* knopf) {
        uhr.start();
        QTest::mouseClick(knopf, Qt::LeftButton);
        const bool vorbei = QTest::qWaitFor(
            [this] {
                return fenster->Stand() == pwi::InstallerFenster::Zustand::Fertig ||
                       fenster->Stand() == pwi::InstallerFenster::Zustand::Fehler;
            },
            20000);
        EXPECT_TRUE(vorbei);
    }

    static inline std::unique_ptr<FtpTestServer> server;
    std::unique_ptr<QTemporaryDir> wurzel;
    QDir programm;
    std::unique_ptr<Installation> inst;
    std::unique_ptr<pwi::InstallerFenster> fenster;
    QElapsedTimer uhr;
    std::vector<std::pair<QString, qint64>> gestartet;
    int beendet = 0;
    int gepiept = 0;
    std::vector<QString> meldungen;
};

TEST_F(PwiTest, UpdateGelingtOderAendertNichts) {
    struct Fall {
        const char* was;
        QByteArray liste; // empty: no list on the server
        bool gelingt;
        const char* startet; // the program started at the end
    };
    const Fall faelle[] = {
        {"a text file and the ticker", "readme.txt\r\nPinwick3.dld\r\n", true, "Pinwick3"},
        {"lines ending in LF only", "readme.txt\nPinwick3.dld\n", true, "Pinwick3"},
        {"no program in the list", "readme.txt\r\n", true, "Pinwick3"},
        {"the last program is started", "Pinwick3.dld\r\nhelfer.dld\r\nreadme.txt\r\n", true,
         "helfer"},
        {"a listed file missing on the server", "readme.txt\r\nfehlt.txt\r\nPinwick3.dld\r\n",
         false, "Pinwick3"},
        {"a way out of the program folder", "readme.txt\r\n../evil\r\nPinwick3.dld\r\n", false,
         "Pinwick3"},
        {"an absolute name", "/tmp/evil\r\n", false, "Pinwick3"},
        {"no list on the server", QByteArray(), false, "Pinwick3"},
        {"an empty list", "\r\n", false, "Pinwick3"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        Neu(1);
        if (!f.liste.isEmpty())
            server->Ablegen(QStringLiteral("updlist.txt"), f.liste);
        server->Ablegen(QStringLiteral("readme.txt"), "neuer text");
        server->Ablegen(QStringLiteral("Pinwick3.dld"), "#!/bin/sh\n# neuer ticker\n");
        server->Ablegen(QStringLiteral("helfer.dld"), "helfer");
        server->Ablegen(QStringLiteral("evil"), "evil");
        test::ReleaseSignieren(*server);
        const QMap<QString, QByteArray> vorher = DateiAbbild(wurzel->path());

        Klicken(fenster->StartBef());

        if (f.gelingt) {
            ASSERT_EQ(fenster->Stand(), pwi::InstallerFenster::Zustand::Fertig)
                << inst->Fehler().toStdString();
            const bool ticker = f.liste.contains("Pinwick3.dld");
            EXPECT_EQ(Lesen(QStringLiteral("readme.txt")), QByteArray("neuer text"));
            EXPECT_EQ(Lesen(QStringLiteral("Pinwick3")),
                      ticker ? QByteArray("#!/bin/sh\n# neuer ticker\n")
                             : QByteArray("alter ticker"));
            if (ticker) {
                EXPECT_TRUE(QFile::permissions(programm.filePath(QStringLiteral("Pinwick3")))
                                .testFlag(QFileDevice::ExeOther));
            }
            EXPECT_FALSE(QFile::permissions(programm.filePath(QStringLiteral("readme.txt")))
                             .testFlag(QFileDevice::ExeOwner));
            // Only the installed files and the untouched installer remain:
            // no ".dld" copy, no temporary copy, no working file.
            QStringList erwartet{QStringLiteral("Pinwick3"), QStringLiteral("pwi"),
                                 QStringLiteral("readme.txt"), QStringLiteral("updstand.txt")};
            if (f.liste.contains("helfer.dld"))
                erwartet << QStringLiteral("helfer");
            erwartet.sort();
            EXPECT_EQ(programm.entryList(QDir::Files | QDir::Hidden, QDir::Name), erwartet);
            EXPECT_TRUE(QDir(inst->downloadBasis)
                            .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
            EXPECT_EQ(fenster->StartBef()->text(), QStringLiteral("Update process sucessful."));
            EXPECT_EQ(gepiept, 0);
            // Half a second after the success, the program starts.
            ASSERT_EQ(gestartet.size(), 1u);
            EXPECT_EQ(gestartet[0].first, programm.filePath(QString::fromLatin1(f.startet)));
            EXPECT_GE(gestartet[0].second, 500);
        } else {
            ASSERT_EQ(fenster->Stand(), pwi::InstallerFenster::Zustand::Fehler);
            EXPECT_TRUE(fenster->FehlerPan()->isVisible());
            EXPECT_TRUE(fenster->FehlerPan()->text().contains(
                QStringLiteral("Update currently unavailable")));
            EXPECT_EQ(gepiept, 1);
            EXPECT_TRUE(gestartet.empty());
            EXPECT_FALSE(fenster->FortschrittTim().isActive());
            // Nothing installed: apart from the list just fetched, every
            // file is as it was, and nothing appeared outside the folder.
            QMap<QString, QByteArray> nachher = DateiAbbild(wurzel->path());
            nachher.remove(QStringLiteral("programm/updlist.txt"));
            EXPECT_EQ(nachher, vorher);

            // "Proceed" goes back to the old ticker.
            QTest::mouseClick(fenster->WeiterBef(), Qt::LeftButton);
            EXPECT_TRUE(QTest::qWaitFor([this] { return beendet > 0; }, 2000));
            ASSERT_EQ(gestartet.size(), 1u);
            EXPECT_EQ(gestartet[0].first, programm.filePath(QStringLiteral("Pinwick3")));
        }
        EXPECT_EQ(beendet, 1);
        EXPECT_TRUE(meldungen.empty());
    }
}

TEST_F(PwiTest, OhneUpdateBeendenRuehrtNichtsAn) {
    // The button, and the window closed from outside, which means the same.
    const std::function<void()> wege[] = {
        [this] { QTest::mouseClick(fenster->AbbrechenBef(), Qt::LeftButton); },
        [this] { fenster->close(); },
    };
    for (const auto& weg : wege) {
        Neu(1);
        server->Ablegen(QStringLiteral("updlist.txt"), "readme.txt\r\n");
        server->Ablegen(QStringLiteral("readme.txt"), "neu");
        const QMap<QString, QByteArray> vorher = DateiAbbild(wurzel->path());
        const int anmeldungen = server->Anmeldungen();

        weg();
        ASSERT_TRUE(QTest::qWaitFor([this] { return beendet > 0; }, 2000));

        ASSERT_EQ(gestartet.size(), 1u);
        EXPECT_EQ(gestartet[0].first, programm.filePath(QStringLiteral("Pinwick3")));
        EXPECT_EQ(beendet, 1);
        EXPECT_EQ(DateiAbbild(wurzel->path()), vorher);
        EXPECT_EQ(server->Anmeldungen(), anmeldungen);
    }
}

TEST_F(PwiTest, OhneServerDerHinweisNachDemPiepen) {
    test::StummerServer stumm;
    const int ports[] = {test::FreierPort(), stumm.Port()};
    for (const int port : ports) {
        Neu(2);
        inst->server.port = port;
        Klicken(fenster->StartBef());
        EXPECT_EQ(fenster->Stand(), pwi::InstallerFenster::Zustand::Fehler);
        EXPECT_EQ(gepiept, 1);
        EXPECT_TRUE(fenster->FehlerPan()->isVisible());
        EXPECT_TRUE(fenster->FehlerPan()->text().contains(QStringLiteral("nicht verf\u00FCgbar")));
        EXPECT_EQ(fenster->WeiterBef()->text(), QStringLiteral("Weiter"));
        EXPECT_EQ(Lesen(QStringLiteral("updver.txt")), QByteArray("302\r\n"));
    }
}

TEST_F(PwiTest, BeschriftungJeSprache) {
    struct Fall {
        int16_t sprache;
        const char* titel;
        const char* start;
        const char* weiter;
        const char* fehler;
    };
    const Fall faelle[] = {
        {1, "Pinwick Installer: Update to version 3.02", "Start update now", "Proceed",
         "\nUpdate currently unavailable - please try again later."},
        {2, "Pinwick Installer: Update auf Version 3.02", "Update jetzt starten", "Weiter",
         "\nUpdate im Augenblick nicht verf\xC3\xBC"
         "gbar - bitte versuchen Sie es "
         "sp\xC3\xA4ter nocheinmal."},
        {0, "Pinwick Installer: Update auf Version 3.02", "Update jetzt starten", "Weiter",
         "\nUpdate im Augenblick nicht verf\xC3\xBC"
         "gbar - bitte versuchen Sie es "
         "sp\xC3\xA4ter nocheinmal."},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.sprache);
        Neu(f.sprache);
        EXPECT_EQ(fenster->TitelPan()->text(), QString::fromUtf8(f.titel));
        EXPECT_EQ(fenster->StartBef()->text(), QString::fromUtf8(f.start));
        EXPECT_EQ(fenster->AbbrechenBef()->text(), QStringLiteral("Ohne Update beenden"));
        EXPECT_EQ(fenster->WeiterBef()->text(), QString::fromUtf8(f.weiter));
        EXPECT_EQ(fenster->FehlerPan()->text(), QString::fromUtf8(f.fehler));
        EXPECT_FALSE(fenster->FehlerPan()->isVisible());
        EXPECT_FALSE(fenster->DeckelPan()->isVisible());
    }
}

TEST_F(PwiTest, AbbrechenWaehrendDesDownloads) {
    // The server never answers; "quit without update" during the wait gives
    // the update up and starts the old ticker, with nothing installed.
    test::StummerServer stumm;
    inst->server.port = stumm.Port();
    inst->zeiten.verbindenMs = 20000;
    inst->zeiten.stillstandMs = 20000;
    const QMap<QString, QByteArray> vorher = DateiAbbild(wurzel->path());
    QTimer::singleShot(300, fenster.get(), [this] {
        EXPECT_EQ(fenster->Stand(), pwi::InstallerFenster::Zustand::Update);
        EXPECT_TRUE(fenster->DeckelPan()->isVisible());
        EXPECT_TRUE(fenster->FortschrittTim().isActive());
        fenster->AbbrechenKlick();
    });
    QElapsedTimer dauer;
    dauer.start();
    Klicken(fenster->StartBef());
    EXPECT_LT(dauer.elapsed(), 10000);
    EXPECT_EQ(fenster->Stand(), pwi::InstallerFenster::Zustand::Fertig);
    ASSERT_EQ(gestartet.size(), 1u);
    EXPECT_EQ(gestartet[0].first, programm.filePath(QStringLiteral("Pinwick3")));
    EXPECT_EQ(beendet, 1);
    EXPECT_EQ(DateiAbbild(wurzel->path()), vorher);
}

} // namespace

namespace {

// Every file's rights below a folder.
QMap<QString, int> Rechte(const QString& ordner) {
    QMap<QString, int> rechte;
    for (const QString& datei : test::DateienUnter(ordner))
        rechte.insert(datei, int(QFile::permissions(QDir(ordner).filePath(datei))));
    return rechte;
}

TEST_F(PwiTest, UnechtesOderUnmoeglichesUpdateInstalliertNichts) {
    struct Fall {
        const char* was;
        std::function<void()> vorher; // after the release was signed
        const char* grund;            // what the panel's last line names
    };
    const test::TestSchluessel fremd;
    const Fall faelle[] = {
        {"a file changed after signing",
         [] { server->Ablegen(QStringLiteral("readme.txt"), "untergeschoben"); },
         "readme.txt: does not match its sum"},
        {"the list changed after signing",
         [] { server->Ablegen(QStringLiteral("updlist.txt"), "Pinwick3.dld\r\nreadme.txt\r\n"); },
         "updlist.txt: does not match its sum"},
        {"no signature",
         [] { server->Entfernen(QStringLiteral("updsums.txt.minisig")); },
         "updsums.txt.minisig:"},
        {"a signature by another key",
         [&fremd] {
             server->Ablegen(QStringLiteral("updsums.txt.minisig"),
                             fremd.Signieren(server->Lesen(QStringLiteral("updsums.txt"))));
         },
         "updsums.txt.minisig: signed by another key"},
        {"sums changed after signing",
         [] {
             server->Ablegen(QStringLiteral("updsums.txt"),
                             server->Lesen(QStringLiteral("updsums.txt")) + "\n");
         },
         "updsums.txt.minisig: signature does not match"},
        {"an old signed release",
         [] {
             server->Entfernen(QStringLiteral("serverversion.txt"));
             test::ReleaseSignieren(*server, 301);
         },
         "serverversion.txt: version 301 is not newer than the installed 301"},
        {"a listed file without a sum",
         [] {
             QByteArray summen;
             for (const char* name : {"updlist.txt", "serverversion.txt", "Pinwick3.dld"})
                 summen += test::SummenZeile(QString::fromLatin1(name),
                                             server->Lesen(QString::fromLatin1(name)));
             server->Ablegen(QStringLiteral("updsums.txt"), summen);
             server->Ablegen(QStringLiteral("updsums.txt.minisig"),
                             test::StandardSchluessel().Signieren(summen));
         },
         "updsums.txt: no sum for readme.txt"},
        {"the ticker without \".dld\"",
         [] {
             server->Ablegen(QStringLiteral("updlist.txt"), "readme.txt\r\nPinwick3\r\n");
             server->Ablegen(QStringLiteral("Pinwick3"), "ticker ohne bit");
             test::ReleaseSignieren(*server);
         },
         "Pinwick3 would not be runnable"},
        {"a listed name is a folder here",
         [this] { ASSERT_TRUE(programm.mkdir(QStringLiteral("readme.txt"))); },
         "readme.txt is in the way"},
        {"a build without key", [this] { inst->schluessel.clear(); }, "no key"},
        // The lowest version a later update may install is written with the
        // files or the update fails: new files under the old floor would let
        // an older signed release back in.
        {"the floor cannot be written: a folder under its name",
         [this] { ASSERT_TRUE(programm.mkdir(QStringLiteral("updstand.txt"))); },
         "updstand.txt is in the way"},
        {"the floor cannot be put in place: a folder under its name while the files are copied",
         [this] {
             inst->schritt = [this](const char* schritt) {
                 if (QByteArray(schritt) == "kopieren")
                     programm.mkdir(QStringLiteral("updstand.txt"));
             };
         },
         "updstand.txt cannot be replaced"},
        {"a release that sets the floor itself",
         [] {
             server->Ablegen(QStringLiteral("updlist.txt"),
                             "readme.txt\r\nupdstand.txt\r\nPinwick3.dld\r\n");
             server->Ablegen(QStringLiteral("updstand.txt"), "302\r\n");
             test::ReleaseSignieren(*server);
         },
         "the list names updstand.txt"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        Neu(1);
        programm.remove(QStringLiteral("readme.txt"));
        server->Ablegen(QStringLiteral("updlist.txt"), "readme.txt\r\nPinwick3.dld\r\n");
        server->Ablegen(QStringLiteral("readme.txt"), "neuer text");
        server->Ablegen(QStringLiteral("Pinwick3.dld"), "neuer ticker");
        test::ReleaseSignieren(*server);
        f.vorher();
        const QMap<QString, QByteArray> vorher = DateiAbbild(wurzel->path());
        const QMap<QString, int> rechteVorher = Rechte(wurzel->path());

        Klicken(fenster->StartBef());

        ASSERT_EQ(fenster->Stand(), pwi::InstallerFenster::Zustand::Fehler);
        const QStringList zeilen = fenster->FehlerPan()->text().split(u'\n');
        EXPECT_TRUE(zeilen.last().contains(QString::fromUtf8(f.grund)))
            << fenster->FehlerPan()->text().toStdString();
        EXPECT_TRUE(zeilen.value(1).startsWith(QStringLiteral("Update currently unavailable")));
        QMap<QString, QByteArray> nachher = DateiAbbild(wurzel->path());
        nachher.remove(QStringLiteral("programm/updlist.txt"));
        EXPECT_EQ(nachher, vorher);
        QMap<QString, int> rechteNachher = Rechte(wurzel->path());
        rechteNachher.remove(QStringLiteral("programm/updlist.txt"));
        EXPECT_EQ(rechteNachher, rechteVorher);
        // "Proceed" starts the old ticker.
        QTest::mouseClick(fenster->WeiterBef(), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([this] { return beendet > 0; }, 2000));
        ASSERT_EQ(gestartet.size(), 1u);
        EXPECT_EQ(gestartet[0].first, programm.filePath(QStringLiteral("Pinwick3")));
    }
}

TEST_F(PwiTest, EchteUpdatesInAllenFormen) {
    struct Fall {
        const char* was;
        QByteArray liste;
        bool tickerAusfuehrbar; // the old ticker's execute bit
        bool vorgehasht;
        int version;
    };
    const Fall faelle[] = {
        {"prehashed signature", "readme.txt\r\nPinwick3.dld\r\n", false, true, 302},
        {"the older signature form", "readme.txt\r\nPinwick3.dld\r\n", false, false, 302},
        {"a much newer version", "Pinwick3.dld\r\n", false, true, 32000},
        {"the ticker without \".dld\" keeps its bit", "readme.txt\r\nPinwick3\r\n", true, true,
         302},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        Neu(2);
        if (f.tickerAusfuehrbar) {
            ASSERT_TRUE(AusfuehrbarMachen(programm.filePath(QStringLiteral("Pinwick3"))));
        }
        server->Ablegen(QStringLiteral("updlist.txt"), f.liste);
        server->Ablegen(QStringLiteral("readme.txt"), "neuer text");
        server->Ablegen(QStringLiteral("Pinwick3.dld"), "neuer ticker");
        server->Ablegen(QStringLiteral("Pinwick3"), "neuer ticker");
        server->Ablegen(QStringLiteral("serverversion.txt"),
                        QByteArray::number(f.version) + "\r\n");
        test::ReleaseSignieren(*server);
        server->Ablegen(QStringLiteral("updsums.txt.minisig"),
                        test::StandardSchluessel().Signieren(
                            server->Lesen(QStringLiteral("updsums.txt")), f.vorgehasht));

        Klicken(fenster->StartBef());

        ASSERT_EQ(fenster->Stand(), pwi::InstallerFenster::Zustand::Fertig) << inst->Fehler().toStdString();
        EXPECT_EQ(Lesen(QStringLiteral("Pinwick3")), QByteArray("neuer ticker"));
        EXPECT_TRUE(QFile::permissions(programm.filePath(QStringLiteral("Pinwick3")))
                        .testFlag(QFileDevice::ExeOwner));
        EXPECT_EQ(fenster->StartBef()->text(), QStringLiteral("Updateprozess erfolgreich."));
        // The version is recorded: the same release cannot be installed twice.
        EXPECT_EQ(Lesen(QStringLiteral("updstand.txt")), QByteArray::number(f.version) + "\r\n");
        Installation wieder(programm);
        EXPECT_EQ(wieder.installierteVersion, f.version);
        // While the files came, the cover told how much had arrived.
        EXPECT_TRUE(fenster->DeckelPan()->text().contains(QStringLiteral(" B von ")))
            << fenster->DeckelPan()->text().toStdString();
    }
}

} // namespace

namespace {

TEST_F(PwiTest, AbgewuergtBeiJedemSchritt) {
    // The installer killed at each of its steps in turn; the next start puts
    // the folder right: wholly old or wholly new, nothing left behind.
    int alt = 0, neu = 0;
    int n = 1;
    for (;; ++n) {
        SCOPED_TRACE(n);
        ASSERT_LT(n, 60);
        Neu(1);
        ASSERT_TRUE(AusfuehrbarMachen(programm.filePath(QStringLiteral("Pinwick3"))));
        server->Ablegen(QStringLiteral("updlist.txt"), "readme.txt\r\nneu.txt\r\nPinwick3.dld\r\n");
        server->Ablegen(QStringLiteral("readme.txt"), "neuer text");
        server->Ablegen(QStringLiteral("neu.txt"), "ganz neu");
        server->Ablegen(QStringLiteral("Pinwick3.dld"), QByteArray(300000, 't'));
        test::ReleaseSignieren(*server);
        const auto bild = [this] {
            QMap<QString, QByteArray> b = DateiAbbild(programm.path());
            b.remove(QStringLiteral("updlist.txt"));
            return b;
        };
        const QMap<QString, QByteArray> vorher = bild();
        QMap<QString, QByteArray> nachher = vorher;
        // The floor comes with the new files, never without them.
        nachher[QStringLiteral("updstand.txt")] = "302\r\n";
        nachher[QStringLiteral("readme.txt")] = "neuer text";
        nachher[QStringLiteral("neu.txt")] = "ganz neu";
        nachher[QStringLiteral("Pinwick3")] = QByteArray(300000, 't');

        QProcess pwi;
        pwi.start(QStringLiteral(PWI_ABBRUCH),
                  {programm.path(), inst->downloadBasis, QString::number(server->Port()),
                   inst->server.konto, inst->server.passwort, inst->server.basis,
                   QString::fromUtf8(inst->schluessel), QString::number(n)});
        ASSERT_TRUE(pwi.waitForFinished(30000));
        const bool durch = pwi.exitStatus() == QProcess::NormalExit && pwi.exitCode() == 0;
        if (!durch) {
            ASSERT_EQ(pwi.exitStatus(), QProcess::CrashExit)
                << pwi.readAllStandardError().toStdString();
        }

        UpdateNachholen(programm);

        const QMap<QString, QByteArray> jetzt = bild();
        EXPECT_TRUE(jetzt == vorher || jetzt == nachher) << QStringList(jetzt.keys()).join(u' ').toStdString();
        alt += jetzt == vorher;
        neu += jetzt == nachher;
        if (jetzt == nachher) {
            EXPECT_TRUE(QFile::permissions(programm.filePath(QStringLiteral("Pinwick3")))
                            .testFlag(QFileDevice::ExeOwner));
        }
        EXPECT_FALSE(programm.exists(QLatin1String(UpdateJournal::Datei)));
        EXPECT_TRUE(QDir(inst->downloadBasis)
                        .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        if (durch) {
            EXPECT_EQ(jetzt, nachher);
            break;
        }
    }
    // Killed before the first rename and after it: both outcomes were seen.
    EXPECT_GT(alt, 3);
    EXPECT_GT(neu, 3);
}

} // namespace

namespace {

TEST_F(PwiTest, LangsamVerweigertOderUnerreichbar) {
    // Whatever stops the update, the panel's last line says what it was, and
    // the program folder is as before.
    struct Fall {
        const char* was;
        std::function<void()> vorher;
        const char* grund;
    };
    const Fall faelle[] = {
        {"a refused password", [this] { inst->server.passwort = QStringLiteral("falsch"); },
         "Login denied"},
        {"nothing listens", [this] { inst->server.port = test::FreierPort(); },
         "Couldn't connect"},
        // A byte about every second: the stall limit never strikes, the
        // low-speed limit does.
        {"a trickling server",
         [this] {
             server->Drosseln(true);
             inst->zeiten.stillstandMs = 10000;
             inst->zeiten.langsamSek = 2;
         },
         "less than 1024 bytes a second for 2 s"},
        {"the whole update takes too long",
         [this] {
             server->Drosseln(true);
             inst->zeiten.stillstandMs = 10000;
             inst->zeiten.langsamBytes = 0;
             inst->gesamtzeitMs = 1500;
         },
         "the update took longer than allowed"},
        // A large file comes at full speed, then the server trickles: the
        // size it sent (or announced) buys the rest no more time.
        {"a large file, then a trickling server",
         [this] {
             server->Ablegen(QStringLiteral("readme.txt"), QByteArray(4 << 20, 't'));
             test::ReleaseSignieren(*server);
             inst->schritt = [](const char* schritt) {
                 if (QByteArray(schritt) == "geladen")
                     server->Drosseln(true);
             };
             inst->zeiten.stillstandMs = 10000;
             inst->zeiten.langsamBytes = 0;
             inst->gesamtzeitMs = 3000;
         },
         "the update took longer than allowed"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        Neu(1);
        server->Ablegen(QStringLiteral("updlist.txt"), "readme.txt\r\nPinwick3.dld\r\n");
        server->Ablegen(QStringLiteral("readme.txt"), "neuer text");
        server->Ablegen(QStringLiteral("Pinwick3.dld"), "neuer ticker");
        test::ReleaseSignieren(*server);
        f.vorher();
        const QMap<QString, QByteArray> vorher = DateiAbbild(wurzel->path());
        const QMap<QString, int> rechteVorher = Rechte(wurzel->path());
        QElapsedTimer dauer;
        dauer.start();

        Klicken(fenster->StartBef());
        server->Drosseln(false);

        ASSERT_EQ(fenster->Stand(), pwi::InstallerFenster::Zustand::Fehler);
        EXPECT_LT(dauer.elapsed(), 9000);
        const QStringList zeilen = fenster->FehlerPan()->text().split(u'\n');
        EXPECT_TRUE(zeilen.last().contains(QString::fromUtf8(f.grund)))
            << fenster->FehlerPan()->text().toStdString();
        QMap<QString, QByteArray> nachher = DateiAbbild(wurzel->path());
        nachher.remove(QStringLiteral("programm/updlist.txt"));
        EXPECT_EQ(nachher, vorher);
        QMap<QString, int> rechteNachher = Rechte(wurzel->path());
        rechteNachher.remove(QStringLiteral("programm/updlist.txt"));
        EXPECT_EQ(rechteNachher, rechteVorher);
    }
}

TEST_F(PwiTest, VollePlatteAendertNichts) {
    // The program folder, or the temporary folder, on a small file system of
    // its own (a mount namespace of the test's, so no rights are needed):
    // the new ticker does not fit, the reason names the full disk, and the
    // program folder is as it was.
    QProcess probe;
    probe.start(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("true")});
    if (!probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit ||
        probe.exitCode() != 0)
        GTEST_SKIP() << "no user and mount namespaces here";

    // Mounts the small file system, lays the program folder into it when
    // asked, runs the installer, and copies the folder back out.
    const QString skript = QString::fromLatin1(R"sh(groesse=$1; voll=$2; innen=$3; vorlage=$4; aus=$5
shift 5
mount -t tmpfs -o size="$groesse" tmpfs "$voll" || exit 90
mkdir "$voll/programm" "$voll/download" || exit 90
if [ "$innen" = programm ]; then cp -a "$vorlage/." "$voll/programm/" || exit 90; fi
"$@"
rc=$?
if [ "$innen" = programm ]; then cp -a "$voll/programm/." "$aus/" || exit 90; fi
[ -z "$(ls -A "$voll/download")" ] || { echo "left in the download folder:" $(ls -A "$voll/download") >&2; exit 91; }
exit $rc
)sh");
    struct Fall {
        const char* innen;
        const char* grund;
    };
    const Fall faelle[] = {
        {"programm", "Pinwick3 cannot be written into the program folder: No space left on device"},
        {"download", "No space left on device"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.innen);
        Neu(1);
        ASSERT_TRUE(AusfuehrbarMachen(programm.filePath(QStringLiteral("Pinwick3"))));
        server->Ablegen(QStringLiteral("updlist.txt"), "readme.txt\r\nPinwick3.dld\r\n");
        server->Ablegen(QStringLiteral("readme.txt"), "neuer text");
        server->Ablegen(QStringLiteral("Pinwick3.dld"), QByteArray(400000, 't'));
        test::ReleaseSignieren(*server);
        const QDir w(wurzel->path());
        ASSERT_TRUE(w.mkdir(QStringLiteral("voll")));
        ASSERT_TRUE(w.mkdir(QStringLiteral("aus")));
        const bool innen = QLatin1String(f.innen) == QLatin1String("programm");
        const QString ordner =
            innen ? w.filePath(QStringLiteral("voll/programm")) : programm.path();
        const QString download =
            innen ? inst->downloadBasis : w.filePath(QStringLiteral("voll/download"));
        const QMap<QString, QByteArray> vorher = DateiAbbild(programm.path());
        const QMap<QString, int> rechteVorher = Rechte(programm.path());

        QProcess pwi;
        pwi.start(QStringLiteral("unshare"),
                  {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"), skript,
                   QStringLiteral("sh"), QStringLiteral("128k"), w.filePath(QStringLiteral("voll")),
                   QString::fromLatin1(f.innen), programm.path(),
                   w.filePath(QStringLiteral("aus")), QStringLiteral(PWI_ABBRUCH), ordner,
                   download, QString::number(server->Port()), inst->server.konto,
                   inst->server.passwort, inst->server.basis,
                   QString::fromUtf8(inst->schluessel), QStringLiteral("0")});
        ASSERT_TRUE(pwi.waitForFinished(30000));
        const QString fehler = QString::fromLocal8Bit(pwi.readAllStandardError());
        EXPECT_EQ(pwi.exitCode(), 1) << fehler.toStdString();
        EXPECT_TRUE(fehler.contains(QString::fromLatin1(f.grund))) << fehler.toStdString();

        const QString ergebnis = innen ? w.filePath(QStringLiteral("aus")) : programm.path();
        QMap<QString, QByteArray> nachher = DateiAbbild(ergebnis);
        nachher.remove(QStringLiteral("updlist.txt"));
        EXPECT_EQ(nachher, vorher);
        QMap<QString, int> rechteNachher = Rechte(ergebnis);
        rechteNachher.remove(QStringLiteral("updlist.txt"));
        EXPECT_EQ(rechteNachher, rechteVorher);
        EXPECT_TRUE(QDir(inst->downloadBasis)
                        .isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    }
}

} // namespace
