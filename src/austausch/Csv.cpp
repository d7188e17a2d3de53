#include "Csv.h"

#include "Hilfen.h"

#include <QStringDecoder>

namespace pinwick {

namespace {

[[noreturn]] void fehler(const QString& text) {
    throw EingabeFehler(text.toStdString());
}

// Reads CSV text record by record, counting lines for the messages. A file
// to import may come from anyone: it is read as the bytes it is, each field
// made text on its own (the separators are ASCII, so a file is UTF-8 when
// every field is), and nothing of it is held twice, however it is made.
// Fields past those a caller keeps are only counted; a field, the fields of
// a record and the records have their limits.
class Leser {
public:
    Leser(const QByteArray& daten, qsizetype behalten) : text_(daten), behalten_(behalten) {
        // A UTF-8 byte order mark at the start is no part of the text.
        if (text_.startsWith("\xEF\xBB\xBF"))
            text_ = text_.sliced(3);
    }

    // The next record into satz (at most behalten fields; felder counts
    // them all) and the line it begins on; false at the end of the text.
    bool naechster(QStringList& satz, qsizetype& felder, int& anfang) {
        const qsizetype n = text_.size();
        if (i_ >= n)
            return false;
        if (++saetze_ > CsvHoechstSaetze)
            fehler(QStringLiteral("line %1: more than %2 records; split the file")
                       .arg(zeile_)
                       .arg(CsvHoechstSaetze));
        satz.clear();
        felder = 0;
        anfang = anfang_ = zeile_;
        for (;;) {
            feld_.clear();
            if (text_[i_] == '"')
                gequotet();
            else
                schlicht();
            feldEnde(satz, felder);
            if (i_ >= n)
                return true;
            if (text_[i_] == ',') {
                ++i_;
                // A comma at the very end still leaves an empty last field.
                if (i_ >= n) {
                    feld_.clear();
                    feldEnde(satz, felder);
                    return true;
                }
                continue;
            }
            i_ += umbruch(i_);
            ++zeile_;
            return true;
        }
    }

private:
    void feldEnde(QStringList& satz, qsizetype& felder) {
        if (++felder > CsvHoechstFelder)
            fehler(QStringLiteral("line %1: more than %2 fields in a record")
                       .arg(anfang_)
                       .arg(CsvHoechstFelder));
        QStringDecoder dekodierer(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString feld = dekodierer.decode(feld_);
        if (dekodierer.hasError())
            fehler(QStringLiteral("the file is not UTF-8 text"));
        if (felder <= behalten_)
            satz << feld;
    }

    // A line break at j (CR LF, LF or CR): its length, else 0.
    int umbruch(qsizetype j) const {
        if (j >= text_.size())
            return 0;
        if (text_[j] == '\r')
            return j + 1 < text_.size() && text_[j + 1] == '\n' ? 2 : 1;
        return text_[j] == '\n' ? 1 : 0;
    }

    void laengePruefen(int anfang) const {
        if (feld_.size() > CsvHoechstFeld)
            fehler(QStringLiteral("line %1: a field longer than %2 bytes")
                       .arg(anfang)
                       .arg(CsvHoechstFeld));
    }

    // A quoted field: up to the quote that is not doubled.
    void gequotet() {
        const qsizetype n = text_.size();
        const int anfang = zeile_;
        ++i_;
        for (;;) {
            if (i_ >= n)
                fehler(QStringLiteral("line %1: a quote opened here is never closed").arg(anfang));
            laengePruefen(anfang);
            if (text_[i_] == '"') {
                if (i_ + 1 < n && text_[i_ + 1] == '"') {
                    feld_ += '"';
                    i_ += 2;
                    continue;
                }
                ++i_;
                break;
            }
            if (const int u = umbruch(i_)) {
                ++zeile_;
                feld_ += text_.sliced(i_, u);
                i_ += u;
                continue;
            }
            feld_ += text_[i_++];
        }
        if (i_ < n && text_[i_] != ',' && !umbruch(i_))
            fehler(QStringLiteral("line %1: text after a closing quote").arg(zeile_));
    }

    void schlicht() {
        while (i_ < text_.size() && text_[i_] != ',' && !umbruch(i_)) {
            if (text_[i_] == '"')
                fehler(QStringLiteral("line %1: a quote inside an unquoted field").arg(zeile_));
            feld_ += text_[i_++];
            laengePruefen(zeile_);
        }
    }

    QByteArrayView text_;
    const qsizetype behalten_;
    QByteArray feld_;
    qsizetype i_ = 0;
    qint64 saetze_ = 0;
    int zeile_ = 1, anfang_ = 1;
};

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

// The schedule of one record; wert gives the field of a column of CsvKopf.
template <typename Wert> Zeitplanwahl wahlAusFeldern(const Wert& wert) {
    Zeitplanwahl w;
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
        // An export writes days past the month's end as stored.
        w.jahrestage = JahrestageLesen(tage, true);
        break;
    default:
        if (!tage.isEmpty())
            fehler(QStringLiteral("a %1 note has no days").arg(RhythmusText(w.rhythmus)));
    }
    if (!wert(7).trimmed().isEmpty())
        w.vorher = ZahlLesen(wert(7), "advance");
    return w;
}

} // namespace

std::vector<QStringList> CsvLesen(const QByteArray& daten) {
    Leser leser(daten, CsvHoechstFelder);
    std::vector<QStringList> saetze;
    QStringList satz;
    qsizetype felder = 0;
    int anfang = 0;
    while (leser.naechster(satz, felder, anfang))
        saetze.push_back(satz);
    return saetze;
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
    const qsizetype spalten = CsvKopf.size();
    // The header comes first and is checked before anything else is read:
    // a file that is not one of ours is refused after its first line. A
    // record keeps no more fields than the header has; the others are
    // counted for the message.
    Leser leser(daten, spalten + 1);
    QStringList kopf;
    qsizetype kopfFelder = 0;
    int anfang = 0;
    if (!leser.naechster(kopf, kopfFelder, anfang))
        fehler(QStringLiteral("the file is empty; it needs the header %1")
                   .arg(CsvKopf.join(QLatin1Char(','))));
    // Which column holds which value.
    std::array<int, 8> spalte;
    spalte.fill(-1);
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
    QStringList satz;
    qsizetype felder = 0;
    while (leser.naechster(satz, felder, anfang)) {
        CsvNotiz c;
        c.zeile = anfang;
        // A blank line between notes is no note.
        if (felder == 1 && satz[0].isEmpty())
            continue;
        const auto wert = [&](int k) {
            const int i = spalte[size_t(k)];
            return i >= 0 && i < satz.size() ? satz[i] : QString();
        };
        try {
            if (felder != kopfFelder)
                fehler(QStringLiteral("%1 fields where the header has %2")
                           .arg(felder)
                           .arg(kopfFelder));
            c.text = wert(0);
            c.wahl = wahlAusFeldern(wert);
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
                     UhrzeitAusgabe(w.bis), mitStart ? DatumAusgabe(w.start) : QString(),
                     w.rhythmus == RhythmusWoechentlich ? QString::number(w.wochen) : QString(),
                     tage,
                     w.rhythmus >= RhythmusMonatlich ? QString::number(w.vorher) : QString()});
}

} // namespace pinwick
