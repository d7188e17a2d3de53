#include "NotizEingabe.h"

#include "Hilfen.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace pinwick {

namespace {

bool leer(const QString& text) {
    QString t = text;
    Trimmen(t);
    return t.isEmpty();
}

} // namespace

// ---- times and dates ------------------------------------------------------------

QString UhrzeitText(double zeit) {
    const int minute = TagesMinute(zeit);
    const int stunden = minute / 60;
    const int minuten = minute % 60;
    return QStringLiteral("%1:%2")
        .arg(stunden, 2, 10, QLatin1Char('0'))
        .arg(minuten, 2, 10, QLatin1Char('0'));
}

UhrzeitErgebnis UhrzeitPruefen(const QString& eingabe) {
    UhrzeitErgebnis e;
    if (eingabe.count(QLatin1Char(':')) >= 2) {
        e.art = UhrzeitErgebnis::Ungueltig;
        return e;
    }
    if (eingabe.isEmpty())
        return e;
    QString text = eingabe;
    if (!text.contains(QLatin1Char(':')))
        text += QStringLiteral(":00");
    const qsizetype doppelpunkt = text.indexOf(QLatin1Char(':'));
    QString stundenText = text.left(doppelpunkt);
    QString minutenText = text.mid(doppelpunkt + 1);
    if (stundenText.isEmpty())
        stundenText = QStringLiteral("0");
    if (minutenText.isEmpty())
        minutenText = QStringLiteral("0");
    const double stunden = FuehrendeZahl(stundenText);
    const double minuten = FuehrendeZahl(minutenText);
    // Only digits reach here from the box; a sign or a fraction from
    // elsewhere is no time either.
    if (!(stunden >= 0 && stunden <= 23) || !(minuten >= 0 && minuten <= 59) ||
        stunden != std::floor(stunden) || minuten != std::floor(minuten)) {
        e.art = UhrzeitErgebnis::Ungueltig;
        return e;
    }
    const int h = static_cast<int>(stunden);
    const int m = static_cast<int>(minuten);
    e.art = UhrzeitErgebnis::Gueltig;
    e.text =
        QStringLiteral("%1:%2").arg(h, 2, 10, QLatin1Char('0')).arg(m, 2, 10, QLatin1Char('0'));
    e.zeit = Tageszeit(h, m);
    return e;
}

QString DatumPruefen(const QString& eingabe, const QDate& heute) {
    QString text = eingabe;
    if (leer(text))
        return DatumText(heute);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    QString lesen = text;
    int32_t zahl = 0;
    if (DatumGueltig(lesen, zahl, heute) && !lesen.isEmpty())
        return DatumText(AusDatumsZahl(zahl));
    return text;
}

// ---- the editor's values -----------------------------------------------------------

NotizFormular NeuesFormular(const QDate& heute) {
    NotizFormular f;
    const int wochentag = WochentagMo(heute);
    if (wochentag >= 1 && wochentag <= 7) {
        f.woTage[static_cast<size_t>(wochentag - 1)] = true;
        f.woTagCom = wochentag - 1;
    }
    const QString heuteText = DatumText(heute);
    f.erstDatumWoc = f.erstDatumMon = f.erstDatumJah = heuteText;
    f.tagZahlMon = QString::number(heute.day());
    f.tagZahlJahr[0] = QString::number(heute.day());
    f.monatJah[0] = heute.month() - 1;
    return f;
}

void NotizPraesentieren(NotizFormular& f, const Notiz& n) {
    f.notiz = n.inhalt;
    if (n.Rhythmus < RhythmusTaeglich || n.Rhythmus > RhythmusJaehrlich) {
        f.zeitsteuerung = false;
        f.rhythmus = RhythmusTaeglich;
        return;
    }
    f.zeitsteuerung = true;
    if (n.UhrVon + n.UhrBis != 0) {
        f.vonBis = true;
        f.zeit = {n.UhrVon, n.UhrBis};
        f.uhrzeit = {UhrzeitText(n.UhrVon), UhrzeitText(n.UhrBis)};
    } else {
        f.vonBis = false;
        f.zeit = {0.0, 0.0};
        f.uhrzeit = {QString(), QString()};
    }
    f.rhythmus = n.Rhythmus;
    const QString start = DatumText(AusDatumsZahl(n.StartDatum));
    switch (n.Rhythmus) {
    case RhythmusWoechentlich:
        f.woTage = n.WochentageLesen();
        f.erstDatumWoc = start;
        f.dauerWoc = QString::number(n.Dauer);
        break;
    case RhythmusMonatlich:
        if (const auto regel = n.MonatsRegelLesen()) {
            if (regel->art == MonatsRegel::FesterTag) {
                f.monArt = MonatsRegel::FesterTag;
                f.moPos = 0;
                f.tagZahlMon = regel->tagText;
            } else {
                f.monArt = MonatsRegel::Wochentag;
                f.moPos = regel->position;
                f.woTagCom = regel->wochentag;
            }
        }
        f.erstDatumMon = start;
        f.vorherMon = QString::number(n.Vorher);
        break;
    case RhythmusJaehrlich: {
        // The day characters as stored ("05" keeps its zero); the month picks
        // its list entry only when it is one.
        QStringView rest(n.RhyDetails);
        for (size_t zeile = 0; zeile < 4 && rest.size() >= 4; ++zeile, rest = rest.sliced(4)) {
            f.tagZahlJahr[zeile] = rest.first(2).toString();
            const double monat = FuehrendeZahl(rest.sliced(2, 2));
            f.monatJah[zeile] = (monat >= 1 && monat <= 12 && monat == std::floor(monat))
                                    ? static_cast<int>(monat) - 1
                                    : -1;
        }
        f.erstDatumJah = start;
        f.vorherJah = QString::number(n.Vorher);
        break;
    }
    default:
        break;
    }
}

Notiz NotizZumBearbeiten(const Satz& satz, const QDate& heute) {
    Notiz n;
    n.StartDatum = DatumsZahl(heute);
    const auto lesen = [&](auto schritt) {
        try {
            schritt();
        } catch (const std::exception&) {
            // Keeps the default: the row opens and can be saved right.
        }
    };
    lesen([&] { n.ID = satz.Feld(u"ID").alsInt32(); });
    lesen([&] {
        const Wert w = satz.Feld(u"inhalt");
        n.inhalt = w.istNull() ? QString() : w.alsText();
    });
    lesen([&] { n.Rhythmus = satz.Feld(u"Rhythmus").alsInt16(); });
    if (n.Rhythmus < RhythmusTaeglich || n.Rhythmus > RhythmusJaehrlich)
        return n;
    double von = 0, bis = 0;
    lesen([&] {
        von = satz.Feld(u"UhrVon").alsDouble();
        bis = satz.Feld(u"UhrBis").alsDouble();
    });
    if (std::isfinite(von) && std::isfinite(bis)) {
        n.UhrVon = von;
        n.UhrBis = bis;
    }
    if (n.Rhythmus == RhythmusTaeglich)
        return n;
    lesen([&] { n.StartDatum = TagAusWert(satz.Feld(u"StartDatum")); });
    if (n.Rhythmus == RhythmusWoechentlich)
        lesen([&] { n.Dauer = satz.Feld(u"Dauer").alsInt16(); });
    else
        lesen([&] { n.Vorher = satz.Feld(u"Vorher").alsInt16(); });
    lesen([&] {
        const Wert w = satz.Feld(u"RhyDetails");
        n.RhyDetails = w.istNull() ? QString() : w.alsText();
    });
    return n;
}

// ---- the save command ------------------------------------------------------------------

namespace {

Uhrangabe uhrAusBox(const NotizFormular& f, size_t i) {
    if (f.uhrzeit[i].isEmpty())
        return {};
    // A box whose text is not what its working time shows was typed into and
    // never normalised, or was left holding a refused time: the note must not
    // be saved with times other than those shown.
    if (f.uhrzeit[i] == UhrzeitText(f.zeit[i]) || !f.zeitsteuerung)
        return Uhrangabe::Um(f.zeit[i]);
    const UhrzeitErgebnis r = UhrzeitPruefen(f.uhrzeit[i]);
    if (r.art != UhrzeitErgebnis::Gueltig)
        return {Uhrangabe::Unlesbar, f.zeit[i]};
    return Uhrangabe::Um(r.zeit);
}

// A first date box: a date or, empty, today.
std::optional<int32_t> datumAusBox(const QString& text, const QDate& heute) {
    QString t = text;
    if (leer(t))
        return DatumsZahl(heute);
    int32_t zahl = 0;
    if (!DatumGueltig(t, zahl, heute))
        return std::nullopt;
    return zahl;
}

} // namespace

NotizWerte WerteAusFormular(const NotizFormular& f, const QDate& heute) {
    NotizWerte w;
    w.notiz = f.notiz;
    w.rhythmus = static_cast<int16_t>(f.Rhythmus());
    w.vonBis = f.vonBis;
    w.uhr = {uhrAusBox(f, 0), uhrAusBox(f, 1)};
    w.woTage = f.woTage;
    w.dauer = BoxZahl(f.dauerWoc);
    w.monArt = f.monArt == MonatsRegel::Wochentag ? MonatsRegel::Wochentag : MonatsRegel::FesterTag;
    w.monatsTag = f.tagZahlMon;
    w.moPos = f.moPos;
    w.woTag = f.woTagCom;
    for (size_t i = 0; i < 4; ++i) {
        if (!f.tagZahlJahr[i].isEmpty())
            w.jahrTag[i] = BoxZahl(f.tagZahlJahr[i]);
        w.jahrMonat[i] = f.monatJah[i] >= 0 && f.monatJah[i] <= 11 ? f.monatJah[i] + 1 : 0;
    }
    switch (w.rhythmus) {
    case RhythmusWoechentlich:
        w.erstDatum = datumAusBox(f.erstDatumWoc, heute);
        break;
    case RhythmusMonatlich:
        w.erstDatum = datumAusBox(f.erstDatumMon, heute);
        w.vorher = BoxZahl(f.vorherMon);
        break;
    case RhythmusJaehrlich:
        w.erstDatum = datumAusBox(f.erstDatumJah, heute);
        w.vorher = BoxZahl(f.vorherJah);
        break;
    default:
        break;
    }
    return w;
}

PruefErgebnis SpeichernPruefen(NotizFormular& f, const QDate& heute,
                               const std::function<bool(Frage)>& fragen) {
    NotizWerte w = WerteAusFormular(f, heute);
    const PruefErgebnis e = NotizPruefen(w, heute, fragen);
    for (size_t i = 0; i < 2; ++i) {
        if (!e.uhrGesetzt[i])
            continue;
        f.uhrzeit[i] = UhrzeitText(w.uhr[i].zeit);
        f.zeit[i] = w.uhr[i].zeit;
    }
    f.tagZahlMon = w.monatsTag;
    return e;
}

void NotizSpeichern(Datensatzmenge& notizen, NotizModus modus, Datensatzmenge::Lesezeichen zeile,
                    const Notiz& n) {
    try {
        if (modus == NotizModus::Bearbeiten) {
            notizen.SetBookmark(zeile);
            notizen.Edit();
        } else {
            notizen.AddNew();
        }
        NotizSchreiben(notizen, n);
        // One statement: the row is written whole or not at all.
        notizen.Update();
    } catch (...) {
        try {
            notizen.CancelUpdate();
        } catch (...) {
        }
        throw;
    }
}

} // namespace pinwick
