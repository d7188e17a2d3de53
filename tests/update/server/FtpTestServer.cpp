#include "FtpTestServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QThread>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pinwick::test {

namespace {

const QString Konto = QStringLiteral("pwtest01");
const QString Passwort = QStringLiteral("ge:heim 8");
const QString Basis = QStringLiteral("/pinwick3");

// The server with a short penalty for a wrong password (the library's
// default keeps a refused client waiting three seconds).
// With a certificate and its key, only FTP over TLS is served (control and
// data connections). libcurl begins the data connection's TLS handshake as
// soon as it connects, before RETR; the library's data handler would take
// those early bytes for a hang-up, so it listens during the handshake.
// Without TLS, a file "drossel" beside the served folder makes every data
// connection opened while it is there send one byte at a time, about one a
// second.
const char* Skript = R"(import logging, os, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer
wurzel, konto, passwort = sys.argv[1:4]
logging.basicConfig(level=logging.INFO, stream=sys.stderr, format="%(message)s")
autorisierer = DummyAuthorizer()
autorisierer.add_user(konto, passwort, wurzel, perm="elr")
Basis = FTPHandler
if len(sys.argv) > 5:
    from pyftpdlib.handlers import TLS_FTPHandler as Basis
class Handler(Basis):
    authorizer = autorisierer
    auth_failed_timeout = 0.1
drossel = os.path.join(os.path.dirname(wurzel), "drossel")
class Tropfen(ThrottledDTPHandler):
    def __init__(self, sock, cmd_channel):
        if os.path.exists(drossel):
            self.write_limit = 1
        super().__init__(sock, cmd_channel)
Handler.dtp_handler = Tropfen
if len(sys.argv) > 5:
    from pyftpdlib.handlers import TLS_DTPHandler
    class Daten(TLS_DTPHandler):
        def readable(self):
            return self._ssl_accepting or super().readable()
    Handler.dtp_handler = Daten
    Handler.certfile = sys.argv[4]
    Handler.keyfile = sys.argv[5]
    Handler.tls_control_required = True
    Handler.tls_data_required = True
server = FTPServer(("127.0.0.1", 0), Handler)
print("PORT %d" % server.address[1], file=sys.stderr, flush=True)
server.serve_forever()
)";

// The first Python that has the library: the system's, where a personal
// Python installation comes first on the PATH.
QString PythonMitFtp() {
    QStringList kandidaten;
    const QString eigene = qEnvironmentVariable("PINWICK_PYTHON");
    if (!eigene.isEmpty())
        kandidaten << eigene;
    kandidaten << QStringLiteral("/usr/bin/python3") << QStringLiteral("python3");
    for (const QString& python : kandidaten) {
        QProcess probe;
        probe.start(python, {QStringLiteral("-c"), QStringLiteral("import pyftpdlib")});
        if (probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0)
            return python;
    }
    return {};
}

} // namespace

FtpTestServer::FtpTestServer(bool tls) {
    const QString wurzel = ordner_.path() + QStringLiteral("/wurzel");
    QDir().mkpath(cgiBin());
    QFile skript(ordner_.filePath(QStringLiteral("server.py")));
    skript.open(QIODevice::WriteOnly);
    skript.write(Skript);
    skript.close();

    const QString python = PythonMitFtp();
    if (python.isEmpty()) {
        fehler_ = QStringLiteral("no Python with pyftpdlib (scripts/install-deps.sh installs "
                                 "python3-pyftpdlib)");
        return;
    }
    prozess_.setStandardErrorFile(ordner_.filePath(QStringLiteral("log.txt")));
    prozess_.setStandardOutputFile(QProcess::nullDevice());
    QStringList argumente{skript.fileName(), wurzel, Konto, Passwort};
    if (tls) {
        // A certificate of its own for 127.0.0.1, trusted by nobody but the
        // tests that are given it.
        zertifikat_ = ordner_.filePath(QStringLiteral("cert.pem"));
        const QString schluessel = ordner_.filePath(QStringLiteral("key.pem"));
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("rsa:2048"), QStringLiteral("-nodes"),
                       QStringLiteral("-keyout"), schluessel, QStringLiteral("-out"), zertifikat_,
                       QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                       QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                       QStringLiteral("subjectAltName=IP:127.0.0.1")});
        if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
            fehler_ = QStringLiteral("openssl cannot make a certificate: ") +
                      QString::fromLocal8Bit(openssl.readAllStandardError());
            return;
        }
        argumente << zertifikat_ << schluessel;
    }
    prozess_.start(python, argumente);
    if (!prozess_.waitForStarted(10000)) {
        fehler_ = QStringLiteral("the FTP server does not start");
        return;
    }
    const QRegularExpression muster(QStringLiteral("^PORT (\\d+)$"),
                                    QRegularExpression::MultilineOption);
    QDeadlineTimer frist(15000);
    while (!frist.hasExpired()) {
        const QRegularExpressionMatch treffer = muster.match(Log());
        if (treffer.hasMatch()) {
            port_ = treffer.captured(1).toInt();
            return;
        }
        if (prozess_.state() == QProcess::NotRunning)
            break;
        QThread::msleep(20);
    }
    fehler_ = QStringLiteral("the FTP server gave no port: ") + Log();
}

FtpTestServer::~FtpTestServer() {
    if (prozess_.state() != QProcess::NotRunning) {
        prozess_.kill();
        prozess_.waitForFinished(5000);
    }
}

FtpServer FtpTestServer::Server() const {
    FtpServer s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = port_;
    s.konto = Konto;
    s.passwort = Passwort;
    s.basis = Basis;
    s.tls = !zertifikat_.isEmpty();
    s.caDatei = zertifikat_;
    return s;
}

QString FtpTestServer::cgiBin() const {
    return ordner_.path() + QStringLiteral("/wurzel") + Basis + QStringLiteral("/pinwick/cgi-bin");
}

void FtpTestServer::Ablegen(const QString& name, const QByteArray& inhalt) {
    QFile datei(cgiBin() + u'/' + name);
    datei.open(QIODevice::WriteOnly);
    datei.write(inhalt);
}

QByteArray FtpTestServer::Lesen(const QString& name) const {
    QFile datei(cgiBin() + u'/' + name);
    return datei.open(QIODevice::ReadOnly) ? datei.readAll() : QByteArray();
}

bool FtpTestServer::Da(const QString& name) const {
    return QFileInfo(cgiBin() + u'/' + name).isFile();
}

void FtpTestServer::Entfernen(const QString& name) {
    QFile::remove(cgiBin() + u'/' + name);
}

void FtpTestServer::Leeren() {
    Drosseln(false);
    QDir ordner(cgiBin());
    for (const QString& name : ordner.entryList(QDir::Files | QDir::Hidden))
        ordner.remove(name);
}

void FtpTestServer::Drosseln(bool an) {
    QFile marke(ordner_.filePath(QStringLiteral("drossel")));
    if (an)
        marke.open(QIODevice::WriteOnly);
    else
        marke.remove();
}

void FtpTestServer::Einfrieren(bool an) {
    const qint64 pid = prozess_.processId();
    if (pid > 0)
        ::kill(static_cast<pid_t>(pid), an ? SIGSTOP : SIGCONT);
}

QString FtpTestServer::Log() const {
    QFile datei(ordner_.filePath(QStringLiteral("log.txt")));
    if (!datei.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(datei.readAll());
}

int FtpTestServer::Anmeldungen() const {
    return static_cast<int>(Log().count(QStringLiteral("logged in.")));
}

StummerServer::StummerServer() {
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in adresse{};
    adresse.sin_family = AF_INET;
    adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    adresse.sin_port = 0;
    socklen_t laenge = sizeof adresse;
    if (socket_ >= 0 &&
        ::bind(socket_, reinterpret_cast<sockaddr*>(&adresse), sizeof adresse) == 0 &&
        ::listen(socket_, 4) == 0 &&
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&adresse), &laenge) == 0)
        port_ = ntohs(adresse.sin_port);
}

StummerServer::~StummerServer() {
    if (socket_ >= 0)
        ::close(socket_);
}

int FreierPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in adresse{};
    adresse.sin_family = AF_INET;
    adresse.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t laenge = sizeof adresse;
    int port = 0;
    if (s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&adresse), sizeof adresse) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&adresse), &laenge) == 0)
        port = ntohs(adresse.sin_port);
    if (s >= 0)
        ::close(s);
    return port;
}

FtpZeiten KurzeZeiten() {
    FtpZeiten z;
    z.verbindenMs = 1000;
    z.stillstandMs = 1500;
    return z;
}

} // namespace pinwick::test
