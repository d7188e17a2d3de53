// nginx over HTTPS on 127.0.0.1 for a shell script, made exactly as the
// broadcast tests make it (NginxServer: a throwaway certificate authority,
// a configuration of its own, a free port). Serves FOLDER, prints
//   PORT <port>
//   CA <the authority's certificate>
// and keeps nginx running until SIGTERM or SIGINT; then stops it (its own
// processes only) and removes what it made.
// Usage: nginx_dienst FOLDER

#include "NginxServer.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: nginx_dienst FOLDER\n");
        return 2;
    }
    // Blocked before anything starts, so that a signal that comes early
    // still ends the wait below and the destructor stops nginx.
    sigset_t ende;
    sigemptyset(&ende);
    sigaddset(&ende, SIGTERM);
    sigaddset(&ende, SIGINT);
    pthread_sigmask(SIG_BLOCK, &ende, nullptr);
    QCoreApplication app(argc, argv);
    pinwick::test::NginxServer nginx(QString::fromLocal8Bit(argv[1]));
    if (!nginx.Fehler().isEmpty()) {
        std::fprintf(stderr, "nginx: %s\n", qPrintable(nginx.Fehler()));
        return 1;
    }
    std::printf("PORT %d\nCA %s\n", nginx.Port(), qPrintable(nginx.Ca()));
    std::fflush(stdout);
    int signal = 0;
    sigwait(&ende, &signal);
    return 0;
}
