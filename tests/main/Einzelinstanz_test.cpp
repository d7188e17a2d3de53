// One bar per user and display: the lock, the socket beside it and the one
// line each way between a later start and the running copy.

#include "Einzelinstanz.h"
#include "TestHilfe.h"
#include "../update/server/TestNutzer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include <sys/stat.h>

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

namespace {
QStringList warnungen;
void WarnungMerken(QtMsgType art, const QMessageLogContext&, const QString& text) {
    if (art == QtWarningMsg)
        warnungen.append(text);
}
} // namespace

TEST(Einzelinstanz, LockAndSocketOnlyWhereNoOtherUserCanPutThem) {
    // A session without a runtime folder (ssh -X, su, X started by hand).
    // Another user has made the lock and the socket first where the bar
    // used to fall back to, in the shared temporary folder: the bar must
    // start all the same, and never trust a lock or socket that is not its
    // user's.
    const auto opfer = test::Nutzer("pwopfer");
    const auto fremder = test::Nutzer("nobody");
    if (!opfer || !fremder)
        GTEST_SKIP() << "needs the superuser, to act as two other users";
    QTemporaryDir wurzel;
    const QDir w(wurzel.path());
    ASSERT_EQ(::chmod(QFile::encodeName(w.path()).constData(), 0755), 0);
    const auto name = [&](const QString& pfad) { return QFile::encodeName(w.filePath(pfad)); };
    const auto ordner = [&](const QString& pfad, const test::TestNutzer& wem, mode_t rechte) {
        ASSERT_EQ(::mkdir(name(pfad).constData(), rechte), 0);
        ASSERT_EQ(::chmod(name(pfad).constData(), rechte), 0);
        ASSERT_EQ(::chown(name(pfad).constData(), wem.uid, wem.gid), 0);
    };
    const auto datei = [&](const QString& pfad, const test::TestNutzer& wem) {
        QFile f(w.filePath(pfad));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        // Names a live process (this one) on this host: not stale.
        f.write(QByteArray::number(QCoreApplication::applicationPid()) + "\nPinwick3\n" +
                QSysInfo::machineHostName().toUtf8() + "\n");
        f.close();
        ASSERT_EQ(::chown(name(pfad).constData(), wem.uid, wem.gid), 0);
    };
    QString rechner;
    for (const QChar z : QSysInfo::machineHostName())
        rechner += z.isLetterOrNumber() || z == u'-' || z == u'.' ? z : QChar(u'_');
    const QString privat = QStringLiteral(".pinwick-laufzeit-") + rechner;

    const test::TestNutzer root{0, 0};
    ordner(QStringLiteral("tmp"), root, 01777);
    ordner(QStringLiteral("heim"), *opfer, 0755);
    ordner(QStringLiteral("heimFremd"), *fremder, 0777);
    ordner(QStringLiteral("heimFremd/") + privat, *fremder, 0777);
    ordner(QStringLiteral("tmp/runtime-pwopfer"), *fremder, 0777);
    for (const QString& wo : {QStringLiteral("tmp/"), QStringLiteral("tmp/runtime-pwopfer/"),
                              QStringLiteral("heimFremd/") + privat + u'/'}) {
        datei(wo + QStringLiteral("pinwick-_77.lock"), *fremder);
        datei(wo + QStringLiteral("pinwick-_77.sock"), *fremder);
    }
    ordner(QStringLiteral("lauf"), *opfer, 0700);
    ordner(QStringLiteral("laufFremdeSperre"), *opfer, 0700);
    datei(QStringLiteral("laufFremdeSperre/pinwick-_77.lock"), *fremder);
    ordner(QStringLiteral("laufSocketLink"), *opfer, 0700);
    ASSERT_EQ(::symlink(name(QStringLiteral("tmp/pinwick-_77.sock")).constData(),
                        name(QStringLiteral("laufSocketLink/pinwick-_77.sock")).constData()),
              0);

    struct Fall {
        const char* was;
        const char* laufzeit; // nullptr: no runtime folder
        const char* heim;
        QString ort; // where lock and socket go; empty: nowhere, the bar runs alone
    };
    const Fall faelle[] = {
        {"no runtime folder: a private folder below the home folder", nullptr, "heim",
         w.filePath(QStringLiteral("heim/") + privat)},
        {"no runtime folder, and a home folder anybody may write", nullptr, "heimFremd", {}},
        {"another user's lock in the runtime folder", "laufFremdeSperre", "heim", {}},
        {"a socket that is a link", "laufSocketLink", "heim", {}},
        {"the user's own runtime folder", "lauf", "heim", w.filePath(QStringLiteral("lauf"))},
    };
    const QByteArray alt[] = {qgetenv("XDG_RUNTIME_DIR"), qgetenv("HOME"), qgetenv("TMPDIR"),
                              qgetenv("DISPLAY")};
    qputenv("TMPDIR", name(QStringLiteral("tmp")));
    qputenv("DISPLAY", ":77");
    const QtMessageHandler vorher = qInstallMessageHandler(WarnungMerken);
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        warnungen.clear();
        if (f.laufzeit)
            qputenv("XDG_RUNTIME_DIR", name(QString::fromLatin1(f.laufzeit)));
        else
            qunsetenv("XDG_RUNTIME_DIR");
        qputenv("HOME", name(QString::fromLatin1(f.heim)));
        test::Als(*opfer, [&] {
            const QString pfad = InstanzPfad();
            Einzelinstanz bar(pfad);
            EXPECT_EQ(bar.ErsteOderUebergeben(befehl::zeigen, {}, 500),
                      Einzelinstanz::Ergebnis::Erste);
            EXPECT_EQ(bar.IstAllein(), f.ort.isEmpty());
            EXPECT_EQ(warnungen.isEmpty(), !f.ort.isEmpty()) << warnungen.join(u' ').toStdString();
            if (f.ort.isEmpty())
                return;
            EXPECT_EQ(pfad, f.ort + QStringLiteral("/pinwick-_77"));
            struct stat st {};
            ASSERT_EQ(::lstat(QFile::encodeName(pfad + QStringLiteral(".lock")).constData(), &st), 0);
            EXPECT_EQ(st.st_uid, opfer->uid);
            // It is the one bar: a second start finds it.
            Einzelinstanz zweite(pfad);
            EXPECT_FALSE(zweite.Uebernehmen());
        });
    }
    qInstallMessageHandler(vorher);
    const char* namen[] = {"XDG_RUNTIME_DIR", "HOME", "TMPDIR", "DISPLAY"};
    for (int i = 0; i < 4; ++i) {
        if (alt[i].isNull())
            qunsetenv(namen[i]);
        else
            qputenv(namen[i], alt[i]);
    }
}
