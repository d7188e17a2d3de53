#pragma once
// nginx on 127.0.0.1 over HTTPS, serving one folder, for the tests and the
// load program. Everything it needs is made in a temporary folder of its
// own: a throwaway certificate authority and a server certificate for
// 127.0.0.1 (openssl's command line), its configuration (no path outside
// the folder, not a daemon, a free port, ETags on, the access log with the
// bytes sent), its pid file, logs and temporary paths. The constructor
// starts it and waits until it answers; the destructor stops it (its own
// processes only: the master and the workers it forked).

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>

namespace pinwick::test {

class NginxServer {
public:
    struct Optionen {
        int arbeiter = 1;         // worker processes
        int verbindungen = 1024;  // worker_connections
        bool zugriffsLog = true;  // per request: status, bytes sent and received, path
        QString cacheKopf = QStringLiteral("no-cache"); // Cache-Control of the snapshot
        bool gzip = false; // the JSON compressed for clients that accept it
    };

    explicit NginxServer(const QString& ordner);
    NginxServer(const QString& ordner, const Optionen& optionen);
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    // Empty when it runs; otherwise why not.
    const QString& Fehler() const { return fehler_; }
    int Port() const { return port_; }
    // "https://127.0.0.1:PORT" + pfad.
    QString Adresse(const QString& pfad) const;
    // The authority's certificate: the one CA file a client trusts.
    QString Ca() const;

    // Stops it and starts it again on the same port (an outage).
    void Stoppen();
    bool Starten();
    bool Laeuft() const { return prozess_.state() == QProcess::Running; }

    // The master's process id and its workers'.
    QList<int64_t> Prozesse() const;
    // Processor time (user and system) of the master and its workers so
    // far, in seconds, from /proc.
    double Prozessorzeit() const;

    struct Verkehr {
        int64_t anfragen = 0;
        int64_t gesendet = 0;  // bytes: headers and bodies
        int64_t empfangen = 0; // bytes of the requests
        int64_t status200 = 0, status304 = 0, andere = 0;
        int64_t bytes200 = 0, bytes304 = 0; // sent and received, by status
    };
    // What the access log holds from line `abZeile` on (0: all), of the
    // requests for `nurPfad` ("/broadcast.json") or of all.
    // `bisZeile` > 0 stops before that line.
    Verkehr LogLesen(int64_t abZeile = 0, int64_t* zeilen = nullptr,
                     const QByteArray& nurPfad = {}, int64_t bisZeile = 0) const;
    QString FehlerLog() const;

private:
    bool zertifikateMachen();
    bool konfigurieren();

    Optionen optionen_;
    QString ordner_;
    QTemporaryDir arbeit_;
    QProcess prozess_;
    QString fehler_;
    int port_ = 0;
};

} // namespace pinwick::test
