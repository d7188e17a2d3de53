// Killed while saving: a child process keeps saving notes into a "pw.kav"
// the way the note editor and the administration do, and is killed with
// SIGKILL in the middle of it, again and again.
//
//   absturz_last [--toetungen 20] [--ordner DIR]
//
// The child opens the file as the program's start does (LokalOeffnen) and
// then saves notes as the note editor does (NotizSpeichern: AddNew or Edit,
// the note's columns, Update), new ones and ones it finds again by ID
// (FindLast), and deletes some as the administration does (FindLast,
// Delete), with texts from a few characters up to 20,000 so that a save
// touches one page or many. Before each save it announces it on a pipe
// ("?"), after the call returned it reports it ("!"). The leader kills the
// child a random moment after one of the announcements, then checks the file:
//
// - it opens with the key and PRAGMA integrity_check says "ok";
// - the program's own start checks (LokalOeffnen: every page, every column)
//   pass;
// - a receiver that reads the file before anyone has opened it for writing
//   again (the broadcaster died while saving) either finds it unreachable or
//   reads exactly what the file holds once the journal is rolled back, and
//   leaves the journal where it is;
// - every save the child reported is there (an added note with its text, an
//   edit's new text, a deleted note gone); the one save that was announced
//   but not reported may be there or not, but nothing else differs.
//
// The file carries over from kill to kill. Prints the figures; exit code 0
// only when every check passed.

#include "NotizEingabe.h"
#include "Prozesse.h"
#include "Speicher.h"

#include <sqlcipher/sqlite3.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <cstring>
#include <map>
#include <optional>
#include <poll.h>
#include <random>
#include <thread>

using namespace pinwick;
using namespace pinwick::last;

namespace {

// A note's text from its number and length: the leader rebuilds it from the
// short report line.
QString text(qint64 nummer, int laenge) {
    QString t = QStringLiteral("Notiz %1 ").arg(nummer);
    while (t.size() < laenge)
        t += QStringLiteral("\u00E4bcdefghij");
    return t.left(std::max<qsizetype>(laenge, 1));
}

void melden(const QByteArray& zeile) {
    const QByteArray mit = zeile + '\n';
    qsizetype ab = 0;
    while (ab < mit.size()) {
        const ssize_t n =
            ::write(STDOUT_FILENO, mit.constData() + ab, static_cast<size_t>(mit.size() - ab));
        if (n <= 0)
            std::_Exit(3);
        ab += n;
    }
}

// ---- the child: saves until it is killed ----------------------------------

int kind(const QString& datei, qint64 erste) {
    Programm p;
    p.datenbankDatei = datei;
    LokalOeffnen(p);
    Datensatzmenge& rs = *p.lokaleNotizen;
    std::vector<qint64> ids;
    if (rs.RecordCount() > 0)
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            ids.push_back(rs.Feld(u"ID").alsInt32());

    std::mt19937 zufall(static_cast<unsigned>(erste));
    auto wuerfel = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(zufall); };
    for (qint64 nummer = erste;; ++nummer) {
        const int wurf = wuerfel(100);
        const int laenge = wuerfel(4) == 0 ? 1000 + wuerfel(19000) : 10 + wuerfel(200);
        Notiz n;
        n.inhalt = text(nummer, laenge);
        n.Rhythmus = static_cast<int16_t>(wuerfel(5));
        n.UhrVon = 0.25;
        n.UhrBis = 0.75;
        n.StartDatum = 40000 + wuerfel(10000);
        n.Dauer = static_cast<int16_t>(wuerfel(10));
        n.Vorher = static_cast<int16_t>(wuerfel(10));
        n.RhyDetails = n.Rhythmus == RhythmusWoechentlich ? QStringLiteral("-1 0-1 0 0 0-1")
                       : n.Rhythmus == RhythmusMonatlich  ? QStringLiteral("236")
                                                          : QStringLiteral("24123112");
        if (ids.size() < 30 || wurf < 60) {
            melden(QByteArray("? A ") + QByteArray::number(nummer) + ' ' +
                   QByteArray::number(laenge));
            NotizSpeichern(rs, NotizModus::Neu, 0, n);
            rs.MoveFirst();
            for (int i = 1; i < rs.RecordCount(); ++i)
                rs.MoveNext();
            const qint64 id = rs.Feld(u"ID").alsInt32();
            ids.push_back(id);
            melden(QByteArray("! A ") + QByteArray::number(nummer) + ' ' +
                   QByteArray::number(laenge) + ' ' + QByteArray::number(id));
            continue;
        }
        const size_t k = static_cast<size_t>(wuerfel(static_cast<int>(ids.size())));
        const qint64 id = ids[k];
        rs.FindLast(QStringLiteral("ID = %1").arg(id));
        if (rs.NoMatch()) {
            std::fprintf(stderr, "note %lld is missing\n", static_cast<long long>(id));
            return 1;
        }
        if (wurf < 85) {
            const QByteArray art = QByteArray(" E ") + QByteArray::number(nummer) + ' ' +
                                   QByteArray::number(laenge) + ' ' + QByteArray::number(id);
            melden('?' + art);
            NotizSpeichern(rs, NotizModus::Bearbeiten, rs.Bookmark(), n);
            melden('!' + art);
        } else {
            const QByteArray art = QByteArray(" D 0 0 ") + QByteArray::number(id);
            melden('?' + art);
            rs.Delete();
            ids.erase(ids.begin() + static_cast<std::ptrdiff_t>(k));
            melden('!' + art);
        }
    }
}

// ---- the leader -----------------------------------------------------------

struct Meldung {
    char stufe = 0; // '?' announced, '!' returned
    char art = 0;   // 'A' added, 'E' edited, 'D' deleted
    qint64 nummer = 0;
    int laenge = 0;
    qint64 id = 0;
};

std::optional<Meldung> zeileLesen(const QByteArray& zeile) {
    const QList<QByteArray> teile = zeile.split(' ');
    if (teile.size() < 4 || teile[0].size() != 1 || teile[1].size() != 1)
        return std::nullopt;
    Meldung m;
    m.stufe = teile[0][0];
    m.art = teile[1][0];
    m.nummer = teile[2].toLongLong();
    m.laenge = teile[3].toInt();
    m.id = teile.size() > 4 ? teile[4].toLongLong() : 0;
    return m;
}

// Reads the child's lines until it has announced `bis` saves; then, after a
// random moment, kills it and reads what it wrote before it died.
struct Lauf {
    std::vector<Meldung> meldungen;
    bool haengt = false;
};

Lauf laufen(const QString& datei, qint64 erste, int bis, int verzugUs) {
    int rohr[2];
    if (pipe(rohr) != 0) {
        std::perror("pipe");
        std::exit(2);
    }
    const pid_t pid =
        SelbstStarten({"--kind", datei, "--erste", QString::number(erste)}, rohr[1], rohr[0]);
    ::close(rohr[1]);

    Lauf lauf;
    QByteArray puffer;
    int angekuendigt = 0;
    bool getoetet = false;
    for (;;) {
        pollfd warte{rohr[0], POLLIN, 0};
        // A child that neither writes nor ends within 30 s hangs.
        if (poll(&warte, 1, 30000) == 0) {
            lauf.haengt = true;
            ::kill(pid, SIGKILL);
            getoetet = true;
        }
        char stueck[4096];
        const ssize_t n = ::read(rohr[0], stueck, sizeof stueck);
        if (n <= 0)
            break;
        puffer.append(stueck, n);
        qsizetype ende;
        while ((ende = puffer.indexOf('\n')) >= 0) {
            const QByteArray zeile = puffer.left(ende);
            puffer.remove(0, ende + 1);
            if (const auto m = zeileLesen(zeile)) {
                lauf.meldungen.push_back(*m);
                if (m->stufe == '?' && ++angekuendigt == bis && !getoetet) {
                    std::this_thread::sleep_for(std::chrono::microseconds(verzugUs));
                    ::kill(pid, SIGKILL);
                    getoetet = true;
                }
            }
        }
    }
    ::close(rohr[0]);
    // A line cut off by the kill is no report.
    const int code = Abwarten(pid);
    if (code != 128 + SIGKILL) {
        std::printf("the child ended on its own with %d\n", code);
        lauf.haengt = true;
    }
    return lauf;
}

// PRAGMA integrity_check on a connection of its own; "ok" or the findings.
QString ganzPruefen(const QString& datei) {
    sqlite3* db = nullptr;
    QString ergebnis;
    if (sqlite3_open_v2(QFile::encodeName(datei).constData(), &db, SQLITE_OPEN_READWRITE,
                        nullptr) != SQLITE_OK) {
        ergebnis = QStringLiteral("cannot open");
    } else {
        sqlite3_key(db, Datenbank::Schluessel,
                    static_cast<int>(std::strlen(Datenbank::Schluessel)));
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr) != SQLITE_OK) {
            ergebnis = QString::fromUtf8(sqlite3_errmsg(db));
        } else {
            QStringList befunde;
            int rc;
            while ((rc = sqlite3_step(s)) == SQLITE_ROW)
                befunde.append(
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))));
            if (rc != SQLITE_DONE)
                befunde.append(QString::fromUtf8(sqlite3_errmsg(db)));
            ergebnis = befunde.join(QStringLiteral("; "));
        }
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return ergebnis;
}

int leiter(int toetungen, QString ordnerPfad) {
    QTemporaryDir temp;
    if (ordnerPfad.isEmpty())
        ordnerPfad = temp.path();
    QDir().mkpath(ordnerPfad);
    const QString datei = QDir(ordnerPfad).filePath(QStringLiteral("pw.kav"));
    for (const QString& alt : {datei, datei + QStringLiteral("-journal")})
        QFile::remove(alt);
    VorlageErzeugen(datei);

    std::mt19937 zufall(static_cast<unsigned>(JetztMs()));
    auto wuerfel = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(zufall); };
    std::map<qint64, QString> stand; // ID -> text: what the file must hold
    long gespeichert = 0, mitJournal = 0, beschaedigt = 0, verloren = 0, fremd = 0, schwebendDa = 0,
         schwebendWeg = 0, haengend = 0, empfaengerAbgewiesen = 0, zerrissen = 0;

    for (int runde = 0; runde < toetungen; ++runde) {
        const Lauf lauf = laufen(datei, qint64(runde + 1) * 1000000, 1 + wuerfel(8), wuerfel(8000));
        haengend += lauf.haengt;
        const QString journal = datei + QStringLiteral("-journal");
        const bool journalDa = QFile::exists(journal);
        mitJournal += journalDa;

        // A receiver reads the file first, as it would find a broadcaster
        // that died while saving: it must not see half a save, and must not
        // touch the journal that the writer's next start rolls back with.
        std::optional<std::map<qint64, QString>> empfangen;
        {
            Programm r;
            r.broadcastStatus = true;
            r.broadcastPfad = datei;
            BroadcastOeffnen(r);
            if (!r.netzFehler && !r.broadcastBesetzt && r.broadcastNotizen) {
                empfangen.emplace();
                Datensatzmenge& rs = *r.broadcastNotizen;
                if (rs.RecordCount() > 0)
                    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
                        (*empfangen)[rs.Feld(u"ID").alsInt32()] = rs.Feld(u"inhalt").alsText();
            }
        }
        empfaengerAbgewiesen += !empfangen;
        if (journalDa && !QFile::exists(journal)) {
            std::printf("kill %d: a receiver removed the journal\n", runde + 1);
            ++zerrissen;
        }

        // What the file must hold now, and the one save that may or may not be in.
        // (A plain value and a flag: an optional here trips a false
        // "may be used uninitialized" in GCC 12.)
        Meldung schwebend;
        bool offen = false;
        for (const Meldung& m : lauf.meldungen) {
            offen = m.stufe == '?';
            if (offen) {
                schwebend = m;
                continue;
            }
            ++gespeichert;
            if (m.art == 'D')
                stand.erase(m.id);
            else
                stand[m.id] = text(m.nummer, m.laenge);
        }

        const QString befund = ganzPruefen(datei);
        std::map<qint64, QString> ist;
        try {
            Programm p;
            p.datenbankDatei = datei;
            LokalOeffnen(p);
            Datensatzmenge& rs = *p.lokaleNotizen;
            if (rs.RecordCount() > 0)
                for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
                    ist[rs.Feld(u"ID").alsInt32()] = rs.Feld(u"inhalt").alsText();
        } catch (const std::exception& e) {
            std::printf("kill %d: the start checks fail: %s\n", runde + 1, e.what());
            ++beschaedigt;
            continue;
        }
        if (befund != QLatin1String("ok")) {
            std::printf("kill %d: integrity_check: %s\n", runde + 1, qPrintable(befund));
            ++beschaedigt;
        }

        bool schwebendGefunden = false;
        for (const auto& [id, soll] : stand) {
            const auto it = ist.find(id);
            if (offen && schwebend.id == id) {
                // Edited or deleted when the kill came: before or after.
                const QString neu = text(schwebend.nummer, schwebend.laenge);
                if (schwebend.art == 'D' && it == ist.end()) {
                    schwebendGefunden = true;
                    continue;
                }
                if (schwebend.art == 'E' && it != ist.end() && it->second == neu) {
                    schwebendGefunden = true;
                    continue;
                }
            }
            if (it == ist.end() || it->second != soll) {
                std::printf("kill %d: note %lld %s\n", runde + 1, static_cast<long long>(id),
                            it == ist.end() ? "is lost" : "has another text");
                ++verloren;
            }
        }
        for (const auto& [id, text_] : ist) {
            if (stand.count(id))
                continue;
            if (offen && schwebend.art == 'A' && !schwebendGefunden &&
                text_ == text(schwebend.nummer, schwebend.laenge)) {
                schwebendGefunden = true;
                continue;
            }
            std::printf("kill %d: note %lld was never saved\n", runde + 1,
                        static_cast<long long>(id));
            ++fremd;
        }
        if (offen)
            ++(schwebendGefunden ? schwebendDa : schwebendWeg);
        if (empfangen && *empfangen != ist) {
            std::printf("kill %d: a receiver read notes the file does not hold\n", runde + 1);
            ++zerrissen;
        }
        stand = ist;
    }

    std::printf("Killed while saving: %d kills, %ld saves returned before them, %ld kills left a "
                "journal behind; the save under way at the kill was in the file %ld times and "
                "not %ld times\n",
                toetungen, gespeichert, mitJournal, schwebendDa, schwebendWeg);
    std::printf("a receiver reading first found the file unreachable %ld times and read it "
                "%ld times, %ld times wrongly\n",
                empfaengerAbgewiesen, toetungen - empfaengerAbgewiesen, zerrissen);
    std::printf("damaged files %ld, lost or changed notes %ld, notes never saved %ld, hung "
                "children %ld, %zu notes at the end\n",
                beschaedigt, verloren, fremd, haengend, stand.size());
    const bool gut =
        beschaedigt == 0 && verloren == 0 && fremd == 0 && haengend == 0 && zerrissen == 0;
    std::printf("%s\n", gut ? "OK" : "FAILED");
    return gut ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    int toetungen = 20;
    QString ordner, kindDatei;
    qint64 erste = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray name = argv[i];
        if (name == "--toetungen")
            toetungen = std::atoi(argv[i + 1]);
        else if (name == "--ordner")
            ordner = QString::fromLocal8Bit(argv[i + 1]);
        else if (name == "--kind")
            kindDatei = QString::fromLocal8Bit(argv[i + 1]);
        else if (name == "--erste")
            erste = std::atoll(argv[i + 1]);
        else {
            std::fprintf(stderr, "usage: absturz_last [--toetungen N] [--ordner DIR]\n");
            return 2;
        }
    }
    try {
        if (!kindDatei.isEmpty())
            return kind(kindDatei, erste);
        return leiter(toetungen, ordner);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "absturz_last: %s\n", e.what());
        return 1;
    }
}
