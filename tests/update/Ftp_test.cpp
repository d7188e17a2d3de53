// The FTP client against a real server on 127.0.0.1, a silent one and none.

#include "CurlBibliothek.h"
#include "Ftp.h"
#include "FtpTestServer.h"
#include "TestHilfe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

using namespace pinwick;
using pinwick::test::FtpTestServer;

namespace {

class FtpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = std::make_unique<FtpTestServer>(); }
    static void TearDownTestSuite() { server.reset(); }
    void SetUp() override {
        ASSERT_TRUE(server->Fehler().isEmpty()) << server->Fehler().toStdString();
        server->Leeren();
    }

    QString Lokal(const QString& name) const { return ordner.filePath(name); }
    static QByteArray Lesen(const QString& pfad) {
        QFile f(pfad);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Everything in the folder, hidden files too: a cut transfer must leave
    // no part behind.
    QStringList Inhalt() const {
        return QDir(ordner.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    static inline std::unique_ptr<FtpTestServer> server;
    QTemporaryDir ordner;
};

TEST_F(FtpTest, HolenGelingtOderHinterlaesstNichts) {
    const QByteArray gross(5000, 'x');
    struct Fall {
        const char* was;
        std::optional<QByteArray> aufServer; // nullopt: no such file there
        const char* passwort;                // nullptr: the right one
        int64_t hoechstens;
        bool gelingt;
    };
    const Fall faelle[] = {
        {"a small file", QByteArray("302\r\n"), nullptr, 4096, true},
        {"an empty file", QByteArray(), nullptr, 4096, true},
        {"a file at the limit", gross, nullptr, 5000, true},
        {"a file over the limit", gross, nullptr, 4999, false},
        {"a file missing on the server", std::nullopt, nullptr, 4096, false},
        {"a refused password", QByteArray("302\r\n"), "falsch", 4096, false},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        server->Leeren();
        if (f.aufServer)
            server->Ablegen(QStringLiteral("datei.txt"), *f.aufServer);
        FtpServer s = server->Server();
        if (f.passwort)
            s.passwort = QString::fromLatin1(f.passwort);
        QFile::remove(Lokal(QStringLiteral("datei.txt")));

        Ftp ftp(s, test::KurzeZeiten());
        const bool ok = ftp.Holen(QStringLiteral("pinwick/cgi-bin/datei.txt"), Lokal("datei.txt"),
                                  f.hoechstens);
        EXPECT_EQ(ok, f.gelingt) << ftp.Fehler().toStdString();
        if (f.gelingt) {
            EXPECT_TRUE(ftp.Fehler().isEmpty());
            EXPECT_EQ(Lesen(Lokal("datei.txt")), *f.aufServer);
            EXPECT_EQ(Inhalt(), QStringList{QStringLiteral("datei.txt")});
        } else {
            EXPECT_FALSE(ftp.Fehler().isEmpty());
            EXPECT_TRUE(Inhalt().isEmpty()) << Inhalt().join(u',').toStdString();
        }
    }
}

TEST_F(FtpTest, FehlgeschlagenLaesstAlteDateiStehen) {
    // A failed transfer does not touch a file of the same name.
    QFile alt(Lokal("datei.txt"));
    ASSERT_TRUE(alt.open(QIODevice::WriteOnly));
    alt.write("alt");
    alt.close();
    Ftp ftp(server->Server(), test::KurzeZeiten());
    EXPECT_FALSE(ftp.Holen(QStringLiteral("pinwick/cgi-bin/fehlt.txt"), Lokal("datei.txt"), 100));
    EXPECT_EQ(Lesen(Lokal("datei.txt")), QByteArray("alt"));
    EXPECT_EQ(Inhalt().size(), 1);
}

TEST_F(FtpTest, VerbindungBleibtBisClose) {
    server->Ablegen(QStringLiteral("a.txt"), "a");
    server->Ablegen(QStringLiteral("b.txt"), "b");
    const int vorher = server->Anmeldungen();
    Ftp ftp(server->Server(), test::KurzeZeiten());
    EXPECT_TRUE(ftp.Holen(QStringLiteral("pinwick/cgi-bin/a.txt"), Lokal("a.txt"), 10));
    EXPECT_TRUE(ftp.Holen(QStringLiteral("pinwick/cgi-bin/b.txt"), Lokal("b.txt"), 10));
    EXPECT_EQ(server->Anmeldungen() - vorher, 1);
    ftp.Schliessen();
    EXPECT_TRUE(ftp.Holen(QStringLiteral("pinwick/cgi-bin/a.txt"), Lokal("a2.txt"), 10));
    EXPECT_EQ(server->Anmeldungen() - vorher, 2);
}

TEST_F(FtpTest, CurlNurSolangeEineSitzungLebt) {
#ifndef PINWICK_CURL_NACHLADEN
    GTEST_SKIP() << "libcurl is linked on this platform";
#else
    // Loaded by the first session, shared by a second, gone with the last
    // one, loaded again for the next; an unconfigured server loads nothing.
    server->Ablegen(QStringLiteral("a.txt"), "a");
    const QString pfad = QStringLiteral("pinwick/cgi-bin/a.txt");
    EXPECT_FALSE(CurlGeladen());
    {
        FtpServer keiner;
        keiner.host = QStringLiteral("update.invalid");
        Ftp ftp(keiner, test::KurzeZeiten());
        EXPECT_FALSE(ftp.Holen(pfad, Lokal("x.txt"), 10));
        EXPECT_FALSE(CurlGeladen());
    }
    {
        auto eins = std::make_unique<Ftp>(server->Server(), test::KurzeZeiten());
        Ftp zwei(server->Server(), test::KurzeZeiten());
        EXPECT_TRUE(eins->Holen(pfad, Lokal("1.txt"), 10)) << eins->Fehler().toStdString();
        EXPECT_TRUE(zwei.Holen(pfad, Lokal("2.txt"), 10)) << zwei.Fehler().toStdString();
        eins.reset();
        EXPECT_TRUE(CurlGeladen());
        EXPECT_TRUE(zwei.Holen(pfad, Lokal("3.txt"), 10)) << zwei.Fehler().toStdString();
        zwei.Schliessen();
        EXPECT_FALSE(CurlGeladen());
        EXPECT_TRUE(zwei.Holen(pfad, Lokal("4.txt"), 10)) << zwei.Fehler().toStdString();
        EXPECT_TRUE(CurlGeladen());
    }
    EXPECT_FALSE(CurlGeladen());
    EXPECT_EQ(Lesen(Lokal("4.txt")), QByteArray("a"));
#endif
}

TEST_F(FtpTest, NiemandOderSchweigenderServerHaeltNichtAuf) {
    test::StummerServer stumm;
    ASSERT_GT(stumm.Port(), 0);
    struct Fall {
        const char* was;
        QString host;
        int port;
    };
    const Fall faelle[] = {
        {"nothing listens", QStringLiteral("127.0.0.1"), test::FreierPort()},
        {"a server that never greets", QStringLiteral("127.0.0.1"), stumm.Port()},
        {"an unconfigured build", QStringLiteral("updates.pinwick.invalid"), 21},
        {"a port out of range", QStringLiteral("127.0.0.1"), 70000},
    };
    const FtpZeiten zeiten = test::KurzeZeiten();
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        FtpServer s = server->Server();
        s.host = f.host;
        s.port = f.port;
        Ftp ftp(s, zeiten);
        int ereignisse = 0;
        ftp.ereignisse = [&] { ++ereignisse; };
        QElapsedTimer uhr;
        uhr.start();
        EXPECT_FALSE(ftp.Holen(QStringLiteral("pinwick/cgi-bin/x.txt"), Lokal("x.txt"), 100));
        // Bounded by the time-outs, whatever the server does (not a speed goal).
        EXPECT_LT(uhr.elapsed(), zeiten.verbindenMs + zeiten.stillstandMs + 2000);
        EXPECT_TRUE(Inhalt().isEmpty());
        ftp.Schliessen();
        if (QByteArray(f.was).startsWith("a server that")) {
            EXPECT_GT(ereignisse, 10) << "window events must run while the transfer waits";
        }
    }
}

TEST_F(FtpTest, AbbrechenUndVerschachteltesHolen) {
    test::StummerServer stumm;
    FtpServer s = server->Server();
    s.port = stumm.Port();
    FtpZeiten lang;
    lang.verbindenMs = 30000;
    lang.stillstandMs = 30000;

    // Given up from outside while it waits.
    {
        Ftp ftp(s, lang);
        int runden = 0;
        ftp.abbrechen = [&] { return ++runden > 5; };
        QElapsedTimer uhr;
        uhr.start();
        EXPECT_FALSE(ftp.Holen(QStringLiteral("x"), Lokal("x"), 10));
        EXPECT_LT(uhr.elapsed(), 5000);
    }
    // An event handler that asks the same client again while it waits is
    // refused, and the outer transfer is not disturbed.
    {
        server->Ablegen(QStringLiteral("v.txt"), "302");
        Ftp ftp(server->Server(), test::KurzeZeiten());
        bool innen = true;
        bool gefragt = false;
        ftp.ereignisse = [&] {
            if (gefragt)
                return;
            gefragt = true;
            innen = ftp.Holen(QStringLiteral("pinwick/cgi-bin/v.txt"), Lokal("innen.txt"), 10);
        };
        EXPECT_TRUE(ftp.Holen(QStringLiteral("pinwick/cgi-bin/v.txt"), Lokal("aussen.txt"), 10));
        EXPECT_TRUE(gefragt);
        EXPECT_FALSE(innen);
        EXPECT_EQ(Lesen(Lokal("aussen.txt")), QByteArray("302"));
    }
}

TEST_F(FtpTest, CloseWartetNichtAufEinenVerstummtenServer) {
    // The answer to QUIT is awaited without events running; a server that
    // falls silent after the transfer must not hold the bar for the long
    // stall time-out.
    server->Ablegen(QStringLiteral("a.txt"), "a");
    FtpZeiten zeiten;
    zeiten.stillstandMs = 20000;
    Ftp ftp(server->Server(), zeiten);
    ASSERT_TRUE(ftp.Holen(QStringLiteral("pinwick/cgi-bin/a.txt"), Lokal("a.txt"), 10));
    server->Einfrieren(true);
    QElapsedTimer uhr;
    uhr.start();
    ftp.Schliessen();
    const qint64 dauer = uhr.elapsed();
    server->Einfrieren(false);
    EXPECT_LT(dauer, 3000);
}

TEST(FtpAdresse, SegmenteUndBasis) {
    struct Fall {
        const char* host;
        const char* basis;
        const char* pfad;
        const char* adresse;
    };
    const Fall faelle[] = {
        {"ftp.example", "/pinwick3", "pinwick/cgi-bin/serverversion.txt",
         "ftp://ftp.example:21/%2Fpinwick3/pinwick/cgi-bin/serverversion.txt"},
        {"ftp.example", "pinwick3", "pinwick/cgi-bin/a.txt",
         "ftp://ftp.example:21/pinwick3/pinwick/cgi-bin/a.txt"},
        {"ftp.example", "", "pinwick/cgi-bin/a b#.txt",
         "ftp://ftp.example:21/pinwick/cgi-bin/a%20b%23.txt"},
        {"ftp.example", "/a//b/", "x", "ftp://ftp.example:21/%2Fa/b/x"},
        {"::1", "", "x", "ftp://[::1]:21/x"},
    };
    for (const Fall& f : faelle) {
        FtpServer s;
        s.host = QString::fromLatin1(f.host);
        s.basis = QString::fromLatin1(f.basis);
        EXPECT_EQ(Ftp(s).Adresse(QString::fromLatin1(f.pfad)), QString::fromLatin1(f.adresse));
    }
}

} // namespace

namespace {

TEST_F(FtpTest, ZuLangsamOderZuLang) {
    // A server that stops after the first bytes: the low-speed limit strikes
    // long before the stall limit; a server that never answers: the overall
    // deadline strikes long before the connection time-out.
    server->Ablegen(QStringLiteral("gross.bin"), QByteArray(48 << 20, 'g'));
    {
        FtpZeiten z;
        z.verbindenMs = 5000;
        z.stillstandMs = 60000;
        z.langsamBytes = 1 << 30;
        z.langsamSek = 1;
        Ftp ftp(server->Server(), z);
        bool eingefroren = false;
        ftp.fortschritt = [&](int64_t empfangen, int64_t) {
            if (empfangen > 0 && !eingefroren) {
                eingefroren = true;
                server->Einfrieren(true);
            }
        };
        QElapsedTimer dauer;
        dauer.start();
        EXPECT_FALSE(ftp.Holen(QStringLiteral("pinwick/cgi-bin/gross.bin"), Lokal("g"), 64 << 20));
        server->Einfrieren(false);
        EXPECT_TRUE(eingefroren);
        EXPECT_LT(dauer.elapsed(), 30000);
        EXPECT_TRUE(ftp.Fehler().contains(QStringLiteral("bytes a second")))
            << ftp.Fehler().toStdString();
        EXPECT_TRUE(Inhalt().isEmpty());
    }
    {
        test::StummerServer stumm;
        FtpServer s = server->Server();
        s.port = stumm.Port();
        FtpZeiten z;
        z.verbindenMs = 60000;
        z.stillstandMs = 60000;
        Ftp ftp(s, z);
        ftp.frist = QDeadlineTimer(700);
        QElapsedTimer dauer;
        dauer.start();
        EXPECT_FALSE(ftp.Holen(QStringLiteral("pinwick/cgi-bin/gross.bin"), Lokal("g"), 10));
        EXPECT_LT(dauer.elapsed(), 20000);
        EXPECT_TRUE(ftp.Fehler().contains(QStringLiteral("longer than allowed")))
            << ftp.Fehler().toStdString();
    }
}

TEST(FtpsTest, NurMitTlsUndGeprueftemZertifikat) {
    FtpTestServer tls(true);
    ASSERT_TRUE(tls.Fehler().isEmpty()) << tls.Fehler().toStdString();
    FtpTestServer klar;
    ASSERT_TRUE(klar.Fehler().isEmpty()) << klar.Fehler().toStdString();
    tls.Ablegen(QStringLiteral("v.txt"), "302\r\n");
    klar.Ablegen(QStringLiteral("v.txt"), "302\r\n");
    QTemporaryDir ordner;

    struct Fall {
        const char* was;
        FtpServer server;
        const char* fehler; // nullptr: it works
    };
    FtpServer mitCa = tls.Server();
    FtpServer ohneCa = tls.Server();
    ohneCa.caDatei.clear(); // the system's store does not know the test's certificate
    FtpServer ohneTls = tls.Server();
    ohneTls.tls = false;
    ohneTls.caDatei.clear();
    FtpServer klarerServer = klar.Server();
    klarerServer.tls = true;
    klarerServer.caDatei = mitCa.caDatei;
    // A caller that says nothing about TLS gets it.
    FtpServer ohneAngabe;
    ohneAngabe.host = klar.Server().host;
    ohneAngabe.port = klar.Port();
    ohneAngabe.konto = klar.Server().konto;
    ohneAngabe.passwort = klar.Server().passwort;
    ohneAngabe.basis = klar.Server().basis;
    // A certificate file libcurl will not take (longer than any string it
    // accepts): going on without it would trust the system's whole store
    // instead of the one authority the build names.
    FtpServer caAbgelehnt = tls.Server();
    caAbgelehnt.caDatei = QStringLiteral("/") + QString(9'000'000, u'c');
    const Fall faelle[] = {
        {"TLS with the server's certificate", mitCa, nullptr},
        {"a certificate nobody vouches for", ohneCa, ""},
        {"a client without TLS at a server that requires it", ohneTls, ""},
        {"a server without TLS", klarerServer, "the server offers no TLS"},
        {"a server without TLS, TLS not asked for", ohneAngabe, "the server offers no TLS"},
        {"a CA file libcurl refuses", caAbgelehnt,
         "libcurl refused the option CURLOPT_CAINFO"},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        const QString lokal = ordner.filePath(QStringLiteral("v.txt"));
        QFile::remove(lokal);
        const int klarVorher = klar.Anmeldungen();
        Ftp ftp(f.server, test::KurzeZeiten());
        const bool ok = ftp.Holen(QStringLiteral("pinwick/cgi-bin/v.txt"), lokal, 100);
        EXPECT_EQ(ok, f.fehler == nullptr) << ftp.Fehler().toStdString();
        if (ok) {
            QFile datei(lokal);
            ASSERT_TRUE(datei.open(QIODevice::ReadOnly));
            EXPECT_EQ(datei.readAll(), QByteArray("302\r\n"));
        } else {
            EXPECT_FALSE(QFile::exists(lokal));
            EXPECT_TRUE(ftp.Fehler().contains(QString::fromLatin1(f.fehler)))
                << ftp.Fehler().toStdString();
        }
        // The password never went to the server without TLS.
        EXPECT_EQ(klar.Anmeldungen(), klarVorher);
    }
}

} // namespace
