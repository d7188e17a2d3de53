#include "FeedLesen.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimeZone>
#include <QXmlStreamReader>

namespace pinwick {

namespace {

const QString nsAtom = QStringLiteral("http://www.w3.org/2005/Atom");
const QString nsRss1 = QStringLiteral("http://purl.org/rss/1.0/");
const QString nsRdf = QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#");
const QString nsDc = QStringLiteral("http://purl.org/dc/elements/1.1/");
const QString nsInhalt = QStringLiteral("http://purl.org/rss/1.0/modules/content/");
const QString nsXml = QStringLiteral("http://www.w3.org/XML/1998/namespace");

// Raw text gathered from one element before it is reduced: enough for any
// summary worth showing, and a bound on what a single element can cost.
constexpr qsizetype RohHoechstens = 64 * 1024;
// Entity references the reader may expand in all. The document is refused
// before any declared entity is used, so this only guards the reader's own.
constexpr int ExpansionHoechstens = 1024;

// HTML's named entities that feeds use (all of Latin-1, the typographic
// ones and a few signs); an unknown name stays as it was written.
const QHash<QString, char16_t>& HtmlNamen() {
    static const QHash<QString, char16_t> namen = [] {
        QHash<QString, char16_t> n{
            {QStringLiteral("amp"), u'&'},        {QStringLiteral("lt"), u'<'},
            {QStringLiteral("gt"), u'>'},         {QStringLiteral("quot"), u'"'},
            {QStringLiteral("apos"), u'\''},      {QStringLiteral("OElig"), 0x152},
            {QStringLiteral("oelig"), 0x153},     {QStringLiteral("Scaron"), 0x160},
            {QStringLiteral("scaron"), 0x161},    {QStringLiteral("Yuml"), 0x178},
            {QStringLiteral("fnof"), 0x192},      {QStringLiteral("circ"), 0x2C6},
            {QStringLiteral("tilde"), 0x2DC},     {QStringLiteral("ensp"), 0x2002},
            {QStringLiteral("emsp"), 0x2003},     {QStringLiteral("thinsp"), 0x2009},
            {QStringLiteral("zwnj"), 0x200C},     {QStringLiteral("zwj"), 0x200D},
            {QStringLiteral("lrm"), 0x200E},      {QStringLiteral("rlm"), 0x200F},
            {QStringLiteral("ndash"), 0x2013},    {QStringLiteral("mdash"), 0x2014},
            {QStringLiteral("lsquo"), 0x2018},    {QStringLiteral("rsquo"), 0x2019},
            {QStringLiteral("sbquo"), 0x201A},    {QStringLiteral("ldquo"), 0x201C},
            {QStringLiteral("rdquo"), 0x201D},    {QStringLiteral("bdquo"), 0x201E},
            {QStringLiteral("dagger"), 0x2020},   {QStringLiteral("Dagger"), 0x2021},
            {QStringLiteral("bull"), 0x2022},     {QStringLiteral("hellip"), 0x2026},
            {QStringLiteral("permil"), 0x2030},   {QStringLiteral("prime"), 0x2032},
            {QStringLiteral("Prime"), 0x2033},    {QStringLiteral("lsaquo"), 0x2039},
            {QStringLiteral("rsaquo"), 0x203A},   {QStringLiteral("oline"), 0x203E},
            {QStringLiteral("frasl"), 0x2044},    {QStringLiteral("euro"), 0x20AC},
            {QStringLiteral("trade"), 0x2122},    {QStringLiteral("larr"), 0x2190},
            {QStringLiteral("uarr"), 0x2191},     {QStringLiteral("rarr"), 0x2192},
            {QStringLiteral("darr"), 0x2193},     {QStringLiteral("harr"), 0x2194},
            {QStringLiteral("minus"), 0x2212},    {QStringLiteral("infin"), 0x221E},
            {QStringLiteral("ne"), 0x2260},       {QStringLiteral("le"), 0x2264},
            {QStringLiteral("ge"), 0x2265},
        };
        // Latin-1 from U+00A0 on, in the order of the code points.
        static const char* const latin1[] = {
            "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",
            "uml",    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",
            "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",  "para",   "middot",
            "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest",
            "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
            "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",
            "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",
            "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",
            "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
            "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
            "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
            "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};
        char16_t c = 0xA0;
        for (const char* name : latin1)
            n.insert(QString::fromLatin1(name), c++);
        return n;
    }();
    return namen;
}

// HTML's names for entities a feed uses without declaring them (a common
// fault: "&nbsp;" straight in the XML). Answered from the table above, so
// nothing outside the document is ever asked.
class HtmlEntitaeten : public QXmlStreamEntityResolver {
public:
    QString resolveUndeclaredEntity(const QString& name) override {
        const auto it = HtmlNamen().constFind(name);
        return it == HtmlNamen().constEnd() ? QString() : QString(QChar(*it));
    }
};

// A code point from a character reference, or U+FFFD for one that is no
// character (a surrogate, beyond Unicode, NUL).
QString ZeichenAus(uint code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return QString(QChar(0xFFFD));
    const char32_t c = code;
    return QString::fromUcs4(&c, 1);
}

QString Kuerzen(QString text, int hoechstens) {
    if (text.size() <= hoechstens)
        return text;
    int n = hoechstens - 1;
    if (n > 0 && text.at(n - 1).isHighSurrogate())
        --n;
    text.truncate(n);
    return text.trimmed() + QChar(0x2026);
}

bool IstBlock(QStringView name) {
    static const QStringList bloecke = {
        QStringLiteral("br"), QStringLiteral("p"),  QStringLiteral("div"), QStringLiteral("li"),
        QStringLiteral("tr"), QStringLiteral("td"), QStringLiteral("h1"),  QStringLiteral("h2"),
        QStringLiteral("h3"), QStringLiteral("h4"), QStringLiteral("h5"),  QStringLiteral("h6"),
        QStringLiteral("ul"), QStringLiteral("ol"), QStringLiteral("blockquote")};
    for (const QString& b : bloecke)
        if (name.compare(b, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

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

// Text that is plain by its kind (Atom type="text") only needs its white
// space settled and its length cut; text that may be HTML is reduced.
QString Eben(const QString& text, int hoechstens) {
    QString t;
    t.reserve(text.size());
    // Control characters (C0 but white space, DEL, C1) draw as boxes or
    // move the text about; they are dropped.
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x20 && u < 0x7F) || u > 0x9F || c == u'\t' || c == u'\n' || c == u'\r')
            t += c;
    }
    return Kuerzen(t.simplified(), hoechstens);
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

QString HtmlZuText(const QString& html, int hoechstens) {
    QString aus;
    aus.reserve(qMin<qsizetype>(html.size(), RohHoechstens));
    const qsizetype n = html.size();
    qsizetype i = 0;
    // Collapsing white space at the end would cut late; text is gathered to
    // twice the cap, which leaves room for what collapses.
    const qsizetype genug = qsizetype(hoechstens) * 2 + 16;
    while (i < n && aus.size() < genug) {
        const QChar c = html.at(i);
        if (c == u'<' && i + 1 < n &&
            (html.at(i + 1).isLetter() || html.at(i + 1) == u'/' || html.at(i + 1) == u'!' ||
             html.at(i + 1) == u'?')) {
            if (html.mid(i, 4) == u"<!--") {
                const qsizetype ende = html.indexOf(QLatin1StringView("-->"), i + 4);
                i = ende < 0 ? n : ende + 3;
                continue;
            }
            const qsizetype ende = html.indexOf(u'>', i);
            if (ende < 0)
                break; // a tag broken off: what follows is not text
            qsizetype s = i + 1;
            if (s < ende && html.at(s) == u'/')
                ++s;
            qsizetype e = s;
            while (e < ende && html.at(e).isLetterOrNumber())
                ++e;
            const QStringView name = QStringView(html).mid(s, e - s);
            i = ende + 1;
            if (html.at(i - 1) == u'>' && html.at(s - 1) != u'/' &&
                (name.compare(u"script", Qt::CaseInsensitive) == 0 ||
                 name.compare(u"style", Qt::CaseInsensitive) == 0)) {
                const QString schluss = QStringLiteral("</") + name.toString();
                const qsizetype zu = html.indexOf(schluss, i, Qt::CaseInsensitive);
                i = zu < 0 ? n : html.indexOf(u'>', zu) + 1;
                if (i <= 0)
                    i = n;
                continue;
            }
            // Inline markup joins its text ("<b>fett</b>er"); blocks part it.
            if (IstBlock(name))
                aus += u' ';
            continue;
        }
        if (c == u'&') {
            qsizetype e = i + 1;
            while (e < n && e - i <= 33 && (html.at(e).isLetterOrNumber() || html.at(e) == u'#'))
                ++e;
            if (e < n && html.at(e) == u';' && e > i + 1) {
                const QString name = html.mid(i + 1, e - i - 1);
                bool gelesen = false;
                if (name.startsWith(u'#')) {
                    bool ok = false;
                    const uint code = (name.size() > 1 && (name.at(1) == u'x' || name.at(1) == u'X'))
                                          ? name.mid(2).toUInt(&ok, 16)
                                          : name.mid(1).toUInt(&ok, 10);
                    if (ok) {
                        aus += ZeichenAus(code);
                        gelesen = true;
                    }
                } else if (const auto it = HtmlNamen().constFind(name); it != HtmlNamen().constEnd()) {
                    aus += QChar(*it);
                    gelesen = true;
                }
                if (gelesen) {
                    i = e + 1;
                    continue;
                }
            }
        }
        aus += c;
        ++i;
    }
    return Eben(aus, hoechstens);
}

QDateTime FeedDatumLesen(const QString& roh) {
    const QString text = roh.trimmed();
    static const QRegularExpression iso(QStringLiteral(
        R"(^(\d{4})-(\d{2})-(\d{2})(?:[Tt ](\d{2}):(\d{2})(?::(\d{2})(?:[.,](\d+))?)?\s*(Z|z|[+-]\d{2}(?::?\d{2})?)?)?$)"));
    static const QRegularExpression rfc822(QStringLiteral(
        R"(^(?:[A-Za-z]{3,9},?\s*)?(\d{1,2})\s+([A-Za-z]{3})[A-Za-z]*\.?\s+(\d{2,4})\s+(\d{1,2}):(\d{2})(?::(\d{2}))?(?:\s*([A-Za-z]{1,5}|[+-]\d{4}))?$)"));
    auto versatz = [](const QString& zone, bool& ok) -> int {
        ok = true;
        if (zone.isEmpty())
            return 0;
        const QString z = zone.toUpper();
        if (z == u"Z" || z == u"GMT" || z == u"UT" || z == u"UTC")
            return 0;
        if (z.at(0) == u'+' || z.at(0) == u'-') {
            QString ziffern = z.mid(1);
            ziffern.remove(u':');
            if (ziffern.size() == 2)
                ziffern += QStringLiteral("00");
            const int h = ziffern.left(2).toInt(), m = ziffern.mid(2, 2).toInt();
            if (h > 14 || m > 59)
                ok = false;
            return (z.at(0) == u'-' ? -1 : 1) * (h * 3600 + m * 60);
        }
        static const QHash<QString, int> namen{
            {QStringLiteral("EST"), -5}, {QStringLiteral("EDT"), -4}, {QStringLiteral("CST"), -6},
            {QStringLiteral("CDT"), -5}, {QStringLiteral("MST"), -7}, {QStringLiteral("MDT"), -6},
            {QStringLiteral("PST"), -8}, {QStringLiteral("PDT"), -7}};
        // Any other name (military letters, local names) is taken as UTC:
        // an hour off is better than no date.
        return namen.value(z, 0) * 3600;
    };
    auto bauen = [&](int j, int mo, int t, int h, int mi, int s, int ms, const QString& zone) {
        bool ok = false;
        const int v = versatz(zone, ok);
        const QDate d(j, mo, t);
        const QTime z(h, mi, s, ms);
        if (!ok || !d.isValid() || !z.isValid())
            return QDateTime();
        return QDateTime(d, z, QTimeZone(v)).toUTC();
    };
    if (const QRegularExpressionMatch m = iso.match(text); m.hasMatch()) {
        const int ms = m.captured(7).isEmpty() ? 0 : (m.captured(7) + QStringLiteral("00")).left(3).toInt();
        // A date alone is midnight UTC.
        return bauen(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                     m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), ms,
                     m.captured(8));
    }
    if (const QRegularExpressionMatch m = rfc822.match(text); m.hasMatch()) {
        static const QStringList monate = {
            QStringLiteral("jan"), QStringLiteral("feb"), QStringLiteral("mar"), QStringLiteral("apr"),
            QStringLiteral("may"), QStringLiteral("jun"), QStringLiteral("jul"), QStringLiteral("aug"),
            QStringLiteral("sep"), QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dec")};
        const int monat = monate.indexOf(m.captured(2).toLower()) + 1;
        if (monat == 0)
            return {};
        int jahr = m.captured(3).toInt();
        if (m.captured(3).size() == 2)
            jahr += jahr < 50 ? 2000 : 1900;
        else if (m.captured(3).size() == 3)
            return {};
        return bauen(jahr, monat, m.captured(1).toInt(), m.captured(4).toInt(), m.captured(5).toInt(),
                     m.captured(6).toInt(), 0, m.captured(7));
    }
    return {};
}

bool LinkSicher(const QUrl& adresse) {
    if (!adresse.isValid() || adresse.isRelative() || adresse.host().isEmpty())
        return false;
    const QString schema = adresse.scheme().toLower();
    if (schema != u"http" && schema != u"https")
        return false;
    if (!adresse.userInfo().isEmpty())
        return false;
    const QString pfad = adresse.path(QUrl::FullyDecoded).trimmed();
    return !pfad.endsWith(QLatin1StringView(".desktop"), Qt::CaseInsensitive);
}

QString LinkAufloesen(const QUrl& basis, const QString& link) {
    const QString l = link.trimmed();
    if (l.isEmpty() || l.size() > FeedHoechstLink)
        return {};
    const QUrl relativ(l, QUrl::StrictMode);
    if (!relativ.isValid())
        return {};
    const QUrl ziel = basis.resolved(relativ);
    if (!LinkSicher(ziel))
        return {};
    const QString text = ziel.toString(QUrl::FullyEncoded);
    return text.size() > FeedHoechstLink ? QString() : text;
}

} // namespace pinwick
