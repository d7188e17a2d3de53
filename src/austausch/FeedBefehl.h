#pragma once
// pinwick-notes feed: the news feeds of a notes file.
//
//   pinwick-notes [--file PATH] feed add URL [--title T] [--items N] [--colour #RRGGBB]
//   pinwick-notes [--file PATH] feed list
//   pinwick-notes [--file PATH] feed remove|on|off ID
//
// Only these edits write the table; what the feeds hold is never written
// into the file.

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>

namespace pinwick {

struct FeedOptionen {
    std::optional<QString> titel;
    std::optional<QString> anzahl;
    std::optional<QString> farbe;
};

// Runs "feed ..."; `argumente` start after "feed". Returns StatusOk or
// throws BefehlsFehler (BefehlsHilfen.h).
int FeedBefehl(const QStringList& argumente, const FeedOptionen& optionen, const QString& pfad,
               int warteMs, QTextStream& aus);

} // namespace pinwick
