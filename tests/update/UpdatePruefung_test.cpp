// The daily update check against a real FTP server on 127.0.0.1, the notice
// beside the bar, and the hand-over to the installer.

#include "About.h"
#include "Animation.h"
#include "FtpTestServer.h"
#include "MBox.h"
#include "Panel3D.h"
#include "Terminal.h"
#include "TestHilfe.h"
#include "TestLeiste.h"
#include "UpdatePruefung.h"
#include "UpdateSignal.h"

#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace pinwick;
using pinwick::test::DateiLesen;
using pinwick::test::DateiSchreiben;
using pinwick::test::FtpTestServer;
using pinwick::test::TestUmgebung;

namespace {

TEST(ServerVersion, ErsteZeileUndFuehrendeZahl) {
    const std::pair<const char*, int16_t> faelle[] = {
        {"302\r\n", 302},
        {"302", 302},
        {"301\r\n303\r\n", 301},
        {"302\n", 302},
        {" 302 \r\n", 302},
        {"302abc", 302},
        {"abc302", 0},
        {"", 0},
        {"\r\n302\r\n", 0},
        {"\n302", 0},
        {"-5", -5},
        {"3.02", 3},
        {"32767", 32767},
        {"32768", 0},
        {"99999999999999999999", 0},
        {"1e400", 0},
        {"Version 302", 0},
    };
    for (const auto& [text, version] : faelle)
        EXPECT_EQ(ServerVersionLesen(QByteArray(text)), version) << '"' << text << '"';
}

// A Programm in a temporary working folder and a check pointed at the test
// server; questions are answered from a list, programs are only recorded.
class PruefungTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = std::make_unique<FtpTestServer>(); }
    static void TearDownTestSuite() { server.reset(); }

    void SetUp() override {
        ASSERT_TRUE(server->Fehler().isEmpty()) << server->Fehler().toStdString();
        server->Leeren();
        gestartet.clear();
        fragen.clear();
        antworten.clear();
        beendet = 0;
        startGelingt = true;
        Animation::schrittMs = 0;
        u = std::make_unique<TestUmgebung>();
        u->p.Sprache = 1;
        u->p.uhr.Stellen(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        pruefung = neuePruefung();
    }

    std::unique_ptr<UpdatePruefung> neuePruefung() {
        auto up = std::make_unique<UpdatePruefung>(u->p);
        up->server = server->Server();
        up->schluessel = "ein Schluessel";
        up->zeiten = test::KurzeZeiten();
        up->programmStarten = [this](const QString& programm) {
            gestartet.push_back(programm);
            return startGelingt;
        };
        up->programmBeenden = [this] { ++beendet; };
        up->mBox = [this](int16_t art, const QString& text) {
            fragen.push_back({art, text});
            if (!antworten.empty()) {
                u->p.mBoxAntwort = antworten.front();
                antworten.erase(antworten.begin());
            }
        };
        return up;
    }

    QString Datei(const char* name) const { return u->p.ArbeitsDatei(QString::fromLatin1(name)); }
    bool Da(const char* name) const { return QFile::exists(Datei(name)); }

    static inline std::unique_ptr<FtpTestServer> server;
    std::unique_ptr<TestUmgebung> u;
    std::unique_ptr<UpdatePruefung> pruefung;
    std::vector<QString> gestartet;
    bool startGelingt = true;
    int beendet = 0;
    std::vector<std::pair<int16_t, QString>> fragen;
    std::vector<int16_t> antworten;
};

TEST_F(PruefungTest, OhneSchluesselKeinAngebot) {
    // A build without a key could install nothing: it never asks the server,
    // never shows the notice, and says why once, not every day.
    server->Ablegen(QStringLiteral("serverversion.txt"), "302\r\n");
    const int anmeldungen = server->Anmeldungen();
    testing::internal::CaptureStderr();
    for (int tag = 9; tag <= 11; ++tag) {
        auto ohne = neuePruefung();
        ohne->schluessel.clear();
        u->p.uhr.Stellen(QDateTime(QDate(2026, 12, tag), QTime(10, 0)));
        ohne->Pruefen();
        EXPECT_EQ(ohne->VerfuegbareVersion(), 0);
        EXPECT_EQ(ohne->Signal(), nullptr);
    }
    const std::string fehler = testing::internal::GetCapturedStderr();
    EXPECT_EQ(server->Anmeldungen(), anmeldungen);
    EXPECT_FALSE(Da("updtag.txt"));
    size_t mal = 0;
    for (size_t i = fehler.find("PINWICK_UPDATE_KEY"); i != std::string::npos;
         i = fehler.find("PINWICK_UPDATE_KEY", i + 1))
        ++mal;
    EXPECT_EQ(mal, 1u) << fehler;
}

TEST_F(PruefungTest, VersionAufDemServerEntscheidetUeberDenHinweis) {
    struct Fall {
        const char* was;
        const char* versionsDatei; // nullptr: none on the server
        int16_t verfuegbar;
    };
    const Fall faelle[] = {
        {"a higher version with its line break", "302\r\n", 302},
        {"the own version", "301\r\n", 0},
        {"a lower version", "205", 0},
        {"a text without a number", "neu\r\n", 0},
        {"an empty file", "", 0},
        {"no version file", nullptr, 0},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        SetUp(); // a fresh working folder: no marker of an earlier check
        if (f.versionsDatei)
            server->Ablegen(QStringLiteral("serverversion.txt"), f.versionsDatei);
        const int anmeldungen = server->Anmeldungen();

        pruefung->Pruefen();

        EXPECT_EQ(server->Anmeldungen() - anmeldungen, 1);
        EXPECT_EQ(pruefung->VerfuegbareVersion(), f.verfuegbar);
        UpdateSignal* signal = pruefung->Signal();
        if (f.verfuegbar) {
            ASSERT_NE(signal, nullptr);
            EXPECT_TRUE(signal->isVisible());
            EXPECT_EQ(signal->LegendePan()->text(), QStringLiteral("Update available"));
        } else {
            EXPECT_TRUE(signal == nullptr || !signal->isVisible());
        }
        EXPECT_FALSE(Da("serverversion.txt"));
        EXPECT_EQ(DateiLesen(Datei(UpdatePruefung::MarkerDatei)), QByteArray("2026-12-09\r\n"));
        EXPECT_TRUE(fragen.empty()) << "the check itself never asks or tells";
    }
}

TEST_F(PruefungTest, EinmalAmTag) {
    server->Ablegen(QStringLiteral("serverversion.txt"), "301\r\n");
    const int vorher = server->Anmeldungen();

    pruefung->Pruefen();
    pruefung->Pruefen();
    EXPECT_EQ(server->Anmeldungen() - vorher, 1);

    // A second start on the same day finds the marker of the first.
    auto zweiter = neuePruefung();
    zweiter->Pruefen();
    EXPECT_EQ(server->Anmeldungen() - vorher, 1);

    // A failed check counts as well: the day is noted before the server is asked.
    u->p.uhr.Stellen(QDateTime(QDate(2026, 12, 10), QTime(0, 0, 5)));
    server->Entfernen(QStringLiteral("serverversion.txt"));
    zweiter->Pruefen();
    EXPECT_EQ(server->Anmeldungen() - vorher, 2);
    pruefung->Pruefen();
    EXPECT_EQ(server->Anmeldungen() - vorher, 2);

    // The next day asks again.
    u->p.uhr.Stellen(QDateTime(QDate(2026, 12, 11), QTime(8, 0)));
    pruefung->Pruefen();
    EXPECT_EQ(server->Anmeldungen() - vorher, 3);
}

TEST_F(PruefungTest, MarkerNichtSchreibbarTrotzdemEinmal) {
    // A folder named like the marker: the file cannot be written, the
    // check still runs only once in this process.
    ASSERT_TRUE(QDir(u->ordner.path()).mkdir(QString::fromLatin1(UpdatePruefung::MarkerDatei)));
    const int vorher = server->Anmeldungen();
    pruefung->Pruefen();
    pruefung->Pruefen();
    EXPECT_EQ(server->Anmeldungen() - vorher, 1);
}

TEST_F(PruefungTest, OhneServerStillUndBegrenzt) {
    test::StummerServer stumm;
    struct Fall {
        const char* was;
        QString host;
        int port;
    };
    const Fall faelle[] = {
        {"nothing listens", QStringLiteral("127.0.0.1"), test::FreierPort()},
        {"a server that never answers", QStringLiteral("127.0.0.1"), stumm.Port()},
        {"the unconfigured build", QStringLiteral("updates.pinwick.invalid"), 21},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        SetUp();
        pruefung->server.host = f.host;
        pruefung->server.port = f.port;
        DateiSchreiben(Datei("serverversion.txt"), "999\r\n"); // left over: must not count
        QElapsedTimer uhr;
        uhr.start();
        pruefung->Pruefen();
        EXPECT_LT(uhr.elapsed(), pruefung->zeiten.verbindenMs + 2000);
        EXPECT_EQ(pruefung->VerfuegbareVersion(), 0);
        EXPECT_EQ(pruefung->Signal(), nullptr);
        EXPECT_TRUE(fragen.empty());
        EXPECT_FALSE(Da("serverversion.txt"));
        EXPECT_TRUE(Da(UpdatePruefung::MarkerDatei));
    }
}

// The working folder before the hand-over: the shipped installer and
// perhaps something in the way.
struct Uebergabe {
    const char* was;
    bool kav;   // "pwi.kav" is there
    bool pwi;   // a "pwi" is already there
    bool start; // the installer starts
    bool gelingt;
    const char* meldung; // part of the message when it fails
};

TEST_F(PruefungTest, UebergabeAnDenInstaller) {
    const Uebergabe faelle[] = {
        {"everything in place", true, false, true, true, ""},
        {"the installer is missing", false, false, true, false, "\"pwi.kav\" is missing"},
        {"a file of the runnable name is in the way", true, true, true, false, "in the way"},
        {"the installer does not start", true, false, false, false, "cannot be started"},
    };
    for (const Uebergabe& f : faelle) {
        SCOPED_TRACE(f.was);
        SetUp();
        u->p.Sprache = 1; // messages in English for the comparison below
        if (f.kav)
            DateiSchreiben(Datei("pwi.kav"), "installer");
        if (f.pwi)
            DateiSchreiben(Datei("pwi"), "anderes");
        startGelingt = f.start;
        server->Ablegen(QStringLiteral("serverversion.txt"), "302\r\n");
        pruefung->Pruefen();
        ASSERT_EQ(pruefung->VerfuegbareVersion(), 302);

        const QString meldung = pruefung->InstallerStarten();
        EXPECT_EQ(meldung.isEmpty(), f.gelingt) << meldung.toStdString();
        if (f.gelingt) {
            EXPECT_EQ(DateiLesen(Datei("updver.txt")), QByteArray("302\r\n"));
            EXPECT_EQ(DateiLesen(Datei("updinfo.txt")), QByteArray("1\r\n"));
            EXPECT_FALSE(Da("pwi.kav"));
            EXPECT_EQ(DateiLesen(Datei("pwi")), QByteArray("installer"));
            EXPECT_TRUE(QFile::permissions(Datei("pwi")).testFlag(QFileDevice::ExeOwner));
            ASSERT_EQ(gestartet.size(), 1u);
            EXPECT_EQ(gestartet[0], Datei("pwi"));
        } else {
            EXPECT_TRUE(meldung.contains(QString::fromLatin1(f.meldung))) << meldung.toStdString();
            // The working folder is as it was.
            EXPECT_FALSE(Da("updver.txt"));
            EXPECT_FALSE(Da("updinfo.txt"));
            EXPECT_EQ(Da("pwi.kav"), f.kav);
            EXPECT_EQ(Da("pwi"), f.pwi);
            if (f.pwi) {
                EXPECT_EQ(DateiLesen(Datei("pwi")), QByteArray("anderes"));
            }
        }
    }
}

TEST_F(PruefungTest, FrageUndAntwort) {
    struct Fall {
        const char* was;
        int16_t sprache;
        std::vector<int16_t> antworten; // empty: the box went without an answer
        bool kav;
        bool endet;
        int fragenGesamt; // the question, and a message when the hand-over fails
    };
    const Fall faelle[] = {
        {"No keeps the ticker and the notice", 1, {2}, true, false, 1},
        {"a box taken away is no Yes", 1, {}, true, false, 1},
        {"Yes hands over and ends", 2, {1}, true, true, 1},
        {"Yes without installer tells why and goes on", 1, {1, 0}, false, false, 2},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        SetUp();
        u->p.Sprache = f.sprache;
        u->p.mBoxAntwort = 1; // the answer of some earlier question
        if (f.kav)
            DateiSchreiben(Datei("pwi.kav"), "installer");
        server->Ablegen(QStringLiteral("serverversion.txt"), "305");
        pruefung->Pruefen();
        antworten = f.antworten;

        pruefung->Annehmen();

        ASSERT_EQ(static_cast<int>(fragen.size()), f.fragenGesamt);
        EXPECT_EQ(fragen[0].first, 2);
        EXPECT_EQ(fragen[0].second, f.sprache == 1 ? QStringLiteral("Install update now?")
                                                   : QStringLiteral("Jetzt Update installieren?"));
        if (f.fragenGesamt > 1) {
            EXPECT_EQ(fragen[1].first, 4);
        }
        EXPECT_EQ(beendet, f.endet ? 1 : 0);
        EXPECT_EQ(Da("updver.txt"), f.endet);
        if (f.endet) {
            EXPECT_EQ(DateiLesen(Datei("updver.txt")), QByteArray("305\r\n"));
            EXPECT_EQ(DateiLesen(Datei("updinfo.txt")), QByteArray("2\r\n"));
        } else {
            ASSERT_NE(pruefung->Signal(), nullptr);
            EXPECT_TRUE(pruefung->Signal()->isVisible()) << "the notice stays";
        }
    }
}

// The whole road through the real windows: the notice is clicked, the
// program's own message box asks, Yes is pressed.
TEST_F(PruefungTest, KlickAufDenHinweisMitEchterFrage) {
    DateiSchreiben(Datei("pwi.kav"), "installer");
    server->Ablegen(QStringLiteral("serverversion.txt"), "302\r\n");
    pruefung->mBox = [this](int16_t art, const QString& text) { mBoxZeigen(u->p, art, text); };
    pruefung->Pruefen();
    ASSERT_NE(pruefung->Signal(), nullptr);

    // Polls for the box instead of waiting for it: the box's own modal loop
    // runs inside the click's handling.
    QObject waechter;
    bool gefragt = false;
    QTimer suche;
    suche.setInterval(20);
    QObject::connect(&suche, &QTimer::timeout, &waechter, [&] {
        MBox* box = OffeneMBox();
        if (!box || gefragt)
            return;
        gefragt = true;
        suche.stop();
        EXPECT_EQ(box->textPanel()->text(), QStringLiteral("Install update now?"));
        QTest::mouseClick(box->knopf(1), Qt::LeftButton);
    });
    suche.start();
    QTimer::singleShot(10000, &waechter, [] {
        if (MBox* box = OffeneMBox())
            box->Verwerfen();
    });
    QTest::mouseClick(pruefung->Signal()->LegendePan(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return beendet > 0; }, 8000));
    EXPECT_TRUE(gefragt);
    EXPECT_EQ(DateiLesen(Datei("updver.txt")), QByteArray("302\r\n"));
    ASSERT_EQ(gestartet.size(), 1u);
}

// The bar starts the check through UpdateTim and its rebuilds, and its
// layout keeps the notice against it.
using Leiste = test::TestLeiste;

TEST_F(PruefungTest, LeisteStartetPruefungUndFuehrtHinweis) {
    Programm& p = u->p;
    p.SchriftName = QStringLiteral("DejaVu Sans");
    p.SchriftGroesse = 10;
    p.zeigDatum = true;
    p.eigeneErlauben = true;
    p.Speed = 30;
    p.ersterAufbau = true;
    Leiste leiste(p);
    leiste.Timer1Aktiv(false);
    leiste.Update().server = server->Server();
    leiste.Update().schluessel = "ein Schluessel";
    leiste.Update().zeiten = test::KurzeZeiten();
    leiste.show();

    EXPECT_TRUE(leiste.UpdateTim().isActive());
    EXPECT_TRUE(leiste.UpdateTim().isSingleShot());
    EXPECT_EQ(leiste.UpdateTim().interval(), 3000);

    server->Ablegen(QStringLiteral("serverversion.txt"), "302\r\n");
    const int vorher = server->Anmeldungen();
    // The first rebuild leaves the check to the timer; the next one checks.
    leiste.Tick();
    EXPECT_EQ(server->Anmeldungen() - vorher, 0);
    p.aufbauZaehler = 100;
    leiste.Tick();
    EXPECT_EQ(server->Anmeldungen() - vorher, 1);
    // The timer's own run finds the day done.
    leiste.UpdateTim().setInterval(0);
    leiste.UpdateTim().start();
    QTest::qWait(50);
    EXPECT_EQ(server->Anmeldungen() - vorher, 1);

    UpdateSignal* signal = leiste.Update().Signal();
    ASSERT_NE(signal, nullptr);
    const QRect schirm = signal->screen()->geometry();
    EXPECT_EQ(signal->geometry().right(), schirm.right());
    EXPECT_EQ(signal->y(), leiste.geometry().bottom() + 1);

    // Docked at the bottom, the notice sits on the bar.
    p.dockPos = 1;
    leiste.MachLayout();
    EXPECT_EQ(signal->geometry().bottom() + 1, leiste.y());
    EXPECT_EQ(signal->geometry().right(), schirm.right());

    // A hidden notice goes with the next layout.
    signal->hide();
    leiste.MachLayout();
    QTest::qWait(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(leiste.Update().Signal(), nullptr);
}

// Updates travel over FTPS unless the build asks for plain FTP; such a
// build says so in its about box, in either language, and only such a build.
TEST(UpdateWeg, NurEinBauOhneTlsNenntKlartextImAbout) {
    TestUmgebung u;
    const bool klartext = !FtpServer::Eingebaut().tls;
    for (int16_t sprache : {1, 2}) {
        u.p.Sprache = sprache;
        About box(u.p);
        const auto* hinweis = box.findChild<Panel3D*>(QStringLiteral("klartextFtp"));
        EXPECT_EQ(hinweis != nullptr, klartext) << sprache;
        if (hinweis) {
            EXPECT_TRUE(hinweis->text().contains(QStringLiteral("FTP"))) << sprache;
        }
    }
}

} // namespace
