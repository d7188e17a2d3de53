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
#include <gtest/gtest.h>
#include <atomic>
#include <thread>

using namespace pinwick;

namespace {

// Lets the running copy's events run while the later start waits for its
// answer: both live in this one test process.
struct Laeufer {
    Einzelinstanz& erste;
    QList<QPair<QByteArray, QByteArray>> erhalten;
    explicit Laeufer(Einzelinstanz& e) : erste(e) {
        erste.empfangen = [this](const QByteArray& w, const QByteArray& a) {
            erhalten.append({w, a});
        };
    }
};

// Sends from a second thread of events: the blocking Senden would otherwise
// starve the first copy, which answers from this thread's event loop.
bool sendenVonAussen(const QString& pfad, const QByteArray& wort, const QByteArray& argument = {}) {
    bool ergebnis = false;
    std::atomic<bool> fertig = false;
    std::thread t([&] {
        Einzelinstanz spaeter(pfad);
        ergebnis = spaeter.Senden(wort, argument, 3000);
        fertig = true;
    });
    QElapsedTimer uhr;
    uhr.start();
    while (!fertig && uhr.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    t.join();
    QCoreApplication::processEvents(); // the queued hand-over to empfangen
    return ergebnis;
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
        EXPECT_EQ(sendenVonAussen(pfad, f.wort, f.argument), f.angenommen) << f.wort.constData();
    ASSERT_EQ(l.erhalten.size(), 2);
    EXPECT_EQ(l.erhalten[0].first, QByteArray(befehl::zeigen));
    EXPECT_EQ(l.erhalten[1].first, QByteArray(befehl::neueNotiz));

    // A program built on this adds its own words; an argument travels along.
    erste.befehle.append("neu-aufbauen");
    EXPECT_TRUE(sendenVonAussen(pfad, "neu-aufbauen", "jetzt bitte"));
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
