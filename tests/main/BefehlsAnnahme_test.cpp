// What the running bar does with a command a later start hands over, with
// windows in the way: the later start hears "ok" once the editor is open or
// queued behind that window, a refusal with its reason, and the editor
// follows when the window in its way has closed.

#include "BefehlsAnnahme.h"
#include "Einzelinstanz.h"
#include "TestHilfe.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace pinwick;

namespace {

// The bar's side, with stand-ins for its windows.
struct Leiste {
    bool bereit = true;
    bool eigeneErlaubt = true;
    bool editorGehtAuf = true;
    int editoren = 0;                   // editors opened
    std::atomic<int> editorenOffen = 0; // of those, still open
    int leisteGezeigt = 0;
    std::unique_ptr<QWidget> einstellungen = std::make_unique<QWidget>();
    BefehlsAnnahme annahme;

    Leiste() {
        einstellungen->setObjectName(QStringLiteral("Einstellungen"));
        annahme.bereit = [this] { return bereit; };
        annahme.imWeg = [this]() -> QWidget* {
            if (QWidget* modal = QApplication::activeModalWidget())
                return modal;
            return einstellungen->isVisible() ? einstellungen.get() : nullptr;
        };
        annahme.istNeueNotiz = [](QWidget* w) {
            return w->objectName() == QLatin1String("NeueNotiz");
        };
        annahme.eigeneErlaubt = [this] { return eigeneErlaubt; };
        annahme.leisteZeigen = [this] { ++leisteGezeigt; };
        // The editor is modal: open for a moment, then saved.
        annahme.editorOeffnen = [this] {
            if (!editorGehtAuf)
                return;
            QDialog editor;
            editor.setObjectName(QStringLiteral("NeueNotiz"));
            ++editoren;
            ++editorenOffen;
            QTimer::singleShot(300, &editor, &QDialog::accept);
            editor.exec();
            --editorenOffen;
        };
    }
};

// The later start's side, from another thread: the running copy answers
// from this thread's event loop, which runs meanwhile.
struct Lauf {
    Antwort antwort;
    qint64 dauer = 0;
    int offenBeiAntwort = -1; // editors open when the answer came
};
Lauf senden(const QString& pfad, const QByteArray& wort, Leiste& l) {
    Lauf lauf;
    std::atomic<bool> fertig = false;
    QElapsedTimer uhr;
    uhr.start();
    std::thread t([&] {
        Einzelinstanz spaeter(pfad);
        lauf.antwort = spaeter.Senden(wort, {}, 3000, 5000);
        lauf.offenBeiAntwort = l.editorenOffen;
        fertig = true;
    });
    while (!fertig && uhr.elapsed() < 8000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    t.join();
    lauf.dauer = uhr.elapsed();
    return lauf;
}

void warten(int ms) {
    QElapsedTimer uhr;
    uhr.start();
    while (uhr.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

TEST(BefehlsAnnahme, NewNoteWithWindowsInTheWay) {
    QTemporaryDir ordner;
    const QString pfad = ordner.filePath(QStringLiteral("pinwick-_9"));

    struct Fall {
        const char* name;
        // Before the command: what is open. Returns what to do once the
        // answer has come (close the window in the way), or nothing.
        std::function<std::function<void()>(Leiste&)> vorher;
        Antwort::Art art;
        const char* grundEnthaelt;
        int offenBeiAntwort; // the editor is on the screen when the answer comes
        int editorenAmEnde;
        bool mindestensVerzoegert; // the answer waited for the bar
    };
    const Fall faelle[] = {
        {"nothing in the way", [](Leiste&) { return std::function<void()>(); }, Antwort::Art::Ok,
         "", 1, 1, false},
        {"a message box open",
         [](Leiste&) {
             auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Pinwick"),
                                         QStringLiteral("Eine Frage"), QMessageBox::Ok);
             box->setAttribute(Qt::WA_DeleteOnClose);
             box->open();
             return std::function<void()>([box] { box->close(); });
         },
         Antwort::Art::Ok, "", 0, 1, false},
        {"the editor for a new note open",
         [](Leiste&) {
             auto* editor = new QDialog;
             editor->setObjectName(QStringLiteral("NeueNotiz"));
             editor->setAttribute(Qt::WA_DeleteOnClose);
             editor->open();
             return std::function<void()>([editor] { editor->close(); });
         },
         Antwort::Art::Ok, "", 0, 0, false},
        {"the settings window open",
         [](Leiste& l) {
             l.einstellungen->show();
             return std::function<void()>([&l] { l.einstellungen->hide(); });
         },
         Antwort::Art::Ok, "", 0, 1, false},
        {"the bar busy",
         [](Leiste& l) {
             l.bereit = false;
             return std::function<void()>([&l] { l.bereit = true; });
         },
         Antwort::Art::Ok, "", 0, 1, false},
        {"own notes not allowed",
         [](Leiste& l) {
             l.eigeneErlaubt = false;
             return std::function<void()>();
         },
         Antwort::Art::Abgelehnt, "own notes are not allowed", 0, 0, false},
        {"the editor does not open",
         [](Leiste& l) {
             l.editorGehtAuf = false;
             return std::function<void()>();
         },
         Antwort::Art::Abgelehnt, "did not open", 0, 0, false},
        {"before the bar stands",
         [](Leiste& l) {
             QTimer::singleShot(400, &l.annahme, [&l] { l.annahme.LeisteSteht(); });
             return std::function<void()>();
         },
         Antwort::Art::Ok, "", 1, 1, true},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        Einzelinstanz erste(pfad);
        ASSERT_TRUE(erste.Uebernehmen());
        Leiste l;
        erste.empfangen = [&l](const QByteArray& w, const QByteArray& a, Rueckmeldung r) {
            l.annahme.Annehmen(w, a, r);
        };
        if (QByteArray(f.name) != "before the bar stands")
            l.annahme.LeisteSteht();
        const std::function<void()> danach = f.vorher(l);
        const Lauf lauf = senden(pfad, befehl::neueNotiz, l);
        EXPECT_EQ(int(lauf.antwort.art), int(f.art)) << lauf.antwort.grund.toStdString();
        EXPECT_TRUE(lauf.antwort.grund.contains(QString::fromUtf8(f.grundEnthaelt)))
            << lauf.antwort.grund.toStdString();
        EXPECT_EQ(lauf.offenBeiAntwort, f.offenBeiAntwort);
        if (f.mindestensVerzoegert) {
            EXPECT_GE(lauf.dauer, 350);
        }
        if (danach)
            danach();
        // The editor follows the window in its way within a second, and
        // closes again after its moment.
        warten(1200);
        EXPECT_EQ(l.editoren, f.editorenAmEnde);
        EXPECT_FALSE(l.annahme.NeueNotizWartet());
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w != l.einstellungen.get())
                w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// "zeigen" brings forward what is in front: the window in the way, else the bar.
TEST(BefehlsAnnahme, ShowBringsForwardWhatIsInFront) {
    QTemporaryDir ordner;
    const QString pfad = ordner.filePath(QStringLiteral("pinwick-_9"));
    Einzelinstanz erste(pfad);
    ASSERT_TRUE(erste.Uebernehmen());
    Leiste l;
    erste.empfangen = [&l](const QByteArray& w, const QByteArray& a, Rueckmeldung r) {
        l.annahme.Annehmen(w, a, r);
    };
    l.annahme.LeisteSteht();
    EXPECT_EQ(senden(pfad, befehl::zeigen, l).antwort.art, Antwort::Art::Ok);
    EXPECT_EQ(l.leisteGezeigt, 1);
    l.einstellungen->show();
    EXPECT_EQ(senden(pfad, befehl::zeigen, l).antwort.art, Antwort::Art::Ok);
    EXPECT_EQ(l.leisteGezeigt, 1);
    EXPECT_EQ(l.editoren, 0);
}

// The stop commands are carried out at once, whatever window is open, and
// answered; a bar without the hook refuses them with a reason.
TEST(BefehlsAnnahme, StopCommandsAtOnceAndAnswered) {
    QTemporaryDir ordner;
    const QString pfad = ordner.filePath(QStringLiteral("pinwick-_8"));
    Einzelinstanz erste(pfad);
    ASSERT_TRUE(erste.Uebernehmen());
    Leiste l;
    QList<QByteArray> erhalten;
    l.annahme.laufschrift = [&](const QByteArray& wort) { erhalten << wort; };
    erste.empfangen = [&l](const QByteArray& w, const QByteArray& a, Rueckmeldung r) {
        l.annahme.Annehmen(w, a, r);
    };
    l.annahme.LeisteSteht();
    struct Fall {
        const char* wort;
        bool einstellungenOffen;
    };
    const Fall faelle[] = {
        {befehl::anhalten, false},
        {befehl::fortsetzen, true},
        {befehl::umschalten, false},
    };
    for (const Fall& f : faelle) {
        l.einstellungen->setVisible(f.einstellungenOffen);
        erhalten.clear();
        EXPECT_EQ(senden(pfad, f.wort, l).antwort.art, Antwort::Art::Ok) << f.wort;
        EXPECT_EQ(erhalten, QList<QByteArray>{QByteArray(f.wort)}) << f.wort;
        // Nothing else comes forward for it.
        EXPECT_EQ(l.leisteGezeigt, 0) << f.wort;
    }
    l.annahme.laufschrift = nullptr;
    EXPECT_EQ(senden(pfad, befehl::anhalten, l).antwort.art, Antwort::Art::Abgelehnt);
}
