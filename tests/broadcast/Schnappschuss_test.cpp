// The snapshot's format: what is written reads back the same, what does not
// fit is refused with a reason, and the rules a receiver accepts by.

#include "Schema.h"
#include "Schnappschuss.h"
#include "SchnappschussHilfe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>

using namespace pinwick;
using namespace pinwick::test;

namespace {

QDateTime Zeit(const char* text) {
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate).toUTC();
}

Schnappschuss Beispiel(int notizen = 3) {
    Schnappschuss s;
    s.kopf.version = 1765350000000;
    s.kopf.veroeffentlicht = Zeit("2026-12-10T07:00:00Z");
    s.kopf.ablauf = Zeit("2026-12-17T07:00:00Z");
    s.kopf.schluessel = QStringLiteral("BA9B49E2C42BF915");
    s.einstellungen = BeispielEinstellungen();
    s.notizen = BeispielNotizen(notizen);
    return s;
}

QJsonObject BeispielJson() {
    return QJsonDocument::fromJson(*SchnappschussSchreiben(Beispiel())).object();
}

// Every column of the program's tables travels, in their order and no
// other: a column added to a table must be added to the snapshot.
TEST(SchnappschussFormat, SpaltenWieDieTabellen) {
    QStringList notiz, tabelleNotiz, einstellung, tabelleEinstellung;
    for (const auto& s : NotizSpalten)
        notiz << QLatin1String(s.name);
    for (const char* n : schema::NotizenSpalten)
        tabelleNotiz << QLatin1String(n);
    for (const auto& s : EinstellungsSpalten)
        einstellung << QLatin1String(s.name);
    for (const char* n : schema::EinstellungenSpalten)
        tabelleEinstellung << QLatin1String(n);
    EXPECT_EQ(notiz, tabelleNotiz);
    EXPECT_EQ(einstellung, tabelleEinstellung);
}

TEST(SchnappschussFormat, GelesenWieGeschrieben) {
    const Schnappschuss s = Beispiel(50);
    QString grund;
    const std::optional<QByteArray> daten = SchnappschussSchreiben(s, &grund);
    ASSERT_TRUE(daten) << grund.toStdString();
    const std::optional<Schnappschuss> zurueck = SchnappschussLesen(*daten, &grund);
    ASSERT_TRUE(zurueck) << grund.toStdString();
    EXPECT_EQ(zurueck->kopf, s.kopf);
    EXPECT_EQ(zurueck->einstellungen, s.einstellungen);
    ASSERT_EQ(zurueck->notizen.size(), 50);
    EXPECT_EQ(zurueck->notizen, s.notizen);
    EXPECT_TRUE(zurueck->einstellungen.value(QStringLiteral("broadcastPfad")).isNull());
    EXPECT_EQ(zurueck->notizen[0].value(QStringLiteral("ID")).typeId(), QMetaType::LongLong);
}

struct LeseFall {
    const char* name;
    std::function<QByteArray()> daten;
    const char* grund; // nullptr: read
};
void PrintTo(const LeseFall& f, std::ostream* os) {
    *os << f.name;
}

QByteArray Mit(const std::function<void(QJsonObject&)>& aendern) {
    QJsonObject o = BeispielJson();
    aendern(o);
    return QJsonDocument(o).toJson();
}

QByteArray MitNotiz(const char* spalte, const QJsonValue& wert) {
    return Mit([&](QJsonObject& o) {
        QJsonArray n = o[QStringLiteral("notizen")].toArray();
        QJsonObject erste = n[0].toObject();
        erste[QLatin1String(spalte)] = wert;
        n[0] = erste;
        o[QStringLiteral("notizen")] = n;
    });
}

QByteArray MitKopf(const char* feld, const QJsonValue& wert) {
    return Mit([&](QJsonObject& o) { o[QLatin1String(feld)] = wert; });
}

const LeseFall LeseFaelle[] = {
    {"beispiel", [] { return *SchnappschussSchreiben(Beispiel()); }, nullptr},
    {"kein_json", [] { return QByteArray("{\"format\": 1,"); }, "not JSON"},
    {"liste", [] { return QByteArray("[1,2]"); }, "not a JSON object"},
    {"leer", [] { return QByteArray(); }, "not JSON"},
    {"neueres_format", [] { return MitKopf("format", 2); }, "a newer format (2)"},
    {"format_fehlt", [] { return Mit([](QJsonObject& o) { o.remove(QStringLiteral("format")); }); },
     "no format"},
    {"version_null", [] { return MitKopf("version", 0); }, "no valid version"},
    {"version_negativ", [] { return MitKopf("version", -5); }, "no valid version"},
    {"version_bruch", [] { return MitKopf("version", 1.5); }, "no valid version"},
    {"version_text", [] { return MitKopf("version", QStringLiteral("7")); }, "no valid version"},
    {"version_zu_gross", [] { return MitKopf("version", 1e17); }, "no valid version"},
    {"zeit_ohne_zone", [] { return MitKopf("veroeffentlicht", QStringLiteral("2026-12-10T07:00:00")); },
     "no valid time"},
    {"zeit_mit_bruch",
     [] { return MitKopf("ablauf", QStringLiteral("2026-12-17T07:00:00.5Z")); }, "no valid time"},
    {"zeit_unsinn", [] { return MitKopf("ablauf", QStringLiteral("2026-13-45T07:00:00Z")); },
     "no valid time"},
    {"ablauf_vor_veroeffentlichung",
     [] { return MitKopf("ablauf", QStringLiteral("2026-12-09T07:00:00Z")); }, "no valid expiry"},
    {"schluessel_klein", [] { return MitKopf("schluessel", QStringLiteral("ba9b49e2c42bf915")); },
     "no valid key id"},
    {"schluessel_fehlt",
     [] { return Mit([](QJsonObject& o) { o.remove(QStringLiteral("schluessel")); }); },
     "no valid key id"},
    {"notizen_fehlen", [] { return Mit([](QJsonObject& o) { o.remove(QStringLiteral("notizen")); }); },
     "no notes"},
    {"notizen_kein_feld", [] { return MitKopf("notizen", QJsonObject()); }, "no notes"},
    {"notiz_keine_zeile",
     [] { return MitKopf("notizen", QJsonArray{QJsonValue(3)}); }, "a row is not an object"},
    {"einstellungen_fehlen",
     [] { return Mit([](QJsonObject& o) { o.remove(QStringLiteral("einstellungen")); }); },
     "a row is not an object"},
    {"ganzzahl_mit_bruch", [] { return MitNotiz("Rhythmus", 1.5); }, "Rhythmus: not a whole number"},
    {"ganzzahl_als_text", [] { return MitNotiz("ID", QStringLiteral("1")); }, "ID: not a whole number"},
    {"zahl_als_text", [] { return MitNotiz("UhrVon", QStringLiteral("0.5")); }, "UhrVon: not a number"},
    {"text_als_zahl", [] { return MitNotiz("inhalt", 5); }, "inhalt: not a text"},
    {"text_zu_lang", [] { return MitNotiz("inhalt", QString(16385, u'x')); }, "inhalt: text too long"},
    {"text_gerade_recht", [] { return MitNotiz("inhalt", QString(16384, u'x')); }, nullptr},
    {"passwort_zu_lang",
     [] {
         return Mit([](QJsonObject& o) {
             QJsonObject e = o[QStringLiteral("einstellungen")].toObject();
             e[QStringLiteral("passWort")] = QString(1025, u'a');
             o[QStringLiteral("einstellungen")] = e;
         });
     },
     "passWort: text too long"},
    // A column the reader does not know is ignored, a missing one is NULL:
    // snapshots of older and newer publishers stay readable.
    {"unbekannte_spalte", [] { return MitNotiz("Farbe", 5); }, nullptr},
    {"fehlende_spalte",
     [] {
         return Mit([](QJsonObject& o) {
             QJsonArray n = o[QStringLiteral("notizen")].toArray();
             QJsonObject erste = n[0].toObject();
             erste.remove(QStringLiteral("Dauer"));
             n[0] = erste;
             o[QStringLiteral("notizen")] = n;
         });
     },
     nullptr},
    {"zu_viele_notizen",
     [] {
         QJsonArray n;
         for (int i = 0; i <= NotizenHoechstens; ++i)
             n.append(QJsonObject());
         return MitKopf("notizen", n);
     },
     "more than 20000 notes"},
    {"zu_gross",
     [] { return MitKopf("polster", QString(SchnappschussHoechstens, u' ')); }, "larger than"},
    {"tief_verschachtelt",
     [] { return QByteArray(100000, '[') + QByteArray(100000, ']'); }, "not JSON"},
};

class SchnappschussLesenFaelle : public ::testing::TestWithParam<LeseFall> {};

TEST_P(SchnappschussLesenFaelle, Lesen) {
    const LeseFall& f = GetParam();
    QString grund;
    const std::optional<Schnappschuss> s = SchnappschussLesen(f.daten(), &grund);
    if (!f.grund) {
        EXPECT_TRUE(s) << grund.toStdString();
    } else {
        EXPECT_FALSE(s);
        EXPECT_TRUE(grund.contains(QLatin1String(f.grund))) << grund.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Format, SchnappschussLesenFaelle, ::testing::ValuesIn(LeseFaelle),
                         [](const auto& info) { return std::string(info.param.name); });

struct SchreibFall {
    const char* name;
    std::function<void(Schnappschuss&)> aendern;
    const char* grund;
};
void PrintTo(const SchreibFall& f, std::ostream* os) {
    *os << f.name;
}

const SchreibFall SchreibFaelle[] = {
    {"text_in_ganzzahl",
     [](Schnappschuss& s) { s.notizen[0][QStringLiteral("Rhythmus")] = QStringLiteral("2"); },
     "Rhythmus: not a whole number"},
    {"unendlich",
     [](Schnappschuss& s) { s.notizen[0][QStringLiteral("UhrVon")] = qInf(); }, "UhrVon: not a number"},
    {"zahl_in_text", [](Schnappschuss& s) { s.einstellungen[QStringLiteral("SchriftName")] = 3; },
     "SchriftName: not a text"},
    {"text_zu_lang",
     [](Schnappschuss& s) { s.notizen[1][QStringLiteral("RhyDetails")] = QString(1025, u'1'); },
     "RhyDetails: text too long"},
    {"fremde_spalte", [](Schnappschuss& s) { s.notizen[0][QStringLiteral("Farbe")] = 1; },
     "Farbe: not a column"},
    {"ohne_version", [](Schnappschuss& s) { s.kopf.version = 0; }, "no valid version"},
    {"ohne_ablauf", [](Schnappschuss& s) { s.kopf.ablauf = {}; }, "no valid expiry"},
    {"abgelaufen_bei_veroeffentlichung",
     [](Schnappschuss& s) { s.kopf.ablauf = s.kopf.veroeffentlicht; }, "no valid expiry"},
    {"ohne_schluessel", [](Schnappschuss& s) { s.kopf.schluessel.clear(); }, "no valid key id"},
    {"zu_viele_notizen",
     [](Schnappschuss& s) { s.notizen = QList<SchnappschussZeile>(NotizenHoechstens + 1); },
     "more than 20000 notes"},
};

class SchnappschussSchreibenFaelle : public ::testing::TestWithParam<SchreibFall> {};

TEST_P(SchnappschussSchreibenFaelle, Verweigert) {
    Schnappschuss s = Beispiel();
    GetParam().aendern(s);
    QString grund;
    EXPECT_FALSE(SchnappschussSchreiben(s, &grund));
    EXPECT_TRUE(grund.contains(QLatin1String(GetParam().grund))) << grund.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Format, SchnappschussSchreibenFaelle, ::testing::ValuesIn(SchreibFaelle),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SchnappschussKommentar, GelesenWieGeschrieben) {
    const Schnappschuss s = Beispiel();
    const QByteArray k = KommentarSchreiben(s.kopf);
    EXPECT_EQ(k, "pinwick-broadcast format:1 version:1765350000000 published:2026-12-10T07:00:00Z "
                 "expires:2026-12-17T07:00:00Z key:BA9B49E2C42BF915");
    EXPECT_EQ(KommentarLesen(k), s.kopf);
}

struct KommentarFall {
    const char* kommentar;
    const char* grund;
};
void PrintTo(const KommentarFall& f, std::ostream* os) {
    *os << '"' << f.kommentar << '"';
}

class SchnappschussKommentarFaelle : public ::testing::TestWithParam<KommentarFall> {};

TEST_P(SchnappschussKommentarFaelle, Verweigert) {
    QString grund;
    EXPECT_FALSE(KommentarLesen(GetParam().kommentar, &grund));
    EXPECT_TRUE(grund.contains(QLatin1String(GetParam().grund))) << grund.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Format, SchnappschussKommentarFaelle,
    ::testing::Values(
        // minisign's own comment: a signature of some other file.
        KommentarFall{"timestamp:1796887432\tfile:broadcast.json\thashed", "not a snapshot's comment"},
        KommentarFall{"pinwick-broadcast format:1 version:5 published:2026-12-10T07:00:00Z "
                      "expires:2026-12-17T07:00:00Z",
                      "not a snapshot's comment"},
        KommentarFall{"pinwick-broadcast format:1 version:5 published:2026-12-10T07:00:00Z "
                      "expires:2026-12-17T07:00:00Z key:BA9B49E2C42BF915 extra:1",
                      "not a snapshot's comment"},
        KommentarFall{"pinwick-broadcast format:1 version:5 published:2026-12-10T07:00:00Z "
                      "expires:2026-12-17T07:00:00Z key:ba9b49e2c42bf915",
                      "no valid key id"},
        KommentarFall{"pinwick-broadcast format:2 version:5 published:2026-12-10T07:00:00Z "
                      "expires:2026-12-17T07:00:00Z key:BA9B49E2C42BF915",
                      "a newer format"},
        KommentarFall{"pinwick-broadcast format:1 version:0 published:2026-12-10T07:00:00Z "
                      "expires:2026-12-17T07:00:00Z key:BA9B49E2C42BF915",
                      "no valid version"},
        KommentarFall{"pinwick-broadcast format:1 version:5 published:2026-12-10 "
                      "expires:2026-12-17T07:00:00Z key:BA9B49E2C42BF915",
                      "no valid time"},
        KommentarFall{"pinwick-broadcast format:1 version:5 published:2026-12-18T07:00:00Z "
                      "expires:2026-12-17T07:00:00Z key:BA9B49E2C42BF915",
                      "no valid expiry"}));

struct AnnahmeFall {
    const char* name;
    uint64_t version;
    std::optional<uint64_t> zuletzt;
    const char* jetzt;
    const char* grund; // nullptr: accepted
};
void PrintTo(const AnnahmeFall& f, std::ostream* os) {
    *os << f.name;
}

const AnnahmeFall AnnahmeFaelle[] = {
    {"erster", 100, std::nullopt, "2026-12-11T00:00:00Z", nullptr},
    {"neuer", 101, 100, "2026-12-11T00:00:00Z", nullptr},
    // The same snapshot fetched again (a restart, a cache) is shown again.
    {"derselbe", 100, 100, "2026-12-11T00:00:00Z", nullptr},
    {"aelter", 99, 100, "2026-12-11T00:00:00Z", "older than the notes already shown"},
    {"abgelaufen", 100, 99, "2026-12-17T07:00:01Z", "expired on 2026-12-17 07:00 UTC"},
    {"genau_abgelaufen", 100, std::nullopt, "2026-12-17T07:00:00Z", "expired on 2026-12-17 07:00 UTC"},
    {"kurz_davor", 100, std::nullopt, "2026-12-17T06:59:59Z", nullptr},
    // A rolled-back file that is also expired is told as the rollback.
    {"aelter_und_abgelaufen", 5, 100, "2027-01-01T00:00:00Z", "older than the notes already shown"},
};

class SchnappschussAnnahme : public ::testing::TestWithParam<AnnahmeFall> {};

TEST_P(SchnappschussAnnahme, Regel) {
    const AnnahmeFall& f = GetParam();
    SchnappschussKopf k = Beispiel().kopf;
    k.version = f.version;
    const SchnappschussUrteil u = SchnappschussAnnehmen(k, f.zuletzt, Zeit(f.jetzt));
    EXPECT_EQ(u.angenommen, f.grund == nullptr);
    EXPECT_EQ(u.grund, QString::fromLatin1(f.grund ? f.grund : ""));
}

INSTANTIATE_TEST_SUITE_P(Regeln, SchnappschussAnnahme, ::testing::ValuesIn(AnnahmeFaelle),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
