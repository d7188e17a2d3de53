#pragma once
// What makes a release genuine. The update server holds, beside the file
// list, "updsums.txt" (the SHA-256 of every file of the release, as
// sha256sum writes it) and "updsums.txt.minisig" (a minisign signature of
// that file). The installer believes a file only when its hash is in a sums
// file signed by the key this build trusts.
//
// The cryptography is libsodium's (Ed25519, BLAKE2b, SHA-256); only the
// reading of the two text formats is ours, and it refuses anything it does
// not understand rather than guessing.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace pinwick {

// A minisign public key: the key number that signatures name, and the
// Ed25519 key itself.
struct SignaturSchluessel {
    std::array<uint8_t, 8> nummer{};
    std::array<uint8_t, 32> schluessel{};
};

// A minisign signature file, taken apart.
struct SignaturDatei {
    // "ED": the signature is over the BLAKE2b-512 hash of the file (minisign's
    // default since 0.11); "Ed": over the file itself (the older form).
    bool vorgehasht = false;
    std::array<uint8_t, 8> nummer{};
    std::array<uint8_t, 64> signatur{};
    // The text after "trusted comment: ", covered by the global signature.
    QByteArray kommentar;
    std::array<uint8_t, 64> globaleSignatur{};
};

// Limits on what the server sends.
inline constexpr int64_t SignaturHoechstens = 4096;     // bytes of a .minisig file
inline constexpr int64_t SummenHoechstens = 128 * 1024; // bytes of "updsums.txt"

// A public key: the base64 line alone, or a whole ".pub" file (its comment
// line is skipped). nullopt, with `grund`, when it is none.
std::optional<SignaturSchluessel> SchluesselLesen(const QByteArray& text, QString* grund = nullptr);

// A ".minisig" file: four lines (untrusted comment, signature, trusted
// comment, global signature). nullopt, with `grund`, when it is none.
std::optional<SignaturDatei> SignaturLesen(const QByteArray& text, QString* grund = nullptr);

// Checks that `signatur` (a ".minisig" file) signs `nachricht` with
// `schluessel` (as SchluesselLesen takes it). Empty when it does; otherwise
// why not: "no key", "malformed", "signed by another key" or "does not match".
QString SignaturPruefen(const QByteArray& nachricht, const QByteArray& signatur,
                        const QByteArray& schluessel);

// "updsums.txt": lines of 64 hex digits, two blanks (or a blank and "*", as
// sha256sum writes for binary mode) and a file name; LF or CR LF. Every name
// must be one a listed file may have, and appear once. Name -> 32-byte hash;
// nullopt, with `grund`, otherwise.
std::optional<QMap<QString, QByteArray>> SummenLesen(const QByteArray& text,
                                                     QString* grund = nullptr);

// SHA-256 of a file, read in pieces; empty when it cannot be read whole.
QByteArray DateiSha256(const QString& pfad);
QByteArray Sha256(const QByteArray& daten);

// libsodium, set up once (thread-safe, cheap after the first call); false
// when it cannot be used, and nothing may be signed or checked.
bool SodiumBereit();

// A refusal with its reason, for the readers above and their kin.
template <typename T> std::optional<T> Nein(QString* grund, const QString& warum) {
    if (grund)
        *grund = warum;
    return std::nullopt;
}

} // namespace pinwick
