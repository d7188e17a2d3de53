#pragma once
// Program files as both programs hand them over: the ticker starts the
// installer, the installer starts the ticker again.

#include <QString>

namespace pinwick {

// The name under which this platform runs a program: "pwi" stays "pwi" on
// Linux and becomes "pwi.exe" on Windows.
QString AusfuehrbarerName(const QString& basis);

// Gives a file the execute bit (owner, group and others may run it, as they
// may read it). Nothing to do where the file name alone makes a program.
bool AusfuehrbarMachen(const QString& pfad);

// Starts a program detached from this process, in the given working folder.
// True when it started.
bool ProgrammStarten(const QString& pfad, const QString& ordner);

} // namespace pinwick
