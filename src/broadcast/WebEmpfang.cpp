#include "WebEmpfang.h"

#include "SchnappschussEmpfang.h"

#include "EinstellungsSatz.h"
#include "Hilfen.h"
#include "Programm.h"
#include "Protokoll.h"
#include "Schema.h"
#include "Speicher.h"
#include "WebAdresse.h"

#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>
#include <QUrl>
#include <sys/stat.h>

#include "Signatur.h"

namespace pinwick {

namespace {

// Sets the row's values on the recordset's current row, for the columns
// this table has; a column the snapshot lacks stays as the table makes it.
void ZeileSetzen(Datensatzmenge& rs, const SchnappschussZeile& zeile) {
    for (auto it = zeile.cbegin(); it != zeile.cend(); ++it)
        if (rs.Spalte(it.key()) >= 0)
            rs.Setze(it.key(), it.value().isNull() ? Wert() : Wert(it.value()));
}

} // namespace

void SchnappschussAlsDatei(const Schnappschuss& s, const QString& ziel) {
    const QString neu = ziel + QStringLiteral(".neu");
    QFile::remove(neu);
    VorlageErzeugen(neu);
    try {
        auto db = std::make_unique<Datenbank>(neu);
        db->Ausfuehren(QStringLiteral("BEGIN"));
        {
            auto einstellungen = db->OpenRecordset(QStringLiteral("select * from Einstellungen"));
            einstellungen->MoveFirst();
            einstellungen->Edit();
            ZeileSetzen(*einstellungen, s.einstellungen);
            einstellungen->Update();
            auto notizen = db->OpenRecordset(QStringLiteral("select * from Notizen"));
            for (const SchnappschussZeile& zeile : s.notizen) {
                notizen->AddNew();
                ZeileSetzen(*notizen, zeile);
                notizen->Update();
            }
            // The broadcaster's feeds, read by the bar as a share's file
            // gives them; a snapshot without any gives an empty table.
            db->Ausfuehren(QString::fromUtf8(schema::Feeds));
            auto feeds = db->OpenRecordset(QStringLiteral("select * from Feeds"));
            for (const SchnappschussZeile& zeile : s.feeds) {
                feeds->AddNew();
                ZeileSetzen(*feeds, zeile);
                feeds->Update();
            }
        }
        db->Ausfuehren(QStringLiteral("COMMIT"));
        db->Close();
    } catch (...) {
        QFile::remove(neu);
        throw;
    }
    // A rename is atomic: the bar opens the old copy or the new one.
    if (::rename(QFile::encodeName(neu).constData(), QFile::encodeName(ziel).constData()) != 0) {
        QFile::remove(neu);
        throw DatenFehler("the received notes cannot be kept in the working folder");
    }
}

QByteArray WebStandSchreiben(const WebStand& stand) {
    QByteArray b;
    b += "adresse " + stand.adresse.toUtf8() + '\n';
    b += "schluessel " + stand.schluessel.toUtf8() + '\n';
    b += "version " + QByteArray::number(stand.version) + '\n';
    b += "ablauf " + SchnappschussZeit(stand.ablauf).toUtf8() + '\n';
    return b;
}

std::optional<WebStand> WebStandLesen(const QByteArray& daten) {
    WebStand stand;
    bool version = false;
    for (const QByteArray& zeile : daten.split('\n')) {
        const int leer = zeile.indexOf(' ');
        if (leer < 0)
            continue;
        const QByteArray name = zeile.left(leer);
        const QString wert = QString::fromUtf8(zeile.mid(leer + 1)).trimmed();
        if (name == "adresse")
            stand.adresse = wert;
        else if (name == "schluessel")
            stand.schluessel = wert;
        else if (name == "version")
            stand.version = wert.toULongLong(&version);
        else if (name == "ablauf")
            stand.ablauf = QDateTime::fromString(wert, Qt::ISODate);
    }
    if (!version || stand.adresse.isEmpty() || !stand.ablauf.isValid())
        return std::nullopt;
    return stand;
}

bool KonfVertrauen(uint32_t besitzer, uint32_t modus, uint32_t erwarteterBesitzer) {
    return besitzer == erwarteterBesitzer && (modus & 022) == 0;
}

QString EmpfangPruefen(const QString& adresse, const QByteArray& schluessel) {
    if (const QString fehler = WebAdresseFehler(adresse); !fehler.isEmpty())
        return fehler;
    QString grund;
    if (!SchluesselLesen(schluessel.trimmed(), &grund))
        return QStringLiteral("the key is no minisign public key: %1").arg(grund);
    return {};
}

std::optional<BroadcastKonf> BroadcastKonfText(const QByteArray& text, QString* grund) {
    BroadcastKonf k;
    for (QByteArray zeile : text.split('\n')) {
        const int kommentar = zeile.indexOf('#');
        if (kommentar >= 0)
            zeile.truncate(kommentar);
        const int gleich = zeile.indexOf('=');
        if (gleich < 0)
            continue;
        const QByteArray name = zeile.left(gleich).trimmed();
        const QByteArray wert = zeile.mid(gleich + 1).trimmed();
        if (name == "address")
            k.adresse = QString::fromUtf8(wert);
        else if (name == "key")
            k.schluessel = wert;
    }
    const QString fehler = EmpfangPruefen(k.adresse, k.schluessel);
    if (!fehler.isEmpty()) {
        if (grund)
            *grund = fehler;
        return std::nullopt;
    }
    return k;
}

std::optional<BroadcastKonf> BroadcastKonfLesen(const QString& pfad, uint32_t erwarteterBesitzer,
                                                QString* grund) {
    struct stat info {};
    if (::stat(QFile::encodeName(pfad).constData(), &info) != 0) {
        if (grund)
            *grund = QStringLiteral("%1 does not exist").arg(pfad);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode) ||
        !KonfVertrauen(static_cast<uint32_t>(info.st_uid), static_cast<uint32_t>(info.st_mode),
                       erwarteterBesitzer)) {
        if (grund)
            *grund = QStringLiteral("%1 is not owned by root or may be written by others").arg(pfad);
        return std::nullopt;
    }
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly)) {
        if (grund)
            *grund = f.errorString();
        return std::nullopt;
    }
    return BroadcastKonfText(f.read(64 * 1024), grund);
}

bool BroadcastKonfUebernehmen(Programm& p, const QString& pfad, uint32_t erwarteterBesitzer) {
    if (p.erstVorbei || !p.broadcastPfad.isEmpty())
        return false;
    QString grund;
    const std::optional<BroadcastKonf> k = BroadcastKonfLesen(pfad, erwarteterBesitzer, &grund);
    if (!k) {
        if (QFileInfo::exists(pfad))
            qCWarning(logStart) << "broadcast.conf not taken:" << grund;
        return false;
    }
    const Einstellungswerte vorher = p;
    p.broadcastStatus = true;
    p.broadcastPfad = k->adresse;
    p.broadcastSchluessel = QString::fromUtf8(k->schluessel.trimmed());
    // A receiver uses the broadcaster's password, as the settings window
    // makes it when the box is ticked.
    p.sysopStatus = true;
    try {
        EinstellungenSpeichern(p);
    } catch (const std::exception& f) {
        qCWarning(logStart) << "broadcast.conf not saved:" << f.what();
        static_cast<Einstellungswerte&>(p) = vorher;
        return false;
    }
    return true;
}

WebEmpfang::WebEmpfang(Programm& p, QObject* eltern) : QObject(eltern), p_(p) {
    // The settings window tells when it saved; no timer wakes the bar to look.
    p_.broadcastEinstellungenGeaendert = [this] { Abgleichen(); };
}

WebEmpfang::~WebEmpfang() {
    p_.broadcastEinstellungenGeaendert = nullptr;
}

QString WebEmpfang::standDatei() const {
    return p_.ArbeitsDatei(QLatin1String(WebStandName));
}

void WebEmpfang::Abgleichen() {
    const bool web = p_.broadcastStatus && BroadcastUeberWeb(p_.broadcastPfad);
    const QString adresse = web ? SchnappschussAdresse(p_.broadcastPfad) : QString();
    const QString schluessel = web ? p_.broadcastSchluessel.trimmed() : QString();
    if (empfang_ && adresse == adresse_ && schluessel == schluessel_)
        return;
    if (!empfang_ && !web)
        return;
    adresse_ = adresse;
    schluessel_ = schluessel;
    // A copy still being written belongs to the old setup.
    ++generation_;
    wartend_.reset();
    empfang_.reset();
    abruf_.reset(); // lets libcurl go while nothing is polled
    if (!web) {
        p_.broadcastWebZustand.clear();
        return;
    }

    // What this desk received before, if with the same address and key.
    std::optional<uint64_t> zuletzt;
    bool kopieGilt = false;
    QFile f(standDatei());
    if (f.open(QIODevice::ReadOnly)) {
        const std::optional<WebStand> stand = WebStandLesen(f.read(4096));
        if (stand && stand->adresse == adresse && stand->schluessel == schluessel) {
            zuletzt = stand->version;
            kopieGilt = stand->ablauf > QDateTime::currentDateTimeUtc();
        }
    }
    if (!kopieGilt)
        QFile::remove(WebKopieDatei(p_));

    abruf_ = std::make_unique<HttpAbruf>();
    empfang_ = std::make_unique<SchnappschussEmpfang>(*abruf_);
    connect(empfang_.get(), &SchnappschussEmpfang::Geaendert, this, &WebEmpfang::geaendert);
    connect(empfang_.get(), &SchnappschussEmpfang::ZustandGeaendert, this, &WebEmpfang::zustandMerken);
    empfang_->Einrichten(adresse, schluessel.toUtf8(), zuletzt, qEnvironmentVariable(CaDateiUmgebung));
    p_.broadcastWebZustand = empfang_->Zustand().Text();
    if (schluessel.isEmpty()) {
        // Nothing could be verified: nothing is fetched.
        QFile::remove(WebKopieDatei(p_));
        p_.broadcastWebZustand = QStringLiteral("no key of the broadcaster is set");
        return;
    }
    empfang_->Starten();
}

void WebEmpfang::geaendert(std::shared_ptr<const Schnappschuss> s) {
    if (!s) {
        // Expired: the bar finds no file and tells the outage.
        wartend_.reset();
        ++generation_;
        QFile::remove(WebKopieDatei(p_));
        return;
    }
    // Writing a notes database (its key derived anew, thousands of rows)
    // takes longer than a tick may: on a worker, one copy at a time, the
    // newest snapshot next.
    wartend_ = std::move(s);
    if (!schreibtGerade_)
        schreiben();
}

void WebEmpfang::schreiben() {
    std::shared_ptr<const Schnappschuss> s = std::move(wartend_);
    wartend_.reset();
    if (!s)
        return;
    schreibtGerade_ = true;
    auto fehler = std::make_shared<QString>();
    auto versprechen = std::make_shared<QPromise<void>>();
    auto* waechter = new QFutureWatcher<void>(this);
    connect(waechter, &QFutureWatcher<void>::finished, this,
            [this, waechter, s, fehler, g = generation_] {
                waechter->deleteLater();
                schreibtGerade_ = false;
                if (g == generation_)
                    geschrieben(*s, *fehler);
                else if (fehler->isEmpty())
                    QFile::remove(WebKopieDatei(p_)); // of a setup that is gone
                schreiben();
            });
    waechter->setFuture(versprechen->future());
    QThreadPool::globalInstance()->start([versprechen, s, fehler, ziel = WebKopieDatei(p_)] {
        versprechen->start();
        try {
            SchnappschussAlsDatei(*s, ziel);
        } catch (const std::exception& f) {
            *fehler = QString::fromUtf8(f.what());
        }
        versprechen->finish();
    });
}

void WebEmpfang::geschrieben(const Schnappschuss& s, const QString& fehler) {
    if (!fehler.isEmpty()) {
        qCWarning(logSpeicher) << "received notes not kept:" << fehler;
        p_.broadcastWebZustand = fehler;
        return;
    }
    if (!empfang_ || !empfang_->Gehalten()) {
        // Expired or set up anew while it was written.
        QFile::remove(WebKopieDatei(p_));
        return;
    }
    WebStand stand{adresse_, schluessel_, s.kopf.version, s.kopf.ablauf};
    const QString standFehler = DateiGanzSchreiben(standDatei(), WebStandSchreiben(stand));
    if (!standFehler.isEmpty())
        qCWarning(logSpeicher) << "receiver's state not kept:" << standFehler;
    // A bar that told an outage takes the notes at its next tick.
    p_.netzFehler = false;
}

void WebEmpfang::zustandMerken(const EmpfangsZustand& z) {
    p_.broadcastWebZustand = z.Text();
    qCInfo(logSpeicher).noquote() << "broadcast over the web:" << p_.broadcastWebZustand;
}

} // namespace pinwick
