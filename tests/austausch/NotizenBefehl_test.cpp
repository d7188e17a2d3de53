// pinwick-notes on temporary notes files: what each command writes and
// prints, every kind of refusal with its exit status, and that a refused
// command leaves the file as it was.

#include "Datenbank.h"
#include "Hilfen.h"
#include "NotizenBefehl.h"
#include "Speicher.h"
#include "TestHilfe.h"
#include "Zeitplanwahl.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pinwick {
namespace {

using Zeile = std::vector<QVariant>;

QString text(const QVariant& v) {
    return v.isNull() ? QStringLiteral("<null>") : v.toString();
}

// Rows as text, for readable failures.
QStringList alsText(const std::vector<Zeile>& zeilen) {
    QStringList t;
    for (const Zeile& z : zeilen) {
        QStringList felder;
        for (const QVariant& v : z)
            felder << text(v);
        t << felder.join(QLatin1Char('|'));
    }
    return t;
}

// Wednesday 9 December 2026, 10:00.
const QDateTime jetzt(QDate(2026, 12, 9), QTime(10, 0));

struct Lauf {
    int status = -1;
    QString aus, fehler;
};

class BefehlTest : public ::testing::Test {
protected:
    QString datei() const { return u.p.datenbankDatei; }

    Lauf lauf(QStringList argumente, int warteMs = 300) {
        Lauf l;
        QTextStream aus(&l.aus), fehler(&l.fehler);
        NotizenUmgebung umgebung;
        umgebung.jetzt = jetzt;
        umgebung.eigeneDatei = datei();
        umgebung.warteMs = warteMs;
        umgebung.aus = &aus;
        umgebung.fehler = &fehler;
        l.status = NotizenProgramm(argumente, umgebung);
        aus.flush();
        fehler.flush();
        return l;
    }
    // The notes table as a fresh connection reads it, ID first.
    std::vector<Zeile> tabelle() {
        Datenbank db(datei());
        auto rs = db.OpenRecordset(QStringLiteral("select * from Notizen"));
        std::vector<Zeile> zeilen;
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
            Zeile z;
            for (const char* name : {"ID", "inhalt", "Rhythmus", "UhrVon", "UhrBis", "StartDatum",
                                     "Dauer", "Vorher", "RhyDetails"})
                z.push_back(rs->Feld(QString::fromLatin1(name)).roh());
            zeilen.push_back(z);
        }
        return zeilen;
    }
    QString pfad(const QString& name) const { return u.Pfad(name); }
    void schreiben(const QString& name, const QByteArray& inhalt) {
        QFile f(pfad(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
    }

    test::TestUmgebung u;
};

TEST_F(BefehlTest, AddWritesTheEditorsEncodingForEveryRhythm) {
    const double start = DatumsZahl(QDate(2027, 1, 4));
    const double heute = DatumsZahl(jetzt.date());
    struct Fall {
        QStringList argumente;
        // Rhythmus, UhrVon*1440, UhrBis*1440, StartDatum, Dauer, Vorher, RhyDetails
        QStringList spalten;
    };
    const auto z = [](double d) { return QString::number(d); };
    // clang-format off
    const Fall faelle[] = {
        {{"add", " Blanks kept "}, {"0", "<null>", "<null>", "<null>", "<null>", "<null>", "<null>"}},
        {{"add", "Daily", "--daily"}, {"1", "0", "0", "<null>", "<null>", "<null>", "<null>"}},
        {{"add", "Window", "--daily", "--from", "7:5", "--to", "12"}, {"1", "425", "720", "<null>", "<null>", "<null>", "<null>"}},
        {{"add", "From alone runs till midnight", "--daily", "--from", "22:00"}, {"1", "1320", "1439", "<null>", "<null>", "<null>", "<null>"}},
        {{"add", "To alone runs from midnight", "--daily", "--to", "08:00"}, {"1", "0", "480", "<null>", "<null>", "<null>", "<null>"}},
        {{"add", "Weekly", "--weekly", "mon,Thursday", "--weeks", "6", "--start", "2027-01-04"}, {"2", "0", "0", z(start), "6", "<null>", "-1 0 0-1 0 0 0"}},
        {{"add", "Weekly today", "--weekly", "sun"}, {"2", "0", "0", z(heute), "0", "<null>", " 0 0 0 0 0 0-1"}},
        {{"add", "Monthly", "--monthly", "05", "--before", "3", "--start", "4.1.2027"}, {"3", "0", "0", z(start), "<null>", "3", "105"}},
        {{"add", "Monthly 31", "--monthly", "31"}, {"3", "0", "0", z(heute), "<null>", "0", "131"}},
        {{"add", "Last Monday", "--monthly", "last-mon"}, {"3", "0", "0", z(heute), "<null>", "0", "250"}},
        {{"add", "Second Sunday", "--monthly", "2nd-sun"}, {"3", "0", "0", z(heute), "<null>", "0", "226"}},
        {{"add", "Yearly", "--yearly", "24.12,31.12,5.3,29.02", "--before", "2"}, {"4", "0", "0", z(heute), "<null>", "2", "2412311205032902"}},
    };
    // clang-format on
    std::vector<Lauf> laeufe;
    for (const Fall& fall : faelle) {
        laeufe.push_back(lauf(fall.argumente));
        ASSERT_EQ(laeufe.back().status, StatusOk)
            << fall.argumente.join(' ').toStdString() << ": " << laeufe.back().fehler.toStdString();
    }
    const auto zeilen = tabelle();
    ASSERT_EQ(zeilen.size(), std::size(faelle));
    for (size_t k = 0; k < zeilen.size(); ++k) {
        const Fall& fall = faelle[k];
        const Zeile& zeile = zeilen[k];
        EXPECT_EQ(laeufe[k].aus, zeile[0].toString() + QLatin1Char('\n')) << "prints the new ID";
        EXPECT_EQ(zeile[1].toString(), fall.argumente[1]);
        QStringList ist;
        for (size_t i = 2; i < zeile.size(); ++i)
            ist << ((i == 3 || i == 4) && !zeile[i].isNull()
                        ? QString::number(std::lround(zeile[i].toDouble() * 1440))
                        : text(zeile[i]));
        EXPECT_EQ(ist, fall.spalten) << fall.argumente.join(' ').toStdString();
    }
}

TEST_F(BefehlTest, RefusalsChangeNothingAndGiveTheirStatus) {
    lauf({"add", "kept", "--daily"});
    schreiben("kaputt.csv", "text,rhythm\n\"never closed,daily\n");
    schreiben("fremd.csv", "note,when\nx,daily\n");
    schreiben("kein.ics", "hello");
    schreiben("leer.ics", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nEND:VCALENDAR\r\n");
    schreiben("notiz.txt", "x");
    schreiben("keine-db.kav", QByteArray(4096, 'x'));
    schreiben("leer.kav", QByteArray());
    QFile::copy(datei(), pfad("ohne-tabelle.kav"));
    {
        Datenbank db(pfad("ohne-tabelle.kav"));
        db.Ausfuehren(QStringLiteral("DROP TABLE Notizen"));
    }
    const QString lang(NotizHoechstLaenge + 1, QLatin1Char('x'));
    struct Fall {
        QStringList argumente;
        int status;
        const char* meldung; // part of the one line on stderr
    };
    // clang-format off
    const Fall faelle[] = {
        {{}, 2, "no command"},
        {{"frob"}, 2, "unknown command"},
        {{"list", "--bogus"}, 2, "bogus"},
        {{"list", "extra"}, 2, "no arguments"},
        {{"list", "--daily"}, 2, "--daily is not an option of list"},
        {{"add"}, 2, "TEXT"},
        {{"add", "a", "b"}, 2, "one TEXT"},
        {{"add", "   "}, 2, "Note text missing."},
        {{"add", lang}, 2, "at most 32767"},
        {{"add", "a\tb"}, 2, "control character (code 9)"},
        {{"add", "x", "--monthly", "45"}, 2, "\"45\""},
        {{"add", "x", "--monthly", "0"}, 2, "\"0\""},
        {{"add", "x", "--monthly", "5th-mon"}, 2, "position"},
        {{"add", "x", "--weekly", "mon,xyz"}, 2, "unknown weekday \"xyz\""},
        {{"add", "x", "--weekly", ""}, 2, "weekday"},
        {{"add", "x", "--yearly", "31.04"}, 2, "31.04"},
        {{"add", "x", "--yearly", "30.02"}, 2, "30.02"},
        {{"add", "x", "--yearly", "1.1,2.1,3.1,4.1,5.1"}, 2, "four"},
        {{"add", "x", "--daily", "--from", "25:00"}, 2, "\"25:00\""},
        {{"add", "x", "--daily", "--from", "12:60"}, 2, "12:60"},
        {{"add", "x", "--daily", "--from", "8am"}, 2, "8am"},
        {{"add", "x", "--daily", "--from", "12:00", "--to", "12:00"}, 2, "End time after starting time!"},
        {{"add", "x", "--daily", "--weekly", "mon"}, 2, "one of"},
        {{"add", "x", "--from", "08:00"}, 2, "need a rhythm"},
        {{"add", "x", "--daily", "--start", "2027-01-01"}, 2, "--start needs"},
        {{"add", "x", "--monthly", "3", "--weeks", "2"}, 2, "--weeks needs"},
        {{"add", "x", "--weekly", "mon", "--before", "2"}, 2, "--before needs"},
        {{"add", "x", "--weekly", "mon", "--weeks", "40000"}, 2, "32767"},
        {{"add", "x", "--monthly", "3", "--before", "-1"}, 2, "-1"},
        {{"add", "x", "--weekly", "mon", "--start", "31.02.2027"}, 2, "31.02.2027"},
        {{"add", "x", "--daily", "--daily"}, 2, "twice"},
        {{"--file", pfad("a.kav"), "--file", pfad("b.kav"), "list"}, 2, "--file given twice"},
        {{"feed", "add", "https://a.example/f", "--title", "A", "--title=B"}, 2, "--title given twice"},
        {{"feed", "add", "https://a.example/f", "--items", "2", "--items", "2"}, 2, "--items given twice"},
        {{"delete"}, 2, "at least one ID"},
        {{"delete", "1", "abc"}, 2, "\"abc\""},
        {{"delete", "1", "99"}, 1, "no note with ID 99; nothing deleted"},
        {{"export", "--format", "xml"}, 2, "\"xml\""},
        {{"export", pfad("out.txt")}, 2, "--format"},
        {{"export", "a", "b"}, 2, "at most one"},
        {{"import"}, 2, "one FILE"},
        {{"import", pfad("notiz.txt")}, 2, ".ics or .csv"},
        {{"import", pfad("fehlt.csv")}, 1, "cannot be read"},
        {{"import", pfad("kaputt.csv")}, 1, "never closed"},
        {{"import", pfad("fremd.csv")}, 1, "unknown column \"note\""},
        {{"import", pfad("kein.ics")}, 1, "not an iCalendar file"},
        {{"--file", pfad("fehlt.kav"), "list"}, 1, "no such notes file"},
        {{"--file", u.ordner.path(), "list"}, 1, "not a file"},
        {{"--file", pfad("keine-db.kav"), "add", "x"}, 1, "not a notes file"},
        {{"--file", pfad("leer.kav"), "add", "x"}, 1, "not a notes file"},
        {{"--file", pfad("ohne-tabelle.kav"), "delete", "1"}, 1, "not a notes file"},
        {{"--file", pfad("fehlt.kav"), "import", pfad("leer.ics")}, 1, "no such notes file"},
        {{"--file", pfad("keine-db.kav"), "import", pfad("leer.ics")}, 1, "not a notes file"},
        {{"--file", pfad("ohne-tabelle.kav"), "list"}, 1, "not a notes file"},
    };
    // clang-format on
    const auto vorher = tabelle();
    // Every file in the folder, the notes file and the files that are none
    // alike: a refused command writes nothing and leaves no journal behind.
    const auto abbild = [&] {
        QStringList a;
        const auto dateien = test::DateiAbbild(u.ordner.path());
        for (auto it = dateien.begin(); it != dateien.end(); ++it)
            a << it.key() + QLatin1Char(' ') +
                     QCryptographicHash::hash(it.value(), QCryptographicHash::Sha1).toHex();
        return a;
    };
    const QStringList vorherDateien = abbild();
    for (const Fall& fall : faelle) {
        const Lauf l = lauf(fall.argumente);
        const std::string name = fall.argumente.join(' ').left(60).toStdString();
        EXPECT_EQ(l.status, fall.status) << name << ": " << l.fehler.toStdString();
        EXPECT_EQ(l.fehler.count(QLatin1Char('\n')), 1) << name << ": " << l.fehler.toStdString();
        EXPECT_TRUE(l.fehler.startsWith(QStringLiteral("pinwick-notes: ")) &&
                    l.fehler.contains(QString::fromUtf8(fall.meldung)))
            << name << ": " << l.fehler.toStdString();
        EXPECT_TRUE(l.aus.isEmpty()) << name;
        EXPECT_EQ(abbild(), vorherDateien) << name;
    }
    EXPECT_EQ(alsText(tabelle()), alsText(vorher));
    EXPECT_FALSE(QFile::exists(pfad("out.txt")));
}

TEST_F(BefehlTest, ALockedFileIsGivenUpAfterTheWaitAndLeftAlone) {
    lauf({"add", "kept"});
    schreiben("zwei.csv", "text,rhythm\r\none,daily\r\ntwo,permanent\r\n");
    const auto vorher = tabelle();
    // Another program holds a lock for longer than we wait: the exclusive
    // lock of a writer in its commit keeps everybody out, the reserved lock
    // of one in a transaction (the sqlcipher shell after BEGIN) only the
    // other writers.
    struct Fall {
        QStringList argumente;
        int beiExklusiv, beiReserviert;
    };
    const Fall faelle[] = {
        {{"add", "x"}, 1, 1},
        {{"delete", "1"}, 1, 1},
        {{"import", pfad("zwei.csv")}, 1, 1},
        {{"list"}, 1, 0},
        {{"export", "--format", "csv"}, 1, 0},
    };
    for (const char* sperre : {"EXCLUSIVE", "IMMEDIATE"}) {
        Datenbank anderer(datei());
        anderer.Ausfuehren(QStringLiteral("BEGIN %1").arg(QLatin1String(sperre)));
        for (const Fall& fall : faelle) {
            const Lauf l = lauf(fall.argumente, 200);
            const int status = sperre[0] == 'E' ? fall.beiExklusiv : fall.beiReserviert;
            const std::string name =
                (QLatin1String(sperre) + QLatin1Char(' ') + fall.argumente.join(' ')).toStdString();
            EXPECT_EQ(l.status, status) << name << ": " << l.fehler.toStdString();
            if (status != StatusOk) {
                EXPECT_EQ(l.fehler, QStringLiteral("pinwick-notes: %1 is locked by another "
                                                   "program; gave up after 200 ms\n")
                                        .arg(datei()))
                    << name;
            }
        }
        anderer.Ausfuehren(QStringLiteral("ROLLBACK"));
    }
    EXPECT_EQ(alsText(tabelle()), alsText(vorher));
    EXPECT_EQ(lauf({"add", "now it goes"}).status, StatusOk);
}

TEST_F(BefehlTest, ListShowsEveryNoteAndDueOnlyWhatTheTickerShows) {
    // Wednesday 10:00: due are the permanent note, the one from 09:00 and the
    // Wednesday one; not the afternoon one, the Friday one, nor a faulty row.
    lauf({"add", "always"});
    lauf({"add", "morning", "--daily", "--from", "09:00", "--to", "11:00"});
    lauf({"add", "afternoon", "--daily", "--from", "14:00"});
    lauf({"add", "fridays", "--weekly", "fri"});
    lauf({"add", "wednesdays", "--weekly", "wed,fri"});
    test::NotizZeile faulty;
    faulty.inhalt = QStringLiteral("faulty");
    faulty.rhythmus = 3; // Null in every schedule column
    test::NotizEinfuegen(*u.p.lokaleNotizen, faulty);
    const Lauf alle = lauf({"list"});
    ASSERT_EQ(alle.status, StatusOk);
    EXPECT_EQ(alle.aus,
              QStringLiteral("1\tpermanent\talways\n"
                             "2\tdaily, 09:00-11:00\tmorning\n"
                             "3\tdaily, 14:00-23:59\tafternoon\n"
                             "4\tweekly on Fri, whole day, from 2026-12-09\tfridays\n"
                             "5\tweekly on Wed, Fri, whole day, from 2026-12-09\twednesdays\n"
                             "6\tunreadable schedule\tfaulty\n"));
    const Lauf faellig = lauf({"list", "--due"});
    EXPECT_EQ(faellig.aus,
              QStringLiteral("1\tpermanent\talways\n"
                             "2\tdaily, 09:00-11:00\tmorning\n"
                             "5\tweekly on Wed, Fri, whole day, from 2026-12-09\twednesdays\n"));
}

TEST_F(BefehlTest, DeleteTakesSeveralIdsAtOnce) {
    for (const char* t : {"a", "b", "c", "d"})
        lauf({"add", t});
    EXPECT_EQ(lauf({"delete", "3", "1"}).status, StatusOk);
    QStringList rest;
    for (const Zeile& z : tabelle())
        rest << z[1].toString();
    EXPECT_EQ(rest, (QStringList{"b", "d"}));
    // One unknown ID among them: none goes.
    EXPECT_EQ(lauf({"delete", "2", "3"}).status, StatusFehler);
    EXPECT_EQ(tabelle().size(), 2u);
}

TEST_F(BefehlTest, ImportTakesWhatFitsAndNamesWhatDoesNot) {
    schreiben("notizen.csv", "text,rhythm,from,to,start,weeks,days,advance\r\n"
                             "\"Backup, tonight\",daily,22:00,23:30,,,,\r\n"
                             "bad day,monthly,,,,,45,\r\n"
                             "Review,weekly,,,2027-01-04,2,\"mon,thu\",\r\n");
    const Lauf csv = lauf({"import", pfad("notizen.csv")});
    EXPECT_EQ(csv.status, StatusFehler);
    EXPECT_EQ(csv.aus, QStringLiteral("1\n2\n"));
    EXPECT_EQ(csv.fehler, QStringLiteral("refused line 3: day of the month \"45\": give 1 to 31, "
                                         "or a position such as last-fri or 2nd-mon\n"));
    schreiben("kalender.ics",
              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\n"
              "BEGIN:VEVENT\r\nUID:a\r\nSUMMARY:Hourly\r\nDTSTART:20270101T080000\r\n"
              "DTEND:20270101T090000\r\nRRULE:FREQ=HOURLY\r\nEND:VEVENT\r\n"
              "BEGIN:VEVENT\r\nUID:b\r\nSUMMARY:Pay day\r\nDTSTART;VALUE=DATE:20270115\r\n"
              "RRULE:FREQ=MONTHLY;BYMONTHDAY=15\r\nEND:VEVENT\r\n"
              "END:VCALENDAR\r\n");
    const Lauf ics = lauf({"import", pfad("kalender.ics")});
    EXPECT_EQ(ics.status, StatusFehler);
    EXPECT_EQ(ics.aus, QStringLiteral("3\n"));
    EXPECT_TRUE(
        ics.fehler.startsWith(QStringLiteral("refused UID \"a\" SUMMARY \"Hourly\": FREQ=HOURLY")))
        << ics.fehler.toStdString();
    QStringList texte;
    for (const Zeile& z : tabelle())
        texte << z[1].toString() + QLatin1Char('/') + z[8].toString();
    EXPECT_EQ(texte, (QStringList{"Backup, tonight/", "Review/-1 0 0-1 0 0 0", "Pay day/115"}));
}

// Files made to take a reader's memory: each is refused as a whole, with
// a message naming the limit it passes, and nothing is stored.
TEST_F(BefehlTest, ImportRefusesFilesPastItsLimitsByName) {
    const QByteArray kopf = "text,rhythm,from,to,start,weeks,days,advance\r\n";
    QByteArray vieleZeilen = kopf;
    for (int i = 0; i <= 100000; ++i)
        vieleZeilen += "x,daily,,,,,,\r\n";
    QByteArray winzig = "BEGIN:VCALENDAR\r\n";
    for (int i = 0; i <= 100000; ++i)
        winzig += "X:1\r\n";
    QByteArray ohneWert = "BEGIN:VCALENDAR\r\n";
    for (int i = 0; i <= 1000; ++i)
        ohneWert += "X-A:\r\n";
    QByteArray gefaltet = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:a";
    for (int i = 0; i < 3000; ++i)
        gefaltet += "\r\n " + QByteArray(99, 'a');
    struct Fall {
        const char* name;
        QByteArray inhalt;
        const char* meldung;
    };
    const Fall faelle[] = {
        {"kommas.csv", QByteArray(8 << 20, ','), "line 1: more than 64 fields in a record"},
        {"kommas-nach-kopf.csv", kopf + "x,daily" + QByteArray(1 << 20, ','),
         "line 2: more than 64 fields in a record"},
        {"zeilen.csv", vieleZeilen, "line 100001: more than 100000 records; split the file"},
        {"leerzeilen.csv", kopf + QByteArray(1 << 20, '\n'),
         "line 100001: more than 100000 records; split the file"},
        {"feld.csv", kopf + '"' + QByteArray(140000, 'a') + "\",daily,,,,,,\r\n",
         "line 2: a field longer than 131072 bytes"},
        {"kopf.csv", "Text;Rhythmus\r\n" + QByteArray(1 << 20, ','),
         "line 1: unknown column \"Text;Rhythmus\""},
        {"winzig.ics", winzig, "more than 100000 lines; split the calendar"},
        {"ohne-wert.ics", ohneWert, "more than 1000 properties without a value"},
        {"lang.ics", "BEGIN:VCALENDAR\r\nSUMMARY:" + QByteArray(300000, 'a') + "\r\n",
         "line 2 is longer than 262144 bytes"},
        {"gefaltet.ics", gefaltet, "line 3 is longer than 262144 bytes"},
        {"kein.ics", "X:\r\n" + winzig, "it does not begin with BEGIN:VCALENDAR"},
    };
    for (const Fall& f : faelle) {
        schreiben(f.name, f.inhalt);
        const Lauf l = lauf({"import", pfad(f.name)});
        EXPECT_EQ(l.status, StatusFehler) << f.name;
        EXPECT_TRUE(l.aus.isEmpty()) << f.name;
        EXPECT_TRUE(l.fehler.startsWith(QStringLiteral("pinwick-notes: ") + pfad(f.name)))
            << f.name << ": " << l.fehler.toStdString();
        EXPECT_TRUE(l.fehler.contains(QString::fromUtf8(f.meldung)))
            << f.name << ": " << l.fehler.toStdString();
        EXPECT_EQ(l.fehler.count('\n'), 1) << f.name;
    }
    EXPECT_TRUE(tabelle().empty());
}

// A yearly note on days past their month's end goes out and comes back
// whole through the program's own export and import.
TEST_F(BefehlTest, YearlyDaysPastTheMonthsEndAreExportedAndImportedWhole) {
    test::NotizZeile z;
    z.inhalt = QStringLiteral("Month ends");
    z.rhythmus = RhythmusJaehrlich;
    z.uhrVon = 0.0;
    z.uhrBis = 0.0;
    z.startDatum = DatumsZahl(QDate(2026, 1, 1));
    z.vorher = 2;
    z.dauer = 0;
    z.rhyDetails = QStringLiteral("2802300231063111");
    test::NotizEinfuegen(*u.p.lokaleNotizen, z);
    const Lauf aus = lauf({"export", pfad("enden.ics")});
    EXPECT_EQ(aus.status, StatusOk) << aus.fehler.toStdString();
    EXPECT_TRUE(aus.fehler.isEmpty()) << aus.fehler.toStdString();
    const QString ziel = u.NeueDatenbank(QStringLiteral("ziel.kav"));
    const Lauf ein = lauf({"--file", ziel, "import", pfad("enden.ics")});
    EXPECT_EQ(ein.status, StatusOk) << ein.fehler.toStdString();
    Datenbank db(ziel);
    auto rs = db.OpenRecordset(QStringLiteral("select * from Notizen"));
    rs->MoveFirst();
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Feld(u"RhyDetails").alsText(), QStringLiteral("2802300231063111"));
    EXPECT_EQ(rs->Feld(u"Vorher").alsInt16(), 2);
}

TEST_F(BefehlTest, ExportImportExportGivesTheSameFiles) {
    lauf({"add", "Backup \"window\", tonight", "--weekly", "mon,fri", "--from", "22:00", "--to",
          "23:30", "--weeks", "4"});
    lauf({"add", "Christmas", "--yearly", "24.12,29.02", "--before", "3"});
    lauf({"add", "Last Friday", "--monthly", "last-fri", "--from", "16:00"});
    lauf({"add", " permanent "});
    lauf({"add", "Daily", "--daily", "--to", "9:30"});
    for (const char* endung : {"csv", "ics"}) {
        const QString eins = pfad(QStringLiteral("eins.") + endung);
        const QString zwei = pfad(QStringLiteral("zwei.") + endung);
        ASSERT_EQ(lauf({"export", eins}).status, StatusOk);
        const QString ziel = u.NeueDatenbank(QStringLiteral("ziel-%1.kav").arg(endung));
        ASSERT_EQ(lauf({"--file", ziel, "import", eins}).status, StatusOk);
        ASSERT_EQ(lauf({"--file", ziel, "export", "--format", endung, zwei}).status, StatusOk);
        QFile a(eins), b(zwei);
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QStringList ae = QString::fromUtf8(a.readAll()).split('\n'),
                    be = QString::fromUtf8(b.readAll()).split('\n');
        const auto ohneStempel = [](QStringList& l) {
            l.removeIf([](const QString& z) { return z.startsWith(QStringLiteral("DTSTAMP:")); });
        };
        ohneStempel(ae);
        ohneStempel(be);
        EXPECT_EQ(ae, be) << endung;
        EXPECT_EQ(ae.size(), QByteArray(endung) == "csv" ? 7 : be.size());
    }
    // Without OUT the export goes to stdout, in iCalendar unless told.
    EXPECT_TRUE(lauf({"export"}).aus.startsWith(QStringLiteral("BEGIN:VCALENDAR")));
    EXPECT_TRUE(lauf({"export", "--format", "csv"}).aus.startsWith(QStringLiteral("text,rhythm,")));
}

#ifdef PINWICK_NOTES
TEST_F(BefehlTest, TheProgramItselfExitsWithTheStatusAndOneLine) {
    struct Fall {
        QStringList argumente;
        int status;
        int fehlerZeilen;
    };
    const Fall faelle[] = {
        {{"--file", datei(), "add", "from the program", "--daily"}, 0, 0},
        {{"--file", datei(), "add", "x", "--monthly", "45"}, 2, 1},
        {{"--file", pfad("fehlt.kav"), "list"}, 1, 1},
        {{"--help"}, 0, 0},
    };
    for (const Fall& fall : faelle) {
        QProcess prozess;
        prozess.start(QStringLiteral(PINWICK_NOTES), fall.argumente);
        ASSERT_TRUE(prozess.waitForFinished(20000));
        EXPECT_EQ(prozess.exitCode(), fall.status) << fall.argumente.join(' ').toStdString();
        EXPECT_EQ(prozess.readAllStandardError().count('\n'), fall.fehlerZeilen);
    }
    EXPECT_EQ(tabelle().size(), 1u);
}
#endif

} // namespace
} // namespace pinwick
