// What a feed's text becomes before it is shown: HTML reduced to one line
// of plain text, dates in the forms feeds write them, links resolved and
// checked. The reader of the documents (FeedLesen.cpp) uses the pieces of
// FeedText.h as well.

#include "FeedLesen.h"
#include "FeedText.h"

#include <QHash>
#include <QRegularExpression>
#include <QTimeZone>

namespace pinwick::feedtext {

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

} // namespace pinwick::feedtext

namespace pinwick {

using namespace feedtext;

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
