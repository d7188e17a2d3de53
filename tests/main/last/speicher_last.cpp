// The second process of the store's two-process test.
//
//   speicher_last writer <file> <count>
//       adds <count> notes one by one, editing each right after adding it;
//       prints "geschrieben <count>".
//   speicher_last reader <file> <seconds> <expected>
//       opens the file and reads every row of the notes table, again and
//       again, for at least <seconds> and until it has seen <expected> rows
//       (at most half a minute); prints "bereit" after its first pass and
//       "gelesen <rows of the last pass> <passes>" at the end.
//
// Any failure ends the program with exit code 1 and the reason on stderr.

#include "Datenbank.h"

#include <QElapsedTimer>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <exception>

using namespace pinwick;

namespace {

int schreiben(const QString& pfad, int anzahl) {
    Datenbank db(pfad);
    auto notizen = db.OpenRecordset(QStringLiteral("select * from Notizen"));
    for (int i = 0; i < anzahl; ++i) {
        notizen->AddNew();
        notizen->Setze(u"inhalt", Wert(QStringLiteral("Last %1").arg(i)));
        notizen->Setze(u"Rhythmus", Wert(0));
        notizen->Update();
        // The new row is the last one.
        notizen->MoveFirst();
        for (int n = 1; n < notizen->RecordCount(); ++n)
            notizen->MoveNext();
        notizen->Edit();
        notizen->Setze(u"inhalt", Wert(QStringLiteral("Last %1 bearbeitet").arg(i)));
        notizen->Setze(u"Dauer", Wert(i));
        notizen->Update();
        if (notizen->Feld(u"Dauer").alsInt32() != i) {
            std::fprintf(stderr, "row %d was not read back after its edit\n", i);
            return 1;
        }
    }
    std::printf("geschrieben %d\n", anzahl);
    return 0;
}

int lesen(const QString& pfad, double sekunden, int erwartet) {
    QElapsedTimer uhr;
    uhr.start();
    int zeilen = 0;
    int durchlaeufe = 0;
    while (uhr.elapsed() < sekunden * 1000 || (zeilen < erwartet && uhr.elapsed() < 30000)) {
        // A fresh connection each pass also tries the password check while
        // the writer holds its locks.
        Datenbank db(pfad);
        auto notizen = db.OpenRecordset(QStringLiteral("select * from Notizen"));
        zeilen = 0;
        for (notizen->MoveFirst(); !notizen->Eof(); notizen->MoveNext()) {
            if (!notizen->Feld(u"inhalt").alsText().startsWith(QLatin1String("Last "))) {
                std::fprintf(stderr, "row with a foreign text\n");
                return 1;
            }
            notizen->Feld(u"ID").alsInt32();
            notizen->Feld(u"Rhythmus").alsInt16();
            ++zeilen;
        }
        if (++durchlaeufe == 1) {
            // The test starts the writer only now, so that the reader has
            // passes before and while the writer works even when a loaded
            // machine is slow to start this process.
            std::printf("bereit\n");
            std::fflush(stdout);
        }
    }
    std::printf("gelesen %d %d\n", zeilen, durchlaeufe);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        const QString art = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
        if (art == QLatin1String("writer") && argc == 4)
            return schreiben(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
        if (art == QLatin1String("reader") && argc == 5)
            return lesen(QString::fromLocal8Bit(argv[2]), std::atof(argv[3]), std::atoi(argv[4]));
        std::fprintf(stderr, "usage: speicher_last writer <file> <count>\n"
                             "       speicher_last reader <file> <seconds> <expected>\n");
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "speicher_last: %s\n", e.what());
        return 1;
    }
}
