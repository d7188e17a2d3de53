// The installer's update without its window, killed (SIGKILL) by itself at
// the n-th step it reports: the kill test starts it once for every step.
//
//   pwi_abbruch <program folder> <download base> <port> <account> <password>
//               <base folder> <key> <n>

#include "Installation.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 9) {
        std::fputs("usage: pwi_abbruch folder download port account password base key n\n", stderr);
        return 2;
    }
    pinwick::pwi::Installation inst{QDir(a[1])};
    inst.downloadBasis = a[2];
    inst.server.host = QStringLiteral("127.0.0.1");
    inst.server.port = a[3].toInt();
    inst.server.konto = a[4];
    inst.server.passwort = a[5];
    inst.server.basis = a[6];
    // The tests' server speaks plain FTP; the build's default is FTPS.
    inst.server.tls = false;
    inst.server.caDatei.clear();
    inst.schluessel = a[7].toUtf8();
    const int bei = a[8].toInt();
    int schritte = 0;
    inst.schritt = [&](const char*) {
        if (++schritte == bei)
            std::raise(SIGKILL);
    };
    const auto ergebnis = inst.Ausfuehren();
    if (ergebnis != pinwick::pwi::Installation::Ergebnis::Erfolg) {
        std::fprintf(stderr, "pwi_abbruch: %s\n", qPrintable(inst.Fehler()));
        return 1;
    }
    return 0;
}
