#include "Kommandozeile.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace pinwick {

QString VersionsZeile(int programmVersion) {
    return QStringLiteral("Pinwick %1").arg(QString::number(programmVersion / 100.0, 'f', 2));
}

Aufruf KommandozeileLesen(const QStringList& argumente, int programmVersion,
                          bool qtSchonEntfernt) {
    QCommandLineParser leser;
    leser.setApplicationDescription(
        QStringLiteral("A notes and news ticker docked at the top or bottom edge of the screen.\n"
                       "A second start on the same display hands over to the running bar."));
    const QCommandLineOption hilfe({QStringLiteral("h"), QStringLiteral("help")},
                                   QStringLiteral("Show this help and end."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and end."));
    const QCommandLineOption neu(QStringLiteral("new-note"),
                                 QStringLiteral("Open the note editor on the running bar (starts "
                                                "the bar first when none runs)."));
    leser.addOption(hilfe);
    leser.addOption(version);
    leser.addOption(neu);

    Aufruf a;
    const bool gelesen = leser.parse(argumente);
    if (leser.isSet(hilfe)) {
        a.art = Aufruf::Art::Hilfe;
        // The usage line names the program as it was called, without its folder.
        const QString name =
            argumente.isEmpty() ? QStringLiteral("Pinwick3") : QFileInfo(argumente.first()).fileName();
        QString text = leser.helpText();
        const qsizetype zeilenEnde = text.indexOf(QLatin1Char('\n'));
        if (text.startsWith(QStringLiteral("Usage: ")) && zeilenEnde > 0) {
            const qsizetype optionen = text.indexOf(QStringLiteral(" [options]"));
            if (optionen > 0 && optionen < zeilenEnde)
                text.replace(7, optionen - 7, name);
        }
        a.text = text;
        return a;
    }
    if (leser.isSet(version)) {
        a.art = Aufruf::Art::Version;
        a.text = VersionsZeile(programmVersion) + QLatin1Char('\n');
        return a;
    }
    if (!gelesen && qtSchonEntfernt) {
        a.art = Aufruf::Art::Fehler;
        a.text = leser.errorText() + QStringLiteral("\nTry --help for the options.\n");
        return a;
    }
    if (gelesen && !leser.positionalArguments().isEmpty() && qtSchonEntfernt) {
        a.art = Aufruf::Art::Fehler;
        a.text = QStringLiteral("Unexpected argument \"%1\".\nTry --help for the options.\n")
                     .arg(leser.positionalArguments().first());
        return a;
    }
    a.neueNotiz = leser.isSet(neu);
    return a;
}

} // namespace pinwick
