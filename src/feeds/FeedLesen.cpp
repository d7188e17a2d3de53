#include "FeedLesen.h"

#include "FeedText.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimeZone>
#include <QXmlStreamReader>

namespace pinwick {

using namespace feedtext;

namespace {

const QString nsAtom = QStringLiteral("http://www.w3.org/2005/Atom");
const QString nsRss1 = QStringLiteral("http://purl.org/rss/1.0/");
const QString nsRdf = QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#");
const QString nsDc = QStringLiteral("http://purl.org/dc/elements/1.1/");
const QString nsInhalt = QStringLiteral("http://purl.org/rss/1.0/modules/content/");
const QString nsXml = QStringLiteral("http://www.w3.org/XML/1998/namespace");

// Entity references the reader may expand in all. The document is refused
// before any declared entity is used, so this only guards the reader's own.
constexpr int ExpansionHoechstens = 1024;

// HTML's names for entities a feed uses without declaring them (a common
// fault: "&nbsp;" straight in the XML). Answered from HtmlNamen, so
// nothing outside the document is ever asked.
class HtmlEntitaeten : public QXmlStreamEntityResolver {
public:
    QString resolveUndeclaredEntity(const QString& name) override {
        const auto it = HtmlNamen().constFind(name);
        return it == HtmlNamen().constEnd() ? QString() : QString(QChar(*it));
    }
};

// Reads from the reader's current start element to its end and returns its
// text: characters as they are; child elements (Atom's xhtml, or a feed
// putting markup unescaped) give their text with a blank around blocks.
QString ElementText(QXmlStreamReader& xml) {
    QString text;
    int tiefe = 1;
    while (tiefe > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++tiefe;
            if (IstBlock(xml.name()))
                text += u' ';
            break;
        case QXmlStreamReader::EndElement:
            --tiefe;
            if (tiefe > 0 && IstBlock(xml.name()))
                text += u' ';
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            if (text.size() < RohHoechstens)
                text += xml.text().left(RohHoechstens - text.size());
            break;
        default:
            break;
        }
    }
    return text;
}

struct Leser {
    QXmlStreamReader& xml;
    QUrl adresse;
    FeedInhalt inhalt;

    bool Ist(const QString& ns, QLatin1StringView name) const {
        return xml.namespaceUri() == ns && xml.name() == name;
    }

    QUrl Basis(const QUrl& aussen) const {
        const QStringView base = xml.attributes().value(nsXml, QStringLiteral("base"));
        return base.isEmpty() ? aussen : aussen.resolved(QUrl(base.toString()));
    }

    // Atom text constructs: type="text" (the default), "html" or "xhtml".
    QString AtomText(int hoechstens) {
        const QString art = xml.attributes().value(QStringLiteral("type")).toString().toLower();
        const QString roh = ElementText(xml);
        if (art == u"html" || art == u"xhtml" || art == u"text/html")
            return HtmlZuText(roh, hoechstens);
        return Eben(roh, hoechstens);
    }

    // The href of an Atom link that points at the page (rel alternate or
    // none), else empty; the element is read to its end either way.
    QString AtomLink(const QUrl& basis) {
        const QXmlStreamAttributes a = xml.attributes();
        const QString rel = a.value(QStringLiteral("rel")).toString();
        const QString href = a.value(QStringLiteral("href")).toString();
        xml.skipCurrentElement();
        if (!rel.isEmpty() && rel != u"alternate")
            return {};
        return LinkAufloesen(basis, href);
    }

    // Keeps an item when it has something to show.
    void Behalten(FeedEintrag e, const QString& inhaltHtml) {
        if (e.zusammenfassung.isEmpty() && !inhaltHtml.isEmpty())
            e.zusammenfassung = HtmlZuText(inhaltHtml, FeedHoechstZusammenfassung);
        if (e.titel.isEmpty())
            e.titel = Kuerzen(e.zusammenfassung, 80);
        if (e.titel.isEmpty())
            return;
        inhalt.eintraege.append(e);
    }

    bool Voll() const { return inhalt.eintraege.size() >= FeedHoechstEintraege; }

    // An RSS item (2.0: no namespace; 1.0: its namespace).
    void RssEintrag(const QString& ns) {
        FeedEintrag e;
        QString inhaltHtml;
        QString guidLink;
        while (xml.readNextStartElement()) {
            if (Ist(ns, QLatin1StringView("title")))
                e.titel = HtmlZuText(ElementText(xml), FeedHoechstTitel);
            else if (Ist(ns, QLatin1StringView("link")))
                e.link = LinkAufloesen(adresse, ElementText(xml).trimmed());
            else if (Ist(ns, QLatin1StringView("description")))
                e.zusammenfassung = HtmlZuText(ElementText(xml), FeedHoechstZusammenfassung);
            else if (Ist(nsInhalt, QLatin1StringView("encoded")))
                inhaltHtml = ElementText(xml);
            else if (Ist(ns, QLatin1StringView("pubDate")) || Ist(nsDc, QLatin1StringView("date")))
                e.datum = FeedDatumLesen(ElementText(xml));
            else if (Ist(ns, QLatin1StringView("guid"))) {
                const bool permalink =
                    xml.attributes().value(QStringLiteral("isPermaLink")) != u"false";
                e.kennung = Kuerzen(ElementText(xml).trimmed(), FeedHoechstLink);
                if (permalink)
                    guidLink = LinkAufloesen(adresse, e.kennung);
            } else
                xml.skipCurrentElement();
        }
        if (xml.hasError())
            return; // broken off inside the item: it is not whole
        if (e.link.isEmpty())
            e.link = guidLink;
        if (e.kennung.isEmpty() && ns == nsRss1)
            e.kennung = e.link;
        Behalten(e, inhaltHtml);
    }

    // The channel's own fields; RSS 2.0 keeps its items inside it.
    void RssKanal(const QString& ns) {
        while (!Voll() && xml.readNextStartElement()) {
            if (Ist(ns, QLatin1StringView("item"))) {
                RssEintrag(ns);
            } else if (Ist(ns, QLatin1StringView("title")))
                inhalt.titel = HtmlZuText(ElementText(xml), FeedHoechstTitel);
            else if (Ist(ns, QLatin1StringView("link")))
                inhalt.link = LinkAufloesen(adresse, ElementText(xml).trimmed());
            else if (Ist(ns, QLatin1StringView("ttl"))) {
                bool ok = false;
                const int ttl = ElementText(xml).trimmed().toInt(&ok);
                if (ok && ttl > 0)
                    inhalt.ttlMinuten = ttl;
            } else
                xml.skipCurrentElement();
        }
    }

    void Rss2() {
        inhalt.format = FeedInhalt::Format::Rss2;
        while (!Voll() && xml.readNextStartElement()) {
            if (Ist(QString(), QLatin1StringView("channel")))
                RssKanal(QString());
            else
                xml.skipCurrentElement();
        }
    }

    // RSS 1.0: the channel names its items, which follow it as siblings.
    void Rss1() {
        inhalt.format = FeedInhalt::Format::Rss1;
        while (!Voll() && xml.readNextStartElement()) {
            if (Ist(nsRss1, QLatin1StringView("channel")))
                RssKanal(nsRss1);
            else if (Ist(nsRss1, QLatin1StringView("item"))) {
                RssEintrag(nsRss1);
            } else
                xml.skipCurrentElement();
        }
    }

    void AtomEintrag(const QUrl& aussen) {
        const QUrl basis = Basis(aussen);
        FeedEintrag e;
        QString inhaltHtml;
        QDateTime veroeffentlicht;
        while (xml.readNextStartElement()) {
            if (Ist(nsAtom, QLatin1StringView("title")))
                e.titel = AtomText(FeedHoechstTitel);
            else if (Ist(nsAtom, QLatin1StringView("link"))) {
                const QString l = AtomLink(basis);
                if (e.link.isEmpty())
                    e.link = l;
            } else if (Ist(nsAtom, QLatin1StringView("summary")))
                e.zusammenfassung = AtomText(FeedHoechstZusammenfassung);
            else if (Ist(nsAtom, QLatin1StringView("content"))) {
                if (xml.attributes().hasAttribute(QStringLiteral("src")))
                    xml.skipCurrentElement();
                else
                    inhaltHtml = AtomText(FeedHoechstZusammenfassung);
            } else if (Ist(nsAtom, QLatin1StringView("updated")))
                e.datum = FeedDatumLesen(ElementText(xml));
            else if (Ist(nsAtom, QLatin1StringView("published")))
                veroeffentlicht = FeedDatumLesen(ElementText(xml));
            else if (Ist(nsAtom, QLatin1StringView("id")))
                e.kennung = Kuerzen(ElementText(xml).trimmed(), FeedHoechstLink);
            else
                xml.skipCurrentElement();
        }
        if (xml.hasError())
            return;
        if (!e.datum.isValid())
            e.datum = veroeffentlicht;
        Behalten(e, inhaltHtml);
    }

    void Atom() {
        inhalt.format = FeedInhalt::Format::Atom;
        const QUrl basis = Basis(adresse);
        while (!Voll() && xml.readNextStartElement()) {
            if (Ist(nsAtom, QLatin1StringView("entry"))) {
                AtomEintrag(basis);
            } else if (Ist(nsAtom, QLatin1StringView("title")))
                inhalt.titel = AtomText(FeedHoechstTitel);
            else if (Ist(nsAtom, QLatin1StringView("link"))) {
                const QString l = AtomLink(basis);
                if (inhalt.link.isEmpty())
                    inhalt.link = l;
            } else
                xml.skipCurrentElement();
        }
    }

    // Up to the root element. A document type that declares entities is
    // refused here, before any of them could be used: feeds have no need
    // of them, and they are how a document grows without bound ("billion
    // laughs") or reaches for a local file.
    bool Anfang() {
        while (!xml.atEnd()) {
            const QXmlStreamReader::TokenType t = xml.readNext();
            if (t == QXmlStreamReader::DTD) {
                if (!xml.entityDeclarations().isEmpty() ||
                    xml.text().contains(QLatin1StringView("<!ENTITY"))) {
                    inhalt.fehler = QStringLiteral("the document declares entities");
                    return false;
                }
            } else if (t == QXmlStreamReader::StartElement)
                return true;
        }
        return false;
    }

    void Lesen() {
        if (!Anfang()) {
            if (inhalt.fehler.isEmpty())
                inhalt.fehler = xml.hasError() ? QStringLiteral("line %1: %2")
                                                     .arg(xml.lineNumber())
                                                     .arg(xml.errorString())
                                               : QStringLiteral("the document is empty");
            return;
        }
        if (Ist(QString(), QLatin1StringView("rss")))
            Rss2();
        else if (Ist(nsRdf, QLatin1StringView("RDF")))
            Rss1();
        else if (Ist(nsAtom, QLatin1StringView("feed")))
            Atom();
        else {
            inhalt.fehler = QStringLiteral("not a feed (root element <%1>)").arg(xml.name());
            return;
        }
        if (xml.hasError())
            inhalt.fehler = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
    }
};

// The offset of the first byte that does not belong to well-formed UTF-8
// (overlong forms, surrogates and code points beyond U+10FFFF included),
// -1 when there is none.
qsizetype ErsterUtf8Fehler(const QByteArray& d) {
    const auto* b = reinterpret_cast<const unsigned char*>(d.constData());
    const qsizetype n = d.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = b[i];
        int folge = 0;
        unsigned char min = 0x80, max = 0xBF;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            folge = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            folge = 2;
            if (c == 0xE0)
                min = 0xA0;
            else if (c == 0xED)
                max = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            folge = 3;
            if (c == 0xF0)
                min = 0x90;
            else if (c == 0xF4)
                max = 0x8F;
        } else {
            return i;
        }
        if (i + folge >= n)
            return i;
        if (b[i + 1] < min || b[i + 1] > max)
            return i;
        for (int k = 2; k <= folge; ++k)
            if (b[i + k] < 0x80 || b[i + k] > 0xBF)
                return i;
        i += folge + 1;
    }
    return -1;
}

// Whether the reader will take the bytes as UTF-8: no byte order mark of
// another encoding, and a declaration naming UTF-8 or none.
bool WirdUtf8(const QByteArray& d) {
    if (d.startsWith("\xFE\xFF") || d.startsWith("\xFF\xFE") || d.startsWith(QByteArray("\0", 1)) ||
        (d.size() > 1 && d.at(1) == '\0'))
        return false;
    if (!d.startsWith("<?xml") && !d.startsWith("\xEF\xBB\xBF<?xml"))
        return true;
    const qsizetype ende = d.indexOf("?>");
    const QByteArray erklaerung = d.left(ende < 0 ? 200 : ende).toLower();
    static const QRegularExpression kodierung(QStringLiteral("encoding\\s*=\\s*[\"']([^\"']*)[\"']"));
    const QRegularExpressionMatch m = kodierung.match(QString::fromLatin1(erklaerung));
    return !m.hasMatch() || m.captured(1) == u"utf-8" || m.captured(1) == u"utf8";
}

} // namespace

QByteArray ZeichensatzAusInhaltsart(const QByteArray& inhaltsart) {
    for (const QByteArray& teil : inhaltsart.split(';')) {
        const QByteArray t = teil.trimmed();
        if (t.size() > 8 && t.left(8).toLower() == "charset=") {
            QByteArray wert = t.mid(8).trimmed();
            if (wert.size() >= 2 && wert.startsWith('"') && wert.endsWith('"'))
                wert = wert.mid(1, wert.size() - 2);
            return wert.toLower();
        }
    }
    return {};
}

FeedInhalt FeedLesen(const QByteArray& daten, const QUrl& adresse, const QByteArray& zeichensatz) {
    if (daten.size() > FeedHoechstBytes) {
        FeedInhalt zuGross;
        zuGross.fehler = QStringLiteral("the feed has more than %1 bytes").arg(FeedHoechstBytes);
        return zuGross;
    }
    QXmlStreamReader xml;
    QString kodierFehler;
    QStringDecoder dekodierer;
    if (!zeichensatz.isEmpty())
        dekodierer = QStringDecoder(zeichensatz.constData());
    if (dekodierer.isValid()) {
        // Text handed over as characters: the reader ignores the
        // declaration's encoding, as the header's is the one that holds.
        QString text = dekodierer.decode(daten);
        if (dekodierer.hasError())
            kodierFehler = QStringLiteral("bytes that are not %1").arg(QString::fromLatin1(zeichensatz));
        xml.addData(text);
    } else if (const qsizetype fehlerBei = WirdUtf8(daten) ? ErsterUtf8Fehler(daten) : -1;
               fehlerBei >= 0) {
        // The reader would refuse the whole document for one bad byte;
        // what stands before it is read, as from a feed that broke off.
        kodierFehler = QStringLiteral("bytes that are not UTF-8 at offset %1").arg(fehlerBei);
        xml.addData(daten.left(fehlerBei));
    } else {
        xml.addData(daten);
    }
    HtmlEntitaeten entitaeten;
    xml.setEntityResolver(&entitaeten);
    xml.setEntityExpansionLimit(ExpansionHoechstens);
    Leser leser{xml, adresse, {}};
    leser.Lesen();
    // The bad bytes are the cause; the broken-off end they left is not.
    if (!kodierFehler.isEmpty())
        leser.inhalt.fehler = kodierFehler;
    return leser.inhalt;
}

} // namespace pinwick
