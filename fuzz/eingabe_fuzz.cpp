// The note editor's entries: the time and date normalisers and the save
// command's checks on any form.
//
// Input: lines "name=value" (value as text with the escapes of FuzzEingabe.h)
// for the form's fields: notiz, zeitsteuerung, vonBis, uhr1, uhr2, rhythmus,
// woTage (seven 0/1), erstDatumWoc, dauerWoc, monArt, tagZahlMon, moPos,
// woTagCom, vorherMon, erstDatumMon, tag1..tag4, monat1..monat4, vorherJah,
// erstDatumJah; heute (yyyy-MM-dd) and antworten (J/N per question, Yes after
// the last). Choices outside what the window's option buttons and lists can
// hold (a rhythm other than 1 to 4, say) are no input of the editor.
//
// What must hold besides ending without a crash:
// - a time the normaliser takes is "hh:mm" within the day, its fraction of
//   the day matches, and normalising it again changes nothing; a first date
//   it turns into a date stays that date when normalised again;
// - a refused save names a message that has a text, or none after a No;
// - a note the checks let through is written and read back unchanged, can
//   be tested by the ticker at any moment of the day, opens in the editor
//   (also from its row) and saves again as the same note.

#include "FuzzEingabe.h"
#include "FuzzNotiz.h"
#include "Hilfen.h"
#include "NotizEingabe.h"
#include "Zeitplan.h"

using namespace pinwick;
using namespace pinwick::fuzz;

namespace {

void uhrzeit(const QString& text) {
    const UhrzeitErgebnis r = UhrzeitPruefen(text);
    FUZZ_PRUEFEN((r.art == UhrzeitErgebnis::Leer) == text.isEmpty(), "empty and Leer differ");
    if (r.art != UhrzeitErgebnis::Gueltig)
        return;
    FUZZ_PRUEFEN(r.text.size() == 5 && r.text[2] == u':' && r.zeit >= 0 && r.zeit < 1,
                 "time \"%s\"", qPrintable(r.text));
    const int h = r.text.left(2).toInt(), m = r.text.mid(3).toInt();
    FUZZ_PRUEFEN(h <= 23 && m <= 59 && r.zeit == Tageszeit(h, m), "time %s", qPrintable(r.text));
    FUZZ_PRUEFEN(UhrzeitText(r.zeit) == r.text, "time %s shows as %s", qPrintable(r.text),
                 qPrintable(UhrzeitText(r.zeit)));
    const UhrzeitErgebnis zweit = UhrzeitPruefen(r.text);
    FUZZ_PRUEFEN(zweit.art == UhrzeitErgebnis::Gueltig && zweit.text == r.text,
                 "time %s normalised again", qPrintable(r.text));
}

void datum(const QString& text, const QDate& heute) {
    const QString einmal = DatumPruefen(text, heute);
    QString lesen = einmal;
    int32_t zahl = 0;
    if (!DatumGueltig(lesen, zahl, heute) || lesen.isEmpty())
        return;
    FUZZ_PRUEFEN(DatumPruefen(einmal, heute) == einmal, "date %s normalised again",
                 qPrintable(einmal));
}

bool ja(QStringView antworten, int& gefragt) {
    const qsizetype i = gefragt++;
    return i >= antworten.size() || antworten[i] != u'N';
}

void gespeichert(const Notiz& n, const NotizFormular& f, const QDate& heute) {
    FUZZ_PRUEFEN(n.inhalt == f.notiz && n.Rhythmus == f.Rhythmus(), "the note is not the form's");
    SpeicherSatz satz;
    satz.werte[QStringLiteral("ID")] = Wert(7);
    NotizSpalten(n, [&](QStringView name, const Wert& w) { satz.werte[name.toString()] = w; });
    Notiz gelesen;
    try {
        gelesen = NotizLesen(satz);
    } catch (const DatenFehler& e) {
        FUZZ_PRUEFEN(false, "a saved note cannot be read: %s", e.what());
    }
    Notiz mitId = n;
    mitId.ID = 7;
    FUZZ_PRUEFEN(gleicheNotiz(gelesen, mitId), "a saved note reads back otherwise");
    FUZZ_PRUEFEN(gleicheNotiz(NotizZumBearbeiten(satz, heute), mitId),
                 "a saved note opens otherwise from its row");
    for (const QTime zeit : {QTime(0, 0), QTime(12, 0), QTime(23, 59, 59)}) {
        try {
            ZeitTestKern(satz, QDateTime(heute, zeit));
        } catch (const DatenFehler& e) {
            FUZZ_PRUEFEN(false, "the ticker cannot test a saved note: %s", e.what());
        }
    }

    // Opened in the editor and saved again with every question answered Yes.
    NotizFormular wieder = NeuesFormular(heute);
    NotizPraesentieren(wieder, n);
    const PruefErgebnis zweit = SpeichernPruefen(wieder, heute, [](Frage) { return true; });
    FUZZ_PRUEFEN(zweit.ok, "a saved note opened again cannot be saved (message %d)",
                 zweit.meldung ? int(*zweit.meldung) : -1);
    FUZZ_PRUEFEN(gleicheNotiz(zweit.notiz, n), "a saved note saves again as another");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* daten, size_t groesse) {
    QDate heute(2024, 2, 29);
    NotizFormular f = NeuesFormular(heute);
    QString antworten;
    std::map<QString, QString> werte;
    for (QByteArrayView zeile : zeilen(daten, groesse)) {
        const qsizetype gleich = zeile.indexOf('=');
        if (gleich <= 0)
            continue;
        werte[QString::fromLatin1(zeile.first(gleich))] =
            QString::fromUtf8(entschluesseln(zeile.sliced(gleich + 1)));
    }
    const auto zahl = [&](const char* name, int vorgabe) {
        const auto it = werte.find(QString::fromLatin1(name));
        return it == werte.end() ? vorgabe : it->second.toInt();
    };
    const auto text = [&](const char* name, QString& ziel) {
        const auto it = werte.find(QString::fromLatin1(name));
        if (it != werte.end())
            ziel = it->second;
    };
    if (werte.count(QStringLiteral("heute"))) {
        heute = QDate::fromString(werte[QStringLiteral("heute")], Qt::ISODate);
        if (!heute.isValid() || heute.year() < 100 || heute.year() > 9999)
            return 0;
        f = NeuesFormular(heute);
    }
    text("antworten", antworten);
    text("notiz", f.notiz);
    f.zeitsteuerung = zahl("zeitsteuerung", f.zeitsteuerung);
    f.vonBis = zahl("vonBis", f.vonBis);
    text("uhr1", f.uhrzeit[0]);
    text("uhr2", f.uhrzeit[1]);
    f.rhythmus = zahl("rhythmus", f.rhythmus);
    if (werte.count(QStringLiteral("woTage"))) {
        const QString tage = werte[QStringLiteral("woTage")];
        for (qsizetype i = 0; i < 7; ++i)
            f.woTage[size_t(i)] = i < tage.size() && tage[i] == u'1';
    }
    text("erstDatumWoc", f.erstDatumWoc);
    text("dauerWoc", f.dauerWoc);
    f.monArt = zahl("monArt", f.monArt);
    text("tagZahlMon", f.tagZahlMon);
    f.moPos = zahl("moPos", f.moPos);
    f.woTagCom = zahl("woTagCom", f.woTagCom);
    text("vorherMon", f.vorherMon);
    text("erstDatumMon", f.erstDatumMon);
    for (int i = 0; i < 4; ++i) {
        text(qPrintable(QStringLiteral("tag%1").arg(i + 1)), f.tagZahlJahr[size_t(i)]);
        f.monatJah[size_t(i)] =
            zahl(qPrintable(QStringLiteral("monat%1").arg(i + 1)), f.monatJah[size_t(i)]);
    }
    text("vorherJah", f.vorherJah);
    text("erstDatumJah", f.erstDatumJah);
    // Option buttons and lists hold only their own choices; the boxes any text.
    const auto innen = [](int wert, int von, int bis) { return wert >= von && wert <= bis; };
    if (!innen(f.rhythmus, 1, 4) || !innen(f.monArt, 1, 2) || !innen(f.moPos, 0, 5) ||
        !innen(f.woTagCom, -1, 6))
        return 0;
    for (int monat : f.monatJah)
        if (!innen(monat, -1, 11))
            return 0;

    uhrzeit(f.uhrzeit[0]);
    uhrzeit(f.uhrzeit[1]);
    for (const QString& d : {f.erstDatumWoc, f.erstDatumMon, f.erstDatumJah})
        datum(d, heute);

    int gefragt = 0;
    const PruefErgebnis e =
        SpeichernPruefen(f, heute, [&](Frage) { return ja(antworten, gefragt); });
    if (!e.ok) {
        if (e.meldung)
            FUZZ_PRUEFEN(!MeldungsText(*e.meldung, 1).isEmpty() &&
                             !MeldungsText(*e.meldung, 2).isEmpty(),
                         "message %d without a text", int(*e.meldung));
        return 0;
    }
    gespeichert(e.notiz, f, heute);
    return 0;
}
