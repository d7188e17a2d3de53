// A receiver facing a broadcaster's file in every state a share can hand
// over: broken, foreign, busy, replaced, or left by a crashed writer. The
// bar must neither freeze, nor blank, nor change someone else's file.

#include "EinstellungsSatz.h"
#include "Speicher.h"
#include "TestHilfe.h"
#include "TickerInhalt.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

using namespace pinwick;
using pinwick::test::NotizEinfuegen;
using pinwick::test::NotizZeile;
using pinwick::test::TestUmgebung;

namespace {

NotizZeile permanent(const QString& text) {
    NotizZeile z;
    z.inhalt = text;
    return z;
}

// The bytes of every file in a folder: what "unchanged" means for a share.
QMap<QString, QByteArray> Abdruck(const QString& ordner) {
    QMap<QString, QByteArray> abdruck;
    for (const QFileInfo& f : QDir(ordner).entryInfoList(QDir::Files)) {
        QFile datei(f.filePath());
        datei.open(QIODevice::ReadOnly);
        abdruck[f.fileName()] = QCryptographicHash::hash(datei.readAll(), QCryptographicHash::Sha1);
    }
    return abdruck;
}

class Empfaenger : public ::testing::Test {
public:
    void SetUp() override {
        // These cases are about what a rebuild reads, not when: a changed
        // broadcaster's file is reopened at once.
        inhalt.verzugWuerfeln = [] { return 0; };
        EinstellungenLaden(u.p);
        u.p.Sprache = 1;
        u.p.eigeneErlauben = u.p.zeigDatum = u.p.zeigRahmen = true;
        u.p.uhr.Stellen(QDateTime(QDate(2027, 3, 10), QTime(10, 0, 0)));
        inhalt.textBreite = [](const QString& t) { return int(t.size()) * 100; };
        inhalt.bandBreite = [] { return 100000; };
        inhalt.bubbleZeigen = [this](int, int, const QString& t) { meldungen << t; };
        NotizEinfuegen(*u.p.lokaleNotizen, permanent("eigene"));

        senderPfad = u.Pfad("share/pw.kav");
        senderNeu();
        u.p.broadcastStatus = true;
        u.p.broadcastPfad = senderPfad;
        BroadcastOeffnen(u.p);
        ASSERT_FALSE(u.p.netzFehler);
    }

    // One run of the bar's tick: retry, then the content.
    void tick(bool aufbau) {
        inhalt.NetzWiederholung();
        if (aufbau)
            u.p.aufbauZaehler = 100;
        inhalt.NotizMachen();
    }
    QStringList texte() const {
        QStringList l;
        for (const Eintrag& e : u.p.eintraege)
            l << QString::number(e.quelle) + ":" + e.text;
        return l;
    }
    bool nefe() const { return QFile::exists(u.Pfad("nefe")); }
    // A fresh broadcaster's file with one note, alone in its folder.
    void senderNeu() {
        QDir(u.Pfad("share")).removeRecursively();
        QDir().mkpath(u.Pfad("share"));
        VorlageErzeugen(senderPfad);
        Datenbank db(senderPfad);
        auto rs = db.OpenRecordset(QStringLiteral("select * from Notizen"));
        NotizEinfuegen(*rs, permanent("vom Sender"));
        db.Ausfuehren(QStringLiteral("UPDATE Einstellungen SET notizHgFarbe = 255"));
    }
    void ersetzen(const QByteArray& bytes) {
        QFile::remove(senderPfad);
        QFile f(senderPfad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    TestUmgebung u;
    TickerInhalt inhalt{u.p};
    QStringList meldungen;
    QString senderPfad;
};

const QStringList beide{"1:vom Sender", "0:eigene"};

} // namespace

// Files that cannot give what the walk needs: the outage notice once and the
// marker, the own notes stay, and nothing is adopted from them.
TEST_F(Empfaenger, UnbrauchbareDateiIstUnerreichbarUndDieEigenenBleiben) {
    const std::pair<const char*, std::function<void(Empfaenger&)>> faelle[] = {
        {"zero bytes", [](Empfaenger& t) { t.ersetzen(QByteArray()); }},
        {"not a database", [](Empfaenger& t) { t.ersetzen(QByteArray(8192, 'x')); }},
        {"notes table missing",
         [](Empfaenger& t) {
             Datenbank(t.senderPfad).Ausfuehren(QStringLiteral("DROP TABLE Notizen"));
         }},
        {"column missing",
         [](Empfaenger& t) {
             Datenbank db(t.senderPfad);
             db.Ausfuehren(QStringLiteral("ALTER TABLE Einstellungen RENAME TO alt"));
             db.Ausfuehren(QStringLiteral("CREATE TABLE Einstellungen (Sprache INTEGER)"));
             db.Ausfuehren(QStringLiteral("INSERT INTO Einstellungen VALUES (1)"));
         }},
    };
    for (const auto& [name, schaden] : faelle) {
        SCOPED_TRACE(name);
        tick(true);
        ASSERT_EQ(texte(), beide);
        const int32_t farbe = u.p.notizHgFarbe;

        schaden(*this);
        tick(true);
        tick(false); // the notice comes with the tick after the failed opening
        EXPECT_EQ(meldungen, QStringList{"Network error - cannot reach broadcast server."});
        EXPECT_TRUE(nefe());
        tick(true);
        EXPECT_EQ(texte(), QStringList{"0:eigene"});
        EXPECT_TRUE(u.p.zeigDatum && u.p.zeigRahmen && u.p.eigeneErlauben);
        EXPECT_EQ(u.p.notizHgFarbe, farbe);

        // A minute later the file is tested again: still bad, no second notice.
        u.p.uhr.Stellen(u.p.uhr.Jetzt().addSecs(70));
        for (int i = 0; i < 3; ++i)
            tick(i == 1);
        EXPECT_EQ(meldungen.size(), 1);
        EXPECT_EQ(texte(), QStringList{"0:eigene"});

        // A good file put back under the name: back within the next minute.
        senderNeu();
        u.p.uhr.Stellen(u.p.uhr.Jetzt().addSecs(70));
        tick(false);
        tick(true);
        EXPECT_EQ(texte(), beide);
        EXPECT_FALSE(nefe());
        EXPECT_FALSE(u.p.netzFehler);
        meldungen.clear();
    }
}

// Another program writing: the lock wait is short, the notes shown last
// stay, no notice. Only a lock that outlasts a minute is an outage.
TEST_F(Empfaenger, BesetzteDateiBehaeltDieLetztenNotizen) {
    tick(true);
    ASSERT_EQ(texte(), beide);

    Datenbank schreiber(senderPfad);
    schreiber.Ausfuehren(QStringLiteral("BEGIN EXCLUSIVE"));
    schreiber.Ausfuehren(QStringLiteral("UPDATE Notizen SET inhalt = 'neu'"));

    QElapsedTimer uhr;
    for (int sekunden : {5, 30, 55}) {
        u.p.uhr.Stellen(QDateTime(QDate(2027, 3, 10), QTime(10, 0, 0)).addSecs(sekunden));
        uhr.start();
        tick(true);
        // Generous: the point is "a fraction of a second", not "30 s".
        EXPECT_LT(uhr.elapsed(), 2000) << sekunden;
        EXPECT_EQ(texte(), beide) << sekunden;
        EXPECT_TRUE(meldungen.isEmpty()) << sekunden;
        EXPECT_FALSE(nefe()) << sekunden;
    }

    // Still locked after more than a minute: unreachable, one notice.
    u.p.uhr.Stellen(QDateTime(QDate(2027, 3, 10), QTime(10, 1, 10)));
    tick(true);
    tick(false);
    EXPECT_EQ(meldungen.size(), 1);
    EXPECT_TRUE(nefe());
    tick(true);
    EXPECT_EQ(texte(), QStringList{"0:eigene"});

    // The writer commits; at the next retry the new text comes.
    schreiber.Ausfuehren(QStringLiteral("COMMIT"));
    u.p.uhr.Stellen(QDateTime(QDate(2027, 3, 10), QTime(10, 2, 30)));
    tick(false);
    tick(true);
    EXPECT_EQ(texte(), (QStringList{"1:neu", "0:eigene"}));
    EXPECT_FALSE(nefe());
    EXPECT_EQ(meldungen.size(), 1);
}

// A receiver never writes into the broadcaster's folder, whatever it finds:
// a plain file, one in write-ahead mode, one with a crashed writer's journal.
TEST_F(Empfaenger, DieDateiDesSendersBleibtUnberuehrt) {
    const std::pair<const char*, std::function<void(Empfaenger&)>> faelle[] = {
        {"plain", [](Empfaenger&) {}},
        {"write-ahead log",
         [](Empfaenger& t) {
             Datenbank db(t.senderPfad);
             // Our own connections insist on the rollback journal, so a raw
             // statement on a second connection switches this one.
             db.Ausfuehren(QStringLiteral("PRAGMA journal_mode = WAL"));
             db.Ausfuehren(QStringLiteral("UPDATE Notizen SET inhalt = 'wal'"));
         }},
        {"hot journal",
         [](Empfaenger& t) {
             // A journal left beside the file, as a writer that died mid-commit leaves it.
             QFile j(t.senderPfad + "-journal");
             j.open(QIODevice::WriteOnly);
             j.write(QByteArray(512, '\xd9'));
         }},
    };
    for (const auto& [name, zustand] : faelle) {
        SCOPED_TRACE(name);
        senderNeu();
        zustand(*this);
        const auto vorher = Abdruck(u.Pfad("share"));
        BroadcastOeffnen(u.p);
        for (int i = 0; i < 3; ++i)
            tick(true);
        EXPECT_EQ(Abdruck(u.Pfad("share")), vorher);
        // Whatever it could read, the bar still has its own note.
        EXPECT_TRUE(texte().contains("0:eigene"));
    }
}

// A file copied or renamed over the old one is read afresh.
TEST_F(Empfaenger, ErsetzteDateiWirdNeuGelesen) {
    tick(true);
    ASSERT_EQ(texte(), beide);
    for (const char* neu : {"ersetzt", "nochmal"}) {
        const QString daneben = u.Pfad(QStringLiteral("share/%1.kav").arg(QLatin1String(neu)));
        VorlageErzeugen(daneben);
        {
            Datenbank db(daneben);
            auto rs = db.OpenRecordset(QStringLiteral("select * from Notizen"));
            NotizEinfuegen(*rs, permanent(QString::fromLatin1(neu)));
        }
        ASSERT_EQ(::rename(QFile::encodeName(daneben).constData(),
                           QFile::encodeName(senderPfad).constData()),
                  0);
        tick(true);
        EXPECT_EQ(texte(), (QStringList{QStringLiteral("1:") + QLatin1String(neu), "0:eigene"}));
    }
    EXPECT_TRUE(meldungen.isEmpty());
}

// After the broadcaster's file changed, each receiver waits its own delay
// before it reads it again, and shows what it read last meanwhile; the
// regular rebuilds keep their beat. A delay beyond the bound is cut to it,
// and a clock set back does not stretch the wait.
TEST_F(Empfaenger, NachEinerAenderungErstNachDemVerzugNeuGelesen) {
    struct Fall {
        const char* was;
        int gewuerfelt;
        int gewartetMs;          // when the change shows, counted in 50 ms ticks
        bool uhrZurueck = false; // the clock goes back an hour while waiting
    };
    const Fall faelle[] = {
        {"no delay", 0, 0},
        {"120 ms", 120, 150},
        {"the longest", TickerInhalt::MaxVerzugMs, TickerInhalt::MaxVerzugMs},
        {"more than the bound is cut to it", 5000, TickerInhalt::MaxVerzugMs},
        {"clock set back while waiting", 400, 50, true},
    };
    int stand = 0;
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        inhalt.verzugWuerfeln = [&] { return f.gewuerfelt; };
        tick(true);
        const QStringList vorher = texte();
        ASSERT_EQ(vorher.size(), 2);

        // The file's time must move for the change to be seen.
        QThread::msleep(20);
        const QString neu = QStringLiteral("Stand %1").arg(++stand);
        Datenbank(senderPfad)
            .Ausfuehren(QStringLiteral("UPDATE Notizen SET inhalt = '%1'").arg(neu));
        tick(true);
        const QStringList danach{"1:" + neu, "0:eigene"};
        if (f.gewartetMs == 0) {
            EXPECT_EQ(texte(), danach);
            continue;
        }
        EXPECT_EQ(texte(), vorher);
        if (f.uhrZurueck)
            u.p.uhr.Stellen(u.p.uhr.Jetzt().addSecs(-3600));
        int gewartet = 0;
        while (texte() != danach && gewartet < 2000) {
            u.p.uhr.Stellen(u.p.uhr.Jetzt().addMSecs(50));
            gewartet += 50;
            tick(false);
            if (texte() != danach) {
                EXPECT_EQ(texte(), vorher) << gewartet;
            }
        }
        EXPECT_EQ(gewartet, f.gewartetMs);
        EXPECT_EQ(u.p.broadcastNichtVor, 0);
        // The read that was put off is no regular rebuild: the count goes on.
        EXPECT_EQ(u.p.aufbauZaehler, gewartet / 50);
    }
    EXPECT_TRUE(meldungen.isEmpty());

    // A connection lost while waiting: once the moment has passed, the ticks
    // are no rebuilds.
    inhalt.verzugWuerfeln = [] { return 200; };
    tick(true);
    QThread::msleep(20);
    Datenbank(senderPfad).Ausfuehren(QStringLiteral("UPDATE Notizen SET inhalt = 'weg'"));
    tick(true);
    ASSERT_NE(u.p.broadcastNichtVor, 0);
    ASSERT_TRUE(QFile::rename(senderPfad, senderPfad + ".weg"));
    for (int i = 0; i < 10; ++i) {
        u.p.uhr.Stellen(u.p.uhr.Jetzt().addMSecs(50));
        tick(false);
    }
    EXPECT_EQ(u.p.broadcastNichtVor, 0);
    EXPECT_EQ(u.p.aufbauZaehler, 10);

    // A bar that has not read the file yet (just started) has nothing to
    // show while it waits: it reads a changed file at once.
    ASSERT_TRUE(QFile::rename(senderPfad + ".weg", senderPfad));
    u.p.netzFehler = false;
    QFile::remove(u.Pfad("nefe"));
    BroadcastOeffnen(u.p);
    ASSERT_FALSE(u.p.netzFehler);
    QThread::msleep(20);
    Datenbank(senderPfad).Ausfuehren(QStringLiteral("UPDATE Notizen SET inhalt = 'frisch'"));
    TickerInhalt gestartet{u.p};
    gestartet.verzugWuerfeln = [] { return TickerInhalt::MaxVerzugMs; };
    u.p.aufbauZaehler = 100;
    gestartet.NotizMachen();
    EXPECT_EQ(texte(), (QStringList{"1:frisch", "0:eigene"}));
    EXPECT_EQ(u.p.broadcastNichtVor, 0);
}

// After an outage every receiver of the share tests the file again in the
// same clock minute: each waits its own delay before it opens the file, and
// the outage (marker, bubble, no broadcast notes) lasts until it has.
TEST_F(Empfaenger, NachEinemAusfallErstNachDemVerzugWiederVerbunden) {
    int geschlossen = 0;
    inhalt.bubbleSchliessen = [&] { ++geschlossen; };
    for (const int verzug : {0, 250, TickerInhalt::MaxVerzugMs}) {
        SCOPED_TRACE(verzug);
        inhalt.verzugWuerfeln = [=] { return verzug; };
        tick(true);
        ASSERT_EQ(texte(), beide);
        ASSERT_TRUE(QFile::rename(senderPfad, senderPfad + ".weg"));
        tick(false);
        tick(true);
        ASSERT_TRUE(nefe());
        ASSERT_EQ(texte(), QStringList{"0:eigene"});

        ASSERT_TRUE(QFile::rename(senderPfad + ".weg", senderPfad));
        u.p.uhr.Stellen(u.p.uhr.Jetzt().addSecs(70));
        geschlossen = 0;
        int gewartet = 0;
        tick(false);
        while (nefe() && gewartet < 2000) {
            EXPECT_EQ(texte(), QStringList{"0:eigene"});
            EXPECT_EQ(geschlossen, 0);
            u.p.uhr.Stellen(u.p.uhr.Jetzt().addMSecs(50));
            gewartet += 50;
            tick(false);
        }
        EXPECT_EQ(gewartet, verzug);
        EXPECT_GE(geschlossen, 1);
        tick(true);
        EXPECT_EQ(texte(), beide);
    }
    EXPECT_EQ(meldungen.size(), 3);
}
