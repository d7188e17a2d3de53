// The save's checks on values: what they refuse, ask and mend, in their
// order; and how the editor's boxes become those values.

#include "Hilfen.h"
#include "NotizEingabe.h"

#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace pinwick {
namespace {

const QDate mittwoch(2026, 12, 9);

NotizWerte werte(int16_t rhythmus) {
    NotizWerte w;
    w.notiz = QStringLiteral("Notiz");
    w.rhythmus = rhythmus;
    w.erstDatum = DatumsZahl(mittwoch);
    w.woTage[2] = true;
    w.monatsTag = QStringLiteral("15");
    w.jahrTag[0] = 24;
    w.jahrMonat[0] = 12;
    return w;
}

struct Fall {
    const char* name;
    int16_t rhythmus;
    void (*aendern)(NotizWerte&);
    std::optional<Meldung> meldung; // none with ok false: stopped by a No
    Feld fokus;
    bool ok;
    std::vector<Frage> fragen; // asked in this order; the last one is answered No
};

TEST(NotizPruefen, RefusesAsksAndStopsInItsOrder) {
    using M = Meldung;
    const auto w = [](NotizWerte&) {};
    const Fall faelle[] = {
        {"plain weekly", RhythmusWoechentlich, w, {}, Feld::Keins, true, {}},
        {"blank text",
         RhythmusTaeglich,
         [](NotizWerte& v) { v.notiz = QStringLiteral("  "); },
         M::TextFehlt,
         Feld::Notiz,
         false,
         {}},
        {"blank text before a bad time",
         RhythmusTaeglich,
         [](NotizWerte& v) {
             v.notiz.clear();
             v.vonBis = true;
             v.uhr[0].art = Uhrangabe::Unlesbar;
         },
         M::TextFehlt,
         Feld::Notiz,
         false,
         {}},
        {"no times: whole day? No",
         RhythmusTaeglich,
         [](NotizWerte& v) { v.vonBis = true; },
         std::nullopt,
         Feld::Keins,
         false,
         {Frage::GanztagsAnzeigen}},
        {"no start: from midnight? No",
         RhythmusTaeglich,
         [](NotizWerte& v) {
             v.vonBis = true;
             v.uhr[1] = Uhrangabe::Um(0.5);
         },
         std::nullopt,
         Feld::Keins,
         false,
         {Frage::AbMitternacht}},
        {"no end: till midnight? No",
         RhythmusTaeglich,
         [](NotizWerte& v) {
             v.vonBis = true;
             v.uhr[0] = Uhrangabe::Um(0.5);
         },
         std::nullopt,
         Feld::Keins,
         false,
         {Frage::BisMitternacht}},
        {"end unreadable",
         RhythmusTaeglich,
         [](NotizWerte& v) {
             v.vonBis = true;
             v.uhr[0] = Uhrangabe::Um(0.25);
             v.uhr[1].art = Uhrangabe::Unlesbar;
         },
         M::ZeitFormat,
         Feld::Uhrzeit2,
         false,
         {}},
        {"end before start",
         RhythmusTaeglich,
         [](NotizWerte& v) {
             v.vonBis = true;
             v.uhr = {Uhrangabe::Um(0.5), Uhrangabe::Um(0.25)};
         },
         M::EndeVorAnfang,
         Feld::Uhrzeit2,
         false,
         {}},
        {"permanent: a window is asked about too",
         RhythmusPermanent,
         [](NotizWerte& v) { v.vonBis = true; },
         std::nullopt,
         Feld::Keins,
         false,
         {Frage::GanztagsAnzeigen}},
        {"no weekday",
         RhythmusWoechentlich,
         [](NotizWerte& v) { v.woTage = {}; },
         M::KeinWochentag,
         Feld::Keins,
         false,
         {}},
        {"monthly day 0",
         RhythmusMonatlich,
         [](NotizWerte& v) { v.monatsTag = QStringLiteral("0"); },
         M::TagNull,
         Feld::TagZahlMon,
         false,
         {}},
        {"monthly day 32",
         RhythmusMonatlich,
         [](NotizWerte& v) { v.monatsTag = QStringLiteral("32"); },
         M::TagNull,
         Feld::TagZahlMon,
         false,
         {}},
        {"monthly day 29? No",
         RhythmusMonatlich,
         [](NotizWerte& v) { v.monatsTag = QStringLiteral("29"); },
         std::nullopt,
         Feld::Keins,
         false,
         {Frage::Tag29}},
        {"monthly day 31? No",
         RhythmusMonatlich,
         [](NotizWerte& v) { v.monatsTag = QStringLiteral("31"); },
         std::nullopt,
         Feld::Keins,
         false,
         {Frage::Tag31}},
        {"monthly day 029 is not asked about",
         RhythmusMonatlich,
         [](NotizWerte& v) { v.monatsTag = QStringLiteral("029"); },
         {},
         Feld::Keins,
         true,
         {}},
        {"no weekday position",
         RhythmusMonatlich,
         [](NotizWerte& v) {
             v.monArt = MonatsRegel::Wochentag;
             v.woTag = 2;
         },
         M::KeinePosition,
         Feld::Keins,
         false,
         {}},
        {"no day of the year",
         RhythmusJaehrlich,
         [](NotizWerte& v) { v.jahrTag[0].reset(); },
         M::KeinJahrestag,
         Feld::Keins,
         false,
         {}},
        {"a day without its month",
         RhythmusJaehrlich,
         [](NotizWerte& v) {
             v.jahrTag[2] = 5;
             v.jahrTag[3] = 0; // the month comes first
         },
         M::MonatFehlt,
         Feld(int(Feld::MonatJah1) + 2),
         false,
         {}},
        {"a yearly day 100",
         RhythmusJaehrlich,
         [](NotizWerte& v) { v.jahrTag[0] = 100; },
         M::TagNull,
         Feld::TagZahlJahr1,
         false,
         {}},
        {"no first date, weekly",
         RhythmusWoechentlich,
         [](NotizWerte& v) { v.erstDatum.reset(); },
         M::DatumFehlerhaft,
         Feld::ErstDatumWoc,
         false,
         {}},
        {"no first date, yearly",
         RhythmusJaehrlich,
         [](NotizWerte& v) { v.erstDatum.reset(); },
         M::DatumFehlerhaft,
         Feld::ErstDatumJah,
         false,
         {}},
        {"the date comes before the weeks",
         RhythmusWoechentlich,
         [](NotizWerte& v) {
             v.erstDatum.reset();
             v.dauer = 40000;
         },
         M::DatumFehlerhaft,
         Feld::ErstDatumWoc,
         false,
         {}},
        {"32768 weeks",
         RhythmusWoechentlich,
         [](NotizWerte& v) { v.dauer = 32768; },
         M::DauerZuGross,
         Feld::DauerWoc,
         false,
         {}},
        {"32768 days earlier",
         RhythmusMonatlich,
         [](NotizWerte& v) { v.vorher = 32768; },
         M::VorherZuGross,
         Feld::VorherMon,
         false,
         {}},
        {"negative days earlier",
         RhythmusJaehrlich,
         [](NotizWerte& v) { v.vorher = -1; },
         M::VorherZuGross,
         Feld::VorherJah,
         false,
         {}},
    };
    for (const Fall& f : faelle) {
        NotizWerte v = werte(f.rhythmus);
        f.aendern(v);
        std::vector<Frage> gefragt;
        const PruefErgebnis e = NotizPruefen(v, mittwoch, [&](Frage frage) {
            gefragt.push_back(frage);
            return false;
        });
        EXPECT_EQ(e.ok, f.ok) << f.name;
        EXPECT_EQ(e.meldung, f.meldung) << f.name;
        EXPECT_EQ(e.fokus, f.fokus) << f.name;
        EXPECT_EQ(gefragt, f.fragen) << f.name;
    }
}

TEST(NotizPruefen, AnswersYesMendTheValues) {
    struct Mend {
        const char* name;
        std::array<Uhrangabe, 2> uhr;
        std::array<bool, 2> gesetzt;
        double von, bis;
    };
    const Mend faelle[] = {
        {"from midnight", {Uhrangabe{}, Uhrangabe::Um(0.5)}, {true, true}, 0.0, 0.5},
        {"till 23:59", {Uhrangabe::Um(0.5), Uhrangabe{}}, {true, true}, 0.5, Tageszeit(23, 59)},
        {"whole day", {Uhrangabe{}, Uhrangabe{}}, {false, false}, 0.0, 0.0},
    };
    for (const Mend& f : faelle) {
        NotizWerte v = werte(RhythmusTaeglich);
        v.vonBis = true;
        v.uhr = f.uhr;
        const PruefErgebnis e = NotizPruefen(v, mittwoch, [](Frage) { return true; });
        ASSERT_TRUE(e.ok) << f.name;
        EXPECT_EQ(e.uhrGesetzt, f.gesetzt) << f.name;
        EXPECT_EQ(e.notiz.UhrVon, f.von) << f.name;
        EXPECT_EQ(e.notiz.UhrBis, f.bis) << f.name;
    }
    // An empty monthly day becomes today's and is stored as such.
    NotizWerte v = werte(RhythmusMonatlich);
    v.monatsTag.clear();
    const PruefErgebnis e = NotizPruefen(v, mittwoch, {});
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(v.monatsTag, "9");
    EXPECT_EQ(e.notiz.RhyDetails, "19");
}

TEST(WerteAusFormular, ReadsTheBoxesOfTheChosenRhythm) {
    NotizFormular f = NeuesFormular(mittwoch);
    f.notiz = QStringLiteral("x");
    f.zeitsteuerung = true;
    f.vonBis = true;
    f.rhythmus = RhythmusJaehrlich;
    const double krumm = (7 * 60 + 0.4) / 1440.0; // a stored time off the minute
    f.zeit = {krumm, 0.0};
    f.uhrzeit = {UhrzeitText(krumm), QStringLiteral("8:5")};
    f.tagZahlJahr = {QStringLiteral("24"), QString(), QStringLiteral("0"), QString()};
    f.monatJah = {11, -1, -1, 3};
    f.erstDatumJah = QStringLiteral("31.02.2027");
    f.vorherJah = QStringLiteral("14");
    NotizWerte w = WerteAusFormular(f, mittwoch);
    EXPECT_EQ(w.rhythmus, RhythmusJaehrlich);
    EXPECT_EQ(w.uhr[0], Uhrangabe::Um(krumm)); // shown as it is: kept exactly
    EXPECT_EQ(w.uhr[1], Uhrangabe::Um(Tageszeit(8, 5)));
    EXPECT_EQ(w.jahrTag[0], 24);
    EXPECT_EQ(w.jahrTag[1], std::nullopt);
    EXPECT_EQ(w.jahrTag[2], 0);
    EXPECT_EQ(w.jahrMonat, (std::array<int, 4>{12, 0, 0, 4}));
    EXPECT_EQ(w.erstDatum, std::nullopt);
    EXPECT_EQ(w.vorher, 14);

    struct Datum {
        const char* text;
        std::optional<int32_t> zahl;
    };
    const Datum daten[] = {
        {"", DatumsZahl(mittwoch)},
        {"  ", DatumsZahl(mittwoch)},
        {"24.12", DatumsZahl(QDate(2026, 12, 24))},
        {"1.1.0099", std::nullopt},
        {"12345", std::nullopt},
    };
    for (const Datum& d : daten) {
        f.erstDatumJah = QString::fromLatin1(d.text);
        EXPECT_EQ(WerteAusFormular(f, mittwoch).erstDatum, d.zahl) << d.text;
    }

    // A time typed but not read: refused with a rhythm; a permanent note
    // keeps the working time, as nothing of the window is stored.
    f.uhrzeit[1] = QStringLiteral("25");
    EXPECT_EQ(WerteAusFormular(f, mittwoch).uhr[1].art, Uhrangabe::Unlesbar);
    f.zeitsteuerung = false;
    w = WerteAusFormular(f, mittwoch);
    EXPECT_EQ(w.rhythmus, RhythmusPermanent);
    EXPECT_EQ(w.uhr[1], Uhrangabe::Um(0.0));
}

TEST(ErstDatumZahl, OnlyTheYearsABoxReads) {
    EXPECT_EQ(ErstDatumZahl(QDate(100, 1, 1)), DatumsZahl(QDate(100, 1, 1)));
    EXPECT_EQ(ErstDatumZahl(QDate(9999, 12, 31)), DatumsZahl(QDate(9999, 12, 31)));
    EXPECT_EQ(ErstDatumZahl(QDate(99, 12, 31)), std::nullopt);
    EXPECT_EQ(ErstDatumZahl(QDate()), std::nullopt);
}

} // namespace
} // namespace pinwick
