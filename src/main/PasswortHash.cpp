#include "PasswortHash.h"

#include <QRegularExpression>
#include <sodium.h>
#include <stdexcept>

namespace pinwick {

namespace {

bool sodiumBereit() {
    static const bool bereit = sodium_init() >= 0;
    return bereit;
}

// A broadcaster's file can be written by anyone who can write the share:
// the cost written into a hash is bounded before the hash is verified, so
// that a crafted one cannot make the prompt take gigabytes or minutes.
// The bounds leave room for libsodium's "moderate" limits.
constexpr qulonglong HoechsterSpeicherKiB = 256 * 1024;
constexpr qulonglong HoechsteDurchlaeufe = 10;

bool kostenVertretbar(const QString& hash) {
    static const QRegularExpression form(
        QStringLiteral("\\A\\$argon2id?\\$v=19\\$m=([0-9]{1,10}),t=([0-9]{1,10}),p=1\\$[A-Za-z0-9+/"
                       "]+\\$[A-Za-z0-9+/]+\\z"));
    const QRegularExpressionMatch treffer = form.match(hash);
    if (!treffer.hasMatch())
        return false;
    const qulonglong speicher = treffer.captured(1).toULongLong();
    const qulonglong durchlaeufe = treffer.captured(2).toULongLong();
    return speicher >= 8 && speicher <= HoechsterSpeicherKiB && durchlaeufe >= 1 &&
           durchlaeufe <= HoechsteDurchlaeufe;
}

} // namespace

bool IstPasswortHash(const QString& gespeichert) {
    return gespeichert.startsWith(QLatin1String("$argon2"));
}

QString PasswortHashen(const QString& passwort) {
    if (!sodiumBereit())
        throw std::runtime_error("libsodium cannot be initialised");
    const QByteArray klar = passwort.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(hash, klar.constData(), static_cast<unsigned long long>(klar.size()),
                              crypto_pwhash_OPSLIMIT_INTERACTIVE,
                              crypto_pwhash_MEMLIMIT_INTERACTIVE,
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw std::runtime_error("the password cannot be hashed (out of memory)");
    return QString::fromLatin1(hash);
}

bool PasswortPasst(const QString& eingabe, const QString& gespeichert) {
    if (!IstPasswortHash(gespeichert))
        return eingabe == gespeichert;
    if (!sodiumBereit() || gespeichert.size() >= int(crypto_pwhash_STRBYTES) ||
        !kostenVertretbar(gespeichert))
        return false;
    const QByteArray hash = gespeichert.toLatin1(); // ends in a null byte
    const QByteArray klar = eingabe.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), klar.constData(),
                                    static_cast<unsigned long long>(klar.size())) == 0;
}

QString PasswortFuerAblage(const QString& gespeichert) {
    if (gespeichert.isEmpty() || IstPasswortHash(gespeichert))
        return gespeichert;
    return PasswortHashen(gespeichert);
}

} // namespace pinwick
