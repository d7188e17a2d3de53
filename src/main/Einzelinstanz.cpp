#include "Einzelinstanz.h"

#include "EigenerOrdner.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <algorithm>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pinwick {

namespace {
// A line longer than this is no command of ours.
constexpr qint64 ZeileHoechstens = 4096;
const QByteArray AntwortOk = QByteArrayLiteral("ok");
const QByteArray AntwortUnbekannt = QByteArrayLiteral("unbekannt");
} // namespace

QString InstanzPfad(const QString& laufzeitOrdner, const QString& anzeige,
                    const QString& programm) {
    QString name = anzeige;
    // ":1.0" and ":1" are the same display: the screen number goes.
    const int doppelpunkt = name.lastIndexOf(QLatin1Char(':'));
    const int punkt = name.lastIndexOf(QLatin1Char('.'));
    if (doppelpunkt >= 0 && punkt > doppelpunkt)
        name.truncate(punkt);
    QString sauber;
    for (const QChar z : name) {
        const bool gut = (z >= QLatin1Char('a') && z <= QLatin1Char('z')) ||
                         (z >= QLatin1Char('A') && z <= QLatin1Char('Z')) ||
                         (z >= QLatin1Char('0') && z <= QLatin1Char('9')) ||
                         z == QLatin1Char('.') || z == QLatin1Char('-');
        sauber += gut ? z : QLatin1Char('_');
    }
    if (sauber.isEmpty())
        sauber = QStringLiteral("ohne");
    return QDir(laufzeitOrdner).filePath(programm + QLatin1Char('-') + sauber);
}

QString InstanzPfad(const QString& programm) {
    QString anzeige = qEnvironmentVariable("DISPLAY");
    if (anzeige.isEmpty())
        anzeige = QStringLiteral("wayland-") + qEnvironmentVariable("WAYLAND_DISPLAY");
    // Never the shared temporary folder: there anybody may make the names
    // first.
    QString grund;
    const QString ordner = PrivaterOrdner(&grund);
    if (ordner.isEmpty()) {
        qWarning("%s: %s", qPrintable(programm), qPrintable(grund));
        return {};
    }
    return InstanzPfad(ordner, anzeige, programm);
}

QString Einzelinstanz::fremd() const {
    if (pfad_.isEmpty())
        return QStringLiteral("no folder of the user's own for the single-instance lock");
    QString grund;
    if (!EigenerOrdner(QFileInfo(pfad_).absolutePath(), &grund))
        return grund;
#ifndef Q_OS_WIN
    for (const QString& datei : {pfad_ + QStringLiteral(".lock"), pfad_ + QStringLiteral(".sock")}) {
        struct stat st {};
        if (::lstat(QFile::encodeName(datei).constData(), &st) != 0)
            continue;
        if (S_ISLNK(st.st_mode))
            return datei + QStringLiteral(" is a link");
        if (st.st_uid != ::geteuid())
            return datei + QStringLiteral(" belongs to another user");
    }
#endif
    return {};
}

Einzelinstanz::Einzelinstanz(const QString& pfad, QObject* eltern)
    : QObject(eltern), pfad_(pfad), sperre_(pfad + QStringLiteral(".lock")) {
    // A running bar holds the lock for days: only a lock whose process has
    // gone is stale, never one that is merely old.
    sperre_.setStaleLockTime(0);
}

Einzelinstanz::~Einzelinstanz() {
    if (server_)
        server_->close();
}

bool Einzelinstanz::Uebernehmen() {
    if (erste_)
        return true;
    if (const QString grund = fremd(); !grund.isEmpty()) {
        qWarning("%s; this copy runs on its own, without the single-instance lock", qPrintable(grund));
        erste_ = allein_ = true;
        return true;
    }
    if (!sperre_.tryLock(0))
        return false;
    server_ = std::make_unique<QLocalServer>();
    // Only this user may talk to the bar.
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = pfad_ + QStringLiteral(".sock");
    // A socket file left by a killed copy would make listen fail; the lock
    // says nobody listens on it any more.
    QLocalServer::removeServer(name);
    if (!server_->listen(name)) {
        server_.reset();
        sperre_.unlock();
        return false;
    }
    connect(server_.get(), &QLocalServer::newConnection, this,
            &Einzelinstanz::verbindungAnnehmen);
    erste_ = true;
    return true;
}

void Einzelinstanz::verbindungAnnehmen() {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        // A peer that never finishes its line is dropped after a while.
        QTimer::singleShot(2000, s, [s] { s->abort(); });
        connect(s, &QLocalSocket::readyRead, this, [this, s] {
            if (!s->canReadLine()) {
                if (s->bytesAvailable() > ZeileHoechstens)
                    s->abort();
                return;
            }
            QByteArray zeile = s->readLine(ZeileHoechstens).trimmed();
            const qsizetype leer = zeile.indexOf(' ');
            const QByteArray wort = leer < 0 ? zeile : zeile.left(leer);
            const QByteArray argument = leer < 0 ? QByteArray() : zeile.mid(leer + 1);
            const bool bekannt = befehle.contains(wort);
            s->write((bekannt ? AntwortOk : AntwortUnbekannt) + '\n');
            s->disconnectFromServer();
            if (!bekannt)
                return;
            // From the event loop: the command may open a modal window,
            // which must not run inside this socket's signal.
            QPointer<Einzelinstanz> selbst(this);
            QTimer::singleShot(0, this, [selbst, wort, argument] {
                if (selbst && selbst->empfangen)
                    selbst->empfangen(wort, argument);
            });
        });
    }
}

bool Einzelinstanz::Senden(const QByteArray& befehl, const QByteArray& argument, int wartenMs) {
    const QDeadlineTimer frist(wartenMs);
    if (!fremd().isEmpty())
        return false; // nobody else's socket hears our commands
    QLocalSocket s;
    s.connectToServer(pfad_ + QStringLiteral(".sock"));
    if (!s.waitForConnected(int(std::max<qint64>(1, frist.remainingTime()))))
        return false;
    QByteArray zeile = befehl;
    if (!argument.isEmpty())
        zeile += ' ' + argument;
    s.write(zeile + '\n');
    if (!s.waitForBytesWritten(int(std::max<qint64>(1, frist.remainingTime()))))
        return false;
    while (!s.canReadLine()) {
        if (frist.hasExpired() || !s.waitForReadyRead(int(std::max<qint64>(1, frist.remainingTime()))))
            return false;
    }
    return s.readLine(ZeileHoechstens).trimmed() == AntwortOk;
}

Einzelinstanz::Ergebnis Einzelinstanz::ErsteOderUebergeben(const QByteArray& befehl,
                                                           const QByteArray& argument,
                                                           int wartenMs) {
    const QDeadlineTimer frist(wartenMs);
    for (;;) {
        if (Uebernehmen())
            return Ergebnis::Erste;
        if (Senden(befehl, argument, int(std::clamp<qint64>(frist.remainingTime(), 1, 500))))
            return Ergebnis::Uebergeben;
        if (frist.hasExpired())
            return Ergebnis::Keine;
        QThread::msleep(50);
    }
}

} // namespace pinwick
