// The HTTP client against a real web server on 127.0.0.1: what it fetches,
// what it refuses, and that it never holds the event loop.

#include "HttpAbruf.h"
#include "HttpTestServer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <arpa/inet.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

using namespace pinwick;
using pinwick::test::HttpTestServer;
using F = HttpAntwort::Fehler;

namespace {

constexpr int64_t MB = 1024 * 1024;

HttpAntwort Holen(HttpAbruf& abruf, const HttpAnfrage& anfrage) {
    return pinwick::test::HttpHolen(abruf, anfrage);
}

// A port on 127.0.0.1 that is taken but does not listen: connections are
// refused.
class BelegterPort {
public:
    BelegterPort() {
        socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(socket_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t l = sizeof a;
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&a), &l);
        port_ = ntohs(a.sin_port);
    }
    ~BelegterPort() { ::close(socket_); }
    int Port() const { return port_; }

private:
    int socket_ = -1;
    int port_ = 0;
};

class HttpAbrufTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Whatever proxy this machine is set up with stays out of the way of
        // the local server.
        for (const char* n : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(n);
        qputenv("no_proxy", "127.0.0.1,localhost");
        qputenv("NO_PROXY", "127.0.0.1,localhost");
        server_ = new HttpTestServer;
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(server_->Fehler().isEmpty()) << server_->Fehler().toStdString(); }

    static HttpAnfrage Anfrage(const QString& pfad) {
        HttpAnfrage a;
        a.adresse = server_->Adresse(pfad);
        a.gesamtMs = 30000;
        return a;
    }

    static HttpTestServer* server_;
};
HttpTestServer* HttpAbrufTest::server_ = nullptr;

struct Fall {
    const char* name;
    const char* pfad;
    std::function<void(HttpAnfrage&)> anpassen;
    F fehler;
    int status;
    const char* inhalt; // nullptr: not checked
    std::function<void(const HttpAntwort&)> pruefen;
};
void PrintTo(const Fall& f, std::ostream* os) {
    *os << f.name;
}

const Fall Faelle[] = {
    {"gewoehnlich", "/ok", {}, F::Keiner, 200, "hallo",
     [](const HttpAntwort& a) {
         EXPECT_EQ(a.etag, "\"v1\"");
         EXPECT_EQ(a.zuletztGeaendert, "Wed, 09 Dec 2026 10:00:00 GMT");
         EXPECT_EQ(a.maxAlter, 45);
         EXPECT_FALSE(a.spaeterSekunden);
         EXPECT_TRUE(a.Erfolg());
     }},
    {"unveraendert_etag", "/bedingt", [](HttpAnfrage& a) { a.etag = "\"v1\""; }, F::Keiner, 304, "",
     [](const HttpAntwort& a) {
         EXPECT_TRUE(a.Unveraendert());
         EXPECT_EQ(a.etag, "\"v1\"");
     }},
    {"unveraendert_datum", "/bedingt",
     [](HttpAnfrage& a) { a.zuletztGeaendert = "Wed, 09 Dec 2026 10:00:00 GMT"; }, F::Keiner, 304,
     "", {}},
    {"veraendert_etag", "/bedingt", [](HttpAnfrage& a) { a.etag = "\"v0\""; }, F::Keiner, 200,
     "neu", {}},
    {"ohne_bedingung", "/bedingt", {}, F::Keiner, 200, "neu", {}},
    {"drei_umleitungen", "/kette/3", {}, F::Keiner, 200, "ende",
     [](const HttpAntwort& a) {
         EXPECT_EQ(a.umleitungen, 3);
         EXPECT_TRUE(a.endAdresse.endsWith(QLatin1String("/kette/0")));
     }},
    {"fuenf_umleitungen", "/kette/5", {}, F::Keiner, 200, "ende", {}},
    {"sechs_umleitungen", "/kette/6", {}, F::Umleitungen, 0, "", {}},
    {"umleitungsschleife", "/schleife", {}, F::Umleitungen, 0, "", {}},
    {"zu_gross_angekuendigt", "/gross", [](HttpAnfrage& a) { a.hoechstens = MB; }, F::ZuGross, 0,
     "",
     // Refused on the announced length: not a byte of the body is taken.
     [](const HttpAntwort& a) { EXPECT_LE(a.empfangen, MB); }},
    {"zu_gross_unangekuendigt", "/strom", [](HttpAnfrage& a) { a.hoechstens = MB; }, F::ZuGross,
     0, "",
     // Cut at the first piece past the cap, not after ten megabytes.
     [](const HttpAntwort& a) { EXPECT_LT(a.empfangen, MB + 512 * 1024); }},
    // Small on the wire, 50 MB unpacked: the cap counts what comes out.
    {"gzip_bombe", "/gzip-bombe", [](HttpAnfrage& a) { a.hoechstens = MB; }, F::ZuGross, 0, "",
     [](const HttpAntwort& a) { EXPECT_LT(a.empfangen, MB + 512 * 1024); }},
    {"kopf_zu_lang", "/kopf-lang", {}, F::Abbruch, 0, "",
     [](const HttpAntwort& a) {
         EXPECT_TRUE(a.fehlerText.contains(QLatin1String("headers are too long")));
     }},
    {"gross_erlaubt", "/gross", [](HttpAnfrage& a) { a.hoechstens = 11 * MB; }, F::Keiner, 200,
     nullptr, [](const HttpAntwort& a) { EXPECT_EQ(a.inhalt.size(), 10 * MB); }},
    {"tropfen", "/tropfen",
     [](HttpAnfrage& a) {
         a.mindestBytesProSekunde = 100;
         a.langsamSekunden = 1;
     },
     F::Langsam, 0, "", {}},
    {"stummer_server", "/stumm",
     [](HttpAnfrage& a) {
         a.gesamtMs = 1500;
         a.mindestBytesProSekunde = 0;
     },
     F::Zeit, 0, "", {}},
    {"stummer_server_langsam", "/stumm",
     [](HttpAnfrage& a) {
         a.mindestBytesProSekunde = 1;
         a.langsamSekunden = 1;
     },
     F::Langsam, 0, "", {}},
    {"datei_adresse", nullptr, [](HttpAnfrage& a) { a.adresse = QStringLiteral("file:///etc/hostname"); },
     F::Adresse, 0, "", {}},
    {"ftp_adresse", nullptr,
     [](HttpAnfrage& a) { a.adresse = QStringLiteral("ftp://127.0.0.1/x"); }, F::Adresse, 0, "", {}},
    {"umleitung_auf_datei", "/zu-datei", {}, F::Adresse, 0, "", {}},
    {"gedrosselt", "/drossel", {}, F::Keiner, 429, "",
     [](const HttpAntwort& a) {
         EXPECT_EQ(a.spaeterSekunden, 120);
         EXPECT_FALSE(a.Erfolg());
     }},
    {"wartung_mit_datum", "/wartung", {}, F::Keiner, 503, "",
     [](const HttpAntwort& a) {
         ASSERT_TRUE(a.spaeterSekunden);
         EXPECT_GT(*a.spaeterSekunden, 500);
         EXPECT_LE(*a.spaeterSekunden, 600);
     }},
    {"nicht_da", "/gibt-es-nicht", {}, F::Keiner, 404, nullptr,
     [](const HttpAntwort& a) { EXPECT_FALSE(a.Erfolg()); }},
};

class HttpFaelle : public HttpAbrufTest, public ::testing::WithParamInterface<Fall> {};

TEST_P(HttpFaelle, Antwort) {
    const Fall& f = GetParam();
    HttpAnfrage anfrage = Anfrage(QString::fromLatin1(f.pfad ? f.pfad : "/"));
    if (f.anpassen)
        f.anpassen(anfrage);
    HttpAbruf abruf;
    const HttpAntwort a = Holen(abruf, anfrage);
    EXPECT_EQ(a.fehler, f.fehler) << a.fehlerText.toStdString();
    EXPECT_EQ(a.fehlerText.isEmpty(), f.fehler == F::Keiner) << a.fehlerText.toStdString();
    if (f.fehler == F::Keiner) {
        EXPECT_EQ(a.status, f.status);
    } else {
        EXPECT_TRUE(a.inhalt.isEmpty());
    }
    if (f.inhalt) {
        EXPECT_EQ(a.inhalt, QByteArray(f.inhalt));
    }
    if (f.pruefen)
        f.pruefen(a);
    EXPECT_EQ(abruf.Laufend(), 0);
}

INSTANTIATE_TEST_SUITE_P(Server, HttpFaelle, ::testing::ValuesIn(Faelle),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HttpAbrufTest, VerweigerteVerbindung) {
    BelegterPort port;
    HttpAnfrage a;
    a.adresse = QStringLiteral("http://127.0.0.1:%1/").arg(port.Port());
    HttpAbruf abruf;
    const HttpAntwort antwort = Holen(abruf, a);
    EXPECT_EQ(antwort.fehler, F::Verbindung) << antwort.fehlerText.toStdString();
}

// The event loop turns while a request waits for its server: a timer
// started beside it keeps firing, and Starten returns before the answer.
TEST_F(HttpAbrufTest, EreignisschleifeLaeuftWeiter) {
    HttpAbruf abruf;
    QEventLoop schleife;
    QTimer takt;
    int schlaege = 0;
    int schlaegeBeiAntwort = -1;
    QObject::connect(&takt, &QTimer::timeout, [&] { ++schlaege; });
    takt.start(20);
    bool fertig = false;
    abruf.Starten(Anfrage(QStringLiteral("/langsam")), [&](const HttpAntwort& a) {
        EXPECT_EQ(a.inhalt, "spaet");
        fertig = true;
        schlaegeBeiAntwort = schlaege;
        schleife.quit();
    });
    EXPECT_FALSE(fertig);
    QTimer::singleShot(60000, &schleife, &QEventLoop::quit);
    schleife.exec();
    ASSERT_TRUE(fertig);
    // The server answers after a second: some fifty beats; a client that
    // blocked would let through none or one.
    EXPECT_GE(schlaegeBeiAntwort, 10);
}

// Several requests at once, each with its own outcome, told once each.
TEST_F(HttpAbrufTest, MehrereZugleich) {
    HttpAbruf abruf;
    const QStringList pfade{QStringLiteral("/ok"), QStringLiteral("/langsam"),
                            QStringLiteral("/kette/2"), QStringLiteral("/schleife"),
                            QStringLiteral("/stumm"), QStringLiteral("/ok")};
    QMap<uint64_t, HttpAntwort> antworten;
    QMap<uint64_t, QString> pfadVon;
    QEventLoop schleife;
    QObject::connect(&abruf, &HttpAbruf::Fertig, [&](uint64_t n, const HttpAntwort& a) {
        EXPECT_FALSE(antworten.contains(n));
        antworten.insert(n, a);
        if (antworten.size() == pfade.size())
            schleife.quit();
    });
    for (const QString& p : pfade) {
        HttpAnfrage a = Anfrage(p);
        // /langsam answers after a second, /stumm never.
        a.gesamtMs = 3000;
        a.mindestBytesProSekunde = 0;
        pfadVon.insert(abruf.Starten(a), p);
    }
    EXPECT_EQ(abruf.Laufend(), pfade.size());
    QTimer::singleShot(60000, &schleife, &QEventLoop::quit);
    schleife.exec();
    ASSERT_EQ(antworten.size(), pfade.size());
    for (auto it = antworten.cbegin(); it != antworten.cend(); ++it) {
        const QString p = pfadVon.value(it.key());
        SCOPED_TRACE(p.toStdString());
        if (p == QLatin1String("/ok"))
            EXPECT_EQ(it->inhalt, "hallo");
        else if (p == QLatin1String("/langsam"))
            EXPECT_EQ(it->inhalt, "spaet");
        else if (p == QLatin1String("/kette/2"))
            EXPECT_EQ(it->inhalt, "ende");
        else if (p == QLatin1String("/schleife"))
            EXPECT_EQ(it->fehler, F::Umleitungen);
        else
            EXPECT_EQ(it->fehler, F::Zeit);
    }
}

// Cancelled, destroyed while running, destroyed by whoever is told: no
// result, no crash.
TEST_F(HttpAbrufTest, AbbrechenUndZerstoeren) {
    auto abruf = std::make_unique<HttpAbruf>();
    int gemeldet = 0;
    const uint64_t n = abruf->Starten(Anfrage(QStringLiteral("/langsam")),
                                      [&](const HttpAntwort&) { ++gemeldet; });
    // One that fails before it starts is cancelled before it is told.
    const uint64_t m = abruf->Starten(Anfrage(QStringLiteral("x")),
                                      [&](const HttpAntwort&) { ++gemeldet; });
    abruf->Starten(Anfrage(QStringLiteral("/stumm")), [&](const HttpAntwort&) { ++gemeldet; });
    abruf->Abbrechen(n);
    abruf->Abbrechen(m);
    EXPECT_EQ(abruf->Laufend(), 1);
    QEventLoop schleife;
    QTimer::singleShot(300, &schleife, &QEventLoop::quit);
    schleife.exec();
    abruf.reset(); // with /stumm still running
    EXPECT_EQ(gemeldet, 0);

    auto* zweiter = new HttpAbruf;
    bool geloescht = false;
    zweiter->Starten(Anfrage(QStringLiteral("/ok")), [&](const HttpAntwort&) {
        delete zweiter;
        geloescht = true;
        schleife.quit();
    });
    zweiter->Starten(Anfrage(QStringLiteral("/ok")), [&](const HttpAntwort&) {
        delete zweiter;
        geloescht = true;
        schleife.quit();
    });
    QTimer::singleShot(60000, &schleife, &QEventLoop::quit);
    schleife.exec();
    EXPECT_TRUE(geloescht);
}

// Proxies come from the environment, as libcurl takes them.
TEST_F(HttpAbrufTest, ProxyAusDerUmgebung) {
    qputenv("http_proxy", server_->Adresse(QString()).toLatin1());
    HttpAnfrage a;
    a.adresse = QStringLiteral("http://pinwick.invalid/notizen");
    HttpAbruf abruf;
    const HttpAntwort antwort = Holen(abruf, a);
    qunsetenv("http_proxy");
    EXPECT_EQ(antwort.fehler, F::Keiner) << antwort.fehlerText.toStdString();
    EXPECT_EQ(antwort.inhalt, "proxy http://pinwick.invalid/notizen");
}

// HTTPS: a server whose certificate is in the given CA file is trusted;
// without it, the system's store does not know it.
TEST(HttpsAbruf, ZertifikatAusDatei) {
    qputenv("no_proxy", "127.0.0.1,localhost");
    HttpTestServer server(true);
    ASSERT_TRUE(server.Fehler().isEmpty()) << server.Fehler().toStdString();
    HttpAbruf abruf;
    HttpAnfrage a;
    a.adresse = server.Adresse(QStringLiteral("/ok"));
    a.caDatei = server.Zertifikat();
    HttpAntwort antwort = Holen(abruf, a);
    EXPECT_EQ(antwort.fehler, F::Keiner) << antwort.fehlerText.toStdString();
    EXPECT_EQ(antwort.inhalt, "hallo");

    a.caDatei.clear();
    antwort = Holen(abruf, a);
    EXPECT_EQ(antwort.fehler, F::Tls) << antwort.fehlerText.toStdString();

    // Over https as well, a redirect to a file is refused.
    a.adresse = server.Adresse(QStringLiteral("/zu-datei"));
    a.caDatei = server.Zertifikat();
    antwort = Holen(abruf, a);
    EXPECT_EQ(antwort.fehler, F::Adresse) << antwort.fehlerText.toStdString();
}

struct KopfFall {
    const char* wert;
    std::optional<int64_t> erwartet;
};
void PrintTo(const KopfFall& f, std::ostream* os) {
    *os << '"' << f.wert << '"';
}

class MaxAlter : public ::testing::TestWithParam<KopfFall> {};
TEST_P(MaxAlter, Lesen) {
    EXPECT_EQ(MaxAlterLesen(GetParam().wert), GetParam().erwartet) << GetParam().wert;
}
INSTANTIATE_TEST_SUITE_P(
    Kopf, MaxAlter,
    ::testing::Values(KopfFall{"max-age=60", 60}, KopfFall{"public, max-age=300", 300},
                      KopfFall{"Max-Age=7, must-revalidate", 7}, KopfFall{"max-age=\"30\"", 30},
                      KopfFall{"no-cache", 0}, KopfFall{"max-age=60, no-store", 0},
                      KopfFall{"public", std::nullopt}, KopfFall{"max-age=-5", std::nullopt},
                      KopfFall{"max-age=abc", std::nullopt}, KopfFall{"max-age=+5", std::nullopt},
                      KopfFall{"", std::nullopt}));

class Spaeter : public ::testing::TestWithParam<KopfFall> {};
TEST_P(Spaeter, Lesen) {
    const QDateTime jetzt = QDateTime::fromString(QStringLiteral("2026-12-10T08:00:00Z"), Qt::ISODate);
    EXPECT_EQ(SpaeterLesen(GetParam().wert, jetzt), GetParam().erwartet) << GetParam().wert;
}
INSTANTIATE_TEST_SUITE_P(
    Kopf, Spaeter,
    ::testing::Values(KopfFall{"120", 120}, KopfFall{" 0 ", 0},
                      KopfFall{"Thu, 10 Dec 2026 08:02:00 GMT", 120},
                      // A date already past: at once.
                      KopfFall{"Thu, 10 Dec 2026 07:00:00 GMT", 0},
                      KopfFall{"-3", std::nullopt}, KopfFall{"soon", std::nullopt},
                      KopfFall{"Thu, 10 Dec 2026 08:02:00", std::nullopt},
                      KopfFall{"", std::nullopt}));

} // namespace
