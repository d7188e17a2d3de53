#pragma once
// pinwick-notes publish: the broadcaster's notes and settings as a signed
// snapshot in a folder that a web server serves (docs/BROADCAST.md, "Over
// HTTPS"). Once, or with --watch as a service that publishes again after
// every change of the broadcaster's file.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <QTextStream>
#include <cstdint>

namespace pinwick {

// What a receiver reads of a broadcaster's file: the first settings row,
// every note and every feed (a feed whose address is no longer allowed is
// left out: receivers would refuse the whole snapshot for it). The file is
// opened read only, the way a receiver opens it (its schema checked, its
// reading bounded); the sysop password goes in only as its hash. Throws
// std::runtime_error saying why the file cannot be read.
// Rows as the snapshot has them (Schnappschuss.h: column -> value).
struct SenderInhalt {
    QVariantMap einstellungen;
    QList<QVariantMap> notizen;
    QList<QVariantMap> feeds;
};
SenderInhalt SenderLesen(const QString& pfad, int warteMs);

struct SendeAuftrag {
    QString datei;           // the broadcaster's notes file
    QString ordner;          // where the snapshot goes
    QString schluesselDatei; // minisign secret key
    QString passwortDatei;   // empty: the environment, when the key needs one
    int64_t gueltigSekunden = 7 * 24 * 3600;
    int warteMs = 5000;      // for the broadcaster's own lock while it saves
    bool beobachten = false; // --watch
    // --watch: a change is published once the file was quiet this long
    // (the burst of one save gives one publication) and at the latest this
    // long after the first change seen.
    int ruheMs = 300;
    int hoechstensMs = 1500;
    int pruefMs = 1000; // the fallback's look at the file
};

// Publishes; with `beobachten` stays until SIGTERM or SIGINT. Returns the
// exit status (0, or 1 with the reason on `fehler`).
int Senden(const SendeAuftrag& auftrag, QTextStream& aus, QTextStream& fehler);

} // namespace pinwick
