#pragma once
// News feeds read from their bytes: RSS 2.0, RSS 1.0 (RDF) and Atom 1.0,
// through QXmlStreamReader. A feed comes from anyone's server, so reading
// it is bounded in every direction: a document declaring entities is
// refused before anything in it is expanded (no DTD is ever loaded, no
// external entity opened), the bytes, the items and the length of every
// text have caps, and a document that breaks off keeps the items that were
// whole before the fault. Qt Core only.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace pinwick {

// Caps on what one feed may hold. Beyond the bytes the feed is refused;
// beyond the items the rest is not read; texts are cut (with "…").
inline constexpr qsizetype FeedHoechstBytes = 2 * 1024 * 1024;
inline constexpr int FeedHoechstEintraege = 200;
inline constexpr int FeedHoechstTitel = 300;
inline constexpr int FeedHoechstZusammenfassung = 1000;
inline constexpr int FeedHoechstLink = 2000;

struct FeedEintrag {
    QString titel;           // plain text, never empty
    QString link;            // resolved, http or https; empty when none was safe
    QString zusammenfassung; // plain text
    QDateTime datum;         // invalid when the feed gave none (or none readable)
    QString kennung;         // guid / id, as given

    bool operator==(const FeedEintrag&) const = default;
};

struct FeedInhalt {
    enum class Format { Unbekannt, Rss2, Rss1, Atom };
    Format format = Format::Unbekannt;
    QString titel;
    QString link;
    std::optional<int> ttlMinuten; // RSS 2.0 <ttl>
    QList<FeedEintrag> eintraege;  // in the order of the document
    // Why the document is not a whole feed (not XML, broken off, refused);
    // empty when it is. The items before the fault are kept all the same.
    QString fehler;
};

// Reads a feed. `adresse` is where it came from (after redirects): relative
// links resolve against it (or an Atom xml:base). `zeichensatz` is the
// charset of the HTTP Content-Type; when given and known it wins over the
// document's own declaration, otherwise the declaration (or the byte order
// mark) says how the bytes are encoded.
FeedInhalt FeedLesen(const QByteArray& daten, const QUrl& adresse,
                     const QByteArray& zeichensatz = {});

// The charset parameter of a Content-Type value ("text/xml; charset=utf-8"
// -> "utf-8"), empty when there is none.
QByteArray ZeichensatzAusInhaltsart(const QByteArray& inhaltsart);

// HTML (or text that may hold some) as plain text on one line: tags
// dropped (script and style with their content), character references and
// HTML's named entities decoded, white space collapsed, control characters
// gone, cut at `hoechstens` characters with "…".
QString HtmlZuText(const QString& html, int hoechstens);

// A date in the forms feeds use: RFC 822 ("Wed, 02 Oct 2002 13:00:00 GMT",
// two-digit years, zone names or offsets) or RFC 3339 / ISO 8601
// ("2002-10-02T13:00:00+02:00", fractions, a date alone). Invalid when
// neither.
QDateTime FeedDatumLesen(const QString& text);

// Whether a link may be handed to the desktop's handler: an absolute http
// or https address with a host, no user part, and no path naming a
// .desktop file. Everything else (file:, data:, javascript:, any other
// scheme) is refused.
bool LinkSicher(const QUrl& adresse);
// `link` resolved against `basis`, as text, when the result is safe (see
// LinkSicher) and not overly long; empty otherwise.
QString LinkAufloesen(const QUrl& basis, const QString& link);

} // namespace pinwick
