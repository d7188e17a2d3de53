#include "Csv.h"

#include "Hilfen.h"

#include <QStringDecoder>

namespace pinwick {

namespace {

[[noreturn]] void fehler(const QString& text) {
    throw EingabeFehler(text.toStdString());
}

// Reads CSV text field by field, counting lines for the messages.
class Leser {
public:
    Leser(const QString& text, std::vector<int>* anfaenge) : text_(text), anfaenge_(anfaenge) {}

    std::vector<QStringList> alle() {
        const qsizetype n = text_.size();
        while (i_ < n) {
            if (!feldBegonnen_)
                satzAnfang_ = zeile_;
            feldBegonnen_ = true;
            if (text_[i_] == QLatin1Char('"'))
                gequotet();
            else
                schlicht();
            if (i_ >= n)
                break;
            if (text_[i_] == QLatin1Char(',')) {
                satz_ << feld_;
                feld_.clear();
                ++i_;
                // A comma at the very end still leaves an empty last field.
                if (i_ >= n)
                    break;
                continue;
            }
            i_ += umbruch(i_);
            ++zeile_;
            satzEnde();
        }
        if (feldBegonnen_)
            satzEnde();
        return std::move(saetze_);
    }

private:
    // A line break at j (CR LF, LF or CR): its length, else 0.
    int umbruch(qsizetype j) const {
        if (j >= text_.size())
            return 0;
        if (text_[j] == QLatin1Char('\r'))
            return j + 1 < text_.size() && text_[j + 1] == QLatin1Char('\n') ? 2 : 1;
        return text_[j] == QLatin1Char('\n') ? 1 : 0;
    }

    void satzEnde() {
        satz_ << feld_;
        feld_.clear();
        saetze_.push_back(satz_);
        if (anfaenge_)
            anfaenge_->push_back(satzAnfang_);
        satz_.clear();
        feldBegonnen_ = false;
    }

    // A quoted field: up to the quote that is not doubled.
    void gequotet() {
        const qsizetype n = text_.size();
        const int anfang = zeile_;
        ++i_;
        for (;;) {
            if (i_ >= n)
                fehler(QStringLiteral("line %1: a quote opened here is never closed").arg(anfang));
            if (text_[i_] == QLatin1Char('"')) {
                if (i_ + 1 < n && text_[i_ + 1] == QLatin1Char('"')) {
                    feld_ += QLatin1Char('"');
                    i_ += 2;
                    continue;
                }
                ++i_;
                break;
            }
            if (const int u = umbruch(i_)) {
                ++zeile_;
                feld_ += text_.mid(i_, u);
                i_ += u;
                continue;
            }
            feld_ += text_[i_++];
        }
        if (i_ < n && text_[i_] != QLatin1Char(',') && !umbruch(i_))
            fehler(QStringLiteral("line %1: text after a closing quote").arg(zeile_));
    }

    void schlicht() {
        while (i_ < text_.size() && text_[i_] != QLatin1Char(',') && !umbruch(i_)) {
            if (text_[i_] == QLatin1Char('"'))
                fehler(QStringLiteral("line %1: a quote inside an unquoted field").arg(zeile_));
            feld_ += text_[i_++];
        }
    }

    const QString& text_;
    std::vector<int>* anfaenge_;
    std::vector<QStringList> saetze_;
    QStringList satz_;
    QString feld_;
    qsizetype i_ = 0;
    int zeile_ = 1, satzAnfang_ = 1;
    bool feldBegonnen_ = false; // something of the current record was read
};

// Where each record began, for messages; filled beside the records.
std::vector<QStringList> lesen(const QByteArray& daten, std::vector<int>* anfaenge) {
    QByteArray roh = daten;
    if (roh.startsWith("\xEF\xBB\xBF"))
        roh.remove(0, 3);
    QStringDecoder dekodierer(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = dekodierer.decode(roh);
    if (dekodierer.hasError())
        fehler(QStringLiteral("the file is not UTF-8 text"));
    return Leser(text, anfaenge).alle();
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
        w.jahrestage = JahrestageLesen(tage);
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
