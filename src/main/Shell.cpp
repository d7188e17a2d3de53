#include "Shell.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QPalette>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

namespace pinwick {

namespace {
// What a successful hand-over to the shell reports; callers only ever test > 32.
constexpr int32_t ShellErfolg = 42;

QColor farbeAus(int32_t bbggrr) {
    return QColor(bbggrr & 0xFF, (bbggrr >> 8) & 0xFF, (bbggrr >> 16) & 0xFF);
}
} // namespace

int32_t WebSeiteOeffnen(const QString& adresse) {
    const QUrl url(adresse, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return 0;
    return QDesktopServices::openUrl(url) ? ShellErfolg : 0;
}

namespace {
QString programmDatei(const QString& dateiName) {
    if (QDir::isRelativePath(dateiName))
        return QDir(QCoreApplication::applicationDirPath()).filePath(dateiName);
    return dateiName;
}
} // namespace

int32_t DateiOeffnen(const QString& dateiName) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(programmDatei(dateiName))) ? ShellErfolg
                                                                                     : 0;
}

namespace {
EigeneHilfe eigeneHilfe = nullptr;

// Without a handler F1 would seem to do nothing: the program shows the page
// itself. Nothing waits for that window, so the bar keeps running beside it.
void selbstZeigen(int16_t sprache, bool oben, const QString& seite) {
    if (eigeneHilfe)
        eigeneHilfe(sprache, oben, programmDatei(seite));
}
} // namespace

void EigeneHilfeSetzen(EigeneHilfe zeigen) {
    eigeneHilfe = zeigen;
}

bool HilfeZeigen(Programm& p) {
    const QString seite = p.Text(QStringLiteral("start-e.htm"), QStringLiteral("start-d.htm"));
    if (seite.isEmpty())
        return true;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Qt hands the page to xdg-open and counts that as done, yet xdg-open
    // ends with an error when it finds no browser (3) or the browser fails
    // (4): its answer is awaited here, without blocking. Only xdg-open
    // itself is ended with the bar; a browser it started lives on. A page
    // that is not there is left to Qt as before: that is no missing handler.
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!xdgOpen.isEmpty() && QFileInfo::exists(programmDatei(seite))) {
        auto* lauf = new QProcess(qApp);
        lauf->setStandardOutputFile(QProcess::nullDevice());
        lauf->setStandardErrorFile(QProcess::nullDevice());
        const int16_t sprache = p.Sprache;
        const bool oben = p.ImmerOben;
        const auto fehlt = [sprache, oben, seite] { selbstZeigen(sprache, oben, seite); };
        QObject::connect(lauf, &QProcess::finished, lauf,
                         [lauf, fehlt](int code, QProcess::ExitStatus status) {
                             if (status == QProcess::NormalExit && (code == 3 || code == 4))
                                 fehlt();
                             lauf->deleteLater();
                         });
        QObject::connect(lauf, &QProcess::errorOccurred, lauf, [lauf, fehlt](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart) {
                fehlt();
                lauf->deleteLater();
            }
        });
        lauf->start(xdgOpen, {QUrl::fromLocalFile(programmDatei(seite)).toString()});
        return true;
    }
#endif
    if (DateiOeffnen(seite) > 32)
        return true;
    selbstZeigen(p.Sprache, p.ImmerOben, seite);
    return false;
}

int32_t FarbeNummer(int nummer) {
    static constexpr int32_t tabelle[16] = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    return (nummer >= 0 && nummer < 16) ? tabelle[nummer] : 0;
}

void MeldungZeigen(QWidget* fenster, const QString& text, int farbNummer) {
    if (!fenster)
        return;
    QWidget* zeile = fenster->findChild<QWidget*>(QStringLiteral("MeldungPan"));
    if (!zeile)
        return;
    const int32_t farbe = FarbeNummer(farbNummer);
    // Our own panel paints its back colour and text from its properties; any
    // other widget (a label) paints its palette and its text property.
    const QMetaObject* meta = zeile->metaObject();
    if (meta->indexOfProperty("hintergrund") >= 0) {
        zeile->setProperty("hintergrund", int(farbe));
    } else {
        QPalette pal = zeile->palette();
        pal.setColor(QPalette::Window, farbeAus(farbe));
        zeile->setPalette(pal);
        zeile->setAutoFillBackground(true);
    }
    if (meta->indexOfProperty("text") >= 0)
        zeile->setProperty("text", text);
    zeile->update();
}

void MeldungLoeschen(QWidget* fenster) {
    MeldungZeigen(fenster, QString(), 7);
}

void MeldungZeigen(const QString& text, int farbNummer) {
    MeldungZeigen(QApplication::activeWindow(), text, farbNummer);
}

void MeldungLoeschen() {
    MeldungZeigen(QString(), 7);
}

} // namespace pinwick
