// The update installer: started by the ticker from its program folder after
// the user accepted an update; replaces the ticker's files and starts it again.

#include "Installation.h"
#include "InstallerFenster.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("pwi"));

    // The program folder is the folder that holds the installer: the ticker
    // left its hand-over files there, and the files are installed there.
    const QDir ordner(QCoreApplication::applicationDirPath());
    QDir::setCurrent(ordner.path());
    // An update cut off last time is finished or undone before anything
    // else looks at the folder.
    const QString nachgeholt = pinwick::UpdateNachholen(ordner);
    if (!nachgeholt.isEmpty())
        std::fprintf(stderr, "pwi: %s\n", qPrintable(nachgeholt));
    pinwick::pwi::Installation installation(ordner);
    installation.UpdinfoLesen();

    pinwick::pwi::InstallerFenster fenster(installation);
    fenster.melden = [&fenster](const QString& text) {
        QMessageBox::warning(&fenster, QStringLiteral("Pinwick"), text);
    };
    fenster.show();
    return app.exec();
}
