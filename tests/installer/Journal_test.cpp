// Putting the program folder right after an installer was cut off: journals
// in each phase, with the folder as the installer left it at that moment.

#include "Journal.h"
#include "TestHilfe.h"
#include "TestNutzer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

using namespace pinwick;

namespace {

QMap<QString, QByteArray> Inhalt(const QDir& ordner) {
    QMap<QString, QByteArray> bild;
    for (const QString& name : ordner.entryList(QDir::Files | QDir::Hidden | QDir::Dirs |
                                                QDir::NoDotAndDotDot)) {
        QFile f(ordner.filePath(name));
        bild.insert(name, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<ordner>"));
    }
    return bild;
}

void Legen(const QDir& ordner, const QString& name, const QByteArray& inhalt) {
    QFile f(ordner.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

TEST(Nachholen, JedePhaseWirdGanzAltOderGanzNeu) {
    using Phase = UpdateJournal::Phase;
    const QMap<QString, QByteArray> alt{{"a.txt", "alt a"}, {"Pinwick3", "alter ticker"}};
    const QMap<QString, QByteArray> neu{
        {"a.txt", "neu a"}, {"Pinwick3", "neuer ticker"}, {"b.txt", "neu b"}};
    struct Fall {
        const char* was;
        Phase phase;
        int getauscht; // entries already renamed into place (of a.txt, b.txt, Pinwick3)
        bool kopiert;  // all copies written
        bool neuErwartet;
    };
    const Fall faelle[] = {
        {"killed while downloading", Phase::Laden, 0, false, false},
        {"killed while copying", Phase::Kopieren, 0, false, false},
        {"killed after the last copy", Phase::Kopieren, 0, true, false},
        {"killed before the first rename", Phase::Tauschen, 0, true, true},
        {"killed between two renames", Phase::Tauschen, 1, true, true},
        {"killed after the last rename", Phase::Tauschen, 3, true, true},
        {"killed while tidying", Phase::Fertig, 3, true, true},
        {"killed while putting back after a failed rename", Phase::Zurueck, 1, true, false},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        QTemporaryDir wurzel;
        QDir(wurzel.path()).mkdir(QStringLiteral("programm"));
        // As the installer makes it: the user's own, for the user alone.
        QDir(wurzel.path()).mkdir(QStringLiteral("pwi-abc123"), QFileDevice::ReadOwner |
                                                                    QFileDevice::WriteOwner |
                                                                    QFileDevice::ExeOwner);
        const QDir ordner(wurzel.path() + QStringLiteral("/programm"));
        const QString download = wurzel.path() + QStringLiteral("/pwi-abc123");
        Legen(QDir(download), QStringLiteral("a.txt"), "neu a");
        for (auto it = alt.cbegin(); it != alt.cend(); ++it)
            Legen(ordner, it.key(), it.value());

        UpdateJournal journal(ordner);
        UpdateJournal::Stand stand;
        stand.phase = f.phase;
        stand.download = download;
        const QStringList namen{"a.txt", "b.txt", "Pinwick3"};
        if (f.phase != Phase::Laden) {
            for (const QString& name : namen)
                stand.eintraege.push_back({name, alt.contains(name)});
        }
        for (int i = 0; i < int(stand.eintraege.size()); ++i) {
            const QString& name = stand.eintraege[size_t(i)].ziel;
            if (i < f.getauscht) {
                if (alt.contains(name)) {
                    ASSERT_TRUE(QFile::copy(ordner.filePath(name), journal.Alt(size_t(i))));
                }
                QFile::remove(ordner.filePath(name));
                Legen(ordner, name, neu.value(name));
            } else if (f.kopiert || i == 0) {
                // Copying stopped after the first file unless all were done.
                QFile kopie(journal.Neu(size_t(i)));
                ASSERT_TRUE(kopie.open(QIODevice::WriteOnly));
                kopie.write(f.kopiert ? neu.value(name) : neu.value(name).left(2));
            }
        }
        ASSERT_TRUE(journal.Schreiben(stand));

        EXPECT_FALSE(UpdateNachholen(ordner).isEmpty());

        EXPECT_EQ(Inhalt(ordner), f.neuErwartet ? neu : alt);
        EXPECT_FALSE(QFile::exists(download));
        EXPECT_TRUE(UpdateNachholen(ordner).isEmpty()); // nothing left to do
    }
}

TEST(Tauschen, EinMisslungenerSchrittNimmtAllesZurueck) {
    // A copy that cannot be renamed into place (a folder appeared under its
    // name): what was replaced goes back, and the journal says so before the
    // first file goes back, so that a cut-off here is undone, not finished.
    const QStringList namen{"a.txt", "b.txt", "Pinwick3"};
    for (int versperrt = 0; versperrt < int(namen.size()); ++versperrt) {
        SCOPED_TRACE(namen[versperrt].toStdString());
        QTemporaryDir wurzel;
        const QDir ordner(wurzel.path());
        Legen(ordner, QStringLiteral("a.txt"), "alt a");
        Legen(ordner, QStringLiteral("Pinwick3"), "alter ticker");
        UpdateJournal journal(ordner);
        UpdateJournal::Stand stand;
        stand.phase = UpdateJournal::Phase::Kopieren;
        for (const QString& name : namen)
            stand.eintraege.push_back({name, name != QLatin1String("b.txt")});
        for (int i = 0; i < int(namen.size()); ++i)
            Legen(ordner, QFileInfo(journal.Neu(size_t(i))).fileName(), "neu");
        ASSERT_TRUE(journal.Schreiben(stand));
        QFile::remove(ordner.filePath(namen[versperrt]));
        ASSERT_TRUE(ordner.mkpath(namen[versperrt] + QStringLiteral("/drin")));
        QMap<QString, QByteArray> vorher = Inhalt(ordner);
        vorher.remove(QLatin1String(UpdateJournal::Datei));
        for (int i = 0; i < int(namen.size()); ++i)
            vorher.remove(QFileInfo(journal.Neu(size_t(i))).fileName());

        std::optional<UpdateJournal::Phase> beimZuruecknehmen;
        journal.schritt = [&](const char* schritt) {
            if (QByteArray(schritt) == "zurueck") {
                const auto gelesen = journal.Lesen();
                beimZuruecknehmen = gelesen ? std::optional(gelesen->phase) : std::nullopt;
            }
        };
        QString fehler;
        EXPECT_FALSE(journal.Tauschen(stand, &fehler));
        EXPECT_TRUE(fehler.contains(namen[versperrt])) << fehler.toStdString();
        EXPECT_EQ(beimZuruecknehmen, UpdateJournal::Phase::Zurueck);
        EXPECT_EQ(Inhalt(ordner), vorher);
    }
}

TEST(Nachholen, ResteUndFremdes) {
    QTemporaryDir wurzel;
    const QDir ordner(wurzel.path());
    struct Fall {
        const char* was;
        QByteArray journal; // empty: none
        bool sperren;       // a running installer holds the lock
        QMap<QString, QByteArray> nachher;
    };
    const QMap<QString, QByteArray> davor{{".pwi-neu-XyZ123", "halb"},
                                          {"readme.txt", "text"},
                                          {"fremd", "<ordner>"}};
    const Fall faelle[] = {
        {"hidden copies of an installer without a journal", {}, false,
         {{"readme.txt", "text"}, {"fremd", "<ordner>"}}},
        {"an unreadable journal", "kein journal\n", false,
         {{"readme.txt", "text"}, {"fremd", "<ordner>"}}},
        {"a journal pointing at somebody else's folder",
         "pwi-journal 1\nphase laden\ndownload " + ordner.filePath("fremd").toUtf8() + "\n", false,
         {{"readme.txt", "text"}, {"fremd", "<ordner>"}}},
        {"a journal naming a path", "pwi-journal 1\nphase tauschen\ndatei 1 ../x\n", false,
         {{"readme.txt", "text"}, {"fremd", "<ordner>"}}},
        {"a running installer", "pwi-journal 1\nphase kopieren\ndownload \n", true,
         {{".pwi-neu-XyZ123", "halb"},
          {"readme.txt", "text"},
          {"fremd", "<ordner>"},
          {".pwi-journal", "pwi-journal 1\nphase kopieren\ndownload \n"}}},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        for (const QString& name : Inhalt(ordner).keys()) {
            QFile::remove(ordner.filePath(name));
        }
        for (auto it = davor.cbegin(); it != davor.cend(); ++it) {
            if (it.value() == "<ordner>")
                ordner.mkpath(it.key());
            else
                Legen(ordner, it.key(), it.value());
        }
        if (!f.journal.isEmpty())
            Legen(ordner, QLatin1String(UpdateJournal::Datei), f.journal);
        QLockFile sperre(ordner.filePath(QLatin1String(UpdateJournal::Sperre)));
        if (f.sperren) {
            ASSERT_TRUE(sperre.tryLock(0));
        }
        // The lock is held by this process, which is alive: not stale.
        UpdateNachholen(ordner);
        QMap<QString, QByteArray> jetzt = Inhalt(ordner);
        jetzt.remove(QLatin1String(UpdateJournal::Sperre));
        EXPECT_EQ(jetzt, f.nachher);
        sperre.unlock();
    }
}

TEST(Nachholen, EinFremderDownloadOrdnerFuehrtNieZuDenEigenenDateien) {
    // An update cut off, its download folder gone with a restart; before the
    // next start another user makes a folder of the journal's name in the
    // shared temporary folder, with links into the victim's files. The
    // start must leave every file of the victim as it was, rights included.
    const auto opfer = test::Nutzer("pwopfer");
    const auto fremder = test::Nutzer("nobody");
    if (!opfer || !fremder)
        GTEST_SKIP() << "needs the superuser, to act as two other users";

    struct Fall {
        const char* was;
        bool vomOpfer;     // made by the victim's own installer (else by the other user)
        mode_t rechte;     // of the download folder
        bool alsLink;      // the name is a link to the victim's folder of files
        bool ordnerWeg;    // the download folder is removed
    };
    const Fall faelle[] = {
        {"another user's folder, open to all", false, 0777, false, false},
        {"another user's folder the victim may not write", false, 0755, false, false},
        {"another user's link to the victim's files", false, 0777, true, false},
        {"the victim's own folder, with links in it", true, 0700, false, true},
        {"the victim's own folder, open to others", true, 0755, false, false},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.was);
        QTemporaryDir wurzel;
        ASSERT_EQ(::chmod(QFile::encodeName(wurzel.path()).constData(), 0755), 0);
        const QDir w(wurzel.path());
        const auto pfad = [&](const char* name) { return QFile::encodeName(w.filePath(name)); };
        ASSERT_TRUE(w.mkdir(QStringLiteral("tmp")));
        ASSERT_EQ(::chmod(pfad("tmp").constData(), 01777), 0);
        ASSERT_TRUE(w.mkdir(QStringLiteral("programm")));
        ASSERT_TRUE(w.mkdir(QStringLiteral("eigen")));
        QMap<QString, QByteArray> eigenVorher;
        for (int i = 0; i < 20; ++i)
            eigenVorher.insert(QStringLiteral("notiz%1.txt").arg(i), QByteArray::number(i * 7));
        eigenVorher.insert(QStringLiteral("nurlesen.txt"), "nicht aendern");
        for (auto it = eigenVorher.cbegin(); it != eigenVorher.cend(); ++it)
            Legen(QDir(w.filePath(QStringLiteral("eigen"))), it.key(), it.value());
        ASSERT_EQ(::chmod(pfad("eigen/nurlesen.txt").constData(), 0444), 0);
        for (const char* name : {"programm", "eigen", "eigen/nurlesen.txt"}) {
            ASSERT_EQ(::chown(pfad(name).constData(), opfer->uid, opfer->gid), 0);
        }
        for (int i = 0; i < 20; ++i) {
            ASSERT_EQ(::chown(QFile::encodeName(w.filePath(QStringLiteral("eigen/notiz%1.txt")
                                                               .arg(i)))
                                  .constData(),
                              opfer->uid, opfer->gid),
                      0);
        }

        const QString download = w.filePath(QStringLiteral("tmp/pwi-abc123"));
        const QByteArray dl = QFile::encodeName(download);
        const QByteArray eigen = pfad("eigen");
        const auto legen = [&] {
            if (f.alsLink) {
                ASSERT_EQ(::symlink(eigen.constData(), dl.constData()), 0);
                return;
            }
            ASSERT_EQ(::mkdir(dl.constData(), 0700), 0);
            ASSERT_EQ(::symlink(eigen.constData(), (dl + "/alles").constData()), 0);
            ASSERT_EQ(::symlink((eigen + "/nurlesen.txt").constData(),
                                (dl + "/nurlesen").constData()),
                      0);
            ASSERT_EQ(::mkdir((dl + "/unter").constData(), 0777), 0);
            ASSERT_EQ(::symlink(eigen.constData(), (dl + "/unter/tiefer").constData()), 0);
            ASSERT_EQ(::chmod(dl.constData(), f.rechte), 0);
        };
        if (f.vomOpfer)
            test::Als(*opfer, legen);
        else
            test::Als(*fremder, legen);

        const QDir programm(w.filePath(QStringLiteral("programm")));
        UpdateJournal::Stand stand;
        stand.phase = UpdateJournal::Phase::Laden;
        stand.download = download;
        test::Als(*opfer, [&] {
            ASSERT_TRUE(UpdateJournal(programm).Schreiben(stand));
            UpdateNachholen(programm);
        });

        EXPECT_EQ(Inhalt(QDir(w.filePath(QStringLiteral("eigen")))), eigenVorher);
        struct stat st {};
        ASSERT_EQ(::stat(pfad("eigen/nurlesen.txt").constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0444u) << "a read-only file of the victim's became writable";
        EXPECT_FALSE(UpdateJournal(programm).Vorhanden());
        // Another user's folder is not the victim's to empty.
        EXPECT_EQ(::lstat(dl.constData(), &st) == 0, !f.ordnerWeg);
        if (!f.vomOpfer && !f.alsLink) {
            EXPECT_EQ(::lstat((dl + "/alles").constData(), &st), 0);
        }
    }
}

} // namespace
