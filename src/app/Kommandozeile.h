#pragma once
// What the ticker is asked to do on its command line. It is read before the
// application object exists, so --help and --version answer without a
// display, without a window and without touching any file.

#include <QString>
#include <QStringList>

namespace pinwick {

struct Aufruf {
    enum class Art {
        Starten, // run the bar, or hand over to the running one
        Hilfe,   // print text to standard output and end
        Version, // print text to standard output and end
        Fehler   // print text to standard error and end with 2
    };
    Art art = Art::Starten;
    bool neueNotiz = false; // open the note editor on the (running) bar
    // Stop the band, let it scroll again, or the one or the other (on the
    // running bar; a bar started by it starts so).
    enum class Laufschrift { Unveraendert, Anhalten, Fortsetzen, Umschalten };
    Laufschrift laufschrift = Laufschrift::Unveraendert;
    QString text;           // what to print for Hilfe, Version and Fehler
};

// "Pinwick 3.01" for version number 301.
QString VersionsZeile(int programmVersion);

// Reads the arguments (the program's name first). Options Qt itself takes
// (-platform, -display, ...) are not known here; they only pass when the
// application object is made later and takes them away first, so the caller
// reads again then with qtSchonEntfernt. Before that an unknown option counts
// as "start" as long as neither --help nor --version is given.
Aufruf KommandozeileLesen(const QStringList& argumente, int programmVersion,
                          bool qtSchonEntfernt = true);

} // namespace pinwick
