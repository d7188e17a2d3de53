#pragma once
// What the snapshot tests share: the minisign tool run as a process, keys
// made with it, and rows of notes and settings as a broadcaster has them.

#include "Schnappschuss.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pinwick::test {

struct Lauf {
    int status = -1;
    QString ausgabe; // stdout and stderr
};
// `minisign ARGS` with `eingabe` on stdin.
Lauf Minisign(const QStringList& argumente, const QByteArray& eingabe = {});

// A key pair made by `minisign -G` in `ordner`: NAME.key and NAME.pub;
// encrypted with `passwort` unless it is empty (-W). Empty when it fails.
QString MinisignSchluessel(const QString& ordner, const QString& name,
                           const QByteArray& passwort = {});
// The base64 line of a ".pub" file.
QByteArray OeffentlicherSchluessel(const QString& pubDatei);

// A secret key in minisign's encrypted format, but derived with small
// scrypt limits so that a table of cases runs in moments. `verderben`
// damages its checksum. Its public key's line goes to `oeffentlich`.
QByteArray KleinVerschluesselt(const QByteArray& passwort, QByteArray* oeffentlich,
                               bool verderben = false);

// A broadcaster's settings row and `anzahl` notes.
SchnappschussZeile BeispielEinstellungen();
QList<SchnappschussZeile> BeispielNotizen(int anzahl);
// `anzahl` feeds as the table Feeds holds them (every other one off).
QList<SchnappschussZeile> BeispielFeeds(int anzahl);

} // namespace pinwick::test
