// The whole way of a snapshot with a real web server: pinwick-notes publish
// writes it, nginx serves it over HTTPS (a certificate authority made for
// the run), HttpAbruf fetches it, and the receiver's checks take it; an
// unchanged snapshot costs a 304, a republished one comes whole. What a
// hostile or stale server hands out is refused.

#include "Datenbank.h"
#include "HttpAbruf.h"
#include "HttpTestServer.h"
#include "NginxServer.h"
#include "NotizenBefehl.h"
#include "SchnappschussHilfe.h"
#include "SchnappschussSignatur.h"
#include "Speicher.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

using namespace pinwick;
using namespace pinwick::test;
using E = SchnappschussPruefung::Ergebnis;

namespace {

QByteArray Inhalt(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Ablegen(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(inhalt);
}

HttpAntwort Holen(HttpAbruf& abruf, const HttpAnfrage& anfrage) {
    return pinwick::test::HttpHolen(abruf, anfrage);
}

class NginxAbruf : public ::testing::Test {
public:
    void SetUp() override {
        schluessel_ = MinisignSchluessel(arbeit_.path(), QStringLiteral("sender"));
        ASSERT_FALSE(schluessel_.isEmpty()) << "minisign makes no key";
        pub_ = OeffentlicherSchluessel(arbeit_.filePath(QStringLiteral("sender.pub")));
        andererSchluessel_ = MinisignSchluessel(arbeit_.path(), QStringLiteral("anderer"));
        datei_ = arbeit_.filePath(QStringLiteral("pw.kav"));
        VorlageErzeugen(datei_);
        www_ = arbeit_.filePath(QStringLiteral("www"));
        QDir().mkpath(www_);
        Notes({QStringLiteral("add"), QStringLiteral("Erste Notiz")});
        ASSERT_TRUE(Veroeffentlichen().isEmpty());
        server_ = std::make_unique<NginxServer>(www_);
        ASSERT_TRUE(server_->Fehler().isEmpty()) << server_->Fehler().toStdString();
    }

    int Notes(QStringList argumente, QString* fehlerText = nullptr) {
        QString aus, fehler;
        QTextStream a(&aus), f(&fehler);
        NotizenUmgebung u;
        u.jetzt = QDateTime::currentDateTime();
        u.eigeneDatei = datei_;
        u.aus = &a;
        u.fehler = &f;
        const int status = NotizenProgramm(argumente, u);
        f.flush();
        if (fehlerText)
            *fehlerText = fehler;
        return status;
    }
    // publish with the sender's key (or another); the error, or empty.
    QString Veroeffentlichen(const QString& schluessel = {}, const QStringList& mehr = {}) {
        QString fehler;
        const int status = Notes(QStringList{QStringLiteral("publish"), QStringLiteral("--to"), www_,
                                             QStringLiteral("--secret-key"),
                                             schluessel.isEmpty() ? schluessel_ : schluessel} +
                                     mehr,
                                 &fehler);
        return status == 0 ? QString() : fehler + QStringLiteral(" ");
    }
    HttpAnfrage Anfrage(const char* name) const {
        HttpAnfrage a;
        a.adresse = server_->Adresse(u'/' + QLatin1String(name));
        a.caDatei = server_->Ca();
        return a;
    }
    // Signature first, then the payload, as a receiver fetches them.
    SchnappschussPruefung Abrufen(HttpAntwort* nutzlast = nullptr) {
        const HttpAntwort s = Holen(abruf_, Anfrage(SchnappschussSignaturName));
        const HttpAntwort n = Holen(abruf_, Anfrage(SchnappschussName));
        EXPECT_TRUE(s.Erfolg()) << s.status << ' ' << s.fehlerText.toStdString();
        EXPECT_TRUE(n.Erfolg()) << n.status << ' ' << n.fehlerText.toStdString();
        if (nutzlast)
            *nutzlast = n;
        return SchnappschussPruefen(n.inhalt, s.inhalt, pub_);
    }
    QString Www(const char* name) const { return QDir(www_).filePath(QLatin1String(name)); }

    QTemporaryDir arbeit_;
    QString schluessel_, andererSchluessel_, datei_, www_;
    QByteArray pub_;
    std::unique_ptr<NginxServer> server_;
    HttpAbruf abruf_;
};

TEST_F(NginxAbruf, HttpsBedingtUndNeuVeroeffentlicht) {
    HttpAntwort erste;
    const SchnappschussPruefung p = Abrufen(&erste);
    ASSERT_EQ(p.ergebnis, E::Gut) << p.grund.toStdString();
    ASSERT_EQ(p.schnappschuss->notizen.size(), 1);
    const SchnappschussKopf kopf = p.schnappschuss->kopf;
    EXPECT_TRUE(SchnappschussAnnehmen(kopf, std::nullopt, QDateTime::currentDateTimeUtc()).angenommen);
    EXPECT_FALSE(erste.etag.isEmpty());
    EXPECT_FALSE(erste.zuletztGeaendert.isEmpty());
    EXPECT_EQ(erste.maxAlter, 0) << "no-cache: every poll asks the server";

    // Unchanged: a conditional request gets a 304 without a body.
    HttpAnfrage bedingt = Anfrage(SchnappschussName);
    bedingt.etag = erste.etag;
    bedingt.zuletztGeaendert = erste.zuletztGeaendert;
    const HttpAntwort zweite = Holen(abruf_, bedingt);
    EXPECT_TRUE(zweite.Unveraendert()) << zweite.status;
    EXPECT_TRUE(zweite.inhalt.isEmpty());

    // Republished after a change: the same request gets the new one whole.
    ASSERT_EQ(Notes({QStringLiteral("add"), QStringLiteral("Zweite Notiz")}), 0);
    ASSERT_TRUE(Veroeffentlichen().isEmpty());
    const HttpAntwort dritte = Holen(abruf_, bedingt);
    ASSERT_TRUE(dritte.Erfolg()) << dritte.status;
    EXPECT_NE(dritte.etag, erste.etag);
    const HttpAntwort signatur = Holen(abruf_, Anfrage(SchnappschussSignaturName));
    const SchnappschussPruefung neu = SchnappschussPruefen(dritte.inhalt, signatur.inhalt, pub_);
    ASSERT_EQ(neu.ergebnis, E::Gut) << neu.grund.toStdString();
    EXPECT_EQ(neu.schnappschuss->notizen.size(), 2);
    EXPECT_GT(neu.schnappschuss->kopf.version, kopf.version);
    EXPECT_TRUE(SchnappschussAnnehmen(neu.schnappschuss->kopf, kopf.version,
                                      QDateTime::currentDateTimeUtc())
                    .angenommen);
    // nginx counted both kinds of answer.
    const NginxServer::Verkehr v = server_->LogLesen();
    EXPECT_EQ(v.status304, 1);
    EXPECT_EQ(v.andere, 0);
}

// What a server may hand out that a receiver must not show. `vorbereiten`
// changes what is served (or what the receiver holds); the receiver
// fetches and judges.
class NginxVerweigert;
struct Verweigerung {
    const char* name;
    std::function<void(NginxVerweigert&)> vorbereiten;
    // Judged at this many seconds from now, with this last accepted version
    // (0: none; 1: the one published before the current).
    int64_t spaeter = 0;
    bool zuletztDieVorige = false;
    // Signature check refuses (true), or it passes and acceptance refuses.
    bool signaturFalsch;
    const char* grund;
};
void PrintTo(const Verweigerung& f, std::ostream* os) {
    *os << f.name;
}

class NginxVerweigert : public NginxAbruf, public ::testing::WithParamInterface<Verweigerung> {
public:
    uint64_t vorige_ = 0;
};

TEST_P(NginxVerweigert, NichtAngenommen) {
    const Verweigerung& f = GetParam();
    f.vorbereiten(*this);
    const SchnappschussPruefung p = Abrufen();
    if (f.signaturFalsch) {
        EXPECT_NE(p.ergebnis, E::Gut);
        EXPECT_TRUE(p.grund.contains(QLatin1String(f.grund))) << p.grund.toStdString();
        return;
    }
    ASSERT_EQ(p.ergebnis, E::Gut) << p.grund.toStdString();
    std::optional<uint64_t> zuletzt;
    if (f.zuletztDieVorige)
        zuletzt = vorige_;
    const SchnappschussUrteil u = SchnappschussAnnehmen(
        p.schnappschuss->kopf, zuletzt, QDateTime::currentDateTimeUtc().addSecs(f.spaeter));
    EXPECT_FALSE(u.angenommen);
    EXPECT_TRUE(u.grund.contains(QLatin1String(f.grund))) << u.grund.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Https, NginxVerweigert,
    ::testing::Values(
        Verweigerung{"nutzlast_veraendert",
                     [](NginxVerweigert& t) {
                         QByteArray n = Inhalt(t.Www(SchnappschussName));
                         Ablegen(t.Www(SchnappschussName), n.replace("Erste Notiz", "Falsche Notiz"));
                     },
                     0, false, true, "signature does not match the key"},
        Verweigerung{"kommentar_veraendert",
                     [](NginxVerweigert& t) {
                         QByteArray s = Inhalt(t.Www(SchnappschussSignaturName));
                         Ablegen(t.Www(SchnappschussSignaturName),
                                 s.replace("expires:20", "expires:21"));
                     },
                     0, false, true, "signature does not match the key"},
        // Signed, but by a key this receiver was not given.
        Verweigerung{"anderer_schluessel",
                     [](NginxVerweigert& t) {
                         ASSERT_TRUE(t.Veroeffentlichen(t.andererSchluessel_).isEmpty());
                     },
                     0, false, true, "signature does not match the key (signed with key"},
        Verweigerung{"abgelaufen", [](NginxVerweigert&) {}, 8 * 86400, false, false, "expired on"},
        Verweigerung{"kurz_gueltig_abgelaufen",
                     [](NginxVerweigert& t) {
                         ASSERT_TRUE(t.Veroeffentlichen({}, {QStringLiteral("--expires"),
                                                             QStringLiteral("0.01")})
                                         .isEmpty());
                     },
                     900, false, false, "expired on"},
        // The server hands out an older pair again (a restored backup, a
        // replay): the receiver already holds a later one.
        Verweigerung{"zurueckgerollt",
                     [](NginxVerweigert& t) {
                         const QByteArray n = Inhalt(t.Www(SchnappschussName));
                         const QByteArray s = Inhalt(t.Www(SchnappschussSignaturName));
                         ASSERT_TRUE(t.Veroeffentlichen().isEmpty());
                         const SchnappschussPruefung p = SchnappschussPruefen(
                             Inhalt(t.Www(SchnappschussName)),
                             Inhalt(t.Www(SchnappschussSignaturName)), t.pub_);
                         ASSERT_EQ(p.ergebnis, E::Gut);
                         t.vorige_ = p.schnappschuss->kopf.version;
                         Ablegen(t.Www(SchnappschussName), n);
                         Ablegen(t.Www(SchnappschussSignaturName), s);
                     },
                     0, true, false, "older than the notes already shown"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
