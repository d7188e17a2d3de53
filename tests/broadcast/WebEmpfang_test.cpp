// The bar's side of receiving over the web: the accepted snapshot kept as a
// notes file the rebuilds read, the desk's record of it, and the
// system-wide setting with its rules of trust.

#include "Datenbank.h"
#include "SchnappschussHilfe.h"
#include "WebEmpfang.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pinwick;
using namespace pinwick::test;

namespace {

const char* const Schluessel = "RWTzoRtuAA3KRvRuUGBRAO040o0mNefWXDUe7qY5fK1rJ+J2Oiky42lK";

// What the bar reads from the copy is what the snapshot held, and a new copy
// replaces the old one whole.
TEST(WebKopie, WieDerSchnappschuss) {
    QTemporaryDir ordner;
    const QString ziel = ordner.filePath(QStringLiteral("kopie.kav"));
    for (const int anzahl : {7, 2, 0}) {
        SCOPED_TRACE(anzahl);
        Schnappschuss s;
        s.einstellungen = BeispielEinstellungen();
        s.notizen = BeispielNotizen(anzahl);
        ASSERT_NO_THROW(SchnappschussAlsDatei(s, ziel));
        EXPECT_FALSE(QFile::exists(ziel + QStringLiteral(".neu")));
        Datenbank db(ziel, Datenbank::Zugriff::NurLesen);
        auto notizen = db.OpenRecordset(QStringLiteral("select * from Notizen"));
        ASSERT_EQ(notizen->RecordCount(), anzahl);
        int i = 0;
        for (notizen->MoveFirst(); !notizen->Eof(); notizen->MoveNext(), ++i)
            for (auto it = s.notizen[i].cbegin(); it != s.notizen[i].cend(); ++it)
                EXPECT_EQ(notizen->Feld(it.key()).roh().toString(), it.value().toString()) << it.key().toStdString();
        auto einstellungen = db.OpenRecordset(QStringLiteral("select * from Einstellungen"));
        ASSERT_EQ(einstellungen->RecordCount(), 1);
        einstellungen->MoveFirst();
        EXPECT_EQ(einstellungen->Feld(u"fensterHgFarbe").alsDouble(), 16744576);
        EXPECT_TRUE(einstellungen->Feld(u"broadcastPfad").istNull());
        EXPECT_EQ(einstellungen->Feld(u"passWort").alsText(),
                  s.einstellungen.value(QStringLiteral("passWort")).toString());
    }
}

struct StandFall {
    const char* name;
    QByteArray text;
    bool gut;
};
void PrintTo(const StandFall& f, std::ostream* os) { *os << f.name; }
class Stand : public ::testing::TestWithParam<StandFall> {};
TEST_P(Stand, Lesen) {
    const std::optional<WebStand> s = WebStandLesen(GetParam().text);
    EXPECT_EQ(s.has_value(), GetParam().gut);
}
INSTANTIATE_TEST_SUITE_P(
    WebEmpfang, Stand,
    ::testing::Values(
        StandFall{"gut", "adresse https://a/broadcast.json\nschluessel K\nversion 17\nablauf 2026-12-17T07:00:00Z\n", true},
        StandFall{"ohne_version", "adresse https://a/\nschluessel K\nablauf 2026-12-17T07:00:00Z\n", false},
        StandFall{"version_kein_zahl", "adresse https://a/\nversion x\nablauf 2026-12-17T07:00:00Z\n", false},
        StandFall{"ohne_ablauf", "adresse https://a/\nversion 3\n", false},
        StandFall{"leer", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WebEmpfang, StandHinUndZurueck) {
    const WebStand s{QStringLiteral("https://n.example/broadcast.json"), QLatin1String(Schluessel),
                     1796886000123, QDateTime::fromSecsSinceEpoch(1796886000, QTimeZone::utc())};
    const std::optional<WebStand> z = WebStandLesen(WebStandSchreiben(s));
    ASSERT_TRUE(z);
    EXPECT_EQ(z->adresse, s.adresse);
    EXPECT_EQ(z->schluessel, s.schluessel);
    EXPECT_EQ(z->version, s.version);
    EXPECT_EQ(z->ablauf, s.ablauf);
}

struct VertrauensFall {
    const char* name;
    uint32_t besitzer, modus;
    bool vertraut;
};
void PrintTo(const VertrauensFall& f, std::ostream* os) { *os << f.name; }
class Vertrauen : public ::testing::TestWithParam<VertrauensFall> {};
TEST_P(Vertrauen, Regel) {
    EXPECT_EQ(KonfVertrauen(GetParam().besitzer, GetParam().modus, 0), GetParam().vertraut);
}
INSTANTIATE_TEST_SUITE_P(
    WebEmpfang, Vertrauen,
    ::testing::Values(VertrauensFall{"root_644", 0, 0100644, true},
                      VertrauensFall{"root_600", 0, 0100600, true},
                      VertrauensFall{"root_gruppe_schreibt", 0, 0100664, false},
                      VertrauensFall{"root_alle_schreiben", 0, 0100646, false},
                      VertrauensFall{"benutzer", 1000, 0100644, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct KonfFall {
    const char* name;
    QByteArray text;
    const char* adresse; // nullptr: refused
};
void PrintTo(const KonfFall& f, std::ostream* os) { *os << f.name; }
class Konf : public ::testing::TestWithParam<KonfFall> {};
TEST_P(Konf, Lesen) {
    QByteArray text = GetParam().text;
    text.replace("KEY", Schluessel);
    QString grund;
    const std::optional<BroadcastKonf> k = BroadcastKonfText(text, &grund);
    if (!GetParam().adresse) {
        EXPECT_FALSE(k);
        EXPECT_FALSE(grund.isEmpty());
        return;
    }
    ASSERT_TRUE(k) << grund.toStdString();
    EXPECT_EQ(k->adresse, QLatin1String(GetParam().adresse));
    EXPECT_EQ(k->schluessel, QByteArray(Schluessel));
}
INSTANTIATE_TEST_SUITE_P(
    WebEmpfang, Konf,
    ::testing::Values(
        KonfFall{"gut", "address = https://n.example/office/\nkey = KEY\n", "https://n.example/office/"},
        KonfFall{"kommentare_und_leerraum", "# the office\n  address=https://n.example/  # ours\n\nkey =  KEY \n",
                 "https://n.example/"},
        KonfFall{"ohne_schluessel", "address = https://n.example/\n", nullptr},
        KonfFall{"ohne_adresse", "key = KEY\n", nullptr},
        KonfFall{"freigabe_statt_adresse", "address = /mnt/share/pw.kav\nkey = KEY\n", nullptr},
        KonfFall{"schluessel_kaputt", "address = https://n.example/\nkey = RWQxyz\n", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// The file itself: taken only when its owner is the expected one and
// nobody else may write it.
TEST(WebEmpfang, KonfDatei) {
    QTemporaryDir ordner;
    const QString pfad = ordner.filePath(QStringLiteral("broadcast.conf"));
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("address = https://n.example/\nkey = ") + Schluessel + "\n");
    f.close();
    const uint32_t ich = static_cast<uint32_t>(::getuid());
    ::chmod(QFile::encodeName(pfad).constData(), 0644);
    EXPECT_TRUE(BroadcastKonfLesen(pfad, ich));
    EXPECT_FALSE(BroadcastKonfLesen(pfad, ich + 1));
    ::chmod(QFile::encodeName(pfad).constData(), 0666);
    QString grund;
    EXPECT_FALSE(BroadcastKonfLesen(pfad, ich, &grund));
    EXPECT_TRUE(grund.contains(QLatin1String("written by others"))) << grund.toStdString();
    EXPECT_FALSE(BroadcastKonfLesen(ordner.filePath(QStringLiteral("fehlt")), ich));
}

} // namespace
