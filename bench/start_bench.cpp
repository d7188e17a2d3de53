// From program start to the bar on the screen, leaving out the one-second
// splash pause: data folder, database opening, settings, tidying, splash,
// bar. Also reports the resident memory of the process once the bar runs.

#include "Intro.h"
#include "Programm.h"
#include "ProgrammStart.h"
#include "Speicher.h"
#include "Terminal.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace pinwick;

namespace {

// Resident memory of this process in MiB, from the kernel's own account.
double residentMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& zeile : status.readAll().split('\n'))
        if (zeile.startsWith("VmRSS:"))
            return zeile.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

void BM_StartBisLeiste(benchmark::State& state) {
    QTemporaryDir heim, arbeit;
    qputenv("HOME", heim.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (heim.path() + "/.config").toLocal8Bit());
    VorlageErzeugen(QDir(arbeit.path()).filePath(QStringLiteral("org.kav")));
    {
        // A used installation: the database exists and has notes.
        Programm erst;
        erst.arbeitsOrdner = QDir(arbeit.path());
        StartFenster leer;
        leer.warten = false;
        ProgrammStart(erst, leer);
        for (int i = 0; i < 50; ++i) {
            erst.lokaleNotizen->AddNew();
            erst.lokaleNotizen->Setze(u"inhalt", Wert(QStringLiteral("Notiz %1").arg(i)));
            erst.lokaleNotizen->Setze(u"Rhythmus", Wert(0));
            erst.lokaleNotizen->Update();
        }
    }

    double rss = 0;
    for (auto _ : state) {
        auto p = std::make_unique<Programm>();
        p->arbeitsOrdner = QDir(arbeit.path());
        std::unique_ptr<Terminal> leiste;
        QPointer<Intro> intro;
        StartFenster fenster;
        fenster.warten = false; // the pause is a fixed second, not work
        fenster.introZeigen = [&] {
            intro = new Intro(*p);
            intro->setAttribute(Qt::WA_DeleteOnClose);
            intro->show();
        };
        fenster.introSchliessen = [&] {
            if (intro)
                intro->close();
        };
        fenster.leisteZeigen = [&] {
            leiste = std::make_unique<Terminal>(*p);
            leiste->show();
        };
        ProgrammStart(*p, fenster);
        // The first tick builds the content and paints the band.
        leiste->Tick();
        leiste->repaint();
        QCoreApplication::processEvents();

        state.PauseTiming();
        rss = residentMiB();
        leiste.reset();
        p.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["resident_MiB"] = rss;
}
BENCHMARK(BM_StartBisLeiste)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
