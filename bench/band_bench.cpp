// What the band costs with very long texts: one note of 1 MB, 100,000 short
// notes, and 20 ordinary notes for comparison, on a 1920-pixel screen.
//
//   Umbau         the shown text changed: measuring it for the display mode
//                 and handing the new entries to the band
//   ErstesMalen   the same, followed by the first paint of the band
//   Tick          one tick of the bar (every hundredth rebuilds the content)
//                 with the repaint of the scrolling band
//   TickOhneAufbau  the 99 of 100 ticks without a content rebuild
//   InhaltAufbau  one content rebuild over unchanged notes
//   GanzerPass    laying out a whole pass at once, as a jump far ahead would
//                 (scrolling lays it out bit by bit as it comes into view)
//
// rss_mb is the resident memory of the whole process after the benchmark;
// run one case at a time (--benchmark_filter=/1MB) for figures of that case
// alone.

#include "Band.h"
#include "EinstellungsSatz.h"
#include "Programm.h"
#include "Speicher.h"
#include "Terminal.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>
#include <unistd.h>

using namespace pinwick;

namespace {

struct Fall {
    const char* name;
    int anzahl;  // notes
    int zeichen; // characters per note (about)
};
const Fall faelle[] = {
    {"20", 20, 60},
    {"1MB", 1, 1000000},
    {"100k", 100000, 40},
};

double rssMb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> teile = statm.readAll().split(' ');
    if (teile.size() < 2)
        return 0;
    return teile[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Text of words of 2 to 10 letters, the same at every run.
QString text(int nummer, int zeichen) {
    QString t = QStringLiteral("Notiz %1: ").arg(nummer);
    quint32 z = 12345u + quint32(nummer) * 7919u;
    while (t.size() < zeichen) {
        z = z * 1103515245u + 12345u;
        const int laenge = 2 + int((z >> 16) % 9);
        for (int i = 0; i < laenge; ++i) {
            z = z * 1103515245u + 12345u;
            const char16_t c = char16_t(u'a' + (z >> 16) % 26);
            t += i == 0 && (z & 0x100) ? QChar(c).toUpper() : QChar(c);
        }
        t += u' ';
    }
    t.truncate(zeichen);
    return t;
}

struct Aufbau {
    explicit Aufbau(const Fall& fall) {
        p.arbeitsOrdner = QDir(ordner.path());
        p.datenOrdner = ordner.path() + QLatin1Char('/');
        p.datenbankDatei = ordner.filePath(QStringLiteral("pw.kav"));
        VorlageErzeugen(p.datenbankDatei);
        {
            Datenbank db(p.datenbankDatei);
            db.Ausfuehren(QStringLiteral("BEGIN"));
            for (int i = 0; i < fall.anzahl; ++i)
                db.Ausfuehren(QStringLiteral("INSERT INTO Notizen (inhalt, Rhythmus) "
                                             "VALUES ('%1', 0)")
                                  .arg(text(i, fall.zeichen)));
            db.Ausfuehren(QStringLiteral("COMMIT"));
        }
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
        leiste = std::make_unique<Terminal>(p);
        leiste->Timer1Aktiv(false);
        leiste->show();
        QCoreApplication::processEvents();
        leiste->Tick();
        leiste->NotizPan()->repaint();
    }

    QTemporaryDir ordner;
    Programm p;
    std::unique_ptr<Terminal> leiste;
};

// One case lives at a time: its notes and pictures are all that is kept.
std::unique_ptr<Aufbau> aufbau;
const Fall* aktuell = nullptr;
Aufbau& fuer(const Fall& fall) {
    if (aktuell != &fall) {
        aufbau.reset();
        aufbau = std::make_unique<Aufbau>(fall);
        aktuell = &fall;
    }
    return *aufbau;
}

void zaehler(benchmark::State& state, Aufbau& a) {
    Band& band = *a.leiste->NotizPan();
    state.counters["rss_mb"] = rssMb();
    // Laid out so far, and the rendered tiles kept (4 bytes a pixel).
    state.counters["laid_out_px"] = double(band.PassBreiteMindestens()) / 15;
    state.counters["tiles"] = band.KachelAnzahl();
    state.counters["tiles_kb"] = double(band.KachelPixel()) * 4 / 1024;
    state.counters["scrollend"] = a.p.anzeigeModus == 2;
}

// The bar's reaction to a changed text, with or without the first paint.
void umbau(benchmark::State& state, const Fall& fall, bool malen) {
    Aufbau& a = fuer(fall);
    Band& band = *a.leiste->NotizPan();
    const std::vector<Eintrag> alt = a.p.eintraege;
    std::vector<Eintrag> neu = alt;
    neu.back().text += u'!';
    const QString textAlt = a.p.gezeigterText;
    const QString textNeu = textAlt + u'!';
    bool umschalten = false;
    uint64_t stand = a.p.eintraegeStand + 1000000;
    for (auto _ : state) {
        umschalten = !umschalten;
        const std::vector<Eintrag>& e = umschalten ? neu : alt;
        const int breite = a.leiste->Inhalt().textBreite(umschalten ? textNeu : textAlt);
        benchmark::DoNotOptimize(breite);
        band.Zeigen(e, ++stand, a.p.trennText, true, 101);
        if (malen)
            band.repaint();
    }
    band.Zeigen(a.p.eintraege, ++stand, a.p.trennText, true, 101);
    band.repaint();
    zaehler(state, a);
}

void ganzerPass(benchmark::State& state, const Fall& fall) {
    Aufbau& a = fuer(fall);
    Band& band = *a.leiste->NotizPan();
    uint64_t stand = a.p.eintraegeStand + 2000000;
    for (auto _ : state) {
        band.Zeigen(a.p.eintraege, ++stand, a.p.trennText, true, 101);
        benchmark::DoNotOptimize(band.PassBreite());
    }
    zaehler(state, a);
    band.Zeigen(a.p.eintraege, ++stand, a.p.trennText, true, 101);
    state.counters["pass_px"] = double(band.PassBreite()) / 15;
}

void tick(benchmark::State& state, const Fall& fall, bool mitAufbau) {
    Aufbau& a = fuer(fall);
    Band& band = *a.leiste->NotizPan();
    for (auto _ : state) {
        if (!mitAufbau)
            a.p.aufbauZaehler = 0;
        a.leiste->Tick();
        band.repaint();
    }
    zaehler(state, a);
}

void inhaltAufbau(benchmark::State& state, const Fall& fall) {
    Aufbau& a = fuer(fall);
    for (auto _ : state) {
        a.p.aufbauZaehler = 100;
        a.leiste->Inhalt().NotizMachen();
    }
    zaehler(state, a);
}

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

    // Case after case, so that one case's notes are gone before the next.
    for (const Fall& fall : faelle) {
        const std::string n = fall.name;
        benchmark::RegisterBenchmark(("Umbau/" + n).c_str(), [&fall](benchmark::State& s) {
            umbau(s, fall, false);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("ErstesMalen/" + n).c_str(), [&fall](benchmark::State& s) {
            umbau(s, fall, true);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Tick/" + n).c_str(), [&fall](benchmark::State& s) {
            tick(s, fall, true);
        })->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("TickOhneAufbau/" + n).c_str(), [&fall](benchmark::State& s) {
            tick(s, fall, false);
        })->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("InhaltAufbau/" + n).c_str(), [&fall](benchmark::State& s) {
            inhaltAufbau(s, fall);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("GanzerPass/" + n).c_str(), [&fall](benchmark::State& s) {
            ganzerPass(s, fall);
        })->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    aufbau.reset();
    return 0;
}
