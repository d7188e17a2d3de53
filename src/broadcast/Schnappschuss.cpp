#include "Schnappschuss.h"

#include "WebAdresse.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>
#include <QTimeZone>
#include <QUrl>
#include <cmath>

namespace pinwick {

namespace {

constexpr int Name = 256;
constexpr int Pfad = 4096;

// Whole numbers travel as JSON numbers, which readers hold as doubles:
// exact up to 2^53.
constexpr double GanzzahlGrenze = 9007199254740992.0;

template <typename T> std::optional<T> Nein(QString* grund, const QString& warum) {
    if (grund)
        *grund = warum;
    return std::nullopt;
}

} // namespace

const QList<SchnappschussSpalte> NotizSpalten = {
    {"ID", SpaltenTyp::Ganzzahl, 0},       {"inhalt", SpaltenTyp::Text, 16384},
    {"Rhythmus", SpaltenTyp::Ganzzahl, 0}, {"UhrVon", SpaltenTyp::Zahl, 0},
    {"UhrBis", SpaltenTyp::Zahl, 0},       {"StartDatum", SpaltenTyp::Zahl, 0},
    {"Vorher", SpaltenTyp::Ganzzahl, 0},   {"RhyDetails", SpaltenTyp::Text, 1024},
    {"Dauer", SpaltenTyp::Ganzzahl, 0},
};

const QList<SchnappschussSpalte> EinstellungsSpalten = {
    {"Sprache", SpaltenTyp::Ganzzahl, 0},
    {"ImmerOben", SpaltenTyp::Ganzzahl, 0},
    {"dockPos", SpaltenTyp::Ganzzahl, 0},
    {"fensterHgFarbe", SpaltenTyp::Ganzzahl, 0},
    {"uhrHgFarbe", SpaltenTyp::Ganzzahl, 0},
    {"UhrSchriftFarbe", SpaltenTyp::Ganzzahl, 0},
    {"notizHgFarbe", SpaltenTyp::Ganzzahl, 0},
    {"SchriftName", SpaltenTyp::Text, Name},
    {"SchriftGroesse", SpaltenTyp::Ganzzahl, 0},
    {"SchriftFett", SpaltenTyp::Ganzzahl, 0},
    {"SchriftKursiv", SpaltenTyp::Ganzzahl, 0},
    {"SchriftFarbe", SpaltenTyp::Ganzzahl, 0},
    {"SchriftFarbe2", SpaltenTyp::Ganzzahl, 0},
    {"Schrift3D", SpaltenTyp::Ganzzahl, 0},
    {"zeigDatum", SpaltenTyp::Ganzzahl, 0},
    {"zeigRahmen", SpaltenTyp::Ganzzahl, 0},
    {"Speed", SpaltenTyp::Ganzzahl, 0},
    {"sysopStatus", SpaltenTyp::Ganzzahl, 0},
    // The sysop password's hash (never the password: the file is public).
    {"passWort", SpaltenTyp::Text, 1024},
    {"broadcastStatus", SpaltenTyp::Ganzzahl, 0},
    {"broadcastPfad", SpaltenTyp::Text, Pfad},
    {"remoteEinstellungen", SpaltenTyp::Ganzzahl, 0},
    {"eigeneErlauben", SpaltenTyp::Ganzzahl, 0},
    {"erstVorbei", SpaltenTyp::Ganzzahl, 0},
};

// The table Feeds. An address as long as a feed's link may be; a title
// far longer than any feed's own.
const QList<SchnappschussSpalte> FeedSpalten = {
    {"ID", SpaltenTyp::Ganzzahl, 0},     {"Adresse", SpaltenTyp::Text, 2000},
    {"Titel", SpaltenTyp::Text, 1000},   {"Farbe", SpaltenTyp::Ganzzahl, 0},
    {"Anzahl", SpaltenTyp::Ganzzahl, 0}, {"Aktiv", SpaltenTyp::Ganzzahl, 0},
};

QString SchnappschussZeit(const QDateTime& zeit) {
    return zeit.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

namespace {

std::optional<QDateTime> ZeitLesen(const QString& text) {
    // Exactly the form written: UTC, whole seconds.
    static const QRegularExpression form(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}Z$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    QDateTime zeit = QDateTime::fromString(text, Qt::ISODate);
    if (!zeit.isValid())
        return std::nullopt;
    return zeit.toUTC();
}

bool KopfVollstaendig(const SchnappschussKopf& k, QString* grund) {
    static const QRegularExpression id(QStringLiteral("^[0-9A-F]{16}$"));
    QString fehlt;
    if (k.format != SchnappschussFormat)
        fehlt = QStringLiteral("format");
    else if (k.version == 0 || static_cast<double>(k.version) > GanzzahlGrenze)
        fehlt = QStringLiteral("version");
    else if (!k.veroeffentlicht.isValid())
        fehlt = QStringLiteral("time of publication");
    else if (!k.ablauf.isValid() || k.ablauf <= k.veroeffentlicht)
        fehlt = QStringLiteral("expiry");
    else if (!id.match(k.schluessel).hasMatch())
        fehlt = QStringLiteral("key id");
    if (fehlt.isEmpty())
        return true;
    if (grund)
        *grund = QStringLiteral("no valid ") + fehlt;
    return false;
}

// A value of a column as JSON, when it fits the column.
std::optional<QJsonValue> Wert(const SchnappschussSpalte& s, const QVariant& v, QString* grund) {
    const auto falsch = [&](const char* warum) {
        return Nein<QJsonValue>(grund, QStringLiteral("%1: %2").arg(QLatin1String(s.name),
                                                                    QLatin1String(warum)));
    };
    if (v.isNull())
        return QJsonValue(QJsonValue::Null);
    switch (s.typ) {
    case SpaltenTyp::Ganzzahl: {
        bool ok = false;
        const qlonglong z = v.toLongLong(&ok);
        if (!ok || v.typeId() == QMetaType::QString || std::fabs(double(z)) > GanzzahlGrenze)
            return falsch("not a whole number");
        return QJsonValue(static_cast<qint64>(z));
    }
    case SpaltenTyp::Zahl: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok || v.typeId() == QMetaType::QString || !std::isfinite(d))
            return falsch("not a number");
        return QJsonValue(d);
    }
    case SpaltenTyp::Text:
        if (v.typeId() != QMetaType::QString)
            return falsch("not a text");
        if (v.toString().size() > s.laenge)
            return falsch("text too long");
        return QJsonValue(v.toString());
    }
    return falsch("unknown type");
}

std::optional<QJsonObject> ZeileSchreiben(const QList<SchnappschussSpalte>& spalten,
                                          const SchnappschussZeile& zeile, QString* grund) {
    QJsonObject o;
    for (const SchnappschussSpalte& s : spalten) {
        const std::optional<QJsonValue> w = Wert(s, zeile.value(QLatin1String(s.name)), grund);
        if (!w)
            return std::nullopt;
        o.insert(QLatin1String(s.name), *w);
    }
    for (auto it = zeile.cbegin(); it != zeile.cend(); ++it) {
        if (!o.contains(it.key()))
            return Nein<QJsonObject>(grund, it.key() + QStringLiteral(": not a column"));
    }
    return o;
}

std::optional<SchnappschussZeile> ZeileLesen(const QList<SchnappschussSpalte>& spalten,
                                             const QJsonValue& wert, QString* grund) {
    if (!wert.isObject())
        return Nein<SchnappschussZeile>(grund, QStringLiteral("a row is not an object"));
    const QJsonObject o = wert.toObject();
    SchnappschussZeile zeile;
    for (const SchnappschussSpalte& s : spalten) {
        const QJsonValue v = o.value(QLatin1String(s.name));
        const auto falsch = [&](const char* warum) {
            return Nein<SchnappschussZeile>(
                grund, QStringLiteral("%1: %2").arg(QLatin1String(s.name), QLatin1String(warum)));
        };
        if (v.isUndefined() || v.isNull()) {
            zeile.insert(QLatin1String(s.name), QVariant());
            continue;
        }
        switch (s.typ) {
        case SpaltenTyp::Ganzzahl: {
            const double d = v.toDouble();
            if (!v.isDouble() || std::trunc(d) != d || std::fabs(d) > GanzzahlGrenze)
                return falsch("not a whole number");
            zeile.insert(QLatin1String(s.name), static_cast<qint64>(d));
            break;
        }
        case SpaltenTyp::Zahl:
            if (!v.isDouble())
                return falsch("not a number");
            zeile.insert(QLatin1String(s.name), v.toDouble());
            break;
        case SpaltenTyp::Text:
            if (!v.isString())
                return falsch("not a text");
            if (v.toString().size() > s.laenge)
                return falsch("text too long");
            zeile.insert(QLatin1String(s.name), v.toString());
            break;
        }
    }
    return zeile;
}

// Every receiver would fetch a feed's address: only one that "feed add"
// would take as well.
bool FeedZeileErlaubt(const SchnappschussZeile& zeile, QString* grund) {
    const QVariant adresse = zeile.value(QStringLiteral("Adresse"));
    if (adresse.typeId() == QMetaType::QString && WebAdresseErlaubt(QUrl(adresse.toString())))
        return true;
    if (grund)
        *grund = QStringLiteral("Adresse: not an http:// or https:// address of a feed");
    return false;
}

} // namespace

std::optional<QByteArray> SchnappschussSchreiben(const Schnappschuss& s, QString* grund) {
    if (!KopfVollstaendig(s.kopf, grund))
        return std::nullopt;
    if (s.notizen.size() > NotizenHoechstens)
        return Nein<QByteArray>(grund, QStringLiteral("more than %1 notes").arg(NotizenHoechstens));
    QJsonObject o;
    o.insert(QStringLiteral("format"), s.kopf.format);
    o.insert(QStringLiteral("version"), static_cast<double>(s.kopf.version));
    o.insert(QStringLiteral("veroeffentlicht"), SchnappschussZeit(s.kopf.veroeffentlicht));
    o.insert(QStringLiteral("ablauf"), SchnappschussZeit(s.kopf.ablauf));
    o.insert(QStringLiteral("schluessel"), s.kopf.schluessel);
    const std::optional<QJsonObject> einstellungen =
        ZeileSchreiben(EinstellungsSpalten, s.einstellungen, grund);
    if (!einstellungen)
        return std::nullopt;
    o.insert(QStringLiteral("einstellungen"), *einstellungen);
    QJsonArray notizen;
    for (const SchnappschussZeile& z : s.notizen) {
        const std::optional<QJsonObject> n = ZeileSchreiben(NotizSpalten, z, grund);
        if (!n)
            return std::nullopt;
        notizen.append(*n);
    }
    o.insert(QStringLiteral("notizen"), notizen);
    if (s.feeds.size() > FeedsHoechstens)
        return Nein<QByteArray>(grund, QStringLiteral("more than %1 feeds").arg(FeedsHoechstens));
    QJsonArray feeds;
    for (const SchnappschussZeile& z : s.feeds) {
        const std::optional<QJsonObject> f = ZeileSchreiben(FeedSpalten, z, grund);
        if (!f || !FeedZeileErlaubt(z, grund))
            return std::nullopt;
        feeds.append(*f);
    }
    o.insert(QStringLiteral("feeds"), feeds);
    QByteArray daten = QJsonDocument(o).toJson(QJsonDocument::Indented);
    if (daten.size() > SchnappschussHoechstens)
        return Nein<QByteArray>(grund, QStringLiteral("larger than %1 bytes").arg(SchnappschussHoechstens));
    return daten;
}

std::optional<Schnappschuss> SchnappschussLesen(const QByteArray& daten, QString* grund) {
    using R = Schnappschuss;
    if (daten.size() > SchnappschussHoechstens)
        return Nein<R>(grund, QStringLiteral("larger than %1 bytes").arg(SchnappschussHoechstens));
    QJsonParseError fehler;
    const QJsonDocument dok = QJsonDocument::fromJson(daten, &fehler);
    if (fehler.error != QJsonParseError::NoError)
        return Nein<R>(grund, QStringLiteral("not JSON: ") + fehler.errorString());
    if (!dok.isObject())
        return Nein<R>(grund, QStringLiteral("not a JSON object"));
    const QJsonObject o = dok.object();
    Schnappschuss s;
    const QJsonValue format = o.value(QStringLiteral("format"));
    if (!format.isDouble() || format.toDouble() != std::trunc(format.toDouble()) ||
        format.toDouble() < 1)
        return Nein<R>(grund, QStringLiteral("no format"));
    if (format.toDouble() > SchnappschussFormat)
        return Nein<R>(grund, QStringLiteral("a newer format (%1) than this program reads (%2)")
                                  .arg(format.toDouble())
                                  .arg(SchnappschussFormat));
    s.kopf.format = format.toInt();
    const QJsonValue version = o.value(QStringLiteral("version"));
    const double v = version.toDouble();
    if (!version.isDouble() || v != std::trunc(v) || v < 1 || v > GanzzahlGrenze)
        return Nein<R>(grund, QStringLiteral("no valid version"));
    s.kopf.version = static_cast<uint64_t>(v);
    const std::optional<QDateTime> veroeffentlicht =
        ZeitLesen(o.value(QStringLiteral("veroeffentlicht")).toString());
    const std::optional<QDateTime> ablauf = ZeitLesen(o.value(QStringLiteral("ablauf")).toString());
    if (!veroeffentlicht || !ablauf)
        return Nein<R>(grund, QStringLiteral("no valid time of publication or expiry"));
    s.kopf.veroeffentlicht = *veroeffentlicht;
    s.kopf.ablauf = *ablauf;
    s.kopf.schluessel = o.value(QStringLiteral("schluessel")).toString();
    if (!KopfVollstaendig(s.kopf, grund))
        return std::nullopt;

    const std::optional<SchnappschussZeile> einstellungen =
        ZeileLesen(EinstellungsSpalten, o.value(QStringLiteral("einstellungen")), grund);
    if (!einstellungen)
        return std::nullopt;
    s.einstellungen = *einstellungen;
    const QJsonValue notizen = o.value(QStringLiteral("notizen"));
    if (!notizen.isArray())
        return Nein<R>(grund, QStringLiteral("no notes"));
    const QJsonArray liste = notizen.toArray();
    if (liste.size() > NotizenHoechstens)
        return Nein<R>(grund, QStringLiteral("more than %1 notes").arg(NotizenHoechstens));
    s.notizen.reserve(liste.size());
    for (const QJsonValue& n : liste) {
        std::optional<SchnappschussZeile> zeile = ZeileLesen(NotizSpalten, n, grund);
        if (!zeile)
            return std::nullopt;
        s.notizen.append(std::move(*zeile));
    }
    // Older publishers wrote no feeds: none.
    const QJsonValue feeds = o.value(QStringLiteral("feeds"));
    if (feeds.isUndefined() || feeds.isNull())
        return s;
    if (!feeds.isArray())
        return Nein<R>(grund, QStringLiteral("feeds: not a list"));
    const QJsonArray feedListe = feeds.toArray();
    if (feedListe.size() > FeedsHoechstens)
        return Nein<R>(grund, QStringLiteral("more than %1 feeds").arg(FeedsHoechstens));
    s.feeds.reserve(feedListe.size());
    for (const QJsonValue& f : feedListe) {
        std::optional<SchnappschussZeile> zeile = ZeileLesen(FeedSpalten, f, grund);
        if (!zeile || !FeedZeileErlaubt(*zeile, grund))
            return std::nullopt;
        s.feeds.append(std::move(*zeile));
    }
    return s;
}

namespace {
constexpr const char* KommentarAnfang = "pinwick-broadcast";
}

QByteArray KommentarSchreiben(const SchnappschussKopf& k) {
    return QStringLiteral("%1 format:%2 version:%3 published:%4 expires:%5 key:%6")
        .arg(QLatin1String(KommentarAnfang))
        .arg(k.format)
        .arg(k.version)
        .arg(SchnappschussZeit(k.veroeffentlicht), SchnappschussZeit(k.ablauf), k.schluessel)
        .toUtf8();
}

std::optional<SchnappschussKopf> KommentarLesen(const QByteArray& kommentar, QString* grund) {
    static const QRegularExpression form(QStringLiteral(
        "^pinwick-broadcast format:(\\d{1,4}) version:(\\d{1,16}) published:(\\S+) "
        "expires:(\\S+) key:(\\S+)$"));
    const QRegularExpressionMatch m = form.match(QString::fromUtf8(kommentar));
    if (!m.hasMatch())
        return Nein<SchnappschussKopf>(grund, QStringLiteral("not a snapshot's comment"));
    SchnappschussKopf k;
    k.format = m.captured(1).toInt();
    if (k.format > SchnappschussFormat)
        return Nein<SchnappschussKopf>(
            grund, QStringLiteral("a newer format (%1) than this program reads (%2)")
                       .arg(k.format)
                       .arg(SchnappschussFormat));
    k.version = m.captured(2).toULongLong();
    const std::optional<QDateTime> veroeffentlicht = ZeitLesen(m.captured(3));
    const std::optional<QDateTime> ablauf = ZeitLesen(m.captured(4));
    if (!veroeffentlicht || !ablauf)
        return Nein<SchnappschussKopf>(grund, QStringLiteral("no valid time in the comment"));
    k.veroeffentlicht = *veroeffentlicht;
    k.ablauf = *ablauf;
    k.schluessel = m.captured(5);
    if (!KopfVollstaendig(k, grund))
        return std::nullopt;
    return k;
}

SchnappschussUrteil SchnappschussAnnehmen(const SchnappschussKopf& kopf,
                                          std::optional<uint64_t> zuletztAngenommen,
                                          const QDateTime& jetzt) {
    if (zuletztAngenommen && kopf.version < *zuletztAngenommen)
        return {false, QStringLiteral("older than the notes already shown")};
    if (kopf.ablauf <= jetzt)
        return {false, QStringLiteral("expired on %1")
                           .arg(kopf.ablauf.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'")))};
    return {true, {}};
}

} // namespace pinwick
