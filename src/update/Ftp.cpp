#include "Ftp.h"

#include "CurlBibliothek.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QUrl>
#include <algorithm>

namespace pinwick {

namespace {

// Where the received bytes go, and what the write callback watches.
struct Ziel {
    QSaveFile* datei = nullptr;
    int64_t geschrieben = 0;
    int64_t hoechstens = 0;
    bool zuGross = false;
    bool schreibFehler = false;
    QElapsedTimer* stille = nullptr;
};

size_t Schreiben(char* daten, size_t groesse, size_t anzahl, void* ziel) {
    auto* z = static_cast<Ziel*>(ziel);
    const size_t n = groesse * anzahl;
    z->stille->restart();
    // Anything other than n gives the transfer up.
    if (z->geschrieben + static_cast<int64_t>(n) > z->hoechstens) {
        z->zuGross = true;
        return 0;
    }
    // A disk that fills up takes part of a block without complaint; only
    // writing the rest sets the reason (a full disk, say).
    for (size_t fertig = 0; fertig < n;) {
        const qint64 k = z->datei->write(daten + fertig, static_cast<qint64>(n - fertig));
        if (k <= 0) {
            z->schreibFehler = true;
            return 0;
        }
        fertig += static_cast<size_t>(k);
    }
    z->geschrieben += static_cast<int64_t>(n);
    return n;
}

// Hosts below ".invalid" can never resolve; an unconfigured build asks for
// one and should not wait for a name server to say so.
bool Unerreichbar(const QString& host) {
    const QString h = host.trimmed().toLower();
    return h.isEmpty() || h == QLatin1String("invalid") || h.endsWith(QLatin1String(".invalid"));
}

} // namespace

struct Ftp::Curl {
    // Held for as long as the handles live: the last session to end
    // unloads the library.
    std::shared_ptr<const CurlBibliothek> lib;
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    ~Curl() {
        // Ends the server connection the multi handle keeps for the next
        // transfer, with a QUIT when the connection is still good. The wait
        // for the answer to QUIT lets no events run; the connection cache
        // takes its time-out from the handle added last, so a short one is
        // handed in first: a server that is still there answers at once.
        // Without it the wait could be long: then the connection is simply
        // closed.
        if (multi && easy &&
            lib->easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, 1L) == CURLE_OK) {
            if (lib->multi_add_handle(multi, easy) == CURLM_OK)
                lib->multi_remove_handle(multi, easy);
        }
        if (easy)
            lib->easy_cleanup(easy);
        if (multi)
            lib->multi_cleanup(multi);
    }
};

Ftp::Ftp(FtpServer server, FtpZeiten zeiten) : server_(std::move(server)), zeiten_(zeiten) {}

Ftp::~Ftp() {
    delete curl_;
}

void Ftp::Schliessen() {
    if (laeuft_)
        return; // the running transfer still needs it
    delete curl_;
    curl_ = nullptr;
}

QString Ftp::Adresse(const QString& pfad) const {
    QString host = server_.host.trimmed();
    if (host.contains(QLatin1Char(':')) && !host.startsWith(QLatin1Char('[')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    QString adresse =
        QStringLiteral("ftp://") + host + QLatin1Char(':') + QString::number(server_.port) + u'/';
    // "%2F" first makes the path start at the server's root instead of the
    // login folder.
    if (server_.basis.startsWith(QLatin1Char('/')))
        adresse += QStringLiteral("%2F");
    QStringList segmente;
    for (const QString& teil : {server_.basis, pfad}) {
        for (const QString& segment : teil.split(QLatin1Char('/'), Qt::SkipEmptyParts))
            segmente.append(QString::fromLatin1(QUrl::toPercentEncoding(segment)));
    }
    return adresse + segmente.join(QLatin1Char('/'));
}

// Everything one transfer works with, from the options to the result.
struct Ftp::Lauf {
    const CurlBibliothek& lib;
    CURLM* m;
    CURL* e;
    QSaveFile& datei;
    Ziel& ziel;
    QElapsedTimer& stille;
    bool fertig = false;
    CURLcode ergebnis = CURLE_OK;
};

namespace {

// The strings handed to libcurl, kept until the transfer has ended.
struct Texte {
    QByteArray url;
    QByteArray konto;
    QByteArray passwort;
    QByteArray caDatei;
};

// Sets the options of one transfer; empty when libcurl took them all, else
// the reason in words.
QString OptionenSetzen(const CurlBibliothek& lib, CURL* e, const Texte& texte,
                       const FtpServer& server, const FtpZeiten& zeiten, int64_t hoechstens,
                       Ziel& ziel) {
    const long antwortSekunden =
        std::max(1L, static_cast<long>((zeiten.stillstandMs + 999) / 1000));
    // Every option is needed: one the library refuses (too old for it, or a
    // value it will not take) ends the transfer before it starts, rather
    // than letting it run without, say, the certificate check asked for.
    const char* abgelehnt = nullptr;
    CURLcode abgelehntWeil = CURLE_OK;
    const auto setzen = [&](CURLoption option, const char* name, auto wert) {
        if (abgelehnt)
            return;
        const CURLcode c = lib.easy_setopt(e, option, wert);
        if (c != CURLE_OK) {
            abgelehnt = name;
            abgelehntWeil = c;
        }
    };
#define PW_SETZEN(option, wert) setzen(option, #option, wert)
    PW_SETZEN(CURLOPT_URL, texte.url.constData());
    PW_SETZEN(CURLOPT_PROTOCOLS_STR, "ftp");
    PW_SETZEN(CURLOPT_USERNAME, texte.konto.constData());
    PW_SETZEN(CURLOPT_PASSWORD, texte.passwort.constData());
    PW_SETZEN(CURLOPT_NOSIGNAL, 1L);
    // A transfer given up during the name lookup waits, when its handle is
    // removed, for libcurl's lookup thread to end (the library's default,
    // stated here because the library may be unloaded right after: a thread
    // left running would return into code that is no longer there).
    PW_SETZEN(CURLOPT_QUICK_EXIT, 0L);
    PW_SETZEN(CURLOPT_NOPROGRESS, 1L);
    PW_SETZEN(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(zeiten.verbindenMs));
    // Bounds every wait for a reply on the control connection, the QUIT of
    // Schliessen included.
    PW_SETZEN(CURLOPT_SERVER_RESPONSE_TIMEOUT, antwortSekunden);
    PW_SETZEN(CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    PW_SETZEN(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(hoechstens));
    PW_SETZEN(CURLOPT_LOW_SPEED_LIMIT, zeiten.langsamBytes);
    PW_SETZEN(CURLOPT_LOW_SPEED_TIME, zeiten.langsamSek);
    if (server.tls) {
        // AUTH TLS before the login, and PROT P for every data connection;
        // a server that cannot is refused rather than spoken to in clear.
        PW_SETZEN(CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        PW_SETZEN(CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
        PW_SETZEN(CURLOPT_SSL_VERIFYPEER, 1L);
        PW_SETZEN(CURLOPT_SSL_VERIFYHOST, 2L);
        if (!texte.caDatei.isEmpty())
            PW_SETZEN(CURLOPT_CAINFO, texte.caDatei.constData());
    }
    PW_SETZEN(CURLOPT_WRITEFUNCTION, &Schreiben);
    PW_SETZEN(CURLOPT_WRITEDATA, &ziel);
#undef PW_SETZEN
    if (!abgelehnt)
        return {};
    return QStringLiteral("libcurl refused the option %1: %2")
        .arg(QLatin1String(abgelehnt), QString::fromUtf8(lib.easy_strerror(abgelehntWeil)));
}

} // namespace

bool Ftp::Zulaessig() {
    if (laeuft_) {
        fehler_ = QStringLiteral("another transfer is still running");
        return false;
    }
    if (Unerreichbar(server_.host)) {
        fehler_ = QStringLiteral("no update server configured");
        return false;
    }
    if (server_.port < 1 || server_.port > 65535) {
        fehler_ = QStringLiteral("bad port %1").arg(server_.port);
        return false;
    }
    return true;
}

bool Ftp::SitzungOeffnen() {
    if (!curl_) {
        QString grund;
        auto lib = CurlOeffnen(grund);
        if (!lib) {
            fehler_ = grund;
            return false;
        }
        curl_ = new Curl;
        curl_->lib = std::move(lib);
        curl_->multi = curl_->lib->multi_init();
        curl_->easy = curl_->lib->easy_init();
    }
    if (!curl_->multi || !curl_->easy) {
        fehler_ = QStringLiteral("libcurl cannot be started");
        return false;
    }
    return true;
}

void Ftp::Warten(Lauf& lauf) {
    const CurlBibliothek& lib = lauf.lib;
    for (;;) {
        int laufend = 0;
        if (lib.multi_perform(lauf.m, &laufend) != CURLM_OK) {
            fehler_ = QStringLiteral("libcurl failed");
            break;
        }
        if (laufend == 0) {
            int uebrig = 0;
            while (CURLMsg* nachricht = lib.multi_info_read(lauf.m, &uebrig)) {
                if (nachricht->msg == CURLMSG_DONE && nachricht->easy_handle == lauf.e) {
                    lauf.ergebnis = nachricht->data.result;
                    lauf.fertig = true;
                }
            }
            if (!lauf.fertig)
                fehler_ = QStringLiteral("transfer ended without a result");
            break;
        }
        if (abbrechen && abbrechen()) {
            fehler_ = QStringLiteral("given up");
            break;
        }
        if (frist.hasExpired()) {
            fehler_ = QStringLiteral("the update took longer than allowed");
            break;
        }
        if (fortschritt) {
            curl_off_t gesamt = -1;
            lib.easy_getinfo(lauf.e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &gesamt);
            fortschritt(lauf.ziel.geschrieben, std::max<int64_t>(0, gesamt));
        }
        if (lauf.stille.elapsed() > zeiten_.stillstandMs) {
            fehler_ = QStringLiteral("the server sent nothing for %1 ms").arg(zeiten_.stillstandMs);
            break;
        }
        // Short waits, so that the bar's 50 ms timer keeps its pace.
        lib.multi_poll(lauf.m, nullptr, 0, 10, nullptr);
        if (ereignisse)
            ereignisse();
    }
}

bool Ftp::Abschliessen(Lauf& lauf, const QString& lokaleDatei, int64_t hoechstens) {
    const CURLcode ergebnis = lauf.ergebnis;
    if (lauf.fertig && ergebnis != CURLE_OK) {
        fehler_ = QString::fromUtf8(lauf.lib.easy_strerror(ergebnis));
        if (ergebnis == CURLE_OPERATION_TIMEDOUT)
            fehler_ = QStringLiteral("the server sent less than %1 bytes a second for %2 s")
                          .arg(zeiten_.langsamBytes)
                          .arg(zeiten_.langsamSek);
        if (ergebnis == CURLE_USE_SSL_FAILED)
            fehler_ = QStringLiteral("the server offers no TLS");
        if (ergebnis == CURLE_WRITE_ERROR && lauf.ziel.schreibFehler)
            fehler_ =
                QStringLiteral("cannot write %1: %2").arg(lokaleDatei, lauf.datei.errorString());
        if (lauf.ziel.zuGross || ergebnis == CURLE_FILESIZE_EXCEEDED)
            fehler_ = QStringLiteral("file larger than %1 bytes").arg(hoechstens);
    }
    if (!lauf.fertig || ergebnis != CURLE_OK || lauf.ziel.zuGross || lauf.ziel.schreibFehler) {
        if (!lauf.fertig) {
            // Whatever state the connection is in, it is not used again.
            delete curl_;
            curl_ = nullptr;
        }
        lauf.datei.cancelWriting();
        return false;
    }
    if (!lauf.datei.commit()) {
        fehler_ = QStringLiteral("cannot write %1: %2").arg(lokaleDatei, lauf.datei.errorString());
        return false;
    }
    // Complete: now the size is known in any case.
    if (fortschritt)
        fortschritt(lauf.ziel.geschrieben, lauf.ziel.geschrieben);
    return true;
}

bool Ftp::Holen(const QString& pfad, const QString& lokaleDatei, int64_t hoechstens) {
    fehler_.clear();
    if (!Zulaessig())
        return false;

    laeuft_ = true;
    struct Ende {
        bool& laeuft;
        ~Ende() { laeuft = false; }
    } ende{laeuft_};

    if (!SitzungOeffnen())
        return false;

    // Written beside the target and renamed over it only when complete.
    // Unbuffered: after a short write on a full disk the write callback
    // writes the rest and so learns the reason, which Qt's buffer would lose.
    QSaveFile datei(lokaleDatei);
    if (!datei.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        fehler_ = QStringLiteral("cannot write %1: %2").arg(lokaleDatei, datei.errorString());
        return false;
    }

    QElapsedTimer stille;
    stille.start();
    Ziel ziel;
    ziel.datei = &datei;
    ziel.hoechstens = hoechstens;
    ziel.stille = &stille;

    // Kept here too: a failed transfer drops the session below.
    const std::shared_ptr<const CurlBibliothek> halten = curl_->lib;
    const CurlBibliothek& lib = *halten;
    CURL* e = curl_->easy;
    lib.easy_reset(e); // the connection stays in the multi handle's cache
    const Texte texte{Adresse(pfad).toUtf8(), server_.konto.toUtf8(), server_.passwort.toUtf8(),
                      QFile::encodeName(server_.caDatei)};
    fehler_ = OptionenSetzen(lib, e, texte, server_, zeiten_, hoechstens, ziel);
    if (!fehler_.isEmpty()) {
        datei.cancelWriting();
        return false;
    }

    CURLM* m = curl_->multi;
    if (lib.multi_add_handle(m, e) != CURLM_OK) {
        fehler_ = QStringLiteral("libcurl refused the transfer");
        return false;
    }

    Lauf lauf{lib, m, e, datei, ziel, stille};
    Warten(lauf);
    // Taking a handle out in the middle of a transfer closes its connection
    // without waiting for the server.
    lib.multi_remove_handle(m, e);
    return Abschliessen(lauf, lokaleDatei, hoechstens);
}

} // namespace pinwick
