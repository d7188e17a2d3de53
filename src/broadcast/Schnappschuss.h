#pragma once
// The broadcaster's notes and settings as one signed file that any web
// server can hand out: "broadcast.json" and beside it its minisign signature
// "broadcast.json.minisig". The format is described in docs/BROADCAST.md
// ("Over HTTPS"); in short, one JSON object:
//
//   format           1 (a reader refuses a higher one)
//   version          a whole number that only grows (the publisher's counter)
//   veroeffentlicht  time of publication, "2026-12-10T07:00:00Z"
//   ablauf           expiry, same form; a receiver shows nothing past it
//   schluessel       id of the signing key, as minisign shows it
//   einstellungen    the settings row: column name -> value
//   notizen          the notes: an array of rows, column name -> value
//   feeds            the news feeds (table Feeds): an array of rows; a
//                    snapshot without it has no feeds
//
// A value is null, a number or a string, as the column's type says; a
// column missing from a row is null (so a column added later does not break
// older snapshots) and a name that is no column is ignored. The header
// fields are repeated in the signature's trusted comment, which the
// signature covers as well: a receiver can read the version and expiry of a
// snapshot from its signature alone.
//
// Reading is capped (bytes, rows, text lengths), so that a hostile or
// broken snapshot cannot make a receiver grow without bound. A feed's
// address must pass the same rule as one given to "feed add": a snapshot
// that names another kind of address is refused as a whole.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <optional>

namespace pinwick {

inline constexpr int SchnappschussFormat = 1;
inline constexpr const char* SchnappschussName = "broadcast.json";
inline constexpr const char* SchnappschussSignaturName = "broadcast.json.minisig";

// Caps on what is read.
inline constexpr int64_t SchnappschussHoechstens = 8 * 1024 * 1024; // bytes of the file
inline constexpr int NotizenHoechstens = 20000;
inline constexpr int FeedsHoechstens = 200;

enum class SpaltenTyp { Ganzzahl, Zahl, Text };
struct SchnappschussSpalte {
    const char* name;
    SpaltenTyp typ;
    int laenge; // longest text, in UTF-16 units (Text only)
};

// Every column of the tables "Notizen", "Einstellungen" and "Feeds", in
// their order.
extern const QList<SchnappschussSpalte> NotizSpalten;
extern const QList<SchnappschussSpalte> EinstellungsSpalten;
extern const QList<SchnappschussSpalte> FeedSpalten;

// One row: column -> value; a null QVariant for SQL's NULL, qint64 for
// whole numbers, double for numbers, QString for text.
using SchnappschussZeile = QVariantMap;

struct SchnappschussKopf {
    int format = SchnappschussFormat;
    uint64_t version = 0;
    QDateTime veroeffentlicht; // UTC, whole seconds
    QDateTime ablauf;          // UTC, whole seconds
    QString schluessel;        // 16 hex digits, upper case
    bool operator==(const SchnappschussKopf&) const = default;
};

struct Schnappschuss {
    SchnappschussKopf kopf;
    SchnappschussZeile einstellungen;
    QList<SchnappschussZeile> notizen;
    QList<SchnappschussZeile> feeds;
};

// The file's bytes. nullopt, with `grund`, when a row does not fit its
// columns (a value of the wrong type or too long), a feed's address is not
// allowed, or the header is incomplete: the publisher then publishes
// nothing rather than something a receiver refuses.
std::optional<QByteArray> SchnappschussSchreiben(const Schnappschuss& s, QString* grund = nullptr);
// The file read back; nullopt, with `grund`, when it is none, is too large,
// or of a newer format.
std::optional<Schnappschuss> SchnappschussLesen(const QByteArray& daten, QString* grund = nullptr);

// The trusted comment that carries the header:
// "pinwick-broadcast format:1 version:N published:TIME expires:TIME key:ID".
QByteArray KommentarSchreiben(const SchnappschussKopf& kopf);
std::optional<SchnappschussKopf> KommentarLesen(const QByteArray& kommentar,
                                                QString* grund = nullptr);

// Whether a receiver shows a snapshot whose signature it has verified:
// never one older than the last it accepted (a replayed or rolled-back
// file), never one past its expiry. `grund` says why not, in the words the
// settings window shows.
struct SchnappschussUrteil {
    bool angenommen = false;
    QString grund;
};
SchnappschussUrteil SchnappschussAnnehmen(const SchnappschussKopf& kopf,
                                          std::optional<uint64_t> zuletztAngenommen,
                                          const QDateTime& jetzt);

// Time in the form of the format and of the comment.
QString SchnappschussZeit(const QDateTime& zeit);

} // namespace pinwick
