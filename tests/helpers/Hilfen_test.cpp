#include "Hilfen.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cfenv>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace pinwick;

// Readable failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {
constexpr double kGross = std::numeric_limits<double>::max();
QString Q(const char* text) {
    return QString::fromLatin1(text);
}
} // namespace

TEST(HilfenZahlen, FuehrendeZahl) {
    // clang-format off
    const std::pair<const char*, double> faelle[] = {
        {" 1 2", 12},   {"	-3.5 kg", -3.5}, {"+.5", 0.5},      {"1.2.3", 1.2},      {"1,5", 1},
        {"1.5E3x", 1500}, {"25e-1", 2.5},     {"2E+", 2},        {"", 0},             {"abc", 0},
        {"--1", 0},     {".", 0},             {"&HFF", 255},     {"&hff zz", 255},    {"&HFFFF", -1},
        {"&H10000", 65536}, {"&O17", 15},     {"&H80000005", -2147483643.0},   {"&H1FFFFFFFF", 0},
        {"-&H10", 0},   {"&X1", 0},           {"1e999", kGross}, {"-1e999", -kGross}, {"1e-999", 0},
        {"1e99999999999999999999", kGross}};
    // clang-format on
    for (const auto& [text, wert] : faelle)
        EXPECT_EQ(FuehrendeZahl(Q(text)), wert) << text;

    // Whether there is a number at all, so a real 0 differs from none.
    const std::pair<const char*, bool> da[] = {
        {"0", true},   {" 0,x", true}, {"-.5", true},  {"&H0", true}, {"&o7", true},
        {"", false},   {"  ", false},  {"abc", false}, {"-", false},  {".", false},
        {"&H", false}, {"&O8", false}, {",1", false}};
    for (const auto& [text, ja] : da)
        EXPECT_EQ(HatFuehrendeZahl(Q(text)), ja) << text;
}

TEST(HilfenZahlen, RundeGerade32) {
    // clang-format off
    const std::pair<double, int32_t> faelle[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {-2.5, -2}, {-1.5, -2}, {2.4999999, 2}, {-2.5000001, -3},
        {2147483647.4, INT32_MAX}, {1e12, INT32_MAX}, {-1e12, INT32_MIN}, {std::nan(""), 0},
        {std::numeric_limits<double>::infinity(), INT32_MAX}};
    // clang-format on
    // The same answers whatever rounding mode the processor is left in.
    const int altModus = std::fegetround();
    for (int modus : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        std::fesetround(modus);
        for (const auto& [wert, ergebnis] : faelle) {
            EXPECT_EQ(RundeGerade32(wert), ergebnis) << wert << " mode " << modus;
            if (std::isfinite(wert) && std::abs(wert) < 1e9) {
                EXPECT_EQ(RundeGerade(wert), ergebnis) << wert << " mode " << modus;
            }
        }
    }
    std::fesetround(altModus);
}

TEST(HilfenTexte, ReplacingAndLineEnds) {
    QString t = Q("  \ta b\t  ");
    Trimmen(t);
    EXPECT_EQ(t, Q("\ta b\t"));

    t = Q("abc");
    ZeichenErsetzen(t, Q("XY"), 2);
    EXPECT_EQ(t, Q("aXYc"));
    ZeichenErsetzen(t, Q("!"), 9); // past the end: appended, nothing lost
    EXPECT_EQ(t, Q("aXYc!"));

    t = Q("abcdef");
    int n = 4;
    TeilErsetzen(t, Q("X"), 5, n);
    EXPECT_EQ(t, Q("abcdX"));
    EXPECT_EQ(n, 2);
    n = 2;
    TeilErsetzen(t, Q("--"), 0, n); // before the start counts as position 1
    EXPECT_EQ(t, Q("--cdX"));

    t = Q("1,2,3");
    KommaZuPunkt(t);
    EXPECT_EQ(t, Q("1.2.3"));
    t = Q("a\r\nb\rc\nd\r\r\n\n");
    ZeilenumbruchZuLeerzeichen(t);
    EXPECT_EQ(t, Q("a b\rc\nd\r \n"));
    t = Q("3.01\r\n\n\r");
    ZeilenendeEntfernen(t);
    EXPECT_EQ(t, Q("3.01"));
}

TEST(HilfenTexte, StueckAbschneidenAndRestAbLetztem) {
    QString t = Q("ab"), stueck = Q("alt");
    StueckAbschneiden(t, 3, 1, stueck);
    EXPECT_EQ(t + stueck, Q("abalt"));
    StueckAbschneiden(t, 2, 1, stueck);
    EXPECT_TRUE(t.isEmpty());
    EXPECT_EQ(stueck, Q("ab"));
    t = Q("0912xyz");
    StueckAbschneiden(t, 2, 1, stueck);
    EXPECT_EQ(stueck, Q("09"));
    StueckAbschneiden(t, 3, 2, stueck);
    EXPECT_EQ(t + stueck, Q("12xyz"));

    EXPECT_EQ(RestAbLetztem(Q("a;b;cd"), Q(";")), 3);
    EXPECT_EQ(RestAbLetztem(Q("abab"), Q("ab")), 2);
    EXPECT_EQ(RestAbLetztem(Q("abc"), Q("x")), 0);
    EXPECT_EQ(RestAbLetztem(QString(), Q(";")), 0);
}

TEST(HilfenDaten, DayNumbersMonthsAndWeekdays) {
    EXPECT_EQ(DatumsZahl(QDate(1900, 1, 1)), 2);
    EXPECT_EQ(AusDatumsZahl(-1), QDate(1899, 12, 29));
    EXPECT_DOUBLE_EQ(TagesZahl(QDateTime(QDate(2000, 1, 1), QTime(18, 0))), 36526.75);
    // Less than half a second before midnight rounds into the next day.
    EXPECT_EQ(AusTagesZahl(36527 - 0.4 / 86400), QDateTime(QDate(2000, 1, 2), QTime(0, 0)));
    EXPECT_EQ(AusTagesZahl(-0.75), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_FALSE(AusTagesZahl(std::nan("")).isValid());
    const QDateTime moment(QDate(2008, 2, 29), QTime(23, 59, 59));
    EXPECT_EQ(AusTagesZahl(TagesZahl(moment)), moment);

    EXPECT_EQ(TageImMonat(2, 2100), 29);
    EXPECT_EQ(TageImMonat(2, 2009), 28);
    EXPECT_EQ(TageImMonat(9, 2008), 30);
    EXPECT_EQ(TageImMonat(13, 2008), 31);
    EXPECT_EQ(WochentagMo(QDate(2008, 3, 2)), 7); // Sunday
    EXPECT_EQ(WochentagMo(QDate(2008, 3, 3)), 1);
}

TEST(HilfenDatumGueltig, EmptyAndInvalidLeaveTheDayNumberAlone) {
    int32_t zahl = 4711;
    QString t = Q("  ");
    EXPECT_TRUE(DatumGueltig(t, zahl, QDate(2010, 6, 15)));
    EXPECT_TRUE(t.isEmpty());
    for (const char* falsch :
         {"31.02.2008", "29.2.2100", "1.13.2008", "0.1.2008", "1.2.2008x", "1.2.2008.", "1.2.099",
          "1.2.0099", "1.2.12008", "1..2008", "123.1.2008", "1", "abc", "1.2.-8"}) {
        t = Q(falsch);
        EXPECT_FALSE(DatumGueltig(t, zahl, QDate(2010, 6, 15))) << falsch;
    }
    EXPECT_EQ(zahl, 4711);
}

// A date without a year is in today's year, but only where a note can hold
// it: a clock far outside the years 100 to 9999 once gave a day number that
// did not fit 32 bits and named another day (found by fuzzing).
TEST(HilfenDatumGueltig, TodaysYearOutsideTheDateRangeIsNoDate) {
    for (const QDate heute : {QDate(92, 2, 29), QDate(10000, 1, 1), QDate(201922024, 2, 29)}) {
        int32_t zahl = 4711;
        for (const char* text : {"2.12.", "24.12", "1.1"}) {
            QString t = Q(text);
            EXPECT_FALSE(DatumGueltig(t, zahl, heute)) << text << " in " << heute.year();
        }
        EXPECT_EQ(zahl, 4711);
    }
    int32_t zahl = 0;
    QString t = Q("31.12.");
    ASSERT_TRUE(DatumGueltig(t, zahl, QDate(9999, 6, 1)));
    EXPECT_EQ(AusDatumsZahl(zahl), QDate(9999, 12, 31));
}

TEST(HilfenDatumGueltig, ReadsDayFirstFormsAndItsOwnDisplayForm) {
    const auto lies = [](QString t) {
        int32_t zahl = -1;
        return DatumGueltig(t, zahl, QDate(2010, 6, 15)) ? AusDatumsZahl(zahl) : QDate();
    };
    // clang-format off
    const std::pair<const char*, QDate> faelle[] = {
        {"  1.2.2008 ", {2008, 2, 1}}, {"29.02.2008", {2008, 2, 29}}, {"1/2/2008", {2008, 2, 1}},
        {"1-2-2008", {2008, 2, 1}},    {"1. 2. 2008", {2008, 2, 1}},  {"1.2.29", {2029, 2, 1}},
        {"1.2.30", {1930, 2, 1}},      {"1.2.00", {2000, 2, 1}},      {"1.2.8", {2008, 2, 1}},
        {"1.2.100", {100, 2, 1}},      {"24.12", {2010, 12, 24}},     {"24.12.", {2010, 12, 24}}};
    // clang-format on
    for (const auto& [text, datum] : faelle)
        EXPECT_EQ(lies(Q(text)), datum) << text;

    const QChar tr = DatumTrenner();
    EXPECT_EQ(DatumText(QDate(2008, 2, 1)), Q("01") + tr + Q("02") + tr + Q("2008"));
    for (const QDate d : {QDate(1999, 12, 31), QDate(2029, 1, 1), QDate(1930, 7, 9),
                          QDate(2100, 2, 28), QDate(150, 3, 3)})
        EXPECT_EQ(lies(DatumText(d)), d) << DatumText(d).toStdString();
}

TEST(HilfenDateien, DateiUndOrdnerVorhanden) {
    QTemporaryDir tmp;
    const QString datei = tmp.filePath(Q("nefe.txt"));
    QFile f(datei);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_TRUE(DateiVorhanden(datei));
    EXPECT_FALSE(DateiVorhanden(tmp.path()));
    EXPECT_FALSE(DateiVorhanden(tmp.filePath(Q("fehlt"))));

    const QString vorher = QDir::currentPath();
    EXPECT_TRUE(OrdnerVorhanden(tmp.path()));
    EXPECT_EQ(QDir::currentPath(), vorher);
    EXPECT_FALSE(OrdnerVorhanden(tmp.filePath(Q("fehlt"))));
    EXPECT_FALSE(OrdnerVorhanden(datei));
    EXPECT_EQ(QDir::currentPath(), vorher);
}

TEST(HilfenDateien, DateiGanzSchreibenIsWholeOrNothing) {
    // A limit on the file size stands in for a disk that fills up: the
    // kernel takes part of the write, and only the next write fails with a
    // reason. That reason must reach the caller, and the old file stays.
    struct Fall {
        const char* name;
        qsizetype groesse;
        bool gelingt;
    };
    const Fall faelle[] = {
        {"empty", 0, true},
        {"under the limit", 30000, true},
        {"just over the limit", 40001, false},
        {"far over the limit", 300000, false},
    };
    rlimit vorher{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &vorher), 0);
    if (vorher.rlim_max != RLIM_INFINITY && vorher.rlim_max < 40000)
        GTEST_SKIP() << "file size limit below the test's";
    const auto alterHandler = std::signal(SIGXFSZ, SIG_IGN);
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        QTemporaryDir tmp;
        const QString pfad = tmp.filePath(Q("ziel.txt"));
        {
            QFile alt(pfad);
            ASSERT_TRUE(alt.open(QIODevice::WriteOnly));
            alt.write("old content");
        }
        rlimit grenze = vorher;
        grenze.rlim_cur = 40000;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &grenze), 0);
        const QString grund = DateiGanzSchreiben(pfad, QByteArray(f.groesse, 'x'));
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &vorher), 0);

        QFile gelesen(pfad);
        ASSERT_TRUE(gelesen.open(QIODevice::ReadOnly));
        if (f.gelingt) {
            EXPECT_TRUE(grund.isEmpty()) << grund.toStdString();
            EXPECT_EQ(gelesen.readAll(), QByteArray(f.groesse, 'x'));
        } else {
            EXPECT_EQ(grund, QString::fromLocal8Bit(std::strerror(EFBIG)));
            EXPECT_EQ(gelesen.readAll(), QByteArray("old content"));
        }
        EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{Q("ziel.txt")});
    }
    std::signal(SIGXFSZ, alterHandler);
    // A folder that does not exist is a reason too, not a crash.
    EXPECT_FALSE(DateiGanzSchreiben(Q("/nonexistent-folder/x"), "a").isEmpty());
}

TEST(HilfenZeit, WartenUndPiepen) {
    const auto anfang = std::chrono::steady_clock::now();
    Warten(0.1f);
    EXPECT_GE(std::chrono::steady_clock::now() - anfang, std::chrono::milliseconds(100));
    Warten(-1.0f); // returns at once rather than hanging
    Warten(std::nanf(""));

    static int toene = 0;
    const auto ton = [] { ++toene; };
    Piepen(false, ton);
    Piepen(true, nullptr);
    Piepen(true, ton);
    EXPECT_EQ(toene, 1);
}

TEST(HilfenUmgebung, WindowsOrdner) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "names differing only in case are one variable there";
#endif
    const char* namen[] = {"winbootdir", "windir", "WINDIR", "WinBootDir"};
    QList<QByteArray> alt;
    for (const char* n : namen) {
        alt.append(qgetenv(n));
        qunsetenv(n);
    }
    EXPECT_TRUE(WindowsOrdner().isEmpty());
    qputenv("windir", "C:\\first");
    qputenv("WINDIR", "C:\\second");
    // The first entry in the environment's order wins, not the first by name.
    EXPECT_EQ(WindowsOrdner(), Q("C:\\first"));
    qputenv("WinBootDir", "");
    EXPECT_EQ(WindowsOrdner(), Q("C:\\first"));
    qputenv("WinBootDir", "D:\\boot");
    EXPECT_EQ(WindowsOrdner(), Q("D:\\boot"));
    for (int i = 0; i < 4; ++i)
        alt[i].isNull() ? qunsetenv(namen[i]) : qputenv(namen[i], alt[i]);
}
