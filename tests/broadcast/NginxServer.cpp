#include "NginxServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <arpa/inet.h>
#include <csignal>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pinwick::test {

namespace {

constexpr const char* NginxProgramm = "/usr/sbin/nginx";

// A port on 127.0.0.1 that nobody holds at this moment.
int FreierPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        socklen_t l = sizeof a;
        if (::getsockname(s, reinterpret_cast<sockaddr*>(&a), &l) == 0)
            port = ntohs(a.sin_port);
    }
    ::close(s);
    return port;
}

bool Antwortet(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ja = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ja;
}

QString Openssl(const QStringList& argumente) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("openssl"), argumente);
    if (!p.waitForFinished(60000))
        return QStringLiteral("openssl does not finish");
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("openssl %1: %2")
            .arg(argumente.join(u' '), QString::fromLocal8Bit(p.readAll()));
    return {};
}

// Fields of /proc/PID/stat after the command's name: [0] is the state.
QList<QByteArray> StatFelder(int64_t pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray zeile = f.readAll();
    const qsizetype ende = zeile.lastIndexOf(')');
    if (ende < 0)
        return {};
    return zeile.mid(ende + 2).split(' ');
}

} // namespace

NginxServer::NginxServer(const QString& ordner) : NginxServer(ordner, Optionen{}) {}

NginxServer::NginxServer(const QString& ordner, const Optionen& optionen)
    : optionen_(optionen), ordner_(QDir(ordner).absolutePath()) {
    if (!QFile::exists(QLatin1String(NginxProgramm))) {
        fehler_ = QStringLiteral("no %1 (scripts/install-deps.sh installs it)")
                      .arg(QLatin1String(NginxProgramm));
        return;
    }
    if (!arbeit_.isValid() || !zertifikateMachen())
        return;
    for (QString d : {"tmp", "tmp/body", "tmp/proxy", "tmp/fastcgi", "tmp/uwsgi", "tmp/scgi", "logs"})
        QDir(arbeit_.path()).mkpath(d);
    // A port found free can be taken before nginx binds it: another try.
    for (int versuch = 0; versuch < 3; ++versuch) {
        port_ = FreierPort();
        if (!konfigurieren())
            return;
        if (Starten())
            return;
    }
}

NginxServer::~NginxServer() {
    Stoppen();
}

QString NginxServer::Adresse(const QString& pfad) const {
    return QStringLiteral("https://127.0.0.1:%1%2").arg(port_).arg(pfad);
}

QString NginxServer::Ca() const {
    return arbeit_.filePath(QStringLiteral("ca.pem"));
}

bool NginxServer::zertifikateMachen() {
    const auto pfad = [&](const char* name) { return arbeit_.filePath(QLatin1String(name)); };
    const QStringList ec{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                         QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    QFile erweiterung(pfad("server.ext"));
    if (!erweiterung.open(QIODevice::WriteOnly)) {
        fehler_ = QStringLiteral("cannot write %1").arg(erweiterung.fileName());
        return false;
    }
    erweiterung.write("basicConstraints=critical,CA:FALSE\n"
                      "keyUsage=critical,digitalSignature\n"
                      "extendedKeyUsage=serverAuth\n"
                      "subjectAltName=IP:127.0.0.1\n");
    erweiterung.close();
    for (const QStringList& schritt :
         {QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ec +
              QStringList{QStringLiteral("-keyout"), pfad("ca.key"), QStringLiteral("-out"),
                          pfad("ca.pem"), QStringLiteral("-days"), QStringLiteral("2"),
                          QStringLiteral("-subj"), QStringLiteral("/CN=Pinwick test authority"),
                          QStringLiteral("-addext"),
                          QStringLiteral("basicConstraints=critical,CA:TRUE"),
                          QStringLiteral("-addext"),
                          QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")},
          QStringList{QStringLiteral("req")} + ec +
              QStringList{QStringLiteral("-keyout"), pfad("server.key"), QStringLiteral("-out"),
                          pfad("server.csr"), QStringLiteral("-subj"),
                          QStringLiteral("/CN=127.0.0.1")},
          QStringList{QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                      pfad("server.csr"), QStringLiteral("-CA"), pfad("ca.pem"),
                      QStringLiteral("-CAkey"), pfad("ca.key"), QStringLiteral("-CAcreateserial"),
                      QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"),
                      pfad("server.ext"), QStringLiteral("-out"), pfad("server.pem")}}) {
        if (QString f = Openssl(schritt); !f.isEmpty()) {
            fehler_ = f;
            return false;
        }
    }
    return true;
}

bool NginxServer::konfigurieren() {
    const QString a = arbeit_.path();
    QString benutzer;
    // As root the workers would run as "nobody", who may not read the
    // temporary folders; they run as whoever runs the test.
    if (::geteuid() == 0) {
        const passwd* p = ::getpwuid(::geteuid());
        const group* g = ::getgrgid(::getegid());
        if (p && g)
            benutzer = QStringLiteral("user %1 %2;\n")
                           .arg(QString::fromLocal8Bit(p->pw_name), QString::fromLocal8Bit(g->gr_name));
    }
    const QString konfiguration =
        QStringLiteral(
            "%1"
            "daemon off;\n"
            "master_process on;\n"
            "worker_processes %2;\n"
            "worker_rlimit_nofile %3;\n"
            "pid %4/nginx.pid;\n"
            "error_log %4/logs/error.log warn;\n"
            "events { worker_connections %5; multi_accept on; }\n"
            "http {\n"
            "  types { application/json json; application/octet-stream minisig; }\n"
            "  default_type application/octet-stream;\n"
            "  log_format zaehlen '$status $bytes_sent $request_length $uri';\n"
            "  access_log %6;\n"
            "  client_body_temp_path %4/tmp/body;\n"
            "  proxy_temp_path %4/tmp/proxy;\n"
            "  fastcgi_temp_path %4/tmp/fastcgi;\n"
            "  uwsgi_temp_path %4/tmp/uwsgi;\n"
            "  scgi_temp_path %4/tmp/scgi;\n"
            "  sendfile on;\n"
            "%10"
            "  keepalive_timeout 75s;\n"
            "  keepalive_requests 100000;\n"
            "  server {\n"
            "    listen 127.0.0.1:%7 ssl;\n"
            "    ssl_certificate %4/server.pem;\n"
            "    ssl_certificate_key %4/server.key;\n"
            "    ssl_session_cache shared:tls:10m;\n"
            "    ssl_session_timeout 1h;\n"
            "    root %8;\n"
            "    etag on;\n"
            "    location / { add_header Cache-Control \"%9\" always; }\n"
            "  }\n"
            "}\n")
            .arg(benutzer)
            .arg(optionen_.arbeiter)
            .arg(optionen_.verbindungen * 2 + 64)
            .arg(a)
            .arg(optionen_.verbindungen)
            .arg(optionen_.zugriffsLog ? a + QStringLiteral("/logs/access.log zaehlen")
                                       : QStringLiteral("off"))
            .arg(port_)
            .arg(ordner_)
            .arg(optionen_.cacheKopf)
            .arg(optionen_.gzip ? QStringLiteral("  gzip on;\n  gzip_types application/json;\n"
                                                 "  gzip_min_length 1024;\n")
                                : QString());
    QFile f(arbeit_.filePath(QStringLiteral("nginx.conf")));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(konfiguration.toUtf8()) != konfiguration.toUtf8().size()) {
        fehler_ = QStringLiteral("cannot write %1").arg(f.fileName());
        return false;
    }
    return true;
}

bool NginxServer::Starten() {
    if (Laeuft())
        return true;
    const QString a = arbeit_.path();
    prozess_.setProcessChannelMode(QProcess::MergedChannels);
    prozess_.setStandardOutputFile(a + QStringLiteral("/logs/stdout.log"), QIODevice::Append);
    prozess_.start(QLatin1String(NginxProgramm),
                   {QStringLiteral("-p"), a + u'/', QStringLiteral("-e"),
                    a + QStringLiteral("/logs/error.log"), QStringLiteral("-c"),
                    a + QStringLiteral("/nginx.conf")});
    if (!prozess_.waitForStarted(10000)) {
        fehler_ = QStringLiteral("nginx does not start: ") + prozess_.errorString();
        return false;
    }
    QDeadlineTimer frist(20000);
    while (!frist.hasExpired()) {
        if (prozess_.state() != QProcess::Running) {
            fehler_ = QStringLiteral("nginx ended at its start: ") + FehlerLog();
            return false;
        }
        if (Antwortet(port_)) {
            fehler_.clear();
            return true;
        }
        QThread::msleep(20);
    }
    fehler_ = QStringLiteral("nginx does not answer: ") + FehlerLog();
    Stoppen();
    return false;
}

void NginxServer::Stoppen() {
    if (prozess_.state() == QProcess::NotRunning)
        return;
    const QList<int64_t> alle = Prozesse();
    // SIGTERM: the master ends its workers and leaves at once.
    prozess_.terminate();
    if (!prozess_.waitForFinished(10000)) {
        prozess_.kill();
        prozess_.waitForFinished(5000);
    }
    // A worker left behind by a master that had to be killed is ours too.
    for (int64_t pid : alle.mid(1)) {
        const QList<QByteArray> felder = StatFelder(pid);
        if (felder.size() > 1 && felder[1].toLongLong() == alle.front())
            ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
}

QList<int64_t> NginxServer::Prozesse() const {
    QList<int64_t> pids;
    const int64_t master = prozess_.processId();
    if (master <= 0)
        return pids;
    pids << master;
    // The workers: the processes whose parent is the master.
    QFile kinder(QStringLiteral("/proc/%1/task/%1/children").arg(master));
    if (kinder.open(QIODevice::ReadOnly)) {
        for (const QByteArray& k : kinder.readAll().simplified().split(' ')) {
            if (!k.isEmpty())
                pids << k.toLongLong();
        }
        return pids;
    }
    for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool zahl = false;
        const int64_t pid = name.toLongLong(&zahl);
        if (!zahl || pid == master)
            continue;
        const QList<QByteArray> felder = StatFelder(pid);
        if (felder.size() > 1 && felder[1].toLongLong() == master)
            pids << pid;
    }
    return pids;
}

double NginxServer::Prozessorzeit() const {
    const double tick = static_cast<double>(::sysconf(_SC_CLK_TCK));
    double summe = 0;
    const QList<int64_t> pids = Prozesse();
    for (qsizetype i = 0; i < pids.size(); ++i) {
        // utime and stime are the 14th and 15th fields; the master's own
        // cutime and cstime add the workers that ended.
        const QList<QByteArray> f = StatFelder(pids[i]);
        if (f.size() < 15)
            continue;
        summe += (f[11].toDouble() + f[12].toDouble()) / tick;
        if (i == 0)
            summe += (f[13].toDouble() + f[14].toDouble()) / tick;
    }
    return summe;
}

NginxServer::Verkehr NginxServer::LogLesen(int64_t abZeile, int64_t* zeilen,
                                           const QByteArray& nurPfad, int64_t bisZeile) const {
    Verkehr v;
    QFile f(arbeit_.filePath(QStringLiteral("logs/access.log")));
    int64_t nummer = 0;
    if (f.open(QIODevice::ReadOnly)) {
        while (!f.atEnd()) {
            const QByteArray zeile = f.readLine();
            if (!zeile.endsWith('\n'))
                break; // being written
            if (bisZeile > 0 && nummer >= bisZeile)
                break;
            if (nummer++ < abZeile)
                continue;
            const QList<QByteArray> t = zeile.trimmed().split(' ');
            if (t.size() < 4 || (!nurPfad.isEmpty() && t[3] != nurPfad))
                continue;
            ++v.anfragen;
            const int status = t[0].toInt();
            (status == 200 ? v.status200 : status == 304 ? v.status304 : v.andere)++;
            v.gesendet += t[1].toLongLong();
            v.empfangen += t[2].toLongLong();
            const int64_t beide = t[1].toLongLong() + t[2].toLongLong();
            if (status == 200)
                v.bytes200 += beide;
            else if (status == 304)
                v.bytes304 += beide;
        }
    }
    if (zeilen)
        *zeilen = nummer;
    return v;
}

QString NginxServer::FehlerLog() const {
    QFile f(arbeit_.filePath(QStringLiteral("logs/error.log")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll().right(4000)) : QString();
}

} // namespace pinwick::test
