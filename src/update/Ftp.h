#pragma once
// The FTP client of both programs: the daily update check of the ticker and
// the installer fetch their files with it. A transfer runs on the calling
// (user-interface) thread through libcurl's multi interface; while it waits
// for the network it lets pending window events run, so the bar goes on
// scrolling and the installer's busy indicator moves. There are no threads.
//
// A silent server cannot hang the program: the connection (including the
// login) has its own time-out, and a transfer that receives nothing for the
// stall time is given up.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <cstdint>
#include <functional>

namespace pinwick {

// Where the update server is and how to log in. The build fixes the values
// (CMake cache variables); tests point an object at a server of their own.
struct FtpServer {
    QString host;
    int port = 21;
    QString konto;
    QString passwort;
    // The folder below the login folder that holds "pinwick/cgi-bin/"; a
    // leading "/" makes it absolute on the server.
    QString basis;
    // FTPS: TLS required on the control and the data connection, and the
    // server's certificate checked (against `caDatei` when given, else the
    // system's store). A server without TLS is refused. Off only where a
    // build asks for plain FTP (its about box says so), or a test's server
    // speaks it.
    bool tls = true;
    QString caDatei;

    // The server this build was configured for.
    static FtpServer Eingebaut();
};

struct FtpZeiten {
    // Connecting, name lookup and login together.
    int verbindenMs = 10000;
    // The longest a transfer may go without receiving a byte.
    int stillstandMs = 20000;
    // A transfer slower than this many bytes a second for `langsamSek`
    // seconds is given up: a server that trickles a byte now and then
    // keeps the stall limit from ever striking.
    long langsamBytes = 1024;
    long langsamSek = 30;
};

// The minisign public key this build trusts (the base64 line), empty when it
// was built without one. Such a build never offers or installs an update.
QByteArray EingebauterSchluessel();

class Ftp {
public:
    explicit Ftp(FtpServer server, FtpZeiten zeiten = {});
    ~Ftp();
    Ftp(const Ftp&) = delete;
    Ftp& operator=(const Ftp&) = delete;

    // Lets pending window events run; called many times while a transfer waits.
    std::function<void()> ereignisse;
    // Asked while a transfer waits; true gives the transfer up.
    std::function<bool()> abbrechen;
    // Told while a transfer runs: bytes received so far, and the size of the
    // file when the server said it (else 0).
    std::function<void(int64_t empfangen, int64_t gesamt)> fortschritt;
    // A transfer still running at this moment is given up. Fixed by the
    // caller: nothing the server says moves it.
    QDeadlineTimer frist = QDeadlineTimer::Forever;

    // GET: fetches the file at `pfad` below the remote base folder (segments
    // separated by "/") into `lokaleDatei`. The file appears only when the
    // whole transfer succeeded; a failed or cut transfer leaves no file behind
    // (nor a part of one) and leaves an existing file of that name as it was.
    // More than `hoechstens` bytes count as a failure. Not re-entrant: a call
    // from inside the wait of another fails at once.
    bool Holen(const QString& pfad, const QString& lokaleDatei, int64_t hoechstens);

    // CLOSE: ends the connection to the server; the next Holen opens a new one.
    void Schliessen();

    // What went wrong in the last Holen, in words for a log; empty after
    // success. An option libcurl refuses fails the transfer ("libcurl
    // refused the option ...").
    const QString& Fehler() const { return fehler_; }

    // The address Holen asks for, with every segment escaped.
    QString Adresse(const QString& pfad) const;

private:
    struct Curl;
    struct Lauf;
    // The steps of Holen, in their order; each sets fehler_ when it fails.
    bool Zulaessig();
    bool SitzungOeffnen();
    void Warten(Lauf& lauf);
    bool Abschliessen(Lauf& lauf, const QString& lokaleDatei, int64_t hoechstens);
    FtpServer server_;
    FtpZeiten zeiten_;
    Curl* curl_ = nullptr;
    bool laeuft_ = false;
    QString fehler_;
};

} // namespace pinwick
