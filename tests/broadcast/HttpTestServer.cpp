#include "HttpTestServer.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

namespace pinwick::test {

HttpTestServer::HttpTestServer(bool tls, const QString& ordner) : tls_(tls) {
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) {
        fehler_ = QStringLiteral("no python3");
        return;
    }
    QStringList argumente{QStringLiteral(PINWICK_HTTP_SERVER)};
    if (!ordner.isEmpty())
        argumente << QStringLiteral("--ordner") << ordner;
    if (tls) {
        zertifikat_ = arbeit_.filePath(QStringLiteral("cert.pem"));
        const QString schluessel = arbeit_.filePath(QStringLiteral("key.pem"));
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                       QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                       QStringLiteral("-keyout"), schluessel, QStringLiteral("-out"), zertifikat_,
                       QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                       QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                       QStringLiteral("subjectAltName=IP:127.0.0.1")});
        if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
            fehler_ = QStringLiteral("openssl cannot make a certificate: ") +
                      QString::fromLocal8Bit(openssl.readAllStandardError());
            return;
        }
        argumente << QStringLiteral("--tls") << zertifikat_ << schluessel;
    }
    prozess_.setStandardErrorFile(arbeit_.filePath(QStringLiteral("log.txt")));
    prozess_.start(python, argumente);
    if (!prozess_.waitForStarted(10000)) {
        fehler_ = QStringLiteral("the web server does not start");
        return;
    }
    const QRegularExpression muster(QStringLiteral("^PORT (\\d+)$"),
                                    QRegularExpression::MultilineOption);
    QByteArray ausgabe;
    QDeadlineTimer frist(20000);
    while (!frist.hasExpired() && prozess_.state() == QProcess::Running) {
        prozess_.waitForReadyRead(100);
        ausgabe += prozess_.readAllStandardOutput();
        const QRegularExpressionMatch treffer = muster.match(QString::fromLatin1(ausgabe));
        if (treffer.hasMatch()) {
            port_ = treffer.captured(1).toInt();
            return;
        }
    }
    fehler_ = QStringLiteral("the web server gave no port: ") + Log();
}

HttpTestServer::~HttpTestServer() {
    if (prozess_.state() != QProcess::NotRunning) {
        prozess_.kill();
        prozess_.waitForFinished(5000);
    }
}

QString HttpTestServer::Adresse(const QString& pfad) const {
    return QStringLiteral("%1://127.0.0.1:%2%3")
        .arg(tls_ ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(port_)
        .arg(pfad);
}

QString HttpTestServer::Log() const {
    QFile log(arbeit_.filePath(QStringLiteral("log.txt")));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

HttpAntwort HttpHolen(HttpAbruf& abruf, const HttpAnfrage& anfrage) {
    QEventLoop schleife;
    std::optional<HttpAntwort> antwort;
    abruf.Starten(anfrage, [&](const HttpAntwort& a) {
        antwort = a;
        schleife.quit();
    });
    QTimer::singleShot(60000, &schleife, &QEventLoop::quit);
    if (!antwort)
        schleife.exec();
    if (!antwort) {
        ADD_FAILURE() << "no answer within a minute: " << anfrage.adresse.toStdString();
        return {};
    }
    return *antwort;
}

} // namespace pinwick::test
