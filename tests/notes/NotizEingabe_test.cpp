// The note editor's rules without a window: the time and date normalisers,
// the presentation of stored notes, and the save checks on plain values.

#include "Hilfen.h"
#include "NotizEingabe.h"
#include "TestHilfe.h"

#include <gtest/gtest.h>
#include <vector>

namespace pinwick {
namespace {

const QDate mittwoch(2026, 12, 9);

TEST(UhrzeitPruefen, NormalisesOrRefuses) {
    struct Fall {
        const char* eingabe;
        UhrzeitErgebnis::Art art;
        const char* text;
    };
    const Fall faelle[] = {
        {"7:5", UhrzeitErgebnis::Gueltig, "07:05"},
        {"8", UhrzeitErgebnis::Gueltig, "08:00"},
        {":30", UhrzeitErgebnis::Gueltig, "00:30"},
        {"9:", UhrzeitErgebnis::Gueltig, "09:00"},
        {":", UhrzeitErgebnis::Gueltig, "00:00"},
        {"0", UhrzeitErgebnis::Gueltig, "00:00"},
        {"23:59", UhrzeitErgebnis::Gueltig, "23:59"},
        {"007:05", UhrzeitErgebnis::Gueltig, "07:05"},
        {"", UhrzeitErgebnis::Leer, ""},
        {"25:00", UhrzeitErgebnis::Ungueltig, ""},
        {"24", UhrzeitErgebnis::Ungueltig, ""},
        {"12:60", UhrzeitErgebnis::Ungueltig, ""},
        {"1:2:3", UhrzeitErgebnis::Ungueltig, ""},
        {"::", UhrzeitErgebnis::Ungueltig, ""},
        // Without a colon the whole text is hours.
        {"930", UhrzeitErgebnis::Ungueltig, ""},
        {"99999999999999999999999", UhrzeitErgebnis::Ungueltig, ""},
    };
    for (const Fall& f : faelle) {
        const UhrzeitErgebnis e = UhrzeitPruefen(QString::fromLatin1(f.eingabe));
        EXPECT_EQ(e.art, f.art) << f.eingabe;
        EXPECT_EQ(e.text, QString::fromLatin1(f.text)) << f.eingabe;
    }
}

TEST(UhrzeitPruefen, EveryMinuteReadsBackAsShown) {
    for (int h = 0; h < 24; ++h) {
        for (int m = 0; m < 60; ++m) {
            const double zeit = Tageszeit(h, m);
            const QString text = UhrzeitText(zeit);
            ASSERT_EQ(text, QStringLiteral("%1:%2")
                                .arg(h, 2, 10, QLatin1Char('0'))
                                .arg(m, 2, 10, QLatin1Char('0')));
            const UhrzeitErgebnis e = UhrzeitPruefen(text);
            ASSERT_EQ(e.art, UhrzeitErgebnis::Gueltig);
            ASSERT_EQ(e.zeit, zeit) << text.toStdString();
        }
    }
    // Only the time of day counts, and a stray value shows as midnight.
    EXPECT_EQ(UhrzeitText(46000.75), "18:00");
    EXPECT_EQ(UhrzeitText(std::nan("")), "00:00");
}

TEST(DatumPruefen, NormalisesDates) {
    struct Fall {
        const char* eingabe;
        QDate datum; // invalid: the text comes back unchanged
        const char* zurueck;
    };
    const Fall faelle[] = {
        {"", mittwoch, ""},
        {"24.12.", QDate(2026, 12, 24), ""},
        {"24.12", QDate(2026, 12, 24), ""},
        {"1.2.27", QDate(2027, 2, 1), ""},
        {"1.1.30", QDate(1930, 1, 1), ""},
        {"09.12.2026.", mittwoch, ""},
        {"31.02.2008", QDate(), "31.02.2008"},
        {"31.02.2008.", QDate(), "31.02.2008"},
        {"12345", QDate(), "12345"},
    };
    for (const Fall& f : faelle) {
        const QString ergebnis = DatumPruefen(QString::fromLatin1(f.eingabe), mittwoch);
        if (f.datum.isValid())
            EXPECT_EQ(ergebnis, DatumText(f.datum)) << f.eingabe;
        else
            EXPECT_EQ(ergebnis, QString::fromLatin1(f.zurueck)) << f.eingabe;
    }
    // The display form reads back as the same day.
    const QString gezeigt = DatumText(QDate(2031, 3, 7));
    EXPECT_EQ(DatumPruefen(gezeigt, mittwoch), gezeigt);
}

// ---- presenting a stored note ---------------------------------------------------

Notiz notiz(int16_t rhythmus, const QString& details = QString(), double von = 0, double bis = 0) {
    Notiz n;
    n.inhalt = QStringLiteral("Notiz");
    n.Rhythmus = rhythmus;
    n.UhrVon = von;
    n.UhrBis = bis;
    n.StartDatum = DatumsZahl(QDate(2026, 11, 2));
    n.RhyDetails = details;
    n.Dauer = 4;
    n.Vorher = 2;
    return n;
}

TEST(NotizPraesentieren, NewNoteDefaults) {
    const NotizFormular f = NeuesFormular(mittwoch);
    EXPECT_EQ(f.woTage, (Wochentage{false, false, true, false, false, false, false}));
    EXPECT_EQ(f.woTagCom, 2);
    EXPECT_EQ(f.erstDatumWoc, DatumText(mittwoch));
    EXPECT_EQ(f.erstDatumMon, DatumText(mittwoch));
    EXPECT_EQ(f.erstDatumJah, DatumText(mittwoch));
    EXPECT_EQ(f.tagZahlMon, "9");
    EXPECT_EQ(f.tagZahlJahr[0], "9");
    EXPECT_EQ(f.monatJah, (std::array<int, 4>{11, -1, -1, -1}));
    EXPECT_FALSE(f.zeitsteuerung);
    EXPECT_FALSE(f.vonBis);
    EXPECT_EQ(f.rhythmus, RhythmusTaeglich);
    EXPECT_EQ(f.monArt, MonatsRegel::FesterTag);
    EXPECT_EQ(f.dauerWoc, "0");
    EXPECT_EQ(f.vorherMon, "0");
    EXPECT_EQ(f.vorherJah, "0");
}

TEST(NotizPraesentieren, EveryRhythmAndValuesOutsideTheEncoding) {
    const NotizFormular neu = NeuesFormular(mittwoch);
    const QString start = DatumText(QDate(2026, 11, 2));
    struct Fall {
        const char* name;
        Notiz n;
        std::function<void(NotizFormular&)> erwartet; // changes to the new note's values
    };
    const Fall faelle[] = {
        {"permanent", notiz(RhythmusPermanent, QStringLiteral("-1-1"), 0.25, 0.5),
         [](NotizFormular& f) { f.notiz = QStringLiteral("Notiz"); }},
        {"daily 08:00-12:30", notiz(RhythmusTaeglich, {}, 8 / 24.0, 12.5 / 24),
         [](NotizFormular& f) {
             f.notiz = QStringLiteral("Notiz");
             f.zeitsteuerung = f.vonBis = true;
             f.uhrzeit = {QStringLiteral("08:00"), QStringLiteral("12:30")};
             f.zeit = {8 / 24.0, 12.5 / 24};
         }},
        {"weekly Tuesday and Sunday", notiz(RhythmusWoechentlich, QStringLiteral(" 0-1 0 0 0 0-1")),
         [&](NotizFormular& f) {
             f.notiz = QStringLiteral("Notiz");
             f.zeitsteuerung = true;
             f.rhythmus = RhythmusWoechentlich;
             f.woTage = {false, true, false, false, false, false, true};
             f.erstDatumWoc = start;
             f.dauerWoc = QStringLiteral("4");
         }},
        {"monthly first Thursday", notiz(RhythmusMonatlich, QStringLiteral("213")),
         [&](NotizFormular& f) {
             f.notiz = QStringLiteral("Notiz");
             f.zeitsteuerung = true;
             f.rhythmus = RhythmusMonatlich;
             f.monArt = MonatsRegel::Wochentag;
             f.moPos = 1;
             f.woTagCom = 3;
             f.erstDatumMon = start;
             f.vorherMon = QStringLiteral("2");
         }},
        {"monthly on the 7th", notiz(RhythmusMonatlich, QStringLiteral("17")),
         [&](NotizFormular& f) {
             f.notiz = QStringLiteral("Notiz");
             f.zeitsteuerung = true;
             f.rhythmus = RhythmusMonatlich;
             f.tagZahlMon = QStringLiteral("7");
             f.erstDatumMon = start;
             f.vorherMon = QStringLiteral("2");
         }},
        {"yearly 24 and 31 December", notiz(RhythmusJaehrlich, QStringLiteral("24123112")),
         [&](NotizFormular& f) {
             f.notiz = QStringLiteral("Notiz");
             f.zeitsteuerung = true;
             f.rhythmus = RhythmusJaehrlich;
             f.tagZahlJahr = {QStringLiteral("24"), QStringLiteral("31"), QString(), QString()};
             f.monatJah = {11, 11, -1, -1};
             f.erstDatumJah = start;
             f.vorherJah = QStringLiteral("2");
         }},
        {"yearly, fifth group ignored, day kept as stored",
         notiz(RhythmusJaehrlich, QStringLiteral("01010502030304040505")),
         [&](NotizFormular& f) {
             f.notiz = QStringLiteral("Notiz");
             f.zeitsteuerung = true;
             f.rhythmus = RhythmusJaehrlich;
             f.tagZahlJahr = {QStringLiteral("01"), QStringLiteral("05"), QStringLiteral("03"),
                              QStringLiteral("04")};
             f.monatJah = {0, 1, 2, 3};
             f.erstDatumJah = start;
             f.vorherJah = QStringLiteral("2");
         }},
        // Outside the encoding: shown safely, nothing guessed.
        {"unknown rhythm", notiz(9, QStringLiteral("x"), 0.25, 0.5),
         [](NotizFormular& f) { f.notiz = QStringLiteral("Notiz"); }},
        {"monthly unknown kind", notiz(RhythmusMonatlich, QStringLiteral("344")),
         [&](NotizFormular& f) {
             f.notiz = QStringLiteral("Notiz");
             f.zeitsteuerung = true;
             f.rhythmus = RhythmusMonatlich;
             f.erstDatumMon = start;
             f.vorherMon = QStringLiteral("2");
         }},
        {"monthly position 9", notiz(RhythmusMonatlich, QStringLiteral("295")),
         [&](NotizFormular& f) {
             f.notiz = QStringLiteral("Notiz");
             f.zeitsteuerung = true;
             f.rhythmus = RhythmusMonatlich;
             f.erstDatumMon = start;
             f.vorherMon = QStringLiteral("2");
         }},
        {"weekly short text", notiz(RhythmusWoechentlich, QStringLiteral("-1")),
         [&](NotizFormular& f) {
             f.notiz = QStringLiteral("Notiz");
             f.zeitsteuerung = true;
             f.rhythmus = RhythmusWoechentlich;
             f.woTage = {true, false, false, false, false, false, false};
             f.erstDatumWoc = start;
             f.dauerWoc = QStringLiteral("4");
         }},
        {"yearly month 13", notiz(RhythmusJaehrlich, QStringLiteral("0513")),
         [&](NotizFormular& f) {
             f.notiz = QStringLiteral("Notiz");
             f.zeitsteuerung = true;
             f.rhythmus = RhythmusJaehrlich;
             f.tagZahlJahr[0] = QStringLiteral("05");
             f.monatJah[0] = -1;
             f.erstDatumJah = start;
             f.vorherJah = QStringLiteral("2");
         }},
    };
    for (const Fall& fall : faelle) {
        NotizFormular erwartet = neu;
        fall.erwartet(erwartet);
        NotizFormular f = neu;
        NotizPraesentieren(f, fall.n);
        EXPECT_EQ(f, erwartet) << fall.name;
    }
}

TEST(NotizZumBearbeiten, NullsAndBadValuesFallBack) {
    test::TestUmgebung u;
    Datensatzmenge& rs = *u.p.lokaleNotizen;
    test::NotizZeile z;
    z.inhalt = QStringLiteral("Woche");
    z.rhythmus = RhythmusWoechentlich;
    z.rhyDetails = QStringLiteral("-1 0 0 0 0 0 0");
    // UhrVon, UhrBis, StartDatum and Dauer stay Null.
    test::NotizEinfuegen(rs, z);
    Notiz n = NotizZumBearbeiten(rs, mittwoch);
    EXPECT_EQ(n.inhalt, "Woche");
    EXPECT_EQ(n.Rhythmus, RhythmusWoechentlich);
    EXPECT_TRUE(n.Ganztags());
    EXPECT_EQ(n.StartDatum, DatumsZahl(mittwoch));
    EXPECT_EQ(n.Dauer, 0);
    EXPECT_EQ(n.RhyDetails, "-1 0 0 0 0 0 0");

    z = {};
    z.rhythmus = 0;
    z.inhalt = QString(); // a Null text
    test::NotizEinfuegen(rs, z);
    rs.Edit();
    rs.Setze(u"inhalt", Wert());
    rs.Setze(u"Rhythmus", Wert(QStringLiteral("viel")));
    rs.Update();
    n = NotizZumBearbeiten(rs, mittwoch);
    EXPECT_EQ(n.inhalt, "");
    EXPECT_EQ(n.Rhythmus, RhythmusPermanent);
}

// ---- the save checks on plain values --------------------------------------------

NotizFormular formular(int rhythmus) {
    NotizFormular f = NeuesFormular(mittwoch);
    f.notiz = QStringLiteral(" Text ");
    f.zeitsteuerung = rhythmus != RhythmusPermanent;
    if (f.zeitsteuerung)
        f.rhythmus = rhythmus;
    return f;
}

TEST(SpeichernPruefen, CollectsTheEncodingOfEveryRhythm) {
    struct Fall {
        const char* name;
        NotizFormular f;
        std::function<void(NotizFormular&)> aendern;
        Notiz erwartet;
    };
    Notiz basis;
    basis.inhalt = QStringLiteral(" Text ");
    const int32_t heute = DatumsZahl(mittwoch);
    const auto mit = [&](int16_t rhythmus, auto setzen) {
        Notiz n = basis;
        n.Rhythmus = rhythmus;
        setzen(n);
        return n;
    };
    const Fall faelle[] = {
        {"permanent", formular(RhythmusPermanent), [](NotizFormular&) {}, basis},
        {"daily from midnight to 08:00", formular(RhythmusTaeglich),
         [](NotizFormular& f) {
             f.vonBis = true;
             f.uhrzeit = {QStringLiteral("00:00"), QStringLiteral("08:00")};
             f.zeit = {0, 8 / 24.0};
         },
         mit(RhythmusTaeglich, [](Notiz& n) { n.UhrBis = 8 / 24.0; })},
        {"weekly Monday and Thursday", formular(RhythmusWoechentlich),
         [](NotizFormular& f) {
             f.woTage = {true, false, false, true, false, false, false};
             f.dauerWoc = QStringLiteral("32767");
         },
         mit(RhythmusWoechentlich,
             [&](Notiz& n) {
                 n.StartDatum = heute;
                 n.Dauer = 32767;
                 n.RhyDetails = QStringLiteral("-1 0 0-1 0 0 0");
             })},
        {"monthly on the 05th", formular(RhythmusMonatlich),
         [](NotizFormular& f) {
             f.tagZahlMon = QStringLiteral("05");
             f.vorherMon = QStringLiteral("3");
             f.erstDatumMon = QStringLiteral("1.1.2027");
         },
         mit(RhythmusMonatlich,
             [](Notiz& n) {
                 n.StartDatum = DatumsZahl(QDate(2027, 1, 1));
                 n.Vorher = 3;
                 n.RhyDetails = QStringLiteral("105");
             })},
        {"monthly last Monday", formular(RhythmusMonatlich),
         [](NotizFormular& f) {
             f.monArt = MonatsRegel::Wochentag;
             f.moPos = 5;
             f.woTagCom = 0;
         },
         mit(RhythmusMonatlich,
             [&](Notiz& n) {
                 n.StartDatum = heute;
                 n.RhyDetails = QStringLiteral("250");
             })},
        {"yearly third row only", formular(RhythmusJaehrlich),
         [](NotizFormular& f) {
             f.tagZahlJahr = {QString(), QString(), QStringLiteral("5"), QString()};
             f.monatJah = {11, -1, 2, -1};
         },
         mit(RhythmusJaehrlich,
             [&](Notiz& n) {
                 n.StartDatum = heute;
                 n.RhyDetails = QStringLiteral("0503");
             })},
        {"yearly rows 1 and 3, row 1 first", formular(RhythmusJaehrlich),
         [](NotizFormular& f) {
             f.tagZahlJahr = {QStringLiteral("24"), QString(), QStringLiteral("5"), QString()};
             f.monatJah = {11, 4, 2, -1};
         },
         mit(RhythmusJaehrlich,
             [&](Notiz& n) {
                 n.StartDatum = heute;
                 n.RhyDetails = QStringLiteral("24120503");
             })},
    };
    for (const Fall& fall : faelle) {
        NotizFormular f = fall.f;
        fall.aendern(f);
        int32_t datumZahl = 0;
        const PruefErgebnis e =
            SpeichernPruefen(f, mittwoch, datumZahl, [](Frage) { return true; });
        ASSERT_TRUE(e.ok) << fall.name;
        EXPECT_EQ(e.notiz, fall.erwartet) << fall.name;
    }
}

TEST(SpeichernPruefen, AnswersChangeTheTimes) {
    NotizFormular f = formular(RhythmusTaeglich);
    f.vonBis = true;
    f.uhrzeit = {QStringLiteral("09:00"), QString()};
    f.zeit = {9 / 24.0, 0};
    int32_t datumZahl = 0;
    std::vector<Frage> gefragt;
    PruefErgebnis e = SpeichernPruefen(f, mittwoch, datumZahl, [&](Frage fr) {
        gefragt.push_back(fr);
        return true;
    });
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(gefragt, std::vector<Frage>{Frage::BisMitternacht});
    EXPECT_EQ(f.uhrzeit[1], "23:59");
    EXPECT_EQ(e.notiz.UhrBis, Tageszeit(23, 59));

    // Typed into a box but never normalised: the text counts, not a stale
    // working value.
    f.uhrzeit = {QStringLiteral("7"), QStringLiteral("8:5")};
    e = SpeichernPruefen(f, mittwoch, datumZahl, [](Frage) { return true; });
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(f.uhrzeit,
              (std::array<QString, 2>{QStringLiteral("07:00"), QStringLiteral("08:05")}));
    EXPECT_EQ(e.notiz.UhrVon, Tageszeit(7, 0));
    EXPECT_EQ(e.notiz.UhrBis, Tageszeit(8, 5));

    // A stored time that is not on the minute stays as it was.
    f.zeit = {(7 * 60 + 0.4) / 1440.0, 0.5};
    f.uhrzeit = {UhrzeitText(f.zeit[0]), UhrzeitText(f.zeit[1])};
    e = SpeichernPruefen(f, mittwoch, datumZahl, [](Frage) { return true; });
    ASSERT_TRUE(e.ok);
    EXPECT_EQ(e.notiz.UhrVon, (7 * 60 + 0.4) / 1440.0);
}

TEST(Texte, MessagesAndQuestionsInBothLanguages) {
    struct Fall {
        Meldung m;
        const char16_t* en;
        const char16_t* de;
    };
    const Fall meldungen[] = {
        {Meldung::TextFehlt, u"Note text missing.", u"Notiztext fehlt."},
        {Meldung::ZeitFormat, u"Invalid time format.", u"Ungültiges Zeitformat."},
        {Meldung::EndeVorAnfang, u"End time after starting time!",
         u"Schlusszeit muss hinter Anfangszeit liegen."},
        {Meldung::KeinWochentag, u"No weekday selected.", u"Kein Wochentag gewählt."},
        {Meldung::KeinePosition, u"Position of weekday within month not selected.",
         u"Position des Wochentags im Monat nicht gewählt."},
        {Meldung::KeinJahrestag, u"Day of year not selected.", u"Kein Jahrestag gewählt."},
        {Meldung::MonatFehlt, u"Month missing.", u"Monat fehlt."},
        {Meldung::DatumFehlerhaft, u"Invalid date.", u"Fehlerhaftes Datum."},
    };
    for (const Fall& f : meldungen) {
        EXPECT_EQ(MeldungsText(f.m, 1), QString::fromUtf16(f.en));
        EXPECT_EQ(MeldungsText(f.m, 2), QString::fromUtf16(f.de));
    }
    // Our own messages name what is wrong, in both languages.
    for (Meldung m : {Meldung::TagNull, Meldung::DauerZuGross, Meldung::VorherZuGross,
                      Meldung::NichtGespeichert}) {
        EXPECT_FALSE(MeldungsText(m, 1).isEmpty());
        EXPECT_NE(MeldungsText(m, 1), MeldungsText(m, 2));
    }
    EXPECT_TRUE(MeldungsText(Meldung::DauerZuGross, 1).contains(QStringLiteral("32767")));
    EXPECT_TRUE(MeldungsText(Meldung::NichtGespeichert, 2).contains(QStringLiteral("Datenbank")));

    EXPECT_EQ(FrageText(Frage::GanztagsAnzeigen, 1),
              "Start and end time missing -\n\nShow note full-time?");
    EXPECT_EQ(FrageText(Frage::GanztagsAnzeigen, 2),
              "Anfangs- und Schlusszeit fehlt -\n\nZettel ganztags anzeigen?");
    EXPECT_EQ(FrageText(Frage::AbMitternacht, 1),
              "Start time missing -\n\nShow note from midnight?");
    EXPECT_EQ(FrageText(Frage::AbMitternacht, 2),
              "Anfangszeit fehlt -\n\nZettel ab 00:00 Uhr anzeigen?");
    EXPECT_EQ(FrageText(Frage::BisMitternacht, 1),
              "End time missing -\n\nShow note till midnight?");
    EXPECT_EQ(FrageText(Frage::BisMitternacht, 2),
              "Schlusszeit fehlt -\n\nZettel bis 23:59 Uhr anzeigen?");
    EXPECT_EQ(FrageText(Frage::Tag29, 1),
              "In February this note will appear only in leap years -\r\n\r\nkeep this selection?");
    EXPECT_EQ(FrageText(Frage::Tag29, 2), "Im Februar erscheint dieser Zettel nur in Schaltjahren "
                                          "-\r\n\r\nTrotzdem so einstellen?");
    EXPECT_EQ(FrageText(Frage::Tag31, 1), "This note will not appear in February, April, June, "
                                          "September and November -\r\n\r\nkeep this selection?");
    EXPECT_EQ(FrageText(Frage::Tag31, 2),
              "Dieser Zettel erscheint nicht im Februar, April, Juni, "
              "September und November -\r\n\r\nTrotzdem so einstellen?");
    EXPECT_TRUE(FrageMitTon(Frage::AbMitternacht));
    EXPECT_FALSE(FrageMitTon(Frage::Tag31));
}

} // namespace
} // namespace pinwick
