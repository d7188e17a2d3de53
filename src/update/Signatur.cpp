#include "Signatur.h"

#include <QFile>
#include <QList>
#include <QSet>
#include <cstring>
#include <sodium.h>

namespace pinwick {

namespace {

// Base64 (standard alphabet, with padding) of exactly `laenge` bytes;
// anything else, stray characters included, is refused.
std::optional<QByteArray> Base64(const QByteArray& text, size_t laenge) {
    if (!SodiumBereit() || text.isEmpty())
        return std::nullopt;
    QByteArray bytes(static_cast<qsizetype>(laenge) + 3, '\0');
    size_t gelesen = 0;
    const char* ende = nullptr;
    if (sodium_base642bin(reinterpret_cast<unsigned char*>(bytes.data()),
                          static_cast<size_t>(bytes.size()), text.constData(),
                          static_cast<size_t>(text.size()), nullptr, &gelesen, &ende,
                          sodium_base64_VARIANT_ORIGINAL) != 0)
        return std::nullopt;
    if (ende != text.constData() + text.size() || gelesen != laenge)
        return std::nullopt;
    bytes.truncate(static_cast<qsizetype>(laenge));
    return bytes;
}

// Lines cut at LF, each without a trailing CR.
QList<QByteArray> Zeilen(const QByteArray& text) {
    QList<QByteArray> zeilen = text.split('\n');
    for (QByteArray& z : zeilen) {
        if (z.endsWith('\r'))
            z.chop(1);
    }
    // The line break after the last line makes no line of its own.
    if (!zeilen.isEmpty() && zeilen.last().isEmpty())
        zeilen.removeLast();
    return zeilen;
}

template <size_t N> void Kopieren(std::array<uint8_t, N>& ziel, const QByteArray& quelle) {
    std::memcpy(ziel.data(), quelle.constData(), N);
}

bool HexZiffer(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

const QByteArray Unvertraut = "untrusted comment: ";
const QByteArray Vertraut = "trusted comment: ";

} // namespace

bool SodiumBereit() {
    static const bool bereit = sodium_init() >= 0;
    return bereit;
}

std::optional<SignaturSchluessel> SchluesselLesen(const QByteArray& text, QString* grund) {
    QByteArray zeile;
    for (const QByteArray& z : Zeilen(text)) {
        const QByteArray t = z.trimmed();
        if (t.isEmpty() || t.startsWith(Unvertraut))
            continue;
        if (!zeile.isEmpty())
            return Nein<SignaturSchluessel>(grund, QStringLiteral("more than one key line"));
        zeile = t;
    }
    if (zeile.isEmpty())
        return Nein<SignaturSchluessel>(grund, QStringLiteral("no key"));
    const std::optional<QByteArray> bytes = Base64(zeile, 2 + 8 + 32);
    if (!bytes || !bytes->startsWith("Ed"))
        return Nein<SignaturSchluessel>(grund, QStringLiteral("not a minisign public key"));
    SignaturSchluessel s;
    Kopieren(s.nummer, bytes->mid(2, 8));
    Kopieren(s.schluessel, bytes->mid(10, 32));
    return s;
}

std::optional<SignaturDatei> SignaturLesen(const QByteArray& text, QString* grund) {
    if (text.size() > SignaturHoechstens)
        return Nein<SignaturDatei>(grund, QStringLiteral("longer than %1 bytes").arg(SignaturHoechstens));
    const QList<QByteArray> zeilen = Zeilen(text);
    if (zeilen.size() != 4)
        return Nein<SignaturDatei>(grund, QStringLiteral("not four lines"));
    if (!zeilen[0].startsWith(Unvertraut))
        return Nein<SignaturDatei>(grund, QStringLiteral("no untrusted comment"));
    const std::optional<QByteArray> sig = Base64(zeilen[1], 2 + 8 + 64);
    if (!sig)
        return Nein<SignaturDatei>(grund, QStringLiteral("no signature line"));
    SignaturDatei d;
    if (sig->startsWith("ED"))
        d.vorgehasht = true;
    else if (!sig->startsWith("Ed"))
        return Nein<SignaturDatei>(grund, QStringLiteral("unknown signature algorithm"));
    Kopieren(d.nummer, sig->mid(2, 8));
    Kopieren(d.signatur, sig->mid(10, 64));
    if (!zeilen[2].startsWith(Vertraut))
        return Nein<SignaturDatei>(grund, QStringLiteral("no trusted comment"));
    d.kommentar = zeilen[2].mid(Vertraut.size());
    const std::optional<QByteArray> global = Base64(zeilen[3], 64);
    if (!global)
        return Nein<SignaturDatei>(grund, QStringLiteral("no global signature line"));
    Kopieren(d.globaleSignatur, *global);
    return d;
}

QString SignaturPruefen(const QByteArray& nachricht, const QByteArray& signatur,
                        const QByteArray& schluessel) {
    if (!SodiumBereit())
        return QStringLiteral("libsodium cannot be started");
    QString grund;
    const std::optional<SignaturSchluessel> s = SchluesselLesen(schluessel, &grund);
    if (!s)
        return QStringLiteral("no key: ") + grund;
    const std::optional<SignaturDatei> d = SignaturLesen(signatur, &grund);
    if (!d)
        return QStringLiteral("malformed: ") + grund;
    if (d->nummer != s->nummer)
        return QStringLiteral("signed by another key");

    const auto* nachrichtBytes = reinterpret_cast<const unsigned char*>(nachricht.constData());
    const auto laenge = static_cast<unsigned long long>(nachricht.size());
    bool gut;
    if (d->vorgehasht) {
        unsigned char hash[crypto_generichash_BYTES_MAX];
        crypto_generichash(hash, sizeof hash, nachrichtBytes, laenge, nullptr, 0);
        gut = crypto_sign_verify_detached(d->signatur.data(), hash, sizeof hash,
                                          s->schluessel.data()) == 0;
    } else {
        gut = crypto_sign_verify_detached(d->signatur.data(), nachrichtBytes, laenge,
                                          s->schluessel.data()) == 0;
    }
    if (!gut)
        return QStringLiteral("signature does not match");
    // The trusted comment is signed together with the signature, so that
    // nobody can change it without the key.
    QByteArray global(reinterpret_cast<const char*>(d->signatur.data()), 64);
    global += d->kommentar;
    if (crypto_sign_verify_detached(d->globaleSignatur.data(),
                                    reinterpret_cast<const unsigned char*>(global.constData()),
                                    static_cast<unsigned long long>(global.size()),
                                    s->schluessel.data()) != 0)
        return QStringLiteral("trusted comment does not match");
    return {};
}

std::optional<QMap<QString, QByteArray>> SummenLesen(const QByteArray& text, QString* grund) {
    using Summen = QMap<QString, QByteArray>;
    if (text.size() > SummenHoechstens)
        return Nein<Summen>(grund, QStringLiteral("longer than %1 bytes").arg(SummenHoechstens));
    Summen summen;
    QSet<QString> klein;
    int nummer = 0;
    for (const QByteArray& zeile : Zeilen(text)) {
        ++nummer;
        const auto falsch = [&](const char* warum) {
            return Nein<Summen>(grund, QStringLiteral("line %1: %2").arg(nummer).arg(
                                           QLatin1String(warum)));
        };
        // sha256sum starts a line with "\" when the name needed escaping; no
        // name of ours does.
        if (zeile.size() < 64 + 2 + 1)
            return falsch("not a hash and a name");
        for (int i = 0; i < 64; ++i) {
            if (!HexZiffer(zeile[i]))
                return falsch("not a hash and a name");
        }
        if (zeile[64] != ' ' || (zeile[65] != ' ' && zeile[65] != '*'))
            return falsch("not a hash and a name");
        const QByteArray nameBytes = zeile.mid(66);
        const QString name = QString::fromUtf8(nameBytes);
        if (name.contains(QChar::ReplacementCharacter) || nameBytes.size() > 255)
            return falsch("the name is no file name");
        for (const QChar c : name) {
            if (c == u'/' || c == u'\\' || c == u':' || c.unicode() < 0x20 || c.unicode() == 0x7F)
                return falsch("the name is no file name");
        }
        if (name == QLatin1String(".") || name.contains(QLatin1String("..")))
            return falsch("the name is no file name");
        // Names that differ in case alone would be one file on some systems.
        if (klein.contains(name.toLower()))
            return falsch("a name listed twice");
        klein.insert(name.toLower());
        summen.insert(name, QByteArray::fromHex(zeile.left(64)));
    }
    if (summen.isEmpty())
        return Nein<Summen>(grund, QStringLiteral("no line"));
    return summen;
}

QByteArray Sha256(const QByteArray& daten) {
    if (!SodiumBereit())
        return {};
    QByteArray hash(crypto_hash_sha256_BYTES, '\0');
    crypto_hash_sha256(reinterpret_cast<unsigned char*>(hash.data()),
                       reinterpret_cast<const unsigned char*>(daten.constData()),
                       static_cast<unsigned long long>(daten.size()));
    return hash;
}

QByteArray DateiSha256(const QString& pfad) {
    QFile datei(pfad);
    if (!SodiumBereit() || !datei.open(QIODevice::ReadOnly))
        return {};
    crypto_hash_sha256_state zustand;
    crypto_hash_sha256_init(&zustand);
    for (;;) {
        const QByteArray stueck = datei.read(256 * 1024);
        if (stueck.isEmpty())
            break;
        crypto_hash_sha256_update(&zustand, reinterpret_cast<const unsigned char*>(stueck.constData()),
                                  static_cast<unsigned long long>(stueck.size()));
    }
    if (datei.error() != QFileDevice::NoError || !datei.atEnd())
        return {};
    QByteArray hash(crypto_hash_sha256_BYTES, '\0');
    crypto_hash_sha256_final(&zustand, reinterpret_cast<unsigned char*>(hash.data()));
    return hash;
}

} // namespace pinwick
