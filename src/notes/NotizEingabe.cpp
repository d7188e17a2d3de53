#include "NotizEingabe.h"

#include "Hilfen.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace pinwick {

namespace {

QString sprachWahl(int16_t sprache, const char16_t* englisch, const char16_t* deutsch) {
    return QString::fromUtf16(sprache == 1 ? englisch : deutsch);
}

// Problem and question of a message-box question. The time questions were
// written with bare line feeds, the day-of-month ones with CR LF.
QString frage(const QString& problem, const QString& frage, const QString& umbruch) {
    return problem + umbruch + umbruch + frage;
}

// The value of a number box: what a digits-only text reads as; 0 for an
// empty box.
int64_t zahlAus(const QString& text) {
    const double zahl = FuehrendeZahl(text);
    if (!std::isfinite(zahl))
        return std::numeric_limits<int64_t>::max();
    if (zahl > 1e15)
        return std::numeric_limits<int64_t>::max();
    if (zahl < -1e15)
        return std::numeric_limits<int64_t>::min();
    return std::llround(zahl);
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
    const bool en = sprache == 1;
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

// ---- times and dates ------------------------------------------------------------

double Tageszeit(int stunden, int minuten) {
    return stunden / 24.0 + minuten / 1440.0;
}

QString UhrzeitText(double zeit) {
    if (!std::isfinite(zeit))
        zeit = 0.0;
    // Only the time of day counts; to the second as a time shows, then cut to
    // hours and minutes.
    const double bruch = zeit - std::floor(zeit);
    int64_t sekunden = std::llround(bruch * 86400.0) % 86400;
    const int stunden = static_cast<int>(sekunden / 3600);
    const int minuten = static_cast<int>((sekunden % 3600) / 60);
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

PruefErgebnis SpeichernPruefen(NotizFormular& f, const QDate& heute, int32_t& datumZahl,
                               const std::function<bool(Frage)>& fragen) {
    PruefErgebnis e;
    const auto halt = [&](std::optional<Meldung> meldung, Feld fokus) {
        e.ok = false;
        e.meldung = meldung;
        e.fokus = fokus;
        return e;
    };
    const auto ja = [&](Frage frage) { return fragen && fragen(frage); };

    // 1. The text.
    if (leer(f.notiz))
        return halt(Meldung::TextFehlt, Feld::Notiz);

    // 2. The time window. It is asked about even for a permanent note: the
    // choice "From" stands whatever the rhythm.
    bool fenster = f.vonBis;
    if (f.vonBis) {
        const bool ohneAnfang = f.uhrzeit[0].isEmpty();
        const bool ohneEnde = f.uhrzeit[1].isEmpty();
        if (ohneAnfang && ohneEnde) {
            if (!ja(Frage::GanztagsAnzeigen))
                return halt(std::nullopt, Feld::Keins);
            fenster = false;
        } else if (ohneAnfang) {
            if (!ja(Frage::AbMitternacht))
                return halt(std::nullopt, Feld::Keins);
            f.uhrzeit[0] = QStringLiteral("00:00");
            f.zeit[0] = 0.0;
        } else if (ohneEnde) {
            if (!ja(Frage::BisMitternacht))
                return halt(std::nullopt, Feld::Keins);
            f.uhrzeit[1] = QStringLiteral("23:59");
            f.zeit[1] = Tageszeit(23, 59);
        }
        if (fenster) {
            // A box whose text is not what its working time shows was typed
            // into and never normalised, or was left holding a refused time:
            // the note must not be saved with times other than those shown.
            if (f.zeitsteuerung) {
                for (size_t i = 0; i < 2; ++i) {
                    if (f.uhrzeit[i] == UhrzeitText(f.zeit[i]))
                        continue;
                    const UhrzeitErgebnis r = UhrzeitPruefen(f.uhrzeit[i]);
                    if (r.art != UhrzeitErgebnis::Gueltig)
                        return halt(Meldung::ZeitFormat, i == 0 ? Feld::Uhrzeit1 : Feld::Uhrzeit2);
                    f.uhrzeit[i] = r.text;
                    f.zeit[i] = r.zeit;
                }
            }
            if (!(f.zeit[0] < f.zeit[1]))
                return halt(Meldung::EndeVorAnfang, Feld::Uhrzeit2);
        }
    }

    // 3. The rhythm's own choices.
    const int rhythmus = f.Rhythmus();
    if (rhythmus == RhythmusWoechentlich) {
        bool einer = false;
        for (bool tag : f.woTage)
            einer = einer || tag;
        if (!einer)
            return halt(Meldung::KeinWochentag, Feld::Keins);
    } else if (rhythmus == RhythmusMonatlich && f.monArt != MonatsRegel::Wochentag) {
        // An empty day box gets today's day, as it does when it is left.
        if (f.tagZahlMon.isEmpty())
            f.tagZahlMon = QString::number(heute.day());
        // No month has a day 0 or a day after the 31st: such a note would
        // never be shown.
        const int64_t tag = zahlAus(f.tagZahlMon);
        if (tag < 1 || tag > 31)
            return halt(Meldung::TagNull, Feld::TagZahlMon);
        if (f.tagZahlMon == QLatin1String("29")) {
            if (!ja(Frage::Tag29))
                return halt(std::nullopt, Feld::Keins);
        } else if (f.tagZahlMon == QLatin1String("31")) {
            if (!ja(Frage::Tag31))
                return halt(std::nullopt, Feld::Keins);
        }
    } else if (rhythmus == RhythmusMonatlich) {
        if (f.moPos < 1 || f.moPos > 5 || f.woTagCom < 0 || f.woTagCom > 6)
            return halt(Meldung::KeinePosition, Feld::Keins);
    } else if (rhythmus == RhythmusJaehrlich) {
        bool einer = false;
        for (const QString& tag : f.tagZahlJahr)
            einer = einer || !tag.isEmpty();
        if (!einer)
            return halt(Meldung::KeinJahrestag, Feld::Keins);
        for (int i = 0; i < 4; ++i) {
            if (!f.tagZahlJahr[size_t(i)].isEmpty() &&
                (f.monatJah[size_t(i)] < 0 || f.monatJah[size_t(i)] > 11))
                return halt(Meldung::MonatFehlt, Feld(int(Feld::MonatJah1) + i));
        }
        for (int i = 0; i < 4; ++i) {
            const QString& tag = f.tagZahlJahr[size_t(i)];
            if (!tag.isEmpty() && (zahlAus(tag) <= 0 || zahlAus(tag) > 99))
                return halt(Meldung::TagNull, Feld(int(Feld::TagZahlJahr1) + i));
        }
    }

    // 4. The values to write.
    Notiz& n = e.notiz;
    n.inhalt = f.notiz;
    n.Rhythmus = static_cast<int16_t>(rhythmus);
    if (rhythmus != RhythmusPermanent && fenster) {
        n.UhrVon = f.zeit[0];
        n.UhrBis = f.zeit[1];
    }
    // A first date is a date or, empty, today; anything else is refused
    // rather than written as some other day.
    const auto datum = [&](const QString& text, Feld fokus) {
        QString t = text;
        if (leer(t)) {
            datumZahl = DatumsZahl(heute);
        } else if (!DatumGueltig(t, datumZahl, heute)) {
            halt(Meldung::DatumFehlerhaft, fokus);
            return false;
        }
        n.StartDatum = datumZahl;
        return true;
    };
    // The columns are 16-bit.
    const auto kurz = [&](const QString& text, int16_t& ziel, Meldung meldung, Feld fokus) {
        const int64_t zahl = zahlAus(text);
        if (zahl < 0 || zahl > 32767) {
            halt(meldung, fokus);
            return false;
        }
        ziel = static_cast<int16_t>(zahl);
        return true;
    };

    if (rhythmus == RhythmusWoechentlich) {
        if (!datum(f.erstDatumWoc, Feld::ErstDatumWoc) ||
            !kurz(f.dauerWoc, n.Dauer, Meldung::DauerZuGross, Feld::DauerWoc))
            return e;
        n.SetzeWochentage(f.woTage);
    } else if (rhythmus == RhythmusMonatlich) {
        try {
            if (f.monArt == MonatsRegel::Wochentag)
                n.SetzeMonatsRegel(MonatsRegel::AmWochentag(static_cast<int16_t>(f.moPos),
                                                            static_cast<int16_t>(f.woTagCom)));
            else
                n.SetzeMonatsRegel(MonatsRegel::AmTag(f.tagZahlMon));
        } catch (const std::invalid_argument&) {
            // Only digits reach the day box; anything else is no day.
            return halt(Meldung::TagNull, Feld::TagZahlMon);
        }
        if (!datum(f.erstDatumMon, Feld::ErstDatumMon) ||
            !kurz(f.vorherMon, n.Vorher, Meldung::VorherZuGross, Feld::VorherMon))
            return e;
    } else if (rhythmus == RhythmusJaehrlich) {
        std::vector<Jahrestag> tage;
        for (size_t i = 0; i < 4; ++i) {
            if (f.tagZahlJahr[i].isEmpty())
                continue;
            tage.push_back({static_cast<int16_t>(zahlAus(f.tagZahlJahr[i])),
                            static_cast<int16_t>(f.monatJah[i] + 1)});
        }
        n.SetzeJahrestage(tage);
        if (!datum(f.erstDatumJah, Feld::ErstDatumJah) ||
            !kurz(f.vorherJah, n.Vorher, Meldung::VorherZuGross, Feld::VorherJah))
            return e;
    }

    e.ok = true;
    e.meldung.reset();
    e.fokus = Feld::Keins;
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
