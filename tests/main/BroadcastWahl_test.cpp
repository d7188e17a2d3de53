// A running bar follows the broadcast choice that another program (the
// receive command) writes into its own file: what a change asks of it, and
// the choice read back from the file and applied once.

#include "Datenbank.h"
#include "Speicher.h"
#include "TestHilfe.h"

#include <gtest/gtest.h>

using namespace pinwick;
using pinwick::test::TestUmgebung;

namespace {

const QString Web = QStringLiteral("https://notes.example/office/");
const QString Web2 = QStringLiteral("https://other.example/");
const QString Freigabe = QStringLiteral("//server/share/pw.kav");
const QString Schluessel =
    QStringLiteral("RWTzoRtuAA3KRvRuUGBRAO040o0mNefWXDUe7qY5fK1rJ+J2Oiky42lK");

struct WechselFall {
    const char* name;
    BroadcastWahl laeuft, datei;
    BroadcastWechsel wechsel;
};
void PrintTo(const WechselFall& f, std::ostream* os) {
    *os << f.name;
}

const WechselFall WechselFaelle[] = {
    {"gleich", {true, Web, Schluessel}, {true, Web, Schluessel}, BroadcastWechsel::Keiner},
    {"beide_aus", {}, {}, BroadcastWechsel::Keiner},
    {"eingeschaltet", {false, {}, {}}, {true, Web, Schluessel}, BroadcastWechsel::Neu},
    {"ausgeschaltet", {true, Web, Schluessel}, {false, Web, Schluessel}, BroadcastWechsel::Aus},
    {"andere_adresse", {true, Web, Schluessel}, {true, Web2, Schluessel}, BroadcastWechsel::Neu},
    {"anderer_schluessel",
     {true, Web, Schluessel},
     {true, Web, QStringLiteral("RWQ")},
     BroadcastWechsel::Neu},
    {"von_web_zur_freigabe", {true, Web, Schluessel}, {true, Freigabe, {}}, BroadcastWechsel::Neu},
    {"von_freigabe_zum_web", {true, Freigabe, {}}, {true, Web, Schluessel}, BroadcastWechsel::Neu},
    // A key beside a share's path is never used: nothing to restart.
    {"schluessel_bei_freigabe",
     {true, Freigabe, {}},
     {true, Freigabe, Schluessel},
     BroadcastWechsel::NurMerken},
    // Off stays off; the path is kept for the settings window.
    {"pfad_waehrend_aus",
     {false, Freigabe, {}},
     {false, Web, Schluessel},
     BroadcastWechsel::NurMerken},
};

class Wechsel : public ::testing::TestWithParam<WechselFall> {};
TEST_P(Wechsel, Bestimmen) {
    EXPECT_EQ(BroadcastWechselBestimmen(GetParam().laeuft, GetParam().datei), GetParam().wechsel);
}
INSTANTIATE_TEST_SUITE_P(BroadcastWahl, Wechsel, ::testing::ValuesIn(WechselFaelle),
                         [](const auto& info) { return std::string(info.param.name); });

// The receive command writes the row through another connection; the bar
// reads it afresh, takes it, and tells the web receiver once.
TEST(BroadcastWahl, NachladenAusDerEigenenDatei) {
    TestUmgebung u;
    Programm& p = u.p;
    int abgleiche = 0;
    p.broadcastEinstellungenGeaendert = [&] { ++abgleiche; };
    const auto schreiben = [&](bool status, const QString& pfad, const QString& schluessel) {
        Datenbank db(p.datenbankDatei);
        db.Ausfuehren(
            QStringLiteral("UPDATE Einstellungen SET broadcastStatus = %1, broadcastPfad = '%2', "
                           "broadcastSchluessel = '%3', sysopStatus = %1")
                .arg(status ? 1 : 0)
                .arg(pfad, schluessel));
    };
    const struct Schritt {
        const char* name;
        bool status;
        QString pfad, schluessel;
        bool layout; // BroadcastWahlNachladen's answer
        int abgleiche;
    } schritte[] = {
        {"nichts_geaendert", false, QString(), QString(), false, 0},
        {"receive", true, Web, Schluessel, true, 1},
        {"nochmal_dasselbe", true, Web, Schluessel, false, 1},
        {"andere_adresse", true, Web2, Schluessel, true, 2},
        {"off", false, Web2, Schluessel, true, 3},
    };
    for (const Schritt& s : schritte) {
        SCOPED_TRACE(s.name);
        schreiben(s.status, s.pfad, s.schluessel);
        EXPECT_EQ(BroadcastWahlNachladen(p), s.layout);
        EXPECT_EQ(abgleiche, s.abgleiche);
        EXPECT_EQ(p.broadcastStatus, s.status);
        EXPECT_EQ(p.broadcastPfad, s.pfad);
        EXPECT_EQ(p.broadcastSchluessel, s.schluessel);
    }
    EXPECT_FALSE(p.netzFehler);
    p.broadcastEinstellungenGeaendert = nullptr;
}

} // namespace
