#pragma once
// A receiver of the broadcast over HTTP(S): polls the broadcaster's signed
// snapshot, checks it, and hands on the one it accepts. Qt Core only and no
// widgets, so that one process can run thousands of them on one HttpAbruf
// (one libcurl multi handle, its connections shared).
//
// One poll: the payload with a conditional request (the validators of the
// last snapshot accepted), then its signature; the pair is checked and read
// on a worker thread (a large snapshot takes longer than a tick may) and the
// verdict comes back through the event loop. A pair fetched while the
// broadcaster published is fetched again after a second or two. The next
// poll follows after the interval (30 s, or the server's max-age within
// 10 s and 1 h, each with a random spread of a quarter either way), after
// Retry-After on 429 and 503, or after a wait that grows with every failure
// in a row.
//
// A snapshot is accepted only when its signature verifies with the
// configured key, its version is not below the last one accepted and it has
// not expired. The last accepted version is the caller's to keep across
// restarts (it comes with every accepted snapshot); the snapshot held is
// dropped when it expires.

#include "HttpAbruf.h"
#include "Schnappschuss.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace pinwick {

// The environment variable that shortens the poll interval (milliseconds),
// for tests that span several polls in seconds.
inline constexpr const char* EmpfangIntervallUmgebung = "PINWICK_BROADCAST_INTERVALL_MS";

// The receiver's state, in the words of the settings window.
struct EmpfangsZustand {
    enum class Art {
        Wartet,      // no poll has finished yet
        Angenommen,  // a new snapshot was accepted
        Unveraendert,// the server has nothing newer (304)
        Abgelehnt,   // a snapshot came but was refused (signature, age, expiry, format)
        Gedrosselt,  // 429 or 503: asked to come back later
        Http,        // another HTTP status
        Netz,        // no answer: cannot reach, too large, too slow, ...
        Abgelaufen,  // the snapshot held expired and was dropped
    };
    Art art = Art::Wartet;
    QString grund;        // empty with Wartet, Angenommen and Unveraendert
    int status = 0;       // the HTTP status, when the server answered
    QDateTime zeit;       // when this state came (UTC)
    bool haelt = false;   // whether a verified, unexpired snapshot is held
    uint64_t version = 0; // of the snapshot held (0: none)

    // One line for the settings window's message line.
    QString Text() const;
};

// How long to wait before the next poll, in milliseconds.
struct AbstandEingabe {
    int64_t grundMs = 30'000;               // the interval without max-age
    bool maxAlterBeachten = true;           // false when the interval is shortened for a test
    std::optional<int64_t> maxAlter;        // Cache-Control: max-age of the last answer (s)
    std::optional<int64_t> spaeterSekunden; // Retry-After of the last answer
    int fehlschlaege = 0;                   // failed polls in a row
    double zufall = 0;                      // -1 .. 1: the spread's share
};
int64_t AbrufAbstandMs(const AbstandEingabe& e);

// The payload's address for what the user entered: an address ending in
// ".json" as it is, any other as the folder that holds "broadcast.json".
QString SchnappschussAdresse(const QString& eingabe);
// Whether `eingabe` is an http:// or https:// address at all (the broadcast
// path is then no file).
bool IstWebAdresse(const QString& eingabe);

class SchnappschussEmpfang : public QObject {
    Q_OBJECT
public:
    explicit SchnappschussEmpfang(HttpAbruf& abruf, QObject* eltern = nullptr);
    ~SchnappschussEmpfang() override;

    // What to poll and with which key. `zuletztAngenommen`: the last version
    // this desk accepted (kept by the caller); a held snapshot is dropped.
    void Einrichten(const QString& adresse, const QByteArray& schluessel,
                    std::optional<uint64_t> zuletztAngenommen, const QString& caDatei = {});
    // Polls now and then on its own, until Anhalten.
    void Starten();
    void Anhalten();
    // One poll now (also while started: the next is then planned anew).
    void JetztAbrufen();

    std::shared_ptr<const Schnappschuss> Gehalten() const { return gehalten_; }
    const EmpfangsZustand& Zustand() const { return zustand_; }
    std::optional<uint64_t> ZuletztAngenommen() const { return zuletzt_; }
    // Milliseconds until the next poll as planned (-1: none planned).
    int64_t NaechsterAbrufMs() const;

    // For tests: the interval (otherwise from the environment variable or
    // 30 s), the limits of every request, the clock, and the spread.
    void Intervall(int64_t ms);
    void Anfragevorlage(const HttpAnfrage& vorlage) { vorlage_ = vorlage; }
    void Uhr(std::function<QDateTime()> uhr) { uhr_ = std::move(uhr); }
    void Zufall(std::function<double()> zufall) { zufall_ = std::move(zufall); }

signals:
    // A snapshot was accepted (its version is the one to keep), or the one
    // held was dropped (nullptr) because it expired or the receiver was set
    // up anew.
    void Geaendert(std::shared_ptr<const pinwick::Schnappschuss> schnappschuss);
    // After every poll and on expiry.
    void ZustandGeaendert(const pinwick::EmpfangsZustand& zustand);
    // Every poll that has finished, whatever came of it (tests count them).
    void AbrufFertig();

private:
    struct Pruefung;
    void abrufen();
    void nutzlastDa(const HttpAntwort& antwort);
    void signaturDa(const HttpAntwort& antwort);
    void geprueft(uint64_t generation, std::shared_ptr<Pruefung> pruefung);
    void abschliessen(EmpfangsZustand::Art art, const QString& grund, int status,
                      std::optional<int64_t> maxAlter, std::optional<int64_t> spaeter);
    void planen(int64_t ms);
    void ablaufPlanen();
    void abgelaufen();
    QDateTime jetzt() const;

    HttpAbruf& abruf_;
    QString adresse_;
    QByteArray schluessel_;
    QString caDatei_;
    std::optional<uint64_t> zuletzt_;
    std::shared_ptr<const Schnappschuss> gehalten_;
    EmpfangsZustand zustand_;
    HttpAnfrage vorlage_;

    // The validators of the accepted snapshot's payload.
    QByteArray etag_;
    QByteArray zuletztGeaendert_;

    // The poll under way.
    uint64_t laufend_ = 0;        // request number, 0: none
    uint64_t generation_ = 0;     // grows with Einrichten and Anhalten: late results are dropped
    bool prueftGerade_ = false;
    QByteArray nutzlast_;
    QByteArray nutzlastEtag_;
    QByteArray nutzlastGeaendert_;
    std::optional<int64_t> nutzlastMaxAlter_;
    int unterwegs_ = 0; // mixed pairs in a row

    bool laeuft_ = false;
    int fehlschlaege_ = 0;
    int64_t intervallMs_ = 30'000;
    bool intervallVerkuerzt_ = false;
    QTimer takt_;
    QTimer ablauf_;
    std::function<QDateTime()> uhr_;
    std::function<double()> zufall_;
};

} // namespace pinwick
