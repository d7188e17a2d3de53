// The core without any window library: a program built from the core
// libraries alone opens a real store, writes notes through the recordset and
// asks the schedule which are due, as a service or another front end would.
// The ctest "kern_ohne_fenster" checks with ldd that it links no Qt Gui or
// Widgets.

#include "EinstellungsSatz.h"
#include "Hilfen.h"
#include "Notiz.h"
#include "Programm.h"
#include "Speicher.h"
#include "UpdateKern.h"
#include "Zeitplan.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pinwick {
namespace {

struct Fall {
    const char* name;
    Notiz notiz;
    bool faellig; // on Thursday 10 December 2026, 10:30
};

Notiz notiz(const char* text, int16_t rhythmus, double von = 0, double bis = 0,
            const QString& details = {}, int32_t start = 0) {
    Notiz n;
    n.inhalt = QString::fromUtf8(text);
    n.Rhythmus = rhythmus;
    n.UhrVon = von;
    n.UhrBis = bis;
    n.RhyDetails = details;
    n.StartDatum = start;
    return n;
}

TEST(KernOhneFenster, ZeitplanUeberEchtemSpeicher) {
    QTemporaryDir ordner;
    ASSERT_TRUE(ordner.isValid());
    const int32_t anfang = DatumsZahl(QDate(2026, 1, 1));
    Wochentage donnerstag{};
    donnerstag[3] = true; // Monday first
    Wochentage montag{};
    montag[0] = true;
    const Fall faelle[] = {
        {"permanent", notiz("immer", RhythmusPermanent), true},
        {"daily in the window", notiz("morgens", RhythmusTaeglich, 10.0 / 24, 11.0 / 24), true},
        {"daily outside the window", notiz("abends", RhythmusTaeglich, 18.0 / 24, 19.0 / 24), false},
        {"weekly on Thursday",
         notiz("donnerstags", RhythmusWoechentlich, 0, 0, WochentageKodieren(donnerstag), anfang),
         true},
        {"weekly on Monday",
         notiz("montags", RhythmusWoechentlich, 0, 0, WochentageKodieren(montag), anfang), false},
    };

    Programm p;
    p.datenOrdner = ordner.path() + QStringLiteral("/");
    p.datenbankDatei = p.datenOrdner + QStringLiteral("pw.kav");
    VorlageErzeugen(p.datenbankDatei);
    LokalOeffnen(p);
    EinstellungenLaden(p);
    for (const Fall& f : faelle) {
        p.lokaleNotizen->AddNew();
        NotizSchreiben(*p.lokaleNotizen, f.notiz);
        p.lokaleNotizen->Update();
    }

    // Read back through a fresh connection: what another process would see.
    Programm leser;
    leser.datenbankDatei = p.datenbankDatei;
    LokalOeffnen(leser);
    const QDateTime jetzt(QDate(2026, 12, 10), QTime(10, 30));
    size_t i = 0;
    for (leser.lokaleNotizen->MoveFirst(); !leser.lokaleNotizen->Eof();
         leser.lokaleNotizen->MoveNext(), ++i) {
        ASSERT_LT(i, std::size(faelle));
        const Notiz gelesen = NotizLesen(*leser.lokaleNotizen);
        EXPECT_EQ(gelesen.inhalt, faelle[i].notiz.inhalt) << faelle[i].name;
        const bool faellig =
            gelesen.Rhythmus == RhythmusPermanent || ZeitTestKern(*leser.lokaleNotizen, jetzt);
        EXPECT_EQ(faellig, faelle[i].faellig) << faelle[i].name;
    }
    EXPECT_EQ(i, std::size(faelle));
}

// The update check's rules build without a window: an offer is read from the
// server's file, and without a window layer nobody is asked.
TEST(KernOhneFenster, UpdateOhneFensterFragtNiemanden) {
    EXPECT_EQ(ServerVersionLesen("302\r\n"), 302);
    Programm p;
    UpdateKern kern(p);
    p.mBoxAntwort = 1;
    bool gestartet = false;
    kern.programmStarten = [&](const QString&) { return gestartet = true; };
    kern.Annehmen();
    EXPECT_FALSE(gestartet) << "a question nobody can answer declines";
}

} // namespace
} // namespace pinwick

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
