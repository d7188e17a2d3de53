// Makes the template database every new installation starts from:
//   vorlage_machen <path>
// An existing file at the path is replaced.

#include "Speicher.h"

#include <QFile>
#include <QString>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vorlage_machen <path>\n");
        return 1;
    }
    const QString pfad = QString::fromLocal8Bit(argv[1]);
    if (QFile::exists(pfad) && !QFile::remove(pfad)) {
        std::fprintf(stderr, "vorlage_machen: cannot replace %s\n", argv[1]);
        return 1;
    }
    try {
        pinwick::VorlageErzeugen(pfad);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vorlage_machen: %s\n", e.what());
        return 1;
    }
    return 0;
}
