// The ticker content on real database files: an installation's own and a
// broadcaster's, in a temporary folder.

#include "EinstellungsSatz.h"
#include "Hilfen.h"
#include "Speicher.h"
#include "TestHilfe.h"
#include "TickerInhalt.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace pinwick;
using pinwick::test::NotizEinfuegen;
using pinwick::test::NotizZeile;
using pinwick::test::TestUmgebung;

namespace {

NotizZeile permanent(const QString& text) {
    NotizZeile z;
    z.inhalt = text;
    z.rhythmus = 0;
    return z;
}

NotizZeile taeglich(const QString& text, double von, double bis) {
    NotizZeile z;
    z.inhalt = text;
    z.rhythmus = 1;
    z.uhrVon = von;
    z.uhrBis = bis;
    return z;
}

class Inhalt : public ::testing::Test {
protected:
    void SetUp() override {
        // These cases are about what a rebuild reads, not when: a changed
        // broadcaster's file is reopened at once.
        inhalt.verzugWuerfeln = [] { return 0; };
        EinstellungenLaden(u.p);
        u.p.Sprache = 1;
        u.p.uhr.Stellen(QDateTime(QDate(2027, 3, 10), QTime(10, 0, 0)));
        inhalt.textBreite = [](const QString& t) { return int(t.size()) * 100; };
        inhalt.bandBreite = [this] { return band; };
        inhalt.leistenBreite = [] { return 28800; };
        inhalt.leistenInnenHoehe = [] { return 400; };
        inhalt.leistenOben = [] { return 0; };
        inhalt.bubbleInnenHoehe = [] { return 1215; };
        inhalt.bubbleZeigen = [this](int l, int o, const QString& t) {
            meldungen << t;
            letzteLinks = l;
            letzteOben = o;
        };
        inhalt.bubbleSchliessen = [this] { ++geschlossen; };
        inhalt.textNeu = [this] { ++neustarts; };
        inhalt.neuLayout = [this] { ++layouts; };
        inhalt.updatePruefen = [this] { ++updates; };
    }

    // A receiver of a broadcaster in the same temporary folder.
    void senderEinrichten() {
        senderPfad = u.NeueDatenbank(QStringLiteral("sender.kav"));
        sender = std::make_unique<Datenbank>(senderPfad);
        senderNotizen = sender->OpenRecordset(QStringLiteral("select * from Notizen"));
        u.p.broadcastStatus = true;
        u.p.broadcastPfad = senderPfad;
        BroadcastOeffnen(u.p);
        ASSERT_FALSE(u.p.netzFehler);
    }

    void aufbauen() {
        u.p.aufbauZaehler = 100;
        inhalt.NotizMachen();
    }
    QStringList texte() const {
        QStringList l;
        for (const Eintrag& e : u.p.eintraege)
            l << QString::number(e.quelle) + ":" + e.text;
        return l;
    }
    bool nefe() const { return QFile::exists(u.Pfad(QStringLiteral("nefe"))); }

    TestUmgebung u;
    TickerInhalt inhalt{u.p};
    int band = 100000;
    QStringList meldungen;
    int letzteLinks = 0, letzteOben = 0;
    int geschlossen = 0, neustarts = 0, layouts = 0, updates = 0;
    QString senderPfad;
    std::unique_ptr<Datenbank> sender;
    std::unique_ptr<Datensatzmenge> senderNotizen;
};

} // namespace

TEST_F(Inhalt, RebuildsOnlyAtTheHundredthRun) {
    NotizEinfuegen(*u.p.lokaleNotizen, permanent("Eins"));
    u.p.aufbauZaehler = 0;
    for (int i = 0; i < 99; ++i)
        inhalt.NotizMachen();
    EXPECT_TRUE(u.p.gezeigterText.isEmpty());
    inhalt.NotizMachen();
    EXPECT_EQ(u.p.gezeigterText, QString::fromUtf8("Eins \xC2\xB7 "));
    EXPECT_EQ(u.p.aufbauZaehler, 0);
}

TEST_F(Inhalt, RebuildCountsElapsedTicks) {
    // A bar that slept hands in the ticks that passed; whatever it hands in,
    // one rebuild comes after 100 ticks and the count starts over.
    NotizEinfuegen(*u.p.lokaleNotizen, permanent("Eins"));
    struct Fall {
        int16_t zaehler;
        int takte;
        bool aufbau;
        int16_t danach;
        int bisAufbau; // ticks left afterwards
    };
    const Fall faelle[] = {
        {0, 1, false, 1, 99},     {0, 99, false, 99, 1},  {0, 100, true, 0, 100},
        {99, 1, true, 0, 100},    {50, 20, false, 70, 30}, {1, 5000, true, 0, 100},
        {100, 0, true, 0, 100},   {0, 0, false, 0, 100},  {40, -7, false, 40, 60},
        {32000, 1000, true, 0, 100},
    };
    for (const Fall& f : faelle) {
        SCOPED_TRACE(testing::Message() << f.zaehler << " + " << f.takte);
        u.p.gezeigterText.clear();
        u.p.neuerText.clear();
        u.p.aufbauZaehler = f.zaehler;
        inhalt.NotizMachen(f.takte);
        EXPECT_EQ(!u.p.gezeigterText.isEmpty(), f.aufbau);
        EXPECT_EQ(u.p.aufbauZaehler, f.danach);
        EXPECT_EQ(inhalt.TakteBisAufbau(), f.bisAufbau);
    }
}

TEST_F(Inhalt, OwnNotesDueNowInTableOrder) {
    NotizEinfuegen(*u.p.lokaleNotizen, taeglich("Morgens", 8.0 / 24, 12.0 / 24));
    NotizEinfuegen(*u.p.lokaleNotizen, taeglich("Abends", 18.0 / 24, 22.0 / 24));
    NotizEinfuegen(*u.p.lokaleNotizen, permanent("Immer"));
    NotizZeile negativ = permanent("Negativ");
    negativ.rhythmus = -3;
    NotizEinfuegen(*u.p.lokaleNotizen, negativ);
    aufbauen();
    EXPECT_EQ(texte(), (QStringList{"0:Morgens", "0:Immer", "0:Negativ"}));
    EXPECT_EQ(u.p.gezeigterText,
              QString::fromUtf8("Morgens \xC2\xB7 Immer \xC2\xB7 Negativ \xC2\xB7 "));
}

TEST_F(Inhalt, AFaultyOwnNoteIsLeftOutTheOthersStay) {
    NotizEinfuegen(*u.p.lokaleNotizen, permanent("Vorher"));
    NotizZeile kaputt = taeglich("Kaputt", 0, 0);
    kaputt.uhrVon = QVariant(); // Null where the window is needed
    NotizEinfuegen(*u.p.lokaleNotizen, kaputt);
    NotizZeile ohneText = permanent("");
    NotizEinfuegen(*u.p.lokaleNotizen, ohneText);
    u.p.lokaleDatenbank->Ausfuehren(
        QStringLiteral("UPDATE Notizen SET inhalt = NULL WHERE inhalt = ''"));
    u.p.lokaleNotizen = u.p.lokaleDatenbank->OpenRecordset(QStringLiteral("select * from Notizen"));
    NotizEinfuegen(*u.p.lokaleNotizen, permanent("Nachher"));
    aufbauen();
    EXPECT_EQ(texte(), (QStringList{"0:Vorher", "0:Nachher"}));
}

TEST_F(Inhalt, OwnNotesNeedPermission) {
    NotizEinfuegen(*u.p.lokaleNotizen, permanent("Eigene"));
    u.p.eigeneErlauben = false;
    aufbauen();
    EXPECT_TRUE(u.p.gezeigterText.isEmpty());
    EXPECT_TRUE(u.p.eintraege.empty());
}

TEST_F(Inhalt, ScrollRestartsOnlyWhenTheTextChanges) {
    NotizEinfuegen(*u.p.lokaleNotizen, permanent("Eins"));
    aufbauen();
    EXPECT_EQ(neustarts, 1);
    aufbauen();
    EXPECT_EQ(neustarts, 1); // same notes: the scroll carries on
    NotizEinfuegen(*u.p.lokaleNotizen, permanent("Zwei"));
    aufbauen();
    EXPECT_EQ(neustarts, 2);
}

TEST_F(Inhalt, NoDueNoteEmptiesTheShownTextButKeepsTheList) {
    NotizEinfuegen(*u.p.lokaleNotizen, taeglich("Vormittag", 8.0 / 24, 12.0 / 24));
    aufbauen();
    EXPECT_FALSE(u.p.gezeigterText.isEmpty());
    u.p.uhr.Stellen(QDateTime(QDate(2027, 3, 10), QTime(13, 0, 0)));
    aufbauen();
    EXPECT_TRUE(u.p.gezeigterText.isEmpty());
    EXPECT_EQ(u.p.eintraege.size(), 1u);
    EXPECT_EQ(neustarts, 2);
}

TEST_F(Inhalt, DisplayModeFollowsTheTextWidth) {
    NotizEinfuegen(*u.p.lokaleNotizen, permanent("12345"));
    band = 800; // "12345 · " is 8 characters, 800 twips wide
    aufbauen();
    EXPECT_EQ(u.p.anzeigeModus, TickerInhalt::Statisch);
    NotizEinfuegen(*u.p.lokaleNotizen, permanent("x"));
    aufbauen();
    EXPECT_EQ(u.p.anzeigeModus, TickerInhalt::Scrollend);
}

TEST_F(Inhalt, TheFirstRebuildSkipsTheUpdateCheck) {
    aufbauen();
    EXPECT_EQ(updates, 0);
    aufbauen();
    EXPECT_EQ(updates, 1);
}

TEST_F(Inhalt, BroadcastNotesComeFirstInTheirOwnColourSource) {
    senderEinrichten();
    NotizEinfuegen(*senderNotizen, permanent("Sender A"));
    NotizEinfuegen(*senderNotizen, taeglich("Sender spaet", 20.0 / 24, 21.0 / 24));
    NotizEinfuegen(*senderNotizen, permanent("Sender B"));
    NotizEinfuegen(*u.p.lokaleNotizen, permanent("Eigene"));
    aufbauen();
    EXPECT_EQ(texte(), (QStringList{"1:Sender A", "1:Sender B", "0:Eigene"}));

    u.p.eigeneErlauben = true;
    // The broadcaster forbids own notes: adopted at the rebuild.
    sender->Ausfuehren(QStringLiteral("UPDATE Einstellungen SET eigeneErlauben = 0"));
    aufbauen();
    EXPECT_EQ(texte(), (QStringList{"1:Sender A", "1:Sender B"}));
    EXPECT_FALSE(u.p.eigeneErlauben);
    EXPECT_GE(layouts, 1);
}

TEST_F(Inhalt, BroadcastWalkSkipsARecordThatFailsAgainAndEnds) {
    senderEinrichten();
    NotizEinfuegen(*senderNotizen, permanent("Erste"));
    NotizZeile kaputt = taeglich("Kaputt", 0, 0);
    kaputt.uhrBis = QVariant();
    NotizEinfuegen(*senderNotizen, kaputt);
    NotizEinfuegen(*senderNotizen, permanent("Letzte"));
    aufbauen();
    EXPECT_EQ(texte(), (QStringList{"1:Erste", "1:Letzte"}));
    EXPECT_FALSE(u.p.netzFehler);
    // And again: the walk is repeatable and ends every time.
    aufbauen();
    EXPECT_EQ(texte(), (QStringList{"1:Erste", "1:Letzte"}));
}

TEST_F(Inhalt, OutageShowsOneNoticeAndRecoversAfterAMinute) {
    senderEinrichten();
    NotizEinfuegen(*senderNotizen, permanent("Sender"));
    NotizEinfuegen(*u.p.lokaleNotizen, permanent("Eigene"));
    aufbauen();
    ASSERT_EQ(texte(), (QStringList{"1:Sender", "0:Eigene"}));

    // The share goes away.
    const QString weg = senderPfad + ".weg";
    ASSERT_TRUE(QFile::rename(senderPfad, weg));
    inhalt.NetzWiederholung();
    inhalt.NotizMachen();
    EXPECT_TRUE(u.p.netzFehler);
    EXPECT_EQ(meldungen, QStringList{"Network error - cannot reach broadcast server."});
    EXPECT_EQ(letzteLinks, 28800 / 2 - 885);
    EXPECT_EQ(letzteOben, 400 / 2 + 0 - 400);
    EXPECT_TRUE(nefe());
    EXPECT_FALSE(u.p.fehlerZeit.isEmpty());
    aufbauen();
    EXPECT_EQ(texte(), QStringList{"0:Eigene"});

    // Ticks within the same minute, then later minutes: never a second notice.
    for (int minute = 0; minute < 3; ++minute) {
        for (int i = 0; i < 150; ++i) {
            inhalt.NetzWiederholung();
            inhalt.NotizMachen();
        }
        u.p.uhr.Vorstellen(60);
    }
    EXPECT_EQ(meldungen.size(), 1);
    EXPECT_TRUE(nefe());

    // Back again; the next minute's retry finds it.
    ASSERT_TRUE(QFile::rename(weg, senderPfad));
    const int geschlossenVorher = geschlossen;
    u.p.uhr.Vorstellen(60);
    inhalt.NetzWiederholung();
    inhalt.NotizMachen();
    EXPECT_FALSE(u.p.netzFehler);
    EXPECT_FALSE(nefe());
    EXPECT_GT(geschlossen, geschlossenVorher);
    aufbauen();
    EXPECT_EQ(texte(), (QStringList{"1:Sender", "0:Eigene"}));
    EXPECT_EQ(meldungen.size(), 1);
}

TEST_F(Inhalt, NoticeOpensAboveABarAtTheBottom) {
    senderEinrichten();
    u.p.dockPos = 1;
    QFile::remove(senderPfad);
    inhalt.NotizMachen();
    ASSERT_EQ(meldungen.size(), 1);
    EXPECT_EQ(letzteOben, -1215 - 300);
}

TEST_F(Inhalt, VanishedMarkerFileRaisesTheNoticeAgain) {
    senderEinrichten();
    QFile::remove(senderPfad);
    inhalt.NotizMachen();
    ASSERT_EQ(meldungen.size(), 1);
    QFile::remove(u.Pfad(QStringLiteral("nefe")));
    inhalt.NetzWiederholung();
    EXPECT_EQ(meldungen.size(), 2);
    EXPECT_TRUE(nefe());
}

TEST_F(Inhalt, GarbageInTheMarkerFileMeansTryAgainNow) {
    senderEinrichten();
    QFile::remove(senderPfad);
    inhalt.NotizMachen();
    ASSERT_TRUE(u.p.netzFehler);
    QFile f(u.Pfad(QStringLiteral("nefe")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(100000, '\x01'));
    f.close();
    inhalt.NetzWiederholung();
    EXPECT_FALSE(u.p.netzFehler);
    EXPECT_EQ(meldungen.size(), 1);
}

TEST_F(Inhalt, GermanNoticeText) {
    senderEinrichten();
    u.p.Sprache = 2;
    QFile::remove(senderPfad);
    inhalt.NotizMachen();
    EXPECT_EQ(meldungen, QStringList{"Netzwerkfehler - Broadcast Server nicht erreichbar."});
}

TEST_F(Inhalt, NotesAnotherProgramWroteShowAfterTheFileChangedAndNotBefore) {
    NotizEinfuegen(*u.p.lokaleNotizen, permanent("Own"));
    aufbauen();
    ASSERT_EQ(texte(), QStringList{"0:Own"});
    // Another program (pinwick-notes, the sqlcipher shell) adds and deletes
    // rows through a connection of its own.
    {
        Datenbank anderer(u.p.datenbankDatei);
        auto rs = anderer.OpenRecordset(QStringLiteral("select * from Notizen"));
        NotizEinfuegen(*rs, permanent("From outside"));
        rs->MoveFirst();
        rs->Delete();
    }
    // The recordset holds what it read: without the report nothing changes.
    aufbauen();
    EXPECT_EQ(texte(), QStringList{"0:Own"});
    inhalt.EigeneNeuLesen();
    EXPECT_EQ(u.p.aufbauZaehler, 100) << "the next run rebuilds";
    inhalt.NotizMachen();
    EXPECT_EQ(texte(), QStringList{"0:From outside"});
}
