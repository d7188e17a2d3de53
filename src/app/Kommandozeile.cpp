#include "Kommandozeile.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <utility>

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
    const QCommandLineOption anhalten(
        QStringLiteral("pause"),
        QStringLiteral("Stop the scrolling text of the running bar: it shows its notes page by "
                       "page (starts the bar stopped when none runs)."));
    const QCommandLineOption fortsetzen(QStringLiteral("resume"),
                                        QStringLiteral("Let the running bar's text scroll again."));
    const QCommandLineOption umschalten(
        QStringLiteral("toggle-pause"),
        QStringLiteral("Stop the running bar's text, or let it scroll again when it is stopped."));
    leser.addOption(anhalten);
    leser.addOption(fortsetzen);
    leser.addOption(umschalten);

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
    int befehle = a.neueNotiz ? 1 : 0;
    const std::pair<const QCommandLineOption*, Aufruf::Laufschrift> laufschrift[] = {
        {&anhalten, Aufruf::Laufschrift::Anhalten},
        {&fortsetzen, Aufruf::Laufschrift::Fortsetzen},
        {&umschalten, Aufruf::Laufschrift::Umschalten},
    };
    for (const auto& [option, wahl] : laufschrift)
        if (leser.isSet(*option)) {
            a.laufschrift = wahl;
            ++befehle;
        }
    // The running bar takes one command from a start.
    if (befehle > 1 && qtSchonEntfernt) {
        a = Aufruf{};
        a.art = Aufruf::Art::Fehler;
        a.text = QStringLiteral("--new-note, --pause, --resume and --toggle-pause go one at a "
                                "time.\nTry --help for the options.\n");
    }
    return a;
}

} // namespace pinwick
