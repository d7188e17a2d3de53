#include "Notiz.h"

#include "Hilfen.h"

#include <cmath>
#include <stdexcept>

namespace pinwick {

namespace {

constexpr qsizetype GruppeWoche = 2;
constexpr qsizetype GruppeJahr = 4;

// Day numbers of 1 January 100 and 31 December 9999. No note needs a date
// outside them, and staying inside keeps all day arithmetic far from overflow.
constexpr double ErsterTag = -657434.0;
constexpr double LetzterTag = 2958465.0;

bool nurZiffern(QStringView text) {
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return !text.isEmpty();
}

} // namespace

// ---- weekly -----------------------------------------------------------------

QString WochentageKodieren(const Wochentage& tage) {
    QString text;
    text.reserve(GruppeWoche * 7);
    for (bool aktiv : tage)
        text += aktiv ? u"-1" : u" 0";
    return text;
}

bool WochentagAktiv(QStringView details, int wochentagMo) {
    if (wochentagMo < 1 || wochentagMo > 7)
        return false;
    const qsizetype ab = GruppeWoche * (wochentagMo - 1);
    // A short text lacks the groups of the last days: they count as inactive.
    if (details.size() < ab + GruppeWoche)
        return false;
    return FuehrendeZahl(details.sliced(ab, GruppeWoche)) != 0.0;
}

Wochentage WochentageDekodieren(QStringView details) {
    Wochentage tage{};
    for (int i = 0; i < 7; ++i)
        tage[i] = WochentagAktiv(details, i + 1);
    return tage;
}

// ---- monthly ----------------------------------------------------------------

QString MonatsRegelKodieren(const MonatsRegel& regel) {
    if (regel.art == MonatsRegel::FesterTag) {
        if (!nurZiffern(regel.tagText))
            throw std::invalid_argument("monthly day must be digits");
        return QLatin1Char('1') + regel.tagText;
    }
    if (regel.art != MonatsRegel::Wochentag || regel.position < 1 || regel.position > 5 ||
        regel.wochentag < 0 || regel.wochentag > 6)
        throw std::invalid_argument("monthly weekday rule out of range");
    QString text(QLatin1Char('2'));
    text += QChar(u'0' + regel.position);
    text += QChar(u'0' + regel.wochentag);
    return text;
}

std::optional<MonatsRegel> MonatsRegelDekodieren(QStringView details) {
    if (details.isEmpty())
        return std::nullopt;
    const QStringView rest = details.sliced(1);
    if (details.front() == u'1') {
        if (!nurZiffern(rest))
            return std::nullopt;
        return MonatsRegel::AmTag(rest.toString());
    }
    if (details.front() != u'2' || rest.size() != 2)
        return std::nullopt;
    const int16_t position = static_cast<int16_t>(rest[0].unicode() - u'0');
    const int16_t wochentag = static_cast<int16_t>(rest[1].unicode() - u'0');
    if (position < 1 || position > 5 || wochentag < 0 || wochentag > 6)
        return std::nullopt;
    return MonatsRegel::AmWochentag(position, wochentag);
}

// ---- yearly -----------------------------------------------------------------

QString JahrestageKodieren(std::span<const Jahrestag> tage) {
    QString text;
    text.reserve(GruppeJahr * qsizetype(tage.size()));
    for (const Jahrestag& t : tage) {
        if (t.tag < 0 || t.tag > 99 || t.monat < 0 || t.monat > 99)
            throw std::invalid_argument("yearly day or month does not fit two digits");
        text += QStringLiteral("%1%2")
                    .arg(t.tag, 2, 10, QLatin1Char('0'))
                    .arg(t.monat, 2, 10, QLatin1Char('0'));
    }
    return text;
}

std::vector<Jahrestag> JahrestageDekodieren(QStringView details) {
    std::vector<Jahrestag> tage;
    for (qsizetype ab = 0; ab + GruppeJahr <= details.size(); ab += GruppeJahr) {
        // Two characters each: the numbers lie between -9 and 99.
        const auto tag = static_cast<int16_t>(RundeGerade32(FuehrendeZahl(details.sliced(ab, 2))));
        const auto monat =
            static_cast<int16_t>(RundeGerade32(FuehrendeZahl(details.sliced(ab + 2, 2))));
        tage.push_back({tag, monat});
    }
    return tage;
}

// ---- the row ----------------------------------------------------------------

int32_t TagAusWert(const Wert& wert) {
    const double zahl = wert.alsDouble();
    if (!(zahl >= ErsterTag && zahl < LetzterTag + 1.0))
        throw DatenFehler("date out of range");
    return static_cast<int32_t>(std::floor(zahl));
}

Notiz NotizLesen(const Satz& satz) {
    Notiz n;
    n.ID = satz.Feld(u"ID").alsInt32();
    n.inhalt = satz.Feld(u"inhalt").alsText();
    n.Rhythmus = satz.Feld(u"Rhythmus").alsInt16();
    if (n.Rhythmus < RhythmusTaeglich || n.Rhythmus > RhythmusJaehrlich)
        return n;
    n.UhrVon = satz.Feld(u"UhrVon").alsDouble();
    n.UhrBis = satz.Feld(u"UhrBis").alsDouble();
    if (n.Rhythmus == RhythmusTaeglich)
        return n;
    n.StartDatum = TagAusWert(satz.Feld(u"StartDatum"));
    if (n.Rhythmus == RhythmusWoechentlich)
        n.Dauer = satz.Feld(u"Dauer").alsInt16();
    else
        n.Vorher = satz.Feld(u"Vorher").alsInt16();
    n.RhyDetails = satz.Feld(u"RhyDetails").alsText();
    return n;
}

void NotizSchreiben(Datensatzmenge& notizen, const Notiz& n) {
    NotizSpalten(n, [&](QStringView name, const Wert& wert) { notizen.Setze(name, wert); });
}

} // namespace pinwick
