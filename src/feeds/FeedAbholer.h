#pragma once
// Fetching the feeds, politely and without ever holding the thread that
// draws the bar: the requests go through the program's one HTTP client
// (libcurl's multi interface on the event loop), the bytes are read on a
// worker thread of their own and the result comes back by a queued signal.
//
// Each feed is asked again after its interval: a quarter of an hour, never
// less than five minutes, longer when the feed's <ttl> or the server's
// Cache-Control asks for it, spread at random so that a hundred desks
// started together do not ask together. After a failure the waits grow;
// a Retry-After is kept. Requests are conditional (ETag, Last-Modified),
// so an unchanged feed costs a "304 Not Modified". A permanent redirect
// moves the feed: the new address is used from then on and told to the
// owner, who stores it.
//
// The last good items of every feed are kept in a cache file (JSON,
// written whole), read at the start, so a restart or an outage shows them
// at once. Qt Core only.

#include "FeedLesen.h"
#include "FeedQuellen.h"
#include "HttpAbruf.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <optional>

namespace pinwick {

// What is known of one feed.
struct FeedStand {
    QString adresse;      // as configured
    QString abrufAdresse; // where it is fetched: moved by a permanent redirect
    QString titel;        // the feed's own
    QList<FeedEintrag> eintraege; // the last good ones, newest first
    QDateTime geholt;             // the last answer the items are fresh from (200 or 304)
    QString fehler;               // why the last fetch failed; empty when it did not
    QByteArray etag;
    QByteArray zuletztGeaendert;

    bool operator==(const FeedStand&) const = default;
};

// The rhythm of fetching.
struct FeedTakt {
    qint64 standardSekunden = 15 * 60;
    qint64 mindestSekunden = 5 * 60;
    // Neither a <ttl>, a max-age, a Retry-After nor failures wait longer.
    qint64 hoechstSekunden = 6 * 3600;
    // The random spread, as a share of the wait (0.1: up to 10 % either way).
    double streuung = 0.1;
    // Meant for tests: every wait is divided by this (900 makes a quarter
    // of an hour a second).
    double schneller = 1.0;
    // The limits of every request (time, speed, redirects, certificates);
    // the address, the validators and the size cap are filled in.
    HttpAnfrage grenzen = [] {
        HttpAnfrage a;
        a.gesamtMs = 30'000;
        a.verbindenMs = 10'000;
        a.mindestBytesProSekunde = 64;
        a.langsamSekunden = 15;
        a.umleitungen = 5;
        return a;
    }();
};

// How one fetch ended, for the wait that follows it.
struct FeedAusgang {
    bool erfolg = true;      // items or 304; false: any failure
    int fehlschlaege = 0;    // failures in a row, this one included
    std::optional<int> ttlMinuten;
    std::optional<int64_t> maxAlter;        // Cache-Control, seconds
    std::optional<int64_t> spaeterSekunden; // Retry-After
};
// Seconds until the next fetch, before the spread and the test's speed-up.
qint64 FeedWarten(const FeedTakt& takt, const FeedAusgang& ausgang);

// The cache file in the folder "pinwick" below the user's cache folder
// (~/.cache/pinwick/feeds.json), the same for every program of ours.
QString FeedCacheStandardPfad();

class FeedAbholer : public QObject {
    Q_OBJECT
public:
    // Reads the cache file (if given and there); nothing is fetched before
    // Setzen names the feeds.
    explicit FeedAbholer(FeedTakt takt = {}, QString cacheDatei = {}, QObject* eltern = nullptr);
    ~FeedAbholer() override;

    // The feeds to fetch. Feeds that are off or gone are forgotten (their
    // requests ended); a new feed is fetched soon (within the spread), with
    // its cached items shown meanwhile.
    void Setzen(const QList<FeedQuelle>& feeds);
    QList<FeedQuelle> Quellen() const;
    // What is known of a feed; nullptr for one not set.
    const FeedStand* Stand(qint64 id) const;
    QDateTime Naechster(qint64 id) const;

signals:
    // The items, the error or the time of a feed's last fetch changed.
    void Geaendert(qint64 id);
    // A feed answered from a new address after permanent redirects only.
    void AdresseVerschoben(qint64 id, const QString& neu);
    // For the worker (queued).
    void lesenLassen(qint64 id, quint64 runde, const QByteArray& daten, const QUrl& adresse,
                     const QByteArray& zeichensatz);

private:
    struct Feed {
        FeedQuelle quelle;
        FeedStand stand;
        QDateTime naechster;
        int fehlschlaege = 0;
        quint64 runde = 0; // counts the fetches; an old result is dropped
        uint64_t anfrage = 0;
        bool laeuft = false;
        HttpAntwort antwort; // kept while its bytes are read
    };

    void planen();
    void wecken();
    void starten(Feed& f);
    void beantwortet(qint64 id, quint64 runde, const HttpAntwort& antwort);
    void gelesen(qint64 id, quint64 runde, const pinwick::FeedInhalt& inhalt);
    void abschliessen(Feed& f, const FeedAusgang& ausgang);
    QDateTime spaeter(qint64 sekunden) const;
    void cacheLesen();
    void cacheSchreiben() const;

    FeedTakt takt_;
    QString cacheDatei_;
    QHash<QString, FeedStand> cache_; // by configured address, from the file
    QHash<qint64, Feed> feeds_;
    QList<qint64> reihenfolge_;
    QTimer wecker_;
    // The program's one client, held only while a request of these feeds
    // runs.
    std::shared_ptr<HttpAbruf> abruf_;
    QThread arbeiter_;
};

} // namespace pinwick
