#include "FeedAbholer.h"

#include "Hilfen.h"
#include "Protokoll.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>

namespace pinwick {

namespace {

// The cache file is ours, but read back with a cap all the same: a damaged
// or planted file must not cost the start more than this.
constexpr qint64 CacheHoechstBytes = 16 * 1024 * 1024;

// Reads a feed's bytes on the worker thread and hands the result back.
class Zerleger : public QObject {
    Q_OBJECT
public:
    void Lesen(qint64 id, quint64 runde, const QByteArray& daten, const QUrl& adresse,
               const QByteArray& zeichensatz) {
        emit Gelesen(id, runde, FeedLesen(daten, adresse, zeichensatz));
    }
signals:
    void Gelesen(qint64 id, quint64 runde, const pinwick::FeedInhalt& inhalt);
};

// Newest first when every item has a date; else the document's order,
// which feeds keep newest first by custom.
QList<FeedEintrag> Neueste(QList<FeedEintrag> eintraege) {
    const bool alleDatiert = std::all_of(eintraege.cbegin(), eintraege.cend(),
                                         [](const FeedEintrag& e) { return e.datum.isValid(); });
    if (alleDatiert)
        std::stable_sort(eintraege.begin(), eintraege.end(),
                         [](const FeedEintrag& a, const FeedEintrag& b) { return a.datum > b.datum; });
    if (eintraege.size() > FeedAnzahlHoechstens)
        eintraege.resize(FeedAnzahlHoechstens);
    return eintraege;
}

QString FehlerText(const HttpAntwort& a) {
    if (a.fehler != HttpAntwort::Fehler::Keiner)
        return a.fehlerText;
    return QStringLiteral("the server answered HTTP %1").arg(a.status);
}

QJsonObject AlsJson(const FeedStand& s) {
    QJsonArray eintraege;
    for (const FeedEintrag& e : s.eintraege)
        eintraege.append(QJsonObject{
            {QStringLiteral("titel"), e.titel},
            {QStringLiteral("link"), e.link},
            {QStringLiteral("zusammenfassung"), e.zusammenfassung},
            {QStringLiteral("datum"), e.datum.isValid() ? e.datum.toString(Qt::ISODateWithMs) : QString()},
            {QStringLiteral("kennung"), e.kennung}});
    return QJsonObject{{QStringLiteral("adresse"), s.adresse},
                       {QStringLiteral("abrufAdresse"), s.abrufAdresse},
                       {QStringLiteral("titel"), s.titel},
                       {QStringLiteral("geholt"), s.geholt.isValid() ? s.geholt.toString(Qt::ISODate) : QString()},
                       {QStringLiteral("fehler"), s.fehler},
                       {QStringLiteral("etag"), QString::fromLatin1(s.etag)},
                       {QStringLiteral("zuletztGeaendert"), QString::fromLatin1(s.zuletztGeaendert)},
                       {QStringLiteral("eintraege"), eintraege}};
}

// A cached feed as it was written; texts are cut and links checked again,
// as for a feed fetched.
FeedStand AusJson(const QJsonObject& o) {
    const auto text = [&](const QJsonObject& j, const char* name, int hoechstens) {
        return j.value(QLatin1String(name)).toString().left(hoechstens);
    };
    FeedStand s;
    s.adresse = text(o, "adresse", FeedHoechstLink);
    s.abrufAdresse = text(o, "abrufAdresse", FeedHoechstLink);
    if (!FeedAdresseErlaubt(QUrl(s.abrufAdresse)))
        s.abrufAdresse = s.adresse;
    s.titel = text(o, "titel", FeedHoechstTitel);
    s.geholt = QDateTime::fromString(text(o, "geholt", 64), Qt::ISODate);
    s.fehler = text(o, "fehler", 1000);
    s.etag = text(o, "etag", 1024).toLatin1();
    s.zuletztGeaendert = text(o, "zuletztGeaendert", 128).toLatin1();
    for (const QJsonValue& v : o.value(QLatin1String("eintraege")).toArray()) {
        if (s.eintraege.size() >= FeedAnzahlHoechstens)
            break;
        const QJsonObject j = v.toObject();
        FeedEintrag e;
        e.titel = text(j, "titel", FeedHoechstTitel);
        const QString link = text(j, "link", FeedHoechstLink);
        e.link = LinkSicher(QUrl(link)) ? link : QString();
        e.zusammenfassung = text(j, "zusammenfassung", FeedHoechstZusammenfassung);
        e.datum = QDateTime::fromString(text(j, "datum", 64), Qt::ISODateWithMs);
        e.kennung = text(j, "kennung", FeedHoechstLink);
        if (!e.titel.isEmpty())
            s.eintraege.append(e);
    }
    return s;
}

} // namespace

qint64 FeedWarten(const FeedTakt& takt, const FeedAusgang& a) {
    qint64 warten = takt.standardSekunden;
    if (a.erfolg) {
        if (a.ttlMinuten)
            warten = std::max<qint64>(warten, qint64(*a.ttlMinuten) * 60);
        if (a.maxAlter)
            warten = std::max<qint64>(warten, *a.maxAlter);
    } else {
        // Doubling from the shortest wait: 5, 10, 20, 40 minutes ...
        const int schritte = std::clamp(a.fehlschlaege - 1, 0, 20);
        warten = takt.mindestSekunden << schritte;
    }
    if (a.spaeterSekunden)
        warten = std::max<qint64>(warten, *a.spaeterSekunden);
    return std::clamp<qint64>(warten, takt.mindestSekunden, takt.hoechstSekunden);
}

QString FeedCacheStandardPfad() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/pinwick/feeds.json");
}

FeedAbholer::FeedAbholer(FeedTakt takt, QString cacheDatei, QObject* eltern)
    : QObject(eltern), takt_(std::move(takt)), cacheDatei_(std::move(cacheDatei)) {
    qRegisterMetaType<pinwick::FeedInhalt>("pinwick::FeedInhalt");
    wecker_.setSingleShot(true);
    // A feed is due to the second; the coarse timer lets the system bundle
    // the wake-up with others.
    wecker_.setTimerType(Qt::CoarseTimer);
    connect(&wecker_, &QTimer::timeout, this, &FeedAbholer::wecken);
    auto* zerleger = new Zerleger;
    zerleger->moveToThread(&arbeiter_);
    connect(&arbeiter_, &QThread::finished, zerleger, &QObject::deleteLater);
    connect(this, &FeedAbholer::lesenLassen, zerleger, &Zerleger::Lesen, Qt::QueuedConnection);
    connect(zerleger, &Zerleger::Gelesen, this, &FeedAbholer::gelesen, Qt::QueuedConnection);
    arbeiter_.setObjectName(QStringLiteral("feeds"));
    arbeiter_.start(QThread::LowPriority);
    cacheLesen();
}

FeedAbholer::~FeedAbholer() {
    // A document being read is bounded (FeedHoechstBytes): the wait is short.
    arbeiter_.quit();
    arbeiter_.wait();
    // The client is shared: requests of these feeds end here, without a
    // result.
    for (const Feed& f : std::as_const(feeds_))
        if (f.laeuft && abruf_)
            abruf_->Abbrechen(f.anfrage);
}

void FeedAbholer::Setzen(const QList<FeedQuelle>& quellen) {
    QHash<qint64, Feed> neu;
    reihenfolge_.clear();
    for (const FeedQuelle& q : quellen) {
        if (!q.aktiv || !FeedAdresseErlaubt(QUrl(q.adresse)))
            continue;
        auto alt = feeds_.find(q.id);
        // The same feed, or the same one under the address it moved to
        // (stored by the owner after AdresseVerschoben): it keeps its state.
        if (alt != feeds_.end() &&
            (alt->quelle.adresse == q.adresse || alt->stand.abrufAdresse == q.adresse)) {
            Feed f = *alt;
            f.quelle = q;
            if (f.stand.adresse != q.adresse) {
                cache_.remove(f.stand.adresse);
                f.stand.adresse = q.adresse;
                cache_.insert(q.adresse, f.stand);
            }
            neu.insert(q.id, f);
            feeds_.erase(alt);
        } else {
            Feed f;
            f.quelle = q;
            f.stand = cache_.value(q.adresse);
            f.stand.adresse = q.adresse;
            if (f.stand.abrufAdresse.isEmpty())
                f.stand.abrufAdresse = q.adresse;
            // Soon, but not all at once; a feed fetched shortly before a
            // restart waits for the rest of its interval.
            f.naechster = spaeter(0).addMSecs(
                qint64(QRandomGenerator::global()->bounded(5000) / takt_.schneller));
            if (f.stand.geholt.isValid() && f.stand.fehler.isEmpty()) {
                const QDateTime faellig = f.stand.geholt.addMSecs(
                    qint64(double(takt_.standardSekunden) * 1000 / takt_.schneller));
                if (faellig > f.naechster)
                    f.naechster = std::min(faellig, spaeter(takt_.hoechstSekunden));
            }
            neu.insert(q.id, f);
        }
        reihenfolge_.append(q.id);
    }
    // Whatever is left is off or gone: its request ends without a result.
    for (const Feed& f : std::as_const(feeds_))
        if (f.laeuft && abruf_)
            abruf_->Abbrechen(f.anfrage);
    feeds_ = std::move(neu);
    planen();
}

QList<FeedQuelle> FeedAbholer::Quellen() const {
    QList<FeedQuelle> q;
    for (qint64 id : reihenfolge_)
        q.append(feeds_.value(id).quelle);
    return q;
}

const FeedStand* FeedAbholer::Stand(qint64 id) const {
    const auto it = feeds_.constFind(id);
    return it == feeds_.constEnd() ? nullptr : &it->stand;
}

QDateTime FeedAbholer::Naechster(qint64 id) const {
    return feeds_.value(id).naechster;
}

QDateTime FeedAbholer::spaeter(qint64 sekunden) const {
    return QDateTime::currentDateTimeUtc().addMSecs(qint64(double(sekunden) * 1000 / takt_.schneller));
}

// One timer for all feeds, set to the first one due: between fetches the
// fetching costs no wake-ups.
void FeedAbholer::planen() {
    QDateTime erster;
    for (const Feed& f : std::as_const(feeds_))
        if (!f.laeuft && (!erster.isValid() || f.naechster < erster))
            erster = f.naechster;
    if (!erster.isValid()) {
        wecker_.stop();
        return;
    }
    const qint64 ms = std::max<qint64>(0, QDateTime::currentDateTimeUtc().msecsTo(erster));
    wecker_.start(int(std::min<qint64>(ms, 24LL * 3600 * 1000)));
}

void FeedAbholer::wecken() {
    const QDateTime jetzt = QDateTime::currentDateTimeUtc();
    for (qint64 id : std::as_const(reihenfolge_)) {
        auto it = feeds_.find(id);
        if (it != feeds_.end() && !it->laeuft && it->naechster <= jetzt)
            starten(*it);
    }
    planen();
}

void FeedAbholer::starten(Feed& f) {
    if (!abruf_)
        abruf_ = HttpAbruf::Geteilt();
    HttpAnfrage a = takt_.grenzen;
    a.adresse = f.stand.abrufAdresse;
    a.etag = f.stand.etag;
    a.zuletztGeaendert = f.stand.zuletztGeaendert;
    a.hoechstens = FeedHoechstBytes;
    f.laeuft = true;
    ++f.runde;
    const qint64 id = f.quelle.id;
    const quint64 runde = f.runde;
    f.anfrage = abruf_->Starten(a, [this, id, runde](const HttpAntwort& antwort) {
        beantwortet(id, runde, antwort);
    });
}

void FeedAbholer::beantwortet(qint64 id, quint64 runde, const HttpAntwort& antwort) {
    // An owner asking every quarter of an hour lets libcurl go in between
    // (unless the broadcast's receiver holds it too).
    const bool andereLaufen = std::any_of(feeds_.cbegin(), feeds_.cend(), [&](const Feed& f) {
        return f.laeuft && !(f.quelle.id == id && f.runde == runde);
    });
    if (!andereLaufen)
        abruf_.reset();
    auto it = feeds_.find(id);
    if (it == feeds_.end() || it->runde != runde)
        return;
    Feed& f = *it;
    if (antwort.dauerhaftUmgeleitet && FeedAdresseErlaubt(QUrl(antwort.endAdresse)) &&
        antwort.endAdresse != f.stand.abrufAdresse) {
        f.stand.abrufAdresse = antwort.endAdresse;
        qCInfo(logFeeds) << "feed" << id << "moved for good to" << antwort.endAdresse;
        emit AdresseVerschoben(id, antwort.endAdresse);
    }
    if (antwort.Unveraendert()) {
        f.stand.geholt = QDateTime::currentDateTimeUtc();
        f.stand.fehler.clear();
        f.fehlschlaege = 0;
        abschliessen(f, {true, 0, std::nullopt, antwort.maxAlter, antwort.spaeterSekunden});
        return;
    }
    if (!antwort.Erfolg()) {
        f.stand.fehler = FehlerText(antwort);
        ++f.fehlschlaege;
        qCInfo(logFeeds) << "feed" << id << "failed:" << f.stand.fehler;
        abschliessen(f, {false, f.fehlschlaege, std::nullopt, std::nullopt, antwort.spaeterSekunden});
        return;
    }
    f.antwort = antwort;
    emit lesenLassen(id, runde, antwort.inhalt, QUrl(antwort.endAdresse.isEmpty() ? f.stand.abrufAdresse : antwort.endAdresse),
                     ZeichensatzAusInhaltsart(antwort.inhaltsart));
}

void FeedAbholer::gelesen(qint64 id, quint64 runde, const FeedInhalt& inhalt) {
    auto it = feeds_.find(id);
    if (it == feeds_.end() || it->runde != runde)
        return;
    Feed& f = *it;
    const HttpAntwort antwort = std::exchange(f.antwort, HttpAntwort{});
    const bool brauchbar = inhalt.fehler.isEmpty() || !inhalt.eintraege.isEmpty();
    if (brauchbar) {
        f.stand.eintraege = Neueste(inhalt.eintraege);
        if (!inhalt.titel.isEmpty())
            f.stand.titel = inhalt.titel;
        f.stand.geholt = QDateTime::currentDateTimeUtc();
    }
    f.stand.fehler = inhalt.fehler;
    if (inhalt.fehler.isEmpty()) {
        f.stand.etag = antwort.etag;
        f.stand.zuletztGeaendert = antwort.zuletztGeaendert;
        f.fehlschlaege = 0;
        abschliessen(f, {true, 0, inhalt.ttlMinuten, antwort.maxAlter, antwort.spaeterSekunden});
    } else {
        // A document that cannot be read whole is asked for whole again.
        f.stand.etag.clear();
        f.stand.zuletztGeaendert.clear();
        ++f.fehlschlaege;
        qCInfo(logFeeds) << "feed" << id << "unreadable:" << inhalt.fehler;
        abschliessen(f, {false, f.fehlschlaege, std::nullopt, std::nullopt, antwort.spaeterSekunden});
    }
}

void FeedAbholer::abschliessen(Feed& f, const FeedAusgang& ausgang) {
    f.laeuft = false;
    f.anfrage = 0;
    const qint64 grund = FeedWarten(takt_, ausgang);
    const double streu = takt_.streuung * (QRandomGenerator::global()->generateDouble() * 2 - 1);
    const qint64 warten = std::max<qint64>(takt_.mindestSekunden, qint64(std::llround(double(grund) * (1 + streu))));
    f.naechster = spaeter(warten);
    const qint64 id = f.quelle.id;
    cache_.insert(f.stand.adresse, f.stand);
    cacheSchreiben();
    planen();
    emit Geaendert(id);
}

void FeedAbholer::cacheLesen() {
    if (cacheDatei_.isEmpty())
        return;
    QFile datei(cacheDatei_);
    if (!datei.open(QIODevice::ReadOnly))
        return;
    if (datei.size() > CacheHoechstBytes) {
        qCWarning(logFeeds) << "feed cache" << cacheDatei_ << "is too large; not read";
        return;
    }
    QJsonParseError fehler;
    const QJsonDocument doc = QJsonDocument::fromJson(datei.readAll(), &fehler);
    if (fehler.error != QJsonParseError::NoError) {
        qCWarning(logFeeds) << "feed cache" << cacheDatei_ << "unreadable:" << fehler.errorString();
        return;
    }
    for (const QJsonValue& v : doc.object().value(QLatin1String("feeds")).toArray()) {
        const FeedStand s = AusJson(v.toObject());
        if (!s.adresse.isEmpty())
            cache_.insert(s.adresse, s);
    }
}

// Only the feeds set now are kept: a feed removed takes its items along.
void FeedAbholer::cacheSchreiben() const {
    if (cacheDatei_.isEmpty())
        return;
    QJsonArray feeds;
    for (qint64 id : reihenfolge_) {
        const auto it = feeds_.constFind(id);
        if (it != feeds_.constEnd() && cache_.contains(it->stand.adresse))
            feeds.append(AlsJson(cache_.value(it->stand.adresse)));
    }
    QDir().mkpath(QFileInfo(cacheDatei_).absolutePath());
    const QString fehler = DateiGanzSchreiben(
        cacheDatei_, QJsonDocument(QJsonObject{{QStringLiteral("feeds"), feeds}}).toJson(QJsonDocument::Compact));
    if (!fehler.isEmpty())
        qCWarning(logFeeds) << "feed cache" << cacheDatei_ << "not written:" << fehler;
}

} // namespace pinwick

#include "FeedAbholer.moc"
