#pragma once
// Signing a snapshot with a key made by the minisign tool, and checking a
// fetched snapshot with the broadcaster's public key. The files are
// minisign's, so `minisign -Vm broadcast.json -p KEY.pub` checks what the
// publisher wrote. The cryptography is libsodium's (Ed25519, BLAKE2b,
// scrypt); only the reading and writing of minisign's text formats is ours.

#include "Schnappschuss.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace pinwick {

// A minisign secret key, as `minisign -G` writes it (encrypted with a
// password: scrypt, XOR, BLAKE2b checksum) or `minisign -G -W` (not).
class GeheimSchluessel {
public:
    // `datei`: the key file's bytes; `passwort`: for an encrypted key
    // (ignored for one that is not). nullopt, with `grund`, for a wrong
    // password, another kind of file, or too little memory to derive.
    static std::optional<GeheimSchluessel> Lesen(const QByteArray& datei,
                                                 const QByteArray& passwort,
                                                 QString* grund = nullptr);
    GeheimSchluessel(const GeheimSchluessel&);
    GeheimSchluessel& operator=(const GeheimSchluessel&);
    ~GeheimSchluessel(); // the secret is wiped

    // A ".minisig" file for `nachricht` with `vertraut` as its trusted
    // comment (one line): prehashed ("ED", minisign's default) or the
    // legacy form ("Ed").
    QByteArray Signieren(const QByteArray& nachricht, const QByteArray& vertraut,
                         bool vorgehasht = true) const;

    // The key id as minisign shows it (16 hex digits).
    QString Id() const;
    // The public key's base64 line, as a ".pub" file holds it.
    QByteArray Oeffentlich() const;

private:
    GeheimSchluessel() = default;
    std::array<uint8_t, 8> nummer_{};
    std::array<uint8_t, 64> geheim_{};
};

// The id of a key number, as minisign shows it.
QString SchluesselId(const std::array<uint8_t, 8>& nummer);

// The password of an encrypted key for a service that signs without anyone
// at a keyboard: the first line of `datei` when given, otherwise the
// environment variable `umgebung`. nullopt, with `grund`, when neither
// gives one.
std::optional<QByteArray> PasswortHolen(const QString& datei, const char* umgebung,
                                        QString* grund = nullptr);

// A fetched pair, checked.
struct SchnappschussPruefung {
    enum class Ergebnis {
        Gut,
        // Payload and signature are of two different publications: one was
        // fetched while the broadcaster published. Fetch both again soon.
        Unterwegs,
        Abgelehnt,
    };
    Ergebnis ergebnis = Ergebnis::Abgelehnt;
    std::optional<Schnappschuss> schnappschuss; // with Gut
    QString grund;                              // otherwise
};

// Checks that `signatur` (a ".minisig" file) signs `nutzlast` with
// `schluessel` (the base64 line or a ".pub" file), that the trusted comment
// is this program's and names the same header as the snapshot, and reads
// the snapshot. Whether to show it is SchnappschussAnnehmen's question.
SchnappschussPruefung SchnappschussPruefen(const QByteArray& nutzlast, const QByteArray& signatur,
                                           const QByteArray& schluessel);

} // namespace pinwick
