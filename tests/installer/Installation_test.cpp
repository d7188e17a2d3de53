// The rules of the installer without its window: which names from the
// server may become files, how the list is read, the hand-over files.

#include "Installation.h"
#include "TestHilfe.h"
#include "TestNutzer.h"

#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace pinwick;
using namespace pinwick::pwi;

namespace {

TEST(Namen, NurDateienDesProgrammordners) {
    const std::pair<QString, bool> faelle[] = {
        {QStringLiteral("Pinwick3.dld"), true},
        {QStringLiteral("readme.txt"), true},
        {QStringLiteral("start-e.htm"), true},
        {QStringLiteral("\u00FCbersicht \u00E4.txt"), true},
        {QStringLiteral("ohne-endung"), true},
        {QString(255, u'a'), true},
        {QString(256, u'a'), false},
        {QString(128, u'\u00E4'), false}, // 256 bytes in UTF-8
        {QString(), false},
        {QStringLiteral("."), false},
        {QStringLiteral(".."), false},
        {QStringLiteral("../evil"), false},
        {QStringLiteral("..\\evil"), false},
        {QStringLiteral("a..b"), false},
        {QStringLiteral("/etc/passwd"), false},
        {QStringLiteral("\\windows\\x.dll"), false},
        {QStringLiteral("sub/datei"), false},
        {QStringLiteral("sub\\datei"), false},
        {QStringLiteral("C:x.exe"), false},
        {QStringLiteral("C:\\x.exe"), false},
        {QStringLiteral("datei.txt:strom"), false},
        {QStringLiteral("zeile\rumbruch"), false},
        {QStringLiteral("tab\there"), false},
        {QStringLiteral("a\u007Fb"), false},
        {QStringLiteral(".dld"), false},
        {QStringLiteral("x\uFFFDy"), false},
    };
    for (const auto& [name, zulaessig] : faelle)
        EXPECT_EQ(NameZulaessig(name), zulaessig) << name.toStdString();
}

TEST(Namen, ProgrammeVerlierenDld) {
    const std::tuple<QString, bool, QString> faelle[] = {
        {QStringLiteral("Pinwick3.dld"), true, QStringLiteral("Pinwick3")},
        {QStringLiteral("Pinwick3.exe.dld"), true, QStringLiteral("Pinwick3.exe")},
        {QStringLiteral("PWIUPD.DLD"), true, QStringLiteral("PWIUPD")},
        {QStringLiteral("readme.txt"), false, QStringLiteral("readme.txt")},
        {QStringLiteral("dld"), false, QStringLiteral("dld")},
    };
    for (const auto& [name, programm, ziel] : faelle) {
        EXPECT_EQ(IstProgramm(name), programm) << name.toStdString();
        EXPECT_EQ(ZielName(name), ziel);
    }
}

TEST(Liste, ZeilenUndFehler) {
    const QStringList zwei{QStringLiteral("readme.txt"), QStringLiteral("Pinwick3.dld")};
    struct Fall {
        const char* was;
        QByteArray text;
        std::optional<QStringList> namen;
    };
    const Fall faelle[] = {
        {"CR LF", "readme.txt\r\nPinwick3.dld\r\n", zwei},
        {"LF only", "readme.txt\nPinwick3.dld\n", zwei},
        {"no break at the end", "readme.txt\r\nPinwick3.dld", zwei},
        {"CR only", "readme.txt\rPinwick3.dld\r", zwei},
        {"mixed", "readme.txt\nPinwick3.dld\r\n", zwei},
        {"CR CR LF", "readme.txt\r\r\nPinwick3.dld\r\n", std::nullopt},
        {"one name", "x\r\n", QStringList{QStringLiteral("x")}},
        {"UTF-8 names", "\xC3\xBC.txt\n", QStringList{QStringLiteral("\u00FC.txt")}},
        {"empty list", "", std::nullopt},
        {"only a line break", "\r\n", std::nullopt},
        {"a blank line", "readme.txt\r\n\r\nPinwick3.dld\r\n", std::nullopt},
        {"a blank LF line", "readme.txt\n\nPinwick3.dld\n", std::nullopt},
        {"a way out", "readme.txt\r\n../evil\r\nPinwick3.dld\r\n", std::nullopt},
        {"an absolute path", "/usr/bin/Pinwick3.dld\n", std::nullopt},
        {"a drive", "C:\\Pinwick3.exe.dld\r\n", std::nullopt},
        {"twice the same", "a.txt\r\na.txt\r\n", std::nullopt},
        {"one file under two names", "Pinwick3\r\nPinwick3.dld\r\n", std::nullopt},
        {"names differing in case only", "A.txt\r\na.txt\r\n", std::nullopt},
        {"a broken UTF-8 name", "\xC3(.txt\n", std::nullopt},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        QString grund;
        const auto namen = ListeLesen(f.text, &grund);
        EXPECT_EQ(namen.has_value(), f.namen.has_value()) << grund.toStdString();
        if (namen && f.namen) {
            EXPECT_EQ(*namen, *f.namen);
        }
        if (!namen) {
            EXPECT_FALSE(grund.isEmpty());
        }
    }
}

TEST(Liste, Grenzen) {
    QByteArray viele;
    for (int i = 0; i <= NamenHoechstens; ++i)
        viele += "datei" + QByteArray::number(i) + "\r\n";
    EXPECT_FALSE(ListeLesen(viele).has_value()) << "more names than allowed";

    QByteArray genug;
    for (int i = 0; i < NamenHoechstens; ++i)
        genug += "datei" + QByteArray::number(i) + "\n";
    ASSERT_TRUE(ListeLesen(genug).has_value());
    EXPECT_EQ(ListeLesen(genug)->size(), NamenHoechstens);

    EXPECT_FALSE(ListeLesen(QByteArray(ListeHoechstens + 1, 'a')).has_value());
}

class UebergabeTest : public ::testing::Test {
protected:
    void Schreiben(const char* name, const QByteArray& inhalt) {
        QFile f(QDir(ordner.path()).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(inhalt);
    }
    QTemporaryDir ordner;
};

TEST_F(UebergabeTest, VersionUndSprache) {
    struct Fall {
        const char* updver; // nullptr: no file
        const char* updinfo;
        const char* version;
        int16_t sprache;
    };
    const Fall faelle[] = {
        {"302\r\n", "1\r\n", "3.02", 1},     {"302", "2", "3.02", 2},
        {nullptr, nullptr, "2.00", 0},       {"5\r\n", "7\r\n", "0.05", 7},
        {"1234\n", "x", "12.34", 0},         {"kaputt", "", "0.00", 0},
        {"99999999", "99999999", "2.00", 0}, // out of range: keep what was there
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.version);
        QFile::remove(QDir(ordner.path()).filePath(QStringLiteral("updver.txt")));
        QFile::remove(QDir(ordner.path()).filePath(QStringLiteral("updinfo.txt")));
        if (f.updver)
            Schreiben("updver.txt", f.updver);
        if (f.updinfo)
            Schreiben("updinfo.txt", f.updinfo);
        Installation inst{QDir(ordner.path())};
        inst.UpdinfoLesen();
        inst.UpdverLesen();
        EXPECT_EQ(inst.VersionText(), QString::fromLatin1(f.version));
        EXPECT_EQ(inst.sprache, f.sprache);
    }
}

// Where the downloads go: a folder only the user can reach, never a name
// in the shared temporary folder (its name goes into the journal, and after
// a restart anybody could make a folder of that name there).
TEST(Downloadordner, NurEinOrdnerDesNutzersAllein) {
    const auto opfer = test::Nutzer("pwopfer");
    const auto fremder = test::Nutzer("nobody");
    if (!opfer || !fremder)
        GTEST_SKIP() << "needs the superuser, to act as two other users";
    QTemporaryDir wurzel;
    ASSERT_EQ(::chmod(QFile::encodeName(wurzel.path()).constData(), 0755), 0);
    const QDir w(wurzel.path());
    const auto ordner = [&](const char* name, const test::TestNutzer& wem, mode_t rechte) {
        const QByteArray pfad = QFile::encodeName(w.filePath(QString::fromLatin1(name)));
        ASSERT_EQ(::mkdir(pfad.constData(), rechte), 0);
        ASSERT_EQ(::chmod(pfad.constData(), rechte), 0);
        ASSERT_EQ(::chown(pfad.constData(), wem.uid, wem.gid), 0);
    };
    ordner("tmp", {0, 0}, 01777);
    ordner("lauf", *opfer, 0700);
    ordner("laufOffen", *opfer, 0755);
    ordner("laufFremd", *fremder, 0777);
    ordner("heim", *opfer, 0755);
    ordner("heimFremd", *fremder, 0777);
    ASSERT_EQ(::symlink(QFile::encodeName(w.filePath(QStringLiteral("lauf"))).constData(),
                        QFile::encodeName(w.filePath(QStringLiteral("laufLink"))).constData()),
              0);
    QString rechner;
    for (const QChar z : QSysInfo::machineHostName())
        rechner += z.isLetterOrNumber() || z == u'-' || z == u'.' ? z : QChar(u'_');
    const QString privat =
        w.filePath(QStringLiteral("heim/.pinwick-laufzeit-") + (rechner.isEmpty() ? "ohne" : rechner));

    struct Fall {
        const char* was;
        const char* laufzeit; // XDG_RUNTIME_DIR below the test's folder; nullptr: unset
        const char* heim;
        QString erwartet; // empty: none
    };
    const Fall faelle[] = {
        {"the user's runtime folder", "lauf", "heim", w.filePath(QStringLiteral("lauf"))},
        {"no runtime folder", nullptr, "heim", privat},
        {"a runtime folder others may enter", "laufOffen", "heim", privat},
        {"another user's runtime folder", "laufFremd", "heim", privat},
        {"a link to the runtime folder", "laufLink", "heim", privat},
        {"no runtime folder, and a home folder anybody may write", nullptr, "heimFremd", {}},
    };
    const QByteArray altLauf = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray altHeim = qgetenv("HOME");
    const QByteArray altTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(w.filePath(QStringLiteral("tmp"))));
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        if (f.laufzeit)
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(w.filePath(QString::fromLatin1(f.laufzeit))));
        else
            qunsetenv("XDG_RUNTIME_DIR");
        qputenv("HOME", QFile::encodeName(w.filePath(QString::fromLatin1(f.heim))));
        QString grund;
        const QString basis = test::Als(*opfer, [&] { return Installation::SystemDownloadBasis(&grund); });
        EXPECT_EQ(basis, f.erwartet) << grund.toStdString();
        if (basis.isEmpty()) {
            EXPECT_FALSE(grund.isEmpty());
            // The installer refuses to start rather than fall back to the
            // shared folder.
            QTemporaryDir programm;
            ASSERT_EQ(::chown(QFile::encodeName(programm.path()).constData(), opfer->uid,
                              opfer->gid),
                      0);
            const QString fehler = test::Als(*opfer, [&] {
                Installation inst{QDir(programm.path())};
                inst.schluessel = "irgendein";
                EXPECT_EQ(inst.Ausfuehren(), Installation::Ergebnis::Fehlgeschlagen);
                return inst.Fehler();
            });
            EXPECT_TRUE(fehler.startsWith(QStringLiteral("no private folder"))) << fehler.toStdString();
            continue;
        }
        struct stat st {};
        ASSERT_EQ(::lstat(QFile::encodeName(basis).constData(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_uid, opfer->uid);
        EXPECT_EQ(st.st_mode & 07777, 0700u);
    }
    qputenv("XDG_RUNTIME_DIR", altLauf);
    if (altLauf.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    qputenv("HOME", altHeim);
    if (altTmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", altTmp);
}

} // namespace
