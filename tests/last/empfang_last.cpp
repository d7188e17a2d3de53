// Many receivers on one broadcaster's file: what a change costs the share,
// the broadcaster and every desktop.
//
//   empfang_last [--empfaenger 16] [--notizen 500] [--ruhe 10] [--sekunden 30]
//                [--abstand 2000] [--nachlauf 8] [--ordner DIR]
//                [--ohne-ablage] [--ohne-verzug] [--gleichtakt]
//
// One broadcaster's file with --notizen notes lies in --ordner (a temporary
// folder unless given; give a folder on a network mount to measure one).
// Every receiver is a process of its own that does what the bar does at each
// 50 ms tick, without windows: the retry after a network error, then the
// rebuild's run (TickerInhalt::NotizMachen with its connection watch, its
// rebuild every hundredth run and its reopening after a change). The
// receivers' rebuilds are out of step, as on desktops started at different
// times.
//
// First --ruhe seconds without changes (the idle cost), then for --sekunden
// the broadcaster changes one note every --abstand ms, the way the note
// editor saves (Edit, Update), then --nachlauf seconds for the last change to
// arrive everywhere. --ohne-ablage makes every open derive the key from the
// password (as before keys were kept), --ohne-verzug reopens a changed file
// at once instead of after the random delay: both for comparison.
// --gleichtakt puts every receiver's rebuilds on the same tick, the worst
// case for a herd (desktops woken together, or reconnected together after
// an outage).
//
// Figures: the broadcaster's save time (median, 99th percentile, worst); per
// change the time until every receiver shows it (median, 99th percentile,
// worst over the changes) and until a receiver shows it; busy reads; errors
// (failed saves, network-error notices, a receiver that lost the file);
// views the broadcaster's table never held; bytes read and processor time
// per receiver per idle second and per change; how long a rebuild that
// reads the changed file takes (it holds the file's shared lock meanwhile). Exit code 0 only when
// there are no errors, no foreign views, and every receiver shows the last state.

#include "Broadcastlast.h"
#include "SchluesselAblage.h"
#include "TickerInhalt.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>

#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <sys/resource.h>
#include <thread>

using namespace pinwick;
using namespace pinwick::last;

namespace {

const QString notizenAbfrage = QStringLiteral("select * from Notizen");
constexpr int Takt = 50; // the bar's tick

struct Optionen {
    QString rolle = QStringLiteral("leiter");
    QString ordner;
    int empfaenger = 16;
    int notizen = 500;
    double ruhe = 10;
    double sekunden = 30;
    int abstand = 2000;
    double nachlauf = 8;
    bool ohneAblage = false;
    bool ohneVerzug = false;
    bool gleichtakt = false;
    int nr = 0;
    qint64 start = 0; // the common moment the idle time begins
};

Optionen lesen(int argc, char** argv) {
    Optionen o;
    for (int i = 1; i < argc; ++i) {
        const QString name = QString::fromLocal8Bit(argv[i]);
        if (name == QLatin1String("--ohne-ablage")) {
            o.ohneAblage = true;
            continue;
        }
        if (name == QLatin1String("--ohne-verzug")) {
            o.ohneVerzug = true;
            continue;
        }
        if (name == QLatin1String("--gleichtakt")) {
            o.gleichtakt = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "%s needs a value\n", argv[i]);
            std::exit(2);
        }
        const QString wert = QString::fromLocal8Bit(argv[++i]);
        if (name == QLatin1String("--rolle"))
            o.rolle = wert;
        else if (name == QLatin1String("--ordner"))
            o.ordner = wert;
        else if (name == QLatin1String("--empfaenger"))
            o.empfaenger = wert.toInt();
        else if (name == QLatin1String("--notizen"))
            o.notizen = wert.toInt();
        else if (name == QLatin1String("--ruhe"))
            o.ruhe = wert.toDouble();
        else if (name == QLatin1String("--sekunden"))
            o.sekunden = wert.toDouble();
        else if (name == QLatin1String("--abstand"))
            o.abstand = wert.toInt();
        else if (name == QLatin1String("--nachlauf"))
            o.nachlauf = wert.toDouble();
        else if (name == QLatin1String("--nr"))
            o.nr = wert.toInt();
        else if (name == QLatin1String("--start"))
            o.start = wert.toLongLong();
        else {
            std::fprintf(stderr, "unknown option %s\n", argv[i - 1]);
            std::exit(2);
        }
    }
    return o;
}

qint64 aenderungenAb(const Optionen& o) {
    return o.start + static_cast<qint64>(o.ruhe * 1000);
}
qint64 aenderungenBis(const Optionen& o) {
    return aenderungenAb(o) + static_cast<qint64>(o.sekunden * 1000);
}
qint64 ende(const Optionen& o) {
    return aenderungenBis(o) + static_cast<qint64>(o.nachlauf * 1000);
}

// Bytes this process has read through read calls, and its processor time in
// milliseconds: the kernel's own account.
struct Verbrauch {
    qint64 bytes = 0;
    double cpuMs = 0;
};
Verbrauch verbrauch() {
    Verbrauch v;
    QFile io(QStringLiteral("/proc/self/io"));
    if (io.open(QIODevice::ReadOnly))
        for (const QByteArray& zeile : io.readAll().split('\n'))
            if (zeile.startsWith("rchar:"))
                v.bytes = zeile.mid(6).trimmed().toLongLong();
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    v.cpuMs = (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000.0 +
              (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1000.0;
    return v;
}

QString notizText(int nummer, int stand) {
    return QStringLiteral("Notiz %1 Stand %2: Kantine heute ab 11:30 ge\u00F6ffnet")
        .arg(nummer)
        .arg(stand);
}

// ---- the broadcaster ------------------------------------------------------

// Writes, one line per change: the moment its save ended, the save's
// duration in ms, the fingerprint of the table after it. The first line is
// the table before any change (moment 0).
int sender(const Optionen& o) {
    const QDir ordner(o.ordner);
    Arbeitsbereich arbeitsbereich;
    auto db = arbeitsbereich.OpenDatabase(ordner.filePath(QStringLiteral("pw.kav")));
    auto notizen = db->OpenRecordset(notizenAbfrage);
    std::vector<qint64> ids;
    for (notizen->MoveFirst(); !notizen->Eof(); notizen->MoveNext())
        ids.push_back(notizen->Feld(u"ID").alsInt32());
    std::mt19937 zufall(12345);

    QStringList zeilen{QStringLiteral("0 0 %1").arg(Fingerabdruck(TabellenText(*notizen)))};
    long fehler = 0;
    int stand = 0;
    for (qint64 naechste = aenderungenAb(o); naechste < aenderungenBis(o); naechste += o.abstand) {
        SchlafenBis(naechste);
        const size_t k = std::uniform_int_distribution<size_t>(0, ids.size() - 1)(zufall);
        const auto anfang = std::chrono::steady_clock::now();
        try {
            notizen->FindLast(QStringLiteral("ID = %1").arg(ids[k]));
            if (notizen->NoMatch())
                throw DatenFehler("a note the broadcaster wrote is gone");
            notizen->Edit();
            NotizSchreiben(*notizen, ImmerFaellig(static_cast<int>(k), notizText(int(k), ++stand)));
            notizen->Update();
        } catch (const std::exception& e) {
            ++fehler;
            std::fprintf(stderr, "broadcaster: %s\n", e.what());
            continue;
        }
        const double dauer = MsSeit(anfang);
        zeilen << QStringLiteral("%1 %2 %3")
                      .arg(JetztMs())
                      .arg(dauer, 0, 'f', 2)
                      .arg(Fingerabdruck(TabellenText(*notizen)));
    }
    zeilen.prepend(QString::number(fehler));
    SchreibeDatei(ordner.filePath(QStringLiteral("sender.txt")), zeilen);
    return 0;
}

// ---- a receiver -----------------------------------------------------------

// Writes: the counters, the consumption in the idle and the change phase,
// the last view, then one line per view shown: its first moment and its
// fingerprint.
int empfaenger(const Optionen& o) {
    const QDir ordner(o.ordner);
    if (o.ohneAblage)
        schluesselablage::Behalten(false);

    Programm p;
    EmpfaengerEinrichten(p, ordner, o.nr);
    p.eigeneErlauben = false;

    long besetzt = 0, fehler = 0, meldungen = 0, aufbauten = 0, neuGeoeffnet = 0;
    TickerInhalt inhalt(p);
    if (o.ohneVerzug)
        inhalt.verzugWuerfeln = [] { return 0; };
    inhalt.bubbleZeigen = [&](int, int, const QString& text) {
        ++meldungen;
        std::fprintf(stderr, "receiver %d: notice \"%s\"\n", o.nr, qPrintable(text));
    };
    // Desktops are started at different times: the rebuilds are out of step.
    std::mt19937 zufall(static_cast<unsigned>(o.nr * 7919 + 17));
    SchlafenBis(o.start - 1000);
    BroadcastOeffnen(p);
    if (p.netzFehler) {
        std::fprintf(stderr, "receiver %d: the broadcaster's file did not open\n", o.nr);
        return 1;
    }
    p.aufbauZaehler = o.gleichtakt
                          ? int16_t(0)
                          : static_cast<int16_t>(std::uniform_int_distribution<int>(0, 99)(zufall));

    QStringList sichten;
    QString letzteSicht;
    Verbrauch ruheAnfang, ruheEnde, aenderungEnde;
    bool ruheGemessen = false, ruheVorbei = false, aenderungVorbei = false;
    const qint64 ruheAb = o.start + 1000; // the first rebuilds have read the file
    QStringList lesedauern;
    // All receivers tick on the same 50 ms grid.
    for (qint64 naechster = o.start - 500; naechster < ende(o); naechster += Takt) {
        SchlafenBis(naechster);
        const qint64 jetzt = JetztMs();
        if (!ruheGemessen && jetzt >= ruheAb) {
            ruheAnfang = verbrauch();
            ruheGemessen = true;
        }
        if (!ruheVorbei && jetzt >= aenderungenAb(o)) {
            ruheEnde = verbrauch();
            ruheVorbei = true;
        }
        if (!aenderungVorbei && jetzt >= ende(o) - 500) {
            aenderungEnde = verbrauch();
            aenderungVorbei = true;
        }

        const bool warFehler = p.netzFehler;
        const qint64 nichtVor = p.broadcastNichtVor;
        const DateiStand vorher = p.broadcastStand;
        const auto anfang = std::chrono::steady_clock::now();
        inhalt.NetzWiederholung();
        inhalt.NotizMachen();
        if (p.broadcastStand != vorher && jetzt >= aenderungenAb(o)) {
            ++neuGeoeffnet;
            lesedauern << QString::number(MsSeit(anfang), 'f', 2);
        }
        const bool aufbau = p.aufbauZaehler == 0 || (nichtVor != 0 && p.broadcastNichtVor == 0);
        if (aufbau) {
            ++aufbauten;
            if (p.broadcastBesetzt)
                ++besetzt;
        }
        if (p.netzFehler && !warFehler) {
            ++fehler;
            std::fprintf(stderr, "receiver %d: the rebuild found the file unreachable\n", o.nr);
        }
        if (p.gezeigterText != letzteSicht) {
            letzteSicht = p.gezeigterText;
            sichten << QStringLiteral("%1 %2").arg(JetztMs()).arg(Fingerabdruck(letzteSicht));
        }
        // Behind the beat (the machine is loaded): go on from now.
        naechster = std::max(naechster, JetztMs() - Takt);
    }
    if (!aenderungVorbei)
        aenderungEnde = verbrauch();

    sichten.prepend(lesedauern.join(QLatin1Char(' ')));
    sichten.prepend(Fingerabdruck(letzteSicht));
    sichten.prepend(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10")
                        .arg(besetzt)
                        .arg(fehler)
                        .arg(meldungen)
                        .arg(aufbauten)
                        .arg(ruheEnde.bytes - ruheAnfang.bytes)
                        .arg(ruheEnde.cpuMs - ruheAnfang.cpuMs, 0, 'f', 1)
                        .arg(aenderungEnde.bytes - ruheEnde.bytes)
                        .arg(aenderungEnde.cpuMs - ruheEnde.cpuMs, 0, 'f', 1)
                        .arg(double(aenderungenAb(o) - ruheAb) / 1000.0, 0, 'f', 2)
                        .arg(neuGeoeffnet));
    SchreibeDatei(ordner.filePath(QStringLiteral("empfaenger-%1.txt").arg(o.nr)), sichten);
    return 0;
}

// ---- the leader -----------------------------------------------------------

double anteil(std::vector<double> werte, double q) {
    if (werte.empty())
        return 0;
    std::sort(werte.begin(), werte.end());
    const size_t i = std::min(werte.size() - 1, static_cast<size_t>(q * (werte.size() - 1) + 0.5));
    return werte[i];
}

QString dreiZahlen(const std::vector<double>& werte) {
    return QStringLiteral("median %1, p99 %2, worst %3")
        .arg(anteil(werte, 0.5), 0, 'f', 1)
        .arg(anteil(werte, 0.99), 0, 'f', 1)
        .arg(anteil(werte, 1.0), 0, 'f', 1);
}

int leiter(Optionen o) {
    QTemporaryDir temp;
    const QString datei =
        BroadcastDateiAnlegen(o.ordner, temp, o.notizen,
                              [](int i) { return ImmerFaellig(i, notizText(i, 0)); });
    const QDir ordner(o.ordner);
    const qint64 dateiGroesse = QFileInfo(datei).size();

    // Time for every child to start and open the file before the idle time.
    o.start = JetztMs() + 3000 + 20L * o.empfaenger;
    QStringList gemeinsam{"--ordner",   o.ordner,
                          "--start",    QString::number(o.start),
                          "--ruhe",     QString::number(o.ruhe),
                          "--sekunden", QString::number(o.sekunden),
                          "--abstand",  QString::number(o.abstand),
                          "--nachlauf", QString::number(o.nachlauf)};
    if (o.ohneAblage)
        gemeinsam << "--ohne-ablage";
    if (o.ohneVerzug)
        gemeinsam << "--ohne-verzug";
    if (o.gleichtakt)
        gemeinsam << "--gleichtakt";
    std::vector<pid_t> kinder;
    kinder.push_back(SelbstStarten(QStringList{"--rolle", "sender"} + gemeinsam));
    for (int i = 0; i < o.empfaenger; ++i)
        kinder.push_back(SelbstStarten(
            QStringList{"--rolle", "empfaenger", "--nr", QString::number(i)} + gemeinsam));
    bool gut = KinderAbwarten(kinder);

    // The broadcaster's states: fingerprint -> its index; the moments and
    // save times of the changes.
    const QStringList s = LeseDatei(ordner.filePath(QStringLiteral("sender.txt")));
    if (s.size() < 2) {
        std::printf("FAILED: the broadcaster left no figures\n");
        return 1;
    }
    const long fehlerSender = s[0].toLong();
    QHash<QString, int> stand;
    std::vector<qint64> moment;
    std::vector<double> speichern;
    for (qsizetype i = 1; i < s.size(); ++i) {
        const QStringList t = s[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (t.size() < 3)
            continue;
        stand.insert(t[2], static_cast<int>(moment.size()));
        moment.push_back(t[0].toLongLong());
        if (moment.size() > 1)
            speichern.push_back(t[1].toDouble());
    }
    const int zustaende = static_cast<int>(moment.size());
    const int aenderungen = zustaende - 1;
    const QString letzterStand =
        s.last().isEmpty() ? s[s.size() - 2].split(' ').value(2) : s.last().split(' ').value(2);

    // Per change, per receiver: from the save to the first view of that
    // state or a later one.
    std::vector<std::vector<double>> bisSichtbar(static_cast<size_t>(std::max(0, aenderungen)));
    long besetzt = 0, fehler = fehlerSender, meldungen = 0, aufbauten = 0, fremd = 0;
    int nichtAktuell = 0;
    std::vector<double> ruheBytes, ruheCpu, aenderungBytes, aenderungCpu, leseBytes, leseCpu;
    std::vector<double> lesedauern;
    for (int r = 0; r < o.empfaenger; ++r) {
        const QStringList e =
            LeseDatei(ordner.filePath(QStringLiteral("empfaenger-%1.txt").arg(r)));
        if (e.size() < 3) {
            std::printf("receiver %d: FAILED, no figures\n", r);
            gut = false;
            continue;
        }
        const QStringList z = e[0].split(QLatin1Char(' '));
        besetzt += z.value(0).toLong();
        fehler += z.value(1).toLong();
        meldungen += z.value(2).toLong();
        aufbauten += z.value(3).toLong();
        const double ruheSek = z.value(8).toDouble();
        const double aenderungSek = o.sekunden + o.nachlauf - 0.5;
        // The idle share of the change phase is taken off: what is left is
        // what the changes cost.
        const double bytesRuhe = z.value(4).toDouble() / ruheSek;
        const double cpuRuhe = z.value(5).toDouble() / ruheSek;
        ruheBytes.push_back(bytesRuhe);
        ruheCpu.push_back(cpuRuhe);
        if (aenderungen > 0) {
            aenderungBytes.push_back((z.value(6).toDouble() - bytesRuhe * aenderungSek) /
                                     aenderungen);
            aenderungCpu.push_back((z.value(7).toDouble() - cpuRuhe * aenderungSek) / aenderungen);
        }
        // A receiver reads a changed file once per rebuild however many
        // changes came in between: the cost of one such reading.
        const double lesungen = z.value(9).toDouble();
        if (lesungen > 0) {
            leseBytes.push_back((z.value(6).toDouble() - bytesRuhe * aenderungSek) / lesungen);
            leseCpu.push_back((z.value(7).toDouble() - cpuRuhe * aenderungSek) / lesungen);
        }
        if (e[1] != letzterStand)
            ++nichtAktuell;
        for (const QString& d : e[2].split(QLatin1Char(' '), Qt::SkipEmptyParts))
            lesedauern.push_back(d.toDouble());

        // The first moment each state (or a later one) was shown.
        std::vector<qint64> erstes(static_cast<size_t>(zustaende), 0);
        for (qsizetype i = 3; i < e.size(); ++i) {
            const QStringList t = e[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (t.size() < 2)
                continue;
            const auto it = stand.constFind(t[1]);
            if (it == stand.constEnd()) {
                // An empty band before the first rebuild is no view of the table.
                if (t[1] != Fingerabdruck(QString()))
                    ++fremd;
                continue;
            }
            for (int k = 0; k <= it.value(); ++k)
                if (erstes[size_t(k)] == 0)
                    erstes[size_t(k)] = t[0].toLongLong();
        }
        for (int k = 1; k < zustaende; ++k)
            if (erstes[size_t(k)] != 0)
                bisSichtbar[size_t(k - 1)].push_back(double(erstes[size_t(k)] - moment[size_t(k)]));
    }

    std::vector<double> bisAlle, jeEmpfaenger;
    int nieUeberall = 0;
    for (const auto& zeiten : bisSichtbar) {
        if (static_cast<int>(zeiten.size()) < o.empfaenger) {
            ++nieUeberall;
            continue;
        }
        bisAlle.push_back(*std::max_element(zeiten.begin(), zeiten.end()));
        jeEmpfaenger.insert(jeEmpfaenger.end(), zeiten.begin(), zeiten.end());
    }
    const auto mittel = [](const std::vector<double>& v) {
        double summe = 0;
        for (double x : v)
            summe += x;
        return v.empty() ? 0.0 : summe / double(v.size());
    };

    std::printf("Receivers on one broadcaster's file: %d receivers, %d notes (%lld bytes), "
                "%.0f s idle, %d changes %d ms apart, keys %s, delay %s, rebuilds %s, folder %s\n",
                o.empfaenger, o.notizen, static_cast<long long>(dateiGroesse), o.ruhe, aenderungen,
                o.abstand, o.ohneAblage ? "derived at every open" : "kept",
                o.ohneVerzug ? "none" : "random up to 500 ms",
                o.gleichtakt ? "in step" : "out of step", qPrintable(o.ordner));
    // For figures taken outside (a share's server counters): when each phase began.
    std::printf("phases, ms since the epoch: idle from %lld, changes from %lld to %lld, end %lld\n",
                static_cast<long long>(o.start + 1000), static_cast<long long>(aenderungenAb(o)),
                static_cast<long long>(aenderungenBis(o)), static_cast<long long>(ende(o)));
    std::printf("save time ms: %s\n", qPrintable(dreiZahlen(speichern)));
    std::printf("until every receiver shows a change, ms: %s\n", qPrintable(dreiZahlen(bisAlle)));
    std::printf("until one receiver shows a change, ms: %s\n",
                qPrintable(dreiZahlen(jeEmpfaenger)));
    std::printf("rebuilds %ld, busy %ld, errors %ld, notices %ld, views never held %ld, "
                "changes not seen everywhere %d, receivers not on the last state %d\n",
                aufbauten, besetzt, fehler, meldungen, fremd, nieUeberall, nichtAktuell);
    std::printf("per receiver: idle %.0f bytes/s and %.2f ms CPU/s; per change %.0f bytes and "
                "%.2f ms CPU (mean over receivers; worst %.0f bytes, %.2f ms)\n",
                mittel(ruheBytes), mittel(ruheCpu), mittel(aenderungBytes), mittel(aenderungCpu),
                anteil(aenderungBytes, 1.0), anteil(aenderungCpu, 1.0));
    std::printf("per reading of a changed file: %.0f bytes and %.2f ms CPU (mean over "
                "receivers); its rebuild took ms: %s\n",
                mittel(leseBytes), mittel(leseCpu), qPrintable(dreiZahlen(lesedauern)));
    gut = gut && fehler == 0 && meldungen == 0 && fremd == 0 && nichtAktuell == 0 &&
          nieUeberall == 0 && aenderungen > 0;
    std::printf("%s\n", gut ? "OK" : "FAILED");
    return gut ? 0 : 1;
}

} // namespace

namespace {
// What the library says when a file call fails (which call, which errno):
// "disk I/O error" alone does not tell a share's fault from the program's.
// Busy and locked files and statements prepared anew after a change are
// the normal course here and are left out.
void bibliotheksFehler(void* rolle, int code, const char* text) {
    const int grund = code & 0xFF;
    if (grund == SQLITE_BUSY || grund == SQLITE_LOCKED || grund == SQLITE_OK ||
        grund == SQLITE_SCHEMA || grund == SQLITE_NOTICE || grund == SQLITE_WARNING)
        return;
    std::fprintf(stderr, "%s: library error %d: %s\n", static_cast<const char*>(rolle), code, text);
}
} // namespace

int main(int argc, char** argv) {
    const Optionen o = lesen(argc, argv);
    static const QByteArray rolle =
        (o.rolle == QLatin1String("empfaenger") ? QStringLiteral("receiver %1").arg(o.nr) : o.rolle)
            .toUtf8();
    sqlite3_config(SQLITE_CONFIG_LOG, bibliotheksFehler,
                   const_cast<void*>(static_cast<const void*>(rolle.constData())));
    try {
        if (o.rolle == QLatin1String("sender"))
            return sender(o);
        if (o.rolle == QLatin1String("empfaenger"))
            return empfaenger(o);
        return leiter(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "empfang_last (%s): %s\n", qPrintable(o.rolle), e.what());
        return 1;
    }
}
