// The broadcast over HTTPS under load: many receivers in one process poll
// one nginx while the broadcaster publishes.
//
//   schnappschuss_last [--empfaenger 10000] [--abstand 30] [--ruhe 60]
//                      [--sekunden 300] [--veroeffentlichungen 3] [--notizen 50]
//                      [--arbeiter 1] [--gzip]
//
// Every receiver is the bar's own: a SchnappschussEmpfang (conditional
// fetch of the payload, then its signature, checked on a worker, a mixed
// pair fetched again, growing waits after failures), all of them on one
// HttpAbruf (one libcurl multi handle, so one process holds thousands). Each
// polls every --abstand seconds with its spread of ±25 %, its first poll at
// a random moment of the first interval.
//
// The run: one interval in which every receiver fetches its first
// snapshot, --ruhe seconds without a change (the idle cost), then the
// broadcaster publishes with `pinwick-notes publish` (a process of its
// own, while the receivers fetch) --veroeffentlichungen times, the last
// early enough for every receiver to get it. With --gzip nginx compresses
// the payload for receivers that ask for it (all of them do). Beside the real snapshot the
// server holds four hostile ones; every receiver fetches one of them once,
// after its first snapshot, and must refuse it: a payload changed after
// signing, a trusted comment changed, an older publication served again
// (rolled back), and a validly signed one that has expired.
//
// Prints nginx's processor time per 1,000 receivers (from /proc, master and
// workers), the bytes on the wire per idle poll and per change (headers and
// bodies, from nginx's access log; TLS framing not counted), the time from
// each publication until every receiver held it (median, 99th percentile,
// worst), the errors, and the refusals. Exit code 0 only without errors,
// with every hostile snapshot refused and every publication held by every
// receiver.

#include "Datenbank.h"
#include "HttpAbruf.h"
#include "NginxServer.h"
#include "SchnappschussEmpfang.h"
#include "SchnappschussSignatur.h"
#include "Speicher.h"
#include "Veroeffentlichung.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <queue>
#include <random>
#include <sys/resource.h>

using namespace pinwick;
using pinwick::test::NginxServer;

namespace {

struct Optionen {
    int empfaenger = 10000;
    double abstand = 30;
    double ruhe = 60;
    double sekunden = 300;
    bool gzip = false;
    int veroeffentlichungen = 3;
    int notizen = 50;
    int arbeiter = 1;
};

// The kinds of hostile snapshot, each in a folder of its own.
enum Boese { Manipuliert, Kommentar, Zurueckgerollt, Abgelaufen, BoeseArten };
const char* const boeseOrdner[BoeseArten] = {"manipuliert", "kommentar", "alt", "abgelaufen"};
const char* const boeseGrund[BoeseArten] = {"signature does not match the key",
                                             "signature does not match the key",
                                             "older than the notes already shown", "expired on"};

struct Empfaenger {
    SchnappschussEmpfang* empfang = nullptr;
    bool boeseGeholt = false;
    // (version, ms since the start) of every snapshot accepted.
    std::vector<std::pair<uint64_t, int64_t>> angenommen;
};

struct Veroeffentlichung {
    int64_t beginnMs = 0; // the publishing process started
    uint64_t version = 0;
};

QByteArray Lesen(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Schreiben(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(inhalt) == inhalt.size();
}

int Ausfuehren(const QString& programm, const QStringList& argumente, QByteArray* ausgabe = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(programm, argumente);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000))
        return -1;
    if (ausgabe)
        *ausgabe = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

double Quantil(std::vector<double> werte, double q) {
    if (werte.empty())
        return 0;
    std::sort(werte.begin(), werte.end());
    const size_t i = std::min(werte.size() - 1, static_cast<size_t>(q * double(werte.size() - 1) + 0.5));
    return werte[i];
}

class Last : public QObject {
public:
    Last(const Optionen& o, NginxServer& server, const QString& datei, const QString& www,
         const QString& schluessel, const QByteArray& pub)
        : o_(o), server_(server), datei_(datei), www_(www), schluessel_(schluessel), pub_(pub),
          empfaenger_(static_cast<size_t>(o.empfaenger)), zufall_(20261210) {}

    void Laufen() {
        uhr_.start();
        const int64_t abstandMs = static_cast<int64_t>(o_.abstand * 1000);
        const QString adresse = SchnappschussAdresse(server_.Adresse(QStringLiteral("/")));
        std::uniform_int_distribution<int64_t> erste(0, abstandMs - 1);
        for (int i = 0; i < o_.empfaenger; ++i) {
            auto* e = new SchnappschussEmpfang(abruf_, this);
            empfaenger_[size_t(i)].empfang = e;
            e->Einrichten(adresse, pub_, std::nullopt, server_.Ca());
            e->Intervall(abstandMs);
            connect(e, &SchnappschussEmpfang::Geaendert, this,
                    [this, i](std::shared_ptr<const Schnappschuss> s) { angenommen(i, s); });
            connect(e, &SchnappschussEmpfang::ZustandGeaendert, this,
                    [this, i](const EmpfangsZustand& z) { zustand(i, z); });
            connect(e, &SchnappschussEmpfang::AbrufFertig, this, [this] { ++abfragen_; });
            QTimer::singleShot(std::chrono::milliseconds(erste(zufall_)), e,
                               [this, e] { if (!ende_) e->Starten(); });
        }
        // The publications: after the first interval and the quiet one, the
        // last one early enough for the slowest receiver (a poll interval
        // with its spread, a retry, a margin).
        const int64_t endeMs = static_cast<int64_t>(o_.sekunden * 1000);
        const int64_t ruheMs = static_cast<int64_t>(o_.ruhe * 1000);
        const int64_t erstMs = abstandMs + ruheMs;
        const int64_t letztMs = endeMs - abstandMs * 5 / 4 - 4000;
        for (int k = 0; k < o_.veroeffentlichungen; ++k) {
            const int64_t t = o_.veroeffentlichungen == 1
                                  ? erstMs
                                  : erstMs + (letztMs - erstMs) * k / (o_.veroeffentlichungen - 1);
            QTimer::singleShot(std::chrono::milliseconds(t), this, [this] { veroeffentlichen(); });
        }
        if (letztMs < erstMs)
            std::fprintf(stderr, "warning: --sekunden too short for the publications to arrive\n");
        // nginx's processor time: after the first interval, after the quiet
        // one, at the end.
        QTimer::singleShot(std::chrono::milliseconds(abstandMs), this, [this] {
            cpu_[0] = {server_.Prozessorzeit(), uhr_.elapsed()};
        });
        QTimer::singleShot(std::chrono::milliseconds(erstMs), this, [this] {
            cpu_[1] = {server_.Prozessorzeit(), uhr_.elapsed()};
            server_.LogLesen(0, &logRuheEnde_);
        });
        QTimer::singleShot(std::chrono::milliseconds(endeMs), this, [this] { beenden(); });
        QCoreApplication::exec();
    }

    int Bericht() const;

private:
    void angenommen(int i, const std::shared_ptr<const Schnappschuss>& s) {
        if (!s)
            return; // dropped: an expiry, told by the state as well
        Empfaenger& e = empfaenger_[size_t(i)];
        e.angenommen.emplace_back(s->kopf.version, uhr_.elapsed());
        if (!e.boeseGeholt) {
            e.boeseGeholt = true;
            boeseHolen(i, static_cast<Boese>(i % BoeseArten), s->kopf.version);
        }
    }

    void zustand(int i, const EmpfangsZustand& z) {
        using A = EmpfangsZustand::Art;
        if (z.art == A::Unveraendert)
            ++ruhig_;
        else if (z.art != A::Angenommen && z.art != A::Wartet)
            fehler(i, z.Text());
    }

    // A hostile pair, fetched by a receiver of its own that holds what
    // receiver i holds; it must be refused. A fetch that fails is an error
    // and is tried again.
    void boeseHolen(int i, Boese art, uint64_t zuletzt, int versuch = 0) {
        auto* b = new SchnappschussEmpfang(abruf_, this);
        b->Einrichten(SchnappschussAdresse(server_.Adresse(u'/' + QLatin1String(boeseOrdner[art]) + u'/')),
                      pub_, zuletzt, server_.Ca());
        connect(b, &SchnappschussEmpfang::ZustandGeaendert, this,
                [this, i, art, b, zuletzt, versuch](const EmpfangsZustand& z) {
            using A = EmpfangsZustand::Art;
            if (z.art == A::Wartet)
                return;
            b->Anhalten();
            b->deleteLater();
            if ((z.art == A::Netz || z.art == A::Http || z.art == A::Gedrosselt) && versuch < 5 && !ende_) {
                fehler(i, QStringLiteral("hostile %1: %2").arg(QLatin1String(boeseOrdner[art]), z.Text()));
                QTimer::singleShot(2000, this, [=, this] { boeseHolen(i, art, zuletzt, versuch + 1); });
                return;
            }
            ++boeseGeholt_[art];
            // An expired snapshot older than the one held is refused as
            // older first: refused all the same.
            const bool grundPasst =
                z.grund.contains(QLatin1String(boeseGrund[art])) ||
                (art == Abgelaufen && z.grund.contains(QLatin1String(boeseGrund[Zurueckgerollt])));
            if (z.art == A::Abgelehnt && grundPasst)
                ++boeseVerweigert_[art];
            else
                std::fprintf(stderr, "receiver %d, hostile %s not refused: %s\n", i,
                             boeseOrdner[art], qPrintable(z.Text()));
        });
        b->JetztAbrufen();
    }

    void fehler(int i, const QString& text) {
        if (++fehler_ <= 10)
            std::fprintf(stderr, "receiver %d: %s\n", i, qPrintable(text));
    }

    // A note more, then `pinwick-notes publish` in a process of its own.
    void veroeffentlichen() {
        try {
            Datenbank db(datei_);
            db.Ausfuehren(QStringLiteral("INSERT INTO Notizen (inhalt, Rhythmus) VALUES "
                                         "('Neu um %1 ms', 0)")
                              .arg(uhr_.elapsed()));
        } catch (const std::exception& f) {
            std::fprintf(stderr, "cannot change the notes: %s\n", f.what());
            ++fehler_;
            return;
        }
        auto* p = new QProcess(this);
        const size_t k = veroeffentlicht_.size();
        veroeffentlicht_.push_back({uhr_.elapsed(), 0});
        connect(p, &QProcess::finished, this, [this, p, k](int status) {
            const QByteArray aus = p->readAllStandardOutput();
            p->deleteLater();
            const QByteArray kennung("published version ");
            const qsizetype stelle = aus.indexOf(kennung);
            if (status != 0 || stelle < 0) {
                std::fprintf(stderr, "publish failed: %s\n", aus.constData());
                ++fehler_;
                return;
            }
            veroeffentlicht_[k].version =
                aus.mid(stelle + kennung.size()).split(' ').front().toULongLong();
        });
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->start(QStringLiteral(PINWICK_NOTES),
                 {QStringLiteral("--file"), datei_, QStringLiteral("publish"), QStringLiteral("--to"),
                  www_, QStringLiteral("--secret-key"), schluessel_});
    }

    void beenden() {
        ende_ = true;
        for (Empfaenger& e : empfaenger_)
            e.empfang->Anhalten();
        cpu_[2] = {server_.Prozessorzeit(), uhr_.elapsed()};
        // What is on its way is let finish, for the counts.
        auto* warten = new QTimer(this);
        QElapsedTimer frist;
        frist.start();
        connect(warten, &QTimer::timeout, this, [this, frist] {
            if (abruf_.Laufend() == 0 || frist.elapsed() > 30000)
                QCoreApplication::quit();
        });
        warten->start(50);
    }

    const Optionen o_;
    NginxServer& server_;
    const QString datei_, www_, schluessel_;
    const QByteArray pub_;
    HttpAbruf abruf_;
    QElapsedTimer uhr_;
    std::vector<Empfaenger> empfaenger_;
    std::vector<Veroeffentlichung> veroeffentlicht_;
    std::mt19937_64 zufall_;
    bool ende_ = false;
    int64_t abfragen_ = 0, ruhig_ = 0, fehler_ = 0;
    int64_t boeseGeholt_[BoeseArten] = {}, boeseVerweigert_[BoeseArten] = {};
    struct Messung {
        double sekunden = 0; // nginx's processor time
        int64_t ms = 0;      // when
    };
    Messung cpu_[3];
    int64_t logRuheEnde_ = 0;
};

int Last::Bericht() const {
    const double n = o_.empfaenger;
    std::printf("receivers %d, poll every %.0f s ±25 %%, %.0f s (%.0f s quiet), %zu "
                "publications, snapshot %lld bytes (%d notes)%s, nginx with %d worker(s)\n",
                o_.empfaenger, o_.abstand, o_.sekunden, o_.ruhe, veroeffentlicht_.size(),
                static_cast<long long>(Lesen(QDir(www_).filePath(QStringLiteral("broadcast.json"))).size()),
                o_.notizen, o_.gzip ? ", gzip" : "", o_.arbeiter);

    // nginx's processor time while nothing changes (everyone has fetched
    // once), and while the publications land.
    const auto cpu = [&](const char* was, const Messung& a, const Messung& b) {
        const double sekunden = double(b.ms - a.ms) / 1000;
        const double anteil = sekunden > 0 ? (b.sekunden - a.sekunden) / sekunden : 0;
        std::printf("nginx processor time %s: %.2f s in %.0f s = %.2f %% of one core; per 1,000 "
                    "receivers %.3f %%\n",
                    was, b.sekunden - a.sekunden, sekunden, 100 * anteil, 100 * anteil / (n / 1000));
    };
    if (o_.ruhe > 0)
        cpu("quiet", cpu_[0], cpu_[1]);
    cpu("with publications", cpu_[1], cpu_[2]);

    // Bytes: a 304 to the signature is an idle poll; the 200s of the real
    // pair, divided by the snapshots accepted, are the cost of a change.
    const NginxServer::Verkehr sig = server_.LogLesen(0, nullptr, "/broadcast.json.minisig");
    const NginxServer::Verkehr ruhe =
        server_.LogLesen(0, nullptr, "/broadcast.json", logRuheEnde_);
    const NginxServer::Verkehr last = server_.LogLesen(0, nullptr, "/broadcast.json");
    const NginxServer::Verkehr alle = server_.LogLesen();
    int64_t annahmen = 0;
    for (const Empfaenger& e : empfaenger_)
        annahmen += int64_t(e.angenommen.size());
    // A poll asks for the payload with its ETag: a 304 is an idle poll.
    const double jeRuhig = last.status304 ? double(last.bytes304) / double(last.status304) : 0;
    const double jeAenderung =
        annahmen ? double(sig.bytes200 + last.bytes200) / double(annahmen) : 0;
    std::printf("requests: %lld (%lld answered 304, %lld 200, %lld other); polls %lld, idle %lld\n",
                static_cast<long long>(alle.anfragen), static_cast<long long>(alle.status304),
                static_cast<long long>(alle.status200), static_cast<long long>(alle.andere),
                static_cast<long long>(abfragen_), static_cast<long long>(ruhig_));
    std::printf("bytes on the wire (HTTP headers and bodies, both ways): per idle poll %.0f, "
                "per change and receiver %.0f; while quiet: %lld polls, %lld bytes\n",
                jeRuhig, jeAenderung, static_cast<long long>(ruhe.status304),
                static_cast<long long>(ruhe.bytes304));

    // From each publication until every receiver held it (or a later one).
    const double ziel = o_.abstand * 1.25 + 2;
    bool alleDa = true;
    std::vector<double> alleDauern;
    for (const Veroeffentlichung& v : veroeffentlicht_) {
        std::vector<double> dauern;
        int fehlt = 0;
        for (const Empfaenger& e : empfaenger_) {
            const auto da = std::find_if(e.angenommen.begin(), e.angenommen.end(),
                                         [&](const auto& a) { return v.version && a.first >= v.version; });
            if (da == e.angenommen.end()) {
                ++fehlt;
                continue;
            }
            dauern.push_back(double(da->second - v.beginnMs) / 1000);
        }
        alleDauern.insert(alleDauern.end(), dauern.begin(), dauern.end());
        alleDa = alleDa && fehlt == 0 && v.version;
        std::printf("version %llu: held by %zu of %d receivers after median %.1f s, p99 %.1f s, "
                    "worst %.1f s%s\n",
                    static_cast<unsigned long long>(v.version), dauern.size(), o_.empfaenger,
                    Quantil(dauern, 0.5), Quantil(dauern, 0.99), Quantil(dauern, 1.0),
                    fehlt ? " (some never got it)" : "");
    }
    const double schlimmste = Quantil(alleDauern, 1.0);
    std::printf("new snapshot on every receiver: median %.1f s, p99 %.1f s, worst %.1f s "
                "(target: within %.1f s)%s\n",
                Quantil(alleDauern, 0.5), Quantil(alleDauern, 0.99), schlimmste, ziel,
                schlimmste <= ziel ? "" : " TARGET MISSED");
    std::printf("errors: %lld\n", static_cast<long long>(fehler_));
    bool alleVerweigert = true;
    std::printf("refused:");
    for (int k = 0; k < BoeseArten; ++k) {
        std::printf(" %s %lld/%lld", boeseOrdner[k], static_cast<long long>(boeseVerweigert_[k]),
                    static_cast<long long>(boeseGeholt_[k]));
        alleVerweigert = alleVerweigert && boeseVerweigert_[k] == boeseGeholt_[k];
    }
    int64_t boeseSumme = 0;
    for (int64_t g : boeseGeholt_)
        boeseSumme += g;
    alleVerweigert = alleVerweigert && boeseSumme == o_.empfaenger;
    std::printf("%s\n", alleVerweigert ? "" : " NOT ALL");
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    std::printf("this program's processor time: %.1f s\n",
                double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
                    double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6);
    return fehler_ == 0 && alleVerweigert && alleDa && !veroeffentlicht_.empty() ? 0 : 1;
}

// Raises the limit of open files as far as allowed: every connection in
// flight is one.
void DateienErlauben() {
    rlimit l{};
    if (getrlimit(RLIMIT_NOFILE, &l) == 0 && l.rlim_cur < l.rlim_max) {
        l.rlim_cur = l.rlim_max;
        setrlimit(RLIMIT_NOFILE, &l);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Receivers of the broadcast over HTTPS under load."));
    parser.addHelpOption();
    const QCommandLineOption empfaenger(QStringLiteral("empfaenger"), QStringLiteral("Receivers."),
                                        QStringLiteral("N"), QStringLiteral("10000"));
    const QCommandLineOption abstand(QStringLiteral("abstand"),
                                     QStringLiteral("Poll interval in seconds (±25 %)."),
                                     QStringLiteral("S"), QStringLiteral("30"));
    const QCommandLineOption ruhe(QStringLiteral("ruhe"),
                                  QStringLiteral("Seconds without a change after the first interval."),
                                  QStringLiteral("S"), QStringLiteral("60"));
    const QCommandLineOption sekunden(QStringLiteral("sekunden"), QStringLiteral("Length of the run."),
                                      QStringLiteral("S"), QStringLiteral("300"));
    const QCommandLineOption gzip(QStringLiteral("gzip"), QStringLiteral("nginx compresses the payload."));
    const QCommandLineOption veroeffentlichungen(QStringLiteral("veroeffentlichungen"),
                                                 QStringLiteral("Publications during the run."),
                                                 QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption notizen(QStringLiteral("notizen"), QStringLiteral("Notes in the snapshot."),
                                     QStringLiteral("N"), QStringLiteral("50"));
    const QCommandLineOption arbeiter(QStringLiteral("arbeiter"), QStringLiteral("nginx workers."),
                                      QStringLiteral("N"), QStringLiteral("1"));
    parser.addOptions({empfaenger, abstand, ruhe, sekunden, gzip, veroeffentlichungen, notizen, arbeiter});
    parser.process(app);
    Optionen o;
    o.empfaenger = std::max(1, parser.value(empfaenger).toInt());
    o.abstand = std::max(1.0, parser.value(abstand).toDouble());
    o.ruhe = std::max(0.0, parser.value(ruhe).toDouble());
    o.sekunden = std::max(o.abstand * 3 + o.ruhe, parser.value(sekunden).toDouble());
    o.gzip = parser.isSet(gzip);
    o.veroeffentlichungen = std::max(1, parser.value(veroeffentlichungen).toInt());
    o.notizen = std::max(1, parser.value(notizen).toInt());
    o.arbeiter = std::max(1, parser.value(arbeiter).toInt());
    DateienErlauben();

    QTemporaryDir arbeit;
    const QString datei = arbeit.filePath(QStringLiteral("pw.kav"));
    const QString www = arbeit.filePath(QStringLiteral("www"));
    const QString schluessel = arbeit.filePath(QStringLiteral("sender.key"));
    const QString pubDatei = arbeit.filePath(QStringLiteral("sender.pub"));
    QDir().mkpath(www);
    for (const char* b : boeseOrdner)
        QDir(www).mkpath(QLatin1String(b));
    if (Ausfuehren(QStringLiteral(PINWICK_MINISIGN),
                   {QStringLiteral("-G"), QStringLiteral("-W"), QStringLiteral("-p"), pubDatei,
                    QStringLiteral("-s"), schluessel}) != 0) {
        std::fprintf(stderr, "minisign makes no key\n");
        return 2;
    }
    QByteArray pub;
    for (const QByteArray& z : Lesen(pubDatei).split('\n'))
        if (!z.isEmpty() && !z.startsWith("untrusted comment:"))
            pub = z.trimmed();

    // The broadcaster's file with its notes.
    try {
        VorlageErzeugen(datei);
        Datenbank db(datei);
        db.Ausfuehren(QStringLiteral("BEGIN"));
        for (int i = 1; i <= o.notizen; ++i)
            db.Ausfuehren(QStringLiteral("INSERT INTO Notizen (inhalt, Rhythmus, UhrVon, UhrBis) "
                                         "VALUES ('Notiz %1: Wartung des Servers am Abend, bitte "
                                         "rechtzeitig abmelden', 1, 0.25, 0.75)")
                              .arg(i));
        db.Ausfuehren(QStringLiteral("COMMIT"));
    } catch (const std::exception& f) {
        std::fprintf(stderr, "cannot make the notes file: %s\n", f.what());
        return 2;
    }
    const auto publizieren = [&](const QString& ordner, const QStringList& mehr = {}) {
        QByteArray aus;
        const int status = Ausfuehren(QStringLiteral(PINWICK_NOTES),
                                      QStringList{QStringLiteral("--file"), datei,
                                                  QStringLiteral("publish"), QStringLiteral("--to"),
                                                  ordner, QStringLiteral("--secret-key"), schluessel} +
                                          mehr,
                                      &aus);
        if (status != 0)
            std::fprintf(stderr, "publish failed: %s\n", aus.constData());
        return status == 0;
    };
    const auto boese = [&](Boese b, const char* name) {
        return QDir(www).filePath(QLatin1String(boeseOrdner[b]) + u'/' + QLatin1String(name));
    };
    // The hostile pairs: an old one (rolled back), then the real one, then
    // one that expires at once, and two forgeries of the real one.
    if (!publizieren(QDir(www).filePath(QLatin1String(boeseOrdner[Zurueckgerollt]))) ||
        !publizieren(www) ||
        !publizieren(QDir(www).filePath(QLatin1String(boeseOrdner[Abgelaufen])),
                     {QStringLiteral("--expires"), QStringLiteral("0.00001")}))
        return 2;
    const QByteArray nutzlast = Lesen(QDir(www).filePath(QStringLiteral("broadcast.json")));
    const QByteArray signatur = Lesen(QDir(www).filePath(QStringLiteral("broadcast.json.minisig")));
    QByteArray falsch = nutzlast;
    falsch.replace("Notiz 1:", "Notiz 7:");
    QByteArray falscheSignatur = signatur;
    falscheSignatur.replace("expires:20", "expires:21");
    if (!Schreiben(boese(Manipuliert, "broadcast.json"), falsch) ||
        !Schreiben(boese(Manipuliert, "broadcast.json.minisig"), signatur) ||
        !Schreiben(boese(Kommentar, "broadcast.json"), nutzlast) ||
        !Schreiben(boese(Kommentar, "broadcast.json.minisig"), falscheSignatur))
        return 2;
    QThread::sleep(2); // the expiring one expires

    NginxServer::Optionen no;
    no.arbeiter = o.arbeiter;
    no.verbindungen = std::max(1024, o.empfaenger + 1024);
    no.gzip = o.gzip;
    NginxServer server(www, no);
    if (!server.Fehler().isEmpty()) {
        std::fprintf(stderr, "nginx: %s\n", qPrintable(server.Fehler()));
        return 2;
    }
    Last last(o, server, datei, www, schluessel, pub);
    last.Laufen();
    return last.Bericht();
}
