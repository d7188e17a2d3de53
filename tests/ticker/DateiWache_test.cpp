// The watch on the bar's own notes file: writes by another connection, a
// file replaced under the name (and written again afterwards) are reported;
// the bar's other files in the folder are not.

#include "DateiWache.h"
#include "Speicher.h"
#include "TestHilfe.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace pinwick {
namespace {

void zeileEinfuegen(const QString& pfad, const QString& text) {
    Datenbank db(pfad);
    auto rs = db.OpenRecordset(QStringLiteral("select * from Notizen"));
    test::NotizZeile z;
    z.inhalt = text;
    test::NotizEinfuegen(*rs, z);
}

TEST(DateiWache, ReportsChangesOfTheNotesFileAndNothingElse) {
    test::TestUmgebung u;
    const QString datei = u.p.datenbankDatei;
    DateiWache wache;
    wache.Beobachten(datei);
    QSignalSpy spy(&wache, &DateiWache::geaendert);
    struct Fall {
        const char* name;
        std::function<void()> aendern;
        bool gemeldet;
    };
    const Fall faelle[] = {
        {"a row added by another connection", [&] { zeileEinfuegen(datei, QStringLiteral("a")); },
         true},
        {"a marker file the bar writes beside it",
         [&] {
             QFile f(u.Pfad(QStringLiteral("nefe")));
             f.open(QIODevice::WriteOnly);
             f.write("x");
         },
         false},
        {"the file replaced under its name",
         [&] {
             const QString neu = u.NeueDatenbank(QStringLiteral("neu.kav"));
             QFile::remove(datei + QStringLiteral(".alt"));
             QFile::rename(datei, datei + QStringLiteral(".alt"));
             QFile::rename(neu, datei);
         },
         true},
        {"a row added to the file that replaced it",
         [&] { zeileEinfuegen(datei, QStringLiteral("b")); }, true},
        {"the old file, now under another name",
         [&] { zeileEinfuegen(datei + QStringLiteral(".alt"), QStringLiteral("c")); }, false},
    };
    for (const Fall& fall : faelle) {
        // Let reports of the setup steps arrive first.
        QTest::qWait(150);
        spy.clear();
        fall.aendern();
        if (fall.gemeldet)
            EXPECT_TRUE(spy.count() > 0 || spy.wait(1000)) << fall.name;
        else
            EXPECT_FALSE(spy.count() > 0 || spy.wait(400)) << fall.name;
    }
}

} // namespace
} // namespace pinwick
