// Who may read what the first start makes: the notes file and its folder
// belong to the user alone, whatever the umask and the template's mode.

#include "ProgrammStart.h"
#include "Speicher.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pinwick;

namespace {

mode_t modus(const QString& pfad) {
    struct stat st {};
    if (::stat(QFile::encodeName(pfad).constData(), &st) != 0)
        return mode_t(-1);
    return st.st_mode & 07777;
}

// Whether another local account could open the file for reading. The tests
// run as the superuser, who reads everything: the attempt is made as
// "nobody", real and effective, and the saved id turns the test back.
bool andererLiest(const QString& pfad) {
    if (::geteuid() != 0)
        return ::access(QFile::encodeName(pfad).constData(), R_OK) == 0;
    if (::setresuid(65534, 65534, 0) != 0)
        return true;
    const int fd = ::open(QFile::encodeName(pfad).constData(), O_RDONLY);
    if (fd >= 0)
        ::close(fd);
    const bool zurueck = ::setresuid(0, 0, 0) == 0;
    EXPECT_TRUE(zurueck);
    return fd >= 0;
}

class ProgrammStartRechte : public ::testing::Test {
protected:
    void SetUp() override {
        alterHome = qgetenv("HOME");
        qputenv("HOME", heim.path().toLocal8Bit());
        // Another account may walk up to the data folder: only the folder
        // and the file themselves keep it out.
        QFile::setPermissions(heim.path(), QFile::permissions(heim.path()) |
                                               QFileDevice::ReadOther | QFileDevice::ExeOther);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        alteMaske = ::umask(022);
    }
    void TearDown() override {
        ::umask(alteMaske);
        QLocale::setDefault(QLocale::system());
        qputenv("HOME", alterHome);
    }

    QTemporaryDir heim, arbeitsOrdner;
    QByteArray alterHome;
    mode_t alteMaske = 022;
};

} // namespace

TEST_F(ProgrammStartRechte, NeueDateiUndNeuerOrdnerNurFuerDenBenutzer) {
    const struct {
        const char* name;
        mode_t maske, vorlage;
        bool ordnerDa; // the data folder exists already, made by the user
        mode_t ordner; // expected mode of the data folder
    } faelle[] = {
        {"usual umask, readable template", 022, 0644, false, 0700},
        {"no umask, template open to all", 0, 0666, false, 0700},
        {"read-only template", 022, 0444, false, 0700},
        {"strict umask", 077, 0644, false, 0700},
        // A folder the user made (or shares) is left as it is.
        {"folder already there", 022, 0644, true, 0755},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.name);
        const QString dokumente = heim.path() + QStringLiteral("/Documents");
        QDir(dokumente).removeRecursively();
        if (f.ordnerDa) {
            ASSERT_TRUE(QDir().mkpath(dokumente + QStringLiteral("/Pinwick 3")));
        }
        QDir arbeit(arbeitsOrdner.path());
        QFile::remove(arbeit.filePath(QStringLiteral("org.kav")));
        VorlageErzeugen(arbeit.filePath(QStringLiteral("org.kav")));
        ASSERT_TRUE(
            ::chmod(QFile::encodeName(arbeit.filePath(QStringLiteral("org.kav"))).constData(),
                    f.vorlage) == 0);
        ::umask(f.maske);

        Programm p;
        p.arbeitsOrdner = arbeit;
        StartFenster fenster;
        fenster.warten = false;
        ASSERT_NO_THROW(ProgrammStart(p, fenster));
        ::umask(022);

        const QString ordner = dokumente + QStringLiteral("/Pinwick 3");
        const QString datei = ordner + QStringLiteral("/pw.kav");
        EXPECT_EQ(modus(datei), mode_t(0600));
        EXPECT_EQ(modus(ordner), f.ordner);
        EXPECT_FALSE(andererLiest(datei));
        // The program itself goes on using its file.
        EXPECT_NO_THROW(p.lokaleDatenbank->Ausfuehren(
            QStringLiteral("INSERT INTO Notizen (inhalt, Rhythmus) VALUES ('x', 0)")));
        // Let the folder go for the next case.
        p.lokaleNotizen.reset();
        p.lokaleEinstellungen.reset();
        p.lokaleDatenbank.reset();
    }
}
