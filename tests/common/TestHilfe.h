#pragma once
// A Programm on a fresh database in a temporary folder, for tests.

#include "Programm.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& liste, std::ostream* os) {
    *os << '[' << liste.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace pinwick::test {

class TestUmgebung {
public:
    // Makes <tmp>/pw.kav from the schema, points the working folder at <tmp>
    // and opens the local store (settings not loaded).
    TestUmgebung();
    QString Pfad(const QString& name) const { return ordner.filePath(name); }
    // Makes another database file (a broadcaster's, say) in the folder.
    QString NeueDatenbank(const QString& name) const;

    QTemporaryDir ordner;
    Programm p;
};

// Adds a note row with the given columns (unset ones stay Null); returns its ID.
struct NotizZeile {
    QString inhalt = QStringLiteral("Notiz");
    int rhythmus = 0;
    QVariant uhrVon, uhrBis, startDatum, vorher, rhyDetails, dauer;
};
qint64 NotizEinfuegen(Datensatzmenge& notizen, const NotizZeile& zeile);

} // namespace pinwick::test
