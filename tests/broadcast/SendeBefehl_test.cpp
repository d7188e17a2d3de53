// pinwick-notes publish on a real notes file: what it writes verifies with
// the minisign tool and with a receiver's check, for every kind of key and
// source of the password; every failure has its status and its line and
// publishes nothing; --watch publishes again after changes, keeps running
// when a publication fails, and ends cleanly on SIGTERM.

#include "Datenbank.h"
#include "NotizenBefehl.h"
#include "PasswortHash.h"
#include "SchnappschussHilfe.h"
#include "SchnappschussSignatur.h"
#include "SendeBefehl.h"
#include "Speicher.h"
#include "Veroeffentlichung.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

using namespace pinwick;
using namespace pinwick::test;
using E = SchnappschussPruefung::Ergebnis;

namespace {

struct Ergebnis {
    int status = -1;
    QString aus, fehler;
};

QByteArray Inhalt(const QString& pfad) {
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Ablegen(const QString& pfad, const QByteArray& inhalt) {
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(inhalt);
}

// The keys are made once: an encrypted one costs minisign a gigabyte and
// seconds to make.
struct Schluessel {
    QTemporaryDir ordner;
    QString offen, verschluesselt, klein; // secret keys
    QByteArray offenPub, verschluesseltPub;
    static constexpr const char* passwort = "Pferd Batterie Heftklammer";
};
Schluessel* schluessel = nullptr;

class Publizieren : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        if (schluessel)
            return;
        auto s = std::make_unique<Schluessel>();
        s->offen = MinisignSchluessel(s->ordner.path(), QStringLiteral("offen"));
        s->verschluesselt =
            MinisignSchluessel(s->ordner.path(), QStringLiteral("zu"), Schluessel::passwort);
        s->offenPub = OeffentlicherSchluessel(s->ordner.filePath(QStringLiteral("offen.pub")));
        s->verschluesseltPub = OeffentlicherSchluessel(s->ordner.filePath(QStringLiteral("zu.pub")));
        // Encrypted like minisign's, derived cheaply: for the refusals.
        s->klein = s->ordner.filePath(QStringLiteral("klein.key"));
        QFile k(s->klein);
        if (k.open(QIODevice::WriteOnly))
            k.write(KleinVerschluesselt("richtig", nullptr));
        schluessel = s.release();
    }

    void SetUp() override {
        ASSERT_FALSE(schluessel->offen.isEmpty()) << "minisign makes no key";
        ASSERT_FALSE(schluessel->verschluesselt.isEmpty()) << "minisign makes no encrypted key";
        // The keys' counters start afresh for every test.
        for (const QString& k : {schluessel->offen, schluessel->verschluesselt, schluessel->klein})
            QFile::remove(ZaehlerDatei(k));
        datei_ = arbeit_.filePath(QStringLiteral("pw.kav"));
        VorlageErzeugen(datei_);
        for (const char* text : {"Kantine heute geschlossen", "Backup um 22 Uhr"})
            ASSERT_EQ(Notes({QStringLiteral("add"), QLatin1String(text)}).status, 0);
        {
            // A sysop password as older versions kept it: in the clear.
            Datenbank db(datei_);
            db.Ausfuehren(QStringLiteral("UPDATE Einstellungen SET passWort = 'geheim', "
                                         "sysopStatus = -1"));
        }
        www_ = arbeit_.filePath(QStringLiteral("www"));
        QDir().mkpath(www_);
        qunsetenv(PasswortUmgebung);
    }
    void TearDown() override { qunsetenv(PasswortUmgebung); }

    // pinwick-notes in this process, on the notes file.
    Ergebnis Notes(QStringList argumente) {
        Ergebnis e;
        QTextStream aus(&e.aus), fehler(&e.fehler);
        NotizenUmgebung u;
        u.jetzt = QDateTime::currentDateTime();
        u.eigeneDatei = datei_;
        u.warteMs = 2000;
        u.aus = &aus;
        u.fehler = &fehler;
        e.status = NotizenProgramm(argumente, u);
        aus.flush();
        fehler.flush();
        return e;
    }
    QString Www(const char* name) const { return QDir(www_).filePath(QLatin1String(name)); }
    SchnappschussPruefung Pruefen(const QByteArray& pub) const {
        return SchnappschussPruefen(Inhalt(Www(SchnappschussName)),
                                    Inhalt(Www(SchnappschussSignaturName)), pub);
    }

    QTemporaryDir arbeit_;
    QString datei_, www_;
};

struct Gelingt {
    const char* name;
    bool verschluesselt;
    enum { Keins, Datei, Umgebung } passwort;
    const char* ablauf; // --expires, or nullptr
    int64_t sekunden;   // expected validity
};
void PrintTo(const Gelingt& f, std::ostream* os) {
    *os << f.name;
}

class PublizierenGelingt : public Publizieren, public ::testing::WithParamInterface<Gelingt> {};

TEST_P(PublizierenGelingt, MinisignUndEmpfaengerPruefen) {
    const Gelingt& f = GetParam();
    const QString geheim = f.verschluesselt ? schluessel->verschluesselt : schluessel->offen;
    QStringList argumente{QStringLiteral("publish"), QStringLiteral("--to"), www_,
                          QStringLiteral("--secret-key"), geheim};
    if (f.passwort == Gelingt::Datei) {
        const QString pw = arbeit_.filePath(QStringLiteral("passwort"));
        Ablegen(pw, QByteArray(Schluessel::passwort) + "\n");
        argumente << QStringLiteral("--password-file") << pw;
    } else if (f.passwort == Gelingt::Umgebung) {
        qputenv(PasswortUmgebung, Schluessel::passwort);
    }
    if (f.ablauf)
        argumente << QStringLiteral("--expires") << QLatin1String(f.ablauf);
    const Ergebnis e = Notes(argumente);
    ASSERT_EQ(e.status, 0) << e.fehler.toStdString();
    EXPECT_TRUE(e.aus.startsWith(QStringLiteral("published version "))) << e.aus.toStdString();
    EXPECT_TRUE(e.fehler.isEmpty()) << e.fehler.toStdString();

    const QString pubDatei = QFileInfo(geheim).path() + u'/' + QFileInfo(geheim).baseName() +
                             QStringLiteral(".pub");
    const Lauf l = Minisign({QStringLiteral("-Vm"), Www(SchnappschussName), QStringLiteral("-p"),
                             pubDatei});
    EXPECT_EQ(l.status, 0) << l.ausgabe.toStdString();

    const SchnappschussPruefung p =
        Pruefen(f.verschluesselt ? schluessel->verschluesseltPub : schluessel->offenPub);
    ASSERT_EQ(p.ergebnis, E::Gut) << p.grund.toStdString();
    const Schnappschuss& s = *p.schnappschuss;
    EXPECT_EQ(s.kopf.veroeffentlicht.secsTo(s.kopf.ablauf), f.sekunden);
    EXPECT_TRUE(SchnappschussAnnehmen(s.kopf, std::nullopt, QDateTime::currentDateTimeUtc()).angenommen);
    ASSERT_EQ(s.notizen.size(), 2);
    EXPECT_EQ(s.notizen[0].value(QStringLiteral("inhalt")).toString(),
              QStringLiteral("Kantine heute geschlossen"));
    EXPECT_EQ(s.notizen[1].value(QStringLiteral("Rhythmus")).toLongLong(), 0);
    EXPECT_EQ(s.einstellungen.value(QStringLiteral("sysopStatus")).toLongLong(), -1);
    EXPECT_EQ(s.einstellungen.value(QStringLiteral("SchriftName")).toString(), QStringLiteral("Verdana"));
    // The password travels only as its hash, and the hash opens it.
    const QString pw = s.einstellungen.value(QStringLiteral("passWort")).toString();
    EXPECT_TRUE(IstPasswortHash(pw)) << pw.toStdString();
    EXPECT_TRUE(PasswortPasst(QStringLiteral("geheim"), pw));
    EXPECT_FALSE(Inhalt(Www(SchnappschussName)).contains("\"geheim\""));
    // The counter beside the key says what was published.
    EXPECT_EQ(Inhalt(ZaehlerDatei(geheim)).trimmed().toULongLong(), s.kopf.version);
    // The broadcaster's file was only read: its password is still as it was.
    Datenbank db(datei_, Datenbank::Zugriff::NurLesen);
    auto rs = db.OpenRecordset(QStringLiteral("select * from Einstellungen"));
    rs->MoveFirst();
    EXPECT_EQ(rs->Feld(u"passWort").alsText(), QStringLiteral("geheim"));
}

INSTANTIATE_TEST_SUITE_P(
    Senden, PublizierenGelingt,
    ::testing::Values(Gelingt{"offen", false, Gelingt::Keins, nullptr, 7 * 86400},
                      Gelingt{"offen_halber_tag", false, Gelingt::Keins, "0.5", 43200},
                      Gelingt{"offen_dreissig_tage", false, Gelingt::Keins, "30", 30 * 86400},
                      // A password in the environment does not bother a key
                      // that needs none.
                      Gelingt{"offen_umgebung_unnoetig", false, Gelingt::Umgebung, nullptr, 7 * 86400},
                      Gelingt{"verschluesselt_datei", true, Gelingt::Datei, nullptr, 7 * 86400},
                      Gelingt{"verschluesselt_umgebung", true, Gelingt::Umgebung, "1", 86400}),
    [](const auto& info) { return std::string(info.param.name); });

// Every refusal: its status, its line, and nothing published. In the
// arguments, %D is the notes file, %W the served folder, %A the work folder,
// %O the key without a password, %K an encrypted key (password "richtig").
struct Scheitert {
    const char* name;
    QStringList argumente;
    int status;
    const char* meldung;
    std::function<void(const QString& arbeit)> vorher = {};
};
void PrintTo(const Scheitert& f, std::ostream* os) {
    *os << f.name;
}

class PublizierenScheitert : public Publizieren, public ::testing::WithParamInterface<Scheitert> {};

TEST_P(PublizierenScheitert, NichtsVeroeffentlicht) {
    const Scheitert& f = GetParam();
    if (f.vorher)
        f.vorher(arbeit_.path());
    QStringList argumente;
    for (QString a : f.argumente)
        argumente << a.replace(QStringLiteral("%D"), datei_)
                         .replace(QStringLiteral("%W"), www_)
                         .replace(QStringLiteral("%A"), arbeit_.path())
                         .replace(QStringLiteral("%O"), schluessel->offen)
                         .replace(QStringLiteral("%K"), schluessel->klein);
    const Ergebnis e = Notes(argumente);
    EXPECT_EQ(e.status, f.status) << e.fehler.toStdString();
    EXPECT_TRUE(e.fehler.contains(QLatin1String(f.meldung))) << e.fehler.toStdString();
    EXPECT_TRUE(e.fehler.startsWith(QStringLiteral("pinwick-notes: "))) << e.fehler.toStdString();
    EXPECT_EQ(e.fehler.count(u'\n'), 1) << "one line: " << e.fehler.toStdString();
    EXPECT_TRUE(e.aus.isEmpty()) << e.aus.toStdString();
    EXPECT_FALSE(QFileInfo(Www(SchnappschussName)).isFile());
    EXPECT_FALSE(QFileInfo(Www(SchnappschussSignaturName)).isFile());
}

const QStringList veroeffentlichen{QStringLiteral("publish"), QStringLiteral("--to"),
                                   QStringLiteral("%W"), QStringLiteral("--secret-key")};
QStringList Mit(const QString& schluessel, const QStringList& mehr = {}) {
    return veroeffentlichen + QStringList{schluessel} + mehr;
}

INSTANTIATE_TEST_SUITE_P(
    Senden, PublizierenScheitert,
    ::testing::Values(
        Scheitert{"kein_schluessel", Mit("%A/fehlt.key"), 1, "cannot read the secret key"},
        Scheitert{"kein_schluessel_sondern_notizen", Mit("%D"), 1, "not a minisign secret key"},
        Scheitert{"passwort_fehlt", Mit("%K"), 1,
                  "a password is needed (--password-file FILE or PINWICK_BROADCAST_PASSWORD)"},
        Scheitert{"passwort_falsch", Mit("%K", {"--password-file", "%A/pw"}), 1, "wrong password",
                  [](const QString& a) { Ablegen(a + "/pw", "falsch\n"); }},
        Scheitert{"passwortdatei_leer", Mit("%K", {"--password-file", "%A/pw"}), 1, "is empty",
                  [](const QString& a) { Ablegen(a + "/pw", ""); }},
        Scheitert{"passwortdatei_fehlt", Mit("%K", {"--password-file", "%A/nichts"}), 1,
                  "cannot read the password file"},
        Scheitert{"kein_ordner", {"publish", "--to", "%A/nirgends", "--secret-key", "%O"}, 1,
                  "no such folder"},
        // The snapshot's name taken by a folder: the rename fails, also
        // for root.
        Scheitert{"ordner_unbeschreibbar", Mit("%O"), 1, "cannot publish",
                  [](const QString& a) { QDir().mkpath(a + "/www/broadcast.json/besetzt"); }},
        Scheitert{"keine_notizdatei", {"--file", "%A/fremd.kav", "publish", "--to", "%W",
                                       "--secret-key", "%O"}, 1, "not a notes file",
                  [](const QString& a) { Ablegen(a + "/fremd.kav", "Das ist keine Datenbank."); }},
        Scheitert{"notizdatei_fehlt", {"--file", "%A/fehlt.kav", "publish", "--to", "%W",
                                       "--secret-key", "%O"}, 1, "no such notes file"},
        Scheitert{"ohne_ordner", {"publish", "--secret-key", "%O"}, 2, "publish needs --to FOLDER"},
        Scheitert{"ohne_schluessel", {"publish", "--to", "%W"}, 2, "publish needs --secret-key"},
        Scheitert{"ablauf_null", Mit("%O", {"--expires", "0"}), 2, "--expires \"0\""},
        Scheitert{"ablauf_text", Mit("%O", {"--expires", "week"}), 2, "--expires \"week\""},
        Scheitert{"ablauf_zu_lang", Mit("%O", {"--expires", "4000"}), 2, "at most 3650"},
        Scheitert{"option_von_add", Mit("%O", {"--daily"}), 2, "--daily is not an option of publish"},
        Scheitert{"watch_bei_add", {"add", "x", "--watch"}, 2, "--watch is not an option of add"},
        Scheitert{"argument", Mit("%O", {"mehr"}), 2, "publish takes no arguments"},
        Scheitert{"ordner_zweimal", Mit("%O", {"--to", "%A"}), 2, "--to given twice"}),
    [](const auto& info) { return std::string(info.param.name); });

// The service, as the real program: its lines on stdout and stderr.
class Wache : public Publizieren {
public:
    void TearDown() override {
        if (prozess_.state() != QProcess::NotRunning) {
            prozess_.kill();
            prozess_.waitForFinished(5000);
        }
        Publizieren::TearDown();
    }
    void Starten() {
        prozess_.start(QStringLiteral(PINWICK_NOTES),
                       {QStringLiteral("--file"), datei_, QStringLiteral("publish"),
                        QStringLiteral("--watch"), QStringLiteral("--to"), www_,
                        QStringLiteral("--secret-key"), schluessel->offen});
        ASSERT_TRUE(prozess_.waitForStarted(10000));
    }
    // Collects output until `bedingung` holds; false after `ms` (a hang).
    bool Warten(const std::function<bool()>& bedingung, int ms = 10000) {
        QDeadlineTimer frist(ms);
        while (true) {
            prozess_.waitForReadyRead(50);
            aus_ += QString::fromUtf8(prozess_.readAllStandardOutput());
            fehler_ += QString::fromUtf8(prozess_.readAllStandardError());
            if (bedingung())
                return true;
            if (frist.hasExpired() || prozess_.state() != QProcess::Running)
                return false;
        }
    }
    int Veroeffentlichungen() const { return aus_.count(QStringLiteral("published version")); }
    bool Neue(int wieviele, int ms = 10000) {
        const int ziel = Veroeffentlichungen() + wieviele;
        return Warten([&] { return Veroeffentlichungen() >= ziel; }, ms);
    }
    QStringList Texte() const {
        const SchnappschussPruefung p = Pruefen(schluessel->offenPub);
        QStringList t;
        if (p.schnappschuss) {
            for (const SchnappschussZeile& n : p.schnappschuss->notizen)
                t << n.value(QStringLiteral("inhalt")).toString();
        }
        return t;
    }
    void Einfuegen(const QString& text) {
        Datenbank db(datei_);
        auto rs = db.OpenRecordset(QStringLiteral("select * from Notizen"));
        rs->AddNew();
        rs->Setze(u"inhalt", Wert(text));
        rs->Setze(u"Rhythmus", Wert(qint64(0)));
        rs->Update();
    }

    QProcess prozess_;
    QString aus_, fehler_;
};

TEST_F(Wache, AenderungenVeroeffentlichtFehlerUeberlebtSigtermBeendet) {
    Starten();
    ASSERT_TRUE(Neue(1)) << fehler_.toStdString();
    EXPECT_EQ(Texte().size(), 2);

    // A change through the command line.
    ASSERT_EQ(Notes({QStringLiteral("add"), QStringLiteral("Neu dazu")}).status, 0);
    ASSERT_TRUE(Neue(1)) << "no publication after a change; " << fehler_.toStdString();
    EXPECT_TRUE(Texte().contains(QStringLiteral("Neu dazu")));

    // A burst of saves, each its own transaction: one publication (two
    // at most when the machine is slow), holding all of them.
    const int vorher = Veroeffentlichungen();
    for (int i = 0; i < 5; ++i)
        Einfuegen(QStringLiteral("Schub %1").arg(i));
    ASSERT_TRUE(Neue(1));
    Warten([] { return false; }, 2500);
    EXPECT_LE(Veroeffentlichungen() - vorher, 2) << aus_.toStdString();
    EXPECT_TRUE(Texte().contains(QStringLiteral("Schub 4")));

    // A save that replaces the file.
    const QString neu = datei_ + QStringLiteral(".neu");
    ASSERT_TRUE(QFile::copy(datei_, neu));
    {
        Datenbank db(neu);
        db.Ausfuehren(QStringLiteral("INSERT INTO Notizen (inhalt, Rhythmus) VALUES ('Ersetzt', 0)"));
    }
    ASSERT_EQ(std::rename(QFile::encodeName(neu).constData(), QFile::encodeName(datei_).constData()), 0);
    ASSERT_TRUE(Neue(1)) << "no publication after the file was replaced";
    EXPECT_TRUE(Texte().contains(QStringLiteral("Ersetzt")));

    // A publication that fails is told and tried again; the service stays.
    const QString sperre = Www(SchnappschussName);
    ASSERT_TRUE(QFile::remove(sperre));
    ASSERT_TRUE(QDir().mkpath(sperre + QStringLiteral("/besetzt")));
    Einfuegen(QStringLiteral("Nach der Sperre"));
    ASSERT_TRUE(Warten([&] { return fehler_.contains(QStringLiteral("not published")); }))
        << aus_.toStdString();
    EXPECT_TRUE(fehler_.contains(QStringLiteral("trying again"))) << fehler_.toStdString();
    EXPECT_EQ(prozess_.state(), QProcess::Running);
    ASSERT_TRUE(QDir(sperre).removeRecursively());
    ASSERT_TRUE(Neue(1)) << "no retry: " << fehler_.toStdString();
    EXPECT_TRUE(Texte().contains(QStringLiteral("Nach der Sperre")));

    // SIGTERM ends it with status 0.
    prozess_.terminate();
    ASSERT_TRUE(prozess_.waitForFinished(10000));
    aus_ += QString::fromUtf8(prozess_.readAllStandardOutput());
    EXPECT_EQ(prozess_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(prozess_.exitCode(), 0);
    EXPECT_TRUE(aus_.endsWith(QStringLiteral("stopped\n"))) << aus_.toStdString();
    // Nothing half-written is left in the folder.
    EXPECT_EQ(QDir(www_).entryList(QDir::Files | QDir::Hidden),
              QStringList({QLatin1String(SchnappschussName), QLatin1String(SchnappschussSignaturName)}));
}

// A key that cannot be read ends the service at its start: nothing would
// ever be published.
TEST_F(Wache, OhneSchluesselEndetSofort) {
    prozess_.start(QStringLiteral(PINWICK_NOTES),
                   {QStringLiteral("--file"), datei_, QStringLiteral("publish"), QStringLiteral("--watch"),
                    QStringLiteral("--to"), www_, QStringLiteral("--secret-key"),
                    schluessel->klein});
    ASSERT_TRUE(prozess_.waitForFinished(10000));
    EXPECT_EQ(prozess_.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(prozess_.readAllStandardError()).contains(QStringLiteral("password")));
}

// What the publisher makes of a broadcaster's file that someone else may
// have written: rows that do not fit the format and files that are no
// notes file are refused with the reason, a hash stays as it is.
struct DateiFall {
    const char* name;
    const char* sql; // run on the broadcaster's file first
    const char* grund; // nullptr: read
    std::function<void(const SenderInhalt&)> pruefen = {};
};
void PrintTo(const DateiFall& f, std::ostream* os) {
    *os << f.name;
}

class SenderDatei : public Publizieren, public ::testing::WithParamInterface<DateiFall> {};

TEST_P(SenderDatei, Lesen) {
    const DateiFall& f = GetParam();
    {
        Datenbank db(datei_);
        db.Ausfuehren(QString::fromUtf8(f.sql));
    }
    std::optional<SenderInhalt> inhalt;
    QString grund;
    try {
        inhalt = SenderLesen(datei_, 500);
    } catch (const std::exception& e) {
        grund = QString::fromUtf8(e.what());
    }
    if (!f.grund) {
        ASSERT_TRUE(inhalt) << grund.toStdString();
        if (f.pruefen)
            f.pruefen(*inhalt);
        return;
    }
    if (inhalt) {
        // Read, but the format refuses to publish it.
        VeroeffentlichungsAuftrag a;
        a.ordner = www_;
        a.schluesselDatei = schluessel->offen;
        a.einstellungen = inhalt->einstellungen;
        a.notizen = inhalt->notizen;
        a.feeds = inhalt->feeds;
        grund = Veroeffentlichen(a).fehler;
        EXPECT_FALSE(QFileInfo(Www(SchnappschussName)).exists());
    }
    EXPECT_TRUE(grund.contains(QLatin1String(f.grund))) << grund.toStdString();
}

const QString argonHash = QStringLiteral("$argon2id$v=19$m=65536,t=2,p=1$c2FsdHNhbHQ$aGFzaGhhc2hoYXNo");

INSTANTIATE_TEST_SUITE_P(
    Senden, SenderDatei,
    ::testing::Values(
        DateiFall{"hash_bleibt",
                  "UPDATE Einstellungen SET passWort = "
                  "'$argon2id$v=19$m=65536,t=2,p=1$c2FsdHNhbHQ$aGFzaGhhc2hoYXNo'",
                  nullptr,
                  [](const SenderInhalt& i) {
                      EXPECT_EQ(i.einstellungen.value(QStringLiteral("passWort")).toString(), argonHash);
                  }},
        DateiFall{"leeres_passwort_bleibt_leer", "UPDATE Einstellungen SET passWort = ''", nullptr,
                  [](const SenderInhalt& i) {
                      EXPECT_EQ(i.einstellungen.value(QStringLiteral("passWort")).toString(), QString());
                  }},
        DateiFall{"null_bleibt_null", "UPDATE Notizen SET UhrVon = NULL, RhyDetails = NULL",
                  nullptr,
                  [](const SenderInhalt& i) {
                      ASSERT_EQ(i.notizen.size(), 2);
                      EXPECT_TRUE(i.notizen[0].value(QStringLiteral("UhrVon")).isNull());
                      EXPECT_TRUE(i.notizen[0].contains(QStringLiteral("RhyDetails")));
                  }},
        DateiFall{"ganze_zahl_in_real_spalte", "UPDATE Notizen SET UhrVon = 1", nullptr,
                  [](const SenderInhalt& i) {
                      EXPECT_EQ(i.notizen[0].value(QStringLiteral("UhrVon")).typeId(), QMetaType::Double);
                  }},
        // The feeds go along, read as the bar reads them; one whose
        // address "feed add" would refuse is left out, not published for
        // every receiver to refuse the whole snapshot.
        DateiFall{
            "feeds_mit",
            "CREATE TABLE IF NOT EXISTS Feeds (ID INTEGER PRIMARY KEY AUTOINCREMENT, Adresse TEXT, "
            "Titel TEXT, "
            "Farbe INTEGER, Anzahl INTEGER, Aktiv INTEGER);"
            "INSERT INTO Feeds VALUES (4, 'https://it.example/s.xml', 'IT', 255, 5, 1);"
            "INSERT INTO Feeds VALUES (5, 'file:///etc/passwd', 'x', -1, 3, 1);"
            "INSERT INTO Feeds VALUES (6, 'http://u:p@n.example/', 'x', -1, 3, 1);"
            "INSERT INTO Feeds VALUES (7, 'http://n.example/a', NULL, NULL, 99, 0)",
            nullptr,
            [](const SenderInhalt& i) {
                ASSERT_EQ(i.feeds.size(), 2);
                EXPECT_EQ(i.feeds[0].value(QStringLiteral("Adresse")).toString(),
                          QStringLiteral("https://it.example/s.xml"));
                EXPECT_EQ(i.feeds[0].value(QStringLiteral("Farbe")).toLongLong(), 255);
                EXPECT_EQ(i.feeds[1].value(QStringLiteral("ID")).toLongLong(), 7);
                EXPECT_EQ(i.feeds[1].value(QStringLiteral("Anzahl")).toLongLong(), 20);
                EXPECT_EQ(i.feeds[1].value(QStringLiteral("Aktiv")).toLongLong(), 0);
            }},
        DateiFall{"feeds_ohne_tabelle", "UPDATE Notizen SET Vorher = 0", nullptr,
                  [](const SenderInhalt& i) { EXPECT_TRUE(i.feeds.isEmpty()); }},
        DateiFall{"text_als_rhythmus", "UPDATE Notizen SET Rhythmus = 'jeden Tag'",
                  "Rhythmus: not a whole number"},
        DateiFall{"bytes_als_text", "UPDATE Notizen SET inhalt = x'00ff'", "inhalt: not a text"},
        DateiFall{"text_zu_lang", "UPDATE Notizen SET inhalt = printf('%.20000c', 'x')",
                  "inhalt: text too long"},
        DateiFall{"keine_einstellungen", "DELETE FROM Einstellungen", "holds no settings"},
        DateiFall{"tabelle_fehlt", "DROP TABLE Notizen", "not a notes file"},
        DateiFall{
            "ansicht_statt_tabelle",
            "CREATE VIEW Ewig AS WITH RECURSIVE z(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM z) "
            "SELECT n FROM z",
            "not a notes file"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
