#pragma once
// The test web server (server/http_testserver.py) on 127.0.0.1, started by
// the constructor and stopped by the destructor; with `tls`, over HTTPS with
// a certificate made for the run, trusted by nobody but the tests given it.

#include "HttpAbruf.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace pinwick::test {

class HttpTestServer {
public:
    explicit HttpTestServer(bool tls = false, const QString& ordner = {});
    ~HttpTestServer();

    const QString& Fehler() const { return fehler_; }
    int Port() const { return port_; }
    QString Adresse(const QString& pfad) const;
    QString Zertifikat() const { return zertifikat_; }
    QString Log() const;

private:
    QTemporaryDir arbeit_;
    QProcess prozess_;
    QString fehler_;
    QString zertifikat_;
    int port_ = 0;
    bool tls_ = false;
};

// One request through `abruf`, waited for on the event loop; a minute
// without an answer is a hang (a test failure), not a speed.
HttpAntwort HttpHolen(HttpAbruf& abruf, const HttpAnfrage& anfrage);

} // namespace pinwick::test
