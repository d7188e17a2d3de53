// pinwick-notes: list, add, delete, export and import the ticker's notes
// from a shell. No display is needed.

#include "Datenordner.h"
#include "NotizenBefehl.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pinwick-notes"));
    QFile ausDatei, fehlerDatei;
    ausDatei.open(stdout, QIODevice::WriteOnly);
    fehlerDatei.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    QTextStream aus(&ausDatei), fehler(&fehlerDatei);

    pinwick::NotizenUmgebung umgebung;
    umgebung.jetzt = QDateTime::currentDateTime();
    umgebung.eigeneDatei = pinwick::EigeneDatenbankDatei();
    umgebung.aus = &aus;
    umgebung.fehler = &fehler;
    QStringList argumente = QCoreApplication::arguments();
    argumente.removeFirst();
    const int status = pinwick::NotizenProgramm(argumente, umgebung);
    aus.flush();
    fehler.flush();
    return status;
}
