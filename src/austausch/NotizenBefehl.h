#pragma once
// pinwick-notes: notes from scripts and calendars, without a display.
//
//   pinwick-notes [--file PATH] list [--due]
//   pinwick-notes [--file PATH] add TEXT [schedule options]
//   pinwick-notes [--file PATH] delete ID...
//   pinwick-notes [--file PATH] export [--format ics|csv] [OUT]
//   pinwick-notes [--file PATH] import FILE
//   pinwick-notes [--file PATH] publish --to FOLDER --secret-key FILE [...]
//
// Exit status 0 on success, 2 for a usage error (including a value the
// schedule cannot take), 1 for any other failure; a failure says why in one
// line on stderr, an import or export also names every note it left out.
// A refused command writes nothing.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTextStream>

namespace pinwick {

enum NotizenStatus { StatusOk = 0, StatusFehler = 1, StatusAufruf = 2 };

struct NotizenUmgebung {
    // The moment "now" for --due and today's date for a note's defaults.
    QDateTime jetzt;
    // The notes file without --file: the ticker's own.
    QString eigeneDatei;
    // How long to wait for another program's lock on the file.
    int warteMs = 5000;
    QTextStream* aus = nullptr;
    QTextStream* fehler = nullptr;
};

// Runs one command; argumente without the program's name.
int NotizenProgramm(const QStringList& argumente, const NotizenUmgebung& umgebung);

} // namespace pinwick
