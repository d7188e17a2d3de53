// Signing and checking snapshots, with keys and signatures of the minisign
// tool on one side and ours on the other.

#include "Schnappschuss.h"
#include "SchnappschussHilfe.h"
#include "SchnappschussSignatur.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <functional>
#include <gtest/gtest.h>

using namespace pinwick;
using namespace pinwick::test;
using E = SchnappschussPruefung::Ergebnis;

namespace {

QByteArray Lesen(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Schreiben(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

// Two key pairs made by `minisign -G -W`, and a snapshot signed with the
// first in several ways.
class Signaturen : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ordner_ = new QTemporaryDir;
        const QString a = MinisignSchluessel(ordner_->path(), QStringLiteral("a"));
        const QString b = MinisignSchluessel(ordner_->path(), QStringLiteral("b"));
        if (a.isEmpty() || b.isEmpty())
            return;
        geheimA_ = new GeheimSchluessel(*GeheimSchluessel::Lesen(Lesen(a), {}));
        oeffentlichA_ = OeffentlicherSchluessel(ordner_->filePath(QStringLiteral("a.pub")));
        oeffentlichB_ = OeffentlicherSchluessel(ordner_->filePath(QStringLiteral("b.pub")));
    }
    static void TearDownTestSuite() {
        delete geheimA_;
        delete ordner_;
        geheimA_ = nullptr;
        ordner_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(geheimA_, nullptr) << "minisign makes no keys"; }

    static Schnappschuss Beispiel(uint64_t version) {
        Schnappschuss s;
        s.kopf.version = version;
        s.kopf.veroeffentlicht = QDateTime::fromSecsSinceEpoch(1796886000, QTimeZone::utc());
        s.kopf.ablauf = s.kopf.veroeffentlicht.addDays(7);
        s.kopf.schluessel = geheimA_->Id();
        s.einstellungen = BeispielEinstellungen();
        s.notizen = BeispielNotizen(4);
        return s;
    }
    static QByteArray Nutzlast(uint64_t version) { return *SchnappschussSchreiben(Beispiel(version)); }
    static QByteArray Signatur(uint64_t version, bool vorgehasht = true) {
        return geheimA_->Signieren(Nutzlast(version), KommentarSchreiben(Beispiel(version).kopf),
                                   vorgehasht);
    }
    // Signed by the minisign tool with key a: prehashed, or legacy (-l).
    static QByteArray MinisignSignatur(const QByteArray& nutzlast, const QByteArray& kommentar,
                                       bool legacy) {
        const QString datei = ordner_->filePath(QStringLiteral("nutzlast"));
        QFile f(datei);
        f.open(QIODevice::WriteOnly);
        f.write(nutzlast);
        f.close();
        QStringList argumente{QStringLiteral("-S"), QStringLiteral("-s"),
                              ordner_->filePath(QStringLiteral("a.key")), QStringLiteral("-m"),
                              datei, QStringLiteral("-t"), QString::fromUtf8(kommentar)};
        if (legacy)
            argumente << QStringLiteral("-l");
        const Lauf l = Minisign(argumente);
        EXPECT_EQ(l.status, 0) << l.ausgabe.toStdString();
        return Lesen(datei + QStringLiteral(".minisig"));
    }

    static QTemporaryDir* ordner_;
    static GeheimSchluessel* geheimA_;
    static QByteArray oeffentlichA_;
    static QByteArray oeffentlichB_;
};
QTemporaryDir* Signaturen::ordner_ = nullptr;
GeheimSchluessel* Signaturen::geheimA_ = nullptr;
QByteArray Signaturen::oeffentlichA_;
QByteArray Signaturen::oeffentlichB_;

struct Paar {
    QByteArray nutzlast, signatur, schluessel;
};

struct PruefFall {
    const char* name;
    std::function<Paar()> paar;
    E ergebnis;
    const char* grund; // part of the reason
};
void PrintTo(const PruefFall& f, std::ostream* os) {
    *os << f.name;
}

class PruefFaelle : public Signaturen, public ::testing::WithParamInterface<PruefFall> {
public:
    static QList<PruefFall> Faelle();
};

QList<PruefFall> PruefFaelle::Faelle() {
    const auto a = [] { return oeffentlichA_; };
    return {
        {"vorgehasht", [=] { return Paar{Nutzlast(7), Signatur(7), a()}; }, E::Gut, ""},
        {"legacy", [=] { return Paar{Nutzlast(7), Signatur(7, false), a()}; }, E::Gut, ""},
        {"minisign_vorgehasht",
         [=] {
             return Paar{Nutzlast(7),
                         MinisignSignatur(Nutzlast(7), KommentarSchreiben(Beispiel(7).kopf), false),
                         a()};
         },
         E::Gut, ""},
        {"minisign_legacy",
         [=] {
             return Paar{Nutzlast(7),
                         MinisignSignatur(Nutzlast(7), KommentarSchreiben(Beispiel(7).kopf), true),
                         a()};
         },
         E::Gut, ""},
        {"pub_datei_als_schluessel",
         [=] {
             return Paar{Nutzlast(7), Signatur(7),
                         Lesen(ordner_->filePath(QStringLiteral("a.pub")))};
         },
         E::Gut, ""},
        {"nutzlast_veraendert",
         [=] {
             QByteArray n = Nutzlast(7);
             n.replace("Notiz 2", "Notiz 9");
             return Paar{n, Signatur(7), a()};
         },
         E::Abgelehnt, "signature does not match the key"},
        {"nutzlast_veraendert_legacy",
         [=] {
             QByteArray n = Nutzlast(7);
             n.replace("Notiz 2", "Notiz 9");
             return Paar{n, Signatur(7, false), a()};
         },
         E::Abgelehnt, "signature does not match the key"},
        {"nutzlast_abgeschnitten",
         [=] { return Paar{Nutzlast(7).chopped(10), Signatur(7), a()}; }, E::Abgelehnt,
         "signature does not match the key"},
        // The comment says version 8, so the pair would pass for a newer
        // publication: the global signature stops it.
        {"kommentar_veraendert",
         [=] {
             QByteArray s = Signatur(7);
             s.replace("version:7 ", "version:8 ");
             return Paar{Nutzlast(7), s, a()};
         },
         E::Abgelehnt, "signature does not match the key (trusted comment)"},
        {"ablauf_im_kommentar_veraendert",
         [=] {
             QByteArray s = Signatur(7);
             const QByteArray alt = "expires:" + SchnappschussZeit(Beispiel(7).kopf.ablauf).toLatin1();
             s.replace(alt, "expires:2099-01-01T00:00:00Z");
             return Paar{Nutzlast(7), s, a()};
         },
         E::Abgelehnt, "signature does not match the key (trusted comment)"},
        {"falscher_schluessel", [=] { return Paar{Nutzlast(7), Signatur(7), oeffentlichB_}; },
         E::Abgelehnt, "signature does not match the key (signed with key"},
        // Another key that claims the key number of the right one.
        {"fremder_schluessel_gleiche_nummer",
         [=] {
             QByteArray b = QByteArray::fromBase64(oeffentlichB_);
             b.replace(2, 8, QByteArray::fromBase64(oeffentlichA_).mid(2, 8));
             return Paar{Nutzlast(7), Signatur(7), b.toBase64()};
         },
         E::Abgelehnt, "signature does not match the key (trusted comment)"},
        {"fremder_kommentar",
         [=] {
             return Paar{Nutzlast(7), MinisignSignatur(Nutzlast(7), "timestamp:1\tfile:x", false),
                         a()};
         },
         E::Abgelehnt, "not a snapshot's comment"},
        // Signed correctly, but the comment names another version than the
        // payload holds.
        {"kommentar_passt_nicht",
         [=] {
             return Paar{Nutzlast(7), geheimA_->Signieren(Nutzlast(7), KommentarSchreiben(Beispiel(8).kopf)),
                         a()};
         },
         E::Abgelehnt, "does not match the snapshot"},
        // Fetched while the broadcaster replaced both files: retried, not
        // reported as a forgery.
        {"neue_nutzlast_alte_signatur", [=] { return Paar{Nutzlast(8), Signatur(7), a()}; },
         E::Unterwegs, "two publications"},
        {"alte_nutzlast_neue_signatur", [=] { return Paar{Nutzlast(7), Signatur(8), a()}; },
         E::Unterwegs, "two publications"},
        {"signatur_kaputt", [=] { return Paar{Nutzlast(7), QByteArray("hallo\n"), a()}; },
         E::Abgelehnt, "the signature is malformed"},
        {"signatur_leer", [=] { return Paar{Nutzlast(7), QByteArray(), a()}; }, E::Abgelehnt,
         "the signature is malformed"},
        {"schluessel_kaputt", [=] { return Paar{Nutzlast(7), Signatur(7), QByteArray("RWQ")}; },
         E::Abgelehnt, "the broadcaster's key is not valid"},
        {"signiert_aber_kein_schnappschuss",
         [=] {
             const QByteArray n = "{\"hallo\": 1}";
             return Paar{n, geheimA_->Signieren(n, KommentarSchreiben(Beispiel(7).kopf)), a()};
         },
         E::Abgelehnt, "the snapshot is malformed"},
    };
}

TEST_P(PruefFaelle, Pruefen) {
    const PruefFall& f = GetParam();
    const Paar p = f.paar();
    const SchnappschussPruefung ergebnis = SchnappschussPruefen(p.nutzlast, p.signatur, p.schluessel);
    EXPECT_EQ(ergebnis.ergebnis, f.ergebnis) << ergebnis.grund.toStdString();
    EXPECT_TRUE(ergebnis.grund.contains(QLatin1String(f.grund))) << ergebnis.grund.toStdString();
    EXPECT_EQ(ergebnis.schnappschuss.has_value(), f.ergebnis == E::Gut);
    if (ergebnis.schnappschuss) {
        EXPECT_EQ(ergebnis.schnappschuss->kopf.version, 7u);
        EXPECT_EQ(ergebnis.schnappschuss->notizen.size(), 4);
    }
}

INSTANTIATE_TEST_SUITE_P(Signatur, PruefFaelle, ::testing::ValuesIn(PruefFaelle::Faelle()),
                         [](const auto& info) { return std::string(info.param.name); });

// What we sign, the minisign tool verifies: both forms, and the trusted
// comment it prints is ours.
TEST_F(Signaturen, MinisignPrueftUnsere) {
    for (const bool vorgehasht : {true, false}) {
        SCOPED_TRACE(vorgehasht);
        const QString datei = ordner_->filePath(QStringLiteral("broadcast.json"));
        Schreiben(datei, Nutzlast(9));
        Schreiben(datei + QStringLiteral(".minisig"), Signatur(9, vorgehasht));
        const Lauf l = Minisign({QStringLiteral("-V"), QStringLiteral("-m"), datei,
                                 QStringLiteral("-P"), QString::fromLatin1(oeffentlichA_)});
        EXPECT_EQ(l.status, 0) << l.ausgabe.toStdString();
        EXPECT_TRUE(l.ausgabe.contains(QString::fromUtf8(KommentarSchreiben(Beispiel(9).kopf))))
            << l.ausgabe.toStdString();
        // And it refuses a changed payload, as we do.
        Schreiben(datei, Nutzlast(9).replace("Notiz 1", "Notiz X"));
        EXPECT_NE(Minisign({QStringLiteral("-V"), QStringLiteral("-m"), datei, QStringLiteral("-P"),
                            QString::fromLatin1(oeffentlichA_)})
                      .status,
                  0);
    }
}

TEST_F(Signaturen, SchluesselWieMinisignIhnZeigt) {
    EXPECT_EQ(geheimA_->Oeffentlich(), oeffentlichA_);
    const QString pub = QString::fromUtf8(Lesen(ordner_->filePath(QStringLiteral("a.pub"))));
    // The tool prints the id without leading zeros (one key in sixteen has
    // one); the snapshot's format always carries all sixteen digits.
    QString ohneNullen = geheimA_->Id();
    while (ohneNullen.size() > 1 && ohneNullen.startsWith(u'0'))
        ohneNullen.remove(0, 1);
    EXPECT_EQ(geheimA_->Id().size(), 16);
    EXPECT_EQ(pub.section(u'\n', 0, 0),
              QStringLiteral("untrusted comment: minisign public key ") + ohneNullen)
        << pub.toStdString();
}

// Secret keys in minisign's format, encrypted with small limits so that the
// table runs quickly; the real `minisign -G` key is below.
struct SchluesselFall {
    const char* name;
    std::function<QByteArray(QByteArray* oeffentlich)> datei;
    QByteArray passwort;
    const char* grund; // nullptr: read
};
void PrintTo(const SchluesselFall& f, std::ostream* os) {
    *os << f.name;
}

class GeheimSchluesselFaelle : public ::testing::TestWithParam<SchluesselFall> {};

TEST_P(GeheimSchluesselFaelle, Lesen) {
    const SchluesselFall& f = GetParam();
    QByteArray oeffentlich;
    const QByteArray datei = f.datei(&oeffentlich);
    QString grund;
    const std::optional<GeheimSchluessel> s = GeheimSchluessel::Lesen(datei, f.passwort, &grund);
    if (f.grund) {
        EXPECT_FALSE(s);
        EXPECT_TRUE(grund.contains(QLatin1String(f.grund))) << grund.toStdString();
        return;
    }
    ASSERT_TRUE(s) << grund.toStdString();
    EXPECT_EQ(s->Oeffentlich(), oeffentlich);
    // It signs what its public key verifies.
    Schnappschuss x;
    x.kopf.version = 3;
    x.kopf.veroeffentlicht = QDateTime::fromSecsSinceEpoch(1796886000, QTimeZone::utc());
    x.kopf.ablauf = x.kopf.veroeffentlicht.addDays(1);
    x.kopf.schluessel = s->Id();
    x.einstellungen = BeispielEinstellungen();
    const QByteArray n = *SchnappschussSchreiben(x);
    EXPECT_EQ(SchnappschussPruefen(n, s->Signieren(n, KommentarSchreiben(x.kopf)), oeffentlich).ergebnis,
              E::Gut);
}

INSTANTIATE_TEST_SUITE_P(
    Signatur, GeheimSchluesselFaelle,
    ::testing::Values(
        SchluesselFall{"verschluesselt",
                       [](QByteArray* o) { return KleinVerschluesselt("geheim", o); }, "geheim",
                       nullptr},
        SchluesselFall{"falsches_passwort",
                       [](QByteArray* o) { return KleinVerschluesselt("geheim", o); }, "Geheim",
                       "wrong password for the key"},
        SchluesselFall{"ohne_passwort",
                       [](QByteArray* o) { return KleinVerschluesselt("geheim", o); }, "",
                       "a password is needed"},
        SchluesselFall{"pruefsumme_verdorben",
                       [](QByteArray* o) { return KleinVerschluesselt("geheim", o, true); },
                       "geheim", "wrong password for the key"},
        SchluesselFall{"unbekannte_ableitung",
                       [](QByteArray* o) {
                           QByteArray b = QByteArray::fromBase64(
                               KleinVerschluesselt("geheim", o).split('\n')[1]);
                           b.replace(2, 2, "Ar");
                           return b.toBase64();
                       },
                       "geheim", "encrypted in a way not known here"},
        SchluesselFall{"oeffentlicher_statt_geheimer",
                       [](QByteArray* o) {
                           KleinVerschluesselt("geheim", o);
                           return *o;
                       },
                       "geheim", "not a minisign secret key"},
        SchluesselFall{"unsinn", [](QByteArray*) { return QByteArray("hallo welt"); }, "geheim",
                       "not a minisign secret key"},
        SchluesselFall{"zu_gross", [](QByteArray*) { return QByteArray(5000, 'A'); }, "geheim",
                       "not a minisign secret key"}),
    [](const auto& info) { return std::string(info.param.name); });

// Damaged where no checksum looks: the public half no longer belongs to the
// seed of a key that is not encrypted.
TEST_F(Signaturen, UnverschluesseltBeschaedigt) {
    QByteArray b = QByteArray::fromBase64(Lesen(ordner_->filePath(QStringLiteral("a.key"))).split('\n')[1]);
    b[62 + 40] = static_cast<char>(b[62 + 40] ^ 1);
    QString grund;
    EXPECT_FALSE(GeheimSchluessel::Lesen(b.toBase64(), {}, &grund));
    EXPECT_EQ(grund, QStringLiteral("the secret key is damaged"));
}

struct PasswortFall {
    const char* name;
    const char* dateiInhalt; // nullptr: no file
    const char* umgebung;    // nullptr: unset
    const char* erwartet;    // nullptr: none
};
void PrintTo(const PasswortFall& f, std::ostream* os) {
    *os << f.name;
}

class PasswortFaelle : public ::testing::TestWithParam<PasswortFall> {};

TEST_P(PasswortFaelle, Holen) {
    const PasswortFall& f = GetParam();
    QTemporaryDir ordner;
    QString datei;
    if (f.dateiInhalt) {
        datei = ordner.filePath(QStringLiteral("passwort"));
        Schreiben(datei, f.dateiInhalt);
    }
    if (f.umgebung)
        qputenv("PINWICK_TEST_PASSWORT", f.umgebung);
    else
        qunsetenv("PINWICK_TEST_PASSWORT");
    QString grund;
    const std::optional<QByteArray> p = PasswortHolen(datei, "PINWICK_TEST_PASSWORT", &grund);
    qunsetenv("PINWICK_TEST_PASSWORT");
    if (f.erwartet) {
        EXPECT_EQ(p, QByteArray(f.erwartet)) << grund.toStdString();
    } else {
        EXPECT_FALSE(p);
        EXPECT_FALSE(grund.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Signatur, PasswortFaelle,
    ::testing::Values(PasswortFall{"datei", "geheim\n", nullptr, "geheim"},
                      PasswortFall{"datei_crlf", "geheim\r\nzweite Zeile\n", nullptr, "geheim"},
                      PasswortFall{"datei_mit_leerzeichen", " ge heim \n", nullptr, " ge heim "},
                      // The file, when given, wins over the environment.
                      PasswortFall{"datei_vor_umgebung", "aus-datei\n", "aus-umgebung", "aus-datei"},
                      PasswortFall{"umgebung", nullptr, "aus-umgebung", "aus-umgebung"},
                      PasswortFall{"leere_datei", "\n", "aus-umgebung", nullptr},
                      PasswortFall{"leere_umgebung", nullptr, "", nullptr},
                      PasswortFall{"nichts", nullptr, nullptr, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
