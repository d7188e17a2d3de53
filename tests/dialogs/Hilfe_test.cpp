// The help page: handed to the desktop where it has a handler, otherwise
// shown in the program's own window in the bar's language.

#include "HilfeFenster.h"
#include "Shell.h"
#include "TestHilfe.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>
#include <gtest/gtest.h>

using namespace pinwick;

namespace {

// Stands in for the desktop's handler of local files.
class Oeffner : public QObject {
    Q_OBJECT
public:
    QList<QUrl> geoeffnet;
public slots:
    void oeffnen(const QUrl& url) { geoeffnet.append(url); }
};

QList<HilfeFenster*> hilfeFenster() {
    QList<HilfeFenster*> offen;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<HilfeFenster*>(w); f && f->isVisible())
            offen.append(f);
    return offen;
}

void allesSchliessen() {
    for (HilfeFenster* f : hilfeFenster())
        f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QString programmDatei(const char* name) {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromUtf8(name));
}

// The two help pages beside the test program, long enough to scroll, each
// with a line only it has; pages that were there before come back at the end.
class Hilfe : public ::testing::Test {
protected:
    void SetUp() override {
        // ctest runs each case in a process of its own, side by side: the
        // pages beside the program are one case's at a time.
        ASSERT_TRUE(sperre.lock());
        alterPfad = qgetenv("PATH");
        // Nothing to open files with: no xdg-open, no browser on the path.
        qputenv("PATH", "/nonexistent");
        EigeneHilfeSetzen(&HilfeFensterZeigen);
        for (const char* name : {"start-e.htm", "start-d.htm"}) {
            const QString pfad = programmDatei(name);
            QFile alt(pfad);
            if (alt.open(QIODevice::ReadOnly))
                vorher.insert(pfad, alt.readAll());
        }
        schreiben("start-e.htm", "Welcome to the test page", "en");
        schreiben("start-d.htm",
                  "Willkommen auf der Pr\xC3\xBC"
                  "fseite",
                  "de");
    }
    void TearDown() override {
        allesSchliessen();
        for (const char* name : {"start-e.htm", "start-d.htm"}) {
            const QString pfad = programmDatei(name);
            QFile::remove(pfad);
            if (vorher.contains(pfad)) {
                QFile f(pfad);
                if (f.open(QIODevice::WriteOnly))
                    f.write(vorher.value(pfad));
            }
        }
        qputenv("PATH", alterPfad);
    }
    static void schreiben(const char* name, const char* zeile, const char* sprache) {
        QFile f(programmDatei(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QByteArray html = QByteArray("<!DOCTYPE html><html lang=\"") + sprache +
                          "\"><head><meta charset=\"utf-8\"><title>t</title></head><body><h1>" +
                          zeile + "</h1>";
        for (int i = 0; i < 80; ++i)
            html += "<p>Absatz " + QByteArray::number(i) + "</p>";
        f.write(html + "</body></html>");
    }
    QLockFile sperre{programmDatei("hilfeseiten.lock")};
    QByteArray alterPfad;
    QMap<QString, QByteArray> vorher;
};

} // namespace

// Without any handler the page opens in the program's own window: the page
// of the bar's language under a title of its own, scrollable, and Escape
// closes it. F1 pressed again while it is open brings the same window with
// the page of the language the bar speaks now.
TEST_F(Hilfe, WithoutAHandlerTheOwnWindowShowsThePageOfTheBarsLanguage) {
    struct Fall {
        int16_t sprache;
        const char* titel;
        const char* zeile;
    };
    for (const Fall& f : {Fall{1, "Pinwick - Help", "Welcome to the test page"},
                          Fall{2, "Pinwick - Hilfe",
                               "Willkommen auf der Pr\xC3\xBC"
                               "fseite"}}) {
        SCOPED_TRACE(f.sprache);
        Programm p;
        p.Sprache = f.sprache;
        EXPECT_FALSE(HilfeZeigen(p));
        QCoreApplication::processEvents();
        auto offen = hilfeFenster();
        ASSERT_EQ(offen.size(), 1);
        HilfeFenster* w = offen.first();
        EXPECT_EQ(w->windowTitle(), QString::fromUtf8(f.titel));
        EXPECT_TRUE(w->Seite()->toPlainText().contains(QString::fromUtf8(f.zeile)))
            << w->Seite()->toPlainText().left(200).toStdString();
        EXPECT_GT(w->Seite()->verticalScrollBar()->maximum(), 0) << "the page scrolls";
        EXPECT_FALSE(w->testAttribute(Qt::WA_ShowModal)) << "the bar runs on beside it";

        // Asked again in the other language: still one window, now the other page.
        p.Sprache = f.sprache == 1 ? 2 : 1;
        HilfeZeigen(p);
        QCoreApplication::processEvents();
        offen = hilfeFenster();
        ASSERT_EQ(offen.size(), 1);
        EXPECT_EQ(offen.first(), w);
        EXPECT_EQ(w->windowTitle(), HilfeTitel(p.Sprache));

        QPointer<HilfeFenster> weg(w);
        QApplication::setActiveWindow(w);
        QTest::keyClick(w->Seite(), Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        EXPECT_TRUE(hilfeFenster().isEmpty()) << "Escape closes the help window";
        EXPECT_TRUE(weg.isNull()) << "and nothing of it stays";
    }
}

// A page that is not there: the window says which one.
TEST_F(Hilfe, AMissingPageIsNamedInTheOwnWindow) {
    QFile::remove(programmDatei("start-d.htm"));
    Programm p;
    p.Sprache = 2;
    EXPECT_FALSE(HilfeZeigen(p));
    const auto offen = hilfeFenster();
    ASSERT_EQ(offen.size(), 1);
    const QString text = offen.first()->Seite()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("fehlt"))) << text.toStdString();
    EXPECT_TRUE(text.contains(programmDatei("start-d.htm"))) << text.toStdString();
}

// A desktop with a handler keeps it: the page goes there and no window of
// ours opens. A language other than English or German opens nothing.
TEST_F(Hilfe, WithAHandlerThePageGoesToTheDesktop) {
    for (int16_t sprache : {1, 2}) {
        Programm p;
        p.Sprache = sprache;
        Oeffner oeffner;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &oeffner, "oeffnen");
        EXPECT_TRUE(HilfeZeigen(p));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCoreApplication::processEvents();
        EXPECT_TRUE(hilfeFenster().isEmpty());
        ASSERT_EQ(oeffner.geoeffnet.size(), 1);
        EXPECT_EQ(oeffner.geoeffnet.first().toLocalFile(),
                  programmDatei(sprache == 1 ? "start-e.htm" : "start-d.htm"));
    }
    Programm p;
    p.Sprache = 0;
    EXPECT_TRUE(HilfeZeigen(p));
    EXPECT_TRUE(hilfeFenster().isEmpty());
}

// xdg-open is there but finds no browser (it ends with 3) or the browser
// fails (4): the own window follows its answer. When it opens the page (0)
// or reports some other trouble (2), nothing of ours shows.
TEST_F(Hilfe, TheOwnWindowFollowsXdgOpensAnswer) {
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    qputenv("PATH", bin.path().toLocal8Bit());
    struct Fall {
        int ende;
        bool fenster;
    };
    for (const Fall& f : {Fall{3, true}, Fall{4, true}, Fall{0, false}, Fall{2, false}}) {
        SCOPED_TRACE(f.ende);
        const QString pfad = bin.filePath(QStringLiteral("xdg-open"));
        QFile::remove(pfad);
        QFile skript(pfad);
        ASSERT_TRUE(skript.open(QIODevice::WriteOnly));
        skript.write(
            QStringLiteral("#!/bin/sh\necho \"$1\" > \"$0.url\"\nexit %1\n").arg(f.ende).toUtf8());
        skript.close();
        skript.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Programm p;
        p.Sprache = 1;
        EXPECT_TRUE(HilfeZeigen(p));
        // The answer comes from another process: wait until xdg-open has
        // ended and its watcher is gone, a few seconds at the most.
        QElapsedTimer uhr;
        uhr.start();
        while (uhr.elapsed() < 5000 && !qApp->findChildren<QProcess*>().isEmpty()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        EXPECT_TRUE(qApp->findChildren<QProcess*>().isEmpty());
        QCoreApplication::processEvents();
        QFile url(pfad + QStringLiteral(".url"));
        ASSERT_TRUE(url.open(QIODevice::ReadOnly));
        EXPECT_TRUE(url.readAll().trimmed().endsWith("start-e.htm"));
        url.close();
        QFile::remove(url.fileName());
        const auto offen = hilfeFenster();
        ASSERT_EQ(offen.size(), f.fenster ? 1 : 0);
        if (f.fenster) {
            EXPECT_TRUE(offen.first()->Seite()->toPlainText().contains(
                QStringLiteral("Welcome to the test page")));
        }
        allesSchliessen();
    }
}

#include "Hilfe_test.moc"
