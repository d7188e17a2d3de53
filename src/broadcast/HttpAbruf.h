#pragma once
// The program's one HTTP client: the broadcast's snapshots and, later, the
// news feeds. libcurl's multi interface, driven by the Qt event loop: libcurl
// names the sockets it waits on (each gets a QSocketNotifier) and the time
// it wants to be called back (a QTimer); nothing here ever waits for the
// network, so a dead or slow server never holds the thread that drew the
// bar.
//
// Every request has its limits set (size, time, speed, redirects, http and
// https only); a limit that libcurl refuses to take is an error, never a
// request without it. libcurl is loaded for the first request and let go
// when the client is destroyed (CurlBibliothek.h); in between, its multi
// handle keeps connections open, so a poll every half minute reuses one
// connection (and its TLS session) instead of shaking hands each time. An
// owner that asks rarely (every quarter of an hour) can destroy the client
// between its requests and so unload libcurl.

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;

namespace pinwick {

struct CurlBibliothek;

struct HttpAnfrage {
    QString adresse;
    // The validators of the copy held, as the server sent them: an
    // unchanged resource then costs a "304 Not Modified".
    QByteArray etag;
    QByteArray zuletztGeaendert; // sent as If-Modified-Since
    // The body may have this many bytes; the transfer ends as soon as it
    // would have more.
    int64_t hoechstens = 4 * 1024 * 1024;
    int verbindenMs = 10'000; // to connect (and the TLS handshake)
    int gesamtMs = 60'000;    // the whole request, redirects included
    // Cut when fewer than this many bytes a second arrive for
    // `langsamSekunden` seconds (0: never).
    int mindestBytesProSekunde = 64;
    int langsamSekunden = 15;
    int umleitungen = 5;
    // Certificates to trust instead of the system's store (PEM).
    QString caDatei;
};

struct HttpAntwort {
    // Why the request has no answer from the server; Keiner when the server
    // answered (with whatever status).
    enum class Fehler {
        Keiner,
        Adresse,     // not http(s), malformed, or a redirect to another scheme
        Verbindung,  // name, connection or refused
        Tls,         // certificate or handshake
        Zeit,        // the time limit
        Langsam,     // the low-speed limit
        ZuGross,     // the size cap
        Umleitungen, // more redirects than allowed
        Abbruch,     // the server broke off
        Bibliothek,  // libcurl missing or refusing an option
    };
    Fehler fehler = Fehler::Keiner;
    QString fehlerText; // for the settings window; empty with Keiner

    int status = 0; // HTTP status of the last response
    QByteArray inhalt;
    QByteArray etag;
    QByteArray zuletztGeaendert;
    std::optional<int64_t> maxAlter;         // Cache-Control: max-age, seconds
    std::optional<int64_t> spaeterSekunden;  // Retry-After, seconds from now
    QByteArray inhaltsart;                   // Content-Type, as sent
    QString endAdresse;                      // after redirects
    int umleitungen = 0;
    // Every redirect followed said the resource moved for good (301, 308):
    // endAdresse may replace the address asked for. False without one.
    bool dauerhaftUmgeleitet = false;
    int64_t empfangen = 0; // body bytes that came in, counted before the cap

    bool Erfolg() const { return fehler == Fehler::Keiner && status >= 200 && status < 300; }
    bool Unveraendert() const { return fehler == Fehler::Keiner && status == 304; }
};

class HttpAbruf : public QObject {
    Q_OBJECT
public:
    explicit HttpAbruf(QObject* eltern = nullptr);
    ~HttpAbruf() override; // ends every request still running, without a result

    using Rueckruf = std::function<void(const HttpAntwort&)>;

    // The program's one client, shared by whoever fetches (the broadcast's
    // receiver, the news feeds), so that one multi handle and its
    // connections serve them all. Made when the first asks, ended when the
    // last lets go (once the result being told has returned, when that is
    // where it lets go), so a desk that fetches nothing holds no libcurl.
    static std::shared_ptr<HttpAbruf> Geteilt();

    // Starts a request and returns its number at once. The result comes
    // later, from the event loop: to `fertig` (if given) and through Fertig.
    // A request that cannot start (libcurl missing, an option refused)
    // reports that the same way, never synchronously.
    uint64_t Starten(const HttpAnfrage& anfrage, Rueckruf fertig = {});
    // Ends a request without a result.
    void Abbrechen(uint64_t nummer);
    int Laufend() const;

    struct Auftrag; // one request while it runs (HttpAbruf.cpp)

signals:
    void Fertig(uint64_t nummer, const pinwick::HttpAntwort& antwort);

private:
    // The notifiers of one socket libcurl wants watched.
    struct Steckdose {
        QSocketNotifier* lesen = nullptr;
        QSocketNotifier* schreiben = nullptr;
    };

    static int SocketRueckruf(void* easy, int socket, int was, void* selbst, void* steckdose);
    static int ZeitRueckruf(void* multi, long ms, void* selbst);

    bool bereit(QString& fehler);
    // Ends a request that could not start: its result is told from the
    // event loop like any other. Returns its number.
    uint64_t scheitern(Auftrag* a, HttpAntwort::Fehler art, const QString& text);
    void handeln(int socket, int was);
    void einsammeln();
    void beobachten(int socket, int was);
    static void loslassen(Steckdose& steckdose);
    void liefern(uint64_t nummer, HttpAntwort antwort, Rueckruf fertig);
    void entfernen(Auftrag* auftrag);

    std::shared_ptr<const CurlBibliothek> curl_;
    void* multi_ = nullptr;
    QTimer zeit_;
    QHash<uint64_t, Auftrag*> auftraege_;
    QHash<int, Steckdose> steckdosen_;
    uint64_t naechste_ = 1;
    int liefernd_ = 0; // results being told right now
};

// "Cache-Control" header value -> max-age in seconds (nullopt when none or
// malformed; "no-cache" and "no-store" count as 0).
std::optional<int64_t> MaxAlterLesen(const QByteArray& wert);
// "Retry-After" header value (seconds, or an HTTP date) -> seconds from
// `jetzt`, never below 0; nullopt when malformed.
std::optional<int64_t> SpaeterLesen(const QByteArray& wert, const QDateTime& jetzt);

} // namespace pinwick
