// One bar per user and display: the lock, the socket beside it and the one
// line each way between a later start and the running copy.

#include "Einzelinstanz.h"
#include "TestHilfe.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <atomic>
#include <thread>
#include <utility>
#include <vector>

using namespace pinwick;

namespace {

// Lets the running copy's events run while the later start waits for its
// answer: both live in this one test process. The receiver answers at once
// unless a test says otherwise.
struct Laeufer {
    Einzelinstanz& erste;
    QList<QPair<QByteArray, QByteArray>> erhalten;
    std::function<void(Rueckmeldung&)> antworten = [](Rueckmeldung& r) { r.Erledigt(); };
    explicit Laeufer(Einzelinstanz& e) : erste(e) {
        erste.empfangen = [this](const QByteArray& w, const QByteArray& a, Rueckmeldung r) {
            erhalten.append({w, a});
            antworten(r);
        };
    }
};

// Sends from a second thread of events: the blocking Senden would otherwise
// starve the first copy, which answers from this thread's event loop.
template <typename Aufruf>
auto vonAussen(Aufruf aufruf) {
    decltype(aufruf()) ergebnis{};
    std::atomic<bool> fertig = false;
    std::thread t([&] {
        ergebnis = aufruf();
        fertig = true;
    });
    QElapsedTimer uhr;
    uhr.start();
    while (!fertig && uhr.elapsed() < 8000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    t.join();
    QCoreApplication::processEvents(); // the queued hand-over to empfangen
    return ergebnis;
}

Antwort sendenVonAussen(const QString& pfad, const QByteArray& wort,
                        const QByteArray& argument = {}, int antwortMs = 3000) {
    return vonAussen([&] {
        Einzelinstanz spaeter(pfad);
        return spaeter.Senden(wort, argument, 3000, antwortMs);
    });
}

bool angenommen(const Antwort& a) {
    return a.art == Antwort::Art::Ok;
}

} // namespace

TEST(Einzelinstanz, NamesFollowTheDisplayNotItsScreen) {
    struct Fall {
        const char* anzeige;
        const char* name;
    };
    for (const Fall& f : {Fall{":0", "pinwick-_0"}, Fall{":0.0", "pinwick-_0"},
                          Fall{":1.1", "pinwick-_1"}, Fall{"localhost:10.0", "pinwick-localhost_10"},
                          Fall{"wayland-0", "pinwick-wayland-0"}, Fall{"", "pinwick-ohne"},
                          Fall{"../x/:3", "pinwick-.._x__3"}})
        EXPECT_EQ(InstanzPfad(QStringLiteral("/run/user/1000"), QString::fromUtf8(f.anzeige)),
                  QStringLiteral("/run/user/1000/") + QString::fromUtf8(f.name))
            << f.anzeige;
}

TEST(Einzelinstanz, SecondCopyHandsOverAndTheFirstHearsEveryKnownCommand) {
    QTemporaryDir ordner;
    const QString pfad = ordner.filePath(QStringLiteral("pinwick-_9"));
    Einzelinstanz erste(pfad);
    ASSERT_TRUE(erste.Uebernehmen());
    Laeufer l(erste);

    Einzelinstanz zweite(pfad);
    EXPECT_FALSE(zweite.Uebernehmen()) << "two copies on one display";

    struct Fall {
        QByteArray wort, argument;
        bool angenommen;
    };
    const Fall faelle[] = {{befehl::zeigen, {}, true},
                           {befehl::neueNotiz, {}, true},
                           {"neu-aufbauen", {}, false}, // not one this copy knows
                           {"", {}, false}};
    for (const Fall& f : faelle)
        EXPECT_EQ(angenommen(sendenVonAussen(pfad, f.wort, f.argument)), f.angenommen)
            << f.wort.constData();
    ASSERT_EQ(l.erhalten.size(), 2);
    EXPECT_EQ(l.erhalten[0].first, QByteArray(befehl::zeigen));
    EXPECT_EQ(l.erhalten[1].first, QByteArray(befehl::neueNotiz));

    // A program built on this adds its own words; an argument travels along.
    erste.befehle.append("neu-aufbauen");
    EXPECT_TRUE(angenommen(sendenVonAussen(pfad, "neu-aufbauen", "jetzt bitte")));
    ASSERT_EQ(l.erhalten.size(), 3);
    EXPECT_EQ(l.erhalten[2], qMakePair(QByteArray("neu-aufbauen"), QByteArray("jetzt bitte")));
}

TEST(Einzelinstanz, WhatADeadCopyLeftBehindDoesNotBlock) {
    // The lock names a process that has ended; its socket file is still there.
    QProcess kurz;
    kurz.start(QStringLiteral("true"));
    ASSERT_TRUE(kurz.waitForFinished(5000));
    const qint64 toterProzess = kurz.processId() ? kurz.processId() : 999999;
    QTemporaryDir ordner;
    const QString pfad = ordner.filePath(QStringLiteral("pinwick-_9"));

    struct Fall {
        const char* name;
        bool sperreDa, socketDa;
    };
    for (const Fall& f : {Fall{"lock and socket", true, true}, Fall{"socket only", false, true},
                          Fall{"lock only", true, false}}) {
        QFile::remove(pfad + ".lock");
        QFile::remove(pfad + ".sock");
        if (f.sperreDa) {
            QFile sperre(pfad + ".lock");
            ASSERT_TRUE(sperre.open(QIODevice::WriteOnly));
            sperre.write(QByteArray::number(toterProzess) + "\nPinwick3\n" +
                         QSysInfo::machineHostName().toUtf8() + "\n");
        }
        if (f.socketDa) {
            QFile socket(pfad + ".sock");
            ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
        }
        Einzelinstanz neu(pfad);
        EXPECT_EQ(neu.ErsteOderUebergeben(befehl::zeigen, {}, 500),
                  Einzelinstanz::Ergebnis::Erste)
            << f.name;
    }
}

TEST(Einzelinstanz, NoAnswerFromAStuckCopyIsReportedNotWaitedOnForever) {
    // The lock is held by a live copy (this process) that never listens.
    QTemporaryDir ordner;
    const QString pfad = ordner.filePath(QStringLiteral("pinwick-_9"));
    QLockFile halter(pfad + ".lock");
    ASSERT_TRUE(halter.tryLock(0));
    Einzelinstanz spaeter(pfad);
    EXPECT_EQ(spaeter.ErsteOderUebergeben(befehl::zeigen, {}, 300),
              Einzelinstanz::Ergebnis::Keine);
}

// The running copy answers once it has acted on the command, and says so
// when it will not: the later start hears "ok" only after the deed, a
// refusal with its reason, and no answer as no answer, never as "ok".
TEST(Einzelinstanz, TheAnswerComesWhenTheCopyHasActedAndSaysWhatItDid) {
    QTemporaryDir ordner;
    const QString pfad = ordner.filePath(QStringLiteral("pinwick-_9"));
    Einzelinstanz erste(pfad);
    ASSERT_TRUE(erste.Uebernehmen());
    Laeufer l(erste);
    std::vector<Rueckmeldung> behalten;

    struct Fall {
        const char* name;
        std::function<void(Rueckmeldung&)> antworten;
        int antwortMs;
        Antwort::Art art;
        QString grund;
        int mindestensMs; // the later start has waited at least this long
        Einzelinstanz::Ergebnis ergebnis;
    };
    const Fall faelle[] = {
        {"at once", [](Rueckmeldung& r) { r.Erledigt(); }, 3000, Antwort::Art::Ok, {}, 0,
         Einzelinstanz::Ergebnis::Uebergeben},
        {"after the deed",
         [](Rueckmeldung& r) { QTimer::singleShot(400, [r]() mutable { r.Erledigt(); }); }, 3000,
         Antwort::Art::Ok, {}, 350, Einzelinstanz::Ergebnis::Uebergeben},
        {"refused",
         [](Rueckmeldung& r) { r.Abgelehnt(QStringLiteral("own notes are not allowed here")); },
         3000, Antwort::Art::Abgelehnt, QStringLiteral("own notes are not allowed here"), 0,
         Einzelinstanz::Ergebnis::Abgelehnt},
        {"refused, the reason kept to one line",
         [](Rueckmeldung& r) {
             r.Abgelehnt(QStringLiteral("erste Zeile\nzweite \u00C4nderung"));
             r.Erledigt(); // only the first answer counts
         },
         3000, Antwort::Art::Abgelehnt, QStringLiteral("erste Zeile zweite \u00C4nderung"), 0,
         Einzelinstanz::Ergebnis::Abgelehnt},
        {"dropped without a word", [](Rueckmeldung&) {}, 3000, Antwort::Art::KeineAntwort, {}, 0,
         Einzelinstanz::Ergebnis::Keine},
        {"kept and never answered", [&](Rueckmeldung& r) { behalten.push_back(r); }, 400,
         Antwort::Art::KeineAntwort, {}, 350, Einzelinstanz::Ergebnis::Keine},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        l.antworten = f.antworten;
        l.erhalten.clear();
        QElapsedTimer uhr;
        uhr.start();
        const Antwort a = sendenVonAussen(pfad, befehl::neueNotiz, {}, f.antwortMs);
        EXPECT_EQ(int(a.art), int(f.art));
        EXPECT_EQ(a.grund, f.grund);
        EXPECT_GE(uhr.elapsed(), f.mindestensMs);
        EXPECT_EQ(l.erhalten.size(), 1);

        // The usual start draws the same conclusion, and a command that got
        // over is never sent a second time.
        l.erhalten.clear();
        const auto [ergebnis, grund] = vonAussen([&] {
            Einzelinstanz spaeter(pfad);
            const auto e = spaeter.ErsteOderUebergeben(befehl::neueNotiz, {}, 1500, f.antwortMs);
            return std::make_pair(e, spaeter.Grund());
        });
        EXPECT_EQ(int(ergebnis), int(f.ergebnis));
        EXPECT_EQ(grund, f.grund);
        EXPECT_EQ(l.erhalten.size(), 1);
    }
    // A word the running copy does not know is a refusal that names it.
    const auto [ergebnis, grund] = vonAussen([&] {
        Einzelinstanz spaeter(pfad);
        const auto e = spaeter.ErsteOderUebergeben("neu-aufbauen", {}, 1500, 1000);
        return std::make_pair(e, spaeter.Grund());
    });
    EXPECT_EQ(ergebnis, Einzelinstanz::Ergebnis::Abgelehnt);
    EXPECT_TRUE(grund.contains(QStringLiteral("neu-aufbauen"))) << grund.toStdString();
}
