// One ticker rebuild over 10,000 scheduled notes of mixed rhythms, read from
// a real database file: as own notes (the recordset the program keeps open)
// and as a broadcaster's notes (read from the file anew at every rebuild).

#include "EinstellungsSatz.h"
#include "Programm.h"
#include "Speicher.h"
#include "TickerInhalt.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace pinwick;

namespace {

constexpr int AnzahlNotizen = 10000;

void notizenSchreiben(Datenbank& db) {
    db.Ausfuehren(QStringLiteral("BEGIN"));
    const char* wochen[] = {"-1 0 0-1 0 0 0", "-1-1-1-1-1 0 0", " 0 0 0 0 0 0-1"};
    const char* monate[] = {"115", "131", "236", "254", "212"};
    for (int i = 0; i < AnzahlNotizen; ++i) {
        const int art = i % 5;
        const QString text = QStringLiteral("Notiz %1 mit etwas Text").arg(i);
        QString sql;
        const double start = 46000 + (i % 700); // spread around 2025 to 2027
        switch (art) {
        case 0:
            sql =
                QStringLiteral("INSERT INTO Notizen (inhalt, Rhythmus) VALUES ('%1', 0)").arg(text);
            break;
        case 1:
            sql = QStringLiteral("INSERT INTO Notizen (inhalt, Rhythmus, UhrVon, UhrBis) "
                                 "VALUES ('%1', 1, %2, %3)")
                      .arg(text)
                      .arg((i % 12) / 24.0)
                      .arg((12 + i % 12) / 24.0);
            break;
        case 2:
            sql = QStringLiteral(
                      "INSERT INTO Notizen (inhalt, Rhythmus, UhrVon, UhrBis, "
                      "StartDatum, Dauer, RhyDetails) VALUES ('%1', 2, 0, 0, %2, %3, '%4')")
                      .arg(text)
                      .arg(start)
                      .arg(i % 20)
                      .arg(QLatin1String(wochen[i % 3]));
            break;
        case 3:
            sql = QStringLiteral(
                      "INSERT INTO Notizen (inhalt, Rhythmus, UhrVon, UhrBis, "
                      "StartDatum, Vorher, RhyDetails) VALUES ('%1', 3, 0, 0, %2, %3, '%4')")
                      .arg(text)
                      .arg(start)
                      .arg(i % 7)
                      .arg(QLatin1String(monate[i % 5]));
            break;
        default:
            sql = QStringLiteral("INSERT INTO Notizen (inhalt, Rhythmus, UhrVon, UhrBis, "
                                 "StartDatum, Vorher, RhyDetails) VALUES ('%1', 4, 0, 0, %2, %3, "
                                 "'0101290224123112')")
                      .arg(text)
                      .arg(start)
                      .arg(i % 5);
            break;
        }
        db.Ausfuehren(sql);
    }
    db.Ausfuehren(QStringLiteral("COMMIT"));
}

struct Aufbau {
    QTemporaryDir ordner;
    Programm p;
    TickerInhalt inhalt{p};

    explicit Aufbau(bool alsEmpfaenger) {
        p.arbeitsOrdner = QDir(ordner.path());
        p.datenbankDatei = ordner.filePath(QStringLiteral("pw.kav"));
        VorlageErzeugen(p.datenbankDatei);
        const QString sender = ordner.filePath(QStringLiteral("sender.kav"));
        VorlageErzeugen(sender);
        {
            Datenbank db(alsEmpfaenger ? sender : p.datenbankDatei);
            notizenSchreiben(db);
        }
        LokalOeffnen(p);
        EinstellungenLaden(p);
        p.Sprache = 1;
        if (alsEmpfaenger) {
            p.broadcastStatus = true;
            p.eigeneErlauben = false;
            p.broadcastPfad = sender;
            BroadcastOeffnen(p);
        }
        p.uhr.Stellen(QDateTime(QDate(2027, 5, 14), QTime(11, 30, 0)));
        inhalt.textBreite = [](const QString& t) { return int(t.size()) * 90; };
        inhalt.bandBreite = [] { return 26000; };
    }
};

void eineRunde(benchmark::State& state, Aufbau& a) {
    for (auto _ : state) {
        a.p.aufbauZaehler = 100;
        a.p.gezeigterText.clear(); // count the change handling too
        a.inhalt.NotizMachen();
        benchmark::DoNotOptimize(a.p.gezeigterText.size());
    }
    state.counters["notes_due"] = double(a.p.eintraege.size());
    state.counters["per_note"] =
        benchmark::Counter(double(state.iterations()) * AnzahlNotizen,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_AufbauEigeneNotizen(benchmark::State& state) {
    Aufbau a(false);
    eineRunde(state, a);
}
BENCHMARK(BM_AufbauEigeneNotizen)->Unit(benchmark::kMillisecond);

void BM_AufbauBroadcastNotizen(benchmark::State& state) {
    Aufbau a(true);
    eineRunde(state, a);
}
BENCHMARK(BM_AufbauBroadcastNotizen)->Unit(benchmark::kMillisecond);

// The broadcaster changed a note since the last rebuild: its notes are read
// from the file again.
void BM_AufbauBroadcastNotizenGeaendert(benchmark::State& state) {
    Aufbau a(true);
    Datenbank sender(a.p.broadcastPfad);
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        sender.Ausfuehren(
            QStringLiteral("UPDATE Notizen SET Vorher = %1 WHERE ID = 4").arg(++i % 5));
        state.ResumeTiming();
        a.p.aufbauZaehler = 100;
        a.p.gezeigterText.clear();
        a.inhalt.NotizMachen();
        benchmark::DoNotOptimize(a.p.gezeigterText.size());
    }
    state.counters["per_note"] =
        benchmark::Counter(double(state.iterations()) * AnzahlNotizen,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AufbauBroadcastNotizenGeaendert)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
