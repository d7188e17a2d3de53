// Whether the band moves, how its notes are split into pages, and how the
// desktop's wish for less motion is read.

#include "BandBewegung.h"
#include "Bewegungswunsch.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

using namespace pinwick;

namespace {

using Art = BandBewegung::Art;

struct Lage {
    const char* name;
    bool zeiger, fokus, angehalten, weniger, trotzdem;
    Art art;
    bool selbst; // pages turn by themselves
};

TEST(BandBewegung, ZustandAusDenUrsachen) {
    const Lage faelle[] = {
        {"nichts", false, false, false, false, false, Art::Laufend, false},
        {"Zeiger", true, false, false, false, false, Art::Stehend, false},
        {"Fokus", false, true, false, false, false, Art::Stehend, false},
        {"angehalten", false, false, true, false, false, Art::Seitenweise, false},
        {"angehalten, Zeiger", true, false, true, false, false, Art::Seitenweise, false},
        {"weniger Bewegung", false, false, false, true, false, Art::Seitenweise, true},
        {"weniger Bewegung, Zeiger", true, false, false, true, false, Art::Seitenweise, false},
        {"weniger Bewegung, Fokus", false, true, false, true, false, Art::Seitenweise, false},
        {"weniger Bewegung, trotzdem", false, false, false, true, true, Art::Laufend, false},
        {"trotzdem, Zeiger", true, false, false, true, true, Art::Stehend, false},
        {"trotzdem, aber angehalten", false, false, true, true, true, Art::Seitenweise, false},
        {"trotzdem ohne Wunsch", false, false, false, false, true, Art::Laufend, false},
    };
    for (const Lage& f : faelle) {
        BandBewegung b;
        b.ZeigerDrauf(f.zeiger);
        b.Fokus(f.fokus);
        b.Angehalten(f.angehalten);
        b.WenigerBewegung(f.weniger);
        b.TrotzdemScrollen(f.trotzdem);
        EXPECT_EQ(b.Zustand(), f.art) << f.name;
        EXPECT_EQ(b.BlaettertSelbst(), f.selbst) << f.name;
    }
}

struct Teilung {
    const char* name;
    std::vector<int> breiten;
    int trenner, band;
    std::vector<BandSeite> seiten;
};

TEST(BandSeiten, NotizenAufSeiten) {
    const Teilung faelle[] = {
        {"keine", {}, 5, 100, {}},
        {"alle passen", {20, 20, 20}, 5, 100, {{0, 3, false}}},
        {"genau voll", {45, 50}, 5, 100, {{0, 2, false}}},
        {"ein Punkt zu viel", {46, 50}, 5, 100, {{0, 1, false}, {1, 1, false}}},
        {"der Trenner zählt", {50, 50}, 1, 100, {{0, 1, false}, {1, 1, false}}},
        {"drei Seiten", {60, 30, 60, 60, 10}, 5, 100,
         {{0, 2, false}, {2, 1, false}, {3, 2, false}}},
        {"breite allein und abgeschnitten", {30, 250, 30}, 5, 100,
         {{0, 1, false}, {1, 1, true}, {2, 1, false}}},
        {"zwei breite hintereinander", {101, 101}, 5, 100, {{0, 1, true}, {1, 1, true}}},
        {"genau bandbreit ist nicht zu breit", {100}, 5, 100, {{0, 1, false}}},
    };
    for (const Teilung& f : faelle) {
        const auto seiten = SeitenBilden(f.breiten, f.trenner, f.band);
        EXPECT_EQ(seiten, f.seiten) << f.name;
        // Every note once, in order; nothing but a cut note wider than the band.
        size_t naechste = 0;
        for (const BandSeite& s : seiten) {
            EXPECT_EQ(s.erster, naechste) << f.name;
            naechste += s.anzahl;
            int belegt = 0;
            for (size_t i = s.erster; i < s.erster + s.anzahl; ++i)
                belegt += f.breiten[i] + (i > s.erster ? f.trenner : 0);
            EXPECT_TRUE(belegt <= f.band || (s.anzahl == 1 && s.abgeschnitten)) << f.name;
        }
        EXPECT_EQ(naechste, f.breiten.size()) << f.name;
    }
}

TEST(BandSeiten, DauerWaechstMitDerLaenge) {
    struct Fall {
        qsizetype zeichen;
        qint64 mindestens, hoechstens;
    };
    const Fall faelle[] = {
        {0, 5000, 5000},       {10, 5000, 5000},     {45, 5000, 5000},
        {150, 10000, 13000},   {300, 20000, 23000},  {100000, 60000, 60000},
    };
    qint64 vorher = 0;
    for (const Fall& f : faelle) {
        const qint64 ms = SeitenDauerMs(f.zeichen);
        EXPECT_GE(ms, f.mindestens) << f.zeichen;
        EXPECT_LE(ms, f.hoechstens) << f.zeichen;
        EXPECT_GE(ms, vorher) << f.zeichen;
        vorher = ms;
    }
}

TEST(BandSeiten, Marke) {
    struct Fall {
        size_t seite, seiten;
        const char* marke;
    };
    const Fall faelle[] = {{0, 0, ""}, {0, 1, ""}, {0, 3, "1/3"}, {1, 3, "2/3"}, {11, 12, "12/12"}};
    for (const Fall& f : faelle)
        EXPECT_EQ(SeitenMarke(f.seite, f.seiten), QString::fromUtf8(f.marke)) << f.marke;
}

TEST(Bewegungswunsch, KdeglobalsLesen) {
    struct Fall {
        const char* name;
        const char* inhalt;
        std::optional<bool> weniger;
    };
    const Fall faelle[] = {
        {"leer", "", std::nullopt},
        {"null", "[KDE]\nAnimationDurationFactor=0\n", true},
        {"null mit Komma", "[KDE]\nAnimationDurationFactor=0.0\n", true},
        {"halb", "[KDE]\nAnimationDurationFactor=0.5\n", false},
        {"andere Gruppe", "[General]\nAnimationDurationFactor=0\n", std::nullopt},
        {"nach anderer Gruppe", "[KDE]\nSingleClick=false\n[General]\nAnimationDurationFactor=0\n",
         std::nullopt},
        {"Leerzeichen und Kommentar",
         "# config\n[General]\nfoo=1\n\n[KDE]\n  AnimationDurationFactor = 0  \n", true},
        {"mit Flagge", "[KDE][$i]\nAnimationDurationFactor[$e]=0\n", true},
        {"kein Wert", "[KDE]\nAnimationDurationFactor=\n", std::nullopt},
        {"Windows-Zeilen", "[KDE]\r\nAnimationDurationFactor=0\r\n", true},
        {"der letzte gilt", "[KDE]\nAnimationDurationFactor=0\nAnimationDurationFactor=1\n", false},
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(KdeWenigerBewegung(QByteArray(f.inhalt)), f.weniger) << f.name;
}

TEST(Bewegungswunsch, GsettingsLesen) {
    struct Fall {
        const char* zeile;
        std::optional<bool> weniger;
    };
    const Fall faelle[] = {
        {"false\n", true},
        {"true\n", false},
        {"enable-animations: false", true},
        {"enable-animations: true\n", false},
        {"", std::nullopt},
        {"No such schema", std::nullopt},
    };
    for (const Fall& f : faelle)
        EXPECT_EQ(GnomeWenigerBewegung(QByteArray(f.zeile)), f.weniger) << f.zeile;
}

TEST(Bewegungswunsch, KdeglobalsOrdner) {
    struct Fall {
        const char* name;
        const char* home;
        const char* configHome;
        const char* configDirs;
        QStringList pfade;
    };
    const Fall faelle[] = {
        {"Vorgaben", "/h", nullptr, nullptr,
         {QStringLiteral("/h/.config/kdeglobals"), QStringLiteral("/etc/xdg/kdeglobals")}},
        {"eigene Ordner", "/h", "/c", "/a:/b/",
         {QStringLiteral("/c/kdeglobals"), QStringLiteral("/a/kdeglobals"),
          QStringLiteral("/b/kdeglobals")}},
        {"leere Teile", "/h", "/c", ":/a::",
         {QStringLiteral("/c/kdeglobals"), QStringLiteral("/a/kdeglobals")}},
    };
    for (const Fall& f : faelle) {
        QProcessEnvironment umgebung;
        umgebung.insert(QStringLiteral("HOME"), QString::fromUtf8(f.home));
        if (f.configHome)
            umgebung.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromUtf8(f.configHome));
        if (f.configDirs)
            umgebung.insert(QStringLiteral("XDG_CONFIG_DIRS"), QString::fromUtf8(f.configDirs));
        EXPECT_EQ(KdeglobalsPfade(umgebung), f.pfade) << f.name;
    }
}

TEST(Bewegungswunsch, FolgtDerDateiImLauf) {
    // Only the test's own folders and no gsettings tool: the machine's
    // desktop has no say.
    QTemporaryDir ordner;
    ASSERT_TRUE(ordner.isValid());
    QProcessEnvironment umgebung;
    umgebung.insert(QStringLiteral("HOME"), ordner.path());
    umgebung.insert(QStringLiteral("XDG_CONFIG_HOME"), ordner.path() + QStringLiteral("/config"));
    umgebung.insert(QStringLiteral("XDG_CONFIG_DIRS"), ordner.path() + QStringLiteral("/system"));
    umgebung.insert(QStringLiteral("PATH"), ordner.path() + QStringLiteral("/leer"));
    const auto schreiben = [&](const QString& datei, const QByteArray& inhalt) {
        QFile f(ordner.path() + datei);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(inhalt);
    };
    ASSERT_TRUE(QDir(ordner.path()).mkpath(QStringLiteral("config")));
    ASSERT_TRUE(QDir(ordner.path()).mkpath(QStringLiteral("system")));
    // The system's file asks for less motion; the user's says nothing yet.
    schreiben(QStringLiteral("/system/kdeglobals"), "[KDE]\nAnimationDurationFactor=0\n");

    Bewegungswunsch wunsch(umgebung);
    QSignalSpy geaendert(&wunsch, &Bewegungswunsch::geaendert);
    wunsch.Starten();
    EXPECT_TRUE(wunsch.WenigerBewegung());

    // The user's own file, made while running, is the stronger.
    schreiben(QStringLiteral("/config/kdeglobals"), "[KDE]\nAnimationDurationFactor=1\n");
    ASSERT_TRUE(geaendert.wait(5000));
    EXPECT_FALSE(wunsch.WenigerBewegung());
    EXPECT_EQ(geaendert.takeFirst().at(0).toBool(), false);

    // Changed in place.
    schreiben(QStringLiteral("/config/kdeglobals"), "[KDE]\nAnimationDurationFactor=0\n");
    ASSERT_TRUE(geaendert.wait(5000));
    EXPECT_TRUE(wunsch.WenigerBewegung());
}

} // namespace
