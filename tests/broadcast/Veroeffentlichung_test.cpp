// Publishing into a served folder: the version only grows (also after a
// restore from a backup), a failure publishes nothing, a reader never sees
// half a file, and what is published is what minisign and a receiver verify.

#include "HttpAbruf.h"
#include "HttpTestServer.h"
#include "SchnappschussHilfe.h"
#include "SchnappschussSignatur.h"
#include "Veroeffentlichung.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace pinwick;
using namespace pinwick::test;
using E = SchnappschussPruefung::Ergebnis;

namespace {

constexpr int64_t T0 = 1796886000; // 2026-12-10T07:00:00Z

QDateTime Sekunde(int64_t s) {
    return QDateTime::fromSecsSinceEpoch(s, QTimeZone::utc());
}

QByteArray Lesen(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Schreiben(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(inhalt);
}

struct VersionFall {
    const char* name;
    std::optional<uint64_t> zuletzt;
    int64_t jetzt; // seconds
    uint64_t erwartet;
};
void PrintTo(const VersionFall& f, std::ostream* os) {
    *os << f.name;
}

class VersionWahl : public ::testing::TestWithParam<VersionFall> {};
TEST_P(VersionWahl, Regel) {
    const VersionFall& f = GetParam();
    EXPECT_EQ(VersionWaehlen(f.zuletzt, Sekunde(f.jetzt)), f.erwartet);
}
INSTANTIATE_TEST_SUITE_P(
    Veroeffentlichung, VersionWahl,
    ::testing::Values(VersionFall{"erste", std::nullopt, T0, T0 * 1000},
                      VersionFall{"uhr_voraus", 5, T0, T0 * 1000},
                      VersionFall{"zaehler_voraus", T0 * 1000 + 7, T0, T0 * 1000 + 8},
                      VersionFall{"gleiche_millisekunde", T0 * 1000, T0, T0 * 1000 + 1},
                      // A clock set back never takes the counter back.
                      VersionFall{"uhr_zurueck", T0 * 1000, T0 - 3600, T0 * 1000 + 1},
                      VersionFall{"uhr_vor_1970", std::nullopt, -10, 1}),
    [](const auto& info) { return std::string(info.param.name); });

class Sender : public ::testing::Test {
public:
    void SetUp() override {
        schluessel_ = MinisignSchluessel(arbeit_.path(), QStringLiteral("sender"));
        ASSERT_FALSE(schluessel_.isEmpty()) << "minisign makes no key";
        oeffentlich_ = OeffentlicherSchluessel(arbeit_.filePath(QStringLiteral("sender.pub")));
        ordner_ = arbeit_.filePath(QStringLiteral("www"));
        QDir().mkpath(ordner_);
    }

    VeroeffentlichungsErgebnis Jetzt(int64_t sekunde, int notizen = 3, bool vorgehasht = true) {
        VeroeffentlichungsAuftrag a;
        a.ordner = ordner_;
        a.schluesselDatei = schluessel_;
        a.jetzt = Sekunde(sekunde);
        a.vorgehasht = vorgehasht;
        a.einstellungen = BeispielEinstellungen();
        a.notizen = BeispielNotizen(notizen);
        return Veroeffentlichen(a);
    }
    QString Datei(const char* name) const { return QDir(ordner_).filePath(QLatin1String(name)); }
    QByteArray Nutzlast() const { return Lesen(Datei(SchnappschussName)); }
    QByteArray Signatur() const { return Lesen(Datei(SchnappschussSignaturName)); }
    SchnappschussPruefung Pruefen() const {
        return SchnappschussPruefen(Nutzlast(), Signatur(), oeffentlich_);
    }

    QTemporaryDir arbeit_;
    QString schluessel_;
    QByteArray oeffentlich_;
    QString ordner_;
};

TEST_F(Sender, ZweiDateienNichtsSonst) {
    const VeroeffentlichungsErgebnis e = Jetzt(T0, 12);
    ASSERT_TRUE(e.fehler.isEmpty()) << e.fehler.toStdString();
    EXPECT_EQ(e.version, uint64_t(T0) * 1000);
    // No temporary file is left behind for the web server to list.
    EXPECT_EQ(QDir(ordner_).entryList(QDir::Files | QDir::Hidden),
              QStringList({QLatin1String(SchnappschussName), QLatin1String(SchnappschussSignaturName)}));
    // Readable by a web server that runs as another user.
    EXPECT_TRUE(QFileInfo(Datei(SchnappschussName)).permissions() & QFileDevice::ReadOther);
    EXPECT_TRUE(QFileInfo(Datei(SchnappschussSignaturName)).permissions() & QFileDevice::ReadOther);
    EXPECT_EQ(Lesen(ZaehlerDatei(schluessel_)), QByteArray::number(e.version) + '\n');

    const SchnappschussPruefung p = Pruefen();
    ASSERT_EQ(p.ergebnis, E::Gut) << p.grund.toStdString();
    EXPECT_EQ(p.schnappschuss->kopf.version, e.version);
    EXPECT_EQ(p.schnappschuss->kopf.veroeffentlicht, Sekunde(T0));
    EXPECT_EQ(p.schnappschuss->kopf.ablauf, Sekunde(T0 + 7 * 24 * 3600));
    EXPECT_EQ(p.schnappschuss->notizen, BeispielNotizen(12));
    EXPECT_EQ(p.schnappschuss->einstellungen, BeispielEinstellungen());
}

// `minisign -Vm` verifies what was published, in both signature forms.
TEST_F(Sender, MinisignPrueft) {
    for (const bool vorgehasht : {true, false}) {
        SCOPED_TRACE(vorgehasht);
        ASSERT_TRUE(Jetzt(T0 + vorgehasht, 2, vorgehasht).fehler.isEmpty());
        const Lauf l = Minisign({QStringLiteral("-Vm"), Datei(SchnappschussName), QStringLiteral("-p"),
                                 arbeit_.filePath(QStringLiteral("sender.pub"))});
        EXPECT_EQ(l.status, 0) << l.ausgabe.toStdString();
        EXPECT_TRUE(l.ausgabe.contains(QStringLiteral("pinwick-broadcast format:1"))) << l.ausgabe.toStdString();
    }
}

struct WiederholungFall {
    const char* name;
    // Between a publication at T0 and the next: what happens to the
    // counter, the folder, the clock.
    std::function<void(Sender&)> dazwischen;
    int64_t zweiteSekunde;
    std::function<uint64_t(uint64_t erste)> erwartet; // 0: refused
};
void PrintTo(const WiederholungFall& f, std::ostream* os) {
    *os << f.name;
}

class Wiederholung : public Sender, public ::testing::WithParamInterface<WiederholungFall> {
public:
    QString Zaehler() const { return ZaehlerDatei(schluessel_); }
};

TEST_P(Wiederholung, VersionWaechst) {
    const WiederholungFall& f = GetParam();
    const VeroeffentlichungsErgebnis erste = Jetzt(T0);
    ASSERT_TRUE(erste.fehler.isEmpty()) << erste.fehler.toStdString();
    if (f.dazwischen)
        f.dazwischen(*this);
    const VeroeffentlichungsErgebnis zweite = Jetzt(f.zweiteSekunde, 5);
    const uint64_t erwartet = f.erwartet(erste.version);
    if (erwartet == 0) {
        EXPECT_FALSE(zweite.fehler.isEmpty());
        // Nothing was published: the folder still holds the first.
        EXPECT_EQ(Pruefen().schnappschuss->kopf.version, erste.version);
        return;
    }
    ASSERT_TRUE(zweite.fehler.isEmpty()) << zweite.fehler.toStdString();
    EXPECT_EQ(zweite.version, erwartet);
    EXPECT_GT(zweite.version, erste.version);
    const SchnappschussPruefung p = Pruefen();
    ASSERT_EQ(p.ergebnis, E::Gut) << p.grund.toStdString();
    EXPECT_EQ(p.schnappschuss->kopf.version, zweite.version);
    EXPECT_EQ(p.schnappschuss->notizen.size(), 5);
    EXPECT_EQ(Lesen(ZaehlerDatei(schluessel_)), QByteArray::number(zweite.version) + '\n');
}

QList<WiederholungFall> WiederholungFaelle() {
    const auto eins = [](uint64_t v) { return v + 1; };
    return {
        {"gleiche_sekunde", {}, T0, eins},
        {"zehn_sekunden_spaeter", {}, T0 + 10, [](uint64_t) { return uint64_t(T0 + 10) * 1000; }},
        {"uhr_zurueckgestellt", {}, T0 - 3600, eins},
        {"zaehler_verloren",
         [](Sender& t) { QFile::remove(ZaehlerDatei(t.schluessel_)); }, T0, eins},
        // The key restored from a backup with an old counter: the folder's
        // signature says what was published since.
        {"zaehler_aus_alter_sicherung",
         [](Sender& t) { Schreiben(ZaehlerDatei(t.schluessel_), "5\n"); }, T0, eins},
        // Key and folder both restored (or a new folder): the clock has
        // moved on since.
        {"zaehler_und_ordner_verloren",
         [](Sender& t) {
             QFile::remove(ZaehlerDatei(t.schluessel_));
             QFile::remove(t.Datei(SchnappschussName));
             QFile::remove(t.Datei(SchnappschussSignaturName));
         },
         T0 + 1, [](uint64_t) { return uint64_t(T0 + 1) * 1000; }},
        // A signature in the folder from another key does not count.
        {"fremde_signatur_im_ordner",
         [](Sender& t) {
             QByteArray s = Lesen(t.Datei(SchnappschussSignaturName));
             Schreiben(t.Datei(SchnappschussSignaturName),
                       s.replace("version:", "version:9").replace("key:", "key:0"));
         },
         T0, eins},
        {"zaehler_beschaedigt",
         [](Sender& t) { Schreiben(ZaehlerDatei(t.schluessel_), "zwölf\n"); }, T0 + 5,
         [](uint64_t) { return uint64_t(0); }},
    };
}

INSTANTIATE_TEST_SUITE_P(Veroeffentlichung, Wiederholung, ::testing::ValuesIn(WiederholungFaelle()),
                         [](const auto& info) { return std::string(info.param.name); });

struct FehlerFall {
    const char* name;
    std::function<void(VeroeffentlichungsAuftrag&, const QString& arbeit)> aendern;
    const char* grund;
};
void PrintTo(const FehlerFall& f, std::ostream* os) {
    *os << f.name;
}

class Verweigert : public Sender, public ::testing::WithParamInterface<FehlerFall> {};

TEST_P(Verweigert, NichtsVeroeffentlicht) {
    VeroeffentlichungsAuftrag a;
    a.ordner = ordner_;
    a.schluesselDatei = schluessel_;
    a.einstellungen = BeispielEinstellungen();
    a.notizen = BeispielNotizen(2);
    GetParam().aendern(a, arbeit_.path());
    const VeroeffentlichungsErgebnis e = Veroeffentlichen(a);
    EXPECT_TRUE(e.fehler.contains(QLatin1String(GetParam().grund))) << e.fehler.toStdString();
    EXPECT_EQ(e.version, 0u);
    EXPECT_TRUE(QDir(ordner_).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_FALSE(QFile::exists(ZaehlerDatei(schluessel_)));
}

INSTANTIATE_TEST_SUITE_P(
    Veroeffentlichung, Verweigert,
    ::testing::Values(
        FehlerFall{"kein_schluessel",
                   [](auto& a, const QString& w) { a.schluesselDatei = w + QStringLiteral("/fehlt.key"); },
                   "cannot read the secret key"},
        FehlerFall{"oeffentlicher_schluessel",
                   [](auto& a, const QString& w) { a.schluesselDatei = w + QStringLiteral("/sender.pub"); },
                   "not a minisign secret key"},
        FehlerFall{"kein_ordner",
                   [](auto& a, const QString& w) { a.ordner = w + QStringLiteral("/fehlt"); }, "no folder"},
        FehlerFall{"abgelaufen", [](auto& a, const QString&) { a.gueltigSekunden = 0; },
                   "the expiry must lie after the publication"},
        FehlerFall{"falsche_spalte",
                   [](auto& a, const QString&) { a.notizen[0][QStringLiteral("inhalt")] = 5; },
                   "inhalt: not a text"}),
    [](const auto& info) { return std::string(info.param.name); });

// A receiver reading while the broadcaster publishes again and again sees
// a consistent pair or one it recognises as mixed, never half a file and
// never what looks like a forgery; in both orders of fetching.
TEST_F(Sender, LeserSiehtNieHalbes) {
    ASSERT_TRUE(Jetzt(T0).fehler.isEmpty());
    std::atomic<bool> fertig{false};
    std::atomic<int> gut{0}, unterwegs{0}, abgelehnt{0};
    std::string erstesAbgelehnt;
    const auto lesen = [&](bool signaturZuerst) {
        do {
            QByteArray n, s;
            if (signaturZuerst) {
                s = Signatur();
                n = Nutzlast();
            } else {
                n = Nutzlast();
                s = Signatur();
            }
            const SchnappschussPruefung p = SchnappschussPruefen(n, s, oeffentlich_);
            if (p.ergebnis == E::Gut) {
                ++gut;
            } else if (p.ergebnis == E::Unterwegs) {
                ++unterwegs;
            } else if (abgelehnt++ == 0) {
                erstesAbgelehnt = p.grund.toStdString();
            }
        } while (!fertig);
    };
    std::thread a(lesen, true), b(lesen, false);
    for (int i = 1; i <= 60; ++i)
        EXPECT_TRUE(Jetzt(T0 + i, 200 + i).fehler.isEmpty());
    fertig = true;
    a.join();
    b.join();
    EXPECT_EQ(abgelehnt, 0) << erstesAbgelehnt;
    EXPECT_GT(gut, 0);
    EXPECT_EQ(Pruefen().schnappschuss->notizen.size(), 260);
}

// The key as `minisign -G` makes it, encrypted; the password from a file,
// as a service has it. Deriving takes a gigabyte and seconds, so this is
// done once here; wrong passwords are in the table of small keys.
TEST_F(Sender, VerschluesselterMinisignSchluessel) {
    const QString geheim = MinisignSchluessel(arbeit_.path(), QStringLiteral("dienst"), "Pinwick-2026");
    ASSERT_FALSE(geheim.isEmpty());
    const QString passwortDatei = arbeit_.filePath(QStringLiteral("passwort"));
    Schreiben(passwortDatei, "Pinwick-2026\n");
    QString grund;
    const std::optional<QByteArray> passwort = PasswortHolen(passwortDatei, PasswortUmgebung, &grund);
    ASSERT_TRUE(passwort) << grund.toStdString();

    VeroeffentlichungsAuftrag a;
    a.ordner = ordner_;
    a.schluesselDatei = geheim;
    a.passwort = *passwort;
    a.einstellungen = BeispielEinstellungen();
    a.notizen = BeispielNotizen(3);
    const VeroeffentlichungsErgebnis e = Veroeffentlichen(a);
    ASSERT_TRUE(e.fehler.isEmpty()) << e.fehler.toStdString();
    const Lauf l = Minisign({QStringLiteral("-Vm"), Datei(SchnappschussName), QStringLiteral("-p"),
                             arbeit_.filePath(QStringLiteral("dienst.pub"))});
    EXPECT_EQ(l.status, 0) << l.ausgabe.toStdString();
}

// Served by a web server and fetched with the program's client: signature
// first, then the payload, as a receiver does.
TEST_F(Sender, UeberHttp) {
    qputenv("no_proxy", "127.0.0.1,localhost");
    const VeroeffentlichungsErgebnis e = Jetzt(T0, 40);
    ASSERT_TRUE(e.fehler.isEmpty());
    HttpTestServer server(false, ordner_);
    ASSERT_TRUE(server.Fehler().isEmpty()) << server.Fehler().toStdString();
    HttpAbruf abruf;
    const auto holen = [&](const char* name) {
        HttpAnfrage anfrage;
        anfrage.adresse = server.Adresse(QStringLiteral("/datei/") + QLatin1String(name));
        const HttpAntwort antwort = pinwick::test::HttpHolen(abruf, anfrage);
        EXPECT_TRUE(antwort.Erfolg()) << antwort.fehlerText.toStdString();
        return antwort.inhalt;
    };
    const QByteArray signatur = holen(SchnappschussSignaturName);
    const QByteArray nutzlast = holen(SchnappschussName);
    const SchnappschussPruefung p = SchnappschussPruefen(nutzlast, signatur, oeffentlich_);
    ASSERT_EQ(p.ergebnis, E::Gut) << p.grund.toStdString();
    EXPECT_EQ(p.schnappschuss->notizen.size(), 40);
    EXPECT_TRUE(SchnappschussAnnehmen(p.schnappschuss->kopf, e.version, Sekunde(T0 + 60)).angenommen);
    EXPECT_FALSE(SchnappschussAnnehmen(p.schnappschuss->kopf, e.version + 1, Sekunde(T0 + 60)).angenommen);
}

} // namespace
