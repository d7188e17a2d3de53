// Opening a broadcaster's file the way a receiver does (BroadcastOeffnen:
// read-only connection, schema check, both recordsets) on a file of 500
// notes: the first open, a reopen of the unchanged file, a reopen after the
// broadcaster changed a note, and a reopen after the file was replaced by
// another one (a new salt). Each with the kept keys off (/0: every open
// derives the key from the password, as the library does by itself) and on
// (/1).

#include "Programm.h"
#include "SchluesselAblage.h"
#include "Speicher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

using namespace pinwick;

namespace {

constexpr int Notizen = 500;

void fuellen(const QString& pfad) {
    VorlageErzeugen(pfad);
    Datenbank db(pfad);
    db.Ausfuehren(QStringLiteral("BEGIN"));
    auto rs = db.OpenRecordset(QStringLiteral("select * from Notizen"));
    for (int i = 0; i < Notizen; ++i) {
        rs->AddNew();
        rs->Setze(u"inhalt", Wert(QStringLiteral("Notiz %1 vom Sender, ein wenig Text").arg(i)));
        rs->Setze(u"Rhythmus", Wert(0));
        rs->Update();
    }
    db.Ausfuehren(QStringLiteral("COMMIT"));
}

struct Umgebung {
    QTemporaryDir ordner;
    QString pfad = QDir(ordner.path()).filePath(QStringLiteral("pw.kav"));
    Programm p;
    Umgebung() {
        fuellen(pfad);
        p.arbeitsOrdner = QDir(ordner.path());
        p.broadcastStatus = true;
        p.broadcastPfad = pfad;
    }
    void oeffnen(benchmark::State& state) {
        BroadcastOeffnen(p);
        if (p.netzFehler || !p.broadcastNotizen || p.broadcastNotizen->RecordCount() != Notizen)
            state.SkipWithError("the broadcaster's file did not open");
    }
};

void behalten(benchmark::State& state) {
    schluesselablage::AllesVergessen();
    schluesselablage::Behalten(state.range(0) != 0);
}

void BM_ErstesOeffnen(benchmark::State& state) {
    behalten(state);
    Umgebung u;
    for (auto _ : state) {
        // A process that has not opened the file yet.
        schluesselablage::AllesVergessen();
        u.oeffnen(state);
    }
}

void BM_WiederOeffnenUnveraendert(benchmark::State& state) {
    behalten(state);
    Umgebung u;
    u.oeffnen(state);
    for (auto _ : state)
        u.oeffnen(state);
}

void BM_WiederOeffnenNachAenderung(benchmark::State& state) {
    behalten(state);
    Umgebung u;
    Datenbank sender(u.pfad);
    u.oeffnen(state);
    int stand = 0;
    for (auto _ : state) {
        state.PauseTiming();
        sender.Ausfuehren(
            QStringLiteral("UPDATE Notizen SET inhalt = 'Stand %1' WHERE ID = 7").arg(++stand));
        state.ResumeTiming();
        u.oeffnen(state);
    }
}

void BM_WiederOeffnenNachErsetzen(benchmark::State& state) {
    behalten(state);
    Umgebung u;
    u.oeffnen(state);
    const QString daneben = u.pfad + QStringLiteral(".neu");
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(daneben);
        fuellen(daneben);
        // Making the file opened it here; a receiver has never seen it.
        schluesselablage::AllesVergessen();
        ::rename(QFile::encodeName(daneben).constData(), QFile::encodeName(u.pfad).constData());
        state.ResumeTiming();
        u.oeffnen(state);
    }
}

} // namespace

BENCHMARK(BM_ErstesOeffnen)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WiederOeffnenUnveraendert)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WiederOeffnenNachAenderung)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WiederOeffnenNachErsetzen)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

BENCHMARK_MAIN();
