// The update server this build was configured for. Only this file sees the
// CMake values, so a build pointed at another server compiles one file anew.
#include "Ftp.h"

namespace pinwick {

FtpServer FtpServer::Eingebaut() {
    FtpServer server;
    server.host = QStringLiteral(PINWICK_UPDATE_HOST);
    bool zahl = false;
    server.port = QStringLiteral(PINWICK_UPDATE_PORT).trimmed().toInt(&zahl);
    if (!zahl)
        server.port = 0; // refused by every transfer
    server.konto = QStringLiteral(PINWICK_UPDATE_USER);
    server.passwort = QStringLiteral(PINWICK_UPDATE_PASSWORD);
    server.basis = QStringLiteral(PINWICK_UPDATE_BASE);
    server.tls = PINWICK_UPDATE_TLS;
    server.caDatei = QStringLiteral(PINWICK_UPDATE_CAFILE);
    return server;
}

QByteArray EingebauterSchluessel() {
    return QByteArrayLiteral(PINWICK_UPDATE_KEY).trimmed();
}

} // namespace pinwick
