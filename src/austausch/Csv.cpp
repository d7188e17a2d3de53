#include "Csv.h"

#include "Hilfen.h"

#include <QStringDecoder>

namespace pinwick {

namespace {

[[noreturn]] void fehler(const QString& text) {
    throw EingabeFehler(text.toStdString());
}

// Where each record began, for messages; filled beside the records.
std::vector<QStringList> lesen(const QByteArray& daten, std::vector<int>* anfaenge) {
    QByteArray roh = daten;
    if (roh.startsWith("\xEF\xBB\xBF"))
        roh.remove(0, 3);
    QStringDecoder dekodierer(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = dekodierer.decode(roh);
    if (dekodierer.hasError())
        fehler(QStringLiteral("the file is not UTF-8 text"));

    std::vector<QStringList> saetze;
    QStringList satz;
    QString feld;
    int zeile = 1, satzAnfang = 1;
    const qsizetype n = text.size();
    qsizetype i = 0;
    bool feldBegonnen = false; // something of the current record was read

    const auto satzEnde = [&] {
        satz << feld;
        feld.clear();
        saetze.push_back(satz);
        if (anfaenge)
            anfaenge->push_back(satzAnfang);
        satz.clear();
        feldBegonnen = false;
    };
    // A line break at i (CR LF, LF or CR): its length, else 0.
    const auto umbruch = [&](qsizetype j) -> int {
        if (j >= n)
            return 0;
        if (text[j] == QLatin1Char('\r'))
            return j + 1 < n && text[j + 1] == QLatin1Char('\n') ? 2 : 1;
        return text[j] == QLatin1Char('\n') ? 1 : 0;
    };

    while (i < n) {
        if (!feldBegonnen)
            satzAnfang = zeile;
        feldBegonnen = true;
        if (text[i] == QLatin1Char('"')) {
            // A quoted field: up to the quote that is not doubled.
            const int anfang = zeile;
            ++i;
            for (;;) {
                if (i >= n)
                    fehler(
                        QStringLiteral("line %1: a quote opened here is never closed").arg(anfang));
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        feld += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (const int u = umbruch(i)) {
                    ++zeile;
                    feld += text.mid(i, u);
                    i += u;
                    continue;
                }
                feld += text[i++];
            }
            if (i < n && text[i] != QLatin1Char(',') && !umbruch(i))
                fehler(QStringLiteral("line %1: text after a closing quote").arg(zeile));
        } else {
            while (i < n && text[i] != QLatin1Char(',') && !umbruch(i)) {
                if (text[i] == QLatin1Char('"'))
                    fehler(QStringLiteral("line %1: a quote inside an unquoted field").arg(zeile));
                feld += text[i++];
            }
        }
        if (i >= n)
            break;
        if (text[i] == QLatin1Char(',')) {
            satz << feld;
            feld.clear();
            ++i;
            // A comma at the very end still leaves an empty last field.
            if (i >= n)
                break;
            continue;
        }
        const int u = umbruch(i);
        i += u;
        ++zeile;
        satzEnde();
    }
    if (feldBegonnen)
        satzEnde();
    return saetze;
}

bool braucheAnfuehrung(const QString& feld) {
    if (feld.isEmpty())
        return false;
    if (feld.front().isSpace() || feld.back().isSpace())
        return true;
    for (QChar c : feld)
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') ||
            c == QLatin1Char('\n'))
            return true;
    return false;
}

} // namespace

std::vector<QStringList> CsvLesen(const QByteArray& daten) {
    return lesen(daten, nullptr);
}

QByteArray CsvZeile(const QStringList& felder) {
    QStringList teile;
    for (const QString& feld : felder) {
        if (braucheAnfuehrung(feld)) {
            QString f = feld;
            f.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            teile << QLatin1Char('"') + f + QLatin1Char('"');
        } else {
            teile << feld;
        }
    }
    return teile.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

std::vector<CsvNotiz> CsvNotizenLesen(const QByteArray& daten) {
    std::vector<int> anfaenge;
    const std::vector<QStringList> saetze = lesen(daten, &anfaenge);
    if (saetze.empty())
        fehler(QStringLiteral("the file is empty; it needs the header %1")
                   .arg(CsvKopf.join(QLatin1Char(','))));
    // Which column holds which value.
    std::array<int, 8> spalte;
    spalte.fill(-1);
    const QStringList& kopf = saetze.front();
    for (int i = 0; i < kopf.size(); ++i) {
        const int k = int(CsvKopf.indexOf(kopf[i].trimmed().toLower()));
        if (k < 0)
            fehler(QStringLiteral("line 1: unknown column \"%1\"; the header is %2")
                       .arg(kopf[i], CsvKopf.join(QLatin1Char(','))));
        if (spalte[size_t(k)] >= 0)
            fehler(QStringLiteral("line 1: column \"%1\" given twice").arg(kopf[i]));
        spalte[size_t(k)] = i;
    }
    if (spalte[0] < 0 || spalte[1] < 0)
        fehler(QStringLiteral("line 1: the columns text and rhythm are needed"));

    std::vector<CsvNotiz> notizen;
    for (size_t s = 1; s < saetze.size(); ++s) {
        const QStringList& satz = saetze[s];
        CsvNotiz c;
        c.zeile = anfaenge[s];
        // A blank line between notes is no note.
        if (satz.size() == 1 && satz[0].isEmpty())
            continue;
        const auto wert = [&](int k) {
            const int i = spalte[size_t(k)];
            return i >= 0 && i < satz.size() ? satz[i] : QString();
        };
        try {
            if (satz.size() != kopf.size())
                fehler(QStringLiteral("%1 fields where the header has %2")
                           .arg(satz.size())
                           .arg(kopf.size()));
            c.text = wert(0);
            Zeitplanwahl& w = c.wahl;
            w.rhythmus = RhythmusLesen(wert(1));
            if (!wert(2).trimmed().isEmpty())
                w.von = UhrzeitLesen(wert(2));
            if (!wert(3).trimmed().isEmpty())
                w.bis = UhrzeitLesen(wert(3));
            if (!wert(4).trimmed().isEmpty())
                w.start = DatumLesen(wert(4));
            if (!wert(5).trimmed().isEmpty())
                w.wochen = ZahlLesen(wert(5), "weeks");
            const QString tage = wert(6).trimmed();
            switch (w.rhythmus) {
            case RhythmusWoechentlich:
                w.tage = WochentageLesen(tage);
                break;
            case RhythmusMonatlich:
                MonatsTagLesen(tage, w);
                break;
            case RhythmusJaehrlich:
                w.jahrestage = JahrestageLesen(tage);
                break;
            default:
                if (!tage.isEmpty())
                    fehler(QStringLiteral("a %1 note has no days").arg(RhythmusText(w.rhythmus)));
            }
            if (!wert(7).trimmed().isEmpty())
                w.vorher = ZahlLesen(wert(7), "advance");
        } catch (const EingabeFehler& e) {
            c.fehler = QString::fromStdString(e.what());
        }
        notizen.push_back(c);
    }
    return notizen;
}

QByteArray CsvNotizZeile(const Notiz& n) {
    const Zeitplanwahl w = WahlAusNotiz(n);
    QString tage;
    switch (w.rhythmus) {
    case RhythmusWoechentlich:
        tage = WochentageText(w.tage);
        break;
    case RhythmusMonatlich:
        tage = MonatsTagText(w);
        break;
    case RhythmusJaehrlich:
        tage = JahrestageText(w.jahrestage);
        break;
    default:
        break;
    }
    const bool mitStart = w.rhythmus >= RhythmusWoechentlich;
    return CsvZeile({n.inhalt, RhythmusText(w.rhythmus), UhrzeitAusgabe(w.von),
                     UhrzeitAusgabe(w.bis),
                     mitStart ? DatumAusgabe(w.start) : QString(),
                     w.rhythmus == RhythmusWoechentlich ? QString::number(w.wochen) : QString(),
                     tage,
                     w.rhythmus >= RhythmusMonatlich ? QString::number(w.vorher) : QString()});
}

} // namespace pinwick
