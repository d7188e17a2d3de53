#include "NotizRegeln.h"
#include "Sprachwahl.h"

#include "Hilfen.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

namespace pinwick {

namespace {

QString sprachWahl(int16_t sprache, const char16_t* englisch, const char16_t* deutsch) {
    return QString::fromUtf16(sprache == SpracheEnglisch ? englisch : deutsch);
}

// Problem and question of a message-box question. The time questions were
// written with bare line feeds, the day-of-month ones with CR LF.
QString frage(const QString& problem, const QString& frage, const QString& umbruch) {
    return problem + umbruch + umbruch + frage;
}

bool leer(const QString& text) {
    QString t = text;
    Trimmen(t);
    return t.isEmpty();
}

} // namespace

// ---- texts --------------------------------------------------------------------

QString MeldungsText(Meldung meldung, int16_t sprache) {
    switch (meldung) {
    case Meldung::TextFehlt:
        return sprachWahl(sprache, u"Note text missing.", u"Notiztext fehlt.");
    case Meldung::ZeitFormat:
        return sprachWahl(sprache, u"Invalid time format.", u"Ungültiges Zeitformat.");
    case Meldung::EndeVorAnfang:
        return sprachWahl(sprache, u"End time after starting time!",
                          u"Schlusszeit muss hinter Anfangszeit liegen.");
    case Meldung::KeinWochentag:
        return sprachWahl(sprache, u"No weekday selected.", u"Kein Wochentag gewählt.");
    case Meldung::KeinePosition:
        return sprachWahl(sprache, u"Position of weekday within month not selected.",
                          u"Position des Wochentags im Monat nicht gewählt.");
    case Meldung::KeinJahrestag:
        return sprachWahl(sprache, u"Day of year not selected.", u"Kein Jahrestag gewählt.");
    case Meldung::MonatFehlt:
        return sprachWahl(sprache, u"Month missing.", u"Monat fehlt.");
    case Meldung::DatumFehlerhaft:
        return sprachWahl(sprache, u"Invalid date.", u"Fehlerhaftes Datum.");
    case Meldung::TagNull:
        return sprachWahl(sprache, u"There is no such day: enter a day from 1 to 31.",
                          u"Diesen Tag gibt es nicht: bitte einen Tag von 1 bis 31 eingeben.");
    case Meldung::DauerZuGross:
        return sprachWahl(sprache, u"Duration: at most 32767 weeks.",
                          u"Dauer: höchstens 32767 Wochen.");
    case Meldung::VorherZuGross:
        return sprachWahl(sprache, u"Days earlier: at most 32767.",
                          u"Tage vorher: höchstens 32767.");
    case Meldung::NichtGespeichert:
        return sprachWahl(sprache, u"Note not saved: database error. Please try again.",
                          u"Notiz nicht gespeichert: Datenbankfehler. Bitte erneut versuchen.");
    }
    return {};
}

QString FrageText(Frage f, int16_t sprache) {
    const QString lf = QStringLiteral("\n");
    const QString crlf = QStringLiteral("\r\n");
    const bool en = sprache == SpracheEnglisch;
    switch (f) {
    case Frage::GanztagsAnzeigen:
        return en ? frage(QStringLiteral("Start and end time missing -"),
                          QStringLiteral("Show note full-time?"), lf)
                  : frage(QStringLiteral("Anfangs- und Schlusszeit fehlt -"),
                          QStringLiteral("Zettel ganztags anzeigen?"), lf);
    case Frage::AbMitternacht:
        return en ? frage(QStringLiteral("Start time missing -"),
                          QStringLiteral("Show note from midnight?"), lf)
                  : frage(QStringLiteral("Anfangszeit fehlt -"),
                          QStringLiteral("Zettel ab 00:00 Uhr anzeigen?"), lf);
    case Frage::BisMitternacht:
        return en ? frage(QStringLiteral("End time missing -"),
                          QStringLiteral("Show note till midnight?"), lf)
                  : frage(QStringLiteral("Schlusszeit fehlt -"),
                          QStringLiteral("Zettel bis 23:59 Uhr anzeigen?"), lf);
    case Frage::Tag29:
        return en ? frage(QStringLiteral("In February this note will appear only in leap years -"),
                          QStringLiteral("keep this selection?"), crlf)
                  : frage(
                        QStringLiteral("Im Februar erscheint dieser Zettel nur in Schaltjahren -"),
                        QStringLiteral("Trotzdem so einstellen?"), crlf);
    case Frage::Tag31:
        return en ? frage(QStringLiteral("This note will not appear in February, April, June, "
                                         "September and November -"),
                          QStringLiteral("keep this selection?"), crlf)
                  : frage(QString::fromUtf16(u"Dieser Zettel erscheint nicht im Februar, April, "
                                             u"Juni, September und November -"),
                          QStringLiteral("Trotzdem so einstellen?"), crlf);
    }
    return {};
}

bool FrageMitTon(Frage f) {
    return f == Frage::GanztagsAnzeigen || f == Frage::AbMitternacht || f == Frage::BisMitternacht;
}

// ---- values -----------------------------------------------------------------------

double Tageszeit(int stunden, int minuten) {
    return stunden / 24.0 + minuten / 1440.0;
}

int TagesMinute(double zeit) {
    if (!std::isfinite(zeit))
        zeit = 0.0;
    const double bruch = zeit - std::floor(zeit);
    const int64_t sekunden = std::llround(bruch * 86400.0) % 86400;
    return static_cast<int>(sekunden / 60);
}

int64_t BoxZahl(const QString& text) {
    const double zahl = FuehrendeZahl(text);
    if (!std::isfinite(zahl))
        return std::numeric_limits<int64_t>::max();
    if (zahl > 1e15)
        return std::numeric_limits<int64_t>::max();
    if (zahl < -1e15)
        return std::numeric_limits<int64_t>::min();
    return std::llround(zahl);
}

std::optional<int32_t> ErstDatumZahl(const QDate& datum) {
    // The years a date box reads; a day number far outside them would not
    // fit its 32 bits.
    if (!datum.isValid() || datum.year() < 100 || datum.year() > 9999)
        return std::nullopt;
    return DatumsZahl(datum);
}

// ---- the save's checks --------------------------------------------------------------

namespace {

// One run of the checks: the values, what came out so far, and the way to
// stop with a message.
struct Pruefung {
    NotizWerte& w;
    const QDate& heute;
    const std::function<bool(Frage)>& fragen;
    PruefErgebnis e;

    bool ja(Frage f) const { return fragen && fragen(f); }
    // Always false: the check stops.
    bool halt(std::optional<Meldung> meldung, Feld fokus) {
        e.ok = false;
        e.meldung = meldung;
        e.fokus = fokus;
        return false;
    }
};

Feld erstDatumFeld(int rhythmus) {
    return rhythmus == RhythmusWoechentlich ? Feld::ErstDatumWoc
           : rhythmus == RhythmusMonatlich  ? Feld::ErstDatumMon
                                            : Feld::ErstDatumJah;
}

// The time window. It is asked about even for a permanent note: the choice
// "From" stands whatever the rhythm. fenster tells whether a window remains.
bool zeitfensterPruefen(Pruefung& p, bool& fenster) {
    NotizWerte& w = p.w;
    fenster = w.vonBis;
    if (!w.vonBis)
        return true;
    const bool ohneAnfang = w.uhr[0].art == Uhrangabe::Keine;
    const bool ohneEnde = w.uhr[1].art == Uhrangabe::Keine;
    if (ohneAnfang && ohneEnde) {
        if (!p.ja(Frage::GanztagsAnzeigen))
            return p.halt(std::nullopt, Feld::Keins);
        fenster = false;
        return true;
    }
    if (ohneAnfang) {
        if (!p.ja(Frage::AbMitternacht))
            return p.halt(std::nullopt, Feld::Keins);
        w.uhr[0] = Uhrangabe::Um(0.0);
        p.e.uhrGesetzt[0] = true;
    } else if (ohneEnde) {
        if (!p.ja(Frage::BisMitternacht))
            return p.halt(std::nullopt, Feld::Keins);
        w.uhr[1] = Uhrangabe::Um(Tageszeit(23, 59));
        p.e.uhrGesetzt[1] = true;
    }
    // A note with a rhythm is not saved with a text that is no time; the
    // ends it keeps are settled in turn, so the first one stands even when
    // the second is refused.
    if (w.rhythmus != RhythmusPermanent) {
        for (size_t i = 0; i < 2; ++i) {
            if (w.uhr[i].art == Uhrangabe::Unlesbar)
                return p.halt(Meldung::ZeitFormat, i == 0 ? Feld::Uhrzeit1 : Feld::Uhrzeit2);
            p.e.uhrGesetzt[i] = true;
        }
    }
    if (!(w.uhr[0].zeit < w.uhr[1].zeit))
        return p.halt(Meldung::EndeVorAnfang, Feld::Uhrzeit2);
    return true;
}

bool monatsTagPruefen(Pruefung& p) {
    NotizWerte& w = p.w;
    // An empty day box gets today's day, as it does when it is left.
    if (w.monatsTag.isEmpty())
        w.monatsTag = QString::number(p.heute.day());
    // No month has a day 0 or a day after the 31st: such a note would never
    // be shown.
    const int64_t tag = BoxZahl(w.monatsTag);
    if (tag < 1 || tag > 31)
        return p.halt(Meldung::TagNull, Feld::TagZahlMon);
    // The day as typed: "029" is no question.
    if (w.monatsTag == QLatin1String("29") && !p.ja(Frage::Tag29))
        return p.halt(std::nullopt, Feld::Keins);
    if (w.monatsTag == QLatin1String("31") && !p.ja(Frage::Tag31))
        return p.halt(std::nullopt, Feld::Keins);
    return true;
}

bool jahrestagePruefen(Pruefung& p) {
    const NotizWerte& w = p.w;
    bool einer = false;
    for (const auto& tag : w.jahrTag)
        einer = einer || tag.has_value();
    if (!einer)
        return p.halt(Meldung::KeinJahrestag, Feld::Keins);
    for (int i = 0; i < 4; ++i) {
        const int monat = w.jahrMonat[size_t(i)];
        if (w.jahrTag[size_t(i)] && (monat < 1 || monat > 12))
            return p.halt(Meldung::MonatFehlt, Feld(int(Feld::MonatJah1) + i));
    }
    for (int i = 0; i < 4; ++i) {
        const auto& tag = w.jahrTag[size_t(i)];
        if (tag && (*tag <= 0 || *tag > 99))
            return p.halt(Meldung::TagNull, Feld(int(Feld::TagZahlJahr1) + i));
    }
    return true;
}

// The rhythm's own choices.
bool rhythmusPruefen(Pruefung& p) {
    const NotizWerte& w = p.w;
    switch (w.rhythmus) {
    case RhythmusWoechentlich:
        for (bool tag : w.woTage)
            if (tag)
                return true;
        return p.halt(Meldung::KeinWochentag, Feld::Keins);
    case RhythmusMonatlich:
        if (w.monArt != MonatsRegel::Wochentag)
            return monatsTagPruefen(p);
        if (w.moPos < 1 || w.moPos > 5 || w.woTag < 0 || w.woTag > 6)
            return p.halt(Meldung::KeinePosition, Feld::Keins);
        return true;
    case RhythmusJaehrlich:
        return jahrestagePruefen(p);
    default:
        return true;
    }
}

// A first date and a 16-bit count (weeks, days earlier), in this order.
bool datumUndZahl(Pruefung& p, int64_t zahl, int16_t& ziel, Meldung meldung, Feld fokus) {
    if (!p.w.erstDatum)
        return p.halt(Meldung::DatumFehlerhaft, erstDatumFeld(p.w.rhythmus));
    p.e.notiz.StartDatum = *p.w.erstDatum;
    if (zahl < 0 || zahl > 32767)
        return p.halt(meldung, fokus);
    ziel = static_cast<int16_t>(zahl);
    return true;
}

// The rhythm's columns of the note to write.
bool spaltenSetzen(Pruefung& p) {
    const NotizWerte& w = p.w;
    Notiz& n = p.e.notiz;
    switch (w.rhythmus) {
    case RhythmusWoechentlich:
        if (!datumUndZahl(p, w.dauer, n.Dauer, Meldung::DauerZuGross, Feld::DauerWoc))
            return false;
        n.SetzeWochentage(w.woTage);
        return true;
    case RhythmusMonatlich:
        try {
            if (w.monArt == MonatsRegel::Wochentag)
                n.SetzeMonatsRegel(MonatsRegel::AmWochentag(static_cast<int16_t>(w.moPos),
                                                            static_cast<int16_t>(w.woTag)));
            else
                n.SetzeMonatsRegel(MonatsRegel::AmTag(w.monatsTag));
        } catch (const std::invalid_argument&) {
            // Only digits reach the day box; anything else is no day.
            return p.halt(Meldung::TagNull, Feld::TagZahlMon);
        }
        return datumUndZahl(p, w.vorher, n.Vorher, Meldung::VorherZuGross, Feld::VorherMon);
    case RhythmusJaehrlich: {
        std::vector<Jahrestag> tage;
        for (size_t i = 0; i < 4; ++i)
            if (w.jahrTag[i])
                tage.push_back(
                    {static_cast<int16_t>(*w.jahrTag[i]), static_cast<int16_t>(w.jahrMonat[i])});
        n.SetzeJahrestage(tage);
        return datumUndZahl(p, w.vorher, n.Vorher, Meldung::VorherZuGross, Feld::VorherJah);
    }
    default:
        return true;
    }
}

} // namespace

PruefErgebnis NotizPruefen(NotizWerte& w, const QDate& heute,
                           const std::function<bool(Frage)>& fragen) {
    Pruefung p{w, heute, fragen, {}};
    if (leer(w.notiz)) {
        p.halt(Meldung::TextFehlt, Feld::Notiz);
        return p.e;
    }
    bool fenster = false;
    if (!zeitfensterPruefen(p, fenster) || !rhythmusPruefen(p))
        return p.e;

    Notiz& n = p.e.notiz;
    n.inhalt = w.notiz;
    n.Rhythmus = w.rhythmus;
    if (w.rhythmus != RhythmusPermanent && fenster) {
        n.UhrVon = w.uhr[0].zeit;
        n.UhrBis = w.uhr[1].zeit;
    }
    if (!spaltenSetzen(p))
        return p.e;
    p.e.ok = true;
    p.e.meldung.reset();
    p.e.fokus = Feld::Keins;
    return p.e;
}

} // namespace pinwick
