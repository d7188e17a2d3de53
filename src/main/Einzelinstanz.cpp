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
#include <limits>

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
const QByteArray AntwortAbgelehnt = QByteArrayLiteral("abgelehnt");

int rest(const QDeadlineTimer& frist) {
    return int(std::clamp<qint64>(frist.remainingTime(), 1, std::numeric_limits<int>::max()));
}
} // namespace

struct Rueckmeldung::Zustand {
    QPointer<QLocalSocket> socket;
    bool beantwortet = false;
    // The receiver dropped the command without a word: the later start
    // learns it from the closed connection, not from a false "ok".
    ~Zustand() {
        if (!beantwortet && socket)
            socket->disconnectFromServer();
    }
};

void Rueckmeldung::senden(const QByteArray& zeile) {
    if (!zustand_ || zustand_->beantwortet)
        return;
    zustand_->beantwortet = true;
    if (QLocalSocket* s = zustand_->socket) {
        s->write(zeile + '\n');
        s->flush();
        s->disconnectFromServer();
    }
}

void Rueckmeldung::Erledigt() {
    senden(AntwortOk);
}

void Rueckmeldung::Abgelehnt(const QString& grund) {
    // One line: a reason with a line break would end the answer early.
    QString eineZeile = grund.simplified();
    senden(AntwortAbgelehnt + ' ' + eineZeile.toUtf8().left(ZeileHoechstens - 16));
}

bool Rueckmeldung::Beantwortet() const {
    return zustand_ && zustand_->beantwortet;
}

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
        // A peer that never finishes its line is dropped after a while; the
        // wait for the answer to a finished line is the receiver's.
        auto* frist = new QTimer(s);
        frist->setSingleShot(true);
        connect(frist, &QTimer::timeout, s, [s] { s->abort(); });
        frist->start(2000);
        connect(s, &QLocalSocket::readyRead, this, [this, s, frist] {
            if (!frist->isActive())
                return; // the line has come already
            if (!s->canReadLine()) {
                if (s->bytesAvailable() > ZeileHoechstens)
                    s->abort();
                return;
            }
            frist->stop();
            QByteArray zeile = s->readLine(ZeileHoechstens).trimmed();
            const qsizetype leer = zeile.indexOf(' ');
            const QByteArray wort = leer < 0 ? zeile : zeile.left(leer);
            const QByteArray argument = leer < 0 ? QByteArray() : zeile.mid(leer + 1);
            auto zustand = std::make_shared<Rueckmeldung::Zustand>();
            zustand->socket = s;
            Rueckmeldung antwort(zustand);
            if (!befehle.contains(wort)) {
                antwort.senden(AntwortUnbekannt);
                return;
            }
            if (!empfangen) {
                antwort.Erledigt();
                return;
            }
            // From the event loop: the command may open a modal window,
            // which must not run inside this socket's signal.
            QPointer<Einzelinstanz> selbst(this);
            QTimer::singleShot(0, this, [selbst, wort, argument, antwort]() mutable {
                if (selbst && selbst->empfangen)
                    selbst->empfangen(wort, argument, antwort);
            });
        });
    }
}

Antwort Einzelinstanz::Senden(const QByteArray& befehl, const QByteArray& argument,
                              int verbindenMs, int antwortMs) {
    Antwort antwort;
    const QDeadlineTimer frist(verbindenMs);
    if (!fremd().isEmpty())
        return antwort; // nobody else's socket hears our commands
    QLocalSocket s;
    s.connectToServer(pfad_ + QStringLiteral(".sock"));
    if (!s.waitForConnected(rest(frist)))
        return antwort;
    QByteArray zeile = befehl;
    if (!argument.isEmpty())
        zeile += ' ' + argument;
    s.write(zeile + '\n');
    if (!s.waitForBytesWritten(rest(frist)))
        return antwort;
    // The command is over there now: from here on it is not sent again,
    // whatever comes back.
    antwort.art = Antwort::Art::KeineAntwort;
    const QDeadlineTimer antwortFrist(antwortMs);
    while (!s.canReadLine()) {
        // Out of time, or the connection closed before a whole line came.
        if (antwortFrist.hasExpired() || !s.waitForReadyRead(rest(antwortFrist)))
            if (!s.canReadLine())
                return antwort;
    }
    const QByteArray gelesen = s.readLine(ZeileHoechstens).trimmed();
    if (gelesen == AntwortOk) {
        antwort.art = Antwort::Art::Ok;
    } else if (gelesen == AntwortUnbekannt) {
        antwort.art = Antwort::Art::Unbekannt;
    } else if (gelesen == AntwortAbgelehnt || gelesen.startsWith(AntwortAbgelehnt + ' ')) {
        antwort.art = Antwort::Art::Abgelehnt;
        antwort.grund = QString::fromUtf8(gelesen.mid(AntwortAbgelehnt.size())).trimmed();
    }
    return antwort;
}

Einzelinstanz::Ergebnis Einzelinstanz::ErsteOderUebergeben(const QByteArray& befehl,
                                                           const QByteArray& argument,
                                                           int wartenMs, int antwortMs) {
    const QDeadlineTimer frist(wartenMs);
    grund_.clear();
    for (;;) {
        if (Uebernehmen())
            return Ergebnis::Erste;
        const Antwort antwort = Senden(befehl, argument,
                                       int(std::clamp<qint64>(frist.remainingTime(), 1, 500)),
                                       antwortMs);
        switch (antwort.art) {
        case Antwort::Art::Ok:
            return Ergebnis::Uebergeben;
        case Antwort::Art::Abgelehnt:
            grund_ = antwort.grund;
            return Ergebnis::Abgelehnt;
        case Antwort::Art::Unbekannt:
            grund_ = QStringLiteral("the running copy does not know the command \"%1\"")
                         .arg(QString::fromUtf8(befehl));
            return Ergebnis::Abgelehnt;
        case Antwort::Art::KeineAntwort:
            return Ergebnis::Keine;
        case Antwort::Art::KeineVerbindung:
            break;
        }
        if (frist.hasExpired())
            return Ergebnis::Keine;
        QThread::msleep(50);
    }
}

} // namespace pinwick
