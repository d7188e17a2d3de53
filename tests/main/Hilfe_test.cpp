// The help page when nothing on the system opens it: a message names the
// page's path instead of F1 seeming to do nothing.

#include "Shell.h"
#include "TestHilfe.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QMessageBox>
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

QList<QMessageBox*> hilfeMeldungen() {
    QList<QMessageBox*> boxen;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w);
            box && box->objectName() == QLatin1String("HilfeFehlt") && box->isVisible())
            boxen.append(box);
    return boxen;
}

} // namespace

TEST(Hilfe, WithoutAHandlerAMessageNamesThePageWithAHandlerNoneAppears) {
    // Nothing to open files with: no xdg-open on the path.
    const QByteArray alterPfad = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    struct Fall {
        int16_t sprache;
        bool handler;
        const char* seite;
        const char* wortlaut;
    };
    const Fall faelle[] = {
        {1, false, "start-e.htm", "No program is set up to show the help page."},
        {2, false, "start-d.htm", "Kein Programm ist eingerichtet"},
        {1, true, "start-e.htm", ""},
        {2, true, "start-d.htm", ""},
    };
    for (const Fall& f : faelle) {
        Programm p;
        p.Sprache = f.sprache;
        Oeffner oeffner;
        if (f.handler)
            QDesktopServices::setUrlHandler(QStringLiteral("file"), &oeffner, "oeffnen");
        const bool geoeffnet = HilfeZeigen(p);
        QCoreApplication::processEvents();
        const auto boxen = hilfeMeldungen();
        const QString erwartet =
            QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromUtf8(f.seite));
        if (f.handler) {
            EXPECT_TRUE(geoeffnet);
            EXPECT_TRUE(boxen.isEmpty());
            ASSERT_EQ(oeffner.geoeffnet.size(), 1);
            EXPECT_EQ(oeffner.geoeffnet.first().toLocalFile(), erwartet);
            QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        } else {
            EXPECT_FALSE(geoeffnet);
            ASSERT_EQ(boxen.size(), 1) << "language " << f.sprache;
            EXPECT_TRUE(boxen.first()->text().contains(QString::fromUtf8(f.wortlaut)));
            EXPECT_TRUE(boxen.first()->text().contains(erwartet))
                << boxen.first()->text().toStdString();
            EXPECT_EQ(boxen.first()->windowTitle(), QStringLiteral("Pinwick"));
            boxen.first()->close();
            QCoreApplication::processEvents();
        }
    }
    // xdg-open is there but finds no browser (it ends with 3), the browser
    // fails (4), or it opens the page (0) or reports some other trouble (2):
    // the message follows its answer.
    const QString seite = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("start-e.htm"));
    const bool seiteNeu = !QFile::exists(seite);
    if (seiteNeu) {
        QFile neu(seite);
        ASSERT_TRUE(neu.open(QIODevice::WriteOnly));
    }
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    qputenv("PATH", bin.path().toLocal8Bit());
    struct XdgFall {
        int ende;
        bool meldung;
    };
    for (const XdgFall& f :
         {XdgFall{3, true}, XdgFall{4, true}, XdgFall{0, false}, XdgFall{2, false}}) {
        SCOPED_TRACE(f.ende);
        const QString pfad = bin.filePath(QStringLiteral("xdg-open"));
        QFile::remove(pfad);
        QFile skript(pfad);
        ASSERT_TRUE(skript.open(QIODevice::WriteOnly));
        skript.write(QStringLiteral("#!/bin/sh\necho \"$1\" > \"$0.url\"\nexit %1\n").arg(f.ende).toUtf8());
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
        const auto boxen = hilfeMeldungen();
        ASSERT_EQ(boxen.size(), f.meldung ? 1 : 0);
        if (f.meldung) {
            EXPECT_TRUE(boxen.first()->text().contains(QStringLiteral("start-e.htm")));
            boxen.first()->close();
            QCoreApplication::processEvents();
        }
    }
    // A page that is missing is no missing handler: xdg-open is not asked.
    QFile::remove(bin.filePath(QStringLiteral("xdg-open.url")));
    if (seiteNeu)
        QFile::remove(seite);
    if (!QFile::exists(seite)) {
        Programm p;
        p.Sprache = 1;
        HilfeZeigen(p);
        EXPECT_TRUE(qApp->findChildren<QProcess*>().isEmpty());
        EXPECT_FALSE(QFile::exists(bin.filePath(QStringLiteral("xdg-open.url"))));
        // What Qt does with it depends on the platform; any box goes.
        for (QMessageBox* box : hilfeMeldungen())
            box->close();
        QCoreApplication::processEvents();
    }
    qputenv("PATH", "/nonexistent");

    // A language other than English or German opens nothing and says nothing.
    Programm p;
    p.Sprache = 0;
    EXPECT_TRUE(HilfeZeigen(p));
    EXPECT_TRUE(hilfeMeldungen().isEmpty());
    qputenv("PATH", alterPfad);
}

#include "Hilfe_test.moc"
