#include "HttpAbruf.h"

#include "CurlBibliothek.h"

#include <QLocale>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimeZone>
#include <QUrl>
#include <utility>
#include <vector>

namespace pinwick {

namespace {

// The headers of one response may not grow past this; libcurl's own limit
// is per header line.
constexpr int64_t KopfHoechstens = 64 * 1024;

QByteArray Kopfwert(const QByteArray& zeile, const char* name) {
    const qsizetype doppelpunkt = zeile.indexOf(':');
    if (doppelpunkt <= 0)
        return {};
    if (zeile.left(doppelpunkt).trimmed().compare(name, Qt::CaseInsensitive) != 0)
        return {};
    return zeile.mid(doppelpunkt + 1).trimmed();
}

} // namespace

struct HttpAbruf::Auftrag {
    uint64_t nummer = 0;
    void* easy = nullptr;
    curl_slist* kopfzeilen = nullptr;
    HttpAnfrage anfrage;
    HttpAntwort antwort;
    Rueckruf fertig;
    bool zuGross = false;
    bool kopfZuLang = false;
    int64_t kopfBytes = 0;
    int letzterStatus = 0;    // of the response before the one now coming in
    bool nurDauerhaft = true; // every redirect so far was a 301 or 308
    char fehlerPuffer[CURL_ERROR_SIZE] = {};
};

namespace {

size_t Schreiben(char* daten, size_t groesse, size_t anzahl, void* a) {
    auto* auftrag = static_cast<HttpAbruf::Auftrag*>(a);
    const size_t n = groesse * anzahl;
    auftrag->antwort.empfangen += static_cast<int64_t>(n);
    if (auftrag->antwort.inhalt.size() + static_cast<int64_t>(n) > auftrag->anfrage.hoechstens) {
        // Not one byte more: the transfer ends here with a write error.
        auftrag->zuGross = true;
        return 0;
    }
    auftrag->antwort.inhalt.append(daten, static_cast<qsizetype>(n));
    return n;
}

size_t Kopf(char* daten, size_t groesse, size_t anzahl, void* a) {
    auto* auftrag = static_cast<HttpAbruf::Auftrag*>(a);
    const size_t n = groesse * anzahl;
    auftrag->kopfBytes += static_cast<int64_t>(n);
    if (auftrag->kopfBytes > KopfHoechstens) {
        auftrag->kopfZuLang = true;
        return 0;
    }
    const QByteArray zeile = QByteArray(daten, static_cast<qsizetype>(n)).trimmed();
    HttpAntwort& antwort = auftrag->antwort;
    if (zeile.startsWith("HTTP/")) {
        // A new response (after a redirect, or after "100 Continue"): only
        // the last one's headers count. A redirect that led here counts as
        // moved for good only when it said so (301, 308).
        const int vorher = auftrag->letzterStatus;
        if (vorher >= 300 && vorher < 400 && vorher != 301 && vorher != 308)
            auftrag->nurDauerhaft = false;
        const QList<QByteArray> teile = zeile.split(' ');
        auftrag->letzterStatus = teile.size() > 1 ? teile[1].toInt() : 0;
        antwort.inhaltsart.clear();
        antwort.etag.clear();
        antwort.zuletztGeaendert.clear();
        antwort.maxAlter.reset();
        antwort.spaeterSekunden.reset();
        auftrag->kopfBytes = static_cast<int64_t>(n);
        return n;
    }
    if (QByteArray w = Kopfwert(zeile, "ETag"); !w.isEmpty())
        antwort.etag = w.left(1024);
    else if (QByteArray w = Kopfwert(zeile, "Last-Modified"); !w.isEmpty())
        antwort.zuletztGeaendert = w.left(128);
    else if (QByteArray w = Kopfwert(zeile, "Cache-Control"); !w.isEmpty())
        antwort.maxAlter = MaxAlterLesen(w);
    else if (QByteArray w = Kopfwert(zeile, "Content-Type"); !w.isEmpty())
        antwort.inhaltsart = w.left(256);
    else if (QByteArray w = Kopfwert(zeile, "Retry-After"); !w.isEmpty())
        antwort.spaeterSekunden = SpaeterLesen(w, QDateTime::currentDateTimeUtc());
    return n;
}

} // namespace

std::optional<int64_t> MaxAlterLesen(const QByteArray& wert) {
    std::optional<int64_t> alter;
    for (const QByteArray& teil : wert.split(',')) {
        const QByteArray t = teil.trimmed().toLower();
        if (t == "no-cache" || t == "no-store")
            return 0;
        if (!t.startsWith("max-age="))
            continue;
        QByteArray zahl = t.mid(8);
        if (zahl.startsWith('"') && zahl.endsWith('"') && zahl.size() >= 2)
            zahl = zahl.mid(1, zahl.size() - 2);
        bool ok = false;
        const qlonglong s = zahl.toLongLong(&ok);
        if (!ok || s < 0 || zahl.startsWith('+'))
            return std::nullopt;
        alter = s;
    }
    return alter;
}

std::optional<int64_t> SpaeterLesen(const QByteArray& wert, const QDateTime& jetzt) {
    const QByteArray t = wert.trimmed();
    bool ok = false;
    const qlonglong s = t.toLongLong(&ok);
    if (ok)
        return (s < 0 || t.startsWith('+')) ? std::nullopt : std::optional<int64_t>(s);
    // An HTTP date: "Sun, 06 Nov 1994 08:49:37 GMT".
    QDateTime zeit = QLocale::c().toDateTime(QString::fromLatin1(t),
                                             QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    if (!zeit.isValid())
        return std::nullopt;
    zeit.setTimeZone(QTimeZone::utc());
    return std::max<int64_t>(0, jetzt.secsTo(zeit));
}

HttpAbruf::HttpAbruf(QObject* eltern) : QObject(eltern) {
    zeit_.setSingleShot(true);
    connect(&zeit_, &QTimer::timeout, this, [this] { handeln(CURL_SOCKET_TIMEOUT, 0); });
}

HttpAbruf::~HttpAbruf() {
    const QList<Auftrag*> alle = auftraege_.values();
    for (Auftrag* a : alle)
        entfernen(a);
    if (multi_)
        curl_->multi_cleanup(multi_);
    // libcurl has told of every socket's end by now; whatever is left goes.
    for (auto it = steckdosen_.begin(); it != steckdosen_.end(); ++it)
        loslassen(it.value());
    steckdosen_.clear();
}

int HttpAbruf::Laufend() const {
    return static_cast<int>(auftraege_.size());
}

bool HttpAbruf::bereit(QString& fehler) {
    if (multi_)
        return true;
    if (!curl_)
        curl_ = CurlOeffnen(fehler);
    if (!curl_)
        return false;
    multi_ = curl_->multi_init();
    if (!multi_) {
        fehler = QStringLiteral("libcurl cannot make a transfer");
        return false;
    }
    using SocketF = int (*)(CURL*, curl_socket_t, int, void*, void*);
    using ZeitF = int (*)(CURLM*, long, void*);
    const SocketF s = &HttpAbruf::SocketRueckruf;
    const ZeitF z = &HttpAbruf::ZeitRueckruf;
    if (curl_->multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, s) != CURLM_OK ||
        curl_->multi_setopt(multi_, CURLMOPT_SOCKETDATA, this) != CURLM_OK ||
        curl_->multi_setopt(multi_, CURLMOPT_TIMERFUNCTION, z) != CURLM_OK ||
        curl_->multi_setopt(multi_, CURLMOPT_TIMERDATA, this) != CURLM_OK) {
        curl_->multi_cleanup(multi_);
        multi_ = nullptr;
        fehler = QStringLiteral("libcurl refuses to be driven by the event loop");
        return false;
    }
    return true;
}

namespace {

// Sets every option of a transfer; the name of the first option libcurl
// refuses (and its code in `code`), or nullptr.
const char* OptionenSetzen(const CurlBibliothek& curl, HttpAbruf::Auftrag* a,
                           const QByteArray& adresse, CURLcode& code) {
    // Every option is checked: a limit libcurl does not take would make a
    // request without it.
    const char* abgelehnt = nullptr;
    const auto setzen = [&](CURLoption option, const char* name, auto wert) {
        if (abgelehnt)
            return;
        code = curl.easy_setopt(a->easy, option, wert);
        if (code != CURLE_OK)
            abgelehnt = name;
    };
#define PW_SETZEN(option, wert) setzen(option, #option, wert)
    PW_SETZEN(CURLOPT_URL, adresse.constData());
    PW_SETZEN(CURLOPT_PRIVATE, static_cast<void*>(a));
    PW_SETZEN(CURLOPT_NOSIGNAL, 1L);
    // http and https only, for the first request and for every redirect:
    // never file:, ftp:, dict:, gopher:, ...
    PW_SETZEN(CURLOPT_PROTOCOLS_STR, "http,https");
    PW_SETZEN(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    PW_SETZEN(CURLOPT_FOLLOWLOCATION, 1L);
    PW_SETZEN(CURLOPT_MAXREDIRS, static_cast<long>(a->anfrage.umleitungen));
    PW_SETZEN(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(a->anfrage.verbindenMs));
    PW_SETZEN(CURLOPT_TIMEOUT_MS, static_cast<long>(a->anfrage.gesamtMs));
    if (a->anfrage.mindestBytesProSekunde > 0 && a->anfrage.langsamSekunden > 0) {
        PW_SETZEN(CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(a->anfrage.mindestBytesProSekunde));
        PW_SETZEN(CURLOPT_LOW_SPEED_TIME, static_cast<long>(a->anfrage.langsamSekunden));
    }
    // A body announced larger than the cap is refused before it comes; one
    // that is not announced is cut by the write callback.
    PW_SETZEN(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(a->anfrage.hoechstens));
    using DatenF = size_t (*)(char*, size_t, size_t, void*);
    PW_SETZEN(CURLOPT_WRITEFUNCTION, static_cast<DatenF>(&Schreiben));
    PW_SETZEN(CURLOPT_WRITEDATA, static_cast<void*>(a));
    PW_SETZEN(CURLOPT_HEADERFUNCTION, static_cast<DatenF>(&Kopf));
    PW_SETZEN(CURLOPT_HEADERDATA, static_cast<void*>(a));
    PW_SETZEN(CURLOPT_ERRORBUFFER, static_cast<char*>(a->fehlerPuffer));
    PW_SETZEN(CURLOPT_SSL_VERIFYPEER, 1L);
    PW_SETZEN(CURLOPT_SSL_VERIFYHOST, 2L);
    if (!a->anfrage.caDatei.isEmpty()) {
        const QByteArray ca = a->anfrage.caDatei.toLocal8Bit();
        PW_SETZEN(CURLOPT_CAINFO, ca.constData()); // libcurl copies strings
    }
    // Compressed when the server offers it; the cap counts what comes out.
    PW_SETZEN(CURLOPT_ACCEPT_ENCODING, "");
    PW_SETZEN(CURLOPT_USERAGENT, "Pinwick/" PINWICK_VERSION);
    // Proxies: libcurl takes http_proxy, https_proxy and no_proxy from the
    // environment unless told otherwise, which is what an office expects.
    // A header libcurl cannot take (out of memory) fails the request like a
    // refused option: without its validators it would fetch the whole body.
    const auto kopfzeile = [&](const QByteArray& zeile) {
        if (abgelehnt)
            return;
        curl_slist* neu = curl.slist_append(a->kopfzeilen, zeile.constData());
        if (!neu) {
            abgelehnt = "CURLOPT_HTTPHEADER";
            code = CURLE_OUT_OF_MEMORY;
            return;
        }
        a->kopfzeilen = neu;
    };
    if (!a->anfrage.etag.isEmpty())
        kopfzeile("If-None-Match: " + a->anfrage.etag);
    if (!a->anfrage.zuletztGeaendert.isEmpty())
        kopfzeile("If-Modified-Since: " + a->anfrage.zuletztGeaendert);
    if (a->kopfzeilen)
        PW_SETZEN(CURLOPT_HTTPHEADER, a->kopfzeilen);
#undef PW_SETZEN
    return abgelehnt;
}

// A failed transfer's answer: which kind of failure, and a text that says
// it in words before libcurl's own.
void FehlerDeuten(const CurlBibliothek& curl, HttpAbruf::Auftrag& a, CURLcode code) {
    HttpAntwort& antwort = a.antwort;
    using F = HttpAntwort::Fehler;
    const QString curlText = a.fehlerPuffer[0] ? QString::fromUtf8(a.fehlerPuffer)
                                               : QString::fromUtf8(curl.easy_strerror(code));
    F art = F::Abbruch;
    QString text;
    switch (code) {
    case CURLE_WRITE_ERROR:
    case CURLE_FILESIZE_EXCEEDED:
        if (a.kopfZuLang) {
            text = QStringLiteral("the server's headers are too long");
        } else if (a.zuGross || code == CURLE_FILESIZE_EXCEEDED) {
            art = F::ZuGross;
            text = QStringLiteral("larger than %1 bytes").arg(a.anfrage.hoechstens);
        }
        break;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        art = F::Adresse;
        text = QStringLiteral("only http and https addresses are fetched");
        break;
    case CURLE_TOO_MANY_REDIRECTS:
        art = F::Umleitungen;
        text = QStringLiteral("more than %1 redirects").arg(a.anfrage.umleitungen);
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
        art = F::Verbindung;
        text = QStringLiteral("cannot reach the server");
        break;
    case CURLE_OPERATION_TIMEDOUT: {
        // The time until the request could be sent: 0 only when no
        // connection was ever made. (The connect time is 0 on a reused
        // connection too, which would take a slow server for a dead one.)
        curl_off_t verbunden = 0, gesamt = 0;
        curl.easy_getinfo(a.easy, CURLINFO_PRETRANSFER_TIME_T, &verbunden);
        curl.easy_getinfo(a.easy, CURLINFO_TOTAL_TIME_T, &gesamt);
        if (verbunden == 0) {
            art = F::Verbindung;
            text = QStringLiteral("cannot reach the server");
        } else if (gesamt / 1000 + 50 >= a.anfrage.gesamtMs) {
            art = F::Zeit;
            text =
                QStringLiteral("no complete answer within %1 s").arg(a.anfrage.gesamtMs / 1000.0);
        } else {
            art = F::Langsam;
            text = QStringLiteral("the server sends too slowly");
        }
        break;
    }
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
        art = F::Tls;
        text = QStringLiteral("the server's certificate is not trusted");
        break;
    default:
        break;
    }
    antwort.fehler = art;
    antwort.fehlerText = text.isEmpty() ? curlText : text + QStringLiteral(" (") + curlText + u')';
    antwort.inhalt.clear();
}

} // namespace

uint64_t HttpAbruf::scheitern(Auftrag* a, HttpAntwort::Fehler art, const QString& text) {
    if (a->easy) {
        curl_->easy_cleanup(a->easy);
        a->easy = nullptr;
    }
    a->antwort.fehler = art;
    a->antwort.fehlerText = text;
    // Told from the event loop like every other result.
    const uint64_t nummer = a->nummer;
    QMetaObject::invokeMethod(
        this,
        [this, nummer] {
            Auftrag* x = auftraege_.value(nummer);
            if (!x)
                return; // cancelled meanwhile
            auftraege_.remove(nummer);
            HttpAntwort antwort = std::move(x->antwort);
            Rueckruf r = std::move(x->fertig);
            if (x->kopfzeilen)
                curl_->slist_free_all(x->kopfzeilen);
            delete x;
            liefern(nummer, std::move(antwort), std::move(r));
        },
        Qt::QueuedConnection);
    return a->nummer;
}

uint64_t HttpAbruf::Starten(const HttpAnfrage& anfrage, Rueckruf fertig) {
    auto* a = new Auftrag;
    a->nummer = naechste_++;
    a->anfrage = anfrage;
    a->fertig = std::move(fertig);
    auftraege_.insert(a->nummer, a);

    const QUrl url(anfrage.adresse);
    const QString schema = url.scheme().toLower();
    if (!url.isValid() || (schema != QLatin1String("http") && schema != QLatin1String("https")))
        return scheitern(a, HttpAntwort::Fehler::Adresse,
                         QStringLiteral("only http and https addresses are fetched"));
    QString fehler;
    if (!bereit(fehler))
        return scheitern(a, HttpAntwort::Fehler::Bibliothek, fehler);
    a->easy = curl_->easy_init();
    if (!a->easy)
        return scheitern(a, HttpAntwort::Fehler::Bibliothek,
                         QStringLiteral("libcurl cannot make a transfer"));

    const QByteArray adresse = url.toEncoded();
    CURLcode code = CURLE_OK;
    const char* abgelehnt = OptionenSetzen(*curl_, a, adresse, code);
    if (abgelehnt)
        return scheitern(a, HttpAntwort::Fehler::Bibliothek,
                         QStringLiteral("libcurl refuses %1: %2")
                             .arg(QLatin1String(abgelehnt),
                                  QString::fromUtf8(curl_->easy_strerror(code))));
    if (curl_->multi_add_handle(multi_, a->easy) != CURLM_OK)
        return scheitern(a, HttpAntwort::Fehler::Bibliothek,
                         QStringLiteral("libcurl cannot start the transfer"));
    // libcurl now asks for a time-out of 0 through ZeitRueckruf: the
    // transfer begins on the next turn of the event loop.
    return a->nummer;
}

void HttpAbruf::Abbrechen(uint64_t nummer) {
    if (Auftrag* a = auftraege_.value(nummer))
        entfernen(a);
}

void HttpAbruf::entfernen(Auftrag* a) {
    auftraege_.remove(a->nummer);
    if (a->easy) {
        curl_->multi_remove_handle(multi_, a->easy);
        curl_->easy_cleanup(a->easy);
    }
    if (a->kopfzeilen)
        curl_->slist_free_all(a->kopfzeilen);
    delete a;
}

int HttpAbruf::SocketRueckruf(void*, int socket, int was, void* selbst, void*) {
    static_cast<HttpAbruf*>(selbst)->beobachten(socket, was);
    return 0;
}

int HttpAbruf::ZeitRueckruf(void*, long ms, void* selbst) {
    auto* abruf = static_cast<HttpAbruf*>(selbst);
    // libcurl may not be called back from inside itself: even "now" goes
    // through the event loop.
    if (ms < 0)
        abruf->zeit_.stop();
    else
        abruf->zeit_.start(static_cast<int>(std::min<long>(ms, 24L * 3600 * 1000)));
    return 0;
}

void HttpAbruf::loslassen(Steckdose& s) {
    // Possibly called while one of them is telling of its socket: switched
    // off now, deleted when the event loop is back.
    for (QSocketNotifier* n : {s.lesen, s.schreiben}) {
        if (!n)
            continue;
        n->setEnabled(false);
        n->deleteLater();
    }
    s = {};
}

void HttpAbruf::beobachten(int socket, int was) {
    if (was == CURL_POLL_REMOVE) {
        auto it = steckdosen_.find(socket);
        if (it != steckdosen_.end()) {
            loslassen(it.value());
            steckdosen_.erase(it);
        }
        return;
    }
    Steckdose& s = steckdosen_[socket];
    const auto machen = [&](QSocketNotifier*& n, QSocketNotifier::Type typ, int auswahl) {
        if (n)
            return;
        n = new QSocketNotifier(static_cast<qintptr>(socket), typ);
        n->setEnabled(false);
        connect(n, &QSocketNotifier::activated, this,
                [this, socket, auswahl] { handeln(socket, auswahl); });
    };
    const bool lesen = was == CURL_POLL_IN || was == CURL_POLL_INOUT;
    const bool schreiben = was == CURL_POLL_OUT || was == CURL_POLL_INOUT;
    if (lesen)
        machen(s.lesen, QSocketNotifier::Read, CURL_CSELECT_IN);
    if (schreiben)
        machen(s.schreiben, QSocketNotifier::Write, CURL_CSELECT_OUT);
    if (s.lesen)
        s.lesen->setEnabled(lesen);
    if (s.schreiben)
        s.schreiben->setEnabled(schreiben);
}

void HttpAbruf::handeln(int socket, int was) {
    if (!multi_)
        return;
    int laufend = 0;
    curl_->multi_socket_action(multi_, static_cast<curl_socket_t>(socket), was, &laufend);
    einsammeln();
}

void HttpAbruf::einsammeln() {
    struct Fertiger {
        uint64_t nummer;
        HttpAntwort antwort;
        Rueckruf fertig;
    };
    std::vector<Fertiger> fertige;
    int uebrig = 0;
    while (CURLMsg* m = curl_->multi_info_read(multi_, &uebrig)) {
        if (m->msg != CURLMSG_DONE)
            continue;
        char* p = nullptr;
        curl_->easy_getinfo(m->easy_handle, CURLINFO_PRIVATE, &p);
        auto* a = reinterpret_cast<Auftrag*>(p);
        if (!a)
            continue;
        const CURLcode code = m->data.result;
        HttpAntwort& antwort = a->antwort;
        long status = 0;
        curl_->easy_getinfo(a->easy, CURLINFO_RESPONSE_CODE, &status);
        antwort.status = static_cast<int>(status);
        long umleitungen = 0;
        curl_->easy_getinfo(a->easy, CURLINFO_REDIRECT_COUNT, &umleitungen);
        antwort.umleitungen = static_cast<int>(umleitungen);
        antwort.dauerhaftUmgeleitet = umleitungen > 0 && a->nurDauerhaft;
        char* ende = nullptr;
        if (curl_->easy_getinfo(a->easy, CURLINFO_EFFECTIVE_URL, &ende) == CURLE_OK && ende)
            antwort.endAdresse = QString::fromUtf8(ende);
        if (code != CURLE_OK)
            FehlerDeuten(*curl_, *a, code);
        Fertiger f{a->nummer, std::move(a->antwort), std::move(a->fertig)};
        entfernen(a);
        fertige.push_back(std::move(f));
    }
    // Told only now, outside libcurl's loop: whoever is told may start,
    // cancel, or even destroy this client.
    QPointer<HttpAbruf> selbst(this);
    for (Fertiger& f : fertige) {
        if (!selbst)
            return;
        liefern(f.nummer, std::move(f.antwort), std::move(f.fertig));
    }
}

void HttpAbruf::liefern(uint64_t nummer, HttpAntwort antwort, Rueckruf fertig) {
    QPointer<HttpAbruf> selbst(this);
    ++liefernd_;
    if (fertig)
        fertig(antwort);
    if (selbst)
        emit Fertig(nummer, antwort);
    if (selbst)
        --liefernd_;
}

std::shared_ptr<HttpAbruf> HttpAbruf::Geteilt() {
    static std::weak_ptr<HttpAbruf> geteilt;
    if (std::shared_ptr<HttpAbruf> da = geteilt.lock())
        return da;
    std::shared_ptr<HttpAbruf> neu(new HttpAbruf, [](HttpAbruf* abruf) {
        // The last user may let go from inside a result: the client is
        // still on the stack then, and goes once the event loop has it back.
        if (abruf->liefernd_ > 0)
            abruf->deleteLater();
        else
            delete abruf;
    });
    geteilt = neu;
    return neu;
}

} // namespace pinwick
