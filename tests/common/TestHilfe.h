#pragma once
// A Programm on a fresh database in a temporary folder, for tests, and the
// notes and settings the bar tests start from.

#include "Programm.h"

#include <QByteArray>
#include <QMap>
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

// A permanent own note with this text; returns its ID.
qint64 EigeneNotiz(Programm& p, const QString& inhalt);

// Own notes "Eine recht lange Notiz mit der Nummer 1" to `anzahl`: enough
// text to overflow the band several times.
void LangeNotizen(Programm& p, int anzahl = 20);

// A whole file; empty when it cannot be read.
QByteArray DateiLesen(const QString& pfad);
// Writes a file anew; a failure to open it fails the test.
void DateiSchreiben(const QString& pfad, const QByteArray& inhalt);

// Every file below a folder, hidden ones too, by its path relative to it.
QStringList DateienUnter(const QString& ordner);
// Every file below a folder with its content (empty when it cannot be read):
// two of them differ when a program changed, added or removed any file.
QMap<QString, QByteArray> DateiAbbild(const QString& ordner);

// What the bar tests draw with: English, DejaVu Sans 10, the date beside the
// clock, the frame, and own notes shown.
void LeisteEinstellen(Programm& p);

} // namespace pinwick::test
