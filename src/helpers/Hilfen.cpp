#include "Hilfen.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QProcessEnvironment>
#include <QTime>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <thread>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace pinwick {

namespace {

// Left and right parts with the counts clamped, so a position outside the
// text never loses or invents characters. (QString::left and right hand back
// the whole text for a negative count, which is not what these routines mean.)
QString Links(const QString& text, qsizetype n) {
    return text.left(std::clamp<qsizetype>(n, 0, text.size()));
}
QString Rechts(const QString& text, qsizetype n) {
    return text.right(std::clamp<qsizetype>(n, 0, text.size()));
}

// ---- reading numbers ------------------------------------------------------

// Walks a text and steps over blanks, tabs and line feeds wherever they are,
// so " 1 2" reads as 12: numbers typed or written with spaces between digit
// groups keep their value.
class Leser {
public:
    explicit Leser(QStringView text) : t(text) {}
    QChar Zeichen() {
        while (i < t.size() && (t[i] == u' ' || t[i] == u'\t' || t[i] == u'\n'))
            ++i;
        return i < t.size() ? t[i] : QChar();
    }
    void Weiter() { ++i; }
    bool Ziffer() {
        const QChar c = Zeichen();
        return c >= u'0' && c <= u'9';
    }

private:
    QStringView t;
    qsizetype i = 0;
};

// "&H..." and "&O..." numbers. Values that fit in 16 bits are read as a 16-bit
// two's-complement number and those that fit in 32 bits as a 32-bit one, so
// "&HFFFF" is -1 and a colour like "&H80000005" keeps the value it had when it
// was written out. Anything wider gives 0, the answer for an unreadable text.
double BasisZahl(Leser& l, int basis) {
    uint64_t wert = 0;
    bool ziffern = false;
    for (;;) {
        const QChar c = l.Zeichen();
        int z = -1;
        if (c >= u'0' && c <= u'9')
            z = c.unicode() - u'0';
        else if (basis == 16 && c.toLower() >= u'a' && c.toLower() <= u'f')
            z = c.toLower().unicode() - u'a' + 10;
        if (z < 0 || z >= basis)
            break;
        wert = wert * static_cast<uint64_t>(basis) + static_cast<uint64_t>(z);
        if (wert > 0xFFFFFFFFu)
            return 0;
        ziffern = true;
        l.Weiter();
    }
    if (!ziffern)
        return 0;
    if (wert <= 0xFFFFu)
        return static_cast<int16_t>(static_cast<uint16_t>(wert));
    return static_cast<int32_t>(static_cast<uint32_t>(wert));
}

// The exponent after a number's digits: "E" or "D", a sign, digits. The
// reader stays behind the letter and sign when no digits follow; nullopt then,
// and when there is no exponent letter at all.
std::optional<long> ExponentLesen(Leser& l) {
    const QChar e = l.Zeichen().toLower();
    if (e != u'e' && e != u'd')
        return std::nullopt;
    l.Weiter();
    bool expNegativ = false;
    if (l.Zeichen() == u'-' || l.Zeichen() == u'+') {
        expNegativ = l.Zeichen() == u'-';
        l.Weiter();
    }
    long exponent = 0;
    bool expZiffern = false;
    while (l.Ziffer()) {
        // Capped: far beyond the double range either way, and no overflow.
        exponent = std::min(exponent * 10 + (l.Zeichen().unicode() - u'0'), 100000L);
        expZiffern = true;
        l.Weiter();
    }
    if (!expZiffern)
        return std::nullopt;
    return expNegativ ? -exponent : exponent;
}

// The value of a number too large or too small for a double. The position of
// the first significant digit tells which: too small becomes 0, too large the
// largest finite value, which callers can still compare and round.
double AusserhalbDesBereichs(const std::string& ganz, const std::string& bruch, long exponent,
                             bool negativ) {
    const auto erste = ganz.find_first_not_of('0');
    long stelle = 0;
    if (erste != std::string::npos)
        stelle = static_cast<long>(ganz.size() - erste);
    else
        stelle = -static_cast<long>(std::min(bruch.find_first_not_of('0'), bruch.size()));
    double wert = 0;
    if (stelle + exponent > 0)
        wert = std::numeric_limits<double>::max();
    else
        wert = 0;
    if (negativ)
        wert = -wert;
    return wert;
}

} // namespace

bool HatFuehrendeZahl(QStringView text) {
    Leser l(text);
    if (l.Zeichen() == u'&') {
        l.Weiter();
        const QChar art = l.Zeichen().toLower();
        l.Weiter();
        const QChar c = l.Zeichen().toLower();
        if (art == u'h')
            return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
        return art == u'o' && c >= u'0' && c <= u'7';
    }
    if (l.Zeichen() == u'-' || l.Zeichen() == u'+')
        l.Weiter();
    if (l.Ziffer())
        return true;
    if (l.Zeichen() != u'.')
        return false;
    l.Weiter();
    return l.Ziffer();
}

bool NenntUnendlichOderNaN(QStringView text) {
    QStringView rest = text.trimmed();
    if (rest.startsWith(u'-') || rest.startsWith(u'+'))
        rest = rest.sliced(1);
    return rest.startsWith(u"nan", Qt::CaseInsensitive) ||
           rest.startsWith(u"inf", Qt::CaseInsensitive);
}

double FuehrendeZahl(QStringView text) {
    Leser l(text);
    if (l.Zeichen() == u'&') {
        l.Weiter();
        const QChar art = l.Zeichen().toLower();
        l.Weiter();
        if (art == u'h')
            return BasisZahl(l, 16);
        if (art == u'o')
            return BasisZahl(l, 8);
        return 0;
    }

    // The number is copied into plain ASCII and converted with from_chars:
    // strtod would follow the process locale, which Qt sets from the
    // environment, and read "1.5" as 1 under a German one.
    std::string zahl;
    bool negativ = false;
    if (l.Zeichen() == u'-' || l.Zeichen() == u'+') {
        negativ = l.Zeichen() == u'-';
        l.Weiter();
    }
    if (negativ)
        zahl += '-';
    std::string ganz, bruch;
    while (l.Ziffer()) {
        ganz += static_cast<char>(l.Zeichen().unicode());
        l.Weiter();
    }
    if (l.Zeichen() == u'.') {
        l.Weiter();
        while (l.Ziffer()) {
            bruch += static_cast<char>(l.Zeichen().unicode());
            l.Weiter();
        }
    }
    if (ganz.empty() && bruch.empty())
        return 0;
    zahl += ganz.empty() ? std::string("0") : ganz;
    if (!bruch.empty())
        zahl += '.' + bruch;

    // An exponent letter without digits after it ("1E", "1E+") is ignored.
    // "D" is accepted as well as "E", as older files write doubles that way.
    long exponent = 0;
    if (const std::optional<long> gelesen = ExponentLesen(l)) {
        exponent = *gelesen;
        zahl += 'e' + std::to_string(exponent);
    }

    double wert = 0;
    const std::errc fehler = std::from_chars(zahl.data(), zahl.data() + zahl.size(), wert).ec;
    if (fehler == std::errc::result_out_of_range) {
        // Too large or too small for a double.
        wert = AusserhalbDesBereichs(ganz, bruch, exponent, negativ);
    } else if (fehler != std::errc()) {
        return 0;
    }
    return wert;
}

double RundeGerade(double wert) {
    if (!std::isfinite(wert))
        return wert;
    // Written out rather than std::rint, which would follow whatever rounding
    // mode the floating-point unit happens to be in.
    const double boden = std::floor(wert);
    const double rest = wert - boden;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(boden, 2.0) != 0.0))
        return boden + 1;
    return boden;
}

int32_t RundeGerade32(double wert) {
    if (std::isnan(wert))
        return 0;
    constexpr double unten = std::numeric_limits<int32_t>::min();
    constexpr double oben = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(RundeGerade(wert), unten, oben));
}

// ---- texts ----------------------------------------------------------------

void Trimmen(QString& text) {
    qsizetype anfang = 0;
    qsizetype ende = text.size();
    while (anfang < ende && text[anfang] == u' ')
        ++anfang;
    while (ende > anfang && text[ende - 1] == u' ')
        --ende;
    text = text.mid(anfang, ende - anfang);
}

void ZeichenErsetzen(QString& text, const QString& ersatz, int p) {
    const qsizetype laenge = text.size();
    text = Links(text, qsizetype(p) - 1) + ersatz + Rechts(text, laenge - p);
}

// A start before the first character counts as position 1, and a count below
// zero as 0; n comes back as the number of characters actually replaced.
void TeilErsetzen(QString& text, const QString& ersatz, int s, int& n) {
    const qsizetype laenge = text.size();
    const qsizetype start = std::clamp<qsizetype>(s, 1, laenge + 1);
    n = std::max(n, 0);
    if (start + n - 1 > laenge)
        n = static_cast<int>(laenge - start + 1);
    text = Links(text, start - 1) + ersatz + Rechts(text, laenge - start - n + 1);
}

void KommaZuPunkt(QString& text) {
    // Replacing every comma at once ends where replacing the first one again
    // and again would.
    text.replace(u',', u'.');
}

void ZeilenumbruchZuLeerzeichen(QString& text) {
    // A space put in place of one pair can never make a new pair with its
    // neighbours, so one pass does it.
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
}

void ZeilenendeEntfernen(QString& text) {
    while (!text.isEmpty() && (text.back() == u'\n' || text.back() == u'\r'))
        text.chop(1);
}

void StueckAbschneiden(QString& text, int n, int seite, QString& stueck) {
    const qsizetype laenge = text.size();
    if (laenge == 0 || n > laenge || n < 0)
        return;
    if (seite == 1) {
        stueck = text.left(n);
        text = text.right(laenge - n);
    } else {
        stueck = text.right(n);
        text = text.left(laenge - n);
    }
}

int16_t RestAbLetztem(const QString& text, const QString& stueck) {
    if (text.isEmpty() || stueck.isEmpty())
        return 0;
    const qsizetype p = text.lastIndexOf(stueck);
    if (p < 0)
        return 0;
    return static_cast<int16_t>(
        std::min<qsizetype>(text.size() - p, std::numeric_limits<int16_t>::max()));
}

// ---- dates ----------------------------------------------------------------

namespace {
const QDate tagNull(1899, 12, 30);
constexpr int sekundenJeTag = 86400;
} // namespace

// An invalid date gives day 0.
int32_t DatumsZahl(const QDate& datum) {
    if (!datum.isValid())
        return 0;
    return static_cast<int32_t>(tagNull.daysTo(datum));
}

QDate AusDatumsZahl(int32_t zahl) {
    return tagNull.addDays(zahl);
}

// Before day 0 the day is the next lower whole number and the fraction still
// counts forwards from midnight: 29 Dec 1899 06:00 is -0.75. Stored day numbers
// never go there, and this way the number grows steadily with the time.
double TagesZahl(const QDateTime& moment) {
    if (!moment.isValid())
        return 0;
    const QTime zeit = moment.time();
    const int sekunden = zeit.hour() * 3600 + zeit.minute() * 60 + zeit.second();
    return DatumsZahl(moment.date()) + static_cast<double>(sekunden) / sekundenJeTag;
}

// Rounds to the nearest second; numbers that are no time at all (NaN,
// infinite, or a billion days away) give an invalid QDateTime.
QDateTime AusTagesZahl(double zahl) {
    if (!std::isfinite(zahl) || std::abs(zahl) > 1e9)
        return {};
    auto tag = static_cast<int64_t>(std::floor(zahl));
    auto sekunden = static_cast<int64_t>(std::llround((zahl - std::floor(zahl)) * sekundenJeTag));
    if (sekunden >= sekundenJeTag) {
        ++tag;
        sekunden -= sekundenJeTag;
    }
    return QDateTime(tagNull.addDays(tag), QTime(0, 0).addSecs(static_cast<int>(sekunden)));
}

int16_t TageImMonat(int monat, int jahr) {
    if (monat == 2)
        return jahr % 4 == 0 ? 29 : 28;
    if (monat == 4 || monat == 6 || monat == 9 || monat == 11)
        return 30;
    return 31;
}

int16_t WochentagMo(const QDate& datum) {
    return static_cast<int16_t>(datum.dayOfWeek());
}

QChar DatumTrenner() {
    // The short format names the fields with letters; the first other
    // character between them is the separator. Quotes and blanks are skipped:
    // formats such as "d MMM yyyy" have no separator to speak of.
    const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    for (const QChar c : format) {
        if (!c.isLetter() && !c.isSpace() && c != u'\'')
            return c;
    }
    return u'.';
}

QString DatumText(const QDate& datum) {
    const QChar t = DatumTrenner();
    return QStringLiteral("%1%2%3%4%5")
        .arg(datum.day(), 2, 10, QChar(u'0'))
        .arg(t)
        .arg(datum.month(), 2, 10, QChar(u'0'))
        .arg(t)
        .arg(datum.year(), 4, 10, QChar(u'0'));
}

namespace {

// Reads up to maxStellen digits; false when there is none or more than that.
bool DatumFeld(const QString& text, qsizetype& i, int maxStellen, int& wert, int& stellen) {
    wert = 0;
    stellen = 0;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
        if (++stellen > maxStellen)
            return false;
        wert = wert * 10 + (text[i].unicode() - u'0');
        ++i;
    }
    return stellen > 0;
}

// Blanks may stand on either side of a separator ("1. 2. 2008").
bool DatumTrennerLesen(const QString& text, qsizetype& i, QChar eigener) {
    while (i < text.size() && text[i] == u' ')
        ++i;
    if (i >= text.size())
        return false;
    const QChar c = text[i];
    if (c != u'.' && c != u'/' && c != u'-' && c != eigener)
        return false;
    ++i;
    while (i < text.size() && text[i] == u' ')
        ++i;
    return true;
}

} // namespace

bool DatumGueltig(QString& text, int32_t& datumZahl, const QDate& heute) {
    Trimmen(text);
    if (text.isEmpty())
        return true;

    const QChar eigener = DatumTrenner();
    qsizetype i = 0;
    int tag = 0, monat = 0, jahr = 0, stellen = 0;
    if (!DatumFeld(text, i, 2, tag, stellen) || !DatumTrennerLesen(text, i, eigener) ||
        !DatumFeld(text, i, 2, monat, stellen))
        return false;

    // A missing year is this year, also after a closing separator ("24.12."),
    // the usual German way of writing it. Without a valid heute that is
    // year 0, which no date has.
    jahr = heute.year();
    if (i < text.size()) {
        if (!DatumTrennerLesen(text, i, eigener))
            return false;
        if (i < text.size()) {
            if (!DatumFeld(text, i, 4, jahr, stellen) || i != text.size())
                return false;
            // Two-digit years fall into 1930 to 2029, the window of the
            // system's own date reading that users are used to.
            if (stellen <= 2)
                jahr += jahr < 30 ? 2000 : 1900;
            else if (jahr < 100)
                return false; // "099" or "0099": a short year with padding is a typo
        }
    }

    // Only the years the system's date reading knows, 100 to 9999, also when
    // the year is today's: a note can hold no other date, and a day number
    // far outside them would not fit its 32 bits and name another day.
    const QDate datum(jahr, monat, tag);
    if (!datum.isValid() || datum.year() < 100 || datum.year() > 9999)
        return false;
    datumZahl = DatumsZahl(datum);
    return true;
}

// ---- files, folders, time ---------------------------------------------------

QString DateiGanzSchreiben(const QString& pfad, const QByteArray& daten) {
    // Unbuffered, and the rest written again after a short write: a disk
    // that fills up takes part of a block without an error, and only the
    // next write learns the reason. Through Qt's write buffer that reason
    // is lost ("Unknown error").
    QSaveFile datei(pfad);
    if (!datei.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return datei.errorString();
    for (qint64 fertig = 0; fertig < daten.size();) {
        const qint64 k = datei.write(daten.constData() + fertig, daten.size() - fertig);
        if (k <= 0)
            return datei.errorString();
        fertig += k;
    }
    if (!datei.commit())
        return datei.errorString();
    return {};
}

bool DateiVorhanden(const QString& pfad) {
    if (pfad.isEmpty())
        return false;
    const QFileInfo info(pfad);
    return info.exists() && info.isFile();
}

bool OrdnerVorhanden(const QString& pfad) {
    const QString vorher = QDir::currentPath();
    const bool gelungen = !pfad.isEmpty() && QDir::setCurrent(pfad);
    QDir::setCurrent(vorher);
    return gelungen;
}

void Warten(float sekunden) {
    if (!(sekunden > 0))
        return;
    // A monotonic clock does not jump at midnight or when the clock is set.
    // Waits are capped at a day, which keeps the deadline arithmetic in range.
    using namespace std::chrono;
    const auto dauer = duration<double>(std::min(static_cast<double>(sekunden), 86400.0));
    const auto ende = steady_clock::now() + duration_cast<steady_clock::duration>(dauer);
    for (auto jetzt = steady_clock::now(); jetzt < ende; jetzt = steady_clock::now())
        std::this_thread::sleep_for(std::min<steady_clock::duration>(ende - jetzt, 5ms));
}

void Piepen(bool tonAn, void (*ton)()) {
    if (tonAn && ton != nullptr)
        ton();
}

QString WindowsOrdner() {
    // Where names are case-sensitive (POSIX) "windir" and "WINDIR" can both be
    // set, and the first in the environment's own order wins, so the raw
    // environment is walked; QProcessEnvironment sorts by name. On Windows
    // names are case-insensitive and the sorted list holds the same entries.
    QStringList eintraege;
#ifdef Q_OS_WIN
    eintraege = QProcessEnvironment::systemEnvironment().toStringList();
#else
    for (char** e = environ; e != nullptr && *e != nullptr; ++e)
        eintraege.append(QString::fromLocal8Bit(*e));
#endif
    const auto wert = [&eintraege](const QString& name) -> QString {
        for (const QString& eintrag : eintraege) {
            if (eintrag.left(name.size()).toLower() == name)
                return eintrag.mid(name.size());
        }
        return {};
    };
    QString ordner = wert(QStringLiteral("winbootdir="));
    if (ordner.isEmpty())
        ordner = wert(QStringLiteral("windir="));
    return ordner;
}

} // namespace pinwick
