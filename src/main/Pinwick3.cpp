// The ticker program: settles the store, then lives on the bar's timer.

#include "About.h"
#include "Einstellungen.h"
#include "Intro.h"
#include "NetzConnect.h"
#include "Notizen.h"
#include "Programm.h"
#include "ProgrammStart.h"
#include "Shell.h"
#include "Terminal.h"
#include "Verwaltung.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <cstdio>
#include <exception>
#include <memory>

namespace {

// No exception may leave an event handler once the program runs: a failing
// handler is logged and the program carries on.
class PinwickAnwendung : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* empfaenger, QEvent* ereignis) override {
        try {
            return QApplication::notify(empfaenger, ereignis);
        } catch (const std::exception& f) {
            std::fprintf(stderr, "Pinwick3: %s\n", f.what());
        } catch (...) {
            std::fprintf(stderr, "Pinwick3: unexpected failure in an event handler\n");
        }
        return false;
    }
};

bool hatAnzeige() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen");
#else
    return true;
#endif
}

} // namespace

int main(int argc, char** argv) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Under Wayland a window cannot place itself; the bar must dock at a
    // screen edge, so an X display is preferred whenever there is one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // Through shared memory every repaint of a window (the clock's, once a
    // second) brings a completion event back from the X server, which wakes
    // Qt's event reader thread and then the program once more. The bar's
    // repaints are small (the band moves on the server), so it sends them
    // over the socket instead and sleeps between its ticks.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    if (!hatAnzeige()) {
        std::fputs("Pinwick3: no display to show the ticker on (DISPLAY is not set).\n", stderr);
        return 1;
    }
#endif
    PinwickAnwendung app(argc, argv);
    app.setApplicationName(QStringLiteral("Pinwick3"));
    app.setQuitOnLastWindowClosed(false);
#ifndef Q_OS_WIN
    // The working folder is the program's own folder, as a Windows shortcut
    // would set it. A Linux launcher starts programs in the home folder,
    // where the template is missing and where the start's tidying of
    // installer and update files must never reach.
    if (!QDir::setCurrent(QCoreApplication::applicationDirPath())) {
        std::fprintf(stderr, "Pinwick3: cannot enter the program folder \"%s\".\n",
                     qPrintable(QCoreApplication::applicationDirPath()));
        return 1;
    }
#endif

    pinwick::Programm p;
    QPointer<pinwick::Intro> intro;
    std::unique_ptr<pinwick::Terminal> leiste;

    pinwick::StartFenster fenster;
    fenster.introZeigen = [&] {
        intro = new pinwick::Intro(p);
        intro->setAttribute(Qt::WA_DeleteOnClose);
        intro->show();
    };
    fenster.introSchliessen = [&] {
        if (intro)
            intro->close();
    };
    fenster.netzConnectZeigen = [&] { pinwick::NetzConnectZeigen(p); };
    fenster.leisteZeigen = [&] {
        leiste = std::make_unique<pinwick::Terminal>(p);
        pinwick::Terminal* bar = leiste.get();
        leiste->einstellungenZeigen = [&p, bar] { return pinwick::EinstellungenZeigen(p, bar); };
        leiste->notizEditorZeigen = [&] {
            pinwick::NotizEditorZeigen(p, pinwick::NotizModus::Neu);
        };
        leiste->verwaltungZeigen = [&] { pinwick::VerwaltungZeigen(p); };
        leiste->show();
    };
    fenster.hilfeZeigen = [&] { pinwick::HilfeZeigen(p); };

    try {
        pinwick::ProgrammStart(p, fenster);
    } catch (const std::exception& f) {
        std::fprintf(stderr, "Pinwick3: %s\n", f.what());
        // Only a screen someone looks at gets the message box as well.
        const QString plattform = QGuiApplication::platformName();
        if (plattform != QLatin1String("offscreen") && plattform != QLatin1String("minimal"))
            QMessageBox::critical(nullptr, QStringLiteral("Pinwick"),
                                  QString::fromLocal8Bit(f.what()));
        return 1;
    }
    return app.exec();
}
