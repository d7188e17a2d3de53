#include "SchnappschussSignatur.h"

#include "Signatur.h"

#include <QFile>
#include <QList>
#include <cstring>
#include <sodium.h>

namespace pinwick {

namespace {

QByteArray Base64(const uint8_t* daten, size_t laenge) {
    QByteArray text(static_cast<qsizetype>(
                        sodium_base64_ENCODED_LEN(laenge, sodium_base64_VARIANT_ORIGINAL)),
                    '\0');
    sodium_bin2base64(text.data(), static_cast<size_t>(text.size()), daten, laenge,
                      sodium_base64_VARIANT_ORIGINAL);
    text.truncate(static_cast<qsizetype>(std::strlen(text.constData())));
    return text;
}

// minisign's secret key, byte by byte (all of it base64 on the key line).
struct SchluesselBytes {
    uint8_t signaturArt[2];  // "Ed"
    uint8_t ableitungArt[2]; // "Sc" (scrypt) or two zeros (not encrypted)
    uint8_t pruefArt[2];     // "B2" (BLAKE2b)
    uint8_t salz[32];
    uint8_t operationen[8]; // little endian
    uint8_t speicher[8];    // little endian
    // From here on XORed with the scrypt stream when encrypted.
    uint8_t nummer[8];
    uint8_t geheim[64];
    uint8_t pruefsumme[32];
};
static_assert(sizeof(SchluesselBytes) == 158);
constexpr size_t VerschluesseltAb = offsetof(SchluesselBytes, nummer);
constexpr size_t VerschluesseltLaenge = sizeof(SchluesselBytes) - VerschluesseltAb;

uint64_t Le64(const uint8_t* b) {
    uint64_t z = 0;
    for (int i = 7; i >= 0; --i)
        z = (z << 8) | b[i];
    return z;
}

// What an encrypted key may ask of the derivation: minisign asks 1 GiB;
// a file asking far more is not one of its keys.
constexpr uint64_t SpeicherHoechstens = 4ULL * 1024 * 1024 * 1024;
constexpr uint64_t OperationenHoechstens = 1ULL << 34;

} // namespace

QString SchluesselId(const std::array<uint8_t, 8>& nummer) {
    return QStringLiteral("%1").arg(Le64(nummer.data()), 16, 16, QLatin1Char('0')).toUpper();
}

std::optional<GeheimSchluessel> GeheimSchluessel::Lesen(const QByteArray& datei,
                                                        const QByteArray& passwort,
                                                        QString* grund) {
    using R = GeheimSchluessel;
    if (!SodiumBereit())
        return Nein<R>(grund, QStringLiteral("libsodium cannot be started"));
    if (datei.size() > 4096)
        return Nein<R>(grund, QStringLiteral("not a minisign secret key"));
    QByteArray zeile;
    for (QByteArray z : datei.split('\n')) {
        z = z.trimmed();
        if (z.isEmpty() || z.startsWith("untrusted comment:"))
            continue;
        zeile = z;
        break;
    }
    SchluesselBytes b{};
    size_t gelesen = 0;
    const char* ende = nullptr;
    if (zeile.isEmpty() ||
        sodium_base642bin(reinterpret_cast<uint8_t*>(&b), sizeof b, zeile.constData(),
                          static_cast<size_t>(zeile.size()), nullptr, &gelesen, &ende,
                          sodium_base64_VARIANT_ORIGINAL) != 0 ||
        gelesen != sizeof b || ende != zeile.constData() + zeile.size() ||
        std::memcmp(b.signaturArt, "Ed", 2) != 0 || std::memcmp(b.pruefArt, "B2", 2) != 0) {
        sodium_memzero(&b, sizeof b);
        return Nein<R>(grund, QStringLiteral("not a minisign secret key"));
    }
    const bool verschluesselt = std::memcmp(b.ableitungArt, "Sc", 2) == 0;
    const uint8_t keine[2] = {0, 0};
    if (!verschluesselt && std::memcmp(b.ableitungArt, keine, 2) != 0) {
        sodium_memzero(&b, sizeof b);
        return Nein<R>(grund, QStringLiteral("the key is encrypted in a way not known here"));
    }
    if (verschluesselt) {
        if (passwort.isEmpty())
            return Nein<R>(grund, QStringLiteral("the key is encrypted: a password is needed"));
        const uint64_t operationen = Le64(b.operationen);
        const uint64_t speicher = Le64(b.speicher);
        if (operationen > OperationenHoechstens || speicher > SpeicherHoechstens)
            return Nein<R>(grund, QStringLiteral("the key asks too much of the password's derivation"));
        uint8_t strom[VerschluesseltLaenge];
        if (crypto_pwhash_scryptsalsa208sha256(strom, sizeof strom, passwort.constData(),
                                               static_cast<unsigned long long>(passwort.size()),
                                               b.salz, operationen,
                                               static_cast<size_t>(speicher)) != 0) {
            sodium_memzero(&b, sizeof b);
            return Nein<R>(grund, QStringLiteral("not enough memory to derive the key's password"));
        }
        auto* verschluesselteBytes = reinterpret_cast<uint8_t*>(&b) + VerschluesseltAb;
        for (size_t i = 0; i < sizeof strom; ++i)
            verschluesselteBytes[i] ^= strom[i];
        sodium_memzero(strom, sizeof strom);
    }
    // The checksum tells a wrong password; minisign leaves it empty in a key
    // it does not encrypt.
    uint8_t summe[32];
    crypto_generichash_state zustand;
    crypto_generichash_init(&zustand, nullptr, 0, sizeof summe);
    crypto_generichash_update(&zustand, b.signaturArt, sizeof b.signaturArt);
    crypto_generichash_update(&zustand, b.nummer, sizeof b.nummer);
    crypto_generichash_update(&zustand, b.geheim, sizeof b.geheim);
    crypto_generichash_final(&zustand, summe, sizeof summe);
    const bool summeLeer = sodium_is_zero(b.pruefsumme, sizeof b.pruefsumme);
    const bool summeGut = sodium_memcmp(summe, b.pruefsumme, sizeof summe) == 0;
    // And the public half must be the one the seed makes.
    uint8_t oeffentlich[crypto_sign_PUBLICKEYBYTES];
    uint8_t geheim[crypto_sign_SECRETKEYBYTES];
    crypto_sign_seed_keypair(oeffentlich, geheim, b.geheim);
    const bool paarGut = sodium_memcmp(oeffentlich, b.geheim + 32, sizeof oeffentlich) == 0;
    sodium_memzero(geheim, sizeof geheim);
    if (!(summeGut || (!verschluesselt && summeLeer)) || !paarGut) {
        sodium_memzero(&b, sizeof b);
        return Nein<R>(grund, verschluesselt ? QStringLiteral("wrong password for the key")
                                             : QStringLiteral("the secret key is damaged"));
    }
    GeheimSchluessel s;
    std::memcpy(s.nummer_.data(), b.nummer, sizeof b.nummer);
    std::memcpy(s.geheim_.data(), b.geheim, sizeof b.geheim);
    sodium_memzero(&b, sizeof b);
    return s;
}

GeheimSchluessel::GeheimSchluessel(const GeheimSchluessel&) = default;
GeheimSchluessel& GeheimSchluessel::operator=(const GeheimSchluessel&) = default;

GeheimSchluessel::~GeheimSchluessel() {
    sodium_memzero(geheim_.data(), geheim_.size());
}

QString GeheimSchluessel::Id() const {
    return SchluesselId(nummer_);
}

QByteArray GeheimSchluessel::Oeffentlich() const {
    uint8_t b[2 + 8 + 32];
    std::memcpy(b, "Ed", 2);
    std::memcpy(b + 2, nummer_.data(), 8);
    std::memcpy(b + 10, geheim_.data() + 32, 32);
    return Base64(b, sizeof b);
}

QByteArray GeheimSchluessel::Signieren(const QByteArray& nachricht, const QByteArray& vertraut,
                                       bool vorgehasht) const {
    if (!SodiumBereit())
        return {};
    // One line: a line break would end the comment early for every reader.
    QByteArray kommentar = vertraut;
    kommentar.replace('\r', ' ').replace('\n', ' ');

    uint8_t zeile[2 + 8 + crypto_sign_BYTES];
    std::memcpy(zeile, vorgehasht ? "ED" : "Ed", 2);
    std::memcpy(zeile + 2, nummer_.data(), 8);
    uint8_t* signatur = zeile + 10;
    const auto* bytes = reinterpret_cast<const uint8_t*>(nachricht.constData());
    if (vorgehasht) {
        uint8_t hash[crypto_generichash_BYTES_MAX];
        crypto_generichash(hash, sizeof hash, bytes, static_cast<unsigned long long>(nachricht.size()),
                           nullptr, 0);
        crypto_sign_detached(signatur, nullptr, hash, sizeof hash, geheim_.data());
    } else {
        crypto_sign_detached(signatur, nullptr, bytes,
                             static_cast<unsigned long long>(nachricht.size()), geheim_.data());
    }
    // The global signature covers the signature and the trusted comment.
    QByteArray global(reinterpret_cast<const char*>(signatur), crypto_sign_BYTES);
    global += kommentar;
    uint8_t globaleSignatur[crypto_sign_BYTES];
    crypto_sign_detached(globaleSignatur, nullptr,
                         reinterpret_cast<const uint8_t*>(global.constData()),
                         static_cast<unsigned long long>(global.size()), geheim_.data());
    return "untrusted comment: signature of a pinwick broadcast, key " + Id().toLatin1() + '\n' +
           Base64(zeile, sizeof zeile) + '\n' + "trusted comment: " + kommentar + '\n' +
           Base64(globaleSignatur, sizeof globaleSignatur) + '\n';
}

std::optional<QByteArray> PasswortHolen(const QString& datei, const char* umgebung,
                                        QString* grund) {
    if (!datei.isEmpty()) {
        QFile f(datei);
        if (!f.open(QIODevice::ReadOnly))
            return Nein<QByteArray>(grund, QStringLiteral("cannot read the password file %1: %2")
                                               .arg(datei, f.errorString()));
        QByteArray zeile = f.readLine(4096);
        while (zeile.endsWith('\n') || zeile.endsWith('\r'))
            zeile.chop(1);
        if (zeile.isEmpty())
            return Nein<QByteArray>(grund, QStringLiteral("the password file %1 is empty").arg(datei));
        return zeile;
    }
    if (umgebung && qEnvironmentVariableIsSet(umgebung) && !qgetenv(umgebung).isEmpty())
        return qgetenv(umgebung);
    return Nein<QByteArray>(grund, QStringLiteral("no password: neither a file nor %1 is given")
                                       .arg(QLatin1String(umgebung ? umgebung : "")));
}

SchnappschussPruefung SchnappschussPruefen(const QByteArray& nutzlast, const QByteArray& signatur,
                                           const QByteArray& schluessel) {
    using E = SchnappschussPruefung::Ergebnis;
    SchnappschussPruefung p;
    const auto ablehnen = [&](const QString& grund) {
        p.ergebnis = E::Abgelehnt;
        p.grund = grund;
        return p;
    };
    if (!SodiumBereit())
        return ablehnen(QStringLiteral("libsodium cannot be started"));
    QString grund;
    const std::optional<SignaturSchluessel> s = SchluesselLesen(schluessel, &grund);
    if (!s)
        return ablehnen(QStringLiteral("the broadcaster's key is not valid: ") + grund);
    const std::optional<SignaturDatei> d = SignaturLesen(signatur, &grund);
    if (!d)
        return ablehnen(QStringLiteral("the signature is malformed: ") + grund);
    const QString nichtPassend = QStringLiteral("signature does not match the key");
    if (d->nummer != s->nummer)
        return ablehnen(nichtPassend + QStringLiteral(" (signed with key %1, expected %2)")
                                           .arg(SchluesselId(d->nummer), SchluesselId(s->nummer)));
    // First the trusted comment: it is signed together with the signature,
    // without the payload, and tells which publication the signature is of.
    QByteArray global(reinterpret_cast<const char*>(d->signatur.data()), crypto_sign_BYTES);
    global += d->kommentar;
    if (crypto_sign_verify_detached(d->globaleSignatur.data(),
                                    reinterpret_cast<const uint8_t*>(global.constData()),
                                    static_cast<unsigned long long>(global.size()),
                                    s->schluessel.data()) != 0)
        return ablehnen(nichtPassend + QStringLiteral(" (trusted comment)"));
    const std::optional<SchnappschussKopf> kopf = KommentarLesen(d->kommentar, &grund);
    if (!kopf)
        return ablehnen(QStringLiteral("the signature is not a snapshot's: ") + grund);
    if (kopf->schluessel != SchluesselId(s->nummer))
        return ablehnen(nichtPassend + QStringLiteral(" (the comment names key %1)")
                                           .arg(kopf->schluessel));

    if (nutzlast.size() > SchnappschussHoechstens)
        return ablehnen(QStringLiteral("the snapshot is larger than %1 bytes")
                            .arg(SchnappschussHoechstens));
    const auto* bytes = reinterpret_cast<const uint8_t*>(nutzlast.constData());
    const auto laenge = static_cast<unsigned long long>(nutzlast.size());
    bool gut;
    if (d->vorgehasht) {
        uint8_t hash[crypto_generichash_BYTES_MAX];
        crypto_generichash(hash, sizeof hash, bytes, laenge, nullptr, 0);
        gut = crypto_sign_verify_detached(d->signatur.data(), hash, sizeof hash,
                                          s->schluessel.data()) == 0;
    } else {
        gut = crypto_sign_verify_detached(d->signatur.data(), bytes, laenge,
                                          s->schluessel.data()) == 0;
    }
    std::optional<Schnappschuss> schnappschuss = SchnappschussLesen(nutzlast, &grund);
    if (!gut) {
        // A payload of another publication than the signature's (fetched
        // while the broadcaster replaced both) is no attack: it says
        // another version. Only whether to fetch again depends on it.
        if (schnappschuss && schnappschuss->kopf.version != kopf->version &&
            schnappschuss->kopf.schluessel == kopf->schluessel) {
            p.ergebnis = E::Unterwegs;
            p.grund = QStringLiteral("the snapshot (version %1) and its signature (version %2) are "
                                     "of two publications")
                          .arg(schnappschuss->kopf.version)
                          .arg(kopf->version);
            return p;
        }
        return ablehnen(nichtPassend);
    }
    if (!schnappschuss)
        return ablehnen(QStringLiteral("the snapshot is malformed: ") + grund);
    if (!(schnappschuss->kopf == *kopf))
        return ablehnen(QStringLiteral("the signature's comment does not match the snapshot"));
    p.ergebnis = E::Gut;
    p.schnappschuss = std::move(schnappschuss);
    return p;
}

} // namespace pinwick
