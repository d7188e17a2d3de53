#pragma once
// Publishing a snapshot into a folder that a web server serves.
//
// The order makes every pair a receiver can fetch either consistent or
// recognisably mixed:
//   1. The version is chosen (VersionWaehlen) and the counter beside the key
//      is saved first, so that a crash after publishing cannot make the
//      next publication reuse the number.
//   2. Payload and signature are written under temporary names in the same
//      folder and flushed to the disk.
//   3. The payload is renamed over "broadcast.json", then the signature
//      over "broadcast.json.minisig", then the folder is flushed. Each
//      rename is atomic: a web server hands out the old file or the new
//      one, never half of either.
// The signature comes last because it is the mark of a publication: once a
// signature of version N can be fetched, the payload of N (or a later one)
// can be too. A receiver that fetches the signature first and the payload
// second gets a mixed pair only when two publications overlap its fetches;
// one that fetches the payload first may get it in the moment between the
// renames. Either way the pair fails the signature check with two different
// versions in the (signed) trusted comment and in the payload, which
// SchnappschussPruefen tells apart from a forgery ("Unterwegs"): the
// receiver fetches both again after a second or two.

#include "Schnappschuss.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

namespace pinwick {

inline constexpr const char* PasswortUmgebung = "PINWICK_BROADCAST_PASSWORD";

struct VeroeffentlichungsAuftrag {
    QString ordner;          // served by the web server
    QString schluesselDatei; // minisign secret key; the counter lies beside it
    QByteArray passwort;     // for an encrypted key
    int64_t gueltigSekunden = 7 * 24 * 3600;
    QDateTime jetzt;         // the time of publication; invalid: now
    bool vorgehasht = true;  // minisign's default signature
    SchnappschussZeile einstellungen; // the sysop password only as its hash
    QList<SchnappschussZeile> notizen;
    QList<SchnappschussZeile> feeds;
};

struct VeroeffentlichungsErgebnis {
    QString fehler; // empty when published
    uint64_t version = 0;
};

VeroeffentlichungsErgebnis Veroeffentlichen(const VeroeffentlichungsAuftrag& auftrag);
// The same with a key read before (its password derived once): a publisher
// that stays running signs every publication without deriving again.
// `auftrag.schluesselDatei` still names where the counter lies.
class GeheimSchluessel;
VeroeffentlichungsErgebnis Veroeffentlichen(const VeroeffentlichungsAuftrag& auftrag,
                                            const GeheimSchluessel& schluessel);

// The counter's file beside the key: "KEY.version".
QString ZaehlerDatei(const QString& schluesselDatei);

// The next version: above the last one published (`zuletzt`, from the
// counter or the folder) and not below the time of publication in
// milliseconds since 1970. A counter restored from an old backup is thus
// overtaken by the clock; publications faster than one a millisecond still
// count up by one.
uint64_t VersionWaehlen(std::optional<uint64_t> zuletzt, const QDateTime& jetzt);

} // namespace pinwick
