// Broadcast under load: one broadcaster keeps changing its notes while
// receivers read them over and over, each in its own process.
//
//   broadcast_last [--sekunden 10] [--empfaenger 8] [--takt 50] [--ordner DIR]
//
// The broadcaster adds, edits and deletes notes in its "pw.kav" through the
// store's recordset (each change committed on its own) and now and then
// changes a setting. Every receiver reads the broadcaster's notes every
// --takt milliseconds until the time is up. Half of the receivers run the
// ticker's own rebuild (TickerInhalt::NotizMachen with the network watch);
// the others keep one read-only connection and reopen the notes recordset
// with BroadcastMengeNeu and walk it with the schedule test, the same steps
// without the rebuild's recovery around them, so that every failure shows.
//
// A lock that outlasts the receivers' wait is counted as busy, which is not
// an error: the notes shown last stay. Errors are: a read that fails for
// another reason, a network-error notice, a failed write, and a receiver
// whose last view differs from the broadcaster's table once the
// broadcaster has stopped. Prints the figures; exit code 0 only without
// errors.
//
// Every note is due at any moment (permanent, whole-day daily, weekly on
// every day, monthly and yearly with advance days covering every day), so
// the view is the whole table in table order.

#include "Broadcastlast.h"
#include "EinstellungsSatz.h"
#include "TickerInhalt.h"
#include "Zeitplan.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

using namespace pinwick;
using namespace pinwick::last;

namespace {

const QString notizenAbfrage = QStringLiteral("select * from Notizen");
const QString trenn = QStringLiteral(" \u00B7 ");

struct Optionen {
    QString rolle = QStringLiteral("leiter");
    QString ordner;
    QString art;
    double sekunden = 10;
    int empfaenger = 8;
    int takt = 50;
    int nr = 0;
    qint64 ende = 0;
};

Optionen lesen(int argc, char** argv) {
    Optionen o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString name = QString::fromLocal8Bit(argv[i]);
        const QString wert = QString::fromLocal8Bit(argv[i + 1]);
        if (name == QLatin1String("--rolle"))
            o.rolle = wert;
        else if (name == QLatin1String("--ordner"))
            o.ordner = wert;
        else if (name == QLatin1String("--art"))
            o.art = wert;
        else if (name == QLatin1String("--sekunden"))
            o.sekunden = wert.toDouble();
        else if (name == QLatin1String("--empfaenger"))
            o.empfaenger = wert.toInt();
        else if (name == QLatin1String("--takt"))
            o.takt = wert.toInt();
        else if (name == QLatin1String("--nr"))
            o.nr = wert.toInt();
        else if (name == QLatin1String("--ende"))
            o.ende = wert.toLongLong();
        else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            std::exit(2);
        }
    }
    return o;
}

// Daily notes alternate between the whole day and up to 23:59:59, the two
// ways a daily note covers every moment.
Notiz immerFaellig(int variante, const QString& text) {
    Notiz n = ImmerFaellig(variante, text);
    if (n.Rhythmus == RhythmusTaeglich && variante % 2 == 0)
        n.UhrBis = 0.99999;
    return n;
}

QString notizText(int nummer, int stand) {
    return QStringLiteral("Notiz %1 Stand %2 \u00E4\u00F6\u00DF").arg(nummer).arg(stand);
}

// ---- the broadcaster ------------------------------------------------------

int sender(const Optionen& o) {
    const QDir ordner(o.ordner);
    std::mt19937 zufall(static_cast<unsigned>(JetztMs()));
    auto wuerfel = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(zufall); };

    Arbeitsbereich arbeitsbereich;
    auto db = arbeitsbereich.OpenDatabase(ordner.filePath(QStringLiteral("pw.kav")));
    auto notizen = db->OpenRecordset(notizenAbfrage);
    auto einstellungen = db->OpenRecordset(QStringLiteral("select * from Einstellungen"));

    // The IDs in the table, and for each its text's number and state.
    struct Stand {
        qint64 id;
        int nummer;
        int stand;
    };
    std::vector<Stand> zeilen;
    for (notizen->MoveFirst(); !notizen->Eof(); notizen->MoveNext())
        zeilen.push_back({notizen->Feld(u"ID").alsInt32(), static_cast<int>(zeilen.size()), 0});
    int naechsteNummer = 100000;

    // Every state the table went through, as its fingerprint: whatever a
    // receiver shows in between must be one of them, never a mixture.
    QSet<QString> staende{Fingerabdruck(TabellenText(*notizen))};

    long neu = 0, geaendert = 0, geloescht = 0, farben = 0, fehler = 0;
    double schlechteste = 0;
    while (JetztMs() < o.ende) {
        const int wurf = wuerfel(100);
        const auto anfang = std::chrono::steady_clock::now();
        try {
            if (zeilen.size() < 20 || (zeilen.size() < 120 && wurf < 40)) {
                const int nummer = naechsteNummer++;
                notizen->AddNew();
                NotizSchreiben(*notizen, immerFaellig(nummer, notizText(nummer, 0)));
                notizen->Update();
                // The new row is the last one.
                notizen->MoveFirst();
                for (int i = 1; i < notizen->RecordCount(); ++i)
                    notizen->MoveNext();
                zeilen.push_back({notizen->Feld(u"ID").alsInt32(), nummer, 0});
                ++neu;
            } else if (wurf < 97) {
                const bool loeschen = wurf >= 75;
                const size_t k = static_cast<size_t>(wuerfel(static_cast<int>(zeilen.size())));
                notizen->FindLast(QStringLiteral("ID = %1").arg(zeilen[k].id));
                if (notizen->NoMatch())
                    throw DatenFehler("a note the broadcaster wrote is gone");
                if (loeschen) {
                    notizen->Delete();
                    zeilen.erase(zeilen.begin() + static_cast<std::ptrdiff_t>(k));
                    ++geloescht;
                } else {
                    Stand& s = zeilen[k];
                    notizen->Edit();
                    NotizSchreiben(*notizen,
                                   immerFaellig(wuerfel(5), notizText(s.nummer, ++s.stand)));
                    notizen->Update();
                    ++geaendert;
                }
            } else {
                einstellungen->MoveFirst();
                einstellungen->Edit();
                einstellungen->Setze(u"SchriftFarbe", Wert(wuerfel(0x1000000)));
                einstellungen->Update();
                ++farben;
            }
        } catch (const std::exception& e) {
            ++fehler;
            std::fprintf(stderr, "broadcaster: %s\n", e.what());
        }
        schlechteste = std::max(schlechteste, MsSeit(anfang));
        staende.insert(Fingerabdruck(TabellenText(*notizen)));
        std::this_thread::sleep_for(std::chrono::milliseconds(wuerfel(6)));
    }

    // The table as it stands, read through a connection of its own.
    Datenbank pruefung(ordner.filePath(QStringLiteral("pw.kav")));
    auto alle = pruefung.OpenRecordset(notizenAbfrage);
    auto farbe = pruefung.OpenRecordset(QStringLiteral("select * from Einstellungen"));
    farbe->MoveFirst();
    SchreibeDatei(ordner.filePath(QStringLiteral("sender.txt")),
                  {QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                       .arg(neu)
                       .arg(geaendert)
                       .arg(geloescht)
                       .arg(farben)
                       .arg(fehler)
                       .arg(schlechteste, 0, 'f', 1)
                       .arg(alle->RecordCount()),
                   TabellenText(*alle), farbe->Feld(u"SchriftFarbe").alsText(),
                   QStringList(staende.begin(), staende.end()).join(QLatin1Char(' '))});
    return 0;
}

// ---- a receiver -----------------------------------------------------------

struct Zaehler {
    long lesungen = 0, besetzt = 0, fehler = 0, meldungen = 0, ueber250 = 0;
    double schlechteste = 0, schlechtesteGelungen = 0, summe = 0;
};

// The ticker's steps without its recovery: reopen the notes recordset on the
// open read-only connection and walk it with the schedule test.
bool direktLesen(Programm& p, QString& sicht, Zaehler& z) {
    try {
        if (!p.broadcastDatenbank) {
            BroadcastOeffnen(p);
            if (p.netzFehler) {
                p.netzFehler = false;
                throw DatenFehler("the broadcaster's file cannot be opened");
            }
            if (p.broadcastBesetzt) {
                ++z.besetzt;
                return false;
            }
        }
        BroadcastMengeNeu(p, p.broadcastNotizen, notizenAbfrage);
        Datensatzmenge& rs = *p.broadcastNotizen;
        const QDateTime jetzt = QDateTime::currentDateTime();
        QString text;
        if (rs.RecordCount() > 0) {
            for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
                rs.Bookmark();
                const int16_t rhythmus = rs.Feld(u"Rhythmus").alsInt16();
                if (rhythmus <= 0 || ZeitTestKern(rs, jetzt))
                    text += rs.Feld(u"inhalt").alsText() + trenn;
            }
        }
        sicht = text;
        return true;
    } catch (const BesetztFehler&) {
        ++z.besetzt;
    } catch (const std::exception& e) {
        ++z.fehler;
        if (z.fehler <= 5)
            std::fprintf(stderr, "receiver %lld: %s\n", static_cast<long long>(getpid()), e.what());
        p.broadcastDatenbank.reset();
    }
    return false;
}

int empfaenger(const Optionen& o) {
    const QDir ordner(o.ordner);
    const bool ticker = o.art == QLatin1String("ticker");

    Programm p;
    EmpfaengerEinrichten(p, ordner, o.nr);

    Zaehler z;
    TickerInhalt inhalt(p);
    inhalt.bubbleZeigen = [&](int, int, const QString& text) {
        ++z.meldungen;
        std::fprintf(stderr, "receiver %d: notice \"%s\"\n", o.nr, qPrintable(text));
    };
    QString sicht;
    QSet<QString> gesehen; // fingerprints of the views shown
    BroadcastOeffnen(p);
    if (p.netzFehler) {
        std::fprintf(stderr, "receiver %d: the broadcaster's file did not open\n", o.nr);
        return 1;
    }

    auto einmal = [&]() -> bool {
        const auto anfang = std::chrono::steady_clock::now();
        bool gelungen = false;
        if (ticker) {
            const bool warFehler = p.netzFehler;
            inhalt.NetzWiederholung();
            p.aufbauZaehler = 99; // every run a rebuild
            inhalt.NotizMachen();
            if (p.netzFehler && !warFehler) {
                ++z.fehler;
                std::fprintf(stderr, "receiver %d: the rebuild found the file unreachable\n", o.nr);
            }
            gelungen = !p.broadcastBesetzt && !p.netzFehler;
            if (p.broadcastBesetzt)
                ++z.besetzt;
            sicht = p.neuerText;
        } else {
            gelungen = direktLesen(p, sicht, z);
        }
        const double dauer = MsSeit(anfang);
        if (gelungen)
            gesehen.insert(Fingerabdruck(sicht));
        ++z.lesungen;
        z.summe += dauer;
        z.schlechteste = std::max(z.schlechteste, dauer);
        if (gelungen)
            z.schlechtesteGelungen = std::max(z.schlechtesteGelungen, dauer);
        if (dauer > 250)
            ++z.ueber250;
        return gelungen;
    };

    for (qint64 naechster = JetztMs(); naechster < o.ende; naechster += o.takt) {
        SchlafenBis(naechster);
        einmal();
        // Behind the beat (the machine is loaded): go on from now.
        naechster = std::max(naechster, JetztMs() - o.takt);
    }

    // The last view, once the broadcaster has stopped writing.
    const QString fertig = ordner.filePath(QStringLiteral("sender.txt"));
    for (int i = 0; i < 600 && !QFile::exists(fertig); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    bool gelungen = false;
    for (int i = 0; i < 20 && !gelungen; ++i)
        gelungen = einmal();
    // A ticker that saw the last change waits its short delay before it
    // reads the file again, and shows the notes read before meanwhile.
    for (int i = 0; i < 40 && ticker && p.broadcastNichtVor != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(o.takt));
        gelungen = einmal();
    }

    SchreibeDatei(ordner.filePath(QStringLiteral("empfaenger-%1.txt").arg(o.nr)),
                  {QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                       .arg(z.lesungen)
                       .arg(z.besetzt)
                       .arg(z.fehler)
                       .arg(z.meldungen)
                       .arg(z.ueber250)
                       .arg(z.schlechteste, 0, 'f', 1)
                       .arg(z.schlechtesteGelungen, 0, 'f', 1)
                       .arg(z.summe, 0, 'f', 1),
                   gelungen ? sicht : QStringLiteral("(no last read)"),
                   ticker ? QString::number(p.SchriftFarbe) : QString(),
                   QStringList(gesehen.begin(), gesehen.end()).join(QLatin1Char(' '))});
    return 0;
}

// ---- the leader -----------------------------------------------------------

int leiter(Optionen o) {
    QTemporaryDir temp;
    BroadcastDateiAnlegen(o.ordner, temp, 40,
                          [](int i) { return immerFaellig(i, notizText(i, 0)); });
    const QDir ordner(o.ordner);

    // A common moment to stop, after the children have had time to start.
    const qint64 ende = JetztMs() + 1000 + static_cast<qint64>(o.sekunden * 1000);
    const QString endeText = QString::number(ende);
    std::vector<pid_t> kinder;
    kinder.push_back(
        SelbstStarten({"--rolle", "sender", "--ordner", o.ordner, "--ende", endeText}));
    for (int i = 0; i < o.empfaenger; ++i)
        kinder.push_back(SelbstStarten({"--rolle", "empfaenger", "--nr", QString::number(i),
                                        "--art", i % 2 ? "ticker" : "direkt", "--ordner", o.ordner,
                                        "--ende", endeText, "--takt", QString::number(o.takt)}));
    bool gut = KinderAbwarten(kinder);

    const QStringList s = LeseDatei(ordner.filePath(QStringLiteral("sender.txt")));
    if (s.size() < 4) {
        std::printf("FAILED: the broadcaster left no figures\n");
        return 1;
    }
    const QStringList sz = s[0].split(QLatin1Char(' '));
    const long fehlerSender = sz.value(4).toLong();
    std::printf("Broadcast under load: 1 broadcaster, %d receivers, %.0f s, a read every %d ms\n",
                o.empfaenger, o.sekunden, o.takt);
    std::printf(
        "broadcaster: %ld writes (%s added, %s edited, %s deleted, %s settings), "
        "%ld failed, longest write %s ms, %s notes at the end\n",
        sz.value(0).toLong() + sz.value(1).toLong() + sz.value(2).toLong() + sz.value(3).toLong(),
        qPrintable(sz.value(0)), qPrintable(sz.value(1)), qPrintable(sz.value(2)),
        qPrintable(sz.value(3)), fehlerSender, qPrintable(sz.value(5)), qPrintable(sz.value(6)));
    gut = gut && fehlerSender == 0;
    const QStringList staendeListe = s[3].split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QSet<QString> staende(staendeListe.begin(), staendeListe.end());

    long lesungen = 0, besetzt = 0, fehler = 0, meldungen = 0, ueber250 = 0;
    double schlechteste = 0, schlechtesteGelungen = 0, summe = 0;
    int abweichend = 0;
    long fremdeSichten = 0;
    for (int i = 0; i < o.empfaenger; ++i) {
        const QStringList e =
            LeseDatei(ordner.filePath(QStringLiteral("empfaenger-%1.txt").arg(i)));
        if (e.size() < 4) {
            std::printf("receiver %d: FAILED, no figures\n", i);
            gut = false;
            continue;
        }
        const QStringList ez = e[0].split(QLatin1Char(' '));
        const bool ticker = i % 2;
        const bool gleich = e[1] == s[1] && (!ticker || e[2] == s[2]);
        long fremd = 0;
        for (const QString& f : e[3].split(QLatin1Char(' '), Qt::SkipEmptyParts))
            fremd += !staende.contains(f);
        fremdeSichten += fremd;
        std::printf(
            "receiver %d (%s): %s reads, %s busy, %s errors, %s notices, worst read %s ms "
            "(%s ms when not busy), mean %.1f ms, %ld views the broadcaster never held, last "
            "view %s\n",
            i, ticker ? "ticker rebuild" : "recordset walk", qPrintable(ez.value(0)),
            qPrintable(ez.value(1)), qPrintable(ez.value(2)), qPrintable(ez.value(3)),
            qPrintable(ez.value(5)), qPrintable(ez.value(6)),
            ez.value(7).toDouble() / std::max(1L, ez.value(0).toLong()), fremd,
            gleich ? "identical" : "DIFFERS");
        lesungen += ez.value(0).toLong();
        besetzt += ez.value(1).toLong();
        fehler += ez.value(2).toLong();
        meldungen += ez.value(3).toLong();
        ueber250 += ez.value(4).toLong();
        schlechteste = std::max(schlechteste, ez.value(5).toDouble());
        schlechtesteGelungen = std::max(schlechtesteGelungen, ez.value(6).toDouble());
        summe += ez.value(7).toDouble();
        if (!gleich)
            ++abweichend;
    }
    std::printf("all receivers: %ld reads, %ld busy (%.2f%%), %ld errors, %ld notices, "
                "%ld reads over 250 ms, worst read %.1f ms (%.1f ms when not busy), "
                "mean %.1f ms, %ld views the broadcaster never held, %d last views differ; the "
                "broadcaster's table went through %lld states\n",
                lesungen, besetzt, lesungen ? 100.0 * besetzt / lesungen : 0.0, fehler, meldungen,
                ueber250, schlechteste, schlechtesteGelungen, lesungen ? summe / lesungen : 0.0,
                fremdeSichten, abweichend, static_cast<long long>(staende.size()));
    gut = gut && fehler == 0 && meldungen == 0 && abweichend == 0 && fremdeSichten == 0;
    std::printf("%s\n", gut ? "OK" : "FAILED");
    return gut ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const Optionen o = lesen(argc, argv);
    try {
        if (o.rolle == QLatin1String("sender"))
            return sender(o);
        if (o.rolle == QLatin1String("empfaenger"))
            return empfaenger(o);
        return leiter(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "broadcast_last (%s): %s\n", qPrintable(o.rolle), e.what());
        return 1;
    }
}
