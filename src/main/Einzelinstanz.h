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
// argument. The running copy answers once it has acted on the command, or
// has queued it behind a window that stands in its way: "ok"; when it will
// not carry it out, "abgelehnt" followed by a space and the reason; for a
// word it does not know, "unbekannt". Then it closes the connection.
// Commands known today: "zeigen" (raise the bar) and "neue-notiz" (open the
// note editor).

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
// The reader's stop of the band: stop, resume, the one or the other.
inline constexpr char anhalten[] = "anhalten";
inline constexpr char fortsetzen[] = "fortsetzen";
inline constexpr char umschalten[] = "anhalten-umschalten";
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

// What the running copy answered a later start.
struct Antwort {
    enum class Art {
        Ok,              // done, or queued behind a window in its way
        Abgelehnt,       // it will not: grund says why
        Unbekannt,       // it does not know the command
        KeineVerbindung, // nobody listens (yet)
        KeineAntwort     // the command went over, the answer did not come
    };
    Art art = Art::KeineVerbindung;
    QString grund;
};

// The running copy's side of one handed-over command: the receiver answers
// through it once it has acted (Erledigt) or decided not to (Abgelehnt).
// Copies share the one answer; only the first counts. When the last copy
// goes unanswered, the connection closes without an answer.
class Rueckmeldung {
public:
    Rueckmeldung() = default; // answers nowhere
    void Erledigt();
    void Abgelehnt(const QString& grund);
    bool Beantwortet() const;

private:
    friend class Einzelinstanz;
    struct Zustand;
    explicit Rueckmeldung(std::shared_ptr<Zustand> zustand) : zustand_(std::move(zustand)) {}
    void senden(const QByteArray& zeile);
    std::shared_ptr<Zustand> zustand_;
};

class Einzelinstanz : public QObject {
    Q_OBJECT
public:
    using Empfaenger = std::function<void(const QByteArray& befehl, const QByteArray& argument,
                                          Rueckmeldung antwort)>;

    explicit Einzelinstanz(const QString& pfad, QObject* eltern = nullptr);
    ~Einzelinstanz() override;

    // Tries to become the one running copy: takes the lock (a lock left by a
    // copy that no longer runs counts as free) and listens. False when
    // another live copy holds it. Where the lock's place cannot be trusted
    // (see above) it warns and is the first copy, alone.
    bool Uebernehmen();
    // The first copy without lock and socket: its place was not the user's own.
    bool IstAllein() const { return allein_; }

    // Sends one command to the running copy: at most verbindenMs to reach it
    // and hand the line over, then at most antwortMs for its answer.
    Antwort Senden(const QByteArray& befehl, const QByteArray& argument = {},
                   int verbindenMs = 1000, int antwortMs = 15000);

    // The usual start: become the first copy, or hand the command to the
    // running one. Keeps trying to get through for up to wartenMs, since a
    // copy that has just taken the lock may not listen yet, and one that has
    // just ended leaves the lock free; once the command is through, it waits
    // up to antwortMs for the answer. Erste: this process runs the program;
    // Uebergeben: the running copy has acted on it; Abgelehnt: it refused
    // (Grund says why) or does not know the command; Keine: no answer.
    enum class Ergebnis { Erste, Uebergeben, Abgelehnt, Keine };
    Ergebnis ErsteOderUebergeben(const QByteArray& befehl, const QByteArray& argument = {},
                                 int wartenMs = 1500, int antwortMs = 15000);
    // The reason of the last refusal.
    const QString& Grund() const { return grund_; }

    // The command words this copy acts on; the others get "unbekannt" and
    // go no further.
    QList<QByteArray> befehle{befehl::zeigen, befehl::neueNotiz, befehl::anhalten,
                              befehl::fortsetzen, befehl::umschalten};
    // Called for every known command the running copy receives, from the
    // event loop, so it may open modal windows. It answers through the
    // Rueckmeldung, at once or later. Without a receiver every known
    // command is answered "ok".
    Empfaenger empfangen;

private:
    void verbindungAnnehmen();
    // Why the lock's place is not to be trusted; empty when it is.
    QString fremd() const;

    QString pfad_;
    QLockFile sperre_;
    std::unique_ptr<QLocalServer> server_;
    bool erste_ = false;
    QString grund_;
    bool allein_ = false;
};

} // namespace pinwick
