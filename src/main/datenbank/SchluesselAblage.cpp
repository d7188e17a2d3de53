// The kept keys.
//
// The library turns a password into the file's key with PBKDF2 over the
// file's salt: HMAC-SHA1, 64000 rounds, 32 bytes of key, 16 bytes of salt
// at the head of the file, tens of milliseconds of processor time. The same
// derivation is done here once per salt; the key is then handed over in the
// library's raw form x'<64 hex digits>', with which the library takes the
// salt from the file and derives only its short page-check key (two rounds).
// Keys that opened a file are kept for the life of the process, by salt and
// password: a receiver reopens its broadcaster's file at every change.

#include "DatenbankIntern.h"

#include <openssl/evp.h>

#include <mutex>
#include <utility>

namespace pinwick::schluesselablage {

namespace {

constexpr int SalzLaenge = 16;
constexpr int SchluesselLaenge = 32;
constexpr int Runden = 64000;
// A receiver meets one salt per replacement of its broadcaster's file; a few
// kept keys are plenty, and a bound keeps a long run from collecting them.
constexpr size_t AblageGroesse = 16;

// The one state of the store that belongs to the process rather than to a
// connection. The program opens its files on the user-interface thread only,
// so the lock is never contended there; it keeps a store opened on another
// thread (one connection per thread, as the library allows) from tearing the
// list or the counters.
struct Ablage {
    std::mutex sperre;
    bool an = true;
    // (salt followed by the password, key), the most recently used last.
    std::vector<std::pair<QByteArray, QByteArray>> eintraege;
    Zahlen zahlen;
};

Ablage& ablage() {
    static Ablage a;
    return a;
}

QByteArray kennung(const QByteArray& salz, const QByteArray& passwort) {
    return salz + passwort;
}

} // namespace

bool An() {
    Ablage& a = ablage();
    std::lock_guard<std::mutex> l(a.sperre);
    return a.an;
}

QByteArray Holen(const QByteArray& salz, const QByteArray& passwort) {
    Ablage& a = ablage();
    std::lock_guard<std::mutex> l(a.sperre);
    const QByteArray k = kennung(salz, passwort);
    for (auto it = a.eintraege.begin(); it != a.eintraege.end(); ++it) {
        if (it->first == k) {
            auto eintrag = std::move(*it);
            a.eintraege.erase(it);
            a.eintraege.push_back(std::move(eintrag));
            return a.eintraege.back().second;
        }
    }
    return {};
}

void Merken(const QByteArray& salz, const QByteArray& passwort, const QByteArray& schluessel) {
    Ablage& a = ablage();
    std::lock_guard<std::mutex> l(a.sperre);
    const QByteArray k = kennung(salz, passwort);
    std::erase_if(a.eintraege, [&](const auto& e) { return e.first == k; });
    if (a.eintraege.size() >= AblageGroesse)
        a.eintraege.erase(a.eintraege.begin());
    a.eintraege.emplace_back(k, schluessel);
}

void Getroffen() {
    Ablage& a = ablage();
    std::lock_guard<std::mutex> l(a.sperre);
    ++a.zahlen.treffer;
}

void Verwerfen(const QByteArray& salz, const QByteArray& passwort) {
    Ablage& a = ablage();
    std::lock_guard<std::mutex> l(a.sperre);
    const QByteArray k = kennung(salz, passwort);
    std::erase_if(a.eintraege, [&](const auto& e) { return e.first == k; });
    ++a.zahlen.verworfen;
}

Zahlen Stand() {
    Ablage& a = ablage();
    std::lock_guard<std::mutex> l(a.sperre);
    return a.zahlen;
}

void AllesVergessen() {
    Ablage& a = ablage();
    std::lock_guard<std::mutex> l(a.sperre);
    a.eintraege.clear();
}

void Behalten(bool an) {
    Ablage& a = ablage();
    std::lock_guard<std::mutex> l(a.sperre);
    a.an = an;
    if (!an)
        a.eintraege.clear();
}

// A file that is empty or only now being made has no salt yet. Read through
// the library's own file layer: on this platform closing any other handle on
// the file would drop the locks that this process's connections hold there.
QByteArray SalzLesen(const QByteArray& datei) {
    sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    if (!vfs)
        return {};
    std::vector<char> speicher(static_cast<size_t>(vfs->szOsFile));
    auto* datei_ = reinterpret_cast<sqlite3_file*>(speicher.data());
    int aus = 0;
    if (vfs->xOpen(vfs, datei.constData(), datei_, SQLITE_OPEN_READONLY | SQLITE_OPEN_MAIN_DB,
                   &aus) != SQLITE_OK) {
        // A failed open leaves nothing to close.
        return {};
    }
    QByteArray salz(SalzLaenge, '\0');
    const int rc = datei_->pMethods->xRead(datei_, salz.data(), SalzLaenge, 0);
    datei_->pMethods->xClose(datei_);
    return rc == SQLITE_OK ? salz : QByteArray();
}

QByteArray Ableiten(const QByteArray& passwort, const QByteArray& salz) {
    QByteArray schluessel(SchluesselLaenge, '\0');
    if (PKCS5_PBKDF2_HMAC(passwort.constData(), static_cast<int>(passwort.size()),
                          reinterpret_cast<const unsigned char*>(salz.constData()),
                          static_cast<int>(salz.size()), Runden, EVP_sha1(), SchluesselLaenge,
                          reinterpret_cast<unsigned char*>(schluessel.data())) != 1)
        return {};
    Ablage& a = ablage();
    std::lock_guard<std::mutex> l(a.sperre);
    ++a.zahlen.ableitungen;
    return schluessel;
}

QByteArray RohSchluessel(const QByteArray& schluessel) {
    return "x'" + schluessel.toHex() + "'";
}

} // namespace pinwick::schluesselablage
