#pragma once
// A real FTP server on 127.0.0.1 for the tests: pyftpdlib on a free port,
// with an account and a password, serving a temporary folder. It is started
// by the constructor and stopped by the destructor; its log tells how often
// somebody logged in.

#include "Ftp.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace pinwick::test {

class FtpTestServer {
public:
    // With `tls`, FTP over TLS only, with a certificate made for the run
    // (Server() then asks for TLS and trusts that certificate).
    explicit FtpTestServer(bool tls = false);
    ~FtpTestServer();

    // Empty when the server runs; otherwise why not.
    const QString& Fehler() const { return fehler_; }
    int Port() const { return port_; }
    // Its address for the programs: host, port, account, password, base folder.
    FtpServer Server() const;

    // Puts a file into the served "pinwick/cgi-bin/" below the base folder,
    // or takes one away.
    void Ablegen(const QString& name, const QByteArray& inhalt);
    void Entfernen(const QString& name);
    QByteArray Lesen(const QString& name) const;
    bool Da(const QString& name) const;
    // Takes every file away.
    void Leeren();

    // Makes every transfer that starts from now on trickle: a byte about
    // every second (FTP without TLS only).
    void Drosseln(bool an);

    // Stops the server process where it is (it takes connections but answers
    // nothing), or lets it go on.
    void Einfrieren(bool an);

    // The server's log so far, and how many logins it shows.
    QString Log() const;
    int Anmeldungen() const;

private:
    QString cgiBin() const;

    QTemporaryDir ordner_;
    QProcess prozess_;
    QString fehler_;
    QString zertifikat_;
    int port_ = 0;
};

// A port on 127.0.0.1 that takes connections and never says a word.
class StummerServer {
public:
    StummerServer();
    ~StummerServer();
    int Port() const { return port_; }

private:
    int socket_ = -1;
    int port_ = 0;
};

// A port on 127.0.0.1 where nothing listens.
int FreierPort();

// Address, account and time-outs short enough for tests.
FtpZeiten KurzeZeiten();

} // namespace pinwick::test
