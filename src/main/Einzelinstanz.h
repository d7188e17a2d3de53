#pragma once
// One running bar per user and display. The first start takes a lock file
// and listens on a local socket beside it, both in a folder only the user
// can reach (EigenerOrdner.h) and named after the display; a later start
// finds the lock taken, hands its request to the running copy over the
// socket and ends without touching any other file.
//
// Another user who could put a lock or a socket there first could keep the
// bar from ever starting, or hear its commands. So the folder must be the
// user's own, and a lock or socket that belongs to somebody else (or is a
// link) is never trusted: the bar says so on its standard error and runs on
// its own, without lock and socket.
//
// The conversation is one line each way, UTF-8, ending in '\n': the later
// start sends a command word, optionally followed by a space and an
// argument; the running copy answers "ok" when it knows the command and
// "unbekannt" otherwise, then closes the connection. Commands known today:
// "zeigen" (raise the bar) and "neue-notiz" (open the note editor).

#include <QByteArray>
#include <QList>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

namespace pinwick {

namespace befehl {
inline constexpr char zeigen[] = "zeigen";
inline constexpr char neueNotiz[] = "neue-notiz";
} // namespace befehl

// The common part of the lock file's and the socket's names for one user's
// runtime folder and one display: "<ordner>/<programm>-<display>", where the
// display ("host:1.0", ":1") loses its screen number and every character
// that does not belong in a file name.
QString InstanzPfad(const QString& laufzeitOrdner, const QString& anzeige,
                    const QString& programm = QStringLiteral("pinwick"));
// The same for this process: the user's private folder (XDG_RUNTIME_DIR
// when it is the user's own, else one below the home folder) and DISPLAY
// (WAYLAND_DISPLAY without an X display). Empty, after a warning, when the
// user has no private folder.
QString InstanzPfad(const QString& programm = QStringLiteral("pinwick"));

class Einzelinstanz : public QObject {
    Q_OBJECT
public:
    using Empfaenger = std::function<void(const QByteArray& befehl, const QByteArray& argument)>;

    explicit Einzelinstanz(const QString& pfad, QObject* eltern = nullptr);
    ~Einzelinstanz() override;

    // Tries to become the one running copy: takes the lock (a lock left by a
    // copy that no longer runs counts as free) and listens. False when
    // another live copy holds it. Where the lock's place cannot be trusted
    // (see above) it warns and is the first copy, alone.
    bool Uebernehmen();
    bool IstErste() const { return erste_; }
    // The first copy without lock and socket: its place was not the user's own.
    bool IstAllein() const { return allein_; }

    // Sends one command to the running copy and waits for its answer, at
    // most wartenMs. True when the copy answered "ok".
    bool Senden(const QByteArray& befehl, const QByteArray& argument = {}, int wartenMs = 1000);

    // The usual start: become the first copy, or hand the command to the
    // running one. Keeps trying for up to wartenMs, since a copy that has
    // just taken the lock may not listen yet, and one that has just ended
    // leaves the lock free. Erste: this process runs the program;
    // Uebergeben: the running copy has the command; Keine: no answer.
    enum class Ergebnis { Erste, Uebergeben, Keine };
    Ergebnis ErsteOderUebergeben(const QByteArray& befehl, const QByteArray& argument = {},
                                 int wartenMs = 1500);

    // The command words this copy answers "ok" to; the others get
    // "unbekannt" and go no further.
    QList<QByteArray> befehle{befehl::zeigen, befehl::neueNotiz};
    // Called for every known command the running copy receives, after it
    // has answered and from the event loop, so it may open modal windows.
    Empfaenger empfangen;

private:
    void verbindungAnnehmen();
    // Why the lock's place is not to be trusted; empty when it is.
    QString fremd() const;

    QString pfad_;
    QLockFile sperre_;
    std::unique_ptr<QLocalServer> server_;
    bool erste_ = false;
    bool allein_ = false;
};

} // namespace pinwick
