// Working files that someone else (a setup, an earlier run, a user, a broken
// disk) may have left in a state the program never writes: garbage, a line
// of a megabyte, binary data, no line break at all, a folder or a pipe under
// the file's name. Every case ends with a clear outcome and no hang.

#include "EinstellungsSatz.h"
#include "ProgrammStart.h"
#include "Speicher.h"
#include "TestHilfe.h"
#include "TickerInhalt.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace pinwick;
using pinwick::test::NotizEinfuegen;
using pinwick::test::NotizZeile;
using pinwick::test::TestUmgebung;

namespace {

// What lies under a working file's name.
struct Fremd {
    const char* name;
    enum Art { Datei, Ordner, Rohr } art = Datei;
    QByteArray inhalt;
};

// Test names and failure messages name the case, not its bytes.
void PrintTo(const Fremd& f, std::ostream* os) {
    *os << f.name;
}

QByteArray megabyte(char zeichen) {
    return QByteArray(1 << 20, zeichen);
}

QByteArray binaer() {
    QByteArray b;
    for (int runde = 0; runde < 64; ++runde)
        for (int i = 0; i < 256; ++i)
            b.append(static_cast<char>((i * 7 + runde) & 0xFF));
    return b;
}

void legen(const QString& pfad, const Fremd& f) {
    QFile::remove(pfad);
    QDir().rmdir(pfad);
    switch (f.art) {
    case Fremd::Ordner:
        ASSERT_TRUE(QDir().mkpath(pfad));
        break;
    case Fremd::Rohr:
        ASSERT_EQ(::mkfifo(QFile::encodeName(pfad).constData(), 0600), 0);
        break;
    case Fremd::Datei: {
        QFile datei(pfad);
        ASSERT_TRUE(datei.open(QIODevice::WriteOnly));
        ASSERT_EQ(datei.write(f.inhalt), f.inhalt.size());
        break;
    }
    }
}

// ---- the setup's language file, read at the first start ---------------------

struct SprachFall {
    Fremd datei;
    int16_t sprache; // the language the program runs in afterwards
};

void PrintTo(const SprachFall& f, std::ostream* os) {
    *os << f.datei.name;
}

class Sprachdatei : public ::testing::TestWithParam<SprachFall> {
protected:
    void SetUp() override {
        alterHome = qgetenv("HOME");
        qputenv("HOME", heim.path().toLocal8Bit());
        arbeit = QDir(arbeitsOrdner.path());
        VorlageErzeugen(arbeit.filePath("org.kav"));
        // The template's own language is German: a file that names none keeps it.
        Datenbank vorlage(arbeit.filePath("org.kav"));
        vorlage.Ausfuehren(QStringLiteral("UPDATE Einstellungen SET Sprache = 2"));
    }
    void TearDown() override { qputenv("HOME", alterHome); }

    QTemporaryDir heim, arbeitsOrdner;
    QDir arbeit;
    QByteArray alterHome;
};

TEST_P(Sprachdatei, StartRunsInAClearLanguageAndLeavesTheFileAlone) {
    const SprachFall& f = GetParam();
    const QString pfad = arbeit.filePath("ssp.kav");
    legen(pfad, f.datei);
    Programm p;
    p.arbeitsOrdner = arbeit;
    StartFenster fenster;
    fenster.warten = false;
    bool leiste = false;
    fenster.leisteZeigen = [&] { leiste = true; };
    QElapsedTimer uhr;
    uhr.start();
    ASSERT_NO_THROW(ProgrammStart(p, fenster));
    EXPECT_LT(uhr.elapsed(), 5000);
    EXPECT_TRUE(leiste);
    EXPECT_EQ(p.Sprache, f.sprache);
    // The first run is over: the next start does not read the file again
    // and runs in the table's language.
    Programm zweiter;
    zweiter.arbeitsOrdner = arbeit;
    ASSERT_NO_THROW(ProgrammStart(zweiter, fenster));
    EXPECT_EQ(zweiter.Sprache, 2);
    // The setup's file is not the program's to change.
    const QFileInfo info(pfad);
    EXPECT_TRUE(info.exists() || info.isSymLink());
    if (f.datei.art == Fremd::Datei) {
        QFile datei(pfad);
        ASSERT_TRUE(datei.open(QIODevice::ReadOnly));
        EXPECT_EQ(datei.readAll(), f.datei.inhalt);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fremd, Sprachdatei,
    ::testing::Values(
        SprachFall{{"empty", Fremd::Datei, ""}, 2},
        SprachFall{{"line_break_only", Fremd::Datei, "\r\n"}, 2},
        SprachFall{{"garbage", Fremd::Datei, "deutsch bitte\r\n"}, 2},
        SprachFall{{"no_line_break", Fremd::Datei, "1"}, 1},
        SprachFall{{"lf_only", Fremd::Datei, "1\n"}, 1},
        SprachFall{{"cr_only", Fremd::Datei, "1\r"}, 1},
        SprachFall{{"megabyte_line_first", Fremd::Datei, megabyte('x') + "\r\n1\r\n"}, 2},
        SprachFall{{"megabyte_of_digits", Fremd::Datei, "1" + megabyte('1')}, 2},
        SprachFall{{"number_then_megabyte", Fremd::Datei, "1\r\n" + megabyte('\x01')}, 1},
        SprachFall{{"binary", Fremd::Datei, binaer()}, 2},
        SprachFall{{"nul_first", Fremd::Datei,
                    QByteArray("\0"
                               "1\r\n",
                               4)},
                   2},
        SprachFall{{"utf16_with_bom", Fremd::Datei,
                    QByteArray("\xff\xfe"
                               "1\0\r\0\n\0",
                               8)},
                   2},
        SprachFall{{"out_of_range", Fremd::Datei, "70000\r\n"}, 2},
        // Any number in range is taken; windows show their German design
        // captions for a language other than 1 and 2.
        SprachFall{{"other_number", Fremd::Datei, "3\r\n"}, 3},
        SprachFall{{"folder", Fremd::Ordner, {}}, 2}, SprachFall{{"pipe", Fremd::Rohr, {}}, 2}),
    [](const auto& info) { return std::string(info.param.datei.name); });

// ---- the network-error marker, read by the ticker -----------------------------

class Marker : public ::testing::TestWithParam<Fremd> {
protected:
    void SetUp() override {
        // These cases are about what a rebuild reads, not when: a changed
        // broadcaster's file is reopened at once.
        inhalt.verzugWuerfeln = [] { return 0; };
        EinstellungenLaden(u.p);
        u.p.Sprache = 1;
        u.p.tonAn = false;
        u.p.uhr.Stellen(QDateTime(QDate(2027, 3, 10), QTime(10, 0, 0)));
        inhalt.bubbleZeigen = [this](int, int, const QString& t) { meldungen << t; };
        senderPfad = u.NeueDatenbank(QStringLiteral("sender.kav"));
        {
            Datenbank sender(senderPfad);
            auto notizen = sender.OpenRecordset(QStringLiteral("select * from Notizen"));
            NotizZeile z;
            z.inhalt = QStringLiteral("Sender");
            NotizEinfuegen(*notizen, z);
        }
        u.p.broadcastStatus = true;
        u.p.broadcastPfad = senderPfad;
        BroadcastOeffnen(u.p);
    }
    // One tick of the bar as far as the content goes: the retry, then the run.
    void takt() {
        inhalt.NetzWiederholung();
        inhalt.NotizMachen();
    }
    QStringList texte() const {
        QStringList l;
        for (const Eintrag& e : u.p.eintraege)
            l << QString::number(e.quelle) + ":" + e.text;
        return l;
    }

    TestUmgebung u;
    TickerInhalt inhalt{u.p};
    QStringList meldungen;
    QString senderPfad;
};

TEST_P(Marker, OneNoticePerOutageAndTheNotesComeBack) {
    const Fremd& f = GetParam();
    const QString nefe = u.Pfad(QStringLiteral("nefe"));
    u.p.aufbauZaehler = 99;
    takt();
    ASSERT_EQ(texte(), QStringList{"1:Sender"});

    // An outage, with the marker left in the hostile state (by an earlier
    // run, or by someone else) and a working folder where it cannot be written.
    legen(nefe, f);
    ASSERT_TRUE(QFile::rename(senderPfad, senderPfad + ".weg"));
    QElapsedTimer uhr;
    uhr.start();
    for (int minute = 0; minute < 3; ++minute) {
        for (int i = 0; i < 40; ++i)
            takt();
        u.p.uhr.Vorstellen(61);
    }
    EXPECT_LT(uhr.elapsed(), 10000);
    EXPECT_TRUE(u.p.netzFehler);
    // A marker that was there says "noticed already"; one that cannot be
    // written is remembered in memory instead: never more than one notice.
    EXPECT_EQ(meldungen.size(), f.art == Fremd::Datei ? 0 : 1)
        << meldungen.join(" | ").toStdString();
    u.p.aufbauZaehler = 99;
    takt();
    EXPECT_TRUE(texte().isEmpty() || u.p.gezeigterText.isEmpty());

    // The broadcaster comes back: within a minute the notes are there again.
    ASSERT_TRUE(QFile::rename(senderPfad + ".weg", senderPfad));
    u.p.uhr.Vorstellen(61);
    for (int i = 0; i < 3; ++i)
        takt();
    EXPECT_FALSE(u.p.netzFehler);
    u.p.aufbauZaehler = 99;
    takt();
    EXPECT_EQ(texte(), QStringList{"1:Sender"});
    EXPECT_LE(meldungen.size(), 1);
    // The marker is gone once the connection is back; a folder or a pipe
    // under its name is left as it was.
    const QFileInfo info(nefe);
    if (f.art == Fremd::Datei)
        EXPECT_FALSE(info.exists());
    else
        EXPECT_TRUE(info.exists());
}

INSTANTIATE_TEST_SUITE_P(
    Fremd, Marker,
    ::testing::Values(Fremd{"empty", Fremd::Datei, ""},
                      Fremd{"garbage", Fremd::Datei, "gestern abend\r\n"},
                      Fremd{"no_line_break", Fremd::Datei, "2027-03-10 09:59:00"},
                      Fremd{"future_time", Fremd::Datei, "9999-12-31 23:59:59\r\n"},
                      Fremd{"megabyte_line", Fremd::Datei, megabyte('7')},
                      Fremd{"binary", Fremd::Datei, binaer()},
                      Fremd{"nul_in_time", Fremd::Datei, QByteArray("2027-03-10\0 09:59:00", 20)},
                      Fremd{"folder", Fremd::Ordner, {}}, Fremd{"pipe", Fremd::Rohr, {}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
