#pragma once
// The bar as a receiver of the broadcast over the web. While the broadcast
// path is an http(s) address, a SchnappschussEmpfang polls it, and every
// snapshot it accepts is written as a notes database in the working folder
// (WebKopieDatei): the rebuilds read that copy through the same recordsets
// as a share's file, so nothing in a tick waits for the network. The copy
// is removed when its snapshot expires or the receiver is set up anew; the
// bar then finds no broadcaster's file and tells the outage as it does for a
// share (its notice, and a new try every minute).
//
// What the desk keeps across restarts, beside the copy
// (WebStandName): the address and key it was received with, its version
// (never accept an older one) and its expiry (never show it past that).

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>

namespace pinwick {

// Only declared: the bar's program includes this beside headers whose
// names would clash with the snapshot's.
class Programm;
class HttpAbruf;
class SchnappschussEmpfang;
struct Schnappschuss;
struct EmpfangsZustand;

inline constexpr const char* WebStandName = "broadcast-web.stand";

// Writes `s` as a notes database at `ziel`: beside it first, then renamed
// over it. Throws DatenFehler.
void SchnappschussAlsDatei(const Schnappschuss& s, const QString& ziel);

// The desk's record of what it received.
struct WebStand {
    QString adresse;
    QString schluessel; // the key's base64 line
    uint64_t version = 0;
    QDateTime ablauf;
};
QByteArray WebStandSchreiben(const WebStand& stand);
std::optional<WebStand> WebStandLesen(const QByteArray& daten);

// The CA file for the web server's certificate instead of the system's
// store (PEM), from the environment; empty: the system's.
inline constexpr const char* CaDateiUmgebung = "PINWICK_BROADCAST_CA";

// The system-wide setting of a fleet: "/etc/pinwick/broadcast.conf" (or the
// file the environment variable names), lines "address = URL" and
// "key = KEY" ("#" begins a comment). Taken only from a file that
// `besitzer` owns and nobody else may write: whoever could write it could
// make every desk trust their notes.
inline constexpr const char* BroadcastKonfPfad = "/etc/pinwick/broadcast.conf";
inline constexpr const char* BroadcastKonfUmgebung = "PINWICK_BROADCAST_CONF";
struct BroadcastKonf {
    QString adresse;
    QByteArray schluessel;
};
// Whether a file of this owner and mode may be trusted.
bool KonfVertrauen(uint32_t besitzer, uint32_t modus, uint32_t erwarteterBesitzer);
// The file's contents, checked; nullopt, with `grund`, when it is missing,
// not trusted, or names no valid address and key.
std::optional<BroadcastKonf> BroadcastKonfLesen(const QString& pfad, uint32_t erwarteterBesitzer,
                                                QString* grund = nullptr);
std::optional<BroadcastKonf> BroadcastKonfText(const QByteArray& text, QString* grund = nullptr);
// Checks an address and a key as a receiver takes them: an http(s) address
// with a host, and a minisign public key (its base64 line, or a ".pub"
// file's two lines). Empty when both are good, otherwise why not.
QString EmpfangPruefen(const QString& adresse, const QByteArray& schluessel);
// At a new installation's first start: takes the system-wide setting into
// the own settings row, unless the user chose a broadcast path already.
// True when it did.
bool BroadcastKonfUebernehmen(Programm& p, const QString& pfad, uint32_t erwarteterBesitzer);

class WebEmpfang : public QObject {
    Q_OBJECT
public:
    explicit WebEmpfang(Programm& p, QObject* eltern = nullptr);
    ~WebEmpfang() override;

    // Compares the settings with what runs and sets the receiver up anew
    // when they changed (also the first time): a copy received with another
    // address or key, or expired, is removed before the bar reads it.
    void Abgleichen();
    SchnappschussEmpfang* Empfang() const { return empfang_.get(); }

private:
    void geaendert(std::shared_ptr<const Schnappschuss> s);
    void schreiben();
    void geschrieben(const Schnappschuss& s, const QString& fehler);
    void zustandMerken(const EmpfangsZustand& z);
    QString standDatei() const;

    Programm& p_;
    std::shared_ptr<HttpAbruf> abruf_; // the program's one client, while polling
    std::unique_ptr<SchnappschussEmpfang> empfang_;
    QString adresse_;
    QString schluessel_;
    // The copy is written on a worker: the snapshot that waits for it, and
    // a count that makes a write of an older setup count for nothing.
    std::shared_ptr<const Schnappschuss> wartend_;
    bool schreibtGerade_ = false;
    uint64_t generation_ = 0;
};

} // namespace pinwick
