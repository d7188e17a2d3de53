#include "Leistenlayout.h"
#include "Sprachwahl.h"

#include "Hilfen.h"

namespace pinwick {

int BandHoehe(int textHoehe) {
    return RundeGerade32(textHoehe * 1.5);
}

int16_t TextOben(int bandHoehe, int textHoehe, int schriftGroesse) {
    switch (schriftGroesse) {
    case 9:
        return 170;
    case 11:
        return 135;
    case 14:
        return 85;
    default:
        break;
    }
    // Centred, then pulled up a fifth: the cell's descent leaves more room
    // below the letters than above, and centring the cell looks low.
    const int mitte = RundeGerade32((bandHoehe - textHoehe) / 2.0);
    return static_cast<int16_t>(RundeGerade32(mitte * 0.8));
}

Leistenlayout LeisteBerechnen(const Einstellungswerte& e, int bildschirmBreite, int bildschirmHoehe,
                              int textHoehe) {
    Leistenlayout l;
    l.leisteBreite = bildschirmBreite;
    l.bandHoehe = BandHoehe(textHoehe);
    l.textOben = TextOben(l.bandHoehe, textHoehe, e.SchriftGroesse);
    const int h = l.bandHoehe;

    int datumLinks = 0;
    int uhrLinks = DatumPanBreite;
    int oben = 0;
    if (e.zeigRahmen) {
        l.leisteHoehe = h + RahmenZugabe;
        datumLinks = RahmenRand;
        uhrLinks = RahmenRand + DatumPanBreite;
        oben = RahmenRand;
        l.panelKante = true;
        if (e.zeigDatum)
            l.notizPan = QRect(uhrLinks + UhrPanBreite, oben,
                               l.leisteBreite - DatumPanBreite - UhrPanBreite - RahmenZugabe, h);
        else
            l.notizPan = QRect(RahmenRand, oben, l.leisteBreite - RahmenZugabe, h);
    } else {
        l.leisteHoehe = h;
        l.panelKante = false;
        if (e.zeigDatum)
            l.notizPan = QRect(uhrLinks + UhrPanBreite, oben,
                               l.leisteBreite - DatumPanBreite - UhrPanBreite, h);
        else
            l.notizPan = QRect(0, oben, l.leisteBreite, h);
    }
    l.uhrSichtbar = e.zeigDatum;
    l.datumPan = QRect(datumLinks, oben, DatumPanBreite, h);
    l.uhrPan = QRect(uhrLinks, oben, UhrPanBreite, h);

    l.leisteLinks = 0;
    l.leisteOben = e.dockPos != 0 ? bildschirmHoehe - l.leisteHoehe : 0;
    l.testPanOben = l.leisteHoehe + 100;
    l.notizMenues = e.eigeneErlauben;
    return l;
}

int ScrollSchritt(int16_t speed) {
    return speed >= 5 ? speed : 30;
}

UhrAnzeige UhrAnzeigeText(const QDateTime& jetzt, int16_t sprache, QChar datumTrenner) {
    const QDate d = jetzt.date();
    const QTime t = jetzt.time();
    const auto zwei = [](int zahl) { return QStringLiteral("%1").arg(zahl, 2, 10, QChar(u'0')); };
    UhrAnzeige a;
    if (sprache == SpracheEnglisch) {
        a.datum = zwei(d.month()) + u'/' + zwei(d.day()) + u'/' + zwei(d.year() % 100);
        const int stunde12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
        a.uhr = QString::number(stunde12) + u':' + zwei(t.minute()) + u':' + zwei(t.second()) +
                (t.hour() < 12 ? QStringLiteral(" am") : QStringLiteral(" pm"));
    } else {
        a.datum =
            zwei(d.day()) + datumTrenner + zwei(d.month()) + datumTrenner + zwei(d.year() % 100);
        a.uhr = zwei(t.hour()) + u':' + zwei(t.minute()) + u':' + zwei(t.second());
    }
    return a;
}

QString LeistenHinweis(int16_t sprache, bool notizBefehle) {
    const bool englisch = sprache == SpracheEnglisch;
    // The key that stops and starts the band works on every bar, also on a
    // receiver's without the note commands.
    const QString leertaste =
        englisch ? QStringLiteral(" \u00B7 Space: stop/resume scrolling")
                 : QStringLiteral(" \u00B7 Leertaste: Laufschrift anhalten/fortsetzen");
    if (!notizBefehle)
        return (englisch ? QStringLiteral("Right-click: menu")
                         : QStringLiteral("Rechtsklick: Men\u00FC")) +
               leertaste;
    return (englisch ? QStringLiteral("Right-click: menu \u00B7 Ctrl+N: new note \u00B7 "
                                      "Double-click: notes")
                     : QStringLiteral("Rechtsklick: Men\u00FC \u00B7 Strg+N: neue Notiz \u00B7 "
                                      "Doppelklick: Notizen")) +
           leertaste;
}

ZugangsNamen LeistenZugangsNamen(int16_t sprache) {
    if (sprache == SpracheEnglisch)
        return {QStringLiteral("Pinwick notes ticker"), QStringLiteral("Date"),
                QStringLiteral("Time"), QStringLiteral("Notes")};
    return {QStringLiteral("Pinwick Notizen-Laufband"), QStringLiteral("Datum"),
            QStringLiteral("Uhrzeit"), QStringLiteral("Notizen")};
}

QString BandZugangsText(const std::vector<Eintrag>& eintraege, int16_t sprache, int hoechstens) {
    QString text;
    for (const Eintrag& e : eintraege) {
        if (e.text.isEmpty())
            continue;
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += e.text;
        if (text.size() > hoechstens)
            break;
    }
    if (text.size() > hoechstens) {
        text.truncate(hoechstens);
        text += QChar(0x2026);
    }
    if (text.isEmpty())
        return sprache == SpracheEnglisch ? QStringLiteral("No note due") : QStringLiteral("Keine Notiz f\u00E4llig");
    return text;
}

} // namespace pinwick

