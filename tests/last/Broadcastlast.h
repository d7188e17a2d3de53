#pragma once
// What broadcast_last and empfang_last share: the broadcaster's file with
// notes that are always due, the view a receiver should show, the files the
// roles hand their figures over in, and the leader's waiting for them.

#include "Notiz.h"
#include "Prozesse.h"
#include "Speicher.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

class QTemporaryDir;

namespace pinwick::last {

// Sleeps until the wall-clock moment ms (see JetztMs); at once when it has passed.
void SchlafenBis(qint64 ms);

// Milliseconds since anfang, with fractions.
double MsSeit(std::chrono::steady_clock::time_point anfang);

// A note that is due at any moment, in one of five encodings (permanent,
// whole-day daily, weekly on every day, monthly and yearly with advance days
// covering every day), so that every rebuild runs the schedule test on most
// of them.
Notiz ImmerFaellig(int variante, const QString& text);

// The broadcaster's table as a receiver shows it: the texts of all notes in
// table order, each followed by the separator.
QString TabellenText(Datensatzmenge& rs);

// A short fingerprint of a view, to tell whether the broadcaster ever held it.
QString Fingerabdruck(const QString& sicht);

// The figures a role hands to the leader: written under another name and
// renamed, so that the leader never reads half a file.
void SchreibeDatei(const QString& pfad, const QStringList& zeilen);
QStringList LeseDatei(const QString& pfad);

// The leader's start: the folder (a temporary one when ordner is empty; an
// existing one is emptied of files) and in it a fresh "pw.kav" holding the
// notes notiz(0) to notiz(anzahl - 1), written in one transaction.
// Returns the file's path.
QString BroadcastDateiAnlegen(QString& ordner, const QTemporaryDir& temp, int anzahl,
                              const std::function<Notiz(int)>& notiz);

// A headless receiver number nr on the broadcaster's "pw.kav" in ordner,
// with a working folder of its own below it.
void EmpfaengerEinrichten(Programm& p, const QDir& ordner, int nr);

// Waits for every child; false when one ended with anything but 0.
bool KinderAbwarten(const std::vector<pid_t>& kinder);

} // namespace pinwick::last
