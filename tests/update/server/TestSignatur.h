#pragma once
// Signing keys made for a test run (libsodium), written in minisign's
// formats, and a release on the test server signed with one of them.

#include "FtpTestServer.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

namespace pinwick::test {

class TestSchluessel {
public:
    TestSchluessel(); // a fresh key pair with a random key number

    // The public key's base64 line, as the build takes it.
    QByteArray Oeffentlich() const;
    // A ".minisig" file for `nachricht`: prehashed ("ED") or the older form
    // ("Ed").
    QByteArray Signieren(const QByteArray& nachricht, bool vorgehasht = true,
                         const QByteArray& kommentar = "timestamp:1700000000") const;

private:
    std::array<uint8_t, 8> nummer_{};
    std::array<uint8_t, 32> oeffentlich_{};
    std::array<uint8_t, 64> geheim_{};
};

// The key the installer tests trust.
const TestSchluessel& StandardSchluessel();

// Makes what the server offers a signed release: "serverversion.txt" (with
// `version` unless one is there), "updsums.txt" with the sums of the list,
// the version file and every listed file the server holds, and
// "updsums.txt.minisig".
void ReleaseSignieren(FtpTestServer& server, int version = 302,
                      const TestSchluessel& schluessel = StandardSchluessel());

// "updsums.txt" as sha256sum writes it, for the given names and contents.
QByteArray SummenZeile(const QString& name, const QByteArray& inhalt);

} // namespace pinwick::test
