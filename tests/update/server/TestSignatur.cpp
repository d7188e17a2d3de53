#include "TestSignatur.h"

#include <QCryptographicHash>
#include <QStringList>
#include <cstring>
#include <sodium.h>

namespace pinwick::test {

namespace {

QByteArray Base64(const QByteArray& bytes) {
    return bytes.toBase64();
}

QByteArray Bytes(const uint8_t* daten, size_t laenge) {
    return QByteArray(reinterpret_cast<const char*>(daten), static_cast<qsizetype>(laenge));
}

} // namespace

TestSchluessel::TestSchluessel() {
    if (sodium_init() < 0)
        std::abort();
    crypto_sign_keypair(oeffentlich_.data(), geheim_.data());
    randombytes_buf(nummer_.data(), nummer_.size());
}

QByteArray TestSchluessel::Oeffentlich() const {
    return Base64("Ed" + Bytes(nummer_.data(), 8) + Bytes(oeffentlich_.data(), 32));
}

QByteArray TestSchluessel::Signieren(const QByteArray& nachricht, bool vorgehasht,
                                     const QByteArray& kommentar) const {
    QByteArray zuSignieren = nachricht;
    if (vorgehasht) {
        unsigned char hash[crypto_generichash_BYTES_MAX];
        crypto_generichash(hash, sizeof hash,
                           reinterpret_cast<const unsigned char*>(nachricht.constData()),
                           static_cast<unsigned long long>(nachricht.size()), nullptr, 0);
        zuSignieren = Bytes(hash, sizeof hash);
    }
    unsigned char sig[crypto_sign_BYTES];
    crypto_sign_detached(sig, nullptr,
                         reinterpret_cast<const unsigned char*>(zuSignieren.constData()),
                         static_cast<unsigned long long>(zuSignieren.size()), geheim_.data());
    const QByteArray global = Bytes(sig, sizeof sig) + kommentar;
    unsigned char globalSig[crypto_sign_BYTES];
    crypto_sign_detached(globalSig, nullptr,
                         reinterpret_cast<const unsigned char*>(global.constData()),
                         static_cast<unsigned long long>(global.size()), geheim_.data());
    QByteArray text = "untrusted comment: signature from a test key\n";
    text += Base64((vorgehasht ? QByteArray("ED") : QByteArray("Ed")) + Bytes(nummer_.data(), 8) +
                   Bytes(sig, sizeof sig)) +
            '\n';
    text += "trusted comment: " + kommentar + '\n';
    text += Base64(Bytes(globalSig, sizeof globalSig)) + '\n';
    return text;
}

const TestSchluessel& StandardSchluessel() {
    static const TestSchluessel schluessel;
    return schluessel;
}

QByteArray SummenZeile(const QString& name, const QByteArray& inhalt) {
    return QCryptographicHash::hash(inhalt, QCryptographicHash::Sha256).toHex() + "  " +
           name.toUtf8() + '\n';
}

void ReleaseSignieren(FtpTestServer& server, int version, const TestSchluessel& schluessel) {
    const QString versionsDatei = QStringLiteral("serverversion.txt");
    if (!server.Da(versionsDatei))
        server.Ablegen(versionsDatei, QByteArray::number(version) + "\r\n");
    QStringList namen{QStringLiteral("updlist.txt"), versionsDatei};
    const QByteArray liste = server.Lesen(QStringLiteral("updlist.txt"));
    for (const QByteArray& zeile : liste.split('\n')) {
        for (const QByteArray& teil : zeile.split('\r')) {
            const QString name = QString::fromUtf8(teil);
            if (!name.isEmpty() && !namen.contains(name) && server.Da(name))
                namen << name;
        }
    }
    QByteArray summen;
    for (const QString& name : namen) {
        if (server.Da(name))
            summen += SummenZeile(name, server.Lesen(name));
    }
    server.Ablegen(QStringLiteral("updsums.txt"), summen);
    server.Ablegen(QStringLiteral("updsums.txt.minisig"), schluessel.Signieren(summen));
}

} // namespace pinwick::test
