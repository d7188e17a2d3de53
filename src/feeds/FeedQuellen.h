#pragma once
// The feeds a file names (table Feeds, see Schema.h): what the band shows
// after the notes and what the fetching asks for. A file of an earlier
// version, or a broadcaster's that was never opened by a newer program,
// has no such table: it has no feeds.

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace pinwick {

class Datenbank;

inline constexpr int FeedAnzahlStandard = 3;
inline constexpr int FeedAnzahlHoechstens = 20;
// The colour of a feed that has none of its own: the notes' font colour.
inline constexpr int FeedFarbeStandard = -1;

struct FeedQuelle {
    qint64 id = 0;
    QString adresse;
    QString titel;                   // empty: the feed's own title
    int farbe = FeedFarbeStandard;   // &H00BBGGRR, or FeedFarbeStandard
    int anzahl = FeedAnzahlStandard; // newest items shown
    bool aktiv = true;

    bool operator==(const FeedQuelle&) const = default;
};

// Every feed of the file, by ID. Rows with values out of range are read
// with those values brought into range (a number of items beyond the cap,
// an address that is no longer allowed comes back switched off).
QList<FeedQuelle> FeedsLesen(Datenbank& db);

// Stores a feed's new address (after it moved for good). Only for the own
// file. False when the address is not allowed or no such feed is there;
// throws when the file cannot be written.
bool FeedAdresseAendern(Datenbank& db, qint64 id, const QString& neu);

// An address as typed, in the form the table keeps (trimmed, fully
// encoded); nullopt when a feed may not be fetched from it. What
// `pinwick-notes feed add` and the feeds window take alike.
std::optional<QString> FeedAdresseNormal(const QString& eingabe);
// Edits of the table from a window (the own file only). Adding returns the
// new feed's ID (its `id` is not used); removing and switching return
// false when there is no such feed. They throw when the file cannot be
// written.
qint64 FeedHinzufuegen(Datenbank& db, const FeedQuelle& f);
bool FeedEntfernen(Datenbank& db, qint64 id);
bool FeedSchalten(Datenbank& db, qint64 id, bool an);

// Whether a feed may be fetched from this address: http or https with a
// host, no user or password in it (the file is read by every receiver).
bool FeedAdresseErlaubt(const QUrl& adresse);

// "#RRGGBB" (or "#RGB") as the file's &H00BBGGRR; nullopt when malformed.
std::optional<int> FarbeLesen(const QString& text);
// The reverse; "default" for FeedFarbeStandard.
QString FarbeText(int farbe);

} // namespace pinwick
