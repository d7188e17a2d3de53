// What one tick of the ticker bar costs: the timer's whole work (network
// watch, width check, clock, content, scroll step) plus the repaint of a
// scrolling band on a 1920-pixel screen with 20 notes. The bar ticks 20 times
// a second, so this is its share of the processor while it runs.
//
// On the offscreen platform Qt paints the band (the fallback). BM_TickServer
// gives the band a stand-in for the X server that only counts what it is
// asked for: the tick's own work when the band is scrolled by copies on the
// server. What the real program costs under X, copies and wake-ups
// included, is measured by bench/scroll_cpu.sh.

#include "Band.h"
#include "BandAusgabe.h"
#include "EinstellungsSatz.h"
#include "Programm.h"
#include "Speicher.h"
#include "Terminal.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace pinwick;

namespace {

// A Programm on a fresh database with 20 permanent notes, and its bar.
struct Aufbau {
    Aufbau() {
        p.arbeitsOrdner = QDir(ordner.path());
        p.datenOrdner = ordner.path() + QLatin1Char('/');
        p.datenbankDatei = ordner.filePath(QStringLiteral("pw.kav"));
        VorlageErzeugen(p.datenbankDatei);
        LokalOeffnen(p);
        EinstellungenLaden(p);
        p.Sprache = 1;
        p.SchriftName = QStringLiteral("DejaVu Sans");
        p.SchriftGroesse = 10;
        p.SchriftFett = true;
        p.zeigDatum = true;
        p.zeigRahmen = true;
        p.eigeneErlauben = true;
        p.broadcastStatus = false;
        p.Speed = 30;
        for (int i = 1; i <= 20; ++i) {
            Datensatzmenge& n = *p.lokaleNotizen;
            n.AddNew();
            n.Setze(u"inhalt", Wert(QStringLiteral("Notiz Nummer %1: Besprechung um zehn Uhr im "
                                                   "grossen Raum")
                                        .arg(i)));
            n.Setze(u"Rhythmus", Wert(0));
            n.Update();
        }
        leiste = std::make_unique<Terminal>(p);
        leiste->Timer1Aktiv(false);
        leiste->show();
        QCoreApplication::processEvents();
        // The first tick rebuilds the content and starts the scrolling.
        leiste->Tick();
        leiste->NotizPan()->repaint();
    }

    QTemporaryDir ordner;
    Programm p;
    std::unique_ptr<Terminal> leiste;
};

Aufbau* aufbau = nullptr;

// Counts the band's paint events, to show that every tick really painted.
struct MalZaehler : QObject {
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++anzahl;
        return false;
    }
    qint64 anzahl = 0;
};

void BM_Tick(benchmark::State& state) {
    Terminal& leiste = *aufbau->leiste;
    Band& band = *leiste.NotizPan();
    MalZaehler zaehler;
    band.installEventFilter(&zaehler);
    for (auto _ : state) {
        leiste.Tick();
        band.repaint();
    }
    band.removeEventFilter(&zaehler);
    state.counters["paints_per_tick"] = double(zaehler.anzahl) / double(state.iterations());
    state.counters["band_px"] = band.width();
    state.counters["scrollend"] = aufbau->p.anzeigeModus == 2;
}
BENCHMARK(BM_Tick)->Unit(benchmark::kMicrosecond);

// The tick without the every-hundredth rebuild of the content: what 99 of
// 100 ticks cost.
void BM_TickOhneAufbau(benchmark::State& state) {
    Terminal& leiste = *aufbau->leiste;
    Band& band = *leiste.NotizPan();
    for (auto _ : state) {
        aufbau->p.aufbauZaehler = 0;
        leiste.Tick();
        band.repaint();
    }
}
BENCHMARK(BM_TickOhneAufbau)->Unit(benchmark::kMicrosecond);

// After a change of the shown text the pass is laid out and rendered once.
void BM_TextWechsel(benchmark::State& state) {
    Terminal& leiste = *aufbau->leiste;
    Band& band = *leiste.NotizPan();
    std::vector<Eintrag> a = aufbau->p.eintraege;
    std::vector<Eintrag> b = a;
    b.front().text += u'!';
    bool umschalten = false;
    for (auto _ : state) {
        umschalten = !umschalten;
        band.Zeigen(umschalten ? b : a, aufbau->p.trennText, true, -5000);
        band.repaint();
    }
}
BENCHMARK(BM_TextWechsel)->Unit(benchmark::kMicrosecond);

// The X server as far as the band's steps need it: pictures get numbers,
// copies are counted.
struct ZaehlAusgabe : BandAusgabe {
    bool Bereit(QWidget&, bool&) override { return true; }
    uint32_t Hochladen(const QImage&) override { return ++bilder; }
    void Freigeben(uint32_t) override {}
    void Kopieren(uint32_t, int, const QRect&) override { ++kopien; }
    void Senden() override {}
    uint32_t bilder = 0;
    int64_t kopien = 0;
};

// The tick when the band's steps are copies on the server: no repaint.
void BM_TickServer(benchmark::State& state) {
    Terminal& leiste = *aufbau->leiste;
    Band& band = *leiste.NotizPan();
    auto ausgabe = std::make_unique<ZaehlAusgabe>();
    ZaehlAusgabe* zaehler = ausgabe.get();
    band.AusgabeSetzen(std::move(ausgabe));
    MalZaehler maler;
    band.installEventFilter(&maler);
    const Band::Zaehler vorher = band.Statistik();
    for (auto _ : state) {
        aufbau->p.aufbauZaehler = 0;
        leiste.Tick();
    }
    QCoreApplication::processEvents();
    band.removeEventFilter(&maler);
    const double n = double(state.iterations());
    state.counters["copies_per_tick"] = double(zaehler->kopien) / n;
    state.counters["server_steps"] = double(band.Statistik().serverSchritte - vorher.serverSchritte) / n;
    state.counters["uploads"] = double(band.Statistik().hochgeladen - vorher.hochgeladen);
    state.counters["qt_paints"] = double(maler.anzahl);
    band.AusgabeSetzen(nullptr);
}
BENCHMARK(BM_TickServer)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    // A 1920 x 1080 screen at 96 dpi on the offscreen platform.
    QTemporaryDir konfigOrdner;
    const QString konfig = konfigOrdner.filePath(QStringLiteral("schirm.json"));
    {
        QFile datei(konfig);
        if (datei.open(QIODevice::WriteOnly))
            datei.write(R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1920,
                "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + konfig.toLocal8Bit());
    QApplication app(argc, argv);

    Aufbau a;
    aufbau = &a;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    aufbau = nullptr;
    return 0;
}
