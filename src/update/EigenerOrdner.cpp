#include "EigenerOrdner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#ifndef Q_OS_WIN
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#endif

namespace pinwick {

namespace {

#ifndef Q_OS_WIN

QString Ursache(const QString& pfad, const char* was) {
    return QStringLiteral("%1 %2").arg(QDir::toNativeSeparators(pfad), QLatin1String(was));
}

// The checks on a folder already looked at (lstat or fstat of an open one).
bool Pruefen(const struct stat& st, const QString& pfad, QString* grund) {
    const auto nein = [&](const char* was) {
        if (grund)
            *grund = Ursache(pfad, was);
        return false;
    };
    if (S_ISLNK(st.st_mode))
        return nein("is a link");
    if (!S_ISDIR(st.st_mode))
        return nein("is no folder");
    if (st.st_uid != ::geteuid())
        return nein("belongs to another user");
    if ((st.st_mode & 07777) != 0700)
        return nein("may be reached by other users (its rights are not 0700)");
    return true;
}

// Deep enough for anything a download holds; deeper is nobody's download.
constexpr int TiefeHoechstens = 32;

// Empties the open folder `fd`. Every name is looked at without following
// it; a folder is opened relative to `fd` with links refused, so a folder
// swapped for a link after the look is removed as the link it now is.
bool Leeren(int fd, int tiefe) {
    if (tiefe > TiefeHoechstens)
        return false;
    const int kopie = ::dup(fd);
    if (kopie < 0)
        return false;
    DIR* liste = ::fdopendir(kopie);
    if (!liste) {
        ::close(kopie);
        return false;
    }
    std::vector<std::string> namen;
    while (const dirent* e = ::readdir(liste)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            namen.emplace_back(e->d_name);
    }
    ::closedir(liste);

    bool gut = true;
    for (const std::string& name : namen) {
        struct stat st {};
        if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            gut = gut && errno == ENOENT;
            continue;
        }
        if (!S_ISDIR(st.st_mode)) {
            gut = (::unlinkat(fd, name.c_str(), 0) == 0 || errno == ENOENT) && gut;
            continue;
        }
        const int unter =
            ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (unter < 0) {
            // No folder any more (a link now): the name goes, not its target.
            gut = ::unlinkat(fd, name.c_str(), 0) == 0 && gut;
            continue;
        }
        gut = Leeren(unter, tiefe + 1) && gut;
        ::close(unter);
        gut = ::unlinkat(fd, name.c_str(), AT_REMOVEDIR) == 0 && gut;
    }
    return gut;
}

#endif

} // namespace

bool EigenerOrdner(const QString& pfad, QString* grund) {
#ifdef Q_OS_WIN
    if (QFileInfo(pfad).isDir())
        return true;
    if (grund)
        *grund = QStringLiteral("%1 is no folder").arg(QDir::toNativeSeparators(pfad));
    return false;
#else
    struct stat st {};
    if (pfad.isEmpty() || ::lstat(QFile::encodeName(pfad).constData(), &st) != 0) {
        if (grund)
            *grund = Ursache(pfad, "cannot be found");
        return false;
    }
    return Pruefen(st, pfad, grund);
#endif
}

QString PrivaterOrdner(QString* grund) {
#ifdef Q_OS_WIN
    Q_UNUSED(grund);
    return QDir::tempPath();
#else
    QString warum;
    const QString laufzeit = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!laufzeit.isEmpty() && QDir::isAbsolutePath(laufzeit) && EigenerOrdner(laufzeit, &warum))
        return QDir::cleanPath(laufzeit);

    // No runtime folder (ssh, su, an X server started by hand): one of the
    // program's own below the home folder. Nobody else may write the home
    // folder itself, or the folder could be renamed away and replaced.
    const QString heim = QDir::homePath();
    struct stat st {};
    if (heim.isEmpty() || !QDir::isAbsolutePath(heim) ||
        ::stat(QFile::encodeName(heim).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        if (grund)
            *grund = QStringLiteral("no runtime folder and no home folder");
        return {};
    }
    if ((st.st_uid != ::geteuid() && st.st_uid != 0) || (st.st_mode & S_IWOTH) ||
        ((st.st_mode & S_IWGRP) && st.st_uid != ::geteuid())) {
        if (grund)
            *grund = Ursache(heim, "may be written by other users");
        return {};
    }
    QString rechner;
    for (const QChar z : QSysInfo::machineHostName())
        rechner += z.isLetterOrNumber() || z == u'-' || z == u'.' ? z : QChar(u'_');
    const QString ordner =
        QDir(heim).filePath(QStringLiteral(".pinwick-laufzeit-") +
                            (rechner.isEmpty() ? QStringLiteral("ohne") : rechner));
    const QByteArray name = QFile::encodeName(ordner);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        if (grund)
            *grund = Ursache(ordner, "cannot be made");
        return {};
    }
    if (!EigenerOrdner(ordner, &warum)) {
        if (grund)
            *grund = warum;
        return {};
    }
    return ordner;
#endif
}

bool OrdnerEntfernen(const QString& pfad, QString* grund) {
#ifdef Q_OS_WIN
    Q_UNUSED(grund);
    return QDir(pfad).removeRecursively();
#else
    const QFileInfo info(pfad);
    const QString name = info.fileName();
    if (pfad.isEmpty() || name.isEmpty() || name == QLatin1String(".") ||
        name == QLatin1String("..")) {
        if (grund)
            *grund = Ursache(pfad, "is no folder");
        return false;
    }
    const int oben = ::open(QFile::encodeName(info.absolutePath()).constData(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (oben < 0) {
        if (grund)
            *grund = Ursache(info.absolutePath(), "cannot be opened");
        return false;
    }
    const QByteArray n = QFile::encodeName(name);
    const int fd = ::openat(oben, n.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    bool gut = false;
    if (fd < 0) {
        if (grund)
            *grund = Ursache(pfad, errno == ENOENT ? "cannot be found" : "is a link or no folder");
    } else if (::fstat(fd, &st) == 0 && Pruefen(st, pfad, grund)) {
        gut = Leeren(fd, 0);
        gut = ::unlinkat(oben, n.constData(), AT_REMOVEDIR) == 0 && gut;
        if (!gut && grund)
            *grund = Ursache(pfad, "cannot be removed whole");
    }
    if (fd >= 0)
        ::close(fd);
    ::close(oben);
    return gut;
#endif
}

} // namespace pinwick
