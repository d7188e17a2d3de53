// The receiver against the test web server: what it accepts, what it
// refuses and why (in the settings window's words), how long it waits before
// the next poll, and that a snapshot held survives a failed poll but not its
// expiry.

#include "HttpAbruf.h"
#include "HttpTestServer.h"
#include "SchnappschussEmpfang.h"
#include "SchnappschussHilfe.h"
#include "SchnappschussSignatur.h"
#include "Veroeffentlichung.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

using namespace pinwick;
using namespace pinwick::test;
using A = EmpfangsZustand::Art;

namespace {

QByteArray Lesen(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Schreiben(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(inhalt);
}

// Waits for the next finished poll; a minute is a hang, not a speed.
bool AufAbrufWarten(SchnappschussEmpfang& e, int ms = 60000) {
    QEventLoop schleife;
    bool fertig = false;
    const auto verbindung = QObject::connect(&e, &SchnappschussEmpfang::AbrufFertig, &schleife, [&] {
        fertig = true;
        schleife.quit();
    });
    QTimer::singleShot(ms, &schleife, &QEventLoop::quit);
    schleife.exec();
    QObject::disconnect(verbindung);
    return fertig;
}

// ---------------------------------------------------------------- the wait

struct AbstandFall {
    const char* name;
    AbstandEingabe e;
    int64_t vonMs, bisMs;
};
void PrintTo(const AbstandFall& f, std::ostream* os) { *os << f.name; }

AbstandEingabe Abstand(std::optional<int64_t> maxAlter, std::optional<int64_t> spaeter,
                       int fehlschlaege, double zufall, int64_t grund = 30000,
                       bool maxAlterBeachten = true) {
    AbstandEingabe e;
    e.grundMs = grund;
    e.maxAlter = maxAlter;
    e.spaeterSekunden = spaeter;
    e.fehlschlaege = fehlschlaege;
    e.zufall = zufall;
    e.maxAlterBeachten = maxAlterBeachten;
    return e;
}

class Wartezeit : public ::testing::TestWithParam<AbstandFall> {};
TEST_P(Wartezeit, Regel) {
    const AbstandFall& f = GetParam();
    const int64_t ms = AbrufAbstandMs(f.e);
    EXPECT_GE(ms, f.vonMs);
    EXPECT_LE(ms, f.bisMs);
}
INSTANTIATE_TEST_SUITE_P(
    Empfang, Wartezeit,
    ::testing::Values(
        AbstandFall{"gewoehnlich", Abstand({}, {}, 0, 0), 30000, 30000},
        AbstandFall{"streuung_unten", Abstand({}, {}, 0, -1), 22500, 22500},
        AbstandFall{"streuung_oben", Abstand({}, {}, 0, 1), 37500, 37500},
        AbstandFall{"max_age", Abstand(120, {}, 0, 0), 120000, 120000},
        AbstandFall{"max_age_zu_kurz", Abstand(0, {}, 0, 0), 10000, 10000},
        AbstandFall{"max_age_zu_lang", Abstand(86400, {}, 0, 0), 3600000, 3600000},
        AbstandFall{"max_age_mit_streuung", Abstand(86400, {}, 0, 1), 4500000, 4500000},
        // A shortened interval for tests is not stretched by the server's max-age.
        AbstandFall{"verkuerzt", Abstand(3600, {}, 0, 0, 200, false), 200, 200},
        AbstandFall{"ein_fehler", Abstand({}, {}, 1, 0), 60000, 60000},
        AbstandFall{"drei_fehler", Abstand({}, {}, 3, 0), 240000, 240000},
        AbstandFall{"viele_fehler_gedeckelt", Abstand({}, {}, 40, 0), 480000, 480000},
        AbstandFall{"retry_after", Abstand({}, 120, 1, -1), 120000, 120000},
        AbstandFall{"retry_after_kuerzer_als_wartezeit", Abstand({}, 5, 2, 0), 120000, 120000},
        AbstandFall{"retry_after_ein_tag", Abstand({}, 86400, 1, 0), 3600000, 3600000},
        AbstandFall{"nie_null", Abstand({}, {}, 0, -1, 1), 1, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- the address

struct AdressFall {
    const char* name;
    const char* eingabe;
    const char* erwartet;
    bool web;
};
void PrintTo(const AdressFall& f, std::ostream* os) { *os << f.name; }
class Adresse : public ::testing::TestWithParam<AdressFall> {};
TEST_P(Adresse, Regel) {
    const AdressFall& f = GetParam();
    EXPECT_EQ(IstWebAdresse(QString::fromUtf8(f.eingabe)), f.web);
    if (f.web)
        EXPECT_EQ(SchnappschussAdresse(QString::fromUtf8(f.eingabe)), QString::fromUtf8(f.erwartet));
}
INSTANTIATE_TEST_SUITE_P(
    Empfang, Adresse,
    ::testing::Values(
        AdressFall{"datei", "https://notes.example/office/broadcast.json",
                   "https://notes.example/office/broadcast.json", true},
        AdressFall{"ordner", "https://notes.example/office/", "https://notes.example/office/broadcast.json",
                   true},
        AdressFall{"ordner_ohne_strich", "https://notes.example/office",
                   "https://notes.example/office/broadcast.json", true},
        AdressFall{"wurzel", "http://notes.example", "http://notes.example/broadcast.json", true},
        AdressFall{"anderer_name", " HTTPS://n.example/a/b.json ", "HTTPS://n.example/a/b.json", true},
        AdressFall{"freigabe", "//server/share/pw.kav", "", false},
        AdressFall{"pfad", "/mnt/share/pw.kav", "", false},
        AdressFall{"ftp", "ftp://server/pw.kav", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- served snapshots

// A served folder, the office's key and another office's key.
class Empfaenger : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        arbeit_ = new QTemporaryDir;
        schluessel_ = MinisignSchluessel(arbeit_->path(), QStringLiteral("buero"));
        fremd_ = MinisignSchluessel(arbeit_->path(), QStringLiteral("fremd"));
    }
    static void TearDownTestSuite() {
        delete arbeit_;
        arbeit_ = nullptr;
    }
    void SetUp() override {
        ASSERT_FALSE(schluessel_.isEmpty()) << "minisign makes no key";
        ASSERT_FALSE(fremd_.isEmpty());
        ordner_ = www_.path();
        server_.emplace(false, ordner_);
        ASSERT_TRUE(server_->Fehler().isEmpty()) << server_->Fehler().toStdString();
        oeffentlich_ = OeffentlicherSchluessel(arbeit_->filePath(QStringLiteral("buero.pub")));
        fremdOeffentlich_ = OeffentlicherSchluessel(arbeit_->filePath(QStringLiteral("fremd.pub")));
    }

    // Publishes `notizen` notes with `schluessel` at `jetzt` (invalid: now).
    uint64_t Veroeffentlichen(int notizen = 3, const QString& schluessel = {},
                              int64_t gueltig = 7 * 24 * 3600, QDateTime jetzt = {},
                              const QString& ordner = {}) {
        VeroeffentlichungsAuftrag a;
        a.ordner = ordner.isEmpty() ? ordner_ : ordner;
        a.schluesselDatei = schluessel.isEmpty() ? schluessel_ : schluessel;
        a.gueltigSekunden = gueltig;
        a.jetzt = jetzt;
        a.einstellungen = BeispielEinstellungen();
        a.notizen = BeispielNotizen(notizen);
        const VeroeffentlichungsErgebnis e = pinwick::Veroeffentlichen(a);
        EXPECT_TRUE(e.fehler.isEmpty()) << e.fehler.toStdString();
        return e.version;
    }
    QString Datei(const char* name) const { return QDir(ordner_).filePath(QLatin1String(name)); }
    QString Adresse() const { return server_->Adresse(QStringLiteral("/datei/")); }

    static QTemporaryDir* arbeit_;
    static QString schluessel_;
    static QString fremd_;
    QByteArray oeffentlich_;
    QByteArray fremdOeffentlich_;
    QTemporaryDir www_;
    QString ordner_;
    std::optional<HttpTestServer> server_;
    HttpAbruf abruf_;
};
QTemporaryDir* Empfaenger::arbeit_ = nullptr;
QString Empfaenger::schluessel_;
QString Empfaenger::fremd_;

struct UrteilFall {
    const char* name;
    // Prepares the folder; returns the last version the desk accepted.
    std::function<std::optional<uint64_t>(Empfaenger&)> vorbereiten;
    bool fremderSchluessel; // the receiver is given the other office's key
    A art;
    const char* grund; // part of the reason; "" with Angenommen
};
void PrintTo(const UrteilFall& f, std::ostream* os) { *os << f.name; }

class EmpfangsUrteil : public Empfaenger, public ::testing::WithParamInterface<UrteilFall> {};
TEST_P(EmpfangsUrteil, Regel) {
    const UrteilFall& f = GetParam();
    const std::optional<uint64_t> zuletzt = f.vorbereiten(*this);
    SchnappschussEmpfang e(abruf_);
    std::shared_ptr<const Schnappschuss> bekommen;
    QObject::connect(&e, &SchnappschussEmpfang::Geaendert,
                     [&](std::shared_ptr<const Schnappschuss> s) { bekommen = std::move(s); });
    e.Einrichten(Adresse(), f.fremderSchluessel ? fremdOeffentlich_ : oeffentlich_, zuletzt);
    e.JetztAbrufen();
    ASSERT_TRUE(AufAbrufWarten(e));
    EXPECT_EQ(e.Zustand().art, f.art) << e.Zustand().grund.toStdString();
    EXPECT_TRUE(e.Zustand().grund.contains(QLatin1String(f.grund))) << e.Zustand().grund.toStdString();
    if (f.art == A::Angenommen) {
        ASSERT_TRUE(bekommen);
        EXPECT_EQ(bekommen->notizen, BeispielNotizen(3));
        EXPECT_EQ(e.ZuletztAngenommen(), bekommen->kopf.version);
        EXPECT_TRUE(e.Zustand().haelt);
    } else {
        EXPECT_FALSE(bekommen);
        EXPECT_FALSE(e.Gehalten());
        EXPECT_EQ(e.ZuletztAngenommen(), zuletzt);
    }
}

QByteArray FremdSigniert(const QByteArray& nutzlast, const SchnappschussKopf& kopf,
                         const QString& schluesselDatei) {
    const std::optional<GeheimSchluessel> g = GeheimSchluessel::Lesen(Lesen(schluesselDatei), {});
    return g ? g->Signieren(nutzlast, KommentarSchreiben(kopf)) : QByteArray();
}

INSTANTIATE_TEST_SUITE_P(
    Empfang, EmpfangsUrteil,
    ::testing::Values(
        UrteilFall{"gut", [](Empfaenger& t) -> std::optional<uint64_t> {
                       t.Veroeffentlichen();
                       return std::nullopt;
                   }, false, A::Angenommen, ""},
        UrteilFall{"gleiche_version_wieder", [](Empfaenger& t) -> std::optional<uint64_t> {
                       return t.Veroeffentlichen();
                   }, false, A::Angenommen, ""},
        UrteilFall{"verfaelscht", [](Empfaenger& t) -> std::optional<uint64_t> {
                       t.Veroeffentlichen();
                       QByteArray n = Lesen(t.Datei(SchnappschussName));
                       n.replace("Notiz", "Nptiz");
                       Schreiben(t.Datei(SchnappschussName), n);
                       return std::nullopt;
                   }, false, A::Abgelehnt, "signature does not match the key"},
        UrteilFall{"falscher_schluessel", [](Empfaenger& t) -> std::optional<uint64_t> {
                       t.Veroeffentlichen();
                       return std::nullopt;
                   }, true, A::Abgelehnt, "signature does not match the key"},
        // Another office's snapshot, validly signed with its own key.
        UrteilFall{"anderes_buero", [](Empfaenger& t) -> std::optional<uint64_t> {
                       t.Veroeffentlichen(3, Empfaenger::fremd_);
                       return std::nullopt;
                   }, false, A::Abgelehnt, "signature does not match the key"},
        UrteilFall{"zurueckgerollt", [](Empfaenger& t) -> std::optional<uint64_t> {
                       return t.Veroeffentlichen() + 1;
                   }, false, A::Abgelehnt, "older than the notes already shown"},
        UrteilFall{"abgelaufen", [](Empfaenger& t) -> std::optional<uint64_t> {
                       t.Veroeffentlichen(3, {}, 3600, QDateTime::currentDateTimeUtc().addDays(-1));
                       return std::nullopt;
                   }, false, A::Abgelehnt, "expired on"},
        UrteilFall{"kaputtes_json", [](Empfaenger& t) -> std::optional<uint64_t> {
                       SchnappschussKopf k;
                       k.version = 5;
                       k.veroeffentlicht = QDateTime::currentDateTimeUtc();
                       k.ablauf = k.veroeffentlicht.addDays(1);
                       const QByteArray nutzlast = "{\"format\": 1, \"version\": 5, [[[";
                       const QString schluessel = Empfaenger::schluessel_;
                       // The key id is the one the signature names.
                       const std::optional<GeheimSchluessel> g =
                           GeheimSchluessel::Lesen(Lesen(schluessel), {});
                       if (g)
                           k.schluessel = g->Id();
                       Schreiben(t.Datei(SchnappschussName), nutzlast);
                       Schreiben(t.Datei(SchnappschussSignaturName),
                                 FremdSigniert(nutzlast, k, schluessel));
                       return std::nullopt;
                   }, false, A::Abgelehnt, "malformed"},
        // Larger than any snapshot may be: the transfer is cut at the cap.
        UrteilFall{"riesiges_json", [](Empfaenger& t) -> std::optional<uint64_t> {
                       Schreiben(t.Datei(SchnappschussName),
                                 "{\"notizen\": [\"" + QByteArray(SchnappschussHoechstens + 10, 'x') + "\"]}");
                       return std::nullopt;
                   }, false, A::Netz, "larger than"},
        UrteilFall{"keine_signatur", [](Empfaenger& t) -> std::optional<uint64_t> {
                       t.Veroeffentlichen();
                       QFile::remove(t.Datei(SchnappschussSignaturName));
                       return std::nullopt;
                   }, false, A::Http, "HTTP 404 for the signature"},
        UrteilFall{"nichts_veroeffentlicht", [](Empfaenger&) -> std::optional<uint64_t> {
                       return std::nullopt;
                   }, false, A::Http, "HTTP 404"}),
    [](const auto& info) { return std::string(info.param.name); });

// A server that misbehaves: told in the state, and the next poll waits.
struct BoeseFall {
    const char* name;
    const char* pfad;
    A art;
    const char* grund;
    int64_t naechsterMindestens; // ms until the next poll, at least
};
void PrintTo(const BoeseFall& f, std::ostream* os) { *os << f.name; }
class BoeserServer : public Empfaenger, public ::testing::WithParamInterface<BoeseFall> {};
TEST_P(BoeserServer, Regel) {
    const BoeseFall& f = GetParam();
    SchnappschussEmpfang e(abruf_);
    HttpAnfrage vorlage;
    vorlage.hoechstens = SchnappschussHoechstens;
    vorlage.langsamSekunden = 1;
    vorlage.mindestBytesProSekunde = 64;
    e.Anfragevorlage(vorlage);
    e.Intervall(30000);
    e.Zufall([] { return 0.0; });
    e.Einrichten(server_->Adresse(QStringLiteral("/boese/%1/").arg(QLatin1String(f.pfad))), oeffentlich_,
                 std::nullopt);
    e.Starten();
    ASSERT_TRUE(AufAbrufWarten(e));
    e.Anhalten();
    EXPECT_EQ(e.Zustand().art, f.art) << e.Zustand().grund.toStdString();
    EXPECT_TRUE(e.Zustand().grund.contains(QLatin1String(f.grund))) << e.Zustand().grund.toStdString();
    EXPECT_FALSE(e.Gehalten());
}
// Polls again after the wait; Anhalten keeps none planned. The wait is
// looked at before Anhalten, in a second test of its own.
class BoeserServerWartet : public Empfaenger, public ::testing::WithParamInterface<BoeseFall> {};
TEST_P(BoeserServerWartet, Regel) {
    const BoeseFall& f = GetParam();
    SchnappschussEmpfang e(abruf_);
    e.Intervall(30000);
    e.Zufall([] { return 0.0; });
    e.Einrichten(server_->Adresse(QStringLiteral("/boese/%1/").arg(QLatin1String(f.pfad))), oeffentlich_,
                 std::nullopt);
    e.Starten();
    ASSERT_TRUE(AufAbrufWarten(e));
    EXPECT_GE(e.NaechsterAbrufMs(), f.naechsterMindestens - 1000);
    e.Anhalten();
    EXPECT_EQ(e.NaechsterAbrufMs(), -1);
}
const auto BoeseFaelle = ::testing::Values(
    BoeseFall{"drossel_429", "drossel", A::Gedrosselt, "HTTP 429", 120000},
    BoeseFall{"wartung_503", "wartung", A::Gedrosselt, "HTTP 503", 590000},
    BoeseFall{"umleitung_im_kreis", "schleife", A::Netz, "redirect", 60000},
    BoeseFall{"zehn_gigabyte", "riesig", A::Netz, "larger than", 60000},
    BoeseFall{"ohne_laenge_zu_gross", "strom", A::Netz, "larger than", 60000},
    BoeseFall{"tropfen", "tropfen", A::Netz, "cannot reach", 60000},
    BoeseFall{"nicht_da", "nirgends", A::Http, "HTTP 404", 60000});
INSTANTIATE_TEST_SUITE_P(Empfang, BoeserServer, BoeseFaelle,
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Empfang, BoeserServerWartet,
                         ::testing::Values(BoeseFall{"drossel_429", "drossel", A::Gedrosselt, "", 120000},
                                           BoeseFall{"wartung_503", "wartung", A::Gedrosselt, "", 590000},
                                           BoeseFall{"fehler_verdoppelt", "nirgends", A::Http, "", 60000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Empfaenger, NichtErreichbar) {
    SchnappschussEmpfang e(abruf_);
    const QString adresse = server_->Adresse(QStringLiteral("/datei/"));
    server_.reset(); // nobody listens on the port now
    e.Einrichten(adresse, oeffentlich_, std::nullopt);
    e.JetztAbrufen();
    ASSERT_TRUE(AufAbrufWarten(e));
    EXPECT_EQ(e.Zustand().art, A::Netz);
    EXPECT_TRUE(e.Zustand().grund.startsWith(QLatin1String("cannot reach"))) << e.Zustand().grund.toStdString();
}

// Unchanged costs a 304; a new publication is taken; a failed poll keeps
// what is held and says so; a newer version later is taken again.
TEST_F(Empfaenger, HaeltUndFolgt) {
    const uint64_t v1 = Veroeffentlichen(3);
    SchnappschussEmpfang e(abruf_);
    std::vector<uint64_t> versionen;
    QObject::connect(&e, &SchnappschussEmpfang::Geaendert, [&](std::shared_ptr<const Schnappschuss> s) {
        versionen.push_back(s ? s->kopf.version : 0);
    });
    e.Einrichten(Adresse(), oeffentlich_, std::nullopt);
    e.JetztAbrufen();
    ASSERT_TRUE(AufAbrufWarten(e));
    ASSERT_EQ(e.Zustand().art, A::Angenommen) << e.Zustand().grund.toStdString();

    e.JetztAbrufen();
    ASSERT_TRUE(AufAbrufWarten(e));
    EXPECT_EQ(e.Zustand().art, A::Unveraendert);
    EXPECT_EQ(e.Zustand().status, 304);
    // The validator of the snapshot held went with the request.
    EXPECT_TRUE(server_->Log().contains(QLatin1String("GET /datei/broadcast.json HTTP/1.1 \"")))
        << server_->Log().toStdString();

    QFile::remove(Datei(SchnappschussName));
    e.JetztAbrufen();
    ASSERT_TRUE(AufAbrufWarten(e));
    EXPECT_EQ(e.Zustand().art, A::Http);
    EXPECT_TRUE(e.Zustand().haelt);
    ASSERT_TRUE(e.Gehalten());
    EXPECT_EQ(e.Gehalten()->kopf.version, v1);
    EXPECT_TRUE(e.Zustand().Text().contains(QStringLiteral("showing version %1").arg(v1)))
        << e.Zustand().Text().toStdString();

    const uint64_t v2 = Veroeffentlichen(5);
    e.JetztAbrufen();
    ASSERT_TRUE(AufAbrufWarten(e));
    EXPECT_EQ(e.Zustand().art, A::Angenommen);
    ASSERT_TRUE(e.Gehalten());
    EXPECT_EQ(e.Gehalten()->notizen.size(), 5);
    EXPECT_EQ(versionen, (std::vector<uint64_t>{v1, v2}));
}

// The snapshot held is dropped at its expiry, without a poll.
TEST_F(Empfaenger, AblaufLaesstFallen) {
    Veroeffentlichen(3, {}, 2);
    SchnappschussEmpfang e(abruf_);
    e.Einrichten(Adresse(), oeffentlich_, std::nullopt);
    e.JetztAbrufen();
    ASSERT_TRUE(AufAbrufWarten(e));
    ASSERT_TRUE(e.Gehalten()) << e.Zustand().grund.toStdString();
    QEventLoop schleife;
    bool fallen = false;
    QObject::connect(&e, &SchnappschussEmpfang::Geaendert, &schleife,
                     [&](std::shared_ptr<const Schnappschuss> s) {
                         fallen = !s;
                         schleife.quit();
                     });
    QTimer::singleShot(10000, &schleife, &QEventLoop::quit);
    schleife.exec();
    EXPECT_TRUE(fallen);
    EXPECT_FALSE(e.Gehalten());
    EXPECT_EQ(e.Zustand().art, A::Abgelaufen);
    EXPECT_TRUE(e.Zustand().grund.startsWith(QLatin1String("expired on")));
}

// A pair of two publications (fetched while the broadcaster published) is
// fetched again; one that stays mixed is refused in the end.
TEST_F(Empfaenger, GemischtesPaar) {
    Veroeffentlichen(3);
    const QByteArray nutzlast = Lesen(Datei(SchnappschussName));
    Veroeffentlichen(4);
    Schreiben(Datei(SchnappschussName), nutzlast);
    SchnappschussEmpfang e(abruf_);
    int abrufe = 0;
    QObject::connect(&e, &SchnappschussEmpfang::AbrufFertig, [&] { ++abrufe; });
    e.Einrichten(Adresse(), oeffentlich_, std::nullopt);
    e.JetztAbrufen();
    ASSERT_TRUE(AufAbrufWarten(e));
    EXPECT_EQ(abrufe, 1);
    EXPECT_EQ(e.Zustand().art, A::Abgelehnt);
    EXPECT_TRUE(e.Zustand().grund.contains(QLatin1String("two publications")))
        << e.Zustand().grund.toStdString();
    // Four fetches of the signature: the first and three again.
    EXPECT_EQ(server_->Log().count(QLatin1String(".minisig")), 4) << server_->Log().toStdString();
}

// Started, it polls by itself at the (shortened) interval.
TEST_F(Empfaenger, PolltVonSelbst) {
    Veroeffentlichen(3);
    SchnappschussEmpfang e(abruf_);
    e.Intervall(100);
    int abrufe = 0;
    QObject::connect(&e, &SchnappschussEmpfang::AbrufFertig, [&] { ++abrufe; });
    e.Einrichten(Adresse(), oeffentlich_, std::nullopt);
    e.Starten();
    QEventLoop schleife;
    QObject::connect(&e, &SchnappschussEmpfang::AbrufFertig, &schleife, [&] {
        if (abrufe >= 3)
            schleife.quit();
    });
    QTimer::singleShot(60000, &schleife, &QEventLoop::quit);
    schleife.exec();
    EXPECT_GE(abrufe, 3);
    EXPECT_EQ(e.Zustand().art, A::Unveraendert);
}

} // namespace
