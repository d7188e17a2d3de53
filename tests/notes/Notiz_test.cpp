// The note record: the RhyDetails encodings, and notes written to and read
// from a real notes table.

#include "Notiz.h"
#include "TestHilfe.h"

#include <QDate>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace pinwick {
namespace {

// ---- encodings ----------------------------------------------------------------

TEST(NotizKodierung, Weekdays) {
    const Wochentage alle{true, true, true, true, true, true, true};
    const Wochentage sonntag{false, false, false, false, false, false, true};
    const Wochentage moDo{true, false, false, true, false, false, false};
    EXPECT_EQ(WochentageKodieren(alle), "-1-1-1-1-1-1-1");
    EXPECT_EQ(WochentageKodieren(sonntag), " 0 0 0 0 0 0-1");
    EXPECT_EQ(WochentageKodieren(moDo), "-1 0 0-1 0 0 0");
    for (const Wochentage& w : {alle, sonntag, moDo})
        EXPECT_EQ(WochentageDekodieren(WochentageKodieren(w)), w);

    // A short text lacks the last days; any non-zero number counts as ticked.
    EXPECT_EQ(WochentageDekodieren(u"-1 0 1"),
              (Wochentage{true, false, true, false, false, false, false}));
    EXPECT_EQ(WochentageDekodieren(u""), Wochentage{});
}

TEST(NotizKodierung, MonthlyRules) {
    EXPECT_EQ(MonatsRegelKodieren(MonatsRegel::AmTag("29")), "129");
    EXPECT_EQ(MonatsRegelKodieren(MonatsRegel::AmTag("1")), "11");
    EXPECT_EQ(MonatsRegelKodieren(MonatsRegel::AmTag("05")), "105");
    EXPECT_EQ(MonatsRegelKodieren(MonatsRegel::AmWochentag(5, 0)), "250");
    EXPECT_EQ(MonatsRegelKodieren(MonatsRegel::AmWochentag(1, 6)), "216");

    EXPECT_EQ(MonatsRegelDekodieren(u"105"), MonatsRegel::AmTag("05"));
    EXPECT_EQ(MonatsRegelDekodieren(u"254"), MonatsRegel::AmWochentag(5, 4));
    EXPECT_EQ(MonatsRegelDekodieren(u"236"), MonatsRegel::AmWochentag(3, 6));
}

TEST(NotizKodierung, MonthlyTextsOutsideTheEncoding) {
    for (const char16_t* t : {u"", u"1", u"1a", u"1 5", u"3", u"344", u"2", u"25", u"2540", u"204",
                              u"264", u"247", u"2x4"})
        EXPECT_FALSE(MonatsRegelDekodieren(t).has_value()) << QString::fromUtf16(t).toStdString();

    // Nothing is written that would read back as something else.
    EXPECT_THROW(MonatsRegelKodieren(MonatsRegel::AmTag("")), std::invalid_argument);
    EXPECT_THROW(MonatsRegelKodieren(MonatsRegel::AmTag("-3")), std::invalid_argument);
    EXPECT_THROW(MonatsRegelKodieren(MonatsRegel::AmWochentag(0, 0)), std::invalid_argument);
    EXPECT_THROW(MonatsRegelKodieren(MonatsRegel::AmWochentag(6, 0)), std::invalid_argument);
    EXPECT_THROW(MonatsRegelKodieren(MonatsRegel::AmWochentag(1, 7)), std::invalid_argument);
}

TEST(NotizKodierung, YearlyDates) {
    const std::vector<Jahrestag> dritteZeile{{5, 3}};
    const std::vector<Jahrestag> weihnachten{{24, 12}, {31, 12}};
    const std::vector<Jahrestag> vier{{1, 1}, {29, 2}, {9, 10}, {31, 12}};
    EXPECT_EQ(JahrestageKodieren(dritteZeile), "0503");
    EXPECT_EQ(JahrestageKodieren(weihnachten), "24123112");
    EXPECT_EQ(JahrestageKodieren(vier), "0101290209103112");
    for (const auto& tage : {dritteZeile, weihnachten, vier})
        EXPECT_EQ(JahrestageDekodieren(JahrestageKodieren(tage)), tage);
    EXPECT_EQ(JahrestageKodieren({}), "");

    // An incomplete group at the end is dropped.
    EXPECT_EQ(JahrestageDekodieren(u"2412311"), (std::vector<Jahrestag>{{24, 12}}));
    EXPECT_THROW(JahrestageKodieren(std::vector<Jahrestag>{{100, 1}}), std::invalid_argument);
}

// ---- the note ----------------------------------------------------------------

Notiz woechentlich() {
    Notiz n;
    n.inhalt = QStringLiteral("  Teamrunde ");
    n.Rhythmus = RhythmusWoechentlich;
    n.UhrVon = 9 / 24.0 + 30 / 1440.0;
    n.UhrBis = 11 / 24.0;
    n.StartDatum = 45292; // Monday 1 January 2024
    n.Dauer = 6;
    n.SetzeWochentage({true, false, false, true, false, false, false});
    return n;
}

using Zuweisungen = std::vector<std::pair<QString, QVariant>>;
Zuweisungen zuweisungen(const Notiz& n) {
    Zuweisungen z;
    NotizSpalten(
        n, [&](QStringView name, const Wert& w) { z.emplace_back(name.toString(), w.roh()); });
    return z;
}
QStringList namen(const Zuweisungen& z) {
    QStringList l;
    for (const auto& [name, wert] : z)
        l << name;
    return l;
}

TEST(NotizSpalten, OnlyTheRhythmsColumnsInSaveOrder) {
    Notiz n = woechentlich();
    EXPECT_EQ(namen(zuweisungen(n)), (QStringList{"inhalt", "Rhythmus", "UhrVon", "UhrBis",
                                                  "StartDatum", "Dauer", "RhyDetails"}));
    n.Rhythmus = RhythmusMonatlich;
    EXPECT_EQ(namen(zuweisungen(n)), (QStringList{"inhalt", "Rhythmus", "UhrVon", "UhrBis",
                                                  "StartDatum", "Vorher", "RhyDetails"}));
    n.Rhythmus = RhythmusJaehrlich;
    EXPECT_EQ(namen(zuweisungen(n)), (QStringList{"inhalt", "Rhythmus", "UhrVon", "UhrBis",
                                                  "StartDatum", "Vorher", "RhyDetails"}));
    n.Rhythmus = RhythmusTaeglich;
    EXPECT_EQ(namen(zuweisungen(n)), (QStringList{"inhalt", "Rhythmus", "UhrVon", "UhrBis"}));
    n.Rhythmus = RhythmusPermanent;
    EXPECT_EQ(namen(zuweisungen(n)), (QStringList{"inhalt", "Rhythmus"}));
}

TEST(NotizSpalten, WholeDayIsTheIntegerZeroTwice) {
    Notiz n = woechentlich();
    n.Rhythmus = RhythmusTaeglich;
    n.SetzeGanztags();
    const Zuweisungen z = zuweisungen(n);
    ASSERT_EQ(z.size(), 4u);
    EXPECT_EQ(z[2].second, QVariant(0));
    EXPECT_EQ(z[3].second, QVariant(0));
    EXPECT_EQ(z[2].second.typeId(), QMetaType::Int);
}

class NotizTabelle : public ::testing::Test {
protected:
    test::TestUmgebung u;
    Datensatzmenge& rs() { return *u.p.lokaleNotizen; }

    // Adds the note as the editor does and leaves the recordset on its row.
    void hinzufuegen(const Notiz& n) {
        rs().AddNew();
        NotizSchreiben(rs(), n);
        rs().Update();
        rs().MoveFirst();
        for (int i = 1; i < rs().RecordCount(); ++i)
            rs().MoveNext();
    }
    void aendern(const Notiz& n) {
        rs().Edit();
        NotizSchreiben(rs(), n);
        rs().Update();
    }
    // The row as a fresh recordset sees it in the file.
    Notiz ausDerDatei(int32_t id) {
        auto frisch = u.p.lokaleDatenbank->OpenRecordset(QStringLiteral("select * from Notizen"));
        frisch->FindLast(QStringLiteral("ID = %1").arg(id));
        EXPECT_FALSE(frisch->NoMatch());
        return NotizLesen(*frisch);
    }
};

TEST_F(NotizTabelle, EveryRhythmComesBackAsWritten) {
    std::vector<Notiz> notizen;
    Notiz n = woechentlich();
    notizen.push_back(n);

    n.Rhythmus = RhythmusMonatlich;
    n.Dauer = 0;
    n.Vorher = 3;
    n.SetzeMonatsRegel(MonatsRegel::AmWochentag(5, 0));
    notizen.push_back(n);

    n.Rhythmus = RhythmusJaehrlich;
    n.SetzeGanztags();
    n.SetzeJahrestage(std::vector<Jahrestag>{{5, 3}});
    notizen.push_back(n);

    Notiz taeglich;
    taeglich.inhalt = QStringLiteral("Frühstück");
    taeglich.Rhythmus = RhythmusTaeglich;
    taeglich.UhrBis = 8 / 24.0; // from midnight to 08:00
    notizen.push_back(taeglich);

    Notiz permanent;
    permanent.inhalt = QStringLiteral("immer");
    notizen.push_back(permanent);

    for (Notiz& erwartet : notizen) {
        hinzufuegen(erwartet);
        erwartet.ID = rs().Feld(u"ID").alsInt32();
        EXPECT_GT(erwartet.ID, 0);
        EXPECT_EQ(ausDerDatei(erwartet.ID), erwartet) << erwartet.Rhythmus;
    }
    EXPECT_EQ(ausDerDatei(notizen[1].ID).MonatsRegelLesen(), MonatsRegel::AmWochentag(5, 0));
    EXPECT_EQ(ausDerDatei(notizen[2].ID).RhyDetails, "0503");
}

TEST_F(NotizTabelle, ChangingTheRhythmLeavesTheOldColumnsAlone) {
    const Notiz vorher = woechentlich();
    hinzufuegen(vorher);
    const int32_t id = rs().Feld(u"ID").alsInt32();

    Notiz monatlich = vorher;
    monatlich.Rhythmus = RhythmusMonatlich;
    monatlich.Vorher = 2;
    monatlich.SetzeMonatsRegel(MonatsRegel::AmTag("29"));
    aendern(monatlich);
    EXPECT_EQ(rs().Feld(u"Dauer").alsInt16(), 6);
    EXPECT_EQ(rs().Feld(u"RhyDetails").alsText(), "129");

    Notiz permanent;
    permanent.inhalt = QStringLiteral("jetzt immer");
    aendern(permanent);
    EXPECT_EQ(rs().Feld(u"Rhythmus").alsInt16(), 0);
    EXPECT_EQ(rs().Feld(u"UhrVon").alsDouble(), vorher.UhrVon);
    EXPECT_EQ(rs().Feld(u"UhrBis").alsDouble(), vorher.UhrBis);
    EXPECT_EQ(rs().Feld(u"StartDatum").alsDouble(), vorher.StartDatum);
    EXPECT_EQ(rs().Feld(u"Dauer").alsInt16(), 6);
    EXPECT_EQ(rs().Feld(u"Vorher").alsInt16(), 2);
    EXPECT_EQ(rs().Feld(u"RhyDetails").alsText(), "129");

    // Reading it back sees a permanent note and nothing of the old schedule.
    permanent.ID = id;
    EXPECT_EQ(ausDerDatei(id), permanent);
}

TEST_F(NotizTabelle, ReadingNeedsOnlyTheRhythmsColumns) {
    // A new row leaves the unassigned columns Null: a daily note has no
    // first date and reads fine.
    Notiz taeglich;
    taeglich.inhalt = QStringLiteral("x");
    taeglich.Rhythmus = RhythmusTaeglich;
    hinzufuegen(taeglich);
    EXPECT_TRUE(rs().Feld(u"StartDatum").istNull());
    EXPECT_NO_THROW(NotizLesen(rs()));

    // A weekly row without its Dauer cannot be read.
    const qint64 id =
        test::NotizEinfuegen(rs(), {QStringLiteral("w"), RhythmusWoechentlich, 0.0, 0.0, 45292.0,
                                    QVariant(), QStringLiteral("-1-1-1-1-1-1-1"), QVariant()});
    ASSERT_GT(id, 0);
    EXPECT_THROW(NotizLesen(rs()), DatenFehler);

    // A first date with a time part is read as its day.
    const qint64 id2 = test::NotizEinfuegen(rs(), {QStringLiteral("m"), RhythmusMonatlich, 0.0, 0.0,
                                                   45292.75, 1, QStringLiteral("115"), QVariant()});
    EXPECT_EQ(ausDerDatei(int32_t(id2)).StartDatum, 45292);
}

} // namespace
} // namespace pinwick
