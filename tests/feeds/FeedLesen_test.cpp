// Reading feeds: the three formats, encodings, HTML in texts, dates, links,
// and documents that are broken or hostile.

#include "FeedLesen.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pinwick;
using Format = FeedInhalt::Format;

namespace {

const QUrl Quelle(QStringLiteral("https://news.example/feeds/main.xml"));

QByteArray Rss2(const QByteArray& items, const QByteArray& kanal = "<title>Intranet</title>") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel>" + kanal +
           items + "</channel></rss>";
}

QDateTime Utc(int j, int mo, int t, int h, int mi, int s = 0) {
    return QDateTime(QDate(j, mo, t), QTime(h, mi, s), Qt::UTC);
}

struct FormatFall {
    const char* name;
    QByteArray daten;
    QByteArray zeichensatz;
    Format format;
    QString feedTitel;
    int anzahl;
    // The first item; what is empty is not checked.
    QString titel;
    QString link;
    QString zusammenfassung;
    QDateTime datum;
};

TEST(FeedLesen, FormateUndInhalte) {
    QStringEncoder latin1(QStringEncoder::Latin1);
    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    const QString utf16Doc = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?><feed xmlns=\"http://www.w3.org/2005/Atom\">"
        "<title>Größe</title><entry><title>Überblick über Ölpreise</title>"
        "<link href=\"/a/1\"/><updated>2026-12-09T08:00:00Z</updated></entry></feed>");
    const std::vector<FormatFall> faelle = {
        {"rss2 with CDATA html",
         Rss2("<item><title>Server &amp; Netz</title><link>https://news.example/1</link>"
              "<description><![CDATA[<p>Wartung <b>heute</b> ab 18&nbsp;Uhr</p><script>x()</script>]]>"
              "</description><pubDate>Wed, 09 Dec 2026 10:00:00 +0100</pubDate></item>"
              "<item><title>Zwei</title></item>"),
         {}, Format::Rss2, QStringLiteral("Intranet"), 2, QStringLiteral("Server & Netz"),
         QStringLiteral("https://news.example/1"), QStringLiteral("Wartung heute ab 18 Uhr"),
         Utc(2026, 12, 9, 9, 0)},
        {"rss2 escaped html and named entities in title",
         Rss2("<item><title>Caf&amp;eacute; &amp;ndash; &amp;lt;neu&amp;gt;</title>"
              "<description>&lt;a href=\"x\"&gt;Mehr&lt;/a&gt; &amp;hellip; &amp;#x263A; &amp;#65;"
              "</description></item>"),
         {}, Format::Rss2, {}, 1, QStringLiteral("Café \u2013 <neu>"), {},
         QStringLiteral("Mehr \u2026 \u263a A"), {}},
        {"rss2 undeclared html entity straight in the xml",
         Rss2("<item><title>A&nbsp;B &eacute;</title></item>"), {}, Format::Rss2, {}, 1,
         QStringLiteral("A B é"), {}, {}, {}},
        {"rss2 relative link and guid as permalink",
         Rss2("<item><title>R</title><link>../news/2?x=1</link></item>"
              "<item><title>G</title><guid>https://news.example/g</guid></item>"),
         {}, Format::Rss2, {}, 2, QStringLiteral("R"),
         QStringLiteral("https://news.example/news/2?x=1"), {}, {}},
        {"rss2 unsafe link dropped, item kept",
         Rss2("<item><title>J</title><link>javascript:alert(1)</link></item>"), {}, Format::Rss2,
         {}, 1, QStringLiteral("J"), {}, {}, {}},
        {"rss2 without title takes the summary, without date stays undated",
         Rss2("<item><description>Nur ein Text ohne Titel</description></item>"
              "<item><link>https://x.example/</link></item>"),
         {}, Format::Rss2, {}, 1, QStringLiteral("Nur ein Text ohne Titel"), {},
         QStringLiteral("Nur ein Text ohne Titel"), QDateTime()},
        {"utf-8 of every length is well-formed",
         Rss2("<item><title>\x41 \xc3\xa4 \xe2\x82\xac \xf0\x9f\x98\x80 \xef\xbf\xbd</title></item>"), {},
         Format::Rss2, {}, 1, QStringLiteral("A ä € \U0001F600 \uFFFD"), {}, {}, {}},
        {"rss2 empty channel", Rss2(""), {}, Format::Rss2, QStringLiteral("Intranet"), 0, {}, {},
         {}, {}},
        {"rss1 rdf with dc:date",
         "<?xml version=\"1.0\"?><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\""
         " xmlns=\"http://purl.org/rss/1.0/\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
         "<channel rdf:about=\"x\"><title>Status</title><link>https://it.example/</link></channel>"
         "<item rdf:about=\"https://it.example/s/1\"><title>Mail gestört</title>"
         "<link>https://it.example/s/1</link><dc:date>2026-12-09T07:30:00+01:00</dc:date></item>"
         "</rdf:RDF>",
         {}, Format::Rss1, QStringLiteral("Status"), 1, QStringLiteral("Mail gestört"),
         QStringLiteral("https://it.example/s/1"), {}, Utc(2026, 12, 9, 6, 30)},
        {"atom with html title, xhtml content and xml:base",
         "<feed xmlns=\"http://www.w3.org/2005/Atom\" xml:base=\"https://base.example/blog/\">"
         "<title type=\"text\">A &lt;b&gt; c</title>"
         "<entry><title type=\"html\">&lt;em&gt;Neu&lt;/em&gt;</title>"
         "<link rel=\"edit\" href=\"https://edit.example/\"/><link href=\"posts/7\"/>"
         "<content type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\"><p>Eins</p><p>Zwei</p>"
         "</div></content><published>2026-12-01T12:00:00.250Z</published></entry></feed>",
         {}, Format::Atom, QStringLiteral("A <b> c"), 1, QStringLiteral("Neu"),
         QStringLiteral("https://base.example/blog/posts/7"), QStringLiteral("Eins Zwei"),
         QDateTime(QDate(2026, 12, 1), QTime(12, 0, 0, 250), Qt::UTC)},
        {"iso-8859-1 by declaration",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" +
             latin1(QStringLiteral("<rss><channel><item><title>Müller grüßt</title></item>"
                                   "</channel></rss>")),
         {}, Format::Rss2, {}, 1, QStringLiteral("Müller grüßt"), {}, {}, {}},
        {"iso-8859-1 by the http header over a wrong declaration",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" +
             latin1(QStringLiteral("<rss><channel><item><title>Bäckerei</title></item>"
                                   "</channel></rss>")),
         "iso-8859-1", Format::Rss2, {}, 1, QStringLiteral("Bäckerei"), {}, {}, {}},
        {"utf-16 with byte order mark", utf16(utf16Doc), {}, Format::Atom, QStringLiteral("Größe"),
         1, QStringLiteral("Überblick über Ölpreise"), QStringLiteral("https://news.example/a/1"),
         {}, Utc(2026, 12, 9, 8, 0)},
    };
    for (const FormatFall& f : faelle) {
        SCOPED_TRACE(f.name);
        const FeedInhalt inhalt = FeedLesen(f.daten, Quelle, f.zeichensatz);
        EXPECT_EQ(inhalt.fehler, QString());
        EXPECT_EQ(inhalt.format, f.format);
        if (!f.feedTitel.isEmpty()) {
            EXPECT_EQ(inhalt.titel, f.feedTitel);
        }
        ASSERT_EQ(inhalt.eintraege.size(), f.anzahl);
        if (f.anzahl == 0)
            continue;
        const FeedEintrag& e = inhalt.eintraege.first();
        EXPECT_EQ(e.titel, f.titel);
        EXPECT_EQ(e.link, f.link);
        if (!f.zusammenfassung.isEmpty()) {
            EXPECT_EQ(e.zusammenfassung, f.zusammenfassung);
        }
        EXPECT_EQ(e.datum, f.datum);
    }
}

TEST(FeedLesen, KanalangabenUndObergrenzen) {
    QByteArray viele;
    for (int i = 0; i < FeedHoechstEintraege + 50; ++i)
        viele += "<item><title>T" + QByteArray::number(i) + "</title></item>";
    const FeedInhalt voll = FeedLesen(Rss2(viele, "<ttl>90</ttl>"), Quelle);
    EXPECT_EQ(voll.fehler, QString());
    EXPECT_EQ(voll.eintraege.size(), FeedHoechstEintraege);
    EXPECT_EQ(voll.ttlMinuten, 90);

    const FeedInhalt lang = FeedLesen(
        Rss2("<item><title>" + QByteArray(5000, 'a') + "</title><description>" +
             QByteArray(100000, 'b') + "</description></item>"),
        Quelle);
    ASSERT_EQ(lang.eintraege.size(), 1);
    EXPECT_EQ(lang.eintraege[0].titel.size(), FeedHoechstTitel);
    EXPECT_TRUE(lang.eintraege[0].titel.endsWith(QChar(0x2026)));
    EXPECT_LE(lang.eintraege[0].zusammenfassung.size(), FeedHoechstZusammenfassung);
}

// Documents that are broken, refused or hostile: each is told as an error,
// keeps the whole items before the fault, and shows nothing it should not.
TEST(FeedLesen, KaputteUndFeindlicheDokumente) {
    QTemporaryDir ordner;
    ASSERT_TRUE(ordner.isValid());
    const QString geheimPfad = ordner.filePath(QStringLiteral("geheim.txt"));
    {
        QFile geheim(geheimPfad);
        ASSERT_TRUE(geheim.open(QIODevice::WriteOnly));
        geheim.write("GEHEIMNIS-4711");
    }
    const QByteArray dateiAdresse = QUrl::fromLocalFile(geheimPfad).toEncoded();

    QByteArray lachen = "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY lol \"lol\">";
    lachen += "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">";
    for (int i = 2; i <= 9; ++i) {
        const QByteArray vorher = "&lol" + QByteArray::number(i - 1) + ";";
        lachen += "<!ENTITY lol" + QByteArray::number(i) + " \"" + vorher.repeated(10) + "\">";
    }
    lachen += "]><rss><channel><item><title>&lol9;</title></item></channel></rss>";

    QByteArray riesig = Rss2("<item><title>x</title><description>" +
                             QByteArray(FeedHoechstBytes, 'y') + "</description></item>");

    struct Fall {
        const char* name;
        QByteArray daten;
        int behalten;
        QByteArray zeichensatz = {};
    };
    const std::vector<Fall> faelle = {
        {"billion laughs", lachen, 0},
        {"external entity naming a local file",
         "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY xxe SYSTEM \"" + dateiAdresse +
             "\">]><rss><channel><item><title>&xxe;</title><description>&xxe;</description>"
             "</item></channel></rss>",
         0},
        {"external parameter entity",
         "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY % p SYSTEM \"" + dateiAdresse +
             "\"> %p;]><rss><channel><item><title>t</title></item></channel></rss>",
         0},
        {"broken off inside the third item",
         "<?xml version=\"1.0\"?><rss><channel><item><title>1</title></item>"
         "<item><title>2</title></item><item><title>3</tit",
         2},
        {"invalid utf-8 in the second item",
         Rss2("<item><title>gut</title></item><item><title>b\xff\xfe\xc3</title></item>"), 1},
        {"overlong utf-8 form", Rss2("<item><title>gut</title></item><item><title>\xc0\xaf</title></item>"), 1},
        {"utf-8 surrogate", Rss2("<item><title>gut</title></item><item><title>\xed\xa0\x80</title></item>"), 1},
        {"utf-8 beyond U+10FFFF", Rss2("<item><title>gut</title></item><item><title>\xf4\x90\x80\x80</title></item>"), 1},
        {"utf-8 sequence cut at the end", Rss2("<item><title>gut</title></item>") + "\xe2\x82", 1},
        {"invalid utf-8 against the header's charset",
         Rss2("<item><title>gut</title></item><item><title>b\xff\xfe</title></item>"), 2, "utf-8"},
        {"more than the byte cap", riesig, 0},
        {"html page instead of a feed", "<html><body><p>Login</p></body></html>", 0},
        {"not xml at all", "Service Unavailable", 0},
        {"nothing", "", 0},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(f.name);
        QElapsedTimer uhr;
        uhr.start();
        const FeedInhalt inhalt = FeedLesen(f.daten, Quelle, f.zeichensatz);
        EXPECT_FALSE(inhalt.fehler.isEmpty());
        EXPECT_EQ(inhalt.eintraege.size(), f.behalten);
        for (const FeedEintrag& e : inhalt.eintraege) {
            EXPECT_FALSE(e.titel.contains(QLatin1StringView("GEHEIMNIS")));
            EXPECT_FALSE(e.zusammenfassung.contains(QLatin1StringView("GEHEIMNIS")));
            EXPECT_FALSE(e.titel.contains(QLatin1StringView("lollol")));
        }
        EXPECT_FALSE(inhalt.titel.contains(QLatin1StringView("GEHEIMNIS")));
    }
}

TEST(FeedLesen, HtmlZuText) {
    const struct {
        const char* html;
        int hoechstens;
        const char* text;
    } faelle[] = {
        {"plain text", 100, "plain text"},
        {"<p>one</p><p>two</p>", 100, "one two"},
        {"a<br/>b<br>c", 100, "a b c"},
        {"x <script>alert('<b>')</script>y<style>p{}</style> z", 100, "x y z"},
        {"<!-- hidden <b> -->shown", 100, "shown"},
        {"a < b and c > d", 100, "a < b and c > d"},
        {"5 &lt; 6 &amp;&amp; &quot;q&quot; &apos;s&apos;", 100, "5 < 6 && \"q\" 's'"},
        {"&auml;&Ouml;&szlig;&euro;&mdash;&copy;", 100, "äÖß€—©"},
        {"&#228;&#xE4;&#X263a;", 100, "ää☺"},
        {"&#0; &#xD800; &#x110000;", 100, "\xef\xbf\xbd \xef\xbf\xbd \xef\xbf\xbd"},
        {"&unknown; &amp &", 100, "&unknown; &amp &"},
        {"  lots \n\t of   space  ", 100, "lots of space"},
        {"ctrl\x01\x02" "chars", 100, "ctrlchars"},
        {"del\x7f" "and c1\xc2\x85\xc2\x9f" "gone", 100, "deland c1gone"},
        {"<a href=\"x\">after a tag", 100, "after a tag"},
        {"text then <a href=\"broken", 100, "text then"},
        {"abcdefghij", 5, "abcd…"},
        {"<b>abc</b>defghij", 6, "abcde…"},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.html);
        EXPECT_EQ(HtmlZuText(QString::fromUtf8(f.html), f.hoechstens), QString::fromUtf8(f.text));
    }
}

TEST(FeedLesen, Daten) {
    const struct {
        const char* text;
        QDateTime datum;
    } faelle[] = {
        {"Wed, 09 Dec 2026 10:00:00 GMT", Utc(2026, 12, 9, 10, 0)},
        {"Wed, 9 Dec 2026 10:00:00 +0200", Utc(2026, 12, 9, 8, 0)},
        {"9 Dec 2026 10:00 EST", Utc(2026, 12, 9, 15, 0)},
        {"Wednesday, 09 December 26 10:00:00 PDT", Utc(2026, 12, 9, 17, 0)},
        {"Sat, 01 Jan 99 00:00:00 Z", Utc(1999, 1, 1, 0, 0)},
        {"Tue, 08 Dec 2026 23:30:00 -0130", Utc(2026, 12, 9, 1, 0)},
        {"  Wed, 09 Dec 2026 10:00:00 XYZ ", Utc(2026, 12, 9, 10, 0)},
        {"2026-12-09T10:00:00Z", Utc(2026, 12, 9, 10, 0)},
        {"2026-12-09T10:00:00+01:00", Utc(2026, 12, 9, 9, 0)},
        {"2026-12-09T10:00:00-0530", Utc(2026, 12, 9, 15, 30)},
        {"2026-12-09t10:00:00.5z", QDateTime(QDate(2026, 12, 9), QTime(10, 0, 0, 500), Qt::UTC)},
        {"2026-12-09 10:00", Utc(2026, 12, 9, 10, 0)},
        {"2026-12-09", Utc(2026, 12, 9, 0, 0)},
        {"", QDateTime()},
        {"yesterday", QDateTime()},
        {"2026-13-09T10:00:00Z", QDateTime()},
        {"Wed, 31 Feb 2026 10:00:00 GMT", QDateTime()},
        {"Wed, 09 Foo 2026 10:00:00 GMT", QDateTime()},
        {"Wed, 09 Dec 2026 25:00:00 GMT", QDateTime()},
        {"2026-12-09T10:00:00+25:00", QDateTime()},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.text);
        EXPECT_EQ(FeedDatumLesen(QString::fromUtf8(f.text)), f.datum);
    }
}

TEST(FeedLesen, LinksNurHttpUndHttps) {
    const QUrl basis(QStringLiteral("https://news.example/dir/feed.xml"));
    const struct {
        const char* link;
        const char* ergebnis; // empty: refused
    } faelle[] = {
        {"https://news.example/a", "https://news.example/a"},
        {"HTTP://News.Example/a", "http://news.example/a"},
        {"/b?q=1#f", "https://news.example/b?q=1#f"},
        {"c.html", "https://news.example/dir/c.html"},
        {"//other.example/d", "https://other.example/d"},
        {"  https://news.example/space  ", "https://news.example/space"},
        {"file:///etc/passwd", ""},
        {"file:/home/user/x", ""},
        {"data:text/html;base64,PHNjcmlwdD4=", ""},
        {"javascript:alert(1)", ""},
        {"JaVaScRiPt:alert(1)", ""},
        {"ftp://news.example/x", ""},
        {"mailto:a@b.example", ""},
        {"smb://server/share", ""},
        {"/usr/share/applications/evil.desktop", ""},
        {"https://news.example/launch.DESKTOP", ""},
        {"https://news.example/launch%2Edesktop", ""},
        {"https://user:pw@news.example/", ""},
        {"http:///nohost", ""},
        {"", ""},
    };
    for (const auto& f : faelle) {
        SCOPED_TRACE(f.link);
        EXPECT_EQ(LinkAufloesen(basis, QString::fromUtf8(f.link)), QString::fromUtf8(f.ergebnis));
    }
    EXPECT_EQ(LinkAufloesen(basis, QStringLiteral("/") + QString(FeedHoechstLink, u'a')), QString());
    // An absolute link that is unsafe by itself, checked without a base.
    for (const char* l : {"file:///tmp/x", "data:,x", "javascript:x", "about:blank"})
        EXPECT_FALSE(LinkSicher(QUrl(QString::fromUtf8(l)))) << l;
    EXPECT_TRUE(LinkSicher(QUrl(QStringLiteral("https://news.example/"))));
}

TEST(FeedLesen, ZeichensatzAusInhaltsart) {
    const struct {
        const char* kopf;
        const char* zeichensatz;
    } faelle[] = {
        {"application/rss+xml; charset=ISO-8859-1", "iso-8859-1"},
        {"text/xml;charset=\"utf-16\"", "utf-16"},
        {"application/atom+xml; type=feed ; Charset=UTF-8", "utf-8"},
        {"application/xml", ""},
        {"", ""},
        {"text/xml; charset=", ""},
    };
    for (const auto& f : faelle)
        EXPECT_EQ(ZeichensatzAusInhaltsart(f.kopf), QByteArray(f.zeichensatz)) << f.kopf;
}

} // namespace
