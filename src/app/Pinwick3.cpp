// The ticker program: settles the store, then lives on the bar's timer.

#include "About.h"
#include "BedienNamen.h"
#include "BefehlsAnnahme.h"
#include "Bewegungswunsch.h"
#include "Einstellungen.h"
#include "Einzelinstanz.h"
#include "FeedFenster.h"
#include "Intro.h"
#include "Journal.h"
#include "Kommandozeile.h"
#include "NetzConnect.h"
#include "Notizen.h"
#include "PassTest.h"
#include "Programm.h"
#include "ProgrammStart.h"
#include "Protokoll.h"
#include "QtTexte.h"
#include "Shell.h"
#include "Terminal.h"
#include "Verwaltung.h"
#include "WaylandLeiste.h"
#include "WebEmpfang.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

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
            qCCritical(pinwick::logLeiste, "failure in an event handler: %s", f.what());
        } catch (...) {
            qCCritical(pinwick::logLeiste, "unexpected failure in an event handler");
        }
        return false;
    }
};

// Every window, as it is shown, names its unnamed entry boxes after their
// captions, so a screen reader can tell the editor's and the settings'
// boxes apart.
class BedienNamenBeimZeigen : public QObject {
public:
    bool eventFilter(QObject* objekt, QEvent* ereignis) override {
        if (ereignis->type() == QEvent::Show && objekt->isWidgetType()) {
            auto* w = static_cast<QWidget*>(objekt);
            if (w->isWindow())
                pinwick::BedienNamenErgaenzen(*w);
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

// Chooses the way to the screen; false, with a message, when there is none.
bool anzeigeVorbereiten([[maybe_unused]] pinwick::LeistenPlattform& plattform) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // ---- Platform: X11, a Wayland layer surface, or XWayland (WaylandLeiste.h).
    plattform = pinwick::LeistenWegFestlegen();
    // Through shared memory every repaint of a window (the clock's, once a
    // second) brings a completion event back from the X server, which wakes
    // Qt's event reader thread and then the program once more. The bar's
    // repaints are small (the band moves on the server), so it sends them
    // over the socket instead and sleeps between its ticks.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    if (!hatAnzeige()) {
        std::fputs("Pinwick3: no display to show the ticker on (DISPLAY is not set).\n", stderr);
        return false;
    }
#endif
    return true;
}

// One bar per user and display: the exit code when another bar took the
// request (or would not), nothing when this start is the first.
std::optional<int> ersteInstanz(pinwick::Einzelinstanz& instanz, const QByteArray& befehl) {
    // A running bar takes the command at once, except in the busy second of
    // its own splash: the wait covers that. It answers once it has acted on
    // the command (or queued it behind a window in its way).
    switch (instanz.ErsteOderUebergeben(befehl, {}, 2500, 15000)) {
    case pinwick::Einzelinstanz::Ergebnis::Erste:
        break;
    case pinwick::Einzelinstanz::Ergebnis::Uebergeben:
        return 0;
    case pinwick::Einzelinstanz::Ergebnis::Abgelehnt:
        std::fprintf(stderr, "Pinwick3: the running Pinwick refused: %s\n",
                     qPrintable(instanz.Grund()));
        return 3;
    case pinwick::Einzelinstanz::Ergebnis::Keine:
        std::fputs("Pinwick3: another Pinwick runs on this display but does not answer.\n",
                   stderr);
        return 1;
    }
    return std::nullopt;
}

// The working folder is the program's own folder, as a Windows shortcut
// would set it. A Linux launcher starts programs in the home folder, where
// the template is missing and where the start's tidying of installer and
// update files must never reach.
bool inProgrammOrdner() {
#ifndef Q_OS_WIN
    if (!QDir::setCurrent(QCoreApplication::applicationDirPath())) {
        std::fprintf(stderr, "Pinwick3: cannot enter the program folder \"%s\".\n",
                     qPrintable(QCoreApplication::applicationDirPath()));
        return false;
    }
#endif
    return true;
}

// The word for a stop or start of the band; empty when none was asked.
QByteArray laufschriftWort(pinwick::Aufruf::Laufschrift laufschrift) {
    switch (laufschrift) {
    case pinwick::Aufruf::Laufschrift::Anhalten:
        return pinwick::befehl::anhalten;
    case pinwick::Aufruf::Laufschrift::Fortsetzen:
        return pinwick::befehl::fortsetzen;
    case pinwick::Aufruf::Laufschrift::Umschalten:
        return pinwick::befehl::umschalten;
    case pinwick::Aufruf::Laufschrift::Unveraendert:
        break;
    }
    return {};
}

// The word a later start hands to the running bar for what it was asked.
QByteArray befehlsWort(const pinwick::Aufruf& aufruf) {
    if (aufruf.neueNotiz)
        return pinwick::befehl::neueNotiz;
    const QByteArray wort = laufschriftWort(aufruf.laufschrift);
    return wort.isEmpty() ? pinwick::befehl::zeigen : wort;
}

// Commands from later starts: carried out once the bar stands, behind a
// window that stands in their way (BefehlsAnnahme).
void annahmeEinrichten(pinwick::BefehlsAnnahme& annahme, pinwick::Programm& p,
                       std::unique_ptr<pinwick::Terminal>& leiste) {
    annahme.bereit = [&leiste] { return leiste && leiste->Timer1Laeuft(); };
    annahme.imWeg = []() -> QWidget* {
        if (QWidget* modal = QApplication::activeModalWidget())
            return modal;
        // The settings window is modeless but holds the bar while it is open.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<pinwick::Einstellungen*>(w) && w->isVisible())
                return w;
        return nullptr;
    };
    annahme.istNeueNotiz = [](QWidget* w) {
        auto* editor = qobject_cast<pinwick::Notizen*>(w);
        return editor && editor->Modus() == pinwick::NotizModus::Neu;
    };
    annahme.eigeneErlaubt = [&p] { return bool(p.eigeneErlauben); };
    annahme.leisteZeigen = [&leiste] {
        if (!leiste)
            return;
        leiste->show();
        leiste->raise();
        leiste->activateWindow();
    };
    annahme.editorOeffnen = [&leiste] {
        if (leiste)
            leiste->NeueNotiz();
    };
    annahme.laufschrift = [&leiste](const QByteArray& wort) {
        if (!leiste)
            return;
        if (wort == pinwick::befehl::anhalten)
            leiste->Anhalten(true);
        else if (wort == pinwick::befehl::fortsetzen)
            leiste->Anhalten(false);
        else
            leiste->AnhaltenUmschalten();
    };
}

// The windows of the start, made when the start asks for them.
void startFensterEinrichten(pinwick::StartFenster& fenster, pinwick::Programm& p,
                            QPointer<pinwick::Intro>& intro,
                            std::unique_ptr<pinwick::Terminal>& leiste,
                            pinwick::LeistenPlattform& plattform,
                            pinwick::Bewegungswunsch& wunsch) {
    fenster.introZeigen = [&] {
        intro = new pinwick::Intro(p);
        intro->setAttribute(Qt::WA_DeleteOnClose);
        intro->show();
        intro->GemaltAbwarten(300);
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
        leiste->feedsZeigen = [&p, bar] {
            // The same password as the settings window asks for.
            if (!pinwick::FeedFensterErlaubt(
                    p, [](pinwick::Programm& q) { pinwick::PassTestZeigen(q); }))
                return;
            pinwick::FeedFensterZeigen(p, bar->Inhalt().Feeds(), bar);
        };
        // The desktop's wish for less motion, from the first picture on.
        leiste->WenigerBewegungSetzen(wunsch.WenigerBewegung());
        // ---- Platform: on Wayland with layer-shell the bar is a layer surface.
        if (!pinwick::LeisteAufWayland(*leiste, plattform))
            leiste->show();
    };
    fenster.hilfeZeigen = [&] { pinwick::HilfeZeigen(p); };
}

// The receiver of a broadcast over the web, made at the start's step for
// it; a system-wide setting is taken first where the desk has none.
void webEmpfangEinrichten(pinwick::StartFenster& fenster, pinwick::Programm& p,
                          std::unique_ptr<pinwick::WebEmpfang>& webEmpfang) {
    fenster.webEmpfang = [&] {
        const QString konf = qEnvironmentVariableIsSet(pinwick::BroadcastKonfUmgebung)
                                 ? qEnvironmentVariable(pinwick::BroadcastKonfUmgebung)
                                 : QString::fromLatin1(pinwick::BroadcastKonfPfad);
        pinwick::BroadcastKonfUebernehmen(p, konf, 0);
        webEmpfang = std::make_unique<pinwick::WebEmpfang>(p);
        webEmpfang->Abgleichen();
    };
}

// What this start was asked for, carried out like a later start's request
// once the bar stands.
void startWuenscheAusfuehren(const pinwick::Aufruf& aufruf, const pinwick::Programm& p,
                             pinwick::BefehlsAnnahme& annahme) {
    if (aufruf.neueNotiz) {
        if (p.eigeneErlauben)
            annahme.NeueNotizVormerken();
        else
            std::fprintf(stderr, "Pinwick3: %s\n",
                         qPrintable(pinwick::BefehlsAnnahme::EigeneNichtErlaubt()));
    }
    // Asked of a bar that was not running: it starts so.
    const QByteArray wort = laufschriftWort(aufruf.laufschrift);
    if (!wort.isEmpty() && annahme.laufschrift)
        annahme.laufschrift(wort);
}

// --help and --version answer before anything else: no display, no window,
// no file. The exit code when one of them was asked.
std::optional<int> hilfeOderVersion(int argc, char** argv, int version) {
    QStringList argumente;
    for (int i = 0; i < argc; ++i)
        argumente << QString::fromLocal8Bit(argv[i]);
    const pinwick::Aufruf aufruf = pinwick::KommandozeileLesen(argumente, version, false);
    if (aufruf.art != pinwick::Aufruf::Art::Hilfe && aufruf.art != pinwick::Aufruf::Art::Version)
        return std::nullopt;
    std::fputs(qPrintable(aufruf.text), stdout);
    return 0;
}

// A start that cannot go on says why on the terminal.
void startFehlerMelden(const std::exception& f) {
    std::fprintf(stderr, "Pinwick3: %s\n", f.what());
    // Only a screen someone looks at gets the message box as well.
    const QString plattform = QGuiApplication::platformName();
    if (plattform != QLatin1String("offscreen") && plattform != QLatin1String("minimal"))
        QMessageBox::critical(nullptr, QStringLiteral("Pinwick"), QString::fromLocal8Bit(f.what()));
}

} // namespace

int main(int argc, char** argv) {
    const int version = pinwick::Programm().programmVersion;
    if (const auto ende = hilfeOderVersion(argc, argv, version))
        return *ende;

    // The way to the screen, with the connection kept for a layer surface.
    pinwick::LeistenPlattform plattform;
    if (!anzeigeVorbereiten(plattform))
        return 1;
    PinwickAnwendung app(argc, argv);
    app.setApplicationName(QStringLiteral("Pinwick3"));
    app.setQuitOnLastWindowClosed(false);
    // Qt has taken its own options (-platform, -display) away by now: what
    // is left must be ours.
    const pinwick::Aufruf aufruf =
        pinwick::KommandozeileLesen(QCoreApplication::arguments(), version, true);
    if (aufruf.art == pinwick::Aufruf::Art::Fehler) {
        std::fprintf(stderr, "Pinwick3: %s", qPrintable(aufruf.text));
        return 2;
    }

    // One bar per user and display: a second start hands its request to the
    // running bar and ends before it opens or writes anything.
    pinwick::Einzelinstanz instanz(pinwick::InstanzPfad());
    const QByteArray befehl = befehlsWort(aufruf);
    if (const auto ende = ersteInstanz(instanz, befehl))
        return *ende;

    if (!inProgrammOrdner())
        return 1;
    // Before anything reads the folder: an update cut off half-way.
    pinwick::UpdateNachholen(QDir::current());

    BedienNamenBeimZeigen bedienNamen;
    app.installEventFilter(&bedienNamen);
    // A desktop without a handler for web pages gets the help in a window
    // of the program's own.

    pinwick::Programm p;
    // Qt's own buttons and dialogs speak the program's language.
    auto* qtTexte = new pinwick::QtTexte([&p] { return p.Sprache; }, &app);
    if (qtTexte->Laden())
        QCoreApplication::installTranslator(qtTexte);

    QPointer<pinwick::Intro> intro;
    std::unique_ptr<pinwick::Terminal> leiste;

    pinwick::BefehlsAnnahme annahme;
    annahmeEinrichten(annahme, p, leiste);
    instanz.empfangen = [&](const QByteArray& wort, const QByteArray& argument,
                            pinwick::Rueckmeldung antwort) {
        annahme.Annehmen(wort, argument, antwort);
    };

    // Whether the desktop asks for less motion, followed while the bar runs.
    pinwick::Bewegungswunsch wunsch;
    wunsch.Starten();
    QObject::connect(&wunsch, &pinwick::Bewegungswunsch::geaendert, [&leiste](bool an) {
        if (leiste)
            leiste->WenigerBewegungSetzen(an);
    });

    pinwick::StartFenster fenster;
    startFensterEinrichten(fenster, p, intro, leiste, plattform, wunsch);
    std::unique_ptr<pinwick::WebEmpfang> webEmpfang;
    webEmpfangEinrichten(fenster, p, webEmpfang);

    try {
        pinwick::ProgrammStart(p, fenster);
    } catch (const std::exception& f) {
        startFehlerMelden(f);
        return 1;
    }
    startWuenscheAusfuehren(aufruf, p, annahme);
    annahme.LeisteSteht();
    return app.exec();
}
